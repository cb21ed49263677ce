#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowScroller.h"

#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

using namespace kit;

namespace JVLCoverFlowScrollerDrawing {

// One column of the colour table: the key window's, a window not key, an arrow being pressed.
struct Palette {
    Ref<Gradient> body;
    Ref<Gradient> gloss;
    Ref<Color> outline;
    Ref<Color> slotFill;
    Ref<Color> slotOutline;
    Ref<Color> slotShadow;
};

enum class Column { Key, NotKey, Pressed };

Ref<Color> grey(double white, double alpha) { return Color::colorWithCalibratedWhiteAlpha(white, alpha); }

Palette makePalette(Column column)
{
    Palette p;
    const bool pressed = column == Column::Pressed, key = column != Column::NotKey;
    p.body = pressed ? Gradient::gradientWithStartingColorEndingColor(grey(0.8, 1), grey(0.4, 1))
                     : Gradient::gradientWithStartingColorEndingColor(grey(0.1, 1), grey(0, 1));
    p.gloss = Gradient::gradientWithStartingColorEndingColor(grey(1, 0.3), grey(1, key ? 0.1 : 0.0));
    p.outline = grey(1, pressed ? 1.0 : key ? 0.5 : 0.3);
    p.slotFill = grey(1, key ? 0.3 : 0.2);
    p.slotOutline = grey(1, key ? 0.5 : 0.3);
    p.slotShadow = grey(0, 0.2);
    return p;
}

// Made once per process and only read afterwards.
const Palette& palette(Column column)
{
    static const Palette key = makePalette(Column::Key);
    static const Palette notKey = makePalette(Column::NotKey);
    static const Palette pressed = makePalette(Column::Pressed);
    switch (column) {
    case Column::Key:
        return key;
    case Column::NotKey:
        return notKey;
    case Column::Pressed:
        break;
    }
    return pressed;
}

// Body, gloss and outline of a button shape, as arrows and knob share them.
void drawButton(const BezierPath& outline, Rect gloss, const Palette& p)
{
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    outline.addClip();
    p.body->drawInBezierPathAngle(outline, 90);
    p.gloss->drawInBezierPathAngle(*BezierPath::bezierPathWithRoundedRectXRadiusYRadius(gloss, 8, 4), 90);
    const Ref<Object> copied = outline.copy();
    if (const auto stroked = dynamic_pointer_cast<BezierPath>(copied)) {
        stroked->setLineWidth(2);
        p.outline->setStroke();
        stroked->stroke();
    }
    context->restoreGraphicsState();
}

} // namespace JVLCoverFlowScrollerDrawing

void JVLCoverFlowScroller::setNumberOfIncrements(std::uint64_t n)
{
    numberOfIncrements_ = n;
    setKnobProportion(n == 0 ? 1.0 : 1.0 / (double(n) + 1.0));
    setNeedsDisplay(true);
}

std::int64_t JVLCoverFlowScroller::integerValue() const
{
    const float step = std::floor(float(floatValue()) * float(numberOfIncrements_));
    // No steps make 0/0 upstream; a NaN must never become an integer.
    return std::isfinite(step) ? std::int64_t(step) : 0;
}

void JVLCoverFlowScroller::setIntegerValue(std::int64_t v)
{
    const double n = double(numberOfIncrements_);
    const float quotient = float(v) / float(n);
    // Never more than half a step past v: from 100 steps on, 0.01 would land on v + 1.
    const double past = std::min(0.01, 0.5 / n);
    setFloatValue(double(float(double(quotient) + past)));
}

Rect JVLCoverFlowScroller::rectForPart(ScrollerPart part) const
{
    const double W = frame().width(), H = frame().height();
    const Rect slot = MakeRect(15, H - 16, W - 30, 16);
    switch (part) {
    case ScrollerKnobSlot:
        return slot;
    case ScrollerDecrementLine:
        return MakeRect(0, slot.minY(), 30, slot.height());
    case ScrollerIncrementLine:
        return MakeRect(W - 30, slot.minY(), 30, slot.height());
    case ScrollerKnob: {
        if (numberOfIncrements_ == 0)
            return ZeroRect; // no steps: the knob has no place
        const float track = float(W - (30 - 9) - (30 - 9));
        const double product = knobProportion() * double(track);
        const double knob = std::isnan(product) ? 30.0 : std::max(30.0, product);
        const float step = float((double(track) - knob) / double(numberOfIncrements_));
        const float x = float(30 - 9) + float(integerValue()) * step;
        return MakeRect(x, slot.minY(), knob, slot.height());
    }
    default:
        return ZeroRect;
    }
}

kit::Ref<kit::BezierPath> JVLCoverFlowScroller::leftArrowPath() const
{
    const Rect r = rectForPart(ScrollerDecrementLine);
    const double x = r.minX(), y = r.minY(), w = r.width(), h = r.height(), m = y + h / 2, radius = h / 2;
    auto path = BezierPath::bezierPath();
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(MakePoint(x + 8, m), radius, 90, 270);
    path->lineToPoint(MakePoint(x + w, y));
    path->lineToPoint(MakePoint(x + w, y + h));
    path->moveToPoint(MakePoint(x + w, y));
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(MakePoint(x + w, m), radius, 90, 270);
    path->moveToPoint(MakePoint(x + w, y + h));
    path->lineToPoint(MakePoint(x + 8, y + h));
    path->setWindingRule(EvenOddWindingRule);
    path->closePath();
    return path;
}

