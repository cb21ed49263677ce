#include "kit/layers/ConstraintLayoutManager.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

const QString super = QStringLiteral("superlayer");

Constraint tie(
    ConstraintAttribute attribute, const QString& source, ConstraintAttribute sourceAttribute, double offset = 0, double scale = 1)
{
    return Constraint::constraintWithAttributeRelativeToAttributeScaleOffset(attribute, source, sourceAttribute, scale, offset);
}

Ref<Layer> constrainedLayerWithFrame(Rect frame, const QString& name = {})
{
    auto l = Layer::layer();
    l->setFrame(frame);
    l->setName(name);
    return l;
}

class ConstraintLayout : public testing::Test {
protected:
    void SetUp() override
    {
        root = constrainedLayerWithFrame(MakeRect(0, 0, 400, 300));
        root->setLayoutManager(ConstraintLayoutManager::layoutManager().get());
    }
    Ref<Layer> root;
};

TEST_F(ConstraintLayout, CentredBodyWithMarginsFollowsTheSuperlayer)
{
    auto body = constrainedLayerWithFrame(MakeRect(0, 0, 10, 10), QStringLiteral("body"));
    body->setConstraints({ tie(ConstraintMidX, super, ConstraintMidX), tie(ConstraintWidth, super, ConstraintWidth, -20),
        tie(ConstraintMinY, super, ConstraintMinY, 40), tie(ConstraintMaxY, super, ConstraintMaxY, -10) });
    root->addSublayer(body.get());
    root->layoutIfNeeded();
    EXPECT_EQ(body->frame(), MakeRect(10, 40, 380, 250));

    root->setBounds(MakeRect(0, 0, 200, 100));
    EXPECT_TRUE(root->needsLayout());
    root->layoutIfNeeded();
    EXPECT_EQ(body->frame(), MakeRect(10, 40, 180, 50));
}

TEST_F(ConstraintLayout, ASiblingNamedAsSourceIsPlacedFirst)
{
    // Added before the layer it depends on.
    auto container = constrainedLayerWithFrame(MakeRect(0, 0, 10, 10));
    container->setConstraints({ tie(ConstraintMidX, super, ConstraintMidX), tie(ConstraintMaxY, super, ConstraintMaxY),
        tie(ConstraintWidth, super, ConstraintWidth), tie(ConstraintMinY, QStringLiteral("title"), ConstraintMaxY) });
    auto title = constrainedLayerWithFrame(MakeRect(0, 0, 100, 20), QStringLiteral("title"));
    title->setConstraints({ tie(ConstraintMinY, super, ConstraintMinY, 50), tie(ConstraintMidX, super, ConstraintMidX) });
    root->addSublayer(container.get());
    root->addSublayer(title.get());
    root->layoutIfNeeded();
    EXPECT_EQ(title->frame(), MakeRect(150, 50, 100, 20));
    EXPECT_EQ(container->frame(), MakeRect(0, 70, 400, 230));
}

struct EdgeCase {
    const char* name;
    std::vector<Constraint> constraints;
    Rect frame;
};

class ConstraintEdges : public testing::TestWithParam<EdgeCase> { };

TEST_P(ConstraintEdges, ResolveAgainstTheCurrentFrame)
{
    auto root = constrainedLayerWithFrame(MakeRect(0, 0, 400, 300));
    root->setLayoutManager(ConstraintLayoutManager::layoutManager().get());
    auto l = constrainedLayerWithFrame(MakeRect(5, 6, 30, 40));
    l->setConstraints(GetParam().constraints);
    root->addSublayer(l.get());
    root->layoutIfNeeded();
    EXPECT_EQ(l->frame(), GetParam().frame);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConstraintEdges,
    testing::Values(EdgeCase { "none", {}, MakeRect(5, 6, 30, 40) },
        // Half an item (w = 140) left of the centre, as the cover flow's left shade.
        EdgeCase { "scaledMaxX",
            { tie(ConstraintMinX, super, ConstraintMinX), tie(ConstraintMaxX, super, ConstraintMaxX, -70, 0.5),
                tie(ConstraintMinY, super, ConstraintMinY), tie(ConstraintMaxY, super, ConstraintMaxY) },
            MakeRect(0, 0, 130, 300) },
        EdgeCase { "maxKeepsSize", { tie(ConstraintMaxX, super, ConstraintMaxX), tie(ConstraintMaxY, super, ConstraintMinY, 32) },
            MakeRect(370, -8, 30, 40) },
        EdgeCase { "minAndMid", { tie(ConstraintMinX, super, ConstraintMinX, 100), tie(ConstraintMidX, super, ConstraintMidX) },
            MakeRect(100, 6, 200, 40) },
        EdgeCase { "heightFromWidth", { tie(ConstraintHeight, super, ConstraintWidth, 0, 0.25) }, MakeRect(5, 6, 30, 100) },
        EdgeCase { "unknownSource", { tie(ConstraintMinX, QStringLiteral("nobody"), ConstraintMinX, 50) }, MakeRect(5, 6, 30, 40) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConstraintLayout, ChangingConstraintsMarksTheSuperlayer)
{
    auto l = constrainedLayerWithFrame(MakeRect(0, 0, 10, 10));
    root->addSublayer(l.get());
    root->layoutIfNeeded();
    l->addConstraint(tie(ConstraintMinX, super, ConstraintMaxX, -10));
    EXPECT_TRUE(root->needsLayout());
    root->layoutIfNeeded();
    EXPECT_EQ(l->frame().origin, MakePoint(390, 0));
}

} // namespace
