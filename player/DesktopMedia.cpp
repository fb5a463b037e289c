#include "DesktopMedia.h"

#include "LibVlcPlayer.h"
#include "MprisAdaptors.h"
#include "VideoArea.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {
constexpr const char *kScreenSaverService = "org.freedesktop.ScreenSaver";
constexpr const char *kScreenSaverPath = "/org/freedesktop/ScreenSaver";
constexpr const char *kPropertiesInterface = "org.freedesktop.DBus.Properties";
constexpr const char *kPlayerInterface = "org.mpris.MediaPlayer2.Player";
// RequestName's flag and answers (the D-Bus specification's numbers).
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;
constexpr int kCallTimeoutMs = 5000;

QString nextConnectionName()
{
    // One connection per control, so each one's name and object go with it.
    static std::atomic<int> counter{0};
    return QStringLiteral("norvale-desktop-%1").arg(++counter);
}
} // namespace

DesktopMedia::DesktopMedia(LibVlcPlayer *player) : QObject(player), m_player(player)
{
    const QString address = sessionBusAddress();
    if (address.isEmpty())
        return;
    m_connectionName = nextConnectionName();
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_connectionName);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(m_connectionName);
        return;
    }
    m_bus = bus;
    new MprisRoot(this);
    new MprisPlayer(this);
    // The object is there before its name appears, so a client that sees the name finds it.
    m_bus->registerObject(QLatin1String(ObjectPath), this, QDBusConnection::ExportAdaptors);
    requestName(QLatin1String(ServiceName));

    connect(player, &LibVlcPlayer::playbackChanged, this, &DesktopMedia::playbackChanged);
    connect(player, &LibVlcPlayer::volumeSet, this, &DesktopMedia::announceChanges);
    m_announcedStatus = playbackStatus();
    m_announcedMetadata = metadata();
    m_announcedVolume = volume();
}

DesktopMedia::~DesktopMedia()
{
    if (!m_bus)
        return;
    // Sent before the connection closes, which lets the name go. An inhibition whose cookie is
    // still on its way is waited for (at most the call's time-out), so it goes back as well.
    if (m_inhibitPending && m_inhibitCall) {
        m_inhibitCall->waitForFinished();
        const QDBusPendingReply<uint> reply = *m_inhibitCall;
        if (!reply.isError())
            m_cookie = reply.value();
    }
    releaseScreenSaver();
    m_bus->unregisterObject(QLatin1String(ObjectPath));
    m_bus.reset();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QString DesktopMedia::sessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address.contains(QLatin1String("autolaunch:")) ? QString() : address;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtimeDir.isEmpty())
        return {};
    const QString socket = runtimeDir + QLatin1String("/bus");
    if (!QFileInfo::exists(socket))
        return {};
    return QLatin1String("unix:path=") + socket;
}

void DesktopMedia::requestName(const QString &name)
{
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << name << kDoNotQueue;
    auto *watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(request, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, name](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (!reply.isError() && (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner)) {
            m_serviceName = name;
            emit serviceNameChanged(name);
        } else if (name == QLatin1String(ServiceName)) {
            // Another Norvale plays already: this one is a second player, as MPRIS names them.
            requestName(name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()));
        }
        // Both taken (a second control in the same program): the screen saver is still held.
    });
}

QString DesktopMedia::playbackStatus() const
{
    // Opening and reconnecting count as playing: the user asked for the stream and the player is
    // bringing it, so the desktop offers Pause and Stop as the toolbar does.
    switch (m_player->playback()) {
    case LibVlcPlayer::Playback::Opening:
    case LibVlcPlayer::Playback::Playing:
    case LibVlcPlayer::Playback::Reconnecting:
        return QStringLiteral("Playing");
    case LibVlcPlayer::Playback::Paused:
        return QStringLiteral("Paused");
    case LibVlcPlayer::Playback::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap DesktopMedia::metadata() const
{
    if (m_track == 0)
        return {};
    return {
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(
             QDBusObjectPath(QStringLiteral("/example/brackwell/Norvale/track/%1").arg(m_track)))},
        {QStringLiteral("xesam:title"), m_trackName},
        {QStringLiteral("xesam:url"), m_trackUri},
    };
}

double DesktopMedia::volume() const
{
    return m_player->Volume() / 100.0;
}

void DesktopMedia::setVolume(double volume)
{
    // 1.0 is 100 %; the toolbar goes up to 200 %.
    if (!std::isfinite(volume))
        return;
    m_player->setVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 2.0) * 100)));
    announceChanges();
}

