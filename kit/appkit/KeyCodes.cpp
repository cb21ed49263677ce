#include "kit/appkit/KeyCodes.h"

#include "kit/appkit/Event.h"

#include <array>
#include <utility>

namespace kit {

namespace {

struct KeyEntry {
    std::uint16_t code; // virtual key code
    std::uint16_t evdev;
};

// Positional: a key is named by where it sits on the keyboard, not by what it types.
constexpr KeyEntry keyTable[] = {
    // letters
    { 0, 30 },
    { 1, 31 },
    { 2, 32 },
    { 3, 33 },
    { 4, 35 },
    { 5, 34 },
    { 6, 44 },
    { 7, 45 },
    { 8, 46 },
    { 9, 47 },
    { 11, 48 },
    { 12, 16 },
    { 13, 17 },
    { 14, 18 },
    { 15, 19 },
    { 16, 21 },
    { 17, 20 },
    { 31, 24 },
    { 32, 22 },
    { 34, 23 },
    { 35, 25 },
    { 37, 38 },
    { 38, 36 },
    { 40, 37 },
    { 45, 49 },
    { 46, 50 },
    // digits
    { 18, 2 },
    { 19, 3 },
    { 20, 4 },
    { 21, 5 },
    { 22, 7 },
    { 23, 6 },
    { 25, 10 },
    { 26, 8 },
    { 28, 9 },
    { 29, 11 },
    // punctuation; ISO section key without swapping
    { 24, 13 },
    { 27, 12 },
    { 30, 27 },
    { 33, 26 },
    { 39, 40 },
    { 41, 39 },
    { 42, 43 },
    { 43, 51 },
    { 44, 53 },
    { 47, 52 },
    { 50, 41 },
    { 10, 86 },
    // editing and navigation
    { 36, 28 },
    { 48, 15 },
    { 49, 57 },
    { 51, 14 },
    { 53, 1 },
    { 117, 111 },
    { 115, 102 },
    { 119, 107 },
    { 116, 104 },
    { 121, 109 },
    { 123, 105 },
    { 124, 106 },
    { 125, 108 },
    { 126, 103 },
    { 114, 110 },
    { 110, 127 },
    // F1..F20
    { 122, 59 },
    { 120, 60 },
    { 99, 61 },
    { 118, 62 },
    { 96, 63 },
    { 97, 64 },
    { 98, 65 },
    { 100, 66 },
    { 101, 67 },
    { 109, 68 },
    { 103, 87 },
    { 111, 88 },
    { 105, 183 },
    { 107, 184 },
    { 113, 185 },
    { 106, 186 },
    { 64, 187 },
    { 79, 188 },
    { 80, 189 },
    { 90, 190 },
    // keypad
    { 65, 83 },
    { 67, 55 },
    { 69, 78 },
    { 71, 69 },
    { 75, 98 },
    { 76, 96 },
    { 78, 74 },
    { 81, 117 },
    { 82, 82 },
    { 83, 79 },
    { 84, 80 },
    { 85, 81 },
    { 86, 75 },
    { 87, 76 },
    { 88, 77 },
    { 89, 71 },
    { 91, 72 },
    { 92, 73 },
    // volume, JIS
    { 72, 115 },
    { 73, 114 },
    { 74, 113 },
    { 93, 124 },
    { 94, 89 },
    { 95, 95 },
    // modifiers
    { 56, 42 },
    { 60, 54 },
    { 55, 29 },
    { 54, 97 },
    { 58, 56 },
    { 61, 100 },
    { 59, 125 },
    { 62, 126 },
    { 57, 58 },
};

// Second evdev code that also means Help: the Insert key.
constexpr std::uint16_t evdevHelpKey = 138;

constexpr auto evdevToCode = [] {
    std::array<std::uint16_t, 256> map {};
    map.fill(KeyCodeUnknown);
    for (const KeyEntry& e : keyTable)
        map[e.evdev] = e.code;
    map[evdevHelpKey] = KeyCodeHelp;
    return map;
}();

constexpr auto codeToEvdev = [] {
    std::array<std::uint16_t, 128> map {};
    for (const KeyEntry& e : keyTable)
        map[e.code] = e.evdev;
    return map;
}();

constexpr std::uint16_t functionKeyCodes[] = { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90 };

bool isKeypad(std::uint16_t code)
{
    switch (code) {
    case 65:
    case 67:
    case 69:
    case 71:
    case 75:
    case 76:
    case 78:
    case 81:
    case 82:
    case 83:
    case 84:
    case 85:
    case 86:
    case 87:
    case 88:
    case 89:
    case 91:
    case 92:
        return true;
    default:
        return false;
    }
}

} // namespace

std::uint16_t KeyCodeFromXkb(std::uint32_t xkbKeyCode)
{
    if (xkbKeyCode < 8 || xkbKeyCode - 8 >= evdevToCode.size())
        return KeyCodeUnknown;
    return evdevToCode[xkbKeyCode - 8];
}

std::uint32_t XkbFromKeyCode(std::uint16_t keyCode)
{
    if (keyCode >= codeToEvdev.size())
        return 0;
    // Code 0 is the A key, so an unset slot is told apart by checking the table's own entry.
    const std::uint16_t evdev = codeToEvdev[keyCode];
    if (evdev == 0)
        return 0;
    return evdev + 8u;
}

char16_t FunctionKeyCharacter(std::uint16_t keyCode)
{
    for (std::size_t i = 0; i < std::size(functionKeyCodes); ++i)
        if (functionKeyCodes[i] == keyCode)
            return char16_t(F1FunctionKey + i);
    switch (keyCode) {
    case KeyCodeUpArrow:
        return UpArrowFunctionKey;
    case KeyCodeDownArrow:
        return DownArrowFunctionKey;
    case KeyCodeLeftArrow:
        return LeftArrowFunctionKey;
    case KeyCodeRightArrow:
        return RightArrowFunctionKey;
    case KeyCodeForwardDelete:
        return DeleteFunctionKey;
    case KeyCodeHome:
        return HomeFunctionKey;
    case KeyCodeEnd:
        return EndFunctionKey;
    case KeyCodePageUp:
        return PageUpFunctionKey;
    case KeyCodePageDown:
        return PageDownFunctionKey;
    case 110:
        return MenuFunctionKey;
    case 71:
        return ClearLineFunctionKey;
    case KeyCodeHelp:
        return HelpFunctionKey;
    default:
        return 0;
    }
}

std::uint64_t KeyCodeFlags(std::uint16_t keyCode)
{
    if (keyCode == 71) // Clear sits on the keypad and is a function key
        return FunctionKeyMask | NumericPadKeyMask;
    if (isKeypad(keyCode))
        return NumericPadKeyMask;
    if (keyCode != 110 && FunctionKeyCharacter(keyCode) != 0)
        return FunctionKeyMask;
    return 0;
}

std::uint64_t ModifierFlagsFromQt(Qt::KeyboardModifiers m, bool capsLock)
{
    std::uint64_t flags = capsLock ? AlphaShiftKeyMask : 0;
    if (m & Qt::ShiftModifier)
        flags |= ShiftKeyMask;
    if (m & Qt::ControlModifier)
        flags |= CommandKeyMask;
    if (m & Qt::AltModifier)
        flags |= AlternateKeyMask;
    if (m & Qt::MetaModifier)
        flags |= ControlKeyMask;
    return flags;
}

std::uint64_t ModifierFlagForKeyCode(std::uint16_t keyCode)
{
    switch (keyCode) {
    case 56:
    case 60:
        return ShiftKeyMask;
    case 55:
    case 54:
        return CommandKeyMask;
    case 58:
    case 61:
        return AlternateKeyMask;
    case 59:
    case 62:
        return ControlKeyMask;
    case 57:
        return AlphaShiftKeyMask;
    default:
        return 0;
    }
}

QString CharactersForKey(std::uint16_t keyCode, const QString& text, std::uint64_t flags)
{
    if (const char16_t c = FunctionKeyCharacter(keyCode))
        return QString(QChar(c));
    switch (keyCode) {
    case KeyCodeReturn:
        return QStringLiteral("\r");
    case KeyCodeKeypadEnter:
        return QString(QChar(0x03));
    case KeyCodeTab:
        return QString(QChar((flags & ShiftKeyMask) ? 0x19 : 0x09));
    case KeyCodeEscape:
        return QString(QChar(0x1B));
    case KeyCodeDelete:
        return QString(QChar(0x7F));
    default:
        return text;
    }
}

} // namespace kit
