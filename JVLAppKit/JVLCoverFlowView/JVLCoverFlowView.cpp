// Fields, the layer tree, content and its observation, the accessory controller, archiving and
// teardown of the cover-flow view.

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"

#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/controls/CellDrawing.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/MainThread.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Gradient.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/layers/ConstraintLayoutManager.h"

#include <cmath>
#include <unordered_set>

using namespace kit;

namespace JVLCoverFlowViewTree {

// Observation context of the view's own content observations.
char observationContext;

const QString scrollerKey = QStringLiteral("JVLCoverFlowView.scroller");
const QString showsScrollbarKey = QStringLiteral("showsScrollbar");
const QString autoresizesItemsKey = QStringLiteral("autoresizesItems");
const QString itemSizeKey = QStringLiteral("itemSize");
const QString imageKeyPathKey = QStringLiteral("imageKeyPath");

// Fixed resolution of the shade: it is stretched to any item size.
constexpr int rampLength = 256;
constexpr int rampWidth = 8;

Ref<Gradient> blackRamp(double startAlpha, double endAlpha)
{
    return Gradient::gradientWithStartingColorEndingColor(
        Color::colorWithCalibratedWhiteAlpha(0, startAlpha), Color::colorWithCalibratedWhiteAlpha(0, endAlpha));
}

} // namespace JVLCoverFlowViewTree

KIT_REGISTER_CLASS(JVLCoverFlowView, View)
{
    c.property("content", &JVLCoverFlowView::content, &JVLCoverFlowView::setContent);
    c.property(
        "imageKeyPath", [](const JVLCoverFlowView& v) { return v.imageKeyPath().isNull() ? Value() : Value(v.imageKeyPath()); },
        [](JVLCoverFlowView& v, const Value& k) { v.setImageKeyPath(k.isString() ? k.string() : QString()); });
    c.property("itemSize", &JVLCoverFlowView::itemSize, &JVLCoverFlowView::setItemSize);
    c.property("autoresizesItems", &JVLCoverFlowView::autoresizesItems, &JVLCoverFlowView::setAutoresizesItems);
    c.property("showsScrollbar", &JVLCoverFlowView::showsScrollbar, &JVLCoverFlowView::setShowsScrollbar);
    c.property(
        "accessoryController", [](const JVLCoverFlowView& v) { return Value(v.accessoryController()); },
        [](JVLCoverFlowView& v, const Value& c) { v.setAccessoryController(c.objectAs<ViewController>()); });
    c.property("placeholderIcon", &JVLCoverFlowView::placeholderIcon, &JVLCoverFlowView::setPlaceholderIcon);
    c.property("selectionIndex", &JVLCoverFlowView::selectionIndex, &JVLCoverFlowView::setSelectionIndex);
    c.property("selectedObject", &JVLCoverFlowView::selectedObject, &JVLCoverFlowView::setSelectedObject);
    c.dependentKey("selectedObject", { QStringLiteral("selectionIndex") });
    c.property(
        "target", [](const JVLCoverFlowView& v) { return Value(v.target()); },
        [](JVLCoverFlowView& v, const Value& t) { v.setTarget(t.object().get()); });
    c.property(
        "action", [](const JVLCoverFlowView& v) { return v.action() ? Value(v.action().name()) : Value(); },
        [](JVLCoverFlowView& v, const Value& a) { v.setAction(a.isString() ? Selector(a.string()) : Selector()); });
    c.action("scrollerChange", &JVLCoverFlowView::scrollerChanged);
    c.optionalOperation("drawLayerInContext");
    c.exposeBinding("content").exposeBinding("selectionIndex");
}

JVLCoverFlowView::JVLCoverFlowView()
{
    build();
}

JVLCoverFlowView::JVLCoverFlowView(Rect frame)
    : View(frame)
{
    build();
}

