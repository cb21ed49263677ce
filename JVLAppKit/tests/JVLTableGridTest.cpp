// The grid control: layout, reloading, headers, widths, geometry and hit tests, scroll
// synchronisation, delegate registrations, archiving.

#include "JVLTableGridTestSupport.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Scroller.h"
#include "kit/core/Class.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/graphics/GraphicsContext.h"

#include <QAccessible>

#include <random>

using namespace kit;

TEST(JVLTableGrid, EveryClassIsFoundByName)
{
    for (const char* name : { "JVLTableGrid", "JVLTableGridContentView", "JVLTableGridHeaderView", "JVLTableGridHeaderCell", "JVLTableGridCell" })
        EXPECT_NE(kit::classFromString(QString::fromUtf8(name)), nullptr) << name;
}

TEST(JVLTableGrid, BuildsThreeScrollViewsAroundTheCorner)
{
    auto grid = make<JVLTableGrid>(MakeRect(0, 0, 300, 200));
    EXPECT_EQ(grid->columnHeaderScrollView()->frame(), MakeRect(40, 0, 260, 19));
    EXPECT_EQ(grid->rowHeaderScrollView()->frame(), MakeRect(0, 19, 40, 181));
    EXPECT_EQ(grid->contentScrollView()->frame(), MakeRect(40, 19, 260, 181));
    EXPECT_EQ(grid->columnHeaderView()->orientation(), 0);
    EXPECT_EQ(grid->rowHeaderView()->orientation(), 1);
    EXPECT_EQ(grid->headerRectOfCorner(), MakeRect(0, 0, 40, 19));
    EXPECT_TRUE(grid->isFlipped());
    EXPECT_TRUE(grid->acceptsFirstResponder());
    EXPECT_TRUE(grid->allowsMultipleSelection());
    EXPECT_FALSE(grid->allowsEditing());
    EXPECT_EQ(grid->stickyColumn(), 0);
    EXPECT_EQ(grid->stickyRow(), 3);
    EXPECT_TRUE(grid->selectedColumnIndexes().isEmpty());
    EXPECT_EQ(grid->numberOfColumns(), 0);
    auto own = dynamic_pointer_cast<JVLTableGridCell>(grid->cell());
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->isBordered());
    EXPECT_TRUE(own->isScrollable());
    EXPECT_EQ(own->lineBreakMode(), LineBreakByTruncatingTail);
}

struct GridReloadCase {
    std::int64_t columns, rows;
    double width, height;
};

class JVLTableGridReload : public testing::TestWithParam<GridReloadCase> { };

