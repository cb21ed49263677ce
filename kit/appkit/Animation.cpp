#include "kit/appkit/Animation.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kit {

namespace {
// A blocking animation waits in a mode of its own: nothing else runs meanwhile.
const QString blockingMode = QStringLiteral("NSAnimationBlockingRunLoopMode");
} // namespace

Animation::Animation(double duration, AnimationCurve curve)
    : duration_(duration)
    , curve_(curve)
{ }

Animation::~Animation()
{
    if (timer_)
        timer_->invalidate();
}

double Animation::valueForCurve(AnimationCurve curve, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    switch (curve) {
    case AnimationEaseInOut:
        return (1 - std::cos(std::numbers::pi * t)) / 2;
    case AnimationEaseIn:
        return 1 - std::cos(std::numbers::pi * t / 2);
    case AnimationEaseOut:
        return std::sin(std::numbers::pi * t / 2);
    default:
        return t;
    }
}

AnimationDelegate* Animation::delegateFor(const char* operation) const
{
    const Ref<Object> d = delegate_.lock();
    if (!d || !d->respondsToSelector(Selector(operation)))
        return nullptr;
    return dynamic_cast<AnimationDelegate*>(d.get());
}

void Animation::setCurrentProgress(double progress) { progress_ = std::clamp(progress, 0.0, 1.0); }

double Animation::currentValue() const
{
    if (AnimationDelegate* d = delegateFor("animationValueForProgress"))
        return d->animationValueForProgress(const_cast<Animation*>(this), progress_);
    return valueForCurve(curve_, progress_);
}

void Animation::startAnimation()
{
    if (running_)
        return;
    if (AnimationDelegate* d = delegateFor("animationShouldStart"); d && !d->animationShouldStart(this))
        return;
    const Ref<Animation> keep(this);
    if (progress_ >= 1)
        progress_ = 0;
    running_ = true;
    // Linear in time from wherever the progress stands now.
    startTime_ = Application::now() - progress_ * duration_;
    const double interval = 1 / frameRate_;
    if (blocking_ == AnimationNonblocking) {
        timer_ = Timer::timerWithTimeIntervalRepeatsBlock(interval, true, [self = Weak<Animation>(this)](Timer*) {
            if (const Ref<Animation> a = self.lock())
                a->step();
        });
        RunLoop::main().addTimerForMode(timer_, RunLoopCommonModes);
        return;
    }
    const Ref<Application> app = Application::sharedApplication();
    while (running_) {
        const double next = Application::now() + interval;
        app->nextEventMatchingMaskUntilDateInModeDequeue(0, next, blockingMode, false);
        if (Application::now() < next)
            break; // nothing can move the clock: give up rather than spin
        step();
    }
}

void Animation::step()
{
    if (!running_)
        return;
    const double t = duration_ > 0 ? (Application::now() - startTime_) / duration_ : 1;
    const Ref<Animation> keep(this);
    setCurrentProgress(std::min(t, 1.0));
    if (t >= 1 && running_) {
        running_ = false;
        if (timer_) {
            timer_->invalidate();
            timer_ = nullptr;
        }
        animationReachedEnd();
    }
}

void Animation::animationReachedEnd()
{
    if (AnimationDelegate* d = delegateFor("animationDidEnd"))
        d->animationDidEnd(this);
}

void Animation::stopAnimation()
{
    if (!running_)
        return;
    running_ = false;
    if (timer_) {
        timer_->invalidate();
        timer_ = nullptr;
    }
    if (AnimationDelegate* d = delegateFor("animationDidStop"))
        d->animationDidStop(this);
}

KIT_REGISTER_CLASS(Animation, Object) { }

// ViewAnimation ----------------------------------------------------------------------------------

ViewAnimation::ViewAnimation()
    : Animation(0.5, AnimationEaseInOut)
{
    setAnimationBlockingMode(AnimationNonblocking);
}

ViewAnimation::ViewAnimation(const std::vector<Dictionary>& viewAnimations)
    : ViewAnimation()
{
    entries_ = viewAnimations;
}