void JVLCoverFlowView::build()
{
    using namespace JVLCoverFlowViewTree;
    imageLoadQueue_ = make<OperationQueue>();
    imageLoadQueue_->setMaxConcurrentOperationCount(1);
    placeholderIcon_ = Image::imageNamed(ImageNameQuickLookTemplate);
    autoresizesItems_ = true;
    setAutoresizesSubviews(true);

    scroller_ = make<JVLCoverFlowScroller>(MakeRect(10, 10, 400, 16));
    scroller_->setEnabled(true);
    scroller_->setTarget(this);
    scroller_->setAction(Selector("scrollerChange"));
    scroller_->setKnobProportion(1.0);
    scroller_->setHidden(true);
    addSubview(scroller_.get());

    leftTransform_ = Transform3DMakeRotation(-0.79, 0, -1, 0);
    rightTransform_ = Transform3DMakeRotation(0.79, 0, -1, 0);
    itemSize_ = MakeSize(140, 100);

    rootLayer_ = Layer::layer();
    rootLayer_->setLayoutManager(ConstraintLayoutManager::layoutManager().get());
    rootLayer_->setBackgroundColor(CGColor::getConstantColor(CGColor::Constant::Black));
    setLayer(rootLayer_.get());

    containerLayer_ = Layer::layer();
    containerLayer_->setName(QStringLiteral("body"));
    applyContainerConstraints();
    rootLayer_->addSublayer(containerLayer_.get());

    scrollLayer_ = ScrollLayer::layer();
    scrollLayer_->setScrollMode(ScrollHorizontally);
    scrollLayer_->setAutoresizingMask(LayerWidthSizable | LayerHeightSizable);
    scrollLayer_->setLayoutManager(this);
    containerLayer_->addSublayer(scrollLayer_.get());

    // The shade darkens every reflection: alpha 0.6 at its bottom (next to the picture, the
    // reflection being mirrored) to 1.0 at its top.
    shadowImage_ = drawnBitmap(rampWidth, rampLength, [](Rect r) { blackRamp(0.6, 1.0)->drawInRectAngle(r, 90); });

    overlayLayer_ = Layer::layer();
    overlayLayer_->setAutoresizingMask(LayerWidthSizable | LayerHeightSizable);
    overlayLayer_->setLayoutManager(ConstraintLayoutManager::layoutManager().get());
    // The edges darken whatever passes under them every frame: drawn at their own size (not the
    // frame the view was made at), they blend without being scaled.
    leftGradientLayer_ = Layer::layer();
    rightGradientLayer_ = Layer::layer();
    bottomGradientLayer_ = Layer::layer();
    for (Layer* edge : { leftGradientLayer_.get(), rightGradientLayer_.get(), bottomGradientLayer_.get() }) {
        edge->setDelegate(this);
        edge->setNeedsDisplayOnBoundsChange(true);
    }
    bottomGradientLayer_->setMasksToBounds(true);
    bottomGradientLayer_->setConstraints({
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMaxX, "superlayer", ConstraintMaxX),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMinY, "superlayer", ConstraintMinY),
        Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMinX, "superlayer", ConstraintMinX),
        Constraint::constraintWithAttributeRelativeToAttributeOffset(ConstraintMaxY, "superlayer", ConstraintMinY, 32),
    });
    applyGradientConstraints();
    overlayLayer_->addSublayer(rightGradientLayer_.get());
    overlayLayer_->addSublayer(leftGradientLayer_.get());
    overlayLayer_->addSublayer(bottomGradientLayer_.get());
    containerLayer_->addSublayer(overlayLayer_.get());
    // The overlay and the scroll layer fill the container from the start.
    const Rect body = containerLayer_->bounds();
    scrollLayer_->setFrame(body);
    overlayLayer_->setFrame(body);

    // The keyboard focus, above the pictures and their edges.
    focusRingLayer_ = FocusRingLayer::layer();
    rootLayer_->addSublayer(focusRingLayer_.get());
}

void JVLCoverFlowView::viewWillDraw()
{
    const bool ring = kit::ShowsFocusRing(this, kit::FocusRingTypeDefault);
    if (focusRingLayer_)
        focusRingLayer_->setShown(ring);
    View::viewWillDraw();
}

bool JVLCoverFlowView::becomeFirstResponder()
{
    if (!View::becomeFirstResponder())
        return false;
    setNeedsDisplay(true);
    return true;
}

bool JVLCoverFlowView::resignFirstResponder()
{
    if (!View::resignFirstResponder())
        return false;
    setNeedsDisplay(true);
    return true;
}

