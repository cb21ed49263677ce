#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceList.h"
#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceListItem.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/NibLoader.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <optional>

using namespace kit;

namespace {

using ListItem = JVLOutlineSourceListItem;

// A data source over an item tree; optional operations can be switched off.
class ListTestSource : public Object, public JVLOutlineSourceListDataSource {
    KIT_CLASS(ListTestSource)
    Ref<ListItem> root = make<ListItem>();
    QStringList off;
    std::vector<std::pair<QString, Value>> stored;
    Ref<Color> badgeFill;
    Ref<Color> badgeText;

    bool respondsToSelector(const Selector& s) const override { return !off.contains(s.name()) && Object::respondsToSelector(s); }
    static Ref<ListItem> of(const Value& item, const Ref<ListItem>& root) { return item.isNil() ? root : item.objectAs<ListItem>(); }

    std::int64_t sourceListNumberOfChildrenOfItem(JVLOutlineSourceList*, const Value& item) override { return of(item, root)->countOfChildren(); }
    Value sourceListChildOfItem(JVLOutlineSourceList*, std::int64_t index, const Value& item) override
    {
        return Value(of(item, root)->childAtIndex(index));
    }
    Value sourceListObjectValueForItem(JVLOutlineSourceList*, const Value& item) override { return of(item, root)->title(); }
    bool sourceListIsItemExpandable(JVLOutlineSourceList*, const Value& item) override { return of(item, root)->hasChildren(); }
    void sourceListSetObjectValueForItem(JVLOutlineSourceList*, const Value& value, const Value& item) override
    {
        stored.emplace_back(of(item, root)->title(), value);
    }
    bool sourceListItemHasBadge(JVLOutlineSourceList*, const Value& item) override { return of(item, root)->hasBadge(); }
    std::int64_t sourceListBadgeValueForItem(JVLOutlineSourceList*, const Value& item) override { return of(item, root)->badgeValue(); }
    Ref<Color> sourceListBadgeBackgroundColorForItem(JVLOutlineSourceList*, const Value&) override { return badgeFill; }
    Ref<Color> sourceListBadgeTextColorForItem(JVLOutlineSourceList*, const Value&) override { return badgeText; }
    bool sourceListItemHasIcon(JVLOutlineSourceList*, const Value& item) override { return of(item, root)->hasIcon(); }
    Ref<Image> sourceListIconForItem(JVLOutlineSourceList*, const Value& item) override { return of(item, root)->icon(); }
};

class ListTestDelegate : public Object, public JVLOutlineSourceListDelegate {
    KIT_CLASS(ListTestDelegate)
    QStringList off;
    QStringList heard;
    bool alwaysExpanded = true;
    int heightQuestions = 0;

    bool respondsToSelector(const Selector& s) const override { return !off.contains(s.name()) && Object::respondsToSelector(s); }
    bool sourceListIsGroupAlwaysExpanded(JVLOutlineSourceList*, const Value&) override { return alwaysExpanded; }
    double sourceListHeightOfRowByItem(JVLOutlineSourceList* list, const Value&) override
    {
        ++heightQuestions;
        return list->rowHeight();
    }
    void sourceListSelectionDidChange(Notification*) override { heard << QStringLiteral("selection"); }
    void sourceListItemDidCollapse(Notification* n) override
    {
        heard << QStringLiteral("collapsed ") + n->userInfo().objectForKey(QStringLiteral("NSObject")).objectAs<ListItem>()->title();
    }
    void sourceListDeleteKeyPressedOnRows(Notification*) override { heard << QStringLiteral("delete"); }
};

// Groups G0 (a, b, c) and G1 (d); rows G0, a, b, c, G1, d once expanded.
class JVLOutlineSourceListTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask);
        content = make<View>(MakeRect(0, 0, 300, 200));
        window->setContentView(content.get());
        window->makeKeyAndOrderFront();
        script.emplace(window.get());
        list = make<JVLOutlineSourceList>(MakeRect(0, 0, 300, 200));
        column = make<TableColumn>(Value(QStringLiteral("title")));
        column->setWidth(280);
        list->addTableColumn(column);
        list->setOutlineTableColumn(column.get());
        scroll = make<ScrollView>(MakeRect(0, 0, 300, 200));
        scroll->setDocumentView(list.get());
        content->addSubview(scroll.get());
        window->makeFirstResponder(list.get());
        for (const char* g : { "G0", "G1" })
            source->root->addChild(ListItem::itemWithTitle(g).get());
        for (const char* t : { "a", "b", "c" })
            group(0)->addChild(ListItem::itemWithTitle(t).get());
        group(1)->addChild(ListItem::itemWithTitle("d").get());
    }
    void TearDown() override
    {
        script.reset();
        window->orderOut();
        window->setContentView(nullptr);
    }
    Ref<ListItem> group(int i) const { return source->root->childAtIndex(i); }
    Ref<ListItem> find(const QString& title) const
    {
        const Array found = source->root->filteredFlatObjectTreeWithPredicateObjectClass(Predicate::keyEquals("title", title), ListItem::staticClass());
        return found.firstObject().objectAs<ListItem>();
    }
    void show(bool alwaysExpanded = true)
    {
        delegate->alwaysExpanded = alwaysExpanded;
        list->setDelegate(delegate.get());
        list->setDataSource(source.get());
        if (!alwaysExpanded)
            for (int i = 0; i < 2; ++i)
                list->expandItem(Value(group(i)));
    }
    QStringList rows() const
    {
        QStringList titles;
        for (std::int64_t r = 0; r < list->numberOfRows(); ++r)
            titles << list->itemAtRow(r).objectAs<ListItem>()->title();
        return titles;
    }
    Point rowPoint(std::int64_t row, double x = 60) const
    {
        const Rect r = list->rectOfRow(row);
        return list->convertPointToView({ x, r.midY() }, nullptr);
    }
    void key(std::uint16_t code, const QString& characters = {}, std::uint64_t flags = 0)
    {
        script->key(code, characters, flags);
        script->run();
    }

    Ref<Window> window;
    Ref<View> content;
    std::optional<test::EventScript> script;
    Ref<ScrollView> scroll;
    Ref<JVLOutlineSourceList> list;
    Ref<TableColumn> column;
    Ref<ListTestSource> source = make<ListTestSource>();
    Ref<ListTestDelegate> delegate = make<ListTestDelegate>();
};

} // namespace

