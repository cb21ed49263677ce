#include "kit/core/MainThread.h"

#include "kit/core/Exception.h"
#include "kit/foundation/MainThread.h"

#include <QCoreApplication>

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
    if (!QCoreApplication::instance()) {
        runCatching(work);
        return;
    }
    performOnMainThread([work = std::move(work)] { runCatching(work); }, false);
}

} // namespace kit
