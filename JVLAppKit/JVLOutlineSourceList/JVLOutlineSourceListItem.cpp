#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceListItem.h"

#include "FoundationExtensions/JVLNSArray_Extension.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"

#include <algorithm>

using namespace kit;

namespace {

const QString itemTitleKey = QStringLiteral("title");
const QString itemIdentifierKey = QStringLiteral("identifier");
const QString itemIconKey = QStringLiteral("icon");
const QString itemChildrenKey = QStringLiteral("children");
const QString itemBadgeValueKey = QStringLiteral("badgeValue");

const char* const itemDidAddOperation = "outlineSourceListItemDidAddEntryAtIndex";
const char* const itemDidRemoveOperation = "outlineSourceListItemDidRemoveEntryAtIndex";
const char* const itemAttributesChangedOperation = "outlineSourceListItemAttributesChanged";

Array itemChildrenArray(const JVLOutlineSourceListItem::Children& children)
{
    std::vector<Value> values;
    values.reserve(children.size());
    for (const Ref<JVLOutlineSourceListItem>& child : children)
        values.emplace_back(child);
    return Array(std::move(values));
}

} // namespace

KIT_REGISTER_CLASS(JVLOutlineSourceListItem, kit::Object)
{
    c.bundle("JVLAppKit");
    c.copyable();
    c.property("title", &JVLOutlineSourceListItem::title, &JVLOutlineSourceListItem::setTitle);
    c.property("identifier", &JVLOutlineSourceListItem::identifier, &JVLOutlineSourceListItem::setIdentifier);
    c.property("icon", &JVLOutlineSourceListItem::icon, &JVLOutlineSourceListItem::setIcon);
    c.property("badgeValue", &JVLOutlineSourceListItem::badgeValue, &JVLOutlineSourceListItem::setBadgeValue);
    c.property("parent", &JVLOutlineSourceListItem::parent);
    c.property(
        "delegate", [](const JVLOutlineSourceListItem& x) { return Value(x.delegate()); },
        [](JVLOutlineSourceListItem& x, const Value& v) { x.setDelegate(v.object().get()); });
    c.property("hasBadge", &JVLOutlineSourceListItem::hasBadge);
    c.property("hasIcon", &JVLOutlineSourceListItem::hasIcon);
    c.property("hasChildren", &JVLOutlineSourceListItem::hasChildren);
    c.property("countOfChildren", &JVLOutlineSourceListItem::countOfChildren);
    c.property("children", [](const JVLOutlineSourceListItem& x) { return Value(itemChildrenArray(x.children())); });
}

Ref<JVLOutlineSourceListItem> JVLOutlineSourceListItem::itemWithTitle(const QString& title)
{
    auto item = make<JVLOutlineSourceListItem>();
    item->setTitle(title);
    return item;
}

Ref<JVLOutlineSourceListItem> JVLOutlineSourceListItem::itemWithTitleAndIdentifier(const QString& title, const QString& identifier)
{
    Ref<JVLOutlineSourceListItem> item = itemWithTitle(title);
    item->setIdentifier(identifier);
    return item;
}

JVLOutlineSourceListItemDelegate* JVLOutlineSourceListItem::rootDelegateResponding(const char* operation) const
{
    const Ref<Object> d = rootObject()->delegate();
    if (!d || !d->respondsToSelector(Selector(operation)))
        return nullptr;
    return dynamic_cast<JVLOutlineSourceListItemDelegate*>(d.get());
}

void JVLOutlineSourceListItem::setTitle(const QString& title)
{
    title_ = title;
    const Ref<JVLOutlineSourceListItem> keep(this);
    if (JVLOutlineSourceListItemDelegate* d = rootDelegateResponding(itemAttributesChangedOperation))
        d->outlineSourceListItemAttributesChanged(this);
    NotificationCenter::defaultCenter()->postNotificationNameObject(JVLOutlineSourceListItemAttributesChangedEntryNotification, this);
}

// --- Children -------------------------------------------------------------------------------------

void JVLOutlineSourceListItem::setChildren(Children children)
{
    children_ = std::move(children);
    childrenMade_ = true;
}

const JVLOutlineSourceListItem::Children& JVLOutlineSourceListItem::childEnumerator()
{
    childrenMade_ = true;
    return children_;
}

Ref<JVLOutlineSourceListItem> JVLOutlineSourceListItem::childAtIndex(std::int64_t index) const
{
    if (index < 0 || index >= countOfChildren())
        Exception::raise(RangeException,
            kit::format(QStringLiteral("childAtIndex: index %ld beyond bounds [0 .. %ld]"), index, countOfChildren() - 1));
    return children_[std::size_t(index)];
}

std::int64_t JVLOutlineSourceListItem::indexOfChild(const JVLOutlineSourceListItem* child) const
{
    for (std::size_t i = 0; i < children_.size(); ++i)
        if (children_[i].get() == child)
            return std::int64_t(i);
    return NotFound;
}

