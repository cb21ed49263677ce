#pragma once

// A small spinning progress indicator that can be coloured: in indeterminate mode a ring of fins
// whose brightness turns, in determinate mode a pie that fills clockwise from the top. It spins
// from a repeating timer in the common run-loop modes (so it keeps turning during mouse
// tracking), or from a thread of its own, and only while it is in a window.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h" // View.h alone leaves Ref<Window> incomplete
#include "kit/core/Class.h"
#include "kit/foundation/Thread.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Color.h"

#include <atomic>
#include <cstdint>
#include <memory>

class KSSpinningProgressIndicator : public kit::View, public kit::Accessibility {
    KIT_CLASS(KSSpinningProgressIndicator)

    // The one style there is.
    static constexpr int SpinningStyle = 1;

    KSSpinningProgressIndicator();
    explicit KSSpinningProgressIndicator(kit::Rect frame);
    // Stops the timer or cancels and joins the thread.
    ~KSSpinningProgressIndicator() override;

    // The sender is ignored.
    void startAnimation(kit::Object* sender = nullptr);
    void stopAnimation(kit::Object* sender = nullptr);
    // Any style but the spinning one raises.
    void setStyle(int style);

    // The same object again changes nothing.
    kit::Ref<kit::Color> color() const { return foreColor_; }
    void setColor(const kit::Ref<kit::Color>& colour);
    kit::Ref<kit::Color> backgroundColor() const { return backColor_; }
    void setBackgroundColor(const kit::Ref<kit::Color>& colour);
    bool drawsBackground() const { return drawBackground_; }
    void setDrawsBackground(bool flag);
    bool isIndeterminate() const { return isIndeterminate_; }
    void setIndeterminate(bool flag);
    double doubleValue() const { return currentValue_; }
    // Switches to determinate mode first.
    void setDoubleValue(double value);
    double maxValue() const { return maxValue_; }
    void setMaxValue(double value);
    bool usesThreadedAnimation() const { return usesThreadedAnimation_; }
    void setUsesThreadedAnimation(bool flag);
    bool displayWhenStopped() const { return displayWhenStopped_; }
    void setDisplayedWhenStopped(bool flag);

    bool isAnimating() const { return isAnimating_; }
    // Index of the brightest fin.
    std::int64_t position() const { return state_->position.load(std::memory_order_relaxed); }
    std::int64_t numberOfFins() const { return state_->numFins; }
    // A mechanism runs now: a valid timer or a live thread.
    bool isSpinning() const { return (animationTimer_ && animationTimer_->isValid()) || animationThread_; }

    // One frame: the brightest fin steps back by one.
    void updateFrame(kit::Timer* timer);

    // kit::View:
    void viewDidMoveToWindow() override;
    void drawRect(kit::Rect dirtyRect) override;

    // kit::Accessibility: a busy indicator while indeterminate, else a progress indicator with its
    // value from 0 to the maximum.
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;

private:
    // What the animation thread shares with the view; the thread never touches the view itself.
    struct SharedState {
        std::atomic<std::int64_t> position { 0 };
        const std::int64_t numFins = 12;
        std::int64_t step();
    };

    void actuallyStartAnimation();
    void actuallyStopAnimation();

    std::shared_ptr<SharedState> state_ = std::make_shared<SharedState>();
    bool isAnimating_ = false;
    kit::Ref<kit::Timer> animationTimer_;
    kit::Ref<kit::Thread> animationThread_;
    kit::Ref<kit::Color> foreColor_ = kit::Color::blackColor();
    kit::Ref<kit::Color> backColor_;
    bool drawBackground_ = false;
    bool displayWhenStopped_ = true;
    bool isIndeterminate_ = true;
    double currentValue_ = 0;
    double maxValue_ = 100.0;
    bool usesThreadedAnimation_ = false;
};
