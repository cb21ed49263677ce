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

namespace {
const QString GalleryUploadKeys[] = { QStringLiteral("JVLFeedbackProviderCGIURL"), QStringLiteral("JVLCrashReporterCGIURL") };
} // namespace

void GalleryReportReceiver::pointUploadsAtPort(std::uint16_t port)
{
    Bundle* main = Bundle::mainBundle();
    for (const QString& key : GalleryUploadKeys) {
        QUrl url(main->infoDictionary().objectForKey(key).string());
        url.setPort(port);
        main->setInfoDictionaryValueForKey(url.toString(), key);
    }
}

bool GalleryReportReceiver::start()
{
    if (listener_)
        return true;
    // Another gallery may listen at the port Info.json names: each takes a port of its own.
    for (const QString& key : GalleryUploadKeys) {
        if (QUrl(Bundle::mainBundle()->infoDictionary().objectForKey(key).string()).host() != QLatin1String("127.0.0.1")) {
            status_ = QStringLiteral("Receiver off: the upload addresses are not on 127.0.0.1.");
            return false;
        }
    }
    QString error;
    listener_ = LoopbackHttpListener::listen(0, [this](const HttpRequest& request) { return receive(request); }, -1, &error);
    if (!listener_) {
        pointUploadsAtPort(LoopbackHttpListener::refusedPort());
        status_ = QStringLiteral("Receiver off: no port on 127.0.0.1 (%1), so sending fails.").arg(error);
        return false;
    }
    pointUploadsAtPort(listener_->port());
    status_ = QStringLiteral("Receiver listening on 127.0.0.1:%1, where this gallery sends its reports.").arg(listener_->port());
    return true;
}

void GalleryReportReceiver::stop()
{
    if (listener_) {
        // The addresses still name the port just closed: nobody answers there.
        listener_.reset();
        status_ = QStringLiteral("Receiver stopped: sending fails and keeps what was typed.");
    }
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
