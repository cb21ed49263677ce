// The bar over time: laying out with or without the gliding animation, the tracking and tool-tip
// rectangles of the cells, the window's notifications, frame changes and live resizing.

#include "XTTabBarControl/XTTabBarControl.h"

#include "kit/appkit/Animation.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Cursor.h"

#include <algorithm>

namespace {

constexpr double xtaTick = 1.0 / 30;
constexpr double xtaDuration = 0.5;

// `current` moved by the fraction p of its way to `target` along the bar's axis.
kit::Rect xtaStep(kit::Rect current, kit::Rect target, double p, bool vertical)
{
    if (vertical) {
        current.origin.y += (target.origin.y - current.origin.y) * p;
        current.size.height += (target.size.height - current.size.height) * p;
    } else {
        current.origin.x += (target.origin.x - current.origin.x) * p;
        current.size.width += (target.size.width - current.size.width) * p;
    }
    return current;
}

} // namespace

void XTTabBarControl::update(bool animate)
{
    if (!tabView_ || tabView_->numberOfTabViewItems() != std::int64_t(cells_.size()))
        return;
    // During a drag the assistant places the cells; the counts can match while gaps stand in for
    // tabs, and a layout then would treat a gap as a tab.
    if (std::ranges::any_of(cells_, [](const kit::Ref<XTTabBarCell>& c) { return c->isPlaceholder(); }))
        return;
    if (hideForSingleTab_ && cells_.size() < 2) {
        changeTabBarHidden(true, true);
        return;
    }
    // A bar the host hid stays hidden until the host shows it.
    if (!hiddenByHost_)
        changeTabBarHidden(false, true);
    removeAllToolTips();
    controller_->layoutCells();
    const kit::Ref<kit::Menu> menu = controller_->overflowMenu();
    overflowPopUpButton_->setHidden(!menu);
    if (menu)
        overflowPopUpButton_->setMenu(menu);
    stopCellAnimation();

    if (!animate) {
        const std::vector<kit::Ref<XTTabBarCell>> cells = cells_;
        for (std::size_t i = 0; i < cells.size(); ++i)
            cells[i]->setFrame(controller_->cellFrameAtIndex(std::int64_t(i)));
        refreshTrackingRects();
        addTabButton_->setFrame(controller_->addButtonRect());
        addTabButton_->setHidden(!showAddTabButton_);
        setNeedsDisplay(true);
        return;
    }

    for (std::size_t i = 0; i < cells_.size(); ++i)
        animationTargets_.push_back(controller_->cellFrameAtIndex(std::int64_t(i)));
    addTabButton_->setHidden(!showAddTabButton_);
    animation_ = kit::make<kit::Animation>(xtaDuration, kit::AnimationEaseInOut);
    animation_->setAnimationBlockingMode(kit::AnimationNonblocking);
    animation_->startAnimation();
    // Cells move while the mouse is held too, but not under a modal panel.
    animationTimer_ = kit::Timer::timerWithTimeIntervalTargetSelectorUserInfoRepeats(xtaTick, this, &XTTabBarControl::animateCells, {}, true);
    kit::RunLoop::main().addTimerForMode(animationTimer_, kit::DefaultRunLoopMode);
    kit::RunLoop::main().addTimerForMode(animationTimer_, kit::EventTrackingRunLoopMode);
    animateCells(animationTimer_.get());
}

void XTTabBarControl::animateCells(kit::Timer*)
{
    if (!animation_)
        return;
    const kit::Ref<XTTabBarControl> keep(this);
    const bool vertical = orientation_ == XTTabBarVerticalOrientation;
    const bool running = animation_->isAnimating();
    // Each tick covers that part of the rest of the way; the last one lands on the targets.
    const double p = running ? animation_->currentProgress() : 1;
    const kit::Point mouse = pointerLocation();
    const std::vector<kit::Ref<XTTabBarCell>> cells = cells_;
    for (std::size_t i = 0; i < cells.size() && i < animationTargets_.size(); ++i) {
        XTTabBarCell& cell = *cells[i];
        const kit::Rect frame = xtaStep(cell.frame(), animationTargets_[i], p, vertical);
        cell.setFrame(frame);
        cell.setHighlighted(mouseInRect(mouse, frame));
        cell.setCloseButtonOver(mouseInRect(mouse, cell.closeButtonRectForFrame(frame)));
    }
    if (!addTabButton_->isHidden()) {
        const kit::Point target = controller_->addButtonRect().origin;
        kit::Point at = addTabButton_->frame().origin;
        at.x += (target.x - at.x) * p;
        at.y += (target.y - at.y) * p;
        addTabButton_->setFrameOrigin(at);
    }
    if (running) {
        setNeedsDisplay(true);
        return;
    }
    stopCellAnimation();
    refreshTrackingRects();
    setNeedsDisplay(true);
}

