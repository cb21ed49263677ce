// Tab drags driven by scripted mouse events: within a bar, between two windows' bars, out of
// every bar (cancel and tear-off), and the drag's start.

#include "XTTabBarControl/tests/XTTabDragTestSupport.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

namespace {

using Bar = XTWindowBar;

class XTTabDrag : public testing::Test {
protected:
    XTDragScope scope;
    XTWindowBar a { kit::MakePoint(100, 400), 3 };
    XTWindowBar b { kit::MakePoint(100, 100), 1, QStringLiteral("Other") };
    kit::Ref<XTDragDelegate> delegate = kit::make<XTDragDelegate>();
    kit::test::NotificationRecorder begins { XTTabDragDidBeginNotification };
    kit::test::NotificationRecorder ends { XTTabDragDidEndNotification };

    void SetUp() override
    {
        delegate->implemented = { "tabViewShouldDragTabViewItemFromTabBar", "tabViewDidDropTabViewItemInTabBar" };
        a.bar()->setDelegate(delegate.get());
        b.bar()->setDelegate(delegate.get());
    }
    // Press on tab `from` of bar A (at its x), go past the threshold, then run `then`.
    void dragFromA(double x, const std::function<void(kit::test::EventScript&)>& then)
    {
        kit::test::EventScript script(a.window.get());
        script.mouseDown(Bar::at(x)).mouseDragged(Bar::at(x + 12));
        then(script);
        script.run();
    }
    XTTabDragAssistant& assistant() { return *XTTabDragAssistant::sharedDragAssistant(); }
    void expectIdle()
    {
        EXPECT_FALSE(assistant().isDragging());
        EXPECT_FALSE(assistant().sourceTabBar());
        EXPECT_FALSE(assistant().destinationTabBar());
        EXPECT_FALSE(assistant().draggedCell());
        EXPECT_FALSE(assistant().draggedTab());
        EXPECT_TRUE(assistant().participatingTabBars().empty());
        EXPECT_TRUE(assistant().sineCurveWidths().empty());
        EXPECT_EQ(begins.notifications.size(), 1u);
        EXPECT_EQ(ends.notifications.size(), 1u);
    }
};

TEST_F(XTTabDrag, ReorderingWithinTheBarMovesTheItemAndKeepsTheSelection)
{
    a.f.tabView->selectTabViewItemAtIndex(1);
    dragFromA(75, [](kit::test::EventScript& s) {
        s.wait(0.1).mouseDragged(Bar::at(380)).wait(0.5).mouseDragged(Bar::at(381)).wait(0.1).mouseUp(Bar::at(381));
    });
    EXPECT_EQ(a.labels(), (QStringList { "Tab 1", "Tab 2", "Tab 0" }));
    EXPECT_TRUE(a.cellsMatchItems());
    EXPECT_EQ(a.f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 1"));
    EXPECT_TRUE(delegate->calls.contains(QStringLiteral("didDrop:Tab 0:bar")));
    expectIdle();
}

TEST_F(XTTabDrag, ADropBackOnItsOwnPlaceReportsNoDrop)
{
    dragFromA(205, [](kit::test::EventScript& s) { s.wait(0.3).mouseDragged(Bar::at(205)).wait(0.3).mouseUp(Bar::at(205)); });
    EXPECT_EQ(a.labels(), (QStringList { "Tab 0", "Tab 1", "Tab 2" }));
    EXPECT_TRUE(a.cellsMatchItems());
    EXPECT_FALSE(delegate->calls.join(' ').contains(QStringLiteral("didDrop")));
    expectIdle();
}

TEST_F(XTTabDrag, ATabDroppedOnAnotherWindowsBarMovesThereAndIsSelected)
{
    // The bar the tab left closes its gap with its own tabs side by side from its left margin.
    std::vector<double> leftBehind;
    const auto token = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        XTTabDragDidEndNotification, nullptr, nullptr, [&](kit::Notification*) {
            for (const auto& cell : a.bar()->cells())
                leftBehind.push_back(cell->frame().origin.x);
        });
    dragFromA(205, [&](kit::test::EventScript& s) {
        s.mouseDragged(Bar::at(205, 200));
        s.inWindow(b.window.get()).mouseDragged(Bar::at(300)).wait(0.4).mouseDragged(Bar::at(301)).wait(0.1).mouseUp(Bar::at(301));
    });
    EXPECT_EQ(a.labels(), (QStringList { "Tab 0", "Tab 2" }));
    EXPECT_EQ(b.labels(), (QStringList { "Other 0", "Tab 1" }));
    EXPECT_TRUE(a.cellsMatchItems());
    EXPECT_TRUE(b.cellsMatchItems());
    EXPECT_EQ(b.f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 1"));
    EXPECT_TRUE(delegate->calls.contains(QStringLiteral("didDrop:Tab 1:bar")));
    kit::NotificationCenter::defaultCenter()->removeObserver(token.get());
    EXPECT_EQ(leftBehind, (std::vector<double> { 10, 140 }));
    // The moved cell shows its item's title and follows it.
    b.f.tabView->tabViewItemAtIndex(1)->setLabel(QStringLiteral("Renamed"));
    EXPECT_EQ(b.bar()->cells()[1]->stringValue(), QStringLiteral("Renamed"));
    expectIdle();
}

TEST_F(XTTabDrag, ADropBeforeTheFirstStepTakesTheLastGapAndLosesNoOverflowedTab)
{
    for (int i = 1; i < 5; ++i)
        b.f.addTab(QStringLiteral("Other %1").arg(i));
    ASSERT_TRUE(b.bar()->cells().back()->isInOverflowMenu());
    // No time passes: the drop comes before any animation step has chosen a gap.
    dragFromA(75, [&](kit::test::EventScript& s) {
        s.mouseDragged(Bar::at(75, 200));
        s.inWindow(b.window.get()).mouseDragged(Bar::at(200)).mouseUp(Bar::at(200));
    });
    EXPECT_EQ(b.labels(), (QStringList { "Other 0", "Other 1", "Other 2", "Other 3", "Tab 0", "Other 4" }));
    EXPECT_TRUE(b.cellsMatchItems());
    EXPECT_TRUE(a.cellsMatchItems());
    expectIdle();
}

TEST_F(XTTabDrag, ADropLandsInTheGapItsBarOpenedWhileAnotherBarStillCloses)
{
    // Over B long enough to open a gap there, back to A before that gap has closed.
    dragFromA(75, [&](kit::test::EventScript& s) {
        s.mouseDragged(Bar::at(75, 200));
        s.inWindow(b.window.get()).mouseDragged(Bar::at(300)).wait(0.2);
        s.inWindow(a.window.get()).mouseDragged(Bar::at(200)).wait(0.1).mouseUp(Bar::at(200));
    });
    EXPECT_EQ(a.labels(), (QStringList { "Tab 1", "Tab 0", "Tab 2" }));
    EXPECT_TRUE(a.cellsMatchItems());
    EXPECT_TRUE(b.cellsMatchItems());
    expectIdle();
}

TEST_F(XTTabDrag, ACancelOutsideEveryBarRestoresTheOrder)
{
    dragFromA(205, [](kit::test::EventScript& s) { s.mouseDragged(Bar::at(205, 200)).wait(0.5).mouseUp(Bar::at(205, 200)); });
    EXPECT_EQ(a.labels(), (QStringList { "Tab 0", "Tab 1", "Tab 2" }));
    EXPECT_TRUE(a.cellsMatchItems());
    EXPECT_EQ(b.labels(), (QStringList { "Other 0" }));
    EXPECT_FALSE(delegate->calls.join(' ').contains(QStringLiteral("didDrop")));
    expectIdle();
}

TEST_F(XTTabDrag, TheFirstTabDragsAndDropsWithItsNeighboursIntact)
{
    dragFromA(75, [](kit::test::EventScript& s) {
        s.wait(0.1).mouseDragged(Bar::at(250)).wait(0.5).mouseDragged(Bar::at(251)).mouseUp(Bar::at(251));
    });
    EXPECT_EQ(a.labels(), (QStringList { "Tab 1", "Tab 0", "Tab 2" }));
    EXPECT_TRUE(a.cellsMatchItems());
    expectIdle();
}

TEST_F(XTTabDrag, BeginAndEndArePostedOnceAndALateEndIsIgnored)
{
    dragFromA(205, [](kit::test::EventScript& s) { s.wait(0.2).mouseUp(Bar::at(300)); });
    assistant().draggedImageEndedAtOperation(kit::MakePoint(0, 0), kit::DragOperationNone);
    EXPECT_TRUE(a.cellsMatchItems());
    expectIdle();
}

TEST_F(XTTabDrag, TheAssistantLetsGoOfTheBarsAfterADrag)
{
    kit::Weak<XTTabBarControl> weakA;
    kit::Weak<XTTabBarControl> weakB;
    {
        XTWindowBar c { kit::MakePoint(600, 400), 2 };
        XTWindowBar d { kit::MakePoint(600, 100), 1 };
        c.bar()->setDelegate(delegate.get());
        d.bar()->setDelegate(delegate.get());
        weakA = c.bar().get();
        weakB = d.bar().get();
        kit::test::EventScript script(c.window.get());
        script.mouseDown(Bar::at(75)).mouseDragged(Bar::at(90)).mouseDragged(Bar::at(90, 200));
        script.inWindow(d.window.get()).mouseDragged(Bar::at(300)).wait(0.2).mouseUp(Bar::at(300));
        script.run();
        EXPECT_EQ(d.labels().size(), 2);
        c.window->setContentView(nullptr);
        d.window->setContentView(nullptr);
    }
    kit::RunLoop::main().runPending();
    EXPECT_FALSE(weakA.lock());
    EXPECT_FALSE(weakB.lock());
}

// Archived mid-drag, while its step timer runs, the assistant writes its drag state by key and a
// decoded one holds the same values; the timer stays behind.
TEST_F(XTTabDrag, TheAssistantArchivesItsStateWhileTheDragAnimates)
{
    QByteArray data;
    bool dragging = false;
    std::int64_t index = -1;
    std::vector<std::int64_t> widths;
    kit::Point mouse {};
    // Scheduled once the drag has begun, on the script's clock.
    kit::Ref<kit::Timer> probe;
    const kit::Ref<kit::Object> observer = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        XTTabDragDidBeginNotification, nullptr, nullptr, [&](kit::Notification*) {
            probe = kit::Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.02, true, [&](kit::Timer*) {
                if (!data.isEmpty() || !assistant().isDragging() || assistant().sineCurveWidths().empty())
                    return;
                dragging = true;
                index = assistant().draggedCellIndex();
                widths = assistant().sineCurveWidths();
                mouse = assistant().currentMouseLoc();
                data = kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(&assistant())));
            });
        });
    dragFromA(205, [](kit::test::EventScript& s) { s.wait(0.1).mouseDragged(Bar::at(300)).wait(0.2).mouseUp(Bar::at(300)); });
    kit::NotificationCenter::defaultCenter()->removeObserver(observer.get());
    ASSERT_TRUE(probe);
    probe->invalidate();
    ASSERT_TRUE(dragging);
    ASSERT_FALSE(data.isEmpty());
    const auto decoded = kit::KeyedUnarchiver::unarchiveObjectWithData(data).objectAs<XTTabDragAssistant>();
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->isDragging());
    EXPECT_EQ(decoded->draggedCellIndex(), index);
    EXPECT_EQ(decoded->sineCurveWidths(), widths);
    EXPECT_FALSE(widths.empty());
    EXPECT_DOUBLE_EQ(decoded->currentMouseLoc().x, mouse.x);
    EXPECT_DOUBLE_EQ(decoded->currentMouseLoc().y, mouse.y);
    EXPECT_TRUE(decoded->sourceTabBar());
    EXPECT_TRUE(decoded->draggedCell());
    EXPECT_FALSE(decoded->participatingTabBars().empty());
}

