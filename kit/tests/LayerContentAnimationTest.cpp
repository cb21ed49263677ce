// What a layer draws while it animates: contents cross-fading, a gradient's colours, locations and
// points in between, and transitions moving the old and new looks across the layer.

#include "kit/appkit/CAAnimation.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/layers/GradientLayer.h"
#include "kit/layers/Layer.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/PixelProbe.h"

#include <gtest/gtest.h>

namespace layer_content_animation_test {

using namespace kit;

Ref<CGImage> solid(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return CGImage::create(image);
}

// The tree drawn in its root's coordinates into a transparent bitmap.
QImage render(Layer& layer, int width, int height)
{
    const Ref<CGContext> bitmap = CGContext::createBitmap(width, height);
    layer.renderInContext(*bitmap);
    return bitmap->createImage()->image();
}

// A y-up point of the bitmap.
testing::AssertionResult at(const QImage& image, int x, int y, QColor expected)
{
    return test::pixelIs(image, x, image.height() - 1 - y, expected, 3);
}

class LayerContentAnimation : public testing::Test {
protected:
    void TearDown() override { Transaction::resetForTesting(); }
    // Placed at the origin and committed, so its changes animate.
    template <class L> Ref<L> committed(Rect bounds)
    {
        auto l = make<L>();
        l->setBounds(bounds);
        l->setAnchorPoint(MakePoint(0, 0));
        l->setPosition(MakePoint(0, 0));
        Transaction::flush();
        return l;
    }
    // Without animation.
    template <class F> static void quietly(F&& change)
    {
        Transaction::begin();
        Transaction::setDisableActions(true);
        change();
        Transaction::commit();
    }
    // One second, linear: the fraction is the time.
    static void beginLinearSecond()
    {
        Transaction::begin();
        Transaction::setAnimationDuration(1);
        Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    }

