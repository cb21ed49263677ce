// The outline view: its row model against a naive flattening, what a paint asks, expansion
// notifications and the delegate's registration, selection through the funnel, a subclass that
// overrides the hooks as the source list does, drop positions, autosave and archiving.

#include "ControlsTestSupport.h"

#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/OutlineView.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/FakeDraggingInfo.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/testsupport/TreeDataSource.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

using namespace kit;
using namespace kit::test;

// A delegate that may vary row heights and records the handlers it registered.
class OutlineRecordingDelegate : public Object, public OutlineViewDelegate {
    KIT_CLASS(OutlineRecordingDelegate)
public:
    bool variableHeights = false;
    QStringList heard;
    QStringList switchedOff;
    bool respondsToSelector(const Selector& s) const override
    {
        if (switchedOff.contains(s.name()) || (!variableHeights && s.name() == QLatin1String("outlineViewHeightOfRowByItem")))
            return false;
        return Object::respondsToSelector(s);
    }
    double outlineViewHeightOfRowByItem(OutlineView*, const Value& item) override
    {
        const Ref<TreeItem> node = item.objectAs<TreeItem>();
        return node ? 10 + double((node->title.size() * 7) % 23) : 17;
    }
    void outlineViewItemDidExpand(Notification* n) override { heard << QStringLiteral("didExpand ") + n->userInfo().objectForKey(Value("NSObject")).objectAs<TreeItem>()->title; }
    void outlineViewSelectionDidChange(Notification*) override { heard << QStringLiteral("selection"); }
};

KIT_REGISTER_CLASS(OutlineRecordingDelegate, Object)
{
    c.optionalOperations({ "outlineViewHeightOfRowByItem", "outlineViewItemDidExpand", "outlineViewSelectionDidChange" });
}

class OutlineViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w = std::make_unique<ControlWindow>(Size { 300, 200 });
        scroll = make<ScrollView>(MakeRect(0, 0, 300, 200));
        outline = make<OutlineView>(MakeRect(0, 0, 300, 200));
        column = make<TableColumn>(Value("title"));
        column->setWidth(280);
        outline->addTableColumn(column);
        scroll->setDocumentView(outline.get());
        w->content->addSubview(scroll.get());
        w->window->makeFirstResponder(outline.get());
    }
    void TearDown() override { w.reset(); }
    void use(Ref<TreeDataSource> s)
    {
        source = std::move(s);
        outline->setDataSource(source.get());
    }
    Value item(const QString& title) const { return Value(source->find(title)); }
    QStringList rows() const
    {
        QStringList titles;
        for (std::int64_t r = 0; r < outline->numberOfRows(); ++r)
            titles << outline->itemAtRow(r).objectAs<TreeItem>()->title;
        return titles;
    }
    // A point in the middle of a row, in window base coordinates.
    Point rowPoint(std::int64_t row, double x = 60) const
    {
        const Rect r = outline->rectOfRow(row);
        return outline->convertPointToView({ x, r.midY() }, nullptr);
    }

    std::unique_ptr<ControlWindow> w;
    Ref<ScrollView> scroll;
    Ref<OutlineView> outline;
    Ref<TableColumn> column;
    Ref<TreeDataSource> source;
};

TEST_F(OutlineViewTest, DefaultsAndGeometry)
{
    EXPECT_EQ(outline->rowHeight(), 17);
    EXPECT_EQ(outline->intercellSpacing(), MakeSize(3, 2));
    EXPECT_EQ(outline->indentationPerLevel(), 16);
    EXPECT_TRUE(outline->allowsEmptySelection());
    EXPECT_FALSE(outline->allowsMultipleSelection());
    EXPECT_TRUE(outline->isFlipped());
    use(TreeDataSource::threeLevels(3, 2, 2));
    outline->expandItem(item("A"));
    // Row 1 is A1 at level 1: the cell moves right by (level + 1) x 16, the triangle sits at level x 16.
    EXPECT_EQ(outline->rectOfRow(1), MakeRect(0, 19, 300, 19));
    EXPECT_EQ(outline->frameOfCellAtColumnRow(0, 1), MakeRect(1.5 + 32, 20, 300 - 3 - 32, 17));
    EXPECT_EQ(outline->frameOfOutlineCellAtRow(1), MakeRect(16, 19, 16, 19));
    EXPECT_EQ(outline->frameOfOutlineCellAtRow(0), MakeRect(0, 0, 16, 19));
    // Leaves have no triangle.
    outline->expandItem(item("A1"));
    EXPECT_TRUE(IsEmptyRect(outline->frameOfOutlineCellAtRow(2)));
    EXPECT_EQ(outline->rowAtPoint({ 5, 19 }), 1);
    EXPECT_EQ(outline->rowAtPoint({ 5, 18.999 }), 0);
    EXPECT_EQ(outline->rowAtPoint({ 5, -0.5 }), -1);
    EXPECT_EQ(outline->rowAtPoint({ 5, 19.0 * 7 }), -1);
    EXPECT_EQ(outline->columnAtPoint({ 299, 5 }), 0);
    EXPECT_EQ(outline->columnAtPoint({ 300, 5 }), -1);
    EXPECT_EQ(outline->rowsInRect(MakeRect(0, 18, 10, 2)), MakeRange(0, 2));
}

