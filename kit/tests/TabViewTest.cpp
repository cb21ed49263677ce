#include "kit/controls/TabView.h"

#include "ControlsTestSupport.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/Selector.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace kit;
using namespace kit::test;

// Logs every delegate call; answers respondsToSelector from `implements`.
class RecordingTabDelegate : public Object, public TabViewDelegate {
public:
    explicit RecordingTabDelegate(QStringList* log)
        : log_(log)
    { }
    bool respondsToSelector(const Selector& s) const override { return implements.count(s.name()) > 0; }
    bool tabViewShouldSelectTabViewItem(TabView*, TabViewItem* item) override
    {
        log_->append("should " + item->label());
        return item->label() != veto;
    }
    void tabViewWillSelectTabViewItem(TabView* tabView, TabViewItem* item) override
    {
        // The selection is still the old one here.
        EXPECT_NE(tabView->selectedTabViewItem().get(), item);
        log_->append("will " + item->label());
    }
    void tabViewDidSelectTabViewItem(TabView*, TabViewItem* item) override { log_->append("did " + item->label()); }
    void tabViewDidChangeNumberOfTabViewItems(TabView* tabView) override
    {
        log_->append(QStringLiteral("count %1").arg(tabView->numberOfTabViewItems()));
    }

    std::set<QString> implements { "tabViewShouldSelectTabViewItem", "tabViewWillSelectTabViewItem", "tabViewDidSelectTabViewItem",
        "tabViewDidChangeNumberOfTabViewItems" };
    QString veto;

private:
    QStringList* log_;
};

enum class Op { Select, Remove, RemoveAbsent, Add, Move };

struct TabCase {
    const char* name;
    QStringList labels; // items, the first selected
    QString preselect; // selected before the operation (log cleared after)
    Op op;
    QString operand;
    QString veto;
    QStringList expected;
    QString selectedAfter; // "" = none
};

class TabViewOrder : public testing::TestWithParam<TabCase> { };

