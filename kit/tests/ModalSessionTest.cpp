#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/testsupport/EventScript.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kit;

class Clicks : public View {
public:
    using View::View;
    void mouseDown(const Event&) override { ++count; }
    int count = 0;
};

Ref<Timer> after(double seconds, const QString& mode, std::function<void()> fire)
{
    Ref<Timer> timer = Timer::timerWithTimeIntervalRepeatsBlock(seconds, false, [fire](Timer*) { fire(); });
    RunLoop::main().addTimerForMode(timer, mode);
    return timer;
}

class Modal : public testing::Test {
protected:
    void SetUp() override
    {
        setBeepHook([this] { ++beeps; });
        panel = make<Window>(MakeRect(100, 100, 200, 100), TitledWindowMask);
        other = make<Window>(MakeRect(400, 100, 200, 100), TitledWindowMask);
        otherView = make<Clicks>(MakeRect(0, 0, 200, 100));
        other->contentView()->addSubview(otherView.get());
    }
    void TearDown() override { setBeepHook(nullptr); }

    int beeps = 0;
    Ref<Window> panel, other;
    Ref<Clicks> otherView;
};

TEST_F(Modal, StopActsWhenTheCallbackReturnsAndOtherWindowsLoseTheirInput)
{
    kit::test::EventScript script(other.get());
    auto app = Application::sharedApplication();
    int defaultFires = 0;
    after(0.5, DefaultRunLoopMode, [&] { ++defaultFires; });
    bool stillRunningAfterStop = false;
    after(1, ModalPanelRunLoopMode, [&] {
        app->stopModal();
        stillRunningAfterStop = app->modalWindow() == panel;
    });
    script.wait(0.25).click(MakePoint(10, 10));
    EXPECT_EQ(app->runModalForWindow(panel.get()), RunStoppedResponse);
    EXPECT_TRUE(stillRunningAfterStop);
    EXPECT_EQ(otherView->count, 0);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(defaultFires, 0);
    EXPECT_TRUE(panel->isKeyWindow());
    EXPECT_FALSE(app->modalWindow());
}

TEST_F(Modal, AbortActsAtOnceAndNestedSessionsEndInnermostFirst)
{
    kit::test::EventScript script(other.get());
    auto app = Application::sharedApplication();
    std::vector<std::int64_t> results;
    after(1, ModalPanelRunLoopMode, [&] {
        // Runs inside the outer session: open an inner one and abort it later.
        after(1, ModalPanelRunLoopMode, [&] { app->abortModal(); });
        results.push_back(app->runModalForWindow(other.get()));
        after(1, ModalPanelRunLoopMode, [&] { app->stopModalWithCode(7); });
    });
    results.push_back(app->runModalForWindow(panel.get()));
    EXPECT_EQ(results, (std::vector<std::int64_t> { RunAbortedResponse, 7 }));
}

TEST_F(Modal, AStopFromATimerEndsTheSessionWithoutWaitingForAnEvent)
{
    kit::test::EventScript script(other.get());
    auto app = Application::sharedApplication();
    const double start = script.now();
    after(0.1, ModalPanelRunLoopMode, [&] { app->stopModal(); });
    script.wait(5).mouseMoved(MakePoint(10, 10));
    EXPECT_EQ(app->runModalForWindow(panel.get()), RunStoppedResponse);
    EXPECT_DOUBLE_EQ(script.now(), start + 0.1);
}

// A window run modally before it shows is centred, as a window's center places it; one on
// screen already stays where it is.
TEST_F(Modal, AHiddenWindowIsCentredAndAVisibleOneStays)
{
    kit::test::EventScript script(other.get());
    auto app = Application::sharedApplication();
    auto hidden = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
    after(0.1, ModalPanelRunLoopMode, [&] { app->stopModal(); });
    app->runModalForWindow(hidden.get());
    const Rect v = Screen::mainScreen()->visibleFrame();
    EXPECT_EQ(hidden->frame(), MakeRect(std::floor(v.midX() - 100), std::floor(v.minY() + (v.height() - 100) * 2 / 3), 200, 100));

    panel->orderFront();
    after(0.1, ModalPanelRunLoopMode, [&] { app->stopModal(); });
    app->runModalForWindow(panel.get());
    EXPECT_EQ(panel->frame(), MakeRect(100, 100, 200, 100));
}

