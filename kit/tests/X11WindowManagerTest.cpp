// Windows under a real window manager: openbox on the test's X server. A sheet is the kit's own
// window from its first map and is mapped each time it begins; after a life as a framed window it
// still sits on its window's content; pagers' requests to the manager never reach Qt.
// Real X11 only: under xvfb-run with QT_QPA_PLATFORM=xcb, with openbox installed.

#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/testsupport/X11WindowManagerFixture.h"
#include "kit/testsupport/MissingTool.h"
#include "kit/x11/QtXcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <xcb/xcb.h>

namespace {

using namespace kit;

namespace x11wm {

// The live native window: Qt makes a new one for some flags (staying on top), and the widget's
// own winId still names the old one.
std::uint32_t native(const Window& window) { return std::uint32_t(window.hostWidget()->windowHandle()->winId()); }

class X11WindowManager : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!test::isRealX11() || !test::WindowManagerOnServer::available())
            return;
        manager = new test::WindowManagerOnServer;
        if (!manager->start()) {
            delete manager;
            manager = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete manager; // stops it: the tests after these run without a manager
        manager = nullptr;
    }
    void SetUp() override
    {
        if (!test::isRealX11())
            GTEST_SKIP() << "needs a real X server";
        if (!test::WindowManagerOnServer::available())
            KIT_SKIP_TEST_WITHOUT("openbox");
        ASSERT_TRUE(manager) << "openbox did not take the screen";
    }
    void TearDown() override { Application::resetForTesting(); }

    // What Qt asked of the server has reached it, and the manager has handled what followed.
    static void settle()
    {
        xcb_connection_t* qt = qtXcbConnection();
        std::free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
        ASSERT_TRUE(manager->syncWithManager());
        QCoreApplication::processEvents();
    }

    // A titled window, shown, framed by the manager and exposed.
    static Ref<Window> framedWindow(Rect frame, unsigned style = TitledWindowMask)
    {
        auto window = make<Window>(frame, style);
        window->setContentView(make<View>(MakeRect(0, 0, frame.width(), frame.height())).get());
        window->makeKeyAndOrderFront();
        EXPECT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*window) && manager->parentOf(native(*window)) != rootWindow(); }));
        return window;
    }

    static std::uint32_t rootWindow()
    {
        return xcb_setup_roots_iterator(xcb_get_setup(qtXcbConnection())).data->root;
    }

    static inline test::WindowManagerOnServer* manager = nullptr;
};

// The progress window run as a sheet again and again: each time it is on the screen, unframed,
// before the work it shows starts, and gone when it ends.
TEST_F(X11WindowManager, EverySheetIsMappedAndViewableBeforeItsWorkStarts)
{
    const Ref<Window> parent = framedWindow(MakeRect(200, 200, 500, 300));
    auto sheet = make<Window>(MakeRect(0, 0, 240, 90), TitledWindowMask);
    auto app = Application::sharedApplication();
    for (int run = 0; run < 10; ++run) {
        app->beginSheetModalForWindowDidEndContextInfo(sheet.get(), parent.get(), nullptr, nullptr);
        ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*sheet); })) << "run " << run;
        settle();
        EXPECT_TRUE(manager->isViewable(native(*sheet))) << "run " << run;
        EXPECT_EQ(manager->parentOf(native(*sheet)), rootWindow()) << "never framed; run " << run;
        app->endSheet(sheet.get());
        sheet->orderOut();
        settle();
        EXPECT_FALSE(manager->isViewable(native(*sheet))) << "run " << run;
        EXPECT_EQ(manager->parentOf(native(*sheet)), rootWindow()) << "not framed on its way out; run " << run;
    }
    parent->orderOut();
}

