// Tables and outlines through accessibility and Qt's adapter, in process: a table of rows whose
// elements are made only as a client walks to them, each with one cell per column; selection
// and, in outlines, disclosure level and expansion, each asking the delegate as the user's would.

#include "AccessibilityTestSupport.h"
#include "ControlsTestSupport.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ScrollView.h"
#include "kit/core/AutoreleasePool.h"
#include "kit/controls/OutlineView.h"
#include "kit/controls/TableView.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/TreeDataSource.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <climits>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

// Row `r` of column "c" holds "r/c"; counts the values it is asked for.
class AccessibleRowsSource : public Object, public TableViewDataSource {
    KIT_CLASS(AccessibleRowsSource)
public:
    std::int64_t rows = 5'000'000;
    int valueCalls = 0;
    QStringList stored;
    std::int64_t numberOfRowsInTableView(TableView*) override { return rows; }
    Value tableViewObjectValueForTableColumnRow(TableView*, TableColumn* column, std::int64_t row) override
    {
        ++valueCalls;
        return Value(QStringLiteral("%1/%2").arg(row).arg(column->identifier().stringValue()));
    }
    void tableViewSetObjectValueForTableColumnRow(TableView*, const Value& value, TableColumn* column, std::int64_t row) override
    {
        stored << QStringLiteral("%1/%2 = %3").arg(row).arg(column->identifier().stringValue(), value.stringValue());
    }
};

KIT_REGISTER_CLASS(AccessibleRowsSource, Object)
{
    c.optionalOperations({ "numberOfRowsInTableView", "tableViewObjectValueForTableColumnRow", "tableViewSetObjectValueForTableColumnRow" });
}

// Refuses one row and lists the rows it was asked about.
class RefusingRowDelegate : public Object, public TableViewDelegate {
    KIT_CLASS(RefusingRowDelegate)
public:
    std::int64_t refused = 3;
    std::vector<std::int64_t> asked;
    bool tableViewShouldSelectRow(TableView*, std::int64_t row) override
    {
        asked.push_back(row);
        return row != refused;
    }
};

KIT_REGISTER_CLASS(RefusingRowDelegate, Object) { c.optionalOperations({ "tableViewShouldSelectRow" }); }

// Refuses to select, expand or collapse the items it names.
class RefusingItemDelegate : public Object, public OutlineViewDelegate {
    KIT_CLASS(RefusingItemDelegate)
public:
    Value unselectable, unexpandable, uncollapsible;
    bool outlineViewShouldSelectItem(OutlineView*, const Value& item) override { return !item.identicalTo(unselectable); }
    bool outlineViewShouldExpandItem(OutlineView*, const Value& item) override { return !item.identicalTo(unexpandable); }
    bool outlineViewShouldCollapseItem(OutlineView*, const Value& item) override { return !item.identicalTo(uncollapsible); }
};

KIT_REGISTER_CLASS(RefusingItemDelegate, Object)
{
    c.optionalOperations({ "outlineViewShouldSelectItem", "outlineViewShouldExpandItem", "outlineViewShouldCollapseItem" });
}

// The first child of `parent` (depth first) with `role`.
QAccessibleInterface* findByRole(QAccessibleInterface* parent, QAccessible::Role role, int depth = 4)
{
    if (!parent || depth < 0)
        return nullptr;
    for (int i = 0; i < parent->childCount() && i < 50; ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (child && child->role() == role)
            return child;
        if (QAccessibleInterface* below = findByRole(child, role, depth - 1))
            return below;
    }
    return nullptr;
}

