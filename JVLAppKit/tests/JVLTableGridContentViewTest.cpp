// The cell area: presses and drags, editing in place, drawing of cells, selection and drop
// indicators, autoscroll, the far end of a very tall grid, focus ring passes.

#include "JVLTableGridTestSupport.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/Button.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Color.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextView.h"

#include <QApplication>
#include <QPalette>

using namespace kit;

namespace {

std::vector<std::int64_t> gridIndexes(const IndexSet& s) { return s.indexes(); }

std::vector<std::int64_t> gridSpan(std::int64_t first, std::int64_t last)
{
    std::vector<std::int64_t> v;
    for (std::int64_t i = first; i <= last; ++i)
        v.push_back(i);
    return v;
}

void expectSelection(JVLTableGrid& grid, std::int64_t c0, std::int64_t c1, std::int64_t r0, std::int64_t r1, int columnEdge, int rowEdge)
{
    EXPECT_EQ(gridIndexes(grid.selectedColumnIndexes()), gridSpan(c0, c1));
    EXPECT_EQ(gridIndexes(grid.selectedRowIndexes()), gridSpan(r0, r1));
    EXPECT_EQ(grid.stickyColumn(), columnEdge);
    EXPECT_EQ(grid.stickyRow(), rowEdge);
}

} // namespace

TEST(JVLTableGridContentView, PressThenShiftPressSelectRanges)
{
    TableGridWindow w;
    w.script->click(w.cellPoint(3, 4)).run();
    expectSelection(*w.grid, 3, 3, 4, 4, 0, 3);
    EXPECT_EQ(w.window->firstResponder().get(), w.grid.get());
    w.script->click(w.cellPoint(1, 6), ShiftKeyMask).run();
    expectSelection(*w.grid, 1, 3, 4, 6, 1, 3);
}

TEST(JVLTableGridContentView, FirstPressWithShiftActsAsAPlainPress)
{
    TableGridWindow w;
    w.script->click(w.cellPoint(2, 5), ShiftKeyMask).run();
    expectSelection(*w.grid, 2, 2, 5, 5, 0, 3);
}

struct GridDragCase {
    const char* name;
    std::int64_t fromColumn, fromRow, toColumn, toRow;
    std::int64_t c0, c1, r0, r1;
    int columnEdge, rowEdge;
};

class JVLTableGridDrags : public testing::TestWithParam<GridDragCase> { };

TEST_P(JVLTableGridDrags, DragSelectsFromThePressedCell)
{
    const GridDragCase c = GetParam();
    TableGridWindow w;
    w.script->mouseDown(w.cellPoint(c.fromColumn, c.fromRow)).mouseDragged(w.cellPoint(c.toColumn, c.toRow)).mouseUp(w.cellPoint(c.toColumn, c.toRow)).run();
    expectSelection(*w.grid, c.c0, c.c1, c.r0, c.r1, c.columnEdge, c.rowEdge);
}

INSTANTIATE_TEST_SUITE_P(Quadrants, JVLTableGridDrags,
    testing::Values(GridDragCase { "UpLeft", 3, 4, 1, 2, 1, 3, 2, 4, 1, 4 }, GridDragCase { "DownRight", 3, 4, 5, 6, 3, 5, 4, 6, 0, 3 },
        GridDragCase { "UpRight", 3, 4, 5, 2, 3, 5, 2, 4, 0, 4 }, GridDragCase { "DownLeft", 3, 4, 1, 6, 1, 3, 4, 6, 1, 3 },
        GridDragCase { "SameCell", 3, 4, 3, 4, 3, 3, 4, 4, 0, 3 }),
    [](const testing::TestParamInfo<GridDragCase>& info) { return std::string(info.param.name); });

TEST(JVLTableGridContentView, DragBackAcrossThePressKeepsItAsAnchor)
{
    TableGridWindow w;
    w.script->mouseDown(w.cellPoint(3, 4)).mouseDragged(w.cellPoint(1, 2)).mouseDragged(w.cellPoint(5, 6)).mouseUp(w.cellPoint(5, 6)).run();
    expectSelection(*w.grid, 3, 5, 4, 6, 0, 3);
    EXPECT_EQ(w.grid->contentView()->mouseDownColumn(), NotFound);
}