// Run modally first (a framed window of the manager's), then as a sheet: its top is the top of
// the window's content, below the title bar, on the server as in the kit.
TEST_F(X11WindowManager, ASheetAfterAModalRunSitsOnTheWindowsContent)
{
    const Ref<Window> parent = framedWindow(MakeRect(200, 200, 500, 300));
    auto progress = make<Window>(MakeRect(0, 0, 240, 90), TitledWindowMask);
    progress->setContentView(make<View>(MakeRect(0, 0, 240, 90)).get());
    auto app = Application::sharedApplication();
    const Ref<Timer> stopper = Timer::timerWithTimeIntervalRepeatsBlock(0.02, true, [&](Timer*) {
        if (test::isExposedOnServer(*progress) && manager->parentOf(native(*progress)) != rootWindow())
            app->stopModal();
    });
    RunLoop::main().addTimerForMode(stopper, RunLoopCommonModes);
    app->runModalForWindow(progress.get());
    stopper->invalidate();
    progress->orderOut();

    for (int run = 0; run < 2; ++run) {
        app->beginSheetModalForWindowDidEndContextInfo(progress.get(), parent.get(), nullptr, nullptr);
        ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*progress); }));
        settle();
        const Rect p = parent->frame();
        EXPECT_EQ(progress->frame(), MakeRect(p.minX() + 130, p.maxY() - 90, 240, 90)) << "run " << run;
        const auto [px, py] = manager->topLeftOnScreen(native(*parent));
        const auto [sx, sy] = manager->topLeftOnScreen(native(*progress));
        EXPECT_EQ(sy, py) << "the sheet's top is the content's top; run " << run;
        EXPECT_EQ(sx, px + 130) << "run " << run;
        app->endSheet(progress.get());
        progress->orderOut();
    }
    parent->orderOut();
}

// Drags the view's window's only content away: the window goes as the drag starts, and the
// drag stays in the kit's loop (nothing leaves the application).
class LoneTabSource : public View, public DraggingSource {
    KIT_CLASS(LoneTabSource)
public:
    using View::View;
    void mouseDown(const Event& e) override
    {
        const Ref<Pasteboard> board = Pasteboard::pasteboardWithName(DragPboard);
        board->declareTypesOwner({ StringPboardType }, nullptr);
        board->setStringForType(QStringLiteral("tab"), StringPboardType);
        window()->orderOut();
        dragImageAtOffsetEventPasteboardSourceSlideBack(
            Image::imageWithSize(MakeSize(16, 16)).get(), MakePoint(4, 4), ZeroSize, e, board.get(), this, false);
        ++dragsEnded;
    }
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override { return local ? DragOperationMove : DragOperationNone; }
    int dragsEnded = 0;
};

KIT_REGISTER_CLASS(LoneTabSource, View) { c.optionalOperation("draggingSourceOperationMaskForLocal"); }

// A tab dragged out of a window of its own, which goes as the drag starts, and let go on the bare
// desktop, where Qt never hears of the release: a window the manager activates afterwards is key all the same, and a Close
// sent to no one in particular closes it, not the window that was key before.
TEST_F(X11WindowManager, AWindowTheManagerActivatesIsKeyAndTakesACloseSentToNoOne)
{
    constexpr unsigned style = TitledWindowMask | ClosableWindowMask;
    const Ref<Window> torn = framedWindow(MakeRect(300, 150, 200, 120), style);
    auto tab = make<LoneTabSource>(MakeRect(0, 0, 200, 120));
    torn->contentView()->addSubview(tab.get());
    const Ref<Window> dropped = framedWindow(MakeRect(100, 400, 300, 200), style);
    const Ref<Window> other = framedWindow(MakeRect(500, 400, 300, 200), style);
    settle();
    const QPoint desktop(1000, 50);
    const std::vector<test::X11PointerStep> steps { { test::X11PointerStep::Move, torn->hostWidget()->mapToGlobal(QPoint(100, 60)) },
        { test::X11PointerStep::Press, {} }, { test::X11PointerStep::Move, torn->hostWidget()->mapToGlobal(QPoint(110, 70)) },
        { test::X11PointerStep::Move, desktop }, { test::X11PointerStep::Move, desktop + QPoint(2, 0) }, { test::X11PointerStep::Release, {} } };
    std::size_t next = 0;
    const Ref<Timer> timer = Timer::timerWithTimeIntervalRepeatsBlock(0.05, true, [&](Timer*) {
        if (next < steps.size())
            test::sendPointerOnServer(steps[next++]);
    });
    RunLoop::main().addTimerForMode(timer, RunLoopCommonModes);
    const bool ended = test::turnUntil([&] { return tab->dragsEnded > 0; });
    timer->invalidate();
    ASSERT_TRUE(ended) << next << " of " << steps.size() << " steps sent";
    // As a new window for the tab would be.
    dropped->makeKeyWindow();
    settle();
    ASSERT_TRUE(test::turnUntil([&] { return dropped->isKeyWindow() && manager->activeWindow() == native(*dropped); }));

    manager->requestFromPager(native(*other), "_NET_ACTIVE_WINDOW");
    EXPECT_TRUE(test::turnUntil([&] { return other->isKeyWindow(); })) << "the window the manager activated is not key";
    Application::sharedApplication()->sendActionToFrom(Selector("performClose"), Weak<Object>(), nullptr);
    EXPECT_FALSE(other->isVisible());
    EXPECT_TRUE(dropped->isVisible());
    dropped->orderOut();
    other->orderOut();
}

