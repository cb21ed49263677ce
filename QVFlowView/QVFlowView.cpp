#include "QVFlowView/QVFlowView.h"

#include "QVFlowView/QVLayerAccessibilityHelper.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/Window.h"
#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/Exception.h"
#include "kit/core/Selector.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/Color.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace kit;

namespace NSColorAdditions {

CGColor QVFlowCGColor(const Color& color)
{
    CGColor c;
    color.getRedGreenBlueAlpha(&c.r, &c.g, &c.b, &c.a);
    return c;
}

} // namespace NSColorAdditions

QVFlowView::QVFlowView(Rect frame)
    : Control(frame)
{
    makeWorkers();
    setDefaults();
    setupLayers();
    setTitle(QStringLiteral("Title"));
    setTitleSize(18);
    registerForDraggedTypes({ URLPboardType });
}

QVFlowView::~QVFlowView()
{
    // Stop observing the controller and the items before the fields go.
    if (bindingsEnabled())
        unbind(ContentArrayBinding);
    if (operationQueue_)
        operationQueue_->cancelAllOperations();
    for (const Ref<Layer>& layer : { Ref<Layer>(scrollLayer_), Ref<Layer>(backgroundLayer_) })
        if (layer && layer->delegate().get() == this)
            layer->setDelegate(nullptr);
    if (scrollLayer_)
        scrollLayer_->setLayoutManager(nullptr);
}

void QVFlowView::makeWorkers()
{
    operationQueue_ = make<OperationQueue>();
    imageCache_ = make<Cache<QString, Ref<CGImage>>>();
    imageCache_->setTotalCostLimit(ImageCacheCostLimit);
}

void QVFlowView::setDefaults()
{
    imageCache_->setEvictsObjectsWithDiscardedContent(true);
    setAcceptsTouchEvents(true);
    setStackedAngle(70);
    setSpacing(50);
    setSelectedScale(200);
    setStackedScale(-200);
    setReflectionOffset(-0.4);
    selectedIndex_ = NotFound;
    setShowsReflection(true);
    Transform3D perspective = Transform3DIdentity;
    perspective.m34 = -1.0 / 1500;
    setPerspective(perspective);
    setScrollDuration(0.4);
    setItemScale(1.0);
    setPreviewScale(0.25);
}

// Properties ----------------------------------------------------------------------------------------

void QVFlowView::setShowsReflection(bool flag)
{
    if (flag == showsReflection_)
        return;
    showsReflection_ = flag;
    updateReflection();
}

void QVFlowView::setDraggingKnob(bool flag)
{
    if (flag == draggingKnob_)
        return;
    draggingKnob_ = flag;
    if (!flag)
        selectLayerAtIndex(selectedIndex_);
}

void QVFlowView::setStackedAngle(double angle)
{
    if (std::isnan(angle) || angle == stackedAngle_)
        return;
    stackedAngle_ = std::clamp(angle, 0.0, 90.0);
    const double radians = stackedAngle_ * std::numbers::pi / 180;
    leftTransform_ = Transform3DMakeRotation(radians, 0, 1, 0);
    rightTransform_ = Transform3DMakeRotation(-radians, 0, 1, 0);
    layoutAll_ = true;
    if (scrollLayer_)
        scrollLayer_->setNeedsLayout();
}

void QVFlowView::setSpacing(double spacing)
{
    // Unbounded, but a value that is not a finite number would take every item out of the row.
    if (!std::isfinite(spacing) || spacing == spacing_)
        return;
    spacing_ = spacing;
    layoutAll_ = true;
    if (scrollLayer_)
        scrollLayer_->setNeedsLayout();
}

void QVFlowView::setItemScale(double scale)
{
    if (std::isnan(scale) || scale == itemScale_)
        return;
    itemScale_ = std::clamp(scale, 0.1, 1.0);
    layoutAll_ = true;
    if (scrollLayer_)
        scrollLayer_->setNeedsLayout();
}

void QVFlowView::setPreviewScale(double scale)
{
    if (std::isnan(scale) || scale == previewScale_)
        return;
    previewScale_ = std::clamp(scale, 0.01, 1.0);
    ++*imageGeneration_;
    imageCache_->removeAllObjects();
    updateAllImages_ = true;
    updateImages();
}

void QVFlowView::setReflectionOffset(double offset)
{
    if (std::isnan(offset) || offset == reflectionOffset_)
        return;
    reflectionOffset_ = std::clamp(offset, -1.0, 0.0);
    updateReflection();
}

void QVFlowView::setPerspective(const Transform3D& t)
{
    if (t == perspective_)
        return;
    perspective_ = t;
    if (scrollLayer_)
        scrollLayer_->setSublayerTransform(t);
}