KIT_REGISTER_CLASS(ListTestSource, kit::Object)
{
    c.optionalOperations({ "sourceListSetObjectValueForItem", "sourceListItemHasBadge", "sourceListBadgeValueForItem",
        "sourceListBadgeBackgroundColorForItem", "sourceListBadgeTextColorForItem", "sourceListItemHasIcon", "sourceListIconForItem" });
}
KIT_REGISTER_CLASS(ListTestDelegate, kit::Object)
{
    c.optionalOperations({ "sourceListIsGroupAlwaysExpanded", "sourceListHeightOfRowByItem", "sourceListSelectionDidChange",
        "sourceListItemDidCollapse", "sourceListDeleteKeyPressedOnRows" });
}

// --- Wiring ---------------------------------------------------------------------------------------

TEST_F(JVLOutlineSourceListTest, TheListIsItsOwnOutlineDataSourceAndDelegate)
{
    show();
    EXPECT_EQ(list->TableView::dataSource().get(), list.get());
    EXPECT_EQ(list->Control::delegate().get(), list.get());
    EXPECT_EQ(list->dataSource().get(), source.get());
    EXPECT_EQ(list->delegate().get(), delegate.get());
    EXPECT_EQ(list->valueForKey("dataSource").object().get(), source.get());
    EXPECT_EQ(list->valueForKey("delegate").object().get(), delegate.get());
    EXPECT_EQ(list->iconSize(), MakeSize(16, 16));
    Ref<Object> made = classFromString("JVLOutlineSourceList")->make();
    ASSERT_TRUE(dynamic_cast<JVLOutlineSourceList*>(made.get()));
}

TEST_F(JVLOutlineSourceListTest, OutletsSetByKeyLandAsSecondaries)
{
    list->setValueForKey(Value(delegate), "delegate");
    list->setValueForKey(Value(source), "dataSource");
    EXPECT_EQ(list->delegate().get(), delegate.get());
    EXPECT_EQ(rows(), (QStringList { "G0", "a", "b", "c", "G1", "d" }));
}

TEST_F(JVLOutlineSourceListTest, ANonConformingDataSourceShowsNothingAndIsLogged)
{
    auto stranger = make<ListTestDelegate>();
    test::LogRecorder log;
    list->setDataSource(stranger.get());
    EXPECT_EQ(list->numberOfRows(), 0);
    const QString line = QStringLiteral("JVLOutlineSourceList: Datasource %1 is not conform to protocol <JVLOutlineSourceListDataSource>")
                             .arg(stranger->description());
    const qsizetype first = log.lines().count(line);
    EXPECT_GE(first, 1);
    list->reloadData();
    EXPECT_GT(log.lines().count(line), first);
    test::LogRecorder silent;
    list->setDataSource(nullptr);
    EXPECT_TRUE(silent.lines().isEmpty());
}

