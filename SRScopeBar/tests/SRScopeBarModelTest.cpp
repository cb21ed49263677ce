#include "SRScopeBarTestSupport.h"

#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/Exception.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

class ScopeBarModel : public testing::Test {
protected:
    void SetUp() override
    {
        source = make<SRTestDataSource>();
        bar = makeTableBar(800, source.get(), { { "All", "Images", "Movies" }, { "Small", "Large" } });
    }
    Ref<SRTestDataSource> source;
    Ref<SRScopeBar> bar;
};

// --- Click rules ---------------------------------------------------------------------------------

struct ClickCase {
    const char* name;
    int style;
    std::vector<std::int64_t> before;
    std::int64_t click;
    bool force;
    std::vector<std::int64_t> after;
    int posts;
};

class ScopeBarClick : public testing::TestWithParam<ClickCase> { };

IndexSet srtestIndexes(const std::vector<std::int64_t>& v)
{
    MutableIndexSet s;
    for (auto i : v)
        s.addIndex(i);
    return s;
}

TEST_P(ScopeBarClick, SelectionAndNotifications)
{
    const auto& c = GetParam();
    auto source = make<SRTestDataSource>();
    auto bar = makeTableBar(800, source.get(), { { "a", "b", "c", "d" } });
    auto group = bar->groupAtIndex(0);
    group->setGroupSelectionStyle(c.style);
    group->setSelectionIndexes(srtestIndexes(c.before));
    SRNotificationLog log;
    if (c.force)
        group->selectObjectWithIndex(c.click);
    else
        group->didClickObject(c.click);
    EXPECT_EQ(group->selectionIndexes(), srtestIndexes(c.after)) << c.name;
    EXPECT_EQ(int(log.notes.size()), c.posts) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Rules, ScopeBarClick,
    testing::Values(ClickCase { "single_other", 0, { 0 }, 2, false, { 2 }, 1 }, ClickCase { "single_selected_stays", 0, { 1 }, 1, false, { 1 }, 0 },
        ClickCase { "multiple_adds", 1, { 0 }, 2, false, { 0, 2 }, 1 }, ClickCase { "multiple_removes", 1, { 0, 2 }, 2, false, { 0 }, 1 },
        ClickCase { "force_on_selected_changes_nothing", 1, { 0, 2 }, 2, true, { 0, 2 }, 0 },
        ClickCase { "force_single_replaces", 0, { 3 }, 1, true, { 1 }, 1 }, ClickCase { "style_7_is_multiple", 7, { 1 }, 3, false, { 1, 3 }, 1 }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Notifications and repair --------------------------------------------------------------------

TEST_F(ScopeBarModel, NotificationCarriesBarAndIdentifierOrNothing)
{
    SRNotificationLog log;
    bar->groupAtIndex(0)->didClickObject(1);
    bar->groupAtIndex(1)->setIdentifier(QString());
    bar->groupAtIndex(1)->didClickObject(1);
    ASSERT_EQ(log.notes.size(), 2u);
    EXPECT_EQ(log.notes[0]->object().get(), bar.get());
    EXPECT_EQ(log.notes[0]->userInfo().objectForKey(SRGroupIdentifierKey).stringValue(), QStringLiteral("g0"));
    EXPECT_TRUE(log.notes[1]->userInfo().isEmpty());
}

TEST_F(ScopeBarModel, SameSelectionReloadsButPostsNothing)
{
    SRNotificationLog log;
    SRTableButtonCell::measured = 0;
    bar->groupAtIndex(0)->setSelectionIndexes(bar->groupAtIndex(0)->selectionIndexes());
    EXPECT_TRUE(log.notes.empty());
    EXPECT_GT(SRTableButtonCell::measured, 0) << "the group was not reloaded";
}

TEST_F(ScopeBarModel, ReloadSelectsFirstAllowedObjectOrNothing)
{
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarShouldSelectObject" };
    delegate->shouldSelect = [](const Value& v) { return v.stringValue() == QStringLiteral("Movies"); };
    bar->setDelegate(delegate.get());
    auto group = bar->groupAtIndex(0);
    group->setGroupSelectionStyle(1);
    group->setSelectionIndexes({});
    SRNotificationLog log;
    group->setGroupSelectionStyle(0); // reloads: repair
    EXPECT_EQ(group->selectionIndexes(), IndexSet(2));
    EXPECT_EQ(delegate->calls, QStringList({ "select:All", "select:Images", "select:Movies" }));
    ASSERT_EQ(log.notes.size(), 1u);

    delegate->shouldSelect = [](const Value&) { return false; };
    group->setGroupSelectionStyle(1);
    group->setSelectionIndexes({});
    log.notes.clear();
    group->setGroupSelectionStyle(0);
    EXPECT_TRUE(group->selectionIndexes().isEmpty());
    EXPECT_TRUE(log.notes.empty());
}

TEST_F(ScopeBarModel, RepairOfSeveralPostsNestedChangeBeforeTheOuterOne)
{
    auto group = bar->groupAtIndex(0);
    group->setGroupSelectionStyle(1);
    group->setSelectionIndexes(IndexSet { 1, 2 });
    group->setGroupSelectionStyle(0);
    EXPECT_EQ(group->selectionIndexes(), IndexSet(1));
    // Setting two on a single-selection group: the repair's change posts first, then the outer one.
    std::vector<IndexSet> seen;
    const auto token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        SRScopeBarSelectionDidChangeNotification, nullptr, nullptr, [&](Notification*) { seen.push_back(group->selectionIndexes()); });
    group->setSelectionIndexes(IndexSet { 0, 2 });
    NotificationCenter::defaultCenter()->removeObserver(token.get());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], IndexSet(0));
    EXPECT_EQ(group->selectionIndexes(), IndexSet(0));
}

