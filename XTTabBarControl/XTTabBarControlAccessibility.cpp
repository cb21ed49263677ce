// What the bar shows a screen reader and the keys that move its selection: a page tab list of its
// cells, named after the tab view's purpose; while the bar has the keyboard focus the selected tab
// stands for it, so a new selection is announced as that tab taking the focus.

#include "XTTabBarControl/XTTabBarControl.h"

#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/TabBarAccessibility.h"

#include <algorithm>

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
    const kit::TabBarKeyStop stop = kit::TabBarCurrentKeyStop(keyStop_, keyStops());
    if (stop == kit::TabBarKeyStop::AddButton)
        return kit::Value(kit::Ref<kit::Object>(addTabButton_));
    if (const kit::Ref<XTTabBarCell> cell = selectedCell(); cell && stop == kit::TabBarKeyStop::CloseButton)
        return kit::Value(kit::Ref<kit::Object>(cell->closeButtonElement()));
    if (const kit::Ref<XTTabBarCell> cell = selectedCell())
        return kit::Value(kit::Ref<kit::Object>(cell));
    return self();
}

bool XTTabBarControl::keyboardIsOnCloseButtonOf(const XTTabBarCell* cell) const
{
    const kit::Ref<kit::Window> w = window();
    return cell && w && w->firstResponder().get() == this && selectedCell().get() == cell
        && kit::TabBarCurrentKeyStop(keyStop_, keyStops()) == kit::TabBarKeyStop::CloseButton;
}

kit::Ref<XTTabBarCell> XTTabBarControl::selectedCell() const
{
    for (const kit::Ref<XTTabBarCell>& cell : cells_)
        if (cell->tabState() & XTTabSelectedMask)
            return cell;
    return nullptr;
}

void XTTabBarControl::announceSelectedCell()
{
    kit::Ref<XTTabBarCell> before = announcedCell_.lock();
    if (std::ranges::find(cells_, before) == cells_.end())
        before = nullptr;
    const kit::Ref<XTTabBarCell> now = selectedCell();
    announcedCell_ = now.get();
    kit::TabBarAccessibilitySelectionMoved(*this, before.get(), now.get());
}

kit::TabBarKeyStops XTTabBarControl::keyStops() const
{
    kit::TabBarKeyStops stops;
    if (const kit::Ref<XTTabBarCell> cell = selectedCell())
        stops.closeButton = cell->showsCloseButton();
    stops.addButton = addTabButton_ && !addTabButton_->isHidden() && addTabButton_->superview().get() == this;
    return stops;
}

void XTTabBarControl::keyDown(const kit::Event& event)
{
    const kit::Ref<XTTabBarControl> keep(this);
    const bool handled = kit::TabBarKeyDown(*this, tabView_.get(), event, keyStop_, keyStops(), [this](kit::TabBarKeyStop stop) {
        if (stop == kit::TabBarKeyStop::AddButton)
            addTabButton_->performClick(this);
        else if (const kit::Ref<XTTabBarCell> cell = selectedCell())
            closeTabClick(cell.get());
    });
    if (!handled)
        Control::keyDown(event);
}

bool XTTabBarControl::becomeFirstResponder()
{
    keyStop_ = kit::TabBarEntryKeyStop(*this, keyStops());
    setNeedsDisplay(true);
    return Control::becomeFirstResponder();
}

bool XTTabBarControl::resignFirstResponder()
{
    setNeedsDisplay(true);
    return Control::resignFirstResponder();
}

kit::Rect XTTabBarControl::keyboardFocusRingRect() const
{
    if (!kit::ShowsFocusRing(this, kit::FocusRingTypeDefault))
        return kit::ZeroRect;
    const kit::Ref<XTTabBarCell> cell = selectedCell();
    switch (kit::TabBarCurrentKeyStop(keyStop_, keyStops())) {
    case kit::TabBarKeyStop::AddButton:
        return addTabButton_->frame();
    case kit::TabBarKeyStop::CloseButton:
        // Around the small button, not over its cross.
        return kit::InsetRect(cell->closeButtonRectForFrame(cell->frame()), -2, -2);
    case kit::TabBarKeyStop::Tab:
        break;
    }
    if (!cell)
        return kit::ZeroRect;
    if (!cell->isInOverflowMenu())
        return cell->frame();
    // A tab behind the overflow button has no place of its own: the button stands for it.
    return overflowPopUpButton_ && !overflowPopUpButton_->isHidden() ? overflowPopUpButton_->frame() : kit::ZeroRect;
}

void XTTabBarControl::drawKeyboardFocusRing()
{
    const kit::Rect ring = keyboardFocusRingRect();
    QPainter* painter = kit::View::currentPainter();
    if (kit::IsEmptyRect(ring) || !painter)
        return;
    kit::UprightPainter up(painter, ring, isFlipped());
    kit::DrawFocusRing(*painter, this, up.map(ring));
}
