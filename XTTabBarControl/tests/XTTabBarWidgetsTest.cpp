#include "XTTabBarControl/XTTabStyle.h"
#include "XTTabBarControl/tests/XTTabBarWindowSupport.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/foundation/Timer.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/ScriptedMenuPresenter.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <gtest/gtest.h>

namespace {

constexpr double xtwtPulse = 1.0 / 15;

TEST(XTOverflowPulse, OneTimerPerChangeAndNoneWhileHidden)
{
    kit::test::ManualClockScope clock;
    auto button = kit::make<XTOverflowPopUpButton>(kit::MakeRect(0, 0, 24, 22), false);
    EXPECT_TRUE(button->pullsDown()) << "a pull-down whatever it is asked";
    EXPECT_EQ(button->preferredEdge(), kit::MaxXEdge);
    button->setAnimatingAlternateImage(true);
    const kit::Ref<kit::Timer> timer = button->pulseTimer();
    ASSERT_TRUE(timer);
    button->setAnimatingAlternateImage(true);
    EXPECT_EQ(button->pulseTimer(), timer) << "the same flag again starts nothing";
    EXPECT_TRUE(timer->isValid());

    button->setHidden(true);
    EXPECT_FALSE(timer->isValid());
    EXPECT_FALSE(button->pulseTimer());
    button->setAnimatingAlternateImage(false);
    button->setAnimatingAlternateImage(true);
    EXPECT_FALSE(button->pulseTimer()) << "hidden: no timer";
    button->setHidden(false);
    ASSERT_TRUE(button->pulseTimer());
    EXPECT_DOUBLE_EQ(button->animationValue(), 0.033);
    button->setAnimatingAlternateImage(false);
    EXPECT_FALSE(button->pulseTimer());
}

// The phase climbs by 0.033 a tick and starts again at 0.033 instead of reaching 1.
TEST(XTOverflowPulse, ThePhaseWrapsBeforeOne)
{
    kit::test::ManualClockScope clock;
    auto button = kit::make<XTOverflowPopUpButton>(kit::MakeRect(0, 0, 24, 22));
    button->setAnimatingAlternateImage(true);
    clock.advance(29 * xtwtPulse);
    EXPECT_NEAR(button->animationValue(), 0.99, 1e-9);
    clock.advance(xtwtPulse);
    EXPECT_NEAR(button->animationValue(), 0.033, 1e-9);
    clock.advance(xtwtPulse);
    EXPECT_NEAR(button->animationValue(), 0.066, 1e-9);
}

TEST(XTOverflowPulse, ThePressedImageShowsOnlyWhileTheMenuIsOpen)
{
    kit::test::MenuScope menus;
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 6);
    f.window->orderFront();
    const kit::Ref<XTOverflowPopUpButton> button = f.bar->overflowPopUpButton();
    ASSERT_FALSE(button->isHidden());
    const kit::Ref<kit::Image> usual = button->currentImage();
    const kit::Ref<kit::Image> pressed = XTTabStyleBase::bundleImage(QStringLiteral("overflowImagePressed"));
    ASSERT_TRUE(usual && pressed);
    kit::Ref<kit::Image> whileOpen;
    menus.presenter->onPresent = [&] { whileOpen = button->currentImage(); };
    menus.presenter->choices = { 2 };
    kit::test::EventScript script(f.window.get());
    const kit::Point middle = button->convertPointToView(kit::MakePoint(12, 11), nullptr);
    script.mouseDown(middle).mouseUp(middle);
    script.run();
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    ASSERT_TRUE(whileOpen);
    EXPECT_EQ(whileOpen->size(), pressed->size());
    EXPECT_NE(whileOpen, usual);
    EXPECT_EQ(button->currentImage(), usual);
    EXPECT_FALSE(button->isMenuDown());
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 5")) << "the menu's second tab";
}

