#include "kit/appkit/CAAnimation.h"

#include "kit/graphics/Color.h"
#include "kit/graphics/Transform3D.h"

#include <algorithm>
#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(MediaTimingFunction, Object) { }

KIT_REGISTER_CLASS(CAAnimation, Object)
{
    c.property("duration", &CAAnimation::duration, &CAAnimation::setDuration);
    c.property("autoreverses", &CAAnimation::autoreverses, &CAAnimation::setAutoreverses);
    c.property("repeatCount", &CAAnimation::repeatCount, &CAAnimation::setRepeatCount);
    c.property("removedOnCompletion", &CAAnimation::isRemovedOnCompletion, &CAAnimation::setRemovedOnCompletion);
    c.copyable();
}

KIT_REGISTER_CLASS(BasicAnimation, CAAnimation)
{
    c.property("keyPath", &BasicAnimation::keyPath, &BasicAnimation::setKeyPath);
    c.property("fromValue", &BasicAnimation::fromValue, &BasicAnimation::setFromValue);
    c.property("toValue", &BasicAnimation::toValue, &BasicAnimation::setToValue);
    c.copyable();
}

KIT_REGISTER_CLASS(Transition, CAAnimation)
{
    c.property("type", &Transition::type, &Transition::setType);
    c.property("subtype", &Transition::subtype, &Transition::setSubtype);
    c.copyable();
}

// Timing functions --------------------------------------------------------------------------------

Ref<MediaTimingFunction> MediaTimingFunction::functionWithName(const QString& name)
{
    if (name == MediaTimingFunctionEaseIn)
        return functionWithControlPoints(0.42, 0, 1, 1);
    if (name == MediaTimingFunctionEaseOut)
        return functionWithControlPoints(0, 0, 0.58, 1);
    if (name == MediaTimingFunctionEaseInEaseOut)
        return functionWithControlPoints(0.42, 0, 0.58, 1);
    if (name == MediaTimingFunctionDefault)
        return functionWithControlPoints(0.25, 0.1, 0.25, 1);
    return functionWithControlPoints(0, 0, 1, 1);
}

Ref<MediaTimingFunction> MediaTimingFunction::functionWithControlPoints(double x1, double y1, double x2, double y2)
{
    auto f = make<MediaTimingFunction>();
    // x must stay monotonic for the curve to be a function of time.
    f->x1_ = std::clamp(x1, 0.0, 1.0);
    f->y1_ = y1;
    f->x2_ = std::clamp(x2, 0.0, 1.0);
    f->y2_ = y2;
    return f;
}

Point MediaTimingFunction::controlPointAtIndex(int index) const
{
    switch (index) {
    case 1:
        return MakePoint(x1_, y1_);
    case 2:
        return MakePoint(x2_, y2_);
    case 3:
        return MakePoint(1, 1);
    default:
        return MakePoint(0, 0);
    }
}

double MediaTimingFunction::valueAt(double t) const
{
    t = std::clamp(t, 0.0, 1.0);
    if (x1_ == y1_ && x2_ == y2_)
        return t; // a straight line
    auto bezier = [](double p1, double p2, double s) {
        const double u = 1 - s;
        return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
    };
    auto slope = [](double p1, double p2, double s) {
        const double u = 1 - s;
        return 3 * u * u * p1 + 6 * u * s * (p2 - p1) + 3 * s * s * (1 - p2);
    };
    constexpr double precision = 1e-7;
    // Newton first; bisection when the slope flattens or it wanders off.
    double s = t;
    bool solved = false;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(x1_, x2_, s) - t;
        if (std::abs(error) < precision) {
            solved = true;
            break;
        }
        const double d = slope(x1_, x2_, s);
        if (std::abs(d) < 1e-6)
            break;
        s -= error / d;
        if (s < 0 || s > 1)
            break;
    }
    if (!solved) {
        double lo = 0, hi = 1;
        s = t;
        for (int i = 0; i < 100; ++i) {
            const double x = bezier(x1_, x2_, s);
            if (std::abs(x - t) < precision)
                break;
            (x < t ? lo : hi) = s;
            s = (lo + hi) / 2;
        }
    }
    return bezier(y1_, y2_, s);
}

// Animations --------------------------------------------------------------------------------------

double CAAnimation::activeDuration(double pass) const
{
    if (repeatCount_ == RepeatForever)
        return RepeatForever;
    return std::max(repeatCount_, 1.0) * pass * (autoreverses_ ? 2 : 1);
}

