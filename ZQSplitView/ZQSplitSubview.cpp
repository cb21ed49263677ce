#include "ZQSplitView/ZQSplitSubview.h"

#include "ZQSplitView/ZQSplitView.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <memory>

using kit::Rect;
using kit::Ref;
using kit::Size;

KIT_REGISTER_CLASS(ZQSplitSubview, kit::View)
{
    c.property("identifier", &ZQSplitSubview::identifier, &ZQSplitSubview::setIdentifier);
    c.property("tag", &ZQSplitSubview::tag, &ZQSplitSubview::setTag);
}

struct ZQSplitSubview::Animation {
    const ZQSplitSubview* owner = nullptr; // identity only; the owner clears the record before it goes
    double fullDimension = 0;
    int stepCount = 0;
    double stepTime = 0;
    double endTime = 0;
    double duration = 0;
    bool collapsing = false;
    bool resizing = false;
};

namespace {

constexpr double frameTime = 1.0 / 60.0;
const QString stepSelector = QStringLiteral("stepAnimation");

std::unique_ptr<ZQSplitSubview::Animation>& animationRecord()
{
    static std::unique_ptr<ZQSplitSubview::Animation> record;
    return record;
}

double now() { return kit::Clock::currentMonotonic(); }

} // namespace

ZQSplitSubview::ZQSplitSubview()
    : ZQSplitSubview(kit::ZeroRect)
{ }

ZQSplitSubview::ZQSplitSubview(Rect frame)
    : kit::View(frame)
    , savedSize_(frame.size)
{ }

ZQSplitSubview::~ZQSplitSubview()
{
    // A pane that goes away mid-animation takes the process-wide record and its pending steps along.
    auto& record = animationRecord();
    if (record && record->owner == this) {
        record.reset();
        kit::RunLoop::main().cancelPerformRequestsWithTarget(this);
    }
}

bool ZQSplitSubview::animating() { return animationRecord() != nullptr; }

void ZQSplitSubview::resetAnimationForTesting() { animationRecord().reset(); }

Ref<ZQSplitView> ZQSplitSubview::splitView() const { return kit::dynamic_pointer_cast<ZQSplitView>(superview()); }

Ref<ZQSplitView> ZQSplitSubview::couplingSplitView() const { return splitView(); }

Ref<ZQSplitView> ZQSplitSubview::outermostSplitView() const
{
    Ref<ZQSplitView> result;
    for (Ref<ZQSplitView> s = splitView(); s; s = s->splitView())
        result = s;
    return result;
}

bool ZQSplitSubview::splitViewIsHorizontal() const
{
    const Ref<ZQSplitView> s = splitView();
    return s && s->isHorizontal();
}

bool ZQSplitSubview::isOpaque() const
{
    const Ref<ZQSplitView> s = couplingSplitView();
    return s && s->isOpaque();
}

QString ZQSplitSubview::description() const
{
    const QString plain = kit::View::description();
    return identifier_.isEmpty() ? plain : QStringLiteral("%1(%2)").arg(plain, identifier_);
}

unsigned ZQSplitSubview::position() const
{
    const Ref<ZQSplitView> s = splitView();
    if (!s)
        return 0;
    const auto& subs = s->subviews();
    for (std::size_t i = 0; i < subs.size(); ++i)
        if (subs[i].get() == this)
            return unsigned(i);
    return 0;
}

void ZQSplitSubview::setPosition(unsigned position)
{
    const Ref<ZQSplitView> s = splitView();
    if (!s)
        return;
    const Ref<ZQSplitSubview> keep(this);
    removeFromSuperview();
    const auto& subs = s->subviews();
    if (position < subs.size())
        s->addSubviewPositionedRelativeTo(this, kit::WindowBelow, subs[position].get());
    else
        s->addSubviewPositionedRelativeTo(this, kit::WindowAbove, nullptr);
}

double ZQSplitSubview::visibleDimension() const { return std::max(0.0, axisOf(frame().size, splitViewIsHorizontal())); }

bool ZQSplitSubview::canShrink() const { return canCollapse() ? visibleDimension() > 0 : visibleDimension() > minDimension_; }

int ZQSplitSubview::status() const
{
    const auto& record = animationRecord();
    if (record && record->owner == this)
        return record->collapsing ? -1 : -2;
    return isCollapsed() ? 1 : 0;
}

