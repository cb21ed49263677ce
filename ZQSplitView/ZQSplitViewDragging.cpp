// Divider dragging and double-clicks: the tracking loop that pulls mouse events from the window,
// one drag step, the four ways a step can move a divider, and the window growing or shrinking
// in place of a pane when the delegate asks for it.

#include "ZQSplitView/ZQSplitView.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/core/AutoreleasePool.h"
#include "kit/foundation/RunLoop.h"

#include <algorithm>
#include <cmath>
#include <limits>

using kit::Event;
using kit::Point;
using kit::Rect;
using kit::Ref;

namespace {

constexpr std::uint64_t dragMask = kit::LeftMouseDownMask | kit::LeftMouseUpMask | kit::LeftMouseDraggedMask;
constexpr double untilForever = std::numeric_limits<double>::infinity();
constexpr double unlimited = 1000000.0;

// A nested coupled split view whose divider crosses the dragged one and moves with it.
struct NestedDrag {
    Ref<ZQSplitView> view;
    std::uint64_t divider = ZQNotFound;
    double offset = 0; // of the press from the nested divider's origin, along the nested axis
    Point point; // the nested view's own start point
};

// Screen updates stay off for one drag step, however the step ends.
struct ScreenUpdatesOff {
    ScreenUpdatesOff() { kit::DisableScreenUpdates(); }
    ~ScreenUpdatesOff() { kit::EnableScreenUpdates(); }
    ScreenUpdatesOff(const ScreenUpdatesOff&) = delete;
    ScreenUpdatesOff& operator=(const ScreenUpdatesOff&) = delete;
};

} // namespace

void ZQSplitView::mouseDown(const Event& event)
{
    const std::vector<Ref<ZQSplitSubview>> panes = visibleSubviews();
    if (dividers_.empty() || panes.size() < 2)
        return;
    if (actDivider_ != ZQNotFound || !divider()) {
        ZQSplitSubview::mouseDown(event);
        return;
    }
    const Point p = convertPointFromView(event.locationInWindow(), nullptr);
    for (std::size_t i = 0; i < dividers_.size() && i + 1 < panes.size(); ++i) {
        if (!mouseInRect(p, dividers_[i]))
            continue;
        if (const auto d = delegateFor("splitViewShouldHandleEventInDividerBetweenViewAndView"))
            if (!d->splitViewShouldHandleEventInDividerBetweenViewAndView(this, event, i, panes[i].get(), panes[i + 1].get()))
                return;
        if (event.clickCount() < 2)
            runDrag(event, i, false);
        else
            doubleClickDivider(i);
        return;
    }
}

bool ZQSplitView::isDivider(std::uint64_t index) const
{
    // Compared without index + 1, which wraps to 0 for the largest index.
    const unsigned n = numberOfVisibleSubviews();
    return n >= 2 && index < n - 1;
}

void ZQSplitView::dragDividerFromPane(std::uint64_t divider, const Event& event)
{
    if (isDivider(divider))
        runDrag(event, divider, true);
}

void ZQSplitView::runDrag(const Event& event, std::uint64_t index, bool fromPane)
{
    const Ref<kit::Window> w = window();
    if (!w)
        return;
    const Ref<ZQSplitView> keep(this);
    const bool horizontal = isHorizontal();
    Point start = convertPointFromView(event.locationInWindow(), nullptr);
    const double grip = axisOrigin(start, horizontal) - dividerOrigin(index);

    std::vector<NestedDrag> nested;
    if (!fromPane) {
        const std::vector<Ref<ZQSplitSubview>> panes = visibleSubviews();
        for (std::size_t k : { std::size_t(index), std::size_t(index + 1) }) {
            const Ref<ZQSplitView> inner = k < panes.size() ? panes[k]->coupledSplitView() : nullptr;
            if (!inner)
                continue;
            const std::uint64_t j = inner->dividerHitByRelativeToViewThickness(start, this, dividerThickness());
            if (j == ZQNotFound)
                continue;
            const Rect rect = inner->dividerRectRelativeToView(j, this);
            // The nested axis is our cross axis.
            const double offset = axisOrigin(start, !horizontal) - axisOrigin(rect.origin, !horizontal);
            nested.push_back({ inner, j, offset, inner->convertPointFromView(start, this) });
        }
    }

    // The closed hand shows for the whole drag, whatever rectangles the pointer crosses.
    struct CursorPush {
        CursorPush() { ZQSplitView::cursor(3)->push(); }
        ~CursorPush() { kit::Cursor::pop(); }
    } closedHand;
    setDragging(true);
    for (;;) {
        const Ref<Event> next = w->nextEventMatchingMaskUntilDateInModeDequeue(dragMask, untilForever, kit::EventTrackingRunLoopMode, true);
        if (!next || next->type() == kit::LeftMouseUp)
            break;
        // What a step autoreleases goes with the step, not with the whole drag; the step's layout
        // and drawing reach the screen together when it ends.
        const kit::AutoreleasePool pool;
        const ScreenUpdatesOff updatesOff;
        const double before = dividerOrigin(index);
        trackMouseEventFromWithBaseInDivider(*next, start, kit::ZeroPoint, index);
        bool nestedMust = false;
        for (NestedDrag& n : nested) {
            n.view->trackMouseEventFromWithBaseInDivider(*next, n.point, kit::ZeroPoint, n.divider);
            nestedMust |= n.view->mustAdjust();
        }
        if (!mustAdjust_ && !nestedMust)
            continue;
        if (fromPane)
            setMustClearFractions();
        const Ref<ZQSplitView> outer = splitView() ? splitView() : keep;
        outer->adjustSubviews();
        // The panes that moved marked themselves: the step draws those, not the whole view. A
        // nested view's crossings are drawn in this view's dividers, across pane edges: with
        // one the whole view draws again.
        const std::vector<Ref<ZQSplitSubview>> shown = visibleSubviews();
        if (std::any_of(shown.begin(), shown.end(), [](const Ref<ZQSplitSubview>& pane) { return bool(pane->coupledSplitView()); }))
            outer->setNeedsDisplay(true);
        displayIfNeeded();
        if (fromPane)
            setAxisOrigin(start, horizontal, axisOrigin(start, horizontal) + dividerOrigin(index) - before);
        else
            setAxisOrigin(start, horizontal, dividerOrigin(index) + grip);
        for (NestedDrag& n : nested)
            if (!n.view->isCollapsed())
                setAxisOrigin(n.point, !horizontal, n.view->dividerOrigin(n.divider) + n.offset);
    }
    setDragging(false);
}

