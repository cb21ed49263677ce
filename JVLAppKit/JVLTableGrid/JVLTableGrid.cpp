#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"

#include "JVLAppKit/JVLTableGrid/JVLTableGridContentView.h"
#include "JVLAppKit/JVLTableGrid/JVLTableGridHeaderView.h"

#include "kit/appkit/ClipView.h"
#include "kit/appkit/Scroller.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

using namespace kit;

KIT_REGISTER_CLASS(JVLTableGrid, kit::Control)
{
    c.bundle("JVLAppKit");
    c.action("moveUp", &JVLTableGrid::moveUp);
    c.action("moveDown", &JVLTableGrid::moveDown);
    c.action("moveLeft", &JVLTableGrid::moveLeft);
    c.action("moveRight", &JVLTableGrid::moveRight);
    c.action("moveUpAndModifySelection", &JVLTableGrid::moveUpAndModifySelection);
    c.action("moveDownAndModifySelection", &JVLTableGrid::moveDownAndModifySelection);
    c.action("moveLeftAndModifySelection", &JVLTableGrid::moveLeftAndModifySelection);
    c.action("moveRightAndModifySelection", &JVLTableGrid::moveRightAndModifySelection);
    c.action("moveToBeginningOfLine", &JVLTableGrid::moveToBeginningOfLine);
    c.action("moveToEndOfLine", &JVLTableGrid::moveToEndOfLine);
    c.action("moveToBeginningOfDocument", &JVLTableGrid::moveToBeginningOfDocument);
    c.action("moveToEndOfDocument", &JVLTableGrid::moveToEndOfDocument);
    c.action("pageUp", &JVLTableGrid::pageUp);
    c.action("pageDown", &JVLTableGrid::pageDown);
    c.action("insertTab", &JVLTableGrid::insertTab);
    c.action("insertBacktab", &JVLTableGrid::insertBacktab);
    c.action("insertNewline", &JVLTableGrid::insertNewline);
    c.action("selectAll", &JVLTableGrid::selectAll);
    c.action("deleteBackward", &JVLTableGrid::deleteBackward);
    c.optionalOperations({ "draggingEntered", "draggingUpdated", "draggingExited", "draggingEnded", "prepareForDragOperation",
        "performDragOperation", "concludeDragOperation", "draggingSourceOperationMaskForLocal" });
    c.property(QStringLiteral("allowsEditing"), &JVLTableGrid::allowsEditing, &JVLTableGrid::setAllowsEditing);
    c.property(QStringLiteral("allowsMultipleSelection"), &JVLTableGrid::allowsMultipleSelection, &JVLTableGrid::setAllowsMultipleSelection);
}

namespace {

// The selector of each optional operation, in the order of JVLTableGrid::Operation.
constexpr const char* tableGridOperationNames[] = {
    "numberOfColumnsInTableGrid",
    "numberOfRowsInTableGrid",
    "tableGridObjectValueForColumnRow",
    "tableGridSetObjectValueForColumnRow",
    "tableGridBackgroundColorForColumnRow",
    "tableGridHeaderStringForColumn",
    "tableGridHeaderStringForRow",
    "tableGridSetWidthForColumn",
    "tableGridWriteColumnsWithIndexesToPasteboard",
    "tableGridWriteRowsWithIndexesToPasteboard",
    "tableGridCanMoveColumnsToIndex",
    "tableGridCanMoveRowsToIndex",
    "tableGridMoveColumnsToIndex",
    "tableGridMoveRowsToIndex",
    "tableGridValidateDropProposedColumnRow",
    "tableGridAcceptDropColumnRow",
    "tableGridWillSelectColumnsAtIndexPath",
    "tableGridWillSelectRowsAtIndexPath",
    "tableGridShouldEditColumnRow",
};

// Autohiding takes an unneeded scroller out of its scroll view without hiding it.
bool tableGridScrollerShown(const ScrollView& scrollView, const Ref<Scroller>& scroller)
{
    return scroller && scroller->superview().get() == &scrollView && !scroller->isHiddenOrHasHiddenAncestor();
}

double tableGridSaneWidth(double width) { return std::isfinite(width) && width > 0 ? width : 0; }

} // namespace

