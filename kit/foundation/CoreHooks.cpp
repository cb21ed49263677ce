// What kit/foundation plugs into kit/core's hooks when the library loads. Core stands on Qt Core
// alone; these are the places where a core operation needs a service of this folder.

#include "kit/core/Clock.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/RunLoop.h"

namespace kit {

namespace {

[[maybe_unused]] const bool coreHooksSet = [] {
    // Deadlines of the run loop were measured on the old clock.
    Clock::setInstallHook([] { RunLoop::main().clockChanged(); });
    // Block observers that asked for a queue are delivered through it.
    NotificationCenter::setQueueHandOff(
        [](OperationQueue* queue, std::function<void()> delivery) { queue->addOperationWithBlock(std::move(delivery)); });
    return true;
}();

} // namespace

} // namespace kit
