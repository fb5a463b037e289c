#include "HttpClient.h"

#include "UserInputGate.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace {

// Everything the worker thread touches; the calling thread reads it only after joining.
struct Transfer {
    std::string url;
    long timeoutMs = kTimeoutMs;
    std::string extraTrustFile;
    std::atomic<bool> cancelled{false};
    HttpResponse response;
    // Headers of the response being received; restarted at every status line.
    QList<QByteArray> contentEncodings;
};

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool isFollowedRedirect(long statusCode)
{
    switch (statusCode) {
    case 300:
    case 301:
    case 302:
    case 303:
    case 307:
    case 308:
        return true;
    default:
        return false;
    }
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    static_cast<QByteArray *>(user)->append(data, qsizetype(size * count));
    return size * count;
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    // 1xx interim answers and every redirect hop start with a new status line.
    if (line.startsWith("HTTP/")) {
        transfer->contentEncodings.clear();
        return size * count;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && line.left(colon).trimmed().compare("Content-Encoding", Qt::CaseInsensitive) == 0)
        transfer->contentEncodings.append(line.mid(colon + 1).trimmed());
    return size * count;
}

int onTrace(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    if (type == CURLINFO_HEADER_OUT)
        static_cast<QByteArray *>(user)->append(data, qsizetype(size));
    return 0;
}

int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    // Non-zero aborts the transfer: only used when the caller has to stop waiting.
    return static_cast<Transfer *>(user)->cancelled.load() ? 1 : 0;
}

void configure(CURL *curl, Transfer &transfer, curl_slist *headers, char *errorBuffer)
{
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // we are on a worker thread
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    // "Accept:" with nothing after it removes the */* that libcurl would add on its own.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    // CURLOPT_ACCEPT_ENCODING stays unset, so no Accept-Encoding header and no decoding by
    // libcurl; CURLOPT_COOKIEFILE stays unset, so the cookie engine is off.
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(curl, CURLOPT_SSLVERSION,
                     long(CURL_SSLVERSION_TLSv1_0) | long(CURL_SSLVERSION_MAX_DEFAULT));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!transfer.extraTrustFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, transfer.extraTrustFile.c_str());
    // Redirects are followed by hand: libcurl would also follow 304, 305 and 306.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, transfer.timeoutMs);
    // libcurl has no separate send/receive time-out; a transfer that moves nothing for 60 s fails,
    // while a slow but healthy download of any length goes on.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, transfer.timeoutMs / 1000));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer.response.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, onTrace);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &transfer.response.requestHeadersSent);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L); // needed for the trace; it writes nothing itself
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    // Proxies: nothing set here, so libcurl takes the user's http_proxy/https_proxy/no_proxy.
}

void runTransfer(Transfer &transfer)
{
    HttpResponse &response = transfer.response;
    CURL *curl = curl_easy_init();
    if (!curl) {
        response.errorMessage = QString::fromLatin1(curl_easy_strerror(CURLE_FAILED_INIT));
        return;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_slist *headers = curl_slist_append(nullptr, "Accept:");
    configure(curl, transfer, headers, errorBuffer);

    std::string url = transfer.url;
    int redirects = 0;
    for (;;) {
        response.body.clear();
        response.requestHeadersSent.clear();
        transfer.contentEncodings.clear();
        errorBuffer[0] = '\0';
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());

        const CURLcode result = curl_easy_perform(curl);
        if (result != CURLE_OK) {
            response.errorMessage = errorBuffer[0] ? QString::fromUtf8(errorBuffer).trimmed()
                                                   : QString::fromLatin1(curl_easy_strerror(result));
            break;
        }
        long statusCode = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &statusCode);
        const char *location = nullptr;
        curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
        if (isFollowedRedirect(statusCode) && location) {
            if (++redirects > kMaxRedirects) {
                response.errorMessage =
                    QStringLiteral("Maximum number of redirections (%1) exceeded").arg(kMaxRedirects);
                break;
            }
            url = location; // copied: the pointer belongs to the handle and changes with the next hop
            continue;
        }
        response.ok = true;
        response.statusCode = int(statusCode);
        response.contentEncoding = QString::fromLatin1(transfer.contentEncodings.join(", "));
        break;
    }
    if (!response.ok)
        response.body.clear();

    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
}

// libcurl guesses "http://" for an address without a scheme; a playlist entry like that is
// refused instead. Spaces and non-ASCII letters are percent-encoded as a browser would.
bool prepareUrl(const QString &text, std::string &encoded)
{
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return false;
    encoded = url.toEncoded(QUrl::FullyEncoded).toStdString();
    return true;
}

} // namespace

HttpClient::HttpClient(QObject *parent) : QObject(parent)
{
    initCurlOnce();
}

HttpClient::~HttpClient() = default;

void HttpClient::setTimeoutMs(long milliseconds)
{
    m_timeoutMs = milliseconds;
}

void HttpClient::setTrustedCertificatesForTesting(const QString &pemFile)
{
    m_trustedCertificates = pemFile;
}

HttpResponse HttpClient::get(const QString &url)
{
    Transfer transfer;
    transfer.timeoutMs = m_timeoutMs;
    transfer.extraTrustFile = QFile::encodeName(m_trustedCertificates).toStdString();
    if (!prepareUrl(url, transfer.url)) {
        transfer.response.errorMessage =
            QStringLiteral("The address \"%1\" is not a valid web address").arg(url);
    } else {
        QEventLoop loop;
        std::atomic<bool> finished{false};
        try {
            std::thread worker([&] {
                runTransfer(transfer);
                finished = true;
                QMetaObject::invokeMethod(
                    &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
            });
            if (QCoreApplication::instance()) {
                UserInputGate gate;
                loop.exec(QEventLoop::ExcludeUserInputEvents);
                // The loop only ends early when the application is quitting: stop the transfer.
                if (!finished)
                    transfer.cancelled = true;
            }
            worker.join();
        } catch (const std::system_error &error) {
            transfer.response = HttpResponse{};
            transfer.response.errorMessage = QString::fromLocal8Bit(error.what());
        }
    }

    const HttpResponse &response = transfer.response;
    if (response.ok) {
        emit requestCompleted(response.statusCode);
    } else {
        emit requestError(response.errorMessage);
        emit requestException(response.errorMessage);
    }
    return response;
}
