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

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>
// The XKB protocol header names a field after a C++ keyword.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit xkbExplicitField
#include <xcb/xkb.h>
#undef explicit
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

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

void sendPointerOnServer(const X11PointerStep& step)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    switch (step.kind) {
    case X11PointerStep::Move:
        xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, std::int16_t(step.global.x()),
            std::int16_t(step.global.y()), 0);
        break;
    case X11PointerStep::Press:
        xcb_test_fake_input(connection, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        break;
    case X11PointerStep::Release:
        xcb_test_fake_input(connection, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        break;
    }
    xcb_flush(connection);
}

bool isExposedOnServer(const Window& window)
{
    QWidget* host = window.hostWidget();
    return host->windowHandle() && host->windowHandle()->isExposed();
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

void lockGroupOnServer(std::uint8_t group)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t* connection = x11->connection();
    xcb_xkb_latch_lock_state(connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0);
    xcb_flush(connection);
}

struct ForeignKeyGrab::Connection {
    xcb_connection_t* c = nullptr;
};

ForeignKeyGrab::ForeignKeyGrab(std::uint16_t keyCode, std::uint16_t coreModifiers)
    : connection_(new Connection { xcb_connect(nullptr, nullptr) })
{
    xcb_connection_t* c = connection_->c;
    if (xcb_connection_has_error(c))
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_generic_error_t* error = xcb_request_check(c,
        xcb_grab_key_checked(c, 1, root, coreModifiers, std::uint8_t(XkbFromKeyCode(keyCode)), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    ready = error == nullptr;
    std::free(error);
}

ForeignKeyGrab::~ForeignKeyGrab()
{
    xcb_disconnect(connection_->c);
    delete connection_;
}

int ForeignKeyGrab::presses()
{
    while (xcb_generic_event_t* e = xcb_poll_for_event(connection_->c)) {
        if ((e->response_type & 0x7F) == XCB_KEY_PRESS)
            ++presses_;
        std::free(e);
    }
    return presses_;
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
