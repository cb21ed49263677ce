// The table view's model side: columns, rows, geometry, drawing, selection and its delegate and
// data source. Mouse, keys and drags live in TableViewInput.cpp, archiving in TableViewCoding.cpp.

#include "kit/controls/TableView.h"

#include "kit/appkit/ClipView.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace kit {

KIT_REGISTER_CLASS(TableView, Control)
{
    c.action("selectAll", &TableView::selectAll);
    c.action("deselectAll", &TableView::deselectAll);
    c.optionalOperations({ "draggingSourceOperationMaskForLocal", "draggingEntered", "draggingUpdated", "draggingExited",
        "performDragOperation", "draggingEnded", TextDoCommandBySelectorOperation });
    c.property(QStringLiteral("dataSource"), std::function<Value(const TableView&)>([](const TableView& t) { return Value(t.dataSource()); }),
        std::function<void(TableView&, const Value&)>([](TableView& t, const Value& v) { t.setDataSource(v.object().get()); }));
}

namespace {
constexpr std::int64_t tableViewAllRows = std::numeric_limits<std::int64_t>::max() / 4;

bool tableViewResponds(const Ref<Object>& object, const char* operation)
{
    return object && object->respondsToSelector(Selector(operation));
}
} // namespace

TableView::TableView(Rect frame)
    : Control(frame)
{ }

TableView::~TableView()
{
    // The delegate may be gone already (or be this view): its registrations go by the pointer.
    if (!registeredNotifications_.isEmpty())
        registerDelegate(const_cast<Object*>(delegateIdentity_), false);
    // Its key-window observations, whether or not the window still lives.
    NotificationCenter::defaultCenter()->removeObserver(this);
}

// --- Delegate and data source ----------------------------------------------------------------------

void TableView::setDelegate(Object* delegate)
{
    if (!registeredNotifications_.isEmpty())
        registerDelegate(const_cast<Object*>(delegateIdentity_), false);
    Control::setDelegate(delegate);
    delegateIdentity_ = delegate;
    if (delegate)
        registerDelegate(delegate, true);
    cacheDelegateAnswers();
    setNeedsDisplay(true);
}

void TableView::cacheDelegateAnswers()
{
    const Ref<Object> d = delegate();
    dl_.willDisplay = tableViewResponds(d, "tableViewWillDisplayCellForTableColumnRow");
    dl_.shouldSelect = tableViewResponds(d, "tableViewShouldSelectRow");
    dl_.proposal = tableViewResponds(d, "tableViewSelectionIndexesForProposedSelection");
    dl_.shouldEdit = tableViewResponds(d, "tableViewShouldEditTableColumnRow");
    dl_.shouldTrack = tableViewResponds(d, "tableViewShouldTrackCellForTableColumnRow");
    dl_.dataCell = tableViewResponds(d, "tableViewDataCellForTableColumnRow");
    dl_.isGroup = tableViewResponds(d, "tableViewIsGroupRow");
    const bool hadHeights = dl_.heightOfRow;
    dl_.heightOfRow = tableViewResponds(d, "tableViewHeightOfRow");
    if (hadHeights || dl_.heightOfRow) {
        reloadRowHeights();
        tile();
    }
}

double TableView::askRowSpan(std::int64_t row)
{
    const Ref<Object> keep = delegate();
    auto* d = dynamic_cast<TableViewDelegate*>(keep.get());
    const double height = d ? d->tableViewHeightOfRow(this, row) : rowHeight_;
    return std::max(1.0, height) + intercellSpacing_.height;
}

void TableView::reloadRowHeights()
{
    if (!dl_.heightOfRow) {
        heights_.clear();
        return;
    }
    const std::int64_t n = numberOfRows();
    std::vector<double> spans;
    spans.reserve(std::size_t(n));
    for (std::int64_t row = 0; row < n; ++row)
        spans.push_back(askRowSpan(row));
    heights_.reset(std::move(spans));
}

