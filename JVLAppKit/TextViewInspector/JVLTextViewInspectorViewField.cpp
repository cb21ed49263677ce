#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/appkit/Accessibility.h"
#include "kit/controls/Box.h"
#include "kit/controls/Control.h"
#include "kit/core/KeyValueCoding.h"
#include "kit/foundation/Date.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorViewField, JVLTextViewInspectorField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.property("isEnabled", &JVLTextViewInspectorViewField::isEnabled, &JVLTextViewInspectorViewField::setIsEnabled);
    c.property("isEditable", &JVLTextViewInspectorViewField::isEditable, &JVLTextViewInspectorViewField::setIsEditable);
    c.exposeBinding("isEnabled");
    c.exposeBinding("isEditable");
}

Ref<JVLTextViewInspectorViewField> JVLTextViewInspectorViewField::viewFieldWithIdentifierFieldViewAndLabel(
    const QString& identifier, Ref<View> view, Ref<JVLTextViewInspectorFieldLabel> label)
{
    auto field = make<JVLTextViewInspectorViewField>();
    field->initWithIdentifierFieldViewPlaceholderAndLabel(identifier, std::move(view), QString(), std::move(label));
    return field;
}

Ref<JVLTextViewInspectorViewField> JVLTextViewInspectorViewField::separatorField()
{
    auto box = make<Box>(MakeRect(0, 0, 100, 1));
    box->setBoxType(BoxSeparator);
    box->setAutoresizingMask(ViewWidthSizable);
    auto field = make<JVLTextViewInspectorViewField>();
    field->initWithIdentifierFieldViewPlaceholderAndLabel(timeStampForFileOperation(), box, QString(), nullptr);
    field->setSeparator(true);
    return field;
}

Ref<JVLTextViewInspectorViewField> JVLTextViewInspectorViewField::separatorFieldWithIdentifier(const QString& identifier)
{
    Ref<JVLTextViewInspectorViewField> field = separatorField();
    field->setIdentifier(identifier);
    return field;
}

void JVLTextViewInspectorViewField::initWithIdentifierFieldViewPlaceholderAndLabel(
    const QString& identifier, Ref<View> view, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    JVLTextViewInspectorField::initWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label));
    view_ = view ? std::move(view) : viewForField();
    if (auto* control = dynamic_cast<Control*>(view_.get()); control && control->cell() && control->cell()->isEditable())
        isEditable_ = true;
    notAtAttachment_ = false;
    widthAdjusted_ = false;
    // The label drawn beside the control is what a screen reader should call it, not its value.
    if (auto* control = dynamic_cast<Control*>(view_.get()); control && this->label() && !this->label()->label().isEmpty() && control->toolTip().isEmpty())
        AccessibilitySetOverrideValueForAttribute(control->accessibilityElement(), Value(this->label()->label()), AccessibilityTitleAttribute);
}

void JVLTextViewInspectorViewField::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    initWithIdentifierFieldViewPlaceholderAndLabel(identifier, nullptr, placeholder, std::move(label));
}

void JVLTextViewInspectorViewField::setIsEnabled(bool flag)
{
    setEnabled(flag);
    if (auto* control = dynamic_cast<Control*>(view_.get()))
        control->setEnabled(flag);
}

void JVLTextViewInspectorViewField::setDelegate(Object* delegate)
{
    JVLTextViewInspectorField::setDelegate(delegate);
    if (auto* control = dynamic_cast<Control*>(view_.get()))
        control->setDelegate(delegate);
}

bool JVLTextViewInspectorViewField::shouldBeVisibleWithEditableState(bool editable) const
{
    if (!JVLTextViewInspectorField::shouldBeVisibleWithEditableState(editable))
        return false;
    if (alwaysVisible_)
        return true;
    return editable || !notEditableReplacementString().isEmpty() || isSeparator();
}

void JVLTextViewInspectorViewField::userChangedValue(const Value& value)
{
    const Ref<JVLTextViewInspectorViewField> keep(this);
    setValue(value);
    propagateValueForBinding(value, QStringLiteral("value"));
}

void JVLTextViewInspectorViewField::copyTo(Object& copy) const
{
    // The base copy runs the copy's initialiser, which makes its own view.
    JVLTextViewInspectorField::copyTo(copy);
    auto& field = static_cast<JVLTextViewInspectorViewField&>(copy);
    field.alwaysVisible_ = alwaysVisible_;
    field.notAtAttachment_ = notAtAttachment_;
    field.widthAdjusted_ = widthAdjusted_;
}
