#include "kit/graphics/Transform3D.h"

#include "kit/core/Class.h"
#include "kit/core/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace transform3_d_test {

using namespace kit;

constexpr double pi = std::numbers::pi;

void expectNear(const Transform3D& a, const Transform3D& b, double tolerance = 1e-9)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(a.at(r, c), b.at(r, c), tolerance) << "m" << r + 1 << c + 1;
}

Point3D projected(const Transform3D& t, double x, double y, double z = 0)
{
    Point3D p = Transform3DApply(t, { x, y, z, 1 });
    return { p.x / p.w, p.y / p.w, p.z / p.w, 1 };
}

TEST(Transform3D, RotationFollowsTheRightHandRule)
{
    // +π/2 about y turns the x axis into −z; about z it turns x into y.
    const Point3D p = Transform3DApply(Transform3DMakeRotation(pi / 2, 0, 1, 0), { 1, 0, 0, 1 });
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 0, 1e-12);
    EXPECT_NEAR(p.z, -1, 1e-12);
    const Point3D q = Transform3DApply(Transform3DMakeRotation(pi / 2, 0, 0, 5), { 1, 0, 0, 1 });
    EXPECT_NEAR(q.x, 0, 1e-12);
    EXPECT_NEAR(q.y, 1, 1e-12);
    // An axis of zero length is no rotation at all.
    EXPECT_TRUE(Transform3DIsIdentity(Transform3DMakeRotation(1.0, 0, 0, 0)));
}

TEST(Transform3D, ConcatAppliesTheFirstOperandFirst)
{
    const Transform3D scale = Transform3DMakeScale(2, 2, 2);
    const Transform3D move = Transform3DMakeTranslation(10, 0, 0);
    EXPECT_NEAR(Transform3DApply(Transform3DConcat(scale, move), { 1, 0, 0, 1 }).x, 12, 1e-12);
    EXPECT_NEAR(Transform3DApply(Transform3DConcat(move, scale), { 1, 0, 0, 1 }).x, 22, 1e-12);
    // Translate/Scale/Rotate put the new operation before the existing transform.
    EXPECT_NEAR(Transform3DApply(Transform3DTranslate(scale, 10, 0, 0), { 1, 0, 0, 1 }).x, 22, 1e-12);
    EXPECT_NEAR(Transform3DApply(Transform3DScale(move, 2, 1, 1), { 1, 0, 0, 1 }).x, 12, 1e-12);
}

TEST(Transform3D, PerspectiveScalesAPlaneByItsDepth)
{
    // m34 = −1/d: a plane at depth z shows d / (d − z) times its size.
    Transform3D perspective;
    perspective.m34 = -1.0 / 420;
    const Transform3D atDepth = Transform3DConcat(Transform3DMakeTranslation(0, 0, 100), perspective);
    EXPECT_NEAR(projected(atDepth, 10, 0).x, 10 * 420.0 / 320.0, 1e-9);
    EXPECT_NEAR(420.0 / 320.0, 1.3125, 1e-12);
    const Transform3D behind = Transform3DConcat(Transform3DMakeTranslation(0, 0, -420), perspective);
    EXPECT_NEAR(projected(behind, 10, 0).x, 5, 1e-9);
}

TEST(Transform3D, InvertRoundTripsAndLeavesASingularMatrixAlone)
{
    Transform3D t = Transform3DMakeRotation(0.7, 1, 2, 3);
    t = Transform3DTranslate(t, 5, -3, 8);
    t.m34 = -1.0 / 500;
    ASSERT_TRUE(Transform3DIsInvertible(t));
    expectNear(Transform3DConcat(t, Transform3DInvert(t)), Transform3DIdentity);
    const Transform3D flat = Transform3DMakeScale(1, 1, 0);
    EXPECT_FALSE(Transform3DIsInvertible(flat));
    EXPECT_EQ(Transform3DInvert(flat), flat);
    const Transform3D zero = Transform3D::fromElements({});
    EXPECT_EQ(Transform3DInvert(zero), zero);
}

TEST(Transform3D, AffineTransformsConvertBothWays)
{
    const CGAffineTransform a { 0.5, 0.25, -0.25, 2, 7, -9 };
    const Transform3D t = Transform3DMakeAffineTransform(a);
    EXPECT_TRUE(Transform3DIsAffine(t));
    EXPECT_EQ(Transform3DGetAffineTransform(t), a);
    Transform3D deep = t;
    deep.m43 = 1;
    EXPECT_FALSE(Transform3DIsAffine(deep));
    Transform3D perspective;
    perspective.m34 = -0.001;
    EXPECT_FALSE(Transform3DIsAffine(perspective));
    EXPECT_FALSE(Transform3DIsAffine(Transform3DMakeRotation(0.1, 0, 1, 0)));
}

// The plane homography maps points of z = 0 exactly like the whole 4 × 4 chain.
class Transform3DHomography : public ::testing::TestWithParam<unsigned> { };

