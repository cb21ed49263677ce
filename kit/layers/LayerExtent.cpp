// kit::Layer's extents: where a subtree can draw, so the render walk skips what cannot show.

#include "kit/layers/Layer.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/GraphicsContext.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kit {

void Layer::Extent::add(double x, double y, double z)
{
    const double p[3] = { x, y, z };
    for (int i = 0; i < 3; ++i) {
        lo[i] = empty ? p[i] : std::min(lo[i], p[i]);
        hi[i] = empty ? p[i] : std::max(hi[i], p[i]);
    }
    empty = false;
}

void Layer::Extent::unite(const Extent& other)
{
    if (!other.bounded)
        bounded = false;
    if (other.empty)
        return;
    add(other.lo[0], other.lo[1], other.lo[2]);
    add(other.hi[0], other.hi[1], other.hi[2]);
}

Layer::Extent Layer::Extent::mapped(const Transform3D& t) const
{
    Extent out;
    out.bounded = bounded;
    if (empty || !bounded)
        return out;
    // The culling walk maps thousands of boxes a frame: each corner's row is a sum of one term
    // per axis, so the products are worked out once per axis end.
    const double m[3][4] = { { t.m11, t.m12, t.m13, t.m14 }, { t.m21, t.m22, t.m23, t.m24 }, { t.m31, t.m32, t.m33, t.m34 } };
    double terms[3][2][4];
    for (int axis = 0; axis < 3; ++axis)
        for (int end = 0; end < 2; ++end) {
            const double v = end ? hi[axis] : lo[axis];
            for (int c = 0; c < 4; ++c)
                terms[axis][end][c] = v * m[axis][c];
        }
    const double last[4] = { t.m41, t.m42, t.m43, t.m44 };
    for (int corner = 0; corner < 8; ++corner) {
        const double* x = terms[0][corner & 1];
        const double* y = terms[1][(corner >> 1) & 1];
        const double* z = terms[2][(corner >> 2) & 1];
        const double w = x[3] + y[3] + z[3] + last[3];
        if (!(w > 1e-9)) {
            out.bounded = false;
            return out;
        }
        const double r = 1 / w;
        out.add((x[0] + y[0] + z[0] + last[0]) * r, (x[1] + y[1] + z[1] + last[1]) * r, (x[2] + y[2] + z[2] + last[2]) * r);
    }
    return out;
}

std::vector<Transform3D> Layer::instanceChains(const LayerValues&) const { return { Transform3D() }; }

