#include "ZQSplitView/tests/ZQSplitTestSupport.h"
#include "kit/appkit/ScrollView.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using kit::Ref;

namespace {

TEST(ZQSplitViewLayout, SubPixelCarryRoundsAndComesBack)
{
    auto split = makeSplitView({ 100, 100, 100 });
    split->setFrameSize(kit::MakeSize(331, 100));
    EXPECT_EQ(widthOf(*split, 0), 110);
    EXPECT_EQ(widthOf(*split, 1), 110);
    EXPECT_EQ(widthOf(*split, 2), 111);
    EXPECT_NEAR(split->subviewAtPosition(0)->fraction(), 1.0 / 3, 1e-9);
    EXPECT_NEAR(split->subviewAtPosition(2)->fraction(), 1.0 / 3 - 1, 1e-9);
    split->setFrameSize(kit::MakeSize(300, 100));
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(widthOf(*split, i), 100) << i;
}

// Once a pane is held at its minimum the others share what is left in proportion to their rounded
// sizes, while each still brings its carry: 141, 178, 50 with minimums 1, 84, 133 shrunk to 360.
TEST(ZQSplitViewLayout, AfterAConstraintTheRatioIsTakenOverTheRoundedSizes)
{
    auto split = makeSplitView({ 141, 178, 50 });
    split->subviewAtPosition(1)->setMinDimensionAndMaxDimension(84, 0);
    split->subviewAtPosition(2)->setMinDimensionAndMaxDimension(133, 0);
    split->setFrameSize(kit::MakeSize(360, 100));
    EXPECT_EQ(widthOf(*split, 0), 100);
    EXPECT_EQ(widthOf(*split, 1), 126);
    EXPECT_EQ(widthOf(*split, 2), 134) << "the last pane takes the point left over";
    EXPECT_EQ(split->stringWithSavedState(), QStringLiteral("3 100.084 126.348 133"));
}

TEST(ZQSplitViewLayout, MinimumHoldsAndOthersShareTheRest)
{
    auto split = makeSplitView({ 100, 100, 100 });
    split->subviewAtPosition(0)->setMinDimensionAndMaxDimension(90, 0);
    split->setFrameSize(kit::MakeSize(210, 100));
    EXPECT_EQ(widthOf(*split, 0), 90);
    EXPECT_EQ(widthOf(*split, 1) + widthOf(*split, 2), 120);
}

TEST(ZQSplitViewLayout, CollapsesWhenMinimumsDoNotFitAndReExpandsWhenRoomReturns)
{
    auto split = makeSplitView({ 100, 100, 100 });
    for (unsigned i = 0; i < 3; ++i) {
        split->subviewAtPosition(i)->setMinDimensionAndMaxDimension(80, 120);
        split->subviewAtPosition(i)->setCanCollapse(i < 2);
    }
    split->setFrameSize(kit::MakeSize(200, 100));
    EXPECT_TRUE(split->subviewAtPosition(0)->isCollapsed()) << "collapsed in order from position 0";
    EXPECT_FALSE(split->subviewAtPosition(1)->isCollapsed());
    EXPECT_EQ(widthOf(*split, 1) + widthOf(*split, 2), 200);

    split->setFrameSize(kit::MakeSize(400, 100));
    EXPECT_FALSE(split->subviewAtPosition(0)->isCollapsed()) << "panes at their maximum make room for a collapsed one";
    EXPECT_EQ(widthOf(*split, 0) + widthOf(*split, 1) + widthOf(*split, 2), 400);
}

TEST(ZQSplitViewLayout, HiddenPanesHaveNoDividersAndDelegateHearsInOrder)
{
    auto split = makeSplitView({ 100, 100, 100 }, 5);
    EXPECT_EQ(split->dividerRects().size(), 2u);
    auto delegate = kit::make<RecordingDelegate>();
    delegate->implemented = { "willAdjustSubviews", "didAdjustSubviews", "splitViewChangedFrameOfSubviewFromTo" };
    split->setDelegate(delegate.get());
    split->subviewAtPosition(1)->setHidden(true);
    EXPECT_EQ(split->dividerRects().size(), 1u);
    EXPECT_EQ(widthOf(*split, 0) + widthOf(*split, 2) + 5, 310);
    ASSERT_GE(delegate->calls.size(), 2);
    EXPECT_EQ(delegate->calls.front(), QStringLiteral("will"));
    EXPECT_EQ(delegate->calls.back(), QStringLiteral("did"));
}

TEST(ZQSplitViewLayout, ExceptedPaneKeepsItsSize)
{
    auto split = makeSplitView({ 100, 100, 100 });
    auto pane = split->subviewAtPosition(1);
    pane->setDimension(160);
    EXPECT_EQ(widthOf(*split, 1), 160);
    EXPECT_EQ(widthOf(*split, 0) + widthOf(*split, 2), 140);
}

// Checks that the visible panes and the dividers cover the bounds exactly, in order, and that no
// open pane is under its minimum when the minimums fit at all.
void expectTiling(const ZQSplitView& split, double thickness)
{
    const bool horizontal = split.isHorizontal();
    const double along = ZQSplitSubview::axisOf(split.bounds().size, horizontal);
    const auto panes = split.visibleSubviews();
    double running = 0, minimums = thickness * double(panes.size() - 1);
    for (const auto& pane : panes)
        if (!pane->isCollapsed())
            minimums += pane->minDimension();
    for (std::size_t i = 0; i < panes.size(); ++i) {
        const kit::Rect f = panes[i]->frame();
        const double size = ZQSplitSubview::axisOf(f.size, horizontal);
        ASSERT_DOUBLE_EQ(ZQSplitSubview::axisOrigin(f.origin, horizontal), running) << "pane " << i;
        // When even the minimums overflow and nothing may collapse, the last pane takes the overflow.
        if (minimums <= along) {
            ASSERT_TRUE(size == 0 || size >= panes[i]->minDimension()) << "pane " << i << ": " << size;
        }
        running += size;
        if (i + 1 < panes.size()) {
            ASSERT_DOUBLE_EQ(ZQSplitSubview::axisOrigin(split.dividerRects()[i].origin, horizontal), running) << "divider " << i;
            running += thickness;
        }
    }
    ASSERT_DOUBLE_EQ(running, along);
}

// Whatever the sizes and limits, panes and dividers cover the bounds exactly, in order: a few
// panes of any size, and many small ones whose rounding cannot come out even.
TEST(ZQSplitViewLayout, PanesAndDividersAlwaysTileTheBounds)
{
    std::mt19937 random(20261206);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int round = 0; round < 300; ++round) {
        const bool many = round >= 200;
        const int n = many ? pick(20, 120) : pick(1, 6);
        const double thickness = pick(0, 9);
        auto split = kit::make<ZQSplitView>(kit::MakeRect(0, 0, 500, 80));
        split->setHorizontal(round % 2 == 1); // resets the thickness to the image's
        split->setDividerThickness(thickness);
        for (int i = 0; i < n; ++i) {
            auto pane = many ? kit::make<ZQSplitSubview>(kit::MakeRect(0, 0, pick(1, 9), pick(1, 9)))
                             : kit::make<ZQSplitSubview>(kit::MakeRect(0, 0, pick(1, 300), pick(1, 300)));
            const double min = many ? pick(1, 3) : pick(1, 150);
            pane->setMinDimensionAndMaxDimension(min, pick(0, 3) == 0 ? 0 : min + pick(0, many ? 20 : 400));
            pane->setCanCollapse(pick(0, 1) == 1);
            split->addSubview(pane.get());
        }
        for (int step = 0; step < 5; ++step) {
            const int lo = many ? n * 4 + int(thickness) * (n - 1) : 20;
            split->setFrameSize(kit::MakeSize(pick(lo, lo + 900), pick(lo, lo + 900)));
            ASSERT_NO_FATAL_FAILURE(expectTiling(*split, thickness))
                << "round " << round << " " << qPrintable(split->stringWithSavedState());
        }
    }
}

