#pragma once

// All time in the kit comes from here. The real clock reads the system; tests install a
// ManualClock (kit/foundation/Clock.h) and advance it, which fires due timers and performs one by
// one at their own fire times and wakes worker threads sleeping on the clock, so nothing in a test
// waits on real time.

#include "kit/core/Date.h"

#include <memory>
#include <stop_token>

namespace kit {

class Clock {
public:
    virtual ~Clock() = default;

    // Wall time in seconds since 1970-01-01 UTC.
    virtual double now() const = 0;
    // Seconds on a clock that never goes back; the run loop schedules on it.
    virtual double monotonic() const = 0;
    // Seconds since the machine started.
    virtual double uptime() const = 0;
    virtual bool isManual() const { return false; }

    // Blocks a worker until `seconds` have passed on this clock or `stop` is requested.
    // Answers whether the full time passed.
    virtual bool sleepFor(double seconds, std::stop_token stop = {}) = 0;

    // The installed clock: the real one unless a test installed another.
    static Clock& current();
    static double currentNow() { return current().now(); }
    static double currentMonotonic() { return current().monotonic(); }
    static double currentUptime() { return current().uptime(); }
    // Now as a date, and a date `seconds` from now.
    static Date currentDate() { return Date::dateWithTimeIntervalSince1970(currentNow()); }
    static Date dateWithTimeIntervalSinceNow(double seconds) { return currentDate().dateByAddingTimeInterval(seconds); }

    // Installs `clock` (nullptr = the real clock again) and answers the previous one. Main
    // thread, and not while a worker sleeps on the clock being replaced.
    static std::shared_ptr<Clock> install(std::shared_ptr<Clock> clock);

    // Called by install() once the new clock is in place. The main run loop (kit/foundation) sets
    // it when it loads, to measure its deadlines again on the new clock.
    using InstallHook = void (*)();
    static void setInstallHook(InstallHook hook);
};

} // namespace kit
