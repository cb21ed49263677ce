#include "kit/appkit/Scroller.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/core/Value.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

double clamp01(double v) { return std::isnan(v) ? 0 : std::clamp(v, 0.0, 1.0); }

constexpr double minimumKnobLength = 16;
constexpr double initialRepeatDelay = 0.5;
constexpr double repeatInterval = 0.05;

} // namespace

void Scroller::setFloatValue(double value)
{
    value = clamp01(value);
    if (value == value_)
        return;
    value_ = value;
    setNeedsDisplay(true);
}

void Scroller::setKnobProportion(double proportion)
{
    proportion = clamp01(proportion);
    if (proportion == proportion_)
        return;
    proportion_ = proportion;
    setNeedsDisplay(true);
}

void Scroller::setEnabled(bool flag)
{
    if (flag == enabled_)
        return;
    enabled_ = flag;
    setNeedsDisplay(true);
}

Rect Scroller::rectForPart(ScrollerPart part) const
{
    const Rect b = bounds();
    const bool vertical = isVertical();
    const double length = vertical ? b.height() : b.width();
    const double thickness = vertical ? b.width() : b.height();
    const double arrow = std::min(thickness, length / 2);
    const double slotStart = arrow, slotLength = std::max(0.0, length - 2 * arrow);
    const double knobLength = std::min(slotLength, std::max(minimumKnobLength, slotLength * proportion_));
    const double knobStart = slotStart + (slotLength - knobLength) * value_;
    const bool knobShown = enabled_ && proportion_ > 0 && proportion_ < 1 && slotLength >= minimumKnobLength;
    // Along the scroller's axis: start and length; across: the full thickness.
    auto along = [&](double start, double len) {
        if (len <= 0)
            return ZeroRect;
        return vertical ? MakeRect(b.minX(), b.minY() + start, thickness, len) : MakeRect(b.minX() + start, b.minY(), len, thickness);
    };
    switch (part) {
    case ScrollerDecrementLine:
        return along(0, arrow);
    case ScrollerIncrementLine:
        return along(length - arrow, arrow);
    case ScrollerKnobSlot:
        return along(slotStart, slotLength);
    case ScrollerKnob:
        return knobShown ? along(knobStart, knobLength) : ZeroRect;
    case ScrollerDecrementPage:
        return knobShown ? along(slotStart, knobStart - slotStart) : ZeroRect;
    case ScrollerIncrementPage:
        return knobShown ? along(knobStart + knobLength, slotStart + slotLength - knobStart - knobLength) : ZeroRect;
    default:
        return ZeroRect;
    }
}

ScrollerPart Scroller::testPart(Point point) const
{
    const Point p = convertPointFromView(point, nullptr);
    for (ScrollerPart part : { ScrollerKnob, ScrollerDecrementLine, ScrollerIncrementLine, ScrollerDecrementPage, ScrollerIncrementPage }) {
        const Rect r = rectForPart(part);
        if (r.width() > 0 && r.height() > 0 && mouseInRect(p, r))
            return part;
    }
    return ScrollerNoPart;
}

void Scroller::drawKnobSlotInRectHighlight(Rect slot, bool)
{
    if (QPainter* p = currentPainter())
        p->fillRect(
            QRectF(slot.minX(), slot.minY(), slot.width(), slot.height()), QApplication::palette().color(QPalette::Window).darker(105));
}

void Scroller::drawArrowHighlight(ScrollerArrow arrow, bool highlight)
{
    QPainter* p = currentPainter();
    if (!p)
        return;
    const Rect r = rectForPart(arrow == ScrollerIncrementArrow ? ScrollerIncrementLine : ScrollerDecrementLine);
    if (r.width() <= 0)
        return;
    const QPalette palette = QApplication::palette();
    p->fillRect(QRectF(r.minX(), r.minY(), r.width(), r.height()), palette.color(highlight ? QPalette::Mid : QPalette::Button));
    // A small triangle pointing along the axis.
    const double cx = r.midX(), cy = r.midY(), s = std::min(r.width(), r.height()) / 4;
    const bool inc = arrow == ScrollerIncrementArrow;
    QPolygonF tri;
    if (isVertical())
        tri << QPointF(cx - s, cy + (inc ? -s / 2 : s / 2)) << QPointF(cx + s, cy + (inc ? -s / 2 : s / 2))
            << QPointF(cx, cy + (inc ? s : -s));
    else
        tri << QPointF(cx + (inc ? -s / 2 : s / 2), cy - s) << QPointF(cx + (inc ? -s / 2 : s / 2), cy + s)
            << QPointF(cx + (inc ? s : -s), cy);
    p->setPen(Qt::NoPen);
    p->setBrush(palette.color(enabled_ ? QPalette::ButtonText : QPalette::Mid));
    p->drawPolygon(tri);
}

