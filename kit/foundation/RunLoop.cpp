#include "kit/foundation/RunLoop.h"

#include "kit/core/AutoreleasePool.h"
#include "kit/core/CallbackList.h"
#include "kit/core/Exception.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/MainThread.h"
#include "kit/foundation/Timer.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <exception>
#include <mutex>
#include <set>
#include <unordered_map>

namespace kit {

bool PerformRequest::matches(const PerformRequest& other) const
{
    if (target.unsafeRaw() != other.target.unsafeRaw() || selector != other.selector || argumentType != other.argumentType)
        return false;
    if (!argument || !other.argument)
        return argument == other.argument;
    return argumentEqual(argument.get(), other.argument.get());
}

PerformRequest PerformRequest::withSelector(Object* target, Selector selector, const Value& argument)
{
    return make(target, selector.name(), argument, [selector](Object& t, const Value& arg) { t.performSelectorWithObject(selector, arg); });
}

void RunLoop::performSelectorWithObjectAfterDelay(Object* target, Selector selector, const Value& argument, double delay)
{
    main().performAfterDelay(PerformRequest::withSelector(target, selector, argument), delay);
}

void RunLoop::performSelectorWithObjectAfterDelayInModes(
    Object* target, Selector selector, const Value& argument, double delay, const QStringList& modes)
{
    main().performAfterDelay(PerformRequest::withSelector(target, selector, argument), delay, modes);
}

void RunLoop::cancelPreviousPerformRequestsWithTargetSelectorObject(Object* target, Selector selector, const Value& argument)
{
    main().cancelPerformRequests(PerformRequest::withSelector(target, selector, argument));
}

void RunLoop::cancelPreviousPerformRequestsWithTarget(Object* target) { main().cancelPerformRequestsWithTarget(target); }

void RunLoop::performSelectorTargetArgumentOrderModes(
    Selector selector, Object* target, const Value& argument, int order, const QStringList& modes)
{
    performOrderModes(PerformRequest::withSelector(target, selector, argument), order, modes);
}

void RunLoop::cancelPerformSelectorTargetArgument(Selector selector, Object* target, const Value& argument)
{
    cancelPerformRequests(PerformRequest::withSelector(target, selector, argument));
}

namespace {

QStringList expandModes(const QStringList& modes)
{
    QStringList out;
    auto add = [&](const RunLoopMode& m) {
        if (!out.contains(m))
            out << m;
    };
    if (modes.isEmpty())
        add(DefaultRunLoopMode);
    for (const auto& m : modes) {
        if (m == RunLoopCommonModes) {
            add(DefaultRunLoopMode);
            add(EventTrackingRunLoopMode);
            add(ModalPanelRunLoopMode);
        } else {
            add(m);
        }
    }
    return out;
}

// Component code runs from here, each call in its own autorelease pool; nothing it throws may
// reach Qt's event loop.
template <class F> void callout(F&& f)
{
    AutoreleasePool pool;
    try {
        f();
    } catch (const Exception& e) {
        kit::log(QStringLiteral("*** Uncaught exception '%@' in the run loop, reason: '%@'"), e.name(), e.reason());
    } catch (const std::exception& e) {
        kit::log(QStringLiteral("*** Uncaught exception in the run loop: %s"), e.what());
    } catch (...) {
        kit::log(QStringLiteral("*** Unknown exception in the run loop"));
    }
}

struct Entry {
    double fireTime = 0;
    std::uint64_t seq = 0;
    QStringList modes;
    Ref<Timer> timer;
    PerformRequest perform;
    int order = 0;
    bool removed = false;
};
using EntryPtr = std::shared_ptr<Entry>;

struct ByTime {
    bool operator()(const EntryPtr& a, const EntryPtr& b) const
    {
        return a->fireTime != b->fireTime ? a->fireTime < b->fireTime : a->seq < b->seq;
    }
};

} // namespace

struct RunLoop::Private {
    // Children of the application object, so they go with it; the loop itself lives until exit.
    QPointer<QObject> driver;
    QPointer<QTimer> timer;

