#include "KRKeyCodeTransformer.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/x11/XkbKeyboard.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <map>
#include <set>

using namespace kit;

KIT_REGISTER_CLASS(KRDummyClass, kit::Object)
{
    c.bundle("KeyRecorder");
}

KIT_REGISTER_CLASS(KRKeyCodeTransformer, kit::ValueTransformer)
{
    c.factory([] { return Ref<Object>(make<KRKeyCodeTransformer>()); });
}

namespace {

// Registered by name once the library is loaded.
const bool krTransformerRegistered = [] {
    ValueTransformer::setValueTransformerForName(make<KRKeyCodeTransformer>(), QStringLiteral("KRKeyCodeTransformer"));
    return true;
}();

QString krGlyph(char16_t c) { return QString(QChar(c)); }

const std::map<int, QString>& krSpecialKeys()
{
    static const std::map<int, QString> table = [] {
        std::map<int, QString> t {
            { 122, QStringLiteral("F1") }, { 120, QStringLiteral("F2") }, { 99, QStringLiteral("F3") }, { 118, QStringLiteral("F4") },
            { 96, QStringLiteral("F5") }, { 97, QStringLiteral("F6") }, { 98, QStringLiteral("F7") }, { 100, QStringLiteral("F8") },
            { 101, QStringLiteral("F9") }, { 109, QStringLiteral("F10") }, { 103, QStringLiteral("F11") }, { 111, QStringLiteral("F12") },
            { 105, QStringLiteral("F13") }, { 107, QStringLiteral("F14") }, { 113, QStringLiteral("F15") }, { 106, QStringLiteral("F16") },
            { 64, QStringLiteral("F17") }, { 79, QStringLiteral("F18") }, { 80, QStringLiteral("F19") },
            { 51, krGlyph(0x232B) }, { 117, krGlyph(0x2326) }, { 71, krGlyph(0x2327) }, { 123, krGlyph(0x2190) }, { 124, krGlyph(0x2192) },
            { 126, krGlyph(0x2191) }, { 125, krGlyph(0x2193) }, { 119, krGlyph(0x2198) }, { 115, krGlyph(0x2196) }, { 53, krGlyph(0x238B) },
            { 121, krGlyph(0x21DF) }, { 116, krGlyph(0x21DE) }, { 36, krGlyph(0x21A9) }, { 76, krGlyph(0x2305) }, { 48, krGlyph(0x21E5) },
            { 114, QStringLiteral("?") },
        };
        return t;
    }();
    return table;
}

bool krIsKeypad(int code)
{
    static const std::set<int> keypad { 65, 67, 69, 75, 78, 81, 82, 83, 84, 85, 86, 87, 88, 89, 91, 92 };
    return keypad.count(code) != 0;
}

std::map<QString, int>& krReverseMap()
{
    static std::map<QString, int> map;
    return map;
}

// The class's first use: the first map, and a rebuild at every layout change from then on.
void krInitialiseTables()
{
    static const bool done = [] {
        KRKeyCodeTransformer::regenerateStringToKeyCodeMapping();
        // Never removed, as the tables live as long as the process.
        static const Ref<Object> token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
            NotifySelectedKeyboardInputSourceChanged, nullptr, nullptr, [](Notification*) { KRKeyCodeTransformer::regenerateStringToKeyCodeMapping(); });
        return true;
    }();
    (void)done;
}

QString krDisplayString(int code)
{
    if (code < 0)
        return {};
    if (const auto it = krSpecialKeys().find(code); it != krSpecialKeys().end())
        return it->second;
    if (code == 49)
        return KRLocalizedString(QStringLiteral("Space"));
    const std::uint32_t xkb = XkbFromKeyCode(std::uint16_t(code));
    XkbKeyboard* keyboard = XkbKeyboard::shared();
    if (!xkb || !keyboard)
        return {};
    const QString character = KRFirstCharacter(keyboard->displayCharacterForKey(xkb, false)).toUpper();
    if (character.isEmpty())
        return {};
    return krIsKeypad(code) ? KRLocalizedString(QStringLiteral("Pad %@")).replace(QStringLiteral("%@"), character) : character;
}

