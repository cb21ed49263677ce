#pragma once

// What a tab bar drawn over a tab view shows a screen reader, shared by the component tab bars: a
// page tab list named after the tab view's purpose, whose selected tab stands for the keyboard
// focus the bar takes, and the keys of a focused bar: the selection keys and the Tab key through
// the selected tab's close button and the add button.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TabView.h"
#include "kit/foundation/Bundle.h"

#include <cstdint>
#include <functional>

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

// A tab's count badge in words from the bar's strings table `table`: "1 item", "3 items".
inline QString TabBarCountInWords(const Bundle& bundle, const QString& table, std::int64_t count)
{
    const QString key = count == 1 ? QStringLiteral("%1 item") : QStringLiteral("%1 items");
    return bundle.localizedStringForKeyValueTable(key, key, table).arg(count);
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

// Left or Up selects the item before the selected one, Right or Down the one after, Home the
// first and End the last; false for other keys.
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
    case KeyCodeHome:
        tabView.selectFirstTabViewItem();
        return true;
    case KeyCodeEnd:
        tabView.selectLastTabViewItem();
        return true;
    default:
        return false;
    }
}

// Where the keyboard is on a focused tab bar: its selected tab, that tab's close button, or the
// add button. Tab steps through them in that order (those the bar shows), then leaves the bar.
enum class TabBarKeyStop { Tab, CloseButton, AddButton };

// The stops a bar shows now besides its selected tab.
struct TabBarKeyStops {
    bool closeButton = false;
    bool addButton = false;
    bool has(TabBarKeyStop stop) const
    {
        return stop == TabBarKeyStop::Tab || (stop == TabBarKeyStop::CloseButton ? closeButton : addButton);
    }
};

// The stop the keyboard stands on: `stop`, or the tab when the bar no longer shows it.
inline TabBarKeyStop TabBarCurrentKeyStop(TabBarKeyStop stop, TabBarKeyStops stops) { return stops.has(stop) ? stop : TabBarKeyStop::Tab; }

// Where the keyboard enters a bar: its last stop when it comes back with Shift-Tab, else the tab.
inline TabBarKeyStop TabBarEntryKeyStop(const View& bar, TabBarKeyStops stops)
{
    const Ref<Window> window = bar.window();
    if (!window || window->keyViewSelectionDirection() != SelectingPrevious)
        return TabBarKeyStop::Tab;
    if (stops.addButton)
        return TabBarKeyStop::AddButton;
    return stops.closeButton ? TabBarKeyStop::CloseButton : TabBarKeyStop::Tab;
}

// A key on a focused bar: the selection keys move the selected tab (and the keyboard back onto
// it); Tab and Shift-Tab move the keyboard through the bar's stops and out of the bar at either
// end; Space and Return press the button the keyboard is on. False for keys left to others.
inline bool TabBarKeyDown(View& bar, TabView* tabView, const Event& event, TabBarKeyStop& stop, TabBarKeyStops stops,
    const std::function<void(TabBarKeyStop)>& press)
{
    const std::uint64_t flags = event.modifierFlags() & (ShiftKeyMask | ControlKeyMask | AlternateKeyMask | CommandKeyMask);
    const TabBarKeyStop before = TabBarCurrentKeyStop(stop, stops);
    if (tabView && TabViewSelectForArrowKey(*tabView, event.keyCode())) {
        stop = TabBarKeyStop::Tab;
    } else if (event.keyCode() == KeyCodeTab && (flags & ~ShiftKeyMask) == 0) {
        static constexpr TabBarKeyStop order[] = { TabBarKeyStop::Tab, TabBarKeyStop::CloseButton, TabBarKeyStop::AddButton };
        const int step = flags & ShiftKeyMask ? -1 : 1;
        int at = int(before) + step;
        while (at >= 0 && at < 3 && !stops.has(order[at]))
            at += step;
        if (at < 0 || at >= 3) {
            stop = TabBarKeyStop::Tab;
            if (const Ref<Window> window = bar.window())
                step > 0 ? window->selectKeyViewFollowingView(&bar) : window->selectKeyViewPrecedingView(&bar);
            return true;
        }
        stop = order[at];
    } else if ((event.keyCode() == KeyCodeSpace || event.keyCode() == KeyCodeReturn) && flags == 0 && before != TabBarKeyStop::Tab) {
        press(before);
        return true;
    } else {
        return false;
    }
    if (stop != before) {
        bar.setNeedsDisplay(true);
        if (Accessibility* element = dynamic_cast<Accessibility*>(&bar))
            element->accessibilityFocusedUIElementChanged();
    }
    return true;
}

} // namespace kit
