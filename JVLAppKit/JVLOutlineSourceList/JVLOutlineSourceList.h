#pragma once

// A sidebar outline view: top-level items are group rows that cannot be selected, other rows
// carry an optional icon before the title and a rounded count badge at the right edge, arrow keys
// step over group rows and Backspace or Delete is reported to the owner. The list is its own
// outline data source and delegate and asks a secondary data source and delegate (both weak) in
// terms of items; the secondaries are what delegate(), dataSource() and their keys answer.

#include "kit/controls/Menu.h"
#include "kit/controls/OutlineView.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Image.h"

#include <QHash>

#include <optional>

class JVLOutlineSourceList;

inline const QString JVLOutlineSourceListSelectionIsChangingNotification = QStringLiteral("JVLOutlineSourceListSelectionIsChanging");
inline const QString JVLOutlineSourceListSelectionDidChangeNotification = QStringLiteral("JVLOutlineSourceListSelectionDidChange");
inline const QString JVLOutlineSourceListItemWillExpandNotification = QStringLiteral("JVLOutlineSourceListItemWillExpand");
inline const QString JVLOutlineSourceListItemDidExpandNotification = QStringLiteral("JVLOutlineSourceListItemDidExpand");
inline const QString JVLOutlineSourceListItemWillCollapseNotification = QStringLiteral("JVLOutlineSourceListItemWillCollapse");
inline const QString JVLOutlineSourceListItemDidCollapseNotification = QStringLiteral("JVLOutlineSourceListItemDidCollapse");
inline const QString JVLOutlineSourceListDeleteKeyPressedOnRowsNotification = QStringLiteral("JVLOutlineSourceListDeleteKeyPressedOnRows");
// The user-info key of the Delete notification: the selected rows (an IndexSet value).
inline const QString JVLOutlineSourceListRowsKey = QStringLiteral("rows");

// The data source. The first four operations are required and go only to an object deriving from
// this class; the others are optional and asked through respondsToSelector (register them with
// c.optionalOperations). Promised-file drags are never offered on Linux.
class JVLOutlineSourceListDataSource {
public:
    virtual ~JVLOutlineSourceListDataSource() = default;
    virtual std::int64_t sourceListNumberOfChildrenOfItem(JVLOutlineSourceList*, const kit::Value&) { return 0; }
    virtual kit::Value sourceListChildOfItem(JVLOutlineSourceList*, std::int64_t, const kit::Value&) { return {}; }
    virtual kit::Value sourceListObjectValueForItem(JVLOutlineSourceList*, const kit::Value&) { return {}; }
    virtual bool sourceListIsItemExpandable(JVLOutlineSourceList*, const kit::Value&) { return false; }

    virtual void sourceListSetObjectValueForItem(JVLOutlineSourceList*, const kit::Value&, const kit::Value&) { }
    virtual bool sourceListItemHasBadge(JVLOutlineSourceList*, const kit::Value&) { return false; }
    virtual std::int64_t sourceListBadgeValueForItem(JVLOutlineSourceList*, const kit::Value&) { return kit::NotFound; }
    virtual kit::Ref<kit::Color> sourceListBadgeTextColorForItem(JVLOutlineSourceList*, const kit::Value&) { return nullptr; }
    virtual kit::Ref<kit::Color> sourceListBadgeBackgroundColorForItem(JVLOutlineSourceList*, const kit::Value&) { return nullptr; }
    virtual bool sourceListItemHasIcon(JVLOutlineSourceList*, const kit::Value&) { return false; }
    virtual kit::Ref<kit::Image> sourceListIconForItem(JVLOutlineSourceList*, const kit::Value&) { return nullptr; }
    virtual kit::Value sourceListItemForPersistentObject(JVLOutlineSourceList*, const kit::Value&) { return {}; }
    virtual kit::Value sourceListPersistentObjectForItem(JVLOutlineSourceList*, const kit::Value&) { return {}; }
    virtual bool sourceListWriteItemsToPasteboard(JVLOutlineSourceList*, const kit::Array&, kit::Pasteboard*) { return false; }
    virtual void sourceListDraggingEnded(JVLOutlineSourceList*, kit::DraggingInfo&) { }
    virtual std::uint64_t sourceListValidateDropProposedItemProposedChildIndex(
        JVLOutlineSourceList*, kit::DraggingInfo&, const kit::Value&, std::int64_t)
    {
        return kit::DragOperationNone;
    }
    virtual bool sourceListAcceptDropItemChildIndex(JVLOutlineSourceList*, kit::DraggingInfo&, const kit::Value&, std::int64_t) { return false; }
};

