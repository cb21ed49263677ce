#pragma once

// Decoding image files and data without drawing them: the type of the data, its images, and
// thumbnails that never enlarge. ThumbnailImageCreate adds the desktop's thumbnail cache for files
// that are not images. Everything here is safe on worker threads.
//
// No picture is decoded into more than decodeLimitBytes() (Qt's image reader allocation limit,
// 128 MB unless the application changes it: about 33 megapixels). A thumbnail of a larger PNG or
// JPEG is reduced while it is read (a PNG row by row, averaged), so only the thumbnail is ever
// allocated; a picture that still cannot be decoded gives null and one log line with its size.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/graphics/CGImage.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace kit {

inline const QString TypePNG = QStringLiteral("public.png");
inline const QString TypeJPEG = QStringLiteral("public.jpeg");
inline const QString TypeTIFF = QStringLiteral("public.tiff");
inline const QString TypeGIF = QStringLiteral("com.compuserve.gif");
inline const QString TypeSVG = QStringLiteral("public.svg-image");

// Keys of copyPropertiesAtIndex.
inline const QString ImagePropertyPixelWidth = QStringLiteral("PixelWidth");
inline const QString ImagePropertyPixelHeight = QStringLiteral("PixelHeight");

struct ThumbnailOptions {
    bool createThumbnailFromImageIfAbsent = true;
    bool createThumbnailFromImageAlways = false;
    int maxPixelSize = 0; // 0 = the image's own size
};

class ImageSource : public Object {
    KIT_CLASS(ImageSource)
    // Null for data no image reader recognises.
    static Ref<ImageSource> createWithData(const QByteArray& data);
    static Ref<ImageSource> createWithURL(const QString& path);

    QString type() const { return type_; }
    int count() const { return count_; }
    Ref<CGImage> createImageAtIndex(int index) const;
    // The picture's size in pixels (ImagePropertyPixelWidth, ImagePropertyPixelHeight), read from
    // its header; empty when the index or the header is bad.
    Dictionary copyPropertiesAtIndex(int index) const;
    // The larger side at most maxPixelSize, aspect kept, never larger than the image.
    Ref<CGImage> createThumbnailAtIndex(int index, const ThumbnailOptions& options) const;
    // The most bytes a decoded picture may take (4 a pixel): QImageReader::allocationLimit(), which
    // tests lower with QImageReader::setAllocationLimit.
    static std::int64_t decodeLimitBytes();

private:
    ImageSource() = default;
    QByteArray data_;
    QByteArray format_;
    QString type_;
    int count_ = 0;
};

// A thumbnail of the file at `path` whose larger side is at most maxSize: the image itself for image
// files, else a PDF's first page on white, else a valid thumbnail from $XDG_CACHE_HOME/thumbnails
// (matching URI and modification time); null otherwise, so the caller falls back to the file type's
// icon.
Ref<CGImage> ThumbnailImageCreate(const QString& path, int maxSize);

} // namespace kit
