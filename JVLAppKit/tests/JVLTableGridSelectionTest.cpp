// Selection storage and announcement, keyboard moves, Tab and Return, Select All, Delete, typing.

#include "JVLTableGridTestSupport.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/TextField.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextView.h"

using namespace kit;

namespace {

std::vector<std::int64_t> gridIndexesOf(const IndexSet& s) { return s.indexes(); }

std::vector<std::int64_t> gridSpanOf(std::int64_t first, std::int64_t last)
{
    std::vector<std::int64_t> v;
    for (std::int64_t i = first; i <= last; ++i)
        v.push_back(i);
    return v;
}

} // namespace

TEST(JVLTableGridSelection, IdenticalSetChangesNothingEqualCopyAsksAndPosts)
{
    TableGridWindow w;
    auto delegate = make<TableGridTestDelegate>();
    delegate->ops = { "tableGridWillSelectColumnsAtIndexPath", "tableGridWillSelectRowsAtIndexPath" };
    w.grid->setDelegate(delegate.get());
    const IndexSet set = gridRange(1, 2);
    w.grid->setSelectedColumnIndexes(set);
    test::NotificationRecorder posted(JVLTableGridDidChangeSelectionNotification, w.grid.get());
    delegate->log.clear();
    w.grid->setSelectedColumnIndexes(w.grid->selectedColumnIndexes());
    EXPECT_TRUE(delegate->log.isEmpty());
    EXPECT_EQ(posted.names().size(), 0);
    w.grid->setSelectedColumnIndexes(gridRange(1, 2));
    EXPECT_EQ(delegate->log.size(), 1);
    EXPECT_EQ(posted.names().size(), 1);
    w.grid->setSelectedRowIndexes(IndexSet(4));
    EXPECT_EQ(posted.names().size(), 2) << "one post per stored set";
    w.grid->setDelegate(nullptr);
}

TEST(JVLTableGridSelection, DelegatesFixedAnswerWinsAlsoForKeyboardMoves)
{
    TableGridWindow w;
    auto delegate = make<TableGridTestDelegate>();
    delegate->ops = { "tableGridWillSelectColumnsAtIndexPath" };
    delegate->fixedColumns = IndexSet(6);
    w.grid->setDelegate(delegate.get());
    w.grid->setSelectedColumnIndexes(IndexSet(2));
    w.grid->setSelectedRowIndexes(IndexSet(3));
    EXPECT_EQ(gridIndexesOf(w.grid->selectedColumnIndexes()), gridSpanOf(6, 6));
    w.grid->moveLeft(nullptr);
    EXPECT_EQ(gridIndexesOf(w.grid->selectedColumnIndexes()), gridSpanOf(6, 6));
    EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(3, 3));
    w.grid->setDelegate(nullptr);
}

struct GridMoveCase {
    const char* name;
    std::int64_t firstColumn, lastColumn, firstRow, lastRow;
    int columnEdge, rowEdge;
    std::vector<const char*> actions;
    std::int64_t wantFirstColumn, wantLastColumn, wantFirstRow, wantLastRow;
    int wantColumnEdge, wantRowEdge;
};

class JVLTableGridMoves : public testing::TestWithParam<GridMoveCase> { };

TEST_P(JVLTableGridMoves, MoveAsSpecified)
{
    const GridMoveCase c = GetParam();
    TableGridWindow w; // 8 columns, 30 rows
    w.grid->setSelectedColumnIndexes(gridRange(c.firstColumn, c.lastColumn));
    w.grid->setSelectedRowIndexes(gridRange(c.firstRow, c.lastRow));
    w.grid->setStickyColumnRow(c.columnEdge, c.rowEdge);
    for (const char* action : c.actions)
        ASSERT_TRUE(w.grid->tryToPerformWith(Selector(action), nullptr)) << action;
    EXPECT_EQ(gridIndexesOf(w.grid->selectedColumnIndexes()), gridSpanOf(c.wantFirstColumn, c.wantLastColumn));
    EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(c.wantFirstRow, c.wantLastRow));
    EXPECT_EQ(w.grid->stickyColumn(), c.wantColumnEdge);
    EXPECT_EQ(w.grid->stickyRow(), c.wantRowEdge);
}

