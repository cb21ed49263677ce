// Keyed archiving of table and outline views, after the View and Control parts, under "kit."
// keys. Archives may come from files a user edits: columns must be table columns that no other
// view took, numbers must be finite and in range, and the outline column is an index.

#include "kit/controls/OutlineView.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {
const QString tableCodingColumnsKey = QStringLiteral("kit.columns");
const QString tableCodingRowHeightKey = QStringLiteral("kit.rowHeight");
const QString tableCodingSpacingKey = QStringLiteral("kit.intercellSpacing");
const QString tableCodingEmptyKey = QStringLiteral("kit.allowsEmptySelection");
const QString tableCodingMultipleKey = QStringLiteral("kit.allowsMultipleSelection");
const QString tableCodingDoubleActionKey = QStringLiteral("kit.doubleAction");
const QString tableCodingOutlineColumnKey = QStringLiteral("kit.outlineColumn");
const QString tableCodingIndentationKey = QStringLiteral("kit.indentationPerLevel");
const QString tableCodingAutosaveNameKey = QStringLiteral("kit.autosaveName");
const QString tableCodingAutosaveItemsKey = QStringLiteral("kit.autosaveExpandedItems");

bool tableCodingFinite(double v, double low, double high) { return std::isfinite(v) && v >= low && v <= high; }
} // namespace

void TableView::encodeWithCoder(Coder& coder) const
{
    Control::encodeWithCoder(coder);
    Array columns;
    for (const Ref<TableColumn>& c : columns_)
        columns.addObject(Value(c));
    coder.encodeObjectForKey(columns, tableCodingColumnsKey);
    coder.encodeDoubleForKey(rowHeight_, tableCodingRowHeightKey);
    coder.encodeSizeForKey(intercellSpacing_, tableCodingSpacingKey);
    coder.encodeBoolForKey(allowsEmptySelection_, tableCodingEmptyKey);
    coder.encodeBoolForKey(allowsMultipleSelection_, tableCodingMultipleKey);
    if (doubleAction_)
        coder.encodeObjectForKey(doubleAction_.name(), tableCodingDoubleActionKey);
}

void TableView::initWithCoder(Coder& coder)
{
    Control::initWithCoder(coder);
    if (coder.containsValueForKey(tableCodingColumnsKey)) {
        const Value columns = coder.decodeObjectForKey(tableCodingColumnsKey);
        if (!columns.isArray()) {
            coder.failWithError(QStringLiteral("table columns must be an array"));
        } else {
            for (const Value& v : columns.array()) {
                const Ref<TableColumn> column = v.objectAs<TableColumn>();
                if (!column) {
                    coder.failWithError(QStringLiteral("a table view's column must be a TableColumn"));
                    continue;
                }
                // One column, one view.
                if (column->tableView() || std::find(columns_.begin(), columns_.end(), column) != columns_.end())
                    continue;
                column->setTableView(this);
                columns_.push_back(column);
            }
        }
    }
    if (coder.containsValueForKey(tableCodingRowHeightKey)) {
        const double h = coder.decodeDoubleForKey(tableCodingRowHeightKey);
        if (tableCodingFinite(h, 1, 1e6))
            rowHeight_ = h;
    }
    if (coder.containsValueForKey(tableCodingSpacingKey)) {
        const Size s = coder.decodeSizeForKey(tableCodingSpacingKey);
        if (tableCodingFinite(s.width, 0, 1e4) && tableCodingFinite(s.height, 0, 1e4))
            intercellSpacing_ = s;
    }
    if (coder.containsValueForKey(tableCodingEmptyKey))
        allowsEmptySelection_ = coder.decodeBoolForKey(tableCodingEmptyKey);
    if (coder.containsValueForKey(tableCodingMultipleKey))
        allowsMultipleSelection_ = coder.decodeBoolForKey(tableCodingMultipleKey);
    if (coder.containsValueForKey(tableCodingDoubleActionKey))
        doubleAction_ = selectorFromString(coder.decodeObjectForKey(tableCodingDoubleActionKey).stringValue());
    tile();
}

void OutlineView::encodeWithCoder(Coder& coder) const
{
    TableView::encodeWithCoder(coder);
    coder.encodeIntegerForKey(outlineColumnIndex(), tableCodingOutlineColumnKey);
    coder.encodeDoubleForKey(indentationPerLevel_, tableCodingIndentationKey);
    if (!autosaveName_.isEmpty())
        coder.encodeObjectForKey(autosaveName_, tableCodingAutosaveNameKey);
    coder.encodeBoolForKey(autosaveExpandedItems_, tableCodingAutosaveItemsKey);
}

void OutlineView::initWithCoder(Coder& coder)
{
    TableView::initWithCoder(coder);
    rows_.setUniformSpan(uniformRowSpan());
    if (coder.containsValueForKey(tableCodingOutlineColumnKey)) {
        const std::int64_t index = coder.decodeIntegerForKey(tableCodingOutlineColumnKey);
        if (index >= 0 && index < numberOfColumns())
            outlineColumn_ = tableColumns()[std::size_t(index)];
    }
    if (coder.containsValueForKey(tableCodingIndentationKey)) {
        const double indentation = coder.decodeDoubleForKey(tableCodingIndentationKey);
        if (tableCodingFinite(indentation, 0, 1e4))
            indentationPerLevel_ = indentation;
    }
    if (coder.containsValueForKey(tableCodingAutosaveNameKey))
        autosaveName_ = coder.decodeObjectForKey(tableCodingAutosaveNameKey).stringValue();
    if (coder.containsValueForKey(tableCodingAutosaveItemsKey))
        autosaveExpandedItems_ = coder.decodeBoolForKey(tableCodingAutosaveItemsKey);
}

} // namespace kit
