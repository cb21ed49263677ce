#include "XTTabBarControl/XTTabBarControl.h"

#include "kit/appkit/Window.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/graphics/Cursor.h"

namespace {

std::uint64_t xteCurrentModifiers()
{
    const kit::Ref<kit::Application> app = kit::Application::sharedApplication();
    const kit::Ref<kit::Event> event = app ? app->currentEvent() : nullptr;
    return event ? event->modifierFlags() : 0;
}

} // namespace

kit::Point XTTabBarControl::mouseDownPoint() const
{
    return lastMouseDownEvent_ ? convertPointFromView(lastMouseDownEvent_->locationInWindow(), nullptr) : kit::MakePoint(-1e9, -1e9);
}

void XTTabBarControl::mouseDown(const kit::Event& event)
{
    didDrag_ = false;
    lastMouseDownEvent_ = kit::Ref<kit::Event>(const_cast<kit::Event*>(&event));
    const kit::Point p = convertPointFromView(event.locationInWindow(), nullptr);
    if (orientation_ == XTTabBarVerticalOrientation && allowsResizing_ && partnerView_ && p.x > frame().size.width - 3) {
        resizing_ = true;
        // Once per resize: the mouse-up pops it, so the cursor stack stays balanced.
        kit::Cursor::resizeLeftRightCursor()->push();
    }
    kit::Rect frame;
    const kit::Ref<XTTabBarCell> cell = cellForPoint(p, &frame);
    if (!cell)
        return;
    if (kit::PointInRect(p, cell->closeButtonRectForFrame(frame)) && !disableTabClose_ && !cell->isCloseButtonSuppressed()) {
        if (allowsBackgroundTabClosing_ || (cell->tabState() & XTTabSelectedMask) || (event.modifierFlags() & kit::CommandKeyMask)) {
            cell->setCloseButtonOver(false);
            cell->setCloseButtonPressed(true);
            closeClicked_ = true;
            setNeedsDisplay(true);
            return;
        }
    }
    cell->setCloseButtonPressed(false);
    if (selectsTabsOnMouseDown_)
        tabClick(cell.get());
    setNeedsDisplay(true);
}

void XTTabBarControl::resizeDragged(const kit::Event& event)
{
    const double dx = event.deltaX();
    const double x = convertPointFromView(event.locationInWindow(), nullptr).x;
    const double width = frame().size.width;
    if (!((dx > 0 && x > width) || (dx < 0 && x < width)))
        return;
    if (partnerView_ && double(cellMinWidth_) < width + dx && width + dx < double(cellMaxWidth_)) {
        setFrameSize(kit::MakeSize(width + dx, frame().size.height));
        kit::Rect partner = partnerView_->frame();
        partner.origin.x += dx;
        partner.size.width -= dx;
        partnerView_->setFrame(partner);
        if (const kit::Ref<kit::View> up = superview())
            up->setNeedsDisplay(true);
    }
}

void XTTabBarControl::mouseUp(const kit::Event& event)
{
    if (resizing_) {
        resizing_ = false;
        kit::Cursor::pop();
        kit::Cursor::arrowCursor()->set();
        return;
    }
    const kit::Point p = convertPointFromView(event.locationInWindow(), nullptr);
    kit::Rect upFrame, downFrame;
    const kit::Ref<XTTabBarCell> up = cellForPoint(p, &upFrame);
    const kit::Ref<XTTabBarCell> down = cellForPoint(mouseDownPoint(), &downFrame);
    if (!up) {
        if (down)
            down->setCloseButtonPressed(false);
        closeClicked_ = false;
        setNeedsDisplay(true);
        return;
    }
    if (down && kit::PointInRect(p, down->closeButtonRectForFrame(downFrame)) && !disableTabClose_ && !up->isCloseButtonSuppressed() &&
        down->closeButtonPressed()) {
        if (xteCurrentModifiers() & kit::AlternateKeyMask) {
            const std::vector<kit::Ref<XTTabBarCell>> cells = cells_;
            for (const auto& other : cells)
                if (other != up)
                    closeTabClick(other.get());
            up->setCloseButtonPressed(false);
        } else {
            closeTabClick(up.get());
        }
        closeClicked_ = false;
        setNeedsDisplay(true);
        return;
    }
    if (down && kit::PointInRect(p, downFrame)) {
        const bool downOnClose = kit::PointInRect(mouseDownPoint(), up->closeButtonRectForFrame(upFrame));
        if (!(downOnClose && allowsBackgroundTabClosing_ && !disableTabClose_)) {
            down->setCloseButtonPressed(false);
            if (!selectsTabsOnMouseDown_)
                tabClick(up.get());
        }
        closeClicked_ = false;
        setNeedsDisplay(true);
        return;
    }
    if (down)
        down->setCloseButtonPressed(false);
    tabNothing(this);
    closeClicked_ = false;
    setNeedsDisplay(true);
}

void XTTabBarControl::closeTabClick(XTTabBarCell* cell)
{
    if (cells_.size() == 1 && !canCloseOnlyTab_)
        return;
    const kit::Ref<kit::TabViewItem> item = cell->representedObject().objectAs<kit::TabViewItem>();
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = delegateFor("tabViewShouldCloseTabViewItem", keep); d && !d->tabViewShouldCloseTabViewItem(tabView_.get(), item.get())) {
        cell->setCloseButtonPressed(false);
        return;
    }
    if (item && tabView_)
        tabView_->removeTabViewItem(item.get());
}

kit::Ref<kit::Object> XTTabBarControl::menuForEvent(const kit::Event& event)
{
    const kit::Ref<XTTabBarCell> cell = cellForPoint(convertPointFromView(event.locationInWindow(), nullptr));
    const kit::Ref<kit::TabViewItem> item = cell ? cell->representedObject().objectAs<kit::TabViewItem>() : nullptr;
    kit::Ref<kit::Object> keep;
    XTTabBarControlDelegate* d = delegateFor("tabViewMenuForTabViewItem", keep);
    if (!item || !d)
        return nullptr;
    return d->tabViewMenuForTabViewItem(tabView_.get(), item.get());
}