TEST_P(JVLTableGridReload, SizesTheCellAreaByTheLastCell)
{
    const GridReloadCase c = GetParam();
    TableGridWindow w({ 400, 300 }, [&](TableGridTestDataSource& ds) {
        ds.columns = c.columns;
        ds.rows = c.rows;
    });
    EXPECT_EQ(w.grid->numberOfColumns(), c.columns);
    EXPECT_EQ(w.grid->numberOfRows(), c.rows);
    EXPECT_EQ(w.grid->contentView()->frame().size, MakeSize(c.width, c.height));
    // Drawing an empty direction evaluates no cell.
    w.snapshot();
    for (const auto& [column, row] : w.dataSource->valueCalls) {
        EXPECT_LT(column, c.columns);
        EXPECT_LT(row, c.rows);
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, JVLTableGridReload,
    testing::Values(GridReloadCase { 0, 0, 0, 0 }, GridReloadCase { 0, 7, 0, 140 }, GridReloadCase { 3, 0, 180, 0 }, GridReloadCase { 2, 3, 120, 60 }));

TEST(JVLTableGrid, WithoutDataSourceThereIsNothing)
{
    auto grid = make<JVLTableGrid>(MakeRect(0, 0, 300, 200));
    grid->reloadData();
    EXPECT_EQ(grid->numberOfColumns(), 0);
    EXPECT_EQ(grid->numberOfRows(), 0);
    EXPECT_EQ(grid->columnAtPoint({ 50, 30 }), NotFound);
    EXPECT_EQ(grid->rowAtPoint({ 50, 30 }), NotFound);
}

TEST(JVLTableGrid, DefaultHeadersAreCharactersAndNumbers)
{
    TableGridWindow w;
    EXPECT_EQ(w.grid->headerStringForColumn(0), "A");
    EXPECT_EQ(w.grid->headerStringForColumn(1), "B");
    EXPECT_EQ(w.grid->headerStringForColumn(25), "Z");
    EXPECT_EQ(w.grid->headerStringForColumn(26), "[");
    EXPECT_EQ(w.grid->headerStringForRow(0), "1");
    EXPECT_EQ(w.grid->headerStringForRow(1), "2");
    EXPECT_EQ(w.grid->headerStringForRow(149999999), "150000000");
    w.dataSource->ops << "tableGridHeaderStringForColumn" << "tableGridHeaderStringForRow";
    w.setDataSourceAgain();
    EXPECT_EQ(w.grid->headerStringForColumn(3), "C3");
    EXPECT_EQ(w.grid->headerStringForRow(4), "R4");
}

TEST(JVLTableGrid, WidthsAre60WithoutTheOperationAndAskedOncePerColumnWithIt)
{
    TableGridWindow plain;
    EXPECT_EQ(plain.grid->rectOfColumn(2).size.width, 60);
    EXPECT_EQ(plain.grid->contentView()->frame().width(), 8 * 60);

    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) {
        ds.ops << "tableGridSetWidthForColumn";
        ds.widths = { { 0, 30 }, { 1, 45.5f }, { 3, 100 } };
    });
    EXPECT_EQ(w.dataSource->count("tableGridSetWidthForColumn"), 8);
    EXPECT_EQ(w.grid->contentView()->frame().width(), 30 + 45.5 + 60 + 100 + 4 * 60);
    EXPECT_EQ(w.grid->frameOfCellAtColumnRow(2, 0).origin.x, 40 + 30 + 45.5);
    w.grid->reloadData();
    w.snapshot();
    w.grid->widthForColumn(3);
    EXPECT_EQ(w.dataSource->count("tableGridSetWidthForColumn"), 8);
    w.dataSource->widths[3] = 10;
    w.grid->reloadData();
    EXPECT_EQ(w.grid->rectOfColumn(3).size.width, 100) << "the first answer stays in force";
}

TEST(JVLTableGrid, RectOfColumnSpansHeaderAndCellsUpToTheBottomLessTheScroller)
{
    // Taller than its cells: header and cells only.
    TableGridWindow short_({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.rows = 3; ds.columns = 3; });
    EXPECT_EQ(short_.grid->rectOfColumn(1), MakeRect(100, 0, 60, 79));
    EXPECT_EQ(short_.grid->rectOfRow(2), MakeRect(0, 59, 220, 20));
    EXPECT_EQ(short_.grid->frameOfCellAtColumnRow(1, 2), MakeRect(100, 59, 60, 20));
    EXPECT_EQ(short_.grid->headerRectOfColumn(1), MakeRect(100, 0, 60, 19));
    EXPECT_EQ(short_.grid->headerRectOfRow(2), MakeRect(0, 59, 40, 20));

    // Shorter than its cells, wider than its frame: cut at the frame less the horizontal scroller.
    TableGridWindow tall({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 20; ds.rows = 100; });
    ASSERT_EQ(tall.grid->contentScrollView()->horizontalScroller()->superview(), tall.grid->contentScrollView());
    EXPECT_EQ(tall.grid->rectOfColumn(0).size.height, 300 - Scroller::scrollerWidth());
}

TEST(JVLTableGrid, HitTestsAreHalfOpenAndIncludeTheHeaders)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 3; ds.rows = 4; });
    EXPECT_EQ(w.grid->columnAtPoint({ 40, 30 }), 0);
    EXPECT_EQ(w.grid->columnAtPoint({ 99.99, 30 }), 0);
    EXPECT_EQ(w.grid->columnAtPoint({ 100, 30 }), 1);
    EXPECT_EQ(w.grid->columnAtPoint({ 105, 5 }), 1) << "a column header lies in its column";
    EXPECT_EQ(w.grid->columnAtPoint({ 220, 30 }), NotFound) << "right of the last column";
    EXPECT_EQ(w.grid->columnAtPoint({ 20, 30 }), NotFound) << "the row header strip";
    EXPECT_EQ(w.grid->rowAtPoint({ 10, 19 }), 0) << "a row header lies in its row";
    EXPECT_EQ(w.grid->rowAtPoint({ 50, 38.99 }), 0);
    EXPECT_EQ(w.grid->rowAtPoint({ 50, 39 }), 1);
    EXPECT_EQ(w.grid->rowAtPoint({ 50, 99 }), NotFound) << "below the last row";
    EXPECT_EQ(w.grid->rowAtPoint({ 50, 5 }), NotFound) << "the column header strip";
}

