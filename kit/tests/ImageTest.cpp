#include "kit/graphics/Image.h"

#include "kit/foundation/Bundle.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/tests/GraphicsTestSupport.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace {

using kit::Image;
using kit::MakeRect;
using kit::test::Canvas;
using kit::test::pixel;
using kit::test::pixelIs;

// Top half red, bottom half blue, as seen upright.
kit::Ref<Image> imageRedOverBlue(int w = 20, int h = 20)
{
    QImage pixels(w, h, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::blue);
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w; ++x)
            pixels.setPixel(x, y, qRgb(255, 0, 0));
    auto image = kit::make<Image>();
    image->addRepresentation(kit::make<kit::BitmapImageRep>(pixels));
    return image;
}

QByteArray pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString writePngFile(const QTemporaryDir& dir, const QString& name, const QImage& image)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(pngOf(image));
    return path;
}

struct PlacementCase {
    const char* name;
    bool flipped;
    bool imageFlippedFlag;
};

class ImageUpright : public testing::TestWithParam<PlacementCase> { };

TEST_P(ImageUpright, DrawInRectShowsTheTopOnTop)
{
    const auto& c = GetParam();
    Canvas canvas(40, 40, c.flipped);
    auto image = imageRedOverBlue();
    image->setFlipped(c.imageFlippedFlag);
    image->drawInRect(MakeRect(10, 10, 20, 20));
    const QImage& out = canvas.finish();
    EXPECT_TRUE(pixelIs(out, 20, 12, Qt::red)) << c.name;
    EXPECT_TRUE(pixelIs(out, 20, 27, Qt::blue)) << c.name;
    EXPECT_TRUE(pixelIs(out, 20, 8, Qt::white)) << c.name;
    EXPECT_TRUE(pixelIs(out, 20, 31, Qt::white)) << c.name;
}

