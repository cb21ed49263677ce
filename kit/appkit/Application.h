#pragma once

// The application: the kit's own event queue (filled by the host widgets and by test scripts),
// dispatch of each event to its window, tracking loops that pull events by mask while the run
// loop turns in a given mode, key and main window state, and action sending along the
// responder chains.

#include "kit/appkit/Responder.h"
#include "kit/foundation/Date.h"
#include "kit/foundation/RunLoop.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <vector>

namespace kit {

class Application;
class Error;
class Event;
class Notification;
class View;
class Window;

inline const QString ApplicationDidBecomeActiveNotification = QStringLiteral("NSApplicationDidBecomeActiveNotification");
inline const QString ApplicationDidResignActiveNotification = QStringLiteral("NSApplicationDidResignActiveNotification");
// Posted by the application object on the default centre once on the way out: by terminate, else
// when Qt's event loop is about to quit.
inline const QString ApplicationWillTerminateNotification = QStringLiteral("NSApplicationWillTerminateNotification");

enum ApplicationTerminateReply : std::int64_t { TerminateCancel = 0, TerminateNow = 1 };

// Optional operations of the application's delegate, asked through respondsToSelector; each
// comes just before the notification of the same name is posted.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidBecomeActive(Notification*) { }
    virtual void applicationDidResignActive(Notification*) { }
    // Asked when a close leaves no visible window; YES terminates.
    virtual bool applicationShouldTerminateAfterLastWindowClosed(Application*) { return false; }
    // Asked by terminate before anything closes; cancel keeps the application running.
    virtual ApplicationTerminateReply applicationShouldTerminate(Application*) { return TerminateNow; }
    virtual void applicationWillTerminate(Notification*) { }
};

enum : std::int64_t { RunStoppedResponse = -1000, RunAbortedResponse = -1001, RunContinuesResponse = -1002 };

inline constexpr double DistantFuture = std::numeric_limits<double>::infinity();
inline constexpr double DistantPast = -std::numeric_limits<double>::infinity();

// Keeps an object alive until the event being dispatched has been handled (a no-op outside events).
void keepUntilEventEnds(Ref<Object> object);

class Application : public Responder {
    KIT_CLASS(Application)

    static Ref<Application> sharedApplication();
    // Test-only: an empty queue, no key or main window, no current event, default hooks.
    static void resetForTesting();

