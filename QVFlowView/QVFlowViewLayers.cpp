#include "QVFlowView/QVFlowView.h"
#include "QVFlowView/QVLayerAccessibilityHelper.h"
#include "QVFlowView/QVVideoOverlayLayer.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/CAAnimation.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/layers/ConstraintLayoutManager.h"
#include "kit/layers/Transaction.h"

#include <algorithm>
#include <cmath>

using namespace kit;

// An item's layer: an untransformed square in front of the farther pictures it holds none of, so
// it takes no hit itself; a point reaches the picture drawn there, its own or a neighbour's.
class QVFlowViewItemLayer : public ReplicatorLayer {
    KIT_CLASS(QVFlowViewItemLayer)
public:
    bool containsPoint(Point) const override { return false; }
};
KIT_REGISTER_CLASS(QVFlowViewItemLayer, ReplicatorLayer) { c.copyable(); }

namespace qv_flow_view_layers {

CGColor calibrated(double r, double g, double b)
{
    return NSColorAdditions::QVFlowCGColor(*Color::colorWithCalibratedRedGreenBlueAlpha(r, g, b, 1));
}

// The keys a layer must not animate implicitly.
Dictionary noActions(std::initializer_list<const char*> keys)
{
    Dictionary actions;
    for (const char* key : keys)
        actions.setObjectForKey(Value::null(), Value(QString::fromUtf8(key)));
    return actions;
}

Constraint tie(
    ConstraintAttribute attribute, const QString& source, ConstraintAttribute sourceAttribute, double scale = 1, double offset = 0)
{
    return Constraint::constraintWithAttributeRelativeToAttributeScaleOffset(attribute, source, sourceAttribute, scale, offset);
}

const QString superName = QStringLiteral("superlayer");
const QString indexKey = QStringLiteral("index");
const QString uidKey = QStringLiteral("imageItemUID");
const QString aspectRatioKey = QStringLiteral("aspectRatioKey");

} // namespace qv_flow_view_layers

// Building the tree ---------------------------------------------------------------------------------

void QVFlowView::setupLayers()
{
    const Ref<GradientLayer> background = createBackgroundLayer();
    const Ref<TextLayer> title = createTitleLayer();
    const Ref<Layer> container = createContainerLayer();
    backgroundLayer_ = background;
    titleLayer_ = title;
    containerLayer_ = container;
    background->addSublayer(container.get());
    background->insertSublayerAbove(title.get(), container.get());
    scrollLayer_ = createScrollLayer();
    scrollBarLayer_ = createScrollBarLayer();
    container->addSublayer(scrollLayer_.get());
    background->insertSublayerAbove(scrollBarLayer_.get(), container.get());
    // The keyboard focus, above the pictures, the title and the scroll bar.
    focusRingLayer_ = FocusRingLayer::layer();
    background->addSublayer(focusRingLayer_.get());
    setLayer(background.get());
    setWantsLayer(true);
    layoutAll_ = true;
    updateAllImages_ = true;
    lastPassSelection_ = NotFound;
    scrollLayer_->setNeedsLayout();
    background->setNeedsDisplay();
    makeTreeElements();
}

void QVFlowView::viewWillDraw()
{
    const bool ring = ShowsFocusRing(this, cell() ? cell()->focusRingType() : FocusRingTypeDefault);
    if (focusRingLayer_)
        focusRingLayer_->setShown(ring);
    Control::viewWillDraw();
}

Ref<GradientLayer> QVFlowView::createBackgroundLayer()
{
    auto layer = GradientLayer::layer();
    layer->setLayoutManager(ConstraintLayoutManager::layoutManager().get());
    layer->setAnchorPoint(Point { 0, 0 });
    layer->setPosition(Point { 0, 0 });
    layer->setBounds(Rect { { 0, 0 }, bounds().size });
    layer->setAutoresizingMask(LayerWidthSizable | LayerHeightSizable);
    layer->setColors({ qv_flow_view_layers::calibrated(float(52 / 255.0), float(55 / 255.0), float(69 / 255.0)),
        qv_flow_view_layers::calibrated(float(36 / 255.0), float(37 / 255.0), float(48 / 255.0)),
        qv_flow_view_layers::calibrated(0, 0, 0) });
    layer->setLocations(std::vector<double> { 0.0, 0.2, 1.0 });
    return layer;
}

