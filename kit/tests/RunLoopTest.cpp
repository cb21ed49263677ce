#include "kit/foundation/RunLoop.h"

#include "kit/core/AutoreleasePool.h"
#include "kit/core/Class.h"
#include "kit/core/Exception.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace kit;

namespace {

class RunLoopRecorder : public Object {
public:
    std::vector<QString> calls;
};

// A perform on `target` named `selector` whose argument is `arg`; it records "selector:arg".
PerformRequest request(RunLoopRecorder* target, const QString& selector, const QString& arg)
{
    return PerformRequest::make(
        target, selector, arg, [selector](Object& t, const QString& a) { static_cast<RunLoopRecorder&>(t).calls.push_back(selector + u':' + a); });
}

// A registered class whose actions the selector performs reach.
class Indicator : public Object {
    KIT_CLASS(Indicator)
    void start(const Value& arg) { calls.push_back("start " + arg.description()); }
    void stop() { calls.push_back("stop"); }
    std::vector<QString> calls;
};

class Mortal : public Object {
public:
    explicit Mortal(bool* alive)
        : alive_(alive)
    {
        *alive_ = true;
    }
    ~Mortal() override { *alive_ = false; }

private:
    bool* alive_;
};

struct RunLoopTest : ::testing::Test {
    test::ManualClockScope clock;
    RunLoop& loop = RunLoop::main();
    Ref<RunLoopRecorder> rec = make<RunLoopRecorder>();
};

TEST_F(RunLoopTest, ZeroDelayPerformsRunAfterTheCurrentEventInOrder)
{
    loop.performAfterDelay(request(rec.get(), "a", "1"), 0);
    loop.performAfterDelay(request(rec.get(), "b", "2"), 0);
    loop.performAfterDelay(request(rec.get(), "c", "3"), 0);
    EXPECT_TRUE(rec->calls.empty());
    loop.runPending();
    EXPECT_EQ(rec->calls, (std::vector<QString> { "a:1", "b:2", "c:3" }));
}

TEST_F(RunLoopTest, DelayedPerformWaitsForItsDate)
{
    loop.performAfterDelay(request(rec.get(), "late", ""), 0.3);
    loop.performAfterDelay(request(rec.get(), "early", ""), 0.1);
    clock.advance(0.2);
    EXPECT_EQ(rec->calls, (std::vector<QString> { "early:" }));
    clock.advance(0.1);
    EXPECT_EQ(rec->calls, (std::vector<QString> { "early:", "late:" }));
}

// Cancelling by (target, selector, argument) removes exactly the matching request.
struct CancelCase {
    const char* selector;
    const char* argument;
    bool otherTarget;
    std::vector<QString> survivors;
};

class PerformCancelTest : public RunLoopTest, public ::testing::WithParamInterface<CancelCase> { };

TEST_P(PerformCancelTest, CancelSparesOtherTriples)
{
    const CancelCase& c = GetParam();
    auto other = make<RunLoopRecorder>();
    loop.performAfterDelay(request(rec.get(), "start", "x"), 0.5);
    loop.performAfterDelay(request(rec.get(), "start", "y"), 0.5);
    loop.performAfterDelay(request(rec.get(), "stop", "x"), 0.5);
    loop.cancelPerformRequests(request(c.otherTarget ? other.get() : rec.get(), c.selector, c.argument));
    clock.advance(1);
    EXPECT_EQ(rec->calls, c.survivors);
}

INSTANTIATE_TEST_SUITE_P(Triples, PerformCancelTest,
    ::testing::Values(CancelCase { "start", "x", false, { "start:y", "stop:x" } },
        CancelCase { "start", "y", false, { "start:x", "stop:x" } }, CancelCase { "stop", "x", false, { "start:x", "start:y" } },
        CancelCase { "start", "z", false, { "start:x", "start:y", "stop:x" } },
        CancelCase { "start", "x", true, { "start:x", "start:y", "stop:x" } }));

// Performs of many targets interleave; cancelling one target's leaves the rest in date order,
// and performs that already ran are never found again by a later cancel.
TEST_F(RunLoopTest, CancellingOneTargetKeepsTheOthersInOrder)
{
    std::vector<QString> log;
    std::vector<Ref<RunLoopRecorder>> targets;
    for (int i = 0; i < 4; ++i)
        targets.push_back(make<RunLoopRecorder>());
    const auto logging = [&log](RunLoopRecorder* t, const QString& name) {
        return PerformRequest::make(t, QStringLiteral("go"), name, [&log](Object&, const QString& a) { log.push_back(a); });
    };
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 4; ++i)
            loop.performAfterDelay(logging(targets[std::size_t(i)].get(), QStringLiteral("%1.%2").arg(i).arg(round)), 0.1 * round);
    loop.cancelPerformRequests(logging(targets[1].get(), QStringLiteral("1.1")));
    RunLoop::cancelPreviousPerformRequestsWithTarget(targets[2].get());
    clock.advance(0.15);
    EXPECT_EQ(log, (std::vector<QString> { "0.0", "1.0", "3.0", "0.1", "3.1" }));
    // 0.0 ran: a new one like it is the only one a cancel can find now.
    loop.performAfterDelay(logging(targets[0].get(), QStringLiteral("0.0")), 0);
    loop.cancelPerformRequests(logging(targets[0].get(), QStringLiteral("0.0")));
    clock.advance(1);
    EXPECT_EQ(log, (std::vector<QString> { "0.0", "1.0", "3.0", "0.1", "3.1", "0.2", "1.2", "3.2" }));
}

