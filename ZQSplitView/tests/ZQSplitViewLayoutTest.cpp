#include "ZQSplitView/tests/ZQSplitTestSupport.h"
#include "kit/appkit/ScrollView.h"

#include <gtest/gtest.h>

#include <random>

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

// Whatever the sizes and limits, panes and dividers cover the bounds exactly, in order.
TEST(ZQSplitViewLayout, PanesAndDividersAlwaysTileTheBounds)
{
    std::mt19937 random(20261206);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int round = 0; round < 200; ++round) {
        const int n = pick(1, 6);
        const double thickness = pick(0, 9);
        auto split = kit::make<ZQSplitView>(kit::MakeRect(0, 0, 500, 80));
        split->setHorizontal(round % 2 == 1); // resets the thickness to the image's
        split->setDividerThickness(thickness);
        for (int i = 0; i < n; ++i) {
            auto pane = kit::make<ZQSplitSubview>(kit::MakeRect(0, 0, pick(1, 300), pick(1, 300)));
            const double min = pick(1, 150);
            pane->setMinDimensionAndMaxDimension(min, pick(0, 3) == 0 ? 0 : min + pick(0, 400));
            pane->setCanCollapse(pick(0, 1) == 1);
            split->addSubview(pane.get());
        }
        for (int step = 0; step < 5; ++step) {
            split->setFrameSize(kit::MakeSize(pick(20, 900), pick(20, 900)));
            const bool horizontal = split->isHorizontal();
            const double along = ZQSplitSubview::axisOf(split->bounds().size, horizontal);
            double running = 0;
            const auto panes = split->visibleSubviews();
            for (std::size_t i = 0; i < panes.size(); ++i) {
                const kit::Rect f = panes[i]->frame();
                ASSERT_DOUBLE_EQ(ZQSplitSubview::axisOrigin(f.origin, horizontal), running)
                    << "round " << round << " pane " << i << " " << qPrintable(split->stringWithSavedState());
                ASSERT_EQ(ZQSplitSubview::crossOf(f.size, horizontal), ZQSplitSubview::crossOf(split->bounds().size, horizontal));
                running += ZQSplitSubview::axisOf(f.size, horizontal);
                if (i + 1 < panes.size()) {
                    ASSERT_DOUBLE_EQ(ZQSplitSubview::axisOrigin(split->dividerRects()[i].origin, horizontal), running);
                    running += thickness;
                }
            }
            ASSERT_DOUBLE_EQ(running, along) << "round " << round;
        }
    }
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
