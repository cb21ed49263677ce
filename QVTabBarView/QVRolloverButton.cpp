#include "QVTabBarView/QVRolloverButton.h"

#include "QVTabBarView/QVTabBarButton.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"

#include <vector>

KIT_REGISTER_CLASS(QVRolloverButtonCell, kit::ButtonCell)
{
    c.bundle("QVTabBarView");
    c.copyable();
}

KIT_REGISTER_CLASS(QVRolloverButton, kit::Button) { c.bundle("QVTabBarView"); }

QVRolloverButtonCell::QVRolloverButtonCell() = default;

void QVRolloverButtonCell::askControlViewToUpdate()
{
    if (const kit::Ref<kit::View> view = controlView())
        if (auto* control = dynamic_cast<kit::Control*>(view.get()))
            control->updateCell(this);
}

void QVRolloverButtonCell::setRolloverButtonType(std::uint64_t type)
{
    rolloverButtonType_ = type;
    if (type == QVRolloverActionButtonType) {
        setButtonType(kit::MomentaryChangeButton);
        setShowsStateBy(kit::NoCellMask);
        setHighlightsBy(kit::PushInCellMask);
        setImageDimsWhenDisabled(true);
    }
    askControlViewToUpdate();
}

void QVRolloverButtonCell::addTrackingAreasForViewInRectWithUserInfoMouseLocation(
    kit::View* view, kit::Rect rect, const void* userInfo, kit::Point mouseLocation)
{
    if (!view)
        return;
    std::uint64_t options = kit::TrackingMouseEnteredAndExited | kit::TrackingActiveAlways | kit::TrackingEnabledDuringMouseDrag;
    if (kit::MouseInRect(mouseLocation, rect, view->isFlipped()))
        options |= kit::TrackingAssumeInside;
    auto area = kit::make<kit::TrackingArea>(rect, options, view, userInfo);
    view->addTrackingArea(area.get());
}

void QVRolloverButtonCell::mouseEntered(const kit::Event& event)
{
    if (simulateClick_ && (event.modifierFlags() & kit::AlternateKeyMask)) {
        performClick(nullptr);
        return;
    }
    mouseHovered_ = true;
    askControlViewToUpdate();
}

void QVRolloverButtonCell::mouseExited(const kit::Event&)
{
    mouseHovered_ = false;
    askControlViewToUpdate();
}

void QVRolloverButtonCell::drawImageWithFrameInView(const kit::Image* image, kit::Rect frame, kit::View* controlView)
{
    if (mouseHovered_ && !isHighlighted() && rolloverImage_)
        image = rolloverImage_.get();
    kit::ButtonCell::drawImageWithFrameInView(image, frame, controlView);
}

void QVRolloverButtonCell::copyTo(kit::Object& copy) const
{
    kit::ButtonCell::copyTo(copy);
    auto& c = static_cast<QVRolloverButtonCell&>(copy);
    c.setRolloverButtonType(rolloverButtonType_);
    c.simulateClick_ = simulateClick_;
    c.rolloverImage_ = rolloverImage_;
}

void QVRolloverButtonCell::encodeWithCoder(kit::Coder& coder) const
{
    kit::ButtonCell::encodeWithCoder(coder);
    if (rolloverImage_)
        coder.encodeObjectForKey(kit::Value(rolloverImage_), QStringLiteral("rolloverImage"));
    coder.encodeIntegerForKey(simulateClick_ ? 1 : 0, QStringLiteral("simulateClickOnMouseHovered"));
    coder.encodeIntegerForKey(std::int64_t(rolloverButtonType_), QStringLiteral("rolloverButtonType"));
}

void QVRolloverButtonCell::initWithCoder(kit::Coder& coder)
{
    kit::ButtonCell::initWithCoder(coder);
    if (coder.containsValueForKey(QStringLiteral("rolloverImage")))
        rolloverImage_ = coder.decodeObjectForKey(QStringLiteral("rolloverImage")).objectAs<kit::Image>();
    if (coder.containsValueForKey(QStringLiteral("simulateClickOnMouseHovered")))
        simulateClick_ = coder.decodeIntegerForKey(QStringLiteral("simulateClickOnMouseHovered")) != 0;
    // Stored as archived: the type's button settings come with the cell's own keys.
    if (coder.containsValueForKey(QStringLiteral("rolloverButtonType")))
        rolloverButtonType_ = std::uint64_t(coder.decodeIntegerForKey(QStringLiteral("rolloverButtonType")));
}

void QVRolloverButton::drawRect(kit::Rect rect)
{
    kit::Button::drawRect(rect);
    QVTabBarView::drawEnclosingKeyboardFocusRing(*this);
}

QVRolloverButton::QVRolloverButton(kit::Rect frame)
    : QVRolloverButton(frame, cellClass()())
{ }

QVRolloverButton::QVRolloverButton(kit::Rect frame, kit::Ref<kit::Cell> cell)
    : kit::Button(frame, std::move(cell))
{ }

