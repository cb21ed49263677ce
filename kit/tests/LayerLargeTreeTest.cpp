// Large trees: layout passes reach every marked layer and only the subtrees that hold one, and a
// frame spends nothing on the hidden layers a tree keeps in reserve.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/CGContext.h"
#include "kit/layers/Layer.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

namespace layer_layout_pass_test {

using namespace kit;

// Counts the layers it lays out.
class CountingLayoutManager : public Object, public CALayoutManager {
public:
    void layoutSublayersOfLayer(Layer* layer) override { laidOut.push_back(layer); }
    std::vector<Layer*> laidOut;
};

class LayerLayoutPass : public testing::Test {
protected:
    void TearDown() override { Transaction::resetForTesting(); }
    // root → branches[i] → leaves[i], every layer laid out by `manager`.
    void build(int count)
    {
        root = Layer::layer();
        root->setLayoutManager(manager.get());
        for (int i = 0; i < count; ++i) {
            auto branch = Layer::layer(), leaf = Layer::layer();
            branch->setLayoutManager(manager.get());
            leaf->setLayoutManager(manager.get());
            branch->addSublayer(leaf.get());
            root->addSublayer(branch.get());
            branches.push_back(branch);
            leaves.push_back(leaf);
        }
        root->layoutIfNeeded();
        manager->laidOut.clear();
    }

