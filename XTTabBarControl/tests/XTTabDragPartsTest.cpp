// The drag's parts without a drag: the gap sizes, the fades, the miniature, the placeholders
// around the dragged cell, the drag windows and the cell's drag image.

#include "XTTabBarControl/tests/XTTabDragTestSupport.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(XTTabDragParts, TheSineTableOfAHundredPointGap)
{
    // A 94-point tab opens a gap of W = 100, then ends at its own width.
    EXPECT_EQ(XTTabDragAssistant::sineCurveWidthsFor(94, false), (std::vector<std::int64_t> { 0, 3, 14, 30, 50, 69, 85, 94 }));
    // Vertically W is the height + 1.
    EXPECT_EQ(XTTabDragAssistant::sineCurveWidthsFor(99, true), (std::vector<std::int64_t> { 0, 3, 14, 30, 50, 69, 85, 99 }));
    EXPECT_EQ(XTTabDragAssistant::sineCurveWidthsFor(21.7, true).back(), 21);
}

TEST(XTTabDragParts, FadesMoveAFifteenthAndStayWithinTheirBounds)
{
    const auto tabWindow = kit::make<kit::Window>(kit::MakeRect(0, 0, 10, 10), kit::BorderlessWindowMask);
    const auto pictureWindow = kit::make<kit::Window>(kit::MakeRect(0, 0, 10, 10), kit::BorderlessWindowMask);
    kit::Window& tab = *tabWindow;
    kit::Window& picture = *pictureWindow;
    tab.setAlphaValue(0.75);
    picture.setAlphaValue(0);
    std::vector<double> up;
    while (XTTabDragAssistant::fadeStep(tab, picture, true)) {
        up.push_back(picture.alphaValue());
        ASSERT_LT(up.size(), 20u);
        EXPECT_GE(tab.alphaValue(), 0);
    }
    ASSERT_EQ(up.size(), 5u);
    EXPECT_NEAR(up[0], 0.15, 1e-9);
    EXPECT_DOUBLE_EQ(picture.alphaValue(), 0.75);
    EXPECT_DOUBLE_EQ(tab.alphaValue(), 0);
    int steps = 0;
    while (XTTabDragAssistant::fadeStep(tab, picture, false)) {
        ++steps;
        ASSERT_LT(steps, 20);
        EXPECT_LE(tab.alphaValue(), 0.75);
        EXPECT_GE(picture.alphaValue(), 0);
    }
    EXPECT_EQ(steps, 5);
    EXPECT_DOUBLE_EQ(picture.alphaValue(), 0);
    EXPECT_DOUBLE_EQ(tab.alphaValue(), 0.75);
}

TEST(XTTabDragParts, TheMiniatureFitsIntoAHundredAndTwentyFivePoints)
{
    EXPECT_EQ(XTTabDragAssistant::miniatureSize(kit::MakeSize(400, 300)), kit::MakeSize(125, 93.75));
    EXPECT_EQ(XTTabDragAssistant::miniatureSize(kit::MakeSize(300, 600)), kit::MakeSize(62.5, 125));
    EXPECT_EQ(XTTabDragAssistant::miniatureSize(kit::MakeSize(200, 200)), kit::MakeSize(125, 125));
}

TEST(XTTabDragParts, TheDraggedCellsPlaceOpensAndItsLeftNeighbourLosesOnlyItsSelectedNeighbourBit)
{
    XTDragScope scope;
    XTBarFixture f(434, 3);
    f.tabView->selectTabViewItemAtIndex(1);
    f.bar->update(false);
    const kit::Ref<XTTabBarCell> first = f.bar->cells()[0], dragged = f.bar->cells()[1], last = f.bar->cells()[2];
    ASSERT_EQ(first->tabState(), XTTabPositionLeftMask | XTTabRightNeighbourSelectedMask);
    XTTabDragAssistant::sharedDragAssistant()->distributePlaceholdersInTabBarWithDraggedCell(f.bar.get(), dragged.get());
    const auto& cells = f.bar->cells();
    ASSERT_EQ(cells.size(), 5u);
    EXPECT_TRUE(cells[0]->isPlaceholder());
    EXPECT_EQ(cells[1], first);
    EXPECT_TRUE(cells[2]->isPlaceholder());
    EXPECT_EQ(cells[2]->currentStep(), 7);
    EXPECT_EQ(cells[2]->frame(), dragged->frame());
    EXPECT_EQ(cells[3], last);
    EXPECT_TRUE(cells[4]->isPlaceholder());
    EXPECT_EQ(cells[0]->currentStep(), 0);
    EXPECT_EQ(cells[0]->frame().size.width, 0);
    EXPECT_EQ(first->tabState(), XTTabPositionLeftMask);
}

