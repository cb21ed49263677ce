#include "ZQSplitView/JVLSplitSubviewResizeButton.h"
#include "ZQSplitView/tests/ZQSplitTestSupport.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

using kit::Ref;

namespace {

struct LimitsCase {
    double min, max, wantMin, wantMax;
};

class LimitsTest : public testing::TestWithParam<LimitsCase> { };

TEST_P(LimitsTest, ClampsAndOrders)
{
    const LimitsCase c = GetParam();
    auto pane = kit::make<ZQSplitSubview>(kit::MakeRect(0, 0, 10, 10));
    pane->setMinDimensionAndMaxDimension(c.min, c.max);
    EXPECT_EQ(pane->minDimension(), c.wantMin);
    EXPECT_EQ(pane->maxDimension(), c.wantMax);
}

INSTANTIATE_TEST_SUITE_P(Table, LimitsTest,
    testing::Values(LimitsCase { 0.4, 0, 1, 1000000 }, LimitsCase { 50.7, 20, 50, 50 }, LimitsCase { 10.9, 99.9, 10, 99 },
        LimitsCase { -5, 0.5, 1, 1000000 }));

TEST(ZQSplitSubview, CanCollapseNeedsTwoVisiblePanesThenAsksTheDelegate)
{
    auto split = makeSplitView({ 100, 100 });
    auto a = split->subviewAtPosition(0);
    auto b = split->subviewAtPosition(1);
    a->setCanCollapse(true);
    EXPECT_TRUE(a->canCollapse());
    b->setHidden(true);
    EXPECT_FALSE(a->canCollapse()) << "a single visible pane never collapses";
    b->setHidden(false);

    auto delegate = kit::make<RecordingDelegate>();
    delegate->implemented = { "splitViewCanCollapse" };
    delegate->canCollapse = [&](ZQSplitSubview* p) { return p == b.get(); };
    split->setDelegate(delegate.get());
    EXPECT_FALSE(a->canCollapse());
    EXPECT_TRUE(b->canCollapse());
}

struct StepCase {
    const char* name;
    double start; // 0 = collapsed
    double increment;
    bool collapsible;
    double wantSize; // frame width after the step (0 = collapsed)
};

class ChangeDimensionTest : public testing::TestWithParam<StepCase> { };

TEST_P(ChangeDimensionTest, ThresholdsOfCollapseAndExpand)
{
    const StepCase c = GetParam();
    auto split = makeSplitView({ 200, 300 });
    auto pane = split->subviewAtPosition(0);
    pane->setMinDimensionAndMaxDimension(100, 0);
    pane->setCanCollapse(c.collapsible);
    if (c.start == 0) {
        pane->collapse();
        split->adjustSubviews();
    } else {
        pane->changeDimensionByMayCollapseMove(c.start - 200, true, false);
    }
    pane->changeDimensionByMayCollapseMove(c.increment, true, false);
    EXPECT_EQ(pane->frame().size.width, c.wantSize);
}

INSTANTIATE_TEST_SUITE_P(Table, ChangeDimensionTest,
    testing::Values(StepCase { "to46StaysAtMinimum", 200, -154, true, 100 }, StepCase { "to44Collapses", 200, -156, true, 0 },
        StepCase { "to44WithoutCollapseStaysAtMinimum", 200, -156, false, 100 }, StepCase { "growTo55StaysCollapsed", 0, 55, true, 0 },
        StepCase { "growTo56ExpandsToMinimum", 0, 56, true, 100 }, StepCase { "growTo150ExpandsFurther", 0, 150, true, 150 },
        StepCase { "belowOnePointIgnored", 200, 0.9, true, 200 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ZQSplitSubview, SameWholeNumberChangesNothingButAnswersTheDifference)
{
    auto split = makeSplitView({ 200, 300 });
    auto pane = split->subviewAtPosition(0);
    pane->setFrameSize(kit::MakeSize(200.2, 100));
    EXPECT_NEAR(pane->changeDimensionByMayCollapseMove(-1.1, false, false), -1.1, 1e-9);
    EXPECT_EQ(pane->frame().size.width, 199.1);
    EXPECT_NEAR(pane->changeDimensionByMayCollapseMove(1.5, false, false), 1.5, 1e-9) << "199.1 + 1.5 truncates to 200: a real change";
}

TEST(ZQSplitSubview, SetDimensionOnCollapsedPaneOnlyAimsTheNextExpansion)
{
    auto split = makeSplitView({ 200, 300 });
    auto pane = split->subviewAtPosition(0);
    pane->setCanCollapse(true);
    EXPECT_EQ(pane->collapse(), -200);
    split->adjustSubviews();
    pane->setDimension(150);
    EXPECT_TRUE(pane->isCollapsed());
    EXPECT_NEAR(pane->dimension(), 150, 1e-9);
    pane->expand();
    split->adjustSubviews();
    EXPECT_NEAR(widthOf(*split, 0), 150, 1.0);
    EXPECT_NEAR(widthOf(*split, 0) + widthOf(*split, 1), 500, 1e-9);
}

// Panes always resize their contents, whatever they are told; the split view never does.
TEST(ZQSplitSubview, PanesAlwaysResizeTheirContentsAndTheSplitViewNever)
{
    auto split = makeSplitView({ 200, 300 });
    auto pane = split->subviewAtPosition(0);
    auto content = kit::make<kit::View>(pane->bounds());
    content->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    pane->addSubview(content.get());
    pane->setAutoresizesSubviews(false);
    split->setAutoresizesSubviews(true);
    EXPECT_TRUE(pane->autoresizesSubviews());
    EXPECT_FALSE(split->autoresizesSubviews());

    split->setFrameSize(kit::MakeSize(1000, 100));
    EXPECT_EQ(pane->frame().size.width, 400);
    EXPECT_EQ(content->frame().size.width, 400) << "the contents follow the pane";
    EXPECT_EQ(pane->savedSize(), kit::MakeSize(400, 100));
}

class AnimationTest : public testing::Test {
protected:
    void TearDown() override { ZQSplitSubview::resetAnimationForTesting(); }
    kit::test::ManualClockScope clock;
};

TEST_F(AnimationTest, CollapseShrinksMonotonicallyAndEndsCollapsed)
{
    auto split = makeSplitView({ 150, 300 });
    auto pane = split->subviewAtPosition(0);
    pane->setCanCollapse(true);
    ASSERT_TRUE(pane->collapseWithAnimation());
    EXPECT_EQ(pane->status(), -1);
    EXPECT_TRUE(split->isDragging()) << "no state is saved while animating";
    double last = pane->frame().size.width;
    for (int i = 0; i < 30 && ZQSplitSubview::animating(); ++i) {
        clock.advance(1.0 / 60);
        EXPECT_LE(pane->frame().size.width, last);
        last = pane->frame().size.width;
    }
    EXPECT_FALSE(ZQSplitSubview::animating());
    EXPECT_TRUE(pane->isCollapsed());
    EXPECT_FALSE(split->isDragging());
    EXPECT_NEAR(pane->dimension(), 150, 1e-6) << "it expands back to the size it had";
    EXPECT_EQ(widthOf(*split, 1), 450);
}

TEST_F(AnimationTest, ExpandEndsAtTheFullSize)
{
    auto split = makeSplitView({ 150, 300 });
    auto pane = split->subviewAtPosition(0);
    pane->setCanCollapse(true);
    pane->collapse();
    split->adjustSubviews();
    ASSERT_TRUE(pane->expandWithAnimation());
    double last = pane->frame().size.width;
    for (int i = 0; i < 30 && ZQSplitSubview::animating(); ++i) {
        clock.advance(1.0 / 60);
        EXPECT_GE(pane->frame().size.width, last);
        last = pane->frame().size.width;
    }
    EXPECT_FALSE(ZQSplitSubview::animating());
    EXPECT_NEAR(widthOf(*split, 0), 150, 1.0);
    EXPECT_EQ(widthOf(*split, 0) + widthOf(*split, 1), 450);
}

TEST_F(AnimationTest, SecondOrTooShortAnimationHappensAtOnce)
{
    auto split = makeSplitView({ 150, 150, 150 });
    auto a = split->subviewAtPosition(0);
    auto b = split->subviewAtPosition(1);
    a->setCanCollapse(true);
    b->setCanCollapse(true);
    ASSERT_TRUE(a->collapseWithAnimation());
    EXPECT_FALSE(b->collapseWithAnimation()) << "one animation at a time";
    EXPECT_TRUE(b->isCollapsed());

    a->removeFromSuperview();
    EXPECT_FALSE(ZQSplitSubview::animating()) << "a pane leaving its split view stops its animation";
    clock.advance(1.0);

    auto delegate = kit::make<RecordingDelegate>();
    delegate->implemented = { "splitViewWillAnimateSubviewWithDimension" };
    delegate->animationDuration = 0;
    auto split2 = makeSplitView({ 150, 150 });
    split2->setDelegate(delegate.get());
    auto c = split2->subviewAtPosition(0);
    c->setCanCollapse(true);
    EXPECT_FALSE(c->collapseWithAnimation());
    EXPECT_TRUE(c->isCollapsed());
}

TEST_F(AnimationTest, DestroyingAnAnimatingPaneFreesTheRecord)
{
    {
        auto split = makeSplitView({ 150, 300 });
        auto pane = split->subviewAtPosition(0);
        pane->setCanCollapse(true);
        ASSERT_TRUE(pane->collapseWithAnimation());
    }
    EXPECT_FALSE(ZQSplitSubview::animating());
    clock.advance(1.0); // no step may reach the freed pane
}

} // namespace

namespace {

TEST(ZQSplitViewClasses, FoundByName)
{
    for (const char* name : { "ZQSplitSubview", "ZQSplitView", "JVLSplitSubviewResizeButton", "JVLSplitSubviewResizeButtonCell" }) {
        const kit::Class* c = kit::classFromString(QString::fromLatin1(name));
        ASSERT_TRUE(c) << name;
        EXPECT_TRUE(c->make()) << name;
    }
    EXPECT_TRUE(kit::classFromString(QStringLiteral("ZQSplitView"))->isSubclassOfClass(ZQSplitSubview::staticClass()));
}

} // namespace
