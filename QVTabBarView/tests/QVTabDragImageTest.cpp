#include "QVTabBarView/tests/QVTabBarTestSupport.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(QVTabDragImage, IsTheDraggingRectangleWithTheBusyMarkWhenProcessing)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 2, false);
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->updateAnimate(false);
    auto second = f.bar->orderedAttachedButtons()[1];
    const kit::Ref<kit::Image> plain = second->dragImage();
    ASSERT_TRUE(plain);
    // Metal's dragging rectangle: the stacking frame one point wider.
    EXPECT_EQ(plain->size(), kit::MakeSize(second->stackingFrame().size.width + 1, 22));
    const QImage without = plain->bitmapForDrawing(1).convertToFormat(QImage::Format_ARGB32);
    f.item(1)->setValueForKey(kit::Value(true), QStringLiteral("isProcessing"));
    ASSERT_FALSE(second->indicator()->isHidden());
    const QImage with = second->dragImage()->bitmapForDrawing(1).convertToFormat(QImage::Format_ARGB32);
    // "pi" at (width - 22, 3) in the image's own coordinates, y up: its right spoke (11.5 to 14.5
    // points in, 8 below its top edge), right of where the small indicator itself is captured.
    const int x = int(second->frame().size.width) - 22 + 13;
    const int y = with.height() - (3 + 16) + 8;
    EXPECT_NE(with.pixel(x, y), without.pixel(x, y));
    kit::Application::resetForTesting();
}

} // namespace

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/testsupport/EventScript.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

namespace {

TEST(QVTabBarAccessibility, APageTabListWhoseHitTestFindsTheTabUnderThePoint)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->updateAnimate(false);
    EXPECT_EQ(f.bar->accessibilityAttributeValue(kit::AccessibilityRoleAttribute).stringValue(), kit::AccessibilityTabGroupRole);
    EXPECT_FALSE(f.bar->accessibilityIsIgnored());
    // Screen (100 + 150, 100 + 10): over the second button.
    const auto hit = f.bar->accessibilityHitTest(kit::MakePoint(250, 110)).objectAs<QVAttachedTabBarButton>();
    EXPECT_EQ(hit, f.bar->orderedAttachedButtons()[1]);
    // Past the last button: the bar.
    EXPECT_EQ(f.bar->accessibilityHitTest(kit::MakePoint(650, 110)).object().get(), f.bar.get());
    kit::Application::resetForTesting();
}

TEST(QVTabBarAccessibility, EachTabIsAPressablePageTabAndItsCloseButtonIsHitOverIt)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3, false);
    f.item(1)->setValueForKey(kit::Value(true), QStringLiteral("hasCloseButton"));
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->updateAnimate(false);
    window->orderFront();
    window->displayIfNeeded();
    const QVButtons buttons = f.bar->orderedAttachedButtons();
    // The bar's children are its tabs: each stands for something of its own.
    const kit::Value children = kit::AccessibilityAttributeValue(kit::Value(kit::Ref<kit::Object>(f.bar)), kit::AccessibilityChildrenAttribute);
    ASSERT_EQ(children.array().count(), 3);
    const kit::Value second { kit::Ref<kit::Object>(buttons[1]) };
    EXPECT_FALSE(kit::AccessibilityIsIgnored(second));
    EXPECT_EQ(kit::AccessibilityAttributeValue(second, kit::AccessibilityRoleAttribute).stringValue(), kit::AccessibilityPageTabRole);
    EXPECT_EQ(kit::AccessibilityAttributeValue(second, kit::AccessibilityTitleAttribute).stringValue(), QStringLiteral("Tab 2"));
    // Pressing it selects its tab.
    ASSERT_TRUE(kit::AccessibilityActionNames(second).contains(kit::AccessibilityPressAction));
    kit::AccessibilityPerformAction(second, kit::AccessibilityPressAction);
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(1));
    // Over the tab's close button the hit test goes down to it; beside it, the tab answers.
    const kit::Ref<QVRolloverButton> close = buttons[1]->closeButton();
    ASSERT_TRUE(close && !close->isHidden());
    const kit::Rect c = close->bounds();
    const kit::Point overClose = window->convertBaseToScreen(close->convertPointToView(kit::MakePoint(c.midX(), c.midY()), nullptr));
    EXPECT_EQ(kit::AccessibilityHitTest(kit::Value(kit::Ref<kit::Object>(f.bar)), overClose).object().get(), close.get());
    const kit::Rect b = buttons[1]->bounds();
    const kit::Point beside = window->convertBaseToScreen(buttons[1]->convertPointToView(kit::MakePoint(b.maxX() - 2, b.midY()), nullptr));
    EXPECT_EQ(kit::AccessibilityHitTest(kit::Value(kit::Ref<kit::Object>(f.bar)), beside).object().get(), buttons[1].get());
    kit::Application::resetForTesting();
}

