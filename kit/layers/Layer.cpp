#include "kit/layers/Layer.h"

#include "kit/appkit/View.h"
#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/core/Selector.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/layers/Transaction.h"

#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kit {

KIT_REGISTER_CLASS(Layer, Object)
{
    c.property("name", &Layer::name, &Layer::setName);
    c.property("bounds", &Layer::bounds, &Layer::setBounds);
    c.property("position", &Layer::position, &Layer::setPosition);
    c.property("anchorPoint", &Layer::anchorPoint, &Layer::setAnchorPoint);
    c.property("frame", &Layer::frame, &Layer::setFrame);
    c.property("zPosition", &Layer::zPosition, &Layer::setZPosition);
    c.property("transform", &Layer::transform, &Layer::setTransform);
    c.property("sublayerTransform", &Layer::sublayerTransform, &Layer::setSublayerTransform);
    c.property("backgroundColor", &Layer::backgroundColor, &Layer::setBackgroundColor);
    c.property("borderColor", &Layer::borderColor, &Layer::setBorderColor);
    c.property("opaque", &Layer::isOpaque, &Layer::setOpaque);
    c.property("contentsScale", &Layer::contentsScale, &Layer::setContentsScale);
    c.property("hidden", &Layer::isHidden, &Layer::setHidden);
    c.property("opacity", &Layer::opacity, &Layer::setOpacity);
    c.property("contents", &Layer::contents, &Layer::setContents);
    c.property("contentsGravity", &Layer::contentsGravity, &Layer::setContentsGravity);
    c.property("masksToBounds", &Layer::masksToBounds, &Layer::setMasksToBounds);
    c.property("cornerRadius", &Layer::cornerRadius, &Layer::setCornerRadius);
    c.property("borderWidth", &Layer::borderWidth, &Layer::setBorderWidth);
    c.property("autoresizingMask", &Layer::autoresizingMask, &Layer::setAutoresizingMask);
    // "index", "representedObject" and the like live on the layer itself.
    c.storesUndefinedKeys();
    c.copyable();
}

Value ValueTraits<std::optional<CGColor>>::toValue(const std::optional<CGColor>& c)
{
    if (!c)
        return {};
    return Value(Color::colorWithDeviceRedGreenBlueAlpha(c->r, c->g, c->b, c->a));
}

std::optional<CGColor> ValueTraits<std::optional<CGColor>>::fromValue(const Value& v)
{
    if (v.isNilOrNull())
        return std::nullopt;
    const Ref<Color> color = v.objectAs<Color>();
    if (!color)
        detail::raiseWrongKind(v, "a Color");
    CGColor c;
    color->getRedGreenBlueAlpha(&c.r, &c.g, &c.b, &c.a);
    return c;
}

Layer::Layer()
{
    setMainThreadAffine();
    Transaction::layerIsNew(this);
}

Layer::~Layer()
{
    for (const Ref<Layer>& sub : sublayers_)
        sub->superlayer_ = nullptr;
    for (RunningAnimation& r : animations_)
        forgetEnding(r);
    animations_.clear();
    animationsChanged();
}

QString Layer::description() const
{
    return QStringLiteral("<Layer %1 (%2 %3; %4 x %5)>")
        .arg(name_.isEmpty() ? QStringLiteral("-") : name_)
        .arg(model_.position.x)
        .arg(model_.position.y)
        .arg(model_.bounds.width())
        .arg(model_.bounds.height());
}

Ref<View> Layer::hostingView() const { return hostingView_.lock(); }

// Tree --------------------------------------------------------------------------------------------

Ref<Layer> Layer::retainedUnlessDying(Layer* layer)
{
    // A weak reference never revives an object whose count has reached zero.
    return layer ? Weak<Layer>(layer).lock() : nullptr;
}

Layer* Layer::root()
{
    Layer* top = this;
    while (Layer* up = const_cast<Layer*>(top->superlayer_.unsafeRaw()))
        top = up;
    return top;
}

void Layer::changed() { noteChange(false); }

void Layer::placementChanged() { noteChange(true); }

