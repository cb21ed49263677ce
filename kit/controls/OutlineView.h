#pragma once

// A table view whose rows are a tree of items: the data source answers children, values and
// expandability per item (nil being the root), and the view shows the expanded part. Items are
// kit::Values: objects keep their identity, plain values compare equal. Rows live in blocks, so
// expanding an item costs its visible descendants, and a hash from item to node answers
// rowForItem and levelForItem. The outline column indents each row by its level and shows a
// disclosure triangle in frameOfOutlineCellAtRow, which subclasses may move or empty.

#include "kit/controls/OutlineViewRows.h"
#include "kit/controls/TableView.h"

#include <memory>

namespace kit {

class OutlineView;

inline const QString OutlineViewSelectionDidChangeNotification = QStringLiteral("NSOutlineViewSelectionDidChangeNotification");
inline const QString OutlineViewSelectionIsChangingNotification = QStringLiteral("NSOutlineViewSelectionIsChangingNotification");
inline const QString OutlineViewItemWillExpandNotification = QStringLiteral("NSOutlineViewItemWillExpandNotification");
inline const QString OutlineViewItemDidExpandNotification = QStringLiteral("NSOutlineViewItemDidExpandNotification");
inline const QString OutlineViewItemWillCollapseNotification = QStringLiteral("NSOutlineViewItemWillCollapseNotification");
inline const QString OutlineViewItemDidCollapseNotification = QStringLiteral("NSOutlineViewItemDidCollapseNotification");
// Child index of a drop onto an item rather than between its children.
inline constexpr std::int64_t OutlineViewDropOnItemIndex = -1;

// Optional operations, asked through respondsToSelector once, when the data source is set.
class OutlineViewDataSource {
public:
    virtual ~OutlineViewDataSource() = default;
    virtual std::int64_t outlineViewNumberOfChildrenOfItem(OutlineView*, const Value&) { return 0; }
    virtual Value outlineViewChildOfItem(OutlineView*, std::int64_t, const Value&) { return {}; }
    virtual bool outlineViewIsItemExpandable(OutlineView*, const Value&) { return false; }
    virtual Value outlineViewObjectValueForTableColumnByItem(OutlineView*, TableColumn*, const Value&) { return {}; }
    virtual void outlineViewSetObjectValueForTableColumnByItem(OutlineView*, const Value&, TableColumn*, const Value&) { }
    virtual Value outlineViewItemForPersistentObject(OutlineView*, const Value&) { return {}; }
    virtual Value outlineViewPersistentObjectForItem(OutlineView*, const Value&) { return {}; }
    virtual bool outlineViewWriteItemsToPasteboard(OutlineView*, const Array&, Pasteboard*) { return false; }
    virtual std::uint64_t outlineViewValidateDropProposedItemProposedChildIndex(OutlineView*, DraggingInfo&, const Value&, std::int64_t)
    {
        return DragOperationNone;
    }
    virtual bool outlineViewAcceptDropItemChildIndex(OutlineView*, DraggingInfo&, const Value&, std::int64_t) { return false; }
};

// Optional operations of the delegate. The six notification handlers are registered on the
// default centre, object the view, for those the delegate implements.
class OutlineViewDelegate {
public:
    virtual ~OutlineViewDelegate() = default;
    virtual void outlineViewWillDisplayCellForTableColumnItem(OutlineView*, Cell*, TableColumn*, const Value&) { }
    virtual bool outlineViewShouldSelectItem(OutlineView*, const Value&) { return true; }
    virtual IndexSet outlineViewSelectionIndexesForProposedSelection(OutlineView*, const IndexSet& proposed) { return proposed; }
    virtual bool outlineViewShouldEditTableColumnItem(OutlineView*, TableColumn*, const Value&) { return true; }
    virtual bool outlineViewShouldTrackCellForTableColumnItem(OutlineView*, Cell*, TableColumn*, const Value&) { return false; }
    // Asked with a null column for group rows.
    virtual Ref<Cell> outlineViewDataCellForTableColumnItem(OutlineView*, TableColumn*, const Value&) { return nullptr; }
    virtual bool outlineViewIsGroupItem(OutlineView*, const Value&) { return false; }
    virtual bool outlineViewShouldExpandItem(OutlineView*, const Value&) { return true; }
    virtual bool outlineViewShouldCollapseItem(OutlineView*, const Value&) { return true; }
    // The row's height without the spacing.
    virtual double outlineViewHeightOfRowByItem(OutlineView*, const Value&) { return 17; }
    virtual void outlineViewSelectionIsChanging(Notification*) { }
    virtual void outlineViewSelectionDidChange(Notification*) { }
    virtual void outlineViewItemWillExpand(Notification*) { }
    virtual void outlineViewItemDidExpand(Notification*) { }
    virtual void outlineViewItemWillCollapse(Notification*) { }
    virtual void outlineViewItemDidCollapse(Notification*) { }
};

class OutlineView : public TableView {
    KIT_CLASS(OutlineView)
public:
    explicit OutlineView(Rect frame = {});
    ~OutlineView() override;

