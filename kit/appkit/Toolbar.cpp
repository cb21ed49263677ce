#include "kit/appkit/Toolbar.h"

#include "kit/appkit/ToolbarView.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/core/Value.h"

namespace kit {

Toolbar::Toolbar(const QString& identifier)
    : identifier_(identifier)
{
    setMainThreadAffine();
}

Toolbar::~Toolbar()
{
    for (const Ref<ToolbarItem>& item : items_)
        item->toolbar_ = nullptr;
}

ToolbarDelegate* Toolbar::delegateFor(const char* operation) const
{
    const Ref<Object> d = delegate();
    if (!d || !d->respondsToSelector(Selector(operation)))
        return nullptr;
    return dynamic_cast<ToolbarDelegate*>(d.get());
}

void Toolbar::setDelegate(Object* delegate) { delegate_ = delegate; }

const std::vector<Ref<ToolbarItem>>& Toolbar::items()
{
    loadItems();
    return items_;
}

void Toolbar::loadItems()
{
    // Loaded once, when a delegate can name them.
    if (loaded_ || !delegate())
        return;
    loaded_ = true;
    const Ref<Object> keep = delegate();
    ToolbarDelegate* d = delegateFor("toolbarDefaultItemIdentifiers");
    if (!d)
        return;
    const QStringList identifiers = d->toolbarDefaultItemIdentifiers(this);
    for (const QString& identifier : identifiers)
        insertItemWithItemIdentifierAtIndex(identifier, items_.size());
}

Ref<ToolbarItem> Toolbar::makeItem(const QString& identifier)
{
    if (identifier == ToolbarSeparatorItemIdentifier || identifier == ToolbarSpaceItemIdentifier
        || identifier == ToolbarFlexibleSpaceItemIdentifier) {
        auto item = make<ToolbarItem>(identifier);
        item->setEnabled(false);
        item->setAutovalidates(false);
        return item;
    }
    const Ref<Object> keep = delegate();
    if (ToolbarDelegate* d = delegateFor("toolbarItemForItemIdentifierWillBeInsertedIntoToolbar"))
        return d->toolbarItemForItemIdentifierWillBeInsertedIntoToolbar(this, identifier, true);
    return nullptr;
}

void Toolbar::insertItemWithItemIdentifierAtIndex(const QString& identifier, std::size_t index)
{
    loadItems();
    const Ref<ToolbarItem> item = makeItem(identifier);
    if (!item)
        return;
    const Ref<Notification> note = Notification::notificationWithNameObjectUserInfo(
        ToolbarWillAddItemNotification, this, Dictionary { { Value(ToolbarItemKey), Value(Ref<Object>(item)) } });
    if (ToolbarDelegate* d = delegateFor("toolbarWillAddItem"))
        d->toolbarWillAddItem(note.get());
    NotificationCenter::defaultCenter()->postNotification(note);
    item->toolbar_ = this;
    items_.insert(items_.begin() + std::ptrdiff_t(std::min(index, items_.size())), item);
    item->validate();
    itemsChanged();
}

void Toolbar::removeItemAtIndex(std::size_t index)
{
    loadItems();
    if (index >= items_.size())
        return;
    const Ref<ToolbarItem> item = items_[index];
    items_.erase(items_.begin() + std::ptrdiff_t(index));
    item->toolbar_ = nullptr;
    if (const Ref<View> v = item->view())
        v->removeFromSuperview();
    itemsChanged();
    const Ref<Notification> note = Notification::notificationWithNameObjectUserInfo(
        ToolbarDidRemoveItemNotification, this, Dictionary { { Value(ToolbarItemKey), Value(Ref<Object>(item)) } });
    if (ToolbarDelegate* d = delegateFor("toolbarDidRemoveItem"))
        d->toolbarDidRemoveItem(note.get());
    NotificationCenter::defaultCenter()->postNotification(note);
}

bool Toolbar::isSelectable(const QString& identifier)
{
    ToolbarDelegate* d = delegateFor("toolbarSelectableItemIdentifiers");
    return d && d->toolbarSelectableItemIdentifiers(this).contains(identifier);
}

void Toolbar::setSelectedItemIdentifier(const QString& identifier)
{
    const QString before = selected_;
    setValueNotifying(QStringLiteral("selectedItemIdentifier"), selected_, identifier);
    itemsChanged();
    // The items that went in or out tell a screen reader.
    if (before != identifier)
        for (const Ref<ToolbarItem>& item : std::vector<Ref<ToolbarItem>>(items_))
            if (item->itemIdentifier() == before || item->itemIdentifier() == identifier)
                item->accessibilityValueChanged();
}

void Toolbar::setVisible(bool flag)
{
    if (visible_ == flag)
        return;
    willChangeValueForKey(QStringLiteral("visible"));
    const Ref<Window> w = window();
    const double before = w ? w->toolbarHeight() : 0;
    visible_ = flag;
    if (w)
        w->toolbarHeightChanged(before);
    if (flag)
        validateVisibleItems();
    didChangeValueForKey(QStringLiteral("visible"));
}

void Toolbar::setShowsBaselineSeparator(bool flag)
{
    baseline_ = flag;
    itemsChanged();
}

void Toolbar::validateVisibleItems()
{
    const std::vector<Ref<ToolbarItem>> items = this->items();
    for (const Ref<ToolbarItem>& item : items)
        item->validate();
}

Ref<View> Toolbar::toolbarView()
{
    if (!view_)
        view_ = make<ToolbarView>(this);
    return view_;
}

void Toolbar::attachToWindow(Window* window)
{
    window_ = window;
    if (!window) {
        if (view_)
            view_->removeFromSuperview();
        return;
    }
    loadItems();
    validateVisibleItems();
    itemsChanged();
}

void Toolbar::itemsChanged()
{
    if (view_)
        view_->itemsChanged();
}

KIT_REGISTER_CLASS(Toolbar, Object)
{
    c.property("identifier", &Toolbar::identifier);
    c.property("visible", &Toolbar::isVisible, &Toolbar::setVisible);
    c.property("selectedItemIdentifier", &Toolbar::selectedItemIdentifier, &Toolbar::setSelectedItemIdentifier);
    c.property("showsBaselineSeparator", &Toolbar::showsBaselineSeparator, &Toolbar::setShowsBaselineSeparator);
}

} // namespace kit