void Layer::noteChange(bool placementOnly, bool evenHidden)
{
    KIT_ASSERT(isMainThread(), "Layers change on the main thread only");
    ++generation_;
    if (presentation_)
        return;
    extentChanged(placementOnly);
    Transaction::layerChanged();
    // A hidden layer that nothing animates draws nothing, so the host's picture stays as it is.
    if (model_.hidden && animations_.empty() && !evenHidden)
        return;
    Layer* top = root();
    if (top->preparing_) {
        top->changedWhilePreparing_ = true;
        return;
    }
    // Once a transaction: once the host took the ask (it needed no display before and does now),
    // its whole area waits to be drawn until it draws the tree. A host that turns some asks down,
    // or was partly marked before, is asked each time.
    const std::uint64_t commits = Transaction::commitCount();
    if (top->hostMarkedIn_ == commits)
        return;
    if (const Ref<View> host = top->hostingView()) {
        const bool before = host->needsDisplay();
        host->setNeedsDisplay(true);
        if (!before && host->needsDisplay())
            top->hostMarkedIn_ = commits;
    }
}

bool Layer::isDescendantOf(const Layer* layer) const
{
    for (const Layer* l = this; l; l = l->superlayer_.unsafeRaw())
        if (l == layer)
            return true;
    return false;
}

void Layer::detach()
{
    const Ref<Layer> sup = superlayer();
    if (!sup)
        return;
    const Ref<Layer> self(this);
    auto& subs = sup->sublayers_;
    if (const auto it = std::find(subs.begin(), subs.end(), self); it != subs.end())
        subs.erase(it);
    superlayer_ = nullptr;
    sup->orderValid_ = false;
    treeChanged();
    sup->setNeedsLayout();
    leftSuperlayer();
}

void Layer::insertAt(Layer* layer, std::size_t index)
{
    const bool acceptable = layer && !isDescendantOf(layer);
    KIT_PARAMETER_ASSERT(acceptable, "a layer cannot hold itself or an ancestor");
    if (!acceptable)
        return;
    const Ref<Layer> keep(layer);
    layer->detach();
    sublayers_.insert(sublayers_.begin() + std::ptrdiff_t(std::min(index, sublayers_.size())), keep);
    layer->superlayer_ = this;
    orderValid_ = false;
    treeChanged();
    // Nothing to animate from until the tree it joined commits.
    layer->committed_ = false;
    Transaction::layerIsNew(layer);
    if (layer->needsLayout_ || layer->subtreeNeedsLayout_)
        for (Layer* l = this; l; l = const_cast<Layer*>(l->superlayer_.unsafeRaw()))
            l->subtreeNeedsLayout_ = true;
    setNeedsLayout();
    layer->orderIn();
}

void Layer::addSublayer(Layer* layer) { insertAt(layer, sublayers_.size()); }

void Layer::insertSublayerAtIndex(Layer* layer, unsigned index)
{
    // The index counts the sublayers without the one moving.
    const Ref<Layer> keep(layer);
    if (layer)
        layer->detach();
    insertAt(layer, index);
}

void Layer::insertSublayerBelow(Layer* layer, Layer* sibling)
{
    const Ref<Layer> keep(layer);
    if (layer)
        layer->detach();
    const auto it = std::find(sublayers_.begin(), sublayers_.end(), Ref<Layer>(sibling));
    insertAt(layer, it == sublayers_.end() ? 0 : std::size_t(it - sublayers_.begin()));
}

void Layer::insertSublayerAbove(Layer* layer, Layer* sibling)
{
    const Ref<Layer> keep(layer);
    if (layer)
        layer->detach();
    const auto it = std::find(sublayers_.begin(), sublayers_.end(), Ref<Layer>(sibling));
    insertAt(layer, it == sublayers_.end() ? sublayers_.size() : std::size_t(it - sublayers_.begin()) + 1);
}

void Layer::replaceSublayerWith(Layer* oldLayer, Layer* newLayer)
{
    if (!oldLayer || oldLayer->superlayer().get() != this || oldLayer == newLayer)
        return;
    const Ref<Layer> keep(newLayer);
    if (newLayer)
        newLayer->detach();
    const std::size_t index = std::size_t(std::find(sublayers_.begin(), sublayers_.end(), Ref<Layer>(oldLayer)) - sublayers_.begin());
    oldLayer->detach();
    if (newLayer)
        insertAt(newLayer, index);
}

void Layer::removeFromSuperlayer()
{
    const Ref<Layer> keep(this);
    const bool wasInTree = superlayer_.unsafeRaw() != nullptr;
    detach();
    if (wasInTree)
        runOrderAction(OnOrderOut);
}

