#include "kit/graphics/Gradient.h"

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/tests/GraphicsTestSupport.h"

#include <gtest/gtest.h>

namespace {

using kit::Color;
using kit::Gradient;
using kit::MakeRect;
using kit::test::Canvas;
using kit::test::pixel;
using kit::test::pixelIs;

// Black → white, so a probe's brightness tells how far along the gradient it is.
kit::Ref<Gradient> blackToWhite() { return Gradient::gradientWithStartingColorEndingColor(Color::blackColor(), Color::whiteColor()); }

struct AngleCase {
    const char* name;
    bool flipped;
    double angle;
    QPoint dark, light; // screen pixels nearest the start and the end
};

class GradientAngle : public testing::TestWithParam<AngleCase> { };

TEST_P(GradientAngle, RunsInUserSpace)
{
    const auto& c = GetParam();
    Canvas canvas(100, 100, c.flipped, Qt::red);
    blackToWhite()->drawInRectAngle(MakeRect(0, 0, 100, 100), c.angle);
    const QImage& image = canvas.finish();
    EXPECT_LT(pixel(image, c.dark.x(), c.dark.y()).red(), 20) << c.name;
    EXPECT_GT(pixel(image, c.light.x(), c.light.y()).red(), 235) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Angles, GradientAngle,
    testing::Values(AngleCase { "90 unflipped: bottom to top", false, 90, { 50, 99 }, { 50, 0 } },
        AngleCase { "90 flipped: top to bottom", true, 90, { 50, 0 }, { 50, 99 } },
        AngleCase { "0: left to right", false, 0, { 0, 50 }, { 99, 50 } },
        AngleCase { "180: right to left", false, 180, { 99, 50 }, { 0, 50 } },
        AngleCase { "-90 unflipped: top to bottom", false, -90, { 50, 0 }, { 50, 99 } },
        AngleCase { "45: from the lower left corner", false, 45, { 0, 99 }, { 99, 0 } },
        AngleCase { "45 flipped: from the upper left corner", true, 45, { 0, 0 }, { 99, 99 } }));

TEST(Gradient, SpansThePathBoundsAndStaysInside)
{
    Canvas canvas(100, 100, true, Qt::red);
    auto path = kit::BezierPath::bezierPathWithOvalInRect(MakeRect(20, 20, 60, 40));
    blackToWhite()->drawInBezierPathAngle(*path, 0);
    const QImage& image = canvas.finish();
    EXPECT_LT(pixel(image, 21, 40).red(), 30);
    EXPECT_GT(pixel(image, 78, 40).red(), 225);
    EXPECT_TRUE(pixelIs(image, 21, 21, Qt::red));
    EXPECT_TRUE(pixelIs(image, 50, 70, Qt::red));
}

TEST(Gradient, NullColourGivesNoGradient)
{
    EXPECT_EQ(Gradient::gradientWithStartingColorEndingColor(Color::blackColor(), nullptr), nullptr);
    EXPECT_EQ(Gradient::gradientWithColors({ Color::blackColor() }), nullptr);
}

TEST(Gradient, InterpolatesUnpremultipliedWithAlpha)
{
    auto g = Gradient::gradientWithStartingColorEndingColor(
        Color::colorWithCalibratedRedGreenBlueAlpha(1, 0, 0, 1), Color::colorWithCalibratedRedGreenBlueAlpha(0, 0, 1, 0));
    auto mid = g->interpolatedColorAtLocation(0.5);
    EXPECT_NEAR(mid->redComponent(), 0.5, 1e-4);
    EXPECT_NEAR(mid->blueComponent(), 0.5, 1e-4);
    EXPECT_NEAR(mid->alphaComponent(), 0.5, 1e-4);

    Canvas canvas(101, 10, true, Qt::transparent);
    g->drawInRectAngle(MakeRect(0, 0, 101, 10), 0);
    const QImage& image = canvas.finish();
    EXPECT_TRUE(pixelIs(image, 50, 5, QColor(128, 0, 128, 128), 6));
}

TEST(Gradient, RadialCentreMovesByHalfTheSize)
{
    Canvas canvas(100, 100, false, Qt::red);
    Gradient::gradientWithStartingColorEndingColor(Color::whiteColor(), Color::blackColor())
        ->drawInRectRelativeCenterPosition(MakeRect(0, 0, 100, 100), { 0, 1 });
    const QImage& image = canvas.finish();
    // (0, 1) in y-up space: brightest at the top middle of the screen.
    EXPECT_GT(pixel(image, 50, 0).red(), 245);
    EXPECT_LT(pixel(image, 50, 99).red(), pixel(image, 50, 50).red());
}

TEST(Gradient, FlippedPortKeepsTheBitmapsTransform)
{
    // A bitmap context wrapped as flipped keeps y up: angle 90 starts at the bitmap's bottom.
    auto bitmap = kit::CGContext::createBitmap(10, 50);
    auto context = kit::GraphicsContext::graphicsContextWithGraphicsPortFlipped(bitmap, true);
    {
        kit::GraphicsContext::Scope scope(context);
        Gradient::gradientWithStartingColorEndingColor(Color::colorWithCalibratedWhiteAlpha(0, 0.6), Color::clearColor())
            ->drawInRectAngle(MakeRect(0, 0, 10, 50), 90);
    }
    const QImage image = kit::test::unpremultiplied(bitmap->createImage()->image());
    EXPECT_NEAR(pixel(image, 5, 49).alpha(), 0.6 * 255, 4);
    EXPECT_LT(pixel(image, 5, 0).alpha(), 6);
}

// Axial shading from (0, B.y) to (0, B.y + B.h) under a clip: the start colour sits at minY.
TEST(Shading, StartsAtMinYAndPaintsOnlyInsideTheClip)
{
    for (bool flipped : { false, true }) {
        Canvas canvas(40, 40, flipped, Qt::white);
        const kit::Rect b = MakeRect(10, 10, 20, 20);
        auto shading = kit::Shading::axial({ 0, b.minY() }, { 0, b.maxY() }, kit::Shading::linearFunction(Qt::black, Qt::blue));
        canvas.context->saveGraphicsState();
        kit::BezierPath::bezierPathWithRect(b)->addClip();
        canvas.context->graphicsPort()->drawShading(*shading);
        canvas.context->restoreGraphicsState();
        const QImage& image = canvas.finish();
        const int startRow = flipped ? 10 : 29, endRow = flipped ? 29 : 10;
        EXPECT_LT(pixel(image, 20, startRow).blue(), 30) << flipped;
        EXPECT_GT(pixel(image, 20, endRow).blue(), 225) << flipped;
        EXPECT_TRUE(pixelIs(image, 5, 20, Qt::white)) << flipped;
        EXPECT_TRUE(pixelIs(image, 20, 35, Qt::white)) << flipped;
    }
}

TEST(Shading, BilinearReturnsToTheFirstColour)
{
    auto f = kit::Shading::bilinearFunction(Qt::black, Qt::white);
    EXPECT_EQ(f(0), QColor(Qt::black));
    EXPECT_EQ(f(0.5), QColor(Qt::white));
    EXPECT_EQ(f(1), QColor(Qt::black));
}

} // namespace
