#include "kit/appkit/Application.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/Panel.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/testsupport/EventScript.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

// Every notification in posting order, as "name:tag" (tag = who posted it).
class NotificationLog {
public:
    NotificationLog()
    {
        token_ = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
            QString(), nullptr, nullptr, [this](Notification* n) { record(n); });
    }
    ~NotificationLog() { NotificationCenter::defaultCenter()->removeObserver(token_.get()); }
    void tag(Object* object, std::string name) { tags_.emplace_back(object, std::move(name)); }
    std::vector<std::string> entries;
    int count(const QString& name) const
    {
        int n = 0;
        for (const std::string& e : entries)
            n += e.rfind(name.toStdString() + ":", 0) == 0;
        return n;
    }

private:
    void record(Notification* n)
    {
        for (const auto& [object, name] : tags_)
            if (object == n->object().get())
                entries.push_back(n->name().toStdString() + ":" + name);
    }
    Ref<Object> token_;
    std::vector<std::pair<Object*, std::string>> tags_;
};

class Notifications : public testing::Test {
protected:
    void SetUp() override { Application::resetForTesting(); }
    void TearDown() override { Application::resetForTesting(); }
};

// Moves its origin again from inside its own size setter: still one frame notification.
class Nesting : public View {
public:
    using View::View;
    void setFrameSize(Size size) override
    {
        const bool changes = !(size == frame().size);
        View::setFrameSize(size);
        if (changes)
            setFrameOrigin(MakePoint(frame().minX() + 1, frame().minY()));
    }
};

TEST_F(Notifications, OneFrameNotificationPerOutermostRealChange)
{
    NotificationLog log;
    auto view = make<Nesting>(MakeRect(0, 0, 10, 10));
    log.tag(view.get(), "v");
    view->setFrame(MakeRect(5, 5, 20, 20));
    EXPECT_EQ(log.count(ViewFrameDidChangeNotification), 1);
    view->setFrame(view->frame());
    view->setFrameOrigin(view->frame().origin);
    EXPECT_EQ(log.count(ViewFrameDidChangeNotification), 1) << "no change, no notification";
    view->setFrameOrigin(MakePoint(0, 0));
    EXPECT_EQ(log.count(ViewFrameDidChangeNotification), 2);
    EXPECT_EQ(log.count(ViewBoundsDidChangeNotification), 0) << "a frame change is not a bounds change";
}

TEST_F(Notifications, TurnedOffTheyWaitForBeingTurnedOnAgain)
{
    NotificationLog log;
    auto view = make<View>(MakeRect(0, 0, 10, 10));
    log.tag(view.get(), "v");
    view->setPostsFrameChangedNotifications(false);
    view->setFrameSize(MakeSize(30, 30));
    view->setFrameSize(MakeSize(40, 40));
    EXPECT_TRUE(log.entries.empty());
    view->setPostsFrameChangedNotifications(true);
    EXPECT_EQ(log.count(ViewFrameDidChangeNotification), 1) << "the missed change is posted once";
    view->setPostsFrameChangedNotifications(false);
    view->setPostsFrameChangedNotifications(true);
    EXPECT_EQ(log.count(ViewFrameDidChangeNotification), 1);
}

TEST_F(Notifications, AutoresizedSubviewsPostTheirOwn)
{
    NotificationLog log;
    auto parent = make<View>(MakeRect(0, 0, 100, 100));
    auto child = make<View>(MakeRect(0, 0, 50, 50));
    auto fixed = make<View>(MakeRect(0, 0, 50, 50));
    child->setAutoresizingMask(ViewWidthSizable);
    parent->addSubview(child.get());
    parent->addSubview(fixed.get());
    log.tag(parent.get(), "parent");
    log.tag(child.get(), "child");
    log.tag(fixed.get(), "fixed");
    parent->setFrameSize(MakeSize(120, 100));
    EXPECT_EQ(
        log.entries, (std::vector<std::string> { "NSViewFrameDidChangeNotification:child", "NSViewFrameDidChangeNotification:parent" }));
}

TEST_F(Notifications, AClipViewPostsOneBoundsNotificationPerScroll)
{
    NotificationLog log;
    auto clip = make<ClipView>(MakeRect(0, 0, 100, 100));
    auto doc = make<View>(MakeRect(0, 0, 100, 400));
    clip->setDocumentView(doc.get());
    log.tag(clip.get(), "clip");
    clip->scrollToPoint(MakePoint(0, 50));
    clip->scrollToPoint(MakePoint(0, 50));
    clip->scrollToPoint(MakePoint(0, 1000)); // constrained to 300
    clip->scrollToPoint(MakePoint(0, 2000)); // constrained to 300 again: no scroll
    EXPECT_EQ(log.count(ViewBoundsDidChangeNotification), 2);
    EXPECT_EQ(clip->bounds().origin.y, 300);
}

