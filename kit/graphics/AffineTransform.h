#pragma once

// Affine transforms of user space. kit::AffineTransform has the platform's prepend semantics:
// translate, scale and rotate apply to points *before* what the transform already does.
// kit::CGAffineTransform is the plain value of the graphics layer, with its own composition order.

#include "kit/core/Geometry.h"
#include "kit/core/Value.h"
#include "kit/core/ValueTraits.h"

#include <QTransform>

namespace kit {

class BezierPath;
template <class T> class Ref;

// x' = m11·x + m21·y + tX;  y' = m12·x + m22·y + tY.
struct AffineTransformStruct {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, tX = 0, tY = 0;
    friend bool operator==(const AffineTransformStruct&, const AffineTransformStruct&) = default;
};

class AffineTransform {
public:
    AffineTransform() = default;
    explicit AffineTransform(const AffineTransformStruct& s)
        : s_(s)
    { }
    static AffineTransform transform() { return {}; }
    static AffineTransform fromQTransform(const QTransform& t);

    // Prepend: the new operation acts on points first.
    void translateXByYBy(double dx, double dy);
    void scaleBy(double s) { scaleXByYBy(s, s); }
    void scaleXByYBy(double sx, double sy);
    void rotateByDegrees(double degrees);
    void rotateByRadians(double radians);

    // append: `t` acts after this one; prepend: before.
    void appendTransform(const AffineTransform& t);
    void prependTransform(const AffineTransform& t);
    // Leaves a singular transform unchanged.
    void invert();

    Point transformPoint(Point p) const;
    // Sizes are vectors: the translation does not apply.
    Size transformSize(Size s) const;
    Ref<BezierPath> transformBezierPath(const BezierPath& path) const;

    void setTransformStruct(const AffineTransformStruct& s) { s_ = s; }
    const AffineTransformStruct& transformStruct() const { return s_; }

    // Applies this transform to the current context's CTM, before what the CTM already does.
    void concat() const;
    // Replaces the current context's CTM.
    void set() const;

    QTransform toQTransform() const { return QTransform(s_.m11, s_.m12, s_.m21, s_.m22, s_.tX, s_.tY); }
    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;

private:
    AffineTransformStruct s_;
};

// The graphics layer's transform: same matrix layout (a b c d tx ty = m11 m12 m21 m22 tX tY).
struct CGAffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static constexpr CGAffineTransform identity() { return {}; }
    static constexpr CGAffineTransform makeTranslation(double tx, double ty) { return { 1, 0, 0, 1, tx, ty }; }
    static constexpr CGAffineTransform makeScale(double sx, double sy) { return { sx, 0, 0, sy, 0, 0 }; }
    // Like the platform, scale/translate/rotate return t' = op · t: the new operation acts first.
    CGAffineTransform scale(double sx, double sy) const;
    CGAffineTransform translate(double dx, double dy) const;
    CGAffineTransform rotate(double radians) const;
    // concat(t2): this, then t2.
    CGAffineTransform concat(const CGAffineTransform& t2) const;
    Point applyToPoint(Point p) const { return { a * p.x + c * p.y + tx, b * p.x + d * p.y + ty }; }

    QTransform toQTransform() const { return QTransform(a, b, c, d, tx, ty); }
    friend bool operator==(const CGAffineTransform&, const CGAffineTransform&) = default;
};

// The dynamic value of a transform holds its raw elements m11 m12 m21 m22 tX tY (key-value coding,
// archives). A value of another kind reads as the identity.
Value valueWithAffineTransform(const AffineTransform& t);
AffineTransform affineTransformFromValue(const Value& v);
Value valueWithCGAffineTransform(const CGAffineTransform& t);
CGAffineTransform cgAffineTransformFromValue(const Value& v);

// Transforms as key-value properties and action arguments.
template <> struct ValueTraits<AffineTransform> {
    static constexpr bool scalar = true;
    static Value toValue(const AffineTransform& t) { return valueWithAffineTransform(t); }
    static AffineTransform fromValue(const Value& v)
    {
        if (v.kind() != Value::Kind::AffineTransform)
            detail::raiseWrongKind(v, "AffineTransform");
        return affineTransformFromValue(v);
    }
};

} // namespace kit
