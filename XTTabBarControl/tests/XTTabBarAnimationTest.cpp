#include "XTTabBarControl/XTMetalTabStyle.h"
#include "XTTabBarControl/tests/XTTabBarWindowSupport.h"
#include "kit/graphics/Cursor.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

namespace {

// A 434-point bar (400 points for cells) at the top of a 434 x 300 window.
XTWindowFixture xtatWindow(int tabs, unsigned mask = kit::TitledWindowMask)
{
    return XTWindowFixture(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), tabs,
        XTTabBarHorizontalOrientation, mask);
}

std::vector<kit::Rect> xtatFrames(const XTTabBarControl& bar)
{
    std::vector<kit::Rect> frames;
    for (const auto& cell : bar.cells())
        frames.push_back(cell->frame());
    return frames;
}

std::vector<kit::Rect> xtatTargets(const XTTabBarControl& bar)
{
    std::vector<kit::Rect> frames;
    for (std::size_t i = 0; i < bar.cells().size(); ++i)
        frames.push_back(bar.controller().cellFrameAtIndex(std::int64_t(i)));
    return frames;
}

TEST(XTTabBarAnimation, CellsGlideAndLandExactlyOnTheirTargets)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f = xtatWindow(3);
    f.bar->setAutomaticallyAnimates(true);
    f.addTab(QStringLiteral("Tab 3")); // four of 100 now, from three of 130
    EXPECT_TRUE(f.bar->isAnimating());
    const std::vector<kit::Rect> targets = xtatTargets(*f.bar);
    ASSERT_EQ(targets[3], kit::MakeRect(310, 0, 100, 22));
    EXPECT_EQ(f.bar->cells()[1]->frame().size.width, 130) << "nothing moved at the start";
    clock.advance(0.25);
    const double midway = f.bar->cells()[1]->frame().size.width;
    EXPECT_LT(midway, 130);
    EXPECT_GT(midway, 100);
    clock.advance(0.5);
    EXPECT_FALSE(f.bar->isAnimating());
    EXPECT_EQ(xtatFrames(*f.bar), targets);
}

TEST(XTTabBarAnimation, ANewUpdateReplacesTheRunningOne)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f = xtatWindow(3);
    f.bar->setAutomaticallyAnimates(true);
    f.addTab(QStringLiteral("Tab 3"));
    clock.advance(0.2);
    f.tabView->removeTabViewItem(f.tabView->tabViewItemAtIndex(3).get()); // back to three of 130
    EXPECT_TRUE(f.bar->isAnimating());
    const std::vector<kit::Rect> targets = xtatTargets(*f.bar);
    EXPECT_EQ(targets[2], kit::MakeRect(270, 0, 130, 22));
    // The first animation would have ended at 0.5 s on the old targets; only the new one counts.
    clock.advance(0.35);
    EXPECT_TRUE(f.bar->isAnimating());
    clock.advance(0.3);
    EXPECT_FALSE(f.bar->isAnimating());
    EXPECT_EQ(xtatFrames(*f.bar), targets);
    // A layout without animation stops one that runs, at the targets.
    f.addTab(QStringLiteral("Tab 4"));
    f.bar->update(false);
    EXPECT_FALSE(f.bar->isAnimating());
    EXPECT_EQ(xtatFrames(*f.bar), xtatTargets(*f.bar));
}

// Metal, noting the tabs it draws.
class XTCellNotingStyle : public XTMetalTabStyle {
public:
    QStringList drawn;
    void drawTabCell(XTTabBarCell& cell) override
    {
        drawn << cell.stringValue();
        XTMetalTabStyle::drawTabCell(cell);
    }
};

// Overflowed tabs are drawn only while the cells glide (they may be on their way in or out).
TEST(XTTabBarAnimation, WhileCellsGlideEveryCellIsDrawn)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f = xtatWindow(6);
    auto style = kit::make<XTCellNotingStyle>();
    f.bar->setStyle(style);
    f.window->orderFront();
    style->drawn.clear();
    f.window->display();
    EXPECT_EQ(style->drawn.size(), 4);
    style->drawn.clear();
    f.bar->update(true);
    f.window->display();
    EXPECT_EQ(style->drawn.size(), 6);
    clock.advance(1);
    style->drawn.clear();
    f.window->display();
    EXPECT_EQ(style->drawn.size(), 4);
}

