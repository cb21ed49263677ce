#include "kit/appkit/ScrollView.h"

#include "kit/appkit/AnimationContext.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Scroller.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"
#include "kit/testsupport/EventScript.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

using namespace kit;

class FlippedDocument : public View {
public:
    using View::View;
    bool isFlipped() const override { return flipped; }
    bool flipped = true;
};

class Scrolling : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(0, 0, 300, 200), TitledWindowMask);
        scroll = make<ScrollView>(MakeRect(0, 0, 200, 100));
        scroll->setHasVerticalScroller(true);
        scroll->setHasHorizontalScroller(true);
        scroll->setAutohidesScrollers(true);
        document = make<FlippedDocument>(MakeRect(0, 0, 150, 50));
        scroll->setDocumentView(document.get());
        window->contentView()->addSubview(scroll.get());
    }
    void TearDown() override
    {
        AnimationContext::resetForTesting();
        Application::resetForTesting();
    }

    Ref<Event> mouseAt(Point base)
    {
        return Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
            LeftMouseDragged, base, 0, 0, window->windowNumber(), nullptr, 0, 1, 0);
    }

    Ref<Window> window;
    Ref<ScrollView> scroll;
    Ref<FlippedDocument> document;
};

// A document view that says it is opaque but paints nothing: what shows under it is what the views
// behind it painted.
class OpaqueButBlank : public View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
    bool isOpaque() const override { return opaque; }
    bool opaque = true;
};

// The clip view leaves whole pixels of an opaque document view to that view, and fills everything
// else: partly covered pixels, a view that is hidden or not opaque, and what lies around it.
TEST_F(Scrolling, TheClipViewFillsOnlyWhatAnOpaqueDocumentViewLeaves)
{
    const struct {
        const char* what;
        Rect frame;
        bool opaque, hidden, filledUnder;
    } cases[] = {
        { "opaque on whole pixels", MakeRect(0, 0, 60, 40), true, false, false },
        { "opaque on a half pixel", MakeRect(0, 0, 60.5, 40), true, false, true },
        { "not opaque", MakeRect(0, 0, 60, 40), false, false, true },
        { "hidden", MakeRect(0, 0, 60, 40), true, true, true },
    };
    window->setBackgroundColor(Color::redColor().get());
    for (const auto& c : cases) {
        auto blank = make<OpaqueButBlank>(c.frame);
        blank->opaque = c.opaque;
        blank->setHidden(c.hidden);
        scroll->setDocumentView(blank.get());
        const QImage shot = window->snapshot();
        // The scroll view's top left is the window's at base y 100; the document is flipped, at the top.
        const QColor under = shot.pixelColor(20, 200 - 100 + 10);
        const QColor around = shot.pixelColor(120, 200 - 100 + 10);
        EXPECT_EQ(under == QColor(Qt::red), !c.filledUnder) << c.what;
        EXPECT_NE(around, QColor(Qt::red)) << c.what;
    }
}

TEST_F(Scrolling, AutohiddenScrollersFollowTheDocumentFrameAtOnce)
{
    EXPECT_FALSE(scroll->verticalScroller()->superview());
    EXPECT_FALSE(scroll->horizontalScroller()->superview());
    EXPECT_EQ(scroll->contentSize(), MakeSize(200, 100));
    document->setFrameSize(MakeSize(150, 500));
    EXPECT_TRUE(scroll->verticalScroller()->superview());
    EXPECT_FALSE(scroll->horizontalScroller()->superview());
    EXPECT_EQ(scroll->contentSize(), MakeSize(185, 100));
    // Narrower by the vertical scroller, the clip no longer holds 190 points across.
    document->setFrameSize(MakeSize(190, 500));
    EXPECT_TRUE(scroll->horizontalScroller()->superview());
    EXPECT_EQ(scroll->contentSize(), MakeSize(185, 85));
    EXPECT_DOUBLE_EQ(scroll->verticalScroller()->knobProportion(), 85.0 / 500);
}

