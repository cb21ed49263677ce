#include "kit/graphics/FastLine.h"
#include "kit/graphics/GraphicsBackend.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/ProjectiveImage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace kit {

namespace {

QPainter::CompositionMode compositionMode(CompositingOperation op)
{
    switch (op) {
    case CompositeClear:
        return QPainter::CompositionMode_Clear;
    case CompositeCopy:
        return QPainter::CompositionMode_Source;
    case CompositeSourceIn:
        return QPainter::CompositionMode_SourceIn;
    case CompositeSourceOut:
        return QPainter::CompositionMode_SourceOut;
    case CompositeSourceAtop:
        return QPainter::CompositionMode_SourceAtop;
    case CompositeDestinationOver:
        return QPainter::CompositionMode_DestinationOver;
    case CompositeDestinationIn:
        return QPainter::CompositionMode_DestinationIn;
    case CompositeDestinationOut:
        return QPainter::CompositionMode_DestinationOut;
    case CompositeDestinationAtop:
        return QPainter::CompositionMode_DestinationAtop;
    case CompositeXOR:
        return QPainter::CompositionMode_Xor;
    case CompositePlusDarker:
        return QPainter::CompositionMode_Darken; // exact only for solid fills, done separately
    case CompositePlusLighter:
        return QPainter::CompositionMode_Plus;
    case CompositeMultiplyBlend:
        return QPainter::CompositionMode_Multiply;
    case CompositeSourceOver:
    case CompositeHighlight:
        break;
    }
    return QPainter::CompositionMode_SourceOver;
}

// A shadow without blur: each pixel's coverage is tinted where it is, as the blur below tints,
// through a table of the 256 coverages (kept for the last colour: labels share theirs).
void painterShadowTint(QImage& layer, QRect area, const QColor& color)
{
    struct Table {
        QRgba64 color;
        bool valid = false;
        std::array<QRgb, 256> tinted;
    };
    thread_local Table table;
    if (!table.valid || table.color != color.rgba64()) {
        const float r = color.redF(), g = color.greenF(), b = color.blueF(), a = color.alphaF();
        auto level = [](float v) { return int(v * 255 + 0.5f); };
        for (int alpha = 0; alpha < 256; ++alpha) {
            const float cov = std::clamp(float(alpha) / 255.0f, 0.0f, 1.0f) * a;
            table.tinted[std::size_t(alpha)] = cov == 0.0f ? 0 : qRgba(level(r * cov), level(g * cov), level(b * cov), level(cov));
        }
        table.color = color.rgba64();
        table.valid = true;
    }
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            row[x] = table.tinted[std::size_t(qAlpha(row[x]))];
    }
}