INSTANTIATE_TEST_SUITE_P(Keys, JVLTableGridMoves,
    testing::Values(GridMoveCase { "DownFromTopLeftAnchor", 2, 4, 5, 6, 0, 3, { "moveDown" }, 2, 2, 6, 6, 0, 3 },
        GridMoveCase { "DownFromBottomRightAnchor", 2, 4, 5, 6, 1, 4, { "moveDown" }, 4, 4, 7, 7, 1, 4 },
        GridMoveCase { "UpAtTopDoesNothing", 3, 3, 0, 0, 0, 3, { "moveUp" }, 3, 3, 0, 0, 0, 3 },
        GridMoveCase { "LeftAtLeftEdgeDoesNothing", 0, 0, 4, 4, 0, 3, { "moveLeft" }, 0, 0, 4, 4, 0, 3 },
        GridMoveCase { "RightAtLastColumnDoesNothing", 7, 7, 4, 4, 0, 3, { "moveRight" }, 7, 7, 4, 4, 0, 3 },
        GridMoveCase { "DownAtLastRowDoesNothing", 2, 2, 29, 29, 0, 3, { "moveDown" }, 2, 2, 29, 29, 0, 3 },
        GridMoveCase { "LeftAndUp", 3, 3, 4, 4, 0, 3, { "moveLeft", "moveUp" }, 2, 2, 3, 3, 0, 3 },
        GridMoveCase { "ShiftUpTwiceThenShiftDown", 2, 2, 5, 5, 0, 3,
            { "moveUpAndModifySelection", "moveUpAndModifySelection", "moveDownAndModifySelection" }, 2, 2, 4, 5, 0, 4 },
        GridMoveCase { "ShiftUpOnce", 2, 2, 5, 5, 0, 3, { "moveUpAndModifySelection" }, 2, 2, 4, 5, 0, 4 },
        GridMoveCase { "ShiftUpFromRowZeroDoesNothing", 2, 2, 0, 0, 0, 3, { "moveUpAndModifySelection" }, 2, 2, 0, 0, 0, 4 },
        GridMoveCase { "ShiftDownOnLastRowDoesNothing", 2, 2, 29, 29, 0, 4, { "moveDownAndModifySelection" }, 2, 2, 29, 29, 0, 3 },
        GridMoveCase { "ShiftDownTwice", 2, 2, 5, 5, 0, 3, { "moveDownAndModifySelection", "moveDownAndModifySelection" }, 2, 2, 5, 7, 0, 3 },
        GridMoveCase { "ShiftRightOnLastColumnDoesNothing", 7, 7, 1, 1, 1, 3, { "moveRightAndModifySelection" }, 7, 7, 1, 1, 0, 3 },
        GridMoveCase { "ShiftLeftFromColumnZeroDoesNothing", 0, 0, 1, 1, 0, 3, { "moveLeftAndModifySelection" }, 0, 0, 1, 1, 1, 3 },
        GridMoveCase { "ShiftLeftTwiceThenShiftRight", 4, 4, 1, 1, 0, 3,
            { "moveLeftAndModifySelection", "moveLeftAndModifySelection", "moveRightAndModifySelection" }, 3, 4, 1, 1, 1, 3 },
        GridMoveCase { "BacktabThenShiftRightMovesThenExtends", 3, 3, 2, 2, 0, 3,
            { "insertBacktab", "moveRightAndModifySelection", "moveRightAndModifySelection" }, 3, 4, 2, 2, 0, 3 },
        GridMoveCase { "BacktabMovesLeft", 3, 3, 2, 2, 0, 3, { "insertBacktab" }, 2, 2, 2, 2, 0, 3 },
        GridMoveCase { "TabMovesRight", 3, 3, 2, 2, 0, 3, { "insertTab" }, 4, 4, 2, 2, 0, 3 },
        GridMoveCase { "TabOnLastColumnDoesNothing", 7, 7, 2, 2, 0, 3, { "insertTab" }, 7, 7, 2, 2, 0, 3 },
        GridMoveCase { "ReturnMovesDown", 3, 3, 2, 2, 0, 3, { "insertNewline" }, 3, 3, 3, 3, 0, 3 },
        GridMoveCase { "ReturnOnLastRowDoesNothing", 3, 3, 29, 29, 0, 3, { "insertNewline" }, 3, 3, 29, 29, 0, 3 },
        GridMoveCase { "SelectAll", 3, 3, 2, 2, 1, 4, { "selectAll" }, 0, 7, 0, 29, 0, 3 },
        GridMoveCase { "HomeToTheRowsFirstCell", 3, 5, 4, 6, 0, 3, { "moveToBeginningOfLine" }, 0, 0, 4, 4, 0, 3 },
        GridMoveCase { "EndToTheRowsLastCell", 3, 5, 4, 6, 1, 4, { "moveToEndOfLine" }, 7, 7, 6, 6, 1, 4 },
        GridMoveCase { "ControlHomeToTheFirstCell", 3, 3, 4, 4, 0, 3, { "moveToBeginningOfDocument" }, 0, 0, 0, 0, 0, 3 },
        GridMoveCase { "ControlEndToTheLastCell", 3, 3, 4, 4, 0, 3, { "moveToEndOfDocument" }, 7, 7, 29, 29, 0, 3 },
        GridMoveCase { "PageUpStopsAtTheFirstRow", 3, 3, 4, 4, 0, 3, { "pageUp" }, 3, 3, 0, 0, 0, 3 },
        GridMoveCase { "PageDownStopsAtTheLastRow", 3, 3, 27, 27, 0, 3, { "pageDown" }, 3, 3, 29, 29, 0, 3 }),
    [](const testing::TestParamInfo<GridMoveCase>& info) { return std::string(info.param.name); });

