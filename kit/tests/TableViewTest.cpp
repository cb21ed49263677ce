// The table view: defaults and geometry, columns filling the width, cell preparation, the drawing
// order, keys and clicks through the selection funnel, double action, huge row counts and drops.

#include "ControlsTestSupport.h"

#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/TableView.h"
#include "kit/testsupport/FakeDraggingInfo.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

// Rows of "r<row>" in every column; counts what it is asked.
class TableRowsSource : public Object, public TableViewDataSource {
    KIT_CLASS(TableRowsSource)
public:
    std::int64_t rows = 20;
    int valueCalls = 0;
    std::vector<std::pair<std::int64_t, TableViewDropOperation>> validated;
    std::int64_t numberOfRowsInTableView(TableView*) override { return rows; }
    Value tableViewObjectValueForTableColumnRow(TableView*, TableColumn*, std::int64_t row) override
    {
        ++valueCalls;
        return Value(QStringLiteral("r%1").arg(row));
    }
    std::uint64_t tableViewValidateDropProposedRowProposedDropOperation(
        TableView*, DraggingInfo&, std::int64_t row, TableViewDropOperation operation) override
    {
        validated.emplace_back(row, operation);
        return DragOperationCopy;
    }
};

KIT_REGISTER_CLASS(TableRowsSource, Object)
{
    c.optionalOperations({ "numberOfRowsInTableView", "tableViewObjectValueForTableColumnRow", "tableViewValidateDropProposedRowProposedDropOperation" });
}

// Records the drawing steps and refuses odd rows when asked.
class TableOrderView : public TableView {
    KIT_CLASS(TableOrderView)
public:
    using TableView::TableView;
    QStringList steps;
    Rect dirty;
    void drawRect(Rect r) override
    {
        dirty = r;
        TableView::drawRect(r);
    }
    void drawBackgroundInClipRect(Rect r) override
    {
        steps << QStringLiteral("background");
        TableView::drawBackgroundInClipRect(r);
    }
    void highlightSelectionInClipRect(Rect r) override
    {
        steps << QStringLiteral("selection");
        TableView::highlightSelectionInClipRect(r);
    }
    void drawRowClipRect(std::int64_t row, Rect r) override
    {
        steps << QStringLiteral("row %1").arg(row);
        TableView::drawRowClipRect(row, r);
    }
};

KIT_REGISTER_CLASS(TableOrderView, TableView) { }

class TableEvenRowsDelegate : public Object, public TableViewDelegate {
    KIT_CLASS(TableEvenRowsDelegate)
public:
    std::vector<std::int64_t> displayed;
    bool tableViewShouldSelectRow(TableView*, std::int64_t row) override { return row % 2 == 0; }
    void tableViewWillDisplayCellForTableColumnRow(TableView*, Cell* cell, TableColumn*, std::int64_t row) override
    {
        displayed.push_back(row);
        EXPECT_TRUE(cell->objectValue().isString());
    }
};

KIT_REGISTER_CLASS(TableEvenRowsDelegate, Object) { c.optionalOperations({ "tableViewShouldSelectRow", "tableViewWillDisplayCellForTableColumnRow" }); }

class TableViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w = std::make_unique<ControlWindow>(Size { 300, 200 });
        scroll = make<ScrollView>(MakeRect(0, 0, 300, 200));
        table = make<TableOrderView>(MakeRect(0, 0, 300, 200));
        first = make<TableColumn>(Value("a"));
        second = make<TableColumn>(Value("b"));
        first->setWidth(97);
        second->setWidth(47);
        table->addTableColumn(first);
        table->addTableColumn(second);
        scroll->setDocumentView(table.get());
        w->content->addSubview(scroll.get());
        source = make<TableRowsSource>();
        table->setDataSource(source.get());
        w->window->makeFirstResponder(table.get());
    }
    void TearDown() override { w.reset(); }
    Point rowPoint(std::int64_t row) const { return table->convertPointToView({ 20, table->rectOfRow(row).midY() }, nullptr); }

    std::unique_ptr<ControlWindow> w;
    Ref<ScrollView> scroll;
    Ref<TableOrderView> table;
    Ref<TableColumn> first, second;
    Ref<TableRowsSource> source;
};