// Gaussian blur (sigma in pixels) of the alpha channel of `layer`, then everything tinted with `color`.
// Only the box around what was drawn (grown by the kernel) is worked on: outside it every alpha
// is 0 before and after, and a premultiplied pixel of alpha 0 is 0 already.
void blurAndTintPixels(QImage& layer, double sigma, const QColor& color)
{
    const int w = layer.width(), h = layer.height();
    const float r = color.redF(), g = color.greenF(), b = color.blueF(), a = color.alphaF();
    // Non-negative: adding a half and truncating rounds as lround does.
    auto level = [](float v) { return int(v * 255 + 0.5f); };
    if (sigma <= 0.01) {
        painterShadowTint(layer, QRect(0, 0, w, h), color);
        return;
    }
    std::vector<float> alpha(std::size_t(w) * h);
    int minX = w, maxX = -1, minY = h, maxY = -1;
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        float* out = &alpha[std::size_t(y) * w];
        int first = -1, last = -1;
        for (int x = 0; x < w; ++x) {
            const int a = qAlpha(row[x]);
            out[x] = float(a) / 255.0f;
            if (a != 0) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first >= 0) {
            minX = std::min(minX, first);
            maxX = std::max(maxX, last);
            minY = std::min(minY, y);
            maxY = y;
        }
    }
    if (maxY < 0) {
        layer.fill(Qt::transparent);
        return;
    }
    const int radius = sigma > 0.01 ? ClampedInt(std::ceil(3 * sigma), 0, MaxBitmapSide) : 0;
    const int x0 = std::max(0, minX - radius), x1 = std::min(w - 1, maxX + radius);
    const int y0 = std::max(0, minY - radius), y1 = std::min(h - 1, maxY + radius);
    {
        std::vector<float> kernel(2 * radius + 1);
        float sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += kernel[i + radius] = float(std::exp(-(i * i) / (2 * sigma * sigma)));
        for (float& k : kernel)
            k /= sum;
        // Separable passes; rows and columns that hold nothing stay nothing. Shadows are mostly
        // thin strips of long empty runs.
        std::vector<float> tmp(alpha.size(), 0.0f);
        std::vector<char> live(std::size_t(h), 0);
        for (int y = minY; y <= maxY; ++y) {
            const float* in = &alpha[std::size_t(y) * w];
            if (std::all_of(in + minX, in + maxX + 1, [](float v) { return v == 0.0f; }))
                continue;
            live[std::size_t(y)] = 1;
            // Tap by tap over the row (the sums run in the same order for every pixel, taps
            // outside the row left out), so the inner loop is one straight run.
            float* out = &tmp[std::size_t(y) * w];
            for (int i = -radius; i <= radius; ++i) {
                const float k = kernel[i + radius];
                const int from = std::max(x0, -i), to = std::min(x1, w - 1 - i);
                for (int x = from; x <= to; ++x)
                    out[x] += k * in[x + i];
            }
        }
        for (int y = y0; y <= y1; ++y) {
            float* out = &alpha[std::size_t(y) * w];
            std::fill(out + x0, out + x1 + 1, 0.0f);
            for (int i = -radius; i <= radius; ++i) {
                const int yy = y + i;
                if (yy < 0 || yy >= h || !live[std::size_t(yy)])
                    continue;
                const float k = kernel[i + radius];
                const float* src = &tmp[std::size_t(yy) * w];
                for (int x = x0; x <= x1; ++x)
                    out[x] += k * src[x];
            }
        }
    }
    for (int y = y0; y <= y1; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = x0; x <= x1; ++x) {
            const float cov = std::clamp(alpha[std::size_t(y) * w + x], 0.0f, 1.0f) * a;
            row[x] = cov == 0.0f ? 0 : qRgba(level(r * cov), level(g * cov), level(b * cov), level(cov));
        }
    }
}

// The same shadows are drawn again on every repaint (a title's, a bar's edge): layers are kept
// with what they became, most recent first, within a budget of pixels, and a layer equal in every
// pixel, blur and colour takes the kept result. Per thread, as drawing may run on several.
struct PainterShadowEntry {
    std::size_t hash;
    QImage input;
    double sigma;
    QRgba64 color;
    QImage output;
};

constexpr qsizetype painterShadowCachedLayerPixels = 1 << 17;
constexpr qsizetype painterShadowCachedPixels = 1 << 19;
constexpr std::size_t painterShadowCachedLayers = 128;

void blurAndTint(QImage& layer, double sigma, const QColor& color)
{
    const qsizetype pixels = qsizetype(layer.width()) * layer.height();
    if (pixels > painterShadowCachedLayerPixels)
        return blurAndTintPixels(layer, sigma, color);
    thread_local std::vector<PainterShadowEntry> kept;
    const QRgba64 rgba = color.rgba64();
    const std::size_t bytes = std::size_t(layer.sizeInBytes());
    const std::size_t hash = qHashBits(layer.constBits(), bytes);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        PainterShadowEntry& e = kept[i];
        if (e.hash == hash && e.sigma == sigma && e.color == rgba && e.input.size() == layer.size()
            && e.input.bytesPerLine() == layer.bytesPerLine() && std::memcmp(e.input.constBits(), layer.constBits(), bytes) == 0) {
            layer = e.output;
            std::rotate(kept.begin(), kept.begin() + std::ptrdiff_t(i), kept.begin() + std::ptrdiff_t(i) + 1);
            return;
        }
    }
    QImage input = layer.copy();
    blurAndTintPixels(layer, sigma, color);
    kept.insert(kept.begin(), PainterShadowEntry { hash, std::move(input), sigma, rgba, layer });
    qsizetype total = 0;
    std::size_t keep = 0;
    while (keep < kept.size() && keep < painterShadowCachedLayers) {
        total += qsizetype(kept[keep].input.width()) * kept[keep].input.height();
        if (total > painterShadowCachedPixels && keep > 0)
            break;
        ++keep;
    }
    kept.erase(kept.begin() + std::ptrdiff_t(keep), kept.end());
}

} // namespace