void ZQSplitView::trackMouseEventFromWithBaseInDivider(const Event& event, Point start, Point base, std::uint64_t index)
{
    const std::vector<Ref<ZQSplitSubview>> panes = visibleSubviews();
    // A nested view's pane count can change during a drag: act only on a divider that still has two sides.
    if (!isDivider(index))
        return;
    ZQSplitSubview* leading = panes[index].get();
    ZQSplitSubview* trailing = panes[index + 1].get();
    const bool horizontal = isHorizontal();
    const Point loc = convertPointFromView(event.locationInWindow(), nullptr);
    const double delta = axisOrigin(loc, horizontal) - axisOrigin(base, horizontal) - axisOrigin(start, horizontal);
    if (delta == 0)
        return;
    if (delta > 0) {
        ZQSplitSubview* giving = nullptr;
        if (!isInScrollView_) {
            giving = trailing;
            for (std::size_t k = index + 1; k < panes.size(); ++k)
                if (panes[k]->canShrink()) {
                    giving = panes[k].get();
                    break;
                }
        }
        if (leading->isCollapsed())
            tryToExpandLeadingDividerTrailingDelta(leading, index, giving, delta);
        else
            tryToShortenTrailingDividerLeadingDeltaAlways(giving, index, leading, delta, true);
    } else {
        ZQSplitSubview* giving = leading;
        for (std::size_t k = index + 1; k-- > 0;)
            if (panes[k]->canShrink()) {
                giving = panes[k].get();
                break;
            }
        ZQSplitSubview* growing = isInScrollView_ ? nullptr : trailing;
        if (growing && growing->isCollapsed())
            tryToExpandTrailingLeadingDelta(growing, giving, delta);
        else
            tryToShortenLeadingDividerTrailingDeltaAlways(giving, index, growing, delta, true);
    }
}

void ZQSplitView::tryToExpandLeadingDividerTrailingDelta(
    ZQSplitSubview* leading, std::uint64_t index, ZQSplitSubview* trailing, double delta)
{
    const bool grow = shouldResizeWindowForDividerBetweenViewAndViewWillGrow(index, leading, trailing, true);
    const double room = grow ? windowRoom(true) : trailing ? trailing->dimension() : unlimited;
    if (leading->minDimension() > room)
        return;
    if (!trailing || grow || leading->minDimension() + trailing->minDimension() <= room) {
        const double d = leading->changeDimensionByMayCollapseMove(delta, false, false);
        if (grow)
            resizeWindowBy(d);
        else if (trailing)
            trailing->changeDimensionByMayCollapseMove(-d, false, true);
    } else if (delta > 0.55 * room && trailing->canCollapse() && leading->maxDimension() <= room) {
        const double had = -trailing->collapseNow();
        leading->changeDimensionByMayCollapseMove(had, false, false);
    }
}

