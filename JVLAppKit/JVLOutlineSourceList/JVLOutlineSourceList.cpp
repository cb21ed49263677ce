#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceList.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/FastLine.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/StringDrawing.h"

#include <algorithm>
#include <optional>

using namespace kit;

namespace {

const QString sourceListNotConformingLog
    = QStringLiteral("JVLOutlineSourceList: Datasource %@ is not conform to protocol <JVLOutlineSourceListDataSource>");

// The secondary delegate's handlers, in the order they are registered.
struct SourceListHandler {
    const QString& notification;
    const char* handler;
    void (JVLOutlineSourceListDelegate::*method)(Notification*);
};
const SourceListHandler sourceListHandlers[] = {
    { JVLOutlineSourceListSelectionIsChangingNotification, "sourceListSelectionIsChanging", &JVLOutlineSourceListDelegate::sourceListSelectionIsChanging },
    { JVLOutlineSourceListSelectionDidChangeNotification, "sourceListSelectionDidChange", &JVLOutlineSourceListDelegate::sourceListSelectionDidChange },
    { JVLOutlineSourceListItemWillExpandNotification, "sourceListItemWillExpand", &JVLOutlineSourceListDelegate::sourceListItemWillExpand },
    { JVLOutlineSourceListItemDidExpandNotification, "sourceListItemDidExpand", &JVLOutlineSourceListDelegate::sourceListItemDidExpand },
    { JVLOutlineSourceListItemWillCollapseNotification, "sourceListItemWillCollapse", &JVLOutlineSourceListDelegate::sourceListItemWillCollapse },
    { JVLOutlineSourceListItemDidCollapseNotification, "sourceListItemDidCollapse", &JVLOutlineSourceListDelegate::sourceListItemDidCollapse },
    { JVLOutlineSourceListDeleteKeyPressedOnRowsNotification, "sourceListDeleteKeyPressedOnRows",
        &JVLOutlineSourceListDelegate::sourceListDeleteKeyPressedOnRows },
};

constexpr double sourceListBadgeHeight = 14;
constexpr double sourceListBadgeMinimumWidth = 22;
constexpr double sourceListBadgeTextPadding = 10;
constexpr double sourceListBadgeRadius = 7;
constexpr double sourceListBadgeFontSize = 11;
constexpr double sourceListBadgeRightMargin = 5;
constexpr double sourceListCellLeftMargin = 18;
constexpr double sourceListIconGap = 4;
constexpr double sourceListIconRightGap = 2;
constexpr double sourceListAlwaysExpandedGroupX = 7;

bool sourceListResponds(const Ref<Object>& object, const char* operation) { return object && object->respondsToSelector(Selector(operation)); }

Ref<Color> sourceListDefaultBadgeBackground() { return Color::colorWithCalibratedRedGreenBlueAlpha(152 / 255.0, 168 / 255.0, 202 / 255.0, 1); }

} // namespace

KIT_REGISTER_CLASS(JVLOutlineSourceList, kit::OutlineView)
{
    c.bundle("JVLAppKit");
    // Interface files connect the secondaries through these keys.
    c.property(
        "delegate", [](const JVLOutlineSourceList& x) { return Value(x.delegate()); },
        [](JVLOutlineSourceList& x, const Value& v) { x.setDelegate(v.object().get()); });
    c.property(
        "dataSource", [](const JVLOutlineSourceList& x) { return Value(x.dataSource()); },
        [](JVLOutlineSourceList& x, const Value& v) { x.setDataSource(v.object().get()); });
    c.property(
        "iconSize", [](const JVLOutlineSourceList& x) { return Value(x.iconSize()); },
        [](JVLOutlineSourceList& x, const Value& v) { x.setIconSize(v.sizeValue()); });
    c.optionalOperations({ "outlineViewNumberOfChildrenOfItem", "outlineViewChildOfItem", "outlineViewIsItemExpandable",
        "outlineViewObjectValueForTableColumnByItem", "outlineViewSetObjectValueForTableColumnByItem", "outlineViewItemForPersistentObject",
        "outlineViewPersistentObjectForItem", "outlineViewWriteItemsToPasteboard", "outlineViewValidateDropProposedItemProposedChildIndex",
        "outlineViewAcceptDropItemChildIndex", "outlineViewWillDisplayCellForTableColumnItem", "outlineViewShouldSelectItem",
        "outlineViewSelectionIndexesForProposedSelection", "outlineViewShouldEditTableColumnItem",
        "outlineViewShouldTrackCellForTableColumnItem", "outlineViewDataCellForTableColumnItem", "outlineViewIsGroupItem",
        "outlineViewShouldExpandItem", "outlineViewShouldCollapseItem", "outlineViewHeightOfRowByItem", "outlineViewSelectionIsChanging",
        "outlineViewSelectionDidChange", "outlineViewItemWillExpand", "outlineViewItemDidExpand", "outlineViewItemWillCollapse",
        "outlineViewItemDidCollapse" });
}

