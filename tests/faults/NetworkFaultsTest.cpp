// Servers that misbehave, on 127.0.0.1: a body cut off, 100 MB dribbled out, a corrupt gzip
// body, a redirect loop, a redirect to a closed port, a certificate for another host. Each load
// ends with its message and an empty channel list, and the same client then loads a good list.

#include "FaultTestUtil.h"
#include "TestServer.h"

#include "channels/ChannelListModel.h"
#include "channels/M3UReader.h"
#include "loading/BodyDecoder.h"
#include "loading/HttpClient.h"
#include "sources/TextCodecs.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <functional>
#include <string>

namespace {

// How a load of a web source ends, taken through the steps the main window takes: the request,
// the status, inflation, decoding and parsing into an emptied channel list.
struct LoadOutcome {
    // "error: <message>" or "information: <message>" for the window's own boxes, "failure:
    // <message>" for a failure left to the general handler, empty when nothing is shown.
    QString box;
    int rows = 0; // rows of the channel list afterwards
    qsizetype bodyBytes = 0;
};

LoadOutcome load(HttpClient &client, ChannelListModel &list, const QString &url)
{
    LoadOutcome outcome;
    clearChannels(list);
    const HttpResponse response = client.get(url);
    outcome.bodyBytes = response.body.size();
    if (!response.ok) {
        outcome.box = QStringLiteral("error: ") + response.errorMessage;
    } else if (response.statusCode != 200) {
        outcome.box = QStringLiteral("information: Playlist could not be loaded.");
    } else {
        QString inflateError;
        const std::optional<QByteArray> body =
            inflateBody(response.body, response.contentEncoding, &inflateError);
        const std::optional<QString> content = body ? decodePlaylistBody(url, *body) : std::nullopt;
        if (!body)
            outcome.box = QStringLiteral("failure: ") + inflateError;
        else if (!content)
            outcome.box = QStringLiteral("failure: ") + QLatin1String(kNoMappingMessage);
        else
            ParseM3UContent(list, *content);
    }
    outcome.rows = list.count();
    return outcome;
}

struct FaultCase {
    const char *name;
    std::function<QString(const TestServer &)> url;
    QString box; // what the user is shown, a regular expression matched whole
};

void PrintTo(const FaultCase &c, std::ostream *out)
{
    *out << c.name;
}

class NetworkFaultTest : public testing::TestWithParam<FaultCase> {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "test_faults_network";
        static char *argv[] = {name, nullptr};
        s_app = new QCoreApplication(argc, argv);
        s_server = new TestServer;
        s_startError = s_server->start(false);
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        delete s_app;
    }

    static QCoreApplication *s_app;
    static TestServer *s_server;
    static QString s_startError;
};

QCoreApplication *NetworkFaultTest::s_app = nullptr;
TestServer *NetworkFaultTest::s_server = nullptr;
QString NetworkFaultTest::s_startError;

void expectGoesOnNormally(HttpClient &client, ChannelListModel &list, const TestServer &server)
{
    const LoadOutcome next = load(client, list, server.httpUrl(QStringLiteral("/encoded/gzip?coding=gzip")));
    EXPECT_EQ(next.box, QString());
    ASSERT_EQ(next.rows, 1);
    EXPECT_EQ(list.text(0), QStringLiteral("Café Télé"));
}

