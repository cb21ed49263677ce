#pragma once

// What a split view asks of and tells its delegate. Every operation is optional: the split view
// sends one only when the delegate answers respondsToSelector with its name, so an implementer
// overrides the operations it wants and registers their names with c.optionalOperation(...).

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <cstdint>

namespace kit {
class Event;
}

class ZQSplitView;
class ZQSplitSubview;

class ZQSplitViewDelegate {
public:
    virtual ~ZQSplitViewDelegate() = default;

    virtual bool splitViewCanCollapse(ZQSplitView*, ZQSplitSubview*) { return false; }
    virtual void splitViewChangedFrameOfSubviewFromTo(ZQSplitView*, ZQSplitSubview*, kit::Rect /*from*/, kit::Rect /*to*/) { }
    // The pane answered is collapsed; any other answer collapses neither.
    virtual ZQSplitSubview* splitViewCollapseLeadingOrTrailing(ZQSplitView*, ZQSplitSubview* leading, ZQSplitSubview*) { return leading; }
    virtual kit::Rect splitViewCursorRectForDivider(ZQSplitView*, kit::Rect rect, std::uint64_t /*divider*/) { return rect; }
    virtual void splitViewDidCollapse(ZQSplitView*, ZQSplitSubview*) { }
    virtual void splitViewDidExpand(ZQSplitView*, ZQSplitSubview*) { }
    virtual std::uint64_t splitViewDividerForPointInSubview(ZQSplitView*, kit::Point, ZQSplitSubview*) { return kit::NotFound; }
    virtual bool splitViewShouldHandleEventInDividerBetweenViewAndView(
        ZQSplitView*, const kit::Event&, std::uint64_t /*divider*/, ZQSplitSubview*, ZQSplitSubview*)
    {
        return true;
    }
    virtual bool splitViewShouldResizeWindowForDividerBetweenViewAndViewWillGrow(
        ZQSplitView*, std::uint64_t /*divider*/, ZQSplitSubview*, ZQSplitSubview*, bool /*willGrow*/)
    {
        return false;
    }
    virtual void splitViewWasResizedFromTo(ZQSplitView*, double /*from*/, double /*to*/) { }
    // Seconds; 1/60 s or less means no animation.
    virtual double splitViewWillAnimateSubviewWithDimension(ZQSplitView*, ZQSplitSubview*, double dimension)
    {
        return dimension * 0.2 / 150;
    }
    virtual kit::Rect splitViewWillDrawDividerInRectBetweenViewAndViewWithProposedRect(
        ZQSplitView*, kit::Rect /*divider*/, ZQSplitSubview*, ZQSplitSubview*, kit::Rect proposed)
    {
        return proposed;
    }
    virtual void splitViewWillDrawSubviewInRect(ZQSplitView*, ZQSplitSubview*, kit::Rect) { }
    virtual void willAdjustSubviews(ZQSplitView*) { }
    virtual void didAdjustSubviews(ZQSplitView*) { }
};