TEST(JVLTableGridContentView, WithoutMultipleSelectionShiftAndDragsSelectOneCell)
{
    TableGridWindow w;
    w.grid->setAllowsMultipleSelection(false);
    w.script->click(w.cellPoint(3, 4)).click(w.cellPoint(1, 6), ShiftKeyMask).run();
    expectSelection(*w.grid, 1, 1, 6, 6, 0, 3);
    w.script->mouseDown(w.cellPoint(2, 2)).mouseDragged(w.cellPoint(4, 5)).mouseUp(w.cellPoint(4, 5)).run();
    expectSelection(*w.grid, 2, 2, 2, 2, 0, 3);
}

TEST(JVLTableGridContentView, APressOnNoCellSelectsNothingAndItsDragDoesNothing)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 2; ds.rows = 3; });
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(1));
    const Point empty = w.base({ 300, 200 });
    w.script->mouseDown(empty).mouseDragged(w.cellPoint(0, 0)).mouseUp(w.cellPoint(0, 0)).run();
    expectSelection(*w.grid, 1, 1, 1, 1, 0, 3);
}

// --- Editing -------------------------------------------------------------------------------------------------

struct GridEditCase {
    const char* name;
    bool allowsEditing, setter, veto;
    bool edits;
};

class JVLTableGridEditing : public testing::TestWithParam<GridEditCase> { };

TEST_P(JVLTableGridEditing, DoubleClickEditsOnlyWhenEverythingAllows)
{
    const GridEditCase c = GetParam();
    TableGridWindow w({ 400, 300 }, [&](TableGridTestDataSource& ds) {
        if (c.setter)
            ds.ops << "tableGridSetObjectValueForColumnRow";
    });
    auto delegate = make<TableGridTestDelegate>();
    delegate->ops = { "tableGridShouldEditColumnRow" };
    delegate->allowEdit = !c.veto;
    w.grid->setDelegate(delegate.get());
    w.grid->setAllowsEditing(c.allowsEditing);
    w.script->click(w.cellPoint(2, 3)).wait(0.05).click(w.cellPoint(2, 3)).run();
    EXPECT_EQ(w.grid->contentView()->editedColumn(), c.edits ? 2 : NotFound);
    EXPECT_EQ(bool(dynamic_pointer_cast<TextView>(w.window->firstResponder())), c.edits);
    w.grid->setDelegate(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Conditions, JVLTableGridEditing,
    testing::Values(GridEditCase { "Allowed", true, true, false, true }, GridEditCase { "NotAllowed", false, true, false, false },
        GridEditCase { "NoSetter", true, false, false, false }, GridEditCase { "Vetoed", true, true, true, false }),
    [](const testing::TestParamInfo<GridEditCase>& info) { return std::string(info.param.name); });

namespace {

// A grid editing cell (1, 2) of a 3 × 2 selection.
void startEditing(TableGridWindow& w)
{
    w.dataSource->ops << "tableGridSetObjectValueForColumnRow";
    w.dataSource->values[{ 1, 2 }] = Value(7);
    w.setDataSourceAgain();
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(gridRange(1, 3));
    w.grid->setSelectedRowIndexes(gridRange(2, 3));
    w.grid->contentView()->editSelectedCell(nullptr);
}

} // namespace

TEST(JVLTableGridContentView, EditingCollapsesTheRangeAndShowsTheValue)
{
    TableGridWindow w;
    startEditing(w);
    expectSelection(*w.grid, 1, 1, 2, 2, 0, 3);
    const auto editor = dynamic_pointer_cast<TextView>(w.window->firstResponder());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->string(), "7");
    EXPECT_TRUE(editor->isDescendantOf(w.grid->contentView().get()));
    EXPECT_TRUE(w.grid->hasKeyboardFocus()) << "the editor is inside the grid";
}

struct GridEndCase {
    const char* name;
    std::uint16_t keyCode;
    const char* characters;
};

class JVLTableGridEditEnds : public testing::TestWithParam<GridEndCase> { };

TEST_P(JVLTableGridEditEnds, EndingStoresAString)
{
    const GridEndCase c = GetParam();
    TableGridWindow w;
    startEditing(w);
    const auto editor = dynamic_pointer_cast<TextView>(w.window->firstResponder());
    ASSERT_TRUE(editor);
    editor->setString(QStringLiteral("12"));
    if (c.keyCode)
        w.script->key(c.keyCode, QString::fromUtf8(c.characters)).run();
    else
        w.window->makeFirstResponder(w.window->contentView().get());
    ASSERT_FALSE(w.dataSource->log.isEmpty());
    EXPECT_EQ(w.dataSource->log.last(), "set 1 2 12");
    EXPECT_TRUE((w.dataSource->values[{ 1, 2 }].isString())) << "a string, even over a number";
    EXPECT_EQ(w.grid->contentView()->editedColumn(), NotFound);
}

