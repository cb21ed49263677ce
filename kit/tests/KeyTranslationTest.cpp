#include "kit/appkit/KeyTranslation.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/RunLoop.h"
#include "kit/x11/XkbKeyboard.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace kit;

constexpr std::uint16_t KeyCodeQuote = 39, KeyCodeF1 = 122, KeyCodeKeypad1 = 83, KeyCodeClear = 71;
constexpr std::uint16_t KeyCodeRightCommand = 54, KeyCodeRightShift = 60;

// Translates Qt key events as the X server sends them (scan code = XKB key code) against a
// keyboard compiled from names and an input state of its own.
class KeyTranslation : public testing::Test {
protected:
    void SetUp() override { useLayout("us"); }

    void useLayout(const char* layout, const char* variant = "")
    {
        XkbKeyboard::Names names;
        names.layout = QString::fromLatin1(layout);
        names.variant = QString::fromLatin1(variant);
        keyboard = XkbKeyboard::fromNames(names);
        ASSERT_TRUE(keyboard);
    }

    std::optional<Event::Fields> key(bool down, std::uint16_t code, bool repeat = false)
    {
        QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, XkbFromKeyCode(code), 0, 0,
            QStringLiteral("?"), repeat);
        return TranslateKeyEvent(e, down, keyboard.get(), input);
    }
    std::optional<Event::Fields> down(std::uint16_t code) { return key(true, code); }
    std::optional<Event::Fields> up(std::uint16_t code) { return key(false, code); }

    std::unique_ptr<XkbKeyboard> keyboard;
    InputState input;
};

struct ModifierKeyCase {
    const char* name;
    std::uint16_t code;
    std::uint64_t flag;
};

void PrintTo(const ModifierKeyCase& c, std::ostream* os) { *os << c.name; }

class ModifierKeys : public KeyTranslation, public testing::WithParamInterface<ModifierKeyCase> { };

TEST_P(ModifierKeys, ChangeFlagsWithTheirCodeAndTheFlagsAfterTheChange)
{
    const ModifierKeyCase& c = GetParam();
    const auto pressed = down(c.code);
    ASSERT_TRUE(pressed) << c.name;
    EXPECT_EQ(pressed->type, FlagsChanged);
    EXPECT_EQ(pressed->keyCode, c.code);
    EXPECT_EQ(pressed->modifierFlags, c.flag);
    EXPECT_EQ(input.modifierFlags, c.flag);
    EXPECT_TRUE(input.keysDown.contains(c.code));
    const auto released = up(c.code);
    ASSERT_TRUE(released);
    EXPECT_EQ(released->type, FlagsChanged);
    EXPECT_EQ(released->keyCode, c.code);
    EXPECT_EQ(released->modifierFlags, 0u);
    EXPECT_EQ(input.modifierFlags, 0u);
    EXPECT_FALSE(input.keysDown.contains(c.code));
}

INSTANTIATE_TEST_SUITE_P(Modifiers, ModifierKeys,
    testing::Values(ModifierKeyCase { "shift", KeyCodeShift, ShiftKeyMask },
        ModifierKeyCase { "right shift", KeyCodeRightShift, ShiftKeyMask }, ModifierKeyCase { "ctrl", KeyCodeCommand, CommandKeyMask },
        ModifierKeyCase { "right ctrl", KeyCodeRightCommand, CommandKeyMask }, ModifierKeyCase { "alt", KeyCodeOption, AlternateKeyMask },
        ModifierKeyCase { "super", KeyCodeControl, ControlKeyMask }));

TEST_F(KeyTranslation, CapsLockChangesFlagsOncePerToggleAndKeysTypeCapitals)
{
    auto on = down(KeyCodeCapsLock);
    ASSERT_TRUE(on);
    EXPECT_EQ(on->type, FlagsChanged);
    EXPECT_EQ(on->keyCode, KeyCodeCapsLock);
    EXPECT_EQ(on->modifierFlags, AlphaShiftKeyMask);
    EXPECT_FALSE(up(KeyCodeCapsLock));

    auto a = down(KeyCodeA);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->type, KeyDown);
    EXPECT_EQ(a->modifierFlags, AlphaShiftKeyMask);
    EXPECT_EQ(a->characters, QStringLiteral("A"));
    EXPECT_EQ(a->charactersIgnoringModifiers, QStringLiteral("a"));
    auto aUp = up(KeyCodeA);
    ASSERT_TRUE(aUp);
    EXPECT_EQ(aUp->type, KeyUp);
    EXPECT_EQ(aUp->characters, QStringLiteral("A"));
    EXPECT_EQ(input.modifierFlags, AlphaShiftKeyMask);

    EXPECT_FALSE(down(KeyCodeCapsLock));
    auto off = up(KeyCodeCapsLock);
    ASSERT_TRUE(off);
    EXPECT_EQ(off->type, FlagsChanged);
    EXPECT_EQ(off->keyCode, KeyCodeCapsLock);
    EXPECT_EQ(off->modifierFlags, 0u);
    EXPECT_EQ(down(KeyCodeA)->characters, QStringLiteral("a"));
}

