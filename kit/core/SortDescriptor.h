#pragma once

// Sorting values by a key path with one of the comparators "compare", "caseInsensitiveCompare" or
// "localizedCaseInsensitiveCompare". Sorting is stable: ties keep their input order.

#include "kit/core/Selector.h"
#include "kit/core/Value.h"

#include <vector>

namespace kit {

class SortDescriptor {
public:
    explicit SortDescriptor(QString key, bool ascending = true, Selector comparator = Selector("compare"));
    static SortDescriptor sortDescriptorWithKeyAscending(const QString& key, bool ascending) { return SortDescriptor(key, ascending); }
    static SortDescriptor sortDescriptorWithKeyAscendingSelector(const QString& key, bool ascending, Selector s)
    {
        return SortDescriptor(key, ascending, s);
    }

    const QString& key() const { return key_; }
    bool ascending() const { return ascending_; }
    Selector selector() const { return selector_; }
    SortDescriptor reversedSortDescriptor() const { return SortDescriptor(key_, !ascending_, selector_); }

    // Nil sorts before everything else.
    ComparisonResult compareObjectToObject(const Value& a, const Value& b) const;

private:
    QString key_;
    bool ascending_;
    Selector selector_;
};

Array sortedArrayUsingDescriptors(const Array& array, const std::vector<SortDescriptor>& descriptors);

} // namespace kit