class TableAccessibility : public testing::Test {
protected:
    void SetUp() override
    {
        AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
        QAccessible::setActive(true);
        scroll = make<ScrollView>(MakeRect(0, 0, 300, 200));
        table = make<TableView>(MakeRect(0, 0, 300, 200));
        for (const char* id : { "name", "size" }) {
            auto column = make<TableColumn>(Value(QString::fromLatin1(id)));
            column->setWidth(120);
            table->addTableColumn(column);
        }
        table->setDataSource(source.get());
        scroll->setDocumentView(table.get());
        w.content->addSubview(scroll.get());
        host = AccessibilityBridge::interfaceFor(Value(w.window));
        tableInterface = findByRole(host, QAccessible::Table);
    }
    void TearDown() override
    {
        QAccessible::setActive(false);
        AccessibilityBridge::setEventObserverForTesting(nullptr);
    }
    // Presses `keyCode` with the table's keys and answers the events it sent.
    void press(std::uint16_t keyCode)
    {
        test::events().clear();
        w.script->key(keyCode);
        w.script->run();
    }

    ControlWindow w { Size { 300, 200 } };
    Ref<AccessibleRowsSource> source = make<AccessibleRowsSource>();
    Ref<ScrollView> scroll;
    Ref<TableView> table;
    QAccessibleInterface* host = nullptr;
    QAccessibleInterface* tableInterface = nullptr;
};

TEST_F(TableAccessibility, TheViewStandsBackForATableOfRowsOfCells)
{
    ASSERT_NE(tableInterface, nullptr);
    EXPECT_TRUE(AccessibilityIsIgnored(Value(table)));
    const Value element = AccessibilityAttributeValue(Value(table), AccessibilityChildrenAttribute).array().firstObject();
    EXPECT_EQ(AccessibilityAttributeValue(element, AccessibilityRoleAttribute).stringValue(), AccessibilityTableRole);
    EXPECT_EQ(AccessibilityRoleDescriptionForUIElement(element), QStringLiteral("table"));
    EXPECT_EQ(tableInterface->childCount(), 5'000'000);

    QAccessibleInterface* last = tableInterface->child(4'999'999);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->role(), QAccessible::Row);
    EXPECT_EQ(last->parent(), tableInterface);
    EXPECT_EQ(tableInterface->indexOfChild(last), 4'999'999);
    EXPECT_EQ(tableInterface->child(4'999'999), last);
    ASSERT_EQ(last->childCount(), 2);
    QAccessibleInterface* size = last->child(1);
    EXPECT_EQ(size->role(), QAccessible::Cell);
    EXPECT_EQ(size->parent(), last);
    EXPECT_EQ(last->indexOfChild(size), 1);

    // Walking to a row asks the data source nothing; reading a cell asks for that cell alone.
    source->valueCalls = 0;
    EXPECT_EQ(tableInterface->child(2'500'000)->childCount(), 2);
    EXPECT_EQ(source->valueCalls, 0);
    EXPECT_EQ(size->text(QAccessible::Value), QStringLiteral("4999999/size"));
    EXPECT_EQ(source->valueCalls, 1);
}

TEST_F(TableAccessibility, RowsAndCellsLieWhereTheTableDrawsThem)
{
    ASSERT_NE(tableInterface, nullptr);
    const QRect whole = tableInterface->rect();
    QAccessibleInterface* row = tableInterface->child(3);
    // Rows of 17 points and 2 points of spacing, from the top.
    EXPECT_EQ(row->rect(), QRect(whole.x(), whole.y() + 3 * 19, whole.width(), 19));
    const QRect cell = row->child(1)->rect();
    EXPECT_TRUE(row->rect().contains(cell));
    EXPECT_GT(cell.x(), row->child(0)->rect().right());

    EXPECT_EQ(tableInterface->childAt(whole.x() + 10, whole.y() + 3 * 19 + 9), row);
    EXPECT_EQ(row->childAt(cell.center().x(), cell.center().y()), row->child(1));
    EXPECT_EQ(host->childAt(cell.center().x(), cell.center().y()), tableInterface);
}

