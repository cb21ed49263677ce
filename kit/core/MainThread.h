#pragma once

// Handing work to the main thread from the runtime: by default through the main run loop's queue
// (which runs in every mode); tests may install their own poster.

#include <functional>

namespace kit {

using MainThreadPoster = std::function<void(std::function<void()>)>;

// Installs the poster (null restores the default); answers the previous one.
MainThreadPoster setMainThreadPoster(MainThreadPoster poster);

// Runs `work` later on the main thread's queue, without waiting. Exceptions are caught and logged.
void postToMainThread(std::function<void()> work);

} // namespace kit