TEST_F(Scrolling, ScrollPositionsAreConstrainedToTheDocument)
{
    document->setFrameSize(MakeSize(150, 1000));
    const Ref<ClipView> clip = scroll->contentView();
    clip->scrollToPoint(MakePoint(50, 2000));
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 900));
    EXPECT_EQ(scroll->documentVisibleRect(), MakeRect(0, 900, 185, 100));
    EXPECT_DOUBLE_EQ(scroll->verticalScroller()->floatValue(), 1);
    clip->scrollToPoint(MakePoint(-5, -5));
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 0));
    document->setFrameSize(MakeSize(150, 40)); // shrinking pulls the position back
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 0));
}

TEST_F(Scrolling, AutoscrollMovesByTheOvershootOnlyOutsideTheVisibleRect)
{
    document->setFrameSize(MakeSize(150, 1000));
    const Ref<ClipView> clip = scroll->contentView();
    // The clip view fills the scroll view's top-left 185 x 100; base y 0 is its bottom edge.
    EXPECT_FALSE(document->autoscroll(*mouseAt(MakePoint(50, 50))));
    EXPECT_TRUE(document->autoscroll(*mouseAt(MakePoint(50, -20))));
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 20));
    EXPECT_TRUE(document->autoscroll(*mouseAt(MakePoint(50, 110))));
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 10));
}

TEST_F(Scrolling, ScrollRectToVisibleMakesTheSmallestMove)
{
    document->setFrameSize(MakeSize(150, 1000));
    const Ref<ClipView> clip = scroll->contentView();
    EXPECT_FALSE(document->scrollRectToVisible(MakeRect(0, 10, 10, 10)));
    EXPECT_TRUE(document->scrollRectToVisible(MakeRect(0, 150, 10, 20)));
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 70)); // bottom edge of the rect at the bottom
    EXPECT_TRUE(document->scrollRectToVisible(MakeRect(0, 20, 10, 10)));
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 20));
    EXPECT_TRUE(document->scrollRectToVisible(MakeRect(0, 300, 10, 400))); // too tall: its top
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 300));
}

TEST_F(Scrolling, TooTallInAnUnflippedDocumentShowsItsTopWhichIsMaxY)
{
    auto plain = make<FlippedDocument>(MakeRect(0, 0, 150, 1000));
    plain->flipped = false;
    scroll->setDocumentView(plain.get());
    EXPECT_FALSE(scroll->contentView()->isFlipped());
    plain->scrollRectToVisible(MakeRect(0, 300, 10, 400));
    EXPECT_EQ(scroll->contentView()->bounds().origin, MakePoint(0, 600));
}

TEST_F(Scrolling, TheWheelScrollsByLinesUpAndLeftForPositiveDeltas)
{
    document->setFrameSize(MakeSize(500, 1000));
    const Ref<ClipView> clip = scroll->contentView();
    clip->scrollToPoint(MakePoint(100, 100));
    kit::test::EventScript script(window.get());
    script.scroll(MakePoint(50, 60), 1, 2);
    script.scroll(MakePoint(50, 50), 0, -0.5);
    script.run();
    EXPECT_EQ(clip->bounds().origin, MakePoint(90, 85));
}

// Runs `changes` in an animation group that allows implicit animation; counts completions.
void animated(const std::function<void()>& changes, int* completions)
{
    AnimationContext::runAnimationGroupCompletionHandler(
        [&](AnimationContext& context) {
            context.setAllowsImplicitAnimation(true);
            changes();
        },
        [completions] { ++*completions; });
}

