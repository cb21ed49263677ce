#include "JVLAppKit/WBSmallDateControl/WBSmallDateControl.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Button.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/TextField.h"
#include "kit/core/KeyValueCoding.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/EventScript.h"
#include "kit/tests/AccessibilityTestSupport.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/text/TextView.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDateTime>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <optional>

namespace {

using namespace kit;
using namespace kit::test;

// Hears the end of editing and records each one with its movement.
class DateDelegate : public Object, public ControlTextEditingDelegate {
    KIT_CLASS(DateDelegate)
public:
    void controlTextDidEndEditing(Notification* n) override { ends.push_back(Ref<Notification>(n)); }
    std::vector<Ref<Notification>> ends;
};

KIT_REGISTER_CLASS(DateDelegate, Object) { c.optionalOperation(ControlTextDidEndEditingOperation); }

// Records the actions it is sent.
class DateTarget : public Responder {
    KIT_CLASS(DateTarget)
public:
    void act(Object* sender) { senders.push_back(sender); }
    std::vector<Object*> senders;
};

KIT_REGISTER_CLASS(DateTarget, Responder) { c.action("act", &DateTarget::act); }

// A window with a content view (flipped on request), the control made under `locale`.
class DateWindow {
public:
    explicit DateWindow(const char* locale = "en_US.UTF-8", bool flipped = false)
    {
        EnvironmentScope scope("LC_ALL", locale);
        window = make<Window>(MakeRect(100, 100, 320, 140), TitledWindowMask);
        content = flipped ? Ref<View>(make<FlippedView>(MakeRect(0, 0, 320, 140))) : make<View>(MakeRect(0, 0, 320, 140));
        window->setContentView(content.get());
        window->makeKeyAndOrderFront();
        script.emplace(window.get());
        control = make<WBSmallDateControl>(MakeRect(20, 60, 10, 10));
        content->addSubview(control.get());
    }
    ~DateWindow()
    {
        script.reset();
        window->orderOut();
        window->setContentView(nullptr);
    }
    Ref<TextView> editor() const { return dynamic_pointer_cast<TextView>(window->fieldEditorForObject(false, nullptr)); }
    // The middle of a part, and of its caret band, in base coordinates.
    Point partPoint(int position) const
    {
        const Rect r = control->convertRectToView(control->partRect(position), nullptr);
        return MakePoint(r.midX(), r.midY());
    }
    Point markerPoint(int position) const
    {
        const Rect r = control->partRect(position);
        return control->convertPointToView(MakePoint(r.midX(), 4), nullptr);
    }
    int dayPosition() const { return control->positionOfTag(WBSmallDateControl::DayTag); }
    int monthPosition() const { return control->positionOfTag(WBSmallDateControl::MonthTag); }
    int yearPosition() const { return control->positionOfTag(WBSmallDateControl::YearTag); }

    class FlippedView : public View {
    public:
        using View::View;
        bool isFlipped() const override { return true; }
    };

