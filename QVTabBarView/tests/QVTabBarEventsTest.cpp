#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/graphics/Cursor.h"
#include "kit/appkit/Window.h"
#include "kit/controls/MenuItem.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/FakeDraggingInfo.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A window whose content holds a bar of 600 points at the bottom (base coordinates y 0..22).
struct QVWindowFixture : QVBarFixture {
    kit::Ref<kit::Window> window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    explicit QVWindowFixture(int tabs)
        : QVBarFixture(kit::MakeRect(0, 0, 600, 22), tabs)
    {
        window->contentView()->addSubview(bar.get());
        bar->updateAnimate(false);
    }
    ~QVWindowFixture() { kit::Application::resetForTesting(); }
};

TEST(QVTabBarClosing, BeepsForTheOnlyTabAndAsksWillAndDidInOrder)
{
    int beeps = 0;
    kit::setBeepHook([&] { ++beeps; });
    QVBarFixture one(kit::MakeRect(0, 0, 600, 22), 1);
    one.item(0)->setValueForKey(kit::Value(true), QStringLiteral("hasCloseButton"));
    auto only = one.bar->orderedAttachedButtons().front();
    one.bar->_didClickCloseButton(only->closeButton().get());
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(one.tabView->numberOfTabViewItems(), 1);
    // Not a tab's close button at all.
    one.bar->_didClickCloseButton(one.bar.get());
    EXPECT_EQ(beeps, 2);

    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    auto d = kit::make<QVRecordingDelegate>();
    d->implemented = { "tabViewShouldCloseTabViewItem", "tabViewWillCloseTabViewItem", "tabViewDidCloseTabViewItem" };
    f.bar->setDelegate(d.get());
    auto second = f.bar->orderedAttachedButtons()[1];
    d->shouldClose = false;
    f.bar->_didClickCloseButton(second->closeButton().get());
    EXPECT_EQ(d->calls, (QStringList { QStringLiteral("shouldClose:Tab 2") }));
    EXPECT_EQ(f.tabView->numberOfTabViewItems(), 3);
    d->calls.clear();
    d->shouldClose = true;
    f.bar->_didClickCloseButton(second->closeButton().get());
    EXPECT_EQ(d->calls, (QStringList { QStringLiteral("shouldClose:Tab 2"), QStringLiteral("willClose:Tab 2"), QStringLiteral("didClose:Tab 2") }));
    EXPECT_EQ(f.tabView->numberOfTabViewItems(), 2);
    kit::setBeepHook(nullptr);
}

TEST(QVTabBarMouse, APressSelectsItsTabAndAVetoKeepsTheOldSelection)
{
    QVWindowFixture f(3);
    auto d = kit::make<QVRecordingDelegate>();
    d->implemented = { "tabViewShouldSelectTabViewItem" };
    f.bar->setDelegate(d.get());
    {
        kit::test::EventScript script(f.window.get());
        script.click(kit::MakePoint(300, 10));
        script.run();
    }
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(2));
    d->shouldSelect = false;
    {
        kit::test::EventScript script(f.window.get());
        script.click(kit::MakePoint(50, 10));
        script.run();
    }
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(2));
    const auto buttons = f.bar->orderedAttachedButtons();
    EXPECT_EQ(buttons[0]->state(), kit::OffState);
    EXPECT_EQ(buttons[2]->state(), kit::OnState);
}

TEST(QVTabBarMouse, SelectingOnReleaseNeedsTheReleaseInside)
{
    QVWindowFixture f(3);
    f.bar->setSelectsTabsOnMouseDown(false);
    {
        kit::test::EventScript script(f.window.get());
        script.mouseDown(kit::MakePoint(150, 10)).mouseUp(kit::MakePoint(150, 60));
        script.run();
    }
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(0));
    {
        kit::test::EventScript script(f.window.get());
        script.click(kit::MakePoint(150, 10));
        script.run();
    }
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(1));
}