bool ZQSplitSubview::canCollapse() const
{
    const Ref<ZQSplitView> s = splitView();
    if (!s || s->numberOfVisibleSubviews() < 2)
        return false;
    if (const auto d = s->delegateFor("splitViewCanCollapse"))
        return d->splitViewCanCollapse(s.get(), const_cast<ZQSplitSubview*>(this));
    return canCollapse_;
}

void ZQSplitSubview::setMinDimensionAndMaxDimension(double newMin, double newMax)
{
    minDimension_ = std::max(1.0, std::floor(newMin));
    maxDimension_ = newMax < 1 ? 1000000.0 : std::floor(newMax);
    maxDimension_ = std::max(maxDimension_, minDimension_);
    const double d = dimension();
    if (d < minDimension_ || d > maxDimension_)
        if (const Ref<ZQSplitView> s = splitView())
            s->setMustAdjust();
}

double ZQSplitSubview::spaceWithoutDividers() const
{
    const Ref<ZQSplitView> s = splitView();
    return s ? s->dimensionWithoutDividers() : 1.0;
}

double ZQSplitSubview::dimension() const
{
    const double visible = visibleDimension();
    if (visible > 0)
        return visible;
    return std::min(std::max(fraction_ * spaceWithoutDividers(), minDimension_), maxDimension_);
}

void ZQSplitSubview::setDimension(double value)
{
    value = std::min(std::max(value, minDimension_), maxDimension_);
    const Ref<ZQSplitView> s = splitView();
    if (isCollapsed()) {
        fraction_ = value / spaceWithoutDividers();
        return;
    }
    Size size = frame().size;
    setAxis(size, splitViewIsHorizontal(), value);
    setFrameSize(size);
    if (s)
        s->adjustSubviewsExcepting(this);
}

double ZQSplitSubview::changeDimensionByMayCollapseMove(double increment, bool mayCollapse, bool move)
{
    const Ref<ZQSplitView> s = splitView();
    if (!s || std::fabs(increment) < 1.0)
        return 0;
    const bool horizontal = s->isHorizontal();
    Rect frame = this->frame();
    const double old = axisOf(frame.size, horizontal);
    double next = std::max(0.0, old + increment);
    if (next < old) {
        if (next < minDimension_) {
            if (mayCollapse && canCollapse() && std::max(1.0, 0.45 * minDimension_) > next)
                return collapseNow();
            next = minDimension_;
        }
    } else if (next > old) {
        if (old < 1.0) {
            if (next <= 0.55 * minDimension_)
                return 0;
            next = std::max(expandAndSetToMinimum(true), next);
            // The expansion changed the frame; carry on from the pane's new size.
            frame = this->frame();
        }
        next = std::min(next, maxDimension_);
    }
    const double current = axisOf(frame.size, horizontal);
    if (std::trunc(next) == std::trunc(current))
        return next - old;
    setAxis(frame.size, horizontal, next);
    if (move)
        setAxisOrigin(frame.origin, horizontal, axisOrigin(frame.origin, horizontal) - (next - current));
    kit::View::setFrame(frame);
    s->setMustClearFractions();
    s->setMustAdjust();
    return next - old;
}

void ZQSplitSubview::setHidden(bool hidden)
{
    if (hidden == isHidden())
        return;
    setHiddenPlain(hidden);
    if (const Ref<ZQSplitView> s = splitView()) {
        if (hidden)
            s->adjustSubviews();
        else
            s->adjustSubviewsExcepting(this);
    }
}

void ZQSplitSubview::display()
{
    const Ref<ZQSplitView> s = splitView();
    if (!s)
        return;
    if (s->mustAdjust())
        s->display();
    else
        kit::View::display();
}

// Frames -----------------------------------------------------------------------------------------

void ZQSplitSubview::setFrameWithFractionNotify(Rect frame, double fraction, bool notify)
{
    const Ref<ZQSplitView> s = splitView();
    ZQSplitView::DelegateCall report;
    if (notify && s && frame != previous_)
        report = s->delegateFor("splitViewChangedFrameOfSubviewFromTo");
    if (s)
        s->setMustAdjust();
    kit::View::setFrame(frame);
    fraction_ = fraction;
    if (report) {
        report->splitViewChangedFrameOfSubviewFromTo(s.get(), this, previous_, frame);
        previous_ = frame;
    } else {
        previous_ = kit::ZeroRect;
    }
}

void ZQSplitSubview::setFrameSizeWithFraction(Size size, double fraction)
{
    if (const Ref<ZQSplitView> s = splitView())
        s->setMustAdjust();
    setFrameSize(size);
    fraction_ = fraction;
}

