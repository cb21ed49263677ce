#pragma once

// The accessibility protocol: an element answers attributes by name (values are kit::Values:
// elements as objects, position and size as geometry values), lists and performs actions, and may
// be ignored (then its children stand in for it). Any kit::Object becomes an element by deriving
// from kit::Accessibility; views and windows answer defaults without doing so (a plain view is
// ignored, a window is the top-level element). Positions are screen coordinates, y up; sizes are
// window units. Main thread only.

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace kit {

class View;

// Attributes.
inline const QString AccessibilityRoleAttribute = QStringLiteral("AXRole");
inline const QString AccessibilityRoleDescriptionAttribute = QStringLiteral("AXRoleDescription");
inline const QString AccessibilitySubroleAttribute = QStringLiteral("AXSubrole");
inline const QString AccessibilityParentAttribute = QStringLiteral("AXParent");
inline const QString AccessibilityChildrenAttribute = QStringLiteral("AXChildren");
inline const QString AccessibilityVisibleChildrenAttribute = QStringLiteral("AXVisibleChildren");
inline const QString AccessibilitySelectedChildrenAttribute = QStringLiteral("AXSelectedChildren");
inline const QString AccessibilityWindowAttribute = QStringLiteral("AXWindow");
inline const QString AccessibilityTopLevelUIElementAttribute = QStringLiteral("AXTopLevelUIElement");
inline const QString AccessibilityPositionAttribute = QStringLiteral("AXPosition");
inline const QString AccessibilitySizeAttribute = QStringLiteral("AXSize");
inline const QString AccessibilityFocusedAttribute = QStringLiteral("AXFocused");
inline const QString AccessibilityEnabledAttribute = QStringLiteral("AXEnabled");
inline const QString AccessibilityTitleAttribute = QStringLiteral("AXTitle");
inline const QString AccessibilityValueAttribute = QStringLiteral("AXValue");
inline const QString AccessibilityMinValueAttribute = QStringLiteral("AXMinValue");
inline const QString AccessibilityMaxValueAttribute = QStringLiteral("AXMaxValue");
inline const QString AccessibilityHelpAttribute = QStringLiteral("AXHelp");
inline const QString AccessibilitySelectedAttribute = QStringLiteral("AXSelected");
inline const QString AccessibilityOrientationAttribute = QStringLiteral("AXOrientation");
inline const QString AccessibilityDescriptionAttribute = QStringLiteral("AXDescription");
inline const QString AccessibilityRowsAttribute = QStringLiteral("AXRows");
inline const QString AccessibilityVisibleRowsAttribute = QStringLiteral("AXVisibleRows");
inline const QString AccessibilitySelectedRowsAttribute = QStringLiteral("AXSelectedRows");
inline const QString AccessibilityIndexAttribute = QStringLiteral("AXIndex");
inline const QString AccessibilityDisclosingAttribute = QStringLiteral("AXDisclosing");
inline const QString AccessibilityDisclosureLevelAttribute = QStringLiteral("AXDisclosureLevel");
// Text: the selection (a range; its end is the caret), settable while the text is edited; and the
// text shown while the value is empty.
inline const QString AccessibilitySelectedTextRangeAttribute = QStringLiteral("AXSelectedTextRange");
// The selected text; setting it replaces the selection, as typing over it would.
inline const QString AccessibilitySelectedTextAttribute = QStringLiteral("AXSelectedText");
inline const QString AccessibilityPlaceholderValueAttribute = QStringLiteral("AXPlaceholderValue");
// Whether a button that stays in when pushed is in; nil for other buttons.
inline const QString AccessibilityCheckedAttribute = QStringLiteral("AXChecked");
// The element that names this one (a label beside a pop-up): its name is this one's, and it is
// published as the label of this one.
inline const QString AccessibilityTitleUIElementAttribute = QStringLiteral("AXTitleUIElement");

// Whether changes of the element's value are read out while the user is elsewhere: "polite"
// (after what is being said) marks a live region, such as a status line; nil for none.
inline const QString AccessibilityARIALiveAttribute = QStringLiteral("AXARIALive");
inline const QString AccessibilityARIALivePoliteValue = QStringLiteral("polite");

// Roles.
inline const QString AccessibilityApplicationRole = QStringLiteral("AXApplication");
inline const QString AccessibilityWindowRole = QStringLiteral("AXWindow");
// A window while it is up over another as its sheet: a child of that window.
inline const QString AccessibilitySheetRole = QStringLiteral("AXSheet");
inline const QString AccessibilityGroupRole = QStringLiteral("AXGroup");
inline const QString AccessibilityListRole = QStringLiteral("AXList");
inline const QString AccessibilityListItemRole = QStringLiteral("AXListItem");
inline const QString AccessibilityImageRole = QStringLiteral("AXImage");
inline const QString AccessibilityScrollBarRole = QStringLiteral("AXScrollBar");
inline const QString AccessibilityValueIndicatorRole = QStringLiteral("AXValueIndicator");
inline const QString AccessibilityCheckBoxRole = QStringLiteral("AXCheckBox");
inline const QString AccessibilityScrollAreaRole = QStringLiteral("AXScrollArea");
inline const QString AccessibilityButtonRole = QStringLiteral("AXButton");
inline const QString AccessibilityRadioButtonRole = QStringLiteral("AXRadioButton");
inline const QString AccessibilityPopUpButtonRole = QStringLiteral("AXPopUpButton");
inline const QString AccessibilityTabGroupRole = QStringLiteral("AXTabGroup");
// One tab of a tab group: selected while its page shows.
inline const QString AccessibilityPageTabRole = QStringLiteral("AXPageTab");
inline const QString AccessibilityStaticTextRole = QStringLiteral("AXStaticText");
inline const QString AccessibilityTextFieldRole = QStringLiteral("AXTextField");
inline const QString AccessibilityTextAreaRole = QStringLiteral("AXTextArea");
inline const QString AccessibilityIncrementorRole = QStringLiteral("AXIncrementor");
inline const QString AccessibilityLevelIndicatorRole = QStringLiteral("AXLevelIndicator");
inline const QString AccessibilitySliderRole = QStringLiteral("AXSlider");
inline const QString AccessibilityTableRole = QStringLiteral("AXTable");
inline const QString AccessibilityOutlineRole = QStringLiteral("AXOutline");
inline const QString AccessibilityRowRole = QStringLiteral("AXRow");
inline const QString AccessibilityCellRole = QStringLiteral("AXCell");
inline const QString AccessibilityProgressIndicatorRole = QStringLiteral("AXProgressIndicator");
inline const QString AccessibilityBusyIndicatorRole = QStringLiteral("AXBusyIndicator");
inline const QString AccessibilityColorWellRole = QStringLiteral("AXColorWell");
inline const QString AccessibilityUnknownRole = QStringLiteral("AXUnknown");

// Subroles.
inline const QString AccessibilityOutlineRowSubrole = QStringLiteral("AXOutlineRow");
inline const QString AccessibilityTableRowSubrole = QStringLiteral("AXTableRow");

// Orientations.
inline const QString AccessibilityHorizontalOrientationValue = QStringLiteral("AXHorizontalOrientation");
inline const QString AccessibilityVerticalOrientationValue = QStringLiteral("AXVerticalOrientation");

// Actions.
inline const QString AccessibilityPressAction = QStringLiteral("AXPress");
inline const QString AccessibilityIncrementAction = QStringLiteral("AXIncrement");
inline const QString AccessibilityDecrementAction = QStringLiteral("AXDecrement");
inline const QString AccessibilityShowMenuAction = QStringLiteral("AXShowMenu");

class Accessibility {
public:
    Accessibility();
    virtual ~Accessibility();

    virtual QStringList accessibilityAttributeNames() const { return {}; }
    virtual Value accessibilityAttributeValue(const QString&) const { return {}; }
    // Parts of an array attribute, so an element with many children (a table's rows) makes only
    // those asked for. By default they cut the whole array.
    virtual std::int64_t accessibilityArrayAttributeCount(const QString& attribute) const;
    virtual Array accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const;
    // The place of `child` among the children; -1 when it is not one.
    virtual std::int64_t accessibilityIndexOfChild(const Value& child) const;
    virtual bool accessibilityIsAttributeSettable(const QString&) const { return false; }
    virtual void accessibilitySetValueForAttribute(const Value&, const QString&) { }
    virtual QStringList accessibilityActionNames() const { return {}; }
    virtual QString accessibilityActionDescription(const QString& action) const;
    virtual void accessibilityPerformAction(const QString&) { }
    virtual bool accessibilityIsIgnored() const { return false; }
    // `point` in screen coordinates, y up; the deepest element there (the receiver by default).
    virtual Value accessibilityHitTest(Point point) const;
    virtual Value accessibilityFocusedUIElement() const;
    // The view that draws an element that is no view itself (a cell's control); null where its
    // parent's view does. What of it shows says whether the element is on screen.
    virtual Ref<View> accessibilityDrawingView() const;
    // Tells the platform bridge the element's value (its text, its number, its state) changed.
    void accessibilityValueChanged();
    // Tells the platform bridge the element's title changed (a button's Start became Stop).
    void accessibilityTitleChanged();
    // Tells the platform bridge the element's selected state changed; for an element with
    // selected children, which of them are selected.
    void accessibilitySelectionChanged();
    // Tells the platform bridge the caret or the selected text of the element's text moved.
    void accessibilitySelectedTextChanged();
    // Tells the platform bridge the element that stands for the receiver's keyboard focus (a tab
    // bar's current tab) is another one now; nothing unless the receiver has that focus.
    void accessibilityFocusedUIElementChanged();
    // An application's own answer for `attribute`, before the element's (a nil value removes it):
    // ties a control to its label (AccessibilityTitleUIElementAttribute), for one.
    void accessibilitySetOverrideValueForAttribute(const Value& value, const QString& attribute);
    Value accessibilityOverrideValue(const QString& attribute) const { return overrides_.value(attribute); }
    QStringList accessibilityOverriddenAttributes() const { return overrides_.keys(); }
    // Test seam: how many elements of the protocol live now (what a reader's walk has made).
    static std::int64_t liveElementCountForTesting();

protected:
    // The element as a value (the kit::Object it is part of).
    Value self() const;
    // Tells the platform bridge the element's children changed.
    void accessibilityChildrenChanged();

private:
    QHash<QString, Value> overrides_;
};

// Through an element's protocol, or the defaults of views and windows; nil for anything else.
QStringList AccessibilityAttributeNames(const Value& element);
Value AccessibilityAttributeValue(const Value& element, const QString& attribute);
std::int64_t AccessibilityArrayAttributeCount(const Value& element, const QString& attribute);
Array AccessibilityArrayAttributeValues(const Value& element, const QString& attribute, std::int64_t index, std::int64_t maxCount);
std::int64_t AccessibilityIndexOfChild(const Value& element, const Value& child);
bool AccessibilityIsAttributeSettable(const Value& element, const QString& attribute);
void AccessibilitySetValueForAttribute(const Value& element, const Value& value, const QString& attribute);
// The override on an element of the protocol (a control's through its accessibilityElement()).
void AccessibilitySetOverrideValueForAttribute(const Value& element, const Value& value, const QString& attribute);
QStringList AccessibilityActionNames(const Value& element);
void AccessibilityPerformAction(const Value& element, const QString& action);
bool AccessibilityIsIgnored(const Value& element);
Value AccessibilityHitTest(const Value& element, Point screenPoint);
Value AccessibilityFocusedUIElement(const Value& element);

// What any view answers (for view classes that adopt the protocol and pass other attributes on).
QStringList ViewAccessibilityAttributeNames();
Value ViewAccessibilityAttributeValue(const View& view, const QString& attribute);
// What a progress indicator answers: while `busy` a busy indicator without a value, else a
// progress indicator with `value` from `min` to `max`; other attributes as any view.
QStringList ProgressAccessibilityAttributeNames();
Value ProgressAccessibilityAttributeValue(const View& view, const QString& attribute, bool busy, double value, double min, double max);
// How `before` became `after`, as one change: the part between their common start and their
// common end, never half a surrogate pair (a text update says what was typed, not the whole text).
struct TextChange {
    std::int64_t location = 0;
    QString removed;
    QString inserted;
};
TextChange AccessibilityTextChangeBetween(const QString& before, const QString& after);
// What a live region's `after` adds to its `before`: the lines after those it keeps from the end of
// `before` (a log growing at the bottom and dropping lines at the top), else all of `after`; empty
// when it only lost lines.
QString AccessibilityLiveRegionAddition(const QString& before, const QString& after);
// `rect` of `view` (its own coordinates) as accessibility places it: the origin is the bottom-left
// corner on the screen (y up), the size in window units.
Rect AccessibilityScreenRectOfRectInView(const View& view, Rect rect);

// A view that takes the keys (a table, an outline, a grid) is focusable through its element.
bool AccessibilityViewIsFocusable(const View& view);
// Makes the view first responder, as a click on it would; nothing when it cannot take focus.
void AccessibilityFocusView(View& view);

// Whether `screenPoint` lies in the element's box (its position and size).
bool AccessibilityElementContainsPoint(const Value& element, Point screenPoint);
// The element itself when not ignored, else its first unignored ancestor.
Value AccessibilityUnignoredAncestor(const Value& element);
// Ignored elements replaced by their own unignored children, in order.
Array AccessibilityUnignoredChildren(const Array& children);
// A fixed English description per role (and subrole); "unknown" for unknown roles.
QString AccessibilityRoleDescription(const QString& role, const QString& subrole = {});
QString AccessibilityRoleDescriptionForUIElement(const Value& element);
// "press", "increment", "decrement", "show menu"; empty for others.
QString AccessibilityActionDescription(const QString& action);

} // namespace kit
