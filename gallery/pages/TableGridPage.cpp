#include "gallery/pages/TableGridPage.h"

#include "gallery/pages/GallerySwatch.h"

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"

#include "kit/appkit/Pasteboard.h"
#include "kit/controls/Button.h"
#include "kit/controls/TextField.h"
#include "kit/core/NotificationCenter.h"

#include <map>
#include <vector>

using namespace kit;

namespace {

const QString tableGridPageTextType = QStringLiteral("public.utf8-plain-text");

// Spreadsheet column names: A … Z, AA, AB …
QString tableGridPageColumnName(std::int64_t column)
{
    QString name;
    for (std::int64_t n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(char16_t('A' + (n - 1) % 26)));
    return name;
}

// Moves `moved` (in order) to the drop index `d` of `order`.
void tableGridPageMove(std::vector<int>& order, const IndexSet& moved, std::int64_t d)
{
    std::vector<int> taken, kept;
    for (std::size_t i = 0; i < order.size(); ++i)
        (moved.containsIndex(std::int64_t(i)) ? taken : kept).push_back(order[i]);
    const std::int64_t at = d - moved.countOfIndexesInRange({ 0, d });
    kept.insert(kept.begin() + std::min<std::int64_t>(at, std::int64_t(kept.size())), taken.begin(), taken.end());
    order = kept;
}

// "none", "B" or "A–C": a set's first and last index as `name` gives them.
template<class Name>
QString tableGridPageDescribe(const IndexSet& set, bool columns, const Name& name)
{
    if (set.isEmpty())
        return QStringLiteral("none");
    const QString first = name(columns, set.firstIndex());
    return set.count() == 1 ? first : QStringLiteral("%1–%2").arg(first, name(columns, set.lastIndex()));
}

} // namespace

// The small editable sheet: values by logical cell, columns and rows in a display order that
// header moves permute; it is also the grid's delegate, writing the caption.
class TableGridPageSheet : public Object, public JVLTableGridDataSource, public JVLTableGridDelegate {
    KIT_CLASS(TableGridPageSheet)
public:
    TableGridPageSheet()
    {
        for (int c = 0; c < 26; ++c)
            columns.push_back(c);
        for (int r = 0; r < 500; ++r)
            rows.push_back(r);
        for (int r = 0; r < 12; ++r) {
            values[{ 0, r }] = QStringLiteral("Item %1").arg(r + 1);
            values[{ 1, r }] = QString::number((r * 37) % 90 + 10);
            values[{ 2, r }] = QString::number(((r * 53) % 40) * 2.5, 'f', 2);
        }
        values[{ 3, 0 }] = QStringLiteral("Drop text here");
    }

