#include "QVTabBarView/QVTabDragAssistant.h"
#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

namespace {

class QVLeavingDelegate : public QVRecordingDelegate {
public:
    bool tabViewShouldAllowTabViewItemToLeaveTabBarView(kit::TabView*, kit::TabViewItem*, QVTabBarView*) override { return true; }
    void tabViewDidDropTabViewItemInTabBarView(kit::TabView*, kit::TabViewItem* item, QVTabBarView*) override
    {
        calls << QStringLiteral("didDrop:") + item->label();
    }
    kit::Ref<QVTabBarView> tabViewNewTabBarViewForDraggedTabViewItemAtPoint(kit::TabView*, kit::TabViewItem*, kit::Point) override
    {
        calls << QStringLiteral("newBar");
        if (onNewBar)
            onNewBar();
        return newBar;
    }
    kit::Ref<QVTabBarView> newBar;
    // Runs inside the new-bar call, while the detached drag is still on.
    std::function<void()> onNewBar;
};

struct QVTwoBars {
    QVBarFixture a { kit::MakeRect(0, 0, 400, 22), 2 };
    QVBarFixture b { kit::MakeRect(0, 0, 400, 22), 1 };
    kit::Ref<kit::Window> wa = kit::make<kit::Window>(kit::MakeRect(100, 400, 400, 100), kit::TitledWindowMask);
    kit::Ref<kit::Window> wb = kit::make<kit::Window>(kit::MakeRect(100, 100, 400, 100), kit::TitledWindowMask);
    kit::Ref<QVLeavingDelegate> delegate = kit::make<QVLeavingDelegate>();
    int ends = 0;
    kit::Ref<kit::Object> token;

    QVTwoBars()
    {
        wa->contentView()->addSubview(a.bar.get());
        wb->contentView()->addSubview(b.bar.get());
        delegate->implemented = { "tabViewShouldAllowTabViewItemToLeaveTabBarView", "tabViewDidDropTabViewItemInTabBarView" };
        a.bar->setDelegate(delegate.get());
        b.bar->setDelegate(delegate.get());
        a.bar->updateAnimate(false);
        b.bar->updateAnimate(false);
        wa->orderFront();
        wb->orderFront();
        kit::ExternalDrag::setPresenter([](kit::OutgoingDrag&) {
            ADD_FAILURE() << "the tab drag left the kit's loop";
            return Qt::IgnoreAction;
        });
        token = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
            QVTabDragDidEndNotification, nullptr, nullptr, [this](kit::Notification*) { ++ends; });
    }
    ~QVTwoBars()
    {
        kit::NotificationCenter::defaultCenter()->removeObserver(token.get());
        QVTabDragAssistant::resetForTesting();
        kit::ExternalDrag::resetForTesting();
        kit::Application::resetForTesting();
    }
};

TEST(QVTabDetachedDrag, ATabDraggedOntoAnotherBarMovesThere)
{
    QVTwoBars t;
    kit::test::EventScript script(t.wa.get());
    script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(56, 60));
    script.inWindow(t.wb.get()).mouseDragged(kit::MakePoint(300, 10)).wait(0.2).mouseDragged(kit::MakePoint(301, 10)).wait(0.2).mouseUp(kit::MakePoint(301, 10));
    script.run();
    EXPECT_EQ(t.a.tabView->numberOfTabViewItems(), 1);
    ASSERT_EQ(t.b.tabView->numberOfTabViewItems(), 2);
    EXPECT_EQ(t.b.tabView->tabViewItemAtIndex(1)->label(), QStringLiteral("Tab 1"));
    EXPECT_EQ(t.b.bar->numberOfAttachedButtons(), 2);
    EXPECT_TRUE(t.delegate->calls.contains(QStringLiteral("didDrop:Tab 1")));
    EXPECT_EQ(t.ends, 1);
    auto* assistant = QVTabDragAssistant::sharedDragAssistant();
    EXPECT_FALSE(assistant->isDragging());
    EXPECT_FALSE(assistant->pasteboardItem());
    EXPECT_FALSE(assistant->draggedTab());
    EXPECT_EQ(t.a.bar->destinationIndexForDraggedItem(), QVNotFound);
    EXPECT_EQ(t.b.bar->destinationIndexForDraggedItem(), QVNotFound);
}

