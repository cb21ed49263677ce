#pragma once

// The attributed-string category that turns URL-looking words into links.

#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Color.h"

namespace JVLNSMutableAttributedStringExtensions {

// Words are split at Unicode white space and line breaks (U+2028 and U+2029 too). A word holding
// "://" is taken as is, one starting with "www.", "ftp." or "gopher." gets "http://", "ftp://" or
// "gopher://" in front, one starting with "mailto:" is taken as is. A word whose text so makes a
// valid URL (strict parsing) gets LinkAttributeName (the URL string), a single underline and
// `color` as its foreground colour; other words stay as they are. Trailing punctuation stays in
// the word. Offsets are UTF-16.
void detectURLs(kit::AttributedString& string, const kit::Ref<kit::Color>& color);

} // namespace JVLNSMutableAttributedStringExtensions
