#include "kit/foundation/Thread.h"

#include "kit/core/AutoreleasePool.h"
#include "kit/core/Exception.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/CrashLog.h"
#include "kit/foundation/MainThread.h"

#include <QtGlobal>

#include <exception>

namespace kit {

namespace {
thread_local Thread* runningThread = nullptr;
thread_local std::stop_token runningStop;
} // namespace

Ref<Thread> Thread::initWithTargetSelectorObject(Object* target, Selector selector, const Value& argument)
{
    return make<Thread>([target = Ref<Object>(target), selector, argument] { target->performSelectorWithObject(selector, argument); });
}

Thread::Thread(std::function<void()> body)
    : body_(std::move(body))
{ }

Thread::~Thread()
{
    // A thread dropped while running is stopped and waited for, never left touching freed state.
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.request_stop();
            thread_.join();
        }
    }
}

void Thread::start()
{
    if (thread_.joinable() || finished_)
        return;
    executing_ = true;
    thread_ = std::jthread([this](std::stop_token stop) {
        CrashLog::prepareThread();
        runningThread = this;
        runningStop = stop;
        auto body = std::move(body_);
        try {
            AutoreleasePool pool;
            body();
        } catch (const Exception& e) {
            kit::log(QStringLiteral("*** Uncaught exception '%@' in a thread, reason: '%@'"), e.name(), e.reason());
        } catch (const std::exception& e) {
            kit::log(QStringLiteral("*** Uncaught exception in a thread: %s"), e.what());
        } catch (...) {
            kit::log(QStringLiteral("*** Unknown exception in a thread"));
        }
        body = nullptr;
        runningThread = nullptr;
        runningStop = {};
        executing_ = false;
        finished_ = true;
    });
    if (cancelRequested_)
        thread_.request_stop();
}

void Thread::cancel()
{
    cancelRequested_ = true;
    if (thread_.joinable())
        thread_.request_stop();
}

bool Thread::isCancelled() const { return cancelRequested_.load(std::memory_order_acquire); }

void Thread::join()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

Thread* Thread::currentThread() { return runningThread; }

void Thread::sleepForTimeInterval(double seconds)
{
    if (runningThread && runningThread->isCancelled())
        return;
    Clock::current().sleepFor(seconds, runningStop);
}

bool Thread::isMainThread() { return kit::isMainThread(); }

} // namespace kit