JVLOutlineSourceList::JVLOutlineSourceList(Rect frame)
    : OutlineView(frame)
{
    OutlineView::setDelegate(this);
    OutlineView::setDataSource(this);
    setIconSize(MakeSize(16, 16));
    // The badges of selected rows follow the main window.
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    for (const QString& name : { WindowDidBecomeMainNotification, WindowDidResignMainNotification })
        center->addObserverSelectorNameObject(this, NotificationCenter::Handler([this](Notification*) { redrawSelectedRows(); }), name, nullptr);
}

JVLOutlineSourceList::~JVLOutlineSourceList()
{
    unregisterSecondaryDelegate();
    for (const QString& name : { WindowDidBecomeMainNotification, WindowDidResignMainNotification })
        NotificationCenter::defaultCenter()->removeObserverNameObject(this, name, nullptr);
}

// --- Secondaries ----------------------------------------------------------------------------------

JVLOutlineSourceListDataSource* JVLOutlineSourceList::conformingSource() const
{
    return sourceConforms_ ? dynamic_cast<JVLOutlineSourceListDataSource*>(secondaryDataSource_.lock().get()) : nullptr;
}

JVLOutlineSourceListDataSource* JVLOutlineSourceList::secondarySourceFor(bool has) const { return has ? conformingSource() : nullptr; }

JVLOutlineSourceListDelegate* JVLOutlineSourceList::secondaryDelegateFor(bool has) const
{
    return has ? dynamic_cast<JVLOutlineSourceListDelegate*>(secondaryDelegate_.lock().get()) : nullptr;
}

void JVLOutlineSourceList::unregisterSecondaryDelegate()
{
    if (secondaryDelegateIdentity_)
        NotificationCenter::defaultCenter()->removeObserverNameObject(const_cast<Object*>(secondaryDelegateIdentity_), QString(), this);
    secondaryDelegateIdentity_ = nullptr;
}

void JVLOutlineSourceList::registerSecondaryDelegate(Object* delegate)
{
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    for (const SourceListHandler& h : sourceListHandlers) {
        if (!delegate->respondsToSelector(Selector(h.handler)))
            continue;
        const Weak<Object> weak(delegate);
        const auto method = h.method;
        center->addObserverSelectorNameObject(
            delegate,
            NotificationCenter::Handler([weak, method](Notification* n) {
                const Ref<Object> d = weak.lock();
                if (auto* typed = dynamic_cast<JVLOutlineSourceListDelegate*>(d.get()))
                    (typed->*method)(n);
            }),
            h.notification, this);
    }
}