INSTANTIATE_TEST_SUITE_P(Ways, JVLTableGridEditEnds,
    testing::Values(GridEndCase { "Return", KeyCodeReturn, "\r" }, GridEndCase { "Tab", KeyCodeTab, "\t" }, GridEndCase { "FocusLoss", 0, "" }),
    [](const testing::TestParamInfo<GridEndCase>& info) { return std::string(info.param.name); });

TEST(JVLTableGridContentView, APressElsewhereWhileEditingCommitsFirst)
{
    TableGridWindow w;
    startEditing(w);
    dynamic_pointer_cast<TextView>(w.window->firstResponder())->setString(QStringLiteral("typed"));
    w.script->click(w.cellPoint(5, 6)).run();
    ASSERT_FALSE(w.dataSource->log.isEmpty());
    EXPECT_EQ(w.dataSource->log.last(), "set 1 2 typed");
    EXPECT_EQ(w.grid->contentView()->editedColumn(), NotFound);
    expectSelection(*w.grid, 5, 5, 6, 6, 0, 3);
    EXPECT_EQ(w.window->firstResponder().get(), w.grid.get());
}

// The window's Escape button: counts its presses.
class GridEscapeButtonTarget : public Object {
    KIT_CLASS(GridEscapeButtonTarget)
public:
    GridEscapeButtonTarget() = default;
    void cancel(Object*) { ++presses; }
    int presses = 0;
};

KIT_REGISTER_CLASS(GridEscapeButtonTarget, Object) { c.action("cancel", &GridEscapeButtonTarget::cancel); }

// Escape in a cell's editor ends the edit with the old value, and only that: the window's Escape
// button hears it only from the grid itself, as before.
TEST(JVLTableGridContentView, EscapeEndsAnEditWithTheOldValueAndNeverReachesTheEscapeButton)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
        ds.ops << "tableGridSetObjectValueForColumnRow";
        ds.values[{ 1, 2 }] = Value(QStringLiteral("84"));
    });
    auto cancel = make<Button>(MakeRect(300, 260, 80, 24));
    cancel->setKeyEquivalent(QString(QChar(0x1B)));
    auto target = make<GridEscapeButtonTarget>();
    cancel->setTarget(target.get());
    cancel->setAction(Selector("cancel"));
    w.window->contentView()->addSubview(cancel.get());
    w.window->makeFirstResponder(w.grid.get());
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(2));
    const QString escape(QChar(0x1B));

    w.script->type(QStringLiteral("zz")).run();
    ASSERT_EQ(w.grid->contentView()->editedColumn(), 1);
    w.script->key(KeyCodeEscape, escape).run();
    EXPECT_EQ(target->presses, 0);
    EXPECT_EQ(w.grid->contentView()->editedColumn(), NotFound);
    EXPECT_EQ(w.window->firstResponder().get(), w.grid.get());
    EXPECT_TRUE(w.dataSource->log.isEmpty()) << w.dataSource->log.join(' ').toStdString();
    EXPECT_FALSE(w.grid->cell()->isEditingWithFieldEditor());
    // Return after it moves on, storing nothing.
    w.script->key(KeyCodeReturn, QStringLiteral("\r")).run();
    EXPECT_TRUE(w.dataSource->log.isEmpty()) << w.dataSource->log.join(' ').toStdString();
    EXPECT_EQ((w.dataSource->values[{ 1, 2 }].stringValue()), QStringLiteral("84"));
    expectSelection(*w.grid, 1, 1, 3, 3, 0, 3);

    // Outside an edit Escape goes on to the window, which presses its Escape button.
    w.script->key(KeyCodeEscape, escape).run();
    EXPECT_EQ(target->presses, 1);
    // And an edit begun by a double click ends the same way.
    w.grid->setAllowsEditing(true);
    w.script->click(w.cellPoint(1, 2)).wait(0.05).click(w.cellPoint(1, 2)).run();
    ASSERT_EQ(w.grid->contentView()->editedColumn(), 1);
    w.script->type(QStringLiteral("zz")).key(KeyCodeEscape, escape).run();
    EXPECT_EQ(target->presses, 1);
    EXPECT_EQ(w.grid->contentView()->editedColumn(), NotFound);
    EXPECT_TRUE(w.dataSource->log.isEmpty()) << w.dataSource->log.join(' ').toStdString();
}

