#include "kit/appkit/Application.h"
#include "kit/appkit/CrossFadeWindow.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

struct CrossFadeFixture {
    test::ManualClockScope clock;
    Ref<CrossFadeImageWindow> window = make<CrossFadeImageWindow>(make<Image>(MakeSize(60, 30)));
    Ref<CrossFadeWindowController> controller = make<CrossFadeWindowController>(window, true);
    CrossFadeFixture() { controller->setAlternateImage(make<Image>(MakeSize(120, 90))); }
    ~CrossFadeFixture() { Application::resetForTesting(); }
    double fade() const { return window->imageView()->fadeValue(); }
};

TEST(CrossFadeWindow, TheWindowFloatsSeeThroughAndLetsTheMouseThrough)
{
    const auto window = make<CrossFadeImageWindow>(make<Image>(MakeSize(60, 30)), TitledWindowMask);
    EXPECT_EQ(window->frame().size, MakeSize(60, 30));
    EXPECT_EQ(window->styleMask(), unsigned(TitledWindowMask));
    EXPECT_EQ(window->level(), WindowLevelForKey(StatusWindowLevelKey));
    EXPECT_TRUE(window->ignoresMouseEvents());
    EXPECT_FALSE(window->isOpaque());
    ASSERT_TRUE(window->imageView());
    EXPECT_EQ(window->contentView(), window->imageView().get());
    EXPECT_DOUBLE_EQ(window->imageView()->fadeValue(), 1.0);
    EXPECT_EQ(make<CrossFadeImageWindow>()->frame().size, MakeSize(1, 1));
}

TEST(CrossFadeWindow, AControllerThatDoesNotSwitchIgnoresTheAlternate)
{
    test::ManualClockScope clock;
    const auto controller = make<CrossFadeWindowController>(make<CrossFadeImageWindow>(make<Image>(MakeSize(60, 30))), false);
    controller->setAlternateImage(make<Image>(MakeSize(120, 90)));
    controller->switchImages();
    EXPECT_FALSE(controller->isAnimating());
    EXPECT_FALSE(controller->showingAlternate());
    Application::resetForTesting();
}

TEST(CrossFadeWindow, ASwitchEndsAtTheAlternatesSizeFullyFaded)
{
    CrossFadeFixture f;
    // A switching window goes clear with a shadow; every controller shows it at 0.75.
    EXPECT_TRUE(f.window->hasShadow());
    EXPECT_DOUBLE_EQ(f.window->alphaValue(), 0.75);
    f.controller->switchImages();
    EXPECT_TRUE(f.controller->isAnimating());
    f.clock.advance(0.1);
    f.controller->animateTimer();
    EXPECT_GT(f.window->frame().size.width, 60);
    EXPECT_LT(f.window->frame().size.width, 120);
    EXPECT_GT(f.fade(), 0);
    EXPECT_LT(f.fade(), 1);
    f.clock.advance(0.5);
    EXPECT_FALSE(f.controller->isAnimating());
    EXPECT_TRUE(f.controller->showingAlternate());
    EXPECT_EQ(f.window->frame().size, MakeSize(120, 90));
    EXPECT_DOUBLE_EQ(f.fade(), 0);
}

TEST(CrossFadeWindow, AReversalBeforeAnyProgressEndsAtOnceOnTheImage)
{
    CrossFadeFixture f;
    f.controller->switchImages();
    f.controller->switchImages();
    EXPECT_FALSE(f.controller->isAnimating());
    EXPECT_FALSE(f.controller->showingAlternate());
    EXPECT_EQ(f.window->frame().size, MakeSize(60, 30));
    EXPECT_DOUBLE_EQ(f.fade(), 1);
}

} // namespace
