// Editing a table cell in place: what starts a session, what ends it, what reaches the data source.

#include "ControlsTestSupport.h"

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/TableView.h"
#include "kit/controls/TextFieldCell.h"
#include "kit/foundation/NumberFormatter.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

// Two columns of values that take edits back; logs every store.
class TableEditSource : public Object, public TableViewDataSource {
    KIT_CLASS(TableEditSource)
public:
    std::vector<std::vector<Value>> values { { Value("a0"), Value("a1"), Value("a2") }, { Value("b0"), Value("b1"), Value("b2") } };
    QStringList stored;
    std::function<void()> onCount;
    std::int64_t numberOfRowsInTableView(TableView*) override
    {
        if (onCount)
            onCount();
        return std::int64_t(values[0].size());
    }
    Value tableViewObjectValueForTableColumnRow(TableView*, TableColumn* column, std::int64_t row) override
    {
        return values[std::size_t(column->identifier().integerValue())][std::size_t(row)];
    }
    void tableViewSetObjectValueForTableColumnRow(TableView*, const Value& value, TableColumn* column, std::int64_t row) override
    {
        const std::int64_t c = column->identifier().integerValue();
        stored << QStringLiteral("%1,%2=%3%4").arg(c).arg(row).arg(value.stringValue(), value.isNumber() ? QStringLiteral(" (number)") : QString());
        values[std::size_t(c)][std::size_t(row)] = value;
    }
};

KIT_REGISTER_CLASS(TableEditSource, Object)
{
    c.optionalOperations({ "numberOfRowsInTableView", "tableViewObjectValueForTableColumnRow", "tableViewSetObjectValueForTableColumnRow" });
}

class TableEditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w = std::make_unique<ControlWindow>(Size { 300, 200 });
        scroll = make<ScrollView>(MakeRect(0, 0, 300, 200));
        table = make<TableView>(MakeRect(0, 0, 300, 200));
        for (int i = 0; i < 2; ++i) {
            columns[i] = make<TableColumn>(Value(std::int64_t(i)));
            columns[i]->setWidth(120);
            table->addTableColumn(columns[i]);
        }
        scroll->setDocumentView(table.get());
        w->content->addSubview(scroll.get());
        table->setDataSource(source.get());
        table->reloadData();
        w->window->makeFirstResponder(table.get());
    }
    void TearDown() override { w.reset(); }
    Point cellPoint(std::int64_t column, std::int64_t row) const
    {
        const Rect r = table->frameOfCellAtColumnRow(column, row);
        return table->convertPointToView({ r.midX(), r.midY() }, nullptr);
    }
    void doubleClick(std::int64_t column, std::int64_t row)
    {
        w->script->click(cellPoint(column, row)).wait(0.1).click(cellPoint(column, row));
        w->script->run();
    }
    FieldEditing* editor() const { return dynamic_cast<FieldEditing*>(w->window->fieldEditorForObject(false, nullptr).get()); }
    void typeAndKey(const QString& text, std::uint16_t key, const QString& characters)
    {
        w->script->type(text).key(key, characters);
        w->script->run();
    }

    std::unique_ptr<ControlWindow> w;
    Ref<ScrollView> scroll;
    Ref<TableView> table;
    Ref<TableColumn> columns[2];
    Ref<TableEditSource> source = make<TableEditSource>();
};

TEST_F(TableEditingTest, TheDefaultDataCellIsAnEditableTextFieldCell)
{
    EXPECT_TRUE(dynamic_pointer_cast<TextFieldCell>(columns[0]->dataCell()));
    EXPECT_TRUE(columns[0]->dataCell()->isEditable());
}

TEST_F(TableEditingTest, DoubleClickEditsTheCellWithItsWholeTextSelected)
{
    EXPECT_EQ(table->editedRow(), -1);
    doubleClick(1, 2);
    EXPECT_EQ(table->editedRow(), 2);
    EXPECT_EQ(table->editedColumn(), 1);
    EXPECT_EQ(table->selectedRow(), 2);
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->editingSessionView().get(), table.get());
    EXPECT_EQ(editor()->editorString(), QStringLiteral("b2"));
    EXPECT_EQ(editor()->editorSelectedRange().length, 2);
    EXPECT_EQ(w->window->firstResponder().get(), dynamic_cast<Responder*>(editor()));
    // The editor lies in the cell's frame, as asked through the hook.
    const auto* view = dynamic_cast<View*>(editor());
    const Rect cell = table->frameOfCellAtColumnRow(1, 2);
    EXPECT_TRUE(ContainsRect(cell, view->frame()));
}

TEST_F(TableEditingTest, ReturnStoresThroughTheFormatterAndGivesTheTableFocusBack)
{
    auto formatter = make<NumberFormatter>();
    formatter->setLocaleIdentifier("en_US");
    columns[0]->dataCell()->setFormatter(formatter);
    doubleClick(0, 1);
    typeAndKey("42", KeyCodeReturn, "\r");
    EXPECT_EQ(source->stored, QStringList({ "0,1=42 (number)" }));
    EXPECT_EQ(table->editedRow(), -1);
    EXPECT_EQ(table->editedColumn(), -1);
    EXPECT_EQ(w->window->firstResponder().get(), table.get());
}

TEST_F(TableEditingTest, EscapeStoresNothing)
{
    doubleClick(0, 1);
    typeAndKey("changed", KeyCodeEscape, QString(QChar(27)));
    EXPECT_TRUE(source->stored.isEmpty());
    EXPECT_EQ(table->editedRow(), -1);
    EXPECT_EQ(editor()->editingSessionNumber(), 0u);
    EXPECT_EQ(w->window->firstResponder().get(), table.get());
}

TEST_F(TableEditingTest, TabStoresAndMovesToTheNextCellThenTheNextRow)
{
    doubleClick(0, 0);
    typeAndKey("x", KeyCodeTab, "\t");
    EXPECT_EQ(table->editedRow(), 0);
    EXPECT_EQ(table->editedColumn(), 1);
    typeAndKey("y", KeyCodeTab, "\t");
    EXPECT_EQ(table->editedRow(), 1);
    EXPECT_EQ(table->editedColumn(), 0);
    EXPECT_EQ(source->stored, QStringList({ "0,0=x", "1,0=y" }));
    EXPECT_EQ(table->selectedRow(), 1);
}

TEST_F(TableEditingTest, AReloadEndsTheEditFirst)
{
    doubleClick(1, 0);
    w->script->type("z");
    w->script->run();
    std::int64_t editedWhenCounted = 99;
    source->onCount = [&] { editedWhenCounted = table->editedRow(); };
    table->reloadData();
    EXPECT_EQ(editedWhenCounted, -1);
    EXPECT_EQ(source->stored, QStringList({ "1,0=z" }));
}

TEST_F(TableEditingTest, ReturnOnASelectedRowEditsItsFirstEditableCell)
{
    columns[0]->setEditable(false);
    table->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    w->script->key(KeyCodeReturn, "\r");
    w->script->run();
    EXPECT_EQ(table->editedRow(), 1);
    EXPECT_EQ(table->editedColumn(), 1);
}

TEST_F(TableEditingTest, FocusLeavingStoresTheEdit)
{
    doubleClick(0, 2);
    w->script->type("q");
    w->script->run();
    w->window->makeFirstResponder(w->window.get());
    EXPECT_EQ(source->stored, QStringList({ "0,2=q" }));
    EXPECT_EQ(table->editedRow(), -1);
}

} // namespace
