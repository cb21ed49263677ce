#include "FoundationExtensions/JVLLocales.h"

#include "kit/foundation/Locale.h"

#include <mutex>

using namespace kit;

namespace {

// The codes the locale has a name for, with the names, sorted by name in the locale's collation;
// equal names keep the codes' order.
template <class Item> Array localesSortedList(const Ref<Locale>& locale, const QStringList& codes, QStringList (Locale::*namesOf)(const QStringList&) const)
{
    const QStringList allNames = (locale.get()->*namesOf)(codes);
    QStringList names;
    QStringList namedCodes;
    names.reserve(codes.size());
    namedCodes.reserve(codes.size());
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const QString& name = allNames.at(i);
        if (name.isEmpty() || name == codes.at(i))
            continue;
        names << name;
        namedCodes << codes.at(i);
    }
    std::vector<Value> items;
    items.reserve(std::size_t(names.size()));
    for (const qsizetype i : locale->collationOrder(names))
        items.emplace_back(make<Item>(namedCodes.at(i), names.at(i)));
    return Array(std::move(items));
}

// One sorted list per kind, made anew when the current locale changes.
struct LocalesCache {
    std::mutex mutex;
    QString identifier;
    bool made = false;
    Array list;

    template <class Make> Array answer(Make makeList)
    {
        const Ref<Locale> locale = Locale::currentLocale();
        std::lock_guard guard(mutex);
        if (!made || identifier != locale->localeIdentifier()) {
            list = makeList(locale);
            identifier = locale->localeIdentifier();
            made = true;
        }
        return list;
    }
};

} // namespace

KIT_REGISTER_CLASS(JVLLocaleEntry, kit::Object)
{
    c.property("localeIdentifier", &JVLLocaleEntry::localeIdentifier);
    c.property("displayName", &JVLLocaleEntry::displayName);
}
KIT_REGISTER_CLASS(JVLCountryLocale, JVLLocaleEntry) { }
KIT_REGISTER_CLASS(JVLLanguageLocale, JVLLocaleEntry) { }

JVLLocaleEntry::JVLLocaleEntry(QString localeIdentifier, QString displayName)
    : localeIdentifier_(std::move(localeIdentifier))
    , displayName_(std::move(displayName))
{ }

Array JVLCountryLocale::supportedCountryLocalesSortedByDisplayName()
{
    static LocalesCache cache;
    return cache.answer([](const Ref<Locale>& locale) {
        // The codes never change: made once.
        static const QStringList codes = [] {
            QStringList upper;
            for (const QString& code : Locale::ISOCountryCodes())
                upper << code.toUpper();
            return upper;
        }();
        return localesSortedList<JVLCountryLocale>(locale, codes, &Locale::displayNamesForCountryCodes);
    });
}

Array JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName()
{
    static LocalesCache cache;
    return cache.answer([](const Ref<Locale>& locale) {
        static const QStringList codes = [] {
            QStringList lower;
            for (const QString& code : Locale::ISOLanguageCodes())
                lower << code.toLower();
            return lower;
        }();
        return localesSortedList<JVLLanguageLocale>(locale, codes, &Locale::displayNamesForLanguageCodes);
    });
}
