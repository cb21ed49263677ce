// The gallery window's page list and page area in a small window: every page can be picked with
// the wheel and with the arrow keys, and a page keeps its size, the area scrolling instead.

#include "JVLAppKit/JVLTableGrid/JVLTableGrid.h"
#include "gallery/GalleryPage.h"
#include "gallery/PageList.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/text/TextView.h"
#include "kit/testsupport/EventScript.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace kit;

constexpr double ListWidth = 180;
constexpr Size PageSize { 900, 600 };

std::vector<GalleryPage> pages(int count)
{
    std::vector<GalleryPage> out;
    for (int i = 0; i < count; ++i)
        out.push_back({ QStringLiteral("p%1").arg(i), QStringLiteral("Page %1").arg(i), [](Rect frame) {
                           auto page = make<View>(frame);
                           page->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
                           return page;
                       } });
    return out;
}

class GalleryPageList : public testing::Test {
protected:
    void open(Size size, int count = 24)
    {
        window = make<Window>(MakeRect(0, 0, size.width, size.height), TitledWindowMask | ResizableWindowMask);
        list = addPageListAndArea(window->contentView().get(), ListWidth, PageSize, pages(count));
        window->makeFirstResponder(list.get());
        window->makeKeyAndOrderFront();
    }
    void TearDown() override
    {
        if (window)
            window->close();
    }
    ScrollView& listArea() { return dynamic_cast<ScrollView&>(*list->superview()->superview()); }
    // The page shown, and the scroll view it sits in.
    Ref<View> page() { return pageArea().documentView()->subviews().front(); }
    ScrollView& pageArea()
    {
        for (const Ref<View>& v : window->contentView()->subviews())
            if (auto* area = dynamic_cast<ScrollView*>(v.get()); area && area->documentView().get() != list.get())
                return *area;
        throw std::logic_error("no page area");
    }
    bool rowShows(int row)
    {
        const Rect visible = listArea().documentVisibleRect();
        const Rect r = list->rectOfRow(row);
        return r.minY() >= visible.minY() && r.maxY() <= visible.maxY();
    }

    Ref<Window> window;
    Ref<PageList> list;
};

TEST_F(GalleryPageList, DownReachesEveryPageAndKeepsItsRowInView)
{
    open(MakeSize(400, 300));
    test::EventScript script(window.get());
    for (int row = 1; row < 24; ++row) {
        script.key(KeyCodeDownArrow);
        script.run();
        ASSERT_EQ(list->selectedRow(), row);
        EXPECT_TRUE(rowShows(row)) << "row " << row;
    }
    script.key(KeyCodeDownArrow);
    script.run();
    EXPECT_EQ(list->selectedRow(), 23) << "Down on the last row stays there";
    script.key(KeyCodeHome);
    script.run();
    EXPECT_EQ(list->selectedRow(), 0);
    EXPECT_TRUE(rowShows(0));
    script.key(KeyCodeEnd);
    script.run();
    EXPECT_EQ(list->selectedRow(), 23);
    EXPECT_TRUE(rowShows(23));
    script.key(KeyCodeUpArrow);
    script.run();
    EXPECT_EQ(list->selectedRow(), 22);
}

