#include "XTTabBarControl/tests/XTTabBarTestSupport.h"
#include "kit/controls/Menu.h"
#include "kit/controls/MenuItem.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/foundation/RunLoop.h"

#include <gtest/gtest.h>

namespace {

std::vector<QString> xtcLabels(const XTTabBarControl& bar)
{
    std::vector<QString> labels;
    for (const auto& item : bar.representedTabViewItems())
        labels.push_back(item->label());
    return labels;
}

TEST(XTTabBarControl, Defaults)
{
    auto bar = kit::make<XTTabBarControl>(kit::MakeRect(0, 0, 300, 22));
    EXPECT_TRUE(bar->isFlipped());
    EXPECT_TRUE(bar->acceptsFirstMouse(nullptr));
    EXPECT_FALSE(bar->mouseDownCanMoveWindow());
    EXPECT_EQ(bar->minimumFrameSizeFromKnobPosition(0).width, 100);
    EXPECT_EQ(bar->minimumFrameSizeFromKnobPosition(0).height, 22);
    EXPECT_EQ(bar->maximumFrameSizeFromKnobPosition(0).width, 10000);
    EXPECT_EQ(bar->maximumFrameSizeFromKnobPosition(0).height, 22);
    EXPECT_EQ(bar->styleName(), QStringLiteral("Metal"));
    EXPECT_EQ(bar->cellMinWidth(), 100);
    EXPECT_EQ(bar->cellMaxWidth(), 280);
    EXPECT_EQ(bar->cellOptimumWidth(), 130);
    EXPECT_TRUE(bar->useOverflowMenu());
    EXPECT_TRUE(bar->allowsBackgroundTabClosing());
    EXPECT_FALSE(bar->showAddTabButton());
    EXPECT_TRUE(bar->overflowPopUpButton()->isHidden());
    EXPECT_TRUE(bar->overflowPopUpButton()->pullsDown());
    EXPECT_TRUE(bar->addTabButton()->isHidden());
    EXPECT_EQ(bar->addTabButton()->tag(), -1);
    EXPECT_EQ(bar->overflowPopUpButton()->frame(), kit::MakeRect(277, 0, 24, 22));
    EXPECT_EQ(bar->target().get(), bar.get());
}

TEST(XTTabBarControl, OneCellPerItemInTabOrder)
{
    XTBarFixture f(434, 3);
    f.tabView->insertTabViewItemAtIndex(kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("x"))), 1);
    f.tabView->tabViewItemAtIndex(1)->setLabel(QStringLiteral("Inserted"));
    EXPECT_EQ(xtcLabels(*f.bar), (std::vector<QString> { QStringLiteral("Tab 0"), QStringLiteral("Inserted"), QStringLiteral("Tab 1"),
                                      QStringLiteral("Tab 2") }));
    // The title follows the item's label.
    EXPECT_EQ(f.bar->cells()[1]->stringValue(), QStringLiteral("Inserted"));
}

// A tab added anywhere but the end, or moved, gets its cell at its own place: the titles read as
// the tab view's labels, and selecting the tab marks its cell alone.
struct XTOrderCase {
    const char* name;
    // Applied to tabs "Tab 0" to "Tab 2"; answers the tab to select afterwards.
    kit::Ref<kit::TabViewItem> (*change)(XTBarFixture&);
    std::vector<QString> labels;
};

kit::Ref<kit::TabViewItem> xtcInsert(XTBarFixture& f, std::int64_t index)
{
    auto item = kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("new")));
    item->setLabel(QStringLiteral("New"));
    f.tabView->insertTabViewItemAtIndex(item, index);
    return item;
}

class XTTabBarOrder : public testing::TestWithParam<XTOrderCase> { };

