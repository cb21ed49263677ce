#pragma once

// Array helpers of the source list: the elements of one class out of a mixed array.

#include "kit/core/Class.h"
#include "kit/core/Value.h"

namespace JVLNSArray_Extension {

// The elements that are objects of `cls` or a subclass, in order; values that are no objects never
// match.
kit::Array arrayWithObjectsOfClass(const kit::Array& array, const kit::Class& cls);

} // namespace JVLNSArray_Extension
