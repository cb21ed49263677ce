#include "kit/foundation/URLConnection.h"

#include "kit/linux/CurlTransfer.h"

namespace kit {

namespace {

bool urlConnectionSameField(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString urlConnectionFieldValue(const HTTPHeaderFields& fields, const QString& field)
{
    for (const auto& [name, value] : fields)
        if (urlConnectionSameField(name, field))
            return value;
    return {};
}

} // namespace

std::optional<URL> URL::URLWithString(const QString& string)
{
    if (string.trimmed().isEmpty())
        return std::nullopt;
    QUrl url(string, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if ((scheme == u"http" || scheme == u"https") && url.host().isEmpty())
        return std::nullopt;
    return URL(std::move(url));
}

void MutableURLRequest::setValueForHTTPHeaderField(const QString& value, const QString& field)
{
    std::erase_if(headers_, [&](const auto& entry) { return urlConnectionSameField(entry.first, field); });
    if (!value.isEmpty())
        headers_.emplace_back(field, value);
}

void MutableURLRequest::addValueForHTTPHeaderField(const QString& value, const QString& field)
{
    for (auto& [name, existing] : headers_) {
        if (urlConnectionSameField(name, field)) {
            existing += QStringLiteral(", ") + value;
            return;
        }
    }
    headers_.emplace_back(field, value);
}

QString MutableURLRequest::valueForHTTPHeaderField(const QString& field) const
{
    return urlConnectionFieldValue(headers_, field);
}

QString HTTPURLResponse::valueForHTTPHeaderField(const QString& field) const
{
    return urlConnectionFieldValue(headers_, field);
}

std::optional<QByteArray> URLConnection::sendSynchronousRequestReturningResponseError(const MutableURLRequest& request,
    HTTPURLResponse* response, Ref<Error>* error)
{
    CurlTransferResult result = performCurlTransfer(request);
    if (result.error) {
        if (error)
            *error = result.error;
        return std::nullopt;
    }
    if (response)
        *response = HTTPURLResponse(request.url(), result.statusCode, std::move(result.headers));
    if (error)
        *error = nullptr;
    return std::move(result.body);
}

} // namespace kit
