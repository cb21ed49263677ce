// The table view's input: clicks and drag-select, cell tracking, double clicks, keys, and the
// drag source and destination sides.

#include "kit/appkit/Application.h"
#include "kit/appkit/KeyBindings.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TableView.h"
#include "kit/graphics/Image.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {
constexpr std::uint64_t tableInputToggleMask = ControlKeyMask | CommandKeyMask;
constexpr double tableAutoscrollPeriod = 0.05;
} // namespace

// --- Mouse -------------------------------------------------------------------------------------------

void TableView::mouseDown(const Event& event)
{
    const Ref<TableView> keep(this);
    if (const Ref<Window> w = window(); w && w->firstResponder().get() != this)
        w->makeFirstResponder(this);
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    const std::int64_t row = rowAtPoint(p);
    const std::int64_t column = columnAtPoint(p);
    clickedRow_ = row;
    clickedColumn_ = column;
    if (row >= 0 && mouseDownInDisclosure(event, row, p))
        return;
    if (row >= 0 && column >= 0 && !isGroupRow(row)) {
        TableColumn* tableColumn = tableColumns()[std::size_t(column)].get();
        // The frame is asked now, through the hook: a subclass may have moved the cell.
        const Rect frame = frameOfCellAtColumnRow(column, row);
        const Ref<Cell> cell = PointInRect(p, frame) ? preparedCellAtColumnRow(column, row) : nullptr;
        if (cell && shouldTrackCell(cell.get(), tableColumn, row)) {
            const Value before = cell->objectValue();
            cell->setControlView(this);
            cell->trackMouseInRectOfViewUntilMouseUp(event, frame, this, true);
            if (!cell->objectValue().identicalTo(before))
                setObjectValueForColumnRow(cell->objectValue(), tableColumn, row);
            setNeedsDisplayInRow(row);
            return;
        }
    }
    if (event.clickCount() >= 2 && row >= 0) {
        if (doubleAction_)
            sendActionTo(doubleAction_, Weak<Object>(target()));
        if (canEditColumnRow(column, row))
            editColumnRowWithEventSelect(column, row, &event, true);
        return;
    }
    trackRows(event, row, column);
}