TEST_F(ScopeBarModel, ProgrammaticSelectionNeverAsksTheDelegate)
{
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarShouldSelectObject" };
    delegate->shouldSelect = [](const Value&) { return false; };
    bar->setDelegate(delegate.get());
    bar->groupAtIndex(0)->selectObject(Value("Movies"));
    EXPECT_EQ(bar->groupAtIndex(0)->selectionIndexes(), IndexSet(2));
    EXPECT_TRUE(delegate->calls.isEmpty());
}

TEST_F(ScopeBarModel, SelectedObjectsNilWhenNothingIsSelected)
{
    auto group = bar->groupAtIndex(0);
    group->setGroupSelectionStyle(1);
    group->setSelectionIndexes({});
    EXPECT_TRUE(group->selectedObjects().isNil());
    EXPECT_TRUE(group->selectedObject().isNil());
    group->setSelectionIndexes(IndexSet { 2, 0 });
    EXPECT_EQ(group->selectedObjects().array().count(), 2);
    EXPECT_EQ(group->selectedObject().stringValue(), QStringLiteral("All"));
}

// --- Delegate observation ------------------------------------------------------------------------

TEST_F(ScopeBarModel, DelegateHearsEveryBarAndAgainAfterReparenting)
{
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarSelectionDidChange" };
    bar->setDelegate(delegate.get());
    auto otherSource = make<SRTestDataSource>();
    auto other = makeTableBar(400, otherSource.get(), { { "x", "y" } });
    delegate->heard.clear(); // the other bar's first reload selected "x"
    other->groupAtIndex(0)->didClickObject(1);
    ASSERT_EQ(delegate->heard.size(), 1u);
    EXPECT_EQ(delegate->heard[0]->object().get(), other.get());

    // Out of the view tree and back in (a tab switch): still heard, and only once.
    auto parent = make<View>(MakeRect(0, 0, 800, 100));
    parent->addSubview(bar.get());
    bar->removeFromSuperview();
    parent->addSubview(bar.get());
    parent->addSubview(bar.get());
    delegate->heard.clear();
    bar->groupAtIndex(0)->didClickObject(2);
    EXPECT_EQ(delegate->heard.size(), 1u);

    bar->setDelegate(nullptr);
}

// --- Groups --------------------------------------------------------------------------------------

TEST_F(ScopeBarModel, AddGroupSeparatorOnlyAfterTheFirst)
{
    auto empty = make<SRScopeBar>(MakeRect(0, 0, 300, 25));
    EXPECT_FALSE(empty->addGroup()->showsSeparator());
    EXPECT_TRUE(empty->addGroup()->showsSeparator());
    EXPECT_EQ(empty->numberOfGroups(), 2);
}

