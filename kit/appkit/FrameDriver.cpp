#include "kit/appkit/FrameDriver.h"

#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"

namespace kit {

FrameDriver& FrameDriver::shared()
{
    static FrameDriver driver;
    return driver;
}

void FrameDriver::setStep(Phase phase, std::function<bool()> step) { steps_[std::size_t(phase)] = std::move(step); }

void FrameDriver::wake()
{
    KIT_ASSERT(isMainThread(), "Animations run on the main thread only");
    // A timer armed against another clock (a test installed its own) would fire on that one's time.
    if (timer_ && timer_->isValid() && clock_ == &Clock::current())
        return;
    if (timer_)
        std::exchange(timer_, nullptr)->invalidate();
    clock_ = &Clock::current();
    timer_ = Timer::timerWithTimeIntervalRepeatsBlock(FrameInterval, true, [](Timer*) { FrameDriver::shared().tick(); });
    RunLoop::main().addTimerForMode(timer_, RunLoopCommonModes);
}

bool FrameDriver::isRunning() const { return timer_ && timer_->isValid(); }

void FrameDriver::tick()
{
    if (ticking_)
        return;
    ticking_ = true;
    bool busy = false;
    try {
        for (const auto& step : steps_)
            if (step && step())
                busy = true;
    } catch (...) {
        ticking_ = false;
        throw;
    }
    ticking_ = false;
    if (!busy && timer_)
        std::exchange(timer_, nullptr)->invalidate();
}

} // namespace kit