// The delegate: every operation optional, asked through respondsToSelector. The notification
// handlers are registered on the default centre, object the list, for those it implements.
class JVLOutlineSourceListDelegate {
public:
    virtual ~JVLOutlineSourceListDelegate() = default;
    virtual bool sourceListIsGroupAlwaysExpanded(JVLOutlineSourceList*, const kit::Value&) { return false; }
    virtual kit::Ref<kit::Menu> sourceListMenuForEventItem(JVLOutlineSourceList*, const kit::Event&, const kit::Value&) { return nullptr; }
    virtual bool sourceListShouldExpandItem(JVLOutlineSourceList*, const kit::Value&) { return true; }
    virtual bool sourceListShouldCollapseItem(JVLOutlineSourceList*, const kit::Value&) { return true; }
    virtual kit::Ref<kit::Cell> sourceListDataCellForItem(JVLOutlineSourceList*, const kit::Value&) { return nullptr; }
    virtual void sourceListWillDisplayCellForItem(JVLOutlineSourceList*, kit::Cell*, const kit::Value&) { }
    virtual bool sourceListShouldSelectItem(JVLOutlineSourceList*, const kit::Value&) { return true; }
    virtual kit::IndexSet sourceListSelectionIndexesForProposedSelection(JVLOutlineSourceList*, const kit::IndexSet& proposed) { return proposed; }
    virtual bool sourceListShouldEditItem(JVLOutlineSourceList*, const kit::Value&) { return true; }
    virtual bool sourceListShouldTrackCellForItem(JVLOutlineSourceList*, kit::Cell*, const kit::Value&) { return false; }
    virtual double sourceListHeightOfRowByItem(JVLOutlineSourceList*, const kit::Value&) { return 0; }
    virtual void sourceListSelectionIsChanging(kit::Notification*) { }
    virtual void sourceListSelectionDidChange(kit::Notification*) { }
    virtual void sourceListItemWillExpand(kit::Notification*) { }
    virtual void sourceListItemDidExpand(kit::Notification*) { }
    virtual void sourceListItemWillCollapse(kit::Notification*) { }
    virtual void sourceListItemDidCollapse(kit::Notification*) { }
    virtual void sourceListDeleteKeyPressedOnRows(kit::Notification*) { }
};

class JVLOutlineSourceList : public kit::OutlineView, public kit::OutlineViewDataSource, public kit::OutlineViewDelegate {
    KIT_CLASS(JVLOutlineSourceList)
public:
    explicit JVLOutlineSourceList(kit::Rect frame = {});
    ~JVLOutlineSourceList() override;

    // The secondaries. Setting the delegate moves every notification registration to it; setting
    // the data source reloads.
    kit::Ref<kit::Object> delegate() const { return secondaryDelegate_.lock(); }
    void setDelegate(kit::Object* delegate) override;
    kit::Ref<kit::Object> dataSource() const { return secondaryDataSource_.lock(); }
    void setDataSource(kit::Object* dataSource) override;

    kit::Size iconSize() const { return iconSize_; }
    // No taller than the row height (the width keeps the ratio); does not redisplay.
    void setIconSize(kit::Size size);

    std::int64_t numberOfGroups();
    bool isGroupItem(const kit::Value& item) const;
    bool isGroupAlwaysExpanded(const kit::Value& item);
    bool itemHasBadge(const kit::Value& item);
    // kit::NotFound without a badge.
    std::int64_t badgeValueForItem(const kit::Value& item);
    // Zero without a badge; 14 high, at least 22 wide.
    kit::Size sizeOfBadgeAtRow(std::int64_t row);
    void drawBadgeForRowInRect(std::int64_t row, kit::Rect badgeFrame);

