#include "SRScopeBarTestSupport.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"
#include "kit/testsupport/PixelProbe.h"
#include "kit/testsupport/ScriptedMenuPresenter.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace kit;

// A bar across a window's content, with an event script on the window.
class ScopeBarEvents : public testing::Test, protected SRBarInWindow {
protected:
    void SetUp() override
    {
        setUpBarInWindow();
        script.emplace(window.get());
        window->display();
        RunLoop::main().runPending();
    }
    void TearDown() override
    {
        script.reset();
        bar->setDelegate(nullptr);
        window->orderOut();
        window->setContentView(nullptr);
        srTestWidths().clear();
    }
    // The centre of a rectangle of the bar, in window coordinates.
    Point inWindow(Rect r) const { return bar->convertPointToView(MakePoint(r.midX(), r.midY()), nullptr); }
    // Too narrow for its groups, which may not collapse: the rest goes into the overflow pull-down.
    Ref<SRTestDelegate> showOverflow()
    {
        auto delegate = make<SRTestDelegate>();
        delegate->implemented = { "scopeBarShouldCollapseGroup" };
        delegate->shouldCollapse = [](SRScopeBarGroup*) { return false; };
        bar->setDelegate(delegate.get());
        bar->setFrameSize(MakeSize(150, 25));
        window->display();
        RunLoop::main().runPending();
        return delegate;
    }
    void run()
    {
        script->run();
        window->display();
    }
    // Kept collapsed: without auto-resizing the layout never expands it.
    void collapseGroup(std::int64_t index)
    {
        bar->setAutoResizesGroups(false);
        bar->groupAtIndex(index)->setCollapsed(true);
        bar->reloadData();
        window->display();
        RunLoop::main().runPending();
    }
    std::optional<test::EventScript> script;
};

TEST_F(ScopeBarEvents, HoverMakesOneTrackingCellAndLeavingDropsIt)
{
    const auto& g0 = *bar->groupHelpers()[0];
    script->mouseMoved(inWindow(g0.buttonRects()[1]));
    run();
    EXPECT_EQ(g0.trackingIndex(), 1);
    auto cell = dynamic_pointer_cast<SRButtonCell>(g0.trackingCell());
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->mouseOver());
    EXPECT_EQ(cell->title(), QStringLiteral("Images"));
    script->mouseMoved(MakePoint(395, 5));
    run();
    EXPECT_EQ(g0.trackingIndex(), -1);
    EXPECT_FALSE(g0.trackingCell());
    EXPECT_FALSE(cell->mouseOver());
}

TEST_F(ScopeBarEvents, ClickSelectsAndAPressLeavingTheButtonChangesNothing)
{
    const auto& g0 = *bar->groupHelpers()[0];
    const Point images = inWindow(g0.buttonRects()[1]);
    SRNotificationLog log;
    script->mouseMoved(images).mouseDown(images).mouseDragged(MakePoint(images.x, 5)).mouseUp(MakePoint(images.x, 5));
    run();
    EXPECT_EQ(bar->groupAtIndex(0)->selectionIndexes(), IndexSet(0));
    EXPECT_TRUE(log.notes.empty());
    script->mouseMoved(images).mouseDown(images).mouseUp(images);
    run();
    EXPECT_EQ(bar->groupAtIndex(0)->selectionIndexes(), IndexSet(1));
    EXPECT_EQ(log.notes.size(), 1u);
}

TEST_F(ScopeBarEvents, VetoedPressNeverHighlights)
{
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarShouldSelectObject" };
    delegate->shouldSelect = [](const Value&) { return false; };
    bar->setDelegate(delegate.get());
    const Point images = inWindow(bar->groupHelpers()[0]->buttonRects()[1]);
    SRTableButtonCell::highlighted = 0;
    script->mouseMoved(images).mouseDown(images).mouseUp(images);
    run();
    EXPECT_EQ(delegate->calls, QStringList({ "select:Images" }));
    EXPECT_EQ(SRTableButtonCell::highlighted, 0);
    EXPECT_EQ(bar->groupAtIndex(0)->selectionIndexes(), IndexSet(0));
}

