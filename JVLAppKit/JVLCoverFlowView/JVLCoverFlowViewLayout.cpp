// Geometry of the cover-flow view: the effective item size, the scroller and accessory places, the
// container constraints, the item layout around the selection, the animated selection setter and
// hit testing.

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/layers/Transaction.h"

#include <algorithm>
#include <cmath>

using namespace kit;

Size JVLCoverFlowView::itemSize() const
{
    if (!autoresizesItems_)
        return itemSize_;
    double margin = showsScrollbar_ ? double(float(scroller_->frame().height() + 16 + 20)) : 20.0;
    if (accessoryController_)
        if (const Ref<View> v = accessoryController_->view())
            margin += v->frame().height();
    const double viewHeight = frame().height();
    double H = viewHeight - margin - viewHeight / 3;
    if (!(H >= 1))
        H = 1;
    const double W = itemSize_.width * H / itemSize_.height;
    return MakeSize(std::floor(W), std::floor(H));
}

void JVLCoverFlowView::setItemSize(Size size)
{
    itemSize_ = MakeSize(size.width > 0 ? size.width : 140, size.height > 0 ? size.height : 100);
    applyContainerConstraints();
    applyGradientConstraints();
    recachePlaceholder();
    rootLayer_->setNeedsLayout();
    scrollLayer_->setNeedsLayout();
    if (selectionIndex_ >= 0 && selectionIndex_ < std::int64_t(items_.size()))
        scrollToSelection();
}

void JVLCoverFlowView::setAutoresizesItems(bool flag)
{
    autoresizesItems_ = flag;
    resizeSubviewsWithOldSize(frame().size);
}

void JVLCoverFlowView::setShowsScrollbar(bool flag)
{
    showsScrollbar_ = flag;
    scroller_->setHidden(!flag);
    resizeSubviewsWithOldSize(frame().size);
}

void JVLCoverFlowView::viewWillMoveToSuperview(View* view)
{
    View::viewWillMoveToSuperview(view);
    resizeSubviewsWithOldSize(frame().size);
}

void JVLCoverFlowView::viewDidMoveToWindow()
{
    View::viewDidMoveToWindow();
    matchEdgeScale();
}

void JVLCoverFlowView::resizeSubviewsWithOldSize(Size)
{
    const double V = frame().width();
    float bottom = 16;
    if (showsScrollbar_) {
        const Rect f = scroller_->frame();
        scroller_->setFrame(MakeRect((V - (V - 160)) / 2, 20, V - 160, f.height()));
        bottom = float(20 + f.height() + 16);
    }
    if (accessoryController_)
        if (const Ref<View> v = accessoryController_->view()) {
            const Size s = v->frame().size;
            v->setFrame(MakeRect(std::floor((V - s.width) / 2), bottom, s.width, s.height));
        }
    applyContainerConstraints();
    matchEdgeScale();
    setSelectionIndex(selectionIndex_);
}

void JVLCoverFlowView::applyContainerConstraints()
{
    double accessoryTop = 0;
    if (accessoryController_)
        if (const Ref<View> v = accessoryController_->view())
            accessoryTop = v->frame().origin.y + v->frame().height();
    const double h = itemSize().height;
    containerLayer_->setConstraints({
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMidX, "superlayer", ConstraintMidX),
        Constraint::constraintWithAttributeRelativeToAttributeOffset(ConstraintWidth, "superlayer", ConstraintWidth, -20),
        Constraint::constraintWithAttributeRelativeToAttributeOffset(ConstraintMinY, "superlayer", ConstraintMinY, accessoryTop - 0.75 * h),
        Constraint::constraintWithAttributeRelativeToAttributeOffset(ConstraintMaxY, "superlayer", ConstraintMaxY, -10),
    });
}