    // kit::OutlineView:
    void reloadData() override;
    void selectRowIndexesByExtendingSelection(const kit::IndexSet& indexes, bool extend) override;
    kit::Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) override;
    kit::Rect frameOfOutlineCellAtRow(std::int64_t row) override;
    void drawRowClipRect(std::int64_t row, kit::Rect clipRect) override;
    void keyDown(const kit::Event& event) override;
    kit::Ref<kit::Object> menuForEvent(const kit::Event& event) override;
    void draggingEnded(kit::DraggingInfo& info) override;
    // NO for "selectAll": Select All is disabled and never sent.
    bool respondsToSelector(const kit::Selector& selector) const override;
    // A row is heard as it shows: its title, then its badge's number (with the last column).
    QStringList accessibilityTextsBesideCell(std::int64_t column, std::int64_t row) override;

    // kit::OutlineViewDataSource, answered through the secondary data source:
    std::int64_t outlineViewNumberOfChildrenOfItem(kit::OutlineView*, const kit::Value& item) override;
    kit::Value outlineViewChildOfItem(kit::OutlineView*, std::int64_t index, const kit::Value& item) override;
    bool outlineViewIsItemExpandable(kit::OutlineView*, const kit::Value& item) override;
    kit::Value outlineViewObjectValueForTableColumnByItem(kit::OutlineView*, kit::TableColumn*, const kit::Value& item) override;
    void outlineViewSetObjectValueForTableColumnByItem(kit::OutlineView*, const kit::Value& value, kit::TableColumn*, const kit::Value& item) override;
    kit::Value outlineViewItemForPersistentObject(kit::OutlineView*, const kit::Value& object) override;
    kit::Value outlineViewPersistentObjectForItem(kit::OutlineView*, const kit::Value& item) override;
    bool outlineViewWriteItemsToPasteboard(kit::OutlineView*, const kit::Array& items, kit::Pasteboard* pasteboard) override;
    std::uint64_t outlineViewValidateDropProposedItemProposedChildIndex(
        kit::OutlineView*, kit::DraggingInfo& info, const kit::Value& item, std::int64_t index) override;
    bool outlineViewAcceptDropItemChildIndex(kit::OutlineView*, kit::DraggingInfo& info, const kit::Value& item, std::int64_t index) override;

    // kit::OutlineViewDelegate, answered through the secondary delegate:
    void outlineViewWillDisplayCellForTableColumnItem(kit::OutlineView*, kit::Cell* cell, kit::TableColumn*, const kit::Value& item) override;
    bool outlineViewShouldSelectItem(kit::OutlineView*, const kit::Value& item) override;
    kit::IndexSet outlineViewSelectionIndexesForProposedSelection(kit::OutlineView*, const kit::IndexSet& proposed) override;
    bool outlineViewShouldEditTableColumnItem(kit::OutlineView*, kit::TableColumn*, const kit::Value& item) override;
    bool outlineViewShouldTrackCellForTableColumnItem(kit::OutlineView*, kit::Cell* cell, kit::TableColumn*, const kit::Value& item) override;
    kit::Ref<kit::Cell> outlineViewDataCellForTableColumnItem(kit::OutlineView*, kit::TableColumn*, const kit::Value& item) override;
    bool outlineViewIsGroupItem(kit::OutlineView*, const kit::Value& item) override;
    bool outlineViewShouldExpandItem(kit::OutlineView*, const kit::Value& item) override;
    bool outlineViewShouldCollapseItem(kit::OutlineView*, const kit::Value& item) override;
    double outlineViewHeightOfRowByItem(kit::OutlineView*, const kit::Value& item) override;
    void outlineViewSelectionIsChanging(kit::Notification* notification) override;
    void outlineViewSelectionDidChange(kit::Notification* notification) override;
    void outlineViewItemWillExpand(kit::Notification* notification) override;
    void outlineViewItemDidExpand(kit::Notification* notification) override;
    void outlineViewItemWillCollapse(kit::Notification* notification) override;
    void outlineViewItemDidCollapse(kit::Notification* notification) override;

private:
    // The secondary data source when it derives from the protocol class, else null.
    JVLOutlineSourceListDataSource* conformingSource() const;
    // The secondary delegate when it has the operation (answers kept at setDelegate), else null.
    JVLOutlineSourceListDelegate* secondaryDelegateFor(bool has) const;
    JVLOutlineSourceListDataSource* secondarySourceFor(bool has) const;
    void unregisterSecondaryDelegate();
    void registerSecondaryDelegate(kit::Object* delegate);
    void repairSelection();
    kit::Rect cellFrameAtColumnRow(std::int64_t column, std::int64_t row);
    void forwardNotification(const QString& name, kit::Notification* notification);
    bool isGroupRowOfList(std::int64_t row) const { return levelForRow(row) == 0; }

    // While a row draws, its cell frame is worked out once (the base's drawing asks for it too).
    struct RowFrame {
        std::int64_t row = -1, column = -1;
        kit::Rect frame;
    };
    std::optional<RowFrame> drawingRowFrame_;
    // Badge text widths by value: the font never changes.
    QHash<std::int64_t, double> badgeTextWidths_;

    kit::Weak<kit::Object> secondaryDelegate_;
    const kit::Object* secondaryDelegateIdentity_ = nullptr;
    kit::Weak<kit::Object> secondaryDataSource_;
    kit::Size iconSize_ { 16, 16 };

    // What the secondaries answer, read when each is set.
    bool sourceConforms_ = false;
    struct SourceAnswers {
        bool setObjectValue = false, hasBadge = false, badgeValue = false, badgeTextColor = false, badgeBackgroundColor = false,
             hasIcon = false, icon = false, itemForPersistent = false, persistentForItem = false, writeItems = false,
             draggingEnded = false, validateDrop = false, acceptDrop = false;
    } sourceHas_;
    struct DelegateAnswers {
        bool alwaysExpanded = false, menu = false, shouldExpand = false, shouldCollapse = false, dataCell = false, willDisplay = false,
             shouldSelect = false, proposal = false, shouldEdit = false, shouldTrack = false, heightOfRow = false;
    } delegateHas_;
};
