#include "PlayerToolbar.h"

#include <QHBoxLayout>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

PlayerToolbar::PlayerToolbar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("playerToolbar"));
    setFixedHeight(BarHeight);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    setPalette(p);
    // Moves over the strip count as moves over the control, so it does not hide under the pointer.
    setMouseTracking(true);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);

    m_pause = addButton(QStyle::SP_MediaPlay, QStringLiteral("Pause/Play"));
    m_pause->setObjectName(QStringLiteral("toolbarPause"));
    m_stop = addButton(QStyle::SP_MediaStop, QStringLiteral("Stop"));
    m_stop->setObjectName(QStringLiteral("toolbarStop"));
    layout->addWidget(m_pause);
    layout->addWidget(m_stop);
    layout->addStretch(1);

    m_mute = addButton(QStyle::SP_MediaVolume, QStringLiteral("Mute"));
    m_mute->setObjectName(QStringLiteral("toolbarMute"));
    m_mute->setCheckable(true);
    layout->addWidget(m_mute);

    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setObjectName(QStringLiteral("toolbarVolume"));
    m_volume->setRange(0, 200);
    m_volume->setValue(100);
    m_volume->setFixedWidth(90);
    m_volume->setFocusPolicy(Qt::NoFocus);
    m_volume->setToolTip(QStringLiteral("Volume"));
    layout->addWidget(m_volume);

    m_fullscreen = addButton(QStyle::SP_TitleBarMaxButton, QStringLiteral("Full screen"));
    m_fullscreen->setObjectName(QStringLiteral("toolbarFullscreen"));
    layout->addWidget(m_fullscreen);

    connect(m_pause, &QToolButton::clicked, this, &PlayerToolbar::pauseClicked);
    connect(m_stop, &QToolButton::clicked, this, &PlayerToolbar::stopClicked);
    connect(m_fullscreen, &QToolButton::clicked, this, &PlayerToolbar::fullscreenClicked);
    connect(m_volume, &QSlider::valueChanged, this, &PlayerToolbar::volumeChanged);
    connect(m_mute, &QToolButton::toggled, this, [this](bool muted) {
        m_mute->setIcon(style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
        emit muteToggled(muted);
    });
}

QToolButton *PlayerToolbar::addButton(QStyle::StandardPixmap icon, const QString &toolTip)
{
    auto *button = new QToolButton(this);
    button->setIcon(style()->standardIcon(icon));
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    // The keyboard stays with the video, where F11 and Esc are expected to work.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void PlayerToolbar::setPlaying(bool playing)
{
    m_pause->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

void PlayerToolbar::setVolume(int volume)
{
    const QSignalBlocker blocker(m_volume);
    m_volume->setValue(volume);
}

void PlayerToolbar::setMuted(bool muted)
{
    m_mute->setChecked(muted);
}

bool PlayerToolbar::isMuted() const
{
    return m_mute->isChecked();
}
