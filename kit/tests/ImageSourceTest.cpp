#include "kit/graphics/ImageSource.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <tuple>

namespace {

QByteArray encoded(int w, int h, const char* format)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
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

} // namespace
