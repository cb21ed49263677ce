// Ending the application: one terminate for the menu's Quit, the last window's close and Qt's own
// quit requests (QCoreApplication::quit, a session's end).

#include "kit/appkit/Application.h"

#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace kit {

namespace {

// Qt's quit asks each window to close and gives up at the first that stays, which every kit
// window does (WindowHost::closeEvent): the request goes to terminate instead.
class QuitRequestFilter final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Quit || watched != QCoreApplication::instance())
            return false;
        Application::sharedApplication()->terminate(nullptr);
        return true;
    }
};

} // namespace

void Application::routeQuitThroughTerminate()
{
    auto* qtApp = QCoreApplication::instance();
    if (!qtApp)
        return;
    qtApp->installEventFilter(new QuitRequestFilter(qtApp));
    Weak<Application> weak(this);
    QObject::connect(qtApp, &QCoreApplication::aboutToQuit, qtApp, [weak] {
        const Ref<Application> self = weak.lock();
        if (!self)
            return;
        // A loop ended some other way (exit with a status) still says goodbye, once.
        if (!self->terminating_)
            self->postWillTerminate();
        // A termination lasts until no loop is left.
        if (QThread::currentThread()->loopLevel() == 0)
            self->terminating_ = false;
    });
}

void Application::postWillTerminate()
{
    const Ref<Notification> note = Notification::notificationWithNameObjectUserInfo(ApplicationWillTerminateNotification, this);
    if (const Ref<Object> d = delegate(); d && d->respondsToSelector(Selector("applicationWillTerminate")))
        if (auto* ad = dynamic_cast<ApplicationDelegate*>(d.get()))
            ad->applicationWillTerminate(note.get());
    NotificationCenter::defaultCenter()->postNotification(note);
}

void Application::terminate(Object*)
{
    if (terminating_)
        return;
    if (const Ref<Object> d = delegate(); d && d->respondsToSelector(Selector("applicationShouldTerminate")))
        if (auto* ad = dynamic_cast<ApplicationDelegate*>(d.get()); ad && ad->applicationShouldTerminate(this) == TerminateCancel)
            return;
    const Ref<Application> keep(this);
    terminating_ = true;
    postWillTerminate();
    // Front to back; a window that goes with its parent is skipped.
    for (const Ref<Window>& w : orderedWindows())
        if (w->isVisible())
            w->close();
    QCoreApplication::exit(0);
}

} // namespace kit