TEST_F(ScopeBarModel, PlaceholdersFallBack)
{
    auto group = make<SRScopeBarGroup>();
    EXPECT_EQ(group->noSelectionPlaceholder(), QStringLiteral("<Untitled>"));
    EXPECT_EQ(group->multipleSelectionPlaceholder(), QStringLiteral("<Multiple>"));
    group->setIdentifier(QStringLiteral("Kind"));
    EXPECT_EQ(group->noSelectionPlaceholder(), QStringLiteral("Kind"));
    group->setNoSelectionPlaceholder(QStringLiteral("Any"));
    EXPECT_EQ(group->noSelectionPlaceholder(), QStringLiteral("Any"));
}

TEST_F(ScopeBarModel, SetGroupsOrphansTheReplacedAndStopsAtANonGroup)
{
    auto old = bar->groupAtIndex(1);
    auto fresh = make<SRScopeBarGroup>(QStringLiteral("fresh"), 0);
    try {
        bar->setGroups(Array { Value(fresh), Value(QStringLiteral("not a group")) });
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), InvalidArgumentException);
        EXPECT_EQ(e.reason(), QStringLiteral("SRScopeBar:setGroups: element in array not of class SRScopeBarGroup"));
    }
    EXPECT_EQ(bar->numberOfGroups(), 1);
    EXPECT_EQ(bar->groupAtIndex(0), fresh);
    // The replaced group is nobody's: no objects, and its setters reload nothing.
    EXPECT_FALSE(old->scopeBar());
    EXPECT_EQ(old->numberOfObjects(), 0);
    old->setLabel(QStringLiteral("gone"));
    EXPECT_TRUE(old->showsLabel());
}

TEST_F(ScopeBarModel, GroupOutlivingItsBarHasNoBar)
{
    auto group = bar->groupAtIndex(0);
    bar = nullptr;
    EXPECT_FALSE(group->scopeBar());
    EXPECT_EQ(group->numberOfObjects(), 0);
    group->setShowsSeparator(false);
}

TEST_F(ScopeBarModel, GroupsChangeIsObservableAndNumberOfGroupsFollows)
{
    auto recorderRef = make<kit::test::KeyValueRecorder>();
    auto& recorder = *recorderRef;
    bar->addObserverForKeyPathOptionsContext(&recorder, QStringLiteral("numberOfGroups"), KeyValueObservingOptionNew, nullptr);
    bar->addGroup();
    bar->moveGroupWithIndexToIndex(0, 2);
    bar->removeGroupAtIndex(0);
    bar->removeObserverForKeyPath(&recorder, QStringLiteral("numberOfGroups"));
    ASSERT_EQ(recorder.records.size(), 2u); // insert and remove; a move is silent
    EXPECT_EQ(recorder.records[0].change.newValue.integerValue(), 3);
    EXPECT_EQ(recorder.records[1].change.newValue.integerValue(), 2);
}

// --- Identity and equality -----------------------------------------------------------------------

TEST_F(ScopeBarModel, DataSourceFindsTheIdenticalObjectBindingsAnEqualOne)
{
    auto a = make<SRScopeBarGroup>(QStringLiteral("a"), 0);
    auto b = make<SRScopeBarGroup>(QStringLiteral("b"), 0);
    source->groups.push_back({ Value(a), Value(b) });
    auto group = bar->addGroup();
    bar->reloadData();
    EXPECT_EQ(group->indexForObject(Value(b)), 1);
    EXPECT_EQ(group->indexForObject(Value(make<SRScopeBarGroup>(QStringLiteral("b"), 0))), NotFound);
    EXPECT_EQ(bar->groupAtIndex(0)->indexForObject(Value("Images")), 1);

    auto controller = make<ArrayController>(Array { Value("one"), Value("two") });
    auto bound = make<SRScopeBarGroup>();
    bar->addGroup(bound.get());
    bound->bindToObjectWithKeyPathOptions(ContentBinding, controller.get(), QStringLiteral("arrangedObjects"), {});
    EXPECT_EQ(bound->numberOfObjects(), 2);
    EXPECT_EQ(bound->indexForObject(Value(QStringLiteral("tw") + QStringLiteral("o"))), 1);
    bound->unbind(ContentBinding);
}

// --- Bindings ------------------------------------------------------------------------------------