// New native flags, whatever asks for them, leave the window's inside where the kit frame says.
TEST_F(X11WindowManager, AShownWindowsInsideStaysPutWhenItsFlagsChange)
{
    const std::pair<const char*, std::function<void(Window&)>> changes[] = {
        { "borderless", [](Window& w) { w.setStyleMask(BorderlessWindowMask); } },
        { "floating", [](Window& w) { w.setLevel(FloatingWindowLevel); } },
        { "no zoom button", [](Window& w) { w.standardWindowButton(WindowZoomButton)->setEnabled(false); } },
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        const Ref<Window> window = framedWindow(MakeRect(300, 250, 300, 200), TitledWindowMask | ClosableWindowMask | ResizableWindowMask);
        settle();
        const QPoint inside = QtRectFromScreen(window->frame()).toRect().topLeft();
        ASSERT_EQ(manager->topLeftOnScreen(native(*window)), std::pair(inside.x(), inside.y()));
        change(*window);
        ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*window); }));
        settle();
        const auto at = [&] { return manager->topLeftOnScreen(native(*window)); };
        EXPECT_TRUE(test::turnUntil([&] { return at() == std::pair(inside.x(), inside.y()); }))
            << "at " << at().first << ", " << at().second << " instead of " << inside.x() << ", " << inside.y();
        window->orderOut();
    }
}

// Another client (a pager, a panel) asks the manager things by messages to the root. The kit
// watches the root's children for restacks; the requests are not Qt's business: Qt neither
// complains about them nor acts on them (an activation would make the bubble its focus window).
TEST_F(X11WindowManager, RequestsToTheManagerNeverReachQt)
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg)
            warnings << text;
    });
    const Ref<Window> parent = framedWindow(MakeRect(200, 200, 400, 300));
    // The target is one the manager leaves alone: a bubble of the kit's own.
    auto bubble = make<Window>(MakeRect(250, 250, 80, 40), BorderlessWindowMask);
    parent->addChildWindowOrdered(bubble.get(), WindowAbove);
    ASSERT_TRUE(test::turnUntil([&] { return test::isExposedOnServer(*bubble); }));

    // Qt's answer to the marker property comes after every message sent before it.
    struct MarkerSeen : QAbstractNativeEventFilter {
        std::uint32_t window = 0, atom = 0;
        bool seen = false;
        bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override
        {
            const auto* event = static_cast<const xcb_generic_event_t*>(message);
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
                seen = seen || (notify->window == window && notify->atom == atom);
            }
            return false;
        }
    } marker;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const std::uint32_t a = reply ? reply->atom : 0;
        std::free(reply);
        return a;
    };
    marker.window = native(*bubble);
    marker.atom = atom("KIT_TEST_MARKER");
    QCoreApplication::instance()->installNativeEventFilter(&marker);
    // Qt prints nothing for an activation: it would just make the bubble its focus window.
    QStringList focused;
    const QMetaObject::Connection focusWatch = QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, [&](QWindow* w) {
        focused << (w == bubble->hostWidget()->windowHandle() ? QStringLiteral("bubble") : w ? QStringLiteral("other") : QStringLiteral("none"));
    });
    for (const char* request : { "_KDE_WM_CHANGE_STATE", "_NET_CLOSE_WINDOW", "_NET_MOVERESIZE_WINDOW", "_NET_ACTIVE_WINDOW" }) {
        xcb_client_message_event_t message {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = native(*bubble);
        message.type = atom(request);
        message.data.data32[0] = 2; // from a pager
        xcb_send_event(c, 0, rootWindow(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
            reinterpret_cast<const char*>(&message));
    }
    const std::uint32_t one = 1;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, native(*bubble), marker.atom, XCB_ATOM_CARDINAL, 32, 1, &one);
    xcb_flush(c);
    EXPECT_TRUE(test::turnUntil([&] { return marker.seen; }));
    QObject::disconnect(focusWatch);
    EXPECT_FALSE(focused.contains(QStringLiteral("bubble"))) << focused.join(QLatin1Char(' ')).toStdString();
    QCoreApplication::instance()->removeNativeEventFilter(&marker);
    xcb_disconnect(c);
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings.join(QLatin1Char('\n')).toStdString(), "");
    bubble->orderOut();
    parent->orderOut();
}

} // namespace x11wm

} // namespace
