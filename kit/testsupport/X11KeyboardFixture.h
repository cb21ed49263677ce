#pragma once

// Real-X11 tests: a focused kit window on the X server (Xvfb under xvfb-run, the xcb platform)
// and key strokes typed through the server's test extension on Qt's own connection, so they
// arrive as a user's keys would. Offscreen these tests skip themselves.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace kit::test {

// Whether the tests run on a real X server.
bool isRealX11();

// Turns the event loop until `done` answers YES or five seconds passed (the server answers
// asynchronously); answers `done()`.
bool turnUntil(const std::function<bool()>& done);

// Presses (true) and releases (false) keys, by virtual key code, on the X server.
void typeOnServer(const std::vector<std::pair<std::uint16_t, bool>>& strokes);

// A borderless window at (100, 50), 200 × 120 unless told, holding `content` as its content view,
// mapped, focused and with `firstResponder` (or the content) as first responder. Check `ready`
// after construction; the destructor orders the window out and resets the application.
class FocusedX11Window {
public:
    explicit FocusedX11Window(View* content, View* firstResponder = nullptr, Rect frame = MakeRect(100, 50, 200, 120));
    ~FocusedX11Window();
    FocusedX11Window(const FocusedX11Window&) = delete;
    FocusedX11Window& operator=(const FocusedX11Window&) = delete;

    Ref<Window> window;
    bool ready = false;
};

} // namespace kit::test
