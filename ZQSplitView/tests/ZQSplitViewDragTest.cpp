#include "ZQSplitView/tests/ZQSplitTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using kit::MakePoint;
using kit::Ref;

namespace {

// Three panes of 100 with 5-point dividers (at x 100 and 205) in a 310 x 100 window.
class DragTest : public testing::Test {
protected:
    void SetUp() override
    {
        split = makeSplitView({ 100, 100, 100 });
        split->setDivider(kit::Image::imageWithSize(kit::MakeSize(5, 5)));
        window = kit::make<kit::Window>(kit::MakeRect(100, 100, 310, 100), kit::TitledWindowMask);
        window->setContentView(split.get());
        split->adjustSubviews();
    }
    void TearDown() override
    {
        kit::Cursor::resetForTesting();
        kit::Application::resetForTesting();
    }

    Ref<ZQSplitView> split;
    Ref<kit::Window> window;
};

TEST_F(DragTest, DividerMovesBothNeighbours)
{
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(132, 50)).mouseUp(MakePoint(132, 50));
    script.run();
    EXPECT_EQ(widthOf(*split, 0), 130);
    EXPECT_EQ(widthOf(*split, 1), 70);
    EXPECT_EQ(widthOf(*split, 2), 100);
    EXPECT_FALSE(split->isDragging());
}

TEST_F(DragTest, PushesPastAPaneAtItsMinimum)
{
    split->subviewAtPosition(1)->setMinDimensionAndMaxDimension(60, 0);
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(162, 50)).mouseDragged(MakePoint(182, 50)).mouseUp(MakePoint(182, 50));
    script.run();
    EXPECT_EQ(widthOf(*split, 0), 180);
    EXPECT_EQ(widthOf(*split, 1), 60);
    EXPECT_EQ(widthOf(*split, 2), 60);
}

TEST_F(DragTest, CollapsesBelowFortyFivePercentAndReExpands)
{
    auto middle = split->subviewAtPosition(1);
    middle->setMinDimensionAndMaxDimension(60, 0);
    middle->setCanCollapse(true);
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(177, 50)).mouseUp(MakePoint(177, 50));
    script.run();
    EXPECT_TRUE(middle->isCollapsed());
    EXPECT_EQ(widthOf(*split, 0), 200);

    // Its trailing divider now sits at 205; dragging it out by more than 55 % of 60 expands the pane.
    kit::test::EventScript back(window.get());
    back.wait(1).mouseDown(MakePoint(207, 50)).mouseDragged(MakePoint(247, 50)).mouseUp(MakePoint(247, 50));
    back.run();
    EXPECT_FALSE(middle->isCollapsed());
    EXPECT_GE(widthOf(*split, 1), 60);
    EXPECT_EQ(widthOf(*split, 0) + widthOf(*split, 1) + widthOf(*split, 2), 300);
}

class NotADividerTest : public DragTest, public testing::WithParamInterface<std::uint64_t> { };

// Three panes have dividers 0 and 1. Any other index, the largest included (index + 1 wraps to 0
// there), drags nothing: no pane moves, no layout runs and no drag begins.
TEST_P(NotADividerTest, DraggingFromAPaneDoesNothing)
{
    auto delegate = kit::make<RecordingDelegate>();
    delegate->implemented = { "willAdjustSubviews" };
    split->setDelegate(delegate.get());
    kit::test::EventScript script(window.get());
    script.mouseDragged(MakePoint(150, 50)).mouseUp(MakePoint(150, 50));
    const auto down = kit::Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        kit::LeftMouseDown, MakePoint(102, 50), 0, script.now(), window->windowNumber(), nullptr, 0, 1, 1);
    split->dragDividerFromPane(GetParam(), *down);
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(widthOf(*split, i), 100);
    EXPECT_FALSE(split->isDragging());
    EXPECT_TRUE(delegate->calls.isEmpty()) << qPrintable(delegate->calls.join(' '));
}

INSTANTIATE_TEST_SUITE_P(Table, NotADividerTest,
    testing::Values(std::uint64_t(2), std::uint64_t(3), ZQNotFound, std::numeric_limits<std::uint64_t>::max(),
        std::numeric_limits<std::uint64_t>::max() - 1));

struct NominatedCase {
    const char* name;
    std::uint64_t answer;
    bool paneTakesThePress;
};

class NominatedDividerTest : public DragTest, public testing::WithParamInterface<NominatedCase> { };

