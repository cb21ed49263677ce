#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorSmallButtonField.h"

#include "kit/controls/Button.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorSmallButtonField, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
}

Ref<JVLTextViewInspectorSmallButtonField> JVLTextViewInspectorSmallButtonField::fieldWithIdentifierAndLabel(
    const QString& identifier, Ref<JVLTextViewInspectorFieldLabel> label)
{
    auto button = make<Button>(MakeRect(0, 0, 14, 18));
    button->setBezelStyle(RegularSquareBezelStyle);
    button->setImageScaling(ImageScaleProportionallyDown);
    button->setButtonType(MomentaryPushInButton);
    button->setImagePosition(ImageOnly);
    button->cell()->setBordered(false);
    button->setControlSize(RegularControlSize);
    auto field = make<JVLTextViewInspectorSmallButtonField>();
    field->initWithIdentifierFieldViewPlaceholderAndLabel(identifier, button, QString(), std::move(label));
    field->setViewWidthShouldBeAdjusted(false);
    return field;
}

void JVLTextViewInspectorSmallButtonField::setImage(Ref<Image> image)
{
    if (auto* button = dynamic_cast<Button*>(view().get()))
        button->setImage(std::move(image));
}

void JVLTextViewInspectorSmallButtonField::setTarget(Object* target)
{
    if (auto* button = dynamic_cast<Button*>(view().get()))
        button->setTarget(target);
}

void JVLTextViewInspectorSmallButtonField::setAction(Selector action)
{
    if (auto* button = dynamic_cast<Button*>(view().get()))
        button->setAction(action);
}
