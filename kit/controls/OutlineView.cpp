#include "kit/controls/OutlineView.h"

#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/UserDefaults.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace kit {

KIT_REGISTER_CLASS(OutlineView, TableView) { }

namespace {
bool outlineResponds(const Ref<Object>& object, const char* operation) { return object && object->respondsToSelector(Selector(operation)); }

using OutlineItemSet = std::unordered_set<Value, detail::OutlineItemHash, detail::OutlineItemEqual>;
} // namespace

OutlineView::OutlineView(Rect frame)
    : TableView(frame)
    , root_(std::make_unique<Node>())
{
    root_->expanded = true;
    rows_.setUniformSpan(uniformRowSpan());
}

OutlineView::~OutlineView() = default;

// --- Delegate and data source ----------------------------------------------------------------------

OutlineViewDataSource* OutlineView::source() const { return dynamic_cast<OutlineViewDataSource*>(dataSource().get()); }

OutlineViewDelegate* OutlineView::outlineDelegate() const { return dynamic_cast<OutlineViewDelegate*>(delegate().get()); }

void OutlineView::setDelegate(Object* delegate)
{
    const Ref<Object> d(delegate);
    const bool hadHeights = delegateHas_.heightOfRow;
    delegateHas_.willDisplay = outlineResponds(d, "outlineViewWillDisplayCellForTableColumnItem");
    delegateHas_.shouldSelect = outlineResponds(d, "outlineViewShouldSelectItem");
    delegateHas_.proposal = outlineResponds(d, "outlineViewSelectionIndexesForProposedSelection");
    delegateHas_.shouldEdit = outlineResponds(d, "outlineViewShouldEditTableColumnItem");
    delegateHas_.shouldTrack = outlineResponds(d, "outlineViewShouldTrackCellForTableColumnItem");
    delegateHas_.dataCell = outlineResponds(d, "outlineViewDataCellForTableColumnItem");
    delegateHas_.isGroup = outlineResponds(d, "outlineViewIsGroupItem");
    delegateHas_.shouldExpand = outlineResponds(d, "outlineViewShouldExpandItem");
    delegateHas_.shouldCollapse = outlineResponds(d, "outlineViewShouldCollapseItem");
    delegateHas_.heightOfRow = outlineResponds(d, "outlineViewHeightOfRowByItem");
    TableView::setDelegate(delegate);
    if (hadHeights != delegateHas_.heightOfRow) {
        rows_.setVariableHeights(false);
        if (rows_.count() > 0)
            reloadData();
    }
}

void OutlineView::setDataSource(Object* dataSource)
{
    const Ref<Object> s(dataSource);
    sourceHas_.children = outlineResponds(s, "outlineViewNumberOfChildrenOfItem");
    sourceHas_.child = outlineResponds(s, "outlineViewChildOfItem");
    sourceHas_.expandable = outlineResponds(s, "outlineViewIsItemExpandable");
    sourceHas_.objectValue = outlineResponds(s, "outlineViewObjectValueForTableColumnByItem");
    sourceHas_.setObjectValue = outlineResponds(s, "outlineViewSetObjectValueForTableColumnByItem");
    sourceHas_.itemForPersistent = outlineResponds(s, "outlineViewItemForPersistentObject");
    sourceHas_.persistentForItem = outlineResponds(s, "outlineViewPersistentObjectForItem");
    sourceHas_.writeItems = outlineResponds(s, "outlineViewWriteItemsToPasteboard");
    sourceHas_.validateDrop = outlineResponds(s, "outlineViewValidateDropProposedItemProposedChildIndex");
    sourceHas_.acceptDrop = outlineResponds(s, "outlineViewAcceptDropItemChildIndex");
    restorePending_ = true;
    TableView::setDataSource(dataSource);
}

std::vector<TableView::HandlerName> OutlineView::delegateNotificationHandlers() const
{
    return {
        { OutlineViewSelectionIsChangingNotification, "outlineViewSelectionIsChanging" },
        { OutlineViewSelectionDidChangeNotification, "outlineViewSelectionDidChange" },
        { OutlineViewItemWillExpandNotification, "outlineViewItemWillExpand" },
        { OutlineViewItemDidExpandNotification, "outlineViewItemDidExpand" },
        { OutlineViewItemWillCollapseNotification, "outlineViewItemWillCollapse" },
        { OutlineViewItemDidCollapseNotification, "outlineViewItemDidCollapse" },
    };
}

