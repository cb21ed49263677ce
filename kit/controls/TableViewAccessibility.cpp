// Tables and outlines as accessibility elements. The view stands back for one table element; its
// children are row elements, and a row's children are one cell element per column. A table may
// hold millions of rows, so rows are made only when someone asks for them by index (the platform
// adapter asks one at a time), kept while the table keeps the same row there, and a row makes its
// cells only when asked for them. Every element holds the view weakly. A row is named by what it
// shows; while the view has focus its current row is the focused element, announced as it moves.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/AccessibilityTable.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/controls/OutlineView.h"
#include "kit/controls/TableView.h"

#include <algorithm>

namespace kit {

namespace tableaccessibility {

class TableElement;
class TableRowElement;

// Attributes every element here answers from the view it lies in.
bool isPlacementAttribute(const QString& attribute)
{
    return attribute == AccessibilityWindowAttribute || attribute == AccessibilityTopLevelUIElementAttribute;
}

// Whether the view has the keys (the field editor editing one of its cells counts as the view).
bool hasFocus(const TableView& table) { return ViewAccessibilityAttributeValue(table, AccessibilityFocusedAttribute).boolValue(); }

Value placeAttribute(const TableView& table, Rect rect, const QString& attribute)
{
    const Rect onScreen = AccessibilityScreenRectOfRectInView(table, rect);
    return attribute == AccessibilitySizeAttribute ? Value(onScreen.size) : Value(onScreen.origin);
}

// `screenPoint` (y up) in the view's own coordinates.
Point pointInTable(const TableView& table, Point screenPoint)
{
    const Ref<Window> window = table.window();
    const Point inWindow = window ? window->convertScreenToBase(screenPoint) : screenPoint;
    return table.convertPointFromView(inWindow, nullptr);
}

// The field editor while it edits a cell in place, as a reader meets it: a text field with the
// editor's text and selection in the cell's frame, the focused element while the editing lasts.
class TableCellEditorElement : public Object, public Accessibility {
    KIT_CLASS(TableCellEditorElement)
public:
    TableCellEditorElement() = default;
    TableCellEditorElement(TableView* table, Object* cell)
        : table_(table)
        , cell_(cell)
    { }
    // The editor while it edits the cell this stands for; null otherwise.
    FieldEditing* editor() const;

    QStringList accessibilityAttributeNames() const override
    {
        QStringList names = ViewAccessibilityAttributeNames();
        names << AccessibilityValueAttribute << AccessibilitySelectedTextRangeAttribute;
        return names;
    }
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override
    {
        return editor() && (attribute == AccessibilityValueAttribute || attribute == AccessibilitySelectedTextRangeAttribute);
    }
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;

private:
    Weak<TableView> table_;
    Weak<Object> cell_;
};

// One column of one row: what the row's prepared cell shows, in the cell's frame.
class TableCellElement : public Object, public Accessibility {
    KIT_CLASS(TableCellElement)
public:
    TableCellElement() = default;
    TableCellElement(TableView* table, Object* row, TableColumn* column)
        : table_(table)
        , row_(row)
        , column_(column)
    { }
    Ref<TableColumn> column() const { return column_.lock(); }
    // Its row and column now; -1 when either has gone.
    std::pair<std::int64_t, std::int64_t> place(const TableView& table) const;
    // While the field editor edits this cell: the editor's element, its one child; else nil.
    Value editorElement() const;

    QStringList accessibilityAttributeNames() const override
    {
        QStringList names = ViewAccessibilityAttributeNames();
        names << AccessibilityTitleAttribute << AccessibilityValueAttribute << AccessibilitySelectedAttribute << AccessibilityRowIndexRangeAttribute
              << AccessibilityColumnIndexRangeAttribute;
        return names;
    }
    Value accessibilityAttributeValue(const QString& attribute) const override;
    // The value of a cell the table lets the user edit.
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;

private:
    Weak<TableView> table_;
    Weak<Object> row_;
    Weak<TableColumn> column_;
    mutable Ref<TableCellEditorElement> editor_;
};

class TableRowElement : public Object, public Accessibility {
    KIT_CLASS(TableRowElement)
public:
    TableRowElement() = default;
    TableRowElement(TableView* table, Object* parent, std::int64_t row, Value item)
        : table_(table)
        , parent_(parent)
        , row_(row)
        , item_(std::move(item))
    { }

