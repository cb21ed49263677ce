#include "kit/appkit/Application.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/testsupport/MissingTool.h"
#include "kit/x11/XkbKeyboard.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

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

// Records the key events that reach it as first responder.
class KeyRecordingView : public View {
    KIT_CLASS(KeyRecordingView)
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const Event& e) override { seen.push_back(describe(e)); }
    void keyUp(const Event& e) override { seen.push_back(describe(e)); }
    void flagsChanged(const Event& e) override { seen.push_back(describe(e)); }

    static std::string describe(const Event& e)
    {
        QString line = QStringLiteral("%1 %2 %3").arg(e.type()).arg(e.keyCode()).arg(e.modifierFlags(), 0, 16);
        if (e.type() != FlagsChanged)
            line += QLatin1Char(' ') + e.characters() + QLatin1Char('/') + e.charactersIgnoringModifiers();
        return line.toStdString();
    }
    std::vector<std::string> seen;
};

KIT_REGISTER_CLASS(KeyRecordingView, View) { }

// A focused kit window on the X server whose view records the keys typed through the server's
// test extension.
class X11SmokeKeys : public testing::Test {
protected:
    void SetUp() override
    {
        if (!test::isRealX11())
            GTEST_SKIP() << "needs a real X server";
        view = make<KeyRecordingView>(MakeRect(0, 0, 200, 120));
        focused.emplace(view.get());
        ASSERT_TRUE(focused->ready);
    }

    void TearDown() override { focused.reset(); }

    // Presses (true) and releases (false) keys on the server, then collects what reaches the view.
    std::vector<std::string> type(const std::vector<std::pair<std::uint16_t, bool>>& strokes, std::size_t expectedEvents)
    {
        test::typeOnServer(strokes);
        view->seen.clear();
        test::turnUntil([&] { return view->seen.size() >= expectedEvents; });
        return view->seen;
    }

    Ref<KeyRecordingView> view;
    std::optional<test::FocusedX11Window> focused;
};

TEST_F(X11SmokeKeys, KeysCarryCapsLockAndTheFlagsAfterTheKey)
{
    const std::vector<std::string> expected = {
        "12 56 20000",
        "10 0 20000 A/A",
        "11 0 20000 A/A",
        "12 56 0",
        "12 57 10000",
        "10 0 10000 A/a",
        "11 0 10000 A/a",
        "12 57 0",
    };
    EXPECT_EQ(type({ { KeyCodeShift, true }, { KeyCodeA, true }, { KeyCodeA, false }, { KeyCodeShift, false }, { KeyCodeCapsLock, true },
                       { KeyCodeCapsLock, false }, { KeyCodeA, true }, { KeyCodeA, false }, { KeyCodeCapsLock, true },
                       { KeyCodeCapsLock, false } },
                  expected.size()),
        expected);
}

TEST_F(X11SmokeKeys, AKeymapLoadedOnTheServerIsFollowed)
{
    const std::uint16_t keyCodeY = 16;
    const auto strokeY = [&] { return type({ { keyCodeY, true }, { keyCodeY, false } }, 2); };
    EXPECT_EQ(strokeY(), (std::vector<std::string> { "10 16 0 y/y", "11 16 0 y/y" }));
    if (QProcess::execute(QStringLiteral("setxkbmap"), { QStringLiteral("de") }) != 0)
        KIT_SKIP_TEST_WITHOUT("setxkbmap");
    EXPECT_EQ(strokeY(), (std::vector<std::string> { "10 16 0 z/z", "11 16 0 z/z" }));
    QProcess::execute(QStringLiteral("setxkbmap"), { QStringLiteral("us") });
    EXPECT_EQ(strokeY(), (std::vector<std::string> { "10 16 0 y/y", "11 16 0 y/y" }));
}

} // namespace
