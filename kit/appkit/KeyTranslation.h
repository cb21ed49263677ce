#pragma once

// Turns the host widgets' Qt key presses and releases into the kit's key events: the key code
// from where the key sits, the modifier flags as they are after the key (Caps Lock included) and
// the characters from the kit's own keyboard state rather than from the toolkit's text.

#include "kit/appkit/Event.h"

#include <optional>

class QKeyEvent;

namespace kit {

class XkbKeyboard;
struct InputState;

// The key fields of the kit event for `event` (type, flags, key code, characters, repeat), after
// feeding the key to `keyboard` and recording flags and keys down in `input`. Nothing when the
// key makes no kit event: the releases of auto-repeat and a Caps Lock stroke that changes no
// flag. Without a keyboard, or for a key it does not have (input-method commits), Qt's text and
// modifiers stand in.
std::optional<Event::Fields> TranslateKeyEvent(const QKeyEvent& event, bool down, XkbKeyboard* keyboard, InputState& input);
// The same with the shared keyboard and input state, as the window hosts translate.
std::optional<Event::Fields> TranslateKeyEvent(const QKeyEvent& event, bool down);

} // namespace kit
