// The table view's display pass prepares one copy of each data cell and gives it each row's value:
// every cell drawn still shows its own row's value, selection and whatever the delegate set for
// that row alone, and cells asked for outside the pass stay the caller's own.

#include "ControlsTestSupport.h"

#include "kit/appkit/ScrollView.h"
#include "kit/controls/TableView.h"
#include "kit/controls/TextFieldCell.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace kit;
using namespace kit::test;

struct CellPassDraw {
    QString value;
    BackgroundStyle style;
    bool enabled;
};

struct CellPassLog {
    std::vector<CellPassDraw> draws;
    int copies = 0;
};

// Writes down what it shows each time it draws, and counts its copies.
class CellPassCell : public TextFieldCell {
    KIT_CLASS(CellPassCell)
public:
    CellPassLog* log = nullptr;
    void copyTo(Object& copy) const override
    {
        TextFieldCell::copyTo(copy);
        static_cast<CellPassCell&>(copy).log = log;
        if (log)
            ++log->copies;
    }
    void drawWithFrameInView(Rect frame, View* view) override
    {
        if (log)
            log->draws.push_back({ stringValue(), backgroundStyle(), isEnabled() });
        TextFieldCell::drawWithFrameInView(frame, view);
    }
};

KIT_REGISTER_CLASS(CellPassCell, TextFieldCell) { c.copyable(); }

class CellPassSource : public Object, public TableViewDataSource {
    KIT_CLASS(CellPassSource)
public:
    std::int64_t numberOfRowsInTableView(TableView*) override { return 30; }
    Value tableViewObjectValueForTableColumnRow(TableView*, TableColumn* column, std::int64_t row) override
    {
        return Value(QStringLiteral("r%1%2").arg(row).arg(column->identifier().string()));
    }
};

KIT_REGISTER_CLASS(CellPassSource, Object) { c.optionalOperations({ "numberOfRowsInTableView", "tableViewObjectValueForTableColumnRow" }); }

// Disables the cells of row 3 only.
class CellPassDelegate : public Object, public TableViewDelegate {
    KIT_CLASS(CellPassDelegate)
public:
    void tableViewWillDisplayCellForTableColumnRow(TableView*, Cell* cell, TableColumn*, std::int64_t row) override
    {
        if (row == 3)
            cell->setEnabled(false);
    }
};

KIT_REGISTER_CLASS(CellPassDelegate, Object) { c.optionalOperations({ "tableViewWillDisplayCellForTableColumnRow" }); }

// Moves each cell by reading, and spoiling, the prepared cell of the row below, as a subclass
// that sizes its cells from their content might.
class CellPassPeekingTable : public TableView {
    KIT_CLASS(CellPassPeekingTable)
public:
    using TableView::TableView;
    Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) override
    {
        if (const Ref<Cell> below = preparedCellAtColumnRow(column, row + 1)) {
            below->setEnabled(false);
            below->setStringValue(QStringLiteral("spoilt"));
        }
        return TableView::frameOfCellAtColumnRow(column, row);
    }
};

KIT_REGISTER_CLASS(CellPassPeekingTable, TableView) { }

class TableViewCellPass : public ::testing::Test {
protected:
    void SetUp() override { build(make<TableView>(MakeRect(0, 0, 300, 200))); }
    void build(Ref<TableView> view)
    {
        w = std::make_unique<ControlWindow>(Size { 300, 200 });
        scroll = make<ScrollView>(MakeRect(0, 0, 300, 200));
        table = std::move(view);
        for (const char* id : { "a", "b", "c" }) {
            auto column = make<TableColumn>(Value(QString::fromLatin1(id)));
            column->setWidth(90);
            auto cell = make<CellPassCell>();
            cell->log = &log;
            column->setDataCell(cell);
            table->addTableColumn(column);
        }
        scroll->setDocumentView(table.get());
        w->content->addSubview(scroll.get());
        table->setDataSource(source.get());
    }
    void TearDown() override { w.reset(); }
    // One full pass over what the clip view shows.
    void drawPass()
    {
        log = {};
        table->setNeedsDisplay(true);
        w->window->display();
    }
    const CellPassDraw* drawOf(const QString& value) const
    {
        for (const CellPassDraw& d : log.draws)
            if (d.value == value)
                return &d;
        return nullptr;
    }