namespace layerextent {

std::uint64_t& builtBoxes()
{
    static std::uint64_t count = 0;
    return count;
}

std::uint64_t& testedBoxes()
{
    static std::uint64_t count = 0;
    return count;
}

// The keys whose animations paint only, or move the whole subtree without reshaping it.
const QStringList& extentKeepingKeys()
{
    static const QStringList keys { QStringLiteral("position"), QStringLiteral("zPosition"), QStringLiteral("transform"),
        QStringLiteral("opacity"), QStringLiteral("hidden"), QStringLiteral("backgroundColor"), QStringLiteral("borderColor"),
        QStringLiteral("borderWidth"), QStringLiteral("cornerRadius") };
    return keys;
}

// The range an eased fraction can take: a cubic Bézier stays inside the hull of its control points.
void fractionRange(const CAAnimation& animation, double* lo, double* hi)
{
    *lo = 0;
    *hi = 1;
    if (const Ref<MediaTimingFunction> f = animation.timingFunction())
        for (int i = 1; i <= 2; ++i) {
            *lo = std::min(*lo, f->controlPointAtIndex(i).y);
            *hi = std::max(*hi, f->controlPointAtIndex(i).y);
        }
}

// Per axis, the box a point moves through.
struct Range3 {
    double lo[3] { 0, 0, 0 };
    double hi[3] { 0, 0, 0 };
    void spanLine(const double a[3], const double b[3], double f0, double f1)
    {
        for (int i = 0; i < 3; ++i) {
            const double p = a[i] + (b[i] - a[i]) * f0, q = a[i] + (b[i] - a[i]) * f1;
            lo[i] = std::min(p, q);
            hi[i] = std::max(p, q);
        }
    }
};

// An upper bound of how much the 3 × 3 part of a transform on the way from `a` to `b` (fractions
// f0…f1) can lengthen a vector, and the range of its translation; false when a perspective part
// makes it unbounded.
bool transformBound(const Transform3D& a, const Transform3D& b, double f0, double f1, double* stretch, Range3* translation)
{
    DecomposedTransform3D da, db;
    if (Transform3DDecompose(a, &da) && Transform3DDecompose(b, &db)) {
        const std::array<double, 4> flat { 0, 0, 0, 1 };
        if (da.perspective != flat || db.perspective != flat)
            return false;
        translation->spanLine(da.translation.data(), db.translation.data(), f0, f1);
        double most = 0;
        for (double f : { f0, f1 }) {
            // Scale · Skew · Rotation: the rotation keeps lengths; skew is unit triangular.
            double scale = 0, skew = 1;
            for (int i = 0; i < 3; ++i) {
                scale = std::max(scale, std::abs(da.scale[std::size_t(i)] + (db.scale[std::size_t(i)] - da.scale[std::size_t(i)]) * f));
                skew += std::abs(da.skew[std::size_t(i)] + (db.skew[std::size_t(i)] - da.skew[std::size_t(i)]) * f);
            }
            most = std::max(most, scale * skew);
        }
        *stretch = most;
        return true;
    }
    // Mixed element by element: the norm along a line peaks at an end.
    if (a.m14 != 0 || a.m24 != 0 || a.m34 != 0 || b.m14 != 0 || b.m24 != 0 || b.m34 != 0 || a.m44 != 1 || b.m44 != 1)
        return false;
    const double ta[3] { a.m41, a.m42, a.m43 }, tb[3] { b.m41, b.m42, b.m43 };
    translation->spanLine(ta, tb, f0, f1);
    double most = 0;
    for (double f : { f0, f1 }) {
        double sum = 0;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                const double v = a.at(r, c) + (b.at(r, c) - a.at(r, c)) * f;
                sum += v * v;
            }
        most = std::max(most, std::sqrt(sum));
    }
    *stretch = most;
    return true;
}

} // namespace layerextent

std::uint64_t Layer::boxesBuilt(bool reset) { return reset ? std::exchange(layerextent::builtBoxes(), 0) : layerextent::builtBoxes(); }

std::uint64_t Layer::boxesTested(bool reset) { return reset ? std::exchange(layerextent::testedBoxes(), 0) : layerextent::testedBoxes(); }

bool Layer::animationKeepsExtent(const QString& key) const { return layerextent::extentKeepingKeys().contains(key); }

void Layer::summarizeMotion(RunningAnimation& r) const
{
    using Motion = RunningAnimation::Motion;
    const auto* basic = dynamic_cast<const BasicAnimation*>(r.animation.get());
    if (!basic) {
        r.motion = Motion::None;
        return;
    }
    const QString& key = basic->keyPath();
    if (key == QLatin1String("position"))
        r.motion = Motion::Position;
    else if (key == QLatin1String("zPosition"))
        r.motion = Motion::Depth;
    else if (key == QLatin1String("transform"))
        r.motion = Motion::Transform;
    else
        r.motion = animationKeepsExtent(key) ? Motion::Paints : Motion::Reshapes;
    layerextent::fractionRange(*r.animation, &r.fractionLo, &r.fractionHi);
    const Value& to = basic->toValue();
    if (r.motion == Motion::Reshapes && !r.from.isNil() && !key.contains(QLatin1Char('.'))) {
        try {
            if (r.from.isEqual(to.isNil() ? valueForKey(key) : to)) {
                r.motion = Motion::Paints;
                r.still = true;
            }
        } catch (const std::exception&) {
            // Not a key of the layer's own: bounded by the presentation at each instant.
        }
    }
    if (r.motion != Motion::Position && r.motion != Motion::Depth)
        return;
    r.fromIsModel = r.from.isNil();
    r.toIsModel = to.isNil();
    try {
        if (r.motion == Motion::Position) {
            const Point from = r.fromIsModel ? Point {} : r.from.pointValue(), end = r.toIsModel ? Point {} : to.pointValue();
            r.moveFrom = { from.x, from.y };
            r.moveTo = { end.x, end.y };
        } else {
            r.moveFrom = { r.fromIsModel ? 0 : r.from.doubleValue(), 0 };
            r.moveTo = { r.toIsModel ? 0 : to.doubleValue(), 0 };
        }
    } catch (const std::exception&) {
        // Values of another kind: bounded by the presentation at each instant instead.
        r.motion = Motion::Reshapes;
    }
}

