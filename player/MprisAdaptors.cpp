#include "MprisAdaptors.h"

#include "DesktopMedia.h"
#include "LibVlcPlayer.h"
#include "shell/CommandBoundary.h"

namespace {
// The name the installed desktop entry has (packaging/), without ".desktop".
constexpr const char *kDesktopEntry = "example.brackwell.Norvale";
} // namespace

MprisRoot::MprisRoot(DesktopMedia *media) : QDBusAbstractAdaptor(media), m_media(media) {}

QString MprisRoot::identity() const
{
    return QStringLiteral("Norvale");
}

QString MprisRoot::desktopEntry() const
{
    return QLatin1String(kDesktopEntry);
}

void MprisRoot::Raise()
{
    CommandBoundary::runCommand([this] { m_media->raise(); });
}

MprisPlayer::MprisPlayer(DesktopMedia *media) : QDBusAbstractAdaptor(media), m_media(media) {}

QString MprisPlayer::playbackStatus() const
{
    return m_media->playbackStatus();
}

QVariantMap MprisPlayer::metadata() const
{
    return m_media->metadata();
}

double MprisPlayer::volume() const
{
    return m_media->volume();
}

void MprisPlayer::setVolume(double volume)
{
    CommandBoundary::runCommand([this, volume] { m_media->setVolume(volume); });
}

// The desktop's buttons are commands like the toolbar's: a failure reaches the general error box.
void MprisPlayer::Play()
{
    CommandBoundary::runCommand([this] { m_media->player()->play(); });
}

void MprisPlayer::Pause()
{
    CommandBoundary::runCommand([this] { m_media->player()->pause(); });
}

void MprisPlayer::PlayPause()
{
    CommandBoundary::runCommand([this] { m_media->player()->playOrTogglePause(); });
}

void MprisPlayer::Stop()
{
    CommandBoundary::runCommand([this] { m_media->player()->playlistStop(); });
}