void ZQSplitSubview::copyIntoCache(ZQSubviewCache& cache)
{
    cache.rect = frame();
    cache.fraction = fraction_;
    cache.pane = Ref<ZQSplitSubview>(this);
    cache.size = visibleDimension();
    cache.constrain = false;
}

void ZQSplitSubview::updateFromCacheWithTotalDimension(const ZQSubviewCache& cache, double total)
{
    const double old = visibleDimension();
    const double next = cache.size;
    if (next >= 1 && old < 1) {
        finishExpandWithFraction(cache.rect, cache.fraction);
    } else if (next < 1 && old >= 1) {
        clearResponder();
        finishCollapseWithFraction(cache.rect, old / total);
    } else {
        setFrameWithFractionNotify(cache.rect, cache.fraction, true);
    }
}

// Collapse and expand ----------------------------------------------------------------------------

void ZQSplitSubview::clearResponder()
{
    const Ref<kit::Window> w = window();
    if (!w)
        return;
    const auto view = kit::dynamic_pointer_cast<kit::View>(w->firstResponder());
    if (view && view->isDescendantOf(this) && w->makeFirstResponder(nullptr))
        view->display();
}

double ZQSplitSubview::collapseNow()
{
    const Ref<ZQSplitView> s = splitView();
    if (isCollapsed() || !s || !canCollapse())
        return 0;
    clearResponder();
    Rect frame = this->frame();
    const bool horizontal = s->isHorizontal();
    const double old = axisOf(frame.size, horizontal);
    setAxis(frame.size, horizontal, 0);
    finishCollapseWithFraction(frame, old / s->dimensionWithoutDividers());
    return -old;
}

double ZQSplitSubview::expandAndSetToMinimum(bool toMinimum)
{
    const Ref<ZQSplitView> s = splitView();
    if (!s || !isCollapsed())
        return 0;
    Rect frame = this->frame();
    const bool horizontal = s->isHorizontal();
    double answer;
    if (toMinimum) {
        answer = minDimension_;
        setAxis(frame.size, horizontal, minDimension_);
    } else {
        const double total = s->dimensionWithoutDividers();
        const double f = fraction_;
        setAxis(frame.size, horizontal, f < 1 ? std::floor(total * f / (1 - f)) : std::floor(total * f));
        answer = std::floor(total * f);
    }
    finishExpandWithFraction(frame, 0);
    return answer;
}

void ZQSplitSubview::finishCollapseWithFraction(Rect frame, double fraction) { finishWithFraction(frame, fraction, true); }

void ZQSplitSubview::finishExpandWithFraction(Rect frame, double fraction) { finishWithFraction(frame, fraction, false); }

void ZQSplitSubview::finishWithFraction(Rect frame, double fraction, bool collapsed)
{
    const bool stopped = stopAnimation();
    setFrameWithFractionNotify(frame, fraction, true);
    const Ref<ZQSplitView> s = splitView();
    if (s)
        s->setMustClearFractions();
    if (stopped)
        display();
    if (!s)
        return;
    if (collapsed) {
        if (const auto d = s->delegateFor("splitViewDidCollapse"))
            d->splitViewDidCollapse(s.get(), this);
    } else if (const auto d = s->delegateFor("splitViewDidExpand")) {
        d->splitViewDidExpand(s.get(), this);
    }
}

// Animation --------------------------------------------------------------------------------------

bool ZQSplitSubview::animates() const
{
    const auto& record = animationRecord();
    return record && record->owner == this;
}

ZQSplitSubview::Animation* ZQSplitSubview::animationDataResize(bool create, bool resize)
{
    auto& record = animationRecord();
    if (record && record->owner != this)
        return nullptr;
    if (!create)
        return record.get();
    const Ref<ZQSplitView> s = splitView();
    if (!s)
        return nullptr;
    const double d = dimension();
    double duration = d * 0.2 / 150;
    if (const auto call = s->delegateFor("splitViewWillAnimateSubviewWithDimension"))
        duration = call->splitViewWillAnimateSubviewWithDimension(s.get(), this, d);
    if (duration <= frameTime) {
        record.reset();
        return nullptr;
    }
    if (!record)
        record = std::make_unique<Animation>();
    *record = Animation { this, d, 0, 0, now() + duration, duration, !isCollapsed(), resize };
    s->setDragging(true);
    return record.get();
}

