// JVLTextViewInspector to a screen reader: a named form whose children are its fields in text
// order, each value or hosted control named by its field's label; the value being edited stands
// for the keyboard focus and is announced as the edit moves.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorValueElement.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewTextAttachmentCell.h"

#include "FoundationExtensions/JVLNSObject_Extension.h"

#include "kit/appkit/FocusAnnouncement.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Control.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextStorage.h"

using namespace kit;

namespace {

QString inspectorLocalized(const char* key, const char* fallback)
{
    return JVLNSObject_Extension::bundle(JVLTextViewInspector::staticClass())
        ->localizedStringForKeyValueTable(QString::fromLatin1(key), QString::fromUtf8(fallback), QStringLiteral("JVLTextViewInspector"));
}

QString labelString(const JVLTextViewInspectorField* field)
{
    const Ref<JVLTextViewInspectorFieldLabel> label = field ? field->label() : nullptr;
    return label ? label->label().trimmed() : QString();
}

} // namespace

QString JVLTextViewInspector::accessibilityLabelOfField(const JVLTextViewInspectorField* field)
{
    QString name = labelString(field);
    // A list's rows share its label: each is told apart by the name the list gives it instead.
    for (Ref<JVLTextViewInspectorCompoundField> up = field ? field->compoundField() : nullptr;
         name.isEmpty() && up && !dynamic_cast<JVLTextViewInspectorListField*>(up.get()); up = up->compoundField())
        name = labelString(up.get());
    // Written "Name:" on the form, said "Name".
    while (name.endsWith(u':'))
        name.chop(1);
    return name.trimmed();
}

Ref<JVLTextViewInspectorValueElement> JVLTextViewInspector::valueElementOfField(JVLTextViewInspectorTextField* field) const
{
    if (!field)
        return nullptr;
    Ref<JVLTextViewInspectorValueElement>& element = valueElements_[field];
    if (!element || element->field().get() != field)
        element = make<JVLTextViewInspectorValueElement>(const_cast<JVLTextViewInspector*>(this), field);
    return element;
}

void JVLTextViewInspector::nameHostedView(const Ref<View>& view, const QString& name) const
{
    if (!view)
        return;
    const auto* control = dynamic_cast<const Control*>(view.get());
    const Value element = control ? control->accessibilityElement() : Value(view);
    AccessibilitySetOverrideValueForAttribute(element, name.isEmpty() ? Value() : Value(name), AccessibilityTitleAttribute);
}

QString JVLTextViewInspector::labelChoiceAccessibilityName() { return inspectorLocalized("JVLTextViewInspectorLabelChoice", "Label"); }

QStringList JVLTextViewInspector::accessibilityAttributeNames() const
{
    return ViewAccessibilityAttributeNames() << AccessibilityTitleAttribute;
}

Value JVLTextViewInspector::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityGroupRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityGroupRole));
    if (attribute == AccessibilityTitleAttribute)
        return Value(toolTip().isEmpty() ? inspectorLocalized("JVLTextViewInspectorName", "Inspector") : toolTip());
    if (attribute != AccessibilityChildrenAttribute)
        return ViewAccessibilityAttributeValue(*this, attribute);
    // The fields in text order: values as elements of their own, hosted views as they stand.
    Array children;
    const Ref<TextStorage> storage = textStorage();
    if (!storage || displayMode_ != FieldsDisplayMode) {
        for (const Ref<View>& sub : subviews())
            if (!sub->isHidden())
                children.addObject(Value(sub));
        return Value(AccessibilityUnignoredChildren(children));
    }
    const QString text = storage->string();
    for (std::int64_t i = 0; i < text.size();) {
        Range stored;
        const Value attachment = storage->attributeAtIndexEffectiveRange(AttachmentAttributeName, i, &stored);
        if (const Ref<TextAttachment> a = attachment.objectAs<TextAttachment>()) {
            // Hidden only until first drawn (scrolled away): a screen reader reaches it all the same.
            if (auto* cell = dynamic_cast<JVLTextViewInspectorViewTextAttachmentCell*>(a->attachmentCell().get()); cell && cell->view())
                children.addObjectsFromArray(AccessibilityUnignoredChildren(Array { Value(cell->view()) }));
            ++i;
            continue;
        }
        auto* field = dynamic_cast<JVLTextViewInspectorTextField*>(fieldAtIndex(i).get());
        if (!field) {
            i = std::max(i + 1, MaxRange(stored));
            continue;
        }
        // A label pop-up comes before the value.
        const Ref<JVLTextViewInspectorValueElement> element = valueElementOfField(field);
        const Range run = element->valueRun();
        if (run.location != NotFound && i < run.location) {
            i = std::max(i + 1, std::min(MaxRange(stored), run.location));
            continue;
        }
        children.addObject(Value(element));
        i = std::max(i + 1, MaxRange(charRangeOfField(field)));
    }
    return Value(children);
}

Value JVLTextViewInspector::accessibilityFocusedUIElement() const
{
    if (const Ref<JVLTextViewInspectorTextField> field = dynamic_pointer_cast<JVLTextViewInspectorTextField>(activeField()))
        return Value(valueElementOfField(field.get()));
    return self();
}

void JVLTextViewInspector::announceFocusedElementIfChanged(bool announce)
{
    if (heldFocusAnnouncements_ > 0)
        return;
    const Value now = accessibilityFocusedUIElement();
    const Ref<Object> element = now.isObject() ? now.object() : nullptr;
    if (announcedFocus_.lock().get() == element.get())
        return;
    announcedFocus_ = element.get();
    if (announce)
        accessibilityFocusedUIElementChanged();
}

void JVLTextViewInspector::setSelectedRangeAffinityStillSelecting(Range range, SelectionAffinity affinity, bool stillSelecting)
{
    const Ref<JVLTextViewInspector> keep(this);
    {
        // The value a key stop lands in is heard as focused before its selection.
        const FocusChangeScope landing;
        TextView::setSelectedRangeAffinityStillSelecting(range, affinity, stillSelecting);
        announceFocusedElementIfChanged();
    }
    // A value whose focus is still to be announced (the keys are moving on) is read whole then:
    // told of its selection first, a reader would say the text without the name.
    if (const Ref<JVLTextViewInspectorTextField> field = dynamic_pointer_cast<JVLTextViewInspectorTextField>(activeField()))
        AnnounceAfterFocus([self = Weak<JVLTextViewInspector>(this), element = valueElementOfField(field.get())] {
            if (const Ref<JVLTextViewInspector> inspector = self.lock(); inspector && inspector->announcedFocus_.lock().get() == element.get())
                element->accessibilitySelectedTextChanged();
        });
}
