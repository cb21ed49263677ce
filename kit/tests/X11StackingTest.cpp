// Stacking on a real X server: the window under a point is the topmost as the window manager left
// it, whatever order the kit made the windows in.
// Real X11 only: under xvfb-run with QT_QPA_PLATFORM=xcb. Elsewhere the tests skip themselves.

#include "kit/appkit/Dragging.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/x11/QtXcbConnection.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <xcb/xcb.h>

namespace {

using namespace kit;

namespace x11stacking {

// Another client of the server restacks a window, as a window manager does on a click.
void raiseOnServer(const Window& window)
{
    // What Qt asked before, the server has done first.
    xcb_connection_t* qt = qtXcbConnection();
    std::free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, xcb_window_t(window.hostWidget()->winId()), XCB_CONFIG_WINDOW_STACK_MODE, &above);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // a round trip: done
    xcb_disconnect(c);
}

TEST(X11Stacking, TheWindowUnderAPointIsTheTopmostOnTheServerNotTheNewest)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    auto older = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask);
    auto newer = make<Window>(MakeRect(250, 150, 300, 200), TitledWindowMask);
    older->orderFront();
    newer->orderFront();
    // The user clicks the older window: the window manager raises it, the kit hears nothing.
    raiseOnServer(*older);
    // Drag images lie on top, under the pointer, and never count: the kit's own, and a window of
    // Qt's (a drag's pixmap) that takes input on the server.
    auto image = make<Window>(MakeRect(290, 190, 40, 40), BorderlessWindowMask);
    image->setIgnoresMouseEvents(true);
    image->orderFront();
    QWidget pixmap(nullptr, Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    pixmap.setGeometry(QRect(QPoint(280, 580), QSize(60, 60))); // over (300, 200) in y-up points
    pixmap.show();
    ASSERT_TRUE(test::turnUntil([&] { return pixmap.windowHandle()->isExposed() && test::isExposedOnServer(*image); }));
    EXPECT_EQ(windowUnderDraggingPoint(MakePoint(300, 200), *newer), older);
    EXPECT_EQ(windowUnderDraggingPoint(MakePoint(500, 320), *newer), newer) << "outside the overlap";
    EXPECT_EQ(windowUnderDraggingPoint(MakePoint(150, 120), *newer), older);
    image->orderOut();
    older->orderOut();
    newer->orderOut();
}

} // namespace x11stacking

} // namespace