// A press inside a pane drags the divider the delegate names only when that index is below the
// number of visible panes - 1; any other answer leaves the press to the pane's content.
TEST_P(NominatedDividerTest, OnlyADividerIndexTakesThePressFromTheContent)
{
    struct Nominate : RecordingDelegate {
        std::uint64_t answer = 0;
        std::uint64_t splitViewDividerForPointInSubview(ZQSplitView*, kit::Point, ZQSplitSubview*) override { return answer; }
    };
    const NominatedCase c = GetParam();
    auto nominate = kit::make<Nominate>();
    nominate->implemented = { "splitViewDividerForPointInSubview" };
    nominate->answer = c.answer;
    split->setDelegate(nominate.get());
    auto pane = split->subviewAtPosition(1);
    auto content = kit::make<kit::View>(pane->bounds());
    pane->addSubview(content.get());

    const Ref<kit::View> hit = pane->hitTest(MakePoint(150, 50));
    if (c.paneTakesThePress) {
        EXPECT_EQ(hit.get(), pane.get());
        EXPECT_EQ(pane->actDivider(), c.answer);
        return;
    }
    EXPECT_EQ(hit.get(), content.get());
    EXPECT_EQ(pane->actDivider(), ZQNotFound);
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(150, 50)).mouseDragged(MakePoint(170, 50)).mouseUp(MakePoint(170, 50));
    script.run();
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(widthOf(*split, i), 100);
}

INSTANTIATE_TEST_SUITE_P(Table, NominatedDividerTest,
    testing::Values(NominatedCase { "first", 0, true }, NominatedCase { "last", 1, true }, NominatedCase { "pastTheLast", 2, false },
        NominatedCase { "notFound", ZQNotFound, false }, NominatedCase { "largest", std::numeric_limits<std::uint64_t>::max(), false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DragTest, DelegateVetoMakesDividersInert)
{
    struct Veto : RecordingDelegate {
        bool splitViewShouldHandleEventInDividerBetweenViewAndView(
            ZQSplitView*, const kit::Event&, std::uint64_t, ZQSplitSubview*, ZQSplitSubview*) override
        {
            return false;
        }
    };
    auto veto = kit::make<Veto>();
    veto->implemented = { "splitViewShouldHandleEventInDividerBetweenViewAndView" };
    split->setDelegate(veto.get());
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(132, 50)).mouseUp(MakePoint(132, 50));
    script.run();
    EXPECT_EQ(widthOf(*split, 0), 100);
}

TEST_F(DragTest, DoubleClickCollapsesTheSmallerNeighbourThenExpandsIt)
{
    auto pair = makeSplitView({ 100, 200 });
    pair->setDivider(kit::Image::imageWithSize(kit::MakeSize(5, 5)));
    window->setContentView(pair.get());
    pair->setFrameSize(kit::MakeSize(310, 100));
    ASSERT_EQ(widthOf(*pair, 0), 102);
    pair->subviewAtPosition(0)->setCanCollapse(true);
    pair->subviewAtPosition(1)->setCanCollapse(true);
    kit::test::EventScript script(window.get());
    script.click(MakePoint(104, 50)).click(MakePoint(104, 50));
    script.run();
    EXPECT_TRUE(pair->subviewAtPosition(0)->isCollapsed());
    EXPECT_EQ(widthOf(*pair, 1), 305);

    kit::test::EventScript again(window.get());
    again.wait(5).click(MakePoint(2, 50)).click(MakePoint(2, 50));
    again.run();
    EXPECT_FALSE(pair->subviewAtPosition(0)->isCollapsed());
    EXPECT_NEAR(widthOf(*pair, 0), 102, 1.0);
}

TEST_F(DragTest, ClosedHandShowsForTheWholeDrag)
{
    QList<Qt::CursorShape> shown;
    kit::Cursor::setPresenter([&](const kit::Cursor& c) { shown << c.shape(); });
    struct DepthProbe : RecordingDelegate {
        QList<int> depths;
        void didAdjustSubviews(ZQSplitView*) override { depths << kit::Cursor::stackDepth(); }
    };
    auto probe = kit::make<DepthProbe>();
    probe->implemented = { "didAdjustSubviews" };
    split->setDelegate(probe.get());
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(112, 50)).mouseDragged(MakePoint(122, 50)).mouseUp(MakePoint(122, 50));
    script.run();
    ASSERT_FALSE(probe->depths.isEmpty());
    EXPECT_EQ(probe->depths, QList<int>(probe->depths.size(), 1)) << "pushed once, for every step";
    EXPECT_EQ(kit::Cursor::stackDepth(), 0) << "popped at the mouse-up";
    EXPECT_TRUE(shown.contains(Qt::ClosedHandCursor));
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_NE(shown.last(), Qt::ClosedHandCursor);
}