TEST_F(OutlineViewTest, ExpandCollapseAndReloadKeepItemsAndLevels)
{
    use(TreeDataSource::threeLevels(3, 2, 2));
    EXPECT_EQ(rows(), QStringList({ "A", "B", "C" }));
    EXPECT_EQ(outline->levelForItem(item("A1")), -1) << "not loaded yet";
    outline->expandItem(item("A"));
    outline->expandItem(item("A1"));
    EXPECT_EQ(rows(), QStringList({ "A", "A1", "A1a", "A1b", "A2", "B", "C" }));
    EXPECT_EQ(outline->levelForItem(item("A1b")), 2);
    EXPECT_EQ(outline->rowForItem(item("A2")), 4);
    EXPECT_EQ(outline->parentForItem(item("A1b")).objectAs<TreeItem>(), source->find("A1"));
    outline->collapseItem(item("A"));
    EXPECT_EQ(rows(), QStringList({ "A", "B", "C" }));
    EXPECT_EQ(outline->rowForItem(item("A1")), -1);
    EXPECT_EQ(outline->levelForItem(item("A1")), 1) << "loaded, only hidden";
    outline->expandItem(item("A"));
    EXPECT_EQ(rows(), QStringList({ "A", "A1", "A1a", "A1b", "A2", "B", "C" })) << "A1 kept its expansion";
    outline->expandItemExpandChildren(item("C"), true);
    EXPECT_EQ(rows().mid(6), QStringList({ "C", "C1", "C1a", "C1b", "C2", "C2a", "C2b" }));
    outline->collapseItemCollapseChildren(item("C"), true);
    outline->expandItem(item("C"));
    EXPECT_EQ(rows().mid(6), QStringList({ "C", "C1", "C2" })) << "children collapsed with it";

    // Identical items keep their expansion across a reload; a new item equal in title does not.
    outline->expandItem(item("B"));
    auto newB = make<TreeItem>(QStringLiteral("B"));
    newB->children = source->roots[1]->children;
    source->roots[1] = newB;
    outline->reloadData();
    EXPECT_EQ(rows(), QStringList({ "A", "A1", "A1a", "A1b", "A2", "B", "C", "C1", "C2" }));
}

TEST_F(OutlineViewTest, ReloadClipsTheSelectionAndTellsOnce)
{
    use(TreeDataSource::threeLevels(3, 2, 2));
    outline->expandItem(item("C"));
    outline->selectRowIndexesByExtendingSelection(IndexSet(4), false);
    NotificationRecorder changes(OutlineViewSelectionDidChangeNotification, outline.get());
    source->roots.pop_back();
    outline->reloadData();
    EXPECT_EQ(outline->numberOfRows(), 2);
    EXPECT_EQ(outline->selectedRow(), -1);
    EXPECT_EQ(changes.notifications.size(), 1u);
}

// A naive outline: the flattened expanded tree, recomputed from scratch.
struct OutlineNaiveRow {
    TreeItem* item;
    int level;
};
void outlineFlatten(const std::vector<Ref<TreeItem>>& items, const std::set<TreeItem*>& expanded, int level, std::vector<OutlineNaiveRow>& out)
{
    for (const Ref<TreeItem>& i : items) {
        out.push_back({ i.get(), level });
        if (expanded.count(i.get()))
            outlineFlatten(i->children, expanded, level + 1, out);
    }
}

class OutlineViewPropertyTest : public OutlineViewTest, public ::testing::WithParamInterface<std::tuple<bool, unsigned>> { };

