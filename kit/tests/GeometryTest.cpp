#include "kit/core/Geometry.h"

#include <gtest/gtest.h>

namespace {

using kit::MakeRect;
using kit::Point;
using kit::Rect;

// Containment on every edge of (10, 20, 30, 40), in both flips.
struct ContainCase {
    Point p;
    bool inRect; // PointInRect = MouseInRect(flipped)
    bool mouseUnflipped;
};

class PointContainment : public testing::TestWithParam<ContainCase> { };

TEST_P(PointContainment, HalfOpenEdges)
{
    const Rect r = MakeRect(10, 20, 30, 40);
    const auto& c = GetParam();
    EXPECT_EQ(kit::PointInRect(c.p, r), c.inRect);
    EXPECT_EQ(kit::MouseInRect(c.p, r, true), c.inRect);
    EXPECT_EQ(kit::MouseInRect(c.p, r, false), c.mouseUnflipped);
}

INSTANTIATE_TEST_SUITE_P(Edges, PointContainment,
    testing::Values(ContainCase { { 10, 20 }, true, false }, // min corner
        ContainCase { { 25, 20 }, true, false }, // minY edge
        ContainCase { { 25, 60 }, false, true }, // maxY edge
        ContainCase { { 40, 30 }, false, false }, // maxX edge
        ContainCase { { 10, 30 }, true, true }, // minX edge
        ContainCase { { 39.99, 59.99 }, true, true }, // just inside
        ContainCase { { 9.99, 30 }, false, false }, ContainCase { { 25, 40 }, true, true }));

TEST(Geometry, EmptyRectanglesContainNothing)
{
    EXPECT_FALSE(kit::PointInRect({ 0, 0 }, MakeRect(0, 0, 0, 10)));
    EXPECT_FALSE(kit::MouseInRect({ 0, 5 }, MakeRect(0, 0, 0, 10), false));
    EXPECT_FALSE(kit::PointInRect({ 1, 1 }, MakeRect(0, 0, 10, -5)));
}

struct RectCase {
    const char* name;
    Rect a, b, expected;
};

class Integral : public testing::TestWithParam<RectCase> { };
TEST_P(Integral, FloorsOriginCeilsFarEdges) { EXPECT_EQ(kit::IntegralRect(GetParam().a), GetParam().expected) << GetParam().name; }
INSTANTIATE_TEST_SUITE_P(Cases, Integral,
    testing::Values(RectCase { "fractional", MakeRect(0.5, 1.2, 10.2, 3.9), {}, MakeRect(0, 1, 11, 5) },
        RectCase { "already integral", MakeRect(3, 4, 5, 6), {}, MakeRect(3, 4, 5, 6) },
        RectCase { "negative origin", MakeRect(-1.5, -0.5, 1, 1), {}, MakeRect(-2, -1, 2, 2) },
        RectCase { "zero width", MakeRect(3.5, 4, 0, 6), {}, kit::ZeroRect },
        RectCase { "negative height", MakeRect(3, 4, 5, -1), {}, kit::ZeroRect }));

class Union : public testing::TestWithParam<RectCase> { };
TEST_P(Union, IgnoresEmptyOperands)
{
    EXPECT_EQ(kit::UnionRect(GetParam().a, GetParam().b), GetParam().expected) << GetParam().name;
    EXPECT_EQ(kit::UnionRect(GetParam().b, GetParam().a), GetParam().expected) << GetParam().name;
}
INSTANTIATE_TEST_SUITE_P(Cases, Union,
    testing::Values(RectCase { "disjoint", MakeRect(0, 0, 1, 1), MakeRect(5, 5, 1, 2), MakeRect(0, 0, 6, 7) },
        RectCase { "zero-width glyph", MakeRect(0, 0, 10, 10), MakeRect(50, 50, 0, 12), MakeRect(0, 0, 10, 10) },
        RectCase { "both empty", MakeRect(1, 1, 0, 0), MakeRect(5, 5, -1, 3), kit::ZeroRect }));

class Intersection : public testing::TestWithParam<RectCase> { };
TEST_P(Intersection, TouchingGivesZero)
{
    const auto& c = GetParam();
    EXPECT_EQ(kit::IntersectionRect(c.a, c.b), c.expected) << c.name;
    EXPECT_EQ(kit::IntersectsRect(c.a, c.b), c.expected != kit::ZeroRect) << c.name;
}
INSTANTIATE_TEST_SUITE_P(Cases, Intersection,
    testing::Values(RectCase { "overlap", MakeRect(0, 0, 10, 10), MakeRect(5, 6, 10, 10), MakeRect(5, 6, 5, 4) },
        RectCase { "touching", MakeRect(0, 0, 10, 10), MakeRect(10, 0, 10, 10), kit::ZeroRect },
        RectCase { "disjoint", MakeRect(0, 0, 1, 1), MakeRect(3, 3, 1, 1), kit::ZeroRect },
        RectCase { "empty inside", MakeRect(0, 0, 10, 10), MakeRect(2, 2, 0, 5), kit::ZeroRect }));

TEST(Geometry, InsetDoesNotClamp)
{
    EXPECT_EQ(kit::InsetRect(MakeRect(0, 0, 10, 10), -2, 3), MakeRect(-2, 3, 14, 4));
    EXPECT_EQ(kit::InsetRect(MakeRect(0, 0, 10, 10), 6, 0), MakeRect(6, 0, -2, 10));
    EXPECT_EQ(kit::OffsetRect(MakeRect(1, 2, 3, 4), -1, 0.5), MakeRect(0, 2.5, 3, 4));
}

struct DivideCase {
    Rect r;
    double amount;
    kit::RectEdge edge;
    Rect slice, remainder;
};

class Divide : public testing::TestWithParam<DivideCase> { };
TEST_P(Divide, ClampsTheAmount)
{
    const auto& c = GetParam();
    Rect slice = MakeRect(9, 9, 9, 9), rest = slice;
    kit::DivideRect(c.r, &slice, &rest, c.amount, c.edge);
    EXPECT_EQ(slice, c.slice);
    EXPECT_EQ(rest, c.remainder);
}
INSTANTIATE_TEST_SUITE_P(Cases, Divide,
    testing::Values(DivideCase { MakeRect(0, 0, 10, 20), 3, kit::MinXEdge, MakeRect(0, 0, 3, 20), MakeRect(3, 0, 7, 20) },
        DivideCase { MakeRect(0, 0, 10, 20), 3, kit::MaxXEdge, MakeRect(7, 0, 3, 20), MakeRect(0, 0, 7, 20) },
        // MinYEdge cuts from minY: the top of a flipped view.
        DivideCase { MakeRect(0, 10, 10, 20), 5, kit::MinYEdge, MakeRect(0, 10, 10, 5), MakeRect(0, 15, 10, 15) },
        DivideCase { MakeRect(0, 10, 10, 20), 5, kit::MaxYEdge, MakeRect(0, 25, 10, 5), MakeRect(0, 10, 10, 15) },
        DivideCase { MakeRect(0, 0, 10, 20), 50, kit::MinXEdge, MakeRect(0, 0, 10, 20), MakeRect(10, 0, 0, 20) },
        DivideCase { MakeRect(0, 0, 10, 20), -4, kit::MinYEdge, MakeRect(0, 0, 10, 0), MakeRect(0, 0, 10, 20) },
        DivideCase { MakeRect(4, 4, 0, 20), 2, kit::MinXEdge, kit::ZeroRect, kit::ZeroRect }));

struct RangeCase {
    kit::Range a, b, intersection;
};
class RangeIntersection : public testing::TestWithParam<RangeCase> { };
TEST_P(RangeIntersection, TouchingAndDisjoint)
{
    EXPECT_EQ(kit::IntersectionRange(GetParam().a, GetParam().b), GetParam().intersection);
    EXPECT_EQ(kit::IntersectionRange(GetParam().b, GetParam().a), GetParam().intersection);
}
INSTANTIATE_TEST_SUITE_P(Cases, RangeIntersection,
    testing::Values(RangeCase { { 0, 5 }, { 3, 5 }, { 3, 2 } }, RangeCase { { 0, 5 }, { 5, 5 }, { 5, 0 } },
        RangeCase { { 0, 5 }, { 7, 2 }, { 0, 0 } }, RangeCase { { 2, 10 }, { 4, 1 }, { 4, 1 } }));

TEST(Geometry, LocationInRangeIsUnsigned)
{
    EXPECT_TRUE(kit::LocationInRange(3, { 3, 2 }));
    EXPECT_FALSE(kit::LocationInRange(5, { 3, 2 }));
    EXPECT_FALSE(kit::LocationInRange(kit::NotFound, { 0, 10 }));
    EXPECT_FALSE(kit::LocationInRange(-1, { 0, 10 }));
    EXPECT_FALSE(kit::LocationInRange(3, { 3, 0 }));
    EXPECT_EQ(kit::UnionRange({ 2, 2 }, { 8, 1 }), (kit::Range { 2, 7 }));
}

} // namespace
