#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/testsupport/PixelProbe.h"

#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

#include <gtest/gtest.h>

namespace graphics_context_projective_test {

using namespace kit;

// The unit square onto a trapezoid, wide at the bottom (y down): (0,0)→(40,10) (1,0)→(60,10)
// (1,1)→(90,90) (0,1)→(10,90).
QTransform trapezoid()
{
    QTransform t;
    const bool ok = QTransform::squareToQuad(QPolygonF({ QPointF(40, 10), QPointF(60, 10), QPointF(90, 90), QPointF(10, 90) }), t);
    EXPECT_TRUE(ok);
    return t;
}

struct Canvas {
    QImage image { 100, 100, QImage::Format_ARGB32_Premultiplied };
    Ref<GraphicsContext> context;
    Canvas()
    {
        image.fill(Qt::white);
        context = GraphicsContext::graphicsContextWithImage(&image, true);
        context->concatProjectiveCTM(trapezoid());
        EXPECT_EQ(context->state().ctm.type(), QTransform::TxProject);
    }
};

QPainterPath unitSquare()
{
    QPainterPath p;
    p.addRect(QRectF(0, 0, 1, 1));
    return p;
}

TEST(GraphicsContextProjective, FillsFollowTheQuad)
{
    Canvas canvas;
    canvas.context->setFillColor(Color::colorWithDeviceRedGreenBlueAlpha(1, 0, 0, 1));
    canvas.context->fillPathUsingOperation(unitSquare(), CompositeSourceOver);
    canvas.context = nullptr;
    EXPECT_TRUE(test::pixelIs(canvas.image, 50, 12, Qt::red));
    EXPECT_TRUE(test::pixelIs(canvas.image, 14, 87, Qt::red));
    // Outside the slanted edges, though inside the quad's bounding box.
    EXPECT_TRUE(test::pixelIs(canvas.image, 15, 15, Qt::white));
    EXPECT_TRUE(test::pixelIs(canvas.image, 85, 15, Qt::white));
}

TEST(GraphicsContextProjective, ClipsAndStrokesFollowTheQuad)
{
    Canvas canvas;
    canvas.context->clipToPath(unitSquare());
    // A clip made under the projective CTM still holds after it is reset to the identity.
    canvas.context->setCTM(AffineTransform());
    canvas.context->setFillColor(Color::colorWithDeviceRedGreenBlueAlpha(0, 0, 1, 1));
    QPainterPath all;
    all.addRect(QRectF(0, 0, 100, 100));
    canvas.context->fillPathUsingOperation(all, CompositeSourceOver);
    canvas.context = nullptr;
    EXPECT_TRUE(test::pixelIs(canvas.image, 50, 50, Qt::blue));
    EXPECT_TRUE(test::pixelIs(canvas.image, 15, 15, Qt::white));

    Canvas stroked;
    QPainterPath line;
    line.moveTo(0, 0.5);
    line.lineTo(1, 0.5);
    stroked.context->strokePath(line, QPen(Qt::black, 0.1));
    stroked.context = nullptr;
    // Projectively the square's mid-line passes where the quad's diagonals cross, (50, 26), and
    // runs between its slanted sides (x 34 to 66), not half-way down.
    EXPECT_TRUE(test::pixelIs(stroked.image, 50, 26, Qt::black, 60));
    EXPECT_TRUE(test::pixelIs(stroked.image, 40, 26, Qt::black, 60));
    EXPECT_TRUE(test::pixelIs(stroked.image, 50, 50, Qt::white));
    EXPECT_TRUE(test::pixelIs(stroked.image, 20, 26, Qt::white));
}

TEST(GraphicsContextProjective, ImagesFollowTheQuad)
{
    Canvas canvas;
    QImage green(8, 8, QImage::Format_ARGB32_Premultiplied);
    green.fill(Qt::green);
    canvas.context->drawImage(green, QRectF(green.rect()), MakeRect(0, 0, 1, 1), CompositeSourceOver, 1.0);
    canvas.context = nullptr;
    EXPECT_TRUE(test::pixelIs(canvas.image, 50, 50, Qt::green));
    EXPECT_TRUE(test::pixelIs(canvas.image, 50, 85, Qt::green));
    EXPECT_TRUE(test::pixelIs(canvas.image, 15, 15, Qt::white));
}

} // namespace graphics_context_projective_test