TEST_P(OutlineViewPropertyTest, RandomExpansionMatchesANaiveFlattening)
{
    const auto [variable, seed] = GetParam();
    auto delegate = make<OutlineRecordingDelegate>();
    delegate->variableHeights = variable;
    outline->setDelegate(delegate.get());
    outline->setAllowsMultipleSelection(true);
    use(TreeDataSource::threeLevels(4, 3, 3));
    std::set<TreeItem*> expanded;
    std::mt19937 random(seed);
    std::vector<OutlineNaiveRow> naive;
    std::set<TreeItem*> selectedItems;
    for (int step = 0; step < 60; ++step) {
        naive.clear();
        outlineFlatten(source->roots, expanded, 0, naive);
        const OutlineNaiveRow& pick = naive[random() % naive.size()];
        const bool children = random() % 4 == 0;
        if (random() % 5 == 0) {
            // A new selection of a few random rows.
            MutableIndexSet rowsToSelect;
            selectedItems.clear();
            for (int k = 0; k < 3; ++k) {
                const std::size_t r = random() % naive.size();
                rowsToSelect.addIndex(std::int64_t(r));
                selectedItems.insert(naive[r].item);
            }
            outline->selectRowIndexesByExtendingSelection(rowsToSelect, false);
        } else if (!pick.item->children.empty()) {
            const auto apply = [&](auto& self, TreeItem* i, bool open) -> void {
                if (i->children.empty())
                    return;
                if (open)
                    expanded.insert(i);
                else
                    expanded.erase(i);
                if (children)
                    for (const Ref<TreeItem>& c : i->children)
                        self(self, c.get(), open);
            };
            const bool open = !expanded.count(pick.item);
            apply(apply, pick.item, open);
            if (open)
                outline->expandItemExpandChildren(Value(Ref<TreeItem>(pick.item)), children);
            else
                outline->collapseItemCollapseChildren(Value(Ref<TreeItem>(pick.item)), children);
        }
        naive.clear();
        outlineFlatten(source->roots, expanded, 0, naive);
        ASSERT_EQ(outline->numberOfRows(), std::int64_t(naive.size())) << "step " << step;
        std::set<TreeItem*> stillShown;
        double top = 0;
        for (std::size_t r = 0; r < naive.size(); ++r) {
            const auto row = std::int64_t(r);
            ASSERT_EQ(outline->itemAtRow(row).objectAs<TreeItem>().get(), naive[r].item) << "step " << step << " row " << r;
            ASSERT_EQ(outline->levelForRow(row), naive[r].level);
            if (selectedItems.count(naive[r].item))
                stillShown.insert(naive[r].item);
            // Rows tile the height, half-open at every boundary.
            const Rect rect = outline->rectOfRow(row);
            ASSERT_DOUBLE_EQ(rect.minY(), top) << "row " << r;
            ASSERT_EQ(outline->rowAtPoint({ 1, top }), row);
            ASSERT_EQ(outline->rowAtPoint({ 1, std::nextafter(rect.maxY(), top) }), row);
            top = rect.maxY();
        }
        ASSERT_EQ(outline->rowAtPoint({ 1, top }), -1);
        // The selection follows its items; rows hidden by a collapse left it.
        std::set<TreeItem*> selectedNow;
        for (std::int64_t r : outline->selectedRowIndexes())
            selectedNow.insert(outline->itemAtRow(r).objectAs<TreeItem>().get());
        ASSERT_EQ(selectedNow, stillShown) << "step " << step;
        selectedItems = stillShown;
    }
}

INSTANTIATE_TEST_SUITE_P(UniformAndVariableHeights, OutlineViewPropertyTest,
    ::testing::Combine(::testing::Bool(), ::testing::Values(1u, 7u, 42u, 2024u)));

TEST_F(OutlineViewTest, APaintAndAScrollStepAskOnlyForVisibleRows)
{
    use(TreeDataSource::groupsOfLeaves(1000, 99));
    outline->expandItemExpandChildren(Value(), true);
    ASSERT_EQ(outline->numberOfRows(), 100000);
    EXPECT_EQ(outline->frame().size.height, 100000 * 19.0);
    w->window->display();
    const std::int64_t visibleRows = std::int64_t(std::ceil(200 / 19.0)) + 1;
    for (double y : { 0.0, 200.0, 950000.0, 1899800.0 - 200 }) {
        source->resetCalls();
        scroll->contentView()->scrollToPoint({ 0, y });
        w->window->display();
        EXPECT_GT(source->calls("outlineViewObjectValueForTableColumnByItem"), 0) << y;
        EXPECT_LE(source->calls("outlineViewObjectValueForTableColumnByItem"), visibleRows) << y;
        EXPECT_EQ(source->calls("outlineViewNumberOfChildrenOfItem"), 0);
    }
}

TEST_F(OutlineViewTest, ExpandingGroupsOneAfterAnotherMovesInProportionToTheRowsAdded)
{
    use(TreeDataSource::groupsOfLeaves(1000, 99));
    outline->resetRowModelMovesForTesting();
    for (const Ref<TreeItem>& group : source->roots)
        outline->expandItem(Value(group));
    ASSERT_EQ(outline->numberOfRows(), 100000);
    // A flat vector would move about half the rows per expansion: some 5 x 10^7 entries.
    EXPECT_LT(outline->rowModelMovesForTesting(), 20 * 99000);
}

TEST_F(OutlineViewTest, EachItemThatChangesPostsOneWillAndOneDidWithTheItem)
{
    use(TreeDataSource::threeLevels(2, 2, 1));
    NotificationRecorder all;
    outline->expandItemExpandChildren(item("A"), true);
    QStringList seen;
    for (const Ref<Notification>& n : all.notifications)
        if (n->name().startsWith(QLatin1String("NSOutlineViewItem"))) {
            EXPECT_EQ(n->object().get(), outline.get());
            seen << n->name().mid(17) + " " + n->userInfo().objectForKey(Value("NSObject")).objectAs<TreeItem>()->title;
        }
    EXPECT_EQ(seen, QStringList({ "WillExpandNotification A", "WillExpandNotification A1", "WillExpandNotification A2",
                        "DidExpandNotification A", "DidExpandNotification A1", "DidExpandNotification A2" }));
    all.notifications.clear();
    outline->expandItem(item("A"));
    EXPECT_TRUE(all.names().filter("ItemWill").isEmpty()) << "no change, no notification";
    outline->collapseItem(item("A"));
    EXPECT_EQ(all.names().filter("Collapse"), QStringList({ OutlineViewItemWillCollapseNotification, OutlineViewItemDidCollapseNotification }));
}

