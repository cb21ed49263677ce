#include "kit/controls/Slider.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/controls/CellDrawing.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(SliderCell, RangedValueCell) { c.copyable(); }
KIT_REGISTER_CLASS(Slider, RangedValueControl) { }

namespace {

// The style positions knobs on an integer scale; this many steps keep it finer than a pixel.
constexpr int sliderStyleSteps = 100000;

QStyleOptionSlider sliderStyleOption(View* view, const QRectF& rect, bool enabled, bool focusRing, double fraction)
{
    QStyleOptionSlider option;
    InitStyleOption(option, view, rect, enabled, focusRing);
    const bool vertical = rect.height() > rect.width();
    option.orientation = vertical ? Qt::Vertical : Qt::Horizontal;
    // The maximum at the top, as the style draws a vertical slider by default.
    option.upsideDown = vertical;
    option.minimum = 0;
    option.maximum = sliderStyleSteps;
    option.sliderPosition = option.sliderValue = int(std::lround(std::clamp(fraction, 0.0, 1.0) * sliderStyleSteps));
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    option.tickPosition = QSlider::NoTicks;
    return option;
}

} // namespace

SliderCell::SliderCell()
    : RangedValueCell(0, 1)
{
    setContinuous(true);
}

void SliderCell::copyTo(Object& copy) const
{
    RangedValueCell::copyTo(copy);
    auto& c = static_cast<SliderCell&>(copy);
    c.sl_ = sl_;
    c.sl_.pressed = false;
}

// The increment as set: 0 keeps following the range.
void SliderCell::encodeWithCoder(Coder& coder) const
{
    RangedValueCell::encodeWithCoder(coder);
    coder.encodeDoubleForKey(sl_.keyIncrement, QStringLiteral("kit.keyIncrement"));
}

void SliderCell::initWithCoder(Coder& coder)
{
    RangedValueCell::initWithCoder(coder);
    if (coder.containsValueForKey(QStringLiteral("kit.keyIncrement")))
        sl_.keyIncrement = coder.decodeDoubleForKey(QStringLiteral("kit.keyIncrement"));
}

double SliderCell::clampedValue(double value) const { return RangedValueCell::clampedValue(std::isnan(value) ? minValue() : value); }

double SliderCell::keyIncrement() const { return sl_.keyIncrement > 0 ? sl_.keyIncrement : (maxValue() - minValue()) / 20; }

void SliderCell::step(bool up) { setDoubleValue(doubleValue() + (up ? keyIncrement() : -keyIncrement())); }

double SliderCell::valueAtPoint(Point p, Rect frame, bool flipped) const
{
    const QStyleOptionSlider option
        = sliderStyleOption(controlView().get(), QRectF(0, 0, frame.width(), frame.height()), isEnabled(), false, 0);
    QStyle* style = QApplication::style();
    const QRect groove = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove);
    const QRect knob = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle);
    // The knob's centre travels from half a knob into the groove to half a knob before its end.
    double fraction = 0;
    if (isVerticalFrame(frame)) {
        const double fromTop = flipped ? p.y - frame.minY() : frame.maxY() - p.y;
        const double travel = groove.height() - knob.height();
        fraction = travel > 0 ? 1 - (fromTop - groove.y() - knob.height() / 2.0) / travel : 0;
    } else {
        const double travel = groove.width() - knob.width();
        fraction = travel > 0 ? (p.x - frame.minX() - groove.x() - knob.width() / 2.0) / travel : 0;
    }
    return minValue() + std::clamp(fraction, 0.0, 1.0) * (maxValue() - minValue());
}

Size SliderCell::cellSizeForBounds(Rect bounds) const
{
    QStyle* style = QApplication::style();
    const QStyleOptionSlider option = sliderStyleOption(controlView().get(), QRectF(0, 0, 100, 20), isEnabled(), false, 0);
    const int thickness = style->pixelMetric(QStyle::PM_SliderThickness, &option);
    const QSize size = style->sizeFromContents(QStyle::CT_Slider, &option, QSize(int(std::max(0.0, bounds.width())), thickness));
    return { bounds.width(), double(size.height()) };
}

void SliderCell::drawWithFrameInView(Rect cellFrame, View* view)
{
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    UprightPainter up(painter, cellFrame, view && view->isFlipped());
    const double span = maxValue() - minValue();
    QStyleOptionSlider option = sliderStyleOption(view, up.map(cellFrame), isEnabled(), ShowsFocusRing(view, focusRingType()),
        span > 0 ? (doubleValue() - minValue()) / span : 0);
    if (sl_.pressed) {
        option.activeSubControls = QStyle::SC_SliderHandle;
        option.state |= QStyle::State_Sunken;
    }
    QApplication::style()->drawComplexControl(QStyle::CC_Slider, &option, painter);
}

Slider::Slider(Rect frame)
    : Slider(frame, cellClass()())
{ }

Slider::Slider(Rect frame, Ref<Cell> cell)
    : RangedValueControl(frame, std::move(cell))
{ }

void Slider::mouseDown(const Event& event)
{
    SliderCell* c = sliderCell();
    if (!isEnabled() || !c)
        return;
    const Ref<Slider> keep(this);
    const Ref<Cell> keepCell(c);
    const bool continuous = c->isContinuous();
    double sent = c->doubleValue();
    const auto follow = [&](const Event& e) {
        c->setDoubleValue(c->valueAtPoint(convertPointFromView(e.locationInWindow(), nullptr), bounds(), isFlipped()));
        setNeedsDisplay(true);
        if (continuous && c->doubleValue() != sent) {
            sent = c->doubleValue();
            sendAction();
        }
    };
    c->sl_.pressed = true;
    follow(event);
    const Ref<Application> app = Application::sharedApplication();
    for (;;) {
        const Ref<Event> e = app->nextEventMatchingMaskUntilDateInModeDequeue(
            LeftMouseUpMask | LeftMouseDraggedMask, DistantFuture, EventTrackingRunLoopMode, true);
        if (!e)
            break;
        follow(*e);
        if (e->type() == LeftMouseUp)
            break;
    }
    c->sl_.pressed = false;
    setNeedsDisplay(true);
    if (!continuous)
        sendAction();
}

void Slider::keyDown(const Event& event)
{
    SliderCell* c = sliderCell();
    const QString chars = event.charactersIgnoringModifiers();
    if (isEnabled() && c && chars.size() == 1) {
        const char16_t key = chars.at(0).unicode();
        const bool up = key == UpArrowFunctionKey || key == RightArrowFunctionKey;
        if (up || key == DownArrowFunctionKey || key == LeftArrowFunctionKey) {
            c->step(up);
            setNeedsDisplay(true);
            sendAction();
            return;
        }
    }
    Control::keyDown(event);
}

} // namespace kit
