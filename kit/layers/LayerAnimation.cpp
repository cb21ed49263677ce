// kit::Layer's animations: actions asked on a change, running animations evaluated on demand at
// the clock's now (presentation values), and their retirement by the frame driver from a queue
// ordered by end time.

#include "kit/layers/Layer.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/FrameDriver.h"
#include "kit/appkit/View.h"
#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/core/Selector.h"
#include "kit/layers/Transaction.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <typeinfo>

namespace kit {

namespace layeranimation {

// An animation that ends at some time; entries of removed animations are skipped when due.
struct Ending {
    std::uint64_t id; // ids grow: equal ends retire in the order they were added
    Layer* layer; // null once the animation is gone (its layer lets go of it)
};

struct Registry {
    // The animations by the time they end. Those begun together share an end, so a selection
    // moving thousands of layers adds to one batch and retires it in one sweep; those still
    // running cost nothing.
    std::map<double, std::vector<Ending>> ends;
    // Layers with an animation that has not finished (each knows its slot: removal swaps in the last).
    std::vector<Layer*> animating;
    std::uint64_t nextId = 1;
    std::uint64_t evaluations = 0;
    // The hosts showing running animations, rebuilt only when the animating layers or a tree change.
    std::uint64_t animatingGeneration = 0;
    std::uint64_t treeGeneration = 0;
    std::uint64_t hostsBuiltFor[2] { ~0ull, ~0ull };
    std::vector<Weak<View>> hosts;
};

Registry& registry()
{
    static Registry r;
    return r;
}

const QStringList& valuesKeys()
{
    static const QStringList keys { QStringLiteral("bounds"), QStringLiteral("position"), QStringLiteral("anchorPoint"),
        QStringLiteral("zPosition"), QStringLiteral("transform"), QStringLiteral("sublayerTransform"), QStringLiteral("hidden"),
        QStringLiteral("opacity"), QStringLiteral("backgroundColor"), QStringLiteral("contents"), QStringLiteral("cornerRadius"),
        QStringLiteral("borderWidth"), QStringLiteral("borderColor") };
    return keys;
}

std::optional<CGColor> colorOf(const Value& v)
{
    try {
        return ValueTraits<std::optional<CGColor>>::fromValue(v);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void registerSteps()
{
    static const bool registered = [] {
        FrameDriver& driver = FrameDriver::shared();
        driver.setStep(FrameDriver::Retire, [] { return Layer::retireFinishedForDriver(); });
        driver.setStep(FrameDriver::Invalidate, [] { return Layer::invalidateAnimatingHostsForDriver(); });
        return true;
    }();
    (void)registered;
}

} // namespace layeranimation

std::uint64_t Layer::presentationEvaluations(bool reset)
{
    const std::uint64_t n = layeranimation::registry().evaluations;
    if (reset)
        layeranimation::registry().evaluations = 0;
    return n;
}

// Presentation --------------------------------------------------------------------------------------

const Layer::RunningAnimation* Layer::runningAnimation(const QString& key) const
{
    for (const RunningAnimation& r : animations_)
        if (r.key == key)
            return &r;
    return nullptr;
}

Value Layer::animatedValue(const RunningAnimation& running, double now) const
{
    const double t = running.animation->fractionAt(now - running.begin, running.pass);
    if (auto* basic = dynamic_cast<const BasicAnimation*>(running.animation.get())) {
        const Value to = basic->toValue().isNil() ? Object::valueForKey(basic->keyPath()) : basic->toValue();
        const Value from = running.from.isNil() ? Object::valueForKey(basic->keyPath()) : running.from;
        return InterpolateValues(from, to, t);
    }
    return Value(t);
}

LayerValues Layer::presentedValues() const
{
    if (animations_.empty() && presentedMemoAt_ < 0)
        return model_;
    const double now = Application::now();
    // A frame asks for them several times (culling, drawing, sublayer chains); a transition's
    // picture of the layer before a change sets them too.
    if (presentedMemoAt_ == now && presentedMemoGeneration_ == generation_)
        return presentedMemo_;
    if (animations_.empty()) {
        presentedMemoAt_ = -1;
        return model_;
    }
    ++layeranimation::registry().evaluations;
    LayerValues values = model_;
    for (const RunningAnimation& r : animations_) {
        if (dynamic_cast<const Transition*>(r.animation.get())) {
            // Run on joining a tree, a transition fades the layer in; the others draw the old and
            // new looks (renderTransition).
            if (!r.look)
                values.opacity *= std::clamp(animatedValue(r, now).doubleValue(), 0.0, 1.0);
            continue;
        }
        auto* basic = dynamic_cast<const BasicAnimation*>(r.animation.get());
        if (!basic)
            continue;
        if (basic->keyPath() == QLatin1String("contents")) {
            // A cross-fade from the old image to the new one.
            const double t = r.animation->fractionAt(now - r.begin, r.pass);
            const Value to = basic->toValue().isNil() ? Value(model_.contents) : basic->toValue();
            values.contentsFrom = (r.from.isNil() ? Value(model_.contents) : r.from).objectAs<CGImage>();
            values.contents = to.objectAs<CGImage>();
            values.contentsMix = values.contentsFrom == values.contents ? 1 : std::clamp(t, 0.0, 1.0);
            continue;
        }
        applyPresentedValue(basic->keyPath(), animatedValue(r, now), values);
    }
    presentedMemo_ = values;
    presentedMemoAt_ = now;
    presentedMemoGeneration_ = generation_;
    return values;
}

void Layer::applyPresentedValue(const QString& key, const Value& value, LayerValues& v) const
{
    if (key == QLatin1String("bounds"))
        v.bounds = value.rectValue();
    else if (key == QLatin1String("position"))
        v.position = value.pointValue();
    else if (key == QLatin1String("anchorPoint"))
        v.anchorPoint = value.pointValue();
    else if (key == QLatin1String("zPosition"))
        v.zPosition = value.doubleValue();
    else if (key == QLatin1String("transform"))
        v.transform = transform3DFromValue(value);
    else if (key == QLatin1String("sublayerTransform"))
        v.sublayerTransform = transform3DFromValue(value);
    else if (key == QLatin1String("hidden"))
        v.hidden = value.boolValue();
    else if (key == QLatin1String("opacity"))
        v.opacity = std::clamp(value.doubleValue(), 0.0, 1.0);
    else if (key == QLatin1String("backgroundColor"))
        v.backgroundColor = layeranimation::colorOf(value);
    else if (key == QLatin1String("borderColor"))
        v.borderColor = layeranimation::colorOf(value);
    else if (key == QLatin1String("borderWidth"))
        v.borderWidth = std::max(0.0, value.doubleValue());
    else if (key == QLatin1String("cornerRadius"))
        v.cornerRadius = std::max(0.0, value.doubleValue());
    else if (key == QLatin1String("contents"))
        v.contents = value.objectAs<CGImage>();
}

Value Layer::presentationValueForKey(const QString& key) const
{
    for (const RunningAnimation& r : animations_)
        if (auto* basic = dynamic_cast<const BasicAnimation*>(r.animation.get()); basic && basic->keyPath() == key)
            return animatedValue(r, Application::now());
    // A row of layers moving together asks this for each: without the class's property lookup.
    if (key == QLatin1String("position"))
        return ValueTraitsOf<Point>::toValue(model_.position);
    return Object::valueForKey(key);
}

Ref<Layer> Layer::presentationLayer() const
{
    if (presentation_)
        return Ref<Layer>(const_cast<Layer*>(this));
    const Ref<Layer> copy = static_pointer_cast<Layer>(this->copy());
    copy->presentation_ = true;
    copy->modelLayer_ = const_cast<Layer*>(this);
    copy->model_ = presentedValues();
    for (const RunningAnimation& r : animations_) {
        auto* basic = dynamic_cast<const BasicAnimation*>(r.animation.get());
        if (!basic || layeranimation::valuesKeys().contains(basic->keyPath()))
            continue;
        try {
            copy->Object::setValueForKey(animatedValue(r, Application::now()), basic->keyPath());
        } catch (const std::exception&) {
            // A key the copy cannot take shows its model value.
        }
    }
    return copy;
}

Ref<Layer> Layer::modelLayer() const { return presentation_ ? modelLayer_.lock() : Ref<Layer>(const_cast<Layer*>(this)); }

Ref<Layer> Layer::presentedContentsLayer() const
{
    for (const RunningAnimation& r : animations_) {
        auto* basic = dynamic_cast<const BasicAnimation*>(r.animation.get());
        if (basic && !r.finished && needsDisplayForKey(basic->keyPath())) {
            // Redrawn each frame through a copy holding the animated value.
            const Ref<Layer> copy = presentationLayer();
            copy->display();
            return copy;
        }
    }
    return nullptr;
}

// Actions -------------------------------------------------------------------------------------------

std::optional<Value> Layer::willChangeAnimatable(const QString& key) const
{
    if (presentation_ || !committed_ || Transaction::disableActions())
        return std::nullopt;
    return presentationValueForKey(key);
}

void Layer::didChangeAnimatable(const QString& key, const std::optional<Value>& before)
{
    // An animation that held still may now run towards the new model value.
    for (RunningAnimation& r : animations_)
        if (r.still && static_cast<const BasicAnimation&>(*r.animation).keyPath() == key) {
            r.still = false;
            r.motion = RunningAnimation::Motion::Reshapes;
            extentChanged(false);
        }
    if (!before)
        return;
    Ref<Object> object;
    if (const Value action = actionForKey(key); action.isObject())
        object = action.object();
    if (!object)
        return;
    if (dynamic_cast<Transition*>(object.get()))
        pendingLook_ = snapshotLook(key, before);
    if (auto* basic = dynamic_cast<BasicAnimation*>(object.get())) {
        // One nobody else holds (the default action's, made for this change) is completed in
        // place; a shared one is copied first.
        Ref<BasicAnimation> own = object->retainCount() == 1 ? Ref<BasicAnimation>(basic) : static_pointer_cast<BasicAnimation>(basic->copy());
        if (own->keyPath().isEmpty())
            own->setKeyPath(key);
        // A retarget continues from where the layer is.
        // (Null stands for "none": nil would mean the model value.)
        if (own->fromValue().isNil())
            own->setFromValue(before->isNil() ? Value::null() : *before);
        object = nullptr;
        if (const BasicAnimation& made = *own; typeid(made) == typeid(BasicAnimation)) {
            // Its action adds a copy; this one is the layer's already.
            adoptAnimationForKey(std::move(own), key);
            pendingLook_ = nullptr;
            return;
        }
        object = std::move(own);
    }
    if (auto* run = dynamic_cast<Action*>(object.get()))
        run->runActionForKeyObjectArguments(key, this, Dictionary {});
    pendingLook_ = nullptr;
}

Value Layer::actionForKey(const QString& key)
{
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("actionForLayerForKey")))
        if (auto* delegate = dynamic_cast<LayerDelegate*>(d.get()))
            if (Value answer = delegate->actionForLayerForKey(this, key); !answer.isNil())
                return answer;
    if (actions_.containsKey(Value(key)))
        return actions_.objectForKey(Value(key));
    return defaultActionForKey(key);
}

Value Layer::defaultActionForKey(const QString& key) const
{
    // Hiding is immediate. Contents cross-fade only in a transaction given a duration: pictures
    // that arrive on their own (a loader's result, a redisplay) show at once.
    if (!layeranimation::valuesKeys().contains(key) || key == QLatin1String("hidden"))
        return {};
    if (key == QLatin1String("contents") && !Transaction::hasAnimationDuration())
        return {};
    return implicitAnimationForKey(key);
}

Value Layer::implicitAnimationForKey(const QString& key)
{
    const double duration = Transaction::animationDuration();
    if (!(duration > 0))
        return {};
    auto animation = BasicAnimation::animationWithKeyPath(key);
    animation->setDuration(duration);
    const Ref<MediaTimingFunction> function = Transaction::animationTimingFunction();
    // Timing functions do not change: the default one is made once.
    static const Ref<MediaTimingFunction> standard = MediaTimingFunction::functionWithName(MediaTimingFunctionDefault);
    animation->setTimingFunction(function ? function : standard);
    return Value(animation);
}

// Running animations ----------------------------------------------------------------------------------

void Layer::addAnimationForKey(CAAnimation* animation, const QString& key)
{
    KIT_ASSERT(isMainThread(), "Layers change on the main thread only");
    if (!animation)
        return;
    adoptAnimationForKey(static_pointer_cast<CAAnimation>(animation->copy()), key);
}

void Layer::adoptAnimationForKey(Ref<CAAnimation> animation, const QString& key)
{
    RunningAnimation r;
    r.key = key;
    r.animation = std::move(animation);
    r.pass = r.animation->duration() > 0 ? r.animation->duration() : Transaction::animationDuration();
    if (auto* basic = dynamic_cast<BasicAnimation*>(r.animation.get())) {
        if (basic->keyPath().isEmpty())
            basic->setKeyPath(key);
        r.from = basic->fromValue().isNil() ? presentationValueForKey(basic->keyPath()) : basic->fromValue();
    }
    if (dynamic_cast<Transition*>(r.animation.get()) && key != OnOrderIn && key != OnOrderOut)
        r.look = pendingLook_ ? std::exchange(pendingLook_, nullptr) : snapshotLook(QString(), std::nullopt);
    summarizeMotion(r);
    r.begin = Application::now();
    r.id = layeranimation::registry().nextId++;
    r.completion = Transaction::retainCompletion();
    const double end = r.begin + r.animation->activeDuration(r.pass);
    const std::uint64_t id = r.id;
    // The new one holds the transactions open before the old one lets go.
    if (auto it = std::find_if(animations_.begin(), animations_.end(), [&](const RunningAnimation& a) { return a.key == key; });
        it != animations_.end()) {
        forgetEnding(*it);
        animations_.erase(it);
    }
    animations_.push_back(std::move(r));
    if (std::isfinite(end)) {
        auto& ends = layeranimation::registry().ends;
        // Usually the latest end (or the same as it).
        auto batch = ends.empty() || std::prev(ends.end())->first < end ? ends.emplace_hint(ends.end(), end, std::vector<layeranimation::Ending> {})
                                                                          : ends.try_emplace(end).first;
        animations_.back().endsAt = end;
        animations_.back().endSlot = batch->second.size();
        batch->second.push_back({ id, this });
    }
    animationsChanged();
    layeranimation::registerSteps();
    FrameDriver::shared().wake();
    placementChanged();
}

void Layer::removeAnimationForKey(const QString& key)
{
    const auto it = std::find_if(animations_.begin(), animations_.end(), [&](const RunningAnimation& a) { return a.key == key; });
    if (it == animations_.end())
        return;
    forgetEnding(*it);
    const RunningAnimation gone = std::move(*it);
    animations_.erase(it);
    animationsChanged();
    noteChange(true, true);
}

void Layer::removeAllAnimations()
{
    if (animations_.empty())
        return;
    for (RunningAnimation& r : animations_)
        forgetEnding(r);
    const std::vector<RunningAnimation> gone = std::exchange(animations_, {});
    animationsChanged();
    noteChange(true, true);
}

Ref<CAAnimation> Layer::animationForKey(const QString& key) const
{
    const RunningAnimation* r = runningAnimation(key);
    return r ? r->animation : nullptr;
}

std::vector<QString> Layer::animationKeys() const
{
    std::vector<QString> keys;
    for (const RunningAnimation& r : animations_)
        keys.push_back(r.key);
    return keys;
}

void Layer::animationsChanged()
{
    // Animations decide whether a hidden layer is walked; a shown one stays where it is.
    if (model_.hidden)
        shownStateChanged();
    layeranimation::Registry& registry = layeranimation::registry();
    const bool running = std::any_of(animations_.begin(), animations_.end(), [](const RunningAnimation& r) { return !r.finished; });
    std::vector<Layer*>& animating = registry.animating;
    if (running && animatingSlot_ == NotAnimating) {
        animatingSlot_ = animating.size();
        animating.push_back(this);
        ++registry.animatingGeneration;
    } else if (!running && animatingSlot_ != NotAnimating) {
        Layer* last = animating.back();
        animating[animatingSlot_] = last;
        last->animatingSlot_ = animatingSlot_;
        animating.pop_back();
        animatingSlot_ = NotAnimating;
        ++registry.animatingGeneration;
    }
}

void Layer::forgetEnding(RunningAnimation& running)
{
    if (std::isnan(running.endsAt))
        return;
    auto& ends = layeranimation::registry().ends;
    // An entry of the same end and slot may belong to a later animation once this one retired.
    if (const auto batch = ends.find(running.endsAt); batch != ends.end())
        if (running.endSlot < batch->second.size() && batch->second[running.endSlot].id == running.id)
            batch->second[running.endSlot].layer = nullptr;
    running.endsAt = std::numeric_limits<double>::quiet_NaN();
}

void Layer::treeChanged() { ++layeranimation::registry().treeGeneration; }

void Layer::retireAnimation(std::uint64_t id)
{
    const auto it = std::find_if(animations_.begin(), animations_.end(), [&](const RunningAnimation& a) { return a.id == id; });
    if (it == animations_.end())
        return;
    it->finished = true;
    it->endsAt = std::numeric_limits<double>::quiet_NaN(); // its entry is being retired
    std::shared_ptr<void> completion = std::move(it->completion);
    // A move ending where the model is leaves the layer inside the box that covered the move.
    bool shrinks = false;
    using Motion = RunningAnimation::Motion;
    if (it->motion == Motion::Position || it->motion == Motion::Depth || it->motion == Motion::Transform) {
        const auto* basic = static_cast<const BasicAnimation*>(it->animation.get());
        shrinks = basic->toValue().isNil() || basic->toValue() == Object::valueForKey(basic->keyPath());
    }
    if (it->animation->isRemovedOnCompletion())
        animations_.erase(it);
    animationsChanged();
    // Not a model change: the presentation and the culling boxes are what moved. The driver
    // redraws the hosts.
    ++generation_;
    extentChanged(true, shrinks);
    // Last: a completion block may change this layer's animations.
    completion.reset();
}

bool Layer::retireFinishedForDriver()
{
    layeranimation::Registry& r = layeranimation::registry();
    const double now = Application::now();
    std::set<const View*> done;
    std::vector<Ref<View>> hosts;
    const Layer* lastRoot = nullptr; // many ending together usually share a tree
    const Layer* lastParent = nullptr;
    std::uint64_t treeSeen = r.treeGeneration;
    // A completion may add animations already due: they form a batch of their own, taken next.
    // The batch stays in place while it is retired: a completion that lets go of a layer or one of
    // its animations clears that entry, and one adding an animation due now adds to the batch.
    while (!r.ends.empty() && r.ends.begin()->first <= now + 1e-9) {
        const auto batch = r.ends.begin();
        for (std::size_t i = 0; i < batch->second.size(); ++i) {
            const layeranimation::Ending due = batch->second[i];
            if (!due.layer)
                continue;
            batch->second[i].layer = nullptr;
            // A layer deleted on its way here forgets its endings itself.
            const Ref<Layer> l = retainedUnlessDying(due.layer);
            if (!l)
                continue;
            l->retireAnimation(due.id);
            if (r.treeGeneration != treeSeen) { // a completion changed a tree
                treeSeen = r.treeGeneration;
                lastParent = lastRoot = nullptr;
            }
            // Its host shows the end state once more, though nothing may run there any longer.
            if (const Layer* parent = l->superlayer_.unsafeRaw(); parent && parent == lastParent)
                continue;
            lastParent = l->superlayer_.unsafeRaw();
            if (Layer* top = l->root(); top != lastRoot) {
                lastRoot = top;
                if (const Ref<View> host = top->hostingView(); host && done.insert(host.get()).second)
                    hosts.push_back(host);
            }
        }
        r.ends.erase(batch);
    }
    for (const Ref<View>& host : hosts)
        host->setNeedsDisplay(true);
    return !r.animating.empty();
}

bool Layer::invalidateAnimatingHostsForDriver()
{
    layeranimation::Registry& r = layeranimation::registry();
    if (r.hostsBuiltFor[0] != r.animatingGeneration || r.hostsBuiltFor[1] != r.treeGeneration) {
        std::set<const View*> done;
        r.hosts.clear();
        const Layer* lastRoot = nullptr;
        const Layer* lastParent = nullptr; // siblings share a root: no walk up for each of a row
        // Layers leave the list as they go: each one here is alive.
        for (Layer* l : r.animating) {
            const Layer* parent = l->superlayer_.unsafeRaw();
            if (parent && parent == lastParent)
                continue;
            lastParent = parent;
            if (Layer* top = l->root(); top != lastRoot) {
                lastRoot = top;
                if (const Ref<View> host = top->hostingView(); host && done.insert(host.get()).second)
                    r.hosts.emplace_back(host.get());
            }
        }
        r.hostsBuiltFor[0] = r.animatingGeneration;
        r.hostsBuiltFor[1] = r.treeGeneration;
    }
    std::vector<Ref<View>> hosts;
    for (const Weak<View>& w : r.hosts)
        if (Ref<View> host = w.lock())
            hosts.push_back(std::move(host));
    for (const Ref<View>& host : hosts)
        host->setNeedsDisplay(true);
    return !r.animating.empty();
}

} // namespace kit