TEST_F(OutlineViewTest, TheDelegateHearsOnlyItsHandlersAndStopsWhenReplaced)
{
    use(TreeDataSource::threeLevels(2, 2, 1));
    auto first = make<OutlineRecordingDelegate>();
    auto second = make<OutlineRecordingDelegate>();
    outline->setDelegate(first.get());
    outline->expandItem(item("A"));
    outline->collapseItem(item("A"));
    EXPECT_EQ(first->heard, QStringList({ "didExpand A" }));
    outline->setDelegate(second.get());
    outline->expandItem(item("B"));
    EXPECT_EQ(first->heard, QStringList({ "didExpand A" }));
    EXPECT_EQ(second->heard, QStringList({ "didExpand B" }));
}

TEST_F(OutlineViewTest, ADestroyedViewLeavesNoRegistrationsBehind)
{
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    const int before = center->observerCountForTesting();
    auto delegate = make<OutlineRecordingDelegate>();
    auto other = make<OutlineView>(MakeRect(0, 0, 100, 100));
    other->setDelegate(delegate.get());
    w->content->addSubview(other.get());
    EXPECT_GT(center->observerCountForTesting(), before);
    other->removeFromSuperview();
    other = nullptr;
    EXPECT_EQ(center->observerCountForTesting(), before);
}

TEST_F(OutlineViewTest, ProgramSelectionPostsOnlyRealChanges)
{
    use(TreeDataSource::threeLevels(3, 2, 1));
    NotificationRecorder changes(OutlineViewSelectionDidChangeNotification, outline.get());
    outline->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    outline->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    outline->selectRowIndexesByExtendingSelection(IndexSet(1), true);
    EXPECT_EQ(changes.notifications.size(), 1u);
    outline->deselectAll(nullptr);
    EXPECT_EQ(changes.notifications.size(), 2u);
    EXPECT_EQ(outline->selectedRow(), -1);
}

TEST_F(OutlineViewTest, ClicksSelectTogglesAndExtend)
{
    use(TreeDataSource::threeLevels(5, 1, 1));
    outline->setAllowsMultipleSelection(true);
    w->script->click(rowPoint(1)).wait(1).click(rowPoint(3), ShiftKeyMask).wait(1).click(rowPoint(2), ControlKeyMask);
    w->script->run();
    EXPECT_EQ(outline->selectedRowIndexes(), IndexSet({ 1, 3 }));
    w->script->wait(1).click(rowPoint(4));
    w->script->run();
    EXPECT_EQ(outline->selectedRowIndexes(), IndexSet(4));
}

TEST_F(OutlineViewTest, DragSelectPostsIsChangingPerChangeAndOneDidChangeAtTheRelease)
{
    auto tree = TreeDataSource::threeLevels(5, 1, 1);
    tree->setImplements("outlineViewWriteItemsToPasteboard", false);
    use(tree);
    outline->setAllowsMultipleSelection(true);
    NotificationRecorder all;
    w->script->mouseDown(rowPoint(0)).wait(0.05).mouseDragged(rowPoint(1)).wait(0.05).mouseDragged(rowPoint(1, 70)).wait(0.05).mouseDragged(rowPoint(3));
    w->script->wait(0.05).mouseUp(rowPoint(3));
    w->script->run();
    EXPECT_EQ(outline->selectedRowIndexes(), IndexSet::indexSetWithIndexesInRange({ 0, 4 }));
    EXPECT_EQ(all.names().filter("NSOutlineViewSelection"),
        QStringList({ OutlineViewSelectionIsChangingNotification, OutlineViewSelectionIsChangingNotification,
            OutlineViewSelectionIsChangingNotification, OutlineViewSelectionDidChangeNotification }));
}

TEST_F(OutlineViewTest, DragSelectBelowTheViewKeepsScrollingOnTheClock)
{
    auto tree = TreeDataSource::groupsOfLeaves(40, 0);
    tree->setImplements("outlineViewWriteItemsToPasteboard", false);
    use(tree);
    outline->setAllowsMultipleSelection(true);
    const Point below = outline->convertPointToView({ 60, 230 }, nullptr);
    w->script->mouseDown(rowPoint(0)).wait(0.05).mouseDragged(below).wait(1).mouseUp(below);
    w->script->run();
    // Twenty periods of 0.05 s, each scrolling by the pointer's overshoot of 30 points.
    const double scrolled = scroll->contentView()->bounds().minY();
    EXPECT_GT(scrolled, 200);
    EXPECT_EQ(outline->selectedRowIndexes().firstIndex(), 0);
    EXPECT_EQ(outline->selectedRowIndexes().lastIndex(), outline->rowAtPoint({ 1, scrolled + 199 }));
}

