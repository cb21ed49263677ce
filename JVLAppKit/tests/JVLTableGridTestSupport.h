#pragma once

// Fixtures for the table grid tests: a recording data source and delegate whose optional
// operations are switched on per test, and a key window holding a grid with an event script.

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"
#include "JVLAppKit/JVLTableGrid/JVLTableGridContentView.h"
#include "JVLAppKit/JVLTableGrid/JVLTableGridHeaderView.h"

#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/testsupport/EventScript.h"

#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <utility>



// Answers only the operations in `ops`; counts every call by name; stores values in a map.
class TableGridTestDataSource : public kit::Object, public JVLTableGridDataSource {
    KIT_CLASS(TableGridTestDataSource)
    TableGridTestDataSource() = default;

    static QSet<QString> allOperations();
    bool respondsToSelector(const kit::Selector& s) const override
    {
        return allOperations().contains(s.name()) ? ops.contains(s.name()) : Object::respondsToSelector(s);
    }

    QSet<QString> ops { QStringLiteral("numberOfColumnsInTableGrid"), QStringLiteral("numberOfRowsInTableGrid"),
        QStringLiteral("tableGridObjectValueForColumnRow") };
    std::int64_t columns = 8;
    std::int64_t rows = 30;
    std::map<std::pair<std::int64_t, std::int64_t>, kit::Value> values;
    std::map<std::int64_t, float> widths;
    mutable std::map<QString, int> calls;
    QStringList log;
    bool answer = true; // for write, canMove and move
    std::uint64_t dropOperation = kit::DragOperationCopy;
    std::vector<std::pair<std::int64_t, std::int64_t>> valueCalls;

    int count(const char* name) const { return calls[QString::fromUtf8(name)]; }

    std::int64_t numberOfColumnsInTableGrid(JVLTableGrid*) override;
    std::int64_t numberOfRowsInTableGrid(JVLTableGrid*) override;
    kit::Value tableGridObjectValueForColumnRow(JVLTableGrid*, std::int64_t column, std::int64_t row) override;
    void tableGridSetObjectValueForColumnRow(JVLTableGrid*, const kit::Value& value, std::int64_t column, std::int64_t row) override;
    kit::Ref<kit::Color> tableGridBackgroundColorForColumnRow(JVLTableGrid*, std::int64_t column, std::int64_t row) override;
    QString tableGridHeaderStringForColumn(JVLTableGrid*, std::int64_t column) override;
    QString tableGridHeaderStringForRow(JVLTableGrid*, std::int64_t row) override;
    float tableGridSetWidthForColumn(JVLTableGrid*, std::int64_t column) override;
    bool tableGridWriteColumnsWithIndexesToPasteboard(JVLTableGrid*, const kit::IndexSet& indexes, kit::Pasteboard*) override;
    bool tableGridWriteRowsWithIndexesToPasteboard(JVLTableGrid*, const kit::IndexSet& indexes, kit::Pasteboard*) override;
    bool tableGridCanMoveColumnsToIndex(JVLTableGrid*, const kit::IndexSet& indexes, std::int64_t index) override;
    bool tableGridCanMoveRowsToIndex(JVLTableGrid*, const kit::IndexSet& indexes, std::int64_t index) override;
    bool tableGridMoveColumnsToIndex(JVLTableGrid*, const kit::IndexSet& indexes, std::int64_t index) override;
    bool tableGridMoveRowsToIndex(JVLTableGrid*, const kit::IndexSet& indexes, std::int64_t index) override;
    std::uint64_t tableGridValidateDropProposedColumnRow(JVLTableGrid*, kit::DraggingInfo&, std::int64_t column, std::int64_t row) override;
    bool tableGridAcceptDropColumnRow(JVLTableGrid*, kit::DraggingInfo&, std::int64_t column, std::int64_t row) override;

    kit::Ref<kit::Color> background;
    // Per cell, before `background`.
    std::map<std::pair<std::int64_t, std::int64_t>, kit::Ref<kit::Color>> backgrounds;
};

class TableGridTestDelegate : public kit::Object, public JVLTableGridDelegate {
    KIT_CLASS(TableGridTestDelegate)
    TableGridTestDelegate() = default;

    static QSet<QString> allOperations();
    bool respondsToSelector(const kit::Selector& s) const override
    {
        return allOperations().contains(s.name()) ? ops.contains(s.name()) : Object::respondsToSelector(s);
    }

    QSet<QString> ops;
    std::optional<kit::IndexSet> fixedColumns;
    std::optional<kit::IndexSet> fixedRows;
    bool allowEdit = true;
    QStringList log;

    kit::IndexSet tableGridWillSelectColumnsAtIndexPath(JVLTableGrid*, const kit::IndexSet& proposed) override;
    kit::IndexSet tableGridWillSelectRowsAtIndexPath(JVLTableGrid*, const kit::IndexSet& proposed) override;
    bool tableGridShouldEditColumnRow(JVLTableGrid*, std::int64_t column, std::int64_t row) override;
    void tableGridDidChangeSelection(kit::Notification*) override { log << QStringLiteral("didChangeSelection"); }
    void tableGridDidMoveColumns(kit::Notification*) override { log << QStringLiteral("didMoveColumns"); }
    void tableGridDidMoveRows(kit::Notification*) override { log << QStringLiteral("didMoveRows"); }
};

kit::IndexSet gridRange(std::int64_t first, std::int64_t last);
// "1,2,3".
QString gridDescribe(const kit::IndexSet& set);

// A key window of `size` whose content is one grid filling it, with the data source set and loaded.
class TableGridWindow {
public:
    explicit TableGridWindow(kit::Size size = { 400, 300 }, std::function<void(TableGridTestDataSource&)> setUp = {});
    ~TableGridWindow();

    // Grid coordinates to window base coordinates.
    kit::Point base(kit::Point inGrid) const { return grid->convertPointToView(inGrid, nullptr); }
    // The middle of a cell, of a column header and of a row header, in base coordinates.
    kit::Point cellPoint(std::int64_t column, std::int64_t row) const;
    kit::Point columnHeaderPoint(std::int64_t column) const;
    kit::Point rowHeaderPoint(std::int64_t row) const;
    void setDataSourceAgain() { grid->setDataSource(dataSource.get()); }
    QImage snapshot();

    kit::Ref<kit::Window> window;
    kit::Ref<JVLTableGrid> grid;
    kit::Ref<TableGridTestDataSource> dataSource;
    std::optional<kit::test::EventScript> script;
};


