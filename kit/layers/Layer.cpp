#include "kit/layers/Layer.h"
#include "kit/graphics/QtGeometry.h"

#include "kit/appkit/View.h"
#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/core/Selector.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/GraphicsContext.h"

#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(Layer, Object)
{
    c.property("name", &Layer::name, &Layer::setName);
    c.property("bounds", &Layer::bounds, &Layer::setBounds);
    c.property("position", &Layer::position, &Layer::setPosition);
    c.property("anchorPoint", &Layer::anchorPoint, &Layer::setAnchorPoint);
    c.property("frame", &Layer::frame, &Layer::setFrame);
    c.property("zPosition", &Layer::zPosition, &Layer::setZPosition);
    c.property("hidden", &Layer::isHidden, &Layer::setHidden);
    c.property("opacity", &Layer::opacity, &Layer::setOpacity);
    c.property("contents", &Layer::contents, &Layer::setContents);
    c.property("contentsGravity", &Layer::contentsGravity, &Layer::setContentsGravity);
    c.property("masksToBounds", &Layer::masksToBounds, &Layer::setMasksToBounds);
    c.property("cornerRadius", &Layer::cornerRadius, &Layer::setCornerRadius);
    c.property("borderWidth", &Layer::borderWidth, &Layer::setBorderWidth);
    c.property("autoresizingMask", &Layer::autoresizingMask, &Layer::setAutoresizingMask);
    // "index", "representedObject" and the like live on the layer itself.
    c.storesUndefinedKeys();
}

namespace {


QPainterPath shapeOf(const QRectF& rect, double radius)
{
    QPainterPath path;
    if (radius > 0)
        path.addRoundedRect(rect, radius, radius);
    else
        path.addRect(rect);
    return path;
}

Ref<Color> colorWithOpacity(const CGColor& c, double opacity)
{
    return Color::colorWithDeviceRedGreenBlueAlpha(c.r, c.g, c.b, c.a * opacity);
}

} // namespace

Layer::Layer() { setMainThreadAffine(); }

Layer::~Layer()
{
    for (const Ref<Layer>& sub : sublayers_)
        sub->superlayer_ = nullptr;
}

QString Layer::description() const
{
    return QStringLiteral("<Layer %1 (%2 %3; %4 x %5)>")
        .arg(name_.isEmpty() ? QStringLiteral("-") : name_)
        .arg(position_.x)
        .arg(position_.y)
        .arg(bounds_.width())
        .arg(bounds_.height());
}

Ref<View> Layer::hostingView() const { return hostingView_.lock(); }

// Tree --------------------------------------------------------------------------------------------

Layer* Layer::root()
{
    Layer* top = this;
    while (Layer* up = const_cast<Layer*>(top->superlayer_.unsafeRaw()))
        top = up;
    return top;
}

void Layer::changed()
{
    KIT_ASSERT(isMainThread(), "Layers change on the main thread only");
    Layer* top = root();
    if (top->preparing_) {
        top->changedWhilePreparing_ = true;
        return;
    }
    if (const Ref<View> host = top->hostingView())
        host->setNeedsDisplay(true);
}

bool Layer::isDescendantOf(const Layer* layer) const
{
    for (const Layer* l = this; l; l = l->superlayer_.unsafeRaw())
        if (l == layer)
            return true;
    return false;
}

void Layer::detach()
{
    const Ref<Layer> sup = superlayer();
    if (!sup)
        return;
    const Ref<Layer> self(this);
    auto& subs = sup->sublayers_;
    if (const auto it = std::find(subs.begin(), subs.end(), self); it != subs.end())
        subs.erase(it);
    superlayer_ = nullptr;
    sup->setNeedsLayout();
}

void Layer::insertAt(Layer* layer, std::size_t index)
{
    const bool acceptable = layer && !isDescendantOf(layer);
    KIT_PARAMETER_ASSERT(acceptable, "a layer cannot hold itself or an ancestor");
    if (!acceptable)
        return;
    const Ref<Layer> keep(layer);
    layer->detach();
    sublayers_.insert(sublayers_.begin() + std::ptrdiff_t(std::min(index, sublayers_.size())), keep);
    layer->superlayer_ = this;
    setNeedsLayout();
}

void Layer::addSublayer(Layer* layer) { insertAt(layer, sublayers_.size()); }

void Layer::insertSublayerAtIndex(Layer* layer, unsigned index)
{
    // The index counts the sublayers without the one moving.
    const Ref<Layer> keep(layer);
    if (layer)
        layer->detach();
    insertAt(layer, index);
}

