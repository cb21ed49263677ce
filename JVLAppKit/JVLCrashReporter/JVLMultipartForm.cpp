#include "JVLAppKit/JVLCrashReporter/JVLMultipartForm.h"

#include "kit/core/Exception.h"
#include "kit/foundation/URLConnection.h"

#include <QRandomGenerator>

using namespace kit;

namespace {

QString jvlMultipartRandomBoundary()
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString boundary;
    boundary.reserve(32);
    for (int i = 0; i < 32; ++i)
        boundary += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(int(sizeof alphabet - 1))]);
    return boundary;
}

JVLMultipartForm::BoundarySource& jvlMultipartBoundarySource()
{
    static JVLMultipartForm::BoundarySource source;
    return source;
}

bool jvlMultipartClashes(const JVLMultipartForm::Fields& fields, const QString& boundary)
{
    return boundary.isEmpty()
        || std::any_of(fields.begin(), fields.end(), [&](const auto& field) { return field.second.contains(boundary); });
}

} // namespace

QString JVLMultipartForm::contentType() const
{
    return QStringLiteral("multipart/form-data; boundary=") + boundary;
}

JVLMultipartForm JVLMultipartForm::formWithFields(const Fields& fields, bool contentTypePreamble)
{
    JVLMultipartForm form;
    form.boundary = JVLMultipartDefaultBoundary;
    while (jvlMultipartClashes(fields, form.boundary))
        form.boundary = jvlMultipartBoundarySource() ? jvlMultipartBoundarySource()() : jvlMultipartRandomBoundary();

    const QByteArray boundary = form.boundary.toUtf8();
    QByteArray& body = form.body;
    if (contentTypePreamble)
        body += "Content-Type: multipart/form-data; boundary=" + boundary + "\r\n\r\n";
    bool first = true;
    for (const auto& [name, value] : fields) {
        body += (first ? "--" : "\r\n--") + boundary + "\r\n";
        body += "Content-Disposition: form-data; name=\"" + name.toUtf8() + "\"\r\n\r\n";
        body += value.toUtf8();
        first = false;
    }
    body += "\r\n--" + boundary + "--\r\n";
    return form;
}

void JVLMultipartForm::setBoundarySourceForTesting(BoundarySource source)
{
    jvlMultipartBoundarySource() = std::move(source);
}

bool JVLPostMultipartForm(const QString& urlString, const QString& userAgent, const JVLMultipartForm& form)
{
    const std::optional<URL> url = URL::URLWithString(urlString);
    if (!url) {
        log(QStringLiteral("Upload not sent: no usable URL \"%@\""), urlString);
        return false;
    }
    MutableURLRequest request(*url);
    request.setHTTPMethod(QStringLiteral("POST"));
    request.setValueForHTTPHeaderField(userAgent, QStringLiteral("User-Agent"));
    request.addValueForHTTPHeaderField(form.contentType(), QStringLiteral("Content-Type"));
    request.setHTTPBody(form.body);
    HTTPURLResponse response;
    Ref<Error> error;
    const std::optional<QByteArray> data = URLConnection::sendSynchronousRequestReturningResponseError(request, &response, &error);
    if (!data) {
        log(QStringLiteral("Upload to %@ failed: %@"), urlString, error ? error->localizedDescription() : QString());
        return false;
    }
    if (response.statusCode() < 200 || response.statusCode() > 299) {
        log(QStringLiteral("Upload to %@ answered status %@"), urlString, response.statusCode());
        return false;
    }
    return true;
}