TEST(QVTabBarSpring, AFileHeldOverATabSelectsItAfterTheDelay)
{
    QTemporaryDir dir;
    kit::UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath(QStringLiteral("defaults.json")));
    EXPECT_DOUBLE_EQ(QVTabBarView::springingDelay(), 0.668);
    kit::UserDefaults::standardUserDefaults()->setObjectForKey(kit::Value(std::int64_t(500)), QStringLiteral("SpringingDelayMilliseconds"));
    EXPECT_DOUBLE_EQ(QVTabBarView::springingDelay(), 0.5);
    kit::test::ManualClockScope clock;
    QVWindowFixture f(3);
    kit::test::FakeDraggingInfo file;
    file.pasteboard->declareTypesOwner({ QStringLiteral("NSURLPboardType") }, nullptr);
    file.location = kit::MakePoint(150, 10);
    EXPECT_EQ(f.bar->draggingUpdated(file), kit::DragOperationCopy);
    clock.advance(0.4);
    // Moving to another tab restarts the delay.
    file.location = kit::MakePoint(300, 10);
    f.bar->draggingUpdated(file);
    clock.advance(0.4);
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(0));
    clock.advance(0.2);
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(2));
    // It springs again after a fire.
    file.location = kit::MakePoint(150, 10);
    f.bar->draggingUpdated(file);
    clock.advance(0.6);
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(1));
    // A foreign drag leaving the bar drops the timer; a drop on a tab is the delegate's.
    file.location = kit::MakePoint(300, 10);
    f.bar->draggingUpdated(file);
    f.bar->draggingExited(file);
    clock.advance(1);
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(1));
    EXPECT_TRUE(f.bar->prepareForDragOperation(file));
    EXPECT_FALSE(f.bar->performDragOperation(file));
    kit::UserDefaults::resetStandardUserDefaultsForTesting(QString());
}

TEST(QVTabBarSpring, TheSpringOpensTheTabUnderThePointerWhenItFires)
{
    kit::test::ManualClockScope clock;
    QVWindowFixture f(3);
    kit::test::FakeDraggingInfo file;
    file.pasteboard->declareTypesOwner({ QStringLiteral("NSURLPboardType") }, nullptr);
    // Held over Tab 2, then moved to the bar's empty end: nothing springs.
    file.location = kit::MakePoint(150, 10);
    f.bar->draggingUpdated(file);
    clock.advance(0.3);
    file.location = kit::MakePoint(550, 10);
    EXPECT_EQ(f.bar->draggingUpdated(file), kit::DragOperationNone);
    clock.advance(1);
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(0));
    // Moved on to Tab 3 and held: Tab 3 springs.
    file.location = kit::MakePoint(150, 10);
    f.bar->draggingUpdated(file);
    clock.advance(0.3);
    file.location = kit::MakePoint(300, 10);
    f.bar->draggingUpdated(file);
    clock.advance(1);
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(2));
}

// A vertical bar's right edge (3 points, as high as the tab view of 200) shows the resizing
// cursor for the bar's width: right only at the minimum, left only at the maximum.
TEST(QVTabBarResizing, TheEdgeOfAVerticalBarShowsTheCursorForItsWidth)
{
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 300), kit::TitledWindowMask);
    QVBarFixture f(kit::MakeRect(0, 0, 150, 300), 3);
    window->contentView()->addSubview(f.bar.get());
    // Base coordinates, y up: the flipped bar's y 50 is 250.
    const auto cursorAtEdge = [&] { return window->cursorAtPoint(kit::MakePoint(f.bar->frame().size.width - 1, 250)); };
    EXPECT_FALSE(cursorAtEdge()) << "a horizontal bar has no resizing edge";
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    const struct {
        double width;
        kit::Ref<kit::Cursor> cursor;
    } cases[] = { { 100, kit::Cursor::resizeRightCursor() }, { 150, kit::Cursor::resizeLeftRightCursor() },
        { 280, kit::Cursor::resizeLeftCursor() }, { 300, kit::Cursor::resizeLeftCursor() } };
    for (const auto& c : cases) {
        f.bar->setFrameSize(kit::MakeSize(c.width, 300));
        EXPECT_EQ(cursorAtEdge(), c.cursor) << c.width;
        EXPECT_FALSE(window->cursorAtPoint(kit::MakePoint(c.width - 4, 250))) << c.width;
    }
    // Below the tab view's height the edge is not the bar's.
    EXPECT_FALSE(window->cursorAtPoint(kit::MakePoint(299, 50)));
    kit::Application::resetForTesting();
}