// The press threshold: a drag starts 10 points from the press, once per click, and only with a
// delegate that answers YES.
struct XTDragStartCase {
    const char* name;
    double distance;
    bool delegateAnswers;
    int begins;
};

class XTTabDragStart : public XTTabDrag, public testing::WithParamInterface<XTDragStartCase> { };

TEST_P(XTTabDragStart, StartsAtTenPointsWhenTheDelegateAllows)
{
    const XTDragStartCase& c = GetParam();
    if (!c.delegateAnswers)
        delegate->implemented.erase("tabViewShouldDragTabViewItemFromTabBar");
    kit::test::EventScript script(a.window.get());
    // Straight down-right: 6 and 8 make 10.
    const double dx = c.distance == 10 ? 6 : c.distance * 0.6, dy = c.distance == 10 ? 8 : c.distance * 0.8;
    script.mouseDown(Bar::at(200, 5))
        .mouseDragged(Bar::at(200 + dx, 5 + dy))
        .mouseDragged(Bar::at(200 + dx, 5 + dy))
        .mouseUp(Bar::at(200 + dx, 5 + dy));
    script.run();
    EXPECT_EQ(int(begins.notifications.size()), c.begins);
    EXPECT_EQ(int(delegate->calls.count(QStringLiteral("shouldDrag:Tab 1"))), c.delegateAnswers && c.distance >= 10 ? 1 : 0);
    EXPECT_TRUE(a.cellsMatchItems());
}