// Records what the window tells its delegate; registers only the operations listed.
class NoteWindowDelegate : public Object, public WindowDelegate {
    KIT_CLASS(NoteWindowDelegate)
public:
    void windowDidBecomeKey(Notification* n) override { record("becomeKey", n); }
    void windowDidResignKey(Notification* n) override { record("resignKey", n); }
    void windowDidMove(Notification* n) override { record("move", n); }
    void windowWillClose(Notification* n) override { record("close", n); }
    bool windowShouldClose(Window*) override { return allowClose; }
    void record(const char* what, Notification* n)
    {
        log.push_back(what);
        objects.push_back(n->object().get());
    }
    std::vector<std::string> log;
    std::vector<Object*> objects;
    bool allowClose = true;
};

KIT_REGISTER_CLASS(NoteWindowDelegate, Object) { c.optionalOperations({ "windowDidBecomeKey", "windowWillClose", "windowShouldClose" }); }

TEST_F(Notifications, KeyAndMainHandOverInOrder)
{
    auto a = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto b = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto panel = make<Panel>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    NotificationLog log;
    log.tag(a.get(), "a");
    log.tag(b.get(), "b");
    log.tag(panel.get(), "panel");
    a->makeKeyAndOrderFront();
    b->makeKeyAndOrderFront();
    panel->makeKeyAndOrderFront();
    const std::vector<std::string> expected {
        "NSWindowDidBecomeKeyNotification:a", "NSWindowDidBecomeMainNotification:a", "NSWindowDidResignKeyNotification:a",
        "NSWindowDidBecomeKeyNotification:b", "NSWindowDidResignMainNotification:a", "NSWindowDidBecomeMainNotification:b",
        "NSWindowDidResignKeyNotification:b",
        "NSWindowDidBecomeKeyNotification:panel", // a panel never becomes main: b stays main
    };
    EXPECT_EQ(log.entries, expected);
    b->orderOut();
    EXPECT_EQ(log.entries.back(), "NSWindowDidResignMainNotification:b");
}

TEST_F(Notifications, TheDelegateGetsOnlyTheCallsItRegistered)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto other = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto d = make<NoteWindowDelegate>();
    w->setDelegate(d.get());
    NotificationLog log;
    log.tag(w.get(), "w");
    w->makeKeyAndOrderFront();
    other->makeKeyAndOrderFront(); // resign key: not registered
    w->setFrameOrigin(MakePoint(10, 10)); // move: not registered
    EXPECT_EQ(d->log, (std::vector<std::string> { "becomeKey" }));
    EXPECT_EQ(d->objects, (std::vector<Object*> { w.get() }));
    EXPECT_EQ(log.count(WindowDidResignKeyNotification), 1) << "the notification goes out regardless";
    EXPECT_EQ(log.count(WindowDidMoveNotification), 1);
}

TEST_F(Notifications, MovesAndResizesAreToldApart)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    NotificationLog log;
    log.tag(w.get(), "w");
    w->setFrameOrigin(MakePoint(30, 40));
    w->setFrameTopLeftPoint(MakePoint(30, 200));
    EXPECT_EQ(log.count(WindowDidMoveNotification), 2);
    EXPECT_EQ(log.count(WindowDidResizeNotification), 0);
    w->setContentSize(MakeSize(150, 100)); // the origin stays: y up, the bottom-left is kept
    EXPECT_EQ(log.count(WindowDidMoveNotification), 2);
    EXPECT_EQ(log.count(WindowDidResizeNotification), 1);
    w->setFrameDisplay(MakeRect(0, 0, 60, 60), false);
    EXPECT_EQ(log.count(WindowDidMoveNotification), 3);
    EXPECT_EQ(log.count(WindowDidResizeNotification), 2);
    w->setFrameDisplay(w->frame(), true);
    EXPECT_EQ(log.entries.size(), 5u);
}

