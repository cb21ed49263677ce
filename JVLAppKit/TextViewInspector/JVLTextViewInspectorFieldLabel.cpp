#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorFieldLabel.h"

KIT_REGISTER_CLASS(JVLTextViewInspectorFieldLabel, kit::Object)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.property("label", &JVLTextViewInspectorFieldLabel::label, &JVLTextViewInspectorFieldLabel::setLabel);
    c.property(
        "representedObject", [](const JVLTextViewInspectorFieldLabel& x) { return x.representedObject(); },
        [](JVLTextViewInspectorFieldLabel& x, const kit::Value& v) { x.setRepresentedObject(v); });
    c.property("labelDependentPlaceholder", &JVLTextViewInspectorFieldLabel::labelDependentPlaceholder,
        &JVLTextViewInspectorFieldLabel::setLabelDependentPlaceholder);
}

namespace {

// Values copy as values; an object is copied when its class copies.
kit::Value labelCopiedValue(const kit::Value& value)
{
    if (value.isObject() && value.object() && value.object()->class_().isCopyable())
        return kit::Value(value.object()->copy());
    return value;
}

} // namespace

JVLTextViewInspectorFieldLabel::JVLTextViewInspectorFieldLabel(const QString& label, const kit::Value& representedObject)
    : label_(label)
    , representedObject_(labelCopiedValue(representedObject))
{ }

kit::Ref<JVLTextViewInspectorFieldLabel> JVLTextViewInspectorFieldLabel::fieldLabelWithString(const QString& label)
{
    return kit::make<JVLTextViewInspectorFieldLabel>(label, kit::Value());
}

kit::Ref<JVLTextViewInspectorFieldLabel> JVLTextViewInspectorFieldLabel::fieldLabelWithStringRepresentedObject(
    const QString& label, const kit::Value& object)
{
    return kit::make<JVLTextViewInspectorFieldLabel>(label, object);
}

void JVLTextViewInspectorFieldLabel::setRepresentedObject(const kit::Value& object) { representedObject_ = labelCopiedValue(object); }

void JVLTextViewInspectorFieldLabel::copyTo(kit::Object& copy) const
{
    kit::Object::copyTo(copy);
    auto& label = static_cast<JVLTextViewInspectorFieldLabel&>(copy);
    label.label_ = label_;
    label.representedObject_ = representedObject_;
    label.labelDependentPlaceholder_ = labelDependentPlaceholder_;
}
