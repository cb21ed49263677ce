#include "kit/graphics/BezierPath.h"

#include "kit/core/Exception.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/tests/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using kit::BezierPath;
using kit::MakeRect;
using kit::Point;
using kit::test::Canvas;
using kit::test::pixelIs;

QString num(double v)
{
    double r = std::round(v * 1000) / 1000;
    return QString::number(r == 0 ? 0 : r, 'g', 12);
}

// "M x y L x y C x1 y1 x2 y2 x y Z", from the path's own elements.
QString elements(const BezierPath& p)
{
    QStringList out;
    Point pts[3];
    for (int i = 0; i < p.elementCount(); ++i) {
        switch (p.elementAtIndexAssociatedPoints(i, pts)) {
        case kit::MoveToBezierPathElement:
            out << "M " + num(pts[0].x) + " " + num(pts[0].y);
            break;
        case kit::LineToBezierPathElement:
            out << "L " + num(pts[0].x) + " " + num(pts[0].y);
            break;
        case kit::CurveToBezierPathElement:
            out << "C " + num(pts[0].x) + " " + num(pts[0].y) + " " + num(pts[1].x) + " " + num(pts[1].y) + " " + num(pts[2].x) + " "
                    + num(pts[2].y);
            break;
        case kit::ClosePathBezierPathElement:
            out << "Z";
            break;
        }
    }
    return out.join(' ');
}

struct ArcCase {
    const char* name;
    double start, end;
    bool clockwise;
    int curves;
    Point throughPoint; // on the arc, unit radius at the origin; (0, 0) = nothing to check
};

class ArcSweep : public testing::TestWithParam<ArcCase> { };

// Where the arc passes: the midpoint of some curve lies within 0.01 of the expected point.
bool passesThrough(const BezierPath& p, Point q)
{
    const QPainterPath& path = p.qtPath();
    for (double t = 0; t <= 1.0; t += 0.005) {
        const QPointF at = path.pointAtPercent(t);
        if (std::hypot(at.x() - q.x, at.y() - q.y) < 0.02)
            return true;
    }
    return false;
}

