#pragma once

// Representations of an image: a bitmap (premultiplied ARGB32 QImage), an SVG document or a PDF's
// first page rendered per pixel size, or a drawing callback. Each answers its size in points and its pixels at a
// requested pixel size; bitmap and SVG reps are safe to read from several threads.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <QByteArray>
#include <QImage>

#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <utility>

namespace kit {

class CGImage;
class Color;
class PDFPage;

namespace detail {
// The renderings of a vector rep by pixel size, the least recently used dropped beyond a bound:
// a rep drawn at ever new sizes (a window resized, an animation) must not grow without end.
class RenderedSizes {
public:
    static constexpr std::size_t bound = 8;
    // The pixels for the size, made by `render` when not kept.
    QImage pixelsForSize(QSize pixels, const std::function<QImage(QSize)>& render);
    std::size_t count() const;

private:
    mutable std::mutex mutex_;
    std::list<std::pair<std::pair<int, int>, QImage>> entries_; // most recent first
};
} // namespace detail

class ImageRep : public Object {
    KIT_CLASS(ImageRep)
    Size size() const { return size_; }
    void setSize(Size s) { size_ = s; }
    virtual int pixelsWide() const = 0;
    virtual int pixelsHigh() const = 0;
    virtual bool hasAlpha() const { return true; }
    virtual bool isBitmap() const { return false; }
    // The rep's pixels at (about) `pixels`; a bitmap answers its own pixels whatever is asked.
    virtual QImage pixelsForSize(QSize pixels) const = 0;

protected:
    explicit ImageRep(Size size)
        : size_(size)
    { }

private:
    Size size_;
};

class BitmapImageRep final : public ImageRep {
    KIT_CLASS(BitmapImageRep)
    // The image is converted to premultiplied ARGB32; its size in points is its pixel size.
    explicit BitmapImageRep(QImage image);
    // Null for data that is not a readable raster image.
    static Ref<BitmapImageRep> imageRepWithData(const QByteArray& data);
    static Ref<BitmapImageRep> imageRepWithCGImage(const Ref<kit::CGImage>& image);
    // The pixels under `rect` (user space) of the current context's device as drawn so far, at the
    // device's scale: after View::lockFocus the window's backing, subviews included; outside the
    // context's clip (the focused view's visible rect) they are transparent. The size is rect's.
    // Null when the context does not draw into an image.
    static Ref<BitmapImageRep> initWithFocusedViewRect(Rect rect);
    static Ref<BitmapImageRep> imageRepWithFocusedViewRect(Rect rect) { return initWithFocusedViewRect(rect); }

    int pixelsWide() const override { return image_.width(); }
    int pixelsHigh() const override { return image_.height(); }
    bool hasAlpha() const override { return image_.hasAlphaChannel(); }
    bool isBitmap() const override { return true; }
    int samplesPerPixel() const { return 4; }
    int bitsPerSample() const { return 8; }
    qsizetype bytesPerRow() const { return image_.bytesPerLine(); }
    // Premultiplied ARGB32, rows top first.
    uchar* bitmapData() { return image_.bits(); }
    // Unpremultiplied, (0, 0) at the top-left pixel; null outside.
    Ref<Color> colorAtXY(int x, int y) const;
    Ref<kit::CGImage> CGImage() const;
    QByteArray TIFFRepresentation() const;
    QByteArray PNGRepresentation() const;

    QImage pixelsForSize(QSize) const override { return image_; }
    Ref<Object> copy() const override;
    const QImage& image() const { return image_; }
    // For painting into the rep (lockFocus); callers own the synchronisation.
    QImage& mutableImage() { return image_; }

private:
    QImage image_;
};

class SVGImageRep final : public ImageRep {
    KIT_CLASS(SVGImageRep)
    // Null for data that is not a valid SVG document.
    static Ref<SVGImageRep> imageRepWithData(const QByteArray& data);

    int pixelsWide() const override { return int(size().width); }
    int pixelsHigh() const override { return int(size().height); }
    QImage pixelsForSize(QSize pixels) const override;
    Ref<Object> copy() const override;
    const QByteArray& data() const { return data_; }
    // How many pixel sizes are kept rendered.
    std::size_t renderedSizeCount() const { return rendered_.count(); }

private:
    SVGImageRep(QByteArray data, Size size)
        : ImageRep(size)
        , data_(std::move(data))
    { }
    QByteArray data_;
    mutable detail::RenderedSizes rendered_;
};

// The first page of a PDF, its media box in points, rendered on demand without a background.
class PDFImageRep final : public ImageRep {
    KIT_CLASS(PDFImageRep)
    // Null for data that is not a readable PDF.
    static Ref<PDFImageRep> imageRepWithData(const QByteArray& data);

    int pixelsWide() const override { return int(size().width); }
    int pixelsHigh() const override { return int(size().height); }
    QImage pixelsForSize(QSize pixels) const override;
    Ref<Object> copy() const override;
    const Ref<PDFPage>& page() const { return page_; }

private:
    PDFImageRep(Ref<PDFPage> page, Size size);
    Ref<PDFPage> page_;
    mutable detail::RenderedSizes rendered_;
};

// Draws on demand through a callback, which receives the rep's bounds (origin zero) and draws into
// the current context, y up.
class CustomImageRep final : public ImageRep {
    KIT_CLASS(CustomImageRep)
    using DrawingHandler = std::function<void(Rect bounds)>;
    CustomImageRep(Size size, DrawingHandler handler)
        : ImageRep(size)
        , handler_(std::move(handler))
    { }

    int pixelsWide() const override { return int(size().width); }
    int pixelsHigh() const override { return int(size().height); }
    QImage pixelsForSize(QSize pixels) const override;
    Ref<Object> copy() const override { return make<CustomImageRep>(size(), handler_); }
    void draw(Rect bounds) const
    {
        if (handler_)
            handler_(bounds);
    }

private:
    DrawingHandler handler_;
};

} // namespace kit