TEST_F(Scrolling, ScrollRectToVisibleAnimatesInAnImplicitGroupAndEndsExactly)
{
    document->setFrameSize(MakeSize(150, 1000));
    const Ref<ClipView> clip = scroll->contentView();
    kit::test::EventScript script(window.get());
    int completions = 0;
    bool moved = false, again = true;
    animated(
        [&] {
            moved = document->scrollRectToVisible(MakeRect(0, 300, 10, 20.3));
            // Already heading there: nothing more to do.
            again = document->scrollRectToVisible(MakeRect(0, 300, 10, 20.3));
        },
        &completions);
    EXPECT_TRUE(moved);
    EXPECT_FALSE(again);
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 0)); // the answer comes before the move
    std::vector<double> ys;
    for (int frame = 0; frame < 30; ++frame) {
        script.clock().advance(1.0 / 60);
        ys.push_back(clip->bounds().origin.y);
    }
    EXPECT_TRUE(std::is_sorted(ys.begin(), ys.end()));
    EXPECT_GT(std::count_if(ys.begin(), ys.end(), [](double y) { return y > 0 && y < 220.3; }), 5);
    EXPECT_EQ(clip->bounds().origin, MakePoint(0, 220.3)); // the minimal move, exactly
    EXPECT_DOUBLE_EQ(scroll->verticalScroller()->floatValue(), 220.3 / 900);
    EXPECT_EQ(completions, 1);
}

TEST_F(Scrolling, ADirectScrollStopsTheAnimatedOneWhereItStands)
{
    document->setFrameSize(MakeSize(150, 1000));
    const Ref<ClipView> clip = scroll->contentView();
    kit::test::EventScript script(window.get());
    struct Case {
        const char* name;
        std::function<void()> direct;
        Point end;
    };
    const Case cases[] = {
        { "scrollToPoint", [&] { clip->scrollToPoint(MakePoint(0, 50)); }, MakePoint(0, 50) },
        { "scrollRectToVisible", [&] { document->scrollRectToVisible(MakeRect(0, 700, 10, 10)); }, MakePoint(0, 610) },
        { "wheel",
            [&] {
                script.scroll(MakePoint(50, 50), 0, -1);
                script.run();
            },
            MakePoint(0, std::nan("")) },
    };
    for (const Case& c : cases) {
        clip->scrollToPoint(ZeroPoint);
        int completions = 0;
        animated([&] { document->scrollRectToVisible(MakeRect(0, 500, 10, 20)); }, &completions);
        script.clock().advance(0.1);
        const double midway = clip->bounds().origin.y;
        EXPECT_GT(midway, 0) << c.name;
        c.direct();
        const Point after = clip->bounds().origin;
        script.clock().advance(0.5);
        EXPECT_EQ(clip->bounds().origin, after) << c.name;
        if (!std::isnan(c.end.y)) {
            EXPECT_EQ(after, c.end) << c.name;
        }
        EXPECT_EQ(completions, 1) << c.name; // a stopped animation still ends its group
    }
}

TEST_F(Scrolling, WithoutImplicitAnimationScrollRectToVisibleMovesAtOnce)
{
    document->setFrameSize(MakeSize(150, 1000));
    int completions = 0;
    AnimationContext::runAnimationGroupCompletionHandler(
        [&](AnimationContext&) { EXPECT_TRUE(document->scrollRectToVisible(MakeRect(0, 300, 10, 20))); }, [&] { ++completions; });
    EXPECT_EQ(scroll->contentView()->bounds().origin, MakePoint(0, 220));
    EXPECT_EQ(completions, 1);
}

struct ClampCase {
    double in;
    double out;
};

class ScrollerClamping : public testing::TestWithParam<ClampCase> { };

