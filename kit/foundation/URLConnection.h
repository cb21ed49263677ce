#pragma once

// Blocking HTTP requests for the few places that send one and wait for the answer (report uploads,
// feedback forms). The caller's thread waits; no event loop runs meanwhile, so nothing of the kit is
// re-entered while a modal dialog is up. The transfer itself lives in kit/linux/CurlTransfer.

#include "kit/core/Error.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>
#include <utility>
#include <vector>

namespace kit {

inline const QString URLErrorDomain = QStringLiteral("NSURLErrorDomain");
enum URLErrorCode : std::int64_t {
    URLErrorUnknown = -1,
    URLErrorBadURL = -1000,
    URLErrorTimedOut = -1001,
    URLErrorUnsupportedURL = -1002,
    URLErrorCannotFindHost = -1003,
    URLErrorCannotConnectToHost = -1004,
    URLErrorNetworkConnectionLost = -1005,
    URLErrorHTTPTooManyRedirects = -1007,
    URLErrorBadServerResponse = -1011,
    URLErrorSecureConnectionFailed = -1200,
};

// An absolute address with a scheme and, for network schemes, a host.
class URL {
public:
    // Null when `string` is empty, unparsable or not absolute.
    static std::optional<URL> URLWithString(const QString& string);

    QString absoluteString() const { return url_.toString(QUrl::FullyEncoded); }
    QString scheme() const { return url_.scheme(); }
    QString host() const { return url_.host(); }
    int port() const { return url_.port(); }
    const QUrl& qurl() const { return url_; }

    bool operator==(const URL&) const = default;

private:
    explicit URL(QUrl url) : url_(std::move(url)) { }
    QUrl url_;
};

// Header fields in the order first set; names compare without regard to case.
using HTTPHeaderFields = std::vector<std::pair<QString, QString>>;

class MutableURLRequest {
public:
    explicit MutableURLRequest(URL url) : url_(std::move(url)) { }
    static MutableURLRequest requestWithURL(const URL& url) { return MutableURLRequest(url); }

    const URL& url() const { return url_; }

    const QString& HTTPMethod() const { return method_; }
    void setHTTPMethod(const QString& method) { method_ = method; }

    // Replaces every value of `field`; an empty value removes it.
    void setValueForHTTPHeaderField(const QString& value, const QString& field);
    // Appends to an existing value with ", ", or adds the field.
    void addValueForHTTPHeaderField(const QString& value, const QString& field);
    // The value of `field`, empty when absent.
    QString valueForHTTPHeaderField(const QString& field) const;
    const HTTPHeaderFields& allHTTPHeaderFields() const { return headers_; }

    // Sent byte for byte as given.
    const QByteArray& HTTPBody() const { return body_; }
    void setHTTPBody(const QByteArray& body) { body_ = body; }

    double timeoutInterval() const { return timeout_; }
    void setTimeoutInterval(double seconds) { timeout_ = seconds; }

private:
    URL url_;
    QString method_ = QStringLiteral("GET");
    HTTPHeaderFields headers_;
    QByteArray body_;
    double timeout_ = 60.0;
};

class HTTPURLResponse {
public:
    HTTPURLResponse() = default;
    HTTPURLResponse(std::optional<URL> url, int statusCode, HTTPHeaderFields headers)
        : url_(std::move(url)), statusCode_(statusCode), headers_(std::move(headers)) { }

    const std::optional<URL>& url() const { return url_; }
    int statusCode() const { return statusCode_; }
    const HTTPHeaderFields& allHeaderFields() const { return headers_; }
    // The value of `field` (case-insensitive), empty when absent.
    QString valueForHTTPHeaderField(const QString& field) const;

private:
    std::optional<URL> url_;
    int statusCode_ = 0;
    HTTPHeaderFields headers_;
};

class URLConnection {
public:
    // Sends `request` and waits. On any HTTP answer (whatever its status) answers the body, possibly
    // empty, and fills `response`; on a transport failure answers null and fills `error`.
    static std::optional<QByteArray> sendSynchronousRequestReturningResponseError(const MutableURLRequest& request,
        HTTPURLResponse* response, Ref<Error>* error);
};

} // namespace kit