void TableView::noteHeightOfRowsWithIndexesChanged(const IndexSet& rows)
{
    if (!dl_.heightOfRow)
        return;
    for (const Range& range : rows.ranges())
        for (std::int64_t row = range.location; row < MaxRange(range) && row < heights_.count(); ++row)
            heights_.setSpan(row, askRowSpan(row));
    tile();
    setNeedsDisplay(true);
}

void TableView::setDataSource(Object* dataSource)
{
    dataSource_ = dataSource;
    const Ref<Object> s = this->dataSource();
    ds_.numberOfRows = tableViewResponds(s, "numberOfRowsInTableView");
    ds_.objectValue = tableViewResponds(s, "tableViewObjectValueForTableColumnRow");
    ds_.setObjectValue = tableViewResponds(s, "tableViewSetObjectValueForTableColumnRow");
    ds_.writeRows = tableViewResponds(s, "tableViewWriteRowsWithIndexesToPasteboard");
    ds_.validateDrop = tableViewResponds(s, "tableViewValidateDropProposedRowProposedDropOperation");
    ds_.acceptDrop = tableViewResponds(s, "tableViewAcceptDropRowDropOperation");
    reloadData();
}

std::vector<TableView::HandlerName> TableView::delegateNotificationHandlers() const
{
    return {
        { selectionIsChangingName(), "tableViewSelectionIsChanging" },
        { selectionDidChangeName(), "tableViewSelectionDidChange" },
    };
}

void TableView::registerDelegate(Object* delegate, bool observe)
{
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    if (!observe) {
        // The names registered, not those of the class now: a subclass's are gone by the time
        // the base destructor runs.
        for (const QString& name : registeredNotifications_)
            center->removeObserverNameObject(delegate, name, this);
        registeredNotifications_.clear();
        return;
    }
    for (const HandlerName& h : delegateNotificationHandlers()) {
        const Selector handler(h.handler);
        if (!delegate->respondsToSelector(handler))
            continue;
        const Weak<Object> weak(delegate);
        const QString name = h.handler;
        center->addObserverSelectorNameObject(
            delegate,
            NotificationCenter::Handler([weak, name, this](Notification* n) {
                if (const Ref<Object> d = weak.lock())
                    deliverDelegateNotification(d.get(), name, n);
            }),
            h.notification, this);
        registeredNotifications_ << h.notification;
    }
}

void TableView::deliverDelegateNotification(Object* delegate, const QString& handler, Notification* n)
{
    auto* d = dynamic_cast<TableViewDelegate*>(delegate);
    if (!d)
        return;
    if (handler == QLatin1String("tableViewSelectionIsChanging"))
        d->tableViewSelectionIsChanging(n);
    else if (handler == QLatin1String("tableViewSelectionDidChange"))
        d->tableViewSelectionDidChange(n);
}

// --- Data questions ---------------------------------------------------------------------------------

std::int64_t TableView::askNumberOfRows()
{
    auto* s = dynamic_cast<TableViewDataSource*>(dataSource().get());
    return s && ds_.numberOfRows ? std::max<std::int64_t>(0, s->numberOfRowsInTableView(this)) : 0;
}

Value TableView::objectValueForColumnRow(TableColumn* column, std::int64_t row)
{
    const Ref<Object> keep = dataSource();
    auto* s = dynamic_cast<TableViewDataSource*>(keep.get());
    return s && ds_.objectValue ? s->tableViewObjectValueForTableColumnRow(this, column, row) : Value();
}

Ref<Cell> TableView::dataCellForColumnRow(TableColumn* column, std::int64_t row)
{
    if (dl_.dataCell) {
        const Ref<Object> keep = delegate();
        if (auto* d = dynamic_cast<TableViewDelegate*>(keep.get()))
            if (Ref<Cell> cell = d->tableViewDataCellForTableColumnRow(this, column, row))
                return cell;
    }
    if (!column)
        column = columns_.empty() ? nullptr : columns_.front().get();
    return column ? column->dataCellForRow(row) : nullptr;
}

