#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QObject>
#include <QVariantMap>

#include <optional>

class LibVlcPlayer;
class QDBusPendingCallWatcher;

// Tells the desktop what plays, over the session bus: the MPRIS 2 media-player service (media keys
// and the desktop's media controls), and the screen saver, held only while a picture plays.
// Every call is asynchronous. Without a session bus it does nothing, and it never starts a bus.
class DesktopMedia final : public QObject {
    Q_OBJECT
public:
    static constexpr const char *ObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char *ServiceName = "org.mpris.MediaPlayer2.Norvale";

    explicit DesktopMedia(LibVlcPlayer *player);
    ~DesktopMedia() override;

    // The session bus from the environment, or the user's bus socket in the runtime directory;
    // empty when there is neither (libdbus would then try to start one under X11).
    static QString sessionBusAddress();

    bool isConnected() const { return m_bus.has_value(); }
    // The name the media-player service holds: ServiceName, or ServiceName.instance<pid> when
    // another Norvale has that; empty while it is asked for, without a bus, or when both are taken.
    QString serviceName() const { return m_serviceName; }
    // The cookie of the screen saver's inhibition this holds, if any.
    std::optional<uint> screenSaverCookie() const { return m_cookie; }

    // What the adaptors read and do.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    void raise();
    LibVlcPlayer *player() const { return m_player; }

signals:
    void serviceNameChanged(const QString &name);

private:
    void requestName(const QString &name);
    void playbackChanged();
    void announceChanges();
    void holdScreenSaver();
    void inhibitFinished(QDBusPendingCallWatcher *watcher);
    void releaseScreenSaver();

    LibVlcPlayer *m_player;
    QString m_connectionName;
    std::optional<QDBusConnection> m_bus;
    QString m_serviceName;
    // What the desktop was last told, so only changes are announced.
    QString m_announcedStatus;
    QVariantMap m_announcedMetadata;
    double m_announcedVolume = -1;
    // The track: a new identifier whenever another item starts.
    QString m_trackName;
    QString m_trackUri;
    quint64 m_track = 0;
    // The screen saver: the cookie held, an Inhibit call awaiting its answer, and a service that
    // refused, asked again only at the next picture.
    std::optional<uint> m_cookie;
    std::optional<QDBusPendingCall> m_inhibitCall;
    bool m_inhibitPending = false;
    bool m_inhibitRefused = false;
};
