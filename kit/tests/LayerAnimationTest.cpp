// Transactions, actions and layer animations on the one frame driver and the manual clock.

#include "kit/appkit/AnimationContext.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/CAAnimation.h"
#include "kit/appkit/FrameDriver.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/layers/ConstraintLayoutManager.h"
#include "kit/graphics/CGImage.h"
#include "kit/layers/Layer.h"
#include "kit/layers/ReplicatorLayer.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/layers/ScrollLayer.h"
#include "kit/layers/TextLayer.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace layer_animation_test {

using namespace kit;

class LayerAnimation : public testing::Test {
protected:
    void TearDown() override
    {
        Transaction::resetForTesting();
        AnimationContext::resetForTesting();
    }
    // A layer the last commit has seen, so its changes animate.
    Ref<Layer> committedLayer()
    {
        auto l = Layer::layer();
        l->setBounds(MakeRect(0, 0, 100, 100));
        l->setPosition({ 0, 0 });
        Transaction::flush();
        return l;
    }
    Point presentedPosition(const Layer& l) { return l.presentationLayer()->position(); }

    test::ManualClockScope clock;
};

// --- Timing ---

struct TimingCase {
    const char* name;
    QString function;
    double t;
    double expected;
};

class MediaTiming : public testing::TestWithParam<TimingCase> { };

