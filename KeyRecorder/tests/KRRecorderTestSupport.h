#pragma once

// A recorder in a key window, with a US layout, no hot keys, no main menu, scripted alerts and beeps
// counted; and key events built directly for the control's two key paths.

#include "KeyRecorder/KRRecorderControl.h"

#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/ScriptedPanels.h"
#include "kit/x11/XkbKeyboard.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace krtest {

inline constexpr std::uint16_t krCodeK = 40;
inline constexpr std::uint16_t krCodeSpace = 49;

inline kit::Ref<kit::Event> krKey(std::uint16_t code, const QString& characters, std::uint64_t flags, kit::EventType type = kit::KeyDown)
{
    return kit::Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
        type, kit::ZeroPoint, flags, 0, 0, nullptr, characters, characters, false, code);
}

class RecorderFixture : public testing::Test {
protected:
    void SetUp() override
    {
        kit::UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath(QStringLiteral("defaults.json")));
        kit::XkbKeyboard::resetSharedForTesting(kit::XkbKeyboard::fromNames({}));
        kit::ResetSymbolicHotKeysForTesting();
        kit::Menu::setMainMenu(nullptr);
        kit::setBeepHook([this] { ++beeps; });
        window = kit::make<kit::Window>(kit::MakeRect(100, 100, 300, 80), kit::TitledWindowMask);
        content = kit::make<kit::View>(kit::MakeRect(0, 0, 300, 80));
        window->setContentView(content.get());
        recorder = kit::make<KRRecorderControl>(kit::MakeRect(20, 30, 200, 22));
        content->addSubview(recorder.get());
        window->makeKeyAndOrderFront();
        window->makeFirstResponder(recorder.get());
    }
    void TearDown() override
    {
        recorder->removeFromSuperview();
        recorder = nullptr;
        window->orderOut();
        window->setContentView(nullptr);
        kit::setBeepHook({});
        kit::Menu::setMainMenu(nullptr);
        kit::ResetSymbolicHotKeysForTesting();
        kit::XkbKeyboard::resetSharedForTesting();
        kit::UserDefaults::resetStandardUserDefaultsForTesting();
    }
    KRRecorderCell& cell() const { return *recorder->recorderCell(); }
    void press(std::uint16_t code, const QString& characters, std::uint64_t flags = 0) { recorder->keyDown(*krKey(code, characters, flags)); }
    void startRecording() { press(krCodeSpace, QStringLiteral(" ")); }

    QTemporaryDir dir;
    kit::test::ScriptedAlertPresenter alerts;
    int beeps = 0;
    kit::Ref<kit::Window> window;
    kit::Ref<kit::View> content;
    kit::Ref<KRRecorderControl> recorder;
};

} // namespace krtest