    // The row it stands for now: an outline row follows its item; -1 when the row has gone.
    std::int64_t row() const;
    const Value& item() const { return item_; }
    // The element of its cell in `column`; nil outside the columns.
    Value cellAt(std::int64_t column) const;

    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    Value accessibilityHitTest(Point point) const override;

private:
    Array cells() const;

    Weak<TableView> table_;
    Weak<Object> parent_;
    std::int64_t row_ = -1;
    Value item_;
    mutable std::vector<Ref<TableCellElement>> cells_;
};

class TableElement : public Object, public Accessibility, public AccessibilityTable {
    KIT_CLASS(TableElement)
public:
    TableElement() = default;
    explicit TableElement(TableView* table)
        : table_(table)
    { }

    // The element of `row`, made when first asked for.
    Ref<TableRowElement> rowElement(std::int64_t row) const;
    // The element of an outline's item (a table's row number) if it was made; else null.
    Ref<TableRowElement> existingRowElement(const Value& key) const;
    // Each made row whose selected state differs from `before` tells so (a client hears the row
    // and the table's selection change).
    void rowSelectionChanged(const IndexSet& before) const;
    // Rows came or went (an item opened or closed).
    void rowsChanged() { accessibilityChildrenChanged(); }

    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    std::int64_t accessibilityArrayAttributeCount(const QString& attribute) const override;
    Array accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const override;
    std::int64_t accessibilityIndexOfChild(const Value& child) const override;
    Value accessibilityHitTest(Point point) const override;
    // With the focus in the view, its current row.
    Value accessibilityFocusedUIElement() const override;

    // kit::AccessibilityTable: rows selected whole.
    std::int64_t accessibilityRowCount() const override;
    std::int64_t accessibilityColumnCount() const override;
    Value accessibilityCellForColumnRow(std::int64_t column, std::int64_t row) const override;
    Selection accessibilitySelection() const override;
    bool accessibilitySetRowSelected(std::int64_t row, bool selected) override;

private:
    Array rowElements(std::int64_t first, std::int64_t end) const;
    Array rowElements(const IndexSet& rows) const;
    // What a row element stands for: an outline's item (so it follows the item as rows above
    // expand), else the row's index.
    Value keyOfRow(const TableView& table, std::int64_t row) const;
    // Drops the elements of rows that have gone.
    void forgetGoneRows() const;
    // The rows kept however many others a client asks for: those shown and the current one.
    bool keepsRow(const TableRowElement& element) const;