Ref<TextLayer> QVFlowView::createTitleLayer()
{
    auto layer = TextLayer::layer();
    layer->setName(QVFlowViewTitleLayerName);
    layer->setAlignmentMode(AlignmentCenter);
    layer->setFontSize(18);
    layer->setConstraints({ qv_flow_view_layers::tie(ConstraintMinY, qv_flow_view_layers::superName, ConstraintMinY, 1, 50),
        qv_flow_view_layers::tie(ConstraintMidX, qv_flow_view_layers::superName, ConstraintMidX) });
    layer->setActions(qv_flow_view_layers::noActions({ "position", "bounds", "string" }));
    return layer;
}

Ref<Layer> QVFlowView::createContainerLayer()
{
    auto layer = Layer::layer();
    layer->setName(QVFlowViewContainerLayerName);
    layer->setConstraints({ qv_flow_view_layers::tie(ConstraintMidX, qv_flow_view_layers::superName, ConstraintMidX),
        qv_flow_view_layers::tie(ConstraintMaxY, qv_flow_view_layers::superName, ConstraintMaxY),
        qv_flow_view_layers::tie(ConstraintWidth, qv_flow_view_layers::superName, ConstraintWidth),
        qv_flow_view_layers::tie(ConstraintMinY, QVFlowViewTitleLayerName, ConstraintMaxY) });
    layer->setActions(qv_flow_view_layers::noActions({ "position", "bounds" }));
    return layer;
}

Ref<ScrollLayer> QVFlowView::createScrollLayer()
{
    auto layer = ScrollLayer::layer();
    layer->setScrollMode(ScrollHorizontally);
    layer->setAutoresizingMask(LayerWidthSizable | LayerHeightSizable);
    layer->setLayoutManager(this);
    layer->setDelegate(this);
    layer->setSublayerTransform(perspective_);
    layer->setMasksToBounds(false);
    return layer;
}

Ref<Layer> QVFlowView::createScrollBarLayer()
{
    const CGColor grey = NSColorAdditions::QVFlowCGColor(*Color::grayColor());
    auto bar = Layer::layer();
    bar->setName(QVFlowViewScrollBarLayerName);
    bar->setBackgroundColor(NSColorAdditions::QVFlowCGColor(*Color::blackColor()));
    bar->setBorderColor(grey);
    bar->setOpaque(true);
    bar->setBorderWidth(1);
    bar->setCornerRadius(10);
    bar->setFrame(Rect { { 0, 0 }, { 20, 20 } });
    bar->setConstraints({ qv_flow_view_layers::tie(ConstraintMidX, qv_flow_view_layers::superName, ConstraintMidX),
        qv_flow_view_layers::tie(ConstraintMinY, qv_flow_view_layers::superName, ConstraintMinY, 1, 10),
        qv_flow_view_layers::tie(ConstraintWidth, qv_flow_view_layers::superName, ConstraintWidth, 0.75, 0) });
    bar->setActions(qv_flow_view_layers::noActions({ "position", "bounds" }));

    auto knob = GradientLayer::layer();
    knob->setName(QVFlowViewScrollKnobLayerName);
    knob->setFrame(Rect { { 10, 2 }, { 40, 16 } });
    knob->setNeedsDisplayOnBoundsChange(true);
    knob->setBorderColor(grey);
    knob->setBorderWidth(1);
    knob->setCornerRadius(9);
    knob->setMasksToBounds(true);
    knob->setStartPoint(Point { 0.5, 1 });
    knob->setEndPoint(Point { 0.5, 0 });
    knob->setAnchorPoint(Point { 0.5, 0.5 });
    knob->setType(GradientLayerAxial);
    knob->setColors({ qv_flow_view_layers::calibrated(64 / 255.0, 64 / 255.0, 74 / 255.0),
        qv_flow_view_layers::calibrated(46 / 255.0, 46 / 255.0, 58 / 255.0),
        qv_flow_view_layers::calibrated(37 / 255.0, 37 / 255.0, 50 / 255.0),
        qv_flow_view_layers::calibrated(51 / 255.0, 52 / 255.0, 66 / 255.0) });
    knob->setLocations(std::vector<double> { 0, 0.5, 0.51, 1.0 });
    knob->setActions(qv_flow_view_layers::noActions({ "position", "bounds" }));
    bar->addSublayer(knob.get());
    return bar;
}