TEST_F(Notifications, WillCloseOnlyWhenTheWindowReallyCloses)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto d = make<NoteWindowDelegate>();
    d->allowClose = false;
    w->setDelegate(d.get());
    w->orderFront();
    NotificationLog log;
    log.tag(w.get(), "w");
    w->performClose();
    EXPECT_TRUE(log.entries.empty());
    EXPECT_TRUE(w->isVisible());
    d->allowClose = true;
    w->performClose();
    EXPECT_EQ(log.entries, (std::vector<std::string> { "NSWindowWillCloseNotification:w" }));
    EXPECT_EQ(d->log, (std::vector<std::string> { "close" }));
    EXPECT_FALSE(w->isVisible());
}

// The title bar's close button: the window manager's close request asks the delegate first.
TEST_F(Notifications, TheTitleBarCloseButtonClosesAsPerformCloseDoes)
{
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto d = make<NoteWindowDelegate>();
    d->allowClose = false;
    w->setDelegate(d.get());
    w->orderFront();
    NotificationLog log;
    log.tag(w.get(), "w");
    QCloseEvent refused;
    QCoreApplication::sendEvent(w->hostWidget(), &refused);
    EXPECT_FALSE(refused.isAccepted()) << "the kit orders the window out itself";
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->hostWidget()->isVisible());
    EXPECT_TRUE(log.entries.empty());
    d->allowClose = true;
    QCloseEvent allowed;
    QCoreApplication::sendEvent(w->hostWidget(), &allowed);
    EXPECT_EQ(log.entries, (std::vector<std::string> { "NSWindowWillCloseNotification:w" }));
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->hostWidget()->isVisible());
}

TEST_F(Notifications, DidUpdateOncePerPassThatDispatchedEvents)
{
    auto shown = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto hidden = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    shown->orderFront();
    RunLoop::main().runPending(); // the update of ordering in
    NotificationLog log;
    log.tag(shown.get(), "shown");
    log.tag(hidden.get(), "hidden");
    {
        test::EventScript script(shown.get());
        RunLoop::main().runPending();
        EXPECT_EQ(log.count(WindowDidUpdateNotification), 0) << "a pass without events";
        script.mouseMoved(MakePoint(10, 10)).mouseMoved(MakePoint(20, 10)).mouseDown(MakePoint(20, 10)).mouseUp(MakePoint(20, 10));
        script.postDueEvents();
        Application::sharedApplication()->dispatchQueuedEvents();
        EXPECT_EQ(log.count(WindowDidUpdateNotification), 0) << "not before the pass ends";
        RunLoop::main().runPending();
        EXPECT_EQ(log.count(WindowDidUpdateNotification), 1);
        EXPECT_EQ(log.entries.back(), "NSWindowDidUpdateNotification:shown") << "visible windows only";
        RunLoop::main().runPending();
        EXPECT_EQ(log.count(WindowDidUpdateNotification), 1);
        script.wait(1).mouseMoved(MakePoint(30, 10));
        script.run();
        RunLoop::main().runPending();
        EXPECT_EQ(log.count(WindowDidUpdateNotification), 2);
    }
}

// Views wait for the window's first update to finish setting up: it comes after the pass that
// orders the window in, or makes it key, without any input.
TEST_F(Notifications, DidUpdateAfterOrderingInAndBecomingKey)
{
    auto window = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    NotificationLog log;
    log.tag(window.get(), "window");
    window->orderFront();
    EXPECT_EQ(log.count(WindowDidUpdateNotification), 0) << "not before the pass ends";
    RunLoop::main().runPending();
    EXPECT_EQ(log.count(WindowDidUpdateNotification), 1);
    window->orderFront();
    RunLoop::main().runPending();
    EXPECT_EQ(log.count(WindowDidUpdateNotification), 1) << "already in";
    window->makeKeyWindow();
    RunLoop::main().runPending();
    EXPECT_EQ(log.count(WindowDidUpdateNotification), 2);
    window->orderOut();
}

class NoteAppDelegate : public Object, public ApplicationDelegate {
    KIT_CLASS(NoteAppDelegate)
public:
    void applicationDidBecomeActive(Notification*) override { log.push_back("active"); }
    void applicationDidResignActive(Notification*) override { log.push_back("inactive"); }
    std::vector<std::string> log;
};

KIT_REGISTER_CLASS(NoteAppDelegate, Object) { c.optionalOperations({ "applicationDidBecomeActive", "applicationDidResignActive" }); }

