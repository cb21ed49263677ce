// The keyboard against a real X server (kit_x11_tests under Xvfb; offscreen the X11 cases skip
// themselves): taking the keyboard from other clients while hot keys are off, and following
// keymap and layout changes made on the server without a key being typed.

#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/appkit/View.h"
#include "kit/core/NotificationCenter.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/testsupport/MissingTool.h"
#include "kit/x11/XkbKeyboard.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <optional>
#include <xcb/xcb.h>

namespace {

using namespace kit;

constexpr std::uint16_t keyboardTestKeyT = 17, keyboardTestKeyY = 16;

// Counts the key presses that reach it as first responder.
class PressCountingView : public View {
    KIT_CLASS(PressCountingView)
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const Event& e) override
    {
        if (e.keyCode() != keyboardTestKeyT)
            return;
        lastFlags = e.modifierFlags();
        ++presses;
    }
    int presses = 0;
    std::uint64_t lastFlags = 0;
};

KIT_REGISTER_CLASS(PressCountingView, View) { }

void typeCtrlAltT()
{
    test::typeOnServer({ { KeyCodeCommand, true }, { KeyCodeOption, true }, { keyboardTestKeyT, true }, { keyboardTestKeyT, false },
        { KeyCodeOption, false }, { KeyCodeCommand, false } });
}

TEST(X11KeyboardHold, WhileHotKeysAreOffTheKeyWindowTakesKeysAnotherClientGrabbed)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    ResetSymbolicHotKeysForTesting();
    auto view = make<PressCountingView>(MakeRect(0, 0, 200, 120));
    test::FocusedX11Window focused(view.get());
    ASSERT_TRUE(focused.ready);
    test::ForeignKeyGrab other(keyboardTestKeyT, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
    ASSERT_TRUE(other.ready);

    const SymbolicHotKeyModeToken token = PushSymbolicHotKeyMode(SymbolicHotKeyMode::AllDisabled);
    EXPECT_TRUE(SymbolicHotKeyModeHoldsKeyboard());
    typeCtrlAltT();
    ASSERT_TRUE(test::turnUntil([&] { return view->presses == 1; }));
    EXPECT_EQ(view->lastFlags & (CommandKeyMask | AlternateKeyMask), CommandKeyMask | AlternateKeyMask);
    EXPECT_EQ(other.presses(), 0);

    // The pop gives the shortcut back to its owner.
    PopSymbolicHotKeyMode(token);
    EXPECT_FALSE(SymbolicHotKeyModeHoldsKeyboard());
    typeCtrlAltT();
    EXPECT_TRUE(test::turnUntil([&] { return other.presses() == 1; }));
    EXPECT_EQ(view->presses, 1);
}

TEST(X11KeyboardHold, TheHoldEndsWhenTheWindowClosesThoughTheTokenIsStillHeld)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    ResetSymbolicHotKeysForTesting();
    auto view = make<PressCountingView>(MakeRect(0, 0, 200, 120));
    std::optional<test::FocusedX11Window> focused(std::in_place, view.get());
    ASSERT_TRUE(focused->ready);
    const SymbolicHotKeyModeToken token = PushSymbolicHotKeyMode(SymbolicHotKeyMode::AllDisabled);
    ASSERT_TRUE(SymbolicHotKeyModeHoldsKeyboard());
    focused->window->close();
    EXPECT_FALSE(SymbolicHotKeyModeHoldsKeyboard());
    // Hot keys stay off for as long as the token is held.
    EXPECT_FALSE(SymbolicHotKeysEnabled());
    PopSymbolicHotKeyMode(token);
    EXPECT_TRUE(SymbolicHotKeysEnabled());
}

TEST(KeyboardHold, OffscreenOnlyTheHotKeysAreSuspended)
{
    if (test::isRealX11())
        GTEST_SKIP() << "offscreen only";
    ResetSymbolicHotKeysForTesting();
    const SymbolicHotKeyModeToken token = PushSymbolicHotKeyMode(SymbolicHotKeyMode::AllDisabled);
    EXPECT_FALSE(SymbolicHotKeysEnabled());
    EXPECT_FALSE(SymbolicHotKeyModeHoldsKeyboard());
    PopSymbolicHotKeyMode(token);
    EXPECT_TRUE(SymbolicHotKeysEnabled());
}

// Counts layout notifications while it lives.
class LayoutNotifications {
public:
    LayoutNotifications()
        : token_(NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
              NotifySelectedKeyboardInputSourceChanged, nullptr, nullptr, [this](Notification*) { ++count; }))
    {
    }
    ~LayoutNotifications() { NotificationCenter::defaultCenter()->removeObserver(token_.get()); }
    LayoutNotifications(const LayoutNotifications&) = delete;
    LayoutNotifications& operator=(const LayoutNotifications&) = delete;
    int count = 0;

private:
    Ref<Object> token_;
};

// A window is focused so that the shared keyboard follows the server; no key is typed.
class X11KeyboardFollows : public testing::Test {
protected:
    void SetUp() override
    {
        if (!test::isRealX11())
            GTEST_SKIP() << "needs a real X server";
        if (QProcess::execute(QStringLiteral("setxkbmap"), { QStringLiteral("us") }) != 0)
            KIT_SKIP_TEST_WITHOUT("setxkbmap");
        view = make<View>(MakeRect(0, 0, 200, 120));
        focused.emplace(view.get());
        ASSERT_TRUE(focused->ready);
    }
    void TearDown() override
    {
        if (!test::isRealX11())
            return;
        test::lockGroupOnServer(0);
        QProcess::execute(QStringLiteral("setxkbmap"), { QStringLiteral("us") });
        focused.reset();
    }

    static QString keyY() { return XkbKeyboard::shared()->charactersForKey(XkbFromKeyCode(keyboardTestKeyY), false); }

    Ref<View> view;
    std::optional<test::FocusedX11Window> focused;
};

TEST_F(X11KeyboardFollows, AKeymapLoadedOnTheServerIsTakenWhenItsEventArrives)
{
    ASSERT_EQ(keyY(), QStringLiteral("y"));
    LayoutNotifications notes;
    ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), { QStringLiteral("de") }), 0);
    ASSERT_TRUE(test::turnUntil([&] { return notes.count > 0; }));
    EXPECT_EQ(keyY(), QStringLiteral("z"));
}

TEST_F(X11KeyboardFollows, ALayoutLockedOnTheServerIsFollowedAndAnnounced)
{
    ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), { QStringLiteral("-layout"), QStringLiteral("us,de") }), 0);
    ASSERT_TRUE(test::turnUntil([&] { return keyY() == QStringLiteral("y"); }));
    LayoutNotifications notes;
    test::lockGroupOnServer(1);
    ASSERT_TRUE(test::turnUntil([&] { return notes.count == 1; }));
    EXPECT_EQ(keyY(), QStringLiteral("z"));
    test::lockGroupOnServer(0);
    ASSERT_TRUE(test::turnUntil([&] { return notes.count == 2; }));
    EXPECT_EQ(keyY(), QStringLiteral("y"));
}

} // namespace
