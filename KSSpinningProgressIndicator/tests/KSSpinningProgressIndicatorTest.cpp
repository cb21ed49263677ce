#include "KSSpinningProgressIndicator/KSSpinningProgressIndicator.h"

#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/PixelProbe.h"

#include <gtest/gtest.h>

using kit::Ref;

namespace {

// A 40 x 40 indicator on a white background in a window of its own.
class SpinnerTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = kit::make<kit::Window>(kit::MakeRect(0, 0, 40, 40), kit::BorderlessWindowMask);
        spinner = kit::make<KSSpinningProgressIndicator>(kit::MakeRect(0, 0, 40, 40));
        spinner->setBackgroundColor(kit::Color::whiteColor());
        spinner->setDrawsBackground(true);
        window->contentView()->addSubview(spinner.get());
    }
    void TearDown() override
    {
        spinner->removeFromSuperview();
        spinner = nullptr;
        window = nullptr;
        kit::RunLoop::main().runPending();
    }
    // Pixel of the window at (x, y) with y up.
    QColor at(int x, int y)
    {
        const QImage image = window->snapshot();
        return kit::test::pixel(image, x, image.height() - 1 - y);
    }

    kit::test::ManualClockScope clock;
    Ref<kit::Window> window;
    Ref<KSSpinningProgressIndicator> spinner;
};

TEST_F(SpinnerTest, TimerTurnsTheFinsAndComesBackAfterAFullTurn)
{
    spinner->startAnimation();
    EXPECT_TRUE(spinner->isSpinning());
    clock.advance(0.05);
    EXPECT_EQ(spinner->position(), 11);
    clock.advance(0.05 * 11);
    EXPECT_EQ(spinner->position(), 0);
    spinner->stopAnimation();
    EXPECT_FALSE(spinner->isSpinning());
    clock.advance(0.2);
    EXPECT_EQ(spinner->position(), 0);
}

TEST_F(SpinnerTest, TimerKeepsRunningInsideATrackingLoop)
{
    spinner->startAnimation();
    kit::RunLoop::ModeScope tracking(kit::EventTrackingRunLoopMode);
    clock.advance(0.1);
    EXPECT_EQ(spinner->position(), 10);
}

TEST_F(SpinnerTest, DeterminateModeRefusesToSpinAndValueStopsSpinning)
{
    spinner->startAnimation();
    spinner->setDoubleValue(30);
    EXPECT_FALSE(spinner->isIndeterminate());
    EXPECT_FALSE(spinner->isAnimating());
    EXPECT_FALSE(spinner->isSpinning());
    spinner->startAnimation();
    EXPECT_FALSE(spinner->isAnimating());
}

TEST_F(SpinnerTest, HiddenWhenStoppedIfAsked)
{
    spinner->setDisplayedWhenStopped(false);
    EXPECT_TRUE(spinner->isHidden());
    spinner->startAnimation();
    EXPECT_FALSE(spinner->isHidden());
    spinner->stopAnimation();
    EXPECT_TRUE(spinner->isHidden());
}

TEST_F(SpinnerTest, LeavingTheWindowStopsAndComingBackRestarts)
{
    spinner->startAnimation();
    spinner->removeFromSuperview();
    EXPECT_FALSE(spinner->isSpinning());
    EXPECT_TRUE(spinner->isAnimating());
    window->contentView()->addSubview(spinner.get());
    EXPECT_TRUE(spinner->isSpinning());
}

TEST_F(SpinnerTest, OnlyTheSpinningStyle)
{
    EXPECT_NO_THROW(spinner->setStyle(KSSpinningProgressIndicator::SpinningStyle));
    for (const int style : { 0, 2, -1 }) {
        SCOPED_TRACE(style);
        try {
            spinner->setStyle(style);
            ADD_FAILURE() << "no exception";
        } catch (const kit::Exception& e) {
            EXPECT_EQ(e.name(), kit::InternalInconsistencyException);
            EXPECT_EQ(e.reason(), QStringLiteral("Non-spinning styles not available."));
        }
    }
}

TEST_F(SpinnerTest, HalfValueFillsTheRightHalfOfThePie)
{
    spinner->setDoubleValue(50);
    EXPECT_TRUE(kit::test::pixelIs(window->snapshot(), 28, 20, Qt::black, 8)) << "right of the centre";
    EXPECT_TRUE(kit::test::pixelIs(window->snapshot(), 12, 20, Qt::white, 8)) << "left of the centre";
}

TEST_F(SpinnerTest, NoMaximumDrawsAnEmptyPie)
{
    spinner->setMaxValue(0);
    spinner->setDoubleValue(10);
    EXPECT_TRUE(kit::test::pixelIs(window->snapshot(), 28, 20, Qt::white, 8));
    EXPECT_TRUE(kit::test::pixelIs(window->snapshot(), 12, 20, Qt::white, 8));
}