// The point is the visual lower-left corner: flipped views pass origin + height.
TEST_P(ImageUpright, DrawAtPointPutsTheLowerLeftCornerAtThePoint)
{
    const auto& c = GetParam();
    Canvas canvas(40, 40, c.flipped);
    auto image = imageRedOverBlue();
    image->setFlipped(c.imageFlippedFlag);
    // Screen rows 10..29 either way.
    image->drawAtPointFromRectOperationFraction(
        c.flipped ? kit::Point { 10, 30 } : kit::Point { 10, 10 }, kit::ZeroRect, kit::CompositeSourceOver, 1.0);
    const QImage& out = canvas.finish();
    EXPECT_TRUE(pixelIs(out, 20, 10, Qt::red)) << c.name;
    EXPECT_TRUE(pixelIs(out, 20, 29, Qt::blue)) << c.name;
    EXPECT_TRUE(pixelIs(out, 20, 9, Qt::white)) << c.name;
    EXPECT_TRUE(pixelIs(out, 20, 30, Qt::white)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Spaces, ImageUpright,
    testing::Values(PlacementCase { "unflipped", false, false }, PlacementCase { "flipped view", true, false },
        PlacementCase { "flipped image", false, true }, PlacementCase { "both flipped", true, true }));

TEST(Image, FromRectIsInImagePointsWithYUp)
{
    for (bool flipped : { false, true }) {
        Canvas canvas(20, 20, flipped);
        imageRedOverBlue()->drawInRectFromRectOperationFraction(MakeRect(0, 0, 20, 20), MakeRect(0, 0, 20, 10), kit::CompositeSourceOver, 1.0);
        const QImage& out = canvas.finish();
        EXPECT_TRUE(pixelIs(out, 10, 2, Qt::blue)) << flipped;
        EXPECT_TRUE(pixelIs(out, 10, 17, Qt::blue)) << flipped;
    }
}

TEST(Image, FractionAndCopyIntoTransparent)
{
    Canvas canvas(20, 20, true, Qt::transparent);
    imageRedOverBlue()->drawInRectFromRectOperationFraction(MakeRect(0, 0, 20, 20), kit::ZeroRect, kit::CompositeCopy, 0.5);
    const QImage& out = canvas.finish();
    EXPECT_TRUE(pixelIs(out, 5, 5, QColor(255, 0, 0, 128)));
}

TEST(Image, LockFocusIsYUpUnlessFlipped)
{
    for (bool flipped : { false, true }) {
        auto image = Image::imageWithSize({ 10, 10 });
        image->lockFocusFlipped(flipped);
        kit::Color::blackColor()->set();
        kit::RectFill(MakeRect(0, 0, 10, 3));
        image->unlockFocus();
        EXPECT_EQ(kit::GraphicsContext::currentContext(), nullptr);
        const QImage pixels = kit::test::unpremultiplied(image->bitmapForDrawing(1));
        const int inked = flipped ? 1 : 8;
        const int clear = flipped ? 8 : 1;
        EXPECT_EQ(pixel(pixels, 5, inked).alpha(), 255) << flipped;
        EXPECT_EQ(pixel(pixels, 5, clear).alpha(), 0) << flipped;
    }
}

// An indicator drawn at (w − 22, 3) in an unflipped image sits 3 px above its bottom edge.
TEST(Image, LockFocusDrawingAtPointCountsFromTheBottom)
{
    auto cell = Image::imageWithSize({ 50, 20 });
    QImage dot(5, 5, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::black);
    auto indicator = Image::imageWithCGImageSize(kit::CGImage::create(dot), kit::ZeroSize);
    cell->lockFocus();
    indicator->drawAtPointFromRectOperationFraction({ 50 - 22, 3 }, kit::ZeroRect, kit::CompositeSourceOver, 1.0);
    cell->unlockFocus();
    const QImage pixels = kit::test::unpremultiplied(cell->bitmapForDrawing(1));
    EXPECT_EQ(pixel(pixels, 28, 20 - 4).alpha(), 255); // bottom row of the dot: 3 px up
    EXPECT_EQ(pixel(pixels, 28, 20 - 3).alpha(), 0);
    EXPECT_EQ(pixel(pixels, 28, 20 - 8).alpha(), 255);
    EXPECT_EQ(pixel(pixels, 28, 20 - 9).alpha(), 0);
}

TEST(Image, LockFocusNestsAndKeepsEarlierContent)
{
    auto outer = Image::imageWithSize({ 4, 4 });
    auto inner = imageRedOverBlue(4, 4);
    outer->lockFocus();
    inner->lockFocus();
    kit::Color::blackColor()->set();
    kit::RectFill(MakeRect(0, 0, 1, 1));
    inner->unlockFocus();
    inner->drawInRect(MakeRect(0, 0, 4, 4));
    outer->unlockFocus();
    const QImage pixels = kit::test::unpremultiplied(outer->bitmapForDrawing(1));
    EXPECT_EQ(pixel(pixels, 3, 0), QColor(Qt::red));
    EXPECT_EQ(pixel(pixels, 0, 3), QColor(Qt::black));
    EXPECT_EQ(pixel(pixels, 3, 3), QColor(Qt::blue));
}

// Bitmaps past 32767 pixels a side or 256 MB are not made: drawing into one does nothing and says so once.
struct OversizedCase {
    const char* name;
    kit::Size size;
};

class ImageOversized : public testing::TestWithParam<OversizedCase> { };

TEST_P(ImageOversized, LockFocusDrawsNowhereAndLogsOnce)
{
    auto image = Image::imageWithSize(GetParam().size);
    kit::test::LogRecorder log;
    image->lockFocus();
    ASSERT_NE(kit::GraphicsContext::currentContext(), nullptr);
    kit::Color::blackColor()->set();
    kit::RectFill(MakeRect(0, 0, 10, 10));
    image->unlockFocus();
    EXPECT_EQ(kit::GraphicsContext::currentContext(), nullptr);
    EXPECT_TRUE(image->representations().empty());
    EXPECT_EQ(log.lines().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageOversized,
    testing::Values(OversizedCase { "PlaceholderOfAHugeItem", { 6e9, 600 } }, OversizedCase { "TallerThanASide", { 10, 32768 } },
        OversizedCase { "MoreThan256MB", { 8193, 8193 } }, OversizedCase { "Infinite", { INFINITY, 10 } },
        OversizedCase { "NotANumber", { NAN, 10 } }),
    [](const auto& info) { return std::string(info.param.name); });

// Pixels rendered to be drawn stop at the limit, in proportion, and still draw.
TEST(Image, DrawingFarLargerRendersAtMostTheLimit)
{
    auto strip = Image::imageWithData(R"(<svg xmlns="http://www.w3.org/2000/svg" width="2" height="2"><rect width="2" height="2" fill="#f00"/></svg>)");
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->bitmapForDrawing(1e12).size(), QSize(8192, 8192));
    kit::Rect proposed = MakeRect(0, 0, 1e10, 1);
    const auto cg = strip->CGImageForProposedRectContextHints(&proposed);
    ASSERT_TRUE(cg);
    EXPECT_EQ(cg->width(), 32767);
    EXPECT_EQ(cg->height(), 1);
    Canvas canvas(20, 20, false, Qt::transparent);
    strip->drawInRect(MakeRect(0, 0, 1e6, 20));
    EXPECT_TRUE(pixelIs(canvas.finish(), 5, 5, Qt::red));
}

TEST(Image, CopiesAreIndependent)
{
    auto original = imageRedOverBlue(4, 4);
    auto copy = kit::static_pointer_cast<Image>(original->copy());
    copy->lockFocus();
    kit::Color::blackColor()->set();
    kit::RectFill(MakeRect(0, 0, 4, 4));
    copy->unlockFocus();
    EXPECT_EQ(pixel(kit::test::unpremultiplied(original->bitmapForDrawing(1)), 0, 0), QColor(Qt::red));
}

TEST(Image, DataSniffingAndMissingFiles)
{
    QImage source(8, 6, QImage::Format_ARGB32);
    source.fill(QColor(0, 128, 0, 200));
    auto png = Image::imageWithData(pngOf(source));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->size(), (kit::Size { 8, 6 }));
    EXPECT_EQ(Image::imageWithData("not an image at all"), nullptr);
    EXPECT_EQ(Image::imageWithData(QByteArray()), nullptr);
    auto svg = Image::imageWithData(R"(<svg xmlns="http://www.w3.org/2000/svg" width="12" height="7"><rect width="12" height="7"/></svg>)");
    ASSERT_TRUE(svg);
    EXPECT_EQ(svg->size(), (kit::Size { 12, 7 }));
    EXPECT_FALSE(svg->representations().front()->isBitmap());

    EXPECT_EQ(Image::imageByReferencingFile(QString()), nullptr);
    auto missing = Image::imageByReferencingFile("/nonexistent/file.png");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->size(), kit::ZeroSize);
    kit::test::Recorder recorder;
    missing->drawInRect(MakeRect(0, 0, 10, 10));
    missing->drawAtPointFromRectOperationFraction({ 0, 0 }, kit::ZeroRect, kit::CompositeSourceOver, 1);
    EXPECT_TRUE(recorder.records().empty());

    QTemporaryDir dir;
    const QString path = writePngFile(dir, "lazy.png", source);
    auto lazy = Image::imageByReferencingFile(path);
    EXPECT_EQ(lazy->size(), (kit::Size { 8, 6 }));
}

kit::Ref<Image> imageArchiveRoundTrip(const kit::Ref<Image>& image, QString* error = nullptr)
{
    const QByteArray archive = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(image));
    QString failure;
    auto decoded = kit::KeyedUnarchiver::unarchivedObjectOfClass(Image::staticClass(), archive, &failure);
    if (error)
        *error = failure;
    return kit::static_pointer_cast<Image>(decoded);
}

