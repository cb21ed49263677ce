#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/controls/MenuItem.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(QVTabBarLayout, FourTabsInThreeHundredPointsShowTwoOf139AndAMenuOfTheRest)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 4);
    EXPECT_EQ(f.widths(), (std::vector<double> { 139, 139 }));
    const auto buttons = f.bar->orderedAttachedButtons();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_FALSE(buttons[0]->isOverflowButton());
    EXPECT_TRUE(buttons[1]->isOverflowButton());
    EXPECT_EQ(f.overflowTitles(), (QStringList { QString(), QStringLiteral("Tab 2"), QStringLiteral("Tab 3"), QStringLiteral("Tab 4") }));
    EXPECT_FALSE(f.bar->overflowPopUpButton()->isHidden());
}

TEST(QVTabBarLayout, WithoutTheOverflowMenuEveryTabShares)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 4);
    f.bar->setUseOverflowMenu(false);
    f.bar->updateAnimate(false);
    EXPECT_EQ(f.widths(), (std::vector<double> { 75, 75, 75, 75 }));
    EXPECT_TRUE(f.overflowTitles().isEmpty());
}

TEST(QVTabBarLayout, TwoButtonsTakeTheirDesiredWidthsAndTheFirstTheRest)
{
    QVBarFixture f(kit::MakeRect(0, 0, 150, 22), 0);
    f.style->desired = { { QStringLiteral("Tab 1"), 40 }, { QStringLiteral("Tab 2"), 50 } };
    f.addTab(QStringLiteral("Tab 1"));
    f.addTab(QStringLiteral("Tab 2"));
    f.bar->updateAnimate(false);
    EXPECT_EQ(f.widths(), (std::vector<double> { 78, 50 }));
    EXPECT_TRUE(f.overflowTitles().isEmpty());
}

TEST(QVTabBarLayout, FittingTabsSitSideBySideFromTheLeftMargin)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    const auto buttons = f.bar->orderedAttachedButtons();
    ASSERT_EQ(buttons.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(buttons[i]->stackingFrame(), kit::MakeRect(130.0 * double(i), 0, 130, 22));
        EXPECT_EQ(buttons[i]->frame(), buttons[i]->stackingFrame());
    }
}

TEST(QVTabBarLayout, AVerticalBarStacksButtonsFromItsTopMargin)
{
    QVBarFixture f(kit::MakeRect(0, 0, 120, 200), 3);
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    std::vector<double> ys;
    for (const auto& b : f.bar->orderedAttachedButtons())
        ys.push_back(b->stackingFrame().origin.y);
    EXPECT_EQ(ys, (std::vector<double> { 3, 25, 47 }));
}

struct QVNarrowCase {
    double width;
    bool fit;
};

class QVNarrowBars : public testing::TestWithParam<QVNarrowCase> { };

// Nothing divides by zero or goes negative: with no room every tab goes to the overflow menu.
TEST_P(QVNarrowBars, NeverDivideByACountBelowOne)
{
    QVBarFixture f(kit::MakeRect(0, 0, GetParam().width, 22), 0);
    f.bar->setSizeButtonsToFit(GetParam().fit);
    f.addTab(QStringLiteral("Tab 1"));
    f.addTab(QStringLiteral("Tab 2"));
    f.addTab(QStringLiteral("Tab 3"));
    f.bar->updateAnimate(false);
    for (double w : f.widths())
        EXPECT_GE(w, 0);
}

INSTANTIATE_TEST_SUITE_P(Widths, QVNarrowBars,
    testing::Values(QVNarrowCase { 0, false }, QVNarrowCase { 10, false }, QVNarrowCase { 99, false }, QVNarrowCase { 150, false },
        QVNarrowCase { 0, true }, QVNarrowCase { 15, true }, QVNarrowCase { 120, true }));

