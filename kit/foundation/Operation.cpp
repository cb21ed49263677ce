#include "kit/foundation/Operation.h"

namespace kit {

KIT_REGISTER_CLASS(Operation, Object)
{
    c.property("isCancelled", &Operation::isCancelled);
    c.property("isExecuting", &Operation::isExecuting);
    c.property("isFinished", &Operation::isFinished);
    c.action("cancel", &Operation::cancel);
}

KIT_REGISTER_CLASS(BlockOperation, Operation) { }

KIT_REGISTER_CLASS(InvocationOperation, Operation) { c.noFactory(); }

Ref<InvocationOperation> InvocationOperation::initWithTargetSelectorObject(Object* target, Selector selector, const Value& argument)
{
    auto op = make<InvocationOperation>();
    op->call_ = [target = Ref<Object>(target), selector, argument] { target->performSelectorWithObject(selector, argument); };
    return op;
}

void Operation::start()
{
    if (started_.exchange(true))
        return;
    if (!isCancelled()) {
        executing_ = true;
        main();
        executing_ = false;
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    finishedChanged_.notify_all();
}

bool Operation::isFinished() const
{
    std::lock_guard lock(mutex_);
    return finished_;
}

void Operation::waitUntilFinished()
{
    std::unique_lock lock(mutex_);
    finishedChanged_.wait(lock, [this] { return finished_; });
}

Ref<BlockOperation> BlockOperation::blockOperationWithBlock(std::function<void()> block)
{
    auto op = make<BlockOperation>();
    op->addExecutionBlock(std::move(block));
    return op;
}

void BlockOperation::addExecutionBlock(std::function<void()> block)
{
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
}

void BlockOperation::main()
{
    std::vector<std::function<void()>> blocks;
    {
        std::lock_guard lock(mutex_);
        blocks.swap(blocks_);
    }
    for (auto& b : blocks)
        b();
}

void InvocationOperation::main()
{
    auto call = std::move(call_);
    if (call)
        call();
}

} // namespace kit