    Weak<TableView> table_;
    mutable AccessibilityElementCache<Value, TableRowElement> rows_ { 512,
        [this](const Value&, const TableRowElement& element) { return keepsRow(element); } };
};

const OutlineView* outlineOf(const TableView& table) { return dynamic_cast<const OutlineView*>(&table); }

bool isRowsAttribute(const QString& attribute)
{
    return attribute == AccessibilityChildrenAttribute || attribute == AccessibilityRowsAttribute;
}

KIT_REGISTER_CLASS(TableCellEditorElement, Object) { }
KIT_REGISTER_CLASS(TableCellElement, Object) { }
KIT_REGISTER_CLASS(TableRowElement, Object) { }
KIT_REGISTER_CLASS(TableElement, Object) { }

} // namespace tableaccessibility

Value TableView::accessibilityElement() const
{
    if (!accessibilityTable_)
        accessibilityTable_ = make<tableaccessibility::TableElement>(const_cast<TableView*>(this));
    return Value(accessibilityTable_);
}

namespace tableaccessibility {

// The table ----------------------------------------------------------------------------------------

Value TableElement::keyOfRow(const TableView& table, std::int64_t row) const
{
    if (const OutlineView* outline = outlineOf(table))
        return outline->itemAtRow(row);
    return Value(row);
}

Ref<TableRowElement> TableElement::rowElement(std::int64_t row) const
{
    const Ref<TableView> table = table_.lock();
    if (!table || row < 0 || row >= table->numberOfRows())
        return nullptr;
    const Value key = keyOfRow(*table, row);
    return rows_.obtain(key, [&] {
        const Value item = outlineOf(*table) ? key : Value();
        return make<TableRowElement>(table.get(), const_cast<TableElement*>(this), row, item);
    });
}

Ref<TableRowElement> TableElement::existingRowElement(const Value& key) const { return rows_.find(key); }

bool TableElement::keepsRow(const TableRowElement& element) const
{
    const Ref<TableView> table = table_.lock();
    const std::int64_t row = element.row();
    if (!table || row < 0)
        return false;
    return row == table->currentRow() || LocationInRange(row, table->rowsInRect(table->visibleRect()));
}

void TableElement::rowSelectionChanged(const IndexSet& before) const
{
    const Ref<TableView> table = table_.lock();
    if (!table)
        return;
    std::vector<Ref<TableRowElement>> changed;
    rows_.forEach([&](const Value&, const Ref<TableRowElement>& element) {
        if (const std::int64_t row = element->row(); row >= 0 && before.containsIndex(row) != table->isRowSelected(row))
            changed.push_back(element);
    });
    std::sort(changed.begin(), changed.end(), [](const auto& a, const auto& b) { return a->row() < b->row(); });
    for (const Ref<TableRowElement>& element : changed)
        element->accessibilitySelectionChanged();
}

void TableElement::forgetGoneRows() const
{
    rows_.eraseIf([](const Value&, const TableRowElement& element) { return element.row() < 0; });
}

Array TableElement::rowElements(std::int64_t first, std::int64_t end) const
{
    Array out;
    for (std::int64_t row = first; row < end; ++row)
        if (const Ref<TableRowElement> element = rowElement(row))
            out.addObject(Value(element));
    return out;
}

Array TableElement::rowElements(const IndexSet& rows) const
{
    Array out;
    for (const Range& r : rows.ranges())
        out.addObjectsFromArray(rowElements(r.location, MaxRange(r)));
    return out;
}

QStringList TableElement::accessibilityAttributeNames() const
{
    QStringList names = ViewAccessibilityAttributeNames();
    names << AccessibilityRowsAttribute << AccessibilityVisibleRowsAttribute << AccessibilitySelectedRowsAttribute
          << AccessibilityVisibleChildrenAttribute << AccessibilitySelectedChildrenAttribute;
    return names;
}

Value TableElement::accessibilityAttributeValue(const QString& attribute) const
{
    const Ref<TableView> table = table_.lock();
    if (!table)
        return {};
    if (attribute == AccessibilityRoleAttribute)
        return Value(outlineOf(*table) ? AccessibilityOutlineRole : AccessibilityTableRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescriptionForUIElement(self()));
    // The whole list makes every row: for those who ask for all of them.
    if (isRowsAttribute(attribute))
        return Value(rowElements(0, table->numberOfRows()));
    if (attribute == AccessibilityVisibleRowsAttribute || attribute == AccessibilityVisibleChildrenAttribute) {
        const Range shown = table->rowsInRect(table->visibleRect());
        return Value(rowElements(shown.location, MaxRange(shown)));
    }
    if (attribute == AccessibilitySelectedRowsAttribute || attribute == AccessibilitySelectedChildrenAttribute)
        return Value(rowElements(table->selectedRowIndexes()));
    if (attribute == AccessibilityEnabledAttribute)
        return Value(table->isEnabled());
    // The view stands back for this element: its parent is the view's.
    if (attribute == AccessibilityParentAttribute)
        return AccessibilityUnignoredAncestor(ViewAccessibilityAttributeValue(*table, attribute));
    return ViewAccessibilityAttributeValue(*table, attribute);
}

bool TableElement::accessibilityIsAttributeSettable(const QString& attribute) const
{
    const Ref<TableView> table = table_.lock();
    if (table && attribute == AccessibilityFocusedAttribute)
        return AccessibilityViewIsFocusable(*table);
    return table && table->isEnabled() && attribute == AccessibilitySelectedRowsAttribute;
}

void TableElement::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    const Ref<TableView> table = table_.lock();
    if (table && attribute == AccessibilityFocusedAttribute) {
        if (value.boolValue())
            AccessibilityFocusView(*table);
        return;
    }
    if (!accessibilityIsAttributeSettable(attribute) || !value.isArray())
        return;
    MutableIndexSet rows;
    for (const Value& element : value.array())
        if (const Ref<TableRowElement> row = element.objectAs<TableRowElement>(); row && row->row() >= 0)
            rows.addIndex(row->row());
    // One row at most where the table allows only one.
    if (rows.count() > 1 && !table->allowsMultipleSelection())
        return;
    // As the user's selection: the delegate leaves rows out; all refused, or none where one must
    // stay, changes nothing.
    table->proposeSelection(rows);
}

std::int64_t TableElement::accessibilityArrayAttributeCount(const QString& attribute) const
{
    if (!isRowsAttribute(attribute))
        return Accessibility::accessibilityArrayAttributeCount(attribute);
    // A client counts the rows before walking them: the moment to let go of rows that went.
    forgetGoneRows();
    const Ref<TableView> table = table_.lock();
    return table ? table->numberOfRows() : 0;
}

Array TableElement::accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const
{
    if (!isRowsAttribute(attribute))
        return Accessibility::accessibilityArrayAttributeValues(attribute, index, maxCount);
    const Ref<TableView> table = table_.lock();
    if (!table || index < 0 || maxCount <= 0)
        return {};
    return rowElements(index, std::min(table->numberOfRows(), index + std::min(maxCount, table->numberOfRows())));
}

std::int64_t TableElement::accessibilityIndexOfChild(const Value& child) const
{
    const Ref<TableRowElement> row = child.objectAs<TableRowElement>();
    const Ref<TableView> table = table_.lock();
    if (!row || !table || row->row() < 0)
        return -1;
    return rows_.find(keyOfRow(*table, row->row())) == row ? row->row() : -1;
}

Value TableElement::accessibilityHitTest(Point point) const
{
    const Ref<TableView> table = table_.lock();
    if (!table)
        return self();
    const Ref<TableRowElement> row = rowElement(table->rowAtPoint(pointInTable(*table, point)));
    return row ? row->accessibilityHitTest(point) : self();
}

Value TableElement::accessibilityFocusedUIElement() const
{
    const Ref<TableView> table = table_.lock();
    if (!table || !hasFocus(*table))
        return self();
    // Renaming in place: the editor has the keys, not the row.
    if (const Ref<TableRowElement> edited = rowElement(table->editedRow()))
        if (const Value editor = AccessibilityAttributeValue(edited->cellAt(table->editedColumn()), AccessibilityChildrenAttribute);
            editor.isArray() && !editor.array().isEmpty())
            return editor.array().firstObject();
    if (const Ref<TableRowElement> row = rowElement(table->currentRow()))
        return Value(row);
    return self();
}

std::int64_t TableElement::accessibilityRowCount() const
{
    const Ref<TableView> table = table_.lock();
    return table ? table->numberOfRows() : 0;
}

std::int64_t TableElement::accessibilityColumnCount() const
{
    const Ref<TableView> table = table_.lock();
    return table ? std::int64_t(table->tableColumns().size()) : 0;
}

Value TableElement::accessibilityCellForColumnRow(std::int64_t column, std::int64_t row) const
{
    const Ref<TableRowElement> element = rowElement(row);
    return element ? element->cellAt(column) : Value();
}

AccessibilityTable::Selection TableElement::accessibilitySelection() const
{
    const Ref<TableView> table = table_.lock();
    if (!table)
        return {};
    return { table->selectedRowIndexes(), IndexSet::indexSetWithIndexesInRange({ 0, accessibilityColumnCount() }) };
}

bool TableElement::accessibilitySetRowSelected(std::int64_t row, bool selected)
{
    const Ref<TableRowElement> element = rowElement(row);
    const Ref<TableView> table = table_.lock();
    if (!element || !AccessibilityIsAttributeSettable(Value(element), AccessibilitySelectedAttribute))
        return false;
    element->accessibilitySetValueForAttribute(Value(selected), AccessibilitySelectedAttribute);
    return table->isRowSelected(row) == selected;
}

// Rows ---------------------------------------------------------------------------------------------

std::int64_t TableRowElement::row() const
{
    const Ref<TableView> table = table_.lock();
    if (!table)
        return -1;
    if (const OutlineView* outline = outlineOf(*table))
        return outline->rowForItem(item_);
    return row_ < table->numberOfRows() ? row_ : -1;
}

QStringList TableRowElement::accessibilityAttributeNames() const
{
    QStringList names = ViewAccessibilityAttributeNames();
    names << AccessibilitySubroleAttribute << AccessibilityIndexAttribute << AccessibilitySelectedAttribute << AccessibilityTitleAttribute;
    const Ref<TableView> table = table_.lock();
    if (table && outlineOf(*table))
        names << AccessibilityDisclosureLevelAttribute << AccessibilityDisclosingAttribute;
    return names;
}

Value TableRowElement::accessibilityAttributeValue(const QString& attribute) const
{
    const Ref<TableView> table = table_.lock();
    const std::int64_t index = row();
    if (attribute == AccessibilityParentAttribute)
        return Value(parent_.lock());
    if (!table || index < 0)
        return {};
    const OutlineView* outline = outlineOf(*table);
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityRowRole);
    if (attribute == AccessibilitySubroleAttribute)
        return Value(outline ? AccessibilityOutlineRowSubrole : AccessibilityTableRowSubrole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescriptionForUIElement(self()));
    if (attribute == AccessibilityChildrenAttribute || attribute == AccessibilityVisibleChildrenAttribute)
        return Value(cells());
    if (attribute == AccessibilityIndexAttribute)
        return Value(index);
    if (attribute == AccessibilitySelectedAttribute)
        return Value(table->isRowSelected(index));
    if (attribute == AccessibilityPositionAttribute || attribute == AccessibilitySizeAttribute)
        return placeAttribute(*table, table->rectOfRow(index), attribute);
    if (attribute == AccessibilityEnabledAttribute)
        return Value(table->isEnabled());
    if (attribute == AccessibilityFocusedAttribute)
        return Value(hasFocus(*table) && table->currentRow() == index && table->editedRow() < 0);
    // Named by what it shows, as a screen reader speaks the row it moves to.
    if (attribute == AccessibilityTitleAttribute)
        return Value(table->accessibilityTextsOfRow(index).join(QStringLiteral(", ")));
    if (outline && attribute == AccessibilityDisclosureLevelAttribute)
        return Value(outline->levelForRow(index));
    if (outline && attribute == AccessibilityDisclosingAttribute)
        return Value(outline->isItemExpanded(item_));
    if (isPlacementAttribute(attribute))
        return ViewAccessibilityAttributeValue(*table, attribute);
    return {};
}

