#include "TestServer.h"

#include "loading/BodyDecoder.h"
#include "loading/HttpClient.h"

#include <QCoreApplication>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

using testing::HasSubstr;

// Readable failure output for Qt strings (and the lists and optionals holding them).
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Records the client's events and the moment get() returned, in the order they happened.
struct EventLog {
    QStringList entries;

    void watch(HttpClient &client)
    {
        QObject::connect(&client, &HttpClient::requestCompleted, &client,
                         [this](int status) { entries << QStringLiteral("completed %1").arg(status); });
        QObject::connect(&client, &HttpClient::requestError, &client,
                         [this](const QString &message) { entries << "error " + message; });
        QObject::connect(&client, &HttpClient::requestException, &client,
                         [this](const QString &message) { entries << "exception " + message; });
    }
};

HttpResponse getLogged(const QString &url, EventLog &log)
{
    HttpClient client;
    log.watch(client);
    HttpResponse response = client.get(url);
    log.entries << QStringLiteral("returned");
    return response;
}

void expectFailureEvents(const EventLog &log, const QString &message)
{
    EXPECT_EQ(log.entries, QStringList({"error " + message, "exception " + message, "returned"}));
}

// The request's header names received by the server, mapped to their values.
QMap<QString, QString> parseHeaders(const QByteArray &block)
{
    QMap<QString, QString> headers;
    for (const QByteArray &line : block.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            headers.insert(QString::fromLatin1(line.left(colon)).toLower(),
                           QString::fromLatin1(line.mid(colon + 1).trimmed()));
    }
    return headers;
}

} // namespace

class HttpClientTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "test_http_client";
        static char *argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        // The proxy environment is honoured; it must not catch the loopback test server.
        qputenv("no_proxy", "127.0.0.1");
        qputenv("NO_PROXY", "127.0.0.1");
        server = std::make_unique<TestServer>();
        startError = server->start(true);
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override { ASSERT_TRUE(startError.isEmpty()) << startError.toStdString(); }

    static inline std::unique_ptr<TestServer> server;
    static inline QString startError;
};

struct StatusCase {
    int code;
    QByteArray body;
};
void PrintTo(const StatusCase &c, std::ostream *out)
{
    *out << c.code;
}

class HttpClientStatusTest : public HttpClientTest, public testing::WithParamInterface<StatusCase> {};

TEST_P(HttpClientStatusTest, AnyStatusIsAResponseAndCompletesBeforeReturning)
{
    const StatusCase &c = GetParam();
    EventLog log;
    const HttpResponse response = getLogged(server->httpUrl(QStringLiteral("/status/%1").arg(c.code)), log);
    EXPECT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.statusCode, c.code);
    EXPECT_EQ(response.body, c.body);
    EXPECT_TRUE(response.errorMessage.isEmpty());
    EXPECT_EQ(log.entries, QStringList({QStringLiteral("completed %1").arg(c.code), "returned"}));
}

INSTANTIATE_TEST_SUITE_P(Statuses, HttpClientStatusTest,
                         testing::Values(StatusCase{200, "status 200"}, StatusCase{204, ""},
                                         StatusCase{404, "status 404"}, StatusCase{500, "status 500"}),
                         [](const auto &info) { return std::to_string(info.param.code); });

struct RedirectCase {
    int code;
    int hops;
    bool followed;   // the chain is walked to its end
    QString failure; // when the chain is too long
};
void PrintTo(const RedirectCase &c, std::ostream *out)
{
    *out << c.code << " x" << c.hops;
}

class HttpClientRedirectTest : public HttpClientTest, public testing::WithParamInterface<RedirectCase> {};

TEST_P(HttpClientRedirectTest, FollowsRedirectCodesWithGetAtMostFiveInARow)
{
    const RedirectCase &c = GetParam();
    EventLog log;
    const HttpResponse response =
        getLogged(server->httpUrl(QStringLiteral("/redirect/%1/%2").arg(c.code).arg(c.hops)), log);
    if (!c.failure.isEmpty()) {
        EXPECT_FALSE(response.ok);
        EXPECT_EQ(response.errorMessage, c.failure);
        EXPECT_TRUE(response.body.isEmpty());
        expectFailureEvents(log, c.failure);
    } else if (c.followed) {
        ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
        EXPECT_EQ(response.statusCode, 200);
        EXPECT_EQ(response.body, "arrived by GET");
        EXPECT_THAT(response.requestHeadersSent.toStdString(),
                    HasSubstr(QStringLiteral("GET /redirect/%1/0 ").arg(c.code).toStdString()));
    } else {
        ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
        EXPECT_EQ(response.statusCode, c.code);
        EXPECT_EQ(log.entries, QStringList({QStringLiteral("completed %1").arg(c.code), "returned"}));
    }
}

const QString kTooMany = QStringLiteral("Maximum number of redirections (5) exceeded");

