#include "AppKitExtensions/JVLNSImage_Extension.h"

#include "kit/tests/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using kit::Image;
using kit::MakeRect;
using kit::test::pixel;
using kit::test::pixelIs;

kit::Ref<Image> imageOf(const QImage& pixels, kit::Size size = {})
{
    auto image = Image::imageWithCGImageSize(kit::CGImage::create(pixels), size);
    return image;
}

// Top half opaque red, bottom half translucent blue (alpha 128).
QImage asymmetric(int w, int h)
{
    QImage pixels(w, h, QImage::Format_ARGB32);
    pixels.fill(QColor(0, 0, 255, 128));
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w; ++x)
            pixels.setPixel(x, y, qRgba(255, 0, 0, 255));
    return pixels;
}

struct SizeCase {
    kit::Size size;
    int width, height; // 0 = no image
};
class ImageRefCopySize : public testing::TestWithParam<SizeCase> { };

TEST_P(ImageRefCopySize, TruncatesToWholePixels)
{
    const auto& c = GetParam();
    auto image = imageOf(asymmetric(8, 8), c.size);
    auto copy = JVLNSImage_Extension::imageRefCopy(*image);
    if (c.width == 0) {
        EXPECT_EQ(copy, nullptr);
        return;
    }
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->width(), c.width);
    EXPECT_EQ(copy->height(), c.height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageRefCopySize,
    testing::Values(
        SizeCase { { 8, 8 }, 8, 8 }, SizeCase { { 10.9, 4.2 }, 10, 4 }, SizeCase { { 0.5, 8 }, 0, 0 }, SizeCase { { 8, 0.99 }, 0, 0 }));

TEST(ImageRefCopy, IsUprightPremultipliedAndRestoresTheContext)
{
    kit::test::Recorder outer;
    auto copy = JVLNSImage_Extension::imageRefCopy(*imageOf(asymmetric(8, 8)));
    EXPECT_EQ(kit::GraphicsContext::currentContext(), outer.context.get());
    ASSERT_TRUE(copy);
    const QImage& raw = copy->image();
    EXPECT_EQ(raw.format(), QImage::Format_ARGB32_Premultiplied);
    // Row 0 is the top of the picture; translucent pixels are premultiplied exactly once.
    EXPECT_EQ(raw.pixel(3, 1), qRgba(255, 0, 0, 255));
    const QRgb blue = raw.pixel(3, 6);
    EXPECT_EQ(qAlpha(blue), 128);
    EXPECT_NEAR(qBlue(blue), 128, 1);
    EXPECT_TRUE(pixelIs(kit::test::unpremultiplied(raw), 3, 6, QColor(0, 0, 255, 128), 2));
    EXPECT_TRUE(outer.records().empty());
}

TEST(ImageRefCopy, WorkerCopiesWhileTheMainThreadDraws)
{
    auto shared = imageOf(asymmetric(16, 16));
    std::thread worker([&] {
        for (int i = 0; i < 30; ++i) {
            auto copy = JVLNSImage_Extension::imageRefCopy(*shared);
            ASSERT_TRUE(copy);
            EXPECT_EQ(copy->image().pixel(2, 2), qRgba(255, 0, 0, 255));
        }
    });
    for (int i = 0; i < 30; ++i) {
        kit::test::Canvas canvas(16, 16, true);
        shared->drawInRect(MakeRect(0, 0, 16, 16));
        EXPECT_TRUE(pixelIs(canvas.finish(), 2, 2, Qt::red));
    }
    worker.join();
}

struct DarkenCase {
    const char* name;
    double white;
    int input, expected;
};
class Darkened : public testing::TestWithParam<DarkenCase> { };

TEST_P(Darkened, LowersEachChannelAndKeepsAlpha)
{
    const auto& c = GetParam();
    QImage pixels(2, 2, QImage::Format_ARGB32);
    pixels.fill(QColor(c.input, c.input, c.input, 255));
    pixels.setPixel(1, 1, qRgba(c.input, 0, c.input, 255));
    auto darkened
        = JVLNSImage_Extension::darkenedImageWithColor(*imageOf(pixels), *kit::Color::colorWithCalibratedWhiteAlpha(c.white, 1.0));
    ASSERT_TRUE(darkened);
    EXPECT_EQ(darkened->size(), (kit::Size { 2, 2 }));
    const QImage out = kit::test::unpremultiplied(darkened->bitmapForDrawing(1));
    EXPECT_EQ(pixel(out, 0, 0), QColor(c.expected, c.expected, c.expected, 255)) << c.name;
    EXPECT_EQ(pixel(out, 1, 1).green(), 0) << c.name; // clamped at 0, never wraps
}

