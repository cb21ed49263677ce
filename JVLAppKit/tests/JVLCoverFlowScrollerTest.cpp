#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowScroller.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace jvl_cover_flow_scroller_test {

using namespace kit;

// The scroller's target: what each action saw.
class ScrollerActionLog : public Object {
    KIT_CLASS(ScrollerActionLog)
public:
    struct Entry {
        double time;
        std::int64_t step;
        ScrollerPart part;
    };
    void changed(Object* sender)
    {
        auto* s = dynamic_cast<JVLCoverFlowScroller*>(sender);
        entries.push_back({ Application::now(), s ? s->integerValue() : -1, s ? s->hitPart() : ScrollerNoPart });
    }
    std::vector<Entry> entries;
};

KIT_REGISTER_CLASS(ScrollerActionLog, Object) { c.action("changed", &ScrollerActionLog::changed); }

// --- Values ---

struct RoundTripCase {
    std::uint64_t n;
};

class ScrollerRoundTrip : public testing::TestWithParam<RoundTripCase> { };

TEST_P(ScrollerRoundTrip, IntegerValueAnswersTheStepSet)
{
    const std::uint64_t n = GetParam().n;
    auto scroller = make<JVLCoverFlowScroller>(MakeRect(0, 0, 400, 16));
    scroller->setNumberOfIncrements(n);
    for (std::int64_t v : { std::int64_t(0), std::int64_t(1), std::int64_t(n) - 1, std::int64_t(n) }) {
        if (v < 0 || std::uint64_t(v) > n)
            continue;
        scroller->setIntegerValue(v);
        EXPECT_EQ(scroller->integerValue(), v) << "n " << n << " v " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(Increments, ScrollerRoundTrip,
    testing::Values(RoundTripCase { 0 }, RoundTripCase { 1 }, RoundTripCase { 4 }, RoundTripCase { 9 }, RoundTripCase { 99 },
        RoundTripCase { 100 }, RoundTripCase { 150 }, RoundTripCase { 9999 }),
    [](const auto& info) { return "n" + std::to_string(info.param.n); });

TEST(CoverFlowScroller, IncrementsSetTheKnobProportion)
{
    auto scroller = make<JVLCoverFlowScroller>(MakeRect(0, 0, 400, 16));
    scroller->setNumberOfIncrements(4);
    EXPECT_DOUBLE_EQ(scroller->knobProportion(), 0.2);
    scroller->setIntegerValue(3);
    EXPECT_EQ(float(scroller->floatValue()), 0.76f);
    EXPECT_EQ(scroller->integerValue(), 3);
    scroller->setIntegerValue(4); // asks for 1.01
    EXPECT_EQ(scroller->floatValue(), 1.0);
    EXPECT_EQ(scroller->integerValue(), 4);
    scroller->setNumberOfIncrements(0);
    EXPECT_EQ(scroller->knobProportion(), 1.0);
}

TEST(CoverFlowScroller, StepsFromAHundredOnStayOnTheirItem)
{
    auto scroller = make<JVLCoverFlowScroller>(MakeRect(0, 0, 400, 16));
    scroller->setNumberOfIncrements(100);
    scroller->setIntegerValue(0);
    EXPECT_EQ(scroller->integerValue(), 0); // 0.01 would make it 1
}

// --- Geometry ---

TEST(CoverFlowScroller, PartsOfAFourHundredPointScrollerWithNineSteps)
{
    auto scroller = make<JVLCoverFlowScroller>(MakeRect(0, 0, 400, 16));
    scroller->setNumberOfIncrements(9);
    EXPECT_EQ(scroller->rectForPart(ScrollerKnobSlot), MakeRect(15, 0, 370, 16));
    EXPECT_EQ(scroller->rectForPart(ScrollerDecrementLine), MakeRect(0, 0, 30, 16));
    EXPECT_EQ(scroller->rectForPart(ScrollerIncrementLine), MakeRect(370, 0, 30, 16));
    EXPECT_TRUE(IsEmptyRect(scroller->rectForPart(ScrollerDecrementPage)));
    EXPECT_TRUE(IsEmptyRect(scroller->rectForPart(ScrollerIncrementPage)));
    scroller->setIntegerValue(0);
    Rect knob = scroller->rectForPart(ScrollerKnob);
    EXPECT_DOUBLE_EQ(knob.minX(), 21);
    EXPECT_NEAR(knob.width(), 35.8, 1e-4);
    scroller->setIntegerValue(1);
    EXPECT_NEAR(scroller->rectForPart(ScrollerKnob).minX() - 21, 35.8, 1e-4); // one step
    scroller->setIntegerValue(9);
    knob = scroller->rectForPart(ScrollerKnob);
    EXPECT_NEAR(knob.minX(), 343.2, 1e-4);
    EXPECT_NEAR(knob.maxX(), 379, 1e-4); // 9 points inside the right arrow
}

TEST(CoverFlowScroller, TheSlotSitsAtTheBottomOfATallerScroller)
{
    auto scroller = make<JVLCoverFlowScroller>(MakeRect(0, 0, 300, 40));
    EXPECT_EQ(scroller->rectForPart(ScrollerKnobSlot), MakeRect(15, 24, 270, 16));
}

class ScrollerInWindow : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(0, 0, 420, 60), TitledWindowMask);
        scroller = make<JVLCoverFlowScroller>(MakeRect(10, 20, 400, 16));
        window->contentView()->addSubview(scroller.get());
    }
    // A point in the scroller's own (flipped) space, in window base coordinates.
    Point base(double x, double y) const { return scroller->convertPointToView(MakePoint(x, y), nullptr); }

    Ref<Window> window;
    Ref<JVLCoverFlowScroller> scroller;
};