struct ManyPanesCase {
    int count;
    double thickness;
    double along;
};

class ManyPanesTest : public testing::TestWithParam<ManyPanesCase> { };

// Many small panes, where rounding each share on its own cannot come out even.
TEST_P(ManyPanesTest, PanesAndDividersTileTheBoundsAtEverySize)
{
    const ManyPanesCase c = GetParam();
    std::mt19937 random(std::uint32_t(c.count * 100 + int(c.thickness)));
    // Starting frames all of 3 points, all of 4, or of either.
    for (const int start : { 3, 4, 0 })
        for (const bool horizontal : { true, false }) {
            SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
            SCOPED_TRACE(start);
            auto split = kit::make<ZQSplitView>(horizontal ? kit::MakeRect(0, 0, 300, c.along) : kit::MakeRect(0, 0, c.along, 300));
            split->setHorizontal(horizontal);
            split->setDividerThickness(c.thickness);
            for (int i = 0; i < c.count; ++i) {
                const double size = start ? start : std::uniform_int_distribution<int>(3, 4)(random);
                split->addSubview(
                    kit::make<ZQSplitSubview>(horizontal ? kit::MakeRect(0, 0, 300, size) : kit::MakeRect(0, 0, size, 300)).get());
            }
            split->adjustSubviews();
            ASSERT_NO_FATAL_FAILURE(expectTiling(*split, c.thickness)) << qPrintable(split->stringWithSavedState());
            for (const double change : { -1.0, -1.0, 1.0, 1.0, 1.0, -7.0, 13.0, -1.0 }) {
                kit::Size size = split->frame().size;
                ZQSplitSubview::setAxis(size, horizontal, ZQSplitSubview::axisOf(size, horizontal) + change);
                split->setFrameSize(size);
                ASSERT_NO_FATAL_FAILURE(expectTiling(*split, c.thickness)) << "at " << ZQSplitSubview::axisOf(size, horizontal);
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Table, ManyPanesTest,
    testing::Values(ManyPanesCase { 100, 1, 1280 }, ManyPanesCase { 100, 9, 1280 }, ManyPanesCase { 100, 0, 1283 },
        ManyPanesCase { 37, 3, 500 }, ManyPanesCase { 64, 2, 333 }, ManyPanesCase { 10, 9, 131 }),
    [](const auto& info) {
        const ManyPanesCase& c = info.param;
        return "panes" + std::to_string(c.count) + "dividers" + std::to_string(int(c.thickness)) + "in" + std::to_string(int(c.along));
    });

// 100 equal panes in 1,280 points with 9-point dividers share 389 points: each gets 3.89, so the
// panes are 3 or 4 points, never one pane taking the whole difference.
TEST(ZQSplitViewLayout, EqualPanesStayWithinAPointOfTheirShare)
{
    auto split = kit::make<ZQSplitView>(kit::MakeRect(0, 0, 300, 1280));
    split->setHorizontal(true);
    split->setDividerThickness(9);
    for (int i = 0; i < 100; ++i)
        split->addSubview(kit::make<ZQSplitSubview>(kit::MakeRect(0, 0, 300, 4)).get());
    split->adjustSubviews();
    double total = 0;
    for (unsigned i = 0; i < 100; ++i) {
        const double size = split->subviewAtPosition(i)->frame().size.height;
        EXPECT_TRUE(size == 3 || size == 4) << "pane " << i << ": " << size;
        total += size;
    }
    EXPECT_EQ(total, 389);
    const kit::Rect last = split->subviewAtPosition(99)->frame();
    EXPECT_EQ(last.origin.y + last.size.height, 1280);
}

TEST(ZQSplitViewLayout, DocumentOfAScrollViewTakesThePanesSizes)
{
    auto split = makeSplitView({ 100, 150 }, 5);
    auto scroll = kit::make<kit::ScrollView>(kit::MakeRect(0, 0, 200, 100));
    scroll->setDocumentView(split.get());
    ASSERT_TRUE(split->isInScrollView());
    split->subviewAtPosition(1)->setDimension(300);
    EXPECT_EQ(widthOf(*split, 0), 100) << "nothing is shared out";
    EXPECT_EQ(widthOf(*split, 1), 300);
    EXPECT_EQ(split->frame().size.width, 405) << "the document grows to hold its panes";

    scroll->setDocumentView(nullptr);
    EXPECT_FALSE(split->isInScrollView());
}

} // namespace
