#include "XTTabBarControl/tests/XTTabBarWindowSupport.h"
#include "kit/controls/MenuItem.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

namespace {

// Items the tab view already holds, shown one by one: no layout until the last one.
TEST(XTTabBarBehaviour, AddingOneByOneLaysOutOnlyWhenTheCountsMatch)
{
    auto tabView = kit::make<kit::TabView>(kit::MakeRect(0, 0, 400, 300));
    for (int i = 0; i < 3; ++i) {
        auto item = kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("t%1").arg(i)));
        item->setLabel(QStringLiteral("Tab %1").arg(i));
        tabView->addTabViewItem(item);
    }
    auto bar = kit::make<XTTabBarControl>(kit::MakeRect(0, 0, 434, 22));
    bar->setTabView(tabView);
    bar->addTabViewItem(tabView->tabViewItemAtIndex(0).get());
    bar->addTabViewItem(tabView->tabViewItemAtIndex(1).get());
    // Provisional frames: 30 wide, one after the other.
    EXPECT_EQ(bar->cells()[0]->frame(), kit::MakeRect(0, 0, 30, 22));
    EXPECT_EQ(bar->cells()[1]->frame(), kit::MakeRect(30, 0, 30, 22));
    EXPECT_EQ(bar->controller().numberOfTrackingRects(), 0);
    bar->addTabViewItem(tabView->tabViewItemAtIndex(2).get());
    EXPECT_EQ(bar->cells()[1]->frame(), kit::MakeRect(140, 0, 130, 22));
    EXPECT_EQ(bar->controller().numberOfTrackingRects(), 3);
}

TEST(XTTabBarBehaviour, OptionReleasedOverACloseButtonClosesTheOthers)
{
    XTWindowFixture f(kit::MakeRect(100, 100, 434, 300), kit::MakeRect(0, 278, 434, 22), kit::MakeRect(0, 0, 434, 278), 4);
    f.window->orderFront();
    // Tab 1 is 100 wide from x = 110 (four of 100); its close button is at (116, 5).
    kit::test::EventScript script(f.window.get());
    script.mouseDown(f.base(122, 11), kit::AlternateKeyMask).mouseUp(f.base(122, 11), kit::AlternateKeyMask);
    script.run();
    ASSERT_EQ(f.tabView->numberOfTabViewItems(), 1);
    EXPECT_EQ(f.tabView->tabViewItemAtIndex(0)->label(), QStringLiteral("Tab 1"));
    EXPECT_FALSE(f.bar->cells()[0]->closeButtonPressed());
}

// On a vertical bar the add button goes below the last visible tab, where it takes no tab's
// clicks, or to the top margin when no tab shows.
TEST(XTTabBarBehaviour, AVerticalAddButtonStandsBelowTheTabs)
{
    XTBarFixture f(120, 0, 300);
    f.bar->setOrientation(XTTabBarVerticalOrientation);
    f.bar->setShowAddTabButton(true);
    for (int i = 0; i < 3; ++i)
        f.addTab(QStringLiteral("Tab %1").arg(i));
    EXPECT_EQ(f.bar->cells()[2]->frame(), kit::MakeRect(0, 54, 120, 22));
    EXPECT_EQ(f.bar->addTabButton()->frame().origin, kit::MakePoint(0, 76));
    EXPECT_FALSE(f.bar->cellForPoint(kit::MakePoint(8, 80))) << "no tab under the button";

    XTBarFixture low(120, 0, 20);
    low.bar->setOrientation(XTTabBarVerticalOrientation);
    low.bar->setShowAddTabButton(true);
    low.addTab(QStringLiteral("Only"));
    EXPECT_EQ(low.bar->numberOfVisibleTabs(), 0);
    EXPECT_EQ(low.bar->addTabButton()->frame().origin, kit::MakePoint(0, 10));
}

TEST(XTTabBarBehaviour, OverflowItemsTakeTheirTabsIconsWhenShown)
{
    XTBarFixture f(434, 4);
    auto identifier = kit::make<XTTestIdentifier>();
    const auto icon = kit::make<kit::Image>(kit::MakeSize(16, 16));
    identifier->setIcon(icon);
    f.addTab(QStringLiteral("With icon"), kit::Value(kit::Ref<kit::Object>(identifier)));
    const kit::Ref<kit::Menu> menu = f.bar->controller().overflowMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->numberOfItems(), 2);
    EXPECT_EQ(f.bar->controller().numberOfItemsInMenu(menu.get()), 2);
    const kit::Ref<kit::MenuItem> item = menu->itemAtIndex(1);
    EXPECT_FALSE(item->image());
    EXPECT_TRUE(f.bar->controller().menuUpdateItemAtIndexShouldCancel(menu.get(), item.get(), 1, false));
    EXPECT_EQ(item->image(), icon);
    // A menu not its own is logged and has no items.
    kit::test::LogRecorder log;
    auto other = kit::make<kit::Menu>(QStringLiteral("Other"));
    EXPECT_EQ(f.bar->controller().numberOfItemsInMenu(other.get()), 0);
    EXPECT_TRUE(log.contains(QStringLiteral("Warning: Unexpected menu delegate call for menu")));
}

} // namespace
