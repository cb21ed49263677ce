#pragma once

// A bundle is a resource root: a Qt resource folder ":/<Name>/" compiled into a library, or a
// folder on disk (plug-ins). It holds Info.json, strings tables strings/[<lang>/]<Table>.json,
// resources Resources/[<lang>/]<file>, interface files ui/<Name>.json and, for plug-ins, the code
// lib<CFBundleExecutable>.so. Localised variants are tried first, in the user's preference order.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>

namespace kit {

class Bundle : public Object {
    KIT_CLASS(Bundle)

    // The application's bundle: the folder or resource root named by KIT_MAIN_BUNDLE, else ":/Main".
    static Bundle* mainBundle();
    // A component's compiled-in bundle ":/<name>" (a name starting with '/' is a folder); one
    // object per name.
    static Bundle* bundleWithName(const QString& name);
    // A bundle on disk; nullptr unless `path` is a folder. No Info.json means an empty dictionary.
    static Ref<Bundle> bundleWithPath(const QString& path);
    // Replaces the main bundle (nullptr restores the default) and forgets cached bundles. Tests only.
    static void setMainBundlePathForTesting(const QString& path);

    explicit Bundle(QString path);

    QString bundlePath() const { return path_; }
    QString bundleIdentifier() const;

    // Info.json as read (a property list; empty when missing or unreadable).
    Dictionary infoDictionary() const;
    // The localised InfoPlist value of the key, else the plain one; nil when absent.
    Value objectForInfoDictionaryKey(const QString& key) const;
    // A value of the info dictionary for the rest of this process (Info.json stays as it is).
    void setInfoDictionaryValueForKey(const Value& value, const QString& key);

    // The bundle named in the registration of the class or its nearest superclass that names one
    // (`c.bundle("XTTabBarControl")`; plug-in classes: their bundle's folder), else the main bundle.
    static Bundle* bundleForClass(const Class& cls);

    // -- Plug-ins: the code lib<CFBundleExecutable>.so beside Info.json, loaded at first need.
    // Loads the code; classes registered while it loads belong to this bundle. Answers success;
    // a missing library or a failed load is logged.
    bool load();
    bool isLoaded() const;
    // Loads the code if needed, then answers the class of that name, or null.
    const Class* classNamed(const QString& name);
    // NSPrincipalClass of Info.json, loading the code if needed.
    const Class* principalClass();

    // Localisations tried in order: the user's ("de_AT", then "de").
    QStringList preferredLocalizations() const;
    static void setPreferredLocalizationsForTesting(const QStringList& localizations);

    // Table "" or null means "Localizable". For each preferred localisation strings/<lang>/<Table>.json,
    // then strings/<Table>.json; the first table holding the key wins, even with "". A miss answers
    // `value` when it is not empty, else the key; a null key answers `value` or "".
    QString localizedStringForKeyValueTable(const QString& key, const QString& value, const QString& table) const;

    // `type` empty: the name carries its extension. Localised folders first; null when absent.
    QString pathForResourceOfType(const QString& name, const QString& type) const;
    QString pathForResourceOfTypeInDirectory(const QString& name, const QString& type, const QString& directory) const;
    // Every resource with the extension in the folder (empty type: every file), sorted.
    QStringList pathsForResourcesOfTypeInDirectory(const QString& type, const QString& directory) const;
    // The class-level listing over a folder on disk: every entry of `directory` (files and folders,
    // not recursive) with the extension (empty type: every entry), sorted; empty when the folder
    // cannot be listed. Plug-in bundles are folders ("Name.prefPane").
    static QStringList folderPathsForResourcesOfTypeInDirectory(const QString& type, const QString& directory);
    // With or without extension; tries svg, png, jpg, tiff.
    QString pathForImageResource(const QString& name) const;
    // ui/<name>.json, or null.
    QString pathForInterfaceFile(const QString& name) const;

    // Loads the interface file `name` from the owner's class bundle, else the main bundle (see
    // NibLoader.h). Answers NO, with a log line, when it is missing or broken; callers then raise
    // their "View initialization failed".
    static bool loadNibNamedOwner(const QString& name, Object* owner);
    static bool loadNibNamedOwnerTopLevelObjects(const QString& name, Object* owner, Array* topLevelObjects);

    // The readers of a bundle's JSON files, for bytes from anywhere. A JSON object gives its dictionary;
    // anything else nullopt. A strings table keeps the string values of such an object; `broken` says
    // the bytes were no JSON object (the table is then empty).
    using Table = QHash<QString, QString>;
    static std::optional<Dictionary> dictionaryFromJsonData(const QByteArray& data);
    static Table stringsTableFromData(const QByteArray& data, bool* broken);

private:
    const Table& table(const QString& relativePath) const;
    Dictionary localizedInfo() const;
    QString findResource(const QString& fileName, const QString& directory) const;

    QString path_;
    mutable std::mutex mutex_;
    mutable std::optional<Dictionary> info_;
    mutable std::optional<Dictionary> localizedInfo_;
    bool loaded_ = false;
    bool loadFailed_ = false;
    mutable QStringList localizedInfoLanguages_;
    mutable QHash<QString, std::shared_ptr<const Table>> tables_;
};

// The main bundle's string for `key` in the default table.
QString localizedString(const QString& key);

} // namespace kit
