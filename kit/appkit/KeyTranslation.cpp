#include "kit/appkit/KeyTranslation.h"

#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/x11/XkbKeyboard.h"

#include <QKeyEvent>

namespace kit {

namespace {

struct Translated {
    std::uint64_t before = 0; // modifier flags before the key
    std::uint64_t after = 0;
    QString text;
    QString ignoring;
};

// The kit's own keyboard knows the key: it gives characters and flags.
Translated fromKeyboard(const QKeyEvent& event, bool down, XkbKeyboard& keyboard)
{
    const std::uint32_t key = event.nativeScanCode();
    // The server's state before this event: what happened while another application had the
    // keyboard (a lock toggled, a key released) counts too.
    if (keyboard.followsServer())
        keyboard.syncCoreState(event.nativeModifiers());
    Translated t;
    t.before = keyboard.modifierFlags();
    // What a key types is read before it changes the state, as the key itself may be a modifier.
    t.text = keyboard.characters(key);
    t.ignoring = keyboard.charactersIgnoringModifiers(key);
    if (!event.isAutoRepeat())
        keyboard.updateKey(key, down);
    t.after = keyboard.modifierFlags();
    // A string no single key types is an input method's commit: keep it.
    if (event.text().size() > 1 && event.text() != t.text)
        t.text = t.ignoring = event.text();
    return t;
}

// No keyboard of our own for the key: Qt's modifiers (from before the key) and text.
Translated fromQt(const QKeyEvent& event, bool down, std::uint16_t code, std::uint64_t capsLock)
{
    Translated t;
    t.before = ModifierFlagsFromQt(event.modifiers(), capsLock);
    t.after = t.before;
    if (const std::uint64_t modifier = ModifierFlagForKeyCode(code)) {
        if (modifier == AlphaShiftKeyMask)
            t.after = down ? (t.before ^ AlphaShiftKeyMask) : t.before;
        else
            t.after = down ? (t.before | modifier) : (t.before & ~modifier);
    }
    t.text = event.text();
    t.ignoring = t.text;
    if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
        t.ignoring = QString(QChar(event.key())).toLower();
    if (t.after & ShiftKeyMask)
        t.ignoring = t.ignoring.toUpper();
    return t;
}

} // namespace

std::optional<Event::Fields> TranslateKeyEvent(const QKeyEvent& event, bool down, XkbKeyboard* keyboard, InputState& input)
{
    // A held key repeats as release and press; the kit sees only the presses.
    if (event.isAutoRepeat() && !down)
        return std::nullopt;
    const std::uint16_t code = KeyCodeFromXkb(event.nativeScanCode());
    const std::uint64_t modifier = ModifierFlagForKeyCode(code);
    if (modifier && event.isAutoRepeat())
        return std::nullopt;

    const bool own = keyboard && keyboard->hasKey(event.nativeScanCode());
    const Translated t = own ? fromKeyboard(event, down, *keyboard)
                             : fromQt(event, down, code, (keyboard ? keyboard->modifierFlags() : input.modifierFlags) & AlphaShiftKeyMask);

    EventType type = down ? KeyDown : KeyUp;
    if (modifier) {
        // Caps Lock locks on one press and unlocks on the release of the next: only those change.
        if (modifier == AlphaShiftKeyMask && ((t.before ^ t.after) & AlphaShiftKeyMask) == 0)
            return std::nullopt;
        type = FlagsChanged;
    }
    input.modifierFlags = t.after & DeviceIndependentModifierFlagsMask & ~(FunctionKeyMask | NumericPadKeyMask);
    if (down)
        input.keysDown.insert(code);
    else
        input.keysDown.erase(code);

    Event::Fields f;
    f.type = type;
    f.modifierFlags = t.after | KeyCodeFlags(code);
    f.keyCode = code;
    if (type != FlagsChanged) {
        f.characters = CharactersForKey(code, t.text, f.modifierFlags);
        f.charactersIgnoringModifiers = CharactersForKey(code, t.ignoring, f.modifierFlags & ShiftKeyMask);
        f.isARepeat = event.isAutoRepeat();
    }
    return f;
}

std::optional<Event::Fields> TranslateKeyEvent(const QKeyEvent& event, bool down)
{
    return TranslateKeyEvent(event, down, XkbKeyboard::shared(), InputState::shared());
}

} // namespace kit
