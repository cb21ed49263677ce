// Keyed archiving of controls and the pop-up cell, under kit-private keys like the cells'. A
// control archives its view part and its cell; everything a control forwards (enabled, tag,
// target, action, values) lives in the cell. Archives may come from files a user edits, so a
// decoded cell must be a kind of the cell the control's class makes itself (a pop-up button relies
// on its cell being a pop-up cell), and numbers of the wrong range fall back to the defaults.

#include "kit/controls/Button.h"
#include "kit/controls/Control.h"
#include "kit/controls/PopUpButtonCell.h"

namespace kit {

namespace {

const QString cellKey = QStringLiteral("kit.cell");

const QString menuKey = QStringLiteral("kit.menu");
const QString selectedIndexKey = QStringLiteral("kit.selectedIndex");
const QString pullsDownKey = QStringLiteral("kit.pullsDown");
const QString preferredEdgeKey = QStringLiteral("kit.preferredEdge");
const QString altersStateKey = QStringLiteral("kit.altersStateOfSelectedItem");
const QString usesItemFromMenuKey = QStringLiteral("kit.usesItemFromMenu");
const QString menuItemKey = QStringLiteral("kit.menuItem");
const QString arrowPositionKey = QStringLiteral("kit.arrowPosition");

// The integer under `key` when it is present and within [low, high].
std::optional<std::int64_t> integerInRange(Coder& coder, const QString& key, std::int64_t low, std::int64_t high)
{
    if (!coder.containsValueForKey(key))
        return std::nullopt;
    const std::int64_t v = coder.decodeIntegerForKey(key);
    if (v < low || v > high)
        return std::nullopt;
    return v;
}

} // namespace

// Control ----------------------------------------------------------------------------------------

void Control::encodeWithCoder(Coder& coder) const
{
    View::encodeWithCoder(coder);
    if (cell_)
        coder.encodeObjectForKey(Value(cell_), cellKey);
}

void Control::initWithCoder(Coder& coder)
{
    View::initWithCoder(coder);
    if (!coder.containsValueForKey(cellKey))
        return;
    const Ref<Cell> decoded = static_pointer_cast<Cell>(coder.decodeObjectOfClassForKey(Cell::staticClass(), cellKey));
    if (!decoded)
        return;
    if (cell_ && !decoded->isKindOfClass(cell_->class_())) {
        coder.failWithError(QStringLiteral("a %1 cannot be the cell of a %2").arg(decoded->class_().name(), class_().name()));
        return;
    }
    // One cell, one control: a cell another decoded control took already stays with it.
    if (const Ref<View> owner = decoded->controlView(); owner && owner.get() != this)
        return;
    setCell(decoded);
}

// Button -----------------------------------------------------------------------------------------

void Button::initWithCoder(Coder& coder)
{
    Control::initWithCoder(coder);
    rebuildTrackingArea();
}

// PopUpButtonCell --------------------------------------------------------------------------------

void PopUpButtonCell::encodeWithCoder(Coder& coder) const
{
    ButtonCell::encodeWithCoder(coder);
    coder.encodeBoolForKey(p_.pullsDown, pullsDownKey);
    if (p_.menu)
        coder.encodeObjectForKey(Value(p_.menu), menuKey);
    coder.encodeIntegerForKey(indexOfSelectedItem(), selectedIndexKey);
    coder.encodeIntegerForKey(std::int64_t(p_.preferredEdge), preferredEdgeKey);
    coder.encodeBoolForKey(p_.altersState, altersStateKey);
    coder.encodeBoolForKey(p_.usesItemFromMenu, usesItemFromMenuKey);
    if (p_.faceItem)
        coder.encodeObjectForKey(Value(p_.faceItem), menuItemKey);
    coder.encodeIntegerForKey(std::int64_t(p_.arrowPosition), arrowPositionKey);
}

void PopUpButtonCell::initWithCoder(Coder& coder)
{
    // The inherited title lands in the plain factory's menu, which the archived one replaces.
    ButtonCell::initWithCoder(coder);
    if (coder.containsValueForKey(pullsDownKey))
        p_.pullsDown = coder.decodeBoolForKey(pullsDownKey);
    if (coder.containsValueForKey(altersStateKey))
        p_.altersState = coder.decodeBoolForKey(altersStateKey);
    if (coder.containsValueForKey(usesItemFromMenuKey))
        p_.usesItemFromMenu = coder.decodeBoolForKey(usesItemFromMenuKey);
    if (const auto edge = integerInRange(coder, preferredEdgeKey, MinXEdge, MaxYEdge))
        p_.preferredEdge = RectEdge(*edge);
    if (const auto position = integerInRange(coder, arrowPositionKey, PopUpNoArrow, PopUpArrowAtBottom))
        p_.arrowPosition = PopUpArrowPosition(*position);
    if (coder.containsValueForKey(menuItemKey))
        p_.faceItem = static_pointer_cast<MenuItem>(coder.decodeObjectOfClassForKey(MenuItem::staticClass(), menuItemKey));
    if (coder.containsValueForKey(menuKey)) {
        // Set directly: the items' states were archived as they were, so selecting must not alter them.
        if (const Ref<Object> menu = coder.decodeObjectOfClassForKey(Menu::staticClass(), menuKey)) {
            p_.menu = static_pointer_cast<Menu>(menu);
            p_.menu->setPopUpOwner(this);
            p_.selected = nullptr;
        }
    }
    if (coder.containsValueForKey(selectedIndexKey))
        p_.selected = itemAtIndex(coder.decodeIntegerForKey(selectedIndexKey));
    // A pop-up with items always shows one.
    if (!p_.pullsDown && !selectedItem() && numberOfItems() > 0)
        p_.selected = itemAtIndex(0);
    changed();
}

} // namespace kit