void TableView::willDisplayCellForColumnRow(Cell* cell, TableColumn* column, std::int64_t row)
{
    if (!dl_.willDisplay)
        return;
    const Ref<Object> keep = delegate();
    if (auto* d = dynamic_cast<TableViewDelegate*>(keep.get()))
        d->tableViewWillDisplayCellForTableColumnRow(this, cell, column, row);
}

bool TableView::askIsGroupRow(std::int64_t row)
{
    if (!dl_.isGroup)
        return false;
    const Ref<Object> keep = delegate();
    auto* d = dynamic_cast<TableViewDelegate*>(keep.get());
    return d && d->tableViewIsGroupRow(this, row);
}

bool TableView::isGroupRow(std::int64_t row) { return row >= 0 && row < numberOfRows() && askIsGroupRow(row); }

bool TableView::hasShouldSelectRow() const { return dl_.shouldSelect; }

bool TableView::shouldSelectRow(std::int64_t row)
{
    const Ref<Object> keep = delegate();
    auto* d = dynamic_cast<TableViewDelegate*>(keep.get());
    return !d || !dl_.shouldSelect || d->tableViewShouldSelectRow(this, row);
}

bool TableView::hasSelectionProposal() const { return dl_.proposal; }

IndexSet TableView::selectionIndexesForProposedSelection(const IndexSet& proposed)
{
    const Ref<Object> keep = delegate();
    auto* d = dynamic_cast<TableViewDelegate*>(keep.get());
    return d && dl_.proposal ? d->tableViewSelectionIndexesForProposedSelection(this, proposed) : proposed;
}

bool TableView::shouldTrackCell(Cell* cell, TableColumn* column, std::int64_t row)
{
    const Ref<Object> keep = delegate();
    auto* d = dynamic_cast<TableViewDelegate*>(keep.get());
    return d && dl_.shouldTrack && d->tableViewShouldTrackCellForTableColumnRow(this, cell, column, row);
}

void TableView::setObjectValueForColumnRow(const Value& value, TableColumn* column, std::int64_t row)
{
    const Ref<Object> keep = dataSource();
    if (auto* s = dynamic_cast<TableViewDataSource*>(keep.get()); s && ds_.setObjectValue)
        s->tableViewSetObjectValueForTableColumnRow(this, value, column, row);
}

bool TableView::takesObjectValues() const { return ds_.setObjectValue; }

bool TableView::shouldEditColumnRow(TableColumn* column, std::int64_t row)
{
    const Ref<Object> keep = delegate();
    auto* d = dynamic_cast<TableViewDelegate*>(keep.get());
    return !d || !dl_.shouldEdit || d->tableViewShouldEditTableColumnRow(this, column, row);
}

bool TableView::canEditColumnRow(std::int64_t column, std::int64_t row)
{
    if (column < 0 || column >= numberOfColumns() || row < 0 || row >= numberOfRows() || isGroupRow(row))
        return false;
    TableColumn* tableColumn = columns_[std::size_t(column)].get();
    return tableColumn->isEditable() && takesObjectValues() && shouldEditColumnRow(tableColumn, row);
}

bool TableView::canWriteRows() const { return ds_.writeRows; }

bool TableView::writeRowsToPasteboard(const IndexSet& rows, Pasteboard* pasteboard)
{
    const Ref<Object> keep = dataSource();
    auto* s = dynamic_cast<TableViewDataSource*>(keep.get());
    return s && ds_.writeRows && s->tableViewWriteRowsWithIndexesToPasteboard(this, rows, pasteboard);
}

std::uint64_t TableView::validateDrop(DraggingInfo& info, const DropTarget& target)
{
    const Ref<Object> keep = dataSource();
    auto* s = dynamic_cast<TableViewDataSource*>(keep.get());
    return s && ds_.validateDrop ? s->tableViewValidateDropProposedRowProposedDropOperation(this, info, target.row, target.operation)
                                 : DragOperationNone;
}

bool TableView::acceptDrop(DraggingInfo& info, const DropTarget& target)
{
    const Ref<Object> keep = dataSource();
    auto* s = dynamic_cast<TableViewDataSource*>(keep.get());
    return s && ds_.acceptDrop && s->tableViewAcceptDropRowDropOperation(this, info, target.row, target.operation);
}

