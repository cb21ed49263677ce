#include "kit/appkit/AnimationContext.h"

#include "kit/appkit/Animation.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/FrameDriver.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"

#include <QStringList>

#include <cmath>
#include <deque>
#include <exception>
#include <map>
#include <utility>

namespace kit {

// A group counts its running animations and runs its completion when the last one ends.
struct AnimationContext::Group {
    int running = 0;
    bool closed = false;
    std::function<void()> completion;

    void finishOne()
    {
        if (--running == 0 && closed && completion) {
            auto done = std::move(completion);
            completion = nullptr;
            done();
        }
    }
};

namespace {

// Groups push and pop at the end only, so references to the contexts stay valid while groups nest.
std::deque<AnimationContext>& contextStack()
{
    static std::deque<AnimationContext> contexts(1);
    return contexts;
}

// What an animator animates; each view has at most one animation per property.
enum class Property { Frame, BoundsOrigin };

class PropertyAnimation;

using RunningKey = std::pair<const View*, Property>;

std::map<RunningKey, Ref<PropertyAnimation>>& running()
{
    static std::map<RunningKey, Ref<PropertyAnimation>> animations;
    return animations;
}

// Set while an animation applies a frame: the setters it calls must not cancel it.
bool applying = false;

class PropertyAnimation : public Animation {
public:
    PropertyAnimation(View* view, Property property, Rect from, Rect to, double duration, std::shared_ptr<AnimationContext::Group> group)
        : Animation(duration, AnimationEaseInOut)
        , view_(view)
        , property_(property)
        , from_(from)
        , to_(to)
        , group_(std::move(group))
    {
        setAnimationBlockingMode(AnimationNonblocking);
        if (group_)
            ++group_->running;
    }

    Rect target() const { return to_; }

    void setCurrentProgress(double progress) override
    {
        Animation::setCurrentProgress(progress);
        if (isAnimating())
            apply(currentValue());
    }
    // Cancelled where it stands: no jump.
    void stopAnimation() override
    {
        if (!isAnimating())
            return;
        Animation::stopAnimation();
        finish();
    }

protected:
    void animationReachedEnd() override
    {
        apply(1);
        Animation::animationReachedEnd();
        finish();
    }

private:
    void apply(double t)
    {
        const Ref<View> view = view_.lock();
        if (!view)
            return;
        const Rect r = InterpolateRect(from_, to_, t);
        applying = true;
        if (property_ == Property::Frame)
            view->setFrame(r);
        else
            view->setBoundsOrigin(r.origin);
        applying = false;
    }
    void finish()
    {
        const Ref<PropertyAnimation> keep(this);
        const RunningKey key { view_.unsafeRaw(), property_ };
        if (auto it = running().find(key); it != running().end() && it->second.get() == this)
            running().erase(it);
        if (auto g = std::exchange(group_, nullptr))
            g->finishOne();
    }