// Pages that give one of their views the focus take it only from nobody: the arrows walk the
// gallery's own pages end to end, and the list takes the focus back when it leaves with a page.
TEST_F(GalleryPageList, TheArrowsWalkEveryGalleryPageAndFocusNeverGoesWithAPage)
{
    window = make<Window>(MakeRect(0, 0, 1100, 700), TitledWindowMask | ResizableWindowMask);
    const std::vector<GalleryPage> all = galleryPages();
    list = addPageListAndArea(window->contentView().get(), ListWidth, PageSize, all);
    window->makeFirstResponder(list.get());
    window->makeKeyAndOrderFront();
    test::EventScript script(window.get());
    for (int row = 1; row < int(all.size()); ++row) {
        script.key(KeyCodeDownArrow);
        script.run();
        ASSERT_EQ(list->selectedRow(), row) << all[std::size_t(row)].title.toStdString();
        EXPECT_EQ(window->firstResponder().get(), list.get()) << all[std::size_t(row)].title.toStdString();
    }
    // Shown while nothing has the focus, the source list page gives it to its outline; when the
    // page goes, the list has it again.
    const auto sources = std::find_if(all.begin(), all.end(), [](const GalleryPage& p) { return p.title == QStringLiteral("Source list"); });
    ASSERT_NE(sources, all.end());
    list->selectRow(0);
    window->makeFirstResponder(nullptr);
    list->selectRow(int(sources - all.begin()));
    ASSERT_NE(window->firstResponder().get(), list.get());
    ASSERT_NE(window->firstResponder().get(), window.get());
    list->selectRow(0);
    EXPECT_EQ(window->firstResponder().get(), list.get());
}

bool hasKeyView(const View* view)
{
    return view->canBecomeKeyView() || std::ranges::any_of(view->subviews(), [](const Ref<View>& v) { return hasKeyView(v.get()); });
}

// The keyboard alone reaches every page: from the list, Tab lands on a control of the page, and
// Tab (Shift+Tab) from there comes back round to the list, whatever order a page sets for its own
// controls; the window itself never ends up holding the focus. A control may keep Tab for its own
// parts (a tab bar's tabs and close buttons); only a text that takes Tab as text, and the grid,
// whose Tab moves between cells, are left with Ctrl+Tab, as their user would.
TEST_F(GalleryPageList, TabAndShiftTabFromTheListGoThroughEveryPageAndBack)
{
    window = make<Window>(MakeRect(0, 0, ListWidth + PageSize.width, PageSize.height), TitledWindowMask | ResizableWindowMask);
    const std::vector<GalleryPage> all = galleryPages();
    list = addPageListAndArea(window->contentView().get(), ListWidth, PageSize, all);
    window->makeKeyAndOrderFront();
    test::EventScript script(window.get());
    const auto press = [&](std::uint64_t flags) {
        script.key(KeyCodeTab, {}, flags);
        script.run();
        return window->firstResponder();
    };
    constexpr int OwnParts = 24;
    const auto keepsTab = [](const Responder* r) {
        const auto* text = dynamic_cast<const TextView*>(r);
        return (text && text->isEditable() && !text->isFieldEditor()) || dynamic_cast<const JVLTableGrid*>(r);
    };
    for (std::size_t row = 0; row < all.size(); ++row) {
        list->selectRow(int(row));
        for (const std::uint64_t back : { std::uint64_t(0), std::uint64_t(ShiftKeyMask) }) {
            const std::string where = all[row].title.toStdString() + (back ? ", Shift+Tab" : ", Tab");
            window->makeFirstResponder(list.get());
            Ref<Responder> at = press(back);
            if (!hasKeyView(page().get())) {
                EXPECT_EQ(at.get(), list.get()) << where << ": a page without controls leaves the focus in the list";
                continue;
            }
            const auto* view = dynamic_cast<const View*>(at.get());
            EXPECT_TRUE(view && view->isDescendantOf(page().get())) << where << ": Tab from the list stays outside the page";
            int steps = 0;
            for (int same = 0; at.get() != list.get() && at.get() != window.get() && steps < 200; ++steps) {
                const Ref<Responder> next = press(keepsTab(at.get()) ? back | CommandKeyMask : back);
                same = next == at ? same + 1 : 0;
                if (same > OwnParts) {
                    ADD_FAILURE() << where << ": stuck on " << stringFromClass(at->class_()).toStdString() << " after " << steps << " steps";
                    break;
                }
                at = next;
            }
            EXPECT_NE(at.get(), window.get()) << where << ": the window took the focus after " << steps << " steps";
            EXPECT_EQ(at.get(), list.get()) << where << ": never back at the list";
        }
    }
}