TEST(QVTabBarResizing, ALiveResizeStopsTheSpinnersAndItsEndRestartsThemAndUpdates)
{
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask | kit::ResizableWindowMask);
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    f.bar->setAutoresizingMask(kit::ViewWidthSizable);
    window->contentView()->addSubview(f.bar.get());
    kit::test::EventScript script(window.get());
    f.item(1)->setValueForKey(kit::Value(true), QStringLiteral("isProcessing"));
    const auto spinner = f.bar->orderedAttachedButtons()[1]->indicator();
    ASSERT_FALSE(spinner->isHidden());
    spinner->startAnimation();
    window->userDidResize(kit::MakeRect(100, 100, 700, 100));
    script.clock().advance(0.1);
    window->userDidResize(kit::MakeRect(100, 100, 800, 100));
    script.clock().advance(0.1);
    EXPECT_FALSE(spinner->isAnimating()) << "stopped for the whole live resize";
    f.bar->setSizeButtonsToFit(true);
    f.style->desired = { { QStringLiteral("Tab 1"), 70 } };
    script.clock().advance(0.3);
    EXPECT_FALSE(f.bar->inLiveResize());
    // The end ran the update: the buttons are sized to fit.
    EXPECT_FALSE(f.bar->needsUpdate());
    EXPECT_EQ(f.bar->orderedAttachedButtons()[0]->frame().size.width, 70);
    kit::RunLoop::main().runPending();
    script.clock().advance(0.01);
    EXPECT_TRUE(spinner->isAnimating());
    kit::Application::resetForTesting();
}

TEST(QVTabBarModel, AttachedButtonsByViewIndexAndInOrder)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    // Among other subviews: the add-tab and overflow buttons, and one added from outside.
    auto outside = kit::make<kit::View>(kit::MakeRect(0, 0, 1, 1));
    f.bar->addSubview(outside.get());
    f.bar->moveTabViewItemToIndex(f.item(0).get(), 2);
    kit::MutableIndexSet expected;
    for (std::size_t i = 0; i < f.bar->subviews().size(); ++i)
        if (dynamic_cast<QVAttachedTabBarButton*>(f.bar->subviews()[i].get()))
            expected.addIndex(std::int64_t(i));
    EXPECT_EQ(f.bar->viewIndexesOfAttachedButtons(), expected);
    EXPECT_EQ(f.bar->viewIndexesOfAttachedButtons().count(), 3);
    EXPECT_FALSE(f.bar->viewIndexesOfAttachedButtons().containsIndex(std::int64_t(f.bar->subviews().size() - 1)));
    QStringList seen;
    std::vector<std::uint64_t> indexes;
    f.bar->enumerateAttachedButtonsUsingBlock([&](QVAttachedTabBarButton* button, std::uint64_t index, bool* stop) {
        seen << button->title();
        indexes.push_back(index);
        *stop = index == 1;
    });
    EXPECT_EQ(seen, (QStringList { QStringLiteral("Tab 2"), QStringLiteral("Tab 3") }));
    EXPECT_EQ(indexes, (std::vector<std::uint64_t> { 0, 1 }));
    // A click on the bar of an inactive window does not bring the window forward before a drag.
    EXPECT_TRUE(f.bar->shouldDelayWindowOrderingForEvent(*kit::Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        kit::LeftMouseDown, kit::MakePoint(10, 10), 0, 0, 0, nullptr, 0, 1, 1)));
}

TEST(QVTabBarHiding, AVerticalBarGivesItsWidthToItsPartnerAndTakesItBack)
{
    auto parent = kit::make<kit::View>(kit::MakeRect(0, 0, 600, 400));
    QVBarFixture f(kit::MakeRect(0, 0, 150, 400), 2);
    auto partner = kit::make<kit::View>(kit::MakeRect(150, 0, 450, 400));
    parent->addSubview(f.bar.get());
    parent->addSubview(partner.get());
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    f.bar->setPartnerView(partner);
    f.bar->hideTabBarAnimate(true, false);
    EXPECT_EQ(partner->frame(), kit::MakeRect(0, 0, 600, 400));
    EXPECT_EQ(f.bar->tabBarWidth(), 150);
    EXPECT_TRUE(f.bar->isHidden());
    f.bar->hideTabBarAnimate(false, false);
    EXPECT_EQ(partner->frame(), kit::MakeRect(150, 0, 450, 400));
    EXPECT_FALSE(f.bar->isHidden());
}