void QVFlowView::setSelectedLayer(Layer* layer)
{
    // A press on nothing keeps the layer pressed before.
    if (!layer)
        return;
    if (layer != selectedLayer_.get()) {
        if (selectedLayer_)
            selectedLayer_->setValueForKey(Value(false), QStringLiteral("highlighted"));
        selectedLayer_ = Ref<Layer>(layer);
    }
    layer->setValueForKey(Value(true), QStringLiteral("highlighted"));
}

void QVFlowView::setHighlightedLayer(Layer* layer)
{
    if (layer == highlightedLayer_.get())
        return;
    if (highlightedLayer_)
        highlightLayer(highlightedLayer_.get(), false, 0, std::nullopt);
    highlightedLayer_ = Ref<Layer>(layer);
    if (layer)
        highlightLayer(layer, true, 0, NSColorAdditions::QVFlowCGColor(*Color::selectedControlColor()));
}

std::int64_t QVFlowView::maximumNumberOfStackedVisibleItems() const
{
    if (visibleItemIndexes_.count() == 0 || selectedIndex_ == NotFound)
        return 0;
    return std::max(selectedIndex_ - visibleItemIndexes_.firstIndex(), visibleItemIndexes_.lastIndex() - selectedIndex_) + 1;
}

// Title ---------------------------------------------------------------------------------------------

QString QVFlowView::title() const { return titleLayer_ ? titleLayer_->string() : QString(); }

void QVFlowView::setTitle(const QString& title)
{
    if (titleLayer_)
        titleLayer_->setString(title);
}

void QVFlowView::setTitleFont(const Value& font)
{
    if (titleLayer_)
        titleLayer_->setFont(font);
}

void QVFlowView::setTitleSize(double size)
{
    if (titleLayer_)
        titleLayer_->setFontSize(size);
}

void QVFlowView::setTitleColor(const Color& color)
{
    if (titleLayer_)
        titleLayer_->setForegroundColor(NSColorAdditions::QVFlowCGColor(color));
}

// Selection -----------------------------------------------------------------------------------------

void QVFlowView::setSelectedIndex(std::int64_t index)
{
    if (index == selectedIndex_ || index < 0 || index >= numberOfItems_)
        return;
    deselectLayerAtIndex(selectedIndex_);
    const std::int64_t before = selectedIndex_;
    willChangeValueForKey(QStringLiteral("selectedIndex"));
    selectedIndex_ = index;
    didChangeValueForKey(QStringLiteral("selectedIndex"));
    updateSelectionInRange(Range { index, 0 });
    selectLayerAtIndex(index);
    announceSelection(before);
    if (const auto d = delegateFor("flowViewSelectionDidChange"))
        d->flowViewSelectionDidChange(this);
    if (bindingsEnabled())
        if (const auto controller = dynamic_pointer_cast<ArrayController>(contentArrayController()))
            controller->setSelectionIndex(index);
}

QVFlowView::Answerer<QVFlowViewDataSource> QVFlowView::dataSourceFor(const char* selector) const
{
    Answerer<QVFlowViewDataSource> answerer { dataSource() };
    if (answerer.object && answerer.object->respondsToSelector(Selector(selector)))
        answerer.protocol = dynamic_cast<QVFlowViewDataSource*>(answerer.object.get());
    return answerer;
}

QVFlowView::Answerer<QVFlowViewDelegate> QVFlowView::delegateFor(const char* selector) const
{
    Answerer<QVFlowViewDelegate> answerer { delegate() };
    if (answerer.object && answerer.object->respondsToSelector(Selector(selector)))
        answerer.protocol = dynamic_cast<QVFlowViewDelegate*>(answerer.object.get());
    return answerer;
}

// Items ---------------------------------------------------------------------------------------------

QVFlowView::ItemReader QVFlowView::itemReader() const
{
    ItemReader reader;
    reader.bound = bindingsEnabled();
    if (reader.bound)
        reader.content = contentArray();
    reader.source = dataSourceFor("flowViewItemAtIndex");
    return reader;
}

Value QVFlowView::ItemReader::itemAt(const QVFlowView* view, std::int64_t index) const
{
    if (index == NotFound || index < 0)
        return {};
    if (bound && index < content.count())
        return content[index];
    if (source)
        return source->flowViewItemAtIndex(const_cast<QVFlowView*>(view), index);
    return {};
}

Value QVFlowView::imageItemForIndex(std::int64_t index) const { return itemReader().itemAt(this, index); }

namespace qv_flow_view {

// The four accessors, named once: items are read in loops over every index.
struct Accessor {
    QString key;
    Selector selector;
    explicit Accessor(const char* name)
        : key(QString::fromUtf8(name))
        , selector(key)
    { }
};

struct Accessors {
    Accessor uid { "imageItemUID" };
    Accessor type { "imageItemRepresentationType" };
    Accessor representation { "imageItemRepresentation" };
    Accessor title { "imageItemTitle" };
};

const Accessors& accessors()
{
    static const Accessors all;
    return all;
}

Value itemValue(const Value& item, bool bound, const QString& keyPath, const Accessor& accessor)
{
    const Ref<Object> object = item.object();
    if (!object)
        return {};
    if (bound && !keyPath.isEmpty())
        return object->valueForKeyPath(keyPath);
    if (object->respondsToSelector(accessor.selector))
        return object->valueForKey(accessor.key);
    return {};
}

} // namespace qv_flow_view