void TableView::trackRows(const Event& event, std::int64_t row, std::int64_t)
{
    const std::uint64_t flags = event.modifierFlags();
    const bool toggle = flags & tableInputToggleMask;
    const bool extend = (flags & ShiftKeyMask) && allowsMultipleSelection_ && anchorRow_ >= 0;
    inSelectSession_ = true;
    changedInSession_ = false;
    // A press on one of several selected rows may start a drag of them all: it selects the row
    // alone only when released without a drag.
    bool selectAloneAtRelease = false;
    if (row < 0) {
        if (!toggle && !extend)
            proposeSelection(IndexSet());
    } else if (toggle) {
        toggleRowSelection(row);
    } else if (extend) {
        const std::int64_t from = std::min(anchorRow_, row), to = std::max(anchorRow_, row);
        proposeSelection(IndexSet::indexSetWithIndexesInRange({ from, to - from + 1 }));
    } else if (isRowSelected(row) && numberOfSelectedRows() > 1) {
        selectAloneAtRelease = true;
    } else {
        proposeSelection(IndexSet(row));
        if (isRowSelected(row))
            anchorRow_ = row;
    }
    if (isRowSelected(row))
        cursorRow_ = row;

    const Point press = convertPointFromView(event.locationInWindow(), nullptr);
    const Ref<Application> app = Application::sharedApplication();
    bool dragAsked = false;
    bool moved = false;
    // While the pointer rests outside the visible rows, the selection keeps scrolling on a
    // period, with the last drag standing in for the pointer.
    Ref<Event> lastDrag;
    for (;;) {
        const bool outside = lastDrag && !PointInRect(convertPointFromView(lastDrag->locationInWindow(), nullptr), visibleRect());
        const double until = outside ? Application::now() + tableAutoscrollPeriod : DistantFuture;
        Ref<Event> e = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseDraggedMask | LeftMouseUpMask, until, EventTrackingRunLoopMode, true);
        if (!e && outside)
            e = lastDrag;
        if (!e || e->type() == LeftMouseUp)
            break;
        const Point q = convertPointFromView(e->locationInWindow(), nullptr);
        if (!moved && std::hypot(q.x - press.x, q.y - press.y) <= dragThreshold())
            continue;
        moved = true;
        if (row >= 0 && !dragAsked && canWriteRows() && !toggle && !isGroupRow(row)) {
            dragAsked = true;
            const IndexSet rows = isRowSelected(row) ? selected_ : IndexSet(row);
            if (startRowDrag(*e, row, rows)) {
                inSelectSession_ = false;
                if (changedInSession_)
                    postSelectionDidChange();
                return;
            }
        }
        if (toggle || row < 0)
            continue;
        lastDrag = e;
        autoscroll(*e);
        // Drag-select: the row under the pointer, kept within the rows and the visible part.
        const double total = rowsHeight();
        if (total <= 0)
            continue;
        const Rect shown = visibleRect();
        const double y = std::clamp(q.y, std::max(0.0, shown.minY()), std::nextafter(std::min(total, shown.maxY()), 0.0));
        const std::int64_t current = rowAtPoint({ std::max(0.0, q.x), y });
        if (current >= 0)
            moveSelectionToRow(current, true, false);
    }
    if (selectAloneAtRelease && !moved) {
        proposeSelection(IndexSet(row));
        anchorRow_ = cursorRow_ = row;
    }
    inSelectSession_ = false;
    if (changedInSession_)
        postSelectionDidChange();
}

bool TableView::startRowDrag(const Event& event, std::int64_t, const IndexSet& rows)
{
    const Ref<Pasteboard> pasteboard = Pasteboard::pasteboardWithName(DragPboard);
    if (!writeRowsToPasteboard(rows, pasteboard.get()))
        return false;
    // An image of the dragged rows that are in view.
    const Rect shown = IntersectionRect(UnionRect(rectOfRow(rows.firstIndex()), rectOfRow(rows.lastIndex())), visibleRect());
    Ref<Image> image;
    if (!IsEmptyRect(shown))
        image = Image::imageWithData(dataWithPDFInsideRect(shown));
    dragImageAtOffsetEventPasteboardSourceSlideBack(image.get(), { shown.minX(), shown.maxY() }, {}, event, pasteboard.get(), this, true);
    return true;
}

// --- Keys --------------------------------------------------------------------------------------------

void TableView::keyDown(const Event& event)
{
    const QString characters = event.charactersIgnoringModifiers();
    const std::int64_t n = numberOfRows();
    if (!characters.isEmpty() && n > 0) {
        const bool shift = event.modifierFlags() & ShiftKeyMask;
        const std::int64_t cursor = currentRow();
        const double page = std::max(uniformRowSpan(), visibleRect().height() - uniformRowSpan());
        const auto rowAtOffset = [&](double dy) {
            const double y = std::clamp(rowTop(std::max<std::int64_t>(cursor, 0)) + dy, 0.0, std::nextafter(rowsHeight(), 0.0));
            return rowAtY(y);
        };
        switch (characters.at(0).unicode()) {
        case UpArrowFunctionKey:
            moveSelectionToRow(cursor < 0 ? n - 1 : cursor - 1, shift);
            return;
        case DownArrowFunctionKey:
            moveSelectionToRow(cursor < 0 ? 0 : cursor + 1, shift);
            return;
        case HomeFunctionKey:
            moveSelectionToRow(0, shift);
            return;
        case EndFunctionKey:
            moveSelectionToRow(n - 1, shift);
            return;
        case PageUpFunctionKey:
            moveSelectionToRow(rowAtOffset(-page), shift);
            return;
        case PageDownFunctionKey:
            moveSelectionToRow(rowAtOffset(page), shift);
            return;
        case u'\r':
        case 0x03: // Enter
            // Return edits the first editable cell of the selected row.
            if (const auto [column, row] = neighbourEditableCell(-1, cursor, true); cursor >= 0 && row == cursor && numberOfSelectedRows() == 1)
                if (editColumnRowWithEventSelect(column, row, nullptr, true))
                    return;
            break;
        default:
            break;
        }
    }
    // Bound commands this view performs (Select All unless hidden); everything else goes up.
    if (const Selector action = ActionForKeyEvent(event); action && class_().action(action.name()) && respondsToSelector(action)) {
        performSelectorWithObject(action, Value(Ref<Object>(this)));
        return;
    }
    Control::keyDown(event);
}

