#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabDragAssistant.h"
#include "gallery/pages/TabBarViewPage.h"
#include "gallery/tests/GalleryTabDragScript.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"
#include "kit/controls/PopUpButton.h"

#include <QAccessible>

#include <vector>

#include <gtest/gtest.h>

namespace {

template <class T> std::vector<kit::Ref<T>> galleryViewsOf(const kit::View& page)
{
    std::vector<kit::Ref<T>> out;
    for (const kit::Ref<kit::View>& sub : page.subviews())
        if (auto view = kit::dynamic_pointer_cast<T>(sub))
            out.push_back(view);
    return out;
}

kit::Ref<kit::Button> galleryCheckBox(const kit::View& page, const QString& title)
{
    for (const auto& button : galleryViewsOf<kit::Button>(page))
        if (button->title() == title && !kit::dynamic_pointer_cast<kit::PopUpButton>(button))
            return button;
    return nullptr;
}

// The tab view a sample bar labels: the one just under it.
kit::Ref<kit::View> galleryStripUnder(const kit::View& page, const QVTabBarView& bar)
{
    for (const auto& strip : galleryViewsOf<kit::TabView>(page))
        if (strip.get() == bar.tabView().get())
            return strip;
    return nullptr;
}

struct GalleryTabBarViewPage : ::testing::Test {
    kit::Ref<kit::View> page = makeTabBarViewPage(kit::MakeRect(0, 0, 900, 600));
    std::vector<kit::Ref<QVTabBarView>> bars = galleryViewsOf<QVTabBarView>(*page);
    std::vector<kit::Ref<kit::PopUpButton>> popUps = galleryViewsOf<kit::PopUpButton>(*page);
    // The top bar, then the side bar, then the style samples.
    QVTabBarView& top() const { return *bars.at(0); }
    QVTabBarView& side() const { return *bars.at(1); }
};

TEST_F(GalleryTabBarViewPage, EachBarsPopUpShowsItsStyleAndSetsIt)
{
    ASSERT_EQ(popUps.size(), 2u);
    EXPECT_EQ(popUps[0]->itemTitles(), QVTabStyle::registeredTabStyleNames());
    EXPECT_EQ(popUps[0]->numberOfItems(), 7);
    EXPECT_EQ(popUps[0]->titleOfSelectedItem(), top().styleName());
    EXPECT_EQ(popUps[1]->titleOfSelectedItem(), side().styleName());
    // The side bar's pop-up lists only the styles that keep it vertical.
    ASSERT_FALSE(popUps[1]->itemTitles().isEmpty());
    EXPECT_LT(popUps[1]->numberOfItems(), 7);
    for (const QString& name : popUps[1]->itemTitles()) {
        popUps[1]->selectItemWithTitle(name);
        popUps[1]->sendActionTo(popUps[1]->action(), popUps[1]->target());
        EXPECT_EQ(side().styleName(), name);
        EXPECT_EQ(side().orientation(), std::uint64_t(QVTabBarVerticalOrientation)) << name.toStdString();
    }
    popUps[0]->selectItemWithTitle(QStringLiteral("Glass"));
    popUps[0]->sendActionTo(popUps[0]->action(), popUps[0]->target());
    EXPECT_EQ(top().styleName(), QStringLiteral("Glass"));
}

TEST_F(GalleryTabBarViewPage, EachCheckBoxShowsAndTogglesItsOption)
{
    const struct {
        const char* title;
        std::function<bool(const QVTabBarView&)> isOn;
    } cases[] = {
        { "Size to fit", [](const QVTabBarView& v) { return v.sizeButtonsToFit(); } },
        { "Close on hover", [](const QVTabBarView& v) { return v.onlyShowCloseOnHover(); } },
        { "Hide a single tab", [](const QVTabBarView& v) { return v.hideForSingleTab(); } },
        { "Animate", [](const QVTabBarView& v) { return v.automaticallyAnimates(); } },
        { "Scrubbing", [](const QVTabBarView& v) { return v.allowsScrubbing(); } },
        { "Miniature tear-off", [](const QVTabBarView& v) { return v.tearOffStyle() == 1; } },
    };
    for (const auto& c : cases) {
        const kit::Ref<kit::Button> box = galleryCheckBox(*page, QString::fromLatin1(c.title));
        ASSERT_TRUE(box) << c.title;
        EXPECT_EQ(box->state() == kit::OnState, c.isOn(top())) << c.title;
        const bool before = c.isOn(top());
        box->performClick(nullptr);
        EXPECT_EQ(c.isOn(top()), !before) << c.title;
        EXPECT_EQ(box->state() == kit::OnState, !before) << c.title;
        box->performClick(nullptr);
        EXPECT_EQ(c.isOn(top()), before) << c.title;
    }
}

// A tab dragged from the top bar with the page's own delegates, released outside every bar (a
// window of its own opens) or on a style sample (refused: the tab is back in its bar).
TEST_F(GalleryTabBarViewPage, ATabDraggedOutOpensAWindowAndASampleRefusesIt)
{
    for (const GalleryTabDropPlace& c : galleryTabDropPlaces) {
        SCOPED_TRACE(c.where);
        const kit::Ref<kit::View> view = makeTabBarViewPage(kit::MakeRect(0, 0, 900, 600));
        const std::vector<kit::Ref<QVTabBarView>> all = galleryViewsOf<QVTabBarView>(*view);
        auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 900, 600), kit::TitledWindowMask);
        window->setContentView(view.get());
        window->orderFront();
        ASSERT_GT(all.size(), 2u);
        const kit::Ref<QVTabBarView> top = all[0];
        const auto pebble = std::find_if(all.begin() + 2, all.end(), [](const auto& b) { return b->styleName() == QStringLiteral("Pebble"); });
        ASSERT_NE(pebble, all.end());
        const kit::Ref<kit::TabViewItem> second = top->tabView()->tabViewItemAtIndex(1);
        const kit::Ref<QVAttachedTabBarButton> button = top->orderedAttachedButtons().at(1);
        const kit::Point from = button->convertPointToView(kit::MakePoint(button->bounds().midX(), button->bounds().midY()), nullptr);
        const kit::Point to = c.onSample ? galleryDropPointOnSample(**pebble, *galleryStripUnder(*view, **pebble), c.onStrip) : galleryOutsideEveryBar;
        galleryDragTab(window.get(), from, to);
        EXPECT_FALSE(QVTabDragAssistant::sharedDragAssistant()->isDragging());
        const kit::Ref<kit::TabView> home = second->tabView();
        ASSERT_TRUE(home && home->window());
        if (c.onSample) {
            EXPECT_EQ(home, top->tabView());
            EXPECT_EQ(top->tabView()->indexOfTabViewItem(second.get()), 1);
            EXPECT_EQ((*pebble)->tabView()->numberOfTabViewItems(), 4);
            EXPECT_EQ(home->window(), window) << "no window of its own";
        } else {
            EXPECT_NE(home->window(), window);
            EXPECT_TRUE(home->window()->isVisible());
            EXPECT_EQ(top->tabView()->numberOfTabViewItems(), 7);
            home->window()->orderOut();
        }
        window->orderOut();
    }
}

