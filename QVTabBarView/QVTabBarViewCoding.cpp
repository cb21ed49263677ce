// The tab bar view collapsing and showing itself (its partner view or window takes the space),
// and its keyed coding.

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "QVTabBarView/QVTabBarExtensions.h"
#include "kit/graphics/Cursor.h"
#include "kit/foundation/RunLoop.h"

#include <cmath>

namespace {

const QString qvHideKey = QStringLiteral("hide");

// Archives only objects that archive themselves.
bool qvCodingArchivable(const kit::Object* object) { return dynamic_cast<const kit::Coding*>(object) != nullptr; }

} // namespace

void QVTabBarView::hideTabBarAnimate(bool hide, bool animate)
{
    if (hide == isHidden_)
        return;
    isHidden_ = hide;
    const kit::Ref<kit::View> partner = partnerView_;
    const kit::Ref<kit::Window> w = window();
    const kit::Rect bar = frame();
    kit::Rect target = partner ? partner->frame() : (w ? w->frame() : kit::ZeroRect);
    const double sign = hide ? 1 : -1;
    if (orientation_ == QVTabBarHorizontalOrientation) {
        if (partner) {
            // In a flipped superview "above" is the smaller y and the shifts mirror.
            // The test and the shifts are written y up; a flipped superview mirrors both.
            const bool flipped = partner->superview() && partner->superview()->isFlipped();
            const bool barAbove = flipped ? target.maxY() > bar.maxY() + 22 : bar.origin.y - 22 > target.origin.y;
            if (flipped ? barAbove : !barAbove)
                target.origin.y -= sign * 22;
            target.size.height += sign * 22;
        } else {
            target.origin.y += sign * 22;
            target.size.height -= sign * 22;
        }
    } else {
        const double amount = hide ? bar.size.width : double(tabBarWidth_);
        if (partner) {
            // A collapsed partner covers the bar's place, so on show "left of the bar" is where it starts.
            if (hide ? target.maxX() <= bar.origin.x : target.origin.x < bar.origin.x) {
                target.size.width += sign * amount;
            } else {
                target.origin.x -= sign * amount;
                target.size.width += sign * amount;
            }
        } else {
            target.origin.x += sign * amount;
            target.size.width -= sign * amount;
        }
        if (hide)
            tabBarWidth_ = std::int64_t(bar.size.width);
    }
    if (hide)
        setHidden(true);
    if (partner && animate) {
        // The stopped move still ends with its own report (and releases itself).
        if (const kit::Ref<kit::ViewAnimation> running = hideShowTabBarAnimation_)
            running->stopAnimation();
        auto animation = kit::make<kit::ViewAnimation>();
        animation->addAnimationDictionary(kit::Dictionary { { kit::Value(kit::ViewAnimationTargetKey), kit::Value(kit::Ref<kit::Object>(partner)) },
            { kit::Value(kit::ViewAnimationStartFrameKey), kit::Value(partner->frame()) },
            { kit::Value(kit::ViewAnimationEndFrameKey), kit::Value(target) }, { kit::Value(qvHideKey), kit::Value(hide) } });
        animation->setDuration(0.1);
        animation->setAnimationBlockingMode(kit::AnimationNonblocking);
        animation->setDelegate(this);
        hideShowTabBarAnimation_ = animation;
        animation->startAnimation();
        return;
    }
    if (partner)
        partner->setFrame(target);
    else if (w)
        w->setFrameDisplay(target, true);
    if (!hide)
        setHidden(false);
    reportHideShow(hide);
}

void QVTabBarView::finishHideShowAnimation(kit::Animation* animation)
{
    auto* viewAnimation = dynamic_cast<kit::ViewAnimation*>(animation);
    bool hide = isHidden_;
    if (viewAnimation && !viewAnimation->viewAnimations().empty())
        hide = viewAnimation->viewAnimations().front().objectForKey(kit::Value(qvHideKey)).boolValue();
    if (!hide)
        setHidden(false);
    hideShowTabBarAnimation_ = nullptr;
    updateTrackingAreas();
    reportHideShow(hide);
}

void QVTabBarView::reportHideShow(bool hidden)
{
    kit::Ref<kit::Object> keep;
    if (hidden) {
        if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewTabBarViewDidHide", keep))
            d->tabViewTabBarViewDidHide(tabView_.get(), this);
    } else if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewTabBarViewDidUnhide", keep)) {
        d->tabViewTabBarViewDidUnhide(tabView_.get(), this);
    }
}

// Resizing ---------------------------------------------------------------------------------------

kit::Rect QVTabBarView::dividerRect() const
{
    if (orientation_ != QVTabBarVerticalOrientation || !allowsResizing_)
        return kit::ZeroRect;
    return kit::MakeRect(bounds().size.width - 3, 0, 3, tabView_ ? tabView_->frame().size.height : bounds().size.height);
}

