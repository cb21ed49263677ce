// Keyed archiving of the cells' settings. Decoding applies only the keys present, base class first,
// so an archive from an older writer leaves the rest at the defaults of the plain factory.

#include "kit/controls/ActionCell.h"
#include "kit/controls/ButtonCell.h"
#include "kit/controls/Cell.h"

namespace kit {

namespace {

template <class F> void ifPresent(Coder& coder, const char* key, F apply)
{
    if (coder.containsValueForKey(QLatin1String(key)))
        apply(QLatin1String(key));
}

QString stringForKey(Coder& coder, const QString& key)
{
    const Value v = coder.decodeObjectForKey(key);
    return v.isString() ? v.string() : QString();
}

} // namespace

void Cell::encodeWithCoder(Coder& coder) const
{
    coder.encodeBoolForKey(allowsMixedState(), "allowsMixedState");
    coder.encodeIntForKey(state(), "state");
    coder.encodeBoolForKey(isEnabled(), "enabled");
    coder.encodeBoolForKey(isBordered(), "bordered");
    coder.encodeBoolForKey(isBezeled(), "bezeled");
    coder.encodeIntegerForKey(std::int64_t(alignment()), "alignment");
    coder.encodeIntegerForKey(std::int64_t(controlSize()), "controlSize");
    coder.encodeIntegerForKey(std::int64_t(lineBreakMode()), "lineBreakMode");
    coder.encodeBoolForKey(isContinuous(), "continuous");
    coder.encodeBoolForKey(refusesFirstResponder(), "refusesFirstResponder");
    coder.encodeIntegerForKey(std::int64_t(focusRingType()), "focusRingType");
}

void Cell::initWithCoder(Coder& coder)
{
    ifPresent(coder, "allowsMixedState", [&](const QString& k) { setAllowsMixedState(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "state", [&](const QString& k) { setState(coder.decodeIntForKey(k)); });
    ifPresent(coder, "enabled", [&](const QString& k) { setEnabled(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "bordered", [&](const QString& k) { setBordered(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "bezeled", [&](const QString& k) { setBezeled(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "alignment", [&](const QString& k) { setAlignment(TextAlignment(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "controlSize", [&](const QString& k) { setControlSize(ControlSize(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "lineBreakMode", [&](const QString& k) { setLineBreakMode(LineBreakMode(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "continuous", [&](const QString& k) { setContinuous(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "refusesFirstResponder", [&](const QString& k) { setRefusesFirstResponder(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "focusRingType", [&](const QString& k) { setFocusRingType(FocusRingType(coder.decodeIntegerForKey(k))); });
}

void ActionCell::encodeWithCoder(Coder& coder) const
{
    Cell::encodeWithCoder(coder);
    if (!action().isNull())
        coder.encodeObjectForKey(Value(action().name()), "action");
    coder.encodeIntegerForKey(tag(), "tag");
}

void ActionCell::initWithCoder(Coder& coder)
{
    Cell::initWithCoder(coder);
    ifPresent(coder, "action", [&](const QString& k) { setAction(Selector(stringForKey(coder, k))); });
    ifPresent(coder, "tag", [&](const QString& k) { setTag(coder.decodeIntegerForKey(k)); });
}

void ButtonCell::encodeWithCoder(Coder& coder) const
{
    ActionCell::encodeWithCoder(coder);
    coder.encodeIntForKey(highlightsBy(), "highlightsBy");
    coder.encodeIntForKey(showsStateBy(), "showsStateBy");
    coder.encodeObjectForKey(Value(title()), "title");
    coder.encodeObjectForKey(Value(alternateTitle()), "alternateTitle");
    coder.encodeIntegerForKey(std::int64_t(imagePosition()), "imagePosition");
    coder.encodeIntegerForKey(std::int64_t(bezelStyle()), "bezelStyle");
    coder.encodeBoolForKey(showsBorderOnlyWhileMouseInside(), "showsBorderOnlyWhileMouseInside");
    coder.encodeObjectForKey(Value(keyEquivalent()), "keyEquivalent");
    coder.encodeIntegerForKey(std::int64_t(keyEquivalentModifierMask()), "keyEquivalentModifierMask");
}

void ButtonCell::initWithCoder(Coder& coder)
{
    ActionCell::initWithCoder(coder);
    ifPresent(coder, "highlightsBy", [&](const QString& k) { setHighlightsBy(coder.decodeIntForKey(k)); });
    ifPresent(coder, "showsStateBy", [&](const QString& k) { setShowsStateBy(coder.decodeIntForKey(k)); });
    ifPresent(coder, "title", [&](const QString& k) { setTitle(stringForKey(coder, k)); });
    ifPresent(coder, "alternateTitle", [&](const QString& k) { setAlternateTitle(stringForKey(coder, k)); });
    ifPresent(coder, "imagePosition", [&](const QString& k) { setImagePosition(CellImagePosition(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "bezelStyle", [&](const QString& k) { setBezelStyle(BezelStyle(coder.decodeIntegerForKey(k))); });
    ifPresent(
        coder, "showsBorderOnlyWhileMouseInside", [&](const QString& k) { setShowsBorderOnlyWhileMouseInside(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "keyEquivalent", [&](const QString& k) { setKeyEquivalent(stringForKey(coder, k)); });
    ifPresent(coder, "keyEquivalentModifierMask",
        [&](const QString& k) { setKeyEquivalentModifierMask(std::uint64_t(coder.decodeIntegerForKey(k))); });
}

} // namespace kit