void OutlineView::deliverDelegateNotification(Object* delegate, const QString& handler, Notification* n)
{
    auto* d = dynamic_cast<OutlineViewDelegate*>(delegate);
    if (!d)
        return;
    using Handler = void (OutlineViewDelegate::*)(Notification*);
    static const std::pair<const char*, Handler> handlers[] = {
        { "outlineViewSelectionIsChanging", &OutlineViewDelegate::outlineViewSelectionIsChanging },
        { "outlineViewSelectionDidChange", &OutlineViewDelegate::outlineViewSelectionDidChange },
        { "outlineViewItemWillExpand", &OutlineViewDelegate::outlineViewItemWillExpand },
        { "outlineViewItemDidExpand", &OutlineViewDelegate::outlineViewItemDidExpand },
        { "outlineViewItemWillCollapse", &OutlineViewDelegate::outlineViewItemWillCollapse },
        { "outlineViewItemDidCollapse", &OutlineViewDelegate::outlineViewItemDidCollapse },
    };
    for (const auto& [name, method] : handlers)
        if (handler == QLatin1String(name))
            (d->*method)(n);
}

// --- The tree --------------------------------------------------------------------------------------

void OutlineView::indexLoadedNodes() const
{
    if (unindexed_.empty())
        return;
    // A batch that at least doubles the map grows it once; smaller ones let it grow as it does.
    if (unindexed_.size() > nodes_.size())
        nodes_.reserve(nodes_.size() + unindexed_.size());
    for (Node* n : unindexed_)
        nodes_[detail::OutlineItemKey(n->item)] = n;
    unindexed_.clear();
}

OutlineView::Node* OutlineView::nodeForItem(const Value& item) const
{
    if (item.isNil())
        return root_.get();
    indexLoadedNodes();
    const auto it = nodes_.find(detail::OutlineItemKey(item));
    return it == nodes_.end() ? nullptr : it->second;
}

void OutlineView::load(Node* node)
{
    if (node->loaded)
        return;
    node->loaded = true;
    OutlineViewDataSource* s = source();
    const Ref<Object> keep = dataSource();
    if (!s || !sourceHas_.children || !sourceHas_.child)
        return;
    const std::int64_t count = std::max<std::int64_t>(0, s->outlineViewNumberOfChildrenOfItem(this, node->item));
    node->children.reserve(std::size_t(count));
    for (std::int64_t i = 0; i < count; ++i) {
        auto child = std::make_unique<Node>();
        child->item = s->outlineViewChildOfItem(this, i, node->item);
        child->parent = node;
        child->level = node->level + 1;
        child->expandable = sourceHas_.expandable && s->outlineViewIsItemExpandable(this, child->item);
        unindexed_.push_back(child.get());
        node->children.push_back(std::move(child));
    }
}

void OutlineView::unload(Node* node)
{
    indexLoadedNodes();
    for (auto& child : node->children) {
        unload(child.get());
        if (const auto it = nodes_.find(detail::OutlineItemKey(child->item)); it != nodes_.end() && it->second == child.get())
            nodes_.erase(it);
    }
    node->children.clear();
    node->loaded = false;
}

void OutlineView::ensureHeight(Node* node)
{
    if (!rows_.variableHeights() || node->height >= 0)
        return;
    OutlineViewDelegate* d = outlineDelegate();
    const double h = d ? d->outlineViewHeightOfRowByItem(this, node->item) : rowHeight();
    node->height = std::max(1.0, std::isfinite(h) ? h : rowHeight()) + intercellSpacing().height;
}

void OutlineView::collectVisible(Node* node, std::vector<Node*>& out)
{
    load(node);
    for (auto& child : node->children) {
        ensureHeight(child.get());
        out.push_back(child.get());
        if (child->expanded)
            collectVisible(child.get(), out);
    }
}

