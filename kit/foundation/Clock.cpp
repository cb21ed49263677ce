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
{ }

double ManualClock::now() const
{
    std::lock_guard lock(mutex_);
    return epoch_ + elapsed_;
}

double ManualClock::monotonic() const
{
    std::lock_guard lock(mutex_);
    return monotonicBase + elapsed_;
}

double ManualClock::uptime() const
{
    std::lock_guard lock(mutex_);
    return uptimeBase + elapsed_;
}

bool ManualClock::sleepFor(double seconds, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    const double deadline = elapsed_ + (seconds > 0 ? seconds : 0);
    ++sleepers_;
    changed_.notify_all();
    const bool done = changed_.wait(lock, stop, [&] { return elapsed_ >= deadline; });
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
    epoch_ = epoch - elapsed_;
}

void ManualClock::setElapsed(double elapsed)
{
    {
        std::lock_guard lock(mutex_);
        if (elapsed <= elapsed_)
            return;
        elapsed_ = elapsed;
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
        // Sums of binary fractions drift; a fire date a hair past the target still counts.
        if (!next || *next > target + 1e-9)
            break;
        setElapsed(*next - monotonicBase);
        loop.runDue();
    }
    setElapsed(target - monotonicBase);
    loop.runDue();
}

} // namespace kit