bool TableRowElement::accessibilityIsAttributeSettable(const QString& attribute) const
{
    const Ref<TableView> table = table_.lock();
    if (!table || !table->isEnabled() || row() < 0)
        return false;
    if (attribute == AccessibilitySelectedAttribute)
        return true;
    if (attribute == AccessibilityFocusedAttribute)
        return AccessibilityViewIsFocusable(*table);
    const OutlineView* outline = outlineOf(*table);
    return attribute == AccessibilityDisclosingAttribute && outline && outline->isExpandable(item_);
}

void TableRowElement::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (!accessibilityIsAttributeSettable(attribute))
        return;
    const Ref<TableView> table = table_.lock();
    const Ref<TableRowElement> keep(this);
    const bool on = value.boolValue();
    // As a Control-click on the row, or a click on its triangle: the delegate may refuse.
    if (attribute == AccessibilitySelectedAttribute) {
        if (on != table->isRowSelected(row()))
            table->toggleRowSelection(row());
        return;
    }
    // Focus on a row: the view takes the keys and the selection moves there, as a click on it.
    if (attribute == AccessibilityFocusedAttribute) {
        if (on) {
            AccessibilityFocusView(*table);
            table->moveSelectionToRow(row(), false);
        }
        return;
    }
    auto* outline = dynamic_cast<OutlineView*>(table.get());
    if (on != outline->isItemExpanded(item_))
        outline->toggleFromUser(item_, on, false);
}