namespace {

std::int64_t linearColumnAt(const JVLTableGrid& grid, Point p)
{
    for (std::int64_t c = 0; c < grid.numberOfColumns(); ++c)
        if (PointInRect(p, grid.rectOfColumn(c)))
            return c;
    return NotFound;
}

std::int64_t linearRowAt(const JVLTableGrid& grid, Point p)
{
    for (std::int64_t r = 0; r < grid.numberOfRows(); ++r)
        if (PointInRect(p, grid.rectOfRow(r)))
            return r;
    return NotFound;
}

} // namespace

TEST(JVLTableGrid, HitTestsAgreeWithTheLinearSearch)
{
    std::mt19937 random(20);
    for (int round = 0; round < 12; ++round) {
        std::uniform_int_distribution<int> count(0, 40);
        const int columns = count(random), rows = count(random);
        std::map<std::int64_t, float> widths;
        for (int c = 0; c < columns; ++c)
            widths[c] = float(std::uniform_int_distribution<int>(0, 120)(random)) / (round % 2 ? 4.0f : 1.0f);
        TableGridWindow w({ 300, 250 }, [&](TableGridTestDataSource& ds) {
            ds.columns = columns;
            ds.rows = rows;
            ds.ops << "tableGridSetWidthForColumn";
            ds.widths = widths;
        });
        const Rect cells = w.grid->contentView()->frame();
        w.grid->contentScrollView()->contentView()->scrollToPoint(
            { std::uniform_real_distribution<double>(0, std::max(0.0, cells.width() - 200))(random),
                std::uniform_real_distribution<double>(0, std::max(0.0, cells.height() - 200))(random) });
        std::uniform_real_distribution<double> x(-5, 310), y(-5, 260);
        for (int i = 0; i < 300; ++i) {
            Point p { x(random), y(random) };
            if (i % 3 == 0 && columns > 0) // exactly on a boundary
                p.x = w.grid->rectOfColumn(std::uniform_int_distribution<int>(0, columns - 1)(random)).minX();
            if (i % 5 == 0 && rows > 0)
                p.y = w.grid->rectOfRow(std::uniform_int_distribution<int>(0, rows - 1)(random)).minY();
            ASSERT_EQ(w.grid->columnAtPoint(p), linearColumnAt(*w.grid, p)) << round << " " << p.x << "," << p.y;
            ASSERT_EQ(w.grid->rowAtPoint(p), linearRowAt(*w.grid, p)) << round << " " << p.x << "," << p.y;
            // The cell area's own answers, in its coordinates.
            const auto cellsView = w.grid->contentView();
            const Point q = cellsView->convertPointFromView(p, w.grid.get());
            std::int64_t column = NotFound, row = NotFound;
            for (std::int64_t c = 0; c < columns && column == NotFound; ++c)
                if (PointInRect(q, cellsView->rectOfColumn(c)))
                    column = c;
            for (std::int64_t r = 0; r < rows && row == NotFound; ++r)
                if (PointInRect(q, cellsView->rectOfRow(r)))
                    row = r;
            ASSERT_EQ(cellsView->columnAtPoint(q), column) << round << " " << q.x;
            ASSERT_EQ(cellsView->rowAtPoint(q), row) << round << " " << q.y;
        }
    }
}

TEST(JVLTableGrid, HeadersFollowTheCellsWhenScrolled)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& ds) { ds.columns = 30; ds.rows = 100; });
    const Ref<ClipView> cells = w.grid->contentScrollView()->contentView();
    cells->scrollToPoint({ 120, 0 });
    EXPECT_EQ(w.grid->columnHeaderScrollView()->contentView()->bounds().origin, MakePoint(120, 0));
    EXPECT_EQ(w.grid->rowHeaderScrollView()->contentView()->bounds().origin, MakePoint(0, 0));
    cells->scrollToPoint({ 120, 400 });
    EXPECT_EQ(w.grid->columnHeaderScrollView()->contentView()->bounds().origin, MakePoint(120, 0));
    EXPECT_EQ(w.grid->rowHeaderScrollView()->contentView()->bounds().origin, MakePoint(0, 400));
    // Hit tests and header rectangles follow.
    EXPECT_EQ(w.grid->columnAtPoint({ 41, 30 }), 2);
    EXPECT_EQ(w.grid->rowAtPoint({ 50, 20 }), 20);
    EXPECT_EQ(w.grid->headerRectOfColumn(2).origin.x, 40);
    EXPECT_EQ(w.grid->headerRectOfRow(20).origin.y, 19);
    // Scrolled out of view, a column still lies under the row header strip.
    EXPECT_EQ(w.grid->columnAtPoint({ 20, 30 }), 1);
}

