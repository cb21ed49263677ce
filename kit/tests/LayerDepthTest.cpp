// Layers in depth: the chain to the host with perspective, flattening and replicators that keep
// depth, frame rules, visible parts, hit testing and drawing through perspective.

#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/layers/GradientLayer.h"
#include "kit/layers/Layer.h"
#include "kit/layers/ReplicatorLayer.h"
#include "kit/layers/ScrollLayer.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/PixelProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <numbers>

namespace layer_depth_test {

using namespace kit;

constexpr double pi = std::numbers::pi;

Transform3D perspective(double d)
{
    Transform3D t;
    t.m34 = -1.0 / d;
    return t;
}

// Records what one render of `root` draws.
struct Drawn {
    std::vector<Layer::DrawRecord> records;
    explicit Drawn(Layer& root, int width = 400, int height = 300)
    {
        Layer::setDrawRecorder(&records);
        const Ref<CGContext> bitmap = CGContext::createBitmap(width, height);
        root.renderInContext(*bitmap);
        Layer::setDrawRecorder(nullptr);
        image = bitmap->createImage()->image();
    }
    const Layer::DrawRecord* find(const Layer* layer, int copy = 0) const
    {
        for (const auto& r : records)
            if (r.layer == layer && r.copy == copy)
                return &r;
        return nullptr;
    }
    std::vector<const Layer*> order() const
    {
        std::vector<const Layer*> out;
        for (const auto& r : records)
            out.push_back(r.layer);
        return out;
    }
    QImage image;
};

QPointF map(const QTransform& h, double x, double y) { return h.map(QPointF(x, y)); }

// The drawn height of the layer's edge at local x, over its model height.
double edgeScale(const Layer::DrawRecord& r, double x, double height)
{
    return (map(r.homography, x, height).y() - map(r.homography, x, 0).y()) / height;
}

Ref<Layer> layerWithBounds(double w, double h, Point position, Point anchor = { 0.5, 0.5 })
{
    auto l = Layer::layer();
    l->setBounds(MakeRect(0, 0, w, h));
    l->setAnchorPoint(anchor);
    l->setPosition(position);
    return l;
}

// --- Depth and perspective ---

TEST(LayerDepth, APictureInFrontOfTheViewerGrowsByItsDepth)
{
    // The cover-flow selection: z 100 under an eye 420 points away.
    auto root = layerWithBounds(400, 300, { 200, 150 });
    root->setSublayerTransform(perspective(420));
    auto picture = layerWithBounds(100, 100, { 200, 150 });
    picture->setZPosition(100);
    root->addSublayer(picture.get());
    const Drawn drawn(*root);
    const auto* r = drawn.find(picture.get());
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(map(r->homography, 100, 50).x() - map(r->homography, 0, 50).x(), 131.25, 1e-9);
    EXPECT_NEAR(edgeScale(*r, 0, 100), 1.3125, 1e-9);
    // The centre stays where the perspective is centred.
    EXPECT_NEAR(map(r->homography, 50, 50).x(), 200, 1e-9);
}

struct FlowScene {
    Ref<ScrollLayer> scroll = ScrollLayer::layer();
    Ref<ReplicatorLayer> selectedItem = ReplicatorLayer::layer();
    Ref<ReplicatorLayer> sideItem = ReplicatorLayer::layer();
    Ref<Layer> selected = Layer::layer();
    Ref<Layer> side = Layer::layer();

