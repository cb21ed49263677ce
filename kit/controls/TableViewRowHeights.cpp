#include "kit/controls/TableViewRowHeights.h"

#include <algorithm>

namespace kit::detail {

void TableRowHeights::clear()
{
    spans_.clear();
    blockStart_.clear();
}

void TableRowHeights::reset(std::vector<double> spans)
{
    spans_ = std::move(spans);
    blockStart_.assign(std::size_t((count() + BlockRows - 1) / BlockRows) + 1, 0);
    rebuildFrom(0);
}

void TableRowHeights::rebuildFrom(std::size_t block)
{
    for (std::size_t b = block; b + 1 < blockStart_.size(); ++b) {
        double sum = 0;
        const std::int64_t end = std::min(count(), std::int64_t(b + 1) * BlockRows);
        for (std::int64_t r = std::int64_t(b) * BlockRows; r < end; ++r)
            sum += spans_[std::size_t(r)];
        blockStart_[b + 1] = blockStart_[b] + sum;
    }
}

void TableRowHeights::setSpan(std::int64_t row, double span)
{
    if (row < 0 || row >= count())
        return;
    spans_[std::size_t(row)] = span;
    rebuildFrom(std::size_t(row / BlockRows));
}

double TableRowHeights::top(std::int64_t row) const
{
    if (row <= 0)
        return 0;
    if (row >= count())
        return total();
    const std::int64_t block = row / BlockRows;
    double y = blockStart_[std::size_t(block)];
    for (std::int64_t r = block * BlockRows; r < row; ++r)
        y += spans_[std::size_t(r)];
    return y;
}

double TableRowHeights::span(std::int64_t row) const { return row >= 0 && row < count() ? spans_[std::size_t(row)] : 0; }

std::int64_t TableRowHeights::rowAtY(double y) const
{
    if (y < 0)
        return -1;
    if (y >= total())
        return count();
    // The last block starting at or above y, then the row inside it.
    const auto after = std::upper_bound(blockStart_.begin(), blockStart_.end() - 1, y);
    const std::int64_t block = std::int64_t(after - blockStart_.begin()) - 1;
    double top = blockStart_[std::size_t(block)];
    const std::int64_t end = std::min(count(), (block + 1) * BlockRows);
    for (std::int64_t r = block * BlockRows; r < end; ++r) {
        top += spans_[std::size_t(r)];
        if (y < top)
            return r;
    }
    return end - 1;
}

} // namespace kit::detail
