#include "XTTabBarControl/tests/XTTabBarTestSupport.h"
#include "kit/appkit/Accessibility.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct XTStepCase {
    std::int64_t set;
    std::int64_t stored;
};

class XTTabBarCellStep : public testing::TestWithParam<XTStepCase> { };

TEST_P(XTTabBarCellStep, StaysWithinZeroToSeven)
{
    auto cell = kit::make<XTTabBarCell>();
    cell->setCurrentStep(GetParam().set);
    EXPECT_EQ(cell->currentStep(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(XTTabBarCell, XTTabBarCellStep,
    testing::Values(XTStepCase { -3, 0 }, XTStepCase { 0, 0 }, XTStepCase { 4, 4 }, XTStepCase { 7, 7 }, XTStepCase { 12, 7 }));

// A collapsed gap has no width in a horizontal bar and no height in a vertical one; an open one
// keeps its frame and starts fully open.
TEST(XTTabBarCellPlaceholder, CollapsesAlongTheBar)
{
    XTBarFixture f(434, 1);
    const kit::Rect frame = kit::MakeRect(140, 0, 130, 22);
    auto collapsed = kit::make<XTTabBarCell>(frame, false, f.bar.get());
    EXPECT_TRUE(collapsed->isPlaceholder());
    EXPECT_EQ(collapsed->frame(), kit::MakeRect(140, 0, 0, 22));
    EXPECT_EQ(collapsed->currentStep(), 0);
    auto open = kit::make<XTTabBarCell>(frame, true, f.bar.get());
    EXPECT_EQ(open->frame(), frame);
    EXPECT_EQ(open->currentStep(), 7);
    f.bar->setOrientation(XTTabBarVerticalOrientation);
    auto upright = kit::make<XTTabBarCell>(frame, false, f.bar.get());
    EXPECT_EQ(upright->frame(), kit::MakeRect(140, 0, 130, 0));
}

TEST(XTTabBarCellAccessibility, ASelectedFirstTabIsFocused)
{
    auto cell = kit::make<XTTabBarCell>();
    const kit::Value element { kit::Ref<kit::Object>(cell) };
    cell->setTabState(XTTabPositionLeftMask);
    EXPECT_FALSE(kit::AccessibilityAttributeValue(element, kit::AccessibilityFocusedAttribute).boolValue());
    cell->setTabState(XTTabPositionLeftMask | XTTabSelectedMask);
    EXPECT_TRUE(kit::AccessibilityAttributeValue(element, kit::AccessibilityFocusedAttribute).boolValue());
    EXPECT_EQ(kit::AccessibilityActionNames(element), QStringList { kit::AccessibilityPressAction });
    EXPECT_FALSE(kit::AccessibilityIsIgnored(element));
    // With no bar the press does nothing, and hit testing answers the tab itself.
    kit::AccessibilityPerformAction(element, kit::AccessibilityPressAction);
    EXPECT_EQ(kit::AccessibilityHitTest(element, kit::MakePoint(0, 0)).object().get(), cell.get());
}

TEST(XTTabBarCellTitleSize, FollowsRetitlingAndStateChanges)
{
    XTBarFixture f { 434, 2 };
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[1];
    cell->setHasCloseButton(false);
    // Measured afresh from the title as the style draws it now.
    const auto measured = [&] { return std::ceil(12 + cell->attributedStringValue().size().width); };
    const double shortWidth = cell->desiredWidthOfCell();
    EXPECT_EQ(shortWidth, measured());
    cell->setStringValue(QStringLiteral("A much longer title than before"));
    EXPECT_GT(cell->desiredWidthOfCell(), shortWidth);
    EXPECT_EQ(cell->desiredWidthOfCell(), measured());
    EXPECT_EQ(cell->stringSize(), cell->attributedStringValue().size());
    cell->setState(1);
    EXPECT_EQ(cell->desiredWidthOfCell(), measured());
    cell->setStringValue(QStringLiteral("T"));
    EXPECT_LT(cell->desiredWidthOfCell(), shortWidth);
    EXPECT_EQ(cell->desiredWidthOfCell(), measured());
}

} // namespace
