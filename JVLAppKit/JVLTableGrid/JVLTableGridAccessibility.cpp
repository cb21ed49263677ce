// What a screen reader finds of a table grid: the grid draws its cells itself, so its cells and
// headers are elements of their own. The cells are the table's children, as a table view's are,
// so that a child's index leads a client to its row and column; a grid of 10^8 rows by 10^4
// columns has more cells than an index reaches, so the children are the cells shown (and the
// current cell, wherever it is). Any cell is reached by place through the table interface, the
// headers through a cell's; the current cell has the focus. A reader scrolling through 10^8 rows
// leaves no trail: what is not shown is kept only for the last few cells asked.

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/AccessibilityTable.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// A cell of the grid; column or row -1 stands for the headers.
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
            kit::AccessibilityPositionAttribute, kit::AccessibilitySizeAttribute, kit::AccessibilityEnabledAttribute,
            kit::AccessibilityTitleAttribute, kit::AccessibilityValueAttribute };
        if (isDataCell())
            names << kit::AccessibilitySelectedAttribute << kit::AccessibilityFocusedAttribute << kit::AccessibilityRowIndexRangeAttribute
                  << kit::AccessibilityColumnIndexRangeAttribute;
        return names;
    }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const kit::Ref<JVLTableGrid> grid = grid_.lock();
        if (!grid)
            return {};
        if (attribute == kit::AccessibilityRoleAttribute)
            return kit::Value(kit::AccessibilityCellRole);
        if (attribute == kit::AccessibilityRoleDescriptionAttribute)
            return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityCellRole));
        if (attribute == kit::AccessibilityParentAttribute)
            return kit::Value(kit::Ref<kit::Object>(grid));
        if (attribute == kit::AccessibilityWindowAttribute || attribute == kit::AccessibilityTopLevelUIElementAttribute)
            return grid->window() ? kit::Value(grid->window()) : kit::Value();
        if (attribute == kit::AccessibilityEnabledAttribute)
            return kit::Value(grid->isEnabled());
        if (attribute == kit::AccessibilityChildrenAttribute)
            return kit::Value(kit::Array {});
        if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
            const kit::Rect box = kit::AccessibilityScreenRectOfRectInView(*grid, rectIn(*grid));
            return attribute == kit::AccessibilitySizeAttribute ? kit::Value(box.size) : kit::Value(box.origin);
        }
        if (isDataCell()) {
            if (attribute == kit::AccessibilitySelectedAttribute)
                return kit::Value(grid->selectedRowIndexes().containsIndex(row_) && grid->selectedColumnIndexes().containsIndex(column_));
            if (attribute == kit::AccessibilityFocusedAttribute)
                return kit::Value(grid->accessibilityFocusedUIElement().object().get() == this);
            if (attribute == kit::AccessibilityRowIndexRangeAttribute)
                return kit::Value(kit::Range { row_, 1 });
            if (attribute == kit::AccessibilityColumnIndexRangeAttribute)
                return kit::Value(kit::Range { column_, 1 });
        }
        // Headers are named by their strings; a cell by its value.
        if (attribute == kit::AccessibilityTitleAttribute) {
            if (row_ < 0)
                return kit::Value(grid->headerStringForColumn(column_));
            if (column_ < 0)
                return kit::Value(grid->headerStringForRow(row_));
            // A reader says nothing for an empty cell beside a header it announces: the current one is
            // called blank (the others stay silent as a row is read).
            if (const kit::Value v = grid->objectValueForColumnRow(column_, row_);
                (v.isNilOrNull() || (v.isString() && v.stringValue().isEmpty())) && grid->accessibilityFocusedUIElement().object().get() == this)
                return kit::Value(kit::Bundle::bundleForClass(JVLTableGrid::staticClass())
                                      ->localizedStringForKeyValueTable(QStringLiteral("BlankCell"), QStringLiteral("blank"), QStringLiteral("JVLTableGrid")));
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

    std::int64_t column() const { return column_; }
    std::int64_t row() const { return row_; }
    bool isDataCell() const { return column_ >= 0 && row_ >= 0; }

private:
    kit::Rect rectIn(const JVLTableGrid& grid) const
    {
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

kit::Value JVLTableGrid::accessibilityCellElement(std::int64_t column, std::int64_t row) const
{
    return kit::Value(accessibilityElements_.obtain(
        { column, row }, [&] { return kit::Ref<kit::Object>(kit::make<JVLTableGridElement>(const_cast<JVLTableGrid*>(this), column, row)); }));
}

bool JVLTableGrid::accessibilityKeepsElement(const AccessibilityPlace& place) const
{
    const auto [column, row] = place;
    if (const auto current = accessibilityCurrentCell(); current && *current == place)
        return true;
    const AccessibilityBlock shown = accessibilityShownBlock();
    if (row < 0) // a column's header
        return column >= shown.column && column < shown.column + shown.columns;
    if (column < 0)
        return row >= shown.row && row < shown.row + shown.rows;
    return shown.contains(column, row);
}

std::pair<std::int64_t, std::int64_t> JVLTableGrid::accessibilityVisibleRows() const
{
    // Rows are RowHeight apart from the top of the (flipped) content view.
    const kit::Rect shown = contentView_->visibleRect();
    const auto first = std::int64_t(std::max(0.0, std::floor(shown.minY() / RowHeight)));
    const auto last = std::int64_t(std::ceil(shown.maxY() / RowHeight)) - 1;
    return { first, std::min(last, numberOfRows_ - 1) };
}

std::pair<std::int64_t, std::int64_t> JVLTableGrid::accessibilityVisibleColumns() const
{
    const kit::Rect shown = contentView_->visibleRect();
    std::int64_t first = columnSpanning(shown.minX());
    if (first == kit::NotFound || shown.size.width <= 0)
        return { 0, -1 };
    // A column that only touches the left edge is not shown.
    if (first + 1 < numberOfColumns_ && columnOffset(first) + columnWidth(first) <= shown.minX())
        ++first;
    std::int64_t last = columnSpanning(shown.maxX(), first);
    if (last == kit::NotFound)
        last = numberOfColumns_ - 1;
    else if (last > first && columnOffset(last) >= shown.maxX())
        --last;
    return { first, last };
}

JVLTableGrid::AccessibilityBlock JVLTableGrid::accessibilityShownBlock() const
{
    const auto [firstRow, lastRow] = accessibilityVisibleRows();
    const auto [firstColumn, lastColumn] = accessibilityVisibleColumns();
    if (lastRow < firstRow || lastColumn < firstColumn)
        return {};
    return { firstColumn, firstRow, lastColumn - firstColumn + 1, lastRow - firstRow + 1 };
}

std::optional<std::pair<std::int64_t, std::int64_t>> JVLTableGrid::accessibilityCurrentCell() const
{
    if (selectedColumns_.isEmpty() || selectedRows_.isEmpty())
        return std::nullopt;
    // The anchor; after Shift with an arrow, the far end it moved (where the next one moves).
    const std::int64_t column = focusOnFarEnd_ == (stickyColumnEdge_ == 1) ? selectedColumns_.firstIndex() : selectedColumns_.lastIndex();
    const std::int64_t row = focusOnFarEnd_ == (stickyRowEdge_ == 4) ? selectedRows_.firstIndex() : selectedRows_.lastIndex();
    if (column < 0 || column >= numberOfColumns_ || row < 0 || row >= numberOfRows_)
        return std::nullopt;
    return std::pair { column, row };
}

// The current cell when it lies outside the shown cells: it follows them as the last child.
std::optional<std::pair<std::int64_t, std::int64_t>> JVLTableGrid::accessibilityCurrentCellOutside(const AccessibilityBlock& block) const
{
    const auto current = accessibilityCurrentCell();
    if (current && !block.contains(current->first, current->second))
        return current;
    return std::nullopt;
}

std::int64_t JVLTableGrid::accessibilityArrayAttributeCount(const QString& attribute) const
{
    if (attribute != kit::AccessibilityChildrenAttribute)
        return Accessibility::accessibilityArrayAttributeCount(attribute);
    const AccessibilityBlock block = accessibilityShownBlock();
    return block.columns * block.rows + (accessibilityCurrentCellOutside(block) ? 1 : 0);
}

kit::Array JVLTableGrid::accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const
{
    if (attribute != kit::AccessibilityChildrenAttribute)
        return Accessibility::accessibilityArrayAttributeValues(attribute, index, maxCount);
    const AccessibilityBlock block = accessibilityShownBlock();
    const std::int64_t shown = block.columns * block.rows;
    const auto outside = accessibilityCurrentCellOutside(block);
    kit::Array out;
    for (std::int64_t i = std::max<std::int64_t>(index, 0); i < shown + (outside ? 1 : 0) && out.count() < maxCount; ++i) {
        if (i == shown)
            out.addObject(accessibilityCellElement(outside->first, outside->second));
        else
            out.addObject(accessibilityCellElement(block.column + i % block.columns, block.row + i / block.columns));
    }
    return out;
}

std::int64_t JVLTableGrid::accessibilityIndexOfChild(const kit::Value& child) const
{
    const auto* cell = dynamic_cast<const JVLTableGridElement*>(child.isObject() ? child.object().get() : nullptr);
    if (!cell || !cell->isDataCell())
        return -1;
    // An element let go of is no child, even while someone still holds it.
    if (accessibilityElements_.find({ cell->column(), cell->row() }).get() != cell)
        return -1;
    const AccessibilityBlock block = accessibilityShownBlock();
    if (block.contains(cell->column(), cell->row()))
        return (cell->row() - block.row) * block.columns + cell->column() - block.column;
    const auto outside = accessibilityCurrentCellOutside(block);
    return outside && *outside == std::pair { cell->column(), cell->row() } ? block.columns * block.rows : -1;
}

kit::Value JVLTableGrid::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityTableRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityTableRole));
    if (attribute == kit::AccessibilityChildrenAttribute)
        return kit::Value(accessibilityArrayAttributeValues(attribute, 0, accessibilityArrayAttributeCount(attribute)));
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
    const auto current = accessibilityCurrentCell();
    if (!hasKeyboardFocus() || !current)
        return self();
    return accessibilityCellElement(current->first, current->second);
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
    // The cell moved to is the focused element now; a reader hears it first, then which cells
    // the selection took in (the cell itself among them: "selected").
    if (const kit::Ref<kit::Window> w = window(); w && hasKeyboardFocus())
        kit::AccessibilityBridge::focusChanged(w.get());
    // The elements kept whose selected state changed, in order.
    std::vector<kit::Ref<kit::Object>> changed;
    accessibilityElements_.forEach([&](const AccessibilityPlace& place, const kit::Ref<kit::Object>& element) {
        const auto [column, row] = place;
        if (row < 0 || column < 0)
            return;
        const bool was = rowsBefore.containsIndex(row) && columnsBefore.containsIndex(column);
        const bool is = selectedRows_.containsIndex(row) && selectedColumns_.containsIndex(column);
        if (was != is)
            changed.push_back(element);
    });
    for (const kit::Ref<kit::Object>& element : changed)
        dynamic_cast<kit::Accessibility*>(element.get())->accessibilitySelectionChanged();
}

kit::Value JVLTableGrid::accessibilityHitTest(kit::Point point) const
{
    const kit::Ref<kit::Window> w = window();
    const kit::Point inGrid = convertPointFromView(w ? w->convertScreenToBase(point) : point, nullptr);
    const std::int64_t column = columnAtPoint(inGrid), row = rowAtPoint(inGrid);
    if (inGrid.y < ColumnHeaderHeight)
        return column != kit::NotFound ? accessibilityCellElement(column, -1) : self();
    if (inGrid.x < rowHeaderWidth_)
        return row != kit::NotFound ? accessibilityCellElement(-1, row) : self();
    return column != kit::NotFound && row != kit::NotFound ? accessibilityCellElement(column, row) : self();
}
