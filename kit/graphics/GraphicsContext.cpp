#include "kit/graphics/GraphicsContext.h"

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/Shadow.h"

#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace kit {

namespace {

struct ThreadContexts {
    Ref<GraphicsContext> current;
    DeferredGraphicsContext* deferred = nullptr; // set up on first use, then current
    std::vector<Ref<GraphicsContext>> saved;
};

ThreadContexts& threadContexts()
{
    thread_local ThreadContexts contexts;
    return contexts;
}

} // namespace

KIT_REGISTER_CLASS(GraphicsContext, Object) { }

bool isAxisAlignedRect(const QPainterPath& path, QRectF* rect)
{
    const int n = path.elementCount();
    if (n != 5 && n != 4)
        return false;
    const QRectF b = path.boundingRect();
    for (int i = 0; i < n; ++i) {
        const auto e = path.elementAt(i);
        if (i > 0 && !e.isLineTo())
            return false;
        if ((e.x != b.left() && e.x != b.right()) || (e.y != b.top() && e.y != b.bottom()))
            return false;
        if (i > 0) {
            const auto previous = path.elementAt(i - 1);
            if (previous.x != e.x && previous.y != e.y)
                return false;
        }
    }
    *rect = b;
    return true;
}

GraphicsContext::~GraphicsContext() = default;

Ref<GraphicsContext> GraphicsContext::graphicsContextWithBackend(std::shared_ptr<GraphicsBackend> backend, bool flipped)
{
    auto core = std::make_shared<Core>();
    core->backend = std::move(backend);
    core->state.fillColor = Color::blackColor();
    core->state.strokeColor = core->state.fillColor;
    return Ref<GraphicsContext>(new GraphicsContext(std::move(core), flipped), adopt);
}

Ref<GraphicsContext> GraphicsContext::graphicsContextWithPainter(QPainter* painter, bool flipped)
{
    const QTransform world = painter->worldTransform();
    std::optional<QPainterPath> clip;
    if (painter->hasClipping())
        clip = world.map(painter->clipPath());
    auto context = graphicsContextWithBackend(std::make_shared<PainterBackend>(painter), flipped);
    context->core_->state.ctm = world;
    context->setDeviceClip(std::move(clip));
    return context;
}

Ref<GraphicsContext> GraphicsContext::reusableContextWithPainter(QPainter* painter)
{
    auto backend = std::make_shared<PainterBackend>(painter, PainterBackend::Reusable {});
    PainterBackend* raw = backend.get();
    auto context = graphicsContextWithBackend(std::move(backend), false);
    context->core_->reusable = raw;
    return context;
}

void GraphicsContext::beginOnPainter(bool flipped, const QTransform& ctm, std::optional<QPainterPath> deviceClip)
{
    Core& core = *core_;
    flipped_ = flipped;
    core.reusable->begin();
    core.saved.clear();
    // What graphicsContextWithBackend and graphicsContextWithPainter start from.
    GraphicsState& s = core.state;
    s = GraphicsState();
    s.fillColor = Color::blackColor();
    s.strokeColor = s.fillColor;
    s.ctm = ctm;
    setDeviceClip(std::move(deviceClip));
}

void GraphicsContext::endOnPainter() { core_->reusable->end(); }

Ref<GraphicsContext> GraphicsContext::graphicsContextWithImage(QImage* image, bool flipped)
{
    return graphicsContextWithBackend(std::make_shared<PainterBackend>(image), flipped);
}

Ref<GraphicsContext> GraphicsContext::graphicsContextWithGraphicsPortFlipped(const Ref<CGContext>& port, bool flipped)
{
    if (!port)
        return nullptr;
    return Ref<GraphicsContext>(new GraphicsContext(port->context()->core_, flipped), adopt);
}

Ref<CGContext> GraphicsContext::graphicsPort() { return make<CGContext>(Ref<GraphicsContext>(this)); }

GraphicsContext* GraphicsContext::currentContext()
{
    auto& t = threadContexts();
    if (t.deferred)
        t.current = Ref<GraphicsContext>(std::exchange(t.deferred, nullptr)->context());
    return t.current.get();
}

void GraphicsContext::yieldCurrentPainter()
{
    auto& t = threadContexts();
    if (!t.deferred && t.current)
        t.current->core_->backend->yieldPainter();
}

void GraphicsContext::setCurrentContext(const Ref<GraphicsContext>& context)
{
    auto& t = threadContexts();
    t.deferred = nullptr;
    t.current = context;
}

void GraphicsContext::saveCurrentGraphicsState()
{
    currentContext();
    auto& t = threadContexts();
    t.saved.push_back(t.current);
    if (t.current)
        t.current->saveGraphicsState();
}

