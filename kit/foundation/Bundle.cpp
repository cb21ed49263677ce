#include "kit/foundation/Bundle.h"

#include "kit/core/Exception.h"
#include "kit/foundation/CrashLog.h"
#include "kit/foundation/Locale.h"
#include "kit/foundation/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <map>

namespace kit {

namespace {

struct BundleRegistry {
    std::mutex mutex;
    QString mainPath;
    Ref<Bundle> main;
    std::map<QString, Ref<Bundle>> named;
    std::optional<QStringList> localizations;
    QHash<QString, Ref<Bundle>> classBundles;
};

BundleRegistry& bundleRegistry()
{
    static BundleRegistry r;
    return r;
}

QString defaultMainPath()
{
    const QString env = qEnvironmentVariable("KIT_MAIN_BUNDLE");
    return env.isEmpty() ? QStringLiteral(":/Main") : env;
}

std::optional<Dictionary> readJsonObject(const QString& path, bool* broken)
{
    *broken = false;
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        *broken = true;
        return std::nullopt;
    }
    auto dictionary = Bundle::dictionaryFromJsonData(file.readAll());
    *broken = !dictionary;
    return dictionary;
}

} // namespace

KIT_REGISTER_CLASS(Bundle, Object) { c.noFactory(); }

std::optional<Dictionary> Bundle::dictionaryFromJsonData(const QByteArray& data)
{
    auto plist = PropertyList::propertyListFromData(data);
    if (!plist || !plist->isDictionary())
        return std::nullopt;
    return plist->dictionary();
}

Bundle::Table Bundle::stringsTableFromData(const QByteArray& data, bool* broken)
{
    Table table;
    const auto dictionary = dictionaryFromJsonData(data);
    *broken = !dictionary;
    if (dictionary) {
        for (const auto& [key, value] : *dictionary)
            if (value.isString())
                table.insert(key.string(), value.string());
    }
    return table;
}

Bundle* Bundle::mainBundle()
{
    BundleRegistry& r = bundleRegistry();
    std::lock_guard lock(r.mutex);
    if (!r.main)
        r.main = make<Bundle>(r.mainPath.isEmpty() ? defaultMainPath() : r.mainPath);
    return r.main.get();
}

Bundle* Bundle::bundleWithName(const QString& name)
{
    BundleRegistry& r = bundleRegistry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.named[name];
    // A class's bundle name is a folder for plug-in code (see load()).
    if (!slot)
        slot = make<Bundle>(name.startsWith(u'/') ? name : QStringLiteral(":/") + name);
    return slot.get();
}

Ref<Bundle> Bundle::bundleWithPath(const QString& path)
{
    if (!QFileInfo(path).isDir())
        return nullptr;
    return make<Bundle>(path);
}

void Bundle::setMainBundlePathForTesting(const QString& path)
{
    BundleRegistry& r = bundleRegistry();
    std::lock_guard lock(r.mutex);
    r.mainPath = path;
    r.main = nullptr;
    r.named.clear();
}

Bundle::Bundle(QString path)
    : path_(std::move(path))
{
    while (path_.size() > 2 && path_.endsWith(u'/'))
        path_.chop(1);
}

Dictionary Bundle::infoDictionary() const
{
    bool broken = false;
    Dictionary info;
    {
        std::lock_guard lock(mutex_);
        if (!info_)
            info_ = readJsonObject(path_ + QStringLiteral("/Info.json"), &broken).value_or(Dictionary {});
        info = *info_;
    }
    // Outside the lock: a log line asks the main bundle for the process name.
    if (broken)
        kit::log(QStringLiteral("The Info.json of the bundle %@ cannot be read"), path_);
    return info;
}

void Bundle::setInfoDictionaryValueForKey(const Value& value, const QString& key)
{
    Dictionary info = infoDictionary();
    info.setObjectForKey(value, Value(key));
    std::lock_guard lock(mutex_);
    info_ = std::move(info);
}

QString Bundle::bundleIdentifier() const
{
    const Value v = infoDictionary().objectForKey(Value("CFBundleIdentifier"));
    return v.isString() ? v.string() : QString();
}

