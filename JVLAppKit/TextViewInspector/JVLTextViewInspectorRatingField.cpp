#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorRatingField.h"

#include "kit/controls/LevelIndicator.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorRatingField, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.action("ratingChanged", &JVLTextViewInspectorRatingField::ratingChanged);
}

void JVLTextViewInspectorRatingField::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    JVLTextViewInspectorViewField::initWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label));
    setViewWidthShouldBeAdjusted(false);
    setViewShouldAlwaysBeVisible(true);
}

Ref<View> JVLTextViewInspectorRatingField::viewForField()
{
    auto indicator = make<LevelIndicator>(MakeRect(0, 0, 96, 14));
    indicator->levelCell()->setLevelIndicatorStyle(RatingLevelIndicatorStyle);
    indicator->setControlSize(RegularControlSize);
    indicator->setMinValue(0);
    indicator->setMaxValue(5);
    indicator->cell()->setEditable(true);
    indicator->setTarget(this);
    indicator->setAction(Selector("ratingChanged"));
    return indicator;
}

void JVLTextViewInspectorRatingField::setValue(const Value& value)
{
    if (auto* indicator = dynamic_cast<LevelIndicator*>(view().get())) {
        if (value.isNumber()) {
            indicator->setIntegerValue(std::int64_t(unsigned(value.integerValue())));
        } else if (value.isArray()) {
            const Set distinct(value.array());
            indicator->setIntegerValue(distinct.count() == 1 ? std::int64_t(unsigned(distinct.anyObject().integerValue())) : 0);
        }
    }
    JVLTextViewInspectorViewField::setValue(value);
}

void JVLTextViewInspectorRatingField::ratingChanged(Object*)
{
    if (auto* indicator = dynamic_cast<LevelIndicator*>(view().get()))
        userChangedValue(Value(std::int64_t(indicator->intValue())));
}

void JVLTextViewInspectorRatingField::setIsEditable(bool flag)
{
    JVLTextViewInspectorViewField::setIsEditable(flag);
    showEditability();
}

void JVLTextViewInspectorRatingField::setEditable(bool flag)
{
    JVLTextViewInspectorViewField::setEditable(flag);
    showEditability();
}

void JVLTextViewInspectorRatingField::setFormEditable(bool flag)
{
    JVLTextViewInspectorViewField::setFormEditable(flag);
    showEditability();
}

void JVLTextViewInspectorRatingField::showEditability()
{
    if (auto* indicator = dynamic_cast<LevelIndicator*>(view().get()); indicator && indicator->cell()) {
        indicator->cell()->setEditable(isEditable() && isFormEditable());
        indicator->setNeedsDisplay(true);
    }
}
