// The recorder page in process: under the gallery's main menu, whose shortcuts it refuses and
// which it leaves as it is, Close Window included.

#include "gallery/MainMenu.h"
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
constexpr std::uint16_t pageCodeW = 13;
constexpr std::uint16_t pageCodeSpace = 49;
constexpr std::uint16_t pageCodeEscape = 53;

TEST(KeyRecorderPage, CtrlQNamesTheGallerysQuitAndRecordsNothing)
{
    QTemporaryDir dir;
    UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath(QStringLiteral("defaults.json")));
    XkbKeyboard::resetSharedForTesting(XkbKeyboard::fromNames({}));
    ResetSymbolicHotKeysForTesting();
    const Ref<GalleryMainMenu> commands = GalleryMainMenu::install();
    const Ref<Menu> installed = Menu::mainMenu();
    test::ScriptedAlertPresenter alerts;
    {
        auto window = make<Window>(MakeRect(100, 100, 900, 600), TitledWindowMask | ClosableWindowMask);
        const Ref<View> page = makeKeyRecorderPage(MakeRect(0, 0, 900, 600));
        window->contentView()->addSubview(page.get());
        window->makeKeyAndOrderFront();
        EXPECT_EQ(Menu::mainMenu(), installed);

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
        // Both menu shortcuts are refused, each alert spelling the keys as this desktop does.
        const struct {
            std::uint16_t code;
            const char* key;
            const char* title;
            const char* item;
        } taken[] = { { pageCodeW, "w", "The key combination Ctrl + W can't be used!", "\"Close Window\"" },
            { pageCodeQ, "q", "The key combination Ctrl + Q can't be used!", "\"Quit Gallery\"" } };
        window->makeFirstResponder(recorder.get());
        test::EventScript script(window.get());
        for (const auto& t : taken) {
            alerts.shown.clear();
            script.key(pageCodeSpace, QStringLiteral(" ")).keyDown(t.code, QString::fromLatin1(t.key), CommandKeyMask);
            script.run();
            EXPECT_TRUE(recorder->recorderCell()->isRecording()) << t.key;
            script.key(pageCodeEscape, QString(QChar(0x1B)));
            script.run();
            ASSERT_EQ(alerts.shown.size(), 1u) << t.key;
            EXPECT_EQ(alerts.shown[0].messageText, QString::fromUtf8(t.title));
            EXPECT_TRUE(alerts.shown[0].informativeText.contains(QString::fromUtf8(t.item))) << alerts.shown[0].informativeText.toStdString();
            EXPECT_EQ(recorder->recorderCell()->keyCombo(), KRKeyCombo {}) << t.key;
            EXPECT_TRUE(window->isVisible()) << t.key;
        }
        // Away from the recorder, Ctrl+W closes the page's window.
        window->makeFirstResponder(nullptr);
        script.keyDown(pageCodeW, QStringLiteral("w"), CommandKeyMask);
        script.run();
        EXPECT_FALSE(window->isVisible());
        page->removeFromSuperview();
        EXPECT_EQ(Menu::mainMenu(), installed);
        window->orderOut();
    }
    Menu::setMainMenu(nullptr);
    ResetSymbolicHotKeysForTesting();
    XkbKeyboard::resetSharedForTesting();
    UserDefaults::resetStandardUserDefaultsForTesting();
}

} // namespace
