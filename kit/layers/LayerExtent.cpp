// kit::Layer's extents: where a subtree can draw, so the render walk skips what cannot show.

#include "kit/layers/Layer.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

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
    for (int corner = 0; corner < 8; ++corner) {
        const Point3D p = Transform3DApply(t, { corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1], corner & 4 ? hi[2] : lo[2], 1 });
        if (!(p.w > 1e-9)) {
            out.bounded = false;
            return out;
        }
        out.add(p.x / p.w, p.y / p.w, p.z / p.w);
    }
    return out;
}

std::vector<Transform3D> Layer::instanceChains(const LayerValues&) const { return { Transform3D() }; }

Layer::Extent Layer::subtreeExtent(bool* cacheable) const
{
    const double now = Application::now();
    if (extentCache_ && (animations_.empty() ? extentStamp_ < 0 || extentStamp_ == now : extentStamp_ == now)) {
        if (cacheable)
            *cacheable = extentStamp_ < 0;
        return *extentCache_;
    }
    const LayerValues values = presentedValues();
    bool steady = animations_.empty();
    Extent e;
    if (!IsEmptyRect(values.bounds)) {
        e.add(values.bounds.minX(), values.bounds.minY(), 0);
        e.add(values.bounds.maxX(), values.bounds.maxY(), 0);
    }
    if (values.contents) {
        // A gravity may place the contents beyond the bounds.
        const Rect c = contentsRect(values);
        if (!IsEmptyRect(c)) {
            e.add(c.minX(), c.minY(), 0);
            e.add(c.maxX(), c.maxY(), 0);
        }
    }
    if (!sublayers_.empty() && !masksToBounds_) {
        const Transform3D sub = sublayerChain(values, Transform3D());
        const std::vector<Transform3D> chains = instanceChains(values);
        // Hidden sublayers that nothing animates draw nothing.
        for (const Layer* child : shownDrawingOrder()) {
            bool childSteady = true;
            const Extent inner = child->subtreeExtent(&childSteady);
            steady = steady && childSteady;
            const Transform3D place = child->presentedValues().toSuperlayer();
            for (const Transform3D& chain : chains)
                e.unite(inner.mapped(Transform3DConcat(Transform3DConcat(place, chain), sub)));
        }
    }
    extentCache_ = e;
    extentStamp_ = steady ? -1 : now;
    if (cacheable)
        *cacheable = steady;
    return e;
}

bool Layer::subtreeMayShow(const RenderPass& pass, const Transform3D& toHost) const
{
    const Extent e = subtreeExtent();
    if (e.empty)
        return false;
    if (!e.bounded)
        return true;
    const Extent onHost = e.mapped(toHost);
    if (!onHost.bounded)
        return true;
    const std::optional<QPainterPath>& clip = pass.context.deviceClip();
    const QSize device = pass.context.backend().deviceSize();
    const QRectF visible = clip ? clip->boundingRect() : QRectF(QPointF(0, 0), QSizeF(device));
    if (visible.isEmpty())
        return true;
    const QRectF box(QPointF(onHost.lo[0], onHost.lo[1]), QPointF(onHost.hi[0], onHost.hi[1]));
    // Slightly grown: a border or antialiasing may reach a pixel past the box.
    return pass.host.mapRect(box.adjusted(-1, -1, 1, 1)).intersects(visible);
}

} // namespace kit
