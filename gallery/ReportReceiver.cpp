#include "gallery/ReportReceiver.h"

#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/MainThread.h"

#include <QUrl>

using namespace kit;

GalleryReportReceiver& GalleryReportReceiver::shared()
{
    static GalleryReportReceiver receiver;
    return receiver;
}

bool GalleryReportReceiver::start()
{
    if (listener_)
        return true;
    const QUrl url(Bundle::mainBundle()->infoDictionary().objectForKey(QStringLiteral("JVLFeedbackProviderCGIURL")).string());
    const int port = url.port();
    if (url.host() != QLatin1String("127.0.0.1") || port <= 0) {
        status_ = QStringLiteral("Receiver off: the feedback address is not on 127.0.0.1.");
        return false;
    }
    QString error;
    listener_ = LoopbackHttpListener::listen(std::uint16_t(port), [this](const HttpRequest& request) { return receive(request); }, -1, &error);
    status_ = listener_ ? QStringLiteral("Receiver listening on 127.0.0.1:%1.").arg(port)
                        : QStringLiteral("Receiver off: port %1 not available (%2), so sending fails.").arg(port).arg(error);
    return listener_ != nullptr;
}

void GalleryReportReceiver::stop()
{
    listener_.reset();
    status_ = QStringLiteral("Receiver stopped: sending fails and keeps what was typed.");
}

std::optional<GalleryReportReceiver::Form> GalleryReportReceiver::lastForm() const
{
    std::lock_guard lock(mutex_);
    return lastForm_;
}

// On the listener's thread.
LoopbackHttpListener::Answer GalleryReportReceiver::receive(const HttpRequest& request)
{
    const QString path = QString::fromUtf8(request.target);
    if (request.method != "POST" || (path != QLatin1String("/feedback") && path != QLatin1String("/crashreport")))
        return LoopbackHttpListener::Answer::withStatus(404);
    const auto fields = parseMultipartForm(request.body, multipartBoundary(request.header("Content-Type").value_or(QByteArray())));
    if (!fields)
        return LoopbackHttpListener::Answer::withStatus(400);
    {
        std::lock_guard lock(mutex_);
        lastForm_ = Form { path, *fields };
    }
    performOnMainThread([] { NotificationCenter::defaultCenter()->postNotificationNameObject(GalleryReportReceivedNotification, nullptr); }, false);
    return LoopbackHttpListener::Answer::withStatus(200, "Thank you.");
}
