// The scope bar's layout pass, drawing, tracking areas and mouse handling.

#include "SRScopeBar.h"

#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"

#include <cmath>

using namespace kit;

// Layout -------------------------------------------------------------------------------------------

double SRScopeBar::sumOfMaximumWidthForAllGroups() const
{
    double sum = 0;
    for (const auto& helper : groups_)
        sum += helper->maximumWidth();
    return sum;
}

double SRScopeBar::sumOfMinimumWidthForAllGroups() const
{
    double sum = 0;
    for (const auto& helper : groups_)
        sum += helper->minimumWidth();
    return sum;
}

std::int64_t SRScopeBar::countOfUnpeeledGroups() const
{
    std::int64_t count = 0;
    for (const auto& helper : groups_)
        if (!helper->isPeeled())
            ++count;
    return count;
}

void SRScopeBar::resetGroupsToMaxWidth()
{
    for (const auto& helper : groups_) {
        if (autoResizesGroups_)
            helper->group()->setCollapsed(false);
        helper->updateGroupDimensions();
    }
}

bool SRScopeBar::collapseRightMostGroup()
{
    for (auto it = groups_.rbegin(); it != groups_.rend(); ++it) {
        const Ref<SRScopeBarGroupHelper> helper = *it;
        if (helper->group()->isCollapsed())
            continue;
        helper->group()->setCollapsed(true);
        if (helper->group()->isCollapsed()) {
            helper->updateGroupDimensions();
            return true;
        }
    }
    return false;
}

void SRScopeBar::peelOffItemsToFitInWidth(double width)
{
    const Ref<Menu> menu = overflowPullDownCell_->menu();
    if (!menu)
        return;
    // Each peel goes in right below the face item; collected back to front and added once, which
    // gives the same menu without shifting it on every peel.
    std::vector<Ref<MenuItem>> backToFront;
    double minSum = sumOfMinimumWidthForAllGroups();
    for (std::size_t i = groups_.size(); i-- > 0;) {
        SRScopeBarGroupHelper& helper = *groups_[i];
        while (true) {
            const auto items = helper.peelOffNextItem();
            if (!items)
                break;
            minSum = sumOfMinimumWidthForAllGroups();
            backToFront.insert(backToFront.end(), items->rbegin(), items->rend());
            if (minSum <= width)
                break;
        }
        if (i != 0)
            width += edgeMargin();
        if (minSum <= width)
            break;
        backToFront.push_back(MenuItem::separatorItem());
    }
    for (auto it = backToFront.rbegin(); it != backToFront.rend(); ++it) {
        if (const Ref<Menu> old = (*it)->menu())
            old->removeItem(it->get());
        menu->addItem(*it);
    }
    overflowPullDownCell_->setMenu(menu);
}

