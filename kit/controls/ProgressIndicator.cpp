#include "kit/controls/ProgressIndicator.h"

#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(ProgressIndicator, View)
{
    c.property("doubleValue", &ProgressIndicator::doubleValue, &ProgressIndicator::setDoubleValue);
    c.property("animate", &ProgressIndicator::isAnimating, &ProgressIndicator::setAnimate);
    c.exposeBinding("animate");
}

namespace {
// Twelve spokes; one step per tick.
constexpr int Spokes = 12;
constexpr double TickInterval = 1.0 / 12;
} // namespace

ProgressIndicator::ProgressIndicator(Rect frame)
    : View(frame)
{ }

ProgressIndicator::~ProgressIndicator()
{
    if (timer_)
        timer_->invalidate();
}

void ProgressIndicator::setStyle(ProgressIndicatorStyle style)
{
    style_ = style;
    setNeedsDisplay(true);
}

void ProgressIndicator::setIndeterminate(bool flag)
{
    indeterminate_ = flag;
    setNeedsDisplay(true);
}

void ProgressIndicator::setMinValue(double value)
{
    min_ = value;
    setNeedsDisplay(true);
}

void ProgressIndicator::setMaxValue(double value)
{
    max_ = value;
    setNeedsDisplay(true);
}

void ProgressIndicator::setDoubleValue(double value)
{
    value_ = value;
    setNeedsDisplay(true);
    accessibilityValueChanged();
}

void ProgressIndicator::setDisplayedWhenStopped(bool flag)
{
    displayedWhenStopped_ = flag;
    setNeedsDisplay(true);
}

void ProgressIndicator::startAnimation(Object*)
{
    if (timer_)
        return;
    const Weak<ProgressIndicator> self(this);
    timer_ = Timer::timerWithTimeIntervalRepeatsBlock(TickInterval, true, [self](Timer* t) {
        if (const Ref<ProgressIndicator> p = self.lock())
            p->tick();
        else
            t->invalidate();
    });
    RunLoop::main().addTimerForMode(timer_, RunLoopCommonModes);
    setNeedsDisplay(true);
}

void ProgressIndicator::stopAnimation(Object*)
{
    if (!timer_)
        return;
    timer_->invalidate();
    timer_ = nullptr;
    setNeedsDisplay(true);
}

void ProgressIndicator::tick()
{
    ++phase_;
    setNeedsDisplay(true);
}

void ProgressIndicator::sizeToFit()
{
    if (style_ == ProgressIndicatorSpinningStyle)
        setFrameSize(controlSize_ == RegularControlSize ? MakeSize(32, 32) : MakeSize(16, 16));
}

void ProgressIndicator::drawRect(Rect)
{
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    const Rect b = bounds();
    const QPalette palette = QApplication::palette();
    if (style_ == ProgressIndicatorSpinningStyle) {
        if (!timer_ && !displayedWhenStopped_)
            return;
        UprightPainter up(painter, b, true);
        const QRectF box = up.map(b);
        const double radius = std::min(box.width(), box.height()) / 2;
        const QPointF centre = box.center();
        painter->setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < Spokes; ++i) {
            // The spoke at the current phase is darkest; the trail fades behind it.
            const int age = ((phase_ - i) % Spokes + Spokes) % Spokes;
            QColor c = palette.color(QPalette::WindowText);
            c.setAlphaF(timer_ ? 1.0 - 0.75 * age / Spokes : 0.35);
            const double angle = 2 * M_PI * i / Spokes;
            const QPointF dir(std::sin(angle), -std::cos(angle));
            painter->setPen(QPen(c, std::max(1.5, radius / 5), Qt::SolidLine, Qt::RoundCap));
            painter->drawLine(centre + dir * radius * 0.45, centre + dir * radius * 0.9);
        }
        return;
    }
    UprightPainter up(painter, b, true);
    QStyleOptionProgressBar option;
    InitStyleOption(option, this, up.map(b), true, false);
    option.minimum = 0;
    option.maximum = 1000;
    option.textVisible = false;
    option.state |= QStyle::State_Horizontal;
    if (indeterminate_) {
        option.progress = 0;
        QApplication::style()->drawControl(QStyle::CE_ProgressBarGroove, &option, painter);
        if (!timer_)
            return;
        // A segment a quarter of the width long, moving one twelfth of the width per tick.
        const QRectF track = up.map(InsetRect(b, 2, 2));
        const double w = track.width() / 4;
        const double x = std::fmod(phase_ * track.width() / 12, track.width() + w) - w;
        painter->fillRect(QRectF(track.x() + x, track.y(), w, track.height()).intersected(track), palette.color(QPalette::Highlight));
        return;
    }
    const double span = max_ - min_;
    const double fraction = span > 0 ? std::clamp((value_ - min_) / span, 0.0, 1.0) : 0.0;
    option.progress = int(std::lround(fraction * 1000));
    QApplication::style()->drawControl(QStyle::CE_ProgressBar, &option, painter);
}

} // namespace kit
