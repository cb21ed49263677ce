// What a text view shows to accessibility: a multi-line text area valued by its text. A client's
// changes take the user's way (the edit pipeline, the selection hook), so delegates see nothing new.

#include "kit/appkit/FocusAnnouncement.h"
#include "kit/appkit/Window.h"
#include "kit/text/TextView.h"

#include <algorithm>

namespace kit {

QStringList TextView::accessibilityAttributeNames() const
{
    QStringList names = ViewAccessibilityAttributeNames();
    names << AccessibilityValueAttribute << AccessibilitySelectedTextRangeAttribute << AccessibilitySelectedTextAttribute;
    return names;
}

Value TextView::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityTextAreaRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityTextAreaRole));
    if (attribute == AccessibilityValueAttribute)
        return Value(string());
    if (attribute == AccessibilitySelectedTextRangeAttribute)
        return Value(selectedRange());
    if (attribute == AccessibilitySelectedTextAttribute)
        return Value(string().mid(selectedRange().location, selectedRange().length));
    // What the text says is its own: no placeholder.
    if (attribute == AccessibilityPlaceholderValueAttribute)
        return {};
    return ViewAccessibilityAttributeValue(*this, attribute);
}

bool TextView::accessibilityIsAttributeSettable(const QString& attribute) const
{
    if (attribute == AccessibilityFocusedAttribute)
        return acceptsFirstResponder() && window();
    if (attribute == AccessibilitySelectedTextRangeAttribute)
        return isSelectable();
    return (attribute == AccessibilityValueAttribute || attribute == AccessibilitySelectedTextAttribute) && isEditable();
}

void TextView::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (!TextView::accessibilityIsAttributeSettable(attribute))
        return;
    const Ref<TextView> keep(this);
    if (attribute == AccessibilityFocusedAttribute) {
        if (value.boolValue())
            window()->makeFirstResponder(this);
        return;
    }
    if (attribute == AccessibilitySelectedTextRangeAttribute) {
        if (value.kind() != Value::Kind::Range)
            return;
        const std::int64_t n = string().size();
        const Range r = value.rangeValue();
        const std::int64_t start = std::clamp<std::int64_t>(r.location, 0, n);
        setSelectedRange({ start, std::clamp<std::int64_t>(r.length, 0, n - start) });
        return;
    }
    const QString text = value.isString() ? value.stringValue() : value.description();
    if (attribute == AccessibilitySelectedTextAttribute) {
        replaceForUser(selectedRange(), text);
        return;
    }
    // Only the range that changes is replaced, so the text around it keeps its attributes.
    const TextChange change = AccessibilityTextChangeBetween(string(), text);
    if (!change.removed.isEmpty() || !change.inserted.isEmpty())
        replaceForUser({ change.location, change.removed.size() }, change.inserted);
}

void TextView::announceSelectedTextChange()
{
    // A caret that moves past typed text follows the text's announcement, which the edit would
    // send later (the field's after the edit); the bridge sends the same text only once.
    Accessibility* element = this;
    Value standIn;
    if (fieldEditor_) {
        const Ref<View> edited = editingSessionView();
        standIn = edited ? AccessibilityFocusedUIElement(Value(edited)) : Value();
        element = standIn.isObject() ? dynamic_cast<Accessibility*>(standIn.object().get()) : nullptr;
    }
    if (!element)
        return;
    element->accessibilityValueChanged();
    // A field taking the focus selects its text: a reader hears the focus (the field and its
    // label) first, else it follows the selection and has nothing left to say.
    const Ref<Object> announcer = standIn.isObject() ? standIn.object() : Ref<Object>(this);
    AnnounceAfterFocus([announcer] {
        if (auto* a = dynamic_cast<Accessibility*>(announcer.get()))
            a->accessibilitySelectedTextChanged();
    });
}

} // namespace kit
