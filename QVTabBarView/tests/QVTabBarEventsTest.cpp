#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/Window.h"
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
