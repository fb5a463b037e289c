#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

class QLabel;
class QMenu;
class QSlider;
class QToolButton;

// The strip under the video: pause/play, stop, position and times for media with a duration,
// audio and subtitle tracks when there is a choice, mute, volume and full screen. It knows nothing of
// the player; it reports what the user asked for and shows the state it is given.
class PlayerToolbar final : public QWidget {
    Q_OBJECT
public:
    static constexpr int BarHeight = 30;

    explicit PlayerToolbar(QWidget *parent = nullptr);

    void setPlaying(bool playing);
    // Whether the button shows Pause (a stream plays) rather than Play.
    bool isPlaying() const { return m_playing; }
    void setVolume(int volume);
    void setMuted(bool muted);
    bool isMuted() const;

    // A duration above 0 shows the position slider and the times; 0 hides them (live streams).
    void setDuration(qint64 ms);
    qint64 duration() const { return m_durationMs; }
    void setPosition(qint64 ms);
    // The times as shown, "elapsed / total".
    QString timeText() const;

    struct Track {
        int id = -1;
        QString name;
        bool operator==(const Track &) const = default;
    };
    // The tracks button shows when there is more than one audio track or any subtitles.
    void setTracks(const QList<Track> &audio, int currentAudio, const QList<Track> &subtitles,
                   int currentSubtitles);
    // The menu the tracks button opens, built from the last setTracks.
    QMenu *tracksMenu() const { return m_tracksMenu; }

signals:
    void pauseClicked();
    void stopClicked();
    void fullscreenClicked();
    void volumeChanged(int volume);
    void muteToggled(bool muted);
    void seekRequested(qint64 ms);
    void audioTrackChosen(int id);
    // -1 turns subtitles off.
    void subtitlesChosen(int id);

private:
    QToolButton *addButton(const QIcon &icon, const QString &toolTip);
    void rebuildTracksMenu();
    // "position / total" for a position of the slider's, the handle's while it is dragged.
    QString timeTextAt(qint64 positionMs) const;

    QToolButton *m_pause = nullptr;
    QToolButton *m_stop = nullptr;
    QToolButton *m_mute = nullptr;
    QSlider *m_volume = nullptr;
    QToolButton *m_fullscreen = nullptr;
    QSlider *m_position = nullptr;
    QLabel *m_time = nullptr;
    QToolButton *m_tracks = nullptr;
    QMenu *m_tracksMenu = nullptr;
    QList<Track> m_audio;
    QList<Track> m_subtitles;
    int m_currentAudio = -1;
    int m_currentSubtitles = -1;
    qint64 m_durationMs = 0;
    qint64 m_positionMs = 0;
    bool m_playing = false;
};