TEST_F(ScopeBarEvents, CollapsedGroupChoosesThroughItsPopUp)
{
    test::MenuScope menus;
    collapseGroup(1);
    const auto& g1 = *bar->groupHelpers()[1];
    ASSERT_TRUE(bar->groupAtIndex(1)->isCollapsed());
    const Point popUp = inWindow(g1.buttonRect());
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarShouldSelectObject" };
    delegate->shouldSelect = [](const Value& v) { return v.stringValue() != QStringLiteral("Large"); };
    bar->setDelegate(delegate.get());

    // Refused: nothing changes, and the pointer still over the button keeps a tracking cell.
    menus.presenter->choices.push_back(1);
    script->mouseMoved(popUp).mouseDown(popUp).mouseUp(popUp);
    run();
    ASSERT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_EQ(menus.presenter->sessions[0].titles, QStringList({ "Small", "Large" }));
    EXPECT_EQ(bar->groupAtIndex(1)->selectionIndexes(), IndexSet(0));
    EXPECT_TRUE(delegate->calls.contains(QStringLiteral("select:Large")));

    delegate->shouldSelect = nullptr;
    menus.presenter->choices.push_back(1);
    script->mouseDown(popUp).mouseUp(popUp);
    run();
    EXPECT_EQ(bar->groupAtIndex(1)->selectionIndexes(), IndexSet(1));
}

// One move from a button of the second group straight onto the collapsed pop-up of the first,
// whose area comes earlier: the pop-up hears its entry before the button its exit.
TEST_F(ScopeBarEvents, APopUpEnteredStraightFromAButtonOpensOnPress)
{
    test::MenuScope menus;
    srTestWidths()[QStringLiteral("popup:All")] = 60;
    collapseGroup(0);
    const auto& g0 = *bar->groupHelpers()[0];
    const auto& g1 = *bar->groupHelpers()[1];
    ASSERT_TRUE(bar->groupAtIndex(0)->isCollapsed());
    const Point large = inWindow(g1.buttonRects()[1]);
    const Point popUp = inWindow(g0.buttonRect());
    script->mouseMoved(large).mouseMoved(popUp).mouseDown(popUp).mouseUp(popUp);
    run();
    EXPECT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_FALSE(g1.trackingCell());
    script->mouseDown(popUp).mouseUp(popUp);
    run();
    EXPECT_EQ(menus.presenter->sessions.size(), 2u) << "and later presses too";
}

// An exit goes to the group whose area it names, whatever is tracked now.
TEST_F(ScopeBarEvents, AnExitLeavesOnlyTheGroupOfItsArea)
{
    const auto& g0 = *bar->groupHelpers()[0];
    const auto& g1 = *bar->groupHelpers()[1];
    Ref<TrackingArea> images;
    for (const auto& area : bar->trackingAreas())
        if (area->rect() == g0.buttonRects()[1])
            images = area;
    ASSERT_TRUE(images);
    const auto event = [&](EventType type, Point at, TrackingArea* area) {
        Event::Fields f;
        f.type = type;
        f.location = at;
        f.window = Weak<Window>(window.get());
        f.trackingArea = Weak<TrackingArea>(area);
        return make<Event>(std::move(f));
    };
    const Point small = inWindow(g1.buttonRects()[0]);
    bar->mouseEntered(*event(MouseEntered, inWindow(g0.buttonRects()[1]), images.get()));
    bar->mouseEntered(*event(MouseEntered, small, nullptr));
    ASSERT_EQ(g1.trackingIndex(), 0);
    bar->mouseExited(*event(MouseExited, small, images.get()));
    EXPECT_FALSE(g0.trackingCell());
    EXPECT_EQ(g1.trackingIndex(), 0);
    EXPECT_TRUE(g1.trackingCell());
}

// The overflow pull-down, installed first, entered in one move from a button.
TEST_F(ScopeBarEvents, TheOverflowEnteredStraightFromAButtonOpensOnPress)
{
    test::MenuScope menus;
    const auto delegate = showOverflow();
    ASSERT_TRUE(bar->showsOverflowPullDown());
    const auto& g0 = *bar->groupHelpers()[0];
    ASSERT_FALSE(g0.isPeeled());
    const Point button = inWindow(g0.buttonRects()[0]);
    const Point overflow = inWindow(bar->overflowPullDownRect());
    script->mouseMoved(button).mouseMoved(overflow).mouseDown(overflow).mouseUp(overflow);
    run();
    EXPECT_EQ(menus.presenter->sessions.size(), 1u);
    EXPECT_FALSE(g0.trackingCell());
}

