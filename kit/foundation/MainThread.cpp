#include "kit/foundation/MainThread.h"

#include "kit/foundation/RunLoop.h"

#include <condition_variable>
#include <mutex>

namespace kit {

void performOnMainThread(std::function<void()> fn, bool wait)
{
    if (wait && isMainThread()) {
        fn();
        return;
    }
    if (!wait) {
        RunLoop::main().enqueueMainBlock(std::move(fn));
        return;
    }
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    RunLoop::main().enqueueMainBlock([&] {
        // Signals even when fn throws, so the waiter never hangs.
        struct Signal {
            std::mutex& m;
            std::condition_variable& cv;
            bool& done;
            ~Signal()
            {
                std::lock_guard lock(m);
                done = true;
                cv.notify_all();
            }
        } signal { m, cv, done };
        fn();
    });
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return done; });
}

} // namespace kit
