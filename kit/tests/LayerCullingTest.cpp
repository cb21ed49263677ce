// A frame of a large animating tree costs what shows: layers out of sight are skipped by cached
// boxes that cover their whole animations, before any presentation value is worked out, and a
// box never hides a layer that an animation carries into sight.

#include "kit/appkit/CAAnimation.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/layers/Layer.h"
#include "kit/layers/ReplicatorLayer.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/PixelProbe.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <set>

namespace layer_culling_test {

using namespace kit;

class LayerCulling : public testing::Test {
protected:
    void SetUp() override
    {
        root = Layer::layer();
        root->setBounds(MakeRect(0, 0, 100, 100));
        root->setAnchorPoint(MakePoint(0, 0));
        Transaction::flush();
    }
    void TearDown() override
    {
        Layer::setDrawRecorder(nullptr);
        Transaction::resetForTesting();
    }
    Ref<Layer> square(Rect frame)
    {
        auto l = Layer::layer();
        l->setFrame(frame);
        l->setBackgroundColor(CGColor::createGenericRGB(1, 0, 0, 1));
        root->addSublayer(l.get());
        return l;
    }
    QImage render(std::vector<Layer::DrawRecord>* drawn = nullptr)
    {
        Layer::setDrawRecorder(drawn);
        const Ref<CGContext> bitmap = CGContext::createBitmap(100, 100);
        root->renderInContext(*bitmap);
        Layer::setDrawRecorder(nullptr);
        return bitmap->createImage()->image();
    }
    // A y-up point.
    static testing::AssertionResult red(const QImage& image, int x, int y)
    {
        return test::pixelIs(image, x, image.height() - 1 - y, Qt::red, 3);
    }

    test::ManualClockScope clock;
    Ref<Layer> root;
};

TEST_F(LayerCulling, AFrameEvaluatesAndDrawsOnlyTheLayersInSight)
{
    // 2,000 squares in a row, 30 apart; every one moves 10 to the right and turns a little.
    std::vector<Ref<Layer>> squares;
    for (int i = 0; i < 2000; ++i)
        squares.push_back(square(MakeRect(i * 30.0, 40, 20, 20)));
    Transaction::flush();
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    for (const auto& s : squares) {
        s->setPosition(MakePoint(s->position().x + 10, s->position().y));
        s->setTransform(Transform3DMakeRotation(0.3, 0, 0, 1));
    }
    Transaction::commit();
    clock.advance(0.25);
    render(); // the boxes are built once for the whole animation
    clock.advance(0.25);
    Layer::presentationEvaluations(true);
    std::vector<Layer::DrawRecord> drawn;
    render(&drawn);
    // Squares 0…3 reach into x < 100 on their way; the other 1,996 are never looked at.
    std::set<const Layer*> layers;
    for (const auto& r : drawn)
        layers.insert(r.layer);
    EXPECT_EQ(layers, (std::set<const Layer*> { root.get(), squares[0].get(), squares[1].get(), squares[2].get(), squares[3].get() }));
    EXPECT_LE(Layer::presentationEvaluations(), 4u);
}

TEST_F(LayerCulling, ALayerCarriedIntoSightIsDrawnWhereItIs)
{
    // From left of the bitmap to right of it: half-way it crosses the middle.
    auto crossing = square(MakeRect(-300, 40, 20, 20));
    // Both ends out of sight to the right, but a curve running back first carries it to x 62.5.
    auto overshooting = square(MakeRect(190, 10, 20, 20));
    // Turning about its left end from pointing up-left to pointing down-left, a long bar sweeps
    // through the bitmap half-way (pointing right).
    auto bar = Layer::layer();
    bar->setAnchorPoint(MakePoint(0, 0.5));
    bar->setBounds(MakeRect(0, 0, 140, 10));
    bar->setPosition(MakePoint(-60, 85));
    bar->setTransform(Transform3DMakeRotation(80 * std::numbers::pi / 180, 0, 0, 1));
    bar->setBackgroundColor(CGColor::createGenericRGB(1, 0, 0, 1));
    root->addSublayer(bar.get());
    Transaction::flush();
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    crossing->setPosition(MakePoint(400, 50));
    bar->setTransform(Transform3DMakeRotation(-80 * std::numbers::pi / 180, 0, 0, 1));
    Transaction::commit();
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithControlPoints(0.25, -2, 0.75, -2));
    overshooting->setPosition(MakePoint(300, 20));
    Transaction::commit();
    // Each starts out of sight.
    const QImage first = render();
    EXPECT_FALSE(red(first, 50, 50));
    EXPECT_FALSE(red(first, 62, 20));
    EXPECT_FALSE(red(first, 20, 85));
    clock.advance(0.5);
    const QImage half = render();
    EXPECT_TRUE(red(half, 50, 50)); // crossing at x 45…65
    EXPECT_TRUE(red(half, 62, 20)); // at x 52.5…72.5
    EXPECT_TRUE(red(half, 20, 85)); // the bar from x −60 to 80
}