TEST_F(JVLOutlineSourceListTest, ASecondDelegateTakesOverEveryRegistration)
{
    show();
    auto second = make<ListTestDelegate>();
    list->setDelegate(second.get());
    list->selectRowIndexesByExtendingSelection(IndexSet(2), false);
    EXPECT_TRUE(delegate->heard.isEmpty());
    EXPECT_EQ(second->heard, QStringList { "selection" });
}

// --- Reload and groups ----------------------------------------------------------------------------

TEST_F(JVLOutlineSourceListTest, AlwaysExpandedGroupsOpenAtReloadWithoutTriangleOrCollapse)
{
    group(0)->childAtIndex(0)->addChild(ListItem::itemWithTitle("a1").get());
    show();
    EXPECT_EQ(rows(), (QStringList { "G0", "a", "b", "c", "G1", "d" }));
    EXPECT_FALSE(list->isItemExpanded(Value(find("a"))));
    EXPECT_TRUE(IsEmptyRect(list->frameOfOutlineCellAtRow(0)));
    EXPECT_FALSE(IsEmptyRect(list->frameOfOutlineCellAtRow(1)));
    EXPECT_EQ(list->frameOfCellAtColumnRow(0, 0).minX(), 7);
    EXPECT_FALSE(list->outlineViewShouldCollapseItem(list.get(), Value(group(0))));
    // A click where the triangle would be leaves the group open.
    script->click(rowPoint(0, 8));
    script->run();
    EXPECT_TRUE(list->isItemExpanded(Value(group(0))));
}

TEST_F(JVLOutlineSourceListTest, ReloadRepairsTheSelection)
{
    list->setAllowsEmptySelection(false);
    show();
    EXPECT_EQ(list->selectedRowIndexes(), IndexSet(1));
    // Nothing selected and every row a group: nothing to choose.
    for (int i = 0; i < 2; ++i)
        group(i)->removeAllChildren();
    list->reloadData();
    EXPECT_EQ(rows(), (QStringList { "G0", "G1" }));
    EXPECT_EQ(list->numberOfSelectedRows(), 0);
}

TEST_F(JVLOutlineSourceListTest, AFirstSelectedGroupRowMovesUpToTheNearestItem)
{
    show();
    list->selectRowIndexesByExtendingSelection(IndexSet(3), false);
    // Row 3 turns into a group: G0 (a, b), G2, G1 (d).
    group(0)->removeChildAtIndex(2);
    source->root->insertChildAtIndex(ListItem::itemWithTitle("G2").get(), 1);
    list->reloadData();
    EXPECT_EQ(rows(), (QStringList { "G0", "a", "b", "G2", "G1", "d" }));
    EXPECT_EQ(list->selectedRowIndexes(), IndexSet(2));
}

// --- Selection and keys ---------------------------------------------------------------------------

TEST_F(JVLOutlineSourceListTest, ProgramSelectionDropsGroupRows)
{
    show();
    list->setAllowsMultipleSelection(true);
    list->selectRowIndexesByExtendingSelection(IndexSet::indexSetWithIndexesInRange(MakeRange(0, 5)), false);
    EXPECT_EQ(list->selectedRowIndexes(), IndexSet::indexSetWithIndexesInRange(MakeRange(1, 3)));
}

struct GroupClickCase {
    const char* name;
    bool selectedBefore;
    bool emptyAllowed;
    bool selectedAfter;
};

class JVLOutlineSourceListGroupClick : public JVLOutlineSourceListTest, public testing::WithParamInterface<GroupClickCase> { };

