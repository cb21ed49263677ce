#include "kit/graphics/ImageRep.h"

#include "kit/graphics/CGImage.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/PDFPage.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>

namespace kit {

KIT_REGISTER_CLASS(ImageRep, Object) { }
KIT_REGISTER_CLASS(BitmapImageRep, ImageRep) { }
KIT_REGISTER_CLASS(SVGImageRep, ImageRep) { }
KIT_REGISTER_CLASS(CustomImageRep, ImageRep) { }
KIT_REGISTER_CLASS(PDFImageRep, ImageRep) { }

BitmapImageRep::BitmapImageRep(QImage image)
    : ImageRep(MakeSize(image.width(), image.height()))
    , image_(image.convertToFormat(QImage::Format_ARGB32_Premultiplied))
{ }

Ref<BitmapImageRep> BitmapImageRep::imageRepWithData(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead() || reader.format() == "svg" || reader.format() == "svgz")
        return nullptr;
    QImage image = reader.read();
    if (image.isNull())
        return nullptr;
    return make<BitmapImageRep>(std::move(image));
}

Ref<BitmapImageRep> BitmapImageRep::imageRepWithCGImage(const Ref<kit::CGImage>& image)
{
    return image ? make<BitmapImageRep>(image->image()) : nullptr;
}

Ref<BitmapImageRep> BitmapImageRep::initWithFocusedViewRect(Rect rect)
{
    auto* context = GraphicsContext::currentContext();
    QPainter* painter = context ? context->backend().painter() : nullptr;
    auto* device = painter ? dynamic_cast<QImage*>(painter->device()) : nullptr;
    if (!device || IsEmptyRect(rect))
        return nullptr;
    // The CTM and the clip are in device points; the pixels are `scale` times as many.
    const double scale = device->devicePixelRatio();
    const QTransform toPixels = context->state().ctm * QTransform::fromScale(scale, scale);
    const QRect pixels = toPixels.mapRect(QRectF(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height)).toAlignedRect();
    if (pixels.isEmpty())
        return nullptr;
    QImage image(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.translate(-pixels.x(), -pixels.y());
        if (const auto& clip = context->deviceClip())
            p.setClipPath(QTransform::fromScale(scale, scale).map(*clip));
        const QRect source = pixels.intersected(QRect(QPoint(0, 0), device->size()));
        p.drawImage(QRectF(source), *device, QRectF(source));
    }
    auto rep = make<BitmapImageRep>(std::move(image));
    rep->setSize(rect.size);
    return rep;
}

Ref<Color> BitmapImageRep::colorAtXY(int x, int y) const
{
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height())
        return nullptr;
    return Color::fromQColor(QColor::fromRgba(image_.pixel(x, y)));
}

Ref<kit::CGImage> BitmapImageRep::CGImage() const { return kit::CGImage::create(image_); }

QByteArray BitmapImageRep::TIFFRepresentation() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.write(image_.convertToFormat(QImage::Format_ARGB32));
    return bytes;
}

QByteArray BitmapImageRep::PNGRepresentation() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image_.save(&buffer, "PNG");
    return bytes;
}

Ref<Object> BitmapImageRep::copy() const
{
    auto rep = make<BitmapImageRep>(image_.copy());
    rep->setSize(size());
    return rep;
}

QImage detail::RenderedSizes::pixelsForSize(QSize pixels, const std::function<QImage(QSize)>& render)
{
    const std::pair<int, int> key { pixels.width(), pixels.height() };
    {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->first == key) {
                entries_.splice(entries_.begin(), entries_, it);
                return it->second;
            }
    }
    // Rendered outside the lock: another thread may draw other sizes meanwhile.
    QImage image = render(pixels);
    std::lock_guard lock(mutex_);
    entries_.emplace_front(key, image);
    if (entries_.size() > bound)
        entries_.pop_back();
    return image;
}

std::size_t detail::RenderedSizes::count() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

Ref<SVGImageRep> SVGImageRep::imageRepWithData(const QByteArray& data)
{
    QSvgRenderer renderer(data);
    if (!renderer.isValid())
        return nullptr;
    const QSize size = renderer.defaultSize();
    return Ref<SVGImageRep>(new SVGImageRep(data, MakeSize(size.width(), size.height())), adopt);
}

QImage SVGImageRep::pixelsForSize(QSize pixels) const
{
    if (pixels.isEmpty())
        return {};
    return rendered_.pixelsForSize(pixels, [this](QSize size) {
        // A renderer per rendering: QSvgRenderer is not to be shared between threads.
        QSvgRenderer renderer(data_);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
        p.end();
        return image;
    });
}

Ref<Object> SVGImageRep::copy() const
{
    Ref<SVGImageRep> rep(new SVGImageRep(data_, size()), adopt);
    return rep;
}

PDFImageRep::PDFImageRep(Ref<PDFPage> page, Size size)
    : ImageRep(size)
    , page_(std::move(page))
{ }

Ref<PDFImageRep> PDFImageRep::imageRepWithData(const QByteArray& data)
{
    auto document = PDFDocument::createWithData(data);
    auto page = document ? document->pageAtIndex(0) : nullptr;
    if (!page)
        return nullptr;
    const Size size = page->boxRect(PDFMediaBox).size;
    return Ref<PDFImageRep>(new PDFImageRep(std::move(page), size), adopt);
}

QImage PDFImageRep::pixelsForSize(QSize pixels) const
{
    if (pixels.isEmpty())
        return {};
    return rendered_.pixelsForSize(pixels, [this](QSize size) { return page_->render(size); });
}

Ref<Object> PDFImageRep::copy() const
{
    Ref<PDFImageRep> rep(new PDFImageRep(page_, size()), adopt);
    return rep;
}

QImage CustomImageRep::pixelsForSize(QSize pixels) const
{
    if (pixels.isEmpty() || size().width <= 0 || size().height <= 0)
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        auto context = GraphicsContext::graphicsContextWithImage(&image, false);
        const double sx = pixels.width() / size().width, sy = pixels.height() / size().height;
        context->setCTM(AffineTransform(AffineTransformStruct { sx, 0, 0, -sy, 0, double(pixels.height()) }));
        GraphicsContext::Scope current(context);
        draw(MakeRect(0, 0, size().width, size().height));
    }
    return image;
}

} // namespace kit
