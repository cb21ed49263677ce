#pragma once

// A plain table's rows when the delegate gives each its height: the spans (height plus the
// vertical spacing) in blocks of a few hundred rows with the blocks' starting y, so a row's top
// and the row at a height cost a binary search over the blocks and a walk inside one block.

#include <cstdint>
#include <vector>

namespace kit::detail {

class TableRowHeights {
public:
    static constexpr std::int64_t BlockRows = 256;

    bool isEmpty() const { return spans_.empty(); }
    std::int64_t count() const { return std::int64_t(spans_.size()); }
    void clear();
    void reset(std::vector<double> spans);
    void setSpan(std::int64_t row, double span);
    // 0 for rows above the first, the total for rows past the last.
    double top(std::int64_t row) const;
    double span(std::int64_t row) const;
    double total() const { return blockStart_.empty() ? 0 : blockStart_.back(); }
    // The row whose span holds y; -1 above the first, count() below the last.
    std::int64_t rowAtY(double y) const;

private:
    void rebuildFrom(std::size_t block);
    std::vector<double> spans_;
    // The y of each block's first row, and the total at the end.
    std::vector<double> blockStart_;
};

} // namespace kit::detail
