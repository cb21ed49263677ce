#include "kit/appkit/AnimationContext.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

// A control that pulses a second image while it animates: setting isAnimating through the animator
// drives secondImageAlpha there and back, forever.
class Pulser : public View, public AnimatablePropertyContainer {
    KIT_CLASS(Pulser)

    using View::View;
    bool isAnimating() const { return animating; }
    void setIsAnimating(bool flag) { animating = flag; }
    double secondImageAlpha() const { return alpha; }
    void setSecondImageAlpha(double value)
    {
        alpha = value;
        ++sets;
    }
    Ref<BasicAnimation> defaultAnimationForKey(const QString& key) const override
    {
        if (key != QLatin1String("isAnimating"))
            return AnimatablePropertyContainer::defaultAnimationForKey(key);
        auto pulse = BasicAnimation::animationWithKeyPath(QStringLiteral("secondImageAlpha"));
        pulse->setFromValue(Value(0.0));
        pulse->setToValue(Value(1.0));
        pulse->setDuration(1);
        pulse->setAutoreverses(true);
        pulse->setRepeatCount(BasicAnimation::RepeatForever);
        pulse->setTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionEaseInEaseOut));
        return pulse;
    }

    bool animating = false;
    double alpha = 0;
    int sets = 0;
};

KIT_REGISTER_CLASS(Pulser, View)
{
    c.property("isAnimating", &Pulser::isAnimating, &Pulser::setIsAnimating);
    c.property("secondImageAlpha", &Pulser::secondImageAlpha, &Pulser::setSecondImageAlpha);
}

class KeyValueAnimation : public testing::Test {
protected:
    void TearDown() override
    {
        AnimationContext::resetForTesting();
        Application::resetForTesting();
    }
    Ref<Window> window = make<Window>(MakeRect(100, 100, 200, 100), TitledWindowMask);
    Ref<Pulser> pulser = make<Pulser>(MakeRect(0, 0, 20, 20));
};

TEST_F(KeyValueAnimation, AWindowAnimatorFadesTheAlphaOverTheGroupsDuration)
{
    kit::test::EventScript script(window.get());
    window->setAlphaValue(0);
    AnimationContext::runAnimationGroupCompletionHandler(
        [&](AnimationContext& context) {
            context.setDuration(0.5);
            window->animator().setAlphaValue(1);
        },
        nullptr);
    EXPECT_TRUE(IsAnimatingKey(window.get(), QStringLiteral("alphaValue")));
    script.clock().advance(0.25);
    EXPECT_NEAR(window->alphaValue(), 0.5, 0.06);
    script.clock().advance(0.5);
    EXPECT_EQ(window->alphaValue(), 1);
    EXPECT_FALSE(IsAnimatingKey(window.get(), QStringLiteral("alphaValue")));
}

TEST_F(KeyValueAnimation, AWindowFrameAnimatesAndKeysWithoutAnAnimationAreSetAtOnce)
{
    kit::test::EventScript script(window.get());
    window->animator().setFrame(MakeRect(300, 100, 200, 100));
    script.clock().advance(0.125);
    EXPECT_GT(window->frame().minX(), 100);
    EXPECT_LT(window->frame().minX(), 300);
    script.clock().advance(0.25);
    EXPECT_EQ(window->frame(), MakeRect(300, 100, 200, 100));

    KeyValueAnimator(pulser.get()).setValueForKey(Value(0.75), QStringLiteral("secondImageAlpha"));
    EXPECT_EQ(pulser->alpha, 0.75);
    EXPECT_FALSE(IsAnimatingKey(pulser.get(), QStringLiteral("secondImageAlpha")));
}

TEST_F(KeyValueAnimation, AnAnimationsOwnKeyPathPulsesThereAndBackForever)
{
    kit::test::EventScript script(window.get());
    pulser->animator().setValueForKey(Value(true), QStringLiteral("isAnimating"));
    EXPECT_TRUE(pulser->animating);
    EXPECT_EQ(pulser->alpha, 0);
    // Half-way up, the top, half-way down, the bottom; many passes later still going.
    for (const double expected : { 0.5, 1.0, 0.5, 0.0 }) {
        script.clock().advance(0.5);
        EXPECT_NEAR(pulser->alpha, expected, 0.06);
    }
    script.clock().advance(8.5);
    EXPECT_NEAR(pulser->alpha, 0.5, 0.06);
    EXPECT_TRUE(IsAnimatingKey(pulser.get(), QStringLiteral("isAnimating")));
}

TEST_F(KeyValueAnimation, ADirectSetStopsTheAnimationWhereItStands)
{
    kit::test::EventScript script(window.get());
    pulser->animator().setValueForKey(Value(true), QStringLiteral("isAnimating"));
    script.clock().advance(0.5);
    pulser->setIsAnimating(false);
    script.clock().advance(0.1);
    EXPECT_FALSE(IsAnimatingKey(pulser.get(), QStringLiteral("isAnimating")));
    const int sets = pulser->sets;
    script.clock().advance(1);
    EXPECT_EQ(pulser->sets, sets);

    // A direct set of what the animation drives wins too, and so does an explicit cancel.
    window->setAlphaValue(0);
    window->animator().setAlphaValue(1);
    script.clock().advance(0.1);
    window->setAlphaValue(0.2);
    script.clock().advance(0.1);
    EXPECT_EQ(window->alphaValue(), 0.2);
    EXPECT_FALSE(IsAnimatingKey(window.get(), QStringLiteral("alphaValue")));
    window->animator().setAlphaValue(1);
    CancelAnimationForKey(window.get(), QStringLiteral("alphaValue"));
    script.clock().advance(0.5);
    EXPECT_EQ(window->alphaValue(), 0.2);
}

} // namespace