TEST_P(JVLOutlineSourceListGroupClick, AClickOnAGroupRowNeverSelectsIt)
{
    const GroupClickCase& p = GetParam();
    show();
    list->setAllowsEmptySelection(p.emptyAllowed);
    if (p.selectedBefore)
        list->selectRowIndexesByExtendingSelection(IndexSet(2), false);
    else
        list->deselectAll(nullptr);
    script->click(rowPoint(4));
    script->run();
    EXPECT_FALSE(list->isRowSelected(4));
    EXPECT_EQ(list->isRowSelected(2), p.selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(JVLOutlineSourceList, JVLOutlineSourceListGroupClick,
    testing::Values(GroupClickCase { "selectedEmptyNotAllowed", true, false, true }, GroupClickCase { "selectedEmptyAllowed", true, true, false },
        GroupClickCase { "nothingSelected", false, true, false }),
    [](const testing::TestParamInfo<GroupClickCase>& info) { return std::string(info.param.name); });

struct ArrowCase {
    const char* name;
    std::int64_t from;
    std::uint16_t key;
    std::int64_t to;
};

class JVLOutlineSourceListArrows : public JVLOutlineSourceListTest, public testing::WithParamInterface<ArrowCase> { };

TEST_P(JVLOutlineSourceListArrows, ArrowsStepOverGroupRows)
{
    // Rows 0 (group), 1, 2 (group), 3.
    group(0)->removeAllChildren();
    group(0)->addChild(ListItem::itemWithTitle("a").get());
    show();
    ASSERT_EQ(rows(), (QStringList { "G0", "a", "G1", "d" }));
    list->selectRowIndexesByExtendingSelection(IndexSet(GetParam().from), false);
    key(GetParam().key);
    EXPECT_EQ(list->selectedRowIndexes(), IndexSet(GetParam().to));
}

INSTANTIATE_TEST_SUITE_P(JVLOutlineSourceList, JVLOutlineSourceListArrows,
    testing::Values(ArrowCase { "downFrom1", 1, KeyCodeDownArrow, 3 }, ArrowCase { "upFrom3", 3, KeyCodeUpArrow, 1 },
        ArrowCase { "upFrom1Stays", 1, KeyCodeUpArrow, 1 }, ArrowCase { "downFrom3Stays", 3, KeyCodeDownArrow, 3 }),
    [](const testing::TestParamInfo<ArrowCase>& info) { return std::string(info.param.name); });

TEST_F(JVLOutlineSourceListTest, ShiftArrowsAndDragsNeverSelectAGroup)
{
    show();
    list->setAllowsMultipleSelection(true);
    list->selectRowIndexesByExtendingSelection(IndexSet(3), false);
    key(KeyCodeDownArrow, {}, ShiftKeyMask);
    EXPECT_FALSE(list->isRowSelected(4));
    script->wait(1).mouseDown(rowPoint(1)).wait(0.05).mouseDragged(rowPoint(5)).wait(0.05).mouseUp(rowPoint(5));
    script->run();
    EXPECT_FALSE(list->isRowSelected(4));
    EXPECT_FALSE(list->isRowSelected(0));
    EXPECT_TRUE(list->isRowSelected(5));
}

TEST_F(JVLOutlineSourceListTest, BackspaceAndDeleteReportTheSelectedRows)
{
    show();
    list->setAllowsMultipleSelection(true);
    list->selectRowIndexesByExtendingSelection(IndexSet({ 2, 5 }), false);
    for (const QString& characters : { QString(QChar(127)), QString(QChar(8)) }) {
        test::NotificationRecorder recorder(JVLOutlineSourceListDeleteKeyPressedOnRowsNotification, list.get());
        key(KeyCodeDelete, characters);
        ASSERT_EQ(recorder.notifications.size(), 1u);
        EXPECT_EQ(recorder.notifications[0]->userInfo().objectForKey(JVLOutlineSourceListRowsKey).indexSet(), IndexSet({ 2, 5 }));
    }
    EXPECT_EQ(delegate->heard.count("delete"), 2);
    test::NotificationRecorder forward(JVLOutlineSourceListDeleteKeyPressedOnRowsNotification);
    key(KeyCodeForwardDelete);
    list->deselectAll(nullptr);
    key(KeyCodeDelete, QString(QChar(127)));
    EXPECT_TRUE(forward.notifications.empty());
}

TEST_F(JVLOutlineSourceListTest, SelectAllIsNeitherOfferedNorPerformed)
{
    show();
    list->setAllowsMultipleSelection(true);
    list->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    EXPECT_FALSE(list->respondsToSelector(Selector("selectAll")));
    key(KeyCodeA, QStringLiteral("a"), CommandKeyMask);
    key(KeyCodeA, QStringLiteral("a"), ControlKeyMask);
    EXPECT_EQ(list->selectedRowIndexes(), IndexSet(1));
    EXPECT_FALSE(list->tryToPerformWith(Selector("selectAll"), nullptr));
}

TEST_F(JVLOutlineSourceListTest, HeightsAreAskedOnlyWhenTheDelegateHasThem)
{
    delegate->off << QStringLiteral("sourceListHeightOfRowByItem");
    show();
    EXPECT_FALSE(list->respondsToSelector(Selector("outlineViewHeightOfRowByItem")));
    window->snapshot();
    EXPECT_EQ(delegate->heightQuestions, 0);
    auto withHeights = make<ListTestDelegate>();
    list->setDelegate(withHeights.get());
    EXPECT_TRUE(list->respondsToSelector(Selector("outlineViewHeightOfRowByItem")));
    list->reloadData();
    window->snapshot();
    EXPECT_GT(withHeights->heightQuestions, 0);
}

// --- Geometry and drawing -------------------------------------------------------------------------

TEST_F(JVLOutlineSourceListTest, BadgesAre14HighAndAtLeast22Wide)
{
    find("a")->setBadgeValue(7);
    find("b")->setBadgeValue(1234567890);
    find("c")->setBadgeValue(0);
    show();
    EXPECT_EQ(list->sizeOfBadgeAtRow(1), MakeSize(22, 14));
    StringAttributes bold;
    bold.font = Font::boldSystemFontOfSize(11);
    const double text = StringDrawing::sizeWithAttributes(QStringLiteral("1234567890"), bold).width;
    ASSERT_GT(text + 10, 22);
    EXPECT_EQ(list->sizeOfBadgeAtRow(2), MakeSize(text + 10, 14));
    EXPECT_EQ(list->sizeOfBadgeAtRow(3), MakeSize(22, 14));
    EXPECT_EQ(list->sizeOfBadgeAtRow(5), ZeroSize);
    EXPECT_EQ(list->badgeValueForItem(Value(find("d"))), NotFound);
}

// The arrows as a screen reader hears them: the row moved to gets the focus, named by its title
// and its badge.
TEST_F(JVLOutlineSourceListTest, TheRowTheArrowsReachIsHeardWithItsBadge)
{
    struct Listening {
        Listening() { AccessibilityBridge::setEventObserverForTesting(test::recordEvent); }
        ~Listening() { AccessibilityBridge::setEventObserverForTesting(nullptr); }
    } listening;
    find("b")->setBadgeValue(7);
    show();
    QAccessibleInterface* tree = AccessibilityBridge::interfaceFor(list->accessibilityElement());
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->child(1)->text(QAccessible::Name), QStringLiteral("a"));
    EXPECT_EQ(tree->child(2)->text(QAccessible::Name), QStringLiteral("b, 7"));
    // A reader speaks a row through its one cell with text: the badge is read there too.
    QAccessibleInterface* cell = tree->child(2)->child(0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("b, 7"));
    ASSERT_NE(cell->textInterface(), nullptr);
    EXPECT_EQ(cell->textInterface()->text(0, cell->textInterface()->characterCount()), QStringLiteral("b, 7"));
    EXPECT_EQ(tree->child(1)->child(0)->text(QAccessible::Name), QStringLiteral("a"));
    window->makeFirstResponder(list.get());
    list->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    test::events().clear();
    key(KeyCodeDownArrow);
    EXPECT_EQ(test::eventsOf(QAccessible::Focus), std::vector<const QAccessibleInterface*> { tree->child(2) });
    EXPECT_TRUE(tree->child(2)->state().selected);
    EXPECT_TRUE(tree->child(2)->state().focused);
}

TEST_F(JVLOutlineSourceListTest, IconBoxesAreNoTallerThanARow)
{
    list->setRowHeight(20);
    list->setIconSize(MakeSize(32, 32));
    EXPECT_EQ(list->iconSize(), MakeSize(20, 20));
    list->setIconSize(MakeSize(40, 10));
    EXPECT_EQ(list->iconSize(), MakeSize(40, 10));
}

TEST_F(JVLOutlineSourceListTest, CellFramesMakeRoomForIconAndBadge)
{
    find("b")->setIcon(Image::imageWithSize(MakeSize(16, 16)));
    find("c")->setBadgeValue(3);
    show();
    const double rowWidth = list->rectOfRow(1).width();
    // Level 1: 16 + 18; an icon adds 16 + 4; every other row gives up 5 for the badge margin.
    const Rect plain = list->frameOfCellAtColumnRow(0, 1);
    EXPECT_EQ(plain.minX(), 34);
    EXPECT_EQ(plain.width(), rowWidth - 5 - 34);
    const Rect withIcon = list->frameOfCellAtColumnRow(0, 2);
    EXPECT_EQ(withIcon.minX(), 54);
    const Rect withBadge = list->frameOfCellAtColumnRow(0, 3);
    EXPECT_EQ(withBadge.width(), rowWidth - 27 - 34);
    EXPECT_NEAR(withBadge.midY(), list->rectOfRow(3).midY(), 0.01);
}

TEST_F(JVLOutlineSourceListTest, ASmallIconIsDrawnAtItsSizeInTheMiddleOfItsBoxAndStaysUnflipped)
{
    QImage red(10, 10, QImage::Format_ARGB32);
    red.fill(Qt::red);
    auto icon = Image::imageWithData([&] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "PNG");
        return bytes;
    }());
    ASSERT_TRUE(icon);
    const bool flippedBefore = icon->isFlipped();
    find("a")->setIcon(icon);
    find("b")->setIcon(icon);
    show();
    const QImage shot = window->snapshot();
    const double scale = shot.width() / 300.0;
    const Rect cell = list->frameOfCellAtColumnRow(0, 1);
    // The 16 x 16 box ends 2 left of the cell; the 10 x 10 image sits in its middle.
    const Point centre = list->convertPointToView(MakePoint(cell.minX() - 2 - 8, cell.midY()), nullptr);
    const auto probe = [&](double dx, double dy) {
        return test::pixel(shot, int((centre.x + dx) * scale), int(shot.height() - (centre.y + dy) * scale));
    };
    EXPECT_EQ(probe(0, 0), QColor(Qt::red));
    EXPECT_EQ(probe(4, 4), QColor(Qt::red));
    EXPECT_NE(probe(6.5, 0), QColor(Qt::red));
    EXPECT_NE(probe(-6.5, 0), QColor(Qt::red));
    EXPECT_EQ(icon->isFlipped(), flippedBefore);
}

