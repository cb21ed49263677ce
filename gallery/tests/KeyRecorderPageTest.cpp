// The recorder page in process: while shown it has a main menu, so that a menu shortcut is refused.

#include "gallery/pages/KeyRecorderPage.h"

#include "KeyRecorder/KRRecorderControl.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/controls/TextField.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ScriptedPanels.h"
#include "kit/x11/XkbKeyboard.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace kit;

constexpr std::uint16_t pageCodeQ = 12;
constexpr std::uint16_t pageCodeSpace = 49;

TEST(KeyRecorderPage, CtrlQNamesTheGallerysQuitAndRecordsNothing)
{
    QTemporaryDir dir;
    UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath(QStringLiteral("defaults.json")));
    XkbKeyboard::resetSharedForTesting(XkbKeyboard::fromNames({}));
    ResetSymbolicHotKeysForTesting();
    auto before = make<Menu>(QStringLiteral("Before"));
    Menu::setMainMenu(before);
    test::ScriptedAlertPresenter alerts;
    {
        auto window = make<Window>(MakeRect(100, 100, 900, 600), TitledWindowMask);
        const Ref<View> page = makeKeyRecorderPage(MakeRect(0, 0, 900, 600));
        window->contentView()->addSubview(page.get());
        window->makeKeyAndOrderFront();
        ASSERT_NE(Menu::mainMenu(), before);

        Ref<KRRecorderControl> recorder;
        QStringList labels;
        for (const Ref<View>& v : page->subviews()) {
            if (!recorder)
                recorder = dynamic_pointer_cast<KRRecorderControl>(v);
            if (const auto label = dynamic_pointer_cast<TextField>(v))
                labels << label->stringValue();
        }
        ASSERT_TRUE(recorder);
        EXPECT_TRUE(labels.contains(QStringLiteral("Bound value: none"))) << "nothing recorded yet: " << labels.join(QStringLiteral(" | ")).toStdString();
        window->makeFirstResponder(recorder.get());
        test::EventScript script(window.get());
        script.key(pageCodeSpace, QStringLiteral(" ")).keyDown(pageCodeQ, QStringLiteral("q"), CommandKeyMask);
        script.run();
        ASSERT_EQ(alerts.shown.size(), 1u);
        EXPECT_TRUE(alerts.shown[0].informativeText.contains(QStringLiteral("\"Quit Gallery\""))) << alerts.shown[0].informativeText.toStdString();
        EXPECT_EQ(recorder->recorderCell()->keyCombo(), KRKeyCombo {});

        // Leaving the window gives back the menu the page replaced.
        page->removeFromSuperview();
        EXPECT_EQ(Menu::mainMenu(), before);
        window->orderOut();
    }
    Menu::setMainMenu(nullptr);
    ResetSymbolicHotKeysForTesting();
    XkbKeyboard::resetSharedForTesting();
    UserDefaults::resetStandardUserDefaultsForTesting();
}

} // namespace
