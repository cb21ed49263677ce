#pragma once

// The text-storage category the form inspector finds its fields with: runs looked up by the very
// object they carry, and the first run of an attribute inside a range.

#include "kit/core/Geometry.h"
#include "kit/core/Value.h"
#include "kit/graphics/AttributedString.h"

#include <cstdint>

namespace JVLNSTextStorageExtensions {

// Walks from `start` run by run, each run the longest effective range of `name` over the whole
// text, and answers the first run whose value is `object` itself (identity: an equal copy does not
// match). {NotFound, 0} when `start` is at or past the end, when nothing matches, and for a nil
// object (which would otherwise match the first run without the attribute).
kit::Range longestRangeForAttributeWithObjectStartAtIndex(
    const kit::AttributedString& storage, const QString& name, const kit::Value& object, std::int64_t start);

// The first character of `range` carrying `name`: its effective range (the stored run) intersected
// with `range`. {NotFound, 0} when the range is empty, no character carries it, or the
// intersection is empty.
kit::Range rangeForAttributeInRange(const kit::AttributedString& storage, const QString& name, kit::Range range);

} // namespace JVLNSTextStorageExtensions