JVLTableGrid::JVLTableGrid(Rect frame)
    : Control(frame, make<JVLTableGridCell>(QString()))
{
    static_assert(std::size(tableGridOperationNames) == OperationCount);
    setPostsFrameChangedNotifications(true);
    NotificationCenter::defaultCenter()->addObserverSelectorNameObject(this, &JVLTableGrid::viewFrameDidChange, ViewFrameDidChangeNotification, this);

    if (Ref<Cell> own = cell()) {
        own->setBordered(true);
        own->setScrollable(true);
        own->setLineBreakMode(LineBreakByTruncatingTail);
    }

    columnHeaderView_ = make<JVLTableGridHeaderView>();
    columnHeaderView_->setOrientation(0);
    columnHeaderScrollView_ = make<ScrollView>();
    columnHeaderScrollView_->setDocumentView(columnHeaderView_.get());
    columnHeaderScrollView_->setAutoresizingMask(ViewWidthSizable);
    columnHeaderScrollView_->setDrawsBackground(false);
    addSubview(columnHeaderScrollView_.get());

    rowHeaderView_ = make<JVLTableGridHeaderView>();
    rowHeaderView_->setOrientation(1);
    rowHeaderScrollView_ = make<ScrollView>();
    rowHeaderScrollView_->setDocumentView(rowHeaderView_.get());
    rowHeaderScrollView_->setAutoresizingMask(ViewHeightSizable);
    rowHeaderScrollView_->setDrawsBackground(false);
    addSubview(rowHeaderScrollView_.get());

    contentView_ = make<JVLTableGridContentView>();
    contentScrollView_ = make<JVLTableGridScrollView>();
    contentScrollView_->setContentView(make<JVLTableGridClipView>().get());
    contentScrollView_->setDocumentView(contentView_.get());
    contentScrollView_->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    contentScrollView_->setHasHorizontalScroller(true);
    contentScrollView_->setHasVerticalScroller(true);
    contentScrollView_->setAutohidesScrollers(true);
    addSubview(contentScrollView_.get());
    layOutScrollViews(frame);

    Ref<ClipView> clip = contentScrollView_->contentView();
    clip->setPostsBoundsChangedNotifications(true);
    NotificationCenter::defaultCenter()->addObserverSelectorNameObject(
        this, &JVLTableGrid::contentViewDidScroll, ViewBoundsDidChangeNotification, clip.get());
}

JVLTableGrid::~JVLTableGrid()
{
    NotificationCenter::defaultCenter()->removeObserver(this);
    if (Ref<Object> d = delegate())
        observeDelegate(d.get(), false);
}

void JVLTableGrid::layOutScrollViews(Rect frame, bool documents)
{
    const double w = frame.width(), h = frame.height();
    const double strip = rowHeaderWidth_;
    columnHeaderScrollView_->setFrame({ strip, 0, w - strip, ColumnHeaderHeight });
    rowHeaderScrollView_->setFrame({ 0, ColumnHeaderHeight, strip, h - ColumnHeaderHeight });
    contentScrollView_->setFrame({ strip, ColumnHeaderHeight, w - strip, h - ColumnHeaderHeight });
    if (!documents) {
        rowHeaderView_->setFrameSize({ strip, rowHeaderView_->frame().height() });
        return;
    }
    columnHeaderView_->setFrame({ 0, 0, w - strip, ColumnHeaderHeight });
    rowHeaderView_->setFrame({ 0, 0, strip, h - ColumnHeaderHeight });
    contentView_->setFrame({ 0, 0, w - strip, h - ColumnHeaderHeight });
}

// --- Data source and delegate ---------------------------------------------------------------------------

void JVLTableGrid::setDataSource(Object* dataSource)
{
    dataSource_ = dataSource;
    dataSourceProtocol_ = dynamic_cast<JVLTableGridDataSource*>(dataSource);
    for (std::size_t op = NumberOfColumns; op < WillSelectColumns; ++op)
        answers_[op] = dataSourceProtocol_ && dataSource->respondsToSelector(Selector(tableGridOperationNames[op]));
}