void GraphicsContext::restoreCurrentGraphicsState()
{
    auto& t = threadContexts();
    if (t.saved.empty())
        return;
    t.deferred = nullptr;
    t.current = std::move(t.saved.back());
    t.saved.pop_back();
    if (t.current)
        t.current->restoreGraphicsState();
}

GraphicsContext::Scope::Scope(const Ref<GraphicsContext>& context)
    : previous_(threadContexts().current)
    , previousDeferred_(std::exchange(threadContexts().deferred, nullptr))
{
    threadContexts().current = context;
}

GraphicsContext::Scope::~Scope()
{
    auto& t = threadContexts();
    t.current = std::move(previous_);
    t.deferred = previousDeferred_;
}

GraphicsContext::DeferredScope::DeferredScope(DeferredGraphicsContext& deferred)
    : previous_(std::move(threadContexts().current))
    , previousDeferred_(std::exchange(threadContexts().deferred, &deferred))
{ }

GraphicsContext::DeferredScope::~DeferredScope()
{
    auto& t = threadContexts();
    t.current = std::move(previous_);
    t.deferred = previousDeferred_;
}

void GraphicsContext::saveGraphicsState() { core_->saved.push_back(core_->state); }

void GraphicsContext::restoreGraphicsState()
{
    if (core_->saved.empty())
        return;
    core_->state = std::move(core_->saved.back());
    core_->saved.pop_back();
}

void GraphicsContext::setCTM(const AffineTransform& t) { core_->state.ctm = t.toQTransform(); }

void GraphicsContext::concatCTM(const AffineTransform& t) { core_->state.ctm = t.toQTransform() * core_->state.ctm; }

bool GraphicsContext::userSpaceRunsDown() const
{
    const QTransform& m = core_->state.ctm;
    return m.m11() * m.m22() - m.m12() * m.m21() > 0;
}

void GraphicsContext::setDeviceClip(std::optional<QPainterPath> clip)
{
    core_->state.clip = std::move(clip);
    core_->state.clipSerial = core_->nextClipSerial++;
}

void GraphicsContext::clipToPath(const QPainterPath& userPath)
{
    QPainterPath device = core_->state.ctm.map(userPath);
    if (!core_->state.clip) {
        setDeviceClip(std::move(device));
        return;
    }
    QRectF a, b;
    if (isAxisAlignedRect(*core_->state.clip, &a) && isAxisAlignedRect(device, &b)) {
        QPainterPath r;
        r.addRect(a.intersected(b));
        setDeviceClip(std::move(r));
        return;
    }
    setDeviceClip(core_->state.clip->intersected(device));
}

void GraphicsContext::clipToRect(Rect r)
{
    QPainterPath p;
    p.addRect(QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height));
    clipToPath(p);
}

void GraphicsContext::setClipPath(const QPainterPath& userPath) { setDeviceClip(core_->state.ctm.map(userPath)); }

void GraphicsContext::resetClip() { setDeviceClip(std::nullopt); }

Rect GraphicsContext::clipBoundingBox() const
{
    QRectF device;
    if (core_->state.clip)
        device = core_->state.clip->boundingRect();
    else
        device = QRectF(QPointF(0, 0), QSizeF(core_->backend->deviceSize()));
    const QRectF user = core_->state.ctm.inverted().mapRect(device);
    return MakeRect(user.x(), user.y(), user.width(), user.height());
}

void GraphicsContext::setShadow(const Shadow* shadow)
{
    ShadowState s;
    if (shadow && shadow->shadowColor()) {
        s.offset = QPointF(shadow->shadowOffset().width, shadow->shadowOffset().height);
        s.blurRadius = shadow->shadowBlurRadius();
        s.color = shadow->shadowColor()->toQColor();
    }
    core_->state.shadow = s;
}

QBrush GraphicsContext::brushForColor(const Color* color) const
{
    if (!color)
        return QBrush(Qt::NoBrush);
    if (!color->isPattern())
        return QBrush(color->toQColor());
    // Patterns tile from the device origin moved by the pattern phase, whatever the CTM, one tile
    // point per device point. The tile has as many pixels as the device has per point, taken from
    // the image's best representation for them, so a 2x backing shows a 2x pattern sharply.
    const QPainter* painter = core_->backend->painter();
    const double pixelsPerPoint = painter && painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const Ref<Image> image = color->patternImage();
    QImage tile = image->bitmapForDrawing(pixelsPerPoint);
    if (tile.isNull())
        return QBrush(Qt::NoBrush);
    // A bitmap answers its own pixels, whatever scale it was made at.
    const Size points = image->size();
    const QSize pixels = BitmapPixelsForSize(points, pixelsPerPoint, BitmapLimit::Fit);
    if (!pixels.isEmpty() && tile.size() != pixels)
        tile = tile.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // The tile's pixels are scaled to points here, first: a texture's own pixel ratio would be
    // applied after the brush transform, halving the phase and the CTM's translation as well.
    QBrush brush(tile);
    brush.setTransform(QTransform::fromScale(1 / pixelsPerPoint, 1 / pixelsPerPoint)
        * QTransform::fromTranslate(core_->state.patternPhase.x(), core_->state.patternPhase.y()) * core_->state.ctm.inverted());
    return brush;
}