Ref<ReplicatorLayer> QVFlowView::createItemLayerWithIndex(std::int64_t index) { return createItemLayer(index, imageItemForIndex(index)); }

Ref<ReplicatorLayer> QVFlowView::createItemLayer(std::int64_t index, const Value& item)
{
    Ref<ReplicatorLayer> layer = make<QVFlowViewItemLayer>();
    layer->setFrame(Rect { { 0, 0 }, { 100, 100 } });
    layer->setInstanceCount(showsReflection_ ? 2 : 1);
    layer->setInstanceRedOffset(reflectionOffset_);
    layer->setInstanceGreenOffset(reflectionOffset_);
    layer->setInstanceBlueOffset(reflectionOffset_);
    layer->setPreservesDepth(true);
    layer->setValueForKey(imageUIDForItem(item), qv_flow_view_layers::uidKey);
    layer->setValueForKey(Value(index), qv_flow_view_layers::indexKey);
    const Ref<Layer> picture = createImageLayer();
    setAttributesForItemContentLayer(picture.get(), index, item);
    layer->addSublayer(picture.get());
    return layer;
}

Ref<Layer> QVFlowView::createImageLayer()
{
    auto layer = Layer::layer();
    layer->setContentsGravity(GravityResizeAspect);
    layer->setLayoutManager(ConstraintLayoutManager::layoutManager().get());
    return layer;
}

void QVFlowView::setAttributesForItemContentLayer(Layer* layer, std::int64_t index)
{
    setAttributesForItemContentLayer(layer, index, imageItemForIndex(index));
}

void QVFlowView::setAttributesForItemContentLayer(Layer* layer, std::int64_t index, const Value& item)
{
    const Value uid = imageUIDForItem(item);
    // A picture given the item it showed before, at the same index, keeps its element: it would
    // answer the same.
    const bool same = layer->valueForKey(qv_flow_view_layers::indexKey).isEqual(Value(index))
        && layer->valueForKey(qv_flow_view_layers::uidKey).isEqual(uid) && hasPictureElement(layer);
    layer->setValueForKey(uid, qv_flow_view_layers::uidKey);
    layer->setName(QVFlowViewContentLayerName
        + (isQCCompositionAtIndex(index) ? QStringLiteral("QCComposition")
                : isMovieItem(item)      ? QStringLiteral("Movie")
                                         : QStringLiteral("Image")));
    layer->setValueForKey(Value(index), qv_flow_view_layers::indexKey);
    if (pictureActions_.isEmpty()) {
        auto reveal = Transition::animation();
        reveal->setType(TransitionReveal);
        reveal->setDuration(0.5);
        auto fade = Transition::animation();
        fade->setType(TransitionFade);
        fade->setDuration(0.5);
        pictureActions_ = qv_flow_view_layers::noActions({ "contents", "bounds" });
        pictureActions_.setObjectForKey(Value(Ref<Object>(reveal)), Value(OnOrderIn));
        pictureActions_.setObjectForKey(Value(Ref<Object>(fade)), Value(OnOrderOut));
    }
    if (!layer->actions().identicalTo(pictureActions_))
        layer->setActions(pictureActions_);
    if (!same)
        makePictureElement(layer, index);
}

Ref<Layer> QVFlowView::createMovieOverlayLayerWithIndex(std::int64_t index)
{
    auto overlay = make<QVVideoOverlayLayer>();
    overlay->setName(QVFlowViewOverlayLayerName);
    overlay->setValueForKey(Value(index), QStringLiteral("index"));
    overlay->setFrame(Rect { { 0, 0 }, { 60, 60 } });
    overlay->setHidden(true);
    makeMovieButtonElement(imageLayerAtIndex(index).get(), overlay.get());
    return overlay;
}

// Lookups and the reuse queue -------------------------------------------------------------------------

Ref<Layer> QVFlowView::itemLayerAtIndex(std::int64_t index) const
{
    if (!scrollLayer_ || index < 0 || index >= std::int64_t(scrollLayer_->sublayers().size()))
        return nullptr;
    return scrollLayer_->sublayers()[std::size_t(index)];
}

