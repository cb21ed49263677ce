// What a text view shows to accessibility: a multi-line text area valued by its text. A client's
// changes take the user's way (the edit pipeline, the selection hook), so delegates see nothing new.

#include "kit/appkit/Window.h"
#include "kit/text/TextView.h"

#include <algorithm>

namespace kit {

namespace textviewaccessibility {

// The one range of `old` that `now` replaces (what lies between their common start and their
// common end, never splitting a surrogate pair), so the text around an edit keeps its attributes.
Range changedRange(const QString& old, const QString& now, QString& replacement)
{
    const qsizetype shorter = std::min(old.size(), now.size());
    qsizetype prefix = 0;
    while (prefix < shorter && old[prefix] == now[prefix])
        ++prefix;
    if (prefix > 0 && old[prefix - 1].isHighSurrogate())
        --prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    if (suffix > 0 && old[old.size() - suffix].isLowSurrogate())
        --suffix;
    replacement = now.mid(prefix, now.size() - prefix - suffix);
    return { prefix, old.size() - prefix - suffix };
}

} // namespace textviewaccessibility

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
    QString replacement;
    const Range range = textviewaccessibility::changedRange(string(), text, replacement);
    if (range.length > 0 || !replacement.isEmpty())
        replaceForUser(range, replacement);
}

void TextView::announceSelectedTextChange()
{
    if (!fieldEditor_) {
        accessibilitySelectedTextChanged();
        return;
    }
    const Ref<View> edited = editingSessionView();
    const Value element = edited ? AccessibilityFocusedUIElement(Value(edited)) : Value();
    const Ref<Object> object = element.isObject() ? element.object() : nullptr;
    if (auto* standIn = dynamic_cast<Accessibility*>(object.get()))
        standIn->accessibilitySelectedTextChanged();
}

} // namespace kit
