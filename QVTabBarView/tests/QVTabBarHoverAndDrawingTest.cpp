#include "QVTabBarView/QVMetalTabStyle.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/RecordingBackend.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

struct QVHoverFixture : QVBarFixture {
    kit::Ref<kit::Window> window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    explicit QVHoverFixture(int tabs)
        : QVBarFixture(kit::MakeRect(0, 0, 600, 22), tabs)
    {
        window->contentView()->addSubview(bar.get());
        bar->updateAnimate(false);
    }
    ~QVHoverFixture() { kit::Application::resetForTesting(); }
};

TEST(QVTabBarHover, ALayoutKeepsTheButtonUnderThePointerHovered)
{
    QVHoverFixture f(3);
    kit::test::EventScript script(f.window.get());
    script.mouseMoved(kit::MakePoint(150, 10));
    script.run();
    auto second = f.bar->orderedAttachedButtons()[1];
    ASSERT_TRUE(second->mouseHovered());
    // Another layout rebuilds the tracking areas under the pointer.
    f.bar->setButtonOptimumWidth(140);
    f.bar->updateAnimate(false);
    second->updateTrackingAreas();
    EXPECT_TRUE(second->mouseHovered());
    EXPECT_FALSE(f.bar->orderedAttachedButtons()[0]->mouseHovered());
}

TEST(QVTabBarHover, ScrubbingWithAltSelectsTheTabThePointerEnters)
{
    QVHoverFixture f(3);
    f.bar->setAllowsScrubbing(true);
    {
        kit::test::EventScript script(f.window.get());
        // Areas are rebuilt at the first event after a layout: arrive from outside the bar.
        script.mouseMoved(kit::MakePoint(300, 60)).mouseMoved(kit::MakePoint(300, 10), kit::AlternateKeyMask);
        script.run();
    }
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(2));
    EXPECT_FALSE(f.bar->orderedAttachedButtons()[2]->mouseHovered());
    {
        kit::test::EventScript script(f.window.get());
        script.mouseMoved(kit::MakePoint(150, 10));
        script.run();
    }
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(2));
    EXPECT_TRUE(f.bar->orderedAttachedButtons()[1]->mouseHovered());
}

struct QVCompensationCase {
    bool indicator;
    unsigned mask;
    double y;
    std::int64_t expected;
};

class QVResizeCompensation : public testing::TestWithParam<QVCompensationCase> { };

TEST_P(QVResizeCompensation, KeepsTheCornerFreeOnlyUnderAnIndicator)
{
    const QVCompensationCase& c = GetParam();
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 400, 200), kit::TitledWindowMask | c.mask);
    window->setShowsResizeIndicator(c.indicator);
    QVBarFixture f(kit::MakeRect(0, c.y, 400, 22), 2);
    window->contentView()->addSubview(f.bar.get());
    EXPECT_EQ(f.bar->resizeAreaCompensation(), c.expected);
    kit::Application::resetForTesting();
}

INSTANTIATE_TEST_SUITE_P(Cases, QVResizeCompensation,
    testing::Values(QVCompensationCase { false, 0, 0, 0 }, QVCompensationCase { true, 0, 0, 8 },
        QVCompensationCase { true, kit::TexturedBackgroundWindowMask, 0, 20 }, QVCompensationCase { true, 0, 100, 0 }));

// A flipped context the size of a bar, recording what the style draws.
struct QVFlippedRecorder {
    std::shared_ptr<kit::RecordingBackend> backend = std::make_shared<kit::RecordingBackend>(QSize(400, 60));
    kit::Ref<kit::GraphicsContext> context = kit::GraphicsContext::graphicsContextWithBackend(backend, true);
    kit::GraphicsContext::Scope scope { context };
};

TEST(QVMetalDrawing, TheBarIsWashedAndUnderlinedWithoutAntialiasing)
{
    QVBarFixture f(kit::MakeRect(0, 0, 300, 22), 0, false);
    auto metal = kit::dynamic_pointer_cast<QVMetalTabStyle>(f.bar->style());
    QVFlippedRecorder r;
    metal->drawBezelOfTabBarViewInRect(f.bar.get(), f.bar->bounds());
    ASSERT_EQ(r.backend->records.size(), 2u);
    const kit::DrawRecord& wash = r.backend->records[0];
    EXPECT_EQ(wash.kind, kit::DrawRecord::Kind::Fill);
    EXPECT_EQ(wash.operation(), kit::CompositeSourceAtop);
    EXPECT_NEAR(wash.color().alphaF(), 0.1, 0.01); // no key window
    const kit::DrawRecord& line = r.backend->records[1];
    EXPECT_EQ(line.kind, kit::DrawRecord::Kind::Stroke);
    EXPECT_FALSE(line.state.shouldAntialias);
    EXPECT_EQ(line.elements(), QStringLiteral("M 0 21.5 L 300 21.5"));
}

TEST(QVMetalDrawing, AVerticalBarUnderTwoPointsDrawsNothing)
{
    QVBarFixture f(kit::MakeRect(0, 0, 1.5, 200), 0, false);
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    QVFlippedRecorder r;
    f.bar->style()->drawBezelOfTabBarViewInRect(f.bar.get(), f.bar->bounds());
    EXPECT_TRUE(r.backend->records.empty());
}

} // namespace
