// What the bar shows a screen reader and the keys that move its selection: a page tab list of its
// cells, named after the tab view's purpose; while the bar has the keyboard focus the selected tab
// stands for it, so a new selection is announced as that tab taking the focus.

#include "XTTabBarControl/XTTabBarControl.h"

#include "kit/appkit/Window.h"
#include "kit/controls/TabBarAccessibility.h"

QStringList XTTabBarControl::accessibilityAttributeNames() const
{
    QStringList names = kit::ViewAccessibilityAttributeNames();
    names << kit::AccessibilityTitleAttribute << kit::AccessibilityVisibleChildrenAttribute;
    return names;
}

kit::Value XTTabBarControl::accessibilityAttributeValue(const QString& attribute) const
{
    // Tabs behind the overflow button are not on screen.
    if (attribute == kit::AccessibilityChildrenAttribute || attribute == kit::AccessibilityVisibleChildrenAttribute) {
        const bool visibleOnly = attribute == kit::AccessibilityVisibleChildrenAttribute;
        kit::Array children;
        for (const kit::Ref<XTTabBarCell>& cell : cells_)
            if (!visibleOnly || (!cell->isInOverflowMenu() && !cell->isPlaceholder()))
                children.addObject(kit::Value(kit::Ref<kit::Object>(cell)));
        if (addTabButton_ && !addTabButton_->isHidden() && addTabButton_->superview().get() == this)
            children.addObject(kit::Value(kit::Ref<kit::Object>(addTabButton_)));
        return kit::Value(kit::AccessibilityUnignoredChildren(children));
    }
    const QString tabs = bundle()->localizedStringForKeyValueTable(QStringLiteral("Tabs"), QStringLiteral("Tabs"), QStringLiteral("XTTabBarControl"));
    return kit::TabBarAccessibilityAttributeValue(*this, attribute, tabView_.get(), selectedCell() != nullptr, tabs);
}

kit::Value XTTabBarControl::accessibilityHitTest(kit::Point point) const
{
    if (const kit::Ref<kit::Window> w = window()) {
        const kit::Point p = convertPointFromView(w->convertScreenToBase(point), nullptr);
        for (const kit::Ref<XTTabBarCell>& cell : cells_)
            if (!cell->isInOverflowMenu() && kit::PointInRect(p, cell->frame()))
                return kit::AccessibilityHitTest(kit::Value(kit::Ref<kit::Object>(cell)), point);
    }
    return self();
}

kit::Value XTTabBarControl::accessibilityFocusedUIElement() const
{
    if (const kit::Ref<XTTabBarCell> cell = selectedCell())
        return kit::Value(kit::Ref<kit::Object>(cell));
    return self();
}

kit::Ref<XTTabBarCell> XTTabBarControl::selectedCell() const
{
    for (const kit::Ref<XTTabBarCell>& cell : cells_)
        if (cell->tabState() & XTTabSelectedMask)
            return cell;
    return nullptr;
}

void XTTabBarControl::announceSelectedCell(const kit::Ref<XTTabBarCell>& before)
{
    kit::TabBarAccessibilitySelectionMoved(*this, before.get(), selectedCell().get());
}

void XTTabBarControl::keyDown(const kit::Event& event)
{
    if (!tabView_ || !kit::TabViewSelectForArrowKey(*tabView_, event.keyCode()))
        Control::keyDown(event);
}