kit::Ref<kit::Image> QVRolloverButton::rolloverImage() const { return rolloverCell() ? rolloverCell()->rolloverImage() : nullptr; }
void QVRolloverButton::setRolloverImage(kit::Ref<kit::Image> image)
{
    if (auto* c = rolloverCell())
        c->setRolloverImage(std::move(image));
}
std::uint64_t QVRolloverButton::rolloverButtonType() const { return rolloverCell() ? rolloverCell()->rolloverButtonType() : 0; }
void QVRolloverButton::setRolloverButtonType(std::uint64_t type)
{
    if (auto* c = rolloverCell())
        c->setRolloverButtonType(type);
}
bool QVRolloverButton::mouseHovered() const { return rolloverCell() && rolloverCell()->mouseHovered(); }
bool QVRolloverButton::simulateClickOnMouseHovered() const { return rolloverCell() && rolloverCell()->simulateClickOnMouseHovered(); }
void QVRolloverButton::setSimulateClickOnMouseHovered(bool flag)
{
    if (auto* c = rolloverCell())
        c->setSimulateClickOnMouseHovered(flag);
}

void QVRolloverButton::updateTrackingAreas()
{
    kit::Button::updateTrackingAreas();
    const std::vector<kit::Ref<kit::TrackingArea>> areas = trackingAreas();
    for (const kit::Ref<kit::TrackingArea>& area : areas)
        if (area->owner().get() == this)
            removeTrackingArea(area.get());
    QVRolloverButtonCell* c = rolloverCell();
    if (!c)
        return;
    if (c->mouseHovered())
        if (const kit::Ref<kit::Event> current = kit::Application::sharedApplication()->currentEvent())
            c->mouseExited(*current);
    kit::Point p = kit::Event::mouseLocation();
    if (const kit::Ref<kit::Window> w = window())
        p = convertPointFromView(w->convertScreenToBase(p), nullptr);
    c->addTrackingAreasForViewInRectWithUserInfoMouseLocation(this, bounds(), nullptr, p);
    // The new area assumes the pointer inside without an entry: the hover follows the pointer,
    // so a layout never leaves the button under it looking unhovered.
    if (window() && kit::MouseInRect(p, bounds(), isFlipped()) && !c->mouseHovered()) {
        c->setMouseHovered(true);
        updateCell(c);
    }
}

void QVRolloverButton::mouseEntered(const kit::Event& event)
{
    if (const kit::Ref<kit::Cell> c = cell())
        c->mouseEntered(event);
}

void QVRolloverButton::mouseExited(const kit::Event& event)
{
    if (const kit::Ref<kit::Cell> c = cell())
        c->mouseExited(event);
}

// Accessibility ----------------------------------------------------------------------------------

namespace {

std::vector<kit::Ref<QVRolloverButton>> qvRolloverShownButtons(const kit::View& view)
{
    std::vector<kit::Ref<QVRolloverButton>> out;
    for (const kit::Ref<kit::View>& sub : view.subviews())
        if (auto b = kit::dynamic_pointer_cast<QVRolloverButton>(sub); b && !b->isHidden())
            out.push_back(b);
    return out;
}

} // namespace

QStringList QVRolloverButton::accessibilityAttributeNames() const
{
    QStringList names = kit::ViewAccessibilityAttributeNames();
    names << kit::AccessibilityTitleAttribute;
    return names;
}

kit::Value QVRolloverButton::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityButtonRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityButtonRole));
    if (attribute == kit::AccessibilityTitleAttribute) {
        // A tab's close button is named by what it does to which tab.
        const auto* tab = dynamic_cast<const QVTabBarButton*>(superview().get());
        if (title().isEmpty() && tab && tab->closeButton().get() == this)
            return kit::Value(QVTabBarView::bundle()
                                  ->localizedStringForKeyValueTable(QStringLiteral("Close %1"), QStringLiteral("Close %1"), QStringLiteral("QVTabBarView"))
                                  .arg(tab->title()));
        // The add button, by what it does.
        const auto* bar = dynamic_cast<const QVTabBarView*>(superview().get());
        if (title().isEmpty() && bar && bar->addTabButton().get() == this)
            return kit::Value(QVTabBarView::bundle()->localizedStringForKeyValueTable(
                QStringLiteral("New Tab"), QStringLiteral("New Tab"), QStringLiteral("QVTabBarView")));
        return kit::Value(title());
    }
    if (attribute == kit::AccessibilityChildrenAttribute) {
        kit::Array children;
        for (const kit::Ref<QVRolloverButton>& b : qvRolloverShownButtons(*this))
            children.addObject(kit::Value(kit::Ref<kit::Object>(b)));
        return kit::Value(children);
    }
    return kit::ViewAccessibilityAttributeValue(*this, attribute);
}

// Focusable as it takes the keyboard focus.
bool QVRolloverButton::accessibilityIsAttributeSettable(const QString& attribute) const
{
    return attribute == kit::AccessibilityFocusedAttribute && window() && acceptsFirstResponder();
}

void QVRolloverButton::accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute)
{
    if (value.boolValue() && QVRolloverButton::accessibilityIsAttributeSettable(attribute))
        window()->makeFirstResponder(this);
}

QStringList QVRolloverButton::accessibilityActionNames() const { return { kit::AccessibilityPressAction }; }

void QVRolloverButton::accessibilityPerformAction(const QString& action)
{
    if (action == kit::AccessibilityPressAction && isEnabled())
        performClick(this);
}

kit::Value QVRolloverButton::accessibilityHitTest(kit::Point point) const
{
    if (const kit::Ref<kit::Window> w = window()) {
        const kit::Point base = w->convertScreenToBase(point);
        for (const kit::Ref<QVRolloverButton>& b : qvRolloverShownButtons(*this))
            if (kit::MouseInRect(b->convertPointFromView(base, nullptr), b->bounds(), b->isFlipped()))
                return b->accessibilityHitTest(point);
    }
    return self();
}