kit::Ref<kit::Cursor> QVTabBarView::_resizingMouseCursor() const
{
    if (frame().size.width <= double(buttonMinWidth_))
        return kit::Cursor::resizeRightCursor();
    if (frame().size.width >= double(buttonMaxWidth_))
        return kit::Cursor::resizeLeftCursor();
    return kit::Cursor::resizeLeftRightCursor();
}

kit::Ref<kit::View> QVTabBarView::hitTest(kit::Point point)
{
    // The edge belongs to the bar, not to a button under it.
    if (orientation_ == QVTabBarVerticalOrientation && superview()) {
        const kit::Rect divider = convertRectToView(dividerRect(), superview().get());
        if (kit::PointInRect(point, divider))
            return kit::Ref<kit::View>(this);
    }
    return kit::View::hitTest(point);
}

void QVTabBarView::mouseDown(const kit::Event& event)
{
    const kit::Point p = convertPointFromView(event.locationInWindow(), nullptr);
    if (orientation_ == QVTabBarVerticalOrientation && allowsResizing_ && p.x > frame().size.width - 3
        && QVTabBarExtensions::dragShouldBeginFromMouseDownWithExpirationXHysteresisYHysteresis(this, event, kit::Date::distantFuture(), 0, 0))
        _beginResizingWithMouseDownEvent(event);
}

void QVTabBarView::_beginResizingWithMouseDownEvent(const kit::Event&)
{
    const kit::Ref<QVTabBarView> keep(this);
    isResizing_ = true;
    _resizingMouseCursor()->set();
    const kit::Ref<kit::Window> w = window();
    while (w) {
        const kit::Ref<kit::Event> e = w->nextEventMatchingMaskUntilDateInModeDequeue(
            kit::LeftMouseDraggedMask | kit::LeftMouseUpMask, kit::Date::distantFuture(), kit::EventTrackingRunLoopMode, true);
        if (!e || e->type() == kit::LeftMouseUp)
            break;
        const kit::Point p = convertPointFromView(e->locationInWindow(), nullptr);
        // Per event, not accumulated: the edge follows the pointer only on its own side.
        const double dx = e->deltaX();
        const double width = frame().size.width;
        if (!((dx > 0 && p.x > width) || (dx < 0 && p.x < width)))
            continue;
        _resizingMouseCursor()->set();
        const double next = width + dx;
        if (next < double(buttonMinWidth_) || next > double(buttonMaxWidth_))
            continue;
        kit::Rect f = frame();
        f.size.width += dx;
        setFrame(f);
        if (partnerView_) {
            kit::Rect pf = partnerView_->frame();
            pf.origin.x += dx;
            pf.size.width -= dx;
            partnerView_->setFrame(pf);
        }
        if (const kit::Ref<kit::View> up = superview())
            up->setNeedsDisplay(true);
    }
    kit::Cursor::arrowCursor()->set();
    isResizing_ = false;
}

// Coding -----------------------------------------------------------------------------------------

std::vector<kit::Ref<kit::View>> QVTabBarView::subviewsForCoding() const
{
    // Only the subviews added from outside: the bar makes its buttons itself, and archives the
    // add-tab and overflow buttons under keys of their own.
    std::vector<kit::Ref<kit::View>> outside;
    for (const kit::Ref<kit::View>& sub : subviews())
        if (!dynamic_cast<QVAttachedTabBarButton*>(sub.get()) && sub != addTabButton_ && sub != overflowPopUpButton_)
            outside.push_back(sub);
    return outside;
}

void QVTabBarView::encodeWithCoder(kit::Coder& coder) const
{
    kit::View::encodeWithCoder(coder);
    if (tabView_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(tabView_)), QStringLiteral("QVtabView"));
    if (overflowPopUpButton_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(overflowPopUpButton_)), QStringLiteral("QVOverflowPopUpButton"));
    if (addTabButton_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(addTabButton_)), QStringLiteral("QVaddTabButton"));
    if (style_ && qvCodingArchivable(style_.get()))
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(style_)), QStringLiteral("QVstyle"));
    coder.encodeIntegerForKey(std::int64_t(orientation_), QStringLiteral("QVorientation"));
    coder.encodeBoolForKey(onlyShowCloseOnHover_, QStringLiteral("QVonlyShowCloseOnHover"));
    coder.encodeBoolForKey(canCloseOnlyTab_, QStringLiteral("QVcanCloseOnlyTab"));
    coder.encodeBoolForKey(disableTabClose_, QStringLiteral("QVdisableTabClose"));
    coder.encodeBoolForKey(hideForSingleTab_, QStringLiteral("QVhideForSingleTab"));
    coder.encodeBoolForKey(allowsBackgroundTabClosing_, QStringLiteral("QVallowsBackgroundTabClosing"));
    coder.encodeBoolForKey(allowsResizing_, QStringLiteral("QVallowsResizing"));
    coder.encodeBoolForKey(selectsTabsOnMouseDown_, QStringLiteral("QVselectsTabsOnMouseDown"));
    coder.encodeBoolForKey(showAddTabButton_, QStringLiteral("QVshowAddTabButton"));
    coder.encodeBoolForKey(sizeButtonsToFit_, QStringLiteral("QVsizeButtonsToFit"));
    coder.encodeIntegerForKey(buttonMinWidth_, QStringLiteral("QVbuttonMinWidth"));
    coder.encodeIntegerForKey(buttonMaxWidth_, QStringLiteral("QVbuttonMaxWidth"));
    coder.encodeIntegerForKey(buttonOptimumWidth_, QStringLiteral("QVbuttonOptimumWidth"));
    coder.encodeBoolForKey(isHidden_, QStringLiteral("QVisHidden"));
    if (partnerView_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(partnerView_)), QStringLiteral("QVpartnerView"));
    // Conditional and weak: archiving the bar never archives its owner whole.
    if (const kit::Ref<kit::Object> d = delegate_.lock())
        coder.encodeConditionalObjectForKey(d.get(), QStringLiteral("QVdelegate"));
    coder.encodeBoolForKey(useOverflowMenu_, QStringLiteral("QVuseOverflowMenu"));
    coder.encodeBoolForKey(automaticallyAnimates_, QStringLiteral("QVautomaticallyAnimates"));
    coder.encodeBoolForKey(alwaysShowActiveTab_, QStringLiteral("QValwaysShowActiveTab"));
}