Ref<JVLOutlineSourceListItem> JVLOutlineSourceListItem::childWithIdentifier(const QString& identifier) const
{
    const Array matching = filteredArrayUsingPredicate(itemChildrenArray(children_), Predicate::keyEquals(itemIdentifierKey, identifier));
    return matching.lastObject().objectAs<JVLOutlineSourceListItem>();
}

void JVLOutlineSourceListItem::checkInsertable(const JVLOutlineSourceListItem* child, std::int64_t index, const char* method) const
{
    if (!child)
        Exception::raise(InvalidArgumentException, kit::format(QStringLiteral("%s: attempt to insert a nil child"), method));
    // The child must not be the receiver or above it: the tree would become a cycle.
    if (isDescendantOfNode(child))
        Exception::raise(InvalidArgumentException, kit::format(QStringLiteral("%s: a child may not be the item itself or its ancestor"), method));
    if (index < 0 || index > countOfChildren())
        Exception::raise(RangeException, kit::format(QStringLiteral("%s: index %ld beyond bounds [0 .. %ld]"), method, index, countOfChildren()));
}

void JVLOutlineSourceListItem::silentAddChild(JVLOutlineSourceListItem* child)
{
    insertChild(child, countOfChildren(), false);
}

void JVLOutlineSourceListItem::silentInsertChildAtIndex(JVLOutlineSourceListItem* child, std::int64_t index)
{
    insertChild(child, index, false);
}

void JVLOutlineSourceListItem::addChild(JVLOutlineSourceListItem* child)
{
    insertChild(child, countOfChildren(), true);
}

void JVLOutlineSourceListItem::insertChildAtIndex(JVLOutlineSourceListItem* child, std::int64_t index)
{
    insertChild(child, index, true);
}

void JVLOutlineSourceListItem::insertChild(JVLOutlineSourceListItem* child, std::int64_t index, bool tell)
{
    checkInsertable(child, index, "insertChildAtIndex");
    const Ref<JVLOutlineSourceListItem> keep(child);
    // A child lives in one list only: held in two, the parent links and the children could form a loop.
    if (const Ref<JVLOutlineSourceListItem> holder = child->parent()) {
        const std::int64_t old = holder->indexOfChild(child);
        if (old != NotFound) {
            if (tell)
                holder->removeChildAtIndex(old);
            else
                holder->children_.erase(holder->children_.begin() + old);
            // Moving within the receiver: the index counted the child at its old place.
            if (holder.get() == this && index > old)
                --index;
        }
    }
    index = std::min(index, countOfChildren());
    childrenMade_ = true;
    child->setParent(this);
    children_.insert(children_.begin() + index, keep);
    if (!tell)
        return;
    if (JVLOutlineSourceListItemDelegate* d = rootDelegateResponding(itemDidAddOperation))
        d->outlineSourceListItemDidAddEntryAtIndex(this, child, index);
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(
        JVLOutlineSourceListItemDidAddEntryNotification, child, { { JVLOutlineSourceListItemParentKey, Ref<Object>(this) } });
}

void JVLOutlineSourceListItem::removeChildAtIndex(std::int64_t index)
{
    if (index < 0 || index >= countOfChildren())
        Exception::raise(RangeException,
            kit::format(QStringLiteral("removeChildAtIndex: index %ld beyond bounds [0 .. %ld]"), index, countOfChildren() - 1));
    // Held until the notification has gone out.
    const Ref<JVLOutlineSourceListItem> child = children_[std::size_t(index)];
    const Ref<JVLOutlineSourceListItem> keep(this);
    children_.erase(children_.begin() + index);
    if (JVLOutlineSourceListItemDelegate* d = rootDelegateResponding(itemDidRemoveOperation))
        d->outlineSourceListItemDidRemoveEntryAtIndex(this, child.get(), index);
    NotificationCenter::defaultCenter()->postNotificationNameObjectUserInfo(
        JVLOutlineSourceListItemDidRemoveEntryNotification, child.get(), { { JVLOutlineSourceListItemParentKey, Ref<Object>(this) } });
}

void JVLOutlineSourceListItem::removeChild(JVLOutlineSourceListItem* child)
{
    const std::int64_t index = indexOfChild(child);
    if (index == NotFound)
        Exception::raise(RangeException, QStringLiteral("removeChild: the item is not a child of the receiver"));
    removeChildAtIndex(index);
}

void JVLOutlineSourceListItem::removeChildren(Children children)
{
    for (const Ref<JVLOutlineSourceListItem>& child : children)
        removeChild(child.get());
}

void JVLOutlineSourceListItem::removeAllChildren()
{
    removeChildren(children_);
}

// --- The tree -------------------------------------------------------------------------------------

