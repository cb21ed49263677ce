#include "kit/testsupport/TreeDataSource.h"

namespace kit::test {

KIT_REGISTER_CLASS(TreeItem, Object) { }

KIT_REGISTER_CLASS(TreeDataSource, Object)
{
    c.optionalOperations({ "outlineViewNumberOfChildrenOfItem", "outlineViewChildOfItem", "outlineViewIsItemExpandable",
        "outlineViewObjectValueForTableColumnByItem", "outlineViewSetObjectValueForTableColumnByItem", "outlineViewItemForPersistentObject",
        "outlineViewPersistentObjectForItem", "outlineViewWriteItemsToPasteboard", "outlineViewValidateDropProposedItemProposedChildIndex",
        "outlineViewAcceptDropItemChildIndex" });
}

Ref<TreeItem> TreeItem::add(const QString& childTitle)
{
    auto child = make<TreeItem>(childTitle);
    children.push_back(child);
    return child;
}

Ref<TreeDataSource> TreeDataSource::groupsOfLeaves(int groups, int leaves)
{
    auto source = make<TreeDataSource>();
    for (int g = 0; g < groups; ++g) {
        auto group = make<TreeItem>(QStringLiteral("Group %1").arg(g));
        group->children.reserve(std::size_t(leaves));
        for (int i = 0; i < leaves; ++i)
            group->add(QStringLiteral("Item %1.%2").arg(g).arg(i));
        source->roots.push_back(group);
    }
    return source;
}

Ref<TreeDataSource> TreeDataSource::threeLevels(int groups, int items, int leaves)
{
    auto source = make<TreeDataSource>();
    for (int g = 0; g < groups; ++g) {
        const QString gt(QChar('A' + g));
        auto group = make<TreeItem>(gt);
        for (int i = 0; i < items; ++i) {
            auto item = group->add(gt + QString::number(i + 1));
            for (int l = 0; l < leaves; ++l)
                item->add(item->title + QChar('a' + l));
        }
        source->roots.push_back(group);
    }
    return source;
}

Ref<TreeItem> TreeDataSource::find(const QString& title) const
{
    const auto walk = [&](auto& self, const std::vector<Ref<TreeItem>>& items) -> Ref<TreeItem> {
        for (const Ref<TreeItem>& i : items) {
            if (i->title == title)
                return i;
            if (Ref<TreeItem> found = self(self, i->children))
                return found;
        }
        return nullptr;
    };
    return walk(walk, roots);
}

bool TreeDataSource::respondsToSelector(const Selector& selector) const
{
    const auto it = switches_.find(selector.name());
    if (it != switches_.end() && !it.value())
        return false;
    return Object::respondsToSelector(selector);
}

const std::vector<Ref<TreeItem>>& TreeDataSource::childrenOf(const Value& item) const
{
    if (item.isNil())
        return roots;
    static const std::vector<Ref<TreeItem>> none;
    const Ref<TreeItem> node = item.objectAs<TreeItem>();
    return node ? node->children : none;
}

std::int64_t TreeDataSource::outlineViewNumberOfChildrenOfItem(OutlineView*, const Value& item)
{
    count("outlineViewNumberOfChildrenOfItem");
    return std::int64_t(childrenOf(item).size());
}

Value TreeDataSource::outlineViewChildOfItem(OutlineView*, std::int64_t index, const Value& item)
{
    count("outlineViewChildOfItem");
    const auto& children = childrenOf(item);
    return index >= 0 && index < std::int64_t(children.size()) ? Value(children[std::size_t(index)]) : Value();
}

bool TreeDataSource::outlineViewIsItemExpandable(OutlineView*, const Value& item)
{
    count("outlineViewIsItemExpandable");
    const Ref<TreeItem> node = item.objectAs<TreeItem>();
    return node && (node->expandable || !node->children.empty());
}

Value TreeDataSource::outlineViewObjectValueForTableColumnByItem(OutlineView*, TableColumn*, const Value& item)
{
    count("outlineViewObjectValueForTableColumnByItem");
    const Ref<TreeItem> node = item.objectAs<TreeItem>();
    return node ? Value(node->title) : Value();
}

void TreeDataSource::outlineViewSetObjectValueForTableColumnByItem(OutlineView*, const Value& value, TableColumn*, const Value& item)
{
    count("outlineViewSetObjectValueForTableColumnByItem");
    stored.emplace_back(item, value);
}

Value TreeDataSource::outlineViewItemForPersistentObject(OutlineView*, const Value& object)
{
    count("outlineViewItemForPersistentObject");
    return Value(find(object.stringValue()));
}

Value TreeDataSource::outlineViewPersistentObjectForItem(OutlineView*, const Value& item)
{
    count("outlineViewPersistentObjectForItem");
    const Ref<TreeItem> node = item.objectAs<TreeItem>();
    return node ? Value(node->title) : Value();
}

bool TreeDataSource::outlineViewWriteItemsToPasteboard(OutlineView*, const Array& items, Pasteboard*)
{
    count("outlineViewWriteItemsToPasteboard");
    written.push_back(items);
    return writeAnswer;
}

std::uint64_t TreeDataSource::outlineViewValidateDropProposedItemProposedChildIndex(
    OutlineView*, DraggingInfo&, const Value& item, std::int64_t index)
{
    count("outlineViewValidateDropProposedItemProposedChildIndex");
    validated.push_back({ item, index });
    return validateAnswer;
}

bool TreeDataSource::outlineViewAcceptDropItemChildIndex(OutlineView*, DraggingInfo&, const Value& item, std::int64_t index)
{
    count("outlineViewAcceptDropItemChildIndex");
    accepted.push_back({ item, index });
    return acceptAnswer;
}

} // namespace kit::test
