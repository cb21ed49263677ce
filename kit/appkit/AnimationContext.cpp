#include "kit/appkit/AnimationContext.h"

#include "kit/appkit/Animation.h"
#include "kit/appkit/View.h"

#include <map>

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

std::vector<AnimationContext>& stack()
{
    static std::vector<AnimationContext> contexts(1);
    return contexts;
}

class FrameAnimation;

// The animation driving each view's frame, so that a new set replaces it and a direct set cancels it.
std::map<const View*, Ref<FrameAnimation>>& running()
{
    static std::map<const View*, Ref<FrameAnimation>> animations;
    return animations;
}

bool applying = false;

class FrameAnimation : public Animation {
public:
    FrameAnimation(View* view, Rect to, double duration, std::shared_ptr<AnimationContext::Group> group)
        : Animation(duration, AnimationEaseInOut)
        , view_(view)
        , from_(view->frame())
        , to_(to)
        , group_(std::move(group))
    {
        setAnimationBlockingMode(AnimationNonblocking);
        if (group_)
            ++group_->running;
    }

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
        const Rect r = MakeRect(from_.minX() + (to_.minX() - from_.minX()) * t, from_.minY() + (to_.minY() - from_.minY()) * t,
            from_.width() + (to_.width() - from_.width()) * t, from_.height() + (to_.height() - from_.height()) * t);
        applying = true;
        view->setFrame(r);
        applying = false;
    }
    void finish()
    {
        const Ref<FrameAnimation> keep(this);
        if (auto it = running().find(view_.unsafeRaw()); it != running().end() && it->second.get() == this)
            running().erase(it);
        if (auto g = std::exchange(group_, nullptr))
            g->finishOne();
    }

    Weak<View> view_;
    Rect from_;
    Rect to_;
    std::shared_ptr<AnimationContext::Group> group_;
};

} // namespace

void CancelAnimatedFrame(const View* view)
{
    if (applying || running().empty())
        return;
    if (auto it = running().find(view); it != running().end()) {
        const Ref<FrameAnimation> animation = it->second;
        animation->stopAnimation();
    }
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
    const Ref<View> view = view_.lock();
    if (!view)
        return;
    AnimationContext& context = AnimationContext::currentContext();
    // A newer set on the same view replaces the running animation from wherever it stands.
    if (auto it = running().find(view.get()); it != running().end()) {
        const Ref<FrameAnimation> old = it->second;
        old->stopAnimation();
    }
    if (context.duration() <= 0) {
        view->setFrame(frame);
        return;
    }
    auto animation = make<FrameAnimation>(view.get(), frame, context.duration(), context.group_);
    running()[view.get()] = animation;
    animation->startAnimation();
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