Ref<JVLOutlineSourceListItem> JVLOutlineSourceListItem::rootObject() const
{
    Ref<JVLOutlineSourceListItem> node(const_cast<JVLOutlineSourceListItem*>(this));
    while (Ref<JVLOutlineSourceListItem> up = node->parent())
        node = up;
    return node;
}

void JVLOutlineSourceListItem::setParentForTree()
{
    for (const Ref<JVLOutlineSourceListItem>& child : children_)
        child->setParent(this);
    for (const Ref<JVLOutlineSourceListItem>& child : children_)
        child->setParentForTree();
}

bool JVLOutlineSourceListItem::isDescendantOfNode(const JVLOutlineSourceListItem* node) const
{
    if (!node)
        return false;
    for (Ref<JVLOutlineSourceListItem> at(const_cast<JVLOutlineSourceListItem*>(this)); at; at = at->parent())
        if (at.get() == node)
            return true;
    return false;
}

bool JVLOutlineSourceListItem::isDescendantOfNodeInArray(const Array& nodes) const
{
    for (const Value& v : nodes)
        if (isDescendantOfNode(dynamic_cast<const JVLOutlineSourceListItem*>(v.object().get())))
            return true;
    return false;
}

Array JVLOutlineSourceListItem::filteredFlatObjectTreeWithPredicateObjectClass(const Predicate& predicate, const Class& cls) const
{
    Array result = filteredArrayUsingPredicate(JVLNSArray_Extension::arrayWithObjectsOfClass(itemChildrenArray(children_), cls), predicate);
    for (const Ref<JVLOutlineSourceListItem>& child : children_)
        result.addObjectsFromArray(child->filteredFlatObjectTreeWithPredicateObjectClass(predicate, cls));
    return result;
}

Array JVLOutlineSourceListItem::minimumNodeCoverFromNodesInArray(const Array& nodes)
{
    Array working = nodes;
    Array result;
    while (!working.isEmpty()) {
        Ref<JVLOutlineSourceListItem> item = working.firstObject().objectAs<JVLOutlineSourceListItem>();
        working.removeObjectAtIndex(0);
        if (!item)
            continue;
        // Climb only through parents that are themselves in the list.
        for (Ref<JVLOutlineSourceListItem> up = item->parent(); up && working.containsObjectIdenticalTo(Value(up)); up = item->parent()) {
            working.removeObjectIdenticalTo(Value(item));
            item = up;
        }
        if (!item->isDescendantOfNodeInArray(result))
            result.addObject(Value(item));
        working.removeObjectIdenticalTo(Value(item));
    }
    return result;
}

// --- Coding and copying ---------------------------------------------------------------------------

void JVLOutlineSourceListItem::encodeWithCoder(Coder& coder) const
{
    if (!title_.isNull())
        coder.encodeObjectForKey(title_, itemTitleKey);
    if (!identifier_.isNull())
        coder.encodeObjectForKey(identifier_, itemIdentifierKey);
    if (icon_)
        coder.encodeObjectForKey(Value(icon_), itemIconKey);
    if (childrenMade_)
        coder.encodeObjectForKey(itemChildrenArray(children_), itemChildrenKey);
    coder.encodeIntegerForKey(badgeValue_, itemBadgeValueKey);
}

void JVLOutlineSourceListItem::initWithCoder(Coder& coder)
{
    const Value title = coder.decodeObjectForKey(itemTitleKey);
    setTitle(title.isString() ? title.string() : QString());
    const Value identifier = coder.decodeObjectForKey(itemIdentifierKey);
    setIdentifier(identifier.isString() ? identifier.string() : QString());
    setIcon(coder.containsValueForKey(itemIconKey) ? dynamic_pointer_cast<Image>(coder.decodeObjectOfClassForKey(Image::staticClass(), itemIconKey))
                                                   : nullptr);
    if (coder.containsValueForKey(itemChildrenKey)) {
        const Value children = coder.decodeObjectForKey(itemChildrenKey);
        Children decoded;
        if (!children.isArray())
            coder.failWithError(QStringLiteral("a source-list item's children must be an array"));
        for (const Value& v : children.array()) {
            if (Ref<JVLOutlineSourceListItem> child = v.objectAs<JVLOutlineSourceListItem>())
                decoded.push_back(child);
            else
                coder.failWithError(QStringLiteral("a source-list item's child must be a JVLOutlineSourceListItem"));
        }
        setChildren(std::move(decoded));
    }
    setBadgeValue(coder.decodeIntegerForKey(itemBadgeValueKey));
}

void JVLOutlineSourceListItem::copyTo(Object& copy) const
{
    Object::copyTo(copy);
    auto& item = static_cast<JVLOutlineSourceListItem&>(copy);
    item.setTitle(title_);
    item.setIdentifier(identifier_);
    item.setIcon(icon_);
    item.setBadgeValue(badgeValue_);
    item.setDelegate(delegate_.lock().get());
}