TEST_P(XTTabBarOrder, CellsFollowTheTabViewsOrder)
{
    const XTOrderCase& c = GetParam();
    XTBarFixture f(434, 3);
    const kit::Ref<kit::TabViewItem> chosen = c.change(f);
    std::vector<QString> titles;
    for (const auto& cell : f.bar->cells())
        titles.push_back(cell->stringValue());
    EXPECT_EQ(titles, c.labels);
    EXPECT_EQ(xtcLabels(*f.bar), c.labels);

    f.tabView->selectTabViewItem(chosen.get());
    const std::int64_t index = f.tabView->indexOfTabViewItem(chosen.get());
    for (std::size_t i = 0; i < f.bar->cells().size(); ++i) {
        const XTTabBarCell& cell = *f.bar->cells()[i];
        const bool selected = std::int64_t(i) == index;
        EXPECT_EQ(cell.state(), selected ? 1 : 0) << i;
        EXPECT_EQ((cell.tabState() & XTTabSelectedMask) != 0, selected) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(XTTabBarControl, XTTabBarOrder,
    testing::Values(XTOrderCase { "InsertAtOne", [](XTBarFixture& f) { return xtcInsert(f, 1); },
                        { QStringLiteral("Tab 0"), QStringLiteral("New"), QStringLiteral("Tab 1"), QStringLiteral("Tab 2") } },
        XTOrderCase { "InsertAtZero", [](XTBarFixture& f) { return xtcInsert(f, 0); },
            { QStringLiteral("New"), QStringLiteral("Tab 0"), QStringLiteral("Tab 1"), QStringLiteral("Tab 2") } },
        XTOrderCase { "Move",
            [](XTBarFixture& f) {
                const kit::Ref<kit::TabViewItem> item = f.tabView->tabViewItemAtIndex(2);
                f.tabView->removeTabViewItem(item.get());
                f.tabView->insertTabViewItemAtIndex(item, 0);
                return item;
            },
            { QStringLiteral("Tab 2"), QStringLiteral("Tab 0"), QStringLiteral("Tab 1") } }),
    [](const testing::TestParamInfo<XTOrderCase>& info) { return std::string(info.param.name); });

// Four tabs fit in 434 points once some overflow: a tab inserted among the shown ones is shown
// and pushes the fourth into the menu; one inserted among the overflowed tabs goes to the menu.
TEST(XTTabBarControl, AnInsertedCellOverflowsByItsPlace)
{
    XTBarFixture f(434, 5);
    ASSERT_TRUE(f.bar->cells()[4]->isInOverflowMenu());
    ASSERT_FALSE(f.bar->cells()[3]->isInOverflowMenu());
    xtcInsert(f, 1);
    ASSERT_EQ(f.bar->cells().size(), 6u);
    EXPECT_EQ(f.bar->cells()[1]->stringValue(), QStringLiteral("New"));
    EXPECT_FALSE(f.bar->cells()[1]->isInOverflowMenu());
    EXPECT_EQ(f.bar->cells()[4]->stringValue(), QStringLiteral("Tab 3"));
    EXPECT_TRUE(f.bar->cells()[4]->isInOverflowMenu());

    auto late = kit::make<kit::TabViewItem>(kit::Value(QStringLiteral("late")));
    late->setLabel(QStringLiteral("Late"));
    f.tabView->insertTabViewItemAtIndex(late, 5);
    EXPECT_EQ(f.bar->cells()[5]->stringValue(), QStringLiteral("Late"));
    EXPECT_TRUE(f.bar->cells()[5]->isInOverflowMenu());
    EXPECT_FALSE(f.bar->cells()[0]->isInOverflowMenu());
    // The overflow menu lists the tabs in their order.
    const kit::Ref<kit::Menu> menu = f.bar->controller().overflowMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->numberOfItems(), 4);
    EXPECT_EQ(menu->itemAtIndex(1)->title(), QStringLiteral("Tab 3"));
    EXPECT_EQ(menu->itemAtIndex(2)->title(), QStringLiteral("Late"));
    EXPECT_EQ(menu->itemAtIndex(3)->title(), QStringLiteral("Tab 4"));
}

// The overflow menu lives from one layout to the next; after every kind of change it lists the
// overflowed tabs in their order, with their titles and counts, each item standing for its tab.
testing::AssertionResult xtcMenuMatchesCells(const XTTabBarControl& bar)
{
    std::vector<std::pair<QString, kit::Object*>> expected;
    for (const auto& cell : bar.cells())
        if (cell->isInOverflowMenu())
            expected.emplace_back(cell->stringValue() + (cell->count() > 0 ? QStringLiteral(" (%1)").arg(cell->count()) : QString()),
                cell->representedObject().object().get());
    std::vector<std::pair<QString, kit::Object*>> listed;
    if (const kit::Ref<kit::Menu> menu = bar.controller().overflowMenu())
        for (std::int64_t i = 1; i < menu->numberOfItems(); ++i)
            listed.emplace_back(menu->itemAtIndex(i)->title(), menu->itemAtIndex(i)->representedObject().object().get());
    if (listed == expected)
        return testing::AssertionSuccess();
    auto failure = testing::AssertionFailure() << "menu:";
    for (const auto& [title, item] : listed)
        failure << " \"" << title.toStdString() << "\"";
    failure << "; overflowed tabs:";
    for (const auto& [title, item] : expected)
        failure << " \"" << title.toStdString() << "\"";
    return failure;
}

TEST(XTTabBarControl, TheOverflowMenuFollowsEveryChange)
{
    XTBarFixture f(434, 8);
    auto counted = kit::make<XTTestIdentifier>();
    f.addTab(QStringLiteral("Counted"), kit::Value(kit::Ref<kit::Object>(counted)));
    ASSERT_TRUE(f.bar->controller().overflowMenu());
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar));

    f.tabView->removeTabViewItem(f.tabView->tabViewItemAtIndex(5).get());
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "closed in the middle";
    xtcInsert(f, 5);
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "inserted in the middle";
    const kit::Ref<kit::TabViewItem> moved = f.tabView->tabViewItemAtIndex(7);
    f.tabView->removeTabViewItem(moved.get());
    f.tabView->insertTabViewItemAtIndex(moved, 4);
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "moved forward";
    f.tabView->tabViewItemAtIndex(6)->setLabel(QStringLiteral("Renamed"));
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "renamed";
    counted->setObjectCount(3);
    f.bar->update(false);
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "counted";
    f.bar->setFrameSize(kit::MakeSize(600, 22));
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "wider";
    f.bar->setFrameSize(kit::MakeSize(300, 22));
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "narrower";
    f.tabView->removeTabViewItem(f.tabView->tabViewItemAtIndex(0).get());
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "first closed";
    f.bar->setFrameSize(kit::MakeSize(2000, 22));
    EXPECT_FALSE(f.bar->controller().overflowMenu()) << "nothing overflows";
    f.bar->setFrameSize(kit::MakeSize(434, 22));
    EXPECT_TRUE(xtcMenuMatchesCells(*f.bar)) << "overflowing again";

    // An item of the menu still selects its tab.
    const kit::Ref<kit::MenuItem> last = f.bar->controller().overflowMenu()->itemArray().back();
    f.bar->overflowMenuAction(last.get());
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Counted"));
}