// --- Drag source ---------------------------------------------------------------------------------------

void TableView::setDraggingSourceOperationMaskForLocal(std::uint64_t mask, bool local)
{
    if (local)
        localMask_ = mask;
    else
        outsideMask_ = mask;
}

std::uint64_t TableView::draggingSourceOperationMaskForLocal(bool local) { return local ? localMask_ : outsideMask_; }

// --- Drag destination --------------------------------------------------------------------------------

TableView::DropTarget TableView::dropTargetAtPoint(Point point) const
{
    const std::int64_t n = numberOfRows();
    const std::int64_t row = rowAtPoint({ std::max(0.0, point.x), point.y });
    if (row < 0)
        return { point.y < 0 && n > 0 ? 0 : n, TableViewDropAbove };
    const double top = rowTop(row), span = rowSpan(row);
    const double offset = point.y - top;
    if (offset < span / 4)
        return { row, TableViewDropAbove };
    if (offset >= span * 3 / 4)
        return { row + 1, TableViewDropAbove };
    return { row, TableViewDropOn };
}

void TableView::setShownDropTarget(const DropTarget& target)
{
    if (target.row == shownDrop_.row && target.operation == shownDrop_.operation)
        return;
    const auto dirty = [this](const DropTarget& t) {
        if (!t.valid())
            return;
        const std::int64_t n = numberOfRows();
        // The line between two rows touches both.
        for (std::int64_t r : { t.row - 1, t.row })
            if (r >= 0 && r < n)
                setNeedsDisplayInRow(r);
        if (t.row >= n)
            setNeedsDisplayInRect(MakeRect(0, rowsHeight() - 2, bounds().size.width, 4));
    };
    dirty(shownDrop_);
    shownDrop_ = target;
    dirty(shownDrop_);
}

std::uint64_t TableView::updateDrop(DraggingInfo& info)
{
    const Point p = convertPointFromView(info.draggingLocation(), nullptr);
    const DropTarget target = dropTargetAtPoint(p);
    const std::uint64_t operation = validateDrop(info, target);
    setShownDropTarget(operation == DragOperationNone ? DropTarget {} : target);
    return operation;
}

std::uint64_t TableView::draggingEntered(DraggingInfo& info) { return updateDrop(info); }

std::uint64_t TableView::draggingUpdated(DraggingInfo& info)
{
    // Called on the drag's periodic timer too: a pointer resting near the edge keeps scrolling.
    if (const Ref<Event> current = Application::sharedApplication()->currentEvent(); current && current->type() == LeftMouseDragged)
        autoscroll(*current);
    return updateDrop(info);
}

void TableView::draggingExited(DraggingInfo&) { setShownDropTarget({}); }

bool TableView::performDragOperation(DraggingInfo& info)
{
    // Only a target the data source validated takes the drop.
    const DropTarget target = shownDrop_;
    setShownDropTarget({});
    return target.valid() && acceptDrop(info, target);
}

void TableView::draggingEnded(DraggingInfo&) { setShownDropTarget({}); }

} // namespace kit