TEST_F(KeyTranslation, FunctionAndEditingKeysKeepThePlatformsCharacters)
{
    auto f1 = down(KeyCodeF1);
    ASSERT_TRUE(f1);
    EXPECT_EQ(f1->modifierFlags, FunctionKeyMask);
    EXPECT_EQ(f1->characters, QString(QChar(F1FunctionKey)));
    EXPECT_EQ(f1->charactersIgnoringModifiers, QString(QChar(F1FunctionKey)));
    EXPECT_EQ(down(KeyCodeLeftArrow)->characters, QString(QChar(LeftArrowFunctionKey)));
    EXPECT_EQ(down(KeyCodeReturn)->characters, QStringLiteral("\r"));
    EXPECT_EQ(down(KeyCodeDelete)->characters, QString(QChar(0x7F)));
    down(KeyCodeShift);
    auto backtab = down(KeyCodeTab);
    ASSERT_TRUE(backtab);
    EXPECT_EQ(backtab->characters, QString(QChar(0x19)));
    EXPECT_EQ(backtab->charactersIgnoringModifiers, QString(QChar(0x19)));
}

TEST_F(KeyTranslation, KeypadKeysAreNumericPadKeys)
{
    auto moving = down(KeyCodeKeypad1);
    ASSERT_TRUE(moving);
    EXPECT_EQ(moving->modifierFlags, NumericPadKeyMask);
    EXPECT_EQ(moving->characters, QString(QChar(EndFunctionKey)));
    up(KeyCodeKeypad1);
    // NumLock sits where the keypad's Clear key is.
    auto clear = down(KeyCodeClear);
    ASSERT_TRUE(clear);
    EXPECT_EQ(clear->type, KeyDown);
    EXPECT_EQ(clear->modifierFlags, FunctionKeyMask | NumericPadKeyMask);
    up(KeyCodeClear);
    auto digit = down(KeyCodeKeypad1);
    ASSERT_TRUE(digit);
    EXPECT_EQ(digit->modifierFlags, NumericPadKeyMask);
    EXPECT_EQ(digit->characters, QStringLiteral("1"));
    EXPECT_EQ(digit->charactersIgnoringModifiers, QStringLiteral("1"));
    EXPECT_EQ(input.modifierFlags, 0u);
}

TEST_F(KeyTranslation, DeadKeysGiveEmptyCharacters)
{
    useLayout("us", "intl");
    auto accent = down(KeyCodeQuote);
    ASSERT_TRUE(accent);
    EXPECT_EQ(accent->type, KeyDown);
    EXPECT_EQ(accent->characters, QString());
    EXPECT_EQ(accent->charactersIgnoringModifiers, QString());
}

TEST_F(KeyTranslation, RepeatsArePressesOnlyAndLeaveLocksAlone)
{
    down(KeyCodeA);
    EXPECT_FALSE(key(false, KeyCodeA, true));
    auto again = key(true, KeyCodeA, true);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isARepeat);
    EXPECT_EQ(again->characters, QStringLiteral("a"));

    down(KeyCodeCapsLock);
    EXPECT_FALSE(key(true, KeyCodeCapsLock, true));
    up(KeyCodeCapsLock);
    EXPECT_EQ(keyboard->modifierFlags(), AlphaShiftKeyMask);
}

