// kit::Layer's geometry: the chain from a layer's plane to the space its tree's root sits in,
// frame, conversions, the visible part and hit testing, all through depth and perspective.

#include "kit/layers/Layer.h"
#include "kit/layers/ScrollLayer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kit {

namespace layergeometry {

// Points with w at or below this lie behind the eye (or on its plane).
constexpr double BehindEye = 1e-9;

Transform3D translation(double x, double y, double z) { return Transform3DMakeTranslation(x, y, z); }

// The plane point through a homography; false when it lands behind the eye.
bool mapPlanePoint(const QTransform& h, QPointF p, QPointF* out)
{
    const double x = p.x() * h.m11() + p.y() * h.m21() + h.m31();
    const double y = p.x() * h.m12() + p.y() * h.m22() + h.m32();
    const double w = p.x() * h.m13() + p.y() * h.m23() + h.m33();
    if (!(w > BehindEye))
        return false;
    *out = QPointF(x / w, y / w);
    return true;
}

// The box of the rectangle's corners through `h`; corners behind the eye are left out.
Rect mapPlaneRect(const QTransform& h, Rect r)
{
    double minX = std::numeric_limits<double>::infinity(), minY = minX, maxX = -minX, maxY = -minX;
    const QPointF corners[4] = { { r.minX(), r.minY() }, { r.maxX(), r.minY() }, { r.maxX(), r.maxY() }, { r.minX(), r.maxY() } };
    bool any = false;
    for (const QPointF& c : corners) {
        QPointF m;
        if (!mapPlanePoint(h, c, &m))
            continue;
        any = true;
        minX = std::min(minX, m.x());
        minY = std::min(minY, m.y());
        maxX = std::max(maxX, m.x());
        maxY = std::max(maxY, m.y());
    }
    return any ? MakeRect(minX, minY, maxX - minX, maxY - minY) : ZeroRect;
}

QTransform inverseOf(const QTransform& h, bool* ok) { return h.inverted(ok); }

} // namespace layergeometry

// Chains ------------------------------------------------------------------------------------------

Point LayerValues::anchorInBounds() const
{
    return MakePoint(bounds.minX() + anchorPoint.x * bounds.width(), bounds.minY() + anchorPoint.y * bounds.height());
}

Transform3D LayerValues::toSuperlayer() const
{
    const Point a = anchorInBounds();
    if (Transform3DIsIdentity(transform))
        return layergeometry::translation(position.x - a.x, position.y - a.y, zPosition);
    return Transform3DConcat(Transform3DConcat(layergeometry::translation(-a.x, -a.y, 0), transform), layergeometry::translation(position.x, position.y, zPosition));
}

Transform3D LayerValues::aboutAnchor(const Transform3D& t) const
{
    if (Transform3DIsIdentity(t))
        return t;
    const Point a = anchorInBounds();
    return Transform3DConcat(Transform3DConcat(layergeometry::translation(-a.x, -a.y, 0), t), layergeometry::translation(a.x, a.y, 0));
}

Transform3D Layer::sublayerChain(const LayerValues& values, const Transform3D& toHost) const
{
    Transform3D s = values.aboutAnchor(values.sublayerTransform);
    if (flattensSublayers())
        s.m13 = s.m23 = s.m33 = s.m43 = 0;
    return Transform3DConcat(s, toHost);
}

Transform3D Layer::toRootSpace(bool presented) const
{
    auto valuesOf = [presented](const Layer* l) { return presented ? l->presentedValues() : l->model_; };
    Transform3D w = valuesOf(this).toSuperlayer();
    for (const Layer* up = superlayer_.unsafeRaw(); up; up = up->superlayer_.unsafeRaw()) {
        const LayerValues v = valuesOf(up);
        w = Transform3DConcat(w, up->sublayerChain(v, v.toSuperlayer()));
    }
    return w;
}

// Frame -------------------------------------------------------------------------------------------

