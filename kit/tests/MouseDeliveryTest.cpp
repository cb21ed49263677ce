#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

using Log = std::vector<std::string>;

// Writes every mouse message it gets into a log the test owns, so the log outlives the view.
class Logging : public View {
public:
    Logging(Rect frame, Log* log, bool leaveOnDown = false)
        : View(frame)
        , log_(log)
        , leaveOnDown_(leaveOnDown)
    { }
    void mouseDown(const Event&) override
    {
        log_->push_back("down");
        if (leaveOnDown_)
            removeFromSuperview();
    }
    void mouseDragged(const Event&) override { log_->push_back("dragged"); }
    void mouseUp(const Event&) override { log_->push_back("up"); }

private:
    Log* log_;
    bool leaveOnDown_;
};

TEST(MouseDelivery, DragsAndUpReachTheDownViewEvenAfterItLeftTheWindow)
{
    auto window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    Log sibling, leaving;
    window->contentView()->addSubview(make<Logging>(MakeRect(0, 0, 200, 100), &sibling).get());
    window->contentView()->addSubview(make<Logging>(MakeRect(0, 0, 100, 100), &leaving, true).get());
    window->makeKeyAndOrderFront();
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10)).mouseUp(MakePoint(30, 10));
    script.run();
    EXPECT_EQ(leaving, (Log { "down", "dragged", "up" }));
    EXPECT_TRUE(sibling.empty());
    // The press is over: the next one goes where it lands.
    script.click(MakePoint(30, 10));
    script.run();
    EXPECT_EQ(sibling, (Log { "down", "up" }));
}

class DeliveryRecorder : public Object, public MouseTrackingTarget {
public:
    void mouseEntered(const Event&) override { log.push_back("entered"); }
    void mouseExited(const Event&) override { log.push_back("exited"); }
    void mouseMoved(const Event&) override { }
    void cursorUpdate(const Event&) override { }
    Log log;
};

// Follows the press in its own loop until the button goes up, as a slider does.
class LoopingView : public View {
public:
    using View::View;
    void mouseDown(const Event&) override
    {
        while (const Ref<Event> e = window()->nextEventMatchingMaskUntilDateInModeDequeue(
                   LeftMouseDraggedMask | LeftMouseUpMask, DistantFuture, EventTrackingRunLoopMode, true))
            if (e->type() == LeftMouseUp)
                break;
    }
};

TEST(MouseDelivery, TrackingAreasFollowEventsATrackingLoopTakes)
{
    auto window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    window->contentView()->addSubview(make<LoopingView>(MakeRect(0, 0, 100, 100)).get());
    auto target = make<View>(MakeRect(100, 0, 100, 100));
    window->contentView()->addSubview(target.get());
    auto duringDrag = make<DeliveryRecorder>();
    auto plain = make<DeliveryRecorder>();
    const Rect all = MakeRect(0, 0, 100, 100);
    target->addTrackingArea(
        make<TrackingArea>(all, TrackingMouseEnteredAndExited | TrackingActiveAlways | TrackingEnabledDuringMouseDrag, duringDrag.get())
            .get());
    target->addTrackingArea(make<TrackingArea>(all, TrackingMouseEnteredAndExited | TrackingActiveAlways, plain.get()).get());
    window->makeKeyAndOrderFront();
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(150, 10)).mouseDragged(MakePoint(50, 10)).mouseDragged(MakePoint(150, 10));
    script.mouseUp(MakePoint(150, 10));
    script.run();
    EXPECT_EQ(duringDrag->log, (Log { "entered", "exited", "entered" }));
    EXPECT_EQ(plain->log, (Log { "entered" })); // reconciled at the up the loop took
    EXPECT_EQ(Application::sharedApplication()->queuedEventCount(), 0u);
}

} // namespace
