#include "kit/appkit/Application.h"

#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/AutoreleasePool.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/core/Value.h"
#include "kit/foundation/Clock.h"
#include "kit/x11/Stacking.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

bool defaultWaitTurn(const QString&, double until)
{
    // One turn of Qt's loop; a finite deadline wakes it.
    QTimer wake;
    if (std::isfinite(until)) {
        const double ms = std::max(0.0, (until - Application::sharedApplication()->now()) * 1000);
        wake.setSingleShot(true);
        wake.start(int(std::min(ms, 1e9)));
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return true;
}

} // namespace

void keepUntilEventEnds(Ref<Object> object)
{
    if (AutoreleasePool::depth() > 0)
        AutoreleasePool::addObject(std::move(object));
}

Ref<Application> Application::sharedApplication()
{
    static Ref<Application> app = [] {
        Ref<Application> a = make<Application>();
        a->followQtApplicationState();
        a->routeQuitThroughTerminate();
        // The window manager raises a window clicked on its frame: the kit's children go back over it.
        watchStackingOnServer([] {
            for (const Ref<Window>& w : sharedApplication()->orderedWindows())
                w->keepChildrenAbove();
        });
        return a;
    }();
    return app;
}

void Application::followQtApplicationState()
{
    // The headless test platform has no activation of its own: there the kit holds the state and
    // tests set it.
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!gui || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    QObject::connect(gui, &QGuiApplication::applicationStateChanged, gui,
        [](Qt::ApplicationState state) { sharedApplication()->setActive(state == Qt::ApplicationActive); });
}

void Application::resetForTesting()
{
    const Ref<Application> app = sharedApplication();
    app->queue_.clear();
    app->current_ = nullptr;
    app->key_ = nullptr;
    app->main_ = nullptr;
    app->keyBeforeDeactivation_ = nullptr;
    app->sessions_.clear();
    app->sheets_.clear();
    app->stacking_.clear();
    app->active_ = true;
    app->terminating_ = false;
    app->depth_ = 0;
    app->waitTurn_ = nullptr;
    app->updatePending_ = false;
    app->mainMenuKeys_ = nullptr;
    app->contextMenus_ = nullptr;
    app->panelPresenters_.clear();
}

void Application::setPanelPresenter(const QString& kind, PanelPresenter presenter)
{
    if (presenter)
        panelPresenters_[kind] = std::move(presenter);
    else
        panelPresenters_.erase(kind);
}

Application::PanelPresenter Application::panelPresenter(const QString& kind) const
{
    const auto it = panelPresenters_.find(kind);
    return it == panelPresenters_.end() ? PanelPresenter() : it->second;
}

double Application::now() { return Clock::currentMonotonic(); }

double Application::monotonicFromDate(Date date)
{
    if (date >= Date::distantFuture())
        return DistantFuture;
    if (date <= Date::distantPast())
        return DistantPast;
    return Clock::currentMonotonic() + (date.timeIntervalSince1970() - Clock::currentNow());
}

Ref<Event> Application::nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, Date untilDate, const QString& mode, bool dequeue)
{
    return nextEventMatchingMaskUntilDateInModeDequeue(mask, monotonicFromDate(untilDate), mode, dequeue);
}

QString Application::currentMode() const { return RunLoop::main().currentMode(); }

void Application::postEventAtStart(Event* event, bool atStart)
{
    if (!event)
        return;
    if (const EventType t = event->type(); t == LeftMouseUp || t == RightMouseUp || t == OtherMouseUp)
        if (const Ref<Window> w = event->window())
            w->mouseUpReposted(*event);
    if (atStart)
        queue_.push_front(Ref<Event>(event));
    else
        queue_.push_back(Ref<Event>(event));
    // Posted from a timer or a block, outside any dispatch or tracking loop: nothing else would take it.
    if (depth_ == 0 && dispatching_ == 0)
        scheduleDispatch();
}

bool Application::innermostSessionEnded() const
{
    if (sessions_.empty())
        return false;
    const ModalSession& s = sessions_.back();
    return s.aborted || (s.stopped && s.waitDepth == depth_);
}

