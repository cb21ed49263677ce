#include "kit/controls/OutlineViewRows.h"

#include <algorithm>
#include <cmath>

namespace kit::detail {

void OutlineRows::setVariableHeights(bool flag)
{
    variable_ = flag;
    dirty_ = true;
    for (auto& b : blocks_) {
        b->height = 0;
        for (OutlineNode* n : b->rows)
            b->height += spanOf(n);
    }
}

void OutlineRows::clear()
{
    for (auto& b : blocks_)
        for (OutlineNode* n : b->rows)
            n->block = nullptr;
    blocks_.clear();
    count_ = 0;
    dirty_ = true;
}

void OutlineRows::ensurePrefix() const
{
    if (!dirty_)
        return;
    startRow_.resize(blocks_.size() + 1);
    startY_.resize(blocks_.size() + 1);
    std::int64_t row = 0;
    double y = 0;
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        blocks_[i]->index = i;
        startRow_[i] = row;
        startY_[i] = y;
        row += std::int64_t(blocks_[i]->rows.size());
        y += variable_ ? blocks_[i]->height : double(blocks_[i]->rows.size()) * uniformSpan_;
    }
    startRow_[blocks_.size()] = row;
    startY_[blocks_.size()] = y;
    dirty_ = false;
}

std::size_t OutlineRows::blockOfRow(std::int64_t row) const
{
    ensurePrefix();
    // The last block whose start is at or before the row.
    const auto it = std::upper_bound(startRow_.begin(), startRow_.end() - 1, row);
    return std::size_t(std::max<std::ptrdiff_t>(0, (it - startRow_.begin()) - 1));
}

OutlineNode* OutlineRows::nodeAt(std::int64_t row) const
{
    if (row < 0 || row >= count_)
        return nullptr;
    const std::size_t b = blockOfRow(row);
    return blocks_[b]->rows[std::size_t(row - startRow_[b])];
}

std::int64_t OutlineRows::rowOf(const OutlineNode* node) const
{
    if (!node || !node->block)
        return -1;
    ensurePrefix();
    const auto& rows = node->block->rows;
    const auto it = std::find(rows.begin(), rows.end(), node);
    return it == rows.end() ? -1 : startRow_[node->block->index] + (it - rows.begin());
}

void OutlineRows::insert(std::int64_t row, const std::vector<OutlineNode*>& nodes)
{
    if (nodes.empty())
        return;
    row = std::clamp<std::int64_t>(row, 0, count_);
    if (blocks_.empty())
        blocks_.push_back(std::make_unique<OutlineRowBlock>());
    std::size_t b;
    std::size_t offset;
    if (row == count_) {
        b = blocks_.size() - 1;
        offset = blocks_[b]->rows.size();
    } else {
        b = blockOfRow(row);
        offset = std::size_t(row - startRow_[b]);
    }
    OutlineRowBlock& block = *blocks_[b];
    moves_ += std::int64_t(block.rows.size() - offset) + std::int64_t(nodes.size());
    block.rows.insert(block.rows.begin() + std::ptrdiff_t(offset), nodes.begin(), nodes.end());
    for (OutlineNode* n : nodes) {
        n->block = &block;
        block.height += spanOf(n);
    }
    count_ += std::int64_t(nodes.size());
    dirty_ = true;
    if (block.rows.size() > MaxBlockRows)
        split(b);
}

void OutlineRows::split(std::size_t blockIndex)
{
    // Into blocks of half the maximum, so the next insertions have room.
    std::vector<OutlineNode*> rows = std::move(blocks_[blockIndex]->rows);
    moves_ += std::int64_t(rows.size());
    const std::size_t per = MaxBlockRows / 2;
    std::vector<std::unique_ptr<OutlineRowBlock>> made;
    for (std::size_t i = 0; i < rows.size(); i += per) {
        auto block = std::make_unique<OutlineRowBlock>();
        block->rows.assign(rows.begin() + std::ptrdiff_t(i), rows.begin() + std::ptrdiff_t(std::min(rows.size(), i + per)));
        for (OutlineNode* n : block->rows) {
            n->block = block.get();
            block->height += spanOf(n);
        }
        made.push_back(std::move(block));
    }
    blocks_.erase(blocks_.begin() + std::ptrdiff_t(blockIndex));
    blocks_.insert(blocks_.begin() + std::ptrdiff_t(blockIndex), std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
    dirty_ = true;
}

void OutlineRows::erase(std::int64_t row, std::int64_t count)
{
    count = std::min(count, count_ - row);
    while (count > 0) {
        const std::size_t b = blockOfRow(row);
        OutlineRowBlock& block = *blocks_[b];
        const std::size_t offset = std::size_t(row - startRow_[b]);
        const std::size_t take = std::min<std::size_t>(std::size_t(count), block.rows.size() - offset);
        for (std::size_t i = offset; i < offset + take; ++i) {
            block.height -= spanOf(block.rows[i]);
            block.rows[i]->block = nullptr;
        }
        moves_ += std::int64_t(block.rows.size() - offset);
        block.rows.erase(block.rows.begin() + std::ptrdiff_t(offset), block.rows.begin() + std::ptrdiff_t(offset + take));
        if (block.rows.empty())
            blocks_.erase(blocks_.begin() + std::ptrdiff_t(b));
        count -= std::int64_t(take);
        count_ -= std::int64_t(take);
        dirty_ = true;
    }
}

double OutlineRows::top(std::int64_t row) const
{
    if (!variable_)
        return double(row) * uniformSpan_;
    if (row >= count_)
        return totalHeight();
    const std::size_t b = blockOfRow(row);
    double y = startY_[b];
    const auto& rows = blocks_[b]->rows;
    for (std::size_t i = 0, end = std::size_t(row - startRow_[b]); i < end; ++i)
        y += rows[i]->height;
    return y;
}

double OutlineRows::span(std::int64_t row) const
{
    if (!variable_)
        return uniformSpan_;
    const OutlineNode* n = nodeAt(row);
    return n ? n->height : 0;
}

double OutlineRows::totalHeight() const
{
    if (!variable_)
        return double(count_) * uniformSpan_;
    ensurePrefix();
    return startY_.back();
}

std::int64_t OutlineRows::rowAtY(double y) const
{
    if (count_ == 0)
        return -1;
    if (!variable_)
        return std::clamp<std::int64_t>(std::int64_t(std::floor(y / uniformSpan_)), 0, count_ - 1);
    ensurePrefix();
    const auto it = std::upper_bound(startY_.begin(), startY_.end() - 1, y);
    const std::size_t b = std::size_t(std::max<std::ptrdiff_t>(0, (it - startY_.begin()) - 1));
    double top = startY_[b];
    const auto& rows = blocks_[b]->rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (y < top + rows[i]->height)
            return startRow_[b] + std::int64_t(i);
        top += rows[i]->height;
    }
    return std::min(count_ - 1, startRow_[b] + std::int64_t(rows.size()) - 1);
}

void OutlineRows::noteHeightChanged(OutlineNode* node, double oldSpan)
{
    if (!node->block || !variable_)
        return;
    node->block->height += node->height - oldSpan;
    dirty_ = true;
}

} // namespace kit::detail
