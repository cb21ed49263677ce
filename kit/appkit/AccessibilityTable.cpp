#include "kit/appkit/AccessibilityTable.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <QAccessible>

#include <algorithm>
#include <climits>

namespace kit {

QString AccessibilityTable::accessibilityColumnTitle(std::int64_t column) const
{
    const Value header = accessibilityColumnHeader(column);
    const Value title = AccessibilityAttributeValue(header, AccessibilityTitleAttribute);
    return title.isString() ? title.stringValue() : QString();
}

namespace accessibilitytable {

const AccessibilityTable* tableProtocolOf(const Value& element)
{
    const Ref<Object> object = element.isObject() ? element.object() : nullptr;
    return object ? dynamic_cast<const AccessibilityTable*>(object.get()) : nullptr;
}

// Qt counts in ints; a grid of more rows than that shows the first INT_MAX.
int toInt(std::int64_t n) { return int(std::clamp<std::int64_t>(n, INT_MIN, INT_MAX)); }

// A client that asks for the selected cells of a selected grid of 10^8 rows gets the first ones;
// the counts stay true.
constexpr std::int64_t listedSelectionLimit = 1000;

QList<int> listed(const IndexSet& indexes)
{
    QList<int> out;
    for (const std::int64_t index : indexes) {
        if (out.size() >= listedSelectionLimit)
            break;
        out << toInt(index);
    }
    return out;
}

// The cell a place outside the table answers: Qt's bus adaptor reads the cell of any place a
// client names without looking whether there is one (IsSelected, GetRowExtentAt,
// GetRowColumnExtentsAtIndex), so a stale or wrong place gets this one. It lies nowhere, spans
// nothing, is never selected and is no child of the table, whose cell it claims to be.
class OutsideCell final : public Object, public Accessibility {
public:
    explicit OutsideCell(const Value& table)
        : table_(table.object())
    { }

    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityRoleDescriptionAttribute, AccessibilityParentAttribute, AccessibilityWindowAttribute,
            AccessibilityTopLevelUIElementAttribute, AccessibilityEnabledAttribute, AccessibilitySelectedAttribute,
            AccessibilityRowIndexRangeAttribute, AccessibilityColumnIndexRangeAttribute };
    }
    Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const Value table(table_.lock());
        if (attribute == AccessibilityRoleAttribute)
            return Value(AccessibilityCellRole);
        if (attribute == AccessibilityRoleDescriptionAttribute)
            return Value(AccessibilityRoleDescription(AccessibilityCellRole));
        if (attribute == AccessibilityParentAttribute)
            return table;
        if (attribute == AccessibilityWindowAttribute || attribute == AccessibilityTopLevelUIElementAttribute)
            return AccessibilityAttributeValue(table, attribute);
        if (attribute == AccessibilityEnabledAttribute || attribute == AccessibilitySelectedAttribute)
            return Value(false);
        if (attribute == AccessibilityRowIndexRangeAttribute || attribute == AccessibilityColumnIndexRangeAttribute)
            return Value(Range { -1, 0 });
        return {};
    }

private:
    Weak<Object> table_;
};

} // namespace accessibilitytable

Value AccessibilityTableOfCell(const Value& cell)
{
    Value up = AccessibilityAttributeValue(cell, AccessibilityParentAttribute);
    for (int guard = 0; guard < 100 && up.isObject(); ++guard) {
        if (accessibilitytable::tableProtocolOf(up))
            return up;
        up = AccessibilityAttributeValue(up, AccessibilityParentAttribute);
    }
    return {};
}

// One adapter per element interface: the table side for a table, the cell side for a cell.
class AccessibilityTableAdapter final : public QAccessibleTableInterface, public QAccessibleTableCellInterface {
public:
    explicit AccessibilityTableAdapter(const Value& element)
        : element_(element.object())
    { }

