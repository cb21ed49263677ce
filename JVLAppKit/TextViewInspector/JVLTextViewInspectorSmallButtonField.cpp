#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorSmallButtonField.h"

#include "kit/controls/Button.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorSmallButtonField, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
}

namespace {

Ref<Button> smallButtonFieldButton()
{
    auto button = make<Button>(MakeRect(0, 0, 14, 18));
    button->setBezelStyle(RegularSquareBezelStyle);
    button->setImageScaling(ImageScaleProportionallyDown);
    button->setButtonType(MomentaryPushInButton);
    // Image only: named by its tool tip, not by a cell's stock title.
    button->setTitle(QString());
    button->setImagePosition(ImageOnly);
    button->cell()->setBordered(false);
    button->setControlSize(RegularControlSize);
    return button;
}

} // namespace

Ref<JVLTextViewInspectorSmallButtonField> JVLTextViewInspectorSmallButtonField::fieldWithIdentifierAndLabel(
    const QString& identifier, Ref<JVLTextViewInspectorFieldLabel> label)
{
    auto field = make<JVLTextViewInspectorSmallButtonField>();
    field->initWithIdentifierFieldViewPlaceholderAndLabel(identifier, smallButtonFieldButton(), QString(), std::move(label));
    field->setViewWidthShouldBeAdjusted(false);
    return field;
}

Ref<JVLTextViewInspectorSmallButtonField> JVLTextViewInspectorSmallButtonField::fieldWithPropertyNameOfEntity(
    const QString& propertyName, const EntityDescription* entity)
{
    // The model's label and placeholder first; then the same button as one made by identifier.
    auto field = makeFieldForProperty<JVLTextViewInspectorSmallButtonField>(propertyName, entity);
    field->initWithIdentifierFieldViewPlaceholderAndLabel(field->identifier(), smallButtonFieldButton(), field->placeholder(), field->label());
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
