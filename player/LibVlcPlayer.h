#pragma once

#include "PlayerControl.h"
#include "shell/PostedCall.h"

#include <QStringList>
#include <QTimer>
#include <atomic>
#include <vector>

struct libvlc_event_t;
struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
class VideoArea;

// The player control on libVLC. libVLC runs its own threads; its events are re-posted to the
// GUI thread, and events of a stream that was stopped or replaced meanwhile are dropped there.
// libVLC's own mouse and key handling is off so the video area receives them.
class LibVlcPlayer final : public PlayerControl {
    Q_OBJECT
public:
    // A stream that has neither started nor failed by then is reported as an error: libVLC
    // itself waits forever on a server that accepts the connection and never answers.
    static constexpr int DefaultStartTimeoutMs = 30000;

    // `vlcArguments` go to libVLC as they are; tests pass dummy outputs here.
    explicit LibVlcPlayer(QWidget *parent = nullptr, const QStringList &vlcArguments = defaultArguments());
    ~LibVlcPlayer() override;

    static QStringList defaultArguments();

    void playlistStop() override;
    void playlistItemsClear() override;
    int playlistItemsCount() const override;
    qint32 playlistAdd(const QString &uri, const QString &name) override;
    void playlistPlayItem(qint32 itemId) override;
    void playlistTogglePause() override;
    void videoToggleFullscreen() override;
    bool videoFullscreen() const override;

    // What the toolbar's play button does: pauses or resumes a stream that has started, and after
    // Stop, the end of the stream or an error plays the last item again from its start. Before
    // anything was played it does nothing.
    void playOrTogglePause();

    void setStartTimeout(int ms);
    VideoArea *videoArea() const { return m_area; }

protected:
    void toolbarChanged(bool toolbar) override;
    void volumeChanged(int volume) override;

private:
    struct Item {
        qint32 id = 0;
        QString uri;
        QString name;
        libvlc_media_t *media = nullptr;
    };

    static void vlcEventCallback(const libvlc_event_t *event, void *opaque);
    void deliverEvent(int type, quint64 generation);
    void ensurePlayer();
    void setMuted(bool muted);

    QStringList m_arguments;
    libvlc_instance_t *m_vlc = nullptr;
    libvlc_media_player_t *m_player = nullptr;
    std::vector<Item> m_items;
    qint32 m_nextId = 0;
    // Bumped whenever playback is stopped or started, read by libVLC's threads.
    std::atomic<quint64> m_generation{0};
    QTimer m_startTimer;
    VideoArea *m_area = nullptr;
    // libVLC's events arrive here as posted calls, which a wait for a download holds back.
    CallTarget m_calls;
};