Dictionary Bundle::localizedInfo() const
{
    const QStringList langs = preferredLocalizations();
    {
        std::lock_guard lock(mutex_);
        if (localizedInfo_ && localizedInfoLanguages_ == langs)
            return *localizedInfo_;
    }
    Dictionary merged;
    // Later languages first, so that the most preferred one overwrites.
    for (auto it = langs.rbegin(); it != langs.rend(); ++it) {
        bool broken = false;
        const auto obj = readJsonObject(QStringLiteral("%1/strings/%2/InfoPlist.json").arg(path_, *it), &broken);
        if (obj)
            merged.addEntriesFromDictionary(*obj);
    }
    std::lock_guard lock(mutex_);
    localizedInfo_ = merged;
    localizedInfoLanguages_ = langs;
    return merged;
}

Value Bundle::objectForInfoDictionaryKey(const QString& key) const
{
    const Dictionary localized = localizedInfo();
    if (localized.containsKey(Value(key)))
        return localized.objectForKey(Value(key));
    return infoDictionary().objectForKey(Value(key));
}

QStringList Bundle::preferredLocalizations() const
{
    {
        BundleRegistry& r = bundleRegistry();
        std::lock_guard lock(r.mutex);
        if (r.localizations)
            return *r.localizations;
    }
    auto locale = Locale::currentLocale();
    QStringList out;
    out << locale->localeIdentifier();
    if (!out.contains(locale->languageCode()))
        out << locale->languageCode();
    return out;
}

void Bundle::setPreferredLocalizationsForTesting(const QStringList& localizations)
{
    BundleRegistry& r = bundleRegistry();
    std::lock_guard lock(r.mutex);
    if (localizations.isEmpty())
        r.localizations.reset();
    else
        r.localizations = localizations;
}

const Bundle::Table& Bundle::table(const QString& relativePath) const
{
    bool broken = false;
    const QString full = path_ + u'/' + relativePath;
    std::shared_ptr<Table> table;
    {
        std::lock_guard lock(mutex_);
        auto it = tables_.find(relativePath);
        if (it != tables_.end())
            return *it.value();
        QFile file(full);
        if (file.exists()) {
            broken = !file.open(QIODevice::ReadOnly);
            if (!broken)
                table = std::make_shared<Table>(stringsTableFromData(file.readAll(), &broken));
        }
        if (!table)
            table = std::make_shared<Table>();
        tables_.insert(relativePath, table);
    }
    // Cached as empty, so said once; outside the lock, as log lines ask the main bundle.
    if (broken)
        kit::log(QStringLiteral("The strings table %@ cannot be read"), full);
    return *table;
}

QString Bundle::localizedStringForKeyValueTable(const QString& key, const QString& value, const QString& tableName) const
{
    if (key.isNull())
        return value.isNull() ? QStringLiteral("") : value;
    const QString name = tableName.isEmpty() ? QStringLiteral("Localizable") : tableName;
    QStringList candidates;
    for (const QString& lang : preferredLocalizations())
        candidates << QStringLiteral("strings/%1/%2.json").arg(lang, name);
    candidates << QStringLiteral("strings/%1.json").arg(name);
    for (const QString& c : candidates) {
        const Table& t = table(c);
        auto hit = t.constFind(key);
        if (hit != t.constEnd())
            return hit.value();
    }
    return value.isEmpty() ? key : value;
}

QString Bundle::findResource(const QString& fileName, const QString& directory) const
{
    const QString base
        = directory.isEmpty() ? QStringLiteral("%1/Resources").arg(path_) : QStringLiteral("%1/Resources/%2").arg(path_, directory);
    for (const QString& lang : preferredLocalizations()) {
        const QString p = QStringLiteral("%1/%2/%3").arg(base, lang, fileName);
        if (QFileInfo(p).isFile())
            return p;
    }
    const QString p = base + u'/' + fileName;
    return QFileInfo(p).isFile() ? p : QString();
}

QString Bundle::pathForResourceOfType(const QString& name, const QString& type) const
{
    return pathForResourceOfTypeInDirectory(name, type, QString());
}

QString Bundle::pathForResourceOfTypeInDirectory(const QString& name, const QString& type, const QString& directory) const
{
    if (name.isEmpty())
        return {};
    QString ext = type;
    if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    return findResource(ext.isEmpty() ? name : name + u'.' + ext, directory);
}

