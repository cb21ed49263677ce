#pragma once

// Grouped implicit animation: inside runAnimationGroupCompletionHandler, changes made through a
// view's animator() run over the group's duration (0.25 s unless set), and the completion runs
// once every animation of the group has ended. A direct set on the view cancels its animation.
// A group that allows implicit animation also animates changes views make of their own accord
// (a clip view's scrollRectToVisible).

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <functional>
#include <memory>
#include <optional>

namespace kit {

class View;

class AnimationContext {
public:
    static AnimationContext& currentContext();
    static void runAnimationGroupCompletionHandler(const std::function<void(AnimationContext&)>& changes, std::function<void()> completion);
    static void beginGrouping();
    static void endGrouping();

    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }
    bool allowsImplicitAnimation() const { return allowsImplicit_; }
    void setAllowsImplicitAnimation(bool flag) { allowsImplicit_ = flag; }

    // Test-only: drops the stack of groups.
    static void resetForTesting();

    struct Group;

private:
    friend class ViewAnimator;
    double duration_ = 0.25;
    bool allowsImplicit_ = false;
    std::shared_ptr<Group> group_;
};

// What view->animator() answers: the same setters, animated.
class ViewAnimator {
public:
    explicit ViewAnimator(View* view)
        : view_(view)
    { }
    void setFrame(Rect frame);
    void setFrameOrigin(Point origin);
    void setFrameSize(Size size);
    // Calls the view's setBoundsOrigin each frame.
    void setBoundsOrigin(Point origin);

private:
    Weak<View> view_;
};

// Cancel an animator's animation of `view`: a direct set wins. Sets made by the animation itself
// cancel nothing.
void CancelAnimatedFrame(const View* view);
void CancelAnimatedBoundsOrigin(const View* view);
// Where the running bounds-origin animation of `view` is heading, if one runs.
std::optional<Point> AnimatedBoundsOriginTarget(const View* view);

} // namespace kit