    std::unique_ptr<ControlWindow> w;
    Ref<ScrollView> scroll;
    Ref<TableView> table;
    Ref<CellPassSource> source = make<CellPassSource>();
    CellPassLog log;
};

TEST_F(TableViewCellPass, EveryCellShowsItsOwnRowWithOneCopyPerColumn)
{
    table->selectRowIndexesByExtendingSelection(IndexSet(2), false);
    table->selectRowIndexesByExtendingSelection(IndexSet(5), true);
    drawPass();
    const Range rows = table->rowsInRect(table->visibleRect());
    ASSERT_GT(rows.length, 8);
    EXPECT_EQ(log.copies, 3);
    std::set<QString> shown;
    for (const CellPassDraw& d : log.draws)
        shown.insert(d.value);
    EXPECT_EQ(shown.size(), log.draws.size());
    for (std::int64_t row = rows.location; row < MaxRange(rows); ++row)
        for (const char* id : { "a", "b", "c" }) {
            const CellPassDraw* d = drawOf(QStringLiteral("r%1%2").arg(row).arg(QLatin1String(id)));
            ASSERT_TRUE(d) << row << id;
            EXPECT_EQ(d->style, row == 2 || row == 5 ? BackgroundStyleDark : BackgroundStyleLight) << row << id;
        }
}

TEST_F(TableViewCellPass, WhatTheDelegateSetsForOneRowStaysInThatRow)
{
    auto delegate = make<CellPassDelegate>();
    table->setDelegate(delegate.get());
    drawPass();
    for (const char* id : { "a", "b", "c" }) {
        const CellPassDraw* third = drawOf(QStringLiteral("r3%1").arg(QLatin1String(id)));
        const CellPassDraw* fourth = drawOf(QStringLiteral("r4%1").arg(QLatin1String(id)));
        ASSERT_TRUE(third && fourth);
        EXPECT_FALSE(third->enabled);
        EXPECT_TRUE(fourth->enabled) << id;
    }
    // Set again without the delegate: one copy per column once more, nothing disabled.
    table->setDelegate(nullptr);
    drawPass();
    EXPECT_EQ(log.copies, 3);
    EXPECT_TRUE(drawOf(QStringLiteral("r3a"))->enabled);
}

TEST_F(TableViewCellPass, AChangedDataCellShowsInTheNextPass)
{
    drawPass();
    table->tableColumns().front()->dataCell()->setEnabled(false);
    drawPass();
    EXPECT_FALSE(drawOf(QStringLiteral("r1a"))->enabled);
    EXPECT_TRUE(drawOf(QStringLiteral("r1b"))->enabled);
}

TEST_F(TableViewCellPass, CellsAskedForOutsideThePassAreTheCallersOwn)
{
    const Ref<Cell> one = table->preparedCellAtColumnRow(0, 1);
    const Ref<Cell> again = table->preparedCellAtColumnRow(0, 1);
    ASSERT_TRUE(one && again);
    EXPECT_NE(one.get(), again.get());
    one->setStringValue(QStringLiteral("mine"));
    EXPECT_EQ(again->stringValue(), QStringLiteral("r1a"));
}

TEST_F(TableViewCellPass, ACellReadDuringThePassDoesNotChangeTheCellsDrawn)
{
    w.reset();
    build(make<CellPassPeekingTable>(MakeRect(0, 0, 300, 200)));
    drawPass();
    EXPECT_EQ(drawOf(QStringLiteral("spoilt")), nullptr);
    for (std::int64_t row = 0; row < 8; ++row) {
        const CellPassDraw* d = drawOf(QStringLiteral("r%1b").arg(row));
        ASSERT_TRUE(d) << row;
        EXPECT_TRUE(d->enabled) << row;
    }
}

} // namespace
