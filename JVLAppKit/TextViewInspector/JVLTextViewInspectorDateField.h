#pragma once

// A date in a small text-style date picker (year, month and day); hidden while read-only.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

class JVLTextViewInspectorDateField : public JVLTextViewInspectorViewField {
    KIT_CLASS(JVLTextViewInspectorDateField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorDateField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorDateField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorDateField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorDateField>(identifier, QString(), std::move(label));
    }
    void dateChanged(kit::Object* sender);

    kit::Ref<kit::View> viewForField() override;
    void setValue(const kit::Value& value) override;
};
