#include "kit/appkit/Application.h"

#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

std::vector<Ref<Object>>& eventPool()
{
    static std::vector<Ref<Object>> pool;
    return pool;
}

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

double steadyNow()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

void keepUntilEventEnds(Ref<Object> object) { eventPool().push_back(std::move(object)); }

Ref<Application> Application::sharedApplication()
{
    static Ref<Application> app = make<Application>();
    return app;
}

void Application::resetForTesting()
{
    const Ref<Application> app = sharedApplication();
    app->queue_.clear();
    app->current_ = nullptr;
    app->key_ = nullptr;
    app->main_ = nullptr;
    app->modal_ = nullptr;
    app->active_ = true;
    app->mode_ = DefaultRunLoopMode;
    app->depth_ = 0;
    app->waitTurn_ = nullptr;
    app->clock_ = nullptr;
    eventPool().clear();
}

double Application::now() const { return clock_ ? clock_() : steadyNow(); }

void Application::postEventAtStart(Event* event, bool atStart)
{
    if (!event)
        return;
    if (atStart)
        queue_.push_front(Ref<Event>(event));
    else
        queue_.push_back(Ref<Event>(event));
}

Ref<Event> Application::nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, double untilDate, const QString& mode, bool dequeue)
{
    const QString outerMode = mode_;
    mode_ = mode;
    ++depth_;
    Ref<Event> found;
    for (;;) {
        auto it = std::find_if(queue_.begin(), queue_.end(), [mask](const Ref<Event>& e) { return (mask >> e->type()) & 1; });
        if (it != queue_.end()) {
            found = *it;
            if (dequeue) {
                queue_.erase(it);
                current_ = found;
            }
            break;
        }
        if (now() >= untilDate)
            break;
        const bool more = waitTurn_ ? waitTurn_(mode, untilDate) : defaultWaitTurn(mode, untilDate);
        if (!more)
            break;
    }
    --depth_;
    mode_ = outerMode;
    if (depth_ == 0 && !queue_.empty())
        scheduleDispatch();
    return found;
}

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
    const std::size_t mark = eventPool().size();
    current_ = event;
    try {
        sendEvent(*event);
    } catch (const std::exception& e) {
        qWarning("kit: exception while handling an event: %s", e.what());
    }
    for (const Ref<Window>& w : Window::allWindows())
        w->updateTrackingAreasNow();
    // What the event kept alive goes now.
    auto& pool = eventPool();
    if (pool.size() > mark)
        pool.erase(pool.begin() + std::ptrdiff_t(mark), pool.end());
}

void Application::sendEvent(const Event& event)
{
    Ref<Window> window = event.window();
    if (event.isKeyEvent())
        window = keyWindow() ? keyWindow() : window;
    if (!window)
        return;
    // Input for other windows is dropped while a modal session runs.
    if (const Ref<Window> modal = modalWindow();
        modal && modal != window && event.type() != MouseMoved && event.type() != ApplicationDefined) {
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
    for (const Ref<Window>& w : Window::allWindows()) {
        w->noteGeometryChanged();
        w->setViewsNeedDisplay(true);
    }
}

namespace {

Ref<Object> searchChain(Responder* start, std::string_view action)
{
    for (Ref<Responder> r(start); r; r = r->nextResponder())
        if (r->respondsToAction(action))
            return r;
    return nullptr;
}

} // namespace

Ref<Object> Application::targetForActionToFrom(std::string_view action, const Weak<Object>& target, Object*)
{
    if (target.unsafeRaw()) {
        // A set target gets the action only if it responds; an expired one drops it.
        const Ref<Object> t = target.lock();
        auto* r = dynamic_cast<Responder*>(t.get());
        return r && r->respondsToAction(action) ? t : nullptr;
    }
    const Ref<Window> key = keyWindow();
    if (key)
        if (Ref<Object> t = searchChain(key->firstResponder().get(), action))
            return t;
    if (const Ref<Window> main = mainWindow(); main && main != key)
        if (Ref<Object> t = searchChain(main->firstResponder().get(), action))
            return t;
    if (respondsToAction(action))
        return Ref<Object>(this);
    return nullptr;
}

bool Application::sendActionToFrom(std::string_view action, const Weak<Object>& target, Object* sender)
{
    const Ref<Object> t = targetForActionToFrom(action, target, sender);
    auto* r = dynamic_cast<Responder*>(t.get());
    if (!r)
        return false;
    r->performAction(action, sender);
    return true;
}

} // namespace kit