TEST_F(JVLOutlineSourceListTest, UnselectedBadgesUseTheDataSourcesFillOrTheDefault)
{
    find("a")->setBadgeValue(1);
    find("b")->setBadgeValue(2);
    show();
    list->deselectAll(nullptr);
    window->makeMainWindow();
    source->badgeFill = nullptr;
    const auto badgeEdge = [&](std::int64_t row) {
        const QImage shot = window->snapshot();
        const double scale = shot.width() / 300.0;
        const Size size = list->sizeOfBadgeAtRow(row);
        const Rect r = list->rectOfRow(row);
        // Just inside the badge's left end, on its middle line, clear of the text.
        const Point p = list->convertPointToView(MakePoint(r.maxX() - 5 - size.width + 4, r.midY()), nullptr);
        return test::pixel(shot, int(p.x * scale), int(shot.height() - p.y * scale));
    };
    const QColor standard = badgeEdge(1);
    EXPECT_NEAR(standard.red(), 152, 6);
    EXPECT_NEAR(standard.green(), 168, 6);
    EXPECT_NEAR(standard.blue(), 202, 6);
    source->badgeFill = Color::colorWithCalibratedRedGreenBlueAlpha(0, 0.5, 0, 1);
    list->setNeedsDisplay(true);
    const QColor own = badgeEdge(2);
    EXPECT_NEAR(own.green(), 128, 6);
    EXPECT_LT(own.red(), 10);
}