void GraphicsBackend::fillRects(const QRectF* rects, int count, const QBrush& brush, const GraphicsState& state)
{
    for (int i = 0; i < count; ++i) {
        QPainterPath path;
        path.addRect(rects[i]);
        fillPath(path, brush, state);
    }
}

PainterBackend::PainterBackend(QPainter* painter)
    : painter_(painter)
{
    painter_->save();
}

PainterBackend::PainterBackend(QImage* image)
    : owned_(std::make_unique<QPainter>(image))
    , painter_(owned_.get())
{
    painter_->save();
}

PainterBackend::PainterBackend(QPainter* painter, Reusable)
    : painter_(painter)
    , reusable_(true)
{ }

PainterBackend::~PainterBackend()
{
    flushGlyphs();
    if (!reusable_)
        painter_->restore();
}

void PainterBackend::forgetApplied()
{
    clipKnown_ = false;
    transformKnown_ = false;
    opacityKnown_ = false;
    modeKnown_ = false;
    hintsKnown_ = false;
    touched_ = false;
}

void PainterBackend::begin()
{
    painter_->save();
    forgetApplied();
}

// The painter's state comes back with the restore, so the next primitive sets its own again.
void PainterBackend::end()
{
    flushGlyphs();
    painter_->restore();
    forgetApplied();
}

// Every primitive sets the clip, transform and modes it needs, so the painter can go back to the
// state saved before the first one.
void PainterBackend::yieldPainter()
{
    flushGlyphs();
    if (!touched_)
        return;
    painter_->restore();
    painter_->save();
    forgetApplied();
}

QPainter* PainterBackend::painter()
{
    flushGlyphs();
    return painter_;
}

QSize PainterBackend::deviceSize() const
{
    const QPaintDevice* d = painter_->device();
    return d ? QSize(d->width(), d->height()) : QSize();
}

void PainterBackend::setTransform(const QTransform& t)
{
    touched_ = true;
    if (transformKnown_ && applied_.transform == t)
        return;
    flushGlyphs();
    painter_->setWorldTransform(t);
    applied_.transform = t;
    transformKnown_ = true;
}

void PainterBackend::setOpacity(double opacity)
{
    touched_ = true;
    if (opacityKnown_ && applied_.opacity == opacity)
        return;
    flushGlyphs();
    painter_->setOpacity(opacity);
    applied_.opacity = opacity;
    opacityKnown_ = true;
}

void PainterBackend::setCompositionMode(QPainter::CompositionMode mode)
{
    touched_ = true;
    if (modeKnown_ && applied_.mode == mode)
        return;
    flushGlyphs();
    painter_->setCompositionMode(mode);
    applied_.mode = mode;
    modeKnown_ = true;
}

void PainterBackend::setHints(bool antialias, bool smoothImages)
{
    touched_ = true;
    if (hintsKnown_ && applied_.antialias == antialias && applied_.smoothImages == smoothImages)
        return;
    flushGlyphs();
    painter_->setRenderHint(QPainter::Antialiasing, antialias);
    painter_->setRenderHint(QPainter::TextAntialiasing, antialias);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, smoothImages);
    applied_.antialias = antialias;
    applied_.smoothImages = smoothImages;
    hintsKnown_ = true;
}

void PainterBackend::applyClip(const GraphicsState& s)
{
    touched_ = true;
    if (clipKnown_ && appliedClip_ == s.clipSerial)
        return;
    flushGlyphs();
    // Clips are in device space.
    setTransform(QTransform());
    QRectF rect;
    if (s.clip && isAxisAlignedRect(*s.clip, &rect))
        painter_->setClipRect(rect); // Qt's fast path
    else if (s.clip)
        painter_->setClipPath(*s.clip);
    else
        painter_->setClipping(false);
    appliedClip_ = s.clipSerial;
    clipKnown_ = true;
}