void JVLOutlineSourceList::setDelegate(Object* delegate)
{
    unregisterSecondaryDelegate();
    secondaryDelegate_ = delegate;
    const Ref<Object> d(delegate);
    delegateHas_.alwaysExpanded = sourceListResponds(d, "sourceListIsGroupAlwaysExpanded");
    delegateHas_.menu = sourceListResponds(d, "sourceListMenuForEventItem");
    delegateHas_.shouldExpand = sourceListResponds(d, "sourceListShouldExpandItem");
    delegateHas_.shouldCollapse = sourceListResponds(d, "sourceListShouldCollapseItem");
    delegateHas_.dataCell = sourceListResponds(d, "sourceListDataCellForItem");
    delegateHas_.willDisplay = sourceListResponds(d, "sourceListWillDisplayCellForItem");
    delegateHas_.shouldSelect = sourceListResponds(d, "sourceListShouldSelectItem");
    delegateHas_.proposal = sourceListResponds(d, "sourceListSelectionIndexesForProposedSelection");
    delegateHas_.shouldEdit = sourceListResponds(d, "sourceListShouldEditItem");
    delegateHas_.shouldTrack = sourceListResponds(d, "sourceListShouldTrackCellForItem");
    delegateHas_.heightOfRow = sourceListResponds(d, "sourceListHeightOfRowByItem");
    if (d) {
        secondaryDelegateIdentity_ = delegate;
        registerSecondaryDelegate(delegate);
    }
    // Installed again, so the outline view reads anew which operations the list answers.
    OutlineView::setDelegate(this);
}

void JVLOutlineSourceList::setDataSource(Object* dataSource)
{
    secondaryDataSource_ = dataSource;
    const Ref<Object> s(dataSource);
    sourceConforms_ = conformsToProtocol<JVLOutlineSourceListDataSource>(s.get());
    const auto has = [&](const char* operation) { return sourceConforms_ && sourceListResponds(s, operation); };
    sourceHas_.setObjectValue = has("sourceListSetObjectValueForItem");
    sourceHas_.hasBadge = has("sourceListItemHasBadge");
    sourceHas_.badgeValue = has("sourceListBadgeValueForItem");
    sourceHas_.badgeTextColor = has("sourceListBadgeTextColorForItem");
    sourceHas_.badgeBackgroundColor = has("sourceListBadgeBackgroundColorForItem");
    sourceHas_.hasIcon = has("sourceListItemHasIcon");
    sourceHas_.icon = has("sourceListIconForItem");
    sourceHas_.itemForPersistent = has("sourceListItemForPersistentObject");
    sourceHas_.persistentForItem = has("sourceListPersistentObjectForItem");
    sourceHas_.writeItems = has("sourceListWriteItemsToPasteboard");
    sourceHas_.draggingEnded = has("sourceListDraggingEnded");
    sourceHas_.validateDrop = has("sourceListValidateDropProposedItemProposedChildIndex");
    sourceHas_.acceptDrop = has("sourceListAcceptDropItemChildIndex");
    // Installed again: stores the list as the outline's data source and reloads.
    OutlineView::setDataSource(this);
}

bool JVLOutlineSourceList::respondsToSelector(const Selector& selector) const
{
    const QString& name = selector.name();
    if (name == QLatin1String("selectAll"))
        return false;
    // Without heights from the secondary the outline keeps uniform rows.
    if (name == QLatin1String("outlineViewHeightOfRowByItem"))
        return delegateHas_.heightOfRow;
    return OutlineView::respondsToSelector(selector);
}

// --- Groups, badges, icons ------------------------------------------------------------------------

void JVLOutlineSourceList::setIconSize(Size size)
{
    const double height = rowHeight();
    if (size.height > height && size.height > 0) {
        size.width *= height / size.height;
        size.height = height;
    }
    iconSize_ = size;
}

std::int64_t JVLOutlineSourceList::numberOfGroups()
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = conformingSource();
    return s ? s->sourceListNumberOfChildrenOfItem(this, Value()) : 0;
}

bool JVLOutlineSourceList::isGroupItem(const Value& item) const { return levelForItem(item) == 0; }

bool JVLOutlineSourceList::isGroupAlwaysExpanded(const Value& item)
{
    if (!isGroupItem(item))
        return false;
    const Ref<Object> keep = delegate();
    JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.alwaysExpanded);
    return d && d->sourceListIsGroupAlwaysExpanded(this, item);
}

