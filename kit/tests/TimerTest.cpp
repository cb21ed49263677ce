#include "kit/foundation/Timer.h"

#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kit;

namespace {

class TimerTarget : public Object {
public:
    void tick(Timer* timer)
    {
        ++ticks;
        last = timer;
    }
    int ticks = 0;
    Timer* last = nullptr;
};

class Springy : public Object {
    KIT_CLASS(Springy)
    void fireSpring(Timer* timer)
    {
        fired.push_back(timer);
        info = timer->userInfo();
    }
    std::vector<Timer*> fired;
    Value info;
};

struct TimerTest : ::testing::Test {
    test::ManualClockScope clock;
};

TEST_F(TimerTest, ThirtyFiringsPerSecondEachAtItsOwnDate)
{
    std::vector<double> times;
    auto timer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(1.0 / 30, true, [&](Timer*) { times.push_back(Clock::currentNow()); });
    const double start = Clock::currentNow();
    clock.advance(1.0);
    ASSERT_EQ(times.size(), 30u);
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_NEAR(times[i] - start, double(i + 1) / 30, 1e-6);
    timer->invalidate();
}

TEST_F(TimerTest, FiresFirstAfterOneIntervalThenRepeats)
{
    int n = 0;
    auto timer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.5, true, [&](Timer*) { ++n; });
    clock.advance(0.49);
    EXPECT_EQ(n, 0);
    clock.advance(0.01);
    EXPECT_EQ(n, 1);
    clock.advance(1.0);
    EXPECT_EQ(n, 3);
    timer->invalidate();
}

TEST_F(TimerTest, InvalidateInsideCallbackStopsIt)
{
    int n = 0;
    auto timer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.1, true, [&](Timer* t) {
        ++n;
        t->invalidate();
        t->invalidate();
    });
    clock.advance(1.0);
    EXPECT_EQ(n, 1);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, FireEndsOneShotButNotRepeating)
{
    int oneShot = 0, repeating = 0;
    auto a = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.5, false, [&](Timer*) { ++oneShot; });
    auto b = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.5, true, [&](Timer*) { ++repeating; });
    a->fire();
    b->fire();
    EXPECT_FALSE(a->isValid());
    EXPECT_TRUE(b->isValid());
    clock.advance(0.5);
    EXPECT_EQ(oneShot, 1);
    EXPECT_EQ(repeating, 2); // fire() kept the schedule
    b->invalidate();
}

TEST_F(TimerTest, TargetIsWeakAndItsDeathInvalidates)
{
    auto target = make<TimerTarget>();
    auto timer = Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(0.1, target.get(), &TimerTarget::tick, 42, true);
    clock.advance(0.1);
    EXPECT_EQ(target->ticks, 1);
    EXPECT_EQ(target->last, timer.get());
    EXPECT_EQ(timer->userInfo().integerValue(), 42);
    EXPECT_EQ(target->retainCount(), 1);
    target = nullptr;
    clock.advance(0.5);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, SelectorTimerPassesItselfToTheTargetsAction)
{
    auto target = make<Springy>();
    auto timer = Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
        0.668, target.get(), Selector("fireSpring"), Value("spring"), false);
    clock.advance(0.667);
    EXPECT_TRUE(target->fired.empty());
    clock.advance(0.001);
    ASSERT_EQ(target->fired.size(), 1u);
    EXPECT_EQ(target->fired[0], timer.get());
    EXPECT_EQ(target->info, Value("spring"));
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, RunLoopKeepsScheduledTimerAlive)
{
    int n = 0;
    Weak<Timer> weak;
    {
        auto timer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.1, false, [&](Timer*) { ++n; });
        weak = timer;
    }
    EXPECT_FALSE(weak.expired());
    clock.advance(0.1);
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(weak.expired()); // a fired one-shot leaves the loop
}

TEST_F(TimerTest, SetFireDateMovesTheTimer)
{
    int n = 0;
    auto timer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(10, false, [&](Timer*) { ++n; });
    timer->setFireDate(Clock::dateWithTimeIntervalSinceNow(0.25));
    EXPECT_NEAR(timer->fireDate().timeIntervalSinceDate(Clock::currentDate()), 0.25, 1e-6);
    clock.advance(0.25);
    EXPECT_EQ(n, 1);
}

// Which modes a timer was added for, which mode the loop sits in, and whether it fires there.
struct ModeCase {
    QStringList timerModes;
    RunLoopMode loopMode;
    bool fires;
};

class TimerModeTest : public TimerTest, public ::testing::WithParamInterface<ModeCase> { };

TEST_P(TimerModeTest, FiresOnlyInItsModes)
{
    const ModeCase& c = GetParam();
    int n = 0;
    auto timer = Timer::timerWithTimeIntervalRepeatsBlock(0.1, true, [&](Timer*) { ++n; });
    for (const auto& m : c.timerModes)
        RunLoop::main().addTimerForMode(timer, m);
    {
        RunLoop::ModeScope scope(c.loopMode);
        clock.advance(1.0);
        EXPECT_EQ(n, c.fires ? 10 : 0);
    }
    timer->invalidate();
}

INSTANTIATE_TEST_SUITE_P(Modes, TimerModeTest,
    ::testing::Values(ModeCase { { DefaultRunLoopMode }, DefaultRunLoopMode, true },
        ModeCase { { DefaultRunLoopMode }, EventTrackingRunLoopMode, false },
        ModeCase { { DefaultRunLoopMode }, ModalPanelRunLoopMode, false },
        ModeCase { { DefaultRunLoopMode, EventTrackingRunLoopMode }, EventTrackingRunLoopMode, true },
        ModeCase { { DefaultRunLoopMode, EventTrackingRunLoopMode }, ModalPanelRunLoopMode, false },
        ModeCase { { RunLoopCommonModes }, ModalPanelRunLoopMode, true },
        ModeCase { { RunLoopCommonModes }, EventTrackingRunLoopMode, true }));

TEST_F(TimerTest, ExcludedTimerFiresOnceLateThenKeepsItsRhythm)
{
    std::vector<double> times;
    const double start = Clock::currentNow();
    auto timer
        = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.1, true, [&](Timer*) { times.push_back(Clock::currentNow() - start); });
    {
        RunLoop::ModeScope tracking(EventTrackingRunLoopMode);
        clock.advance(1.05);
        EXPECT_TRUE(times.empty());
    }
    RunLoop::main().runPending();
    ASSERT_EQ(times.size(), 1u);
    EXPECT_NEAR(times[0], 1.05, 1e-6);
    // The next firing is on the timer's own grid, not a burst of the missed ones.
    clock.advance(0.05);
    ASSERT_EQ(times.size(), 2u);
    EXPECT_NEAR(times[1], 1.1, 1e-6);
    timer->invalidate();
}

TEST_F(TimerTest, ManualClockNeverLeaksRealTime)
{
    int n = 0;
    auto timer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.0001, true, [&](Timer*) { ++n; });
    const double before = Clock::currentNow();
    for (int i = 0; i < 20; ++i)
        RunLoop::main().runPending();
    EXPECT_EQ(n, 0);
    EXPECT_EQ(Clock::currentNow(), before);
    timer->invalidate();
}

} // namespace

KIT_REGISTER_CLASS(Springy, Object) { c.action("fireSpring", &Springy::fireSpring); }