// A bar released while it glides and collapses: no tick reaches it afterwards.
TEST(XTTabBarAnimation, ABarReleasedMidwayIsLeftAlone)
{
    kit::test::ManualClockScope clock;
    kit::Weak<XTTabBarControl> gone;
    {
        XTWindowFixture f = xtatWindow(3);
        gone = f.bar.get();
        f.showWindow();
        f.bar->setAutomaticallyAnimates(true);
        f.addTab(QStringLiteral("Tab 3"));
        f.bar->hideTabBar(true, true);
        clock.advance(0.05);
        ASSERT_TRUE(f.bar->isAnimating());
        f.container->removeFromSuperview();
        f.bar->removeFromSuperview();
        f.tabView->setDelegate(nullptr);
    }
    kit::RunLoop::main().runPending();
    ASSERT_FALSE(gone.lock());
    // Under the address sanitizer a tick reaching the freed bar would stop here.
    clock.advance(1);
}

TEST(XTTabBarAnimation, TrackingRectanglesFollowTheVisibleCellsOnly)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f = xtatWindow(6);
    f.bar->setAutomaticallyAnimates(true);
    f.bar->update();
    clock.advance(1);
    const auto& cells = f.bar->cells();
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NE(cells[i]->cellTrackingTag(), 0) << i;
        EXPECT_NE(cells[i]->closeButtonTrackingTag(), 0) << i;
    }
    EXPECT_EQ(cells[4]->cellTrackingTag(), 0);
    EXPECT_EQ(cells[5]->cellTrackingTag(), 0);
    // A close button the delegate suppresses is no longer tracked.
    auto delegate = kit::make<XTRecordingDelegate>();
    delegate->implemented = { "tabViewDisableTabCloseForTabViewItem" };
    delegate->disableClose = true;
    f.bar->setDelegate(delegate.get());
    f.bar->update(false);
    EXPECT_NE(cells[0]->cellTrackingTag(), 0);
    EXPECT_EQ(cells[0]->closeButtonTrackingTag(), 0);
    f.bar->setDelegate(nullptr);
    // Narrower: a cell that goes to the menu leaves no rectangle behind.
    f.bar->setFrameSize(kit::MakeSize(334, 22));
    EXPECT_TRUE(cells[3]->isInOverflowMenu());
    EXPECT_EQ(cells[3]->cellTrackingTag(), 0);
    EXPECT_EQ(cells[3]->closeButtonTrackingTag(), 0);
}

// The pointer rests on the second tab's close button while the bar lays out: the cell lights up
// and its close button shows the rollover, without any event.
TEST(XTTabBarAnimation, ARestingPointerLightsTheCellItIsOver)
{
    kit::test::ManualClockScope clock;
    XTWindowFixture f = xtatWindow(3);
    f.restPointerAt(140 + 12, 10);
    f.bar->update(false);
    const auto& cells = f.bar->cells();
    EXPECT_TRUE(cells[1]->isHighlighted());
    EXPECT_TRUE(cells[1]->closeButtonOver());
    EXPECT_FALSE(cells[0]->isHighlighted());
    // The same after an animation.
    f.restPointerAt(300, 10);
    f.bar->update(true);
    clock.advance(1);
    EXPECT_TRUE(cells[2]->isHighlighted());
    EXPECT_FALSE(cells[2]->closeButtonOver());
    EXPECT_FALSE(cells[1]->isHighlighted());
}

TEST(XTTabBarAnimation, ThePointerMovingOverTabsLightsThemAndScrubsWithOption)
{
    XTWindowFixture f = xtatWindow(3);
    f.window->orderFront();
    f.bar->update(false);
    kit::test::EventScript script(f.window.get());
    script.mouseMoved(f.base(80, 10)).mouseMoved(f.base(200, 10));
    script.run();
    EXPECT_FALSE(f.bar->cells()[0]->isHighlighted());
    EXPECT_TRUE(f.bar->cells()[1]->isHighlighted());
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 0"));
    f.bar->setAllowsScrubbing(true);
    kit::test::EventScript scrub(f.window.get());
    scrub.mouseMoved(f.base(330, 10), kit::AlternateKeyMask);
    scrub.run();
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 2"));
}

