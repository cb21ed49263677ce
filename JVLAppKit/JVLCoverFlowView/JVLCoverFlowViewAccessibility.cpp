// What a screen reader finds of a cover flow: the row of pictures is drawn in layers, so each
// object is an element of its own in a list, as the flow view shows its items.

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"

#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"
#include "kit/core/Class.h"

namespace {

// One picture: named by its object's title, selected while it faces the viewer, focused while it
// does and the view has the keys; selecting or focusing it brings it to the front as a click does.
class JVLCoverFlowItemElement : public kit::Object, public kit::Accessibility {
public:
    JVLCoverFlowItemElement(JVLCoverFlowView* view, std::int64_t index)
        : view_(view)
        , index_(index)
    { }
    std::int64_t index() const { return index_; }
    QStringList accessibilityAttributeNames() const override
    {
        return { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute, kit::AccessibilityParentAttribute,
            kit::AccessibilityWindowAttribute, kit::AccessibilityTopLevelUIElementAttribute, kit::AccessibilityPositionAttribute,
            kit::AccessibilitySizeAttribute, kit::AccessibilityTitleAttribute, kit::AccessibilitySelectedAttribute,
            kit::AccessibilityFocusedAttribute, kit::AccessibilityEnabledAttribute };
    }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const kit::Ref<JVLCoverFlowView> view = view_.lock();
        if (!view || index_ >= view->content().count())
            return {};
        if (attribute == kit::AccessibilityRoleAttribute)
            return kit::Value(kit::AccessibilityImageRole);
        if (attribute == kit::AccessibilityRoleDescriptionAttribute)
            return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityImageRole));
        if (attribute == kit::AccessibilityParentAttribute)
            return kit::Value(kit::Ref<kit::Object>(view));
        if (attribute == kit::AccessibilityWindowAttribute || attribute == kit::AccessibilityTopLevelUIElementAttribute)
            return view->window() ? kit::Value(view->window()) : kit::Value();
        if (attribute == kit::AccessibilityTitleAttribute)
            return kit::Value(titleOf(view->content().objectAtIndex(index_)));
        if (attribute == kit::AccessibilitySelectedAttribute)
            return kit::Value(view->selectionIndex() == index_);
        if (attribute == kit::AccessibilityFocusedAttribute)
            return kit::Value(view->selectionIndex() == index_ && view->hasKeyboardFocus());
        if (attribute == kit::AccessibilityEnabledAttribute)
            return kit::Value(true);
        if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
            const kit::Rect box = kit::AccessibilityScreenRectOfRectInView(*view, view->rectForItemAtIndex(index_));
            return attribute == kit::AccessibilitySizeAttribute ? kit::Value(box.size) : kit::Value(box.origin);
        }
        return {};
    }
    bool accessibilityIsAttributeSettable(const QString& attribute) const override
    {
        const kit::Ref<JVLCoverFlowView> view = view_.lock();
        return attribute == kit::AccessibilitySelectedAttribute
            || (attribute == kit::AccessibilityFocusedAttribute && view && kit::AccessibilityViewIsFocusable(*view));
    }
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override
    {
        const kit::Ref<JVLCoverFlowView> view = view_.lock();
        if (!view || !value.boolValue() || !accessibilityIsAttributeSettable(attribute))
            return;
        // The picture first, so that the focus coming to the view announces this one only.
        view->setSelectionIndex(index_);
        if (attribute == kit::AccessibilityFocusedAttribute)
            kit::AccessibilityFocusView(*view);
    }

private:
    static QString titleOf(const kit::Value& object)
    {
        if (object.isString())
            return object.stringValue();
        const kit::Ref<kit::Object> o = object.isObject() ? object.object() : nullptr;
        return o && o->class_().property(QStringLiteral("title")) ? o->valueForKey(QStringLiteral("title")).stringValue() : QString();
    }

    kit::Weak<JVLCoverFlowView> view_;
    std::int64_t index_;
};

} // namespace

kit::Value JVLCoverFlowView::accessibilityElementAtIndex(std::int64_t index) const
{
    if (index < 0 || index >= content_.count())
        return {};
    return kit::Value(accessibilityElements_.obtain(
        index, [&] { return kit::Ref<kit::Object>(kit::make<JVLCoverFlowItemElement>(const_cast<JVLCoverFlowView*>(this), index)); }));
}

std::int64_t JVLCoverFlowView::accessibilityArrayAttributeCount(const QString& attribute) const
{
    if (attribute != kit::AccessibilityChildrenAttribute)
        return kit::Accessibility::accessibilityArrayAttributeCount(attribute);
    return content_.count() + kit::ViewAccessibilityAttributeValue(*this, attribute).array().count();
}

