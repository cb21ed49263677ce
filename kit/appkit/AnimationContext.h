#pragma once

// Grouped implicit animation: inside runAnimationGroupCompletionHandler, changes made through a
// view's animator() run over the group's duration (0.25 s unless set), and the completion runs
// once every animation of the group has ended. A direct set on the view cancels its animation.
// A group that allows implicit animation also animates changes views make of their own accord
// (a clip view's scrollRectToVisible). Any other key of any object goes through the key-value
// animator: its class's defaultAnimationForKey says whether and how the key animates.

#include "kit/appkit/Animation.h"
#include "kit/appkit/CAAnimation.h"
#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QString>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace kit {

class View;
class Window;

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

// Cancel an animator's animation of `view`: a direct set wins. Sets made by the animation itself
// cancel nothing.
void CancelAnimatedFrame(const View* view);
void CancelAnimatedBoundsOrigin(const View* view);
// Where the running bounds-origin animation of `view` is heading, if one runs.
std::optional<Point> AnimatedBoundsOriginTarget(const View* view);

// Classes choose how keys set through an animator animate by deriving from this and overriding
// defaultAnimationForKey (calling the inherited answer for other keys). Null sets the key at once.
// The animation's key path is the setter run each frame (by default the key set through the
// animator); nil from and to values are the current value and the value set; a duration of 0
// takes the context's.
class AnimatablePropertyContainer {
public:
    virtual ~AnimatablePropertyContainer() = default;
    // "frame", "frameOrigin", "frameSize" and "alphaValue" animate, easing in and out; nothing else does.
    virtual Ref<BasicAnimation> defaultAnimationForKey(const QString& key) const;
};

// The animation `target`'s class gives `key`.
Ref<BasicAnimation> DefaultAnimationForKey(const Object& target, const QString& key);

// The one animator behind every animator(): sets keys of an object through their default
// animations, reading and writing values with the object's key-value coding (windows and views
// answer frame and alphaValue here). A direct set of the key stops its animation on the next frame,
// or at once through CancelAnimationForKey; a new animated set replaces the running animation.
class KeyValueAnimator {
public:
    explicit KeyValueAnimator(Object* target)
        : target_(target)
    { }
    void setValueForKey(const Value& value, const QString& key);

protected:
    Weak<Object> target_;
};

// What view->animator() answers: the same setters, animated. Frame and bounds-origin changes run
// in the current group; any other key goes through the view's default animation for it.
class ViewAnimator : public KeyValueAnimator {
public:
    explicit ViewAnimator(View* view);
    void setFrame(Rect frame);
    void setFrameOrigin(Point origin);
    void setFrameSize(Size size);
    // Calls the view's setBoundsOrigin each frame.
    void setBoundsOrigin(Point origin);

private:
    Weak<View> view_;
};

class WindowAnimator : public KeyValueAnimator {
public:
    explicit WindowAnimator(Window* window);
    void setFrame(Rect frame) { setValueForKey(Value(frame), QStringLiteral("frame")); }
    void setFrameOrigin(Point origin) { setValueForKey(Value(origin), QStringLiteral("frameOrigin")); }
    void setAlphaValue(double alpha) { setValueForKey(Value(alpha), QStringLiteral("alphaValue")); }
};

// Stops the animation running for `key` of `target`, where it stands.
void CancelAnimationForKey(const Object* target, const QString& key);
bool IsAnimatingKey(const Object* target, const QString& key);

} // namespace kit
