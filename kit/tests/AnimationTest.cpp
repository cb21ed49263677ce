#include "kit/appkit/Animation.h"

#include "kit/appkit/AnimationContext.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace kit;

struct CurveCase {
    AnimationCurve curve;
    double t;
    double value;
};

class Curves : public testing::TestWithParam<CurveCase> { };

TEST_P(Curves, MapLinearProgressToValue) { EXPECT_NEAR(Animation::valueForCurve(GetParam().curve, GetParam().t), GetParam().value, 1e-12); }

INSTANTIATE_TEST_SUITE_P(All, Curves,
    testing::Values(CurveCase { AnimationEaseInOut, 0.5, 0.5 }, CurveCase { AnimationEaseInOut, 0.25, (1 - std::sqrt(0.5)) / 2 },
        CurveCase { AnimationEaseIn, 0.5, 1 - std::sqrt(0.5) }, CurveCase { AnimationEaseOut, 0.5, std::sqrt(0.5) },
        CurveCase { AnimationLinear, 0.3, 0.3 }, CurveCase { AnimationEaseIn, 1, 1 }, CurveCase { AnimationEaseOut, 0, 0 }));

class Recorder : public Object, public AnimationDelegate {
    KIT_CLASS(Recorder)

    bool animationShouldStart(Animation*) override
    {
        log.push_back("shouldStart");
        return allowStart;
    }
    void animationDidStop(Animation*) override { log.push_back("didStop at " + frameText()); }
    void animationDidEnd(Animation*) override { log.push_back("didEnd at " + frameText()); }
    std::string frameText() const { return view ? std::to_string(int(view->frame().minX())) : "-"; }

    std::vector<std::string> log;
    bool allowStart = true;
    Ref<View> view;
};

KIT_REGISTER_CLASS(Recorder, Object) { c.optionalOperations({ "animationShouldStart", "animationDidStop", "animationDidEnd" }); }

class Animations : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(0, 0, 400, 100), TitledWindowMask);
        view = make<View>(MakeRect(0, 0, 50, 50));
        window->contentView()->addSubview(view.get());
        recorder->view = view;
    }
    void TearDown() override { Application::resetForTesting(); }

    Ref<ViewAnimation> slide(Rect to)
    {
        auto a = make<ViewAnimation>();
        a->addAnimationDictionary(
            Dictionary { { Value(ViewAnimationTargetKey), Value(Ref<Object>(view)) }, { Value(ViewAnimationEndFrameKey), Value(to) } });
        a->setDelegate(recorder.get());
        return a;
    }

    Ref<Window> window;
    Ref<View> view;
    Ref<Recorder> recorder = make<Recorder>();
};

TEST_F(Animations, ViewAnimationsRunOnTheClockAndEndAtTheEndFrames)
{
    kit::test::EventScript script(window.get());
    auto a = slide(MakeRect(200, 0, 50, 50));
    EXPECT_EQ(a->duration(), 0.5);
    EXPECT_EQ(a->animationBlockingMode(), AnimationNonblocking);
    a->startAnimation();
    EXPECT_TRUE(a->isAnimating());
    script.clock().advance(0.25);
    EXPECT_NEAR(a->currentProgress(), 0.5, 0.04);
    EXPECT_NEAR(view->frame().minX(), 200 * Animation::valueForCurve(AnimationEaseInOut, a->currentProgress()), 1e-9);
    script.clock().advance(0.5);
    EXPECT_FALSE(a->isAnimating());
    EXPECT_EQ(view->frame(), MakeRect(200, 0, 50, 50));
    EXPECT_EQ(recorder->log, (std::vector<std::string> { "shouldStart", "didEnd at 200" }));
}