TEST(XTTabDragParts, TheFirstCellsPlaceOpensWithNothingBeforeIt)
{
    XTDragScope scope;
    XTBarFixture f(434, 3);
    const kit::Ref<XTTabBarCell> dragged = f.bar->cells()[0], second = f.bar->cells()[1];
    const std::int64_t before = second->tabState();
    XTTabDragAssistant::sharedDragAssistant()->distributePlaceholdersInTabBarWithDraggedCell(f.bar.get(), dragged.get());
    const auto& cells = f.bar->cells();
    ASSERT_EQ(cells.size(), 5u);
    EXPECT_TRUE(cells[0]->isPlaceholder());
    EXPECT_EQ(cells[0]->currentStep(), 7);
    EXPECT_EQ(cells[1], second);
    EXPECT_EQ(second->tabState(), before);
}

TEST(XTTabDragParts, AVerticalBarsGapsCollapseInHeight)
{
    XTDragScope scope;
    XTBarFixture f(120, 0, 300);
    f.bar->setOrientation(XTTabBarVerticalOrientation);
    for (int i = 0; i < 2; ++i)
        f.addTab(QStringLiteral("Tab %1").arg(i));
    XTTabDragAssistant::sharedDragAssistant()->distributePlaceholdersInTabBar(f.bar.get());
    const auto& cells = f.bar->cells();
    ASSERT_EQ(cells.size(), 5u);
    for (std::size_t i : { 0u, 2u, 4u }) {
        EXPECT_TRUE(cells[i]->isPlaceholder());
        EXPECT_EQ(cells[i]->frame().size.height, 0);
    }
}

TEST(XTTabDragParts, DragWindowsFloatAboveAndLetTheMouseThrough)
{
    auto image = kit::make<kit::Image>(kit::MakeSize(40, 20));
    const auto controller = kit::make<XTTabDragWindowController>(image, kit::BorderlessWindowMask, 1);
    const kit::Ref<XTTabDragWindow> window = controller->window();
    EXPECT_EQ(window->level(), kit::WindowLevelForKey(kit::StatusWindowLevelKey));
    EXPECT_TRUE(window->ignoresMouseEvents());
    EXPECT_FALSE(window->isOpaque());
    EXPECT_EQ(window->frame().size, kit::MakeSize(40, 20));
    EXPECT_DOUBLE_EQ(window->alphaValue(), 0.75);
    EXPECT_TRUE(window->hasShadow());
    // A titled picture is no taller and gets no frame of its own.
    const auto titled = kit::make<XTTabDragWindow>(image, kit::TitledWindowMask);
    EXPECT_EQ(titled->frame().size, kit::MakeSize(40, 20));
    EXPECT_EQ(titled->styleMask(), unsigned(kit::BorderlessWindowMask));
}

TEST(XTTabDragParts, SwitchingToTheMiniatureTakesItsSizeAboutThePointer)
{
    kit::test::ManualClockScope clock;
    const auto owned = kit::make<XTTabDragWindowController>(kit::make<kit::Image>(kit::MakeSize(40, 20)), kit::BorderlessWindowMask, 1);
    XTTabDragWindowController& controller = *owned;
    controller.switchImages();
    EXPECT_FALSE(controller.showingAlternate()); // nothing to switch to yet
    controller.setAlternateImage(kit::make<kit::Image>(XTTabDragAssistant::miniatureSize(kit::MakeSize(400, 300))));
    controller.switchImages();
    EXPECT_TRUE(controller.showingAlternate());
    EXPECT_TRUE(controller.isAnimating());
    for (int i = 0; i < 12; ++i)
        clock.advance(1.0 / 30);
    EXPECT_FALSE(controller.isAnimating());
    EXPECT_EQ(controller.window()->frame().size, kit::MakeSize(125, 93.75));
    EXPECT_DOUBLE_EQ(controller.window()->dragView()->fadeValue(), 0);
}

TEST(XTTabDragParts, TheDragImageIsTheTabAsShownWithTheProgressMarkWhenBusy)
{
    XTDragScope scope;
    XTWindowBar w(kit::MakePoint(100, 100), 2);
    const kit::Ref<XTTabBarCell> cell = w.bar()->cells()[1];
    const kit::Ref<kit::Image> image = cell->dragImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), w.bar()->style()->dragRectForTabCellOrientation(*cell, 0).size);
    const QImage plain = image->bitmapForDrawing(1);
    cell->indicator()->setHidden(false);
    const QImage busy = cell->dragImage()->bitmapForDrawing(1);
    cell->indicator()->setHidden(true);
    ASSERT_EQ(plain.size(), busy.size());
    // The 16-point mark has its left edge 22 points from the right and its bottom 3 points up;
    // nothing else changes.
    const QRect mark = QRect(plain.width() - 22, plain.height() - 3 - 16, 16, 16).adjusted(-1, -1, 1, 1);
    int inside = 0, outside = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != busy.pixel(x, y))
                ++(mark.contains(x, y) ? inside : outside);
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
}

} // namespace
