// The grid to a screen reader: Qt's table interface answered by place over every row, without
// an element per row, and the arrows heard as the focus moving to the cell they select.

#include "JVLTableGridTestSupport.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/foundation/RunLoop.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <algorithm>
#include <vector>

using namespace kit;

namespace {

class TableGridAccessibilityTest : public testing::Test {
protected:
    void SetUp() override
    {
        AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
        QAccessible::setActive(true);
        table = AccessibilityBridge::interfaceFor(Value(Ref<Object>(w.grid)));
        ASSERT_NE(table, nullptr);
        cells = table->tableInterface();
        ASSERT_NE(cells, nullptr);
    }
    void TearDown() override
    {
        QAccessible::setActive(false);
        AccessibilityBridge::setEventObserverForTesting(nullptr);
    }
    void key(std::uint16_t code)
    {
        test::events().clear();
        w.script->key(code);
        w.script->run();
    }

    TableGridWindow w { { 400, 300 }, [](TableGridTestDataSource& s) {
                           s.rows = 100'000'000;
                           s.ops.insert(QStringLiteral("tableGridHeaderStringForColumn"));
                           s.ops.insert(QStringLiteral("tableGridHeaderStringForRow"));
                           s.values[{ 1, 99'999'998 }] = Value(QStringLiteral("far"));
                           s.values[{ 1, 3 }] = Value(QStringLiteral("below"));
                           s.values[{ 2, 3 }] = Value(12.5);
                       } };
    QAccessibleInterface* table = nullptr;
    QAccessibleTableInterface* cells = nullptr;
};

TEST_F(TableGridAccessibilityTest, EveryRowAndColumnIsReachedByPlaceWithHeaders)
{
    EXPECT_EQ(cells->rowCount(), 100'000'000);
    EXPECT_EQ(cells->columnCount(), 8);
    EXPECT_TRUE(table->state().focusable);
    // The children stay the cells shown.
    EXPECT_LT(table->childCount(), 20 * 8);

    QAccessibleInterface* far = cells->cellAt(99'999'998, 1);
    ASSERT_NE(far, nullptr);
    EXPECT_EQ(far->text(QAccessible::Name), QStringLiteral("far"));
    QAccessibleTableCellInterface* place = far->tableCellInterface();
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->rowIndex(), 99'999'998);
    EXPECT_EQ(place->columnIndex(), 1);
    EXPECT_EQ(place->table(), table);
    ASSERT_EQ(place->columnHeaderCells().size(), 1);
    EXPECT_EQ(place->columnHeaderCells().first()->text(QAccessible::Name), QStringLiteral("C1"));
    ASSERT_EQ(place->rowHeaderCells().size(), 1);
    EXPECT_EQ(place->rowHeaderCells().first()->text(QAccessible::Name), QStringLiteral("R99999998"));
    EXPECT_EQ(cells->columnDescription(2), QStringLiteral("C2"));
    EXPECT_EQ(cells->rowDescription(7), QStringLiteral("R7"));
    EXPECT_EQ(cells->cellAt(3, 2)->text(QAccessible::Value), QStringLiteral("12.5"));
    // Outside the grid, a cell that is nowhere: Qt reads the answer without looking.
    for (const auto& [row, column] : { std::pair { 3, 8 }, { 100'000'000, 0 }, { -1, -1 }, { 0, -1 } }) {
        QAccessibleInterface* nowhere = cells->cellAt(row, column);
        ASSERT_NE(nowhere, nullptr);
        ASSERT_NE(nowhere->tableCellInterface(), nullptr);
        EXPECT_FALSE(nowhere->tableCellInterface()->isSelected());
        EXPECT_EQ(nowhere->tableCellInterface()->rowExtent(), 0);
        EXPECT_EQ(table->indexOfChild(nowhere), -1);
    }
}

TEST_F(TableGridAccessibilityTest, TheSelectedRectangleIsTheSelectedCellsAndACellPressSelectsIt)
{
    w.grid->setSelectedColumnIndexes(gridRange(1, 2));
    w.grid->setSelectedRowIndexes(IndexSet(3));
    EXPECT_EQ(cells->selectedCellCount(), 2);
    QStringList selected;
    for (QAccessibleInterface* cell : cells->selectedCells())
        selected << cell->text(QAccessible::Value);
    EXPECT_EQ(selected, (QStringList { "below", "12.5" }));
    EXPECT_TRUE(cells->cellAt(3, 2)->tableCellInterface()->isSelected());
    EXPECT_FALSE(cells->cellAt(3, 3)->tableCellInterface()->isSelected());
    // Not every column: no whole row is selected.
    EXPECT_EQ(cells->selectedRowCount(), 0);
    EXPECT_FALSE(cells->isRowSelected(3));

    QAccessibleInterface* target = cells->cellAt(40, 4);
    ASSERT_NE(target->actionInterface(), nullptr);
    target->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    RunLoop::main().runPending(); // the action follows the call
    EXPECT_EQ(gridDescribe(w.grid->selectedColumnIndexes()), QStringLiteral("4"));
    EXPECT_EQ(gridDescribe(w.grid->selectedRowIndexes()), QStringLiteral("40"));
    EXPECT_TRUE(target->state().selected);

    // Everything: the counts are true, the listed cells a bounded few.
    w.grid->setSelectedColumnIndexes(gridRange(0, 7));
    w.grid->setSelectedRowIndexes(gridRange(0, 99'999'999));
    EXPECT_EQ(cells->selectedRowCount(), 100'000'000);
    EXPECT_EQ(cells->selectedCellCount(), 800'000'000);
    EXPECT_TRUE(cells->isColumnSelected(7));
    EXPECT_LE(cells->selectedCells().size(), 1000);
    EXPECT_LE(cells->selectedRows().size(), 1000);
}

