// Keyed archiving of menus and their items, under kit-private keys. Menus hold their items and
// items their submenus strongly, so an archive from a file a user edits could describe a loop that
// would never be freed, or put one item into two menus: decoding leaves such items and submenus
// out. The target is conditional, the action is kept by name, and a represented object is kept
// only when it can be archived (plain values always can).

#include "kit/controls/ArchivableValue.h"
#include "kit/controls/Menu.h"
#include "kit/controls/MenuItem.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace kit {

namespace {

const QString titleKey = QStringLiteral("kit.title");
const QString itemsKey = QStringLiteral("kit.items");
const QString autoenablesKey = QStringLiteral("kit.autoenablesItems");

const QString keyEquivalentKey = QStringLiteral("kit.keyEquivalent");
const QString keyMaskKey = QStringLiteral("kit.keyEquivalentModifierMask");
const QString tagKey = QStringLiteral("kit.tag");
const QString stateKey = QStringLiteral("kit.state");
const QString enabledKey = QStringLiteral("kit.enabled");
const QString menuHiddenKey = QStringLiteral("kit.hidden");
const QString separatorKey = QStringLiteral("kit.separator");
const QString representedObjectKey = QStringLiteral("kit.representedObject");
const QString submenuKey = QStringLiteral("kit.submenu");
const QString actionKey = QStringLiteral("kit.action");
const QString targetKey = QStringLiteral("kit.target");
const QString imageNameKey = QStringLiteral("kit.imageName");

// Whether `menu` is `target` or holds it somewhere below through submenus.
bool reaches(const Menu* menu, const Menu* target, std::set<const Menu*>& seen)
{
    if (!menu || !seen.insert(menu).second)
        return false;
    if (menu == target)
        return true;
    return std::any_of(menu->itemArray().begin(), menu->itemArray().end(),
        [&](const Ref<MenuItem>& item) { return reaches(item->submenu().get(), target, seen); });
}

// Whether `item` is among the items of `menu` or of any menu below it.
bool holds(const Menu* menu, const MenuItem* item, std::set<const Menu*>& seen)
{
    if (!menu || !seen.insert(menu).second)
        return false;
    return std::any_of(menu->itemArray().begin(), menu->itemArray().end(),
        [&](const Ref<MenuItem>& i) { return i.get() == item || holds(i->submenu().get(), item, seen); });
}

} // namespace

bool detail::isArchivableValue(const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Object:
        return dynamic_cast<const Coding*>(v.object().get()) != nullptr;
    case Value::Kind::Real:
        return std::isfinite(v.doubleValue());
    case Value::Kind::Array:
        return std::all_of(v.array().begin(), v.array().end(), detail::isArchivableValue);
    case Value::Kind::Set:
        return std::all_of(v.set().begin(), v.set().end(), detail::isArchivableValue);
    case Value::Kind::Dictionary:
        return std::all_of(v.dictionary().begin(), v.dictionary().end(),
            [](const auto& pair) { return detail::isArchivableValue(pair.first) && detail::isArchivableValue(pair.second); });
    case Value::Kind::Marker:
        return false;
    default:
        return true;
    }
}

// MenuItem ---------------------------------------------------------------------------------------

void MenuItem::encodeWithCoder(Coder& coder) const
{
    coder.encodeObjectForKey(Value(title_), titleKey);
    if (separator_)
        coder.encodeBoolForKey(true, separatorKey);
    coder.encodeObjectForKey(Value(keyEquivalent_), keyEquivalentKey);
    coder.encodeIntegerForKey(std::int64_t(keyEquivalentMask_), keyMaskKey);
    coder.encodeIntegerForKey(tag_, tagKey);
    coder.encodeIntForKey(state_, stateKey);
    coder.encodeBoolForKey(enabled_, enabledKey);
    if (hidden_)
        coder.encodeBoolForKey(true, menuHiddenKey);
    if (detail::isArchivableValue(representedObject_))
        coder.encodeObjectForKey(representedObject_, representedObjectKey);
    if (submenu_)
        coder.encodeObjectForKey(Value(submenu_), submenuKey);
    if (!action_.isNull())
        coder.encodeObjectForKey(Value(action_.name()), actionKey);
    coder.encodeConditionalObjectForKey(target_.lock().get(), targetKey);
    // Only a named image can be found again.
    if (image_ && !image_->name().isEmpty())
        coder.encodeObjectForKey(Value(image_->name()), imageNameKey);
}