TEST_F(OutlineViewTest, CollapsingAboveTheSelectionShiftsItAndHiddenRowsLeaveIt)
{
    use(TreeDataSource::threeLevels(3, 2, 1));
    outline->setAllowsMultipleSelection(true);
    outline->expandItem(item("A"));
    outline->expandItem(item("B"));
    // A A1 A2 B B1 B2 C: select A2 and B1.
    outline->selectRowIndexesByExtendingSelection(IndexSet({ 2, 4 }), false);
    NotificationRecorder changes(OutlineViewSelectionDidChangeNotification, outline.get());
    outline->expandItem(item("A1"));
    EXPECT_EQ(outline->selectedRowIndexes(), IndexSet({ 3, 5 }));
    EXPECT_TRUE(changes.notifications.empty()) << "the same items stay selected";
    outline->collapseItem(item("A"));
    EXPECT_EQ(outline->selectedRowIndexes(), IndexSet(2));
    EXPECT_EQ(changes.notifications.size(), 1u);
}

TEST_F(OutlineViewTest, KeysMoveExpandAndCollapseWithTheDelegatesConsent)
{
    use(TreeDataSource::threeLevels(3, 2, 1));
    outline->selectRowIndexesByExtendingSelection(IndexSet(0), false);
    w->script->key(KeyCodeRightArrow).key(KeyCodeDownArrow).key(KeyCodeDownArrow).key(KeyCodeEnd);
    w->script->run();
    EXPECT_TRUE(outline->isItemExpanded(item("A")));
    EXPECT_EQ(outline->selectedRow(), 4);
    w->script->key(KeyCodeHome).key(KeyCodeLeftArrow).key(KeyCodeUpArrow);
    w->script->run();
    EXPECT_FALSE(outline->isItemExpanded(item("A")));
    EXPECT_EQ(outline->selectedRow(), 0);
}

// As the source list does: group rows at level 0, stripped from every selection; triangles of
// groups hidden; cells moved right; Select All hidden; the view its own delegate.
class SourceListLike : public OutlineView, public OutlineViewDelegate {
    KIT_CLASS(SourceListLike)
public:
    SourceListLike()
        : OutlineView(MakeRect(0, 0, 300, 200))
    { }
    std::vector<std::pair<Value, TableColumn*>> dataCellColumns;
    std::vector<Rect> trackedFrames;
    Ref<Cell> trackingCell;
    bool isGroup(const Value& item) { return levelForItem(item) == 0; }
    bool respondsToSelector(const Selector& s) const override
    {
        return s.name() == QLatin1String("selectAll") ? false : OutlineView::respondsToSelector(s);
    }
    void selectRowIndexesByExtendingSelection(const IndexSet& indexes, bool extend) override
    {
        MutableIndexSet kept;
        for (std::int64_t r : indexes)
            if (!isGroup(itemAtRow(r)))
                kept.addIndex(r);
        OutlineView::selectRowIndexesByExtendingSelection(kept, extend);
    }
    Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) override
    {
        // Reads the prepared cell, as the source list does: no path may lead back here.
        (void)preparedCellAtColumnRow(column, row);
        return OffsetRect(OutlineView::frameOfCellAtColumnRow(column, row), 40, 0);
    }
    Rect frameOfOutlineCellAtRow(std::int64_t row) override { return isGroup(itemAtRow(row)) ? ZeroRect : OutlineView::frameOfOutlineCellAtRow(row); }
    bool outlineViewIsGroupItem(OutlineView*, const Value& item) override { return isGroup(item); }
    bool outlineViewShouldTrackCellForTableColumnItem(OutlineView*, Cell*, TableColumn*, const Value& item) override { return !isGroup(item); }
    Ref<Cell> outlineViewDataCellForTableColumnItem(OutlineView*, TableColumn* column, const Value& item) override
    {
        dataCellColumns.emplace_back(item, column);
        return trackingCell;
    }
};

// A cell that records where it was asked to track.
class FrameRecordingCell : public Cell {
    KIT_CLASS(FrameRecordingCell)
public:
    std::vector<Rect>* frames = nullptr;
    void copyTo(Object& copy) const override
    {
        Cell::copyTo(copy);
        static_cast<FrameRecordingCell&>(copy).frames = frames;
    }
    bool trackMouseInRectOfViewUntilMouseUp(const Event& event, Rect cellFrame, View* view, bool untilUp) override
    {
        if (frames)
            frames->push_back(cellFrame);
        return Cell::trackMouseInRectOfViewUntilMouseUp(event, cellFrame, view, untilUp);
    }
};

KIT_REGISTER_CLASS(SourceListLike, OutlineView)
{
    c.optionalOperations({ "outlineViewIsGroupItem", "outlineViewShouldTrackCellForTableColumnItem", "outlineViewDataCellForTableColumnItem" });
}
KIT_REGISTER_CLASS(FrameRecordingCell, Cell) { c.copyable(); }

