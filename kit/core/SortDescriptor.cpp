#include "kit/core/SortDescriptor.h"

#include "kit/core/Exception.h"
#include "kit/core/KeyValueCoding.h"

#include <algorithm>

namespace kit {

SortDescriptor::SortDescriptor(QString key, bool ascending, Selector comparator)
    : key_(std::move(key))
    , ascending_(ascending)
    , selector_(comparator)
{
    const QString& s = selector_.name();
    if (s != QLatin1String("compare") && s != QLatin1String("caseInsensitiveCompare")
        && s != QLatin1String("localizedCaseInsensitiveCompare"))
        throw Exception(InvalidArgumentException, format(QStringLiteral("SortDescriptor: unsupported comparator %@"), s));
}

ComparisonResult SortDescriptor::compareObjectToObject(const Value& a, const Value& b) const
{
    const Value x = key_.isEmpty() ? a : valueForKeyPath(a, key_);
    const Value y = key_.isEmpty() ? b : valueForKeyPath(b, key_);
    ComparisonResult r;
    if (x.isNilOrNull() || y.isNilOrNull())
        r = x.isNilOrNull() == y.isNilOrNull() ? OrderedSame : (x.isNilOrNull() ? OrderedAscending : OrderedDescending);
    else if (x.isString() && y.isString() && selector_.name() == QLatin1String("caseInsensitiveCompare"))
        r = caseInsensitiveCompare(x.string(), y.string());
    else if (x.isString() && y.isString() && selector_.name() == QLatin1String("localizedCaseInsensitiveCompare"))
        r = localizedCaseInsensitiveCompare(x.string(), y.string());
    else
        r = x.compare(y);
    return ascending_ ? r : static_cast<ComparisonResult>(-r);
}

Array sortedArrayUsingDescriptors(const Array& array, const std::vector<SortDescriptor>& descriptors)
{
    std::vector<Value> values = array.values();
    std::stable_sort(values.begin(), values.end(), [&](const Value& a, const Value& b) {
        for (const SortDescriptor& d : descriptors) {
            const ComparisonResult r = d.compareObjectToObject(a, b);
            if (r != OrderedSame)
                return r == OrderedAscending;
        }
        return false;
    });
    return Array(std::move(values));
}

} // namespace kit
