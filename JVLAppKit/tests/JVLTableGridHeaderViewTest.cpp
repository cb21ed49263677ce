// The header strips: selecting whole columns and rows, arming and starting moves, resizing columns
// by their right edges, resize areas, drawing of the headers.

#include "JVLTableGridTestSupport.h"

#include "kit/appkit/ClipView.h"
#include "kit/appkit/Event.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Cursor.h"
#include "kit/testsupport/PixelProbe.h"

using namespace kit;

namespace {

std::vector<std::int64_t> headerIndexes(const IndexSet& s) { return s.indexes(); }

std::vector<std::int64_t> headerSpan(std::int64_t first, std::int64_t last)
{
    std::vector<std::int64_t> v;
    for (std::int64_t i = first; i <= last; ++i)
        v.push_back(i);
    return v;
}

// A grid whose column moves are recorded instead of run.
struct GridHeaderFixture {
    GridHeaderFixture()
        : w({ 500, 300 }, [](TableGridTestDataSource& ds) { ds.ops << "tableGridWriteColumnsWithIndexesToPasteboard" << "tableGridWriteRowsWithIndexesToPasteboard"; })
    {
        w.grid->setDragStarterForTesting([this](JVLTableGrid&, Image*, Point, const Event&, Pasteboard*) { ++dragsStarted; });
    }
    TableGridWindow w;
    int dragsStarted = 0;
};

} // namespace

TEST(JVLTableGridHeaderView, PressingAColumnHeaderSelectsTheWholeColumn)
{
    GridHeaderFixture f;
    f.w.script->click(f.w.columnHeaderPoint(3)).run();
    EXPECT_EQ(headerIndexes(f.w.grid->selectedColumnIndexes()), headerSpan(3, 3));
    EXPECT_EQ(headerIndexes(f.w.grid->selectedRowIndexes()), headerSpan(0, 29));
    EXPECT_EQ(f.w.window->firstResponder().get(), f.w.grid.get());
    // The pressed header carries the half-transparent selection fill; its neighbour does not.
    const QImage shot = f.w.snapshot();
    const Rect header = f.w.grid->headerRectOfColumn(3);
    const Rect other = f.w.grid->headerRectOfColumn(4);
    const QColor selected = test::pixel(shot, int(f.w.base({ header.minX() + 3, 3 }).x), int(shot.height() - f.w.base({ 0, 3 }).y));
    const QColor plain = test::pixel(shot, int(f.w.base({ other.minX() + 3, 3 }).x), int(shot.height() - f.w.base({ 0, 3 }).y));
    EXPECT_NE(selected, plain);
    EXPECT_GT(selected.blue() - selected.red(), plain.blue() - plain.red());
}

TEST(JVLTableGridHeaderView, RePressAndReleaseKeepsTheSelection)
{
    GridHeaderFixture f;
    f.w.script->click(f.w.columnHeaderPoint(3)).wait(1).mouseDown(f.w.columnHeaderPoint(3)).run();
    EXPECT_TRUE(f.w.grid->columnHeaderView()->shouldDragItems());
    f.w.script->mouseUp(f.w.columnHeaderPoint(3)).run();
    EXPECT_EQ(headerIndexes(f.w.grid->selectedColumnIndexes()), headerSpan(3, 3));
    EXPECT_EQ(headerIndexes(f.w.grid->selectedRowIndexes()), headerSpan(0, 29));
    EXPECT_EQ(f.dragsStarted, 0);
}

struct GridThresholdCase {
    const char* name;
    double dx, dy;
    bool starts;
};

class JVLTableGridMoveThreshold : public testing::TestWithParam<GridThresholdCase> { };

TEST_P(JVLTableGridMoveThreshold, AMoveStartsAtFivePoints)
{
    const GridThresholdCase c = GetParam();
    GridHeaderFixture f;
    const Point p = f.w.columnHeaderPoint(3);
    f.w.script->click(p).wait(1).mouseDown(p).mouseDragged({ p.x + c.dx, p.y - c.dy }).run();
    EXPECT_EQ(f.dragsStarted, c.starts ? 1 : 0);
    EXPECT_EQ(f.w.grid->columnHeaderView()->isInDrag(), c.starts);
    f.w.script->mouseUp({ p.x + c.dx, p.y - c.dy }).run();
}

