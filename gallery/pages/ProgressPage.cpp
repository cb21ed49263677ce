#include "gallery/pages/ProgressPage.h"

#include "JVLAppKit/JVLProgressWindowController/JVLProgressWindowController.h"
#include "KSSpinningProgressIndicator/KSSpinningProgressIndicator.h"
#include "gallery/pages/GallerySwatch.h"

#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Thread.h"

#include <algorithm>
#include <vector>

using kit::MakeRect;
using kit::Ref;

namespace {

// One row: a spinner, a caption and the buttons that drive it.
struct Row {
    Ref<KSSpinningProgressIndicator> spinner;
    double y;
};

// Three workers: two count up determinately, one works without a known amount. Each stops early
// when the user cancels.
void galleryQueueWork(JVLProgressWindowController& controller)
{
    controller.setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(QStringLiteral("Gallery work"), 0, 3, 0, true);
    kit::NotificationCenter* center = kit::NotificationCenter::defaultCenter().get();
    controller.operationQueue()->setMaxConcurrentOperationCount(1);
    for (int w = 0; w < 3; ++w) {
        controller.operationQueue()->addOperationWithBlock([center, w] {
            namespace post = QVProgressWindowController;
            const bool determinate = w != 1;
            const int steps = 40;
            Ref<JVLProgressDescriptor> d = determinate
                ? post::postWillBeginProcessingWithTitleInfoTextMinValueMaxValueStartValueAllowCancel(
                    center, QStringLiteral("Counting"), QStringLiteral("Counting up, part %1").arg(w + 1), 0, steps, 0, true)
                : post::postWillBeginProcessingWithTitleInfoTextAllowCancel(center, QStringLiteral("Thinking"),
                    QStringLiteral("Working without a known amount"), true);
            for (int i = 1; i <= steps && !d->isCancelled(); ++i) {
                kit::Thread::sleepForTimeInterval(0.05);
                post::postUpdateProgressDescriptorWithCurrentValueProgressDescription(center, d.get(), i, QStringLiteral("Step %1 of %2").arg(i).arg(steps));
            }
            post::postDidEndProcessingWithProgressDescriptor(center, d.get());
        });
    }
}

} // namespace

