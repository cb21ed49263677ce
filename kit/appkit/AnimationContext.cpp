#include "kit/appkit/AnimationContext.h"

#include "kit/appkit/Animation.h"
#include "kit/appkit/View.h"

#include <deque>
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
std::deque<AnimationContext>& stack()
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

Rect mix(Rect a, Rect b, double t)
{
    // The last frame lands exactly on the end value.
    if (t >= 1)
        return b;
    return MakeRect(a.minX() + (b.minX() - a.minX()) * t, a.minY() + (b.minY() - a.minY()) * t, a.width() + (b.width() - a.width()) * t,
        a.height() + (b.height() - a.height()) * t);
}

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
        const Rect r = mix(from_, to_, t);
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

AnimationContext& AnimationContext::currentContext() { return stack().back(); }

void AnimationContext::beginGrouping()
{
    AnimationContext next = stack().back();
    next.group_ = std::make_shared<Group>();
    stack().push_back(next);
}

void AnimationContext::endGrouping()
{
    if (stack().size() <= 1)
        return;
    const std::shared_ptr<Group> group = stack().back().group_;
    stack().pop_back();
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
    stack().back().group_->completion = std::move(completion);
    if (changes)
        changes(stack().back());
    endGrouping();
}

void AnimationContext::resetForTesting()
{
    stack().assign(1, AnimationContext());
    running().clear();
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

} // namespace kit
