#include "kit/graphics/ProjectiveImage.h"

#include "kit/graphics/GraphicsBackend.h"
#include "kit/graphics/GraphicsState.h"
#include "kit/graphics/ProjectiveImageBands.h"
#include "kit/graphics/ProjectiveImageSpan.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>

namespace kit::projectiveimage {

namespace {

// One edge of the picture's quad in device space: signed distance in pixels, positive inside.
struct ProjectiveEdge {
    double a = 0, b = 0, c = 0;
};

// Inward unit normals of a convex quad's edges, whichever way round its corners run; false when
// it has no area.
bool projectiveEdgesOf(const Quad& quad, std::array<ProjectiveEdge, 4>& edges)
{
    double area2 = 0;
    for (std::size_t i = 0; i < 4; ++i)
        area2 += quad[i].x() * quad[(i + 1) % 4].y() - quad[(i + 1) % 4].x() * quad[i].y();
    if (!std::isfinite(area2) || std::abs(area2) < 1e-9)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const QPointF p = quad[i], q = quad[(i + 1) % 4];
        double a = -(q.y() - p.y()), b = q.x() - p.x();
        const double len = std::hypot(a, b);
        if (len < 1e-12) {
            edges[i] = { 0, 0, 1e9 }; // a degenerate edge bounds nothing
            continue;
        }
        const double sign = area2 > 0 ? 1.0 : -1.0;
        a *= sign / len;
        b *= sign / len;
        edges[i] = { a, b, -(a * p.x() + b * p.y()) };
    }
    return true;
}

// The pixels of a row whose centres lie at least `margin` inside every edge: [first, last].
bool projectiveRun(const std::array<ProjectiveEdge, 4>& edges, double cy, double margin, double lo, double hi, int& first, int& last)
{
    for (const ProjectiveEdge& e : edges) {
        const double rest = e.b * cy + e.c - margin;
        if (e.a > 1e-12)
            lo = std::max(lo, -rest / e.a - 0.5);
        else if (e.a < -1e-12)
            hi = std::min(hi, -rest / e.a - 0.5);
        else if (rest < 0)
            return false;
    }
    first = ClampedInt(std::ceil(lo));
    last = ClampedInt(std::floor(hi));
    return first <= last;
}

} // namespace