INSTANTIATE_TEST_SUITE_P(Threshold, XTTabDragStart,
    testing::Values(XTDragStartCase { "ninePoints", 9, true, 0 }, XTDragStartCase { "tenPoints", 10, true, 1 },
        XTDragStartCase { "tenPointsNoAnswer", 10, false, 0 }),
    [](const auto& info) { return std::string(info.param.name); });

// The drag starts from the click's own mouse-down: its modifiers, not the drag event's, are the
// drag's first.
class XTFlagsDelegate : public XTDragDelegate {
public:
    std::vector<std::uint64_t> flagsOnEntering;
    kit::Ref<kit::Event> downWhenAsked;
    bool tabViewShouldDropTabViewItemInTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl* bar) override
    {
        const kit::Ref<kit::Event> current = kit::Application::sharedApplication()->currentEvent();
        if (bar && current)
            flagsOnEntering.push_back(current->modifierFlags() & kit::DeviceIndependentModifierFlagsMask);
        return true;
    }
    bool tabViewShouldDragTabViewItemFromTabBar(kit::TabView* tabView, kit::TabViewItem* item, XTTabBarControl* bar) override
    {
        downWhenAsked = bar->lastMouseDownEvent();
        return XTDragDelegate::tabViewShouldDragTabViewItemFromTabBar(tabView, item, bar);
    }
};

