#include "XTTabBarControl/XTTabBarCell.h"

#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/controls/TabBarAccessibility.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/foundation/Coder.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>

KIT_REGISTER_CLASS(XTTabCloseButtonElement, kit::Object) { }

KIT_REGISTER_CLASS(XTTabBarCell, kit::ActionCell)
{
    c.property("title", &XTTabBarCell::stringValue, &XTTabBarCell::setStringValue);
    c.property("hasIcon", &XTTabBarCell::hasIcon, &XTTabBarCell::setHasIcon);
    c.property("count", &XTTabBarCell::count, &XTTabBarCell::setCount);
    c.property(
        "countColor", [](const XTTabBarCell& x) { return kit::Value(x.countColor()); },
        [](XTTabBarCell& x, const kit::Value& v) { x.setCountColor(v.objectAs<kit::Color>()); });
    c.property("hasLargeImage", &XTTabBarCell::hasLargeImage, &XTTabBarCell::setHasLargeImage);
    c.property("isEdited", &XTTabBarCell::isEdited, &XTTabBarCell::setIsEdited);
}

XTTabBarCell::XTTabBarCell()
    : indicator_(kit::make<XTProgressIndicator>(kit::MakeRect(0, 0, 16, 16)))
{ }

XTTabBarCell::XTTabBarCell(XTTabBarControl* control)
    : XTTabBarCell()
{
    control_ = control;
    setControlView(control);
}

XTTabBarCell::XTTabBarCell(kit::Rect frame, bool expanded, XTTabBarControl* control)
    : control_(control)
    , isPlaceholder_(true)
{
    setControlView(control);
    if (!expanded) {
        if (control && control->orientation() == XTTabBarVerticalOrientation)
            frame.size.height = 0;
        else
            frame.size.width = 0;
    }
    frame_ = frame;
    setCurrentStep(expanded ? 7 : 0);
}

XTTabBarCell::~XTTabBarCell()
{
    if (indicator_)
        indicator_->removeFromSuperview();
}

kit::Ref<XTTabBarControl> XTTabBarCell::tabBar() const { return control_.lock(); }

XTTabStyle* XTTabBarCell::style() const
{
    const kit::Ref<XTTabBarControl> control = tabBar();
    return control ? control->style().get() : nullptr;
}

void XTTabBarCell::setFrame(kit::Rect frame)
{
    frame_ = frame;
    const kit::Ref<XTTabBarControl> control = tabBar();
    if (indicatorShown() && control && !control->isTabBarHidden())
        indicator_->setFrame(indicatorRectForFrame(frame));
}

void XTTabBarCell::setIsInOverflowMenu(bool flag)
{
    if (isInOverflowMenu_ == flag)
        return;
    isInOverflowMenu_ = flag;
    const kit::Ref<XTTabBarControl> control = tabBar();
    if (!control)
        return;
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = control->delegateFor("tabViewTabViewItemIsInOverflowMenu", keep))
        d->tabViewTabViewItemIsInOverflowMenu(
            control->tabView().get(), representedObject().objectAs<kit::TabViewItem>().get(), flag);
}

bool XTTabBarCell::closeButtonOver() const
{
    if (!closeButtonOver_)
        return false;
    const kit::Ref<XTTabBarControl> control = tabBar();
    if ((control && control->allowsBackgroundTabClosing()) || (tabState_ & XTTabSelectedMask))
        return true;
    const kit::Ref<kit::Application> app = kit::Application::sharedApplication();
    const kit::Ref<kit::Event> event = app ? app->currentEvent() : nullptr;
    return event && (event->modifierFlags() & kit::CommandKeyMask);
}

void XTTabBarCell::changedLook() { titleCacheValid_ = false; }

void XTTabBarCell::setHasIcon(bool flag) { hasIcon_ = flag; }

void XTTabBarCell::setCount(std::int64_t count)
{
    if (count != count_)
        ++titleVersion_;
    count_ = count;
}

void XTTabBarCell::setIsEdited(bool flag) { isEdited_ = flag; }

