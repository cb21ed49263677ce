#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

using namespace kit;

struct StyleMaskCase {
    const char* name;
    unsigned mask;
    bool closeBox, miniaturizeBox, zoomBox, frameless, tool, fixedSize;
};

class WindowStyleMaskTest : public testing::TestWithParam<StyleMaskCase> { };

// Whatever the window was made with, the new mask alone decides what the window manager offers.
TEST_P(WindowStyleMaskTest, TheNativeWindowFollowsTheNewMask)
{
    const StyleMaskCase& c = GetParam();
    for (const unsigned from : { unsigned(TitledWindowMask), TitledWindowMask | ClosableWindowMask | ResizableWindowMask | UtilityWindowMask,
             unsigned(BorderlessWindowMask) }) {
        auto w = make<Window>(MakeRect(10, 10, 300, 200), from);
        w->setStyleMask(c.mask);
        EXPECT_EQ(w->styleMask(), c.mask);
        const Qt::WindowFlags flags = w->hostWidget()->windowFlags();
        SCOPED_TRACE(testing::Message() << "made with " << from);
        EXPECT_EQ(bool(flags & Qt::FramelessWindowHint), c.frameless);
        EXPECT_EQ((flags & Qt::WindowType_Mask) == Qt::Tool, c.tool);
        if (!c.frameless) {
            EXPECT_EQ(bool(flags & Qt::WindowCloseButtonHint), c.closeBox);
            EXPECT_EQ(bool(flags & Qt::WindowMinimizeButtonHint), c.miniaturizeBox);
            EXPECT_EQ(bool(flags & Qt::WindowMaximizeButtonHint), c.zoomBox);
            const Ref<TitleBarButton> close = w->standardWindowButton(WindowCloseButton);
            ASSERT_TRUE(close);
            EXPECT_EQ(close->isEnabled(), c.closeBox);
        } else {
            EXPECT_FALSE(w->standardWindowButton(WindowCloseButton));
        }
        const QWidget* host = w->hostWidget();
        EXPECT_EQ(host->minimumSize() == host->maximumSize(), c.fixedSize);
        EXPECT_EQ(host->size(), QSize(300, 200));
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, WindowStyleMaskTest,
    testing::Values(StyleMaskCase { "TitledOnly", TitledWindowMask, false, false, false, false, false, true },
        StyleMaskCase { "Closable", TitledWindowMask | ClosableWindowMask, true, false, false, false, false, true },
        StyleMaskCase { "Everything", TitledWindowMask | ClosableWindowMask | MiniaturizableWindowMask | ResizableWindowMask, true, true,
            true, false, false, false },
        StyleMaskCase { "Utility", TitledWindowMask | ClosableWindowMask | UtilityWindowMask, true, false, false, false, true, true },
        StyleMaskCase { "Borderless", BorderlessWindowMask, false, false, false, true, false, true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowStyleMask, AShownWindowStaysShownAndResizableAgainTakesLimits)
{
    auto w = make<Window>(MakeRect(10, 10, 300, 200), TitledWindowMask);
    w->orderFront();
    w->setMinSize(MakeSize(100, 80));
    w->setStyleMask(TitledWindowMask | ClosableWindowMask | ResizableWindowMask);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->hostWidget()->isVisible());
    EXPECT_EQ(w->hostWidget()->minimumSize(), QSize(100, 80));
    EXPECT_GT(w->hostWidget()->maximumSize().width(), 300);
    Application::resetForTesting();
}

// Every change of the native flags goes one way: a shown window stays where the kit frame says
// (Qt would keep the old outer corner) and is shown again, handed over to or from the window
// manager first if that was asked while it was shown.
TEST(WindowStyleMask, EveryFlagChangeKeepsTheFrameAndSettlesAHandOverBeforeTheMap)
{
    const std::pair<const char*, std::function<void(Window&)>> changes[] = {
        { "style mask", [](Window& w) { w.setStyleMask(TitledWindowMask | ClosableWindowMask); } },
        { "level", [](Window& w) { w.setLevel(FloatingWindowLevel); } },
        { "pass-through", [](Window& w) { w.setIgnoresMouseEvents(true); } },
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        auto parent = make<Window>(MakeRect(100, 100, 600, 500), TitledWindowMask);
        auto bubble = make<Window>(MakeRect(300, 250, 300, 200), BorderlessWindowMask);
        parent->addChildWindowOrdered(bubble.get(), WindowAbove);
        parent->orderFront();
        ASSERT_TRUE(bubble->hostWidget()->windowFlags().testFlag(Qt::BypassWindowManagerHint));
        // Managed again from its next map on.
        parent->removeChildWindow(bubble.get());
        ASSERT_TRUE(bubble->hostWidget()->windowFlags().testFlag(Qt::BypassWindowManagerHint));
        change(*bubble);
        EXPECT_TRUE(bubble->hostWidget()->isVisible());
        EXPECT_EQ(bubble->hostWidget()->geometry(), QtRectFromScreen(bubble->frame()).toRect());
        EXPECT_FALSE(bubble->hostWidget()->windowFlags().testFlag(Qt::BypassWindowManagerHint)) << "mapped again as it was";
        bubble->orderOut();
        parent->orderOut();
    }
    Application::resetForTesting();
}

} // namespace
