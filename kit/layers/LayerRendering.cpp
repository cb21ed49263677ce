// kit::Layer's rendering: each layer's plane goes to the host through the homography of its chain,
// concatenated to the host's device transform. Painter's algorithm: background, contents,
// sublayers by (zPosition, index), border last.

#include "kit/layers/Layer.h"

#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ProjectiveImage.h"
#include "kit/graphics/QtGeometry.h"
#include "kit/layers/ReplicatorLayer.h"
#include "kit/layers/Transaction.h"

#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace kit {

namespace layerrendering {

QPainterPath shapeOf(const QRectF& rect, double radius)
{
    QPainterPath path;
    if (radius > 0)
        path.addRoundedRect(rect, radius, radius);
    else
        path.addRect(rect);
    return path;
}

Ref<Color> tinted(const CGColor& c, const std::array<double, 3>& tint, double opacity)
{
    return Color::colorWithDeviceRedGreenBlueAlpha(c.r * tint[0], c.g * tint[1], c.b * tint[2], c.a * opacity);
}

std::vector<Layer::DrawRecord>*& recorder()
{
    static std::vector<Layer::DrawRecord>* current = nullptr;
    return current;
}

// A plane is drawn when every corner of its bounds lies in front of the eye and it does not stand
// edge-on (a singular homography).
bool drawable(const Transform3D& toHost, Rect bounds)
{
    const double xs[2] = { bounds.minX(), bounds.maxX() }, ys[2] = { bounds.minY(), bounds.maxY() };
    for (double x : xs)
        for (double y : ys)
            if (!(x * toHost.m14 + y * toHost.m24 + toHost.m44 > 1e-9))
                return false;
    // The area scale at the centre, det / w³: a plane standing edge-on maps to a line.
    const QTransform h = toHost.planeHomography();
    const double w = bounds.midX() * h.m13() + bounds.midY() * h.m23() + h.m33();
    const double det = h.determinant();
    return std::isfinite(det) && w > 0 && std::abs(det) / (w * w * w) > 1e-9;
}

// Whether what animates `layer` only moves its picture (the quad is where it is drawn now), never
// changes its pixels.
bool movesOnly(const Layer& layer)
{
    if (!layer.hasAnimations())
        return true;
    static const QStringList keys { QStringLiteral("position"), QStringLiteral("bounds"), QStringLiteral("transform"),
        QStringLiteral("zPosition"), QStringLiteral("anchorPoint"), QStringLiteral("sublayerTransform"), QStringLiteral("instanceTransform") };
    for (const QString& key : layer.animationKeys())
        if (!keys.contains(key))
            return false;
    return true;
}

// A device box, compared inline (a thousand sublayers compare half a million pairs).
struct Box {
    double left = 0, top = 0, right = -1, bottom = -1;
    static Box of(const projectiveimage::Quad& q)
    {
        const auto [l, r] = std::minmax({ q[0].x(), q[1].x(), q[2].x(), q[3].x() });
        const auto [t, b] = std::minmax({ q[0].y(), q[1].y(), q[2].y(), q[3].y() });
        return { l, t, r, b };
    }
    bool meets(const Box& o) const { return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom; }
};

} // namespace layerrendering

void Layer::setDrawRecorder(std::vector<DrawRecord>* recorder) { layerrendering::recorder() = recorder; }

void Layer::prepareTree()
{
    // Layout runs in the commit, inside the open transaction, so it animates with its duration.
    Transaction::flush();
    layoutIfNeeded();
    Transaction::displayMarkedLayers();
}

void Layer::renderInContext(CGContext& context)
{
    prepareTree();
    GraphicsContext& gc = *context.context();
    RenderPass pass { gc, gc.state().ctm };
    // In its own coordinates: the receiver's chain is the identity.
    renderTree(pass, Transform3D(), 1.0);
}

void Layer::drawRoot(GraphicsContext& context)
{
    RenderPass pass { context, context.state().ctm };
    const LayerValues values = presentedValues();
    renderTree(pass, values.toSuperlayer(), 1.0);
}

void Layer::renderTree(RenderPass& pass, const Transform3D& toHost, double opacity)
{
    LayerValues values = presentedValues();
    opacity *= values.opacity;
    if (values.hidden || opacity <= 0 || !layerrendering::drawable(toHost, values.bounds))
        return;
    if (!animations_.empty())
        if (const Ref<Layer> redrawn = presentedContentsLayer())
            values.contents = redrawn->contents();
    const QTransform homography = toHost.planeHomography();
    if (auto* r = layerrendering::recorder())
        r->push_back({ this, toHost, homography, pass.copy });
    if (!animations_.empty() && renderTransition(pass, values, homography, opacity))
        return;
    GraphicsContext& context = pass.context;
    context.saveGraphicsState();
    context.setCTM(AffineTransform::fromQTransform(pass.host));
    context.concatProjectiveCTM(homography);
    renderContent(pass, values, homography, opacity);
    if (!sublayers_.empty())
        renderSublayers(pass, sublayerChain(values, toHost), opacity);
    renderBorder(pass, values, opacity);
    context.restoreGraphicsState();
}

