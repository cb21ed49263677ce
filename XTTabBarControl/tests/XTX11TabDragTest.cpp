// Real X11 only (XTTabBarControl_x11_tests under Xvfb); offscreen it skips itself. The server's
// test extension moves the real pointer: a tab dragged from one window's bar to another's, with
// the drag windows under the pointer all the way.

#include "XTTabBarControl/tests/XTTabDragTestSupport.h"
#include "kit/core/NotificationCenter.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/testsupport/X11KeyboardFixture.h"
#include "kit/testsupport/X11WindowManagerFixture.h"
#include "kit/testsupport/MissingTool.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>


#include <gtest/gtest.h>

namespace {

// Presses on bar A at `from`, moves to bar B's point (300, 11) and lets go there, one step each
// 50 ms from a timer (which runs inside the drag's own loop as well). Answers once the drag ended.
testing::AssertionResult xtx11DragAcross(XTWindowBar& a, XTWindowBar& b, int from, bool& dragWindowShown)
{
    kit::test::NotificationRecorder ends(XTTabDragDidEndNotification);
    // Bar point (x, y) on screen: the bars fill their windows, top-down like the server.
    const auto onA = [&](int x, int y) { return a.window->hostWidget()->mapToGlobal(QPoint(x, y)); };
    const auto onB = [&](int x, int y) { return b.window->hostWidget()->mapToGlobal(QPoint(x, y)); };
    std::vector<kit::test::X11PointerStep> steps { { kit::test::X11PointerStep::Move, onA(from, 11) }, { kit::test::X11PointerStep::Press, {} } };
    for (int i = 1; i <= 4; ++i)
        steps.push_back({ kit::test::X11PointerStep::Move, onA(from + 5 * i, 11) });
    const QPoint start = onA(from + 20, 11), to = onB(300, 11);
    for (int i = 1; i <= 10; ++i)
        steps.push_back({ kit::test::X11PointerStep::Move, start + (to - start) * i / 10 });
    for (int i = 0; i < 8; ++i)
        steps.push_back({ kit::test::X11PointerStep::Move, to + QPoint(i % 2, 0) });
    steps.push_back({ kit::test::X11PointerStep::Release, {} });
    std::size_t next = 0;
    const auto timer = kit::Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.05, true, [&](kit::Timer*) {
        if (next >= steps.size())
            return;
        if (const auto tab = XTTabDragAssistant::sharedDragAssistant()->draggedTab())
            if (tab->window()->isVisible() && tab->window()->frame().size.width > 1)
                dragWindowShown = true;
        kit::test::sendPointerOnServer(steps[next++]);
    });
    const bool done = kit::test::turnUntil([&] { return next >= steps.size() && !ends.notifications.empty(); });
    timer->invalidate();
    if (!done)
        return testing::AssertionFailure() << "the drag did not end; " << next << " of " << steps.size() << " steps sent";
    return testing::AssertionSuccess();
}

class X11TabDrag : public testing::Test {
protected:
    void SetUp() override
    {
        if (!kit::test::isRealX11())
            GTEST_SKIP() << "needs a real X server";
        // A tear-off is possible, so the tab window and the window picture follow the pointer.
        delegate->implemented = { "tabViewShouldDragTabViewItemFromTabBar", "tabViewShouldDropTabViewItemInTabBar",
            "tabViewDidDropTabViewItemInTabBar", "tabViewNewTabBarForDraggedTabViewItemAtPoint" };
        a.bar()->setDelegate(delegate.get());
        b.bar()->setDelegate(delegate.get());
        ASSERT_TRUE(kit::test::turnUntil([&] { return kit::test::isExposedOnServer(*a.window) && kit::test::isExposedOnServer(*b.window); }));
    }
    XTDragScope scope;
    XTWindowBar a { kit::MakePoint(100, 500), 3 };
    XTWindowBar b { kit::MakePoint(100, 200), 1, QStringLiteral("Other") };
    kit::Ref<XTDragDelegate> delegate = kit::make<XTDragDelegate>();
};

