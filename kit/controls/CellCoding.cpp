// Keyed archiving of the cells' settings, under kit-private keys so subclasses keep their own names.
// The target is conditional (kept only when something else archives it). Decoding applies only the keys present, base class first,
// so an archive from an older writer leaves the rest at the defaults of the plain factory.

#include "kit/controls/ActionCell.h"
#include "kit/controls/ArchivableValue.h"
#include "kit/controls/ButtonCell.h"
#include "kit/controls/Cell.h"
#include "kit/foundation/NumberFormatter.h"

namespace kit {

namespace {

template <class F> void ifPresent(Coder& coder, const char* key, F apply)
{
    if (coder.containsValueForKey(QLatin1String(key)))
        apply(QLatin1String(key));
}

} // namespace

void Cell::encodeWithCoder(Coder& coder) const
{
    coder.encodeIntegerForKey(std::int64_t(type()), "kit.type");
    if (!s_.value.isNil() && detail::isArchivableValue(s_.value))
        coder.encodeObjectForKey(s_.value, "kit.objectValue");
    if (dynamic_cast<const Coding*>(s_.formatter.get()))
        coder.encodeObjectForKey(Value(s_.formatter), "kit.formatter");
    coder.encodeObjectForKey(Value(s_.font.toString()), "kit.font");
    if (s_.image && !s_.image->name().isEmpty())
        coder.encodeObjectForKey(Value(s_.image->name()), "kit.imageName");
    coder.encodeBoolForKey(allowsMixedState(), "kit.allowsMixedState");
    coder.encodeIntForKey(state(), "kit.state");
    coder.encodeBoolForKey(isEnabled(), "kit.enabled");
    coder.encodeBoolForKey(isBordered(), "kit.bordered");
    coder.encodeBoolForKey(isBezeled(), "kit.bezeled");
    coder.encodeIntegerForKey(std::int64_t(alignment()), "kit.alignment");
    coder.encodeIntegerForKey(std::int64_t(controlSize()), "kit.controlSize");
    coder.encodeIntegerForKey(std::int64_t(lineBreakMode()), "kit.lineBreakMode");
    coder.encodeBoolForKey(isContinuous(), "kit.continuous");
    coder.encodeBoolForKey(refusesFirstResponder(), "kit.refusesFirstResponder");
    coder.encodeIntegerForKey(std::int64_t(focusRingType()), "kit.focusRingType");
    coder.encodeBoolForKey(s_.editable, "kit.editable");
    coder.encodeBoolForKey(s_.selectable, "kit.selectable");
    coder.encodeIntegerForKey(std::int64_t(actionMask()), "kit.actionMask");
}

void Cell::initWithCoder(Coder& coder)
{
    // The type first, as setting it may give the cell a value; the formatter next, so the value is
    // shown through it; the value before the state, which wins.
    ifPresent(coder, "kit.type", [&](const QString& k) {
        const std::int64_t type = coder.decodeIntegerForKey(k);
        if (type >= NullCellType && type <= ImageCellType)
            setType(CellType(type));
    });
    ifPresent(coder, "kit.formatter", [&](const QString& k) {
        if (Ref<Object> formatter = coder.decodeObjectOfClassForKey(Formatter::staticClass(), k))
            setFormatter(std::move(formatter));
    });
    ifPresent(coder, "kit.objectValue", [&](const QString& k) {
        if (const Value v = coder.decodeObjectForKey(k); !v.isNil())
            setObjectValue(v);
    });
    ifPresent(coder, "kit.font", [&](const QString& k) {
        QFont font;
        if (font.fromString(coder.decodeStringForKey(k)))
            setFont(font);
    });
    ifPresent(coder, "kit.imageName", [&](const QString& k) {
        if (Ref<Image> image = Image::imageNamed(coder.decodeStringForKey(k)))
            setImage(std::move(image));
    });
    ifPresent(coder, "kit.allowsMixedState", [&](const QString& k) { setAllowsMixedState(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.state", [&](const QString& k) { setState(coder.decodeIntForKey(k)); });
    ifPresent(coder, "kit.enabled", [&](const QString& k) { setEnabled(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.bordered", [&](const QString& k) { setBordered(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.bezeled", [&](const QString& k) { setBezeled(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.alignment", [&](const QString& k) { setAlignment(TextAlignment(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "kit.controlSize", [&](const QString& k) { setControlSize(ControlSize(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "kit.lineBreakMode", [&](const QString& k) { setLineBreakMode(LineBreakMode(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "kit.continuous", [&](const QString& k) { setContinuous(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.refusesFirstResponder", [&](const QString& k) { setRefusesFirstResponder(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.focusRingType", [&](const QString& k) { setFocusRingType(FocusRingType(coder.decodeIntegerForKey(k))); });
    // Selectable before editable: editing implies selecting, and clearing selecting clears editing.
    ifPresent(coder, "kit.selectable", [&](const QString& k) { setSelectable(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.editable", [&](const QString& k) { setEditable(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.actionMask", [&](const QString& k) { sendActionOn(std::uint64_t(coder.decodeIntegerForKey(k))); });
}

void ActionCell::encodeWithCoder(Coder& coder) const
{
    Cell::encodeWithCoder(coder);
    if (!action().isNull())
        coder.encodeObjectForKey(Value(action().name()), "kit.action");
    coder.encodeIntegerForKey(tag(), "kit.tag");
    coder.encodeConditionalObjectForKey(target().get(), "kit.target");
}

void ActionCell::initWithCoder(Coder& coder)
{
    Cell::initWithCoder(coder);
    ifPresent(coder, "kit.action", [&](const QString& k) { setAction(Selector(coder.decodeStringForKey(k))); });
    ifPresent(coder, "kit.tag", [&](const QString& k) { setTag(coder.decodeIntegerForKey(k)); });
    ifPresent(coder, "kit.target", [&](const QString& k) {
        if (const Value v = coder.decodeObjectForKey(k); v.isObject())
            setTarget(v.object().get());
    });
}

void ButtonCell::encodeWithCoder(Coder& coder) const
{
    ActionCell::encodeWithCoder(coder);
    coder.encodeIntForKey(highlightsBy(), "kit.highlightsBy");
    coder.encodeIntForKey(showsStateBy(), "kit.showsStateBy");
    coder.encodeObjectForKey(Value(title()), "kit.title");
    coder.encodeObjectForKey(Value(alternateTitle()), "kit.alternateTitle");
    coder.encodeIntegerForKey(std::int64_t(imagePosition()), "kit.imagePosition");
    coder.encodeIntegerForKey(std::int64_t(bezelStyle()), "kit.bezelStyle");
    coder.encodeBoolForKey(showsBorderOnlyWhileMouseInside(), "kit.showsBorderOnlyWhileMouseInside");
    coder.encodeObjectForKey(Value(keyEquivalent()), "kit.keyEquivalent");
    coder.encodeIntegerForKey(std::int64_t(keyEquivalentModifierMask()), "kit.keyEquivalentModifierMask");
    coder.encodeIntegerForKey(std::int64_t(buttonType()), "kit.buttonType");
    coder.encodeIntegerForKey(std::int64_t(imageScaling()), "kit.imageScaling");
    if (alternateImage() && !alternateImage()->name().isEmpty())
        coder.encodeObjectForKey(Value(alternateImage()->name()), "kit.alternateImageName");
    coder.encodeBoolForKey(imageDimsWhenDisabled(), "kit.imageDimsWhenDisabled");
}

void ButtonCell::initWithCoder(Coder& coder)
{
    // The type before everything else: it implies settings (border, alignment, how state shows)
    // that the archived ones then override.
    ifPresent(coder, "kit.buttonType", [&](const QString& k) {
        const std::int64_t type = coder.decodeIntegerForKey(k);
        if (type >= MomentaryLightButton && type <= MomentaryPushInButton)
            setButtonType(ButtonType(type));
    });
    ActionCell::initWithCoder(coder);
    ifPresent(coder, "kit.highlightsBy", [&](const QString& k) { setHighlightsBy(coder.decodeIntForKey(k)); });
    ifPresent(coder, "kit.showsStateBy", [&](const QString& k) { setShowsStateBy(coder.decodeIntForKey(k)); });
    ifPresent(coder, "kit.title", [&](const QString& k) { setTitle(coder.decodeStringForKey(k)); });
    ifPresent(coder, "kit.alternateTitle", [&](const QString& k) { setAlternateTitle(coder.decodeStringForKey(k)); });
    ifPresent(coder, "kit.imagePosition", [&](const QString& k) { setImagePosition(CellImagePosition(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "kit.bezelStyle", [&](const QString& k) { setBezelStyle(BezelStyle(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "kit.showsBorderOnlyWhileMouseInside",
        [&](const QString& k) { setShowsBorderOnlyWhileMouseInside(coder.decodeBoolForKey(k)); });
    ifPresent(coder, "kit.keyEquivalent", [&](const QString& k) { setKeyEquivalent(coder.decodeStringForKey(k)); });
    ifPresent(coder, "kit.keyEquivalentModifierMask",
        [&](const QString& k) { setKeyEquivalentModifierMask(std::uint64_t(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "kit.imageScaling", [&](const QString& k) { setImageScaling(ImageScaling(coder.decodeIntegerForKey(k))); });
    ifPresent(coder, "kit.alternateImageName", [&](const QString& k) {
        if (Ref<Image> image = Image::imageNamed(coder.decodeStringForKey(k)))
            setAlternateImage(std::move(image));
    });
    ifPresent(coder, "kit.imageDimsWhenDisabled", [&](const QString& k) { setImageDimsWhenDisabled(coder.decodeBoolForKey(k)); });
}

} // namespace kit