TEST(JVLTableGridContentView, TheEditedCellIsNotDrawnWhileEditing)
{
    TableGridWindow w;
    startEditing(w);
    w.dataSource->valueCalls.clear();
    w.grid->contentView()->setNeedsDisplay(true);
    w.snapshot();
    const auto drewEdited = [&] {
        for (const auto& call : w.dataSource->valueCalls)
            if (call == std::pair<std::int64_t, std::int64_t>(1, 2))
                return true;
        return false;
    };
    EXPECT_FALSE(drewEdited());
    w.script->key(KeyCodeReturn, QStringLiteral("\r")).run();
    w.dataSource->valueCalls.clear();
    w.grid->contentView()->setNeedsDisplay(true);
    w.snapshot();
    EXPECT_TRUE(drewEdited());
}

// --- Drawing ---------------------------------------------------------------------------------------------------

TEST(JVLTableGridContentView, ValuesAreAskedOnlyForVisibleCells)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 100; ds.rows = 1000; });
    w.dataSource->valueCalls.clear();
    w.grid->contentView()->setNeedsDisplay(true);
    w.snapshot();
    ASSERT_FALSE(w.dataSource->valueCalls.empty());
    const Rect visible = w.grid->contentView()->visibleRect();
    for (const auto& [column, row] : w.dataSource->valueCalls) {
        EXPECT_LE(double(column) * 60, visible.maxX());
        EXPECT_LE(double(row) * 20, visible.maxY());
    }
    EXPECT_LE(w.dataSource->valueCalls.size(), std::size_t((visible.width() / 60 + 2) * (visible.height() / 20 + 2)));
}

TEST(JVLTableGridContentView, SelectionIsColouredWithFocusAndGrayWithout)
{
    TableGridWindow w;
    w.grid->setSelectedColumnIndexes(gridRange(1, 2));
    w.grid->setSelectedRowIndexes(gridRange(1, 2));
    w.window->makeFirstResponder(w.grid.get());
    QImage shot = w.snapshot();
    const Rect last = w.grid->frameOfCellAtColumnRow(2, 2);
    // The grab handle sits on the inset rectangle's bottom-right corner.
    const Point handle = w.base({ last.maxX() - 2, last.maxY() - 2 });
    const QColor accent = Color::alternateSelectedControlColor()->toQColor();
    EXPECT_TRUE(test::basePixelIs(shot, handle, accent, 12));
    const Rect grab = w.grid->contentView()->grabHandleRect();
    EXPECT_EQ(grab.size, MakeSize(4, 4));

    w.window->makeFirstResponder(w.window->contentView().get());
    shot = w.snapshot();
    const QColor handleUnfocused = test::pixel(shot, int(handle.x), int(shot.height() - 1 - handle.y));
    EXPECT_EQ(handleUnfocused.red(), handleUnfocused.green()) << "gray without focus";
    EXPECT_EQ(handleUnfocused.green(), handleUnfocused.blue());
}

TEST(JVLTableGridContentView, DropIndicatorsFollowTheDropState)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 3; ds.rows = 4; });
    const auto cells = w.grid->contentView();
    const QColor accent = Color::alternateSelectedControlColor()->toQColor();
    cells->setDraggingColumnOrRow(true);
    cells->setDropColumn(1);
    QImage shot = w.snapshot();
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ 97.5, 60 }), accent, 12)) << "on the left edge of column 1";
    cells->setDropColumn(3);
    shot = w.snapshot();
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ 217.5, 60 }), accent, 12)) << "d = count: the right edge of the last column";
    cells->setDropColumn(NotFound);
    cells->setDraggingColumnOrRow(false);
    cells->setDropColumn(2);
    cells->setDropRow(3);
    shot = w.snapshot();
    const Rect cell = w.grid->frameOfCellAtColumnRow(2, 3);
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ cell.minX() + 10, cell.minY() + 0.5 }), accent, 12)) << "the foreign-drop outline";
}

