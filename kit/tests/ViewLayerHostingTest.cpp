#include "kit/appkit/Application.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ImageRep.h"
#include "kit/layers/Layer.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

const CGColor hostRed { 1, 0, 0, 1 };
const CGColor hostGreen { 0, 1, 0, 1 };
const CGColor hostBlue { 0, 0, 1, 1 };

class Painted : public View {
public:
    Painted(Rect frame, QColor color, bool flipped = false)
        : View(frame)
        , color(color)
        , flipped(flipped)
    { }
    void drawRect(Rect) override
    {
        ++draws;
        Color::fromQColor(color)->setFill();
        RectFill(bounds());
    }
    bool isFlipped() const override { return flipped; }

    QColor color;
    bool flipped;
    int draws = 0;
};

// Lays out the one sublayer of the layers it manages across the lower `share` of their height.
class StripLayout : public Object, public CALayoutManager {
    KIT_CLASS(StripLayout)
    double share = 0.5;
    int layouts = 0;
    void layoutSublayersOfLayer(Layer* layer) override
    {
        ++layouts;
        const Rect b = layer->bounds();
        layer->sublayers().front()->setFrame(MakeRect(0, 0, b.width(), b.height() * share));
    }
};
KIT_REGISTER_CLASS(StripLayout, Object) { }

Ref<Layer> solid(Rect frame, CGColor color)
{
    auto l = Layer::layer();
    l->setFrame(frame);
    l->setBackgroundColor(color);
    return l;
}

class ViewLayerHosting : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 200, 100), TitledWindowMask);
        host = make<Painted>(MakeRect(20, 10, 100, 60), Qt::yellow);
        window->contentView()->addSubview(host.get());
        root = Layer::layer();
        root->setPosition(MakePoint(0, 0)); // the view places its root whatever it says
        root->setBounds(MakeRect(0, 0, 100, 60));
        root->setBackgroundColor(hostRed);
    }
    void TearDown() override { Application::resetForTesting(); }

    bool shows(Point base, QColor color) { return test::basePixelIs(window->snapshot(), base, color); }

    Ref<Window> window;
    Ref<Painted> host;
    Ref<Layer> root;
};

TEST_F(ViewLayerHosting, TreeDrawsInPlaceOfDrawRectWithSubviewsAbove)
{
    host->addSubview(make<Painted>(MakeRect(60, 30, 20, 20), Qt::blue).get());
    host->setLayer(root.get());
    host->setWantsLayer(true);
    EXPECT_TRUE(host->wantsLayer());
    EXPECT_EQ(host->layer(), root);
    EXPECT_EQ(root->hostingView(), host);
    EXPECT_EQ(root->frame(), host->bounds());

    EXPECT_TRUE(shows(MakePoint(30, 20), Qt::red));
    EXPECT_TRUE(shows(MakePoint(85, 45), Qt::blue));
    EXPECT_EQ(host->draws, 0);

    host->setLayer(nullptr);
    EXPECT_EQ(root->hostingView(), nullptr);
    EXPECT_TRUE(shows(MakePoint(30, 20), Qt::yellow));
    EXPECT_EQ(host->draws, 1);
}

TEST_F(ViewLayerHosting, RootFrameFollowsTheBoundsAndSublayersAutoresize)
{
    auto fill = solid(MakeRect(0, 0, 100, 30), hostBlue);
    fill->setAutoresizingMask(LayerWidthSizable | LayerHeightSizable);
    root->addSublayer(fill.get());
    host->setLayer(root.get());

    host->setFrameSize(MakeSize(150, 80));
    EXPECT_EQ(root->frame(), MakeRect(0, 0, 150, 80));
    EXPECT_EQ(fill->frame(), MakeRect(0, 0, 150, 50));
    host->setBoundsOrigin(MakePoint(10, 10));
    EXPECT_EQ(root->frame(), host->bounds());
    EXPECT_TRUE(shows(MakePoint(160, 55), Qt::blue));
    EXPECT_TRUE(shows(MakePoint(160, 75), Qt::red));
}

TEST_F(ViewLayerHosting, ALayerChangeMarksTheViewForDisplay)
{
    auto inner = solid(MakeRect(10, 10, 20, 20), hostGreen);
    auto deeper = solid(MakeRect(0, 0, 5, 5), hostBlue);
    root->addSublayer(inner.get());
    inner->addSublayer(deeper.get());
    host->setLayer(root.get());
    window->displayIfNeeded();
    EXPECT_FALSE(window->viewsNeedDisplay());

    deeper->setBackgroundColor(hostRed);
    EXPECT_TRUE(window->viewsNeedDisplay());
    window->displayIfNeeded();
    inner->setHidden(true);
    EXPECT_TRUE(window->viewsNeedDisplay());
    EXPECT_TRUE(shows(MakePoint(40, 30), Qt::red));

    // A tree no view hosts asks nothing of anyone.
    window->displayIfNeeded();
    auto loose = Layer::layer();
    loose->addSublayer(solid(MakeRect(0, 0, 5, 5), hostBlue).get());
    loose->sublayers().front()->setOpacity(0.5);
    EXPECT_FALSE(window->viewsNeedDisplay());
}