TEST_F(ScrollerInWindow, TestPartFollowsTheOutlines)
{
    scroller->setNumberOfIncrements(9);
    scroller->setIntegerValue(0);
    EXPECT_EQ(scroller->testPart(base(5, 8)), ScrollerDecrementLine);
    EXPECT_EQ(scroller->testPart(base(395, 8)), ScrollerIncrementLine);
    // The notch at the left arrow's right end belongs to the knob standing in it.
    EXPECT_EQ(scroller->testPart(base(27, 8)), ScrollerKnob);
    EXPECT_EQ(scroller->testPart(base(200, 8)), ScrollerNoPart); // page area
    scroller->setIntegerValue(5);
    EXPECT_EQ(scroller->testPart(base(27, 8)), ScrollerNoPart);
    EXPECT_EQ(scroller->testPart(base(19, 8)), ScrollerDecrementLine); // beside the notch
}

TEST_F(ScrollerInWindow, WithoutStepsTheArrowsStillAnswerAndTheKnobCannotBeHit)
{
    scroller->setNumberOfIncrements(0);
    EXPECT_EQ(scroller->testPart(base(5, 8)), ScrollerDecrementLine);
    EXPECT_EQ(scroller->testPart(base(395, 8)), ScrollerIncrementLine);
    for (double x : { 27.0, 35.0, 100.0, 200.0, 360.0, 367.0 })
        EXPECT_EQ(scroller->testPart(base(x, 8)), ScrollerNoPart) << x;
}

// --- Drawing ---

// The scroller drawn into a bitmap of its size through the given hook, as its window sees it.
QImage drawScroller(JVLCoverFlowScroller& s, const std::function<void()>& draw)
{
    auto image = make<Image>(s.frame().size);
    image->lockFocusFlipped(true);
    draw();
    image->unlockFocus();
    return image->bitmapForDrawing(1);
}

TEST_F(ScrollerInWindow, NothingIsDrawnWithoutSteps)
{
    scroller->setNumberOfIncrements(0);
    const QImage none = drawScroller(*scroller, [&] { scroller->drawRect(scroller->bounds()); });
    for (int x : { 5, 100, 395 })
        EXPECT_TRUE(test::pixelIs(none, x, 8, QColor(0, 0, 0, 0), 0));
    scroller->setNumberOfIncrements(3);
    const QImage some = drawScroller(*scroller, [&] { scroller->drawRect(scroller->bounds()); });
    EXPECT_GT(qAlpha(some.pixel(100, 8)), 0);
}