void Layer::insertSublayerBelow(Layer* layer, Layer* sibling)
{
    const Ref<Layer> keep(layer);
    if (layer)
        layer->detach();
    const auto it = std::find(sublayers_.begin(), sublayers_.end(), Ref<Layer>(sibling));
    insertAt(layer, it == sublayers_.end() ? 0 : std::size_t(it - sublayers_.begin()));
}

void Layer::insertSublayerAbove(Layer* layer, Layer* sibling)
{
    const Ref<Layer> keep(layer);
    if (layer)
        layer->detach();
    const auto it = std::find(sublayers_.begin(), sublayers_.end(), Ref<Layer>(sibling));
    insertAt(layer, it == sublayers_.end() ? sublayers_.size() : std::size_t(it - sublayers_.begin()) + 1);
}

void Layer::replaceSublayerWith(Layer* oldLayer, Layer* newLayer)
{
    if (!oldLayer || oldLayer->superlayer().get() != this || oldLayer == newLayer)
        return;
    const Ref<Layer> keep(newLayer);
    if (newLayer)
        newLayer->detach();
    const std::size_t index = std::size_t(std::find(sublayers_.begin(), sublayers_.end(), Ref<Layer>(oldLayer)) - sublayers_.begin());
    oldLayer->detach();
    if (newLayer)
        insertAt(newLayer, index);
}

void Layer::removeFromSuperlayer()
{
    const Ref<Layer> keep(this);
    detach();
}

void Layer::setSublayers(const std::vector<Ref<Layer>>& layers)
{
    const std::vector<Ref<Layer>> incoming = layers;
    for (const Ref<Layer>& old : sublayers_)
        old->superlayer_ = nullptr;
    sublayers_.clear();
    for (const Ref<Layer>& layer : incoming) {
        if (!layer || layer->superlayer().get() == this)
            continue;
        const bool acceptable = !isDescendantOf(layer.get());
        KIT_PARAMETER_ASSERT(acceptable, "a layer cannot hold itself or an ancestor");
        if (!acceptable)
            continue;
        layer->detach();
        sublayers_.push_back(layer);
        layer->superlayer_ = this;
    }
    setNeedsLayout();
}

// Geometry ----------------------------------------------------------------------------------------

QTransform Layer::toSuperlayer() const
{
    const double ax = bounds_.minX() + anchorPoint_.x * bounds_.width();
    const double ay = bounds_.minY() + anchorPoint_.y * bounds_.height();
    return QTransform::fromTranslate(-ax, -ay) * transform_.toQTransform() * QTransform::fromTranslate(position_.x, position_.y);
}

QTransform Layer::toRootSpace() const
{
    QTransform t;
    for (const Layer* l = this; l; l = l->superlayer_.unsafeRaw())
        t = t * l->toSuperlayer();
    return t;
}

void Layer::setBounds(Rect bounds)
{
    if (bounds_ == bounds)
        return;
    const Size old = bounds_.size;
    bounds_ = bounds;
    if (!(old == bounds.size)) {
        resizeSublayersWithOldSize(old);
        setNeedsLayout();
        if (needsDisplayOnBoundsChange_)
            setNeedsDisplay();
    }
    changed();
}

void Layer::setBoundsSize(Size size) { setBounds(Rect { bounds_.origin, size }); }

void Layer::setPosition(Point position)
{
    if (position_ == position)
        return;
    position_ = position;
    changed();
}

void Layer::setAnchorPoint(Point anchorPoint)
{
    if (anchorPoint_ == anchorPoint)
        return;
    anchorPoint_ = anchorPoint;
    changed();
}

void Layer::setZPosition(double z)
{
    if (zPosition_ == z)
        return;
    zPosition_ = z;
    changed();
}

Rect Layer::frame() const { return RectFromQRectF(toSuperlayer().mapRect(ToQRectF(bounds_))); }

void Layer::setFrame(Rect frame)
{
    const QTransform linear(transform_.a, transform_.b, transform_.c, transform_.d, 0, 0);
    Size size = frame.size;
    if (!linear.isIdentity()) {
        bool invertible = false;
        const QTransform inverse = linear.inverted(&invertible);
        if (invertible) {
            const QRectF untransformed = inverse.mapRect(QRectF(0, 0, frame.width(), frame.height()));
            size = MakeSize(untransformed.width(), untransformed.height());
        }
    }
    // Where the anchor ends up inside the transformed box fixes the position.
    const QRectF box = linear.mapRect(QRectF(-anchorPoint_.x * size.width, -anchorPoint_.y * size.height, size.width, size.height));
    setPosition(MakePoint(frame.minX() - box.x(), frame.minY() - box.y()));
    setBoundsSize(size);
}

void Layer::setAffineTransform(const CGAffineTransform& transform)
{
    if (transform_ == transform)
        return;
    transform_ = transform;
    changed();
}

