#include "XTTabBarControl/tests/XTTabBarTestSupport.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

// Three tabs of 130 from x = 10 in a bar that fills a 434 x 22 window; window points run up, so
// bar point (x, y) is window point (x, 22 − y).
class XTTabBarEvents : public testing::Test {
protected:
    XTBarFixture f { 434, 3 };
    kit::Ref<kit::Window> window = kit::make<kit::Window>(kit::MakeRect(100, 100, 434, 22), kit::TitledWindowMask);

    void SetUp() override { window->setContentView(f.bar.get()); }
    static kit::Point at(double x, double y) { return kit::MakePoint(x, 22 - y); }
    QString selected() const { return f.tabView->selectedTabViewItem()->label(); }
    // The middle of tab i's close button (12 x 12 at x + 6, y 5 on an unselected tab).
    static kit::Point closeOf(int i) { return at(10 + 130 * i + 12, 11); }
};

TEST_F(XTTabBarEvents, SelectsOnMouseUp)
{
    kit::test::EventScript script(window.get());
    script.mouseDown(at(200, 11));
    script.run();
    EXPECT_EQ(selected(), QStringLiteral("Tab 0"));
    kit::test::EventScript up(window.get());
    up.mouseUp(at(210, 11));
    up.run();
    EXPECT_EQ(selected(), QStringLiteral("Tab 1"));
}

// The bar keeps the mouse-down of the current click; a release ends the click that event began.
TEST_F(XTTabBarEvents, KeepsTheLastMouseDown)
{
    EXPECT_FALSE(f.bar->lastMouseDownEvent());
    kit::test::EventScript script(window.get());
    script.click(at(200, 11));
    script.run();
    const kit::Ref<kit::Event> down = f.bar->lastMouseDownEvent();
    ASSERT_TRUE(down);
    EXPECT_EQ(down->type(), kit::LeftMouseDown);
    EXPECT_EQ(down->locationInWindow(), at(200, 11));

    const kit::Ref<kit::Event> other = kit::Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        kit::LeftMouseDown, at(340, 11), 0, 0, window->windowNumber(), nullptr, 0, 1, 1);
    f.bar->setLastMouseDownEvent(other);
    EXPECT_EQ(f.bar->lastMouseDownEvent(), other);
    kit::test::EventScript up(window.get());
    up.mouseUp(at(345, 11));
    up.run();
    EXPECT_EQ(selected(), QStringLiteral("Tab 2"));
}

TEST_F(XTTabBarEvents, SelectsOnMouseDownWhenAsked)
{
    f.bar->setSelectsTabsOnMouseDown(true);
    kit::test::EventScript script(window.get());
    script.mouseDown(at(330, 11));
    script.run();
    EXPECT_EQ(selected(), QStringLiteral("Tab 2"));
}

TEST_F(XTTabBarEvents, ReleasingOverTheCloseButtonCloses)
{
    kit::test::EventScript script(window.get());
    script.mouseDown(closeOf(1)).mouseUp(closeOf(1));
    script.run();
    EXPECT_EQ(f.tabView->numberOfTabViewItems(), 2);
    EXPECT_EQ(f.bar->cells().size(), 2u);
    EXPECT_EQ(f.bar->cells()[1]->stringValue(), QStringLiteral("Tab 2"));
}

TEST_F(XTTabBarEvents, ReleasingElsewhereKeepsTheTab)
{
    kit::test::EventScript script(window.get());
    script.mouseDown(closeOf(1)).mouseDragged(at(330, 11)).mouseUp(at(330, 11));
    script.run();
    EXPECT_EQ(f.tabView->numberOfTabViewItems(), 3);
    EXPECT_FALSE(f.bar->cells()[1]->closeButtonPressed());
}

TEST_F(XTTabBarEvents, BackgroundCloseNeedsCommandWhenNotAllowed)
{
    f.bar->setAllowsBackgroundTabClosing(false);
    kit::test::EventScript plain(window.get());
    plain.mouseDown(closeOf(2)).mouseUp(closeOf(2));
    plain.run();
    EXPECT_EQ(f.tabView->numberOfTabViewItems(), 3);
    kit::test::EventScript command(window.get());
    command.mouseDown(closeOf(2), kit::CommandKeyMask).mouseUp(closeOf(2), kit::CommandKeyMask);
    command.run();
    EXPECT_EQ(f.tabView->numberOfTabViewItems(), 2);
}

TEST_F(XTTabBarEvents, DelegateMayKeepATab)
{
    auto delegate = kit::make<XTRecordingDelegate>();
    delegate->implemented = { "tabViewShouldCloseTabViewItem" };
    struct Refusing : XTRecordingDelegate {
        bool tabViewShouldCloseTabViewItem(kit::TabView*, kit::TabViewItem*) override { return false; }
    };
    auto refusing = kit::make<Refusing>();
    refusing->implemented = { "tabViewShouldCloseTabViewItem" };
    f.bar->setDelegate(refusing.get());
    kit::test::EventScript script(window.get());
    script.mouseDown(closeOf(0)).mouseUp(closeOf(0));
    script.run();
    EXPECT_EQ(f.tabView->numberOfTabViewItems(), 3);
    EXPECT_FALSE(f.bar->cells()[0]->closeButtonPressed());
}

} // namespace