TEST(JVLTableGrid, SetDelegateMovesTheThreeRegistrations)
{
    TableGridWindow w;
    auto first = make<TableGridTestDelegate>();
    first->ops = { "tableGridDidChangeSelection", "tableGridDidMoveColumns", "tableGridDidMoveRows" };
    auto second = make<TableGridTestDelegate>();
    second->ops = { "tableGridDidChangeSelection" };
    w.grid->setDelegate(first.get());
    w.grid->setDelegate(first.get());
    w.grid->setSelectedColumnIndexes(IndexSet(1));
    EXPECT_EQ(first->log, QStringList { "didChangeSelection" }) << "the same delegate twice registers once";
    NotificationCenter::defaultCenter()->postNotificationNameObject(JVLTableGridDidMoveRowsNotification, w.grid.get());
    EXPECT_EQ(first->log.size(), 2);

    w.grid->setDelegate(second.get());
    w.grid->setSelectedColumnIndexes(IndexSet(2));
    NotificationCenter::defaultCenter()->postNotificationNameObject(JVLTableGridDidMoveRowsNotification, w.grid.get());
    EXPECT_EQ(first->log.size(), 2) << "the old delegate hears nothing more";
    EXPECT_EQ(second->log, QStringList { "didChangeSelection" }) << "only what the new one implements";
    EXPECT_EQ(w.grid->delegate().get(), second.get());
    w.grid->setDelegate(nullptr);
}

TEST(JVLTableGrid, ArchivesOnlyItsViewPartAndLaysOutAgainWhenDecoded)
{
    auto grid = make<JVLTableGrid>(MakeRect(10, 20, 300, 200));
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(grid));
    QString error;
    const auto decoded = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error).objectAs<JVLTableGrid>();
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(decoded->frame(), MakeRect(10, 20, 300, 200));
    EXPECT_EQ(decoded->subviews().size(), 3u);
    EXPECT_EQ(decoded->contentScrollView()->frame(), MakeRect(40, 19, 260, 181));
    EXPECT_EQ(decoded->columnHeaderScrollView()->frame(), MakeRect(40, 0, 260, 19));
    decoded->awakeFromNib();
    EXPECT_TRUE(decoded->registeredDraggedTypes().contains(JVLTableGridColumnDataType));
    EXPECT_TRUE(decoded->contentView()->registeredDraggedTypes().contains(JVLTableGridRowDataType));
}

// The header strips' backgrounds come from an image after their first drawing: the same pixels
// as drawing them in place, for each strip and at an offset in the window.
class JVLTableGridStripAccess {
public:
    static void paint(JVLTableGrid& grid, std::size_t strip, Rect r) { grid.paintStripBackground(JVLTableGrid::Strip(strip), r); }
    static bool fromCache(JVLTableGrid& grid, std::size_t strip, Rect r) { return grid.drawStripFromCache(JVLTableGrid::Strip(strip), r); }
};

TEST(JVLTableGrid, HeaderStripsCopiedFromTheirImageMatchDrawingInPlace)
{
    auto grid = make<JVLTableGrid>(MakeRect(0, 0, 400, 300));
    const Rect strips[] = { MakeRect(40, 0, 360, 19), MakeRect(0, 19, 40, 281), MakeRect(0, 0, 40, 19) };
    for (std::size_t strip = 0; strip < 3; ++strip) {
        const auto draw = [&](bool cached, int pass) {
            QImage image(420, 320, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor(30, 140, 60));
            const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithImage(&image, true);
            context->setCTM(AffineTransform::fromQTransform(QTransform::fromTranslate(7, 11)));
            context->clipToRect(MakeRect(3, 2, 380, 250)); // a dirty rectangle cutting the strips
            GraphicsContext::Scope scope(context);
            if (!cached)
                JVLTableGridStripAccess::paint(*grid, strip, strips[strip]);
            else
                EXPECT_TRUE(JVLTableGridStripAccess::fromCache(*grid, strip, strips[strip])) << strip << " pass " << pass;
            return image;
        };
        const QImage inPlace = draw(false, 0);
        for (int pass = 0; pass < 2; ++pass)
            EXPECT_TRUE(draw(true, pass) == inPlace) << "strip " << strip << " pass " << pass;
    }
}