TEST(ImageArchiving, NamedImagesComeBackByNameAndStayIndependent)
{
    auto named = Image::imageNamed(kit::ImageNameAddTemplate);
    ASSERT_TRUE(named);
    auto decoded = imageArchiveRoundTrip(named);
    ASSERT_TRUE(decoded);
    EXPECT_NE(decoded.get(), named.get());
    EXPECT_EQ(decoded->name(), kit::ImageNameAddTemplate);
    EXPECT_TRUE(decoded->isTemplate());
    EXPECT_EQ(decoded->size(), named->size());

    const QImage before = named->bitmapForDrawing(1);
    decoded->lockFocus();
    kit::Color::blackColor()->set();
    kit::RectFill(MakeRect(0, 0, 100, 100));
    decoded->unlockFocus();
    EXPECT_EQ(named->bitmapForDrawing(1), before);

    QString error;
    auto unknown = kit::make<Image>(kit::Size { 4, 4 });
    unknown->setName(QStringLiteral("NoSuchImageAnywhere"));
    imageArchiveRoundTrip(unknown, &error);
    EXPECT_FALSE(error.isEmpty());
}

TEST(ImageArchiving, ReferencedFilesByPathOthersAsPixels)
{
    QImage source(8, 6, QImage::Format_ARGB32);
    source.fill(QColor(0, 128, 0));
    QTemporaryDir dir;
    const QString path = writePngFile(dir, "referenced.png", source);
    auto referenced = Image::imageByReferencingFile(path);
    const QByteArray archive = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(referenced));
    EXPECT_FALSE(archive.contains("PNG")) << "a referenced file is archived by its path";
    auto byPath = imageArchiveRoundTrip(referenced);
    ASSERT_TRUE(byPath);
    EXPECT_EQ(byPath->size(), (kit::Size { 8, 6 }));
    EXPECT_EQ(imageArchiveRoundTrip(byPath)->size(), (kit::Size { 8, 6 }));
    // A bundle's image is named, but the name is known only to its bundle: the path serves.
    referenced->setName(QStringLiteral("KnownOnlyToItsBundle"));
    QString error;
    auto byNameThenPath = imageArchiveRoundTrip(referenced, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_TRUE(byNameThenPath);
    EXPECT_EQ(byNameThenPath->size(), (kit::Size { 8, 6 }));

    auto drawn = imageRedOverBlue(6, 4);
    drawn->setFlipped(true);
    auto byData = imageArchiveRoundTrip(drawn);
    ASSERT_TRUE(byData);
    EXPECT_TRUE(byData->isFlipped());
    const QImage pixels = kit::test::unpremultiplied(byData->bitmapForDrawing(1));
    EXPECT_EQ(pixel(pixels, 0, 0), QColor(Qt::red));
    EXPECT_EQ(pixel(pixels, 0, 3), QColor(Qt::blue));

    auto halfSize = imageRedOverBlue(8, 8);
    halfSize->setSize({ 4, 4 });
    auto sharp = imageArchiveRoundTrip(halfSize);
    EXPECT_EQ(sharp->size(), (kit::Size { 4, 4 }));
    EXPECT_EQ(sharp->bitmapForDrawing(2).size(), QSize(8, 8));
    EXPECT_EQ(sharp->representations().front()->pixelsWide(), 8) << "bitmaps keep their finest resolution";
}

