#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using namespace kit;

struct FirstClick {
    std::string name;
    bool acceptsFirstMouse;
    bool delays;
    bool tracksToMouseUp; // mouseDown runs its own loop and takes the release
    bool preventsOrdering;
    // Expected:
    bool downDelivered;
    bool keyDuringDown;
    bool keyAfterUp;
};

void PrintTo(const FirstClick& c, std::ostream* os) { *os << c.name; }

class ClickView : public View {
public:
    ClickView(Rect frame, const FirstClick& c)
        : View(frame)
        , c(c)
    { }
    bool acceptsFirstMouse(const Event*) const override { return c.acceptsFirstMouse; }
    bool shouldDelayWindowOrderingForEvent(const Event&) const override { return c.delays; }
    void mouseDown(const Event&) override
    {
        ++downs;
        keyDuringDown = window()->isKeyWindow();
        if (c.preventsOrdering)
            Application::sharedApplication()->preventWindowOrdering();
        if (c.tracksToMouseUp)
            while (const Ref<Event> e = window()->nextEventMatchingMaskUntilDateInModeDequeue(
                       LeftMouseUpMask | LeftMouseDraggedMask, Date::distantFuture(), EventTrackingRunLoopMode, true))
                if (e->type() == LeftMouseUp)
                    break;
    }
    void mouseUp(const Event&) override { ++ups; }
    FirstClick c;
    int downs = 0;
    int ups = 0;
    bool keyDuringDown = false;
};

class WindowOrdering : public testing::TestWithParam<FirstClick> {
protected:
    void TearDown() override { Application::resetForTesting(); }
};

TEST_P(WindowOrdering, AClickInAWindowThatIsNotKey)
{
    const FirstClick& c = GetParam();
    auto back = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto front = make<Window>(MakeRect(50, 0, 100, 100), TitledWindowMask);
    auto view = make<ClickView>(MakeRect(0, 0, 100, 100), c);
    back->contentView()->addSubview(view.get());
    back->makeKeyAndOrderFront();
    front->makeKeyAndOrderFront();
    test::EventScript script(back.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(12, 10)).mouseUp(MakePoint(12, 10));
    script.run();
    EXPECT_EQ(view->downs, c.downDelivered ? 1 : 0);
    if (c.downDelivered) {
        EXPECT_EQ(view->keyDuringDown, c.keyDuringDown);
    }
    EXPECT_EQ(view->ups, c.downDelivered && !c.tracksToMouseUp ? 1 : 0) << "a click not delivered takes its release along";
    EXPECT_EQ(back->isKeyWindow(), c.keyAfterUp);
    EXPECT_EQ(front->isKeyWindow(), !c.keyAfterUp);

    // Once key, every click is delivered.
    back->makeKeyWindow();
    script.click(MakePoint(10, 10));
    script.run();
    EXPECT_EQ(view->downs, c.downDelivered ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(FirstClicks, WindowOrdering,
    testing::Values(
        // name, acceptsFirstMouse, delays, loop, prevents; then: delivered, key during the down, key after the up
        FirstClick { "OnlyActivates", false, false, false, false, false, false, true },
        FirstClick { "AcceptedAndActivated", true, false, false, false, true, true, true },
        FirstClick { "DelayedToTheMouseUp", true, true, false, false, true, false, true },
        FirstClick { "DelayedInsideATrackingLoop", true, true, true, false, true, false, true },
        FirstClick { "DelayedAndPrevented", true, true, true, true, true, false, false },
        FirstClick { "DelayedButNotAccepted", false, true, false, false, false, false, true }),
    [](const testing::TestParamInfo<FirstClick>& info) { return info.param.name; });

TEST(WindowActivation, AClickInAnInactiveApplicationActivatesIt)
{
    const Ref<Application> app = Application::sharedApplication();
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    FirstClick accepted { "", true, false, false, false, true, true, true };
    auto view = make<ClickView>(MakeRect(0, 0, 100, 100), accepted);
    w->contentView()->addSubview(view.get());
    w->makeKeyAndOrderFront();
    app->setActive(false);
    test::EventScript script(w.get());
    script.click(MakePoint(10, 10));
    script.run();
    EXPECT_TRUE(app->isActive());
    EXPECT_TRUE(w->isKeyWindow());
    EXPECT_TRUE(view->keyDuringDown);
    Application::resetForTesting();
}

TEST(WindowActivation, AWindowOffScreenTakesScriptedClicksAsTheKeyWindow)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto view = make<ClickView>(MakeRect(0, 0, 100, 100), FirstClick {});
    w->contentView()->addSubview(view.get());
    test::EventScript script(w.get());
    script.click(MakePoint(10, 10));
    script.run();
    EXPECT_EQ(view->downs, 1);
    EXPECT_TRUE(w->isKeyWindow());
    EXPECT_FALSE(w->isVisible());
}

} // namespace
