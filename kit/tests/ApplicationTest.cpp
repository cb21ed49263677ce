#include "kit/appkit/Application.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/testsupport/EventScript.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

Ref<Event> appDefined(std::int16_t subtype)
{
    return Event::otherEventWithTypeLocationModifierFlagsTimestampWindowNumberContextSubtypeData1Data2(
        ApplicationDefined, ZeroPoint, 0, 0, 0, nullptr, subtype, 0, 0);
}

// A repeating timer every 1/8 s in `mode`.
void addTimer(const QString& mode, std::function<void()> fire)
{
    RunLoop::main().addTimerForMode(Timer::timerWithTimeIntervalRepeatsBlock(0.125, true, [fire](Timer*) { fire(); }), mode);
}

class Queue : public testing::Test {
protected:
    void SetUp() override { window = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask); }
    void TearDown() override { Application::resetForTesting(); }
    Ref<Window> window;
};

TEST_F(Queue, MaskPicksTheFirstMatchingEventAndLeavesTheOthersInOrder)
{
    kit::test::EventScript script(window.get());
    auto app = Application::sharedApplication();
    script.mouseMoved(MakePoint(1, 1)).mouseDown(MakePoint(2, 2)).mouseMoved(MakePoint(3, 3)).mouseUp(MakePoint(2, 2));
    script.postDueEvents();
    ASSERT_EQ(app->queuedEventCount(), 4u);

    auto peeked = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseUpMask, DistantPast, EventTrackingRunLoopMode, false);
    ASSERT_TRUE(peeked);
    EXPECT_EQ(peeked->type(), LeftMouseUp);
    EXPECT_EQ(app->queuedEventCount(), 4u); // a peek leaves it queued

    auto up = app->nextEventMatchingMaskUntilDateInModeDequeue(
        LeftMouseUpMask | LeftMouseDownMask, DistantPast, EventTrackingRunLoopMode, true);
    EXPECT_EQ(up->type(), LeftMouseDown);
    EXPECT_EQ(app->currentEvent(), up);
    auto next = app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, DistantPast, EventTrackingRunLoopMode, true);
    EXPECT_EQ(next->type(), MouseMoved);
    EXPECT_EQ(next->locationInWindow(), MakePoint(1, 1));
}

TEST_F(Queue, PostingAtStartPutsTheNewestFirst)
{
    kit::test::EventScript script(window.get());
    auto app = Application::sharedApplication();
    auto a = appDefined(1), b = appDefined(2), c = appDefined(3);
    app->postEventAtStart(c.get(), false);
    app->postEventAtStart(a.get(), true);
    app->postEventAtStart(b.get(), true);
    std::vector<int> order;
    while (auto e = app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, DistantPast, DefaultRunLoopMode, true))
        order.push_back(e->subtype());
    EXPECT_EQ(order, (std::vector<int> { 2, 1, 3 }));
}

TEST_F(Queue, WaitingEndsAtTheDateOnTheKitClockWithNull)
{
    kit::test::EventScript script(window.get());
    auto app = Application::sharedApplication();
    const double start = script.now();
    EXPECT_FALSE(app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, start + 0.5, EventTrackingRunLoopMode, true));
    EXPECT_DOUBLE_EQ(script.now(), start + 0.5);
    // Nothing scripted and no deadline: the script reports that nothing can arrive.
    EXPECT_FALSE(app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, DistantFuture, EventTrackingRunLoopMode, true));
}

// A view that runs its own tracking loop in mouseDown, as a split view or a slider does.
class ApplicationTracker : public View {
public:
    using View::View;
    void mouseDown(const Event&) override
    {
        auto app = Application::sharedApplication();
        modes.push_back(app->currentMode().toStdString());
        for (;;) {
            auto e = window()->nextEventMatchingMaskUntilDateInModeDequeue(
                LeftMouseDraggedMask | LeftMouseUpMask | KeyDownMask, DistantFuture, EventTrackingRunLoopMode, true);
            if (!e)
                break;
            if (e->type() == KeyDown) {
                // Not ours: hand it back for normal dispatch after the loop.
                app->postEventAtStart(e.get(), true);
                break;
            }
            seen.push_back(e->type());
            if (e->type() == LeftMouseUp)
                break;
        }
    }
    void keyDown(const Event&) override { ++keys; }
    bool acceptsFirstResponder() const override { return true; }

