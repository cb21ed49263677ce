#pragma once

// A desktop entry (".desktop" file) as the workspace reads it: the [Desktop Entry] group's
// keys with their escapes undone, lists split at unescaped ";", localised keys ignored, and the
// Exec line split into a program and its arguments.

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace kit {

class DesktopEntry {
public:
    // Nullopt when the file cannot be read or has no [Desktop Entry] group.
    static std::optional<DesktopEntry> entryWithContentsOfFile(const QString& path);
    static std::optional<DesktopEntry> entryWithData(const QByteArray& data);

    bool hasKey(const QString& key) const { return raw_.contains(key); }
    // The value with \s \n \t \r \\ undone; empty when absent.
    QString stringForKey(const QString& key) const;
    // The elements between unescaped ";" (a trailing ";" ends the list), each unescaped.
    QStringList listForKey(const QString& key) const;

    // An Exec value as program and arguments: quoted arguments keep their spaces, field codes
    // (%f %F %u %U %i %c %k and the deprecated ones) are dropped and "%%" becomes "%".
    static QStringList splitExec(const QString& exec);

private:
    QMap<QString, QString> raw_;
};

} // namespace kit
