// The tab bar's side of dragging: starting a tab drag from a mouse drag, the drag source and
// destination messages passed to the drag assistant, spring-loaded tabs under other drags, and
// the cell's drag image.

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "XTTabBarControl/XTTabDragAssistant.h"
#include "XTTabBarControl/XTTabStyle.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/graphics/ImageRep.h"

#include <cmath>

namespace {

constexpr double xtcdDragDistance = 10;
constexpr double xtcdDefaultSpringDelay = 0.668;
constexpr std::uint16_t xtcdSpaceKey = 49;
// Keys held with the space bar that make it someone else's shortcut (Caps Lock does not).
constexpr std::uint64_t xtcdModifierKeys = kit::ShiftKeyMask | kit::ControlKeyMask | kit::AlternateKeyMask | kit::CommandKeyMask;

XTTabDragAssistant& xtcdAssistant() { return *XTTabDragAssistant::sharedDragAssistant(); }

} // namespace

void XTTabBarControl::registerDragging(kit::ClassBuilder<XTTabBarControl>& c)
{
    c.action("display", &kit::View::display);
    c.optionalOperations({ "draggingSourceOperationMaskForLocal", "ignoreModifierKeysWhileDragging", "draggedImageBeganAt",
        "draggedImageMovedTo", "draggedImageEndedAtOperation", "draggingEntered", "draggingUpdated", "draggingExited",
        "prepareForDragOperation", "performDragOperation", "concludeDragOperation", "draggingEnded" });
}

void XTTabBarControl::bindCellToTabViewItem(XTTabBarCell* cell, kit::TabViewItem* item)
{
    bindPropertiesForCell(cell, item);
    if (item)
        item->addObserverForKeyPathOptionsContext(this, QStringLiteral("identifier"), 0, nullptr);
}

void XTTabBarControl::mouseDragged(const kit::Event& event)
{
    if (resizing_) {
        resizeDragged(event);
        return;
    }
    if (!lastMouseDownEvent_)
        return;
    const kit::Point downAt = mouseDownPoint();
    kit::Rect downFrame;
    const kit::Ref<XTTabBarCell> cell = cellForPoint(downAt, &downFrame);
    if (!cell)
        return;
    const kit::Point p = convertPointFromView(event.locationInWindow(), nullptr);
    const kit::Rect close = cell->closeButtonRectForFrame(downFrame);
    if (closeClicked_ && kit::PointInRect(downAt, close)
        && (allowsBackgroundTabClosing_ || (cell->tabState() & XTTabSelectedMask))) {
        cell->setCloseButtonPressed(kit::PointInRect(p, close));
        setNeedsDisplay(true);
        return;
    }
    const double distance = std::hypot(p.x - downAt.x, p.y - downAt.y);
    if (distance < xtcdDragDistance || didDrag_ || xtcdAssistant().isDragging())
        return;
    kit::Ref<kit::Object> keep;
    XTTabBarControlDelegate* d = delegateFor("tabViewShouldDragTabViewItemFromTabBar", keep);
    const kit::Ref<kit::TabViewItem> item = cell->representedObject().objectAs<kit::TabViewItem>();
    if (!d || !d->tabViewShouldDragTabViewItemFromTabBar(tabView_.get(), item.get(), this))
        return;
    // The drag grabs the tab where the click began, with that click's modifiers.
    const kit::Ref<kit::Event> down = lastMouseDownEvent_;
    if (!down)
        return;
    didDrag_ = true;
    xtcdAssistant().startDraggingCellFromTabBarWithMouseDownEvent(cell.get(), this, *down);
}

void XTTabBarControl::draggedImageBeganAt(kit::Object*, kit::Point screen) { xtcdAssistant().draggingBeganAt(screen); }

void XTTabBarControl::draggedImageMovedTo(kit::Object*, kit::Point screen) { xtcdAssistant().draggingMovedTo(screen); }

void XTTabBarControl::draggedImageEndedAtOperation(kit::Object*, kit::Point screen, std::uint64_t operation)
{
    xtcdAssistant().draggedImageEndedAtOperation(screen, operation);
}

bool XTTabBarControl::isTabDrag(kit::DraggingInfo& info) const
{
    // Only the assistant's own drag from a bar of this process: a foreign drag of the same type
    // would plant gaps that nothing removes.
    const kit::Ref<kit::Pasteboard> board = info.draggingPasteboard();
    return xtcdAssistant().isDragging() && dynamic_cast<XTTabBarControl*>(info.draggingSource().get()) && board
        && board->types().contains(XTTabBarControlItemPBType);
}

// The delegate's say on a tab drop here: the source's tab view, the dragged item, this bar.
static bool xtcdDropAllowed(XTTabBarControl& bar, kit::DraggingInfo& info)
{
    const kit::Ref<XTTabBarControl> source = kit::dynamic_pointer_cast<XTTabBarControl>(info.draggingSource());
    const kit::Ref<XTTabBarCell> cell = xtcdAssistant().draggedCell();
    kit::Ref<kit::Object> keep;
    XTTabBarControlDelegate* d = bar.delegateFor("tabViewShouldDropTabViewItemInTabBar", keep);
    return !d
        || d->tabViewShouldDropTabViewItemInTabBar(source ? source->tabView().get() : nullptr,
            cell ? cell->representedObject().objectAs<kit::TabViewItem>().get() : nullptr, &bar);
}