INSTANTIATE_TEST_SUITE_P(Distances, JVLTableGridMoveThreshold,
    testing::Values(GridThresholdCase { "Four", 4, 0, false }, GridThresholdCase { "FiveAcross", 5, 0, true },
        GridThresholdCase { "FiveDown", 0, 5, true }, GridThresholdCase { "FourBoth", 4, 4, false }),
    [](const testing::TestParamInfo<GridThresholdCase>& info) { return std::string(info.param.name); });

TEST(JVLTableGridHeaderView, DraggingAcrossHeadersSelectsWholeColumns)
{
    GridHeaderFixture f;
    f.w.script->mouseDown(f.w.columnHeaderPoint(1)).mouseDragged(f.w.columnHeaderPoint(4)).run();
    EXPECT_EQ(headerIndexes(f.w.grid->selectedColumnIndexes()), headerSpan(1, 4));
    EXPECT_EQ(headerIndexes(f.w.grid->selectedRowIndexes()), headerSpan(0, 29));
    f.w.script->mouseDragged(f.w.columnHeaderPoint(0)).mouseUp(f.w.columnHeaderPoint(0)).run();
    EXPECT_EQ(headerIndexes(f.w.grid->selectedColumnIndexes()), headerSpan(0, 1));
}

TEST(JVLTableGridHeaderView, RowStripSelectsWholeRows)
{
    GridHeaderFixture f;
    f.w.script->mouseDown(f.w.rowHeaderPoint(2)).mouseDragged(f.w.rowHeaderPoint(5)).mouseUp(f.w.rowHeaderPoint(5)).run();
    EXPECT_EQ(headerIndexes(f.w.grid->selectedRowIndexes()), headerSpan(2, 5));
    EXPECT_EQ(headerIndexes(f.w.grid->selectedColumnIndexes()), headerSpan(0, 7));
    EXPECT_TRUE(f.w.grid->rowHeaderView()->resizeAreas().empty()) << "the row strip has no resize areas";
}

TEST(JVLTableGridHeaderView, DoubleClickAndShiftPressArePassedOnOnly)
{
    GridHeaderFixture f;
    f.w.grid->setSelectedColumnIndexes(IndexSet(6));
    f.w.grid->setSelectedRowIndexes(IndexSet(2));
    f.w.script->click(f.w.columnHeaderPoint(2), ShiftKeyMask).run();
    EXPECT_EQ(headerIndexes(f.w.grid->selectedColumnIndexes()), headerSpan(6, 6));
    EXPECT_EQ(f.w.window->firstResponder().get(), f.w.grid.get());
    f.w.grid->setAllowsMultipleSelection(false);
    f.w.script->wait(1).click(f.w.columnHeaderPoint(2), ShiftKeyMask).run();
    EXPECT_EQ(headerIndexes(f.w.grid->selectedColumnIndexes()), headerSpan(2, 2)) << "Shift without multiple selection: a plain press";
    f.w.grid->setSelectedColumnIndexes(IndexSet(6));
    f.w.script->wait(1).click(f.w.columnHeaderPoint(4)).click(f.w.columnHeaderPoint(4)).run();
    EXPECT_EQ(headerIndexes(f.w.grid->selectedColumnIndexes()), headerSpan(4, 4)) << "the first click selects, the second changes nothing";
}

TEST(JVLTableGridHeaderView, APressBeyondTheLastHeaderSelectsNothingWhenDragged)
{
    TableGridWindow w({ 500, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 3; });
    w.grid->setSelectedColumnIndexes(IndexSet(0));
    w.grid->setSelectedRowIndexes(IndexSet(0));
    // Inside the strip (the cells' width plus the vertical scroller's) but right of the last header.
    ASSERT_EQ(w.grid->columnHeaderView()->frame().width(), 3 * 60 + 15);
    const Point beyond = w.base({ 40 + 180 + 7, 10 });
    ASSERT_EQ(w.window->contentView()->hitTest(w.window->contentView()->convertPointFromView(beyond, nullptr)).get(),
        w.grid->columnHeaderView().get());
    w.script->mouseDown(beyond).run();
    EXPECT_EQ(w.grid->columnHeaderView()->mouseDownItem(), -1);
    w.script->mouseDragged(w.columnHeaderPoint(1)).mouseUp(w.columnHeaderPoint(1)).run();
    EXPECT_EQ(headerIndexes(w.grid->selectedColumnIndexes()), headerSpan(0, 0));
}

// --- Resizing ---------------------------------------------------------------------------------------------------

