#include "JVLAppKit/JVLTableGrid/JVLTableGridContentView.h"

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/graphics/Shadow.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextView.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(JVLTableGridContentView, kit::View)
{
    c.bundle("JVLAppKit");
    c.action("editSelectedCell", &JVLTableGridContentView::editSelectedCell);
    c.optionalOperations({ TextDidEndEditingOperation, TextDoCommandBySelectorOperation, "draggingEntered", "draggingUpdated",
        "draggingExited", "draggingEnded", "prepareForDragOperation", "performDragOperation", "concludeDragOperation" });
}

namespace {

// The plus of the cell cursors: white for selecting cells, black for extending the selection.
Ref<Image> tableGridCursorImage(bool white)
{
    auto image = make<Image>(Size { 20, 20 });
    const Rect bars[] = { { 7, 2, 2, 12 }, { 2, 7, 12, 2 } };
    image->lockFocusFlipped(true);
    GraphicsContext::saveCurrentGraphicsState();
    auto shadow = make<Shadow>();
    shadow->setShadowColor(Color::colorWithDeviceWhiteAlpha(0, 0.8));
    shadow->setShadowBlurRadius(2);
    shadow->setShadowOffset({ 0, -1 });
    shadow->set();
    Color::blackColor()->setFill();
    for (const Rect& bar : bars)
        BezierPath::fillRect(InsetRect(bar, -1, -1));
    GraphicsContext::restoreCurrentGraphicsState();
    Color::blackColor()->setFill();
    for (const Rect& bar : bars)
        BezierPath::fillRect(InsetRect(bar, -1, -1));
    (white ? Color::whiteColor() : Color::blackColor())->setFill();
    for (const Rect& bar : bars)
        BezierPath::fillRect(bar);
    image->unlockFocus();
    return image;
}

} // namespace

JVLTableGridContentView::JVLTableGridContentView(Rect frame)
    : View(frame)
    , cursorImage_(tableGridCursorImage(true))
    , cursorExtendSelectionImage_(tableGridCursorImage(false))
    , cell_(make<JVLTableGridCell>(QString()))
{
    cell_->setBordered(true);
    cell_->setScrollable(true);
    cell_->setLineBreakMode(LineBreakByTruncatingTail);
}

JVLTableGridContentView::~JVLTableGridContentView()
{
    if (const Ref<Timer> timer = autoscrollTimer_.lock())
        timer->invalidate();
}

Ref<JVLTableGrid> JVLTableGridContentView::tableGrid() const
{
    for (Ref<View> v = superview(); v; v = v->superview())
        if (dynamic_cast<ScrollView*>(v.get()))
            return dynamic_pointer_cast<JVLTableGrid>(v->superview());
    return nullptr;
}

// --- Geometry ----------------------------------------------------------------------------------------------

Rect JVLTableGridContentView::rectOfColumn(std::int64_t column) const
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid)
        return {};
    return { grid->columnOffset(column), 0, grid->columnWidth(column), frame().height() };
}

Rect JVLTableGridContentView::rectOfRow(std::int64_t row) const
{
    return { 0, JVLTableGrid::RowHeight * double(row), frame().width(), JVLTableGrid::RowHeight };
}

Rect JVLTableGridContentView::frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const
{
    const Rect c = rectOfColumn(column);
    return { c.minX(), JVLTableGrid::RowHeight * double(row), c.width(), JVLTableGrid::RowHeight };
}

std::int64_t JVLTableGridContentView::columnAtPoint(Point point) const
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid)
        return NotFound;
    const std::int64_t c = grid->columnSpanning(point.x);
    // Half-open, as the rectangles test: a point on a boundary belongs to the next column that
    // is not empty.
    for (std::int64_t i = c; i != NotFound && i < grid->numberOfColumns(); ++i) {
        const Rect r = rectOfColumn(i);
        if (PointInRect(point, r))
            return i;
        if (r.minX() > point.x)
            break;
    }
    return NotFound;
}

std::int64_t JVLTableGridContentView::rowAtPoint(Point point) const
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid || !(point.y >= 0))
        return NotFound;
    const double estimate = std::floor(point.y / JVLTableGrid::RowHeight);
    if (estimate >= double(grid->numberOfRows()))
        return NotFound;
    const auto row = std::int64_t(estimate);
    return PointInRect(point, rectOfRow(row)) ? row : NotFound;
}

