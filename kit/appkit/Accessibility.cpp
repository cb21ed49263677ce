#include "kit/appkit/Accessibility.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <QHash>

#include <algorithm>
#include <atomic>

namespace kit {

namespace accessibility {

Array sliceOfArray(const Value& v, std::int64_t index, std::int64_t maxCount)
{
    if (!v.isArray() || index < 0 || maxCount <= 0 || index >= v.array().count())
        return {};
    return v.array().subarrayWithRange({ index, std::min(maxCount, v.array().count() - index) });
}

std::int64_t indexOfElement(const Value& children, const Value& child)
{
    if (!children.isArray() || !child.isObject())
        return -1;
    const Array& array = children.array();
    for (std::int64_t i = 0; i < array.count(); ++i)
        if (array.objectAtIndex(i).isObject() && array.objectAtIndex(i).object() == child.object())
            return i;
    return -1;
}

} // namespace accessibility

// The protocol's defaults -------------------------------------------------------------------------

namespace accessibility {
// Cells are elements, and a cell may be made on any thread.
std::atomic<std::int64_t> liveElements { 0 };
} // namespace accessibility

Accessibility::Accessibility()
{
    AccessibilityBridge::install();
    accessibility::liveElements.fetch_add(1, std::memory_order_relaxed);
}

Accessibility::~Accessibility()
{
    accessibility::liveElements.fetch_sub(1, std::memory_order_relaxed);
    AccessibilityBridge::elementDestroyed(this);
}

std::int64_t Accessibility::liveElementCountForTesting() { return accessibility::liveElements.load(std::memory_order_relaxed); }

QString Accessibility::accessibilityActionDescription(const QString& action) const { return AccessibilityActionDescription(action); }

Value Accessibility::self() const
{
    if (auto* object = dynamic_cast<const Object*>(this))
        return Value(Ref<Object>(const_cast<Object*>(object)));
    return {};
}

Value Accessibility::accessibilityHitTest(Point) const { return self(); }

Value Accessibility::accessibilityFocusedUIElement() const { return self(); }

Ref<View> Accessibility::accessibilityDrawingView() const { return nullptr; }

void Accessibility::accessibilityChildrenChanged() { AccessibilityBridge::childrenChanged(this); }

void Accessibility::accessibilityValueChanged() { AccessibilityBridge::valueChanged(this); }
void Accessibility::accessibilityTitleChanged() { AccessibilityBridge::titleChanged(this); }

void Accessibility::accessibilitySelectionChanged() { AccessibilityBridge::selectionChanged(this); }

void Accessibility::accessibilitySelectedTextChanged() { AccessibilityBridge::selectedTextChanged(this); }

void Accessibility::accessibilitySetOverrideValueForAttribute(const Value& value, const QString& attribute)
{
    if (value.isNil())
        overrides_.remove(attribute);
    else
        overrides_.insert(attribute, value);
}

std::int64_t Accessibility::accessibilityArrayAttributeCount(const QString& attribute) const
{
    const Value v = accessibilityAttributeValue(attribute);
    return v.isArray() ? v.array().count() : 0;
}

Array Accessibility::accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const
{
    return accessibility::sliceOfArray(accessibilityAttributeValue(attribute), index, maxCount);
}

std::int64_t Accessibility::accessibilityIndexOfChild(const Value& child) const
{
    return accessibility::indexOfElement(accessibilityAttributeValue(AccessibilityChildrenAttribute), child);
}

// Views and windows -------------------------------------------------------------------------------

namespace accessibility {

const Accessibility* protocolOf(const Value& element)
{
    const Ref<Object> object = element.isObject() ? element.object() : nullptr;
    return object ? dynamic_cast<const Accessibility*>(object.get()) : nullptr;
}

Accessibility* mutableProtocolOf(const Value& element) { return const_cast<Accessibility*>(protocolOf(element)); }

// The responder that has focus as the user sees it: the field editor stands for the view it edits.
Ref<Object> focusOwnerOf(const Window& window)
{
    Ref<Object> responder = window.firstResponder();
    if (const auto* editor = dynamic_cast<const FieldEditing*>(responder.get()))
        if (const Ref<View> edited = editor->editingSessionView())
            responder = edited;
    return responder;
}

// The element as a view that takes first responder in a window; null otherwise.
Ref<View> focusableView(const Value& element)
{
    const Ref<View> view = element.objectAs<View>();
    return view && AccessibilityViewIsFocusable(*view) ? view : nullptr;
}

const QStringList& viewAttributes()
{
    static const QStringList names { AccessibilityRoleAttribute, AccessibilityRoleDescriptionAttribute, AccessibilityParentAttribute,
        AccessibilityChildrenAttribute, AccessibilityWindowAttribute, AccessibilityTopLevelUIElementAttribute,
        AccessibilityPositionAttribute, AccessibilitySizeAttribute, AccessibilityFocusedAttribute, AccessibilityEnabledAttribute };
    return names;
}

Array childrenOfView(const View& view)
{
    Array children;
    for (const Ref<View>& sub : view.subviews())
        if (!sub->isHidden())
            children.addObject(Value(sub));
    return AccessibilityUnignoredChildren(children);
}

Value viewAttribute(const View& view, const QString& attribute)
{
    const Ref<Window> window = view.window();
    if (attribute == AccessibilityRoleAttribute)
        return Value(AccessibilityGroupRole);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(AccessibilityGroupRole));
    if (attribute == AccessibilityParentAttribute) {
        if (const Ref<View> up = view.superview())
            return AccessibilityUnignoredAncestor(Value(up));
        return window ? Value(window) : Value();
    }
    if (attribute == AccessibilityChildrenAttribute)
        return Value(childrenOfView(view));
    if (attribute == AccessibilityWindowAttribute || attribute == AccessibilityTopLevelUIElementAttribute)
        return window ? Value(window) : Value();
    if (attribute == AccessibilityPositionAttribute || attribute == AccessibilitySizeAttribute) {
        const Rect onScreen = AccessibilityScreenRectOfRectInView(view, view.bounds());
        return attribute == AccessibilitySizeAttribute ? Value(onScreen.size) : Value(onScreen.origin);
    }
    if (attribute == AccessibilityFocusedAttribute)
        return Value(window && accessibility::focusOwnerOf(*window).get() == static_cast<const Object*>(&view));
    if (attribute == AccessibilityEnabledAttribute)
        return Value(true);
    // An element without a title of its own is named by what its tool tip says.
    if (attribute == AccessibilityTitleAttribute)
        return view.toolTip().isEmpty() ? Value() : Value(view.toolTip());
    return {};
}

// The window `window` is up over as its sheet; null for any other window.
Ref<Window> sheetParentOf(const Window& window)
{
    const Ref<Window> parent = window.parentWindow();
    return parent && Application::sharedApplication()->attachedSheetOfWindow(parent.get()).get() == &window ? parent : nullptr;
}

Value windowAttribute(const Window& window, const QString& attribute)
{
    if (attribute == AccessibilityRoleAttribute || attribute == AccessibilityRoleDescriptionAttribute) {
        const QString& role = sheetParentOf(window) ? AccessibilitySheetRole : AccessibilityWindowRole;
        return Value(attribute == AccessibilityRoleAttribute ? role : AccessibilityRoleDescription(role));
    }
    if (attribute == AccessibilityTitleAttribute)
        return Value(window.title());
    // A sheet is part of its window: the window's last child, and the window its parent.
    if (attribute == AccessibilityParentAttribute) {
        const Ref<Window> parent = sheetParentOf(window);
        return parent ? Value(parent) : Value();
    }
    if (attribute == AccessibilityChildrenAttribute) {
        // The toolbar's strip while it shows, the content, then a sheet up over them.
        Array parts;
        if (const Ref<Toolbar> toolbar = window.toolbar(); toolbar && toolbar->isVisible())
            parts.addObject(Value(toolbar->toolbarView()));
        if (const Ref<View> content = window.contentView())
            parts.addObject(Value(content));
        Array children = AccessibilityUnignoredChildren(parts);
        if (const Ref<Window> sheet = Application::sharedApplication()->attachedSheetOfWindow(&window))
            children.addObject(Value(sheet));
        return Value(children);
    }
    if (attribute == AccessibilityWindowAttribute || attribute == AccessibilityTopLevelUIElementAttribute)
        return Value(Ref<Window>(const_cast<Window*>(&window)));
    if (attribute == AccessibilityPositionAttribute)
        return Value(window.frame().origin);
    if (attribute == AccessibilitySizeAttribute)
        return Value(window.frame().size);
    if (attribute == AccessibilityFocusedAttribute)
        return Value(window.isKeyWindow());
    if (attribute == AccessibilityEnabledAttribute)
        return Value(true);
    return {};
}

} // namespace accessibility

