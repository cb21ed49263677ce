#include "kit/controls/Control.h"

#include "ControlsTestSupport.h"
#include "kit/controls/Button.h"
#include "kit/controls/ColorWell.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/ImageView.h"
#include "kit/controls/Stepper.h"
#include "kit/core/Class.h"
#include "kit/core/Value.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

// Logs highlight changes, state changes and the frames it is asked to track in.
class LoggingCell : public ActionCell {
public:
    explicit LoggingCell(QStringList* log)
        : log_(log)
    { }
    void highlightWithFrameInView(bool flag, Rect frame, View* view) override
    {
        if (flag != isHighlighted())
            log_->append(flag ? "highlight" : "unhighlight");
        ActionCell::highlightWithFrameInView(flag, frame, view);
    }
    void setState(int state) override
    {
        log_->append(QStringLiteral("state %1").arg(state));
        ActionCell::setState(state);
    }
    bool trackMouseInRectOfViewUntilMouseUp(const Event& e, Rect frame, View* view, bool untilUp) override
    {
        trackedFrames.push_back(frame);
        return ActionCell::trackMouseInRectOfViewUntilMouseUp(e, frame, view, untilUp);
    }
    std::vector<Rect> trackedFrames;

private:
    QStringList* log_;
};

class LoggingControl : public Control {
public:
    LoggingControl(Rect frame, QStringList* log)
        : Control(frame, make<LoggingCell>(log))
    { }
    LoggingCell& loggingCell() const { return static_cast<LoggingCell&>(*cell()); }
};

class ControlTracking : public testing::Test {
protected:
    void SetUp() override
    {
        control = make<LoggingControl>(MakeRect(10, 10, 80, 30), &log);
        target = make<RecordingTarget>(QStringList { "act" }, &log);
        control->setTarget(target.get());
        control->setAction("act");
        w.content->addSubview(control.get());
    }
    EventScript& script() { return *w.script; }

    ControlWindow w;
    QStringList log;
    Ref<LoggingControl> control;
    Ref<RecordingTarget> target;
};

using Call = RecordingTarget::Call;

const Point inside = MakePoint(50, 25);
const Point outside = MakePoint(150, 25);
const Point inside2 = MakePoint(60, 30);

struct TrackCase {
    const char* name;
    std::vector<std::pair<EventType, Point>> events; // after the press inside
    QStringList expected;
};

class ControlTrackingCases : public ControlTracking, public testing::WithParamInterface<TrackCase> { };

TEST_P(ControlTrackingCases, HighlightsAndSendsOnlyOnReleaseInside)
{
    const TrackCase& c = GetParam();
    script().mouseDown(inside);
    for (const auto& [type, p] : c.events) {
        script().wait(0.01);
        if (type == LeftMouseDragged)
            script().mouseDragged(p);
        else
            script().mouseUp(p);
    }
    script().run();
    EXPECT_EQ(log, c.expected) << c.name;
    for (const Call& call : target->calls)
        EXPECT_EQ(call.sender, control.get());
}

INSTANTIATE_TEST_SUITE_P(Paths, ControlTrackingCases,
    testing::Values(TrackCase { "click", { { LeftMouseUp, inside } }, { "highlight", "unhighlight", "state 1", "action" } },
        TrackCase { "drag within", { { LeftMouseDragged, inside2 }, { LeftMouseUp, inside2 } },
            { "highlight", "unhighlight", "state 1", "action" } },
        TrackCase { "leave, release outside", { { LeftMouseDragged, outside }, { LeftMouseUp, outside } }, { "highlight", "unhighlight" } },
        TrackCase { "leave, come back, release inside",
            { { LeftMouseDragged, outside }, { LeftMouseDragged, inside2 }, { LeftMouseUp, inside2 } },
            { "highlight", "unhighlight", "highlight", "unhighlight", "state 1", "action" } },
        TrackCase { "leave, come back, leave, release outside",
            { { LeftMouseDragged, outside }, { LeftMouseDragged, inside }, { LeftMouseDragged, outside }, { LeftMouseUp, outside } },
            { "highlight", "unhighlight", "highlight", "unhighlight" } },
        // Half-open: the right edge belongs to the neighbour.
        TrackCase { "release on the right edge", { { LeftMouseUp, MakePoint(90, 25) } }, { "highlight", "unhighlight" } }));

