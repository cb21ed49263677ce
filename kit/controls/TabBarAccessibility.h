#pragma once

// What a tab bar drawn over a tab view shows a screen reader, shared by the component tab bars: a
// page tab list named after the tab view's purpose, whose selected tab stands for the keyboard
// focus the bar takes, and the arrow keys that move that selection.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/View.h"
#include "kit/controls/TabView.h"

#include <cstdint>

namespace kit {

// The bar's role, its name (its tool tip, else the tab view's, else `fallbackTitle`) and its
// focused state (only while no tab stands for the focus); otherwise what any view answers.
inline Value TabBarAccessibilityAttributeValue(
    const View& bar, const QString& attribute, const TabView* tabView, bool hasSelectedTab, const QString& fallbackTitle)
{
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityTabGroupRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityTabGroupRole));
    if (attribute == AccessibilityTitleAttribute) {
        if (!bar.toolTip().isEmpty())
            return Value(bar.toolTip());
        return Value(tabView && !tabView->toolTip().isEmpty() ? tabView->toolTip() : fallbackTitle);
    }
    if (attribute == AccessibilityFocusedAttribute)
        return Value(ViewAccessibilityAttributeValue(bar, attribute).boolValue() && !hasSelectedTab);
    return ViewAccessibilityAttributeValue(bar, attribute);
}

// A new selected tab: `before` and `now` say their selected state changed, and `now` takes the
// focus the bar has.
inline void TabBarAccessibilitySelectionMoved(Accessibility& bar, Accessibility* before, Accessibility* now)
{
    if (before == now)
        return;
    if (before)
        before->accessibilitySelectionChanged();
    if (now)
        now->accessibilitySelectionChanged();
    bar.accessibilityFocusedUIElementChanged();
}

// Left or Up selects the item before the selected one, Right or Down the one after; false for
// other keys.
inline bool TabViewSelectForArrowKey(TabView& tabView, std::uint16_t keyCode)
{
    switch (keyCode) {
    case KeyCodeLeftArrow:
    case KeyCodeUpArrow:
        tabView.selectPreviousTabViewItem();
        return true;
    case KeyCodeRightArrow:
    case KeyCodeDownArrow:
        tabView.selectNextTabViewItem();
        return true;
    default:
        return false;
    }
}

} // namespace kit
