#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCheckboxField.h"

#include "kit/controls/Button.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/Font.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorCheckboxField, JVLTextViewInspectorViewField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.action("checkboxStateChanged", &JVLTextViewInspectorCheckboxField::checkboxStateChanged);
}

void JVLTextViewInspectorCheckboxField::initWithIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    JVLTextViewInspectorViewField::initWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label));
    setViewWidthShouldBeAdjusted(true);
}

Ref<View> JVLTextViewInspectorCheckboxField::viewForField()
{
    auto button = make<Button>(MakeRect(0, 0, 126, 21));
    button->setButtonType(SwitchButton);
    button->setControlSize(SmallControlSize);
    button->setFont(Font::systemFontOfSize(Font::systemFontSizeForControlSize(SmallControlSize))->qFont());
    button->setTitle(QString());
    button->setTarget(this);
    button->setAction(Selector("checkboxStateChanged"));
    return button;
}

void JVLTextViewInspectorCheckboxField::setValue(const Value& value)
{
    if (auto* button = dynamic_cast<Button*>(view().get())) {
        button->setAllowsMixedState(false);
        button->setEnabled(!value.isNil());
        if (value.isNumber()) {
            button->setState(value.isEqual(onValue_) ? OnState : OffState);
        } else if (value.isArray()) {
            const Set distinct(value.array());
            if (distinct.count() >= 2) {
                button->setAllowsMixedState(true);
                button->setState(MixedState);
            } else if (distinct.count() == 1) {
                button->setState(distinct.anyObject().isEqual(onValue_) ? OnState : OffState);
            } else {
                button->setState(OffState);
                button->setEnabled(false);
            }
        }
    }
    JVLTextViewInspectorViewField::setValue(value);
}

void JVLTextViewInspectorCheckboxField::checkboxStateChanged(Object*)
{
    auto* button = dynamic_cast<Button*>(view().get());
    if (!button)
        return;
    // Mixed is not a choice of the user: a click on a mixed box turns it on.
    button->setAllowsMixedState(false);
    const int state = button->state();
    userChangedValue(state == OnState ? onValue_ : state == OffState ? Value(std::int64_t(0)) : Value());
}

QString JVLTextViewInspectorCheckboxField::notEditableReplacementString() const
{
    const QString own = JVLTextViewInspectorViewField::notEditableReplacementString();
    if (!own.isEmpty())
        return own;
    const auto* button = dynamic_cast<const Button*>(view().get());
    if (!button)
        return {};
    if (button->state() == MixedState)
        return Bundle::mainBundle()->localizedStringForKeyValueTable(QStringLiteral("MultipleValues"), QString(), QString());
    if (button->state() == OnState)
        return Bundle::mainBundle()->localizedStringForKeyValueTable(QStringLiteral("YES"), QString(), QString());
    return {};
}
