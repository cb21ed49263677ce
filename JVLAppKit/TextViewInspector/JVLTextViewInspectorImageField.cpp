#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorImageField.h"

#include "JVLAppKit/JVLImageView/JVLImageView.h"

#include "kit/graphics/Image.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorImageField, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
}

Ref<View> JVLTextViewInspectorImageField::viewForField() { return make<JVLImageView>(MakeRect(0, 0, 120, 120)); }

void JVLTextViewInspectorImageField::setValue(const Value& value)
{
    if (auto* imageView = dynamic_cast<JVLImageView*>(view().get()))
        imageView->setImage(soleValue(value).objectAs<Image>());
    JVLTextViewInspectorViewField::setValue(value);
}

void JVLTextViewInspectorImageField::setTarget(Object* target)
{
    if (auto* imageView = dynamic_cast<JVLImageView*>(view().get()))
        imageView->setTarget(Weak<Object>(target));
}

void JVLTextViewInspectorImageField::setAction(Selector action)
{
    if (auto* imageView = dynamic_cast<JVLImageView*>(view().get()))
        imageView->setAction(std::move(action));
}
