#include "PostLater.h"
#include "TestServer.h"

#include "loading/BodyDecoder.h"
#include "loading/HttpClient.h"

#include "shell/ExclusiveWait.h"
#include "shell/PostedCall.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

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

// Notes each event it gets into a shared log, marked with whether get() was still running.
class Recorder final : public QObject {
public:
    Recorder(QString name, QStringList &log, const bool &insideGet)
        : m_name(std::move(name)), m_log(log), m_insideGet(insideGet)
    {}

protected:
    bool event(QEvent *event) override
    {
        m_log << QStringLiteral("%1 %2 %3")
                     .arg(m_name)
                     .arg(int(event->type()))
                     .arg(m_insideGet ? "during" : "after");
        return true;
    }

private:
    QString m_name;
    QStringList &m_log;
    const bool &m_insideGet;
};

// Keeps the objects that may receive events during a wait for one test.
struct DeliveredDuringWaits {
    explicit DeliveredDuringWaits(std::function<bool(const QObject *)> predicate)
    {
        ExclusiveWait::setDeliveredDuringWaits(std::move(predicate));
    }
    ~DeliveredDuringWaits() { ExclusiveWait::setDeliveredDuringWaits({}); }
};

void deliverPending()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

TEST_F(HttpClientTest, WaitHoldsWhatCouldStartACommandAndDeliversItAfterwardsInOrder)
{
    QStringList log;
    bool insideGet = false;
    Recorder input(QStringLiteral("input"), log, insideGet);
    Recorder passage(QStringLiteral("busy"), log, insideGet);
    const DeliveredDuringWaits delivered([&](const QObject *o) { return o == &passage; });
    CallTarget calls;
    QTimer timer; // like the player's start-up time-out
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout,
                     [&] { log << QStringLiteral("timer %1").arg(insideGet ? "during" : "after"); });
    timer.start(50);
    std::thread poster = postLater(300, [&] {
        calls.post([&] { log << QStringLiteral("player event %1").arg(insideGet ? "during" : "after"); });
        QCoreApplication::postEvent(&input, new QEvent(QEvent::KeyPress));
        QCoreApplication::postEvent(&passage, new QEvent(QEvent::KeyPress));
        QCoreApplication::postEvent(&input, new QEvent(QEvent::MouseButtonPress));
    });

    insideGet = true;
    const HttpResponse response =
        HttpClient().get(server->httpUrl(QStringLiteral("/slow?bytes=20000&ms=1000")));
    insideGet = false;
    poster.join();
    log << QStringLiteral("returned");
    deliverPending();

    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.body.size(), 20000);
    const int key = int(QEvent::KeyPress);
    EXPECT_EQ(log, QStringList({QStringLiteral("busy %1 during").arg(key), QStringLiteral("returned"),
                                QStringLiteral("timer after"), QStringLiteral("player event after"),
                                QStringLiteral("input %1 after").arg(key),
                                QStringLiteral("input %1 after").arg(int(QEvent::MouseButtonPress))}));
}

// A cancel from a window that still works during the wait (the busy window's close), or the close
// of any other window, stops a transfer that would otherwise run until its time-out.
struct CancelCase {
    const char *name;
    bool byClosingAnotherWindow;
};
void PrintTo(const CancelCase &c, std::ostream *out)
{
    *out << c.name;
}
class HttpClientCancelTest : public HttpClientTest, public testing::WithParamInterface<CancelCase> {};

TEST_P(HttpClientCancelTest, CancelStopsTheTransferAtOnceWithNothingToReport)
{
    QStringList log;
    bool insideGet = false;
    Recorder window(QStringLiteral("window"), log, insideGet);
    Recorder busy(QStringLiteral("busy"), log, insideGet);
    struct Canceller final : QObject {
        bool event(QEvent *) override
        {
            ExclusiveWait::cancel();
            return true;
        }
    } closeBox;
    const DeliveredDuringWaits delivered([&](const QObject *o) { return o == &busy || o == &closeBox; });
    const bool byClose = GetParam().byClosingAnotherWindow;
    std::thread poster = postLater(300, [&] {
        if (byClose)
            QCoreApplication::postEvent(&window, new QEvent(QEvent::Close));
        else
            QCoreApplication::postEvent(&closeBox, new QEvent(QEvent::User));
    });

    HttpClient client;
    EventLog events;
    events.watch(client);
    QElapsedTimer clock;
    clock.start();
    insideGet = true;
    const HttpResponse response = client.get(server->httpUrl(QStringLiteral("/silent?seconds=20")));
    insideGet = false;
    const qint64 elapsed = clock.elapsed();
    poster.join();
    deliverPending();

    EXPECT_TRUE(response.cancelled);
    EXPECT_FALSE(response.ok);
    EXPECT_TRUE(events.entries.isEmpty()) << events.entries.join(", ").toStdString();
    // Well before the server's 20 s of silence or the 60 s time-out.
    EXPECT_LT(elapsed, 10000);
    // A closed window still gets its close, once the load is over.
    EXPECT_EQ(log, byClose ? QStringList{QStringLiteral("window %1 after").arg(int(QEvent::Close))}
                           : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(Cancels, HttpClientCancelTest,
                         testing::Values(CancelCase{"busyWindowClosed", false},
                                         CancelCase{"otherWindowClosed", true}),
                         [](const testing::TestParamInfo<CancelCase> &info) {
                             return std::string(info.param.name);
                         });

// A body may not grow without end: a source that is really a stream, or one that declares a
// length above the ceiling, fails with the transport's words for it.
TEST_F(HttpClientTest, BodyAboveTheCeilingFailsTheRequest)
{
    for (const QString &path : {QStringLiteral("/endless"), QStringLiteral("/slow?bytes=3000000&ms=100")}) {
        HttpClient client;
        client.setMaxBodyBytesForTesting(1 << 20);
        EventLog log;
        log.watch(client);
        const HttpResponse response = client.get(server->httpUrl(path));
        log.entries << QStringLiteral("returned");
        EXPECT_FALSE(response.ok) << path.toStdString();
        EXPECT_EQ(response.errorMessage, QStringLiteral("Maximum file size exceeded")) << path.toStdString();
        EXPECT_TRUE(response.body.isEmpty());
        expectFailureEvents(log, response.errorMessage);
    }
    // Just below the ceiling is a body like any other.
    HttpClient client;
    client.setMaxBodyBytesForTesting(1 << 20);
    const HttpResponse response = client.get(server->httpUrl(QStringLiteral("/slow?bytes=1048576&ms=100")));
    ASSERT_TRUE(response.ok) << response.errorMessage.toStdString();
    EXPECT_EQ(response.body.size(), 1 << 20);
}