Rect Layer::frame() const { return layergeometry::mapPlaneRect(model_.toSuperlayer().planeHomography(), model_.bounds); }

void Layer::setFrame(Rect frame)
{
    const Transform3D& t = model_.transform;
    if (!Transform3DIsAffine(t)) {
        // Depth or perspective: placed as if untransformed.
        setPosition(MakePoint(frame.minX() + model_.anchorPoint.x * frame.width(), frame.minY() + model_.anchorPoint.y * frame.height()));
        setBoundsSize(frame.size);
        return;
    }
    const QTransform linear(t.m11, t.m12, t.m21, t.m22, 0, 0);
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
    const QRectF box = linear.mapRect(QRectF(-model_.anchorPoint.x * size.width, -model_.anchorPoint.y * size.height, size.width, size.height));
    setPosition(MakePoint(frame.minX() - box.x(), frame.minY() - box.y()));
    setBoundsSize(size);
}

void Layer::setBounds(Rect bounds)
{
    if (model_.bounds == bounds)
        return;
    const Size old = model_.bounds.size;
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("bounds"));
    model_.bounds = bounds;
    if (!(old == bounds.size)) {
        resizeSublayersWithOldSize(old);
        setNeedsLayout();
        if (needsDisplayOnBoundsChange_)
            setNeedsDisplay();
    }
    changed();
    didChangeAnimatable(QStringLiteral("bounds"), before);
}

void Layer::setBoundsSize(Size size) { setBounds(Rect { model_.bounds.origin, size }); }

void Layer::setPosition(Point position)
{
    if (model_.position == position)
        return;
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("position"));
    model_.position = position;
    placementChanged();
    didChangeAnimatable(QStringLiteral("position"), before);
}

void Layer::setAnchorPoint(Point anchorPoint)
{
    if (model_.anchorPoint == anchorPoint)
        return;
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("anchorPoint"));
    model_.anchorPoint = anchorPoint;
    changed();
    didChangeAnimatable(QStringLiteral("anchorPoint"), before);
}

void Layer::setZPosition(double z)
{
    if (model_.zPosition == z)
        return;
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("zPosition"));
    model_.zPosition = z;
    if (const Layer* sup = superlayer_.unsafeRaw(); sup && sup->orderValid_)
        sup->depthMoved_.push_back(this);
    placementChanged();
    didChangeAnimatable(QStringLiteral("zPosition"), before);
}

void Layer::setTransform(const Transform3D& transform)
{
    if (model_.transform == transform)
        return;
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("transform"));
    model_.transform = transform;
    placementChanged();
    didChangeAnimatable(QStringLiteral("transform"), before);
}

void Layer::setSublayerTransform(const Transform3D& transform)
{
    if (model_.sublayerTransform == transform)
        return;
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("sublayerTransform"));
    model_.sublayerTransform = transform;
    changed();
    didChangeAnimatable(QStringLiteral("sublayerTransform"), before);
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

// Conversions -------------------------------------------------------------------------------------

Point Layer::convertPointToLayer(Point point, const Layer* layer) const
{
    QPointF p(point.x, point.y);
    layergeometry::mapPlanePoint(toRootSpace().planeHomography(), p, &p);
    if (layer) {
        bool ok = false;
        const QTransform back = layergeometry::inverseOf(layer->toRootSpace().planeHomography(), &ok);
        if (ok)
            layergeometry::mapPlanePoint(back, p, &p);
    }
    return MakePoint(p.x(), p.y());
}

Point Layer::convertPointFromLayer(Point point, const Layer* layer) const
{
    QPointF p(point.x, point.y);
    if (layer)
        layergeometry::mapPlanePoint(layer->toRootSpace().planeHomography(), p, &p);
    bool ok = false;
    const QTransform back = layergeometry::inverseOf(toRootSpace().planeHomography(), &ok);
    if (ok)
        layergeometry::mapPlanePoint(back, p, &p);
    return MakePoint(p.x(), p.y());
}

