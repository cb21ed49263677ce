#include "KRValidator.h"

#include "KRKeyCodeTransformer.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/core/Format.h"

using namespace kit;

KIT_REGISTER_CLASS(KRValidator, kit::Object) { }

namespace {

const QString krDescriptionText = QStringLiteral("The key combination %@ can't be used!");
const QString krDelegateReasonText = QStringLiteral("The key combination \"%@\" can't be used because %@.");
const QString krSystemReasonText = QStringLiteral(
    "The key combination \"%@\" can't be used because it's already used by a system-wide keyboard shortcut. (If you really want to use this key combination, most shortcuts can be changed in the Keyboard & Mouse panel in System Preferences.)");
const QString krMenuReasonText = QStringLiteral("The key combination \"%@\" can't be used because it's already used by the menu item \"%@\".");

Ref<Error> krTakenError(std::int64_t keyCode, std::uint32_t flags, const QString& reason)
{
    Dictionary info;
    // In this desktop's words ("Ctrl + Q"), as the reason below it: the glyphs are another system's.
    info.setObjectForKey(Value(kit::format(KRLocalizedString(krDescriptionText), KRWordComboForCarbonModifiers(flags, std::int16_t(keyCode)))),
        LocalizedDescriptionKey);
    info.setObjectForKey(Value(reason), LocalizedRecoverySuggestionErrorKey);
    info.setObjectForKey(Value(Array { Value(QStringLiteral("OK")) }), LocalizedRecoveryOptionsErrorKey);
    return Error::errorWithDomainCodeUserInfo(CocoaErrorDomain, 0, info);
}

QString krSystemReason(std::int64_t keyCode, std::uint32_t flags)
{
    return kit::format(KRLocalizedString(krSystemReasonText), KRWordComboForCarbonModifiers(flags, std::int16_t(keyCode)));
}

// The key code a non-printing key equivalent stands for (function keys, Return, Tab, Escape,
// Delete), or -1 for a printable one.
std::int64_t krKeyCodeOfEquivalent(const QString& key)
{
    if (key.size() != 1)
        return -1;
    const char16_t c = key.at(0).unicode();
    switch (c) {
    case u'\r': return 36;
    case u'\t': return 48;
    case 0x1B: return 53;
    case 0x7F: return 51;
    default: break;
    }
    if (c < 0xF700 || c > 0xF8FF)
        return -1;
    for (std::uint16_t code = 0; code <= 127; ++code)
        if (FunctionKeyCharacter(code) == c)
            return code;
    return -1;
}

} // namespace

bool KRValidator::isKeyCodeAndFlagsTakenError(std::int64_t keyCode, std::uint32_t flags, Ref<Error>* error)
{
    const Ref<KRValidator> keep(this);
    // 1. The delegate, without asking whether it implements the question: anything else says NO.
    if (const Ref<Object> delegate = delegate_.lock()) {
        if (auto* validation = dynamic_cast<KRValidation*>(delegate.get())) {
            QString reason;
            if (validation->shortcutValidatorIsKeyCodeAndFlagsTakenReason(this, keyCode, KRCocoaModifiersFromCarbon(flags), &reason)) {
                if (error)
                    *error = krTakenError(keyCode, flags,
                        kit::format(KRLocalizedString(krDelegateReasonText), KRWordComboForCarbonModifiers(flags, std::int16_t(keyCode)),
                            reason.isEmpty() ? QStringLiteral("it's already used") : reason));
                return true;
            }
        }
    }
    // 2. The application's global hot keys.
    for (const SymbolicHotKey& hotKey : CopySymbolicHotKeys()) {
        if (!hotKey.enabled)
            continue;
        // A key without a name cannot be told apart: taken, and said so.
        const bool nameless = KRDisplayStringForKeyCode(std::int16_t(keyCode)).isEmpty();
        if (nameless || (hotKey.keyCode == keyCode && (hotKey.modifiers & CarbonHotKeyModifiers) == (flags & CarbonHotKeyModifiers))) {
            if (error)
                *error = krTakenError(keyCode, flags, krSystemReason(keyCode, flags));
            return true;
        }
    }
    // 3. The main menu.
    const Ref<Menu> mainMenu = Menu::mainMenu();
    return mainMenu && isKeyCodeAndFlagsTakenInMenuError(keyCode, flags, mainMenu.get(), error);
}

bool KRValidator::isKeyCodeAndFlagsTakenInMenuError(std::int64_t keyCode, std::uint32_t flags, Menu* menu, Ref<Error>* error)
{
    if (!menu)
        return false;
    const QString display = KRDisplayStringForKeyCode(std::int16_t(keyCode));
    for (const Ref<MenuItem>& item : std::vector<Ref<MenuItem>>(menu->itemArray())) {
        if (item->submenu() && isKeyCodeAndFlagsTakenInMenuError(keyCode, flags, item->submenu().get(), error))
            return true;
        const QString key = item->keyEquivalent();
        if (key.isEmpty())
            continue;
        const std::int64_t keyCodeOfKey = krKeyCodeOfEquivalent(key);
        const bool sameKey = keyCodeOfKey >= 0 ? keyCodeOfKey == keyCode : (!display.isEmpty() && key.toUpper() == display);
        const std::uint64_t mask = item->keyEquivalentModifierMask();
        const bool sameModifiers = bool(mask & CommandKeyMask) == bool(flags & CarbonCmdKey) && bool(mask & ShiftKeyMask) == bool(flags & CarbonShiftKey)
            && bool(mask & AlternateKeyMask) == bool(flags & CarbonOptionKey) && bool(mask & ControlKeyMask) == bool(flags & CarbonControlKey);
        if (sameKey && sameModifiers) {
            if (error)
                *error = krTakenError(keyCode, flags,
                    kit::format(KRLocalizedString(krMenuReasonText), KRWordComboForCocoaModifiers(mask, std::int16_t(keyCode)), item->title()));
            return true;
        }
    }
    return false;
}

Ref<Alert> KRAdditions::alertWithNonRecoverableError(const Error& error)
{
    const Array options = error.userInfo().objectForKey(LocalizedRecoveryOptionsErrorKey).array();
    const QString suggestion = error.localizedRecoverySuggestion();
    return Alert::alertWithMessageTextDefaultButtonAlternateButtonOtherButtonInformativeTextWithFormat(error.localizedDescription(),
        options.isEmpty() ? QString() : options[0].stringValue(), QString(), QString(), QStringLiteral("%@"), suggestion.isNull() ? QString("") : suggestion);
}