INSTANTIATE_TEST_SUITE_P(Values, Darkened,
    testing::Values(DarkenCase { "white 0.7 on 255", 0.7, 255, 177 }, DarkenCase { "white 0.7 on 100", 0.7, 100, 22 },
        DarkenCase { "white 0.7 clamps", 0.7, 50, 0 }, DarkenCase { "white 1 still subtracts one", 1.0, 200, 199 },
        DarkenCase { "black clears", 0.0, 255, 0 }));

TEST(DarkenedImage, KeepsTranslucentAlphaAndNeedsABitmap)
{
    QImage pixels(1, 1, QImage::Format_ARGB32);
    pixels.fill(QColor(255, 255, 255, 100));
    auto darkened = JVLNSImage_Extension::darkenedImageWithColor(*imageOf(pixels), *kit::Color::colorWithCalibratedWhiteAlpha(0.7, 1));
    const QImage out = kit::test::unpremultiplied(darkened->bitmapForDrawing(1));
    EXPECT_EQ(pixel(out, 0, 0).alpha(), 100);
    EXPECT_NEAR(pixel(out, 0, 0).red(), 177, 2);

    auto svg = Image::imageWithData(R"(<svg xmlns="http://www.w3.org/2000/svg" width="4" height="4"><rect width="4" height="4"/></svg>)");
    ASSERT_TRUE(svg);
    EXPECT_EQ(JVLNSImage_Extension::darkenedImageWithColor(*svg, *kit::Color::whiteColor()), nullptr);
    auto custom = kit::make<Image>(kit::Size { 4, 4 });
    custom->addRepresentation(kit::make<kit::CustomImageRep>(kit::Size { 4, 4 }, [](kit::Rect) {}));
    EXPECT_EQ(JVLNSImage_Extension::darkenedImageWithColor(*custom, *kit::Color::whiteColor()), nullptr);
}

// Styles pass the rectangle's origin plus its height in flipped views: the image must land
// upright inside the rectangle, not upside down or a height lower.
TEST(DrawAtPoint, LandsUprightInItsRectangleInFlippedViews)
{
    QImage pixels(10, 10, QImage::Format_ARGB32);
    pixels.fill(Qt::blue);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            pixels.setPixel(x, y, qRgb(255, 0, 0));
    auto image = imageOf(pixels);
    const kit::Rect r = MakeRect(20, 10, 10, 10);
    kit::test::Canvas canvas(40, 40, true);
    JVLNSImage_Extension::drawAtPointOperation(*image, { r.minX(), r.minY() + r.height() }, kit::CompositeSourceOver);
    const QImage& out = canvas.finish();
    EXPECT_TRUE(pixelIs(out, 25, 11, Qt::red));
    EXPECT_TRUE(pixelIs(out, 25, 18, Qt::blue));
    EXPECT_TRUE(pixelIs(out, 25, 21, Qt::white));
    EXPECT_TRUE(pixelIs(out, 25, 9, Qt::white));
}

TEST(DrawAtPoint, PassesTheFractionThrough)
{
    QImage pixels(4, 4, QImage::Format_ARGB32);
    pixels.fill(Qt::black);
    kit::test::Recorder recorder(false);
    JVLNSImage_Extension::drawAtPointOperationFraction(*imageOf(pixels), { 5, 5 }, kit::CompositeSourceAtop, 0.7);
    JVLNSImage_Extension::drawAtPointOperation(*imageOf(pixels), { 5, 5 }, kit::CompositeSourceOver);
    ASSERT_EQ(recorder.records().size(), 2u);
    EXPECT_EQ(recorder.records()[0].fraction, 0.7);
    EXPECT_EQ(recorder.records()[0].operation(), kit::CompositeSourceAtop);
    EXPECT_EQ(recorder.records()[1].fraction, 1.0);
    // y up: the lower-left corner at (5, 5) means device rows 91..94 of the 100-high device.
    EXPECT_EQ(recorder.records()[1].deviceRect, QRectF(5, 91, 4, 4));
}

} // namespace
