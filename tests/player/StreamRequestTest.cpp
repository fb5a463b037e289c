// What the libVLC control sends when it opens a web stream: request headers carried in the
// address after a bar, and no playback from a server whose certificate is not valid.

#include "../net/TestServer.h"
#include "LibVlcPlayer.h"
#include "StreamAddress.h"
#include "loading/HttpClient.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QString kClip = QStringLiteral(NORVALE_TEST_DATA "/player/clip.mp4");
const QStringList kHeadless =
    LibVlcPlayer::defaultArguments() + QStringList{"--vout=dummy", "--aout=dummy", "--avcodec-hw=none"};
constexpr int kEventTimeoutMs = 15000;
} // namespace

class StreamRequestTest final : public QObject {
    Q_OBJECT
private:
    TestServer server;

    QString mediaPath() const { return QStringLiteral("/media?path=") + QUrl::toPercentEncoding(kClip); }

    // Plays `uri` and waits for the first playing or error event: "playing", "error" or "none".
    static QString firstEvent(const QString &uri)
    {
        QWidget window;
        auto *player = new LibVlcPlayer(&window, kHeadless);
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy failed(player, &PlayerControl::MediaPlayerEncounteredError);
        player->playlistPlayItem(player->playlistAdd(uri, QStringLiteral("Channel")));
        (void)QTest::qWaitFor([&] { return !playing.isEmpty() || !failed.isEmpty(); }, kEventTimeoutMs);
        player->playlistStop();
        return !playing.isEmpty()  ? QStringLiteral("playing")
               : !failed.isEmpty() ? QStringLiteral("error")
                                   : QStringLiteral("none");
    }

    QMap<QString, QString> lastMediaHeaders()
    {
        const HttpResponse response = HttpClient().get(server.httpUrl(QStringLiteral("/last-media-headers")));
        QMap<QString, QString> headers;
        for (const QByteArray &line : response.body.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                headers.insert(QString::fromLatin1(line.left(colon)).toLower(),
                               QString::fromUtf8(line.mid(colon + 1).trimmed()));
        }
        return headers;
    }

private slots:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1");
        qputenv("NO_PROXY", "127.0.0.1");
        const QString error = server.start(true);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void addressSplitsIntoUrlAndHeaders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("userAgent");
        QTest::addColumn<QString>("referrer");
        QTest::newRow("plain") << "http://h/live.m3u8"
                               << "http://h/live.m3u8"
                               << ""
                               << "";
        QTest::newRow("both, encoded")
            << "http://h/a.ts|User-Agent=Mozilla%2F5.0%20(X11)&Referer=https%3A%2F%2Fsite.example%2F"
            << "http://h/a.ts"
            << "Mozilla/5.0 (X11)"
            << "https://site.example/";
        QTest::newRow("names in other case, others ignored")
            << "http://h/a.ts|user-agent=UA&Cookie=x&referer=R"
            << "http://h/a.ts"
            << "UA"
            << "R";
        QTest::newRow("bar with nothing usable") << "http://h/a.ts|"
                                                 << "http://h/a.ts"
                                                 << ""
                                                 << "";
        QTest::newRow("query kept before the bar") << "http://h/a.ts?token=1&b=2|Referer=R"
                                                   << "http://h/a.ts?token=1&b=2"
                                                   << ""
                                                   << "R";
    }
    void addressSplitsIntoUrlAndHeaders()
    {
        QFETCH(QString, text);
        QFETCH(QString, url);
        QFETCH(QString, userAgent);
        QFETCH(QString, referrer);
        const StreamAddress address = StreamAddress::parse(text);
        QCOMPARE(address.url, url);
        QCOMPARE(address.userAgent, userAgent);
        QCOMPARE(address.referrer, referrer);
    }

    void headersOfTheAddressAreSent()
    {
        QCOMPARE(firstEvent(server.httpUrl(mediaPath()) +
                            QStringLiteral(
                                "|User-Agent=Norvale%2F2%20Test&Referer=http%3A%2F%2Freferrer.example%2Fpage"
                                "&Cookie=session%3D1")),
                 QStringLiteral("playing"));
        const QMap<QString, QString> headers = lastMediaHeaders();
        QCOMPARE(headers.value(QStringLiteral("user-agent")), QStringLiteral("Norvale/2 Test"));
        QCOMPARE(headers.value(QStringLiteral("referer")), QStringLiteral("http://referrer.example/page"));
        QVERIFY(!headers.contains(QStringLiteral("cookie")));
    }

    void withoutHeadersThePlayersOwnAreSent()
    {
        QCOMPARE(firstEvent(server.httpUrl(mediaPath())), QStringLiteral("playing"));
        const QMap<QString, QString> headers = lastMediaHeaders();
        QVERIFY(!headers.value(QStringLiteral("user-agent")).isEmpty());
        QVERIFY(!headers.value(QStringLiteral("user-agent")).contains(QStringLiteral("Norvale/2")));
        QVERIFY(!headers.contains(QStringLiteral("referer")));
    }

    // The same clip from the same server, but over TLS with a certificate nobody vouches for.
    void invalidCertificateNeverPlays()
    {
        QCOMPARE(firstEvent(server.httpsUrl(mediaPath())), QStringLiteral("error"));
    }
};

QTEST_MAIN(StreamRequestTest)
#include "StreamRequestTest.moc"
