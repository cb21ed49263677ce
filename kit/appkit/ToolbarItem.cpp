#include "kit/appkit/ToolbarItem.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/ToolbarView.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Image.h"

namespace kit {

ToolbarItem::ToolbarItem(const QString& itemIdentifier)
    : identifier_(itemIdentifier)
{
    setMainThreadAffine();
}

void ToolbarItem::changed()
{
    if (const Ref<Toolbar> t = toolbar())
        t->itemsChanged();
}

void ToolbarItem::setLabel(const QString& label)
{
    label_ = label;
    changed();
}

void ToolbarItem::setImage(Image* image)
{
    image_ = image;
    changed();
}

void ToolbarItem::setEnabled(bool flag)
{
    if (enabled_ == flag)
        return;
    enabled_ = flag;
    changed();
}

void ToolbarItem::setView(View* view)
{
    if (view_)
        view_->removeFromSuperview();
    view_ = view;
    changed();
}

void ToolbarItem::validate()
{
    if (view_ || !autovalidates_)
        return;
    setEnabled(validateUserInterfaceItemForTarget(*this, target_, [this](Object* validator) -> std::optional<bool> {
        if (auto* v = dynamic_cast<ToolbarItemValidation*>(validator))
            return v->validateToolbarItem(this);
        return std::nullopt;
    }));
}

void ToolbarItem::sendAction()
{
    if (!action_.isNull())
        Application::sharedApplication()->sendActionToFrom(action_, target_, this);
}

// Accessibility -----------------------------------------------------------------------------------

namespace {

Ref<ToolbarView> stripOfItem(const ToolbarItem& item)
{
    const Ref<Toolbar> toolbar = item.toolbar();
    return toolbar ? dynamic_pointer_cast<ToolbarView>(toolbar->toolbarView()) : nullptr;
}

} // namespace

QStringList ToolbarItem::accessibilityAttributeNames() const
{
    QStringList names { AccessibilityRoleAttribute, AccessibilityRoleDescriptionAttribute, AccessibilityParentAttribute,
        AccessibilityWindowAttribute, AccessibilityTopLevelUIElementAttribute, AccessibilityPositionAttribute, AccessibilitySizeAttribute,
        AccessibilityTitleAttribute, AccessibilityHelpAttribute, AccessibilityEnabledAttribute, AccessibilityFocusedAttribute };
    if (const Ref<Toolbar> t = toolbar(); t && t->isSelectable(identifier_))
        names << AccessibilityCheckedAttribute;
    return names;
}

Value ToolbarItem::accessibilityAttributeValue(const QString& attribute) const
{
    const Ref<Toolbar> toolbar = this->toolbar();
    const Ref<ToolbarView> strip = stripOfItem(*this);
    if (!strip)
        return {};
    // The selectable items are one choice: the selected one is the pane or mode shown.
    const QString role = toolbar && toolbar->isSelectable(identifier_) ? AccessibilityRadioButtonRole : AccessibilityButtonRole;
    if (attribute == AccessibilityRoleAttribute)
        return Value(role);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(role));
    if (attribute == AccessibilityParentAttribute)
        return Value(Ref<Object>(strip));
    if (attribute == AccessibilityWindowAttribute || attribute == AccessibilityTopLevelUIElementAttribute)
        return strip->window() ? Value(strip->window()) : Value();
    if (attribute == AccessibilityPositionAttribute || attribute == AccessibilitySizeAttribute) {
        const Rect box = AccessibilityScreenRectOfRectInView(*strip, strip->rectOfItem(this));
        return attribute == AccessibilitySizeAttribute ? Value(box.size) : Value(box.origin);
    }
    if (attribute == AccessibilityTitleAttribute)
        return Value(!label_.isEmpty() ? label_ : !paletteLabel_.isEmpty() ? paletteLabel_ : toolTip_);
    // The tool tip says more when the label names the item.
    if (attribute == AccessibilityHelpAttribute)
        return label_.isEmpty() && paletteLabel_.isEmpty() ? Value() : Value(toolTip_);
    if (attribute == AccessibilityEnabledAttribute)
        return Value(enabled_);
    if (attribute == AccessibilityFocusedAttribute)
        return Value(strip->hasKeyboardFocus() && strip->currentItem().get() == this);
    if (attribute == AccessibilityCheckedAttribute)
        return toolbar->isSelectable(identifier_) ? Value(toolbar->selectedItemIdentifier() == identifier_) : Value();
    return {};
}

bool ToolbarItem::accessibilityIsAttributeSettable(const QString& attribute) const
{
    const Ref<ToolbarView> strip = stripOfItem(*this);
    return attribute == AccessibilityFocusedAttribute && strip && AccessibilityViewIsFocusable(*strip);
}

void ToolbarItem::accessibilitySetValueForAttribute(const Value& value, const QString& attribute)
{
    if (value.boolValue() && accessibilityIsAttributeSettable(attribute))
        stripOfItem(*this)->focusItem(this);
}

void ToolbarItem::accessibilityPerformAction(const QString& action)
{
    if (const Ref<ToolbarView> strip = stripOfItem(*this); strip && action == AccessibilityPressAction)
        strip->pressItem(this);
}

Ref<View> ToolbarItem::accessibilityDrawingView() const { return stripOfItem(*this); }

KIT_REGISTER_CLASS(ToolbarItem, Object)
{
    c.property("label", &ToolbarItem::label, &ToolbarItem::setLabel);
    c.property("itemIdentifier", &ToolbarItem::itemIdentifier);
    c.property("isEnabled", &ToolbarItem::isEnabled, &ToolbarItem::setEnabled);
    c.property("tag", &ToolbarItem::tag, &ToolbarItem::setTag);
}

} // namespace kit
