#include "kit/appkit/Event.h"

#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"

#include <QGuiApplication>
#include <QStyleHints>

#include <gtest/gtest.h>

namespace {

using namespace kit;

TEST(Event, FieldsOfTheWrongKindThrow)
{
    auto mouse = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
        LeftMouseDown, MakePoint(3, 4), ShiftKeyMask, 1.5, 0, nullptr, 0, 2, 1);
    EXPECT_EQ(mouse->clickCount(), 2);
    EXPECT_EQ(mouse->locationInWindow(), MakePoint(3, 4));
    EXPECT_THROW(mouse->keyCode(), kit::Exception);
    EXPECT_THROW(mouse->characters(), kit::Exception);
    EXPECT_THROW(mouse->trackingNumber(), kit::Exception);

    auto key
        = Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
            KeyUp, ZeroPoint, 0, 0, -1, nullptr, "a", "a", false, KeyCodeA);
    EXPECT_EQ(key->keyCode(), KeyCodeA);
    EXPECT_EQ(key->windowNumber(), -1);
    EXPECT_FALSE(key->window());
    EXPECT_THROW(key->clickCount(), kit::Exception);
    EXPECT_THROW(key->deltaX(), kit::Exception);

    auto flags
        = Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
            FlagsChanged, ZeroPoint, ShiftKeyMask, 0, 0, nullptr, "", "", false, KeyCodeShift);
    EXPECT_EQ(flags->keyCode(), KeyCodeShift);
    EXPECT_THROW(flags->characters(), kit::Exception);

    auto other = Event::otherEventWithTypeLocationModifierFlagsTimestampWindowNumberContextSubtypeData1Data2(
        ApplicationDefined, ZeroPoint, 0, 0, 0, nullptr, 7, 8, 9);
    EXPECT_EQ(other->data1(), 8);
    EXPECT_THROW(other->clickCount(), kit::Exception);

    EXPECT_THROW(Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
                     KeyDown, ZeroPoint, 0, 0, 0, nullptr, 0, 1, 0),
        kit::Exception);
}

TEST(Event, EnterExitEventsCarryTagAndUserData)
{
    int data = 0;
    auto e = Event::enterExitEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberTrackingNumberUserData(
        MouseEntered, ZeroPoint, 0, 0, 0, nullptr, 0, 42, &data);
    EXPECT_EQ(e->trackingNumber(), 42);
    EXPECT_EQ(e->userData(), &data);
    EXPECT_THROW(e->clickCount(), kit::Exception);
}

struct ClickCase {
    const char* name;
    int button;
    double dt;
    double dx;
    std::int64_t expected;
};

class ClickCounting : public testing::TestWithParam<ClickCase> {
protected:
    void SetUp() override { InputState::reset(); }
    void TearDown() override { InputState::reset(); }
};

TEST_P(ClickCounting, CountsPressesOfTheSameButtonCloseInTimeAndPlace)
{
    const ClickCase c = GetParam();
    InputState& input = InputState::shared();
    EXPECT_EQ(input.countClick(0, 10, MakePoint(100, 100)), 1);
    EXPECT_EQ(input.countClick(c.button, 10 + c.dt, MakePoint(100 + c.dx, 100)), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Clicks, ClickCounting,
    testing::Values(ClickCase { "double", 0, 0.2, 2, 2 }, ClickCase { "too slow", 0, 0.5, 0, 1 }, ClickCase { "too far", 0, 0.1, 6, 1 },
        ClickCase { "other button", 1, 0.1, 0, 1 }, ClickCase { "just within", 0, 0.39, 5, 2 }));

TEST(Event, TripleClickKeepsCounting)
{
    InputState::reset();
    InputState& input = InputState::shared();
    input.countClick(0, 1, ZeroPoint);
    input.countClick(0, 1.3, ZeroPoint);
    EXPECT_EQ(input.countClick(0, 1.6, ZeroPoint), 3);
    InputState::reset();
}

TEST(Event, DoubleClickLimitsComeFromThePlatformAndCanBeChanged)
{
    InputState::reset();
    QStyleHints* hints = QGuiApplication::styleHints();
    const int interval = hints->mouseDoubleClickInterval();
    hints->setMouseDoubleClickInterval(1000);
    InputState& input = InputState::shared();
    input.doubleClickDistanceOverride = 20;
    EXPECT_DOUBLE_EQ(Event::doubleClickInterval(), 1.0);
    input.countClick(0, 1, ZeroPoint);
    EXPECT_EQ(input.countClick(0, 1.9, MakePoint(15, 0)), 2);
    hints->setMouseDoubleClickInterval(interval);
    InputState::reset();
    EXPECT_DOUBLE_EQ(InputState::shared().doubleClickDistance(), hints->mouseDoubleClickDistance());
}

} // namespace