TEST(ImageVectorRendering, SlicesStretchAndRenderedSizesStayBounded)
{
    // A 1 x 22 strip: red on top, blue below.
    auto strip = Image::imageWithData(R"(<svg xmlns="http://www.w3.org/2000/svg" width="1" height="22">)"
                                      R"(<rect width="1" height="11" fill="#f00"/><rect y="11" width="1" height="11" fill="#00f"/></svg>)");
    ASSERT_TRUE(strip);
    auto* rep = dynamic_cast<kit::SVGImageRep*>(strip->representations().front().get());
    ASSERT_TRUE(rep);
    for (const bool flipped : { false, true }) {
        Canvas canvas(600, 22, flipped);
        for (int width = 100; width < 600; ++width)
            strip->drawInRectFromRectOperationFraction(MakeRect(0, 0, width, 22), MakeRect(0, 0, 1, 22), kit::CompositeSourceOver, 1);
        EXPECT_EQ(rep->renderedSizeCount(), 1u) << "a slice renders at the image's own size";
        const QImage& out = canvas.finish();
        EXPECT_TRUE(pixelIs(out, 550, 2, Qt::red));
        EXPECT_TRUE(pixelIs(out, 550, 19, Qt::blue));
    }
    Canvas canvas(600, 60, false);
    for (int width = 1; width <= 500; ++width)
        strip->drawInRect(MakeRect(0, 0, width, 22 + width % 30));
    EXPECT_LE(rep->renderedSizeCount(), kit::detail::RenderedSizes::bound);
}

TEST(Image, TIFFRoundTripKeepsPixels)
{
    auto image = imageRedOverBlue(32, 32);
    const QByteArray tiff = image->TIFFRepresentationUsingCompressionFactor(kit::TIFFCompressionNone, 0);
    ASSERT_FALSE(tiff.isEmpty());
    auto back = Image::imageWithData(tiff);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), (kit::Size { 32, 32 }));
    const QImage pixels = kit::test::unpremultiplied(back->bitmapForDrawing(1));
    EXPECT_EQ(pixel(pixels, 3, 3), QColor(Qt::red));
    EXPECT_EQ(pixel(pixels, 3, 30), QColor(Qt::blue));
}

