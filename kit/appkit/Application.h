#pragma once

// The application: the kit's own event queue (filled by the host widgets and by test scripts),
// dispatch of each event to its window, tracking loops that pull events by mask while the run
// loop turns in a given mode, key and main window state, and action sending along the
// responder chains.

#include "kit/appkit/Responder.h"
#include "kit/foundation/RunLoop.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string_view>
#include <vector>

namespace kit {

class Event;
class Window;

inline constexpr double DistantFuture = std::numeric_limits<double>::infinity();
inline constexpr double DistantPast = -std::numeric_limits<double>::infinity();

// Keeps an object alive until the event being dispatched has been handled.
void keepUntilEventEnds(Ref<Object> object);

class Application : public Responder {
public:
    static Ref<Application> sharedApplication();
    // Test-only: an empty queue, no key or main window, no current event, default hooks.
    static void resetForTesting();

    // The queue.
    void postEventAtStart(Event* event, bool atStart);
    Ref<Event> nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, double untilDate, const QString& mode, bool dequeue);
    void discardEventsMatchingMaskBeforeEvent(std::uint64_t mask, const Event* last);
    std::size_t queuedEventCount() const { return queue_.size(); }
    // Dispatches every queued event; returns how many.
    int dispatchQueuedEvents();

    // The event being dispatched, or the last one a tracking loop returned. May be null.
    Ref<Event> currentEvent() const { return current_; }
    virtual void sendEvent(const Event& event);

    // Windows and activation.
    Ref<Window> keyWindow() const { return key_.lock(); }
    Ref<Window> mainWindow() const { return main_.lock(); }
    std::vector<Ref<Window>> windows() const;
    bool isActive() const { return active_; }
    void setActive(bool active);
    Ref<Window> modalWindow() const { return modal_.lock(); }

    // Sends `action` to `target`, or along the responder chains when the target is null.
    // An expired target is not null: the action is dropped.
    bool sendActionToFrom(std::string_view action, const Weak<Object>& target, Object* sender);
    // The object that would receive `action` from `target` and `sender`, or null.
    Ref<Object> targetForActionToFrom(std::string_view action, const Weak<Object>& target, Object* sender);

    // The run-loop mode of the innermost wait, Default when none runs.
    QString currentMode() const { return mode_; }
    int trackingDepth() const { return depth_; }

    // What runs while a tracking loop waits: one turn of the run loop in `mode`, until `until`
    // at the latest. Answers NO when nothing could ever arrive (the loop then gives up). The
    // default turns Qt's event loop; tests install a turn that runs the kit's timers.
    using WaitTurn = std::function<bool(const QString& mode, double until)>;
    void setWaitTurn(WaitTurn turn) { waitTurn_ = std::move(turn); }
    // The kit clock's now, in seconds.
    using ClockFunction = std::function<double()>;
    void setClock(ClockFunction clock) { clock_ = std::move(clock); }
    double now() const;

private:
    friend class Window;
    friend class WindowHost;
    void scheduleDispatch();
    void dispatch(const Ref<Event>& event);

    std::deque<Ref<Event>> queue_;
    Ref<Event> current_;
    Weak<Window> key_;
    Weak<Window> main_;
    Weak<Window> modal_;
    bool active_ = true;
    QString mode_ = DefaultRunLoopMode;
    int depth_ = 0;
    bool dispatchScheduled_ = false;
    WaitTurn waitTurn_;
    ClockFunction clock_;
};

} // namespace kit