void Layer::renderSublayers(RenderPass& pass, const Transform3D& sublayerToHost, double opacity)
{
    // Hidden with nothing animating them, sublayers show nothing of their subtrees: never walked.
    // The others are culled by the cached boxes of their subtrees before their matrices or
    // presentation values are built.
    std::vector<Layer*> inSight;
    sublayersInSight(pass, sublayerToHost, inSight);
    // Held while drawing: a delegate may change the tree mid-render.
    std::vector<std::pair<Ref<Layer>, Transform3D>> drawn;
    drawn.reserve(inSight.size());
    for (Layer* sub : inSight)
        drawn.emplace_back(Ref<Layer>(sub), Transform3DConcat(sub->presentedValues().toSuperlayer(), sublayerToHost));
    // An opaque picture drawn later covers what earlier sublayers would draw under it: those
    // pixels are skipped (a stack of turned pictures is mostly hidden). A sublayer's picture is its
    // own contents or, for a plain holder, its first sublayer's.
    using Quad = projectiveimage::Quad;
    const auto pictureQuad = [&](const Layer& layer, const Transform3D& toHost, double alpha) -> std::optional<Quad> {
        const LayerValues v = layer.presentedValues();
        if (v.hidden || alpha * v.opacity < 1 || !v.contents || v.cornerRadius > 0)
            return std::nullopt;
        if (const qint64 key = v.contents->image().cacheKey(); key != layer.opaqueContentsKey_) {
            layer.opaqueContentsKey_ = key;
            layer.opaqueContents_ = projectiveimage::AllOpaque(v.contents->image());
        }
        if (!layer.opaqueContents_)
            return std::nullopt;
        if (!layerrendering::movesOnly(layer))
            return std::nullopt;
        const Rect dest = layer.contentsRect(v);
        if (IsEmptyRect(dest) || (layer.masksToBounds_ && !ContainsRect(v.bounds, dest)) || !layerrendering::drawable(toHost, v.bounds))
            return std::nullopt;
        const QTransform m = toHost.planeHomography() * pass.host;
        return Quad { m.map(QPointF(dest.minX(), dest.minY())), m.map(QPointF(dest.maxX(), dest.minY())),
            m.map(QPointF(dest.maxX(), dest.maxY())), m.map(QPointF(dest.minX(), dest.maxY())) };
    };
    const auto occluderOf = [&](const Layer& sub, const Transform3D& toHost) -> std::optional<Quad> {
        if (auto quad = pictureQuad(sub, toHost, opacity))
            return quad;
        const LayerValues v = sub.presentedValues();
        if (v.hidden || sub.masksToBounds_ || opacity * v.opacity < 1 || v.contents || !layerrendering::movesOnly(sub))
            return std::nullopt;
        // A replicator's first copy is its sublayers as they are, unless its colour fades them.
        if (const auto* replicator = dynamic_cast<const ReplicatorLayer*>(&sub))
            if (replicator->instanceCount() < 1 || (replicator->instanceColor() && replicator->instanceColor()->a < 1))
                return std::nullopt;
        const std::vector<Layer*>& children = sub.shownDrawingOrder();
        if (children.empty())
            return std::nullopt;
        const Transform3D chain = sub.sublayerChain(v, toHost);
        return pictureQuad(*children.front(), Transform3DConcat(children.front()->presentedValues().toSuperlayer(), chain), opacity * v.opacity);
    };
    using layerrendering::Box;
    std::vector<std::optional<Quad>> quads(drawn.size());
    std::vector<Box> quadBoxes(drawn.size());
    for (std::size_t i = 1; i < drawn.size(); ++i)
        if ((quads[i] = occluderOf(*drawn[i].first, drawn[i].second)))
            quadBoxes[i] = Box::of(*quads[i]);
    const std::vector<Quad>* outer = pass.occluders;
    std::vector<Quad> covering;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        // Only the quads over where this subtree can draw matter to it: a thousand layers on
        // screen would each be handed every later one.
        const QRectF r = drawn[i].first->placedReach(pass, sublayerToHost);
        const Box reach { r.left(), r.top(), r.right(), r.bottom() };
        covering.clear();
        if (outer)
            for (const Quad& q : *outer)
                if (Box::of(q).meets(reach))
                    covering.push_back(q);
        for (std::size_t j = i + 1; j < drawn.size(); ++j)
            if (quads[j] && quadBoxes[j].meets(reach))
                covering.push_back(*quads[j]);
        pass.occluders = covering.empty() ? nullptr : &covering;
        drawn[i].first->renderTree(pass, drawn[i].second, opacity);
    }
    pass.occluders = outer;
}