void QVTabBarView::initWithCoder(kit::Coder& coder)
{
    kit::View::initWithCoder(coder);
    // Buttons come from the tab view, never from an archive.
    for (const kit::Ref<QVAttachedTabBarButton>& stray : attachedButtons())
        stray->removeFromSuperview();
    const auto has = [&](const char* key) { return coder.containsValueForKey(QString::fromLatin1(key)); };
    const auto flag = [&](const char* key, bool& field) {
        if (has(key))
            field = coder.decodeBoolForKey(QString::fromLatin1(key));
    };
    const auto integer = [&](const char* key, std::int64_t& field) {
        if (has(key))
            field = coder.decodeIntegerForKey(QString::fromLatin1(key));
    };
    if (const auto decoded = coder.decodeObjectForKey(QStringLiteral("QVOverflowPopUpButton")).objectAs<QVOverflowPopUpButton>()) {
        if (overflowPopUpButton_ && overflowPopUpButton_ != decoded)
            overflowPopUpButton_->removeFromSuperview();
        overflowPopUpButton_ = decoded;
        if (decoded->superview().get() != this)
            addSubview(decoded.get());
    }
    if (const auto decoded = coder.decodeObjectForKey(QStringLiteral("QVaddTabButton")).objectAs<QVRolloverButton>()) {
        if (addTabButton_ && addTabButton_ != decoded)
            addTabButton_->removeFromSuperview();
        addTabButton_ = decoded;
        if (decoded->superview().get() != this)
            addSubview(decoded.get());
        addTabButton_->setTarget(this);
        addTabButton_->setAction(kit::Selector("_addNewTab"));
    }
    if (const auto decoded = coder.decodeObjectForKey(QStringLiteral("QVstyle")).objectAs<QVTabStyle>())
        style_ = decoded;
    if (has("QVorientation"))
        orientation_ = std::uint64_t(coder.decodeIntegerForKey(QStringLiteral("QVorientation")));
    flag("QVonlyShowCloseOnHover", onlyShowCloseOnHover_);
    flag("QVcanCloseOnlyTab", canCloseOnlyTab_);
    flag("QVdisableTabClose", disableTabClose_);
    flag("QVhideForSingleTab", hideForSingleTab_);
    flag("QVallowsBackgroundTabClosing", allowsBackgroundTabClosing_);
    flag("QVallowsResizing", allowsResizing_);
    flag("QVselectsTabsOnMouseDown", selectsTabsOnMouseDown_);
    flag("QVshowAddTabButton", showAddTabButton_);
    flag("QVsizeButtonsToFit", sizeButtonsToFit_);
    integer("QVbuttonMinWidth", buttonMinWidth_);
    integer("QVbuttonMaxWidth", buttonMaxWidth_);
    integer("QVbuttonOptimumWidth", buttonOptimumWidth_);
    flag("QVisHidden", isHidden_);
    if (const auto partner = coder.decodeObjectForKey(QStringLiteral("QVpartnerView")).objectAs<kit::View>())
        partnerView_ = partner;
    flag("QVuseOverflowMenu", useOverflowMenu_);
    flag("QVautomaticallyAnimates", automaticallyAnimates_);
    flag("QValwaysShowActiveTab", alwaysShowActiveTab_);
    if (const auto tabView = coder.decodeObjectForKey(QStringLiteral("QVtabView")).objectAs<kit::TabView>()) {
        tabView_ = nullptr;
        setTabView(tabView);
    }
    if (const kit::Ref<kit::Object> d = coder.decodeObjectForKey(QStringLiteral("QVdelegate")).object())
        delegate_ = d.get();
    // A decoded bar lays itself out.
    setNeedsUpdate(true);
}