TEST_P(MediaTiming, SolvesTheCurveAtKnownPoints)
{
    const auto& c = GetParam();
    EXPECT_NEAR(MediaTimingFunction::functionWithName(c.function)->valueAt(c.t), c.expected, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Functions, MediaTiming,
    testing::Values(TimingCase { "linear", MediaTimingFunctionLinear, 0.3, 0.3 },
        TimingCase { "easeOutHalf", MediaTimingFunctionEaseOut, 0.5, 0.6846 },
        TimingCase { "easeInHalf", MediaTimingFunctionEaseIn, 0.5, 1 - 0.6846 },
        TimingCase { "easeInEaseOutHalf", MediaTimingFunctionEaseInEaseOut, 0.5, 0.5 },
        TimingCase { "defaultStart", MediaTimingFunctionDefault, 0, 0 }, TimingCase { "defaultEnd", MediaTimingFunctionDefault, 1, 1 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CAAnimationTiming, AutoreverseRepeatsThereAndBack)
{
    auto a = CAAnimation::animation();
    a->setAutoreverses(true);
    a->setRepeatCount(CAAnimation::RepeatForever);
    EXPECT_NEAR(a->fractionAt(0.5, 1), 0.5, 1e-12);
    EXPECT_NEAR(a->fractionAt(1, 1), 1, 1e-12);
    EXPECT_NEAR(a->fractionAt(1.5, 1), 0.5, 1e-12);
    EXPECT_NEAR(a->fractionAt(2, 1), 0, 1e-12);
    EXPECT_TRUE(std::isinf(a->activeDuration(1)));
    // A repeat count of 0 is one pass; with autoreverse a pass goes there and back.
    auto once = CAAnimation::animation();
    EXPECT_EQ(once->activeDuration(2), 2);
    once->setAutoreverses(true);
    once->setRepeatCount(3);
    EXPECT_EQ(once->activeDuration(2), 12);
}

// --- Transactions ---

TEST_F(LayerAnimation, NestedTransactionsInheritAndRestoreTheirValues)
{
    EXPECT_EQ(Transaction::animationDuration(), 0.25);
    Transaction::begin();
    Transaction::setAnimationDuration(0.7);
    Transaction::begin();
    EXPECT_EQ(Transaction::animationDuration(), 0.7);
    Transaction::setValueForKey(Value(2.1), TransactionAnimationDuration);
    Transaction::setDisableActions(true);
    EXPECT_EQ(Transaction::animationDuration(), 2.1);
    EXPECT_TRUE(Transaction::valueForKey(TransactionDisableActions).boolValue());
    Transaction::commit();
    EXPECT_EQ(Transaction::valueForKey(TransactionAnimationDuration).doubleValue(), 0.7);
    EXPECT_FALSE(Transaction::disableActions());
    Transaction::commit();
    Transaction::flush();
    EXPECT_EQ(Transaction::animationDuration(), 0.25);
}

TEST_F(LayerAnimation, ALayerMovedInThePassThatMadeItDoesNotAnimate)
{
    auto parent = committedLayer();
    auto fresh = Layer::layer();
    parent->addSublayer(fresh.get());
    fresh->setPosition({ 50, 50 });
    EXPECT_TRUE(fresh->animationKeys().empty());
    Transaction::flush();
    // One commit later the same move animates, from where it was.
    fresh->setPosition({ 80, 50 });
    ASSERT_EQ(fresh->animationKeys(), std::vector<QString> { QStringLiteral("position") });
    EXPECT_EQ(presentedPosition(*fresh), MakePoint(50, 50));
    EXPECT_EQ(fresh->position(), MakePoint(80, 50)); // the model at once
}

TEST_F(LayerAnimation, DisabledActionsChangeAtOnce)
{
    auto l = committedLayer();
    Transaction::begin();
    Transaction::setDisableActions(true);
    l->setPosition({ 40, 0 });
    l->setOpacity(0.5);
    Transaction::commit();
    EXPECT_TRUE(l->animationKeys().empty());
    EXPECT_EQ(presentedPosition(*l), MakePoint(40, 0));
}

TEST_F(LayerAnimation, TheDefaultAnimationRunsOverTheTransactionsDurationAndRetires)
{
    auto l = committedLayer();
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    l->setPosition({ 100, 0 });
    Transaction::commit();
    ASSERT_NE(l->animationForKey("position"), nullptr);
    EXPECT_EQ(l->animationForKey("position")->duration(), 1);
    EXPECT_TRUE(FrameDriver::shared().isRunning());
    clock.advance(0.25);
    EXPECT_NEAR(presentedPosition(*l).x, 25, 1e-9);
    // A retarget continues from where the layer is.
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    l->setPosition({ 0, 0 });
    Transaction::commit();
    clock.advance(0.25);
    EXPECT_NEAR(presentedPosition(*l).x, 25 * 0.75, 1e-9);
    clock.advance(1);
    EXPECT_TRUE(l->animationKeys().empty());
    EXPECT_FALSE(FrameDriver::shared().isRunning());
    EXPECT_EQ(presentedPosition(*l), MakePoint(0, 0));
}

TEST_F(LayerAnimation, WithoutATimingFunctionImplicitAnimationsTakeTheDefault)
{
    auto l = committedLayer();
    l->setOpacity(0); // in the implicit transaction: 0.25 s
    clock.advance(0.125);
    const double expected = 1 - MediaTimingFunction::functionWithName(MediaTimingFunctionDefault)->valueAt(0.5);
    EXPECT_NEAR(l->presentationLayer()->opacity(), expected, 1e-6);
}

// Answers nil, Null or its own animation for the keys it was given.
class ActionDelegate : public Object, public LayerDelegate {
    KIT_CLASS(ActionDelegate)
    Value actionForLayerForKey(Layer*, const QString& key) override { return answers.objectForKey(Value(key)); }
    Dictionary answers;
};
KIT_REGISTER_CLASS(ActionDelegate, Object) { c.optionalOperation("actionForLayerForKey"); }

TEST_F(LayerAnimation, ActionsComeFromTheDelegateThenTheDictionaryThenTheDefault)
{
    auto l = committedLayer();
    auto delegate = make<ActionDelegate>();
    l->setDelegate(delegate.get());
    auto slow = make<BasicAnimation>();
    slow->setDuration(3);
    delegate->answers.setObjectForKey(Value(slow), Value("position"));
    delegate->answers.setObjectForKey(Value::null(), Value("opacity"));
    l->setActions(Dictionary { { Value("opacity"), Value(slow) }, { Value("bounds"), Value::null() } });

    l->setPosition({ 10, 0 });
    ASSERT_NE(l->animationForKey("position"), nullptr);
    EXPECT_EQ(l->animationForKey("position")->duration(), 3);
    l->setOpacity(0.5); // the delegate's Null stops before the dictionary
    EXPECT_EQ(l->animationForKey("opacity"), nullptr);
    l->setBounds(MakeRect(0, 0, 10, 10)); // nil from the delegate, Null in the dictionary
    EXPECT_EQ(l->animationForKey("bounds"), nullptr);
    l->setZPosition(3); // nil, absent: the default
    ASSERT_NE(l->animationForKey("zPosition"), nullptr);
    EXPECT_EQ(l->animationForKey("zPosition")->duration(), 0.25);
}

TEST_F(LayerAnimation, CompletionWaitsForEveryAnimationOfTheTransactionNestedOnesIncluded)
{
    auto l = committedLayer();
    int completions = 0;
    Transaction::begin();
    Transaction::setCompletionBlock([&] { ++completions; });
    Transaction::setAnimationDuration(0.5);
    l->setPosition({ 10, 0 });
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    l->setOpacity(0);
    Transaction::commit();
    Transaction::commit();
    Transaction::flush();
    EXPECT_EQ(completions, 0);
    clock.advance(0.6);
    EXPECT_EQ(completions, 0);
    clock.advance(0.5);
    EXPECT_EQ(completions, 1);
}

TEST_F(LayerAnimation, AnimationsGoneBeforeTheirEndLeaveTheOthersEndingWithThemToRetire)
{
    std::vector<Ref<Layer>> layers;
    for (int i = 0; i < 6; ++i)
        layers.push_back(committedLayer());
    int completions = 0;
    Transaction::begin();
    Transaction::setCompletionBlock([&] { ++completions; });
    Transaction::setAnimationDuration(1);
    for (const auto& l : layers)
        l->setPosition({ 10, 0 });
    Transaction::commit();
    Transaction::flush();
    // Before the end: one layer let go of, one animation removed, one replaced by a longer move.
    layers[1] = nullptr;
    layers[2]->removeAnimationForKey("position");
    clock.advance(0.5);
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    layers[3]->setPosition({ 20, 0 });
    Transaction::commit();
    Transaction::flush();
    clock.advance(0.6);
    for (int i : { 0, 2, 4, 5 })
        EXPECT_TRUE(layers[std::size_t(i)]->animationKeys().empty()) << i;
    EXPECT_EQ(layers[3]->animationKeys(), std::vector<QString> { "position" });
    EXPECT_EQ(completions, 1);
    clock.advance(0.5);
    EXPECT_TRUE(layers[3]->animationKeys().empty());
    EXPECT_EQ(presentedPosition(*layers[3]), MakePoint(20, 0));
}

TEST_F(LayerAnimation, WithoutAnimationsCompletionRunsAtTheOutermostCommit)
{
    int completions = 0;
    Transaction::begin();
    Transaction::setCompletionBlock([&] { ++completions; });
    Transaction::commit();
    EXPECT_EQ(completions, 0); // never inside an inner commit
    Transaction::flush();
    EXPECT_EQ(completions, 1);
}

TEST_F(LayerAnimation, RemovingAnAnimationShowsTheModelValue)
{
    auto l = committedLayer();
    auto pulse = BasicAnimation::animationWithKeyPath("opacity");
    pulse->setFromValue(Value(0.0));
    pulse->setToValue(Value(1.0));
    pulse->setDuration(1);
    pulse->setAutoreverses(true);
    pulse->setRepeatCount(CAAnimation::RepeatForever);
    l->setOpacity(0.8);
    Transaction::flush();
    l->removeAllAnimations();
    l->addAnimationForKey(pulse.get(), "pulse");
    // The layer holds its own copy.
    EXPECT_NE(l->animationForKey("pulse"), pulse);
    clock.advance(1.5);
    EXPECT_NEAR(l->presentationLayer()->opacity(), 0.5, 1e-6);
    l->removeAnimationForKey("pulse");
    EXPECT_EQ(l->presentationLayer()->opacity(), 0.8);
}

TEST_F(LayerAnimation, AnExplicitAnimationOfAStoredKeySurvivesTheModelSetAfterIt)
{
    auto l = committedLayer();
    auto grow = BasicAnimation::animationWithKeyPath("indicatorScale");
    grow->setFromValue(Value(0.0));
    grow->setToValue(Value(1.0));
    grow->setDuration(0.15);
    l->addAnimationForKey(grow.get(), "indicatorScale");
    l->setValueForKey(Value(1.0), "indicatorScale");
    ASSERT_NE(l->animationForKey("indicatorScale"), nullptr);
    clock.advance(0.075);
    EXPECT_NEAR(l->presentationValueForKey("indicatorScale").doubleValue(), 0.5, 1e-9);
    EXPECT_NEAR(l->presentationLayer()->valueForKey("indicatorScale").doubleValue(), 0.5, 1e-9);
    EXPECT_EQ(l->valueForKey("indicatorScale").doubleValue(), 1.0);
}

TEST_F(LayerAnimation, ATurnThroughTheViewerStaysFullWidthHalfWay)
{
    auto l = committedLayer();
    const double angle = 70 * std::numbers::pi / 180;
    l->setTransform(Transform3DMakeRotation(angle, 0, 1, 0));
    Transaction::flush();
    clock.advance(1);
    Transaction::begin();
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    l->setTransform(Transform3DMakeRotation(-angle, 0, 1, 0));
    Transaction::commit();
    clock.advance(0.125);
    EXPECT_NEAR(l->presentationLayer()->transform().m11, 1, 1e-9);
}

// A numeric key animated through the key-value animator, linear over one second.
class Gauge : public Object, public AnimatablePropertyContainer {
    KIT_CLASS(Gauge)
    double level() const { return level_; }
    void setLevel(double level) { level_ = level; }
    Ref<BasicAnimation> defaultAnimationForKey(const QString& key) const override
    {
        if (key != QLatin1String("level"))
            return AnimatablePropertyContainer::defaultAnimationForKey(key);
        auto a = make<BasicAnimation>();
        a->setDuration(1);
        return a;
    }
    double level_ = 0;
};
KIT_REGISTER_CLASS(Gauge, Object) { c.property("level", &Gauge::level, &Gauge::setLevel); }

TEST_F(LayerAnimation, TheKeyValueAnimatorAndLayersMoveInTheSameFrames)
{
    auto gauge = make<Gauge>();
    auto l = committedLayer();
    KeyValueAnimator(gauge.get()).setValueForKey(Value(1.0), "level");
    auto fade = BasicAnimation::animationWithKeyPath("opacity");
    fade->setFromValue(Value(0.0));
    fade->setToValue(Value(1.0));
    fade->setDuration(1);
    l->addAnimationForKey(fade.get(), "fade");
    for (int frame = 1; frame <= 30; ++frame)
        clock.advance(FrameDriver::FrameInterval);
    EXPECT_NEAR(gauge->level(), 0.5, 1e-6);
    EXPECT_NEAR(l->presentationLayer()->opacity(), 0.5, 1e-6);
    clock.advance(1);
    EXPECT_EQ(gauge->level(), 1.0);
    EXPECT_FALSE(FrameDriver::shared().isRunning());
}

// Lays out by moving the first sublayer to its target.
class Mover : public Object, public LayerDelegate {
    KIT_CLASS(Mover)
    void layoutSublayersOfLayer(Layer* layer) override { layer->sublayers().front()->setPosition(target); }
    Point target { 100, 0 };
};
KIT_REGISTER_CLASS(Mover, Object) { c.optionalOperation("layoutSublayersOfLayer"); }

class LayoutDuration : public LayerAnimation, public testing::WithParamInterface<double> { };

TEST_P(LayoutDuration, LayoutInTheCommitAnimatesWithTheTransactionsDuration)
{
    auto parent = committedLayer();
    auto child = Layer::layer();
    parent->addSublayer(child.get());
    auto mover = make<Mover>();
    parent->setDelegate(mover.get());
    Transaction::flush();
    EXPECT_EQ(child->position(), MakePoint(100, 0));
    EXPECT_TRUE(child->animationKeys().empty()); // laid out in the commit that made it
    // The selection setter's way: the duration goes on the current transaction, whose commit lays out.
    mover->target = { 200, 0 };
    Transaction::setValueForKey(Value(GetParam()), TransactionAnimationDuration);
    parent->setNeedsLayout();
    Transaction::flush();
    EXPECT_EQ(child->position(), MakePoint(200, 0));
    ASSERT_NE(child->animationForKey("position"), nullptr);
    EXPECT_EQ(child->animationForKey("position")->duration(), GetParam());
}

// 0.7 s, or 2.1 s with Shift.
INSTANTIATE_TEST_SUITE_P(Durations, LayoutDuration, testing::Values(0.7, 2.1));

// Draws a ring whose size is the stored key "indicatorScale".
class Ring : public Layer {
    KIT_CLASS(Ring)
    bool needsDisplayForKey(const QString& key) const override
    {
        return key == QLatin1String("indicatorScale") || Layer::needsDisplayForKey(key);
    }
    void drawInContext(CGContext&) override { scales().push_back(valueForKey("indicatorScale").doubleValue()); }
    static std::vector<double>& scales()
    {
        static std::vector<double> drawn;
        return drawn;
    }
};
KIT_REGISTER_CLASS(Ring, Layer) { c.copyable(); }

TEST_F(LayerAnimation, ARedisplayKeyRedrawsEachFrameThroughPresentationCopies)
{
    Ring::scales().clear();
    auto ring = make<Ring>();
    ring->setBounds(MakeRect(0, 0, 20, 20));
    ring->setPosition({ 10, 10 });
    ring->setValueForKey(Value(1.0), "indicatorScale");
    const Ref<CGContext> bitmap = CGContext::createBitmap(20, 20);
    ring->renderInContext(*bitmap);
    ASSERT_EQ(Ring::scales(), std::vector<double> { 1.0 }); // a model change: once
    ring->renderInContext(*bitmap);
    EXPECT_EQ(Ring::scales().size(), 1u);

    Ring::scales().clear();
    auto expand = BasicAnimation::animationWithKeyPath("indicatorScale");
    expand->setFromValue(Value(1.0));
    expand->setToValue(Value(2.0));
    expand->setDuration(0.15);
    ring->addAnimationForKey(expand.get(), "indicatorScale");
    for (int frame = 1; frame <= 3; ++frame) {
        clock.advance(0.04);
        ring->renderInContext(*bitmap);
    }
    ASSERT_EQ(Ring::scales().size(), 3u);
    for (std::size_t frame = 0; frame < 3; ++frame)
        EXPECT_NEAR(Ring::scales()[frame], 1 + 0.04 * double(frame + 1) / 0.15, 1e-6);
    // Once it ends, nothing redraws.
    clock.advance(0.04);
    ring->renderInContext(*bitmap);
    EXPECT_EQ(Ring::scales().size(), 3u);
    // The model layer never drew an animated value.
    EXPECT_EQ(ring->valueForKey("indicatorScale").doubleValue(), 1.0);
}

TEST_F(LayerAnimation, APresentationHitTestFindsWhereTheLayerIsDrawn)
{
    auto root = committedLayer();
    root->setBounds(MakeRect(0, 0, 400, 100));
    root->setPosition({ 200, 50 });
    auto card = Layer::layer();
    card->setBounds(MakeRect(0, 0, 50, 50));
    card->setPosition({ 25, 25 });
    root->addSublayer(card.get());
    Transaction::flush();
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    card->setPosition({ 225, 25 });
    Transaction::commit();
    clock.advance(0.5); // drawn at x 100…150
    const Ref<Layer> shown = root->presentationLayer();
    const Ref<Layer> hit = shown->hitTest({ 110, 25 });
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->modelLayer(), card);
    EXPECT_NE(hit, card); // a copy, with the presentation values
    EXPECT_NEAR(hit->position().x, 125, 1e-9);
    // The model is already at its end.
    EXPECT_EQ(root->hitTest({ 110, 25 }), root);
    EXPECT_EQ(root->hitTest({ 210, 25 }), card);
}

TEST_F(LayerAnimation, ATransitionOnOrderInFadesTheLayerIn)
{
    auto parent = committedLayer();
    auto fade = Transition::animation();
    fade->setType(TransitionReveal); // drawn as a fade
    fade->setDuration(0.5);
    auto picture = Layer::layer();
    picture->setActions(Dictionary { { Value(OnOrderIn), Value(fade) } });
    parent->addSublayer(picture.get());
    ASSERT_NE(picture->animationForKey(OnOrderIn), nullptr);
    clock.advance(0.25);
    EXPECT_NEAR(picture->presentationLayer()->opacity(), 0.5, 1e-9);
    clock.advance(0.5);
    EXPECT_EQ(picture->presentationLayer()->opacity(), 1);
    // Actions disabled: it joins at once.
    auto other = Layer::layer();
    other->setActions(Dictionary { { Value(OnOrderIn), Value(fade) } });
    Transaction::setDisableActions(true);
    parent->addSublayer(other.get());
    EXPECT_EQ(other->animationForKey(OnOrderIn), nullptr);
}

// Answers its own action for every key and remembers what it was asked.
class OrderActionDelegate : public Object, public LayerDelegate {
    KIT_CLASS(OrderActionDelegate)
    Value actionForLayerForKey(Layer* layer, const QString& key) override
    {
        asked.push_back(key);
        stillInTree.push_back(layer->superlayer() != nullptr);
        return Value();
    }
    std::vector<QString> asked;
    std::vector<bool> stillInTree;
};

KIT_REGISTER_CLASS(OrderActionDelegate, Object) { c.optionalOperation("actionForLayerForKey"); }

TEST_F(LayerAnimation, LeavingATreeAsksForTheOrderOutActionAfterTheLayerHasLeft)
{
    auto parent = committedLayer();
    auto fade = Transition::animation();
    fade->setDuration(0.5);
    auto picture = Layer::layer();
    auto delegate = make<OrderActionDelegate>();
    picture->setDelegate(delegate.get());
    picture->setActions(Dictionary { { Value(OnOrderOut), Value(fade) } });
    parent->addSublayer(picture.get());
    Transaction::flush();
    delegate->asked.clear();
    delegate->stillInTree.clear();
    picture->removeFromSuperlayer();
    // Removed at once; the action still runs.
    EXPECT_EQ(picture->superlayer(), nullptr);
    EXPECT_TRUE(parent->sublayers().empty());
    EXPECT_EQ(delegate->asked, std::vector<QString> { OnOrderOut });
    EXPECT_EQ(delegate->stillInTree, std::vector<bool> { false });
    EXPECT_NE(picture->animationForKey(OnOrderOut), nullptr);
    // A layer in no tree leaves nothing: nothing is asked.
    delegate->asked.clear();
    picture->removeFromSuperlayer();
    EXPECT_TRUE(delegate->asked.empty());
    // Null in the dictionary stops the lookup; disabled actions ask nothing.
    auto quiet = Layer::layer();
    quiet->setActions(Dictionary { { Value(OnOrderOut), Value::null() } });
    parent->addSublayer(quiet.get());
    quiet->removeFromSuperlayer();
    EXPECT_EQ(quiet->animationForKey(OnOrderOut), nullptr);
    auto disabled = Layer::layer();
    disabled->setActions(Dictionary { { Value(OnOrderOut), Value(fade) } });
    parent->addSublayer(disabled.get());
    Transaction::setDisableActions(true);
    disabled->removeFromSuperlayer();
    EXPECT_EQ(disabled->animationForKey(OnOrderOut), nullptr);
}

TEST_F(LayerAnimation, ATransitionRunsAsACopyKeepingItsTypeAndSubtype)
{
    auto layer = committedLayer();
    auto push = Transition::animation();
    push->setType(TransitionPush);
    push->setSubtype(TransitionFromLeft);
    push->setDuration(0.5);
    layer->addAnimationForKey(push.get(), QStringLiteral("change"));
    push->setSubtype(TransitionFromRight); // the layer runs its own copy
    const auto running = dynamic_pointer_cast<Transition>(layer->animationForKey(QStringLiteral("change")));
    ASSERT_NE(running, nullptr);
    EXPECT_NE(running.get(), push.get());
    EXPECT_EQ(running->type(), TransitionPush);
    EXPECT_EQ(running->subtype(), TransitionFromLeft);
    EXPECT_EQ(running->duration(), 0.5);
}

TEST_F(LayerAnimation, AHostingViewDrawsPresentationValuesAtTheClocksNow)
{
    auto window = make<Window>(MakeRect(100, 100, 300, 100), TitledWindowMask);
    auto host = make<View>(MakeRect(0, 0, 300, 100));
    window->contentView()->addSubview(host.get());
    auto root = Layer::layer();
    auto card = Layer::layer();
    card->setBounds(MakeRect(0, 0, 20, 20));
    card->setPosition({ 10, 50 });
    card->setBackgroundColor(CGColor { 1, 0, 0, 1 });
    root->addSublayer(card.get());
    host->setLayer(root.get());
    window->displayIfNeeded();
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    card->setPosition({ 210, 50 });
    Transaction::commit();
    clock.advance(0.5);
    // The frame driver asked for the redraw; the card is half-way.
    EXPECT_TRUE(window->viewsNeedDisplay());
    const QImage half = window->snapshot();
    EXPECT_TRUE(test::basePixelIs(half, MakePoint(110, 50), Qt::red));
    EXPECT_FALSE(test::basePixelIs(half, MakePoint(210, 50), Qt::red));
    clock.advance(1);
    EXPECT_TRUE(test::basePixelIs(window->snapshot(), MakePoint(210, 50), Qt::red));
    Application::resetForTesting();
}

TEST_F(LayerAnimation, TheImplicitTransactionCommitsAtTheEndOfThePass)
{
    auto parent = committedLayer();
    auto mover = make<Mover>();
    auto child = Layer::layer();
    parent->addSublayer(child.get());
    parent->setDelegate(mover.get());
    EXPECT_EQ(child->position(), MakePoint(0, 0)); // not laid out yet
    RunLoop::main().runPending();
    EXPECT_EQ(child->position(), MakePoint(100, 0));
    // That commit saw the child: its next change animates.
    child->setPosition({ 0, 0 });
    EXPECT_NE(child->animationForKey("position"), nullptr);
}

TEST_F(LayerAnimation, AScrollLayerGrowsFromZeroWithItsContainer)
{
    auto container = Layer::layer();
    auto scroll = ScrollLayer::layer();
    scroll->setAutoresizingMask(LayerWidthSizable | LayerHeightSizable);
    container->addSublayer(scroll.get());
    container->setBounds(MakeRect(0, 0, 640, 200));
    EXPECT_EQ(scroll->frame(), MakeRect(0, 0, 640, 200));
    EXPECT_EQ(scroll->bounds().size, MakeSize(640, 200));
}

TEST_F(LayerAnimation, AReplicatorsInstanceTransformAndOffsetsAnimate)
{
    auto item = ReplicatorLayer::layer();
    item->setBounds(MakeRect(0, 0, 100, 100));
    item->setPosition({ 50, 50 });
    item->setInstanceCount(2);
    item->setInstanceTransform(Transform3DMakeTranslation(100, 0, 0)); // the copy to the right
    auto picture = Layer::layer();
    picture->setBounds(MakeRect(0, 0, 100, 100));
    picture->setPosition({ 50, 50 });
    picture->setBackgroundColor(CGColor { 1, 1, 1, 1 });
    item->addSublayer(picture.get());
    Transaction::flush();
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    item->setInstanceRedOffset(-0.4);
    item->setInstanceGreenOffset(-0.4);
    item->setInstanceBlueOffset(-0.4);
    item->setInstanceTransform(Transform3DMakeTranslation(200, 0, 0));
    Transaction::commit();
    clock.advance(0.5);
    const Ref<CGContext> bitmap = CGContext::createBitmap(400, 100);
    item->renderInContext(*bitmap);
    const QImage image = bitmap->createImage()->image();
    // Half-way: the copy stands at x 150…250, darkened by 0.2.
    EXPECT_TRUE(test::pixelIs(image, 200, 50, QColor(204, 204, 204), 2));
    EXPECT_TRUE(test::pixelIs(image, 120, 50, Qt::transparent, 2));
    EXPECT_EQ(item->instanceRedOffset(), -0.4); // the model at once
}

// --- Layout ---

TEST_F(LayerAnimation, ATitleIsSizedByItsText)
{
    auto background = Layer::layer();
    background->setBounds(MakeRect(0, 0, 400, 300));
    background->setLayoutManager(ConstraintLayoutManager::layoutManager().get());
    auto title = TextLayer::layer();
    title->setName("title");
    title->setFontSize(18);
    title->setString("A picture");
    title->addConstraint(Constraint::constraintWithAttributeRelativeToAttributeOffset(ConstraintMinY, "superlayer", ConstraintMinY, 50));
    title->addConstraint(Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMidX, "superlayer", ConstraintMidX));
    // A sibling tied to the title's top, listed before it.
    auto container = Layer::layer();
    container->addConstraint(Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMinY, "title", ConstraintMaxY));
    container->addConstraint(Constraint::constraintWithAttributeRelativeToAttribute(ConstraintMaxY, "superlayer", ConstraintMaxY));
    background->addSublayer(container.get());
    background->addSublayer(title.get());
    Transaction::flush();
    const Size text = title->preferredFrameSize();
    EXPECT_GT(text.width, 0);
    EXPECT_GT(text.height, 0);
    EXPECT_NEAR(title->frame().width(), text.width, 1e-9);
    EXPECT_NEAR(title->frame().height(), text.height, 1e-9);
    EXPECT_NEAR(title->frame().midX(), 200, 1e-9);
    EXPECT_NEAR(title->frame().minY(), 50, 1e-9);
    EXPECT_NEAR(container->frame().minY(), 50 + text.height, 1e-9);
    EXPECT_NEAR(container->frame().maxY(), 300, 1e-9);
}

} // namespace layer_animation_test