void JVLCoverFlowView::drawLayerInContext(Layer* layer, CGContext& context)
{
    using namespace JVLCoverFlowViewTree;
    // Opaque at the outer edge: the left one's left, the right one's right, the bottom one's bottom.
    const double angle = layer == leftGradientLayer_.get() ? 0 : layer == rightGradientLayer_.get() ? 180 : layer == bottomGradientLayer_.get() ? 90 : -1;
    if (angle < 0)
        return;
    // Marked flipped as the original drawing asks; gradients run in user space either way.
    GraphicsContext::Scope current(GraphicsContext::graphicsContextWithGraphicsPortFlipped(Ref<CGContext>(&context), true));
    // Over every pixel of the bitmap, which rounds the bounds up: it is stretched back onto them.
    const Rect b = layer->bounds();
    const double scale = layer->contentsScale();
    blackRamp(1, 0)->drawInRectAngle(
        MakeRect(b.minX(), b.minY(), std::ceil(b.width() * scale - 1e-9) / scale, std::ceil(b.height() * scale - 1e-9) / scale), angle);
}

void JVLCoverFlowView::matchEdgeScale()
{
    double scale = 1;
    if (const Ref<Window> w = window())
        if (const Ref<Screen> s = w->screen())
            scale = s->backingScaleFactor();
    for (Layer* edge : { leftGradientLayer_.get(), rightGradientLayer_.get(), bottomGradientLayer_.get() })
        if (edge->contentsScale() != scale) {
            edge->setContentsScale(scale);
            edge->setNeedsDisplay();
        }
}

JVLCoverFlowView::~JVLCoverFlowView()
{
    // No notifications and no new references to a dying view: drop what the setters would.
    tearingDown_ = true;
    if (accessoryController_) {
        accessoryController_->unbind(QStringLiteral("representedObject"));
        if (const Ref<View> v = accessoryController_->view())
            v->removeFromSuperview();
    }
    observeItems(false);
    for (const auto& item : items_)
        item->token->fetch_add(1);
    if (scrollLayer_)
        scrollLayer_->setLayoutManager(nullptr);
    if (scroller_)
        scroller_->setTarget(nullptr);
}

JVLCoverFlowView::Item* JVLCoverFlowView::itemForLayer(const Layer* layer)
{
    const auto it = itemByLayer_.find(layer);
    return it == itemByLayer_.end() ? nullptr : it->second;
}

Ref<Layer> JVLCoverFlowView::layerForObject(const Value& object) const
{
    const auto it = itemsByObject_.find(object);
    return it == itemsByObject_.end() || it->second.empty() ? nullptr : it->second.front()->layer;
}

void JVLCoverFlowView::buildItemLayers(Item& item, Size size) const
{
    const double w = size.width, h = size.height;
    item.layer = Layer::layer();
    item.layer->setBounds(MakeRect(0, 0, w, h));
    Transform3D perspective = Transform3DIdentity;
    perspective.m34 = -1.0 / 420.0;
    item.layer->setSublayerTransform(perspective);
    item.image = Layer::layer();
    item.image->setName(QStringLiteral("image"));
    item.image->setBounds(MakeRect(0, 0, w, h));
    item.reflection = Layer::layer();
    item.reflection->setName(QStringLiteral("reflection"));
    item.reflection->setTransform(Transform3DMakeScale(1, -1, 1));
    item.reflection->setFrame(MakeRect(0, -h, w, h));
    // No shade layer over the reflection: its pictures come shaded (shadedReflection).
    item.image->addSublayer(item.reflection.get());
    item.layer->addSublayer(item.image.get());
}

JVLCoverFlowView::Item& JVLCoverFlowView::insertItem(const Value& object)
{
    auto item = std::make_unique<Item>();
    item->object = object;
    buildItemLayers(*item, itemSize());
    item->image->setContents(placeholderRef_);
    item->reflection->setContents(placeholderReflection_);
    item->index = std::int64_t(scrollLayer_->sublayers().size());
    item->layer->setValueForKey(Value(item->index), QStringLiteral("index"));
    item->layer->setValueForKey(Value(false), QStringLiteral("hasImage"));
    item->layer->setValueForKey(object, QStringLiteral("representedObject"));
    scrollLayer_->addSublayer(item->layer.get());
    Item& ref = *item;
    itemByLayer_.emplace(item->layer.get(), item.get());
    itemsByObject_[object].push_back(item.get());
    items_.push_back(std::move(item));
    return ref;
}

void JVLCoverFlowView::setItemIndex(Item& item, std::int64_t index)
{
    if (item.index == index)
        return;
    item.index = index;
    item.layer->setValueForKey(Value(index), QStringLiteral("index"));
}

void JVLCoverFlowView::setItemHasImage(Item& item, bool flag)
{
    if (item.hasImage == flag)
        return;
    item.hasImage = flag;
    item.layer->setValueForKey(Value(flag), QStringLiteral("hasImage"));
}