QStringList ViewAccessibilityAttributeNames() { return accessibility::viewAttributes(); }

Value ViewAccessibilityAttributeValue(const View& view, const QString& attribute) { return accessibility::viewAttribute(view, attribute); }

void Accessibility::accessibilityFocusedUIElementChanged()
{
    const Value element = self();
    const Ref<Window> window = AccessibilityAttributeValue(element, AccessibilityWindowAttribute).objectAs<Window>();
    if (window && element.isObject() && accessibility::focusOwnerOf(*window).get() == element.object().get())
        AccessibilityBridge::focusChanged(window.get());
}

QStringList ProgressAccessibilityAttributeNames()
{
    QStringList names = accessibility::viewAttributes();
    names << AccessibilityValueAttribute << AccessibilityMinValueAttribute << AccessibilityMaxValueAttribute;
    return names;
}

Value ProgressAccessibilityAttributeValue(const View& view, const QString& attribute, bool busy, double value, double min, double max)
{
    const QString& role = busy ? AccessibilityBusyIndicatorRole : AccessibilityProgressIndicatorRole;
    if (attribute == AccessibilityRoleAttribute)
        return Value(role);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(role));
    if (attribute == AccessibilityValueAttribute)
        return busy ? Value() : Value(value);
    if (attribute == AccessibilityMinValueAttribute)
        return busy ? Value() : Value(min);
    if (attribute == AccessibilityMaxValueAttribute)
        return busy ? Value() : Value(max);
    if (attribute == AccessibilityChildrenAttribute)
        return Value(Array {});
    return accessibility::viewAttribute(view, attribute);
}