    Ref<Window> window;
    Ref<View> content;
    std::optional<EventScript> script;
    Ref<WBSmallDateControl> control;
};

// The calendar -----------------------------------------------------------------------------------

struct DaysCase {
    std::int64_t month, year, days;
};

class WBSmallDateControlDays : public testing::TestWithParam<DaysCase> { };

TEST_P(WBSmallDateControlDays, CountsTheDaysOfAMonth)
{
    EXPECT_EQ(WBSmallDateControl::daysInMonth(GetParam().month, GetParam().year), GetParam().days);
}

INSTANTIATE_TEST_SUITE_P(Calendar, WBSmallDateControlDays,
    testing::Values(DaysCase { 2, 2000, 29 }, DaysCase { 2, 1900, 28 }, DaysCase { 2, 2024, 29 }, DaysCase { 2, 2023, 28 },
        DaysCase { 0, 2000, 0 }, DaysCase { 13, 2000, 0 }, DaysCase { 4, 2023, 30 }, DaysCase { 12, 2023, 31 }));

struct ClampCase {
    const char* name;
    std::int64_t day, month, year;
    bool setsMonth; // else the year
    std::int64_t to, expectedDay;
};

class WBSmallDateControlClamp : public testing::TestWithParam<ClampCase> { };

TEST_P(WBSmallDateControlClamp, KeepsTheDayInsideTheMonth)
{
    const ClampCase& c = GetParam();
    auto control = make<WBSmallDateControl>();
    control->setYear(c.year);
    control->setMonth(c.month);
    control->setDay(c.day);
    if (c.setsMonth)
        control->setMonth(c.to);
    else
        control->setYear(c.to);
    EXPECT_EQ(control->day(), c.expectedDay);
}

INSTANTIATE_TEST_SUITE_P(Calendar, WBSmallDateControlClamp,
    testing::Values(ClampCase { "February2000", 31, 1, 2000, true, 2, 29 }, ClampCase { "February1900", 31, 1, 1900, true, 2, 28 },
        ClampCase { "LeapDayToCommonYear", 29, 2, 2000, false, 2001, 28 }, ClampCase { "DayFits", 15, 1, 2000, true, 2, 15 }),
    [](const testing::TestParamInfo<ClampCase>& info) { return info.param.name; });

TEST(WBSmallDateControl, StartsOnTheFirstOfJanuary2000AndSetDayStoresAsGiven)
{
    auto control = make<WBSmallDateControl>();
    EXPECT_EQ(control->day(), 1);
    EXPECT_EQ(control->month(), 1);
    EXPECT_EQ(control->year(), 2000);
    EXPECT_TRUE(control->isEnabled());
    EXPECT_TRUE(control->alignStepper());
    EXPECT_EQ(control->appearance(), WBSmallDateControl::AutomaticAppearance);
    EXPECT_TRUE(control->isFlatAppearance());
    control->setMonth(4);
    control->setDay(31);
    EXPECT_EQ(control->day(), 31);
}

TEST(WBSmallDateControl, SetDateKeepsALeapDayWhateverYearItHeld)
{
    EnvironmentScope tz("TZ", "Europe/Berlin");
    auto control = make<WBSmallDateControl>();
    control->setYear(2023);
    control->setMonth(3);
    control->setDay(31);
    control->setDate(CalendarDate::dateWithYearMonthDay(2024, 2, 29).date());
    EXPECT_EQ(control->day(), 29);
    EXPECT_EQ(control->month(), 2);
    EXPECT_EQ(control->year(), 2024);
    EXPECT_EQ(control->partCell(control->positionOfTag(WBSmallDateControl::DayTag))->stringValue(), QStringLiteral("29"));
}

TEST(WBSmallDateControl, TheDateIsLocalMidnight)
{
    EnvironmentScope tz("TZ", "Europe/Berlin");
    auto control = make<WBSmallDateControl>();
    control->setYear(2024);
    control->setMonth(7);
    control->setDay(14);
    const CalendarDate date = control->date();
    EXPECT_EQ(date.yearOfCommonEra(), 2024);
    EXPECT_EQ(date.monthOfYear(), 7);
    EXPECT_EQ(date.dayOfMonth(), 14);
    EXPECT_EQ(date.hourOfDay(), 0);
    EXPECT_EQ(date.minuteOfHour(), 0);
    // Summer time in that zone: midnight is 22:00 UTC of the day before.
    EXPECT_EQ(date.date().timeIntervalSince1970(), double(QDateTime(QDate(2024, 7, 13), QTime(22, 0), Qt::UTC).toSecsSinceEpoch()));
}

// Order, separator and size ------------------------------------------------------------------------

struct OrderCase {
    const char* name;
    const char* locale;
    int day, month, year;
    const char* separator;
};

class WBSmallDateControlOrder : public testing::TestWithParam<OrderCase> { };

TEST_P(WBSmallDateControlOrder, PartsFollowTheLocaleAndTheSizeComesFromMeasuredCells)
{
    const OrderCase& c = GetParam();
    DateWindow w(c.locale);
    const Ref<WBSmallDateControl>& control = w.control;
    EXPECT_EQ(control->partCell(c.day)->tag(), WBSmallDateControl::DayTag);
    EXPECT_EQ(control->partCell(c.month)->tag(), WBSmallDateControl::MonthTag);
    EXPECT_EQ(control->partCell(c.year)->tag(), WBSmallDateControl::YearTag);
    EXPECT_EQ(control->separator(), QString::fromUtf8(c.separator));
    EXPECT_EQ(control->separatorCell(0)->stringValue(), QString::fromUtf8(c.separator));
    EXPECT_EQ(control->partCell(c.year)->stringValue(), QStringLiteral("2000"));
    EXPECT_EQ(control->partCell(c.month)->stringValue(), QStringLiteral("01"));

    // Measured with a cell configured like a part.
    const Ref<TextFieldCell> measure = dynamic_pointer_cast<TextFieldCell>(control->partCell(0)->copy());
    measure->setStringValue(QStringLiteral("99"));
    const Size two = measure->cellSize();
    measure->setStringValue(QStringLiteral("9999"));
    const Size four = measure->cellSize();
    measure->setStringValue(QString::fromUtf8(c.separator));
    const Size sep = measure->cellSize();
    EXPECT_EQ(control->frame().width(), std::floor(1 + 2 * two.width + four.width + 2 * sep.width));
    EXPECT_EQ(control->frame().height(), std::floor(two.height) + 13);
    EXPECT_EQ(control->frame().origin, MakePoint(20, 60));
    EXPECT_EQ(control->partRect(c.year).width(), four.width);
    EXPECT_EQ(control->partRect(c.day).size, two);
    EXPECT_EQ(control->partRect(0).origin, MakePoint(1, 9));
    // Left to right on half points, each after the one before, all on the line above the caret band.
    const double sep0 = std::floor(control->partRect(0).width() + 1) - 0.5;
    EXPECT_EQ(control->separatorRect(0), MakeRect(sep0, 9, sep.width, sep.height));
    const double part1 = std::floor(sep0 + sep.width) - 0.5;
    EXPECT_EQ(control->partRect(1).origin, MakePoint(part1, 9));
    const double sep1 = std::floor(control->partRect(1).width() + part1) - 0.5;
    EXPECT_EQ(control->separatorRect(1).origin, MakePoint(sep1, 9));
    EXPECT_EQ(control->partRect(2).origin, MakePoint(std::floor(sep.width + sep1 - 0.5), 9));

    // The bevelled look is one point wider.
    control->setAppearance(WBSmallDateControl::BorderedAppearance);
    EXPECT_FALSE(control->isFlatAppearance());
    EXPECT_EQ(control->frame().width(), std::floor(2 + 2 * two.width + four.width + 2 * sep.width));
}

INSTANTIATE_TEST_SUITE_P(Locales, WBSmallDateControlOrder,
    testing::Values(OrderCase { "en_US", "en_US.UTF-8", 1, 0, 2, "/" }, OrderCase { "de_DE", "de_DE.UTF-8", 0, 1, 2, "." },
        OrderCase { "sv_SE", "sv_SE.UTF-8", 2, 1, 0, "-" }, OrderCase { "ar_EG", "ar_EG.UTF-8", 0, 1, 2, "/" }),
    [](const testing::TestParamInfo<OrderCase>& info) { return info.param.name; });

// Typing ----------------------------------------------------------------------------------------------

struct FilterCase {
    const char* name;
    std::int64_t tag;
    std::int64_t location, length;
    const char* replacement;
    bool allowed;
};

class WBSmallDateControlFilter : public testing::TestWithParam<FilterCase> { };

TEST_P(WBSmallDateControlFilter, RefusesWhatCannotBeAPart)
{
    const FilterCase& c = GetParam();
    DateWindow w;
    w.control->editCell(w.control->positionOfTag(c.tag));
    EXPECT_EQ(w.control->textViewShouldChangeTextInRangeReplacementString(w.editor().get(), { c.location, c.length }, QString::fromUtf8(c.replacement)),
        c.allowed);
}

INSTANTIATE_TEST_SUITE_P(Parts, WBSmallDateControlFilter,
    testing::Values(FilterCase { "DayTwoDigits", WBSmallDateControl::DayTag, 0, 2, "12", true },
        FilterCase { "DaySecondDigit", WBSmallDateControl::DayTag, 1, 0, "5", true },
        FilterCase { "DayThirdDigit", WBSmallDateControl::DayTag, 2, 0, "3", false },
        FilterCase { "MonthThirdDigit", WBSmallDateControl::MonthTag, 2, 0, "1", false },
        FilterCase { "DayThreeCharacters", WBSmallDateControl::DayTag, 0, 2, "123", false },
        FilterCase { "YearFourDigits", WBSmallDateControl::YearTag, 0, 4, "2024", true },
        FilterCase { "YearFourthPosition", WBSmallDateControl::YearTag, 3, 0, "1", true },
        FilterCase { "YearFifthDigit", WBSmallDateControl::YearTag, 4, 0, "5", false },
        FilterCase { "YearFiveCharacters", WBSmallDateControl::YearTag, 0, 4, "12345", false },
        FilterCase { "Letter", WBSmallDateControl::DayTag, 0, 2, "a", false },
        FilterCase { "DigitAndLetter", WBSmallDateControl::YearTag, 0, 4, "20x4", false },
        FilterCase { "ArabicIndicDigit", WBSmallDateControl::MonthTag, 0, 2, "\xd9\xa3", false },
        FilterCase { "FullwidthDigit", WBSmallDateControl::YearTag, 0, 4, "\xef\xbc\x91", false }),
    [](const testing::TestParamInfo<FilterCase>& info) { return info.param.name; });

TEST(WBSmallDateControl, TypedDigitsStopAtTheirLimitThroughTheKeyboard)
{
    DateWindow w;
    w.control->editCell(w.dayPosition());
    w.script->type("123x");
    w.script->run();
    EXPECT_EQ(w.editor()->string(), QStringLiteral("12"));
    w.control->editCell(w.yearPosition());
    w.script->type("198765");
    w.script->run();
    EXPECT_EQ(w.editor()->string(), QStringLiteral("1987"));
}

struct DropCase {
    const char* name;
    std::int64_t tag;
    const char* typed;
};

class WBSmallDateControlDrop : public testing::TestWithParam<DropCase> { };

TEST_P(WBSmallDateControlDrop, AnOutOfRangeValueIsDroppedWhenEditingEnds)
{
    DateWindow w;
    w.control->editCell(w.control->positionOfTag(GetParam().tag));
    w.script->type(GetParam().typed);
    w.script->run();
    w.window->makeFirstResponder(nullptr);
    EXPECT_EQ(w.control->day(), 1);
    EXPECT_EQ(w.control->month(), 1);
    EXPECT_EQ(w.control->year(), 2000);
    EXPECT_EQ(w.control->partCell(w.control->positionOfTag(GetParam().tag))->stringValue(),
        GetParam().tag == WBSmallDateControl::YearTag ? QStringLiteral("2000") : QStringLiteral("01"));
}

INSTANTIATE_TEST_SUITE_P(Parts, WBSmallDateControlDrop,
    testing::Values(DropCase { "Year999", WBSmallDateControl::YearTag, "999" }, DropCase { "Day32", WBSmallDateControl::DayTag, "32" },
        DropCase { "Month13", WBSmallDateControl::MonthTag, "13" }, DropCase { "Day0", WBSmallDateControl::DayTag, "0" }),
    [](const testing::TestParamInfo<DropCase>& info) { return info.param.name; });

TEST(WBSmallDateControl, EachControlChecksTheDayAgainstItsOwnMonth)
{
    DateWindow w;
    auto january = make<WBSmallDateControl>(MakeRect(20, 10, 10, 10));
    w.content->addSubview(january.get());
    w.control->setMonth(2);
    january->setMonth(1);
    // The January control changed last: its 31 days must not let the February one take 31.
    w.control->editCell(w.dayPosition());
    w.script->type("31");
    w.script->run();
    w.window->makeFirstResponder(nullptr);
    EXPECT_EQ(w.control->day(), 1);

    january->editCell(january->positionOfTag(WBSmallDateControl::DayTag));
    w.control->setMonth(2); // February changes last now
    w.script->type("31");
    w.script->run();
    w.window->makeFirstResponder(nullptr);
    EXPECT_EQ(january->day(), 31);
}

// Movement ------------------------------------------------------------------------------------------

TEST(WBSmallDateControl, TabWalksThePartsThenLeavesForTheNextKeyView)
{
    DateWindow w;
    auto field = make<TextField>(MakeRect(20, 10, 100, 22));
    w.content->addSubview(field.get());
    w.control->setNextKeyView(field.get());
    field->setNextKeyView(w.control.get());
    ASSERT_TRUE(w.window->makeFirstResponder(w.control.get()));
    EXPECT_EQ(w.control->selected(), 0);
    EXPECT_EQ(w.window->firstResponder().get(), w.editor().get());
    EXPECT_EQ(w.editor()->selectedRange(), (Range { 0, 2 }));
    w.script->type("07").key(KeyCodeTab);
    w.script->run();
    EXPECT_EQ(w.control->selected(), 1);
    w.script->type("09").key(KeyCodeTab);
    w.script->run();
    EXPECT_EQ(w.control->selected(), 2);
    w.script->type("2021").key(KeyCodeTab);
    w.script->run();
    // en_US: month, day, year.
    EXPECT_EQ(w.control->month(), 7);
    EXPECT_EQ(w.control->day(), 9);
    EXPECT_EQ(w.control->year(), 2021);
    EXPECT_FALSE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.editor()->superview().get(), field.get());
}

