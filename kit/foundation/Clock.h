#pragma once

// All time in the kit comes from here. The real clock reads the system; tests install a
// ManualClock and advance it, which fires due timers and performs one by one at their own fire
// times and wakes worker threads sleeping on the clock, so nothing in a test waits on real time.

#include "kit/foundation/Date.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
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
};

// A clock that moves only when told. advance() steps through every timer and perform of the
// main run loop that falls due on the way, setting the time to each fire date before firing.
class ManualClock final : public Clock {
public:
    // `epoch` is the wall time (seconds since 1970) the clock starts at.
    explicit ManualClock(double epoch = 978307200.0);

    double now() const override;
    double monotonic() const override;
    double uptime() const override;
    bool isManual() const override { return true; }
    bool sleepFor(double seconds, std::stop_token stop = {}) override;

    // Moves the clock forward by `seconds`, firing what falls due in the run loop's current mode.
    void advance(double seconds);
    // Moves wall time without touching the monotonic clock (a user changing the system clock).
    void setEpoch(double epoch);
    // Workers currently blocked in sleepFor; lets a test wait until a thread went to sleep.
    int sleeperCount() const;

private:
    void moveTo(double monotonic);

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    // Time is kept as the monotonic reading itself: deadlines (sleepers, timers) and advance()
    // targets are all "reading + interval" on the same value, so equal intervals meet exactly.
    double epoch_;
    double monotonic_;
    int sleepers_ = 0;
};

} // namespace kit