    QStringList modeStack;
    std::set<EntryPtr, ByTime> heap;
    std::unordered_map<const Timer*, EntryPtr> timerEntries;
    // Delayed performs by target, so cancelling one target's never walks everyone's.
    std::unordered_multimap<const Object*, EntryPtr> performsByTarget;
    std::vector<EntryPtr> ordered;
    std::uint64_t seq = 0;

    mutable std::mutex queueMutex;
    std::deque<std::function<void()>> mainQueue;
    bool drainingMainQueue = false;
    std::atomic<bool> wakePosted { false };

    CallbackList<void()> observers;
    int passDepth = 0;

    QString mode() const { return modeStack.isEmpty() ? DefaultRunLoopMode : modeStack.back(); }
    bool eligible(const Entry& e) const { return e.modes.contains(mode()); }

    void insert(const EntryPtr& e)
    {
        e->seq = ++seq;
        heap.insert(e);
    }
    void erase(const EntryPtr& e)
    {
        e->removed = true;
        heap.erase(e);
    }
    void indexPerform(const EntryPtr& e) { performsByTarget.emplace(e->perform.target.unsafeRaw(), e); }
    void unindexPerform(const EntryPtr& e)
    {
        auto [first, last] = performsByTarget.equal_range(e->perform.target.unsafeRaw());
        for (auto it = first; it != last; ++it)
            if (it->second == e) {
                performsByTarget.erase(it);
                return;
            }
    }
    // Removes the delayed performs of `target` that `match` accepts, keeping the others' order.
    template <class Match> void cancelPerformsOf(const Object* target, Match match)
    {
        auto [first, last] = performsByTarget.equal_range(target);
        for (auto it = first; it != last;) {
            if (match(*it->second)) {
                erase(it->second);
                it = performsByTarget.erase(it);
            } else {
                ++it;
            }
        }
    }

