#include "kit/appkit/TrackingArea.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kit;

// A tracking-area owner that is not a view, as a cell would be.
class Owner : public Object, public MouseTrackingTarget {
public:
    void mouseEntered(const Event& e) override { record("entered", e); }
    void mouseExited(const Event& e) override { record("exited", e); }
    void mouseMoved(const Event&) override { log.push_back("moved"); }
    void cursorUpdate(const Event&) override { log.push_back("cursor"); }
    void record(const char* what, const Event& e)
    {
        log.push_back(what);
        tags.push_back(e.trackingNumber());
        data.push_back(e.userData());
    }
    std::vector<std::string> log;
    std::vector<std::int64_t> tags;
    std::vector<const void*> data;
};

class Tracking : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(0, 0, 200, 100), TitledWindowMask);
        view = make<View>(MakeRect(50, 0, 100, 100));
        window->contentView()->addSubview(view.get());
        window->makeKeyAndOrderFront();
        owner = make<Owner>();
    }
    void TearDown() override { Application::resetForTesting(); }

    Ref<Window> window;
    Ref<View> view;
    Ref<Owner> owner;
};

TEST_F(Tracking, EnteredAndExitedOnStateFlipsOnly)
{
    auto area = make<TrackingArea>(
        MakeRect(0, 0, 50, 50), TrackingMouseEnteredAndExited | TrackingMouseMoved | TrackingActiveAlways, owner.get());
    view->addTrackingArea(area.get());
    kit::test::EventScript script(window.get());
    script.mouseMoved(MakePoint(10, 10)).mouseMoved(MakePoint(60, 10)).mouseMoved(MakePoint(70, 20)).mouseMoved(MakePoint(120, 20));
    script.run();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "entered", "moved", "exited" }));
}

TEST_F(Tracking, OneMoveSendsItsExitsBeforeItsEntries)
{
    // Two touching areas of one owner; the pointer jumps from the later-installed one to the other.
    const int leftData = 1;
    const int rightData = 2;
    const auto options = TrackingMouseEnteredAndExited | TrackingActiveAlways;
    auto left = make<TrackingArea>(MakeRect(0, 0, 50, 50), options, owner.get(), &leftData);
    auto right = make<TrackingArea>(MakeRect(50, 0, 50, 50), options, owner.get(), &rightData);
    view->addTrackingArea(left.get());
    view->addTrackingArea(right.get());
    kit::test::EventScript script(window.get());
    script.mouseMoved(MakePoint(120, 10)).mouseMoved(MakePoint(60, 10)).mouseMoved(MakePoint(120, 10));
    script.run();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "entered", "exited", "entered", "exited", "entered" }));
    EXPECT_EQ(owner->data, (std::vector<const void*> { &rightData, &rightData, &leftData, &leftData, &rightData }));
}

TEST_F(Tracking, AssumeInsideStartsInsideSoTheFirstMoveOutsideExits)
{
    kit::test::EventScript script(window.get());
    int data = 0;
    const std::int64_t tag = view->addTrackingRectOwnerUserDataAssumeInside(MakeRect(0, 0, 50, 50), owner.get(), &data, true);
    EXPECT_NE(tag, 0);
    script.mouseMoved(MakePoint(10, 10));
    script.run();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "exited" }));
    EXPECT_EQ(owner->tags, (std::vector<std::int64_t> { tag }));
    EXPECT_EQ(owner->data, (std::vector<const void*> { &data }));
    view->removeTrackingRect(tag);
    view->removeTrackingRect(12345); // unknown tags are harmless
    script.mouseMoved(MakePoint(60, 10));
    script.run();
    EXPECT_EQ(owner->log.size(), 1u);
}

TEST_F(Tracking, NothingIsSentWhileAButtonIsHeldUnlessAskedAndMouseUpReconciles)
{
    auto plain = make<TrackingArea>(MakeRect(0, 0, 50, 50), TrackingMouseEnteredAndExited | TrackingActiveAlways, owner.get());
    auto dragOwner = make<Owner>();
    auto duringDrag = make<TrackingArea>(
        MakeRect(0, 0, 50, 50), TrackingMouseEnteredAndExited | TrackingActiveAlways | TrackingEnabledDuringMouseDrag, dragOwner.get());
    view->addTrackingArea(plain.get());
    view->addTrackingArea(duringDrag.get());
    kit::test::EventScript script(window.get());
    script.mouseDown(MakePoint(10, 10)).mouseDragged(MakePoint(60, 10)).mouseDragged(MakePoint(120, 10)).mouseDragged(MakePoint(70, 10));
    script.run();
    EXPECT_TRUE(owner->log.empty());
    EXPECT_EQ(dragOwner->log, (std::vector<std::string> { "entered", "exited", "entered" }));
    script.mouseUp(MakePoint(70, 10));
    script.run();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "entered" }));
}

