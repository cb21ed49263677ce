#pragma once

// Countries and languages as objects a pop-up can list: an ISO code ("DE" for a country, "de" for
// a language) with its name in the user's language. The sorted lists are made once per user locale
// and shared, since every country or language field asks for them.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

// What both kinds hold: the code and its display name, read-only keys "localeIdentifier" and
// "displayName".
class JVLLocaleEntry : public kit::Object {
    KIT_CLASS(JVLLocaleEntry)

    JVLLocaleEntry() = default;
    JVLLocaleEntry(QString localeIdentifier, QString displayName);

    QString localeIdentifier() const { return localeIdentifier_; }
    // The name in the current locale's language.
    QString displayName() const { return displayName_; }

private:
    QString localeIdentifier_;
    QString displayName_;
};

// A country: an upper-case two-letter code.
class JVLCountryLocale : public JVLLocaleEntry {
    KIT_CLASS(JVLCountryLocale)

    using JVLLocaleEntry::JVLLocaleEntry;
    JVLCountryLocale() = default;

    // Every country the current locale has a name for, sorted by that name in the locale's
    // collation; the same array while the locale stays the same.
    static kit::Array supportedCountryLocalesSortedByDisplayName();
};

// A language: a lower-case two-letter code.
class JVLLanguageLocale : public JVLLocaleEntry {
    KIT_CLASS(JVLLanguageLocale)

    using JVLLocaleEntry::JVLLocaleEntry;
    JVLLanguageLocale() = default;

    // As for countries, over the two-letter language codes.
    static kit::Array supportedLanguageLocalesSortedByDisplayName();
};
