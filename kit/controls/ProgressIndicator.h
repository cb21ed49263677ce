#pragma once

// A progress indicator: a bar (determinate, or an indeterminate moving segment) or a small
// spinning wheel. Animation is a main-thread kit timer in the common modes, so it keeps turning
// during menus and drags; a stopped spinner that is not displayed when stopped draws nothing.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"
#include "kit/controls/ControlTypes.h"
#include "kit/core/Class.h"

namespace kit {

class Timer;

enum ProgressIndicatorStyle : int { ProgressIndicatorBarStyle = 0, ProgressIndicatorSpinningStyle = 1 };

class ProgressIndicator : public View, public Accessibility {
    KIT_CLASS(ProgressIndicator)
public:
    explicit ProgressIndicator(Rect frame = {});
    ~ProgressIndicator() override;

    ProgressIndicatorStyle style() const { return style_; }
    void setStyle(ProgressIndicatorStyle style);
    bool isIndeterminate() const { return indeterminate_; }
    void setIndeterminate(bool flag);
    double minValue() const { return min_; }
    void setMinValue(double value);
    double maxValue() const { return max_; }
    void setMaxValue(double value);
    // Stored as given; drawn clamped to the range.
    double doubleValue() const { return value_; }
    void setDoubleValue(double value);
    void incrementBy(double delta) { setDoubleValue(value_ + delta); }
    ControlSize controlSize() const { return controlSize_; }
    void setControlSize(ControlSize size) { controlSize_ = size; }
    bool isDisplayedWhenStopped() const { return displayedWhenStopped_; }
    void setDisplayedWhenStopped(bool flag);
    // Stored only: the animation always runs on the main thread.
    bool usesThreadedAnimation() const { return threaded_; }
    void setUsesThreadedAnimation(bool flag) { threaded_ = flag; }
    // Idempotent. Virtual: the "animate" binding and performs by name reach a subclass's own.
    virtual void startAnimation(Object* sender = nullptr);
    virtual void stopAnimation(Object* sender = nullptr);
    bool isAnimating() const { return timer_ != nullptr; }
    // The "animate" binding: starts or stops.
    void setAnimate(bool flag) { flag ? startAnimation() : stopAnimation(); }
    // Steps of the animation so far (the spinner's angle, the bar segment's offset).
    int animationPhase() const { return phase_; }
    // The size a small spinner takes.
    void sizeToFit();

    // kit::View:
    bool isFlipped() const override { return true; }
    void drawRect(Rect dirtyRect) override;

    // kit::Accessibility: a determinate bar is a progress indicator with its value and range;
    // an indeterminate bar or a spinner a busy indicator without one.
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;

private:
    void tick();
    ProgressIndicatorStyle style_ = ProgressIndicatorBarStyle;
    bool indeterminate_ = true;
    double min_ = 0;
    double max_ = 100;
    double value_ = 0;
    ControlSize controlSize_ = RegularControlSize;
    bool displayedWhenStopped_ = true;
    bool threaded_ = true;
    int phase_ = 0;
    Ref<Timer> timer_;
};

} // namespace kit