Ref<Event> Application::nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, double untilDate, const QString& mode, bool dequeue)
{
    RunLoop::ModeScope scope(mode);
    ++depth_;
    // Also when a waiting turn throws (a test script that can never end the wait).
    const auto leave = qScopeGuard([this] {
        --depth_;
        if (depth_ == 0 && !queue_.empty())
            scheduleDispatch();
    });
    Ref<Event> found;
    for (;;) {
        auto it = std::find_if(queue_.begin(), queue_.end(), [mask](const Ref<Event>& e) { return (mask >> e->type()) & 1; });
        if (it != queue_.end()) {
            found = *it;
            if (dequeue) {
                queue_.erase(it);
                current_ = found;
                // A tracking loop took a mouse event: the window's tracking areas see it, and an up
                // ends the press (and a delayed first click) as a dispatched one would.
                if (found->isMouseEvent())
                    if (const Ref<Window> w = found->window())
                        w->mouseEventTakenByLoop(*found);
            }
            break;
        }
        if (now() >= untilDate || innermostSessionEnded())
            break;
        const bool more = waitTurn_ ? waitTurn_(mode, untilDate) : defaultWaitTurn(mode, untilDate);
        // An abort acts at once, even while the queue has something; a stop from a timer or a
        // performed block ends the modal wait without waiting for another event.
        if (!more || innermostSessionEnded())
            break;
    }
    return found;
}

void Application::setCurrentEvent(Ref<Event> event) { current_ = std::move(event); }

void Application::discardEventsMatchingMaskBeforeEvent(std::uint64_t mask, const Event* last)
{
    for (auto it = queue_.begin(); it != queue_.end();) {
        if (last && it->get() == last)
            break;
        if ((mask >> (*it)->type()) & 1)
            it = queue_.erase(it);
        else
            ++it;
    }
}

void Application::scheduleDispatch()
{
    if (dispatchScheduled_)
        return;
    dispatchScheduled_ = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            const Ref<Application> app = sharedApplication();
            app->dispatchScheduled_ = false;
            // Inside a tracking loop the loop itself takes the events.
            if (app->depth_ == 0)
                app->dispatchQueuedEvents();
        },
        Qt::QueuedConnection);
}

int Application::dispatchQueuedEvents()
{
    int count = 0;
    while (!queue_.empty()) {
        const Ref<Event> e = queue_.front();
        queue_.pop_front();
        dispatch(e);
        ++count;
    }
    return count;
}

void Application::dispatch(const Ref<Event>& event)
{
    // What the event autoreleases goes when it has been handled.
    AutoreleasePool pool;
    ++dispatching_;
    const auto done = qScopeGuard([this] { --dispatching_; });
    current_ = event;
    scheduleWindowUpdate();
    try {
        sendEvent(*event);
        for (const Ref<Window>& w : Window::allWindows())
            w->updateTrackingAreasNow();
    } catch (const std::exception& e) {
        logMessage(QStringLiteral("*** Exception while handling an event: ") + QString::fromUtf8(e.what()));
    }
}

void Application::sendEvent(const Event& event)
{
    Ref<Window> window = event.window();
    if (event.isKeyEvent())
        window = keyWindow() ? keyWindow() : window;
    if (!window)
        return;
    // Input for other windows is dropped while a modal session runs.
    const bool input = event.type() != MouseMoved && event.type() != ApplicationDefined;
    if (const Ref<Window> modal = modalWindow(); modal && modal != window && input) {
        if (event.type() == LeftMouseDown || event.type() == KeyDown)
            Beep();
        return;
    }
    // A window with a sheet up takes only moves.
    if (attachedSheetOfWindow(window.get()) && input) {
        if (event.type() == LeftMouseDown || event.type() == KeyDown)
            Beep();
        return;
    }
    window->sendEvent(event);
}

std::vector<Ref<Window>> Application::windows() const { return Window::allWindows(); }

