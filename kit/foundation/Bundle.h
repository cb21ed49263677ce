#pragma once

// A bundle is a resource root: a Qt resource folder ":/<Name>/" compiled into a library, or a
// folder on disk (plug-ins). It holds Info.json, strings tables strings/[<lang>/]<Table>.json,
// resources Resources/[<lang>/]<file>, interface files ui/<Name>.json and, for plug-ins, the code
// lib<CFBundleExecutable>.so. Localised variants are tried first, in the user's preference order.

#include "kit/core/Object.h"

#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>

namespace kit {

class Bundle : public Object {
public:
    // The application's bundle: the folder or resource root named by KIT_MAIN_BUNDLE, else ":/Main".
    static Bundle* mainBundle();
    // A component's compiled-in bundle ":/<name>"; one object per name.
    static Bundle* bundleWithName(const QString& name);
    // A bundle on disk; nullptr unless `path` is a folder. No Info.json means an empty dictionary.
    static Ref<Bundle> bundleWithPath(const QString& path);
    // Replaces the main bundle (nullptr restores the default) and forgets cached bundles. Tests only.
    static void setMainBundlePathForTesting(const QString& path);

    explicit Bundle(QString path);

    QString bundlePath() const { return path_; }
    QString bundleIdentifier() const;

    // Info.json as read.
    QJsonObject infoJson() const;
    // The localised InfoPlist value of the key, else the plain one; undefined when absent.
    QJsonValue objectForInfoDictionaryKey(const QString& key) const;

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
    // With or without extension; tries svg, png, jpg, tiff.
    QString pathForImageResource(const QString& name) const;
    // ui/<name>.json, or null.
    QString pathForInterfaceFile(const QString& name) const;

private:
    using Table = QHash<QString, QString>;
    const Table& table(const QString& relativePath) const;
    QJsonObject localizedInfo() const;
    QString findResource(const QString& fileName, const QString& directory) const;

    QString path_;
    mutable std::mutex mutex_;
    mutable std::optional<QJsonObject> info_;
    mutable std::optional<QJsonObject> localizedInfo_;
    mutable QStringList localizedInfoLanguages_;
    mutable QHash<QString, std::shared_ptr<const Table>> tables_;
};

// The main bundle's string for `key` in the default table.
QString localizedString(const QString& key);

} // namespace kit