TEST_F(DragTest, TransparentPaneBackgroundMovesAMovableWindow)
{
    window->setMovableByWindowBackground(true);
    const kit::Point start = window->frame().origin;
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(50, 50)).mouseDragged(MakePoint(80, 40)).mouseUp(MakePoint(80, 40));
    script.run();
    EXPECT_EQ(window->frame().origin, MakePoint(start.x + 30, start.y - 10));
    EXPECT_EQ(widthOf(*split, 0), 100) << "no divider moved";

    // A background colour makes the panes a surface of their own.
    split->setBackground(kit::Color::whiteColor());
    kit::test::EventScript again(window.get());
    again.wait(5).mouseDown(MakePoint(50, 50)).mouseDragged(MakePoint(80, 40)).mouseUp(MakePoint(80, 40));
    again.run();
    EXPECT_EQ(window->frame().origin, MakePoint(start.x + 30, start.y - 10));
}

TEST_F(DragTest, DividerCursorsFollowTheOrientation)
{
    window->displayIfNeeded();
    window->invalidateCursorRectsForView(split.get());
    EXPECT_EQ(window->cursorAtPoint(MakePoint(102, 50)), ZQSplitView::cursor(1));
    EXPECT_FALSE(window->cursorAtPoint(MakePoint(50, 50)));
}

} // namespace

namespace {

// A vertical split view whose middle pane is a coupled horizontal split (divider at y 50..55 from the top).
class CoupledTest : public DragTest {
protected:
    void SetUp() override
    {
        DragTest::SetUp();
        inner = kit::make<ZQSplitView>(kit::MakeRect(0, 0, 100, 100), 2);
        split->subviewAtPosition(1)->removeFromSuperview();
        split->addSubviewAtPosition(inner.get(), 1);
        split->adjustSubviews();
        ASSERT_EQ(inner->dividerRects().size(), 1u);
    }
    Ref<ZQSplitView> inner;
};

TEST_F(CoupledTest, NestedViewIsPerpendicularAndFollowsItsContainer)
{
    EXPECT_TRUE(inner->isHorizontal());
    EXPECT_TRUE(inner->isCoupled());
    EXPECT_EQ(inner->dividerThickness(), 5) << "the container's image";
    split->setBackground(kit::Color::colorWithSRGBRedGreenBlueAlpha(0.1, 0.2, 0.3, 0));
    EXPECT_FALSE(split->background()) << "a transparent colour is dropped";
    EXPECT_FALSE(split->isOpaque());
}

TEST_F(CoupledTest, CrossingShowsTheOpenHand)
{
    window->displayIfNeeded();
    window->invalidateCursorRectsForView(split.get());
    const double crossingY = 100 - (inner->dividerRects()[0].origin.y + 2.5); // base coordinates, y up
    EXPECT_EQ(window->cursorAtPoint(MakePoint(102, crossingY)), ZQSplitView::cursor(2));
    EXPECT_EQ(window->cursorAtPoint(MakePoint(150, crossingY)), ZQSplitView::cursor(0)) << "the nested horizontal divider";
    EXPECT_EQ(window->cursorAtPoint(MakePoint(102, 10)), ZQSplitView::cursor(1));
}

TEST_F(CoupledTest, DragOnTheCrossingMovesBothDividers)
{
    const double innerBefore = inner->dividerRects()[0].origin.y;
    const double crossingY = 100 - (innerBefore + 2.5);
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(102, crossingY)).mouseDragged(MakePoint(122, crossingY - 10)).mouseUp(MakePoint(122, crossingY - 10));
    script.run();
    EXPECT_EQ(widthOf(*split, 0), 120);
    EXPECT_EQ(inner->dividerRects()[0].origin.y, innerBefore + 10) << "down on screen is further from the top";
}