TextChange AccessibilityTextChangeBetween(const QString& before, const QString& after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    if (prefix > 0 && before[prefix - 1].isHighSurrogate())
        --prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    if (suffix > 0 && before[before.size() - suffix].isLowSurrogate())
        --suffix;
    return { prefix, before.mid(prefix, before.size() - prefix - suffix), after.mid(prefix, after.size() - prefix - suffix) };
}

QString AccessibilityLiveRegionAddition(const QString& before, const QString& after)
{
    const QStringList old = before.split(QLatin1Char('\n'));
    const QStringList now = after.split(QLatin1Char('\n'));
    // The longest run of lines that ends `before` and starts `after`.
    for (qsizetype kept = std::min(old.size(), now.size()); kept > 0; --kept)
        if (std::equal(old.end() - kept, old.end(), now.begin()))
            return kept == now.size() ? QString() : QStringList(now.begin() + kept, now.end()).join(QLatin1Char('\n'));
    return after;
}

Rect AccessibilityScreenRectOfRectInView(const View& view, Rect rect)
{
    // A flipped view's rectangle turns over: the window's box has its origin at the bottom-left.
    const Rect inWindow = view.convertRectToView(rect, nullptr);
    const Ref<Window> window = view.window();
    return { window ? window->convertBaseToScreen(inWindow.origin) : inWindow.origin, inWindow.size };
}

std::int64_t AccessibilityArrayAttributeCount(const Value& element, const QString& attribute)
{
    if (const Accessibility* a = accessibility::protocolOf(element))
        return a->accessibilityArrayAttributeCount(attribute);
    const Value v = AccessibilityAttributeValue(element, attribute);
    return v.isArray() ? v.array().count() : 0;
}

Array AccessibilityArrayAttributeValues(const Value& element, const QString& attribute, std::int64_t index, std::int64_t maxCount)
{
    if (const Accessibility* a = accessibility::protocolOf(element))
        return a->accessibilityArrayAttributeValues(attribute, index, maxCount);
    return accessibility::sliceOfArray(AccessibilityAttributeValue(element, attribute), index, maxCount);
}

std::int64_t AccessibilityIndexOfChild(const Value& element, const Value& child)
{
    if (const Accessibility* a = accessibility::protocolOf(element))
        return a->accessibilityIndexOfChild(child);
    return accessibility::indexOfElement(AccessibilityAttributeValue(element, AccessibilityChildrenAttribute), child);
}

QStringList AccessibilityAttributeNames(const Value& element)
{
    if (const Accessibility* a = accessibility::protocolOf(element)) {
        QStringList names = a->accessibilityAttributeNames();
        for (const QString& overridden : a->accessibilityOverriddenAttributes())
            if (!names.contains(overridden))
                names << overridden;
        return names;
    }
    if (element.objectAs<Window>()) {
        QStringList names = accessibility::viewAttributes();
        names << AccessibilityTitleAttribute;
        return names;
    }
    return element.objectAs<View>() ? accessibility::viewAttributes() : QStringList {};
}

