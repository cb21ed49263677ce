#pragma once

// A unit of work for an OperationQueue: runs once, can be cancelled before or while it runs
// (the body checks isCancelled), and reports when it finished. BlockOperation runs closures;
// InvocationOperation calls a method on a target it keeps alive until it ran.

#include "kit/core/Object.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <type_traits>
#include <vector>

namespace kit {

class Operation : public Object {
public:
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
public:
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
public:
    // Calls (target.*selector)(argument); target and argument stay alive until the call ran.
    template <class T, class S, class A> static Ref<InvocationOperation> initWithTargetSelectorObject(T* target, S selector, A argument)
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
