// Moving whole columns and rows of the table grid by drag and drop, and foreign drops on cells.

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"

#include "JVLAppKit/JVLTableGrid/JVLTableGridContentView.h"

#include "kit/appkit/Pasteboard.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/Image.h"

using namespace kit;

void JVLTableGrid::registerForDraggedTypes(const QStringList& types)
{
    QStringList all = types;
    for (const QString& own : { JVLTableGridColumnDataType, JVLTableGridRowDataType })
        if (!all.contains(own))
            all.append(own);
    View::registerForDraggedTypes(all);
    contentView_->registerForDraggedTypes(all);
}

// --- Starting a move ----------------------------------------------------------------------------------------

Ref<Image> JVLTableGrid::imageForRect(Rect rect)
{
    const Ref<Image> drawn = Image::imageWithData(dataWithPDFInsideRect(rect));
    auto image = make<Image>(rect.size);
    if (!drawn)
        return image;
    image->lockFocus();
    drawn->drawAtPointFromRectOperationFraction(ZeroPoint, ZeroRect, CompositeCopy, 0.7);
    image->unlockFocus();
    return image;
}

Ref<Image> JVLTableGrid::imageForSelectedColumns()
{
    if (selectedColumns_.isEmpty())
        return nullptr;
    const Rect first = rectOfColumn(selectedColumns_.firstIndex());
    const Rect last = rectOfColumn(selectedColumns_.lastIndex());
    return imageForRect({ first.minX() - 1, first.minY(), last.maxX() - first.minX() + 1, first.height() });
}

Ref<Image> JVLTableGrid::imageForSelectedRows()
{
    if (selectedRows_.isEmpty())
        return nullptr;
    const Rect first = rectOfRow(selectedRows_.firstIndex());
    const Rect last = rectOfRow(selectedRows_.lastIndex());
    return imageForRect({ first.minX(), first.minY() - 1, first.width(), last.maxY() - first.minY() + 1 });
}

void JVLTableGrid::dragItemsWithEvent(const Event& event, bool columns)
{
    const IndexSet selected = columns ? selectedColumns_ : selectedRows_;
    if (selected.isEmpty())
        return;
    const Ref<Image> image = columns ? imageForSelectedColumns() : imageForSelectedRows();
    const Point anchor = (columns ? rectOfColumn(selected.firstIndex()) : rectOfRow(selected.firstIndex())).origin;
    const QString& type = columns ? JVLTableGridColumnDataType : JVLTableGridRowDataType;
    const Ref<Pasteboard> pasteboard = Pasteboard::pasteboardWithName(DragPboard);
    pasteboard->declareTypesOwner({ type }, this);
    const auto ds = dataSourceFor(columns ? WriteColumns : WriteRows);
    if (!ds)
        return;
    const bool allowed = columns ? ds->tableGridWriteColumnsWithIndexesToPasteboard(this, selected, pasteboard.get())
                                 : ds->tableGridWriteRowsWithIndexesToPasteboard(this, selected, pasteboard.get());
    if (!allowed)
        return;
    pasteboard->setDataForType(KeyedArchiver::archivedDataWithRootObject(Value(selected)), type);
    // The image's visual lower-left corner in the flipped grid.
    const Point at { anchor.x, anchor.y + image->size().height };
    if (dragStarter_)
        dragStarter_(*this, image.get(), at, event, pasteboard.get());
    else
        dragImageAtOffsetEventPasteboardSourceSlideBack(image.get(), at, ZeroSize, event, pasteboard.get(), this, true);
}

void JVLTableGrid::dragColumnsWithEvent(const Event& event) { dragItemsWithEvent(event, true); }

void JVLTableGrid::dragRowsWithEvent(const Event& event) { dragItemsWithEvent(event, false); }

std::uint64_t JVLTableGrid::draggingSourceOperationMaskForLocal(bool local) { return local ? DragOperationMove : DragOperationNone; }

// --- Drop places --------------------------------------------------------------------------------------------------

std::int64_t JVLTableGrid::dropColumnForPoint(Point point) const
{
    const std::int64_t column = columnAtPoint(point);
    if (column == NotFound)
        return NotFound;
    return point.x < rectOfColumn(column).midX() ? column : column + 1;
}

std::int64_t JVLTableGrid::dropRowForPoint(Point point) const
{
    const std::int64_t row = rowAtPoint(point);
    if (row == NotFound)
        return NotFound;
    return point.y < rectOfRow(row).midY() ? row : row + 1;
}

bool JVLTableGrid::isOwnDrag(DraggingInfo& info) const { return info.draggingSource().get() == this; }

std::optional<IndexSet> JVLTableGrid::movedIndexes(DraggingInfo& info, const QString& type) const
{
    // Only this grid's own moves: grid data from elsewhere is refused, and read as untrusted.
    if (!isOwnDrag(info))
        return std::nullopt;
    const Ref<Pasteboard> pasteboard = info.draggingPasteboard();
    if (!pasteboard)
        return std::nullopt;
    const std::optional<Value> value = KeyedUnarchiver::unarchivedValueOfKind(ValueKind::IndexSet, pasteboard->dataForType(type), nullptr);
    if (!value)
        return std::nullopt;
    return value->indexSet();
}

// --- Destination ---------------------------------------------------------------------------------------------------