TEST_F(JVLOutlineSourceListTest, ASelectedBadgeIsWhite)
{
    find("a")->setBadgeValue(1);
    show();
    window->makeMainWindow();
    list->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    const QImage shot = window->snapshot();
    const double scale = shot.width() / 300.0;
    const Size size = list->sizeOfBadgeAtRow(1);
    const Rect r = list->rectOfRow(1);
    const Point p = list->convertPointToView(MakePoint(r.maxX() - 5 - size.width + 4, r.midY()), nullptr);
    EXPECT_TRUE(test::pixelIs(shot, int(p.x * scale), int(shot.height() - p.y * scale), Qt::white, 6));
}

// The badge's text colour by selection, focus and whether the main window shows: the pixel of
// the badge's text farthest from its fill is (nearly) the text colour.
struct BadgeTextCase {
    const char* name;
    bool selected;
    bool listFocused;
    bool mainVisible;
    bool sourceText; // the data source answers a text colour (dark green)
    QColor text;
    bool focusColour = false; // the text is the keyboard focus colour instead
};

void PrintTo(const BadgeTextCase& c, std::ostream* os) { *os << c.name; }

class JVLOutlineSourceListBadgeText : public JVLOutlineSourceListTest, public testing::WithParamInterface<BadgeTextCase> { };