TEST(JVLTableGridSelection, MovesNeedBothSelections)
{
    TableGridWindow w;
    w.grid->setSelectedColumnIndexes(IndexSet(2));
    w.grid->moveDown(nullptr);
    w.grid->moveRightAndModifySelection(nullptr);
    EXPECT_EQ(gridIndexesOf(w.grid->selectedColumnIndexes()), gridSpanOf(2, 2));
    EXPECT_TRUE(w.grid->selectedRowIndexes().isEmpty());
}

TEST(JVLTableGridSelection, PlainMovesSelectColumnsFirstAndLeftScrollsFirst)
{
    TableGridWindow w;
    auto delegate = make<TableGridTestDelegate>();
    delegate->ops = { "tableGridWillSelectColumnsAtIndexPath", "tableGridWillSelectRowsAtIndexPath" };
    w.grid->setDelegate(delegate.get());
    w.grid->setSelectedColumnIndexes(IndexSet(3));
    w.grid->setSelectedRowIndexes(IndexSet(3));
    delegate->log.clear();
    w.grid->moveDown(nullptr);
    EXPECT_EQ(delegate->log, (QStringList { "willSelectColumns 3", "willSelectRows 4" }));
    w.grid->setDelegate(nullptr);
}

TEST(JVLTableGridSelection, ArrowKeysGoThroughTheBindings)
{
    TableGridWindow w;
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(3));
    w.grid->setSelectedRowIndexes(IndexSet(3));
    w.script->key(KeyCodeDownArrow, QString(QChar(DownArrowFunctionKey))).run();
    EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(4, 4));
    w.script->key(KeyCodeRightArrow, QString(QChar(RightArrowFunctionKey)), ShiftKeyMask).run();
    EXPECT_EQ(gridIndexesOf(w.grid->selectedColumnIndexes()), gridSpanOf(3, 4));
    // Shift-Return moves up and arms the override: the next Shift-Down moves instead of extending.
    w.script->key(KeyCodeReturn, QStringLiteral("\r"), ShiftKeyMask).run();
    EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(3, 3));
    EXPECT_TRUE(w.grid->shouldOverrideModifiers());
    w.script->key(KeyCodeDownArrow, QString(QChar(DownArrowFunctionKey)), ShiftKeyMask).run();
    EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(4, 4));
    EXPECT_FALSE(w.grid->shouldOverrideModifiers());
    w.script->key(KeyCodeDownArrow, QString(QChar(DownArrowFunctionKey)), ShiftKeyMask).run();
    EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(4, 5));
}