// A bar's frame change stops every spinner and restarts it on the next pass; a stop in between
// cancels that start.
TEST(XTProgressIndicatorTest, AStopCancelsThePendingStart)
{
    kit::test::ManualClockScope clock;
    auto indicator = kit::make<XTProgressIndicator>(kit::MakeRect(0, 0, 16, 16));
    kit::RunLoop::performSelectorWithObjectAfterDelay(indicator.get(), kit::Selector("startAnimation"), kit::Value(), 0);
    indicator->stopAnimation();
    kit::RunLoop::main().runPending();
    EXPECT_FALSE(indicator->isAnimating());
    kit::RunLoop::performSelectorWithObjectAfterDelay(indicator.get(), kit::Selector("startAnimation"), kit::Value(), 0);
    kit::RunLoop::main().runPending();
    EXPECT_TRUE(indicator->isAnimating());
    indicator->stopAnimation();
}

TEST(XTTabBarProcessing, IsProcessingDrivesTheSpinnerAndItsVisibility)
{
    kit::test::ManualClockScope clock;
    XTBarFixture f(434);
    auto identifier = kit::make<XTTestIdentifier>();
    f.addTab(QStringLiteral("Busy"), kit::Value(kit::Ref<kit::Object>(identifier)));
    f.addTab(QStringLiteral("Idle"));
    const kit::Ref<XTProgressIndicator> indicator = f.bar->cells()[0]->indicator();
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_FALSE(indicator->isAnimating());
    identifier->setIsProcessing(true);
    kit::RunLoop::main().runPending();
    EXPECT_FALSE(indicator->isHidden());
    EXPECT_TRUE(indicator->isAnimating());
    EXPECT_EQ(indicator->superview().get(), f.bar.get()) << "the next layout places it";
    EXPECT_EQ(indicator->frame().origin.x, 10 + 130 - 6 - 16);
    identifier->setIsProcessing(false);
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_FALSE(indicator->isAnimating());
}

// The add button moves under a pointer that does not move, and shows its rollover image at once.
TEST(XTRolloverButtonTest, ARestingPointerGetsTheRolloverImage)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 2);
    f.bar->setShowAddTabButton(true);
    const kit::Ref<XTRolloverButton> add = f.bar->addTabButton();
    ASSERT_TRUE(add->rolloverImage() && add->usualImage());
    EXPECT_EQ(add->image(), add->usualImage());
    // With the button's 16 points kept free, a third tab makes three of 128 and the button moves
    // to 10 + 384 + 2, where the pointer rests.
    f.restPointerAt(396 + 8, 11);
    f.addTab(QStringLiteral("Tab 2"));
    ASSERT_EQ(add->frame().origin.x, 396);
    EXPECT_EQ(add->image(), add->rolloverImage());
    EXPECT_NE(add->rolloverTrackingTag(), -1);
    f.restPointerAt(5, 11);
    f.tabView->removeTabViewItem(f.tabView->tabViewItemAtIndex(2).get());
    EXPECT_EQ(add->image(), add->usualImage());
}

TEST(XTTabBarContextMenu, TheDelegateGivesTheMenuOfTheTabUnderThePointer)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 3);
    const auto rightClick = [&](double x) {
        return kit::Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
            kit::RightMouseDown, f.base(x, 11), 0, 0, f.window->windowNumber(), nullptr, 0, 1, 1);
    };
    EXPECT_FALSE(f.bar->menuForEvent(*rightClick(200))) << "no delegate, no menu";
    auto delegate = kit::make<XTAnsweringDelegate>();
    delegate->implemented = { "tabViewMenuForTabViewItem" };
    f.bar->setDelegate(delegate.get());
    EXPECT_EQ(f.bar->menuForEvent(*rightClick(200)).get(), delegate->menu.get());
    EXPECT_EQ(delegate->calls, QStringList { QStringLiteral("menu:Tab 1") });
    EXPECT_FALSE(f.bar->menuForEvent(*rightClick(420))) << "beside the tabs";
    f.bar->setMenu(kit::make<kit::Menu>(QStringLiteral("Bar")).get());
    EXPECT_FALSE(f.bar->menuForEvent(*rightClick(420))) << "only the delegate's menus";
}