TEST_F(Notifications, ActivationIsPostedOnChangesOnly)
{
    const Ref<Application> app = Application::sharedApplication();
    auto d = make<NoteAppDelegate>();
    app->setDelegate(d.get());
    NotificationLog log;
    log.tag(app.get(), "app");
    app->setActive(true);
    app->setActive(false);
    app->setActive(false);
    app->setActive(true);
    EXPECT_EQ(log.entries,
        (std::vector<std::string> { "NSApplicationDidResignActiveNotification:app", "NSApplicationDidBecomeActiveNotification:app" }));
    EXPECT_EQ(d->log, (std::vector<std::string> { "inactive", "active" }));
    app->setDelegate(nullptr);
}

class LastWindowDelegate : public Object, public ApplicationDelegate {
    KIT_CLASS(LastWindowDelegate)
public:
    bool applicationShouldTerminateAfterLastWindowClosed(Application*) override
    {
        ++asked;
        return answer;
    }
    ApplicationTerminateReply applicationShouldTerminate(Application*) override
    {
        ++askedToTerminate;
        return reply;
    }
    void applicationWillTerminate(Notification*) override { ++willTerminate; }
    bool answer = false;
    int asked = 0;
    ApplicationTerminateReply reply = TerminateNow;
    int askedToTerminate = 0;
    int willTerminate = 0;
};

KIT_REGISTER_CLASS(LastWindowDelegate, Object)
{
    c.optionalOperations({ "applicationShouldTerminateAfterLastWindowClosed", "applicationShouldTerminate", "applicationWillTerminate" });
}

struct LastWindowCase {
    const char* name;
    bool hasDelegate;
    bool answer;
    bool terminates;
};

class LastWindowClosed : public Notifications, public testing::WithParamInterface<LastWindowCase> { };

// Qt's loop runs, the first window closes, then the last; a termination ends the loop with status
// 0 before the fallback exit(7) queued behind the close.
TEST_P(LastWindowClosed, TerminatesOnlyWhenTheDelegateSaysSo)
{
    const LastWindowCase c = GetParam();
    const Ref<Application> app = Application::sharedApplication();
    auto d = make<LastWindowDelegate>();
    d->answer = c.answer;
    if (c.hasDelegate)
        app->setDelegate(d.get());
    auto first = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask | ClosableWindowMask);
    auto last = make<Window>(MakeRect(200, 0, 100, 100), TitledWindowMask | ClosableWindowMask);
    first->orderFront();
    last->orderFront();
    NotificationLog log;
    log.tag(app.get(), "app");
    // The fallback dies with the test: a termination leaves it unfired, and it must not end a later
    // test's loop.
    QObject fallback;
    QTimer::singleShot(0, [&] {
        first->performClose();
        EXPECT_EQ(d->asked, 0) << "a window is left";
        QCloseEvent request;
        QCoreApplication::sendEvent(last->hostWidget(), &request);
        QTimer::singleShot(0, &fallback, [] { QCoreApplication::exit(7); });
    });
    const int status = QCoreApplication::exec();
    app->setDelegate(nullptr);
    EXPECT_EQ(status, c.terminates ? 0 : 7);
    EXPECT_EQ(d->asked, c.hasDelegate ? 1 : 0);
    EXPECT_EQ(d->askedToTerminate, c.terminates ? 1 : 0) << "the last window's close terminates as a quit does";
    EXPECT_EQ(log.count(ApplicationWillTerminateNotification), 1) << "posted on the way out of the loop";
}

INSTANTIATE_TEST_SUITE_P(Delegates, LastWindowClosed,
    testing::Values(LastWindowCase { "Yes", true, true, true }, LastWindowCase { "No", true, false, false },
        LastWindowCase { "NoDelegate", false, true, false }),
    [](const testing::TestParamInfo<LastWindowCase>& info) { return std::string(info.param.name); });

struct TerminationCase {
    const char* name;
    bool qtQuit; // QCoreApplication::quit, else terminate
    ApplicationTerminateReply reply;
};

class Termination : public Notifications, public testing::WithParamInterface<TerminationCase> { };