namespace {

TEST(TableGridAccessibility, ATableOfTheShownCellsWithHeadersValuesAndTheSelection)
{
    TableGridWindow w({ 400, 300 }, [](TableGridTestDataSource& s) {
        s.ops.insert(QStringLiteral("tableGridHeaderStringForColumn"));
        s.ops.insert(QStringLiteral("tableGridHeaderStringForRow"));
        s.values[{ 1, 2 }] = Value(QStringLiteral("42"));
        s.values[{ 2, 2 }] = Value(7.5);
    });
    QAccessibleInterface* table = AccessibilityBridge::interfaceFor(Value(Ref<Object>(w.grid)));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(AccessibilityBridge::interfaceFor(Value(w.window))->child(0), table);
    // The cells shown (of 30 rows), row by row, not every cell.
    const auto [first, last] = w.grid->accessibilityVisibleRows();
    const auto [firstColumn, lastColumn] = w.grid->accessibilityVisibleColumns();
    EXPECT_EQ(first, 0);
    EXPECT_GT(last, 5);
    EXPECT_LT(last, 29);
    EXPECT_EQ(firstColumn, 0);
    EXPECT_EQ(lastColumn, 5); // 360 points of 60-point columns
    const int columns = int(lastColumn - firstColumn + 1);
    ASSERT_EQ(table->childCount(), int(last - first + 1) * columns);

    // Each child's index leads to its row and column, as a reader finds a cell's place.
    for (const int index : { 0, 1, columns, 2 * columns + 1, table->childCount() - 1 }) {
        QAccessibleInterface* child = table->child(index);
        ASSERT_NE(child, nullptr);
        ASSERT_NE(child->tableCellInterface(), nullptr);
        EXPECT_EQ(child->tableCellInterface()->rowIndex(), index / columns) << index;
        EXPECT_EQ(child->tableCellInterface()->columnIndex(), index % columns) << index;
        EXPECT_EQ(table->indexOfChild(child), index);
        EXPECT_EQ(child->parent(), table);
    }

    QAccessibleInterface* cell = table->child(2 * columns + 1);
    EXPECT_EQ(cell, table->tableInterface()->cellAt(2, 1));
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("42"));
    EXPECT_EQ(table->child(2 * columns + 2)->text(QAccessible::Value), QStringLiteral("7.5"));
    EXPECT_EQ(table->child(2 * columns + 3)->text(QAccessible::Name), QString()) << "an empty cell away from the focus";
    ASSERT_EQ(cell->tableCellInterface()->columnHeaderCells().size(), 1);
    EXPECT_EQ(cell->tableCellInterface()->columnHeaderCells().first()->text(QAccessible::Name), QStringLiteral("C1"));
    ASSERT_EQ(cell->tableCellInterface()->rowHeaderCells().size(), 1);
    EXPECT_EQ(cell->tableCellInterface()->rowHeaderCells().first()->text(QAccessible::Name), QStringLiteral("R2"));
    EXPECT_EQ(cell->rect(), QtRectFromScreen(AccessibilityScreenRectOfRectInView(*w.grid, w.grid->frameOfCellAtColumnRow(1, 2))).toRect());
    const QPoint centre = cell->rect().center();
    EXPECT_EQ(table->childAt(centre.x(), centre.y()), cell);
    const QRect header = QtRectFromScreen(AccessibilityScreenRectOfRectInView(*w.grid, w.grid->headerRectOfColumn(1))).toRect();
    EXPECT_EQ(table->childAt(header.center().x(), header.center().y())->text(QAccessible::Name), QStringLiteral("C1"));

    w.grid->setSelectedColumnIndexes(IndexSet(1));
    w.grid->setSelectedRowIndexes(IndexSet(2));
    EXPECT_TRUE(cell->state().selected);
    EXPECT_FALSE(table->child(2 * columns + 2)->state().selected);
    EXPECT_FALSE(table->child(columns + 1)->state().selected);
}

} // namespace
