#include "JVLTableGridTestSupport.h"

#include "kit/appkit/ClipView.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Scroller.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/StringDrawing.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

using namespace kit;

namespace {

// --- Scrollers: shown only when the content needs them -------------------------------------------------

struct ScrollerCase {
    const char* name;
    std::int64_t columns;
    std::int64_t rows;
    bool vertical;
    bool horizontal;
};

class TableGridScrollers : public testing::TestWithParam<ScrollerCase> { };

TEST_P(TableGridScrollers, GeometryCountsOnlyAShownScroller)
{
    const ScrollerCase& c = GetParam();
    TableGridWindow w({ 400, 300 }, [&](TableGridTestDataSource& ds) {
        ds.columns = c.columns;
        ds.rows = c.rows;
    });
    const double s = Scroller::scrollerWidth();
    const auto scroll = w.grid->contentScrollView();
    ASSERT_EQ(scroll->verticalScroller()->superview().get() == scroll.get(), c.vertical);
    ASSERT_EQ(scroll->horizontalScroller()->superview().get() == scroll.get(), c.horizontal);

    // Column 1: its header and cells, cut at the grid's bottom less a shown horizontal scroller.
    const double cells = 19 + 20 * double(c.rows);
    const double bottom = cells > 300 ? 300 - (c.horizontal ? s : 0) : cells;
    EXPECT_EQ(w.grid->rectOfColumn(1).height(), bottom);

    // The lowest visible row, just above its bottom: a cell there is hit and is a drop place.
    const Point low { 130, bottom - 8 };
    EXPECT_EQ(w.grid->columnAtPoint(low), 1);
    EXPECT_EQ(w.grid->dropColumnForPoint({ 101, bottom - 8 }), 1);
    EXPECT_EQ(w.grid->dropColumnForPoint(low), 2);

    // The strips: the cells' length plus a shown scroller across their end.
    EXPECT_EQ(w.grid->columnHeaderView()->frame().width(), 60 * double(c.columns) + (c.vertical ? s : 0));
    EXPECT_EQ(w.grid->rowHeaderView()->frame().height(), 20 * double(c.rows) + (c.horizontal ? s : 0));

    // The row strip shows no more rows than the cells: it ends where their clip ends, and beside a
    // shown horizontal scroller the corner shows no row number and a press there selects nothing.
    EXPECT_EQ(w.grid->rowHeaderScrollView()->frame().height(), w.grid->contentScrollView()->contentView()->frame().height());
    EXPECT_EQ(w.grid->rowHeaderScrollView()->frame().height(), 300 - 19 - (c.horizontal ? s : 0));
    w.grid->setSelectedColumnIndexes(IndexSet(0));
    w.grid->setSelectedRowIndexes(IndexSet(0));
    w.script->click(w.base({ 20, 300 - s / 2 })).run();
    EXPECT_EQ(gridDescribe(w.grid->selectedRowIndexes()), c.horizontal || c.rows < 15 ? QStringLiteral("0") : QStringLiteral("13"));
}

INSTANTIATE_TEST_SUITE_P(Table, TableGridScrollers,
    testing::Values(ScrollerCase { "none", 3, 4, false, false }, ScrollerCase { "vertical", 4, 100, true, false },
        ScrollerCase { "horizontal", 20, 5, false, true }, ScrollerCase { "both", 20, 100, true, true }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Headers in step with the cells ----------------------------------------------------------------------

// The header clips show what the content clip shows, and the last visible column's and row's
// headers lie exactly beside their cells.
void expectHeadersInStep(const JVLTableGrid& g, const char* when)
{
    const Point origin = g.contentScrollView()->contentView()->bounds().origin;
    EXPECT_EQ(g.columnHeaderScrollView()->contentView()->bounds().origin.x, origin.x) << when;
    EXPECT_EQ(g.rowHeaderScrollView()->contentView()->bounds().origin.y, origin.y) << when;
    const Rect visible = g.contentScrollView()->documentVisibleRect();
    const Size cells = g.contentView()->frame().size;
    const std::int64_t column = g.columnSpanning(std::min(visible.maxX(), cells.width) - 1);
    const std::int64_t row = g.rowSpanning(std::min(visible.maxY(), cells.height) - 1);
    ASSERT_NE(column, NotFound) << when;
    ASSERT_NE(row, NotFound) << when;
    const Rect cell = g.frameOfCellAtColumnRow(column, row);
    EXPECT_EQ(g.headerRectOfColumn(column).minX(), cell.minX()) << when << ", column " << column;
    EXPECT_EQ(g.headerRectOfRow(row).minY(), cell.minY()) << when << ", row " << row;
}

struct InStepCase {
    const char* name;
    std::int64_t columns;
    std::int64_t rows;
    std::function<void(TableGridWindow&)> change;
};

class TableGridHeadersInStep : public testing::TestWithParam<InStepCase> { };

// Scrolled to the far bottom right, then changed: in step at once, and again at the new far end.
TEST_P(TableGridHeadersInStep, AfterTheChangeAndAtTheFarEnd)
{
    const InStepCase& c = GetParam();
    TableGridWindow w({ 400, 300 }, [&](TableGridTestDataSource& ds) {
        ds.columns = c.columns;
        ds.rows = c.rows;
    });
    const auto toFarEnd = [&] { w.grid->contentScrollView()->contentView()->scrollToPoint({ 1e12, 1e12 }); };
    toFarEnd();
    c.change(w);
    expectHeadersInStep(*w.grid, "after the change");
    toFarEnd();
    expectHeadersInStep(*w.grid, "at the far end");
}

INSTANTIATE_TEST_SUITE_P(Table, TableGridHeadersInStep,
    testing::Values(InStepCase { "shrinkBringsBothScrollers", 5, 10, [](TableGridWindow& w) { w.window->setContentSize({ 300, 150 }); } },
        InStepCase { "growTakesThemAway", 5, 10,
            [](TableGridWindow& w) {
                w.window->setContentSize({ 300, 150 });
                w.grid->contentScrollView()->contentView()->scrollToPoint({ 1e12, 1e12 });
                w.window->setContentSize({ 400, 300 });
            } },
        InStepCase { "widerColumnBringsTheHorizontal", 5, 30, [](TableGridWindow& w) { w.grid->resizeColumnWithIndexWithDistance(0, 200); } },
        InStepCase { "reloadNarrowsTheRowStrip", 30, 100'000'000,
            [](TableGridWindow& w) {
                w.dataSource->rows = 500;
                w.grid->reloadData();
            } },
        InStepCase { "reloadShortens", 30, 500,
            [](TableGridWindow& w) {
                w.dataSource->columns = 6;
                w.dataSource->rows = 20;
                w.grid->reloadData();
            } }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Widths that make no sense count as 0 ---------------------------------------------------------------

TEST(JVLTableGridWidths, ANegativeOrNonFiniteWidthIsZeroEverywhere)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
        ds.columns = 4;
        ds.rows = 3;
        ds.ops.insert(QStringLiteral("tableGridSetWidthForColumn"));
        ds.widths = { { 0, 60 }, { 1, -10 }, { 2, std::numeric_limits<float>::quiet_NaN() }, { 3, 60 } };
    });
    const auto area = [&] { return w.grid->contentView()->frame().width(); };
    EXPECT_EQ(w.grid->columnOffset(4), 120);
    EXPECT_EQ(area(), w.grid->columnOffset(4));
    w.grid->resizeColumnWithIndexWithDistance(1, 30);
    EXPECT_EQ(w.grid->columnWidth(1), 30);
    EXPECT_EQ(area(), w.grid->columnOffset(4));
    w.grid->resizeColumnWithIndexWithDistance(2, 5);
    EXPECT_EQ(w.grid->columnWidth(2), 20) << "never narrower than 20";
    EXPECT_EQ(w.grid->columnOffset(4), 170);
    EXPECT_EQ(area(), w.grid->columnOffset(4));
    EXPECT_EQ(w.grid->columnHeaderView()->frame().width(), w.grid->columnOffset(4));
}

// --- The row strip fits its widest header ---------------------------------------------------------------

class TableGridRowStrip : public testing::Test {
protected:
    static double labelWidth(const QString& text)
    {
        StringAttributes attributes;
        attributes.font = Font::labelFontOfSize(Font::labelFontSize());
        return StringDrawing::sizeWithAttributes(text, attributes).width;
    }
};

TEST_F(TableGridRowStrip, HugeRowNumbersWidenTheStripSmallOnesKeep40)
{
    TableGridWindow small({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.rows = 500; });
    EXPECT_EQ(small.grid->rowHeaderView()->frame().width(), 40);
    EXPECT_EQ(small.grid->headerRectOfCorner().width(), 40);

    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
        ds.columns = 3;
        ds.rows = 100'000'000;
    });
    const double strip = w.grid->rowHeaderView()->frame().width();
    EXPECT_EQ(strip, std::max(40.0, std::ceil(labelWidth(QStringLiteral("100000000"))) + 8));
    ASSERT_GT(strip, 40);
    EXPECT_EQ(w.grid->headerRectOfCorner(), MakeRect(0, 0, strip, 19));
    EXPECT_EQ(w.grid->headerRectOfRow(2), MakeRect(0, 59, strip, 20));
    EXPECT_EQ(w.grid->rectOfRow(0), MakeRect(0, 19, strip + 180, 20));
    EXPECT_EQ(w.grid->frameOfCellAtColumnRow(0, 0).minX(), strip);
    EXPECT_EQ(w.grid->contentScrollView()->frame(), MakeRect(strip, 19, 400 - strip, 281));
    EXPECT_EQ(w.grid->columnHeaderScrollView()->frame(), MakeRect(strip, 0, 400 - strip, 19));
    EXPECT_EQ(w.grid->columnAtPoint({ strip + 1, 30 }), 0);
    EXPECT_EQ(w.grid->columnAtPoint({ strip - 1, 30 }), NotFound);