kit::Ref<kit::BezierPath> JVLCoverFlowScroller::rightArrowPath() const
{
    const Rect r = rectForPart(ScrollerIncrementLine);
    const double x = r.minX(), y = r.minY(), w = r.width(), h = r.height(), m = y + h / 2, radius = h / 2;
    auto path = BezierPath::bezierPath();
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(MakePoint(x + w - 8, m), radius, -90, 90);
    path->lineToPoint(MakePoint(x, y + h));
    path->lineToPoint(MakePoint(x, y));
    path->moveToPoint(MakePoint(x, y + h));
    path->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(MakePoint(x, m), radius, 270, 90);
    path->moveToPoint(MakePoint(x, y));
    path->lineToPoint(MakePoint(x + w - 8, y));
    path->setWindingRule(EvenOddWindingRule);
    path->closePath();
    return path;
}

ScrollerPart JVLCoverFlowScroller::testPart(Point point) const
{
    const Point p = convertPointFromView(point, nullptr);
    if (leftArrowPath()->containsPoint(p))
        return ScrollerDecrementLine;
    if (rightArrowPath()->containsPoint(p))
        return ScrollerIncrementLine;
    const Rect knob = rectForPart(ScrollerKnob);
    if (knob.width() > 0 && knob.height() > 0 && mouseInRect(p, knob))
        return ScrollerKnob;
    return ScrollerNoPart;
}

void JVLCoverFlowScroller::drawKnobSlotInRectHighlight(Rect slot, bool)
{
    using namespace JVLCoverFlowScrollerDrawing;
    const Ref<Window> w = window();
    const Palette& p = palette(w && w->isKeyWindow() ? Column::Key : Column::NotKey);
    auto path = BezierPath::bezierPathWithRect(InsetRect(slot, 0.5, 0.5));
    p.slotFill->setFill();
    path->fill();
    path->setLineWidth(1);
    p.slotOutline->setStroke();
    path->stroke();
    p.slotShadow->setFill();
    BezierPath::fillRect(MakeRect(slot.minX(), slot.minY() + 1, slot.width(), 1));
}

void JVLCoverFlowScroller::drawArrowHighlight(ScrollerArrow arrow, bool highlight)
{
    using namespace JVLCoverFlowScrollerDrawing;
    if (arrow != ScrollerIncrementArrow && arrow != ScrollerDecrementArrow)
        return;
    const bool left = arrow == ScrollerDecrementArrow;
    const Rect r = rectForPart(left ? ScrollerDecrementLine : ScrollerIncrementLine);
    const double x = r.minX(), y = r.minY(), w = r.width(), h = r.height(), m = y + h / 2;
    const Ref<Window> win = window();
    const Palette& p = palette(highlight ? Column::Pressed : win && win->isKeyWindow() ? Column::Key : Column::NotKey);
    drawButton(*(left ? leftArrowPath() : rightArrowPath()), left ? MakeRect(x + 4, y, w + 20, h / 2) : MakeRect(x - 24, y, w + 20, h / 2), p);
    auto triangle = BezierPath::bezierPath();
    if (left) {
        triangle->moveToPoint(MakePoint(x + 9, m));
        triangle->lineToPoint(MakePoint(x + 15, y + 5));
        triangle->lineToPoint(MakePoint(x + 15, y + h - 5));
    } else {
        triangle->moveToPoint(MakePoint(x + w - 9, m));
        triangle->lineToPoint(MakePoint(x + w - 15, y + 5));
        triangle->lineToPoint(MakePoint(x + w - 15, y + h - 5));
    }
    triangle->closePath();
    p.outline->setFill();
    triangle->fill();
}

void JVLCoverFlowScroller::drawKnob()
{
    using namespace JVLCoverFlowScrollerDrawing;
    const Rect r = rectForPart(ScrollerKnob);
    if (!(r.width() > 0))
        return;
    const double x = r.minX(), y = r.minY(), w = r.width(), h = r.height(), m = y + h / 2;
    auto capsule = BezierPath::bezierPath();
    capsule->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(MakePoint(x + 8, m), h / 2, 90, 270);
    capsule->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(MakePoint(x + w - 8, m), h / 2, -90, 90);
    capsule->moveToPoint(MakePoint(x + 8, y + h));
    capsule->lineToPoint(MakePoint(x + w - 8, y + h));
    capsule->closePath();
    const Ref<Window> win = window();
    drawButton(*capsule, MakeRect(x + 4, y, w - 8, h / 2), palette(win && win->isKeyWindow() ? Column::Key : Column::NotKey));
}

void JVLCoverFlowScroller::drawRect(Rect)
{
    if (knobProportion() >= 1)
        return;
    drawKnobSlotInRectHighlight(rectForPart(ScrollerKnobSlot), false);
    drawArrowHighlight(ScrollerIncrementArrow, hitPart() == ScrollerIncrementLine);
    drawArrowHighlight(ScrollerDecrementArrow, hitPart() == ScrollerDecrementLine);
    drawKnob();
}

void JVLCoverFlowScroller::setNeedsDisplayInRect(Rect)
{
    Scroller::setNeedsDisplayInRect(bounds());
}

KIT_REGISTER_CLASS(JVLCoverFlowScroller, Scroller) { }
