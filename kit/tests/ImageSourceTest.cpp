#include "kit/graphics/ImageSource.h"
#include "kit/testsupport/LargePictures.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <tuple>

namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray encoded(int w, int h, const char* format)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    return encoded(image, format);
}

struct ThumbCase {
    int w, h, maxSize;
    int expectedW, expectedH;
};
class Thumbnail : public testing::TestWithParam<std::tuple<ThumbCase, const char*>> { };

// In PNG (decoded whole, then scaled) and JPEG (reduced while decoding when it halves or more).
TEST_P(Thumbnail, KeepsAspectAndNeverEnlarges)
{
    const auto& [c, format] = GetParam();
    auto source = kit::ImageSource::createWithData(encoded(c.w, c.h, format));
    ASSERT_TRUE(source);
    auto thumb = source->createThumbnailAtIndex(0, { true, false, c.maxSize });
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width(), c.expectedW);
    EXPECT_EQ(thumb->height(), c.expectedH);
    // The picture's colour survives the scaling.
    const QColor middle = thumb->image().pixelColor(thumb->width() / 2, thumb->height() / 2);
    EXPECT_NEAR(middle.green(), 128, 6);
    EXPECT_LE(middle.red(), 6);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Thumbnail,
    testing::Combine(testing::Values(ThumbCase { 400, 200, 100, 100, 50 }, ThumbCase { 200, 400, 100, 50, 100 },
                         ThumbCase { 40, 20, 100, 40, 20 }, ThumbCase { 100, 100, 100, 100, 100 }, ThumbCase { 600, 300, 599, 599, 300 }),
        testing::Values("PNG", "JPEG")));

TEST(ImageSource, TypesAndGarbage)
{
    EXPECT_EQ(kit::ImageSource::createWithData(encoded(4, 4, "PNG"))->type(), kit::TypePNG);
    EXPECT_EQ(kit::ImageSource::createWithData(encoded(4, 4, "JPEG"))->type(), kit::TypeJPEG);
    EXPECT_EQ(kit::ImageSource::createWithData(encoded(4, 4, "TIFF"))->type(), kit::TypeTIFF);
    EXPECT_EQ(kit::ImageSource::createWithData("plain text, no image"), nullptr);
    EXPECT_EQ(kit::ImageSource::createWithData({}), nullptr);
}

TEST(ThumbnailImageCreate, ImagesDirectlyOthersFromAValidCacheEntry)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath("photo.png");
    {
        QFile f(picture);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(encoded(300, 150, "PNG"));
    }
    auto direct = kit::ThumbnailImageCreate(picture, 64);
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->width(), 64);

    const QString document = dir.filePath("notes.odt");
    {
        QFile f(document);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not an image");
    }
    const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
    EXPECT_EQ(kit::ThumbnailImageCreate(document, 64), nullptr);

    const QFileInfo info(document);
    const QString uri = QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded);
    QDir().mkpath(dir.filePath("cache/thumbnails/normal"));
    const QString thumbPath
        = dir.filePath("cache/thumbnails/normal/" + QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex() + ".png");
    auto writeThumb = [&](qint64 mtime) {
        QImage thumb(128, 96, QImage::Format_ARGB32);
        thumb.fill(Qt::blue);
        thumb.setText("Thumb::URI", uri);
        thumb.setText("Thumb::MTime", QString::number(mtime));
        ASSERT_TRUE(thumb.save(thumbPath, "PNG"));
    };
    writeThumb(info.lastModified().toSecsSinceEpoch() - 100); // stale
    EXPECT_EQ(kit::ThumbnailImageCreate(document, 64), nullptr);
    writeThumb(info.lastModified().toSecsSinceEpoch());
    auto cached = kit::ThumbnailImageCreate(document, 64);
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->width(), 64);
    EXPECT_EQ(cached->height(), 48);
    qputenv("XDG_CACHE_HOME", savedCache);
    if (savedCache.isEmpty())
        qunsetenv("XDG_CACHE_HOME");
}