// Up and Down step the part being edited, round from either end of its range, and the rest of
// the date keeps the day valid; what is stepped is what ends the edit.
TEST(WBSmallDateControl, UpAndDownStepTheEditedPartRoundItsEnds)
{
    DateWindow w;
    auto delegate = make<DateDelegate>();
    w.control->setDelegate(delegate.get());
    w.control->setDate(CalendarDate::dateWithYearMonthDay(2024, 2, 29).date());
    w.window->makeFirstResponder(w.control.get());
    ASSERT_EQ(w.control->selected(), w.monthPosition());
    const auto keys = [&](std::initializer_list<std::uint16_t> codes) {
        for (const std::uint16_t code : codes)
            w.script->key(code);
        w.script->run();
    };
    keys({ KeyCodeUpArrow });
    EXPECT_EQ(w.control->month(), 3);
    EXPECT_EQ(w.editor()->string(), QStringLiteral("03"));
    EXPECT_EQ(w.editor()->selectedRange(), (Range { 0, 2 }));
    keys({ KeyCodeDownArrow, KeyCodeDownArrow, KeyCodeDownArrow });
    EXPECT_EQ(w.control->month(), 12);
    EXPECT_EQ(w.editor()->string(), QStringLiteral("12"));
    // Stepping is no end of editing.
    EXPECT_TRUE(delegate->ends.empty());

    keys({ KeyCodeTab, KeyCodeUpArrow, KeyCodeUpArrow, KeyCodeUpArrow });
    EXPECT_EQ(w.control->day(), 1);
    keys({ KeyCodeDownArrow });
    EXPECT_EQ(w.control->day(), 31);
    // Digits typed and then stepped: the step starts from them.
    w.script->type("9").key(KeyCodeUpArrow);
    w.script->run();
    EXPECT_EQ(w.control->day(), 10);

    keys({ KeyCodeTab, KeyCodeDownArrow });
    EXPECT_EQ(w.control->year(), 2023);
    w.control->setYear(1000);
    w.control->updateCells();
    keys({ KeyCodeDownArrow });
    EXPECT_EQ(w.control->year(), 9999);
    keys({ KeyCodeUpArrow, KeyCodeTab });
    ASSERT_FALSE(delegate->ends.empty());
    EXPECT_EQ(std::tuple(w.control->year(), w.control->month(), w.control->day()), (std::tuple<std::int64_t, std::int64_t, std::int64_t>(1000, 12, 10)));
}