    bool hasWorkNow() const
    {
        {
            std::lock_guard lock(queueMutex);
            if (!mainQueue.empty() && !drainingMainQueue)
                return true;
        }
        return std::any_of(ordered.begin(), ordered.end(), [&](const EntryPtr& e) { return eligible(*e); });
    }
};

RunLoop& RunLoop::main()
{
    // Never destroyed: worker threads (a spinner's, a sound's) may still post to it while the
    // process runs its exit handlers.
    static RunLoop* const loop = new RunLoop;
    return *loop;
}

RunLoop::RunLoop()
    : d(std::make_unique<Private>())
{
    d->driver = new QObject;
    d->timer = new QTimer(d->driver.data());
    d->timer->setSingleShot(true);
    d->timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(d->timer, &QTimer::timeout, d->driver, [this] { pass(); });
    if (auto* app = QCoreApplication::instance()) {
        if (d->driver->thread() != app->thread())
            d->driver->moveToThread(app->thread());
        else
            d->driver->setParent(app);
    }
}

RunLoop::~RunLoop() = default;

RunLoopMode RunLoop::currentMode() const { return d->mode(); }

RunLoop::ModeScope::ModeScope(RunLoopMode mode)
{
    RunLoop& loop = RunLoop::main();
    loop.d->modeStack.push_back(std::move(mode));
    loop.clockChanged();
}

RunLoop::ModeScope::~ModeScope()
{
    RunLoop& loop = RunLoop::main();
    if (!loop.d->modeStack.isEmpty())
        loop.d->modeStack.pop_back();
    loop.clockChanged();
}

void RunLoop::addTimerForMode(const Ref<Timer>& timer, const RunLoopMode& mode)
{
    KIT_ASSERT(isMainThread(), "The run loop is used from the main thread only");
    if (!timer || !timer->isValid())
        return;
    auto it = d->timerEntries.find(timer.get());
    if (it != d->timerEntries.end()) {
        for (const auto& m : expandModes({ mode }))
            if (!it->second->modes.contains(m))
                it->second->modes << m;
    } else {
        auto e = std::make_shared<Entry>();
        e->fireTime = timer->fireTime_;
        e->modes = expandModes({ mode });
        e->timer = timer;
        d->timerEntries.emplace(timer.get(), e);
        d->insert(e);
    }
    clockChanged();
}

void RunLoop::removeTimer(Timer* timer)
{
    auto it = d->timerEntries.find(timer);
    if (it == d->timerEntries.end())
        return;
    EntryPtr e = it->second;
    d->timerEntries.erase(it);
    d->erase(e);
    // The entry's reference may be the timer's last; let it go after the caller returned.
    Ref<Timer> keep = std::move(e->timer);
    clockChanged();
}

void RunLoop::rescheduleTimer(Timer* timer)
{
    auto it = d->timerEntries.find(timer);
    if (it == d->timerEntries.end())
        return;
    EntryPtr e = it->second;
    d->heap.erase(e);
    e->fireTime = timer->fireTime_;
    d->insert(e);
    clockChanged();
}

void RunLoop::performAfterDelay(PerformRequest request, double delay, const QStringList& modes)
{
    KIT_ASSERT(isMainThread(), "The run loop is used from the main thread only");
    auto e = std::make_shared<Entry>();
    e->fireTime = Clock::current().monotonic() + std::max(0.0, delay);
    e->modes = expandModes(modes);
    e->perform = std::move(request);
    d->insert(e);
    d->indexPerform(e);
    clockChanged();
}

void RunLoop::performOrderModes(PerformRequest request, int order, const QStringList& modes)
{
    KIT_ASSERT(isMainThread(), "The run loop is used from the main thread only");
    auto e = std::make_shared<Entry>();
    e->modes = expandModes(modes);
    e->perform = std::move(request);
    e->order = order;
    e->seq = ++d->seq;
    d->ordered.push_back(e);
    clockChanged();
}

void RunLoop::cancelPerformRequests(const PerformRequest& request)
{
    KIT_ASSERT(isMainThread(), "The run loop is used from the main thread only");
    d->cancelPerformsOf(request.target.unsafeRaw(), [&](const Entry& e) { return e.perform.matches(request); });
    std::erase_if(d->ordered, [&](const EntryPtr& e) {
        const bool match = e->perform.matches(request);
        e->removed = e->removed || match;
        return match;
    });
    clockChanged();
}

void RunLoop::cancelPerformRequestsWithTarget(const Object* target)
{
    KIT_ASSERT(isMainThread(), "The run loop is used from the main thread only");
    d->cancelPerformsOf(target, [](const Entry&) { return true; });
    std::erase_if(d->ordered, [&](const EntryPtr& e) {
        const bool match = e->perform.target.unsafeRaw() == target;
        e->removed = e->removed || match;
        return match;
    });
    clockChanged();
}

void RunLoop::enqueueMainBlock(std::function<void()> block)
{
    {
        std::lock_guard lock(d->queueMutex);
        d->mainQueue.push_back(std::move(block));
    }
    if (!d->wakePosted.exchange(true))
        QMetaObject::invokeMethod(
            d->driver.data(),
            [this] {
                d->wakePosted = false;
                pass();
            },
            Qt::QueuedConnection);
}

std::size_t RunLoop::pendingMainBlockCount() const
{
    std::lock_guard lock(d->queueMutex);
    return d->mainQueue.size();
}

RunLoop::ObserverId RunLoop::addObserver(std::function<void()> observer)
{
    KIT_ASSERT(isMainThread(), "The run loop is used from the main thread only");
    return d->observers.add(std::move(observer));
}

void RunLoop::removeObserver(ObserverId id) { d->observers.remove(id); }

std::optional<double> RunLoop::nextEligibleFireTime() const
{
    for (const auto& e : d->heap)
        if (d->eligible(*e))
            return e->fireTime;
    return std::nullopt;
}

void RunLoop::runDue()
{
    const double now = Clock::current().monotonic();
    std::vector<EntryPtr> due;
    for (const auto& e : d->heap) {
        if (e->fireTime > now)
            break;
        if (d->eligible(*e))
            due.push_back(e);
    }
    for (const auto& e : due) {
        if (e->removed)
            continue; // cancelled or invalidated by an earlier callout of this pass
        if (Ref<Timer> timer = e->timer) {
            d->heap.erase(e);
            if (timer->repeats_) {
                // Next multiple of the interval after now: a late timer fires once, never in a burst.
                const double interval = timer->interval_;
                double next = e->fireTime + interval;
                if (next <= now)
                    next = e->fireTime + interval * (std::floor((now - e->fireTime) / interval) + 1);
                timer->fireTime_ = next;
                e->fireTime = next;
                d->insert(e);
            } else {
                d->timerEntries.erase(timer.get());
                e->removed = true;
                e->timer = nullptr;
            }
            callout([&] { timer->fireFromLoop(); });
        } else {
            d->erase(e);
            d->unindexPerform(e);
            if (Ref<Object> target = e->perform.target.lock())
                callout([&] { e->perform.invoke(*target); });
        }
    }
    clockChanged();
}

void RunLoop::pass()
{
    ++d->passDepth;
    // Main queue: what was queued when the pass began, one block at a time; never inside another
    // block, so a block that spins a nested loop does not see the next one run inside it.
    if (!d->drainingMainQueue) {
        std::size_t n;
        {
            std::lock_guard lock(d->queueMutex);
            n = d->mainQueue.size();
        }
        d->drainingMainQueue = true;
        for (std::size_t i = 0; i < n; ++i) {
            std::function<void()> block;
            {
                std::lock_guard lock(d->queueMutex);
                if (d->mainQueue.empty())
                    break;
                block = std::move(d->mainQueue.front());
                d->mainQueue.pop_front();
            }
            callout(block);
        }
        d->drainingMainQueue = false;
    }

    runDue();

    std::vector<EntryPtr> ready;
    for (const auto& e : d->ordered)
        if (d->eligible(*e))
            ready.push_back(e);
    std::erase_if(d->ordered, [&](const EntryPtr& e) { return d->eligible(*e); });
    std::stable_sort(ready.begin(), ready.end(), [](const EntryPtr& a, const EntryPtr& b) { return a->order < b->order; });
    for (const auto& e : ready) {
        if (e->removed)
            continue;
        e->removed = true;
        if (Ref<Object> target = e->perform.target.lock())
            callout([&] { e->perform.invoke(*target); });
    }

    for (const auto& fn : d->observers.snapshot()) // observers may add or remove observers
        callout(fn);
    --d->passDepth;
    clockChanged();
}

void RunLoop::clockChanged()
{
    if (!d->timer || !d->driver)
        return;
    if (QThread::currentThread() != d->driver->thread()) {
        QMetaObject::invokeMethod(
            d->driver.data(), [this] { clockChanged(); }, Qt::QueuedConnection);
        return;
    }
    if (d->hasWorkNow()) {
        d->timer->start(0);
        return;
    }
    auto next = nextEligibleFireTime();
    if (!next) {
        d->timer->stop();
        return;
    }
    Clock& clock = Clock::current();
    const double delay = *next - clock.monotonic();
    if (delay > 0 && clock.isManual()) {
        d->timer->stop(); // only advance() moves a manual clock
        return;
    }
    d->timer->start(int(std::ceil(std::max(0.0, delay) * 1000.0)));
}

void RunLoop::runPending()
{
    for (int guard = 0; guard < 1000; ++guard) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const bool due = [&] {
            auto next = nextEligibleFireTime();
            return next && *next <= Clock::current().monotonic();
        }();
        if (!due && !d->hasWorkNow())
            break;
        pass();
    }
}

bool RunLoop::runUntil(const std::function<bool()>& predicate, double limitSeconds)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        runPending();
        if (predicate())
            return true;
        if (double(elapsed.elapsed()) / 1000.0 > limitSeconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 10);
    }
}

void RunLoop::runMode(const RunLoopMode& mode)
{
    ModeScope scope(mode);
    pass();
}

void RunLoop::resetForTesting()
{
    for (auto& [timer, e] : d->timerEntries)
        e->timer->valid_ = false;
    d->heap.clear();
    d->timerEntries.clear();
    d->performsByTarget.clear();
    d->ordered.clear();
    d->observers.clear();
    d->modeStack.clear();
    {
        std::lock_guard lock(d->queueMutex);
        d->mainQueue.clear();
    }
    if (d->timer)
        d->timer->stop();
}

} // namespace kit
