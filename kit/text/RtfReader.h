#pragma once

// Our reader for a subset of RTF: groups, \rtf1, \ansi, \ansicpg1252, \'hh (code page 1252), \uN
// with \ucN skipping, \par, \line (U+2028), \tab, \b, \i, \ul/\ulnone, \fsN (half-points), \cfN
// with \colortbl, \fonttbl (names only). {\*...} and unknown destinations are skipped, unknown
// control words ignored. Nesting and numbers are bounded; malformed input gives an error, never a
// crash. Document attributes are ignored.

#include "kit/core/Object.h"
#include "kit/graphics/AttributedString.h"

#include <QByteArray>

#include <optional>

namespace kit {

class Error;

// The text, or nothing with `error` set.
std::optional<AttributedString> ReadRtf(const QByteArray& data, Ref<Error>* error = nullptr);

} // namespace kit
