#pragma once

// Installs a ManualClock for the lifetime of a test and leaves the main run loop empty behind
// it. Tests advance time with advance(); nothing in a test waits on real time.

#include "kit/foundation/Clock.h"

#include <QByteArray>

#include <memory>

namespace kit::test {

class ManualClockScope {
public:
    // `epoch`: wall time in seconds since 1970 at which the clock starts (2001-01-01 by default).
    explicit ManualClockScope(double epoch = 978307200.0);
    ~ManualClockScope();
    ManualClockScope(const ManualClockScope&) = delete;
    ManualClockScope& operator=(const ManualClockScope&) = delete;

    ManualClock& clock() { return *clock_; }
    void advance(double seconds) { clock_->advance(seconds); }

private:
    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<Clock> previous_;
};

// Sets an environment variable (e.g. TZ) for the scope and restores it afterwards.
class EnvironmentScope {
public:
    EnvironmentScope(const char* name, const char* value);
    ~EnvironmentScope();
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace kit::test
