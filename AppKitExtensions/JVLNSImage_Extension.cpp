#include "AppKitExtensions/JVLNSImage_Extension.h"

#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace JVLNSImage_Extension {

kit::Ref<kit::CGImage> imageRefCopy(const kit::Image& image)
{
    const kit::Size size = image.size();
    const int width = kit::ClampedInt(std::trunc(size.width)), height = kit::ClampedInt(std::trunc(size.height));
    auto bitmap = kit::CGContext::createBitmap(width, height);
    if (!bitmap)
        return nullptr;
    {
        kit::GraphicsContext::Scope current(kit::GraphicsContext::graphicsContextWithGraphicsPortFlipped(bitmap, false));
        image.drawInRectFromRectOperationFraction(kit::MakeRect(0, 0, width, height), kit::ZeroRect, kit::CompositeCopy, 1.0);
    }
    return bitmap->createImage();
}

kit::Ref<kit::Image> darkenedImageWithColor(const kit::Image& image, const kit::Color& color)
{
    const auto reps = image.representations();
    if (reps.empty() || !reps.front()->isBitmap())
        return nullptr;
    const auto rgb = color.colorUsingColorSpaceName(kit::CalibratedRGBColorSpace);
    if (!rgb)
        return nullptr;
    const auto& rep = static_cast<const kit::BitmapImageRep&>(*reps.front());
    // The arithmetic is on unpremultiplied 8-bit values.
    QImage pixels = rep.image().convertToFormat(QImage::Format_ARGB32);
    const double lower[3] = { 256 - 255 * rgb->redComponent(), 256 - 255 * rgb->greenComponent(), 256 - 255 * rgb->blueComponent() };
    auto darken = [](int v, double by) { return std::max(0, int(std::floor(v - by))); };
    for (int y = 0; y < pixels.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb p = row[x];
            row[x] = qRgba(darken(qRed(p), lower[0]), darken(qGreen(p), lower[1]), darken(qBlue(p), lower[2]), qAlpha(p));
        }
    }
    auto darkened = kit::make<kit::Image>(image.size());
    auto newRep = kit::make<kit::BitmapImageRep>(pixels);
    newRep->setSize(rep.size());
    darkened->addRepresentation(newRep);
    return darkened;
}

void drawAtPointOperation(const kit::Image& image, kit::Point point, kit::CompositingOperation op)
{
    image.drawAtPointFromRectOperationFraction(point, kit::ZeroRect, op, 1.0);
}

void drawAtPointOperationFraction(const kit::Image& image, kit::Point point, kit::CompositingOperation op, double fraction)
{
    image.drawAtPointFromRectOperationFraction(point, kit::ZeroRect, op, fraction);
}

} // namespace JVLNSImage_Extension
