// What controls that hold a value show to accessibility: editable text that takes a new string as
// a user edit would, pop-up buttons valued by their selected title, steppers and level indicators
// and sliders with their number, range and step actions. Each change goes the way the user's own would, so
// delegates, actions and bindings see nothing new.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Cell.h"
#include "kit/controls/Control.h"
#include "kit/controls/LevelIndicator.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/PopUpButtonCell.h"
#include "kit/controls/ProgressIndicator.h"
#include "kit/controls/RangedValueCell.h"
#include "kit/controls/Slider.h"
#include "kit/controls/Stepper.h"
#include "kit/core/NotificationCenter.h"

#include <algorithm>

namespace kit {

// Editable text ------------------------------------------------------------------------------------

bool Cell::accessibilityIsAttributeSettable(const QString& attribute) const
{
    // Focusable as its control is.
    if (attribute == AccessibilityFocusedAttribute) {
        const Ref<Control> control = owningControl();
        return control && control->window() && control->acceptsFirstResponder();
    }
    if (attribute == AccessibilitySelectedTextRangeAttribute)
        return isEditingWithFieldEditor() && owningControl() && dynamic_cast<FieldEditing*>(owningControl()->currentEditor().get());
    return attribute == AccessibilityValueAttribute && type() == TextCellType && isEditable() && isEnabled();
}

void Cell::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (attribute == AccessibilityFocusedAttribute) {
        if (const Ref<Control> control = owningControl(); value.boolValue() && Cell::accessibilityIsAttributeSettable(attribute))
            control->window()->makeFirstResponder(control.get());
        return;
    }
    // The caret and the selection move only while the text is edited.
    if (attribute == AccessibilitySelectedTextRangeAttribute) {
        if (!Cell::accessibilityIsAttributeSettable(attribute))
            return;
        auto* editing = dynamic_cast<FieldEditing*>(owningControl()->currentEditor().get());
        const qsizetype count = editing->editorString().size();
        const Range r = value.rangeValue();
        const std::int64_t start = std::clamp<std::int64_t>(r.location, 0, count);
        editing->setEditorSelectedRange({ start, std::clamp<std::int64_t>(r.length, 0, count - start) });
        return;
    }
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
    // What it shows is its value: its tool tip, where it has one, says what it is for.
    if (attribute == AccessibilityTitleAttribute && !p_.pullsDown)
        if (const Value tip = ActionCell::accessibilityAttributeValue(attribute); !tip.isNil())
            return tip;
    return ButtonCell::accessibilityAttributeValue(attribute);
}

bool PopUpButtonCell::accessibilityIsAttributeSettable(const QString& attribute) const
{
    if (attribute == AccessibilityFocusedAttribute)
        return Cell::accessibilityIsAttributeSettable(attribute);
    return attribute == AccessibilityValueAttribute && !p_.pullsDown && isEnabled() && numberOfItems() > 0;
}

void PopUpButtonCell::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (attribute == AccessibilityFocusedAttribute)
        return Cell::accessibilitySetValueForAttribute(value, attribute);
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

// Numbers in a range -----------------------------------------------------------------------------

QStringList RangedValueCell::accessibilityAttributeNames() const
{
    QStringList names = Cell::accessibilityAttributeNames();
    names << AccessibilityMinValueAttribute << AccessibilityMaxValueAttribute;
    return names;
}

Value RangedValueCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(accessibilityRangedRole());
    if (attribute == AccessibilityValueAttribute)
        return Value(doubleValue());
    if (attribute == AccessibilityMinValueAttribute)
        return Value(minValue());
    if (attribute == AccessibilityMaxValueAttribute)
        return Value(maxValue());
    return ActionCell::accessibilityAttributeValue(attribute);
}

bool RangedValueCell::accessibilityIsAttributeSettable(const QString& attribute) const
{
    if (attribute == AccessibilityFocusedAttribute)
        return Cell::accessibilityIsAttributeSettable(attribute);
    return attribute == AccessibilityValueAttribute && accessibilityAdjustable() && isEnabled();
}

namespace valuecontrolaccessibility {

// The cell's control shows the change and hears of it as after a press.
void redisplayAndSend(Cell& cell)
{
    if (const Ref<View> view = cell.controlView())
        view->setNeedsDisplay(true);
    cell.sendActionFromCell();
}

} // namespace valuecontrolaccessibility

void RangedValueCell::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (attribute == AccessibilityFocusedAttribute)
        return Cell::accessibilitySetValueForAttribute(value, attribute);
    if (!accessibilityIsAttributeSettable(attribute) || !value.isNumber())
        return;
    const Ref<RangedValueCell> keep(this);
    setDoubleValue(value.doubleValue());
    valuecontrolaccessibility::redisplayAndSend(*this);
}

QStringList RangedValueCell::accessibilityActionNames() const
{
    if (!accessibilityAdjustable())
        return {};
    return { AccessibilityIncrementAction, AccessibilityDecrementAction };
}

void RangedValueCell::accessibilityPerformAction(const QString& action)
{
    if (!accessibilityAdjustable() || !isEnabled() || (action != AccessibilityIncrementAction && action != AccessibilityDecrementAction))
        return;
    const Ref<RangedValueCell> keep(this);
    step(action == AccessibilityIncrementAction);
    valuecontrolaccessibility::redisplayAndSend(*this);
}

QString StepperCell::accessibilityRangedRole() const { return AccessibilityIncrementorRole; }
QString LevelIndicatorCell::accessibilityRangedRole() const { return AccessibilityLevelIndicatorRole; }
QString SliderCell::accessibilityRangedRole() const { return AccessibilitySliderRole; }

// Progress ----------------------------------------------------------------------------------------

QStringList ProgressIndicator::accessibilityAttributeNames() const { return ProgressAccessibilityAttributeNames(); }

Value ProgressIndicator::accessibilityAttributeValue(const QString& attribute) const
{
    const bool busy = isIndeterminate() || style() == ProgressIndicatorSpinningStyle;
    return ProgressAccessibilityAttributeValue(*this, attribute, busy, doubleValue(), minValue(), maxValue());
}

} // namespace kit