class SourceListLikeTest : public OutlineViewTest {
protected:
    void SetUp() override
    {
        OutlineViewTest::SetUp();
        list = make<SourceListLike>();
        auto cell = make<FrameRecordingCell>();
        cell->frames = &list->trackedFrames;
        list->trackingCell = cell;
        list->addTableColumn(make<TableColumn>(Value("title")));
        list->setDelegate(list.get());
        list->setAllowsMultipleSelection(true);
        scroll->setDocumentView(list.get());
        outline = list;
        w->window->makeFirstResponder(list.get());
        auto tree = TreeDataSource::threeLevels(2, 2, 1);
        tree->setImplements("outlineViewWriteItemsToPasteboard", false);
        use(tree);
        list->expandItem(item("A"));
        list->expandItem(item("B"));
        // Rows: A (group), A1, A2, B (group), B1, B2.
    }
    Ref<SourceListLike> list;
};

TEST_F(SourceListLikeTest, GroupRowsAreNeverSelected)
{
    list->selectRowIndexesByExtendingSelection(IndexSet({ 0, 1 }), false);
    EXPECT_EQ(list->selectedRowIndexes(), IndexSet(1));
    // Presses left of the (moved) cells select; presses on them track the cell.
    w->script->click(rowPoint(3)).wait(1).key(KeyCodeDownArrow, {}, ShiftKeyMask);
    w->script->run();
    EXPECT_FALSE(list->isRowSelected(3));
    w->script->wait(1).mouseDown(rowPoint(1)).wait(0.05).mouseDragged(rowPoint(4)).wait(0.05).mouseUp(rowPoint(4));
    w->script->run();
    EXPECT_EQ(list->selectedRowIndexes(), IndexSet({ 1, 2, 4 }));
}

TEST_F(SourceListLikeTest, SelectAllHiddenIsNotPerformedByTheKey)
{
    list->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    w->script->key(KeyCodeA, QStringLiteral("a"), CommandKeyMask);
    w->script->run();
    EXPECT_EQ(list->selectedRowIndexes(), IndexSet(1));
    EXPECT_FALSE(list->tryToPerformWith(Selector("selectAll"), nullptr));
}

TEST_F(SourceListLikeTest, AnEmptyDisclosureFrameHidesTheToggle)
{
    const Point triangle = list->convertPointToView({ 8, list->rectOfRow(0).midY() }, nullptr);
    w->script->click(triangle);
    w->script->run();
    EXPECT_TRUE(list->isItemExpanded(item("A")));
    // A level-1 item with children still toggles through its triangle.
    const Rect frame = list->frameOfOutlineCellAtRow(1);
    ASSERT_FALSE(IsEmptyRect(frame));
    w->script->wait(1).click(list->convertPointToView({ frame.midX(), frame.midY() }, nullptr));
    w->script->run();
    EXPECT_TRUE(list->isItemExpanded(item("A1")));
}

TEST_F(SourceListLikeTest, TheMovedCellFrameIsWhereTrackingHappens)
{
    const Rect moved = list->frameOfCellAtColumnRow(0, 1);
    EXPECT_EQ(moved.minX(), 1.5 + 32 + 40);
    w->script->click(list->convertPointToView({ moved.minX() + 2, moved.midY() }, nullptr));
    w->script->run();
    ASSERT_EQ(list->trackedFrames.size(), 1u);
    EXPECT_EQ(list->trackedFrames.front(), moved);
    EXPECT_EQ(list->numberOfSelectedRows(), 0) << "a tracked cell does not select";
}

TEST_F(SourceListLikeTest, GroupRowsAskForTheirCellWithoutAColumn)
{
    list->dataCellColumns.clear();
    w->window->display();
    ASSERT_FALSE(list->dataCellColumns.empty());
    std::set<QString> groupsAsked;
    for (const auto& [asked, column] : list->dataCellColumns) {
        EXPECT_EQ(column == nullptr, list->isGroup(asked)) << asked.objectAs<TreeItem>()->title.toStdString();
        if (!column)
            groupsAsked.insert(asked.objectAs<TreeItem>()->title);
    }
    EXPECT_EQ(groupsAsked, (std::set<QString> { "A", "B" }));
}

struct OutlineDropCase {
    double fraction; // of the row's height, from its top
    std::int64_t row;
    const char* item; // "" for the root
    std::int64_t childIndex;
};

class OutlineDropTest : public OutlineViewTest, public ::testing::WithParamInterface<OutlineDropCase> { };