Value TableRowElement::accessibilityHitTest(Point point) const
{
    const Ref<TableView> table = table_.lock();
    if (!table)
        return self();
    const std::int64_t column = table->columnAtPoint(pointInTable(*table, point));
    if (column < 0)
        return self();
    for (const Value& cell : cells())
        if (cell.objectAs<TableCellElement>()->column() == table->tableColumns()[std::size_t(column)])
            return cell;
    return self();
}

Value TableRowElement::cellAt(std::int64_t column) const
{
    const Array all = cells();
    return column >= 0 && column < all.count() ? all.objectAtIndex(column) : Value();
}

Array TableRowElement::cells() const
{
    const Ref<TableView> table = table_.lock();
    if (!table)
        return {};
    // Made again only when the columns changed.
    const auto& columns = table->tableColumns();
    bool same = cells_.size() == columns.size();
    for (std::size_t i = 0; same && i < columns.size(); ++i)
        same = cells_[i]->column() == columns[i];
    if (!same) {
        cells_.clear();
        for (const Ref<TableColumn>& column : columns)
            cells_.push_back(make<TableCellElement>(table.get(), const_cast<TableRowElement*>(this), column.get()));
    }
    Array out;
    for (const Ref<TableCellElement>& cell : cells_)
        out.addObject(Value(cell));
    return out;
}