TEST(QVTabBarAccessibility, TheSelectedTabIsSelectedAndACloseButtonIsNamedForItsTab)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3, false);
    f.item(1)->setValueForKey(kit::Value(true), QStringLiteral("hasCloseButton"));
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->updateAnimate(false);
    f.tabView->selectTabViewItem(f.item(1).get());
    f.bar->updateAnimate(false);
    window->orderFront();
    window->displayIfNeeded();
    QAccessibleInterface* bar = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(f.bar)));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->childCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(bar->child(i)->state().selectable) << i;
        EXPECT_EQ(bar->child(i)->state().selected, i == 1) << i;
    }
    QAccessibleInterface* second = bar->child(1);
    ASSERT_EQ(second->childCount(), 1);
    EXPECT_EQ(second->child(0)->role(), QAccessible::Button);
    EXPECT_EQ(second->child(0)->text(QAccessible::Name), QStringLiteral("Close Tab 2"));
    kit::Application::resetForTesting();
}

// A page tab list: the bar takes the keyboard focus, its tabs don't, and the tab standing for that
// focus is the current one; the add button follows the tabs.
TEST(QVTabBarAccessibility, ANamedPageTabListWhoseTabsTakeTheFocusThroughTheBar)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3, false);
    f.bar->setShowAddTabButton(true);
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->updateAnimate(false);
    QAccessibleInterface* bar = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(f.bar)));
    EXPECT_EQ(bar->role(), QAccessible::PageTabList);
    EXPECT_EQ(bar->text(QAccessible::Name), QStringLiteral("Tabs"));
    EXPECT_TRUE(bar->state().focusable);
    EXPECT_TRUE(f.bar->acceptsFirstResponder());
    ASSERT_EQ(bar->childCount(), 4);
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* tab = bar->child(i);
        EXPECT_EQ(tab->role(), QAccessible::PageTab) << i;
        EXPECT_EQ(tab->text(QAccessible::Name), QStringLiteral("Tab %1").arg(i + 1));
        EXPECT_TRUE(tab->state().focusable) << i;
        EXPECT_FALSE(tab->state().checkable) << i;
        EXPECT_FALSE(f.bar->orderedAttachedButtons()[std::size_t(i)]->acceptsFirstResponder()) << "the bar takes the focus, not its tabs";
    }
    QAccessibleInterface* add = bar->child(3);
    EXPECT_EQ(add->role(), QAccessible::Button);
    EXPECT_EQ(add->text(QAccessible::Name), QStringLiteral("New Tab"));
    f.tabView->setToolTip(QStringLiteral("Documents"));
    EXPECT_EQ(bar->text(QAccessible::Name), QStringLiteral("Documents"));

    // What a tab's badges say is its description.
    const kit::Ref<QVAttachedTabBarButton> first = f.bar->orderedAttachedButtons()[0];
    EXPECT_EQ(bar->child(0)->text(QAccessible::Description), QString());
    first->setObjectCount(12);
    first->setShowObjectCount(true);
    first->setIsProcessing(true);
    first->setIsEdited(true);
    EXPECT_EQ(bar->child(0)->text(QAccessible::Description), QStringLiteral("12 items, busy, edited"));
    kit::Application::resetForTesting();
}

TEST(QVTabBarAccessibility, TheArrowsMoveTheFocusedTabWithOneFocusEventAndBothSelectionChanges)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3, false);
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->updateAnimate(false);
    kit::AccessibilityBridge::setEventObserverForTesting(kit::test::recordEvent);
    window->makeKeyAndOrderFront();
    QAccessibleInterface* bar = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(f.bar)));
    ASSERT_EQ(bar->childCount(), 3);
    QAccessibleInterface* tabs[] = { bar->child(0), bar->child(1), bar->child(2) };
    kit::test::events().clear();
    ASSERT_TRUE(window->makeFirstResponder(f.bar.get()));
    using Seen = std::vector<const QAccessibleInterface*>;
    EXPECT_EQ(kit::test::eventsOf(QAccessible::Focus), Seen { tabs[0] });
    EXPECT_TRUE(tabs[0]->state().focused);
    EXPECT_FALSE(bar->state().focused) << "one focused element: the tab";

    kit::test::events().clear();
    {
        kit::test::EventScript script(window.get());
        script.key(kit::KeyCodeRightArrow).run();
    }
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(1));
    EXPECT_EQ(kit::test::eventsOf(QAccessible::Focus), Seen { tabs[1] });
    EXPECT_EQ(kit::test::eventsOf(QAccessible::Selection), (Seen { tabs[0], tabs[1] }));
    EXPECT_TRUE(tabs[1]->state().focused && tabs[1]->state().selected);
    EXPECT_FALSE(tabs[0]->state().focused || tabs[0]->state().selected);

    // A tab asked to take the focus becomes the current one, on the focused bar.
    window->makeFirstResponder(nullptr);
    tabs[2]->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(f.tabView->selectedTabViewItem(), f.item(2));
    EXPECT_EQ(window->firstResponder().get(), f.bar.get());
    EXPECT_TRUE(tabs[2]->state().focused);
    kit::AccessibilityBridge::setEventObserverForTesting(nullptr);
    kit::Application::resetForTesting();
}

} // namespace