kit::Array JVLCoverFlowView::accessibilityArrayAttributeValues(const QString& attribute, std::int64_t index, std::int64_t maxCount) const
{
    if (attribute != kit::AccessibilityChildrenAttribute)
        return kit::Accessibility::accessibilityArrayAttributeValues(attribute, index, maxCount);
    kit::Array out;
    if (index < 0)
        return out;
    const std::int64_t covers = content_.count();
    for (std::int64_t i = index; i < covers && out.count() < maxCount; ++i)
        out.addObject(accessibilityElementAtIndex(i));
    if (out.count() < maxCount) {
        // The scroller and the accessory view follow the pictures.
        const kit::Array subviews = kit::ViewAccessibilityAttributeValue(*this, attribute).array();
        for (std::int64_t i = std::max<std::int64_t>(0, index - covers); i < subviews.count() && out.count() < maxCount; ++i)
            out.addObject(subviews.objectAtIndex(i));
    }
    return out;
}

std::int64_t JVLCoverFlowView::accessibilityIndexOfChild(const kit::Value& child) const
{
    if (const auto* cover = dynamic_cast<const JVLCoverFlowItemElement*>(child.isObject() ? child.object().get() : nullptr))
        return accessibilityElements_.find(cover->index()).get() == cover ? cover->index() : -1;
    const kit::Array subviews = kit::ViewAccessibilityAttributeValue(*this, kit::AccessibilityChildrenAttribute).array();
    for (std::int64_t i = 0; i < subviews.count(); ++i)
        if (child.isObject() && subviews.objectAtIndex(i).object() == child.object())
            return content_.count() + i;
    return -1;
}

QStringList JVLCoverFlowView::accessibilityAttributeNames() const
{
    return kit::ViewAccessibilityAttributeNames() << kit::AccessibilityTitleAttribute << kit::AccessibilitySelectedChildrenAttribute;
}

bool JVLCoverFlowView::hasKeyboardFocus() const
{
    const kit::Ref<kit::Window> w = window();
    return w && w->firstResponder().get() == this;
}

kit::Value JVLCoverFlowView::accessibilityFocusedUIElement() const
{
    const kit::Value selected = hasKeyboardFocus() ? accessibilityElementAtIndex(selectionIndex_) : kit::Value();
    return selected.isObject() ? selected : self();
}

void JVLCoverFlowView::accessibilitySelectionMoved(std::int64_t before)
{
    // Only elements a reader has asked for can have changed in its eyes.
    for (const std::int64_t index : { before, selectionIndex_ })
        if (const kit::Ref<kit::Object> element = accessibilityElements_.find(index))
            dynamic_cast<kit::Accessibility*>(element.get())->accessibilitySelectionChanged();
    accessibilitySelectionChanged();
    accessibilityFocusedUIElementChanged();
}

kit::Value JVLCoverFlowView::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityListRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityListRole));
    if (attribute == kit::AccessibilityTitleAttribute)
        return kit::Value(toolTip().isEmpty() ? kit::Bundle::bundleForClass(staticClass())
                                                    ->localizedStringForKeyValueTable(QStringLiteral("Covers"), QStringLiteral("Covers"),
                                                        QStringLiteral("JVLCoverFlowView"))
                                              : toolTip());
    // The cover standing for the keys reads focused instead of the list.
    if (attribute == kit::AccessibilityFocusedAttribute)
        return kit::Value(hasKeyboardFocus() && accessibilityFocusedUIElement().object().get() == this);
    // The whole list makes every picture: for those who ask for all of them.
    if (attribute == kit::AccessibilityChildrenAttribute)
        return kit::Value(accessibilityArrayAttributeValues(attribute, 0, accessibilityArrayAttributeCount(attribute)));
    if (attribute == kit::AccessibilitySelectedChildrenAttribute) {
        const kit::Value selected = accessibilityElementAtIndex(selectionIndex_);
        return kit::Value(selected.isObject() ? kit::Array { selected } : kit::Array {});
    }
    return kit::ViewAccessibilityAttributeValue(*this, attribute);
}

kit::Value JVLCoverFlowView::accessibilityHitTest(kit::Point point) const
{
    const kit::Ref<kit::Window> w = window();
    const std::int64_t index = w ? const_cast<JVLCoverFlowView*>(this)->indexOfItemAtPoint(convertPointFromView(w->convertScreenToBase(point), nullptr))
                                 : kit::NotFound;
    if (index != kit::NotFound && index >= 0)
        return accessibilityElementAtIndex(index);
    const kit::Value subviews = kit::ViewAccessibilityAttributeValue(*this, kit::AccessibilityChildrenAttribute);
    for (const kit::Value& sub : subviews.array())
        if (kit::AccessibilityElementContainsPoint(sub, point))
            return kit::AccessibilityHitTest(sub, point);
    return self();
}
