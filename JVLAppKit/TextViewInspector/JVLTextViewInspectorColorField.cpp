#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorColorField.h"

#include "kit/controls/ColorWell.h"
#include "kit/graphics/Color.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorColorField, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.action("colorWellChanged", &JVLTextViewInspectorColorField::colorWellChanged);
}

Ref<View> JVLTextViewInspectorColorField::viewForField()
{
    auto well = make<ColorWell>(MakeRect(0, 0, 100, 24));
    well->setTarget(this);
    well->setAction(Selector("colorWellChanged"));
    return well;
}

void JVLTextViewInspectorColorField::setValue(const Value& value)
{
    if (auto* well = dynamic_cast<ColorWell*>(view().get())) {
        if (const Ref<Color> colour = value.objectAs<Color>()) {
            well->setColor(colour);
        } else if (value.isArray()) {
            const Set distinct(value.array());
            const Ref<Color> only = distinct.count() == 1 ? distinct.anyObject().objectAs<Color>() : nullptr;
            well->setColor(only ? only : Color::clearColor());
        } else {
            well->setColor(Color::blackColor());
        }
    }
    JVLTextViewInspectorViewField::setValue(value);
}

void JVLTextViewInspectorColorField::colorWellChanged(Object*)
{
    if (auto* well = dynamic_cast<ColorWell*>(view().get()))
        userChangedValue(Value(well->color()));
}