// Cells --------------------------------------------------------------------------------------------

std::pair<std::int64_t, std::int64_t> TableCellElement::place(const TableView& table) const
{
    const Ref<TableRowElement> row = dynamic_pointer_cast<TableRowElement>(row_.lock());
    const Ref<TableColumn> column = column_.lock();
    if (!row || !column)
        return { -1, -1 };
    const auto& columns = table.tableColumns();
    std::int64_t index = -1;
    for (std::size_t i = 0; i < columns.size() && index < 0; ++i)
        if (columns[i] == column)
            index = std::int64_t(i);
    return { row->row(), index };
}

Value TableCellElement::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityParentAttribute)
        return Value(row_.lock());
    const Ref<TableView> table = table_.lock();
    if (!table)
        return {};
    const auto [row, column] = place(*table);
    if (row < 0 || column < 0)
        return {};
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityCellRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityCellRole));
    if (attribute == AccessibilityChildrenAttribute) {
        const Value editor = editorElement();
        return Value(editor.isObject() ? Array { editor } : Array {});
    }
    if (attribute == AccessibilityPositionAttribute || attribute == AccessibilitySizeAttribute)
        return placeAttribute(*table, table->frameOfCellAtColumnRow(column, row), attribute);
    if (attribute == AccessibilityFocusedAttribute)
        return Value(false);
    if (attribute == AccessibilitySelectedAttribute)
        return Value(table->isRowSelected(row));
    if (attribute == AccessibilityRowIndexRangeAttribute)
        return Value(Range { row, 1 });
    if (attribute == AccessibilityColumnIndexRangeAttribute)
        return Value(Range { column, 1 });
    if (isPlacementAttribute(attribute))
        return ViewAccessibilityAttributeValue(*table, attribute);
    // What it shows: the prepared cell's title, value and state, made only for the question.
    const Ref<Cell> cell = table->preparedCellAtColumnRow(column, row);
    if (!cell)
        return {};
    if (attribute == AccessibilityEnabledAttribute)
        return Value(table->isEnabled() && cell->isEnabled());
    if (attribute == AccessibilityTitleAttribute || attribute == AccessibilityValueAttribute) {
        const Value own = cell->accessibilityAttributeValue(attribute);
        // A reader speaks a row through its one cell with text: what the row draws beside the
        // cell (a badge) is read with it. The value as set stays the cell's own.
        const QStringList beside = table->accessibilityTextsBesideCell(column, row);
        if (attribute != AccessibilityValueAttribute || beside.isEmpty() || !(own.isString() || own.isNil()))
            return own;
        QStringList texts = beside;
        if (own.isString() && !own.stringValue().isEmpty())
            texts.prepend(own.stringValue());
        return Value(texts.join(QStringLiteral(", ")));
    }
    return {};
}

Value TableCellElement::editorElement() const
{
    const Ref<TableView> table = table_.lock();
    if (!table || table->editedRow() < 0 || place(*table) != std::pair { table->editedRow(), table->editedColumn() })
        return {};
    if (!editor_)
        editor_ = make<TableCellEditorElement>(table.get(), const_cast<TableCellElement*>(this));
    return editor_->editor() ? Value(editor_) : Value();
}

// The cell's editor ---------------------------------------------------------------------------------

FieldEditing* TableCellEditorElement::editor() const
{
    const Ref<TableView> table = table_.lock();
    const Ref<TableCellElement> cell = dynamic_pointer_cast<TableCellElement>(cell_.lock());
    if (!table || !cell || table->editedRow() < 0 || cell->place(*table) != std::pair { table->editedRow(), table->editedColumn() })
        return nullptr;
    return dynamic_cast<FieldEditing*>(table->currentEditor().get());
}

