// Real X11 only (KeyRecorder_x11_tests under Xvfb); offscreen these skip themselves.

#include "KeyRecorder/KRRecorderControl.h"

#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/X11KeyboardFixture.h"

#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

namespace {

using namespace kit;

TEST(X11Recorder, TypedSpaceThenCtrlKRecordsAndSaves)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    QTemporaryDir dir;
    UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath(QStringLiteral("defaults.json")));
    ResetSymbolicHotKeysForTesting();
    auto content = make<View>(MakeRect(0, 0, 200, 120));
    auto recorder = make<KRRecorderControl>(MakeRect(10, 50, 180, 22));
    recorder->setAutosaveName(QStringLiteral("X11"));
    content->addSubview(recorder.get());
    {
        test::FocusedX11Window focused(content.get(), recorder.get());
        ASSERT_TRUE(focused.ready);
        constexpr std::uint16_t space = 49, ctrl = 55, k = 40;
        test::typeOnServer({ { space, true }, { space, false } });
        ASSERT_TRUE(test::turnUntil([&] { return recorder->recorderCell()->isRecording(); }));
        test::typeOnServer({ { ctrl, true }, { k, true }, { k, false }, { ctrl, false } });
        ASSERT_TRUE(test::turnUntil([&] { return recorder->keyCombo().code == k; }));
        EXPECT_EQ(recorder->keyCombo().flags, CommandKeyMask);
        EXPECT_FALSE(recorder->recorderCell()->isRecording());
        const Value record = UserDefaultsController::sharedUserDefaultsController()->values()->valueForKey(QStringLiteral("KeyRecorder X11"));
        ASSERT_TRUE(record.isDictionary());
        EXPECT_EQ(record.dictionary().objectForKey(QStringLiteral("keyCode")).integerValue(), 40);
        EXPECT_EQ(record.dictionary().objectForKey(QStringLiteral("modifiers")).integerValue(), 0x100);
    }
    recorder->removeFromSuperview();
    UserDefaults::resetStandardUserDefaultsForTesting();
}

TEST(X11Recorder, ARecorderThatCapturesGlobalHotKeysRecordsAShortcutAnotherClientGrabbed)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    ResetSymbolicHotKeysForTesting();
    auto content = make<View>(MakeRect(0, 0, 200, 120));
    auto recorder = make<KRRecorderControl>(MakeRect(10, 50, 180, 22));
    recorder->recorderCell()->setCanCaptureGlobalHotKeys(true);
    content->addSubview(recorder.get());
    constexpr std::uint16_t space = 49, ctrl = 55, alt = 58, t = 17;
    {
        test::FocusedX11Window focused(content.get(), recorder.get());
        ASSERT_TRUE(focused.ready);
        // The desktop's Ctrl+Alt+T, held by another client (Alt is the first X modifier here).
        test::ForeignKeyGrab desktop(t, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
        ASSERT_TRUE(desktop.ready);
        test::typeOnServer({ { space, true }, { space, false } });
        ASSERT_TRUE(test::turnUntil([&] { return recorder->recorderCell()->isRecording(); }));
        EXPECT_TRUE(SymbolicHotKeyModeHoldsKeyboard());
        test::typeOnServer({ { ctrl, true }, { alt, true }, { t, true }, { t, false }, { alt, false }, { ctrl, false } });
        ASSERT_TRUE(test::turnUntil([&] { return recorder->keyCombo().code == t; }));
        EXPECT_EQ(recorder->keyCombo().flags, CommandKeyMask | AlternateKeyMask);
        EXPECT_EQ(desktop.presses(), 0);
        // Recording over, the shortcut is the desktop's again.
        EXPECT_FALSE(SymbolicHotKeyModeHoldsKeyboard());
        test::typeOnServer({ { ctrl, true }, { alt, true }, { t, true }, { t, false }, { alt, false }, { ctrl, false } });
        EXPECT_TRUE(test::turnUntil([&] { return desktop.presses() == 1; }));
    }
    recorder->removeFromSuperview();
}

} // namespace
