#include "JVLTableGridTestSupport.h"

#include "kit/appkit/ClipView.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Scroller.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/StringDrawing.h"

#include <cmath>
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
}

INSTANTIATE_TEST_SUITE_P(Table, TableGridScrollers,
    testing::Values(ScrollerCase { "none", 3, 4, false, false }, ScrollerCase { "vertical", 4, 100, true, false },
        ScrollerCase { "horizontal", 20, 5, false, true }, ScrollerCase { "both", 20, 100, true, true }),
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

} // namespace