TEST_F(TableAccessibility, ATableTallerThanQtCoordinatesReachKeepsASoundBox)
{
    ASSERT_NE(tableInterface, nullptr);
    source->rows = 200'000'000;
    table->reloadData();
    const QRect whole = tableInterface->rect();
    const QRect first = tableInterface->child(0)->rect();
    EXPECT_EQ(whole.top(), first.top());
    EXPECT_GT(whole.height(), 1'000'000'000);
    EXPECT_EQ(first.height(), 19);
    EXPECT_TRUE(tableInterface->child(199'999'999)->rect().isEmpty());
}

TEST_F(TableAccessibility, PressingARowSelectsItAloneAndTellsTheTablesObservers)
{
    ASSERT_NE(tableInterface, nullptr);
    int changes = 0;
    const Ref<Object> token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        TableViewSelectionDidChangeNotification, table.get(), nullptr, [&](Notification*) { ++changes; });
    QAccessibleInterface* row4 = tableInterface->child(4);
    EXPECT_TRUE(row4->state().selectable);
    EXPECT_FALSE(row4->state().selected);
    ASSERT_NE(row4->actionInterface(), nullptr);
    row4->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(table->selectedRowIndexes(), IndexSet(4));
    EXPECT_TRUE(row4->state().selected);
    tableInterface->child(6)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(table->selectedRowIndexes(), IndexSet(6));
    EXPECT_EQ(changes, 2);
    NotificationCenter::defaultCenter()->removeObserver(token.get());
}

TEST_F(TableAccessibility, AnEditableCellTakesAValueAsTheUserWouldTypeIt)
{
    ASSERT_NE(tableInterface, nullptr);
    table->tableColumns()[0]->setEditable(false);
    QAccessibleInterface* row = tableInterface->child(7);
    QAccessibleInterface* name = row->child(0);
    QAccessibleInterface* size = row->child(1);
    EXPECT_FALSE(name->state().editable);
    EXPECT_TRUE(size->state().editable);
    name->setText(QAccessible::Value, QStringLiteral("notes.txt"));
    EXPECT_TRUE(source->stored.isEmpty());
    size->setText(QAccessible::Value, QStringLiteral("12 KB"));
    EXPECT_EQ(source->stored, QStringList { QStringLiteral("7/size = 12 KB") });
    EXPECT_EQ(table->editedRow(), -1);
    EXPECT_EQ(table->currentEditor(), nullptr);
}

TEST_F(TableAccessibility, SelectedRowsAreSetOnlyAsTheTableAllows)
{
    const Value element = AccessibilityAttributeValue(Value(table), AccessibilityChildrenAttribute).array().firstObject();
    const Array rows = AccessibilityArrayAttributeValues(element, AccessibilityRowsAttribute, 2, 3);
    ASSERT_EQ(rows.count(), 3);
    EXPECT_EQ(AccessibilityAttributeValue(rows.objectAtIndex(0), AccessibilityIndexAttribute).integerValue(), 2);
    const Array two { rows.objectAtIndex(0), rows.objectAtIndex(2) };
    AccessibilitySetValueForAttribute(element, Value(two), AccessibilitySelectedRowsAttribute);
    EXPECT_EQ(table->numberOfSelectedRows(), 0);
    table->setAllowsMultipleSelection(true);
    AccessibilitySetValueForAttribute(element, Value(two), AccessibilitySelectedRowsAttribute);
    EXPECT_EQ(table->selectedRowIndexes(), (IndexSet { 2, 4 }));
    const Array selected = AccessibilityAttributeValue(element, AccessibilitySelectedRowsAttribute).array();
    ASSERT_EQ(selected.count(), 2);
    EXPECT_EQ(selected.objectAtIndex(1).object(), rows.objectAtIndex(2).object());
}