void DesktopMedia::raise()
{
    QWidget *window = m_player->window();
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    // In full screen the video has a window of its own over the main one.
    if (m_player->videoFullscreen()) {
        QWidget *video = m_player->videoArea()->window();
        video->raise();
        video->activateWindow();
    }
}

void DesktopMedia::playbackChanged()
{
    if (m_player->currentName() != m_trackName || m_player->currentUri() != m_trackUri ||
        (m_track == 0 && m_player->playback() != LibVlcPlayer::Playback::Stopped)) {
        m_trackName = m_player->currentName();
        m_trackUri = m_player->currentUri();
        ++m_track;
    }
    announceChanges();
    holdScreenSaver();
}

void DesktopMedia::announceChanges()
{
    if (!m_bus)
        return;
    QVariantMap changed;
    if (const QString status = playbackStatus(); status != m_announcedStatus) {
        m_announcedStatus = status;
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    }
    if (const QVariantMap data = metadata(); data != m_announcedMetadata) {
        m_announcedMetadata = data;
        changed.insert(QStringLiteral("Metadata"), data);
    }
    if (const double level = volume(); level != m_announcedVolume) {
        m_announcedVolume = level;
        changed.insert(QStringLiteral("Volume"), level);
    }
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QLatin1String(ObjectPath), QLatin1String(kPropertiesInterface), QStringLiteral("PropertiesChanged"));
    signal << QLatin1String(kPlayerInterface) << changed << QStringList();
    m_bus->send(signal);
}

void DesktopMedia::holdScreenSaver()
{
    if (!m_bus)
        return;
    const bool wanted = m_player->picturePlaying();
    if (!wanted) {
        m_inhibitRefused = false;
        releaseScreenSaver();
        return;
    }
    // One inhibition at a time; a late answer is dealt with when it comes.
    if (m_cookie || m_inhibitPending || m_inhibitRefused)
        return;
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(QLatin1String(kScreenSaverService), QLatin1String(kScreenSaverPath),
                                       QLatin1String(kScreenSaverService), QStringLiteral("Inhibit"));
    inhibit << QCoreApplication::applicationName() << QStringLiteral("Playing video");
    m_inhibitPending = true;
    m_inhibitCall = m_bus->asyncCall(inhibit, kCallTimeoutMs);
    auto *watcher = new QDBusPendingCallWatcher(*m_inhibitCall, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopMedia::inhibitFinished);
}

void DesktopMedia::inhibitFinished(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    m_inhibitPending = false;
    m_inhibitCall.reset();
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        // No screen saver on this desktop, or it said no: nothing to tell the user.
        m_inhibitRefused = true;
        holdScreenSaver();
        return;
    }
    m_cookie = reply.value();
    // The picture may have stopped while the answer was on its way: then the cookie goes back.
    holdScreenSaver();
}

void DesktopMedia::releaseScreenSaver()
{
    if (!m_cookie)
        return;
    QDBusMessage uninhibit =
        QDBusMessage::createMethodCall(QLatin1String(kScreenSaverService), QLatin1String(kScreenSaverPath),
                                       QLatin1String(kScreenSaverService), QStringLiteral("UnInhibit"));
    uninhibit << *m_cookie;
    m_cookie.reset();
    // The answer carries nothing; nobody waits for it.
    uninhibit.setAutoStartService(false);
    m_bus->send(uninhibit);
}
