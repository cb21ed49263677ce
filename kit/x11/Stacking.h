#pragma once

// The stacking order of top-level windows as the X server holds it: what the window manager made of
// clicks and raises, which the kit's own order does not see.

#include <functional>
#include <optional>
#include <vector>

namespace kit {

// `windows` (native X windows) from bottom to top by the server's stacking of their top-level
// ancestors (a window manager's frames, or the windows themselves without one); a window the
// server does not know is left out. nullopt off the xcb platform.
std::optional<std::vector<unsigned long>> stackingOnServer(const std::vector<unsigned long>& windows);

// Calls `restacked` on the main thread, after the event, when managed top-level windows (a window
// manager's frames) change place or stacking: a raise by a click on a frame reaches no client.
// Changes of unmanaged windows never call it. One watch per process; a later call replaces the
// function. Off the xcb platform nothing.
void watchStackingOnServer(std::function<void()> restacked);

// Returns once the window manager has let an unmapped window go (it is back on the root), so that
// a map as an unmanaged window cannot race the manager's withdrawal; gives up after a second, and
// logs that it did.
// Off the xcb platform, or for a window no manager holds, at once.
void waitUntilWithdrawnOnServer(unsigned long window);

} // namespace kit