// --- Drawing -------------------------------------------------------------------------------------------------

KIT_REGISTER_CLASS(JVLTableGridClipView, kit::ClipView)
{
    c.bundle("JVLAppKit");
}

KIT_REGISTER_CLASS(JVLTableGridScrollView, kit::ScrollView)
{
    c.bundle("JVLAppKit");
}

void JVLTableGridScrollView::tile()
{
    ScrollView::tile();
    if (const Ref<JVLTableGrid> grid = dynamic_pointer_cast<JVLTableGrid>(superview()))
        grid->fitHeaderStrips();
}

void JVLTableGridClipView::drawRect(Rect dirty)
{
    QPainter* painter = drawsBackground() ? currentPainter() : nullptr;
    if (!painter)
        return;
    // The cell area fills its own frame only when its whole frame lies on whole pixels (see its
    // drawRect); otherwise the background is filled here everywhere.
    const Ref<View> document = documentView();
    Rect covered = document && document->isOpaque() ? IntersectionRect(document->frame(), dirty) : Rect {};
    if (!dynamic_cast<JVLTableGridContentView*>(document.get()) || !liesOnWholePixels(document->frame(), painter->worldTransform()))
        covered = {};
    fillBackgroundAround(*painter, dirty, covered);
}

void JVLTableGridContentView::drawRect(Rect dirtyRect)
{
    // Opaque: the clip view leaves the whole frame to this view, so every pixel starts in the
    // clip view's background colour, and cells drawn in that colour need no fill of their own.
    const Rect area = IntersectionRect(visibleRect(), dirtyRect);
    const Ref<Color> page = Color::fromQColor(QApplication::palette().color(QPalette::Base));
    GraphicsContext* context = GraphicsContext::currentContext();
    const bool pageFilled = context && JVLTableGridClipView::liesOnWholePixels(bounds(), context->state().ctm);
    if (pageFilled) {
        page->setFill();
        RectFill(area);
    }
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid)
        return;
    const std::int64_t columns = std::min(grid->numberOfColumns(), grid->widths_.count());
    const std::int64_t rows = grid->numberOfRows();
    if (columns <= 0)
        return;
    // Only what is visible and dirty: outside the dirty rectangle no cell needs drawing.
    const std::int64_t firstColumn = grid->columnSpanning(area.minX());
    const std::int64_t firstRow = grid->rowSpanning(area.minY());
    if (firstColumn != NotFound && firstRow != NotFound && !IsEmptyRect(area)) {
        std::int64_t lastColumn = grid->columnSpanning(area.maxX(), firstColumn + 1);
        if (lastColumn == NotFound)
            lastColumn = columns - 1;
        std::int64_t lastRow = grid->rowSpanning(area.maxY(), firstRow + 1);
        if (lastRow == NotFound)
            lastRow = rows - 1;
        if (drawsCellByCell_ || !pageFilled || !drawCellsBatched(*grid, *page, firstColumn, lastColumn, firstRow, lastRow)) {
            const Ref<Color> white = Color::whiteColor();
            for (std::int64_t c = firstColumn; c <= lastColumn; ++c) {
                const double x = grid->columnOffset(c), w = grid->columnWidth(c);
                for (std::int64_t r = firstRow; r <= lastRow; ++r) {
                    const Rect cellFrame { x, JVLTableGrid::RowHeight * double(r), w, JVLTableGrid::RowHeight };
                    if (!needsToDrawRect(cellFrame) || (c == editedColumn_ && r == editedRow_))
                        continue;
                    const Ref<Color> background = grid->backgroundColorForColumnRow(c, r);
                    cell_->setObjectValue(grid->objectValueForColumnRow(c, r));
                    cell_->drawWithFrameInViewWithBackgroundColor(cellFrame, this, background ? background.get() : white.get());
                }
            }
        }
    }
    drawSelection(*grid);
    drawDropIndicators(*grid);
}

