#pragma once

// A flag shown as a check box: on for the field's ONValue, off otherwise, mixed for a selection
// whose values differ; the user's click writes ONValue or 0.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

class JVLTextViewInspectorCheckboxField : public JVLTextViewInspectorViewField {
    KIT_CLASS(JVLTextViewInspectorCheckboxField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorCheckboxField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorCheckboxField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorCheckboxField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorCheckboxField>(identifier, QString(), std::move(label));
    }
    kit::Value ONValue() const { return onValue_; }
    void setONValue(const kit::Value& value) { onValue_ = value; }
    void checkboxStateChanged(kit::Object* sender);

    void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label) override;
    kit::Ref<kit::View> viewForField() override;
    void setValue(const kit::Value& value) override;
    // Read-only text: "YES" on, "MultipleValues" mixed (main bundle), nothing off.
    QString notEditableReplacementString() const override;

private:
    kit::Value onValue_ { true };
};
