// What controls that hold a value show to accessibility: editable text that takes a new string as
// a user edit would, pop-up buttons valued by their selected title, steppers and level indicators
// with their number, range and step actions. Each change goes the way the user's own would, so
// delegates, actions and bindings see nothing new.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/View.h"
#include "kit/controls/Cell.h"
#include "kit/controls/Control.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/PopUpButtonCell.h"
#include "kit/controls/Stepper.h"
#include "kit/core/NotificationCenter.h"

namespace kit {

namespace valuecontrolaccessibility {

QStringList rangedAttributeNames(const Cell& cell)
{
    QStringList names = cell.Cell::accessibilityAttributeNames();
    names << AccessibilityMinValueAttribute << AccessibilityMaxValueAttribute;
    return names;
}

// Role, value and range of a cell holding a number in [min, max]; nil for other attributes.
Value rangedAttribute(const Cell& cell, const QString& role, double min, double max, const QString& attribute)
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(role);
    if (attribute == AccessibilityValueAttribute)
        return Value(cell.doubleValue());
    if (attribute == AccessibilityMinValueAttribute)
        return Value(min);
    if (attribute == AccessibilityMaxValueAttribute)
        return Value(max);
    return {};
}

// The cell's control shows the change and hears of it as after a press.
void redisplayAndSend(Cell& cell)
{
    if (const Ref<View> view = cell.controlView())
        view->setNeedsDisplay(true);
    cell.sendActionFromCell();
}

// A new number, clamped by the cell's own setter.
void setRangedValue(Cell& cell, const Value& value)
{
    if (!value.isNumber())
        return;
    const Ref<Cell> keep(&cell);
    cell.setDoubleValue(value.doubleValue());
    redisplayAndSend(cell);
}

} // namespace valuecontrolaccessibility

// Editable text ------------------------------------------------------------------------------------

bool Cell::accessibilityIsAttributeSettable(const QString& attribute) const
{
    return attribute == AccessibilityValueAttribute && type() == TextCellType && isEditable() && isEnabled();
}

void Cell::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (attribute != AccessibilityValueAttribute || !Cell::accessibilityIsAttributeSettable(attribute))
        return;
    const QString text = value.isString() ? value.stringValue() : value.description();
    const Ref<Control> control = owningControl();
    if (!control) {
        setStringValue(text);
        return;
    }
    const Ref<Cell> keep(this);
    // While the user types, the new text replaces what the editor holds, and the session goes on.
    if (const Ref<Responder> editor = control->currentEditor()) {
        if (auto* editing = dynamic_cast<FieldEditing*>(editor.get())) {
            editing->setEditorString(text);
            editing->setEditorSelectedRange({ text.size(), 0 });
            control->textDidChange(Notification::notificationWithNameObjectUserInfo(TextDidChangeNotification, editor.get()).get());
        }
        return;
    }
    // Otherwise as an edit that begins, changes the text and ends without moving on: the delegate
    // may refuse the start; no action is sent, as leaving a field sends none.
    if (!control->textShouldBeginEditing(nullptr))
        return;
    control->setStringValue(text);
    control->textDidBeginEditing(nullptr);
    control->textDidChange(nullptr);
    control->textDidEndEditing(nullptr);
}

// Pop-up buttons ---------------------------------------------------------------------------------

Value PopUpButtonCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityPopUpButtonRole);
    if (attribute == AccessibilityValueAttribute)
        return p_.pullsDown ? Value() : Value(titleOfSelectedItem());
    return ButtonCell::accessibilityAttributeValue(attribute);
}

bool PopUpButtonCell::accessibilityIsAttributeSettable(const QString& attribute) const
{
    return attribute == AccessibilityValueAttribute && !p_.pullsDown && isEnabled() && numberOfItems() > 0;
}

void PopUpButtonCell::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (!accessibilityIsAttributeSettable(attribute))
        return;
    const std::int64_t index = value.isNumber() ? value.integerValue() : indexOfItemWithTitle(value.stringValue());
    const Ref<MenuItem> item = index >= 0 && index < numberOfItems() ? itemAtIndex(index) : nullptr;
    // The menu would not offer a disabled item or a separator.
    if (!item || !item->isEnabled() || item->isSeparatorItem())
        return;
    const Ref<PopUpButtonCell> keep(this);
    choose(item);
}

QStringList PopUpButtonCell::accessibilityActionNames() const { return { AccessibilityPressAction, AccessibilityShowMenuAction }; }

void PopUpButtonCell::accessibilityPerformAction(const QString& action)
{
    if (action == AccessibilityPressAction || action == AccessibilityShowMenuAction)
        performClick(nullptr);
}

// Steppers ---------------------------------------------------------------------------------------

QStringList StepperCell::accessibilityAttributeNames() const { return valuecontrolaccessibility::rangedAttributeNames(*this); }

Value StepperCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (Value v = valuecontrolaccessibility::rangedAttribute(*this, AccessibilityIncrementorRole, st_.min, st_.max, attribute); !v.isNil())
        return v;
    return ActionCell::accessibilityAttributeValue(attribute);
}

bool StepperCell::accessibilityIsAttributeSettable(const QString& attribute) const
{
    return attribute == AccessibilityValueAttribute && isEnabled();
}

void StepperCell::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (accessibilityIsAttributeSettable(attribute))
        valuecontrolaccessibility::setRangedValue(*this, value);
}

QStringList StepperCell::accessibilityActionNames() const { return { AccessibilityIncrementAction, AccessibilityDecrementAction }; }

void StepperCell::accessibilityPerformAction(const QString& action)
{
    if (!isEnabled() || (action != AccessibilityIncrementAction && action != AccessibilityDecrementAction))
        return;
    const Ref<StepperCell> keep(this);
    step(action == AccessibilityIncrementAction);
    valuecontrolaccessibility::redisplayAndSend(*this);
}

// Level indicators -------------------------------------------------------------------------------

QStringList LevelIndicatorCell::accessibilityAttributeNames() const { return valuecontrolaccessibility::rangedAttributeNames(*this); }

Value LevelIndicatorCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (Value v = valuecontrolaccessibility::rangedAttribute(*this, AccessibilityLevelIndicatorRole, l_.min, l_.max, attribute); !v.isNil())
        return v;
    return ActionCell::accessibilityAttributeValue(attribute);
}

bool LevelIndicatorCell::accessibilityIsAttributeSettable(const QString& attribute) const
{
    return attribute == AccessibilityValueAttribute && isEditable() && isEnabled();
}

void LevelIndicatorCell::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (accessibilityIsAttributeSettable(attribute))
        valuecontrolaccessibility::setRangedValue(*this, value);
}

QStringList LevelIndicatorCell::accessibilityActionNames() const
{
    if (!isEditable())
        return {};
    return { AccessibilityIncrementAction, AccessibilityDecrementAction };
}

void LevelIndicatorCell::accessibilityPerformAction(const QString& action)
{
    if (!isEditable() || !isEnabled() || (action != AccessibilityIncrementAction && action != AccessibilityDecrementAction))
        return;
    const Ref<LevelIndicatorCell> keep(this);
    // One unit, as Left and Right move it.
    setDoubleValue(doubleValue() + (action == AccessibilityIncrementAction ? 1 : -1));
    valuecontrolaccessibility::redisplayAndSend(*this);
}

} // namespace kit