std::int64_t OutlineView::countVisible(const Node* node) const
{
    if (!node->expanded)
        return 0;
    std::int64_t n = 0;
    for (const auto& child : node->children)
        n += 1 + countVisible(child.get());
    return n;
}

void OutlineView::refreshDescendants(Node* node, std::int64_t oldCount)
{
    const std::int64_t row = node == root_.get() ? -1 : rows_.rowOf(node);
    const std::int64_t first = row + 1;
    // The selected items among the rows being replaced, to find them again afterwards.
    MutableIndexSet selection(selectedRowIndexes());
    std::vector<Node*> selectedInside;
    for (const Range& r : selection.ranges()) {
        const std::int64_t from = std::max(r.location, first), to = std::min(MaxRange(r), first + oldCount);
        for (std::int64_t i = from; i < to; ++i)
            selectedInside.push_back(rows_.nodeAt(i));
    }
    rows_.erase(first, oldCount);
    std::vector<Node*> shown;
    if (node->expanded)
        collectVisible(node, shown);
    rows_.insert(first, shown);
    selection.removeIndexesInRange({ first, oldCount });
    selection.shiftIndexesStartingAtIndex(first + oldCount, std::int64_t(shown.size()) - oldCount);
    bool lost = false;
    for (Node* n : selectedInside) {
        if (n->block)
            selection.addIndex(rows_.rowOf(n));
        else
            lost = true;
    }
    if (anchorRow_ >= first + oldCount)
        anchorRow_ += std::int64_t(shown.size()) - oldCount;
    else if (anchorRow_ >= first)
        anchorRow_ = -1;
    if (cursorRow_ >= first + oldCount)
        cursorRow_ += std::int64_t(shown.size()) - oldCount;
    else if (cursorRow_ >= first)
        cursorRow_ = -1;
    replaceSelection(selection, lost);
    tile();
    setNeedsDisplay(true);
}

void OutlineView::postItemNotification(const QString& name, const Node* node)
{
    Dictionary info;
    info.setObjectForKey(node->item, QStringLiteral("NSObject"));
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(name, this, info);
}

void OutlineView::reloadData()
{
    endCellEditing();
    OutlineItemSet keep;
    indexLoadedNodes();
    for (const auto& [key, node] : nodes_)
        if (node->expanded)
            keep.insert(key.item);
    if (restorePending_ && autosaveExpandedItems_ && !autosaveName_.isEmpty() && sourceHas_.itemForPersistent && dataSource()) {
        restorePending_ = false;
        const Ref<Object> hold = dataSource();
        OutlineViewDataSource* s = source();
        for (const Value& stored : UserDefaults::standardUserDefaults()->arrayForKey(autosaveKey()))
            if (const Value item = s ? s->outlineViewItemForPersistentObject(this, stored) : Value(); !item.isNil())
                keep.insert(item);
    }
    rows_.clear();
    rows_.setUniformSpan(uniformRowSpan());
    rows_.setVariableHeights(delegateHas_.heightOfRow);
    nodes_.clear();
    unindexed_.clear();
    root_ = std::make_unique<Node>();
    root_->expanded = true;
    // Identical items keep their expansion.
    const auto expandKept = [&](auto& self, Node* node) -> void {
        load(node);
        for (auto& child : node->children)
            if (child->expandable && keep.count(child->item)) {
                child->expanded = true;
                self(self, child.get());
            }
    };
    expandKept(expandKept, root_.get());
    std::vector<Node*> shown;
    collectVisible(root_.get(), shown);
    rows_.insert(0, shown);
    TableView::reloadData();
}

Value OutlineView::itemAtRow(std::int64_t row) const
{
    const Node* n = rows_.nodeAt(row);
    return n ? n->item : Value();
}

std::int64_t OutlineView::rowForItem(const Value& item) const
{
    const Node* n = item.isNil() ? nullptr : nodeForItem(item);
    return n ? rows_.rowOf(n) : -1;
}

std::int64_t OutlineView::levelForItem(const Value& item) const
{
    const Node* n = item.isNil() ? nullptr : nodeForItem(item);
    return n ? n->level : -1;
}

std::int64_t OutlineView::levelForRow(std::int64_t row) const
{
    const Node* n = rows_.nodeAt(row);
    return n ? n->level : -1;
}

