#pragma once

// Real-X11 tests: another client of the X server that plays a compositing manager by taking the
// manager's selection "_NET_WM_CM_S0" and giving it up, as one that starts and quits does.

#include <cstdint>

struct xcb_connection_t;

namespace kit::test {

class PretendCompositingManager {
public:
    PretendCompositingManager();
    ~PretendCompositingManager();
    PretendCompositingManager(const PretendCompositingManager&) = delete;
    PretendCompositingManager& operator=(const PretendCompositingManager&) = delete;

    // Takes the selection with a new window of this client.
    void start();
    // Quits: the owner's window goes away, which ends the ownership.
    void quitByDestroyingItsWindow();
    // Gives the selection up and keeps its window.
    void release();
    bool ownsSelection();
    // The depth of a window of the server (32 for one with an alpha channel).
    std::uint8_t depthOf(std::uint32_t window);

    // Connected and the selection's name known.
    bool ready = false;

private:
    void sync();

    xcb_connection_t* c_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t owner_ = 0;
    std::uint32_t selection_ = 0;
};

} // namespace kit::test
