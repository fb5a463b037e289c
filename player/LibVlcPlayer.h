#pragma once

#include "PlayerControl.h"
#include "shell/PostedCall.h"

#include <QElapsedTimer>
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

    // Where playback stands, for the desktop's media controls and the screen saver.
    enum class Playback { Stopped, Opening, Playing, Paused, Reconnecting };
    Playback playback() const { return m_playback; }
    // A stream plays and draws pictures (a radio stream has none to watch).
    bool picturePlaying() const { return m_playback == Playback::Playing && m_vouts > 0; }
    // The item last started, empty before any.
    QString currentName() const { return m_currentName; }
    QString currentUri() const { return m_currentUri; }
    // Resumes a paused stream, or plays the last item again when nothing plays.
    void play();
    // Pauses a stream that plays; anything else is left as it is.
    void pause();

    // Tries after a live stream dropped, counted from the drop, and when the control gives up.
    static constexpr int ReconnectAtMs[] = {1000, 2000, 4000, 8000, 15000};
    static constexpr int ReconnectGiveUpMs = 30000;
    // Tests shorten the schedule by this factor.
    void setReconnectScaleForTesting(double scale);

    void setStartTimeout(int ms);
    VideoArea *videoArea() const { return m_area; }

signals:
    // playback() or picturePlaying() changed.
    void playbackChanged();
    // Volume() changed, by the owner, the toolbar, a key or the desktop.
    void volumeSet(int volume);

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
    void deliverEvent(int type, qint64 value, quint64 generation);
    void ensurePlayer();
    void setMuted(bool muted);
    void setPlayback(Playback playback);
    // Stops libVLC's run, drops its late events and leaves the control in `next`.
    void endRun(Playback next);
    // Starts the player's current media from its beginning as a new attempt.
    bool restart();
    void streamDropped();
    void retryTimerFired();
    void stopRetrying();
    void streamEnded();
    void refreshTracks();
    void refreshPosition();
    void handleKey(int *key, Qt::KeyboardModifiers modifiers);
    void seekTo(qint64 ms);
    void seekBy(qint64 ms);
    void chooseAudioTrack(int id);
    void chooseSubtitles(int id);

    QStringList m_arguments;
    libvlc_instance_t *m_vlc = nullptr;
    libvlc_media_player_t *m_player = nullptr;
    std::vector<Item> m_items;
    qint32 m_nextId = 0;
    // Bumped whenever playback is stopped or started, read by libVLC's threads.
    std::atomic<quint64> m_generation{0};
    QTimer m_startTimer;
    Playback m_playback = Playback::Stopped;
    int m_vouts = 0;
    QString m_currentName;
    QString m_currentUri;
    // What the stream said of itself since it started: a live one is reopened when it drops.
    qint64 m_lengthMs = 0;
    bool m_seekable = false;
    bool m_hasPlayed = false;
    // Reconnection: the next try of ReconnectAtMs, timed from the drop.
    QTimer m_retryTimer;
    QElapsedTimer m_sinceDrop;
    int m_nextTry = 0;
    double m_reconnectScale = 1.0;
    // Elapsed time on the toolbar while a medium with a duration plays.
    QTimer m_positionTimer;
    VideoArea *m_area = nullptr;
    // libVLC's events arrive here as posted calls, which a wait for a download holds back.
    CallTarget m_calls;
};
