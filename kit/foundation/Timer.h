#pragma once

// A timer on the main run loop. It fires in the modes it was added for, holds its target weakly
// (a gone target invalidates it), and a late repeating timer fires once and then moves on to its
// next multiple of the interval instead of bursting.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Selector.h"
#include "kit/core/Value.h"
#include "kit/foundation/Date.h"
#include "kit/foundation/RunLoop.h"

#include <functional>
#include <type_traits>

namespace kit {

class Timer : public Object {
    KIT_CLASS(Timer)

    using UserInfo = Value;
    using Block = std::function<void(Timer*)>;

    // A timer not yet in a run loop: add it with RunLoop::addTimerForMode.
    static Ref<Timer> timerWithTimeIntervalRepeatsBlock(double interval, bool repeats, Block block);
    // A timer already in the main loop's default mode.
    static Ref<Timer> scheduledTimerWithTimeIntervalRepeatsBlock(double interval, bool repeats, Block block);

    // The target's action `selector` runs with the timer as argument while the target lives.
    static Ref<Timer> timerWithTimeIntervalTargetSelectorUserInfoRepeats(
        double interval, Object* target, Selector selector, Value userInfo, bool repeats);
    static Ref<Timer> scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
        double interval, Object* target, Selector selector, Value userInfo, bool repeats);

    // The same with a member function: (target.*selector)(timer).
    template <class T, class S, std::enable_if_t<std::is_member_function_pointer_v<S>, int> = 0>
    static Ref<Timer> timerWithTimeIntervalTargetSelectorUserInfoRepeats(
        double interval, T* target, S selector, UserInfo userInfo, bool repeats)
    {
        static_assert(std::is_base_of_v<Object, T>);
        auto timer = make<Timer>(interval, repeats);
        timer->target_ = static_cast<Object*>(target);
        timer->hasTarget_ = true;
        timer->userInfo_ = std::move(userInfo);
        timer->call_ = [selector](Object* t, Timer* self) { std::invoke(selector, *static_cast<T*>(t), self); };
        return timer;
    }
    template <class T, class S, std::enable_if_t<std::is_member_function_pointer_v<S>, int> = 0>
    static Ref<Timer> scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
        double interval, T* target, S selector, UserInfo userInfo, bool repeats)
    {
        auto timer = timerWithTimeIntervalTargetSelectorUserInfoRepeats(interval, target, selector, std::move(userInfo), repeats);
        RunLoop::main().addTimerForMode(timer, DefaultRunLoopMode);
        return timer;
    }

    Timer(double interval, bool repeats);
    ~Timer() override;

    // Fires now; a one-shot timer is invalid afterwards. A repeating timer keeps its schedule.
    void fire();
    // Stops the timer for good; idempotent, allowed inside its own callback.
    void invalidate();
    bool isValid() const { return valid_; }
    double timeInterval() const { return interval_; }
    Date fireDate() const;
    void setFireDate(Date date);
    const UserInfo& userInfo() const { return userInfo_; }

private:
    friend class RunLoop;

    // Called by the run loop when the fire time came.
    void fireFromLoop();

    double interval_;
    bool repeats_;
    bool valid_ = true;
    bool hasTarget_ = false;
    double fireTime_; // monotonic
    Weak<Object> target_;
    std::function<void(Object*, Timer*)> call_;
    UserInfo userInfo_;
};

} // namespace kit
