// The text-field date picker: element order and separators per locale, digits, stepping with
// wrap-around, the day clamped to the month, Tab through and out, one action per change and a nil
// date that starts from today.

#include "ControlsTestSupport.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/controls/DatePicker.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/Date.h"
#include "kit/tests/AccessibilityTestSupport.h"

#include <QAccessible>
#include <QApplication>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

struct DateOrderCase {
    const char* locale;
    const char* shown; // the elements joined by the separator for 2026-03-07
};

class DatePickerOrderTest : public ::testing::TestWithParam<DateOrderCase> { };

TEST_P(DatePickerOrderTest, ElementsFollowTheLocalesShortDate)
{
    auto cell = make<DatePickerCell>();
    cell->setLocale(Locale::localeWithLocaleIdentifier(QString::fromUtf8(GetParam().locale)));
    cell->setDateValue(Value(CalendarDate::dateWithYearMonthDay(2026, 3, 7).date()));
    QStringList parts;
    for (DatePickerCell::Element e : cell->elementOrder())
        parts << cell->textOfElement(e);
    EXPECT_EQ(parts.join(cell->separator()), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Locales, DatePickerOrderTest,
    ::testing::Values(DateOrderCase { "de_DE", "07.03.2026" }, DateOrderCase { "en_US", "03/07/2026" }, DateOrderCase { "sv_SE", "2026-03-07" }));

class DatePickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        picker = make<DatePicker>(MakeRect(10, 10, 100, 22));
        picker->datePickerCell()->setLocale(Locale::localeWithLocaleIdentifier("de_DE"));
        after = make<DatePicker>(MakeRect(10, 50, 100, 22));
        w.content->addSubview(picker.get());
        w.content->addSubview(after.get());
        picker->setNextKeyView(after.get());
        picker->setTarget(target.get());
        picker->setAction(Selector("act"));
        w.window->makeFirstResponder(picker.get());
    }
    CalendarDate shown() const { return CalendarDate::fromDate(picker->dateValue().date()); }
    void set(int y, int m, int d) { picker->setDateValue(Value(CalendarDate::dateWithYearMonthDay(y, m, d).date())); }

    ControlWindow w;
    Ref<DatePicker> picker;
    Ref<DatePicker> after;
    Ref<RecordingTarget> target = make<RecordingTarget>();
};

TEST_F(DatePickerTest, OnlyTheTextFieldKindIsOffered)
{
    const auto cell = picker->datePickerCell();
    EXPECT_EQ(cell->datePickerStyle(), TextFieldDatePickerStyle);
    EXPECT_EQ(cell->datePickerMode(), SingleDateMode);
    EXPECT_EQ(cell->datePickerElements(), 0x00E0u);
    EXPECT_TRUE(picker->dateValue().isNil());
    EXPECT_EQ(cell->textOfElement(DatePickerCell::Day), QString());
}

TEST_F(DatePickerTest, DigitsTypeIntoTheFocusedElementChangingTheDateAtOnce)
{
    set(2026, 1, 5);
    ASSERT_EQ(picker->datePickerCell()->focusedElement(), 0) << "the day comes first in de_DE";
    w.script->key(20, "3").key(18, "1");
    w.script->run();
    EXPECT_EQ(shown().dayOfMonth(), 31);
    EXPECT_EQ(target->calls.size(), 2u) << "3, then 31";
    // A digit that makes no valid day changes nothing.
    w.script->key(20, "3").key(25, "9");
    w.script->run();
    EXPECT_EQ(shown().dayOfMonth(), 3);
    EXPECT_EQ(target->calls.size(), 3u);
}

TEST_F(DatePickerTest, ArrowsWrapWithinTheElementAndTheDayIsClamped)
{
    set(2026, 1, 31);
    w.script->key(KeyCodeUpArrow);
    w.script->run();
    EXPECT_EQ(shown().dayOfMonth(), 1) << "31 wraps to 1";
    set(2026, 1, 31);
    w.script->key(KeyCodeRightArrow).key(KeyCodeUpArrow);
    w.script->run();
    EXPECT_EQ(shown().monthOfYear(), 2);
    EXPECT_EQ(shown().dayOfMonth(), 28);
    set(2026, 12, 15);
    w.script->key(KeyCodeUpArrow).key(KeyCodeDownArrow).key(KeyCodeDownArrow);
    w.script->run();
    EXPECT_EQ(shown().monthOfYear(), 11);
    EXPECT_EQ(shown().hourOfDay(), 0) << "local midnight";
    EXPECT_EQ(target->calls.size(), 5u) << "one action per change";
}

