#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/layers/Layer.h"
#include "kit/layers/Transaction.h"

#include <gtest/gtest.h>

#include <vector>

namespace layer_layout_walk_test {

using namespace kit;

class WalkRecorder : public Object, public CALayoutManager {
    KIT_CLASS(WalkRecorder)
public:
    std::vector<QString> order;
    void layoutSublayersOfLayer(Layer* layer) override { order.push_back(layer->name()); }
};

KIT_REGISTER_CLASS(WalkRecorder, Object) { }

Ref<Layer> named(const QString& name, Object* manager)
{
    auto layer = Layer::layer();
    layer->setName(name);
    layer->setBounds(Rect { { 0, 0 }, { 10, 10 } });
    layer->setLayoutManager(manager);
    return layer;
}

// Layout walks only into subtrees that hold a marked layer, so a marked layer deep in the tree, or
// one marked before it joined the tree, must still be reached from the root.
TEST(LayerLayoutWalk, MarkedLayersAreReachedWhereverTheyWereMarked)
{
    auto manager = make<WalkRecorder>();
    auto root = named(QStringLiteral("root"), manager.get());
    auto middle = named(QStringLiteral("middle"), manager.get());
    auto deep = named(QStringLiteral("deep"), manager.get());
    root->addSublayer(middle.get());
    middle->addSublayer(deep.get());
    root->layoutIfNeeded();
    manager->order.clear();

    deep->setNeedsLayout();
    root->layoutIfNeeded();
    EXPECT_EQ(manager->order, (std::vector<QString> { QStringLiteral("deep") }));
    manager->order.clear();

    auto late = named(QStringLiteral("late"), manager.get());
    auto lateChild = named(QStringLiteral("lateChild"), manager.get());
    late->addSublayer(lateChild.get());
    late->layoutIfNeeded();
    manager->order.clear();
    lateChild->setNeedsLayout(); // marked while its tree is not in the root's yet
    middle->addSublayer(late.get());
    root->layoutIfNeeded();
    EXPECT_EQ(manager->order, (std::vector<QString> { QStringLiteral("middle"), QStringLiteral("lateChild") }));
    Transaction::resetForTesting();
}

// The drawing order is kept between frames and follows a later change of z or of the sublayers.
TEST(LayerLayoutWalk, DrawingOrderFollowsDepthChanges)
{
    auto root = Layer::layer();
    root->setBounds(Rect { { 0, 0 }, { 40, 40 } });
    std::vector<Ref<Layer>> children;
    for (int i = 0; i < 3; ++i) {
        auto child = Layer::layer();
        child->setFrame(Rect { { 0, 0 }, { 40, 40 } });
        child->setBackgroundColor(CGColor { 0.1 * i, 0, 0, 1 });
        root->addSublayer(child.get());
        children.push_back(child);
    }
    const auto order = [&] {
        std::vector<Layer::DrawRecord> records;
        Layer::setDrawRecorder(&records);
        const Ref<CGContext> bitmap = CGContext::createBitmap(40, 40);
        root->renderInContext(*bitmap);
        Layer::setDrawRecorder(nullptr);
        std::vector<const Layer*> drawn;
        for (const auto& r : records)
            if (r.layer != root.get())
                drawn.push_back(r.layer);
        return drawn;
    };
    EXPECT_EQ(order(), (std::vector<const Layer*> { children[0].get(), children[1].get(), children[2].get() }));
    Transaction::begin();
    Transaction::setDisableActions(true);
    children[0]->setZPosition(5);
    Transaction::commit();
    EXPECT_EQ(order(), (std::vector<const Layer*> { children[1].get(), children[2].get(), children[0].get() }));
    children[2]->removeFromSuperlayer();
    EXPECT_EQ(order(), (std::vector<const Layer*> { children[1].get(), children[0].get() }));
    Transaction::resetForTesting();
}

// Hidden sublayers that nothing animates are passed over early; the shown one among them still draws.
TEST(LayerLayoutWalk, HiddenSublayersArePassedOverButNotTheShownOnes)
{
    auto root = Layer::layer();
    root->setBounds(Rect { { 0, 0 }, { 40, 40 } });
    for (int i = 0; i < 1000; ++i) {
        auto child = Layer::layer();
        child->setFrame(Rect { { 0, 0 }, { 40, 40 } });
        child->setBackgroundColor(CGColor { 1, 0, 0, 1 });
        child->setHidden(i != 500);
        root->addSublayer(child.get());
    }
    const Ref<CGContext> bitmap = CGContext::createBitmap(40, 40);
    root->renderInContext(*bitmap);
    EXPECT_EQ(qRed(bitmap->createImage()->image().pixel(20, 20)), 255);

    Transaction::resetForTesting();
}

} // namespace layer_layout_walk_test
