#include "QVTabBarView/QVTabDragWindow.h"
#include "kit/appkit/Application.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

namespace {

struct QVSwitchFixture {
    kit::test::ManualClockScope clock;
    kit::Ref<QVTabDragWindowController> controller
        = kit::make<QVTabDragWindowController>(kit::make<kit::Image>(kit::MakeSize(100, 20)), kit::BorderlessWindowMask, 1);
    QVSwitchFixture() { controller->setAlternateImage(kit::make<kit::Image>(kit::MakeSize(125, 80))); }
    ~QVSwitchFixture() { kit::Application::resetForTesting(); }
    kit::Size size() const { return controller->window()->frame().size; }
};

TEST(QVTabDragWindows, ATearOffWindowIsAPassThroughStatusWindowAtTheDragAlpha)
{
    auto controller = kit::make<QVTabDragWindowController>(kit::make<kit::Image>(kit::MakeSize(100, 20)), kit::BorderlessWindowMask, 0);
    const kit::Ref<QVTabDragWindow> w = controller->window();
    EXPECT_TRUE(w->ignoresMouseEvents());
    EXPECT_FALSE(w->isOpaque());
    EXPECT_EQ(w->level(), kit::WindowLevelForKey(kit::StatusWindowLevelKey));
    EXPECT_DOUBLE_EQ(w->alphaValue(), 0.75);
    EXPECT_EQ(w->frame().size, kit::MakeSize(100, 20));
    // Style 0 never switches images.
    controller->setAlternateImage(kit::make<kit::Image>(kit::MakeSize(10, 10)));
    controller->switchImages();
    EXPECT_FALSE(controller->isAnimating());
    EXPECT_DOUBLE_EQ(w->dragView()->fadeValue(), 1.0);
}

TEST(QVTabDragWindows, TheImageSwitchGrowsToTheAlternateAndFades)
{
    QVSwitchFixture f;
    f.controller->switchImages();
    EXPECT_TRUE(f.controller->isAnimating());
    f.clock.advance(0.5);
    EXPECT_FALSE(f.controller->isAnimating());
    EXPECT_EQ(f.size(), kit::MakeSize(125, 80));
    EXPECT_DOUBLE_EQ(f.controller->window()->dragView()->fadeValue(), 0.0);
}

TEST(QVTabDragWindows, AReversalHalfwayContinuesWithoutAJump)
{
    QVSwitchFixture f;
    f.controller->switchImages();
    f.clock.advance(0.1);
    f.controller->animateTimer();
    const kit::Size before = f.size();
    ASSERT_GT(before.width, 100);
    ASSERT_LT(before.width, 125);
    f.controller->switchImages();
    f.controller->animateTimer();
    EXPECT_NEAR(f.size().width, before.width, 1);
    EXPECT_NEAR(f.size().height, before.height, 2);
    f.clock.advance(0.5);
    EXPECT_EQ(f.size(), kit::MakeSize(100, 20));
    EXPECT_DOUBLE_EQ(f.controller->window()->dragView()->fadeValue(), 1.0);
}

} // namespace