// A style sample shows a style and nothing more: one Tab stop, and neither a click on a close
// button nor Space closes one of its tabs.
TEST_F(GalleryTabBarViewPage, AStyleSampleIsOneStopAndClosesNothing)
{
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 900, 600), kit::TitledWindowMask);
    window->setContentView(page.get());
    window->makeKeyAndOrderFront();
    ASSERT_EQ(bars.size(), 2 + QVTabStyle::registeredTabStyleNames().size());
    for (std::size_t i = 2; i < bars.size(); ++i) {
        QVTabBarView& sample = *bars[i];
        SCOPED_TRACE(sample.styleName().toStdString());
        window->makeKeyWindow();
        ASSERT_TRUE(window->makeFirstResponder(&sample));
        kit::test::EventScript(window.get()).key(kit::KeyCodeSpace, QStringLiteral(" ")).key(kit::KeyCodeTab).run();
        EXPECT_NE(window->firstResponder().get(), &sample) << "one stop";
        const kit::Ref<QVAttachedTabBarButton> first = sample.orderedAttachedButtons().at(0);
        const kit::Rect close = first->tabCell()->closeButtonRectForBounds(first->bounds());
        kit::test::EventScript(window.get()).click(first->convertPointToView(kit::MakePoint(close.midX(), close.midY()), nullptr)).run();
        EXPECT_EQ(sample.tabView()->numberOfTabViewItems(), 4);
    }
    window->orderOut();
}