TEST(QVTabDetachedDrag, ADropOutsideEveryBarPutsTheTabBack)
{
    QVTwoBars t;
    kit::test::EventScript script(t.wa.get());
    script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(56, 60)).wait(0.2).mouseUp(kit::MakePoint(56, 60));
    script.run();
    EXPECT_EQ(t.a.tabView->numberOfTabViewItems(), 2);
    EXPECT_EQ(t.a.tabView->tabViewItemAtIndex(0)->label(), QStringLiteral("Tab 1"));
    EXPECT_EQ(t.a.bar->numberOfAttachedButtons(), 2);
    EXPECT_EQ(t.ends, 1);
    EXPECT_FALSE(QVTabDragAssistant::sharedDragAssistant()->isDragging());
}

TEST(QVTabDetachedDrag, TheLastTabTornOffHidesItsWindowAndBringsItBackWhenRefused)
{
    QVTwoBars t;
    t.a.tabView->removeTabViewItem(t.a.item(1).get());
    t.a.bar->updateAnimate(false);
    t.delegate->implemented.insert("tabViewNewTabBarViewForDraggedTabViewItemAtPoint");
    bool hiddenDuringDrag = false;
    auto token = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        QVTabDragDidEndNotification, nullptr, nullptr, [&](kit::Notification*) { hiddenDuringDrag = !t.wa->isVisible(); });
    kit::test::EventScript script(t.wa.get());
    script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(56, 60)).wait(0.2).mouseUp(kit::MakePoint(56, 60));
    script.run();
    EXPECT_TRUE(t.delegate->calls.contains(QStringLiteral("newBar")));
    EXPECT_TRUE(hiddenDuringDrag);
    // No new bar: the tab goes back, and so does its window.
    EXPECT_EQ(t.a.tabView->numberOfTabViewItems(), 1);
    EXPECT_TRUE(t.wa->isVisible());
    kit::NotificationCenter::defaultCenter()->removeObserver(token.get());
}

// The first of two tabs dragged straight out of its bar and released outside every bar: the
// tear-off look is on when the drag ends, as for a window's last tab.
// A flick leaves the bar with the first event.
class QVTabTearOffLook : public ::testing::TestWithParam<std::tuple<std::uint64_t, bool>> { };

TEST_P(QVTabTearOffLook, ShowsForATabDraggedStraightOut)
{
    QVTwoBars t;
    const auto [style, flick] = GetParam();
    t.a.bar->setTearOffStyle(style);
    t.delegate->implemented.insert("tabViewNewTabBarViewForDraggedTabViewItemAtPoint");
    bool viewWindowShown = false, miniatureShown = false;
    kit::Size miniature;
    t.delegate->onNewBar = [&] {
        auto* assistant = QVTabDragAssistant::sharedDragAssistant();
        viewWindowShown = assistant->draggedView() && assistant->draggedView()->window()->isVisible();
        if (const auto tab = assistant->draggedTab()) {
            miniatureShown = tab->showingAlternate();
            if (tab->alternateImage())
                miniature = tab->alternateImage()->size();
        }
    };
    kit::test::EventScript script(t.wa.get());
    script.mouseDown(kit::MakePoint(50, 10));
    if (!flick)
        script.mouseDragged(kit::MakePoint(56, 10));
    script.mouseDragged(kit::MakePoint(56, 60)).wait(0.2).mouseUp(kit::MakePoint(56, 60));
    script.run();
    ASSERT_TRUE(t.delegate->calls.contains(QStringLiteral("newBar")));
    if (style == 0) {
        EXPECT_TRUE(viewWindowShown);
    } else {
        EXPECT_TRUE(miniatureShown);
        EXPECT_DOUBLE_EQ(std::max(miniature.width, miniature.height), 125);
    }
    // No new bar: the tab is back at its place.
    EXPECT_EQ(t.a.tabView->tabViewItemAtIndex(0)->label(), QStringLiteral("Tab 1"));
    EXPECT_EQ(t.ends, 1);
}

