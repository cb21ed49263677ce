// The table grid's selection and keyboard: storing and announcing the two index sets, the sticky
// edges, moves and extending moves, Home, End and the page keys, Tab, Return, Select All, Delete,
// typing and presses.

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"

#include "JVLAppKit/JVLTableGrid/JVLTableGridContentView.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextView.h"

#include <algorithm>
#include <utility>

using namespace kit;

namespace {

IndexSet tableGridRange(std::int64_t a, std::int64_t b)
{
    const std::int64_t first = std::min(a, b), last = std::max(a, b);
    return IndexSet::indexSetWithIndexesInRange({ first, last - first + 1 });
}

} // namespace

void JVLTableGrid::setSelectedColumnIndexes(const IndexSet& indexes)
{
    if (indexes.identicalTo(selectedColumns_))
        return;
    IndexSet stored = indexes;
    if (const auto d = delegateFor(WillSelectColumns))
        stored = d->tableGridWillSelectColumnsAtIndexPath(this, indexes);
    const IndexSet before = std::exchange(selectedColumns_, stored);
    focusOnFarEnd_ = extendingSelection_;
    setNeedsDisplay(true);
    contentView_->setNeedsDisplay(true);
    NotificationCenter::defaultCenter()->postNotificationNameObject(JVLTableGridDidChangeSelectionNotification, this);
    accessibilitySelectionDidChange(before, selectedRows_);
}

void JVLTableGrid::setSelectedRowIndexes(const IndexSet& indexes)
{
    if (indexes.identicalTo(selectedRows_))
        return;
    IndexSet stored = indexes;
    if (const auto d = delegateFor(WillSelectRows))
        stored = d->tableGridWillSelectRowsAtIndexPath(this, indexes);
    const IndexSet before = std::exchange(selectedRows_, stored);
    focusOnFarEnd_ = extendingSelection_;
    setNeedsDisplay(true);
    contentView_->setNeedsDisplay(true);
    NotificationCenter::defaultCenter()->postNotificationNameObject(JVLTableGridDidChangeSelectionNotification, this);
    accessibilitySelectionDidChange(selectedColumns_, before);
}

void JVLTableGrid::setStickyColumnRow(int columnEdge, int rowEdge)
{
    stickyColumnEdge_ = columnEdge;
    stickyRowEdge_ = rowEdge;
}

std::int64_t JVLTableGrid::anchorColumn() const { return stickyColumnEdge_ == 1 ? selectedColumns_.lastIndex() : selectedColumns_.firstIndex(); }

std::int64_t JVLTableGrid::anchorRow() const { return stickyRowEdge_ == 4 ? selectedRows_.lastIndex() : selectedRows_.firstIndex(); }

void JVLTableGrid::selectCell(std::int64_t column, std::int64_t row)
{
    // One announcement for the cell moved to, not one per index set.
    const IndexSet columnsBefore = selectedColumns_, rowsBefore = selectedRows_;
    holdsSelectionAnnouncement_ = true;
    setSelectedColumnIndexes(IndexSet(column));
    setSelectedRowIndexes(IndexSet(row));
    holdsSelectionAnnouncement_ = false;
    accessibilitySelectionDidChange(columnsBefore, rowsBefore);
}

void JVLTableGrid::scrollCellIntoView(std::int64_t column, std::int64_t row)
{
    const Rect cell = contentView_->convertRectFromView(frameOfCellAtColumnRow(column, row), this);
    scrollToAreaAnimate(cell, false);
}

void JVLTableGrid::moveToCell(std::int64_t column, std::int64_t row)
{
    selectCell(column, row);
    scrollCellIntoView(column, row);
}

bool JVLTableGrid::hasCellToMoveFrom()
{
    if (!selectedColumns_.isEmpty() && !selectedRows_.isEmpty())
        return true;
    if (!hasKeyboardFocus())
        return false;
    if (const AccessibilityBlock shown = accessibilityShownBlock(); shown.columns > 0 && shown.rows > 0)
        moveToCell(shown.column, shown.row);
    return false;
}

// --- Plain moves ------------------------------------------------------------------------------------------

void JVLTableGrid::moveUp(Object*)
{
    if (!hasCellToMoveFrom())
        return;
    const std::int64_t column = anchorColumn(), row = anchorRow();
    if (row == 0)
        return;
    selectCell(column, row - 1);
    scrollCellIntoView(column, row - 1);
}

void JVLTableGrid::moveDown(Object*)
{
    if (!hasCellToMoveFrom())
        return;
    const std::int64_t column = anchorColumn(), row = anchorRow();
    if (row >= numberOfRows_ - 1)
        return;
    selectCell(column, row + 1);
    scrollCellIntoView(column, row + 1);
}

