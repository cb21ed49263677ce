#include "gallery/pages/FeedbackPage.h"

#include "JVLAppKit/JVLCrashReporter/JVLCrashReporter.h"
#include "JVLAppKit/JVLFeedbackProvider/JVLFeedbackProvider.h"
#include "JVLAppKit/JVLFeedbackProvider/JVLLicenseWindowController.h"
#include "JVLAppKit/URLTextView.h"
#include "gallery/ReportReceiver.h"
#include "gallery/pages/GallerySwatch.h"

#include "FoundationExtensions/JVLNSMutableAttributedStringExtensions.h"
#include "FoundationExtensions/JVLNSObject_Extension.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/Alert.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/graphics/Color.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextStorage.h"

#include <csignal>

using kit::MakeRect;
using kit::Ref;

namespace {

void feedbackPageAdd(kit::View* page, const Ref<kit::View>& view)
{
    view->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(view.get());
}

void feedbackPageCrash()
{
    if (kit::RunAlertPanel(QStringLiteral("Crash the gallery?"),
            QStringLiteral("The gallery will quit at once, as after a real fault. At its next start it offers to send the crash log."),
            QStringLiteral("Crash"), QStringLiteral("Cancel"), QString())
        != kit::AlertDefaultReturn)
        return;
    std::raise(SIGSEGV);
}

// The receiver's state and the fields of the last form it took.
QString feedbackPageReceiverText()
{
    GalleryReportReceiver& receiver = GalleryReportReceiver::shared();
    QString text = receiver.status();
    const auto form = receiver.lastForm();
    if (!form)
        return text + QStringLiteral("\nNo form received yet.");
    text += QStringLiteral("\nLast form received at %1:").arg(form->path);
    for (const kit::MultipartField& field : form->fields) {
        QString value = QString::fromUtf8(field.value).simplified();
        if (value.size() > 90)
            value = value.left(90) + QChar(0x2026);
        text += QStringLiteral("\n  %1: %2").arg(QString::fromUtf8(field.name), value);
    }
    return text;
}

void feedbackPageToggleReceiver(GallerySwatch* box, GalleryPushButton* button)
{
    GalleryReportReceiver& receiver = GalleryReportReceiver::shared();
    if (receiver.isRunning())
        receiver.stop();
    else
        receiver.start();
    button->setTitle(receiver.isRunning() ? QStringLiteral("Stop Receiver") : QStringLiteral("Start Receiver"));
    box->setTitle(feedbackPageReceiverText());
}

} // namespace

kit::Ref<kit::View> makeFeedbackPage(kit::Rect frame)
{
    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const double top = frame.size.height - 40;
    struct Entry {
        const char* title;
        std::function<void()> action;
    };
    const Entry entries[] = {
        { "Send Feedback...", [] { JVLFeedbackProvider::showFeedbackProviderDialog(); } },
        { "Licence...", [] { JVLLicenseWindowController::sharedLicenseWindow()->showLicenseWindow(nullptr); } },
        { "Crash the Gallery...", feedbackPageCrash },
        { "Offer Crash Log Again",
            [] {
                kit::UserDefaults::standardUserDefaults()->removeObjectForKey(JVLCrashReporterLastCrashReportDateKey);
                JVLCrashReporter::checkForCrash();
            } },
    };
    double y = top - 30;
    for (const Entry& entry : entries) {
        feedbackPageAdd(page.get(), kit::make<GalleryPushButton>(MakeRect(30, y, 200, 28), QString::fromUtf8(entry.title), entry.action));
        y -= 40;
    }

    auto caption = kit::make<GallerySwatch>(MakeRect(270, top - 30, 560, 24), QColor(250, 250, 250), QStringLiteral("The licence, with its links"));
    feedbackPageAdd(page.get(), caption);
    auto scroll = kit::make<kit::ScrollView>(MakeRect(270, top - 400, 580, 360));
    scroll->setHasVerticalScroller(true);
    auto text = kit::make<URLTextView>(MakeRect(0, 0, 565, 360));
    text->setEditable(false);
    kit::Bundle* bundle = JVLNSObject_Extension::bundle(JVLLicenseWindowController::staticClass());
    if (Ref<kit::TextStorage> storage = kit::TextStorage::initWithRTFPath(bundle->pathForResourceOfType(QStringLiteral("JVLLicense.rtf"), QString()))) {
        JVLNSMutableAttributedStringExtensions::detectURLs(*storage, kit::Color::blueColor());
        text->layoutManager()->replaceTextStorage(storage);
    }
    scroll->setDocumentView(text.get());
    // A reader names the text by its caption.
    kit::AccessibilitySetOverrideValueForAttribute(kit::Value(text), kit::Value(caption), kit::AccessibilityTitleUIElementAttribute);
    feedbackPageAdd(page.get(), scroll);

    auto received = kit::make<GallerySwatch>(MakeRect(270, 16, 580, top - 420), QColor(238, 242, 236), feedbackPageReceiverText());
    galleryMarkStatusLine(kit::Value(received));
    feedbackPageAdd(page.get(), received);
    // The button and the box reach each other weakly: the page owns both.
    const kit::Weak<GallerySwatch> weakBox(received);
    auto toggleSlot = std::make_shared<kit::Weak<GalleryPushButton>>();
    auto toggle = kit::make<GalleryPushButton>(MakeRect(30, y, 200, 28),
        GalleryReportReceiver::shared().isRunning() ? QStringLiteral("Stop Receiver") : QStringLiteral("Start Receiver"), [weakBox, toggleSlot] {
            const auto box = weakBox.lock();
            const auto button = toggleSlot->lock();
            if (box && button)
                feedbackPageToggleReceiver(box.get(), button.get());
        });
    *toggleSlot = toggle;
    feedbackPageAdd(page.get(), toggle);
    kit::NotificationCenter::defaultCenter()->addObserverSelectorNameObject(
        received.get(),
        [weakBox](kit::Notification*) {
            if (const auto box = weakBox.lock())
                box->setTitle(feedbackPageReceiverText());
        },
        GalleryReportReceivedNotification, nullptr);
    return page;
}
