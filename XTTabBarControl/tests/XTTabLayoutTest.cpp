#include "XTTabBarControl/tests/XTTabBarTestSupport.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace {

// Metal metrics: margins 10 and 24, so a bar 434 wide has 400 points for its cells.
XTTabWidths::Input xtlInput(double available, std::vector<double> desired)
{
    XTTabWidths::Input in;
    in.frameWidth = available + 34;
    in.frameHeight = 22;
    in.leftMargin = 10;
    in.rightMargin = 24;
    in.topMargin = 10;
    in.cellHeight = 22;
    in.desiredWidths = std::move(desired);
    return in;
}

struct XTWidthCase {
    const char* name;
    double available;
    std::vector<double> desired;
    bool sizeToFit;
    bool overflowMenu;
    double minWidth;
    std::vector<double> expected;
};

class XTTabWidthsTable : public testing::TestWithParam<XTWidthCase> { };

TEST_P(XTTabWidthsTable, Widths)
{
    const XTWidthCase& c = GetParam();
    XTTabWidths::Input in = xtlInput(c.available, c.desired);
    in.sizeCellsToFit = c.sizeToFit;
    in.useOverflowMenu = c.overflowMenu;
    in.cellMinWidth = c.minWidth;
    const XTTabWidths::Output out = XTTabWidths::generate(in);
    EXPECT_EQ(out.values, c.expected);
    EXPECT_TRUE(out.failure.isEmpty());
}

const std::vector<double> xtlFive(5, 60.0);

INSTANTIATE_TEST_SUITE_P(XTTabLayout, XTTabWidthsTable,
    testing::Values(
        // Three tabs of 130 fit in 400; a fourth makes four of 100; a fifth would be 80 and overflows.
        XTWidthCase { "ThreeOfOptimum", 400, { 60, 60, 60 }, false, true, 100, { 130, 130, 130 } },
        XTWidthCase { "FourShareTheWidth", 400, { 60, 60, 60, 60 }, false, true, 100, { 100, 100, 100, 100 } },
        XTWidthCase { "FifthOverflows", 400, xtlFive, false, true, 100, { 100, 100, 100, 100 } },
        // A tab ending exactly at the available width does not fit: the share of 130 is below
        // the minimum of 131 and the two-tab rule takes over; a point more and both fit.
        XTWidthCase { "StrictBoundary", 260, { 50, 50, 50 }, false, true, 131, { 210, 50 } },
        XTWidthCase { "OnePointMoreFits", 261, { 50, 50, 50 }, false, true, 131, { 130, 130 } },
        // Without the menu every tab shares; sized to fit, a narrower tab keeps its width.
        XTWidthCase { "NoMenuShares", 300, { 60, 60, 60, 60 }, false, false, 100, { 75, 75, 75, 75 } },
        XTWidthCase { "NoMenuKeepsNarrow", 300, { 60, 200, 200, 200 }, true, false, 100, { 60, 75, 75, 75 } },
        // Sized to fit: toward the average, toward the smallest, toward the minimum, then the
        // leftover point goes to the first tab.
        XTWidthCase { "ThreeShrinkRoundsAndSpread", 151, { 100, 100, 100 }, true, true, 40, { 51, 50, 50 } },
        // Two tabs always show in a bar too narrow for either.
        XTWidthCase { "TwoTabsIn60", 60, { 80, 90 }, false, true, 100, { 30, 30 } }),
    [](const testing::TestParamInfo<XTWidthCase>& info) { return std::string(info.param.name); });