void JVLTableGrid::moveLeft(Object*)
{
    if (!hasCellToMoveFrom())
        return;
    const std::int64_t column = anchorColumn(), row = anchorRow();
    if (column == 0)
        return;
    scrollCellIntoView(column - 1, row);
    selectCell(column - 1, row);
}

void JVLTableGrid::moveRight(Object*)
{
    if (!hasCellToMoveFrom())
        return;
    const std::int64_t column = anchorColumn(), row = anchorRow();
    if (column >= numberOfColumns_ - 1)
        return;
    selectCell(column + 1, row);
    scrollCellIntoView(column + 1, row);
}

// --- Extending moves ---------------------------------------------------------------------------------------

void JVLTableGrid::moveDownAndModifySelection(Object* sender)
{
    if (shouldOverrideModifiers_) {
        shouldOverrideModifiers_ = false;
        moveDown(sender);
        return;
    }
    if (!hasCellToMoveFrom())
        return;
    // The far end moves: the focus goes with it (accessibilityCurrentCell).
    const ExtendingSelection extending(*this);
    const std::int64_t f = selectedRows_.firstIndex(), l = selectedRows_.lastIndex();
    if (selectedRows_.count() == 1)
        stickyRowEdge_ = 3;
    if (stickyRowEdge_ == 3) {
        if (l >= numberOfRows_ - 1)
            return;
        setSelectedRowIndexes(tableGridRange(f, l + 1));
    } else {
        setSelectedRowIndexes(tableGridRange(f + 1, l));
    }
    const std::int64_t last = selectedRows_.lastIndex();
    if (last != NotFound && last + 1 < numberOfRows_)
        scrollCellIntoView(selectedColumns_.lastIndex(), last + 1);
}

void JVLTableGrid::moveUpAndModifySelection(Object* sender)
{
    if (shouldOverrideModifiers_) {
        shouldOverrideModifiers_ = false;
        moveUp(sender);
        return;
    }
    if (!hasCellToMoveFrom())
        return;
    // The far end moves: the focus goes with it (accessibilityCurrentCell).
    const ExtendingSelection extending(*this);
    const std::int64_t f = selectedRows_.firstIndex(), l = selectedRows_.lastIndex();
    if (selectedRows_.count() == 1)
        stickyRowEdge_ = 4;
    if (f == 0 && stickyRowEdge_ == 4)
        return;
    if (stickyRowEdge_ == 4)
        setSelectedRowIndexes(tableGridRange(f - 1, l));
    else
        setSelectedRowIndexes(tableGridRange(f, l - 1));
    const std::int64_t first = selectedRows_.firstIndex();
    if (first != NotFound && first > 0)
        scrollCellIntoView(selectedColumns_.firstIndex(), first - 1);
}

void JVLTableGrid::moveRightAndModifySelection(Object* sender)
{
    if (shouldOverrideModifiers_) {
        shouldOverrideModifiers_ = false;
        moveRight(sender);
        return;
    }
    if (!hasCellToMoveFrom())
        return;
    // The far end moves: the focus goes with it (accessibilityCurrentCell).
    const ExtendingSelection extending(*this);
    const std::int64_t f = selectedColumns_.firstIndex(), l = selectedColumns_.lastIndex();
    if (selectedColumns_.count() == 1)
        stickyColumnEdge_ = 0;
    if (stickyColumnEdge_ == 0) {
        if (l >= numberOfColumns_ - 1)
            return;
        setSelectedColumnIndexes(tableGridRange(f, l + 1));
    } else {
        setSelectedColumnIndexes(tableGridRange(f + 1, l));
    }
    const std::int64_t last = selectedColumns_.lastIndex();
    if (last != NotFound && last + 1 < numberOfColumns_)
        scrollCellIntoView(last + 1, selectedRows_.lastIndex());
}

void JVLTableGrid::moveLeftAndModifySelection(Object* sender)
{
    if (shouldOverrideModifiers_) {
        shouldOverrideModifiers_ = false;
        moveLeft(sender);
        return;
    }
    if (!hasCellToMoveFrom())
        return;
    // The far end moves: the focus goes with it (accessibilityCurrentCell).
    const ExtendingSelection extending(*this);
    const std::int64_t f = selectedColumns_.firstIndex(), l = selectedColumns_.lastIndex();
    if (selectedColumns_.count() == 1)
        stickyColumnEdge_ = 1;
    if (f > 0)
        scrollCellIntoView(f - 1, selectedRows_.firstIndex());
    if (f == 0 && stickyColumnEdge_ == 1)
        return;
    if (stickyColumnEdge_ == 1)
        setSelectedColumnIndexes(tableGridRange(f - 1, l));
    else
        setSelectedColumnIndexes(tableGridRange(f, l - 1));
}