void SRScopeBar::calcSize()
{
    const Ref<SRScopeBar> keep(this);
    groupsNeedUpdate_ = false;
    for (const auto& helper : groups_)
        helper->unpeel();
    if (const Ref<Menu> menu = overflowPullDownCell_->menu())
        for (std::int64_t i = menu->numberOfItems() - 1; i >= 1; --i)
            menu->removeItemAtIndex(i);
    resetGroupsToMaxWidth();

    const Rect b = bounds();
    const double e = edgeMargin();
    const double g = edgeMargin();
    const double n = double(groups_.size());
    double available = std::trunc(b.width() - 2 * e - (n - 1) * g);
    double right = std::trunc(b.minX() + b.width() - e);
    double consumed = 0;
    if (accessoryView_) {
        const Rect f = accessoryView_->frame();
        const double w = std::trunc(f.width());
        const double h = std::trunc(f.height());
        accessoryView_->setFrame(MakeRect(right - w, std::trunc((b.height() - h) / 2), w, h));
        consumed = w + e;
        available -= consumed;
        right -= consumed;
    }

    double width = available;
    bool shared = false;
    if (autoResizesGroups_) {
        double minSum = sumOfMinimumWidthForAllGroups();
        while (minSum > available && collapseRightMostGroup())
            minSum = sumOfMinimumWidthForAllGroups();
        if (minSum > available) {
            const Size o = overflowPullDownCell_->cellSize();
            const double ow = std::trunc(o.width);
            const double oh = std::trunc(o.height);
            overflowPullDownRect_ = MakeRect(right - ow, (b.height() - oh) / 2, ow, oh);
            peelOffItemsToFitInWidth(available - ow - 5);
            minSum = sumOfMinimumWidthForAllGroups();
            const double u = double(countOfUnpeeledGroups());
            width = std::trunc(b.width() - 2 * e - consumed - (u - 1) * g - ow);
            if (minSum > 0)
                width -= 5;
        }
        const double maxSum = sumOfMaximumWidthForAllGroups();
        if (maxSum > width) {
            shared = true;
            const double excess = maxSum - width;
            const double range = maxSum - minSum;
            double rest = excess;
            double x = e;
            for (std::size_t i = 0; i < groups_.size(); ++i) {
                const Ref<SRScopeBarGroupHelper> helper = groups_[i];
                double cut = 0;
                if (i + 1 < groups_.size()) {
                    // Nothing to squeeze anywhere: the last group takes the whole excess.
                    if (range > 0)
                        cut = std::round((helper->maximumWidth() - helper->minimumWidth()) / range * excess);
                    rest -= cut;
                } else {
                    cut = rest;
                }
                const double w = std::max(0.0, helper->maximumWidth() - cut);
                helper->setFrame(MakeRect(x, b.minY(), w, b.height()));
                x = std::trunc(x + w + g);
            }
        }
    }
    if (!shared) {
        double x = e;
        for (const auto& helper : groups_) {
            helper->setFrame(MakeRect(x, b.minY(), helper->maximumWidth(), b.height()));
            x = std::trunc(x + helper->maximumWidth() + g);
        }
    }
}

void SRScopeBar::layoutIfNeeded()
{
    if (groupsNeedUpdate_)
        calcSize();
}

bool SRScopeBar::showsOverflowPullDown() const
{
    const Ref<Menu> menu = overflowPullDownCell_ ? overflowPullDownCell_->menu() : nullptr;
    return menu && menu->numberOfItems() >= 2;
}

void SRScopeBar::setFrameSize(Size size)
{
    Control::setFrameSize(size);
    groupsNeedUpdate_ = true;
    trackingAreasNeedUpdate_ = true;
}

void SRScopeBar::resizeWithOldSuperviewSize(Size oldSize)
{
    Control::resizeWithOldSuperviewSize(oldSize);
    groupsNeedUpdate_ = true;
    setNeedsDisplay(true);
}

// Drawing ------------------------------------------------------------------------------------------

void SRScopeBar::drawBackground()
{
    const Rect b = bounds();
    const Ref<View> parent = superview();
    const bool flippedParent = parent && parent->isFlipped();
    if (backgroundGradient_)
        backgroundGradient_->drawInRectAngle(b, flippedParent ? -90 : 90);
    if (borderColor_) {
        borderColor_->setStroke();
        const double y = flippedParent ? b.height() : b.minY();
        BezierPath::strokeLineFromPointToPoint(MakePoint(b.minX(), y), MakePoint(b.width(), y));
    }
}

void SRScopeBar::drawRect(Rect)
{
    const Ref<SRScopeBar> keep(this);
    layoutIfNeeded();
    drawBackground();
    for (const auto& helper : std::vector<Ref<SRScopeBarGroupHelper>>(groups_))
        helper->drawGroup();
    if (showsOverflowPullDown())
        overflowPullDownCell_->drawWithFrameInView(overflowPullDownRect_, this);
    drawCurrentElementFocusRing();
    if (trackingAreasNeedUpdate_)
        rebuildTrackingAreas();
}

