#include "kit/foundation/Locale.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

namespace kit {

namespace {

// "de_DE.UTF-8@euro" -> "de_DE"; "C" and "POSIX" -> "en".
QString identifierFromPosix(QByteArray value)
{
    QString s = QString::fromLatin1(value);
    s = s.section(u'.', 0, 0).section(u'@', 0, 0);
    if (s.isEmpty() || s == u"C" || s == u"POSIX")
        return QStringLiteral("en");
    return s.replace(u'-', u'_');
}

QString fromUChars(const UChar* chars, int32_t length) { return QString(reinterpret_cast<const QChar*>(chars), length); }

// Runs an ICU call that fills a UChar buffer and answers the needed length.
template <class F> QString icuString(F fill)
{
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = fill(buffer, int32_t(std::size(buffer)), &status);
    if (U_FAILURE(status) || n <= 0)
        return {};
    return fromUChars(buffer, std::min<int32_t>(n, int32_t(std::size(buffer))));
}

} // namespace

Ref<Locale> Locale::currentLocale()
{
    for (const char* var : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const QByteArray value = qgetenv(var);
        if (!value.isEmpty())
            return make<Locale>(identifierFromPosix(value));
    }
    return make<Locale>(QStringLiteral("en"));
}

Ref<Locale> Locale::localeWithLocaleIdentifier(const QString& identifier) { return make<Locale>(identifier); }

Locale::Locale(const QString& identifier)
    : identifier_(identifier)
{
    const QStringList parts = identifier.split(u'_');
    language_ = parts.value(0).toLower();
    if (parts.size() > 1 && parts.at(1).size() == 2)
        country_ = parts.at(1).toUpper();
}

QString Locale::objectForKey(const QString& key) const
{
    if (key == LocaleIdentifier)
        return identifier_;
    if (key == LocaleLanguageCode)
        return language_;
    if (key == LocaleCountryCode)
        return country_;
    return {};
}

QString Locale::displayNameForCountryCode(const QString& code) const
{
    const QByteArray localeId = ("_" + code.toUpper()).toLatin1();
    const QByteArray display = identifier_.toLatin1();
    return icuString([&](UChar* buf, int32_t cap, UErrorCode* st) {
        return uloc_getDisplayCountry(localeId.constData(), display.constData(), buf, cap, st);
    });
}

QString Locale::displayNameForLanguageCode(const QString& code) const
{
    const QByteArray localeId = code.toLower().toLatin1();
    const QByteArray display = identifier_.toLatin1();
    return icuString([&](UChar* buf, int32_t cap, UErrorCode* st) {
        return uloc_getDisplayLanguage(localeId.constData(), display.constData(), buf, cap, st);
    });
}

QStringList Locale::sortedByCollation(QStringList strings) const
{
    QCollator collator { QLocale(identifier_) };
    std::stable_sort(strings.begin(), strings.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return strings;
}

QString Locale::capitalized(const QString& s) const
{
    if (s.isEmpty())
        return s;
    const QByteArray loc = identifier_.toLatin1();
    QString out;
    out.resize(s.size() * 3 + 16);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = u_strToTitle(reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), reinterpret_cast<const UChar*>(s.utf16()),
        int32_t(s.size()), nullptr, loc.constData(), &status);
    if (U_FAILURE(status))
        return s;
    out.truncate(n);
    return out;
}

ShortDateFormat Locale::shortDateFormat() const
{
    return shortDateFormatFromPattern(QLocale(identifier_).dateFormat(QLocale::ShortFormat));
}

QStringList Locale::ISOCountryCodes()
{
    QStringList out;
    for (const char* const* c = uloc_getISOCountries(); *c; ++c)
        out << QString::fromLatin1(*c);
    return out;
}

QStringList Locale::ISOLanguageCodes()
{
    QStringList out;
    for (const char* const* c = uloc_getISOLanguages(); *c; ++c) {
        const QString code = QString::fromLatin1(*c);
        if (code.size() == 2)
            out << code;
    }
    return out;
}

ShortDateFormat Locale::shortDateFormatFromPattern(const QString& pattern)
{
    QString fields;
    QString separator;
    bool inQuote = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            inQuote = !inQuote;
            continue;
        }
        if (inQuote)
            continue;
        QChar field;
        if (c == u'd')
            field = u'd';
        else if (c == u'M' || c == u'L')
            field = u'M';
        else if (c == u'y' || c == u'Y' || c == u'u')
            field = u'y';
        if (!field.isNull()) {
            if (!fields.contains(field))
                fields += field;
            continue;
        }
        // The first non-letter after a field, before the next one.
        if (!c.isLetter() && separator.isEmpty() && !fields.isEmpty() && fields.size() < 3 && !c.isSpace())
            separator = c;
    }
    static const QString orders[] = { "Mdy", "dMy", "yMd", "Myd", "dyM", "ydM" };
    ShortDateFormat result;
    if (fields.size() == 3) {
        for (int i = 0; i < 6; ++i)
            if (fields == orders[i])
                result.order = DateOrder(i);
        if (!separator.isEmpty())
            result.separator = separator;
    }
    return result;
}

} // namespace kit