    Weak<View> view_;
    Property property_;
    Rect from_;
    Rect to_;
    std::shared_ptr<AnimationContext::Group> group_;
};

void cancel(const View* view, Property property)
{
    if (applying || running().empty())
        return;
    if (auto it = running().find({ view, property }); it != running().end()) {
        const Ref<PropertyAnimation> animation = it->second;
        animation->stopAnimation();
    }
}

// Runs `property` of `view` from `from` to `to` in the current context; a newer set replaces the
// running animation from wherever it stands. Answers NO when the context has no duration.
bool animate(View* view, Property property, Rect from, Rect to, const std::shared_ptr<AnimationContext::Group>& group)
{
    if (auto it = running().find({ view, property }); it != running().end()) {
        const Ref<PropertyAnimation> old = it->second;
        old->stopAnimation();
    }
    AnimationContext& context = AnimationContext::currentContext();
    if (context.duration() <= 0)
        return false;
    auto animation = make<PropertyAnimation>(view, property, from, to, context.duration(), group);
    running()[{ view, property }] = animation;
    animation->startAnimation();
    return true;
}

} // namespace

void CancelAnimatedFrame(const View* view) { cancel(view, Property::Frame); }

void CancelAnimatedBoundsOrigin(const View* view) { cancel(view, Property::BoundsOrigin); }

std::optional<Point> AnimatedBoundsOriginTarget(const View* view)
{
    if (auto it = running().find({ view, Property::BoundsOrigin }); it != running().end())
        return it->second->target().origin;
    return std::nullopt;
}

AnimationContext& AnimationContext::currentContext() { return contextStack().back(); }

void AnimationContext::beginGrouping()
{
    AnimationContext next = contextStack().back();
    next.group_ = std::make_shared<Group>();
    contextStack().push_back(next);
}

void AnimationContext::endGrouping()
{
    if (contextStack().size() <= 1)
        return;
    const std::shared_ptr<Group> group = contextStack().back().group_;
    contextStack().pop_back();
    if (group) {
        group->closed = true;
        if (group->running == 0 && group->completion) {
            auto done = std::move(group->completion);
            done();
        }
    }
}

void AnimationContext::runAnimationGroupCompletionHandler(
    const std::function<void(AnimationContext&)>& changes, std::function<void()> completion)
{
    beginGrouping();
    contextStack().back().group_->completion = std::move(completion);
    if (changes)
        changes(contextStack().back());
    endGrouping();
}

void ViewAnimator::setFrame(Rect frame)
{
    if (const Ref<View> view = view_.lock();
        view && !animate(view.get(), Property::Frame, view->frame(), frame, AnimationContext::currentContext().group_))
        view->setFrame(frame);
}

void ViewAnimator::setBoundsOrigin(Point origin)
{
    const Ref<View> view = view_.lock();
    if (view
        && !animate(view.get(), Property::BoundsOrigin, Rect { view->bounds().origin, ZeroSize }, Rect { origin, ZeroSize },
            AnimationContext::currentContext().group_))
        view->setBoundsOrigin(origin);
}

void ViewAnimator::setFrameOrigin(Point origin)
{
    if (const Ref<View> view = view_.lock())
        setFrame(Rect { origin, view->frame().size });
}

void ViewAnimator::setFrameSize(Size size)
{
    if (const Ref<View> view = view_.lock())
        setFrame(Rect { view->frame().origin, size });
}

// ---- The key-value animator

namespace {

// Windows and views keep their geometry and opacity outside key-value coding: the animator reads
// and writes those keys here and everything else through the object's own coding.
Value readKey(const Object& target, const QString& key)
{
    if (auto* w = dynamic_cast<const Window*>(&target)) {
        if (key == QLatin1String("frame"))
            return Value(w->frame());
        if (key == QLatin1String("frameOrigin"))
            return Value(w->frame().origin);
        if (key == QLatin1String("alphaValue"))
            return Value(w->alphaValue());
    } else if (auto* v = dynamic_cast<const View*>(&target)) {
        if (key == QLatin1String("frame"))
            return Value(v->frame());
        if (key == QLatin1String("frameOrigin"))
            return Value(v->frame().origin);
        if (key == QLatin1String("frameSize"))
            return Value(v->frame().size);
    }
    return target.valueForKeyPath(key);
}

void writeKey(Object& target, const Value& value, const QString& key)
{
    if (auto* w = dynamic_cast<Window*>(&target)) {
        if (key == QLatin1String("frame"))
            return w->setFrameDisplay(value.rectValue(), true);
        if (key == QLatin1String("frameOrigin"))
            return w->setFrameOrigin(value.pointValue());
        if (key == QLatin1String("alphaValue"))
            return w->setAlphaValue(value.doubleValue());
    } else if (auto* v = dynamic_cast<View*>(&target)) {
        if (key == QLatin1String("frame"))
            return v->setFrame(value.rectValue());
        if (key == QLatin1String("frameOrigin"))
            return v->setFrameOrigin(value.pointValue());
        if (key == QLatin1String("frameSize"))
            return v->setFrameSize(value.sizeValue());
    }
    target.setValueForKeyPath(value, key);
}

class KeyAnimation;
using KeyAnimationKey = std::pair<const Object*, QString>;

std::map<KeyAnimationKey, Ref<KeyAnimation>>& keyAnimations()
{
    static std::map<KeyAnimationKey, Ref<KeyAnimation>> animations;
    return animations;
}

bool stepKeyAnimations();

// One running key animation, stepped by the frame driver (which runs in tracking loops too).
// Between frames it checks that nobody else set what it drives: a direct set wins.
class KeyAnimation : public Object {
public:
    KeyAnimation(Object* target, QString key, Value keyValue, QString keyPath, Value from, Value to, const BasicAnimation& spec, double duration)
        : target_(target)
        , key_(std::move(key))
        , keyValue_(std::move(keyValue))
        , keyPath_(std::move(keyPath))
        , from_(std::move(from))
        , to_(std::move(to))
        , pass_(duration)
        , spec_(static_pointer_cast<BasicAnimation>(spec.copy()))
    { }

    void start()
    {
        start_ = Application::now();
        FrameDriver& driver = FrameDriver::shared();
        driver.setStep(FrameDriver::KeyValueAnimator, stepKeyAnimations);
        driver.wake();
        apply(from_);
    }

    // Stops where it stands.
    void stop()
    {
        const Ref<KeyAnimation> keep(this);
        const KeyAnimationKey id { target_.unsafeRaw(), key_ };
        if (auto it = keyAnimations().find(id); it != keyAnimations().end() && it->second.get() == this)
            keyAnimations().erase(it);
    }

