// The desktop's side of playback on a private session bus (the test runs under dbus-run-session):
// a fake screen saver sees the inhibition taken only while a picture plays, and an MPRIS client on
// a connection of its own reads the state, hears its changes and drives the player. Without a
// session bus the player plays as before and says nothing.

#include "DesktopMedia.h"
#include "../net/TestServer.h"
#include "LibVlcPlayer.h"
#include "VideoArea.h"
#include "loading/HttpClient.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <memory>
#include <unistd.h>

namespace {
const QString kClip = QStringLiteral(NORVALE_TEST_DATA "/player/clip.mp4");
const QString kLive = QStringLiteral(NORVALE_TEST_DATA "/player/live.ts");
// Three seconds of sound and no picture, as a radio channel: ffmpeg -f lavfi -i
// sine=frequency=440:sample_rate=22050 -t 3 -c:a aac -b:a 16k -ac 1 radio.m4a
const QString kRadio = QStringLiteral(NORVALE_TEST_DATA "/player/radio.m4a");
const QStringList kHeadless =
    LibVlcPlayer::defaultArguments() + QStringList{"--vout=dummy", "--aout=dummy", "--avcodec-hw=none"};
constexpr int kEventTimeoutMs = 10000;
const QString kMpris = QLatin1String(DesktopMedia::ServiceName);
const QString kPath = QLatin1String(DesktopMedia::ObjectPath);
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// The test's own end of the bus, apart from the player's connection.
QDBusConnection client()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake"));
}
} // namespace

// org.freedesktop.ScreenSaver as a desktop offers it, keeping what it was asked. With `delayed`
// set, Inhibit answers only when answerLater() is called, as a slow service would.
class FakeScreenSaver final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList applications;
    QStringList reasons;
    QList<uint> released;
    QSet<uint> held;
    bool delayed = false;
    QList<QDBusMessage> unanswered;

    void answerLater()
    {
        for (const QDBusMessage &call : std::as_const(unanswered))
            client().send(call.createReply(take()));
        unanswered.clear();
    }

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        applications << application;
        reasons << reason;
        if (delayed) {
            setDelayedReply(true);
            unanswered << message();
            return 0;
        }
        return take();
    }
    void UnInhibit(uint cookie)
    {
        released << cookie;
        held.remove(cookie);
    }

private:
    uint take()
    {
        held.insert(m_next);
        return m_next++;
    }
    uint m_next = 41;
};

class DesktopMediaTest final : public QObject {
    Q_OBJECT
private:
    QTemporaryDir runtimeDir;
    TestServer server;
    std::unique_ptr<FakeScreenSaver> saver;
    std::unique_ptr<QWidget> window;
    LibVlcPlayer *player = nullptr;
    // What the client heard: the changed properties of each PropertiesChanged of the player.
    QList<QVariantMap> changes;

    static bool hasBus() { return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"); }
    static bool withoutBus()
    {
        return qstrcmp(QTest::currentTestFunction(), "withoutASessionBusNothingIsSaid") == 0;
    }
    DesktopMedia *desktop() const { return player->findChild<DesktopMedia *>(); }

    static QVariant unwrap(const QVariant &value)
    {
        // Maps arrive still marshalled; everything else as its own type.
        if (value.canConvert<QDBusArgument>())
            return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
        return value;
    }
    QDBusMessage call(const QString &interface, const QString &method, const QVariantList &arguments = {},
                      const QString &service = kMpris)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, kPath, interface, method);
        message.setArguments(arguments);
        // The player answers on this thread, so the call must keep the event loop running.
        return client().call(message, QDBus::BlockWithGui, kEventTimeoutMs);
    }
    QVariant property(const QString &interface, const QString &name)
    {
        const QDBusMessage reply =
            call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {};
        return unwrap(reply.arguments().value(0).value<QDBusVariant>().variant());
    }
    QVariantMap metadata() { return property(kPlayer, QStringLiteral("Metadata")).toMap(); }
    QString status() { return property(kPlayer, QStringLiteral("PlaybackStatus")).toString(); }
    // The last value the client was told of a property, or nothing.
    QVariant lastChange(const QString &name) const
    {
        for (auto it = changes.crbegin(); it != changes.crend(); ++it) {
            if (it->contains(name))
                return it->value(name);
        }
        return {};
    }

    std::unique_ptr<QWidget> newPlayerWindow(LibVlcPlayer **created)
    {
        auto w = std::make_unique<QWidget>();
        w->resize(640, 400);
        *created = new LibVlcPlayer(w.get(), kHeadless);
        (*created)->setGeometry(10, 10, 480, 270);
        w->show();
        return w;
    }
    void playClip(const QString &name = QStringLiteral("Channel One"), const QString &uri = kClip)
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        player->playlistItemsClear();
        player->playlistPlayItem(player->playlistAdd(uri, name));
        QVERIFY(playing.wait(kEventTimeoutMs));
    }
    void dropLiveStream(double seconds)
    {
        const HttpResponse r =
            HttpClient().get(server.httpUrl(QStringLiteral("/drop?seconds=%1").arg(seconds)));
        QCOMPARE(r.statusCode, 200);
    }
    void waitFor(LibVlcPlayer::Playback playback)
    {
        QTRY_VERIFY_WITH_TIMEOUT(player->playback() == playback, kEventTimeoutMs);
    }

