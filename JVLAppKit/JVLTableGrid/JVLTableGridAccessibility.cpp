// What a screen reader finds of a table grid: the grid draws its cells itself, so the rows it
// shows, their cells and the headers are elements of their own, in a table as a table view shows.
// Any cell is reached by place through the table interface; the current cell has the focus.

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/AccessibilityTable.h"
#include "kit/appkit/Window.h"

#include <cmath>
#include <vector>

namespace {

constexpr std::int64_t RowKey = -2;

// A row (column RowKey) or a cell of the grid; column or row -1 stands for the headers.
class JVLTableGridElement : public kit::Object, public kit::Accessibility {
public:
    JVLTableGridElement(JVLTableGrid* grid, std::int64_t column, std::int64_t row)
        : grid_(grid)
        , column_(column)
        , row_(row)
    { }

    QStringList accessibilityAttributeNames() const override
    {
        QStringList names { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute, kit::AccessibilityParentAttribute,
            kit::AccessibilityChildrenAttribute, kit::AccessibilityWindowAttribute, kit::AccessibilityTopLevelUIElementAttribute,
            kit::AccessibilityPositionAttribute, kit::AccessibilitySizeAttribute, kit::AccessibilityEnabledAttribute };
        if (isRow())
            names << kit::AccessibilitySubroleAttribute << kit::AccessibilityIndexAttribute;
        else
            names << kit::AccessibilityTitleAttribute << kit::AccessibilityValueAttribute;
        if (row_ >= 0 && column_ != -1)
            names << kit::AccessibilitySelectedAttribute;
        if (isDataCell())
            names << kit::AccessibilityFocusedAttribute << kit::AccessibilityRowIndexRangeAttribute << kit::AccessibilityColumnIndexRangeAttribute;
        return names;
    }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const kit::Ref<JVLTableGrid> grid = grid_.lock();
        if (!grid)
            return {};
        const QString role = isRow() ? kit::AccessibilityRowRole : kit::AccessibilityCellRole;
        if (attribute == kit::AccessibilityRoleAttribute)
            return kit::Value(role);
        if (attribute == kit::AccessibilitySubroleAttribute)
            return isRow() ? kit::Value(kit::AccessibilityTableRowSubrole) : kit::Value();
        if (attribute == kit::AccessibilityRoleDescriptionAttribute)
            return kit::Value(kit::AccessibilityRoleDescription(role));
        if (attribute == kit::AccessibilityParentAttribute)
            return isRow() ? kit::Value(kit::Ref<kit::Object>(grid)) : grid->accessibilityRowElement(row_);
        if (attribute == kit::AccessibilityWindowAttribute || attribute == kit::AccessibilityTopLevelUIElementAttribute)
            return grid->window() ? kit::Value(grid->window()) : kit::Value();
        if (attribute == kit::AccessibilityEnabledAttribute)
            return kit::Value(grid->isEnabled());
        if (attribute == kit::AccessibilityIndexAttribute && isRow())
            return kit::Value(row_);
        if (attribute == kit::AccessibilityChildrenAttribute) {
            kit::Array cells;
            if (!isRow())
                return kit::Value(cells);
            if (row_ >= 0)
                cells.addObject(grid->accessibilityCellElement(-1, row_));
            for (const std::int64_t column : grid->accessibilityVisibleColumns())
                cells.addObject(grid->accessibilityCellElement(column, row_));
            return kit::Value(cells);
        }
        if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
            const kit::Rect box = kit::AccessibilityScreenRectOfRectInView(*grid, rectIn(*grid));
            return attribute == kit::AccessibilitySizeAttribute ? kit::Value(box.size) : kit::Value(box.origin);
        }
        if (attribute == kit::AccessibilitySelectedAttribute && row_ >= 0 && column_ != -1) {
            const bool rowSelected = grid->selectedRowIndexes().containsIndex(row_);
            return kit::Value(isRow() ? rowSelected : rowSelected && grid->selectedColumnIndexes().containsIndex(column_));
        }
        if (isDataCell()) {
            if (attribute == kit::AccessibilityFocusedAttribute)
                return kit::Value(grid->accessibilityFocusedUIElement().object().get() == this);
            if (attribute == kit::AccessibilityRowIndexRangeAttribute)
                return kit::Value(kit::Range { row_, 1 });
            if (attribute == kit::AccessibilityColumnIndexRangeAttribute)
                return kit::Value(kit::Range { column_, 1 });
        }
        if (isRow())
            return {};
        // Headers are named by their strings; a cell by its value.
        if (attribute == kit::AccessibilityTitleAttribute) {
            if (row_ < 0)
                return kit::Value(grid->headerStringForColumn(column_));
            if (column_ < 0)
                return kit::Value(grid->headerStringForRow(row_));
            return {};
        }
        if (attribute == kit::AccessibilityValueAttribute) {
            if (row_ < 0 || column_ < 0)
                return accessibilityAttributeValue(kit::AccessibilityTitleAttribute);
            const kit::Value v = grid->objectValueForColumnRow(column_, row_);
            if (v.isNilOrNull() || v.isString() || v.isNumber())
                return v.isNilOrNull() ? kit::Value() : v;
            return kit::Value(v.description());
        }
        return {};
    }

    // A cell is selected, or focused, as a click on it selects it.
    bool accessibilityIsAttributeSettable(const QString& attribute) const override
    {
        const kit::Ref<JVLTableGrid> grid = grid_.lock();
        if (!grid || !isDataCell())
            return false;
        if (attribute == kit::AccessibilityFocusedAttribute)
            return kit::AccessibilityViewIsFocusable(*grid);
        return attribute == kit::AccessibilitySelectedAttribute && grid->isEnabled();
    }
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override
    {
        const kit::Ref<JVLTableGrid> grid = grid_.lock();
        if (!value.boolValue() || !accessibilityIsAttributeSettable(attribute))
            return;
        if (attribute == kit::AccessibilityFocusedAttribute)
            kit::AccessibilityFocusView(*grid);
        grid->accessibilitySelectCell(column_, row_);
    }

    // A row answers the cell under the point.
    kit::Value accessibilityHitTest(kit::Point point) const override
    {
        const kit::Value cells = accessibilityAttributeValue(kit::AccessibilityChildrenAttribute);
        for (const kit::Value& cell : cells.array())
            if (kit::AccessibilityElementContainsPoint(cell, point))
                return cell;
        return self();
    }

    bool isRow() const { return column_ == RowKey; }
    bool isDataCell() const { return column_ >= 0 && row_ >= 0; }

