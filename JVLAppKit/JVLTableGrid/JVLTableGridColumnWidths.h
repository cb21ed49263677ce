#pragma once

// The table grid's column widths as prefix sums (a Fenwick tree of doubles), so that a column's x
// and the column under an x cost O(log columns), and a resize updates O(log columns).

#include <cstdint>
#include <vector>

class JVLTableGridColumnWidths {
public:
    // Widths for columns 0 … widths.size() − 1.
    void assign(const std::vector<double>& widths);
    std::int64_t count() const { return std::int64_t(widths_.size()); }
    double widthAt(std::int64_t column) const { return widths_[std::size_t(column)]; }
    void setWidthAt(std::int64_t column, double width);
    // Sum of the widths of columns 0 … column − 1 (column may equal count()).
    double offsetOf(std::int64_t column) const;
    double total() const { return offsetOf(count()); }
    // The first column whose right edge (offset + width) is at or beyond x; count() when none.
    std::int64_t firstEndingAtOrAfter(double x) const;

private:
    std::vector<double> widths_;
    std::vector<double> tree_; // 1-based Fenwick tree over widths_
};
