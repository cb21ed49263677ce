#include "kit/foundation/OperationQueue.h"

#include "kit/core/AutoreleasePool.h"
#include "kit/core/Exception.h"
#include "kit/core/ProcessWide.h"
#include "kit/foundation/CrashLog.h"
#include "kit/foundation/MainThread.h"
#include "kit/foundation/RunLoop.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <exception>

namespace kit {

KIT_REGISTER_CLASS(OperationQueue, Object)
{
    c.property("operationCount", &OperationQueue::operationCount);
    c.property(
        "maxConcurrentOperationCount", &OperationQueue::maxConcurrentOperationCount, &OperationQueue::setMaxConcurrentOperationCount);
}

namespace {
thread_local OperationQueue* runningQueue = nullptr;

void runGuarded(Operation& op)
{
    AutoreleasePool pool;
    try {
        op.start();
    } catch (const Exception& e) {
        kit::log(QStringLiteral("*** Uncaught exception '%@' in an operation, reason: '%@'"), e.name(), e.reason());
    } catch (const std::exception& e) {
        kit::log(QStringLiteral("*** Uncaught exception in an operation: %s"), e.what());
    } catch (...) {
        kit::log(QStringLiteral("*** Unknown exception in an operation"));
    }
}
} // namespace

OperationQueue* OperationQueue::mainQueue()
{
    static ProcessWide<Ref<OperationQueue>> queue(new OperationQueue(MainTag {}), adopt);
    return queue->get();
}

OperationQueue* OperationQueue::currentQueue()
{
    if (runningQueue)
        return runningQueue;
    return isMainThread() ? mainQueue() : nullptr;
}

OperationQueue::OperationQueue()
    : maxConcurrent_(std::max(1, QThread::idealThreadCount()))
    , pool_(std::make_unique<QThreadPool>())
{
    pool_->setMaxThreadCount(maxConcurrent_);
}

OperationQueue::OperationQueue(MainTag)
    : isMain_(true)
    , maxConcurrent_(1)
{ }

OperationQueue::~OperationQueue()
{
    cancelAllOperations();
    if (pool_ && runningQueue != this)
        pool_->waitForDone();
}

void OperationQueue::addOperation(const Ref<Operation>& operation)
{
    if (!operation)
        return;
    willChangeValueForKey(QStringLiteral("operationCount"));
    int count;
    {
        std::lock_guard lock(mutex_);
        count = ++count_;
        pending_.push_back(operation);
    }
    // Observers hear of the addition before a worker can finish the operation.
    didChangeValueForKey(QStringLiteral("operationCount"));
    countChanged(count);
    if (!isMain_) {
        std::unique_lock lock(mutex_);
        startReady(lock);
    } else {
        Ref<OperationQueue> self(this);
        RunLoop::main().enqueueMainBlock([self, operation] {
            {
                std::lock_guard lock(self->mutex_);
                auto it = std::find(self->pending_.begin(), self->pending_.end(), operation);
                if (it == self->pending_.end())
                    return; // cancelled while queued; already out of the count
                self->pending_.erase(it);
            }
            runGuarded(*operation);
            self->finished();
        });
    }
}

void OperationQueue::addOperationWithBlock(std::function<void()> block)
{
    addOperation(BlockOperation::blockOperationWithBlock(std::move(block)));
}

void OperationQueue::setMaxConcurrentOperationCount(int count)
{
    std::unique_lock lock(mutex_);
    maxConcurrent_ = count > 0 ? count : std::max(1, QThread::idealThreadCount());
    if (pool_ && pool_->maxThreadCount() < maxConcurrent_)
        pool_->setMaxThreadCount(maxConcurrent_);
    startReady(lock);
}

int OperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(mutex_);
    return maxConcurrent_;
}

void OperationQueue::startReady(std::unique_lock<std::mutex>&)
{
    while (!pending_.empty() && int(running_.size()) < maxConcurrent_) {
        Ref<Operation> op = std::move(pending_.front());
        pending_.pop_front();
        running_.push_back(op);
        pool_->start([this, op] { runOnWorker(op); });
    }
}

void OperationQueue::runOnWorker(const Ref<Operation>& operation)
{
    CrashLog::prepareThread();
    OperationQueue* outer = std::exchange(runningQueue, this);
    runGuarded(*operation);
    runningQueue = outer;
    {
        std::unique_lock lock(mutex_);
        std::erase(running_, operation);
    }
    finished();
}

void OperationQueue::finished()
{
    willChangeValueForKey(QStringLiteral("operationCount"));
    int count;
    {
        std::lock_guard lock(mutex_);
        count = --count_;
        ++notifying_;
    }
    didChangeValueForKey(QStringLiteral("operationCount"));
    countChanged(count);
    // The next operation starts after this one's notifications, so a serial queue reports in order.
    if (pool_) {
        std::unique_lock lock(mutex_);
        startReady(lock);
    }
    doneNotifying();
}

void OperationQueue::doneNotifying()
{
    std::lock_guard lock(mutex_);
    if (--notifying_ == 0 && count_ == 0)
        idle_.notify_all();
}

void OperationQueue::cancelAllOperations()
{
    bool anyPending;
    {
        std::lock_guard lock(mutex_);
        anyPending = !pending_.empty();
    }
    if (anyPending)
        willChangeValueForKey(QStringLiteral("operationCount"));
    int count = -1;
    {
        std::unique_lock lock(mutex_);
        for (auto& op : running_)
            op->cancel();
        if (!pending_.empty()) {
            for (auto& op : pending_)
                op->cancel();
            count_ -= int(pending_.size());
            count = count_;
            pending_.clear();
            ++notifying_;
        }
    }
    if (anyPending)
        didChangeValueForKey(QStringLiteral("operationCount"));
    if (count >= 0) {
        countChanged(count);
        doneNotifying();
    }
}

int OperationQueue::operationCount() const
{
    std::lock_guard lock(mutex_);
    return count_;
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return count_ == 0 && notifying_ == 0; });
}

std::uint64_t OperationQueue::addOperationCountObserver(CountObserver observer) { return observers_.add(std::move(observer)); }

void OperationQueue::removeOperationCountObserver(std::uint64_t id) { observers_.remove(id); }

void OperationQueue::countChanged(int count)
{
    for (const auto& fn : observers_.snapshot())
        fn(count);
}

} // namespace kit