void XTTabBarCell::setCurrentStep(std::int64_t step) { currentStep_ = std::clamp<std::int64_t>(step, 0, 7); }

kit::AttributedString XTTabBarCell::attributedStringValue() const
{
    if (!titleCacheValid_) {
        XTTabStyle* s = style();
        titleCache_ = s ? s->attributedStringValueForTabCell(*this) : kit::AttributedString(stringValue());
        titleCacheValid_ = true;
        titleSizeValid_ = false;
    }
    return titleCache_;
}

kit::Size XTTabBarCell::attributedStringSize() const
{
    if (!titleCacheValid_ || !titleSizeValid_) {
        titleSizeCache_ = attributedStringValue().size();
        titleSizeValid_ = true;
    }
    return titleSizeCache_;
}

void XTTabBarCell::setStringValue(const QString& value)
{
    ActionCell::setStringValue(value);
    ++titleVersion_;
    changedLook();
    stringSize_ = attributedStringSize();
    if (const kit::Ref<XTTabBarControl> control = tabBar())
        control->update();
}

void XTTabBarCell::setState(int state)
{
    if (state != this->state())
        changedLook();
    ActionCell::setState(state);
}

void XTTabBarCell::setHighlighted(bool flag)
{
    if (flag != isHighlighted())
        changedLook();
    ActionCell::setHighlighted(flag);
}

kit::Rect XTTabBarCell::indicatorRectForFrame(kit::Rect) const
{
    XTTabStyle* s = style();
    return s ? s->indicatorRectForTabCell(*this) : kit::Rect {};
}

kit::Rect XTTabBarCell::closeButtonRectForFrame(kit::Rect frame) const
{
    XTTabStyle* s = style();
    return s ? s->closeButtonRectForTabCellWithFrame(*this, frame) : kit::Rect {};
}

double XTTabBarCell::minimumWidthOfCell() const
{
    XTTabStyle* s = style();
    return s ? s->minimumWidthOfTabCell(*this) : 0;
}

double XTTabBarCell::desiredWidthOfCell() const
{
    XTTabStyle* s = style();
    return s ? s->desiredWidthOfTabCell(*this) : 0;
}

void XTTabBarCell::drawWithFrameInView(kit::Rect cellFrame, kit::View*)
{
    if (isPlaceholder_) {
        kit::Color::blackColor()->colorWithAlphaComponent(0.2)->set();
        kit::RectFillUsingOperation(cellFrame, kit::CompositeSourceAtop);
        return;
    }
    if (XTTabStyle* s = style())
        s->drawTabCell(*this);
}

void XTTabBarCell::mouseEntered(const kit::Event& event)
{
    const kit::Ref<XTTabBarControl> control = tabBar();
    if (event.trackingNumber() == closeButtonTrackingTag_)
        closeButtonOver_ = true;
    if (event.trackingNumber() == cellTrackingTag_)
        setHighlighted(true);
    if (!control)
        return;
    if (control->allowsScrubbing() && (event.modifierFlags() & kit::AlternateKeyMask))
        control->tabClick(this);
    control->setNeedsDisplayInRect(kit::InsetRect(frame_, -2, -2));
}

void XTTabBarCell::mouseExited(const kit::Event& event)
{
    if (event.trackingNumber() == closeButtonTrackingTag_)
        closeButtonOver_ = false;
    if (event.trackingNumber() == cellTrackingTag_)
        setHighlighted(false);
    if (const kit::Ref<XTTabBarControl> control = tabBar())
        control->setNeedsDisplayInRect(kit::InsetRect(frame_, -2, -2));
}

void XTTabBarCell::observeValueForKeyPathOfObjectChangeContext(const QString&, kit::Object*, const kit::KeyValueChange&, void*)
{
    if (const kit::Ref<XTTabBarControl> control = tabBar())
        kit::RunLoop::performSelectorWithObjectAfterDelay(control.get(), kit::Selector("update"), kit::Value(), 0);
}

