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

#include <QAccessible>

namespace {

TEST(QVTabBarAccessibility, AGroupOfButtonsWhoseHitTestFindsTheButtonUnderThePoint)
{
    QVBarFixture f(kit::MakeRect(0, 0, 600, 22), 3);
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 600, 100), kit::TitledWindowMask);
    window->contentView()->addSubview(f.bar.get());
    f.bar->updateAnimate(false);
    EXPECT_EQ(f.bar->accessibilityAttributeValue(kit::AccessibilityRoleAttribute).stringValue(), kit::AccessibilityGroupRole);
    EXPECT_FALSE(f.bar->accessibilityIsIgnored());
    // Screen (100 + 150, 100 + 10): over the second button.
    const auto hit = f.bar->accessibilityHitTest(kit::MakePoint(250, 110)).objectAs<QVAttachedTabBarButton>();
    EXPECT_EQ(hit, f.bar->orderedAttachedButtons()[1]);
    // Past the last button: the bar.
    EXPECT_EQ(f.bar->accessibilityHitTest(kit::MakePoint(650, 110)).object().get(), f.bar.get());
    kit::Application::resetForTesting();
}

TEST(QVTabBarAccessibility, EachTabIsAPressableButtonAndItsCloseButtonIsHitOverIt)
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
    EXPECT_EQ(kit::AccessibilityAttributeValue(second, kit::AccessibilityRoleAttribute).stringValue(), kit::AccessibilityButtonRole);
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

} // namespace
