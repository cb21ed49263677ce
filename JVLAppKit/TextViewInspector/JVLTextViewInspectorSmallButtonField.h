#pragma once

// A small image button beside a value (the URL and e-mail fields' buttons). Only a field made with
// fieldWithIdentifierAndLabel has a button: one made otherwise, or a copy, has no view and is
// never shown.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"

#include "kit/core/Selector.h"
#include "kit/graphics/Image.h"

class JVLTextViewInspectorSmallButtonField : public JVLTextViewInspectorViewField {
    KIT_CLASS(JVLTextViewInspectorSmallButtonField)
public:
    static kit::Ref<JVLTextViewInspectorSmallButtonField> fieldWithIdentifierAndLabel(
        const QString& identifier, kit::Ref<JVLTextViewInspectorFieldLabel> label);
    static kit::Ref<JVLTextViewInspectorSmallButtonField> fieldWithPropertyNameOfEntity(const QString& propertyName, const kit::EntityDescription* entity);
    void setImage(kit::Ref<kit::Image> image);
    void setTarget(kit::Object* target);
    void setAction(kit::Selector action);
};