void XTTabBarCell::encodeWithCoder(kit::Coder& coder) const
{
    ActionCell::encodeWithCoder(coder);
    coder.encodeRectForKey(frame_, QStringLiteral("frame"));
    coder.encodeSizeForKey(stringSize_, QStringLiteral("stringSize"));
    coder.encodeIntegerForKey(currentStep_, QStringLiteral("currentStep"));
    coder.encodeBoolForKey(isPlaceholder_, QStringLiteral("isPlaceholder"));
    coder.encodeIntegerForKey(tabState_, QStringLiteral("tabState"));
    coder.encodeIntegerForKey(closeButtonTrackingTag_, QStringLiteral("closeButtonTrackingTag"));
    coder.encodeIntegerForKey(cellTrackingTag_, QStringLiteral("cellTrackingTag"));
    coder.encodeBoolForKey(closeButtonOver_, QStringLiteral("closeButtonOver"));
    coder.encodeBoolForKey(closeButtonPressed_, QStringLiteral("closeButtonPressed"));
    if (indicator_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(indicator_)), QStringLiteral("indicator"));
    coder.encodeBoolForKey(isInOverflowMenu_, QStringLiteral("isInOverflowMenu"));
    coder.encodeBoolForKey(hasCloseButton_, QStringLiteral("hasCloseButton"));
    coder.encodeBoolForKey(closeButtonSuppressed_, QStringLiteral("isCloseButtonSuppressed"));
    coder.encodeBoolForKey(hasIcon_, QStringLiteral("hasIcon"));
    coder.encodeBoolForKey(hasLargeImage_, QStringLiteral("hasLargeImage"));
    coder.encodeIntegerForKey(count_, QStringLiteral("count"));
    coder.encodeBoolForKey(isEdited_, QStringLiteral("isEdited"));
}

void XTTabBarCell::initWithCoder(kit::Coder& coder)
{
    ActionCell::initWithCoder(coder);
    frame_ = coder.decodeRectForKey(QStringLiteral("frame"));
    stringSize_ = coder.decodeSizeForKey(QStringLiteral("stringSize"));
    setCurrentStep(coder.decodeIntegerForKey(QStringLiteral("currentStep")));
    isPlaceholder_ = coder.decodeBoolForKey(QStringLiteral("isPlaceholder"));
    tabState_ = coder.decodeIntegerForKey(QStringLiteral("tabState"));
    isInOverflowMenu_ = coder.decodeBoolForKey(QStringLiteral("isInOverflowMenu"));
    if (coder.containsValueForKey(QStringLiteral("hasCloseButton")))
        hasCloseButton_ = coder.decodeBoolForKey(QStringLiteral("hasCloseButton"));
    closeButtonSuppressed_ = coder.decodeBoolForKey(QStringLiteral("isCloseButtonSuppressed"));
    hasIcon_ = coder.decodeBoolForKey(QStringLiteral("hasIcon"));
    hasLargeImage_ = coder.decodeBoolForKey(QStringLiteral("hasLargeImage"));
    count_ = coder.decodeIntegerForKey(QStringLiteral("count"));
    isEdited_ = coder.decodeBoolForKey(QStringLiteral("isEdited"));
    if (const auto indicator = coder.decodeObjectForKey(QStringLiteral("indicator")).objectAs<XTProgressIndicator>()) {
        if (indicator_ && indicator_ != indicator)
            indicator_->removeFromSuperview();
        indicator_ = indicator;
    }
    // Tracking tags belong to the window of the process that wrote them, and so does the pointer
    // over (or pressing) the close button: no exit or release would ever come here.
    closeButtonTrackingTag_ = 0;
    cellTrackingTag_ = 0;
    closeButtonOver_ = false;
    closeButtonPressed_ = false;
}

// Accessibility --------------------------------------------------------------------------------

namespace {

QString xtLocalized(const QString& key)
{
    return XTTabBarControl::bundle()->localizedStringForKeyValueTable(key, key, QStringLiteral("XTTabBarControl"));
}

} // namespace

