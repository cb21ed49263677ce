// Many sublayers, few in sight: a frame works out presentation values and tests culling boxes for
// the layers near the visible area only (also while every layer moves and right after), and the
// layers it draws are the ones a box-by-box walk would draw, whatever the camera does.

#include "kit/appkit/FrameDriver.h"
#include "kit/graphics/CGContext.h"
#include "kit/layers/Layer.h"
#include "kit/layers/ReplicatorLayer.h"
#include "kit/layers/ScrollLayer.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <numbers>
#include <set>

namespace layer_sight_test {

using namespace kit;

Transform3D perspective(double distance)
{
    Transform3D t;
    t.m34 = -1 / distance;
    return t;
}

struct Frame {
    std::set<const Layer*> drawn;
    std::uint64_t evaluations = 0, built = 0, tested = 0;
};

Frame renderCounting(Layer& root, CGContext& bitmap)
{
    Layer::presentationEvaluations(true);
    Layer::boxesBuilt(true);
    Layer::boxesTested(true);
    std::vector<Layer::DrawRecord> records;
    Layer::setDrawRecorder(&records);
    root.renderInContext(bitmap);
    Layer::setDrawRecorder(nullptr);
    Frame f;
    for (const auto& r : records)
        f.drawn.insert(r.layer);
    f.evaluations = Layer::presentationEvaluations(true);
    f.built = Layer::boxesBuilt(true);
    f.tested = Layer::boxesTested(true);
    return f;
}

// A row of 10,000 cards under a perspective, 60 apart, about a dozen on the 640-point bitmap; a
// selection change moves every card and scrolls, animated over 0.4 s.
class LayerSightRow : public testing::Test {
protected:
    static constexpr int Count = 10000;
    void SetUp() override
    {
        root = Layer::layer();
        root->setBounds(MakeRect(0, 0, 640, 360));
        root->setAnchorPoint(MakePoint(0, 0));
        scroll = ScrollLayer::layer();
        scroll->setScrollMode(ScrollHorizontally);
        scroll->setMasksToBounds(false);
        scroll->setFrame(MakeRect(0, 0, 640, 360));
        scroll->setSublayerTransform(perspective(1500));
        root->addSublayer(scroll.get());
        for (int i = 0; i < Count; ++i) {
            auto card = Layer::layer();
            card->setBackgroundColor(CGColor::createGenericRGB(0.2, 0.4, 0.8, 1));
            scroll->addSublayer(card.get());
            cards.push_back(card);
        }
        select(Count / 2, false);
        Transaction::flush();
        bitmap = CGContext::createBitmap(640, 360);
        root->renderInContext(*bitmap);
    }
    void TearDown() override
    {
        Layer::setDrawRecorder(nullptr);
        Transaction::resetForTesting();
    }
    void select(int index, bool animate)
    {
        Transaction::begin();
        Transaction::setDisableActions(!animate);
        Transaction::setAnimationDuration(0.4);
        for (int i = 0; i < Count; ++i) {
            const int d = i - index;
            const double x = i * 60.0 + (d == 0 ? 0 : (d < 0 ? -1 : 1) * (100 + 60.0 * (std::abs(d) - 1)));
            cards[std::size_t(i)]->setFrame(MakeRect(x, 100, 120, 120));
            cards[std::size_t(i)]->setZPosition(d == 0 ? 0 : -200);
            cards[std::size_t(i)]->setTransform(d == 0 ? Transform3D() : Transform3DMakeRotation((d < 0 ? 1 : -1) * 1.2, 0, 1, 0));
        }
        scroll->scrollToPoint(MakePoint(index * 60.0 + 60 - 320, 0));
        Transaction::commit();
    }
    // One frame: the clock moves, finished animations retire, the tree draws.
    Frame frame(double seconds)
    {
        clock.advance(seconds);
        FrameDriver::shared().tick();
        return renderCounting(*root, *bitmap);
    }
    // The cards drawn, and how many of the frame's evaluations and tests they leave for others.
    static void expectOnlyNearTheView(const Frame& f, const char* when)
    {
        SCOPED_TRACE(when);
        const std::size_t drawn = f.drawn.size();
        EXPECT_GE(drawn, 6u);
        EXPECT_LE(drawn, 40u);
        // The root, the scroll layer and the cards drawn; a few boxes just outside the view.
        EXPECT_LE(f.evaluations, drawn + 2);
        EXPECT_LE(f.tested, drawn + 30);
    }