void ZQSplitView::tryToExpandTrailingLeadingDelta(ZQSplitSubview* trailing, ZQSplitSubview* leading, double delta)
{
    const double m = trailing ? trailing->minDimension() : 0;
    const double D = leading->dimension();
    if (m > D)
        return;
    if (m + leading->minDimension() <= D) {
        if (trailing) {
            const double c = trailing->changeDimensionByMayCollapseMove(-delta, false, true);
            leading->changeDimensionByMayCollapseMove(-c, false, false);
        } else {
            leading->changeDimensionByMayCollapseMove(delta, false, false);
        }
    } else if (leading->canCollapse() && -delta > 0.55 * D && D >= (trailing ? trailing->maxDimension() : 0)) {
        const double had = -leading->collapseNow();
        if (trailing)
            trailing->changeDimensionByMayCollapseMove(had, false, true);
    }
}

void ZQSplitView::tryToShortenLeadingDividerTrailingDeltaAlways(
    ZQSplitSubview* leading, std::uint64_t index, ZQSplitSubview* trailing, double delta, bool always)
{
    const bool shrink = shouldResizeWindowForDividerBetweenViewAndViewWillGrow(index, leading, trailing, false);
    const double room = shrink ? windowRoom(false) : trailing ? trailing->maxDimension() - trailing->dimension() : unlimited;
    if (-delta > room) {
        if (!always)
            return;
        delta = -room;
    }
    if (!always && room < leading->dimension())
        return;
    const double d = leading->changeDimensionByMayCollapseMove(delta, room >= leading->dimension(), false);
    if (shrink)
        resizeWindowBy(d);
    else if (trailing)
        trailing->changeDimensionByMayCollapseMove(-d, false, true);
}

void ZQSplitView::tryToShortenTrailingDividerLeadingDeltaAlways(
    ZQSplitSubview* trailing, std::uint64_t index, ZQSplitSubview* leading, double delta, bool always)
{
    const bool grow = shouldResizeWindowForDividerBetweenViewAndViewWillGrow(index, leading, trailing, true);
    const double room = grow ? windowRoom(true) : leading->maxDimension() - leading->dimension();
    if (delta > room) {
        if (!always)
            return;
        delta = room;
    }
    if (grow) {
        resizeWindowBy(leading->changeDimensionByMayCollapseMove(delta, false, false));
        return;
    }
    const double T = trailing ? trailing->dimension() : unlimited;
    if (!always && room < T)
        return;
    if (trailing) {
        const double c = trailing->changeDimensionByMayCollapseMove(-delta, room >= T, true);
        leading->changeDimensionByMayCollapseMove(-c, false, false);
    } else {
        leading->changeDimensionByMayCollapseMove(delta, false, false);
    }
}

bool ZQSplitView::shouldResizeWindowForDividerBetweenViewAndViewWillGrow(
    std::uint64_t index, ZQSplitSubview* leading, ZQSplitSubview* trailing, bool willGrow)
{
    if (isInScrollView_)
        return false;
    if (const auto d = delegateFor("splitViewShouldResizeWindowForDividerBetweenViewAndViewWillGrow"))
        return d->splitViewShouldResizeWindowForDividerBetweenViewAndViewWillGrow(this, index, leading, trailing, willGrow);
    return false;
}

double ZQSplitView::windowRoom(bool grow) const
{
    const bool horizontal = isHorizontal();
    Rect frame;
    Rect screen = kit::ZeroRect;
    kit::Size limit;
    const Ref<kit::ScrollView> scroll = enclosingScrollView();
    if (const Ref<kit::View> document = scroll ? scroll->documentView() : nullptr) {
        // A document view grows without a screen edge or a maximum size in the way.
        frame = document->frame();
        screen = kit::MakeRect(0, 0, unlimited, 0);
        limit = grow ? kit::MakeSize(unlimited, unlimited) : kit::ZeroSize;
    } else if (const Ref<kit::Window> w = window()) {
        frame = w->frame();
        limit = grow ? w->maxSize() : w->minSize();
        if (const Ref<kit::Screen> main = kit::Screen::mainScreen())
            screen = main->visibleFrame();
    } else {
        return 0;
    }
    const double size = axisOf(frame.size, horizontal);
    if (!grow)
        return std::max(0.0, size - axisOf(limit, horizontal));
    double room
        = horizontal ? frame.origin.y - screen.origin.y : (screen.origin.x + screen.size.width) - (frame.origin.x + frame.size.width);
    room = std::min(std::max(0.0, room), axisOf(limit, horizontal) - size);
    return std::max(0.0, room);
}

void ZQSplitView::resizeWindowBy(double change)
{
    if (change == 0)
        return;
    const bool horizontal = isHorizontal();
    const Ref<kit::ScrollView> scroll = enclosingScrollView();
    const Ref<kit::View> document = scroll ? scroll->documentView() : nullptr;
    const Ref<kit::Window> w = document ? nullptr : window();
    if (!document && !w)
        return;
    Rect frame = document ? document->frame() : w->frame();
    setAxis(frame.size, horizontal, axisOf(frame.size, horizontal) + change);
    // Growing downwards keeps the top edge where it is.
    if (horizontal)
        frame.origin.y -= change;
    if (document) {
        document->setFrame(frame);
        document->setNeedsDisplay(true);
    } else {
        w->setFrameDisplay(frame, true);
    }
    setMustAdjust();
}