INSTANTIATE_TEST_SUITE_P(Redirects, HttpClientRedirectTest,
                         testing::Values(RedirectCase{300, 1, true, {}}, RedirectCase{301, 1, true, {}},
                                         RedirectCase{302, 1, true, {}}, RedirectCase{303, 1, true, {}},
                                         RedirectCase{307, 1, true, {}}, RedirectCase{308, 1, true, {}},
                                         RedirectCase{302, 3, true, {}}, RedirectCase{301, 5, true, {}},
                                         RedirectCase{302, 6, false, kTooMany},
                                         RedirectCase{308, 9, false, kTooMany},
                                         // Not redirect codes for this client, even with a Location header.
                                         RedirectCase{304, 1, false, {}}, RedirectCase{305, 1, false, {}},
                                         RedirectCase{306, 1, false, {}}),
                         [](const auto &info) {
                             return std::to_string(info.param.code) + "_x" + std::to_string(info.param.hops);
                         });

TEST_F(HttpClientTest, RedirectToAnotherSchemeIsRefused)
{
    EventLog log;
    const HttpResponse response = getLogged(
        server->httpUrl(QStringLiteral("/redirect-to?code=302&location=file:///etc/hostname")), log);
    EXPECT_FALSE(response.ok);
    EXPECT_FALSE(response.errorMessage.isEmpty());
    EXPECT_TRUE(response.body.isEmpty());
    expectFailureEvents(log, response.errorMessage);
}

TEST_F(HttpClientTest, SendsOnlyItsUserAgentOfItsOwn)
{
    const HttpResponse response = HttpClient().get(server->httpUrl(QStringLiteral("/headers")));
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    const QMap<QString, QString> received = parseHeaders(response.body);
    EXPECT_EQ(received.value("user-agent"), QString::fromLatin1(kUserAgent));
    EXPECT_EQ(received.value("host"),
              QStringLiteral("127.0.0.1:%1").arg(server->httpUrl("").section(':', 2)));
    for (const char *absent : {"accept-encoding", "cookie", "accept", "accept-language", "authorization"})
        EXPECT_FALSE(received.contains(absent)) << absent << " was sent";
    EXPECT_THAT(response.requestHeadersSent.toStdString(), HasSubstr("User-Agent: BrackwellTVApp/1.4\r\n"));
}

TEST_F(HttpClientTest, CookiesReceivedAreNotSentBack)
{
    const HttpResponse response = HttpClient().get(server->httpUrl(QStringLiteral("/set-cookie")));
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_THAT(response.requestHeadersSent.toStdString(), HasSubstr("GET /headers "));
    EXPECT_FALSE(parseHeaders(response.body).contains("cookie"));
}

struct EncodingCase {
    QString path;     // which compressed form the server sends
    QString coding;   // the Content-Encoding it declares
    QByteArray magic; // how the raw body starts, proving the transport left it alone
    bool inflated;
};
void PrintTo(const EncodingCase &c, std::ostream *out)
{
    *out << c.path.toStdString() << " as " << c.coding.toStdString();
}

class HttpClientEncodingTest : public HttpClientTest, public testing::WithParamInterface<EncodingCase> {};

TEST_P(HttpClientEncodingTest, InflatesExactlyGzipAndDeflate)
{
    const EncodingCase &c = GetParam();
    const HttpResponse response =
        HttpClient().get(server->httpUrl(QStringLiteral("/encoded/%1?coding=%2").arg(c.path, c.coding)));
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.contentEncoding, c.coding);
    EXPECT_TRUE(response.body.startsWith(c.magic));

    QString error;
    const std::optional<QByteArray> body = inflateBody(response.body, response.contentEncoding, &error);
    ASSERT_TRUE(body.has_value()) << error.toStdString();
    const std::optional<QString> text = decodePlaylistBody(server->httpUrl("/encoded"), *body);
    if (c.inflated) {
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, QStringLiteral("#EXTM3U\r\n#EXTINF:-1,Café Télé\r\nhttp://127.0.0.1/stream\r\n"));
    } else {
        EXPECT_EQ(*body, response.body);
        EXPECT_FALSE(text.has_value()); // compressed bytes are not UTF-8
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, HttpClientEncodingTest,
                         testing::Values(EncodingCase{"gzip", "gzip", "\x1f\x8b", true},
                                         EncodingCase{"zlib", "deflate", "\x78", true},
                                         EncodingCase{"raw", "deflate", "", true},
                                         EncodingCase{"gzip", "GZIP", "\x1f\x8b", false},
                                         EncodingCase{"gzip", "x-gzip", "\x1f\x8b", false}),
                         [](const auto &info) {
                             return QString(info.param.path + "_as_" + info.param.coding)
                                 .replace(QChar('-'), QChar('_'))
                                 .toStdString();
                         });

struct BodyCase {
    const char *name;
    QString hex;
    std::optional<QString> text;
};
void PrintTo(const BodyCase &c, std::ostream *out)
{
    *out << c.name;
}

class HttpClientBodyTest : public HttpClientTest, public testing::WithParamInterface<BodyCase> {};

TEST_P(HttpClientBodyTest, BodyIsDecodedAsUtf8WhateverTheServerDeclares)
{
    const BodyCase &c = GetParam();
    const QString url = server->httpUrl("/bytes/" + c.hex);
    const HttpResponse response = HttpClient().get(url);
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_EQ(response.body, QByteArray::fromHex(c.hex.toLatin1()));
    EXPECT_EQ(decodePlaylistBody(url, response.body), c.text);
}

