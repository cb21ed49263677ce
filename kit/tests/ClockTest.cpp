#include "kit/foundation/Clock.h"

#include "kit/foundation/Date.h"
#include "kit/foundation/Timer.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace kit;

namespace {

TEST(ClockTest, ManualClockStartsAtItsEpochAndMovesOnlyWhenAdvanced)
{
    test::ManualClockScope scope(1000.0);
    EXPECT_EQ(Clock::currentNow(), 1000.0);
    const double mono = Clock::currentMonotonic();
    scope.advance(2.5);
    EXPECT_EQ(Clock::currentNow(), 1002.5);
    EXPECT_EQ(Clock::currentMonotonic() - mono, 2.5);
    scope.clock().setEpoch(5000.0);
    EXPECT_EQ(Clock::currentNow(), 5000.0);
    EXPECT_EQ(Clock::currentMonotonic() - mono, 2.5);
}

TEST(ClockTest, SleeperWakesWhenAdvancePassesItsDeadline)
{
    test::ManualClockScope scope;
    std::atomic<int> result { -1 };
    std::thread worker([&] { result = Clock::current().sleepFor(1.0) ? 1 : 0; });
    while (scope.clock().sleeperCount() == 0)
        std::this_thread::yield();
    scope.advance(0.5);
    EXPECT_EQ(result.load(), -1);
    scope.advance(0.5);
    worker.join();
    EXPECT_EQ(result.load(), 1);
}

TEST(ClockTest, StopRequestWakesASleeperEarly)
{
    test::ManualClockScope scope;
    std::atomic<int> result { -1 };
    std::jthread worker([&](std::stop_token stop) { result = Clock::current().sleepFor(100.0, stop) ? 1 : 0; });
    while (scope.clock().sleeperCount() == 0)
        std::this_thread::yield();
    worker.request_stop();
    worker.join();
    EXPECT_EQ(result.load(), 0);
}

// An advance by exactly a sleeper's or a timer's interval reaches its deadline, whatever time the
// clock already shows and however that time was reached.
struct ExactDeadlineCase {
    double before; // advanced first
    double interval;
};

class ClockDeadlineTest : public ::testing::TestWithParam<ExactDeadlineCase> { };

TEST_P(ClockDeadlineTest, AnAdvanceOfTheIntervalWakesTheSleeper)
{
    test::ManualClockScope scope;
    scope.advance(GetParam().before);
    std::atomic<int> result { -1 };
    std::thread worker([&] { result = Clock::current().sleepFor(GetParam().interval) ? 1 : 0; });
    while (scope.clock().sleeperCount() == 0)
        std::this_thread::yield();
    scope.advance(GetParam().interval);
    worker.join();
    EXPECT_EQ(result.load(), 1);
}

TEST_P(ClockDeadlineTest, AnAdvanceOfTheIntervalFiresTheTimer)
{
    test::ManualClockScope scope;
    scope.advance(GetParam().before);
    int fired = 0;
    auto timer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(GetParam().interval, false, [&](Timer*) { ++fired; });
    scope.advance(GetParam().interval);
    EXPECT_EQ(fired, 1);
}

TEST_P(ClockDeadlineTest, TwoHalfAdvancesWakeTheSleeper)
{
    test::ManualClockScope scope;
    scope.advance(GetParam().before);
    std::atomic<int> result { -1 };
    std::thread worker([&] { result = Clock::current().sleepFor(GetParam().interval) ? 1 : 0; });
    while (scope.clock().sleeperCount() == 0)
        std::this_thread::yield();
    scope.advance(GetParam().interval / 2);
    EXPECT_EQ(result.load(), -1);
    scope.advance(GetParam().interval / 2);
    worker.join();
    EXPECT_EQ(result.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Intervals, ClockDeadlineTest,
    ::testing::Values(ExactDeadlineCase { 0, 0.05 }, ExactDeadlineCase { 0.1, 0.05 }, ExactDeadlineCase { 0.3, 0.1 },
        ExactDeadlineCase { 12.34, 0.05 }, ExactDeadlineCase { 1.7, 1.0 / 30 }));

TEST(DateTest, ReferenceDateAndIntervals)
{
    test::ManualClockScope scope(978307200.0 + 60);
    EXPECT_EQ(Clock::currentDate().timeIntervalSinceReferenceDate(), 60.0);
    EXPECT_EQ(Date(0).description(), "2001-01-01 00:00:00 +0000");
    EXPECT_EQ(Clock::dateWithTimeIntervalSinceNow(5).timeIntervalSinceDate(Clock::currentDate()), 5.0);
}

struct StampCase {
    const char* tz;
    double since1970;
    const char* format;
    const char* expected;
};

class CalendarFormatTest : public ::testing::TestWithParam<StampCase> { };

TEST_P(CalendarFormatTest, FormatsInTheLocalZone)
{
    const StampCase& c = GetParam();
    test::EnvironmentScope tz("TZ", c.tz);
    EXPECT_EQ(CalendarDate::fromDate(Date::dateWithTimeIntervalSince1970(c.since1970)).descriptionWithCalendarFormat(c.format), c.expected);
}

// 1700000000.042 = 2023-11-14 22:13:20.042 UTC.
INSTANTIATE_TEST_SUITE_P(Zones, CalendarFormatTest,
    ::testing::Values(StampCase { "UTC", 1700000000.042, "%Y%m%d%H%M%S%z%F", "20231114221320+0000042" },
        StampCase { "Europe/Berlin", 1700000000.042, "%Y%m%d%H%M%S%z%F", "20231114231320+0100042" },
        StampCase { "America/New_York", 1700000000.5, "%Y-%m-%d %H:%M:%S.%F %z", "2023-11-14 17:13:20.500 -0500" },
        StampCase { "Asia/Kolkata", 1700000000.0, "%z %j %e %%", "+0530 319 15 %" }));

// A clock set by hand that the run loop treats as it treats the system's: it arms Qt timers on it.
class HandSetClock final : public Clock {
public:
    explicit HandSetClock(double monotonic)
        : monotonic_(monotonic)
    { }
    double now() const override { return 978307200.0; }
    double monotonic() const override { return monotonic_; }
    double uptime() const override { return monotonic_; }
    bool sleepFor(double, std::stop_token) override { return true; }

private:
    double monotonic_;
};

// Deadlines are measured on the installed clock: a timer set on a manual clock (which never arms a
// Qt timer) is due once a clock past its fire date is installed, and fires on the next Qt turns
// without anyone driving the run loop.
TEST(ClockTest, InstallingAClockReArmsTheRunLoopOnIt)
{
    const std::shared_ptr<Clock> previous = Clock::install(std::make_shared<ManualClock>());
    const auto restore = qScopeGuard([&] { Clock::install(previous); });
    int fired = 0;
    const Ref<Timer> timer = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(5.0, false, [&](Timer*) { ++fired; });
    const auto stop = qScopeGuard([&] { timer->invalidate(); });
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, 0);

    const double pastFireDate = Clock::currentMonotonic() + 10.0;
    Clock::install(std::make_shared<HandSetClock>(pastFireDate));
    for (int turn = 0; turn < 3 && fired == 0; ++turn)
        QCoreApplication::processEvents();
    EXPECT_EQ(fired, 1);
}

TEST(CalendarDateTest, MidnightInADaylightSavingGapMovesForward)
{
    // That zone skipped from 00:00 to 01:00 on 2018-11-04.
    test::EnvironmentScope tz("TZ", "America/Sao_Paulo");
    const CalendarDate d = CalendarDate::dateWithYearMonthDay(2018, 11, 4);
    EXPECT_EQ(d.dayOfMonth(), 4);
    EXPECT_EQ(d.monthOfYear(), 11);
    EXPECT_EQ(d.yearOfCommonEra(), 2018);
    EXPECT_EQ(d.hourOfDay(), 1);
    const CalendarDate ordinary = CalendarDate::dateWithYearMonthDay(2018, 11, 5);
    EXPECT_EQ(ordinary.hourOfDay(), 0);
    EXPECT_EQ(ordinary.date().timeIntervalSinceDate(d.date()), 23 * 3600.0);
}

TEST(CalendarDateTest, FileStampsInOneMillisecondDiffer)
{
    test::ManualClockScope scope;
    EXPECT_NE(timeStampForFileOperation(), timeStampForFileOperation());
}

} // namespace