TEST(WBSmallDateControl, WithNoOtherKeyViewTabAndBacktabWrap)
{
    DateWindow w;
    w.window->makeFirstResponder(w.control.get());
    w.script->key(KeyCodeTab).key(KeyCodeTab).key(KeyCodeTab);
    w.script->run();
    EXPECT_TRUE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.control->selected(), 0);
    EXPECT_EQ(w.window->firstResponder().get(), w.editor().get());
    EXPECT_EQ(w.editor()->superview().get(), w.control.get());

    w.script->key(KeyCodeTab, {}, ShiftKeyMask);
    w.script->run();
    EXPECT_TRUE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.control->selected(), 2);
    EXPECT_EQ(w.window->firstResponder().get(), w.editor().get());
}

TEST(WBSmallDateControl, BecomingFirstResponderBackwardsEditsTheRightmostPart)
{
    DateWindow w;
    auto field = make<TextField>(MakeRect(20, 10, 100, 22));
    w.content->addSubview(field.get());
    w.control->setNextKeyView(field.get());
    field->setNextKeyView(w.control.get());
    w.window->makeFirstResponder(field.get());
    w.window->selectKeyViewPrecedingView(field.get());
    EXPECT_EQ(w.control->selected(), 2);
    EXPECT_TRUE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.editor()->superview().get(), w.control.get());
}

