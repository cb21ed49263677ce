#include "XTTabBarControl/XTMetalTabStyle.h"
#include "XTTabBarControl/tests/XTTabBarTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct XTMetalCell {
    XTBarFixture f { 434, 1 };
    kit::Ref<XTTabBarCell> cell = f.bar->cells()[0];
    XTMetalTabStyle& style = static_cast<XTMetalTabStyle&>(*f.bar->style());

    double titleWidth() const { return cell->attributedStringValue().size().width; }
};

TEST(XTMetalTabStyle, Metrics)
{
    XTMetalTabStyle style;
    EXPECT_EQ(style.name(), QStringLiteral("Metal"));
    EXPECT_EQ(style.leftMarginForTabBarControl(), 10);
    EXPECT_EQ(style.rightMarginForTabBarControl(), 24);
    EXPECT_EQ(style.topMarginForTabBarControl(), 10);
    EXPECT_EQ(style.tabCellHeight(), 22);
    // Our own images, at the sizes the layout relies on.
    ASSERT_TRUE(style.closeImages().normal);
    EXPECT_EQ(style.closeImages().normal->size(), kit::MakeSize(12, 12));
    ASSERT_TRUE(style.addTabButtonImage());
    EXPECT_EQ(style.addTabButtonImage()->size(), kit::MakeSize(16, 16));
    EXPECT_TRUE(style.addTabButtonPressedImage());
    EXPECT_TRUE(style.addTabButtonRolloverImage());
}

TEST(XTMetalTabStyle, WidthsOfABareCell)
{
    XTMetalCell m;
    m.cell->setHasCloseButton(false);
    EXPECT_EQ(m.cell->minimumWidthOfCell(), 42);
    EXPECT_EQ(m.cell->desiredWidthOfCell(), std::ceil(12 + m.titleWidth()));
}

TEST(XTMetalTabStyle, CloseButtonAndIconWiden)
{
    XTMetalCell m;
    m.cell->setCloseButtonSuppressed(false);
    // 12-point close image + 4 + 6 instead of 6, then + 30 + 6.
    EXPECT_EQ(m.cell->minimumWidthOfCell(), 58);
    m.cell->setHasIcon(true);
    EXPECT_EQ(m.cell->minimumWidthOfCell(), 78);
}

TEST(XTMetalTabStyle, CounterIsAtLeastTwentyWide)
{
    XTMetalCell m;
    m.cell->setHasCloseButton(false);
    m.cell->setFrame(kit::MakeRect(10, 0, 130, 22));
    m.cell->setCount(7);
    const double seven = m.style.attributedObjectCountValueForTabCell(*m.cell).size().width;
    const kit::Rect k = m.style.objectCounterRectForTabCell(*m.cell);
    EXPECT_EQ(k.size.width, std::max(20.0, seven + 8));
    EXPECT_EQ(k.origin.x, 10 + 130 - 6 - k.size.width);
    EXPECT_EQ(k.origin.y, 4);
    EXPECT_EQ(k.size.height, 14);
    EXPECT_EQ(m.cell->minimumWidthOfCell(), std::ceil(42 + k.size.width + 4));
    m.cell->setCount(1234567);
    const double wide = m.style.attributedObjectCountValueForTabCell(*m.cell).size().width;
    EXPECT_EQ(m.style.objectCounterRectForTabCell(*m.cell).size.width, std::max(20.0, wide + 8));
    m.cell->setCount(0);
    EXPECT_EQ(m.style.objectCounterRectForTabCell(*m.cell), kit::Rect {});
}

TEST(XTMetalTabStyle, IndicatorMovesTheCounterAndWidens)
{
    XTMetalCell m;
    m.cell->setHasCloseButton(false);
    m.cell->setFrame(kit::MakeRect(10, 0, 130, 22));
    m.cell->setState(0);
    m.cell->setCount(7);
    const kit::Rect before = m.style.objectCounterRectForTabCell(*m.cell);
    const double minimum = m.cell->minimumWidthOfCell();
    const double desired = m.cell->desiredWidthOfCell();
    m.cell->indicator()->setHidden(false);
    EXPECT_EQ(m.style.objectCounterRectForTabCell(*m.cell).origin.x, before.origin.x - 20);
    EXPECT_EQ(m.cell->minimumWidthOfCell(), minimum + 20);
    EXPECT_EQ(m.cell->desiredWidthOfCell(), desired + 20);
    EXPECT_EQ(m.style.indicatorRectForTabCell(*m.cell), kit::MakeRect(10 + 130 - 22, 3, 16, 16));
}

