#include "XTTabBarControl/tests/XTTabBarWindowSupport.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

namespace {

constexpr double xthtTick = 1.0 / 30;

// The six ways a bar trades room: horizontal above or below its partner or with the window,
// vertical with a partner on its right or left or with the window. Container 400 x 300, window
// content at (100, 100). For the cases without a partner, "other" is the window's frame.
struct XTHideCase {
    const char* name;
    int orientation;
    kit::Rect bar;
    kit::Rect partner; // empty: none
    kit::Rect hiddenBar;
    kit::Rect hiddenOther;
};

class XTTabBarHiding : public testing::TestWithParam<XTHideCase> { };

kit::Rect xthtOther(const XTWindowFixture& f) { return f.bar->partnerView() ? f.bar->partnerView()->frame() : f.window->frame(); }

TEST_P(XTTabBarHiding, FourTicksReachTheTargetsAndShowingGivesEverythingBack)
{
    const XTHideCase& c = GetParam();
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), c.bar, c.partner, 3, c.orientation);
    auto delegate = kit::make<XTAnsweringDelegate>();
    delegate->implemented = { "tabViewTabBarDidHide", "tabViewTabBarDidUnhide" };
    f.bar->setDelegate(delegate.get());
    f.showWindow();
    const kit::Rect otherBefore = xthtOther(f);

    f.bar->hideTabBar(true, true);
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_TRUE(f.bar->subviews().empty()) << "the buttons go while hidden";
    clock.advance(3 * xthtTick);
    EXPECT_NE(f.bar->frame(), c.hiddenBar) << "three ticks are not yet the end";
    EXPECT_TRUE(delegate->calls.isEmpty());
    clock.advance(xthtTick);
    EXPECT_EQ(f.bar->frame(), c.hiddenBar);
    EXPECT_EQ(xthtOther(f), c.hiddenOther);
    EXPECT_EQ(delegate->calls, QStringList { QStringLiteral("didHide") });
    // It stays hidden: nothing brings back a bar its host hid.
    clock.advance(1);
    EXPECT_EQ(f.bar->frame(), c.hiddenBar);

    f.bar->hideTabBar(false, true);
    clock.advance(4 * xthtTick);
    EXPECT_EQ(f.bar->frame(), c.bar);
    EXPECT_EQ(xthtOther(f), otherBefore);
    EXPECT_FALSE(f.bar->isTabBarHidden());
    EXPECT_EQ(delegate->calls, (QStringList { QStringLiteral("didHide"), QStringLiteral("didUnhide") }));
    EXPECT_EQ(f.bar->addTabButton()->superview().get(), f.bar.get());
    EXPECT_EQ(f.bar->overflowPopUpButton()->superview().get(), f.bar.get());
}

INSTANTIATE_TEST_SUITE_P(XTTabBar, XTTabBarHiding,
    testing::Values(
        // 22 points become 1; the top edge stays where it was.
        XTHideCase { "AbovePartner", XTTabBarHorizontalOrientation, kit::MakeRect(0, 278, 400, 22), kit::MakeRect(0, 0, 400, 278),
            kit::MakeRect(0, 299, 400, 1), kit::MakeRect(0, 0, 400, 299) },
        XTHideCase { "BelowPartner", XTTabBarHorizontalOrientation, kit::MakeRect(0, 0, 400, 22), kit::MakeRect(0, 22, 400, 278),
            kit::MakeRect(0, 0, 400, 1), kit::MakeRect(0, 1, 400, 299) },
        XTHideCase { "WindowGivesHeight", XTTabBarHorizontalOrientation, kit::MakeRect(0, 278, 400, 22), kit::Rect {},
            kit::MakeRect(0, 278, 400, 1), kit::MakeRect(100, 121, 400, 279) },
        XTHideCase { "PartnerOnTheRight", XTTabBarVerticalOrientation, kit::MakeRect(0, 0, 120, 300), kit::MakeRect(120, 0, 280, 300),
            kit::MakeRect(0, 0, 1, 300), kit::MakeRect(1, 0, 399, 300) },
        XTHideCase { "PartnerOnTheLeft", XTTabBarVerticalOrientation, kit::MakeRect(280, 0, 120, 300), kit::MakeRect(0, 0, 280, 300),
            kit::MakeRect(400, 0, 1, 300), kit::MakeRect(0, 0, 400, 300) },
        XTHideCase { "WindowGivesWidth", XTTabBarVerticalOrientation, kit::MakeRect(0, 0, 120, 300), kit::Rect {},
            kit::MakeRect(0, 0, 1, 300), kit::MakeRect(219, 100, 281, 300) }),
    [](const testing::TestParamInfo<XTHideCase>& info) { return std::string(info.param.name); });

TEST(XTTabBarHidingRules, NothingHidesBeforeTheFirstWindowUpdate)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 278, 400, 22), kit::MakeRect(0, 0, 400, 278), 2);
    f.bar->hideTabBar(true, false);
    clock.advance(1);
    EXPECT_FALSE(f.bar->isTabBarHidden());
    EXPECT_EQ(f.bar->frame().size.height, 22);
}

