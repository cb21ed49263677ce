#include "kit/controls/LevelIndicator.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"

#include <QApplication>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(LevelIndicatorCell, RangedValueCell) { c.copyable(); }
KIT_REGISTER_CLASS(LevelIndicator, RangedValueControl) { }

LevelIndicatorCell::LevelIndicatorCell()
    : LevelIndicatorCell(RatingLevelIndicatorStyle)
{ }

LevelIndicatorCell::LevelIndicatorCell(LevelIndicatorStyle style)
    : RangedValueCell(0, 5)
    , style_(style)
{ }

void LevelIndicatorCell::copyTo(Object& copy) const
{
    RangedValueCell::copyTo(copy);
    static_cast<LevelIndicatorCell&>(copy).style_ = style_;
}

void LevelIndicatorCell::encodeWithCoder(Coder& coder) const
{
    RangedValueCell::encodeWithCoder(coder);
    coder.encodeIntegerForKey(style_, QStringLiteral("kit.levelIndicatorStyle"));
}

void LevelIndicatorCell::initWithCoder(Coder& coder)
{
    RangedValueCell::initWithCoder(coder);
    // A style outside the known ones, as an edited file may hold, keeps the default.
    if (coder.containsValueForKey(QStringLiteral("kit.levelIndicatorStyle"))) {
        const std::int64_t style = coder.decodeIntegerForKey(QStringLiteral("kit.levelIndicatorStyle"));
        if (style >= RelevancyLevelIndicatorStyle && style <= RatingLevelIndicatorStyle)
            style_ = LevelIndicatorStyle(style);
    }
}

void LevelIndicatorCell::setLevelIndicatorStyle(LevelIndicatorStyle style)
{
    style_ = style;
    changed();
}

void LevelIndicatorCell::step(bool up) { setDoubleValue(doubleValue() + (up ? 1 : -1)); }

Rect LevelIndicatorCell::starRect(std::int64_t index, Rect frame) const
{
    // Square stars as tall as the frame, side by side from the left edge.
    const double side = frame.height();
    return MakeRect(frame.minX() + double(index) * side, frame.minY(), side, side);
}

double LevelIndicatorCell::valueAtPoint(Point p, Rect frame) const
{
    const double side = frame.height();
    if (side <= 0 || p.x < frame.minX())
        return minValue();
    const double star = std::floor((p.x - frame.minX()) / side) + 1;
    return clampedValue(star);
}

Size LevelIndicatorCell::cellSizeForBounds(Rect bounds) const
{
    const double side = std::max(13.0, std::min(bounds.height(), 16.0));
    return { side * std::max(0.0, maxValue()), side };
}

void LevelIndicatorCell::drawWithFrameInView(Rect cellFrame, View* view)
{
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    UprightPainter up(painter, cellFrame, view && view->isFlipped());
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette palette = QApplication::palette();
    const QColor on = palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    QColor off = on;
    off.setAlphaF(0.35);
    const std::int64_t count = std::int64_t(std::ceil(maxValue()));
    const double value = doubleValue();
    for (std::int64_t i = 0; i < count; ++i) {
        const QRectF box = up.map(starRect(i, cellFrame)).adjusted(1.5, 1.5, -1.5, -1.5);
        if (i < value) {
            QPainterPath star;
            const QPointF c = box.center();
            const double outer = std::min(box.width(), box.height()) / 2, inner = outer * 0.45;
            for (int k = 0; k < 10; ++k) {
                const double a = M_PI * k / 5 - M_PI / 2;
                const double r = k % 2 ? inner : outer;
                const QPointF pt = c + QPointF(std::cos(a) * r, std::sin(a) * r);
                if (k == 0)
                    star.moveTo(pt);
                else
                    star.lineTo(pt);
            }
            star.closeSubpath();
            painter->fillPath(star, on);
        } else if (isEditable()) {
            // Empty places show as dots, so the user sees where to click.
            painter->setBrush(off);
            painter->setPen(Qt::NoPen);
            painter->drawEllipse(box.center(), 1.5, 1.5);
        }
    }
    if (ShowsFocusRing(view, focusRingType()))
        DrawFocusRing(*painter, view, up.map(cellFrame));
}

LevelIndicator::LevelIndicator(Rect frame)
    : LevelIndicator(frame, cellClass()())
{ }

LevelIndicator::LevelIndicator(Rect frame, Ref<Cell> cell)
    : RangedValueControl(frame, std::move(cell))
{ }

void LevelIndicator::mouseDown(const Event& event)
{
    LevelIndicatorCell* c = levelCell();
    if (!isEnabled() || !c || !c->isEditable())
        return;
    const Ref<LevelIndicator> keep(this);
    const Ref<Cell> keepCell(c);
    const auto apply = [&](const Event& e) {
        c->setDoubleValue(c->valueAtPoint(convertPointFromView(e.locationInWindow(), nullptr), bounds()));
        setNeedsDisplay(true);
    };
    apply(event);
    const Ref<Application> app = Application::sharedApplication();
    for (;;) {
        const Ref<Event> e = app->nextEventMatchingMaskUntilDateInModeDequeue(
            LeftMouseUpMask | LeftMouseDraggedMask, DistantFuture, EventTrackingRunLoopMode, true);
        if (!e)
            return;
        apply(*e);
        if (e->type() == LeftMouseUp) {
            sendAction();
            return;
        }
    }
}

void LevelIndicator::keyDown(const Event& event)
{
    LevelIndicatorCell* c = levelCell();
    const QString chars = event.charactersIgnoringModifiers();
    if (isEnabled() && c && c->isEditable() && chars.size() == 1
        && (chars.at(0).unicode() == LeftArrowFunctionKey || chars.at(0).unicode() == RightArrowFunctionKey)) {
        c->step(chars.at(0).unicode() == RightArrowFunctionKey);
        setNeedsDisplay(true);
        sendAction();
        return;
    }
    Control::keyDown(event);
}

} // namespace kit