void Layer::resizeSublayersWithOldSize(Size oldSize)
{
    const std::vector<Ref<Layer>> subs = sublayers_;
    for (const Ref<Layer>& sub : subs)
        sub->resizeWithOldSuperlayerSize(oldSize);
}

void Layer::resizeWithOldSuperlayerSize(Size oldSize)
{
    const Ref<Layer> sup = superlayer();
    if (!sup || autoresizingMask_ == LayerNotSizable)
        return;
    const Size now = sup->bounds().size;
    const unsigned m = autoresizingMask_;
    Rect f = frame();
    AutoresizeAxis(f.origin.x, f.size.width, oldSize.width, now.width, m & LayerMinXMargin, m & LayerWidthSizable, m & LayerMaxXMargin);
    AutoresizeAxis(f.origin.y, f.size.height, oldSize.height, now.height, m & LayerMinYMargin, m & LayerHeightSizable, m & LayerMaxYMargin);
    if (!(f == frame()))
        setFrame(f);
}

Point Layer::convertPointToLayer(Point point, const Layer* layer) const
{
    QPointF p = toRootSpace().map(QPointF(point.x, point.y));
    if (layer)
        p = layer->toRootSpace().inverted().map(p);
    return MakePoint(p.x(), p.y());
}

Point Layer::convertPointFromLayer(Point point, const Layer* layer) const
{
    QPointF p(point.x, point.y);
    if (layer)
        p = layer->toRootSpace().map(p);
    p = toRootSpace().inverted().map(p);
    return MakePoint(p.x(), p.y());
}

Rect Layer::convertRectToLayer(Rect rect, const Layer* layer) const
{
    QTransform t = toRootSpace();
    if (layer)
        t = t * layer->toRootSpace().inverted();
    return RectFromQRectF(t.mapRect(ToQRectF(rect)));
}

Rect Layer::convertRectFromLayer(Rect rect, const Layer* layer) const
{
    QTransform t = layer ? layer->toRootSpace() : QTransform();
    t = t * toRootSpace().inverted();
    return RectFromQRectF(t.mapRect(ToQRectF(rect)));
}

// Appearance --------------------------------------------------------------------------------------

void Layer::setHidden(bool hidden)
{
    if (hidden_ == hidden)
        return;
    hidden_ = hidden;
    changed();
}

void Layer::setOpacity(double opacity)
{
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (opacity_ == opacity)
        return;
    opacity_ = opacity;
    changed();
}

void Layer::setBackgroundColor(std::optional<CGColor> color)
{
    backgroundColor_ = color;
    changed();
}

void Layer::setContents(const Ref<CGImage>& contents)
{
    contents_ = contents;
    changed();
}

void Layer::setContentsGravity(const QString& gravity)
{
    contentsGravity_ = gravity;
    changed();
}

void Layer::setContentsScale(double scale)
{
    if (scale <= 0 || contentsScale_ == scale)
        return;
    contentsScale_ = scale;
    changed();
}

void Layer::setMasksToBounds(bool flag)
{
    masksToBounds_ = flag;
    changed();
}

void Layer::setCornerRadius(double radius)
{
    cornerRadius_ = std::max(0.0, radius);
    changed();
}

void Layer::setBorderWidth(double width)
{
    borderWidth_ = std::max(0.0, width);
    changed();
}

void Layer::setBorderColor(std::optional<CGColor> color)
{
    borderColor_ = color;
    changed();
}

// Drawn contents ----------------------------------------------------------------------------------

void Layer::setNeedsDisplay()
{
    needsDisplay_ = true;
    changed();
}

void Layer::displayIfNeeded()
{
    if (needsDisplay_)
        display();
}

void Layer::display()
{
    needsDisplay_ = false;
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("displayLayer"))) {
        if (auto* delegate = dynamic_cast<LayerDelegate*>(d.get())) {
            delegate->displayLayer(this);
            return;
        }
    }
    const int w = int(std::ceil(bounds_.width() * contentsScale_ - 1e-9));
    const int h = int(std::ceil(bounds_.height() * contentsScale_ - 1e-9));
    const Ref<CGContext> bitmap = CGContext::createBitmap(w, h);
    if (!bitmap) {
        setContents(nullptr);
        return;
    }
    bitmap->scaleCTM(contentsScale_, contentsScale_);
    bitmap->translateCTM(-bounds_.minX(), -bounds_.minY());
    {
        // Kit drawing (paths, images, strings) inside the delegate lands in the bitmap too.
        GraphicsContext::Scope current(bitmap->context());
        drawInContext(*bitmap);
    }
    setContents(bitmap->createImage());
}

