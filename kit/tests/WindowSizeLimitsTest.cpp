#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace kit;

TEST(WindowSizeLimits, TheNativeWindowGetsThemOnlyWhenResizable)
{
    auto w = make<Window>(MakeRect(0, 0, 300, 300), TitledWindowMask | ResizableWindowMask);
    w->setMinSize(MakeSize(200, 150));
    w->setMaxSize(MakeSize(400, 350.5));
    EXPECT_EQ(w->hostWidget()->minimumSize(), QSize(200, 150));
    EXPECT_EQ(w->hostWidget()->maximumSize(), QSize(400, 351));

    auto fixed = make<Window>(MakeRect(0, 0, 300, 300), TitledWindowMask);
    fixed->setMinSize(MakeSize(200, 150));
    EXPECT_EQ(fixed->hostWidget()->minimumSize(), QSize(300, 300)) << "a fixed window keeps its size";
}

// A window manager that ignores the limits: the resize clamps back, and the native window too.
TEST(WindowSizeLimits, AUserResizeBelowTheMinimumPutsTheNativeWindowBack)
{
    auto w = make<Window>(MakeRect(0, 0, 200, 200), TitledWindowMask | ResizableWindowMask);
    w->setMinSize(MakeSize(200, 200));
    w->orderFront();
    w->hostWidget()->setMinimumSize(0, 0);
    w->hostWidget()->resize(50, 50);
    w->userDidResize(ScreenRectFromQt(QRectF(w->hostWidget()->geometry())));
    EXPECT_EQ(w->frame().size, MakeSize(200, 200));
    EXPECT_EQ(w->hostWidget()->size(), QSize(200, 200));
    Application::resetForTesting();
}

} // namespace