INSTANTIATE_TEST_SUITE_P(Styles, QVTabTearOffLook, ::testing::Combine(::testing::Values(std::uint64_t(0), std::uint64_t(1)), ::testing::Bool()));

TEST(QVTabDetachedDrag, ADropIntoAnEmptyBarLandsAtZeroAndASingleTabSourceHides)
{
    QVTwoBars t;
    t.b.tabView->removeTabViewItem(t.b.item(0).get());
    t.b.bar->updateAnimate(false);
    t.a.bar->setHideForSingleTab(true);
    kit::RunLoop::main().runPending();
    ASSERT_EQ(t.b.bar->numberOfAttachedButtons(), 0);
    ASSERT_FALSE(t.a.bar->isTabBarHidden());
    kit::test::EventScript script(t.wa.get());
    script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(56, 60));
    script.inWindow(t.wb.get()).mouseDragged(kit::MakePoint(300, 10)).wait(0.2).mouseDragged(kit::MakePoint(301, 10)).wait(0.2).mouseUp(kit::MakePoint(301, 10));
    script.run();
    ASSERT_EQ(t.b.tabView->numberOfTabViewItems(), 1);
    EXPECT_EQ(t.b.tabView->tabViewItemAtIndex(0)->label(), QStringLiteral("Tab 1"));
    EXPECT_EQ(t.a.tabView->numberOfTabViewItems(), 1);
    kit::RunLoop::main().runPending();
    // The bar hides while its tab view has at most one item, after a drop as after any change.
    EXPECT_TRUE(t.a.bar->isTabBarHidden());
    EXPECT_FALSE(t.b.bar->isTabBarHidden());
}

// A bar without buttons, during a detached drag: a point before its left margin proposes 0, and so
// does a point after the (absent) last button.
TEST(QVDestinationIndex, AnEmptyBarProposesZeroInsideAndPastItsMargin)
{
    QVTwoBars t;
    QVBarFixture empty(kit::MakeRect(0, 0, 400, 22), 0, false);
    const double margin = empty.bar->leftMargin();
    ASSERT_GT(margin, 1);
    t.delegate->implemented.insert("tabViewNewTabBarViewForDraggedTabViewItemAtPoint");
    std::vector<std::uint64_t> indexes;
    t.delegate->onNewBar = [&] {
        auto* assistant = QVTabDragAssistant::sharedDragAssistant();
        ASSERT_TRUE(assistant->isDragging());
        const auto button = assistant->attachedTabBarButtonForDraggedItems();
        for (const double x : { margin / 2, margin + 1, 200.0, 399.0 })
            indexes.push_back(assistant->destinationIndexForButtonAtPointInTabBarView(button.get(), kit::MakePoint(x, 11), empty.bar.get()));
    };
    kit::test::EventScript script(t.wa.get());
    script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(56, 60)).wait(0.2).mouseUp(kit::MakePoint(56, 60));
    script.run();
    EXPECT_EQ(indexes, (std::vector<std::uint64_t> { 0, 0, 0, 0 }));
}

// Let go 20 points from the screen's top-right corner, the new window would be centred half off
// the screen: it is moved the least distance that brings it back inside the visible frame.
TEST(QVTabDetachedDrag, ATabTornOffNearTheCornerGetsAWindowOnScreen)
{
    QVTwoBars t;
    t.a.bar->setTearOffStyle(1);
    t.delegate->implemented.insert("tabViewNewTabBarViewForDraggedTabViewItemAtPoint");
    t.delegate->newBar = t.b.bar;
    t.wb->orderOut();
    const kit::Rect v = kit::Screen::mainScreen()->visibleFrame();
    const kit::Point corner = kit::MakePoint(v.maxX() - 20 - t.wa->frame().minX(), v.maxY() - 20 - t.wa->frame().minY());
    kit::test::EventScript script(t.wa.get());
    script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(56, 60));
    script.mouseDragged(corner).wait(0.2).mouseDragged(corner).wait(0.2).mouseUp(corner);
    script.run();
    ASSERT_TRUE(t.delegate->calls.contains(QStringLiteral("newBar")));
    ASSERT_EQ(t.b.tabView->numberOfTabViewItems(), 2);
    const kit::Rect f = t.wb->frame();
    EXPECT_DOUBLE_EQ(f.maxX(), v.maxX());
    EXPECT_DOUBLE_EQ(f.maxY(), v.maxY());
    EXPECT_EQ(f.size, kit::MakeSize(400, 100));
}