TEST(QVTabBarHiding, AVerticalBarRemembersItsWholeWidthForTheShow)
{
    auto parent = kit::make<kit::View>(kit::MakeRect(0, 0, 600, 400));
    QVBarFixture f(kit::MakeRect(450, 0, 150.75, 400), 2);
    auto partner = kit::make<kit::View>(kit::MakeRect(0, 0, 449.25, 400));
    parent->addSubview(f.bar.get());
    parent->addSubview(partner.get());
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    f.bar->setPartnerView(partner);
    // The partner lies left of the bar: it keeps its x and takes the bar's whole width.
    f.bar->hideTabBarAnimate(true, false);
    EXPECT_EQ(f.bar->tabBarWidth(), 150);
    EXPECT_EQ(partner->frame(), kit::MakeRect(0, 0, 600, 400));
    // The show gives back the remembered width, whatever the hidden bar's frame became, and the
    // partner (now over the bar's place) stays on its side of the bar.
    f.bar->setFrame(kit::MakeRect(450, 0, 90, 400));
    f.bar->hideTabBarAnimate(false, false);
    EXPECT_EQ(partner->frame(), kit::MakeRect(0, 0, 450, 400));
    // Hiding twice or showing a shown bar changes nothing.
    f.bar->hideTabBarAnimate(false, false);
    EXPECT_EQ(partner->frame(), kit::MakeRect(0, 0, 450, 400));
}

class QVFlippedView : public kit::View {
public:
    using kit::View::View;
    bool isFlipped() const override { return true; }
};

class QVHidingDelegate : public QVRecordingDelegate {
public:
    void tabViewTabBarViewDidHide(kit::TabView*, QVTabBarView*) override { calls << QStringLiteral("didHide"); }
    void tabViewTabBarViewDidUnhide(kit::TabView*, QVTabBarView*) override { calls << QStringLiteral("didUnhide"); }
};

// A horizontal bar and its partner in a 600 x 400 superview: the partner takes the bar's 22
// points on the side where the bar was, whichever way the superview counts y.
struct QVHorizontalHideCase {
    const char* name;
    bool flipped;
    kit::Rect bar, partner, collapsed;
};

class QVTabBarHorizontalHiding : public ::testing::TestWithParam<QVHorizontalHideCase> { };

TEST_P(QVTabBarHorizontalHiding, ThePartnerTakesTheBarsSideAndGivesItBack)
{
    const QVHorizontalHideCase& c = GetParam();
    const kit::Rect whole = kit::MakeRect(0, 0, 600, 400);
    const kit::Ref<kit::View> parent = c.flipped ? kit::Ref<kit::View>(kit::make<QVFlippedView>(whole)) : kit::make<kit::View>(whole);
    QVBarFixture f(c.bar, 2);
    auto partner = kit::make<kit::View>(c.partner);
    parent->addSubview(f.bar.get());
    parent->addSubview(partner.get());
    auto d = kit::make<QVHidingDelegate>();
    d->implemented = { "tabViewTabBarViewDidHide", "tabViewTabBarViewDidUnhide" };
    f.bar->setDelegate(d.get());
    f.bar->setPartnerView(partner);
    f.bar->hideTabBarAnimate(true, false);
    EXPECT_EQ(partner->frame(), c.collapsed);
    EXPECT_TRUE(f.bar->isHidden());
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_EQ(f.bar->frame(), c.bar) << "the bar's own frame never changes";
    f.bar->hideTabBarAnimate(false, false);
    EXPECT_EQ(partner->frame(), c.partner);
    EXPECT_FALSE(f.bar->isHidden());
    EXPECT_EQ(d->calls, (QStringList { QStringLiteral("didHide"), QStringLiteral("didUnhide") }));
}