void JVLTableGrid::setDelegate(Object* newDelegate)
{
    const Ref<Object> old = delegate();
    if (old.get() == newDelegate)
        return;
    if (old)
        observeDelegate(old.get(), false);
    Control::setDelegate(newDelegate);
    auto* protocol = dynamic_cast<JVLTableGridDelegate*>(newDelegate);
    for (std::size_t op = WillSelectColumns; op < OperationCount; ++op)
        answers_[op] = protocol && newDelegate->respondsToSelector(Selector(tableGridOperationNames[op]));
    if (newDelegate)
        observeDelegate(newDelegate, true);
}

void JVLTableGrid::observeDelegate(Object* d, bool observe)
{
    struct Handler {
        const char* operation;
        const QString& name;
        void (JVLTableGridDelegate::*method)(Notification*);
    };
    static const Handler handlers[] = {
        { "tableGridDidChangeSelection", JVLTableGridDidChangeSelectionNotification, &JVLTableGridDelegate::tableGridDidChangeSelection },
        { "tableGridDidMoveColumns", JVLTableGridDidMoveColumnsNotification, &JVLTableGridDelegate::tableGridDidMoveColumns },
        { "tableGridDidMoveRows", JVLTableGridDidMoveRowsNotification, &JVLTableGridDelegate::tableGridDidMoveRows },
    };
    auto* center = NotificationCenter::defaultCenter().get();
    for (const Handler& h : handlers) {
        if (!observe) {
            center->removeObserverNameObject(d, h.name, this);
            continue;
        }
        if (!dynamic_cast<JVLTableGridDelegate*>(d) || !d->respondsToSelector(Selector(h.operation)))
            continue;
        const Weak<Object> weak(d);
        const auto method = h.method;
        center->addObserverSelectorNameObject(
            d,
            [weak, method](Notification* n) {
                if (const Ref<Object> held = weak.lock())
                    if (auto* protocol = dynamic_cast<JVLTableGridDelegate*>(held.get()))
                        (protocol->*method)(n);
            },
            h.name, this);
    }
}

JVLTableGrid::DataSourceCall JVLTableGrid::dataSourceFor(Operation operation) const
{
    if (!answers_[operation])
        return {};
    Ref<Object> object = dataSource_.lock();
    if (!object)
        return {};
    return { std::move(object), dataSourceProtocol_ };
}

JVLTableGrid::DelegateCall JVLTableGrid::delegateFor(Operation operation) const
{
    if (!answers_[operation])
        return {};
    Ref<Object> object = delegate();
    auto* d = dynamic_cast<JVLTableGridDelegate*>(object.get());
    if (!d)
        return {};
    return { std::move(object), d };
}

QString JVLTableGrid::headerStringForColumn(std::int64_t column)
{
    if (const auto ds = dataSourceFor(HeaderStringForColumn))
        return ds->tableGridHeaderStringForColumn(this, column);
    // The character after "Z" follows "Z": no two-letter names.
    return QString(QChar(char16_t(65 + column)));
}

QString JVLTableGrid::headerStringForRow(std::int64_t row)
{
    if (const auto ds = dataSourceFor(HeaderStringForRow))
        return ds->tableGridHeaderStringForRow(this, row);
    return QString::number(std::uint64_t(row) + 1);
}

Value JVLTableGrid::objectValueForColumnRow(std::int64_t column, std::int64_t row)
{
    if (const auto ds = dataSourceFor(ObjectValue))
        return ds->tableGridObjectValueForColumnRow(this, column, row);
    return {};
}

Ref<Color> JVLTableGrid::backgroundColorForColumnRow(std::int64_t column, std::int64_t row)
{
    if (const auto ds = dataSourceFor(BackgroundColor))
        return ds->tableGridBackgroundColorForColumnRow(this, column, row);
    return nullptr;
}

void JVLTableGrid::setObjectValueForColumnRow(const Value& value, std::int64_t column, std::int64_t row)
{
    if (const auto ds = dataSourceFor(SetObjectValue))
        ds->tableGridSetObjectValueForColumnRow(this, value, column, row);
}

bool JVLTableGrid::dataSourceCanSetObjectValue() const { return bool(dataSourceFor(SetObjectValue)); }