void JVLCoverFlowView::rebuildIndex()
{
    itemByIndex_.assign(std::size_t(content_.count()), nullptr);
    for (const auto& item : items_)
        if (item->index >= 0 && item->index < std::int64_t(itemByIndex_.size()) && !itemByIndex_[std::size_t(item->index)])
            itemByIndex_[std::size_t(item->index)] = item.get();
}

void JVLCoverFlowView::observeItems(bool add)
{
    if (imageKeyPath_.isNull())
        return;
    for (const auto& item : items_) {
        const Ref<Object> o = item->object.object();
        if (!o)
            continue;
        if (add)
            o->addObserverForKeyPathOptionsContext(this, imageKeyPath_, 0, &JVLCoverFlowViewTree::observationContext);
        else
            o->removeObserverForKeyPathContext(this, imageKeyPath_, &JVLCoverFlowViewTree::observationContext);
    }
}

void JVLCoverFlowView::setContent(const Array& content)
{
    using namespace JVLCoverFlowViewTree;
    if (content.isEqualToArray(content_))
        return;
    const Array old = content_;
    // Items change places by index now: passes before this one no longer replay.
    stepsReplayable_ = false;
    willChangeValueForKey(QStringLiteral("content"));
    content_ = content;
    didChangeValueForKey(QStringLiteral("content"));

    // Equality through the values' hashes: linear in both arrays whatever their overlap.
    std::unordered_map<Value, std::int64_t, ValueHash, ValueEqual> firstIndex;
    firstIndex.reserve(std::size_t(content.count()));
    for (std::int64_t i = 0; i < content.count(); ++i)
        firstIndex.try_emplace(content[i], i);
    const std::unordered_set<Value, ValueHash, ValueEqual> oldObjects(old.begin(), old.end());

    std::vector<Item*> added;
    for (const Value& v : content)
        if (!oldObjects.count(v)) {
            Item& item = insertItem(v);
            if (const Ref<Object> o = v.object(); o && !imageKeyPath_.isNull())
                o->addObserverForKeyPathOptionsContext(this, imageKeyPath_, 0, &observationContext);
            added.push_back(&item);
        }

    std::unordered_set<const Item*> removed;
    for (const Value& v : old) {
        if (firstIndex.count(v))
            continue;
        auto it = itemsByObject_.find(v);
        if (it == itemsByObject_.end() || it->second.empty())
            continue;
        Item* item = it->second.front();
        it->second.erase(it->second.begin());
        if (it->second.empty())
            itemsByObject_.erase(it);
        if (const Ref<Object> o = item->object.object(); o && !imageKeyPath_.isNull())
            o->removeObserverForKeyPathContext(this, imageKeyPath_, &observationContext);
        item->token->fetch_add(1);
        item->layer->removeFromSuperlayer();
        itemByLayer_.erase(item->layer.get());
        removed.insert(item);
    }
    if (!removed.empty())
        std::erase_if(items_, [&](const std::unique_ptr<Item>& item) { return removed.count(item.get()) != 0; });

    for (const auto& item : items_) {
        const auto it = firstIndex.find(item->object);
        setItemIndex(*item, it == firstIndex.end() ? NotFound : it->second);
    }
    rebuildIndex();
    for (Item* item : added)
        refreshLayer(*item);
    scroller_->setNumberOfIncrements(content.count() > 0 ? std::uint64_t(content.count() - 1) : 0);
    setSelectionIndex(selectionIndex_);
    updateResidency();
}

void JVLCoverFlowView::setImageKeyPath(const QString& keyPath)
{
    if (keyPath == imageKeyPath_ && keyPath.isNull() == imageKeyPath_.isNull())
        return;
    observeItems(false);
    imageKeyPath_ = keyPath.isEmpty() ? QString() : keyPath;
    observeItems(true);
    for (const auto& item : items_)
        refreshLayer(*item);
}

void JVLCoverFlowView::observeValueForKeyPathOfObjectChangeContext(
    const QString& keyPath, Object* object, const KeyValueChange& change, void* context)
{
    if (context != &JVLCoverFlowViewTree::observationContext) {
        View::observeValueForKeyPathOfObjectChangeContext(keyPath, object, change, context);
        return;
    }
    // Model objects may change on any thread; layers live on the main one.
    auto refresh = [self = Weak<JVLCoverFlowView>(this), changed = Value(object)] {
        const Ref<JVLCoverFlowView> view = self.lock();
        if (!view)
            return;
        const auto it = view->itemsByObject_.find(changed);
        if (it != view->itemsByObject_.end() && !it->second.empty())
            view->refreshLayer(*it->second.front());
    };
    if (isMainThread())
        refresh();
    else
        postToMainThread(std::move(refresh));
}

