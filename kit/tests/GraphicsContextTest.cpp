#include "kit/graphics/GraphicsContext.h"

#include "kit/core/Class.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/Shadow.h"
#include "kit/tests/GraphicsTestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <thread>

namespace {

using kit::Color;
using kit::GraphicsContext;
using kit::MakeRect;
using kit::test::Canvas;
using kit::test::pixel;
using kit::test::pixelIs;

TEST(GraphicsContext, CurrentContextIsPerThreadAndScoped)
{
    EXPECT_EQ(GraphicsContext::currentContext(), nullptr);
    kit::test::Recorder recorder;
    EXPECT_EQ(GraphicsContext::currentContext(), recorder.context.get());
    GraphicsContext* seenByWorker = recorder.context.get();
    std::thread([&] { seenByWorker = GraphicsContext::currentContext(); }).join();
    EXPECT_EQ(seenByWorker, nullptr);
    {
        kit::test::Recorder inner;
        EXPECT_EQ(GraphicsContext::currentContext(), inner.context.get());
    }
    EXPECT_EQ(GraphicsContext::currentContext(), recorder.context.get());
}

TEST(GraphicsContext, ClassSaveAndRestoreBringBackTheContextAndItsState)
{
    kit::test::Recorder outer;
    Color::redColor()->set();
    GraphicsContext::saveCurrentGraphicsState();
    auto other = GraphicsContext::graphicsContextWithBackend(std::make_shared<kit::RecordingBackend>(), true);
    GraphicsContext::setCurrentContext(other);
    Color::blueColor()->set();
    GraphicsContext::restoreCurrentGraphicsState();
    EXPECT_EQ(GraphicsContext::currentContext(), outer.context.get());
    EXPECT_EQ(outer.context->fillColor()->toQColor(), QColor(Qt::red));
}

TEST(GraphicsContext, SaveRestoreCoversTheWholeState)
{
    kit::test::Recorder r;
    auto& c = *r.context;
    const auto ctm = c.CTM();
    c.saveGraphicsState();
    Color::blueColor()->setFill();
    Color::redColor()->setStroke();
    auto shadow = kit::Shadow::shadow();
    shadow->setShadowOffset({ 2, -2 });
    shadow->set();
    c.setCompositingOperation(kit::CompositeSourceAtop);
    c.setShouldAntialias(false);
    kit::AffineTransform t;
    t.translateXByYBy(5, 5);
    t.concat();
    kit::BezierPath::clipRect(MakeRect(0, 0, 10, 10));
    kit::SetFocusRingStyle(kit::FocusRingOnly);
    kit::BezierPath::setDefaultLineWidth(4);
    c.restoreGraphicsState();

    EXPECT_EQ(c.fillColor()->toQColor(), QColor(Qt::black));
    EXPECT_EQ(c.strokeColor()->toQColor(), QColor(Qt::black));
    EXPECT_FALSE(c.shadow().isActive());
    EXPECT_EQ(c.compositingOperation(), kit::CompositeSourceOver);
    EXPECT_TRUE(c.shouldAntialias());
    EXPECT_EQ(c.CTM(), ctm);
    EXPECT_FALSE(c.deviceClip().has_value());
    EXPECT_FALSE(c.state().focusRingStyle.has_value());
    EXPECT_EQ(kit::BezierPath::defaultLineWidth(), 1);
    EXPECT_EQ(c.imageInterpolation(), kit::ImageInterpolationDefault);
}

TEST(GraphicsContext, ConcatActsBeforeTheCTM)
{
    kit::test::Recorder r(true);
    kit::AffineTransform scale;
    scale.scaleBy(2);
    r.context->concatCTM(scale);
    kit::AffineTransform move;
    move.translateXByYBy(10, 0);
    r.context->concatCTM(move);
    kit::BezierPath::fillRect(MakeRect(0, 0, 1, 1));
    EXPECT_EQ(r.records().back().deviceRect, QRectF(20, 0, 2, 2));
}

TEST(GraphicsContext, PortContextSetsOnlyTheFlag)
{
    auto bitmap = kit::CGContext::createBitmap(10, 20);
    auto flipped = GraphicsContext::graphicsContextWithGraphicsPortFlipped(bitmap, true);
    EXPECT_TRUE(flipped->isFlipped());
    EXPECT_FALSE(flipped->userSpaceRunsDown());
    EXPECT_EQ(flipped->CTM(), bitmap->context()->CTM());
    {
        GraphicsContext::Scope scope(flipped);
        Color::blackColor()->set();
        kit::RectFill(MakeRect(0, 0, 10, 5)); // y up: the bottom rows
    }
    const QImage image = kit::test::unpremultiplied(bitmap->createImage()->image());
    EXPECT_EQ(pixel(image, 5, 19).alpha(), 255);
    EXPECT_EQ(pixel(image, 5, 0).alpha(), 0);
}

TEST(GraphicsContext, BitmapSnapshotsAreIndependent)
{
    auto bitmap = kit::CGContext::createBitmap(4, 4);
    bitmap->setFillColor({ 1, 0, 0, 1 });
    bitmap->fillRect(MakeRect(0, 0, 4, 4));
    auto snapshot = bitmap->createImage();
    bitmap->setFillColor({ 0, 0, 1, 1 });
    bitmap->fillRect(MakeRect(0, 0, 4, 4));
    EXPECT_EQ(pixel(snapshot->image(), 1, 1), QColor(Qt::red));
    EXPECT_EQ(pixel(bitmap->createImage()->image(), 1, 1), QColor(Qt::blue));
    EXPECT_EQ(kit::CGContext::createBitmap(0, 5), nullptr);
}

// --- Compositing ---

struct OpCase {
    const char* name;
    kit::CompositingOperation op;
    QColor source, destination, expected; // destination fills the canvas; source a rectangle in it
};

class Compositing : public testing::TestWithParam<OpCase> { };

TEST_P(Compositing, ActsInsideThePrimitiveOnly)
{
    const auto& c = GetParam();
    Canvas canvas(20, 20, false, c.destination);
    Color::fromQColor(c.source)->setFill();
    kit::RectFillUsingOperation(MakeRect(5, 5, 10, 10), c.op);
    const QImage& image = canvas.finish();
    EXPECT_TRUE(pixelIs(image, 10, 10, c.expected, 2)) << c.name;
    EXPECT_TRUE(pixelIs(image, 1, 1, c.destination, 0)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Ops, Compositing,
    testing::Values(OpCase { "copy", kit::CompositeCopy, QColor(255, 0, 0, 128), Qt::white, QColor(255, 0, 0, 128) },
        OpCase { "source over", kit::CompositeSourceOver, QColor(0, 0, 0, 128), Qt::white, QColor(127, 127, 127) },
        OpCase { "source atop over opaque", kit::CompositeSourceAtop, QColor(0, 0, 0, 128), Qt::white, QColor(127, 127, 127) },
        OpCase { "destination in", kit::CompositeDestinationIn, QColor(0, 0, 0, 128), Qt::red, QColor(255, 0, 0, 128) },
        OpCase { "clear", kit::CompositeClear, Qt::black, Qt::white, QColor(0, 0, 0, 0) },
        // max(0, D − Sa(1 − S)) = 1 − 0.99·0.03 = 0.9703
        OpCase { "plus darker", kit::CompositePlusDarker, QColor::fromRgbF(0.97f, 0.97f, 0.97f, 0.99f), Qt::white,
            QColor::fromRgbF(0.9703f, 0.9703f, 0.9703f) },
        OpCase { "highlight is source over", kit::CompositeHighlight, QColor(0, 0, 0, 128), Qt::white, QColor(127, 127, 127) }));

TEST(GraphicsContext, RectFillCopiesAndFrameRectStaysInside)
{
    Canvas canvas(20, 20, true);
    Color::colorWithCalibratedRedGreenBlueAlpha(0, 0, 1, 0.5)->set();
    kit::RectFill(MakeRect(0, 0, 5, 5));
    Color::blackColor()->set();
    kit::FrameRect(MakeRect(10, 10, 6, 6));
    const QImage& image = canvas.finish();
    EXPECT_TRUE(pixelIs(image, 2, 2, QColor(0, 0, 255, 128)));
    EXPECT_TRUE(pixelIs(image, 10, 12, Qt::black));
    EXPECT_TRUE(pixelIs(image, 15, 15, Qt::black));
    EXPECT_TRUE(pixelIs(image, 12, 12, Qt::white));
    EXPECT_TRUE(pixelIs(image, 16, 12, Qt::white));
    EXPECT_TRUE(pixelIs(image, 9, 12, Qt::white));
}

// --- Shadows: offset in device space, y up, whatever the user space does ---

struct ShadowCase {
    const char* name;
    bool flipped;
    double scale;
};

class ShadowOffset : public testing::TestWithParam<ShadowCase> { };

TEST_P(ShadowOffset, MinusOneIsOnePixelDown)
{
    const auto& c = GetParam();
    Canvas canvas(40, 40, c.flipped);
    kit::AffineTransform scale;
    scale.scaleBy(c.scale);
    scale.concat();
    auto shadow = kit::Shadow::shadow();
    shadow->setShadowOffset({ 0, -1 });
    shadow->setShadowBlurRadius(0);
    shadow->setShadowColor(Color::redColor());
    shadow->set();
    Color::blackColor()->set();
    // A square whose device rows are 10..19, whatever the flip and scale.
    const double s = c.scale;
    kit::BezierPath::fillRect(c.flipped ? MakeRect(10 / s, 10 / s, 10 / s, 10 / s) : MakeRect(10 / s, 20 / s, 10 / s, 10 / s));
    const QImage& image = canvas.finish();
    EXPECT_TRUE(pixelIs(image, 15, 19, Qt::black)) << c.name;
    EXPECT_TRUE(pixelIs(image, 15, 20, Qt::red)) << c.name; // one pixel below on screen
    EXPECT_TRUE(pixelIs(image, 15, 21, Qt::white)) << c.name; // blur 0: crisp
    EXPECT_TRUE(pixelIs(image, 15, 9, Qt::white)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Spaces, ShadowOffset,
    testing::Values(ShadowCase { "unflipped", false, 1 }, ShadowCase { "flipped", true, 1 }, ShadowCase { "scaled", false, 2 },
        ShadowCase { "flipped scaled", true, 0.5 }));

TEST(Shadow, BlursAndEndsWithTheGraphicsState)
{
    Canvas canvas(60, 40, true);
    canvas.context->saveGraphicsState();
    auto shadow = kit::Shadow::shadow();
    shadow->setShadowOffset({ 0, -4 });
    shadow->setShadowBlurRadius(4);
    EXPECT_EQ(shadow->shadowColor()->alphaComponent(), 1.0 / 3.0);
    shadow->set();
    kit::BezierPath::fillRect(MakeRect(5, 5, 20, 10));
    canvas.context->restoreGraphicsState();
    kit::BezierPath::fillRect(MakeRect(35, 5, 20, 10));
    const QImage& image = canvas.finish();
    // Soft edge under the first rectangle, none under the second.
    const int below = pixel(image, 15, 17).red();
    EXPECT_LT(below, 250);
    EXPECT_GT(below, 170);
    EXPECT_LT(pixel(image, 15, 16).red(), below);
    EXPECT_TRUE(pixelIs(image, 45, 17, Qt::white));
}

// Repaints draw the same shadows again: each drawing gives the pixels of a first one, whatever
// was drawn before with another colour, blur or shape of the same size.
TEST(Shadow, DrawnAgainOrChangedGivesTheSamePixelsAsAtFirst)
{
    struct Look {
        QColor color;
        double blur;
        double x; // where the rectangle starts inside its layer-sized box
    };
    const Look looks[] = { { Qt::red, 2, 5 }, { Qt::blue, 2, 5 }, { Qt::red, 3, 5 }, { Qt::red, 2, 6 }, { Qt::red, 2, 5.5 } };
    const auto draw = [](const Look& look) {
        Canvas canvas(40, 30, true);
        auto shadow = kit::Shadow::shadow();
        shadow->setShadowOffset({ 1, -2 });
        shadow->setShadowBlurRadius(look.blur);
        shadow->setShadowColor(Color::fromQColor(look.color));
        shadow->set();
        kit::BezierPath::fillRect(MakeRect(look.x, 5, 20, 10));
        return canvas.finish().copy();
    };
    std::vector<QImage> first;
    for (const Look& look : looks)
        first.push_back(draw(look));
    for (std::size_t i = 1; i < first.size(); ++i)
        EXPECT_NE(first[i], first[0]) << i;
    for (int round = 0; round < 2; ++round)
        for (std::size_t i = std::size(looks); i-- > 0;)
            EXPECT_EQ(draw(looks[i]), first[i]) << i << " round " << round;
}

TEST(GraphicsContext, ShadowIsRecordedWithThePrimitive)
{
    kit::test::Recorder r;
    auto shadow = kit::Shadow::shadow();
    shadow->setShadowOffset({ 2, -2 });
    shadow->setShadowBlurRadius(2);
    shadow->set();
    kit::BezierPath::fillRect(MakeRect(0, 0, 4, 4));
    ASSERT_EQ(r.records().size(), 1u);
    EXPECT_EQ(r.records()[0].state.shadow.offset, QPointF(2, -2));
    EXPECT_EQ(r.records()[0].state.shadow.blurRadius, 2);
}

TEST(GraphicsContext, FocusRingOnlyDrawsOutsideTheShape)
{
    Canvas canvas(40, 40, true);
    kit::SetFocusRingStyle(kit::FocusRingOnly);
    Color::blackColor()->set();
    kit::BezierPath::fillRect(MakeRect(10, 10, 20, 20));
    const QImage& image = canvas.finish();
    EXPECT_TRUE(pixelIs(image, 20, 20, Qt::white));
    EXPECT_NE(pixel(image, 8, 20), QColor(Qt::white));
    EXPECT_TRUE(pixelIs(image, 2, 20, Qt::white));
}

TEST(GraphicsContext, ViewContextTakesThePaintersTransformAndClip)
{
    QImage image(30, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.translate(10, 10);
        painter.setClipRect(0, 0, 5, 5);
        auto c = GraphicsContext::graphicsContextWithPainter(&painter, true);
        GraphicsContext::Scope scope(c);
        Color::blackColor()->set();
        kit::RectFill(MakeRect(0, 0, 20, 20));
    }
    EXPECT_TRUE(pixelIs(image, 12, 12, Qt::black));
    EXPECT_TRUE(pixelIs(image, 16, 16, Qt::white));
    EXPECT_TRUE(pixelIs(image, 5, 5, Qt::white));
}

} // namespace

namespace {

// Everything drawn after clipToMask is masked by its alpha when the state is restored; multiply
// blends with what is underneath.
TEST(CGContext, ClipToMaskAndMultiply)
{
    auto bitmap = kit::CGContext::createBitmap(20, 10);
    bitmap->setFillColor({ 1, 1, 1, 1 });
    bitmap->fillRect(MakeRect(0, 0, 20, 10));
    QImage mask(20, 10, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            mask.setPixel(x, y, qRgba(0, 0, 0, 255));
    bitmap->saveGState();
    bitmap->clipToMask(MakeRect(0, 0, 20, 10), kit::CGImage::create(mask));
    bitmap->setFillColor({ 0, 0, 1, 1 });
    bitmap->fillRect(MakeRect(0, 0, 20, 10));
    bitmap->restoreGState();

    bitmap->saveGState();
    bitmap->setBlendMode(kit::CGBlendModeMultiply);
    bitmap->setFillColor({ 1, 0, 0, 1 });
    bitmap->fillRect(MakeRect(0, 0, 20, 5)); // y up: the bottom half
    bitmap->restoreGState();

    const QImage image = kit::test::unpremultiplied(bitmap->createImage()->image());
    EXPECT_TRUE(pixelIs(image, 5, 2, Qt::blue));
    EXPECT_TRUE(pixelIs(image, 15, 2, Qt::white));
    EXPECT_TRUE(pixelIs(image, 5, 8, Qt::black)); // blue × red
    EXPECT_TRUE(pixelIs(image, 15, 8, Qt::red)); // white × red
}

// Pattern colours tile from the device origin (moved by the phase), not from the shape.
TEST(Color, PatternTilesFromTheContextOrigin)
{
    QImage tile(4, 1, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::white);
    tile.setPixel(0, 0, qRgb(0, 0, 0));
    auto pattern = Color::colorWithPatternImage(kit::Image::imageWithCGImageSize(kit::CGImage::create(tile), kit::ZeroSize));
    Canvas canvas(12, 4, false, Qt::red);
    pattern->setFill();
    kit::BezierPath::fillRect(MakeRect(1, 0, 11, 4));
    canvas.context->setPatternPhase({ 2, 0 });
    kit::BezierPath::fillRect(MakeRect(0, 0, 1, 4));
    const QImage& image = canvas.finish();
    EXPECT_TRUE(pixelIs(image, 4, 1, Qt::black));
    EXPECT_TRUE(pixelIs(image, 8, 2, Qt::black));
    EXPECT_TRUE(pixelIs(image, 5, 1, Qt::white));
    EXPECT_TRUE(pixelIs(image, 0, 1, Qt::white)); // phase 2: the black column moved to x = 2
}

// A pattern tiles one of its points per device point, with as many pixels per point as the
// device has: each device pixel shows its own pixel of the image's best representation for that
// scale, nothing stretched or blurred.
class PatternAtDeviceScale : public testing::TestWithParam<int> { };

TEST_P(PatternAtDeviceScale, TilesFromTheRepresentationForTheDevicePixels)
{
    const int scale = GetParam();
    // 2 x 1 points: the 1x picture is red, green; the 2x one black, white, blue, blue (both rows).
    QImage oneX(2, 1, QImage::Format_ARGB32_Premultiplied);
    oneX.setPixel(0, 0, qRgb(255, 0, 0));
    oneX.setPixel(1, 0, qRgb(0, 255, 0));
    QImage twoX(4, 2, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 2; ++y) {
        twoX.setPixel(0, y, qRgb(0, 0, 0));
        twoX.setPixel(1, y, qRgb(255, 255, 255));
        twoX.setPixel(2, y, qRgb(0, 0, 255));
        twoX.setPixel(3, y, qRgb(0, 0, 255));
    }
    auto image = kit::Image::imageWithSize(kit::MakeSize(2, 1));
    for (const QImage& pixels : { oneX, twoX }) {
        auto rep = kit::make<kit::BitmapImageRep>(pixels);
        rep->setSize(kit::MakeSize(2, 1));
        image->addRepresentation(rep);
    }
    const auto pattern = Color::colorWithPatternImage(image);
    const std::vector<QColor> oneXColumns { Qt::red, Qt::green };
    const std::vector<QColor> twoXColumns { Qt::black, Qt::white, Qt::blue, Qt::blue };
    const std::vector<QColor>& columns = scale == 2 ? twoXColumns : oneXColumns;
    const int period = int(columns.size());

    for (const double phase : { 0.0, 1.0 }) {
        QImage device(8 * scale, 2 * scale, QImage::Format_ARGB32_Premultiplied);
        device.setDevicePixelRatio(scale);
        device.fill(Qt::magenta);
        {
            QPainter painter(&device);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            const auto context = kit::GraphicsContext::graphicsContextWithPainter(&painter, false);
            kit::GraphicsContext::setCurrentContext(context);
            context->setPatternPhase({ phase, 0 });
            pattern->setFill();
            kit::BezierPath::fillRect(MakeRect(0, 0, 8, 2));
            kit::GraphicsContext::setCurrentContext(nullptr);
        }
        // The phase is in points: one point moves the tile by `scale` device pixels.
        const int shift = int(phase) * scale;
        for (int x = 0; x < device.width(); ++x)
            for (int y = 0; y < device.height(); ++y)
                ASSERT_TRUE(pixelIs(device, x, y, columns[((x - shift) % period + period) % period], 0))
                    << "scale " << scale << " phase " << phase << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, PatternAtDeviceScale, testing::Values(1, 2));

// At a backing scale of 2 vector images are rendered for the device pixels, not stretched.
TEST(Image, VectorRepsRenderAtTheDeviceScale)
{
    auto svg = kit::Image::imageWithData(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><rect width="10" height="10"/></svg>)");
    kit::test::Recorder recorder(true);
    kit::AffineTransform scale;
    scale.scaleBy(2);
    scale.concat();
    svg->drawInRect(MakeRect(0, 0, 10, 10));
    ASSERT_EQ(recorder.records().size(), 1u);
    EXPECT_EQ(recorder.records()[0].image.size(), QSize(20, 20));
    EXPECT_EQ(recorder.records()[0].deviceRect, QRectF(0, 0, 20, 20));
}

} // namespace

namespace {

TEST(GraphicsClasses, AreRegisteredByName)
{
    for (const char* name :
        { "GraphicsContext", "BezierPath", "Color", "Gradient", "Shading", "Shadow", "Image", "ImageRep", "BitmapImageRep", "SVGImageRep",
            "CustomImageRep", "CGImage", "CGContext", "CGPath", "Font", "FontManager", "ParagraphStyle", "Cursor", "ImageSource" })
        EXPECT_NE(kit::classFromString(name), nullptr) << name;
    const kit::Class* rep = kit::classFromString("BitmapImageRep");
    ASSERT_TRUE(rep);
    EXPECT_TRUE(rep->isSubclassOfClass(kit::ImageRep::staticClass()));
    auto image = kit::classFromString("Image")->make();
    EXPECT_TRUE(image && image->isKindOfClass(kit::Image::staticClass()));
    // Immutable values copy to themselves; equality is by value.
    auto color = Color::redColor();
    EXPECT_EQ(color->copy(), color);
    EXPECT_TRUE(color->isEqual(Color::redColor().get()));
    EXPECT_EQ(color->hash(), Color::redColor()->hash());
}

} // namespace