QStringList XTTabBarCell::accessibilityAttributeNames() const
{
    static const QStringList names { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute,
        kit::AccessibilityParentAttribute, kit::AccessibilityWindowAttribute, kit::AccessibilityTopLevelUIElementAttribute,
        kit::AccessibilityPositionAttribute, kit::AccessibilitySizeAttribute, kit::AccessibilityTitleAttribute,
        kit::AccessibilityHelpAttribute, kit::AccessibilityFocusedAttribute, kit::AccessibilityEnabledAttribute,
        kit::AccessibilitySelectedAttribute, kit::AccessibilityChildrenAttribute };
    return names;
}

QString XTTabBarCell::accessibilityBadges() const
{
    QStringList badges;
    if (count_ != 0) {
        const kit::Ref<XTTabBarControl> control = tabBar();
        kit::Ref<kit::Object> keep;
        XTTabBarControlDelegate* d = control ? control->delegateFor("accessibilityStringForTabViewObjectCount", keep) : nullptr;
        const QString words = d ? d->accessibilityStringForTabViewObjectCount(control->tabView().get(), count_) : QString();
        badges << (words.isEmpty() ? kit::TabBarCountInWords(*XTTabBarControl::bundle(), QStringLiteral("XTTabBarControl"), count_)
                                   : QStringLiteral("%1 %2").arg(count_).arg(words));
    }
    if (indicatorShown())
        badges << xtLocalized(QStringLiteral("busy"));
    if (isEdited_)
        badges << xtLocalized(QStringLiteral("edited"));
    return badges.join(QStringLiteral(", "));
}

kit::Value XTTabBarCell::accessibilityAttributeValue(const QString& attribute) const
{
    const kit::Ref<XTTabBarControl> control = tabBar();
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityPageTabRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityPageTabRole));
    if (attribute == kit::AccessibilityTitleAttribute)
        return kit::Value(stringValue());
    // The name is the title; the badges (count, busy, edited) describe the tab.
    if (attribute == kit::AccessibilityHelpAttribute)
        return kit::Value(accessibilityBadges());
    // Every bar has a selected tab; only the one in the bar that has keyboard focus is focused.
    if (attribute == kit::AccessibilityFocusedAttribute) {
        const kit::Ref<kit::Window> window = control ? control->window() : nullptr;
        const bool keyView = !control || (window && window->firstResponder().get() == control.get());
        // Not while the keyboard is on its close button, which is an element of its own.
        return kit::Value((tabState_ & XTTabSelectedMask) != 0 && keyView && !(control && control->keyboardIsOnCloseButtonOf(this)));
    }
    if (attribute == kit::AccessibilitySelectedAttribute)
        return kit::Value((tabState_ & XTTabSelectedMask) != 0);
    if (attribute == kit::AccessibilityEnabledAttribute)
        return kit::Value(true);
    if (attribute == kit::AccessibilityChildrenAttribute) {
        kit::Array children;
        if (showsCloseButton())
            children.addObject(kit::Value(kit::Ref<kit::Object>(closeButtonElement())));
        return kit::Value(children);
    }
    if (!control)
        return {};
    const kit::Ref<kit::Window> window = control->window();
    if (attribute == kit::AccessibilityParentAttribute)
        return kit::AccessibilityUnignoredAncestor(kit::Value(kit::Ref<kit::Object>(control)));
    if (attribute == kit::AccessibilityWindowAttribute || attribute == kit::AccessibilityTopLevelUIElementAttribute)
        return window ? kit::Value(window) : kit::Value();
    if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
        const kit::Rect inWindow = control->convertRectToView(frame_, nullptr);
        if (attribute == kit::AccessibilitySizeAttribute)
            return kit::Value(inWindow.size);
        // The bottom-left corner on the screen.
        return kit::Value(window ? window->convertBaseToScreen(inWindow.origin) : inWindow.origin);
    }
    return {};
}

// A tab takes the focus as its bar does: the bar gets the keyboard and this tab becomes current.
bool XTTabBarCell::accessibilityIsAttributeSettable(const QString& attribute) const
{
    const kit::Ref<XTTabBarControl> control = tabBar();
    return attribute == kit::AccessibilityFocusedAttribute && control && kit::AccessibilityViewIsFocusable(*control);
}

