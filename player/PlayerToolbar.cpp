#include "PlayerToolbar.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>

#include <algorithm>
#include <climits>

namespace {
enum class Glyph { Play, Pause, Stop, Fullscreen, Tracks };

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
        case Glyph::Tracks: // a speech bubble: languages and subtitles
            p.setPen(QPen(ink, 1.4));
            p.drawRoundedRect(QRectF(1.5, 2.5, 13, 9), 2, 2);
            p.fillRect(QRectF(4, 5.5, 8, 1.2), ink);
            p.fillRect(QRectF(4, 8, 5, 1.2), ink);
            p.drawLine(QPointF(5, 11.5), QPointF(4, 14.5));
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

QString clockText(qint64 ms, bool hours)
{
    const qint64 s = std::max<qint64>(0, ms) / 1000;
    if (hours)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// A click on the groove moves the handle there and goes on as a drag, as in most players;
// the seek itself happens when the button is released.
class SeekSlider final : public QSlider {
public:
    explicit SeekSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent) {}

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && maximum() > minimum()) {
            QStyleOptionSlider option;
            initStyleOption(&option);
            const QRect handle =
                style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
            if (!handle.contains(event->position().toPoint())) {
                const QRect groove =
                    style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
                const int x = qRound(event->position().x()) - groove.x() - handle.width() / 2;
                setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), x,
                                                         groove.width() - handle.width()));
            }
        }
        QSlider::mousePressEvent(event);
    }
};
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

    m_position = new SeekSlider(this);
    m_position->setObjectName(QStringLiteral("toolbarPosition"));
    m_position->setFocusPolicy(Qt::NoFocus);
    m_position->setToolTip(QStringLiteral("Position"));
    m_position->setAccessibleName(QStringLiteral("Position"));
    m_position->setMinimumWidth(60);
    m_position->hide();
    layout->addWidget(m_position, 100);
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("toolbarTime"));
    QPalette timePalette = m_time->palette();
    timePalette.setColor(QPalette::WindowText, QColor(0xEA, 0xEA, 0xEA));
    m_time->setPalette(timePalette);
    m_time->hide();
    layout->addWidget(m_time);
    // Fills the strip when a live stream has no slider.
    layout->addStretch(1);

    m_tracks = addButton(glyphIcon(Glyph::Tracks), QStringLiteral("Audio and subtitles"));
    m_tracks->setObjectName(QStringLiteral("toolbarTracks"));
    m_tracksMenu = new QMenu(this);
    m_tracksMenu->setObjectName(QStringLiteral("tracksMenu"));
    m_tracks->setMenu(m_tracksMenu);
    m_tracks->setPopupMode(QToolButton::InstantPopup);
    m_tracks->hide();
    layout->addWidget(m_tracks);

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
    connect(m_position, &QSlider::sliderReleased, this, [this] {
        m_positionMs = m_position->value();
        m_time->setText(timeText());
        emit seekRequested(m_positionMs);
    });
    connect(m_position, &QSlider::sliderMoved, this,
            [this](int value) { m_time->setText(timeTextAt(value)); });
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

void PlayerToolbar::setDuration(qint64 ms)
{
    if (ms == m_durationMs)
        return;
    m_durationMs = std::max<qint64>(0, ms);
    const bool shown = m_durationMs > 0;
    m_position->setVisible(shown);
    m_time->setVisible(shown);
    m_position->setRange(0, static_cast<int>(std::min<qint64>(m_durationMs, INT_MAX)));
    if (!shown)
        m_positionMs = 0;
    m_time->setText(timeText());
}

void PlayerToolbar::setPosition(qint64 ms)
{
    // The user's drag wins over the stream's clock until the button is released.
    if (m_position->isSliderDown())
        return;
    m_positionMs = std::clamp<qint64>(ms, 0, m_durationMs);
    const QSignalBlocker blocker(m_position);
    m_position->setValue(static_cast<int>(std::min<qint64>(m_positionMs, INT_MAX)));
    m_time->setText(timeText());
}

QString PlayerToolbar::timeText() const
{
    return timeTextAt(m_positionMs);
}

QString PlayerToolbar::timeTextAt(qint64 positionMs) const
{
    if (m_durationMs <= 0)
        return {};
    const bool hours = m_durationMs >= 3600000;
    return clockText(positionMs, hours) + QStringLiteral(" / ") + clockText(m_durationMs, hours);
}

void PlayerToolbar::setTracks(const QList<Track> &audio, int currentAudio, const QList<Track> &subtitles,
                              int currentSubtitles)
{
    // Unchanged (the stream reports its tracks often): an open menu stays as it is.
    if (audio == m_audio && subtitles == m_subtitles && currentAudio == m_currentAudio &&
        currentSubtitles == m_currentSubtitles)
        return;
    m_audio = audio;
    m_subtitles = subtitles;
    m_currentAudio = currentAudio;
    m_currentSubtitles = currentSubtitles;
    m_tracks->setVisible(audio.size() > 1 || !subtitles.isEmpty());
    rebuildTracksMenu();
}

void PlayerToolbar::rebuildTracksMenu()
{
    m_tracksMenu->clear();
    const auto addGroup = [this](const QString &title, const QList<Track> &tracks, int current, bool withOff,
                                 void (PlayerToolbar::*chosen)(int)) {
        m_tracksMenu->addSection(title);
        auto *group = new QActionGroup(m_tracksMenu);
        QList<Track> items = tracks;
        if (withOff)
            items.prepend({-1, QStringLiteral("Off")});
        for (const Track &track : items) {
            QAction *action = m_tracksMenu->addAction(
                track.name.isEmpty() ? QStringLiteral("Track %1").arg(track.id) : track.name);
            action->setCheckable(true);
            action->setChecked(track.id == current);
            action->setActionGroup(group);
            const int id = track.id;
            connect(action, &QAction::triggered, this, [this, chosen, id] { emit(this->*chosen)(id); });
        }
    };
    if (!m_audio.isEmpty())
        addGroup(QStringLiteral("Audio"), m_audio, m_currentAudio, false, &PlayerToolbar::audioTrackChosen);
    if (!m_subtitles.isEmpty())
        addGroup(QStringLiteral("Subtitles"), m_subtitles, m_currentSubtitles, true,
                 &PlayerToolbar::subtitlesChosen);
}