// The cells' steps taken together where that gives the same pixels: every fill copies an opaque
// or translucent colour over whole pixels, so each cell of another colour than the page, then
// each column's and row's line in one list, then the values, leave what the cells drawn one by
// one leave. Off whole pixels (a fractional scroll or width) the
// antialiased edges of neighbouring cells overlap, and while a cell is edited it stays undrawn:
// then cell by cell.
bool JVLTableGridContentView::drawCellsBatched(
    JVLTableGrid& grid, const Color& page, std::int64_t firstColumn, std::int64_t lastColumn, std::int64_t firstRow, std::int64_t lastRow)
{
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context || (editedColumn_ >= firstColumn && editedColumn_ <= lastColumn && editedRow_ >= firstRow && editedRow_ <= lastRow))
        return false;
    const QTransform& ctm = context->state().ctm;
    const auto whole = [](double v) { return v == std::floor(v); };
    if (ctm.type() > QTransform::TxScale || std::abs(ctm.m11()) != 1 || std::abs(ctm.m22()) != 1 || !whole(ctm.dx()) || !whole(ctm.dy())
        || context->state().shadow.isActive())
        return false;
    const double top = JVLTableGrid::RowHeight * double(firstRow), bottom = JVLTableGrid::RowHeight * double(lastRow + 1);
    const double left = grid.columnOffset(firstColumn);
    double right = left;
    for (std::int64_t c = firstColumn; c <= lastColumn; ++c) {
        if (!whole(grid.columnOffset(c)) || !whole(grid.columnWidth(c)))
            return false;
        right = grid.columnOffset(c) + grid.columnWidth(c);
    }
    static const Ref<Color> lineColor = Color::colorWithDeviceWhiteAlpha(0.83, 1);
    const Ref<Color> white = Color::whiteColor();
    const QRgba64 pagePixel = page.toQColor().rgba64();
    cellsToDraw_.clear();
    for (std::int64_t c = firstColumn; c <= lastColumn; ++c) {
        const double x = grid.columnOffset(c), w = grid.columnWidth(c);
        for (std::int64_t r = firstRow; r <= lastRow; ++r) {
            const Rect cellFrame { x, JVLTableGrid::RowHeight * double(r), w, JVLTableGrid::RowHeight };
            cellsToDraw_.push_back(needsToDrawRect(cellFrame));
            if (!cellsToDraw_.back())
                continue;
            Ref<Color> background = grid.backgroundColorForColumnRow(c, r);
            if (!background)
                background = white;
            if (background->isPattern() || background->toQColor().rgba64() != pagePixel) {
                background->setFill();
                RectFill(cellFrame);
            }
        }
    }
    lineRects_.clear();
    for (std::int64_t c = firstColumn; c <= lastColumn; ++c)
        lineRects_.push_back({ grid.columnOffset(c) + grid.columnWidth(c) - 1, top, 1, bottom - top });
    for (std::int64_t r = firstRow; r <= lastRow; ++r)
        lineRects_.push_back({ left, JVLTableGrid::RowHeight * double(r + 1) - 1, right - left, 1 });
    lineColor->setFill();
    RectFillList(lineRects_.data(), int(lineRects_.size()));
    std::size_t next = 0;
    for (std::int64_t c = firstColumn; c <= lastColumn; ++c) {
        const double x = grid.columnOffset(c), w = grid.columnWidth(c);
        for (std::int64_t r = firstRow; r <= lastRow; ++r) {
            const Rect cellFrame { x, JVLTableGrid::RowHeight * double(r), w, JVLTableGrid::RowHeight };
            if (!cellsToDraw_[next++])
                continue;
            cell_->setObjectValue(grid.objectValueForColumnRow(c, r));
            cell_->drawInteriorWithFrameInView(cellFrame, this);
        }
    }
    return true;
}

void JVLTableGridContentView::drawSelection(JVLTableGrid& grid)
{
    const IndexSet& columns = grid.selectedColumnIndexes();
    const IndexSet& rows = grid.selectedRowIndexes();
    if (columns.isEmpty() || rows.isEmpty() || grid.numberOfColumns() == 0 || grid.numberOfRows() == 0)
        return;
    const Rect first = frameOfCellAtColumnRow(columns.firstIndex(), rows.firstIndex());
    const Rect last = frameOfCellAtColumnRow(columns.lastIndex(), rows.lastIndex());
    const Rect inset { first.minX() + 1, first.minY() + 1, last.maxX() - first.minX() - 2, last.maxY() - first.minY() - 2 };
    if (!needsToDrawRect(InsetRect(inset, -3, -3)))
        return;
    auto path = BezierPath::bezierPathWithRect(inset);
    AffineTransform shift;
    shift.translateXByYBy(-0.5, -0.5);
    path->transformUsingAffineTransform(shift);
    const bool focused = grid.hasKeyboardFocus();
    Ref<Color> color = Color::alternateSelectedControlColor();
    if (!focused)
        color = color->colorUsingColorSpaceName(DeviceWhiteColorSpace)->colorUsingColorSpaceName(DeviceRGBColorSpace);
    if (focused) {
        grabHandleRect_ = { inset.maxX() - 2, inset.maxY() - 2, 4, 4 };
        color->setFill();
        BezierPath::fillRect(grabHandleRect_);
    }
    color->setStroke();
    path->setLineWidth(1);
    path->stroke();
    color->colorWithAlphaComponent(0.2)->setFill();
    path->fill();
    if (const Ref<Window> w = window())
        w->invalidateCursorRectsForView(this);
}

