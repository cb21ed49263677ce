#pragma once

// A rating of 0 to 5 stars, shown even while the inspector is read-only.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

class JVLTextViewInspectorRatingField : public JVLTextViewInspectorViewField {
    KIT_CLASS(JVLTextViewInspectorRatingField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorRatingField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorRatingField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorRatingField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorRatingField>(identifier, QString(), std::move(label));
    }
    void ratingChanged(kit::Object* sender);

    void initWithIdentifierPlaceholderAndLabel(const QString& identifier, const QString& placeholder,
        kit::Ref<JVLTextViewInspectorFieldLabel> label) override;
    kit::Ref<kit::View> viewForField() override;
    void setValue(const kit::Value& value) override;
    void setIsEditable(bool flag) override;
    void setEditable(bool flag) override;
    void setFormEditable(bool flag) override;

private:
    // The stars take clicks, keys and a reader's value only while both the field and its form edit.
    void showEditability();
};