void XTTabBarCell::accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute)
{
    if (!value.boolValue() || !accessibilityIsAttributeSettable(attribute))
        return;
    const kit::Ref<XTTabBarControl> control = tabBar();
    control->tabClick(this);
    control->window()->makeFirstResponder(control.get());
}

QStringList XTTabBarCell::accessibilityActionNames() const
{
    static const QStringList names { kit::AccessibilityPressAction };
    return names;
}

void XTTabBarCell::accessibilityPerformAction(const QString& action)
{
    if (action != kit::AccessibilityPressAction)
        return;
    if (const kit::Ref<XTTabBarControl> control = tabBar())
        control->tabClick(this);
}

kit::Value XTTabBarCell::accessibilityHitTest(kit::Point) const { return kit::AccessibilityUnignoredAncestor(self()); }

kit::Value XTTabBarCell::accessibilityFocusedUIElement() const { return kit::AccessibilityUnignoredAncestor(self()); }

bool XTTabBarCell::showsCloseButton() const
{
    const kit::Ref<XTTabBarControl> control = tabBar();
    return control && !control->disableTabClose() && hasCloseButton_ && !closeButtonSuppressed_ && !isInOverflowMenu_ && !isPlaceholder_;
}

kit::Ref<XTTabCloseButtonElement> XTTabBarCell::closeButtonElement() const
{
    if (!closeButtonElement_)
        closeButtonElement_ = kit::make<XTTabCloseButtonElement>(const_cast<XTTabBarCell*>(this));
    return closeButtonElement_;
}

// A tab's close button ----------------------------------------------------------------------------

QStringList XTTabCloseButtonElement::accessibilityAttributeNames() const
{
    static const QStringList names { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute,
        kit::AccessibilityParentAttribute, kit::AccessibilityWindowAttribute, kit::AccessibilityTopLevelUIElementAttribute,
        kit::AccessibilityPositionAttribute, kit::AccessibilitySizeAttribute, kit::AccessibilityTitleAttribute,
        kit::AccessibilityFocusedAttribute, kit::AccessibilityEnabledAttribute, kit::AccessibilityChildrenAttribute };
    return names;
}

kit::Value XTTabCloseButtonElement::accessibilityAttributeValue(const QString& attribute) const
{
    const kit::Ref<XTTabBarCell> cell = cell_.lock();
    const kit::Ref<XTTabBarControl> control = cell ? cell->tabBar() : nullptr;
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityButtonRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityButtonRole));
    if (attribute == kit::AccessibilityChildrenAttribute)
        return kit::Value(kit::Array {});
    if (attribute == kit::AccessibilityEnabledAttribute)
        return kit::Value(true);
    if (!cell || !control)
        return {};
    if (attribute == kit::AccessibilityTitleAttribute)
        return kit::Value(xtLocalized(QStringLiteral("Close %1")).arg(cell->stringValue()));
    if (attribute == kit::AccessibilityParentAttribute)
        return kit::Value(kit::Ref<kit::Object>(cell));
    if (attribute == kit::AccessibilityFocusedAttribute)
        return kit::Value(control->keyboardIsOnCloseButtonOf(cell.get()));
    if (attribute == kit::AccessibilityWindowAttribute || attribute == kit::AccessibilityTopLevelUIElementAttribute)
        return control->window() ? kit::Value(control->window()) : kit::Value();
    if (attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute) {
        const kit::Rect onScreen = kit::AccessibilityScreenRectOfRectInView(*control, cell->closeButtonRectForFrame(cell->frame()));
        return attribute == kit::AccessibilitySizeAttribute ? kit::Value(onScreen.size) : kit::Value(onScreen.origin);
    }
    return {};
}

QStringList XTTabCloseButtonElement::accessibilityActionNames() const { return { kit::AccessibilityPressAction }; }

void XTTabCloseButtonElement::accessibilityPerformAction(const QString& action)
{
    const kit::Ref<XTTabBarCell> cell = cell_.lock();
    if (const kit::Ref<XTTabBarControl> control = cell ? cell->tabBar() : nullptr; control && action == kit::AccessibilityPressAction)
        control->closeTabClick(cell.get());
}