    std::int64_t numberOfColumnsInTableGrid(JVLTableGrid*) override { return std::int64_t(columns.size()); }
    std::int64_t numberOfRowsInTableGrid(JVLTableGrid*) override { return std::int64_t(rows.size()); }
    Value tableGridObjectValueForColumnRow(JVLTableGrid*, std::int64_t c, std::int64_t r) override
    {
        const auto it = values.find({ columns[std::size_t(c)], rows[std::size_t(r)] });
        return it == values.end() ? Value() : Value(it->second);
    }
    void tableGridSetObjectValueForColumnRow(JVLTableGrid*, const Value& value, std::int64_t c, std::int64_t r) override
    {
        const std::pair<int, int> key { columns[std::size_t(c)], rows[std::size_t(r)] };
        if (value.isNil() || value.stringValue().isEmpty())
            values.erase(key);
        else
            values[key] = value.stringValue();
    }
    Ref<Color> tableGridBackgroundColorForColumnRow(JVLTableGrid*, std::int64_t c, std::int64_t r) override
    {
        const int column = columns[std::size_t(c)], row = rows[std::size_t(r)];
        if (row == 0 && column < 3)
            return Color::colorWithCalibratedRedGreenBlueAlpha(0.86, 0.91, 0.98, 1);
        if (column == 1 && row < 12 && (row * 37) % 90 + 10 > 80)
            return Color::colorWithCalibratedRedGreenBlueAlpha(0.99, 0.90, 0.80, 1);
        return nullptr;
    }
    QString tableGridHeaderStringForColumn(JVLTableGrid*, std::int64_t c) override { return tableGridPageColumnName(columns[std::size_t(c)]); }
    QString tableGridHeaderStringForRow(JVLTableGrid*, std::int64_t r) override { return QString::number(rows[std::size_t(r)] + 1); }
    float tableGridSetWidthForColumn(JVLTableGrid*, std::int64_t c) override { return c == 0 ? 110 : 70; }
    bool tableGridWriteColumnsWithIndexesToPasteboard(JVLTableGrid*, const IndexSet&, Pasteboard*) override { return true; }
    bool tableGridWriteRowsWithIndexesToPasteboard(JVLTableGrid*, const IndexSet&, Pasteboard*) override { return true; }
    bool tableGridCanMoveColumnsToIndex(JVLTableGrid*, const IndexSet&, std::int64_t) override { return true; }
    bool tableGridCanMoveRowsToIndex(JVLTableGrid*, const IndexSet&, std::int64_t) override { return true; }
    bool tableGridMoveColumnsToIndex(JVLTableGrid* grid, const IndexSet& moved, std::int64_t d) override
    {
        tableGridPageMove(columns, moved, d);
        grid->reloadData();
        return true;
    }
    bool tableGridMoveRowsToIndex(JVLTableGrid* grid, const IndexSet& moved, std::int64_t d) override
    {
        tableGridPageMove(rows, moved, d);
        grid->reloadData();
        return true;
    }
    std::uint64_t tableGridValidateDropProposedColumnRow(JVLTableGrid*, DraggingInfo& info, std::int64_t c, std::int64_t r) override
    {
        const Ref<Pasteboard> pasteboard = info.draggingPasteboard();
        const bool text = pasteboard && pasteboard->types().contains(tableGridPageTextType);
        return text && c != NotFound && r != NotFound ? DragOperationCopy : DragOperationNone;
    }
    bool tableGridAcceptDropColumnRow(JVLTableGrid* grid, DraggingInfo& info, std::int64_t c, std::int64_t r) override
    {
        if (c == NotFound || r == NotFound)
            return false;
        tableGridSetObjectValueForColumnRow(grid, Value(info.draggingPasteboard()->stringForType(tableGridPageTextType)), c, r);
        grid->setNeedsDisplay(true);
        return true;
    }

    void tableGridDidChangeSelection(Notification* n) override { report(n); }
    void tableGridDidMoveColumns(Notification* n) override { report(n); }
    void tableGridDidMoveRows(Notification* n) override { report(n); }

    void report(Notification* n)
    {
        const auto grid = dynamic_pointer_cast<JVLTableGrid>(n->object());
        const Ref<TextField> shown = caption.lock();
        if (!grid || !shown)
            return;
        // The selection by its headers; a move by the places it left and took, named as an unmoved
        // sheet's headers name them (the moved headers themselves read the same before and after).
        // Words for a person: the notifications' and keys' names are for programs.
        const auto header = [&](bool column, std::int64_t i) { return column ? grid->headerStringForColumn(i) : grid->headerStringForRow(i); };
        const auto place = [](bool column, std::int64_t i) { return column ? tableGridPageColumnName(i) : QString::number(i + 1); };
        QString moved;
        if (const bool columnsMoved = n->name() == JVLTableGridDidMoveColumnsNotification; columnsMoved || n->name() == JVLTableGridDidMoveRowsNotification) {
            const kit::Dictionary& info = n->userInfo();
            const IndexSet from = info.objectForKey(columnsMoved ? JVLTableGridOldColumnsKey : JVLTableGridOldRowsKey).indexSet();
            const IndexSet to = info.objectForKey(columnsMoved ? JVLTableGridNewColumnsKey : JVLTableGridNewRowsKey).indexSet();
            moved = QStringLiteral("%1 %2 moved to %3. ")
                        .arg(columnsMoved ? QStringLiteral("Columns") : QStringLiteral("Rows"), tableGridPageDescribe(from, columnsMoved, place),
                            tableGridPageDescribe(to, columnsMoved, place));
        }
        shown->setStringValue(moved
            + QStringLiteral("Columns %1, rows %2 selected.")
                  .arg(tableGridPageDescribe(grid->selectedColumnIndexes(), true, header), tableGridPageDescribe(grid->selectedRowIndexes(), false, header)));
    }

    std::vector<int> columns, rows;
    std::map<std::pair<int, int>, QString> values;
    Weak<TextField> caption;
};