// The tab view reports a vanished item before the cell goes, and the count change last.
TEST(XTTabBarControl, CloseReportsBeforeTheCountChange)
{
    XTBarFixture f(434, 3);
    auto delegate = kit::make<XTRecordingDelegate>();
    delegate->implemented = { "tabViewDidCloseTabViewItem", "tabViewDidChangeNumberOfTabViewItems" };
    f.bar->setDelegate(delegate.get());
    f.tabView->removeTabViewItem(f.tabView->tabViewItemAtIndex(1).get());
    EXPECT_EQ(delegate->calls, (QStringList { QStringLiteral("closed:Tab 1"), QStringLiteral("count") }));
    EXPECT_EQ(xtcLabels(*f.bar), (std::vector<QString> { QStringLiteral("Tab 0"), QStringLiteral("Tab 2") }));
}

TEST(XTTabBarControl, SelectionCallsGoThroughTheBar)
{
    XTBarFixture f(434, 3);
    auto delegate = kit::make<XTRecordingDelegate>();
    delegate->implemented = { "tabViewShouldSelectTabViewItem", "tabViewWillSelectTabViewItem", "tabViewDidSelectTabViewItem" };
    f.bar->setDelegate(delegate.get());
    f.tabView->selectTabViewItemAtIndex(2);
    EXPECT_EQ(delegate->calls, (QStringList { QStringLiteral("should:Tab 2"), QStringLiteral("will:Tab 2"), QStringLiteral("did:Tab 2") }));
    EXPECT_EQ(f.bar->cells()[2]->state(), 1);
    // A delegate answering nothing is never called.
    delegate->implemented.clear();
    delegate->calls.clear();
    f.tabView->selectTabViewItemAtIndex(0);
    EXPECT_TRUE(delegate->calls.isEmpty());
}