    void step()
    {
        const Ref<Object> target = target_.lock();
        if (!target || interfered(*target)) {
            stop();
            return;
        }
        const double elapsed = Application::now() - start_;
        if (elapsed >= spec_->activeDuration(pass_)) {
            apply(spec_->autoreverses() ? from_ : to_);
            stop();
            return;
        }
        apply(InterpolateValues(from_, to_, spec_->fractionAt(elapsed, pass_)));
    }

private:
    bool interfered(const Object& target) const
    {
        try {
            if (keyPath_ != key_ && !readKey(target, key_).isEqual(keyValue_))
                return true;
            return !readKey(target, keyPath_).isEqual(applied_);
        } catch (const std::exception&) {
            return true;
        }
    }

    void apply(const Value& value)
    {
        const Ref<Object> target = target_.lock();
        if (!target)
            return;
        try {
            writeKey(*target, value, keyPath_);
            // What the setter kept (a window clamps its alpha, say) is what the next frame expects.
            applied_ = readKey(*target, keyPath_);
        } catch (const std::exception& e) {
            logMessage(QStringLiteral("*** Exception while animating: ") + QString::fromUtf8(e.what()));
            stop();
        }
    }

    Weak<Object> target_;
    QString key_;
    Value keyValue_;
    QString keyPath_;
    Value from_;
    Value to_;
    Value applied_;
    double pass_;
    Ref<BasicAnimation> spec_;
    double start_ = 0;
};

bool stepKeyAnimations()
{
    std::vector<Ref<KeyAnimation>> running;
    for (const auto& [key, animation] : keyAnimations())
        running.push_back(animation);
    for (const Ref<KeyAnimation>& animation : running)
        animation->step();
    return !keyAnimations().empty();
}

} // namespace

Ref<BasicAnimation> AnimatablePropertyContainer::defaultAnimationForKey(const QString& key) const
{
    static const QStringList animated { QStringLiteral("frame"), QStringLiteral("frameOrigin"), QStringLiteral("frameSize"),
        QStringLiteral("alphaValue") };
    if (!animated.contains(key))
        return nullptr;
    auto animation = make<BasicAnimation>();
    animation->setTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionEaseInEaseOut));
    return animation;
}

Ref<BasicAnimation> DefaultAnimationForKey(const Object& target, const QString& key)
{
    if (auto* container = dynamic_cast<const AnimatablePropertyContainer*>(&target))
        return container->defaultAnimationForKey(key);
    return AnimatablePropertyContainer().defaultAnimationForKey(key);
}

void CancelAnimationForKey(const Object* target, const QString& key)
{
    if (auto it = keyAnimations().find({ target, key }); it != keyAnimations().end()) {
        const Ref<KeyAnimation> animation = it->second;
        animation->stop();
    }
}

bool IsAnimatingKey(const Object* target, const QString& key) { return keyAnimations().count({ target, key }) > 0; }

void KeyValueAnimator::setValueForKey(const Value& value, const QString& key)
{
    const Ref<Object> target = target_.lock();
    if (!target)
        return;
    CancelAnimationForKey(target.get(), key);
    const Ref<BasicAnimation> spec = DefaultAnimationForKey(*target, key);
    const double duration = spec && spec->duration() > 0 ? spec->duration() : AnimationContext::currentContext().duration();
    const QString path = spec && !spec->keyPath().isEmpty() ? spec->keyPath() : key;
    if (!spec || duration <= 0) {
        writeKey(*target, value, key);
        return;
    }
    Value from = spec->fromValue();
    Value to = spec->toValue();
    if (path != key) {
        // The key itself takes its value now; the animation drives its own key path.
        writeKey(*target, value, key);
        if (from.isNil())
            from = readKey(*target, path);
        if (to.isNil())
            return;
    } else {
        if (from.isNil())
            from = readKey(*target, key);
        if (to.isNil())
            to = value;
    }
    auto animation = make<KeyAnimation>(target.get(), key, readKey(*target, key), path, from, to, *spec, duration);
    keyAnimations()[{ target.get(), key }] = animation;
    animation->start();
}

ViewAnimator::ViewAnimator(View* view)
    : KeyValueAnimator(view)
    , view_(view)
{ }

WindowAnimator::WindowAnimator(Window* window)
    : KeyValueAnimator(window)
{ }

WindowAnimator Window::animator() { return WindowAnimator(this); }

void AnimationContext::resetForTesting()
{
    contextStack().assign(1, AnimationContext());
    running().clear();
    for (auto animations = std::exchange(keyAnimations(), {}); auto& [key, animation] : animations)
        animation->stop();
}

} // namespace kit