TEST_F(DatePickerTest, TabWalksTheElementsThenLeaves)
{
    set(2026, 6, 1);
    w.script->key(KeyCodeTab, "\t").key(KeyCodeTab, "\t");
    w.script->run();
    EXPECT_EQ(picker->datePickerCell()->focusedElement(), 2);
    w.script->key(KeyCodeTab, "\t");
    w.script->run();
    EXPECT_EQ(w.window->firstResponder().get(), after.get());
    EXPECT_EQ(picker->datePickerCell()->focusedElement(), -1);
}

TEST_F(DatePickerTest, ANilDateStartsFromToday)
{
    const CalendarDate today = CalendarDate::fromDate(Clock::currentDate());
    w.script->key(KeyCodeTab, "\t").key(KeyCodeUpArrow);
    w.script->run();
    ASSERT_FALSE(picker->dateValue().isNil());
    EXPECT_EQ(shown().yearOfCommonEra(), today.yearOfCommonEra());
    EXPECT_EQ(shown().monthOfYear(), today.monthOfYear() % 12 + 1);
}

TEST_F(DatePickerTest, TheFocusedElementShowsInTheHighlight)
{
    set(2026, 3, 7);
    const QImage shot = w.window->snapshot();
    const auto cell = picker->datePickerCell();
    // The day (first in de_DE) is focused: its box holds highlight pixels; the year's does not.
    const auto count = [&](std::size_t index) {
        const Rect r = cell->rectOfElementInFrame(index, picker->bounds());
        int n = 0;
        for (double x = r.minX() + 0.5; x < r.maxX(); x += 1)
            for (double y = r.minY() + 0.5; y < r.maxY(); y += 1)
                n += bool(basePixelIs(shot, picker->convertPointToView({ x, y }, nullptr),
                    QApplication::palette().color(QPalette::Active, QPalette::Highlight), 8));
        return n;
    };
    EXPECT_GT(count(0), 10);
    EXPECT_EQ(count(2), 0);
}

TEST_F(DatePickerTest, TheInspectorsSmallPickerHoldsItsText)
{
    auto small = make<DatePicker>(MakeRect(0, 0, 68, 18));
    small->setControlSize(SmallControlSize);
    QFont font = small->font();
    font.setPixelSize(11);
    small->setFont(font);
    const Size size = small->cell()->cellSize();
    EXPECT_LE(size.width, 68);
    EXPECT_LE(size.height, 18);
}

// Without a date the boxes are empty but the separators show the format.
TEST_F(DatePickerTest, TheSeparatorsAreDrawnWithoutADate)
{
    w.window->makeFirstResponder(after.get());
    ASSERT_TRUE(picker->dateValue().isNil());
    const QImage shot = w.window->snapshot();
    const auto cell = picker->datePickerCell();
    const QColor text = QApplication::palette().color(QPalette::Active, QPalette::Text);
    for (std::size_t gap = 0; gap < 2; ++gap) {
        const double from = cell->rectOfElementInFrame(gap, picker->bounds()).maxX();
        const Rect r = cell->rectOfElementInFrame(gap + 1, picker->bounds());
        int inked = 0;
        for (double x = from + 0.5; x < r.minX(); x += 1)
            for (double y = r.minY() + 0.5; y < r.maxY(); y += 1)
                inked += bool(basePixelIs(shot, picker->convertPointToView({ x, y }, nullptr), text, 100));
        EXPECT_GT(inked, 0) << "separator " << gap;
    }
}

TEST_F(DatePickerTest, AClickInAPickerWithoutADateFocusesTheFirstElement)
{
    w.window->makeFirstResponder(after.get());
    w.script->click(picker->convertPointToView({ picker->bounds().midX(), picker->bounds().midY() }, nullptr));
    w.script->run();
    EXPECT_EQ(w.window->firstResponder().get(), picker.get());
    EXPECT_EQ(picker->datePickerCell()->focusedElement(), 0);
}

// Year digits are held until four are typed or the year is left; one action per year.
struct YearCase {
    const char* typed;
    bool leaveByTab;
    int year; // 0: the date is unchanged
};

class DatePickerYearTest : public DatePickerTest, public ::testing::WithParamInterface<YearCase> { };