namespace {

// The ring round a rectangle, as the stroke of drawFocusRing makes it (a rounded rectangle three
// points out, less the rectangle), in pieces: four sides and four quarter discs, each only where it
// meets the clip. A text view rings its edges again on every keystroke that repaints a line, and
// fills a few small pieces rather than the whole ring.
struct RectangleRing {
    std::vector<QRectF> sides;
    QPainterPath corners;
};

RectangleRing rectangleFocusRing(const QRectF& r, const std::optional<QRectF>& clip)
{
    const QRectF outer = r.adjusted(-3, -3, 3, 3);
    const auto meets = [&](const QRectF& piece) { return !clip || piece.intersects(*clip); };
    RectangleRing ring;
    const QRectF sides[] = { QRectF(QPointF(r.left(), outer.top()), r.topRight()), QRectF(r.bottomLeft(), QPointF(r.right(), outer.bottom())),
        QRectF(QPointF(outer.left(), r.top()), r.bottomLeft()), QRectF(r.topRight(), QPointF(outer.right(), r.bottom())) };
    for (const QRectF& side : sides)
        if (meets(side))
            ring.sides.push_back(clip ? side & *clip : side);
    // Qt's angles run counter-clockwise from three o'clock with y down.
    const std::pair<QPointF, double> corners[] = { { r.topLeft(), 90 }, { r.topRight(), 0 }, { r.bottomRight(), 270 }, { r.bottomLeft(), 180 } };
    for (const auto& [at, start] : corners) {
        const QRectF disc(at - QPointF(3, 3), QSizeF(6, 6));
        if (!meets(disc & outer))
            continue;
        ring.corners.moveTo(at);
        ring.corners.arcTo(disc, start, 90);
        ring.corners.closeSubpath();
    }
    return ring;
}

} // namespace

// Runs `draw` with the state's operation replaced, without copying the state.
template <class Draw> static void withOperation(GraphicsState& state, CompositingOperation op, const Draw& draw)
{
    const CompositingOperation saved = std::exchange(state.operation, op);
    draw(state);
    state.operation = saved;
}

void GraphicsContext::drawFocusRing(const QPainterPath& path)
{
    // A soft ring about three points wide, outside the shape only, and only inside the clip the view
    // set: a view repaints under every pixel it rings again, so a ring never darkens over itself, and
    // never lands outside a view where nothing would erase it.
    QColor c = Color::keyboardFocusIndicatorColor()->toQColor();
    c.setAlphaF(0.6f);
    const QBrush brush(c);
    GraphicsState& s = core_->state;
    QRectF r;
    if (isAxisAlignedRect(path, &r)) {
        std::optional<QRectF> userClip;
        QRectF deviceClip;
        if (s.clip && isAxisAlignedRect(*s.clip, &deviceClip) && s.ctm.type() <= QTransform::TxScale && s.ctm.isInvertible())
            userClip = s.ctm.inverted().mapRect(deviceClip);
        const RectangleRing ring = rectangleFocusRing(r, userClip);
        withOperation(s, CompositeSourceOver, [&](const GraphicsState& state) {
            if (!ring.sides.empty())
                core_->backend->fillRects(ring.sides.data(), int(ring.sides.size()), brush, state);
            if (!ring.corners.isEmpty())
                core_->backend->fillPath(ring.corners, brush, state);
        });
        return;
    }
    QPainterPathStroker stroker;
    stroker.setWidth(6);
    stroker.setJoinStyle(Qt::RoundJoin);
    const QPainterPath ring = stroker.createStroke(path).united(path).subtracted(path);
    withOperation(s, CompositeSourceOver, [&](const GraphicsState& state) { core_->backend->fillPath(ring, brush, state); });
}

void GraphicsContext::fillPath(const QPainterPath& path) { fillPathUsingOperation(path, core_->state.operation); }

void GraphicsContext::fillPathUsingOperation(const QPainterPath& path, CompositingOperation op)
{
    const QBrush brush = brushForColor(core_->state.fillColor.get());
    const std::optional<FocusRingPlacement> ring = core_->state.focusRingStyle;
    auto fill = [&](const GraphicsState& s) { core_->backend->fillPath(path, brush, s); };
    if (!ring) {
        withOperation(core_->state, op, fill);
        return;
    }
    if (*ring == FocusRingBelow)
        drawFocusRing(path);
    if (*ring != FocusRingOnly)
        withOperation(core_->state, op, fill);
    if (*ring != FocusRingBelow)
        drawFocusRing(path);
}

