#include "JVLPreferenceTestSupport.h"

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIconView.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPainter>

#include <gtest/gtest.h>

using namespace kit;

namespace {

// A 32 x 32 picture whose top half is red and bottom half blue, to tell upright from flipped.
Ref<Image> iconViewTestPicture()
{
    auto image = make<Image>(MakeSize(32, 32));
    image->lockFocusFlipped(true);
    Color::colorWithSRGBRedGreenBlueAlpha(0.9, 0.1, 0.1, 1)->setFill();
    RectFill(MakeRect(0, 0, 32, 16));
    Color::colorWithSRGBRedGreenBlueAlpha(0.1, 0.1, 0.9, 1)->setFill();
    RectFill(MakeRect(0, 16, 32, 16));
    image->unlockFocus();
    return image;
}

Ref<JVLPrefPaneIcon> icon(const QString& id, const QString& category = QStringLiteral(""), const QString& title = {})
{
    auto i = make<JVLPrefPaneIcon>(id, iconViewTestPicture().get(), title.isEmpty() ? id : title);
    i->setCategory(category);
    return i;
}

JVLPrefPaneIconView::IconList icons(int count, int groups = 1)
{
    JVLPrefPaneIconView::IconList out;
    for (int i = 0; i < count; ++i)
        out.push_back(icon(QStringLiteral("p%1").arg(i, 2, 10, QChar('0')), QStringLiteral("c%1").arg(i % groups)));
    return out;
}

struct RowsCase {
    int icons;
    bool grouped;
    int rows;
};

class IconViewRows : public testing::TestWithParam<RowsCase> { };

TEST_P(IconViewRows, RowsFollowTheColumnCount)
{
    auto view = make<JVLPrefPaneIconView>(nullptr, icons(GetParam().icons), 7);
    view->setSortByCategory(GetParam().grouped);
    const Rect frame = view->frame();
    ASSERT_EQ(view->iconListList().size(), 1u);
    const Rect group = view->frameForCategoryWithIndex(0);
    EXPECT_DOUBLE_EQ(group.size.height, GetParam().rows * view->iconHeight() + view->captionHeight() + 9 + 2 + 6);
    EXPECT_DOUBLE_EQ(frame.size.height, group.origin.y + group.size.height);
    EXPECT_DOUBLE_EQ(frame.size.width, std::ceil(7 * view->iconSpacing() + view->horizontalPadding()));
}

INSTANTIATE_TEST_SUITE_P(Counts, IconViewRows,
    testing::Values(RowsCase { 8, false, 2 }, RowsCase { 7, false, 1 }, RowsCase { 0, false, 1 }, RowsCase { 15, true, 3 }, RowsCase { 1, true, 1 }));

TEST(IconViewGeometry, AWideTitleWidensTheSpacingAndInTheFirstColumnThePadding)
{
    auto narrow = make<JVLPrefPaneIconView>(nullptr, JVLPrefPaneIconView::IconList { icon("a"), icon("b") }, 7);
    narrow->frame();
    EXPECT_DOUBLE_EQ(narrow->iconSpacing(), 36);
    EXPECT_DOUBLE_EQ(narrow->horizontalPadding(), 12);
    StringAttributes label;
    label.font = Font::systemFontOfSize(Font::smallSystemFontSize());
    const QString wide = QStringLiteral("A very long pane title");
    const double w = StringDrawing::sizeWithAttributes(wide, label).width;
    // "a..." sorts first: the wide title is in the first column.
    auto view = make<JVLPrefPaneIconView>(nullptr, JVLPrefPaneIconView::IconList { icon("x", "", wide), icon("y", "", "b") }, 7);
    view->frame();
    EXPECT_DOUBLE_EQ(view->horizontalPadding(), std::max(12.0, (w - 32) / 2 + 12));
    EXPECT_DOUBLE_EQ(view->iconSpacing(), std::max(32.0, (std::ceil(w) + 32) / 2) + 4);
}

class IconViewGroups : public testing::TestWithParam<int> { };

// Whatever the number of groups, the view holds every group and label in full.
TEST_P(IconViewGroups, NothingIsCutOff)
{
    const int groups = GetParam();
    auto view = make<JVLPrefPaneIconView>(nullptr, icons(groups * 3, groups), 7);
    view->setSortByCategory(true);
    const Rect frame = view->frame();
    ASSERT_EQ(int(view->iconListList().size()), groups);
    EXPECT_DOUBLE_EQ(view->captionHeight(), std::ceil(1.2 * 13));
    for (int g = 0; g < groups; ++g) {
        const Rect f = view->frameForCategoryWithIndex(g);
        EXPECT_LE(f.origin.y + f.size.height, frame.size.height) << g;
        for (int i = 0; i < int(view->iconListList()[std::size_t(g)].size()); ++i) {
            const Rect label = view->labelFrameForIconInCategoryWithIndexAtIndex(g, i);
            EXPECT_LE(label.origin.y + label.size.height, frame.size.height) << g << " " << i;
            EXPECT_TRUE(ContainsRect(f, view->imageFrameForIconInCategoryWithIndexAtIndex(g, i))) << g << " " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, IconViewGroups, testing::Values(1, 2, 6, 7));

TEST(IconViewGeometry, SettingTheSameColumnCountKeepsAPendingRebuild)
{
    auto view = make<JVLPrefPaneIconView>(nullptr, icons(3), 7);
    view->frame();
    EXPECT_FALSE(view->dataChanged());
    view->addIcon(icon("new").get());
    view->setColumns(7);
    EXPECT_TRUE(view->dataChanged());
    view->frame();
    view->setColumns(7);
    EXPECT_FALSE(view->dataChanged());
    view->setColumns(3);
    EXPECT_TRUE(view->dataChanged());
}

TEST(IconViewGeometry, CategorySortOrderTakesNamedGroupsFirstAndIgnoresUnknownNames)
{
    JVLPrefPaneIconView::IconList list { icon("a", "net"), icon("b", "sys"), icon("c", "app"), icon("d", QString()) };
    auto view = make<JVLPrefPaneIconView>(nullptr, list, 7);
    view->setSortByCategory(true);
    view->setCategorySortOrder({ "nothing", "sys", "absent" });
    view->frame();
    QStringList order;
    for (const auto& group : view->iconListList())
        order << group.front()->itemIdentifier();
    EXPECT_EQ(order, (QStringList { "b", "a", "c", "d" }));
    // Without an order: display names case-insensitively, the null group first.
    view->setCategorySortOrder({});
    view->frame();
    order.clear();
    for (const auto& group : view->iconListList())
        order << group.front()->itemIdentifier();
    EXPECT_EQ(order, (QStringList { "d", "c", "a", "b" }));
}

QStringList& iconViewFocusEvents()
{
    static QStringList names;
    return names;
}

class IconViewInWindow : public testing::Test {
protected:
    void SetUp() override
    {
        Application::resetForTesting();
        for (int i = 0; i < 9; ++i) {
            auto ic = icon(QStringLiteral("p%1").arg(i), QStringLiteral("c%1").arg(i / 3));
            ic->setTarget(receiver.get());
            ic->setSelector("openPane");
            list.push_back(ic);
        }
        view = make<JVLPrefPaneIconView>(nullptr, list, 7);
        view->setSortByCategory(true);
        const Rect f = view->frame();
        window = make<Window>(MakeRect(100, 100, f.size.width, f.size.height), TitledWindowMask);
        window->contentView()->addSubview(view.get());
        window->orderFront();
    }
    void TearDown() override { Application::resetForTesting(); }
    Point base(Point viewPoint) { return view->convertPointToView(viewPoint, nullptr); }

    Ref<PrefTestOpener> receiver = make<PrefTestOpener>();
    JVLPrefPaneIconView::IconList list;
    Ref<JVLPrefPaneIconView> view;
    Ref<Window> window;
};

// The first pixel row drawn of an icon in the third group is where a click finds it.
TEST_F(IconViewInWindow, ADrawnIconIsHitAtItsTopRowAndStandsUpright)
{
    const QImage snapshot = window->snapshot();
    const Rect image = view->imageFrameForIconInCategoryWithIndexAtIndex(2, 1);
    const Point centreTop = MakePoint(image.origin.x + 16, image.origin.y + 0.5);
    // Upright: red on top, blue below.
    const QColor top = test::basePixel(snapshot, base(centreTop));
    const QColor bottom = test::basePixel(snapshot, base(MakePoint(image.origin.x + 16, image.origin.y + 31.5)));
    EXPECT_GT(top.red(), 150) << test::describe(top);
    EXPECT_GT(bottom.blue(), 150) << test::describe(bottom);
    // Nothing of the icon above its frame.
    const QColor above = test::basePixel(snapshot, base(MakePoint(image.origin.x + 16, image.origin.y - 0.5)));
    EXPECT_LT(above.red() - above.blue(), 60) << test::describe(above);
    int g = -1;
    int i = -1;
    EXPECT_EQ(view->iconAtCategoryIndexIconIndex(centreTop, &g, &i), view->iconListList()[2][1]);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(i, 1);
    EXPECT_FALSE(view->iconAtCategoryIndexIconIndex(MakePoint(image.origin.x + 16, image.origin.y - 0.5)));
}

TEST_F(IconViewInWindow, APressedIconIsDarkerAndAClickOpensIt)
{
    test::EventScript script(window.get());
    const Rect image = view->imageFrameForIconInCategoryWithIndexAtIndex(0, 0);
    const Point inside = MakePoint(image.origin.x + 16, image.origin.y + 8);
    const QColor normal = test::basePixel(window->snapshot(), base(inside));
    script.mouseDown(base(inside)).run();
    const QColor pressed = test::basePixel(window->snapshot(), base(inside));
    EXPECT_LT(pressed.red(), normal.red() - 40) << test::describe(pressed) << " " << test::describe(normal);
    EXPECT_EQ(view->selectedIcon(), view->iconListList()[0][0]);
    script.mouseUp(base(inside)).run();
    EXPECT_FALSE(view->selectedIcon());
    EXPECT_EQ(receiver->opened, QStringList { "p0" });
}

TEST_F(IconViewInWindow, AReleaseOverAnotherIconOnlyClearsTheHighlight)
{
    test::EventScript script(window.get());
    const Rect a = view->imageFrameForIconInCategoryWithIndexAtIndex(0, 0);
    const Rect b = view->imageFrameForIconInCategoryWithIndexAtIndex(0, 1);
    script.mouseDown(base(MakePoint(a.origin.x + 16, a.origin.y + 16))).run();
    view->mouseUp(*Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(LeftMouseUp,
        base(MakePoint(b.origin.x + 16, b.origin.y + 16)), 0, 0, window->windowNumber(), nullptr, 0, 1, 0));
    EXPECT_FALSE(view->selectedIcon());
    EXPECT_TRUE(receiver->opened.isEmpty());
}

TEST_F(IconViewInWindow, DraggingAnIconPutsItsIdentifierOnTheDragPasteboardAndOpensNothing)
{
    ExternalDrag::setPresenter([](OutgoingDrag&) {
        ADD_FAILURE() << "the drag left the kit's loop";
        return Qt::IgnoreAction;
    });
    const Rect image = view->imageFrameForIconInCategoryWithIndexAtIndex(1, 2);
    const Point start = base(MakePoint(image.origin.x + 16, image.origin.y + 16));
    const Point end = MakePoint(start.x + 40, start.y);
    test::EventScript script(window.get());
    script.mouseDown(start).mouseDragged(MakePoint(start.x + 10, start.y)).mouseDragged(end).mouseUp(end).run();
    EXPECT_EQ(Pasteboard::pasteboardWithName(DragPboard)->stringForType(JVLToolbarItemIdentifierPboardType), QStringLiteral("p5"));
    EXPECT_FALSE(view->selectedIcon());
    EXPECT_TRUE(receiver->opened.isEmpty());
    ExternalDrag::resetForTesting();
}

// To a screen reader the overview is a list of its panes, in the order shown, each named by its
// title, said with its group's caption, where it is drawn; pressing one opens it as a click does.
TEST_F(IconViewInWindow, ToAScreenReaderTheOverviewIsAListOfItsPanes)
{
    QAccessibleInterface* overview = AccessibilityBridge::interfaceFor(Value(Ref<Object>(view)));
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(overview->role(), QAccessible::List);
    EXPECT_EQ(overview->text(QAccessible::Name), QStringLiteral("Preferences"));
    ASSERT_EQ(overview->childCount(), 9);
    for (int i = 0; i < 9; ++i) {
        QAccessibleInterface* item = overview->child(i);
        ASSERT_NE(item, nullptr) << i;
        EXPECT_EQ(item->role(), QAccessible::ListItem) << i;
        EXPECT_EQ(item->text(QAccessible::Name), QStringLiteral("p%1").arg(i));
        EXPECT_EQ(item->text(QAccessible::Description), QStringLiteral("c%1").arg(i / 3));
        EXPECT_EQ(item->parent(), overview);
        const Rect drawn = UnionRect(
            view->imageFrameForIconInCategoryWithIndexAtIndex(i / 3, i % 3), view->labelFrameForIconInCategoryWithIndexAtIndex(i / 3, i % 3));
        EXPECT_EQ(item->rect(), QtRectFromScreen(AccessibilityScreenRectOfRectInView(*view, drawn)).toRect()) << i;
        EXPECT_EQ(item->state().selected, i == 0) << "the current icon is the list's selection";
    }
    overview->child(4)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    RunLoop::main().runPending(); // the press follows the call
    EXPECT_EQ(receiver->opened, QStringList { "p4" });
}

// Tab gives the overview the focus on its first icon; the arrows walk the rows and groups as drawn
// (three groups of three here), Home and End go to the ends, Return or Space open the current icon.
// Each move is announced once; a key that moves nothing announces nothing.
struct IconKeysCase {
    std::vector<std::uint16_t> keys;
    const char* announced;
    const char* opened;
};

void PrintTo(const IconKeysCase& c, std::ostream* os) { *os << '"' << c.announced << '"'; }

class IconViewKeys : public IconViewInWindow, public testing::WithParamInterface<IconKeysCase> { };

TEST_P(IconViewKeys, TheKeysMoveTheCurrentIconAndOpenIt)
{
    window->makeKeyAndOrderFront();
    AccessibilityBridge::setEventObserverForTesting([](const QAccessibleEvent& e) {
        if (e.type() == QAccessible::Focus)
            iconViewFocusEvents() << e.accessibleInterface()->text(QAccessible::Name);
    });
    iconViewFocusEvents().clear();
    {
        test::EventScript script(window.get());
        script.type(QStringLiteral("\t"));
        for (const std::uint16_t key : GetParam().keys)
            script.key(key, key == KeyCodeSpace ? QStringLiteral(" ") : QString());
        script.run();
    }
    AccessibilityBridge::setEventObserverForTesting(nullptr);
    RunLoop::main().runPending();
    EXPECT_EQ(window->firstResponder(), view);
    EXPECT_EQ(iconViewFocusEvents().join(u' '), QString::fromUtf8(GetParam().announced));
    EXPECT_EQ(receiver->opened.join(u' '), QString::fromUtf8(GetParam().opened));
}

INSTANTIATE_TEST_SUITE_P(Keys, IconViewKeys,
    testing::Values(IconKeysCase { {}, "p0", "" }, IconKeysCase { { KeyCodeRightArrow }, "p0 p1", "" },
        IconKeysCase { { KeyCodeLeftArrow, KeyCodeUpArrow, KeyCodeHome }, "p0", "" },
        IconKeysCase { { KeyCodeRightArrow, KeyCodeRightArrow, KeyCodeRightArrow }, "p0 p1 p2 p3", "" },
        IconKeysCase { { KeyCodeDownArrow, KeyCodeDownArrow, KeyCodeDownArrow }, "p0 p3 p6", "" },
        IconKeysCase { { KeyCodeRightArrow, KeyCodeRightArrow, KeyCodeDownArrow }, "p0 p1 p2 p5", "" },
        IconKeysCase { { KeyCodeDownArrow, KeyCodeRightArrow, KeyCodeUpArrow }, "p0 p3 p4 p1", "" },
        IconKeysCase { { KeyCodeEnd, KeyCodeRightArrow, KeyCodeHome }, "p0 p8 p0", "" },
        IconKeysCase { { KeyCodeRightArrow, KeyCodeReturn }, "p0 p1", "p1" }, IconKeysCase { { KeyCodeEnd, KeyCodeSpace }, "p0 p8", "p8" }));

TEST(IconViewDragging, OnlyLocalDragsAreAllowed)
{
    auto view = make<JVLPrefPaneIconView>();
    EXPECT_EQ(view->draggingSourceOperationMaskForLocal(false), std::uint64_t(DragOperationNone));
    EXPECT_EQ(view->draggingSourceOperationMaskForLocal(true), std::uint64_t(DragOperationEvery));
    EXPECT_TRUE(view->ignoreModifierKeysWhileDragging());
}

} // namespace