INSTANTIATE_TEST_SUITE_P(Partners, QVTabBarHorizontalHiding,
    ::testing::Values(
        QVHorizontalHideCase { "TopUp", false, kit::MakeRect(0, 378, 600, 22), kit::MakeRect(0, 0, 600, 378), kit::MakeRect(0, 0, 600, 400) },
        QVHorizontalHideCase { "BottomUp", false, kit::MakeRect(0, 0, 600, 22), kit::MakeRect(0, 22, 600, 378), kit::MakeRect(0, 0, 600, 400) },
        QVHorizontalHideCase { "TopFlipped", true, kit::MakeRect(0, 0, 600, 22), kit::MakeRect(0, 22, 600, 378), kit::MakeRect(0, 0, 600, 400) },
        QVHorizontalHideCase { "BottomFlipped", true, kit::MakeRect(0, 378, 600, 22), kit::MakeRect(0, 0, 600, 378), kit::MakeRect(0, 0, 600, 400) },
        // A bar in the middle of a taller partner's side: the partner grows from where it is.
        QVHorizontalHideCase { "MiddleUp", false, kit::MakeRect(0, 200, 600, 22), kit::MakeRect(0, 10, 600, 190), kit::MakeRect(0, 10, 600, 212) }),
    [](const auto& info) { return std::string(info.param.name); });

// Without a partner the window gives and takes the room, at once even when asked to animate.
struct QVWindowHideCase {
    const char* name;
    bool vertical;
    kit::Rect collapsed;
};

class QVTabBarWindowHiding : public ::testing::TestWithParam<QVWindowHideCase> { };

TEST_P(QVTabBarWindowHiding, TheWindowShrinksByTheBarAndGrowsBack)
{
    QVWindowFixture f(2);
    if (GetParam().vertical) {
        f.bar->setFrame(kit::MakeRect(0, 0, 120, 100));
        f.bar->setOrientation(QVTabBarVerticalOrientation);
    }
    const kit::Rect before = f.window->frame();
    f.bar->hideTabBarAnimate(true, true);
    EXPECT_EQ(f.window->frame(), GetParam().collapsed);
    EXPECT_TRUE(f.bar->isHidden());
    f.bar->hideTabBarAnimate(false, true);
    EXPECT_EQ(f.window->frame(), before);
    EXPECT_FALSE(f.bar->isHidden());
}

INSTANTIATE_TEST_SUITE_P(Orientations, QVTabBarWindowHiding,
    ::testing::Values(QVWindowHideCase { "Horizontal", false, kit::MakeRect(100, 122, 600, 78) },
        QVWindowHideCase { "Vertical", true, kit::MakeRect(220, 100, 480, 100) }),
    [](const auto& info) { return std::string(info.param.name); });

// Overflow menu items: marked when they stand for the selected tab, then the delegate's answer.
class QVMenuValidatingDelegate : public QVRecordingDelegate {
public:
    bool answer = true;
    bool tabViewValidateOverflowMenuItemForTabViewItem(kit::TabView* tabView, kit::MenuItem* menuItem, kit::TabViewItem* item) override
    {
        calls << QStringLiteral("validate:%1:%2:%3").arg(item ? item->label() : QStringLiteral("nil")).arg(menuItem->state()).arg(tabView != nullptr);
        return answer;
    }
};

struct QVMenuValidationCase {
    const char* name;
    bool implemented;
    bool answer;
    int representedTab; // -1: none
    int state;
    bool valid;
};

class QVTabBarOverflowValidation : public ::testing::TestWithParam<QVMenuValidationCase> { };

TEST_P(QVTabBarOverflowValidation, MarksTheSelectedTabThenAsksTheDelegate)
{
    const QVMenuValidationCase& c = GetParam();
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    f.tabView->selectTabViewItem(f.item(1).get());
    auto d = kit::make<QVMenuValidatingDelegate>();
    d->answer = c.answer;
    if (c.implemented)
        d->implemented = { "tabViewValidateOverflowMenuItemForTabViewItem" };
    f.bar->setDelegate(d.get());
    auto menuItem = kit::make<kit::MenuItem>();
    menuItem->setState(c.state == kit::OnState ? kit::OffState : kit::OnState);
    if (c.representedTab >= 0)
        menuItem->setRepresentedObject(kit::Value(kit::Ref<kit::Object>(f.item(c.representedTab))));
    EXPECT_EQ(f.bar->validateMenuItem(menuItem.get()), c.valid);
    EXPECT_EQ(menuItem->state(), c.state);
    if (c.implemented) {
        const QString label = c.representedTab >= 0 ? f.item(c.representedTab)->label() : QStringLiteral("nil");
        EXPECT_EQ(d->calls, QStringList { QStringLiteral("validate:%1:%2:1").arg(label).arg(c.state) }) << "the state is set before the delegate is asked";
    }
}