TEST(WBSmallDateControl, ReturnSendsTheActionOrPressesTheDefaultButton)
{
    DateWindow w;
    auto target = make<DateTarget>();
    w.control->setTarget(target.get());
    w.control->setAction(Selector("act"));
    w.window->makeFirstResponder(w.control.get());
    w.script->type("03").key(KeyCodeReturn);
    w.script->run();
    ASSERT_EQ(target->senders.size(), 1u);
    EXPECT_EQ(target->senders[0], w.control.get());
    EXPECT_EQ(w.control->month(), 3);

    // No action: the window's default button takes the key.
    w.control->setAction(Selector());
    auto buttonTarget = make<DateTarget>();
    auto button = make<Button>(MakeRect(200, 10, 80, 24));
    button->setKeyEquivalent(QStringLiteral("\r"));
    button->setTarget(buttonTarget.get());
    button->setAction(Selector("act"));
    w.content->addSubview(button.get());
    w.window->makeFirstResponder(w.control.get());
    w.script->key(KeyCodeReturn);
    w.script->run();
    EXPECT_EQ(buttonTarget->senders.size(), 1u);
    EXPECT_EQ(target->senders.size(), 1u);
}

// Notifications ---------------------------------------------------------------------------------------

class WBSmallDateControlNotes : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace();
        delegate = make<DateDelegate>();
        w->control->setDelegate(delegate.get());
    }
    void TearDown() override { w.reset(); }
    std::int64_t movementOf(std::size_t i) const
    {
        return delegate->ends.at(i)->userInfo().objectForKey(Value(TextMovementKey)).integerValue();
    }
    std::optional<DateWindow> w;
    Ref<DateDelegate> delegate;
};

TEST_F(WBSmallDateControlNotes, OneEndPerPartSwitchByTabAndByClick)
{
    w->window->makeFirstResponder(w->control.get());
    w->script->key(KeyCodeTab);
    w->script->run();
    ASSERT_EQ(delegate->ends.size(), 1u);
    EXPECT_EQ(movementOf(0), TabTextMovement);
    EXPECT_EQ(delegate->ends[0]->object().get(), w->control.get());
    EXPECT_EQ(delegate->ends[0]->userInfo().objectForKey(Value(FieldEditorKey)).object().get(), w->editor().get());

    // A press on another part: the focus change ends the edited part (one end, digits kept),
    // then the press switches parts quietly.
    w->script->type("5").click(w->partPoint(2));
    w->script->run();
    ASSERT_EQ(delegate->ends.size(), 2u);
    EXPECT_EQ(movementOf(1), OtherTextMovement);
    EXPECT_EQ(w->control->day(), 5);
    EXPECT_EQ(w->control->selected(), 2);
    EXPECT_EQ(w->editor()->superview().get(), w->control.get());
    EXPECT_EQ(w->window->firstResponder().get(), w->editor().get());
}

TEST_F(WBSmallDateControlNotes, APressInsideTheEditedPartPlacesTheCaret)
{
    w->window->makeFirstResponder(w->control.get());
    w->script->click(w->partPoint(0));
    w->script->run();
    EXPECT_TRUE(delegate->ends.empty());
    EXPECT_EQ(w->control->selected(), 0);
    EXPECT_EQ(w->editor()->selectedRange().length, 0);
}

TEST_F(WBSmallDateControlNotes, TheMarkerClickHidesOnlyAnEndThatChangedNothing)
{
    auto field = make<TextField>(MakeRect(20, 10, 100, 22));
    w->content->addSubview(field.get());
    const Rect f = field->convertRectToView(field->bounds(), nullptr);
    const Point outside = MakePoint(f.midX(), f.midY());

    // Unfocused: the press starts the leftmost part, then lands on its own marker.
    w->script->click(w->markerPoint(0)).click(outside);
    w->script->run();
    EXPECT_TRUE(delegate->ends.empty());
    // The flag is spent: the next end posts again.
    w->script->click(w->partPoint(1)).click(outside);
    w->script->run();
    EXPECT_EQ(delegate->ends.size(), 1u);

    // New digits after the marker click: the changed date is always told.
    w->script->click(w->markerPoint(0)).type("11").click(outside);
    w->script->run();
    ASSERT_EQ(delegate->ends.size(), 2u);
    EXPECT_EQ(w->control->month(), 11);
}

