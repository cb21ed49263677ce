// Real X11, without a window manager and under openbox: Ctrl+Q typed on the server with three
// titled windows open quits at once, as the user's one press must; Qt's own quit would stop at the
// first window that stays.

#include "kit/appkit/Application.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/testsupport/X11WindowManagerFixture.h"
#include "kit/testsupport/MissingTool.h"
#include "kit/x11/XkbKeyboard.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace kit;

constexpr std::uint16_t codeQ = 12;

class X11Quit : public testing::TestWithParam<bool> { };

TEST_P(X11Quit, OneCtrlQWithThreeWindowsOpenEndsTheLoop)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    std::optional<test::WindowManagerOnServer> manager;
    if (GetParam()) {
        if (!test::WindowManagerOnServer::available())
            KIT_SKIP_TEST_WITHOUT("openbox");
        manager.emplace();
        ASSERT_TRUE(manager->start());
    }
    XkbKeyboard::resetSharedForTesting();
    InputState::reset();
    auto commands = make<Menu>(QStringLiteral("App"));
    commands->addItemWithTitleActionKeyEquivalent(QStringLiteral("Quit"), Selector("terminate"), QStringLiteral("q"));
    auto item = make<MenuItem>(commands->title(), Selector(), QString());
    item->setSubmenu(commands);
    auto main = make<Menu>(QStringLiteral("Main"));
    main->addItem(item);
    Menu::setMainMenu(main);
    std::vector<Ref<Window>> windows;
    for (int i = 0; i < 3; ++i) {
        windows.push_back(make<Window>(MakeRect(100 + 250 * i, 300, 200, 120), TitledWindowMask | ClosableWindowMask));
        windows.back()->makeKeyAndOrderFront();
    }
    ASSERT_TRUE(test::turnUntil([&] {
        return std::all_of(windows.begin(), windows.end(), [](const Ref<Window>& w) { return test::isExposedOnServer(*w); });
    }));
    QWidget* key = windows.back()->hostWidget();
    key->activateWindow();
    ASSERT_TRUE(test::turnUntil([&] { return QGuiApplication::focusWindow() == key->windowHandle(); }));

    QObject fallback;
    QTimer::singleShot(0, [&] {
        test::typeOnServer({ { KeyCodeCommand, true }, { codeQ, true }, { codeQ, false }, { KeyCodeCommand, false } });
        // The same bound turnUntil gives the server.
        QTimer::singleShot(5000, &fallback, [] { QCoreApplication::exit(7); });
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    for (const Ref<Window>& w : windows) {
        EXPECT_FALSE(w->isVisible());
        EXPECT_FALSE(w->hostWidget()->isVisible());
    }
    Menu::setMainMenu(nullptr);
    Application::resetForTesting();
    InputState::reset();
    XkbKeyboard::resetSharedForTesting();
}

INSTANTIATE_TEST_SUITE_P(Managers, X11Quit, testing::Bool(),
    [](const testing::TestParamInfo<bool>& info) { return std::string(info.param ? "Openbox" : "NoManager"); });

} // namespace
