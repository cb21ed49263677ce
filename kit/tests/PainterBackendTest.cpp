// The painter backend's short cuts: plain lines of a display pass drawn together, and shadows
// without blur drawn through a kept layer, must leave the pixels of drawing each on its own.

#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/FastLine.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsBackend.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Shadow.h"
#include "kit/testsupport/PixelProbe.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using namespace kit;

struct PainterBackendLine {
    const char* text;
    Point at;
    QColor color;
    bool bold;
};

// Lines of one font and colour in a row, then a change of colour, of font, and back.
const PainterBackendLine painterBackendLines[] = {
    { "123", { 5.5, 3.25 }, Qt::black, false },
    { "4567", { 60, 3 }, Qt::black, false },
    { "-8.9%", { 120.25, 21.75 }, Qt::black, false },
    { "42", { 5, 21.5 }, QColor(200, 30, 40), false },
    { "42", { 40, 21.5 }, QColor(200, 30, 40), false },
    { "7,5", { 170.5, 3.5 }, QColor(200, 30, 40), true },
    { "99", { 80.75, 40.5 }, Qt::black, false },
};

fastline::PlainLine painterBackendPlain(const PainterBackendLine& l)
{
    StringAttributes attributes;
    attributes.font = l.bold ? Font::boldSystemFontOfSize(12) : Font::systemFontOfSize(12);
    attributes.foregroundColor = Color::fromQColor(l.color);
    fastline::PlainLine line;
    EXPECT_TRUE(fastline::PlainTitleOf(AttributedString(QString::fromLatin1(l.text)), attributes, &line)) << l.text;
    return line;
}

// Draws through a reusable context on `image`, as a display pass draws a view: `passes` splits
// the drawing into begin/end pairs.
void painterBackendPass(QImage& image, const std::vector<std::function<void()>>& passes)
{
    QPainter painter(&image);
    const Ref<GraphicsContext> context = GraphicsContext::reusableContextWithPainter(&painter);
    for (const auto& pass : passes) {
        context->beginOnPainter(true, QTransform::fromTranslate(3, 4), std::nullopt);
        {
            GraphicsContext::Scope scope(context);
            pass();
        }
        context->endOnPainter();
    }
}

QImage painterBackendCanvas()
{
    QImage image(240, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(240, 236, 228));
    return image;
}

void painterBackendDraw(const PainterBackendLine& l)
{
    fastline::DrawLineAtPoint(QString::fromLatin1(l.text), painterBackendPlain(l), l.at);
}

} // namespace

TEST(PainterBackend, LinesOfOnePassDrawTogetherAsEachOnItsOwn)
{
    QImage together = painterBackendCanvas(), apart = painterBackendCanvas();
    painterBackendPass(together, { [] {
        for (const PainterBackendLine& l : painterBackendLines)
            painterBackendDraw(l);
    } });
    std::vector<std::function<void()>> one;
    for (const PainterBackendLine& l : painterBackendLines)
        one.push_back([l] { painterBackendDraw(l); });
    painterBackendPass(apart, one);
    EXPECT_TRUE(together == apart);
    // And something was drawn at all.
    EXPECT_FALSE(together == painterBackendCanvas());
}

TEST(PainterBackend, WaitingLinesComeBeforeWhatIsDrawnAfterThem)
{
    const PainterBackendLine& l = painterBackendLines[1];
    QImage image = painterBackendCanvas();
    bool inkBeforeTheEnd = false;
    painterBackendPass(image, { [&] {
        painterBackendDraw(l);
        // Whoever takes the painter finds the line in the device.
        QPainter* painter = GraphicsContext::currentContext()->backend().painter();
        const QImage* device = painter ? dynamic_cast<const QImage*>(painter->device()) : nullptr;
        ASSERT_TRUE(device);
        for (int y = 0; y < device->height(); ++y)
            for (int x = 0; x < device->width(); ++x)
                inkBeforeTheEnd |= qGray(device->pixel(x, y)) < 100;
        painterBackendDraw(painterBackendLines[2]);
        // A fill drawn after the lines covers them.
        Color::colorWithDeviceRedGreenBlueAlpha(0.1, 0.6, 0.2, 1)->setFill();
        RectFill(MakeRect(0, 0, 240, 40));
    } });
    EXPECT_TRUE(inkBeforeTheEnd);
    for (int y = 4; y < 44; ++y)
        for (int x = 3; x < 240; ++x)
            ASSERT_TRUE(test::pixelIs(image, x, y, QColor::fromRgbF(0.1f, 0.6f, 0.2f), 1)) << "a line drawn over the fill";
}

// A shadow without blur goes through a layer kept from label to label: a short label after a
// long one carries nothing of it.
TEST(PainterBackend, ALabelsShadowCarriesNothingOfTheLabelBefore)
{
    QImage image(300, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    auto shadow = make<Shadow>();
    shadow->setShadowOffset({ 0, -1 });
    shadow->setShadowBlurRadius(0);
    shadow->setShadowColor(Color::colorWithDeviceRedGreenBlueAlpha(1, 0, 0, 1));
    StringAttributes attributes;
    attributes.font = Font::systemFontOfSize(12);
    attributes.foregroundColor = Color::blackColor();
    attributes.shadow = shadow;
    fastline::PlainLine line;
    ASSERT_TRUE(fastline::PlainTitleOf(AttributedString(QStringLiteral("WWWWWWWW")), attributes, &line));
    {
        GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithImage(&image, true));
        fastline::DrawLineAtPoint(QStringLiteral("WWWWWWWW"), line, { 5, 5 });
        fastline::DrawLineAtPoint(QStringLiteral("."), line, { 200, 30 });
    }
    // Everything drawn right of the long label is the dot and its shadow one pixel below.
    int minX = 300, maxX = -1, minY = 60, maxY = -1;
    for (int y = 0; y < 60; ++y)
        for (int x = 150; x < 300; ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0) << "the dot is drawn";
    EXPECT_LE(maxX - minX, 4);
    EXPECT_LE(maxY - minY, 5);
    EXPECT_GE(minX, 198);
}