// Drags of the outer and of the nested divider, a few points a step: the window then shows what
// drawing it all anew shows, with no crossing mark left behind where a divider was.
TEST_F(CoupledTest, AfterDragsTheWindowShowsWhatAFullRedrawShows)
{
    split->setDivider(kit::Image::imageByReferencingFile(QStringLiteral(":/ZQSplitView/Resources/ZQSplitViewDivider.svg")));
    split->setBackground(kit::Color::colorWithCalibratedWhiteAlpha(0.84, 1));
    split->adjustSubviews();
    window->orderFront();
    window->displayIfNeeded();
    auto drag = [&](kit::Point from, kit::Point by, int steps) {
        kit::test::EventScript script(window.get());
        script.mouseDown(from);
        for (int step = 1; step <= steps; ++step)
            script.mouseDragged(MakePoint(from.x + by.x * step / steps, from.y + by.y * step / steps));
        script.mouseUp(MakePoint(from.x + by.x, from.y + by.y));
        script.run();
    };
    const double innerY = 100 - (inner->dividerRects()[0].origin.y + 2.5); // base coordinates, y up
    drag(MakePoint(102, 20), MakePoint(-40, 0), 8);
    drag(MakePoint(120, innerY), MakePoint(0, 25), 5);
    drag(MakePoint(62, 80), MakePoint(30, 0), 6);
    drag(MakePoint(207, 50), MakePoint(-15, 0), 5);
    const QImage stepped = window->snapshot();
    window->display();
    EXPECT_EQ(stepped, window->snapshot());
    window->orderOut();
}

} // namespace

namespace {

TEST_F(DragTest, DelegateCanLetTheWindowGrowInsteadOfTheTrailingPane)
{
    struct Grow : RecordingDelegate {
        bool splitViewShouldResizeWindowForDividerBetweenViewAndViewWillGrow(
            ZQSplitView*, std::uint64_t, ZQSplitSubview*, ZQSplitSubview*, bool) override
        {
            return true;
        }
    };
    auto grow = kit::make<Grow>();
    grow->implemented = { "splitViewShouldResizeWindowForDividerBetweenViewAndViewWillGrow" };
    split->setDelegate(grow.get());
    const double before = window->frame().size.width;
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(132, 50)).mouseUp(MakePoint(132, 50));
    script.run();
    EXPECT_EQ(window->frame().size.width, before + 30);
    EXPECT_EQ(widthOf(*split, 0), 130);
    EXPECT_EQ(widthOf(*split, 1), 100);
    EXPECT_EQ(widthOf(*split, 2), 100);
}

TEST_F(DragTest, DelegateChoosesWhichNeighbourADoubleClickCollapses)
{
    struct Chooser : RecordingDelegate {
        ZQSplitSubview* splitViewCollapseLeadingOrTrailing(ZQSplitView*, ZQSplitSubview* leading, ZQSplitSubview*) override
        {
            return leading;
        }
    };
    for (unsigned i = 0; i < 3; ++i)
        split->subviewAtPosition(i)->setCanCollapse(true);
    kit::test::EventScript plain(window.get());
    plain.click(MakePoint(102, 50)).click(MakePoint(102, 50));
    plain.run();
    EXPECT_TRUE(split->subviewAtPosition(1)->isCollapsed()) << "equal sizes: the trailing pane goes";

    const double divider = split->dividerRects()[0].origin.x + 2;
    kit::test::EventScript back(window.get());
    back.wait(5).click(MakePoint(divider, 50)).click(MakePoint(divider, 50));
    back.run();
    ASSERT_FALSE(split->subviewAtPosition(1)->isCollapsed()) << "a second double-click expands it again";
    ASSERT_EQ(widthOf(*split, 0), 100);

    auto chooser = kit::make<Chooser>();
    chooser->implemented = { "splitViewCollapseLeadingOrTrailing" };
    split->setDelegate(chooser.get());
    kit::test::EventScript chosen(window.get());
    chosen.wait(10).click(MakePoint(102, 50)).click(MakePoint(102, 50));
    chosen.run();
    EXPECT_TRUE(split->subviewAtPosition(0)->isCollapsed()) << "the delegate picked the leading pane";
    EXPECT_FALSE(split->subviewAtPosition(1)->isCollapsed());
}

} // namespace

namespace {

TEST_F(DragTest, DelegateCanNominateADividerForPressesInsideAPane)
{
    struct Nominate : RecordingDelegate {
        std::uint64_t splitViewDividerForPointInSubview(ZQSplitView*, kit::Point, ZQSplitSubview* pane) override
        {
            return pane->identifier() == QStringLiteral("1") ? 0 : ZQNotFound;
        }
    };
    auto nominate = kit::make<Nominate>();
    nominate->implemented = { "splitViewDividerForPointInSubview" };
    split->setDelegate(nominate.get());
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(150, 50)).mouseDragged(MakePoint(170, 50)).mouseUp(MakePoint(170, 50));
    script.run();
    EXPECT_EQ(widthOf(*split, 0), 120);
    EXPECT_EQ(widthOf(*split, 1), 80);
    EXPECT_EQ(split->subviewAtPosition(1)->actDivider(), ZQNotFound);
}