    std::vector<int> seen;
    std::vector<std::string> modes;
    int keys = 0;
};

TEST_F(Queue, AnEventPostedOutsideAnyDispatchIsDispatchedOnTheNextTurn)
{
    struct Pressed : View {
        using View::View;
        void mouseDown(const Event&) override { ++downs; }
        int downs = 0;
    };
    auto view = make<Pressed>(MakeRect(0, 0, 100, 100));
    window->contentView()->addSubview(view.get());
    window->makeKeyAndOrderFront();
    auto app = Application::sharedApplication();
    // As a timer or a performed block would post it: no dispatch, no tracking loop running.
    auto down = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        LeftMouseDown, MakePoint(10, 10), 0, 0, window->windowNumber(), nullptr, 0, 1, 1);
    app->postEventAtStart(down.get(), true);
    EXPECT_EQ(view->downs, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->downs, 1);
    EXPECT_EQ(app->queuedEventCount(), 0u);
}

TEST_F(Queue, AnUnboundedWaitWithNothingScriptedThrowsRatherThanTurnTimersForEver)
{
    kit::test::EventScript script(window.get());
    int fires = 0;
    addTimer(EventTrackingRunLoopMode, [&] { ++fires; });
    EXPECT_THROW(Application::sharedApplication()->nextEventMatchingMaskUntilDateInModeDequeue(
                     AnyEventMask, DistantFuture, EventTrackingRunLoopMode, true),
        kit::Exception);
    EXPECT_GT(fires, 0);
    EXPECT_EQ(Application::sharedApplication()->currentMode(), DefaultRunLoopMode);
}

TEST_F(Queue, TrackingLoopsPullEventsRunTimersOfTheirModeAndRepost)
{
    auto tracker = make<ApplicationTracker>(MakeRect(0, 0, 100, 100));
    window->contentView()->addSubview(tracker.get());
    window->makeKeyAndOrderFront();
    kit::test::EventScript script(window.get());
    int defaultFires = 0, trackingFires = 0, commonFires = 0;
    addTimer(DefaultRunLoopMode, [&] { ++defaultFires; });
    addTimer(EventTrackingRunLoopMode, [&] { ++trackingFires; });
    addTimer(RunLoopCommonModes, [&] { ++commonFires; });

    script.mouseDown(MakePoint(10, 10)).wait(0.25).mouseDragged(MakePoint(20, 10)).wait(0.25).mouseUp(MakePoint(20, 10));
    script.run();
    EXPECT_EQ(tracker->seen, (std::vector<int> { LeftMouseDragged, LeftMouseUp }));
    EXPECT_EQ(defaultFires, 0); // paused while the loop runs
    EXPECT_EQ(trackingFires, 4);
    EXPECT_EQ(commonFires, 4);
    EXPECT_EQ(Application::sharedApplication()->currentMode(), DefaultRunLoopMode);

    script.mouseDown(MakePoint(10, 10)).keyDown(KeyCodeA, "a");
    script.run();
    EXPECT_EQ(tracker->keys, 1); // the re-posted key reached normal dispatch
}

TEST_F(Queue, ALateRepeatingTimerFiresOnceThenKeepsItsCadence)
{
    kit::test::EventScript script(window.get());
    const double start = script.now();
    std::vector<double> fired;
    addTimer(DefaultRunLoopMode, [&] { fired.push_back(script.now() - start); });
    // A modal-panel wait holds the default timer back for a second.
    Application::sharedApplication()->nextEventMatchingMaskUntilDateInModeDequeue(
        AnyEventMask, start + 1.0625, ModalPanelRunLoopMode, true);
    EXPECT_TRUE(fired.empty());
    Application::sharedApplication()->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, start + 1.3, DefaultRunLoopMode, true);
    EXPECT_EQ(fired, (std::vector<double> { 1.0625, 1.125, 1.25 }));
}

} // namespace