    test::ManualClockScope clock;
    Ref<CountingLayoutManager> manager = make<CountingLayoutManager>();
    Ref<Layer> root;
    std::vector<Ref<Layer>> branches, leaves;
};

TEST_F(LayerLayoutPass, OnlyMarkedLayersAreLaidOut)
{
    build(50);
    leaves[17]->setNeedsLayout();
    root->layoutIfNeeded();
    EXPECT_EQ(manager->laidOut, std::vector<Layer*> { leaves[17].get() });
    manager->laidOut.clear();
    root->layoutIfNeeded();
    EXPECT_TRUE(manager->laidOut.empty());
}

TEST_F(LayerLayoutPass, ALayerMarkedManyTimesIsLaidOutOncePerCommitAndAgainWhenMarkedAgain)
{
    build(3);
    for (int i = 0; i < 100; ++i)
        branches[1]->setNeedsLayout();
    Transaction::flush();
    EXPECT_EQ(manager->laidOut, std::vector<Layer*> { branches[1].get() });
    manager->laidOut.clear();
    branches[1]->setNeedsLayout();
    Transaction::flush();
    EXPECT_EQ(manager->laidOut, std::vector<Layer*> { branches[1].get() });
    // Pending marks dropped with the transactions: a new mark still reaches the commit.
    manager->laidOut.clear();
    branches[2]->setNeedsLayout();
    Transaction::resetForTesting();
    branches[2]->setNeedsLayout();
    Transaction::flush();
    EXPECT_EQ(manager->laidOut, std::vector<Layer*> { branches[2].get() });
}

TEST_F(LayerLayoutPass, ALayerMarkedBeforeItJoinsATreeIsLaidOut)
{
    build(3);
    auto outsider = Layer::layer(), child = Layer::layer();
    outsider->setLayoutManager(manager.get());
    child->setLayoutManager(manager.get());
    outsider->addSublayer(child.get());
    child->setNeedsLayout();
    outsider->layoutIfNeeded();
    manager->laidOut.clear();
    child->setNeedsLayout(); // marked while its tree stands alone
    leaves[1]->addSublayer(outsider.get());
    root->layoutIfNeeded();
    EXPECT_NE(std::find(manager->laidOut.begin(), manager->laidOut.end(), child.get()), manager->laidOut.end());
    EXPECT_FALSE(child->needsLayout());
}

TEST_F(LayerLayoutPass, LayersMarkedDuringAPassAreLaidOutInIt)
{
    build(4);
    // Laying out branch 2 marks its leaf, as a size change of the leaf would.
    class Marking : public Object, public CALayoutManager {
    public:
        void layoutSublayersOfLayer(Layer* layer) override
        {
            for (const auto& sub : layer->sublayers())
                sub->setNeedsLayout();
        }
    };
    auto marking = make<Marking>();
    branches[2]->setLayoutManager(marking.get());
    branches[2]->setNeedsLayout();
    Transaction::flush();
    EXPECT_EQ(manager->laidOut, std::vector<Layer*> { leaves[2].get() });
    EXPECT_FALSE(leaves[2]->needsLayout());
}

TEST(LayerLargeTreeFrames, HiddenSublayersCostNothingToDraw)
{
    test::ManualClockScope clock;
    auto root = Layer::layer();
    root->setBounds(MakeRect(0, 0, 100, 100));
    root->setPosition(MakePoint(50, 50));
    std::vector<Ref<Layer>> subs;
    for (int i = 0; i < 2000; ++i) {
        auto sub = Layer::layer();
        sub->setFrame(MakeRect(i % 90, 10, 10, 10));
        sub->setBackgroundColor(CGColor::createGenericRGB(0, 0, 1, 1));
        sub->setHidden(i % 500 != 7);
        root->addSublayer(sub.get());
        subs.push_back(sub);
    }
    auto bitmap = CGContext::createBitmap(100, 100);
    root->renderInContext(*bitmap);
    std::vector<Layer::DrawRecord> drawn;
    Layer::setDrawRecorder(&drawn);
    root->renderInContext(*bitmap);
    Layer::setDrawRecorder(nullptr);
    EXPECT_EQ(drawn.size(), 5u); // the root and the four shown
    // Shown again, a layer draws again.
    subs[100]->setHidden(false);
    drawn.clear();
    Layer::setDrawRecorder(&drawn);
    root->renderInContext(*bitmap);
    Layer::setDrawRecorder(nullptr);
    EXPECT_EQ(drawn.size(), 6u);
    Transaction::resetForTesting();
}

TEST(LayerLargeTreeFrames, AHiddenLayerDrawsWhileAnAnimationMovesItAndStopsAfter)
{
    test::ManualClockScope clock;
    auto root = Layer::layer();
    root->setBounds(MakeRect(0, 0, 100, 100));
    root->setPosition(MakePoint(50, 50));
    auto shown = Layer::layer(), hidden = Layer::layer();
    for (const auto& l : { shown, hidden }) {
        l->setFrame(MakeRect(10, 10, 20, 20));
        l->setBackgroundColor(CGColor::createGenericRGB(0, 0, 1, 1));
        root->addSublayer(l.get());
    }
    hidden->setHidden(true);
    auto bitmap = CGContext::createBitmap(100, 100);
    const auto drawnLayers = [&] {
        std::vector<Layer::DrawRecord> drawn;
        Layer::setDrawRecorder(&drawn);
        root->renderInContext(*bitmap);
        Layer::setDrawRecorder(nullptr);
        std::vector<const Layer*> layers;
        for (const auto& r : drawn)
            layers.push_back(r.layer);
        return layers;
    };
    EXPECT_EQ(drawnLayers(), (std::vector<const Layer*> { root.get(), shown.get() }));
    // "hidden" animates discretely: from shown to hidden over a second, shown until the end.
    auto animation = BasicAnimation::animationWithKeyPath(QStringLiteral("hidden"));
    animation->setFromValue(Value(false));
    animation->setToValue(Value(false));
    animation->setDuration(1);
    hidden->addAnimationForKey(animation.get(), QStringLiteral("hidden"));
    EXPECT_EQ(drawnLayers(), (std::vector<const Layer*> { root.get(), shown.get(), hidden.get() }));
    clock.advance(2);
    EXPECT_TRUE(hidden->animationKeys().empty());
    EXPECT_EQ(drawnLayers(), (std::vector<const Layer*> { root.get(), shown.get() }));
    // Put in front of its sibling, shown again: drawn, and last.
    hidden->setZPosition(1);
    hidden->setHidden(false);
    EXPECT_EQ(drawnLayers(), (std::vector<const Layer*> { root.get(), shown.get(), hidden.get() }));
    Transaction::resetForTesting();
}

} // namespace layer_layout_pass_test