Value JVLCoverFlowView::selectedObject() const
{
    if (selectionIndex_ < 0 || selectionIndex_ >= content_.count())
        return {};
    return content_[selectionIndex_];
}

void JVLCoverFlowView::setSelectedObject(const Value& object)
{
    const auto it = itemsByObject_.find(object);
    if (object.isNil() || it == itemsByObject_.end() || it->second.empty()) {
        logMessage(QStringLiteral("[JVLCoverFlowView setSelectedObject:] -- The view does not contain the specified object."));
        return;
    }
    userSelect(content_.indexOfObject(object));
}

void JVLCoverFlowView::setAccessoryController(const Ref<ViewController>& controller)
{
    if (controller == accessoryController_)
        return;
    if (const Ref<ViewController> old = std::exchange(accessoryController_, nullptr)) {
        if (const Ref<View> v = old->view())
            v->removeFromSuperview();
        old->unbind(QStringLiteral("representedObject"));
        // Back to what followed the controller, so the view stays in its window's chain.
        const Ref<Responder> after = old->nextResponder();
        setNextResponder(after.get());
    }
    if (controller) {
        accessoryController_ = controller;
        if (const Ref<View> v = controller->view())
            addSubview(v.get());
        controller->setNextResponder(nextResponder().get());
        setNextResponder(controller.get());
        controller->bindToObjectWithKeyPathOptions(QStringLiteral("representedObject"), this, QStringLiteral("selectedObject"), {});
    }
    resizeSubviewsWithOldSize(frame().size);
}

void JVLCoverFlowView::awakeFromNib()
{
    setWantsLayer(true);
    recachePlaceholder();
}

void JVLCoverFlowView::encodeWithCoder(Coder& coder) const
{
    using namespace JVLCoverFlowViewTree;
    View::encodeWithCoder(coder);
    // The scroller and the accessory view are made here, not added from outside.
    const Ref<View> accessory = accessoryController_ ? accessoryController_->view() : nullptr;
    Array added;
    for (const Ref<View>& sub : subviews())
        if (sub != scroller_ && sub != accessory)
            added.addObject(Value(sub));
    coder.encodeObjectForKey(Value(added), QStringLiteral("subviews"));
    coder.encodeObjectForKey(Value(scroller_), scrollerKey);
    coder.encodeBoolForKey(showsScrollbar_, showsScrollbarKey);
    coder.encodeBoolForKey(autoresizesItems_, autoresizesItemsKey);
    coder.encodeSizeForKey(itemSize_, itemSizeKey);
    if (!imageKeyPath_.isNull())
        coder.encodeObjectForKey(imageKeyPath_, imageKeyPathKey);
}

void JVLCoverFlowView::initWithCoder(Coder& coder)
{
    using namespace JVLCoverFlowViewTree;
    View::initWithCoder(coder);
    if (coder.containsValueForKey(scrollerKey)) {
        const auto decoded = dynamic_pointer_cast<JVLCoverFlowScroller>(coder.decodeObjectOfClassForKey(JVLCoverFlowScroller::staticClass(), scrollerKey));
        if (decoded && !decoded->superview() && decoded != scroller_) {
            scroller_->removeFromSuperview();
            scroller_ = decoded;
            scroller_->setTarget(this);
            scroller_->setAction(Selector("scrollerChange"));
            scroller_->setEnabled(true);
            scroller_->setNumberOfIncrements(content_.count() > 0 ? std::uint64_t(content_.count() - 1) : 0);
            addSubview(scroller_.get());
        }
    }
    if (coder.containsValueForKey(autoresizesItemsKey))
        autoresizesItems_ = coder.decodeBoolForKey(autoresizesItemsKey);
    if (coder.containsValueForKey(itemSizeKey))
        setItemSize(coder.decodeSizeForKey(itemSizeKey));
    if (coder.containsValueForKey(imageKeyPathKey))
        setImageKeyPath(coder.decodeObjectForKey(imageKeyPathKey).stringValue());
    setShowsScrollbar(coder.containsValueForKey(showsScrollbarKey) ? coder.decodeBoolForKey(showsScrollbarKey) : showsScrollbar_);
}
