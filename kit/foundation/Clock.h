#pragma once

// The manual clock of the tests; the clock interface and the real clock are in kit/core.

#include "kit/core/Clock.h"
#include "kit/foundation/Date.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>

namespace kit {

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
