// A titled window's first frame on a real display fits the screen's visible frame: too large a
// frame shrinks, then moves inside, so its title bar stays in reach.
// Real X11 only: under xvfb-run with QT_QPA_PLATFORM=xcb. Elsewhere the tests skip themselves.

#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/X11KeyboardFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

namespace x11firstframe {

// Frames relative to the visible frame `v`: origin offsets and sizes as fractions of it.
struct FitCase {
    const char* name;
    unsigned style;
    double x, y, w, h; // the asked frame: v.origin + (x, y) * v.size, size (w, h) * v.size
    double fx, fy, fw, fh; // the frame shown, the same way
};

class X11FirstFrame : public testing::TestWithParam<FitCase> { };

TEST_P(X11FirstFrame, IsConstrainedToTheVisibleFrameSizeFirst)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    const FitCase c = GetParam();
    const Rect v = Screen::mainScreen()->visibleFrame();
    const auto at = [&v](double x, double y, double w, double h) {
        return MakeRect(v.minX() + x * v.width(), v.minY() + y * v.height(), w * v.width(), h * v.height());
    };
    auto window = make<Window>(at(c.x, c.y, c.w, c.h), c.style);
    window->orderFront();
    EXPECT_EQ(window->frame(), at(c.fx, c.fy, c.fw, c.fh));
    // Only the first frame: a frame set while the window is up stays, and so does one shown again.
    window->setFrameDisplay(at(c.x, c.y, c.w, c.h), false);
    window->orderOut();
    window->orderFront();
    EXPECT_EQ(window->frame(), at(c.x, c.y, c.w, c.h));
    window->orderOut();
}

INSTANTIATE_TEST_SUITE_P(Frames, X11FirstFrame,
    testing::Values(FitCase { "LargerThanTheScreenAndOffIt", TitledWindowMask, -0.25, -0.125, 1.5, 1.25, 0, 0, 1, 1 },
        FitCase { "WiderThanTheScreen", TitledWindowMask, 0.25, 0.25, 1.25, 0.5, 0, 0.25, 1, 0.5 },
        FitCase { "OffTheTopRight", TitledWindowMask | ClosableWindowMask, 0.75, 0.75, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5 },
        FitCase { "AlreadyInside", TitledWindowMask, 0.25, 0.25, 0.5, 0.5, 0.25, 0.25, 0.5, 0.5 },
        FitCase { "BorderlessIsLeftAlone", BorderlessWindowMask, 0.75, -0.25, 0.5, 0.5, 0.75, -0.25, 0.5, 0.5 }),
    [](const testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

} // namespace x11firstframe

} // namespace
