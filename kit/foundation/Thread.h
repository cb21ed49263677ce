#pragma once

// A thread running one method of a target (kept alive while it runs). Cancelling is a request the
// body checks with isCancelled; it also wakes the thread from sleepForTimeInterval, which sleeps on
// the kit clock so that a manual clock drives it in tests. Dropping a running thread cancels and
// joins it.

#include "kit/core/Object.h"
#include "kit/core/Selector.h"
#include "kit/core/Value.h"

#include <atomic>
#include <functional>
#include <stop_token>
#include <thread>
#include <type_traits>

namespace kit {

class Thread : public Object {
public:
    // Runs the target's registered action `selector` with `argument`; both stay alive while it runs.
    static Ref<Thread> initWithTargetSelectorObject(Object* target, Selector selector, const Value& argument);

    // The same with a member function: (target.*selector)(argument).
    template <class T, class S, class A, std::enable_if_t<std::is_member_function_pointer_v<S>, int> = 0>
    static Ref<Thread> initWithTargetSelectorObject(T* target, S selector, A argument)
    {
        static_assert(std::is_base_of_v<Object, T>);
        return make<Thread>(
            [target = Ref<T>(target), selector, argument = std::move(argument)]() mutable { std::invoke(selector, *target, argument); });
    }

    explicit Thread(std::function<void()> body);
    ~Thread() override;

    void start();
    void cancel();
    bool isCancelled() const;
    bool isExecuting() const { return executing_.load(std::memory_order_acquire); }
    bool isFinished() const { return finished_.load(std::memory_order_acquire); }
    // Waits until the body returned. Not from the thread itself.
    void join();

    // The kit thread running the caller, or nullptr (main thread, pool workers).
    static Thread* currentThread();
    // Sleeps on the kit clock; a cancel of the current kit thread ends the sleep early.
    static void sleepForTimeInterval(double seconds);
    static bool isMainThread();

private:
    std::function<void()> body_;
    std::jthread thread_;
    std::atomic<bool> executing_ { false };
    std::atomic<bool> finished_ { false };
    std::atomic<bool> cancelRequested_ { false };
};

} // namespace kit
