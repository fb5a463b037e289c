#include "HttpClient.h"

#include "shell/ExclusiveWait.h"

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

// Everything the worker thread touches; the calling thread reads it only after the work has ended,
// except `multi`, which a cancel wakes under `multiLock`.
struct Transfer {
    std::string url;
    long timeoutMs = kTimeoutMs;
    qint64 maxBodyBytes = kMaxBodyBytes;
    std::string extraTrustFile;
    const std::atomic<bool> *cancelled = nullptr;
    bool bodyTooLarge = false;
    HttpResponse response;
    // Headers of the response being received; restarted at every status line.
    QList<QByteArray> contentEncodings;
    std::mutex multiLock;
    CURLM *multi = nullptr;
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
    auto *transfer = static_cast<Transfer *>(user);
    const qint64 bytes = qint64(size * count);
    // A source that is really a live stream never ends: stop before memory runs out.
    if (transfer->response.body.size() + bytes > transfer->maxBodyBytes) {
        transfer->bodyTooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    transfer->response.body.append(data, qsizetype(bytes));
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
    // Non-zero aborts the transfer: the user closed the busy window or the program is closing.
    const auto *transfer = static_cast<Transfer *>(user);
    return transfer->cancelled && transfer->cancelled->load() ? 1 : 0;
}

// curl_easy_perform on a multi handle of our own, so that a cancel can wake the wait at once
// (curl_multi_wakeup) instead of at the next progress call, up to a second later.
CURLcode perform(CURL *curl, Transfer &transfer)
{
    CURLM *multi = curl_multi_init();
    if (!multi)
        return CURLE_OUT_OF_MEMORY;
    {
        const std::lock_guard lock(transfer.multiLock);
        transfer.multi = multi;
    }
    curl_multi_add_handle(multi, curl);
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running == 0) {
            int queued = 0;
            while (CURLMsg *message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE)
                    result = message->data.result;
            }
            break;
        }
        if (transfer.cancelled && transfer.cancelled->load()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    curl_multi_remove_handle(multi, curl);
    {
        const std::lock_guard lock(transfer.multiLock);
        transfer.multi = nullptr;
    }
    curl_multi_cleanup(multi);
    return result;
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
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    // Refuses a declared length above the ceiling before any byte of the body is read.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(transfer.maxBodyBytes));
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
        transfer.bodyTooLarge = false;
        response.requestHeadersSent.clear();
        transfer.contentEncodings.clear();
        errorBuffer[0] = '\0';
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());

        const CURLcode result = perform(curl, transfer);
        if (result != CURLE_OK) {
            if (transfer.bodyTooLarge) // the same words as for a declared length above it
                response.errorMessage = QString::fromLatin1(curl_easy_strerror(CURLE_FILESIZE_EXCEEDED));
            else if (errorBuffer[0])
                response.errorMessage = QString::fromUtf8(errorBuffer).trimmed();
            else
                response.errorMessage = QString::fromLatin1(curl_easy_strerror(result));
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

void HttpClient::setMaxBodyBytesForTesting(qint64 bytes)
{
    m_maxBodyBytes = bytes;
}

HttpResponse HttpClient::get(const QString &url)
{
    Transfer transfer;
    transfer.timeoutMs = m_timeoutMs;
    transfer.maxBodyBytes = m_maxBodyBytes;
    transfer.extraTrustFile = QFile::encodeName(m_trustedCertificates).toStdString();
    if (!prepareUrl(url, transfer.url)) {
        transfer.response.errorMessage =
            QStringLiteral("The address \"%1\" is not a valid web address").arg(url);
    } else {
        try {
            const bool finished = ExclusiveWait::run(
                [&transfer](const std::atomic<bool> &cancelled) {
                    transfer.cancelled = &cancelled;
                    runTransfer(transfer);
                },
                [&transfer] {
                    const std::lock_guard lock(transfer.multiLock);
                    if (transfer.multi)
                        curl_multi_wakeup(transfer.multi);
                });
            if (!finished) {
                // The user chose to stop: no answer, no failure to report.
                HttpResponse cancelled;
                cancelled.cancelled = true;
                return cancelled;
            }
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
