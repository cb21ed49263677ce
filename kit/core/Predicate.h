#pragma once

// Predicates are callables over values, made by a few factories (no format parser): a key path
// equal to a value, a key path that is not nil, and their conjunction and disjunction.

#include "kit/core/Object.h"

#include <functional>

namespace kit {

class Predicate {
public:
    using Function = std::function<bool(const Value&)>;

    explicit Predicate(Function f)
        : f_(std::move(f))
    { }

    bool evaluateWithObject(const Value& object) const { return f_(object); }
    bool operator()(const Value& object) const { return f_(object); }

    // valueForKeyPath(key) isEqual value; strings compare exactly; nil matches nil only.
    static Predicate keyEquals(const QString& keyPath, const Value& value);
    // valueForKeyPath(key) is neither nil nor Null.
    static Predicate keyNotNil(const QString& keyPath);
    static Predicate and_(Predicate a, Predicate b);
    static Predicate or_(Predicate a, Predicate b);

private:
    Function f_;
};

Array filteredArrayUsingPredicate(const Array& array, const Predicate& predicate);
Set filteredSetUsingPredicate(const Set& set, const Predicate& predicate);

} // namespace kit