KIT_REGISTER_CLASS(TableGridPageSheet, kit::Object)
{
    c.optionalOperations({ "numberOfColumnsInTableGrid", "numberOfRowsInTableGrid", "tableGridObjectValueForColumnRow",
        "tableGridSetObjectValueForColumnRow", "tableGridBackgroundColorForColumnRow", "tableGridHeaderStringForColumn",
        "tableGridHeaderStringForRow", "tableGridSetWidthForColumn", "tableGridWriteColumnsWithIndexesToPasteboard",
        "tableGridWriteRowsWithIndexesToPasteboard", "tableGridCanMoveColumnsToIndex", "tableGridCanMoveRowsToIndex",
        "tableGridMoveColumnsToIndex", "tableGridMoveRowsToIndex", "tableGridValidateDropProposedColumnRow", "tableGridAcceptDropColumnRow",
        "tableGridDidChangeSelection", "tableGridDidMoveColumns", "tableGridDidMoveRows" });
}

// The computed sheet of the benchmark: 10^8 rows × 10^4 columns, nothing stored.
class TableGridPageHugeSheet : public Object, public JVLTableGridDataSource {
    KIT_CLASS(TableGridPageHugeSheet)
public:
    std::int64_t numberOfColumnsInTableGrid(JVLTableGrid*) override { return 10'000; }
    std::int64_t numberOfRowsInTableGrid(JVLTableGrid*) override { return 100'000'000; }
    Value tableGridObjectValueForColumnRow(JVLTableGrid*, std::int64_t c, std::int64_t r) override { return QString::number((r * 7 + c) % 100'000); }
    QString tableGridHeaderStringForColumn(JVLTableGrid*, std::int64_t c) override { return tableGridPageColumnName(c); }
    float tableGridSetWidthForColumn(JVLTableGrid*, std::int64_t c) override { return float(60 + 20 * (c % 3)); }
};

KIT_REGISTER_CLASS(TableGridPageHugeSheet, kit::Object)
{
    c.optionalOperations({ "numberOfColumnsInTableGrid", "numberOfRowsInTableGrid", "tableGridObjectValueForColumnRow",
        "tableGridHeaderStringForColumn", "tableGridSetWidthForColumn" });
}

// The page: holds both sheets (the grid holds its data source weakly) and flips between them.
class TableGridPageView : public View {
    KIT_CLASS(TableGridPageView)
public:
    using View::View;
    void toggleHuge(Object* sender)
    {
        const auto button = dynamic_cast<Button*>(sender);
        const bool huge = button && button->state() == 1;
        grid->setDataSource(huge ? static_cast<Object*>(hugeSheet.get()) : static_cast<Object*>(sheet.get()));
        grid->setSelectedColumnIndexes(IndexSet());
        grid->setSelectedRowIndexes(IndexSet());
        grid->reloadData();
    }
    Ref<JVLTableGrid> grid;
    Ref<TableGridPageSheet> sheet = make<TableGridPageSheet>();
    Ref<TableGridPageHugeSheet> hugeSheet = make<TableGridPageHugeSheet>();
};

KIT_REGISTER_CLASS(TableGridPageView, kit::View) { c.action("toggleHuge", &TableGridPageView::toggleHuge); }

Ref<View> makeTableGridPage(Rect frame)
{
    auto page = make<TableGridPageView>(frame);
    page->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    const double w = frame.size.width, h = frame.size.height;

    auto caption = galleryLabel(MakeRect(16, 12, w - 180, 20),
        QStringLiteral("Double-click a cell to edit it; drag selected headers to move columns and rows."));
    caption->setAutoresizingMask(ViewWidthSizable | ViewMaxYMargin);
    page->addSubview(caption.get());
    page->sheet->caption = caption;
    galleryMarkStatusLine(caption->accessibilityElement());

    auto huge = make<Button>(MakeRect(w - 150, 10, 134, 22));
    huge->setButtonType(SwitchButton);
    huge->setTitle(QStringLiteral("10^8 rows"));
    huge->setTarget(page.get());
    huge->setAction(Selector("toggleHuge"));
    huge->setAutoresizingMask(ViewMinXMargin | ViewMaxYMargin);
    page->addSubview(huge.get());

    page->grid = make<JVLTableGrid>(MakeRect(16, 44, w - 32, h - 60));
    page->grid->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    page->grid->setAllowsEditing(true);
    page->grid->setToolTip(QStringLiteral("Sheet"));
    page->grid->setDataSource(page->sheet.get());
    page->grid->setDelegate(page->sheet.get());
    page->grid->registerForDraggedTypes({ tableGridPageTextType });
    page->grid->reloadData();
    page->addSubview(page->grid.get());
    page->grid->setSelectedColumnIndexes(IndexSet::indexSetWithIndexesInRange({ 1, 2 }));
    page->grid->setSelectedRowIndexes(IndexSet::indexSetWithIndexesInRange({ 2, 4 }));
    return page;
}