TEST(JVLTableGridContentView, AutoscrollRunsFromPressToReleaseOneTimerAtATime)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 10; ds.rows = 200; });
    const auto cells = w.grid->contentView();
    w.script->mouseDown(w.cellPoint(1, 1)).run();
    const Ref<Timer> first = cells->autoscrollTimer();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isValid());
    EXPECT_EQ(first->timeInterval(), 0.1);
    // A second press (its release lost) replaces the timer instead of adding one.
    w.script->mouseDown(w.cellPoint(1, 2)).run();
    EXPECT_FALSE(first->isValid());
    const Ref<Timer> second = cells->autoscrollTimer();
    ASSERT_TRUE(second && second->isValid());
    // Held below the bottom edge, the timer scrolls on the script's clock.
    const Point below = w.base({ 100, 310 });
    w.script->mouseDragged(below).wait(0.35).mouseUp(below).run();
    EXPECT_GT(w.grid->contentScrollView()->contentView()->bounds().origin.y, 0);
    EXPECT_FALSE(second->isValid());
    EXPECT_FALSE(cells->autoscrollTimer());
}

TEST(JVLTableGridContentView, FarEndOfATallGridIsExact)
{
    constexpr std::int64_t rows = 150'000'000;
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
        ds.columns = 5;
        ds.rows = rows;
        ds.values[{ 1, rows - 1 }] = Value(QStringLiteral("LAST"));
    });
    EXPECT_EQ(w.grid->contentView()->frame().height(), 3e9);
    const auto clip = w.grid->contentScrollView()->contentView();
    clip->scrollToPoint({ 0, 3e9 });
    w.grid->contentScrollView()->reflectScrolledClipView(clip.get());
    const Rect lastRow = w.grid->rectOfRow(rows - 1);
    EXPECT_EQ(w.grid->rowAtPoint({ 20, lastRow.midY() }), rows - 1);
    EXPECT_EQ(w.grid->rowAtPoint({ 20, lastRow.maxY() }), NotFound);
    w.script->click(w.cellPoint(1, rows - 1)).run();
    EXPECT_EQ(gridIndexes(w.grid->selectedRowIndexes()), gridSpan(rows - 1, rows - 1));
    w.dataSource->valueCalls.clear();
    w.grid->setSelectedColumnIndexes(IndexSet(4)); // the selection's outline away from the probed cells
    const QImage shot = w.snapshot();
    // Dark text pixels inside the last cell and the last row header, where their frames say.
    const auto hasText = [&](Rect inGrid) {
        for (double y = inGrid.minY() + 2.5; y < inGrid.maxY() - 2; y += 1)
            for (double x = inGrid.minX() + 1.5; x < inGrid.maxX() - 2; x += 1) {
                const Point b = w.base({ x, y });
                if (test::pixel(shot, int(b.x), int(shot.height() - b.y)).lightness() < 100)
                    return true;
            }
        return false;
    };
    EXPECT_TRUE(hasText(w.grid->frameOfCellAtColumnRow(1, rows - 1)));
    EXPECT_FALSE(hasText(w.grid->frameOfCellAtColumnRow(2, rows - 1)));
    EXPECT_TRUE(hasText(w.grid->headerRectOfRow(rows - 1)));
    bool drewLast = false;
    for (const auto& call : w.dataSource->valueCalls)
        drewLast |= call == std::pair<std::int64_t, std::int64_t>(1, rows - 1);
    EXPECT_TRUE(drewLast);
    // The row header strip ends with the last row too.
    EXPECT_EQ(w.grid->headerRectOfRow(rows - 1).minY(), lastRow.minY());
    // The editor covers that cell.
    w.dataSource->ops << "tableGridSetObjectValueForColumnRow";
    w.setDataSourceAgain();
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->contentView()->editSelectedCell(nullptr);
    const auto editor = dynamic_pointer_cast<TextView>(w.window->firstResponder());
    ASSERT_TRUE(editor);
    const Rect editorInGrid = editor->convertRectToView(editor->bounds(), w.grid.get());
    const Rect cell = w.grid->frameOfCellAtColumnRow(1, rows - 1);
    EXPECT_NEAR(editorInGrid.midY(), cell.midY(), 3);
    EXPECT_EQ(editor->string(), "LAST");
}