TEST_F(ControlTracking, DisabledControlSwallowsTheClick)
{
    control->setEnabled(false);
    script().click(inside);
    script().run();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_FALSE(control->acceptsFirstResponder());
}

TEST_F(ControlTracking, SendActionOnChoosesTheEvents)
{
    EXPECT_EQ(control->sendActionOn(LeftMouseDownMask | LeftMouseDraggedMask), LeftMouseUpMask);
    script().mouseDown(inside).wait(0.1).mouseDragged(inside2).wait(0.1).mouseDragged(inside).wait(0.1).mouseUp(inside);
    script().run();
    ASSERT_EQ(target->calls.size(), 3u);
    EXPECT_DOUBLE_EQ(target->calls[0].time, 1000.0);
    EXPECT_DOUBLE_EQ(target->calls[1].time, 1000.1);
    EXPECT_DOUBLE_EQ(target->calls[2].time, 1000.2);
}

TEST_F(ControlTracking, ContinuousCellSendsPeriodicallyUntilRelease)
{
    control->setContinuous(true);
    script().mouseDown(inside).wait(0.3).mouseUp(inside).wait(1).mouseMoved(outside);
    script().run();
    std::vector<double> times;
    for (const Call& c : target->calls)
        times.push_back(std::round((c.time - 1000) * 1000) / 1000);
    // Periodic at 0.2 then every 0.025 s; the release sends the last one; nothing afterwards.
    EXPECT_EQ(times, (std::vector<double> { 0.2, 0.225, 0.25, 0.275, 0.3 }));
}

TEST_F(ControlTracking, AnOverridingTrackerIsGivenTheBounds)
{
    control->setBoundsOrigin(MakePoint(5, 5));
    script().click(inside);
    script().run();
    ASSERT_EQ(control->loggingCell().trackedFrames.size(), 1u);
    EXPECT_EQ(control->loggingCell().trackedFrames[0], control->bounds());
}

TEST_F(ControlTracking, PerformClickRunsItsStepsInOrder)
{
    control->performClick(nullptr);
    EXPECT_EQ(log, (QStringList { "highlight", "state 1", "action", "unhighlight" }));
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].sender, control.get());
}

TEST_F(ControlTracking, ANilTargetWalksTheResponderChainAndAGoneTargetDropsTheAction)
{
    auto chainTarget = make<RecordingTarget>();
    w.window->setDelegate(chainTarget.get());
    control->setTarget(nullptr);
    EXPECT_TRUE(control->sendAction());
    EXPECT_EQ(chainTarget->calls.size(), 1u);

    {
        auto gone = make<RecordingTarget>();
        control->setTarget(gone.get());
    }
    EXPECT_FALSE(control->sendAction());
    EXPECT_EQ(chainTarget->calls.size(), 1u);
    w.window->setDelegate(nullptr);
}

TEST_F(ControlTracking, ACellTrackedOutsideItsControlSendsItself)
{
    auto cell = make<ActionCell>(QStringLiteral("x"));
    cell->setTarget(target.get());
    cell->setAction("act");
    cell->setControlView(w.content.get());
    EXPECT_TRUE(cell->sendActionFromCell());
    // Placed in a control that shows another cell, it is still its own sender.
    cell->setControlView(control.get());
    EXPECT_TRUE(cell->sendActionFromCell());
    ASSERT_EQ(target->calls.size(), 2u);
    EXPECT_EQ(target->calls[0].sender, cell.get());
    EXPECT_EQ(target->calls[1].sender, cell.get());
}

// The default tracking loop on its own, fed from the queue.
struct LoopCase {
    const char* name;
    bool untilMouseUp;
    std::vector<std::pair<EventType, Point>> events;
    bool answer;
    int stopsUp; // stopTracking calls with mouseIsUp YES / NO
    int stopsDown;
};

class StopCountingCell : public ActionCell {
public:
    void stopTrackingAtInViewMouseIsUp(Point, Point, View*, bool up) override { ++(up ? stopsUp : stopsDown); }
    int stopsUp = 0;
    int stopsDown = 0;
};

