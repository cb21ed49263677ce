#pragma once

// A tree for outline view tests: items are objects (so identity matters) with a title and
// children, and the data source answers the outline view's questions about them. Each optional
// operation can be switched off (respondsToSelector then answers NO; set the data source again
// for the view to notice), and every question is counted, so tests see what a paint or an
// expansion asked.

#include "kit/controls/OutlineView.h"

#include <QHash>
#include <QString>

#include <vector>

namespace kit::test {

class TreeItem : public Object {
    KIT_CLASS(TreeItem)
public:
    TreeItem() = default;
    explicit TreeItem(QString title)
        : title(std::move(title))
    { }
    Ref<TreeItem> add(const QString& childTitle);
    QString title;
    std::vector<Ref<TreeItem>> children;
    // Expandable even without children.
    bool expandable = false;
};

class TreeDataSource : public Object, public OutlineViewDataSource {
    KIT_CLASS(TreeDataSource)
public:
    TreeDataSource() = default;
    // `groups` groups titled "Group g", each with `leaves` items "Item g.i".
    static Ref<TreeDataSource> groupsOfLeaves(int groups, int leaves);
    // Three levels: "A", "B", ... each with items "A1", "A2", ... each with leaves "A1a", "A1b", ...
    static Ref<TreeDataSource> threeLevels(int groups, int items, int leaves);

    // The item of that title anywhere in the tree, or null.
    Ref<TreeItem> find(const QString& title) const;

    void setImplements(const char* operation, bool flag) { switches_.insert(QString::fromUtf8(operation), flag); }
    int calls(const char* operation) const { return calls_.value(QString::fromUtf8(operation)); }
    void resetCalls() { calls_.clear(); }

    std::vector<Ref<TreeItem>> roots;
    // Drops: what validation answers, and what it and acceptance were asked.
    std::uint64_t validateAnswer = DragOperationMove;
    bool acceptAnswer = true;
    struct DropCall {
        Value item;
        std::int64_t childIndex;
    };
    std::vector<DropCall> validated, accepted;
    bool writeAnswer = true;
    std::vector<Array> written;
    std::vector<std::pair<Value, Value>> stored; // (item, value)

    // kit::Object:
    bool respondsToSelector(const Selector& selector) const override;

    // kit::OutlineViewDataSource:
    std::int64_t outlineViewNumberOfChildrenOfItem(OutlineView*, const Value& item) override;
    Value outlineViewChildOfItem(OutlineView*, std::int64_t index, const Value& item) override;
    bool outlineViewIsItemExpandable(OutlineView*, const Value& item) override;
    Value outlineViewObjectValueForTableColumnByItem(OutlineView*, TableColumn*, const Value& item) override;
    void outlineViewSetObjectValueForTableColumnByItem(OutlineView*, const Value& value, TableColumn*, const Value& item) override;
    // Persistent objects are the titles.
    Value outlineViewItemForPersistentObject(OutlineView*, const Value& object) override;
    Value outlineViewPersistentObjectForItem(OutlineView*, const Value& item) override;
    bool outlineViewWriteItemsToPasteboard(OutlineView*, const Array& items, Pasteboard*) override;
    std::uint64_t outlineViewValidateDropProposedItemProposedChildIndex(OutlineView*, DraggingInfo&, const Value& item, std::int64_t index) override;
    bool outlineViewAcceptDropItemChildIndex(OutlineView*, DraggingInfo&, const Value& item, std::int64_t index) override;

private:
    const std::vector<Ref<TreeItem>>& childrenOf(const Value& item) const;
    void count(const char* operation) const { ++calls_[QString::fromUtf8(operation)]; }
    QHash<QString, bool> switches_;
    mutable QHash<QString, int> calls_;
};

} // namespace kit::test
