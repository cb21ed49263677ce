#include "kit/controls/Slider.h"

#include "ControlsTestSupport.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace kit;
using namespace kit::test;

TEST(SliderValues, ClampToTheRangeAndStepByATwentiethUnlessSet)
{
    auto slider = make<Slider>(MakeRect(0, 0, 200, 24));
    EXPECT_EQ(slider->minValue(), 0);
    EXPECT_EQ(slider->maxValue(), 1);
    EXPECT_TRUE(slider->isContinuous());
    slider->setMaxValue(40);
    slider->setDoubleValue(55);
    EXPECT_EQ(slider->doubleValue(), 40);
    slider->setDoubleValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(slider->doubleValue(), 0);
    slider->setMinValue(10);
    EXPECT_EQ(slider->doubleValue(), 10);
    EXPECT_DOUBLE_EQ(slider->keyIncrement(), 1.5);
    slider->setKeyIncrement(4);
    slider->sliderCell()->step(true);
    EXPECT_EQ(slider->doubleValue(), 14);
    slider->setMaxValue(12);
    EXPECT_EQ(slider->doubleValue(), 12);
}

class SliderTracking : public testing::Test {
protected:
    void SetUp() override
    {
        slider = make<Slider>(MakeRect(20, 20, 200, 24));
        slider->setMaxValue(100);
        slider->setTarget(target.get());
        slider->setAction("act");
        w.content->addSubview(slider.get());
    }
    // A point of the track at `fraction` of the slider's width, in the window.
    static Point along(double fraction) { return MakePoint(20 + 200 * fraction, 32); }
    ControlWindow w;
    Ref<RecordingTarget> target = make<RecordingTarget>();
    Ref<Slider> slider;
};

TEST_F(SliderTracking, APressPutsTheKnobUnderThePointerAndTheEndsHoldTheLimits)
{
    w.script->click(along(0.5));
    w.script->run();
    EXPECT_NEAR(slider->doubleValue(), 50, 2);
    w.script->click(along(0.999));
    w.script->run();
    EXPECT_EQ(slider->doubleValue(), 100);
    w.script->click(along(0.001));
    w.script->run();
    EXPECT_EQ(slider->doubleValue(), 0);
    EXPECT_EQ(target->calls.size(), 3u);
}

TEST_F(SliderTracking, AContinuousSliderSendsAtEveryChangeAnotherOnceAtTheRelease)
{
    w.script->mouseDown(along(0.3)).mouseDragged(along(0.5)).mouseDragged(along(0.5)).mouseDragged(along(0.7)).mouseUp(along(0.7));
    w.script->run();
    // The second drag to the same place changes nothing and sends nothing.
    EXPECT_EQ(target->calls.size(), 3u);
    const double continuousEnd = slider->doubleValue();

    target->calls.clear();
    slider->setDoubleValue(0);
    slider->setContinuous(false);
    w.script->mouseDown(along(0.3)).mouseDragged(along(0.5)).mouseDragged(along(0.7)).mouseUp(along(0.7));
    w.script->run();
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, slider.get());
    EXPECT_EQ(slider->doubleValue(), continuousEnd);
}

TEST_F(SliderTracking, AVerticalSliderHasItsMaximumAtTheTop)
{
    auto vertical = make<Slider>(MakeRect(250, 0, 24, 180));
    vertical->setMaxValue(10);
    w.content->addSubview(vertical.get());
    ASSERT_TRUE(vertical->isVertical());
    w.script->click(MakePoint(262, 179.5));
    w.script->run();
    EXPECT_EQ(vertical->doubleValue(), 10);
    w.script->click(MakePoint(262, 0.5));
    w.script->run();
    EXPECT_EQ(vertical->doubleValue(), 0);
}

TEST_F(SliderTracking, ArrowKeysStepWhenFocused)
{
    slider->setDoubleValue(50);
    ASSERT_TRUE(w.window->makeFirstResponder(slider.get()));
    w.script->key(KeyCodeRightArrow).key(KeyCodeUpArrow).key(KeyCodeLeftArrow).key(KeyCodeRightArrow);
    w.script->run();
    EXPECT_EQ(slider->doubleValue(), 60);
    EXPECT_EQ(target->calls.size(), 4u);
}

TEST_F(SliderTracking, AccessibilityShowsASliderWhoseValueMovesAsTheKeysDo)
{
    const Value cell(slider->cell());
    slider->setDoubleValue(50);
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityRoleAttribute).stringValue(), AccessibilitySliderRole);
    EXPECT_EQ(AccessibilityRoleDescriptionForUIElement(cell), QStringLiteral("slider"));
    EXPECT_EQ(AccessibilityAttributeValue(cell, AccessibilityMaxValueAttribute).doubleValue(), 100);
    QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(cell);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Slider);

    AccessibilityPerformAction(cell, AccessibilityIncrementAction);
    EXPECT_EQ(slider->doubleValue(), 55);
    ASSERT_TRUE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
    AccessibilitySetValueForAttribute(cell, Value(250), AccessibilityValueAttribute);
    EXPECT_EQ(slider->doubleValue(), 100);
    EXPECT_EQ(target->calls.size(), 2u);
    slider->setEnabled(false);
    EXPECT_FALSE(AccessibilityIsAttributeSettable(cell, AccessibilityValueAttribute));
}

} // namespace