Value OutlineView::parentForItem(const Value& item) const
{
    const Node* n = item.isNil() ? nullptr : nodeForItem(item);
    return n && n->parent ? n->parent->item : Value();
}

bool OutlineView::isExpandable(const Value& item) const
{
    const Node* n = nodeForItem(item);
    return n && (n == root_.get() || n->expandable);
}

bool OutlineView::isItemExpanded(const Value& item) const
{
    const Node* n = nodeForItem(item);
    return n && n->expanded;
}

void OutlineView::expandItemExpandChildren(const Value& item, bool expandChildren)
{
    endCellEditing();
    Node* node = nodeForItem(item);
    if (!node || (node != root_.get() && !node->expandable))
        return;
    const Ref<OutlineView> keep(this);
    const std::int64_t oldCount = isShown(node) ? countVisible(node) : 0;
    // Every item that changes state, depth first; children are loaded to know them.
    std::vector<Node*> changing;
    const auto gather = [&](auto& self, Node* n) -> void {
        if (!n->expanded)
            changing.push_back(n);
        if (!expandChildren)
            return;
        load(n);
        for (auto& child : n->children)
            if (child->expandable)
                self(self, child.get());
    };
    gather(gather, node);
    if (changing.empty())
        return;
    for (const Node* n : changing)
        postItemNotification(OutlineViewItemWillExpandNotification, n);
    for (Node* n : changing)
        n->expanded = true;
    if (isShown(node))
        refreshDescendants(node, oldCount);
    for (const Node* n : changing)
        postItemNotification(OutlineViewItemDidExpandNotification, n);
    accessibilityItemExpansionDidChange(item);
    saveExpandedItems();
}

void OutlineView::collapseItemCollapseChildren(const Value& item, bool collapseChildren)
{
    endCellEditing();
    Node* node = nodeForItem(item);
    if (!node || (node == root_.get() && !collapseChildren))
        return;
    const Ref<OutlineView> keep(this);
    std::vector<Node*> changing;
    const auto gather = [&](auto& self, Node* n) -> void {
        if (n->expanded && n != root_.get())
            changing.push_back(n);
        if (!collapseChildren)
            return;
        for (auto& child : n->children)
            self(self, child.get());
    };
    gather(gather, node);
    if (changing.empty())
        return;
    const std::int64_t oldCount = isShown(node) ? countVisible(node) : 0;
    for (const Node* n : changing)
        postItemNotification(OutlineViewItemWillCollapseNotification, n);
    for (Node* n : changing)
        n->expanded = false;
    if (isShown(node))
        refreshDescendants(node, oldCount);
    for (const Node* n : changing)
        postItemNotification(OutlineViewItemDidCollapseNotification, n);
    accessibilityItemExpansionDidChange(item);
    saveExpandedItems();
}

void OutlineView::reloadItemReloadChildren(const Value& item, bool reloadChildren)
{
    Node* node = nodeForItem(item);
    if (!node)
        return;
    if (!reloadChildren) {
        const std::int64_t row = rowForItem(item);
        if (row >= 0)
            setNeedsDisplayInRow(row);
        return;
    }
    const std::int64_t oldCount = isShown(node) ? countVisible(node) : 0;
    OutlineItemSet kept;
    const auto remember = [&](auto& self, const Node* n) -> void {
        for (const auto& child : n->children) {
            if (child->expanded)
                kept.insert(child->item);
            self(self, child.get());
        }
    };
    remember(remember, node);
    // The shown rows go first: their nodes are about to be freed.
    if (isShown(node)) {
        const std::int64_t row = node == root_.get() ? -1 : rows_.rowOf(node);
        MutableIndexSet selection(selectedRowIndexes());
        const bool hadSelectionInside = selection.intersectsIndexesInRange({ row + 1, oldCount });
        selection.removeIndexesInRange({ row + 1, oldCount });
        selection.shiftIndexesStartingAtIndex(row + 1 + oldCount, -oldCount);
        rows_.erase(row + 1, oldCount);
        replaceSelection(selection, hadSelectionInside);
    }
    unload(node);
    if (node != root_.get()) {
        OutlineViewDataSource* s = source();
        node->expandable = s && sourceHas_.expandable && s->outlineViewIsItemExpandable(this, node->item);
    }
    const auto expandKept = [&](auto& self, Node* n) -> void {
        load(n);
        for (auto& child : n->children)
            if (child->expandable && kept.count(child->item)) {
                child->expanded = true;
                self(self, child.get());
            }
    };
    if (node->expanded)
        expandKept(expandKept, node);
    if (isShown(node))
        refreshDescendants(node, 0);
}