TEST_F(Modal, StopWithoutASessionLogsAndDoesNothing)
{
    QStringList lines;
    const LogSink old = setLogSink([&](const QString& line) { lines << line; });
    Application::sharedApplication()->stopModal();
    Application::sharedApplication()->abortModal();
    setLogSink(old);
    EXPECT_EQ(lines.size(), 2);
}

// Asks before closing and records the will-close note.
class CloseDelegate : public Object, public WindowDelegate {
    KIT_CLASS(CloseDelegate)
public:
    bool windowShouldClose(Window*) override
    {
        log.push_back("should");
        return allow;
    }
    void windowWillClose(Notification*) override { log.push_back("will"); }
    std::vector<std::string> log;
    bool allow = true;
};

KIT_REGISTER_CLASS(CloseDelegate, Object) { c.optionalOperations({ "windowShouldClose", "windowWillClose" }); }

void closeFromTheFrame(Window* window)
{
    QCloseEvent request;
    QCoreApplication::sendEvent(window->hostWidget(), &request);
}

// The window manager's close button is the only way out once the form's own buttons are gone.
TEST_F(Modal, AModalWindowClosedFromItsFrameEndsItsSessionAsACancel)
{
    kit::test::EventScript script(other.get());
    auto app = Application::sharedApplication();
    auto delegate = make<CloseDelegate>();
    delegate->allow = false;
    panel->setDelegate(delegate.get());
    after(1, ModalPanelRunLoopMode, [&] { closeFromTheFrame(panel.get()); });
    after(2, ModalPanelRunLoopMode, [&] {
        EXPECT_EQ(app->modalWindow(), panel) << "a refused close keeps the session";
        delegate->allow = true;
        closeFromTheFrame(panel.get());
    });
    // Only a stop would end a session that the close left running.
    const Ref<Timer> stop = after(3, ModalPanelRunLoopMode, [&] { app->stopModalWithCode(9); });
    EXPECT_EQ(app->runModalForWindow(panel.get()), RunAbortedResponse);
    stop->invalidate();
    EXPECT_EQ(delegate->log, (std::vector<std::string> { "should", "should", "will" }));
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(app->modalWindow());
}

// Closing only the outer window of two nested sessions leaves the inner one running; an answer
// given before the close stands.
TEST_F(Modal, ClosingAModalWindowEndsOnlyItsOwnSessionAndKeepsAnEarlierAnswer)
{
    kit::test::EventScript script(other.get());
    auto app = Application::sharedApplication();
    std::vector<std::int64_t> results;
    after(1, ModalPanelRunLoopMode, [&] {
        after(1, ModalPanelRunLoopMode, [&] {
            panel->close();
            EXPECT_EQ(app->modalWindow(), other);
            app->stopModalWithCode(3);
            other->close();
        });
        results.push_back(app->runModalForWindow(other.get()));
    });
    const Ref<Timer> stop = after(5, ModalPanelRunLoopMode, [&] { app->stopModalWithCode(9); });
    results.push_back(app->runModalForWindow(panel.get()));
    stop->invalidate();
    EXPECT_EQ(results, (std::vector<std::int64_t> { 3, RunAbortedResponse }));
}

TEST_F(Modal, ASheetSitsTopCentreAndItsWindowTakesOnlyMovesUntilItEnds)
{
    auto sheet = make<Window>(MakeRect(0, 0, 100, 40), TitledWindowMask);
    auto app = Application::sharedApplication();
    std::vector<std::int64_t> ended;
    int context = 0;
    app->beginSheetModalForWindowDidEndContextInfo(
        sheet.get(), other.get(),
        [&](Window* s, std::int64_t code, void* info) {
            EXPECT_EQ(s, sheet.get());
            EXPECT_EQ(info, &context);
            ended.push_back(code);
        },
        &context);
    EXPECT_EQ(sheet->frame(), MakeRect(450, 160, 100, 40));
    kit::test::EventScript script(other.get());
    script.click(MakePoint(10, 10));
    script.run();
    EXPECT_EQ(otherView->count, 0);
    app->endSheetReturnCode(sheet.get(), 5);
    EXPECT_EQ(ended, (std::vector<std::int64_t> { 5 }));
    script.click(MakePoint(10, 10));
    script.run();
    EXPECT_EQ(otherView->count, 1);
}

} // namespace