TEST_F(RunLoopTest, CancelledPerformNeverFiresEvenWhenDue)
{
    loop.performAfterDelay(request(rec.get(), "start", ""), 0);
    loop.cancelPerformRequests(request(rec.get(), "start", ""));
    loop.runPending();
    EXPECT_TRUE(rec->calls.empty());
}

TEST_F(RunLoopTest, PendingPerformHoldsItsTargetWeakly)
{
    Weak<RunLoopRecorder> weak = rec;
    loop.performAfterDelay(request(rec.get(), "a", ""), 0.1);
    rec = nullptr;
    EXPECT_TRUE(weak.expired());
    clock.advance(1); // must not touch the dead target
}

TEST_F(RunLoopTest, PerformWaitsForOneOfItsModes)
{
    loop.performAfterDelay(request(rec.get(), "default", ""), 0.1);
    loop.performAfterDelay(request(rec.get(), "tracking", ""), 0.1, { EventTrackingRunLoopMode });
    {
        RunLoop::ModeScope tracking(EventTrackingRunLoopMode);
        clock.advance(0.5);
        EXPECT_EQ(rec->calls, (std::vector<QString> { "tracking:" }));
    }
    loop.runPending();
    EXPECT_EQ(rec->calls, (std::vector<QString> { "tracking:", "default:" }));
}

TEST_F(RunLoopTest, OrderedPerformsRunOnceInAscendingOrder)
{
    loop.performOrderModes(request(rec.get(), "b", ""), 2, { DefaultRunLoopMode });
    loop.performOrderModes(request(rec.get(), "a", ""), 1, { DefaultRunLoopMode, EventTrackingRunLoopMode });
    loop.performOrderModes(request(rec.get(), "c", ""), 1, { ModalPanelRunLoopMode });
    loop.runMode(EventTrackingRunLoopMode);
    EXPECT_EQ(rec->calls, (std::vector<QString> { "a:" }));
    loop.runPending();
    loop.runPending();
    EXPECT_EQ(rec->calls, (std::vector<QString> { "a:", "b:" }));
    loop.cancelPerformRequests(request(rec.get(), "c", ""));
    loop.runMode(ModalPanelRunLoopMode);
    EXPECT_EQ(rec->calls.size(), 2u);
}

TEST_F(RunLoopTest, SelectorPerformsCancelByIsEqualArgument)
{
    auto indicator = make<Indicator>();
    RunLoop::performSelectorWithObjectAfterDelay(indicator.get(), "start", Value(1), 0.5);
    RunLoop::performSelectorWithObjectAfterDelay(indicator.get(), "start", Value("x"), 0.5);
    RunLoop::performSelectorWithObjectAfterDelay(indicator.get(), "stop", Value(), 0.5);
    // 1.0 is equal to 1: the numeric start is cancelled, the others stay.
    RunLoop::cancelPreviousPerformRequestsWithTargetSelectorObject(indicator.get(), "start", Value(1.0));
    clock.advance(0.5);
    EXPECT_EQ(indicator->calls, (std::vector<QString> { "start x", "stop" }));
    RunLoop::performSelectorWithObjectAfterDelay(indicator.get(), "stop", Value(), 0.1);
    RunLoop::cancelPreviousPerformRequestsWithTarget(indicator.get());
    clock.advance(1);
    EXPECT_EQ(indicator->calls.size(), 2u);
}