Value QVFlowView::imageUIDForItem(const Value& item) const
{
    return qv_flow_view::itemValue(item, bindingsEnabled(), imageUIDKeyPath_, qv_flow_view::accessors().uid);
}

QString QVFlowView::imageRepresentationTypeForItem(const Value& item) const
{
    const Value type = qv_flow_view::itemValue(item, bindingsEnabled(), imageRepresentationTypeKeyPath_, qv_flow_view::accessors().type);
    return type.isString() ? type.string() : QString();
}

Value QVFlowView::imageRepresentationForItem(const Value& item) const
{
    return qv_flow_view::itemValue(item, bindingsEnabled(), imageRepresentationKeyPath_, qv_flow_view::accessors().representation);
}

QString QVFlowView::imageTitleForItem(const Value& item) const
{
    const Value title = qv_flow_view::itemValue(item, bindingsEnabled(), imageTitleKeyPath_, qv_flow_view::accessors().title);
    if (title.isNilOrNull())
        return localizedString(QStringLiteral("Untitled item"));
    return title.stringValue();
}

QString QVFlowView::titleAtIndex(std::int64_t index) const { return imageTitleForItem(imageItemForIndex(index)); }

// View, animator, coding ----------------------------------------------------------------------------

void QVFlowView::viewWillMoveToWindow(Window* newWindow)
{
    const Ref<Window> current = window();
    if (newWindow && !current) {
        setupLayers();
        setupTrackingAreas();
        reloadContent(); // a view put back into a window (a tab switch) shows its items again
    } else if (!newWindow && current) {
        operationQueue_->cancelAllOperations();
        setLayer(nullptr);
    }
    Control::viewWillMoveToWindow(newWindow);
}

void QVFlowView::viewWillMoveToSuperview(View* superview)
{
    if (!superview && this->superview()) {
        // Unbinding the content stops observing the items once, and clears the list.
        const Dictionary info = bindingInfo_;
        for (const auto& [name, value] : info)
            unbind(name.stringValue());
    }
    Control::viewWillMoveToSuperview(superview);
}

void QVFlowView::viewDidEndLiveResize()
{
    Control::viewDidEndLiveResize();
    updateImages();
}

Ref<BasicAnimation> QVFlowView::defaultAnimationForKey(const QString& key) const
{
    if (key == QLatin1String("spacing") || key == QLatin1String("stackedAngle"))
        return make<BasicAnimation>();
    return AnimatablePropertyContainer::defaultAnimationForKey(key);
}

void QVFlowView::encodeWithCoder(Coder& coder) const
{
    Control::encodeWithCoder(coder);
    coder.encodeDoubleForKey(stackedAngle_, QStringLiteral("stackedAngle"));
    coder.encodeDoubleForKey(spacing_, QStringLiteral("spacing"));
    coder.encodeDoubleForKey(selectedScale_, QStringLiteral("selectedScale"));
    coder.encodeDoubleForKey(stackedScale_, QStringLiteral("stackedScale"));
    coder.encodeDoubleForKey(reflectionOffset_, QStringLiteral("reflectionOffset"));
    coder.encodeDoubleForKey(showsReflection_ ? 1.0 : 0.0, QStringLiteral("showsReflection"));
    coder.encodeObjectForKey(ValueTraits<Transform3D>::toValue(perspective_), QStringLiteral("perspective"));
    coder.encodeDoubleForKey(scrollDuration_, QStringLiteral("scrollDuration"));
    coder.encodeDoubleForKey(itemScale_, QStringLiteral("itemScale"));
    coder.encodeDoubleForKey(previewScale_, QStringLiteral("previewScale"));
}