void Application::setActive(bool active)
{
    if (active_ == active)
        return;
    active_ = active;
    if (!active) {
        keyBeforeDeactivation_ = key_;
        if (const Ref<Window> key = keyWindow()) {
            key->resignKeyWindow();
            key_ = nullptr;
            key->postNote(WindowDidResignKeyNotification, "windowDidResignKey", &WindowDelegate::windowDidResignKey);
        }
    } else if (const Ref<Window> back = keyBeforeDeactivation_.lock(); back && !keyWindow() && back->isVisible()) {
        keyBeforeDeactivation_ = nullptr;
        // The server gives the focus with the activation: a window of its choosing.
        back->becomeKey(false);
    }
    for (const Ref<Window>& w : Window::allWindows()) {
        w->noteGeometryChanged();
        w->setViewsNeedDisplay(true);
    }
    const Ref<Notification> note = Notification::notificationWithNameObjectUserInfo(
        active ? ApplicationDidBecomeActiveNotification : ApplicationDidResignActiveNotification, this);
    const Selector operation(active ? "applicationDidBecomeActive" : "applicationDidResignActive");
    if (const Ref<Object> d = delegate(); d && d->respondsToSelector(operation))
        if (auto* ad = dynamic_cast<ApplicationDelegate*>(d.get()))
            active ? ad->applicationDidBecomeActive(note.get()) : ad->applicationDidResignActive(note.get());
    NotificationCenter::defaultCenter()->postNotification(note);
}

void Application::updateWindows()
{
    for (const Ref<Window>& w : Window::allWindows())
        if (w->isVisible())
            w->update();
}

void Application::scheduleWindowUpdate()
{
    if (updatePending_)
        return;
    updatePending_ = true;
    // A one-shot end-of-pass observer; the empty block makes sure a pass comes.
    RunLoop& loop = RunLoop::main();
    auto id = std::make_shared<RunLoop::ObserverId>(0);
    *id = loop.addObserver([id] {
        RunLoop::main().removeObserver(*id);
        const Ref<Application> app = sharedApplication();
        if (!app->updatePending_)
            return;
        app->updatePending_ = false;
        app->updateWindows();
    });
    loop.enqueueMainBlock([] {});
}

namespace {

bool performs(const Object* o, Selector action) { return o && o->class_().action(action.name()) && o->respondsToSelector(action); }

// The chain from the window's first responder up to the window, then its delegate.
Ref<Object> searchWindow(const Window& window, Selector action)
{
    for (Ref<Responder> r = window.firstResponder(); r; r = r->nextResponder()) {
        if (performs(r.get(), action))
            return r;
        if (r.get() == &window)
            break;
    }
    if (const Ref<Object> d = window.delegate(); performs(d.get(), action))
        return d;
    return nullptr;
}

} // namespace

Ref<Object> Application::targetForActionToFrom(Selector action, const Weak<Object>& target, Object*)
{
    if (target.unsafeRaw()) {
        // A set target gets the action only if it responds; an expired one drops it.
        const Ref<Object> t = target.lock();
        return performs(t.get(), action) ? t : nullptr;
    }
    const Ref<Window> key = keyWindow();
    if (key)
        if (Ref<Object> t = searchWindow(*key, action))
            return t;
    if (const Ref<Window> main = mainWindow(); main && main != key)
        if (Ref<Object> t = searchWindow(*main, action))
            return t;
    if (performs(this, action))
        return Ref<Object>(this);
    if (const Ref<Object> d = delegate(); performs(d.get(), action))
        return d;
    return nullptr;
}

bool Application::sendActionToFrom(Selector action, const Weak<Object>& target, Object* sender)
{
    const Ref<Object> t = targetForActionToFrom(action, target, sender);
    if (!t)
        return false;
    t->performSelectorWithObject(action, Value(Ref<Object>(sender)));
    return true;
}

KIT_REGISTER_CLASS(Application, Responder) { c.action("terminate", &Application::terminate); }

// Modal sessions and sheets ------------------------------------------------------------------------

Ref<Window> Application::modalWindow() const { return sessions_.empty() ? nullptr : sessions_.back().window.lock(); }