Ref<Layer> QVFlowView::imageLayerAtIndex(std::int64_t index) const
{
    const Ref<Layer> item = itemLayerAtIndex(index);
    return item && !item->sublayers().empty() ? item->sublayers().front() : nullptr;
}

Ref<Layer> QVFlowView::overlayLayerAtIndex(std::int64_t index) const
{
    const Ref<Layer> picture = imageLayerAtIndex(index);
    if (!picture)
        return nullptr;
    if (const auto own = picture->valueForKey(QStringLiteral("overlayLayerKey")).objectAs<Layer>())
        return own;
    if (picture->sublayers().empty())
        return nullptr;
    return picture->sublayers().front()->valueForKey(QStringLiteral("overlayLayerKey")).objectAs<Layer>();
}

void QVFlowView::enqeueItemLayer(Layer* layer)
{
    if (layer)
        layerQueue_.push_back(Ref<Layer>(layer));
}

Ref<Layer> QVFlowView::deqeueItemLayer()
{
    if (layerQueue_.empty())
        return nullptr;
    Ref<Layer> layer = layerQueue_.back();
    layerQueue_.pop_back();
    return layer;
}

Ref<Layer> QVFlowView::knobLayer() const
{
    return scrollBarLayer_ && !scrollBarLayer_->sublayers().empty() ? scrollBarLayer_->sublayers().front() : nullptr;
}

// Geometry ------------------------------------------------------------------------------------------

Size QVFlowView::itemSizeForRect(Rect rect) const
{
    const double side = (rect.size.height - 50) * itemScale_;
    return Size { side, side };
}

double QVFlowView::angleScaleForAngle(double angle) { return 1 - angle / 90; }

double QVFlowView::horizontalOffsetForItem(
    std::int64_t i, double itemWidth, double stackedAngle, double spacing, std::int64_t selected) const
{
    const double step = angleScaleForAngle(stackedAngle) * itemWidth + spacing;
    double offset = double(i) * step;
    if (selected > 0 && selected != NotFound && i >= selected)
        offset += itemWidth / 2;
    if (i > selected && selected != NotFound)
        offset += itemWidth / 2;
    return offset;
}

Point QVFlowView::originForItem(std::int64_t i, Size itemSize, double stackedAngle, double spacing, std::int64_t selected) const
{
    const Rect b = scrollLayer_ ? scrollLayer_->bounds() : Rect {};
    return Point { horizontalOffsetForItem(i, itemSize.width, stackedAngle, spacing, selected),
        b.origin.y + b.size.height / 2 - itemSize.height / 2 };
}

Rect QVFlowView::rectForItem(std::int64_t i, Size itemSize) const
{
    return Rect { originForItem(i, itemSize, stackedAngle_, spacing_, selectedIndex_), itemSize };
}

Point QVFlowView::selectedScrollPoint() const
{
    const Rect b = scrollLayer_->bounds();
    const double w = itemSizeForRect(b).width;
    return Point { rectForItem(selectedIndex_, itemSizeForRect(b)).origin.x - b.size.width / 2 + w / 2, 0 };
}

Rect QVFlowView::itemFrameAtIndex(std::int64_t index) const
{
    const Rect r = rectForItem(index, itemSizeForRect(scrollLayer_->bounds()));
    return scrollLayer_->convertRectToLayer(r, backgroundLayer_.get());
}

Rect QVFlowView::rectInViewForLayer(const Layer* layer) const
{
    if (!layer || !backgroundLayer_)
        return {};
    return backgroundLayer_->convertRectFromLayer(layer->bounds(), layer);
}

Rect QVFlowView::boundsFromContentWithAspectRatio(double ratio, Rect itemRect)
{
    if (ratio >= 1)
        return Rect { { 0, 0 }, { itemRect.size.width, itemRect.size.height / ratio } };
    return Rect { { 0, 0 }, { itemRect.size.width * ratio, itemRect.size.height } };
}

// Layout --------------------------------------------------------------------------------------------

