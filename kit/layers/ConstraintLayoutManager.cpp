#include "kit/layers/ConstraintLayoutManager.h"

#include <algorithm>
#include <optional>
#include <set>

namespace kit {

KIT_REGISTER_CLASS(ConstraintLayoutManager, Object) { }

namespace {

const QString SuperlayerName = QStringLiteral("superlayer");

double attributeOf(Rect r, ConstraintAttribute attribute)
{
    switch (attribute) {
    case ConstraintMinX:
        return r.minX();
    case ConstraintMidX:
        return r.midX();
    case ConstraintMaxX:
        return r.maxX();
    case ConstraintWidth:
        return r.width();
    case ConstraintMinY:
        return r.minY();
    case ConstraintMidY:
        return r.midY();
    case ConstraintMaxY:
        return r.maxY();
    case ConstraintHeight:
        return r.height();
    }
    return 0;
}

// What the constraints say about one axis; the rest comes from the current frame.
struct Axis {
    std::optional<double> min, mid, max, size;

    void resolve(double& origin, double& extent) const
    {
        if (size)
            extent = *size;
        else if (min && max)
            extent = *max - *min;
        else if (min && mid)
            extent = 2 * (*mid - *min);
        else if (mid && max)
            extent = 2 * (*max - *mid);
        extent = std::max(0.0, extent);
        if (min)
            origin = *min;
        else if (mid)
            origin = *mid - extent / 2;
        else if (max)
            origin = *max - extent;
    }
};

Layer* sibling(const std::vector<Ref<Layer>>& sublayers, const QString& name)
{
    for (const Ref<Layer>& l : sublayers)
        if (l->name() == name)
            return l.get();
    return nullptr;
}

void apply(Layer& layer, Layer& superlayer)
{
    Axis x, y;
    for (const Constraint& c : layer.constraints()) {
        Rect source;
        if (c.sourceName == SuperlayerName) {
            source = superlayer.bounds();
        } else if (Layer* s = sibling(superlayer.sublayers(), c.sourceName); s && s != &layer) {
            source = s->frame();
        } else {
            continue; // no such source: the constraint does nothing
        }
        const double v = attributeOf(source, c.sourceAttribute) * c.scale + c.offset;
        switch (c.attribute) {
        case ConstraintMinX:
            x.min = v;
            break;
        case ConstraintMidX:
            x.mid = v;
            break;
        case ConstraintMaxX:
            x.max = v;
            break;
        case ConstraintWidth:
            x.size = v;
            break;
        case ConstraintMinY:
            y.min = v;
            break;
        case ConstraintMidY:
            y.mid = v;
            break;
        case ConstraintMaxY:
            y.max = v;
            break;
        case ConstraintHeight:
            y.size = v;
            break;
        }
    }
    Rect f = layer.frame();
    // An axis held by neither a size nor two of its edges takes the layer's preferred size.
    const Size preferred = layer.preferredFrameSize();
    if (!x.size && (x.min.has_value() + x.mid.has_value() + x.max.has_value()) < 2)
        f.size.width = preferred.width;
    if (!y.size && (y.min.has_value() + y.mid.has_value() + y.max.has_value()) < 2)
        f.size.height = preferred.height;
    x.resolve(f.origin.x, f.size.width);
    y.resolve(f.origin.y, f.size.height);
    if (!(f == layer.frame()))
        layer.setFrame(f);
}

} // namespace

Ref<ConstraintLayoutManager> ConstraintLayoutManager::layoutManager()
{
    static const Ref<ConstraintLayoutManager> shared = make<ConstraintLayoutManager>();
    return shared;
}

void ConstraintLayoutManager::layoutSublayersOfLayer(Layer* layer)
{
    if (!layer)
        return;
    const std::vector<Ref<Layer>> sublayers = layer->sublayers();
    // Depth first through the siblings each one names, so sources are placed before their users;
    // a cycle is broken where it closes.
    std::set<const Layer*> placed, visiting;
    auto place = [&](auto& self, Layer& l) -> void {
        if (placed.contains(&l) || visiting.contains(&l))
            return;
        visiting.insert(&l);
        for (const Constraint& c : l.constraints())
            if (c.sourceName != SuperlayerName)
                if (Layer* s = sibling(sublayers, c.sourceName))
                    self(self, *s);
        visiting.erase(&l);
        placed.insert(&l);
        if (!l.constraints().empty())
            apply(l, *layer);
    };
    for (const Ref<Layer>& l : sublayers)
        place(place, *l);
}

} // namespace kit