TEST_F(TableAccessibility, ARowTheDelegateRefusesStaysUnselected)
{
    ASSERT_NE(tableInterface, nullptr);
    auto delegate = make<RefusingRowDelegate>();
    table->setDelegate(delegate.get());
    table->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    QAccessibleInterface* row3 = tableInterface->child(3);
    row3->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(delegate->asked, std::vector<std::int64_t> { 3 });
    EXPECT_EQ(table->selectedRowIndexes(), IndexSet(1));
    EXPECT_FALSE(row3->state().selected);

    // A list of rows loses the refused one; a list of that row alone changes nothing.
    table->setAllowsMultipleSelection(true);
    const Value element = AccessibilityAttributeValue(Value(table), AccessibilityChildrenAttribute).array().firstObject();
    const Array rows = AccessibilityArrayAttributeValues(element, AccessibilityRowsAttribute, 2, 3);
    AccessibilitySetValueForAttribute(element, Value(rows), AccessibilitySelectedRowsAttribute);
    EXPECT_EQ(table->selectedRowIndexes(), (IndexSet { 2, 4 }));
    AccessibilitySetValueForAttribute(element, Value(Array { rows.objectAtIndex(1) }), AccessibilitySelectedRowsAttribute);
    EXPECT_EQ(table->selectedRowIndexes(), (IndexSet { 2, 4 }));
    EXPECT_FALSE(AccessibilityAttributeValue(rows.objectAtIndex(1), AccessibilitySelectedAttribute).boolValue());
}

TEST_F(TableAccessibility, RowsThatGoTakeTheirInterfacesWithThem)
{
    ASSERT_NE(tableInterface, nullptr);
    QAccessibleInterface* row = tableInterface->child(40);
    const QAccessible::Id id = QAccessible::uniqueId(row);
    source->rows = 10;
    table->reloadData();
    EXPECT_EQ(tableInterface->childCount(), 10);
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_EQ(tableInterface->child(40), nullptr);
}

