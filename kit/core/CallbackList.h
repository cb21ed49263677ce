#pragma once

// A list of callbacks that callers add and later remove by the id they were given (observers of
// a queue's count, defaults changes, end-of-pass hooks). Thread-safe; callers call a snapshot, so
// a callback may add or remove callbacks while it runs.

#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace kit {

template <class Signature> class CallbackList {
public:
    using Callback = std::function<Signature>;
    using Id = std::uint64_t;

    // Ids start at 1 and are never reused.
    Id add(Callback fn)
    {
        std::lock_guard lock(mutex_);
        entries_.emplace_back(next_, std::move(fn));
        return next_++;
    }
    void remove(Id id)
    {
        std::lock_guard lock(mutex_);
        std::erase_if(entries_, [id](const auto& e) { return e.first == id; });
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        entries_.clear();
    }
    // The callbacks as they are now, in the order they were added.
    std::vector<Callback> snapshot() const
    {
        std::vector<Callback> out;
        std::lock_guard lock(mutex_);
        out.reserve(entries_.size());
        for (const auto& e : entries_)
            out.push_back(e.second);
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<Id, Callback>> entries_;
    Id next_ = 1;
};

} // namespace kit
