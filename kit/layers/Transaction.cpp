#include "kit/layers/Transaction.h"

#include "kit/appkit/FrameDriver.h"
#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/foundation/RunLoop.h"
#include "kit/layers/Layer.h"

#include <array>
#include <utility>
#include <vector>

namespace kit {

namespace transaction {

// Counts the animations a transaction waits for; fires its completion when closed and none is left.
struct CompletionGroup {
    int pending = 0;
    bool closed = false;
    std::function<void()> completion;

    void fireIfDone()
    {
        if (closed && pending == 0 && completion)
            std::exchange(completion, nullptr)();
    }
};

struct Frame {
    bool implicit = false;
    Dictionary values;
    std::shared_ptr<CompletionGroup> group = std::make_shared<CompletionGroup>();
    // Inner transactions that ended with nothing to wait for: they complete with the outermost.
    std::vector<std::shared_ptr<CompletionGroup>> deferred;
};

struct State {
    std::vector<Frame> stack;
    std::vector<Weak<Layer>> needLayout;
    std::vector<Weak<Layer>> needDisplay;
    std::vector<Weak<Layer>> fresh;
    bool observerPending = false;
    RunLoop::ObserverId observer = 0;
    bool committing = false;
    std::uint64_t commits = 1;
    // Counts changes of the open transactions and their values: what a lookup answered and the
    // completion token handed out hold until it moves (a change of thousands of layers asks each).
    std::uint64_t generation = 1;
    struct Answer {
        std::uint64_t generation = 0;
        Value value;
    };
    std::array<Answer, 3> answers;
    std::weak_ptr<void> token;
    std::uint64_t tokenGeneration = 0;
};

State& state()
{
    static State s;
    return s;
}

constexpr int LayoutRounds = 10;

void scheduleEndOfPass()
{
    State& s = state();
    if (s.observerPending)
        return;
    s.observerPending = true;
    RunLoop& loop = RunLoop::main();
    s.observer = loop.addObserver([] {
        State& st = state();
        RunLoop::main().removeObserver(st.observer);
        st.observerPending = false;
        Transaction::flush();
    });
    loop.enqueueMainBlock([] { });
}

// An earlier commit makes the end-of-pass observer unnecessary (a test's run-loop reset may also
// have dropped it); the next change schedules a new one.
void dropEndOfPass()
{
    State& s = state();
    if (!s.observerPending)
        return;
    RunLoop::main().removeObserver(s.observer);
    s.observerPending = false;
}

void openImplicit()
{
    State& s = state();
    if (s.stack.empty()) {
        Frame f;
        f.implicit = true;
        s.stack.push_back(std::move(f));
        ++s.generation;
        static const bool registered = [] {
            // Each animation frame commits what that frame's setters changed.
            FrameDriver::shared().setStep(FrameDriver::Commit, [] {
                Transaction::flush();
                return false;
            });
            return true;
        }();
        (void)registered;
    }
    scheduleEndOfPass();
}

// Layout of every marked layer, from its highest marked ancestor down, until none is marked.
void layoutMarked()
{
    State& s = state();
    for (int round = 0; round < LayoutRounds; ++round) {
        std::vector<Weak<Layer>> marked = std::exchange(s.needLayout, {});
        bool any = false;
        for (const Weak<Layer>& w : marked) {
            const Ref<Layer> l = w.lock();
            if (!l)
                continue;
            Transaction::layoutUnqueued(*l); // marked again from here on, listed again
            if (l->needsLayout()) {
                any = true;
                l->layoutIfNeeded();
            }
        }
        if (!any && s.needLayout.empty())
            return;
    }
    logMessage(QStringLiteral("*** Layer layout did not settle after %1 rounds").arg(LayoutRounds));
    Transaction::forgetLayoutQueue();
}

Value lookupInStack(const QString& key)
{
    const State& s = state();
    for (auto it = s.stack.rbegin(); it != s.stack.rend(); ++it)
        if (it->values.containsKey(Value(key)))
            return it->values.objectForKey(Value(key));
    return {};
}

Value lookup(const QString& key)
{
    State& s = state();
    // The kit's own keys (these very constants) are remembered until the transactions change.
    const QString* known[] = { &TransactionDisableActions, &TransactionAnimationDuration, &TransactionAnimationTimingFunction };
    for (std::size_t i = 0; i < s.answers.size(); ++i)
        if (known[i] == &key) {
            State::Answer& a = s.answers[i];
            if (a.generation != s.generation)
                a = { s.generation, lookupInStack(key) };
            return a.value;
        }
    return lookupInStack(key);
}

void store(const Value& value, const QString& key)
{
    if (state().stack.empty())
        openImplicit();
    state().stack.back().values.setObjectForKey(value, Value(key));
    ++state().generation;
}

} // namespace transaction

void Transaction::begin()
{
    KIT_ASSERT(isMainThread(), "Transactions run on the main thread only");
    transaction::openImplicit();
    transaction::state().stack.push_back(transaction::Frame {});
    ++transaction::state().generation;
}

void Transaction::commit()
{
    transaction::State& s = transaction::state();
    if (s.stack.empty())
        return;
    if (s.stack.size() == 1) {
        if (s.committing)
            return;
        s.committing = true;
        try {
            transaction::layoutMarked();
            displayMarkedLayers();
        } catch (...) {
            s.committing = false;
            throw;
        }
        s.committing = false;
        ++s.commits;
        for (const Weak<Layer>& w : std::exchange(s.fresh, {}))
            if (const Ref<Layer> l = w.lock())
                l->committed_ = true;
        transaction::Frame frame = std::move(s.stack.back());
        s.stack.pop_back();
        ++s.generation;
        transaction::dropEndOfPass();
        frame.group->closed = true;
        for (const auto& inner : frame.deferred)
            inner->fireIfDone();
        frame.group->fireIfDone();
        return;
    }
    transaction::Frame frame = std::move(s.stack.back());
    s.stack.pop_back();
    ++s.generation;
    frame.group->closed = true;
    transaction::Frame& outer = s.stack.back();
    outer.deferred.insert(outer.deferred.end(), frame.deferred.begin(), frame.deferred.end());
    if (frame.group->pending == 0 && frame.group->completion)
        outer.deferred.push_back(frame.group);
}

void Transaction::flush()
{
    transaction::State& s = transaction::state();
    if (s.stack.size() == 1 && s.stack.back().implicit) {
        commit();
        return;
    }
    if (s.stack.empty()) {
        // Nothing open: layers made since the last commit count as committed all the same.
        for (const Weak<Layer>& w : std::exchange(s.fresh, {}))
            if (const Ref<Layer> l = w.lock())
                l->committed_ = true;
    }
}

bool Transaction::disableActions() { return transaction::lookup(TransactionDisableActions).boolValue(); }

void Transaction::setDisableActions(bool flag) { transaction::store(Value(flag), TransactionDisableActions); }

double Transaction::animationDuration()
{
    const Value v = transaction::lookup(TransactionAnimationDuration);
    return v.isNumber() ? v.doubleValue() : 0.25;
}

bool Transaction::hasAnimationDuration() { return transaction::lookup(TransactionAnimationDuration).isNumber(); }

void Transaction::setAnimationDuration(double seconds) { transaction::store(Value(seconds), TransactionAnimationDuration); }

Ref<MediaTimingFunction> Transaction::animationTimingFunction() { return transaction::lookup(TransactionAnimationTimingFunction).objectAs<MediaTimingFunction>(); }

void Transaction::setAnimationTimingFunction(const Ref<MediaTimingFunction>& function)
{
    transaction::store(Value(function), TransactionAnimationTimingFunction);
}

void Transaction::setCompletionBlock(std::function<void()> block)
{
    if (transaction::state().stack.empty())
        transaction::openImplicit();
    transaction::state().stack.back().group->completion = std::move(block);
}

Value Transaction::valueForKey(const QString& key)
{
    if (key == TransactionAnimationDuration)
        return Value(animationDuration());
    if (key == TransactionDisableActions)
        return Value(disableActions());
    return transaction::lookup(key);
}

void Transaction::setValueForKey(const Value& value, const QString& key) { transaction::store(value, key); }

void Transaction::layerChanged()
{
    KIT_ASSERT(isMainThread(), "Layers change on the main thread only");
    transaction::openImplicit();
}

void Transaction::layerNeedsLayout(Layer* layer)
{
    transaction::openImplicit();
    // Once in the list until the commit takes it: adding a thousand sublayers marks their
    // superlayer a thousand times.
    if (std::exchange(layer->layoutQueued_, true))
        return;
    transaction::state().needLayout.emplace_back(layer);
}

void Transaction::layoutUnqueued(Layer& layer) { layer.layoutQueued_ = false; }

std::uint64_t Transaction::commitCount() { return transaction::state().commits; }

void Transaction::forgetLayoutQueue()
{
    for (const Weak<Layer>& w : std::exchange(transaction::state().needLayout, {}))
        if (const Ref<Layer> l = w.lock())
            l->layoutQueued_ = false;
}

void Transaction::layerNeedsDisplay(Layer* layer)
{
    transaction::openImplicit();
    transaction::state().needDisplay.emplace_back(layer);
}

void Transaction::layerIsNew(Layer* layer) { transaction::state().fresh.emplace_back(layer); }

std::shared_ptr<void> Transaction::retainCompletion()
{
    // One token for every animation added while the same transactions are open: the groups wait
    // until the last of them lets go.
    transaction::State& s = transaction::state();
    if (s.tokenGeneration == s.generation)
        if (std::shared_ptr<void> shared = s.token.lock(); shared.use_count() > 0) // it holds no pointer
            return shared;
    std::vector<std::shared_ptr<transaction::CompletionGroup>> groups;
    for (const transaction::Frame& f : transaction::state().stack) {
        ++f.group->pending;
        groups.push_back(f.group);
    }
    std::shared_ptr<void> token(nullptr, [groups = std::move(groups)](void*) {
        for (const auto& g : groups) {
            --g->pending;
            g->fireIfDone();
        }
    });
    s.token = token;
    s.tokenGeneration = s.generation;
    return token;
}

void Transaction::displayMarkedLayers()
{
    for (const Weak<Layer>& w : std::exchange(transaction::state().needDisplay, {}))
        if (const Ref<Layer> l = w.lock())
            l->displayIfNeeded();
}

void Transaction::resetForTesting()
{
    transaction::State& s = transaction::state();
    s.stack.clear();
    ++s.generation;
    forgetLayoutQueue();
    s.needDisplay.clear();
    s.fresh.clear();
    s.observerPending = false;
    ++s.commits;
}

} // namespace kit