// Equal objects in two groups: the chosen overflow item selects in its own group.
TEST_F(ScopeBarEvents, OverflowChoiceSelectsInTheItemsOwnGroup)
{
    test::MenuScope menus;
    srTestWidths() = { { "All", 40 }, { "x", 40 }, { "y", 40 } };
    auto narrow = makeTableBar(60, source.get(), { { "All", "x" }, { "All", "y" } });
    narrow->setMinimumButtonWidth(40);
    auto delegate = make<SRTestDelegate>();
    delegate->implemented = { "scopeBarShouldCollapseGroup" };
    delegate->shouldCollapse = [](SRScopeBarGroup*) { return false; };
    narrow->setDelegate(delegate.get());
    narrow->groupAtIndex(0)->selectObjectWithIndex(1);
    narrow->groupAtIndex(1)->selectObjectWithIndex(1);
    narrow->layoutIfNeeded();
    const auto items = narrow->overflowPullDownCell()->itemArray();
    std::int64_t secondAll = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i]->title() == QStringLiteral("All") && items[i]->tag() == 1)
            secondAll = std::int64_t(i);
    ASSERT_GE(secondAll, 0);
    menus.presenter->choices.push_back(secondAll);
    narrow->overflowPullDownCell()->performClickWithFrameInView(narrow->overflowPullDownRect(), narrow.get());
    EXPECT_EQ(narrow->groupAtIndex(1)->selectionIndexes(), IndexSet(0));
    EXPECT_EQ(narrow->groupAtIndex(0)->selectionIndexes(), IndexSet(1));
    narrow->setDelegate(nullptr);
}

TEST_F(ScopeBarEvents, TrackingAreasFollowAResizeWithoutAStaleLayout)
{
    bar->setFrameSize(MakeSize(200, 25));
    // The kit asks for areas on its own after the change; the layout runs first.
    bar->updateTrackingAreas();
    // At 200 points the second group is collapsed: its one area is its pop-up's rectangle.
    const auto& g1 = *bar->groupHelpers()[1];
    ASSERT_TRUE(bar->groupAtIndex(1)->isCollapsed());
    std::vector<Rect> rects;
    for (const auto& area : bar->trackingAreas())
        rects.push_back(area->rect());
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[2], g1.buttonRect());
    EXPECT_EQ(rects[2].width(), 60);
    EXPECT_LT(g1.frame().maxX(), 200);
}

// Only the keyboard's current button wears the ring: none after a click, and it follows the
// arrows from the clicked button on.
TEST_F(ScopeBarEvents, TheKeyboardsCurrentButtonShowsTheFocusRing)
{
    const auto& g0 = *bar->groupHelpers()[0];
    const auto& g1 = *bar->groupHelpers()[1];
    // Just left of a button, where a ring round it shows and nothing else draws.
    const auto besideLeft = [&](Rect r) { return bar->convertPointToView(MakePoint(r.minX() - 1.5, r.midY()), nullptr); };
    const Point beside[] = { besideLeft(g0.buttonRects()[0]), besideLeft(g0.buttonRects()[1]), besideLeft(g1.buttonRects()[0]) };
    const QImage plain = window->snapshot();
    const auto ringed = [&](const QImage& shot) {
        std::vector<bool> rings;
        for (const Point p : beside)
            rings.push_back(test::basePixel(shot, p) != test::basePixel(plain, p));
        return rings;
    };
    const Point images = inWindow(g0.buttonRects()[1]);
    script->mouseMoved(images).mouseDown(images).mouseUp(images).mouseMoved(MakePoint(395, 5));
    run();
    ASSERT_EQ(window->firstResponder().get(), bar.get());
    EXPECT_EQ(ringed(window->snapshot()), (std::vector<bool> { false, false, false })) << "a click leaves no ring";
    script->key(KeyCodeRightArrow);
    run();
    EXPECT_EQ(ringed(window->snapshot()), (std::vector<bool> { false, false, true }));
    script->key(KeyCodeLeftArrow);
    run();
    EXPECT_EQ(ringed(window->snapshot()), (std::vector<bool> { false, true, false }));
    window->makeFirstResponder(nullptr);
    window->display();
    EXPECT_EQ(ringed(window->snapshot()), (std::vector<bool> { false, false, false })) << "the focus went";
}

