#include "kit/controls/Menu.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Responder.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Control.h"

#include <memory>
#include <stdexcept>

namespace kit {

KIT_REGISTER_CLASS(MenuItem, Object)
{
    // Interface files connect actions through these two keys.
    c.property(
        "target", [](const MenuItem& x) { return Value(x.target()); }, [](MenuItem& x, const Value& v) { x.setTarget(v.object().get()); });
    c.property(
        "action", [](const MenuItem& x) { return Value(x.action().name()); },
        [](MenuItem& x, const Value& v) { x.setAction(selectorFromString(v.stringValue())); });
    c.copyable();
}

KIT_REGISTER_CLASS(Menu, Object) { c.copyable(); }

// MenuItem -----------------------------------------------------------------------------------------

MenuItem::MenuItem(const QString& title, Selector action, const QString& keyEquivalent)
    : title_(title)
    , action_(action)
    , keyEquivalent_(keyEquivalent)
{ }

MenuItem::~MenuItem()
{
    if (submenu_)
        submenu_->supermenu_ = nullptr;
}

Ref<MenuItem> MenuItem::separatorItem()
{
    auto item = make<MenuItem>();
    item->separator_ = true;
    item->enabled_ = false;
    return item;
}

void MenuItem::copyTo(Object& copy) const
{
    Object::copyTo(copy);
    auto& c = static_cast<MenuItem&>(copy);
    c.title_ = title_;
    c.action_ = action_;
    c.target_ = target_;
    c.tag_ = tag_;
    c.state_ = state_;
    c.image_ = image_;
    c.representedObject_ = representedObject_;
    c.enabled_ = enabled_;
    c.hidden_ = hidden_;
    c.separator_ = separator_;
    c.keyEquivalent_ = keyEquivalent_;
    c.keyEquivalentMask_ = keyEquivalentMask_;
    // A submenu has one supermenu, so the copy gets its own.
    if (submenu_)
        c.setSubmenu(static_pointer_cast<Menu>(submenu_->copy()));
}

void MenuItem::setSubmenu(Ref<Menu> submenu)
{
    if (submenu_)
        submenu_->supermenu_ = nullptr;
    submenu_ = std::move(submenu);
    if (submenu_)
        submenu_->supermenu_ = menu_.lock();
}

// Menu ---------------------------------------------------------------------------------------------

void Menu::copyTo(Object& copy) const
{
    Object::copyTo(copy);
    auto& c = static_cast<Menu&>(copy);
    c.title_ = title_;
    c.autoenables_ = autoenables_;
    c.delegateObject_ = delegateObject_;
    c.delegate_ = delegate_;
    for (const Ref<MenuItem>& item : items_)
        c.addItem(static_pointer_cast<MenuItem>(item->copy()));
}

Menu::Menu(const QString& title)
    : title_(title)
{
    installApplicationHooks();
}

Menu::~Menu()
{
    for (const Ref<MenuItem>& item : items_)
        item->menu_ = nullptr;
}

Ref<MenuItem> Menu::itemAtIndex(std::int64_t index) const
{
    return index >= 0 && index < numberOfItems() ? items_[std::size_t(index)] : nullptr;
}

Ref<MenuItem> Menu::itemWithTitle(const QString& title) const { return itemAtIndex(indexOfItemWithTitle(title)); }
Ref<MenuItem> Menu::itemWithTag(std::int64_t tag) const { return itemAtIndex(indexOfItemWithTag(tag)); }

namespace {
template <class P> std::int64_t findIndex(const std::vector<Ref<MenuItem>>& items, P p)
{
    for (std::size_t i = 0; i < items.size(); ++i)
        if (p(*items[i]))
            return std::int64_t(i);
    return -1;
}
} // namespace

std::int64_t Menu::indexOfItem(const MenuItem* item) const
{
    return findIndex(items_, [item](const MenuItem& i) { return &i == item; });
}

std::int64_t Menu::indexOfItemWithTitle(const QString& title) const
{
    return findIndex(items_, [&title](const MenuItem& i) { return i.title() == title; });
}

std::int64_t Menu::indexOfItemWithTag(std::int64_t tag) const
{
    return findIndex(items_, [tag](const MenuItem& i) { return i.tag() == tag; });
}

std::int64_t Menu::indexOfItemWithRepresentedObject(const Value& object) const
{
    return findIndex(items_, [&object](const MenuItem& i) { return i.representedObject().identicalTo(object); });
}

std::int64_t Menu::indexOfItemWithSubmenu(const Menu* submenu) const
{
    return findIndex(items_, [submenu](const MenuItem& i) { return i.submenu().get() == submenu; });
}

void Menu::addItem(Ref<MenuItem> item) { insertItemAtIndex(std::move(item), numberOfItems()); }

void Menu::insertItemAtIndex(Ref<MenuItem> item, std::int64_t index)
{
    if (!item)
        throw std::invalid_argument("Menu: inserting a null item");
    if (item->menu_.lock())
        throw std::invalid_argument("Menu: the item is already in a menu");
    if (index < 0 || index > numberOfItems())
        throw std::out_of_range("Menu: index beyond the end");
    item->menu_ = this;
    if (item->submenu_)
        item->submenu_->supermenu_ = this;
    items_.insert(items_.begin() + index, std::move(item));
}

Ref<MenuItem> Menu::addItemWithTitleActionKeyEquivalent(const QString& title, Selector action, const QString& key)
{
    return insertItemWithTitleActionKeyEquivalentAtIndex(title, action, key, numberOfItems());
}

Ref<MenuItem> Menu::insertItemWithTitleActionKeyEquivalentAtIndex(
    const QString& title, Selector action, const QString& key, std::int64_t index)
{
    auto item = make<MenuItem>(title, action, key);
    insertItemAtIndex(item, index);
    return item;
}

void Menu::removeItem(MenuItem* item)
{
    const std::int64_t index = indexOfItem(item);
    if (index >= 0)
        removeItemAtIndex(index);
}

void Menu::removeItemAtIndex(std::int64_t index)
{
    if (index < 0 || index >= numberOfItems())
        throw std::out_of_range("Menu: index beyond the end");
    const Ref<MenuItem> item = items_[std::size_t(index)];
    items_.erase(items_.begin() + index);
    item->menu_ = nullptr;
    if (item->submenu_)
        item->submenu_->supermenu_ = nullptr;
}

void Menu::removeAllItems()
{
    for (const Ref<MenuItem>& item : items_) {
        item->menu_ = nullptr;
        if (item->submenu_)
            item->submenu_->supermenu_ = nullptr;
    }
    items_.clear();
}

void Menu::setDelegate(Object* owner, MenuDelegate* delegate)
{
    delegateObject_ = owner;
    delegate_ = owner ? delegate : nullptr;
}

Ref<Menu> Menu::rootMenu()
{
    Ref<Menu> menu(this);
    while (const Ref<Menu> super = menu->supermenu())
        menu = super;
    return menu;
}

void Menu::update()
{
    if (!autoenables_)
        return;
    const std::vector<Ref<MenuItem>> items = items_;
    const bool ownedByPopUp = popUpOwner() != nullptr;
    for (const Ref<MenuItem>& item : items) {
        if (item->isSeparatorItem())
            continue;
        if (item->action().isNull()) {
            item->setEnabled(ownedByPopUp || item->hasSubmenu());
        } else {
            item->setEnabled(validateUserInterfaceItemForTarget(*item, item->targetReference(), [&](Object* validator) {
                auto* validation = dynamic_cast<MenuItemValidation*>(validator);
                return validation ? std::optional<bool>(validation->validateMenuItem(item.get())) : std::nullopt;
            }));
        }
    }
}

void Menu::fillFromDelegate()
{
    MenuDelegate* d = delegate();
    if (!d)
        return;
    const Ref<Object> keep = delegateObject_.lock();
    const std::int64_t count = d->numberOfItemsInMenu(this);
    if (count < 0)
        return;
    while (numberOfItems() > count)
        removeItemAtIndex(numberOfItems() - 1);
    while (numberOfItems() < count)
        addItem(make<MenuItem>());
    for (std::int64_t i = 0; i < count; ++i) {
        const Ref<MenuItem> item = itemAtIndex(i);
        if (!item || !d->menuUpdateItemAtIndexShouldCancel(this, item.get(), i, false))
            break;
    }
}

bool Menu::sendItemAction(MenuItem& item)
{
    if (item.action().isNull())
        return false;
    const Ref<MenuItem> keep(&item);
    return Application::sharedApplication()->sendActionToFrom(item.action(), item.targetReference(), &item);
}

namespace {

// What the installed hooks share: the application drops the hooks on a test reset, and the main
// menu goes with them.
struct Hooks {
    Ref<Menu> mainMenu;
};

std::weak_ptr<Hooks>& hooksSlot()
{
    static std::weak_ptr<Hooks> slot;
    return slot;
}

bool keyMatches(const MenuItem& item, const Event& event)
{
    const QString key = item.keyEquivalent();
    if (key.isEmpty())
        return false;
    std::uint64_t mask = item.keyEquivalentModifierMask();
    if (key.size() == 1 && key.at(0).isUpper())
        mask |= ShiftKeyMask;
    const std::uint64_t relevant = ShiftKeyMask | ControlKeyMask | AlternateKeyMask | CommandKeyMask;
    return (event.modifierFlags() & relevant) == mask && event.charactersIgnoringModifiers().compare(key, Qt::CaseInsensitive) == 0;
}

} // namespace

bool Menu::performKeyEquivalent(const Event& event)
{
    if (event.type() != KeyDown)
        return false;
    const Ref<Menu> keep(this);
    fillFromDelegate();
    update();
    for (const Ref<MenuItem>& item : std::vector<Ref<MenuItem>>(items_)) {
        if (item->isSeparatorItem() || item->isHidden())
            continue;
        if (const Ref<Menu> sub = item->submenu()) {
            if (sub->performKeyEquivalent(event))
                return true;
            continue;
        }
        if (item->isEnabled() && keyMatches(*item, event) && sendItemAction(*item))
            return true;
    }
    return false;
}

Ref<Menu> Menu::mainMenu()
{
    const std::shared_ptr<Hooks> hooks = hooksSlot().lock();
    return hooks ? hooks->mainMenu : nullptr;
}

void Menu::setMainMenu(Ref<Menu> menu)
{
    installApplicationHooks();
    hooksSlot().lock()->mainMenu = std::move(menu);
}

void Menu::installApplicationHooks()
{
    if (!hooksSlot().expired())
        return;
    auto hooks = std::make_shared<Hooks>();
    hooksSlot() = hooks;
    const Ref<Application> app = Application::sharedApplication();
    app->setMainMenuKeyEquivalentHandler([hooks](const Event& event) {
        const Ref<Menu> menu = hooks->mainMenu;
        return menu && menu->performKeyEquivalent(event);
    });
    app->setContextMenuPresenter([hooks](Object* object, const Event& event, View* view) {
        const Ref<Menu> menu(dynamic_cast<Menu*>(object));
        if (!menu || !view)
            return;
        const Ref<View> keep(view);
        MenuPresentation where;
        where.view = view;
        where.location = view->convertPointFromView(event.locationInWindow(), nullptr);
        if (const auto* control = dynamic_cast<const Control*>(view))
            where.font = control->font();
        menu->runSession(where);
    });
}

} // namespace kit