private:
    kit::Rect rectIn(const JVLTableGrid& grid) const
    {
        if (isRow())
            return row_ >= 0 ? grid.rectOfRow(row_) : kit::MakeRect(0, 0, grid.bounds().width(), JVLTableGrid::ColumnHeaderHeight);
        if (row_ < 0)
            return grid.headerRectOfColumn(column_);
        if (column_ < 0)
            return grid.headerRectOfRow(row_);
        return grid.frameOfCellAtColumnRow(column_, row_);
    }

    kit::Weak<JVLTableGrid> grid_;
    std::int64_t column_;
    std::int64_t row_;
};

} // namespace

kit::Value JVLTableGrid::accessibilityRowElement(std::int64_t row) const { return accessibilityCellElement(RowKey, row); }

kit::Value JVLTableGrid::accessibilityCellElement(std::int64_t column, std::int64_t row) const
{
    kit::Ref<kit::Object>& element = accessibilityElements_[{ column, row }];
    if (!element)
        element = kit::make<JVLTableGridElement>(const_cast<JVLTableGrid*>(this), column, row);
    return kit::Value(element);
}

std::pair<std::int64_t, std::int64_t> JVLTableGrid::accessibilityVisibleRows() const
{
    // Rows are RowHeight apart from the top of the (flipped) content view.
    const kit::Rect shown = contentView_->visibleRect();
    const auto first = std::int64_t(std::max(0.0, std::floor(shown.minY() / RowHeight)));
    const auto last = std::int64_t(std::ceil(shown.maxY() / RowHeight)) - 1;
    return { first, std::min(last, numberOfRows_ - 1) };
}

std::vector<std::int64_t> JVLTableGrid::accessibilityVisibleColumns() const
{
    const kit::Rect shown = contentView_->convertRectToView(contentView_->visibleRect(), const_cast<JVLTableGrid*>(this));
    std::vector<std::int64_t> columns;
    for (std::int64_t c = 0; c < numberOfColumns_; ++c) {
        const kit::Rect r = rectOfColumn(c);
        if (r.size.width > 0 && r.maxX() > shown.minX() && r.minX() < shown.maxX())
            columns.push_back(c);
    }
    return columns;
}