void QVFlowView::initWithCoder(Coder& coder)
{
    Control::initWithCoder(coder);
    // The frame constructor has set the defaults: absent keys keep them.
    const auto has = [&](const char* key) { return coder.containsValueForKey(QString::fromUtf8(key)); };
    if (has("stackedAngle"))
        setStackedAngle(coder.decodeDoubleForKey(QStringLiteral("stackedAngle")));
    if (has("spacing"))
        setSpacing(coder.decodeDoubleForKey(QStringLiteral("spacing")));
    if (has("selectedScale"))
        setSelectedScale(coder.decodeDoubleForKey(QStringLiteral("selectedScale")));
    if (has("stackedScale"))
        setStackedScale(coder.decodeDoubleForKey(QStringLiteral("stackedScale")));
    if (has("reflectionOffset"))
        setReflectionOffset(coder.decodeDoubleForKey(QStringLiteral("reflectionOffset")));
    if (has("showsReflection"))
        setShowsReflection(coder.decodeBoolForKey(QStringLiteral("showsReflection")));
    if (has("perspective")) {
        const Value perspective = coder.decodeObjectForKey(QStringLiteral("perspective"));
        if (!perspective.isNilOrNull())
            setPerspective(transform3DFromValue(perspective));
    }
    if (has("scrollDuration"))
        setScrollDuration(coder.decodeDoubleForKey(QStringLiteral("scrollDuration")));
    if (has("itemScale"))
        setItemScale(coder.decodeDoubleForKey(QStringLiteral("itemScale")));
    if (has("previewScale"))
        setPreviewScale(coder.decodeDoubleForKey(QStringLiteral("previewScale")));
    setTitle(QString());
    setTitleSize(18);
    registerForDraggedTypes({ URLPboardType });
}

KIT_REGISTER_CLASS(QVFlowView, Control)
{
    c.exposeBinding(ContentArrayBinding)
        .exposeBinding(QStringLiteral("imageRepresentationKeyPath"))
        .exposeBinding(QStringLiteral("imageRepresentationTypeKeyPath"))
        .exposeBinding(QStringLiteral("imageUIDKeyPath"))
        .exposeBinding(QStringLiteral("imageTitleKeyPath"));
    c.property("showsReflection", &QVFlowView::showsReflection, &QVFlowView::setShowsReflection);
    c.property("draggingKnob", &QVFlowView::draggingKnob, &QVFlowView::setDraggingKnob);
    c.property("canControlQuickLookPanel", &QVFlowView::canControlQuickLookPanel, &QVFlowView::setCanControlQuickLookPanel);
    c.property("stackedAngle", &QVFlowView::stackedAngle, &QVFlowView::setStackedAngle);
    c.property("selectedIndex", &QVFlowView::selectedIndex, &QVFlowView::setSelectedIndex);
    c.property("spacing", &QVFlowView::spacing, &QVFlowView::setSpacing);
    c.property("stackedScale", &QVFlowView::stackedScale, &QVFlowView::setStackedScale);
    c.property("selectedScale", &QVFlowView::selectedScale, &QVFlowView::setSelectedScale);
    c.property("reflectionOffset", &QVFlowView::reflectionOffset, &QVFlowView::setReflectionOffset);
    c.property("numberOfItems", &QVFlowView::numberOfItems, &QVFlowView::setNumberOfItems);
    c.property("scrollDuration", &QVFlowView::scrollDuration, &QVFlowView::setScrollDuration);
    c.property("itemScale", &QVFlowView::itemScale, &QVFlowView::setItemScale);
    c.property("previewScale", &QVFlowView::previewScale, &QVFlowView::setPreviewScale);
    c.property("mouseDownInKnob", &QVFlowView::mouseDownInKnob, &QVFlowView::setMouseDownInKnob);
    c.property("leftTransform", &QVFlowView::leftTransform, &QVFlowView::setLeftTransform);
    c.property("rightTransform", &QVFlowView::rightTransform, &QVFlowView::setRightTransform);
    c.property("perspective", &QVFlowView::perspective, &QVFlowView::setPerspective);
    c.property("title", &QVFlowView::title, &QVFlowView::setTitle);
    c.property("imageRepresentationKeyPath", &QVFlowView::imageRepresentationKeyPath, &QVFlowView::setImageRepresentationKeyPath);
    c.property(
        "imageRepresentationTypeKeyPath", &QVFlowView::imageRepresentationTypeKeyPath, &QVFlowView::setImageRepresentationTypeKeyPath);
    c.property("imageUIDKeyPath", &QVFlowView::imageUIDKeyPath, &QVFlowView::setImageUIDKeyPath);
    c.property("imageTitleKeyPath", &QVFlowView::imageTitleKeyPath, &QVFlowView::setImageTitleKeyPath);
    c.property("maximumNumberOfStackedVisibleItems", &QVFlowView::maximumNumberOfStackedVisibleItems);
    c.property("bindingsEnabled", &QVFlowView::bindingsEnabled);
    c.action("moveLeft", &QVFlowView::moveLeft);
    c.action("moveRight", &QVFlowView::moveRight);
    c.action("togglePreviewPanel", &QVFlowView::togglePreviewPanel);
    c.optionalOperations({ "layoutSublayersOfLayer", "actionForLayerForKey", "draggingSourceOperationMaskForLocal",
        "draggedImageEndedAtOperation", "draggingEntered", "draggingUpdated", "draggingExited", "prepareForDragOperation",
        "performDragOperation", "concludeDragOperation", "wantsPeriodicDraggingUpdates" });
}