void MenuItem::initWithCoder(Coder& coder)
{
    if (coder.containsValueForKey(titleKey))
        title_ = coder.decodeStringForKey(titleKey);
    if (coder.containsValueForKey(separatorKey) && coder.decodeBoolForKey(separatorKey)) {
        separator_ = true;
        enabled_ = false;
    }
    if (coder.containsValueForKey(keyEquivalentKey))
        keyEquivalent_ = coder.decodeStringForKey(keyEquivalentKey);
    if (coder.containsValueForKey(keyMaskKey))
        keyEquivalentMask_ = std::uint64_t(coder.decodeIntegerForKey(keyMaskKey));
    if (coder.containsValueForKey(tagKey))
        tag_ = coder.decodeIntegerForKey(tagKey);
    if (coder.containsValueForKey(stateKey))
        state_ = std::clamp(coder.decodeIntForKey(stateKey), int(-1), int(1));
    if (coder.containsValueForKey(enabledKey))
        enabled_ = coder.decodeBoolForKey(enabledKey);
    if (coder.containsValueForKey(menuHiddenKey))
        hidden_ = coder.decodeBoolForKey(menuHiddenKey);
    if (coder.containsValueForKey(representedObjectKey))
        representedObject_ = coder.decodeObjectForKey(representedObjectKey);
    if (coder.containsValueForKey(submenuKey)) {
        const auto submenu = static_pointer_cast<Menu>(coder.decodeObjectOfClassForKey(Menu::staticClass(), submenuKey));
        std::set<const Menu*> seen;
        // A submenu that holds this item, or that is its own menu, would close a loop.
        if (submenu && !holds(submenu.get(), this, seen) && submenu != menu())
            setSubmenu(submenu);
    }
    if (coder.containsValueForKey(actionKey))
        action_ = selectorFromString(coder.decodeStringForKey(actionKey));
    if (coder.containsValueForKey(targetKey))
        if (const Value v = coder.decodeObjectForKey(targetKey); v.isObject())
            target_ = v.object().get();
    if (coder.containsValueForKey(imageNameKey))
        if (Ref<Image> image = Image::imageNamed(coder.decodeStringForKey(imageNameKey)))
            image_ = std::move(image);
}

// Menu -------------------------------------------------------------------------------------------

void Menu::encodeWithCoder(Coder& coder) const
{
    coder.encodeObjectForKey(Value(title_), titleKey);
    coder.encodeBoolForKey(autoenables_, autoenablesKey);
    Array items;
    for (const Ref<MenuItem>& item : items_)
        items.addObject(Value(item));
    coder.encodeObjectForKey(Value(items), itemsKey);
}

void Menu::initWithCoder(Coder& coder)
{
    if (coder.containsValueForKey(titleKey))
        title_ = coder.decodeStringForKey(titleKey);
    if (coder.containsValueForKey(autoenablesKey))
        autoenables_ = coder.decodeBoolForKey(autoenablesKey);
    const Value items = coder.decodeObjectForKey(itemsKey);
    if (!items.isArray())
        return;
    for (const Value& v : items.array()) {
        const auto item = v.objectAs<MenuItem>();
        if (!item || item->menu())
            continue; // not an item, or one that another menu (or this one) took already
        std::set<const Menu*> seen;
        if (reaches(item->submenu().get(), this, seen))
            continue;
        addItem(item);
    }
}

} // namespace kit