    test::ManualClockScope clock;
    Ref<Layer> root;
    Ref<ScrollLayer> scroll;
    std::vector<Ref<Layer>> cards;
    Ref<CGContext> bitmap;
};

TEST_F(LayerSightRow, AStillFrameLooksOnlyAtTheCardsInSight)
{
    const Frame still = frame(1.0 / 60);
    expectOnlyNearTheView(still, "still");
    EXPECT_EQ(still.built, 0u);
    EXPECT_TRUE(still.drawn.count(cards[Count / 2].get()));
}

TEST_F(LayerSightRow, ASelectionChangeAnimatesEveryCardYetFramesLookOnlyAtTheCardsInSight)
{
    select(Count / 2 + 1, true);
    // Every card moved: their boxes are worked out once, for the whole animation.
    const Frame first = frame(1.0 / 60);
    expectOnlyNearTheView(first, "first frame");
    for (int i = 2; i <= 23; ++i) {
        const Frame during = frame(1.0 / 60);
        expectOnlyNearTheView(during, "during");
        // Only the scroll layer's, whose bounds animate.
        EXPECT_LE(during.built, 1u) << "frame " << i;
    }
    // The animations end (0.4 s = 24 frames); the last frame shows the model.
    const Frame last = frame(1.0 / 60);
    expectOnlyNearTheView(last, "the frame the animations end");
    // Each card's box shrinks to where it rests: worked out for the cards looked at only.
    EXPECT_LE(last.built, last.tested + 2);
    EXPECT_TRUE(last.drawn.count(cards[Count / 2 + 1].get()));
    const Frame after = frame(1.0 / 60);
    expectOnlyNearTheView(after, "after");
    EXPECT_EQ(after.built, 0u);
    EXPECT_EQ(after.drawn, last.drawn);
}

TEST_F(LayerSightRow, APresentationHitTestLooksOnlyAtTheCardsNearThePoint)
{
    select(Count / 2 + 1, true);
    frame(0.2);
    // The newly selected card faces the viewer in the middle of the view (y up: 100…220).
    Layer::presentationEvaluations(true);
    Layer::boxesTested(true);
    const Ref<Layer> hit = root->presentationLayer()->hitTest(MakePoint(320, 160));
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->modelLayer(), cards[Count / 2 + 1]);
    EXPECT_LE(Layer::boxesTested(), 30u);
    EXPECT_LE(Layer::presentationEvaluations(), 30u);
}

// The same 600 layers straight under a layer with a perspective (indexed), and spread over
// fifteen depth-keeping groups of forty (each walked box by box): the same layers are drawn.
struct Camera {
    const char* name;
    // Where layer i goes: frame, depth and turn about y.
    Rect (*frame)(int i);
    double (*depth)(int i);
    double (*turn)(int i);
    Point scroll;
    bool backdrop; // a layer as wide as the whole row behind it
};

void PrintTo(const Camera& camera, std::ostream* os) { *os << camera.name; }

class LayerSightCamera : public testing::TestWithParam<Camera> { };

TEST_P(LayerSightCamera, TheIndexedWalkDrawsWhatABoxByBoxWalkDraws)
{
    test::ManualClockScope clock;
    const Camera& camera = GetParam();
    constexpr int Count = 600, PerGroup = 40;
    const auto makeTree = [&](bool grouped, std::vector<Ref<Layer>>& leaves) {
        auto root = ScrollLayer::layer();
        root->setScrollMode(ScrollBoth);
        root->setMasksToBounds(false);
        root->setBounds(MakeRect(0, 0, 400, 300));
        root->setAnchorPoint(MakePoint(0, 0));
        root->setSublayerTransform(perspective(500));
        std::vector<Ref<Layer>> holders;
        const auto holderFor = [&](int i) -> Layer* {
            if (!grouped)
                return root.get();
            if (std::size_t(i / PerGroup) >= holders.size()) {
                auto group = ReplicatorLayer::layer();
                group->setInstanceCount(1);
                group->setPreservesDepth(true);
                group->setFrame(MakeRect(0, 0, 400, 300));
                root->addSublayer(group.get());
                holders.push_back(group);
            }
            return holders.back().get();
        };
        for (int i = 0; i < Count; ++i) {
            auto leaf = Layer::layer();
            leaf->setFrame(camera.frame(i));
            leaf->setZPosition(camera.depth(i));
            leaf->setTransform(Transform3DMakeRotation(camera.turn(i), 0, 1, 0));
            leaf->setBackgroundColor(CGColor::createGenericRGB(0, 0, 1, 1));
            holderFor(i)->addSublayer(leaf.get());
            leaves.push_back(leaf);
        }
        if (camera.backdrop) {
            auto wide = Layer::layer();
            wide->setFrame(MakeRect(-3000, 0, 8000, 300));
            wide->setZPosition(-300);
            holderFor(Count)->addSublayer(wide.get());
            leaves.push_back(wide);
        }
        root->scrollToPoint(camera.scroll);
        Transaction::flush();
        return root;
    };
    std::vector<Ref<Layer>> direct, grouped;
    const Ref<Layer> one = makeTree(false, direct), many = makeTree(true, grouped);
    const auto bitmap = CGContext::createBitmap(400, 300);
    const Frame indexed = renderCounting(*one, *bitmap);
    const Frame walked = renderCounting(*many, *bitmap);
    std::vector<std::size_t> indexedDrawn, walkedDrawn;
    for (std::size_t i = 0; i < direct.size(); ++i) {
        if (indexed.drawn.count(direct[i].get()))
            indexedDrawn.push_back(i);
        if (walked.drawn.count(grouped[i].get()))
            walkedDrawn.push_back(i);
    }
    EXPECT_EQ(indexedDrawn, walkedDrawn);
    EXPECT_FALSE(walkedDrawn.empty());
}