// A reader walking the rows of a table of millions: the rows it asked for go again as it walks on,
// so memory stays flat however far it goes; the rows shown stay the same elements.
TEST_F(TableAccessibility, WalkingTheRowsKeepsMemoryFlat)
{
    ASSERT_NE(tableInterface, nullptr);
    QAccessibleInterface* shown = tableInterface->child(1);
    const std::int64_t before = Accessibility::liveElementCountForTesting();
    std::int64_t alive[2] = {};
    for (int lap = 0; lap < 2; ++lap) {
        {
            AutoreleasePool pool;
            for (int row = lap * 10'000; row < (lap + 1) * 10'000; ++row)
                ASSERT_NE(tableInterface->child(row), nullptr) << row;
        }
        alive[lap] = Accessibility::liveElementCountForTesting() - before;
    }
    EXPECT_LT(alive[0], 1'000);
    EXPECT_EQ(alive[1], alive[0]);
    EXPECT_EQ(tableInterface->child(1), shown);
    EXPECT_EQ(tableInterface->child(19'999)->text(QAccessible::Name), QStringLiteral("19999/name, 19999/size"));
}

class OutlineAccessibility : public testing::Test {
protected:
    void SetUp() override
    {
        AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
        QAccessible::setActive(true);
        scroll = make<ScrollView>(MakeRect(0, 0, 300, 200));
        outline = make<OutlineView>(MakeRect(0, 0, 300, 200));
        auto column = make<TableColumn>(Value("title"));
        column->setWidth(280);
        outline->addTableColumn(column);
        scroll->setDocumentView(outline.get());
        w.content->addSubview(scroll.get());
        source = TreeDataSource::groupsOfLeaves(3, 4);
        outline->setDataSource(source.get());
        tree = findByRole(AccessibilityBridge::interfaceFor(Value(w.window)), QAccessible::Tree);
    }
    void TearDown() override
    {
        QAccessible::setActive(false);
        AccessibilityBridge::setEventObserverForTesting(nullptr);
    }
    Value item(const QString& title) const { return Value(source->find(title)); }

    ControlWindow w { Size { 300, 200 } };
    Ref<ScrollView> scroll;
    Ref<OutlineView> outline;
    Ref<TreeDataSource> source;
    QAccessibleInterface* tree = nullptr;
};

TEST_F(OutlineAccessibility, RowsShowTheirLevelAndExpandThroughTheToggle)
{
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->childCount(), 3);
    QAccessibleInterface* group1 = tree->child(1);
    EXPECT_EQ(group1->role(), QAccessible::TreeItem);
    EXPECT_EQ(group1->child(0)->text(QAccessible::Value), QStringLiteral("Group 1"));
    EXPECT_TRUE(group1->state().expandable);
    EXPECT_TRUE(group1->state().collapsed);

    ASSERT_NE(group1->actionInterface(), nullptr);
    group1->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(outline->isItemExpanded(item(QStringLiteral("Group 1"))));
    EXPECT_TRUE(group1->state().expanded);
    EXPECT_EQ(tree->childCount(), 7);
    QAccessibleInterface* leaf = tree->child(2);
    EXPECT_EQ(leaf->child(0)->text(QAccessible::Value), QStringLiteral("Item 1.0"));
    EXPECT_FALSE(leaf->state().expandable);

    group1->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(outline->isItemExpanded(item(QStringLiteral("Group 1"))));
    EXPECT_EQ(tree->childCount(), 3);
}

TEST_F(OutlineAccessibility, TheDelegateDecidesWhatExpandsCollapsesAndIsSelected)
{
    ASSERT_NE(tree, nullptr);
    auto delegate = make<RefusingItemDelegate>();
    delegate->unexpandable = item(QStringLiteral("Group 1"));
    delegate->uncollapsible = item(QStringLiteral("Group 0"));
    delegate->unselectable = item(QStringLiteral("Group 2"));
    outline->setDelegate(delegate.get());

    tree->child(1)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(outline->isItemExpanded(item(QStringLiteral("Group 1"))));
    EXPECT_EQ(tree->childCount(), 3);

    QAccessibleInterface* group0 = tree->child(0);
    group0->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(outline->isItemExpanded(item(QStringLiteral("Group 0"))));
    group0->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(outline->isItemExpanded(item(QStringLiteral("Group 0"))));
    EXPECT_EQ(tree->childCount(), 7);

    QAccessibleInterface* group2 = tree->child(6);
    group2->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(outline->numberOfSelectedRows(), 0);
    EXPECT_FALSE(group2->state().selected);
    tree->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    kit::RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(outline->selectedRowIndexes(), IndexSet(2));
}

TEST_F(OutlineAccessibility, ARowFollowsItsItemWhenRowsAboveExpand)
{
    ASSERT_NE(tree, nullptr);
    QAccessibleInterface* group2 = tree->child(2);
    outline->expandItem(item(QStringLiteral("Group 0")));
    EXPECT_EQ(tree->indexOfChild(group2), 6);
    EXPECT_EQ(tree->child(6), group2);
    EXPECT_EQ(group2->child(0)->text(QAccessible::Value), QStringLiteral("Group 2"));
}

TEST_F(OutlineAccessibility, DisclosureLevelCountsFromTheTop)
{
    outline->expandItem(item(QStringLiteral("Group 0")));
    const Value element = AccessibilityAttributeValue(Value(outline), AccessibilityChildrenAttribute).array().firstObject();
    EXPECT_EQ(AccessibilityAttributeValue(element, AccessibilityRoleAttribute).stringValue(), AccessibilityOutlineRole);
    const Array rows = AccessibilityArrayAttributeValues(element, AccessibilityRowsAttribute, 0, 2);
    ASSERT_EQ(rows.count(), 2);
    EXPECT_EQ(AccessibilityAttributeValue(rows.objectAtIndex(0), AccessibilityDisclosureLevelAttribute).integerValue(), 0);
    EXPECT_EQ(AccessibilityAttributeValue(rows.objectAtIndex(1), AccessibilityDisclosureLevelAttribute).integerValue(), 1);
    EXPECT_TRUE(AccessibilityAttributeValue(rows.objectAtIndex(0), AccessibilityDisclosingAttribute).boolValue());
    EXPECT_EQ(AccessibilityRoleDescriptionForUIElement(rows.objectAtIndex(0)), QStringLiteral("outline row"));
    EXPECT_FALSE(AccessibilityIsAttributeSettable(rows.objectAtIndex(1), AccessibilityDisclosingAttribute));
}

} // namespace

namespace {

TEST_F(TableAccessibility, ACellIsNamedAndReadByItsValue)
{
    ASSERT_NE(tableInterface, nullptr);
    QAccessibleInterface* cell = tableInterface->child(7)->child(0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("7/name"));
    ASSERT_NE(cell->textInterface(), nullptr);
    EXPECT_EQ(cell->textInterface()->characterCount(), 6);
    EXPECT_EQ(cell->textInterface()->text(0, 1), QStringLiteral("7"));
    EXPECT_EQ(cell->text(QAccessible::Description), QString());
}

TEST_F(OutlineAccessibility, AnOutlineCellIsNamedByItsTitle)
{
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->child(2)->child(0)->text(QAccessible::Name), QStringLiteral("Group 2"));
}

TEST_F(TableAccessibility, ATableTakesFocusAndARowIsNamedByWhatItShows)
{
    ASSERT_NE(tableInterface, nullptr);
    EXPECT_TRUE(tableInterface->state().focusable);
    EXPECT_FALSE(tableInterface->state().focused);
    QAccessibleInterface* row = tableInterface->child(7);
    EXPECT_EQ(row->text(QAccessible::Name), QStringLiteral("7/name, 7/size"));
    EXPECT_TRUE(row->state().focusable);

    ASSERT_NE(tableInterface->actionInterface(), nullptr);
    tableInterface->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(w.window->firstResponder().get(), table.get());
    EXPECT_TRUE(tableInterface->state().focused);
}

// Up and Down as a screen reader hears them: one focus event for the row moved to, which reads
// focused and selected, and the rows whose selection changed tell the table's selection changed.
TEST_F(TableAccessibility, TheArrowsFocusTheRowTheyMoveTo)
{
    ASSERT_NE(tableInterface, nullptr);
    w.window->makeFirstResponder(table.get());
    table->selectRowIndexesByExtendingSelection(IndexSet(2), false);
    QAccessibleInterface* row2 = tableInterface->child(2);
    QAccessibleInterface* row3 = tableInterface->child(3);

    press(KeyCodeDownArrow);
    EXPECT_EQ(table->selectedRowIndexes(), IndexSet(3));
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { row3 });
    EXPECT_EQ(test::eventsOf(QAccessible::Selection), (std::vector<const QAccessibleInterface*> { row2, row3 }));
    EXPECT_EQ(row3->text(QAccessible::Name), QStringLiteral("3/name, 3/size"));
    EXPECT_TRUE(row3->state().focused);
    EXPECT_TRUE(row3->state().selected);
    EXPECT_FALSE(row2->state().focused);
    EXPECT_EQ(tableInterface->focusChild(), row3);

    press(KeyCodeUpArrow);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { row2 });

    // Extending with Shift: the row moved to, not the last selected, is the one announced.
    table->setAllowsMultipleSelection(true);
    test::events().clear();
    w.script->key(KeyCodeUpArrow, {}, ShiftKeyMask);
    w.script->run();
    EXPECT_EQ(table->selectedRowIndexes(), (IndexSet { 1, 2 }));
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { tableInterface->child(1) });

    // Without the focus, a selection made by the program moves no one's focus.
    w.window->makeFirstResponder(nullptr);
    test::events().clear();
    table->selectRowIndexesByExtendingSelection(IndexSet(4), false);
    EXPECT_TRUE(test::eventsOf(QAccessible::Focus).empty());
}