    // The queue.
    void postEventAtStart(Event* event, bool atStart);
    // The first queued event whose type bit is in `mask`, waiting with the run loop in `mode` until
    // `untilDate`; null then. Dequeue NO peeks. The date form converts through the kit clock; the
    // double form takes the kit clock's monotonic seconds (DistantFuture never comes).
    Ref<Event> nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, Date untilDate, const QString& mode, bool dequeue);
    Ref<Event> nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, double untilMonotonic, const QString& mode, bool dequeue);
    static double monotonicFromDate(Date date);
    void discardEventsMatchingMaskBeforeEvent(std::uint64_t mask, const Event* last);
    std::size_t queuedEventCount() const { return queue_.size(); }
    // Dispatches every queued event; returns how many.
    int dispatchQueuedEvents();

    // The event being dispatched, or the last one a tracking loop returned. May be null.
    Ref<Event> currentEvent() const { return current_; }
    // Drag sessions stand a synthetic event in for the pointer, and put the previous one back.
    void setCurrentEvent(Ref<Event> event);
    virtual void sendEvent(const Event& event);

    // Windows and activation.
    Ref<Window> keyWindow() const { return key_.lock(); }
    Ref<Window> mainWindow() const { return main_.lock(); }
    std::vector<Ref<Window>> windows() const;
    // The visible windows, front to back, as the kit ordered them.
    std::vector<Ref<Window>> orderedWindows() const;
    bool isActive() const { return active_; }
    // On a change: resigning, the key window resigns key (and is remembered); becoming active, the
    // remembered window becomes key again. Then the did-become or did-resign-active notification.
    void setActive(bool active);
    // Kept for callers: the window manager orders a clicked window at the press, so there is
    // nothing left to prevent.
    void preventWindowOrdering() { }
    // Sends `update` to every visible window; the run loop's end-of-pass hook does this once per
    // pass that dispatched events.
    void updateWindows();
    Ref<Window> modalWindow() const;

    // Modal sessions: the window becomes key and the run loop turns in the modal-panel mode until
    // a stop or an abort; input for other windows is dropped with a beep. Sessions nest; stop
    // and abort end the innermost only, and with none they log and do nothing.
    std::int64_t runModalForWindow(Window* window);
    // Acts when the current callback returns.
    void stopModal();
    void stopModalWithCode(std::int64_t code);
    // Acts at once: the waiting loop returns.
    void abortModal();

    // Sheets: returns at once. The sheet sits top-centre on the window's content and the window
    // takes only moves until endSheet, which calls `didEnd(sheet, code, context)`; the caller
    // then orders the sheet out.
    using SheetDidEnd = std::function<void(Window* sheet, std::int64_t returnCode, void* contextInfo)>;
    void beginSheetModalForWindowDidEndContextInfo(Window* sheet, Window* window, SheetDidEnd didEnd, void* contextInfo);
    void endSheet(Window* sheet);
    void endSheetReturnCode(Window* sheet, std::int64_t returnCode);

    // Ends the application (ApplicationTermination.cpp): the delegate may cancel; else the
    // will-terminate notification, every window closed without asking its delegate, and Qt's event
    // loop ended with status 0. Qt's own quit requests (QCoreApplication::quit, a session's end)
    // come here, since Qt would ask each window in turn and stop at the first that stays.
    void terminate(Object* sender);
    // From a terminate that went ahead until Qt's event loop has ended.
    bool isTerminating() const { return terminating_; }

    // Sends `action` to `target`, or along the responder chains when the target is null: the key
    // window's chain, that window and its delegate, then the same for the main window, then the
    // application and its delegate. An expired target is not null: the action is dropped.
    bool sendActionToFrom(Selector action, const Weak<Object>& target, Object* sender);
    // The object that would receive `action` from `target` and `sender`, or null.
    Ref<Object> targetForActionToFrom(Selector action, const Weak<Object>& target, Object* sender);

    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) { delegate_ = delegate; }

    // The main menu's key equivalents, matched by the kit itself (no Qt shortcuts): the menu model
    // installs a handler that answers YES when an item took the key-down. It is asked after the key
    // window's views. Reset for testing drops it.
    using KeyEquivalentHandler = std::function<bool(const Event&)>;
    // Shows a view's context menu at the event's location; the menu model installs it.
    using ContextMenuPresenter = std::function<void(Object* menu, const Event& event, View* view)>;
    void setContextMenuPresenter(ContextMenuPresenter presenter) { contextMenus_ = std::move(presenter); }
    bool hasContextMenuPresenter() const { return bool(contextMenus_); }
    void popUpContextMenuWithEventForView(Object* menu, const Event& event, View* view)
    {
        if (contextMenus_)
            contextMenus_(menu, event, view);
    }
    void setMainMenuKeyEquivalentHandler(KeyEquivalentHandler handler) { mainMenuKeys_ = std::move(handler); }
    bool mainMenuPerformKeyEquivalent(const Event& event) { return mainMenuKeys_ && mainMenuKeys_(event); }

    // Shows an error as an alert (defined with the alerts, kit/controls/Alert.cpp): its description,
    // recovery suggestion and recovery options as buttons (the first is the default), else "OK".
    // Answers NO: no recovery attempter exists.
    bool presentError(const Error& error);
    // Modal panels of the layers above (alerts, open panels) are shown by presenters those layers
    // keep here, by kind; none means their standard dialog. resetForTesting forgets them all.
    using PanelPresenter = std::function<std::int64_t(Object& panel)>;
    void setPanelPresenter(const QString& kind, PanelPresenter presenter);
    PanelPresenter panelPresenter(const QString& kind) const;

    // The run loop's current mode: that of the innermost wait, Default when none runs.
    QString currentMode() const;
    int trackingDepth() const { return depth_; }

    // What runs while a tracking loop waits, with the run loop in `mode`: one turn, until `until`
    // at the latest. Answers NO when nothing could ever arrive (the loop then gives up). The
    // default turns Qt's event loop, where the run loop's timers of the mode fire; event scripts
    // install a turn that advances the manual clock.
    using WaitTurn = std::function<bool(const QString& mode, double until)>;
    void setWaitTurn(WaitTurn turn) { waitTurn_ = std::move(turn); }
    // The kit clock's monotonic time, in seconds: event timestamps and loop deadlines.
    static double now();

private:
    friend class Window;
    friend class WindowHost;
    void scheduleDispatch();
    void followQtApplicationState();
    // Qt's quit requests go to terminate; the will-terminate notification on the way out.
    void routeQuitThroughTerminate();
    void postWillTerminate();
    void dispatch(const Ref<Event>& event);
    // Ends the session of a modal window that closed, and terminates after the last window when
    // the delegate asks for it.
    void windowDidClose(const Window* window);
    // Top-centre on the window's content.
    static void placeSheetOnWindow(Window& sheet, const Window& window);

    std::deque<Ref<Event>> queue_;
    Ref<Event> current_;
    Weak<Object> delegate_;
    Weak<Window> key_;
    Weak<Window> main_;
    Weak<Window> keyBeforeDeactivation_;
    struct ModalSession {
        Weak<Window> window;
        std::int64_t code = 0;
        bool stopped = false;
        bool aborted = false;
        int waitDepth = -1; // the wait of runModal: a stop ends it without another event
    };
    struct Sheet {
        Weak<Window> sheet;
        Weak<Window> parent;
        SheetDidEnd didEnd;
        void* context = nullptr;
    };
    std::vector<ModalSession> sessions_;
    std::vector<Sheet> sheets_;
    std::vector<Weak<Window>> stacking_; // back to front
    bool active_ = true;
    bool terminating_ = false;
    int depth_ = 0;
    int dispatching_ = 0;
    bool innermostSessionEnded() const;
    bool dispatchScheduled_ = false;
    bool updatePending_ = false;
    void scheduleWindowUpdate();
    WaitTurn waitTurn_;
    KeyEquivalentHandler mainMenuKeys_;
    ContextMenuPresenter contextMenus_;
    std::map<QString, PanelPresenter> panelPresenters_;

public:
    // The window whose sheet is up over `window`, if any.
    Ref<Window> attachedSheetOfWindow(const Window* window) const;
};

} // namespace kit