TEST_P(JVLOutlineSourceListBadgeText, TextTakesTheColourOfItsState)
{
    const BadgeTextCase& c = GetParam();
    find("a")->setBadgeValue(88);
    show();
    source->badgeText = c.sourceText ? Color::colorWithCalibratedRedGreenBlueAlpha(0, 0.4, 0, 1) : nullptr;
    window->makeMainWindow();
    if (c.selected)
        list->selectRowIndexesByExtendingSelection(IndexSet(1), false);
    else
        list->deselectAll(nullptr);
    window->makeFirstResponder(c.listFocused ? static_cast<Responder*>(list.get()) : static_cast<Responder*>(content.get()));
    if (!c.mainVisible)
        window->orderOut(); // the main window no longer shows
    list->setNeedsDisplay(true);
    const QColor text = c.focusColour ? Color::keyboardFocusIndicatorColor()->toQColor() : c.text;
    const QImage shot = window->snapshot();
    const double scale = shot.width() / 300.0;
    const Size size = list->sizeOfBadgeAtRow(1);
    const Rect row = list->rectOfRow(1);
    const Rect badge = MakeRect(row.maxX() - 5 - size.width, row.midY() - size.height / 2, size.width, size.height);
    const Point edge = list->convertPointToView(MakePoint(badge.minX() + 4, badge.midY()), nullptr);
    const QColor fill = test::pixel(shot, int(edge.x * scale), int(shot.height() - edge.y * scale));
    QColor farthest = fill;
    int distance = 0;
    for (double y = badge.minY() + 2; y < badge.maxY() - 2; y += 0.5)
        for (double x = badge.minX() + 6; x < badge.maxX() - 6; x += 0.5) {
            const Point p = list->convertPointToView(MakePoint(x, y), nullptr);
            const QColor seen = test::pixel(shot, int(p.x * scale), int(shot.height() - p.y * scale));
            const int d = std::abs(seen.red() - fill.red()) + std::abs(seen.green() - fill.green()) + std::abs(seen.blue() - fill.blue());
            if (d > distance) {
                distance = d;
                farthest = seen;
            }
        }
    EXPECT_GT(distance, 40) << "no text drawn on " << test::describe(fill);
    EXPECT_NEAR(farthest.red(), text.red(), 24) << test::describe(farthest);
    EXPECT_NEAR(farthest.green(), text.green(), 24) << test::describe(farthest);
    EXPECT_NEAR(farthest.blue(), text.blue(), 24) << test::describe(farthest);
}

INSTANTIATE_TEST_SUITE_P(States, JVLOutlineSourceListBadgeText,
    testing::Values(BadgeTextCase { "UnselectedWhite", false, true, true, false, QColor(255, 255, 255) },
        BadgeTextCase { "UnselectedSourceColour", false, true, true, true, QColor(0, 102, 0) },
        BadgeTextCase { "UnselectedMainHidden", false, true, false, true, QColor(255, 255, 255) },
        BadgeTextCase { "SelectedFocused", true, true, true, false, QColor(), true },
        BadgeTextCase { "SelectedUnfocused", true, false, true, false, QColor(153, 169, 203) },
        BadgeTextCase { "SelectedMainHidden", true, true, false, true, QColor(170, 170, 170) }),
    [](const testing::TestParamInfo<BadgeTextCase>& info) { return std::string(info.param.name); });

// A subclass that moves every cell frame right: the click is hit-tested in the frame that drawing
// uses, so a press on the drawn title (and only there) reaches the cell.
class ShiftedSourceList : public JVLOutlineSourceList {
public:
    using JVLOutlineSourceList::JVLOutlineSourceList;
    Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) override
    {
        const Rect base = JVLOutlineSourceList::frameOfCellAtColumnRow(column, row);
        return MakeRect(base.minX() + shift, base.minY(), std::max(0.0, base.width() - shift), base.height());
    }
    double shift = 0;
};

TEST_F(JVLOutlineSourceListTest, AClickIsHitTestedInTheFrameDrawingUses)
{
    // The same list, but with frames moved 120 points right.
    auto shifted = make<ShiftedSourceList>(MakeRect(0, 0, 300, 200));
    shifted->shift = 120;
    auto own = make<TableColumn>(Value(QStringLiteral("title")));
    own->setWidth(280);
    shifted->addTableColumn(own);
    shifted->setOutlineTableColumn(own.get());
    scroll->setDocumentView(shifted.get());
    list = shifted;
    show();
    window->makeFirstResponder(list.get());
    // Drawn where the moved frame says: title pixels right of 120, none in the first 100 points.
    const QImage shot = window->snapshot();
    const double scale = shot.width() / 300.0;
    const Rect cell = list->frameOfCellAtColumnRow(0, 2);
    const auto darkIn = [&](double from, double to) {
        int dark = 0;
        for (double x = from; x < to; x += 0.5)
            for (double y = cell.minY() + 1; y < cell.maxY() - 1; y += 0.5) {
                const Point p = list->convertPointToView(MakePoint(x, y), nullptr);
                dark += test::pixel(shot, int(p.x * scale), int(shot.height() - p.y * scale)).lightness() < 120 ? 1 : 0;
            }
        return dark;
    };
    EXPECT_GT(darkIn(cell.minX(), cell.minX() + 20), 0) << "the title is drawn in the moved frame";
    EXPECT_EQ(darkIn(40, 100), 0) << "nothing of the title stays where the unmoved frame was";
    // A double click on the drawn title edits it, over the moved frame.
    column = own;
    own->setEditable(true);
    const Point title = list->convertPointToView(MakePoint(cell.minX() + 5, cell.midY()), nullptr);
    script->click(title).wait(0.1).click(title);
    script->run();
    auto* editor = dynamic_cast<View*>(window->fieldEditorForObject(false, nullptr).get());
    ASSERT_TRUE(editor);
    EXPECT_TRUE(ContainsRect(cell, editor->frame()));
    EXPECT_EQ(list->editedRow(), 2);
}

