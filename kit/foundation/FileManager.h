#pragma once

// File-system access the components need: directory listings (hidden names included), a deep
// enumerator that reports paths relative to its root and does not descend into links, attributes
// with sub-second modification dates, and atomic moves.

#include "kit/core/Object.h"
#include "kit/foundation/Date.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kit {

struct FileAttributes {
    Date modificationDate;
    qint64 size = 0;
    bool isDirectory = false;
    bool isSymbolicLink = false;
};

class DirectoryEnumerator : public Object {
public:
    explicit DirectoryEnumerator(QString root);

    // The next path relative to the root, depth first in name order; nullopt at the end.
    std::optional<QString> nextObject();
    // Attributes of the path nextObject answered last (links not followed).
    const FileAttributes& fileAttributes() const { return attributes_; }
    // Do not descend into the directory nextObject answered last.
    void skipDescendents() { skip_ = true; }

private:
    struct Level {
        QString relative;
        QStringList names;
        qsizetype next = 0;
    };
    QString root_;
    std::vector<Level> stack_;
    FileAttributes attributes_;
    QString pendingDirectory_;
    bool skip_ = false;
};

class FileManager : public Object {
public:
    static FileManager* defaultManager();

    // Names in the directory, hidden ones included, sorted; nullopt (with `error`) if unreadable.
    std::optional<QStringList> contentsOfDirectoryAtPathError(const QString& path, QString* error = nullptr) const;
    Ref<DirectoryEnumerator> enumeratorAtPath(const QString& path) const;
    bool fileExistsAtPath(const QString& path) const;
    bool fileExistsAtPathIsDirectory(const QString& path, bool* isDirectory) const;
    // Links followed.
    std::optional<FileAttributes> attributesOfItemAtPathError(const QString& path, QString* error = nullptr) const;
    bool createDirectoryAtPathWithIntermediateDirectories(const QString& path, bool intermediates, QString* error = nullptr) const;
    // A folder of this user's alone: made 0700 when missing; NO when it is no folder (a link is
    // none), another user owns it or others may enter it.
    bool createPrivateDirectoryAtPath(const QString& path) const;
    bool removeItemAtPath(const QString& path, QString* error = nullptr) const;
    // A rename: atomic on one file system; fails if the destination exists.
    bool moveItemAtPathToPath(const QString& from, const QString& to, QString* error = nullptr) const;
};

} // namespace kit
