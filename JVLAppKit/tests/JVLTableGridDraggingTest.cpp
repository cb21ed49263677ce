// Moving columns and rows: starting a move from a header, the pasteboard, drop indexes,
// validation and indicators, performing the move, foreign drops.

#include "JVLTableGridTestSupport.h"

#include "kit/appkit/Pasteboard.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/FakeDraggingInfo.h"
#include "kit/testsupport/RuntimeRecorders.h"

using namespace kit;

namespace {

struct GridMoveFixture {
    explicit GridMoveFixture(QSet<QString> extra = {})
        : w({ 600, 300 }, [&](TableGridTestDataSource& ds) {
            ds.ops.unite(extra);
            ds.columns = 8;
        })
    {
        w.grid->setDragStarterForTesting([this](JVLTableGrid&, Image* image, Point at, const Event&, Pasteboard*) {
            ++started;
            startedImage = image;
            startedAt = at;
        });
        w.grid->registerForDraggedTypes({ QStringLiteral("public.utf8-plain-text") });
    }

    // Presses the header of fully selected columns 1 … 2 and drags it 10 points.
    void startColumnMove()
    {
        w.grid->setSelectedColumnIndexes(gridRange(1, 2));
        w.grid->setSelectedRowIndexes(gridRange(0, 29));
        const Point p = w.columnHeaderPoint(1);
        w.script->mouseDown(p).mouseDragged({ p.x + 10, p.y }).mouseUp({ p.x + 10, p.y }).run();
    }

    // A drag of this grid's own columns (or rows) over a point of the grid.
    test::FakeDraggingInfo ownDrag(const QString& type, const IndexSet& indexes, Point inGrid)
    {
        test::FakeDraggingInfo info;
        info.pasteboard->declareTypesOwner({ type }, nullptr);
        info.pasteboard->setDataForType(KeyedArchiver::archivedDataWithRootObject(Value(indexes)), type);
        info.source = w.grid;
        info.location = w.base(inGrid);
        return info;
    }

    TableGridWindow w;
    int started = 0;
    Ref<Image> startedImage;
    Point startedAt;
};

// The middle of the left or right half of a column, and of the top or bottom half of a row.
Point columnHalf(const TableGridWindow& w, std::int64_t column, bool right)
{
    const Rect r = w.grid->rectOfColumn(column);
    return { r.minX() + r.width() * (right ? 0.75 : 0.25), 50 };
}

} // namespace

struct GridStartCase {
    const char* name;
    bool implemented;
    bool answer;
};

class JVLTableGridMoveStart : public testing::TestWithParam<GridStartCase> { };

TEST_P(JVLTableGridMoveStart, TheDataSourceMustWriteTheColumns)
{
    const GridStartCase c = GetParam();
    GridMoveFixture f(c.implemented ? QSet<QString> { "tableGridWriteColumnsWithIndexesToPasteboard" } : QSet<QString> {});
    f.w.dataSource->answer = c.answer;
    f.startColumnMove();
    const bool starts = c.implemented && c.answer;
    EXPECT_EQ(f.started, starts ? 1 : 0);
    if (c.implemented) {
        EXPECT_EQ(f.w.dataSource->log, QStringList { "writeColumns 1,2" });
    }
    const Ref<Pasteboard> pasteboard = Pasteboard::pasteboardWithName(DragPboard);
    EXPECT_EQ(pasteboard->types(), QStringList { JVLTableGridColumnDataType });
    if (!starts)
        return;
    const auto value = KeyedUnarchiver::unarchivedValueOfKind(ValueKind::IndexSet, pasteboard->dataForType(JVLTableGridColumnDataType), nullptr);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->indexSet(), gridRange(1, 2));
    // The image covers the two columns with their header and one point more on the left; it hangs
    // from the first column's top-left corner.
    ASSERT_TRUE(f.startedImage);
    const Rect first = f.w.grid->rectOfColumn(1);
    EXPECT_EQ(f.startedImage->size(), MakeSize(121, first.height()));
    EXPECT_EQ(f.startedAt, MakePoint(first.minX(), first.minY() + first.height()));
}

INSTANTIATE_TEST_SUITE_P(WriteOperation, JVLTableGridMoveStart,
    testing::Values(GridStartCase { "Missing", false, true }, GridStartCase { "AnswersNo", true, false }, GridStartCase { "AnswersYes", true, true }),
    [](const testing::TestParamInfo<GridStartCase>& info) { return std::string(info.param.name); });

