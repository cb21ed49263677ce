#pragma once

// The kit's own keyboard: a keymap and the live state of its modifiers, locks and layout, fed by
// every key press and release so that key events carry the modifiers after the key (Caps Lock
// included) and their characters come from the layout. On X11 it starts from the server's core
// keyboard; elsewhere, and in tests, from a keymap compiled from rule names.

#include <QString>

#include <cstdint>
#include <memory>

namespace kit {

// Posted on the default centre (main thread, object nil) whenever the keymap or layout that key
// lookups use changes.
inline const QString NotifySelectedKeyboardInputSourceChanged = QStringLiteral("NotifySelectedKeyboardInputSourceChanged");

class XkbKeyboard {
public:
    // Rules, model, layout, variant and options of a keymap compiled from names.
    struct Names {
        QString rules = QStringLiteral("evdev");
        QString model = QStringLiteral("pc105");
        QString layout = QStringLiteral("us");
        QString variant;
        QString options;
    };

    // A keymap compiled from names, with no key down and no lock on; nullptr when it does not compile.
    static std::unique_ptr<XkbKeyboard> fromNames(const Names& names);
    // The X server's core keyboard, with its current locks and layout; nullptr without an X connection.
    static std::unique_ptr<XkbKeyboard> fromX11();

    // The keyboard the window hosts translate with: the server's on the xcb platform, else the
    // default names. Created on first use; nullptr only when no keymap compiles at all.
    static XkbKeyboard* shared();
    // Test-only: drops the shared keyboard (the next use makes a fresh one), or installs `keyboard`
    // and posts NotifySelectedKeyboardInputSourceChanged, as a layout switch does.
    static void resetSharedForTesting(std::unique_ptr<XkbKeyboard> keyboard = nullptr);

    ~XkbKeyboard();
    XkbKeyboard(const XkbKeyboard&) = delete;
    XkbKeyboard& operator=(const XkbKeyboard&) = delete;

    // Whether the state follows an X server (key events then carry its modifier state).
    bool followsServer() const;

    // Whether the keymap has a key with this XKB key code (evdev + 8).
    bool hasKey(std::uint32_t xkbKeyCode) const;
    // Applies a press or release to the state.
    void updateKey(std::uint32_t xkbKeyCode, bool down);
    // Takes the modifiers and layout of an X core event state (the state before that event), keeping
    // which modifiers are locked or latched as far as the state allows. A keyboard that follows the
    // server first takes the server's new keymap if it changed since.
    void syncCoreState(std::uint32_t coreState);
    // Back to no key down, no lock on, the first layout.
    void reset();

    // The platform's modifier flags of the state: AlphaShift, Shift, Command (Ctrl), Alternate (Alt),
    // Control (Super).
    std::uint64_t modifierFlags() const;

    // What the key types in the current state. Ctrl (Command) leaves characters alone; Super
    // (Control) turns them into control characters. Empty for dead keys and keys without text.
    QString characters(std::uint32_t xkbKeyCode) const;
    // What the key types with Shift alone applied as it is now (no Caps Lock, no other modifier),
    // in the current layout, NumLock as it is.
    QString charactersIgnoringModifiers(std::uint32_t xkbKeyCode) const;
    // What the key types in the current layout with only Shift, as asked, whatever the live state.
    QString charactersForKey(std::uint32_t xkbKeyCode, bool shift) const;
    // What a key shows when a shortcut is named: its character at the level Shift alone selects
    // (or at the base level), in the current layout, with NumLock on so keypad keys show digits; a
    // dead key shows its spacing accent. One whole character, never half a surrogate pair; empty
    // when the key has none.
    QString displayCharacterForKey(std::uint32_t xkbKeyCode, bool shift) const;

private:
    struct Private;
    explicit XkbKeyboard(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

} // namespace kit