// Orders out the window of a bar left without tabs, as an application closes a torn-off window.
class QVClosingDelegate : public QVLeavingDelegate {
public:
    void tabViewCloseWindowForLastTabViewItem(kit::TabView* tabView, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("closeWindow:") + (item ? item->label() : QString());
        if (const kit::Ref<kit::Window> w = tabView ? tabView->window() : nullptr)
            w->orderOut();
    }
};

// The lone tab of a torn-off window dragged back between the first bar's two tabs: that bar lays
// its three buttons out side by side in tab order, each with its close button, now and after its
// next update; the window that took the drop is key, though another is in front of it.
TEST(QVTabDetachedDrag, TheLastTabDraggedBackLaysTheBarOutWithoutOverlap)
{
    QVTwoBars t;
    auto closing = kit::make<QVClosingDelegate>();
    closing->implemented = { "tabViewShouldAllowTabViewItemToLeaveTabBarView", "tabViewDidDropTabViewItemInTabBarView",
        "tabViewNewTabBarViewForDraggedTabViewItemAtPoint", "tabViewCloseWindowForLastTabViewItem" };
    t.a.bar->setDelegate(closing.get());
    t.b.bar->setDelegate(closing.get());
    t.b.item(0)->setLabel(QStringLiteral("Back"));
    // A window in front of the destination, away from the drop: the key goes to the drop's window.
    const auto other = kit::make<kit::Window>(kit::MakeRect(700, 100, 200, 100), kit::TitledWindowMask);
    other->orderFront();
    t.wb->makeKeyAndOrderFront();
    kit::test::EventScript script(t.wb.get());
    script.mouseDown(kit::MakePoint(30, 10)).mouseDragged(kit::MakePoint(36, 10)).mouseDragged(kit::MakePoint(36, 60));
    script.inWindow(t.wa.get()).mouseDragged(kit::MakePoint(88, 10)).wait(0.2).mouseDragged(kit::MakePoint(89, 10)).wait(0.2).mouseUp(kit::MakePoint(89, 10));
    script.run();
    ASSERT_TRUE(closing->calls.contains(QStringLiteral("closeWindow:Back")));
    EXPECT_FALSE(t.wb->isVisible());
    ASSERT_EQ(t.a.tabView->numberOfTabViewItems(), 3);
    ASSERT_EQ(t.a.tabView->tabViewItemAtIndex(1)->label(), QStringLiteral("Back"));
    const auto expectSideBySide = [&](const char* when) {
        SCOPED_TRACE(when);
        const auto buttons = t.a.bar->orderedAttachedButtons();
        ASSERT_EQ(buttons.size(), 3u);
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(buttons[i]->tabViewItem(), t.a.item(int(i))) << i;
            EXPECT_EQ(buttons[i]->superview().get(), t.a.bar.get()) << i;
            ASSERT_TRUE(buttons[i]->closeButton()) << i;
            EXPECT_EQ(buttons[i]->closeButton()->superview().get(), buttons[i].get()) << i;
            if (i > 0)
                EXPECT_LE(buttons[i - 1]->frame().maxX(), buttons[i]->frame().minX()) << i;
        }
    };
    expectSideBySide("after the drop");
    kit::RunLoop::main().runPending();
    expectSideBySide("after the next update");
    t.a.bar->updateAnimate(false);
    expectSideBySide("after another update");
    EXPECT_TRUE(t.wa->isKeyWindow());
}

