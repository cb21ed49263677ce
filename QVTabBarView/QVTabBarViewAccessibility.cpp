// What the tab bar view shows a screen reader and the keys that move its selection: a page tab
// list of its tabs (then its add button), named after the tab view's purpose. The bar takes the
// keyboard focus for its tabs; while it has it, the selected tab stands for it, so a new selection
// is announced as that tab taking the focus.

#include "QVTabBarView/QVTabBarView.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
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
        // The pull-down of the tabs that do not fit, while it shows.
        if (isOverflowButtonVisible() && overflowPopUpButton_->superview().get() == this)
            children.addObject(kit::Value(kit::Ref<kit::Object>(overflowPopUpButton_)));
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
    const kit::TabBarKeyStop stop = kit::TabBarCurrentKeyStop(keyStop_, keyStops());
    if (stop == kit::TabBarKeyStop::AddButton)
        return kit::Value(kit::Ref<kit::Object>(addTabButton_));
    if (const kit::Ref<QVAttachedTabBarButton> selected = selectedAttachedButton(); selected && stop == kit::TabBarKeyStop::CloseButton)
        return kit::Value(kit::Ref<kit::Object>(selected->closeButton()));
    if (const kit::Ref<QVAttachedTabBarButton> selected = selectedAttachedButton())
        return kit::Value(kit::Ref<kit::Object>(selected));
    return self();
}

void QVTabBarView::announceSelectedButton(const kit::Ref<QVAttachedTabBarButton>& before)
{
    kit::TabBarAccessibilitySelectionMoved(*this, before.get(), selectedAttachedButton().get());
}

kit::TabBarKeyStops QVTabBarView::keyStops() const
{
    kit::TabBarKeyStops stops;
    if (const kit::Ref<QVAttachedTabBarButton> selected = selectedAttachedButton())
        stops.closeButton = selected->closeButton() && !selected->closeButton()->isHidden() && selected->shouldDisplayCloseButton();
    stops.addButton = addTabButton_ && !addTabButton_->isHidden() && addTabButton_->superview().get() == this;
    return stops;
}

void QVTabBarView::keyDown(const kit::Event& event)
{
    const kit::Ref<QVTabBarView> keep(this);
    const bool handled = kit::TabBarKeyDown(*this, tabView_.get(), event, keyStop_, keyStops(), [this](kit::TabBarKeyStop stop) {
        const kit::Ref<QVAttachedTabBarButton> selected = selectedAttachedButton();
        if (stop == kit::TabBarKeyStop::AddButton)
            addTabButton_->performClick(this);
        else if (selected && selected->closeButton())
            selected->closeButton()->performClick(this);
    });
    if (!handled)
        View::keyDown(event);
}

bool QVTabBarView::becomeFirstResponder()
{
    keyStop_ = kit::TabBarEntryKeyStop(*this, keyStops());
    setNeedsDisplay(true);
    return View::becomeFirstResponder();
}

bool QVTabBarView::resignFirstResponder()
{
    setNeedsDisplay(true);
    return View::resignFirstResponder();
}

void QVTabBarView::takeFocusForClick()
{
    const kit::Ref<kit::Window> w = window();
    if (!w || w->firstResponder().get() == this || !w->makeFirstResponderForClick(this))
        return;
    setNeedsDisplay(true);
}

kit::Rect QVTabBarView::keyboardFocusRingRect() const
{
    if (!kit::ShowsFocusRing(this, kit::FocusRingTypeDefault))
        return kit::ZeroRect;
    const kit::Ref<QVAttachedTabBarButton> selected = selectedAttachedButton();
    switch (kit::TabBarCurrentKeyStop(keyStop_, keyStops())) {
    case kit::TabBarKeyStop::AddButton:
        return addTabButton_->frame();
    case kit::TabBarKeyStop::CloseButton:
        // Around the small button, not over its cross.
        return kit::InsetRect(selected->convertRectToView(selected->closeButton()->frame(), this), -2, -2);
    case kit::TabBarKeyStop::Tab:
        break;
    }
    if (selected)
        return selected->frame();
    // A selected tab without a button of its own is behind the overflow button, which stands for it.
    return overflowPopUpButton_ && !overflowPopUpButton_->isHidden() && tabView_ && tabView_->selectedTabViewItem() ? overflowPopUpButton_->frame()
                                                                                                                     : kit::ZeroRect;
}

void QVTabBarView::drawEnclosingKeyboardFocusRing(kit::View& view)
{
    for (kit::Ref<kit::View> v = view.superview(); v; v = v->superview())
        if (const auto bar = kit::dynamic_pointer_cast<QVTabBarView>(v))
            return bar->drawKeyboardFocusRingOver(view);
}

void QVTabBarView::drawKeyboardFocusRingOver(kit::View& view) const
{
    const kit::Rect ring = convertRectToView(keyboardFocusRingRect(), &view);
    QPainter* painter = kit::View::currentPainter();
    if (kit::IsEmptyRect(ring) || !kit::IntersectsRect(ring, view.bounds()) || !painter)
        return;
    kit::UprightPainter up(painter, ring, view.isFlipped());
    kit::DrawFocusRing(*painter, &view, up.map(ring));
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
            badges << kit::TabBarCountInWords(*QVTabBarView::bundle(), QStringLiteral("QVTabBarView"), objectCount());
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