// Pictures over the decoding limit when decoded whole: a thumbnail is read reduced, never whole.
namespace reduced_thumbnails {

// Left half red, right half half-transparent blue, in the given pixel format.
QByteArray halves(int w, int h, QImage::Format format, const char* type)
{
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, x < w / 2 ? qRgba(255, 0, 0, 255) : qRgba(0, 0, 255, format == QImage::Format_ARGB32 ? 128 : 255));
    if (format == QImage::Format_Indexed8)
        image = image.convertToFormat(format, Qt::ThresholdDither);
    else if (format != QImage::Format_ARGB32)
        image = image.convertToFormat(format);
    return encoded(image, type);
}

struct ReducedCase {
    const char* name;
    QImage::Format format;
    const char* type;
    bool translucent;
};

class ReducedThumbnail : public testing::TestWithParam<ReducedCase> { };

TEST_P(ReducedThumbnail, KeepsColoursAndAspect)
{
    const ReducedCase& c = GetParam();
    const QByteArray data = halves(1000, 600, c.format, c.type); // 2.4 MB decoded
    kit::test::DecodingLimitScope limit(1);
    kit::test::LogRecorder log;
    const auto source = kit::ImageSource::createWithData(data);
    ASSERT_TRUE(source);
    const auto thumb = source->createThumbnailAtIndex(0, { true, false, 100 });
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width(), 100);
    EXPECT_EQ(thumb->height(), 60);
    const QImage image = thumb->image().convertToFormat(QImage::Format_ARGB32);
    const QColor left = image.pixelColor(20, 30), right = image.pixelColor(80, 30);
    EXPECT_NEAR(left.red(), 255, 8);
    EXPECT_NEAR(left.blue(), 0, 8);
    EXPECT_NEAR(right.blue(), 255, 8);
    EXPECT_NEAR(right.red(), 0, 8);
    EXPECT_NEAR(right.alpha(), c.translucent ? 128 : 255, 3);
    EXPECT_TRUE(log.lines().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Formats, ReducedThumbnail,
    testing::Values(ReducedCase { "Rgba", QImage::Format_ARGB32, "PNG", true }, ReducedCase { "Rgb", QImage::Format_RGB32, "PNG", false },
        ReducedCase { "Indexed", QImage::Format_Indexed8, "PNG", false }, ReducedCase { "Rgba64", QImage::Format_RGBA64, "PNG", false },
        ReducedCase { "Jpeg", QImage::Format_RGB32, "JPEG", false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReducedThumbnails, WhatStillPassesTheLimitGivesNothingAndOneLineWithItsSize)
{
    const QByteArray png = halves(1000, 600, QImage::Format_RGB32, "PNG");
    kit::test::DecodingLimitScope limit(1);
    kit::test::LogRecorder log;
    const auto source = kit::ImageSource::createWithData(png);
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->createImageAtIndex(0)); // whole
    EXPECT_FALSE(source->createThumbnailAtIndex(0, { true, false, 800 })); // 800 x 480: 1.5 MB
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].contains(QStringLiteral("1000 x 600"))) << log.lines()[0].toStdString();
    EXPECT_TRUE(log.lines()[1].contains(QStringLiteral("800 x 480"))) << log.lines()[1].toStdString();
}

TEST(ReducedThumbnails, AGrayscalePngOfCameraSizeReadsReduced)
{
    // 6000 x 6000 gray: 144 MB as decoded pixels, a few kilobytes as a file.
    QImage gray(6000, 6000, QImage::Format_Grayscale8);
    gray.fill(90);
    const QByteArray bytes = encoded(gray, "PNG");
    gray = QImage();
    const auto source = kit::ImageSource::createWithData(bytes);
    ASSERT_TRUE(source);
    const kit::Dictionary properties = source->copyPropertiesAtIndex(0);
    EXPECT_EQ(properties.objectForKey(kit::Value(kit::ImagePropertyPixelWidth)).integerValue(), 6000);
    EXPECT_EQ(properties.objectForKey(kit::Value(kit::ImagePropertyPixelHeight)).integerValue(), 6000);
    const auto thumb = source->createThumbnailAtIndex(0, { true, false, 300 });
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width(), 300);
    EXPECT_NEAR(thumb->image().pixelColor(150, 150).green(), 90, 2);
}

} // namespace reduced_thumbnails

} // namespace
