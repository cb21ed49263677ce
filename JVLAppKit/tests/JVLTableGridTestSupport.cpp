#include "JVLTableGridTestSupport.h"

#include "kit/appkit/Application.h"

using namespace kit;


KIT_REGISTER_CLASS(TableGridTestDataSource, kit::Object) { }
KIT_REGISTER_CLASS(TableGridTestDelegate, kit::Object) { }



QSet<QString> TableGridTestDataSource::allOperations()
{
    return { QStringLiteral("numberOfColumnsInTableGrid"), QStringLiteral("numberOfRowsInTableGrid"),
        QStringLiteral("tableGridObjectValueForColumnRow"), QStringLiteral("tableGridSetObjectValueForColumnRow"),
        QStringLiteral("tableGridBackgroundColorForColumnRow"), QStringLiteral("tableGridHeaderStringForColumn"),
        QStringLiteral("tableGridHeaderStringForRow"), QStringLiteral("tableGridSetWidthForColumn"),
        QStringLiteral("tableGridWriteColumnsWithIndexesToPasteboard"), QStringLiteral("tableGridWriteRowsWithIndexesToPasteboard"),
        QStringLiteral("tableGridCanMoveColumnsToIndex"), QStringLiteral("tableGridCanMoveRowsToIndex"),
        QStringLiteral("tableGridMoveColumnsToIndex"), QStringLiteral("tableGridMoveRowsToIndex"),
        QStringLiteral("tableGridValidateDropProposedColumnRow"), QStringLiteral("tableGridAcceptDropColumnRow") };
}

std::int64_t TableGridTestDataSource::numberOfColumnsInTableGrid(JVLTableGrid*)
{
    ++calls["numberOfColumnsInTableGrid"];
    return columns;
}

std::int64_t TableGridTestDataSource::numberOfRowsInTableGrid(JVLTableGrid*)
{
    ++calls["numberOfRowsInTableGrid"];
    return rows;
}

Value TableGridTestDataSource::tableGridObjectValueForColumnRow(JVLTableGrid*, std::int64_t column, std::int64_t row)
{
    ++calls["tableGridObjectValueForColumnRow"];
    valueCalls.emplace_back(column, row);
    const auto it = values.find({ column, row });
    return it == values.end() ? Value() : it->second;
}

void TableGridTestDataSource::tableGridSetObjectValueForColumnRow(JVLTableGrid*, const Value& value, std::int64_t column, std::int64_t row)
{
    ++calls["tableGridSetObjectValueForColumnRow"];
    log << QStringLiteral("set %1 %2 %3").arg(column).arg(row).arg(value.isNil() ? QStringLiteral("nil") : value.stringValue());
    if (value.isNil())
        values.erase({ column, row });
    else
        values[{ column, row }] = value;
}

Ref<Color> TableGridTestDataSource::tableGridBackgroundColorForColumnRow(JVLTableGrid*, std::int64_t column, std::int64_t row)
{
    ++calls["tableGridBackgroundColorForColumnRow"];
    if (const auto found = backgrounds.find({ column, row }); found != backgrounds.end())
        return found->second;
    return background;
}

QString TableGridTestDataSource::tableGridHeaderStringForColumn(JVLTableGrid*, std::int64_t column)
{
    return QStringLiteral("C%1").arg(column);
}

QString TableGridTestDataSource::tableGridHeaderStringForRow(JVLTableGrid*, std::int64_t row) { return QStringLiteral("R%1").arg(row); }

float TableGridTestDataSource::tableGridSetWidthForColumn(JVLTableGrid*, std::int64_t column)
{
    ++calls["tableGridSetWidthForColumn"];
    log << QStringLiteral("width %1").arg(column);
    const auto it = widths.find(column);
    return it == widths.end() ? 60 : it->second;
}

bool TableGridTestDataSource::tableGridWriteColumnsWithIndexesToPasteboard(JVLTableGrid*, const IndexSet& indexes, Pasteboard*)
{
    log << QStringLiteral("writeColumns %1").arg(gridDescribe(indexes));
    return answer;
}

bool TableGridTestDataSource::tableGridWriteRowsWithIndexesToPasteboard(JVLTableGrid*, const IndexSet& indexes, Pasteboard*)
{
    log << QStringLiteral("writeRows %1").arg(gridDescribe(indexes));
    return answer;
}

bool TableGridTestDataSource::tableGridCanMoveColumnsToIndex(JVLTableGrid*, const IndexSet&, std::int64_t index)
{
    log << QStringLiteral("canMoveColumns %1").arg(index);
    return answer;
}

