#pragma once

// The process-wide record of global hot keys and the switch that silences them. Every hot key
// the kit registers with the system is listed here, so a shortcut recorder can tell the user a
// combination is taken; while a mode token is held (a recorder taking keys) no hot key fires.

#include <cstdint>
#include <vector>

namespace kit {

// Modifier bits of the system hot-key service. On Linux: command = Ctrl, option = Alt, control = Super.
inline constexpr std::uint32_t CarbonCmdKey = 0x100;
inline constexpr std::uint32_t CarbonShiftKey = 0x200;
inline constexpr std::uint32_t CarbonAlphaLock = 0x400;
inline constexpr std::uint32_t CarbonOptionKey = 0x800;
inline constexpr std::uint32_t CarbonControlKey = 0x1000;
// The four that take part in a hot key's combination.
inline constexpr std::uint32_t CarbonHotKeyModifiers = CarbonCmdKey | CarbonShiftKey | CarbonOptionKey | CarbonControlKey;

struct SymbolicHotKey {
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
    bool enabled = true;
    friend bool operator==(const SymbolicHotKey&, const SymbolicHotKey&) = default;
};

// The hot keys registered now, in registration order.
std::vector<SymbolicHotKey> CopySymbolicHotKeys();
// Kept by the hot-key service: one entry per registration.
void AddSymbolicHotKey(std::uint16_t keyCode, std::uint32_t modifiers);
void RemoveSymbolicHotKey(std::uint16_t keyCode, std::uint32_t modifiers);

enum class SymbolicHotKeyMode { Enabled = 0, AllDisabled = 1, AllDisabledExceptUniversalAccess = 2 };
using SymbolicHotKeyModeToken = std::uint64_t;

// Modes nest; the innermost held token decides. Popping an unknown token does nothing.
// On the main thread, a disabling mode also makes the key window take the keyboard for itself on
// X11 (an active grab), so no other client's passive grab (the desktop's shortcuts) takes a key
// meanwhile. The grab ends with the last disabling token, when that window resigns key or closes.
SymbolicHotKeyModeToken PushSymbolicHotKeyMode(SymbolicHotKeyMode mode);
void PopSymbolicHotKeyMode(SymbolicHotKeyModeToken token);
// Whether hot keys fire now (no disabling mode held).
bool SymbolicHotKeysEnabled();
// Whether a key window holds the keyboard for a disabling mode now (never offscreen).
bool SymbolicHotKeyModeHoldsKeyboard();
// Test-only: no hot keys listed, no mode held.
void ResetSymbolicHotKeysForTesting();

} // namespace kit