    // kit::Coding (TableViewCoding.cpp): the table part, the outline column, the indentation and
    // the autosave settings.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    void setDelegate(Object* delegate) override;
    // Stores and reloads; the first load after it restores autosaved expanded items.
    void setDataSource(Object* dataSource) override;

    // --- Items. ---
    Value itemAtRow(std::int64_t row) const;
    // -1 when the item is not shown.
    std::int64_t rowForItem(const Value& item) const;
    // -1 for an item the view has not loaded; 0 for top-level items.
    std::int64_t levelForItem(const Value& item) const;
    std::int64_t levelForRow(std::int64_t row) const;
    Value parentForItem(const Value& item) const;
    bool isExpandable(const Value& item) const;
    bool isItemExpanded(const Value& item) const;

    // --- Expansion. The program's calls never ask the delegate; each item that changes state
    // posts will and did notifications with the item under "NSObject".
    void expandItem(const Value& item) { expandItemExpandChildren(item, false); }
    virtual void expandItemExpandChildren(const Value& item, bool expandChildren);
    void collapseItem(const Value& item) { collapseItemCollapseChildren(item, false); }
    virtual void collapseItemCollapseChildren(const Value& item, bool collapseChildren);
    // Asks the item's value again; with children, its subtree too (keeping expansion).
    void reloadItemReloadChildren(const Value& item, bool reloadChildren);
    void reloadItem(const Value& item) { reloadItemReloadChildren(item, false); }

    // --- Outline column and geometry. ---
    Ref<TableColumn> outlineTableColumn() const;
    void setOutlineTableColumn(TableColumn* column);
    double indentationPerLevel() const { return indentationPerLevel_; }
    void setIndentationPerLevel(double indentation);
    // The disclosure triangle's box: empty means no triangle and no toggle.
    virtual Rect frameOfOutlineCellAtRow(std::int64_t row);
    // Asks the delegate for those rows' heights again.
    void noteHeightOfRowsWithIndexesChanged(const IndexSet& rows);

    // --- Expanded-item autosave under "NSOutlineView Items <name>" in the standard defaults. ---
    QString autosaveName() const { return autosaveName_; }
    void setAutosaveName(const QString& name) { autosaveName_ = name; }
    bool autosaveExpandedItems() const { return autosaveExpandedItems_; }
    void setAutosaveExpandedItems(bool flag) { autosaveExpandedItems_ = flag; }

    // Test hook: row entries the row model moved since the last reset.
    std::int64_t rowModelMovesForTesting() const { return rows_.moves(); }
    void resetRowModelMovesForTesting() { rows_.resetMoves(); }