Layer::Extent Layer::subtreeExtent(const LayerValues& values) const
{
    Extent e;
    if (!IsEmptyRect(values.bounds)) {
        e.add(values.bounds.minX(), values.bounds.minY(), 0);
        e.add(values.bounds.maxX(), values.bounds.maxY(), 0);
    }
    // A gravity may place the contents beyond the bounds; a cross-fade covers both images.
    for (const Ref<CGImage>& image : { values.contents, values.contentsFrom }) {
        if (!image)
            continue;
        LayerValues one = values;
        one.contents = image;
        const Rect c = contentsRect(one);
        if (!IsEmptyRect(c)) {
            e.add(c.minX(), c.minY(), 0);
            e.add(c.maxX(), c.maxY(), 0);
        }
    }
    if (!sublayers_.empty() && !masksToBounds_) {
        const Extent& inner = sublayersExtent();
        if (!inner.bounded)
            e.bounded = false;
        else if (!inner.empty) {
            const Transform3D sub = sublayerChain(values, Transform3D());
            for (const Transform3D& chain : instanceChains(values))
                e.unite(inner.mapped(Transform3DConcat(chain, sub)));
        }
    }
    return e;
}

const Layer::Extent& Layer::sublayersExtent() const
{
    if (sublayersKnown_ && sublayersStamp_ < 0 && sublayersGeneration_ == shownGeneration_)
        return sublayersCache_;
    const double now = Application::now();
    if (sublayersKnown_ && sublayersStamp_ == now && sublayersGeneration_ == shownGeneration_)
        return sublayersCache_;
    // Hidden sublayers that nothing animates draw nothing (they are not among the shown ones).
    const SublayerBoxes& boxes = sublayerBoxes();
    Extent e = boxes.lasting;
    for (const auto& [rank, child] : boxes.changing)
        e.unite(child->placedExtent());
    sublayersCache_ = e;
    sublayersKnown_ = true;
    sublayersStamp_ = boxes.changing.empty() ? -1 : now;
    sublayersGeneration_ = shownGeneration_;
    return sublayersCache_;
}

const Layer::Extent& Layer::placedExtent() const
{
    if (placedKnown_ && placedStamp_ < 0)
        return placedCache_; // without asking the clock: an index rebuild asks thousands
    if (placedKnown_ && placedStamp_ == Application::now())
        return placedCache_;
    ++layerextent::builtBoxes();
    const bool reshaping = std::any_of(animations_.begin(), animations_.end(), [](const RunningAnimation& r) { return r.motion == RunningAnimation::Motion::Reshapes; });
    // Animations that only move the subtree leave its own extent as the model has it.
    const Extent own = reshaping ? subtreeExtent(presentedValues()) : ownExtent();
    // The own extent is kept exactly while the sublayers' boxes hold.
    const bool lasting = !reshaping && ownKnown_;
    const Transform3D& t = model_.transform;
    if (animations_.empty() && t.m14 == 0 && t.m24 == 0 && t.m34 == 0 && t.m44 == 1 && own.bounded && !own.empty) {
        // No divide by w: the position and depth only shift the box.
        const Extent& still = stillExtent(own);
        Extent placed;
        placed.add(still.lo[0] + model_.position.x, still.lo[1] + model_.position.y, still.lo[2] + model_.zPosition);
        placed.add(still.hi[0] + model_.position.x, still.hi[1] + model_.position.y, still.hi[2] + model_.zPosition);
        placedCache_ = placed;
    } else if (animations_.empty())
        placedCache_ = own.mapped(model_.toSuperlayer());
    else if (reshaping)
        placedCache_ = own.mapped(presentedValues().toSuperlayer());
    else
        placedCache_ = motionExtent(own);
    placedKnown_ = true;
    // Only a box that holds for an instant asks the clock (a row of thousands moving together).
    placedStamp_ = lasting ? -1 : Application::now();
    return placedCache_;
}

