#pragma once

// The platform's virtual key codes and their positional mapping to XKB key codes (evdev + 8),
// with the private-use characters and the Function / NumericPad flags that belong to each key.
// Every translation between the two spaces goes through the one table in KeyCodes.cpp.

#include <QString>
#include <Qt>

#include <cstdint>

namespace kit {

// Virtual key codes that the kit itself refers to by name.
enum : std::uint16_t {
    KeyCodeA = 0,
    KeyCodeS = 1,
    KeyCodeX = 7,
    KeyCodeC = 8,
    KeyCodeV = 9,
    KeyCodeReturn = 36,
    KeyCodeTab = 48,
    KeyCodeSpace = 49,
    KeyCodeDelete = 51,
    KeyCodeEscape = 53,
    KeyCodeCommand = 55,
    KeyCodeShift = 56,
    KeyCodeCapsLock = 57,
    KeyCodeOption = 58,
    KeyCodeControl = 59,
    KeyCodeKeypadEnter = 76,
    KeyCodeHelp = 114,
    KeyCodeHome = 115,
    KeyCodePageUp = 116,
    KeyCodeForwardDelete = 117,
    KeyCodeEnd = 119,
    KeyCodePageDown = 121,
    KeyCodeLeftArrow = 123,
    KeyCodeRightArrow = 124,
    KeyCodeDownArrow = 125,
    KeyCodeUpArrow = 126,
    KeyCodeUnknown = 0xFFFF,
};

// XKB key code (evdev + 8) -> virtual key code; KeyCodeUnknown when the key has none.
std::uint16_t KeyCodeFromXkb(std::uint32_t xkbKeyCode);
// Virtual key code -> XKB key code; 0 when the key has none.
std::uint32_t XkbFromKeyCode(std::uint16_t keyCode);

// The private-use character of a function key (arrows, F1..F20, Home, ...), or 0.
char16_t FunctionKeyCharacter(std::uint16_t keyCode);
// Function for F-keys, arrows, Home, End, page keys, forward delete, Help/Insert and Clear;
// NumericPad for the keypad. Zero for every other key.
std::uint64_t KeyCodeFlags(std::uint16_t keyCode);

// Qt's modifiers as the platform's flags: Ctrl is Command, Alt is Option, Meta (Super) is Control.
// AltGr and the keypad state are never flags here (NumericPad comes from the key code). Mouse
// events and keys the kit's own keyboard does not know take their flags from here.
std::uint64_t ModifierFlagsFromQt(Qt::KeyboardModifiers modifiers, bool capsLock);

// The modifier flag a modifier key sets (Shift, Command, ...), or 0 for other keys.
std::uint64_t ModifierFlagForKeyCode(std::uint16_t keyCode);

// What a key types, given its code, the text the layout gives it and the modifiers: the control
// characters the platform uses for Return, Tab, Backspace..., the private-use characters of
// function keys, else the text.
QString CharactersForKey(std::uint16_t keyCode, const QString& text, std::uint64_t flags);

} // namespace kit