TEST(JVLTableGridContentView, GainingFocusSettlesTheDisplayPasses)
{
    TableGridWindow w;
    w.window->makeFirstResponder(w.grid.get());
    w.window->displayIfNeeded();
    w.window->displayIfNeeded();
    EXPECT_FALSE(w.grid->needsDisplay()) << "drawing schedules no further pass";
    EXPECT_FALSE(w.window->viewsNeedDisplay());
}

// --- Cells drawn together --------------------------------------------------------------------------------------------

class JVLTableGridContentViewTestAccess {
public:
    static void setDrawsCellByCell(JVLTableGridContentView& view, bool flag) { view.drawsCellByCell_ = flag; }
};

namespace {

// The whole window drawn again, with the cells' steps taken together or cell by cell.
QImage gridRedrawn(TableGridWindow& w, bool cellByCell)
{
    JVLTableGridContentViewTestAccess::setDrawsCellByCell(*w.grid->contentView(), cellByCell);
    w.window->contentView()->setNeedsDisplay(true);
    return w.snapshot();
}

} // namespace

// Every cell is a fill of its colour, two lines and its value: taken together (one background,
// lines in one list, the values after) they must leave the same pixels as drawn cell by cell,
// whatever the cells' colours, scrolled or not, with the selection and the focus ring on top.
TEST(JVLTableGridContentView, CellsDrawnTogetherLeaveThePixelsOfCellsDrawnOneByOne)
{
    TableGridWindow w({ 420, 310 }, [](TableGridTestDataSource& ds) {
        ds.columns = 40;
        ds.rows = 400;
        ds.ops << "tableGridBackgroundColorForColumnRow" << "tableGridSetWidthForColumn";
        for (std::int64_t c = 0; c < 40; ++c)
            ds.widths[c] = float(50 + 17 * (c % 4));
        for (std::int64_t c = 0; c < 40; ++c)
            for (std::int64_t r = 0; r < 400; ++r) {
                ds.values[{ c, r }] = Value(QString::number(r * 31 + c));
                if ((c + 2 * r) % 5 == 0)
                    ds.backgrounds[{ c, r }] = Color::colorWithDeviceRedGreenBlueAlpha(0.9, 0.8, 0.3, 1);
                else if ((c + r) % 7 == 0)
                    ds.backgrounds[{ c, r }] = Color::colorWithDeviceRedGreenBlueAlpha(0.1, 0.3, 0.9, 0.35); // translucent
                else if ((c * r) % 3 == 1)
                    ds.backgrounds[{ c, r }] = Color::whiteColor();
            }
    });
    w.grid->setSelectedColumnIndexes(gridRange(1, 2));
    w.grid->setSelectedRowIndexes(gridRange(2, 4));
    w.window->makeFirstResponder(w.grid.get());
    const auto clip = w.grid->contentScrollView()->contentView();
    for (const Point at : { Point { 0, 0 }, Point { 130, 2040 }, Point { 1e9, 1e9 } }) {
        clip->scrollToPoint(at);
        w.grid->contentScrollView()->reflectScrolledClipView(clip.get());
        const QImage together = gridRedrawn(w, false);
        EXPECT_TRUE(together == gridRedrawn(w, true)) << "scrolled to " << at.x << ", " << at.y;
    }
}

// The clip view leaves the cells' frame to the cell area: beyond the last column and row the
// clip view's background shows, not the window's.
TEST(JVLTableGridContentView, BeyondTheLastCellTheClipViewsBackgroundShows)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
        ds.columns = 2;
        ds.rows = 3;
    });
    const QImage shot = gridRedrawn(w, false);
    const QColor base = QApplication::palette().color(QPalette::Base);
    const Rect last = w.grid->frameOfCellAtColumnRow(1, 2);
    for (const Point inGrid : { Point { last.maxX() + 30, last.midY() }, Point { last.midX(), last.maxY() + 30 },
             Point { last.maxX() + 30, last.maxY() + 30 } }) {
        const Point b = w.base(inGrid);
        EXPECT_TRUE(test::pixelIs(shot, int(b.x), int(shot.height() - b.y), base, 0)) << inGrid.x << ", " << inGrid.y;
    }
    // Inside a cell, between its value and its lines, the cell's white.
    const Point inside = w.base({ last.maxX() - 4, last.midY() });
    EXPECT_TRUE(test::pixelIs(shot, int(inside.x), int(shot.height() - inside.y), Qt::white, 0));
}
