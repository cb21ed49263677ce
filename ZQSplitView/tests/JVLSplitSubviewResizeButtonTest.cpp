#include "ZQSplitView/JVLSplitSubviewResizeButton.h"

#include "ZQSplitView/tests/ZQSplitTestSupport.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <QAccessible>

#include <gtest/gtest.h>

using kit::MakePoint;
using kit::Ref;

namespace {

// Panes of 100 and 200 in a 300 x 100 window; a 20 x 20 button at the bottom of one pane.
class ResizeButtonTest : public testing::Test {
protected:
    void SetUp() override
    {
        split = makeSplitView({ 100, 200 });
        window = kit::make<kit::Window>(kit::MakeRect(100, 100, 300, 100), kit::TitledWindowMask);
        window->setContentView(split.get());
    }
    void TearDown() override { kit::Application::resetForTesting(); }

    Ref<JVLSplitSubviewResizeButton> placeIn(unsigned position)
    {
        auto button = kit::make<JVLSplitSubviewResizeButton>(kit::MakeRect(40, 0, 20, 20));
        split->subviewAtPosition(position)->addSubview(button.get());
        button->awakeFromNib();
        return button;
    }

    Ref<ZQSplitView> split;
    Ref<kit::Window> window;
};

TEST_F(ResizeButtonTest, CellStartsAsASmallSquareMomentaryButtonWithItsImageOnTheRight)
{
    auto button = kit::make<JVLSplitSubviewResizeButton>(kit::MakeRect(0, 0, 20, 20));
    JVLSplitSubviewResizeButtonCell* cell = button->resizeCell();
    ASSERT_TRUE(cell);
    ASSERT_TRUE(cell->image());
    EXPECT_EQ(cell->image()->size(), kit::MakeSize(11, 14)) << "the grip image comes from the split view's bundle";
    EXPECT_EQ(cell->imagePosition(), kit::ImageRight);
    EXPECT_EQ(cell->bezelStyle(), kit::SmallSquareBezelStyle);
    EXPECT_EQ(cell->buttonType(), kit::MomentaryChangeButton);
    EXPECT_EQ(cell->highlightsBy(), kit::PushInCellMask);
    EXPECT_EQ(cell->actionMask(), kit::LeftMouseDownMask | kit::LeftMouseDraggedMask);
    EXPECT_TRUE(cell->title().isEmpty());
    EXPECT_TRUE(cell->copy()->isKindOfClass(JVLSplitSubviewResizeButtonCell::staticClass())) << "copies keep the class";
}

TEST_F(ResizeButtonTest, FirstPaneGrowsToTheRightAndEachMoveCountsOnce)
{
    auto button = placeIn(0);
    EXPECT_EQ(button->resizeCell()->imagePosition(), kit::ImageRight);
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(50, 10)).mouseDragged(MakePoint(60, 10)).mouseDragged(MakePoint(70, 10)).mouseUp(MakePoint(70, 10));
    script.run();
    EXPECT_EQ(widthOf(*split, 0), 120);
    EXPECT_EQ(widthOf(*split, 1), 180);
}

TEST_F(ResizeButtonTest, OtherPanesGrowToTheLeft)
{
    auto button = placeIn(1);
    EXPECT_EQ(button->resizeCell()->imagePosition(), kit::ImageLeft);
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(150, 10)).mouseDragged(MakePoint(140, 10)).mouseUp(MakePoint(140, 10));
    script.run();
    EXPECT_EQ(widthOf(*split, 1), 210);
}

TEST_F(ResizeButtonTest, ReachingTheMinimumChangesNothingAndBelowItCollapses)
{
    placeIn(0);
    auto pane = split->subviewAtPosition(0);
    pane->setMinDimensionAndMaxDimension(90, 0);
    kit::test::EventScript exact(window.get());
    exact.mouseDown(MakePoint(50, 10)).mouseDragged(MakePoint(40, 10)).mouseUp(MakePoint(40, 10));
    exact.run();
    EXPECT_EQ(widthOf(*split, 0), 100);

    pane->setCanCollapse(true);
    kit::test::EventScript below(window.get());
    below.wait(2).mouseDown(MakePoint(50, 10)).mouseDragged(MakePoint(30, 10)).mouseDragged(MakePoint(90, 10)).mouseUp(MakePoint(90, 10));
    below.run();
    EXPECT_TRUE(pane->isCollapsed()) << "the collapse ends the drag: later moves do not reopen it";
}

TEST_F(ResizeButtonTest, ClickWithoutMovementChangesNothing)
{
    placeIn(0);
    kit::test::EventScript script(window.get());
    script.click(MakePoint(50, 10));
    script.run();
    EXPECT_EQ(widthOf(*split, 0), 100);
}

// The grip is a stop of the key-view loop, so the arrows do what a drag does: they move the pane's
// edge 10 points the way the grip points, within the pane's limits. They never collapse it: the grip
// would go with the pane, and no key would bring it back.
TEST_F(ResizeButtonTest, TheArrowsMoveThePanesEdgeWithinItsLimits)
{
    struct Case {
        unsigned position;
        std::uint16_t key;
        double width;
    };
    const Case arrows[] = {
        { 0, kit::KeyCodeRightArrow, 110 },
        { 0, kit::KeyCodeLeftArrow, 90 },
        { 1, kit::KeyCodeLeftArrow, 210 },
        { 1, kit::KeyCodeRightArrow, 190 },
    };
    for (const Case& c : arrows) {
        SetUp();
        auto button = placeIn(c.position);
        ASSERT_TRUE(window->makeFirstResponder(button.get()));
        kit::test::EventScript script(window.get());
        script.key(c.key).run();
        EXPECT_EQ(widthOf(*split, c.position), c.width) << c.position << " " << c.key;
    }

    SetUp();
    auto button = placeIn(0);
    auto pane = split->subviewAtPosition(0);
    pane->setMinDimensionAndMaxDimension(95, 104);
    pane->setCanCollapse(true);
    ASSERT_TRUE(window->makeFirstResponder(button.get()));
    kit::test::EventScript(window.get()).key(kit::KeyCodeLeftArrow).key(kit::KeyCodeLeftArrow).run();
    EXPECT_EQ(widthOf(*split, 0), 95);
    EXPECT_FALSE(pane->isCollapsed());
    kit::test::EventScript(window.get()).key(kit::KeyCodeRightArrow).key(kit::KeyCodeRightArrow).run();
    EXPECT_EQ(widthOf(*split, 0), 104);
    EXPECT_EQ(window->firstResponder().get(), button.get());
}

// A screen reader meets the grip as a button that says what it does, unless the application's
// tool tip says it.
TEST_F(ResizeButtonTest, AScreenReaderHearsWhatTheGripDoes)
{
    auto button = placeIn(0);
    QAccessibleInterface* grip = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(button->cell())));
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(grip->role(), QAccessible::Button);
    EXPECT_EQ(grip->text(QAccessible::Name), QStringLiteral("Resize pane"));
    button->setToolTip(QStringLiteral("Sidebar width"));
    EXPECT_EQ(grip->text(QAccessible::Name), QStringLiteral("Sidebar width"));
}

} // namespace
