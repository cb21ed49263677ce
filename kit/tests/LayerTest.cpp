#include "kit/layers/Layer.h"

#include "kit/core/Exception.h"
#include "kit/core/Value.h"
#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

namespace {

using namespace kit;

const CGColor red { 1, 0, 0, 1 };
const CGColor green { 0, 1, 0, 1 };
const CGColor blue { 0, 0, 1, 1 };

Ref<Layer> layerWithFrame(Rect frame, std::optional<CGColor> color = std::nullopt)
{
    auto l = Layer::layer();
    l->setFrame(frame);
    l->setBackgroundColor(color);
    return l;
}

// Renders `layer` (its own bounds at the bitmap's origin) into a transparent bitmap; rows top first.
QImage render(Layer& layer, int width, int height)
{
    const Ref<CGContext> bitmap = CGContext::createBitmap(width, height);
    layer.renderInContext(*bitmap);
    return bitmap->createImage()->image();
}

// Probes at a y-up point of a rendered bitmap.
testing::AssertionResult at(const QImage& image, double x, double y, QColor expected)
{
    return test::pixelIs(image, int(x), image.height() - 1 - int(y), expected, 3);
}

// Two rows of two pixels: red on top, blue below.
Ref<CGImage> redOverBlue(int width = 2)
{
    QImage image(width, 2, QImage::Format_ARGB32_Premultiplied);
    for (int x = 0; x < width; ++x) {
        image.setPixel(x, 0, qRgb(255, 0, 0));
        image.setPixel(x, 1, qRgb(0, 0, 255));
    }
    return CGImage::create(image);
}

std::vector<Layer*> raw(const std::vector<Ref<Layer>>& layers)
{
    std::vector<Layer*> out;
    for (const auto& l : layers)
        out.push_back(l.get());
    return out;
}

// --- Tree ---

TEST(Layer, SublayersKeepOrderAndMoveBetweenSuperlayers)
{
    auto root = Layer::layer(), a = Layer::layer(), b = Layer::layer(), c = Layer::layer(), other = Layer::layer();
    root->addSublayer(a.get());
    root->addSublayer(b.get());
    root->insertSublayerAtIndex(c.get(), 1);
    EXPECT_EQ(raw(root->sublayers()), (std::vector<Layer*> { a.get(), c.get(), b.get() }));
    EXPECT_EQ(c->superlayer(), root);

    root->insertSublayerAbove(a.get(), b.get());
    EXPECT_EQ(raw(root->sublayers()), (std::vector<Layer*> { c.get(), b.get(), a.get() }));
    root->insertSublayerBelow(a.get(), c.get());
    EXPECT_EQ(raw(root->sublayers()), (std::vector<Layer*> { a.get(), c.get(), b.get() }));
    // A sibling that is not a sublayer: below goes to the back, above to the top, an index past the end appends.
    root->insertSublayerAbove(a.get(), other.get());
    EXPECT_EQ(root->sublayers().back(), a);
    root->insertSublayerBelow(a.get(), other.get());
    EXPECT_EQ(root->sublayers().front(), a);
    root->insertSublayerAtIndex(a.get(), 99);
    EXPECT_EQ(root->sublayers().back(), a);

    other->addSublayer(c.get());
    EXPECT_EQ(raw(root->sublayers()), (std::vector<Layer*> { b.get(), a.get() }));
    EXPECT_EQ(c->superlayer(), other);

    root->replaceSublayerWith(b.get(), c.get());
    EXPECT_EQ(raw(root->sublayers()), (std::vector<Layer*> { c.get(), a.get() }));
    EXPECT_EQ(b->superlayer(), nullptr);
    EXPECT_TRUE(other->sublayers().empty());

    a->removeFromSuperlayer();
    EXPECT_EQ(a->superlayer(), nullptr);
    root->setSublayers({ b, a, b });
    EXPECT_EQ(raw(root->sublayers()), (std::vector<Layer*> { b.get(), a.get() }));
    EXPECT_EQ(c->superlayer(), nullptr);
}

TEST(Layer, RefusesToHoldItselfOrAnAncestor)
{
    test::AssertionRecorder assertions;
    auto root = Layer::layer(), child = Layer::layer();
    root->addSublayer(child.get());
    child->addSublayer(root.get());
    child->addSublayer(child.get());
    EXPECT_EQ(assertions.descriptions.size(), 2u);
    EXPECT_TRUE(child->sublayers().empty());
    EXPECT_EQ(root->superlayer(), nullptr);
}

// Counts the times it left its superlayer.
class Leaving : public Layer {
    KIT_CLASS(Leaving)
public:
    int left = 0;

protected:
    void leftSuperlayer() override { ++left; }
};
KIT_REGISTER_CLASS(Leaving, Layer) { }

TEST(Layer, TellsALayerThatLeftItsSuperlayerWhateverTookItOut)
{
    auto root = Layer::layer(), other = Layer::layer();
    auto leaving = make<Leaving>();
    root->addSublayer(leaving.get());
    EXPECT_EQ(leaving->left, 0);
    leaving->removeFromSuperlayer();
    EXPECT_EQ(leaving->left, 1);
    leaving->removeFromSuperlayer(); // already out
    EXPECT_EQ(leaving->left, 1);
    root->addSublayer(leaving.get());
    other->addSublayer(leaving.get()); // moved
    EXPECT_EQ(leaving->left, 2);
    other->replaceSublayerWith(leaving.get(), Layer::layer().get());
    EXPECT_EQ(leaving->left, 3);
    root->addSublayer(leaving.get());
    root->setSublayers({ leaving }); // kept
    EXPECT_EQ(leaving->left, 3);
    root->setSublayers({});
    EXPECT_EQ(leaving->left, 4);
}

TEST(Layer, SuperlayerIsWeakAndSublayersOutliveTheirSuperlayer)
{
    auto child = Layer::layer();
    {
        auto root = Layer::layer();
        root->addSublayer(child.get());
    }
    EXPECT_EQ(child->superlayer(), nullptr);
}

// --- Geometry ---

struct FrameCase {
    const char* name;
    Rect bounds;
    Point position;
    Point anchor;
    CGAffineTransform transform;
    Rect frame;
};

class LayerFrame : public testing::TestWithParam<FrameCase> { };

TEST_P(LayerFrame, IsTheTransformedBoundsAroundTheAnchor)
{
    const FrameCase& c = GetParam();
    auto l = Layer::layer();
    l->setBounds(c.bounds);
    l->setPosition(c.position);
    l->setAnchorPoint(c.anchor);
    l->setAffineTransform(c.transform);
    const Rect f = l->frame();
    EXPECT_NEAR(f.minX(), c.frame.minX(), 1e-9);
    EXPECT_NEAR(f.minY(), c.frame.minY(), 1e-9);
    EXPECT_NEAR(f.width(), c.frame.width(), 1e-9);
    EXPECT_NEAR(f.height(), c.frame.height(), 1e-9);

    // Setting the frame back changes nothing.
    l->setFrame(c.frame);
    EXPECT_NEAR(l->position().x, c.position.x, 1e-9);
    EXPECT_NEAR(l->position().y, c.position.y, 1e-9);
    EXPECT_NEAR(l->bounds().width(), c.bounds.width(), 1e-9);
    EXPECT_NEAR(l->bounds().height(), c.bounds.height(), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, LayerFrame,
    testing::Values(FrameCase { "centred", MakeRect(0, 0, 100, 50), { 50, 25 }, { 0.5, 0.5 }, {}, MakeRect(0, 0, 100, 50) },
        FrameCase { "anchorAtOrigin", MakeRect(0, 0, 100, 50), { 10, 20 }, { 0, 0 }, {}, MakeRect(10, 20, 100, 50) },
        FrameCase { "anchorTopRight", MakeRect(0, 0, 100, 50), { 10, 20 }, { 1, 1 }, {}, MakeRect(-90, -30, 100, 50) },
        FrameCase { "boundsOriginDoesNotMove", MakeRect(30, 40, 100, 50), { 50, 25 }, { 0.5, 0.5 }, {}, MakeRect(0, 0, 100, 50) },
        FrameCase { "mirrorKeepsTheBox", MakeRect(0, 0, 100, 50), { 50, 25 }, { 0.5, 0.5 }, CGAffineTransform::makeScale(1, -1),
            MakeRect(0, 0, 100, 50) },
        FrameCase {
            "doubled", MakeRect(0, 0, 50, 50), { 50, 50 }, { 0.5, 0.5 }, CGAffineTransform::makeScale(2, 2), MakeRect(0, 0, 100, 100) },
        FrameCase { "quarterTurn", MakeRect(0, 0, 100, 50), { 50, 25 }, { 0.5, 0.5 }, CGAffineTransform().rotate(std::numbers::pi / 2),
            MakeRect(25, -25, 50, 100) }),
    [](const auto& info) { return std::string(info.param.name); });

struct ResizeCase {
    const char* name;
    unsigned mask;
    Rect after;
};

class LayerAutoresizing : public testing::TestWithParam<ResizeCase> { };

TEST_P(LayerAutoresizing, FollowsTheSuperlayerYUp)
{
    auto super = layerWithFrame(MakeRect(0, 0, 100, 100));
    auto sub = layerWithFrame(MakeRect(10, 10, 20, 20));
    sub->setAutoresizingMask(GetParam().mask);
    super->addSublayer(sub.get());
    super->setBounds(MakeRect(0, 0, 200, 150));
    const Rect f = sub->frame(), e = GetParam().after;
    EXPECT_NEAR(f.minX(), e.minX(), 1e-9);
    EXPECT_NEAR(f.minY(), e.minY(), 1e-9);
    EXPECT_NEAR(f.width(), e.width(), 1e-9);
    EXPECT_NEAR(f.height(), e.height(), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Masks, LayerAutoresizing,
    testing::Values(ResizeCase { "none", LayerNotSizable, MakeRect(10, 10, 20, 20) },
        ResizeCase { "fills", LayerWidthSizable | LayerHeightSizable, MakeRect(10, 10, 120, 70) },
        ResizeCase { "keepsTopRight", LayerMinXMargin | LayerMinYMargin, MakeRect(110, 60, 20, 20) },
        ResizeCase { "keepsBottomLeft", LayerMaxXMargin | LayerMaxYMargin, MakeRect(10, 10, 20, 20) },
        // Width 20 and right margin 70 share the 100 points in proportion.
        ResizeCase { "shares", LayerWidthSizable | LayerMaxXMargin, MakeRect(10, 10, 20 + 100.0 * 20 / 90, 20) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Layer, ConvertsBetweenLayersOfOneTree)
{
    auto root = layerWithFrame(MakeRect(0, 0, 200, 200));
    auto a = layerWithFrame(MakeRect(10, 10, 50, 50));
    a->setBounds(MakeRect(100, 100, 50, 50));
    auto b = layerWithFrame(MakeRect(105, 105, 10, 10));
    auto mirrored = layerWithFrame(MakeRect(100, 0, 50, 40));
    mirrored->setAffineTransform(CGAffineTransform::makeScale(1, -1));
    root->addSublayer(a.get());
    a->addSublayer(b.get());
    root->addSublayer(mirrored.get());

    EXPECT_EQ(b->convertRectToLayer(b->bounds(), root.get()), MakeRect(15, 15, 10, 10));
    EXPECT_EQ(root->convertPointToLayer(MakePoint(15, 15), b.get()), MakePoint(0, 0));
    EXPECT_EQ(b->convertPointFromLayer(MakePoint(25, 25), root.get()), MakePoint(10, 10));
    EXPECT_EQ(root->convertRectFromLayer(MakeRect(0, 0, 10, 10), b.get()), MakeRect(15, 15, 10, 10));
    // The mirror turns the bottom edge into the top one.
    EXPECT_EQ(mirrored->convertPointToLayer(MakePoint(0, 0), root.get()), MakePoint(100, 40));
    EXPECT_EQ(b->convertPointToLayer(MakePoint(0, 0), mirrored.get()), MakePoint(-85, 25));
}

// --- Keys ---

TEST(Layer, StoresUndefinedKeysBesideItsProperties)
{
    auto l = Layer::layer();
    l->setValueForKey(Value(3), QStringLiteral("index"));
    l->setValueForKey(Value(true), QStringLiteral("hidden"));
    l->setValueForKey(Value(MakeRect(0, 0, 10, 20)), QStringLiteral("bounds"));
    EXPECT_EQ(l->valueForKey(QStringLiteral("index")).intValue(), 3);
    EXPECT_TRUE(l->isHidden());
    EXPECT_EQ(l->bounds(), MakeRect(0, 0, 10, 20));
    EXPECT_TRUE(l->valueForKey(QStringLiteral("representedObject")).isNilOrNull());
    EXPECT_DOUBLE_EQ(l->valueForKey(QStringLiteral("opacity")).doubleValue(), 1.0);
}

// --- Drawn contents and layout ---

class HalfPainter : public Object, public LayerDelegate {
    KIT_CLASS(HalfPainter)
    int draws = 0;
    // Fills the lower half of the bounds.
    void drawLayerInContext(Layer* layer, CGContext& context) override
    {
        ++draws;
        const Rect b = layer->bounds();
        context.setFillColor(red);
        context.fillRect(MakeRect(b.minX(), b.minY(), b.width(), b.height() / 2));
    }
};
KIT_REGISTER_CLASS(HalfPainter, Object) { c.optionalOperation("drawLayerInContext"); }

// Implements the operation but does not say so.
class QuietPainter : public HalfPainter {
    KIT_CLASS(QuietPainter)
};
KIT_REGISTER_CLASS(QuietPainter, Object) { }

TEST(Layer, DisplayDrawsThroughTheDelegateIntoContentsAtItsScale)
{
    auto painter = make<HalfPainter>();
    auto l = layerWithFrame(MakeRect(0, 0, 10, 20));
    l->setBounds(MakeRect(5, 5, 10, 20));
    l->setContentsScale(2);
    l->setDelegate(painter.get());
    l->displayIfNeeded();
    EXPECT_EQ(painter->draws, 0);

    l->setNeedsDisplay();
    l->displayIfNeeded();
    l->displayIfNeeded();
    EXPECT_EQ(painter->draws, 1);
    ASSERT_TRUE(l->contents());
    EXPECT_EQ(l->contents()->width(), 20);
    EXPECT_EQ(l->contents()->height(), 40);
    EXPECT_TRUE(test::pixelIs(l->contents()->image(), 10, 30, Qt::red));
    EXPECT_TRUE(test::pixelIs(l->contents()->image(), 10, 10, Qt::transparent));

    // Rendered in its own coordinates, where the bounds start at (5, 5): the lower half is red.
    const QImage image = render(*l, 20, 30);
    EXPECT_TRUE(at(image, 7, 7, Qt::red));
    EXPECT_TRUE(at(image, 7, 17, Qt::transparent));
    EXPECT_TRUE(at(image, 2, 2, Qt::transparent));

    // 20000 points at scale 2 pass the 32767-pixel side of the largest bitmap: no contents, no
    // drawing, one log line.
    test::LogRecorder log;
    l->setBounds(MakeRect(0, 0, 20000, 20));
    l->setNeedsDisplay();
    l->displayIfNeeded();
    EXPECT_EQ(painter->draws, 1);
    EXPECT_FALSE(l->contents());
    EXPECT_EQ(log.lines().size(), 1);
}

TEST(Layer, DelegateIsAskedOnlyForWhatItDeclares)
{
    auto quiet = make<QuietPainter>();
    auto l = layerWithFrame(MakeRect(0, 0, 10, 10));
    l->setDelegate(quiet.get());
    l->display();
    EXPECT_EQ(quiet->draws, 0);
    ASSERT_TRUE(l->contents());
    EXPECT_TRUE(test::pixelIs(l->contents()->image(), 5, 5, Qt::transparent));
}

class OrderRecorder : public Object, public CALayoutManager {
    KIT_CLASS(OrderRecorder)
    std::vector<QString> order;
    void layoutSublayersOfLayer(Layer* layer) override { order.push_back(layer->name()); }
};
KIT_REGISTER_CLASS(OrderRecorder, Object) { }

TEST(Layer, LaysOutWhenMarkedTopDownThroughAWeakManager)
{
    auto manager = make<OrderRecorder>();
    auto root = layerWithFrame(MakeRect(0, 0, 100, 100));
    auto child = layerWithFrame(MakeRect(0, 0, 10, 10));
    root->setName(QStringLiteral("root"));
    child->setName(QStringLiteral("child"));
    root->setLayoutManager(manager.get());
    child->setLayoutManager(manager.get());
    root->addSublayer(child.get());
    child->setNeedsLayout();
    root->layoutIfNeeded();
    root->layoutIfNeeded();
    EXPECT_EQ(manager->order, (std::vector<QString> { QStringLiteral("root"), QStringLiteral("child") }));

    // A new size marks it, a new origin does not.
    manager->order.clear();
    root->setBounds(MakeRect(10, 10, 100, 100));
    EXPECT_FALSE(root->needsLayout());
    root->setBounds(MakeRect(10, 10, 120, 100));
    root->layoutIfNeeded();
    EXPECT_EQ(manager->order, (std::vector<QString> { QStringLiteral("root") }));

    manager = nullptr;
    EXPECT_EQ(root->layoutManager(), nullptr);
}

// --- Rendering ---

TEST(LayerRendering, ContentsGoUprightAndAMirrorTurnsThem)
{
    auto root = layerWithFrame(MakeRect(0, 0, 80, 40));
    auto upright = layerWithFrame(MakeRect(0, 0, 40, 40));
    auto mirrored = layerWithFrame(MakeRect(40, 0, 40, 40));
    upright->setContents(redOverBlue());
    mirrored->setContents(redOverBlue());
    mirrored->setAffineTransform(CGAffineTransform::makeScale(1, -1));
    root->addSublayer(upright.get());
    root->addSublayer(mirrored.get());
    const QImage image = render(*root, 80, 40);
    // Away from the mid-line, where the two rows blend when stretched.
    EXPECT_TRUE(at(image, 20, 36, Qt::red));
    EXPECT_TRUE(at(image, 20, 3, Qt::blue));
    EXPECT_TRUE(at(image, 60, 36, Qt::blue));
    EXPECT_TRUE(at(image, 60, 3, Qt::red));
}

struct GravityCase {
    const char* name;
    QString gravity;
    Point inside; // shows the picture
    Point outside; // stays empty
};

class LayerGravity : public testing::TestWithParam<GravityCase> { };

TEST_P(LayerGravity, PlacesTheContents)
{
    // A 4 × 2 picture in a 40 × 40 layer.
    auto l = layerWithFrame(MakeRect(0, 0, 40, 40));
    l->setContents(redOverBlue(4));
    l->setContentsGravity(GetParam().gravity);
    const QImage image = render(*l, 40, 40);
    EXPECT_NE(test::pixel(image, int(GetParam().inside.x), 39 - int(GetParam().inside.y)).alpha(), 0);
    if (GetParam().outside.x >= 0) { // resize and fill leave nothing empty
        EXPECT_TRUE(at(image, GetParam().outside.x, GetParam().outside.y, Qt::transparent));
    }
}

INSTANTIATE_TEST_SUITE_P(Gravities, LayerGravity,
    testing::Values(GravityCase { "resize", GravityResize, { 20, 38 }, { -1, -1 } },
        GravityCase { "aspect", GravityResizeAspect, { 20, 12 }, { 20, 8 } },
        GravityCase { "aspectFill", GravityResizeAspectFill, { 1, 1 }, { -1, -1 } },
        GravityCase { "center", GravityCenter, { 20, 20 }, { 20, 22 } }, GravityCase { "topLeft", GravityTopLeft, { 1, 39 }, { 5, 39 } },
        GravityCase { "bottomRight", GravityBottomRight, { 38, 0 }, { 38, 3 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayerRendering, OpacityMultipliesDownTheTreeAndHiddenLayersVanish)
{
    auto root = layerWithFrame(MakeRect(0, 0, 30, 10));
    auto half = layerWithFrame(MakeRect(0, 0, 10, 10), red);
    auto quarter = layerWithFrame(MakeRect(0, 0, 10, 10), red);
    auto hidden = layerWithFrame(MakeRect(20, 0, 10, 10), red);
    half->setOpacity(0.5);
    quarter->setOpacity(0.5);
    hidden->setHidden(true);
    root->addSublayer(half.get());
    root->addSublayer(hidden.get());
    auto holder = layerWithFrame(MakeRect(10, 0, 10, 10));
    holder->setOpacity(0.5);
    holder->addSublayer(quarter.get());
    root->addSublayer(holder.get());
    const QImage image = render(*root, 30, 10);
    EXPECT_NEAR(test::pixel(image, 5, 5).alpha(), 128, 2);
    EXPECT_NEAR(test::pixel(image, 15, 5).alpha(), 64, 2);
    EXPECT_EQ(test::pixel(image, 25, 5).alpha(), 0);
}

TEST(LayerRendering, ZPositionOrdersSiblingsAndMasksClip)
{
    auto root = layerWithFrame(MakeRect(0, 0, 40, 20));
    auto front = layerWithFrame(MakeRect(0, 0, 15, 20), red);
    auto back = layerWithFrame(MakeRect(0, 0, 15, 20), blue);
    front->setZPosition(1);
    root->addSublayer(front.get());
    root->addSublayer(back.get());
    auto mask = layerWithFrame(MakeRect(20, 0, 20, 20));
    mask->setMasksToBounds(true);
    mask->addSublayer(layerWithFrame(MakeRect(10, 10, 30, 30), green).get());
    root->addSublayer(mask.get());
    auto spill = layerWithFrame(MakeRect(20, 0, 20, 20));
    spill->addSublayer(layerWithFrame(MakeRect(-5, 0, 5, 5), green).get());
    root->addSublayer(spill.get());

    const QImage image = render(*root, 40, 20);
    EXPECT_TRUE(at(image, 10, 10, Qt::red));
    EXPECT_TRUE(at(image, 35, 15, Qt::green));
    EXPECT_TRUE(at(image, 25, 5, Qt::transparent));
    // Without the mask a sublayer spills over its superlayer's edge.
    EXPECT_TRUE(at(image, 17, 2, Qt::green));
}

TEST(LayerRendering, BorderLiesInsideAboveSublayersAndCornersRound)
{
    auto l = layerWithFrame(MakeRect(0, 0, 40, 40));
    l->setBorderWidth(2);
    l->setBorderColor(red);
    l->addSublayer(layerWithFrame(MakeRect(0, 0, 40, 40), blue).get());
    auto round = layerWithFrame(MakeRect(0, 0, 20, 20), green);
    round->setCornerRadius(8);
    const QImage image = render(*l, 40, 40);
    EXPECT_TRUE(at(image, 1, 20, Qt::red));
    EXPECT_TRUE(at(image, 39, 20, Qt::red));
    EXPECT_TRUE(at(image, 5, 20, Qt::blue));
    const QImage corner = render(*round, 20, 20);
    EXPECT_TRUE(at(corner, 0, 0, Qt::transparent));
    EXPECT_TRUE(at(corner, 10, 10, Qt::green));
}

} // namespace
