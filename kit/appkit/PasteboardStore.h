#pragma once

// Where named pasteboards live between processes: one folder per pasteboard under
// $XDG_RUNTIME_DIR/kit-pasteboards (or a private folder in the temp folder), holding one file per
// type and a manifest {changeCount, types}. Every file is written aside and renamed, types first
// and the manifest last, so a reader sees either the old contents or the new ones.
// Names may come from another process: they are escaped, never used as paths.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>

namespace kit {

class PasteboardStore {
public:
    struct Contents {
        std::int64_t changeCount = 0;
        QStringList types;
        std::map<QString, QByteArray> data;
    };

    // The folder name of a pasteboard: every byte outside [A-Za-z0-9_-] as "%XX". Nullopt for ""
    // and for names whose escaped form passes 200 bytes.
    static std::optional<QString> escapedName(const QString& name);
    // The store's folder, made 0700 and checked to be ours; empty when that fails.
    static QString rootFolder();
    // A name no other pasteboard has: process id, a counter and random bits.
    static QString uniqueName();

    // Replaces the contents; answers the new change count (one past the stored one), or -1.
    static std::int64_t write(const QString& name, const QStringList& types, const std::map<QString, QByteArray>& data);
    // The stored contents; nullopt when there are none or the name is not valid.
    static std::optional<Contents> read(const QString& name);
    // The stored change count alone (0 when none), for telling whether to read again.
    static std::int64_t changeCount(const QString& name);
    // Removes the pasteboard's folder.
    static void remove(const QString& name);
};

} // namespace kit