const Layer::Extent& Layer::ownExtent() const
{
    if (ownKnown_)
        return ownCache_;
    ownCache_ = subtreeExtent(model_);
    // Kept while the sublayers' boxes hold.
    ownKnown_ = sublayers_.empty() || masksToBounds_ || (sublayersKnown_ && sublayersStamp_ < 0);
    return ownCache_;
}

const Layer::Extent& Layer::stillExtent(const Extent& own) const
{
    const Point a = model_.anchorInBounds();
    if (stillKnown_ && ownKnown_ && stillAnchor_ == a && stillTransform_ == model_.transform)
        return stillCache_;
    stillCache_ = own.mapped(Transform3DConcat(Transform3DMakeTranslation(-a.x, -a.y, 0), model_.transform));
    stillKnown_ = ownKnown_;
    stillAnchor_ = a;
    stillTransform_ = model_.transform;
    return stillCache_;
}

Layer::Extent Layer::motionExtent(const Extent& own) const
{
    using layerextent::Range3;
    Extent out;
    if (own.empty || !own.bounded) {
        out = own;
        return out;
    }
    const Point a = model_.anchorInBounds();
    const double here[3] { model_.position.x, model_.position.y, model_.zPosition };
    Range3 place;
    place.spanLine(here, here, 0, 0);
    Range3 translation;
    const double none[3] { model_.transform.m41, model_.transform.m42, model_.transform.m43 };
    translation.spanLine(none, none, 0, 0);
    const Transform3D* fromTransform = nullptr;
    Transform3D transformFrom, transformTo;
    double tf0 = 0, tf1 = 1;
    using Motion = RunningAnimation::Motion;
    for (const RunningAnimation& r : animations_) {
        if (r.motion != Motion::Position && r.motion != Motion::Depth && r.motion != Motion::Transform)
            continue;
        const double f0 = r.fractionLo, f1 = r.fractionHi;
        if (r.motion == Motion::Position) {
            const Point start = r.fromIsModel ? model_.position : MakePoint(r.moveFrom[0], r.moveFrom[1]);
            const Point end = r.toIsModel ? model_.position : MakePoint(r.moveTo[0], r.moveTo[1]);
            const double p[3] { start.x, start.y, 0 }, q[3] { end.x, end.y, 0 };
            Range3 span;
            span.spanLine(p, q, f0, f1);
            for (int i = 0; i < 2; ++i) {
                place.lo[i] = span.lo[i];
                place.hi[i] = span.hi[i];
            }
        } else if (r.motion == Motion::Depth) {
            const double p[3] { 0, 0, r.fromIsModel ? model_.zPosition : r.moveFrom[0] };
            const double q[3] { 0, 0, r.toIsModel ? model_.zPosition : r.moveTo[0] };
            Range3 span;
            span.spanLine(p, q, f0, f1);
            place.lo[2] = span.lo[2];
            place.hi[2] = span.hi[2];
        } else {
            // An end left nil is the model's value.
            const Value& from = r.from;
            const Value& to = static_cast<const BasicAnimation*>(r.animation.get())->toValue();
            transformFrom = from.isNil() ? model_.transform : transform3DFromValue(from);
            transformTo = to.isNil() ? model_.transform : transform3DFromValue(to);
            fromTransform = &transformFrom;
            tf0 = f0;
            tf1 = f1;
        }
    }
    double stretch = 0;
    if (fromTransform) {
        if (!layerextent::transformBound(transformFrom, transformTo, tf0, tf1, &stretch, &translation)) {
            out.bounded = false;
            return out;
        }
    } else {
        // A fixed transform: the box of the subtree through it, carried along the path.
        const Extent& still = stillExtent(own);
        if (!still.bounded)
            return still;
        out.add(still.lo[0] + place.lo[0], still.lo[1] + place.lo[1], still.lo[2] + place.lo[2]);
        out.add(still.hi[0] + place.hi[0], still.hi[1] + place.hi[1], still.hi[2] + place.hi[2]);
        return out;
    }
    // Every point lies within `radius` of the anchor.
    double radius = 0;
    for (int corner = 0; corner < 8; ++corner) {
        const double dx = (corner & 1 ? own.hi[0] : own.lo[0]) - a.x, dy = (corner & 2 ? own.hi[1] : own.lo[1]) - a.y;
        const double dz = corner & 4 ? own.hi[2] : own.lo[2];
        radius = std::max(radius, std::sqrt(dx * dx + dy * dy + dz * dz));
    }
    const double reach = radius * stretch;
    out.add(place.lo[0] + translation.lo[0] - reach, place.lo[1] + translation.lo[1] - reach, place.lo[2] + translation.lo[2] - reach);
    out.add(place.hi[0] + translation.hi[0] + reach, place.hi[1] + translation.hi[1] + reach, place.hi[2] + translation.hi[2] + reach);
    return out;
}