TEST(XTTabLayout, SizeToFitStaysWithinTheBarUnlessItLogs)
{
    std::mt19937 random(2718);
    std::uniform_int_distribution<int> count(1, 12), width(20, 300), bar(50, 900), minimum(20, 120);
    for (int round = 0; round < 300; ++round) {
        std::vector<double> desired(std::size_t(count(random)));
        for (double& d : desired)
            d = width(random);
        XTTabWidths::Input in = xtlInput(bar(random), desired);
        in.sizeCellsToFit = true;
        in.cellMinWidth = minimum(random);
        const XTTabWidths::Output out = XTTabWidths::generate(in);
        const double available = in.frameWidth - 34;
        const double sum = std::accumulate(out.values.begin(), out.values.end(), 0.0);
        if (out.failure.isEmpty()) {
            EXPECT_LE(sum, available) << "round " << round;
        }
        // The round toward the average may take a tab below the minimum, never below a fair share.
        // Two tabs sharing the whole bar are the rule for bars too narrow for both.
        const bool twoTabRule = out.values.size() == 2 && sum == available;
        for (std::size_t i = 0; i < out.values.size() && !twoTabRule; ++i)
            EXPECT_GE(out.values[i], std::min({ desired[i], in.cellMinWidth, std::trunc(available / double(out.values.size())) }))
                << "round " << round << " entry " << i << " available " << available << " minimum " << in.cellMinWidth << " desired "
                << ::testing::PrintToString(desired) << " got " << ::testing::PrintToString(out.values);
    }
}

struct XTVerticalCase {
    double height;
    std::vector<double> expected;
};

class XTTabVerticalTable : public testing::TestWithParam<XTVerticalCase> { };

// Origins from the top margin in steps of 22; the last cell gives way when under 17 points stay.
TEST_P(XTTabVerticalTable, Origins)
{
    XTTabWidths::Input in = xtlInput(100, std::vector<double>(8, 60.0));
    in.vertical = true;
    in.frameHeight = GetParam().height;
    EXPECT_EQ(XTTabWidths::generate(in).values, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(XTTabLayout, XTTabVerticalTable,
    testing::Values(XTVerticalCase { 100, { 10, 32, 54 } }, XTVerticalCase { 115, { 10, 32, 54, 76 } },
        XTVerticalCase { 120, { 10, 32, 54, 76 } }, XTVerticalCase { 20, {} }));

TEST(XTTabLayout, ShrinkTakesOnePointPerPassLastFirst)
{
    std::vector<double> widths { 50, 52, 53 };
    EXPECT_EQ(XTTabWidths::shrink(widths, 50, 151), 4);
    EXPECT_EQ(widths, (std::vector<double> { 50, 50, 51 }));
}

TEST(XTTabLayout, OverflowTitlesCutAtACharacter)
{
    const QString sixty(60, QLatin1Char('a'));
    EXPECT_EQ(XTTruncatedTitle(sixty, 60), sixty);
    const QString sixtyOne(61, QLatin1Char('b'));
    EXPECT_EQ(XTTruncatedTitle(sixtyOne, 60), QString(59, QLatin1Char('b')) + QChar(0x2026));
    // A character outside the basic plane straddling the cut is left out whole.
    const QString wide = QString(58, QLatin1Char('c')) + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("ddd");
    EXPECT_EQ(XTTruncatedTitle(wide, 60), QString(58, QLatin1Char('c')) + QChar(0x2026));
}

TEST(XTTabLayout, BarLaysOutSelectionAndPositionBits)
{
    XTBarFixture f(434, 3);
    f.tabView->selectTabViewItemAtIndex(1);
    f.bar->update(false);
    const auto& cells = f.bar->cells();
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0]->tabState(), XTTabPositionLeftMask | XTTabRightNeighbourSelectedMask);
    EXPECT_EQ(cells[1]->tabState(), XTTabSelectedMask);
    EXPECT_EQ(cells[1]->state(), 1);
    EXPECT_EQ(cells[2]->tabState(), XTTabLeftNeighbourSelectedMask | XTTabPositionRightMask);
    EXPECT_EQ(f.widths(), (std::vector<double> { 130, 130, 130 }));
    EXPECT_EQ(cells[0]->frame().origin.x, 10);
    EXPECT_EQ(cells[2]->frame().origin.x, 270);

    XTBarFixture single(434, 1);
    single.bar->update(false);
    EXPECT_EQ(single.bar->cells()[0]->tabState() & 0xF0, 0xD0);
    // A lone tab cannot be closed unless the bar allows it.
    EXPECT_TRUE(single.bar->cells()[0]->isCloseButtonSuppressed());
    single.bar->setCanCloseOnlyTab(true);
    EXPECT_FALSE(single.bar->cells()[0]->isCloseButtonSuppressed());
}