TEST_F(TableAccessibility, TheTableAnswersQtsTableInterfaceByPlace)
{
    ASSERT_NE(tableInterface, nullptr);
    QAccessibleTableInterface* grid = tableInterface->tableInterface();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->rowCount(), 5'000'000);
    EXPECT_EQ(grid->columnCount(), 2);
    QAccessibleInterface* cell = grid->cellAt(4'000'000, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Value), QStringLiteral("4000000/size"));
    EXPECT_EQ(cell, tableInterface->child(4'000'000)->child(1));
    QAccessibleTableCellInterface* place = cell->tableCellInterface();
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->rowIndex(), 4'000'000);
    EXPECT_EQ(place->columnIndex(), 1);
    EXPECT_EQ(place->rowExtent(), 1);
    EXPECT_EQ(place->columnExtent(), 1);
    EXPECT_EQ(place->table(), tableInterface);
    EXPECT_EQ(tableInterface->tableCellInterface(), nullptr);
    EXPECT_EQ(tableInterface->child(3)->tableInterface(), nullptr);

    // Rows are selected whole: each selected row's cells, no column.
    table->setAllowsMultipleSelection(true);
    table->selectRowIndexesByExtendingSelection(IndexSet { 2, 5 }, false);
    EXPECT_EQ(grid->selectedRows(), (QList<int> { 2, 5 }));
    EXPECT_EQ(grid->selectedRowCount(), 2);
    EXPECT_EQ(grid->selectedColumnCount(), 0);
    EXPECT_TRUE(grid->isRowSelected(5));
    EXPECT_FALSE(grid->isRowSelected(3));
    EXPECT_EQ(grid->selectedCellCount(), 4);
    QStringList selected;
    for (QAccessibleInterface* c : grid->selectedCells())
        selected << c->text(QAccessible::Value);
    EXPECT_EQ(selected, (QStringList { "2/name", "2/size", "5/name", "5/size" }));
    EXPECT_TRUE(grid->cellAt(5, 0)->tableCellInterface()->isSelected());
    EXPECT_FALSE(grid->cellAt(4, 0)->tableCellInterface()->isSelected());

    // Selecting through the interface goes the user's way, the delegate asked.
    auto delegate = make<RefusingRowDelegate>();
    table->setDelegate(delegate.get());
    EXPECT_TRUE(grid->selectRow(7));
    EXPECT_FALSE(grid->selectRow(3));
    EXPECT_TRUE(grid->unselectRow(2));
    EXPECT_EQ(table->selectedRowIndexes(), (IndexSet { 5, 7 }));
    EXPECT_FALSE(grid->selectColumn(0));
}