namespace {

Rect currentFrameOf(const Ref<Object>& target)
{
    if (auto v = dynamic_pointer_cast<View>(target))
        return v->frame();
    if (auto w = dynamic_pointer_cast<Window>(target))
        return w->frame();
    return ZeroRect;
}

void setFrameOf(const Ref<Object>& target, Rect frame)
{
    if (auto v = dynamic_pointer_cast<View>(target))
        v->setFrame(frame);
    else if (auto w = dynamic_pointer_cast<Window>(target))
        w->setFrameDisplay(frame, true);
}

} // namespace

void ViewAnimation::startAnimation()
{
    if (isAnimating())
        return;
    // Start frames default to where the targets are now; fading in shows the view first.
    starts_.clear();
    for (const Dictionary& e : entries_) {
        const Ref<Object> target = e.objectForKey(ViewAnimationTargetKey).object();
        const Value start = e.objectForKey(ViewAnimationStartFrameKey);
        starts_.push_back(start.isNil() ? currentFrameOf(target) : start.rectValue());
        if (e.objectForKey(ViewAnimationEffectKey).isEqual(Value(ViewAnimationFadeInEffect))) {
            if (auto v = dynamic_pointer_cast<View>(target))
                v->setHidden(false);
            // A window fading in comes to the front transparent.
            if (auto w = dynamic_pointer_cast<Window>(target)) {
                w->setAlphaValue(0);
                w->orderFront();
            }
        }
    }
    Animation::startAnimation();
}

void ViewAnimation::setCurrentProgress(double progress)
{
    Animation::setCurrentProgress(progress);
    if (isAnimating())
        applyFrames(currentValue());
}

void ViewAnimation::applyFrames(double value)
{
    for (std::size_t i = 0; i < entries_.size() && i < starts_.size(); ++i) {
        const Dictionary& e = entries_[i];
        const Ref<Object> target = e.objectForKey(ViewAnimationTargetKey).object();
        if (auto w = dynamic_pointer_cast<Window>(target)) {
            const Value effect = e.objectForKey(ViewAnimationEffectKey);
            if (effect.isEqual(Value(ViewAnimationFadeInEffect)))
                w->setAlphaValue(value);
            else if (effect.isEqual(Value(ViewAnimationFadeOutEffect)))
                w->setAlphaValue(1 - value);
        }
        const Value end = e.objectForKey(ViewAnimationEndFrameKey);
        if (end.isNil())
            continue;
        setFrameOf(target, InterpolateRect(starts_[i], end.rectValue(), value));
    }
}

void ViewAnimation::applyEnd()
{
    for (const Dictionary& e : entries_) {
        const Ref<Object> target = e.objectForKey(ViewAnimationTargetKey).object();
        const Value end = e.objectForKey(ViewAnimationEndFrameKey);
        if (!end.isNil())
            setFrameOf(target, end.rectValue());
        const Value effect = e.objectForKey(ViewAnimationEffectKey);
        if (auto w = dynamic_pointer_cast<Window>(target)) {
            if (effect.isEqual(Value(ViewAnimationFadeInEffect)))
                w->setAlphaValue(1);
            else if (effect.isEqual(Value(ViewAnimationFadeOutEffect))) {
                // Out of the screen list once transparent; it stays transparent for the next fade in.
                w->setAlphaValue(0);
                w->orderOut();
            }
        } else if (effect.isEqual(Value(ViewAnimationFadeOutEffect))) {
            if (auto v = dynamic_pointer_cast<View>(target))
                v->setHidden(true);
        }
    }
}

void ViewAnimation::animationReachedEnd()
{
    applyEnd();
    Animation::animationReachedEnd();
}

void ViewAnimation::stopAnimation()
{
    if (!isAnimating())
        return;
    applyEnd();
    Animation::stopAnimation();
}

KIT_REGISTER_CLASS(ViewAnimation, Animation) { }

} // namespace kit
