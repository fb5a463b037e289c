#pragma once

#include "PlayerControl.h"

#include <QStringList>

// A player control that plays nothing: it records the operations it is given and raises the
// control's events when a test tells it to, so the main window's handlers can be driven exactly.
class FakePlayerControl final : public PlayerControl {
    Q_OBJECT
public:
    explicit FakePlayerControl(QWidget *parent = nullptr);

    void playlistStop() override;
    void playlistItemsClear() override;
    int playlistItemsCount() const override { return m_items.size(); }
    qint32 playlistAdd(const QString &uri, const QString &name) override;
    void playlistPlayItem(qint32 itemId) override;
    void playlistTogglePause() override;
    void videoToggleFullscreen() override;
    bool videoFullscreen() const override { return m_fullscreen; }

    // What was asked of the control, in order: "stop", "clear", "add <uri>|<name>", "play <id>",
    // "pause", "fullscreen".
    QStringList operations;
    int fullscreenToggles = 0;
    // When set, playlistAdd fails as a player would that cannot take the address.
    bool failAdd = false;
    // When set, the playing event is posted as Play starts it, so it is already queued when Play
    // processes pending events.
    bool playingAtOnce = false;

    void raisePlaying() { emit MediaPlayerPlaying(); }
    void raiseError() { emit MediaPlayerEncounteredError(); }
    void raiseMouseDown(Qt::MouseButton button) { emit MouseDown(button, Qt::NoModifier, 10, 10); }
    void raiseMouseMove() { emit MouseMove(Qt::NoButton, Qt::NoModifier, 10, 10); }
    // Returns the key as the handler left it.
    int raiseKeyDown(int key, Qt::KeyboardModifiers modifiers);

private:
    QStringList m_items;
    qint32 m_nextId = 0;
    bool m_fullscreen = false;
};