struct KRModifierName {
    std::uint32_t carbon;
    std::uint64_t cocoa;
    char16_t glyph;
    const char* word;
};

// Glyph order: control, option, shift, command. A glyph names the key that gives the flag here:
// Command comes from Ctrl (the control key's glyph), Control from Super (where the command key sits).
constexpr KRModifierName krGlyphOrder[] = {
    { CarbonCmdKey, CommandKeyMask, 0x2303, "Command + " },
    { CarbonOptionKey, AlternateKeyMask, 0x2325, "Option + " },
    { CarbonShiftKey, ShiftKeyMask, 0x21E7, "Shift + " },
    { CarbonControlKey, ControlKeyMask, 0x2318, "Control + " },
};
// Word order: command, option, control, shift.
constexpr KRModifierName krWordOrder[] = {
    { CarbonCmdKey, CommandKeyMask, 0x2303, "Command + " },
    { CarbonOptionKey, AlternateKeyMask, 0x2325, "Option + " },
    { CarbonControlKey, ControlKeyMask, 0x2318, "Control + " },
    { CarbonShiftKey, ShiftKeyMask, 0x21E7, "Shift + " },
};
// Spoken order, as this desktop names shortcuts: Shift, Ctrl (command), Alt (option), Super (control).
constexpr KRModifierName krSpokenOrder[] = {
    { CarbonShiftKey, ShiftKeyMask, 0x21E7, "Shift + " },
    { CarbonCmdKey, CommandKeyMask, 0x2303, "Command + " },
    { CarbonOptionKey, AlternateKeyMask, 0x2325, "Option + " },
    { CarbonControlKey, ControlKeyMask, 0x2318, "Control + " },
};
constexpr std::uint64_t krFunctionBit = 0x800000;

// Keys whose display string is a glyph, by the name a synthesiser should say instead.
QString krSpokenKeyName(int code)
{
    static const std::map<int, const char*> names {
        { 51, "Backspace" }, { 117, "Delete" }, { 71, "Clear" }, { 123, "Left" }, { 124, "Right" }, { 126, "Up" }, { 125, "Down" },
        { 119, "End" }, { 115, "Home" }, { 53, "Escape" }, { 121, "Page Down" }, { 116, "Page Up" }, { 36, "Return" }, { 76, "Enter" },
        { 48, "Tab" }, { 114, "Help" },
    };
    const auto it = names.find(code);
    return it == names.end() ? KRDisplayStringForKeyCode(std::int16_t(code)) : KRLocalizedString(QString::fromLatin1(it->second));
}

} // namespace

QString KRLocalizedString(const QString& key)
{
    return Bundle::bundleForClass(KRDummyClass::staticClass())->localizedStringForKeyValueTable(key, QString(), QStringLiteral("JVLKeyRecorder"));
}

Value KRKeyCodeTransformer::transformedValue(const Value& value) const
{
    krInitialiseTables();
    if (!value.isNumber())
        return {};
    const QString s = krDisplayString(value.shortValue());
    return s.isNull() ? Value() : Value(s);
}

Value KRKeyCodeTransformer::reverseTransformedValue(const Value& value) const
{
    krInitialiseTables();
    if (!value.isString())
        return {};
    const auto it = krReverseMap().find(value.string());
    return it == krReverseMap().end() ? Value() : Value(it->second);
}

void KRKeyCodeTransformer::regenerateStringToKeyCodeMapping()
{
    auto& map = krReverseMap();
    map.clear();
    for (int code = 0; code <= 127; ++code) {
        const QString s = krDisplayString(code);
        if (!s.isEmpty())
            map[s] = code;
    }
}

QString KRDisplayStringForKeyCode(std::int16_t keyCode)
{
    static const Ref<KRKeyCodeTransformer> shared = make<KRKeyCodeTransformer>();
    const Value v = shared->transformedValue(Value(keyCode));
    return v.isString() ? v.string() : QString();
}

