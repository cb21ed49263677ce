#pragma once

// Animations on the kit clock, shared by layers and the key-value animator. kit::CAAnimation keeps
// the "CA" of its platform name (kit::Animation is the platform's NSAnimation): duration, timing
// function, reversing and repeating, and the action protocol through which a layer runs it.
// kit::BasicAnimation runs one key path from a value to a value; kit::Transition shows a layer's
// change by moving or blending its old and new looks.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QString>

#include <limits>

namespace kit {

class CAAnimation;

inline const QString MediaTimingFunctionLinear = QStringLiteral("linear");
inline const QString MediaTimingFunctionEaseIn = QStringLiteral("easeIn");
inline const QString MediaTimingFunctionEaseOut = QStringLiteral("easeOut");
inline const QString MediaTimingFunctionEaseInEaseOut = QStringLiteral("easeInEaseOut");
inline const QString MediaTimingFunctionDefault = QStringLiteral("default");

// A cubic Bézier from (0, 0) to (1, 1) through two control points, solved for x to 1e-7.
class MediaTimingFunction : public Object {
    KIT_CLASS(MediaTimingFunction)

    // An unknown name answers the linear function.
    static Ref<MediaTimingFunction> functionWithName(const QString& name);
    static Ref<MediaTimingFunction> functionWithControlPoints(double x1, double y1, double x2, double y2);

    // Control point 1 or 2 (0 and 3 are the ends).
    Point controlPointAtIndex(int index) const;
    // The eased fraction at the time fraction t in [0, 1].
    double valueAt(double t) const;

private:
    double x1_ = 0, y1_ = 0, x2_ = 1, y2_ = 1;
};

// Something run in answer to a change of a key of an object (a layer runs the action its delegate,
// its actions dictionary or its class gives).
class Action {
public:
    virtual ~Action() = default;
    virtual void runActionForKeyObjectArguments(const QString& key, Object* object, const Dictionary& arguments) = 0;
};

// What an animation can be added to (kit::Layer).
class AnimationTarget {
public:
    virtual ~AnimationTarget() = default;
    virtual void addAnimationForKey(CAAnimation* animation, const QString& key) = 0;
};

class CAAnimation : public Object, public Action {
    KIT_CLASS(CAAnimation)

    static constexpr double RepeatForever = std::numeric_limits<double>::infinity();
    static Ref<CAAnimation> animation() { return make<CAAnimation>(); }

    // Of one pass; 0 takes the transaction's (or the animator group's).
    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }
    // Null runs linearly.
    Ref<MediaTimingFunction> timingFunction() const { return timingFunction_; }
    void setTimingFunction(const Ref<MediaTimingFunction>& function) { timingFunction_ = function; }
    bool autoreverses() const { return autoreverses_; }
    void setAutoreverses(bool flag) { autoreverses_ = flag; }
    // Passes of duration (there and back with autoreverse); 0 means one. RepeatForever runs until
    // removed.
    double repeatCount() const { return repeatCount_; }
    void setRepeatCount(double count) { repeatCount_ = count; }
    bool isRemovedOnCompletion() const { return removedOnCompletion_; }
    void setRemovedOnCompletion(bool flag) { removedOnCompletion_ = flag; }

    // Seconds from start to end for `pass` seconds a pass; infinite when repeating forever.
    double activeDuration(double pass) const;
    // The eased fraction `elapsed` seconds after the start, `pass` seconds a pass; 1 (or 0 with
    // autoreverse) once the active duration is over.
    double fractionAt(double elapsed, double pass) const;

    // kit::Action: adds a copy to the object when it takes animations.
    void runActionForKeyObjectArguments(const QString& key, Object* object, const Dictionary& arguments) override;
    // kit::Object:
    void copyTo(Object& copy) const override;

private:
    double duration_ = 0;
    Ref<MediaTimingFunction> timingFunction_;
    bool autoreverses_ = false;
    double repeatCount_ = 0;
    bool removedOnCompletion_ = true;
};

// One key path, from fromValue to toValue. For a layer, a nil fromValue starts at the presentation
// value and a nil toValue ends at the model value; for the key-value animator, at the key's current
// value and the value set.
class BasicAnimation : public CAAnimation {
    KIT_CLASS(BasicAnimation)

    static Ref<BasicAnimation> animation() { return make<BasicAnimation>(); }
    static Ref<BasicAnimation> animationWithKeyPath(const QString& keyPath);

    QString keyPath() const { return keyPath_; }
    void setKeyPath(const QString& keyPath) { keyPath_ = keyPath; }
    Value fromValue() const { return from_; }
    void setFromValue(const Value& value) { from_ = value; }
    Value toValue() const { return to_; }
    void setToValue(const Value& value) { to_ = value; }

    // kit::Object:
    void copyTo(Object& copy) const override;

private:
    QString keyPath_;
    Value from_;
    Value to_;
};

inline const QString TransitionFade = QStringLiteral("fade");
inline const QString TransitionMoveIn = QStringLiteral("moveIn");
inline const QString TransitionPush = QStringLiteral("push");
inline const QString TransitionReveal = QStringLiteral("reveal");

// The side a moving transition's motion starts from.
inline const QString TransitionFromLeft = QStringLiteral("fromLeft");
inline const QString TransitionFromRight = QStringLiteral("fromRight");
inline const QString TransitionFromTop = QStringLiteral("fromTop");
inline const QString TransitionFromBottom = QStringLiteral("fromBottom");

// Shows a change of a layer: its old look gives way to the new one inside its bounds, blended (fade),
// the new sliding in over the old (moveIn), the old sliding away from over the new (reveal), or
// both moving together (push). Add it before changing the layer, or give it as the action of the
// key that changes. Run when a layer joins a tree, any transition fades the layer in.
class Transition : public CAAnimation {
    KIT_CLASS(Transition)

    static Ref<Transition> animation() { return make<Transition>(); }
    QString type() const { return type_; }
    void setType(const QString& type) { type_ = type; }
    QString subtype() const { return subtype_; }
    void setSubtype(const QString& subtype) { subtype_ = subtype; }

    // kit::Object:
    void copyTo(Object& copy) const override;

private:
    QString type_ = TransitionFade;
    QString subtype_;
};

// The value at fraction t from a to b: numbers, points, sizes, rectangles, colours (kit::Color),
// 3-D transforms and arrays of equal counts (element by element) mix; anything else holds a until
// the end.
Value InterpolateValues(const Value& a, const Value& b, double t);

} // namespace kit
