#include "kit/graphics/AffineTransform.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"
#include "kit/graphics/BezierPath.h"

#include <gtest/gtest.h>

namespace {

using kit::AffineTransform;
using kit::Point;

// A class with a transform-valued key, as a layer would have.
class Transformed : public kit::Object {
    KIT_CLASS(Transformed)
    AffineTransform transform() const { return transform_; }
    void setTransform(const AffineTransform& t) { transform_ = t; }

private:
    AffineTransform transform_;
};
KIT_REGISTER_CLASS(Transformed, kit::Object) { c.property("transform", &Transformed::transform, &Transformed::setTransform); }

void expectPoint(Point actual, Point expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

TEST(AffineTransform, OperationsPrepend)
{
    // scale, then translate: the translation acts on points first.
    AffineTransform t;
    t.scaleXByYBy(0.9, 1);
    t.translateXByYBy(0.5, -0.5);
    expectPoint(t.transformPoint({ 10, 20 }), { 0.9 * 10.5, 19.5 });

    // translate, then scale(1, −1): the mirror acts first.
    AffineTransform u;
    u.translateXByYBy(3, 50);
    u.scaleXByYBy(1, -1);
    expectPoint(u.transformPoint({ 1, 10 }), { 4, 40 });
}

TEST(AffineTransform, VerticalFlipOverBounds)
{
    const kit::Rect b = kit::MakeRect(5, 10, 20, 30);
    AffineTransform flip(kit::AffineTransformStruct { 1, 0, 0, -1, 0, b.minY() + b.height() });
    flip.translateXByYBy(0, -b.minY());
    for (double y : { 10.0, 25.0, 40.0 })
        expectPoint(flip.transformPoint({ 7, y }), { 7, 2 * b.minY() + b.height() - y });
}

TEST(AffineTransform, RotationsAccumulateAndInvert)
{
    AffineTransform t;
    t.rotateByDegrees(30);
    t.rotateByDegrees(60);
    expectPoint(t.transformPoint({ 1, 0 }), { 0, 1 });
    t.translateXByYBy(5, 0);
    AffineTransform inverse = t;
    inverse.invert();
    expectPoint(inverse.transformPoint(t.transformPoint({ 3, 4 })), { 3, 4 });

    AffineTransform a, b;
    a.translateXByYBy(10, 0);
    b.scaleBy(2);
    AffineTransform appended = a;
    appended.appendTransform(b); // a, then b
    expectPoint(appended.transformPoint({ 1, 1 }), { 22, 2 });
    AffineTransform prepended = a;
    prepended.prependTransform(b); // b, then a
    expectPoint(prepended.transformPoint({ 1, 1 }), { 12, 2 });
    const kit::Size s = appended.transformSize({ 3, 4 });
    EXPECT_EQ(s.width, 6);
    EXPECT_EQ(s.height, 8);
}

TEST(AffineTransform, TransformsPaths)
{
    AffineTransform t;
    t.translateXByYBy(10, 20);
    auto path = kit::BezierPath::bezierPathWithRect(kit::MakeRect(0, 0, 5, 5));
    auto moved = t.transformBezierPath(*path);
    EXPECT_EQ(moved->bounds(), kit::MakeRect(10, 20, 5, 5));
    EXPECT_EQ(path->bounds(), kit::MakeRect(0, 0, 5, 5));
}

TEST(CGAffineTransform, ScaleActsBeforeTheTransform)
{
    const auto t = kit::CGAffineTransform::makeTranslation(-10, 0).scale(2, 2);
    expectPoint(t.applyToPoint({ 1, 1 }), { -8, 2 });
    const auto u = kit::CGAffineTransform::makeScale(2, 2).translate(-10, 0);
    expectPoint(u.applyToPoint({ 11, 1 }), { 2, 2 });
}

} // namespace

namespace {

TEST(AffineTransformValue, HoldsTheRawElementsInOrder)
{
    AffineTransform t;
    t.translateXByYBy(5, 6);
    t.scaleXByYBy(2, 3);
    t.rotateByDegrees(30);
    const kit::Value v = kit::valueWithAffineTransform(t);
    const kit::AffineTransformStruct& s = t.transformStruct();
    EXPECT_EQ(v.affineTransformElements(), (kit::AffineTransformElements { s.m11, s.m12, s.m21, s.m22, s.tX, s.tY }));
    EXPECT_EQ(kit::affineTransformFromValue(v), t);
    EXPECT_EQ(kit::affineTransformFromValue(kit::Value(1.5)), AffineTransform());

    const kit::CGAffineTransform cg { 1, 2, 3, 4, 5, 6 };
    EXPECT_EQ(kit::valueWithCGAffineTransform(cg).affineTransformElements(), (kit::AffineTransformElements { 1, 2, 3, 4, 5, 6 }));
    EXPECT_EQ(kit::cgAffineTransformFromValue(kit::valueWithCGAffineTransform(cg)), cg);
}

TEST(AffineTransformValue, IsAKeyValueProperty)
{
    auto object = kit::make<Transformed>();
    object->setValueForKey(kit::Value::affineTransform({ 1, 0, 0, -1, 0, 20 }), QStringLiteral("transform"));
    expectPoint(object->transform().transformPoint({ 3, 4 }), { 3, 16 });
    EXPECT_EQ(
        object->valueForKey(QStringLiteral("transform")).affineTransformElements(), (kit::AffineTransformElements { 1, 0, 0, -1, 0, 20 }));
    EXPECT_THROW(object->setValueForKey(kit::Value(QStringLiteral("flip")), QStringLiteral("transform")), kit::Exception);
}

} // namespace
