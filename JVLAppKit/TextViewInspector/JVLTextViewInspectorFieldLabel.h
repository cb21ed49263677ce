#pragma once

// A label of an inspector field: the text shown, the model value it stands for (the field's
// label menu writes it back) and an optional placeholder used while this label is chosen.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QString>

class JVLTextViewInspectorFieldLabel : public kit::Object {
    KIT_CLASS(JVLTextViewInspectorFieldLabel)
public:
    JVLTextViewInspectorFieldLabel() = default;
    // The represented object is copied (it must be a copyable value); no dependent placeholder.
    JVLTextViewInspectorFieldLabel(const QString& label, const kit::Value& representedObject);
    static kit::Ref<JVLTextViewInspectorFieldLabel> fieldLabelWithString(const QString& label);
    static kit::Ref<JVLTextViewInspectorFieldLabel> fieldLabelWithStringRepresentedObject(const QString& label, const kit::Value& object);

    QString label() const { return label_; }
    void setLabel(const QString& label) { label_ = label; }
    kit::Value representedObject() const { return representedObject_; }
    void setRepresentedObject(const kit::Value& object);
    QString labelDependentPlaceholder() const { return labelDependentPlaceholder_; }
    void setLabelDependentPlaceholder(const QString& placeholder) { labelDependentPlaceholder_ = placeholder; }

    // The same three values in a new label of the same class.
    void copyTo(kit::Object& copy) const override;

private:
    QString label_;
    kit::Value representedObject_;
    QString labelDependentPlaceholder_;
};