TEST_F(LayerCulling, AReplicatorsCopiesAreInItsBoxAndCulledOneByOne)
{
    // An item leaving at the top while its copy, 40 below it, stays in sight.
    auto item = ReplicatorLayer::layer();
    item->setInstanceCount(2);
    item->setInstanceTransform(Transform3DMakeTranslation(0, -40, 0));
    item->setFrame(MakeRect(40, 60, 20, 20));
    auto picture = Layer::layer();
    picture->setFrame(MakeRect(0, 0, 20, 20));
    picture->setBackgroundColor(CGColor::createGenericRGB(1, 0, 0, 1));
    item->addSublayer(picture.get());
    root->addSublayer(item.get());
    Transaction::flush();
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    item->setPosition(MakePoint(50, 170));
    Transaction::commit();
    clock.advance(0.5);
    std::vector<Layer::DrawRecord> drawn;
    const QImage image = render(&drawn);
    EXPECT_TRUE(red(image, 50, 80)); // the copy at y 70…90; the item at y 110…130 is out
    std::vector<int> copies;
    for (const auto& r : drawn)
        if (r.layer == picture.get())
            copies.push_back(r.copy);
    EXPECT_EQ(copies, std::vector<int> { 1 });
}

TEST_F(LayerCulling, ASubtreeThatMayReachBehindTheEyeIsDrawnDuringAndAfterATurn)
{
    // The holder looks at its sublayer in perspective; while the sublayer turns, the box its
    // turn may sweep comes closer than the eye, so the holder's box is unbounded: it may show
    // anywhere, and is drawn.
    auto holder = Layer::layer();
    holder->setFrame(MakeRect(20, 20, 60, 60));
    Transform3D perspective = Transform3DIdentity;
    perspective.m34 = -1.0 / 80;
    holder->setSublayerTransform(perspective);
    root->addSublayer(holder.get());
    auto card = Layer::layer();
    card->setFrame(MakeRect(0, 0, 60, 60));
    card->setBackgroundColor(CGColor::createGenericRGB(1, 0, 0, 1));
    card->setZPosition(40);
    card->setTransform(Transform3DMakeRotation(0.8, 0, 1, 0));
    holder->addSublayer(card.get());
    Transaction::flush();
    EXPECT_TRUE(red(render(), 50, 50));
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    card->setTransform(Transform3DIdentity);
    Transaction::commit();
    clock.advance(0.5);
    EXPECT_TRUE(red(render(), 50, 50)) << "half-way";
    clock.advance(0.6);
    Layer::retireFinishedForDriver();
    ASSERT_EQ(card->animationForKey(QStringLiteral("transform")), nullptr);
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_TRUE(red(render(), 50, 50)) << "settled, frame " << frame;
}

// A row moving together keeps the order of its boxes but for the few placed elsewhere; whichever
// way the index is brought up to date, a frame draws exactly the layers whose frames meet the
// bitmap, and a row whose boxes all changed order draws the same.
TEST_F(LayerCulling, ARowMovedWithAFewOutOfPlaceDrawsExactlyTheLayersInSight)
{
    std::vector<Ref<Layer>> squares;
    for (int i = 0; i < 300; ++i)
        squares.push_back(square(MakeRect(i * 30.0, 40, 20, 20)));
    const auto drawn = [&] {
        std::vector<Layer::DrawRecord> records;
        render(&records);
        std::set<const Layer*> layers;
        for (const auto& r : records)
            if (r.layer != root.get())
                layers.insert(r.layer);
        return layers;
    };
    const auto inSight = [&] {
        std::set<const Layer*> layers;
        for (const auto& l : squares)
            if (IntersectsRect(l->frame(), MakeRect(0, 0, 100, 100)))
                layers.insert(l.get());
        return layers;
    };
    Transaction::begin();
    Transaction::setDisableActions(true);
    ASSERT_EQ(drawn(), inSight());
    struct Step {
        const char* what;
        std::function<void()> change;
    };
    const std::vector<Step> steps {
        { "all one place left, one from the far end into sight, one far out to the left",
            [&] {
                for (const auto& l : squares)
                    l->setPosition(MakePoint(l->position().x - 30, l->position().y));
                squares[250]->setPosition(MakePoint(55, 20));
                squares[2]->setPosition(MakePoint(-5000, 50));
            } },
        { "all one place right, the two back in the row",
            [&] {
                for (const auto& l : squares)
                    l->setPosition(MakePoint(l->position().x + 30, l->position().y));
                squares[250]->setPosition(MakePoint(250 * 30.0 + 10, 50));
                squares[2]->setPosition(MakePoint(2 * 30.0 + 10, 50));
            } },
        { "an early one far out: every later box is out of place",
            [&] { squares[1]->setPosition(MakePoint(9000, 50)); } },
        { "the row reversed",
            [&] {
                for (std::size_t i = 0; i < squares.size(); ++i)
                    squares[i]->setPosition(MakePoint(double(squares.size() - 1 - i) * 30 - 5, 50));
            } },
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(drawn(), inSight()) << step.what;
    }
    Transaction::commit();
}

} // namespace layer_culling_test
