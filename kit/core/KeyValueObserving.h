#pragma once

// Key-value observing: the change record an observer receives, observation of each element of an
// array, and the test hook that counts registrations. Registration itself is on kit::Object.

#include "kit/core/Object.h"

namespace kit {

inline const QString KeyValueChangeKindKey = QStringLiteral("kind");
inline const QString KeyValueChangeNewKey = QStringLiteral("new");
inline const QString KeyValueChangeOldKey = QStringLiteral("old");
inline const QString KeyValueChangeIndexesKey = QStringLiteral("indexes");
inline const QString KeyValueChangeNotificationIsPriorKey = QStringLiteral("notificationIsPrior");

namespace detail {
const IndexSet& noIndexes();
}

// What changed. New and old are present when asked for (Null for nil); for to-many changes they
// hold arrays of the affected elements and `indexes` says where.
struct KeyValueChange {
    KeyValueChangeKind kind = KeyValueChangeSetting;
    Value newValue;
    Value oldValue;
    bool hasIndexes = false;
    IndexSet indexes = detail::noIndexes(); // shared: a change without indexes allocates none
    bool isPrior = false;

    // The change as the dictionary keys above ("kind", "new", "old", "indexes").
    Value valueForKey(const QString& key) const;
};

// Registers `observer` with each element of `array` at `indexes` that is an object.
void addObserverToObjectsAtIndexesForKeyPathOptionsContext(
    const Array& array, Object* observer, const IndexSet& indexes, const QString& keyPath, unsigned options, void* context);
void removeObserverFromObjectsAtIndexesForKeyPath(const Array& array, Object* observer, const IndexSet& indexes, const QString& keyPath);

namespace debug {
// Live registrations on `object` (for one key path, or all); dead observers are not counted.
int observationCount(const Object* object);
int observationCount(const Object* object, const QString& keyPath);
} // namespace debug

} // namespace kit
