#pragma once

// What a scope bar asks of its data source and tells its delegate. The data source feeds the
// groups that are not bound (count and values required, images optional); every delegate
// operation is optional. The bar caches which optional operations are there when the data source
// or delegate is set, so an implementer registers their names with c.optionalOperation(...).

#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/graphics/Image.h"

#include <cstdint>

namespace kit {
class Notification;
}

class SRScopeBar;
class SRScopeBarGroup;

class SRScopeBarDataSource {
public:
    virtual ~SRScopeBarDataSource() = default;
    virtual std::int64_t scopeBarNumberOfObjectsInScopeBarGroup(SRScopeBar*, std::int64_t /*groupIndex*/) { return 0; }
    virtual kit::Value scopeBarValueForObjectInGroupAtIndex(SRScopeBar*, std::int64_t /*groupIndex*/, std::int64_t /*objectIndex*/) { return {}; }
    // Optional.
    virtual kit::Ref<kit::Image> scopeBarImageForObjectInGroupAtIndex(SRScopeBar*, std::int64_t /*groupIndex*/, std::int64_t /*objectIndex*/)
    {
        return nullptr;
    }
};

class SRScopeBarDelegate {
public:
    virtual ~SRScopeBarDelegate() = default;
    virtual bool scopeBarShouldSelectObject(SRScopeBar*, const kit::Value& /*object*/) { return true; }
    virtual bool scopeBarShouldCollapseGroup(SRScopeBar*, SRScopeBarGroup*) { return true; }
    virtual bool scopeBarShouldExpandGroup(SRScopeBar*, SRScopeBarGroup*) { return true; }
    // Every bar's "SRScopeBarSelectionDidChangeNotification", whichever bar this delegate serves.
    virtual void scopeBarSelectionDidChange(kit::Notification*) { }
};

// The notification a bar posts when a group's selection changes, and its user-info key.
inline const QString SRScopeBarSelectionDidChangeNotification = QStringLiteral("SRScopeBarSelectionDidChangeNotification");
inline const QString SRGroupIdentifierKey = QStringLiteral("SRGroupIdentifierKey");
// The name of the exception of a group helper made without group and bar.
inline const QString SRScopeBarException = QStringLiteral("SRScopeBarException");
