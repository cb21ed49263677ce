#pragma once

// The gallery's own endpoint for the crash reports and feedback forms it sends: a loopback HTTP
// listener at the port its Info.json names for both uploads, answering 200 to those two paths.
// It keeps the fields of the last form received and posts GalleryReportReceivedNotification on the
// main thread. When the port is taken it stays off, and sending fails: the path that keeps the
// user's text.

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

    // Listens at the port of "JVLFeedbackProviderCGIURL"; false (and `status` says why) when it cannot.
    bool start();
    void stop();
    bool isRunning() const { return listener_ != nullptr; }
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

    std::unique_ptr<kit::LoopbackHttpListener> listener_;
    QString status_ = QStringLiteral("Receiver off.");
    mutable std::mutex mutex_;
    std::optional<Form> lastForm_;
};