TEST(JVLTableGridDragging, OnlyLocalMovesAreOffered)
{
    GridMoveFixture f;
    EXPECT_EQ(f.w.grid->draggingSourceOperationMaskForLocal(true), DragOperationMove);
    EXPECT_EQ(f.w.grid->draggingSourceOperationMaskForLocal(false), DragOperationNone);
}

TEST(JVLTableGridDragging, DropIndexesByHalves)
{
    GridMoveFixture f;
    EXPECT_EQ(f.w.grid->dropColumnForPoint(columnHalf(f.w, 4, false)), 4);
    EXPECT_EQ(f.w.grid->dropColumnForPoint(columnHalf(f.w, 4, true)), 5);
    EXPECT_EQ(f.w.grid->dropColumnForPoint(columnHalf(f.w, 7, true)), 8);
    EXPECT_EQ(f.w.grid->dropColumnForPoint({ 590, 50 }), NotFound) << "beyond the last column";
    const Rect row = f.w.grid->rectOfRow(3);
    EXPECT_EQ(f.w.grid->dropRowForPoint({ 100, row.minY() + 4 }), 3);
    EXPECT_EQ(f.w.grid->dropRowForPoint({ 100, row.minY() + 16 }), 4);
}

TEST(JVLTableGridDragging, WithoutCanMoveNoIndicatorAndNoOperation)
{
    GridMoveFixture f;
    auto info = f.ownDrag(JVLTableGridColumnDataType, gridRange(1, 2), columnHalf(f.w, 4, true));
    EXPECT_EQ(f.w.grid->draggingEntered(info), DragOperationMove);
    EXPECT_EQ(f.w.grid->contentView()->draggingUpdated(info), DragOperationNone);
    EXPECT_EQ(f.w.grid->contentView()->dropColumn(), NotFound);
}

TEST(JVLTableGridDragging, ValidatedMovesShowTheLineAtTheDropIndex)
{
    GridMoveFixture f({ "tableGridCanMoveColumnsToIndex" });
    auto info = f.ownDrag(JVLTableGridColumnDataType, gridRange(1, 2), columnHalf(f.w, 4, true));
    EXPECT_EQ(f.w.grid->contentView()->draggingUpdated(info), DragOperationMove);
    EXPECT_EQ(f.w.dataSource->log, QStringList { "canMoveColumns 5" });
    EXPECT_TRUE(f.w.grid->contentView()->isDraggingColumnOrRow());
    EXPECT_EQ(f.w.grid->contentView()->dropColumn(), 5);
    f.w.dataSource->answer = false;
    EXPECT_EQ(f.w.grid->contentView()->draggingUpdated(info), DragOperationNone);
    EXPECT_EQ(f.w.grid->contentView()->dropColumn(), NotFound);
    f.w.dataSource->answer = true;
    f.w.grid->contentView()->draggingUpdated(info);
    f.w.grid->contentView()->draggingExited(info);
    EXPECT_EQ(f.w.grid->contentView()->dropColumn(), NotFound) << "cancelling clears the indicator";
}

struct GridPerformCase {
    const char* name;
    std::int64_t first, last, column;
    bool rightHalf;
    std::int64_t proposed;
    std::int64_t newFirst, newLast;
};

class JVLTableGridPerform : public testing::TestWithParam<GridPerformCase> { };