TEST_P(NetworkFaultTest, ShowsItsMessageLeavesTheListEmptyAndGoesOn)
{
    ASSERT_EQ(s_startError, QString());
    const FaultCase &c = GetParam();
    HttpClient client;
    // The no-progress time-out, short so that a slow but moving transfer is seen to survive it.
    client.setTimeoutMs(3000);
    ChannelListModel list;
    ParseM3UContent(list, QStringLiteral("#EXTINF:-1,Before\r\nudp://before\r\n"));

    const LoadOutcome outcome = load(client, list, c.url(*s_server));
    EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(c.box)).match(outcome.box).hasMatch())
        << outcome.box.toStdString();
    EXPECT_EQ(outcome.rows, 0);
    // Under ctest every case runs in a process of its own, so this is the case's own peak.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    RecordProperty("peak_rss_kb", std::to_string(usage.ru_maxrss));
    std::printf("%s: \"%s\", %lld body bytes, peak memory of the process so far %ld KB\n", c.name,
                outcome.box.toUtf8().constData(), static_cast<long long>(outcome.bodyBytes), usage.ru_maxrss);
    // The body is kept whole, then decoded to UTF-16 text: a few times its size, never more.
    EXPECT_LT(usage.ru_maxrss, 300 * 1024 + long(outcome.bodyBytes / 1024) * 4);
    expectGoesOnNormally(client, list, *s_server);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, NetworkFaultTest,
    testing::Values(
        FaultCase{"ClosesMidBody",
                  [](const TestServer &s) { return s.httpUrl(QStringLiteral("/close-mid-body")); },
                  QStringLiteral("error: transfer closed with \\d+ bytes remaining to read")},
        // 100 MB of comment lines over about ten seconds: slow, but never idle long enough to
        // time out, so it loads whole and simply yields no channel.
        FaultCase{"HundredMegabytesSlowly",
                  [](const TestServer &s) {
                      return s.httpUrl(QStringLiteral("/slow?bytes=104857600&ms=10000&pattern=%23pad%0D%0A"));
                  },
                  QString()},
        FaultCase{"CorruptGzipBody",
                  [](const TestServer &s) {
                      return s.httpUrl(QStringLiteral("/encoded/corrupt-gzip?coding=gzip"));
                  },
                  QStringLiteral("failure: The response could not be decompressed: incorrect data check")},
        FaultCase{"RedirectLoop",
                  [](const TestServer &s) { return s.httpUrl(QStringLiteral("/redirect-loop")); },
                  QStringLiteral("error: Maximum number of redirections \\(5\\) exceeded")},
        FaultCase{"RedirectToAClosedPort",
                  [](const TestServer &s) {
                      return s.httpUrl(
                          QStringLiteral("/redirect-to?code=302&location=http://127.0.0.1:%1/list.m3u")
                              .arg(TestServer::closedPort()));
                  },
                  QStringLiteral("error: Failed to connect to 127.0.0.1 port \\d+ after \\d+ ms: "
                                 "(Couldn't|Could not) connect to server")}),
    [](const auto &info) { return std::string(info.param.name); });

// An HTTPS server whose certificate, trusted as such, names another host than the one asked for.
TEST_F(NetworkFaultTest, CertificateForAnotherHostIsRefused)
{
    ASSERT_EQ(s_startError, QString());
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty())
        GTEST_SKIP() << "the openssl command is missing (Debian package: openssl)";
    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("other.pem"));
    const QString key = dir.filePath(QStringLiteral("other.key"));
    ASSERT_EQ(QProcess::execute(openssl,
                                {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                 "-nodes", "-days", "2", "-subj", "/CN=other.example", "-addext",
                                 "subjectAltName=DNS:other.example", "-keyout", key, "-out", cert}),
              0);

    QProcess server;
    server.start(QStringLiteral(NORVALE_PYTHON3),
                 {QStringLiteral(NORVALE_TEST_DATA "/net/test_server.py"), cert, key});
    QByteArray output;
    while (!output.contains("READY\n") && server.waitForReadyRead(10000))
        output += server.readAllStandardOutput();
    int port = 0;
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith("HTTPS "))
            port = line.mid(6).toInt();
    }
    ASSERT_GT(port, 0) << output.toStdString();

    HttpClient client;
    client.setTrustedCertificatesForTesting(cert);
    ChannelListModel list;
    const LoadOutcome outcome =
        load(client, list, QStringLiteral("https://127.0.0.1:%1/encoded/gzip?coding=gzip").arg(port));
    EXPECT_EQ(
        outcome.box,
        QStringLiteral(
            "error: SSL: no alternative certificate subject name matches target host name '127.0.0.1'"));
    EXPECT_EQ(outcome.rows, 0);
    expectGoesOnNormally(client, list, *s_server);

    server.closeWriteChannel();
    if (!server.waitForFinished(3000))
        server.kill();
    server.waitForFinished(3000);
}

} // namespace