namespace {

// The right edge of column `column`'s header in base coordinates.
Point rightEdge(const TableGridWindow& w, std::int64_t column)
{
    const Rect r = w.grid->headerRectOfColumn(column);
    return w.base({ r.maxX(), 10 });
}

// Moves the pointer into the resize area at `edge`, from a cell (entered fires on the way in).
void enterEdge(TableGridWindow& w, Point edge)
{
    w.script->mouseMoved(w.cellPoint(0, 2)).run();
    w.script->mouseMoved(edge).run();
}

} // namespace

struct GridResizeCase {
    const char* name;
    double distance;
    double width;
};

class JVLTableGridResize : public testing::TestWithParam<GridResizeCase> { };

TEST_P(JVLTableGridResize, ResizesByTheDistanceAtLeastTo20)
{
    const GridResizeCase c = GetParam();
    TableGridWindow w;
    const double cells = w.grid->contentView()->frame().width();
    const double strip = w.grid->columnHeaderView()->frame().width();
    const Point edge = rightEdge(w, 1);
    enterEdge(w, edge);
    ASSERT_TRUE(w.grid->columnHeaderView()->canResize());
    w.script->mouseDown(edge).mouseDragged({ edge.x + c.distance, edge.y }).run();
    EXPECT_TRUE(w.grid->columnHeaderView()->isResizing());
    EXPECT_EQ(w.grid->columnHeaderView()->draggingColumnIndex(), 1);
    w.script->mouseUp({ edge.x + c.distance, edge.y }).run();
    EXPECT_EQ(w.grid->rectOfColumn(1).width(), c.width);
    EXPECT_EQ(w.grid->widthForColumn(1), c.width);
    EXPECT_EQ(w.grid->contentView()->frame().width(), cells + c.width - 60);
    EXPECT_EQ(w.grid->columnHeaderView()->frame().width(), strip + c.width - 60);
    EXPECT_EQ(w.grid->rectOfColumn(2).minX(), 40 + 60 + c.width);
    EXPECT_TRUE(w.grid->selectedColumnIndexes().isEmpty()) << "a resize press selects nothing";
}

INSTANTIATE_TEST_SUITE_P(Distances, JVLTableGridResize,
    testing::Values(GridResizeCase { "Wider", 30, 90 }, GridResizeCase { "Narrower", -25, 35 }, GridResizeCase { "FarLeft", -200, 20 }),
    [](const testing::TestParamInfo<GridResizeCase>& info) { return std::string(info.param.name); });

TEST(JVLTableGridHeaderView, ScrolledResizeTakesTheColumnUnderTheEdge)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 30; ds.rows = 100; });
    w.grid->contentScrollView()->contentView()->scrollToPoint({ 100, 0 });
    w.window->displayIfNeeded();
    const Point edge = rightEdge(w, 3);
    enterEdge(w, edge);
    w.script->mouseDown(edge).mouseDragged({ edge.x + 10, edge.y }).mouseUp({ edge.x + 10, edge.y }).run();
    EXPECT_EQ(w.grid->widthForColumn(3), 70);
    EXPECT_EQ(w.grid->widthForColumn(2), 60);
}

TEST(JVLTableGridHeaderView, EveryVisibleColumnHasAResizeAreaAfterAPartialRedraw)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 30; });
    const auto strip = w.grid->columnHeaderView();
    strip->setNeedsDisplayInRect(MakeRect(0, 0, 30, 19));
    w.window->displayIfNeeded();
    w.grid->contentScrollView()->contentView()->scrollToPoint({ 200, 0 });
    strip->setNeedsDisplayInRect(MakeRect(210, 0, 10, 19));
    w.window->displayIfNeeded();
    w.window->displayIfNeeded();
    const Rect visible = strip->visibleRect();
    std::vector<double> edges;
    for (const Ref<TrackingArea>& area : strip->resizeAreas()) {
        EXPECT_EQ(area->options(), std::uint64_t(0x81));
        EXPECT_EQ(area->rect().width(), 5);
        edges.push_back(area->rect().minX() + 2);
    }
    std::vector<double> expected;
    for (std::int64_t c = 0; c < 30; ++c) {
        const double right = 60.0 * double(c + 1);
        if (right >= visible.minX() && right - 60 <= visible.maxX())
            expected.push_back(right);
    }
    EXPECT_EQ(edges, expected);
}