TEST_F(Animations, StoppingJumpsToTheEndFramesAndTheNextSlideStartsThere)
{
    kit::test::EventScript script(window.get());
    auto a = slide(MakeRect(200, 0, 50, 50));
    a->startAnimation();
    script.clock().advance(0.1);
    a->stopAnimation();
    EXPECT_EQ(view->frame().minX(), 200);
    EXPECT_EQ(recorder->log, (std::vector<std::string> { "shouldStart", "didStop at 200" }));
    auto back = slide(MakeRect(100, 0, 50, 50));
    back->startAnimation();
    script.clock().advance(0.02);
    EXPECT_GT(view->frame().minX(), 100);
    EXPECT_LT(view->frame().minX(), 200);
}

TEST_F(Animations, ProgressSetBeforeTheStartIsWhereItBegins)
{
    kit::test::EventScript script(window.get());
    auto a = slide(MakeRect(200, 0, 50, 50));
    a->setAnimationCurve(AnimationLinear);
    a->setCurrentProgress(0.5);
    EXPECT_EQ(view->frame().minX(), 0); // nothing moves before the start
    a->startAnimation();
    script.clock().advance(1.0 / 60);
    EXPECT_NEAR(view->frame().minX(), 100 + 200.0 / 60 / 0.5, 1e-6);
}

TEST_F(Animations, FadingAWindowOrdersItInTransparentAndOutOnceTransparent)
{
    kit::test::EventScript script(window.get());
    const auto fade = [&](const QString& effect) {
        auto a = make<ViewAnimation>();
        a->addAnimationDictionary(
            Dictionary { { Value(ViewAnimationTargetKey), Value(Ref<Object>(window)) }, { Value(ViewAnimationEffectKey), Value(effect) } });
        a->setAnimationCurve(AnimationLinear);
        a->startAnimation();
        return a;
    };
    auto in = fade(ViewAnimationFadeInEffect);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->alphaValue(), 0);
    script.clock().advance(0.25);
    EXPECT_NEAR(window->alphaValue(), 0.5, 0.04);
    script.clock().advance(0.5);
    EXPECT_EQ(window->alphaValue(), 1);

    window->makeKeyWindow();
    kit::test::NotificationRecorder resigned(WindowDidResignKeyNotification, window.get());
    auto out = fade(ViewAnimationFadeOutEffect);
    script.clock().advance(0.25);
    EXPECT_NEAR(window->alphaValue(), 0.5, 0.04);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(resigned.notifications.empty()); // still key while it fades
    script.clock().advance(0.5);
    EXPECT_EQ(window->alphaValue(), 0);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(resigned.notifications.size(), 1u);
}

TEST_F(Animations, ADelegateCanRefuseTheStart)
{
    recorder->allowStart = false;
    auto a = slide(MakeRect(200, 0, 50, 50));
    a->startAnimation();
    EXPECT_FALSE(a->isAnimating());
}

// Tracks the mouse until it goes up, as a split view's divider drag does.
class Tracker : public View {
public:
    using View::View;
    void mouseDown(const Event&) override
    {
        while (auto e
            = window()->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseUpMask, Date::distantFuture(), EventTrackingRunLoopMode, true))
            if (e->type() == LeftMouseUp)
                break;
    }
};

TEST_F(Animations, NonBlockingAnimationsRunInsideTrackingLoops)
{
    auto tracker = make<Tracker>(MakeRect(300, 0, 100, 100));
    window->contentView()->addSubview(tracker.get());
    kit::test::EventScript script(window.get());
    auto a = slide(MakeRect(200, 0, 50, 50));
    a->startAnimation();
    script.mouseDown(MakePoint(350, 50)).wait(1).mouseUp(MakePoint(350, 50));
    script.run();
    EXPECT_EQ(view->frame().minX(), 200);
    EXPECT_EQ(recorder->log.back(), "didEnd at 200");
}

