#include "kit/appkit/KeyCodes.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyBindings.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

struct KeyCase {
    std::uint16_t code;
    std::uint32_t evdev;
    char16_t character; // 0 = not a function key
    std::uint64_t flags;
};

class KeyCodeTable : public testing::TestWithParam<KeyCase> { };

TEST_P(KeyCodeTable, MapsBothWaysWithCharacterAndFlags)
{
    const KeyCase c = GetParam();
    EXPECT_EQ(KeyCodeFromXkb(c.evdev + 8), c.code);
    EXPECT_EQ(XkbFromKeyCode(c.code), c.evdev + 8);
    EXPECT_EQ(FunctionKeyCharacter(c.code), c.character);
    EXPECT_EQ(KeyCodeFlags(c.code), c.flags);
}

constexpr std::uint64_t F = FunctionKeyMask;
constexpr std::uint64_t N = NumericPadKeyMask;

INSTANTIATE_TEST_SUITE_P(Keys, KeyCodeTable,
    testing::Values(KeyCase { 0, 30, 0, 0 }, // A
        KeyCase { 4, 35, 0, 0 }, // H sits right of G
        KeyCase { 5, 34, 0, 0 }, // G
        KeyCase { 16, 21, 0, 0 }, // Y
        KeyCase { 22, 7, 0, 0 }, // 6
        KeyCase { 23, 6, 0, 0 }, // 5
        KeyCase { 10, 86, 0, 0 }, // ISO section, no swap with `
        KeyCase { 50, 41, 0, 0 }, // `
        KeyCase { 36, 28, 0, 0 }, // Return
        KeyCase { 51, 14, 0, 0 }, // Backspace
        KeyCase { 117, 111, DeleteFunctionKey, F }, // forward delete
        KeyCase { 115, 102, HomeFunctionKey, F }, // Home
        KeyCase { 121, 109, PageDownFunctionKey, F }, // PgDn
        KeyCase { 123, 105, LeftArrowFunctionKey, F }, // left
        KeyCase { 126, 103, UpArrowFunctionKey, F }, // up
        KeyCase { 114, 110, HelpFunctionKey, F }, // Help = Insert
        KeyCase { 110, 127, MenuFunctionKey, 0 }, // Menu is no function key
        KeyCase { 122, 59, F1FunctionKey, F }, // F1
        KeyCase { 111, 88, char16_t(0xF70F), F }, // F12
        KeyCase { 90, 190, char16_t(0xF717), F }, // F20
        KeyCase { 71, 69, ClearLineFunctionKey, F | N }, // Clear
        KeyCase { 76, 96, 0, N }, // keypad Enter
        KeyCase { 82, 82, 0, N }, // keypad 0
        KeyCase { 92, 73, 0, N }, // keypad 9
        KeyCase { 93, 124, 0, 0 }, // JIS yen
        KeyCase { 55, 29, 0, 0 }, // Command = left Ctrl
        KeyCase { 59, 125, 0, 0 })); // Control = left Super

TEST(KeyCodes, InsertIsASecondHelpKeyAndUnknownKeysAreFFFF)
{
    EXPECT_EQ(KeyCodeFromXkb(138 + 8), KeyCodeHelp);
    EXPECT_EQ(KeyCodeFromXkb(240 + 8), KeyCodeUnknown);
    EXPECT_EQ(KeyCodeFromXkb(3), KeyCodeUnknown);
    EXPECT_EQ(XkbFromKeyCode(KeyCodeUnknown), 0u);
}

TEST(KeyCodes, ModifierKeysSetTheirFlagWithCommandOnCtrlAndControlOnSuper)
{
    EXPECT_EQ(ModifierFlagForKeyCode(KeyCodeFromXkb(29 + 8)), CommandKeyMask);
    EXPECT_EQ(ModifierFlagForKeyCode(KeyCodeFromXkb(97 + 8)), CommandKeyMask);
    EXPECT_EQ(ModifierFlagForKeyCode(KeyCodeFromXkb(56 + 8)), AlternateKeyMask);
    EXPECT_EQ(ModifierFlagForKeyCode(KeyCodeFromXkb(125 + 8)), ControlKeyMask);
    EXPECT_EQ(ModifierFlagForKeyCode(KeyCodeFromXkb(58 + 8)), AlphaShiftKeyMask);
    EXPECT_EQ(ModifierFlagForKeyCode(KeyCodeFromXkb(54 + 8)), ShiftKeyMask);
    EXPECT_EQ(ModifierFlagForKeyCode(KeyCodeA), 0u);
}

