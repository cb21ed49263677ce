#pragma once

// The pointer as the X server holds it now: where it is and which buttons are down. Qt's own idea
// of the buttons goes stale when a press ends where none of its windows hears it (its window
// hidden mid-press, the release on another client's window).

#include <QPoint>

#include <optional>

namespace kit {

struct ServerPointer {
    QPoint global; // in the server's pixels, top-down
    bool leftHeld = false;
    bool anyButtonHeld = false;
};

// nullopt off the xcb platform, or when the server does not answer.
std::optional<ServerPointer> serverPointer();

} // namespace kit
