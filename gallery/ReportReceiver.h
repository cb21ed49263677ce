#pragma once

// The gallery's own endpoint for the crash reports and feedback forms it sends: a loopback HTTP
// listener on a port of its own (every gallery on the machine has one), to which this process's
// two upload addresses (Info.json's, on 127.0.0.1) are pointed while it runs; it answers 200 to
// those two paths. It keeps the fields of the last form received and posts
// GalleryReportReceivedNotification on the main thread. Stopped (or when no port can be had) the
// addresses point at a port nobody answers, so sending fails: the path that keeps the user's text.

#include "kit/foundation/MultipartFormReader.h"
#include "kit/linux/LoopbackHttpListener.h"

#include <QString>

#include <memory>
#include <mutex>
#include <vector>

inline const QString GalleryReportReceivedNotification = QStringLiteral("GalleryReportReceivedNotification");

class GalleryReportReceiver {
public:
    // The gallery's one receiver (the gallery starts it in interactive runs only).
    static GalleryReportReceiver& shared();

    // Listens on a port the system picks and points "JVLFeedbackProviderCGIURL" and
    // "JVLCrashReporterCGIURL" at it; false (and `status` says why) when it cannot.
    bool start();
    void stop();
    bool isRunning() const { return listener_ != nullptr; }
    // The port listened on; 0 when off.
    std::uint16_t port() const { return listener_ ? listener_->port() : 0; }
    // One line for the page: where it listens, or why it does not.
    QString status() const { return status_; }

    struct Form {
        QString path; // "/feedback", "/crashreport"
        std::vector<kit::MultipartField> fields;
    };
    // The last form received, if any.
    std::optional<Form> lastForm() const;

private:
    kit::LoopbackHttpListener::Answer receive(const kit::HttpRequest& request);
    // Both upload addresses of this process, on 127.0.0.1 at `port`, with their paths.
    static void pointUploadsAtPort(std::uint16_t port);

    std::unique_ptr<kit::LoopbackHttpListener> listener_;
    QString status_ = QStringLiteral("Receiver off.");
    mutable std::mutex mutex_;
    std::optional<Form> lastForm_;
};
