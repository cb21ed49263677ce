#pragma once

// The stacking order of top-level windows as the X server holds it: what the window manager made of
// clicks and raises, which the kit's own order does not see.

#include <optional>
#include <vector>

namespace kit {

// `windows` (native X windows) from bottom to top by the server's stacking of their top-level
// ancestors (a window manager's frames, or the windows themselves without one); a window the
// server does not know is left out. nullopt off the xcb platform.
std::optional<std::vector<unsigned long>> stackingOnServer(const std::vector<unsigned long>& windows);

} // namespace kit
