#pragma once

// The main thread: asking whether code runs on it, and calling a function there from any thread,
// waiting for it or not.

#include <functional>

namespace kit {

// True on the application object's thread, and before there is an application object.
bool isMainThread();

// Runs `fn` on the main thread in every run-loop mode. With `wait`, returns after it ran; on the
// main thread that means running it at once.
void performOnMainThread(std::function<void()> fn, bool wait);

} // namespace kit