// Whether `clip`, disjoint rectangles on whole pixels (a dirty region of several), covers `r`.
static bool painterBackendClipHolds(const QPainterPath& clip, const QRect& r)
{
    QRegion region;
    qint64 area = 0;
    const int n = clip.elementCount();
    for (int start = 0; start < n;) {
        int end = start + 1;
        while (end < n && !clip.elementAt(end).isMoveTo())
            ++end;
        QPainterPath one;
        one.moveTo(clip.elementAt(start).x, clip.elementAt(start).y);
        for (int i = start + 1; i < end; ++i)
            one.lineTo(clip.elementAt(i).x, clip.elementAt(i).y);
        QRectF rect;
        if (!isAxisAlignedRect(one, &rect) || rect != QRectF(rect.toAlignedRect()))
            return false;
        const QRect whole = rect.toAlignedRect();
        area += qint64(whole.width()) * whole.height();
        region += whole;
        start = end;
    }
    // Overlapping rectangles could cancel under the fill rule: only a disjoint union is read as one.
    qint64 united = 0;
    for (const QRect& rect : region)
        united += qint64(rect.width()) * rect.height();
    return united == area && QRegion(r).subtracted(region).isEmpty();
}

// Without antialiasing Qt fills the pixels whose centres lie in (min, max]; a nudge of one
// rasteriser unit makes it [min, max), so left and top edges are inclusive.
static QTransform deviceTransform(const GraphicsState& s)
{
    constexpr double nudge = 1.0 / 64;
    return s.shouldAntialias ? s.ctm : s.ctm * QTransform::fromTranslate(-nudge, -nudge);
}

// Draws one primitive: its shadow first (rendered in device space, offset y up), then itself.
template <class Draw>
void PainterBackend::paint(const GraphicsState& s, QRectF deviceBounds, double opacity, const QTransform& local, const Draw& draw)
{
    flushGlyphs();
    applyClip(s);
    QPainter& p = *painter_;
    setHints(s.shouldAntialias, s.imageInterpolation != ImageInterpolationNone);
    if (s.shadow.isActive() && s.operation != CompositeClear) {
        const double sigma = s.shadow.blurRadius / 2;
        // A blur, offset or primitive reaching further than any bitmap is cut to what one covers,
        // so that the layer's integer rectangle stays within int.
        constexpr int reach = 4 * MaxBitmapSide;
        const int margin = ClampedInt(std::ceil(3 * sigma), 0, MaxBitmapSide) + 2;
        const QRectF near = deviceBounds & QRectF(-reach, -reach, 2.0 * reach, 2.0 * reach);
        QRect layerRect = near.toAlignedRect().adjusted(-margin, -margin, margin, margin);
        const QPoint shift(ClampedInt(std::round(s.shadow.offset.x()), -reach, reach), ClampedInt(std::round(-s.shadow.offset.y()), -reach, reach));
        const QPointF exactShift(s.shadow.offset.x(), -s.shadow.offset.y());
        const QSize device = deviceSize();
        if (device.isValid())
            layerRect &= QRect(QPoint(0, 0), device).translated(-shift).adjusted(-margin, -margin, margin, margin);
        // The primitive drawn into a layer whose origin is the layer rectangle's corner, and the
        // painter set for putting the layer in place.
        const auto drawIntoLayer = [&](QImage& image, const QRect* clip) {
            QPainter lp(&image);
            if (clip)
                lp.setClipRect(*clip);
            const QPainter::RenderHints hints
                = s.shouldAntialias ? (QPainter::Antialiasing | QPainter::TextAntialiasing) : QPainter::RenderHints();
            lp.setRenderHints(hints);
            lp.setRenderHint(QPainter::SmoothPixmapTransform, s.imageInterpolation != ImageInterpolationNone);
            lp.setOpacity(opacity);
            lp.setWorldTransform(local * deviceTransform(s) * QTransform::fromTranslate(-layerRect.x(), -layerRect.y()));
            draw(lp);
        };
        const auto placeLayer = [&] {
            setTransform(QTransform());
            setOpacity(1);
            setCompositionMode(compositionMode(s.operation));
        };
        if (!layerRect.isEmpty() && sigma <= 0.01 && QPointF(shift) == exactShift && layerRect.width() <= 1024 && layerRect.height() <= 1024) {
            // Nothing to blur: drawn and tinted in a kept layer, which gives the same pixels
            // without a new image and paint engine for every label.
            thread_local QImage kept;
            if (kept.width() < layerRect.width() || kept.height() < layerRect.height())
                kept = QImage(std::max(kept.width(), layerRect.width()), std::max(kept.height(), layerRect.height()),
                    QImage::Format_ARGB32_Premultiplied);
            const QRect area(QPoint(0, 0), layerRect.size());
            for (int y = 0; y < area.height(); ++y)
                std::memset(kept.scanLine(y), 0, std::size_t(area.width()) * sizeof(QRgb));
            drawIntoLayer(kept, &area);
            painterShadowTint(kept, area, s.shadow.color);
            placeLayer();
            p.drawImage(layerRect.topLeft() + shift, kept, area);
        } else if (!layerRect.isEmpty()) {
            QImage layer(layerRect.size(), QImage::Format_ARGB32_Premultiplied);
            layer.fill(Qt::transparent);
            drawIntoLayer(layer, nullptr);
            blurAndTint(layer, sigma, s.shadow.color);
            placeLayer();
            p.drawImage(QPointF(layerRect.topLeft()) + exactShift, layer);
        }
    }
    setOpacity(opacity);
    if (s.operation == CompositePlusDarker)
        setCompositionMode(QPainter::CompositionMode_Darken);
    else
        setCompositionMode(compositionMode(s.operation));
    setTransform(local * deviceTransform(s));
    draw(p);
}