void Layer::renderContent(RenderPass& pass, const LayerValues& values, const QTransform& homography, double opacity)
{
    GraphicsContext& context = pass.context;
    const QRectF box = ToQRectF(values.bounds);
    const QPainterPath shape = layerrendering::shapeOf(box, values.cornerRadius);
    if (values.backgroundColor && !box.isEmpty()) {
        context.setFillColor(layerrendering::tinted(*values.backgroundColor, pass.tint, opacity));
        context.fillPathUsingOperation(shape, CompositeSourceOver);
    }
    if (masksToBounds_)
        context.clipToPath(shape);
    if (values.contents || values.contentsFrom) {
        // Row 0 of the bitmap goes to the max-y edge, under the full CTM: a mirroring transform mirrors it.
        // A scaled or projected picture is sampled straight from the inverse map, tinted as it is
        // sampled and skipping what pictures drawn over it later hide; a moved-only one is copied
        // by the painter from a tinted copy. A cross-fade's blend is tinted as it is made.
        static constexpr std::array<double, 3> untinted { 1, 1, 1 };
        const bool fading = values.contentsMix < 1 && values.contentsFrom != values.contents;
        const QTransform planeToDevice = homography * pass.host;
        Rect dest;
        QImage pixels = contentsToDraw(values, fading ? pass.tint : untinted, planeToDevice, &dest);
        const QTransform upright(1, 0, 0, -1, 0, dest.minY() + dest.maxY());
        if (!IsEmptyRect(dest)) {
            QPainter* painter = context.backend().painter();
            const GraphicsState& state = context.state();
            const QTransform toDevice = upright * state.ctm;
            const bool sampled = painter && toDevice.type() > QTransform::TxTranslate
                && projectiveimage::Draw(*painter, pixels, QRectF(pixels.rect()), ToQRectF(dest), toDevice, std::min(opacity, 1.0), state,
                    pass.occluders, fading ? untinted : pass.tint);
            if (!sampled) {
                if (!fading && pass.tint != untinted)
                    pixels = contentsToDraw(values, pass.tint, planeToDevice, &dest);
                context.backend().drawImage(pixels, QRectF(pixels.rect()), ToQRectF(dest), upright, std::min(opacity, 1.0), state);
            }
        }
    }
    drawOwnContent(context, values, opacity, pass.tint);
}

void Layer::drawOwnContent(GraphicsContext&, const LayerValues&, double, const std::array<double, 3>&) { }

