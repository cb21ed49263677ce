#include "kit/foundation/Sound.h"

#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/FileManager.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/SoundFile.h"
#include "kit/linux/CanberraSoundPlayer.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <unistd.h>
#include <utility>

namespace kit {

KIT_REGISTER_CLASS(Sound, Object)
{
    c.property("name", &Sound::name);
    c.action("play", &Sound::play);
    c.action("stop", &Sound::stop);
}

namespace {

struct SoundPlayerSlot {
    std::mutex mutex;
    std::shared_ptr<SoundPlayer> player;
    std::shared_ptr<CanberraSoundPlayer> canberra;
};

SoundPlayerSlot& soundPlayerSlot()
{
    static SoundPlayerSlot slot;
    return slot;
}

std::uint32_t soundNextPlayId()
{
    static std::atomic<std::uint32_t> next { 0 };
    std::uint32_t id = ++next;
    while (id == 0)
        id = ++next;
    return id;
}

// The first file in `folder` whose base name is `name` and whose extension is a sound's.
QString soundFileInFolder(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Readable, QDir::Name)) {
        const QFileInfo info(entry);
        if (info.completeBaseName() == name && Sound::soundFileExtensions().contains(info.suffix().toLower()))
            return dir.filePath(entry);
    }
    return {};
}

// Files found there are played as they stand, so the folder must be ours alone: in the temporary
// folder, shared by every user, another could own it or plant a file under a name we will ask for.
// Empty (with one log line) when it is not ours.
QString soundCacheFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime + QStringLiteral("/kit-sounds")
                                                                            : QDir::tempPath() + QStringLiteral("/kit-sounds-%1").arg(::getuid());
    if (FileManager::defaultManager()->createPrivateDirectoryAtPath(folder))
        return folder;
    logMessage(QStringLiteral("sound: the cache folder %1 is not ours alone").arg(folder));
    return {};
}

// One cache file per source path and modification time; empty without a cache folder.
QString soundCachePath(const QString& path, const QString& extension)
{
    const QString folder = soundCacheFolder();
    if (folder.isEmpty())
        return {};
    const QFileInfo info(path);
    const QByteArray key = path.toUtf8() + '\n' + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    return folder + u'/' + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex()) + u'.' + extension;
}

} // namespace

QString Sound::userSoundFolder()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/sounds");
}

QString Sound::systemSoundFolder()
{
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        const QString theme = dir + QStringLiteral("/sounds/freedesktop/stereo");
        if (QFileInfo(theme).isDir())
            return theme;
    }
    return {};
}

const QStringList& Sound::soundFileExtensions()
{
    static const QStringList extensions { QStringLiteral("aiff"), QStringLiteral("wav"), QStringLiteral("snd"), QStringLiteral("oga"),
        QStringLiteral("ogg") };
    return extensions;
}

Sound::Sound(const QString& path)
    : path_(path)
    , name_(QFileInfo(path).completeBaseName())
{ }

Sound::~Sound()
{
    if (playingId_ && playedBy_)
        playedBy_->cancel(playingId_);
}

Ref<Sound> Sound::soundNamed(const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    QString path;
    if (Bundle* main = Bundle::mainBundle()) {
        for (const QString& candidate : main->pathsForResourcesOfTypeInDirectory(QString(), QString())) {
            const QFileInfo info(candidate);
            if (info.completeBaseName() == name && soundFileExtensions().contains(info.suffix().toLower())) {
                path = candidate;
                break;
            }
        }
    }
    if (path.isEmpty())
        path = soundFileInFolder(userSoundFolder(), name);
    if (path.isEmpty()) {
        const QString system = systemSoundFolder();
        if (!system.isEmpty())
            path = soundFileInFolder(system, name);
    }
    return path.isEmpty() ? nullptr : make<Sound>(path);
}

QString Sound::playableFileForPath(const QString& path)
{
    QString source = path;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (path.startsWith(u':')) {
        // libcanberra reads files by path.
        const QString copy = soundCachePath(path, suffix.isEmpty() ? QStringLiteral("bin") : suffix);
        if (copy.isEmpty())
            return {};
        if (!QFileInfo::exists(copy) && !QFile::copy(path, copy)) {
            logMessage(QStringLiteral("sound: cannot copy %1").arg(path));
            return {};
        }
        source = copy;
    }
    if (suffix == QLatin1String("aiff") || suffix == QLatin1String("aif") || suffix == QLatin1String("aifc") || suffix == QLatin1String("snd")
        || suffix == QLatin1String("au")) {
        const QString wav = soundCachePath(source, QStringLiteral("wav"));
        if (wav.isEmpty())
            return {};
        if (QFileInfo::exists(wav))
            return wav;
        QString error;
        if (!SoundFile::convertToWav(source, wav, &error)) {
            logMessage(QStringLiteral("sound: %1 is not supported: %2").arg(path, error));
            return {};
        }
        return wav;
    }
    return source;
}

bool Sound::play()
{
    if (playingId_)
        return false;
    const QString file = playableFileForPath(path_);
    if (file.isEmpty())
        return false;
    std::shared_ptr<SoundPlayer> p = player();
    // The finish may come before play returns, on the player's thread: the id is recorded first and
    // the result travels to the main thread through a weak reference.
    const std::uint32_t id = soundNextPlayId();
    playingId_ = id;
    playedBy_ = p;
    Weak<Sound> weak(this);
    const bool started = p->play(id, file, [weak](std::uint32_t finishedId, bool) {
        RunLoop::main().enqueueMainBlock([weak, finishedId] {
            if (const Ref<Sound> self = weak.lock())
                self->didFinish(finishedId);
        });
    });
    if (!started) {
        playingId_ = 0;
        playedBy_ = nullptr;
    }
    return started;
}

bool Sound::stop()
{
    if (!playingId_)
        return false;
    const std::uint32_t id = std::exchange(playingId_, 0);
    if (playedBy_)
        playedBy_->cancel(id);
    playedBy_ = nullptr;
    return true;
}

void Sound::didFinish(std::uint32_t id)
{
    if (id == playingId_) {
        playingId_ = 0;
        playedBy_ = nullptr;
    }
}

std::shared_ptr<SoundPlayer> Sound::player()
{
    SoundPlayerSlot& slot = soundPlayerSlot();
    std::lock_guard lock(slot.mutex);
    if (slot.player)
        return slot.player;
    if (!slot.canberra)
        slot.canberra = std::make_shared<CanberraSoundPlayer>();
    return slot.canberra;
}

void Sound::setPlayerForTesting(std::shared_ptr<SoundPlayer> player)
{
    SoundPlayerSlot& slot = soundPlayerSlot();
    std::lock_guard lock(slot.mutex);
    slot.player = std::move(player);
}

void Sound::selectNullDeviceForTesting() { selectAlsaDeviceForTesting(QStringLiteral("null")); }

void Sound::selectAlsaDeviceForTesting(const QString& device)
{
    SoundPlayerSlot& slot = soundPlayerSlot();
    std::lock_guard lock(slot.mutex);
    if (!slot.canberra)
        slot.canberra = std::make_shared<CanberraSoundPlayer>();
    slot.canberra->selectAlsaDevice(device);
}

} // namespace kit