void QVFlowView::setFrameForLayer(Layer* layer, std::int64_t index, Size itemSize)
{
    auto* item = dynamic_cast<ReplicatorLayer*>(layer);
    if (!item || item->sublayers().empty())
        return;
    Layer* picture = item->sublayers().front().get();
    const Rect r = rectForItem(index, itemSize);
    const std::int64_t k = selectedIndex_;
    const std::int64_t d = index > k ? index - k : k - index;
    if (index != k) {
        picture->setAnchorPoint(index < k ? Point { 0, 0 } : Point { 1, 0 });
        picture->setTransform(index < k ? leftTransform_ : rightTransform_);
        picture->setZPosition(stackedScale_);
        item->setZPosition(stackedScale_ - double(float(d) * 0.5f));
    } else {
        picture->setAnchorPoint(Point { 0.5, 0 });
        picture->setTransform(Transform3DIdentity);
        picture->setZPosition(selectedScale_);
        item->setZPosition(stackedScale_);
    }
    double q = picture->valueForKey(qv_flow_view_layers::aspectRatioKey).doubleValue();
    if (!(q > 0))
        q = 1;
    picture->setFrame(boundsFromContentWithAspectRatio(q, Rect { { 0, 0 }, r.size }));
    item->setFrame(r);
    item->setInstanceTransform(Transform3DConcat(Transform3DMakeScale(1, -1, 1), Transform3DMakeTranslation(0, -r.size.height, 0)));
}

void QVFlowView::layoutItemLayersInRange(Range range)
{
    const Size size = itemSizeForRect(scrollLayer_->bounds());
    const std::int64_t end = std::min(range.location + range.length, numberOfItems_);
    for (std::int64_t i = std::max<std::int64_t>(range.location, 0); i < end; ++i)
        setFrameForLayer(itemLayerAtIndex(i).get(), i, size);
}

void QVFlowView::beginLayoutTransaction()
{
    Transaction::begin();
    if (inLiveResize())
        Transaction::setDisableActions(true);
    Transaction::setAnimationDuration(scrollDuration_);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionEaseOut));
    const Weak<QVFlowView> weak(this);
    Transaction::setCompletionBlock([weak] {
        const Ref<QVFlowView> view = weak.lock();
        if (!view)
            return;
        view->updateImages();
        view->setupTrackingAreas();
    });
}

void QVFlowView::setItemStale(std::int64_t index, bool stale, Size itemSize)
{
    const Ref<Layer> layer = itemLayerAtIndex(index);
    if (!layer)
        return;
    Transaction::begin();
    Transaction::setDisableActions(true);
    if (!stale && lastPassSelection_ != NotFound) {
        // Where the full pass left it, so that its move now starts from there.
        const std::int64_t selected = selectedIndex_;
        selectedIndex_ = lastPassSelection_;
        setFrameForLayer(layer.get(), index, itemSize);
        selectedIndex_ = selected;
    }
    layer->setHidden(stale);
    Transaction::commit();
}

void QVFlowView::layoutPass(Range range)
{
    const Size size = itemSizeForRect(scrollLayer_->bounds());
    const std::int64_t n = numberOfItems_;
    const std::int64_t k = selectedIndex_;
    const bool all = usesFullLayout_ || layoutAll_ || size != lastLayoutSize_ || lastPassSelection_ == NotFound;
    const std::int64_t first = std::max<std::int64_t>(range.location, 0);
    const std::int64_t last = std::min(range.location + range.length, n) - 1;
    std::int64_t lo = first;
    std::int64_t hi = last;
    if (all) {
        for (std::int64_t i = first; i <= last; ++i)
            if (const Ref<Layer> layer = itemLayerAtIndex(i); layer && layer->isHidden())
                setItemStale(i, false, size);
    } else {
        const std::int64_t reach = lastMaxStacked_ + 4;
        lo = std::max(first, std::min(lastPassSelection_, k) - reach);
        hi = std::min(last, std::max(lastPassSelection_, k) + reach);
        // Items a running animation still moves stay in.
        const double now = Application::now();
        std::erase_if(runningWindows_, [now](const RunningWindow& w) { return w.end <= now; });
        for (const RunningWindow& w : runningWindows_) {
            lo = std::max(first, std::min(lo, w.lo));
            hi = std::min(last, std::max(hi, w.hi));
        }
        // Fresh items leaving the window hide; stale ones entering it come back first.
        for (std::int64_t i = freshLo_; i <= freshHi_; ++i)
            if (i < lo || i > hi)
                setItemStale(i, true, size);
        for (std::int64_t i = lo; i <= hi; ++i)
            if (i < freshLo_ || i > freshHi_)
                setItemStale(i, false, size);
    }
    for (std::int64_t i = lo; i <= hi; ++i)
        setFrameForLayer(itemLayerAtIndex(i).get(), i, size);
    freshLo_ = lo;
    freshHi_ = hi;
    if (!inLiveResize())
        runningWindows_.push_back({ Application::now() + scrollDuration_, lo, hi });
    layoutAll_ = false;
    lastLayoutSize_ = size;
    lastPassSelection_ = k;
}