bool PainterBackend::fillWholePixels(const QRectF& userRect, const QColor& color, const GraphicsState& s)
{
    const QRectF device = s.ctm.mapRect(userRect);
    const QRect pixels = device.toAlignedRect();
    if (QRectF(pixels) != device)
        return false;
    flushGlyphs();
    applyClip(s);
    setOpacity(1);
    setCompositionMode(compositionMode(s.operation));
    setTransform(QTransform());
    painter_->fillRect(pixels, color);
    return true;
}

// A plain rectangle on whole device pixels: fillRect covers exactly the pixels the path fill
// covers, with or without antialiasing, and skips the rasteriser.
static bool painterBackendFillsByRect(const QBrush& brush, const GraphicsState& s)
{
    return !s.shadow.isActive() && brush.style() == Qt::SolidPattern && (s.operation == CompositeSourceOver || s.operation == CompositeCopy)
        && s.ctm.type() <= QTransform::TxScale;
}

void PainterBackend::fillPath(const QPainterPath& path, const QBrush& brush, const GraphicsState& s)
{
    if (brush.style() == Qt::NoBrush)
        return;
    if (s.operation == CompositePlusDarker && brush.style() == Qt::SolidPattern) {
        // max(0, D − Sa·(1 − S)) per channel: invert, add Sa·(1 − S), invert back.
        const QColor c = brush.color();
        const QColor add = QColor::fromRgbF(c.alphaF() * (1 - c.redF()), c.alphaF() * (1 - c.greenF()), c.alphaF() * (1 - c.blueF()), 1);
        auto fillWith = [&](QPainter::CompositionMode mode, const QColor& color) {
            flushGlyphs();
            applyClip(s);
            setHints(s.shouldAntialias, s.imageInterpolation != ImageInterpolationNone);
            setOpacity(1);
            setCompositionMode(mode);
            setTransform(deviceTransform(s));
            painter_->fillPath(path, color);
        };
        fillWith(QPainter::RasterOp_NotDestination, Qt::black);
        fillWith(QPainter::CompositionMode_Plus, add);
        fillWith(QPainter::RasterOp_NotDestination, Qt::black);
        return;
    }
    QRectF userRect;
    if (painterBackendFillsByRect(brush, s) && isAxisAlignedRect(path, &userRect) && fillWholePixels(userRect, brush.color(), s))
        return;
    paint(s, s.ctm.mapRect(path.boundingRect()), 1.0, QTransform(), [&](QPainter& p) { p.fillPath(path, brush); });
}

void PainterBackend::fillRects(const QRectF* rects, int count, const QBrush& brush, const GraphicsState& s)
{
    if (brush.style() == Qt::NoBrush)
        return;
    const bool byRect = painterBackendFillsByRect(brush, s);
    for (int i = 0; i < count; ++i) {
        if (byRect && fillWholePixels(rects[i], brush.color(), s))
            continue;
        QPainterPath path;
        path.addRect(rects[i]);
        fillPath(path, brush, s);
    }
}

void PainterBackend::strokePath(const QPainterPath& path, const QPen& pen, const GraphicsState& s)
{
    if (pen.style() == Qt::NoPen)
        return;
    const double grow = pen.widthF() * 2 + 2;
    const QRectF bounds = s.ctm.mapRect(path.boundingRect().adjusted(-grow, -grow, grow, grow));
    paint(s, bounds, 1.0, QTransform(), [&](QPainter& p) { p.strokePath(path, pen); });
}