double JVLTableGrid::widthForColumn(std::int64_t column)
{
    if (column >= 0 && std::size_t(column) < rememberedWidths_.size() && rememberedWidths_[std::size_t(column)])
        return *rememberedWidths_[std::size_t(column)];
    return setWidthForColumn(column);
}

double JVLTableGrid::setWidthForColumn(std::int64_t column)
{
    const auto ds = dataSourceFor(SetWidthForColumn);
    if (!ds || column < 0)
        return DefaultColumnWidth;
    // A negative or non-finite answer is 0 from the start: remembered, summed and resized from.
    const auto width = float(tableGridSaneWidth(ds->tableGridSetWidthForColumn(this, column)));
    if (std::size_t(column) >= rememberedWidths_.size())
        rememberedWidths_.resize(std::size_t(column) + 1);
    rememberedWidths_[std::size_t(column)] = width;
    return width;
}

bool JVLTableGrid::canEditCellAtColumnRow(std::int64_t column, std::int64_t row)
{
    if (!dataSourceFor(SetObjectValue))
        return false;
    if (const auto d = delegateFor(ShouldEdit))
        return d->tableGridShouldEditColumnRow(this, column, row);
    return true;
}

// --- Geometry ---------------------------------------------------------------------------------------------

void JVLTableGrid::ensureColumnWidths(std::int64_t count)
{
    std::vector<double> widths(std::size_t(std::max<std::int64_t>(count, 0)));
    for (std::int64_t c = 0; c < count; ++c)
        widths[std::size_t(c)] = tableGridSaneWidth(widthForColumn(c));
    widths_.assign(widths);
}

double JVLTableGrid::columnOffset(std::int64_t column) const
{
    const std::int64_t known = widths_.count();
    if (column <= known)
        return widths_.offsetOf(column);
    return widths_.total() + double(column - known) * DefaultColumnWidth;
}

double JVLTableGrid::columnWidth(std::int64_t column) const
{
    return column >= 0 && column < widths_.count() ? widths_.widthAt(column) : DefaultColumnWidth;
}

std::int64_t JVLTableGrid::columnSpanning(double x, std::int64_t from) const
{
    const std::int64_t count = std::min(numberOfColumns_, widths_.count());
    if (count <= 0)
        return NotFound;
    std::int64_t c = std::max(from, widths_.firstEndingAtOrAfter(x));
    // One earlier, should rounding in the sums have gone one too far.
    if (c > from)
        --c;
    for (; c < count; ++c) {
        const double left = columnOffset(c);
        if (left > x)
            return NotFound;
        if (x <= left + columnWidth(c))
            return c;
    }
    return NotFound;
}

std::int64_t JVLTableGrid::rowSpanning(double y, std::int64_t from) const
{
    if (!(y >= 0) || numberOfRows_ <= 0)
        return NotFound;
    const double estimate = std::ceil(y / RowHeight) - 1;
    std::int64_t r = estimate >= double(numberOfRows_) ? numberOfRows_ : std::max<std::int64_t>(std::int64_t(estimate), 0);
    r = std::max(r, from);
    return r < numberOfRows_ && double(r) * RowHeight <= y ? r : NotFound;
}

Rect JVLTableGrid::rectOfColumn(std::int64_t column) const
{
    Rect r = contentView_->convertRectToView(contentView_->rectOfColumn(column), this);
    r.origin.y = 0;
    r.size.height += ColumnHeaderHeight;
    const double frameHeight = frame().height();
    if (r.size.height > frameHeight) {
        r.size.height = frameHeight;
        if (tableGridScrollerShown(*contentScrollView_, contentScrollView_->horizontalScroller()))
            r.size.height -= Scroller::scrollerWidth();
    }
    return r;
}

Rect JVLTableGrid::rectOfRow(std::int64_t row) const
{
    Rect r = contentView_->convertRectToView(contentView_->rectOfRow(row), this);
    r.origin.x = 0;
    r.size.width += rowHeaderWidth_;
    return r;
}

Rect JVLTableGrid::frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const
{
    return contentView_->convertRectToView(contentView_->frameOfCellAtColumnRow(column, row), this);
}

