// What controls, cells and buttons show to accessibility by default. A control stands back for its
// cell: the cell is the element (its role from its kind, its title and value from its content, its
// place, window and focus from its control), and the control only leads to it.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/View.h"
#include "kit/controls/ButtonCell.h"
#include "kit/controls/Cell.h"
#include "kit/controls/Control.h"
#include "kit/controls/TextFieldCell.h"
#include "kit/graphics/Image.h"

#include <QHash>

namespace kit {

namespace controlaccessibility {

// The field editor while it edits `cell`'s text; null otherwise.
FieldEditing* editorOf(const Cell& cell)
{
    if (cell.type() != TextCellType || !cell.isEditingWithFieldEditor())
        return nullptr;
    const Ref<Control> control = dynamic_pointer_cast<Control>(cell.controlView());
    const Ref<Responder> editor = control ? control->currentEditor() : nullptr;
    return dynamic_cast<FieldEditing*>(editor.get());
}

// What a screen reader says for a system image, as the platform describes its own.
QString descriptionOfImage(const Ref<Image>& image)
{
    static const QHash<QString, QString> words { { ImageNameAddTemplate, QStringLiteral("add") },
        { ImageNameRemoveTemplate, QStringLiteral("remove") }, { ImageNameQuickLookTemplate, QStringLiteral("quick look") },
        { ImageNamePreferencesGeneral, QStringLiteral("general preferences") } };
    return image ? words.value(image->name()) : QString();
}

} // namespace controlaccessibility

// Cells -------------------------------------------------------------------------------------------

QStringList Cell::accessibilityAttributeNames() const
{
    QStringList names = ViewAccessibilityAttributeNames();
    names << AccessibilityTitleAttribute << AccessibilityValueAttribute << AccessibilitySelectedTextRangeAttribute;
    return names;
}

Value Cell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute) {
        switch (type()) {
        case TextCellType:
            return Value(isEditable() ? AccessibilityTextFieldRole : AccessibilityStaticTextRole);
        case ImageCellType:
            return Value(AccessibilityImageRole);
        default:
            return Value(AccessibilityUnknownRole);
        }
    }
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescriptionForUIElement(self()));
    if (attribute == AccessibilityEnabledAttribute)
        return Value(isEnabled());
    if (attribute == AccessibilityChildrenAttribute)
        return Value(Array {});
    if (attribute == AccessibilityValueAttribute) {
        // While the user types, the text is the editor's.
        if (const FieldEditing* editor = controlaccessibility::editorOf(*this))
            return Value(editor->editorString());
        return type() == TextCellType ? Value(stringValue()) : Value();
    }
    if (attribute == AccessibilitySelectedTextRangeAttribute) {
        const FieldEditing* editor = controlaccessibility::editorOf(*this);
        return editor ? Value(editor->editorSelectedRange()) : Value();
    }
    const Ref<View> view = controlView();
    // Without a title of its own, the tool tip names what the control is for.
    if (attribute == AccessibilityTitleAttribute)
        return view && !view->toolTip().isEmpty() ? Value(view->toolTip()) : Value();
    if (!view)
        return {};
    // A control that stands back for this cell passes the question of its parent on upwards.
    if (attribute == AccessibilityParentAttribute)
        return AccessibilityUnignoredAncestor(Value(view));
    // Place, size, window and focus are those of the control the cell fills.
    return ViewAccessibilityAttributeValue(*view, attribute);
}

Ref<View> Cell::accessibilityDrawingView() const { return controlView(); }

Value TextFieldCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityPlaceholderValueAttribute)
        return placeholderString().isEmpty() ? Value() : Value(placeholderString());
    return ActionCell::accessibilityAttributeValue(attribute);
}

// Buttons -----------------------------------------------------------------------------------------

Value ButtonCell::accessibilityAttributeValue(const QString& attribute) const
{
    const ButtonType kind = buttonType();
    if (attribute == AccessibilityRoleAttribute) {
        if (kind == SwitchButton)
            return Value(AccessibilityCheckBoxRole);
        if (kind == RadioButton)
            return Value(AccessibilityRadioButtonRole);
        return Value(AccessibilityButtonRole);
    }
    // An image-only button is named by its tool tip, else by what its image shows.
    if (attribute == AccessibilityTitleAttribute) {
        if (!title().isEmpty())
            return Value(title());
        const Value tip = ActionCell::accessibilityAttributeValue(attribute);
        const QString described = controlaccessibility::descriptionOfImage(image());
        return tip.isNil() && !described.isEmpty() ? Value(described) : tip;
    }
    // A button that stays in when pushed shows so.
    if (attribute == AccessibilityCheckedAttribute)
        return kind == PushOnPushOffButton || kind == ToggleButton || kind == OnOffButton ? Value(state() != OffState) : Value();
    if (attribute == AccessibilityValueAttribute) {
        if (kind != SwitchButton && kind != RadioButton)
            return {};
        // Off 0, on 1, mixed 2.
        return Value(state() == MixedState ? 2 : state());
    }
    return ActionCell::accessibilityAttributeValue(attribute);
}

QStringList ButtonCell::accessibilityActionNames() const { return { AccessibilityPressAction }; }

void ButtonCell::accessibilityPerformAction(const QString& action)
{
    // performClick does nothing for a disabled button.
    if (action == AccessibilityPressAction)
        performClick(nullptr);
}

// Controls ----------------------------------------------------------------------------------------

QStringList Control::accessibilityAttributeNames() const { return ViewAccessibilityAttributeNames(); }

Value Control::accessibilityElement() const { return cell_ ? Value(cell_) : Value(); }

Value Control::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityChildrenAttribute && accessibilityIsIgnored())
        if (const Value element = accessibilityElement(); element.isObject())
            return Value(AccessibilityUnignoredChildren(Array { element }));
    return ViewAccessibilityAttributeValue(*this, attribute);
}

// A subclass that is an element of its own answers for itself.
Value Control::accessibilityHitTest(Point point) const
{
    if (!accessibilityIsIgnored())
        return self();
    const Value element = accessibilityElement();
    return element.isObject() ? AccessibilityHitTest(element, point) : AccessibilityUnignoredAncestor(self());
}

Value Control::accessibilityFocusedUIElement() const
{
    if (!accessibilityIsIgnored())
        return self();
    const Value element = accessibilityElement();
    return element.isObject() ? AccessibilityFocusedUIElement(element) : AccessibilityUnignoredAncestor(self());
}

} // namespace kit
