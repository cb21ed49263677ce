#pragma once

// The table grid's data source and delegate: every operation is optional. An implementer derives
// from the protocol and from kit::Object, overrides what it supports and registers those names
// with its class (c.optionalOperations); the grid sends only what respondsToSelector answers.

#include "kit/appkit/Dragging.h"
#include "kit/core/IndexSet.h"
#include "kit/core/Value.h"
#include "kit/graphics/Color.h"

#include <QString>

#include <cstdint>

class JVLTableGrid;

namespace kit {
class Notification;
class Pasteboard;
}

inline const QString JVLTableGridDidChangeSelectionNotification = QStringLiteral("JVLTableGridDidChangeSelectionNotification");
inline const QString JVLTableGridDidMoveColumnsNotification = QStringLiteral("JVLTableGridDidMoveColumnsNotification");
inline const QString JVLTableGridDidMoveRowsNotification = QStringLiteral("JVLTableGridDidMoveRowsNotification");
inline const QString JVLTableGridOldColumnsKey = QStringLiteral("OldColumns");
inline const QString JVLTableGridNewColumnsKey = QStringLiteral("NewColumns");
inline const QString JVLTableGridOldRowsKey = QStringLiteral("OldRows");
inline const QString JVLTableGridNewRowsKey = QStringLiteral("NewRows");
inline const QString JVLTableGridColumnDataType = QStringLiteral("JVLTableGridColumnDataType");
inline const QString JVLTableGridRowDataType = QStringLiteral("JVLTableGridRowDataType");

class JVLTableGridDataSource {
public:
    virtual ~JVLTableGridDataSource() = default;
    virtual std::int64_t numberOfColumnsInTableGrid(JVLTableGrid*) { return 0; }
    virtual std::int64_t numberOfRowsInTableGrid(JVLTableGrid*) { return 0; }
    virtual kit::Value tableGridObjectValueForColumnRow(JVLTableGrid*, std::int64_t, std::int64_t) { return {}; }
    virtual void tableGridSetObjectValueForColumnRow(JVLTableGrid*, const kit::Value&, std::int64_t, std::int64_t) { }
    virtual kit::Ref<kit::Color> tableGridBackgroundColorForColumnRow(JVLTableGrid*, std::int64_t, std::int64_t) { return nullptr; }
    virtual QString tableGridHeaderStringForColumn(JVLTableGrid*, std::int64_t) { return {}; }
    virtual QString tableGridHeaderStringForRow(JVLTableGrid*, std::int64_t) { return {}; }
    virtual float tableGridSetWidthForColumn(JVLTableGrid*, std::int64_t) { return 60; }
    virtual bool tableGridWriteColumnsWithIndexesToPasteboard(JVLTableGrid*, const kit::IndexSet&, kit::Pasteboard*) { return false; }
    virtual bool tableGridWriteRowsWithIndexesToPasteboard(JVLTableGrid*, const kit::IndexSet&, kit::Pasteboard*) { return false; }
    virtual bool tableGridCanMoveColumnsToIndex(JVLTableGrid*, const kit::IndexSet&, std::int64_t) { return false; }
    virtual bool tableGridCanMoveRowsToIndex(JVLTableGrid*, const kit::IndexSet&, std::int64_t) { return false; }
    virtual bool tableGridMoveColumnsToIndex(JVLTableGrid*, const kit::IndexSet&, std::int64_t) { return false; }
    virtual bool tableGridMoveRowsToIndex(JVLTableGrid*, const kit::IndexSet&, std::int64_t) { return false; }
    virtual std::uint64_t tableGridValidateDropProposedColumnRow(JVLTableGrid*, kit::DraggingInfo&, std::int64_t, std::int64_t)
    {
        return kit::DragOperationNone;
    }
    virtual bool tableGridAcceptDropColumnRow(JVLTableGrid*, kit::DraggingInfo&, std::int64_t, std::int64_t) { return false; }
};

class JVLTableGridDelegate {
public:
    virtual ~JVLTableGridDelegate() = default;
    virtual kit::IndexSet tableGridWillSelectColumnsAtIndexPath(JVLTableGrid*, const kit::IndexSet& proposed) { return proposed; }
    virtual kit::IndexSet tableGridWillSelectRowsAtIndexPath(JVLTableGrid*, const kit::IndexSet& proposed) { return proposed; }
    virtual bool tableGridShouldEditColumnRow(JVLTableGrid*, std::int64_t, std::int64_t) { return true; }
    virtual void tableGridDidChangeSelection(kit::Notification*) { }
    virtual void tableGridDidMoveColumns(kit::Notification*) { }
    virtual void tableGridDidMoveRows(kit::Notification*) { }
};
