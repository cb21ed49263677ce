// What the overview shows a screen reader: it draws its icons itself, so each shown icon is an
// element of its own, a list item named by its title and said with its group's caption; the
// current icon is the list's selection, and focused while the overview has the keyboard focus.
// Selecting or focusing an item makes it current; pressing it opens its pane as a click does.

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIconView.h"
#include "JVLAppKit/JVLPreferenceWindowController/JVLPreferenceWindowController.h"

#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"

using namespace kit;

class JVLPrefPaneIconElement : public Object, public Accessibility {
public:
    JVLPrefPaneIconElement(const JVLPrefPaneIconView* view, const JVLPrefPaneIcon* icon)
        : view_(const_cast<JVLPrefPaneIconView*>(view))
        , icon_(const_cast<JVLPrefPaneIcon*>(icon))
    { }

    Ref<JVLPrefPaneIcon> icon() const { return icon_.lock(); }

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override
    {
        return { AccessibilityRoleAttribute, AccessibilityRoleDescriptionAttribute, AccessibilityParentAttribute, AccessibilityWindowAttribute,
            AccessibilityTopLevelUIElementAttribute, AccessibilityPositionAttribute, AccessibilitySizeAttribute, AccessibilityTitleAttribute,
            AccessibilityHelpAttribute, AccessibilitySelectedAttribute, AccessibilityFocusedAttribute, AccessibilityEnabledAttribute };
    }
    Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const Ref<JVLPrefPaneIconView> view = view_.lock();
        const Ref<JVLPrefPaneIcon> icon = icon_.lock();
        if (!view || !icon)
            return {};
        if (attribute == AccessibilityRoleAttribute)
            return Value(AccessibilityListItemRole);
        if (attribute == AccessibilityRoleDescriptionAttribute)
            return Value(AccessibilityRoleDescription(AccessibilityListItemRole));
        if (attribute == AccessibilityParentAttribute)
            return Value(Ref<Object>(view));
        if (attribute == AccessibilityWindowAttribute || attribute == AccessibilityTopLevelUIElementAttribute)
            return view->window() ? Value(view->window()) : Value();
        if (attribute == AccessibilityPositionAttribute || attribute == AccessibilitySizeAttribute) {
            const Rect box = AccessibilityScreenRectOfRectInView(*view, view->drawnFrameOfIcon(icon.get()));
            return attribute == AccessibilitySizeAttribute ? Value(box.size) : Value(box.origin);
        }
        if (attribute == AccessibilityTitleAttribute)
            return Value(icon->title());
        // Grouped, the caption it is drawn under.
        if (attribute == AccessibilityHelpAttribute) {
            if (!view->sortByCategory())
                return {};
            const Ref<JVLPreferenceWindowController> controller = view->prefsController();
            return Value(controller ? controller->categoryDisplayNameForIdentifier(icon->itemIdentifier()) : icon->category());
        }
        if (attribute == AccessibilitySelectedAttribute)
            return Value(view->currentIcon() == icon);
        if (attribute == AccessibilityFocusedAttribute)
            return Value(view->currentIcon() == icon && view->hasKeyboardFocus());
        if (attribute == AccessibilityEnabledAttribute)
            return Value(true);
        return {};
    }
    bool accessibilityIsAttributeSettable(const QString& attribute) const override
    {
        const Ref<JVLPrefPaneIconView> view = view_.lock();
        if (attribute == AccessibilitySelectedAttribute)
            return bool(view);
        return attribute == AccessibilityFocusedAttribute && view && AccessibilityViewIsFocusable(*view);
    }
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override
    {
        if (!value.boolValue() || !accessibilityIsAttributeSettable(attribute))
            return;
        const Ref<JVLPrefPaneIconView> view = view_.lock();
        if (attribute == AccessibilityFocusedAttribute)
            view->focusIcon(icon().get());
        else
            view->makeIconCurrent(icon().get());
    }
    QStringList accessibilityActionNames() const override { return { AccessibilityPressAction }; }
    void accessibilityPerformAction(const QString& action) override
    {
        if (const Ref<JVLPrefPaneIconView> view = view_.lock(); view && action == AccessibilityPressAction)
            view->openIcon(icon().get());
    }
    Ref<View> accessibilityDrawingView() const override { return view_.lock(); }

private:
    Weak<JVLPrefPaneIconView> view_;
    Weak<JVLPrefPaneIcon> icon_;
};

Value JVLPrefPaneIconView::accessibilityElementForIcon(const JVLPrefPaneIcon* icon) const
{
    if (!icon)
        return {};
    Ref<Object>& element = accessibilityElements_[icon];
    // An element left by an icon that went, whose address came back for another.
    if (const auto* old = dynamic_cast<const JVLPrefPaneIconElement*>(element.get()); !old || old->icon().get() != icon)
        element = make<JVLPrefPaneIconElement>(this, icon);
    return Value(element);
}

QStringList JVLPrefPaneIconView::accessibilityAttributeNames() const
{
    return ViewAccessibilityAttributeNames() << AccessibilityTitleAttribute << AccessibilitySelectedChildrenAttribute;
}

Value JVLPrefPaneIconView::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityListRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityListRole));
    // Named by its tool tip, else as the window that shows it is while it does.
    if (attribute == AccessibilityTitleAttribute) {
        if (!toolTip().isEmpty())
            return Value(toolTip());
        if (const Ref<JVLPreferenceWindowController> controller = prefsController())
            return Value(controller->title());
        return Value(Bundle::bundleForClass(JVLPreferenceWindowController::staticClass())
                         ->localizedStringForKeyValueTable(QStringLiteral("JVLPWWindowTitle"), QString(), QStringLiteral("JVLPreferenceWindow")));
    }
    if (attribute == AccessibilityChildrenAttribute) {
        Array children;
        for (const Ref<JVLPrefPaneIcon>& icon : shownIcons())
            children.addObject(accessibilityElementForIcon(icon.get()));
        return Value(children);
    }
    if (attribute == AccessibilitySelectedChildrenAttribute) {
        const Ref<JVLPrefPaneIcon> current = currentIcon();
        return Value(current ? Array { accessibilityElementForIcon(current.get()) } : Array {});
    }
    // The current icon reads focused instead of the list.
    if (attribute == AccessibilityFocusedAttribute)
        return Value(hasKeyboardFocus() && !currentIcon());
    return ViewAccessibilityAttributeValue(*this, attribute);
}

Value JVLPrefPaneIconView::accessibilityHitTest(Point point) const
{
    for (const Ref<JVLPrefPaneIcon>& icon : shownIcons())
        if (const Value element = accessibilityElementForIcon(icon.get()); AccessibilityElementContainsPoint(element, point))
            return element;
    return self();
}

Value JVLPrefPaneIconView::accessibilityFocusedUIElement() const
{
    const Ref<JVLPrefPaneIcon> current = currentIcon();
    return current ? accessibilityElementForIcon(current.get()) : self();
}