// --- Home, End, Page Up, Page Down -----------------------------------------------------------------------------

void JVLTableGrid::moveToBeginningOfLine(Object*)
{
    if (hasCellToMoveFrom() && numberOfColumns_ > 0)
        moveToCell(0, anchorRow());
}

void JVLTableGrid::moveToEndOfLine(Object*)
{
    if (hasCellToMoveFrom() && numberOfColumns_ > 0)
        moveToCell(numberOfColumns_ - 1, anchorRow());
}

void JVLTableGrid::moveToBeginningOfDocument(Object*)
{
    if (hasCellToMoveFrom() && numberOfColumns_ > 0 && numberOfRows_ > 0)
        moveToCell(0, 0);
}

void JVLTableGrid::moveToEndOfDocument(Object*)
{
    if (hasCellToMoveFrom() && numberOfColumns_ > 0 && numberOfRows_ > 0)
        moveToCell(numberOfColumns_ - 1, numberOfRows_ - 1);
}

void JVLTableGrid::pageUp(Object*) { pageBy(-1); }

void JVLTableGrid::pageDown(Object*) { pageBy(1); }

// The rows wholly shown make a page; the cells scroll by as much as the selection moves, so the
// cell moved to keeps its place on the screen while there is room.
void JVLTableGrid::pageBy(std::int64_t direction)
{
    if (!hasCellToMoveFrom() || numberOfRows_ <= 0)
        return;
    const auto page = std::max<std::int64_t>(1, std::int64_t(contentView_->visibleRect().size.height / RowHeight));
    const std::int64_t column = anchorColumn(), row = anchorRow();
    const std::int64_t to = std::clamp<std::int64_t>(row + direction * page, 0, numberOfRows_ - 1);
    if (to == row)
        return;
    const Ref<ClipView> clip = contentScrollView_->contentView();
    clip->scrollToPoint({ clip->bounds().minX(), clip->bounds().minY() + double(to - row) * RowHeight });
    moveToCell(column, to);
}

// --- Tab, Return, Select All, Delete ----------------------------------------------------------------------------

void JVLTableGrid::insertTab(Object* sender) { moveRight(sender); }

void JVLTableGrid::insertBacktab(Object* sender)
{
    shouldOverrideModifiers_ = true;
    moveLeft(sender);
}

void JVLTableGrid::insertNewline(Object* sender)
{
    const Ref<Event> current = Application::sharedApplication()->currentEvent();
    if (current && (current->modifierFlags() & ShiftKeyMask)) {
        shouldOverrideModifiers_ = true;
        moveUp(sender);
    } else {
        moveDown(sender);
    }
}

void JVLTableGrid::selectAll(Object*)
{
    setStickyColumnRow(0, 3);
    setSelectedColumnIndexes(numberOfColumns_ > 0 ? tableGridRange(0, numberOfColumns_ - 1) : IndexSet());
    setSelectedRowIndexes(numberOfRows_ > 0 ? tableGridRange(0, numberOfRows_ - 1) : IndexSet());
}

void JVLTableGrid::deleteBackward(Object*)
{
    if (!selectedColumns_.isEmpty() && !selectedRows_.isEmpty()) {
        // The spanned rectangle, cut to the cells the data source has (the selection may be
        // left over from before a shrinking reload).
        const std::int64_t lastColumn = std::min(selectedColumns_.lastIndex(), numberOfColumns_ - 1);
        const std::int64_t lastRow = std::min(selectedRows_.lastIndex(), numberOfRows_ - 1);
        for (std::int64_t c = selectedColumns_.firstIndex(); c <= lastColumn; ++c)
            for (std::int64_t r = selectedRows_.firstIndex(); r <= lastRow; ++r)
                setObjectValueForColumnRow(Value(), c, r);
    }
    reloadData();
}

// --- Keys, typing, presses ------------------------------------------------------------------------------------------

void JVLTableGrid::keyDown(const Event& event) { interpretKeyEvents({ Ref<Event>(const_cast<Event*>(&event)) }); }

void JVLTableGrid::insertText(const QString& text)
{
    if (!hasCellToMoveFrom())
        return;
    contentView_->editSelectedCell(this);
    if (contentView_->editedColumn() == NotFound)
        return;
    const Ref<Window> w = window();
    if (!w)
        return;
    if (const auto editor = dynamic_pointer_cast<TextView>(w->fieldEditorForObject(true, this)))
        editor->setString(text);
}

void JVLTableGrid::mouseDown(const Event&)
{
    // Making the grid first responder ends a running edit the normal way: the typed text is
    // stored and the edited cell reset before anything else happens.
    const Ref<Window> w = window();
    if (!w)
        return;
    if (w->firstResponder().get() != this)
        w->makeFirstResponder(this);
}