TEST_F(RunLoopTest, EachCalloutDrainsItsAutoreleasePool)
{
    bool alive = false;
    bool aliveInSecond = true;
    loop.performAfterDelay(PerformRequest::make(rec.get(), "first", 0, [&](Object&, int) { autorelease(make<Mortal>(&alive)); }), 0);
    loop.performAfterDelay(PerformRequest::make(rec.get(), "second", 0, [&](Object&, int) { aliveInSecond = alive; }), 0);
    loop.runPending();
    EXPECT_FALSE(aliveInSecond);
}

TEST_F(RunLoopTest, DelayedPerformsFromWorkersAreAnAssertionFailure)
{
    bool raised = false;
    std::thread([&] {
        try {
            loop.performAfterDelay(request(rec.get(), "a", ""), 0);
        } catch (const Exception& e) {
            raised = e.name() == InternalInconsistencyException;
        }
    }).join();
    EXPECT_TRUE(raised);
    loop.runPending();
    EXPECT_TRUE(rec->calls.empty());
}

TEST_F(RunLoopTest, MainQueueIsFifoAcrossThreads)
{
    constexpr int threads = 4, perThread = 50;
    std::vector<std::vector<int>> seen(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                loop.enqueueMainBlock([&, t, i] { seen[t].push_back(i); });
        });
    for (auto& w : workers)
        w.join();
    loop.runPending();
    for (int t = 0; t < threads; ++t) {
        ASSERT_EQ(seen[t].size(), std::size_t(perThread));
        for (int i = 0; i < perThread; ++i)
            EXPECT_EQ(seen[t][i], i);
    }
}

TEST_F(RunLoopTest, MainQueueRunsInEveryModeButNeverNested)
{
    std::vector<QString> log;
    loop.enqueueMainBlock([&] {
        log.push_back("outer begins");
        // A nested loop inside a block must not run the next block.
        loop.runMode(ModalPanelRunLoopMode);
        log.push_back("outer ends");
    });
    loop.enqueueMainBlock([&] {
        log.push_back("second");
        loop.enqueueMainBlock([&] { log.push_back("added by second"); });
    });
    loop.runMode(EventTrackingRunLoopMode);
    EXPECT_EQ(log, (std::vector<QString> { "outer begins", "outer ends", "second" }));
    loop.runMode(ModalPanelRunLoopMode);
    EXPECT_EQ(log.back(), "added by second");
}

TEST_F(RunLoopTest, ObserversRunAtTheEndOfEachPassInRegistrationOrder)
{
    std::vector<QString> log;
    auto first = loop.addObserver([&] { log.push_back("first"); });
    loop.addObserver([&] { log.push_back("second"); });
    loop.performAfterDelay(PerformRequest::make(rec.get(), "p", 0, [&](Object&, int) { log.push_back("perform"); }), 0);
    loop.runPending();
    EXPECT_EQ(log, (std::vector<QString> { "perform", "first", "second" }));
    loop.removeObserver(first);
    log.clear();
    loop.runMode(EventTrackingRunLoopMode);
    EXPECT_EQ(log, (std::vector<QString> { "second" }));
}

TEST_F(RunLoopTest, ExceptionsInCalloutsStayInside)
{
    loop.performAfterDelay(PerformRequest::make(rec.get(), "throws", 0, [](Object&, int) -> void { throw std::runtime_error("boom"); }), 0);
    loop.performAfterDelay(request(rec.get(), "after", ""), 0);
    loop.runPending();
    EXPECT_EQ(rec->calls, (std::vector<QString> { "after:" }));
}

} // namespace

KIT_REGISTER_CLASS(Indicator, Object)
{
    c.action("start", &Indicator::start);
    c.action("stop", &Indicator::stop);
}