Value TableCellEditorElement::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityParentAttribute)
        return Value(cell_.lock());
    const Ref<TableView> table = table_.lock();
    const FieldEditing* editing = editor();
    if (!table || !editing)
        return {};
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityTextFieldRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityTextFieldRole));
    if (attribute == AccessibilityChildrenAttribute)
        return Value(Array {});
    if (attribute == AccessibilityPositionAttribute || attribute == AccessibilitySizeAttribute)
        return placeAttribute(*table, table->frameOfCellAtColumnRow(table->editedColumn(), table->editedRow()), attribute);
    if (attribute == AccessibilityFocusedAttribute)
        return Value(hasFocus(*table));
    if (attribute == AccessibilityEnabledAttribute)
        return Value(true);
    if (attribute == AccessibilityValueAttribute)
        return Value(editing->editorString());
    if (attribute == AccessibilitySelectedTextRangeAttribute)
        return Value(editing->editorSelectedRange());
    if (isPlacementAttribute(attribute))
        return ViewAccessibilityAttributeValue(*table, attribute);
    return {};
}

void TableCellEditorElement::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    FieldEditing* editing = editor();
    const Ref<TableView> table = table_.lock();
    if (!editing || !table)
        return;
    if (attribute == AccessibilitySelectedTextRangeAttribute && value.kind() == Value::Kind::Range) {
        const std::int64_t n = editing->editorString().size();
        const std::int64_t start = std::clamp<std::int64_t>(value.rangeValue().location, 0, n);
        editing->setEditorSelectedRange({ start, std::clamp<std::int64_t>(value.rangeValue().length, 0, n - start) });
    } else if (attribute == AccessibilityValueAttribute) {
        editing->setEditorString(value.isString() ? value.stringValue() : value.description());
        const Ref<Responder> editor = table->currentEditor();
        table->textDidChange(Notification::notificationWithNameObjectUserInfo(TextDidChangeNotification, editor.get()).get());
    }
}

bool TableCellElement::accessibilityIsAttributeSettable(const QString& attribute) const
{
    const Ref<TableView> table = table_.lock();
    if (attribute != AccessibilityValueAttribute || !table || !table->isEnabled())
        return false;
    const auto [row, column] = place(*table);
    return row >= 0 && column >= 0 && table->canEditColumnRow(column, row);
}

void TableCellElement::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (!accessibilityIsAttributeSettable(attribute))
        return;
    const Ref<TableView> table = table_.lock();
    const Ref<TableCellElement> keep(this);
    const auto [row, column] = place(*table);
    // The user's way: edit the cell, type the text, leave it; the cell and its formatter store it.
    if (!table->editColumnRowWithEventSelect(column, row, nullptr, true))
        return;
    const Ref<Responder> editor = table->currentEditor();
    if (auto* editing = dynamic_cast<FieldEditing*>(editor.get())) {
        const QString text = value.isString() ? value.stringValue() : value.description();
        editing->setEditorString(text);
        table->textDidChange(Notification::notificationWithNameObjectUserInfo(TextDidChangeNotification, editor.get()).get());
    }
    table->endCellEditing();
}

} // namespace tableaccessibility

// The view's side ----------------------------------------------------------------------------------

QStringList TableView::accessibilityTextsOfRow(std::int64_t row)
{
    QStringList texts;
    for (std::int64_t column = 0; column < std::int64_t(tableColumns().size()); ++column) {
        if (const Ref<Cell> cell = preparedCellAtColumnRow(column, row)) {
            const Value title = cell->accessibilityAttributeValue(AccessibilityTitleAttribute);
            const Value value = cell->accessibilityAttributeValue(AccessibilityValueAttribute);
            const QString text = title.isString() && !title.stringValue().isEmpty() ? title.stringValue() : value.isString() ? value.stringValue() : QString();
            if (!text.isEmpty())
                texts << text;
        }
        texts << accessibilityTextsBesideCell(column, row);
    }
    return texts;
}

QStringList TableView::accessibilityTextsBesideCell(std::int64_t, std::int64_t) { return {}; }

void TableView::accessibilitySelectionDidChange(const IndexSet& before)
{
    const Ref<tableaccessibility::TableElement> element = accessibilityElement().objectAs<tableaccessibility::TableElement>();
    element->rowSelectionChanged(before);
    // The row the user moved to is the focused element now.
    if (const Ref<Window> w = window(); w && tableaccessibility::hasFocus(*this))
        AccessibilityBridge::focusChanged(w.get());
}

void TableView::accessibilityItemExpansionDidChange(const Value& item)
{
    const Ref<tableaccessibility::TableElement> element = accessibilityElement().objectAs<tableaccessibility::TableElement>();
    element->rowsChanged();
    if (const Ref<tableaccessibility::TableRowElement> row = element->existingRowElement(item))
        row->accessibilityValueChanged();
}

} // namespace kit