// Answers every drop validation with `answer`, noting the tab view each call names.
class QVValidatingDelegate : public QVLeavingDelegate {
public:
    std::uint64_t answer = kit::DragOperationMove;
    // Entering and the drop name the destination's tab view, updates the source's: a second call
    // naming the destination's is the drop.
    kit::TabView* refusedAtDrop = nullptr;
    std::vector<kit::TabView*> tabViews;
    std::vector<std::uint64_t> indexes;
    std::uint64_t tabViewValidateDropProposedItemProposedIndexInTabBarView(
        kit::TabView* tabView, kit::DraggingInfo&, kit::TabViewItem*, std::uint64_t index, QVTabBarView*) override
    {
        const bool drop = refusedAtDrop == tabView && std::count(tabViews.begin(), tabViews.end(), tabView) > 0;
        tabViews.push_back(tabView);
        indexes.push_back(index);
        return drop ? kit::DragOperationNone : answer;
    }
};

struct QVDropValidationCase {
    std::uint64_t answer;
    bool refuseAtDrop;
    bool moved;
};

class QVTabDropValidation : public ::testing::TestWithParam<QVDropValidationCase> { };

TEST_P(QVTabDropValidation, TheDestinationsOperationDecidesTheDrop)
{
    QVTwoBars t;
    auto validating = kit::make<QVValidatingDelegate>();
    validating->answer = GetParam().answer;
    if (GetParam().refuseAtDrop)
        validating->refusedAtDrop = t.b.tabView.get();
    validating->implemented = { "tabViewValidateDropProposedItemProposedIndexInTabBarView" };
    t.b.bar->setDelegate(validating.get());
    kit::test::EventScript script(t.wa.get());
    script.mouseDown(kit::MakePoint(50, 10)).mouseDragged(kit::MakePoint(56, 10)).mouseDragged(kit::MakePoint(56, 60));
    script.inWindow(t.wb.get()).mouseDragged(kit::MakePoint(300, 10)).wait(0.2).mouseDragged(kit::MakePoint(301, 10)).wait(0.2).mouseUp(kit::MakePoint(301, 10));
    script.run();
    kit::RunLoop::main().runPending();
    ASSERT_FALSE(validating->tabViews.empty());
    // Entering names the destination's tab view; only an update while shown names the source's.
    EXPECT_EQ(validating->tabViews.front(), t.b.tabView.get());
    for (const std::uint64_t index : validating->indexes)
        EXPECT_EQ(index, 1u);
    if (GetParam().moved) {
        EXPECT_EQ(validating->tabViews.back(), t.b.tabView.get()) << "the drop names the destination's tab view";
        EXPECT_EQ(t.a.tabView->numberOfTabViewItems(), 1);
        ASSERT_EQ(t.b.tabView->numberOfTabViewItems(), 2);
        EXPECT_EQ(t.b.tabView->tabViewItemAtIndex(1)->label(), QStringLiteral("Tab 1"));
    } else {
        // Refused: the tab is back in the source bar, which made its button again (its update ran).
        EXPECT_EQ(t.a.tabView->numberOfTabViewItems(), 2);
        EXPECT_EQ(t.a.bar->numberOfAttachedButtons(), 2);
        EXPECT_EQ(t.b.tabView->numberOfTabViewItems(), 1);
        EXPECT_EQ(t.b.bar->destinationIndexForDraggedItem(), QVNotFound);
    }
    EXPECT_EQ(t.ends, 1);
    EXPECT_FALSE(QVTabDragAssistant::sharedDragAssistant()->isDragging());
}

INSTANTIATE_TEST_SUITE_P(Operations, QVTabDropValidation,
    // The bar offers only move: an answer without it is no drop, as none is.
    ::testing::Values(QVDropValidationCase { kit::DragOperationNone, false, false }, QVDropValidationCase { kit::DragOperationMove, false, true },
        QVDropValidationCase { kit::DragOperationCopy, false, false }, QVDropValidationCase { kit::DragOperationEvery, false, true },
        // Shown over the bar, refused only at the drop.
        QVDropValidationCase { kit::DragOperationMove, true, false }));

} // namespace