    // kit::TableView:
    std::int64_t numberOfRows() const override { return rows_.count(); }
    void reloadData() override;
    void keyDown(const Event& event) override;

protected:
    // kit::TableView, answered in items:
    std::int64_t askNumberOfRows() override { return rows_.count(); }
    Value objectValueForColumnRow(TableColumn* column, std::int64_t row) override;
    Ref<Cell> dataCellForColumnRow(TableColumn* column, std::int64_t row) override;
    void willDisplayCellForColumnRow(Cell* cell, TableColumn* column, std::int64_t row) override;
    bool preparesEveryCellAfresh() const override { return delegateHas_.willDisplay || delegateHas_.dataCell; }
    bool askIsGroupRow(std::int64_t row) override;
    bool hasShouldSelectRow() const override { return delegateHas_.shouldSelect; }
    bool shouldSelectRow(std::int64_t row) override;
    bool hasSelectionProposal() const override { return delegateHas_.proposal; }
    IndexSet selectionIndexesForProposedSelection(const IndexSet& proposed) override;
    bool shouldTrackCell(Cell* cell, TableColumn* column, std::int64_t row) override;
    void setObjectValueForColumnRow(const Value& value, TableColumn* column, std::int64_t row) override;
    bool takesObjectValues() const override { return sourceHas_.setObjectValue; }
    bool shouldEditColumnRow(TableColumn* column, std::int64_t row) override;
    bool canWriteRows() const override { return sourceHas_.writeItems; }
    bool writeRowsToPasteboard(const IndexSet& rows, Pasteboard* pasteboard) override;
    std::uint64_t validateDrop(DraggingInfo& info, const DropTarget& target) override;
    bool acceptDrop(DraggingInfo& info, const DropTarget& target) override;
    QString selectionDidChangeName() const override { return OutlineViewSelectionDidChangeNotification; }
    QString selectionIsChangingName() const override { return OutlineViewSelectionIsChangingNotification; }
    std::vector<HandlerName> delegateNotificationHandlers() const override;
    void deliverDelegateNotification(Object* delegate, const QString& handler, Notification* notification) override;
    double rowTop(std::int64_t row) const override;
    double rowSpan(std::int64_t row) const override;
    std::int64_t rowAtY(double y) const override;
    double rowsHeight() const override;
    bool mouseDownInDisclosure(const Event& event, std::int64_t row, Point point) override;
    std::int64_t outlineColumnIndex() const override;
    double cellIndentOfRow(std::int64_t row) const override;
    void drawDisclosureOfRow(std::int64_t row) override;

    // The drop position as the data source sees it: an item (nil: the root) and a child index
    // (OutlineViewDropOnItemIndex: onto the item).
    struct ItemDrop {
        Value item;
        std::int64_t childIndex = OutlineViewDropOnItemIndex;
    };
    ItemDrop itemDropForTarget(const DropTarget& target) const;

private:
    using Node = detail::OutlineNode;
    Node* nodeForItem(const Value& item) const;
    // Loaded nodes enter the item map at the next look-up, in one batch.
    void indexLoadedNodes() const;
    void load(Node* node);
    void unload(Node* node);
    void ensureHeight(Node* node);
    // The visible descendants of an expanded node, depth first, loading as it goes.
    void collectVisible(Node* node, std::vector<Node*>& out);
    std::int64_t countVisible(const Node* node) const;
    bool isShown(const Node* node) const { return node == root_.get() || node->block != nullptr; }
    // Replaces the shown descendants of `node` with what its state now shows, keeping the
    // selection on its items; answers whether selected rows were hidden.
    void refreshDescendants(Node* node, std::int64_t oldCount);
    void postItemNotification(const QString& name, const Node* node);
    bool askShouldExpand(const Value& item);
    bool askShouldCollapse(const Value& item);
    void toggleFromUser(const Value& item, bool expand, bool children);
    // Accessibility expands and collapses items the user's way.
    friend class tableaccessibility::TableRowElement;
    void saveExpandedItems();
    QString autosaveKey() const { return QStringLiteral("NSOutlineView Items ") + autosaveName_; }
    OutlineViewDataSource* source() const;
    OutlineViewDelegate* outlineDelegate() const;

    std::unique_ptr<Node> root_;
    mutable detail::OutlineItemMap nodes_;
    mutable std::vector<Node*> unindexed_;
    detail::OutlineRows rows_;
    Weak<TableColumn> outlineColumn_;
    double indentationPerLevel_ = 16;
    QString autosaveName_;
    bool autosaveExpandedItems_ = false;
    bool restorePending_ = false;

    struct DataSourceAnswers {
        bool children = false, child = false, expandable = false, objectValue = false, setObjectValue = false, itemForPersistent = false,
             persistentForItem = false, writeItems = false, validateDrop = false, acceptDrop = false;
    } sourceHas_;
    struct DelegateAnswers {
        bool willDisplay = false, shouldSelect = false, proposal = false, shouldEdit = false, shouldTrack = false, dataCell = false,
             isGroup = false, shouldExpand = false, shouldCollapse = false, heightOfRow = false;
    } delegateHas_;
};

} // namespace kit
