#pragma once

// A thread-safe map from keys to values shared between workers and the main thread. Unbounded:
// nothing is evicted behind the owner's back.

#include "kit/core/Object.h"

#include <mutex>
#include <optional>
#include <unordered_map>

namespace kit {

template <class Key, class Value> class Cache : public Object {
public:
    std::optional<Value> objectForKey(const Key& key) const
    {
        std::lock_guard lock(mutex_);
        auto it = map_.find(key);
        if (it == map_.end())
            return std::nullopt;
        return it->second;
    }
    void setObjectForKey(Value value, const Key& key)
    {
        std::lock_guard lock(mutex_);
        map_.insert_or_assign(key, std::move(value));
    }
    void removeObjectForKey(const Key& key)
    {
        std::lock_guard lock(mutex_);
        map_.erase(key);
    }
    void removeAllObjects()
    {
        std::lock_guard lock(mutex_);
        map_.clear();
    }
    std::size_t count() const
    {
        std::lock_guard lock(mutex_);
        return map_.size();
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<Key, Value> map_;
};

} // namespace kit
