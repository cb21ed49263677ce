#include "XTTabBarControl/XTTabBarControl.h"
#include "XTTabBarControl/XTTabBarControlDelegate.h"
#include "XTTabBarControl/XTTabDragAssistant.h"
#include "gallery/pages/TabBarPage.h"
#include "gallery/tests/GalleryTabDragScript.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/controls/TabView.h"
#include "kit/testsupport/EventScript.h"

#include <QAccessible>
#include <QtGlobal>

#include <functional>
#include <vector>

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

bool galleryIsSample(const XTTabBarControl& bar)
{
    return kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(const_cast<XTTabBarControl*>(&bar))))
        ->text(QAccessible::Name)
        .endsWith(QStringLiteral(" sample"));
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
        const bool sample = galleryIsSample(*target);
        (sample ? samples : working) += 1;
        EXPECT_EQ(delegate->tabViewShouldDropTabViewItemInTabBar(bar->tabView().get(), fourth.get(), target.get()), !sample)
            << (sample ? "a style sample" : "a working bar");
        // Nor does a sample move its own tabs about.
        if (auto* own = dynamic_cast<XTTabBarControlDelegate*>(target->delegate().get()); sample && own)
            EXPECT_FALSE(own->tabViewShouldDropTabViewItemInTabBar(target->tabView().get(), target->tabView()->tabViewItemAtIndex(1).get(), target.get()));
    }
    EXPECT_EQ(samples, 5);
    EXPECT_EQ(working, 1) << "the drop bar beside the samples";
    EXPECT_TRUE(delegate->tabViewShouldDropTabViewItemInTabBar(bar->tabView().get(), fourth.get(), bar.get()));
}

// A tab dragged from the page's bar with the page's own delegate, released outside every bar
// (a window of its own opens) or on a style sample (refused: the tab is back in its bar).
TEST(GalleryTabBarPage, ATabDraggedOutOpensAWindowAndASampleRefusesIt)
{
    for (const GalleryTabDropPlace& c : galleryTabDropPlaces) {
        SCOPED_TRACE(c.where);
        const kit::Ref<kit::View> page = makeTabBarPage(kit::MakeRect(0, 0, 900, 600));
        auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 900, 600), kit::TitledWindowMask);
        window->setContentView(page.get());
        window->orderFront();
        const kit::Ref<XTTabBarControl> bar = galleryFirstTabBar(*page);
        ASSERT_TRUE(bar);
        kit::Ref<XTTabBarControl> sample;
        for (const kit::Ref<kit::View>& sub : page->subviews())
            if (const auto b = kit::dynamic_pointer_cast<XTTabBarControl>(sub); b && b->styleName() == QStringLiteral("Pebble"))
                sample = b;
        ASSERT_TRUE(sample);
        const kit::Ref<kit::TabViewItem> first = bar->tabView()->tabViewItemAtIndex(0);
        const kit::Rect cell = bar->cells().front()->frame();
        const kit::Point from = bar->convertPointToView(kit::MakePoint(cell.midX(), cell.midY()), nullptr);
        const kit::Point to = c.onSample ? galleryDropPointOnSample(*sample, *sample->tabView(), c.onStrip) : galleryOutsideEveryBar;
        galleryDragTab(window.get(), from, to);
        EXPECT_FALSE(XTTabDragAssistant::sharedDragAssistant()->isDragging());
        const kit::Ref<kit::TabView> home = first->tabView();
        ASSERT_TRUE(home && home->window());
        if (c.onSample) {
            EXPECT_EQ(home, bar->tabView());
            EXPECT_EQ(bar->tabView()->indexOfTabViewItem(first.get()), 0);
            EXPECT_EQ(bar->cells().size(), 8u);
            EXPECT_EQ(sample->tabView()->numberOfTabViewItems(), 3);
            EXPECT_EQ(home->window(), window) << "no window of its own";
        } else {
            EXPECT_NE(home->window(), window);
            EXPECT_TRUE(home->window()->isVisible());
            EXPECT_EQ(home->window()->title(), QStringLiteral("Document 1"));
            EXPECT_EQ(bar->tabView()->numberOfTabViewItems(), 7);
            home->window()->close();
        }
        window->orderOut();
        XTTabDragAssistant::resetForTesting();
    }
}

