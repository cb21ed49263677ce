// What the scope bar shows a screen reader: the bar draws its buttons itself, so each shown
// button, and each collapsed group's pop-up, is an element of its own, named by its title; a
// button of a one-choice group is a radio button, one of a several-choice group a button checked
// with its object, and pressing either selects as a click does. A
// button without a title is named by its image, a pop-up without a label by what it shows; a group
// peeled off into the overflow menu shows nothing of its own, the overflow pull-down is an element
// too, and the accessory view follows the buttons. The bar takes the keyboard focus for its
// elements: the current one stands for it and shows the focus ring, the arrows move it and Space
// presses it.

#include "SRScopeBar.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/controls/ButtonCell.h"
#include "kit/controls/CellDrawing.h"
#include "kit/controls/MenuItem.h"
#include "kit/controls/PopUpButtonCell.h"
#include "kit/foundation/Bundle.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>

namespace {

constexpr std::int64_t PopUpIndex = SRScopeBar::PopUpElementIndex;
constexpr std::int64_t OverflowIndex = SRScopeBar::OverflowElementIndex;

} // namespace

class SRScopeBarElement : public kit::Object, public kit::Accessibility {
public:
    SRScopeBarElement(const SRScopeBar* bar, const SRScopeBarGroup* group, std::int64_t index)
        : bar_(const_cast<SRScopeBar*>(bar))
        , group_(const_cast<SRScopeBarGroup*>(group))
        , index_(index)
    { }

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override
    {
        QStringList names { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute, kit::AccessibilityParentAttribute,
            kit::AccessibilityWindowAttribute, kit::AccessibilityTopLevelUIElementAttribute, kit::AccessibilityPositionAttribute,
            kit::AccessibilitySizeAttribute, kit::AccessibilityTitleAttribute, kit::AccessibilityEnabledAttribute,
            kit::AccessibilityFocusedAttribute };
        if (!isOverflow())
            names << (isPopUp() || isRadioButton() ? kit::AccessibilityValueAttribute : kit::AccessibilityCheckedAttribute);
        return names;
    }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const kit::Ref<SRScopeBar> bar = bar_.lock();
        const kit::Ref<SRScopeBarGroupHelper> helper = bar && group() ? bar->groupHelperForGroup(group().get()) : nullptr;
        if (!helper && !(bar && isOverflow()))
            return {};
        const QString role = isPopUp() ? kit::AccessibilityPopUpButtonRole
                                       : (isRadioButton() ? kit::AccessibilityRadioButtonRole : kit::AccessibilityButtonRole);
        if (attribute == kit::AccessibilityRoleAttribute)
            return kit::Value(role);
        if (attribute == kit::AccessibilityRoleDescriptionAttribute)
            return kit::Value(kit::AccessibilityRoleDescription(role));
        if (attribute == kit::AccessibilityParentAttribute)
            return kit::Value(kit::Ref<kit::Object>(bar));
        if (attribute == kit::AccessibilityWindowAttribute || attribute == kit::AccessibilityTopLevelUIElementAttribute)
            return bar->window() ? kit::Value(bar->window()) : kit::Value();
        if (attribute == kit::AccessibilityEnabledAttribute)
            return kit::Value(bar->isEnabled());
        if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
            const kit::Rect box = kit::AccessibilityScreenRectOfRectInView(*bar, isOverflow() ? bar->overflowPullDownRect() : rectIn(*helper));
            return attribute == kit::AccessibilitySizeAttribute ? kit::Value(box.size) : kit::Value(box.origin);
        }
        if (attribute == kit::AccessibilityTitleAttribute && isOverflow())
            return kit::Value(kit::Bundle::bundleForClass(SRScopeBar::staticClass())
                                  ->localizedStringForKeyValueTable(QStringLiteral("More"), QStringLiteral("More"), QStringLiteral("SRScopeBar")));
        if (attribute == kit::AccessibilityTitleAttribute)
            return kit::Value(isPopUp() ? popUpTitle(*bar) : titleOf(*bar, index_));
        // A collapsed group reads as the titles of what it has selected.
        if (attribute == kit::AccessibilityValueAttribute && isPopUp() && !isOverflow()) {
            QStringList titles;
            for (const std::int64_t i : group()->selectionIndexes())
                titles << titleOf(*bar, i);
            return kit::Value(titles.join(QStringLiteral(", ")));
        }
        // A radio button is on (1) or off (0).
        if (attribute == kit::AccessibilityValueAttribute && isRadioButton())
            return kit::Value(std::int64_t(group()->selectionIndexes().containsIndex(index_) ? 1 : 0));
        if (attribute == kit::AccessibilityCheckedAttribute && !isPopUp() && !isRadioButton())
            return kit::Value(group()->selectionIndexes().containsIndex(index_));
        if (attribute == kit::AccessibilityFocusedAttribute)
            return kit::Value(bar->isFocusedElement(this));
        return {};
    }
    // Focusable as the bar is; taking the focus makes this element the bar's current one.
    bool accessibilityIsAttributeSettable(const QString& attribute) const override
    {
        const kit::Ref<SRScopeBar> bar = bar_.lock();
        return attribute == kit::AccessibilityFocusedAttribute && bar && kit::AccessibilityViewIsFocusable(*bar);
    }
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override
    {
        if (value.boolValue() && accessibilityIsAttributeSettable(attribute))
            bar_.lock()->focusElement(this);
    }
    QStringList accessibilityActionNames() const override
    {
        if (isPopUp())
            return { kit::AccessibilityPressAction, kit::AccessibilityShowMenuAction };
        return { kit::AccessibilityPressAction };
    }
    void accessibilityPerformAction(const QString& action) override
    {
        const kit::Ref<SRScopeBar> bar = bar_.lock();
        // A pop-up opens its menu, as a click does; the choice selects through the menu's action.
        if (isPopUp() && bar && bar->isEnabled() && (action == kit::AccessibilityPressAction || action == kit::AccessibilityShowMenuAction)) {
            const kit::Ref<SRScopeBarElement> keep(this);
            if (isOverflow())
                bar->showOverflowMenu();
            else if (const kit::Ref<SRScopeBarGroupHelper> helper = group() ? bar->groupHelperForGroup(group().get()) : nullptr)
                helper->showPopUpMenu();
            return;
        }
        const std::int64_t groupIndex = bar && group() ? bar->indexOfGroup(group().get()) : kit::NotFound;
        if (action != kit::AccessibilityPressAction || isPopUp() || groupIndex == kit::NotFound || !bar->isEnabled()
            || index_ >= group()->numberOfObjects())
            return;
        // As a click: the delegate may refuse.
        const kit::Ref<SRScopeBarElement> keep(this);
        if (!bar->askShouldSelect(group()->objectAtIndex(index_)))
            return;
        group()->didClickObject(index_);
        bar->setNeedsDisplay(true);
    }

    bool isPopUp() const { return index_ < 0; }
    bool isOverflow() const { return index_ == OverflowIndex; }
    // A button of a group that holds one choice.
    bool isRadioButton() const
    {
        const kit::Ref<SRScopeBarGroup> g = group();
        return !isPopUp() && g && g->groupSelectionStyle() == 0;
    }
    kit::Ref<SRScopeBarGroup> group() const { return group_.lock(); }
    kit::Rect rectIn(const SRScopeBarGroupHelper& helper) const
    {
        if (isPopUp())
            return helper.buttonRect();
        const auto& rects = helper.buttonRects();
        return index_ < std::int64_t(rects.size()) ? rects[std::size_t(index_)] : kit::ZeroRect;
    }

