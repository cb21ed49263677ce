#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/BezierPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace qvx = QVTabBarViewExtensions;

// "M x,y", "L x,y", "C ... x,y" (end point only), "Z".
std::vector<std::string> qvPathElements(const kit::BezierPath& path)
{
    std::vector<std::string> out;
    for (int i = 0; i < path.elementCount(); ++i) {
        kit::Point p[3];
        const kit::BezierPathElement e = path.elementAtIndexAssociatedPoints(i, p);
        const auto pt = [](kit::Point q) { return std::to_string(int(std::lround(q.x))) + "," + std::to_string(int(std::lround(q.y))); };
        switch (e) {
        case kit::MoveToBezierPathElement:
            out.push_back("M " + pt(p[0]));
            break;
        case kit::LineToBezierPathElement:
            out.push_back("L " + pt(p[0]));
            break;
        case kit::CurveToBezierPathElement:
            out.push_back("C " + pt(p[2]));
            break;
        default:
            out.push_back("Z");
        }
    }
    return out;
}

using Elements = std::vector<std::string>;

struct QVPathCase {
    const char* name;
    bool card;
    std::uint32_t mask;
    Elements expected;
};

class QVTabPaths : public testing::TestWithParam<QVPathCase> { };

TEST_P(QVTabPaths, FollowTheCapMask)
{
    const QVPathCase& c = GetParam();
    const kit::Rect r = kit::MakeRect(0, 10, 20, 30);
    const auto path = c.card ? qvx::bezierPathWithCardInRectRadiusCapMask(r, 3, c.mask) : qvx::bezierPathWithRoundedRectRadiusCapMask(r, 3, c.mask);
    EXPECT_EQ(qvPathElements(*path), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Masks, QVTabPaths,
    testing::Values(
        // An open card without caps is its top edge.
        QVPathCase { "card 0", true, 0, { "M 0,10", "L 20,10" } },
        QVPathCase { "card fill", true, QVFillCap, { "M 0,40", "L 0,10", "L 20,10", "L 20,40" } },
        // Flipped inside its bounds: the closed edge lies at y = 40, the open side at 10.
        QVPathCase { "card fill flip", true, QVFillCap | QVFlipCap, { "M 0,10", "L 0,40", "L 20,40", "L 20,10" } },
        QVPathCase { "card left", true, QVLeftCap, { "M 0,40", "L 0,13", "C 3,10", "L 20,10" } },
        QVPathCase { "card right", true, QVRightCap, { "M 0,10", "L 17,10", "C 20,13", "L 20,40" } },
        QVPathCase { "rounded fill", false, QVFillCap, { "M 10,40", "L 0,40", "L 0,10", "L 10,10", "L 20,10", "L 20,40", "L 10,40", "Z" } },
        // Without the fill bit the sides are moves: top and bottom edges only.
        QVPathCase { "rounded 0", false, 0, { "M 10,40", "L 0,40", "M 0,10", "L 10,10", "L 20,10", "M 20,40", "L 10,40", "Z" } }));

TEST(QVFlipVertical, MapsTheRectangleOntoItselfUpsideDown)
{
    kit::AffineTransform t;
    qvx::flipVertical(t, kit::MakeRect(0, 10, 20, 30));
    EXPECT_EQ(t.transformPoint(kit::MakePoint(5, 10)), kit::MakePoint(5, 40));
    EXPECT_EQ(t.transformPoint(kit::MakePoint(5, 40)), kit::MakePoint(5, 10));
    EXPECT_EQ(t.transformPoint(kit::MakePoint(5, 15)), kit::MakePoint(5, 35));
}

struct QVScaleCase {
    kit::Size image, box;
    int type;
    kit::Size expected;
};

class QVImageScaling : public testing::TestWithParam<QVScaleCase> { };

TEST_P(QVImageScaling, FitsByType)
{
    const QVScaleCase& c = GetParam();
    EXPECT_EQ(qvx::scaleImageWithSizeToFitInSizeScalingType(c.image, c.box, c.type), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, QVImageScaling,
    testing::Values(QVScaleCase { { 40, 20 }, { 20, 20 }, 0, { 20, 10 } }, QVScaleCase { { 40, 20 }, { 20, 20 }, 3, { 20, 10 } },
        QVScaleCase { { 40, 20 }, { 20, 20 }, 1, { 20, 20 } }, QVScaleCase { { 40, 20 }, { 20, 20 }, 2, { 40, 20 } },
        QVScaleCase { { 10, 5 }, { 20, 20 }, 0, { 10, 5 } }, QVScaleCase { { 10, 5 }, { 20, 20 }, 3, { 20, 10 } },
        QVScaleCase { { 0, 5 }, { 20, 20 }, 0, { 0, 0 } }, QVScaleCase { { 10, 0 }, { 20, 20 }, 3, { 0, 0 } },
        QVScaleCase { { 10, 5 }, { 20, 20 }, 7, { 10, 5 } }));

TEST(QVTruncation, CutsAtSixtyToFiftyAndAnEllipsisNeverInsideASurrogatePair)
{
    const QString fiftyNine(59, QLatin1Char('a'));
    EXPECT_EQ(qvx::stringByTruncatingToLength(fiftyNine, 60), fiftyNine);
    const QString sixty(60, QLatin1Char('b'));
    EXPECT_EQ(qvx::stringByTruncatingToLength(sixty, 60), QString(50, QLatin1Char('b')) + QChar(0x2026));
    // A pair straddling the cut at 50 is dropped whole.
    const QString pair = QString::fromUcs4(U"\U0001F600");
    const QString straddling = QString(49, QLatin1Char('c')) + pair + QString(20, QLatin1Char('d'));
    const QString cut = qvx::stringByTruncatingToLength(straddling, 60);
    EXPECT_EQ(cut, QString(49, QLatin1Char('c')) + QChar(0x2026));
}

} // namespace