TEST_F(WBSmallDateControlNotes, AReplacedOrDestroyedDelegateHearsNothingMore)
{
    auto second = make<DateDelegate>();
    w->control->setDelegate(second.get());
    EXPECT_EQ(w->control->delegate().get(), second.get());
    w->window->makeFirstResponder(w->control.get());
    w->script->key(KeyCodeTab);
    w->script->run();
    EXPECT_TRUE(delegate->ends.empty());
    EXPECT_EQ(second->ends.size(), 1u);

    // The control goes: nothing stays registered for it.
    w->window->makeFirstResponder(nullptr);
    const int before = NotificationCenter::defaultCenter()->observerCountForTesting();
    auto other = make<WBSmallDateControl>();
    other->setDelegate(second.get());
    EXPECT_EQ(NotificationCenter::defaultCenter()->observerCountForTesting(), before + 1);
    other = nullptr;
    EXPECT_EQ(NotificationCenter::defaultCenter()->observerCountForTesting(), before);
}

TEST_F(WBSmallDateControlNotes, OnlyTheEndOfEditingIsPosted)
{
    NotificationRecorder all(QString(), w->control.get());
    w->window->makeFirstResponder(w->control.get());
    w->script->type("4").key(KeyCodeTab);
    w->script->run();
    EXPECT_EQ(all.names(), QStringList { ControlTextDidEndEditingNotification });
}

// Stepper ---------------------------------------------------------------------------------------------

class WBSmallDateControlStepper : public testing::Test {
protected:
    void SetUp() override
    {
        w.emplace();
        stepper = make<Stepper>(MakeRect(200, 20, 13, 22));
        w->content->addSubview(stepper.get());
        stepper->setTarget(w->control.get());
        stepper->setAction(Selector("handleStepperClick"));
        w->control->setStepper(stepper);
        w->control->awakeFromNib();
    }
    void TearDown() override { w.reset(); }
    std::optional<DateWindow> w;
    Ref<Stepper> stepper;
};

TEST_F(WBSmallDateControlStepper, ItsRangeFollowsTheSelectedPart)
{
    w->control->setMonth(2);
    w->control->setDay(20);
    w->control->setSelected(w->dayPosition());
    EXPECT_EQ(stepper->minValue(), 1);
    EXPECT_EQ(stepper->maxValue(), 29);
    EXPECT_EQ(stepper->integerValue(), 20);
    w->control->setSelected(w->monthPosition());
    EXPECT_EQ(stepper->maxValue(), 12);
    EXPECT_EQ(stepper->integerValue(), 2);
    w->control->setSelected(w->yearPosition());
    EXPECT_EQ(stepper->minValue(), 1000);
    EXPECT_EQ(stepper->maxValue(), 9999);
    EXPECT_EQ(stepper->integerValue(), 2000);
}

TEST_F(WBSmallDateControlStepper, TypedDigitsShowOnItLive)
{
    w->control->setMonth(6);
    w->control->editCell(w->monthPosition());
    EXPECT_EQ(stepper->integerValue(), 6);
    w->script->type("1");
    w->script->run();
    EXPECT_EQ(stepper->integerValue(), 1);
    w->script->type("1");
    w->script->run();
    EXPECT_EQ(stepper->integerValue(), 11);
    // Out of range: back to the value the part had when it was selected.
    w->control->editCell(w->monthPosition());
    w->script->type("13");
    w->script->run();
    EXPECT_EQ(stepper->integerValue(), 6);
}

TEST_F(WBSmallDateControlStepper, AStepperClickWritesThePart)
{
    w->control->editCell(w->yearPosition());
    const Rect s = stepper->convertRectToView(stepper->bounds(), nullptr);
    // The upper arrow (the stepper is flipped; base coordinates are y up).
    w->script->click(MakePoint(s.midX(), s.maxY() - 4));
    w->script->run();
    EXPECT_EQ(w->control->year(), 2001);
    EXPECT_EQ(w->control->partCell(w->yearPosition())->stringValue(), QStringLiteral("2001"));
}

// A stepped date is told as an end of editing, once, and only when the date changed.
TEST_F(WBSmallDateControlStepper, AStepperClickThatChangesTheDatePostsOneEnd)
{
    auto delegate = make<DateDelegate>();
    w->control->setDelegate(delegate.get());
    const Rect s = stepper->convertRectToView(stepper->bounds(), nullptr);
    const Point up = MakePoint(s.midX(), s.maxY() - 4);
    w->control->setSelected(w->yearPosition());
    w->script->click(up);
    w->script->run();
    EXPECT_EQ(w->control->year(), 2001);
    ASSERT_EQ(delegate->ends.size(), 1u);
    EXPECT_EQ(delegate->ends[0]->object().get(), w->control.get());
    EXPECT_EQ(delegate->ends[0]->userInfo().objectForKey(Value(TextMovementKey)), Value(std::int64_t(0)));
    EXPECT_TRUE(delegate->ends[0]->userInfo().objectForKey(Value(FieldEditorKey)).isNil());

    // At the top of its range, not wrapping, the click changes nothing: nothing is told.
    stepper->setValueWraps(false);
    w->control->setYear(9999);
    w->control->setSelected(w->yearPosition());
    w->script->click(up);
    w->script->run();
    EXPECT_EQ(w->control->year(), 9999);
    EXPECT_EQ(delegate->ends.size(), 1u);

    // Stepped while a part is being edited: the field editor comes with it.
    w->control->editCell(w->monthPosition());
    const std::size_t before = delegate->ends.size();
    stepper->setIntegerValue(7);
    w->control->handleStepperClick(stepper.get());
    EXPECT_EQ(w->control->month(), 7);
    ASSERT_EQ(delegate->ends.size(), before + 1);
    EXPECT_EQ(delegate->ends.back()->userInfo().objectForKey(Value(FieldEditorKey)).object().get(), w->editor().get());
    w->control->setDelegate(nullptr);
}