TEST_P(OutlineDropTest, QuartersAreBetweenAndTheMiddleIsOn)
{
    use(TreeDataSource::threeLevels(3, 2, 1));
    outline->expandItem(item("B"));
    // Rows: A, B, B1, B2, C.
    const OutlineDropCase c = GetParam();
    FakeDraggingInfo info;
    const Rect r = outline->rectOfRow(c.row);
    info.location = outline->convertPointToView({ 50, r.minY() + r.height() * c.fraction }, nullptr);
    EXPECT_EQ(outline->draggingUpdated(info), DragOperationMove);
    ASSERT_EQ(source->validated.size(), 1u);
    const Value expected = *c.item ? item(c.item) : Value();
    EXPECT_TRUE(source->validated.back().item.identicalTo(expected));
    EXPECT_EQ(source->validated.back().childIndex, c.childIndex);
    EXPECT_TRUE(outline->performDragOperation(info));
    ASSERT_EQ(source->accepted.size(), 1u);
    EXPECT_TRUE(source->accepted.back().item.identicalTo(expected));
    EXPECT_EQ(source->accepted.back().childIndex, c.childIndex);
}

INSTANTIATE_TEST_SUITE_P(RowParts, OutlineDropTest,
    ::testing::Values(OutlineDropCase { 0.1, 1, "", 1 }, OutlineDropCase { 0.26, 1, "B", -1 }, OutlineDropCase { 0.5, 2, "B1", -1 }, OutlineDropCase { 0.74, 2, "B1", -1 },
        OutlineDropCase { 0.8, 2, "B", 1 }, OutlineDropCase { 0.1, 2, "B", 0 }, OutlineDropCase { 0.9, 4, "", 3 }));

TEST_F(OutlineViewTest, ARefusedDropShowsNothingAndIsNotAccepted)
{
    use(TreeDataSource::threeLevels(3, 2, 1));
    source->validateAnswer = DragOperationNone;
    FakeDraggingInfo info;
    info.location = rowPoint(1);
    EXPECT_EQ(outline->draggingUpdated(info), DragOperationNone);
    EXPECT_FALSE(outline->shownDropTarget().valid());
    EXPECT_FALSE(outline->performDragOperation(info));
    EXPECT_TRUE(source->accepted.empty());
}

TEST_F(OutlineViewTest, APlainClickSelectsWithoutStartingADrag)
{
    use(TreeDataSource::threeLevels(3, 2, 1));
    w->script->mouseDown(rowPoint(1)).wait(0.05).mouseDragged(rowPoint(1, 62)).wait(0.05).mouseUp(rowPoint(1, 62));
    w->script->run();
    EXPECT_EQ(outline->selectedRow(), 1);
    EXPECT_TRUE(source->written.empty());
}

TEST_F(OutlineViewTest, DraggingARowPastTheThresholdWritesItsItem)
{
    use(TreeDataSource::threeLevels(3, 2, 1));
    w->script->mouseDown(rowPoint(1)).wait(0.05).mouseDragged(rowPoint(1, 70)).wait(0.05).mouseDragged(rowPoint(2, 90));
    w->script->wait(0.05).mouseDragged(rowPoint(3, 120)).wait(0.05).mouseUp(rowPoint(3, 120));
    w->script->run();
    ASSERT_EQ(source->written.size(), 1u);
    EXPECT_EQ(source->written[0], Array({ item("B") }));
    EXPECT_EQ(outline->selectedRow(), 1) << "the press selected; the drag did not extend it";
}

// A delegate that refuses editing when told to.
class OutlineEditingDelegate : public Object, public OutlineViewDelegate {
    KIT_CLASS(OutlineEditingDelegate)
public:
    bool allow = true;
    bool outlineViewShouldEditTableColumnItem(OutlineView*, TableColumn*, const Value&) override { return allow; }
};

KIT_REGISTER_CLASS(OutlineEditingDelegate, Object) { c.optionalOperation("outlineViewShouldEditTableColumnItem"); }

struct OutlineEditCase {
    bool columnEditable;
    bool delegateAllows;
    bool sourceTakesValues;
    bool edits;
};

class OutlineEditDecisionTest : public OutlineViewTest, public ::testing::WithParamInterface<OutlineEditCase> { };

TEST_P(OutlineEditDecisionTest, EditingNeedsColumnDelegateAndDataSource)
{
    const OutlineEditCase c = GetParam();
    auto tree = TreeDataSource::threeLevels(3, 2, 1);
    tree->setImplements("outlineViewSetObjectValueForTableColumnByItem", c.sourceTakesValues);
    auto delegate = make<OutlineEditingDelegate>();
    delegate->allow = c.delegateAllows;
    outline->setDelegate(delegate.get());
    column->setEditable(c.columnEditable);
    use(tree);
    EXPECT_EQ(outline->canEditColumnRow(0, 1), c.edits);
    // A double click asks the same question, and selects the row either way.
    w->script->click(rowPoint(1)).wait(0.1).click(rowPoint(1));
    w->script->run();
    EXPECT_EQ(outline->selectedRow(), 1);
    EXPECT_EQ(outline->editedRow(), c.edits ? 1 : -1);
    EXPECT_EQ(outline->editedColumn(), c.edits ? 0 : -1);
    EXPECT_FALSE(outline->canEditColumnRow(1, 1)) << "no such column";
}

INSTANTIATE_TEST_SUITE_P(ColumnDelegateSource, OutlineEditDecisionTest,
    ::testing::Values(OutlineEditCase { true, true, true, true }, OutlineEditCase { false, true, true, false },
        OutlineEditCase { true, false, true, false }, OutlineEditCase { true, true, false, false }));