double CAAnimation::fractionAt(double elapsed, double pass) const
{
    double t = 1;
    if (elapsed >= activeDuration(pass) || pass <= 0) {
        t = autoreverses_ ? 0 : 1;
    } else {
        // Half passes of one direction each; odd ones run back.
        const double u = std::max(0.0, elapsed) / pass;
        const double whole = std::floor(u);
        t = u - whole;
        if (autoreverses_ && std::fmod(whole, 2) == 1)
            t = 1 - t;
    }
    return timingFunction_ ? timingFunction_->valueAt(t) : t;
}

void CAAnimation::runActionForKeyObjectArguments(const QString& key, Object* object, const Dictionary&)
{
    if (auto* target = dynamic_cast<AnimationTarget*>(object))
        target->addAnimationForKey(this, key);
}

void CAAnimation::copyTo(Object& copy) const
{
    Object::copyTo(copy);
    auto& other = static_cast<CAAnimation&>(copy);
    other.duration_ = duration_;
    other.timingFunction_ = timingFunction_;
    other.autoreverses_ = autoreverses_;
    other.repeatCount_ = repeatCount_;
    other.removedOnCompletion_ = removedOnCompletion_;
}

Ref<BasicAnimation> BasicAnimation::animationWithKeyPath(const QString& keyPath)
{
    auto animation = make<BasicAnimation>();
    animation->setKeyPath(keyPath);
    return animation;
}

void BasicAnimation::copyTo(Object& copy) const
{
    CAAnimation::copyTo(copy);
    auto& other = static_cast<BasicAnimation&>(copy);
    other.keyPath_ = keyPath_;
    other.from_ = from_;
    other.to_ = to_;
}

void Transition::copyTo(Object& copy) const
{
    CAAnimation::copyTo(copy);
    auto& other = static_cast<Transition&>(copy);
    other.type_ = type_;
    other.subtype_ = subtype_;
}

// Interpolation -----------------------------------------------------------------------------------

namespace caanimation {

double lerp(double a, double b, double t) { return a + (b - a) * t; }

Rect mixRects(Rect a, Rect b, double t)
{
    return MakeRect(lerp(a.minX(), b.minX(), t), lerp(a.minY(), b.minY(), t), lerp(a.width(), b.width(), t), lerp(a.height(), b.height(), t));
}

} // namespace caanimation

Value InterpolateValues(const Value& a, const Value& b, double t)
{
    using caanimation::lerp;
    if (t >= 1)
        return b;
    // Flags switch at the end.
    if (a.kind() == ValueKind::Bool || b.kind() == ValueKind::Bool)
        return a;
    if (a.isNumber() && b.isNumber())
        return Value(lerp(a.doubleValue(), b.doubleValue(), t));
    if (a.kind() != b.kind())
        return a;
    switch (a.kind()) {
    case ValueKind::Point:
        return Value(MakePoint(lerp(a.pointValue().x, b.pointValue().x, t), lerp(a.pointValue().y, b.pointValue().y, t)));
    case ValueKind::Size:
        return Value(Size { lerp(a.sizeValue().width, b.sizeValue().width, t), lerp(a.sizeValue().height, b.sizeValue().height, t) });
    case ValueKind::Rect:
        return Value(caanimation::mixRects(a.rectValue(), b.rectValue(), t));
    case ValueKind::Array: {
        // Element by element while the counts match (a gradient's colours and locations).
        const Array& from = a.array();
        const Array& to = b.array();
        if (from.count() != to.count())
            return a;
        Array mixed;
        for (std::int64_t i = 0; i < from.count(); ++i)
            mixed.addObject(InterpolateValues(from[i], to[i], t));
        return Value(mixed);
    }
    case ValueKind::Transform3D:
        return valueWithTransform3D(Transform3DInterpolate(transform3DFromValue(a), transform3DFromValue(b), t));
    case ValueKind::Object: {
        const Ref<Color> ca = a.objectAs<Color>(), cb = b.objectAs<Color>();
        if (!ca || !cb)
            return a;
        double r0, g0, b0, a0, r1, g1, b1, a1;
        ca->getRedGreenBlueAlpha(&r0, &g0, &b0, &a0);
        cb->getRedGreenBlueAlpha(&r1, &g1, &b1, &a1);
        return Value(Color::colorWithDeviceRedGreenBlueAlpha(lerp(r0, r1, t), lerp(g0, g1, t), lerp(b0, b1, t), lerp(a0, a1, t)));
    }
    default:
        return a;
    }
}

} // namespace kit