TEST(WBSmallDateControl, TheAlignedStepperSitsTwoPointsRightWithTheTopsLevel)
{
    for (bool flipped : { false, true }) {
        DateWindow w("en_US.UTF-8", flipped);
        auto stepper = make<Stepper>(MakeRect(0, 0, 13.5, 22.5));
        w.content->addSubview(stepper.get());
        w.control->setStepper(stepper);
        w.control->setAlignStepper(true);
        const Rect c = w.control->frame();
        const Rect s = stepper->frame();
        EXPECT_EQ(s.minX(), std::floor(c.maxX() + 2)) << flipped;
        EXPECT_EQ(s.size, MakeSize(13, 22)) << flipped;
        // Compared on screen: the top edges in window coordinates.
        const Rect cw = w.control->convertRectToView(w.control->bounds(), nullptr);
        const Rect sw = stepper->convertRectToView(stepper->bounds(), nullptr);
        EXPECT_NEAR(sw.maxY(), cw.maxY(), 1.0) << flipped;
    }
}

// Drawing and enabling -------------------------------------------------------------------------------

class WBSmallDateControlDrawing : public testing::Test {
protected:
    void SetUp() override { w.emplace(); }
    void TearDown() override { w.reset(); }
    QColor at(const QImage& shot, double x, double y) const { return basePixel(shot, w->control->convertPointToView(MakePoint(x, y), nullptr)); }
    testing::AssertionResult is(const QImage& shot, double x, double y, int grey) const
    {
        return basePixelIs(shot, w->control->convertPointToView(MakePoint(x, y), nullptr), QColor(grey, grey, grey), 3);
    }
    double caretMiddle() const
    {
        const Rect part = w->control->partRect(int(w->control->selected()));
        return std::floor(part.minX() + part.width() / 2);
    }
    std::optional<DateWindow> w;
};

TEST_F(WBSmallDateControlDrawing, FlatBorderAndCaret)
{
    w->control->setSelected(1);
    const QImage shot = w->window->snapshot();
    const double height = w->control->bounds().height();
    EXPECT_TRUE(is(shot, 0.5, 20, 158));
    EXPECT_TRUE(is(shot, 40.5, 8.5, 158));
    EXPECT_TRUE(is(shot, 40.5, height - 2.5, 158));
    EXPECT_TRUE(is(shot, 3.5, 8 + 0.5 * (height - 10), 255) || w->control->partRect(0).minX() <= 3.5);
    // The caret's left stroke passes through (m − 2.5, 2.5).
    const double m = caretMiddle();
    EXPECT_TRUE(is(shot, m - 2.5, 2.5, 147));
    EXPECT_TRUE(is(shot, m + 2.5, 2.5, 147));
    // No caret under the other parts.
    const Rect other = w->control->partRect(2);
    EXPECT_NE(at(shot, std::floor(other.midX()) - 2.5, 2.5), QColor(147, 147, 147));
}

TEST_F(WBSmallDateControlDrawing, BevelledLines)
{
    w->control->setAppearance(WBSmallDateControl::BorderedAppearance);
    const QImage shot = w->window->snapshot();
    const double width = w->control->bounds().width();
    // Dark: the left outer column and the top row; light: the inner bottom row and right column.
    EXPECT_TRUE(is(shot, 0.5, 20, 85));
    EXPECT_TRUE(is(shot, 30.5, w->control->bounds().height() - 0.5, 85));
    EXPECT_TRUE(is(shot, 30.5, 7.5, 170));
    EXPECT_TRUE(is(shot, width - 1.5, 20, 170));
}

TEST_F(WBSmallDateControlDrawing, ADisabledControlHasNoCaretIgnoresPressesAndRefusesFocus)
{
    const double m = caretMiddle();
    const QImage enabled = w->window->snapshot();
    EXPECT_TRUE(is(enabled, m - 2.5, 2.5, 147));
    w->control->setEnabled(false);
    EXPECT_FALSE(w->control->partCell(0)->isEnabled());
    const QImage disabled = w->window->snapshot();
    // The band shows what is behind the control: the same as a point beside it.
    EXPECT_EQ(at(disabled, m - 2.5, 2.5), at(disabled, -5.5, 2.5));
    EXPECT_FALSE(w->control->acceptsFirstResponder());
    EXPECT_FALSE(w->window->makeFirstResponder(w->control.get()));
    w->script->click(w->partPoint(1));
    w->script->run();
    EXPECT_FALSE(w->control->isUsingFieldEditor());
    EXPECT_EQ(w->control->selected(), 0);
}

