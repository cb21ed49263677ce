// Stacking on a real X server: the window under a point is the topmost as the window manager left
// it, whatever order the kit made the windows in; a borderless child window and a sheet are the
// kit's own (unmanaged): the child stays over its parent and takes no focus, the sheet stays on
// its window's content.
// Real X11 only: under xvfb-run with QT_QPA_PLATFORM=xcb. Elsewhere the tests skip themselves.

#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Alert.h"
#include "kit/controls/OpenPanel.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/x11/QtXcbConnection.h"
#include "kit/x11/Stacking.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>
#include <xcb/xcb.h>

namespace {

using namespace kit;

namespace x11stacking {

// Another client of the server restacks a window, as a window manager does on a click.
void raiseOnServer(const Window& window)
{
    // What Qt asked before, the server has done first.
    xcb_connection_t* qt = qtXcbConnection();
    std::free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, xcb_window_t(window.hostWidget()->winId()), XCB_CONFIG_WINDOW_STACK_MODE, &above);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // a round trip: done
    xcb_disconnect(c);
}

TEST(X11Stacking, TheWindowUnderAPointIsTheTopmostOnTheServerNotTheNewest)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    auto older = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask);
    auto newer = make<Window>(MakeRect(250, 150, 300, 200), TitledWindowMask);
    older->orderFront();
    newer->orderFront();
    // The user clicks the older window: the window manager raises it, the kit hears nothing.
    raiseOnServer(*older);
    // Drag images lie on top, under the pointer, and never count: the kit's own, and a window of
    // Qt's (a drag's pixmap) that takes input on the server.
    auto image = make<Window>(MakeRect(290, 190, 40, 40), BorderlessWindowMask);
    image->setIgnoresMouseEvents(true);
    image->orderFront();
    QWidget pixmap(nullptr, Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    pixmap.setGeometry(QRect(QPoint(280, 580), QSize(60, 60))); // over (300, 200) in y-up points
    pixmap.show();
    ASSERT_TRUE(test::turnUntil([&] { return pixmap.windowHandle()->isExposed() && test::isExposedOnServer(*image); }));
    EXPECT_EQ(windowUnderDraggingPoint(MakePoint(300, 200), *newer), older);
    EXPECT_EQ(windowUnderDraggingPoint(MakePoint(500, 320), *newer), newer) << "outside the overlap";
    EXPECT_EQ(windowUnderDraggingPoint(MakePoint(150, 120), *newer), older);
    image->orderOut();
    older->orderOut();
    newer->orderOut();
}

// New flags (here: staying on top) give a window a new native window; the stacking is asked about
// that one, not the one they took down.
TEST(X11Stacking, AWindowGivenNewFlagsIsFoundUnderAPointByItsNewNativeWindow)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    auto floating = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask);
    auto other = make<Window>(MakeRect(250, 150, 300, 200), TitledWindowMask);
    floating->orderFront();
    other->orderFront();
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*floating) && test::isExposedOnServer(*other); }));
    floating->setLevel(FloatingWindowLevel);
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*floating); }));
    EXPECT_EQ(windowUnderDraggingPoint(MakePoint(300, 200), *other), floating);
    floating->orderOut();
    other->orderOut();
}

class PressCounter : public View {
public:
    using View::View;
    void mouseDown(const Event&) override { ++presses; }
    int presses = 0;
};

xcb_window_t native(const Window& window) { return xcb_window_t(window.hostWidget()->winId()); }

void clickOnServer(const Window& window, QPoint local)
{
    const QPoint global = window.hostWidget()->mapToGlobal(local);
    test::sendPointerOnServer({ test::X11PointerStep::Move, global });
    test::sendPointerOnServer({ test::X11PointerStep::Press, global });
    test::sendPointerOnServer({ test::X11PointerStep::Release, global });
}