TEST_P(ScrollerClamping, ValueAndProportionStayInZeroToOne)
{
    auto s = make<Scroller>(MakeRect(0, 0, 15, 100));
    s->setFloatValue(GetParam().in);
    s->setKnobProportion(GetParam().in);
    EXPECT_EQ(s->floatValue(), GetParam().out);
    EXPECT_EQ(s->knobProportion(), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Values, ScrollerClamping,
    testing::Values(
        ClampCase { 1.01, 1 }, ClampCase { -0.2, 0 }, ClampCase { std::numeric_limits<double>::quiet_NaN(), 0 }, ClampCase { 0.25, 0.25 }));

class Counter : public Object {
    KIT_CLASS(Counter)

    void hit(Object* sender)
    {
        values.push_back(static_cast<Scroller*>(sender)->floatValue()), parts.push_back(static_cast<Scroller*>(sender)->hitPart());
    }
    std::vector<double> values;
    std::vector<int> parts;
};

KIT_REGISTER_CLASS(Counter, Object) { c.action("hit", &Counter::hit); }

class ScrollerTracking : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(0, 0, 100, 200), TitledWindowMask);
        // Vertical, 15 x 130: arrows 15 long at both ends, a 100-point slot, a 25-point knob.
        scroller = make<Scroller>(MakeRect(0, 0, 15, 130));
        scroller->setKnobProportion(0.25);
        scroller->setTarget(counter.get());
        scroller->setAction(Selector("hit"));
        window->contentView()->addSubview(scroller.get());
    }
    void TearDown() override { Application::resetForTesting(); }

    // Base coordinates of a point `fromTop` points down the scroller.
    Point at(double fromTop) const { return MakePoint(7, 130 - fromTop); }

    Ref<Counter> counter = make<Counter>();
    Ref<Window> window;
    Ref<Scroller> scroller;
};

TEST_F(ScrollerTracking, TheKnobFollowsThePointerBetweenItsEndPositions)
{
    EXPECT_EQ(scroller->rectForPart(ScrollerKnob), MakeRect(0, 15, 15, 25));
    kit::test::EventScript script(window.get());
    script.mouseDown(at(20)).mouseDragged(at(20 + 37.5)).mouseDragged(at(20 + 500)).mouseUp(at(20 + 500));
    script.run();
    EXPECT_EQ(counter->values, (std::vector<double> { 0.5, 1 }));
    EXPECT_EQ(scroller->hitPart(), ScrollerNoPart);
}

TEST_F(ScrollerTracking, ArrowsActAtOnceThenRepeatAfterHalfASecondEveryTwentiethOfOne)
{
    kit::test::EventScript script(window.get());
    script.mouseDown(at(125)).wait(0.625).mouseUp(at(125));
    script.run();
    // At once, then at 0.5, 0.55 and 0.6 seconds.
    EXPECT_EQ(
        counter->parts, (std::vector<int> { ScrollerIncrementLine, ScrollerIncrementLine, ScrollerIncrementLine, ScrollerIncrementLine }));
    EXPECT_EQ(scroller->hitPart(), ScrollerNoPart);
}

TEST_F(ScrollerTracking, EmptyPageRectsDoNothing)
{
    scroller->setKnobProportion(1); // no knob, so no page areas
    kit::test::EventScript script(window.get());
    script.click(at(60));
    script.run();
    EXPECT_TRUE(counter->parts.empty());
    scroller->setKnobProportion(0.25);
    script.click(at(60)); // below the knob: the increment page
    script.run();
    EXPECT_EQ(counter->parts, (std::vector<int> { ScrollerIncrementPage }));
}

TEST_F(ScrollerTracking, TheScrollViewPagesAndStepsThroughItsScrollers)
{
    auto scrollView = make<ScrollView>(MakeRect(0, 0, 100, 100));
    scrollView->setHasVerticalScroller(true);
    auto doc = make<FlippedDocument>(MakeRect(0, 0, 85, 1000));
    scrollView->setDocumentView(doc.get());
    scrollView->setVerticalLineScroll(7);
    const Ref<Scroller> v = scrollView->verticalScroller();
    window->contentView()->addSubview(scrollView.get());
    kit::test::EventScript script(window.get());
    script.click(MakePoint(92, 3)); // the increment arrow at the bottom
    script.run();
    EXPECT_EQ(scrollView->contentView()->bounds().origin, MakePoint(0, 7));
    EXPECT_GT(v->floatValue(), 0);
}

} // namespace
