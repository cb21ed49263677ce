#pragma once

// Runs operations on worker threads (a QThreadPool per queue) up to a maximum concurrency, or on
// the main thread for the main queue, whose blocks run in every run-loop mode, first in first out,
// never inside one another. The operation count is observable; it falls to zero only after the
// last body returned.

#include "kit/core/CallbackList.h"
#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/foundation/Operation.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QThreadPool;

namespace kit {

class OperationQueue : public Object {
    KIT_CLASS(OperationQueue)

    // The queue of the main thread.
    static OperationQueue* mainQueue();
    // The queue running the calling code: the main queue on the main thread, the worker's queue
    // inside an operation, nullptr on other threads.
    static OperationQueue* currentQueue();

    OperationQueue();
    ~OperationQueue() override;

    void addOperation(const Ref<Operation>& operation);
    void addOperationWithBlock(std::function<void()> block);

    // 1 makes a serial queue (first in, first out); the default is the pool's width.
    void setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;

    // Pending operations never run and leave the count at once; running ones see isCancelled.
    void cancelAllOperations();
    int operationCount() const;
    // Returns once the count is 0 and every observer told of a finish has returned (so what they
    // use may go), never from inside one of them.
    void waitUntilAllOperationsAreFinished();

    // "operationCount" is observable by key-value observing, delivered on the thread that changed it
    // (the adding thread on add, the worker on finish). These plain observers get the new count there too.
    using CountObserver = std::function<void(int)>;
    std::uint64_t addOperationCountObserver(CountObserver observer);
    void removeOperationCountObserver(std::uint64_t id);

private:
    struct MainTag { };
    explicit OperationQueue(MainTag);

    void startReady(std::unique_lock<std::mutex>& lock);
    void runOnWorker(const Ref<Operation>& operation);
    void finished();
    // Changes the count by `delta` between the key-value will/did notifications.
    void changeCount(int delta);
    void countChanged(int count);
    // A finish's observers have returned: wakes the waiters when nothing is left.
    void doneNotifying();

    const bool isMain_ = false;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<Ref<Operation>> pending_;
    std::vector<Ref<Operation>> running_;
    int count_ = 0;
    int notifying_ = 0; // finishes whose observers are still being told
    int maxConcurrent_;
    std::unique_ptr<QThreadPool> pool_;

    CallbackList<void(int)> observers_;
};

} // namespace kit
