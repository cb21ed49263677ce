#pragma once

// Handing work to the main thread from the runtime. The default posts to the application object's
// thread through Qt's queued invocation (nothing installs another poster today); work that must
// also run in nested loops and drain autorelease pools goes through kit/foundation's main queue.

#include <functional>

namespace kit {

using MainThreadPoster = std::function<void(std::function<void()>)>;

// Installs the poster (null restores the default); answers the previous one.
MainThreadPoster setMainThreadPoster(MainThreadPoster poster);

// Runs `work` later on the main thread, without waiting. Exceptions are caught and logged.
void postToMainThread(std::function<void()> work);

bool isMainThread();

} // namespace kit