void JVLTableGridContentView::drawDropIndicators(JVLTableGrid& grid)
{
    const std::int64_t columns = grid.numberOfColumns(), rows = grid.numberOfRows();
    Rect indicator;
    if (isDraggingColumnOrRow_) {
        if (dropColumn_ != NotFound && dropColumn_ <= columns && dropRow_ == NotFound) {
            const double x = dropColumn_ < columns ? rectOfColumn(dropColumn_).minX() : rectOfColumn(columns - 1).maxX();
            indicator = { x - 2, 0, 4, frame().height() };
        } else if (dropRow_ != NotFound && dropRow_ <= rows && dropColumn_ == NotFound) {
            const double y = dropRow_ < rows ? rectOfRow(dropRow_).minY() : rectOfRow(rows - 1).maxY();
            indicator = { 0, y - 2, frame().width(), 4 };
        } else {
            return;
        }
    } else if (dropColumn_ != NotFound && dropRow_ != NotFound && dropColumn_ <= columns && dropRow_ <= rows) {
        const Rect cell = frameOfCellAtColumnRow(dropColumn_, dropRow_);
        indicator = { cell.minX(), cell.minY(), cell.width() - 1, cell.height() - 1 };
    } else {
        return;
    }
    Color::alternateSelectedControlColor()->setStroke();
    auto path = BezierPath::bezierPathWithRect(indicator);
    path->setLineWidth(2);
    path->stroke();
}

void JVLTableGridContentView::setDropColumn(std::int64_t column)
{
    dropColumn_ = column;
    setNeedsDisplay(true);
}

void JVLTableGridContentView::setDropRow(std::int64_t row)
{
    dropRow_ = row;
    setNeedsDisplay(true);
}

// --- Mouse -----------------------------------------------------------------------------------------------------

void JVLTableGridContentView::startAutoscrollTimer()
{
    // Never two: a running timer goes before the next is scheduled.
    stopAutoscrollTimer();
    autoscrollTimer_ = Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
        0.1, this, &JVLTableGridContentView::autoscrollTimerFired, Value(), true);
}

void JVLTableGridContentView::stopAutoscrollTimer()
{
    if (const Ref<Timer> timer = autoscrollTimer_.lock())
        timer->invalidate();
    autoscrollTimer_ = nullptr;
}

void JVLTableGridContentView::autoscrollTimerFired(Timer*)
{
    const Ref<Event> current = Application::sharedApplication()->currentEvent();
    if (current && current->type() == LeftMouseDragged)
        autoscroll(*current);
}

