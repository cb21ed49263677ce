#pragma once

// The kit's one key-binding table: a key with its modifiers maps to an action selector
// ("moveLeft:", "insertNewline:"). Window key dispatch and interpretKeyEvents both read it.

#include <cstdint>
#include <string_view>

namespace kit {

class Event;

// The action a key-down event is bound to, or an empty view when it has none (plain text).
std::string_view ActionForKeyEvent(const Event& event);
std::string_view ActionForKey(std::uint16_t keyCode, std::uint64_t modifierFlags);

} // namespace kit