TEST(Image, SizeScalesTheDrawingAndCGImageTakesPixelSize)
{
    auto image = imageRedOverBlue(20, 20);
    image->setScalesWhenResized(true);
    image->setSize({ 10, 10 });
    kit::test::Recorder recorder(true);
    image->drawAtPointFromRectOperationFraction({ 0, 10 }, kit::ZeroRect, kit::CompositeSourceOver, 1);
    ASSERT_EQ(recorder.records().size(), 1u);
    EXPECT_EQ(recorder.records()[0].deviceRect, QRectF(0, 0, 10, 10));
    auto fromCG = Image::imageWithCGImageSize(kit::CGImage::create(QImage(7, 3, QImage::Format_ARGB32)), kit::ZeroSize);
    EXPECT_EQ(fromCG->size(), (kit::Size { 7, 3 }));
    kit::Rect proposed = MakeRect(0, 0, 5, 5);
    EXPECT_EQ(image->CGImageForProposedRectContextHints(&proposed)->width(), 20);
}

TEST(Image, CustomRepsDrawYUp)
{
    auto image = kit::make<Image>(kit::Size { 14, 14 });
    image->addRepresentation(kit::make<kit::CustomImageRep>(kit::Size { 14, 14 }, [](kit::Rect bounds) {
        kit::Color::blackColor()->set();
        kit::RectFill(MakeRect(0, 0, bounds.width(), bounds.height() / 2));
    }));
    Canvas canvas(14, 14, true);
    image->drawInRect(MakeRect(0, 0, 14, 14));
    const QImage& out = canvas.finish();
    EXPECT_TRUE(pixelIs(out, 7, 12, Qt::black));
    EXPECT_TRUE(pixelIs(out, 7, 2, Qt::white));
}

TEST(Image, NamedSystemImagesAreTemplates)
{
    auto add = Image::imageNamed(kit::ImageNameAddTemplate);
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->isTemplate());
    EXPECT_EQ(Image::imageNamed(kit::ImageNameAddTemplate), add);
    EXPECT_EQ(Image::imageNamed("NoSuchImageAnywhere"), nullptr);
    Image::setNamedImageLookup([](const QString& name) { return name == "pi" ? imageRedOverBlue(4, 4) : nullptr; });
    EXPECT_TRUE(Image::imageNamed("pi"));
    Image::setNamedImageLookup({});

    // The main bundle's resources, by base name.
    QTemporaryDir bundle;
    QDir(bundle.path()).mkpath("Resources");
    QFile svg(bundle.filePath("Resources/divider.svg"));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="1" height="22"><rect width="1" height="22"/></svg>)");
    svg.close();
    kit::Bundle::setMainBundlePathForTesting(bundle.path());
    auto divider = Image::imageNamed("divider");
    kit::Bundle::setMainBundlePathForTesting({});
    ASSERT_TRUE(divider);
    EXPECT_EQ(divider->size(), (kit::Size { 1, 22 }));
    EXPECT_EQ(divider->name(), "divider");
}