std::uint64_t XTTabBarControl::draggingEntered(kit::DraggingInfo& info)
{
    if (!isTabDrag(info) || !xtcdDropAllowed(*this, info))
        return kit::DragOperationNone;
    xtcdAssistant().draggingEnteredTabBarAtPoint(this, convertPointFromView(info.draggingLocation(), nullptr));
    return kit::DragOperationMove;
}

std::uint64_t XTTabBarControl::draggingUpdated(kit::DraggingInfo& info)
{
    const kit::Point p = convertPointFromView(info.draggingLocation(), nullptr);
    if (isTabDrag(info)) {
        if (!xtcdDropAllowed(*this, info))
            return kit::DragOperationNone;
        xtcdAssistant().draggingUpdatedInTabBarAtPoint(this, p);
        return kit::DragOperationMove;
    }
    // Spring-loading: the spring reads where the drag is when it fires, not the info.
    springLocation_ = info.draggingLocation();
    const kit::Ref<XTTabBarCell> cell = cellForPoint(p);
    if (!cell)
        return kit::DragOperationNone;
    if (kit::KeyIsDown(xtcdSpaceKey) && !(kit::Event::currentModifierFlags() & xtcdModifierKeys)) {
        if (springTimer_)
            springTimer_->fire();
        return kit::DragOperationCopy;
    }
    const kit::Ref<kit::TabViewItem> item = cell->representedObject().objectAs<kit::TabViewItem>();
    if (item != tabViewItemWithSpring_) {
        if (springTimer_)
            std::exchange(springTimer_, nullptr)->invalidate();
        tabViewItemWithSpring_ = item;
    }
    if (!springTimer_) {
        const kit::Value ms = kit::Preferences::copyAppValue(QStringLiteral("SpringingDelayMilliseconds"), kit::Preferences::FileManagerDomain);
        const double delay = ms.isNil() ? xtcdDefaultSpringDelay : ms.doubleValue() / 1000;
        springTimer_ = kit::Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
            delay, this, &XTTabBarControl::fireSpring, kit::Value(), false);
    }
    return kit::DragOperationCopy;
}

void XTTabBarControl::cancelSpring()
{
    if (springTimer_)
        std::exchange(springTimer_, nullptr)->invalidate();
    tabViewItemWithSpring_ = nullptr;
}

void XTTabBarControl::draggingExited(kit::DraggingInfo& info)
{
    cancelSpring();
    if (isTabDrag(info))
        xtcdAssistant().draggingExitedTabBar(this);
}

bool XTTabBarControl::prepareForDragOperation(kit::DraggingInfo& info)
{
    return !isTabDrag(info) || xtcdAssistant().destinationTabBar() != nullptr;
}

bool XTTabBarControl::performDragOperation(kit::DraggingInfo& info)
{
    cancelSpring();
    if (isTabDrag(info)) {
        xtcdAssistant().performDragOperation();
        return true;
    }
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = delegateFor("tabViewAcceptedDraggingInfoOnTabViewItem", keep)) {
        const kit::Ref<XTTabBarCell> cell = cellForPoint(convertPointFromView(info.draggingLocation(), nullptr));
        d->tabViewAcceptedDraggingInfoOnTabViewItem(
            tabView_.get(), info, cell ? cell->representedObject().objectAs<kit::TabViewItem>().get() : nullptr);
    }
    return true;
}

void XTTabBarControl::concludeDragOperation(kit::DraggingInfo&) { cancelSpring(); }

void XTTabBarControl::draggingEnded(kit::DraggingInfo&) { cancelSpring(); }

void XTTabBarControl::fireSpring(kit::Timer* timer)
{
    if (timer != springTimer_.get()) {
        KIT_ASSERT(false, "Spring fired by unrecognized timer %@", kit::Value(kit::Ref<kit::Object>(timer)));
        return;
    }
    const kit::Ref<XTTabBarCell> cell = cellForPoint(convertPointFromView(springLocation_, nullptr));
    const kit::Ref<kit::TabViewItem> item = cell ? cell->representedObject().objectAs<kit::TabViewItem>() : nullptr;
    const kit::Ref<kit::Timer> keep = std::exchange(springTimer_, nullptr);
    tabViewItemWithSpring_ = nullptr;
    keep->invalidate();
    // Over empty bar the spring opens nothing.
    if (item && tabView_)
        tabView_->selectTabViewItem(item.get());
}

kit::Ref<kit::Image> XTTabBarCell::dragImage()
{
    const kit::Ref<XTTabBarControl> control = tabBar();
    if (!control || !control->style())
        return nullptr;
    const kit::Rect rect = control->style()->dragRectForTabCellOrientation(*this, control->orientation());
    control->lockFocus();
    const kit::Ref<kit::BitmapImageRep> rep = kit::BitmapImageRep::initWithFocusedViewRect(rect);
    control->unlockFocus();
    if (!rep)
        return nullptr;
    auto shot = kit::make<kit::Image>(rep->size());
    shot->addRepresentation(rep);
    auto image = kit::make<kit::Image>(rep->size());
    image->lockFocus();
    JVLNSImage_Extension::drawAtPointOperationFraction(*shot, kit::ZeroPoint, kit::CompositeSourceOver, 1.0);
    if (indicatorShown())
        if (const kit::Ref<kit::Image> pi = XTTabStyleBase::bundleImage(QStringLiteral("pi")))
            JVLNSImage_Extension::drawAtPointOperationFraction(*pi, kit::MakePoint(frame_.size.width - 22, 3), kit::CompositeSourceOver, 1.0);
    image->unlockFocus();
    return image;
}