void Layer::drawInContext(CGContext& context)
{
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("drawLayerInContext")))
        if (auto* delegate = dynamic_cast<LayerDelegate*>(d.get()))
            delegate->drawLayerInContext(this, context);
}

// Layout ------------------------------------------------------------------------------------------

void Layer::setConstraints(const std::vector<Constraint>& constraints)
{
    constraints_ = constraints;
    if (const Ref<Layer> sup = superlayer())
        sup->setNeedsLayout();
}

void Layer::addConstraint(const Constraint& constraint)
{
    constraints_.push_back(constraint);
    if (const Ref<Layer> sup = superlayer())
        sup->setNeedsLayout();
}

void Layer::setNeedsLayout()
{
    needsLayout_ = true;
    changed();
}

void Layer::layoutIfNeeded()
{
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSublayers();
    }
    const std::vector<Ref<Layer>> subs = sublayers_;
    for (const Ref<Layer>& sub : subs)
        sub->layoutIfNeeded();
}

void Layer::layoutSublayers()
{
    if (const Ref<Object> m = layoutManager()) {
        if (auto* manager = dynamic_cast<CALayoutManager*>(m.get())) {
            manager->layoutSublayersOfLayer(this);
            return;
        }
    }
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("layoutSublayersOfLayer")))
        if (auto* delegate = dynamic_cast<LayerDelegate*>(d.get()))
            delegate->layoutSublayersOfLayer(this);
}

// Rendering ---------------------------------------------------------------------------------------

void Layer::prepareTree()
{
    layoutIfNeeded();
    std::vector<Ref<Layer>> stack { Ref<Layer>(this) };
    while (!stack.empty()) {
        const Ref<Layer> l = std::move(stack.back());
        stack.pop_back();
        l->displayIfNeeded();
        stack.insert(stack.end(), l->sublayers_.begin(), l->sublayers_.end());
    }
}

void Layer::renderInContext(CGContext& context)
{
    prepareTree();
    if (hidden_ || opacity_ <= 0)
        return;
    GraphicsContext& gc = *context.context();
    gc.saveGraphicsState();
    renderContent(gc, opacity_);
    gc.restoreGraphicsState();
}

void Layer::render(GraphicsContext& context, double opacity)
{
    opacity *= opacity_;
    if (hidden_ || opacity <= 0)
        return;
    context.saveGraphicsState();
    context.concatCTM(AffineTransform::fromQTransform(toSuperlayer()));
    renderContent(context, opacity);
    context.restoreGraphicsState();
}

void Layer::renderContent(GraphicsContext& context, double opacity)
{
    const QRectF box = ToQRectF(bounds_);
    const QPainterPath shape = shapeOf(box, cornerRadius_);
    if (backgroundColor_ && !box.isEmpty()) {
        context.setFillColor(colorWithOpacity(*backgroundColor_, opacity));
        context.fillPathUsingOperation(shape, CompositeSourceOver);
    }
    if (masksToBounds_) {
        context.saveGraphicsState();
        context.clipToPath(shape);
    }
    if (contents_) {
        // Row 0 of the bitmap goes to the max-y edge, under the full CTM: a mirroring transform mirrors it.
        const Rect dest = contentsRect();
        const QImage& pixels = contents_->image();
        const QTransform upright(1, 0, 0, -1, 0, dest.minY() + dest.maxY());
        if (!IsEmptyRect(dest))
            context.backend().drawImage(pixels, QRectF(pixels.rect()), ToQRectF(dest), upright, std::min(opacity, 1.0), context.state());
    }
    std::vector<Layer*> order;
    order.reserve(sublayers_.size());
    for (const Ref<Layer>& sub : sublayers_)
        order.push_back(sub.get());
    std::stable_sort(order.begin(), order.end(), [](const Layer* a, const Layer* b) { return a->zPosition_ < b->zPosition_; });
    // Sublayers are held by the tree while drawing: a delegate may not change it mid-render.
    const std::vector<Ref<Layer>> keep = sublayers_;
    for (Layer* sub : order)
        sub->render(context, opacity);
    if (masksToBounds_)
        context.restoreGraphicsState();
    if (borderWidth_ > 0 && borderColor_ && !box.isEmpty()) {
        const double inset = borderWidth_ / 2;
        QPen pen(colorWithOpacity(*borderColor_, opacity)->toQColor(), borderWidth_);
        pen.setJoinStyle(Qt::MiterJoin);
        context.strokePath(shapeOf(box.adjusted(inset, inset, -inset, -inset), std::max(0.0, cornerRadius_ - inset)), pen);
    }
}

Rect Layer::contentsRect() const
{
    const Rect b = bounds_;
    const double w = contents_->width() / contentsScale_, h = contents_->height() / contentsScale_;
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
