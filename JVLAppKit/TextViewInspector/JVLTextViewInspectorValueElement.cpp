#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorValueElement.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"

#include "FoundationExtensions/JVLNSTextStorageExtensions.h"

#include "kit/appkit/Window.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <algorithm>

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorValueElement, kit::Object) { }

JVLTextViewInspectorValueElement::JVLTextViewInspectorValueElement(JVLTextViewInspector* inspector, JVLTextViewInspectorTextField* field)
    : inspector_(inspector)
    , field_(field)
{ }

Range JVLTextViewInspectorValueElement::valueRun() const
{
    const Ref<JVLTextViewInspector> inspector = inspector_.lock();
    const Ref<JVLTextViewInspectorTextField> field = field_.lock();
    const Ref<TextStorage> storage = inspector ? inspector->textStorage() : nullptr;
    if (!storage || !field)
        return { NotFound, 0 };
    const Range whole = inspector->charRangeOfField(field.get());
    if (whole.location == NotFound)
        return whole;
    // A field without a placeholder has no run of its own: all it shows after its label.
    const Range run = JVLNSTextStorageExtensions::rangeForAttributeInRange(*storage, JVLPlaceholderValueAttributeName, whole);
    if (run.location != NotFound)
        return run;
    const std::int64_t value = storage->string().lastIndexOf(u'\t', MaxRange(whole) - 1) + 1;
    return value > whole.location ? Range { value, MaxRange(whole) - value } : whole;
}

bool JVLTextViewInspectorValueElement::isEdited() const
{
    const Ref<JVLTextViewInspector> inspector = inspector_.lock();
    return inspector && inspector->isEditing() && inspector->currentEditedStartLocation() == valueRun().location;
}

QStringList JVLTextViewInspectorValueElement::accessibilityAttributeNames() const
{
    return ViewAccessibilityAttributeNames() << AccessibilityTitleAttribute << AccessibilityValueAttribute
                                             << AccessibilityPlaceholderValueAttribute << AccessibilitySelectedTextRangeAttribute;
}

Value JVLTextViewInspectorValueElement::accessibilityAttributeValue(const QString& attribute) const
{
    const Ref<JVLTextViewInspector> inspector = inspector_.lock();
    const Ref<JVLTextViewInspectorTextField> field = field_.lock();
    if (!inspector || !field)
        return {};
    if (attribute == AccessibilityRoleAttribute || attribute == AccessibilityRoleDescriptionAttribute) {
        const QString& role = inspector->editableState() && field->isEditable() ? AccessibilityTextFieldRole : AccessibilityStaticTextRole;
        return attribute == AccessibilityRoleAttribute ? Value(role) : Value(AccessibilityRoleDescription(role));
    }
    if (attribute == AccessibilityTitleAttribute) {
        const QString label = JVLTextViewInspector::accessibilityLabelOfField(field.get());
        return label.isEmpty() ? Value() : Value(label);
    }
    if (attribute == AccessibilityParentAttribute)
        return AccessibilityUnignoredAncestor(Value(inspector));
    if (attribute == AccessibilityChildrenAttribute)
        return Value(Array {});
    if (attribute == AccessibilityEnabledAttribute)
        return Value(field->isEnabled());
    if (attribute == AccessibilityPlaceholderValueAttribute)
        return field->placeholder().isEmpty() ? Value() : Value(field->placeholder());
    const Range run = valueRun();
    const Ref<TextStorage> storage = inspector->textStorage();
    if (attribute == AccessibilityValueAttribute) {
        if (run.location == NotFound || !storage)
            return Value(QString());
        QString text = storage->string().mid(run.location, run.length);
        // The grey placeholder is no value; a state text ("multiple values") is what there is to hear.
        const bool placeholder = text == field->placeholder()
            && storage->attributeAtIndexEffectiveRange(JVLStateTextAttributeName, run.location).isNil();
        return Value(placeholder ? QString() : text.replace(QChar(0x2028), u'\n'));
    }
    if (attribute == AccessibilitySelectedTextRangeAttribute) {
        if (!isEdited())
            return Value(Range { 0, 0 });
        const Range selected = inspector->selectedRange();
        const std::int64_t start = std::clamp<std::int64_t>(selected.location - run.location, 0, run.length);
        return Value(Range { start, std::clamp<std::int64_t>(selected.length, 0, run.length - start) });
    }
    if (attribute == AccessibilityFocusedAttribute) {
        const Ref<Window> w = inspector->window();
        return Value(w && w->firstResponder().get() == inspector.get() && isEdited());
    }
    if (attribute == AccessibilityPositionAttribute || attribute == AccessibilitySizeAttribute) {
        const Ref<LayoutManager> manager = inspector->layoutManager();
        const Ref<TextContainer> container = inspector->textContainer();
        if (run.location == NotFound || !manager || !container)
            return {};
        const Range glyphs = manager->glyphRangeForCharacterRangeActualCharacterRange({ run.location, std::max<std::int64_t>(1, run.length) });
        Rect box = manager->boundingRectForGlyphRangeInTextContainer(glyphs, container.get());
        const Point origin = inspector->textContainerOrigin();
        box.origin = MakePoint(box.origin.x + origin.x, box.origin.y + origin.y);
        const Rect onScreen = AccessibilityScreenRectOfRectInView(*inspector, box);
        return attribute == AccessibilitySizeAttribute ? Value(onScreen.size) : Value(onScreen.origin);
    }
    return ViewAccessibilityAttributeValue(*inspector, attribute);
}

bool JVLTextViewInspectorValueElement::accessibilityIsAttributeSettable(const QString& attribute) const
{
    const Ref<JVLTextViewInspector> inspector = inspector_.lock();
    const Ref<JVLTextViewInspectorTextField> field = field_.lock();
    // What can be typed into can be focused and set by a reader too.
    if (!inspector || !field || !inspector->editableState() || !field->isEditable())
        return false;
    return attribute == AccessibilityValueAttribute || (attribute == AccessibilityFocusedAttribute && inspector->window());
}

void JVLTextViewInspectorValueElement::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (!accessibilityIsAttributeSettable(attribute))
        return;
    const Ref<JVLTextViewInspector> inspector = inspector_.lock();
    const Ref<JVLTextViewInspectorTextField> field = field_.lock();
    if (attribute == AccessibilityValueAttribute) {
        // An edit of this value in progress ends first, so that what it typed does not overwrite the set.
        if (isEdited())
            inspector->endEditing();
        inspector->writeStringOfField(field.get(), value.isString() ? value.stringValue() : value.description());
        return;
    }
    if (!value.boolValue())
        return;
    inspector->window()->makeFirstResponder(inspector.get());
    inspector->jumpToField(field.get());
}

Ref<View> JVLTextViewInspectorValueElement::accessibilityDrawingView() const { return inspector_.lock(); }