class TrackingLoop : public testing::TestWithParam<LoopCase> { };

TEST_P(TrackingLoop, AnswersAsTheReleaseAndTheModeSay)
{
    const LoopCase& c = GetParam();
    ControlWindow w;
    auto view = make<View>(MakeRect(10, 10, 80, 30));
    w.content->addSubview(view.get());
    auto cell = make<StopCountingCell>();
    for (const auto& [type, p] : c.events) {
        w.script->wait(0.01);
        if (type == LeftMouseDragged)
            w.script->mouseDragged(p);
        else
            w.script->mouseUp(p);
    }
    auto down = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        LeftMouseDown, inside, 0, 1000, w.window->windowNumber(), nullptr, 0, 1, 1);
    EXPECT_EQ(cell->trackMouseInRectOfViewUntilMouseUp(*down, view->bounds(), view.get(), c.untilMouseUp), c.answer) << c.name;
    EXPECT_EQ(cell->stopsUp, c.stopsUp) << c.name;
    EXPECT_EQ(cell->stopsDown, c.stopsDown) << c.name;
}

INSTANTIATE_TEST_SUITE_P(UntilMouseUp, TrackingLoop,
    testing::Values(LoopCase { "release inside", false, { { LeftMouseUp, inside } }, true, 1, 0 },
        LoopCase { "drag out", false, { { LeftMouseDragged, outside }, { LeftMouseUp, outside } }, false, 0, 1 },
        LoopCase { "until up, release outside", true, { { LeftMouseDragged, outside }, { LeftMouseUp, outside } }, true, 1, 0 },
        LoopCase { "until up, release inside", true, { { LeftMouseDragged, outside }, { LeftMouseUp, inside } }, true, 1, 0 }));

TEST(EventQueue, APeekLeavesTheEventForTheNextDequeue)
{
    ControlWindow w;
    w.script->mouseDown(inside).wait(0.1).mouseDragged(inside2).wait(0.1).mouseUp(inside2);
    auto app = Application::sharedApplication();
    const Ref<Event> peeked
        = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseDownMask, DistantFuture, EventTrackingRunLoopMode, false);
    ASSERT_TRUE(peeked);
    const Ref<Event> taken
        = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseDownMask, DistantFuture, EventTrackingRunLoopMode, true);
    EXPECT_EQ(taken, peeked);
    const Ref<Event> next = app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, DistantFuture, EventTrackingRunLoopMode, true);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->type(), LeftMouseDragged);
}

struct StateCase {
    const char* name;
    bool allowsMixed;
    std::vector<int> cycle; // states after each setNextState, from Off
};

class CellStates : public testing::TestWithParam<StateCase> { };

TEST_P(CellStates, NextStateCycles)
{
    auto cell = make<Cell>();
    cell->setAllowsMixedState(GetParam().allowsMixed);
    std::vector<int> seen;
    for (std::size_t i = 0; i < GetParam().cycle.size(); ++i) {
        cell->setNextState();
        seen.push_back(cell->state());
    }
    EXPECT_EQ(seen, GetParam().cycle) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Cycles, CellStates,
    testing::Values(StateCase { "toggle", false, { 1, 0, 1, 0 } }, StateCase { "with mixed", true, { -1, 1, 0, -1, 1 } }));

TEST(CellState, MixedNeedsPermissionAndLosingItGivesOn)
{
    auto cell = make<Cell>();
    cell->setState(MixedState);
    EXPECT_EQ(cell->state(), OnState);
    cell->setState(7);
    EXPECT_EQ(cell->state(), OnState);
    cell->setAllowsMixedState(true);
    cell->setState(MixedState);
    EXPECT_EQ(cell->state(), MixedState);
    cell->setAllowsMixedState(false);
    EXPECT_EQ(cell->state(), OnState);
}

TEST(CellValue, ConversionsBetweenStringsAndNumbers)
{
    auto cell = make<Cell>();
    cell->setStringValue(" 42.7abc");
    EXPECT_EQ(cell->intValue(), 42);
    cell->setStringValue("3.5");
    EXPECT_DOUBLE_EQ(cell->doubleValue(), 3.5);
    EXPECT_EQ(cell->integerValue(), 3);
    cell->setIntegerValue(12);
    EXPECT_EQ(cell->stringValue(), "12");
    cell->setDoubleValue(0.25);
    EXPECT_EQ(cell->stringValue(), "0.25");
}