private:
    QString titleOf(const SRScopeBar& bar, std::int64_t index) const
    {
        const std::int64_t groupIndex = bar.indexOfGroup(group().get());
        const kit::Ref<kit::ButtonCell> cell = groupIndex == kit::NotFound ? nullptr : bar.preparedButtonCellForGroupObject(groupIndex, index);
        if (!cell)
            return {};
        if (!cell->title().isEmpty())
            return cell->title();
        const kit::Value described = cell->accessibilityAttributeValue(kit::AccessibilityTitleAttribute);
        return described.isString() ? described.stringValue() : QString();
    }
    QString popUpTitle(const SRScopeBar& bar) const
    {
        if (!group()->label().isEmpty())
            return group()->label();
        const std::int64_t groupIndex = bar.indexOfGroup(group().get());
        const kit::Ref<kit::PopUpButtonCell> cell = groupIndex == kit::NotFound ? nullptr : bar.preparedPopUpCellForGroup(groupIndex);
        const kit::Ref<kit::MenuItem> face = cell ? cell->menuItem() : nullptr;
        return face ? face->title() : QString();
    }

    kit::Weak<SRScopeBar> bar_;
    kit::Weak<SRScopeBarGroup> group_;
    std::int64_t index_;
};

kit::Value SRScopeBar::accessibilityElement(const SRScopeBarGroup* group, std::int64_t index) const
{
    kit::Ref<kit::Object>& element = accessibilityElements_[{ group, index }];
    if (!element)
        element = kit::make<SRScopeBarElement>(this, group, index);
    return kit::Value(element);
}