// Records, at each drawing during a drag, whether screen updates were on.
class UpdateProbe : public kit::View {
public:
    using kit::View::View;
    ZQSplitView* split = nullptr;
    std::vector<bool> enabledWhileDrawing;
    void drawRect(kit::Rect) override
    {
        if (split->isDragging())
            enabledWhileDrawing.push_back(kit::ScreenUpdatesEnabled());
    }
};

// Each step lays out and draws with screen updates off, and the counter is balanced afterwards,
// also when a pane collapses in the middle of the drag.
TEST_F(DragTest, EachStepDrawsWithScreenUpdatesOffAndTheDragLeavesThemOn)
{
    auto middle = split->subviewAtPosition(1);
    middle->setMinDimensionAndMaxDimension(60, 0);
    middle->setCanCollapse(true);
    auto probe = kit::make<UpdateProbe>(kit::MakeRect(0, 0, 10, 10));
    probe->split = split.get();
    split->subviewAtPosition(0)->addSubview(probe.get());

    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(132, 50)).mouseDragged(MakePoint(177, 50));
    script.mouseDragged(MakePoint(190, 50)).mouseUp(MakePoint(190, 50));
    script.run();
    EXPECT_TRUE(middle->isCollapsed());
    EXPECT_GE(probe->enabledWhileDrawing.size(), 2u); // a drawing per step that moved the divider
    for (bool enabled : probe->enabledWhileDrawing)
        EXPECT_FALSE(enabled);
    EXPECT_TRUE(kit::ScreenUpdatesEnabled());
    EXPECT_FALSE(window->hasUnflushedDrawing());
}

} // namespace

namespace {

// Counts its drawings during a drag; it fills the pane it sits in.
class DrawCounter : public kit::View {
public:
    using kit::View::View;
    ZQSplitView* split = nullptr;
    int draws = 0;
    void drawRect(kit::Rect) override
    {
        if (split->isDragging())
            ++draws;
    }
};

// Ten panes that do not share the width evenly (the last one takes what rounding leaves): a step of
// one divider draws the two panes beside it and no other, the last one included.
TEST(DragDrawing, AStepDrawsOnlyThePanesBesideTheDivider)
{
    const std::size_t count = 10;
    auto split = makeSplitView({ 124, 124, 124, 124, 124, 124, 124, 124, 124, 124 });
    split->setDivider(kit::Image::imageWithSize(kit::MakeSize(4, 4)));
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 1280, 100), kit::TitledWindowMask);
    window->setContentView(split.get());
    window->makeKeyAndOrderFront();
    split->adjustSubviews();
    std::vector<Ref<DrawCounter>> counters;
    for (std::size_t i = 0; i < count; ++i) {
        auto pane = split->subviewAtPosition(unsigned(i));
        auto counter = kit::make<DrawCounter>(pane->bounds());
        counter->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        counter->split = split.get();
        pane->addSubview(counter.get());
        counters.push_back(counter);
    }
    window->displayIfNeeded();

    const double x = split->dividerRects()[4].origin.x + 1;
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(x, 50));
    for (int step = 1; step <= 5; ++step)
        script.mouseDragged(MakePoint(x + step, 50));
    script.mouseUp(MakePoint(x + 5, 50));
    script.run();

    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(counters[i]->draws > 0, i == 4 || i == 5) << "pane " << i << " drew " << counters[i]->draws;
    EXPECT_EQ(split->subviewAtPosition(9)->frame().origin.x + widthOf(*split, 9), 1280);
    window->orderOut();
    kit::Application::resetForTesting();
}

} // namespace

namespace {

// A plain click in a window behind drags at once; a Command-click there is not taken.
TEST_F(DragTest, AClickInAWindowBehindDragsAtOnceAndBringsItForward)
{
    window->makeKeyAndOrderFront();
    auto other = kit::make<kit::Window>(kit::MakeRect(600, 100, 100, 100), kit::TitledWindowMask);
    other->makeKeyAndOrderFront();
    ASSERT_FALSE(window->isKeyWindow());

    kit::test::EventScript plain(window.get());
    plain.mouseDown(MakePoint(102, 50)).mouseDragged(MakePoint(132, 50)).mouseUp(MakePoint(132, 50));
    plain.run();
    EXPECT_EQ(widthOf(*split, 0), 130);
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_FALSE(other->isKeyWindow());
}

} // namespace