void JVLTableGridContentView::mouseDown(const Event& event)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid)
        return;
    startAutoscrollTimer();
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    mouseDownColumn_ = columnAtPoint(p);
    mouseDownRow_ = rowAtPoint(p);
    // A press on no cell anchors nothing.
    if (mouseDownColumn_ == NotFound || mouseDownRow_ == NotFound)
        mouseDownColumn_ = mouseDownRow_ = NotFound;

    if (event.clickCount() == 1) {
        grid->mouseDown(event);
        if (mouseDownColumn_ != NotFound) {
            const bool hasSelection = !grid->selectedColumnIndexes().isEmpty() && !grid->selectedRowIndexes().isEmpty();
            if ((event.modifierFlags() & ShiftKeyMask) && grid->allowsMultipleSelection() && hasSelection) {
                const std::int64_t anchorColumn = grid->anchorColumn(), anchorRow = grid->anchorRow();
                grid->setSelectedColumnIndexes(IndexSet::indexSetWithIndexesInRange(
                    { std::min(anchorColumn, mouseDownColumn_), std::abs(anchorColumn - mouseDownColumn_) + 1 }));
                grid->setSelectedRowIndexes(
                    IndexSet::indexSetWithIndexesInRange({ std::min(anchorRow, mouseDownRow_), std::abs(anchorRow - mouseDownRow_) + 1 }));
                grid->setStickyColumnRow(anchorColumn > mouseDownColumn_ ? 1 : 0, anchorRow > mouseDownRow_ ? 4 : 3);
            } else {
                grid->selectCell(mouseDownColumn_, mouseDownRow_);
                grid->setStickyColumnRow(0, 3);
            }
        }
        setNeedsDisplay(true);
    } else if (event.clickCount() == 2 && grid->allowsEditing()) {
        editSelectedCell(this);
        setNeedsDisplay(true);
    }
}

void JVLTableGridContentView::mouseDragged(const Event& event)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    if (!grid || mouseDownColumn_ == NotFound || mouseDownRow_ == NotFound || !grid->allowsMultipleSelection())
        return;
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    const std::int64_t column = columnAtPoint(p), row = rowAtPoint(p);
    int columnEdge = 0, rowEdge = 3;
    if (column != NotFound) {
        grid->setSelectedColumnIndexes(
            IndexSet::indexSetWithIndexesInRange({ std::min(column, mouseDownColumn_), std::abs(column - mouseDownColumn_) + 1 }));
        columnEdge = column < mouseDownColumn_ ? 1 : 0;
    }
    if (row != NotFound) {
        grid->setSelectedRowIndexes(IndexSet::indexSetWithIndexesInRange({ std::min(row, mouseDownRow_), std::abs(row - mouseDownRow_) + 1 }));
        rowEdge = row < mouseDownRow_ ? 4 : 3;
    }
    grid->setStickyColumnRow(columnEdge, rowEdge);
    setNeedsDisplay(true);
}

void JVLTableGridContentView::mouseUp(const Event&)
{
    stopAutoscrollTimer();
    mouseDownColumn_ = mouseDownRow_ = NotFound;
}

// --- Cursors ---------------------------------------------------------------------------------------------------------

Ref<Cursor> JVLTableGridContentView::cellSelectionCursor() const { return make<Cursor>(cursorImage_, Point { 8, 8 }); }

Ref<Cursor> JVLTableGridContentView::cellExtendSelectionCursor() const { return make<Cursor>(cursorExtendSelectionImage_, Point { 8, 8 }); }

void JVLTableGridContentView::resetCursorRects()
{
    addCursorRect(visibleRect(), cellSelectionCursor().get());
    addCursorRect(grabHandleRect_, cellExtendSelectionCursor().get());
}

// --- Editing ---------------------------------------------------------------------------------------------------------

void JVLTableGridContentView::editSelectedCell(Object*)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    const Ref<Window> w = window();
    if (!grid || !w)
        return;
    const IndexSet& columns = grid->selectedColumnIndexes();
    const IndexSet& rows = grid->selectedRowIndexes();
    // No selection, or a selection left outside the counts: there is no cell to edit.
    if (columns.isEmpty() || rows.isEmpty() || columns.firstIndex() >= grid->numberOfColumns() || rows.firstIndex() >= grid->numberOfRows())
        return;
    editedColumn_ = columns.firstIndex();
    editedRow_ = rows.firstIndex();
    if (!grid->canEditCellAtColumnRow(editedColumn_, editedRow_)) {
        editedColumn_ = editedRow_ = NotFound;
        return;
    }
    if (columns.count() > 1)
        grid->setSelectedColumnIndexes(IndexSet(editedColumn_));
    if (rows.count() > 1)
        grid->setSelectedRowIndexes(IndexSet(editedRow_));
    const Ref<Cell> own = grid->cell();
    own->setEditable(true);
    own->setSelectable(true);
    own->setObjectValue(grid->objectValueForColumnRow(editedColumn_, editedRow_));
    const Ref<Responder> editor = w->fieldEditorForObject(true, this);
    own->setUpFieldEditorAttributes(editor.get());
    own->editWithFrameInViewEditorDelegateEvent(frameOfCellAtColumnRow(editedColumn_, editedRow_), this, editor.get(), this, nullptr);
    grid->invalidateFocusRing();
}

