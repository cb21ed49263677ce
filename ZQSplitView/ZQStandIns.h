#pragma once

// LOCAL SHIMS, to be replaced by the kit's own types when they reach this branch: a cursor
// object (kit::Cursor) and the few user-defaults calls the split view makes (kit::UserDefaults,
// standard defaults). Nothing outside ZQSplitView/ uses them.

#include "kit/core/Object.h"

#include <QString>
#include <Qt>

class ZQCursorStandIn : public kit::Object {
public:
    explicit ZQCursorStandIn(Qt::CursorShape shape)
        : shape(shape)
    { }
    const Qt::CursorShape shape;
};

namespace ZQDefaultsStandIn {
QString stringForKey(const QString& key);
void setObjectForKey(const QString& value, const QString& key);
void removeObjectForKey(const QString& key);
// Test-only: a private settings file (empty path: the application's settings again).
void useFileForTesting(const QString& path);
} // namespace ZQDefaultsStandIn