TEST(CellCopy, IsShallowAndIndependent)
{
    auto cell = make<ActionCell>(QStringLiteral("a"));
    auto represented = make<Cell>();
    cell->setRepresentedObject(represented);
    cell->setTag(4);
    const Ref<Cell> copy = static_pointer_cast<Cell>(cell->copy());
    EXPECT_EQ(copy->representedObject(), represented);
    EXPECT_EQ(copy->tag(), 4);
    copy->setStringValue("b");
    EXPECT_EQ(cell->stringValue(), "a");
    EXPECT_NE(dynamic_cast<ActionCell*>(copy.get()), nullptr);
}

TEST(ControlCellClass, EachClassKeepsItsOwnAndNullRestoresTheDefault)
{
    class MyCell : public ActionCell { };
    Control::setCellClass(cellClassOf<MyCell>());
    auto a = make<Control>();
    EXPECT_NE(dynamic_cast<MyCell*>(a->cell().get()), nullptr);
    Control::setCellClass(nullptr);
    auto b = make<Control>();
    EXPECT_EQ(dynamic_cast<MyCell*>(b->cell().get()), nullptr);
    EXPECT_NE(dynamic_cast<ActionCell*>(b->cell().get()), nullptr);
    EXPECT_EQ(b->cell()->controlView(), b);
}

// Implements two of the three text operations and logs what reaches it.
class TextDelegate : public Object, public ControlTextEditingDelegate {
    KIT_CLASS(TextDelegate)
public:
    void controlTextDidBeginEditing(Notification* n) override { record("begin", n); }
    void controlTextDidChange(Notification* n) override { record("change", n); } // not registered
    void controlTextDidEndEditing(Notification* n) override { record("end", n); }
    QStringList log;

private:
    void record(const char* what, Notification* n) { log << QString::fromLatin1(what) + (n->object() ? "" : " without object"); }
};

KIT_REGISTER_CLASS(TextDelegate, Object)
{
    c.optionalOperation(ControlTextDidBeginEditingOperation);
    c.optionalOperation(ControlTextDidEndEditingOperation);
}

TEST(ControlDelegate, ObservesTheTextNotificationsItImplementsOnce)
{
    auto control = make<Control>();
    auto other = make<Control>();
    auto first = make<TextDelegate>();
    auto second = make<TextDelegate>();
    const Ref<NotificationCenter> center = NotificationCenter::defaultCenter();
    const auto postAll = [&](Control* from) {
        for (const QString& name :
            { ControlTextDidBeginEditingNotification, ControlTextDidChangeNotification, ControlTextDidEndEditingNotification })
            center->postNotificationNameObject(name, from);
    };
    control->setValueForKey(Value(first), "delegate");
    control->setDelegate(first.get()); // again: still one registration
    EXPECT_EQ(control->delegate(), first);
    EXPECT_EQ(control->valueForKey("delegate").object(), first);
    postAll(control.get());
    postAll(other.get()); // another control's text is not the delegate's business
    EXPECT_EQ(first->log, (QStringList { "begin", "end" }));

    control->setDelegate(second.get());
    postAll(control.get());
    EXPECT_EQ(first->log.size(), 2);
    EXPECT_EQ(second->log, (QStringList { "begin", "end" }));

    // Held weakly: a released delegate is gone and nothing is delivered to it.
    second = nullptr;
    EXPECT_FALSE(control->delegate());
    postAll(control.get());
    control->setDelegate(nullptr);
    EXPECT_FALSE(control->valueForKey("delegate").object());
}

// A subclass that declares its own cell class.
class OwnCellControl : public Control {
    KIT_CLASS(OwnCellControl)
    KIT_CONTROL_CELL_CLASS(OwnCellControl, ActionCell)
public:
    OwnCellControl()
        : Control(ZeroRect, cellClass()())
    { }
};

KIT_REGISTER_CLASS(OwnCellControl, Control) { }