bool JVLOutlineSourceList::itemHasBadge(const Value& item)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.hasBadge);
    return s && s->sourceListItemHasBadge(this, item);
}

std::int64_t JVLOutlineSourceList::badgeValueForItem(const Value& item)
{
    if (!itemHasBadge(item))
        return NotFound;
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.badgeValue);
    return s ? s->sourceListBadgeValueForItem(this, item) : NotFound;
}

namespace {

StringAttributes sourceListBadgeAttributes(Ref<Color> color)
{
    StringAttributes attributes;
    attributes.font = Font::boldSystemFontOfSize(sourceListBadgeFontSize);
    attributes.foregroundColor = std::move(color);
    return attributes;
}

} // namespace

Size JVLOutlineSourceList::sizeOfBadgeAtRow(std::int64_t row)
{
    const Value item = itemAtRow(row);
    if (!itemHasBadge(item))
        return ZeroSize;
    const std::int64_t value = badgeValueForItem(item);
    auto known = badgeTextWidths_.constFind(value);
    if (known == badgeTextWidths_.constEnd())
        known = badgeTextWidths_.insert(value, StringDrawing::sizeWithAttributes(QString::number(value), sourceListBadgeAttributes(nullptr)).width);
    return MakeSize(std::max(sourceListBadgeMinimumWidth, *known + sourceListBadgeTextPadding), sourceListBadgeHeight);
}

QStringList JVLOutlineSourceList::accessibilityTextsBesideCell(std::int64_t column, std::int64_t row)
{
    if (column != std::int64_t(tableColumns().size()) - 1)
        return {};
    if (const Value item = itemAtRow(row); itemHasBadge(item))
        return { QString::number(badgeValueForItem(item)) };
    return {};
}

void JVLOutlineSourceList::drawBadgeForRowInRect(std::int64_t row, Rect badgeFrame)
{
    const Value item = itemAtRow(row);
    const Ref<Window> main = Application::sharedApplication()->mainWindow();
    const bool mainVisible = main && main->isVisible();
    Ref<Color> fill;
    Ref<Color> text;
    if (isRowSelected(row)) {
        fill = Color::whiteColor();
        const Ref<Window> own = window();
        const bool focused = (own && own->firstResponder().get() == this) || editedRow() == row;
        if (!mainVisible)
            text = Color::colorWithCalibratedWhiteAlpha(170 / 255.0, 1);
        else if (focused)
            text = Color::keyboardFocusIndicatorColor();
        else
            text = Color::colorWithCalibratedRedGreenBlueAlpha(153 / 255.0, 169 / 255.0, 203 / 255.0, 1);
    } else if (mainVisible) {
        const Ref<Object> keep = dataSource();
        if (JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.badgeBackgroundColor))
            fill = s->sourceListBadgeBackgroundColorForItem(this, item);
        if (!fill)
            fill = sourceListDefaultBadgeBackground();
        if (JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.badgeTextColor))
            text = s->sourceListBadgeTextColorForItem(this, item);
        if (!text)
            text = Color::whiteColor();
    } else {
        fill = Color::colorWithDeviceWhiteAlpha(180 / 255.0, 1);
        text = Color::whiteColor();
    }
    fill->setFill();
    BezierPath::bezierPathWithRoundedRectXRadiusYRadius(badgeFrame, sourceListBadgeRadius, sourceListBadgeRadius)->fill();
    const QString label = QString::number(badgeValueForItem(item));
    const StringAttributes attributes = sourceListBadgeAttributes(text);
    // Digits: measured and drawn from the font's advances, without shaping.
    fastline::PlainLine line;
    const bool plain = fastline::PlainTitleOf(AttributedString(label), attributes, &line);
    const Size size = plain ? fastline::SizeOfLine(label, line) : StringDrawing::sizeWithAttributes(label, attributes);
    const Point at = MakePoint(badgeFrame.midX() - size.width / 2, badgeFrame.midY() - size.height / 2);
    if (plain)
        fastline::DrawLineAtPoint(label, line, at);
    else
        StringDrawing::drawAtPointWithAttributes(label, at, attributes);
}