// Home, End, the page keys and Ctrl with Home and End, through the bindings, over 10^8 rows: a
// page key moves by the rows shown; each cell moved to is scrolled into view.
TEST(JVLTableGridSelection, PageKeysMoveByTheRowsShownAndScroll)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.rows = 100'000'000; });
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(3));
    w.grid->setSelectedRowIndexes(IndexSet(2));
    const auto page = std::int64_t(w.grid->contentView()->visibleRect().size.height / JVLTableGrid::RowHeight);
    ASSERT_GT(page, 5);
    const struct {
        std::uint16_t key;
        std::uint64_t flags;
        std::int64_t column, row;
    } steps[] = {
        { KeyCodePageDown, 0, 3, 2 + page },
        { KeyCodePageDown, 0, 3, 2 + 2 * page },
        { KeyCodePageUp, 0, 3, 2 + page },
        { KeyCodeEnd, 0, 7, 2 + page },
        { KeyCodeHome, 0, 0, 2 + page },
        { KeyCodeEnd, CommandKeyMask, 7, 99'999'999 },
        { KeyCodePageUp, 0, 7, 99'999'999 - page },
        { KeyCodePageDown, 0, 7, 99'999'999 },
        { KeyCodeHome, CommandKeyMask, 0, 0 },
    };
    for (const auto& step : steps) {
        w.script->key(step.key, {}, step.flags).run();
        SCOPED_TRACE(testing::Message() << "key " << step.key << " to " << step.column << ", " << step.row);
        EXPECT_EQ(gridIndexesOf(w.grid->selectedColumnIndexes()), gridSpanOf(step.column, step.column));
        EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(step.row, step.row));
        const Rect cell = w.grid->contentView()->frameOfCellAtColumnRow(step.column, step.row);
        EXPECT_TRUE(ContainsRect(w.grid->contentView()->visibleRect(), cell));
    }
}

// A grid that has the focus and no selection (a reload or a new data source cleared it) is
// entered by the keys: the first move selects the first cell shown, wherever it is scrolled.
TEST(JVLTableGridSelection, WithoutASelectionTheFirstMoveSelectsTheFirstCellShown)
{
    const struct {
        const char* name;
        std::uint16_t key;
        QString characters;
        std::uint64_t flags;
    } keys[] = {
        { "Down", KeyCodeDownArrow, {}, 0 },
        { "Up", KeyCodeUpArrow, {}, 0 },
        { "Right", KeyCodeRightArrow, {}, 0 },
        { "Left", KeyCodeLeftArrow, {}, 0 },
        { "ShiftDown", KeyCodeDownArrow, {}, ShiftKeyMask },
        { "Tab", KeyCodeTab, QStringLiteral("\t"), 0 },
        { "Return", KeyCodeReturn, QStringLiteral("\r"), 0 },
        { "Space", KeyCodeSpace, QStringLiteral(" "), 0 },
        { "PageDown", KeyCodePageDown, {}, 0 },
        { "End", KeyCodeEnd, {}, 0 },
        { "ControlHome", KeyCodeHome, {}, CommandKeyMask },
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(k.name);
        TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
            ds.rows = 100'000'000;
            ds.ops << "tableGridSetObjectValueForColumnRow";
        });
        w.grid->scrollToAreaAnimate(w.grid->contentView()->frameOfCellAtColumnRow(2, 5'000'000), false);
        const Rect shown = w.grid->contentView()->visibleRect();
        const std::int64_t firstColumn = w.grid->contentView()->columnAtPoint({ shown.minX() + 1, 0 });
        const auto firstRow = std::int64_t(shown.minY() / JVLTableGrid::RowHeight);
        w.window->makeFirstResponder(w.grid.get());
        w.script->key(k.key, k.characters, k.flags).run();
        EXPECT_EQ(gridIndexesOf(w.grid->selectedColumnIndexes()), gridSpanOf(firstColumn, firstColumn));
        EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(firstRow, firstRow));
        EXPECT_EQ(w.grid->contentView()->editedColumn(), NotFound) << "selecting, not typing";
        EXPECT_TRUE(w.dataSource->log.isEmpty());
        // The next key moves from there.
        w.script->key(KeyCodeDownArrow).run();
        EXPECT_EQ(gridIndexesOf(w.grid->selectedRowIndexes()), gridSpanOf(firstRow + 1, firstRow + 1));
    }
}

TEST(JVLTableGridSelection, DeleteClearsTheSpannedRectangleThenReloads)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.ops << "tableGridSetObjectValueForColumnRow"; });
    MutableIndexSet columns;
    columns.addIndex(1);
    columns.addIndex(3);
    w.grid->setSelectedColumnIndexes(columns);
    w.grid->setSelectedRowIndexes(IndexSet(0));
    const int reloadsBefore = w.dataSource->count("numberOfColumnsInTableGrid");
    w.grid->deleteBackward(nullptr);
    EXPECT_EQ(w.dataSource->log, (QStringList { "set 1 0 nil", "set 2 0 nil", "set 3 0 nil" }));
    EXPECT_EQ(w.dataSource->count("numberOfColumnsInTableGrid"), reloadsBefore + 1);
}