TEST_F(WBSmallDateControlDrawing, DisablingEndsAnEditQuietly)
{
    auto delegate = make<DateDelegate>();
    w->control->setDelegate(delegate.get());
    w->window->makeFirstResponder(w->control.get());
    w->script->type("9");
    w->script->run();
    w->control->setEnabled(false);
    EXPECT_FALSE(w->control->isUsingFieldEditor());
    EXPECT_EQ(w->control->month(), 1);
    EXPECT_TRUE(delegate->ends.empty());
    EXPECT_NE(w->window->firstResponder().get(), w->editor().get());
}

// Registration and archiving ----------------------------------------------------------------------------

TEST(WBSmallDateControl, InterfaceFilesMakeItByNameAndKeepItsSettings)
{
    const Class* cls = classFromString(QStringLiteral("WBSmallDateControl"));
    ASSERT_NE(cls, nullptr);
    EXPECT_TRUE(cls->instancesRespondToSelector(Selector("handleStepperClick")));
    const Ref<Object> made = cls->make();
    ASSERT_TRUE(dynamic_pointer_cast<WBSmallDateControl>(made));

    auto control = make<WBSmallDateControl>();
    control->setAppearance(WBSmallDateControl::BorderedAppearance);
    control->setAlignStepper(false);
    control->setYear(2031);
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(control));
    QString error;
    const Ref<WBSmallDateControl> copy = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error).objectAs<WBSmallDateControl>();
    ASSERT_TRUE(copy) << error.toStdString();
    EXPECT_EQ(copy->appearance(), WBSmallDateControl::BorderedAppearance);
    EXPECT_FALSE(copy->alignStepper());
    EXPECT_EQ(copy->year(), 2000);

    auto stepper = make<Stepper>();
    setValueForKey(Value(copy), Value(stepper), QStringLiteral("stepper"));
    EXPECT_EQ(copy->stepper().get(), stepper.get());
}

TEST(WBSmallDateControlAccessibility, OneFocusableDateReadAsShownWithEachPartHeardAsTheKeysMove)
{
    events().clear();
    AccessibilityBridge::setEventObserverForTesting(recordEvent);
    QAccessible::setActive(true);
    DateWindow w;
    w.control->setDate(CalendarDate::dateWithYearMonthDay(2024, 2, 29).date());
    QAccessibleInterface* field = AccessibilityBridge::interfaceFor(Value(Ref<Object>(w.control)));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(AccessibilityBridge::interfaceFor(Value(w.window))->child(0), field);
    // The date as shown, its three parts in the order shown with the separator between them, is
    // its name; what it is for (its tool tip) is its description.
    const QString shown = field->text(QAccessible::Value);
    EXPECT_EQ(field->text(QAccessible::Name), shown);
    EXPECT_TRUE(field->text(QAccessible::Description).isEmpty());
    w.control->setToolTip(QStringLiteral("Released"));
    EXPECT_EQ(field->text(QAccessible::Name), shown);
    EXPECT_EQ(field->text(QAccessible::Description), QStringLiteral("Released"));
    const QStringList parts = shown.split(w.control->separator());
    ASSERT_EQ(parts.size(), 3) << shown.toStdString();
    EXPECT_EQ(parts[w.control->positionOfTag(WBSmallDateControl::YearTag)], QStringLiteral("2024"));
    EXPECT_EQ(parts[w.control->positionOfTag(WBSmallDateControl::DayTag)], QStringLiteral("29"));
    EXPECT_EQ(parts[w.control->positionOfTag(WBSmallDateControl::MonthTag)].toInt(), 2);
    ASSERT_EQ(field->childCount(), 3);
    // A screen reader may give it focus.
    EXPECT_TRUE(field->state().focusable);

    // en_US: month, day, year; each part is heard as the keys reach it.
    QStringList heard;
    const auto focus = [&] {
        QAccessibleInterface* focused = AccessibilityBridge::interfaceFor(AccessibilityFocusedUIElement(Value(w.window)));
        const auto announced = eventsOf(QAccessible::Focus);
        const QString said = focused->text(QAccessible::Name) + QLatin1Char(' ') + focused->text(QAccessible::Value);
        // Once per step.
        events().clear();
        // The part alone reads focused, not the control around it.
        return announced.size() == 1 && announced.back() == focused && focused->parent() == field && !field->state().focused ? said : QStringLiteral("unannounced ") + said;
    };
    events().clear();
    field->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    heard << focus();
    for (int i = 0; i < 2; ++i) {
        w.script->key(KeyCodeTab);
        w.script->run();
        heard << focus();
    }
    EXPECT_EQ(heard, QStringList({ "Released, month 2", "Released, day 29", "Released, year 2024" }));
    // Up steps the part: the reader hears its new number, and the date's name follows.
    w.script->key(KeyCodeUpArrow);
    w.script->run();
    QAccessibleInterface* year = AccessibilityBridge::interfaceFor(AccessibilityFocusedUIElement(Value(w.window)));
    ASSERT_NE(year, nullptr);
    EXPECT_EQ(year->text(QAccessible::Value), QStringLiteral("2025"));
    const auto changed = eventsOf(QAccessible::ValueChanged);
    EXPECT_NE(std::find(changed.begin(), changed.end(), year), changed.end());
    EXPECT_TRUE(field->text(QAccessible::Name).contains(QStringLiteral("2025"))) << field->text(QAccessible::Name).toStdString();
    QAccessible::setActive(false);
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

} // namespace
