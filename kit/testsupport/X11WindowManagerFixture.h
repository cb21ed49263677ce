#pragma once

// Real-X11 tests under a window manager: openbox started on the test's X server ($DISPLAY), waited
// for until it manages the screen, and stopped by its process id. Plus what such tests ask the
// server through a connection of their own: the active window, whether a window is viewable.

#include <cstdint>
#include <functional>
#include <utility>
#include <sys/types.h>

struct xcb_connection_t;

namespace kit::test {

class WindowManagerOnServer {
public:
    WindowManagerOnServer();
    // Stops the manager if it still runs.
    ~WindowManagerOnServer();
    WindowManagerOnServer(const WindowManagerOnServer&) = delete;
    WindowManagerOnServer& operator=(const WindowManagerOnServer&) = delete;

    // Whether openbox is installed (tests skip themselves without it).
    static bool available();

    // Starts openbox and answers once it owns the screen's "WM_S0" and handles events (false if it
    // did not within five seconds, or could not start).
    bool start();
    // Ends the manager's process and waits for it; its managed windows go back to the root.
    void stop();
    bool running() const { return pid_ > 0; }

    // Asks the manager for something about a window as a pager does: a message of the given type
    // (_NET_ACTIVE_WINDOW, _NET_CLOSE_WINDOW, ...) to the root, from a client other than Qt.
    void requestFromPager(std::uint32_t window, const char* type);
    // The root's _NET_ACTIVE_WINDOW (0 when unset or none).
    std::uint32_t activeWindow();
    // Whether the window is mapped with all its ancestors (xwininfo's IsViewable).
    bool isViewable(std::uint32_t window);
    // Whether some client owns "WM_S0".
    bool screenIsManaged();
    // The window's parent on the server (the root, or the manager's frame around it).
    std::uint32_t parentOf(std::uint32_t window);
    // The top-left corner of the window's inside on the screen, top-down.
    std::pair<int, int> topLeftOnScreen(std::uint32_t window);
    // Answers once the manager has handled every event the server sent it before the call: it is
    // asked for frame extents of a window of this client and answers in order (false if it did not
    // answer within five seconds).
    bool syncWithManager();

private:
    std::uint32_t atom(const char* name);
    void sync();
    bool waitForEvent(std::uint8_t type, const std::function<bool(const void*)>& matches, int milliseconds);

    xcb_connection_t* c_ = nullptr;
    std::uint32_t root_ = 0;
    pid_t pid_ = 0;
    std::uint32_t probe_ = 0;
};

} // namespace kit::test
