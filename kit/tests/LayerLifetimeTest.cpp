// Layers whose last reference goes on another thread: their deletion is posted to the main thread,
// and nothing there may take a new reference to them in between.

#include "kit/foundation/RunLoop.h"
#include "kit/layers/Layer.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/ManualClockScope.h"

#include <gtest/gtest.h>

#include <thread>

namespace layer_lifetime_test {

using namespace kit;

// Counts its deletions.
class Counted : public Layer {
    KIT_CLASS(Counted)
public:
    ~Counted() override { ++deleted(); }
    static int& deleted()
    {
        static int n = 0;
        return n;
    }
};
KIT_REGISTER_CLASS(Counted, Layer) { }

class LayerLifetime : public testing::Test {
protected:
    void SetUp() override { Counted::deleted() = 0; }
    void TearDown() override { Transaction::resetForTesting(); }
    static void releaseOnAnotherThread(Ref<Counted>&& last)
    {
        std::thread([ref = std::move(last)]() mutable { ref = nullptr; }).join();
    }

    test::ManualClockScope clock;
};

TEST_F(LayerLifetime, AnAnimatingLayerReleasedOnAWorkerIsDeletedOnceAfterItsAnimationEnds)
{
    auto root = Layer::layer();
    auto layer = make<Counted>();
    root->addSublayer(layer.get());
    layer->setBounds(MakeRect(0, 0, 10, 10));
    Transaction::flush();
    layer->setPosition(MakePoint(40, 0)); // animates
    Transaction::flush();
    ASSERT_NE(layer->animationForKey(QStringLiteral("position")), nullptr);
    layer->removeFromSuperlayer();
    releaseOnAnotherThread(std::move(layer));
    EXPECT_EQ(Counted::deleted(), 0); // posted to this thread

    clock.advance(1);
    Layer::retireFinishedForDriver();
    RunLoop::main().runPending();
    EXPECT_EQ(Counted::deleted(), 1);
    EXPECT_FALSE(Layer::retireFinishedForDriver());
}

TEST_F(LayerLifetime, LayoutFromASublayerSkipsAMarkedAncestorReleasedOnAWorker)
{
    auto parent = make<Counted>();
    auto child = Layer::layer();
    parent->addSublayer(child.get());
    parent->setNeedsLayout();
    child->setNeedsLayout();
    releaseOnAnotherThread(std::move(parent));
    ASSERT_EQ(Counted::deleted(), 0);

    child->layoutIfNeeded();
    EXPECT_FALSE(child->needsLayout());
    RunLoop::main().runPending();
    EXPECT_EQ(Counted::deleted(), 1);
    EXPECT_EQ(child->superlayer(), nullptr);
}

} // namespace layer_lifetime_test
