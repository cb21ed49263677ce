#pragma once

// Key-value coding on any kit::Value: objects answer through their registered accessors, arrays
// fan out to their elements (Null for nil), sets likewise, dictionaries answer their entries,
// numbers their conversions. Key paths are dotted and may use the collection operators
// @count, @sum, @avg, @min, @max, @distinctUnionOfObjects and @distinctUnionOfArrays.

#include "kit/core/Object.h"

namespace kit {

Value valueForKey(const Value& target, const QString& key);
Value valueForKeyPath(const Value& target, const QString& keyPath);
// Setting through an array or set sets every element.
void setValueForKey(const Value& target, const Value& value, const QString& key);
void setValueForKeyPath(const Value& target, const Value& value, const QString& keyPath);

namespace detail {
[[noreturn]] void raiseUndefinedKey(const Object* object, const char* method, const QString& key);
}

} // namespace kit
