#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

inline constexpr const char *kUserAgent = "BrackwellTVApp/1.4";

// How many redirects in a row are followed before the request fails.
inline constexpr int kMaxRedirects = 5;

// Connecting, and then any 60 s without a single byte moving, fails the request.
inline constexpr long kTimeoutMs = 60000;

// The largest body accepted (1 GiB); a longer one fails the request.
inline constexpr qint64 kMaxBodyBytes = qint64(1) << 30;

struct HttpResponse {
    bool ok = false;         // the transport succeeded; statusCode and body are those of the final response
    int statusCode = 0;      // of the final response, after redirects
    QByteArray body;         // as it came off the wire: not inflated, not decoded
    QString contentEncoding; // the final response's Content-Encoding value, untouched (empty if none)
    QString errorMessage;    // the transport's own text when !ok
    bool cancelled = false;  // the wait was cancelled (busy window or program closed): nothing to report
    QByteArray requestHeadersSent; // the header block of the last request sent, for diagnosis and tests
};

// The playlist downloader: one GET at a time, no state kept between requests (no cookies).
//
// get() is synchronous for its caller, but the transfer itself runs on a worker thread while the
// calling thread waits in an ExclusiveWait: windows keep painting, the busy window animates, and
// everything else is delivered after the request, so no other command runs meanwhile and the
// window manager never sees a hung window during a long time-out. Cancelling that wait aborts
// the transfer at once.
//
// Events are emitted on the calling thread before get() returns: requestCompleted when a response
// arrived (whatever its status), or requestError followed by requestException when it failed;
// none when the wait was cancelled.
class HttpClient final : public QObject {
    Q_OBJECT
public:
    explicit HttpClient(QObject *parent = nullptr);
    ~HttpClient() override;

    HttpResponse get(const QString &url);

    // Only for tests, which cannot wait a minute: the connecting and the no-progress time-out.
    // The receiving side has a granularity of whole seconds.
    void setTimeoutMs(long milliseconds);

    // Only for tests: trust the certificates of this PEM file instead of the system's store, so
    // that a test server's own certificate can be verified. Verification itself stays on.
    void setTrustedCertificatesForTesting(const QString &pemFile);
    // Only for tests: a lower ceiling than kMaxBodyBytes, so that it is reached quickly.
    void setMaxBodyBytesForTesting(qint64 bytes);

signals:
    void requestCompleted(int statusCode);
    void requestError(const QString &message);
    void requestException(const QString &message);

private:
    long m_timeoutMs = kTimeoutMs;
    qint64 m_maxBodyBytes = kMaxBodyBytes;
    QString m_trustedCertificates;
};
