#include "kit/appkit/Application.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

using namespace kit;

// Real X11 only: run the suite under xvfb-run with QT_QPA_PLATFORM=xcb. Elsewhere it skips.
TEST(X11Smoke, AWindowPlacedAtAYUpScreenPositionLandsThere)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a real X server";
    auto window = make<Window>(MakeRect(100, 50, 200, 120), BorderlessWindowMask);
    window->orderFront();
    QWidget* host = window->hostWidget();
    // The server maps the window asynchronously; give it a bounded number of turns.
    QElapsedTimer limit;
    limit.start();
    while (!(host->windowHandle() && host->windowHandle()->isExposed()) && limit.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(host->windowHandle() && host->windowHandle()->isExposed());
    const Rect screen = Screen::screens().front()->frame();
    const QPoint topLeft = host->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(topLeft, QPoint(100, int(screen.height()) - 50 - 120));
    EXPECT_EQ(window->frame(), MakeRect(100, 50, 200, 120));
    window->orderOut();
    Application::resetForTesting();
}

} // namespace