TEST(XTTabBarAccessibility, TheSelectedTabIsSelectedButNotFocusedWhileTheBarIsNotTheKeyView)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 3);
    f.tabView->selectTabViewItemAtIndex(2);
    QAccessibleInterface* bar = kit::AccessibilityBridge::interfaceFor(kit::AccessibilityUnignoredAncestor(kit::Value(kit::Ref<kit::Object>(f.bar))));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::PageTabList);
    EXPECT_EQ(bar->text(QAccessible::Name), QStringLiteral("Tabs"));
    EXPECT_TRUE(bar->state().focusable);
    EXPECT_FALSE(bar->state().focused);
    ASSERT_EQ(bar->childCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* tab = bar->child(i);
        EXPECT_EQ(tab->role(), QAccessible::PageTab);
        EXPECT_EQ(tab->text(QAccessible::Name), QStringLiteral("Tab %1").arg(i));
        EXPECT_TRUE(tab->state().selectable) << i;
        EXPECT_EQ(tab->state().selected, i == 2) << i;
        EXPECT_TRUE(tab->state().focusable) << i;
        EXPECT_FALSE(tab->state().focused) << i;
        EXPECT_FALSE(tab->state().checkable) << i;
    }
    // The add button follows the tabs while it shows, named by what it does.
    f.bar->setShowAddTabButton(true);
    ASSERT_EQ(bar->childCount(), 4);
    EXPECT_EQ(bar->child(3)->role(), QAccessible::Button);
    EXPECT_EQ(bar->child(3)->text(QAccessible::Name), QStringLiteral("New Tab"));
    // The tab view's purpose names the bar; the bar's own tool tip comes first.
    f.tabView->setToolTip(QStringLiteral("Documents"));
    EXPECT_EQ(bar->text(QAccessible::Name), QStringLiteral("Documents"));
    f.bar->setToolTip(QStringLiteral("Open files"));
    EXPECT_EQ(bar->text(QAccessible::Name), QStringLiteral("Open files"));
}

// With the keyboard on the bar, the current tab is the focused element: the arrows move it, each
// move one focus event for the tab now current and a selection change on the old and new tab.
TEST(XTTabBarAccessibility, TheArrowsMoveTheFocusedTabWithOneFocusEventAndBothSelectionChanges)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 3);
    kit::AccessibilityBridge::setEventObserverForTesting(kit::test::recordEvent);
    f.window->makeKeyAndOrderFront();
    QAccessibleInterface* bar = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(f.bar)));
    ASSERT_EQ(bar->childCount(), 3);
    QAccessibleInterface* tabs[] = { bar->child(0), bar->child(1), bar->child(2) };
    kit::test::events().clear();
    ASSERT_TRUE(f.window->makeFirstResponder(f.bar.get()));
    using Seen = std::vector<const QAccessibleInterface*>;
    EXPECT_EQ(kit::test::eventsOf(QAccessible::Focus), Seen { tabs[0] });
    EXPECT_TRUE(tabs[0]->state().focused);
    EXPECT_FALSE(bar->state().focused) << "one focused element: the tab";

    kit::test::events().clear();
    kit::test::EventScript script(f.window.get());
    script.key(kit::KeyCodeRightArrow).run();
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 1"));
    EXPECT_EQ(kit::test::eventsOf(QAccessible::Focus), Seen { tabs[1] });
    EXPECT_EQ(kit::test::eventsOf(QAccessible::Selection), (Seen { tabs[0], tabs[1] }));
    EXPECT_TRUE(tabs[1]->state().focused && tabs[1]->state().selected);
    EXPECT_FALSE(tabs[0]->state().focused || tabs[0]->state().selected);

    script.key(kit::KeyCodeLeftArrow).run();
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 0"));
    kit::test::events().clear();
    script.key(kit::KeyCodeLeftArrow).run();
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 0")) << "no tab before the first";
    EXPECT_TRUE(kit::test::eventsOf(QAccessible::Focus).empty());

    // A tab asked to take the focus becomes the current one, on the focused bar.
    tabs[2]->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 2"));
    EXPECT_EQ(f.window->firstResponder().get(), f.bar.get());
    EXPECT_TRUE(tabs[2]->state().focused);
    kit::AccessibilityBridge::setEventObserverForTesting(nullptr);
}

