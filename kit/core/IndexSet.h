#pragma once

// Sorted sets of unique indexes, stored as ranges. Copies share their contents, so "the same set"
// (identicalTo) can be told from "an equal set" (==); a MutableIndexSet detaches before it changes.

#include "kit/core/Geometry.h"

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace kit {

class IndexSet {
public:
    IndexSet();
    explicit IndexSet(std::int64_t index);
    IndexSet(std::initializer_list<std::int64_t> indexes);

    static IndexSet indexSet() { return IndexSet(); }
    static IndexSet indexSetWithIndex(std::int64_t index) { return IndexSet(index); }
    // Raises RangeException when the range reaches NotFound.
    static IndexSet indexSetWithIndexesInRange(Range range);

    std::int64_t count() const;
    bool isEmpty() const { return d_->empty(); }
    std::int64_t firstIndex() const; // NotFound when empty
    std::int64_t lastIndex() const; // NotFound when empty
    bool containsIndex(std::int64_t index) const;
    bool containsIndexes(const IndexSet& other) const;
    bool intersectsIndexesInRange(Range range) const;
    std::int64_t indexGreaterThanIndex(std::int64_t index) const;
    std::int64_t indexLessThanIndex(std::int64_t index) const;
    std::int64_t countOfIndexesInRange(Range range) const;

    // Ascending.
    std::vector<std::int64_t> indexes() const;
    const std::vector<Range>& ranges() const { return *d_; }

    bool isEqualToIndexSet(const IndexSet& other) const { return *this == other; }
    bool identicalTo(const IndexSet& other) const { return d_ == other.d_; }
    std::size_t hash() const;
    QString description() const;

    friend bool operator==(const IndexSet& a, const IndexSet& b) { return a.d_ == b.d_ || *a.d_ == *b.d_; }

    class const_iterator {
    public:
        using value_type = std::int64_t;
        const_iterator(const std::vector<Range>* r, std::size_t range, std::int64_t offset)
            : r_(r)
            , range_(range)
            , offset_(offset)
        { }
        std::int64_t operator*() const { return (*r_)[range_].location + offset_; }
        const_iterator& operator++()
        {
            if (++offset_ >= (*r_)[range_].length) {
                ++range_;
                offset_ = 0;
            }
            return *this;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.range_ == b.range_ && a.offset_ == b.offset_; }

    private:
        const std::vector<Range>* r_;
        std::size_t range_;
        std::int64_t offset_;
    };
    const_iterator begin() const { return { d_.get(), 0, 0 }; }
    const_iterator end() const { return { d_.get(), d_->size(), 0 }; }

protected:
    std::vector<Range>& mutableRanges();

    std::shared_ptr<std::vector<Range>> d_;
};

class MutableIndexSet : public IndexSet {
public:
    using IndexSet::IndexSet;
    MutableIndexSet(const IndexSet& other)
        : IndexSet(other)
    { }

    void addIndex(std::int64_t index) { addIndexesInRange({ index, 1 }); }
    void addIndexes(const IndexSet& other);
    void addIndexesInRange(Range range);
    void removeIndex(std::int64_t index) { removeIndexesInRange({ index, 1 }); }
    void removeIndexes(const IndexSet& other);
    void removeIndexesInRange(Range range);
    void removeAllIndexes();
    // Moves every index >= index by delta (negative deltas drop the indexes they pass over).
    void shiftIndexesStartingAtIndex(std::int64_t index, std::int64_t delta);
};

} // namespace kit