// Chosen from the overflow menu, a tab moves to the front of both lists; the move reports
// nothing, then the re-selection and the outer selection report.
TEST(XTTabBarControl, AlwaysShowActiveTabMovesTheTabToTheFront)
{
    XTBarFixture f(434, 6);
    f.bar->setAlwaysShowActiveTab(true);
    auto delegate = kit::make<XTRecordingDelegate>();
    delegate->implemented = { "tabViewShouldSelectTabViewItem", "tabViewWillSelectTabViewItem", "tabViewDidSelectTabViewItem",
        "tabViewDidChangeNumberOfTabViewItems", "tabViewDidCloseTabViewItem" };
    f.bar->setDelegate(delegate.get());
    const kit::Ref<kit::Menu> menu = f.bar->controller().overflowMenu();
    ASSERT_TRUE(menu);
    const kit::Ref<kit::MenuItem> item = menu->itemAtIndex(2); // "Tab 5"
    f.bar->overflowMenuAction(item.get());
    EXPECT_EQ(f.tabView->tabViewItemAtIndex(0)->label(), QStringLiteral("Tab 5"));
    EXPECT_EQ(f.bar->cells()[0]->stringValue(), QStringLiteral("Tab 5"));
    EXPECT_EQ(f.tabView->selectedTabViewItem()->label(), QStringLiteral("Tab 5"));
    EXPECT_FALSE(f.bar->cells()[0]->isInOverflowMenu());
    EXPECT_EQ(f.bar->cells()[0]->state(), 1);
    EXPECT_EQ(delegate->calls, (QStringList { QStringLiteral("should:Tab 5"), QStringLiteral("will:Tab 5"), QStringLiteral("should:Tab 5"),
                                   QStringLiteral("will:Tab 5"), QStringLiteral("did:Tab 5"), QStringLiteral("did:Tab 5") }));
    EXPECT_EQ(f.tabView->delegate().get(), f.bar.get());
}

TEST(XTTabBarControl, OverflowChangesAreReportedOnce)
{
    XTBarFixture f(434, 4);
    auto delegate = kit::make<XTRecordingDelegate>();
    delegate->implemented = { "tabViewTabViewItemIsInOverflowMenu" };
    f.bar->setDelegate(delegate.get());
    f.addTab(QStringLiteral("Tab 4"));
    EXPECT_EQ(delegate->calls, (QStringList { QStringLiteral("overflow:Tab 4:1") }));
    f.bar->update(false);
    EXPECT_EQ(delegate->calls.size(), 1);
}

TEST(XTTabBarControl, DelegateMaySuppressCloseButtons)
{
    XTBarFixture f(434, 2);
    auto delegate = kit::make<XTRecordingDelegate>();
    delegate->disableClose = true;
    f.bar->setDelegate(delegate.get());
    f.bar->update(false);
    EXPECT_FALSE(f.bar->cells()[0]->isCloseButtonSuppressed()); // not asked: it does not answer
    delegate->implemented = { "tabViewDisableTabCloseForTabViewItem" };
    f.bar->update(false);
    EXPECT_TRUE(f.bar->cells()[0]->isCloseButtonSuppressed());
    EXPECT_TRUE(f.bar->cells()[1]->isCloseButtonSuppressed());
}

