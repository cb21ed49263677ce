#include "kit/controls/Stepper.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionSpinBox>

#include <algorithm>
#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(StepperCell, RangedValueCell) { c.copyable(); }
KIT_REGISTER_CLASS(Stepper, RangedValueControl) { }

StepperCell::StepperCell()
    : RangedValueCell(0, 59)
{
    // Every step sends; a release adds nothing.
    sendActionOn(LeftMouseDownMask | PeriodicMask);
}

void StepperCell::copyTo(Object& copy) const
{
    RangedValueCell::copyTo(copy);
    auto& c = static_cast<StepperCell&>(copy);
    c.st_ = st_;
    c.st_.pressed = 0;
}

void StepperCell::encodeWithCoder(Coder& coder) const
{
    RangedValueCell::encodeWithCoder(coder);
    coder.encodeDoubleForKey(st_.increment, QStringLiteral("kit.increment"));
    coder.encodeBoolForKey(st_.wraps, QStringLiteral("kit.valueWraps"));
    coder.encodeBoolForKey(st_.autorepeat, QStringLiteral("kit.autorepeat"));
}

void StepperCell::initWithCoder(Coder& coder)
{
    RangedValueCell::initWithCoder(coder);
    if (coder.containsValueForKey(QStringLiteral("kit.increment")))
        st_.increment = coder.decodeDoubleForKey(QStringLiteral("kit.increment"));
    if (coder.containsValueForKey(QStringLiteral("kit.valueWraps")))
        st_.wraps = coder.decodeBoolForKey(QStringLiteral("kit.valueWraps"));
    if (coder.containsValueForKey(QStringLiteral("kit.autorepeat")))
        st_.autorepeat = coder.decodeBoolForKey(QStringLiteral("kit.autorepeat"));
}

void StepperCell::step(bool up)
{
    const double value = doubleValue();
    double next = up ? value + st_.increment : value - st_.increment;
    if (next > maxValue())
        next = st_.wraps ? minValue() : maxValue();
    else if (next < minValue())
        next = st_.wraps ? maxValue() : minValue();
    setDoubleValue(next);
}

void StepperCell::getPeriodicDelayInterval(double& delay, double& interval) const
{
    delay = 0.5;
    interval = 0.1;
}

namespace {

// A frameless spin box of `height` that only shows its arrows, and where the style puts them: the
// union of the up and down rectangles in the option's coordinates. The box is wide enough to hold
// them whatever room the style leaves for a field.
QStyleOptionSpinBox arrowsOption(View* view, int height, bool enabled, bool focusRing, QRect* arrows)
{
    QStyleOptionSpinBox option;
    InitStyleOption(option, view, QRectF(0, 0, 4 * height + 40, height), enabled, focusRing);
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.frame = false;
    option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
    option.stepEnabled = enabled ? (QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled) : QAbstractSpinBox::StepNone;
    QStyle* style = QApplication::style();
    *arrows = style->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp)
        | style->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxDown);
    return option;
}

} // namespace

Size StepperCell::cellSizeForBounds(Rect) const
{
    // As tall as the style makes a framed spin box for a line of the cell's font, as wide as its arrows.
    QStyleOptionSpinBox option;
    InitStyleOption(option, controlView().get(), QRectF(), isEnabled(), false);
    option.frame = true;
    const QSize box = QApplication::style()->sizeFromContents(QStyle::CT_SpinBox, &option, QSize(0, int(TextSize("9", font()).height)));
    QRect arrows;
    arrowsOption(controlView().get(), box.height(), isEnabled(), false, &arrows);
    return { double(arrows.width()), double(arrows.height()) };
}

namespace {
// Whether `p` is on the visually upper arrow of `frame`.
bool upperHalf(Point p, Rect frame, bool flipped) { return flipped ? p.y < frame.midY() : p.y >= frame.midY(); }
} // namespace

void StepperCell::drawWithFrameInView(Rect cellFrame, View* view)
{
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    UprightPainter up(painter, cellFrame, view && view->isFlipped());
    // Two framed buttons, one over the other: the halves the hit test tells apart.
    const QRectF target = up.map(cellFrame);
    QStyle* style = QApplication::style();
    const double half = target.height() / 2;
    for (const bool upper : { true, false }) {
        const QRectF rect(target.x(), upper ? target.y() : target.y() + half, target.width(), half);
        QStyleOptionButton button;
        InitStyleOption(button, view, rect, isEnabled(), false);
        button.state |= st_.pressed == (upper ? 1 : -1) ? QStyle::State_Sunken : QStyle::State_Raised;
        style->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, painter);
        QStyleOption arrow = button;
        arrow.rect = button.rect.adjusted(2, 1, -2, -1);
        style->drawPrimitive(upper ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow, painter);
    }
    if (ShowsFocusRing(view, focusRingType()))
        DrawFocusRing(*painter, view, target);
}

bool StepperCell::trackMouseInRectOfViewUntilMouseUp(const Event& event, Rect frame, View* view, bool untilMouseUp)
{
    const Ref<StepperCell> keep(this);
    const Ref<View> keepView(view);
    const Ref<Application> app = Application::sharedApplication();
    const bool flipped = view && view->isFlipped();
    const auto local
        = [view](const Event& e) { return view ? view->convertPointFromView(e.locationInWindow(), nullptr) : e.locationInWindow(); };
    const auto inside = [view, frame](Point p) { return view ? view->mouseInRect(p, frame) : MouseInRect(p, frame, false); };

    Point last = local(event);
    const bool up = upperHalf(last, frame, flipped);
    st_.pressed = up ? 1 : -1;
    changed();
    // A drag is the pointer coming back during the same press: only the press itself steps at
    // once; coming back resumes repeating, after the usual delay.
    const bool resuming = event.type() == LeftMouseDragged;
    if (!resuming) {
        step(up);
        sendActionFromCell();
    }
    double delay = 0, interval = 0;
    getPeriodicDelayInterval(delay, interval);
    double due = st_.autorepeat ? app->now() + delay : DistantFuture;
    const auto finish = [this](bool answer) {
        st_.pressed = 0;
        changed();
        return answer;
    };
    for (;;) {
        const Ref<Event> e
            = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseUpMask | LeftMouseDraggedMask, due, EventTrackingRunLoopMode, true);
        if (!e) {
            if (!(app->now() >= due))
                return finish(false);
            // Repeats only while the pointer stays on the pressed arrow.
            if (inside(last) && upperHalf(last, frame, flipped) == up) {
                step(up);
                sendActionFromCell();
            }
            while (due <= app->now())
                due += interval;
            continue;
        }
        last = local(*e);
        if (e->type() == LeftMouseDragged) {
            if (!untilMouseUp && !inside(last))
                return finish(false);
            continue;
        }
        return finish(untilMouseUp || inside(last));
    }
}

Stepper::Stepper(Rect frame)
    : Stepper(frame, cellClass()())
{ }

Stepper::Stepper(Rect frame, Ref<Cell> cell)
    : RangedValueControl(frame, std::move(cell))
{ }

void Stepper::keyDown(const Event& event)
{
    const QString chars = event.charactersIgnoringModifiers();
    if (isEnabled() && chars.size() == 1
        && (chars.at(0).unicode() == UpArrowFunctionKey || chars.at(0).unicode() == DownArrowFunctionKey)) {
        stepperCell()->step(chars.at(0).unicode() == UpArrowFunctionKey);
        sendAction();
        return;
    }
    Control::keyDown(event);
}

} // namespace kit