TEST_F(Animations, BlockingAnimationsReturnWhenDone)
{
    kit::test::EventScript script(window.get());
    auto a = slide(MakeRect(120, 0, 50, 50));
    a->setAnimationBlockingMode(AnimationBlocking);
    const double start = script.now();
    a->startAnimation();
    EXPECT_FALSE(a->isAnimating());
    EXPECT_EQ(view->frame().minX(), 120);
    EXPECT_NEAR(script.now() - start, 0.5, 1.0 / 60 + 1e-9);
}

} // namespace

namespace {

using namespace kit;

class Grouping : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(0, 0, 400, 100), TitledWindowMask);
        view = make<View>(MakeRect(0, 0, 50, 50));
        window->contentView()->addSubview(view.get());
    }
    void TearDown() override
    {
        AnimationContext::resetForTesting();
        Application::resetForTesting();
    }
    Ref<Window> window;
    Ref<View> view;
};

TEST_F(Grouping, AnimatorChangesRunOverTheGroupDurationThenTheCompletionRunsOnce)
{
    kit::test::EventScript script(window.get());
    EXPECT_EQ(AnimationContext::currentContext().duration(), 0.25);
    int completions = 0;
    AnimationContext::runAnimationGroupCompletionHandler(
        [&](AnimationContext& context) {
            context.setDuration(0.5);
            view->animator().setFrameOrigin(MakePoint(100, 0));
        },
        [&] { ++completions; });
    EXPECT_EQ(view->frame().minX(), 0);
    script.clock().advance(0.25);
    EXPECT_GT(view->frame().minX(), 0);
    EXPECT_LT(view->frame().minX(), 100);
    EXPECT_EQ(completions, 0);
    script.clock().advance(0.5);
    EXPECT_EQ(view->frame().minX(), 100);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(AnimationContext::currentContext().duration(), 0.25); // the group's duration ended with it
}

TEST_F(Grouping, ADirectSetCancelsTheAnimation)
{
    kit::test::EventScript script(window.get());
    int completions = 0;
    AnimationContext::runAnimationGroupCompletionHandler(
        [&](AnimationContext&) { view->animator().setFrameOrigin(MakePoint(100, 0)); }, [&] { ++completions; });
    script.clock().advance(0.1);
    view->setFrameOrigin(MakePoint(7, 0));
    script.clock().advance(0.5);
    EXPECT_EQ(view->frame().minX(), 7);
    EXPECT_EQ(completions, 1); // a cancelled animation still ends its group
}

TEST_F(Grouping, NestedGroupsLeaveTheOuterContextUsableAndCompleteInnerFirst)
{
    kit::test::EventScript script(window.get());
    auto other = make<View>(MakeRect(0, 50, 50, 50));
    window->contentView()->addSubview(other.get());
    std::vector<std::string> order;
    AnimationContext::runAnimationGroupCompletionHandler(
        [&](AnimationContext& outer) {
            AnimationContext::runAnimationGroupCompletionHandler(
                [&](AnimationContext& inner) {
                    inner.setDuration(0.1);
                    view->animator().setFrameSize(MakeSize(80, 80));
                },
                [&] { order.push_back("inner"); });
            // The block's context is still the outer group's after the inner one ended.
            outer.setDuration(0.5);
            EXPECT_EQ(AnimationContext::currentContext().duration(), 0.5);
            other->animator().setFrameOrigin(MakePoint(100, 50));
        },
        [&] { order.push_back("outer"); });
    script.clock().advance(0.2);
    EXPECT_EQ(order, std::vector<std::string> { "inner" });
    script.clock().advance(0.5);
    EXPECT_EQ(order, (std::vector<std::string> { "inner", "outer" }));
    EXPECT_EQ(view->frame(), MakeRect(0, 0, 80, 80));
    EXPECT_EQ(other->frame(), MakeRect(100, 50, 50, 50));
}

TEST_F(Grouping, AnEmptyGroupCompletesAtOnce)
{
    int completions = 0;
    AnimationContext::runAnimationGroupCompletionHandler([](AnimationContext&) {}, [&] { ++completions; });
    EXPECT_EQ(completions, 1);
}

} // namespace
