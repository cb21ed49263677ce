// A torn-off tab's window grows centred on the pointer, and is then moved back inside the visible
// frame when the pointer sits near a screen edge.

#include "XTTabBarControl/XTTabDragWindow.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"

#include <gtest/gtest.h>

namespace {

struct CornerCase {
    const char* name;
    bool nearLeft;
    bool nearBottom;
};

class XTTearOffPlacement : public testing::TestWithParam<CornerCase> { };

TEST_P(XTTearOffPlacement, AWindowTornOffNearACornerStaysOnScreen)
{
    const CornerCase c = GetParam();
    const kit::Rect v = kit::Screen::mainScreen()->visibleFrame();
    auto window = kit::make<kit::Window>(kit::MakeRect(0, 0, 520, 280), kit::TitledWindowMask);
    const kit::Point q = kit::MakePoint(c.nearLeft ? v.minX() + 20 : v.maxX() - 20, c.nearBottom ? v.minY() + 20 : v.maxY() - 20);
    auto expansion = kit::make<XTTabWindowExpansion>();
    expansion->expandWindowAtPoint(window.get(), q);
    expansion->finish();
    const kit::Rect f = window->frame();
    EXPECT_EQ(f.size, kit::MakeSize(520, 280));
    // The least move: against the two edges by the corner.
    EXPECT_DOUBLE_EQ(f.origin.x, c.nearLeft ? v.minX() : v.maxX() - 520);
    EXPECT_DOUBLE_EQ(f.origin.y, c.nearBottom ? v.minY() : v.maxY() - 280);
    window->orderOut();
    kit::Application::resetForTesting();
}

INSTANTIATE_TEST_SUITE_P(Corners, XTTearOffPlacement,
    testing::Values(CornerCase { "BottomLeft", true, true }, CornerCase { "BottomRight", false, true },
        CornerCase { "TopLeft", true, false }, CornerCase { "TopRight", false, false }),
    [](const testing::TestParamInfo<CornerCase>& info) { return std::string(info.param.name); });

} // namespace