Value AccessibilityAttributeValue(const Value& element, const QString& attribute)
{
    if (const Accessibility* a = accessibility::protocolOf(element)) {
        if (Value overridden = a->accessibilityOverrideValue(attribute); !overridden.isNil())
            return overridden;
        return a->accessibilityAttributeValue(attribute);
    }
    if (const Ref<Window> w = element.objectAs<Window>())
        return accessibility::windowAttribute(*w, attribute);
    if (const Ref<View> v = element.objectAs<View>())
        return accessibility::viewAttribute(*v, attribute);
    return {};
}

bool AccessibilityViewIsFocusable(const View& view) { return view.window() && view.acceptsFirstResponder(); }

void AccessibilityFocusView(View& view)
{
    if (const Ref<Window> window = view.window(); window && AccessibilityViewIsFocusable(view) && window->firstResponder().get() != &view)
        window->makeFirstResponder(&view);
}

bool AccessibilityIsAttributeSettable(const Value& element, const QString& attribute)
{
    const Accessibility* a = accessibility::protocolOf(element);
    if (a && a->accessibilityIsAttributeSettable(attribute))
        return true;
    // A view that takes first responder takes the focus, whatever else it answers.
    return attribute == AccessibilityFocusedAttribute && accessibility::focusableView(element);
}

void AccessibilitySetValueForAttribute(const Value& element, const Value& value, const QString& attribute)
{
    Accessibility* a = accessibility::mutableProtocolOf(element);
    if (a && a->accessibilityIsAttributeSettable(attribute)) {
        a->accessibilitySetValueForAttribute(value, attribute);
        return;
    }
    if (const Ref<View> view = accessibility::focusableView(element); view && attribute == AccessibilityFocusedAttribute) {
        if (value.boolValue())
            AccessibilityFocusView(*view);
        return;
    }
    if (a)
        a->accessibilitySetValueForAttribute(value, attribute);
}

void AccessibilitySetOverrideValueForAttribute(const Value& element, const Value& value, const QString& attribute)
{
    if (Accessibility* a = accessibility::mutableProtocolOf(element))
        a->accessibilitySetOverrideValueForAttribute(value, attribute);
}

QStringList AccessibilityActionNames(const Value& element)
{
    const Accessibility* a = accessibility::protocolOf(element);
    return a ? a->accessibilityActionNames() : QStringList {};
}

void AccessibilityPerformAction(const Value& element, const QString& action)
{
    if (Accessibility* a = accessibility::mutableProtocolOf(element))
        a->accessibilityPerformAction(action);
}

bool AccessibilityIsIgnored(const Value& element)
{
    if (const Accessibility* a = accessibility::protocolOf(element))
        return a->accessibilityIsIgnored();
    if (element.objectAs<Window>())
        return false;
    // A plain view stands for nothing of its own.
    return true;
}

Value AccessibilityHitTest(const Value& element, Point screenPoint)
{
    if (const Accessibility* a = accessibility::protocolOf(element))
        return a->accessibilityHitTest(screenPoint);
    // Views and windows: the deepest unignored child whose box holds the point.
    const Value children = AccessibilityAttributeValue(element, AccessibilityChildrenAttribute);
    if (children.isArray())
        for (const Value& child : children.array())
            if (AccessibilityElementContainsPoint(child, screenPoint))
                return AccessibilityHitTest(child, screenPoint);
    return AccessibilityUnignoredAncestor(element);
}

bool AccessibilityElementContainsPoint(const Value& element, Point screenPoint)
{
    const Point p = AccessibilityAttributeValue(element, AccessibilityPositionAttribute).pointValue();
    const Size s = AccessibilityAttributeValue(element, AccessibilitySizeAttribute).sizeValue();
    return screenPoint.x >= p.x && screenPoint.x < p.x + s.width && screenPoint.y >= p.y && screenPoint.y < p.y + s.height;
}

Value AccessibilityFocusedUIElement(const Value& element)
{
    if (const Accessibility* a = accessibility::protocolOf(element))
        return a->accessibilityFocusedUIElement();
    if (const Ref<Window> w = element.objectAs<Window>())
        if (const Ref<Object> responder = accessibility::focusOwnerOf(*w); responder && responder.get() != w.get()) {
            // An ignored responder may lead to the element that stands for it (a control's cell).
            if (const Accessibility* a = accessibility::protocolOf(Value(responder)))
                return AccessibilityUnignoredAncestor(a->accessibilityFocusedUIElement());
            return AccessibilityUnignoredAncestor(Value(responder));
        }
    return AccessibilityUnignoredAncestor(element);
}

