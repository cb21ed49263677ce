#pragma once

// A text field preset with an integer formatter ("#0": no grouping, no fraction digits); every
// integer field holds its own copy of one template formatter.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"

class JVLTextViewInspectorIntegerField : public JVLTextViewInspectorTextField {
    KIT_CLASS(JVLTextViewInspectorIntegerField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorIntegerField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorIntegerField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorIntegerField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorIntegerField>(identifier, QString(), std::move(label));
    }
    static kit::Ref<JVLTextViewInspectorIntegerField> fieldWithIdentifierPlaceholderAndLabel(
        const QString& identifier, const QString& placeholder, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorIntegerField>(identifier, placeholder, std::move(label));
    }

    void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label) override;
};
