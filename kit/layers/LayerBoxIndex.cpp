// kit::Layer's index of its sublayers' culling boxes: a row of thousands of items, of which a few
// dozen are in sight, costs a frame what those few cost. The boxes that hold until a change are
// sorted once along the axis they spread in; a frame turns the visible area into an interval of
// that axis and looks only at the boxes reaching into it.

#include "kit/layers/Layer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kit {

namespace layerboxindex {

// Below this many shown sublayers, looking at each box is as quick as any index.
constexpr std::size_t IndexFrom = 48;

// a·p + e for a point p of the sublayers' space.
struct LinearForm {
    double a[3];
    double e;
};

// The largest value `f` takes over the box `range` with its `axis` term left out.
double largestBesides(const LinearForm& f, const double lo[3], const double hi[3], int axis)
{
    double sum = f.e;
    for (int i = 0; i < 3; ++i)
        if (i != axis)
            sum += std::max(f.a[i] * lo[i], f.a[i] * hi[i]);
    return sum;
}

// By the low end along `axis`. A row moving together keeps its order but for the few that turned
// or changed depth (drawn last, out of place): those are sorted alone and merged in.
template <class Entry> void sortNearlySorted(std::vector<Entry>& entries, int axis)
{
    const auto before = [axis](const Entry& x, const Entry& y) { return x.lo[axis] < y.lo[axis]; };
    std::vector<Entry> strays;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (kept > 0 && before(entries[i], entries[kept - 1])) {
            strays.push_back(entries[i]);
            if (strays.size() * 16 > entries.size()) {
                // Too many: the ones taken out go back into the gap they left, then all are sorted.
                std::copy(strays.begin(), strays.end(), entries.begin() + std::ptrdiff_t(kept));
                std::sort(entries.begin(), entries.end(), before);
                return;
            }
            continue;
        }
        entries[kept++] = entries[i];
    }
    if (strays.empty())
        return;
    std::sort(strays.begin(), strays.end(), before);
    std::copy(strays.begin(), strays.end(), entries.begin() + std::ptrdiff_t(kept));
    std::inplace_merge(entries.begin(), entries.begin() + std::ptrdiff_t(kept), entries.end(), before);
}

} // namespace layerboxindex

const Layer::SublayerBoxes& Layer::sublayerBoxes() const
{
    const std::vector<Layer*>& shown = shownDrawingOrder();
    if (!boxes_)
        boxes_ = std::make_unique<SublayerBoxes>();
    SublayerBoxes& b = *boxes_;
    if (b.valid && b.generation == shownGeneration_)
        return b;
    b.valid = true;
    b.generation = shownGeneration_;
    b.lasting = Extent();
    b.changing.clear();
    b.entries.clear();
    b.unindexed.clear();
    b.indexed = false;
    for (std::uint32_t rank = 0; rank < shown.size(); ++rank) {
        Layer* child = shown[rank];
        const Extent& e = child->placedExtent();
        if (child->placedStamp_ >= 0) {
            b.changing.emplace_back(rank, child);
            continue;
        }
        b.lasting.unite(e);
        if (!e.bounded) {
            b.unindexed.emplace_back(rank, child);
            continue;
        }
        if (e.empty)
            continue; // draws nothing until it changes
        SublayerBoxes::Entry entry { { e.lo[0], e.lo[1], e.lo[2] }, { e.hi[0], e.hi[1], e.hi[2] }, child, rank };
        b.entries.push_back(entry);
    }
    if (shown.size() < layerboxindex::IndexFrom || b.entries.size() < layerboxindex::IndexFrom)
        return b;
    // The axis along which the boxes' centres spread most.
    double spread = 0;
    for (int axis = 0; axis < 3; ++axis) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const SublayerBoxes::Entry& entry : b.entries) {
            const double centre = (entry.lo[axis] + entry.hi[axis]) / 2;
            lo = std::min(lo, centre);
            hi = std::max(hi, centre);
        }
        if (hi - lo > spread) {
            spread = hi - lo;
            b.axis = axis;
        }
    }
    if (!(spread > 0) || !std::isfinite(spread))
        return b;
    const int k = b.axis;
    // Boxes much wider than the usual one (a backdrop behind a row) are asked every time instead
    // of widening every query.
    std::vector<double> lengths;
    lengths.reserve(b.entries.size());
    for (const SublayerBoxes::Entry& entry : b.entries)
        lengths.push_back(entry.hi[k] - entry.lo[k]);
    std::nth_element(lengths.begin(), lengths.begin() + std::ptrdiff_t(lengths.size() / 2), lengths.end());
    const double wide = std::max(4 * lengths[lengths.size() / 2], spread / 64);
    std::erase_if(b.entries, [&](const SublayerBoxes::Entry& entry) {
        if (entry.hi[k] - entry.lo[k] <= wide)
            return false;
        b.unindexed.emplace_back(entry.rank, entry.layer);
        return true;
    });
    if (b.unindexed.size() * 4 > b.entries.size())
        return b;
    layerboxindex::sortNearlySorted(b.entries, k);
    b.widest = 0;
    b.indexedUnion = Extent();
    for (const SublayerBoxes::Entry& entry : b.entries) {
        b.widest = std::max(b.widest, entry.hi[k] - entry.lo[k]);
        b.indexedUnion.add(entry.lo[0], entry.lo[1], entry.lo[2]);
        b.indexedUnion.add(entry.hi[0], entry.hi[1], entry.hi[2]);
    }
    b.indexed = true;
    return b;
}