TEST(JVLTableGridSelection, DeleteAfterAShrinkingReloadTouchesOnlyExistingCells)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.ops << "tableGridSetObjectValueForColumnRow"; });
    w.grid->setSelectedColumnIndexes(gridRange(1, 4));
    w.grid->setSelectedRowIndexes(gridRange(27, 29));
    w.dataSource->columns = 3;
    w.dataSource->rows = 28;
    w.grid->reloadData();
    EXPECT_EQ(gridIndexesOf(w.grid->selectedColumnIndexes()), gridSpanOf(1, 4)) << "reloading does not clip the selection";
    w.grid->deleteBackward(nullptr);
    EXPECT_EQ(w.dataSource->log, (QStringList { "set 1 27 nil", "set 2 27 nil" }));
}

TEST(JVLTableGridSelection, TypingEditsTheSelectedCellWithTheTypedText)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
        ds.ops << "tableGridSetObjectValueForColumnRow";
        ds.values[{ 2, 3 }] = Value(42);
    });
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(2));
    w.grid->setSelectedRowIndexes(IndexSet(3));
    w.script->type(QStringLiteral("x")).run();
    EXPECT_EQ(w.grid->contentView()->editedColumn(), 2);
    EXPECT_EQ(w.grid->contentView()->editedRow(), 3);
    const auto editor = dynamic_pointer_cast<TextView>(w.window->firstResponder());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->string(), "x");
    w.script->key(KeyCodeReturn, QStringLiteral("\r")).run();
    EXPECT_EQ(w.dataSource->log.last(), "set 2 3 x");
}

// Tab moves from cell to cell and stays in the grid (ending an edit first); Ctrl+Tab and
// Ctrl+Shift+Tab leave it with one press, also from a cell being edited, whose text is kept.
TEST(JVLTableGridSelection, ControlTabLeavesTheGridWithOnePressAlsoWhileEditing)
{
    struct Case {
        bool editing;
        std::uint64_t flags;
        bool leaves;
    };
    for (const Case c : { Case { false, CommandKeyMask, true }, Case { false, CommandKeyMask | ShiftKeyMask, true },
             Case { true, CommandKeyMask, true }, Case { true, CommandKeyMask | ShiftKeyMask, true }, Case { false, 0, false },
             Case { true, 0, false } }) {
        SCOPED_TRACE(testing::Message() << "editing " << c.editing << " flags " << c.flags);
        TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.ops << "tableGridSetObjectValueForColumnRow"; });
        auto other = make<TextField>(MakeRect(0, 0, 100, 22));
        w.window->contentView()->addSubview(other.get());
        w.window->makeFirstResponder(w.grid.get());
        w.grid->setSelectedColumnIndexes(IndexSet(2));
        w.grid->setSelectedRowIndexes(IndexSet(3));
        if (c.editing)
            w.script->type(QStringLiteral("x")).run();
        w.script->key(KeyCodeTab, QStringLiteral("\t"), c.flags).run();
        EXPECT_EQ(w.grid->hasKeyboardFocus(), !c.leaves);
        EXPECT_EQ(w.grid->contentView()->editedColumn(), NotFound);
        if (c.editing)
            EXPECT_EQ(w.dataSource->log.last(), "set 2 3 x");
    }
}

TEST(JVLTableGridSelection, TypingWithoutSelectionOrOutsideTheCountsEditsNothing)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.ops << "tableGridSetObjectValueForColumnRow"; });
    w.window->makeFirstResponder(w.grid.get());
    w.script->type(QStringLiteral("x")).run();
    EXPECT_EQ(w.grid->contentView()->editedColumn(), NotFound);
    EXPECT_EQ(w.window->firstResponder().get(), w.grid.get());

    w.grid->setSelectedColumnIndexes(IndexSet(20));
    w.grid->setSelectedRowIndexes(IndexSet(2));
    w.script->type(QStringLiteral("y")).run();
    EXPECT_EQ(w.grid->contentView()->editedColumn(), NotFound);
    EXPECT_TRUE(w.dataSource->log.isEmpty());
}