void Layer::setSublayers(const std::vector<Ref<Layer>>& layers)
{
    const std::vector<Ref<Layer>> incoming = layers;
    const std::vector<Ref<Layer>> outgoing = std::exchange(sublayers_, {});
    for (const Ref<Layer>& old : outgoing)
        old->superlayer_ = nullptr;
    orderValid_ = false;
    treeChanged();
    for (const Ref<Layer>& layer : incoming) {
        if (!layer || layer->superlayer().get() == this)
            continue;
        const bool acceptable = !isDescendantOf(layer.get());
        KIT_PARAMETER_ASSERT(acceptable, "a layer cannot hold itself or an ancestor");
        if (!acceptable)
            continue;
        layer->detach();
        sublayers_.push_back(layer);
        layer->superlayer_ = this;
        layer->committed_ = false;
        Transaction::layerIsNew(layer.get());
        if (layer->needsLayout_ || layer->subtreeNeedsLayout_)
            for (Layer* l = this; l; l = const_cast<Layer*>(l->superlayer_.unsafeRaw()))
                l->subtreeNeedsLayout_ = true;
    }
    setNeedsLayout();
    for (const Ref<Layer>& old : outgoing)
        if (!old->superlayer_.unsafeRaw())
            old->leftSuperlayer();
    for (const Ref<Layer>& layer : sublayers_)
        layer->orderIn();
}

// Appearance --------------------------------------------------------------------------------------

void Layer::setHidden(bool hidden)
{
    if (model_.hidden == hidden)
        return;
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("hidden"));
    model_.hidden = hidden;
    shownStateChanged();
    noteChange(false, true);
    didChangeAnimatable(QStringLiteral("hidden"), before);
}

void Layer::setOpacity(double opacity)
{
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (model_.opacity == opacity)
        return;
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("opacity"));
    model_.opacity = opacity;
    changed();
    didChangeAnimatable(QStringLiteral("opacity"), before);
}

void Layer::setBackgroundColor(std::optional<CGColor> color)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("backgroundColor"));
    model_.backgroundColor = color;
    changed();
    didChangeAnimatable(QStringLiteral("backgroundColor"), before);
}

void Layer::setContents(const Ref<CGImage>& contents)
{
    // A redisplay shows at once: contents set while displaying never cross-fade.
    const std::optional<Value> before = displaying_ ? std::nullopt : willChangeAnimatable(QStringLiteral("contents"));
    model_.contents = contents;
    changed();
    didChangeAnimatable(QStringLiteral("contents"), before);
}

void Layer::setContentsGravity(const QString& gravity)
{
    contentsGravity_ = gravity;
    changed();
}

void Layer::setContentsScale(double scale)
{
    if (scale <= 0 || contentsScale_ == scale)
        return;
    contentsScale_ = scale;
    changed();
}

void Layer::setMasksToBounds(bool flag)
{
    masksToBounds_ = flag;
    changed();
}

void Layer::setCornerRadius(double radius)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("cornerRadius"));
    model_.cornerRadius = std::max(0.0, radius);
    changed();
    didChangeAnimatable(QStringLiteral("cornerRadius"), before);
}

void Layer::setBorderWidth(double width)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("borderWidth"));
    model_.borderWidth = std::max(0.0, width);
    changed();
    didChangeAnimatable(QStringLiteral("borderWidth"), before);
}

void Layer::setBorderColor(std::optional<CGColor> color)
{
    const std::optional<Value> before = willChangeAnimatable(QStringLiteral("borderColor"));
    model_.borderColor = color;
    changed();
    didChangeAnimatable(QStringLiteral("borderColor"), before);
}

void Layer::setValueForKey(const Value& value, const QString& key)
{
    Object::setValueForKey(value, key);
    if (needsDisplayForKey(key))
        setNeedsDisplay();
}

bool Layer::needsDisplayForKey(const QString&) const { return false; }

void Layer::copyTo(Object& copy) const
{
    Object::copyTo(copy);
    auto& other = static_cast<Layer&>(copy);
    other.name_ = name_;
    other.model_ = model_;
    other.autoresizingMask_ = autoresizingMask_;
    other.opaque_ = opaque_;
    other.contentsGravity_ = contentsGravity_;
    other.contentsScale_ = contentsScale_;
    other.masksToBounds_ = masksToBounds_;
    other.actions_ = actions_;
    other.delegate_ = delegate_;
    other.constraints_ = constraints_;
    other.layoutManager_ = layoutManager_;
    other.needsDisplayOnBoundsChange_ = needsDisplayOnBoundsChange_;
}

// Drawn contents ----------------------------------------------------------------------------------

void Layer::setNeedsDisplay()
{
    needsDisplay_ = true;
    if (presentation_)
        return;
    Transaction::layerNeedsDisplay(this);
    changed();
}