void JVLCoverFlowView::applyGradientConstraints()
{
    const double w = itemSize().width;
    leftGradientLayer_->setConstraints({
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMinX, "superlayer", ConstraintMinX),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMinY, "superlayer", ConstraintMinY),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMaxY, "superlayer", ConstraintMaxY),
        Constraint::constraintWithAttributeRelativeToAttributeScaleOffset(ConstraintMaxX, "superlayer", ConstraintMaxX, 0.5, -0.5 * w),
    });
    rightGradientLayer_->setConstraints({
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMaxX, "superlayer", ConstraintMaxX),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMinY, "superlayer", ConstraintMinY),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMaxY, "superlayer", ConstraintMaxY),
        Constraint::constraintWithAttributeRelativeToAttributeScaleOffset(ConstraintMinX, "superlayer", ConstraintMaxX, 0.5, 0.5 * w),
    });
}

float JVLCoverFlowView::rowStart(Size size) const
{
    const double B = scrollLayer_->bounds().width();
    const double n = double(items_.size()), w = size.width;
    return float(std::floor((B - n * w - (n - 1) * w / 10) * 0.5 + 12));
}

float JVLCoverFlowView::positionOfSelectedItem() const
{
    const Size size = itemSize();
    const double B = scrollLayer_->bounds().width(), w = size.width;
    return float(double(rowStart(size)) + (w / 10 + w) * double(selectionIndex_) - B * 0.5 + w * 0.5);
}

void JVLCoverFlowView::scrollToSelection()
{
    const Item& item = *items_[std::size_t(selectionIndex_)];
    scrollLayer_->scrollToPoint(MakePoint(positionOfSelectedItem(), item.layer->frame().origin.y));
}

std::int64_t JVLCoverFlowView::residentRadius() const
{
    // Side items stand 0.35·w apart, a turned picture reaches about 0.8·w past its centre.
    const double B = scrollLayer_->bounds().width(), w = std::max(1.0, itemSize().width);
    return std::int64_t(std::ceil(B / (0.7 * w))) + 4;
}

void JVLCoverFlowView::layoutItem(Item& item, std::int64_t s, Size size, float x0)
{
    const double w = size.width, h = size.height;
    const std::int64_t i = item.index;
    double x = (w / 10 + w) * double(i) + double(x0);
    if (i < s) {
        const std::int64_t d = s - i;
        x += 0.75 * w * double(float(d) - 0.85f);
        item.image->setTransform(leftTransform_);
        item.image->setZPosition(0);
        item.layer->setZPosition(-0.1 * double(d));
    } else if (i > s) {
        const std::int64_t d = i - s;
        x -= 0.75 * w * double(float(d) - 0.85f);
        item.image->setTransform(rightTransform_);
        item.image->setZPosition(0);
        item.layer->setZPosition(-0.1 * double(d));
    } else {
        item.image->setTransform(Transform3DIdentity);
        item.image->setZPosition(100);
        item.layer->setZPosition(0);
    }
    item.layer->setFrame(MakeRect(x, h, w, h));
    item.image->setFrame(MakeRect(0, 0, w, h));
    item.reflection->setFrame(MakeRect(0, -h, w, h));
    item.reflection->setBounds(MakeRect(0, 0, w, h));
}

