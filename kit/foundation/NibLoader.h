#pragma once

// Interface files: keyed archives (ui/<Name>.json in a bundle) whose "$top" lists the top-level
// objects and the connections:
//   "objects":  [<value>, ...]
//   "outlets":  [{"source": <value>, "key": "window", "destination": <value>}, ...]
//   "actions":  [{"source": <value>, "selector": "send", "target": <value or null>}, ...]
//   "bindings": [{"source": <value>, "binding": "value", "observable": <value>, "keyPath": "a.b",
//                 "options": {"$dict": [...]}}, ...]
// Values are archive values; {"$placeholder": "File's Owner"} is the owner, "First Responder" is
// a nil target, "Application" the object set with setApplicationObject. Loading makes every object
// through the class registry, then sets outlets and actions (by key-value coding: an action sets
// the source's "target" and "action" keys), then bindings, then sends awakeFromNib once to each
// object that implements it and last to the owner. Any failure (missing file, unknown class, bad
// reference, missing key) answers NO with a log line, before anything is connected.

#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QString>

namespace kit {

// Objects that want to finish setting up after all connections of their interface file are made.
class NibAwaking {
public:
    virtual ~NibAwaking() = default;
    virtual void awakeFromNib() = 0;
};

inline const QString NibOwnerPlaceholder = QStringLiteral("File's Owner");
inline const QString NibFirstResponderPlaceholder = QStringLiteral("First Responder");
inline const QString NibApplicationPlaceholder = QStringLiteral("Application");

class NibLoader {
public:
    // Loads the interface file at `path`. Top-level objects are appended to `topLevelObjects` when
    // given; otherwise they live on only through the connections made to them.
    static bool loadInterfaceFile(const QString& path, Object* owner, Array* topLevelObjects = nullptr, QString* error = nullptr);
    // Loads `data` as an interface file; `name` is used in messages.
    static bool loadInterfaceData(
        const QByteArray& data, const QString& name, Object* owner, Array* topLevelObjects = nullptr, QString* error = nullptr);

    // The object "Application" stands for (the application sets itself).
    static void setApplicationObject(Object* application);
};

} // namespace kit