TEST(JVLTableGridHeaderView, AResizeReleasedOutsideItsAreaEndsTheResizeState)
{
    TableGridWindow w;
    Qt::CursorShape shown = Qt::BlankCursor;
    Cursor::setPresenter([&](const Cursor& cursor) { shown = cursor.qCursor().shape(); });
    const Point edge = rightEdge(w, 1);
    // Far left: the column stops at 20 points and its edge stays right of the pointer.
    enterEdge(w, edge);
    w.script->mouseDown(edge).mouseDragged({ edge.x - 100, edge.y }).run();
    w.script->mouseUp({ edge.x - 100, edge.y }).run();
    EXPECT_FALSE(w.grid->columnHeaderView()->canResize());
    EXPECT_FALSE(w.grid->columnHeaderView()->isResizing());
    EXPECT_EQ(shown, Qt::ArrowCursor);
    // The next press in the strip selects instead of resizing.
    w.script->wait(1).click(w.columnHeaderPoint(4)).run();
    EXPECT_EQ(headerIndexes(w.grid->selectedColumnIndexes()), headerSpan(4, 4));
    Cursor::resetForTesting();
}

TEST(JVLTableGridHeaderView, AResizeReleasedInsideItsAreaKeepsTheResizeCursor)
{
    TableGridWindow w;
    const Point edge = rightEdge(w, 1);
    enterEdge(w, edge);
    w.script->mouseDown(edge).mouseDragged({ edge.x + 1, edge.y }).mouseUp({ edge.x + 1, edge.y }).run();
    EXPECT_TRUE(w.grid->columnHeaderView()->canResize());
    EXPECT_FALSE(w.grid->columnHeaderView()->isResizing());
}

TEST(JVLTableGridHeaderView, RowHeadersAreCentredAndColumnHeadersLeftAligned)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 3; ds.rows = 3; });
    const QImage shot = w.snapshot();
    // Dark label pixels: row "1" near the strip's middle, column "A" from x + 6.
    const auto darkIn = [&](Rect r) {
        std::vector<int> xs;
        for (int x = int(r.minX()); x < int(r.maxX()); ++x)
            for (int y = int(r.minY()) + 2; y < int(r.maxY()) - 2; ++y) {
                const Point b = w.base({ double(x) + 0.5, double(y) + 0.5 });
                const QColor c = test::pixel(shot, int(b.x), int(shot.height() - b.y));
                if (c.lightness() < 110)
                    xs.push_back(x);
            }
        return xs;
    };
    const std::vector<int> row = darkIn(w.grid->headerRectOfRow(0));
    ASSERT_FALSE(row.empty());
    const double rowMiddle = (*std::min_element(row.begin(), row.end()) + *std::max_element(row.begin(), row.end()) + 1) / 2.0;
    EXPECT_NEAR(rowMiddle, 20, 1.5);
    const std::vector<int> column = darkIn(w.grid->headerRectOfColumn(0));
    ASSERT_FALSE(column.empty());
    EXPECT_GE(*std::min_element(column.begin(), column.end()), 40 + 6);
    EXPECT_LE(*std::min_element(column.begin(), column.end()), 40 + 8);
}

TEST(JVLTableGridHeaderView, GridLinesAndHeaderLinesHaveTheirGrays)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 3; ds.rows = 3; });
    const QImage shot = w.snapshot();
    const auto gray = [](int v) { return QColor(v, v, v); };
    // A cell: white inside, its right and bottom lines in white 0.83.
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ 70.5, 25.5 }), Qt::white, 3));
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ 99.5, 25.5 }), gray(212), 3));
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ 70.5, 38.5 }), gray(212), 3));
    // A column header: its right edge and its bottom line in white 0.65.
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ 99.5, 10.5 }), gray(166), 3));
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ 70.5, 18.5 }), gray(166), 3));
    // A row header: its right edge in white 0.65.
    EXPECT_TRUE(test::basePixelIs(shot, w.base({ 39.5, 30.5 }), gray(166), 3));
}

TEST(JVLTableGridHeaderView, ColumnStripGradientsStartAtTheTop)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 3; ds.rows = 3; });
    const QImage shot = w.snapshot();
    const auto at = [&](double y) {
        const Point b = w.base({ 80.5, y });
        return test::pixel(shot, int(b.x), int(shot.height() - b.y)).red();
    };
    // Upper half from white 0.91 down to 0.89, lower half from 0.85 down to 0.83.
    EXPECT_NEAR(at(1.5), 232, 2);
    EXPECT_NEAR(at(8.5), 227, 2);
    EXPECT_NEAR(at(10.5), 216, 2);
    EXPECT_NEAR(at(17.5), 212, 2);
}
