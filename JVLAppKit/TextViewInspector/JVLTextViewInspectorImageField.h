#pragma once

// An image in the library's image view, 120 x 120; a field made with fieldWithIdentifierAndLabel
// keeps its line at least that high.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/core/Selector.h"

class JVLTextViewInspectorImageField : public JVLTextViewInspectorViewField {
    KIT_CLASS(JVLTextViewInspectorImageField)
public:
    // Label, placeholder and identifier from the entity's model.
    static kit::Ref<JVLTextViewInspectorImageField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity)
    {
        return makeFieldForProperty<JVLTextViewInspectorImageField>(propertyName, entity);
    }
    static kit::Ref<JVLTextViewInspectorImageField> fieldWithIdentifierAndLabel(const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label)
    {
        auto field = makeField<JVLTextViewInspectorImageField>(identifier, QString(), std::move(label));
        field->setMinimumHeight(120);
        return field;
    }
    void setTarget(kit::Object* target);
    void setAction(kit::Selector action);

    kit::Ref<kit::View> viewForField() override;
    void setValue(const kit::Value& value) override;
};