// Three windows, one whose delegate refuses to close: one quit request closes all three, ends the
// loop with 0 and says will-terminate once, before the windows go; a close event meanwhile is taken.
TEST_P(Termination, OneRequestClosesEveryWindowUnlessTheDelegateCancels)
{
    const TerminationCase c = GetParam();
    const bool terminates = c.reply == TerminateNow;
    const Ref<Application> app = Application::sharedApplication();
    auto d = make<LastWindowDelegate>();
    d->answer = true;
    d->reply = c.reply;
    app->setDelegate(d.get());
    std::vector<Ref<Window>> windows;
    for (int i = 0; i < 3; ++i) {
        windows.push_back(make<Window>(MakeRect(100 * i, 0, 100, 100), TitledWindowMask | ClosableWindowMask));
        windows.back()->orderFront();
    }
    auto refuses = make<NoteWindowDelegate>();
    refuses->allowClose = false;
    windows[1]->setDelegate(refuses.get());
    NotificationLog log;
    log.tag(app.get(), "app");
    for (const Ref<Window>& w : windows)
        log.tag(w.get(), "w");
    int closeAccepted = -1;
    const Ref<Object> token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        ApplicationWillTerminateNotification, nullptr, nullptr, [&](Notification*) {
            QCloseEvent request;
            QCoreApplication::sendEvent(windows[2]->hostWidget(), &request);
            closeAccepted = request.isAccepted();
        });
    std::vector<bool> visibleBeforeFallback;
    QObject fallback;
    bool terminatingAfterTheRequest = false;
    QTimer::singleShot(0, [&] {
        c.qtQuit ? QCoreApplication::quit() : app->terminate(nullptr);
        // Qt has been told to end its loop, which still runs.
        terminatingAfterTheRequest = app->isTerminating();
        QTimer::singleShot(0, &fallback, [&] {
            for (const Ref<Window>& w : windows)
                visibleBeforeFallback.push_back(w->isVisible());
            QCoreApplication::exit(7);
        });
    });
    const int status = QCoreApplication::exec();
    NotificationCenter::defaultCenter()->removeObserver(token.get());
    app->setDelegate(nullptr);
    EXPECT_EQ(status, terminates ? 0 : 7);
    EXPECT_EQ(d->askedToTerminate, 1);
    EXPECT_EQ(d->willTerminate, 1);
    EXPECT_EQ(terminatingAfterTheRequest, terminates) << "the application terminates until its loop has ended";
    EXPECT_EQ(d->asked, 0) << "no last-window question on the way out";
    EXPECT_EQ(refuses->log, terminates ? std::vector<std::string> { "close" } : std::vector<std::string> {})
        << "closed without asking its delegate";
    std::vector<bool> visible;
    for (const Ref<Window>& w : windows)
        visible.push_back(w->isVisible());
    EXPECT_EQ(visible, (std::vector<bool> { !terminates, !terminates, false }));
    std::erase(log.entries, "NSWindowDidUpdateNotification:w");
    if (terminates) {
        EXPECT_EQ(closeAccepted, 1);
        EXPECT_EQ(log.entries,
            (std::vector<std::string> { "NSApplicationWillTerminateNotification:app", "NSWindowWillCloseNotification:w",
                "NSWindowWillCloseNotification:w", "NSWindowWillCloseNotification:w" }));
    } else {
        EXPECT_EQ(closeAccepted, 0) << "outside a termination the kit closes the window itself";
        EXPECT_EQ(visibleBeforeFallback, (std::vector<bool> { true, true, true }));
    }
}

INSTANTIATE_TEST_SUITE_P(Requests, Termination,
    testing::Values(TerminationCase { "QtQuit", true, TerminateNow }, TerminationCase { "Terminate", false, TerminateNow },
        TerminationCase { "Cancelled", true, TerminateCancel }),
    [](const testing::TestParamInfo<TerminationCase>& info) { return std::string(info.param.name); });

TEST_F(Notifications, DeactivationTakesKeyFromTheKeyWindowAndActivationGivesItBack)
{
    const Ref<Application> app = Application::sharedApplication();
    auto w = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    w->makeKeyAndOrderFront();
    NotificationLog log;
    log.tag(app.get(), "app");
    log.tag(w.get(), "w");
    app->setActive(false);
    EXPECT_FALSE(w->isKeyWindow());
    EXPECT_TRUE(w->isMainWindow()) << "main stays";
    app->setActive(true);
    EXPECT_TRUE(w->isKeyWindow());
    EXPECT_EQ(log.entries,
        (std::vector<std::string> { "NSWindowDidResignKeyNotification:w", "NSApplicationDidResignActiveNotification:app",
            "NSWindowDidBecomeKeyNotification:w", "NSApplicationDidBecomeActiveNotification:app" }));

    app->setActive(false);
    w->orderOut();
    app->setActive(true);
    EXPECT_FALSE(app->keyWindow()) << "a window ordered out meanwhile does not come back as key";
}

} // namespace
