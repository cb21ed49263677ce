#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Panel.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"

#include <QWidget>
#include <QWindow>

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

// Whatever the view answers, the window manager's rule holds: the press raises and activates the
// window and is delivered.
TEST_P(WindowOrdering, AClickInAWindowThatIsNotKeyIsDeliveredAndActivates)
{
    const FirstClick& c = GetParam();
    auto back = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto front = make<Window>(MakeRect(50, 0, 100, 100), TitledWindowMask);
    auto view = make<ClickView>(MakeRect(0, 0, 100, 100), c);
    back->contentView()->addSubview(view.get());
    back->makeKeyAndOrderFront();
    front->makeKeyAndOrderFront();
    EXPECT_EQ(view->acceptsFirstMouse(nullptr), c.acceptsFirstMouse) << "the answer stays the view's own";
    test::EventScript script(back.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(12, 10)).mouseUp(MakePoint(12, 10));
    script.run();
    EXPECT_EQ(view->downs, 1);
    EXPECT_TRUE(view->keyDuringDown);
    EXPECT_EQ(view->ups, c.tracksToMouseUp ? 0 : 1);
    EXPECT_TRUE(back->isKeyWindow());
    EXPECT_FALSE(front->isKeyWindow());
}

INSTANTIATE_TEST_SUITE_P(FirstClicks, WindowOrdering,
    testing::Values(
        // name, acceptsFirstMouse, delays, loop, prevents
        FirstClick { "NotAccepted", false, false, false, false }, FirstClick { "Accepted", true, false, false, false },
        FirstClick { "AskedToDelay", true, true, false, false }, FirstClick { "AskedToDelayInsideATrackingLoop", true, true, true, false },
        FirstClick { "AskedToDelayAndPrevented", true, true, true, true },
        FirstClick { "AskedToDelayButNotAccepted", false, true, false, false }),
    [](const testing::TestParamInfo<FirstClick>& info) { return info.param.name; });

TEST(WindowActivation, AClickInAnInactiveApplicationActivatesIt)
{
    const Ref<Application> app = Application::sharedApplication();
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    FirstClick accepted { "", true, false, false, false };
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

class Stacking : public testing::Test {
protected:
    void TearDown() override { Application::resetForTesting(); }
    static std::vector<Window*> order()
    {
        std::vector<Window*> out;
        for (const Ref<Window>& w : Application::sharedApplication()->orderedWindows())
            out.push_back(w.get());
        return out;
    }
};

TEST_F(Stacking, ChildrenFollowTheirParentsOrdering)
{
    auto parent = make<Window>(MakeRect(0, 0, 200, 200), TitledWindowMask);
    auto above = make<Window>(MakeRect(10, 10, 50, 50), BorderlessWindowMask);
    auto below = make<Window>(MakeRect(20, 20, 50, 50), BorderlessWindowMask);
    auto other = make<Window>(MakeRect(300, 0, 100, 100), TitledWindowMask);
    parent->makeKeyAndOrderFront();
    parent->addChildWindowOrdered(above.get(), WindowAbove);
    parent->addChildWindowOrdered(below.get(), WindowBelow);
    EXPECT_EQ(above->hostWidget()->windowHandle()->transientParent(), parent->hostWidget()->windowHandle());
    // A later child above goes over the parent without putting the earlier one under it.
    auto later = make<Window>(MakeRect(30, 30, 50, 50), BorderlessWindowMask);
    parent->addChildWindowOrdered(later.get(), WindowAbove);
    EXPECT_EQ(order(), (std::vector<Window*> { later.get(), above.get(), parent.get(), below.get() }));
    other->orderFront();
    EXPECT_EQ(order(), (std::vector<Window*> { other.get(), later.get(), above.get(), parent.get(), below.get() }));

    parent->orderFront();
    EXPECT_EQ(order(), (std::vector<Window*> { later.get(), above.get(), parent.get(), below.get(), other.get() }));

    parent->orderOut();
    EXPECT_FALSE(above->isVisible());
    EXPECT_FALSE(below->isVisible());
    EXPECT_FALSE(above->hostWidget()->isVisible());
    EXPECT_EQ(order(), (std::vector<Window*> { other.get() }));

    parent->removeChildWindow(above.get());
    EXPECT_EQ(above->hostWidget()->windowHandle()->transientParent(), nullptr);
}

TEST_F(Stacking, ASheetIsAFramelessUnmanagedChildThatFollowsItsWindow)
{
    auto window = make<Window>(MakeRect(0, 0, 300, 200), TitledWindowMask);
    auto sheet = make<Window>(MakeRect(0, 0, 100, 50), TitledWindowMask);
    window->makeKeyAndOrderFront();
    const Ref<Application> app = Application::sharedApplication();
    app->beginSheetModalForWindowDidEndContextInfo(sheet.get(), window.get(), nullptr, nullptr);
    EXPECT_EQ(sheet->parentWindow(), window);
    // Not a dialog of the window manager's: no frame of its own, never listed, the kit keeps it.
    EXPECT_TRUE(sheet->hostWidget()->windowFlags().testFlags(Qt::BypassWindowManagerHint | Qt::FramelessWindowHint));
    EXPECT_FALSE(sheet->hostWidget()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)) << "a sheet takes keys";
    EXPECT_EQ(sheet->hostWidget()->windowHandle()->transientParent(), window->hostWidget()->windowHandle());
    const Point at = sheet->frame().origin;
    window->setFrameOrigin(MakePoint(40, 30));
    EXPECT_EQ(sheet->frame().origin, MakePoint(at.x + 40, at.y + 30));
    window->orderFront();
    EXPECT_EQ(order().front(), sheet.get());
    app->endSheet(sheet.get());
    sheet->orderOut();
    EXPECT_EQ(sheet->parentWindow(), nullptr);
    EXPECT_FALSE(sheet->hostWidget()->windowFlags() & (Qt::BypassWindowManagerHint | Qt::FramelessWindowHint));
    window->setFrameOrigin(MakePoint(0, 0));
    EXPECT_EQ(sheet->frame().origin, MakePoint(at.x + 40, at.y + 30)) << "an ended sheet stays where it is";
}

