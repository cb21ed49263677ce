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

// A run of primitives whose state changes from one to the next: one painter that keeps what it
// last set must give the pixels of a fresh painter per primitive.
struct RectFillStep {
    QTransform ctm;
    QRectF rect;
    QColor color;
    bool antialias;
    CompositingOperation operation;
    bool clipped;
};

void rectFillRun(const Ref<GraphicsContext>& context, const RectFillStep& step)
{
    context->saveGraphicsState();
    context->setShouldAntialias(step.antialias);
    context->setCompositingOperation(step.operation);
    context->concatCTM(AffineTransform::fromQTransform(step.ctm));
    if (step.clipped)
        context->clipToRect(MakeRect(3, 4, 40, 30));
    context->setFillColor(Color::fromQColor(step.color));
    GraphicsContext::Scope scope(context);
    RectFill(MakeRect(step.rect.x(), step.rect.y(), step.rect.width(), step.rect.height()));
    QPainterPath ellipse;
    ellipse.addEllipse(step.rect);
    context->fillPathUsingOperation(ellipse, step.operation);
    context->restoreGraphicsState();
}

TEST(RectFillFastPath, StateCarriedFromOnePrimitiveToTheNextGivesFreshPixels)
{
    const RectFillStep steps[] = {
        { QTransform(), QRectF(4, 5, 20, 10), QColor(10, 120, 30), true, CompositeSourceOver, false },
        { QTransform::fromTranslate(7, 3), QRectF(1, 1, 12, 12), QColor(200, 20, 30, 100), false, CompositeSourceOver, true },
        { QTransform(), QRectF(3, 3, 30, 9), QColor(0, 0, 255, 90), true, CompositeCopy, true },
        { QTransform::fromScale(2, 2), QRectF(1.5, 2, 10, 5.5), QColor(90, 0, 90), true, CompositePlusDarker, false },
        { QTransform(1, 0, 0, -1, 0, 48), QRectF(4, 4, 20, 11), QColor(0, 90, 90, 160), false, CompositeSourceAtop, false },
        { QTransform(), QRectF(6, 2, 20, 30), QColor(250, 200, 0, 120), true, CompositeSourceOver, true },
    };
    QImage kept(64, 48, QImage::Format_ARGB32_Premultiplied), fresh(64, 48, QImage::Format_ARGB32_Premultiplied);
    kept.fill(QColor(200, 210, 220));
    fresh.fill(QColor(200, 210, 220));
    {
        const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithImage(&kept, true);
        for (const RectFillStep& step : steps)
            rectFillRun(context, step);
    }
    for (const RectFillStep& step : steps)
        rectFillRun(GraphicsContext::graphicsContextWithImage(&fresh, true), step);
    int differing = 0;
    for (int y = 0; y < kept.height(); ++y)
        for (int x = 0; x < kept.width(); ++x)
            differing += kept.pixel(x, y) != fresh.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0);
}

TEST(RectFillFastPath, AListFillsAsOneRectangleAfterAnother)
{
    const Rect rects[] = { MakeRect(2, 2, 10, 10), MakeRect(0, 0, 0, 5), MakeRect(5.5, 8, 20, 3.25), MakeRect(30, 1, 4, 40) };
    QImage list(64, 48, QImage::Format_ARGB32_Premultiplied), single(64, 48, QImage::Format_ARGB32_Premultiplied);
    list.fill(Qt::white);
    single.fill(Qt::white);
    for (QImage* image : { &list, &single }) {
        const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithImage(image, false);
        context->setFillColor(Color::fromQColor(QColor(40, 60, 200, 150)));
        GraphicsContext::Scope scope(context);
        if (image == &list) {
            RectFillList(rects, 4);
        } else {
            for (const Rect& r : rects)
                RectFill(r);
        }
    }
    EXPECT_TRUE(list == single);
    EXPECT_NE(list.pixel(3, 3), QColor(Qt::white).rgba()); // y runs down in an image context
}

} // namespace