    explicit FlowScene(bool preservesDepth)
    {
        scroll->setBounds(MakeRect(0, 0, 800, 300));
        scroll->setPosition({ 400, 150 });
        scroll->setMasksToBounds(false);
        scroll->setSublayerTransform(perspective(1500));
        // Selected: picture +200, item −200. Side (two away): picture −200, item −200 − 2 × 0.5.
        place(selectedItem, selected, 300, { 0.5, 0 }, Transform3D(), 200, -200, preservesDepth);
        place(sideItem, side, 500, { 1, 0 }, Transform3DMakeRotation(-0.79, 0, -1, 0), -200, -201, preservesDepth);
    }
    void place(const Ref<ReplicatorLayer>& item, const Ref<Layer>& picture, double x, Point anchor, const Transform3D& turn, double pictureZ,
        double itemZ, bool preservesDepth)
    {
        item->setPreservesDepth(preservesDepth);
        item->setInstanceCount(2);
        item->setFrame(MakeRect(x, 50, 200, 200));
        item->setZPosition(itemZ);
        item->setInstanceTransform(Transform3DConcat(Transform3DMakeScale(1, -1, 1), Transform3DMakeTranslation(0, -200, 0)));
        picture->setAnchorPoint(anchor);
        picture->setTransform(turn);
        picture->setZPosition(pictureZ);
        picture->setFrame(MakeRect(0, 0, 200, 200));
        item->addSublayer(picture.get());
        scroll->addSublayer(item.get());
    }
};

TEST(LayerDepth, ReplicatorsThatKeepDepthShowTheFlowViewScales)
{
    FlowScene scene(true);
    const Drawn drawn(*scene.scroll, 800, 300);
    const auto* selected = drawn.find(scene.selected.get());
    const auto* side = drawn.find(scene.side.get());
    ASSERT_TRUE(selected && side);
    EXPECT_NEAR(edgeScale(*selected, 0, 200), 1.0, 1e-9);
    // The side picture's anchor edge stands at z = −401: 1500 / 1901.
    EXPECT_NEAR(edgeScale(*side, 200, 200), 1500.0 / 1901.0, 1e-9);
    EXPECT_NEAR(edgeScale(*side, 200, 200), 0.79, 0.005);
    // The mirror copy lands directly below its picture, upside down.
    const auto* mirror = drawn.find(scene.selected.get(), 1);
    ASSERT_NE(mirror, nullptr);
    EXPECT_NEAR(map(mirror->homography, 0, 0).y(), map(selected->homography, 0, 0).y(), 1e-9);
    EXPECT_NEAR(map(mirror->homography, 0, 200).y(), map(selected->homography, 0, 0).y() - 200, 1e-9);
}

TEST(LayerDepth, FlatteningReplicatorsLoseThePictureDepth)
{
    FlowScene scene(false);
    const Drawn drawn(*scene.scroll, 800, 300);
    const auto* selected = drawn.find(scene.selected.get());
    const auto* side = drawn.find(scene.side.get());
    ASSERT_TRUE(selected && side);
    // Only the item's own depth counts once its picture is flattened into it.
    EXPECT_NEAR(edgeScale(*selected, 0, 200), 1500.0 / 1700.0, 1e-9);
    EXPECT_NEAR(edgeScale(*side, 200, 200), 1500.0 / 1701.0, 1e-9);
}

TEST(LayerDepth, TheSublayerTransformActsAboutTheAnchorWhileScrolled)
{
    auto host = layerWithBounds(400, 300, { 200, 150 });
    auto scroll = ScrollLayer::layer();
    scroll->setBounds(MakeRect(0, 0, 400, 300));
    scroll->setPosition({ 200, 150 });
    scroll->setSublayerTransform(perspective(1500));
    scroll->scrollToPoint({ 500, 40 });
    EXPECT_EQ(scroll->bounds().origin, MakePoint(500, 40)); // both axes by default
    auto item = layerWithBounds(100, 100, { 700, 190 });
    item->setZPosition(-300);
    scroll->addSublayer(item.get());
    host->addSublayer(scroll.get());
    const Drawn drawn(*host);
    const auto* r = drawn.find(item.get());
    ASSERT_NE(r, nullptr);
    // The item at the visible middle stays square-on and centred, only smaller.
    const QPointF centre = map(r->homography, 50, 50);
    EXPECT_NEAR(centre.x(), 200, 1e-9);
    EXPECT_NEAR(centre.y(), 150, 1e-9);
    EXPECT_NEAR(edgeScale(*r, 0, 100), edgeScale(*r, 100, 100), 1e-12);
    EXPECT_NEAR(edgeScale(*r, 0, 100), 1500.0 / 1800.0, 1e-9);

    scroll->setScrollMode(ScrollHorizontally);
    scroll->scrollToPoint({ 0, 0 });
    EXPECT_EQ(scroll->bounds().origin, MakePoint(0, 40));
}

TEST(LayerDepth, ZPositionOrdersSiblingsWithoutPerspective)
{
    auto root = layerWithBounds(100, 100, { 50, 50 });
    auto back = layerWithBounds(50, 50, { 50, 50 });
    auto front = layerWithBounds(50, 50, { 50, 50 });
    back->setBackgroundColor(CGColor { 1, 0, 0, 1 });
    front->setBackgroundColor(CGColor { 0, 0, 1, 1 });
    front->setZPosition(5);
    root->addSublayer(front.get());
    root->addSublayer(back.get());
    const Drawn drawn(*root, 100, 100);
    EXPECT_EQ(drawn.order(), (std::vector<const Layer*> { root.get(), back.get(), front.get() }));
    // No perspective: depth does not change the size.
    EXPECT_TRUE(test::pixelIs(drawn.image, 50, 50, Qt::blue));
    EXPECT_TRUE(test::pixelIs(drawn.image, 20, 50, Qt::transparent));
}

// --- Frame ---

TEST(LayerDepth, FrameIsTheProjectedBoxOfTheBounds)
{
    auto l = layerWithBounds(100, 100, { 200, 150 });
    l->setTransform(Transform3DConcat(Transform3DMakeTranslation(0, 0, 100), perspective(420)));
    const Rect f = l->frame();
    EXPECT_NEAR(f.width(), 131.25, 1e-9);
    EXPECT_NEAR(f.minX(), 200 - 65.625, 1e-9);
    EXPECT_NEAR(f.minY(), 150 - 65.625, 1e-9);
}

TEST(LayerDepth, SettingTheFrameUnderDepthPlacesTheLayerAsIfUntransformed)
{
    // Transform and anchor first, then the frame, as the flow views place their pictures.
    auto picture = Layer::layer();
    picture->setAnchorPoint({ 1, 0 });
    picture->setTransform(Transform3DMakeRotation(0.79, 0, 1, 0));
    picture->setFrame(MakeRect(10, 20, 200, 100));
    EXPECT_EQ(picture->bounds().size, MakeSize(200, 100));
    EXPECT_EQ(picture->position(), MakePoint(210, 20));

    // An affine transform keeps the inverse rule: a doubled layer gets half the size.
    auto doubled = Layer::layer();
    doubled->setAffineTransform(CGAffineTransform::makeScale(2, 2));
    doubled->setFrame(MakeRect(0, 0, 100, 100));
    EXPECT_EQ(doubled->bounds().size, MakeSize(50, 50));
    EXPECT_TRUE(Transform3DIsAffine(doubled->transform()));
}

TEST(LayerDepth, VisibleRectIsThePartInsideTheScrollLayer)
{
    auto scroll = ScrollLayer::layer();
    scroll->setBounds(MakeRect(0, 0, 400, 300));
    scroll->setPosition({ 200, 150 });
    auto container = layerWithBounds(400, 300, { 200, 150 });
    scroll->addSublayer(container.get());
    auto offscreen = layerWithBounds(100, 100, { 1000, 150 });
    // Turned 60° about y: its plane shows at half width, starting at x = 350.
    auto turned = layerWithBounds(200, 100, { 350, 150 }, { 0, 0.5 });
    turned->setTransform(Transform3DMakeRotation(pi / 3, 0, 1, 0));
    container->addSublayer(offscreen.get());
    container->addSublayer(turned.get());
    EXPECT_TRUE(IsEmptyRect(offscreen->visibleRect()));
    const Rect seen = turned->visibleRect();
    EXPECT_NEAR(seen.minX(), 0, 1e-9);
    EXPECT_NEAR(seen.width(), 100, 1e-9);
    EXPECT_NEAR(seen.height(), 100, 1e-9);
    // Without a scroll layer above, the whole bounds.
    EXPECT_EQ(scroll->visibleRect(), scroll->bounds());
}

// --- Hits and conversions ---

TEST(LayerDepth, HitTestGoesFrontToBackDeepestFirst)
{
    auto root = layerWithBounds(400, 300, { 200, 150 });
    auto lower = layerWithBounds(100, 100, { 200, 150 });
    auto upper = layerWithBounds(100, 100, { 220, 150 });
    auto inner = layerWithBounds(20, 20, { 50, 50 });
    auto hidden = layerWithBounds(100, 100, { 200, 150 });
    hidden->setHidden(true);
    hidden->setZPosition(10);
    root->addSublayer(upper.get());
    root->addSublayer(lower.get());
    upper->addSublayer(inner.get());
    root->addSublayer(hidden.get());
    upper->setZPosition(1); // drawn last, so hit first
    EXPECT_EQ(root->hitTest({ 180, 150 }), upper);
    EXPECT_EQ(root->hitTest({ 220, 150 }), inner);
    EXPECT_EQ(root->hitTest({ 155, 150 }), lower);
    EXPECT_EQ(root->hitTest({ 10, 10 }), root);
    EXPECT_EQ(root->hitTest({ 500, 10 }), nullptr);
    EXPECT_TRUE(upper->containsPoint({ 0, 0 }));
    EXPECT_FALSE(upper->containsPoint({ 101, 0 }));
}

TEST(LayerDepth, HitTestFollowsPerspectiveAndSkipsReflections)
{
    FlowScene scene(true);
    auto host = layerWithBounds(800, 300, { 400, 150 });
    host->addSublayer(scene.scroll.get());
    // The selected picture covers 300…500 on x, 50…250 on y at scale 1.
    EXPECT_EQ(host->hitTest({ 400, 150 }), scene.selected);
    // Its reflection lies below y = 50: copies never hit, so the scroll layer behind answers.
    EXPECT_EQ(host->hitTest({ 400, 20 }), scene.scroll);
    // The turned side picture, near its anchor edge at x = 700 (scaled about the centre).
    const Point edge = scene.side->convertPointToLayer({ 195, 100 }, host.get());
    EXPECT_EQ(host->hitTest(edge), scene.side);
    // Conversions round-trip under perspective.
    const Point back = scene.side->convertPointFromLayer(edge, host.get());
    EXPECT_NEAR(back.x, 195, 1e-6);
    EXPECT_NEAR(back.y, 100, 1e-6);
}

TEST(LayerDepth, APointBehindTheEyeMisses)
{
    auto root = layerWithBounds(400, 300, { 200, 150 });
    root->setSublayerTransform(perspective(100));
    // A wall turned almost edge-on reaches behind the eye: its far half never hits.
    auto wall = layerWithBounds(1000, 100, { 200, 150 }, { 0, 0.5 });
    wall->setTransform(Transform3DMakeRotation(-1.4, 0, 1, 0));
    root->addSublayer(wall.get());
    const Drawn drawn(*root);
    EXPECT_EQ(drawn.find(wall.get()), nullptr); // a corner behind the eye: not drawn
    // Left of the anchor the inverse lands inside the bounds, but behind the eye.
    EXPECT_EQ(root->hitTest({ 150, 150 }), root);
    EXPECT_EQ(root->hitTest({ 300, 150 }), wall);
}

TEST(LayerDepth, EdgeOnAndSingularLayersAreSkipped)
{
    auto root = layerWithBounds(100, 100, { 50, 50 });
    auto edgeOn = layerWithBounds(50, 50, { 50, 50 });
    edgeOn->setTransform(Transform3DMakeRotation(pi / 2, 0, 1, 0));
    edgeOn->setBackgroundColor(CGColor { 1, 0, 0, 1 });
    auto zero = layerWithBounds(50, 50, { 50, 50 });
    zero->setTransform(Transform3D::fromElements({}));
    zero->setBackgroundColor(CGColor { 1, 0, 0, 1 });
    root->addSublayer(edgeOn.get());
    root->addSublayer(zero.get());
    const Drawn drawn(*root, 100, 100);
    EXPECT_EQ(drawn.order(), std::vector<const Layer*> { root.get() });
    EXPECT_TRUE(test::pixelIs(drawn.image, 50, 50, Qt::transparent));
    EXPECT_EQ(root->hitTest({ 50, 50 }), root);
}

TEST(LayerDepth, OnlyVisibleItemsOfALongRowAreWalked)
{
    // Ten thousand items (a picture and its reflection each) 25 points apart from x = 10; 32 reach
    // the 800-point-wide scroll layer.
    auto scroll = ScrollLayer::layer();
    scroll->setBounds(MakeRect(0, 0, 800, 300));
    scroll->setPosition({ 400, 150 });
    scroll->setSublayerTransform(perspective(1500));
    for (int i = 0; i < 10000; ++i) {
        auto item = ReplicatorLayer::layer();
        item->setFrame(MakeRect(10 + i * 25, 100, 100, 100));
        item->setInstanceCount(2);
        item->setPreservesDepth(true);
        item->setInstanceTransform(Transform3DConcat(Transform3DMakeScale(1, -1, 1), Transform3DMakeTranslation(0, -100, 0)));
        auto picture = layerWithBounds(100, 100, { 50, 50 });
        picture->setBackgroundColor(CGColor { 0, 0, 1, 1 });
        item->addSublayer(picture.get());
        scroll->addSublayer(item.get());
    }
    const Drawn drawn(*scroll, 800, 300);
    std::set<const Layer*> items;
    int pictures = 0;
    for (const auto& r : drawn.records) {
        if (r.layer->superlayer() == scroll)
            items.insert(r.layer);
        else if (r.layer != scroll.get())
            ++pictures;
    }
    EXPECT_EQ(items.size(), 32u);
    EXPECT_EQ(pictures, 64);
    EXPECT_FALSE(items.contains(scroll->sublayers()[32].get()));
    // Scrolled on, the next ones show.
    Transaction::begin();
    Transaction::setDisableActions(true);
    scroll->scrollToPoint({ 5000, 0 });
    Transaction::commit();
    const Drawn later(*scroll, 800, 300);
    EXPECT_NE(later.find(scroll->sublayers()[210].get()), nullptr);
    EXPECT_EQ(later.find(scroll->sublayers()[0].get()), nullptr);
}

// --- Pixels ---

Ref<CGImage> redOverBlue()
{
    QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, y < 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return CGImage::create(image);
}

TEST(LayerDepthRendering, ContentsStayUprightUnderPerspective)
{
    auto root = layerWithBounds(200, 200, { 100, 100 });
    root->setSublayerTransform(perspective(500));
    auto picture = layerWithBounds(100, 100, { 100, 100 });
    picture->setTransform(Transform3DMakeRotation(0.5, 0, 1, 0));
    picture->setContents(redOverBlue());
    root->addSublayer(picture.get());
    const Drawn drawn(*root, 200, 200);
    // Rows top first in the bitmap: red (row 0 of the image) at the top.
    EXPECT_TRUE(test::pixelIs(drawn.image, 100, 70, Qt::red, 3));
    EXPECT_TRUE(test::pixelIs(drawn.image, 100, 130, Qt::blue, 3));
}

TEST(LayerDepthRendering, TheReflectionIsDarkenedByTheOffset)
{
    auto root = layerWithBounds(100, 200, { 50, 100 });
    auto item = ReplicatorLayer::layer();
    item->setFrame(MakeRect(0, 100, 100, 100));
    item->setInstanceCount(2);
    item->setInstanceRedOffset(-0.4);
    item->setInstanceGreenOffset(-0.4);
    item->setInstanceBlueOffset(-0.4);
    item->setInstanceTransform(Transform3DConcat(Transform3DMakeScale(1, -1, 1), Transform3DMakeTranslation(0, -100, 0)));
    auto picture = layerWithBounds(100, 100, { 50, 50 });
    QImage white(4, 4, QImage::Format_ARGB32_Premultiplied);
    white.fill(Qt::white);
    picture->setContents(CGImage::create(white));
    item->addSublayer(picture.get());
    root->addSublayer(item.get());
    const Drawn drawn(*root, 100, 200);
    EXPECT_TRUE(test::pixelIs(drawn.image, 50, 50, Qt::white));
    // The copy below at 60 %.
    EXPECT_TRUE(test::pixelIs(drawn.image, 50, 150, QColor(153, 153, 153), 2));
}

TEST(LayerDepthRendering, LargeContentsDrawnSmallAreSmoothed)
{
    // A checkerboard of 4-pixel squares, 2048 wide, drawn 64 points wide and turned: a smooth grey,
    // not samples of single squares.
    QImage checker(2048, 2048, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < checker.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(checker.scanLine(y));
        for (int x = 0; x < checker.width(); ++x)
            row[x] = (x / 4 + y / 4) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    auto root = layerWithBounds(100, 100, { 50, 50 });
    root->setSublayerTransform(perspective(400));
    auto picture = layerWithBounds(64, 64, { 50, 50 });
    picture->setTransform(Transform3DMakeRotation(0.4, 0, 1, 0));
    picture->setContents(CGImage::create(checker));
    root->addSublayer(picture.get());
    const Drawn drawn(*root, 100, 100);
    for (int x = 36; x <= 64; x += 4)
        for (int y : { 40, 50, 60 })
            EXPECT_TRUE(test::pixelIs(drawn.image, x, y, QColor(128, 128, 128), 40)) << x << ", " << y;
}

TEST(LayerDepthRendering, APictureNarrowOnScreenIsSmoothedAcrossOnly)
{
    // Bands 16 rows tall: columns alternating black and white each texel, then red. Drawn 32 wide
    // and as tall as it is: across, the columns blend to grey (not samples of single columns);
    // down, the bands stay sharp.
    QImage bands(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < bands.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(bands.scanLine(y));
        for (int x = 0; x < bands.width(); ++x)
            row[x] = (y / 16) % 2 ? qRgb(255, 0, 0) : (x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
    auto root = layerWithBounds(100, 300, { 50, 150 });
    auto picture = layerWithBounds(32, 256, { 50, 150 });
    picture->setContents(CGImage::create(bands));
    root->addSublayer(picture.get());
    const Drawn drawn(*root, 100, 300);
    int grey = 0, red = 0, other = 0;
    for (int y = 30; y < 270; ++y) {
        const QColor c = drawn.image.pixelColor(50, y);
        if (std::abs(c.red() - 128) <= 30 && std::abs(c.green() - 128) <= 30 && std::abs(c.blue() - 128) <= 30)
            ++grey;
        else if (c.red() > 230 && c.green() < 25 && c.blue() < 25)
            ++red;
        else
            ++other;
    }
    EXPECT_GE(grey, 100);
    EXPECT_GE(red, 100);
    // Only the rows where one band meets the next.
    EXPECT_LE(other, 16);
}

TEST(LayerDepthRendering, AGradientFillsItsRoundedBoundsAlongItsAxis)
{
    // The flow view's knob: top (0.5, 1) to bottom (0.5, 0), clipped to radius 9.
    auto knob = GradientLayer::layer();
    knob->setBounds(MakeRect(0, 0, 40, 18));
    knob->setPosition({ 20, 9 });
    knob->setCornerRadius(9);
    knob->setStartPoint({ 0.5, 1 });
    knob->setEndPoint({ 0.5, 0 });
    knob->setColors({ CGColor { 1, 0, 0, 1 }, CGColor { 1, 0, 0, 1 }, CGColor { 0, 0, 1, 1 }, CGColor { 0, 0, 1, 1 } });
    knob->setLocations(std::vector<double> { 0, 0.5, 0.51, 1 });
    const Drawn drawn(*knob, 40, 18);
    // Rows top first: red above the middle, blue below it, nothing in the rounded corners.
    EXPECT_TRUE(test::pixelIs(drawn.image, 20, 3, Qt::red, 8));
    EXPECT_TRUE(test::pixelIs(drawn.image, 20, 15, Qt::blue, 8));
    EXPECT_TRUE(test::pixelIs(drawn.image, 0, 0, Qt::transparent, 8));
    EXPECT_TRUE(test::pixelIs(drawn.image, 39, 17, Qt::transparent, 8));
    EXPECT_EQ(knob->valueForKey("colors").array().count(), 4);
}

} // namespace layer_depth_test
