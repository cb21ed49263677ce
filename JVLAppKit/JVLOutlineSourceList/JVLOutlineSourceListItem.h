#pragma once

// A node of the tree a source list's data source keeps: title, identifier, icon, badge, a weak
// parent and an ordered list of children. Every change is told to the delegate of the tree's root
// and posted on the default notification centre; the tree searches, archives and copies itself.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Predicate.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/Image.h"

#include <vector>

class JVLOutlineSourceListItem;

inline const QString JVLOutlineSourceListItemDidAddEntryNotification = QStringLiteral("JVLOutlineSourceListItemDidAddEntryNotification");
inline const QString JVLOutlineSourceListItemDidRemoveEntryNotification
    = QStringLiteral("JVLOutlineSourceListItemDidRemoveEntryNotification");
inline const QString JVLOutlineSourceListItemAttributesChangedEntryNotification
    = QStringLiteral("JVLOutlineSourceListItemAttributesChangedEntryNotification");
// The user-info key of the add and remove notifications: the item that gained or lost the child.
inline const QString JVLOutlineSourceListItemParentKey = QStringLiteral("parent");

// Optional operations of the item delegate, each asked through respondsToSelector (register them
// with c.optionalOperations). Only the root's delegate is ever asked.
class JVLOutlineSourceListItemDelegate {
public:
    virtual ~JVLOutlineSourceListItemDelegate() = default;
    virtual void outlineSourceListItemDidAddEntryAtIndex(JVLOutlineSourceListItem*, JVLOutlineSourceListItem*, std::int64_t) { }
    virtual void outlineSourceListItemDidRemoveEntryAtIndex(JVLOutlineSourceListItem*, JVLOutlineSourceListItem*, std::int64_t) { }
    virtual void outlineSourceListItemAttributesChanged(JVLOutlineSourceListItem*) { }
};

class JVLOutlineSourceListItem : public kit::Object, public kit::Coding {
    KIT_CLASS(JVLOutlineSourceListItem)

    using Children = std::vector<kit::Ref<JVLOutlineSourceListItem>>;

    JVLOutlineSourceListItem() = default;
    // Made, then titled through setTitle (so the attributes notification goes out).
    static kit::Ref<JVLOutlineSourceListItem> itemWithTitle(const QString& title);
    static kit::Ref<JVLOutlineSourceListItem> itemWithTitleAndIdentifier(const QString& title, const QString& identifier);

    // Tells the root's delegate, then posts the attributes notification.
    void setTitle(const QString& title);
    QString title() const { return title_; }
    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }
    kit::Ref<kit::Image> icon() const { return icon_; }
    void setIcon(kit::Ref<kit::Image> icon) { icon_ = std::move(icon); }
    // Negative: no badge. 0 is a badge.
    std::int64_t badgeValue() const { return badgeValue_; }
    void setBadgeValue(std::int64_t value) { badgeValue_ = value; }
    // Weak: null once the parent is gone. A removed child keeps it.
    kit::Ref<JVLOutlineSourceListItem> parent() const { return parent_.lock(); }
    void setParent(JVLOutlineSourceListItem* parent) { parent_ = parent; }
    kit::Ref<kit::Object> delegate() const { return delegate_.lock(); }
    void setDelegate(kit::Object* delegate) { delegate_ = delegate; }

    bool hasBadge() const { return badgeValue_ >= 0; }
    bool hasIcon() const { return bool(icon_); }
    bool hasChildren() const { return !children_.empty(); }
    std::int64_t countOfChildren() const { return std::int64_t(children_.size()); }

    const Children& children() const { return children_; }
    // The children as made by the first insertion; false until then.
    bool hasChildrenArray() const { return childrenMade_; }
    // Plain: no notification; the parents stay as they are (see setParentForTree).
    void setChildren(Children children);
    // The children, made empty first when there were none.
    const Children& childEnumerator();
    // RangeException for a bad index.
    kit::Ref<JVLOutlineSourceListItem> childAtIndex(std::int64_t index) const;
    // By identity; kit::NotFound when absent.
    std::int64_t indexOfChild(const JVLOutlineSourceListItem* child) const;
    // The last direct child with that identifier, or null.
    kit::Ref<JVLOutlineSourceListItem> childWithIdentifier(const QString& identifier) const;

    // Insertion with the delegate call and the notification; the silent forms without. A child
    // that is the receiver or one of its ancestors raises InvalidArgumentException (it would make
    // a cycle); a bad index raises RangeException.
    void addChild(JVLOutlineSourceListItem* child);
    void insertChildAtIndex(JVLOutlineSourceListItem* child, std::int64_t index);
    void silentAddChild(JVLOutlineSourceListItem* child);
    void silentInsertChildAtIndex(JVLOutlineSourceListItem* child, std::int64_t index);

    // Removal, each child with its delegate call and notification. RangeException for a bad index
    // or an item that is no child.
    void removeChildAtIndex(std::int64_t index);
    void removeChild(JVLOutlineSourceListItem* child);
    void removeChildren(Children children);
    // In order, each reported at index 0.
    void removeAllChildren();

    kit::Ref<JVLOutlineSourceListItem> rootObject() const;
    // Sets every child's parent to its holder, through the whole subtree.
    void setParentForTree();
    // YES for the node itself and for each of its ancestors.
    bool isDescendantOfNode(const JVLOutlineSourceListItem* node) const;
    bool isDescendantOfNodeInArray(const kit::Array& nodes) const;
    // The receiver's matching children of the class first, then each child's own result in turn.
    kit::Array filteredFlatObjectTreeWithPredicateObjectClass(const kit::Predicate& predicate, const kit::Class& cls) const;
    // The items reduced to their topmost representatives (see the .cpp for the exact steps).
    static kit::Array minimumNodeCoverFromNodesInArray(const kit::Array& nodes);

    // kit::Coding: "title", "identifier", "icon", "children" and "badgeValue".
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

protected:
    // The copy: title (through setTitle), identifier, icon, badge and delegate; no parent, no children.
    void copyTo(kit::Object& copy) const override;

private:
    // Checks, takes the child out of the list of its parent (told or silently), then inserts it.
    void insertChild(JVLOutlineSourceListItem* child, std::int64_t index, bool tell);
    void checkInsertable(const JVLOutlineSourceListItem* child, std::int64_t index, const char* method) const;
    JVLOutlineSourceListItemDelegate* rootDelegateResponding(const char* operation) const;

    QString title_;
    QString identifier_;
    kit::Ref<kit::Image> icon_;
    std::int64_t badgeValue_ = -1;
    kit::Weak<JVLOutlineSourceListItem> parent_;
    kit::Weak<kit::Object> delegate_;
    Children children_;
    bool childrenMade_ = false;
};