void Layer::sublayersNear(const Transform3D& m, const QRectF& area, std::vector<Layer*>& out) const
{
    using layerboxindex::LinearForm;
    const std::vector<Layer*>& shown = shownDrawingOrder();
    const SublayerBoxes& b = sublayerBoxes();
    if (!b.indexed) {
        out = shown;
        return;
    }
    // A box meets the area only if one of its corners lies on the inner side of each edge (its
    // mapped corners' box spans the area's), and every corner in front of the eye; a corner p maps
    // to (p·m)x / (p·m)w, so each side is a linear inequality in p. Over the boxes' common range in
    // the other two axes, each bounds a box's low or high end along the index axis.
    const double x0 = area.left(), x1 = area.right(), y0 = area.top(), y1 = area.bottom();
    const double rows[4][4] = { { m.m11, m.m12, m.m13, m.m14 }, { m.m21, m.m22, m.m23, m.m24 }, { m.m31, m.m32, m.m33, m.m34 },
        { m.m41, m.m42, m.m43, m.m44 } };
    const auto side = [&](int column, double edge, double sign) {
        LinearForm f;
        for (int i = 0; i < 3; ++i)
            f.a[i] = sign * (rows[i][column] - edge * rows[i][3]);
        f.e = sign * (rows[3][column] - edge * rows[3][3]);
        return f;
    };
    const int k = b.axis;
    const Extent& common = b.indexedUnion;
    // A corner at w ≤ 1e-9 makes a box unbounded, which always may show: then every box is asked.
    LinearForm behind;
    for (int i = 0; i < 3; ++i)
        behind.a[i] = -rows[i][3];
    behind.e = 1e-9 - rows[3][3];
    if (behind.a[k] != 0 || !(layerboxindex::largestBesides(behind, common.lo, common.hi, k) < -1e-6)) {
        out = shown;
        return;
    }
    double lowestHigh = -std::numeric_limits<double>::infinity(), highestLow = std::numeric_limits<double>::infinity();
    for (const LinearForm& f : { side(0, x0, 1), side(0, x1, -1), side(1, y0, 1), side(1, y1, -1) }) {
        const double rest = layerboxindex::largestBesides(f, common.lo, common.hi, k), a = f.a[k];
        if (a > 0)
            lowestHigh = std::max(lowestHigh, -rest / a);
        else if (a < 0)
            highestLow = std::min(highestLow, -rest / a);
        else if (rest < 0)
            highestLow = -std::numeric_limits<double>::infinity(); // no indexed box reaches the area
    }
    if (std::isnan(lowestHigh) || std::isnan(highestLow)) {
        out = shown;
        return;
    }
    std::vector<std::pair<std::uint32_t, Layer*>> near = b.unindexed;
    near.insert(near.end(), b.changing.begin(), b.changing.end());
    const double from = lowestHigh - b.widest;
    auto it = std::lower_bound(b.entries.begin(), b.entries.end(), from, [k](const SublayerBoxes::Entry& e, double v) { return e.lo[k] < v; });
    for (; it != b.entries.end() && it->lo[k] <= highestLow; ++it)
        if (it->hi[k] >= lowestHigh)
            near.emplace_back(it->rank, it->layer);
    std::sort(near.begin(), near.end());
    out.clear();
    for (const auto& [rank, layer] : near)
        out.push_back(layer);
}

} // namespace kit