void Scroller::drawKnob()
{
    const Rect k = rectForPart(ScrollerKnob);
    QPainter* p = currentPainter();
    if (!p || k.width() <= 0)
        return;
    p->setPen(Qt::NoPen);
    p->setBrush(QApplication::palette().color(hitPart_ == ScrollerKnob ? QPalette::Dark : QPalette::Mid));
    p->drawRoundedRect(QRectF(k.minX() + 2, k.minY() + 2, k.width() - 4, k.height() - 4), 3, 3);
}

void Scroller::drawRect(Rect)
{
    drawKnobSlotInRectHighlight(rectForPart(ScrollerKnobSlot), false);
    drawArrowHighlight(ScrollerDecrementArrow, hitPart_ == ScrollerDecrementLine);
    drawArrowHighlight(ScrollerIncrementArrow, hitPart_ == ScrollerIncrementLine);
    drawKnob();
}

void Scroller::sendAction()
{
    if (action_)
        Application::sharedApplication()->sendActionToFrom(action_, target_, this);
}

double Scroller::knobTravelPosition(double value) const
{
    // Where the knob starts at `value`, asked of the (possibly overridden) geometry.
    const double saved = value_;
    const_cast<Scroller*>(this)->value_ = value;
    const Rect r = rectForPart(ScrollerKnob);
    const_cast<Scroller*>(this)->value_ = saved;
    return isVertical() ? r.minY() : r.minX();
}

void Scroller::mouseDown(const Event& event)
{
    if (!enabled_)
        return;
    hitPart_ = testPart(event.locationInWindow());
    if (hitPart_ == ScrollerNoPart)
        return;
    setNeedsDisplay(true);
    if (hitPart_ == ScrollerKnob)
        trackKnob(event);
    else
        trackRepeating(event);
    hitPart_ = ScrollerNoPart;
    setNeedsDisplay(true);
}

void Scroller::trackKnob(const Event& down)
{
    const Ref<Window> w = window();
    const double start = knobTravelPosition(0), end = knobTravelPosition(1);
    const Point origin = convertPointFromView(down.locationInWindow(), nullptr);
    const double startValue = value_;
    const double offset = isVertical() ? origin.y : origin.x;
    while (w) {
        const Ref<Event> e = w->nextEventMatchingMaskUntilDateInModeDequeue(
            LeftMouseDraggedMask | LeftMouseUpMask, DistantFuture, EventTrackingRunLoopMode, true);
        if (!e || e->type() == LeftMouseUp)
            break;
        if (end == start)
            continue;
        const Point p = convertPointFromView(e->locationInWindow(), nullptr);
        const double moved = (isVertical() ? p.y : p.x) - offset;
        const double value = clamp01(startValue + moved / (end - start));
        if (value != value_) {
            setFloatValue(value);
            sendAction();
        }
    }
}

void Scroller::trackRepeating(const Event& down)
{
    const Ref<Window> w = window();
    const ScrollerPart part = hitPart_;
    const Rect partRect = rectForPart(part);
    if (partRect.width() <= 0 || partRect.height() <= 0) {
        hitPart_ = ScrollerNoPart;
        return;
    }
    // At once, then after the initial delay, then at the repeat interval while the pointer stays on the part.
    sendAction();
    double next = Application::now() + initialRepeatDelay;
    bool over = true;
    (void)down;
    while (w) {
        const Ref<Event> e
            = w->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseDraggedMask | LeftMouseUpMask, next, EventTrackingRunLoopMode, true);
        if (e && e->type() == LeftMouseUp)
            break;
        if (e) {
            over = testPart(e->locationInWindow()) == part;
            hitPart_ = over ? part : ScrollerNoPart;
            continue;
        }
        if (over) {
            hitPart_ = part;
            sendAction();
        }
        next = Application::now() + repeatInterval;
    }
}

KIT_REGISTER_CLASS(Scroller, View) { }

} // namespace kit
