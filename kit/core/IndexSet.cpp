#include "kit/core/IndexSet.h"

#include "kit/core/Exception.h"

#include <algorithm>

namespace kit {

namespace {

// The end of a caller's range, held at NotFound: removeIndex(NotFound) must not overflow.
std::int64_t indexSetRangeEnd(Range range)
{
    if (range.length <= 0)
        return range.location;
    return range.location >= NotFound - range.length ? NotFound : range.location + range.length;
}

} // namespace

IndexSet::IndexSet()
    : d_(std::make_shared<std::vector<Range>>())
{ }

IndexSet::IndexSet(std::int64_t index)
    : IndexSet()
{
    if (index < 0 || index >= NotFound)
        throw Exception(RangeException, format(QStringLiteral("Index %ld is out of range"), index));
    d_->push_back({ index, 1 });
}

IndexSet::IndexSet(std::initializer_list<std::int64_t> indexes)
    : IndexSet()
{
    MutableIndexSet set;
    for (auto i : indexes)
        set.addIndex(i);
    d_ = set.d_;
}

IndexSet IndexSet::indexSetWithIndexesInRange(Range range)
{
    MutableIndexSet set;
    set.addIndexesInRange(range);
    return set;
}

std::vector<Range>& IndexSet::mutableRanges()
{
    // Shared, or a constant that keeps no count (use_count 0): copy before changing.
    if (d_.use_count() != 1)
        d_ = std::make_shared<std::vector<Range>>(*d_);
    return *d_;
}

std::int64_t IndexSet::count() const
{
    std::int64_t n = 0;
    for (const Range& r : *d_)
        n += r.length;
    return n;
}

std::int64_t IndexSet::firstIndex() const { return d_->empty() ? NotFound : d_->front().location; }

std::int64_t IndexSet::lastIndex() const { return d_->empty() ? NotFound : MaxRange(d_->back()) - 1; }

bool IndexSet::containsIndex(std::int64_t index) const
{
    auto it = std::upper_bound(d_->begin(), d_->end(), index, [](std::int64_t i, const Range& r) { return i < r.location; });
    if (it == d_->begin())
        return false;
    --it;
    return index < MaxRange(*it);
}

bool IndexSet::containsIndexes(const IndexSet& other) const
{
    for (const Range& r : *other.d_) {
        auto it = std::upper_bound(d_->begin(), d_->end(), r.location, [](std::int64_t i, const Range& x) { return i < x.location; });
        if (it == d_->begin())
            return false;
        --it;
        if (MaxRange(r) > MaxRange(*it))
            return false;
    }
    return true;
}

bool IndexSet::intersectsIndexesInRange(Range range) const { return countOfIndexesInRange(range) > 0; }

std::int64_t IndexSet::countOfIndexesInRange(Range range) const
{
    std::int64_t n = 0;
    for (const Range& r : *d_) {
        const std::int64_t lo = std::max(r.location, range.location);
        const std::int64_t hi = std::min(MaxRange(r), indexSetRangeEnd(range));
        if (hi > lo)
            n += hi - lo;
    }
    return n;
}

std::int64_t IndexSet::indexGreaterThanIndex(std::int64_t index) const
{
    for (const Range& r : *d_) {
        if (MaxRange(r) - 1 > index)
            return std::max(r.location, index + 1);
    }
    return NotFound;
}

std::int64_t IndexSet::indexLessThanIndex(std::int64_t index) const
{
    for (auto it = d_->rbegin(); it != d_->rend(); ++it) {
        if (it->location < index)
            return std::min(MaxRange(*it) - 1, index - 1);
    }
    return NotFound;
}

std::vector<std::int64_t> IndexSet::indexes() const
{
    std::vector<std::int64_t> out;
    out.reserve(static_cast<std::size_t>(count()));
    for (auto i : *this)
        out.push_back(i);
    return out;
}

std::size_t IndexSet::hash() const
{
    std::size_t h = d_->size();
    for (const Range& r : *d_)
        h = h * 31 + std::hash<std::int64_t>()(r.location) * 7 + std::hash<std::int64_t>()(r.length);
    return h;
}

QString IndexSet::description() const
{
    QString text;
    for (const Range& r : *d_) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += r.length == 1 ? QString::number(r.location) : QStringLiteral("%1-%2").arg(r.location).arg(MaxRange(r) - 1);
    }
    return format(QStringLiteral("<IndexSet>[number of indexes: %ld (in %lu ranges), indexes: (%@)]"), count(), d_->size(), text);
}

void MutableIndexSet::addIndexes(const IndexSet& other)
{
    for (const Range& r : other.ranges())
        addIndexesInRange(r);
}

void MutableIndexSet::addIndexesInRange(Range range)
{
    if (range.location < 0 || range.length < 0 || range.location >= NotFound || range.length > NotFound - range.location)
        throw Exception(RangeException, format(QStringLiteral("Range {%ld, %ld} reaches NotFound"), range.location, range.length));
    if (range.length == 0)
        return;
    auto& v = mutableRanges();
    std::int64_t lo = range.location, hi = MaxRange(range);
    // Merge every range that touches [lo, hi).
    auto first = std::lower_bound(v.begin(), v.end(), lo, [](const Range& r, std::int64_t i) { return MaxRange(r) < i; });
    auto last = first;
    while (last != v.end() && last->location <= hi) {
        lo = std::min(lo, last->location);
        hi = std::max(hi, MaxRange(*last));
        ++last;
    }
    first = v.erase(first, last);
    v.insert(first, Range { lo, hi - lo });
}

void MutableIndexSet::removeIndexes(const IndexSet& other)
{
    for (const Range& r : other.ranges())
        removeIndexesInRange(r);
}

void MutableIndexSet::removeIndexesInRange(Range range)
{
    if (range.length <= 0 || isEmpty())
        return;
    auto& v = mutableRanges();
    std::vector<Range> out;
    out.reserve(v.size() + 1);
    const std::int64_t lo = range.location, hi = indexSetRangeEnd(range);
    for (const Range& r : v) {
        if (MaxRange(r) <= lo || r.location >= hi) {
            out.push_back(r);
            continue;
        }
        if (r.location < lo)
            out.push_back({ r.location, lo - r.location });
        if (MaxRange(r) > hi)
            out.push_back({ hi, MaxRange(r) - hi });
    }
    v = std::move(out);
}

void MutableIndexSet::removeAllIndexes() { mutableRanges().clear(); }

void MutableIndexSet::shiftIndexesStartingAtIndex(std::int64_t index, std::int64_t delta)
{
    if (delta == 0)
        return;
    MutableIndexSet kept, moved;
    for (const Range& r : ranges()) {
        if (MaxRange(r) <= index) {
            kept.addIndexesInRange(r);
            continue;
        }
        Range below { r.location, std::max<std::int64_t>(0, index - r.location) };
        if (below.length > 0)
            kept.addIndexesInRange(below);
        const Range above { std::max(r.location, index), MaxRange(r) - std::max(r.location, index) };
        std::int64_t loc = above.location + delta, len = above.length;
        if (loc < 0) {
            len += loc;
            loc = 0;
        }
        if (len > 0)
            moved.addIndexesInRange({ loc, len });
    }
    if (delta < 0)
        kept.removeIndexesInRange({ index + delta, -delta });
    kept.addIndexes(moved);
    mutableRanges() = kept.ranges();
}

} // namespace kit