TEST_F(JVLOutlineSourceListTest, OutlineNotificationsComeOnUnderTheListsNamesWithTheirUserInfo)
{
    show(false);
    test::NotificationRecorder recorder(JVLOutlineSourceListItemDidCollapseNotification, list.get());
    list->collapseItem(Value(group(1)));
    ASSERT_EQ(recorder.notifications.size(), 1u);
    EXPECT_EQ(recorder.notifications[0]->userInfo().objectForKey(QStringLiteral("NSObject")).object().get(), group(1).get());
    EXPECT_TRUE(delegate->heard.contains("collapsed G1"));
}

namespace {

class ListMenuDelegate : public ListTestDelegate {
    KIT_CLASS(ListMenuDelegate)
    Ref<Menu> menu = make<Menu>();
    Value asked = Value(QStringLiteral("never asked"));
    Ref<Menu> sourceListMenuForEventItem(JVLOutlineSourceList*, const Event&, const Value& item) override
    {
        asked = item;
        return item.isNil() ? nullptr : menu;
    }
};

} // namespace

KIT_REGISTER_CLASS(ListMenuDelegate, ListTestDelegate) { c.optionalOperations({ "sourceListMenuForEventItem" }); }

TEST_F(JVLOutlineSourceListTest, TheContextMenuIsTheDelegatesForTheRowUnderTheMouse)
{
    auto menus = make<ListMenuDelegate>();
    delegate = menus;
    show();
    const auto rightClickAt = [&](Point base) {
        return Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
            RightMouseDown, base, 0, 0, window->windowNumber(), nullptr, 0, 1, 1);
    };
    EXPECT_EQ(list->menuForEvent(*rightClickAt(rowPoint(2))).get(), menus->menu.get());
    EXPECT_EQ(menus->asked.object().get(), find("b").get());
    EXPECT_EQ(list->menuForEvent(*rightClickAt(list->convertPointToView(MakePoint(60, 190), nullptr))).get(), nullptr);
    EXPECT_TRUE(menus->asked.isNil());
}

// --- Editing --------------------------------------------------------------------------------------

TEST_F(JVLOutlineSourceListTest, ADoubleClickEditsTheTitleOverTheListsFrameAndReturnStoresIt)
{
    find("b")->setIcon(Image::imageWithSize(MakeSize(16, 16)));
    find("b")->setBadgeValue(4);
    column->setEditable(true);
    show();
    const Rect cell = list->frameOfCellAtColumnRow(0, 2);
    const Point p = list->convertPointToView({ cell.midX(), cell.midY() }, nullptr);
    script->click(p).wait(0.1).click(p);
    script->run();
    EXPECT_EQ(list->editedRow(), 2);
    auto* editor = dynamic_cast<FieldEditing*>(window->fieldEditorForObject(false, nullptr).get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->editorString(), QStringLiteral("b"));
    const auto* editorView = dynamic_cast<View*>(editor);
    ASSERT_TRUE(editorView);
    EXPECT_TRUE(ContainsRect(cell, editorView->frame()));
    script->type(QStringLiteral("Renamed")).key(KeyCodeReturn, QStringLiteral("\r"));
    script->run();
    ASSERT_EQ(source->stored.size(), 1u);
    EXPECT_EQ(source->stored[0].first, QStringLiteral("b"));
    EXPECT_EQ(source->stored[0].second.stringValue(), QStringLiteral("Renamed"));
    EXPECT_EQ(list->editedRow(), -1);
}

TEST_F(JVLOutlineSourceListTest, GroupRowsNeverEditAndAnEditWithoutTheSetterIsDropped)
{
    column->setEditable(true);
    show();
    EXPECT_FALSE(list->canEditColumnRow(0, 0));
    script->click(rowPoint(0)).wait(0.1).click(rowPoint(0));
    script->run();
    EXPECT_EQ(list->editedRow(), -1);

    source->off << QStringLiteral("sourceListSetObjectValueForItem");
    list->setDataSource(source.get());
    const Rect cell = list->frameOfCellAtColumnRow(0, 1);
    const Point p = list->convertPointToView({ cell.midX(), cell.midY() }, nullptr);
    script->wait(1).click(p).wait(0.1).click(p);
    script->run();
    if (list->editedRow() == 1) {
        script->type(QStringLiteral("Lost")).key(KeyCodeReturn, QStringLiteral("\r"));
        script->run();
    }
    EXPECT_TRUE(source->stored.empty());
    EXPECT_EQ(find("a")->title(), QStringLiteral("a"));
}
