#pragma once

// A unit of work for an OperationQueue: runs once, can be cancelled before or while it runs
// (the body checks isCancelled), and reports when it finished. BlockOperation runs closures;
// InvocationOperation calls a method on a target it keeps alive until it ran.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Selector.h"
#include "kit/core/Value.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <type_traits>
#include <vector>

namespace kit {

class Operation : public Object {
    KIT_CLASS(Operation)

    // Runs the body unless cancelled, then marks the operation finished. Once only.
    void start();
    void cancel() { cancelled_.store(true, std::memory_order_release); }
    bool isCancelled() const { return cancelled_.load(std::memory_order_acquire); }
    bool isExecuting() const { return executing_.load(std::memory_order_acquire); }
    bool isFinished() const;
    void waitUntilFinished();

protected:
    // The work; subclasses override.
    virtual void main() { }

private:
    std::atomic<bool> cancelled_ { false };
    std::atomic<bool> executing_ { false };
    std::atomic<bool> started_ { false };
    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;
};

class BlockOperation : public Operation {
    KIT_CLASS(BlockOperation)

    static Ref<BlockOperation> blockOperationWithBlock(std::function<void()> block);
    // Blocks run one after another on the operation's thread.
    void addExecutionBlock(std::function<void()> block);

protected:
    void main() override;

private:
    std::mutex mutex_;
    std::vector<std::function<void()>> blocks_;
};

class InvocationOperation : public Operation {
    KIT_CLASS(InvocationOperation)

    // Calls the target's action `selector` with `argument`; both stay alive until the call ran.
    static Ref<InvocationOperation> initWithTargetSelectorObject(Object* target, Selector selector, const Value& argument);

    // The same with a member function: (target.*selector)(argument).
    template <class T, class S, class A, std::enable_if_t<std::is_member_function_pointer_v<S>, int> = 0>
    static Ref<InvocationOperation> initWithTargetSelectorObject(T* target, S selector, A argument)
    {
        static_assert(std::is_base_of_v<Object, T>);
        auto op = make<InvocationOperation>();
        op->call_
            = [target = Ref<T>(target), selector, argument = std::move(argument)]() mutable { std::invoke(selector, *target, argument); };
        return op;
    }

protected:
    void main() override;

private:
    std::function<void()> call_;
};

} // namespace kit
