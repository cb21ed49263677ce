// kit::Layer's contents as drawn: the prepared bitmap, or during a cross-fade the old and the new
// bitmaps blended into one image by the fade's progress.

#include "kit/layers/Layer.h"

#include "kit/graphics/Image.h"
#include "kit/graphics/QtGeometry.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kit {

namespace layercontents {

// Blended images never grow past this many pixels a side.
constexpr int MaxBlendSide = 4096;

} // namespace layercontents

QImage Layer::weightedPixels(const QImage& image, double weight)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.fillRect(out.rect(), QColor(0, 0, 0, qRound(std::clamp(weight, 0.0, 1.0) * 255)));
    return out;
}

void Layer::tintPixels(QImage& image, const std::array<double, 3>& tint)
{
    if (tint == std::array<double, 3> { 1, 1, 1 })
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    // Each channel through a table, capped at the pixel's alpha so it stays premultiplied; a
    // reflection's picture is tinted whenever a new one arrives.
    std::array<std::array<std::uint8_t, 256>, 3> table;
    for (std::size_t c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            table[c][std::size_t(v)] = std::uint8_t(std::clamp(int(v * std::max(0.0, tint[c]) + 0.5), 0, 255));
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t p = row[x], a = p >> 24;
            const std::uint32_t r = std::min<std::uint32_t>(table[0][(p >> 16) & 0xff], a);
            const std::uint32_t g = std::min<std::uint32_t>(table[1][(p >> 8) & 0xff], a);
            const std::uint32_t b = std::min<std::uint32_t>(table[2][p & 0xff], a);
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
}

QImage Layer::contentsToDraw(const LayerValues& values, const std::array<double, 3>& tint, const QTransform& toDevice, Rect* dest) const
{
    const bool fading = values.contentsMix < 1 && values.contentsFrom != values.contents;
    if (!fading) {
        if (!values.contents) {
            *dest = ZeroRect;
            return {};
        }
        *dest = contentsRect(values);
        return preparedContents(values.contents, tint, drawnAxes(toDevice, *dest));
    }
    // Each image where its gravity puts it; the blend covers both.
    struct Part {
        Rect rect = ZeroRect;
        QImage pixels;
        double weight = 0;
    };
    Part parts[2];
    const Ref<CGImage> images[2] = { values.contentsFrom, values.contents };
    const double mix = std::clamp(values.contentsMix, 0.0, 1.0);
    double scale = 0;
    for (int i = 0; i < 2; ++i) {
        if (!images[i])
            continue;
        LayerValues one = values;
        one.contents = images[i];
        parts[i].rect = contentsRect(one);
        if (IsEmptyRect(parts[i].rect))
            continue;
        // A copy: the next call may reuse the cache entry this one answered.
        parts[i].pixels = preparedContents(images[i], tint, drawnAxes(toDevice, parts[i].rect));
        parts[i].weight = i == 0 ? 1 - mix : mix;
        scale = std::max({ scale, parts[i].pixels.width() / parts[i].rect.width(), parts[i].pixels.height() / parts[i].rect.height() });
    }
    const Rect whole = UnionRect(parts[0].rect, parts[1].rect);
    *dest = whole;
    if (IsEmptyRect(whole) || !(scale > 0))
        return {};
    scale = std::min({ scale, layercontents::MaxBlendSide / whole.width(), layercontents::MaxBlendSide / whole.height() });
    QImage blended(BitmapPixelsForSize(whole.size, scale, BitmapLimit::Fit), QImage::Format_ARGB32_Premultiplied);
    if (blended.isNull())
        return {};
    blended.fill(Qt::transparent);
    QPainter painter(&blended);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Premultiplied pixels added with their weights: old × (1 − mix) + new × mix.
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    const double sx = blended.width() / whole.width(), sy = blended.height() / whole.height();
    for (const Part& part : parts) {
        if (part.pixels.isNull() || part.weight <= 0)
            continue;
        // Row 0 is the max-y edge, in the blend as in each image.
        const QRectF target((part.rect.minX() - whole.minX()) * sx, (whole.maxY() - part.rect.maxY()) * sy, part.rect.width() * sx,
            part.rect.height() * sy);
        painter.drawImage(target, weightedPixels(part.pixels, part.weight));
    }
    painter.end();
    return blended;
}

} // namespace kit
