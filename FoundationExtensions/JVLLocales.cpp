#include "FoundationExtensions/JVLLocales.h"

#include "kit/foundation/Locale.h"

#include <QHash>

#include <mutex>

using namespace kit;

namespace {

// The codes the locale has a name for, with the names, sorted by name in the locale's collation;
// equal names keep the codes' order.
template <class Item> Array localesSortedList(const Ref<Locale>& locale, const QStringList& codes, QString (Locale::*nameOf)(const QString&) const)
{
    QHash<QString, QStringList> codesByName;
    QStringList names;
    for (const QString& code : codes) {
        const QString name = (locale.get()->*nameOf)(code);
        if (name.isEmpty() || name == code)
            continue;
        QStringList& same = codesByName[name];
        if (same.empty())
            names << name;
        same.push_back(code);
    }
    std::vector<Value> items;
    for (const QString& name : locale->sortedByCollation(names))
        for (const QString& code : codesByName.value(name))
            items.emplace_back(make<Item>(code, name));
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
        QStringList codes;
        for (const QString& code : Locale::ISOCountryCodes())
            codes << code.toUpper();
        return localesSortedList<JVLCountryLocale>(locale, codes, &Locale::displayNameForCountryCode);
    });
}

Array JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName()
{
    static LocalesCache cache;
    return cache.answer([](const Ref<Locale>& locale) {
        QStringList codes;
        for (const QString& code : Locale::ISOLanguageCodes())
            codes << code.toLower();
        return localesSortedList<JVLLanguageLocale>(locale, codes, &Locale::displayNameForLanguageCode);
    });
}