TEST_F(XTTabDrag, TheDragStartsFromTheMouseDownEvent)
{
    auto flags = kit::make<XTFlagsDelegate>();
    flags->implemented = { "tabViewShouldDragTabViewItemFromTabBar", "tabViewShouldDropTabViewItemInTabBar" };
    a.bar()->setDelegate(flags.get());
    kit::test::EventScript script(a.window.get());
    script.mouseDown(Bar::at(200), kit::ShiftKeyMask).mouseDragged(Bar::at(212)).wait(0.1).mouseUp(Bar::at(212));
    script.run();
    ASSERT_TRUE(flags->downWhenAsked);
    EXPECT_EQ(flags->downWhenAsked->type(), kit::LeftMouseDown);
    EXPECT_EQ(flags->downWhenAsked->locationInWindow(), Bar::at(200));
    ASSERT_FALSE(flags->flagsOnEntering.empty());
    EXPECT_EQ(flags->flagsOnEntering.front(), kit::ShiftKeyMask);
    EXPECT_TRUE(a.cellsMatchItems());
}

TEST_F(XTTabDrag, ANewClickMayDragAgain)
{
    for (int i = 0; i < 2; ++i) {
        kit::test::EventScript script(a.window.get());
        script.mouseDown(Bar::at(205)).mouseDragged(Bar::at(217)).mouseDragged(Bar::at(230)).mouseUp(Bar::at(230));
        script.run();
    }
    EXPECT_EQ(begins.notifications.size(), 2u);
    EXPECT_EQ(ends.notifications.size(), 2u);
}