class MarkerCell : public ActionCell { };

TEST(ControlCellClass, SettingOneClassLeavesTheOthers)
{
    const auto isMarker = [](const Ref<Control>& c) { return dynamic_cast<MarkerCell*>(c->cell().get()) != nullptr; };
    OwnCellControl::setCellClass(cellClassOf<MarkerCell>());
    EXPECT_TRUE(isMarker(make<OwnCellControl>()));
    EXPECT_FALSE(isMarker(make<Control>()));
    EXPECT_NE(dynamic_cast<ColorWellCell*>(make<ColorWell>()->cell().get()), nullptr);
    Control::setCellClass(cellClassOf<MarkerCell>());
    EXPECT_TRUE(isMarker(make<Control>()));
    EXPECT_NE(dynamic_cast<ColorWellCell*>(make<ColorWell>()->cell().get()), nullptr);
    EXPECT_NE(dynamic_cast<ButtonCell*>(make<Button>()->cell().get()), nullptr);
    Control::resetCellClassesForTesting();
    EXPECT_FALSE(isMarker(make<OwnCellControl>()));
    EXPECT_FALSE(isMarker(make<Control>()));
}

// Controls whose click is not a toggle keep their cell's state through a click.
TEST(ControlCellState, ClicksLeaveTheStateOfNonTogglingCells)
{
    const std::vector<std::pair<const char*, Ref<Control>>> controls {
        { "stepper", make<Stepper>(MakeRect(0, 0, 19, 27)) },
        { "image view", make<ImageView>(MakeRect(0, 0, 40, 40)) },
        { "colour well", make<ColorWell>(MakeRect(0, 0, 40, 40)) },
    };
    for (const auto& [name, control] : controls) {
        for (const int state : { OffState, OnState }) {
            control->cell()->setState(state);
            EXPECT_EQ(control->cell()->nextState(), state) << name;
            control->cell()->performClick(nullptr);
            EXPECT_EQ(control->cell()->state(), state) << name;
        }
    }
    ColorPanel::resetForTesting();
}

TEST_F(ControlTracking, AClickOnAnImageViewKeepsItsState)
{
    auto view = make<ImageView>(MakeRect(150, 20, 40, 40));
    w.content->addSubview(view.get());
    w.script->click(MakePoint(160, 30));
    w.script->run();
    EXPECT_EQ(view->cell()->state(), OffState);
}

TEST(ControlSize, SizeToFitKeepsTheOriginAndMatchesTheCell)
{
    auto control = make<Control>(MakeRect(7, 9, 1, 1));
    control->setStringValue("9999");
    control->sizeToFit();
    EXPECT_EQ(control->frame().origin, MakePoint(7, 9));
    EXPECT_EQ(control->frame().size, control->cell()->cellSize());
    EXPECT_GT(control->frame().size.width, 20);
}

TEST(ControlClasses, AreFoundByNameWithTheirCells)
{
    const std::pair<const char*, const char*> names[]
        = { { "Control", "ActionCell" }, { "Button", "ButtonCell" }, { "PopUpButton", "PopUpButtonCell" } };
    for (const auto& [control, cell] : names) {
        const Class* c = classFromString(control);
        ASSERT_TRUE(c) << control;
        const Ref<Control> made = dynamic_pointer_cast<Control>(c->make());
        ASSERT_TRUE(made) << control;
        EXPECT_EQ(made->cell()->class_().name(), cell) << control;
    }
    for (const char* name : { "Cell", "Menu", "MenuItem" })
        EXPECT_TRUE(classFromString(name)) << name;
}

TEST(ControlClasses, ValuesAreReachableByKey)
{
    auto control = make<Control>();
    control->setValueForKey(Value(QStringLiteral("12")), "stringValue");
    EXPECT_EQ(control->valueForKey("integerValue"), Value(12));
    control->setValueForKey(Value(2.5), "objectValue");
    EXPECT_EQ(control->stringValue(), "2.5");
    EXPECT_EQ(control->objectValue(), Value(2.5));
    control->setValueForKey(Value(false), "enabled");
    EXPECT_FALSE(control->isEnabled());
}

} // namespace
