#include "KSSpinningProgressIndicator/KSSpinningProgressIndicator.h"

#include "kit/foundation/RunLoop.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

constexpr double frameInterval = 0.05;
const char* const nonSpinningStyles = "Non-spinning styles not available.";

} // namespace

std::int64_t KSSpinningProgressIndicator::SharedState::step()
{
    std::int64_t p = position.load(std::memory_order_relaxed);
    const std::int64_t next = p == 0 ? numFins - 1 : p - 1;
    position.store(next, std::memory_order_relaxed);
    return next;
}

KSSpinningProgressIndicator::KSSpinningProgressIndicator()
    : KSSpinningProgressIndicator(kit::ZeroRect)
{ }

KSSpinningProgressIndicator::KSSpinningProgressIndicator(kit::Rect frame)
    : kit::View(frame)
{ }

KSSpinningProgressIndicator::~KSSpinningProgressIndicator()
{
    // The thread sleeps on the kit clock and wakes on cancel, so the join is prompt.
    if (animationThread_) {
        animationThread_->cancel();
        animationThread_->join();
    }
    if (animationTimer_)
        animationTimer_->invalidate();
}

void KSSpinningProgressIndicator::startAnimation(kit::Object*)
{
    if (!isIndeterminate_ || isAnimating_)
        return;
    if (!displayWhenStopped_)
        setHidden(false);
    actuallyStartAnimation();
    isAnimating_ = true;
}

void KSSpinningProgressIndicator::stopAnimation(kit::Object*)
{
    actuallyStopAnimation();
    isAnimating_ = false;
    if (!displayWhenStopped_)
        setHidden(true);
}

void KSSpinningProgressIndicator::actuallyStartAnimation()
{
    actuallyStopAnimation();
    if (!window())
        return;
    if (!usesThreadedAnimation_) {
        animationTimer_ = kit::Timer::timerWithTimeIntervalTargetSelectorUserInfoRepeats(
            frameInterval, this, &KSSpinningProgressIndicator::updateFrame, {}, true);
        kit::RunLoop& loop = kit::RunLoop::main();
        loop.addTimerForMode(animationTimer_, kit::RunLoopCommonModes);
        loop.addTimerForMode(animationTimer_, kit::DefaultRunLoopMode);
        loop.addTimerForMode(animationTimer_, kit::EventTrackingRunLoopMode);
        return;
    }
    // Views belong to the main thread: the thread turns the fins and asks the main thread to draw.
    auto state = state_;
    kit::Weak<KSSpinningProgressIndicator> self(kit::Ref<KSSpinningProgressIndicator>(this));
    animationThread_ = kit::make<kit::Thread>([state, self] {
        kit::Thread* thread = kit::Thread::currentThread();
        while (!thread->isCancelled()) {
            state->step();
            kit::RunLoop::main().enqueueMainBlock([self] {
                if (const auto view = self.lock())
                    view->display();
            });
            kit::Thread::sleepForTimeInterval(0.6 / double(state->numFins));
        }
    });
    animationThread_->start();
}

void KSSpinningProgressIndicator::actuallyStopAnimation()
{
    if (animationThread_) {
        animationThread_->cancel();
        animationThread_->join();
        animationThread_ = nullptr;
    } else if (animationTimer_) {
        animationTimer_->invalidate();
        animationTimer_ = nullptr;
    }
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::viewDidMoveToWindow()
{
    if (!window())
        actuallyStopAnimation();
    else if (isAnimating_)
        actuallyStartAnimation();
}

void KSSpinningProgressIndicator::updateFrame(kit::Timer*)
{
    state_->step();
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::setStyle(int style)
{
    if (style != SpinningStyle)
        throw std::logic_error(nonSpinningStyles);
}

void KSSpinningProgressIndicator::setColor(const QColor& colour)
{
    if (colour == foreColor_)
        return;
    foreColor_ = colour;
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::setBackgroundColor(std::optional<QColor> colour)
{
    if (colour == backColor_)
        return;
    backColor_ = colour;
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::setDrawsBackground(bool flag)
{
    drawBackground_ = flag;
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::setIndeterminate(bool flag)
{
    isIndeterminate_ = flag;
    if (!flag && isAnimating_)
        stopAnimation();
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::setDoubleValue(double value)
{
    if (isIndeterminate_)
        setIndeterminate(false);
    currentValue_ = value;
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::setMaxValue(double value)
{
    maxValue_ = value;
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::setUsesThreadedAnimation(bool flag)
{
    if (flag == usesThreadedAnimation_)
        return;
    usesThreadedAnimation_ = flag;
    if (isAnimating_) {
        stopAnimation();
        startAnimation();
    }
}

void KSSpinningProgressIndicator::setDisplayedWhenStopped(bool flag)
{
    displayWhenStopped_ = flag;
    if (isAnimating_)
        return;
    if (flag && isHidden())
        setHidden(false);
    else if (!flag && !isHidden())
        setHidden(true);
}

void KSSpinningProgressIndicator::drawRect(kit::Rect)
{
    QPainter* painter = kit::View::currentPainter();
    if (!painter)
        return;
    const kit::Rect b = bounds();
    const double size = std::min(b.size.width, b.size.height);
    if (drawBackground_ && backColor_)
        painter->fillRect(QRectF(b.origin.x, b.origin.y, b.size.width, b.size.height), *backColor_);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // The painter is in view coordinates, y up, so a positive turn is anticlockwise as on screen.
    painter->translate(b.origin.x + b.size.width / 2, b.origin.y + b.size.height / 2);
    if (isIndeterminate_) {
        const std::int64_t fins = state_->numFins;
        painter->rotate(double(position()) * 6.28318 / double(fins) * 180.0 / M_PI);
        QPen pen;
        pen.setWidthF(size * 0.0859375);
        pen.setCapStyle(Qt::RoundCap);
        const QLineF fin(0, size * 0.234375, 0, size * 0.421875);
        double alpha = 1.0;
        for (std::int64_t i = 0; i < fins; ++i) {
            QColor c = foreColor_;
            c.setAlphaF(float(isAnimating_ ? std::max(0.0, alpha) : 0.2));
            pen.setColor(c);
            painter->setPen(pen);
            painter->drawLine(fin);
            painter->rotate(6.282185 / double(fins) * 180.0 / M_PI);
            alpha -= 1.0 / double(fins);
        }
    } else {
        const double w = size * 0.01 + 1.0;
        const double r = (size - w) / 2.1;
        QColor c = foreColor_;
        c.setAlphaF(1.0f);
        painter->setPen(QPen(c, w));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(QPointF(0, 0), r, r);
        // No maximum means nothing done yet: an empty pie rather than a division by zero.
        if (maxValue_ > 0) {
            const double sweep = 360.0 * std::clamp(currentValue_ / maxValue_, 0.0, 1.0);
            QPainterPath pie;
            pie.moveTo(0, 0);
            // Qt measures angles against a y-down axis; in these y-up coordinates its -90 is the top
            // and a positive sweep runs clockwise on screen.
            pie.arcTo(QRectF(-r, -r, 2 * r, 2 * r), -90, sweep);
            pie.closeSubpath();
            painter->setPen(Qt::NoPen);
            painter->fillPath(pie, c);
        }
    }
    painter->restore();
}
