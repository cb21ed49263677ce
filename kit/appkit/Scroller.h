#pragma once

// A scroll bar: a flipped view with two arrows, a slot and a knob. Its value runs 0...1 and the
// knob's length is the knob proportion. Tracking follows whatever geometry a subclass gives
// rectForPart and testPart: the knob follows the pointer with the action on every change, arrows
// and page areas act at once and then repeat after 0.5 s every 0.05 s.

#include "kit/appkit/View.h"
#include "kit/core/Selector.h"
#include "kit/graphics/Font.h"

namespace kit {

enum ScrollerPart : int {
    ScrollerNoPart = 0,
    ScrollerDecrementPage = 1,
    ScrollerKnob = 2,
    ScrollerIncrementPage = 3,
    ScrollerDecrementLine = 4,
    ScrollerIncrementLine = 5,
    ScrollerKnobSlot = 6,
};

enum ScrollerArrow : int { ScrollerIncrementArrow = 0, ScrollerDecrementArrow = 1 };

class Scroller : public View {
    KIT_CLASS(Scroller)

    Scroller() = default;
    explicit Scroller(Rect frame)
        : View(frame)
    { }

    // Fixed by the kit, not by the style: 15, and 11 for the small size.
    static double scrollerWidth() { return 15; }
    static double scrollerWidthForControlSize(ControlSize size) { return size == RegularControlSize ? 15 : 11; }

    double floatValue() const { return value_; }
    // Both clamp to 0...1; NaN counts as 0.
    void setFloatValue(double value);
    double knobProportion() const { return proportion_; }
    void setKnobProportion(double proportion);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag);
    ScrollerPart hitPart() const { return hitPart_; }
    bool isVertical() const { return frame().height() >= frame().width(); }

    Ref<Object> target() const { return target_.lock(); }
    void setTarget(Object* target) { target_ = target; }
    Selector action() const { return action_; }
    void setAction(Selector action) { action_ = action; }

    // Geometry and drawing hooks, in this view's coordinates (flipped).
    virtual Rect rectForPart(ScrollerPart part) const;
    // `point` in window base coordinates.
    virtual ScrollerPart testPart(Point point) const;
    virtual void drawKnobSlotInRectHighlight(Rect slotRect, bool highlight);
    virtual void drawArrowHighlight(ScrollerArrow arrow, bool highlight);
    virtual void drawKnob();

    // kit::View:
    bool isFlipped() const override { return true; }
    void drawRect(Rect dirty) override;
    void mouseDown(const Event& event) override;

private:
    void trackKnob(const Event& down);
    void trackRepeating(const Event& down);
    void sendAction();
    double knobTravelPosition(double value) const;

    double value_ = 0;
    double proportion_ = 0;
    bool enabled_ = true;
    ScrollerPart hitPart_ = ScrollerNoPart;
    Weak<Object> target_;
    Selector action_;
};

} // namespace kit