TEST(X11Stacking, ABorderlessChildIsUnmanagedStaysOverItsParentAndTakesNoFocus)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    auto parent = make<Window>(MakeRect(100, 100, 400, 300), TitledWindowMask);
    auto child = make<Window>(MakeRect(150, 150, 100, 60), BorderlessWindowMask);
    auto childView = make<PressCounter>(MakeRect(0, 0, 100, 60));
    child->setContentView(childView.get());
    parent->addChildWindowOrdered(child.get(), WindowAbove);
    parent->makeKeyAndOrderFront();
    child->orderFront();
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*parent) && test::isExposedOnServer(*child); }));
    parent->hostWidget()->activateWindow(); // the focus a window manager gives
    ASSERT_TRUE(test::turnUntil([&] {
        return test::isExposedOnServer(*parent) && test::isExposedOnServer(*child)
            && QGuiApplication::focusWindow() == parent->hostWidget()->windowHandle();
    }));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, native(*child)), nullptr);
    ASSERT_TRUE(attributes);
    EXPECT_TRUE(attributes->override_redirect) << "no window manager's frame or focus";
    std::free(attributes);

    // The window manager raises the parent (a click on its frame reaches no client); the kit puts
    // the child back over it.
    raiseOnServer(*parent);
    const std::vector<unsigned long> childOnTop { native(*parent), native(*child) };
    EXPECT_TRUE(test::turnUntil([&] { return stackingOnServer({ native(*parent), native(*child) }) == childOnTop; }));
    clickOnServer(*parent, QPoint(350, 50));
    EXPECT_TRUE(test::turnUntil([&] { return stackingOnServer({ native(*parent), native(*child) }) == childOnTop; }));

    // A click in the child reaches it and leaves the focus with the parent.
    clickOnServer(*child, QPoint(50, 30));
    ASSERT_TRUE(test::turnUntil([&] { return childView->presses == 1; }));
    xcb_flush(qtXcbConnection()); // whatever Qt asked of the server on the press has reached it
    xcb_get_input_focus_reply_t* focus = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus->focus, native(*parent));
    std::free(focus);
    EXPECT_TRUE(parent->isKeyWindow());
    xcb_disconnect(c);
    parent->removeChildWindow(child.get());
    child->orderOut();
    parent->orderOut();
}

xcb_window_t focusOnServer()
{
    xcb_connection_t* qt = qtXcbConnection();
    xcb_flush(qt); // whatever Qt asked of the server has reached it
    xcb_get_input_focus_reply_t* focus = xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr);
    const xcb_window_t window = focus ? focus->focus : XCB_NONE;
    std::free(focus);
    return window;
}

// A window the kit makes key (a drop into its tab bar, a program's choice) asks the server for the
// keyboard focus too: the key window and the one the user types into are the same.
TEST(X11Stacking, AWindowMadeKeyByTheKitTakesTheServersFocus)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    auto first = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask);
    auto second = make<Window>(MakeRect(500, 100, 300, 200), TitledWindowMask);
    first->makeKeyAndOrderFront();
    second->orderFront();
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*first) && test::isExposedOnServer(*second); }));
    first->hostWidget()->activateWindow();
    ASSERT_TRUE(test::turnUntil([&] { return focusOnServer() == native(*first); }));

    second->makeKeyWindow();
    EXPECT_TRUE(second->isKeyWindow());
    EXPECT_TRUE(test::turnUntil([&] { return focusOnServer() == native(*second); }));
    first->makeKeyWindow();
    EXPECT_TRUE(test::turnUntil([&] { return focusOnServer() == native(*first); }));
    EXPECT_TRUE(test::turnUntil([&] { return QGuiApplication::focusWindow() == first->hostWidget()->windowHandle(); }));
    EXPECT_TRUE(first->isKeyWindow()) << "the server's answer confirms the kit's choice";

    // A window that never becomes key asks nothing.
    auto borderless = make<Window>(MakeRect(150, 150, 80, 40), BorderlessWindowMask);
    borderless->orderFront();
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*borderless); }));
    borderless->makeKeyWindow();
    QCoreApplication::processEvents();
    EXPECT_EQ(focusOnServer(), native(*first));
    borderless->orderOut();
    second->orderOut();
    first->orderOut();
}

