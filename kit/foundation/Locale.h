#pragma once

// The user's locale as the environment gives it (LC_ALL, LC_MESSAGES, LANG), the ISO country and
// language lists with display names in a given language, and the field order and separator of the
// locale's short date pattern. Locale data come from ICU and Qt's CLDR tables.

#include "kit/core/Object.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kit {

inline const QString LocaleIdentifier = QStringLiteral("LocaleIdentifier");
inline const QString LocaleLanguageCode = QStringLiteral("LocaleLanguageCode");
inline const QString LocaleCountryCode = QStringLiteral("LocaleCountryCode");

// Order of day, month and year in a short date, with the codes date controls expect.
enum DateOrder : int { DateOrderMDY = 0, DateOrderDMY = 1, DateOrderYMD = 2, DateOrderMYD = 3, DateOrderDYM = 4, DateOrderYDM = 5 };

struct ShortDateFormat {
    DateOrder order = DateOrderDMY;
    QString separator = QStringLiteral(".");
    friend bool operator==(const ShortDateFormat&, const ShortDateFormat&) = default;
};

class Locale : public Object {
public:
    // From LC_ALL, else LC_MESSAGES, else LANG; "C", "POSIX" and unset mean "en" without a country.
    static Ref<Locale> currentLocale();
    static Ref<Locale> localeWithLocaleIdentifier(const QString& identifier);

    explicit Locale(const QString& identifier);

    // "de_DE", "en".
    QString localeIdentifier() const { return identifier_; }
    QString languageCode() const { return language_; }
    // "" when the identifier names no country.
    QString countryCode() const { return country_; }
    // LocaleIdentifier, LocaleLanguageCode or LocaleCountryCode; "" for other keys or no value.
    QString objectForKey(const QString& key) const;

    // Name of a country ("DE") or language ("de") code in this locale's language.
    QString displayNameForCountryCode(const QString& code) const;
    QString displayNameForLanguageCode(const QString& code) const;
    // The same for many codes, the locale's name tables opened once; "" where a code has no name.
    QStringList displayNamesForCountryCodes(const QStringList& codes) const;
    QStringList displayNamesForLanguageCodes(const QStringList& codes) const;
    // Sorts by this locale's collation.
    QStringList sortedByCollation(QStringList strings) const;
    // The same order as indexes into `strings` (equal strings keep theirs).
    std::vector<qsizetype> collationOrder(const QStringList& strings) const;
    // First letter of every word in upper case by this locale's rules.
    QString capitalized(const QString& s) const;

    ShortDateFormat shortDateFormat() const;

    // Two-letter ISO country and language codes.
    static QStringList ISOCountryCodes();
    static QStringList ISOLanguageCodes();

    // Reads the order of the first d, M and y fields of a date pattern ("dd.MM.yyyy") and the
    // first non-letter between fields; text in quotes is skipped. Falls back to DMY and ".".
    static ShortDateFormat shortDateFormatFromPattern(const QString& pattern);

private:
    QString identifier_;
    QString language_;
    QString country_;
};

} // namespace kit
