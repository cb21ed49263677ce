// A plain table whose delegate gives each row its height: geometry against a naive sum, the
// questions asked, and a changed height.

#include "ControlsTestSupport.h"

#include "kit/appkit/ScrollView.h"
#include "kit/controls/TableView.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace kit;
using namespace kit::test;

class HeightRowsSource : public Object, public TableViewDataSource {
    KIT_CLASS(HeightRowsSource)
public:
    std::int64_t rows = 1000;
    std::int64_t numberOfRowsInTableView(TableView*) override { return rows; }
    Value tableViewObjectValueForTableColumnRow(TableView*, TableColumn*, std::int64_t row) override { return Value(row); }
};

KIT_REGISTER_CLASS(HeightRowsSource, Object) { c.optionalOperations({ "numberOfRowsInTableView", "tableViewObjectValueForTableColumnRow" }); }

class HeightRowsDelegate : public Object, public TableViewDelegate {
    KIT_CLASS(HeightRowsDelegate)
public:
    std::vector<double> heights;
    std::int64_t asked = 0;
    double tableViewHeightOfRow(TableView*, std::int64_t row) override
    {
        ++asked;
        return heights.at(std::size_t(row));
    }
};

KIT_REGISTER_CLASS(HeightRowsDelegate, Object) { c.optionalOperations({ "tableViewHeightOfRow" }); }

class TableRowHeightsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::mt19937 random(16);
        std::uniform_int_distribution<int> pick(5, 60);
        for (int i = 0; i < 1000; ++i)
            delegate->heights.push_back(double(pick(random)));
        w = std::make_unique<ControlWindow>(Size { 300, 200 });
        scroll = make<ScrollView>(MakeRect(0, 0, 300, 200));
        table = make<TableView>(MakeRect(0, 0, 300, 200));
        table->addTableColumn(make<TableColumn>(Value("a")));
        scroll->setDocumentView(table.get());
        w->content->addSubview(scroll.get());
        table->setDelegate(delegate.get());
        table->setDataSource(source.get());
        table->reloadData();
    }
    void TearDown() override { w.reset(); }
    // Tops by a plain running sum of height plus the spacing.
    std::vector<double> naiveTops() const
    {
        std::vector<double> tops { 0 };
        for (double h : delegate->heights)
            tops.push_back(tops.back() + h + table->intercellSpacing().height);
        return tops;
    }

    std::unique_ptr<ControlWindow> w;
    Ref<ScrollView> scroll;
    Ref<TableView> table;
    Ref<HeightRowsSource> source = make<HeightRowsSource>();
    Ref<HeightRowsDelegate> delegate = make<HeightRowsDelegate>();
};

TEST_F(TableRowHeightsTest, RowsAndPointsAgreeWithARunningSumAtEveryBoundary)
{
    const std::vector<double> tops = naiveTops();
    for (std::int64_t row = 0; row < 1000; ++row) {
        const Rect r = table->rectOfRow(row);
        ASSERT_DOUBLE_EQ(r.minY(), tops[std::size_t(row)]) << row;
        ASSERT_DOUBLE_EQ(r.height(), tops[std::size_t(row) + 1] - tops[std::size_t(row)]) << row;
        // Half-open: the top edge belongs to the row, the bottom edge to the next.
        ASSERT_EQ(table->rowAtPoint({ 10, tops[std::size_t(row)] }), row);
        ASSERT_EQ(table->rowAtPoint({ 10, std::nextafter(tops[std::size_t(row) + 1], 0.0) }), row);
    }
    EXPECT_EQ(table->rowAtPoint({ 10, tops.back() }), -1);
    EXPECT_DOUBLE_EQ(table->frame().size.height, tops.back());
    const Range shown = table->rowsInRect(MakeRect(0, tops[500] + 1, 300, tops[503] - tops[500] - 2));
    EXPECT_EQ(shown.location, 500);
    EXPECT_EQ(shown.length, 3);
}

TEST_F(TableRowHeightsTest, HeightsAreAskedOncePerRowAndNeverWhileDrawing)
{
    delegate->asked = 0;
    table->reloadData();
    EXPECT_EQ(delegate->asked, 1000);
    delegate->asked = 0;
    table->setNeedsDisplay(true);
    w->window->displayIfNeeded();
    scroll->contentView()->scrollToPoint({ 0, 5000 });
    w->window->displayIfNeeded();
    EXPECT_EQ(delegate->asked, 0);
}

TEST_F(TableRowHeightsTest, AChangedHeightIsAskedAgainAndMovesTheRowsBelow)
{
    delegate->heights[300] = 100;
    delegate->heights[700] = 1;
    delegate->asked = 0;
    MutableIndexSet changed;
    changed.addIndex(300);
    changed.addIndex(700);
    table->noteHeightOfRowsWithIndexesChanged(changed);
    EXPECT_EQ(delegate->asked, 2);
    const std::vector<double> tops = naiveTops();
    for (const std::int64_t row : { 0, 300, 301, 699, 700, 701, 999 })
        EXPECT_DOUBLE_EQ(table->rectOfRow(row).minY(), tops[std::size_t(row)]) << row;
    EXPECT_DOUBLE_EQ(table->frame().size.height, tops.back());
}

TEST_F(TableRowHeightsTest, ADelegateWithoutHeightsGivesUniformRowsAgain)
{
    table->setDelegate(nullptr);
    EXPECT_DOUBLE_EQ(table->rectOfRow(10).minY(), 10 * (17 + 2));
    EXPECT_EQ(table->rowAtPoint({ 10, 19 * 10 + 0.5 }), 10);
}

} // namespace
