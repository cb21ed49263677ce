#include "kit/foundation/Locale.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <vector>
#include <unicode/uloc.h>
#include <unicode/ures.h>
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

namespace {

// Names of many codes (folded to the table's case) from one table ("Countries", "Languages") of an
// ICU data package, along the locale's fallback chain (its own data, the parents named by
// "%%Parent" or by the identifier, root): each bundle is opened and its table walked once, where
// one lookup per code would open the chain for every code.
QStringList localeTableNames(const char* package, const char* table, const QString& identifier, const QStringList& codes, bool upperCase)
{
    // The codes in the order of the table's keys (byte order), walked beside the table.
    struct Key {
        char text[16];
        qsizetype index;
    };
    std::vector<Key> keys;
    keys.reserve(std::size_t(codes.size()));
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const QString& code = codes.at(i);
        if (code.isEmpty() || code.size() >= qsizetype(sizeof(Key::text)))
            continue;
        Key key {};
        key.index = i;
        for (qsizetype c = 0; c < code.size(); ++c) {
            const char ch = code.at(c).toLatin1();
            key.text[c] = upperCase ? (ch >= 'a' && ch <= 'z' ? char(ch - 'a' + 'A') : ch) : (ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch);
        }
        keys.push_back(key);
    }
    // The ISO lists come sorted already.
    const auto byText = [](const Key& a, const Key& b) { return std::strcmp(a.text, b.text) < 0; };
    if (!std::is_sorted(keys.begin(), keys.end(), byText))
        std::sort(keys.begin(), keys.end(), byText);
    QStringList out;
    out.reserve(codes.size());
    for (qsizetype i = 0; i < codes.size(); ++i)
        out << QString();
    std::vector<bool> found(std::size_t(codes.size()), false);
    QByteArray current = identifier.toLatin1();
    // A chain is a handful of bundles; the bound only guards against a cycle in broken data.
    for (int depth = 0; depth < 8 && !current.isEmpty(); ++depth) {
        UErrorCode status = U_ZERO_ERROR;
        UResourceBundle* bundle = ures_open(package, current.constData(), &status);
        if (U_FAILURE(status)) {
            ures_close(bundle);
            break;
        }
        UErrorCode tableStatus = U_ZERO_ERROR;
        UResourceBundle* names = ures_getByKey(bundle, table, nullptr, &tableStatus);
        if (U_SUCCESS(tableStatus)) {
            auto next = keys.begin();
            while (next != keys.end() && ures_hasNext(names)) {
                UErrorCode nameStatus = U_ZERO_ERROR;
                int32_t length = 0;
                const char* key = nullptr;
                const UChar* name = ures_getNextString(names, &length, &key, &nameStatus);
                if (U_FAILURE(nameStatus) || !key)
                    continue;
                while (next != keys.end() && std::strcmp(next->text, key) < 0)
                    ++next;
                if (next == keys.end() || std::strcmp(next->text, key) != 0)
                    continue;
                const std::size_t i = std::size_t(next->index);
                if (!found[i] && length > 0) {
                    out[next->index] = fromUChars(name, length);
                    found[i] = true;
                }
                ++next;
            }
        }
        ures_close(names);
        UErrorCode actualStatus = U_ZERO_ERROR;
        const QByteArray actual = ures_getLocaleByType(bundle, ULOC_ACTUAL_LOCALE, &actualStatus);
        UErrorCode parentStatus = U_ZERO_ERROR;
        int32_t parentLength = 0;
        const UChar* named = ures_getStringByKey(bundle, "%%Parent", &parentLength, &parentStatus);
        QByteArray parent;
        if (U_SUCCESS(parentStatus))
            parent = fromUChars(named, parentLength).toLatin1();
        ures_close(bundle);
        if (U_FAILURE(actualStatus) || actual.isEmpty() || actual == "root")
            break;
        if (parent.isEmpty()) {
            char buffer[ULOC_FULLNAME_CAPACITY];
            UErrorCode st = U_ZERO_ERROR;
            const int32_t n = uloc_getParent(actual.constData(), buffer, int32_t(sizeof buffer), &st);
            parent = U_SUCCESS(st) && n > 0 ? QByteArray(buffer, n) : QByteArrayLiteral("root");
        }
        current = parent;
    }
    return out;
}

} // namespace

QStringList Locale::displayNamesForCountryCodes(const QStringList& codes) const
{
    return localeTableNames(U_ICUDATA_NAME "-region", "Countries", identifier_, codes, true);
}

QStringList Locale::displayNamesForLanguageCodes(const QStringList& codes) const
{
    return localeTableNames(U_ICUDATA_NAME "-lang", "Languages", identifier_, codes, false);
}

QStringList Locale::sortedByCollation(QStringList strings) const
{
    QCollator collator { QLocale(identifier_) };
    std::stable_sort(strings.begin(), strings.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return strings;
}

std::vector<qsizetype> Locale::collationOrder(const QStringList& strings) const
{
    std::vector<qsizetype> order(std::size_t(strings.size()));
    for (qsizetype i = 0; i < strings.size(); ++i)
        order[std::size_t(i)] = i;
    QCollator collator { QLocale(identifier_) };
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return collator.compare(strings.at(a), strings.at(b)) < 0; });
    return order;
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
        // The first non-letter after a field, before the next one; spaces and invisible format
        // marks (the right-to-left mark before each "/" of Arabic patterns) are no separator.
        if (!c.isLetter() && separator.isEmpty() && !fields.isEmpty() && fields.size() < 3 && !c.isSpace() && c.category() != QChar::Other_Format)
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