kit::Ref<kit::View> makeProgressPage(kit::Rect frame)
{
    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const double top = frame.size.height - 40;
    std::vector<Ref<GallerySwatch>> labels;
    // Each indicator is named, and so is each button by the indicator it drives.
    auto add = [&](double y, double size, const QString& caption, const QString& name) {
        auto spinner = kit::make<KSSpinningProgressIndicator>(MakeRect(40, y, size, size));
        spinner->setToolTip(name);
        spinner->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(spinner.get());
        auto label = kit::make<GallerySwatch>(MakeRect(std::max(110.0, 60 + size), y, 300, 40), QColor(250, 250, 250), caption);
        label->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(label.get());
        labels.push_back(label);
        return spinner;
    };
    auto button = [&](double x, double y, const QString& title, const QString& name, std::function<void()> action) {
        auto b = kit::make<GalleryPushButton>(MakeRect(x, y + 6, 96, 28), title, std::move(action));
        b->setAccessibilityName(name);
        b->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(b.get());
    };

    // Indeterminate, spinning from a timer in the common modes.
    auto timerSpinner = add(top - 40, 40, QStringLiteral("Indeterminate, timer"), QStringLiteral("Timer spinner"));
    timerSpinner->startAnimation();
    Ref<KSSpinningProgressIndicator> s = timerSpinner;
    button(430, top - 40, QStringLiteral("Start"), QStringLiteral("Start the timer spinner"), [s] { s->startAnimation(); });
    button(530, top - 40, QStringLiteral("Stop"), QStringLiteral("Stop the timer spinner"), [s] { s->stopAnimation(); });

    // Indeterminate, from a thread of its own, coloured.
    auto threaded = add(top - 100, 40, QStringLiteral("Indeterminate, own thread, coloured"), QStringLiteral("Coloured spinner"));
    threaded->setColor(kit::Color::colorWithSRGBRedGreenBlueAlpha(0.12, 0.43, 0.78, 1));
    threaded->setUsesThreadedAnimation(true);
    threaded->startAnimation();
    Ref<KSSpinningProgressIndicator> t = threaded;
    button(430, top - 100, QStringLiteral("Start"), QStringLiteral("Start the coloured spinner"), [t] { t->startAnimation(); });
    button(530, top - 100, QStringLiteral("Stop"), QStringLiteral("Stop the coloured spinner"), [t] { t->stopAnimation(); });
    button(630, top - 100, QStringLiteral("Thread"), QStringLiteral("Coloured spinner on its own thread or the timer"),
        [t] { t->setUsesThreadedAnimation(!t->usesThreadedAnimation()); });

    // Determinate pie; its caption says the value it shows.
    auto pie = add(top - 160, 40, QString(), QStringLiteral("Pie"));
    const Ref<GallerySwatch> pieLabel = labels.back();
    Ref<KSSpinningProgressIndicator> p = pie;
    const auto setPie = [p, pieLabel](double value) {
        p->setDoubleValue(std::clamp(value, 0.0, p->maxValue()));
        pieLabel->setTitle(QStringLiteral("Determinate pie, %1 of %2").arg(p->doubleValue()).arg(p->maxValue()));
    };
    setPie(65);
    button(430, top - 160, QStringLiteral("+10"), QStringLiteral("Pie plus 10"), [p, setPie] { setPie(p->doubleValue() + 10); });
    button(530, top - 160, QStringLiteral("-10"), QStringLiteral("Pie minus 10"), [p, setPie] { setPie(p->doubleValue() - 10); });

    // Hidden while stopped, on a dark background.
    auto hiding = add(top - 220, 40, QStringLiteral("White on dark, hidden while stopped"), QStringLiteral("White spinner"));
    hiding->setColor(kit::Color::whiteColor());
    hiding->setBackgroundColor(kit::Color::colorWithSRGBRedGreenBlueAlpha(0.24, 0.24, 0.27, 1));
    hiding->setDrawsBackground(true);
    hiding->setDisplayedWhenStopped(false);
    hiding->startAnimation();
    Ref<KSSpinningProgressIndicator> hd = hiding;
    button(430, top - 220, QStringLiteral("Start"), QStringLiteral("Start the white spinner"), [hd] { hd->startAnimation(); });
    button(530, top - 220, QStringLiteral("Stop"), QStringLiteral("Stop the white spinner"), [hd] { hd->stopAnimation(); });

    // A large one.
    auto large = add(top - 360, 120, QStringLiteral("Large"), QStringLiteral("Large spinner"));
    large->setColor(kit::Color::colorWithSRGBRedGreenBlueAlpha(0.75, 0.24, 0.2, 1));
    large->startAnimation();

    // The progress window, driven by worker operations: as a sheet, modally or as a plain window.
    static Ref<JVLProgressWindowController> progress = kit::make<JVLProgressWindowController>();
    // Weak: the page owns the buttons whose actions reach it.
    const kit::Weak<GallerySwatch> pageRef { page };
    auto wide = [&](double x, const QString& title, std::function<void()> action) {
        auto b = kit::make<GalleryPushButton>(MakeRect(x, top - 294, 130, 28), title, std::move(action));
        b->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(b.get());
    };
    wide(300, QStringLiteral("Run as sheet"), [pageRef] {
        galleryQueueWork(*progress);
        const Ref<GallerySwatch> shown = pageRef.lock();
        if (const Ref<kit::Window> window = shown ? shown->window() : nullptr)
            progress->beginProgressSheetForWindowCompletionHandler(window.get(), nullptr);
    });
    wide(440, QStringLiteral("Run modally"), [] {
        galleryQueueWork(*progress);
        progress->showProgressWindowWithCompletionHandler(nullptr);
    });
    wide(580, QStringLiteral("Run in a window"), [] {
        galleryQueueWork(*progress);
        progress->showProgressWindow();
    });
    return page;
}