    // The last number shows whole: its ink keeps clear of both edges of the strip.
    const std::int64_t lastRow = 100'000'000 - 1;
    w.grid->contentView()->scrollRectToVisible(w.grid->contentView()->frameOfCellAtColumnRow(0, lastRow));
    const Rect last = w.grid->headerRectOfRow(lastRow);
    ASSERT_LE(last.maxY(), 300);
    const QImage shot = w.snapshot();
    int left = -1, right = -1;
    for (int x = 0; x < int(strip); ++x)
        for (double y = last.minY() + 3; y < last.maxY() - 3; ++y) {
            const Point at = w.base({ double(x) + 0.5, y + 0.5 });
            if (qGray(shot.pixel(int(at.x), shot.height() - 1 - int(at.y))) < 110) {
                left = left < 0 ? x : left;
                right = x;
            }
        }
    ASSERT_GE(left, 0) << "no text in the last row header";
    EXPECT_GE(left, 2);
    EXPECT_LE(right, int(strip) - 3);
    EXPECT_GT(right - left, int(labelWidth(QStringLiteral("10000000"))));
}

// A reload that widens the strip (the gallery's switch to 10^8 rows) leaves the cells scrolled where
// they were, and the headers in step with them.
TEST_F(TableGridRowStrip, AReloadThatWidensTheStripKeepsTheScrollPosition)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
        ds.columns = 30;
        ds.rows = 500;
    });
    w.grid->contentView()->scrollRectToVisible(w.grid->contentView()->frameOfCellAtColumnRow(20, 400));
    const Ref<ClipView> clip = w.grid->contentScrollView()->contentView();
    const Point before = clip->bounds().origin;
    ASSERT_GT(before.x, 0);
    ASSERT_GT(before.y, 0);
    w.dataSource->rows = 100'000'000;
    w.grid->reloadData();
    ASSERT_GT(w.grid->rowHeaderWidth(), 40);
    EXPECT_EQ(clip->bounds().origin, before);
    EXPECT_EQ(w.grid->rowHeaderScrollView()->contentView()->bounds().origin.y, before.y);
    EXPECT_EQ(w.grid->columnHeaderScrollView()->contentView()->bounds().origin.x, before.x);
}

} // namespace