void Layer::renderBorder(RenderPass& pass, const LayerValues& values, double opacity)
{
    const QRectF box = ToQRectF(values.bounds);
    if (values.borderWidth <= 0 || !values.borderColor || box.isEmpty())
        return;
    const double inset = values.borderWidth / 2;
    QPen pen(layerrendering::tinted(*values.borderColor, pass.tint, opacity)->toQColor(), values.borderWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    pass.context.strokePath(layerrendering::shapeOf(box.adjusted(inset, inset, -inset, -inset), std::max(0.0, values.cornerRadius - inset)), pen);
}

namespace layerrendering {

// Premultiplied pixels averaged in pairs along x (`across`) or y; an odd last one stands alone.
QImage halved(const QImage& image, bool across)
{
    const int w = across ? (image.width() + 1) / 2 : image.width(), h = across ? image.height() : (image.height() + 1) / 2;
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return image;
    // Two channels a word at a time, each sum rounded up as the painter rounds halves.
    const auto mean = [](std::uint32_t a, std::uint32_t b) {
        const std::uint32_t rb = (((a & 0x00ff00ffu) + (b & 0x00ff00ffu) + 0x00010001u) >> 1) & 0x00ff00ffu;
        const std::uint32_t ag = ((((a >> 8) & 0x00ff00ffu) + ((b >> 8) & 0x00ff00ffu) + 0x00010001u) >> 1) & 0x00ff00ffu;
        return rb | (ag << 8);
    };
    for (int y = 0; y < h; ++y) {
        auto* to = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        if (across) {
            const auto* from = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            const int pairs = image.width() / 2;
            for (int x = 0; x < pairs; ++x)
                to[x] = mean(from[2 * x], from[2 * x + 1]);
            if (pairs < w)
                to[pairs] = from[2 * pairs];
        } else {
            const auto* a = reinterpret_cast<const std::uint32_t*>(image.constScanLine(2 * y));
            const auto* b = 2 * y + 1 < image.height() ? reinterpret_cast<const std::uint32_t*>(image.constScanLine(2 * y + 1)) : a;
            for (int x = 0; x < w; ++x)
                to[x] = mean(a[x], b[x]);
        }
    }
    return out;
}

// Halvings along an axis `length` texels long drawn `drawn` pixels long that leave at least two
// texels a pixel: fewer texels to read, and none skipped between samples.
int halvings(int length, double drawn)
{
    int n = 0;
    if (!(drawn > 0))
        return 0;
    while (length > 1 && (length + 1) / 2 >= 2 * drawn) {
        length = (length + 1) / 2;
        ++n;
    }
    return n;
}

} // namespace layerrendering

QSizeF Layer::drawnAxes(const QTransform& toDevice, const Rect& rect)
{
    const QPointF a = toDevice.map(QPointF(rect.minX(), rect.minY())), b = toDevice.map(QPointF(rect.maxX(), rect.minY()));
    const QPointF c = toDevice.map(QPointF(rect.maxX(), rect.maxY())), d = toDevice.map(QPointF(rect.minX(), rect.maxY()));
    const auto length = [](QPointF p, QPointF q) { return std::hypot(q.x() - p.x(), q.y() - p.y()); };
    return { std::max(length(a, b), length(d, c)), std::max(length(a, d), length(b, c)) };
}

const QImage& Layer::preparedContents(const Ref<CGImage>& contents, const std::array<double, 3>& tint, QSizeF drawn) const
{
    const QImage& source = contents->image();
    // A turned picture is narrow on screen but as tall as ever: each axis is reduced on its own, by
    // halvings, so a moving picture changes copies only when its size on screen halves or doubles.
    const int across = layerrendering::halvings(source.width(), drawn.width());
    const int down = layerrendering::halvings(source.height(), drawn.height());
    QSize size = source.size();
    for (int i = 0; i < across; ++i)
        size.setWidth((size.width() + 1) / 2);
    for (int i = 0; i < down; ++i)
        size.setHeight((size.height() + 1) / 2);
    const bool plain = tint == std::array<double, 3> { 1, 1, 1 };
    if (plain && size == source.size())
        return source;
    for (TintCache& entry : tintCache_)
        if (entry.key == source.cacheKey() && entry.tint == tint && entry.size == size) {
            entry.used = ++tintCacheClock_;
            return entry.image;
        }
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < across; ++i)
        image = layerrendering::halved(image, true);
    for (int i = 0; i < down; ++i)
        image = layerrendering::halved(image, false);
    tintPixels(image, tint);
    // Two entries: a picture and its tinted reflection draw in the same frame.
    TintCache& slot = tintCache_[0].used <= tintCache_[1].used ? tintCache_[0] : tintCache_[1];
    slot = { source.cacheKey(), tint, size, std::move(image), ++tintCacheClock_ };
    return slot.image;
}

Rect Layer::contentsRect(const LayerValues& values) const
{
    const Rect b = values.bounds;
    const double w = values.contents->width() / contentsScale_, h = values.contents->height() / contentsScale_;
    const QString& g = contentsGravity_;
    if (w <= 0 || h <= 0)
        return ZeroRect;
    if (g == GravityResizeAspect || g == GravityResizeAspectFill) {
        const double sx = b.width() / w, sy = b.height() / h;
        const double s = g == GravityResizeAspect ? std::min(sx, sy) : std::max(sx, sy);
        return MakeRect(b.midX() - w * s / 2, b.midY() - h * s / 2, w * s, h * s);
    }
    const bool left = g == GravityLeft || g == GravityTopLeft || g == GravityBottomLeft;
    const bool right = g == GravityRight || g == GravityTopRight || g == GravityBottomRight;
    const bool top = g == GravityTop || g == GravityTopLeft || g == GravityTopRight;
    const bool bottom = g == GravityBottom || g == GravityBottomLeft || g == GravityBottomRight;
    if (!left && !right && !top && !bottom && g != GravityCenter)
        return b; // resize, and anything unknown
    const double x = left ? b.minX() : right ? b.maxX() - w : b.midX() - w / 2;
    const double y = bottom ? b.minY() : top ? b.maxY() - h : b.midY() - h / 2;
    return MakeRect(x, y, w, h);
}

} // namespace kit