// The ring stays inside the bar: when it moves on, nothing of it is left outside.
TEST_F(ScopeBarEvents, TheRingLeavesNothingOutsideTheBar)
{
    // Hardly taller than its buttons: a ring round one reaches the bar's edges.
    bar->setFrameSize(MakeSize(400, 21));
    window->display();
    const QImage plain = window->snapshot();
    ASSERT_TRUE(window->makeFirstResponder(bar.get()));
    window->display();
    script->key(KeyCodeRightArrow).key(KeyCodeRightArrow);
    run();
    const QImage moved = window->snapshot();
    const Rect inBar = bar->convertRectToView(bar->bounds(), nullptr);
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            if (PointInRect(MakePoint(x + 0.5, y + 0.5), inBar))
                continue;
            const int row = plain.height() - 1 - y;
            ASSERT_TRUE(test::pixelIs(moved, x, row, test::pixel(plain, x, row), 0)) << "at " << x << ", " << y;
        }
}

// The overflow pull-down wears the ring only as the current element, never for the bar as a whole.
TEST_F(ScopeBarEvents, TheOverflowShowsTheRingOnlyWhenCurrent)
{
    const auto delegate = showOverflow();
    ASSERT_TRUE(bar->showsOverflowPullDown());
    const Rect overflow = bar->convertRectToView(bar->overflowPullDownRect(), nullptr);
    const auto region = [&](const QImage& shot) {
        return shot.copy(QRect(int(overflow.minX()), int(shot.height() - overflow.maxY()), int(overflow.width()), int(overflow.height())));
    };
    const QImage plain = region(window->snapshot());
    ASSERT_TRUE(window->makeFirstResponder(bar.get()));
    window->display();
    EXPECT_EQ(region(window->snapshot()), plain) << "the first button is current";
    for (std::int64_t i = 1; i < bar->accessibilityAttributeValue(AccessibilityChildrenAttribute).array().count(); ++i)
        script->key(KeyCodeRightArrow);
    run();
    EXPECT_NE(region(window->snapshot()), plain) << "the overflow is current";
}

// The keyboard goes on from the button the mouse chose, and a one-choice group draws one button
// selected, the one under the mouse included.
struct ClickThenKeysCase {
    const char* name;
    const char* clicked;
    std::vector<std::uint16_t> arrows;
    std::int64_t chosen;
};

class ScopeBarClickThenKeys : public ScopeBarEvents, public testing::WithParamInterface<ClickThenKeysCase> { };

TEST_P(ScopeBarClickThenKeys, TheKeysGoOnFromTheClickedButtonAndOneButtonIsLit)
{
    const ClickThenKeysCase& c = GetParam();
    const QStringList kinds { "All", "Images", "Documents", "Movies", "Music" };
    source->groups[0].clear();
    for (const QString& kind : kinds)
        source->groups[0].emplace_back(kind);
    bar->reloadData();
    window->display();
    RunLoop::main().runPending();
    const auto& g0 = *bar->groupHelpers()[0];
    ASSERT_EQ(g0.buttonRects().size(), 5u);
    const Point clicked = inWindow(g0.buttonRects()[std::size_t(kinds.indexOf(QString::fromUtf8(c.clicked)))]);
    script->mouseMoved(clicked).mouseDown(clicked).mouseUp(clicked);
    for (const std::uint16_t arrow : c.arrows)
        script->key(arrow);
    script->key(KeyCodeSpace, QStringLiteral(" "));
    run();
    EXPECT_EQ(bar->groupAtIndex(0)->selectionIndexes(), IndexSet(c.chosen));
    // The pointer still rests on the clicked button: its cell is the one drawn there.
    for (std::int64_t i = 0; i < 5; ++i) {
        const Ref<SRButtonCell> drawn = dynamic_pointer_cast<SRButtonCell>(
            i == g0.trackingIndex() ? g0.trackingCell() : Ref<Cell>(bar->preparedButtonCellForGroupObject(0, i)));
        ASSERT_TRUE(drawn) << i;
        EXPECT_EQ(drawn->selected(), i == c.chosen) << kinds[i].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ScopeBarClickThenKeys,
    testing::Values(ClickThenKeysCase { "MoviesRight", "Movies", { KeyCodeRightArrow }, 4 },
        ClickThenKeysCase { "AllRightRight", "All", { KeyCodeRightArrow, KeyCodeRightArrow }, 2 },
        ClickThenKeysCase { "MusicLeft", "Music", { KeyCodeLeftArrow }, 3 }),
    [](const testing::TestParamInfo<ClickThenKeysCase>& info) { return std::string(info.param.name); });

} // namespace