TEST_P(JVLTableGridPerform, MovesAnnounceThenSelectTheNewPlace)
{
    const GridPerformCase c = GetParam();
    GridMoveFixture f({ "tableGridMoveColumnsToIndex" });
    auto delegate = make<TableGridTestDelegate>();
    delegate->ops = { "tableGridDidMoveColumns", "tableGridDidChangeSelection" };
    f.w.grid->setDelegate(delegate.get());
    test::NotificationRecorder moved(JVLTableGridDidMoveColumnsNotification, f.w.grid.get());
    auto info = f.ownDrag(JVLTableGridColumnDataType, gridRange(c.first, c.last), columnHalf(f.w, c.column, c.rightHalf));
    ASSERT_TRUE(f.w.grid->contentView()->prepareForDragOperation(info));
    ASSERT_TRUE(f.w.grid->contentView()->performDragOperation(info));
    EXPECT_EQ(f.w.dataSource->log.last(), QStringLiteral("moveColumns %1 %2").arg(gridDescribe(gridRange(c.first, c.last))).arg(c.proposed));
    ASSERT_EQ(moved.notifications.size(), 1u);
    const Dictionary& userInfo = moved.notifications[0]->userInfo();
    EXPECT_EQ(userInfo.objectForKey(Value(JVLTableGridOldColumnsKey)).indexSet(), gridRange(c.first, c.last));
    EXPECT_EQ(userInfo.objectForKey(Value(JVLTableGridNewColumnsKey)).indexSet(), gridRange(c.newFirst, c.newLast));
    EXPECT_EQ(f.w.grid->selectedColumnIndexes(), gridRange(c.newFirst, c.newLast));
    EXPECT_EQ(delegate->log, (QStringList { "didMoveColumns", "didChangeSelection" }));
    f.w.grid->setDelegate(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Places, JVLTableGridPerform,
    testing::Values(GridPerformCase { "After", 1, 2, 4, true, 5, 3, 4 }, GridPerformCase { "Before", 1, 2, 0, false, 0, 0, 1 },
        GridPerformCase { "AtTheEnd", 1, 2, 7, true, 8, 6, 7 }, GridPerformCase { "InsideTheBlock", 1, 2, 1, true, 2, 1, 2 },
        GridPerformCase { "RightAfterTheBlock", 1, 2, 3, false, 3, 1, 2 }),
    [](const testing::TestParamInfo<GridPerformCase>& info) { return std::string(info.param.name); });

TEST(JVLTableGridDragging, RowMovesUseTheRowOperationsAndKeys)
{
    GridMoveFixture f({ "tableGridMoveRowsToIndex", "tableGridCanMoveRowsToIndex" });
    test::NotificationRecorder moved(JVLTableGridDidMoveRowsNotification, f.w.grid.get());
    const Rect row = f.w.grid->rectOfRow(6);
    auto info = f.ownDrag(JVLTableGridRowDataType, gridRange(2, 3), { 100, row.minY() + 15 });
    EXPECT_EQ(f.w.grid->contentView()->draggingUpdated(info), DragOperationMove);
    EXPECT_EQ(f.w.grid->contentView()->dropRow(), 7);
    ASSERT_TRUE(f.w.grid->contentView()->performDragOperation(info));
    ASSERT_EQ(moved.notifications.size(), 1u);
    EXPECT_EQ(moved.notifications[0]->userInfo().objectForKey(Value(JVLTableGridNewRowsKey)).indexSet(), gridRange(5, 6));
    EXPECT_EQ(f.w.grid->selectedRowIndexes(), gridRange(5, 6));
}

TEST(JVLTableGridDragging, MovesRefusedWithoutTheOperationOrAnAnswer)
{
    GridMoveFixture plain;
    auto info = plain.ownDrag(JVLTableGridColumnDataType, gridRange(1, 2), columnHalf(plain.w, 4, true));
    EXPECT_FALSE(plain.w.grid->performDragOperation(info));
    GridMoveFixture refusing({ "tableGridMoveColumnsToIndex" });
    refusing.w.dataSource->answer = false;
    test::NotificationRecorder moved(JVLTableGridDidMoveColumnsNotification, refusing.w.grid.get());
    auto again = refusing.ownDrag(JVLTableGridColumnDataType, gridRange(1, 2), columnHalf(refusing.w, 4, true));
    EXPECT_FALSE(refusing.w.grid->performDragOperation(again));
    EXPECT_TRUE(moved.notifications.empty());
}

TEST(JVLTableGridDragging, GridDataFromElsewhereIsRefused)
{
    GridMoveFixture f({ "tableGridMoveColumnsToIndex", "tableGridCanMoveColumnsToIndex", "tableGridValidateDropProposedColumnRow" });
    auto other = make<JVLTableGrid>(MakeRect(0, 0, 100, 100));
    auto info = f.ownDrag(JVLTableGridColumnDataType, gridRange(1, 2), columnHalf(f.w, 4, true));
    info.source = other;
    EXPECT_EQ(f.w.grid->draggingEntered(info), DragOperationNone);
    EXPECT_EQ(f.w.grid->draggingUpdated(info), DragOperationNone);
    EXPECT_FALSE(f.w.grid->performDragOperation(info));
    info.source = nullptr;
    EXPECT_EQ(f.w.grid->draggingUpdated(info), DragOperationNone) << "from another process";
    // Our own drag with bytes that are not an index set.
    auto garbage = f.ownDrag(JVLTableGridColumnDataType, gridRange(1, 2), columnHalf(f.w, 4, true));
    garbage.pasteboard->setDataForType(KeyedArchiver::archivedDataWithRootObject(Value(QStringLiteral("1-2"))), JVLTableGridColumnDataType);
    EXPECT_EQ(f.w.grid->draggingUpdated(garbage), DragOperationNone);
    EXPECT_FALSE(f.w.grid->performDragOperation(garbage));
    for (const QString& line : f.w.dataSource->log)
        EXPECT_FALSE(line.startsWith("moveColumns")) << line.toStdString();
}

TEST(JVLTableGridDragging, ForeignDropsShowTheOutlineOnlyWhileAccepted)
{
    GridMoveFixture f({ "tableGridValidateDropProposedColumnRow", "tableGridAcceptDropColumnRow" });
    test::FakeDraggingInfo info;
    info.pasteboard->declareTypesOwner({ QStringLiteral("public.utf8-plain-text") }, nullptr);
    const Rect cell = f.w.grid->frameOfCellAtColumnRow(2, 3);
    info.location = f.w.base({ cell.midX(), cell.midY() });
    const auto cells = f.w.grid->contentView();
    EXPECT_EQ(cells->draggingEntered(info), DragOperationCopy);
    EXPECT_TRUE(cells->autoscrollTimer());
    EXPECT_EQ(cells->draggingUpdated(info), DragOperationCopy);
    EXPECT_FALSE(cells->isDraggingColumnOrRow());
    EXPECT_EQ(cells->dropColumn(), 2);
    EXPECT_EQ(cells->dropRow(), 3);
    f.w.dataSource->dropOperation = DragOperationNone;
    EXPECT_EQ(cells->draggingUpdated(info), DragOperationNone);
    EXPECT_EQ(cells->dropColumn(), NotFound) << "no outline on a refused cell";
    EXPECT_EQ(cells->dropRow(), NotFound);
    f.w.dataSource->dropOperation = DragOperationCopy;
    cells->draggingUpdated(info);
    EXPECT_TRUE(cells->performDragOperation(info));
    EXPECT_EQ(f.w.dataSource->log.last(), "accept 2 3");
    cells->concludeDragOperation(info);
    EXPECT_EQ(cells->dropColumn(), NotFound);
    EXPECT_FALSE(cells->autoscrollTimer());
}

TEST(JVLTableGridDragging, ForeignDropsNeedTheValidation)
{
    GridMoveFixture f;
    test::FakeDraggingInfo info;
    info.pasteboard->declareTypesOwner({ QStringLiteral("public.utf8-plain-text") }, nullptr);
    info.location = f.w.cellPoint(1, 1);
    EXPECT_EQ(f.w.grid->draggingEntered(info), DragOperationNone);
    EXPECT_EQ(f.w.grid->draggingUpdated(info), DragOperationNone);
    EXPECT_FALSE(f.w.grid->performDragOperation(info));
}

TEST(JVLTableGridDragging, RegisteringAddsTheGridTypesForGridAndCells)
{
    GridMoveFixture f;
    for (const auto& types : { f.w.grid->registeredDraggedTypes(), f.w.grid->contentView()->registeredDraggedTypes() }) {
        EXPECT_TRUE(types.contains(QStringLiteral("public.utf8-plain-text")));
        EXPECT_TRUE(types.contains(JVLTableGridColumnDataType));
        EXPECT_TRUE(types.contains(JVLTableGridRowDataType));
    }
}

TEST(JVLTableGridDragging, RegisteringThroughAViewReachesTheGrid)
{
    auto grid = make<JVLTableGrid>(MakeRect(0, 0, 200, 100));
    View* view = grid.get();
    view->registerForDraggedTypes({ QStringLiteral("public.utf8-plain-text") });
    EXPECT_TRUE(grid->contentView()->registeredDraggedTypes().contains(JVLTableGridColumnDataType));
    EXPECT_TRUE(grid->registeredDraggedTypes().contains(JVLTableGridRowDataType));
}