void JVLCoverFlowView::catchUp(Item& item, double now)
{
    // The places each pass gave the item, read from a probe laid out the same way, run through
    // the animations those passes started, as the layers' own presentation would: each one from
    // where the one before stood when it began. Nothing else moves an item, so this is exact.
    if (!probe_) {
        probe_ = std::make_unique<Item>();
        buildItemLayers(*probe_, steps_.front().size);
    }
    probe_->index = item.index;
    static const QString keys[] = { QStringLiteral("transform"), QStringLiteral("bounds"), QStringLiteral("position"), QStringLiteral("zPosition") };
    constexpr std::size_t keyCount = std::size(keys);
    struct Track {
        Value model;
        Value from;
        double begin = 0;
        const BasicAnimation* animation = nullptr;
    };
    Layer* const probeLayers[] = { probe_->layer.get(), probe_->image.get(), probe_->reflection.get() };
    Layer* const layers[] = { item.layer.get(), item.image.get(), item.reflection.get() };
    Track tracks[std::size(layers)][keyCount];
    const auto presented = [](const Track& t, double at) {
        if (!t.animation)
            return t.model;
        return InterpolateValues(t.from, t.model, t.animation->fractionAt(at - t.begin, t.animation->duration()));
    };
    for (std::size_t k = 0; k < steps_.size(); ++k) {
        const LayoutStep& step = steps_[k];
        layoutItem(*probe_, step);
        for (std::size_t l = 0; l < std::size(layers); ++l)
            for (std::size_t j = 0; j < keyCount; ++j) {
                Track& t = tracks[l][j];
                const Value value = probeLayers[l]->valueForKey(keys[j]);
                if (k > 0 && value.isEqual(t.model))
                    continue;
                if (k > 0 && step.animation) {
                    // A change retargets from the presented value; one made without actions lets
                    // a running animation head for the new model value.
                    t.from = presented(t, step.time);
                    t.begin = step.time;
                    t.animation = step.animation.get();
                }
                t.model = value;
            }
    }
    for (std::size_t l = 0; l < std::size(layers); ++l) {
        layers[l]->removeAllAnimations();
        for (std::size_t j = 0; j < keyCount; ++j)
            layers[l]->setValueForKey(presented(tracks[l][j], now), keys[j]);
    }
}

void JVLCoverFlowView::layoutSublayersOfLayer(Layer* layer)
{
    if (layer != scrollLayer_.get() || items_.empty())
        return;
    const double now = Application::now();
    LayoutStep step { now, selectionIndex_, itemSize(), 0, residentRadius(), nullptr };
    step.x0 = rowStart(step.size);
    if (!Transaction::disableActions())
        step.animation = dynamic_pointer_cast<BasicAnimation>(Layer::implicitAnimationForKey(QStringLiteral("position")).object());
    bool moves = steps_.empty() || step.selection != steps_.back().selection || step.size != steps_.back().size || step.x0 != steps_.back().x0;
    if (now >= stepsEnd_ && (steps_.size() != 1 || moves)) {
        // Nothing runs any longer: the last pass's places are where every item stands.
        LayoutStep base = steps_.empty() ? step : steps_.back();
        base.animation = nullptr;
        moves = moves && !steps_.empty();
        steps_.assign(1, base);
        stepsReplayable_ = true;
    }
    // Items out of sight at both ends of this change and of every change still animating never
    // cross the stage: they stay hidden and keep what they had until a pass needs them again.
    // A selection past a shortened content stays (every item turns left) but the items around the
    // last one are what shows.
    const std::int64_t last = std::int64_t(items_.size()) - 1;
    std::int64_t low = std::min(step.selection, last), high = low, radius = step.radius;
    for (const LayoutStep& earlier : steps_) {
        low = std::min(low, std::min(earlier.selection, last));
        high = std::max(high, std::min(earlier.selection, last));
        radius = std::max(radius, earlier.radius);
    }
    low -= radius;
    high += radius;
    std::vector<Item*> entering, leaving;
    for (const auto& item : items_) {
        if (fullLayout_ || (item->index >= low && item->index <= high)) {
            if (item->stale)
                entering.push_back(item.get());
        } else if (!item->stale) {
            leaving.push_back(item.get());
        }
    }
    if (!entering.empty() || !leaving.empty()) {
        Transaction::begin();
        Transaction::setDisableActions(true);
        for (Item* item : entering) {
            // Coming back: where it would stand now had every pass laid it out, then on with the others.
            if (stepsReplayable_)
                catchUp(*item, now);
            else
                layoutItem(*item, steps_.back());
            item->layer->setHidden(false);
            item->stale = false;
        }
        for (Item* item : leaving) {
            item->layer->setHidden(true);
            for (Layer* l : { item->layer.get(), item->image.get(), item->reflection.get() })
                l->removeAllAnimations();
            item->stale = true;
        }
        Transaction::commit();
    }
    if (moves) {
        steps_.push_back(step);
        if (step.animation)
            stepsEnd_ = std::max(stepsEnd_, now + step.animation->duration());
        // A held arrow key never lets the animations end: past this many passes (seconds of
        // steps), an item coming back takes the last pass's place instead of a replay that
        // would grow with every step.
        constexpr std::size_t replayedPasses = 256;
        if (steps_.size() > replayedPasses)
            stepsReplayable_ = false;
    }
    for (const auto& item : items_)
        if (!item->stale)
            layoutItem(*item, step);
}