TEST_F(ScopeBarModel, BoundSelectionFollowsTheControllerBothWaysWithoutRecursion)
{
    auto controller = make<ArrayController>(Array { Value("red"), Value("green"), Value("blue") });
    auto group = make<SRScopeBarGroup>(QStringLiteral("colour"), 1);
    bar->addGroup(group.get());
    group->bindToObjectWithKeyPathOptions(ContentBinding, controller.get(), QStringLiteral("arrangedObjects"), {});
    SRNotificationLog log;
    controller->setSelectionIndexes(IndexSet { 0, 2 });
    EXPECT_EQ(group->selectionIndexes(), (IndexSet { 0, 2 }));
    EXPECT_EQ(log.notes.size(), 1u);
    group->didClickObject(1);
    EXPECT_EQ(controller->selectionIndexes(), (IndexSet { 0, 1, 2 }));
    EXPECT_EQ(log.notes.size(), 2u);
    // Titles come from the bound content.
    auto cell = bar->preparedButtonCellForGroupObject(bar->indexOfGroup(group.get()), 2);
    EXPECT_EQ(cell->title(), QStringLiteral("blue"));
    EXPECT_EQ(cell->state(), OnState);
    group->unbind(ContentBinding);
    EXPECT_EQ(debug::observationCount(group.get()), 0);
}

TEST_F(ScopeBarModel, ObservingAnythingButAnArrayControllerIsReported)
{
    auto model = make<SRScopeBarGroup>(); // any observable object with "selectionIndexes"
    auto group = make<SRScopeBarGroup>();
    bar->addGroup(group.get());
    group->bindToObjectWithKeyPathOptions(ContentBinding, model.get(), QStringLiteral("identifier"), {});
    kit::test::AssertionRecorder assertions;
    model->willChangeValueForKey(QStringLiteral("selectionIndexes"));
    model->didChangeValueForKey(QStringLiteral("selectionIndexes"));
    ASSERT_EQ(assertions.descriptions.size(), 1u);
    EXPECT_EQ(assertions.descriptions[0], QStringLiteral("SRScopeBarGroup: Observing selectionIndexes from object not of class NSArrayController"));
    group->unbind(ContentBinding);
}

// --- Exceptions ----------------------------------------------------------------------------------

struct RaiseCase {
    const char* name;
    std::function<void(SRScopeBar&)> call;
    QString exception;
    QString reason;
};

class ScopeBarRaises : public testing::TestWithParam<RaiseCase> { };

