#pragma once

// The kit's one key-binding table: a key with its modifiers maps to an action selector
// ("moveLeft", "insertNewline"). Window key dispatch and interpretKeyEvents both read it.

#include "kit/core/Selector.h"

#include <cstdint>

namespace kit {

class Event;

// The action a key-down event is bound to, or a null selector when it has none (plain text).
Selector ActionForKeyEvent(const Event& event);
Selector ActionForKey(std::uint16_t keyCode, std::uint64_t modifierFlags);

} // namespace kit