void OutlineView::saveExpandedItems()
{
    if (!autosaveExpandedItems_ || autosaveName_.isEmpty() || !sourceHas_.persistentForItem)
        return;
    const Ref<Object> hold = dataSource();
    OutlineViewDataSource* s = source();
    if (!s)
        return;
    Array stored;
    const auto walk = [&](auto& self, const Node* n) -> void {
        for (const auto& child : n->children) {
            if (!child->expanded)
                continue;
            if (const Value object = s->outlineViewPersistentObjectForItem(this, child->item); !object.isNil())
                stored.addObject(object);
            self(self, child.get());
        }
    };
    walk(walk, root_.get());
    UserDefaults::standardUserDefaults()->setObjectForKey(stored, autosaveKey());
}

// --- Geometry ----------------------------------------------------------------------------------------

double OutlineView::rowTop(std::int64_t row) const { return rows_.variableHeights() ? rows_.top(row) : TableView::rowTop(row); }

double OutlineView::rowSpan(std::int64_t row) const { return rows_.variableHeights() ? rows_.span(row) : TableView::rowSpan(row); }

std::int64_t OutlineView::rowAtY(double y) const { return rows_.variableHeights() ? rows_.rowAtY(y) : TableView::rowAtY(y); }

double OutlineView::rowsHeight() const { return rows_.variableHeights() ? rows_.totalHeight() : TableView::rowsHeight(); }

void OutlineView::noteHeightOfRowsWithIndexesChanged(const IndexSet& rows)
{
    if (!rows_.variableHeights())
        return;
    for (const Range& r : rows.ranges())
        for (std::int64_t row = r.location; row < std::min(MaxRange(r), numberOfRows()); ++row) {
            Node* n = rows_.nodeAt(row);
            const double old = n->height;
            n->height = -1;
            ensureHeight(n);
            rows_.noteHeightChanged(n, old);
        }
    tile();
    setNeedsDisplay(true);
}

Ref<TableColumn> OutlineView::outlineTableColumn() const
{
    if (const Ref<TableColumn> c = outlineColumn_.lock(); c && c->tableView().get() == this)
        return c;
    return tableColumns().empty() ? nullptr : tableColumns().front();
}

void OutlineView::setOutlineTableColumn(TableColumn* column)
{
    outlineColumn_ = column;
    setNeedsDisplay(true);
}

std::int64_t OutlineView::outlineColumnIndex() const
{
    const Ref<TableColumn> c = outlineTableColumn();
    const auto& columns = tableColumns();
    const auto it = std::find(columns.begin(), columns.end(), c);
    return it == columns.end() ? -1 : std::int64_t(it - columns.begin());
}

void OutlineView::setIndentationPerLevel(double indentation)
{
    indentationPerLevel_ = std::max(0.0, indentation);
    setNeedsDisplay(true);
}

double OutlineView::cellIndentOfRow(std::int64_t row) const { return double(levelForRow(row) + 1) * indentationPerLevel_; }

Rect OutlineView::frameOfOutlineCellAtRow(std::int64_t row)
{
    const Node* n = rows_.nodeAt(row);
    const std::int64_t column = outlineColumnIndex();
    if (!n || !n->expandable || column < 0)
        return ZeroRect;
    const Rect columnRect = rectOfColumn(column);
    const Rect rowRect = rectOfRow(row);
    return MakeRect(columnRect.minX() + double(n->level) * indentationPerLevel_, rowRect.minY(), indentationPerLevel_, rowRect.height());
}

