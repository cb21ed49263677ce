#pragma once

// Names of keyboard shortcuts: the display string of a virtual key code (a glyph, a function-key
// name or what the current layout types on the key), glyphs and words for modifier flags in both
// encodings (the event flags and the hot-key service's), the conversion between the encodings,
// and the reverse lookup from a display string to its key code, kept in step with the layout.
// Main thread only.

#include "kit/core/Object.h"
#include "kit/core/ValueTransformer.h"

#include <QString>

#include <cstdint>

// Anchors the recorder's bundle (strings table "JVLKeyRecorder").
class KRDummyClass : public kit::Object {
    KIT_CLASS(KRDummyClass)
};

// Key code (a number) to display string, and back; anything else gives nil. Registered under its
// class name.
class KRKeyCodeTransformer : public kit::ValueTransformer {
    KIT_CLASS(KRKeyCodeTransformer)
public:
    kit::Value transformedValue(const kit::Value& value) const override;
    kit::Value reverseTransformedValue(const kit::Value& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    kit::Value::Kind transformedValueClass() const override { return kit::Value::Kind::String; }
    // Rebuilds the display-string-to-code map from codes 0 to 127 (the highest code wins).
    static void regenerateStringToKeyCodeMapping();
};

// The recorder's strings: `key` looked up in "JVLKeyRecorder" of KRDummyClass's bundle.
QString KRLocalizedString(const QString& key);

// Null for a code without string (negative, unknown, or a key the layout gives no character).
QString KRDisplayStringForKeyCode(std::int16_t keyCode);
QString KRGlyphsForCarbonModifiers(std::uint32_t carbonFlags);
QString KRGlyphComboForCarbonModifiers(std::uint32_t carbonFlags, std::int16_t keyCode);
QString KRGlyphsForCocoaModifiers(std::uint64_t cocoaFlags);
QString KRGlyphComboForCocoaModifiers(std::uint64_t cocoaFlags, std::int16_t keyCode);
QString KRWordComboForCarbonModifiers(std::uint32_t carbonFlags, std::int16_t keyCode);
QString KRWordComboForCocoaModifiers(std::uint64_t cocoaFlags, std::int16_t keyCode);
// The shortcut as a speech synthesiser should read it, in this desktop's words and order:
// "Shift+Ctrl+K", "Ctrl+Backspace"; only the modifiers ("Shift+Ctrl") for a negative code.
QString KRSpokenComboForCocoaModifiers(std::uint64_t cocoaFlags, std::int16_t keyCode);
std::uint64_t KRCocoaModifiersFromCarbon(std::uint32_t carbonFlags);
std::uint32_t KRCarbonModifiersFromCocoa(std::uint64_t cocoaFlags);
QString KRKeyCharacterWithCarbonModifiers(std::int16_t keyCode, std::uint32_t carbonFlags);
// The layout's character at the Shift level when the flags hold Shift, capitalised in the current
// locale; the display string when the layout gives none.
QString KRKeyCharacterWithCocoaModifiers(std::int16_t keyCode, std::uint64_t cocoaFlags);
double KRTransitionEase(double t);
// The first whole character of `text` (a surrogate pair stays whole); empty for empty text.
QString KRFirstCharacter(const QString& text);