TEST_P(TabViewOrder, CallsTheDelegateInOrder)
{
    const TabCase& c = GetParam();
    QStringList log;
    auto tabView = make<TabView>(MakeRect(0, 0, 200, 100));
    auto delegate = make<RecordingTabDelegate>(&log);
    tabView->setDelegate(delegate.get());
    const auto item = [](const QString& label) {
        auto i = make<TabViewItem>(Value(label));
        i->setLabel(label);
        i->setView(make<View>());
        return i;
    };
    for (const QString& label : c.labels)
        tabView->addTabViewItem(item(label));
    if (!c.preselect.isEmpty())
        tabView->selectTabViewItemWithIdentifier(Value(c.preselect));
    log.clear();
    delegate->veto = c.veto;
    const std::int64_t index = tabView->indexOfTabViewItemWithIdentifier(Value(c.operand));
    switch (c.op) {
    case Op::Select:
        tabView->selectTabViewItemAtIndex(index);
        break;
    case Op::Remove:
        tabView->removeTabViewItem(tabView->tabViewItemAtIndex(index).get());
        break;
    case Op::RemoveAbsent:
        tabView->removeTabViewItem(item(c.operand).get());
        break;
    case Op::Add:
        tabView->addTabViewItem(item(c.operand));
        break;
    case Op::Move: {
        const Ref<TabViewItem> moved = tabView->tabViewItemAtIndex(index);
        tabView->removeTabViewItem(moved.get());
        tabView->insertTabViewItemAtIndex(moved, 0);
        break;
    }
    }
    EXPECT_EQ(log, c.expected) << c.name;
    const Ref<TabViewItem> selected = tabView->selectedTabViewItem();
    EXPECT_EQ(selected ? selected->label() : QString(), c.selectedAfter) << c.name;
    // Only the selected item's view is in the tree, filling the content.
    for (const Ref<TabViewItem>& i : tabView->tabViewItems()) {
        EXPECT_EQ(i->view()->superview() == tabView, i == selected) << c.name;
        EXPECT_EQ(i->tabView(), tabView);
    }
    if (selected) {
        EXPECT_EQ(selected->view()->frame(), tabView->contentRect());
    }
    EXPECT_EQ(tabView->subviews().size(), selected ? 1u : 0u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, TabViewOrder,
    testing::Values(TabCase { "select", { "A", "B", "C" }, "", Op::Select, "B", "", { "should B", "will B", "did B" }, "B" },
        TabCase { "veto, also by the program", { "A", "B", "C" }, "", Op::Select, "B", "B", { "should B" }, "A" },
        TabCase { "reselect", { "A", "B" }, "", Op::Select, "A", "", {}, "A" },
        TabCase { "insert into empty", {}, "", Op::Add, "A", "", { "will A", "did A", "count 1" }, "A" },
        TabCase { "insert more", { "A" }, "", Op::Add, "B", "", { "count 2" }, "A" },
        TabCase { "remove selected middle", { "A", "B", "C" }, "B", Op::Remove, "B", "", { "will C", "did C", "count 2" }, "C" },
        TabCase { "remove selected last", { "A", "B", "C" }, "C", Op::Remove, "C", "", { "will B", "did B", "count 2" }, "B" },
        TabCase { "remove the only", { "A" }, "", Op::Remove, "A", "", { "count 0" }, "" },
        TabCase { "remove unselected", { "A", "B", "C" }, "", Op::Remove, "C", "", { "count 2" }, "A" },
        TabCase { "remove absent", { "A", "B" }, "", Op::RemoveAbsent, "X", "", {}, "A" },
        TabCase { "move is two changes", { "A", "B", "C" }, "", Op::Move, "C", "", { "count 2", "count 3" }, "A" }));

TEST(TabView, OnlyImplementedOperationsAreCalledAndNoneWithoutDelegate)
{
    QStringList log;
    auto tabView = make<TabView>();
    auto delegate = make<RecordingTabDelegate>(&log);
    delegate->implements = { "tabViewDidSelectTabViewItem" };
    delegate->veto = "B"; // not asked: it does not implement should-select
    tabView->setDelegate(delegate.get());
    auto a = make<TabViewItem>(Value("a"));
    a->setLabel("A");
    auto b = make<TabViewItem>(Value("b"));
    b->setLabel("B");
    tabView->addTabViewItem(a);
    tabView->addTabViewItem(b);
    tabView->selectTabViewItem(b.get());
    EXPECT_EQ(log, (QStringList { "did A", "did B" }));

    tabView->setDelegate(nullptr);
    tabView->selectTabViewItem(a.get());
    EXPECT_EQ(tabView->selectedTabViewItem(), a);
    EXPECT_EQ(log.size(), 2);
    EXPECT_THROW(tabView->insertTabViewItemAtIndex(make<TabViewItem>(), 5), Exception);
    EXPECT_THROW(tabView->tabViewItemAtIndex(2), Exception);
    EXPECT_EQ(tabView->indexOfTabViewItem(make<TabViewItem>().get()), NotFound);
}

TEST(TabViewItem, LabelIdentifierAndAnyKeyAreObservable)
{
    auto item = make<TabViewItem>();
    auto recorder = make<KeyValueRecorder>();
    for (const char* key : { "label", "identifier", "isEdited" })
        item->addObserverForKeyPathOptionsContext(recorder.get(), key, KeyValueObservingOptionNew, nullptr);
    item->setLabel("Tab");
    auto id = make<View>();
    item->setIdentifier(Value(Ref<Object>(id)));
    item->setValueForKey(Value(true), "isEdited");
    ASSERT_EQ(recorder->records.size(), 3u);
    EXPECT_EQ(recorder->records[0].change.newValue, Value(QStringLiteral("Tab")));
    EXPECT_EQ(recorder->records[1].keyPath, "identifier");
    EXPECT_EQ(item->identifier(), Value(Ref<Object>(id)));
    EXPECT_EQ(item->valueForKey("isEdited"), Value(true));
    for (const char* key : { "label", "identifier", "isEdited" })
        item->removeObserverForKeyPath(recorder.get(), key);
    EXPECT_EQ(kit::debug::observationCount(item.get()), 0);
}

} // namespace
