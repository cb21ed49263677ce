#include "JVLAppKit/JVLTableGrid/JVLTableGridHeaderView.h"

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/ScrollView.h"
#include "kit/graphics/Cursor.h"

#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(JVLTableGridHeaderView, kit::View)
{
    c.bundle("JVLAppKit");
    c.property("orientation", &JVLTableGridHeaderView::orientation, &JVLTableGridHeaderView::setOrientation);
}

JVLTableGridHeaderView::JVLTableGridHeaderView(Rect frame)
    : View(frame)
    , headerCell_(make<JVLTableGridHeaderCell>())
{ }

Ref<JVLTableGrid> JVLTableGridHeaderView::tableGrid() const
{
    for (Ref<View> v = superview(); v; v = v->superview())
        if (dynamic_cast<ScrollView*>(v.get()))
            return dynamic_pointer_cast<JVLTableGrid>(v->superview());
    return nullptr;
}

Rect JVLTableGridHeaderView::headerRectOfColumn(std::int64_t column) const
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid)
        return {};
    return { grid->columnOffset(column), 0, grid->columnWidth(column), JVLTableGrid::ColumnHeaderHeight };
}

Rect JVLTableGridHeaderView::headerRectOfRow(std::int64_t row) const
{
    const Ref<JVLTableGrid> grid = tableGrid();
    const double width = grid ? grid->rowHeaderWidth() : JVLTableGrid::RowHeaderWidth;
    return { 0, JVLTableGrid::RowHeight * double(row), width, JVLTableGrid::RowHeight };
}

std::pair<std::int64_t, std::int64_t> JVLTableGridHeaderView::itemsInRect(Rect rect, JVLTableGrid& grid) const
{
    if (IsEmptyRect(rect))
        return { 0, -1 };
    if (orientation_ == 0) {
        const std::int64_t count = std::min(grid.numberOfColumns(), grid.widths_.count());
        const std::int64_t first = grid.columnSpanning(rect.minX());
        if (first == NotFound)
            return { 0, -1 };
        const std::int64_t last = grid.columnSpanning(rect.maxX(), first + 1);
        return { first, last == NotFound ? count - 1 : last };
    }
    const std::int64_t first = grid.rowSpanning(rect.minY());
    if (first == NotFound)
        return { 0, -1 };
    const std::int64_t last = grid.rowSpanning(rect.maxY(), first + 1);
    return { first, last == NotFound ? grid.numberOfRows() - 1 : last };
}

// --- Drawing and resize areas ------------------------------------------------------------------------------------

void JVLTableGridHeaderView::drawRect(Rect dirtyRect)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid)
        return;
    // Only the headers in view: a strip may hold 10^8 of them.
    const auto [first, last] = itemsInRect(IntersectionRect(visibleRect(), dirtyRect), *grid);
    headerCell_->setOrientation(orientation_);
    const IndexSet& selected = orientation_ == 0 ? grid->selectedColumnIndexes() : grid->selectedRowIndexes();
    for (std::int64_t i = first; i <= last; ++i) {
        const Rect r = orientation_ == 0 ? headerRectOfColumn(i) : headerRectOfRow(i);
        if (!needsToDrawRect(r))
            continue;
        headerCell_->setState(selected.containsIndex(i) ? 1 : 0);
        headerCell_->setStringValue(orientation_ == 0 ? grid->headerStringForColumn(i) : grid->headerStringForRow(i));
        headerCell_->drawWithFrameInView(r, this);
    }
}

void JVLTableGridHeaderView::updateTrackingAreas()
{
    for (const Ref<TrackingArea>& area : resizeAreas_)
        removeTrackingArea(area.get());
    resizeAreas_.clear();
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid || orientation_ != 0)
        return;
    // Every visible column edge gets its area, whatever part of the strip was drawn last.
    const auto [first, last] = itemsInRect(visibleRect(), *grid);
    for (std::int64_t c = first; c <= last; ++c) {
        const Rect r = headerRectOfColumn(c);
        auto area = make<TrackingArea>(
            Rect { r.maxX() - 2, r.minY(), 5, r.height() }, TrackingMouseEnteredAndExited | TrackingActiveAlways, this);
        addTrackingArea(area.get());
        resizeAreas_.push_back(std::move(area));
    }
}

bool JVLTableGridHeaderView::pointerInResizeArea() const
{
    for (const Ref<TrackingArea>& area : resizeAreas_)
        if (MouseInRect(lastPointerLocation_, area->rect(), true))
            return true;
    return false;
}

void JVLTableGridHeaderView::mouseEntered(const Event&)
{
    Cursor::resizeLeftRightCursor()->set();
    canResize_ = true;
}

