#include "components/HKHotKey/HKHotKeyCenter.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

using namespace kit;

constexpr std::uint16_t x11KeyK = 40;
constexpr std::uint16_t x11KeyJ = 38;
constexpr std::uint8_t x11NumLockKey = 77; // the X key code of Num Lock (evdev 69)

bool x11TurnUntil(const std::function<bool()>& done)
{
    // The server answers asynchronously; give it a bounded number of turns.
    QElapsedTimer limit;
    limit.start();
    while (!done() && limit.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// A few more turns, for events that must not come.
void x11Drain()
{
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

xcb_connection_t* x11QtConnection() { return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection(); }

// Another client of the same server, which grabs keys for itself.
class X11OtherClient {
public:
    X11OtherClient()
        : c_(xcb_connect(nullptr, nullptr))
    {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~X11OtherClient() { xcb_disconnect(c_); }
    X11OtherClient(const X11OtherClient&) = delete;
    X11OtherClient& operator=(const X11OtherClient&) = delete;

    // Whether the server let this client grab the key with exactly these modifiers.
    bool grab(std::uint8_t keycode, std::uint16_t mods)
    {
        xcb_generic_error_t* error = xcb_request_check(
            c_, xcb_grab_key_checked(c_, 1, root_, mods, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
};

constexpr std::uint16_t x11CtrlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
// Xvfb's keyboard keeps Num Lock on Mod2.
const std::vector<std::uint16_t> x11LockVariants = { 0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2 };

class X11HotKeys : public testing::Test {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs a real X server";
        HotKeyService::resetForTesting();
        ASSERT_TRUE(HotKeyService::isAvailable());
        center = make<HKHotKeyCenter>();
    }
    void TearDown() override
    {
        HKHotKeyCenter::resetForTesting();
        HotKeyService::resetForTesting();
        ResetSymbolicHotKeysForTesting();
        Application::resetForTesting();
    }

    bool registerCtrlShiftK()
    {
        return center->registerHotKeyWithKeyCodeModifierFlagsTask(x11KeyK, CommandKeyMask | ShiftKeyMask, [this](Event* e) {
            ++fired;
            flags.push_back(e->modifierFlags());
        });
    }

    // Presses (true) or releases (false) keys of the platform's key codes through the test extension.
    static void send(const std::vector<std::pair<std::uint16_t, bool>>& strokes)
    {
        for (const auto& [code, down] : strokes)
            sendRaw(std::uint8_t(XkbFromKeyCode(code)), down);
    }
    // `delayMs`: the server waits that long before it takes the stroke (so it gets a later time).
    static void sendRaw(std::uint8_t xkbCode, bool down, std::uint32_t delayMs = XCB_CURRENT_TIME)
    {
        xcb_test_fake_input(x11QtConnection(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, xkbCode, delayMs, XCB_NONE, 0, 0, 0);
        xcb_flush(x11QtConnection());
    }
    // Blocks this (the main) thread until the server has taken everything sent so far: the events
    // it made wait, queued, for the event loop.
    static void waitForTheServer()
    {
        std::free(xcb_get_input_focus_reply(x11QtConnection(), xcb_get_input_focus(x11QtConnection()), nullptr));
    }
    bool registerCtrl(std::uint16_t key, std::vector<char>& order, char name)
    {
        return center->registerHotKeyWithKeyCodeModifierFlagsTask(key, CommandKeyMask, [&order, name](Event*) { order.push_back(name); });
    }

    Ref<HKHotKeyCenter> center;
    int fired = 0;
    std::vector<std::uint64_t> flags;
};

TEST_F(X11HotKeys, CtrlShiftKFiresOnceAtTheRelease)
{
    ASSERT_TRUE(registerCtrlShiftK());
    send({ { KeyCodeCommand, true }, { KeyCodeShift, true }, { x11KeyK, true } });
    x11Drain();
    EXPECT_EQ(fired, 0);
    send({ { x11KeyK, false }, { KeyCodeShift, false }, { KeyCodeCommand, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return fired == 1; }));
    x11Drain();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(flags.front() & (CommandKeyMask | ShiftKeyMask), CommandKeyMask | ShiftKeyMask);
}

TEST_F(X11HotKeys, AHeldKeyFiresOnceOnTheRealRelease)
{
    ASSERT_TRUE(registerCtrlShiftK());
    send({ { KeyCodeCommand, true }, { KeyCodeShift, true }, { x11KeyK, true }, { x11KeyK, true }, { x11KeyK, true } });
    x11Drain();
    EXPECT_EQ(fired, 0);
    send({ { x11KeyK, false }, { KeyCodeShift, false }, { KeyCodeCommand, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return fired == 1; }));
    x11Drain();
    EXPECT_EQ(fired, 1);
}

// Ctrl+K and Ctrl+J rolled: each fires at its own release, once.
TEST_F(X11HotKeys, ARolledChordFiresEachHotKeyAtItsRelease)
{
    std::vector<char> order;
    ASSERT_TRUE(registerCtrl(x11KeyK, order, 'K'));
    ASSERT_TRUE(registerCtrl(x11KeyJ, order, 'J'));
    send({ { KeyCodeCommand, true }, { x11KeyK, true }, { x11KeyJ, true } });
    x11Drain();
    EXPECT_TRUE(order.empty());
    send({ { x11KeyK, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return order.size() == 1; }));
    x11Drain();
    EXPECT_EQ(order, std::vector<char>({ 'K' })) << "K fires before J goes up";
    send({ { x11KeyJ, false }, { KeyCodeCommand, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return order.size() == 2; }));
    x11Drain();
    EXPECT_EQ(order, std::vector<char>({ 'K', 'J' }));

    // Nothing of the chord is left open: single presses fire once each.
    send({ { KeyCodeCommand, true }, { x11KeyK, true }, { x11KeyK, false }, { KeyCodeCommand, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return order.size() == 3; }));
    send({ { KeyCodeCommand, true }, { x11KeyJ, true }, { x11KeyJ, false }, { KeyCodeCommand, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return order.size() == 4; }));
    x11Drain();
    EXPECT_EQ(order, std::vector<char>({ 'K', 'J', 'K', 'J' }));
}

// Two taps 60 ms apart, read only after both: a press at another time than the release before it
// is a new press, not auto-repeat.
TEST_F(X11HotKeys, TwoTapsQueuedBehindABusyMainThreadFireTwice)
{
    ASSERT_TRUE(registerCtrlShiftK());
    const auto k = std::uint8_t(XkbFromKeyCode(x11KeyK));
    send({ { KeyCodeCommand, true }, { KeyCodeShift, true } });
    sendRaw(k, true);
    sendRaw(k, false);
    sendRaw(k, true, 60);
    sendRaw(k, false);
    send({ { KeyCodeShift, false }, { KeyCodeCommand, false } });
    waitForTheServer();
    EXPECT_TRUE(x11TurnUntil([&] { return fired == 2; }));
    x11Drain();
    EXPECT_EQ(fired, 2);
}

TEST_F(X11HotKeys, ItFiresWithNumLockOn)
{
    ASSERT_TRUE(registerCtrlShiftK());
    sendRaw(x11NumLockKey, true);
    sendRaw(x11NumLockKey, false);
    send({ { KeyCodeCommand, true }, { KeyCodeShift, true }, { x11KeyK, true }, { x11KeyK, false }, { KeyCodeShift, false },
        { KeyCodeCommand, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return fired == 1; }));
    sendRaw(x11NumLockKey, true);
    sendRaw(x11NumLockKey, false);
    x11Drain();
    EXPECT_EQ(fired, 1);
}

TEST_F(X11HotKeys, ModifiersLetGoBeforeTheKeyStillFireOnce)
{
    ASSERT_TRUE(registerCtrlShiftK());
    send({ { KeyCodeCommand, true }, { KeyCodeShift, true }, { x11KeyK, true }, { KeyCodeCommand, false }, { KeyCodeShift, false } });
    x11Drain();
    EXPECT_EQ(fired, 0);
    send({ { x11KeyK, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return fired == 1; }));
    x11Drain();
    EXPECT_EQ(fired, 1);
}

TEST_F(X11HotKeys, AGrabOfAnotherClientRefusesAndLeavesNoVariantGrabbed)
{
    const auto keycode = std::uint8_t(XkbFromKeyCode(x11KeyK));
    X11OtherClient first;
    ASSERT_TRUE(first.grab(keycode, x11CtrlShift | XCB_MOD_MASK_LOCK));
    EXPECT_FALSE(registerCtrlShiftK());
    EXPECT_TRUE(center->registeredHotKeys().empty());
    EXPECT_TRUE(CopySymbolicHotKeys().empty());
    X11OtherClient third;
    EXPECT_TRUE(third.grab(keycode, x11CtrlShift));
    EXPECT_TRUE(third.grab(keycode, x11CtrlShift | XCB_MOD_MASK_2));
}

TEST_F(X11HotKeys, UnregisteringFreesAllFourVariants)
{
    const auto keycode = std::uint8_t(XkbFromKeyCode(x11KeyK));
    ASSERT_TRUE(registerCtrlShiftK());
    {
        X11OtherClient other;
        for (const std::uint16_t variant : x11LockVariants)
            EXPECT_FALSE(other.grab(keycode, x11CtrlShift | variant)) << variant;
    }
    center->unregisterHotKeyWithKeyCodeModifierFlags(x11KeyK, CommandKeyMask | ShiftKeyMask);
    X11OtherClient other;
    for (const std::uint16_t variant : x11LockVariants)
        EXPECT_TRUE(other.grab(keycode, x11CtrlShift | variant)) << variant;
}

TEST_F(X11HotKeys, CapsLockAloneGrabsTheBareKey)
{
    const auto keycode = std::uint8_t(XkbFromKeyCode(x11KeyK));
    ASSERT_TRUE(center->registerHotKeyWithKeyCodeModifierFlagsTask(x11KeyK, AlphaShiftKeyMask, [this](Event*) { ++fired; }));
    X11OtherClient other;
    EXPECT_FALSE(other.grab(keycode, 0));
    send({ { x11KeyK, true }, { x11KeyK, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return fired == 1; }));
}

TEST_F(X11HotKeys, AKeyWindowStaysKeyThroughTheGrab)
{
    auto window = make<Window>(MakeRect(100, 50, 200, 120), TitledWindowMask);
    window->orderFront();
    QWidget* host = window->hostWidget();
    ASSERT_TRUE(x11TurnUntil([&] { return host->windowHandle() && host->windowHandle()->isExposed(); }));
    host->activateWindow();
    window->makeKeyWindow();
    ASSERT_TRUE(x11TurnUntil([&] { return QGuiApplication::focusWindow() == host->windowHandle(); }));
    ASSERT_TRUE(window->isKeyWindow());
    ASSERT_TRUE(registerCtrlShiftK());
    send({ { KeyCodeCommand, true }, { KeyCodeShift, true }, { x11KeyK, true } });
    x11Drain();
    EXPECT_TRUE(window->isKeyWindow());
    send({ { x11KeyK, false }, { KeyCodeShift, false }, { KeyCodeCommand, false } });
    EXPECT_TRUE(x11TurnUntil([&] { return fired == 1; }));
    EXPECT_TRUE(window->isKeyWindow()) << "at fire";
    x11Drain();
    EXPECT_TRUE(window->isKeyWindow()) << (QGuiApplication::focusWindow() == host->windowHandle());
    window->orderOut();
}

} // namespace
