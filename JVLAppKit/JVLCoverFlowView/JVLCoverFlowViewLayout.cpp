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

bool JVLCoverFlowView::inWorkingRange(std::int64_t index) const
{
    const std::int64_t k = residentRadius();
    const std::int64_t low = std::min(spanLow_, selectionIndex_) - k, high = std::max(spanHigh_, selectionIndex_) + k;
    return index >= low && index <= high;
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

void JVLCoverFlowView::layoutSublayersOfLayer(Layer* layer)
{
    if (layer != scrollLayer_.get() || items_.empty())
        return;
    const Size size = itemSize();
    const float x0 = rowStart(size);
    const std::int64_t s = selectionIndex_;
    const std::int64_t before = laidOutSelection_ >= 0 ? laidOutSelection_ : s;
    // Items out of sight at both ends of the change, and of any scroll still running, never cross
    // the stage: they keep what they had, hidden, until a pass needs them again (or a hit test
    // asks). One coming back first takes its place of the last pass without animations, then
    // moves with the others.
    std::vector<Item*> entering, leaving;
    for (const auto& item : items_) {
        if (fullLayout_ || inWorkingRange(item->index)) {
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
            layoutItem(*item, before, size, x0);
            item->layer->setHidden(false);
            item->stale = false;
        }
        for (Item* item : leaving) {
            item->layer->setHidden(true);
            item->stale = true;
        }
        Transaction::commit();
    }
    for (const auto& item : items_)
        if (!item->stale)
            layoutItem(*item, s, size, x0);
    laidOutSelection_ = s;
    laidOutSize_ = size;
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

    // Every selection a running scroll started from stays in the working range until it ends.
    const double now = Application::now();
    if (now < spanEnds_) {
        spanLow_ = std::min(spanLow_, selectionIndex_);
        spanHigh_ = std::max(spanHigh_, selectionIndex_);
    } else {
        spanLow_ = spanHigh_ = std::clamp<std::int64_t>(selectionIndex_, 0, std::int64_t(items_.size()) - 1);
    }
    spanEnds_ = now + double(duration);

    willChangeValueForKey(QStringLiteral("selectionIndex"));
    selectionIndex_ = index;
    didChangeValueForKey(QStringLiteral("selectionIndex"));
    scrollLayer_->setNeedsLayout();
    scrollLayer_->layoutIfNeeded();
    scrollToSelection();
    scroller_->setIntegerValue(index);
    updateResidency();
}

Rect JVLCoverFlowView::rectForItemAtIndex(std::int64_t index)
{
    if (index < 0 || index >= content_.count())
        return ZeroRect;
    const auto it = itemsByObject_.find(content_[index]);
    if (it == itemsByObject_.end() || it->second.empty())
        return ZeroRect;
    Item& item = *it->second.front();
    if (item.stale) {
        // Out of the working range: its place is computed on demand.
        Transaction::begin();
        Transaction::setDisableActions(true);
        layoutItem(item, selectionIndex_, laidOutSize_, rowStart(laidOutSize_));
        item.layer->setHidden(false);
        item.stale = false;
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