void JVLCoverFlowView::refreshLayers()
{
    scrollLayer_->setNeedsLayout();
    scrollLayer_->layoutIfNeeded();
}

void JVLCoverFlowView::setSelectionIndex(std::int64_t index)
{
    if (index < 0 || index >= std::int64_t(items_.size()))
        return;
    const Ref<Application> app = Application::sharedApplication();
    const Ref<Event> event = app ? app->currentEvent() : nullptr;
    const bool slow = event && (event->modifierFlags() & (ShiftKeyMask | AlphaShiftKeyMask));
    const float duration = slow ? 2.1f : 0.7f;
    Transaction::setValueForKey(Value(double(duration)), TransactionAnimationDuration);

    const std::int64_t before = selectionIndex_;
    willChangeValueForKey(QStringLiteral("selectionIndex"));
    selectionIndex_ = index;
    didChangeValueForKey(QStringLiteral("selectionIndex"));
    scrollLayer_->setNeedsLayout();
    scrollLayer_->layoutIfNeeded();
    scrollToSelection();
    scroller_->setIntegerValue(index);
    updateResidency();
    if (before != index)
        accessibilitySelectionMoved(before);
}

Rect JVLCoverFlowView::rectForItemAtIndex(std::int64_t index)
{
    if (index < 0 || index >= content_.count())
        return ZeroRect;
    const auto it = itemsByObject_.find(content_[index]);
    if (it == itemsByObject_.end() || it->second.empty())
        return ZeroRect;
    Item& item = *it->second.front();
    if (item.stale && !steps_.empty()) {
        // Kept out of sight: placed where the last pass would have put it, and still hidden.
        Transaction::begin();
        Transaction::setDisableActions(true);
        layoutItem(item, steps_.back());
        Transaction::commit();
    }
    // The image layer's own bounds: its frame would turn a side picture twice.
    return item.image->convertRectToLayer(item.image->bounds(), rootLayer_.get());
}

std::int64_t JVLCoverFlowView::indexOfItemAtPoint(Point point)
{
    const std::int64_t n = content_.count();
    if (n == 0)
        return NotFound;
    const Rect visible = bounds();
    auto hit = [&](std::int64_t k) {
        const Rect r = rectForItemAtIndex(k);
        return r.width() > 0 && r.height() > 0 && PointInRect(point, r);
    };
    const std::int64_t s = selectionIndex_;
    if (s >= 0 && s < n && hit(s))
        return s;
    // x grows with the index on both sides: past the first picture wholly outside, none can show.
    for (std::int64_t k = std::min(s, n) - 1; k >= 0; --k) {
        const Rect r = rectForItemAtIndex(k);
        if (r.width() > 0 && r.maxX() < visible.minX())
            break;
        if (hit(k))
            return k;
    }
    for (std::int64_t k = std::max<std::int64_t>(s + 1, 0); k < n; ++k) {
        const Rect r = rectForItemAtIndex(k);
        if (r.width() > 0 && r.minX() > visible.maxX())
            break;
        if (hit(k))
            return k;
    }
    return NotFound;
}