// Another page leaves the torn-off windows open with their documents, each until it is closed;
// a tab let go near the screen's edge opens its window wholly on the screen.
TEST(GalleryTabBarViewPageTornOff, TornOffWindowsOutliveThePageAndOpenOnTheScreen)
{
    kit::Ref<kit::View> page = makeTabBarViewPage(kit::MakeRect(0, 0, 900, 600));
    const kit::Ref<QVTabBarView> top = galleryViewsOf<QVTabBarView>(*page).at(0);
    auto* delegate = dynamic_cast<QVTabBarViewDelegate*>(top->delegate().get());
    ASSERT_TRUE(delegate);
    const kit::Ref<kit::TabViewItem> document = top->tabView()->tabViewItemAtIndex(0);
    kit::Weak<QVTabBarView> tornBar;
    const std::vector<kit::Weak<kit::Window>> made = galleryTearOffNearTheScreensCorners([&](kit::Point near) {
        const kit::Ref<QVTabBarView> into = delegate->tabViewNewTabBarViewForDraggedTabViewItemAtPoint(top->tabView().get(), document.get(), near);
        tornBar = into.get();
        return into ? into->window() : nullptr;
    });
    ASSERT_EQ(made.size(), 2u);
    const kit::Weak<kit::Window> torn = made.back();
    top->tabView()->removeTabViewItem(document.get());
    tornBar.lock()->tabView()->addTabViewItem(document);
    torn.lock()->orderFront();

    page->removeFromSuperview();
    page = nullptr;
    ASSERT_TRUE(torn.lock()) << "the page is gone, its torn-off window stays";
    EXPECT_TRUE(torn.lock()->isVisible());
    EXPECT_EQ(document->tabView(), tornBar.lock()->tabView());
    galleryCloseTornOffWindows(made);
}

// New Tab until the tabs no longer fit: the pull-down shows after the last tab, no tab over it.
TEST_F(GalleryTabBarViewPage, NewTabUntilOverflowShowsThePullDown)
{
    auto window = kit::make<kit::Window>(kit::MakeRect(100, 100, 900, 600), kit::TitledWindowMask);
    window->setContentView(page.get());
    window->makeKeyAndOrderFront();
    for (int i = 0; i < 3; ++i)
        top().addTabButton()->performClick(nullptr);
    kit::RunLoop::main().runPending();
    ASSERT_TRUE(top().isOverflowButtonVisible());
    const kit::Rect pullDown = top().overflowPopUpButton()->frame();
    for (const kit::Ref<QVAttachedTabBarButton>& tab : top().orderedAttachedButtons())
        EXPECT_FALSE(kit::IntersectsRect(tab->frame(), pullDown))
            << tab->title().toStdString() << " " << tab->frame().origin.x << "+" << tab->frame().size.width << " over " << pullDown.origin.x << "+" << pullDown.size.width;
    window->orderOut();
}

// Every bar says what it is, each its own name; a count badge says what it counts.
TEST_F(GalleryTabBarViewPage, EachBarHasANameOfItsOwnAndACountSaysItems)
{
    QStringList names;
    for (const kit::Ref<QVTabBarView>& bar : bars)
        names << kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(bar)))->text(QAccessible::Name);
    QStringList expected { QStringLiteral("Documents"), QStringLiteral("Mailboxes") };
    for (const QString& style : QVTabStyle::registeredTabStyleNames())
        expected << style + QStringLiteral(" sample");
    names.sort();
    expected.sort();
    EXPECT_EQ(names, expected);
    QAccessibleInterface* tabs = kit::AccessibilityBridge::interfaceFor(kit::Value(kit::Ref<kit::Object>(bars.at(0))));
    EXPECT_EQ(tabs->child(2)->text(QAccessible::Description), QStringLiteral("12 items")) << "Accounts";
}

} // namespace