void GraphicsContext::fillRectsUsingOperation(const QRectF* rects, int count, CompositingOperation op)
{
    if (core_->state.focusRingStyle) {
        // The ring goes round each shape.
        for (int i = 0; i < count; ++i) {
            QPainterPath path;
            path.addRect(rects[i]);
            fillPathUsingOperation(path, op);
        }
        return;
    }
    const QBrush brush = brushForColor(core_->state.fillColor.get());
    withOperation(core_->state, op, [&](const GraphicsState& s) { core_->backend->fillRects(rects, count, brush, s); });
}

void GraphicsContext::fillPathWithBrush(const QPainterPath& path, const QBrush& brush)
{
    core_->backend->fillPath(path, brush, core_->state);
}

void GraphicsContext::strokePath(const QPainterPath& path, const QPen& pen) { core_->backend->strokePath(path, pen, core_->state); }

QTransform GraphicsContext::uprightTransform(Rect dest) const
{
    if (userSpaceRunsDown())
        return {};
    return QTransform(1, 0, 0, -1, 0, dest.minY() + dest.maxY());
}

void GraphicsContext::drawImage(const QImage& image, const QRectF& source, Rect dest, CompositingOperation op, double fraction)
{
    if (image.isNull() || IsEmptyRect(dest) || fraction <= 0)
        return;
    const QRectF target(dest.origin.x, dest.origin.y, dest.size.width, dest.size.height);
    const QTransform upright = uprightTransform(dest);
    withOperation(core_->state, op,
        [&](const GraphicsState& s) { core_->backend->drawImage(image, source, target, upright, std::min(fraction, 1.0), s); });
}

// --- Fill functions ---

namespace {

QPainterPath rectPath(Rect r)
{
    QPainterPath p;
    p.addRect(QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height));
    return p;
}

} // namespace

void RectFillUsingOperation(Rect r, CompositingOperation op)
{
    if (auto* c = GraphicsContext::currentContext(); c && !IsEmptyRect(r)) {
        const QRectF rect(r.origin.x, r.origin.y, r.size.width, r.size.height);
        c->fillRectsUsingOperation(&rect, 1, op);
    }
}

void RectFill(Rect r) { RectFillUsingOperation(r, CompositeCopy); }

void RectFillList(const Rect* rects, int count)
{
    auto* c = GraphicsContext::currentContext();
    if (!c || count <= 0)
        return;
    std::vector<QRectF> shown;
    shown.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        if (!IsEmptyRect(rects[i]))
            shown.emplace_back(rects[i].origin.x, rects[i].origin.y, rects[i].size.width, rects[i].size.height);
    c->fillRectsUsingOperation(shown.data(), int(shown.size()), CompositeCopy);
}

void FrameRectWithWidth(Rect r, double w)
{
    auto* c = GraphicsContext::currentContext();
    if (!c || IsEmptyRect(r))
        return;
    QPainterPath frame = rectPath(r);
    if (r.size.width > 2 * w && r.size.height > 2 * w)
        frame = frame.subtracted(rectPath(InsetRect(r, w, w)));
    c->fillPathUsingOperation(frame, CompositeCopy);
}

void FrameRect(Rect r) { FrameRectWithWidth(r, 1); }

void DrawWindowBackground(Rect r)
{
    auto* c = GraphicsContext::currentContext();
    if (!c || IsEmptyRect(r))
        return;
    GraphicsState s = c->state();
    c->backend().fillPath(rectPath(r), QBrush(Color::windowBackgroundColor()->toQColor()), s);
}

void SetFocusRingStyle(FocusRingPlacement placement)
{
    if (auto* c = GraphicsContext::currentContext())
        c->setFocusRingStyle(placement);
}

void DrawFocusRingAroundRoundedRect(Rect r, double xRadius, double yRadius)
{
    if (!GraphicsContext::currentContext() || IsEmptyRect(r))
        return;
    GraphicsContext::saveCurrentGraphicsState();
    SetFocusRingStyle(FocusRingOnly);
    if (xRadius > 0 && yRadius > 0)
        BezierPath::bezierPathWithRoundedRectXRadiusYRadius(r, xRadius, yRadius)->fill();
    else
        RectFill(r);
    GraphicsContext::restoreCurrentGraphicsState();
}

// The ring lies outside the filled shape: three points in, it ends at the edge.
void DrawFocusRingInsideRect(Rect r) { DrawFocusRingAroundRoundedRect(InsetRect(r, 3, 3), 0, 0); }

} // namespace kit
