#pragma once

// Real-X11 tests: a focused kit window on the X server (Xvfb under xvfb-run, the xcb platform)
// and key strokes typed through the server's test extension on Qt's own connection, so they
// arrive as a user's keys would. Offscreen these tests skip themselves.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <QPoint>

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

// One pointer step on the X server: a move to a global point, a press or a release of button 1.
struct X11PointerStep {
    enum Kind { Move, Press, Release } kind;
    QPoint global;
};
void sendPointerOnServer(const X11PointerStep& step);

// Whether the window's native window is mapped and exposed on the server.
bool isExposedOnServer(const Window& window);

// Locks the keyboard's layout (XKB group) on the X server without a key, as a layout switcher
// of the desktop does.
void lockGroupOnServer(std::uint8_t group);

// Another client of the same X server holding a passive grab of a key with modifiers (X core
// modifier bits) on the root window, as a desktop's shortcut daemon holds one. Check `ready`.
class ForeignKeyGrab {
public:
    ForeignKeyGrab(std::uint16_t keyCode, std::uint16_t coreModifiers);
    ~ForeignKeyGrab();
    ForeignKeyGrab(const ForeignKeyGrab&) = delete;
    ForeignKeyGrab& operator=(const ForeignKeyGrab&) = delete;

    // Presses of the key its grab delivered so far.
    int presses();

    bool ready = false;

private:
    struct Connection;
    Connection* connection_ = nullptr;
    int presses_ = 0;
};

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
