#include "kit/foundation/FileManager.h"

#include "kit/core/ProcessWide.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kit {

namespace {

std::optional<FileAttributes> statPath(const QString& path, bool followLinks, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st { };
    if ((followLinks ? ::stat(native.constData(), &st) : ::lstat(native.constData(), &st)) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    FileAttributes a;
    a.modificationDate = Date::dateWithTimeIntervalSince1970(double(st.st_mtim.tv_sec) + double(st.st_mtim.tv_nsec) / 1e9);
    a.size = qint64(st.st_size);
    a.isDirectory = S_ISDIR(st.st_mode);
    a.isSymbolicLink = S_ISLNK(st.st_mode);
    return a;
}

QStringList namesIn(const QString& path, bool* ok)
{
    QDir dir(path);
    *ok = dir.exists() && dir.isReadable();
    if (!*ok)
        return {};
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

DirectoryEnumerator::DirectoryEnumerator(QString root)
    : root_(std::move(root))
{
    bool ok = false;
    QStringList names = namesIn(root_, &ok);
    if (ok)
        stack_.push_back({ QString(), std::move(names), 0 });
}

std::optional<QString> DirectoryEnumerator::nextObject()
{
    if (!pendingDirectory_.isEmpty() && !skip_) {
        bool ok = false;
        QStringList names = namesIn(root_ + u'/' + pendingDirectory_, &ok);
        if (ok && !names.isEmpty())
            stack_.push_back({ pendingDirectory_, std::move(names), 0 });
    }
    pendingDirectory_.clear();
    skip_ = false;
    while (!stack_.empty()) {
        Level& level = stack_.back();
        if (level.next >= level.names.size()) {
            stack_.pop_back();
            continue;
        }
        const QString name = level.names.at(level.next++);
        const QString relative = level.relative.isEmpty() ? name : level.relative + u'/' + name;
        auto attributes = statPath(root_ + u'/' + relative, false, nullptr);
        attributes_ = attributes.value_or(FileAttributes {});
        if (attributes_.isDirectory && !attributes_.isSymbolicLink)
            pendingDirectory_ = relative;
        return relative;
    }
    return std::nullopt;
}

FileManager* FileManager::defaultManager()
{
    static ProcessWide<Ref<FileManager>> manager(make<FileManager>());
    return manager->get();
}

std::optional<QStringList> FileManager::contentsOfDirectoryAtPathError(const QString& path, QString* error) const
{
    bool ok = false;
    QStringList names = namesIn(path, &ok);
    if (!ok) {
        if (error)
            *error = QStringLiteral("The folder \"%1\" doesn't exist or can't be read.").arg(path);
        return std::nullopt;
    }
    return names;
}

Ref<DirectoryEnumerator> FileManager::enumeratorAtPath(const QString& path) const { return make<DirectoryEnumerator>(path); }

bool FileManager::fileExistsAtPath(const QString& path) const { return fileExistsAtPathIsDirectory(path, nullptr); }

bool FileManager::fileExistsAtPathIsDirectory(const QString& path, bool* isDirectory) const
{
    auto a = statPath(path, true, nullptr);
    if (isDirectory)
        *isDirectory = a && a->isDirectory;
    return a.has_value();
}

std::optional<FileAttributes> FileManager::attributesOfItemAtPathError(const QString& path, QString* error) const
{
    return statPath(path, true, error);
}

bool FileManager::createDirectoryAtPathWithIntermediateDirectories(const QString& path, bool intermediates, QString* error) const
{
    const bool ok = intermediates ? QDir().mkpath(path) : QDir().mkdir(path);
    if (!ok && error)
        *error = QStringLiteral("Could not create the folder \"%1\".").arg(path);
    return ok;
}

bool FileManager::removeItemAtPath(const QString& path, QString* error) const
{
    auto a = statPath(path, false, error);
    if (!a)
        return false;
    const bool ok = (a->isDirectory && !a->isSymbolicLink) ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!ok && error)
        *error = QStringLiteral("Could not remove \"%1\".").arg(path);
    return ok;
}

bool FileManager::createPrivateDirectoryAtPath(const QString& path) const
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

bool FileManager::moveItemAtPathToPath(const QString& from, const QString& to, QString* error) const
{
    if (statPath(to, false, nullptr)) {
        if (error)
            *error = QStringLiteral("\"%1\" already exists.").arg(to);
        return false;
    }
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace kit