TEST_F(KeyTranslation, InputMethodCommitsKeepQtsText)
{
    down(KeyCodeCapsLock);
    // No key of the keyboard: Qt's text and modifiers, with the kit's Caps Lock.
    QKeyEvent commit(QEvent::KeyPress, Qt::Key_unknown, Qt::ShiftModifier, 0, 0, 0, QStringLiteral("日本"));
    auto f = TranslateKeyEvent(commit, true, keyboard.get(), input);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->keyCode, KeyCodeUnknown);
    EXPECT_EQ(f->characters, QStringLiteral("日本"));
    EXPECT_EQ(f->modifierFlags, ShiftKeyMask | AlphaShiftKeyMask);
    // A commit on a real key's event is no single key's text: kept too.
    QKeyEvent onKey(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, XkbFromKeyCode(KeyCodeA), 0, 0, QStringLiteral("ab"));
    EXPECT_EQ(TranslateKeyEvent(onKey, true, keyboard.get(), input)->characters, QStringLiteral("ab"));
}

TEST_F(KeyTranslation, WithoutAKeyboardQtsModifiersGetTheKeysChange)
{
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier, XkbFromKeyCode(KeyCodeShift), 0, 0);
    auto f = TranslateKeyEvent(shift, true, nullptr, input);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->type, FlagsChanged);
    EXPECT_EQ(f->modifierFlags, ShiftKeyMask);
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, XkbFromKeyCode(KeyCodeA), 0, 0, QStringLiteral("A"));
    f = TranslateKeyEvent(a, true, nullptr, input);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->characters, QStringLiteral("A"));
    EXPECT_EQ(f->charactersIgnoringModifiers, QStringLiteral("A"));
}

TEST(KeyTranslationHost, TheWindowHostPostsTranslatedKeysWithTheSharedKeyboard)
{
    XkbKeyboard::resetSharedForTesting(XkbKeyboard::fromNames({}));
    InputState::reset();
    auto window = make<Window>(MakeRect(0, 0, 100, 100), BorderlessWindowMask);
    QWidget* host = window->hostWidget();
    QKeyEvent caps(QEvent::KeyPress, Qt::Key_CapsLock, Qt::NoModifier, XkbFromKeyCode(KeyCodeCapsLock), 0, 0);
    QCoreApplication::sendEvent(host, &caps);
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, XkbFromKeyCode(KeyCodeA), 0, 0, QStringLiteral("a"));
    QCoreApplication::sendEvent(host, &a);
    auto app = Application::sharedApplication();
    const Ref<Event> flags = app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, 0.0, DefaultRunLoopMode, true);
    const Ref<Event> typed = app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, 0.0, DefaultRunLoopMode, true);
    ASSERT_TRUE(flags && typed);
    EXPECT_EQ(flags->type(), FlagsChanged);
    EXPECT_EQ(typed->characters(), QStringLiteral("A"));
    EXPECT_EQ(typed->charactersIgnoringModifiers(), QStringLiteral("a"));
    EXPECT_EQ(typed->window(), window);
    EXPECT_EQ(Event::currentModifierFlags(), AlphaShiftKeyMask);
    Application::resetForTesting();
    InputState::reset();
    XkbKeyboard::resetSharedForTesting();
}

// A dead key's or an input method's result comes as an input-method event: a key-down of no key
// with that text. Text still being composed posts nothing.
TEST(KeyTranslationHost, InputMethodCommitsBecomeKeyDownsWithTheirText)
{
    XkbKeyboard::resetSharedForTesting(XkbKeyboard::fromNames({}));
    InputState::reset();
    auto window = make<Window>(MakeRect(0, 0, 100, 100), BorderlessWindowMask);
    QInputMethodEvent composing(QStringLiteral("´"), {});
    QCoreApplication::sendEvent(window->hostWidget(), &composing);
    QInputMethodEvent done;
    done.setCommitString(QStringLiteral("é"));
    QCoreApplication::sendEvent(window->hostWidget(), &done);
    auto app = Application::sharedApplication();
    const Ref<Event> typed = app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, 0.0, DefaultRunLoopMode, true);
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->type(), KeyDown);
    EXPECT_EQ(typed->keyCode(), KeyCodeUnknown);
    EXPECT_EQ(typed->characters(), QStringLiteral("é"));
    EXPECT_EQ(typed->window(), window);
    EXPECT_FALSE(app->nextEventMatchingMaskUntilDateInModeDequeue(AnyEventMask, 0.0, DefaultRunLoopMode, true));
    Application::resetForTesting();
    InputState::reset();
    XkbKeyboard::resetSharedForTesting();
}

} // namespace
