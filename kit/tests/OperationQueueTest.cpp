#include "kit/foundation/OperationQueue.h"

#include "kit/foundation/Cache.h"
#include "kit/foundation/MainThread.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Thread.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <mutex>
#include <thread>
#include <vector>

using namespace kit;

namespace {

struct OperationQueueTest : ::testing::Test {
    test::ManualClockScope clock;
};

// Spins until `flag` is set: a gate that holds a worker without sleeping.
void waitFor(const std::atomic<bool>& flag)
{
    while (!flag.load())
        std::this_thread::yield();
}

TEST_F(OperationQueueTest, SerialQueueRunsOneAtATimeInOrder)
{
    auto queue = make<OperationQueue>();
    queue->setMaxConcurrentOperationCount(1);
    std::atomic<int> inside { 0 }, maxInside { 0 };
    std::mutex m;
    std::vector<int> order;
    for (int i = 0; i < 20; ++i)
        queue->addOperationWithBlock([&, i] {
            const int now = ++inside;
            maxInside = std::max(maxInside.load(), now);
            {
                std::lock_guard lock(m);
                order.push_back(i);
            }
            std::this_thread::yield();
            --inside;
        });
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(maxInside.load(), 1);
    ASSERT_EQ(order.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(order[i], i);
}

TEST_F(OperationQueueTest, CountFallsToZeroOnceAfterTheLastBody)
{
    auto queue = make<OperationQueue>();
    std::atomic<bool> go { false };
    std::atomic<int> bodiesDone { 0 };
    std::mutex m;
    std::vector<std::pair<int, int>> seen; // (count, bodies done when observed)
    queue->addOperationCountObserver([&](int count) {
        std::lock_guard lock(m);
        seen.emplace_back(count, bodiesDone.load());
    });
    for (int i = 0; i < 8; ++i)
        queue->addOperationWithBlock([&] {
            waitFor(go);
            ++bodiesDone;
        });
    EXPECT_EQ(queue->operationCount(), 8);
    go = true;
    queue->waitUntilAllOperationsAreFinished();
    std::lock_guard lock(m);
    int zeros = 0;
    for (auto [count, done] : seen)
        if (count == 0) {
            ++zeros;
            EXPECT_EQ(done, 8);
        }
    EXPECT_EQ(zeros, 1);
    EXPECT_EQ(seen.size(), 16u);
}

TEST_F(OperationQueueTest, OperationCountIsKeyValueObservable)
{
    auto queue = make<OperationQueue>();
    queue->setMaxConcurrentOperationCount(1);
    auto recorder = make<test::KeyValueRecorder>();
    queue->addObserverForKeyPathOptionsContext(recorder.get(), "operationCount", KeyValueObservingOptionNew, nullptr);
    std::atomic<bool> go { false };
    for (int i = 0; i < 3; ++i)
        queue->addOperationWithBlock([&] { waitFor(go); });
    go = true;
    queue->waitUntilAllOperationsAreFinished();
    std::vector<std::int64_t> counts;
    for (const auto& r : recorder->records)
        counts.push_back(r.change.newValue.integerValue());
    EXPECT_EQ(counts, (std::vector<std::int64_t> { 1, 2, 3, 2, 1, 0 }));
    queue->removeObserverForKeyPath(recorder.get(), "operationCount");
}

TEST_F(OperationQueueTest, CancelDropsPendingAndFlagsRunning)
{
    auto queue = make<OperationQueue>();
    queue->setMaxConcurrentOperationCount(1);
    std::atomic<bool> started { false };
    std::atomic<bool> sawCancel { false };
    std::atomic<bool> release { false };
    auto first = make<BlockOperation>();
    first->addExecutionBlock([&, op = first.get()] {
        started = true;
        while (!op->isCancelled())
            std::this_thread::yield();
        sawCancel = true;
        // Stays running until the count has been read.
        waitFor(release);
    });
    std::atomic<int> laterRan { 0 };
    queue->addOperation(first);
    for (int i = 0; i < 5; ++i)
        queue->addOperationWithBlock([&] { ++laterRan; });
    waitFor(started);
    queue->cancelAllOperations();
    EXPECT_EQ(queue->operationCount(), 1);
    release = true;
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(sawCancel.load());
    EXPECT_EQ(laterRan.load(), 0);
    EXPECT_TRUE(first->isFinished());
}

TEST_F(OperationQueueTest, DestructionCancelsPendingAndWaitsForRunning)
{
    std::atomic<bool> started { false }, runningFinished { false };
    std::atomic<int> pendingRan { 0 };
    {
        auto queue = make<OperationQueue>();
        queue->setMaxConcurrentOperationCount(1);
        auto op = make<BlockOperation>();
        op->addExecutionBlock([&, op = op.get()] {
            started = true;
            while (!op->isCancelled())
                std::this_thread::yield();
            runningFinished = true;
        });
        queue->addOperation(op);
        queue->addOperationWithBlock([&] { ++pendingRan; });
        waitFor(started);
    }
    EXPECT_TRUE(runningFinished.load());
    EXPECT_EQ(pendingRan.load(), 0);
}

TEST_F(OperationQueueTest, CurrentQueueByThreadKind)
{
    EXPECT_EQ(OperationQueue::currentQueue(), OperationQueue::mainQueue());
    auto queue = make<OperationQueue>();
    std::atomic<OperationQueue*> inside { nullptr };
    queue->addOperationWithBlock([&] { inside = OperationQueue::currentQueue(); });
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(inside.load(), queue.get());
    std::atomic<OperationQueue*> plain { queue.get() };
    std::thread([&] { plain = OperationQueue::currentQueue(); }).join();
    EXPECT_EQ(plain.load(), nullptr);
}

TEST_F(OperationQueueTest, MainQueueTakesBlocksFromWorkersAndCanCancelThem)
{
    auto* main = OperationQueue::mainQueue();
    std::atomic<bool> ranOnMain { false };
    std::thread([&] { main->addOperationWithBlock([&] { ranOnMain = isMainThread(); }); }).join();
    EXPECT_EQ(main->operationCount(), 1);
    RunLoop::main().runPending();
    EXPECT_TRUE(ranOnMain.load());
    EXPECT_EQ(main->operationCount(), 0);

    bool cancelledRan = false;
    main->addOperationWithBlock([&] { cancelledRan = true; });
    main->cancelAllOperations();
    EXPECT_EQ(main->operationCount(), 0);
    RunLoop::main().runPending();
    EXPECT_FALSE(cancelledRan);
}

TEST_F(OperationQueueTest, PerformOnMainThreadWaitsFromAWorkerAndRunsInlineOnMain)
{
    bool inline_ = false;
    performOnMainThread([&] { inline_ = true; }, true);
    EXPECT_TRUE(inline_);
    std::atomic<bool> workerDone { false };
    bool ran = false;
    std::thread worker([&] {
        performOnMainThread([&] { ran = isMainThread(); }, true);
        workerDone = true;
    });
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_TRUE(ran);
}

class Holder : public Object {
public:
    void take(int value) { got = value; }
    int got = 0;
};

TEST_F(OperationQueueTest, InvocationOperationKeepsItsTargetUntilRun)
{
    auto queue = make<OperationQueue>();
    queue->setMaxConcurrentOperationCount(1);
    std::atomic<bool> go { false };
    queue->addOperationWithBlock([&] { waitFor(go); });
    auto target = make<Holder>();
    Holder* raw = target.get();
    Weak<Holder> weak = target;
    queue->addOperation(InvocationOperation::initWithTargetSelectorObject(raw, &Holder::take, 7));
    target = nullptr;
    EXPECT_FALSE(weak.expired());
    std::atomic<int> seen { 0 };
    queue->addOperationWithBlock([&] {
        if (auto t = weak.lock())
            seen = t->got;
    });
    go = true;
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(seen.load(), 0); // the invocation released its target once it ran
}

class Sleeper : public Object {
    KIT_CLASS(Sleeper)
    void run(int)
    {
        Thread::sleepForTimeInterval(100);
        woke = true;
    }
    std::atomic<bool> woke { false };
};

TEST_F(OperationQueueTest, CancelWakesASleepingThreadWithoutTimePassing)
{
    auto sleeper = make<Sleeper>();
    auto thread = Thread::initWithTargetSelectorObject(sleeper.get(), &Sleeper::run, 0);
    thread->start();
    while (clock.clock().sleeperCount() == 0)
        std::this_thread::yield();
    const double before = Clock::currentNow();
    thread->cancel();
    thread->join();
    EXPECT_TRUE(thread->isCancelled());
    EXPECT_TRUE(thread->isFinished());
    EXPECT_TRUE(sleeper->woke.load());
    EXPECT_EQ(Clock::currentNow(), before);
}

TEST_F(OperationQueueTest, ThreadRunsARegisteredActionByName)
{
    auto sleeper = make<Sleeper>();
    auto thread = Thread::initWithTargetSelectorObject(sleeper.get(), Selector("run"), Value(0));
    thread->start();
    while (clock.clock().sleeperCount() == 0)
        std::this_thread::yield();
    clock.advance(100);
    thread->join();
    EXPECT_TRUE(sleeper->woke.load());
    EXPECT_FALSE(thread->isCancelled());
}

TEST_F(OperationQueueTest, DroppingARunningThreadCancelsAndJoinsIt)
{
    auto sleeper = make<Sleeper>();
    {
        auto thread = Thread::initWithTargetSelectorObject(sleeper.get(), &Sleeper::run, 0);
        thread->start();
        while (clock.clock().sleeperCount() == 0)
            std::this_thread::yield();
    }
    EXPECT_TRUE(sleeper->woke.load());
    EXPECT_EQ(sleeper->retainCount(), 1);
}

TEST(CacheTest, SharedBetweenThreads)
{
    auto cache = make<Cache<QString, int>>();
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i)
                cache->setObjectForKey(i, QString::number(t * 1000 + i));
        });
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(cache->count(), 400u);
    EXPECT_EQ(cache->objectForKey("3099"), 99);
    cache->removeObjectForKey("3099");
    EXPECT_FALSE(cache->objectForKey("3099"));
}

} // namespace

KIT_REGISTER_CLASS(Sleeper, Object) { c.action("run", &Sleeper::run); }