TEST_F(ScrollerInWindow, APressedArrowChangesColour)
{
    scroller->setNumberOfIncrements(3);
    const QImage plain = drawScroller(*scroller, [&] { scroller->drawArrowHighlight(ScrollerDecrementArrow, false); });
    const QImage pressed = drawScroller(*scroller, [&] { scroller->drawArrowHighlight(ScrollerDecrementArrow, true); });
    // Lower half, below the gloss: the body gradient, dark normally and light when pressed.
    EXPECT_LT(qGray(plain.pixel(6, 13)) + 60, qGray(pressed.pixel(6, 13)));
    // Arrows numbered otherwise draw nothing.
    const QImage other = drawScroller(*scroller, [&] { scroller->drawArrowHighlight(ScrollerArrow(2), true); });
    EXPECT_EQ(qAlpha(other.pixel(6, 13)), 0);
}

TEST_F(ScrollerInWindow, TheSlotIsBrighterInTheKeyWindow)
{
    scroller->setNumberOfIncrements(3);
    auto other = make<Window>(MakeRect(0, 0, 50, 50), TitledWindowMask);
    other->makeKeyAndOrderFront();
    ASSERT_FALSE(window->isKeyWindow());
    const Rect slot = scroller->rectForPart(ScrollerKnobSlot);
    const QImage notKey = drawScroller(*scroller, [&] { scroller->drawKnobSlotInRectHighlight(slot, false); });
    window->makeKeyAndOrderFront();
    ASSERT_TRUE(window->isKeyWindow());
    const QImage key = drawScroller(*scroller, [&] { scroller->drawKnobSlotInRectHighlight(slot, false); });
    // White at 0.3 against 0.2 over nothing.
    EXPECT_NEAR(qAlpha(key.pixel(200, 8)), 0.3 * 255, 3);
    EXPECT_NEAR(qAlpha(notKey.pixel(200, 8)), 0.2 * 255, 3);
    other->close();
    window->close();
}

// --- Tracking ---

TEST_F(ScrollerInWindow, ArrowPressActsAtOnceThenRepeats)
{
    auto log = make<ScrollerActionLog>();
    scroller->setTarget(log.get());
    scroller->setAction(Selector("changed"));
    scroller->setNumberOfIncrements(9);
    test::EventScript script(window.get());
    const double start = script.now();
    script.mouseDown(base(395, 8)).wait(0.62).mouseUp(base(395, 8)).run();
    ASSERT_EQ(log->entries.size(), 4u); // at once, 0.5, 0.55, 0.6
    const double expected[] = { 0, 0.5, 0.55, 0.6 };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(log->entries[i].time - start, expected[i], 1e-6) << i;
        EXPECT_EQ(log->entries[i].part, ScrollerIncrementLine);
    }
    EXPECT_EQ(scroller->hitPart(), ScrollerNoPart);
}

TEST_F(ScrollerInWindow, KnobDragStepsEvenlyAcrossItsTravel)
{
    auto log = make<ScrollerActionLog>();
    scroller->setTarget(log.get());
    scroller->setAction(Selector("changed"));
    scroller->setNumberOfIncrements(9);
    scroller->setIntegerValue(0);
    const double travel = 358 - 35.8; // T − K covers every step
    test::EventScript script(window.get());
    script.mouseDown(base(30, 8));
    for (int k = 1; k <= 9; ++k)
        script.wait(0.02).mouseDragged(base(30 + travel * k / 9.0 + 0.5, 8));
    script.wait(0.02).mouseUp(base(30 + travel + 0.5, 8)).run();
    std::vector<std::int64_t> steps;
    for (const auto& e : log->entries)
        if (steps.empty() || steps.back() != e.step)
            steps.push_back(e.step);
    EXPECT_EQ(steps, (std::vector<std::int64_t> { 1, 2, 3, 4, 5, 6, 7, 8, 9 }));
    EXPECT_EQ(scroller->integerValue(), 9);
}

} // namespace jvl_cover_flow_scroller_test