INSTANTIATE_TEST_SUITE_P(Cameras, LayerSightCamera,
    testing::Values(
        // A row along x, turned cards at their own depths, looked at from its middle.
        Camera { "RowAlongX", [](int i) { return MakeRect(i * 25.0 - 7000, 130, 40, 40); },
            [](int i) { return double((i * 37) % 200) - 150; }, [](int i) { return ((i * 13) % 90 - 45) * std::numbers::pi / 180; },
            MakePoint(0, 0), false },
        // The same row scrolled to its far end, with a backdrop.
        Camera { "RowScrolledWithBackdrop", [](int i) { return MakeRect(i * 25.0 - 7000, 130, 40, 40); },
            [](int i) { return double((i * 37) % 200) - 150; }, [](int i) { return ((i * 13) % 90 - 45) * std::numbers::pi / 180; },
            MakePoint(7700, 0), true },
        // A column along y.
        Camera { "ColumnAlongY", [](int i) { return MakeRect(180, i * 20.0 - 5000, 40, 30); },
            [](int i) { return double((i * 53) % 300) - 250; }, [](int) { return 0.3; }, MakePoint(0, 0), false },
        // Cards spread in depth, some passing the eye (the perspective's eye is 500 in front).
        Camera { "SomeBehindTheEye", [](int i) { return MakeRect(i * 3.0 - 700, 130, 40, 40); },
            [](int i) { return double((i * 71) % 1200) - 600; }, [](int) { return 0.0; }, MakePoint(0, 0), false }),
    [](const testing::TestParamInfo<Camera>& info) { return std::string(info.param.name); });

// A layout that sets what is already set adds an animation from a value to itself: it reshapes
// nothing, so frames build no boxes for it, until the model changes under it and it runs.
TEST(LayerSightStill, AnAnimationFromAValueToItselfReshapesNothingUntilTheModelChanges)
{
    test::ManualClockScope clock;
    auto root = Layer::layer();
    root->setBounds(MakeRect(0, 0, 100, 100));
    root->setAnchorPoint(MakePoint(0, 0));
    auto item = ReplicatorLayer::layer();
    item->setFrame(MakeRect(-300, 25, 50, 50));
    item->setInstanceCount(2);
    item->setInstanceTransform(Transform3DMakeTranslation(-500, 0, 0));
    auto picture = Layer::layer();
    picture->setFrame(MakeRect(0, 0, 50, 50));
    picture->setBackgroundColor(CGColor::createGenericRGB(0, 0, 1, 1));
    item->addSublayer(picture.get());
    root->addSublayer(item.get());
    Transaction::flush();
    const Ref<CGContext> bitmap = CGContext::createBitmap(100, 100);
    root->renderInContext(*bitmap);
    // Both copies lie left of the view (x −300 and −800).
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setAnimationTimingFunction(MediaTimingFunction::functionWithName(MediaTimingFunctionLinear));
    item->setInstanceTransform(Transform3DMakeTranslation(-500, 0, 0));
    Transaction::commit();
    EXPECT_TRUE(item->animationForKey("instanceTransform"));
    clock.advance(0.05);
    FrameDriver::shared().tick();
    renderCounting(*root, *bitmap);
    for (int i = 0; i < 3; ++i) {
        clock.advance(0.05);
        FrameDriver::shared().tick();
        EXPECT_EQ(renderCounting(*root, *bitmap).built, 0u) << "frame " << i;
    }
    // The copy now runs from −500 to 500 over the rest of the second, crossing the view at 0.8 s.
    Transaction::begin();
    Transaction::setDisableActions(true);
    item->setInstanceTransform(Transform3DMakeTranslation(500, 0, 0));
    Transaction::commit();
    FrameDriver::shared().tick();
    renderCounting(*root, *bitmap);
    clock.advance(0.6);
    FrameDriver::shared().tick();
    const Frame crossing = renderCounting(*root, *bitmap);
    EXPECT_TRUE(crossing.drawn.count(picture.get()));
    const QImage image = bitmap->createImage()->image();
    int blue = 0;
    for (int x = 0; x < 100; ++x)
        blue += qBlue(image.pixel(x, 50)) > 200 && qAlpha(image.pixel(x, 50)) > 200;
    EXPECT_GT(blue, 20);
}

} // namespace layer_sight_test
