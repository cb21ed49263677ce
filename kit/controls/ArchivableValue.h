#pragma once

// Whether a value can go into a keyed archive as it is: plain values, finite numbers, collections
// of archivable values and objects that adopt kit::Coding. Settings that hold any value (a menu
// item's represented object, a tab's identifier) archive it only then.

#include "kit/core/Value.h"

namespace kit::detail {

bool isArchivableValue(const Value& value);

} // namespace kit::detail