kit::Array SRScopeBar::accessibilityShownElements() const
{
    const_cast<SRScopeBar*>(this)->layoutIfNeeded();
    kit::Array elements;
    for (const kit::Ref<SRScopeBarGroupHelper>& helper : groups_) {
        const SRScopeBarGroup* group = helper->group().get();
        if (group->isCollapsed()) {
            if (!helper->isPeeled())
                elements.addObject(accessibilityElement(group, PopUpIndex));
            continue;
        }
        const std::int64_t shown = std::min<std::int64_t>(helper->numberOfVisibleObjects(), std::int64_t(helper->buttonRects().size()));
        for (std::int64_t i = 0; i < shown; ++i)
            elements.addObject(accessibilityElement(group, i));
    }
    if (showsOverflowPullDown())
        elements.addObject(accessibilityElement(nullptr, OverflowIndex));
    // The accessory view, as a view lists its subviews.
    const kit::Value subviews = kit::ViewAccessibilityAttributeValue(*this, kit::AccessibilityChildrenAttribute);
    if (subviews.isArray())
        for (const kit::Value& element : subviews.array())
            elements.addObject(element);
    return elements;
}

QStringList SRScopeBar::accessibilityAttributeNames() const
{
    QStringList names = kit::ViewAccessibilityAttributeNames();
    names << kit::AccessibilityTitleAttribute;
    return names;
}

kit::Value SRScopeBar::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityGroupRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityGroupRole));
    if (attribute == kit::AccessibilityChildrenAttribute)
        return kit::Value(accessibilityShownElements());
    // Named by its tool tip, else by what its groups are for, as their labels say ("Kind, Size"),
    // else "Scope".
    if (attribute == kit::AccessibilityTitleAttribute) {
        if (!toolTip().isEmpty())
            return kit::Value(toolTip());
        QStringList purposes;
        for (const kit::Ref<SRScopeBarGroupHelper>& helper : groups_) {
            QString purpose = helper->group()->label().trimmed();
            if (purpose.endsWith(QLatin1Char(':')))
                purpose.chop(1);
            if (!purpose.isEmpty())
                purposes << purpose;
        }
        if (!purposes.isEmpty())
            return kit::Value(purposes.join(QStringLiteral(", ")));
        return kit::Value(kit::Bundle::bundleForClass(staticClass())
                              ->localizedStringForKeyValueTable(QStringLiteral("Scope"), QStringLiteral("Scope"), QStringLiteral("SRScopeBar")));
    }
    // The current element reads focused instead of the bar.
    if (attribute == kit::AccessibilityFocusedAttribute)
        return kit::Value(kit::ViewAccessibilityAttributeValue(*this, attribute).boolValue() && !currentElement());
    return kit::ViewAccessibilityAttributeValue(*this, attribute);
}

kit::Value SRScopeBar::accessibilityFocusedUIElement() const
{
    const kit::Ref<kit::Object> current = currentElement();
    return current ? kit::Value(current) : self();
}