TEST_F(XTTabDrag, TheBarIsASourceThatMovesInsideTheApplicationOnly)
{
    XTTabBarControl& bar = *a.bar();
    EXPECT_TRUE(bar.respondsToSelector(kit::Selector("draggingSourceOperationMaskForLocal")));
    EXPECT_TRUE(bar.respondsToSelector(kit::Selector("ignoreModifierKeysWhileDragging")));
    EXPECT_EQ(bar.draggingSourceOperationMaskForLocal(true), kit::DragOperationMove);
    EXPECT_EQ(bar.draggingSourceOperationMaskForLocal(false), kit::DragOperationNone);
    EXPECT_TRUE(bar.ignoreModifierKeysWhileDragging());
    // Alt held all along still moves the tab.
    kit::test::EventScript script(a.window.get());
    script.mouseDown(Bar::at(75), kit::AlternateKeyMask).mouseDragged(Bar::at(87), kit::AlternateKeyMask).wait(0.1);
    script.mouseDragged(Bar::at(380), kit::AlternateKeyMask).wait(0.5).mouseUp(Bar::at(380), kit::AlternateKeyMask);
    script.run();
    EXPECT_EQ(a.labels(), (QStringList { "Tab 1", "Tab 2", "Tab 0" }));
}

// Tear-off: out of every bar, into a bar the delegate makes.
class XTTabTearOff : public XTTabDrag {
protected:
    XTWindowBar c { kit::MakePoint(700, 250), 1, QStringLiteral("New") };

    void SetUp() override
    {
        XTTabDrag::SetUp();
        delegate->implemented.insert({ "tabViewShouldDropTabViewItemInTabBar", "tabViewNewTabBarForDraggedTabViewItemAtPoint",
            "tabViewCloseWindowForLastTabViewItem" });
        delegate->newBar = c.bar();
        c.window->orderOut();
    }
    // Drags tab `x` of A to a point between the windows and lets go.
    void tearOff(double x)
    {
        dragFromA(x, [](kit::test::EventScript& s) { s.mouseDragged(Bar::at(205, 200)).wait(0.3).mouseUp(Bar::at(205, 200)); });
    }
};

TEST_F(XTTabTearOff, TheTabMovesIntoTheDelegatesNewBarAtItsItemsIndex)
{
    kit::test::NotificationRecorder becameKey(kit::WindowDidBecomeKeyNotification, c.window.get());
    tearOff(205);
    EXPECT_EQ(a.labels(), (QStringList { "Tab 0", "Tab 2" }));
    EXPECT_EQ(c.labels(), (QStringList { "New 0", "Tab 1" }));
    EXPECT_TRUE(a.cellsMatchItems());
    EXPECT_TRUE(c.cellsMatchItems());
    EXPECT_TRUE(delegate->calls.contains(QStringLiteral("newBar:Tab 1")));
    EXPECT_TRUE(delegate->calls.contains(QStringLiteral("didDrop:Tab 1:new")));
    EXPECT_TRUE(c.window->isVisible());
    EXPECT_EQ(becameKey.notifications.size(), 1u);
    EXPECT_FALSE(delegate->calls.join(' ').contains(QStringLiteral("closeWindow")));
    expectIdle();
}