void OutlineView::drawDisclosureOfRow(std::int64_t row)
{
    QPainter* painter = View::currentPainter();
    const Rect frame = frameOfOutlineCellAtRow(row);
    const Node* n = rows_.nodeAt(row);
    if (!painter || !n || IsEmptyRect(frame))
        return;
    QStyleOption option;
    InitStyleOption(option, this, QRectF(), true, false);
    option.state |= QStyle::State_Children;
    if (n->expanded)
        option.state |= QStyle::State_Open;
    if (isRowSelected(row))
        option.state |= QStyle::State_Selected;
    painter->save();
    painter->translate(frame.minX(), frame.minY());
    option.rect = QRect(0, 0, int(std::ceil(frame.width())), int(std::ceil(frame.height())));
    QApplication::style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, nullptr);
    painter->restore();
}

// --- Questions in items ----------------------------------------------------------------------------

Value OutlineView::objectValueForColumnRow(TableColumn* column, std::int64_t row)
{
    OutlineViewDataSource* s = source();
    const Ref<Object> keep = dataSource();
    return s && sourceHas_.objectValue ? s->outlineViewObjectValueForTableColumnByItem(this, column, itemAtRow(row)) : Value();
}

Ref<Cell> OutlineView::dataCellForColumnRow(TableColumn* column, std::int64_t row)
{
    if (delegateHas_.dataCell) {
        const Ref<Object> keep = delegate();
        if (OutlineViewDelegate* d = outlineDelegate())
            if (Ref<Cell> cell = d->outlineViewDataCellForTableColumnItem(this, column, itemAtRow(row)))
                return cell;
    }
    if (!column)
        column = tableColumns().empty() ? nullptr : tableColumns().front().get();
    return column ? column->dataCellForRow(row) : nullptr;
}

void OutlineView::willDisplayCellForColumnRow(Cell* cell, TableColumn* column, std::int64_t row)
{
    const Ref<Object> keep = delegate();
    if (OutlineViewDelegate* d = outlineDelegate(); d && delegateHas_.willDisplay)
        d->outlineViewWillDisplayCellForTableColumnItem(this, cell, column, itemAtRow(row));
}

bool OutlineView::askIsGroupRow(std::int64_t row)
{
    const Ref<Object> keep = delegate();
    OutlineViewDelegate* d = outlineDelegate();
    return d && delegateHas_.isGroup && d->outlineViewIsGroupItem(this, itemAtRow(row));
}

bool OutlineView::shouldSelectRow(std::int64_t row)
{
    const Ref<Object> keep = delegate();
    OutlineViewDelegate* d = outlineDelegate();
    return !d || !delegateHas_.shouldSelect || d->outlineViewShouldSelectItem(this, itemAtRow(row));
}

IndexSet OutlineView::selectionIndexesForProposedSelection(const IndexSet& proposed)
{
    const Ref<Object> keep = delegate();
    OutlineViewDelegate* d = outlineDelegate();
    return d && delegateHas_.proposal ? d->outlineViewSelectionIndexesForProposedSelection(this, proposed) : proposed;
}

bool OutlineView::shouldTrackCell(Cell* cell, TableColumn* column, std::int64_t row)
{
    const Ref<Object> keep = delegate();
    OutlineViewDelegate* d = outlineDelegate();
    return d && delegateHas_.shouldTrack && d->outlineViewShouldTrackCellForTableColumnItem(this, cell, column, itemAtRow(row));
}

void OutlineView::setObjectValueForColumnRow(const Value& value, TableColumn* column, std::int64_t row)
{
    const Ref<Object> keep = dataSource();
    if (OutlineViewDataSource* s = source(); s && sourceHas_.setObjectValue)
        s->outlineViewSetObjectValueForTableColumnByItem(this, value, column, itemAtRow(row));
}

bool OutlineView::shouldEditColumnRow(TableColumn* column, std::int64_t row)
{
    const Ref<Object> keep = delegate();
    OutlineViewDelegate* d = outlineDelegate();
    return !d || !delegateHas_.shouldEdit || d->outlineViewShouldEditTableColumnItem(this, column, itemAtRow(row));
}