TEST(Image, DrawsOnWorkerThreadsWhileTheMainThreadDraws)
{
    auto shared = imageRedOverBlue(16, 16);
    auto drawMany = [&] {
        for (int i = 0; i < 20; ++i) {
            auto bitmap = kit::CGContext::createBitmap(16, 16);
            kit::GraphicsContext::Scope scope(kit::GraphicsContext::graphicsContextWithGraphicsPortFlipped(bitmap, false));
            shared->drawInRect(MakeRect(0, 0, 16, 16));
            EXPECT_EQ(pixel(kit::test::unpremultiplied(bitmap->createImage()->image()), 1, 1), QColor(Qt::red));
        }
    };
    std::thread a(drawMany), b(drawMany);
    drawMany();
    a.join();
    b.join();
}

TEST(Image, FocusedViewRectReadsWhatWasDrawn)
{
    Canvas canvas(40, 40, false);
    imageRedOverBlue()->drawInRect(MakeRect(10, 10, 20, 20));
    auto rep = kit::BitmapImageRep::imageRepWithFocusedViewRect(MakeRect(10, 10, 20, 20));
    ASSERT_TRUE(rep);
    EXPECT_EQ(rep->pixelsWide(), 20);
    EXPECT_EQ(rep->colorAtXY(5, 2)->toQColor(), QColor(Qt::red));
    EXPECT_EQ(rep->colorAtXY(5, 17)->toQColor(), QColor(Qt::blue));
    kit::test::Recorder recorder;
    EXPECT_EQ(kit::BitmapImageRep::imageRepWithFocusedViewRect(MakeRect(0, 0, 5, 5)), nullptr);
}

// --- Three-part images ---

kit::Ref<Image> solid(int w, int h, QColor c)
{
    QImage pixels(w, h, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(c);
    return Image::imageWithCGImageSize(kit::CGImage::create(pixels), kit::ZeroSize);
}

TEST(ThreePartImage, CapsAtNaturalWidthAndTiledFill)
{
    kit::test::Recorder recorder(true);
    auto start = solid(3, 10, Qt::red), fill = solid(4, 10, Qt::green), end = solid(5, 10, Qt::blue);
    kit::DrawThreePartImage(MakeRect(10, 0, 30, 22), start.get(), fill.get(), end.get(), false, kit::CompositeSourceOver, 1, true);
    auto& r = recorder.records();
    ASSERT_EQ(r.size(), 2u + 6u); // 22 px of fill in 4-px tiles
    EXPECT_EQ(r[0].deviceRect, QRectF(10, 0, 3, 22));
    EXPECT_EQ(r[1].deviceRect, QRectF(35, 0, 5, 22));
    EXPECT_EQ(r[2].deviceRect, QRectF(13, 0, 4, 22));
    EXPECT_EQ(r[7].deviceRect, QRectF(33, 0, 4, 22));
    EXPECT_EQ(r[7].state.clip->boundingRect(), QRectF(13, 0, 22, 22));
}

TEST(ThreePartImage, NullPartsAreLeftOutAndCrampedCapsShareTheFrame)
{
    Canvas canvas(10, 10, false);
    auto start = solid(8, 10, Qt::red), end = solid(8, 10, Qt::blue);
    kit::DrawThreePartImage(MakeRect(0, 0, 10, 10), start.get(), nullptr, end.get(), false, kit::CompositeSourceOver, 1, false);
    const QImage& out = canvas.finish();
    EXPECT_TRUE(pixelIs(out, 4, 5, Qt::red));
    EXPECT_TRUE(pixelIs(out, 5, 5, Qt::blue));
}

} // namespace