// As a screen reader hears the arrows: one focus event for the cell moved to, which reads
// focused and selected.
TEST_F(TableGridAccessibilityTest, TheArrowsFocusTheCellTheyMoveTo)
{
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(2));

    key(KeyCodeDownArrow);
    QAccessibleInterface* below = cells->cellAt(3, 1);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { below });
    EXPECT_EQ(below->text(QAccessible::Name), QStringLiteral("below"));
    EXPECT_TRUE(below->state().focused);
    EXPECT_TRUE(below->state().selected);

    key(KeyCodeRightArrow);
    QAccessibleInterface* right = cells->cellAt(3, 2);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { right });
    EXPECT_EQ(right->text(QAccessible::Name), QStringLiteral("12.5"));
    EXPECT_FALSE(below->state().focused);

    // The current cell, empty, is called blank, its value still empty; the one it left is not.
    key(KeyCodeUpArrow);
    QAccessibleInterface* empty = cells->cellAt(2, 2);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { empty });
    EXPECT_EQ(empty->text(QAccessible::Name), QStringLiteral("blank"));
    EXPECT_EQ(empty->text(QAccessible::Value), QString());
    key(KeyCodeRightArrow);
    EXPECT_EQ(empty->text(QAccessible::Name), QString());

    // At the edge nothing moves and nothing is said.
    w.grid->setSelectedColumnIndexes(IndexSet(0));
    key(KeyCodeLeftArrow);
    EXPECT_TRUE(test::eventsOf(QAccessible::Focus).empty());
}

// A reader finds a focused cell's row and column from its index among the table's children, also
// ten million rows down, and also when the user scrolled it out of sight.
TEST_F(TableGridAccessibilityTest, TheFocusedCellsIndexLeadsToItsPlace)
{
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(99'999'997));
    key(KeyCodeDownArrow);
    const std::vector<const QAccessibleInterface*> focused = test::eventsOf(QAccessible::Focus);
    ASSERT_EQ(focused.size(), 1u);
    auto* cell = const_cast<QAccessibleInterface*>(focused.front());
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("far"));
    const int index = table->indexOfChild(cell);
    ASSERT_GE(index, 0);
    EXPECT_LT(index, table->childCount());
    EXPECT_LT(table->childCount(), 20 * 8);
    EXPECT_EQ(table->child(index), cell);
    EXPECT_EQ(table->child(index)->tableCellInterface()->rowIndex(), 99'999'998);
    EXPECT_EQ(table->child(index)->tableCellInterface()->columnIndex(), 1);

    w.grid->scrollToAreaAnimate(w.grid->contentView()->frameOfCellAtColumnRow(0, 0), false);
    EXPECT_EQ(table->indexOfChild(cell), table->childCount() - 1);
    EXPECT_EQ(table->child(table->childCount() - 1), cell);
    EXPECT_EQ(table->child(0)->tableCellInterface()->rowIndex(), 0);
}

// Shift with an arrow moves the far end of the range: a reader hears the cell it reached, then
// that it is selected.
TEST_F(TableGridAccessibilityTest, ExtendingTheSelectionFocusesTheCellItReaches)
{
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(2));
    test::events().clear();
    w.script->key(KeyCodeDownArrow, {}, ShiftKeyMask);
    w.script->run();
    QAccessibleInterface* reached = cells->cellAt(3, 1);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { reached });
    ASSERT_FALSE(test::events().empty());
    EXPECT_EQ(test::events().front(), std::pair(QAccessible::Focus, static_cast<const QAccessibleInterface*>(reached)));
    EXPECT_EQ(test::events().back(), std::pair(QAccessible::Selection, static_cast<const QAccessibleInterface*>(reached)));
    EXPECT_TRUE(reached->state().selected);
    EXPECT_TRUE(reached->state().focused);

    test::events().clear();
    w.script->key(KeyCodeRightArrow, {}, ShiftKeyMask);
    w.script->run();
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { cells->cellAt(3, 2) });
    EXPECT_EQ(gridDescribe(w.grid->selectedColumnIndexes()), QStringLiteral("1,2"));
    EXPECT_EQ(gridDescribe(w.grid->selectedRowIndexes()), QStringLiteral("2,3"));

    // Any other change of the selection puts the focus back on its anchor: Select All on the
    // first cell, not on the last of 10^8 rows.
    test::events().clear();
    w.grid->selectAll(nullptr);
    ASSERT_FALSE(test::eventsOf(QAccessible::Focus).empty());
    EXPECT_EQ(test::eventsOf(QAccessible::Focus).back(), cells->cellAt(0, 0));
}