TEST_F(Tracking, InactiveAreasWaitAndHiddenViewsAreNotTracked)
{
    auto keyOnly = make<TrackingArea>(MakeRect(0, 0, 50, 50), TrackingMouseEnteredAndExited | TrackingActiveInKeyWindow, owner.get());
    view->addTrackingArea(keyOnly.get());
    kit::test::EventScript script(window.get());
    Application::sharedApplication()->setActive(false);
    script.mouseMoved(MakePoint(60, 10));
    script.run();
    EXPECT_TRUE(owner->log.empty());
    Application::sharedApplication()->setActive(true);
    script.mouseMoved(MakePoint(61, 10));
    script.run();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "entered" }));
    view->setHidden(true);
    script.mouseMoved(MakePoint(10, 10)).mouseMoved(MakePoint(62, 10));
    script.run();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "entered", "exited" })); // hiding exits, once
}

// What changes under a resting pointer, with no mouse event.
struct Change {
    const char* name;
    std::function<void(View*)> apply;
};

class ChangeUnderPointer : public Tracking, public testing::WithParamInterface<Change> { };

TEST_P(ChangeUnderPointer, ExitsOnceWithTheAreaAndItsData)
{
    int data = 0;
    auto area = make<TrackingArea>(MakeRect(0, 0, 50, 50), TrackingMouseEnteredAndExited | TrackingActiveAlways, owner.get(), &data);
    view->addTrackingArea(area.get());
    kit::test::EventScript script(window.get());
    script.mouseMoved(MakePoint(60, 10));
    script.run();
    ASSERT_EQ(owner->log, (std::vector<std::string> { "entered" }));
    GetParam().apply(view.get());
    RunLoop::main().runPending();
    RunLoop::main().runPending();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "entered", "exited" }));
    EXPECT_EQ(owner->data.back(), &data);
    EXPECT_EQ(owner->tags.back(), area->trackingNumber());
}

INSTANTIATE_TEST_SUITE_P(Tracking, ChangeUnderPointer,
    testing::Values(Change { "Moved", [](View* v) { v->setFrameOrigin(MakePoint(150, 0)); } },
        Change { "Hidden", [](View* v) { v->setHidden(true); } }, Change { "Removed", [](View* v) { v->removeFromSuperview(); } },
        Change { "Scrolled", [](View* v) { v->setBoundsOrigin(MakePoint(0, 60)); } }),
    [](const testing::TestParamInfo<Change>& info) { return std::string(info.param.name); });

TEST_F(Tracking, ANewAreaStartsFromThePointerEvenWhenItLastMovedElsewhere)
{
    kit::test::EventScript script(window.get());
    script.mouseMoved(MakePoint(60, 10));
    script.run();
    // The pointer went on to another window: this one's last position is stale.
    InputState::shared().mouseLocation = window->convertBaseToScreen(MakePoint(-500, -500));
    view->addTrackingArea(
        make<TrackingArea>(MakeRect(0, 0, 50, 50), TrackingMouseEnteredAndExited | TrackingActiveAlways, owner.get()).get());
    script.mouseMoved(MakePoint(61, 10));
    script.run();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "entered" }));
}

TEST_F(Tracking, AScrollUpdatesTheAreasOfTheWholeDocumentOnce)
{
    struct Updating : View {
        using View::View;
        int updates = 0;
        void updateTrackingAreas() override { ++updates; }
    };
    auto clip = make<ClipView>(MakeRect(0, 0, 100, 100));
    window->contentView()->addSubview(clip.get());
    auto document = make<View>(MakeRect(0, 0, 300, 300));
    clip->setDocumentView(document.get());
    auto leaf = make<Updating>(MakeRect(10, 10, 10, 10));
    document->addSubview(leaf.get());
    kit::test::EventScript script(window.get());
    script.mouseMoved(MakePoint(1, 1));
    script.run();
    const int before = leaf->updates;
    clip->scrollToPoint(MakePoint(0, 50));
    clip->scrollToPoint(MakePoint(0, 60));
    script.mouseMoved(MakePoint(2, 2));
    script.run();
    EXPECT_EQ(leaf->updates, before + 1);
}