INSTANTIATE_TEST_SUITE_P(Items, QVTabBarOverflowValidation,
    ::testing::Values(QVMenuValidationCase { "SelectedWithoutDelegate", false, false, 1, kit::OnState, true },
        QVMenuValidationCase { "OtherWithoutDelegate", false, false, 2, kit::OffState, true },
        QVMenuValidationCase { "SelectedRefused", true, false, 1, kit::OnState, false },
        QVMenuValidationCase { "OtherAccepted", true, true, 0, kit::OffState, true },
        QVMenuValidationCase { "NothingRepresented", true, true, -1, kit::OffState, true }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

#include "QVTabBarView/QVAppKitExtensions.h"
#include "kit/foundation/KeyedArchiver.h"

namespace {

TEST(QVDefaultsColors, RoundTripAColourAndRefuseOtherArchives)
{
    QTemporaryDir dir;
    kit::UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath(QStringLiteral("colours.json")));
    kit::UserDefaults* defaults = kit::UserDefaults::standardUserDefaults();
    EXPECT_FALSE(QVAppKitExtensions::colorForKey(*defaults, QStringLiteral("tint")));
    QVAppKitExtensions::setColorForKey(*defaults, kit::Color::colorWithCalibratedWhiteAlpha(0.25, 0.5).get(), QStringLiteral("tint"));
    const kit::Ref<kit::Color> back = QVAppKitExtensions::colorForKey(*defaults, QStringLiteral("tint"));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(kit::Color::colorWithCalibratedWhiteAlpha(0.25, 0.5).get()));
    // An archive of something else is not read as a colour.
    auto other = kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("x")));
    defaults->setObjectForKey(kit::Value(kit::KeyedArchiver::archivedDataWithRootObject(kit::Value(kit::Ref<kit::Object>(other)))), QStringLiteral("tint"));
    EXPECT_FALSE(QVAppKitExtensions::colorForKey(*defaults, QStringLiteral("tint")));
    defaults->setObjectForKey(kit::Value(QByteArray("not an archive")), QStringLiteral("tint"));
    EXPECT_FALSE(QVAppKitExtensions::colorForKey(*defaults, QStringLiteral("tint")));
    kit::UserDefaults::resetStandardUserDefaultsForTesting(QString());
}

} // namespace

namespace {

TEST(QVTabBarResizing, AVerticalBarFollowsItsRightEdgeWithinTheWidthLimits)
{
    kit::test::ManualClockScope clock;
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 300), kit::TitledWindowMask);
    QVBarFixture f(kit::MakeRect(0, 0, 150, 300), 2);
    f.bar->setOrientation(QVTabBarVerticalOrientation);
    auto partner = kit::make<kit::View>(kit::MakeRect(150, 0, 450, 300));
    f.bar->setPartnerView(partner);
    window->contentView()->addSubview(f.bar.get());
    window->contentView()->addSubview(partner.get());
    {
        // 4 points left of the edge: nothing.
        kit::test::EventScript script(window.get());
        script.mouseDown(kit::MakePoint(146, 250)).mouseDragged(kit::MakePoint(170, 250)).mouseUp(kit::MakePoint(170, 250));
        script.run();
    }
    EXPECT_EQ(f.bar->frame().size.width, 150);
    {
        // 2 points left of it: the edge follows, and stops at the maximum width.
        kit::test::EventScript script(window.get());
        script.mouseDown(kit::MakePoint(148, 250)).mouseDragged(kit::MakePoint(149, 250)).mouseDragged(kit::MakePoint(180, 250)).mouseDragged(kit::MakePoint(400, 250))
            .mouseUp(kit::MakePoint(400, 250));
        script.run();
    }
    EXPECT_EQ(f.bar->frame().size.width, 181);
    EXPECT_EQ(partner->frame(), kit::MakeRect(181, 0, 419, 300));
    EXPECT_FALSE(f.bar->isResizing());
    kit::Application::resetForTesting();
}

} // namespace