bool DrawInto(QImage& canvas, const QRect& clip, const QImage& image, const QRect& source, const QTransform& sourceToDevice,
    double opacity, bool smooth, bool antialias, const std::vector<Quad>* occluders, const std::array<double, 3>& tint)
{
    const auto takes = [](QImage::Format f) { return f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_RGB32; };
    if (!takes(canvas.format()) || !takes(image.format()))
        return false;
    const QRect src = source & image.rect();
    const QRect area = clip & canvas.rect();
    if (src.isEmpty() || area.isEmpty() || opacity <= 0)
        return true;
    // Texel offsets in 32 bits and positions in single precision (1/200 texel at 30,000).
    if (image.width() > 30000 || image.height() > 30000)
        return false;
    const QTransform& m = sourceToDevice;
    // The picture's corners (pixel edges) on the device; every one in front of the eye.
    const std::array<QPointF, 4> corners = { QPointF(src.left(), src.top()), QPointF(src.right() + 1, src.top()),
        QPointF(src.right() + 1, src.bottom() + 1), QPointF(src.left(), src.bottom() + 1) };
    std::array<QPointF, 4> quad;
    for (std::size_t i = 0; i < 4; ++i) {
        const double x = corners[i].x(), y = corners[i].y();
        const double w = m.m13() * x + m.m23() * y + m.m33();
        if (!(w > 1e-9))
            return false;
        quad[i] = QPointF((m.m11() * x + m.m21() * y + m.dx()) / w, (m.m12() * x + m.m22() * y + m.dy()) / w);
    }
    bool invertible = false;
    QTransform inv = m.inverted(&invertible);
    if (!invertible)
        return false;
    std::array<ProjectiveEdge, 4> edges;
    if (!projectiveEdgesOf(quad, edges))
        return true; // edge-on: nothing to see
    // The inverse's homogeneous scale is arbitrary: make w positive over the picture.
    {
        const QPointF centre((quad[0].x() + quad[2].x()) / 2, (quad[0].y() + quad[2].y()) / 2);
        if (inv.m13() * centre.x() + inv.m23() * centre.y() + inv.m33() < 0)
            inv = QTransform(-inv.m11(), -inv.m12(), -inv.m13(), -inv.m21(), -inv.m22(), -inv.m23(), -inv.m31(), -inv.m32(), -inv.m33());
    }
    // A pixel counts from half a pixel outside an edge (area coverage) or from its centre on it.
    const double reach = antialias ? 0.5 : 0.0;
    double minY = quad[0].y(), maxY = quad[0].y();
    for (const QPointF& p : quad) {
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    const int y0 = std::max(area.top(), ClampedInt(std::floor(minY - 1)));
    const int y1 = std::min(area.bottom(), ClampedInt(std::ceil(maxY + 1)));
    // Written in place, as the painter on this image writes: no detach.
    uchar* target = const_cast<uchar*>(canvas.constBits());
    const qsizetype targetStride = canvas.bytesPerLine();
    const SpanSource texels { reinterpret_cast<const std::uint32_t*>(image.constBits()), image.bytesPerLine() / 4, src.left(), src.top(),
        src.right(), src.bottom(), image.format() == QImage::Format_RGB32 };
    const std::uint32_t multiplier = SpanMultiplier(opacity, tint);
    const SpanDrawer drawSpan = SpanDrawerFor(texels, smooth, multiplier);
    // Any pixel, edges included: coverage and sample worked out from scratch.
    const auto edgePixel = [&](std::uint32_t* dst, double cx, double cy) {
        double inside = 1e9;
        for (const ProjectiveEdge& e : edges)
            inside = std::min(inside, e.a * cx + e.b * cy + e.c);
        const double coverage = antialias ? std::clamp(inside + 0.5, 0.0, 1.0) : (inside >= 0 ? 1.0 : 0.0);
        const double w = inv.m13() * cx + inv.m23() * cy + inv.m33();
        if (!(coverage > 0) || !(w > 1e-12))
            return;
        const double u = (inv.m11() * cx + inv.m21() * cy + inv.dx()) / w, v = (inv.m12() * cx + inv.m22() * cy + inv.dy()) / w;
        SpanBlend(dst, SpanSample(texels, smooth, u, v), SpanMultiplier(coverage * opacity, tint));
    };
    const auto run = [&](double cy, double margin, int& first, int& last) {
        if (!projectiveRun(edges, cy, margin, area.left(), area.right() + 1, first, last))
            return false;
        first = std::max(first, area.left());
        last = std::min(last, area.right());
        return first <= last;
    };
    // Occluders that reach the picture's rows, with their edges.
    struct ProjectiveOccluder {
        std::array<ProjectiveEdge, 4> edges;
        double minY, maxY;
    };
    std::vector<ProjectiveOccluder> covering;
    if (occluders)
        for (const Quad& q : *occluders) {
            ProjectiveOccluder o;
            o.minY = std::min({ q[0].y(), q[1].y(), q[2].y(), q[3].y() });
            o.maxY = std::max({ q[0].y(), q[1].y(), q[2].y(), q[3].y() });
            if (o.maxY >= minY && o.minY <= maxY && projectiveEdgesOf(q, o.edges))
                covering.push_back(o);
        }
    // Pixels [from, to] of row y; those in [ia, ib] are covered whole and go to the span drawer.
    const auto segment = [&](int y, int from, int to, int ia, int ib) {
        const double cy = y + 0.5;
        auto* row = reinterpret_cast<std::uint32_t*>(target + y * targetStride);
        int x = from;
        for (; x <= to && x < ia; ++x)
            edgePixel(row + x, x + 0.5, cy);
        if (const int last = std::min(ib, to); x <= last) {
            const SpanMap map { inv.m11() * (x + 0.5) + inv.m21() * cy + inv.dx(), inv.m12() * (x + 0.5) + inv.m22() * cy + inv.dy(),
                inv.m13() * (x + 0.5) + inv.m23() * cy + inv.m33(), inv.m11(), inv.m12(), inv.m13() };
            drawSpan(row + x, last - x + 1, map, texels, multiplier);
            x = last + 1;
        }
        for (; x <= to; ++x)
            edgePixel(row + x, x + 0.5, cy);
    };
    // Blocks of 8 rows by 64 pixels: the texels one block reads stay in the first-level cache, where
    // whole rows of a picture in perspective would cross hundreds of texel rows.
    constexpr int blockRows = 8, blockColumns = 64;
    struct RowRun {
        int xa = 0, xb = -1, ia = 0, ib = -1;
        // Runs left alone, covered whole by an occluder; sorted, merged.
        std::vector<std::pair<int, int>> hidden;
    };
    const auto drawBlock = [&](int by, std::array<RowRun, blockRows>& runs) {
        const int rows = std::min(blockRows, y1 - by + 1);
        int bx0 = area.right() + 1, bx1 = area.left() - 1;
        for (int r = 0; r < rows; ++r) {
            RowRun& rr = runs[std::size_t(r)];
            rr.xa = 0;
            rr.xb = -1;
            rr.hidden.clear();
            const double cy = by + r + 0.5;
            // Pixels that any part of the picture reaches, then those it covers whole.
            if (!run(cy, -reach - 1e-9, rr.xa, rr.xb))
                continue;
            if (!run(cy, reach + 1e-9, rr.ia, rr.ib))
                rr.ia = rr.xb + 1;
            for (const ProjectiveOccluder& o : covering) {
                int oa = 0, ob = -1;
                if (cy > o.minY && cy < o.maxY && projectiveRun(o.edges, cy, 1.0, rr.xa, rr.xb + 1, oa, ob))
                    rr.hidden.emplace_back(std::max(oa, rr.xa), std::min(ob, rr.xb));
            }
            std::sort(rr.hidden.begin(), rr.hidden.end());
            bx0 = std::min(bx0, rr.xa);
            bx1 = std::max(bx1, rr.xb);
        }
        // Columns on a fixed grid: where a run starts, and so each pixel, does not depend on which
        // rows share its block or where a clip cuts the picture.
        for (int bx = bx0 - bx0 % blockColumns; bx <= bx1; bx += blockColumns) {
            const int ex = std::min(bx1, bx + blockColumns - 1);
            for (int r = 0; r < rows; ++r) {
                const RowRun& rr = runs[std::size_t(r)];
                int from = std::max(rr.xa, bx);
                const int to = std::min(rr.xb, ex);
                for (const auto& [ha, hb] : rr.hidden) {
                    if (from > to || ha > to)
                        break;
                    if (ha > from)
                        segment(by + r, from, ha - 1, rr.ia, rr.ib);
                    from = std::max(from, hb + 1);
                }
                if (from <= to)
                    segment(by + r, from, to, rr.ia, rr.ib);
            }
        }
    };
    if (y1 < y0)
        return true;
    const int blocks = (y1 - y0) / blockRows + 1;
    // Large pictures go in bands of rows to helper threads, each band's rows written by one thread.
    double minX = quad[0].x(), maxX = quad[0].x();
    for (const QPointF& p : quad) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
    }
    const auto across = [&](double x) { return std::clamp(x, double(area.left()), double(area.right() + 1)); };
    const double pixels = (across(maxX) - across(minX)) * (y1 - y0 + 1);
    // A helper per 30,000 pixels, two at most: more wake-ups cost more than they save.
    const int helpers = std::min({ 2, blocks - 1, int(pixels / 30000) });
    if (helpers <= 0) {
        std::array<RowRun, blockRows> runs;
        for (int b = 0; b < blocks; ++b)
            drawBlock(y0 + b * blockRows, runs);
        return true;
    }
    std::atomic<int> next { 0 };
    auto band = [&] {
        std::array<RowRun, blockRows> runs;
        for (int b; (b = next.fetch_add(1, std::memory_order_relaxed)) < blocks;)
            drawBlock(y0 + b * blockRows, runs);
    };
    ShareBands(helpers, band);
    return true;
}