TEST_P(DatePickerYearTest, HeldUntilFourDigitsOrTheYearIsLeft)
{
    const YearCase& c = GetParam();
    set(2020, 3, 7);
    picker->datePickerCell()->setFocusedElement(2);
    w.script->type(QString::fromUtf8(c.typed));
    if (c.leaveByTab)
        w.script->key(KeyCodeTab, "\t");
    w.script->run();
    EXPECT_EQ(shown().yearOfCommonEra(), c.year ? c.year : 2020);
    EXPECT_EQ(shown().monthOfYear(), 3);
    EXPECT_EQ(shown().dayOfMonth(), 7);
    EXPECT_EQ(target->calls.size(), c.year ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Typed, DatePickerYearTest,
    ::testing::Values(YearCase { "1999", false, 1999 }, YearCase { "0014", false, 14 }, YearCase { "14", true, 2014 },
        YearCase { "999", true, 0 }, YearCase { "14", false, 0 }));

TEST_F(DatePickerTest, TwoYearDigitsFallWithinEightyYearsBeforeToNineteenAfter)
{
    const int now = CalendarDate::fromDate(Clock::currentDate()).yearOfCommonEra();
    for (const int offset : { -80, -1, 0, 19 }) {
        set(1800, 3, 7);
        picker->datePickerCell()->setFocusedElement(2);
        const int expected = now + offset;
        w.script->type(QStringLiteral("%1").arg(expected % 100, 2, 10, QLatin1Char('0')));
        w.script->run();
        picker->datePickerCell()->setFocusedElement(2);
        EXPECT_TRUE(picker->datePickerCell()->commitTypedYear());
        EXPECT_EQ(shown().yearOfCommonEra(), expected);
    }
}

// A screen reader hears the date as shown, in the locale's order and separator, and each element
// by its name and value as the keys move through it and change it.
TEST_F(DatePickerTest, AScreenReaderHearsTheDateAsShownAndEachElementAsTheKeysMove)
{
    test::events().clear();
    AccessibilityBridge::setEventObserverForTesting(test::recordEvent);
    QAccessible::setActive(true);
    set(2026, 12, 7);
    QAccessibleInterface* date = AccessibilityBridge::interfaceFor(picker->accessibilityElement());
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->text(QAccessible::Name), QStringLiteral("07.12.2026"));
    EXPECT_EQ(date->text(QAccessible::Value), QStringLiteral("07.12.2026"));
    picker->setToolTip(QStringLiteral("Released"));
    EXPECT_EQ(date->text(QAccessible::Name), QStringLiteral("Released"));
    EXPECT_EQ(date->text(QAccessible::Description), QStringLiteral("07.12.2026"));
    ASSERT_EQ(date->childCount(), 3);

    // What the focus says at each step: the element's name and value.
    const auto focus = [&] {
        QAccessibleInterface* focused = AccessibilityBridge::interfaceFor(AccessibilityFocusedUIElement(Value(w.window)));
        const auto announced = test::eventsOf(QAccessible::Focus);
        const QString said = focused->text(QAccessible::Name) + QLatin1Char(' ') + focused->text(QAccessible::Value);
        // Once per step.
        test::events().clear();
        // The part alone reads focused, not the date around it.
        return announced.size() == 1 && announced.back() == focused && focused->parent() == date && !date->state().focused ? said : QStringLiteral("unannounced ") + said;
    };
    QStringList heard;
    w.window->makeFirstResponder(after.get());
    test::events().clear();
    w.window->makeFirstResponder(picker.get());
    heard << focus();
    for (int i = 0; i < 2; ++i) {
        w.script->key(KeyCodeTab, "\t");
        w.script->run();
        heard << focus();
    }
    EXPECT_EQ(heard, QStringList({ "Released, day 7", "Released, month 12", "Released, year 2026" }));

    test::events().clear();
    w.script->key(KeyCodeUpArrow);
    w.script->run();
    EXPECT_EQ(date->child(2)->text(QAccessible::Value), QStringLiteral("2027"));
    EXPECT_EQ(test::eventsOf(QAccessible::ValueChanged).size(), 1u);

    // Leaving it, only where the keys went is heard.
    test::events().clear();
    w.script->key(KeyCodeTab, "\t");
    w.script->run();
    ASSERT_EQ(w.window->firstResponder().get(), after.get());
    for (const QAccessibleInterface* focused : test::eventsOf(QAccessible::Focus))
        EXPECT_NE(focused, date);
    QAccessible::setActive(false);
    AccessibilityBridge::setEventObserverForTesting(nullptr);
}

} // namespace
