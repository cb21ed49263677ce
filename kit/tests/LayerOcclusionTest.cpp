#include "kit/graphics/CGContext.h"
#include "kit/graphics/CGImage.h"
#include "kit/layers/Layer.h"
#include "kit/layers/ReplicatorLayer.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace layer_occlusion_test {

using namespace kit;

constexpr int Width = 400, Height = 300;

// An opaque picture with structure (or, with `hole`, a translucent patch in it).
Ref<CGImage> picture(int hue, bool hole)
{
    QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv(hue, 200, 220));
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(0, 0, 160, 120);
    p.drawRect(10, 10, 140, 100);
    if (hole) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(20, 30, 50, 40), QColor(255, 255, 255, 90));
    }
    p.end();
    return CGImage::create(image);
}

enum class Holder { Plain, Replicator };

// A replicator's copy is darkened by `tint` and faded by `fade` (colour and alpha offsets).
struct Reflection {
    double tint = 0;
    double fade = 0;
};

// Item `i` of a row of pictures turned away in perspective (or, not `turned`, facing the viewer and
// enlarged), each nearer than the one before, so that every later one hides part of the earlier:
// the shape of a cover row.
Ref<Layer> item(int i, Holder kind, bool hole, Reflection reflection, bool turned)
{
    Ref<Layer> holder;
    if (kind == Holder::Replicator) {
        auto replicator = ReplicatorLayer::layer();
        replicator->setInstanceCount(2);
        replicator->setInstanceTransform(Transform3DConcat(Transform3DMakeScale(1, -1, 1), Transform3DMakeTranslation(0, -120, 0)));
        replicator->setInstanceRedOffset(reflection.tint);
        replicator->setInstanceGreenOffset(reflection.tint);
        replicator->setInstanceBlueOffset(reflection.tint);
        replicator->setInstanceAlphaOffset(reflection.fade);
        holder = replicator;
    } else {
        holder = Layer::layer();
    }
    holder->setBounds(MakeRect(0, 0, 160, 120));
    holder->setPosition(MakePoint(110 + 45 * i, 170));
    holder->setZPosition(10 * i);
    Transform3D perspective = Transform3DIdentity;
    perspective.m34 = -1.0 / 420;
    holder->setSublayerTransform(perspective);
    auto image = Layer::layer();
    image->setBounds(turned ? MakeRect(0, 0, 160, 120) : MakeRect(0, 0, 200, 150));
    image->setPosition(MakePoint(80, 60));
    image->setContents(picture(40 * i, hole && i == 3));
    if (turned)
        image->setTransform(Transform3DMakeRotation(0.79, 0, -1, 0));
    holder->addSublayer(image.get());
    return holder;
}

QImage render(const std::vector<std::vector<int>>& passes, Holder kind, bool hole, Reflection reflection, bool turned)
{
    const Ref<CGContext> bitmap = CGContext::createBitmap(Width, Height);
    for (const std::vector<int>& items : passes) {
        auto root = Layer::layer();
        root->setBounds(MakeRect(0, 0, Width, Height));
        root->setPosition(MakePoint(Width / 2.0, Height / 2.0));
        for (int i : items)
            root->addSublayer(item(i, kind, hole, reflection, turned).get());
        root->renderInContext(*bitmap);
    }
    return bitmap->createImage()->image();
}

struct OcclusionCase {
    const char* name;
    Holder kind;
    bool hole;
    Reflection reflection {};
    bool turned = true;
};

class LayerOcclusion : public testing::TestWithParam<OcclusionCase> { };

// Skipping what a later opaque picture hides changes no pixel: the row drawn as one tree equals
// its items drawn one after another, each in a tree of its own (so nothing can hide anything).
// With a translucent patch in the nearest picture, what shows through it is drawn too.
TEST_P(LayerOcclusion, SamePixelsAsDrawingEveryItemInFull)
{
    const OcclusionCase& c = GetParam();
    const QImage together = render({ { 0, 1, 2, 3 } }, c.kind, c.hole, c.reflection, c.turned);
    const QImage apart = render({ { 0 }, { 1 }, { 2 }, { 3 } }, c.kind, c.hole, c.reflection, c.turned);
    int differing = 0;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            differing += together.pixel(x, y) != apart.pixel(x, y);
    EXPECT_EQ(differing, 0) << c.name;
    // The row is really there and overlapping: the nearest picture's colour at its middle.
    EXPECT_NE(together.pixel(245, 130), together.pixel(5, 5));
    // And so are the reflections, overlapping too (y down: 190…300 below the pictures).
    if (c.kind == Holder::Replicator) {
        EXPECT_NE(together.pixel(245, 250), together.pixel(5, 5));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, LayerOcclusion,
    testing::Values(OcclusionCase { "plainHolders", Holder::Plain, false }, OcclusionCase { "withReflections", Holder::Replicator, false },
        OcclusionCase { "translucentPatch", Holder::Plain, true },
        OcclusionCase { "darkenedReflections", Holder::Replicator, false, { -0.6, 0 } },
        OcclusionCase { "fadedReflections", Holder::Replicator, false, { -0.6, -0.5 } },
        OcclusionCase { "reflectionsWithAPatch", Holder::Replicator, true, { -0.6, 0 } },
        OcclusionCase { "flatEnlarged", Holder::Plain, false, {}, false },
        OcclusionCase { "flatEnlargedWithReflections", Holder::Replicator, false, { -0.6, 0 }, false }),
    [](const testing::TestParamInfo<OcclusionCase>& info) { return std::string(info.param.name); });

} // namespace layer_occlusion_test
