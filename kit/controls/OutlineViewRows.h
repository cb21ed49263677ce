#pragma once

// The outline view's row model: a tree of loaded items and the visible rows in blocks of a few
// hundred. Each block knows its row count and height; prefix sums over the blocks are rebuilt
// lazily after a structural change, so finding a row, its top or the row at a height walks the
// block starts (binary search) and then one block. Expanding an item inserts its k visible
// descendants into one block (splitting it when it grows too big): O(k + blocks), never a move
// of every row below.

#include "kit/core/Value.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kit::detail {

struct OutlineRowBlock;

struct OutlineNode {
    Value item;
    OutlineNode* parent = nullptr;
    std::int64_t level = -1; // the root is -1
    bool expandable = false;
    bool expanded = false;
    bool loaded = false; // children asked for
    double height = -1; // row span when heights vary; < 0 before it is asked
    std::vector<std::unique_ptr<OutlineNode>> children;
    OutlineRowBlock* block = nullptr; // null while not shown
};

struct OutlineRowBlock {
    std::vector<OutlineNode*> rows;
    double height = 0;
    std::size_t index = 0; // position in the block list, valid after a prefix rebuild
};

// Items as keys: objects by identity, other values by equality.
struct OutlineItemHash {
    std::size_t operator()(const Value& v) const noexcept
    {
        return v.isObject() ? std::hash<const void*>()(v.object().get()) : v.hash();
    }
};
struct OutlineItemEqual {
    bool operator()(const Value& a, const Value& b) const { return a.identicalTo(b); }
};
// Map keys keep their hash: growing the map then never hashes a string again.
struct OutlineItemKey {
    explicit OutlineItemKey(Value v)
        : item(std::move(v))
        , hash(OutlineItemHash()(item))
    { }
    Value item;
    std::size_t hash;
};
struct OutlineItemKeyHash {
    std::size_t operator()(const OutlineItemKey& k) const noexcept { return k.hash; }
};
struct OutlineItemKeyEqual {
    bool operator()(const OutlineItemKey& a, const OutlineItemKey& b) const { return a.hash == b.hash && a.item.identicalTo(b.item); }
};
using OutlineItemMap = std::unordered_map<OutlineItemKey, OutlineNode*, OutlineItemKeyHash, OutlineItemKeyEqual>;

class OutlineRows {
public:
    static constexpr std::size_t MaxBlockRows = 512;

    // Heights: uniform rows use `uniformSpan`; otherwise each node's own.
    void setUniformSpan(double span) { uniformSpan_ = span; }
    void setVariableHeights(bool flag);
    bool variableHeights() const { return variable_; }

    std::int64_t count() const { return count_; }
    void clear();
    OutlineNode* nodeAt(std::int64_t row) const;
    // -1 when the node is not shown.
    std::int64_t rowOf(const OutlineNode* node) const;
    // Inserts `nodes` before `row` (row == count appends).
    void insert(std::int64_t row, const std::vector<OutlineNode*>& nodes);
    void erase(std::int64_t row, std::int64_t count);
    // Row geometry.
    double top(std::int64_t row) const;
    double span(std::int64_t row) const;
    double totalHeight() const;
    // The row whose span holds y (clamped to the rows).
    std::int64_t rowAtY(double y) const;
    // A shown node's height changed.
    void noteHeightChanged(OutlineNode* node, double oldSpan);

    // Test hook: row entries moved or copied by insertions and removals since the last reset.
    std::int64_t moves() const { return moves_; }
    void resetMoves() { moves_ = 0; }

private:
    double spanOf(const OutlineNode* node) const { return variable_ ? node->height : uniformSpan_; }
    void ensurePrefix() const;
    std::size_t blockOfRow(std::int64_t row) const;
    void split(std::size_t blockIndex);

    std::vector<std::unique_ptr<OutlineRowBlock>> blocks_;
    std::int64_t count_ = 0;
    double uniformSpan_ = 19;
    bool variable_ = false;
    std::int64_t moves_ = 0;
    mutable bool dirty_ = true;
    mutable std::vector<std::int64_t> startRow_;
    mutable std::vector<double> startY_;
};

} // namespace kit::detail
