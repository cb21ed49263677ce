// What steppers, sliders and level indicators share: the range travels with a copy of the cell
// (tables draw copies), and an upper end set below the lower one holds the value at the lower.

#include "kit/appkit/Accessibility.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/Slider.h"
#include "kit/controls/Stepper.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace kit;

struct RangedCellKind {
    const char* name;
    std::function<Ref<RangedValueCell>()> make;
};

class RangedCells : public testing::TestWithParam<RangedCellKind> { };

TEST_P(RangedCells, ACopyKeepsTheRangeAndClampsToIt)
{
    const Ref<RangedValueCell> cell = GetParam().make();
    cell->setMaxValue(8);
    cell->setMinValue(2);
    cell->setDoubleValue(5);
    const auto copy = dynamic_pointer_cast<RangedValueCell>(cell->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->minValue(), 2);
    EXPECT_EQ(copy->maxValue(), 8);
    EXPECT_EQ(copy->doubleValue(), 5);
    copy->setDoubleValue(20);
    EXPECT_EQ(copy->doubleValue(), 8);
    copy->setIntegerValue(-4);
    EXPECT_EQ(copy->doubleValue(), 2);
    copy->setMaxValue(3);
    EXPECT_EQ(cell->maxValue(), 8);
    EXPECT_EQ(cell->doubleValue(), 5);
}

TEST_P(RangedCells, AnUpperEndBelowTheLowerHoldsTheValueAtTheLower)
{
    const Ref<RangedValueCell> cell = GetParam().make();
    cell->setMaxValue(4);
    cell->setDoubleValue(4);
    cell->setMinValue(6);
    EXPECT_EQ(cell->doubleValue(), 6);
    cell->setDoubleValue(1);
    EXPECT_EQ(cell->doubleValue(), 6);
    // The ends stay as set, so raising the upper one again opens the range.
    EXPECT_EQ(cell->maxValue(), 4);
    EXPECT_EQ(AccessibilityAttributeValue(Value(cell), AccessibilityMaxValueAttribute).doubleValue(), 4);
    cell->setMaxValue(10);
    cell->setDoubleValue(9);
    EXPECT_EQ(cell->doubleValue(), 9);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RangedCells,
    testing::Values(RangedCellKind { "Stepper", [] { return Ref<RangedValueCell>(make<StepperCell>()); } },
        RangedCellKind { "Slider", [] { return Ref<RangedValueCell>(make<SliderCell>()); } },
        RangedCellKind { "LevelIndicator", [] { return Ref<RangedValueCell>(make<LevelIndicatorCell>()); } }),
    [](const testing::TestParamInfo<RangedCellKind>& info) { return std::string(info.param.name); });

} // namespace
