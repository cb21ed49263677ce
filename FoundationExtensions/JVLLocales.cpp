#include "FoundationExtensions/JVLLocales.h"

#include "kit/foundation/Locale.h"

#include <QHash>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

using namespace kit;

namespace {

// What Locale::currentLocale() is read from, without making it: the first of these that is set.
const char* localesEnvironmentKey()
{
    for (const char* var : { "LC_ALL", "LC_MESSAGES", "LANG" })
        if (const char* value = std::getenv(var); value && *value)
            return value;
    return "";
}

// The codes the locale has a name for, with the names, sorted by name in the locale's collation;
// equal names keep the codes' order.
template <class Item> Array localesSortedList(const QStringList& codes, QString (Locale::*nameOf)(const QString&) const)
{
    Ref<Locale> locale = Locale::currentLocale();
    QHash<QString, std::deque<QString>> codesByName;
    QStringList names;
    for (const QString& code : codes) {
        const QString name = (locale.get()->*nameOf)(code);
        if (name.isEmpty() || name == code)
            continue;
        std::deque<QString>& same = codesByName[name];
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

// One sorted list per kind, remade when the locale environment changes.
struct LocalesCache {
    std::mutex mutex;
    std::string key;
    bool made = false;
    Array list;

    template <class Make> Array answer(Make makeList)
    {
        std::lock_guard guard(mutex);
        const char* current = localesEnvironmentKey();
        if (!made || std::strcmp(key.c_str(), current) != 0) {
            list = makeList();
            key = current;
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
    return cache.answer([] {
        QStringList codes;
        for (const QString& code : Locale::ISOCountryCodes())
            codes << code.toUpper();
        return localesSortedList<JVLCountryLocale>(codes, &Locale::displayNameForCountryCode);
    });
}

Array JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName()
{
    static LocalesCache cache;
    return cache.answer([] {
        QStringList codes;
        for (const QString& code : Locale::ISOLanguageCodes())
            codes << code.toLower();
        return localesSortedList<JVLLanguageLocale>(codes, &Locale::displayNameForLanguageCode);
    });
}