namespace {

enum class TableGridDragKind { Columns, Rows, Foreign };

TableGridDragKind tableGridDragKind(DraggingInfo& info)
{
    const Ref<Pasteboard> pasteboard = info.draggingPasteboard();
    const QStringList types = pasteboard ? pasteboard->types() : QStringList();
    if (types.contains(JVLTableGridColumnDataType))
        return TableGridDragKind::Columns;
    if (types.contains(JVLTableGridRowDataType))
        return TableGridDragKind::Rows;
    return TableGridDragKind::Foreign;
}

} // namespace

std::uint64_t JVLTableGrid::draggingEntered(DraggingInfo& info)
{
    if (tableGridDragKind(info) != TableGridDragKind::Foreign)
        return isOwnDrag(info) ? DragOperationMove : DragOperationNone;
    const auto ds = dataSourceFor(ValidateDrop);
    if (!ds)
        return DragOperationNone;
    const Point p = convertPointFromView(info.draggingLocation(), nullptr);
    const std::int64_t column = columnAtPoint(p), row = rowAtPoint(p);
    const std::uint64_t operation = ds->tableGridValidateDropProposedColumnRow(this, info, column, row);
    contentView_->setDropColumn(operation ? column : NotFound);
    contentView_->setDropRow(operation ? row : NotFound);
    return operation;
}

std::uint64_t JVLTableGrid::draggingUpdated(DraggingInfo& info)
{
    const Point p = convertPointFromView(info.draggingLocation(), nullptr);
    const TableGridDragKind kind = tableGridDragKind(info);
    if (kind != TableGridDragKind::Foreign) {
        const bool columns = kind == TableGridDragKind::Columns;
        const std::int64_t d = columns ? dropColumnForPoint(p) : dropRowForPoint(p);
        const std::optional<IndexSet> moved = movedIndexes(info, columns ? JVLTableGridColumnDataType : JVLTableGridRowDataType);
        bool allowed = false;
        if (d != NotFound && moved)
            if (const auto ds = dataSourceFor(columns ? CanMoveColumns : CanMoveRows))
                allowed = columns ? ds->tableGridCanMoveColumnsToIndex(this, *moved, d) : ds->tableGridCanMoveRowsToIndex(this, *moved, d);
        contentView_->setDraggingColumnOrRow(true);
        if (columns)
            contentView_->setDropColumn(allowed ? d : NotFound);
        else
            contentView_->setDropRow(allowed ? d : NotFound);
        return allowed ? DragOperationMove : DragOperationNone;
    }
    const auto ds = dataSourceFor(ValidateDrop);
    if (!ds)
        return DragOperationNone;
    contentView_->setDraggingColumnOrRow(false);
    const std::int64_t column = columnAtPoint(p), row = rowAtPoint(p);
    const std::uint64_t operation = ds->tableGridValidateDropProposedColumnRow(this, info, column, row);
    // A refusal takes the outline away: it never stays on a cell the data source refuses.
    contentView_->setDropColumn(operation ? column : NotFound);
    contentView_->setDropRow(operation ? row : NotFound);
    return operation;
}

void JVLTableGrid::draggingExited(DraggingInfo&)
{
    contentView_->setDropColumn(NotFound);
    contentView_->setDropRow(NotFound);
}

void JVLTableGrid::draggingEnded(DraggingInfo& info) { draggingExited(info); }

void JVLTableGrid::concludeDragOperation(DraggingInfo& info) { draggingExited(info); }

bool JVLTableGrid::prepareForDragOperation(DraggingInfo&) { return true; }

bool JVLTableGrid::performDragOperation(DraggingInfo& info)
{
    const Point p = convertPointFromView(info.draggingLocation(), nullptr);
    const TableGridDragKind kind = tableGridDragKind(info);
    if (kind == TableGridDragKind::Foreign) {
        const auto ds = dataSourceFor(AcceptDrop);
        return ds && ds->tableGridAcceptDropColumnRow(this, info, columnAtPoint(p), rowAtPoint(p));
    }
    const bool columns = kind == TableGridDragKind::Columns;
    const auto ds = dataSourceFor(columns ? MoveColumns : MoveRows);
    if (!ds)
        return false;
    const std::optional<IndexSet> moved = movedIndexes(info, columns ? JVLTableGridColumnDataType : JVLTableGridRowDataType);
    const std::int64_t d = columns ? dropColumnForPoint(p) : dropRowForPoint(p);
    if (!moved || moved->isEmpty() || d == NotFound)
        return false;
    if (!(columns ? ds->tableGridMoveColumnsToIndex(this, *moved, d) : ds->tableGridMoveRowsToIndex(this, *moved, d)))
        return false;
    // The block lands where the drop index is once the dragged indexes before it are gone (a
    // drop inside the block leaves it where it was).
    const std::int64_t start = d - moved->countOfIndexesInRange({ 0, d });
    const IndexSet now = IndexSet::indexSetWithIndexesInRange({ start, moved->count() });
    Dictionary userInfo;
    userInfo.setObjectForKey(Value(*moved), Value(columns ? JVLTableGridOldColumnsKey : JVLTableGridOldRowsKey));
    userInfo.setObjectForKey(Value(now), Value(columns ? JVLTableGridNewColumnsKey : JVLTableGridNewRowsKey));
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(
        columns ? JVLTableGridDidMoveColumnsNotification : JVLTableGridDidMoveRowsNotification, this, userInfo);
    if (columns)
        setSelectedColumnIndexes(now);
    else
        setSelectedRowIndexes(now);
    return true;
}