TEST_F(X11TabDrag, ATabDraggedBetweenTwoWindowsLandsUnderTheDragWindows)
{
    bool shown = false;
    ASSERT_TRUE(xtx11DragAcross(a, b, 205, shown));
    EXPECT_TRUE(shown);
    EXPECT_EQ(a.labels(), (QStringList { "Tab 0", "Tab 2" }));
    EXPECT_EQ(b.labels(), (QStringList { "Other 0", "Tab 1" }));
    EXPECT_TRUE(a.cellsMatchItems());
    EXPECT_TRUE(b.cellsMatchItems());
    EXPECT_FALSE(XTTabDragAssistant::sharedDragAssistant()->isDragging());
}

TEST_F(X11TabDrag, ALoneTabLeavesItsClearedWindowForAnotherBar)
{
    a.f.tabView->removeTabViewItem(a.f.tabView->tabViewItemAtIndex(2).get());
    a.f.tabView->removeTabViewItem(a.f.tabView->tabViewItemAtIndex(1).get());
    bool shown = false;
    ASSERT_TRUE(xtx11DragAcross(a, b, 75, shown));
    EXPECT_TRUE(a.labels().isEmpty());
    EXPECT_EQ(b.labels(), (QStringList { "Other 0", "Tab 0" }));
    EXPECT_TRUE(b.cellsMatchItems());
}

// Under a window manager: the lone tab of a torn-off window dropped into another window's bar.
// Its emptied window closes, and the window that took the tab is the active one, not whichever
// other window the kit had in front.
TEST(X11TabDragUnderAManager, TheWindowThatTookTheTabIsActive)
{
    if (!kit::test::isRealX11())
        GTEST_SKIP() << "needs a real X server";
    if (!kit::test::WindowManagerOnServer::available())
        KIT_SKIP_TEST_WITHOUT("openbox");
    kit::test::WindowManagerOnServer manager;
    ASSERT_TRUE(manager.start());
    XTDragScope scope;
    XTWindowBar a { kit::MakePoint(100, 500), 1 };
    XTWindowBar b { kit::MakePoint(100, 200), 1, QStringLiteral("Other") };
    XTWindowBar other { kit::MakePoint(700, 350), 1, QStringLiteral("Third") };
    auto delegate = kit::make<XTDragDelegate>();
    delegate->implemented = { "tabViewShouldDragTabViewItemFromTabBar", "tabViewShouldDropTabViewItemInTabBar",
        "tabViewDidDropTabViewItemInTabBar", "tabViewCloseWindowForLastTabViewItem" };
    delegate->onCloseWindow = [&] { a.window->close(); };
    a.bar()->setDelegate(delegate.get());
    b.bar()->setDelegate(delegate.get());
    const auto native = [](const XTWindowBar& bar) { return std::uint32_t(bar.window->hostWidget()->winId()); };
    ASSERT_TRUE(kit::test::turnUntil([&] {
        return kit::test::isExposedOnServer(*a.window) && kit::test::isExposedOnServer(*b.window) && kit::test::isExposedOnServer(*other.window);
    }));
    bool shown = false;
    ASSERT_TRUE(xtx11DragAcross(a, b, 75, shown));
    EXPECT_EQ(b.labels(), (QStringList { "Other 0", "Tab 0" }));
    EXPECT_FALSE(a.window->isVisible());
    EXPECT_TRUE(kit::test::turnUntil([&] { return manager.activeWindow() == native(b); }));
    ASSERT_TRUE(manager.syncWithManager());
    QCoreApplication::processEvents();
    EXPECT_EQ(manager.activeWindow(), native(b));
    EXPECT_TRUE(kit::test::turnUntil([&] { return b.window->isKeyWindow(); }));
    other.window->orderOut();
    b.window->orderOut();
}

} // namespace