namespace {

// The graphics layer draws images under the full CTM: upright in its y-up bitmaps.
TEST(CGContext, DrawImageIsUprightInAYUpBitmap)
{
    QImage pixels(4, 4, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::blue);
    for (int x = 0; x < 4; ++x)
        pixels.setPixel(x, 0, qRgb(255, 0, 0));
    auto bitmap = kit::CGContext::createBitmap(8, 8);
    bitmap->drawImage(MakeRect(0, 0, 8, 8), kit::CGImage::create(pixels));
    const QImage out = kit::test::unpremultiplied(bitmap->createImage()->image());
    EXPECT_EQ(pixel(out, 4, 0), QColor(Qt::red));
    EXPECT_EQ(pixel(out, 4, 7), QColor(Qt::blue));
}

} // namespace

// The icon theme is process state: the test points it at a directory of its own and restores it.
class TemplateThemeIcons : public testing::Test {
protected:
    void SetUp() override
    {
        name_ = QIcon::themeName();
        fallback_ = QIcon::fallbackThemeName();
        paths_ = QIcon::themeSearchPaths();
        fallbackPaths_ = QIcon::fallbackSearchPaths();
        QIcon::setThemeSearchPaths({ dir_.path() });
        QIcon::setFallbackSearchPaths({});
        QIcon::setFallbackThemeName(QStringLiteral("kit-test-none"));
        QIcon::setThemeName(QStringLiteral("kit-test-none"));
        Image::setNamedImageLookup({}); // empties the cache of named images
    }
    void TearDown() override
    {
        QIcon::setThemeSearchPaths(paths_);
        QIcon::setFallbackSearchPaths(fallbackPaths_);
        QIcon::setFallbackThemeName(fallback_);
        QIcon::setThemeName(name_);
        Image::setNamedImageLookup({});
    }
    // A theme whose "list-add" is a filled square: unlike our plus, it covers the corners.
    void installSquareTheme()
    {
        QDir(dir_.path()).mkpath("square/16x16/actions");
        QFile index(dir_.filePath("square/index.theme"));
        ASSERT_TRUE(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=square\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\nType=Fixed\n");
        index.close();
        QFile svg(dir_.filePath("square/16x16/actions/list-add.svg"));
        ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
        svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16"><rect width="16" height="16"/></svg>)");
        svg.close();
        QIcon::setThemeName(QStringLiteral("square"));
    }
    static QImage drawn(const kit::Ref<Image>& image)
    {
        Canvas canvas(22, 22, true, Qt::transparent);
        image->drawInRect(MakeRect(0, 0, 22, 22));
        return canvas.finish();
    }

private:
    QTemporaryDir dir_;
    QString name_, fallback_;
    QStringList paths_, fallbackPaths_;
};

TEST_F(TemplateThemeIcons, WithoutAThemeIconTheBundledDrawingIsUsed)
{
    auto add = Image::imageNamed(kit::ImageNameAddTemplate);
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->isTemplate());
    EXPECT_EQ(add->size(), (kit::Size { 11, 11 }));
    const QImage shown = drawn(add);
    EXPECT_EQ(pixel(shown, 1, 1).alpha(), 0); // the plus leaves its corners empty
    EXPECT_GT(pixel(shown, 11, 11).alpha(), 200);
}

TEST_F(TemplateThemeIcons, TheThemesIconComesFirstAtTheBundledSize)
{
    installSquareTheme();
    auto add = Image::imageNamed(kit::ImageNameAddTemplate);
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->isTemplate());
    EXPECT_EQ(add->size(), (kit::Size { 11, 11 }));
    EXPECT_GT(pixel(drawn(add), 1, 1).alpha(), 200);
    // No theme icon for "list-remove" here: the bundled drawing.
    EXPECT_EQ(pixel(drawn(Image::imageNamed(kit::ImageNameRemoveTemplate)), 1, 1).alpha(), 0);
}