TEST_P(Transform3DHomography, MatchesTheFullChainOnThePlane)
{
    std::mt19937 random(GetParam());
    std::uniform_real_distribution<double> unit(-1, 1);
    Transform3D t = Transform3DMakeRotation(unit(random) * pi, unit(random), unit(random), unit(random));
    t = Transform3DConcat(t, Transform3DMakeTranslation(unit(random) * 100, unit(random) * 100, unit(random) * 100));
    Transform3D perspective;
    perspective.m34 = -1.0 / (1000 + 500 * unit(random));
    t = Transform3DConcat(t, perspective);
    for (int i = 0; i < 8; ++i) {
        const double x = unit(random) * 50, y = unit(random) * 50;
        const Point3D full = projected(t, x, y);
        const QPointF plane = t.planeHomography().map(QPointF(x, y));
        EXPECT_NEAR(plane.x(), full.x, 1e-7);
        EXPECT_NEAR(plane.y(), full.y, 1e-7);
    }
}

INSTANTIATE_TEST_SUITE_P(RandomMatrices, Transform3DHomography, ::testing::Range(1u, 9u));

TEST(Transform3D, DecompositionRecomposesTheMatrix)
{
    Transform3D t = Transform3DMakeScale(2, -0.5, 3);
    t = Transform3DConcat(t, Transform3DMakeRotation(1.1, 0.3, -1, 0.2));
    t = Transform3DConcat(t, Transform3DMakeTranslation(4, 5, -6));
    t.m21 += 0.3; // a skew
    t.m34 = -1.0 / 800;
    DecomposedTransform3D parts;
    ASSERT_TRUE(Transform3DDecompose(t, &parts));
    expectNear(Transform3DRecompose(parts), t);
    // A matrix with a zero plane (an archive with missing keys) has no decomposition.
    EXPECT_FALSE(Transform3DDecompose(Transform3D::fromElements({}), &parts));
}

TEST(Transform3D, InterpolationTurnsThroughTheViewerAtFullWidth)
{
    const Transform3D left = Transform3DMakeRotation(70 * pi / 180, 0, 1, 0);
    const Transform3D right = Transform3DMakeRotation(-70 * pi / 180, 0, 1, 0);
    const Transform3D half = Transform3DInterpolate(left, right, 0.5);
    // Facing the viewer: the x axis keeps its full length in the picture plane.
    EXPECT_NEAR(Transform3DApply(half, { 1, 0, 0, 1 }).x, 1, 1e-9);
    expectNear(half, Transform3DIdentity);
    // A quarter of the way is a 35° turn.
    const Transform3D quarter = Transform3DInterpolate(left, right, 0.25);
    expectNear(quarter, Transform3DMakeRotation(35 * pi / 180, 0, 1, 0));
    // Ends are exact; translation and perspective interpolate linearly.
    EXPECT_EQ(Transform3DInterpolate(left, right, 0), left);
    EXPECT_EQ(Transform3DInterpolate(left, right, 1), right);
    const Transform3D mid = Transform3DInterpolate(Transform3DIdentity, Transform3DMakeTranslation(10, 20, 30), 0.5);
    EXPECT_NEAR(mid.m41, 5, 1e-9);
    EXPECT_NEAR(mid.m43, 15, 1e-9);
    Transform3D far;
    far.m34 = -1.0 / 1000;
    EXPECT_NEAR(Transform3DInterpolate(Transform3DIdentity, far, 0.5).m34, -0.5 / 1000, 1e-12);
}

TEST(Transform3D, SingularMatricesInterpolateElementByElement)
{
    const Transform3D zero = Transform3D::fromElements({});
    const Transform3D t = Transform3DInterpolate(zero, Transform3DMakeScale(2, 2, 2), 0.5);
    EXPECT_NEAR(t.m11, 1, 1e-12);
    EXPECT_NEAR(t.m44, 0.5, 1e-12);
    EXPECT_NEAR(t.m12, 0, 1e-12);
}

// A transform-valued key, as the flow view's archived perspective.
class Perspective3D : public Object {
    KIT_CLASS(Perspective3D)
    Transform3D perspective() const { return perspective_; }
    void setPerspective(const Transform3D& t) { perspective_ = t; }

private:
    Transform3D perspective_;
};
KIT_REGISTER_CLASS(Perspective3D, Object) { c.property("perspective", &Perspective3D::perspective, &Perspective3D::setPerspective); }

TEST(Transform3D, TravelsInValuesAsSixteenRowMajorElements)
{
    auto object = make<Perspective3D>();
    Transform3D t;
    t.m34 = -1.0 / 1500;
    t.m41 = 3;
    object->setValueForKey(valueWithTransform3D(t), "perspective");
    EXPECT_EQ(object->perspective(), t);
    const Value v = object->valueForKey("perspective");
    ASSERT_EQ(v.kind(), Value::Kind::Transform3D);
    EXPECT_DOUBLE_EQ(v.transform3DElements()[11], -1.0 / 1500);
    EXPECT_DOUBLE_EQ(v.transform3DElements()[12], 3);
    EXPECT_THROW(object->setValueForKey(Value(1.0), "perspective"), Exception);
}

} // namespace transform3_d_test
