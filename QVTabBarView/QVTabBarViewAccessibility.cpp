// What the tab bar view shows a screen reader and the keys that move its selection: a page tab
// list of its tabs (then its add button), named after the tab view's purpose. The bar takes the
// keyboard focus for its tabs; while it has it, the selected tab stands for it, so a new selection
// is announced as that tab taking the focus.

#include "QVTabBarView/QVTabBarView.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TabBarAccessibility.h"
#include "kit/foundation/Bundle.h"

namespace {

QString qvLocalized(const QString& key)
{
    return QVTabBarView::bundle()->localizedStringForKeyValueTable(key, key, QStringLiteral("QVTabBarView"));
}

} // namespace

// The bar ---------------------------------------------------------------------------------------

QStringList QVTabBarView::accessibilityAttributeNames() const
{
    QStringList names = kit::ViewAccessibilityAttributeNames();
    names << kit::AccessibilityTitleAttribute;
    return names;
}

kit::Value QVTabBarView::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityChildrenAttribute) {
        kit::Array children;
        for (const kit::Ref<QVAttachedTabBarButton>& b : orderedAttachedButtons())
            children.addObject(kit::Value(kit::Ref<kit::Object>(b)));
        if (addTabButton_ && !addTabButton_->isHidden() && addTabButton_->superview().get() == this)
            children.addObject(kit::Value(kit::Ref<kit::Object>(addTabButton_)));
        return kit::Value(kit::AccessibilityUnignoredChildren(children));
    }
    return kit::TabBarAccessibilityAttributeValue(*this, attribute, tabView_.get(), selectedAttachedButton() != nullptr, qvLocalized(QStringLiteral("Tabs")));
}

kit::Value QVTabBarView::accessibilityHitTest(kit::Point point) const
{
    if (const kit::Ref<kit::Window> w = window()) {
        const kit::Point p = convertPointFromView(w->convertScreenToBase(point), nullptr);
        for (const kit::Ref<QVAttachedTabBarButton>& b : attachedButtons())
            if (kit::MouseInRect(convertPointToView(p, b.get()), b->bounds(), b->isFlipped()))
                return b->accessibilityHitTest(point);
    }
    return self();
}

kit::Value QVTabBarView::accessibilityFocusedUIElement() const
{
    if (const kit::Ref<QVAttachedTabBarButton> selected = selectedAttachedButton())
        return kit::Value(kit::Ref<kit::Object>(selected));
    return self();
}

void QVTabBarView::announceSelectedButton(const kit::Ref<QVAttachedTabBarButton>& before)
{
    kit::TabBarAccessibilitySelectionMoved(*this, before.get(), selectedAttachedButton().get());
}

void QVTabBarView::keyDown(const kit::Event& event)
{
    if (!tabView_ || !kit::TabViewSelectForArrowKey(*tabView_, event.keyCode()))
        View::keyDown(event);
}

// Its tabs --------------------------------------------------------------------------------------

QStringList QVAttachedTabBarButton::accessibilityAttributeNames() const
{
    QStringList names = QVRolloverButton::accessibilityAttributeNames();
    names << kit::AccessibilitySelectedAttribute << kit::AccessibilityHelpAttribute;
    return names;
}

kit::Value QVAttachedTabBarButton::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityPageTabRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityPageTabRole));
    // A tab is selected while its item is.
    if (attribute == kit::AccessibilitySelectedAttribute)
        return kit::Value(state() == kit::OnState);
    // The badges: the count, busy and edited, as shown.
    if (attribute == kit::AccessibilityHelpAttribute) {
        QStringList badges;
        if (showObjectCount())
            badges << QString::number(objectCount());
        if (isProcessing())
            badges << qvLocalized(QStringLiteral("busy"));
        if (isEdited())
            badges << qvLocalized(QStringLiteral("edited"));
        return kit::Value(badges.join(QStringLiteral(", ")));
    }
    if (attribute == kit::AccessibilityFocusedAttribute) {
        const kit::Ref<QVTabBarView> bar = tabBarView();
        const kit::Ref<kit::Window> w = window();
        return kit::Value(state() == kit::OnState && bar && w && w->firstResponder().get() == bar.get());
    }
    return QVRolloverButton::accessibilityAttributeValue(attribute);
}

// A tab takes the focus as its bar does: the bar gets the keyboard and this tab becomes current.
bool QVAttachedTabBarButton::accessibilityIsAttributeSettable(const QString& attribute) const
{
    const kit::Ref<QVTabBarView> bar = tabBarView();
    return attribute == kit::AccessibilityFocusedAttribute && bar && kit::AccessibilityViewIsFocusable(*bar);
}

void QVAttachedTabBarButton::accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute)
{
    if (!value.boolValue() || !accessibilityIsAttributeSettable(attribute))
        return;
    const kit::Ref<QVTabBarView> bar = tabBarView();
    selectThroughAction();
    bar->window()->makeFirstResponder(bar.get());
}