TEST(XTTabBarAnimation, ToolTipsComeFromTheDelegatePerTab)
{
    XTWindowFixture f = xtatWindow(3);
    f.bar->update(false);
    EXPECT_TRUE(f.window->toolTipAtPoint(f.base(200, 10)).isNull()) << "no delegate";
    auto delegate = kit::make<XTAnsweringDelegate>();
    delegate->toolTip = QStringLiteral("Tip of ");
    delegate->implemented = { "tabViewToolTipForTabViewItem" };
    f.bar->setDelegate(delegate.get());
    EXPECT_EQ(f.window->toolTipAtPoint(f.base(200, 10)), QStringLiteral("Tip of Tab 1"));
    EXPECT_EQ(f.window->toolTipAtPoint(f.base(300, 10)), QStringLiteral("Tip of Tab 2"));
}

TEST(XTTabBarAnimation, KeyChangesOfTheWindowRedisplayTheBar)
{
    XTWindowFixture f = xtatWindow(2);
    f.window->orderFront();
    f.window->displayIfNeeded();
    ASSERT_FALSE(f.bar->needsDisplay());
    f.window->makeKeyWindow();
    EXPECT_TRUE(f.bar->needsDisplay());
    f.window->displayIfNeeded();
    auto other = kit::make<kit::Window>(kit::MakeRect(600, 100, 100, 100), kit::TitledWindowMask);
    other->orderFront();
    other->makeKeyWindow();
    EXPECT_TRUE(f.bar->needsDisplay()) << "resigning key";
    other->orderOut();
}

struct XTCornerCase {
    const char* name;
    unsigned mask;
    bool indicator;
    double barY;
    std::int64_t compensation;
};

class XTTabBarResizeCorner : public testing::TestWithParam<XTCornerCase> { };

// A bar over the window's resize corner keeps 8 points free, or 20 in a textured window.
TEST_P(XTTabBarResizeCorner, KeepsRoomForTheCorner)
{
    const XTCornerCase& c = GetParam();
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 434, 300), c.mask);
    window->setShowsResizeIndicator(c.indicator);
    XTBarFixture f(434, 3);
    f.bar->setFrameOrigin(kit::MakePoint(0, c.barY));
    window->contentView()->addSubview(f.bar.get());
    EXPECT_EQ(f.bar->resizeAreaCompensation(), c.compensation);
    EXPECT_EQ(f.bar->availableCellWidth(), 400 - double(c.compensation));
    const double nudge = c.compensation ? 1 - double(c.compensation) : 1;
    EXPECT_EQ(f.bar->overflowPopUpButton()->frame().origin.x, 434 - 24 + nudge);
    f.bar->removeFromSuperview();
}

INSTANTIATE_TEST_SUITE_P(XTTabBar, XTTabBarResizeCorner,
    testing::Values(XTCornerCase { "Plain", kit::TitledWindowMask, true, 0, 8 },
        XTCornerCase { "Textured", kit::TitledWindowMask | kit::TexturedBackgroundWindowMask, true, 0, 20 },
        XTCornerCase { "NoIndicator", kit::TitledWindowMask, false, 0, 0 },
        XTCornerCase { "AwayFromTheCorner", kit::TitledWindowMask, true, 278, 0 }),
    [](const testing::TestParamInfo<XTCornerCase>& info) { return std::string(info.param.name); });

// The right edge of a resizable vertical bar drags its width, strictly within the cell limits;
// the resize cursor is pushed once and popped at the end.
TEST(XTTabBarResizing, TheRightEdgeDragsWithinTheLimits)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 400, 300), kit::MakeRect(0, 0, 150, 300), kit::MakeRect(150, 0, 250, 300), 2,
        XTTabBarVerticalOrientation);
    f.bar->setAllowsResizing(true);
    f.window->orderFront();
    const int depth = kit::Cursor::stackDepth();
    kit::test::EventScript script(f.window.get());
    // +10, +20, +99 (to 279), then +2 would reach 281: 280 is the maximum, not reached.
    script.mouseDown(f.base(149, 100))
        .mouseDragged(f.base(159, 100))
        .mouseDragged(f.base(179, 100))
        .mouseDragged(f.base(278, 100))
        .mouseDragged(f.base(280, 100))
        .mouseUp(f.base(280, 100));
    script.run();
    EXPECT_EQ(f.bar->frame().size.width, 279);
    EXPECT_EQ(f.tabView->frame(), kit::MakeRect(279, 0, 121, 300));
    EXPECT_EQ(kit::Cursor::stackDepth(), depth);
    // Away from the edge nothing resizes.
    kit::test::EventScript away(f.window.get());
    away.mouseDown(f.base(100, 100)).mouseDragged(f.base(120, 100)).mouseUp(f.base(120, 100));
    away.run();
    EXPECT_EQ(f.bar->frame().size.width, 279);
}

} // namespace
