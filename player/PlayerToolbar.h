#pragma once

#include <QIcon>
#include <QWidget>

class QSlider;
class QToolButton;

// The strip under the video: pause/play, stop, mute, volume and full screen. It knows nothing of
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

signals:
    void pauseClicked();
    void stopClicked();
    void fullscreenClicked();
    void volumeChanged(int volume);
    void muteToggled(bool muted);

private:
    QToolButton *addButton(const QIcon &icon, const QString &toolTip);

    QToolButton *m_pause = nullptr;
    QToolButton *m_stop = nullptr;
    QToolButton *m_mute = nullptr;
    QSlider *m_volume = nullptr;
    QToolButton *m_fullscreen = nullptr;
    bool m_playing = false;
};
