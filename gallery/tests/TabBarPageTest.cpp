#include "XTTabBarControl/XTTabBarControl.h"
#include "XTTabBarControl/XTTabBarControlDelegate.h"
#include "gallery/pages/TabBarPage.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TabView.h"

#include <QtGlobal>

#include <gtest/gtest.h>

namespace {

// The page loads its interface file from the gallery's bundle, compiled into this program.
const bool galleryBundle = qputenv("KIT_MAIN_BUNDLE", ":/Gallery");

kit::Ref<XTTabBarControl> galleryFirstTabBar(const kit::View& view)
{
    for (const kit::Ref<kit::View>& sub : view.subviews()) {
        if (auto bar = kit::dynamic_pointer_cast<XTTabBarControl>(sub))
            return bar;
        if (auto bar = galleryFirstTabBar(*sub))
            return bar;
    }
    return nullptr;
}

kit::Ref<kit::TabViewItem> galleryTab(const QString& label)
{
    auto item = kit::make<kit::TabViewItem>(kit::Value(label));
    item->setLabel(label);
    return item;
}

TEST(GalleryTabBarPage, ATornOffWindowIsNamedAfterItsSelectedTab)
{
    ASSERT_TRUE(galleryBundle);
    const kit::Ref<kit::View> page = makeTabBarPage(kit::MakeRect(0, 0, 900, 600));
    const kit::Ref<XTTabBarControl> bar = galleryFirstTabBar(*page);
    ASSERT_TRUE(bar) << "the interface file loaded";
    auto* delegate = dynamic_cast<XTTabBarControlDelegate*>(bar->delegate().get());
    ASSERT_TRUE(delegate);
    const kit::Ref<kit::TabViewItem> first = galleryTab(QStringLiteral("Document 1"));
    const kit::Ref<XTTabBarControl> torn
        = delegate->tabViewNewTabBarForDraggedTabViewItemAtPoint(bar->tabView().get(), first.get(), kit::MakePoint(400, 300));
    ASSERT_TRUE(torn && torn->window());
    const kit::Ref<kit::Window> window = torn->window();
    EXPECT_EQ(window->title(), QStringLiteral("Document 1"));
    const kit::Ref<kit::TabViewItem> fourth = galleryTab(QStringLiteral("Document 4"));
    torn->tabView()->addTabViewItem(first);
    torn->tabView()->addTabViewItem(fourth);
    torn->tabView()->selectTabViewItem(fourth.get());
    EXPECT_EQ(window->title(), QStringLiteral("Document 4"));
    torn->tabView()->selectTabViewItem(first.get());
    EXPECT_EQ(window->title(), QStringLiteral("Document 1"));
    // The gallery's own window keeps its name whatever its bar selects.
    bar->tabView()->selectTabViewItem(bar->tabView()->tabViewItemAtIndex(1).get());
    delegate->tabViewCloseWindowForLastTabViewItem(torn->tabView().get(), first.get());
}

// Tabs move among the page's working bars; the style samples below them take none.
TEST(GalleryTabBarPage, TheStyleSamplesTakeNoDroppedTab)
{
    const kit::Ref<kit::View> page = makeTabBarPage(kit::MakeRect(0, 0, 900, 600));
    const kit::Ref<XTTabBarControl> bar = galleryFirstTabBar(*page);
    ASSERT_TRUE(bar);
    auto* delegate = dynamic_cast<XTTabBarControlDelegate*>(bar->delegate().get());
    ASSERT_TRUE(delegate);
    const kit::Ref<kit::TabViewItem> fourth = bar->tabView()->tabViewItemAtIndex(3);
    int samples = 0, working = 0;
    for (const kit::Ref<kit::View>& sub : page->subviews()) {
        const auto target = kit::dynamic_pointer_cast<XTTabBarControl>(sub);
        if (!target)
            continue;
        const bool sample = target->tabView()->numberOfTabViewItems() > 0 && target->tabView()->tabViewItemAtIndex(0)->label() == QStringLiteral("Selected");
        (sample ? samples : working) += 1;
        EXPECT_EQ(delegate->tabViewShouldDropTabViewItemInTabBar(bar->tabView().get(), fourth.get(), target.get()), !sample)
            << (sample ? "a style sample" : "a working bar");
    }
    EXPECT_EQ(samples, 5);
    EXPECT_EQ(working, 1) << "the drop bar beside the samples";
    EXPECT_TRUE(delegate->tabViewShouldDropTabViewItemInTabBar(bar->tabView().get(), fourth.get(), bar.get()));
}

} // namespace