// --- Columns and rows ----------------------------------------------------------------------------

void TableView::addTableColumn(Ref<TableColumn> column)
{
    if (!column || std::find(columns_.begin(), columns_.end(), column) != columns_.end())
        return;
    if (const Ref<TableView> other = column->tableView(); other && other.get() != this)
        other->removeTableColumn(column.get());
    column->setTableView(this);
    columns_.push_back(std::move(column));
    tile();
    setNeedsDisplay(true);
}

void TableView::removeTableColumn(TableColumn* column)
{
    const auto it = std::find(columns_.begin(), columns_.end(), column);
    if (it == columns_.end())
        return;
    (*it)->setTableView(nullptr);
    columns_.erase(it);
    tile();
    setNeedsDisplay(true);
}

std::int64_t TableView::columnWithIdentifier(const Value& identifier) const
{
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i]->identifier().identicalTo(identifier))
            return std::int64_t(i);
    return -1;
}

Ref<TableColumn> TableView::tableColumnWithIdentifier(const Value& identifier) const
{
    const std::int64_t i = columnWithIdentifier(identifier);
    return i < 0 ? nullptr : columns_[std::size_t(i)];
}

void TableView::reloadData()
{
    endCellEditing();
    rowCount_ = askNumberOfRows();
    noteNumberOfRowsChanged();
}

void TableView::noteNumberOfRowsChanged()
{
    endCellEditing();
    const std::int64_t n = numberOfRows();
    if (!selected_.isEmpty() && selected_.lastIndex() >= n) {
        MutableIndexSet clipped(selected_);
        clipped.removeIndexesInRange({ n, tableViewAllRows });
        replaceSelection(clipped, true);
    }
    if (anchorRow_ >= n)
        anchorRow_ = -1;
    if (cursorRow_ >= n)
        cursorRow_ = -1;
    reloadRowHeights();
    tile();
    setNeedsDisplay(true);
}

void TableView::tile()
{
    double width = 0;
    for (const Ref<TableColumn>& c : columns_)
        width += c->width() + intercellSpacing_.width;
    Size size { std::max(width, frame().size.width), rowsHeight() };
    if (const Ref<View> clip = superview(); clip && clip->isKindOfClass(ClipView::staticClass())) {
        size.width = std::max(width, clip->bounds().size.width);
        size.height = std::max(size.height, clip->bounds().size.height);
    }
    if (!(size == frame().size))
        setFrameSize(size);
}

void TableView::resizeWithOldSuperviewSize(Size oldSize)
{
    Control::resizeWithOldSuperviewSize(oldSize);
    tile();
}

void TableView::setRowHeight(double height)
{
    rowHeight_ = std::max(1.0, height);
    tile();
    setNeedsDisplay(true);
}

void TableView::setIntercellSpacing(Size spacing)
{
    intercellSpacing_ = { std::max(0.0, spacing.width), std::max(0.0, spacing.height) };
    reloadRowHeights();
    tile();
    setNeedsDisplay(true);
}

// --- Geometry --------------------------------------------------------------------------------------

double TableView::rowTop(std::int64_t row) const { return heights_.isEmpty() ? double(row) * uniformRowSpan() : heights_.top(row); }

double TableView::rowSpan(std::int64_t row) const { return heights_.isEmpty() ? uniformRowSpan() : heights_.span(row); }

std::int64_t TableView::rowAtY(double y) const
{
    return heights_.isEmpty() ? std::int64_t(std::floor(y / uniformRowSpan())) : heights_.rowAtY(y);
}

double TableView::rowsHeight() const { return heights_.isEmpty() ? double(numberOfRows()) * uniformRowSpan() : heights_.total(); }

