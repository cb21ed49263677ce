#include "kit/foundation/Clock.h"

#include "kit/foundation/RunLoop.h"

namespace kit {

namespace {

// Manual monotonic and uptime values sit clearly apart from wall time, so a test that mixes them
// up fails.
constexpr double monotonicBase = 1000.0;
constexpr double uptimeBase = 100.0;
// Repeating timers add their interval again and again, and split advances add up differently
// from one long one: a deadline a hair past the target still counts as reached.
constexpr double dueTolerance = 1e-9;

} // namespace

ManualClock::ManualClock(double epoch)
    : epoch_(epoch)
    , monotonic_(monotonicBase)
{ }

double ManualClock::now() const
{
    std::lock_guard lock(mutex_);
    return epoch_ + (monotonic_ - monotonicBase);
}

double ManualClock::monotonic() const
{
    std::lock_guard lock(mutex_);
    return monotonic_;
}

double ManualClock::uptime() const
{
    std::lock_guard lock(mutex_);
    return uptimeBase + (monotonic_ - monotonicBase);
}

bool ManualClock::sleepFor(double seconds, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    const double deadline = monotonic_ + (seconds > 0 ? seconds : 0);
    ++sleepers_;
    changed_.notify_all();
    const bool done = changed_.wait(lock, stop, [&] { return monotonic_ + dueTolerance >= deadline; });
    --sleepers_;
    return done;
}

int ManualClock::sleeperCount() const
{
    std::lock_guard lock(mutex_);
    return sleepers_;
}

void ManualClock::setEpoch(double epoch)
{
    std::lock_guard lock(mutex_);
    epoch_ = epoch - (monotonic_ - monotonicBase);
}

void ManualClock::moveTo(double monotonic)
{
    {
        std::lock_guard lock(mutex_);
        if (monotonic <= monotonic_)
            return;
        monotonic_ = monotonic;
    }
    changed_.notify_all();
}

void ManualClock::advance(double seconds)
{
    RunLoop& loop = RunLoop::main();
    const double target = monotonic() + (seconds > 0 ? seconds : 0);
    // Fire in date order, each at its own time: a 1/30 s timer fires 30 times in one second.
    for (;;) {
        auto next = loop.nextEligibleFireTime();
        if (!next || *next > target + dueTolerance)
            break;
        moveTo(*next);
        loop.runDue();
    }
    moveTo(target);
    loop.runDue();
}

} // namespace kit