INSTANTIATE_TEST_SUITE_P(Bodies, HttpClientBodyTest,
                         testing::Values(BodyCase{"empty", "", QString()},
                                         BodyCase{"bom_skipped", "efbbbf23455854", QStringLiteral("#EXT")},
                                         BodyCase{"latin1_is_invalid", "e974e9", std::nullopt}), // "été"
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(HttpClientTest, SelfSignedCertificateIsRefusedWithTheTransportsMessage)
{
    EventLog log;
    const HttpResponse response = getLogged(server->httpsUrl(QStringLiteral("/status/200")), log);
    EXPECT_FALSE(response.ok);
    EXPECT_EQ(response.statusCode, 0);
    EXPECT_THAT(response.errorMessage.toStdString(), HasSubstr("SSL certificate problem"));
    EXPECT_THAT(response.errorMessage.toStdString(), HasSubstr("self-signed"));
    expectFailureEvents(log, response.errorMessage);
}

TEST_F(HttpClientTest, SameCertificateIsAcceptedOnceTrusted)
{
    // The refusal above is the verification at work, not a broken TLS set-up.
    HttpClient client;
    client.setTrustedCertificatesForTesting(server->certificateFile());
    const HttpResponse response = client.get(server->httpsUrl(QStringLiteral("/redirect/302/1")));
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_EQ(response.body, "arrived by GET");
}

TEST_F(HttpClientTest, UnreachablePortFailsWithAMessage)
{
    const int port = TestServer::closedPort();
    ASSERT_GT(port, 0);
    EventLog log;
    const HttpResponse response = getLogged(QStringLiteral("http://127.0.0.1:%1/list.m3u").arg(port), log);
    EXPECT_FALSE(response.ok);
    EXPECT_THAT(response.errorMessage.toStdString(), HasSubstr("Couldn't connect to server"));
    EXPECT_THAT(response.errorMessage.toStdString(), HasSubstr(QString::number(port).toStdString()));
    expectFailureEvents(log, response.errorMessage);
}

TEST_F(HttpClientTest, AddressThatIsNotAWebAddressFails)
{
    for (const QString &address : {QStringLiteral(""), QStringLiteral("lists.tvchannels.example/a.m3u"),
                                   QStringLiteral("ftp://127.0.0.1/a.m3u")}) {
        EventLog log;
        const HttpResponse response = getLogged(address, log);
        EXPECT_FALSE(response.ok) << address.toStdString();
        EXPECT_FALSE(response.errorMessage.isEmpty()) << address.toStdString();
        expectFailureEvents(log, response.errorMessage);
    }
}

TEST_F(HttpClientTest, ServerThatNeverAnswersTimesOut)
{
    HttpClient client;
    client.setTimeoutMs(1000); // the real 60 s, shortened
    EventLog log;
    log.watch(client);
    const HttpResponse response = client.get(server->httpUrl(QStringLiteral("/silent?seconds=8")));
    log.entries << QStringLiteral("returned");
    EXPECT_FALSE(response.ok);
    EXPECT_THAT(response.errorMessage.toStdString(), HasSubstr("Operation too slow"));
    expectFailureEvents(log, response.errorMessage);
}

// An object that notes each event it gets and whether it came while get() was still running.
class Recorder final : public QObject {
public:
    bool insideGet = false;
    QStringList seen;

protected:
    bool event(QEvent *event) override
    {
        seen << QStringLiteral("%1 %2").arg(int(event->type())).arg(insideGet ? "during" : "after");
        return true;
    }
};

TEST_F(HttpClientTest, WaitKeepsTimersRunningButHoldsUserInputUntilTheCallReturns)
{
    Recorder recorder;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, &recorder, [&] {
        if (++ticks == 2) {
            QCoreApplication::postEvent(&recorder, new QEvent(QEvent::KeyPress));
            QCoreApplication::postEvent(&recorder, new QEvent(QEvent::User));
            QCoreApplication::postEvent(&recorder, new QEvent(QEvent::MouseButtonPress));
        }
    });
    timer.start();

    recorder.insideGet = true;
    const HttpResponse response =
        HttpClient().get(server->httpUrl(QStringLiteral("/slow?bytes=20000&ms=1000")));
    recorder.insideGet = false;
    timer.stop();

    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.body.size(), 20000);
    // 1 s at 20 ms: a loop that stalled would have given none at all.
    EXPECT_GE(ticks, 20);
    EXPECT_EQ(recorder.seen, QStringList({QStringLiteral("%1 during").arg(int(QEvent::User))}));

    QCoreApplication::sendPostedEvents(&recorder);
    EXPECT_EQ(recorder.seen, QStringList({QStringLiteral("%1 during").arg(int(QEvent::User)),
                                          QStringLiteral("%1 after").arg(int(QEvent::KeyPress)),
                                          QStringLiteral("%1 after").arg(int(QEvent::MouseButtonPress))}));
}