// A style sample shows a style and nothing more: its first tab is named after the style, it is
// one Tab stop, and neither a click on a close button nor Space closes one of its tabs.
TEST(GalleryTabBarPage, AStyleSampleIsOneStopNamedByItsStyleAndClosesNothing)
{
    const kit::Ref<kit::View> page = makeTabBarPage(kit::MakeRect(0, 0, 900, 600));
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 900, 600), kit::TitledWindowMask);
    window->setContentView(page.get());
    window->makeKeyAndOrderFront();
    QStringList styles;
    for (const kit::Ref<kit::View>& sub : page->subviews()) {
        const auto sample = kit::dynamic_pointer_cast<XTTabBarControl>(sub);
        if (!sample || !galleryIsSample(*sample))
            continue;
        SCOPED_TRACE(sample->styleName().toStdString());
        styles << sample->styleName();
        QAccessibleInterface* tabs = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(sample)));
        EXPECT_EQ(tabs->child(0)->text(QAccessible::Name), sample->styleName());
        window->makeKeyWindow();
        ASSERT_TRUE(window->makeFirstResponder(sample.get()));
        kit::test::EventScript(window.get()).key(kit::KeyCodeSpace, QStringLiteral(" ")).key(kit::KeyCodeTab).run();
        EXPECT_NE(window->firstResponder().get(), sample.get()) << "one stop";
        const kit::Rect first = sample->cells().front()->frame();
        const kit::Rect close = sample->cells().front()->closeButtonRectForFrame(first);
        kit::test::EventScript(window.get()).click(sample->convertPointToView(kit::MakePoint(close.midX(), close.midY()), nullptr)).run();
        EXPECT_EQ(sample->tabView()->numberOfTabViewItems(), 3);
    }
    EXPECT_EQ(styles, (QStringList { "Metal", "Aqua", "Card", "Pebble", "Unified" }));
    window->orderOut();
}

// Another page leaves the torn-off windows open with their documents, each until it is closed;
// a tab let go near the screen's edge opens its window wholly on the screen.
TEST(GalleryTabBarPage, TornOffWindowsOutliveThePageAndOpenOnTheScreen)
{
    kit::Ref<kit::View> page = makeTabBarPage(kit::MakeRect(0, 0, 900, 600));
    const kit::Ref<XTTabBarControl> bar = galleryFirstTabBar(*page);
    ASSERT_TRUE(bar);
    auto* delegate = dynamic_cast<XTTabBarControlDelegate*>(bar->delegate().get());
    ASSERT_TRUE(delegate);
    const kit::Ref<kit::TabViewItem> document = bar->tabView()->tabViewItemAtIndex(0);
    const std::vector<kit::Weak<kit::Window>> made = galleryTearOffNearTheScreensCorners([&](kit::Point near) {
        const kit::Ref<XTTabBarControl> into = delegate->tabViewNewTabBarForDraggedTabViewItemAtPoint(bar->tabView().get(), document.get(), near);
        return into ? into->window() : nullptr;
    });
    ASSERT_EQ(made.size(), 2u);
    const kit::Weak<kit::Window> torn = made.back();
    bar->tabView()->removeTabViewItem(document.get());
    const kit::Ref<XTTabBarControl> tornBar = galleryFirstTabBar(*torn.lock()->contentView());
    tornBar->tabView()->addTabViewItem(document);
    torn.lock()->orderFront();

    page->removeFromSuperview();
    page = nullptr;
    ASSERT_TRUE(torn.lock()) << "the page is gone, its torn-off window stays";
    EXPECT_TRUE(torn.lock()->isVisible());
    EXPECT_EQ(document->tabView(), tornBar->tabView());
    galleryCloseTornOffWindows(made);
}

// Every bar says what it is, each its own name; a count badge says what it counts.
TEST(GalleryTabBarPage, EachBarHasANameOfItsOwnAndACountSaysItems)
{
    const kit::Ref<kit::View> page = makeTabBarPage(kit::MakeRect(0, 0, 900, 600));
    QStringList names;
    std::function<void(const kit::View&)> collect = [&](const kit::View& view) {
        for (const kit::Ref<kit::View>& sub : view.subviews()) {
            if (const auto bar = kit::dynamic_pointer_cast<XTTabBarControl>(sub))
                names << kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(bar)))->text(QAccessible::Name);
            collect(*sub);
        }
    };
    collect(*page);
    names.sort();
    EXPECT_EQ(names, (QStringList { "Aqua sample", "Card sample", "Documents", "Drop bar", "Metal sample", "Pebble sample", "Unified sample" }));
    const kit::Ref<XTTabBarControl> bar = galleryFirstTabBar(*page);
    QAccessibleInterface* tabs = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(bar)));
    EXPECT_EQ(tabs->child(1)->text(QAccessible::Description), QStringLiteral("3 items")) << "Document 2";
    EXPECT_EQ(tabs->child(2)->text(QAccessible::Description), QStringLiteral("12 items")) << "Document 3";
}

} // namespace
