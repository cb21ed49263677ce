#include "kit/appkit/PasteboardStore.h"

#include "kit/foundation/FileManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <atomic>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace kit {

namespace {

// A folder of ours only: made 0700 if missing, refused when another user owns it or others may enter.
bool pasteboardStorePrivateFolder(const QString& path) { return FileManager::defaultManager()->createPrivateDirectoryAtPath(path); }

QString pasteboardStoreFolder(const QString& name, bool create)
{
    const std::optional<QString> escaped = PasteboardStore::escapedName(name);
    const QString root = PasteboardStore::rootFolder();
    if (!escaped || root.isEmpty())
        return {};
    const QString folder = root + QLatin1Char('/') + *escaped;
    if (create && !pasteboardStorePrivateFolder(folder))
        return {};
    return folder;
}

QString pasteboardStoreTypeFile(const QString& folder, const QString& type)
{
    // Types are escaped as names are; a type too long for that cannot be stored.
    const std::optional<QString> escaped = PasteboardStore::escapedName(type);
    return escaped ? folder + QStringLiteral("/type-") + *escaped : QString();
}

bool pasteboardStoreWriteFile(const QString& path, const QByteArray& bytes)
{
    // Written aside and renamed over the old file, so a reader sees one whole version. Nothing is
    // synced to disk: pasteboards end with the session, and a sync per file made every live-link
    // edit wait for the disk where the store has no memory-backed runtime folder.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return false;
    file.setAutoRemove(false);
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    const QString writtenPath = file.fileName();
    file.close();
    if (!written || ::rename(QFile::encodeName(writtenPath).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(writtenPath);
        return false;
    }
    return true;
}

std::optional<QJsonObject> pasteboardStoreManifest(const QString& folder)
{
    QFile file(folder + QStringLiteral("/manifest"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(1 << 20));
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

// The manifest's change count: another process wrote it, so anything but a whole count a double
// still counts on from exactly (negative, fractional past 2^53, not a number) reads as none.
std::int64_t pasteboardStoreChangeCount(const QJsonObject& manifest)
{
    const double count = manifest.value(QStringLiteral("changeCount")).toDouble();
    return count >= 0 && count < 9007199254740992.0 ? std::int64_t(count) : 0;
}

} // namespace

std::optional<QString> PasteboardStore::escapedName(const QString& name)
{
    if (name.isEmpty())
        return std::nullopt;
    const QByteArray bytes = name.toUtf8();
    if (bytes.size() > 200)
        return std::nullopt;
    const QByteArray escaped = bytes.toPercentEncoding(QByteArray(), QByteArray("~."));
    if (escaped.size() > 200)
        return std::nullopt;
    return QString::fromLatin1(escaped);
}

QString PasteboardStore::rootFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString root = !runtime.isEmpty() ? runtime + QStringLiteral("/kit-pasteboards")
                                            : QDir::tempPath() + QStringLiteral("/kit-pasteboards-%1").arg(::getuid());
    return pasteboardStorePrivateFolder(root) ? root : QString();
}

QString PasteboardStore::uniqueName()
{
    static std::atomic<std::uint64_t> counter { 0 };
    return QStringLiteral("kit-%1-%2-%3")
        .arg(QCoreApplication::applicationPid())
        .arg(counter.fetch_add(1) + 1)
        .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
}

std::int64_t PasteboardStore::write(const QString& name, const QStringList& types, const std::map<QString, QByteArray>& data)
{
    const QString folder = pasteboardStoreFolder(name, true);
    if (folder.isEmpty())
        return -1;
    QJsonArray stored;
    for (const QString& type : types) {
        const QString file = pasteboardStoreTypeFile(folder, type);
        const auto it = data.find(type);
        if (file.isEmpty() || !pasteboardStoreWriteFile(file, it == data.end() ? QByteArray() : it->second))
            return -1;
        stored.append(type);
    }
    const std::int64_t count = changeCount(name) + 1;
    QJsonObject manifest;
    manifest.insert(QStringLiteral("changeCount"), double(count));
    manifest.insert(QStringLiteral("types"), stored);
    if (!pasteboardStoreWriteFile(folder + QStringLiteral("/manifest"), QJsonDocument(manifest).toJson(QJsonDocument::Compact)))
        return -1;
    return count;
}

std::optional<PasteboardStore::Contents> PasteboardStore::read(const QString& name)
{
    const QString folder = pasteboardStoreFolder(name, false);
    if (folder.isEmpty())
        return std::nullopt;
    const std::optional<QJsonObject> manifest = pasteboardStoreManifest(folder);
    if (!manifest)
        return std::nullopt;
    Contents contents;
    contents.changeCount = pasteboardStoreChangeCount(*manifest);
    for (const QJsonValue& value : manifest->value(QStringLiteral("types")).toArray()) {
        const QString type = value.toString();
        QFile file(pasteboardStoreTypeFile(folder, type));
        // A type named twice is read once, where it first stands.
        if (type.isEmpty() || contents.data.count(type) || !file.open(QIODevice::ReadOnly))
            continue;
        contents.types << type;
        contents.data[type] = file.readAll();
    }
    return contents;
}

std::int64_t PasteboardStore::changeCount(const QString& name)
{
    const QString folder = pasteboardStoreFolder(name, false);
    const std::optional<QJsonObject> manifest = folder.isEmpty() ? std::nullopt : pasteboardStoreManifest(folder);
    return manifest ? pasteboardStoreChangeCount(*manifest) : 0;
}

void PasteboardStore::remove(const QString& name)
{
    const QString folder = pasteboardStoreFolder(name, false);
    if (!folder.isEmpty())
        QDir(folder).removeRecursively();
}

} // namespace kit
