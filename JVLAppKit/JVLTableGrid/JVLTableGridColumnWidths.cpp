#include "JVLAppKit/JVLTableGrid/JVLTableGridColumnWidths.h"

#include <algorithm>
#include <bit>

void JVLTableGridColumnWidths::assign(const std::vector<double>& widths)
{
    widths_ = widths;
    const std::size_t n = widths_.size();
    tree_.assign(n + 1, 0.0);
    // Linear build: each node passes its sum to its parent.
    for (std::size_t i = 1; i <= n; ++i) {
        tree_[i] += widths_[i - 1];
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= n)
            tree_[parent] += tree_[i];
    }
}

void JVLTableGridColumnWidths::setWidthAt(std::int64_t column, double width)
{
    if (column < 0 || column >= count())
        return;
    const double delta = width - widths_[std::size_t(column)];
    widths_[std::size_t(column)] = width;
    for (std::size_t i = std::size_t(column) + 1; i < tree_.size(); i += i & (~i + 1))
        tree_[i] += delta;
}

double JVLTableGridColumnWidths::offsetOf(std::int64_t column) const
{
    double sum = 0;
    std::size_t i = std::size_t(std::min<std::int64_t>(std::max<std::int64_t>(column, 0), count()));
    for (; i > 0; i -= i & (~i + 1))
        sum += tree_[i];
    return sum;
}

std::int64_t JVLTableGridColumnWidths::firstEndingAtOrAfter(double x) const
{
    // Descend the tree for the longest prefix whose sum stays below x: the next column ends at or
    // beyond x. Widths are never negative, so the prefix sums do not decrease.
    const std::size_t n = widths_.size();
    if (n == 0)
        return 0;
    std::size_t pos = 0;
    double sum = 0;
    for (std::size_t step = std::bit_floor(n); step > 0; step >>= 1) {
        const std::size_t next = pos + step;
        if (next <= n && sum + tree_[next] < x) {
            pos = next;
            sum += tree_[next];
        }
    }
    return std::int64_t(pos);
}
