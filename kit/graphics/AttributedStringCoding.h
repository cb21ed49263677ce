#pragma once

// Keyed archiving of attributed strings. An attributed string is a value, not an object, so it is
// archived as a dictionary under the caller's key: the text and its runs, each run with the
// attributes drawing uses (font, colour, paragraph alignment and line-break mode, shadow). Other
// attributes and the rest of a paragraph style are not kept.

#include "kit/foundation/Coder.h"
#include "kit/graphics/AttributedString.h"

#include <optional>

namespace kit {

void encodeAttributedStringForKey(Coder& coder, const AttributedString& string, const QString& key);
// Nullopt when the key is missing or nil. A value of the wrong shape fails the coder and answers
// nullopt; a run that does not fit the text is left out.
std::optional<AttributedString> decodeAttributedStringForKey(Coder& coder, const QString& key);

} // namespace kit
