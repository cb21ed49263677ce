#pragma once

// What the kit knows about the input devices between events: the modifier flags, the pointer
// in screen coordinates, the keys held down and the click-count bookkeeping. The host widgets
// and event scripts update it; Event's class queries and KeyIsDown read it. The keyboard's own
// modifier and lock state, from which key events take their flags, is XkbKeyboard's.

#include "kit/core/Geometry.h"

#include <cstdint>
#include <optional>
#include <set>

namespace kit {

struct InputState {
    std::uint64_t modifierFlags = 0;
    Point mouseLocation; // screen coordinates, y up
    std::uint32_t pressedButtons = 0; // bit n = button n
    std::set<std::uint16_t> keysDown; // virtual key codes
    // Set while the kit's own drag loop holds the press: a window ordered out mid-drag loses its
    // grab, which then must not end the drag with a made-up mouse-up.
    bool dragHoldsPress = false;

    // Click counting: a press of the same button close in time and place counts on.
    std::int64_t lastClickButton = -1;
    double lastClickTime = -1e9;
    Point lastClickLocation;
    std::int64_t lastClickCount = 0;
    // From the platform's style hints (tests set the interval there); the distance, which the
    // hints cannot set, can be overridden here.
    double doubleClickInterval() const; // seconds
    double doubleClickDistance() const; // points
    std::optional<double> doubleClickDistanceOverride;

    // The click count of a press at `time` and `location` (screen), and remembers it.
    std::int64_t countClick(std::int64_t button, double time, Point location);

    static InputState& shared();
    // Test-only: back to the state at startup.
    static void reset();
};

// Whether the key with this virtual code is held down right now.
bool KeyIsDown(std::uint16_t keyCode);

} // namespace kit
