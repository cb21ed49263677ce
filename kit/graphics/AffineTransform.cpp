#include "kit/graphics/AffineTransform.h"

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"

#include <cmath>
#include <numbers>

namespace kit {

namespace {

AffineTransformStruct toStruct(const QTransform& t) { return { t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy() }; }

} // namespace

AffineTransform AffineTransform::fromQTransform(const QTransform& t) { return AffineTransform(toStruct(t)); }

// QTransform uses row vectors: p · A · B applies A first, so "before" is multiplication on the left.
void AffineTransform::translateXByYBy(double dx, double dy) { s_ = toStruct(QTransform::fromTranslate(dx, dy) * toQTransform()); }

void AffineTransform::scaleXByYBy(double sx, double sy) { s_ = toStruct(QTransform::fromScale(sx, sy) * toQTransform()); }

void AffineTransform::rotateByDegrees(double degrees) { rotateByRadians(degrees * std::numbers::pi / 180.0); }

void AffineTransform::rotateByRadians(double radians)
{
    const double c = std::cos(radians), s = std::sin(radians);
    s_ = toStruct(QTransform(c, s, -s, c, 0, 0) * toQTransform());
}

void AffineTransform::appendTransform(const AffineTransform& t) { s_ = toStruct(toQTransform() * t.toQTransform()); }

void AffineTransform::prependTransform(const AffineTransform& t) { s_ = toStruct(t.toQTransform() * toQTransform()); }

void AffineTransform::invert()
{
    bool ok = false;
    const QTransform inv = toQTransform().inverted(&ok);
    if (ok)
        s_ = toStruct(inv);
}

Point AffineTransform::transformPoint(Point p) const
{
    return { s_.m11 * p.x + s_.m21 * p.y + s_.tX, s_.m12 * p.x + s_.m22 * p.y + s_.tY };
}

Size AffineTransform::transformSize(Size z) const { return { s_.m11 * z.width + s_.m21 * z.height, s_.m12 * z.width + s_.m22 * z.height }; }

Ref<BezierPath> AffineTransform::transformBezierPath(const BezierPath& path) const
{
    auto copy = static_pointer_cast<BezierPath>(path.copy());
    copy->transformUsingAffineTransform(*this);
    return copy;
}

void AffineTransform::concat() const
{
    if (auto* c = GraphicsContext::currentContext())
        c->concatCTM(*this);
}

void AffineTransform::set() const
{
    if (auto* c = GraphicsContext::currentContext())
        c->setCTM(*this);
}

CGAffineTransform CGAffineTransform::concat(const CGAffineTransform& t2) const
{
    const QTransform r = toQTransform() * t2.toQTransform();
    return { r.m11(), r.m12(), r.m21(), r.m22(), r.dx(), r.dy() };
}

CGAffineTransform CGAffineTransform::scale(double sx, double sy) const { return makeScale(sx, sy).concat(*this); }

CGAffineTransform CGAffineTransform::translate(double dx, double dy) const { return makeTranslation(dx, dy).concat(*this); }

CGAffineTransform CGAffineTransform::rotate(double radians) const
{
    const double c = std::cos(radians), s = std::sin(radians);
    return CGAffineTransform { c, s, -s, c, 0, 0 }.concat(*this);
}

Value valueWithAffineTransform(const AffineTransform& t)
{
    const AffineTransformStruct& s = t.transformStruct();
    return Value::affineTransform({ s.m11, s.m12, s.m21, s.m22, s.tX, s.tY });
}

AffineTransform affineTransformFromValue(const Value& v)
{
    const AffineTransformElements m = v.affineTransformElements();
    return AffineTransform({ m[0], m[1], m[2], m[3], m[4], m[5] });
}

Value valueWithCGAffineTransform(const CGAffineTransform& t) { return Value::affineTransform({ t.a, t.b, t.c, t.d, t.tx, t.ty }); }

CGAffineTransform cgAffineTransformFromValue(const Value& v)
{
    const AffineTransformElements m = v.affineTransformElements();
    return { m[0], m[1], m[2], m[3], m[4], m[5] };
}

} // namespace kit