void XTTabBarControl::refreshTrackingRects()
{
    // The visible cells come first. An overflowed cell keeps no rectangle where it was: it would
    // light up (or, scrubbing, be selected) under the tab that stands there now.
    const std::vector<kit::Ref<XTTabBarCell>> cells = cells_;
    for (const auto& cell : cells)
        cell->isInOverflowMenu() ? removeTrackingRectsOfCell(cell.get()) : setupTrackingRectsForCell(cell.get());
}

void XTTabBarControl::stopCellAnimation()
{
    if (animationTimer_) {
        animationTimer_->invalidate();
        animationTimer_ = nullptr;
    }
    if (animation_) {
        animation_->stopAnimation();
        animation_ = nullptr;
    }
    animationTargets_.clear();
}

kit::Point XTTabBarControl::pointerLocation() const
{
    if (const kit::Ref<kit::Window> w = window())
        return convertPointFromView(w->mouseLocationOutsideOfEventStream(), nullptr);
    return kit::MakePoint(-1e9, -1e9);
}

void XTTabBarControl::setupTrackingRectsForCell(XTTabBarCell* cell)
{
    const auto it = std::find_if(cells_.begin(), cells_.end(), [cell](const kit::Ref<XTTabBarCell>& c) { return c.get() == cell; });
    if (it == cells_.end())
        return;
    const std::int64_t i = it - cells_.begin();
    const kit::Point mouse = pointerLocation();

    if (cell->cellTrackingTag())
        removeTrackingRect(cell->cellTrackingTag());
    const kit::Rect rect = controller_->cellTrackingRectAtIndex(i);
    const bool inside = mouseInRect(mouse, rect);
    cell->setCellTrackingTag(addTrackingRectOwnerUserDataAssumeInside(rect, cell, nullptr, inside));
    cell->setHighlighted(inside);

    if (cell->closeButtonTrackingTag()) {
        removeTrackingRect(cell->closeButtonTrackingTag());
        cell->setCloseButtonTrackingTag(0);
    }
    if (cell->hasCloseButton() && !cell->isCloseButtonSuppressed()) {
        const kit::Rect close = controller_->closeButtonTrackingRectAtIndex(i);
        const bool over = mouseInRect(mouse, close);
        cell->setCloseButtonTrackingTag(addTrackingRectOwnerUserDataAssumeInside(close, cell, nullptr, over));
        cell->setCloseButtonOver(over);
    }
    addToolTipRectOwnerUserData(cell->frame(), this, nullptr);
}

void XTTabBarControl::removeTrackingRectsOfCell(XTTabBarCell* cell)
{
    if (cell->cellTrackingTag())
        removeTrackingRect(cell->cellTrackingTag());
    if (cell->closeButtonTrackingTag())
        removeTrackingRect(cell->closeButtonTrackingTag());
    cell->setCellTrackingTag(0);
    cell->setCloseButtonTrackingTag(0);
    // No exit will come for rectangles that are gone.
    cell->setHighlighted(false);
    cell->setCloseButtonOver(false);
}

QString XTTabBarControl::viewStringForToolTipPointUserData(kit::View*, std::int64_t, kit::Point point, void*)
{
    const kit::Ref<XTTabBarCell> cell = cellForPoint(point);
    kit::Ref<kit::Object> keep;
    XTTabBarControlDelegate* d = delegateFor("tabViewToolTipForTabViewItem", keep);
    if (!cell || !d)
        return {};
    return d->tabViewToolTipForTabViewItem(tabView_.get(), cell->representedObject().objectAs<kit::TabViewItem>().get());
}

