#include "kit/core/MainThread.h"

#include "kit/core/Exception.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <mutex>

namespace kit {

namespace {

std::mutex& posterMutex()
{
    static std::mutex m;
    return m;
}

MainThreadPoster& installedPoster()
{
    static MainThreadPoster p;
    return p;
}

void runCatching(const std::function<void()>& work)
{
    try {
        work();
    } catch (const Exception& e) {
        kit::log(QStringLiteral("*** Terminating app due to uncaught exception '%@', reason: '%@'"), e.name(), e.reason());
    } catch (const std::exception& e) {
        kit::log(QStringLiteral("*** Uncaught exception: %s"), e.what());
    }
}

} // namespace

MainThreadPoster setMainThreadPoster(MainThreadPoster poster)
{
    std::lock_guard guard(posterMutex());
    return std::exchange(installedPoster(), std::move(poster));
}

void postToMainThread(std::function<void()> work)
{
    MainThreadPoster poster;
    {
        std::lock_guard guard(posterMutex());
        poster = installedPoster();
    }
    if (poster) {
        poster(std::move(work));
        return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        runCatching(work);
        return;
    }
    QMetaObject::invokeMethod(
        app, [work = std::move(work)] { runCatching(work); }, Qt::QueuedConnection);
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

} // namespace kit
