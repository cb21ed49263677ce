#pragma once

// Tables as a screen reader reads them: a table element adopts kit::AccessibilityTable beside
// kit::Accessibility and answers its size, a cell by its place, headers and the selection by index,
// so a client reads a table of millions of rows without the table making an element per row. Its
// cells answer their place (AXRowIndexRange, AXColumnIndexRange) and lead to the table through
// their parents. The bridge shows the two as Qt's table and table-cell interfaces.

#include "kit/appkit/Accessibility.h"
#include "kit/core/IndexSet.h"

#include <memory>

namespace kit {

class View;

// A cell's place: the rows and the columns it spans.
inline const QString AccessibilityRowIndexRangeAttribute = QStringLiteral("AXRowIndexRange");
inline const QString AccessibilityColumnIndexRangeAttribute = QStringLiteral("AXColumnIndexRange");

class AccessibilityTable {
public:
    virtual ~AccessibilityTable() = default;

    virtual std::int64_t accessibilityRowCount() const = 0;
    virtual std::int64_t accessibilityColumnCount() const = 0;
    // The cell element at `column`, `row`, made when first asked for; nil outside the table.
    virtual Value accessibilityCellForColumnRow(std::int64_t column, std::int64_t row) const = 0;
    // The header element of a column or a row; nil where the table has none.
    virtual Value accessibilityColumnHeader(std::int64_t) const { return {}; }
    virtual Value accessibilityRowHeader(std::int64_t) const { return {}; }
    // What a header says when the table has no header element for it.
    virtual QString accessibilityColumnTitle(std::int64_t column) const;
    // The selection as a rectangle: the selected cells are these rows × these columns (a table
    // that selects rows answers every column).
    struct Selection {
        IndexSet rows;
        IndexSet columns;
    };
    virtual Selection accessibilitySelection() const = 0;
    // Selects a whole row or column (or takes it out) the user's way; whether the table could.
    virtual bool accessibilitySetRowSelected(std::int64_t, bool) { return false; }
    virtual bool accessibilitySetColumnSelected(std::int64_t, bool) { return false; }
};

// The table a cell lies in: the first of its ancestors adopting AccessibilityTable; nil for none.
Value AccessibilityTableOfCell(const Value& cell);

// The bridge's side: Qt's table interface for an element adopting AccessibilityTable, the
// table-cell interface for an element answering AXRowIndexRange, else null. `adapter` belongs to
// the element's interface and is made on first use. Its cell of a place is never null (Qt 6.4's
// bus adaptor reads it unchecked): a place outside the table answers a cell that is nowhere, not
// selected, of no extent and no child of the table.
class AccessibilityTableAdapter;
struct AccessibilityTableAdapterDeleter {
    void operator()(AccessibilityTableAdapter* adapter) const;
};
using AccessibilityTableAdapterPtr = std::unique_ptr<AccessibilityTableAdapter, AccessibilityTableAdapterDeleter>;
void* AccessibilityTableInterfaceCast(const Value& element, int interfaceType, AccessibilityTableAdapterPtr& adapter);

} // namespace kit