TEST_F(OutlineViewTest, ExpandedItemsAreSavedAndRestoredThroughTheDefaults)
{
    QTemporaryDir dir;
    UserDefaults::resetStandardUserDefaultsForTesting(dir.filePath("defaults.json"));
    outline->setAutosaveName(QStringLiteral("Sidebar"));
    outline->setAutosaveExpandedItems(true);
    use(TreeDataSource::threeLevels(3, 2, 1));
    outline->expandItem(item("A"));
    outline->expandItem(item("B"));
    outline->collapseItem(item("A"));
    EXPECT_EQ(UserDefaults::standardUserDefaults()->arrayForKey(QStringLiteral("NSOutlineView Items Sidebar")), Array({ Value("B") }));

    // A new view and a new tree of equal titles: the first load restores B.
    auto again = make<OutlineView>(MakeRect(0, 0, 300, 200));
    again->addTableColumn(make<TableColumn>());
    again->setAutosaveName(QStringLiteral("Sidebar"));
    again->setAutosaveExpandedItems(true);
    auto fresh = TreeDataSource::threeLevels(3, 2, 1);
    again->setDataSource(fresh.get());
    EXPECT_TRUE(again->isItemExpanded(Value(fresh->find("B"))));
    EXPECT_FALSE(again->isItemExpanded(Value(fresh->find("A"))));
    EXPECT_EQ(again->numberOfRows(), 5);
    UserDefaults::resetStandardUserDefaultsForTesting();
}

TEST_F(OutlineViewTest, ArchivingKeepsColumnsAndSettings)
{
    auto second = make<TableColumn>(Value("count"));
    second->setMinWidth(20);
    second->setWidth(44);
    second->setEditable(false);
    outline->addTableColumn(second);
    outline->setOutlineTableColumn(second.get());
    outline->setRowHeight(22);
    outline->setIntercellSpacing({ 4, 6 });
    outline->setIndentationPerLevel(12);
    outline->setAllowsEmptySelection(false);
    outline->setAllowsMultipleSelection(true);
    outline->setAutosaveName(QStringLiteral("Places"));
    outline->setAutosaveExpandedItems(true);
    const auto back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(Value(outline)), nullptr)
                          .objectAs<OutlineView>();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->numberOfColumns(), 2);
    EXPECT_EQ(back->tableColumns()[0]->identifier(), Value("title"));
    EXPECT_EQ(back->tableColumns()[1]->width(), 44);
    EXPECT_EQ(back->tableColumns()[1]->minWidth(), 20);
    EXPECT_FALSE(back->tableColumns()[1]->isEditable());
    EXPECT_EQ(back->tableColumns()[1]->tableView(), back);
    EXPECT_EQ(back->outlineTableColumn(), back->tableColumns()[1]);
    EXPECT_EQ(back->rowHeight(), 22);
    EXPECT_EQ(back->intercellSpacing(), MakeSize(4, 6));
    EXPECT_EQ(back->indentationPerLevel(), 12);
    EXPECT_FALSE(back->allowsEmptySelection());
    EXPECT_TRUE(back->allowsMultipleSelection());
    EXPECT_EQ(back->autosaveName(), QStringLiteral("Places"));
    EXPECT_TRUE(back->autosaveExpandedItems());
}

TEST_F(OutlineViewTest, SelectedRowsShowTheActiveHighlightOnlyWhileFocused)
{
    use(TreeDataSource::threeLevels(3, 2, 1));
    outline->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    const Point probe = outline->convertPointToView({ 250, outline->rectOfRow(1).midY() }, nullptr);
    const Point plain = outline->convertPointToView({ 250, outline->rectOfRow(2).midY() }, nullptr);
    const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    QImage shot = w->window->snapshot();
    EXPECT_TRUE(basePixelIs(shot, probe, highlight, 8));
    EXPECT_TRUE(basePixelIs(shot, plain, QApplication::palette().color(QPalette::Base)));
    w->window->makeFirstResponder(nullptr);
    shot = w->window->snapshot();
    EXPECT_TRUE(basePixelIs(shot, probe, QApplication::palette().color(QPalette::Inactive, QPalette::Highlight), 8)) << "inactive highlight";
}

TEST_F(OutlineViewTest, TheTriangleDrawsInItsFrame)
{
    use(TreeDataSource::threeLevels(2, 1, 1));
    const QImage shot = w->window->snapshot();
    const Rect f = outline->frameOfOutlineCellAtRow(0);
    int drawn = 0;
    for (double x = f.minX() + 1; x < f.maxX() - 1; x += 1)
        for (double y = f.minY() + 1; y < f.maxY() - 1; y += 1)
            drawn += !basePixelIs(shot, outline->convertPointToView({ x, y }, nullptr), QApplication::palette().color(QPalette::Base), 8);
    EXPECT_GT(drawn, 4);
}

} // namespace