Rect JVLTableGrid::headerRectOfColumn(std::int64_t column) const
{
    return columnHeaderView_->convertRectToView(columnHeaderView_->headerRectOfColumn(column), this);
}

Rect JVLTableGrid::headerRectOfRow(std::int64_t row) const
{
    return rowHeaderView_->convertRectToView(rowHeaderView_->headerRectOfRow(row), this);
}

std::int64_t JVLTableGrid::columnAtPoint(Point point) const
{
    // The linear search's answer: the search finds the candidate, the rectangles decide.
    const std::int64_t count = std::min(numberOfColumns_, widths_.count());
    if (count <= 0)
        return NotFound;
    const Point inCells = contentView_->convertPointFromView(point, this);
    const std::int64_t candidate = std::min(widths_.firstEndingAtOrAfter(inCells.x), count - 1);
    // From one before the candidate (rounding) on, over any empty columns, until one starts past the point.
    for (std::int64_t c = std::max<std::int64_t>(candidate - 1, 0); c < count; ++c) {
        const Rect r = rectOfColumn(c);
        if (PointInRect(point, r))
            return c;
        if (r.minX() > point.x)
            break;
    }
    return NotFound;
}

std::int64_t JVLTableGrid::rowAtPoint(Point point) const
{
    if (numberOfRows_ <= 0)
        return NotFound;
    const Point inCells = contentView_->convertPointFromView(point, this);
    const double estimate = std::floor(inCells.y / RowHeight);
    if (!std::isfinite(estimate) || estimate < -1 || estimate > double(numberOfRows_))
        return NotFound;
    const auto candidate = std::int64_t(estimate);
    for (std::int64_t r = std::max<std::int64_t>(candidate - 1, 0); r <= std::min(candidate + 1, numberOfRows_ - 1); ++r)
        if (PointInRect(point, rectOfRow(r)))
            return r;
    return NotFound;
}

// --- Reloading, scrolling, resizing -------------------------------------------------------------------------

void JVLTableGrid::reloadData()
{
    const auto columns = dataSourceFor(NumberOfColumns);
    numberOfColumns_ = columns ? std::max<std::int64_t>(columns->numberOfColumnsInTableGrid(this), 0) : 0;
    const auto rows = dataSourceFor(NumberOfRows);
    numberOfRows_ = rows ? std::max<std::int64_t>(rows->numberOfRowsInTableGrid(this), 0) : 0;

    // The row strip fits the first and the last row's header; it changes only here, never while scrolling.
    const double strip = rowHeaderWidthForRows();
    if (strip != rowHeaderWidth_) {
        rowHeaderWidth_ = strip;
        // The cells keep their size (set below) and so their scroll position.
        layOutScrollViews(frame(), false);
        setNeedsDisplay(true);
    }

    // Every width is asked for (once per column for the life of the grid) and summed.
    ensureColumnWidths(numberOfColumns_);
    const double width = numberOfColumns_ > 0 ? widths_.total() : 0;
    const double height = double(numberOfRows_) * RowHeight;
    contentView_->setFrameSize({ width, height });
    fitHeaderStrips();
    setNeedsDisplay(true);
    columnHeaderView_->setNeedsDisplay(true);
    rowHeaderView_->setNeedsDisplay(true);
    contentView_->setNeedsDisplay(true);
    // The elements of cells taken away go; those kept may stand for other values now, and a reader
    // that keeps names hears them renamed.
    accessibilityElements_.eraseIf([this](const AccessibilityPlace& place, const kit::Object&) {
        return place.first >= numberOfColumns_ || place.second >= numberOfRows_;
    });
    accessibilityElements_.forEach([](const AccessibilityPlace&, const kit::Ref<kit::Object>& element) {
        if (auto* kept = dynamic_cast<kit::Accessibility*>(element.get()))
            kept->accessibilityTitleChanged();
    });
}

double JVLTableGrid::rowHeaderWidthForRows()
{
    if (numberOfRows_ <= 0)
        return RowHeaderWidth;
    // With default headers the last is the widest: digits share one advance.
    const Ref<JVLTableGridHeaderCell> cell = rowHeaderView_->headerCell();
    const double widest = std::max(cell->labelSize(headerStringForRow(0)).width, cell->labelSize(headerStringForRow(numberOfRows_ - 1)).width);
    return std::max(RowHeaderWidth, std::ceil(widest) + 8);
}

