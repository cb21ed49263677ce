#include "kit/controls/ProgressIndicator.h"

#include "ControlsTestSupport.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

class ProgressAnimation : public testing::Test {
protected:
    void TearDown() override { RunLoop::main().resetForTesting(); }
    ManualClockScope clock;
};

TEST_F(ProgressAnimation, TurnsInTheTrackingModeAndStartStopAreIdempotent)
{
    auto spinner = make<ProgressIndicator>(MakeRect(0, 0, 16, 16));
    spinner->setStyle(ProgressIndicatorSpinningStyle);
    spinner->startAnimation();
    spinner->startAnimation();
    {
        RunLoop::ModeScope tracking(EventTrackingRunLoopMode);
        clock.advance(0.5);
    }
    EXPECT_EQ(spinner->animationPhase(), 6);
    spinner->stopAnimation();
    spinner->stopAnimation();
    clock.advance(1);
    EXPECT_EQ(spinner->animationPhase(), 6);
    EXPECT_FALSE(spinner->isAnimating());
}

TEST_F(ProgressAnimation, TheAnimateKeyStartsAndStops)
{
    auto bar = make<ProgressIndicator>();
    bar->setValueForKey(Value(true), "animate");
    EXPECT_TRUE(bar->isAnimating());
    EXPECT_EQ(bar->valueForKey("animate"), Value(true));
    bar->setValueForKey(Value(false), "animate");
    EXPECT_FALSE(bar->isAnimating());
}

TEST_F(ProgressAnimation, AGoneIndicatorStopsItsTimer)
{
    {
        auto spinner = make<ProgressIndicator>();
        spinner->startAnimation();
    }
    clock.advance(1); // nothing to tick, nothing crashes
    SUCCEED();
}

namespace {
bool blank(const QImage& image)
{
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}
} // namespace

TEST_F(ProgressAnimation, AStoppedSpinnerCanBeInvisibleAndBarsClampTheirValue)
{
    ControlWindow w(MakeSize(200, 60));
    auto spinner = make<ProgressIndicator>(MakeRect(10, 10, 16, 16));
    spinner->setStyle(ProgressIndicatorSpinningStyle);
    spinner->setDisplayedWhenStopped(false);
    w.content->addSubview(spinner.get());
    const auto spinnerPixels = [&] {
        const QImage shot = w.window->snapshot();
        return shot.copy(QRect(10, shot.height() - 26, 16, 16));
    };
    EXPECT_TRUE(blank(spinnerPixels()));
    spinner->startAnimation();
    EXPECT_FALSE(blank(spinnerPixels()));
    spinner->stopAnimation();

    auto full = make<ProgressIndicator>(MakeRect(40, 10, 100, 16));
    full->setIndeterminate(false);
    full->setDoubleValue(100);
    auto over = make<ProgressIndicator>(MakeRect(40, 34, 100, 16));
    over->setIndeterminate(false);
    over->setDoubleValue(250);
    w.content->addSubview(full.get());
    w.content->addSubview(over.get());
    const QImage shot = w.window->snapshot();
    EXPECT_EQ(shot.copy(QRect(40, shot.height() - 26, 100, 16)), shot.copy(QRect(40, shot.height() - 50, 100, 16)));
    EXPECT_EQ(over->doubleValue(), 250);
}

} // namespace
