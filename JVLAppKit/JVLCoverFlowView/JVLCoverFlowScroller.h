#pragma once

// The cover-flow view's own horizontal scroller: dark and glossy, a capsule knob between two
// arrow buttons whose inner ends are notched to take it, and a value that moves in whole steps,
// one per item. Tracking and the action are the kit scroller's, run on the geometry given here.

#include "kit/appkit/Scroller.h"
#include "kit/graphics/BezierPath.h"

#include <cstdint>

class JVLCoverFlowScroller : public kit::Scroller {
    KIT_CLASS(JVLCoverFlowScroller)

    JVLCoverFlowScroller() = default;
    explicit JVLCoverFlowScroller(kit::Rect frame)
        : Scroller(frame)
    { }

    std::uint64_t numberOfIncrements() const { return numberOfIncrements_; }
    // Also sets the knob proportion: 1 / (n + 1), or 1 for no steps.
    void setNumberOfIncrements(std::uint64_t n);
    // The step under the knob: floor(value × n) in single precision.
    std::int64_t integerValue() const;
    // Puts the value a little past step v, never as much as half a step, so integerValue answers v.
    void setIntegerValue(std::int64_t v);

    // The outlines of the arrow buttons (even-odd: the notch belongs to neither).
    kit::Ref<kit::BezierPath> leftArrowPath() const;
    kit::Ref<kit::BezierPath> rightArrowPath() const;

    // kit::Scroller:
    kit::Rect rectForPart(kit::ScrollerPart part) const override;
    kit::ScrollerPart testPart(kit::Point point) const override;
    void drawKnobSlotInRectHighlight(kit::Rect slotRect, bool highlight) override;
    void drawArrowHighlight(kit::ScrollerArrow arrow, bool highlight) override;
    void drawKnob() override;
    // kit::View:
    void drawRect(kit::Rect dirty) override;
    // The scroller always redraws whole.
    void setNeedsDisplayInRect(kit::Rect rect) override;

private:
    std::uint64_t numberOfIncrements_ = 0;
};