void JVLTableGridContentView::textDidEndEditing(Notification* notification)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    const Ref<Window> w = window();
    if (!grid || !w)
        return;
    w->makeFirstResponder(grid.get());
    const auto editor = dynamic_pointer_cast<TextView>(notification ? notification->object() : nullptr);
    const Ref<Responder> fieldEditor = editor ? Ref<Responder>(editor) : w->fieldEditorForObject(false, this);
    if (editor && editedColumn_ != NotFound)
        grid->setObjectValueForColumnRow(Value(QString(editor->string())), editedColumn_, editedRow_);
    editedColumn_ = editedRow_ = NotFound;
    grid->cell()->endEditing(fieldEditor.get());
    setNeedsDisplay(true);
    grid->invalidateFocusRing();
    // Ctrl+Tab and Ctrl+Shift+Tab leave the grid with the press that ended the edit, as they do
    // from the grid itself; Tab and Shift+Tab stay, moving from cell to cell.
    const int movement = notification ? int(notification->userInfo().objectForKey(Value(TextMovementKey)).integerValue()) : 0;
    const Ref<Event> event = Application::sharedApplication()->currentEvent();
    if (event && event->type() == KeyDown && (event->modifierFlags() & CommandKeyMask)) {
        if (movement == TabTextMovement)
            w->selectKeyViewFollowingView(grid.get());
        else if (movement == BacktabTextMovement)
            w->selectKeyViewPrecedingView(grid.get());
    }
}

bool JVLTableGridContentView::textDoCommandBySelector(Responder*, Selector action)
{
    if (action.name() != QLatin1String("cancelOperation") || editedColumn_ == NotFound)
        return false;
    abortEditing();
    return true;
}

void JVLTableGridContentView::abortEditing()
{
    const Ref<JVLTableGrid> grid = tableGrid();
    const Ref<Window> w = window();
    if (!grid || !w || editedColumn_ == NotFound)
        return;
    editedColumn_ = editedRow_ = NotFound;
    // The cell's session ends without its end message: nothing is stored. The focus goes from
    // the editor to the grid, heard once as the cell's.
    w->beginFocusHandover();
    grid->cell()->endEditing(w->fieldEditorForObject(false, this).get());
    w->makeFirstResponder(grid.get());
    w->endFocusHandover();
    setNeedsDisplay(true);
    grid->invalidateFocusRing();
}

// --- Drag destination: everything goes to the grid ------------------------------------------------------------------------

std::uint64_t JVLTableGridContentView::draggingEntered(DraggingInfo& info)
{
    startAutoscrollTimer();
    const Ref<JVLTableGrid> grid = tableGrid();
    return grid ? grid->draggingEntered(info) : DragOperationNone;
}

std::uint64_t JVLTableGridContentView::draggingUpdated(DraggingInfo& info)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    return grid ? grid->draggingUpdated(info) : DragOperationNone;
}

void JVLTableGridContentView::draggingExited(DraggingInfo& info)
{
    stopAutoscrollTimer();
    if (const Ref<JVLTableGrid> grid = tableGrid())
        grid->draggingExited(info);
}

void JVLTableGridContentView::draggingEnded(DraggingInfo& info)
{
    stopAutoscrollTimer();
    if (const Ref<JVLTableGrid> grid = tableGrid())
        grid->draggingEnded(info);
}

bool JVLTableGridContentView::prepareForDragOperation(DraggingInfo& info)
{
    const Ref<JVLTableGrid> grid = tableGrid();
    return grid && grid->prepareForDragOperation(info);
}

bool JVLTableGridContentView::performDragOperation(DraggingInfo& info)
{
    stopAutoscrollTimer();
    const Ref<JVLTableGrid> grid = tableGrid();
    return grid && grid->performDragOperation(info);
}

void JVLTableGridContentView::concludeDragOperation(DraggingInfo& info)
{
    stopAutoscrollTimer();
    if (const Ref<JVLTableGrid> grid = tableGrid())
        grid->concludeDragOperation(info);
}

kit::Value JVLTableGridContentView::accessibilityFocusedUIElement() const
{
    const kit::Ref<JVLTableGrid> grid = tableGrid();
    return grid ? grid->accessibilityFocusedUIElement() : self();
}
