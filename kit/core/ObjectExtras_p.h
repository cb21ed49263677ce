#pragma once

// Per-object side table for observations, bindings and stored keys, made on first use and deleted
// with the object. Private to kit/core.

#include "kit/core/Object.h"

#include <QHash>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace kit {
struct PropertyInfo;
}

namespace kit::detail {

class ChainLink;

struct Observation {
    QString keyPath;
    QString firstKey;
    QString rest; // empty for a single key
    // Resolved at registration, so that a change neither hashes nor looks up key strings: the
    // registered accessor of the first key (null: read through valueForKey), and the other keys
    // whose changes affect it (dependent keys).
    const PropertyInfo* firstKeyProperty = nullptr;
    QStringList affectingKeys;
    Weak<Object> observer;
    const Object* observerIdentity = nullptr;
    unsigned options = 0;
    void* context = nullptr;
    std::atomic<bool> alive { true };
    Ref<ChainLink> chain;

    ~Observation();
};

using ObservationList = std::vector<std::shared_ptr<Observation>>;

struct ObjectExtras {
    std::mutex mutex;
    // Replaced, never edited, so a delivery can walk a snapshot outside the lock.
    std::shared_ptr<const ObservationList> observations;
    // The list `observations` holds, compared without the lock: a did-change whose will-change saw
    // the same list reuses that snapshot.
    std::atomic<const ObservationList*> current { nullptr };
    std::atomic<int> observationCount { 0 };
    // Registrations that want old values or prior notifications: will-change has work only then.
    std::atomic<int> oldValueCount { 0 };
    Dictionary storedKeys;
    QHash<QString, Ref<Object>> bindings;

    std::shared_ptr<const ObservationList> snapshot()
    {
        std::lock_guard guard(mutex);
        return observations;
    }
    void add(std::shared_ptr<Observation> o);
    bool remove(const Observation* o);
};

// Detaches observations when their object dies (used by ~Object).
void destroyExtras(ObjectExtras* extras);

} // namespace kit::detail