TEST_F(OutlineAccessibility, TheArrowsOpenCloseAndMoveAndEachIsHeard)
{
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->state().focusable);
    w.window->makeFirstResponder(outline.get());
    outline->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    QAccessibleInterface* group1 = tree->child(1);
    EXPECT_EQ(group1->text(QAccessible::Name), QStringLiteral("Group 1"));

    test::events().clear();
    w.script->key(KeyCodeRightArrow);
    w.script->run();
    EXPECT_TRUE(group1->state().expanded);
    EXPECT_EQ(test::eventsOf(QAccessible::StateChanged), std::vector<const QAccessibleInterface*> { group1 });
    EXPECT_EQ(test::eventsOf(QAccessible::ObjectReorder), std::vector<const QAccessibleInterface*> { tree });

    test::events().clear();
    w.script->key(KeyCodeDownArrow);
    w.script->run();
    QAccessibleInterface* leaf = tree->child(2);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { leaf });
    EXPECT_EQ(leaf->text(QAccessible::Name), QStringLiteral("Item 1.0"));
    EXPECT_TRUE(leaf->state().selected);
    EXPECT_TRUE(leaf->state().focused);

    w.script->key(KeyCodeUpArrow).key(KeyCodeLeftArrow);
    w.script->run();
    EXPECT_TRUE(group1->state().collapsed);
    EXPECT_EQ(tree->childCount(), 3);
}


