#pragma once

// A colour in a colour well: clear for a selection of different colours, black for none.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

class JVLTextViewInspectorColorField : public JVLTextViewInspectorViewField {
    KIT_CLASS(JVLTextViewInspectorColorField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorColorField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorColorField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorColorField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        return makeField<JVLTextViewInspectorColorField>(identifier, QString(), std::move(label));
    }
    void colorWellChanged(kit::Object* sender);

    kit::Ref<kit::View> viewForField() override;
    void setValue(const kit::Value& value) override;
};