void JVLTableGrid::fitHeaderStrips()
{
    const Size cells = contentView_->frame().size;
    const double s = Scroller::scrollerWidth();
    const bool vertical = tableGridScrollerShown(*contentScrollView_, contentScrollView_->verticalScroller());
    const bool horizontal = tableGridScrollerShown(*contentScrollView_, contentScrollView_->horizontalScroller());
    columnHeaderView_->setFrameSize({ cells.width + (vertical ? s : 0), columnHeaderView_->frame().height() });
    rowHeaderView_->setFrameSize({ rowHeaderView_->frame().width(), cells.height + (horizontal ? s : 0) });
    // The row strip ends where the cells' clip ends: beside a horizontal scroller it would show
    // (and let a click select) a row the cells do not; the corner there stays blank.
    const Rect rows = rowHeaderScrollView_->frame();
    const double clipHeight = contentScrollView_->contentView()->frame().height();
    if (rows.height() != clipHeight)
        rowHeaderScrollView_->setFrameSize({ rows.width(), clipHeight });
    // Resizing the cells and the strips clamps each clip on its own: bring the strips back in step.
    contentViewDidScroll(nullptr);
}

void JVLTableGrid::contentViewDidScroll(Notification*)
{
    const Point origin = contentScrollView_->contentView()->bounds().origin;
    const Ref<ClipView> columnClip = columnHeaderScrollView_->contentView();
    if (columnClip->bounds().origin != origin) {
        columnClip->scrollToPoint({ origin.x, columnClip->bounds().origin.y });
        columnHeaderScrollView_->reflectScrolledClipView(columnClip.get());
    }
    const Ref<ClipView> rowClip = rowHeaderScrollView_->contentView();
    if (rowClip->bounds().origin != origin) {
        rowClip->scrollToPoint({ rowClip->bounds().origin.x, origin.y });
        rowHeaderScrollView_->reflectScrolledClipView(rowClip.get());
    }
    columnHeaderView_->updateTrackingAreas();
}

void JVLTableGrid::scrollToAreaAnimate(Rect area, bool animate)
{
    if (!animate) {
        contentScrollView_->contentView()->scrollRectToVisible(area);
        return;
    }
    const Ref<JVLTableGridContentView> cells = contentView_;
    AnimationContext::runAnimationGroupCompletionHandler(
        [cells, area](AnimationContext& context) {
            context.setAllowsImplicitAnimation(true);
            cells->scrollRectToVisible(area);
        },
        [] { });
}

void JVLTableGrid::resizeColumnWithIndexWithDistance(std::int64_t column, float distance)
{
    if (column < 0 || column == NotFound)
        return;
    const double old = widthForColumn(column);
    const auto width = float(std::max(old + double(distance), MinimumColumnWidth));
    if (std::size_t(column) >= rememberedWidths_.size())
        rememberedWidths_.resize(std::size_t(column) + 1);
    rememberedWidths_[std::size_t(column)] = width;
    widths_.setWidthAt(column, width);
    const double change = double(width) - old;
    const Size cells = contentView_->frame().size;
    contentView_->setFrameSize({ cells.width + change, cells.height });
    fitHeaderStrips();
    contentView_->setNeedsDisplay(true);
    columnHeaderView_->setNeedsDisplay(true);
}

// --- Focus -------------------------------------------------------------------------------------------------------

bool JVLTableGrid::hasKeyboardFocus() const
{
    const Ref<Window> w = window();
    if (!w || !w->isKeyWindow())
        return false;
    const auto responder = dynamic_pointer_cast<View>(w->firstResponder());
    return responder && responder->isDescendantOf(this);
}

void JVLTableGrid::invalidateFocusRing()
{
    // The ring and the selection colour follow focus; both are redrawn here and only here.
    setKeyboardFocusRingNeedsDisplayInRect(bounds());
    setNeedsDisplay(true);
    contentView_->setNeedsDisplay(true);
}

