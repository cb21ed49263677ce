#include "kit/graphics/ImageSource.h"

#include "kit/core/Exception.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/ImageSource_p.h"
#include "kit/graphics/PDFPage.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kit {

namespace {

QString typeForFormat(const QByteArray& format)
{
    if (format == "png")
        return TypePNG;
    if (format == "jpeg" || format == "jpg")
        return TypeJPEG;
    if (format == "tiff" || format == "tif")
        return TypeTIFF;
    if (format == "gif")
        return TypeGIF;
    if (format == "svg" || format == "svgz")
        return TypeSVG;
    return QStringLiteral("public.") + QString::fromLatin1(format);
}

std::int64_t bytesOf(QSize size) { return std::int64_t(size.width()) * size.height() * 4; }

// Read at the wanted size, never whole: the whole picture would pass the allocation limit.
QImage readReduced(QImageReader& reader, const QByteArray& data, int index, QSize wanted)
{
    if (bytesOf(wanted) > ImageSource::decodeLimitBytes())
        return {};
    // A JPEG decoder reduces by halves as it decodes; what is left over is scaled as usual.
    if (reader.format() == "jpeg") {
        reader.setScaledSize(wanted);
        return reader.read();
    }
    if (reader.format() == "png" && index == 0)
        return imagesource::readPNGReduced(data, wanted);
    return {};
}

Ref<CGImage> readScaled(const QByteArray& data, int index, int maxPixelSize)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (index > 0 && !reader.jumpToImage(index))
        return nullptr;
    const QSize natural = reader.size();
    QSize wanted;
    if (maxPixelSize > 0 && natural.isValid()) {
        const int larger = std::max(natural.width(), natural.height());
        if (larger > maxPixelSize) {
            const double s = double(maxPixelSize) / larger;
            wanted = QSize(std::max(1, int(std::lround(natural.width() * s))), std::max(1, int(std::lround(natural.height() * s))));
        }
    }
    QImage image;
    if (natural.isValid() && bytesOf(natural) > ImageSource::decodeLimitBytes()) {
        image = readReduced(reader, data, index, wanted.isValid() ? wanted : natural);
    } else {
        // A JPEG decoder reduces by halves as it decodes, in less time and memory; the other readers
        // decode whole and then scale in a slower pass of their own, so their pictures are scaled here.
        const bool reducesWhileDecoding = reader.format() == "jpeg" && wanted.isValid() && wanted.width() * 2 <= natural.width();
        if (reducesWhileDecoding)
            reader.setScaledSize(wanted);
        image = reader.read();
    }
    if (image.isNull()) {
        // Named by its size: the usual reason is a picture too large for the limit.
        if (natural.isValid()) {
            const QSize asked = wanted.isValid() ? wanted : natural;
            log(QStringLiteral("Image source: a picture of %d x %d pixels could not be decoded at %d x %d (decoding limit %d MB)"),
                natural.width(), natural.height(), asked.width(), asked.height(), int(ImageSource::decodeLimitBytes() >> 20));
        }
        return nullptr;
    }
    if (wanted.isValid() && image.size() != wanted)
        image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (maxPixelSize > 0 && std::max(image.width(), image.height()) > maxPixelSize)
        image = image.scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return CGImage::create(image);
}

// The text chunks of a PNG file. QImageReader cannot be used: it splits keys at ':', and the
// thumbnail keys are "Thumb::URI" and "Thumb::MTime".
QHash<QString, QString> pngText(const QByteArray& png)
{
    QHash<QString, QString> out;
    if (!png.startsWith("\x89PNG\r\n\x1a\n"))
        return out;
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = (quint32(uchar(png[at])) << 24) | (quint32(uchar(png[at + 1])) << 16) | (quint32(uchar(png[at + 2])) << 8)
            | quint32(uchar(png[at + 3]));
        const QByteArray type = png.mid(at + 4, 4);
        if (length > quint32(png.size() - at - 12))
            break;
        const QByteArray body = png.mid(at + 8, qsizetype(length));
        const qsizetype nul = body.indexOf('\0');
        if (nul > 0) {
            const QString key = QString::fromLatin1(body.left(nul));
            if (type == "tEXt") {
                out.insert(key, QString::fromLatin1(body.mid(nul + 1)));
            } else if (type == "zTXt" && body.size() > nul + 2) {
                QByteArray packed = QByteArray("\x00\x01\x00\x00", 4) + body.mid(nul + 2);
                out.insert(key, QString::fromLatin1(qUncompress(packed)));
            } else if (type == "iTXt" && body.size() > nul + 2 && body[nul + 1] == 0) {
                // Uncompressed international text: skip language tag and translated keyword.
                const qsizetype lang = body.indexOf('\0', nul + 3);
                const qsizetype translated = lang < 0 ? -1 : body.indexOf('\0', lang + 1);
                if (translated > 0)
                    out.insert(key, QString::fromUtf8(body.mid(translated + 1)));
            }
        }
        if (type == "IEND")
            break;
        at += 12 + qsizetype(length);
    }
    return out;
}

} // namespace