TEST(XTTabBarControl, StyleByNameAndSameStyleLeavesTheLayout)
{
    XTBarFixture f(434, 2);
    for (const char* name : { "Metal", "", "Unknown", "aqua" }) {
        f.bar->setStyleNamed(QString::fromLatin1(name));
        EXPECT_EQ(f.bar->styleName(), QStringLiteral("Metal")) << name;
    }
    const kit::Ref<XTTabStyle> style = f.bar->style();
    f.bar->cells()[0]->setFrame(kit::MakeRect(0, 0, 5, 5));
    f.bar->setStyle(style);
    EXPECT_EQ(f.bar->cells()[0]->frame(), kit::MakeRect(0, 0, 5, 5));
}

TEST(XTTabBarControl, IdentifierValuesReachTheCell)
{
    XTBarFixture f(434);
    auto identifier = kit::make<XTTestIdentifier>();
    identifier->setObjectCount(4);
    const auto item = f.addTab(QStringLiteral("Doc"), kit::Value(kit::Ref<kit::Object>(identifier)));
    const kit::Ref<XTTabBarCell> cell = f.bar->cells()[0];
    EXPECT_EQ(cell->count(), 4);
    EXPECT_FALSE(cell->hasIcon());
    EXPECT_TRUE(cell->indicator()->isHidden());
    identifier->setIsEdited(true);
    EXPECT_TRUE(cell->isEdited());
    identifier->setIcon(kit::make<kit::Image>(kit::MakeSize(16, 16)));
    EXPECT_TRUE(cell->hasIcon());
    identifier->setIsProcessing(true);
    EXPECT_FALSE(cell->indicator()->isHidden());

    // A string identifier keeps only the title.
    XTBarFixture g(434, 1);
    const kit::Ref<XTTabBarCell> plain = g.bar->cells()[0];
    EXPECT_EQ(plain->count(), 0);
    EXPECT_FALSE(plain->hasIcon());
    EXPECT_FALSE(plain->isEdited());
    EXPECT_TRUE(plain->indicator()->isHidden());
    EXPECT_EQ(plain->stringValue(), QStringLiteral("Tab 0"));
    (void)item;
}

// A changed identifier, or the same set again, leaves each key path observed once.
TEST(XTTabBarControl, IdentifierChangesObserveEachKeyOnce)
{
    XTBarFixture f(434);
    auto first = kit::make<XTTestIdentifier>();
    auto second = kit::make<XTTestIdentifier>();
    const auto item = f.addTab(QStringLiteral("Doc"), kit::Value(kit::Ref<kit::Object>(first)));
    const int before = kit::debug::observationCount(first.get(), QStringLiteral("objectCount"));
    item->setIdentifier(kit::Value(kit::Ref<kit::Object>(first)));
    EXPECT_EQ(kit::debug::observationCount(first.get(), QStringLiteral("objectCount")), before);
    item->setIdentifier(kit::Value(kit::Ref<kit::Object>(second)));
    EXPECT_EQ(kit::debug::observationCount(first.get(), QStringLiteral("objectCount")), before - 2);
    second->setObjectCount(9);
    EXPECT_EQ(f.bar->cells()[0]->count(), 9);
    first->setObjectCount(5);
    EXPECT_EQ(f.bar->cells()[0]->count(), 9);
}

TEST(XTTabBarControl, GoingAwayLeavesNoObservations)
{
    auto identifier = kit::make<XTTestIdentifier>();
    kit::Ref<kit::TabViewItem> item;
    {
        XTBarFixture f(434);
        item = f.addTab(QStringLiteral("Doc"), kit::Value(kit::Ref<kit::Object>(identifier)));
        f.bar = nullptr;
    }
    EXPECT_EQ(kit::debug::observationCount(identifier.get()), 0);
    EXPECT_EQ(kit::debug::observationCount(item.get()), 0);
}

} // namespace