    test::ManualClockScope clock;
};

// --- Contents ---

TEST_F(LayerContentAnimation, NewContentsCrossFadeFromTheOldByTheAnimationsProgress)
{
    auto layer = committed<Layer>(MakeRect(0, 0, 10, 10));
    quietly([&] { layer->setContents(solid(10, 10, Qt::red)); });
    beginLinearSecond();
    layer->setContents(solid(10, 10, Qt::blue));
    Transaction::commit();
    ASSERT_NE(layer->animationForKey(QStringLiteral("contents")), nullptr);
    EXPECT_TRUE(at(render(*layer, 10, 10), 5, 5, Qt::red));
    clock.advance(0.25);
    EXPECT_TRUE(at(render(*layer, 10, 10), 5, 5, QColor(191, 0, 64)));
    clock.advance(0.5);
    EXPECT_TRUE(at(render(*layer, 10, 10), 5, 5, QColor(64, 0, 191)));
    clock.advance(0.25);
    Layer::retireFinishedForDriver();
    EXPECT_EQ(layer->animationForKey(QStringLiteral("contents")), nullptr);
    EXPECT_TRUE(at(render(*layer, 10, 10), 5, 5, Qt::blue));
}

TEST_F(LayerContentAnimation, ImagesPlacedDifferentlyBlendWhereBothLieAndFadeAloneElsewhere)
{
    // A wide image gives way to a tall one in a square, each fitted by its aspect.
    auto layer = committed<Layer>(MakeRect(0, 0, 20, 20));
    layer->setContentsGravity(GravityResizeAspect);
    quietly([&] { layer->setContents(solid(20, 10, Qt::red)); }); // rows 5…15
    beginLinearSecond();
    layer->setContents(solid(10, 20, Qt::blue)); // columns 5…15
    Transaction::commit();
    clock.advance(0.5);
    const QImage image = render(*layer, 20, 20);
    EXPECT_TRUE(at(image, 10, 10, QColor(128, 0, 128)));
    EXPECT_TRUE(at(image, 2, 10, QColor(255, 0, 0, 128)));
    EXPECT_TRUE(at(image, 10, 18, QColor(0, 0, 255, 128)));
    EXPECT_TRUE(at(image, 2, 18, QColor(0, 0, 0, 0)));
}

TEST_F(LayerContentAnimation, ContentsFadeInFromNone)
{
    auto layer = committed<Layer>(MakeRect(0, 0, 10, 10));
    beginLinearSecond();
    layer->setContents(solid(10, 10, Qt::green));
    Transaction::commit();
    clock.advance(0.5);
    EXPECT_TRUE(at(render(*layer, 10, 10), 5, 5, QColor(0, 255, 0, 128)));
}

// Draws a colour it is told.
class FillingDelegate : public Object, public LayerDelegate {
    KIT_CLASS(FillingDelegate)
    void drawLayerInContext(Layer* layer, CGContext& context) override
    {
        context.setFillColor(color);
        context.fillRect(layer->bounds());
    }
    CGColor color = CGColor::createGenericRGB(1, 0, 0, 1);
};

KIT_REGISTER_CLASS(FillingDelegate, Object) { c.optionalOperation("drawLayerInContext"); }

TEST_F(LayerContentAnimation, ContentsShowAtOnceWhenRedrawnOutsideATimedTransactionDisabledOrStoppedByNull)
{
    auto layer = committed<Layer>(MakeRect(0, 0, 10, 10));
    auto painter = make<FillingDelegate>();
    layer->setDelegate(painter.get());
    layer->setNeedsDisplay();
    Transaction::flush();
    // A redisplay replaces the contents without a fade.
    painter->color = CGColor::createGenericRGB(0, 0, 1, 1);
    layer->setNeedsDisplay();
    Transaction::flush();
    EXPECT_EQ(layer->animationForKey(QStringLiteral("contents")), nullptr);
    EXPECT_TRUE(at(render(*layer, 10, 10), 5, 5, Qt::blue));
    // Actions disabled.
    auto plain = committed<Layer>(MakeRect(0, 0, 10, 10));
    Transaction::begin();
    Transaction::setDisableActions(true);
    plain->setContents(solid(10, 10, Qt::red));
    Transaction::commit();
    EXPECT_EQ(plain->animationForKey(QStringLiteral("contents")), nullptr);
    // Outside a transaction given a duration (a picture a loader hands over).
    plain->setContents(solid(10, 10, Qt::blue));
    EXPECT_EQ(plain->animationForKey(QStringLiteral("contents")), nullptr);
    // Null for the key in the actions dictionary.
    plain->setActions(Dictionary { { Value(QStringLiteral("contents")), Value::null() } });
    beginLinearSecond();
    plain->setContents(solid(10, 10, Qt::green));
    Transaction::commit();
    EXPECT_EQ(plain->animationForKey(QStringLiteral("contents")), nullptr);
    EXPECT_TRUE(at(render(*plain, 10, 10), 5, 5, Qt::green));
}

// --- Gradients ---

std::vector<CGColor> twice(const CGColor& c) { return { c, c }; }

TEST_F(LayerContentAnimation, GradientColoursMixPerComponent)
{
    auto gradient = committed<GradientLayer>(MakeRect(0, 0, 10, 10));
    quietly([&] { gradient->setColors(twice(CGColor::createGenericRGB(1, 0, 0, 1))); });
    beginLinearSecond();
    gradient->setColors(twice(CGColor::createGenericRGB(0, 0, 1, 0.5)));
    Transaction::commit();
    clock.advance(0.5);
    const auto shown = static_pointer_cast<GradientLayer>(gradient->presentationLayer());
    ASSERT_EQ(shown->colors().size(), 2u);
    const CGColor mid = shown->colors()[1];
    EXPECT_NEAR(mid.r, 0.5, 1e-9);
    EXPECT_NEAR(mid.g, 0, 1e-9);
    EXPECT_NEAR(mid.b, 0.5, 1e-9);
    EXPECT_NEAR(mid.a, 0.75, 1e-9);
    // Premultiplied (96, 0, 96, 191) on a transparent bitmap.
    EXPECT_TRUE(at(render(*gradient, 10, 10), 5, 5, QColor(128, 0, 128, 191)));
    // The model holds the new colours.
    EXPECT_NEAR(gradient->colors()[0].a, 0.5, 1e-12);
}

struct LocationsCase {
    const char* name;
    std::optional<std::vector<double>> from, to;
    std::optional<std::vector<double>> halfWay;
};

class GradientLocations : public LayerContentAnimation, public testing::WithParamInterface<LocationsCase> { };

TEST_P(GradientLocations, MixPerElementWhenTheCountsMatchElseChangeAtTheEnd)
{
    const LocationsCase& c = GetParam();
    auto gradient = committed<GradientLayer>(MakeRect(0, 0, 10, 10));
    quietly([&] {
        gradient->setColors({ CGColor::createGenericRGB(0, 0, 0, 1), CGColor::createGenericRGB(1, 1, 1, 1), CGColor::createGenericRGB(1, 0, 0, 1) });
        gradient->setLocations(c.from);
    });
    beginLinearSecond();
    gradient->setLocations(c.to);
    Transaction::commit();
    clock.advance(0.5);
    EXPECT_EQ(static_pointer_cast<GradientLayer>(gradient->presentationLayer())->locations(), c.halfWay);
    clock.advance(0.5);
    EXPECT_EQ(static_pointer_cast<GradientLayer>(gradient->presentationLayer())->locations(), c.to);
}

INSTANTIATE_TEST_SUITE_P(Cases, GradientLocations,
    testing::Values(LocationsCase { "SameCount", std::vector<double> { 0, 0.5, 1 }, std::vector<double> { 0.5, 0.75, 1 }, std::vector<double> { 0.25, 0.625, 1 } },
        LocationsCase { "MoreStops", std::vector<double> { 0, 1 }, std::vector<double> { 0, 0.5, 1 }, std::vector<double> { 0, 1 } },
        LocationsCase { "FromEven", std::nullopt, std::vector<double> { 0, 0.2, 1 }, std::nullopt }),
    [](const testing::TestParamInfo<LocationsCase>& info) { return std::string(info.param.name); });

TEST_F(LayerContentAnimation, GradientPointsMoveImplicitlyAndExplicitly)
{
    auto gradient = committed<GradientLayer>(MakeRect(0, 0, 10, 10));
    beginLinearSecond();
    gradient->setStartPoint(MakePoint(0, 0.5));
    gradient->setEndPoint(MakePoint(1, 0.5));
    Transaction::commit();
    clock.advance(0.25);
    const auto shown = static_pointer_cast<GradientLayer>(gradient->presentationLayer());
    EXPECT_NEAR(shown->startPoint().x, 0.375, 1e-9); // from (0.5, 0)
    EXPECT_NEAR(shown->startPoint().y, 0.125, 1e-9);
    EXPECT_NEAR(shown->endPoint().x, 0.625, 1e-9); // from (0.5, 1)
    EXPECT_NEAR(shown->endPoint().y, 0.875, 1e-9);
    // An explicit animation of the colours with its own values, over a model left as it is.
    auto fade = BasicAnimation::animationWithKeyPath(QStringLiteral("colors"));
    fade->setFromValue(Value(Array { Value(Color::blackColor()), Value(Color::blackColor()) }));
    fade->setToValue(Value(Array { Value(Color::whiteColor()), Value(Color::whiteColor()) }));
    fade->setDuration(2);
    gradient->addAnimationForKey(fade.get(), QStringLiteral("fade"));
    clock.advance(0.5);
    const auto later = static_pointer_cast<GradientLayer>(gradient->presentationLayer());
    ASSERT_EQ(later->colors().size(), 2u);
    EXPECT_NEAR(later->colors()[0].r, 0.25, 1e-9);
    EXPECT_TRUE(gradient->colors().empty());
}

// --- Transitions ---

struct TransitionCase {
    const char* name;
    QString type;
    QString subtype;
    double t;
    // y-up points of a 20 × 10 layer: red is the old look, blue the new one.
    std::vector<std::pair<QPoint, QColor>> probes;
};

class LayerTransitions : public LayerContentAnimation, public testing::WithParamInterface<TransitionCase> {
protected:
    Ref<Transition> transition() const
    {
        auto t = Transition::animation();
        t->setType(GetParam().type);
        t->setSubtype(GetParam().subtype);
        t->setDuration(1);
        return t;
    }
    void expectAt(Layer& layer)
    {
        clock.advance(GetParam().t);
        const QImage image = render(layer, 20, 10);
        for (const auto& [point, color] : GetParam().probes)
            EXPECT_TRUE(at(image, point.x(), point.y(), color)) << "at " << point.x() << ", " << point.y();
    }
};

TEST_P(LayerTransitions, AddedBeforeTheChangeTheOldLookGivesWayToTheNew)
{
    auto layer = committed<Layer>(MakeRect(0, 0, 20, 10));
    quietly([&] { layer->setContents(solid(20, 10, Qt::red)); });
    layer->addAnimationForKey(transition().get(), QStringLiteral("transition"));
    Transaction::begin();
    Transaction::setDisableActions(true);
    layer->setContents(solid(20, 10, Qt::blue));
    Transaction::commit();
    expectAt(*layer);
    // Over: the new look alone.
    clock.advance(1);
    Layer::retireFinishedForDriver();
    EXPECT_TRUE(layer->animationKeys().empty());
    EXPECT_TRUE(at(render(*layer, 20, 10), 2, 5, Qt::blue));
    EXPECT_TRUE(at(render(*layer, 20, 10), 18, 5, Qt::blue));
}

TEST_P(LayerTransitions, AsTheActionOfAKeyItStartsFromTheLookBeforeTheChange)
{
    auto layer = committed<Layer>(MakeRect(0, 0, 20, 10));
    quietly([&] { layer->setContents(solid(20, 10, Qt::red)); });
    layer->setActions(Dictionary { { Value(QStringLiteral("contents")), Value(transition()) } });
    layer->setContents(solid(20, 10, Qt::blue));
    ASSERT_NE(dynamic_pointer_cast<Transition>(layer->animationForKey(QStringLiteral("contents"))), nullptr);
    expectAt(*layer);
}

const QColor Old = Qt::red, New = Qt::blue;

INSTANTIATE_TEST_SUITE_P(Cases, LayerTransitions,
    testing::Values(
        // The new look enters from the left edge pushing the old one out to the right.
        TransitionCase { "PushFromLeft", TransitionPush, TransitionFromLeft, 0.5, { { { 5, 5 }, New }, { { 15, 5 }, Old } } },
        TransitionCase { "PushFromBottom", TransitionPush, TransitionFromBottom, 0.5, { { { 10, 2 }, New }, { { 10, 8 }, Old } } },
        // The new look slides over the old one, which stays.
        TransitionCase { "MoveInFromRight", TransitionMoveIn, TransitionFromRight, 0.25, { { { 18, 5 }, New }, { { 13, 5 }, Old }, { { 2, 5 }, Old } } },
        // The old look slides away downwards and uncovers the new one from the top.
        TransitionCase { "RevealFromTop", TransitionReveal, TransitionFromTop, 0.5, { { { 10, 8 }, New }, { { 10, 2 }, Old } } },
        TransitionCase { "Fade", TransitionFade, QString(), 0.5, { { { 5, 5 }, QColor(128, 0, 128) }, { { 15, 5 }, QColor(128, 0, 128) } } }),
    [](const testing::TestParamInfo<TransitionCase>& info) { return std::string(info.param.name); });

} // namespace layer_content_animation_test
