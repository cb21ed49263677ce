// Real X11 only (QVTabBarView_x11_tests under Xvfb); offscreen it skips itself. The server's test
// extension moves the real pointer: the only tab of a window is dragged out of every window and
// let go on the bare desktop, where the delegate gives it a new window.

#include "QVTabBarView/QVTabDragAssistant.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Timer.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/testsupport/X11KeyboardFixture.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>


#include <gtest/gtest.h>

namespace {

class QVTearOffDelegate : public QVRecordingDelegate {
public:
    kit::Ref<QVTabBarView> newBar;
    bool tabViewShouldAllowTabViewItemToLeaveTabBarView(kit::TabView*, kit::TabViewItem*, QVTabBarView*) override { return true; }
    kit::Ref<QVTabBarView> tabViewNewTabBarViewForDraggedTabViewItemAtPoint(kit::TabView*, kit::TabViewItem* item, kit::Point) override
    {
        calls << QStringLiteral("newBar:") + item->label();
        return newBar;
    }
    void tabViewDidDropTabViewItemInTabBarView(kit::TabView*, kit::TabViewItem* item, QVTabBarView* bar) override
    {
        calls << QStringLiteral("didDrop:%1:%2").arg(item->label(), bar == newBar.get() ? QStringLiteral("new") : QStringLiteral("other"));
    }
    void tabViewCloseWindowForLastTabViewItem(kit::TabView*, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("closeWindow:") + (item ? item->label() : QString());
    }
};

// A bar filling a 400 x 22 window; bar point (x, y) is host point (x, 22 - y).
struct QVX11WindowBar {
    QVBarFixture f;
    kit::Ref<kit::Window> window;
    QVX11WindowBar(kit::Point origin, int tabs)
        : f(kit::MakeRect(0, 0, 400, 22), tabs)
        , window(kit::make<kit::Window>(kit::MakeRect(origin.x, origin.y, 400, 22), kit::TitledWindowMask))
    {
        window->setContentView(f.bar.get());
        f.bar->updateAnimate(false);
    }
    QPoint global(int x, int y) const { return window->hostWidget()->mapToGlobal(QPoint(x, 22 - y)); }
};

class X11TabTearOff : public testing::Test {
protected:
    void SetUp() override
    {
        if (!kit::test::isRealX11())
            GTEST_SKIP() << "needs a real X server";
        // The tab drag never leaves the kit's loop: the window under the pointer is the drag window.
        kit::ExternalDrag::setPresenter([](kit::OutgoingDrag&) {
            ADD_FAILURE() << "the tab drag left the kit's loop";
            return Qt::IgnoreAction;
        });
        delegate->implemented = { "tabViewShouldAllowTabViewItemToLeaveTabBarView", "tabViewNewTabBarViewForDraggedTabViewItemAtPoint",
            "tabViewDidDropTabViewItemInTabBarView", "tabViewCloseWindowForLastTabViewItem" };
        delegate->newBar = target.f.bar;
        source.f.bar->setDelegate(delegate.get());
        target.f.bar->setDelegate(delegate.get());
        source.window->orderFront();
        ASSERT_TRUE(kit::test::turnUntil([&] { return kit::test::isExposedOnServer(*source.window); }));
    }
    void TearDown() override
    {
        QVTabDragAssistant::resetForTesting();
        kit::ExternalDrag::resetForTesting();
        kit::Application::resetForTesting();
    }
    QVX11WindowBar source { kit::MakePoint(100, 500), 1 };
    QVX11WindowBar target { kit::MakePoint(600, 100), 0 };
    kit::Ref<QVTearOffDelegate> delegate = kit::make<QVTearOffDelegate>();
};

TEST_F(X11TabTearOff, TheLastTabLetGoOutsideEveryWindowLandsInTheDelegatesNewWindow)
{
    kit::test::NotificationRecorder ends(QVTabDragDidEndNotification);
    // Press on the tab, slide a little along the bar, then leave the window downwards and let go
    // on the bare desktop, one step each 50 ms from a timer.
    std::vector<kit::test::X11PointerStep> steps { { kit::test::X11PointerStep::Move, source.global(30, 11) }, { kit::test::X11PointerStep::Press, {} } };
    for (int i = 1; i <= 4; ++i)
        steps.push_back({ kit::test::X11PointerStep::Move, source.global(30 + 3 * i, 11) });
    const QPoint start = source.global(42, 11), away = source.global(120, -200);
    for (int i = 1; i <= 10; ++i)
        steps.push_back({ kit::test::X11PointerStep::Move, start + (away - start) * i / 10 });
    for (int i = 0; i < 6; ++i)
        steps.push_back({ kit::test::X11PointerStep::Move, away + QPoint(i % 2, 0) });
    steps.push_back({ kit::test::X11PointerStep::Release, {} });
    std::size_t next = 0;
    bool sourceHidden = false;
    const auto timer = kit::Timer::timerWithTimeIntervalRepeatsBlock(0.05, true, [&](kit::Timer*) {
        if (next >= steps.size())
            return;
        if (QVTabDragAssistant::sharedDragAssistant()->isDragging() && !source.window->isVisible())
            sourceHidden = true;
        kit::test::sendPointerOnServer(steps[next++]);
    });
    // The press is judged and the slide run in the tracking mode: the steps go on in every mode.
    kit::RunLoop::main().addTimerForMode(timer, kit::RunLoopCommonModes);
    const bool ended = kit::test::turnUntil([&] { return next >= steps.size() && !ends.notifications.empty(); });
    timer->invalidate();
    ASSERT_TRUE(ended) << "the release never ended the drag; " << next << " of " << steps.size() << " steps sent";

    EXPECT_TRUE(sourceHidden) << "a lone tab torn off hides its window while it is dragged";
    EXPECT_FALSE(QVTabDragAssistant::sharedDragAssistant()->isDragging());
    EXPECT_EQ(source.f.tabView->numberOfTabViewItems(), 0);
    ASSERT_EQ(target.f.tabView->numberOfTabViewItems(), 1);
    EXPECT_EQ(target.f.item(0)->label(), QStringLiteral("Tab 1"));
    ASSERT_EQ(target.f.bar->orderedAttachedButtons().size(), 1U);
    EXPECT_EQ(target.f.bar->orderedAttachedButtons().front()->tabViewItem(), target.f.item(0));
    EXPECT_TRUE(target.window->isVisible()) << "the new window is shown";
    EXPECT_EQ(delegate->calls,
        (QStringList { QStringLiteral("newBar:Tab 1"), QStringLiteral("didDrop:Tab 1:new"), QStringLiteral("closeWindow:Tab 1") }));
}

} // namespace