// Qt's bus adaptor reads the cell it asks for without looking (IsSelected, GetRowExtentAt ...): a
// place outside the table answers a cell that is nowhere, not selected, spanning nothing.
TEST_F(OutlineAccessibility, APlaceOutsideTheTableAnswersACellThatIsNowhere)
{
    ASSERT_NE(tree, nullptr);
    QAccessibleTableInterface* grid = tree->tableInterface();
    ASSERT_NE(grid, nullptr);
    outline->selectRowIndexesByExtendingSelection(IndexSet(2), false);
    const std::pair<int, int> outside[] { { 2, 2 }, { 600, 0 }, { -1, -1 }, { 0, -1 }, { 3, 0 }, { INT_MAX, INT_MAX }, { INT_MIN, 0 } };
    for (const auto& [row, column] : outside) {
        SCOPED_TRACE(testing::Message() << row << ", " << column);
        QAccessibleInterface* cell = grid->cellAt(row, column);
        ASSERT_NE(cell, nullptr);
        QAccessibleTableCellInterface* place = cell->tableCellInterface();
        ASSERT_NE(place, nullptr);
        EXPECT_FALSE(place->isSelected());
        EXPECT_EQ(place->rowExtent(), 0);
        EXPECT_EQ(place->columnExtent(), 0);
        EXPECT_EQ(place->rowIndex(), -1);
        EXPECT_EQ(place->columnIndex(), -1);
        EXPECT_TRUE(place->columnHeaderCells().isEmpty());
        EXPECT_EQ(place->table(), tree);
        EXPECT_EQ(tree->indexOfChild(cell), -1);
        EXPECT_EQ(cell->text(QAccessible::Name), QString());
    }
    // Inside, the cell of that place.
    EXPECT_TRUE(grid->cellAt(2, 0)->tableCellInterface()->isSelected());
    EXPECT_EQ(grid->cellAt(2, 0)->tableCellInterface()->rowExtent(), 1);
}

// Renaming in place as a reader hears it: Return on a row makes the editor the focused element, a
// text field holding the name, all of it selected; what is typed is heard as a change of its text;
// Escape puts the name back and the focus, heard, on the row again.
TEST_F(OutlineAccessibility, RenamingInPlaceIsHeardFromStartToEnd)
{
    ASSERT_NE(tree, nullptr);
    w.window->makeFirstResponder(outline.get());
    outline->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    QAccessibleInterface* row = tree->child(1);
    const QString name = row->text(QAccessible::Name);
    ASSERT_FALSE(name.isEmpty());

    test::events().clear();
    w.script->key(KeyCodeReturn, QStringLiteral("\r")).run();
    ASSERT_EQ(outline->editedRow(), 1);
    const std::vector<const QAccessibleInterface*> focused = test::eventsOf(QAccessible::Focus);
    ASSERT_EQ(focused.size(), 1u);
    auto* field = const_cast<QAccessibleInterface*>(focused.front());
    EXPECT_EQ(field->role(), QAccessible::EditableText);
    EXPECT_TRUE(field->state().focused);
    EXPECT_FALSE(row->state().focused) << "one focused element: the editor";
    ASSERT_NE(field->textInterface(), nullptr);
    EXPECT_EQ(field->textInterface()->text(0, field->textInterface()->characterCount()), name);
    int start = -1, end = -1;
    field->textInterface()->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(0, int(name.size())));
    EXPECT_EQ(field->parent()->parent(), row) << "the editor lies in its row";

    test::events().clear();
    w.script->type(QStringLiteral("Z")).run();
    EXPECT_EQ(field->textInterface()->text(0, field->textInterface()->characterCount()), QStringLiteral("Z"));
    EXPECT_EQ(test::eventsOf(QAccessible::TextUpdated), std::vector<const QAccessibleInterface*> { field });

    test::events().clear();
    w.script->key(KeyCodeEscape, QString(QChar(27))).run();
    EXPECT_EQ(outline->editedRow(), -1);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { tree->child(1) });
    EXPECT_EQ(tree->child(1)->text(QAccessible::Name), name);
    EXPECT_TRUE(tree->child(1)->state().focused);
}

} // namespace