Rect Layer::convertRectToLayer(Rect rect, const Layer* layer) const
{
    QTransform h = toRootSpace().planeHomography();
    if (layer) {
        bool ok = false;
        const QTransform back = layergeometry::inverseOf(layer->toRootSpace().planeHomography(), &ok);
        if (ok)
            h = h * back;
    }
    return layergeometry::mapPlaneRect(h, rect);
}

Rect Layer::convertRectFromLayer(Rect rect, const Layer* layer) const
{
    QTransform h = layer ? layer->toRootSpace().planeHomography() : QTransform();
    bool ok = false;
    const QTransform back = layergeometry::inverseOf(toRootSpace().planeHomography(), &ok);
    if (ok)
        h = h * back;
    return layergeometry::mapPlaneRect(h, rect);
}

Rect Layer::visibleRect() const
{
    for (const Layer* up = superlayer_.unsafeRaw(); up; up = up->superlayer_.unsafeRaw())
        if (auto* scroll = dynamic_cast<const ScrollLayer*>(up)) {
            const Rect seen = IntersectionRect(model_.bounds, convertRectFromLayer(scroll->bounds(), scroll));
            return IsEmptyRect(seen) ? ZeroRect : seen;
        }
    return model_.bounds;
}

// Hit testing -------------------------------------------------------------------------------------

bool Layer::containsPoint(Point point) const
{
    const Rect b = model_.bounds;
    return point.x >= b.minX() && point.x <= b.maxX() && point.y >= b.minY() && point.y <= b.maxY() && !IsEmptyRect(b);
}

Ref<Layer> Layer::hitTest(Point point) const
{
    // A presentation layer walks its model tree with presentation values and materialises a copy
    // of the answer only.
    const Ref<Layer> model = presentation_ ? modelLayer_.lock() : nullptr;
    if (presentation_ && !model)
        return nullptr;
    const Layer& walked = model ? *model : *this;
    QPointF p(point.x, point.y);
    if (const Layer* up = walked.superlayer_.unsafeRaw())
        if (!layergeometry::mapPlanePoint(up->toRootSpace(presentation_).planeHomography(), p, &p))
            return nullptr;
    const Ref<Layer> hit = walked.hitTestInRootSpace(p, walked.toRootSpace(presentation_), presentation_);
    return hit && presentation_ ? hit->presentationLayer() : hit;
}

Ref<Layer> Layer::hitTestInRootSpace(QPointF point, const Transform3D& toHost, bool presented) const
{
    const LayerValues values = presented ? presentedValues() : model_;
    if (values.hidden)
        return nullptr;
    bool invertible = false;
    const QTransform back = layergeometry::inverseOf(toHost.planeHomography(), &invertible);
    QPointF local;
    const bool mapped = invertible && layergeometry::mapPlanePoint(back, point, &local);
    const bool inside = mapped && containsPoint(MakePoint(local.x(), local.y()));
    if (masksToBounds_ && !inside)
        return nullptr;
    const Transform3D chain = sublayerChain(values, toHost);
    std::vector<Layer*> order;
    if (presented) // only the sublayers whose boxes come near the point
        sublayersNear(chain, QRectF(point.x() - 2, point.y() - 2, 4, 4), order);
    else
        order = drawingOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        // On the presentation tree, a sublayer whose box misses the point costs no evaluation.
        if (presented && !(*it)->placedMayContain(point, chain))
            continue;
        if (Ref<Layer> hit = (*it)->hitTestInRootSpace(point, Transform3DConcat((presented ? (*it)->presentedValues() : (*it)->model_).toSuperlayer(), chain), presented))
            return hit;
    }
    return inside ? Ref<Layer>(const_cast<Layer*>(this)) : nullptr;
}

