#include "kit/core/Predicate.h"

#include "kit/core/KeyValueCoding.h"

namespace kit {

Predicate Predicate::keyEquals(const QString& keyPath, const Value& value)
{
    return Predicate([keyPath, value](const Value& object) {
        const Value v = valueForKeyPath(object, keyPath);
        if (value.isNil())
            return v.isNil();
        return v.isEqual(value);
    });
}

Predicate Predicate::keyNotNil(const QString& keyPath)
{
    return Predicate([keyPath](const Value& object) { return !valueForKeyPath(object, keyPath).isNilOrNull(); });
}

Predicate Predicate::and_(Predicate a, Predicate b)
{
    return Predicate([a = std::move(a), b = std::move(b)](const Value& o) { return a(o) && b(o); });
}

Predicate Predicate::or_(Predicate a, Predicate b)
{
    return Predicate([a = std::move(a), b = std::move(b)](const Value& o) { return a(o) || b(o); });
}

Array filteredArrayUsingPredicate(const Array& array, const Predicate& predicate)
{
    std::vector<Value> out;
    for (const Value& v : array)
        if (predicate(v))
            out.push_back(v);
    return Array(std::move(out));
}

Set filteredSetUsingPredicate(const Set& set, const Predicate& predicate)
{
    Set out;
    for (const Value& v : set)
        if (predicate(v))
            out.addObject(v);
    return out;
}

} // namespace kit