TEST_P(ArcSweep, NormalisesTheSweep)
{
    const auto& c = GetParam();
    auto path = BezierPath::bezierPath();
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({ 0, 0 }, 1, c.start, c.end, c.clockwise);
    EXPECT_EQ(path->elementCount(), 1 + c.curves) << c.name;
    EXPECT_EQ(path->elementAtIndex(0), kit::MoveToBezierPathElement);
    const double a1 = c.end * M_PI / 180;
    if (c.curves > 0) {
        EXPECT_NEAR(path->currentPoint().x, std::cos(a1), 1e-9) << c.name;
        EXPECT_NEAR(path->currentPoint().y, std::sin(a1), 1e-9) << c.name;
    }
    if (c.throughPoint != Point {}) {
        EXPECT_TRUE(passesThrough(*path, c.throughPoint)) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ArcSweep,
    testing::Values(ArcCase { "ccw quarter", 0, 90, false, 1, { std::sqrt(0.5), std::sqrt(0.5) } },
        ArcCase { "equal angles", 90, 90, false, 0, {} }, ArcCase { "equal angles clockwise", 90, 90, true, 0, {} },
        ArcCase { "full circle", 0, 360, false, 4, { -1, 0 } }, ArcCase { "clockwise full circle", 90, -270, true, 4, { -1, 0 } },
        ArcCase { "ccw the long way", 90, 0, false, 3, { -1, 0 } }, ArcCase { "clockwise the long way", 0, 90, true, 3, { 0, -1 } },
        ArcCase { "clockwise half", 90, -90, true, 2, { 1, 0 } },
        ArcCase { "more than a turn", 0, 450, false, 1, { std::sqrt(0.5), std::sqrt(0.5) } }));

TEST(BezierPath, ArcStartsWithALineOnlyWhenThereIsACurrentPoint)
{
    auto path = BezierPath::bezierPath();
    path->moveToPoint({ 0, 0 });
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle({ 10, 0 }, 5, 0, 90);
    EXPECT_TRUE(elements(*path).startsWith("M 0 0 L 15 0 C")) << elements(*path).toStdString();

    auto fresh = BezierPath::bezierPath();
    fresh->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle({ 10, 0 }, 5, 180, 270);
    EXPECT_TRUE(elements(*fresh).startsWith("M 5 0 C")) << elements(*fresh).toStdString();
}

struct TangentCase {
    const char* name;
    Point p0, p1, p2;
    double radius;
    QString expected; // element list after the initial move
};

class TangentArc : public testing::TestWithParam<TangentCase> { };

TEST_P(TangentArc, LinesThenShortArc)
{
    const auto& c = GetParam();
    auto path = BezierPath::bezierPath();
    path->moveToPoint(c.p0);
    path->appendBezierPathWithArcFromPointToPointRadius(c.p1, c.p2, c.radius);
    EXPECT_EQ(elements(*path), "M " + num(c.p0.x) + " " + num(c.p0.y) + " " + c.expected) << c.name;
}

const double k = 4.0 / 3.0 * std::tan(M_PI / 8);
INSTANTIATE_TEST_SUITE_P(Cases, TangentArc,
    testing::Values(
        // East then north: a left turn, counter-clockwise quarter arc from (6, 0) to (10, 4).
        TangentCase { "left turn", { 0, 0 }, { 10, 0 }, { 10, 10 }, 4, "L 6 0 C " + num(6 + 4 * k) + " 0 10 " + num(4 - 4 * k) + " 10 4" },
        TangentCase { "collinear", { 0, 0 }, { 10, 0 }, { 20, 0 }, 4, "L 10 0" },
        TangentCase { "zero radius", { 0, 0 }, { 10, 0 }, { 10, 10 }, 0, "L 10 0" },
        TangentCase { "negative radius", { 0, 0 }, { 10, 0 }, { 10, 10 }, -3, "L 10 0" },
        TangentCase { "coincident", { 0, 0 }, { 10, 0 }, { 10, 0 }, 4, "L 10 0" }));

TEST(BezierPath, TangentArcEndsAtTheSecondTangentPointEvenBeyondTheSegment)
{
    auto path = BezierPath::bezierPath();
    path->moveToPoint({ 0, 0 });
    path->appendBezierPathWithArcFromPointToPointRadius({ 10, 0 }, { 10, 2 }, 4); // tangent point (10, 4) lies past P2
    EXPECT_NEAR(path->currentPoint().x, 10, 1e-9);
    EXPECT_NEAR(path->currentPoint().y, 4, 1e-9);
    // Clockwise turn (east then south).
    auto right = BezierPath::bezierPath();
    right->moveToPoint({ 0, 0 });
    right->appendBezierPathWithArcFromPointToPointRadius({ 10, 0 }, { 10, -10 }, 4);
    EXPECT_NEAR(right->currentPoint().y, -4, 1e-9);
    EXPECT_TRUE(passesThrough(*right, { 6 + 4 * std::sqrt(0.5), -4 + 4 * std::sqrt(0.5) }));
}

TEST(BezierPath, TangentArcNeedsACurrentPoint)
{
    auto path = BezierPath::bezierPath();
    EXPECT_THROW(path->appendBezierPathWithArcFromPointToPointRadius({ 1, 1 }, { 2, 0 }, 1), kit::Exception);
    EXPECT_THROW(path->lineToPoint({ 1, 1 }), kit::Exception);
}

TEST(BezierPath, ClosePathReturnsToTheStartAndTheNextLineOpensASubpath)
{
    auto path = BezierPath::bezierPath();
    path->moveToPoint({ 1, 2 });
    path->lineToPoint({ 5, 2 });
    path->lineToPoint({ 5, 6 });
    path->closePath();
    EXPECT_EQ(path->currentPoint(), (Point { 1, 2 }));
    path->lineToPoint({ 0, 0 });
    EXPECT_EQ(elements(*path), "M 1 2 L 5 2 L 5 6 Z M 1 2 L 0 0");
    Point pts[3];
    EXPECT_EQ(path->elementAtIndexAssociatedPoints(5, pts), kit::LineToBezierPathElement);
    EXPECT_EQ(pts[0], (Point { 0, 0 }));
    path->removeAllPoints();
    EXPECT_TRUE(path->isEmpty());
    EXPECT_EQ(path->bounds(), kit::ZeroRect);
}

TEST(BezierPath, BoundsAreTight)
{
    auto circle = BezierPath::bezierPathWithOvalInRect(MakeRect(10, 20, 30, 30));
    const kit::Rect b = circle->bounds();
    EXPECT_NEAR(b.minX(), 10, 1e-6);
    EXPECT_NEAR(b.maxY(), 50, 1e-6);

    auto curve = BezierPath::bezierPath();
    curve->moveToPoint({ 0, 0 });
    curve->curveToPointControlPoint1ControlPoint2({ 10, 0 }, { 0, 10 }, { 10, 10 });
    EXPECT_NEAR(curve->bounds().height(), 7.5, 1e-9);
    EXPECT_EQ(curve->controlPointBounds(), MakeRect(0, 0, 10, 10));
}

TEST(BezierPath, RoundedRectRadiiClampToHalfTheSide)
{
    auto capsule = BezierPath::bezierPathWithRoundedRectXRadiusYRadius(MakeRect(0, 0, 40, 10), 50, 50);
    auto exact = BezierPath::bezierPathWithRoundedRectXRadiusYRadius(MakeRect(0, 0, 40, 10), 20, 5);
    EXPECT_EQ(elements(*capsule), elements(*exact));
    EXPECT_TRUE(capsule->containsPoint({ 5, 5 }));
    EXPECT_FALSE(capsule->containsPoint({ 2, 1 }));
    auto pill = BezierPath::bezierPathWithRoundedRectXRadiusYRadius(MakeRect(0, 0, 40, 10), 5, 5);
    EXPECT_TRUE(pill->containsPoint({ 2, 5 }));
    EXPECT_FALSE(pill->containsPoint({ 0.5, 0.5 }));
    EXPECT_TRUE(capsule->containsPoint({ 20, 0.2 }));
}

TEST(BezierPath, ContainsFollowsTheWindingRuleAndClosesOpenSubpaths)
{
    auto path = BezierPath::bezierPathWithRect(MakeRect(0, 0, 30, 30));
    path->appendBezierPathWithRect(MakeRect(10, 10, 10, 10));
    EXPECT_TRUE(path->containsPoint({ 15, 15 }));
    path->setWindingRule(kit::EvenOddWindingRule);
    EXPECT_FALSE(path->containsPoint({ 15, 15 }));
    EXPECT_TRUE(path->containsPoint({ 5, 5 }));

    auto open = BezierPath::bezierPath();
    open->moveToPoint({ 0, 0 });
    open->lineToPoint({ 10, 0 });
    open->lineToPoint({ 10, 10 });
    EXPECT_TRUE(open->containsPoint({ 8, 2 }));
    EXPECT_FALSE(open->containsPoint({ 2, 8 }));
}

TEST(BezierPath, DefaultsBelongToTheContextAndItsSavedState)
{
    kit::test::Recorder recorder;
    EXPECT_EQ(BezierPath::defaultLineWidth(), 1);
    kit::GraphicsContext::saveCurrentGraphicsState();
    BezierPath::setDefaultLineWidth(3);
    EXPECT_EQ(BezierPath::bezierPath()->lineWidth(), 3);
    {
        kit::test::Recorder other;
        EXPECT_EQ(BezierPath::defaultLineWidth(), 1);
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
    EXPECT_EQ(BezierPath::defaultLineWidth(), 1);
}

TEST(BezierPath, FillRectIsSourceOverAndStrokeUsesTheStrokeColour)
{
    kit::test::Recorder recorder;
    kit::Color::redColor()->setStroke();
    kit::Color::blueColor()->setFill();
    BezierPath::fillRect(MakeRect(0, 0, 5, 5));
    kit::RectFill(MakeRect(0, 0, 5, 5));
    BezierPath::strokeLineFromPointToPoint({ 0, 0 }, { 10, 0 });
    ASSERT_EQ(recorder.records().size(), 3u);
    EXPECT_EQ(recorder.records()[0].operation(), kit::CompositeSourceOver);
    EXPECT_EQ(recorder.records()[1].operation(), kit::CompositeCopy);
    EXPECT_EQ(recorder.records()[0].color(), QColor(Qt::blue));
    EXPECT_EQ(recorder.records()[2].kind, kit::DrawRecord::Kind::Stroke);
    EXPECT_EQ(recorder.records()[2].pen.color(), QColor(Qt::red));
    EXPECT_EQ(recorder.records()[2].pen.widthF(), 1);
}

// A pie from 90° clockwise to 90 − 360·v: at v = 0.5 the right half, at v = 1 the whole disc.
class Pie : public testing::TestWithParam<bool> { };

TEST_P(Pie, HalfPieFillsTheRightHalf)
{
    Canvas canvas(100, 100, GetParam());
    for (double v : { 0.5 }) {
        auto pie = BezierPath::bezierPath();
        pie->moveToPoint({ 50, 50 });
        pie->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({ 50, 50 }, 40, 90, 90 - 360 * v, true);
        pie->closePath();
        kit::Color::blackColor()->setFill();
        pie->fill();
    }
    const QImage& image = canvas.finish();
    EXPECT_TRUE(pixelIs(image, 75, 50, Qt::black));
    EXPECT_TRUE(pixelIs(image, 25, 50, Qt::white));
}

TEST_P(Pie, FullPieFillsTheDisc)
{
    Canvas canvas(100, 100, GetParam());
    auto pie = BezierPath::bezierPath();
    pie->moveToPoint({ 50, 50 });
    pie->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({ 50, 50 }, 40, 90, 90 - 360, true);
    pie->closePath();
    pie->fill();
    const QImage& image = canvas.finish();
    for (auto [x, y] : { std::pair { 25, 50 }, { 75, 50 }, { 50, 20 }, { 50, 80 } })
        EXPECT_TRUE(pixelIs(image, x, y, Qt::black));
}

INSTANTIATE_TEST_SUITE_P(Flips, Pie, testing::Values(false, true));

// An increasing angle turns towards +y of user space: on screen counter-clockwise when y is up,
// clockwise when flipped. The ring from the top (90°) clockwise a quarter turn.
TEST(BezierPath, ArcDirectionFollowsUserSpace)
{
    for (bool flipped : { false, true }) {
        Canvas canvas(100, 100, flipped);
        auto ring = BezierPath::bezierPath();
        ring->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({ 50, 50 }, 30, 90, 0, true);
        ring->setLineWidth(6);
        ring->stroke();
        const QImage& image = canvas.finish();
        // y-up: from the top to the right (upper right quadrant); flipped: from the bottom to the right.
        const int yOnScreen = flipped ? 50 + 21 : 50 - 21;
        EXPECT_TRUE(pixelIs(image, 50 + 21, yOnScreen, Qt::black, 40)) << "flipped " << flipped;
        EXPECT_TRUE(pixelIs(image, 50 - 21, yOnScreen, Qt::white)) << "flipped " << flipped;
        EXPECT_TRUE(pixelIs(image, 50 + 21, 100 - yOnScreen, Qt::white)) << "flipped " << flipped;
    }
}

TEST(CGContext, AddArcClockwiseRunsFromTheTopTowardsTheRight)
{
    auto bitmap = kit::CGContext::createBitmap(100, 100);
    bitmap->setStrokeColor({ 0, 0, 0, 1 });
    bitmap->setLineWidth(6);
    bitmap->addArc(50, 50, 30, M_PI / 2, M_PI / 2 - 2 * M_PI * 0.25, true);
    bitmap->strokePath();
    const QImage image = kit::test::unpremultiplied(bitmap->createImage()->image());
    EXPECT_TRUE(pixelIs(image, 71, 29, Qt::black, 40)); // upper right on screen
    EXPECT_EQ(kit::test::pixel(image, 29, 29).alpha(), 0);
}

TEST(GraphicsContext, AliasedOnePointStrokeAtHalfCoversOneRow)
{
    Canvas canvas(20, 20, true);
    canvas.context->setShouldAntialias(false);
    kit::BezierPath::strokeLineFromPointToPoint({ 2, 5.5 }, { 18, 5.5 });
    kit::BezierPath::fillRect(MakeRect(1.5, 10.5, 2, 2)); // centres on the left and top edges count, right and bottom do not
    const QImage& image = canvas.finish();
    EXPECT_TRUE(pixelIs(image, 10, 5, Qt::black));
    EXPECT_TRUE(pixelIs(image, 10, 4, Qt::white));
    EXPECT_TRUE(pixelIs(image, 10, 6, Qt::white));
    for (int x = 0; x < 6; ++x)
        for (int y = 9; y < 14; ++y) {
            const bool inside = (x == 1 || x == 2) && (y == 10 || y == 11);
            EXPECT_TRUE(pixelIs(image, x, y, inside ? QColor(Qt::black) : QColor(Qt::white))) << x << "," << y;
        }
}

} // namespace