std::vector<Layer*> Layer::drawingOrder() const
{
    if (orderValid_ && orderCache_.size() == sublayers_.size() && (depthMoved_.empty() || placeDepthMoved()))
        return orderCache_;
    depthMoved_.clear();
    siblingsIndexed_ = false;
    // Sorted by (zPosition, index) as keys side by side: a row of thousands whose depths all
    // followed a selection is sorted without visiting each layer again.
    struct Keyed {
        double z;
        std::uint32_t index;
        Layer* layer;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(sublayers_.size());
    for (std::size_t i = 0; i < sublayers_.size(); ++i) {
        Layer* sub = sublayers_[i].get();
        sub->siblingIndex_ = std::uint32_t(i);
        const double z = sub->model_.zPosition;
        keyed.push_back({ std::isnan(z) ? 0.0 : z, std::uint32_t(i), sub });
    }
    siblingsIndexed_ = true;
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.z < b.z || (a.z == b.z && a.index < b.index); });
    std::vector<Layer*> order;
    order.reserve(keyed.size());
    for (const Keyed& k : keyed)
        order.push_back(k.layer);
    orderCache_ = order;
    orderValid_ = true;
    shownValid_ = false;
    return order;
}

void Layer::remergeIntoOrder(std::vector<Layer*>& order, const std::vector<Layer*>& moved, bool shownOnly) const
{
    if (!siblingsIndexed_) {
        for (std::size_t i = 0; i < sublayers_.size(); ++i)
            sublayers_[i]->siblingIndex_ = std::uint32_t(i);
        siblingsIndexed_ = true;
    }
    // The others keep their places, so they stay sorted by (zPosition, index) without these.
    std::erase_if(order, [&](Layer* l) { return std::binary_search(moved.begin(), moved.end(), l); });
    const auto before = [](const Layer* a, const Layer* b) {
        return a->model_.zPosition < b->model_.zPosition || (a->model_.zPosition == b->model_.zPosition && a->siblingIndex_ < b->siblingIndex_);
    };
    // Sorted alone and merged in: a step of a row changes the depths of a hundred at once.
    const std::size_t kept = order.size();
    for (Layer* l : moved)
        if (!shownOnly || !(l->model_.hidden && l->animations_.empty()))
            order.push_back(l);
    std::sort(order.begin() + std::ptrdiff_t(kept), order.end(), before);
    std::inplace_merge(order.begin(), order.begin() + std::ptrdiff_t(kept), order.end(), before);
}

bool Layer::placeDepthMoved() const
{
    std::vector<Layer*>& moved = depthMoved_;
    std::sort(moved.begin(), moved.end());
    moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
    if (moved.size() * 4 > sublayers_.size())
        return false; // as quick to sort them all
    remergeIntoOrder(orderCache_, moved, false);
    if (shownValid_) {
        // The same for the shown ones, without walking all the others again.
        remergeIntoOrder(shownCache_, moved, true);
        ++shownGeneration_;
    }
    moved.clear();
    return true;
}

void Layer::placeShownMoved() const
{
    // Each is still a sublayer: a removal rebuilds the whole order first.
    std::vector<Layer*>& moved = shownMoved_;
    std::sort(moved.begin(), moved.end());
    moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
    remergeIntoOrder(shownCache_, moved, true);
    moved.clear();
    ++shownGeneration_;
}

const std::vector<Layer*>& Layer::shownDrawingOrder() const
{
    if (!orderValid_ || orderCache_.size() != sublayers_.size() || !depthMoved_.empty())
        drawingOrder();
    if (shownValid_ && !shownMoved_.empty())
        placeShownMoved();
    if (!shownValid_) {
        shownMoved_.clear();
        shownCache_.clear();
        for (Layer* sub : orderCache_)
            if (!(sub->model_.hidden && sub->animations_.empty()))
                shownCache_.push_back(sub);
        shownValid_ = true;
        ++shownGeneration_;
    }
    return shownCache_;
}

} // namespace kit