void ZQSplitView::doubleClickDivider(std::uint64_t index)
{
    if (!isDivider(index))
        return;
    const std::vector<Ref<ZQSplitSubview>> panes = visibleSubviews();
    ZQSplitSubview* leading = panes[index].get();
    ZQSplitSubview* trailing = panes[index + 1].get();
    const bool leadingCollapsed = leading->isCollapsed();
    const bool trailingCollapsed = trailing->isCollapsed();
    if (trailingCollapsed && !leadingCollapsed) {
        tryToExpandTrailingLeadingDelta(trailing, leading, -trailing->dimension());
    } else if (leadingCollapsed && !trailingCollapsed) {
        tryToExpandLeadingDividerTrailingDelta(leading, index, trailing, leading->dimension());
    } else if (!leadingCollapsed && !trailingCollapsed) {
        const bool leadingMay = leading->canCollapse();
        const bool trailingMay = trailing->canCollapse();
        ZQSplitSubview* candidate = nullptr;
        if (leadingMay && trailingMay) {
            if (const auto d = delegateFor("splitViewCollapseLeadingOrTrailing"))
                candidate = d->splitViewCollapseLeadingOrTrailing(this, leading, trailing);
            else
                candidate = leading->dimension() < trailing->dimension() ? leading : trailing;
        } else if (leadingMay) {
            candidate = leading;
        } else if (trailingMay) {
            candidate = trailing;
        }
        if (candidate == leading)
            tryToShortenLeadingDividerTrailingDeltaAlways(leading, index, trailing, -leading->dimension(), false);
        if (!mustAdjust_ && candidate == trailing)
            tryToShortenTrailingDividerLeadingDeltaAlways(trailing, index, leading, trailing->dimension(), false);
    }
    if (mustAdjust_) {
        setMustClearFractions();
        (splitView() ? splitView() : Ref<ZQSplitView>(this))->adjustSubviews();
        display();
    }
}

// Presses inside a pane ------------------------------------------------------------------------------

Ref<kit::View> ZQSplitSubview::hitTest(Point point)
{
    if (isHidden())
        return nullptr;
    const Ref<kit::View> sup = superview();
    if (sup ? !sup->mouseInRect(point, frame()) : !mouseInRect(point, frame()))
        return nullptr;
    const Ref<ZQSplitView> s = splitView();
    if (s)
        if (const auto d = s->delegateFor("splitViewDividerForPointInSubview")) {
            actDivider_ = d->splitViewDividerForPointInSubview(s.get(), point, this);
            if (s->isDivider(actDivider_))
                return Ref<kit::View>(this);
        }
    actDivider_ = ZQNotFound;
    Ref<kit::View> hit = kit::View::hitTest(point);
    canDragWindow_ = false;
    if (hit)
        if (const Ref<kit::Window> w = window()) {
            const Ref<kit::View> opaque = hit->opaqueAncestor();
            const Ref<kit::View> content = w->contentView();
            canDragWindow_ = !(opaque && content && opaque->isDescendantOf(content.get()));
        }
    return hit;
}

void ZQSplitSubview::mouseDown(const Event& event)
{
    const Ref<ZQSplitView> s = splitView();
    if (s && actDivider_ != ZQNotFound) {
        const std::uint64_t index = actDivider_;
        s->dragDividerFromPane(index, event);
        actDivider_ = ZQNotFound;
        return;
    }
    const Ref<kit::Window> w = window();
    const Ref<ZQSplitView> coupling = couplingSplitView();
    if (canDragWindow_ && w && w->isMovableByWindowBackground() && !(coupling && coupling->background())) {
        moveWindowFrom(*w, event);
        return;
    }
    kit::View::mouseDown(event);
}

void ZQSplitSubview::moveWindowFrom(kit::Window& w, const Event& event)
{
    const Ref<kit::Window> keep(&w);
    Point last = w.convertBaseToScreen(event.locationInWindow());
    for (;;) {
        const Ref<Event> next = w.nextEventMatchingMaskUntilDateInModeDequeue(dragMask, untilForever, kit::EventTrackingRunLoopMode, true);
        if (!next || next->type() == kit::LeftMouseUp)
            return;
        // The window moves under the pointer: measure in screen coordinates.
        const Point now = w.convertBaseToScreen(next->locationInWindow());
        const Point origin = w.frame().origin;
        w.setFrameOrigin(kit::MakePoint(origin.x + now.x - last.x, origin.y + now.y - last.y));
        last = now;
    }
}