void Layer::displayIfNeeded()
{
    if (needsDisplay_)
        display();
}

void Layer::display()
{
    needsDisplay_ = false;
    struct Displaying {
        bool& flag;
        bool was;
        explicit Displaying(bool& f)
            : flag(f)
            , was(f)
        {
            flag = true;
        }
        ~Displaying() { flag = was; }
    } displaying(displaying_);
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("displayLayer"))) {
        if (auto* delegate = dynamic_cast<LayerDelegate*>(d.get())) {
            delegate->displayLayer(this);
            return;
        }
    }
    const QSize pixels = IsEmptyRect(model_.bounds) ? QSize() : BitmapPixelsForSize(model_.bounds.size, contentsScale_);
    const Ref<CGContext> bitmap = CGContext::createBitmap(pixels.width(), pixels.height());
    if (!bitmap) {
        setContents(nullptr);
        return;
    }
    bitmap->scaleCTM(contentsScale_, contentsScale_);
    bitmap->translateCTM(-model_.bounds.minX(), -model_.bounds.minY());
    {
        // Kit drawing (paths, images, strings) inside the delegate lands in the bitmap too.
        GraphicsContext::Scope current(bitmap->context());
        drawInContext(*bitmap);
    }
    setContents(bitmap->createImage());
}

void Layer::drawInContext(CGContext& context)
{
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("drawLayerInContext")))
        if (auto* delegate = dynamic_cast<LayerDelegate*>(d.get()))
            delegate->drawLayerInContext(this, context);
}

// Layout ------------------------------------------------------------------------------------------

void Layer::setConstraints(const std::vector<Constraint>& constraints)
{
    constraints_ = constraints;
    if (const Ref<Layer> sup = superlayer())
        sup->setNeedsLayout();
}

void Layer::addConstraint(const Constraint& constraint)
{
    constraints_.push_back(constraint);
    if (const Ref<Layer> sup = superlayer())
        sup->setNeedsLayout();
}

void Layer::setNeedsLayout()
{
    needsLayout_ = true;
    if (presentation_)
        return;
    // Layout passes skip the subtrees that hold nothing marked.
    for (Layer* l = const_cast<Layer*>(superlayer_.unsafeRaw()); l; l = const_cast<Layer*>(l->superlayer_.unsafeRaw()))
        l->subtreeNeedsLayout_ = true;
    Transaction::layerNeedsLayout(this);
    changed();
}


void Layer::orderIn() { runOrderAction(OnOrderIn); }

void Layer::runOrderAction(const QString& key)
{
    // Asked whenever a layer joins a tree (a transition shows it fading in) or leaves one (it has
    // left already: the removal is never delayed).
    if (presentation_ || Transaction::disableActions())
        return;
    const Value action = actionForKey(key);
    if (const Ref<Object> object = action.isObject() ? action.object() : nullptr)
        if (auto* run = dynamic_cast<Action*>(object.get()))
            run->runActionForKeyObjectArguments(key, this, Dictionary {});
}

void Layer::layoutIfNeeded()
{
    // A marked ancestor may resize this layer: layout starts at the highest one.
    Ref<Layer> keep(this);
    for (Layer* l = const_cast<Layer*>(superlayer_.unsafeRaw()); l; l = const_cast<Layer*>(l->superlayer_.unsafeRaw()))
        if (l->needsLayout_)
            if (Ref<Layer> marked = retainedUnlessDying(l))
                keep = std::move(marked);
    keep->layoutSubtree();
}

void Layer::layoutSubtree()
{
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSublayers();
    }
    // Laying this layer out may have marked sublayers, which flag it again.
    if (!subtreeNeedsLayout_)
        return;
    subtreeNeedsLayout_ = false;
    const std::vector<Ref<Layer>> subs = sublayers_;
    for (const Ref<Layer>& sub : subs)
        if (sub->needsLayout_ || sub->subtreeNeedsLayout_)
            sub->layoutSubtree();
}

void Layer::layoutSublayers()
{
    if (const Ref<Object> m = layoutManager()) {
        if (auto* manager = dynamic_cast<CALayoutManager*>(m.get())) {
            manager->layoutSublayersOfLayer(this);
            return;
        }
    }
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("layoutSublayersOfLayer")))
        if (auto* delegate = dynamic_cast<LayerDelegate*>(d.get()))
            delegate->layoutSublayersOfLayer(this);
}

} // namespace kit
