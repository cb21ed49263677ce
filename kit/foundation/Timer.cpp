#include "kit/foundation/Timer.h"

#include "kit/foundation/Clock.h"

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(Timer, Object)
{
    c.noFactory();
    c.property("isValid", &Timer::isValid);
    c.property("timeInterval", &Timer::timeInterval);
    c.property("userInfo", &Timer::userInfo);
    c.action("fire", &Timer::fire);
    c.action("invalidate", &Timer::invalidate);
}

namespace {
// The shortest interval a timer keeps; zero or negative intervals would spin.
constexpr double minimumInterval = 0.0001;
} // namespace

Timer::Timer(double interval, bool repeats)
    : interval_(std::max(interval, minimumInterval))
    , repeats_(repeats)
    , fireTime_(Clock::current().monotonic() + interval_)
{ }

Timer::~Timer() = default;

Ref<Timer> Timer::timerWithTimeIntervalRepeatsBlock(double interval, bool repeats, Block block)
{
    auto timer = make<Timer>(interval, repeats);
    timer->call_ = [block = std::move(block)](Object*, Timer* self) { block(self); };
    return timer;
}

Ref<Timer> Timer::scheduledTimerWithTimeIntervalRepeatsBlock(double interval, bool repeats, Block block)
{
    auto timer = timerWithTimeIntervalRepeatsBlock(interval, repeats, std::move(block));
    RunLoop::main().addTimerForMode(timer, DefaultRunLoopMode);
    return timer;
}

Ref<Timer> Timer::timerWithTimeIntervalTargetSelectorUserInfoRepeats(
    double interval, Object* target, Selector selector, Value userInfo, bool repeats)
{
    auto timer = make<Timer>(interval, repeats);
    timer->target_ = target;
    timer->hasTarget_ = true;
    timer->userInfo_ = std::move(userInfo);
    timer->call_ = [selector](Object* t, Timer* self) { t->performSelectorWithObject(selector, Value(self)); };
    return timer;
}

Ref<Timer> Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
    double interval, Object* target, Selector selector, Value userInfo, bool repeats)
{
    auto timer = timerWithTimeIntervalTargetSelectorUserInfoRepeats(interval, target, selector, std::move(userInfo), repeats);
    RunLoop::main().addTimerForMode(timer, DefaultRunLoopMode);
    return timer;
}

void Timer::fire()
{
    if (!valid_)
        return;
    Ref<Timer> self(this);
    fireFromLoop();
    if (!repeats_)
        invalidate();
}

void Timer::fireFromLoop()
{
    if (!valid_)
        return;
    Ref<Object> target;
    if (hasTarget_) {
        target = target_.lock();
        if (!target) {
            invalidate();
            return;
        }
    }
    Ref<Timer> self(this);
    // A copy: the callback may invalidate the timer, which drops call_.
    auto call = call_;
    if (!repeats_)
        valid_ = false;
    if (call)
        call(target.get(), this);
    if (!repeats_) {
        call_ = nullptr;
        userInfo_ = Value();
    }
}

void Timer::invalidate()
{
    Ref<Timer> self(this); // the loop's reference may be the last one
    valid_ = false;
    RunLoop::main().removeTimer(this);
    // Drop what the callback captured, so a timer kept by its owner holds nothing alive.
    call_ = nullptr;
    userInfo_ = Value();
}

Date Timer::fireDate() const
{
    Clock& clock = Clock::current();
    return Date::dateWithTimeIntervalSince1970(clock.now() + (fireTime_ - clock.monotonic()));
}

void Timer::setFireDate(Date date)
{
    Clock& clock = Clock::current();
    fireTime_ = clock.monotonic() + (date.timeIntervalSince1970() - clock.now());
    RunLoop::main().rescheduleTimer(this);
}

} // namespace kit