// Tracking -----------------------------------------------------------------------------------------

void SRScopeBar::rebuildTrackingAreas()
{
    trackingAreasNeedUpdate_ = false;
    for (const auto& area : std::vector<Ref<TrackingArea>>(trackingAreas()))
        removeTrackingArea(area.get());
    if (showsOverflowPullDown())
        addTrackingArea(make<TrackingArea>(overflowPullDownRect_, TrackingMouseEnteredAndExited | TrackingActiveInActiveApp, this).get());
    for (const auto& helper : groups_)
        helper->addTrackingAreas();
}

void SRScopeBar::updateTrackingAreas()
{
    // Never from a stale layout.
    layoutIfNeeded();
    rebuildTrackingAreas();
}

void SRScopeBar::mouseEntered(const Event& event)
{
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    if (showsOverflowPullDown() && mouseInRect(p, overflowPullDownRect_)) {
        trackingOverflow_ = true;
        overflowPullDownCell_->mouseEntered(event);
        return;
    }
    for (const auto& helper : std::vector<Ref<SRScopeBarGroupHelper>>(groups_))
        if (mouseInRect(p, helper->frame())) {
            trackingGroup_ = helper;
            helper->mouseEntered(event);
        }
}

void SRScopeBar::mouseExited(const Event& event)
{
    bool overflow = trackingOverflow_;
    Ref<SRScopeBarGroupHelper> owner = trackingGroup_.lock();
    // The exit belongs to the area it names: a move from one area straight into another may
    // have made the other one tracked already. An area the layout no longer places leaves what
    // is tracked.
    if (const Ref<TrackingArea> area = event.trackingArea()) {
        const Point centre = MakePoint(area->rect().midX(), area->rect().midY());
        Ref<SRScopeBarGroupHelper> placed;
        for (const auto& helper : groups_)
            if (!placed && PointInRect(centre, helper->frame()))
                placed = helper;
        if (showsOverflowPullDown() && PointInRect(centre, overflowPullDownRect_)) {
            overflow = true;
        } else if (placed) {
            overflow = false;
            owner = placed;
        }
    }
    if (overflow) {
        if (trackingOverflow_) {
            trackingOverflow_ = false;
            overflowPullDownCell_->mouseExited(event);
        }
        return;
    }
    if (owner)
        owner->mouseExited(event);
    if (owner == trackingGroup_.lock())
        trackingGroup_ = nullptr;
}

void SRScopeBar::mouseDown(const Event& event)
{
    const Ref<SRScopeBar> keep(this);
    if (trackingOverflow_) {
        pointerChoseElement(nullptr, OverflowElementIndex);
        showOverflowMenu();
        overflowPullDownCell_->mouseExited(event);
        return;
    }
    if (const Ref<SRScopeBarGroupHelper> helper = trackingGroup_.lock())
        helper->mouseDown(event);
}

void SRScopeBar::showOverflowMenu()
{
    if (!showsOverflowPullDown())
        return;
    const Ref<SRScopeBar> keep(this);
    const Ref<PopUpButtonCell> cell = overflowPullDownCell_;
    cell->performClickWithFrameInView(overflowPullDownRect_, this);
}

void SRScopeBar::overflowPullDownItemSelected(Object*)
{
    const Ref<SRScopeBar> keep(this);
    const Ref<MenuItem> item = overflowPullDownCell_->selectedItem();
    if (!item)
        return;
    // The item's tag is its group's index: equal objects in two groups stay apart.
    const std::int64_t groupIndex = item->tag();
    if (groupIndex < 0 || groupIndex >= numberOfGroups())
        return;
    const Ref<SRScopeBarGroup> group = groups_[std::size_t(groupIndex)]->group();
    const Value object = item->representedObject();
    const std::int64_t index = group->indexForObject(object);
    if (index == NotFound)
        return;
    if (!askShouldSelect(object))
        return;
    group->didClickObject(index);
    adjustSubviews();
}
