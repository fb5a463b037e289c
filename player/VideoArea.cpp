#include "VideoArea.h"

#include "PlayerToolbar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {
void paintBlack(QWidget *widget)
{
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, Qt::black);
    widget->setPalette(p);
}

QVBoxLayout *zeroMarginLayout(QWidget *widget)
{
    auto *layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}
} // namespace

VideoArea::VideoArea(QWidget *home) : QWidget(home), m_home(home)
{
    setObjectName(QStringLiteral("videoArea"));
    paintBlack(this);
    zeroMarginLayout(home)->addWidget(this);

    m_video = new QWidget(this);
    m_video->setObjectName(QStringLiteral("videoSurface"));
    paintBlack(m_video);
    // Native from the start: the player draws into this window by its id, and a widget made
    // native later would lose the picture when it moves to full screen and back.
    m_video->setAttribute(Qt::WA_NativeWindow);
    m_video->setMouseTracking(true);
    m_video->setFocusPolicy(Qt::StrongFocus);
    m_video->setAccessibleName(QStringLiteral("Video")); // a Tab stop, so it needs a name to read
    m_video->installEventFilter(this);

    m_toolbar = new PlayerToolbar(this);
    m_toolbar->installEventFilter(this);

    QVBoxLayout *layout = zeroMarginLayout(this);
    layout->addWidget(m_video, 1);
    layout->addWidget(m_toolbar);

    // Focus given to the control goes to the video, where the keys are read.
    home->setFocusProxy(m_video);

    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(ToolbarHideDelayMs);
    connect(&m_hideTimer, &QTimer::timeout, this, &VideoArea::hideToolbarIfIdle);
}

VideoArea::~VideoArea() = default;

WId VideoArea::videoWindowId() const
{
    return m_video->winId();
}

void VideoArea::setToolbarShown(bool shown)
{
    m_toolbarShown = shown;
    m_toolbar->setVisible(shown);
    if (shown && isFullscreen())
        m_hideTimer.start();
    else
        m_hideTimer.stop();
    m_video->unsetCursor();
}

bool VideoArea::isFullscreen() const
{
    return m_fullscreenWindow && parentWidget() == m_fullscreenWindow;
}

void VideoArea::setFullscreen(bool fullscreen)
{
    if (fullscreen == isFullscreen())
        return;
    if (fullscreen) {
        if (!m_fullscreenWindow) {
            m_fullscreenWindow = new QWidget(m_home, Qt::Window | Qt::FramelessWindowHint);
            m_fullscreenWindow->setObjectName(QStringLiteral("fullscreenWindow"));
            paintBlack(m_fullscreenWindow);
            zeroMarginLayout(m_fullscreenWindow);
        }
        m_fullscreenWindow->setWindowTitle(m_home->window()->windowTitle());
        if (const QScreen *screen = m_home->screen())
            m_fullscreenWindow->setGeometry(screen->geometry());
        m_fullscreenWindow->layout()->addWidget(this);
        show();
        m_fullscreenWindow->showFullScreen();
        m_fullscreenWindow->raise();
        m_fullscreenWindow->activateWindow();
        if (m_toolbarShown)
            m_hideTimer.start();
    } else {
        m_hideTimer.stop();
        m_home->layout()->addWidget(this);
        show();
        m_fullscreenWindow->hide();
        m_toolbar->setVisible(m_toolbarShown);
        m_video->unsetCursor();
        m_home->window()->activateWindow();
    }
    m_video->setFocus(Qt::OtherFocusReason);
    emit fullscreenChanged(fullscreen);
}

void VideoArea::setToolbarHideDelayForTesting(int ms)
{
    m_hideTimer.setInterval(ms);
}

void VideoArea::setMessage(const QString &message)
{
    if (message == m_message)
        return;
    m_message = message;
    m_video->update();
}

void VideoArea::pointerMoved()
{
    if (m_toolbar->isVisible() && isFullscreen())
        m_hideTimer.start();
    m_video->unsetCursor();
}

void VideoArea::hideToolbarIfIdle()
{
    if (!isFullscreen())
        return;
    // The pointer resting on the strip is the user about to use it.
    if (m_toolbar->underMouse()) {
        m_hideTimer.start();
        return;
    }
    m_toolbar->hide();
    m_video->setCursor(Qt::BlankCursor);
}

bool VideoArea::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Paint:
        // Over the black the surface is filled with; a picture drawn by the player covers it.
        if (watched == m_video && !m_message.isEmpty()) {
            QPainter painter(m_video);
            QFont font = painter.font();
            font.setPointSizeF(font.pointSizeF() * 1.4);
            painter.setFont(font);
            painter.setPen(QColor(0xEA, 0xEA, 0xEA));
            painter.drawText(m_video->rect(), Qt::AlignCenter, m_message);
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // Qt turns the second of two quick presses into a double-click; it is still a press.
        if (watched == m_video) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            emit mousePressed(mouse->button(), mouse->modifiers(), mouse->position().toPoint());
            return true;
        }
        break;
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        pointerMoved();
        const QPoint position = watched == m_video ? mouse->position().toPoint()
                                                   : m_toolbar->mapTo(this, mouse->position().toPoint());
        emit mouseMoved(mouse->buttons(), mouse->modifiers(), position);
        break;
    }
    case QEvent::KeyPress:
        if (watched == m_video) {
            const auto *keyEvent = static_cast<QKeyEvent *>(event);
            int key = keyEvent->key();
            emit keyPressed(&key, keyEvent->modifiers());
            if (key == 0)
                return true;
            if (key == Qt::Key_Escape && isFullscreen()) {
                setFullscreen(false);
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