Value AccessibilityUnignoredAncestor(const Value& element)
{
    Value e = element;
    for (int guard = 0; guard < 1000 && e.isObject(); ++guard) {
        if (!AccessibilityIsIgnored(e))
            return e;
        e = AccessibilityAttributeValue(e, AccessibilityParentAttribute);
    }
    return {};
}

Array AccessibilityUnignoredChildren(const Array& children)
{
    Array out;
    for (const Value& child : children) {
        if (!AccessibilityIsIgnored(child)) {
            out.addObject(child);
            continue;
        }
        // An ignored view's own children stand in for it.
        Array inner;
        if (const Ref<View> v = child.objectAs<View>())
            for (const Ref<View>& sub : v->subviews())
                if (!sub->isHidden())
                    inner.addObject(Value(sub));
        if (const Accessibility* a = accessibility::protocolOf(child)) {
            const Value kids = a->accessibilityAttributeValue(AccessibilityChildrenAttribute);
            if (kids.isArray())
                inner = kids.array();
        }
        out.addObjectsFromArray(AccessibilityUnignoredChildren(inner));
    }
    return out;
}

QString AccessibilityRoleDescription(const QString& role, const QString& subrole)
{
    static const QHash<QString, QString> table {
        { AccessibilityApplicationRole, QStringLiteral("application") },
        { AccessibilityWindowRole, QStringLiteral("window") },
        { AccessibilitySheetRole, QStringLiteral("sheet") },
        { AccessibilityGroupRole, QStringLiteral("group") },
        { AccessibilityListRole, QStringLiteral("list") },
        { AccessibilityListItemRole, QStringLiteral("list item") },
        { AccessibilityImageRole, QStringLiteral("image") },
        { AccessibilityScrollBarRole, QStringLiteral("scroll bar") },
        { AccessibilityValueIndicatorRole, QStringLiteral("value indicator") },
        { AccessibilityCheckBoxRole, QStringLiteral("check box") },
        { AccessibilityScrollAreaRole, QStringLiteral("scroll area") },
        { AccessibilityButtonRole, QStringLiteral("button") },
        { AccessibilityRadioButtonRole, QStringLiteral("radio button") },
        { AccessibilityPopUpButtonRole, QStringLiteral("pop up button") },
        { AccessibilityTabGroupRole, QStringLiteral("tab group") },
        { AccessibilityPageTabRole, QStringLiteral("tab") },
        { AccessibilityStaticTextRole, QStringLiteral("text") },
        { AccessibilityTextFieldRole, QStringLiteral("text field") },
        { AccessibilityTextAreaRole, QStringLiteral("text entry area") },
        { AccessibilityIncrementorRole, QStringLiteral("stepper") },
        { AccessibilityLevelIndicatorRole, QStringLiteral("level indicator") },
        { AccessibilitySliderRole, QStringLiteral("slider") },
        { AccessibilityTableRole, QStringLiteral("table") },
        { AccessibilityOutlineRole, QStringLiteral("outline") },
        { AccessibilityRowRole, QStringLiteral("row") },
        { AccessibilityCellRole, QStringLiteral("cell") },
        { AccessibilityProgressIndicatorRole, QStringLiteral("progress indicator") },
        { AccessibilityBusyIndicatorRole, QStringLiteral("busy indicator") },
        { AccessibilityColorWellRole, QStringLiteral("color well") },
    };
    if (role == AccessibilityRowRole && subrole == AccessibilityOutlineRowSubrole)
        return QStringLiteral("outline row");
    return table.value(role, QStringLiteral("unknown"));
}

QString AccessibilityRoleDescriptionForUIElement(const Value& element)
{
    return AccessibilityRoleDescription(AccessibilityAttributeValue(element, AccessibilityRoleAttribute).stringValue(),
        AccessibilityAttributeValue(element, AccessibilitySubroleAttribute).stringValue());
}

QString AccessibilityActionDescription(const QString& action)
{
    if (action == AccessibilityPressAction)
        return QStringLiteral("press");
    if (action == AccessibilityIncrementAction)
        return QStringLiteral("increment");
    if (action == AccessibilityDecrementAction)
        return QStringLiteral("decrement");
    if (action == AccessibilityShowMenuAction)
        return QStringLiteral("show menu");
    return {};
}

} // namespace kit