kit::Value JVLTableGrid::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityTableRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityTableRole));
    if (attribute == kit::AccessibilityChildrenAttribute || attribute == kit::AccessibilityRowsAttribute
        || attribute == kit::AccessibilityVisibleRowsAttribute) {
        kit::Array rows { accessibilityRowElement(-1) };
        const auto [first, last] = accessibilityVisibleRows();
        for (std::int64_t r = first; r <= last; ++r)
            rows.addObject(accessibilityRowElement(r));
        return kit::Value(rows);
    }
    return kit::ViewAccessibilityAttributeValue(*this, attribute);
}

bool JVLTableGrid::accessibilityIsAttributeSettable(const QString& attribute) const
{
    return attribute == kit::AccessibilityFocusedAttribute && kit::AccessibilityViewIsFocusable(*this);
}

void JVLTableGrid::accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute)
{
    if (attribute == kit::AccessibilityFocusedAttribute && value.boolValue())
        kit::AccessibilityFocusView(*this);
}

kit::Value JVLTableGrid::accessibilityFocusedUIElement() const
{
    if (!hasKeyboardFocus() || selectedColumns_.isEmpty() || selectedRows_.isEmpty())
        return self();
    return accessibilityCellForColumnRow(anchorColumn(), anchorRow());
}

kit::Value JVLTableGrid::accessibilityCellForColumnRow(std::int64_t column, std::int64_t row) const
{
    if (column < 0 || column >= numberOfColumns_ || row < 0 || row >= numberOfRows_)
        return {};
    return accessibilityCellElement(column, row);
}

kit::Value JVLTableGrid::accessibilityColumnHeader(std::int64_t column) const
{
    return column >= 0 && column < numberOfColumns_ ? accessibilityCellElement(column, -1) : kit::Value();
}

kit::Value JVLTableGrid::accessibilityRowHeader(std::int64_t row) const
{
    return row >= 0 && row < numberOfRows_ ? accessibilityCellElement(-1, row) : kit::Value();
}

// A whole row or column: the selection becomes that row (or column) across the grid.
bool JVLTableGrid::accessibilitySetRowSelected(std::int64_t row, bool selected)
{
    if (!selected || row < 0 || row >= numberOfRows_ || numberOfColumns_ == 0)
        return false;
    setSelectedColumnIndexes(kit::IndexSet::indexSetWithIndexesInRange({ 0, numberOfColumns_ }));
    setSelectedRowIndexes(kit::IndexSet(row));
    return selectedRows_.containsIndex(row);
}

bool JVLTableGrid::accessibilitySetColumnSelected(std::int64_t column, bool selected)
{
    if (!selected || column < 0 || column >= numberOfColumns_ || numberOfRows_ == 0)
        return false;
    setSelectedRowIndexes(kit::IndexSet::indexSetWithIndexesInRange({ 0, numberOfRows_ }));
    setSelectedColumnIndexes(kit::IndexSet(column));
    return selectedColumns_.containsIndex(column);
}

void JVLTableGrid::accessibilitySelectionDidChange(const kit::IndexSet& columnsBefore, const kit::IndexSet& rowsBefore)
{
    if (holdsSelectionAnnouncement_ || (columnsBefore == selectedColumns_ && rowsBefore == selectedRows_))
        return;
    // The elements made so far whose selected state changed, in order.
    std::vector<kit::Ref<kit::Object>> changed;
    for (const auto& [place, element] : accessibilityElements_) {
        const auto [column, row] = place;
        if (row < 0 || column == -1)
            continue;
        const bool wholeRow = column == RowKey;
        const bool was = rowsBefore.containsIndex(row) && (wholeRow || columnsBefore.containsIndex(column));
        const bool is = selectedRows_.containsIndex(row) && (wholeRow || selectedColumns_.containsIndex(column));
        if (was != is)
            changed.push_back(element);
    }
    for (const kit::Ref<kit::Object>& element : changed)
        dynamic_cast<kit::Accessibility*>(element.get())->accessibilitySelectionChanged();
    // The cell moved to is the focused element now.
    if (const kit::Ref<kit::Window> w = window(); w && hasKeyboardFocus())
        kit::AccessibilityBridge::focusChanged(w.get());
}

kit::Value JVLTableGrid::accessibilityHitTest(kit::Point point) const
{
    const kit::Value rows = accessibilityAttributeValue(kit::AccessibilityChildrenAttribute);
    for (const kit::Value& row : rows.array())
        if (kit::AccessibilityElementContainsPoint(row, point))
            return kit::AccessibilityHitTest(row, point);
    return self();
}