TEST_P(ScopeBarRaises, NameAndReason)
{
    const auto& c = GetParam();
    auto source = make<SRTestDataSource>();
    auto bar = makeTableBar(800, source.get(), { { "a", "b" } });
    try {
        c.call(*bar);
        FAIL() << c.name << ": no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), c.exception) << c.name;
        EXPECT_EQ(e.reason(), c.reason) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScopeBarRaises,
    testing::Values(RaiseCase { "objectAtIndex", [](SRScopeBar& b) { b.groupAtIndex(0)->objectAtIndex(2); }, RangeException,
                        "SRScopeBarGroup:objectAtIndex: objectIndex invalid" },
        RaiseCase { "didClickObject", [](SRScopeBar& b) { b.groupAtIndex(0)->didClickObject(5); }, RangeException,
            "SRScopeBarGroup:didClickObject_:alwaysSetToOnState: objectIndex invalid" },
        RaiseCase { "selectObject", [](SRScopeBar& b) { b.groupAtIndex(0)->selectObject(Value("zzz")); }, InvalidArgumentException,
            "SRScopeBarGroup:selectObject theObject not a member of this group" },
        RaiseCase { "selectObjectWithIndex", [](SRScopeBar& b) { b.groupAtIndex(0)->selectObjectWithIndex(-1); }, RangeException,
            "SRScopeBarGroup:selectObjectWithIndex: objectIndex invalid" },
        RaiseCase { "preparedButtonGroup", [](SRScopeBar& b) { b.preparedButtonCellForGroupObject(1, 0); }, RangeException,
            "SRScopeBar:preparedButtonCellForGroup:object: groupIndex invalid" },
        RaiseCase { "preparedButtonObject", [](SRScopeBar& b) { b.preparedButtonCellForGroupObject(0, 2); }, RangeException,
            "SRScopeBar:preparedButtonCellForGroup:object: objectIndex invalid" },
        RaiseCase { "preparedPopUp", [](SRScopeBar& b) { b.preparedPopUpCellForGroup(1); }, RangeException,
            "SRScopeBar:preparedPopUpCellForGroup: groupIndex invalid" },
        RaiseCase { "insertGroup", [](SRScopeBar& b) { b.insertGroupAtIndex(make<SRScopeBarGroup>().get(), 2); }, RangeException,
            "SRScopeBar:insertGroup:atIndex: groupIndex invalid" },
        RaiseCase { "insertNilGroup", [](SRScopeBar& b) { b.insertGroupAtIndex(nullptr, 0); }, InvalidArgumentException,
            "SRScopeBar:insertGroup:atIndex: group is nil" },
        RaiseCase { "addNilGroup", [](SRScopeBar& b) { b.addGroup(nullptr); }, InvalidArgumentException,
            "SRScopeBar:insertGroup:atIndex: group is nil" },
        RaiseCase { "removeGroup", [](SRScopeBar& b) { b.removeGroupAtIndex(1); }, RangeException, "SRScopeBar:removeGroup:atIndex: groupIndex invalid" },
        RaiseCase { "moveFrom", [](SRScopeBar& b) { b.moveGroupWithIndexToIndex(1, 5); }, RangeException,
            "SRScopeBar:moveGroupWithIndex:toIndex: originalIndex invalid" },
        RaiseCase { "moveTo", [](SRScopeBar& b) { b.moveGroupWithIndexToIndex(0, 1); }, RangeException,
            "SRScopeBar:moveGroupWithIndex:toIndex: destinationIndex invalid" },
        RaiseCase { "reloadDataForGroup", [](SRScopeBar& b) { b.reloadDataForGroup(1); }, RangeException, "SRScopeBar:reloadDataForGroup: groupIndex invalid" },
        RaiseCase { "groupAtIndex", [](SRScopeBar& b) { b.groupAtIndex(1); }, RangeException, "SRScopeBar:groupAtIndex: groupIndex invalid" },
        RaiseCase { "helperInit", [](SRScopeBar&) { classFromString(QStringLiteral("SRScopeBarGroupHelper"))->make(); }, SRScopeBarException,
            "An instance of an SRScopeBarGroupHelper was initialized using init instead of initWithGroup:inScopeBar:" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScopeBarNilGroup, IsRefusedBeforeAnythingChanges)
{
    auto source = make<SRTestDataSource>();
    auto bar = makeTableBar(800, source.get(), { { "a", "b" } });
    const auto subviews = bar->subviews().size();
    auto observer = make<kit::test::KeyValueRecorder>();
    bar->addObserverForKeyPathOptionsContext(observer.get(), QStringLiteral("groups"), KeyValueObservingOptionNew, nullptr);
    EXPECT_THROW(bar->insertGroupAtIndex(nullptr, 1), Exception);
    EXPECT_THROW(bar->addGroup(nullptr), Exception);
    bar->removeObserverForKeyPath(observer.get(), QStringLiteral("groups"));
    EXPECT_TRUE(observer->records.empty());
    EXPECT_EQ(bar->numberOfGroups(), 1);
    EXPECT_EQ(bar->subviews().size(), subviews);
}

TEST(ScopeBarWithoutDataSource, GroupsAreEmptyAndCellsNil)
{
    auto bar = make<SRScopeBar>(MakeRect(0, 0, 300, 25));
    auto group = bar->addGroup();
    bar->reloadData();
    EXPECT_EQ(group->numberOfObjects(), 0);
    EXPECT_EQ(group->indexForObject(Value("x")), NotFound);
    bar->layoutIfNeeded();
    EXPECT_EQ(bar->groupHelpers()[0]->maximumWidth(), 0);
}

TEST(ScopeBarClasses, EveryClassIsFoundByName)
{
    for (const char* name : { "SRScopeBar", "SRScopeBarGroup", "SRScopeBarGroupHelper", "SRButtonCell", "SRPopUpButtonCell", "SROverflowPullDownCell" })
        EXPECT_TRUE(classFromString(QString::fromLatin1(name))) << name;
}

} // namespace
