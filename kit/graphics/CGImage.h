#pragma once

// An immutable bitmap of the graphics layer: a QImage in premultiplied ARGB32 that is never
// painted on again, so it can be shared freely between threads.

#include "kit/core/Class.h"
#include "kit/core/Object.h"

#include <QImage>

namespace kit {

class CGImage : public Object {
    KIT_CLASS(CGImage)
    // Null for a null image. The pixels are converted (and so copied) when not premultiplied ARGB32.
    static Ref<CGImage> create(const QImage& image);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    int bitsPerComponent() const { return 8; }
    int bitsPerPixel() const { return 32; }
    qsizetype bytesPerRow() const { return image_.bytesPerLine(); }
    const QImage& image() const { return image_; }

private:
    explicit CGImage(QImage image)
        : image_(std::move(image))
    { }
    const QImage image_;
};

} // namespace kit
