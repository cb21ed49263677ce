#include "JVLAppKit/JVLProgressWindowController/JVLProgressWindowController.h"
#include "JVLAppKit/JVLWindow/JVLWindow.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Screen.h"
#include "kit/controls/Button.h"
#include "kit/controls/ImageView.h"
#include "kit/controls/ProgressIndicator.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Thread.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <future>
#include <thread>

using namespace kit;
namespace post = QVProgressWindowController;

namespace {

const QString ellipsis = QString(QChar(0x2026));

class ProgressWindowTest : public testing::Test {
protected:
    void SetUp() override { Application::resetForTesting(); }
    void TearDown() override
    {
        controller = nullptr;
        RunLoop::main().runPending();
        Application::resetForTesting();
    }
    NotificationCenter* center() { return NotificationCenter::defaultCenter().get(); }
    bool runUntil(const std::function<bool()>& predicate) { return RunLoop::main().runUntil(predicate, 60); }
    Ref<JVLProgressWindowController> controller = make<JVLProgressWindowController>();
};

TEST_F(ProgressWindowTest, TheInterfaceFileConnectsEveryOutlet)
{
    ASSERT_TRUE(controller->window());
    EXPECT_TRUE(controller->window()->isKindOfClass(JVLWindow::staticClass()));
    EXPECT_TRUE(controller->imageView());
    EXPECT_TRUE(controller->infoTextField());
    EXPECT_TRUE(controller->progressDescriptionTextField());
    ASSERT_TRUE(controller->progressIndicator());
    ASSERT_TRUE(controller->cancelButton());
    EXPECT_EQ(controller->cancelButton()->target().get(), controller.get());
    // Recorded before the first updateGUI changed anything.
    EXPECT_EQ(controller->defaultProgressIndicatorWidth(), 220);
}

// Without a picture of its own the descriptor leaves the application's icon in the image view,
// never an empty column; its own picture replaces it.
TEST_F(ProgressWindowTest, TheImageViewShowsTheApplicationIconUntilADescriptorBringsAPicture)
{
    ASSERT_TRUE(controller->window());
    ASSERT_FALSE(controller->currentProgressDescriptor()->image());
    // A copy of the named image, as every decoded image is.
    const Ref<Image> shown = controller->imageView()->image();
    ASSERT_TRUE(shown) << "an empty column";
    EXPECT_EQ(shown->name(), ImageNameApplicationIcon);
    EXPECT_EQ(shown->size(), Image::imageNamed(ImageNameApplicationIcon)->size());
    auto own = make<Image>(MakeSize(16, 16));
    controller->currentProgressDescriptor()->setImage(own);
    RunLoop::main().runPending();
    EXPECT_EQ(controller->imageView()->image(), own);
}

TEST_F(ProgressWindowTest, SetupWithoutTitleUsesTheDefaultTitleAndAnEllipsis)
{
    ASSERT_EQ(controller->progressDescriptors().size(), 1u);
    EXPECT_EQ(controller->currentProgressDescriptor()->title(), QStringLiteral("Working"));
    EXPECT_TRUE(controller->currentProgressDescriptor()->infoText().isEmpty());

    auto d = controller->setupAsIndeterminateWithTitleAllowCancel(QString(), true);
    EXPECT_EQ(controller->progressDescriptors().size(), 1u);
    EXPECT_EQ(d->title(), QStringLiteral("Working"));
    EXPECT_EQ(d->infoText(), QStringLiteral("Working") + ellipsis);
    EXPECT_TRUE(d->isIndeterminate());

    auto e = controller->setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(QStringLiteral("Copy"), 10, 20, 10, false);
    EXPECT_EQ(controller->progressDescriptors().size(), 1u);
    EXPECT_EQ(e->infoText(), QStringLiteral("Copy") + ellipsis);
    EXPECT_EQ(e->currentValue(), 10);
    auto f = controller->setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(QStringLiteral("Copy"), 10, 20, 15, false);
    EXPECT_EQ(f->currentValue(), 15);
}

TEST_F(ProgressWindowTest, APushedDescriptorInheritsTitleAndInfoTextFromTheOneBelow)
{
    controller->setupAsIndeterminateWithTitleAllowCancel(QStringLiteral("Import"), false);
    auto child = make<JVLProgressDescriptor>(QString(), QString(), false);
    controller->addProgressDescriptor(child.get());
    EXPECT_EQ(child->title(), QStringLiteral("Import"));
    EXPECT_EQ(child->infoText(), QStringLiteral("Import") + ellipsis);
    auto own = make<JVLProgressDescriptor>(QStringLiteral("Own"), QStringLiteral("text"), false);
    controller->addProgressDescriptor(own.get());
    EXPECT_EQ(own->title(), QStringLiteral("Own"));
    controller->removeProgressDescriptor(own.get());
    EXPECT_EQ(controller->currentProgressDescriptor(), child);
}

TEST_F(ProgressWindowTest, StackChangesAreAnnouncedAndTheBoundTextsFollow)
{
    ASSERT_TRUE(controller->window());
    auto d = controller->setupAsIndeterminateWithTitleAllowCancel(QStringLiteral("Scan"), false);
    EXPECT_EQ(controller->infoTextField()->valueForKey("value").stringValue(), QStringLiteral("Scan") + ellipsis);
    auto top = make<JVLProgressDescriptor>(QStringLiteral("Top"), QStringLiteral("top info"), false);
    controller->addProgressDescriptor(top.get());
    EXPECT_EQ(controller->infoTextField()->valueForKey("value").stringValue(), QStringLiteral("top info"));
    top->setProgressDescription(QStringLiteral("file 3"));
    EXPECT_EQ(controller->progressDescriptionTextField()->valueForKey("value").stringValue(), QStringLiteral("file 3"));
    EXPECT_EQ(controller->window()->title(), QStringLiteral("Top"));
    controller->removeProgressDescriptor(top.get());
    EXPECT_EQ(controller->infoTextField()->valueForKey("value").stringValue(), QStringLiteral("Scan") + ellipsis);
    EXPECT_EQ(controller->window()->title(), QStringLiteral("Scan"));
}

struct BarCase {
    double value;
    double expected;
};

class ProgressBarClamp : public ProgressWindowTest, public testing::WithParamInterface<BarCase> { };

// An update notification moves the bar, limited to the range.
TEST_P(ProgressBarClamp, UpdatesMoveTheBarWithinItsRange)
{
    ASSERT_TRUE(controller->window());
    auto d = controller->setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(QStringLiteral("T"), 10, 20, 10, true);
    controller->showProgressWindow();
    post::postUpdateProgressDescriptorWithCurrentValueProgressDescription(center(), d.get(), GetParam().value, QStringLiteral("step"));
    RunLoop::main().runPending();
    EXPECT_DOUBLE_EQ(d->currentValue(), GetParam().value);
    ProgressIndicator& bar = *controller->progressIndicator();
    EXPECT_FALSE(bar.isIndeterminate());
    EXPECT_DOUBLE_EQ(bar.minValue(), 10);
    EXPECT_DOUBLE_EQ(bar.maxValue(), 20);
    EXPECT_DOUBLE_EQ(bar.doubleValue(), GetParam().expected);
    controller->hideProgressWindow();
}

INSTANTIATE_TEST_SUITE_P(Values, ProgressBarClamp,
    testing::Values(BarCase { 12.5, 12.5 }, BarCase { 25, 20 }, BarCase { 3, 10 }, BarCase { 10, 10 }, BarCase { 20, 20 }));

TEST_F(ProgressWindowTest, UpdateWithHalfSetsTheCurrentValue)
{
    auto d = controller->setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(QStringLiteral("T"), 0, 1, 0, false);
    controller->showProgressWindow();
    post::postUpdateProgressDescriptorChange(center(), d.get(), Dictionary { { Value("currentValue"), Value(double(0.5f)) } });
    RunLoop::main().runPending();
    EXPECT_DOUBLE_EQ(d->currentValue(), 0.5);
    controller->hideProgressWindow();
}

TEST_F(ProgressWindowTest, TheBarSwitchesModesAndWidensWithoutACancelButton)
{
    ASSERT_TRUE(controller->window());
    ProgressIndicator& bar = *controller->progressIndicator();
    Button& button = *controller->cancelButton();
    controller->setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(QStringLiteral("T"), 0, 10, 5, true);
    EXPECT_FALSE(bar.isIndeterminate());
    EXPECT_FALSE(bar.isAnimating());
    EXPECT_EQ(bar.frame().size.width, 220);
    EXPECT_FALSE(button.isHidden());
    EXPECT_TRUE(button.isEnabled());

    controller->setupAsIndeterminateWithTitleAllowCancel(QStringLiteral("T"), false);
    EXPECT_TRUE(bar.isIndeterminate());
    EXPECT_TRUE(bar.isAnimating());
    EXPECT_EQ(bar.frame().origin.x + bar.frame().size.width, button.frame().origin.x + button.frame().size.width);
    EXPECT_TRUE(button.isHidden());
    EXPECT_FALSE(button.isEnabled());

    controller->setupAsDeterminateWithTitleMinValueMaxValueInitialValueAllowCancel(QStringLiteral("T"), 0, 10, 5, true);
    EXPECT_EQ(bar.frame().size.width, 220);
    EXPECT_FALSE(bar.isAnimating());
}

TEST_F(ProgressWindowTest, AnEmptyQueueCallsTheBlockAtOnceWithNo)
{
    auto parent = make<Window>(MakeRect(0, 0, 400, 300), TitledWindowMask);
    test::LogRecorder log;
    std::vector<bool> calls;
    controller->beginProgressSheetForWindowCompletionHandler(parent.get(), [&](bool cancelled) { calls.push_back(cancelled); });
    controller->showProgressWindowWithCompletionHandler([&](bool cancelled) { calls.push_back(cancelled); });
    EXPECT_EQ(calls, (std::vector<bool> { false, false }));
    EXPECT_TRUE(log.contains(QStringLiteral("Warning: JVLProgressWindowController no operations in queue")));
    EXPECT_FALSE(Application::sharedApplication()->attachedSheetOfWindow(parent.get()));
}

TEST_F(ProgressWindowTest, CallsFromAnotherThreadAreRefusedWithTheirLogLines)
{
    auto parent = make<Window>(MakeRect(0, 0, 400, 300), TitledWindowMask);
    controller->operationQueue()->addOperationWithBlock([] { });
    test::LogRecorder log;
    bool called = false;
    std::thread worker([&] {
        controller->beginProgressSheetForWindowCompletionHandler(parent.get(), [&](bool) { called = true; });
        controller->showProgressWindowWithCompletionHandler([&](bool) { called = true; });
        controller->showProgressWindow();
        controller->hideProgressWindow();
    });
    worker.join();
    for (const char* method : { "-beginProgressSheetForWindow:completionHandler:", "-showProgressWindowWithCompletionHandler:",
             "-showProgressWindow:", "-hideProgressWindow:" })
        EXPECT_TRUE(log.contains(QString::fromUtf8(method) + QStringLiteral(" It is not allowed to invoke this method from a concurrent thread.")))
            << method;
    EXPECT_FALSE(called);
    runUntil([&] { return controller->operationQueue()->operationCount() == 0; });
}

TEST_F(ProgressWindowTest, ModalRunEndsWhenTheWorkersFinishAndTheWindowShowsTheirLastValues)
{
    constexpr int workers = 8;
    constexpr int updates = 1000;
    std::vector<Ref<JVLProgressDescriptor>> posted(workers);
    for (int w = 0; w < workers; ++w) {
        controller->operationQueue()->addOperationWithBlock([this, w, &posted] {
            auto d = post::postWillBeginProcessingWithTitleInfoTextMinValueMaxValueStartValueAllowCancel(
                center(), QStringLiteral("worker %1").arg(w), QStringLiteral("starting"), 0, updates, 0, true);
            posted[w] = d;
            for (int i = 1; i <= updates; ++i)
                post::postUpdateProgressDescriptorWithTitleInfoTextCurrentValueProgressDescription(
                    center(), d.get(), QString(), QStringLiteral("info %1").arg(i), i, QStringLiteral("step %1").arg(i));
            post::postDidEndProcessingWithProgressDescriptor(center(), d.get());
        });
    }
    int calls = 0;
    bool cancelledFlag = true;
    controller->showProgressWindowWithCompletionHandler([&](bool cancelled) {
        ++calls;
        cancelledFlag = cancelled;
    });
    RunLoop::main().runPending();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(cancelledFlag);
    EXPECT_TRUE(controller->progressDescriptors().empty());
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_FALSE(Application::sharedApplication()->modalWindow());
    for (int w = 0; w < workers; ++w) {
        ASSERT_TRUE(posted[w]);
        EXPECT_EQ(posted[w]->infoText(), QStringLiteral("info %1").arg(updates));
        EXPECT_EQ(posted[w]->progressDescription(), QStringLiteral("step %1").arg(updates));
        EXPECT_DOUBLE_EQ(posted[w]->currentValue(), updates);
    }
}

// Escape in the window is its Cancel button, while the run may be cancelled.
TEST_F(ProgressWindowTest, EscapeCancelsACancellableRun)
{
    for (const bool allowCancel : { false, true }) {
        auto base = controller->setupAsIndeterminateWithTitleAllowCancel(QStringLiteral("Long"), allowCancel);
        test::EventScript script(controller->window().get());
        script.key(KeyCodeEscape, QString(QChar(0x1B)));
        script.run();
        EXPECT_EQ(base->isCancelled(), allowCancel) << allowCancel;
    }
}

TEST_F(ProgressWindowTest, CancelPassesYesAndMarksEveryDescriptor)
{
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    std::atomic<bool> sawCancel { false };
    auto base = controller->setupAsIndeterminateWithTitleAllowCancel(QStringLiteral("Long"), true);
    Ref<JVLProgressDescriptor> workerDescriptor;
    controller->operationQueue()->setMaxConcurrentOperationCount(1);
    controller->operationQueue()->addOperationWithBlock([&, gate] {
        workerDescriptor = post::postWillBeginProcessingWithTitleInfoTextAllowCancel(center(), QStringLiteral("part"), QStringLiteral("one"), true);
        gate.wait();
        sawCancel = workerDescriptor->isCancelled();
    });
    bool pendingRan = false;
    controller->operationQueue()->addOperationWithBlock([&] { pendingRan = true; });
    std::vector<bool> calls;
    auto parent = make<Window>(MakeRect(0, 0, 400, 300), TitledWindowMask);
    controller->beginProgressSheetForWindowCompletionHandler(parent.get(), [&](bool cancelled) { calls.push_back(cancelled); });
    ASSERT_TRUE(runUntil([&] { return controller->progressDescriptors().size() == 2; }));
    controller->cancel();
    EXPECT_FALSE(controller->cancelButton()->isEnabled());
    EXPECT_TRUE(base->isCancelled());
    release.set_value();
    ASSERT_TRUE(runUntil([&] { return !calls.empty(); }));
    EXPECT_EQ(calls, std::vector<bool> { true });
    EXPECT_TRUE(sawCancel);
    EXPECT_FALSE(pendingRan);
    EXPECT_FALSE(Application::sharedApplication()->attachedSheetOfWindow(parent.get()));
    EXPECT_FALSE(controller->window()->isVisible());
}

// "Run in a window" opens the window centred on the one the user works in, wherever its interface
// file put it or it last was a sheet; without such a window, centred on the screen as a modal run.
TEST_F(ProgressWindowTest, APlainWindowOpensCentredOnTheWindowItWasStartedFrom)
{
    const Ref<Window> progress = controller->window();
    const auto runOnce = [&](const std::function<void()>& show) {
        std::promise<void> release;
        std::shared_future<void> gate = release.get_future().share();
        controller->operationQueue()->addOperationWithBlock([gate] { gate.wait(); });
        show();
        const Rect shown = progress->frame();
        release.set_value();
        EXPECT_TRUE(runUntil([&] { return !progress->isVisible(); }));
        return shown;
    };
    // Centred across the screen's free area, a third of the way down it.
    const Rect screen = Screen::mainScreen()->visibleFrame();
    const Size own = progress->frame().size;
    const Point onScreen = MakePoint(std::floor(screen.midX() - own.width / 2), std::floor(screen.minY() + (screen.height() - own.height) * 2 / 3));
    EXPECT_EQ(runOnce([&] { controller->showProgressWindow(); }).origin, onScreen) << "no window to start from";

    auto parent = make<Window>(MakeRect(100, 100, 500, 300), TitledWindowMask);
    parent->makeKeyAndOrderFront();
    // Centred on (350, 250).
    const Size size = progress->frame().size;
    const Point onParent = MakePoint(std::floor(350 - size.width / 2), std::floor(250 - size.height / 2));
    EXPECT_EQ(runOnce([&] { controller->showProgressWindow(); }).origin, onParent);
    const Rect sheet = runOnce([&] { controller->beginProgressSheetForWindowCompletionHandler(parent.get(), nullptr); });
    EXPECT_NE(sheet.origin, onParent);
    parent->makeKeyAndOrderFront();
    EXPECT_EQ(runOnce([&] { controller->showProgressWindow(); }).origin, onParent) << "not where the sheet was";
}

// The window is named by the work it shows, and so is its picture, whatever the picture.
TEST_F(ProgressWindowTest, TheWindowAndItsPictureAreNamedByTheCurrentWork)
{
    ASSERT_TRUE(controller->window());
    const Value picture = controller->imageView()->accessibilityElement();
    const auto nameOf = [](const Value& element) { return AccessibilityAttributeValue(element, AccessibilityTitleAttribute).stringValue(); };
    controller->setupAsIndeterminateWithTitleAllowCancel(QStringLiteral("Gallery work"), true);
    EXPECT_EQ(nameOf(picture), QStringLiteral("Gallery work"));
    auto thinking = make<JVLProgressDescriptor>(QStringLiteral("Thinking"), QStringLiteral("Working without a known amount"), true);
    controller->addProgressDescriptor(thinking.get());
    EXPECT_EQ(nameOf(picture), QStringLiteral("Thinking"));
    EXPECT_EQ(nameOf(Value(controller->window())), QStringLiteral("Thinking"));
    controller->removeProgressDescriptor(thinking.get());
    EXPECT_EQ(nameOf(picture), QStringLiteral("Gallery work"));
    EXPECT_EQ(nameOf(Value(controller->window())), QStringLiteral("Gallery work"));
}

TEST_F(ProgressWindowTest, APlainWindowCompletingLeavesAnUnrelatedModalSessionRunning)
{
    auto app = Application::sharedApplication();
    auto other = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    controller->operationQueue()->addOperationWithBlock([gate] { gate.wait(); });
    bool sessionRunningAtCompletion = false;
    controller->setCompletionBlock([&](bool) {
        sessionRunningAtCompletion = app->modalWindow() == other;
        app->stopModalWithCode(42);
    });
    controller->showProgressWindow();
    EXPECT_TRUE(controller->window()->isVisible());
    // Runs inside the modal session below.
    OperationQueue::mainQueue()->addOperationWithBlock([&] { release.set_value(); });
    EXPECT_EQ(app->runModalForWindow(other.get()), 42);
    EXPECT_TRUE(sessionRunningAtCompletion);
}

TEST_F(ProgressWindowTest, ModalCompletionWaitsWhileAnotherSessionRunsAboveIt)
{
    auto app = Application::sharedApplication();
    auto alert = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    controller->operationQueue()->addOperationWithBlock([gate] { gate.wait(); });
    int calls = 0;
    int callsWhileAlertRan = -1;
    std::int64_t alertCode = 0;
    // Loop performs, not main-queue blocks: the main queue runs one block at a time, and the first
    // step holds it for the alert's whole session.
    auto anchor = make<Object>();
    auto later = [&anchor](std::function<void()> step) {
        RunLoop::main().performAfterDelay(
            PerformRequest::make(anchor.get(), QStringLiteral("step"), 0, [step](Object&, int) { step(); }), 0, { RunLoopCommonModes });
    };
    // Inside the progress window's modal session, an alert's session starts above it; the work ends
    // while the alert runs, and the alert is dismissed a few main-queue turns later.
    later([&] {
        later([&] {
            release.set_value();
            RunLoop::main().runUntil([&] { return controller->operationQueue()->operationCount() == 0; }, 60);
            later([&] {
                later([&] {
                    later([&] {
                        callsWhileAlertRan = calls;
                        app->stopModalWithCode(7);
                    });
                });
            });
        });
        alertCode = app->runModalForWindow(alert.get());
    });
    controller->showProgressWindowWithCompletionHandler([&](bool) { ++calls; });
    EXPECT_EQ(alertCode, 7) << "the alert's session ends with its own code";
    EXPECT_EQ(callsWhileAlertRan, 0);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(app->modalWindow());
    EXPECT_FALSE(controller->window()->isVisible());
}

TEST_F(ProgressWindowTest, WorkThatEndedBeforeTheModalLoopRanCompletesOnce)
{
    // The queue's report of its last operation is waiting on the main queue when the loop starts.
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    controller->operationQueue()->addOperationWithBlock([gate] { gate.wait(); });
    release.set_value();
    controller->operationQueue()->waitUntilAllOperationsAreFinished();
    int calls = 0;
    controller->showProgressWindowWithCompletionHandler([&](bool) { ++calls; });
    RunLoop::main().runPending();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(Application::sharedApplication()->modalWindow());
    EXPECT_FALSE(controller->window()->isVisible());
}

TEST_F(ProgressWindowTest, ANotificationWithoutObjectLeavesTheStack)
{
    // The work runs until the notifications are handled.
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    controller->operationQueue()->addOperationWithBlock([gate] { gate.wait(); });
    controller->showProgressWindow();
    ASSERT_TRUE(controller->isObservingNotifications());
    const auto before = controller->progressDescriptors();
    center()->postNotificationNameObject(QVWillBeginProcessingWithProgressDescriptor, nullptr);
    center()->postNotificationNameObjectUserInfo(
        QVUpdateProcessingWithProgressDescriptor, nullptr, Dictionary { { Value("infoText"), Value(QStringLiteral("x")) } });
    center()->postNotificationNameObject(QVDidEndProcessingWithProgressDescriptor, nullptr);
    RunLoop::main().runPending();
    EXPECT_EQ(controller->progressDescriptors(), before);
    release.set_value();
    runUntil([&] { return controller->operationQueue()->operationCount() == 0; });
    controller->hideProgressWindow();
}

TEST_F(ProgressWindowTest, DestroyingTheControllerWhileOperationsRunIsSafe)
{
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    std::atomic<bool> started { false };
    controller->operationQueue()->addOperationWithBlock([&, gate] {
        started = true;
        gate.wait();
        post::postWillBeginProcessingWithTitleInfoTextAllowCancel(center(), QStringLiteral("late"), QStringLiteral("late"), false);
    });
    controller->showProgressWindow();
    ASSERT_TRUE(runUntil([&] { return started.load(); }));
    std::thread releaser([&] { release.set_value(); });
    controller = nullptr; // waits for the running operation
    releaser.join();
    RunLoop::main().runPending();
}

} // namespace
