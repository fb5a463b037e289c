#pragma once

#include <QTimer>
#include <QWidget>

class PlayerToolbar;

// The video surface with its toolbar. It lives in its home widget and moves, whole, into a
// frameless full-screen window and back, so the video window it holds keeps being drawn into.
// It reports presses, moves and keys on the video; Esc leaves full screen when no one consumed it.
class VideoArea final : public QWidget {
    Q_OBJECT
public:
    static constexpr int ToolbarHideDelayMs = 3000;

    // `home` gets a zero-margin layout holding the area.
    explicit VideoArea(QWidget *home);
    ~VideoArea() override;

    // The native window the video is drawn into; it is created here and survives full screen.
    WId videoWindowId() const;
    QWidget *videoWidget() const { return m_video; }
    PlayerToolbar *toolbar() const { return m_toolbar; }

    void setToolbarShown(bool shown);
    bool isFullscreen() const;
    void setFullscreen(bool fullscreen);
    QWidget *fullscreenWindow() const { return m_fullscreenWindow; }
    void setToolbarHideDelayForTesting(int ms);
    // A line drawn over the middle of the video surface where no picture covers it; empty for none.
    void setMessage(const QString &message);
    QString message() const { return m_message; }

signals:
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position);
    void keyPressed(int *key, Qt::KeyboardModifiers modifiers);
    void fullscreenChanged(bool fullscreen);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pointerMoved();
    void hideToolbarIfIdle();

    QWidget *m_home = nullptr;
    QWidget *m_video = nullptr;
    PlayerToolbar *m_toolbar = nullptr;
    QWidget *m_fullscreenWindow = nullptr; // owned by m_home, made on first use
    QTimer m_hideTimer;
    bool m_toolbarShown = true;
    QString m_message;
};