std::int64_t Application::runModalForWindow(Window* window)
{
    if (!window)
        return RunAbortedResponse;
    const Ref<Window> keep(window);
    // Not yet on screen, it opens where the user looks, whatever origin its interface file gave.
    if (!window->isVisible())
        window->center();
    window->makeKeyAndOrderFront();
    QWidget* host = window->hostWidget();
    const Qt::WindowModality modality = host->windowModality();
    host->setWindowModality(Qt::ApplicationModal);
    sessions_.push_back({ Weak<Window>(window) });
    const std::size_t index = sessions_.size() - 1;
    sessions_[index].waitDepth = depth_ + 1;
    while (!sessions_[index].stopped && !sessions_[index].aborted) {
        const Ref<Event> e = nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, DistantFuture, ModalPanelRunLoopMode, true);
        if (sessions_[index].stopped || sessions_[index].aborted)
            break;
        if (!e) {
            // Nothing can arrive any more: end as an abort rather than spin.
            sessions_[index].aborted = true;
            sessions_[index].code = RunAbortedResponse;
            break;
        }
        dispatch(e);
    }
    const std::int64_t code = sessions_[index].code;
    sessions_.erase(sessions_.begin() + std::ptrdiff_t(index), sessions_.end());
    host->setWindowModality(modality);
    return code;
}

void Application::stopModal() { stopModalWithCode(RunStoppedResponse); }

void Application::stopModalWithCode(std::int64_t code)
{
    if (sessions_.empty()) {
        logMessage(QStringLiteral("stopModal called with no modal session running"));
        return;
    }
    sessions_.back().code = code;
    sessions_.back().stopped = true;
}

void Application::abortModal()
{
    if (sessions_.empty()) {
        logMessage(QStringLiteral("abortModal called with no modal session running"));
        return;
    }
    sessions_.back().code = RunAbortedResponse;
    sessions_.back().aborted = true;
}

void Application::windowDidClose(const Window* window)
{
    // Nothing else could end the session of a modal window that is gone: it ends as a cancel would.
    // An answer given before the close stands.
    for (ModalSession& session : sessions_)
        if (session.window.unsafeRaw() == window && !session.stopped && !session.aborted) {
            session.code = RunAbortedResponse;
            session.aborted = true;
        }
    // Windows that go while the application terminates are no reason to ask.
    if (terminating_ || !orderedWindows().empty())
        return;
    if (const Ref<Object> d = delegate(); d && d->respondsToSelector(Selector("applicationShouldTerminateAfterLastWindowClosed")))
        if (auto* ad = dynamic_cast<ApplicationDelegate*>(d.get()); ad && ad->applicationShouldTerminateAfterLastWindowClosed(this))
            terminate(this);
}

void Application::beginSheetModalForWindowDidEndContextInfo(Window* sheet, Window* window, SheetDidEnd didEnd, void* contextInfo)
{
    if (!sheet || !window)
        return;
    sheets_.push_back({ Weak<Window>(sheet), Weak<Window>(window), std::move(didEnd), contextInfo });
    // A sheet is part of its window, not a window of the window manager's: as a child it is
    // unmanaged before it shows (no frame of its own), placed on the window's content and kept
    // there by the kit as the window moves, over it and out with it.
    sheet->hostWidget()->setWindowModality(Qt::WindowModal);
    window->addChildWindowOrdered(sheet, WindowAbove);
    sheet->makeKeyAndOrderFront();
}

void Application::placeSheetOnWindow(Window& sheet, const Window& window)
{
    const Rect parent = window.frame();
    const Rect s = sheet.frame();
    const Rect content = window.contentView() ? window.contentView()->frame() : MakeRect(0, 0, parent.width(), parent.height());
    sheet.setFrameOrigin(
        MakePoint(parent.minX() + std::floor((parent.width() - s.width()) / 2), parent.minY() + content.maxY() - s.height()));
}

void Application::endSheet(Window* sheet) { endSheetReturnCode(sheet, 0); }

void Application::endSheetReturnCode(Window* sheet, std::int64_t returnCode)
{
    auto it = std::find_if(sheets_.begin(), sheets_.end(), [sheet](const Sheet& s) { return s.sheet.unsafeRaw() == sheet; });
    if (it == sheets_.end())
        return;
    const Sheet ended = std::move(*it);
    sheets_.erase(it);
    if (const Ref<Window> parent = ended.parent.lock())
        parent->removeChildWindow(sheet);
    if (ended.didEnd)
        ended.didEnd(sheet, returnCode, ended.context);
}

Ref<Window> Application::attachedSheetOfWindow(const Window* window) const
{
    for (const Sheet& s : sheets_)
        if (s.parent.unsafeRaw() == window)
            return s.sheet.lock();
    return nullptr;
}

} // namespace kit