void JVLTableGridHeaderView::mouseExited(const Event& event)
{
    // Areas are replaced as columns move: leaving an old one while inside its successor is no exit.
    lastPointerLocation_ = convertPointFromView(event.locationInWindow(), nullptr);
    if (isResizing_ || pointerInResizeArea())
        return;
    Cursor::arrowCursor()->set();
    canResize_ = false;
}

// --- Presses -----------------------------------------------------------------------------------------------------------

void JVLTableGridHeaderView::selectWholeItems(JVLTableGrid& grid, const IndexSet& items)
{
    if (orientation_ == 0) {
        grid.setSelectedColumnIndexes(items);
        grid.setSelectedRowIndexes(grid.numberOfRows() > 0 ? IndexSet::indexSetWithIndexesInRange({ 0, grid.numberOfRows() }) : IndexSet());
    } else {
        grid.setSelectedRowIndexes(items);
        grid.setSelectedColumnIndexes(
            grid.numberOfColumns() > 0 ? IndexSet::indexSetWithIndexesInRange({ 0, grid.numberOfColumns() }) : IndexSet());
    }
}

void JVLTableGridHeaderView::mouseDown(const Event& event)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid)
        return;
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    mouseDownLocation_ = p;
    if (canResize_) {
        // The column whose right edge is under the pointer.
        draggingColumnIndex_ = grid->columnAtPoint(grid->convertPointFromView({ p.x - 3, p.y }, this));
        lastMouseDraggingLocation_ = p;
        isResizing_ = true;
        return;
    }
    const Point inGrid = grid->convertPointFromView(p, this);
    const std::int64_t pressed = orientation_ == 0 ? grid->columnAtPoint(inGrid) : grid->rowAtPoint(inGrid);
    const bool extending = (event.modifierFlags() & ShiftKeyMask) && grid->allowsMultipleSelection();
    if (event.clickCount() == 1 && !extending) {
        // None pressed: −1, so that the drag that follows selects nothing.
        mouseDownItem_ = pressed == NotFound ? -1 : pressed;
        const IndexSet& mine = orientation_ == 0 ? grid->selectedColumnIndexes() : grid->selectedRowIndexes();
        const std::int64_t otherSelected = orientation_ == 0 ? grid->selectedRowIndexes().count() : grid->selectedColumnIndexes().count();
        const std::int64_t otherCount = orientation_ == 0 ? grid->numberOfRows() : grid->numberOfColumns();
        if (pressed != NotFound && mine.containsIndex(pressed) && otherSelected == otherCount)
            shouldDragItems_ = true;
        else if (pressed != NotFound)
            selectWholeItems(*grid, IndexSet(pressed));
    }
    grid->mouseDown(event);
}

void JVLTableGridHeaderView::mouseDragged(const Event& event)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid)
        return;
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    if (canResize_) {
        const auto distance = float(p.x - lastMouseDraggingLocation_.x);
        lastMouseDraggingLocation_ = p;
        grid->resizeColumnWithIndexWithDistance(draggingColumnIndex_, distance);
        return;
    }
    if (shouldDragItems_) {
        if (mouseDownItem_ < 0)
            return;
        if (std::abs(p.x - mouseDownLocation_.x) >= MoveThreshold || std::abs(p.y - mouseDownLocation_.y) >= MoveThreshold) {
            shouldDragItems_ = false;
            isInDrag_ = true;
            if (orientation_ == 0)
                grid->dragColumnsWithEvent(event);
            else
                grid->dragRowsWithEvent(event);
        }
        return;
    }
    if (mouseDownItem_ < 0 || isInDrag_)
        return;
    const Point inGrid = grid->convertPointFromView(p, this);
    const std::int64_t item = orientation_ == 0 ? grid->columnAtPoint(inGrid) : grid->rowAtPoint(inGrid);
    if (item == NotFound)
        return;
    const IndexSet range
        = IndexSet::indexSetWithIndexesInRange({ std::min(item, mouseDownItem_), std::abs(item - mouseDownItem_) + 1 });
    if (orientation_ == 0)
        grid->setSelectedColumnIndexes(range);
    else
        grid->setSelectedRowIndexes(range);
}

void JVLTableGridHeaderView::mouseUp(const Event& event)
{
    if (canResize_) {
        isResizing_ = false;
        // A resize released outside every resize area ends the resize state there and then.
        lastPointerLocation_ = convertPointFromView(event.locationInWindow(), nullptr);
        if (!pointerInResizeArea()) {
            canResize_ = false;
            Cursor::arrowCursor()->set();
        }
        return;
    }
    if (shouldDragItems_)
        if (const Ref<JVLTableGrid> grid = tableGrid())
            selectWholeItems(*grid, IndexSet(mouseDownItem_));
    mouseDownItem_ = -1;
    shouldDragItems_ = false;
    isInDrag_ = false;
    mouseDownLocation_ = ZeroPoint;
}