bool OutlineView::writeRowsToPasteboard(const IndexSet& rows, Pasteboard* pasteboard)
{
    const Ref<Object> keep = dataSource();
    OutlineViewDataSource* s = source();
    if (!s || !sourceHas_.writeItems)
        return false;
    Array items;
    for (std::int64_t row : rows)
        items.addObject(itemAtRow(row));
    return s->outlineViewWriteItemsToPasteboard(this, items, pasteboard);
}

OutlineView::ItemDrop OutlineView::itemDropForTarget(const DropTarget& target) const
{
    if (target.operation == TableViewDropOn)
        return { itemAtRow(target.row), OutlineViewDropOnItemIndex };
    const Node* n = rows_.nodeAt(target.row);
    if (!n)
        return { Value(), std::int64_t(root_->children.size()) };
    const auto& siblings = n->parent->children;
    const auto it = std::find_if(siblings.begin(), siblings.end(), [n](const auto& c) { return c.get() == n; });
    return { n->parent == root_.get() ? Value() : n->parent->item, std::int64_t(it - siblings.begin()) };
}

std::uint64_t OutlineView::validateDrop(DraggingInfo& info, const DropTarget& target)
{
    const Ref<Object> keep = dataSource();
    OutlineViewDataSource* s = source();
    if (!s || !sourceHas_.validateDrop)
        return DragOperationNone;
    const ItemDrop drop = itemDropForTarget(target);
    return s->outlineViewValidateDropProposedItemProposedChildIndex(this, info, drop.item, drop.childIndex);
}

bool OutlineView::acceptDrop(DraggingInfo& info, const DropTarget& target)
{
    const Ref<Object> keep = dataSource();
    OutlineViewDataSource* s = source();
    if (!s || !sourceHas_.acceptDrop)
        return false;
    const ItemDrop drop = itemDropForTarget(target);
    return s->outlineViewAcceptDropItemChildIndex(this, info, drop.item, drop.childIndex);
}

// --- User expansion ----------------------------------------------------------------------------------

bool OutlineView::askShouldExpand(const Value& item)
{
    const Ref<Object> keep = delegate();
    OutlineViewDelegate* d = outlineDelegate();
    return !d || !delegateHas_.shouldExpand || d->outlineViewShouldExpandItem(this, item);
}

bool OutlineView::askShouldCollapse(const Value& item)
{
    const Ref<Object> keep = delegate();
    OutlineViewDelegate* d = outlineDelegate();
    return !d || !delegateHas_.shouldCollapse || d->outlineViewShouldCollapseItem(this, item);
}

void OutlineView::toggleFromUser(const Value& item, bool expand, bool children)
{
    if (expand) {
        if (askShouldExpand(item))
            expandItemExpandChildren(item, children);
    } else if (askShouldCollapse(item)) {
        collapseItemCollapseChildren(item, children);
    }
}

bool OutlineView::mouseDownInDisclosure(const Event& event, std::int64_t row, Point point)
{
    // Through the hook at the moment of the press: an empty frame means no toggle.
    const Rect frame = frameOfOutlineCellAtRow(row);
    if (IsEmptyRect(frame) || !PointInRect(point, frame))
        return false;
    const Value item = itemAtRow(row);
    toggleFromUser(item, !isItemExpanded(item), event.modifierFlags() & AlternateKeyMask);
    return true;
}

void OutlineView::keyDown(const Event& event)
{
    const QString characters = event.charactersIgnoringModifiers();
    if (!characters.isEmpty() && numberOfSelectedRows() > 0) {
        const char16_t key = characters.at(0).unicode();
        if (key == LeftArrowFunctionKey || key == RightArrowFunctionKey) {
            const bool expand = key == RightArrowFunctionKey;
            const bool children = event.modifierFlags() & AlternateKeyMask;
            // Items first: rows move as items open and close.
            std::vector<Value> items;
            for (std::int64_t row : selectedRowIndexes())
                if (const Node* n = rows_.nodeAt(row); n && n->expandable && n->expanded != expand)
                    items.push_back(n->item);
            for (const Value& item : items)
                toggleFromUser(item, expand, children);
            if (cursorRow_ >= 0)
                scrollRowToVisible(cursorRow_);
            return;
        }
    }
    TableView::keyDown(event);
}

} // namespace kit
