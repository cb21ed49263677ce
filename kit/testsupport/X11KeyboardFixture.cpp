#include "kit/testsupport/X11KeyboardFixture.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/x11/XkbKeyboard.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace kit::test {

bool isRealX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

bool turnUntil(const std::function<bool()>& done)
{
    QElapsedTimer limit;
    limit.start();
    while (!done() && limit.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

void typeOnServer(const std::vector<std::pair<std::uint16_t, bool>>& strokes)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t* connection = x11->connection();
    for (const auto& [code, down] : strokes)
        xcb_test_fake_input(
            connection, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, std::uint8_t(XkbFromKeyCode(code)), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection);
}

FocusedX11Window::FocusedX11Window(View* content, View* firstResponder, Rect frame)
{
    if (!isRealX11())
        return;
    XkbKeyboard::resetSharedForTesting();
    InputState::reset();
    window = make<Window>(frame, BorderlessWindowMask);
    window->setContentView(content);
    window->makeFirstResponder(firstResponder ? firstResponder : content);
    window->orderFront();
    QWidget* host = window->hostWidget();
    if (!turnUntil([&] { return host->windowHandle() && host->windowHandle()->isExposed(); }))
        return;
    host->activateWindow();
    if (!turnUntil([&] { return QGuiApplication::focusWindow() == host->windowHandle(); }))
        return;
    ready = XkbKeyboard::shared() && XkbKeyboard::shared()->followsServer();
}

FocusedX11Window::~FocusedX11Window()
{
    if (!window)
        return;
    window->orderOut();
    Application::resetForTesting();
    InputState::reset();
    XkbKeyboard::resetSharedForTesting();
}

} // namespace kit::test