bool ZQSplitSubview::collapseWithAnimationWithResize(bool animate, bool resize)
{
    if (status() != 0 || !canCollapse())
        return false;
    if (animate && animationDataResize(true, resize)) {
        clearResponder();
        stepAnimation();
        return true;
    }
    collapseNow();
    return false;
}

bool ZQSplitSubview::expandWithAnimationWithResize(bool animate, bool resize)
{
    if (status() != 1)
        return false;
    if (animate && animationDataResize(true, resize)) {
        stepAnimation();
        return true;
    }
    expandAndSetToMinimum(false);
    return false;
}

void ZQSplitSubview::stepAnimation()
{
    Animation* a = animationDataResize(false, false);
    const Ref<ZQSplitView> s = splitView();
    if (!a || !s)
        return;
    const double start = now();
    const double remaining = a->endTime - start;
    const bool horizontal = s->isHorizontal();
    if (remaining >= frameTime) {
        const double average = a->stepCount == 0 ? a->stepTime : a->stepTime / a->stepCount;
        const double step = std::floor((remaining - average) * a->fullDimension / a->duration);
        if (step > 4.0) {
            Rect frame = this->frame();
            setAxis(frame.size, horizontal, a->collapsing ? step : a->fullDimension - step);
            setFrameWithFractionNotify(frame, 0, false);
            s->adjustSubviews();
            display();
            a->stepTime += now() - start;
            a->stepCount += 1;
            kit::RunLoop::main().performAfterDelay(
                kit::PerformRequest::make(
                    this, stepSelector, 0, [](kit::Object& target, int) { static_cast<ZQSplitSubview&>(target).stepAnimation(); }),
                std::max(0.0, frameTime - average), { kit::DefaultRunLoopMode, kit::ModalPanelRunLoopMode, kit::EventTrackingRunLoopMode });
            return;
        }
    }
    Rect frame = this->frame();
    if (a->collapsing) {
        setAxis(frame.size, horizontal, 0);
        finishCollapseWithFraction(frame, a->fullDimension / s->dimensionWithoutDividers());
    } else {
        double savedMin = 0, savedMax = 0;
        const double target = setMinAndMaxToSavingMinAndMax(a->fullDimension, savedMin, savedMax);
        setAxis(frame.size, horizontal, target);
        finishExpandWithFraction(frame, 0);
        minDimension_ = savedMin;
        maxDimension_ = savedMax;
    }
}

double ZQSplitSubview::setMinAndMaxToSavingMinAndMax(double value, double& savedMin, double& savedMax)
{
    savedMin = minDimension_;
    savedMax = maxDimension_;
    value = std::min(std::max(value, minDimension_), maxDimension_);
    minDimension_ = maxDimension_ = value;
    return value;
}

bool ZQSplitSubview::stopAnimation()
{
    auto& record = animationRecord();
    if (!record || record->owner != this)
        return false;
    kit::RunLoop::main().cancelPerformRequests(kit::PerformRequest::make(this, stepSelector, 0, [](kit::Object&, int) {}));
    record.reset();
    if (const Ref<ZQSplitView> s = splitView())
        s->setDragging(false);
    return true;
}

// Own subviews -----------------------------------------------------------------------------------

void ZQSplitSubview::resizeSubviewsWithOldSize(Size oldSize)
{
    const Ref<ZQSplitView> s = splitView();
    if (!s)
        return;
    const bool horizontal = s->isHorizontal();
    const Size size = frame().size;
    double lower = minDimension_;
    const auto& record = animationRecord();
    if (record && record->owner == this && !record->resizing)
        lower = record->fullDimension;
    const double along = axisOf(size, horizontal);
    const double cross = crossOf(size, horizontal);
    const bool within = along >= lower && along <= maxDimension_ && cross >= s->minDimension() && cross <= s->maxDimension();
    if (!within) {
        notInLimits_ = true;
        return;
    }
    const Size old = notInLimits_ ? savedSize_ : oldSize;
    notInLimits_ = false;
    savedSize_ = size;
    kit::View::resizeSubviewsWithOldSize(old);
}

void ZQSplitSubview::drawRect(Rect dirtyRect)
{
    const Ref<ZQSplitView> s = splitView();
    if (!s)
        return;
    if (const Ref<kit::Color> colour = s->background()) {
        colour->set();
        kit::BezierPath::fillRect(dirtyRect); // source-over
    }
    if (const auto d = s->delegateFor("splitViewWillDrawSubviewInRect"))
        d->splitViewWillDrawSubviewInRect(s.get(), this, dirtyRect);
}
