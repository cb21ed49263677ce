// What a screen reader finds of a shortcut recorder: a field whose text is what it shows, in
// words a synthesiser reads well ("Shift+Ctrl+K", not the glyphs), and the clear button the field
// draws at its end. Starting and ending a recording changes that text, and so is announced.

#include "KeyRecorder/KRKeyCodeTransformer.h"
#include "KeyRecorder/KRRecorderCell.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"

namespace {

// The clear button: pressing it empties the shortcut, as a click on it does.
class KRClearButtonElement : public kit::Object, public kit::Accessibility {
public:
    explicit KRClearButtonElement(KRRecorderCell* cell)
        : cell_(cell)
    { }

    QStringList accessibilityAttributeNames() const override
    {
        return { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute, kit::AccessibilityParentAttribute,
            kit::AccessibilityWindowAttribute, kit::AccessibilityTopLevelUIElementAttribute, kit::AccessibilityPositionAttribute,
            kit::AccessibilitySizeAttribute, kit::AccessibilityTitleAttribute, kit::AccessibilityEnabledAttribute };
    }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const kit::Ref<KRRecorderCell> cell = cell_.lock();
        const kit::Ref<kit::View> view = cell ? cell->controlView() : nullptr;
        if (!view)
            return {};
        if (attribute == kit::AccessibilityRoleAttribute)
            return kit::Value(kit::AccessibilityButtonRole);
        if (attribute == kit::AccessibilityRoleDescriptionAttribute)
            return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityButtonRole));
        if (attribute == kit::AccessibilityParentAttribute)
            return kit::Value(kit::Ref<kit::Object>(cell));
        if (attribute == kit::AccessibilityTitleAttribute)
            return kit::Value(KRLocalizedString(QStringLiteral("Clear shortcut")));
        if (attribute == kit::AccessibilityEnabledAttribute)
            return kit::Value(cell->isEnabled());
        if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
            const kit::Rect box = kit::AccessibilityScreenRectOfRectInView(*view, cell->removeButtonRectForFrame(view->bounds()));
            return attribute == kit::AccessibilitySizeAttribute ? kit::Value(box.size) : kit::Value(box.origin);
        }
        return kit::ViewAccessibilityAttributeValue(*view, attribute);
    }
    QStringList accessibilityActionNames() const override { return { kit::AccessibilityPressAction }; }
    void accessibilityPerformAction(const QString& action) override
    {
        const kit::Ref<KRRecorderCell> cell = cell_.lock();
        if (action == kit::AccessibilityPressAction && cell && cell->isEnabled() && !cell->isRecording())
            cell->setKeyCombo({ 0, -1 });
    }

private:
    kit::Weak<KRRecorderCell> cell_;
};

} // namespace

QStringList KRRecorderCell::accessibilityAttributeNames() const
{
    QStringList names = ActionCell::accessibilityAttributeNames();
    names << kit::AccessibilityPlaceholderValueAttribute;
    return names;
}

kit::Value KRRecorderCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityTextFieldRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityTextFieldRole));
    if (attribute == kit::AccessibilityValueAttribute)
        return kit::Value(spokenLabelString());
    // What the field shows while it holds no shortcut ("Click to record shortcut").
    if (attribute == kit::AccessibilityPlaceholderValueAttribute)
        return kit::Value(!isRecording() && isEmpty() ? labelString() : QString());
    if (attribute == kit::AccessibilityChildrenAttribute) {
        if (isEmpty() || isRecording())
            return kit::Value(kit::Array {});
        if (!clearButtonElement_)
            clearButtonElement_ = kit::make<KRClearButtonElement>(const_cast<KRRecorderCell*>(this));
        return kit::Value(kit::Array { kit::Value(clearButtonElement_) });
    }
    return ActionCell::accessibilityAttributeValue(attribute);
}

kit::Value KRRecorderCell::accessibilityHitTest(kit::Point point) const
{
    const kit::Value children = accessibilityAttributeValue(kit::AccessibilityChildrenAttribute);
    for (const kit::Value& child : children.array()) {
        if (kit::AccessibilityElementContainsPoint(child, point))
            return child;
    }
    return self();
}
