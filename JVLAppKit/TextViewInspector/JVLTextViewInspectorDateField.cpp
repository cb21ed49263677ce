#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorDateField.h"

#include "kit/controls/DatePicker.h"
#include "kit/graphics/Font.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorDateField, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.action("dateChanged", &JVLTextViewInspectorDateField::dateChanged);
}

Ref<View> JVLTextViewInspectorDateField::viewForField()
{
    auto picker = make<DatePicker>(MakeRect(0, 0, 68, 18));
    picker->datePickerCell()->setDatePickerStyle(TextFieldDatePickerStyle);
    picker->datePickerCell()->setDatePickerMode(SingleDateMode);
    picker->datePickerCell()->setDatePickerElements(YearMonthDayDatePickerElementFlag);
    picker->setControlSize(SmallControlSize);
    picker->setFont(Font::systemFontOfSize(Font::systemFontSizeForControlSize(SmallControlSize))->qFont());
    picker->setFocusRingType(FocusRingTypeNone);
    picker->setTarget(this);
    picker->setAction(Selector("dateChanged"));
    return picker;
}

void JVLTextViewInspectorDateField::setValue(const Value& value)
{
    if (auto* picker = dynamic_cast<DatePicker*>(view().get())) {
        // A selection of records gives an array: one date shows, none or several show empty.
        const Value date = soleValue(value);
        if (date.kind() != ValueKind::Date)
            picker->setDateValue(Value());
        else if (!date.isEqual(picker->dateValue()))
            picker->setDateValue(date);
    }
    JVLTextViewInspectorViewField::setValue(value);
}

void JVLTextViewInspectorDateField::dateChanged(Object*)
{
    if (auto* picker = dynamic_cast<DatePicker*>(view().get()))
        userChangedValue(picker->dateValue());
}