bool Layer::placedMayContain(QPointF point, const Transform3D& superlayerToRoot) const
{
    const Extent& e = placedExtent();
    if (e.bounded && e.empty)
        return false;
    const Extent there = e.mapped(superlayerToRoot);
    if (!there.bounded)
        return true;
    return point.x() >= there.lo[0] - 1 && point.x() <= there.hi[0] + 1 && point.y() >= there.lo[1] - 1 && point.y() <= there.hi[1] + 1;
}

void Layer::extentChanged(bool placementOnly, bool shrinks)
{
    for (const Layer* l = this; l; l = l->superlayer_.unsafeRaw()) {
        // When its box is not known, the superlayer's index has not held it since it last changed.
        if (!l->placedKnown_ && !l->sublayersKnown_ && !l->ownKnown_ && l != this)
            break; // nothing cached above that was built from this one
        l->placedKnown_ = false;
        l->sublayersKnown_ = false;
        if (l != this || !placementOnly) {
            l->ownKnown_ = false;
            l->stillKnown_ = false;
        }
        // The index may hold a box larger than the layer's: each one it answers is tested anew.
        if (const Layer* s = l->superlayer_.unsafeRaw(); s && s->boxes_ && !(l == this && shrinks))
            s->boxes_->valid = false;
    }
}

namespace layerextent {

// The device area a pass draws into; empty when it cannot tell.
QRectF visibleArea(GraphicsContext& context)
{
    const std::optional<QPainterPath>& clip = context.deviceClip();
    const QSize device = context.backend().deviceSize();
    return clip ? clip->boundingRect() : QRectF(QPointF(0, 0), QSizeF(device));
}

} // namespace layerextent

QRectF Layer::placedReach(const RenderPass& pass, const Transform3D& superlayerToHost) const
{
    const Extent& e = placedExtent();
    // Unbounded (mapping it yields no corners) means it may reach anywhere, never nothing.
    if (e.bounded && e.empty)
        return {};
    const double far = std::numeric_limits<double>::max() / 4;
    const QRectF everywhere(QPointF(-far, -far), QPointF(far, far));
    if (!e.bounded)
        return everywhere;
    const Extent onHost = e.mapped(superlayerToHost);
    if (!onHost.bounded)
        return everywhere;
    const QRectF box(QPointF(onHost.lo[0], onHost.lo[1]), QPointF(onHost.hi[0], onHost.hi[1]));
    // Slightly grown: a border or antialiasing may reach a pixel past the box.
    return pass.host.mapRect(box.adjusted(-1, -1, 1, 1));
}

bool Layer::placedMayShow(const RenderPass& pass, const Transform3D& superlayerToHost) const
{
    ++layerextent::testedBoxes();
    const QRectF reach = placedReach(pass, superlayerToHost);
    if (reach.isNull())
        return false;
    const QRectF visible = layerextent::visibleArea(pass.context);
    return visible.isEmpty() || reach.intersects(visible);
}

void Layer::sublayersInSight(const RenderPass& pass, const Transform3D& sublayerToHost, std::vector<Layer*>& out) const
{
    out.clear();
    const QRectF visible = layerextent::visibleArea(pass.context);
    // The visible area back in the host's space: exact for a device transform that only scales
    // and moves; a box must come within the pixel placedMayShow grows it by (with a margin).
    std::vector<Layer*> near;
    if (!visible.isEmpty() && pass.host.type() <= QTransform::TxScale && pass.host.isInvertible())
        sublayersNear(sublayerToHost, pass.host.inverted().mapRect(visible).adjusted(-2, -2, 2, 2), near);
    else
        near = shownDrawingOrder();
    for (Layer* sub : near)
        if (sub->placedMayShow(pass, sublayerToHost))
            out.push_back(sub);
}

} // namespace kit