// The close stop is an element of its own: a button named after the tab it closes, the focused
// element while the keyboard is on it. Space closes the tab, and the stop that takes its place,
// the close button of the tab now current, is announced.
TEST(XTTabBarAccessibility, TheCloseStopIsANamedButtonAndAKeyboardCloseAnnouncesTheNextTab)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 3);
    kit::AccessibilityBridge::setEventObserverForTesting(kit::test::recordEvent);
    f.window->makeKeyAndOrderFront();
    f.tabView->selectTabViewItemAtIndex(1);
    ASSERT_TRUE(f.window->makeFirstResponder(f.bar.get()));
    QAccessibleInterface* bar = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(f.bar)));
    kit::test::events().clear();
    kit::test::EventScript script(f.window.get());
    script.key(kit::KeyCodeTab).run();
    const std::vector<const QAccessibleInterface*> focus = kit::test::eventsOf(QAccessible::Focus);
    ASSERT_EQ(focus.size(), 1u);
    QAccessibleInterface* close = const_cast<QAccessibleInterface*>(focus[0]);
    EXPECT_EQ(close->role(), QAccessible::Button);
    EXPECT_EQ(close->text(QAccessible::Name), QStringLiteral("Close Tab 1"));
    EXPECT_TRUE(close->state().focused);
    EXPECT_FALSE(bar->child(1)->state().focused) << "one focused element: the close button";
    EXPECT_EQ(close->parent()->text(QAccessible::Name), QStringLiteral("Tab 1"));
    ASSERT_EQ(bar->child(1)->childCount(), 1);
    EXPECT_EQ(bar->child(1)->child(0), close);

    kit::test::events().clear();
    script.key(kit::KeyCodeSpace, QStringLiteral(" ")).run();
    ASSERT_EQ(f.tabView->numberOfTabViewItems(), 2);
    const QString current = f.tabView->selectedTabViewItem()->label();
    const std::vector<const QAccessibleInterface*> after = kit::test::eventsOf(QAccessible::Focus);
    ASSERT_FALSE(after.empty()) << "the close is heard";
    EXPECT_EQ(after.back()->text(QAccessible::Name), QStringLiteral("Close %1").arg(current));
    EXPECT_TRUE(after.back()->state().focused);
    kit::AccessibilityBridge::setEventObserverForTesting(nullptr);
}

// Tabs behind the overflow button are off screen; what a tab's badges say is its description.
TEST(XTTabBarAccessibility, OverflowedTabsAreOffScreenAndBadgesDescribeATab)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 0);
    std::vector<kit::Ref<XTTestIdentifier>> documents;
    for (int i = 0; i < 6; ++i) {
        documents.push_back(kit::make<XTTestIdentifier>());
        auto item = kit::make<kit::TabViewItem>(kit::Value(kit::Ref<kit::Object>(documents.back())));
        item->setLabel(QStringLiteral("Tab %1").arg(i));
        f.tabView->addTabViewItem(item);
    }
    f.bar->update(false);
    QAccessibleInterface* bar = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(f.bar)));
    ASSERT_EQ(bar->childCount(), 6);
    int overflowed = 0;
    for (int i = 0; i < 6; ++i) {
        const bool hidden = f.bar->cells()[std::size_t(i)]->isInOverflowMenu();
        overflowed += hidden ? 1 : 0;
        EXPECT_EQ(bar->child(i)->state().offscreen, hidden) << i;
    }
    EXPECT_GT(overflowed, 0);

    QAccessibleInterface* first = bar->child(0);
    EXPECT_EQ(first->text(QAccessible::Description), QString());
    // A count says what it counts, unless the delegate words it.
    documents[0]->setObjectCount(1);
    EXPECT_EQ(first->text(QAccessible::Description), QStringLiteral("1 item"));
    documents[0]->setObjectCount(3);
    EXPECT_EQ(first->text(QAccessible::Description), QStringLiteral("3 items"));
    documents[0]->setIsProcessing(true);
    documents[0]->setIsEdited(true);
    EXPECT_EQ(first->text(QAccessible::Description), QStringLiteral("3 items, busy, edited"));
    auto delegate = kit::make<XTAnsweringDelegate>();
    delegate->implemented = { "accessibilityStringForTabViewObjectCount" };
    delegate->countWords = QStringLiteral("unread");
    f.bar->setDelegate(delegate.get());
    EXPECT_EQ(first->text(QAccessible::Description), QStringLiteral("3 unread, busy, edited"));
    EXPECT_EQ(first->text(QAccessible::Name), QStringLiteral("Tab 0"));
}