void PainterBackend::drawImage(
    const QImage& image, const QRectF& source, const QRectF& target, const QTransform& toUser, double fraction, const GraphicsState& s)
{
    // A picture in perspective: sampled straight from the inverse map where that gives the same pixels.
    // Lines still waiting go first: they lie under the picture.
    if (!s.ctm.isAffine() && projectiveimage::Draw(*painter(), image, source, target, toUser * s.ctm, fraction, s))
        return;
    const QTransform toDevice = toUser * s.ctm;
    const QRectF bounds = toDevice.mapRect(target);
    QRectF clipRect;
    // An image copied unscaled onto whole pixels, all of them inside a clip of several rectangles
    // (a pass's dirty region): clipped to its own rectangle it leaves the same pixels, and Qt
    // copies it instead of clipping span by span.
    if (s.clip && !s.shadow.isActive() && toDevice.type() <= QTransform::TxTranslate && bounds.size() == source.size()
        && bounds == QRectF(bounds.toAlignedRect()) && !isAxisAlignedRect(*s.clip, &clipRect)
        && painterBackendClipHolds(*s.clip, bounds.toAlignedRect())) {
        GraphicsState narrowed = s;
        QPainterPath own;
        own.addRect(bounds);
        narrowed.clip = std::move(own);
        // A serial no context hands out, new each time: the painter's clip is always set again.
        narrowed.clipSerial = (std::uint64_t(1) << 63) | ++narrowedClips_;
        paint(narrowed, bounds, fraction, toUser, [&](QPainter& p) { p.drawImage(target, image, source); });
        return;
    }
    paint(s, bounds, fraction, toUser, [&](QPainter& p) { p.drawImage(target, image, source); });
}

void PainterBackend::drawText(
    const QString& text, const QFont& font, const QBrush& brush, QPointF baseline, const QTransform& toUser, const GraphicsState& s)
{
    // Nothing to shape: the glyphs go straight from the font.
    const bool plain = fastline::IsPlain(text, font);
    if (plain && !s.shadow.isActive() && deferGlyphs(text, font, brush, baseline, toUser, s))
        return;
    // Only a shadow needs the ink's bounds; any box holding all of it gives the same pixels.
    QRectF bounds;
    if (s.shadow.isActive()) {
        const QRectF ink = plain ? fastline::InkBox(text, font, baseline) : QFontMetricsF(font).boundingRect(text).translated(baseline);
        bounds = (toUser * s.ctm).mapRect(ink.adjusted(-2, -2, 2, 2));
    }
    paint(s, bounds, 1.0, toUser, [&](QPainter& p) {
        p.setPen(QPen(brush, 0));
        if (plain) {
            fastline::DrawGlyphRun(p, text, font, baseline);
            return;
        }
        fastline::DrawShapedLine(p, text, font, baseline);
    });
}

bool PainterBackend::deferGlyphs(
    const QString& text, const QFont& font, const QBrush& brush, QPointF baseline, const QTransform& toUser, const GraphicsState& s)
{
    if (!reusable_ || brush.style() != Qt::SolidPattern || s.operation == CompositePlusDarker || s.operation == CompositeClear)
        return false;
    if (!pending_.glyphs.empty() && (pending_.color != brush.color() || !(pending_.font.isCopyOf(font) || pending_.font == font)
            || pending_.font.hintingPreference() != font.hintingPreference()))
        flushGlyphs();
    // The state paint() would set; a change draws what waits first.
    applyClip(s);
    setHints(s.shouldAntialias, s.imageInterpolation != ImageInterpolationNone);
    setOpacity(1.0);
    setCompositionMode(compositionMode(s.operation));
    setTransform(toUser * deviceTransform(s));
    if (pending_.glyphs.empty()) {
        pending_.font = font;
        pending_.color = brush.color();
    }
    fastline::AppendGlyphs(text, font, baseline, &pending_.glyphs, &pending_.positions);
    return true;
}

void PainterBackend::flushGlyphs()
{
    if (pending_.glyphs.empty())
        return;
    painter_->setPen(QPen(QBrush(pending_.color), 0));
    fastline::DrawGlyphs(*painter_, pending_.font, pending_.glyphs, pending_.positions);
    pending_.glyphs.clear();
    pending_.positions.clear();
}

} // namespace kit