Rect TableView::rectOfColumn(std::int64_t column) const
{
    if (column < 0 || column >= numberOfColumns())
        return ZeroRect;
    double x = 0;
    for (std::int64_t i = 0; i < column; ++i)
        x += columns_[std::size_t(i)]->width() + intercellSpacing_.width;
    double width = columns_[std::size_t(column)]->width() + intercellSpacing_.width;
    if (column == numberOfColumns() - 1)
        width = std::max(width, bounds().size.width - x);
    return MakeRect(x, 0, width, bounds().size.height);
}

Rect TableView::rectOfRow(std::int64_t row) const
{
    if (row < 0 || row >= numberOfRows())
        return ZeroRect;
    return MakeRect(0, rowTop(row), bounds().size.width, rowSpan(row));
}

std::int64_t TableView::rowAtPoint(Point point) const
{
    if (point.y < 0 || point.y >= rowsHeight())
        return -1;
    const std::int64_t row = rowAtY(point.y);
    return row >= 0 && row < numberOfRows() ? row : -1;
}

std::int64_t TableView::columnAtPoint(Point point) const
{
    if (point.x < 0)
        return -1;
    for (std::int64_t i = 0; i < numberOfColumns(); ++i) {
        const Rect r = rectOfColumn(i);
        if (point.x >= r.minX() && point.x < r.maxX())
            return i;
    }
    return -1;
}

Range TableView::rowsInRect(Rect rect) const
{
    const double total = rowsHeight();
    const std::int64_t n = numberOfRows();
    if (n == 0 || IsEmptyRect(rect) || rect.maxY() <= 0 || rect.minY() >= total)
        return { 0, 0 };
    const std::int64_t first = std::clamp<std::int64_t>(rowAtY(std::max(0.0, rect.minY())), 0, n - 1);
    // The last row whose top lies above the rectangle's bottom edge.
    std::int64_t last = std::clamp<std::int64_t>(rowAtY(std::min(rect.maxY(), total) - 1e-9), first, n - 1);
    while (last + 1 < n && rowTop(last + 1) < rect.maxY())
        ++last;
    return { first, last - first + 1 };
}

Rect TableView::frameOfCellAtColumnRow(std::int64_t column, std::int64_t row)
{
    if (row < 0 || row >= numberOfRows() || column < 0 || column >= numberOfColumns())
        return ZeroRect;
    const Rect rowRect = rectOfRow(row);
    const bool group = isGroupRow(row);
    const Rect columnRect = group ? MakeRect(0, 0, bounds().size.width, 0) : rectOfColumn(column);
    Rect frame = MakeRect(columnRect.minX() + intercellSpacing_.width / 2, rowRect.minY() + intercellSpacing_.height / 2,
        columnRect.width() - intercellSpacing_.width, rowRect.height() - intercellSpacing_.height);
    if (group || column == outlineColumnIndex()) {
        const double indent = cellIndentOfRow(row);
        frame.origin.x += indent;
        frame.size.width = std::max(0.0, frame.size.width - indent);
    }
    return frame;
}

Ref<Cell> TableView::preparedCellAtColumnRow(std::int64_t column, std::int64_t row)
{
    if (row < 0 || row >= numberOfRows() || column < 0 || column >= numberOfColumns())
        return nullptr;
    TableColumn* tableColumn = columns_[std::size_t(column)].get();
    const bool group = isGroupRow(row);
    const Ref<Cell> prototype = dataCellForColumnRow(group ? nullptr : tableColumn, row);
    if (!prototype)
        return nullptr;
    Ref<Cell> cell;
    if (std::exchange(reuseNextPreparedCell_, false) && drawingPass_ && !preparesEveryCellAfresh()) {
        const auto kept = std::find_if(passCells_.begin(), passCells_.end(), [&](const PassCell& p) { return p.dataCell == prototype; });
        if (kept != passCells_.end()) {
            cell = kept->copy;
        } else {
            cell = dynamic_pointer_cast<Cell>(prototype->copy());
            passCells_.push_back({ prototype, cell });
        }
    } else {
        cell = dynamic_pointer_cast<Cell>(prototype->copy());
    }
    if (!cell)
        return nullptr;
    cell->setObjectValue(objectValueForColumnRow(tableColumn, row));
    cell->setBackgroundStyle(isRowSelected(row) ? BackgroundStyleDark : BackgroundStyleLight);
    willDisplayCellForColumnRow(cell.get(), group ? nullptr : tableColumn, row);
    return cell;
}