TEST(KeyCodes, ControlCharactersOfEditingKeys)
{
    EXPECT_EQ(CharactersForKey(KeyCodeReturn, "\n", 0), QStringLiteral("\r"));
    EXPECT_EQ(CharactersForKey(KeyCodeKeypadEnter, "\r", 0), QString(QChar(3)));
    EXPECT_EQ(CharactersForKey(KeyCodeTab, "\t", 0), QStringLiteral("\t"));
    EXPECT_EQ(CharactersForKey(KeyCodeTab, "", ShiftKeyMask), QString(QChar(0x19)));
    EXPECT_EQ(CharactersForKey(KeyCodeEscape, "", 0), QString(QChar(0x1B)));
    EXPECT_EQ(CharactersForKey(KeyCodeDelete, "\b", 0), QString(QChar(0x7F)));
    EXPECT_EQ(CharactersForKey(KeyCodeA, "a", 0), QStringLiteral("a"));
}

struct BindingCase {
    std::uint16_t code;
    std::uint64_t flags;
    const char* action;
};

class KeyBindingTable : public testing::TestWithParam<BindingCase> { };

TEST_P(KeyBindingTable, BindsKeyToAction)
{
    const BindingCase c = GetParam();
    EXPECT_EQ(ActionForKey(c.code, c.flags), selectorFromString(QString::fromUtf8(c.action))) << c.action;
}

INSTANTIATE_TEST_SUITE_P(Bindings, KeyBindingTable,
    testing::Values(BindingCase { KeyCodeLeftArrow, FunctionKeyMask | NumericPadKeyMask, "moveLeft" },
        BindingCase { KeyCodeUpArrow, ShiftKeyMask | FunctionKeyMask, "moveUpAndModifySelection" },
        BindingCase { KeyCodeTab, 0, "insertTab" }, BindingCase { KeyCodeTab, ShiftKeyMask, "insertBacktab" },
        BindingCase { KeyCodeTab, CommandKeyMask, "selectNextKeyView" },
        BindingCase { KeyCodeTab, CommandKeyMask | ShiftKeyMask, "selectPreviousKeyView" },
        BindingCase { KeyCodeReturn, 0, "insertNewline" }, BindingCase { KeyCodeReturn, ShiftKeyMask, "insertNewline" },
        BindingCase { KeyCodeKeypadEnter, NumericPadKeyMask, "insertNewline" },
        BindingCase { KeyCodeReturn, AlternateKeyMask, "insertNewlineIgnoringFieldEditor" },
        BindingCase { KeyCodeDelete, 0, "deleteBackward" }, BindingCase { KeyCodeForwardDelete, FunctionKeyMask, "deleteForward" },
        BindingCase { KeyCodeEscape, 0, "cancelOperation" }, BindingCase { KeyCodeRightArrow, CommandKeyMask, "moveWordRight" },
        BindingCase { KeyCodeHome, CommandKeyMask, "moveToBeginningOfDocument" }, BindingCase { KeyCodeA, CommandKeyMask, "selectAll" },
        BindingCase { KeyCodeA, 0, "" }, BindingCase { KeyCodeA, AlphaShiftKeyMask, "" },
        BindingCase { KeyCodeC, CommandKeyMask, "copy" }, BindingCase { KeyCodeX, CommandKeyMask, "cut" },
        BindingCase { KeyCodeV, CommandKeyMask, "paste" }, BindingCase { KeyCodeV, 0, "" },
        BindingCase { KeyCodeUpArrow, CommandKeyMask | ShiftKeyMask | FunctionKeyMask, "moveToBeginningOfParagraphAndModifySelection" },
        BindingCase { KeyCodeDownArrow, CommandKeyMask | ShiftKeyMask | FunctionKeyMask, "moveToEndOfParagraphAndModifySelection" }));

} // namespace

namespace {

using namespace kit;

struct ModifierCase {
    Qt::KeyboardModifiers qt;
    bool caps;
    std::uint64_t flags;
};

class ModifierMapping : public testing::TestWithParam<ModifierCase> { };

TEST_P(ModifierMapping, QtModifiersBecomeThePlatformsFlags)
{
    EXPECT_EQ(ModifierFlagsFromQt(GetParam().qt, GetParam().caps), GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(Modifiers, ModifierMapping,
    testing::Values(ModifierCase { Qt::ControlModifier, false, CommandKeyMask }, ModifierCase { Qt::AltModifier, false, AlternateKeyMask },
        ModifierCase { Qt::MetaModifier, false, ControlKeyMask },
        ModifierCase { Qt::ShiftModifier, true, ShiftKeyMask | AlphaShiftKeyMask }, ModifierCase { Qt::GroupSwitchModifier, false, 0 },
        ModifierCase { Qt::KeypadModifier, false, 0 },
        ModifierCase {
            Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, false, CommandKeyMask | AlternateKeyMask | ShiftKeyMask }));

} // namespace