TEST(XTTabBarHidingRules, ASecondRequestWhileOneRunsIsIgnored)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 278, 400, 22), kit::MakeRect(0, 0, 400, 278), 2);
    f.showWindow();
    f.bar->hideTabBar(true, true);
    clock.advance(xthtTick);
    f.bar->hideTabBar(false, true);
    clock.advance(1);
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_EQ(f.bar->frame(), kit::MakeRect(0, 299, 400, 1));
}

TEST(XTTabBarHidingRules, WithoutAnimationTheFirstTickDoesItAll)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 278, 400, 22), kit::MakeRect(0, 0, 400, 278), 2);
    f.showWindow();
    f.bar->hideTabBar(true, false);
    EXPECT_EQ(f.bar->frame().size.height, 22) << "not before the tick";
    clock.advance(xthtTick);
    EXPECT_EQ(f.bar->frame(), kit::MakeRect(0, 299, 400, 1));
    f.bar->hideTabBar(false, false);
    EXPECT_EQ(f.bar->addTabButton()->superview().get(), f.bar.get()) << "shown without animation, the buttons are back at once";
    clock.advance(xthtTick);
    EXPECT_EQ(f.bar->frame(), kit::MakeRect(0, 278, 400, 22));
}

// A bar that hides for a single tab collapses at the window's first update, with no input and no
// animation; a second tab brings it back.
TEST(XTTabBarHidingRules, TheFirstUpdateCollapsesASingleTabBar)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 278, 400, 22), kit::MakeRect(0, 0, 400, 278), 1);
    auto delegate = kit::make<XTAnsweringDelegate>();
    delegate->implemented = { "tabViewTabBarDidHide", "tabViewTabBarDidUnhide" };
    f.bar->setDelegate(delegate.get());
    f.bar->setHideForSingleTab(true);
    EXPECT_FALSE(f.bar->isTabBarHidden()) << "waits for the window";
    f.showWindow();
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_EQ(f.bar->frame(), kit::MakeRect(0, 299, 400, 1));
    EXPECT_EQ(f.tabView->frame(), kit::MakeRect(0, 0, 400, 299));
    EXPECT_EQ(delegate->calls, QStringList { QStringLiteral("didHide") });

    f.addTab(QStringLiteral("Second"));
    clock.advance(4 * xthtTick);
    EXPECT_FALSE(f.bar->isTabBarHidden());
    EXPECT_EQ(f.bar->frame(), kit::MakeRect(0, 278, 400, 22));
    EXPECT_EQ(delegate->calls.last(), QStringLiteral("didUnhide"));
    // Back to one tab: it hides again, animated.
    f.tabView->removeTabViewItem(f.tabView->tabViewItemAtIndex(1).get());
    clock.advance(4 * xthtTick);
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_EQ(f.bar->frame(), kit::MakeRect(0, 299, 400, 1));
}

// Without a partner the width was once forgotten: the bar came back at 120 points (or 0).
TEST(XTTabBarHidingRules, APartnerlessVerticalBarComesBackAtItsWidth)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 0, 150, 300), kit::Rect {}, 1, XTTabBarVerticalOrientation);
    f.bar->setHideForSingleTab(true);
    f.showWindow();
    EXPECT_EQ(f.bar->frame().size.width, 1);
    EXPECT_EQ(f.window->frame(), kit::MakeRect(249, 100, 251, 300));
    EXPECT_EQ(f.bar->tabBarWidth(), 150);
    f.addTab(QStringLiteral("Second"));
    clock.advance(4 * xthtTick);
    EXPECT_EQ(f.bar->frame(), kit::MakeRect(0, 0, 150, 300));
    EXPECT_EQ(f.window->frame(), kit::MakeRect(100, 100, 400, 300));
}

TEST(XTTabBarHidingRules, TheDelegateChoosesTheWidthAVerticalBarComesBackAt)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 0, 120, 300), kit::MakeRect(120, 0, 280, 300), 2,
        XTTabBarVerticalOrientation);
    auto delegate = kit::make<XTAnsweringDelegate>();
    delegate->implemented = { "desiredWidthForVerticalTabBar" };
    delegate->desiredWidth = 160;
    f.bar->setDelegate(delegate.get());
    f.showWindow();
    f.bar->hideTabBar(true, false);
    clock.advance(xthtTick);
    f.bar->hideTabBar(false, true);
    clock.advance(4 * xthtTick);
    EXPECT_EQ(f.bar->frame(), kit::MakeRect(0, 0, 160, 300));
    // The partner still starts where the bar ends.
    EXPECT_EQ(f.tabView->frame(), kit::MakeRect(160, 0, 240, 300));
}

TEST(XTTabBarHidingRules, LeavingTheWindowMidwayLetsTheNextChangeRun)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 278, 400, 22), kit::MakeRect(0, 0, 400, 278), 2);
    f.showWindow();
    f.bar->hideTabBar(true, true);
    clock.advance(2 * xthtTick);
    auto other = kit::make<kit::Window>(kit::MakeRect(0, 0, 400, 300), kit::TitledWindowMask);
    other->contentView()->addSubview(f.container.get());
    clock.advance(1);
    f.bar->hideTabBar(false, false);
    clock.advance(xthtTick);
    EXPECT_FALSE(f.bar->isTabBarHidden());
}

} // namespace