namespace layer_depth_order_test {

using namespace kit;

// Sublayers draw by depth, back to front, and in their order among equal depths: moving a few
// among many keeps that rule for all of them, whichever way the order is brought up to date.
TEST(LayerLargeTreeFrames, DepthChangesKeepTheDrawingOrderOfAllSublayers)
{
    test::ManualClockScope clock;
    Transaction::begin();
    Transaction::setDisableActions(true);
    auto root = Layer::layer();
    root->setFrame(MakeRect(0, 0, 40, 40));
    std::vector<Ref<Layer>> subs;
    for (int i = 0; i < 300; ++i) {
        auto sub = Layer::layer();
        sub->setFrame(MakeRect(10, 10, 20, 20));
        sub->setBackgroundColor(CGColor::createGenericRGB(0, 0, 1, 0.2));
        sub->setZPosition(double(i % 3));
        root->addSublayer(sub.get());
        subs.push_back(sub);
    }
    auto bitmap = CGContext::createBitmap(40, 40);
    const auto drawn = [&] {
        std::vector<Layer::DrawRecord> records;
        Layer::setDrawRecorder(&records);
        root->renderInContext(*bitmap);
        Layer::setDrawRecorder(nullptr);
        std::vector<const Layer*> layers;
        for (const auto& r : records)
            if (r.layer != root.get())
                layers.push_back(r.layer);
        return layers;
    };
    const auto expected = [&] {
        std::vector<const Layer*> order;
        for (int z = -1; z <= 4; ++z)
            for (const auto& sub : subs)
                if (sub->zPosition() == z && !sub->isHidden())
                    order.push_back(sub.get());
        return order;
    };
    subs[7]->setHidden(true);
    ASSERT_EQ(drawn(), expected());
    // Two moved: one to the front, one among the layers of another depth (behind those it follows).
    subs[10]->setZPosition(4);
    subs[200]->setZPosition(0);
    EXPECT_EQ(drawn(), expected());
    // Moved back, twice over before the next frame; a hidden one moved and shown again.
    subs[7]->setZPosition(4);
    EXPECT_EQ(drawn(), expected());
    subs[7]->setHidden(false);
    subs[10]->setZPosition(-1);
    subs[10]->setZPosition(1);
    subs[5]->setZPosition(-1);
    EXPECT_EQ(drawn(), expected());
    // Many at once.
    for (int i = 0; i < 120; ++i)
        subs[std::size_t(i * 2)]->setZPosition(double((i * 7) % 5) - 1);
    EXPECT_EQ(drawn(), expected());
    // Several dozen at once, fewer than an eighth of them, a hidden one among them.
    subs[11]->setHidden(true);
    for (int i = 0; i < 36; ++i)
        subs[std::size_t(i * 8 + 3)]->setZPosition(double((i * 5) % 6) - 1);
    EXPECT_EQ(drawn(), expected());
    subs[11]->setHidden(false);
    // A depth change with the sublayers reordered in the same frame.
    subs[0]->setZPosition(3);
    root->insertSublayerAtIndex(subs[299].get(), 0);
    std::rotate(subs.rbegin(), subs.rbegin() + 1, subs.rend());
    EXPECT_EQ(drawn(), expected());
    subs[150]->setZPosition(2);
    EXPECT_EQ(drawn(), expected());
    Transaction::commit();
    Transaction::resetForTesting();
}

} // namespace layer_depth_order_test

namespace layer_hidden_change_test {

using namespace kit;

// A hidden layer draws nothing: changing it leaves the host as drawn, while hiding or showing it,
// or dropping an animation that shows it, asks for a redraw.
TEST(LayerLargeTreeFrames, ChangesToAHiddenLayerLeaveItsHostAsDrawn)
{
    test::ManualClockScope clock;
    auto window = make<Window>(MakeRect(0, 0, 100, 100), BorderlessWindowMask);
    auto host = make<View>(MakeRect(0, 0, 100, 100));
    window->setContentView(host.get());
    auto root = Layer::layer();
    auto hidden = Layer::layer();
    hidden->setFrame(MakeRect(10, 10, 20, 20));
    hidden->setHidden(true);
    root->addSublayer(hidden.get());
    host->setLayer(root.get());
    window->displayIfNeeded();
    ASSERT_FALSE(window->viewsNeedDisplay());
    Transaction::begin();
    Transaction::setDisableActions(true);
    hidden->setBackgroundColor(CGColor::createGenericRGB(1, 0, 0, 1));
    hidden->setPosition(MakePoint(500, 500));
    hidden->setOpacity(0.5);
    Transaction::commit();
    EXPECT_FALSE(window->viewsNeedDisplay());
    hidden->setHidden(false);
    EXPECT_TRUE(window->viewsNeedDisplay());
    window->displayIfNeeded();
    hidden->setHidden(true);
    EXPECT_TRUE(window->viewsNeedDisplay());
    window->displayIfNeeded();
    // Shown by an animation of "hidden", then the animation removed.
    auto showing = BasicAnimation::animationWithKeyPath(QStringLiteral("hidden"));
    showing->setFromValue(Value(false));
    showing->setToValue(Value(false));
    showing->setDuration(10);
    hidden->addAnimationForKey(showing.get(), QStringLiteral("hidden"));
    window->displayIfNeeded();
    hidden->removeAnimationForKey(QStringLiteral("hidden"));
    EXPECT_TRUE(window->viewsNeedDisplay());
    host->setLayer(nullptr);
    window->close();
    Transaction::resetForTesting();
}

} // namespace layer_hidden_change_test