TEST(QVTabBarLayout, TheOnlyTabHasNoCloseButtonUnlessItMayBeClosed)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 1);
    auto button = f.bar->orderedAttachedButtons().front();
    EXPECT_TRUE(button->suppressCloseButton());
    f.bar->setCanCloseOnlyTab(true);
    f.bar->updateAnimate(false);
    EXPECT_FALSE(button->suppressCloseButton());
}

TEST(QVTabBarLayout, TheDelegateHearsWhichItemsAreInTheOverflowMenu)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 4);
    auto d = kit::make<QVRecordingDelegate>();
    d->implemented = { "tabViewTabViewItemIsInOverflowMenu" };
    f.bar->setDelegate(d.get());
    f.bar->updateAnimate(false);
    // The overflow button's item is reported in the menu first, then as shown.
    EXPECT_EQ(d->calls, (QStringList { QStringLiteral("overflow:Tab 1:0"), QStringLiteral("overflow:Tab 2:1"), QStringLiteral("overflow:Tab 2:0"),
                            QStringLiteral("overflow:Tab 3:1"), QStringLiteral("overflow:Tab 4:1") }));
}

TEST(QVTabBarLayout, ShrinkingRemovesOnePointPerWidthAndPassUntilTheMinimum)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 0);
    std::vector<double> widths { 103, 101, 100 };
    EXPECT_EQ(f.bar->controller()->_shrinkWidthsTowardMinimumWithAvailableWidth(widths, 100, 0), 4);
    EXPECT_EQ(widths, (std::vector<double> { 100, 100, 100 }));
}

TEST(QVTabBarLayout, ASeededRunKeepsWidthsWithinTheBarAndTheSelectedTabShown)
{
    std::mt19937 random(29);
    for (int round = 0; round < 40; ++round) {
        const double width = double(random() % 900);
        QVBarFixture f(kit::MakeRect(0, 0, width, 22), int(random() % 9));
        f.bar->setSizeButtonsToFit(random() % 2);
        f.style->desired[QStringLiteral("Tab 3")] = double(random() % 300);
        if (f.tabView->numberOfTabViewItems() > 0)
            f.tabView->selectTabViewItemAtIndex(std::int64_t(random() % std::uint64_t(f.tabView->numberOfTabViewItems())));
        f.bar->updateAnimate(false);
        double sum = 0;
        for (double w : f.widths()) {
            EXPECT_GE(w, 0);
            sum += w;
        }
        if (f.widths().size() > 1) {
            EXPECT_LE(sum, std::max(0.0, f.bar->availableWidthForButtons()) + 0.5) << "width " << width;
        }
        if (const auto selected = f.tabView->selectedTabViewItem(); selected && !f.widths().empty()) {
            EXPECT_TRUE(f.bar->attachedButtonForTabViewItem(selected.get())) << "round " << round;
        }
    }
}

TEST(QVTabBarModel, TabStatesMarkPositionsAndTheSelectedNeighbours)
{
    QVBarFixture single(kit::MakeRect(0, 0, 600, 22), 1);
    EXPECT_EQ(single.bar->orderedAttachedButtons().front()->tabState() & QVTabStatePositionMask, 0xD00u);
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    f.tabView->selectTabViewItemAtIndex(1);
    const auto b = f.bar->orderedAttachedButtons();
    EXPECT_EQ(b[0]->tabState(), std::uint64_t(QVTabStatePositionFirst | QVTabStateNextSelected));
    EXPECT_EQ(b[1]->tabState() & QVTabStatePositionMask, std::uint64_t(QVTabStatePositionMiddle));
    EXPECT_EQ(b[2]->tabState(), std::uint64_t(QVTabStatePositionLast | QVTabStatePreviousSelected));
    EXPECT_EQ(b[1]->state(), kit::OnState);
    f.tabView->selectTabViewItemAtIndex(0);
    EXPECT_EQ(b[2]->tabState(), std::uint64_t(QVTabStatePositionLast));
    EXPECT_EQ(b[1]->tabState() & QVTabStatePreviousSelected, QVTabStatePreviousSelected);
}