QStringList Bundle::folderPathsForResourcesOfTypeInDirectory(const QString& type, const QString& directory)
{
    QString ext = type;
    if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    QStringList out;
    const QDir folder(directory);
    for (const QString& n : folder.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        if (ext.isEmpty() || QFileInfo(n).suffix() == ext)
            out << folder.filePath(n);
    return out;
}

QStringList Bundle::pathsForResourcesOfTypeInDirectory(const QString& type, const QString& directory) const
{
    const QString base
        = directory.isEmpty() ? QStringLiteral("%1/Resources").arg(path_) : QStringLiteral("%1/Resources/%2").arg(path_, directory);
    QString ext = type;
    if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    QStringList out;
    QStringList seen;
    auto collect = [&](const QString& folder) {
        const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QString& n : names) {
            if (!ext.isEmpty() && QFileInfo(n).suffix() != ext)
                continue;
            if (seen.contains(n))
                continue;
            seen << n;
            out << folder + u'/' + n;
        }
    };
    for (const QString& lang : preferredLocalizations())
        collect(base + u'/' + lang);
    collect(base);
    std::sort(out.begin(), out.end());
    return out;
}

QString Bundle::pathForImageResource(const QString& name) const
{
    if (name.isEmpty())
        return {};
    if (!QFileInfo(name).suffix().isEmpty()) {
        const QString direct = findResource(name, QString());
        if (!direct.isEmpty())
            return direct;
    }
    for (const char* ext : { "svg", "png", "jpg", "tiff" }) {
        const QString p = findResource(name + u'.' + QLatin1String(ext), QString());
        if (!p.isEmpty())
            return p;
    }
    return {};
}

QString Bundle::pathForInterfaceFile(const QString& name) const
{
    const QString p = QStringLiteral("%1/ui/%2.json").arg(path_, name);
    return QFileInfo(p).isFile() ? p : QString();
}

Bundle* Bundle::bundleForClass(const Class& cls)
{
    for (const Class* c = &cls; c; c = c->superclass()) {
        const QString name = c->bundleName();
        if (!name.isEmpty())
            return bundleWithName(name);
    }
    return mainBundle();
}

bool Bundle::isLoaded() const
{
    std::lock_guard lock(mutex_);
    return loaded_;
}

bool Bundle::load()
{
    {
        std::lock_guard lock(mutex_);
        if (loaded_)
            return true;
        if (loadFailed_)
            return false;
    }
    const Value exe = infoDictionary().objectForKey(Value("CFBundleExecutable"));
    const QString library = QStringLiteral("%1/lib%2.so").arg(path_, exe.stringValue());
    if (!exe.isString() || exe.string().isEmpty() || !QFileInfo(library).isFile()) {
        kit::log(QStringLiteral("Cannot load the code of the bundle %@: no library %@"), path_, library);
        std::lock_guard lock(mutex_);
        loadFailed_ = true;
        return false;
    }
    std::vector<const Class*> before = Class::allClasses();
    // Never unloaded: classes registered from it stay in the registry.
    void* handle = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        kit::log(QStringLiteral("Cannot load the code of the bundle %@: %s"), path_, dlerror());
        std::lock_guard lock(mutex_);
        loadFailed_ = true;
        return false;
    }
    // A crash report names the new code's build among the binary images.
    CrashLog::noteLoadedImages();
    {
        // This bundle answers for its folder, so its classes find it again.
        BundleRegistry& r = bundleRegistry();
        std::lock_guard lock(r.mutex);
        r.named.insert_or_assign(path_, Ref<Bundle>(this));
    }
    for (const Class* c : Class::allClasses())
        if (std::find(before.begin(), before.end(), c) == before.end() && c->bundleName().isEmpty())
            c->setBundleName(path_);
    std::lock_guard lock(mutex_);
    loaded_ = true;
    return true;
}

const Class* Bundle::classNamed(const QString& name)
{
    if (!load())
        return nullptr;
    const Class* c = classFromString(name);
    if (!c)
        kit::log(QStringLiteral("The bundle %@ has no class %@"), path_, name);
    return c;
}

const Class* Bundle::principalClass()
{
    const Value name = infoDictionary().objectForKey(Value("NSPrincipalClass"));
    return name.isString() ? classNamed(name.string()) : nullptr;
}

QString localizedString(const QString& key) { return Bundle::mainBundle()->localizedStringForKeyValueTable(key, QString(), QString()); }

} // namespace kit