    // QAccessibleTableInterface:
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    // Never null: Qt uses the answer unchecked.
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        const Table t = asTable();
        const Value cell = t.protocol ? t.protocol->accessibilityCellForColumnRow(column, row) : Value();
        if (QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(cell); iface && iface->tableCellInterface())
            return iface;
        if (!outsideCell_)
            outsideCell_ = make<accessibilitytable::OutsideCell>(t.element);
        return AccessibilityBridge::interfaceFor(Value(outsideCell_));
    }
    int selectedCellCount() const override
    {
        const AccessibilityTable::Selection s = selection();
        return accessibilitytable::toInt(s.rows.count() * s.columns.count());
    }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        const Table t = asTable();
        QList<QAccessibleInterface*> cells;
        if (!t.protocol)
            return cells;
        const AccessibilityTable::Selection s = t.protocol->accessibilitySelection();
        for (const std::int64_t row : s.rows)
            for (const std::int64_t column : s.columns) {
                if (cells.size() >= accessibilitytable::listedSelectionLimit)
                    return cells;
                if (QAccessibleInterface* cell = AccessibilityBridge::interfaceFor(t.protocol->accessibilityCellForColumnRow(column, row)))
                    cells << cell;
            }
        return cells;
    }
    QString columnDescription(int column) const override
    {
        const Table t = asTable();
        return t.protocol ? t.protocol->accessibilityColumnTitle(column) : QString();
    }
    QString rowDescription(int row) const override
    {
        const Table t = asTable();
        const Value title = t.protocol ? AccessibilityAttributeValue(t.protocol->accessibilityRowHeader(row), AccessibilityTitleAttribute) : Value();
        return title.isString() ? title.stringValue() : QString();
    }
    int selectedColumnCount() const override { return int(selectedColumnIndexes().count()); }
    int selectedRowCount() const override { return accessibilitytable::toInt(selectedRowIndexes().count()); }
    int columnCount() const override
    {
        const Table t = asTable();
        return t.protocol ? accessibilitytable::toInt(t.protocol->accessibilityColumnCount()) : 0;
    }
    int rowCount() const override
    {
        const Table t = asTable();
        return t.protocol ? accessibilitytable::toInt(t.protocol->accessibilityRowCount()) : 0;
    }
    QList<int> selectedColumns() const override { return accessibilitytable::listed(selectedColumnIndexes()); }
    QList<int> selectedRows() const override { return accessibilitytable::listed(selectedRowIndexes()); }
    bool isColumnSelected(int column) const override { return selectedColumnIndexes().containsIndex(column); }
    bool isRowSelected(int row) const override { return selectedRowIndexes().containsIndex(row); }
    bool selectRow(int row) override { return setSelected(row, true, true); }
    bool selectColumn(int column) override { return setSelected(column, false, true); }
    bool unselectRow(int row) override { return setSelected(row, true, false); }
    bool unselectColumn(int column) override { return setSelected(column, false, false); }
    void modelChange(QAccessibleTableModelChangeEvent*) override { }

    // QAccessibleTableCellInterface:
    bool isSelected() const override { return AccessibilityAttributeValue(Value(element_.lock()), AccessibilitySelectedAttribute).boolValue(); }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        const Table t = tableOfCell();
        return headerList(t.protocol ? t.protocol->accessibilityColumnHeader(columnIndex()) : Value());
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override
    {
        const Table t = tableOfCell();
        return headerList(t.protocol ? t.protocol->accessibilityRowHeader(rowIndex()) : Value());
    }
    int columnIndex() const override { return accessibilitytable::toInt(place(AccessibilityColumnIndexRangeAttribute).location); }
    int rowIndex() const override { return accessibilitytable::toInt(place(AccessibilityRowIndexRangeAttribute).location); }
    int columnExtent() const override { return accessibilitytable::toInt(place(AccessibilityColumnIndexRangeAttribute).length); }
    int rowExtent() const override { return accessibilitytable::toInt(place(AccessibilityRowIndexRangeAttribute).length); }
    QAccessibleInterface* table() const override { return AccessibilityBridge::interfaceFor(tableOfCell().element); }

private:
    // The protocol is valid while `element` holds the object.
    struct Table {
        Value element;
        const AccessibilityTable* protocol = nullptr;
    };
    Table asTable() const
    {
        const Value e(element_.lock());
        return { e, accessibilitytable::tableProtocolOf(e) };
    }
    Table tableOfCell() const
    {
        const Value t = AccessibilityTableOfCell(Value(element_.lock()));
        return { t, accessibilitytable::tableProtocolOf(t) };
    }
    AccessibilityTable::Selection selection() const
    {
        const Table t = asTable();
        return t.protocol ? t.protocol->accessibilitySelection() : AccessibilityTable::Selection {};
    }
    // Whole rows: those whose every column is selected; whole columns likewise.
    IndexSet selectedRowIndexes() const
    {
        const Table t = asTable();
        if (!t.protocol)
            return {};
        const AccessibilityTable::Selection s = t.protocol->accessibilitySelection();
        return s.columns.count() == t.protocol->accessibilityColumnCount() ? s.rows : IndexSet();
    }
    IndexSet selectedColumnIndexes() const
    {
        const Table t = asTable();
        if (!t.protocol)
            return {};
        const AccessibilityTable::Selection s = t.protocol->accessibilitySelection();
        return s.rows.count() == t.protocol->accessibilityRowCount() ? s.columns : IndexSet();
    }
    bool setSelected(int index, bool row, bool on)
    {
        const Table t = asTable();
        auto* protocol = const_cast<AccessibilityTable*>(t.protocol);
        if (!protocol || index < 0)
            return false;
        return row ? protocol->accessibilitySetRowSelected(index, on) : protocol->accessibilitySetColumnSelected(index, on);
    }
    Range place(const QString& attribute) const
    {
        const Value v = AccessibilityAttributeValue(Value(element_.lock()), attribute);
        return v.kind() == Value::Kind::Range ? v.rangeValue() : Range { 0, 0 };
    }
    static QList<QAccessibleInterface*> headerList(const Value& header)
    {
        QAccessibleInterface* iface = AccessibilityBridge::interfaceFor(header);
        return iface ? QList<QAccessibleInterface*> { iface } : QList<QAccessibleInterface*> {};
    }

    Weak<Object> element_;
    mutable Ref<Object> outsideCell_;
};

void AccessibilityTableAdapterDeleter::operator()(AccessibilityTableAdapter* adapter) const { delete adapter; }

void* AccessibilityTableInterfaceCast(const Value& element, int interfaceType, AccessibilityTableAdapterPtr& adapter)
{
    const bool isTable = interfaceType == QAccessible::TableInterface && accessibilitytable::tableProtocolOf(element);
    const bool isCell = interfaceType == QAccessible::TableCellInterface
        && AccessibilityAttributeValue(element, AccessibilityRowIndexRangeAttribute).kind() == Value::Kind::Range;
    if (!isTable && !isCell)
        return nullptr;
    if (!adapter)
        adapter.reset(new AccessibilityTableAdapter(element));
    if (isTable)
        return static_cast<QAccessibleTableInterface*>(adapter.get());
    return static_cast<QAccessibleTableCellInterface*>(adapter.get());
}

} // namespace kit