bool TableGridTestDataSource::tableGridCanMoveRowsToIndex(JVLTableGrid*, const IndexSet&, std::int64_t index)
{
    log << QStringLiteral("canMoveRows %1").arg(index);
    return answer;
}

bool TableGridTestDataSource::tableGridMoveColumnsToIndex(JVLTableGrid*, const IndexSet& indexes, std::int64_t index)
{
    log << QStringLiteral("moveColumns %1 %2").arg(gridDescribe(indexes)).arg(index);
    return answer;
}

bool TableGridTestDataSource::tableGridMoveRowsToIndex(JVLTableGrid*, const IndexSet& indexes, std::int64_t index)
{
    log << QStringLiteral("moveRows %1 %2").arg(gridDescribe(indexes)).arg(index);
    return answer;
}

std::uint64_t TableGridTestDataSource::tableGridValidateDropProposedColumnRow(JVLTableGrid*, DraggingInfo&, std::int64_t column, std::int64_t row)
{
    log << QStringLiteral("validate %1 %2").arg(column).arg(row);
    return dropOperation;
}

bool TableGridTestDataSource::tableGridAcceptDropColumnRow(JVLTableGrid*, DraggingInfo&, std::int64_t column, std::int64_t row)
{
    log << QStringLiteral("accept %1 %2").arg(column).arg(row);
    return answer;
}

QSet<QString> TableGridTestDelegate::allOperations()
{
    return { QStringLiteral("tableGridWillSelectColumnsAtIndexPath"), QStringLiteral("tableGridWillSelectRowsAtIndexPath"),
        QStringLiteral("tableGridShouldEditColumnRow"), QStringLiteral("tableGridDidChangeSelection"),
        QStringLiteral("tableGridDidMoveColumns"), QStringLiteral("tableGridDidMoveRows") };
}

IndexSet TableGridTestDelegate::tableGridWillSelectColumnsAtIndexPath(JVLTableGrid*, const IndexSet& proposed)
{
    log << QStringLiteral("willSelectColumns %1").arg(gridDescribe(proposed));
    return fixedColumns ? *fixedColumns : proposed;
}

IndexSet TableGridTestDelegate::tableGridWillSelectRowsAtIndexPath(JVLTableGrid*, const IndexSet& proposed)
{
    log << QStringLiteral("willSelectRows %1").arg(gridDescribe(proposed));
    return fixedRows ? *fixedRows : proposed;
}

bool TableGridTestDelegate::tableGridShouldEditColumnRow(JVLTableGrid*, std::int64_t column, std::int64_t row)
{
    log << QStringLiteral("shouldEdit %1 %2").arg(column).arg(row);
    return allowEdit;
}

QString gridDescribe(const IndexSet& set)
{
    QStringList parts;
    for (std::int64_t i : set)
        parts << QString::number(i);
    return parts.join(',');
}

IndexSet gridRange(std::int64_t first, std::int64_t last) { return IndexSet::indexSetWithIndexesInRange({ first, last - first + 1 }); }

TableGridWindow::TableGridWindow(Size size, std::function<void(TableGridTestDataSource&)> setUp)
{
    window = make<Window>(MakeRect(100, 100, size.width, size.height), TitledWindowMask);
    auto content = make<View>(MakeRect(0, 0, size.width, size.height));
    window->setContentView(content.get());
    grid = make<JVLTableGrid>(MakeRect(0, 0, size.width, size.height));
    grid->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    content->addSubview(grid.get());
    dataSource = make<TableGridTestDataSource>();
    if (setUp)
        setUp(*dataSource);
    grid->setDataSource(dataSource.get());
    grid->reloadData();
    window->makeKeyAndOrderFront();
    script.emplace(window.get());
    window->displayIfNeeded();
}

TableGridWindow::~TableGridWindow()
{
    script.reset();
    window->orderOut();
    window->setContentView(nullptr);
}

Point TableGridWindow::cellPoint(std::int64_t column, std::int64_t row) const
{
    const Rect r = grid->frameOfCellAtColumnRow(column, row);
    return base({ r.midX(), r.midY() });
}

Point TableGridWindow::columnHeaderPoint(std::int64_t column) const
{
    const Rect r = grid->headerRectOfColumn(column);
    return base({ r.midX(), r.midY() });
}

Point TableGridWindow::rowHeaderPoint(std::int64_t row) const
{
    const Rect r = grid->headerRectOfRow(row);
    return base({ r.midX(), r.midY() });
}

QImage TableGridWindow::snapshot()
{
    window->displayIfNeeded();
    return window->snapshot();
}