TEST(QVTabBarModel, ChangesInOneTurnMakeOneUpdate)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2);
    auto d = kit::make<QVRecordingDelegate>();
    d->implemented = { "tabViewTabViewItemIsInOverflowMenu" };
    f.bar->setDelegate(d.get());
    f.bar->setButtonOptimumWidth(120);
    f.bar->setDisableTabClose(true);
    f.addTab(QStringLiteral("Tab 3"));
    EXPECT_TRUE(f.bar->needsUpdate());
    kit::RunLoop::main().runPending();
    // One layout: each of the three shown buttons reported once.
    EXPECT_EQ(d->calls.size(), 3);
    EXPECT_FALSE(f.bar->needsUpdate());
    EXPECT_EQ(f.bar->numberOfAttachedButtons(), 3);
}

TEST(QVTabBarModel, RemovingAnItemDetachesThenRemovesItsButton)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    auto d = kit::make<QVRecordingDelegate>();
    d->implemented = { "tabViewDidDetachTabViewItem", "tabViewDidChangeNumberOfTabViewItems" };
    f.bar->setDelegate(d.get());
    const auto item = f.item(1);
    f.tabView->removeTabViewItem(item.get());
    EXPECT_EQ(f.bar->numberOfAttachedButtons(), 3);
    kit::RunLoop::main().runPending();
    EXPECT_EQ(d->calls, (QStringList { QStringLiteral("count"), QStringLiteral("detach:Tab 2") }));
    EXPECT_EQ(f.bar->numberOfAttachedButtons(), 2);
    EXPECT_EQ(kit::debug::observationCount(item.get()), 0);
}

TEST(QVTabBarModel, MovingAnItemSendsNoCountChange)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    auto d = kit::make<QVRecordingDelegate>();
    d->implemented = { "tabViewDidChangeNumberOfTabViewItems" };
    f.bar->setDelegate(d.get());
    f.bar->moveTabViewItemToIndex(f.item(0).get(), 2);
    EXPECT_TRUE(d->calls.isEmpty());
    EXPECT_FALSE(f.bar->needsUpdate());
    EXPECT_EQ(f.item(2)->label(), QStringLiteral("Tab 1"));
}

TEST(QVTabBarModel, HideForSingleTabCollapsesAndASecondTabShowsTheBar)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 1);
    f.bar->setHideForSingleTab(true);
    kit::RunLoop::main().runPending();
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_TRUE(f.bar->isHidden());
    f.addTab(QStringLiteral("Tab 2"));
    kit::RunLoop::main().runPending();
    EXPECT_FALSE(f.bar->isTabBarHidden());
    EXPECT_FALSE(f.bar->isHidden());
}

TEST(QVTabBarModel, ButtonsOfItemsOutsideTheTabViewSortLast)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    auto stray = kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("stray")));
    auto button = kit::make<QVAttachedTabBarButton>(kit::MakeRect(0, 0, 30, 22), stray);
    f.bar->addSubview(button.get());
    const auto ordered = f.bar->orderedAttachedButtons();
    ASSERT_EQ(ordered.size(), 4u);
    EXPECT_EQ(ordered.back(), button);
    EXPECT_EQ(ordered[0]->tabViewItem(), f.item(0));
}

TEST(QVTabBarModel, AChangedIdentifierRebindsTheTitle)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 1);
    auto button = f.bar->orderedAttachedButtons().front();
    EXPECT_EQ(button->title(), QStringLiteral("Tab 1"));
    f.item(0)->setLabel(QStringLiteral("Renamed"));
    EXPECT_EQ(button->title(), QStringLiteral("Renamed"));
    f.item(0)->setValueForKey(kit::Value(true), QStringLiteral("isEdited"));
    EXPECT_TRUE(button->isEdited());
    f.bar->removeAttachedButton(button.get());
    EXPECT_EQ(kit::debug::observationCount(f.item(0).get()), 0);
}