TEST(XTTabLayout, SelectionChangeMatchesAFreshLayout)
{
    XTBarFixture f(434, 3);
    f.tabView->selectTabViewItemAtIndex(0);
    f.tabView->selectTabViewItemAtIndex(2);
    std::vector<std::int64_t> moved;
    for (const auto& cell : f.bar->cells())
        moved.push_back(cell->tabState() & 0x0E);
    f.bar->update(false);
    std::vector<std::int64_t> fresh;
    for (const auto& cell : f.bar->cells())
        fresh.push_back(cell->tabState() & 0x0E);
    EXPECT_EQ(moved, fresh);
    EXPECT_EQ(fresh, (std::vector<std::int64_t> { 0, XTTabRightNeighbourSelectedMask, XTTabSelectedMask }));
}

TEST(XTTabLayout, OverflowMenuListsTheTabsThatDoNotFit)
{
    XTBarFixture f(434, 6);
    auto counted = kit::make<XTTestIdentifier>();
    counted->setObjectCount(3);
    f.addTab(QStringLiteral("Counted"), kit::Value(kit::Ref<kit::Object>(counted)));
    const kit::Ref<kit::Menu> menu = f.bar->controller().overflowMenu();
    ASSERT_TRUE(menu);
    EXPECT_FALSE(f.bar->overflowPopUpButton()->isHidden());
    ASSERT_EQ(menu->numberOfItems(), 4);
    EXPECT_EQ(menu->itemAtIndex(0)->title(), QString());
    EXPECT_EQ(menu->itemAtIndex(1)->title(), QStringLiteral("Tab 4"));
    EXPECT_EQ(menu->itemAtIndex(3)->title(), QStringLiteral("Counted (3)"));
    EXPECT_EQ(menu->itemAtIndex(1)->action(), kit::Selector("overflowMenuAction"));
    EXPECT_EQ(menu->itemAtIndex(1)->target().get(), f.bar.get());
    EXPECT_EQ(f.bar->numberOfVisibleTabs(), 4);
    EXPECT_EQ(f.bar->lastVisibleTab(), f.bar->cells()[3]);

    f.tabView->selectTabViewItemAtIndex(4);
    EXPECT_TRUE(f.bar->validateMenuItem(menu->itemAtIndex(1).get()));
    EXPECT_EQ(menu->itemAtIndex(1)->state(), 1);
    f.bar->validateMenuItem(menu->itemAtIndex(2).get());
    EXPECT_EQ(menu->itemAtIndex(2)->state(), 0);

    // Everything fits again: no menu, the pull-down hides.
    f.bar->setFrameSize(kit::MakeSize(1200, 22));
    EXPECT_FALSE(f.bar->controller().overflowMenu());
    EXPECT_TRUE(f.bar->overflowPopUpButton()->isHidden());
}

TEST(XTTabLayout, IndexQueriesOutOfRangeLogAndAnswerZero)
{
    XTBarFixture f(434, 2);
    kit::test::LogRecorder log;
    EXPECT_EQ(f.bar->controller().cellFrameAtIndex(5), kit::Rect {});
    EXPECT_EQ(f.bar->controller().cellTrackingRectAtIndex(-1), kit::Rect {});
    EXPECT_TRUE(log.contains(QStringLiteral("cellFrameAtIndex: Invalid index (5)")));
    EXPECT_TRUE(log.contains(QStringLiteral("cellTrackingRectAtIndex: Invalid index (-1)")));
}

// A bar narrower than its margins and one tab: no tab shows, and selecting still works.
TEST(XTTabLayout, NarrowBarHasNoVisibleTab)
{
    XTBarFixture f(100, 2);
    f.addTab(QStringLiteral("Third"));
    EXPECT_EQ(f.bar->numberOfVisibleTabs(), 2); // the two-tab rule
    XTBarFixture g(100, 1);
    EXPECT_EQ(g.bar->lastVisibleTab(), nullptr);
    g.addTab(QStringLiteral("Second"));
    g.tabView->selectTabViewItemAtIndex(1);
    EXPECT_EQ(g.bar->cells()[1]->state(), 1);
}

} // namespace