// As a screen reader hears the list: a list named "Pages" of list items named by their pages; each
// arrow gives one focus event, for the row now current (even one no client has asked about yet),
// which says it is selected and focused; the list says its selection changed.
TEST_F(GalleryPageList, TheArrowsAnnounceTheCurrentRowAsAFocusedSelectedListItem)
{
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    QAccessible::setActive(true);
    open(MakeSize(400, 300));
    QAccessibleInterface* listInterface = AccessibilityBridge::interfaceFor(Value(list));
    ASSERT_NE(listInterface, nullptr);
    EXPECT_EQ(listInterface->role(), QAccessible::List);
    EXPECT_EQ(listInterface->text(QAccessible::Name), QStringLiteral("Pages"));
    QAccessibleInterface* first = listInterface->child(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->role(), QAccessible::ListItem);
    EXPECT_EQ(first->text(QAccessible::Name), QStringLiteral("Page 0"));
    EXPECT_TRUE(first->state().selected && first->state().focused && first->state().focusable);
    EXPECT_EQ(listInterface->focusChild(), first);

    test::EventScript script(window.get());
    const std::pair<std::uint16_t, int> steps[] = { { KeyCodeDownArrow, 1 }, { KeyCodeEnd, 23 }, { KeyCodeUpArrow, 22 } };
    for (const auto& [key, row] : steps) {
        test::events().clear();
        script.key(key);
        script.run();
        const std::vector<const QAccessibleInterface*> focused = test::eventsOf(QAccessible::Focus);
        ASSERT_EQ(focused.size(), 1u) << "row " << row;
        const QAccessibleInterface* current = focused.front();
        EXPECT_EQ(current->role(), QAccessible::ListItem);
        EXPECT_EQ(current->text(QAccessible::Name), QStringLiteral("Page %1").arg(row));
        EXPECT_TRUE(current->state().selected) << "row " << row;
        EXPECT_TRUE(current->state().focused) << "row " << row;
        EXPECT_EQ(test::eventsOf(QAccessible::SelectionWithin), std::vector<const QAccessibleInterface*> { listInterface }) << "row " << row;
    }
    EXPECT_FALSE(first->state().selected);
    EXPECT_FALSE(first->state().focused);
    QAccessible::setActive(false);
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

TEST_F(GalleryPageList, TheWheelBringsTheLastRowIntoReachAndAClickPicksIt)
{
    open(MakeSize(400, 300));
    test::EventScript script(window.get());
    ASSERT_FALSE(rowShows(23));
    for (int i = 0; i < 40; ++i)
        script.scroll(MakePoint(ListWidth / 2, 150), 0, -3);
    script.run();
    ASSERT_TRUE(rowShows(23));
    // The last row, in window coordinates.
    const Rect last = list->convertRectToView(list->rectOfRow(23), nullptr);
    script.click(MakePoint(last.midX(), last.midY()));
    script.run();
    EXPECT_EQ(list->selectedRow(), 23);
}

TEST_F(GalleryPageList, ASmallWindowScrollsThePageInsteadOfSqueezingIt)
{
    open(MakeSize(400, 300));
    EXPECT_EQ(page()->frame().size, PageSize);
    EXPECT_TRUE(pageArea().verticalScroller()->superview());
    EXPECT_TRUE(pageArea().horizontalScroller()->superview());
    // The top of the page shows first.
    EXPECT_DOUBLE_EQ(pageArea().documentVisibleRect().minY(), 0);

    window->setFrameDisplay(MakeRect(0, 0, ListWidth + 1100, 800), true);
    EXPECT_EQ(page()->frame().size, MakeSize(1100, 800)) << "a larger window gives the page the room";
    EXPECT_FALSE(pageArea().verticalScroller()->superview());
    EXPECT_FALSE(pageArea().horizontalScroller()->superview());
}

} // namespace
