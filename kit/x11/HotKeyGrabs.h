#pragma once

// The hot-key backend of this session: key grabs on the X server's root window under X11, none
// offscreen and in Wayland sessions (a root grab there only sees keys while an X window has focus).

#include "kit/appkit/HotKeyService.h"

#include <memory>

namespace kit {

// nullptr when the session cannot grab keys globally.
std::unique_ptr<HotKeyBackend> makePlatformHotKeyBackend();

// Whether the session is a Wayland one, even when the kit runs through XWayland.
bool isWaylandSession();

} // namespace kit