void TableView::scrollRowToVisible(std::int64_t row)
{
    const Rect r = rectOfRow(row);
    if (!IsEmptyRect(r))
        scrollRectToVisible(MakeRect(visibleRect().minX(), r.minY(), 1, r.height()));
}

void TableView::setNeedsDisplayInRow(std::int64_t row)
{
    const Rect r = rectOfRow(row);
    if (!IsEmptyRect(r))
        setNeedsDisplayInRect(r);
}

// --- Drawing ---------------------------------------------------------------------------------------

bool TableView::selectionIsActive() const
{
    const Ref<Window> w = window();
    return w && w->isKeyWindow() && w->firstResponder().get() == this;
}

void TableView::drawRect(Rect dirtyRect)
{
    drawBackgroundInClipRect(dirtyRect);
    highlightSelectionInClipRect(dirtyRect);
    // The pass's cell copies go with the pass: data cells may change between passes.
    struct EndPass {
        TableView& view;
        ~EndPass()
        {
            view.drawingPass_ = false;
            view.passCells_.clear();
        }
    } endPass { *this };
    drawingPass_ = true;
    const Range rows = rowsInRect(dirtyRect);
    for (std::int64_t row = rows.location; row < MaxRange(rows); ++row)
        drawRowClipRect(row, dirtyRect);
    drawDropTarget();
}

Ref<Cell> TableView::preparedCellForDrawing(std::int64_t column, std::int64_t row)
{
    reuseNextPreparedCell_ = drawingPass_;
    Ref<Cell> cell = preparedCellAtColumnRow(column, row);
    // An override that never reached the base leaves the request unused.
    reuseNextPreparedCell_ = false;
    return cell;
}

void TableView::drawBackgroundInClipRect(Rect clipRect)
{
    if (QPainter* painter = View::currentPainter())
        painter->fillRect(QRectF(clipRect.minX(), clipRect.minY(), clipRect.width(), clipRect.height()), QApplication::palette().base());
}

void TableView::highlightSelectionInClipRect(Rect clipRect)
{
    QPainter* painter = View::currentPainter();
    if (!painter || selected_.isEmpty())
        return;
    const Range rows = rowsInRect(clipRect);
    QStyleOptionViewItem option;
    InitStyleOption(option, this, QRectF(), true, false);
    option.state |= QStyle::State_Selected;
    option.state.setFlag(QStyle::State_Active, selectionIsActive());
    option.showDecorationSelected = true;
    option.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    for (const Range& r : selected_.ranges()) {
        const std::int64_t from = std::max(r.location, rows.location);
        const std::int64_t to = std::min(MaxRange(r), MaxRange(rows));
        for (std::int64_t row = from; row < to; ++row) {
            const Rect rect = rectOfRow(row);
            // The style takes int rectangles: hand it one at the origin of a translated painter,
            // so rows deep in a tall document stay exact.
            painter->save();
            painter->translate(rect.minX(), rect.minY());
            option.rect = QRect(0, 0, int(std::ceil(rect.width())), int(std::ceil(rect.height())));
            QApplication::style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, painter, nullptr);
            QApplication::style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, nullptr);
            painter->restore();
        }
    }
}

void TableView::drawRowClipRect(std::int64_t row, Rect clipRect)
{
    {
        // Cells draw through a graphics context of their own, which leaves the painter as it
        // found it: the triangle and whatever a subclass draws after them use the painter directly.
        Ref<GraphicsContext> context;
        std::optional<GraphicsContext::Scope> scope;
        if (QPainter* painter = View::currentPainter()) {
            context = GraphicsContext::graphicsContextWithPainter(painter, isFlipped());
            scope.emplace(context);
        }
        if (isGroupRow(row)) {
            drawGroupRow(row);
        } else {
            for (std::int64_t column = 0; column < numberOfColumns(); ++column) {
                const Rect columnRect = rectOfColumn(column);
                if (columnRect.maxX() <= clipRect.minX() || columnRect.minX() >= clipRect.maxX())
                    continue;
                // The edited cell draws its background only: the editor shows the text.
                const Ref<Cell> cell = editingCell_ && row == editedRow_ && column == editedColumn_ ? editingCell_ : preparedCellForDrawing(column, row);
                if (cell)
                    cell->drawWithFrameInView(frameOfCellAtColumnRow(column, row), this);
            }
        }
    }
    drawDisclosureOfRow(row);
}

