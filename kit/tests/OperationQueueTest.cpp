#include "kit/foundation/OperationQueue.h"

#include "kit/foundation/Cache.h"
#include "kit/foundation/MainThread.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Thread.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <latch>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
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

struct CacheLimitCase {
    const char* name;
    std::uint64_t limit;
    std::vector<std::pair<QString, std::uint64_t>> inserts; // key, cost; a cost of 0 = look the key up
    QStringList kept;
    QStringList evicted;
    std::uint64_t totalCost;
};

class CacheCostLimitTest : public ::testing::TestWithParam<CacheLimitCase> { };

TEST_P(CacheCostLimitTest, EvictsTheLeastRecentlyUsedUnderTheLimit)
{
    const CacheLimitCase& c = GetParam();
    auto cache = make<Cache<QString, int>>();
    cache->setTotalCostLimit(c.limit);
    int value = 0;
    for (const auto& [key, cost] : c.inserts) {
        if (cost == 0)
            (void)cache->objectForKey(key);
        else
            cache->setObjectForKeyCost(++value, key, cost);
    }
    for (const QString& key : c.kept)
        EXPECT_TRUE(cache->objectForKey(key)) << key.toStdString();
    for (const QString& key : c.evicted)
        EXPECT_FALSE(cache->objectForKey(key)) << key.toStdString();
    EXPECT_EQ(cache->totalCost(), c.totalCost);
}

INSTANTIATE_TEST_SUITE_P(Cache, CacheCostLimitTest,
    ::testing::Values(CacheLimitCase { "OldestGoesFirst", 100, { { "a", 40 }, { "b", 40 }, { "c", 40 } }, { "b", "c" }, { "a" }, 80 },
        CacheLimitCase { "ALookupRefreshes", 100, { { "a", 40 }, { "b", 40 }, { "a", 0 }, { "c", 40 } }, { "a", "c" }, { "b" }, 80 },
        CacheLimitCase {
            "ReplacingChargesTheNewCost", 100, { { "a", 40 }, { "b", 40 }, { "a", 10 }, { "c", 40 } }, { "a", "b", "c" }, {}, 90 },
        CacheLimitCase {
            "SeveralGoForOneLargeEntry", 100, { { "a", 30 }, { "b", 30 }, { "c", 30 }, { "d", 80 } }, { "d" }, { "a", "b", "c" }, 80 },
        CacheLimitCase { "AnEntryOverTheLimitAloneStays", 50, { { "a", 30 }, { "b", 70 } }, { "b" }, { "a" }, 70 },
        CacheLimitCase { "NoLimitKeepsAll", 0, { { "a", 400 }, { "b", 400 } }, { "a", "b" }, {}, 800 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CacheTest, LoweringTheLimitEvictsAndRemovalReleasesCost)
{
    auto cache = make<Cache<QString, int>>();
    EXPECT_TRUE(cache->evictsObjectsWithDiscardedContent());
    cache->setEvictsObjectsWithDiscardedContent(false);
    EXPECT_FALSE(cache->evictsObjectsWithDiscardedContent());
    for (int i = 0; i < 4; ++i)
        cache->setObjectForKeyCost(i, QString::number(i), 25);
    EXPECT_EQ(cache->totalCost(), 100u);
    cache->setTotalCostLimit(50);
    EXPECT_EQ(cache->count(), 2u);
    EXPECT_TRUE(cache->objectForKey("3"));
    EXPECT_FALSE(cache->objectForKey("1"));
    cache->removeObjectForKey("3");
    EXPECT_EQ(cache->totalCost(), 25u);
    cache->removeAllObjects();
    EXPECT_EQ(cache->totalCost(), 0u);
    EXPECT_EQ(cache->count(), 0u);
}

TEST(CacheTest, LimitHoldsWhileThreadsWriteAndRead)
{
    auto cache = make<Cache<QString, int>>();
    cache->setTotalCostLimit(1000);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                cache->setObjectForKeyCost(i, QString::number(t * 1000 + i), 10);
                (void)cache->objectForKey(QString::number(t * 1000 + i / 2));
            }
        });
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(cache->totalCost(), 1000u);
    EXPECT_EQ(cache->count(), 100u);
}

} // namespace

KIT_REGISTER_CLASS(Sleeper, Object) { c.action("run", &Sleeper::run); }