// Typing into a cell edits it in place: the focus stays the cell's, not the table's.
TEST_F(TableGridAccessibilityTest, TypingIntoACellKeepsTheFocusOnIt)
{
    w.dataSource->ops.insert(QStringLiteral("tableGridSetObjectValueForColumnRow"));
    w.setDataSourceAgain();
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(3));
    test::events().clear();
    w.script->type(QStringLiteral("7"));
    w.script->run();
    ASSERT_NE(w.grid->contentView()->editedColumn(), NotFound);
    QAccessibleInterface* edited = cells->cellAt(3, 1);
    for (const QAccessibleInterface* focus : test::eventsOf(QAccessible::Focus))
        EXPECT_EQ(focus, edited);
    EXPECT_TRUE(edited->state().focused);
    EXPECT_FALSE(table->state().focused);
}

// A reader asking for cell after cell, far and wide, leaves the grid its cells shown and a bounded
// few more: the elements asked and dropped die with their interfaces (a client's request comes
// from the loop, between them the grid lets go), while what a reader holds of a cell shown stays
// the very element and interface the focus events name.
TEST_F(TableGridAccessibilityTest, CellsAskedAreKeptBoundedAndTheCellsShownKeepTheirElements)
{
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(2));
    QAccessibleInterface* shown = cells->cellAt(5, 3);
    QAccessibleInterface* focused = cells->cellAt(2, 1);
    QAccessibleInterface* below = cells->cellAt(3, 1);
    const QAccessible::Id shownId = QAccessible::uniqueId(shown);
    const QAccessible::Id farId = QAccessible::uniqueId(cells->cellAt(50'000'000, 4));

    constexpr int askedCount = 150'000;
    std::vector<Weak<Object>> asked;
    asked.reserve(askedCount);
    for (int i = 0; i < askedCount; ++i) {
        const int row = 1000 + i / 8 * 97, column = i % 8;
        ASSERT_NE(cells->cellAt(row, column), nullptr);
        asked.emplace_back(w.grid->accessibilityCellForColumnRow(column, row).object());
        if (i % 500 == 499)
            RunLoop::main().runPending();
    }
    // A thousand more in one request: none of them goes while the request runs.
    w.grid->setSelectedColumnIndexes(gridRange(0, 7));
    w.grid->setSelectedRowIndexes(gridRange(5'000'000, 5'000'999));
    const QList<QAccessibleInterface*> selected = cells->selectedCells();
    ASSERT_EQ(selected.size(), 1000);
    for (QAccessibleInterface* cell : selected)
        EXPECT_TRUE(cell->tableCellInterface()->isSelected());
    RunLoop::main().runPending();
    const auto live = std::count_if(asked.begin(), asked.end(), [](const Weak<Object>& element) { return bool(element.lock()); });
    EXPECT_LT(live, 1000);
    EXPECT_EQ(QAccessible::accessibleInterface(farId), nullptr) << "dropped with its element";

    EXPECT_EQ(QAccessible::accessibleInterface(shownId), shown);
    EXPECT_EQ(cells->cellAt(5, 3), shown);
    for (int i = 0; i < table->childCount(); ++i)
        EXPECT_NE(table->child(i), nullptr);
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(2));
    EXPECT_EQ(cells->cellAt(2, 1), focused);
    key(KeyCodeDownArrow);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { below });
    EXPECT_TRUE(below->state().focused);

    // A reload drops the cells it took away, and only those of the cells shown.
    const QAccessible::Id goneId = QAccessible::uniqueId(cells->cellAt(40, 1));
    w.dataSource->rows = 30;
    w.grid->reloadData();
    RunLoop::main().runPending();
    EXPECT_EQ(QAccessible::accessibleInterface(goneId), nullptr);
    EXPECT_EQ(cells->cellAt(5, 3), shown);
    EXPECT_EQ(cells->cellAt(3, 1), below);
}

} // namespace

namespace {

// A reload may put other values in the cells whose elements stay: a reader that keeps names hears
// each of them renamed, and reads the new value.
TEST_F(TableGridAccessibilityTest, AReloadRenamesTheCellsKept)
{
    QAccessibleInterface* below = cells->cellAt(3, 1);
    ASSERT_EQ(below->text(QAccessible::Name), QStringLiteral("below"));
    w.dataSource->values[{ 1, 3 }] = Value(QStringLiteral("renamed"));
    test::events().clear();
    w.grid->reloadData();
    const auto renamed = test::eventsOf(QAccessible::NameChanged);
    EXPECT_NE(std::find(renamed.begin(), renamed.end(), below), renamed.end());
    EXPECT_EQ(cells->cellAt(3, 1), below);
    EXPECT_EQ(below->text(QAccessible::Name), QStringLiteral("renamed"));
}

} // namespace