// --- Reload and selection -------------------------------------------------------------------------

void JVLOutlineSourceList::reloadData()
{
    OutlineView::reloadData();
    if (conformingSource() && delegateHas_.alwaysExpanded && numberOfGroups() > 0) {
        for (std::int64_t index = 0; index < numberOfGroups(); ++index) {
            const Ref<Object> keep = dataSource();
            JVLOutlineSourceListDataSource* s = conformingSource();
            if (!s)
                break;
            const Value group = s->sourceListChildOfItem(this, index, Value());
            if (isGroupAlwaysExpanded(group))
                expandItemExpandChildren(group, false);
        }
    }
    repairSelection();
}

void JVLOutlineSourceList::repairSelection()
{
    const std::int64_t rows = numberOfRows();
    if (numberOfSelectedRows() == 0) {
        if (allowsEmptySelection() || rows == 0)
            return;
        for (std::int64_t row = 0; row < rows; ++row)
            if (!isGroupRowOfList(row)) {
                selectRowIndexesByExtendingSelection(IndexSet(row), false);
                return;
            }
        return;
    }
    const std::int64_t first = selectedRowIndexes().firstIndex();
    if (!isGroupRowOfList(first))
        return;
    for (std::int64_t row = first - 1; row >= 1; --row)
        if (!isGroupRowOfList(row)) {
            selectRowIndexesByExtendingSelection(IndexSet(row), false);
            return;
        }
    // Past our own funnel, which keeps a selection that may not be empty: a group row must not
    // stay selected.
    OutlineView::selectRowIndexesByExtendingSelection(IndexSet(), false);
}

void JVLOutlineSourceList::selectRowIndexesByExtendingSelection(const IndexSet& indexes, bool extend)
{
    if (indexes.isEmpty() && !allowsEmptySelection())
        return;
    MutableIndexSet kept;
    for (const Range& r : indexes.ranges())
        for (std::int64_t row = r.location; row < MaxRange(r); ++row)
            if (!isGroupRowOfList(row))
                kept.addIndex(row);
    // A set of group rows alone must not empty a selection that may not be empty either.
    if (kept.isEmpty() && !indexes.isEmpty() && !allowsEmptySelection())
        return;
    OutlineView::selectRowIndexesByExtendingSelection(kept, extend);
}

// --- Geometry and drawing -------------------------------------------------------------------------

Rect JVLOutlineSourceList::frameOfCellAtColumnRow(std::int64_t column, std::int64_t row)
{
    if (drawingRowFrame_ && drawingRowFrame_->row == row && drawingRowFrame_->column == column)
        return drawingRowFrame_->frame;
    const Rect frame = cellFrameAtColumnRow(column, row);
    if (drawingRowFrame_ && drawingRowFrame_->row == row)
        drawingRowFrame_ = RowFrame { row, column, frame };
    return frame;
}

Rect JVLOutlineSourceList::cellFrameAtColumnRow(std::int64_t column, std::int64_t row)
{
    const Rect base = OutlineView::frameOfCellAtColumnRow(column, row);
    if (row < 0 || row >= numberOfRows())
        return base;
    double height = base.height();
    if (const Ref<Cell> cell = preparedCellAtColumnRow(column, row))
        height = cell->type() == TextCellType || cell->type() == ImageCellType ? cell->cellSize().height : cell->cellSizeForBounds(base).height;
    const Rect rowRect = rectOfRow(row);
    const Value item = itemAtRow(row);
    if (isGroupItem(item)) {
        const double x = isGroupAlwaysExpanded(item) ? sourceListAlwaysExpandedGroupX : base.minX();
        return MakeRect(x, base.midY() - height / 2, rowRect.width() - x, height);
    }
    double x = indentationPerLevel() * double(levelForRow(row)) + sourceListCellLeftMargin;
    const Ref<Object> keep = dataSource();
    if (JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.hasIcon); s && s->sourceListItemHasIcon(this, item))
        x += iconSize_.width + sourceListIconGap;
    const double badgeWidth = sizeOfBadgeAtRow(row).width;
    return MakeRect(x, rowRect.midY() - height / 2, rowRect.width() - (badgeWidth + sourceListBadgeRightMargin) - x, height);
}