// Without a window manager nobody hands the focus back when a modal panel closes: after an alert
// and after the open panel, the window that was key before it is key again, the application active,
// and the server's focus is that window's.
TEST(X11Stacking, AfterAModalPanelTheWindowKeyBeforeItIsKeyAndFocusedAgain)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    // Each answered once its dialog has the focus, as a user would.
    const auto focused = [](QWidget* dialog) { return dialog && dialog->isVisible() && focusOnServer() == dialog->winId(); };
    struct Panel {
        const char* what;
        std::function<void()> answer;
        std::function<bool()> run; // YES when the panel answered as the user did
    };
    const Panel panels[] = {
        { "alert",
            [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); focused(box) && box->defaultButton())
                    box->defaultButton()->click();
            },
            [] {
                return Alert::alertWithButtons(QStringLiteral("Discard?"), QStringLiteral("Discard"), QStringLiteral("Cancel"), {}, {})->runModal()
                    == AlertDefaultReturn;
            } },
        { "open panel, cancelled",
            [&] {
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (auto* dialog = qobject_cast<QFileDialog*>(top); focused(dialog))
                        dialog->reject();
            },
            [] { return OpenPanel::openPanel()->runModal() == FileHandlingPanelCancelButton; } },
    };
    for (const Panel& panel : panels) {
        SCOPED_TRACE(panel.what);
        auto window = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask);
        window->makeKeyAndOrderFront();
        ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*window) && focusOnServer() == native(*window); }));
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, panel.answer);
        answer.start(20);
        EXPECT_TRUE(panel.run());
        answer.stop();
        EXPECT_TRUE(test::turnUntil([&] { return focusOnServer() == native(*window); })) << "the focus went nowhere";
        EXPECT_TRUE(window->isKeyWindow());
        EXPECT_TRUE(Application::sharedApplication()->isActive());
        window->orderOut();
        Application::resetForTesting();
    }
}

// A window some other client holds (here: inside another client's window) is never let go: the
// wait gives up after its second and says so, rather than map the window into a race unsaid.
TEST(X11Stacking, AWaitForAWithdrawalThatNeverComesSaysItGaveUp)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t holder = xcb_generate_id(c), held = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, holder, root, 0, 0, 40, 40, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, held, holder, 0, 0, 20, 20, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    test::LogRecorder log;
    waitUntilWithdrawnOnServer(held);
    EXPECT_TRUE(log.contains(QStringLiteral("0x%1").arg(held, 0, 16))) << log.lines().join(QLatin1Char('\n')).toStdString();
    xcb_destroy_window(c, holder);
    xcb_disconnect(c);
}

void moveOnServer(const Window& window, int x, int y)
{
    xcb_connection_t* qt = qtXcbConnection();
    std::free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const std::uint32_t at[] = { std::uint32_t(x), std::uint32_t(y) };
    xcb_configure_window(c, native(window), XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, at);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

bool overrideRedirect(const Window& window)
{
    xcb_connection_t* c = qtXcbConnection();
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, native(window)), nullptr);
    const bool unmanaged = attributes && attributes->override_redirect;
    std::free(attributes);
    return unmanaged;
}

// A titled window as a sheet: no frame of its own, on top of the parent's content as the parent
// moves (the window manager moves it) and changes size, and key.
TEST(X11Stacking, ASheetHasNoFrameOfItsOwnAndMovesWithItsWindow)
{
    if (!test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    auto parent = make<Window>(MakeRect(100, 100, 400, 300), TitledWindowMask | ResizableWindowMask);
    auto sheet = make<Window>(MakeRect(0, 0, 200, 80), TitledWindowMask);
    parent->makeKeyAndOrderFront();
    auto app = Application::sharedApplication();
    app->beginSheetModalForWindowDidEndContextInfo(sheet.get(), parent.get(), nullptr, nullptr);
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*parent) && test::isExposedOnServer(*sheet); }));
    EXPECT_TRUE(overrideRedirect(*sheet)) << "neither framed nor listed by the window manager";
    EXPECT_FALSE(overrideRedirect(*parent));
    EXPECT_EQ(sheet->frame(), MakeRect(200, 320, 200, 80));
    EXPECT_TRUE(sheet->isKeyWindow());
    EXPECT_TRUE(test::turnUntil([&] { return QGuiApplication::focusWindow() == sheet->hostWidget()->windowHandle(); }));

    moveOnServer(*parent, 300, 200); // y down: the bottom at 500, 300 up from the screen's bottom
    EXPECT_TRUE(test::turnUntil([&] { return parent->frame().origin == MakePoint(300, 300); }));
    EXPECT_EQ(sheet->frame(), MakeRect(400, 520, 200, 80));
    parent->setFrameDisplay(MakeRect(300, 300, 500, 350), false);
    EXPECT_EQ(sheet->frame(), MakeRect(450, 570, 200, 80));

    app->endSheet(sheet.get());
    sheet->orderOut();
    EXPECT_FALSE(overrideRedirect(*sheet));
    parent->orderOut();
}

} // namespace x11stacking

} // namespace
