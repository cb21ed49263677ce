#pragma once

// Array helpers: the elements of one class out of a mixed array (the source list), the elements
// whose value for a key matches.

#include "kit/core/Class.h"
#include "kit/core/Value.h"

namespace JVLNSArray_Extension {

// The elements that are objects of `cls` or a subclass, in order; values that are no objects never
// match.
kit::Array arrayWithObjectsOfClass(const kit::Array& array, const kit::Class& cls);

// The elements whose value for `key` (read by key-value coding) is equal to `value`, in order;
// numbers compare by value. Nil equals nothing, as a message to nil answers NO: a nil `value`
// matches no element and an element without a value for the key is never kept; Null matches
// Null. An element that does not know the key raises UndefinedKeyException, as reading the key
// anywhere else does.
kit::Array arrayFromArrayForKeyMatching(const kit::Array& array, const QString& key, const kit::Value& value);

} // namespace JVLNSArray_Extension