void TableView::drawGroupRow(std::int64_t row)
{
    if (numberOfColumns() == 0)
        return;
    const Ref<Cell> cell = preparedCellForDrawing(0, row);
    if (!cell)
        return;
    const Rect frame = frameOfCellAtColumnRow(0, row);
    if (cell->type() != TextCellType) {
        cell->drawWithFrameInView(frame, this);
        return;
    }
    // Group rows: the cell's text, bold and small, in the placeholder colour.
    QFont font = cell->font();
    font.setBold(true);
    font.setPixelSize(11);
    StringAttributes defaults;
    defaults.font = CellFont(font);
    defaults.foregroundColor = Color::fromQColor(QApplication::palette().color(
        isRowSelected(row) ? QPalette::HighlightedText : QPalette::PlaceholderText));
    const AttributedString title(cell->stringValue());
    DrawCellAttributedTitle(title, cell->titleRectForBounds(frame), defaults, true);
}

void TableView::drawDropTarget()
{
    QPainter* painter = View::currentPainter();
    if (!painter || !shownDrop_.valid())
        return;
    Rect rect;
    if (shownDrop_.operation == TableViewDropOn) {
        rect = rectOfRow(shownDrop_.row);
    } else {
        const double y = shownDrop_.row < numberOfRows() ? rowTop(shownDrop_.row) : rowsHeight();
        rect = MakeRect(0, y, bounds().size.width, 0);
    }
    QStyleOption option;
    InitStyleOption(option, this, QRectF(), true, false);
    painter->save();
    painter->translate(rect.minX(), rect.minY());
    option.rect = QRect(0, 0, int(std::ceil(rect.width())) - 1, std::max(0, int(std::ceil(rect.height())) - 1));
    QApplication::style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemDrop, &option, painter, nullptr);
    painter->restore();
}

void TableView::redrawSelectedRows()
{
    const Range visible = rowsInRect(visibleRect());
    for (const Range& r : selected_.ranges()) {
        const std::int64_t from = std::max(r.location, visible.location);
        const std::int64_t to = std::min(MaxRange(r), MaxRange(visible));
        if (from < to)
            setNeedsDisplayInRect(UnionRect(rectOfRow(from), rectOfRow(to - 1)));
    }
}

bool TableView::becomeFirstResponder()
{
    const bool became = Control::becomeFirstResponder();
    redrawSelectedRows();
    return became;
}

bool TableView::resignFirstResponder()
{
    const bool resigned = Control::resignFirstResponder();
    redrawSelectedRows();
    return resigned;
}

void TableView::viewWillMoveToWindow(Window* window)
{
    Control::viewWillMoveToWindow(window);
    if (const Ref<Window> old = observedWindow_.lock())
        observeWindow(old.get(), false);
    observedWindow_ = window;
    if (window)
        observeWindow(window, true);
}

void TableView::observeWindow(Window* window, bool observe)
{
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    for (const QString& name : { WindowDidBecomeKeyNotification, WindowDidResignKeyNotification }) {
        if (observe)
            center->addObserverSelectorNameObject(
                this, NotificationCenter::Handler([this](Notification*) { redrawSelectedRows(); }), name, window);
        else
            center->removeObserverNameObject(this, name, window);
    }
}

// --- Selection -------------------------------------------------------------------------------------

std::int64_t TableView::selectedRow() const { return selected_.isEmpty() ? -1 : selected_.lastIndex(); }