TEST_F(XTTabTearOff, TearOffStyleOneGrowsTheNewWindowOutOfAnOverlay)
{
    a.bar()->setTearOffStyle(1);
    kit::test::NotificationRecorder becameKey(kit::WindowDidBecomeKeyNotification, c.window.get());
    bool growing = false, clear = false, overlayIgnoresMouse = false;
    delegate->onDrop = [&] {
        const kit::Ref<XTTabWindowExpansion> expansion = assistant().expansion();
        growing = expansion && expansion->isRunning();
        clear = c.window->alphaValue() == 0;
        overlayIgnoresMouse = expansion && expansion->overlay() && expansion->overlay()->ignoresMouseEvents();
    };
    dragFromA(205, [&](kit::test::EventScript& s) {
        s.mouseDragged(Bar::at(205, 200)).wait(0.3).mouseUp(Bar::at(205, 200));
        s.inWindow(c.window.get()).wait(0.5).mouseMoved(Bar::at(5));
    });
    EXPECT_EQ(c.labels(), (QStringList { "New 0", "Tab 1" }));
    EXPECT_TRUE(growing);
    EXPECT_TRUE(clear);
    EXPECT_TRUE(overlayIgnoresMouse);
    const kit::Ref<XTTabWindowExpansion> expansion = assistant().expansion();
    ASSERT_TRUE(expansion);
    EXPECT_FALSE(expansion->isRunning());
    EXPECT_FALSE(expansion->overlay());
    EXPECT_EQ(c.window->alphaValue(), 1);
    EXPECT_FALSE(becameKey.notifications.empty());
}

TEST_F(XTTabTearOff, NoNewBarLogsAndPutsTheTabBack)
{
    delegate->newBar = nullptr;
    kit::test::LogRecorder log;
    tearOff(205);
    EXPECT_TRUE(log.contains(QStringLiteral("Delegate returned no control to add to.")));
    EXPECT_EQ(a.labels(), (QStringList { "Tab 0", "Tab 1", "Tab 2" }));
    EXPECT_TRUE(a.cellsMatchItems());
    EXPECT_EQ(a.window->alphaValue(), 1);
    expectIdle();
}

TEST_F(XTTabTearOff, ALoneTabRefusedANewBarBringsItsWindowBack)
{
    a.f.tabView->removeTabViewItem(a.f.tabView->tabViewItemAtIndex(2).get());
    a.f.tabView->removeTabViewItem(a.f.tabView->tabViewItemAtIndex(1).get());
    delegate->newBar = nullptr;
    double alphaDuringDrag = -1;
    const auto token = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        XTTabDragDidEndNotification, nullptr, nullptr, [&](kit::Notification*) { alphaDuringDrag = a.window->alphaValue(); });
    tearOff(75);
    kit::NotificationCenter::defaultCenter()->removeObserver(token.get());
    EXPECT_EQ(alphaDuringDrag, 0);
    EXPECT_EQ(a.window->alphaValue(), 1);
    EXPECT_EQ(a.labels(), (QStringList { "Tab 0" }));
    EXPECT_TRUE(a.cellsMatchItems());
}

TEST_F(XTTabTearOff, ALoneTabDragsAcrossItsOwnClearWindowAndEmptiesIt)
{
    a.f.tabView->removeTabViewItem(a.f.tabView->tabViewItemAtIndex(2).get());
    a.f.tabView->removeTabViewItem(a.f.tabView->tabViewItemAtIndex(1).get());
    double tabAlpha = -1, pictureAlpha = -1, sourceAlpha = -1;
    const auto token = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        XTTabDragDidEndNotification, nullptr, nullptr, [&](kit::Notification*) {
            sourceAlpha = a.window->alphaValue();
            if (const auto tab = assistant().draggedTab())
                tabAlpha = tab->window()->alphaValue();
            if (const auto picture = assistant().draggedView())
                pictureAlpha = picture->window()->alphaValue();
        });
    // Released over the bar it came from: its window is clear, so no bar takes the drop.
    dragFromA(75, [](kit::test::EventScript& s) { s.wait(0.3).mouseDragged(Bar::at(200)).wait(0.3).mouseUp(Bar::at(200)); });
    kit::NotificationCenter::defaultCenter()->removeObserver(token.get());
    EXPECT_EQ(sourceAlpha, 0);
    EXPECT_EQ(tabAlpha, 0);
    EXPECT_DOUBLE_EQ(pictureAlpha, 0.75);
    EXPECT_TRUE(a.labels().isEmpty());
    EXPECT_EQ(c.labels(), (QStringList { "New 0", "Tab 0" }));
    EXPECT_TRUE(c.cellsMatchItems());
    EXPECT_TRUE(delegate->calls.contains(QStringLiteral("closeWindow:Tab 0")));
}

} // namespace
