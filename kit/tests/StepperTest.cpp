#include "kit/controls/Stepper.h"

#include "ControlsTestSupport.h"
#include "kit/appkit/KeyCodes.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

struct StepCase {
    const char* name;
    double value;
    bool wraps;
    bool up;
    double expected;
};

class StepperSteps : public testing::TestWithParam<StepCase> { };

TEST_P(StepperSteps, WrapOrClampAtBothEnds)
{
    const StepCase& c = GetParam();
    auto cell = make<StepperCell>();
    cell->setMinValue(0);
    cell->setMaxValue(59);
    cell->setValueWraps(c.wraps);
    cell->setDoubleValue(c.value);
    cell->step(c.up);
    EXPECT_DOUBLE_EQ(cell->doubleValue(), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Ends, StepperSteps,
    testing::Values(StepCase { "middle up", 10, true, true, 11 }, StepCase { "top wraps", 59, true, true, 0 },
        StepCase { "top clamps", 59, false, true, 59 }, StepCase { "bottom wraps", 0, true, false, 59 },
        StepCase { "bottom clamps", 0, false, false, 0 }));

TEST(StepperValues, DefaultsClampAndReclamp)
{
    auto stepper = make<Stepper>();
    EXPECT_EQ(stepper->minValue(), 0);
    EXPECT_EQ(stepper->maxValue(), 59);
    EXPECT_EQ(stepper->increment(), 1);
    EXPECT_TRUE(stepper->valueWraps());
    EXPECT_TRUE(stepper->autorepeat());
    stepper->setIntValue(80);
    EXPECT_EQ(stepper->intValue(), 59);
    stepper->setMaxValue(30);
    EXPECT_EQ(stepper->intValue(), 30);
    stepper->setMinValue(40);
    EXPECT_EQ(stepper->intValue(), 40);
}

class StepperTracking : public testing::Test {
protected:
    void SetUp() override
    {
        stepper = make<Stepper>(MakeRect(10, 10, 15, 22));
        stepper->setTarget(target.get());
        stepper->setAction("act");
        stepper->setIntValue(5);
        w.content->addSubview(stepper.get());
    }
    std::vector<double> actionTimes() const
    {
        std::vector<double> times;
        for (const auto& c : target->calls)
            times.push_back(std::round((c.time - 1000) * 1000) / 1000);
        return times;
    }
    ControlWindow w;
    Ref<RecordingTarget> target = make<RecordingTarget>();
    Ref<Stepper> stepper;
};

// The stepper is flipped: its upper arrow is the visually upper half, base y above the middle.
const Point upperArrow = MakePoint(17, 28);
const Point lowerArrow = MakePoint(17, 14);

TEST_F(StepperTracking, HeldArrowRepeatsAfterHalfASecondEveryTenth)
{
    w.script->mouseDown(upperArrow).wait(0.75).mouseUp(upperArrow).wait(1).mouseMoved(MakePoint(200, 100));
    w.script->run();
    EXPECT_EQ(actionTimes(), (std::vector<double> { 0, 0.5, 0.6, 0.7 }));
    EXPECT_EQ(stepper->intValue(), 9);
}

// Leaving the arrow and coming back within one press is still one press: no second step at the
// return, only the repeating resumes (after the delay, counted from the return).
TEST_F(StepperTracking, ComingBackDuringAPressResumesRepeatingOnly)
{
    const Point away = MakePoint(100, 100);
    w.script->mouseDown(upperArrow).wait(0.1).mouseDragged(away).wait(0.1).mouseDragged(upperArrow).wait(0.05).mouseUp(upperArrow);
    w.script->run();
    EXPECT_EQ(actionTimes(), (std::vector<double> { 0 }));
    EXPECT_EQ(stepper->intValue(), 6);

    target->calls.clear();
    w.script->mouseDown(upperArrow).mouseDragged(away).wait(0.2).mouseDragged(upperArrow).wait(0.65).mouseUp(upperArrow);
    w.script->run();
    ASSERT_EQ(target->calls.size(), 3u);
    EXPECT_NEAR(target->calls[1].time - target->calls[0].time, 0.7, 1e-6);
    EXPECT_NEAR(target->calls[2].time - target->calls[0].time, 0.8, 1e-6);
    EXPECT_EQ(stepper->intValue(), 9);
}

TEST_F(StepperTracking, LowerArrowStepsDownOncePerClick)
{
    w.script->click(lowerArrow).wait(0.1).click(lowerArrow);
    w.script->run();
    EXPECT_EQ(target->calls.size(), 2u);
    EXPECT_EQ(stepper->intValue(), 3);
    EXPECT_EQ(target->calls[0].sender, stepper.get());
}

TEST_F(StepperTracking, NoRepeatWithoutAutorepeat)
{
    stepper->setAutorepeat(false);
    w.script->mouseDown(upperArrow).wait(1).mouseUp(upperArrow);
    w.script->run();
    EXPECT_EQ(actionTimes(), (std::vector<double> { 0 }));
}

TEST_F(StepperTracking, ArrowKeysStepWhenFocused)
{
    ASSERT_TRUE(w.window->makeFirstResponder(stepper.get()));
    w.script->key(KeyCodeUpArrow).key(KeyCodeUpArrow).key(KeyCodeDownArrow);
    w.script->run();
    EXPECT_EQ(stepper->intValue(), 6);
    EXPECT_EQ(target->calls.size(), 3u);
}

} // namespace