TEST(QVTabBarModel, TheOverflowMenuSurvivesBecomingAndResigningKey)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 6);
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 300, 100), kit::TitledWindowMask);
    auto other = kit::make<kit::Window>(kit::MakeRect(500, 100, 300, 100), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->updateAnimate(false);
    const QStringList titles = f.overflowTitles();
    ASSERT_EQ(titles.size(), 6); // the title item and five tabs
    const auto shown = [&] {
        QStringList out;
        for (const auto& item : f.bar->overflowPopUpButton()->itemArray())
            out << item->title();
        return out;
    };
    EXPECT_EQ(shown(), titles);
    window->makeKeyAndOrderFront();
    EXPECT_EQ(shown(), titles);
    EXPECT_FALSE(f.bar->overflowPopUpButton()->isHidden());
    other->makeKeyAndOrderFront();
    EXPECT_EQ(shown(), titles);
    EXPECT_FALSE(f.bar->overflowPopUpButton()->isHidden());
    EXPECT_EQ(f.bar->overflowPopUpButton()->frame(), f.bar->overflowButtonRect());
    kit::Application::resetForTesting();
}

// A vertical bar of 100 points (margins 3, buttons 22, pop-up 18): from the height at which the
// tabs stop fitting, the pop-up's height is kept free, so every layout shows the same buttons and
// the pop-up stays inside the bar.
TEST(QVTabBarModel, AVerticalBarGoingIntoOverflowLaysOutTheSameTwiceWithThePopUpInside)
{
    for (const double height : { 90.0, 94.0, 100.0, 106.0, 112.0, 115.0, 116.0 }) {
        QVBarFixture f(kit::MakeRect(0, 0, 120, height), 3);
        f.bar->setOrientation(QVTabBarVerticalOrientation);
        for (int i = 4; i <= 6; ++i)
            f.addTab(QStringLiteral("Tab %1").arg(i));
        kit::RunLoop::main().runPending();
        const std::int64_t first = f.bar->numberOfAttachedButtons();
        const kit::Rect popUp = f.bar->overflowPopUpButton()->frame();
        f.bar->updateAnimate(false);
        EXPECT_EQ(f.bar->numberOfAttachedButtons(), first) << height;
        EXPECT_EQ(f.bar->overflowPopUpButton()->frame(), popUp) << height;
        ASSERT_FALSE(f.bar->overflowPopUpButton()->isHidden()) << height;
        EXPECT_LE(popUp.maxY(), height) << height;
        // As many buttons as fit above the pop-up: y from 3 in steps of 22 while y + 22 <= h - 6 - 18.
        const std::int64_t fitting = std::int64_t((height - 6 - 18 - 3) / 22);
        EXPECT_EQ(first, fitting) << height;
    }
    // Six tabs that fit need no pop-up: 3 + 6 × 22 = 135 <= 141 - 6.
    QVBarFixture fits(kit::MakeRect(0, 0, 120, 141), 6);
    fits.bar->setOrientation(QVTabBarVerticalOrientation);
    EXPECT_EQ(fits.bar->numberOfAttachedButtons(), 6);
    EXPECT_TRUE(fits.bar->overflowPopUpButton()->isHidden());
}

TEST(QVTabBarModel, WithoutATabViewTheBarDrawsItsName)
{
    auto bar = kit::make<QVTabBarView>(kit::MakeRect(0, 0, 200, 22));
    EXPECT_FALSE(bar->tabView());
    EXPECT_EQ(bar->styleName(), QStringLiteral("Metal"));
    EXPECT_TRUE(QVTabStyle::registeredTabStyleNames().contains(QStringLiteral("Metal")));
    bar->setStyleNamed(QStringLiteral("NoSuchStyle"));
    EXPECT_EQ(bar->styleName(), QStringLiteral("Metal"));
}

} // namespace