TEST_F(TableViewTest, ColumnsRowsAndCellsFollowTheSpacing)
{
    EXPECT_EQ(table->numberOfRows(), 20);
    EXPECT_EQ(table->frame().size, MakeSize(300, 20 * 19.0));
    EXPECT_EQ(table->rectOfColumn(0), MakeRect(0, 0, 100, 380));
    // The last column takes the remaining width.
    EXPECT_EQ(table->rectOfColumn(1), MakeRect(100, 0, 200, 380));
    EXPECT_EQ(table->rectOfRow(3), MakeRect(0, 57, 300, 19));
    EXPECT_EQ(table->frameOfCellAtColumnRow(1, 3), MakeRect(101.5, 58, 197, 17));
    EXPECT_EQ(table->columnAtPoint({ 99.9, 0 }), 0);
    EXPECT_EQ(table->columnAtPoint({ 100, 0 }), 1);
    EXPECT_EQ(table->rowAtPoint({ 0, 57 }), 3);
    EXPECT_EQ(table->rowAtPoint({ 0, 56.99 }), 2);
    EXPECT_EQ(table->rowAtPoint({ 0, 380 }), -1);
    EXPECT_EQ(table->rowsInRect(MakeRect(0, 57, 10, 19)), MakeRange(3, 1));
    EXPECT_EQ(table->rowsInRect(MakeRect(0, 56, 10, 2)), MakeRange(2, 2));
    EXPECT_TRUE(IsEmptyRect(table->frameOfCellAtColumnRow(2, 0)));
    EXPECT_EQ(table->columnWithIdentifier(Value("b")), 1);
    EXPECT_EQ(table->columnWithIdentifier(Value("c")), -1);
    // A short table still fills the clip view.
    source->rows = 2;
    table->reloadData();
    EXPECT_EQ(table->frame().size.height, 200);
}

TEST_F(TableViewTest, PreparedCellsAreCopiesDarkOnSelectedRows)
{
    auto delegate = make<TableEvenRowsDelegate>();
    table->setDelegate(delegate.get());
    table->selectRowIndexesByExtendingSelection(IndexSet(2), false);
    const Ref<Cell> selected = table->preparedCellAtColumnRow(0, 2);
    const Ref<Cell> plain = table->preparedCellAtColumnRow(1, 3);
    EXPECT_EQ(selected->stringValue(), QStringLiteral("r2"));
    EXPECT_EQ(selected->backgroundStyle(), BackgroundStyleDark);
    EXPECT_EQ(plain->backgroundStyle(), BackgroundStyleLight);
    EXPECT_NE(selected, first->dataCell());
    EXPECT_TRUE(first->dataCell()->stringValue().isEmpty()) << "the data cell itself is untouched";
    EXPECT_EQ(delegate->displayed, (std::vector<std::int64_t> { 2, 3 }));
}

TEST_F(TableViewTest, DrawingGoesBackgroundSelectionThenTheDirtyRows)
{
    table->selectRowIndexesByExtendingSelection(IndexSet(4), false);
    scroll->contentView()->scrollToPoint({ 0, 40 });
    table->steps.clear();
    w->window->display();
    // Only the rows in the rectangle being drawn, after the background and the selection.
    const Range rows = table->rowsInRect(table->dirty);
    ASSERT_LE(rows.length, 12);
    QStringList expected { "background", "selection" };
    for (std::int64_t r = rows.location; r < MaxRange(rows); ++r)
        expected << QStringLiteral("row %1").arg(r);
    EXPECT_EQ(table->steps, expected);
    EXPECT_EQ(rows.location, 2);
}