Rect JVLOutlineSourceList::frameOfOutlineCellAtRow(std::int64_t row)
{
    if (row >= 0 && row < numberOfRows() && isGroupAlwaysExpanded(itemAtRow(row)))
        return ZeroRect;
    return OutlineView::frameOfOutlineCellAtRow(row);
}

void JVLOutlineSourceList::drawRowClipRect(std::int64_t row, Rect clipRect)
{
    drawingRowFrame_ = RowFrame { row, -1, ZeroRect };
    struct EndRow {
        std::optional<RowFrame>& frame;
        ~EndRow() { frame.reset(); }
    } endRow { drawingRowFrame_ };
    OutlineView::drawRowClipRect(row, clipRect);
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithPainter(painter, isFlipped());
    GraphicsContext::Scope scope(context);
    const Value item = itemAtRow(row);
    const Ref<Object> keep = dataSource();
    if (!isGroupItem(item)) {
        if (JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.hasIcon); s && s->sourceListItemHasIcon(this, item)) {
            const Rect cell = frameOfCellAtColumnRow(0, row);
            const Rect box = MakeRect(cell.minX() - iconSize_.width - sourceListIconRightGap, cell.midY() - iconSize_.height / 2, iconSize_.width,
                iconSize_.height);
            const Ref<Image> icon = sourceHas_.icon ? s->sourceListIconForItem(this, item) : nullptr;
            if (icon) {
                // Drawn upright in the flipped list without touching the (usually shared) image.
                const Size own = icon->size();
                const Rect placed = own.width < box.width() || own.height < box.height()
                    ? MakeRect(box.midX() - own.width / 2, box.midY() - own.height / 2, own.width, own.height)
                    : box;
                icon->drawInRectFromRectOperationFractionRespectFlippedHints(placed, ZeroRect, CompositeSourceOver, 1.0, true);
            }
        }
    }
    if (itemHasBadge(item)) {
        const Size size = sizeOfBadgeAtRow(row);
        const Rect rowRect = rectOfRow(row);
        drawBadgeForRowInRect(row,
            MakeRect(rowRect.maxX() - sourceListBadgeRightMargin - size.width, rowRect.midY() - size.height / 2, size.width, size.height));
    }
}

// --- Input ----------------------------------------------------------------------------------------

void JVLOutlineSourceList::keyDown(const Event& event)
{
    const QString characters = event.characters();
    if (numberOfSelectedRows() > 0 && !characters.isEmpty()) {
        const char16_t key = characters.at(0).unicode();
        if ((key == UpArrowFunctionKey || key == DownArrowFunctionKey) && numberOfSelectedRows() == 1 && !(event.modifierFlags() & ShiftKeyMask)) {
            const std::int64_t step = key == UpArrowFunctionKey ? -1 : 1;
            std::int64_t row = selectedRow() + step;
            while (row >= 0 && row < numberOfRows() && isGroupRowOfList(row))
                row += step;
            if (row >= 0 && row < numberOfRows()) {
                selectRowIndexesByExtendingSelection(IndexSet(row), false);
                scrollRowToVisible(row);
            }
            return;
        }
        if (key == 8 || key == 127) {
            NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(
                JVLOutlineSourceListDeleteKeyPressedOnRowsNotification, this, { { JVLOutlineSourceListRowsKey, Value(selectedRowIndexes()) } });
            return;
        }
    }
    OutlineView::keyDown(event);
}