bool AllOpaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return true;
    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_ARGB32)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::uint32_t all = 0xff000000u;
        for (int x = 0; x < image.width(); ++x)
            all &= row[x];
        if (all < 0xff000000u)
            return false;
    }
    return true;
}

bool Draw(QPainter& painter, const QImage& image, const QRectF& source, const QRectF& target, const QTransform& toDevice, double opacity,
    const GraphicsState& s, const std::vector<Quad>* occluders, const std::array<double, 3>& tint)
{
    if (s.shadow.isActive() || (s.operation != CompositeSourceOver && s.operation != CompositeHighlight))
        return false;
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return false;
    auto* canvas = static_cast<QImage*>(device);
    const QRect sourcePixels = source.toRect();
    if (QRectF(sourcePixels) != source || sourcePixels.isEmpty() || target.isEmpty())
        return false;
    // What the painter adds beyond its world transform (a device pixel ratio).
    bool invertible = false;
    const QTransform base = painter.worldTransform().inverted(&invertible) * painter.deviceTransform();
    if (!invertible || base.type() > QTransform::TxScale)
        return false;
    QRect clip = canvas->rect();
    if (s.clip) {
        QRectF rect;
        if (!isAxisAlignedRect(*s.clip, &rect))
            return false;
        const QRectF device = base.mapRect(rect);
        clip &= QRect(QPoint(ClampedInt(std::round(device.left())), ClampedInt(std::round(device.top()))),
            QPoint(ClampedInt(std::round(device.right())) - 1, ClampedInt(std::round(device.bottom())) - 1));
    }
    if (const QPaintEngine* engine = painter.paintEngine()) {
        const QRegion system = engine->systemClip();
        if (!system.isEmpty()) {
            if (system.rectCount() != 1)
                return false;
            clip &= system.boundingRect();
        }
    }
    const QTransform sourceToTarget = QTransform::fromTranslate(-source.x(), -source.y())
        * QTransform::fromScale(target.width() / source.width(), target.height() / source.height())
        * QTransform::fromTranslate(target.x(), target.y());
    return DrawInto(*canvas, clip, image, sourcePixels, sourceToTarget * toDevice * base, opacity,
        s.imageInterpolation != ImageInterpolationNone, s.shouldAntialias, occluders, tint);
}

} // namespace kit::projectiveimage
