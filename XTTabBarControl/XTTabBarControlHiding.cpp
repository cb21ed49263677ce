// Collapsing the bar to one point and bringing it back: the bar trades its height (or width) with
// its partner view, or with the window when it has none, in four ticks.

#include "XTTabBarControl/XTTabBarControl.h"

#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Timer.h"

namespace {

constexpr double xthTick = 1.0 / 30;
// A horizontal bar keeps one point of its height.
constexpr double xthHeightGiven = 21;

double& xthOrigin(kit::Rect& r, bool vertical) { return vertical ? r.origin.x : r.origin.y; }
double& xthLength(kit::Rect& r, bool vertical) { return vertical ? r.size.width : r.size.height; }

} // namespace

void XTTabBarControl::hideTabBar(bool hide, bool animate)
{
    if (!awakenedFromNib_ || hide == isHidden_ || currentStep_ != -1)
        return;
    hiddenByHost_ = hide;
    changeTabBarHidden(hide, animate);
}

void XTTabBarControl::changeTabBarHidden(bool hide, bool animate)
{
    if (!awakenedFromNib_ || hide == isHidden_ || currentStep_ != -1)
        return;
    const std::vector<kit::Ref<kit::View>> subviews = this->subviews();
    for (const auto& sub : subviews)
        sub->removeFromSuperview();
    isHidden_ = hide;
    currentStep_ = animate ? 0 : 3;
    if (!hide && !animate) {
        addSubview(overflowPopUpButton_.get());
        addSubview(addTabButton_.get());
    }
    prepareShowHide(hide);
    if (showHideTimer_)
        showHideTimer_->invalidate();
    showHideTimer_ =
        kit::Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(xthTick, this, &XTTabBarControl::animateShowHide, {}, true);
}

void XTTabBarControl::prepareShowHide(bool hide)
{
    ShowHideRun& r = showHide_;
    const bool vertical = orientation_ == XTTabBarVerticalOrientation;
    r.vertical = vertical;
    kit::Rect bar = frame();
    const kit::Ref<kit::Window> w = window();
    kit::Rect other = partnerView_ ? partnerView_->frame() : (w ? w->frame() : kit::Rect {});
    r.myOrigin = r.myTargetOrigin = xthOrigin(bar, vertical);
    r.mySize = r.myTargetSize = xthLength(bar, vertical);
    r.partnerOrigin = r.partnerTargetOrigin = xthOrigin(other, vertical);
    r.partnerSize = r.partnerTargetSize = xthLength(other, vertical);

    if (!vertical) {
        const double given = hide ? xthHeightGiven : -xthHeightGiven;
        r.myTargetSize -= given;
        if (partnerView_ && bar.origin.y - 22 > other.origin.y) {
            // Above its partner (in unflipped coordinates): the bar's top stays put.
            r.myTargetOrigin += given;
            r.partnerTargetSize += given;
        } else {
            // Below its partner, or the window gives the height up at the bottom.
            const double sign = partnerView_ ? -1 : 1;
            r.partnerTargetOrigin += sign * given;
            r.partnerTargetSize -= sign * given;
        }
        return;
    }

    const bool partnerOnTheLeft = partnerView_ && !(other.origin.x + other.size.width > bar.origin.x);
    if (hide) {
        // Every collapse remembers the width, so the bar comes back at it with or without a partner.
        const double width = bar.size.width;
        tabBarWidth_ = std::int64_t(width);
        r.myTargetSize = 1;
        if (partnerOnTheLeft) {
            r.myTargetOrigin += width;
            r.partnerTargetSize += width;
        } else {
            r.partnerTargetOrigin += partnerView_ ? -(width - 1) : width - 1;
            r.partnerTargetSize += partnerView_ ? width - 1 : -(width - 1);
        }
        return;
    }
    double width = double(tabBarWidth_);
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = delegateFor("desiredWidthForVerticalTabBar", keep))
        width = d->desiredWidthForVerticalTabBar(this);
    // The bar comes back at exactly that width, and its neighbour gives up just what it grows by.
    r.myTargetSize = width;
    if (partnerOnTheLeft) {
        r.myTargetOrigin -= width;
        r.partnerTargetSize -= width;
    } else {
        const double grown = width - r.mySize;
        r.partnerTargetOrigin += partnerView_ ? grown : -grown;
        r.partnerTargetSize += partnerView_ ? -grown : grown;
    }
}

void XTTabBarControl::applyShowHide(double fraction)
{
    const ShowHideRun& r = showHide_;
    const auto at = [fraction](double start, double target) { return start + (target - start) * fraction; };
    if (partnerView_) {
        kit::Rect f = partnerView_->frame();
        xthOrigin(f, r.vertical) = at(r.partnerOrigin, r.partnerTargetOrigin);
        xthLength(f, r.vertical) = at(r.partnerSize, r.partnerTargetSize);
        partnerView_->setFrame(f);
        partnerView_->setNeedsDisplay(true);
    } else if (const kit::Ref<kit::Window> w = window()) {
        kit::Rect f = w->frame();
        xthOrigin(f, r.vertical) = at(r.partnerOrigin, r.partnerTargetOrigin);
        xthLength(f, r.vertical) = at(r.partnerSize, r.partnerTargetSize);
        w->setFrameDisplay(f, true);
    }
    kit::Rect mine = frame();
    xthOrigin(mine, r.vertical) = at(r.myOrigin, r.myTargetOrigin);
    xthLength(mine, r.vertical) = at(r.mySize, r.myTargetSize);
    setFrame(mine);
}

void XTTabBarControl::animateShowHide(kit::Timer*)
{
    const kit::Ref<XTTabBarControl> keep(this);
    if (currentStep_ < 0)
        return;
    applyShowHide(double(currentStep_) / 3);
    if (++currentStep_ == 4) {
        currentStep_ = -1;
        // Gone before the callbacks, which may start the next change.
        if (showHideTimer_) {
            showHideTimer_->invalidate();
            showHideTimer_ = nullptr;
        }
        viewDidEndLiveResize();
        update(false);
        kit::Ref<kit::Object> hold;
        if (isHidden_) {
            if (XTTabBarControlDelegate* d = delegateFor("tabViewTabBarDidHide", hold))
                d->tabViewTabBarDidHide(tabView_.get(), this);
        } else {
            addSubview(overflowPopUpButton_.get());
            addSubview(addTabButton_.get());
            if (XTTabBarControlDelegate* d = delegateFor("tabViewTabBarDidUnhide", hold))
                d->tabViewTabBarDidUnhide(tabView_.get(), this);
        }
    }
    if (const kit::Ref<kit::Window> w = window())
        w->display();
}

void XTTabBarControl::windowDidUpdate(kit::Notification*)
{
    const kit::Ref<XTTabBarControl> keep(this);
    // A bar that comes hidden out of an archive is collapsed already.
    if (hideForSingleTab_ && cells_.size() < 2 && !awakenedFromNib_ && !isHidden_) {
        prepareShowHide(true);
        applyShowHide(1);
        isHidden_ = true;
        setNeedsDisplay(true);
        kit::Ref<kit::Object> hold;
        if (XTTabBarControlDelegate* d = delegateFor("tabViewTabBarDidHide", hold))
            d->tabViewTabBarDidHide(tabView_.get(), this);
    }
    awakenedFromNib_ = true;
    setNeedsDisplay(true);
    if (const kit::Ref<kit::Window> w = window())
        kit::NotificationCenter::defaultCenter()->removeObserverNameObject(this, kit::WindowDidUpdateNotification, w.get());
}