void QVFlowView::layoutSublayersOfLayer(Layer* layer)
{
    if (layer != scrollLayer_.get() || selectedIndex_ == NotFound)
        return;
    beginLayoutTransaction();
    layoutPass(Range { 0, numberOfItems_ });
    scrollLayer_->scrollToPoint(selectedScrollPoint());
    Transaction::commit();
    calculateVisibleItems();
    updateScrollKnob();
}

void QVFlowView::updateSelectionInRange(Range range)
{
    beginLayoutTransaction();
    layoutItemLayersInRange(range);
    if (selectedIndex_ != NotFound)
        scrollLayer_->scrollToPoint(selectedScrollPoint());
    Transaction::commit();
    calculateVisibleItems();
    updateScrollKnob();
    setTitle(selectedIndex_ == NotFound ? QString() : titleAtIndex(selectedIndex_));
    // The items take their places in the scroll layer's pass that follows the scroll.
    scrollLayer_->setNeedsLayout();
}

Value QVFlowView::actionForLayerForKey(Layer* layer, const QString&)
{
    if (layer == scrollLayer_.get() && inLiveResize())
        return Value::null();
    return {};
}

void QVFlowView::reloadContent()
{
    std::int64_t count = 0;
    if (bindingsEnabled()) {
        count = contentArray().count();
    } else if (const auto source = dataSourceFor("numberOfItemsInFlowView")) {
        if (dataSourceFor("flowViewItemAtIndex"))
            count = std::max<std::int64_t>(0, source->numberOfItemsInFlowView(this));
    }
    setNumberOfItems(count);
    if (!scrollLayer_)
        return;

    Transaction::begin();
    Transaction::setDisableActions(true);
    // Child i of the list stands for item i: the pictures give their elements back below.
    if (listElement_ && listElement_->countOfChildren() > 0)
        listElement_->removeChildrenAtIndexes(
            IndexSet::indexSetWithIndexesInRange(Range { 0, std::int64_t(listElement_->countOfChildren()) }));
    // Queued from the last, so that the queue, last in first out, hands every index back the layer
    // that stood there: a layer that keeps its item keeps its place and its picture.
    const std::vector<Ref<Layer>> old = scrollLayer_->sublayers();
    for (auto it = old.rbegin(); it != old.rend(); ++it)
        enqeueItemLayer(it->get());
    scrollLayer_->setSublayers({});
    const ItemReader items = itemReader();
    std::vector<Ref<Layer>> layers;
    layers.reserve(std::size_t(count));
    std::vector<Ref<QVLayerAccessibilityHelper>> elements;
    elements.reserve(std::size_t(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const Value item = items.itemAt(this, i);
        Ref<Layer> layer = deqeueItemLayer();
        if (layer) {
            layer->setValueForKey(Value(i), qv_flow_view_layers::indexKey);
            layer->setValueForKey(imageUIDForItem(item), qv_flow_view_layers::uidKey);
            if (!layer->sublayers().empty())
                setAttributesForItemContentLayer(layer->sublayers().front().get(), i, item);
        } else {
            layer = createItemLayer(i, item);
        }
        if (const auto element = layer->sublayers().empty() ? nullptr : pictureElement(layer->sublayers().front().get()))
            elements.push_back(element);
        layers.push_back(std::move(layer));
    }
    scrollLayer_->setSublayers(layers);
    if (listElement_ && !elements.empty())
        listElement_->insertChildrenAtIndexes(elements, IndexSet::indexSetWithIndexesInRange(Range { 0, std::int64_t(elements.size()) }));
    Transaction::commit();

    if (selectedIndex_ >= count || selectedIndex_ < 0) {
        if (count == 0)
            selectedIndex_ = NotFound; // nothing to select: no delegate call, no stale title
        else
            setSelectedIndex(0);
    }
    layoutAll_ = true;
    updateAllImages_ = true;
    shownImages_ = IndexSet();
    lastImageWindow_ = IndexSet();
    scrollLayer_->setNeedsLayout();
    updateSelectionInRange(Range { 0, count });
    updateScrollKnob();
}

void QVFlowView::calculateVisibleItems()
{
    const std::int64_t n = std::min<std::int64_t>(numberOfItems_, std::int64_t(scrollLayer_->sublayers().size()));
    const auto visible = [&](std::int64_t i) {
        const Ref<Layer> layer = itemLayerAtIndex(i);
        return layer && !layer->isHidden() && !IsEmptyRect(layer->visibleRect());
    };
    std::int64_t lo = NotFound;
    std::int64_t hi = -1;
    const std::int64_t k = selectedIndex_;
    if (k != NotFound && k < n && visible(k)) {
        // The visible items are contiguous: walk out from the selection on both sides.
        lo = hi = k;
        while (lo > 0 && visible(lo - 1))
            --lo;
        while (hi + 1 < n && visible(hi + 1))
            ++hi;
    } else {
        for (std::int64_t i = 0; i < n; ++i)
            if (visible(i)) {
                lo = std::min(lo, i);
                hi = i;
            } else if (hi >= 0) {
                break;
            }
    }
    visibleItemIndexes_ = hi >= 0 ? IndexSet::indexSetWithIndexesInRange(Range { lo, hi - lo + 1 }) : IndexSet();
    lastMaxStacked_ = maximumNumberOfStackedVisibleItems();
}

void QVFlowView::updateReflection()
{
    if (!scrollLayer_)
        return;
    for (const Ref<Layer>& layer : scrollLayer_->sublayers())
        if (auto* item = dynamic_cast<ReplicatorLayer*>(layer.get())) {
            item->setInstanceCount(showsReflection_ ? 2 : 1);
            item->setInstanceRedOffset(reflectionOffset_);
            item->setInstanceGreenOffset(reflectionOffset_);
            item->setInstanceBlueOffset(reflectionOffset_);
        }
}

void QVFlowView::updateScrollKnob()
{
    if (!scrollBarLayer_)
        return;
    const std::int64_t n = numberOfItems_;
    scrollBarLayer_->setHidden(n < 2);
    const Ref<Layer> knob = knobLayer();
    if (n < 2 || !knob)
        return;
    const Rect bar = scrollBarLayer_->bounds();
    const Rect frame = knob->frame();
    const double width = std::max(40.0, double(maximumNumberOfStackedVisibleItems()) / double(n) * (bar.size.width - 10));
    const double free = bar.size.width - 10 - width;
    const double k = selectedIndex_ == NotFound ? 0.0 : double(selectedIndex_);
    const double x = k / double(n - 1) * free + 5;
    knob->setFrame(Rect { { x, frame.origin.y }, { width, frame.size.height } });
    knob->setNeedsDisplay();
}

void QVFlowView::selectLayerAtIndex(std::int64_t index)
{
    if (draggingKnob_)
        return;
    const Ref<Layer> picture = imageLayerAtIndex(index);
    if (!picture || !picture->sublayers().empty())
        return;
    // A composition would start here; there are none to play.
}

void QVFlowView::deselectLayerAtIndex(std::int64_t index)
{
    const Ref<Layer> picture = imageLayerAtIndex(index);
    if (!picture)
        return;
    Transaction::begin();
    Transaction::setDisableActions(true);
    // An overlay's button leaves the accessibility tree with it (QVVideoOverlayLayer's handler).
    for (const Ref<Layer>& sublayer : std::vector<Ref<Layer>>(picture->sublayers()))
        sublayer->removeFromSuperlayer();
    Transaction::commit();
}

void QVFlowView::highlightLayer(Layer* layer, bool highlighted, double cornerRadius, std::optional<CGColor> color)
{
    if (!layer)
        return;
    if (highlighted) {
        layer->setCornerRadius(cornerRadius);
        layer->setBorderWidth(2);
        layer->setBorderColor(color);
    } else {
        layer->setCornerRadius(0);
        layer->setBorderWidth(0);
        layer->setBorderColor(std::nullopt);
    }
}
