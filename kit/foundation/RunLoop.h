#pragma once

// The main thread's run loop on top of Qt's event loop. It keeps its own heap of timers and
// delayed performs behind one QTimer armed for the earliest deadline eligible in the current
// mode, so modes hold inside Qt's nested loops; it also drains the main queue (in every mode, never
// re-entrantly) and calls end-of-pass observers.

#include "kit/core/Object.h"
#include "kit/core/Selector.h"
#include "kit/core/Value.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <typeindex>
#include <vector>

namespace kit {

class Timer;

using RunLoopMode = QString;

inline const RunLoopMode DefaultRunLoopMode = QStringLiteral("DefaultRunLoopMode");
inline const RunLoopMode EventTrackingRunLoopMode = QStringLiteral("EventTrackingRunLoopMode");
inline const RunLoopMode ModalPanelRunLoopMode = QStringLiteral("ModalPanelRunLoopMode");
// Stands for the three modes above wherever a mode list is given.
inline const RunLoopMode RunLoopCommonModes = QStringLiteral("RunLoopCommonModes");

// A delayed call: `invoke` runs on the target while it lives. Target, selector name and argument
// identify the request for cancellation; the argument is compared with `argumentEqual`.
struct PerformRequest {
    Weak<Object> target;
    QString selector;
    std::shared_ptr<const void> argument;
    std::type_index argumentType = typeid(void);
    bool (*argumentEqual)(const void*, const void*) = nullptr;
    std::function<void(Object&)> invoke;

    // Builds a request whose argument of type A is compared with ==.
    template <class A, class F> static PerformRequest make(Object* target, QString selector, A argument, F call)
    {
        PerformRequest r;
        r.target = target;
        r.selector = std::move(selector);
        auto arg = std::make_shared<const A>(std::move(argument));
        r.argument = arg;
        r.argumentType = typeid(A);
        r.argumentEqual = [](const void* a, const void* b) { return *static_cast<const A*>(a) == *static_cast<const A*>(b); };
        r.invoke = [arg, call = std::move(call)](Object& t) { call(t, *arg); };
        return r;
    }

    // Calls the target's action `selector` with `argument` (by name, through the class registry).
    static PerformRequest withSelector(Object* target, Selector selector, const Value& argument);

    // Same target (identity), selector and an equal argument.
    bool matches(const PerformRequest& other) const;
};

class RunLoop {
public:
    // The main thread's loop; the only one the kit runs.
    static RunLoop& main();
    static RunLoop& current() { return main(); }

    // -- Modes
    RunLoopMode currentMode() const;
    // Enters a mode for the lifetime of the scope: tracking loops, menus, modal sessions.
    class ModeScope {
    public:
        explicit ModeScope(RunLoopMode mode);
        ~ModeScope();
        ModeScope(const ModeScope&) = delete;
        ModeScope& operator=(const ModeScope&) = delete;
    };

    // -- Timers
    void addTimerForMode(const Ref<Timer>& timer, const RunLoopMode& mode);

    // -- Performs by selector: the target's action runs with the argument; target held weakly,
    // argument kept until the call. Cancelling matches the target by identity, the selector by
    // name and the argument by isEqual.
    static void performSelectorWithObjectAfterDelay(Object* target, Selector selector, const Value& argument, double delay);
    static void performSelectorWithObjectAfterDelayInModes(
        Object* target, Selector selector, const Value& argument, double delay, const QStringList& modes);
    static void cancelPreviousPerformRequestsWithTargetSelectorObject(Object* target, Selector selector, const Value& argument);
    static void cancelPreviousPerformRequestsWithTarget(Object* target);
    void performSelectorTargetArgumentOrderModes(
        Selector selector, Object* target, const Value& argument, int order, const QStringList& modes);
    void cancelPerformSelectorTargetArgument(Selector selector, Object* target, const Value& argument);

    // -- Performs
    // Runs `request` once `delay` seconds from now in one of `modes` (default mode when empty);
    // delay 0 means after the current event, first in first out among equal dates.
    void performAfterDelay(PerformRequest request, double delay, const QStringList& modes = {});
    // Runs `request` at the next pass in one of `modes`, ordered by `order` among such requests.
    void performOrderModes(PerformRequest request, int order, const QStringList& modes);
    // Removes pending delayed and ordered performs matching `request`.
    void cancelPerformRequests(const PerformRequest& request);
    // Removes every pending perform for `target`.
    void cancelPerformRequestsWithTarget(const Object* target);

    // -- Main queue (any thread)
    void enqueueMainBlock(std::function<void()> block);
    std::size_t pendingMainBlockCount() const;

    // -- End-of-pass observers, called in registration order in every mode.
    using ObserverId = std::uint64_t;
    ObserverId addObserver(std::function<void()> observer);
    void removeObserver(ObserverId id);

    // -- Driving
    // Processes posted Qt events, the main queue and whatever is due now, until nothing is left.
    void runPending();
    // Runs the loop until `predicate` holds or `limitSeconds` of real time passed (for tests
    // waiting on worker threads). Answers the predicate.
    bool runUntil(const std::function<bool()>& predicate, double limitSeconds = 5.0);
    // One pass in `mode`: what a nested loop does between events.
    void runMode(const RunLoopMode& mode);

    // Earliest fire time (monotonic) eligible in the current mode, if any.
    std::optional<double> nextEligibleFireTime() const;
    // Fires every timer and perform eligible now, in fire-date order.
    void runDue();
    // The installed clock changed: re-arm against it.
    void clockChanged();

    // Drops every timer, perform, block, observer and mode. Tests only.
    void resetForTesting();

private:
    friend class Timer;
    struct Private;
    RunLoop();
    ~RunLoop();

    void removeTimer(Timer* timer);
    void rescheduleTimer(Timer* timer);
    void pass();

    std::unique_ptr<Private> d;
};

} // namespace kit