// Nothing done, or less than nothing, is an empty pie: -25 of 100 must not sweep three quarters.
TEST_F(SpinnerTest, NoValueOrANegativeOneDrawsAnEmptyPie)
{
    for (const double value : { 0.0, -25.0 }) {
        SCOPED_TRACE(value);
        spinner->setDoubleValue(value);
        const QImage image = window->snapshot();
        EXPECT_TRUE(kit::test::pixelIs(image, 28, 20, Qt::white, 8)) << "right of the centre";
        EXPECT_TRUE(kit::test::pixelIs(image, 20, 28, Qt::white, 8)) << "below the centre";
        EXPECT_TRUE(kit::test::pixelIs(image, 12, 20, Qt::white, 8)) << "left of the centre";
        EXPECT_TRUE(kit::test::pixelIs(image, 20, 12, Qt::white, 8)) << "above the centre";
    }
}

TEST_F(SpinnerTest, FinsAreFaintWhenStoppedAndTheBrightestIsSolid)
{
    // The top fin runs from 9.4 to 16.9 points above the centre.
    const QColor faint = at(20, 33);
    EXPECT_GT(faint.lightness(), 150);
    EXPECT_LT(faint.lightness(), 250);
    spinner->startAnimation();
    EXPECT_LT(at(20, 33).lightness(), 40) << "position 0: the top fin is the brightest";
}

TEST_F(SpinnerTest, ThreadModeTurnsOnTheClockAndJoinsWhenDestroyed)
{
    spinner->setUsesThreadedAnimation(true);
    spinner->startAnimation();
    ASSERT_TRUE(kit::RunLoop::main().runUntil([&] { return clock.clock().sleeperCount() == 1; }));
    EXPECT_EQ(spinner->position(), 11) << "a frame at once";
    clock.advance(0.06); // a hair past the frame: the manual clock's elapsed time is rounded against its base
    ASSERT_TRUE(kit::RunLoop::main().runUntil([&] { return spinner->position() == 10 && clock.clock().sleeperCount() == 1; }))
        << spinner->position() << " " << clock.clock().sleeperCount();
    spinner->setUsesThreadedAnimation(false);
    EXPECT_TRUE(spinner->isAnimating());
    spinner->setUsesThreadedAnimation(true);
    ASSERT_TRUE(kit::RunLoop::main().runUntil([&] { return clock.clock().sleeperCount() == 1; }));
    // Dropping the last reference with the thread asleep must cancel and join it.
    spinner->removeFromSuperview();
    spinner->addSubview(kit::make<kit::View>().get());
}

TEST(SpinnerLifetime, DestroyedWhileTheThreadSleeps)
{
    kit::test::ManualClockScope clock;
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 40, 40), kit::BorderlessWindowMask);
    {
        auto spinner = kit::make<KSSpinningProgressIndicator>(kit::MakeRect(0, 0, 40, 40));
        window->contentView()->addSubview(spinner.get());
        spinner->setUsesThreadedAnimation(true);
        spinner->startAnimation();
        ASSERT_TRUE(kit::RunLoop::main().runUntil([&] { return clock.clock().sleeperCount() == 1; }));
        // The window holds the view; only its own drop destroys it.
        spinner->kit::View::removeFromSuperview();
    }
    EXPECT_EQ(clock.clock().sleeperCount(), 0);
    kit::RunLoop::main().runPending();
}

// The window goes with the indicator still in it and spinning on its thread: nothing tells the
// view it left, so its own destruction must stop the thread and wait for it.
TEST(SpinnerLifetime, DestroyedWithItsWindowWhileSpinning)
{
    kit::test::ManualClockScope clock;
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 40, 40), kit::BorderlessWindowMask);
    kit::Weak<KSSpinningProgressIndicator> gone;
    {
        auto spinner = kit::make<KSSpinningProgressIndicator>(kit::MakeRect(0, 0, 40, 40));
        gone = spinner;
        window->contentView()->addSubview(spinner.get());
        spinner->setUsesThreadedAnimation(true);
        spinner->startAnimation();
        ASSERT_TRUE(kit::RunLoop::main().runUntil([&] { return clock.clock().sleeperCount() == 1; }));
    }
    ASSERT_TRUE(gone.lock()) << "the window still holds it";
    EXPECT_TRUE(gone.lock()->isSpinning());
    window = nullptr;
    EXPECT_FALSE(gone.lock());
    EXPECT_EQ(clock.clock().sleeperCount(), 0) << "the thread was joined, not left asleep";
    clock.advance(0.2); // a thread left running would step and queue frames from here on
    kit::RunLoop::main().runPending();
    EXPECT_EQ(clock.clock().sleeperCount(), 0);
}

} // namespace

namespace {

TEST(SpinnerClass, FoundByNameWithItsActions)
{
    const kit::Class* c = kit::classFromString(QStringLiteral("KSSpinningProgressIndicator"));
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->instancesRespondToSelector(kit::Selector("startAnimation")));
    EXPECT_TRUE(c->instancesRespondToSelector(kit::Selector("stopAnimation")));
}

} // namespace