bool JVLTableGrid::becomeFirstResponder()
{
    invalidateFocusRing();
    return true;
}

bool JVLTableGrid::resignFirstResponder()
{
    invalidateFocusRing();
    return true;
}

void JVLTableGrid::observeWindow(Window* w, bool observe)
{
    auto* center = NotificationCenter::defaultCenter().get();
    if (!observe) {
        center->removeObserverNameObject(this, WindowDidBecomeKeyNotification, w);
        center->removeObserverNameObject(this, WindowDidResignKeyNotification, w);
        return;
    }
    const Weak<JVLTableGrid> weak(this);
    const auto changed = [weak](Notification*) {
        if (const Ref<JVLTableGrid> grid = weak.lock())
            grid->invalidateFocusRing();
    };
    center->addObserverSelectorNameObject(this, changed, WindowDidBecomeKeyNotification, w);
    center->addObserverSelectorNameObject(this, changed, WindowDidResignKeyNotification, w);
}

void JVLTableGrid::viewWillMoveToWindow(Window* newWindow)
{
    Control::viewWillMoveToWindow(newWindow);
    if (const Ref<Window> old = observedWindow_.lock())
        observeWindow(old.get(), false);
    observedWindow_ = newWindow;
    if (newWindow)
        observeWindow(newWindow, true);
}

// --- Drawing ---------------------------------------------------------------------------------------------------

void JVLTableGrid::drawRect(Rect)
{
    const Rect all { 0, 0, frame().width(), frame().height() };
    drawCornerHeaderBackgroundInRect(headerRectOfCorner());
    drawColumnHeaderBackgroundInRect({ rowHeaderWidth_, 0, all.width() - rowHeaderWidth_, ColumnHeaderHeight });
    drawRowHeaderBackgroundInRect({ 0, ColumnHeaderHeight, rowHeaderWidth_, all.height() - ColumnHeaderHeight });
    Color::darkGrayColor()->setStroke();
    BezierPath::strokeRect(all);
    // Rings stay inside the view that draws them, where its repaint covers them.
    if (hasKeyboardFocus())
        DrawFocusRingInsideRect(all);
}

namespace {

Ref<Gradient> tableGridHeaderGradientA()
{
    static const Ref<Gradient> g
        = Gradient::gradientWithStartingColorEndingColor(Color::colorWithDeviceWhiteAlpha(0.91, 1), Color::colorWithDeviceWhiteAlpha(0.89, 1));
    return g;
}

Ref<Gradient> tableGridHeaderGradientB()
{
    static const Ref<Gradient> g
        = Gradient::gradientWithStartingColorEndingColor(Color::colorWithDeviceWhiteAlpha(0.85, 1), Color::colorWithDeviceWhiteAlpha(0.83, 1));
    return g;
}

void tableGridFillWhite(Rect r, double white, double alpha = 1)
{
    Color::colorWithDeviceWhiteAlpha(white, alpha)->setFill();
    if (alpha < 1)
        BezierPath::fillRect(r);
    else
        RectFill(r);
}

} // namespace

void JVLTableGrid::drawColumnHeaderBackgroundInRect(Rect r) { drawStripBackground(ColumnStrip, r); }

void JVLTableGrid::drawRowHeaderBackgroundInRect(Rect r) { drawStripBackground(RowStrip, r); }

void JVLTableGrid::drawCornerHeaderBackgroundInRect(Rect r) { drawStripBackground(CornerStrip, r); }

void JVLTableGrid::drawStripBackground(Strip strip, Rect r)
{
    if (!needsToDrawRect(r) || drawStripFromCache(strip, r))
        return;
    paintStripBackground(strip, r);
}