struct XTRectCase {
    bool selected;
    double closeY, iconY, indicatorY;
};

class XTMetalRects : public testing::TestWithParam<XTRectCase> { };

// Every part sits one point higher on the selected tab.
TEST_P(XTMetalRects, PartsOfACell)
{
    XTMetalCell m;
    m.cell->setFrame(kit::MakeRect(20, 0, 130, 22));
    m.cell->setState(GetParam().selected ? 1 : 0);
    m.cell->setCloseButtonSuppressed(false);
    m.cell->setHasIcon(true);
    m.cell->indicator()->setHidden(false);
    EXPECT_EQ(m.cell->closeButtonRectForFrame(m.cell->frame()), kit::MakeRect(26, GetParam().closeY, 12, 12));
    EXPECT_EQ(m.style.iconRectForTabCell(*m.cell), kit::MakeRect(26 + 16, GetParam().iconY, 16, 16));
    EXPECT_EQ(m.style.indicatorRectForTabCell(*m.cell), kit::MakeRect(20 + 130 - 22, GetParam().indicatorY, 16, 16));
    m.cell->setHasCloseButton(false);
    EXPECT_EQ(m.cell->closeButtonRectForFrame(m.cell->frame()), kit::Rect {});
}

INSTANTIATE_TEST_SUITE_P(XTMetalTabStyle, XTMetalRects, testing::Values(XTRectCase { false, 5, 3, 3 }, XTRectCase { true, 4, 2, 2 }));

TEST(XTMetalTabStyle, DragRectangles)
{
    XTMetalCell m;
    m.cell->setFrame(kit::MakeRect(20, 0, 100, 22));
    m.cell->setTabState(XTTabSelectedMask);
    EXPECT_EQ(m.style.dragRectForTabCellOrientation(*m.cell, 0), kit::MakeRect(20, 0, 101, 20));
    EXPECT_EQ(m.style.dragRectForTabCellOrientation(*m.cell, 1), kit::MakeRect(22, -1, 98, 23));
    m.cell->setTabState(0);
    EXPECT_EQ(m.style.dragRectForTabCellOrientation(*m.cell, 1), kit::MakeRect(19, 0, 101, 22));
}

struct XTCloseCase {
    bool edited, over, pressed;
    const char* image;
};

class XTMetalCloseImage : public testing::TestWithParam<XTCloseCase> { };

TEST_P(XTMetalCloseImage, PressedWinsAndEditedTakesTheDirtySet)
{
    XTMetalCell m;
    m.cell->setIsEdited(GetParam().edited);
    m.cell->setCloseButtonOver(GetParam().over);
    m.cell->setCloseButtonPressed(GetParam().pressed);
    const auto image = XTTabStyleBase::closeImageForCell(*m.cell, m.style.closeImages());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->name(), QString::fromLatin1(GetParam().image));
}

INSTANTIATE_TEST_SUITE_P(XTMetalTabStyle, XTMetalCloseImage,
    testing::Values(XTCloseCase { false, false, false, "TabClose_Front" }, XTCloseCase { false, true, false, "TabClose_Front_Rollover" },
        XTCloseCase { false, true, true, "TabClose_Front_Pressed" }, XTCloseCase { true, false, false, "TabClose_Dirty" },
        XTCloseCase { true, true, false, "TabClose_Dirty_Rollover" }, XTCloseCase { true, true, true, "TabClose_Dirty_Pressed" }));

// Over an unselected tab the close button works only with background closing on.
TEST(XTMetalTabStyle, BackgroundClosingGatesTheRollover)
{
    XTMetalCell m;
    m.cell->setCloseButtonOver(true);
    EXPECT_TRUE(m.cell->closeButtonOver());
    m.f.bar->setAllowsBackgroundTabClosing(false);
    m.cell->setTabState(0);
    EXPECT_FALSE(m.cell->closeButtonOver());
    m.cell->setTabState(XTTabSelectedMask | XTTabPositionLeftMask);
    EXPECT_TRUE(m.cell->closeButtonOver());
}

} // namespace
