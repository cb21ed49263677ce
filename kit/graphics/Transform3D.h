#pragma once

// A 4 × 4 transform of 3-D space in doubles, with row vectors as QTransform: a point [x y z w]
// maps to p · M, Concat(a, b) = a · b applies a first, translation sits in m41–m43 and
// perspective in m14/m24/m34 (w' = x·m14 + y·m24 + z·m34 + w·m44, so m34 = −1/d puts the eye at
// distance d). Translate, Scale and Rotate put the new operation first, as CGAffineTransform does.

#include "kit/core/Value.h"
#include "kit/core/ValueTraits.h"
#include "kit/graphics/AffineTransform.h"

#include <QTransform>

#include <array>

namespace kit {

struct Transform3D {
    double m11 = 1, m12 = 0, m13 = 0, m14 = 0;
    double m21 = 0, m22 = 1, m23 = 0, m24 = 0;
    double m31 = 0, m32 = 0, m33 = 1, m34 = 0;
    double m41 = 0, m42 = 0, m43 = 0, m44 = 1;

    // Row r, column c, both 0-based.
    double at(int r, int c) const { return this->*element(r, c); }
    double& at(int r, int c) { return this->*element(r, c); }
    std::array<double, 16> elements() const;
    static Transform3D fromElements(const std::array<double, 16>& m);

    // What the plane z = 0 becomes: rows and columns 1, 2 and 4 (Qt's h13/h23 are the projective terms).
    QTransform planeHomography() const { return QTransform(m11, m12, m14, m21, m22, m24, m41, m42, m44); }

    friend bool operator==(const Transform3D&, const Transform3D&) = default;

private:
    static double Transform3D::*element(int r, int c)
    {
        static constexpr double Transform3D::*members[16] = { &Transform3D::m11, &Transform3D::m12, &Transform3D::m13, &Transform3D::m14,
            &Transform3D::m21, &Transform3D::m22, &Transform3D::m23, &Transform3D::m24, &Transform3D::m31, &Transform3D::m32,
            &Transform3D::m33, &Transform3D::m34, &Transform3D::m41, &Transform3D::m42, &Transform3D::m43, &Transform3D::m44 };
        return members[r * 4 + c];
    }
};

inline constexpr Transform3D Transform3DIdentity {};

Transform3D Transform3DMakeTranslation(double tx, double ty, double tz);
Transform3D Transform3DMakeScale(double sx, double sy, double sz);
// Radians about the axis (normalised; right-hand rule). A zero axis gives the identity.
Transform3D Transform3DMakeRotation(double angle, double x, double y, double z);
Transform3D Transform3DTranslate(const Transform3D& t, double tx, double ty, double tz);
Transform3D Transform3DScale(const Transform3D& t, double sx, double sy, double sz);
Transform3D Transform3DRotate(const Transform3D& t, double angle, double x, double y, double z);
// a, then b.
Transform3D Transform3DConcat(const Transform3D& a, const Transform3D& b);
bool Transform3DIsIdentity(const Transform3D& t);
// A singular matrix comes back unchanged; Transform3DIsInvertible tells them apart.
Transform3D Transform3DInvert(const Transform3D& t);
bool Transform3DIsInvertible(const Transform3D& t);
double Transform3DDeterminant(const Transform3D& t);
// No depth and no perspective: only m11 m12 m21 m22 m41 m42 differ from the identity.
bool Transform3DIsAffine(const Transform3D& t);
CGAffineTransform Transform3DGetAffineTransform(const Transform3D& t);
Transform3D Transform3DMakeAffineTransform(const CGAffineTransform& t);

struct Point3D {
    double x = 0, y = 0, z = 0, w = 1;
};
Point3D Transform3DApply(const Transform3D& t, Point3D p);

// The parts an animation interpolates: p · M = p · Scale · Skew · Rotation · Translation · Perspective.
struct DecomposedTransform3D {
    std::array<double, 3> scale { 1, 1, 1 };
    std::array<double, 3> skew { 0, 0, 0 }; // xy, xz, yz
    std::array<double, 4> quaternion { 0, 0, 0, 1 }; // x y z w
    std::array<double, 3> translation { 0, 0, 0 };
    std::array<double, 4> perspective { 0, 0, 0, 1 };
};
// False for a matrix without a decomposition (singular, or m44 = 0).
bool Transform3DDecompose(const Transform3D& t, DecomposedTransform3D* parts);
Transform3D Transform3DRecompose(const DecomposedTransform3D& parts);
// t = 0 answers a, t = 1 answers b; the rotation takes the shorter arc. Matrices that do not
// decompose mix element by element.
Transform3D Transform3DInterpolate(const Transform3D& a, const Transform3D& b, double t);

Value valueWithTransform3D(const Transform3D& t);
// A value of another kind reads as the identity.
Transform3D transform3DFromValue(const Value& v);

template <> struct ValueTraits<Transform3D> {
    static constexpr bool scalar = true;
    static Value toValue(const Transform3D& t) { return valueWithTransform3D(t); }
    static Transform3D fromValue(const Value& v)
    {
        if (v.kind() != Value::Kind::Transform3D)
            detail::raiseWrongKind(v, "Transform3D");
        return transform3DFromValue(v);
    }
};

} // namespace kit
