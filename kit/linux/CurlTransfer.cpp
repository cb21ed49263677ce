#include "kit/linux/CurlTransfer.h"

#include <curl/curl.h>

#include <cmath>
#include <memory>
#include <mutex>

namespace kit {

namespace {

constexpr long curlTransferMaxRedirects = 8;

void curlTransferGlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t curlTransferWriteBody(char* data, size_t size, size_t count, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(data, qsizetype(size * count));
    return size * count;
}

// Header lines arrive one by one; a status line starts a new answer (redirects, interim 1xx).
size_t curlTransferWriteHeader(char* data, size_t size, size_t count, void* userdata)
{
    auto& headers = *static_cast<HTTPHeaderFields*>(userdata);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    if (line.startsWith("HTTP/")) {
        headers.clear();
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        const QString name = QString::fromLatin1(line.left(colon).trimmed());
        const QString value = QString::fromUtf8(line.mid(colon + 1).trimmed());
        auto same = std::find_if(headers.begin(), headers.end(),
            [&](const auto& entry) { return entry.first.compare(name, Qt::CaseInsensitive) == 0; });
        if (same != headers.end())
            same->second += QStringLiteral(", ") + value;
        else
            headers.emplace_back(name, value);
    }
    return size * count;
}

std::int64_t curlTransferErrorCode(CURLcode code)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return URLErrorUnsupportedURL;
    case CURLE_URL_MALFORMAT:
        return URLErrorBadURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return URLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return URLErrorCannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
        return URLErrorTimedOut;
    case CURLE_TOO_MANY_REDIRECTS:
        return URLErrorHTTPTooManyRedirects;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        return URLErrorNetworkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
        return URLErrorBadServerResponse;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
        return URLErrorSecureConnectionFailed;
    default:
        return URLErrorUnknown;
    }
}

struct CurlTransferEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlTransferListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

CurlTransferResult performCurlTransfer(const MutableURLRequest& request)
{
    curlTransferGlobalInit();
    CurlTransferResult result;
    std::unique_ptr<CURL, CurlTransferEasyDeleter> easy(curl_easy_init());
    if (!easy) {
        result.error = Error::errorWithDomainCodeUserInfo(URLErrorDomain, URLErrorUnknown,
            Dictionary { { LocalizedDescriptionKey, QStringLiteral("The transfer could not be started.") } });
        return result;
    }
    CURL* handle = easy.get();
    char errorText[CURL_ERROR_SIZE] = {};

    const QByteArray url = request.url().absoluteString().toUtf8();
    const QByteArray method = request.HTTPMethod().toUtf8();
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, curlTransferMaxRedirects);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // Whole milliseconds, at least one: zero would mean "no limit".
    const double timeout = request.timeoutInterval();
    if (timeout > 0)
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, long(std::max(1.0, std::ceil(timeout * 1000.0))));

    const QByteArray& body = request.HTTPBody();
    if (method == "GET" && body.isEmpty()) {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    } else if (method == "HEAD") {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.constData());
        if (method != "POST")
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.constData());
    }

    // The request's own fields, and an empty "Expect:" so that larger bodies go at once instead of
    // waiting for a "100 Continue" that simple servers never send.
    std::unique_ptr<curl_slist, CurlTransferListDeleter> list;
    auto append = [&list](const QByteArray& line) {
        curl_slist* grown = curl_slist_append(list.get(), line.constData());
        if (grown) {
            (void)list.release();
            list.reset(grown);
        }
    };
    QByteArray userAgent;
    for (const auto& [name, value] : request.allHTTPHeaderFields()) {
        if (name.compare(u"User-Agent", Qt::CaseInsensitive) == 0)
            userAgent = value.toUtf8();
        else
            append(name.toUtf8() + ": " + value.toUtf8());
    }
    append("Expect:");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, list.get());
    // Exactly as set, and none when unset (curl sends no default of its own).
    if (!userAgent.isEmpty())
        curl_easy_setopt(handle, CURLOPT_USERAGENT, userAgent.constData());

    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, curlTransferWriteBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &result.body);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, curlTransferWriteHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &result.headers);

    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
        const QString text = errorText[0] ? QString::fromUtf8(errorText) : QString::fromUtf8(curl_easy_strerror(code));
        result.error = Error::errorWithDomainCodeUserInfo(URLErrorDomain, curlTransferErrorCode(code),
            Dictionary { { LocalizedDescriptionKey, text } });
        result.body.clear();
        result.headers.clear();
        return result;
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    result.statusCode = int(status);
    return result;
}

} // namespace kit
