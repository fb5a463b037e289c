#include "PlayerToolbar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

namespace {
enum class Glyph { Play, Pause, Stop, Fullscreen };

// The style's media icons are dark and vanish on the strip's near-black, so the transport glyphs
// are drawn here in the light text colour.
QIcon glyphIcon(Glyph glyph)
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        const QColor ink(0xEA, 0xEA, 0xEA);
        switch (glyph) {
        case Glyph::Play: {
            QPainterPath triangle;
            triangle.moveTo(4, 2.5);
            triangle.lineTo(13, 8);
            triangle.lineTo(4, 13.5);
            triangle.closeSubpath();
            p.fillPath(triangle, ink);
            break;
        }
        case Glyph::Pause:
            p.fillRect(QRectF(3.5, 2.5, 3, 11), ink);
            p.fillRect(QRectF(9.5, 2.5, 3, 11), ink);
            break;
        case Glyph::Stop:
            p.fillRect(QRectF(3, 3, 10, 10), ink);
            break;
        case Glyph::Fullscreen: {
            p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            const qreal lo = 2.5, hi = 13.5, arm = 4;
            p.drawPolyline(QPolygonF{{lo, lo + arm}, {lo, lo}, {lo + arm, lo}});
            p.drawPolyline(QPolygonF{{hi - arm, lo}, {hi, lo}, {hi, lo + arm}});
            p.drawPolyline(QPolygonF{{hi, hi - arm}, {hi, hi}, {hi - arm, hi}});
            p.drawPolyline(QPolygonF{{lo + arm, hi}, {lo, hi}, {lo, hi - arm}});
            break;
        }
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
} // namespace

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

    m_pause = addButton(glyphIcon(Glyph::Play), QStringLiteral("Pause/Play"));
    m_pause->setObjectName(QStringLiteral("toolbarPause"));
    m_stop = addButton(glyphIcon(Glyph::Stop), QStringLiteral("Stop"));
    m_stop->setObjectName(QStringLiteral("toolbarStop"));
    layout->addWidget(m_pause);
    layout->addWidget(m_stop);
    layout->addStretch(1);

    m_mute = addButton(style()->standardIcon(QStyle::SP_MediaVolume), QStringLiteral("Mute"));
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
    m_volume->setAccessibleName(QStringLiteral("Volume"));
    layout->addWidget(m_volume);

    m_fullscreen = addButton(glyphIcon(Glyph::Fullscreen), QStringLiteral("Full screen"));
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

QToolButton *PlayerToolbar::addButton(const QIcon &icon, const QString &toolTip)
{
    auto *button = new QToolButton(this);
    button->setIcon(icon);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip); // the picture is all it shows; a screen reader needs words
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    // The keyboard stays with the video, where F11 and Esc are expected to work.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void PlayerToolbar::setPlaying(bool playing)
{
    m_playing = playing;
    m_pause->setIcon(glyphIcon(playing ? Glyph::Pause : Glyph::Play));
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
