#pragma once

#include <QColor>
#include <QWidget>

// The media-player control the main window hosts: a playlist of its own, transport commands,
// full screen and a toolbar. Whatever thread the player works on, every signal is emitted on the
// GUI thread. Operations that fail throw NorvaleError with the player's own text.
class PlayerControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool AutoLoop READ AutoLoop)
    Q_PROPERTY(bool AutoPlay READ AutoPlay)
    Q_PROPERTY(QColor BackColor READ BackColor)
    Q_PROPERTY(bool Branding READ Branding WRITE setBranding)
    Q_PROPERTY(bool Toolbar READ Toolbar WRITE setToolbar)
    Q_PROPERTY(int Volume READ Volume WRITE setVolume)
public:
    explicit PlayerControl(QWidget *parent = nullptr);
    ~PlayerControl() override;

    // Stops playback; harmless when nothing plays.
    virtual void playlistStop() = 0;
    // Empties the control's playlist.
    virtual void playlistItemsClear() = 0;
    virtual int playlistItemsCount() const = 0;
    // Appends an item and returns its identifier.
    virtual qint32 playlistAdd(const QString &uri, const QString &name) = 0;
    // Starts the item and returns before the stream is open; playing or an error follows as a signal.
    virtual void playlistPlayItem(qint32 itemId) = 0;
    // Pauses while playing, resumes while paused.
    virtual void playlistTogglePause() = 0;
    virtual void videoToggleFullscreen() = 0;
    virtual bool videoFullscreen() const = 0;

    // The stored properties: AutoPlay on, AutoLoop off, black background, volume 100, toolbar
    // and branding on until the owner says otherwise.
    bool AutoLoop() const { return false; }
    bool AutoPlay() const { return true; }
    QColor BackColor() const { return Qt::black; }
    bool Branding() const { return m_branding; }
    bool Toolbar() const { return m_toolbar; }
    int Volume() const { return m_volume; }
    // The control draws no branding of its own; the value is only kept.
    void setBranding(bool branding);
    // True shows the toolbar again (it may hide itself later in full screen).
    void setToolbar(bool toolbar);
    void setVolume(int volume);

signals:
    void MediaPlayerPlaying();
    void MediaPlayerEncounteredError();
    // Any button pressed over the video area, a second press of a double-click included.
    void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    // A key pressed while the control has the focus. `Key` is the Qt key code; a handler
    // connected directly sets it to 0 to consume the key, which then goes no further.
    void KeyDown(int *Key, Qt::KeyboardModifiers Shift);

protected:
    virtual void toolbarChanged(bool toolbar);
    virtual void volumeChanged(int volume);

private:
    bool m_branding = true;
    bool m_toolbar = true;
    int m_volume = 100;
};