TEST_F(Stacking, AFullyTransparentWindowIsVisibleToTheKitOnly)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    w->setAlphaValue(0);
    w->orderFront();
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->hostWidget()->isVisible());
    w->setAlphaValue(0.5);
    EXPECT_TRUE(w->hostWidget()->isVisible());
}

TEST_F(Stacking, OrderingOutTheKeyWindowPassesKeyToTheFrontmostThatCanTakeIt)
{
    auto back = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto middle = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto borderless = make<Window>(MakeRect(0, 0, 100, 100), BorderlessWindowMask); // never key
    auto front = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    back->makeKeyAndOrderFront();
    middle->makeKeyAndOrderFront();
    borderless->orderFront();
    front->makeKeyAndOrderFront();
    front->orderOut();
    EXPECT_TRUE(middle->isKeyWindow());
    EXPECT_TRUE(middle->isMainWindow());
    back->orderOut(); // not key: key stays
    EXPECT_TRUE(middle->isKeyWindow());
    middle->orderOut();
    EXPECT_EQ(Application::sharedApplication()->keyWindow(), nullptr) << "only the borderless window is left";
}

class OrderingNeedsKey : public View {
public:
    using View::View;
    bool needsPanelToBecomeKey() const override { return needs; }
    void mouseDown(const Event&) override { ++downs; }
    void mouseDragged(const Event&) override { ++drags; }
    void mouseUp(const Event&) override { ++ups; }
    bool needs = false;
    int downs = 0;
    int drags = 0;
    int ups = 0;
};

TEST_F(Stacking, APanelIsAToolWindowAndTracksClicksWhetherOrNotItBecomesKey)
{
    auto document = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto panel = make<Panel>(MakeRect(200, 0, 100, 100), TitledWindowMask | UtilityWindowMask);
    EXPECT_EQ(panel->hostWidget()->windowType(), Qt::Tool);
    EXPECT_EQ(make<Panel>(MakeRect(0, 0, 10, 10), TitledWindowMask)->hostWidget()->windowType(), Qt::Tool);
    auto plain = make<OrderingNeedsKey>(MakeRect(0, 0, 50, 100));
    auto needy = make<OrderingNeedsKey>(MakeRect(50, 0, 50, 100));
    needy->needs = true;
    panel->contentView()->addSubview(plain.get());
    panel->contentView()->addSubview(needy.get());
    panel->setBecomesKeyOnlyIfNeeded(true);
    panel->orderFront();
    document->makeKeyAndOrderFront();

    test::EventScript script(panel.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(20, 10)).mouseUp(MakePoint(20, 10));
    script.run();
    EXPECT_EQ(plain->downs, 1);
    EXPECT_EQ(plain->drags, 1) << "the press view keeps the drags";
    EXPECT_EQ(plain->ups, 1);
    EXPECT_TRUE(document->isKeyWindow());

    script.mouseDown(MakePoint(60, 10)).mouseUp(MakePoint(60, 10));
    script.run();
    EXPECT_EQ(needy->downs, 1);
    EXPECT_EQ(needy->ups, 1);
    EXPECT_TRUE(panel->isKeyWindow());
    EXPECT_TRUE(document->isMainWindow()) << "a panel never becomes main";
}

} // namespace