private slots:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface != kPlayer)
            return;
        QVariantMap values;
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            values.insert(it.key(), unwrap(it.value()));
        changes << values;
    }

    void initTestCase()
    {
        // A desktop session has a private runtime directory; audio clients complain without one.
        QVERIFY(runtimeDir.isValid());
        QFile::setPermissions(runtimeDir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
        // The run without a bus must not meet one first: libdbus keeps the first address it found.
        if (!hasBus())
            return;
        qputenv("no_proxy", "127.0.0.1");
        qputenv("NO_PROXY", "127.0.0.1");
        const QString error = server.start(false);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(client().isConnected());
        QVERIFY(client().connect(QString(), kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                 QStringLiteral("PropertiesChanged"), this,
                                 SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    }
    void init()
    {
        changes.clear();
        if (withoutBus())
            return;
        QVERIFY2(hasBus(), "run under dbus-run-session");
        saver = std::make_unique<FakeScreenSaver>();
        QVERIFY(client().registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), saver.get(),
                                        QDBusConnection::ExportAllSlots));
        QVERIFY(client().registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        window = newPlayerWindow(&player);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(desktop());
        QTRY_COMPARE_WITH_TIMEOUT(desktop()->serviceName(), kMpris, kEventTimeoutMs);
    }
    void cleanup()
    {
        window.reset();
        if (withoutBus())
            return;
        // The player's name is gone with it, so the next one gets it again.
        QTRY_VERIFY_WITH_TIMEOUT(!client().interface()->isServiceRegistered(kMpris), kEventTimeoutMs);
        client().unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
        client().unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        saver.reset();
    }

    void screenSaverIsHeldOnlyWhileAPicturePlays()
    {
        playClip();
        // A picture shows only once libVLC has opened its video output.
        QTRY_VERIFY_WITH_TIMEOUT(player->picturePlaying(), kEventTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(saver->held.size(), 1, kEventTimeoutMs);
        QCOMPARE(saver->applications, QStringList{QCoreApplication::applicationName()});
        QVERIFY(!saver->reasons.value(0).isEmpty());
        const uint first = *saver->held.cbegin();
        QTRY_COMPARE_WITH_TIMEOUT(desktop()->screenSaverCookie(), std::optional<uint>(first),
                                  kEventTimeoutMs);

        player->pause();
        QTRY_COMPARE_WITH_TIMEOUT(saver->released, QList<uint>{first}, kEventTimeoutMs);
        QVERIFY(saver->held.isEmpty());

        player->play();
        QTRY_COMPARE_WITH_TIMEOUT(saver->held.size(), 1, kEventTimeoutMs);
        QCOMPARE(saver->applications.size(), 2);

        player->playlistStop();
        QTRY_VERIFY_WITH_TIMEOUT(saver->held.isEmpty(), kEventTimeoutMs);
        QCOMPARE(saver->released.size(), 2);
        QVERIFY(!desktop()->screenSaverCookie());

        // Closing the program while a picture plays lets the screen saver go as well.
        playClip();
        QTRY_COMPARE_WITH_TIMEOUT(saver->held.size(), 1, kEventTimeoutMs);
        window.reset();
        QTRY_VERIFY_WITH_TIMEOUT(saver->held.isEmpty(), kEventTimeoutMs);
        QCOMPARE(saver->applications.size(), 3);
        QCOMPARE(saver->released.size(), 3);
    }

    void theScreenSaverIsLetGoWhenThePictureStops_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<double>("dropFor");
        QTest::addColumn<LibVlcPlayer::Playback>("after");
        QTest::addColumn<bool>("heldAgain");
        const QString live =
            server.httpUrl(QStringLiteral("/live?rate=60000&path=") + QUrl::toPercentEncoding(kLive));
        // dropFor 0: the clip plays to its end.
        QTest::newRow("clip ended") << kClip << 0.0 << LibVlcPlayer::Playback::Stopped << false;
        QTest::newRow("live stream dropped and back")
            << live << 0.5 << LibVlcPlayer::Playback::Reconnecting << true;
        QTest::newRow("live stream gone") << live << 60.0 << LibVlcPlayer::Playback::Reconnecting << false;
    }
    void theScreenSaverIsLetGoWhenThePictureStops()
    {
        QFETCH(QString, uri);
        QFETCH(double, dropFor);
        QFETCH(LibVlcPlayer::Playback, after);
        QFETCH(bool, heldAgain);
        dropLiveStream(0);
        player->setReconnectScaleForTesting(0.1);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        playClip(QStringLiteral("Channel"), uri);
        QTRY_COMPARE_WITH_TIMEOUT(saver->held.size(), 1, kEventTimeoutMs);
        QList<LibVlcPlayer::Playback> seen;
        QObject listening;
        connect(player, &LibVlcPlayer::playbackChanged, &listening, [&] { seen << player->playback(); });
        if (dropFor > 0)
            dropLiveStream(dropFor);
        QTRY_COMPARE_WITH_TIMEOUT(saver->released.size(), 1, kEventTimeoutMs);
        QVERIFY(seen.contains(after));
        if (heldAgain) {
            // Back on the air: a picture again, so the screen saver is held again.
            QTRY_COMPARE_WITH_TIMEOUT(playing.count(), 2, kEventTimeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(saver->held.size(), 1, kEventTimeoutMs);
            QCOMPARE(saver->applications.size(), 2);
        } else if (dropFor > 0) {
            // Every try failed: an error, and the screen saver was never taken again.
            QVERIFY(errors.wait(kEventTimeoutMs));
            QCOMPARE(player->playback(), LibVlcPlayer::Playback::Stopped);
            QVERIFY(saver->held.isEmpty());
            QCOMPARE(saver->applications.size(), 1);
        } else {
            QCOMPARE(player->playback(), after);
            QVERIFY(saver->held.isEmpty());
            QCOMPARE(errors.count(), 0);
        }
        dropLiveStream(0);
    }

    void soundWithoutAPictureLeavesTheScreenSaverAlone()
    {
        playClip(QStringLiteral("Radio"), kRadio);
        QCOMPARE(player->playback(), LibVlcPlayer::Playback::Playing);
        QVERIFY(!player->picturePlaying());
        // Calls on one connection arrive in order: had the radio asked, its call would come first.
        playClip(QStringLiteral("Television"), kClip);
        QTRY_COMPARE_WITH_TIMEOUT(saver->held.size(), 1, kEventTimeoutMs);
        QCOMPARE(saver->applications.size(), 1);
        QVERIFY(saver->released.isEmpty());
    }

    void aLateCookieIsGivenBack_data()
    {
        QTest::addColumn<bool>("resumed");
        QTest::newRow("paused before the answer") << false;
        QTest::newRow("paused and resumed before the answer") << true;
    }
    void aLateCookieIsGivenBack()
    {
        QFETCH(bool, resumed);
        saver->delayed = true;
        playClip();
        QTRY_COMPARE_WITH_TIMEOUT(saver->unanswered.size(), 1, kEventTimeoutMs);
        player->pause();
        waitFor(LibVlcPlayer::Playback::Paused);
        if (resumed) {
            player->play();
            QTRY_VERIFY_WITH_TIMEOUT(player->picturePlaying(), kEventTimeoutMs);
        }
        saver->answerLater();
        if (resumed) {
            // The one inhibition asked for is kept: the picture plays again.
            QTRY_VERIFY_WITH_TIMEOUT(desktop()->screenSaverCookie().has_value(), kEventTimeoutMs);
            QCOMPARE(saver->held.size(), 1);
            QCOMPARE(saver->applications.size(), 1);
            QVERIFY(saver->released.isEmpty());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(saver->released.size(), 1, kEventTimeoutMs);
            QVERIFY(saver->held.isEmpty());
            QVERIFY(!desktop()->screenSaverCookie());
        }
    }

    void theMediaPlayerIsDescribed()
    {
        const QDBusMessage reply =
            call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"), {kRoot});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        const QVariantMap root = unwrap(reply.arguments().value(0)).toMap();
        QCOMPARE(root.value("Identity").toString(), QStringLiteral("Norvale"));
        QCOMPARE(root.value("DesktopEntry").toString(), QStringLiteral("example.brackwell.Norvale"));
        QCOMPARE(root.value("CanRaise"), QVariant(true));
        QCOMPARE(root.value("CanQuit"), QVariant(false));
        QCOMPARE(root.value("HasTrackList"), QVariant(false));
        QVERIFY(root.contains("SupportedUriSchemes"));
        QVERIFY(root.contains("SupportedMimeTypes"));

        const struct {
            const char *name;
            QVariant value;
        } expected[] = {
            {"CanPlay", true},
            {"CanPause", true},
            {"CanControl", true},
            {"CanSeek", false},
            {"CanGoNext", false},
            {"CanGoPrevious", false},
            {"Rate", 1.0},
            {"MinimumRate", 1.0},
            {"MaximumRate", 1.0},
            {"Volume", 1.0},
            {"PlaybackStatus", "Stopped"},
        };
        for (const auto &e : expected)
            QCOMPARE(property(kPlayer, QLatin1String(e.name)), e.value);
        // Nothing played yet: no track.
        QVERIFY(metadata().isEmpty());
    }

    void theClientSeesWhatPlays()
    {
        playClip(QStringLiteral("Channel One"));
        QCOMPARE(status(), QStringLiteral("Playing"));
        const QVariantMap data = metadata();
        QCOMPARE(data.value("xesam:title").toString(), QStringLiteral("Channel One"));
        QCOMPARE(data.value("xesam:url").toString(), kClip);
        const QString track = data.value("mpris:trackid").value<QDBusObjectPath>().path();
        QVERIFY2(track.startsWith('/') && track != "/org/mpris/MediaPlayer2/TrackList/NoTrack",
                 qPrintable(track));
        QTRY_COMPARE_WITH_TIMEOUT(lastChange("PlaybackStatus").toString(), QStringLiteral("Playing"),
                                  kEventTimeoutMs);
        QCOMPARE(lastChange("Metadata").toMap(), data);

        player->pause();
        QTRY_COMPARE_WITH_TIMEOUT(lastChange("PlaybackStatus").toString(), QStringLiteral("Paused"),
                                  kEventTimeoutMs);
        QCOMPARE(status(), QStringLiteral("Paused"));

        // Another channel: a new track with its own name and address.
        playClip(QStringLiteral("Channel Two"));
        QTRY_COMPARE_WITH_TIMEOUT(lastChange("Metadata").toMap().value("xesam:title").toString(),
                                  QStringLiteral("Channel Two"), kEventTimeoutMs);
        QVERIFY(metadata().value("mpris:trackid").value<QDBusObjectPath>().path() != track);

        player->playlistStop();
        QTRY_COMPARE_WITH_TIMEOUT(lastChange("PlaybackStatus").toString(), QStringLiteral("Stopped"),
                                  kEventTimeoutMs);
        QCOMPARE(status(), QStringLiteral("Stopped"));
        // Each change is told once.
        int told = 0;
        for (const QVariantMap &change : std::as_const(changes))
            told += change.value("PlaybackStatus").toString() == QLatin1String("Stopped");
        QCOMPARE(told, 1);
    }

    void theClientDrivesThePlayer()
    {
        playClip();
        const struct {
            const char *method;
            LibVlcPlayer::Playback after;
        } steps[] = {
            {"Pause", LibVlcPlayer::Playback::Paused},      {"Pause", LibVlcPlayer::Playback::Paused},
            {"PlayPause", LibVlcPlayer::Playback::Playing}, {"Play", LibVlcPlayer::Playback::Playing},
            {"Stop", LibVlcPlayer::Playback::Stopped},      {"Play", LibVlcPlayer::Playback::Playing},
            {"PlayPause", LibVlcPlayer::Playback::Paused},  {"Play", LibVlcPlayer::Playback::Playing},
            {"Stop", LibVlcPlayer::Playback::Stopped},      {"PlayPause", LibVlcPlayer::Playback::Playing},
        };
        for (const auto &step : steps) {
            QCOMPARE(call(kPlayer, QLatin1String(step.method)).type(), QDBusMessage::ReplyMessage);
            QTRY_VERIFY2_WITH_TIMEOUT(player->playback() == step.after, step.method, kEventTimeoutMs);
        }
        // The buttons the player has not got answer and change nothing.
        for (const char *method : {"Next", "Previous", "Quit"}) {
            const QString interface = QLatin1String(method) == QLatin1String("Quit") ? kRoot : kPlayer;
            QCOMPARE(call(interface, QLatin1String(method)).type(), QDBusMessage::ReplyMessage);
        }
        QCOMPARE(call(kPlayer, "Seek", {qlonglong(5000000)}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(player->playback(), LibVlcPlayer::Playback::Playing);
        QVERIFY(window->isVisible());

        // Volume: 1.0 is the toolbar's 100 %.
        const QDBusMessage set =
            call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                 {kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.5))});
        QCOMPARE(set.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(player->Volume(), 50);
        QTRY_COMPARE_WITH_TIMEOUT(lastChange("Volume"), QVariant(0.5), kEventTimeoutMs);
        // A change made in the window is announced too.
        QTest::keyClick(player->videoArea()->videoWidget(), Qt::Key_Up);
        QCOMPARE(player->Volume(), 55);
        QTRY_COMPARE_WITH_TIMEOUT(lastChange("Volume"), QVariant(0.55), kEventTimeoutMs);
    }

    void raiseBringsTheWindowUp()
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        window->showMinimized();
        QTRY_VERIFY(window->isMinimized());
        QCOMPARE(call(kRoot, QStringLiteral("Raise")).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(window->isActiveWindow(), kEventTimeoutMs);
        QVERIFY(!window->isMinimized());
        QVERIFY(window->isVisible());
    }

    void aSecondPlayerTakesAnInstanceName()
    {
        LibVlcPlayer *second = nullptr;
        auto secondWindow = newPlayerWindow(&second);
        const QString instance =
            kMpris + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        QTRY_COMPARE_WITH_TIMEOUT(second->findChild<DesktopMedia *>()->serviceName(), instance,
                                  kEventTimeoutMs);
        // Both names are served, each by its own player.
        {
            QSignalSpy playing(second, &PlayerControl::MediaPlayerPlaying);
            second->playlistPlayItem(second->playlistAdd(kClip, QStringLiteral("Second")));
            QVERIFY(playing.wait(kEventTimeoutMs));
        }
        QCOMPARE(call(kPlayer, "Pause", {}, instance).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(second->playback() == LibVlcPlayer::Playback::Paused, kEventTimeoutMs);
        QCOMPARE(status(), QStringLiteral("Stopped"));
    }

    void withoutASessionBusNothingIsSaid()
    {
        // A machine without a desktop session: no bus address, an empty runtime directory, but an
        // X display, under which libdbus would run dbus-launch to start a bus of its own. A
        // dbus-launch first on the path notes that it was started.
        if (hasBus())
            QSKIP("runs as DesktopMediaNoBusTest: libdbus keeps the bus address it found first");
        QTemporaryDir runtimeDir;
        QTemporaryDir bin;
        QVERIFY(runtimeDir.isValid() && bin.isValid());
        const QString launched = bin.filePath(QStringLiteral("launched"));
        QFile launcher(bin.filePath(QStringLiteral("dbus-launch")));
        QVERIFY(launcher.open(QIODevice::WriteOnly));
        launcher.write("#!/bin/sh\ntouch '" + QFile::encodeName(launched) + "'\nexit 1\n");
        launcher.close();
        QVERIFY(launcher.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QStringList names{"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "DISPLAY", "PATH"};
        QMap<QString, std::optional<QByteArray>> saved;
        for (const QString &name : names)
            saved[name] = qEnvironmentVariableIsSet(qPrintable(name))
                              ? std::optional(qgetenv(qPrintable(name)))
                              : std::nullopt;
        const auto restore = qScopeGuard([&] {
            for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
                if (it.value())
                    qputenv(qPrintable(it.key()), *it.value());
                else
                    qunsetenv(qPrintable(it.key()));
            }
        });
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
        qputenv("DISPLAY", ":77");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + saved["PATH"].value_or(QByteArray()));

        QTemporaryFile captured;
        QVERIFY(captured.open());
        fflush(stderr);
        const int savedStderr = dup(STDERR_FILENO);
        QVERIFY(savedStderr >= 0);
        QVERIFY(dup2(captured.handle(), STDERR_FILENO) >= 0);
        bool connected = true;
        bool played = false;
        bool paused = false;
        {
            window = newPlayerWindow(&player);
            connected = desktop()->isConnected();
            QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
            player->playlistPlayItem(player->playlistAdd(kClip, QStringLiteral("Channel One")));
            played =
                playing.wait(kEventTimeoutMs) && QTest::qWaitFor([this] { return player->picturePlaying(); });
            player->pause();
            paused = QTest::qWaitFor([this] { return player->playback() == LibVlcPlayer::Playback::Paused; });
            player->playlistStop();
            window.reset();
        }
        fflush(stderr);
        dup2(savedStderr, STDERR_FILENO);
        close(savedStderr);
        QVERIFY(!connected);
        QVERIFY(played);
        QVERIFY(paused);
        QVERIFY2(!QFile::exists(launched), "a session bus was started");
        captured.seek(0);
        const QByteArray written = captured.readAll();
        QVERIFY2(written.isEmpty(), written.left(2000).constData());
    }
};

QTEST_MAIN(DesktopMediaTest)
#include "DesktopMediaTest.moc"