// Window and frame ------------------------------------------------------------------------------

void XTTabBarControl::observeWindow(kit::Window* window, bool observe)
{
    const kit::Ref<kit::NotificationCenter>& center = kit::NotificationCenter::defaultCenter();
    if (!observe) {
        for (const QString& name : { kit::WindowDidBecomeKeyNotification, kit::WindowDidResignKeyNotification,
                 kit::WindowDidUpdateNotification, kit::WindowDidMoveNotification })
            center->removeObserverNameObject(this, name, window);
        return;
    }
    center->addObserverSelectorNameObject(this, &XTTabBarControl::windowStatusDidChange, kit::WindowDidBecomeKeyNotification, window);
    center->addObserverSelectorNameObject(this, &XTTabBarControl::windowStatusDidChange, kit::WindowDidResignKeyNotification, window);
    center->addObserverSelectorNameObject(this, &XTTabBarControl::windowDidUpdate, kit::WindowDidUpdateNotification, window);
    center->addObserverSelectorNameObject(this, &XTTabBarControl::windowStatusDidChange, kit::WindowDidMoveNotification, window);
}

void XTTabBarControl::viewWillMoveToWindow(kit::Window* newWindow)
{
    Control::viewWillMoveToWindow(newWindow);
    if (const kit::Ref<kit::Window> old = window())
        observeWindow(old.get(), false);
    if (showHideTimer_) {
        showHideTimer_->invalidate();
        showHideTimer_ = nullptr;
        // Else the bar would refuse every later hide or show.
        currentStep_ = -1;
    }
    if (newWindow)
        observeWindow(newWindow, true);
}

void XTTabBarControl::viewDidMoveToWindow()
{
    Control::viewDidMoveToWindow();
    checkWindowFrame();
}

void XTTabBarControl::windowStatusDidChange(kit::Notification*) { setNeedsDisplay(true); }

void XTTabBarControl::checkWindowFrame()
{
    resizeAreaCompensation_ = 0;
    const kit::Ref<kit::Window> w = window();
    const kit::Ref<kit::View> content = w ? w->contentView() : nullptr;
    if (content && w->showsResizeIndicator()) {
        const kit::Rect c = content->frame();
        const kit::Rect corner = kit::MakeRect(c.origin.x + c.size.width - 22, c.origin.y, 22, 22);
        if (kit::IntersectsRect(convertRectToView(bounds(), nullptr), corner))
            resizeAreaCompensation_ = (w->styleMask() & kit::TexturedBackgroundWindowMask) ? 20 : 8;
    }
    positionOverflowMenu();
}

void XTTabBarControl::frameDidChange(kit::Notification*)
{
    checkWindowFrame();
    for (const auto& cell : cells_) {
        // A hidden spinner that is not turning has nothing to restart; waking it would only set a
        // timer ticking for a view nobody sees (a bar of many tabs changes frame often).
        if (const auto indicator = cell->indicator(); indicator && (!indicator->isHidden() || indicator->isAnimating())) {
            indicator->stopAnimation();
            kit::RunLoop::performSelectorWithObjectAfterDelay(indicator.get(), kit::Selector("startAnimation"), kit::Value(), 0);
        }
    }
    update(false);
}

void XTTabBarControl::viewWillStartLiveResize()
{
    for (const auto& cell : cells_)
        if (const auto indicator = cell->indicator())
            indicator->stopAnimation();
    setNeedsDisplay(true);
}

void XTTabBarControl::viewDidEndLiveResize()
{
    for (const auto& cell : cells_)
        if (const auto indicator = cell->indicator())
            indicator->startAnimation();
    checkWindowFrame();
    update(false);
}

void XTTabBarControl::resetCursorRects()
{
    Control::resetCursorRects();
    if (orientation_ == XTTabBarVerticalOrientation) {
        const kit::Size size = frame().size;
        addCursorRect(kit::MakeRect(size.width - 2, 0, 2, size.height), kit::Cursor::resizeLeftRightCursor().get());
    }
}