Ref<Object> JVLOutlineSourceList::menuForEvent(const Event& event)
{
    const Ref<Object> keep = delegate();
    if (JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.menu)) {
        const std::int64_t row = rowAtPoint(convertPointFromView(event.locationInWindow(), nullptr));
        const Value item = row >= 0 ? itemAtRow(row) : Value();
        if (Ref<Menu> menu = d->sourceListMenuForEventItem(this, event, item))
            return menu;
    }
    return OutlineView::menuForEvent(event);
}

void JVLOutlineSourceList::draggingEnded(DraggingInfo& info)
{
    // The outline's own drop marker goes; the rest is the data source's.
    OutlineView::draggingEnded(info);
    const Ref<Object> keep = dataSource();
    if (JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.draggingEnded))
        s->sourceListDraggingEnded(this, info);
}

// --- The outline data source ----------------------------------------------------------------------

std::int64_t JVLOutlineSourceList::outlineViewNumberOfChildrenOfItem(OutlineView*, const Value& item)
{
    const Ref<Object> keep = dataSource();
    if (JVLOutlineSourceListDataSource* s = conformingSource())
        return s->sourceListNumberOfChildrenOfItem(this, item);
    if (keep)
        log(sourceListNotConformingLog, keep->description());
    return 0;
}

Value JVLOutlineSourceList::outlineViewChildOfItem(OutlineView*, std::int64_t index, const Value& item)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = conformingSource();
    return s ? s->sourceListChildOfItem(this, index, item) : Value();
}

bool JVLOutlineSourceList::outlineViewIsItemExpandable(OutlineView*, const Value& item)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = conformingSource();
    return s && s->sourceListIsItemExpandable(this, item);
}

Value JVLOutlineSourceList::outlineViewObjectValueForTableColumnByItem(OutlineView*, TableColumn*, const Value& item)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = conformingSource();
    return s ? s->sourceListObjectValueForItem(this, item) : Value();
}

void JVLOutlineSourceList::outlineViewSetObjectValueForTableColumnByItem(OutlineView*, const Value& value, TableColumn*, const Value& item)
{
    const Ref<Object> keep = dataSource();
    if (JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.setObjectValue))
        s->sourceListSetObjectValueForItem(this, value, item);
}

Value JVLOutlineSourceList::outlineViewItemForPersistentObject(OutlineView*, const Value& object)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.itemForPersistent);
    return s ? s->sourceListItemForPersistentObject(this, object) : Value();
}

Value JVLOutlineSourceList::outlineViewPersistentObjectForItem(OutlineView*, const Value& item)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.persistentForItem);
    return s ? s->sourceListPersistentObjectForItem(this, item) : Value();
}

bool JVLOutlineSourceList::outlineViewWriteItemsToPasteboard(OutlineView*, const Array& items, Pasteboard* pasteboard)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.writeItems);
    return s && s->sourceListWriteItemsToPasteboard(this, items, pasteboard);
}

std::uint64_t JVLOutlineSourceList::outlineViewValidateDropProposedItemProposedChildIndex(
    OutlineView*, DraggingInfo& info, const Value& item, std::int64_t index)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.validateDrop);
    return s ? s->sourceListValidateDropProposedItemProposedChildIndex(this, info, item, index) : DragOperationNone;
}

bool JVLOutlineSourceList::outlineViewAcceptDropItemChildIndex(OutlineView*, DraggingInfo& info, const Value& item, std::int64_t index)
{
    const Ref<Object> keep = dataSource();
    JVLOutlineSourceListDataSource* s = secondarySourceFor(sourceHas_.acceptDrop);
    return s && s->sourceListAcceptDropItemChildIndex(this, info, item, index);
}

// --- The outline delegate -------------------------------------------------------------------------

void JVLOutlineSourceList::outlineViewWillDisplayCellForTableColumnItem(OutlineView*, Cell* cell, TableColumn*, const Value& item)
{
    const Ref<Object> keep = delegate();
    if (JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.willDisplay))
        d->sourceListWillDisplayCellForItem(this, cell, item);
}

