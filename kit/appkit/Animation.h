#pragma once

// Time-based progress with a curve. A non-blocking animation steps on a run-loop timer in the
// common modes (so it runs inside tracking loops too); a blocking one runs its own loop until it
// ends. currentProgress is linear in time; currentValue applies the curve (or asks the delegate).
// ViewAnimation moves views and windows between frames; stopping jumps to the end frames.

#include "kit/core/Class.h"
#include "kit/core/Value.h"
#include "kit/foundation/Timer.h"

#include <QString>

#include <vector>

namespace kit {

class Animation;

enum AnimationCurve : int { AnimationEaseInOut = 0, AnimationEaseIn = 1, AnimationEaseOut = 2, AnimationLinear = 3 };
enum AnimationBlockingMode : int { AnimationBlocking = 0, AnimationNonblocking = 1, AnimationNonblockingThreaded = 2 };

// Optional operations, asked through respondsToSelector.
class AnimationDelegate {
public:
    virtual ~AnimationDelegate() = default;
    virtual bool animationShouldStart(Animation*) { return true; }
    virtual void animationDidStop(Animation*) { }
    virtual void animationDidEnd(Animation*) { }
    virtual double animationValueForProgress(Animation*, double progress) { return progress; }
};

class Animation : public Object {
    KIT_CLASS(Animation)

    Animation() = default;
    Animation(double duration, AnimationCurve curve);
    ~Animation() override;

    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }
    AnimationCurve animationCurve() const { return curve_; }
    void setAnimationCurve(AnimationCurve curve) { curve_ = curve; }
    // Threaded counts as non-blocking.
    AnimationBlockingMode animationBlockingMode() const { return blocking_; }
    void setAnimationBlockingMode(AnimationBlockingMode mode)
    {
        blocking_ = mode == AnimationBlocking ? AnimationBlocking : AnimationNonblocking;
    }
    double frameRate() const { return frameRate_; }
    void setFrameRate(double rate) { frameRate_ = rate > 0 ? rate : 60; }
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) { delegate_ = delegate; }

    double currentProgress() const { return progress_; }
    // May be set before the start: the animation then begins there.
    virtual void setCurrentProgress(double progress);
    double currentValue() const;
    bool isAnimating() const { return running_; }

    virtual void startAnimation();
    virtual void stopAnimation();

    // The curve's value at linear progress t.
    static double valueForCurve(AnimationCurve curve, double t);

protected:
    // The animation reached its end (progress 1): subclasses finish, then the delegate hears DidEnd.
    virtual void animationReachedEnd();

private:
    void step();
    AnimationDelegate* delegateFor(const char* operation) const;

    double duration_ = 1;
    AnimationCurve curve_ = AnimationEaseInOut;
    AnimationBlockingMode blocking_ = AnimationBlocking;
    double frameRate_ = 60;
    Weak<Object> delegate_;
    double progress_ = 0;
    double startTime_ = 0;
    bool running_ = false;
    Ref<Timer> timer_;
};

// Keys of a view animation's entries.
inline const QString ViewAnimationTargetKey = QStringLiteral("NSViewAnimationTargetKey");
inline const QString ViewAnimationStartFrameKey = QStringLiteral("NSViewAnimationStartFrameKey");
inline const QString ViewAnimationEndFrameKey = QStringLiteral("NSViewAnimationEndFrameKey");
inline const QString ViewAnimationEffectKey = QStringLiteral("NSViewAnimationEffectKey");
inline const QString ViewAnimationFadeInEffect = QStringLiteral("NSViewAnimationFadeInEffect");
inline const QString ViewAnimationFadeOutEffect = QStringLiteral("NSViewAnimationFadeOutEffect");

class ViewAnimation : public Animation {
    KIT_CLASS(ViewAnimation)

    ViewAnimation();
    explicit ViewAnimation(const std::vector<Dictionary>& viewAnimations);

    const std::vector<Dictionary>& viewAnimations() const { return entries_; }
    void setViewAnimations(const std::vector<Dictionary>& entries) { entries_ = entries; }
    // Kit addition: appends one entry.
    void addAnimationDictionary(const Dictionary& entry) { entries_.push_back(entry); }

    // kit::Animation:
    void setCurrentProgress(double progress) override;
    void startAnimation() override;
    // Jumps to the end frames first, then the delegate hears DidStop.
    void stopAnimation() override;

protected:
    void animationReachedEnd() override;

private:
    void applyFrames(double value);
    void applyEnd();

    std::vector<Dictionary> entries_;
    std::vector<Rect> starts_; // resolved at the start
};

} // namespace kit
