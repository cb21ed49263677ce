#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabDragAssistant.h"
#include "gallery/pages/TabBarViewPage.h"
#include "gallery/tests/GalleryTabDragScript.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/controls/PopUpButton.h"

#include <QAccessible>

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
        // Near the sample's left edge: the pointer is on it, the dragged picture's origin is not.
        const kit::Point to = c.onSample ? (*pebble)->convertPointToView(kit::MakePoint(12, 11), nullptr) : galleryOutsideEveryBar;
        galleryDragTab(window.get(), from, to);
        EXPECT_FALSE(QVTabDragAssistant::sharedDragAssistant()->isDragging());
        const kit::Ref<kit::TabView> home = second->tabView();
        ASSERT_TRUE(home && home->window());
        if (c.onSample) {
            EXPECT_EQ(home, top->tabView());
            EXPECT_EQ(top->tabView()->indexOfTabViewItem(second.get()), 1);
            EXPECT_EQ((*pebble)->tabView()->numberOfTabViewItems(), 4);
        } else {
            EXPECT_NE(home->window(), window);
            EXPECT_TRUE(home->window()->isVisible());
            EXPECT_EQ(top->tabView()->numberOfTabViewItems(), 7);
            home->window()->orderOut();
        }
        window->orderOut();
    }
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