bool JVLOutlineSourceList::outlineViewShouldSelectItem(OutlineView*, const Value& item)
{
    if (isGroupItem(item))
        return false;
    const Ref<Object> keep = delegate();
    JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.shouldSelect);
    return !d || d->sourceListShouldSelectItem(this, item);
}

IndexSet JVLOutlineSourceList::outlineViewSelectionIndexesForProposedSelection(OutlineView*, const IndexSet& proposed)
{
    if (numberOfSelectedRows() == 0 && !proposed.isEmpty() && isGroupRowOfList(proposed.firstIndex()))
        return IndexSet();
    const Ref<Object> keep = delegate();
    JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.proposal);
    return d ? d->sourceListSelectionIndexesForProposedSelection(this, proposed) : proposed;
}

bool JVLOutlineSourceList::outlineViewShouldEditTableColumnItem(OutlineView*, TableColumn*, const Value& item)
{
    if (isGroupItem(item))
        return false;
    const Ref<Object> keep = delegate();
    JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.shouldEdit);
    return !d || d->sourceListShouldEditItem(this, item);
}

bool JVLOutlineSourceList::outlineViewShouldTrackCellForTableColumnItem(OutlineView*, Cell* cell, TableColumn*, const Value& item)
{
    const Ref<Object> keep = delegate();
    JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.shouldTrack);
    return d && d->sourceListShouldTrackCellForItem(this, cell, item);
}

Ref<Cell> JVLOutlineSourceList::outlineViewDataCellForTableColumnItem(OutlineView*, TableColumn*, const Value& item)
{
    const Ref<Object> keep = delegate();
    if (JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.dataCell))
        return d->sourceListDataCellForItem(this, item);
    if (tableColumns().empty())
        return nullptr;
    return tableColumns().front()->dataCellForRow(rowForItem(item));
}

bool JVLOutlineSourceList::outlineViewIsGroupItem(OutlineView*, const Value& item) { return isGroupItem(item); }

bool JVLOutlineSourceList::outlineViewShouldExpandItem(OutlineView*, const Value& item)
{
    const Ref<Object> keep = delegate();
    JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.shouldExpand);
    return !d || d->sourceListShouldExpandItem(this, item);
}

bool JVLOutlineSourceList::outlineViewShouldCollapseItem(OutlineView*, const Value& item)
{
    if (isGroupAlwaysExpanded(item))
        return false;
    const Ref<Object> keep = delegate();
    JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.shouldCollapse);
    return !d || d->sourceListShouldCollapseItem(this, item);
}

double JVLOutlineSourceList::outlineViewHeightOfRowByItem(OutlineView*, const Value& item)
{
    const Ref<Object> keep = delegate();
    JVLOutlineSourceListDelegate* d = secondaryDelegateFor(delegateHas_.heightOfRow);
    return d ? d->sourceListHeightOfRowByItem(this, item) : rowHeight();
}

void JVLOutlineSourceList::forwardNotification(const QString& name, Notification* notification)
{
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(name, this, notification ? notification->userInfo() : Dictionary());
}

void JVLOutlineSourceList::outlineViewSelectionIsChanging(Notification* n) { forwardNotification(JVLOutlineSourceListSelectionIsChangingNotification, n); }
void JVLOutlineSourceList::outlineViewSelectionDidChange(Notification* n) { forwardNotification(JVLOutlineSourceListSelectionDidChangeNotification, n); }
void JVLOutlineSourceList::outlineViewItemWillExpand(Notification* n) { forwardNotification(JVLOutlineSourceListItemWillExpandNotification, n); }
void JVLOutlineSourceList::outlineViewItemDidExpand(Notification* n) { forwardNotification(JVLOutlineSourceListItemDidExpandNotification, n); }
void JVLOutlineSourceList::outlineViewItemWillCollapse(Notification* n) { forwardNotification(JVLOutlineSourceListItemWillCollapseNotification, n); }
void JVLOutlineSourceList::outlineViewItemDidCollapse(Notification* n) { forwardNotification(JVLOutlineSourceListItemDidCollapseNotification, n); }