TEST(XTTabBarAccessibility, TabsArePageTabsAndHitTestingFindsTheOneUnderThePoint)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 3);
    const kit::Value barElement(kit::Ref<kit::Object>(f.bar));
    EXPECT_EQ(kit::AccessibilityAttributeValue(barElement, kit::AccessibilityRoleAttribute).stringValue(), kit::AccessibilityTabGroupRole);
    const kit::Array children = kit::AccessibilityAttributeValue(barElement, kit::AccessibilityChildrenAttribute).array();
    ASSERT_EQ(children.count(), 3);
    EXPECT_EQ(children[1].object().get(), f.bar->cells()[1].get());

    const auto screen = [&](double x, double y) { return f.window->convertBaseToScreen(f.base(x, y)); };
    EXPECT_EQ(kit::AccessibilityHitTest(barElement, screen(200, 11)).object().get(), f.bar->cells()[1].get());
    // Whatever tab the mouse last lit, a point beside the tabs is the bar's.
    f.bar->cells()[2]->setHighlighted(true);
    EXPECT_EQ(kit::AccessibilityHitTest(barElement, screen(420, 11)).object().get(), f.bar.get());

    const kit::Value tab(kit::Ref<kit::Object>(f.bar->cells()[1]));
    EXPECT_EQ(kit::AccessibilityAttributeValue(tab, kit::AccessibilityRoleAttribute).stringValue(), kit::AccessibilityPageTabRole);
    EXPECT_EQ(kit::AccessibilityAttributeValue(tab, kit::AccessibilityParentAttribute).object().get(), f.bar.get());
    EXPECT_EQ(kit::AccessibilityAttributeValue(tab, kit::AccessibilityHelpAttribute).stringValue(), QString()) << "no badges";
    EXPECT_EQ(kit::AccessibilityAttributeValue(tab, kit::AccessibilitySizeAttribute).sizeValue(), kit::MakeSize(130, 22));
    EXPECT_EQ(kit::AccessibilityAttributeValue(tab, kit::AccessibilityPositionAttribute).pointValue(), screen(140, 22));
    EXPECT_FALSE(kit::AccessibilityAttributeValue(tab, kit::AccessibilityFocusedAttribute).boolValue());
    kit::AccessibilityPerformAction(tab, kit::AccessibilityPressAction);
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 1"));
    // Selected, but focused only while the bar has keyboard focus.
    EXPECT_TRUE(kit::AccessibilityAttributeValue(tab, kit::AccessibilitySelectedAttribute).boolValue());
    EXPECT_FALSE(kit::AccessibilityAttributeValue(tab, kit::AccessibilityFocusedAttribute).boolValue());

    auto delegate = kit::make<XTAnsweringDelegate>();
    delegate->implemented = { "accessibilityStringForTabViewObjectCount" };
    delegate->countWords = QStringLiteral("unread");
    f.bar->setDelegate(delegate.get());
    f.bar->cells()[1]->setCount(3);
    EXPECT_EQ(kit::AccessibilityAttributeValue(tab, kit::AccessibilityHelpAttribute).stringValue(), QStringLiteral("3 unread"));
}

} // namespace