std::vector<kit::Ref<kit::Object>> SRScopeBar::drawnElements() const
{
    std::vector<kit::Ref<kit::Object>> drawn;
    for (const kit::Value& element : accessibilityShownElements())
        if (dynamic_cast<const SRScopeBarElement*>(element.object().get()))
            drawn.push_back(element.object());
    return drawn;
}

kit::Ref<kit::Object> SRScopeBar::currentElement() const
{
    const std::vector<kit::Ref<kit::Object>> drawn = drawnElements();
    const kit::Ref<kit::Object> chosen = currentElement_.lock();
    if (chosen && std::find(drawn.begin(), drawn.end(), chosen) != drawn.end())
        return chosen;
    return drawn.empty() ? nullptr : drawn.front();
}

bool SRScopeBar::isFocusedElement(const kit::Object* element) const
{
    const kit::Ref<kit::Window> w = window();
    return w && w->firstResponder().get() == this && currentElement().get() == element;
}

void SRScopeBar::focusElement(kit::Object* element)
{
    currentElement_ = element;
    setNeedsDisplay(true);
    if (const kit::Ref<kit::Window> w = window(); w && w->firstResponder().get() != this)
        w->makeFirstResponder(this);
    else
        accessibilityFocusedUIElementChanged();
}

void SRScopeBar::pointerChoseElement(const SRScopeBarGroup* group, std::int64_t index)
{
    const kit::Ref<kit::Object> element = accessibilityElement(group, index).object();
    if (currentElement_.lock() == element)
        return;
    currentElement_ = element;
    setNeedsDisplay(true);
    accessibilityFocusedUIElementChanged();
}

void SRScopeBar::drawCurrentElementFocusRing()
{
    if (!kit::ShowsFocusRing(this, cell() ? cell()->focusRingType() : kit::FocusRingTypeDefault))
        return;
    const kit::Ref<kit::Object> current = currentElement();
    const auto* element = dynamic_cast<const SRScopeBarElement*>(current.get());
    const kit::Ref<SRScopeBarGroupHelper> helper = element && element->group() ? groupHelperForGroup(element->group().get()) : nullptr;
    const kit::Rect rect = element && element->isOverflow() ? overflowPullDownRect_ : helper ? element->rectIn(*helper) : kit::ZeroRect;
    // Round the pill the button draws.
    const kit::Rect pill = kit::InsetRect(rect, 0.5, 0.5);
    kit::DrawFocusRingAroundRoundedRect(pill, pill.height() / 2, pill.height() / 2);
}

void SRScopeBar::announceSelectionChange(const SRScopeBarGroup* group, const kit::IndexSet& before, const kit::IndexSet& after)
{
    for (auto& [key, element] : accessibilityElements_)
        if (key.first == group && key.second >= 0 && before.containsIndex(key.second) != after.containsIndex(key.second))
            if (auto* a = dynamic_cast<kit::Accessibility*>(element.get()))
                a->accessibilityValueChanged();
}

void SRScopeBar::keyDown(const kit::Event& event)
{
    const std::vector<kit::Ref<kit::Object>> drawn = drawnElements();
    const auto at = std::find(drawn.begin(), drawn.end(), currentElement());
    if (at == drawn.end())
        return Control::keyDown(event);
    const std::uint16_t key = event.keyCode();
    if (key != kit::KeyCodeLeftArrow && key != kit::KeyCodeRightArrow && key != kit::KeyCodeSpace)
        return Control::keyDown(event);
    if (key == kit::KeyCodeLeftArrow && at != drawn.begin())
        focusElement(std::prev(at)->get());
    else if (key == kit::KeyCodeRightArrow && std::next(at) != drawn.end())
        focusElement(std::next(at)->get());
    else if (key == kit::KeyCodeSpace)
        if (auto* a = dynamic_cast<kit::Accessibility*>(at->get()))
            a->accessibilityPerformAction(kit::AccessibilityPressAction);
}

kit::Value SRScopeBar::accessibilityHitTest(kit::Point point) const
{
    for (const kit::Value& element : accessibilityShownElements()) {
        if (kit::AccessibilityElementContainsPoint(element, point))
            return element;
    }
    return self();
}