TEST_F(Tracking, UpdateTrackingAreasIsCoalescedBeforeTheNextMouseEvent)
{
    struct Updating : View {
        using View::View;
        int updates = 0;
        void updateTrackingAreas() override { ++updates; }
    };
    auto v = make<Updating>(MakeRect(0, 0, 10, 10));
    window->contentView()->addSubview(v.get());
    v->setFrameOrigin(MakePoint(5, 5));
    v->setFrameSize(MakeSize(20, 20));
    EXPECT_EQ(v->updates, 0);
    kit::test::EventScript script(window.get());
    script.mouseMoved(MakePoint(1, 1));
    script.run();
    EXPECT_EQ(v->updates, 1); // joining the window and two geometry changes: one call
    v->setHidden(true);
    v->setHidden(false);
    script.mouseMoved(MakePoint(2, 2));
    script.run();
    EXPECT_EQ(v->updates, 2);
}

TEST_F(Tracking, TheTopmostCursorRectWins)
{
    struct CursorView : View {
        CursorView(Rect frame, Ref<Cursor> cursor)
            : View(frame)
            , cursor(std::move(cursor))
        { }
        void resetCursorRects() override { addCursorRect(bounds(), cursor.get()); }
        Ref<Cursor> cursor;
    };
    auto ibeam = make<Cursor>(Qt::IBeamCursor);
    auto hand = make<Cursor>(Qt::PointingHandCursor);
    auto back = make<CursorView>(MakeRect(0, 0, 100, 100), ibeam);
    auto front = make<CursorView>(MakeRect(20, 20, 30, 30), hand);
    window->contentView()->addSubview(back.get());
    back->addSubview(front.get());
    EXPECT_EQ(window->cursorAtPoint(MakePoint(30, 30)), hand);
    EXPECT_EQ(window->cursorAtPoint(MakePoint(10, 10)), ibeam);
    EXPECT_FALSE(window->cursorAtPoint(MakePoint(150, 10)));
    front->setHidden(true);
    EXPECT_EQ(window->cursorAtPoint(MakePoint(30, 30)), ibeam);
}

class TipOwner : public Object, public ToolTipOwner {
public:
    QString viewStringForToolTipPointUserData(View*, std::int64_t tag, Point, void* userData) override
    {
        ++asked;
        lastTag = tag;
        return userData ? QStringLiteral("from the owner") : QString();
    }
    int asked = 0;
    std::int64_t lastTag = 0;
};

TEST_F(Tracking, ToolTipOwnersAreAskedOnlyWhenATipShows)
{
    auto tips = make<TipOwner>();
    int data = 0;
    view->setToolTip(QStringLiteral("plain"));
    const std::int64_t tag = view->addToolTipRectOwnerUserData(MakeRect(0, 0, 20, 20), tips.get(), &data);
    const std::int64_t silent = view->addToolTipRectOwnerUserData(MakeRect(80, 80, 20, 20), tips.get(), nullptr);
    EXPECT_NE(tag, silent);
    EXPECT_EQ(tips->asked, 0);
    EXPECT_EQ(window->toolTipAtPoint(MakePoint(60, 10)), QStringLiteral("from the owner"));
    EXPECT_EQ(tips->lastTag, tag);
    EXPECT_TRUE(window->toolTipAtPoint(MakePoint(140, 90)).isNull()); // the owner answers null: none
    EXPECT_EQ(window->toolTipAtPoint(MakePoint(100, 50)), QStringLiteral("plain"));
    EXPECT_EQ(tips->asked, 2);
    view->removeToolTip(tag);
    EXPECT_EQ(window->toolTipAtPoint(MakePoint(60, 10)), QStringLiteral("plain"));
    EXPECT_TRUE(window->toolTipAtPoint(MakePoint(10, 10)).isNull()); // the content view has none
}

} // namespace
