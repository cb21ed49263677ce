#pragma once

// A thread-safe map from keys to values shared between workers and the main thread. Without a
// cost limit nothing is evicted behind the owner's back; with one, the least recently used
// entries go until the total cost is within it again.

#include "kit/core/Object.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace kit {

template <class Key, class Value> class Cache : public Object {
public:
    // A lookup counts as a use.
    std::optional<Value> objectForKey(const Key& key) const
    {
        std::lock_guard lock(mutex_);
        auto it = map_.find(key);
        if (it == map_.end())
            return std::nullopt;
        order_.splice(order_.end(), order_, it->second.use);
        return it->second.value;
    }
    void setObjectForKey(Value value, const Key& key) { setObjectForKeyCost(std::move(value), key, 0); }
    void setObjectForKeyCost(Value value, const Key& key, std::uint64_t cost)
    {
        std::lock_guard lock(mutex_);
        auto it = map_.find(key);
        if (it != map_.end()) {
            totalCost_ -= it->second.cost;
            it->second.value = std::move(value);
            it->second.cost = cost;
            order_.splice(order_.end(), order_, it->second.use);
        } else {
            order_.push_back(key);
            map_.emplace(key, Entry { std::move(value), cost, std::prev(order_.end()) });
        }
        totalCost_ += cost;
        evictLocked();
    }
    void removeObjectForKey(const Key& key)
    {
        std::lock_guard lock(mutex_);
        auto it = map_.find(key);
        if (it != map_.end())
            eraseLocked(it);
    }
    void removeAllObjects()
    {
        std::lock_guard lock(mutex_);
        map_.clear();
        order_.clear();
        totalCost_ = 0;
    }
    std::size_t count() const
    {
        std::lock_guard lock(mutex_);
        return map_.size();
    }

    // 0 means no limit. Lowering it evicts at once.
    void setTotalCostLimit(std::uint64_t limit)
    {
        std::lock_guard lock(mutex_);
        totalCostLimit_ = limit;
        evictLocked();
    }
    std::uint64_t totalCostLimit() const
    {
        std::lock_guard lock(mutex_);
        return totalCostLimit_;
    }
    std::uint64_t totalCost() const
    {
        std::lock_guard lock(mutex_);
        return totalCost_;
    }

    // Stored only: no value here has content that can be discarded.
    void setEvictsObjectsWithDiscardedContent(bool flag) { evictsDiscarded_.store(flag); }
    bool evictsObjectsWithDiscardedContent() const { return evictsDiscarded_.load(); }

private:
    struct Entry {
        Value value;
        std::uint64_t cost;
        typename std::list<Key>::iterator use;
    };
    using Map = std::unordered_map<Key, Entry>;

    void eraseLocked(typename Map::iterator it)
    {
        totalCost_ -= it->second.cost;
        order_.erase(it->second.use);
        map_.erase(it);
    }
    // The newest entry stays even when it alone exceeds the limit: its owner just asked for it.
    void evictLocked()
    {
        if (totalCostLimit_ == 0)
            return;
        while (totalCost_ > totalCostLimit_ && order_.size() > 1)
            eraseLocked(map_.find(order_.front()));
    }

    mutable std::mutex mutex_;
    Map map_;
    mutable std::list<Key> order_; // least recently used first
    std::uint64_t totalCost_ = 0;
    std::uint64_t totalCostLimit_ = 0;
    std::atomic<bool> evictsDiscarded_ { true };
};

} // namespace kit
