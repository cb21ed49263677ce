#include "kit/foundation/Clock.h"

#include "kit/foundation/RunLoop.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace kit {

namespace {

class RealClock final : public Clock {
public:
    double now() const override { return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count(); }

    double monotonic() const override { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

    double uptime() const override
    {
        timespec ts {};
        clock_gettime(CLOCK_BOOTTIME, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }

    bool sleepFor(double seconds, std::stop_token stop) override
    {
        std::mutex m;
        std::condition_variable_any cv;
        std::unique_lock lock(m);
        auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds > 0 ? seconds : 0);
        return !cv.wait_until(lock, stop, until, [] { return false; });
    }
};

std::shared_ptr<Clock>& realClock()
{
    static std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
    return clock;
}

// The installed clock. Readers on any thread take a plain pointer; install() keeps the owner.
std::atomic<Clock*> installed { nullptr };
std::shared_ptr<Clock>& installedOwner()
{
    static std::shared_ptr<Clock> owner;
    return owner;
}

// Manual monotonic and uptime values sit clearly apart from wall time, so a test that mixes them
// up fails.
constexpr double monotonicBase = 1000.0;
constexpr double uptimeBase = 100.0;
// Repeating timers add their interval again and again, and split advances add up differently
// from one long one: a deadline a hair past the target still counts as reached.
constexpr double dueTolerance = 1e-9;

} // namespace

Clock& Clock::current()
{
    if (Clock* c = installed.load(std::memory_order_acquire))
        return *c;
    return *realClock();
}

std::shared_ptr<Clock> Clock::install(std::shared_ptr<Clock> clock)
{
    auto previous = installedOwner();
    installedOwner() = clock;
    installed.store(clock.get(), std::memory_order_release);
    // Deadlines of the run loop were measured on the old clock.
    RunLoop::main().clockChanged();
    return previous ? previous : realClock();
}

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