void JVLTableGrid::paintStripBackground(Strip strip, Rect r)
{
    const double x = r.minX(), y = r.minY(), w = r.width(), h = r.height();
    switch (strip) {
    case ColumnStrip:
        tableGridHeaderGradientA()->drawInRectAngle({ x, y, w, h / 2 }, 90);
        tableGridHeaderGradientB()->drawInRectAngle({ x, y + h / 2 - 0.5, w, h / 2 + 0.5 }, 90);
        tableGridFillWhite({ x, y, w, 1 }, 0.95);
        tableGridFillWhite({ x, y + h - 1, w, 1 }, 0.65);
        break;
    case RowStrip:
        tableGridHeaderGradientA()->drawInRectAngle({ x, y, w / 2, h }, 0);
        tableGridHeaderGradientB()->drawInRectAngle({ x + w / 2 - 0.5, y, w / 2 + 0.5, h }, 0);
        tableGridFillWhite({ x, y, 1, h }, 1, 0.4);
        tableGridFillWhite({ x + w - 1, y, 1, h }, 0.65);
        break;
    case CornerStrip:
        tableGridHeaderGradientA()->drawInRectAngle(r, 90);
        tableGridHeaderGradientB()->drawInRectAngle({ x + w / 2 - 0.5, y + h / 2 - 0.5, w / 2, h / 2 + 0.5 }, 90);
        tableGridFillWhite({ x, y, w, 1 }, 0.95);
        tableGridFillWhite({ x, y, 1, h }, 1, 0.4);
        tableGridFillWhite({ x + w - 1, y, 1, h }, 0.65);
        tableGridFillWhite({ x, y + h - 1, w, 1 }, 0.65);
        break;
    case StripCount:
        break;
    }
}

// Drawn once into an image at whole pixels and copied from there: an opaque image gives exactly
// the pixels drawing in place gives, without a gradient fill (and its worker threads) per step.
bool JVLTableGrid::drawStripFromCache(Strip strip, Rect r)
{
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return false;
    const GraphicsState& s = context->state();
    const auto whole = [](double v) { return v == std::floor(v); };
    if (s.ctm.type() > QTransform::TxTranslate || !whole(s.ctm.dx()) || !whole(s.ctm.dy()) || !context->userSpaceRunsDown() || !whole(r.minX())
        || !whole(r.minY()) || !whole(r.width()) || !whole(r.height()) || s.shadow.isActive() || s.operation != CompositeSourceOver
        || s.focusRingStyle || r.width() > 4096 || r.height() > 4096 || IsEmptyRect(r))
        return false;
    StripImage& cached = stripImages_[strip];
    const QSize size(int(r.width()), int(r.height()));
    if (cached.size != size || cached.antialias != s.shouldAntialias) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            const Ref<GraphicsContext> own = GraphicsContext::graphicsContextWithImage(&image, true);
            own->setShouldAntialias(s.shouldAntialias);
            own->setCTM(AffineTransform::fromQTransform(QTransform::fromTranslate(-r.minX(), -r.minY())));
            GraphicsContext::Scope scope(own);
            paintStripBackground(strip, r);
        }
        bool opaque = true;
        for (int y = 0; y < image.height() && opaque; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            opaque = std::all_of(line, line + image.width(), [](QRgb p) { return qAlpha(p) == 255; });
        }
        // The same pixel values without an alpha channel: copied, not blended.
        cached = { opaque ? image.convertToFormat(QImage::Format_RGB32) : QImage(), size, s.shouldAntialias };
    }
    if (cached.image.isNull())
        return false;
    context->drawImage(cached.image, QRectF(0, 0, size.width(), size.height()), r, CompositeSourceOver, 1.0);
    return true;
}

// --- Archiving and interface files -------------------------------------------------------------------------------

void JVLTableGrid::encodeWithCoder(Coder& coder) const
{
    // The view part only: the scroll views and strips are the grid's own making.
    coder.encodeRectForKey(frame(), QStringLiteral("frame"));
    if (isHidden())
        coder.encodeBoolForKey(true, QStringLiteral("hidden"));
    coder.encodeIntegerForKey(std::int64_t(autoresizingMask()), QStringLiteral("autoresizingMask"));
    coder.encodeBoolForKey(autoresizesSubviews(), QStringLiteral("autoresizesSubviews"));
}

void JVLTableGrid::initWithCoder(Coder& coder)
{
    View::initWithCoder(coder);
    // Made at a zero frame: autoresizing from negative sizes is not to be trusted.
    layOutScrollViews(frame());
}

void JVLTableGrid::awakeFromNib() { registerForDraggedTypes({}); }