// Within one transaction the view is asked once for many changes, and again for a change made
// after it drew the tree.
TEST_F(ViewLayerHosting, AChangeAfterTheViewDrewInTheSameTransactionMarksItAgain)
{
    auto inner = solid(MakeRect(10, 10, 20, 20), hostGreen);
    root->addSublayer(inner.get());
    host->setLayer(root.get());
    window->displayIfNeeded();
    ASSERT_FALSE(window->viewsNeedDisplay());
    Transaction::begin();
    Transaction::setDisableActions(true);
    inner->setPosition(MakePoint(30, 30));
    inner->setZPosition(1);
    EXPECT_TRUE(window->viewsNeedDisplay());
    window->displayIfNeeded();
    EXPECT_FALSE(window->viewsNeedDisplay());
    inner->setBackgroundColor(hostBlue);
    EXPECT_TRUE(window->viewsNeedDisplay());
    Transaction::commit();
    window->displayIfNeeded();
    EXPECT_TRUE(shows(MakePoint(50, 40), Qt::blue));
}

TEST_F(ViewLayerHosting, TreeStaysYUpInAFlippedView)
{
    auto flipped = make<Painted>(MakeRect(20, 10, 100, 60), Qt::yellow, true);
    window->contentView()->addSubview(flipped.get());
    root->addSublayer(solid(MakeRect(0, 0, 100, 10), hostGreen).get());
    flipped->setLayer(root.get());
    EXPECT_TRUE(shows(MakePoint(30, 15), Qt::green));
    EXPECT_TRUE(shows(MakePoint(30, 65), Qt::red));
}

TEST_F(ViewLayerHosting, LayoutAndDisplayBeforeDrawingScheduleNoFurtherPass)
{
    auto strip = solid(MakeRect(0, 0, 10, 10), hostGreen);
    root->addSublayer(strip.get());
    auto layout = make<StripLayout>();
    root->setLayoutManager(layout.get());
    host->setLayer(root.get());
    window->displayIfNeeded();
    EXPECT_EQ(layout->layouts, 1);
    EXPECT_FALSE(window->viewsNeedDisplay());
    EXPECT_TRUE(shows(MakePoint(110, 20), Qt::green));

    layout->share = 0.25;
    // Without animation, so the pass shows the new layout at once.
    Transaction::setDisableActions(true);
    root->setNeedsLayout();
    const int passes = window->displayPassCount();
    window->displayIfNeeded();
    EXPECT_EQ(window->displayPassCount(), passes + 1);
    EXPECT_FALSE(window->viewsNeedDisplay());
    EXPECT_TRUE(shows(MakePoint(110, 30), Qt::red));
}

TEST_F(ViewLayerHosting, ALayerHasOneHost)
{
    auto other = make<Painted>(MakeRect(130, 10, 50, 50), Qt::yellow);
    window->contentView()->addSubview(other.get());
    auto parent = Layer::layer();
    parent->addSublayer(root.get());
    host->setLayer(root.get());
    EXPECT_EQ(root->superlayer(), nullptr);
    other->setLayer(root.get());
    EXPECT_EQ(host->layer(), nullptr);
    EXPECT_EQ(root->hostingView(), other);
    EXPECT_EQ(root->frame(), other->bounds());
}

TEST_F(ViewLayerHosting, CapturesShowTheTree)
{
    root->addSublayer(solid(MakeRect(0, 0, 50, 60), hostBlue).get());
    host->setLayer(root.get());
    const Ref<BitmapImageRep> data = BitmapImageRep::imageRepWithData(host->dataWithPDFInsideRect(host->bounds()));
    ASSERT_TRUE(data);
    EXPECT_TRUE(test::pixelIs(data->image(), 25, 30, Qt::blue));
    EXPECT_TRUE(test::pixelIs(data->image(), 75, 30, Qt::red));

    host->lockFocus();
    const Ref<BitmapImageRep> shown = BitmapImageRep::initWithFocusedViewRect(MakeRect(40, 0, 20, 10));
    host->unlockFocus();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(test::pixelIs(shown->image(), 5, 5, Qt::blue));
    EXPECT_TRUE(test::pixelIs(shown->image(), 15, 5, Qt::red));
}

} // namespace