TEST_F(TableViewTest, AHundredMillionRowsCostWhatIsVisible)
{
    source->rows = 100'000'000;
    table->reloadData();
    table->setAllowsMultipleSelection(true);
    table->selectAll(nullptr);
    EXPECT_EQ(table->numberOfSelectedRows(), 100'000'000);
    EXPECT_EQ(table->selectedRowIndexes().ranges().size(), 1u);
    source->valueCalls = 0;
    scroll->contentView()->scrollToPoint({ 0, 19.0 * 99'999'000 });
    w->window->display();
    EXPECT_GT(source->valueCalls, 0);
    EXPECT_LE(source->valueCalls, 2 * 12);
    EXPECT_EQ(table->rowAtPoint({ 1, 19.0 * 99'999'990 }), 99'999'990);
    // Deep in the document the selection still paints at the right pixels.
    const QImage shot = w->window->snapshot();
    const Rect shown = table->visibleRect();
    EXPECT_TRUE(basePixelIs(shot, table->convertPointToView({ 290, shown.midY() }, nullptr),
        QApplication::palette().color(QPalette::Active, QPalette::Highlight), 8));
}

TEST_F(TableViewTest, ArrowsAndClicksAskTheDelegatePerProposedRow)
{
    auto delegate = make<TableEvenRowsDelegate>();
    table->setDelegate(delegate.get());
    w->script->click(rowPoint(3));
    w->script->run();
    EXPECT_EQ(table->selectedRow(), -1) << "row 3 refused";
    w->script->wait(1).click(rowPoint(4)).key(KeyCodeDownArrow);
    w->script->run();
    EXPECT_EQ(table->selectedRow(), 4) << "row 5 refused, the selection stays";
    w->script->key(KeyCodeHome);
    w->script->run();
    EXPECT_EQ(table->selectedRow(), 0);
    w->script->key(KeyCodeEnd);
    w->script->run();
    EXPECT_EQ(table->selectedRow(), 0) << "row 19 refused, the selection stays";
}

TEST_F(TableViewTest, ShiftArrowsExtendAndEmptySelectionIsKeptWhenNotAllowed)
{
    table->setAllowsMultipleSelection(true);
    table->setAllowsEmptySelection(false);
    w->script->click(rowPoint(1)).key(KeyCodeDownArrow, {}, ShiftKeyMask).key(KeyCodeDownArrow, {}, ShiftKeyMask);
    w->script->run();
    EXPECT_EQ(table->selectedRowIndexes(), IndexSet({ 1, 2, 3 }));
    // A click below the rows would empty it; not allowed, so it stays.
    source->rows = 5;
    table->reloadData();
    w->script->wait(1).click(table->convertPointToView({ 20, 150 }, nullptr));
    w->script->run();
    EXPECT_EQ(table->selectedRowIndexes(), IndexSet({ 1, 2, 3 }));
}

TEST_F(TableViewTest, DoubleClickSendsTheDoubleActionOnce)
{
    auto target = make<RecordingTarget>();
    table->setTarget(target.get());
    table->setDoubleAction(Selector("act"));
    w->script->click(rowPoint(2)).wait(0.1).click(rowPoint(2));
    w->script->run();
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, table.get());
    EXPECT_EQ(table->clickedRow(), 2);
    EXPECT_EQ(table->selectedRow(), 2);
}

TEST_F(TableViewTest, DropsAreOnTheMiddleAndAboveInTheQuarters)
{
    FakeDraggingInfo info;
    const auto at = [&](double y) {
        info.location = table->convertPointToView({ 30, y }, nullptr);
        table->draggingUpdated(info);
        return source->validated.back();
    };
    EXPECT_EQ(at(19 * 4 + 1), std::make_pair(std::int64_t(4), TableViewDropAbove));
    EXPECT_EQ(at(19 * 4 + 9.5), std::make_pair(std::int64_t(4), TableViewDropOn));
    EXPECT_EQ(at(19 * 4 + 18), std::make_pair(std::int64_t(5), TableViewDropAbove));
    EXPECT_EQ(table->shownDropTarget().row, 5);
    table->draggingExited(info);
    EXPECT_FALSE(table->shownDropTarget().valid());
}

TEST_F(TableViewTest, ColumnWidthsStayWithinTheirLimits)
{
    auto c = make<TableColumn>();
    c->setMinWidth(30);
    c->setMaxWidth(60);
    c->setWidth(10);
    EXPECT_EQ(c->width(), 30);
    c->setWidth(100);
    EXPECT_EQ(c->width(), 60);
    EXPECT_TRUE(c->dataCell());
    c->setDataCell(nullptr);
    EXPECT_TRUE(c->dataCell()) << "never null";
}

} // namespace
