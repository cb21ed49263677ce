#pragma once

// The one frame clock of animations: a 60 Hz common-modes timer on the kit clock that exists only
// while something animates. Each tick runs the registered steps in phase order: the key-value
// animator's setters, the layer transaction's commit, retiring finished layer animations, then
// redrawing the views that show running ones. A step answers whether it still has work; the timer
// stops when none has. Main thread only.

#include "kit/core/Object.h"

#include <array>
#include <functional>

namespace kit {

class Clock;
class Timer;

class FrameDriver {
public:
    enum Phase { KeyValueAnimator = 0, Commit = 1, Retire = 2, Invalidate = 3 };
    static constexpr double FrameInterval = 1.0 / 60;

    static FrameDriver& shared();

    // One step per phase; a later registration replaces the earlier one.
    void setStep(Phase phase, std::function<bool()> step);
    // Starts the timer when it is not running.
    void wake();
    bool isRunning() const;
    // One frame now (the timer calls this).
    void tick();

private:
    FrameDriver() = default;
    std::array<std::function<bool()>, 4> steps_;
    Ref<Timer> timer_;
    const Clock* clock_ = nullptr; // the clock the timer runs on
    bool ticking_ = false;
};

} // namespace kit
