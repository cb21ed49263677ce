#pragma once

// Calling a function on the main thread from any thread, waiting for it or not.

#include "kit/core/MainThread.h"

#include <functional>

namespace kit {

// Runs `fn` on the main thread in every run-loop mode. With `wait`, returns after it ran; on the
// main thread that means running it at once.
void performOnMainThread(std::function<void()> fn, bool wait);

} // namespace kit