KIT_REGISTER_CLASS(ImageSource, Object) { }

std::int64_t ImageSource::decodeLimitBytes()
{
    const int megabytes = QImageReader::allocationLimit();
    return megabytes > 0 ? std::int64_t(megabytes) << 20 : std::numeric_limits<std::int64_t>::max();
}

Ref<ImageSource> ImageSource::createWithData(const QByteArray& data)
{
    if (data.isEmpty())
        return nullptr;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return nullptr;
    Ref<ImageSource> source(new ImageSource, adopt);
    source->data_ = data;
    source->format_ = reader.format();
    source->type_ = typeForFormat(reader.format());
    source->count_ = std::max(1, reader.imageCount());
    return source;
}

Ref<ImageSource> ImageSource::createWithURL(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return createWithData(file.readAll());
}

Ref<CGImage> ImageSource::createImageAtIndex(int index) const
{
    if (index < 0 || index >= count_)
        return nullptr;
    return readScaled(data_, index, 0);
}

Dictionary ImageSource::copyPropertiesAtIndex(int index) const
{
    if (index < 0 || index >= count_)
        return {};
    QBuffer buffer;
    buffer.setData(data_);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (index > 0 && !reader.jumpToImage(index))
        return {};
    const QSize size = reader.size();
    if (!size.isValid())
        return {};
    return Dictionary { { Value(ImagePropertyPixelWidth), Value(std::int64_t(size.width())) },
        { Value(ImagePropertyPixelHeight), Value(std::int64_t(size.height())) } };
}

Ref<CGImage> ImageSource::createThumbnailAtIndex(int index, const ThumbnailOptions& options) const
{
    if (index < 0 || index >= count_ || (!options.createThumbnailFromImageIfAbsent && !options.createThumbnailFromImageAlways))
        return nullptr;
    return readScaled(data_, index, options.maxPixelSize);
}

// The page on white (a page's paper), its larger side reduced to maxSize.
namespace {

Ref<CGImage> pdfThumbnail(const PDFPage& page, int maxSize)
{
    const Size size = page.boxRect(PDFMediaBox).size;
    const double larger = std::max(size.width, size.height);
    const double s = maxSize > 0 && larger > maxSize ? maxSize / larger : 1.0;
    // A media box from the file: rounded to whole pixels, within what a bitmap may be.
    const QSize pixels = BitmapPixelsForSize(MakeSize(std::round(size.width * s), std::round(size.height * s)), 1, BitmapLimit::Fit);
    const QImage pagePixels = pixels.isEmpty() ? QImage() : page.render(pixels);
    if (pagePixels.isNull())
        return nullptr;
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(0, 0, pagePixels);
    painter.end();
    return CGImage::create(image);
}

} // namespace

Ref<CGImage> ThumbnailImageCreate(const QString& path, int maxSize)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return nullptr;
    if (auto source = ImageSource::createWithURL(path))
        return source->createThumbnailAtIndex(0, { true, false, maxSize });
    if (auto document = PDFDocument::createWithURL(path))
        return pdfThumbnail(*document->pageAtIndex(0), maxSize);

    // The desktop's shared cache: thumbnails named by the MD5 of the file URI.
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    const QString uri = QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded);
    const QString name = QString::fromLatin1(QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex()) + ".png";
    const qint64 mtime = info.lastModified().toSecsSinceEpoch();
    for (const char* folder : { "xx-large", "x-large", "large", "normal" }) {
        QFile file(cache + "/thumbnails/" + folder + "/" + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray png = file.readAll();
        const QHash<QString, QString> text = pngText(png);
        if (text.value(QStringLiteral("Thumb::URI")) != uri || text.value(QStringLiteral("Thumb::MTime")).toLongLong() != mtime)
            continue;
        QImage image = QImage::fromData(png, "PNG");
        if (image.isNull())
            continue;
        if (maxSize > 0 && std::max(image.width(), image.height()) > maxSize)
            image = image.scaled(maxSize, maxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return CGImage::create(image);
    }
    return nullptr;
}

} // namespace kit
