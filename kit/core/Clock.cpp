#include "kit/core/Clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>

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

// Constant-initialised, so a hook set while the libraries load is never overwritten.
std::atomic<Clock::InstallHook> installHook { nullptr };

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
    if (InstallHook hook = installHook.load(std::memory_order_acquire))
        hook();
    return previous ? previous : realClock();
}

void Clock::setInstallHook(InstallHook hook) { installHook.store(hook, std::memory_order_release); }

} // namespace kit
