// Rectangles on whole device pixels are filled with fillRect: the same pixels as the path fill.

#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/GraphicsContext.h"

#include <QImage>
#include <QPainterPath>

#include <gtest/gtest.h>

namespace {

using namespace kit;

struct RectFillCase {
    const char* name;
    QTransform ctm;
    QRectF rect;
    QColor color;
    bool antialias;
    CompositingOperation operation;
};

void PrintTo(const RectFillCase& c, std::ostream* os) { *os << c.name; }

// The rectangle as a path the fast path does not recognise: an extra point on its top edge.
QPainterPath rectFillSlowPath(const QRectF& r)
{
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.center().x(), r.top());
    path.lineTo(r.topRight());
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    return path;
}

QImage rectFillDraw(const RectFillCase& c, const QPainterPath& path)
{
    QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(200, 210, 220));
    const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithImage(&image, true);
    context->setShouldAntialias(c.antialias);
    context->setCompositingOperation(c.operation);
    context->concatCTM(AffineTransform::fromQTransform(c.ctm));
    context->clipToRect(MakeRect(2, 2, 56, 40));
    context->fillPathWithBrush(path, QBrush(c.color));
    return image;
}

class RectFillFastPath : public ::testing::TestWithParam<RectFillCase> { };

TEST_P(RectFillFastPath, GivesThePixelsOfThePathFill)
{
    const RectFillCase& c = GetParam();
    QPainterPath rect;
    rect.addRect(c.rect);
    const QImage fast = rectFillDraw(c, rect), slow = rectFillDraw(c, rectFillSlowPath(c.rect));
    int differing = 0;
    for (int y = 0; y < fast.height(); ++y)
        for (int x = 0; x < fast.width(); ++x)
            differing += fast.pixel(x, y) != slow.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, RectFillFastPath,
    ::testing::Values(RectFillCase { "Plain", QTransform(), QRectF(4, 5, 20, 10), QColor(10, 120, 30), true, CompositeSourceOver },
        RectFillCase { "Aliased", QTransform(), QRectF(4, 5, 20, 10), QColor(10, 120, 30), false, CompositeSourceOver },
        RectFillCase { "Translucent", QTransform(), QRectF(0, 0, 30, 30), QColor(200, 20, 30, 100), true, CompositeSourceOver },
        RectFillCase { "Copy", QTransform(), QRectF(3, 3, 30, 9), QColor(0, 0, 255, 90), true, CompositeCopy },
        RectFillCase { "Translated", QTransform::fromTranslate(7, 3), QRectF(1, 1, 12, 12), QColor(90, 0, 90), true, CompositeSourceOver },
        RectFillCase { "Scaled", QTransform::fromScale(2, 2), QRectF(1.5, 2, 10, 5.5), QColor(90, 0, 90), true, CompositeSourceOver },
        RectFillCase { "Flipped", QTransform(1, 0, 0, -1, 0, 48), QRectF(4, 4, 20, 11), QColor(0, 90, 90), false, CompositeSourceOver },
        RectFillCase { "Fractional", QTransform(), QRectF(4.5, 5.25, 20, 10), QColor(10, 120, 30), true, CompositeSourceOver },
        RectFillCase { "ClippedEdge", QTransform(), QRectF(-5, -5, 80, 20), QColor(10, 10, 10), true, CompositeSourceOver }),
    [](const testing::TestParamInfo<RectFillCase>& info) { return std::string(info.param.name); });

} // namespace