QString KRGlyphsForCarbonModifiers(std::uint32_t flags)
{
    QString s;
    for (const auto& m : krGlyphOrder)
        if (flags & m.carbon)
            s += QChar(m.glyph);
    return s;
}

QString KRGlyphComboForCarbonModifiers(std::uint32_t flags, std::int16_t keyCode) { return KRGlyphsForCarbonModifiers(flags) + KRDisplayStringForKeyCode(keyCode); }

QString KRGlyphsForCocoaModifiers(std::uint64_t flags)
{
    QString s;
    for (const auto& m : krGlyphOrder)
        if (flags & m.cocoa)
            s += QChar(m.glyph);
    return s;
}

QString KRGlyphComboForCocoaModifiers(std::uint64_t flags, std::int16_t keyCode) { return KRGlyphsForCocoaModifiers(flags) + KRDisplayStringForKeyCode(keyCode); }

QString KRWordComboForCarbonModifiers(std::uint32_t flags, std::int16_t keyCode)
{
    QString s;
    for (const auto& m : krWordOrder)
        if (flags & m.carbon)
            s += KRLocalizedString(QString::fromLatin1(m.word));
    return s + KRDisplayStringForKeyCode(keyCode);
}

QString KRWordComboForCocoaModifiers(std::uint64_t flags, std::int16_t keyCode)
{
    QString s;
    for (const auto& m : krWordOrder)
        if (flags & m.cocoa)
            s += KRLocalizedString(QString::fromLatin1(m.word));
    return s + KRDisplayStringForKeyCode(keyCode);
}

QString KRSpokenComboForCocoaModifiers(std::uint64_t flags, std::int16_t keyCode)
{
    QStringList parts;
    // The modifier words of the strings table ("Ctrl + ") without their spacing.
    for (const auto& m : krSpokenOrder) {
        if (!(flags & m.cocoa))
            continue;
        QString word = KRLocalizedString(QString::fromLatin1(m.word)).remove(QLatin1Char(' '));
        if (word.endsWith(QLatin1Char('+')))
            word.chop(1);
        parts << word;
    }
    if (const QString key = keyCode >= 0 ? krSpokenKeyName(keyCode) : QString(); !key.isEmpty())
        parts << key;
    return parts.join(QLatin1Char('+'));
}

std::uint64_t KRCocoaModifiersFromCarbon(std::uint32_t flags)
{
    std::uint64_t cocoa = flags & krFunctionBit;
    for (const auto& m : krWordOrder)
        if (flags & m.carbon)
            cocoa |= m.cocoa;
    return cocoa;
}

std::uint32_t KRCarbonModifiersFromCocoa(std::uint64_t flags)
{
    std::uint32_t carbon = std::uint32_t(flags & krFunctionBit);
    for (const auto& m : krWordOrder)
        if (flags & m.cocoa)
            carbon |= m.carbon;
    return carbon;
}

QString KRKeyCharacterWithCarbonModifiers(std::int16_t keyCode, std::uint32_t flags)
{
    return KRKeyCharacterWithCocoaModifiers(keyCode, KRCocoaModifiersFromCarbon(flags));
}

QString KRKeyCharacterWithCocoaModifiers(std::int16_t keyCode, std::uint64_t flags)
{
    XkbKeyboard* keyboard = XkbKeyboard::shared();
    const std::uint32_t xkb = keyCode >= 0 ? XkbFromKeyCode(std::uint16_t(keyCode)) : 0;
    // Shift picks the level; Option is Alt here, which picks no level on these layouts.
    const QString character = keyboard && xkb ? keyboard->displayCharacterForKey(xkb, flags & ShiftKeyMask) : QString();
    if (character.isEmpty())
        return KRDisplayStringForKeyCode(keyCode);
    return QLocale::system().toUpper(KRFirstCharacter(character));
}

double KRTransitionEase(double t) { return (std::sin(t * 3.141592653589793 - 1.5707963267948966) + 1) * 0.5; }

QString KRFirstCharacter(const QString& text)
{
    if (text.isEmpty())
        return {};
    return text.left(text.at(0).isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate() ? 2 : 1);
}
