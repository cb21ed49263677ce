#pragma once

// The main thread: asking whether code runs on it, calling a function there from any thread, and
// a base for objects that must be destroyed there even when a worker drops their last reference.

#include "kit/core/Object.h"

#include <functional>

namespace kit {

bool isMainThread();

// Runs `fn` on the main thread in every run-loop mode. With `wait`, returns after it ran; on the
// main thread that means running it at once.
void performOnMainThread(std::function<void()> fn, bool wait);

// Views, windows, layers and controllers derive from this: when their last reference goes away on
// a worker thread, the deletion is posted to the main queue.
class MainThreadObject : public Object {
protected:
    void destroy() const noexcept override;
};

} // namespace kit