std::int64_t TableView::currentRow() const { return cursorRow_ >= 0 && isRowSelected(cursorRow_) ? cursorRow_ : selectedRow(); }

void TableView::selectRowIndexesByExtendingSelection(const IndexSet& indexes, bool extend)
{
    MutableIndexSet next = extend ? MutableIndexSet(selected_) : MutableIndexSet();
    next.addIndexes(indexes);
    next.removeIndexesInRange({ numberOfRows(), tableViewAllRows });
    if (next == selected_)
        return;
    redrawSelectedRows();
    const IndexSet before = std::exchange(selected_, next);
    redrawSelectedRows();
    accessibilitySelectionDidChange(before);
    if (inSelectSession_) {
        changedInSession_ = true;
        NotificationCenter::defaultCenter()->postNotificationNameObject(selectionIsChangingName(), this);
    } else {
        postSelectionDidChange();
    }
}

void TableView::postSelectionDidChange() { NotificationCenter::defaultCenter()->postNotificationNameObject(selectionDidChangeName(), this); }

void TableView::replaceSelection(const IndexSet& indexes, bool notify)
{
    if (indexes == selected_)
        return;
    redrawSelectedRows();
    selected_ = indexes;
    redrawSelectedRows();
    if (notify)
        postSelectionDidChange();
}

void TableView::deselectRow(std::int64_t row)
{
    if (!isRowSelected(row))
        return;
    MutableIndexSet next(selected_);
    next.removeIndex(row);
    selectRowIndexesByExtendingSelection(next, false);
}

void TableView::deselectAll(Object*) { selectRowIndexesByExtendingSelection(IndexSet(), false); }

void TableView::selectAll(Object*)
{
    if (!allowsMultipleSelection_ || numberOfRows() == 0)
        return;
    proposeSelection(IndexSet::indexSetWithIndexesInRange({ 0, numberOfRows() }));
}

void TableView::proposeSelection(const IndexSet& proposal)
{
    IndexSet answer = proposal;
    if (hasSelectionProposal()) {
        answer = selectionIndexesForProposedSelection(proposal);
    } else if (hasShouldSelectRow()) {
        // Rows already selected stay without asking again.
        MutableIndexSet allowed;
        for (const Range& r : proposal.ranges())
            for (std::int64_t row = r.location; row < MaxRange(r); ++row)
                if (selected_.containsIndex(row) || shouldSelectRow(row))
                    allowed.addIndex(row);
        answer = allowed;
    }
    // Rows asked for and all refused leave the selection as it is; only an empty proposal empties.
    if (answer.isEmpty() && (!proposal.isEmpty() || !allowsEmptySelection_))
        return;
    if (answer == selected_)
        return;
    selectRowIndexesByExtendingSelection(answer, false);
}

void TableView::toggleRowSelection(std::int64_t row)
{
    MutableIndexSet next = allowsMultipleSelection_ ? MutableIndexSet(selected_) : MutableIndexSet();
    if (isRowSelected(row))
        next.removeIndex(row);
    else
        next.addIndex(row);
    proposeSelection(next);
    anchorRow_ = row;
}

void TableView::moveSelectionToRow(std::int64_t row, bool extend, bool scroll)
{
    const std::int64_t n = numberOfRows();
    if (n == 0)
        return;
    row = std::clamp<std::int64_t>(row, 0, n - 1);
    // The row moved to is current while the selection changes, so it is the one announced.
    const std::int64_t previous = std::exchange(cursorRow_, row);
    if (extend && allowsMultipleSelection_ && anchorRow_ >= 0) {
        const std::int64_t from = std::min(anchorRow_, row), to = std::max(anchorRow_, row);
        proposeSelection(IndexSet::indexSetWithIndexesInRange({ from, to - from + 1 }));
    } else {
        proposeSelection(IndexSet(row));
        if (isRowSelected(row))
            anchorRow_ = row;
    }
    if (!isRowSelected(row))
        cursorRow_ = previous;
    if (scroll)
        scrollRowToVisible(row);
}

} // namespace kit
