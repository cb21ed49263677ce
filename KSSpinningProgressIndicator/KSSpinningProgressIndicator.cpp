#include "KSSpinningProgressIndicator/KSSpinningProgressIndicator.h"

#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double frameInterval = 0.05;

} // namespace

KIT_REGISTER_CLASS(KSSpinningProgressIndicator, kit::View)
{
    c.action("startAnimation", &KSSpinningProgressIndicator::startAnimation);
    c.action("stopAnimation", &KSSpinningProgressIndicator::stopAnimation);
}

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
        kit::Exception::raise(kit::InternalInconsistencyException, QStringLiteral("Non-spinning styles not available."));
}

void KSSpinningProgressIndicator::setColor(const kit::Ref<kit::Color>& colour)
{
    if (colour == foreColor_)
        return;
    foreColor_ = colour; // colours are immutable: holding one is as good as a copy
    setNeedsDisplay(true);
}

void KSSpinningProgressIndicator::setBackgroundColor(const kit::Ref<kit::Color>& colour)
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
    accessibilityValueChanged();
}

void KSSpinningProgressIndicator::setDoubleValue(double value)
{
    if (isIndeterminate_)
        setIndeterminate(false);
    currentValue_ = value;
    setNeedsDisplay(true);
    accessibilityValueChanged();
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

QStringList KSSpinningProgressIndicator::accessibilityAttributeNames() const { return kit::ProgressAccessibilityAttributeNames(); }

kit::Value KSSpinningProgressIndicator::accessibilityAttributeValue(const QString& attribute) const
{
    return kit::ProgressAccessibilityAttributeValue(*this, attribute, isIndeterminate_, currentValue_, 0, maxValue_);
}

void KSSpinningProgressIndicator::drawRect(kit::Rect)
{
    if (!kit::GraphicsContext::currentContext())
        return;
    const kit::Rect b = bounds();
    const double size = std::min(b.size.width, b.size.height);
    if (drawBackground_ && backColor_) {
        backColor_->set();
        kit::RectFill(b);
    }

    kit::GraphicsContext::saveCurrentGraphicsState();
    kit::AffineTransform toMiddle;
    toMiddle.translateXByYBy(b.origin.x + b.size.width / 2, b.origin.y + b.size.height / 2);
    toMiddle.concat();
    const kit::Ref<kit::Color> fore = foreColor_ ? foreColor_ : kit::Color::blackColor();
    if (isIndeterminate_) {
        const double fins = double(state_->numFins);
        kit::AffineTransform start;
        start.rotateByRadians(double(position()) * 6.28318 / fins);
        start.concat();
        const kit::Ref<kit::BezierPath> fin = kit::BezierPath::bezierPath();
        fin->setLineWidth(size * 0.0859375);
        fin->setLineCapStyle(kit::RoundLineCapStyle);
        fin->moveToPoint(kit::MakePoint(0, size * 0.234375));
        fin->lineToPoint(kit::MakePoint(0, size * 0.421875));
        kit::AffineTransform next;
        next.rotateByRadians(6.282185 / fins);
        double alpha = 1.0;
        for (std::int64_t i = 0; i < state_->numFins; ++i) {
            fore->colorWithAlphaComponent(isAnimating_ ? alpha : 0.2)->set();
            fin->stroke();
            next.concat();
            alpha -= 1.0 / fins;
        }
    } else {
        const double w = size * 0.01 + 1.0;
        const double r = (size - w) / 2.1;
        fore->colorWithAlphaComponent(1.0)->set();
        const kit::Ref<kit::BezierPath> circle = kit::BezierPath::bezierPathWithOvalInRect(kit::MakeRect(-r, -r, 2 * r, 2 * r));
        circle->setLineWidth(w);
        circle->stroke();
        // No maximum means nothing done yet: an empty pie rather than a division by zero. Nothing
        // done or less is an empty pie too, not an arc swept backwards round the circle.
        if (maxValue_ > 0 && currentValue_ > 0) {
            const kit::Ref<kit::BezierPath> pie = kit::BezierPath::bezierPath();
            pie->appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(
                kit::ZeroPoint, r, 90, 90 - 360 * currentValue_ / maxValue_, true);
            pie->lineToPoint(kit::ZeroPoint);
            pie->closePath();
            pie->fill();
        }
    }
    kit::GraphicsContext::restoreCurrentGraphicsState();
}
