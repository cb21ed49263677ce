#include "kit/linux/CanberraSoundPlayer.h"

#include "kit/core/Exception.h"
#include "kit/foundation/ProcessInfo.h"

#include <QFile>
#include <QFileInfo>

#include <canberra.h>
#include <dlfcn.h>

#include <utility>

namespace kit {

namespace {

// Owned by libcanberra's call from a successful play until its finish callback.
struct CanberraFinish {
    SoundPlayer::Finished finished;
};

// ALSA's default handler prints every failure to stderr, several lines per play without a device.
void canberraQuietAlsaError(const char*, int, const char*, int, const char*, ...) { }

void canberraSilenceAlsa()
{
    static const bool silenced = [] {
        // Loaded for good, as libcanberra's ALSA driver loads it anyway.
        void* alsa = ::dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        void* set = alsa ? ::dlsym(alsa, "snd_lib_error_set_handler") : nullptr;
        if (!set)
            return false;
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        reinterpret_cast<int (*)(Handler)>(set)(&canberraQuietAlsaError);
        return true;
    }();
    (void)silenced;
}

void canberraFinished(ca_context*, std::uint32_t id, int errorCode, void* userdata)
{
    std::unique_ptr<CanberraFinish> finish(static_cast<CanberraFinish*>(userdata));
    if (finish->finished)
        finish->finished(id, errorCode == CA_SUCCESS);
}

} // namespace

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (context_)
        ca_context_destroy(context_);
}

void CanberraSoundPlayer::selectAlsaDevice(const QString& device)
{
    std::lock_guard lock(mutex_);
    alsaDevice_ = device;
    if (context_)
        ca_context_change_device(context_, device.toUtf8().constData());
}

ca_context* CanberraSoundPlayer::context()
{
    if (context_ || openFailed_)
        return context_;
    canberraSilenceAlsa();
    ca_context* c = nullptr;
    if (ca_context_create(&c) != CA_SUCCESS) {
        openFailed_ = true;
        logMessage(QStringLiteral("sound: no libcanberra context"));
        return nullptr;
    }
    const QByteArray name = ProcessInfo::processInfo()->processName().toUtf8();
    ca_context_change_props(c, CA_PROP_APPLICATION_NAME, name.constData(), nullptr);
    if (!alsaDevice_.isEmpty()) {
        ca_context_set_driver(c, "alsa");
        ca_context_change_device(c, alsaDevice_.toUtf8().constData());
    }
    if (const int error = ca_context_open(c); error != CA_SUCCESS) {
        logMessage(QStringLiteral("sound: cannot open libcanberra: %1").arg(QString::fromUtf8(ca_strerror(error))));
        ca_context_destroy(c);
        openFailed_ = true;
        return nullptr;
    }
    context_ = c;
    return context_;
}

bool CanberraSoundPlayer::play(std::uint32_t id, const QString& path, Finished finished)
{
    // Only a file that is there and readable can tell a refusal of the device.
    if (!QFileInfo(path).isReadable()) {
        logMessage(QStringLiteral("sound: cannot read %1").arg(path));
        return false;
    }
    std::lock_guard lock(mutex_);
    ca_context* c = context();
    if (!c)
        return false;
    ca_proplist* properties = nullptr;
    if (ca_proplist_create(&properties) != CA_SUCCESS)
        return false;
    ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, QFile::encodeName(path).constData());
    ca_proplist_sets(properties, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    auto* finish = new CanberraFinish { std::move(finished) };
    // The callback may run on libcanberra's thread before this returns: the caller recorded the id.
    const int error = ca_context_play_full(c, id, properties, &canberraFinished, finish);
    ca_proplist_destroy(properties);
    if (error != CA_SUCCESS) {
        // No callback follows a refused play.
        delete finish;
        if (error == CA_ERROR_CORRUPT || error == CA_ERROR_NOTSUPPORTED) {
            logMessage(QStringLiteral("sound: cannot play %1: %2").arg(path, QString::fromUtf8(ca_strerror(error))));
        } else if (!std::exchange(toldDeviceRefuses_, true)) {
            const QString device = alsaDevice_.isEmpty() ? QStringLiteral("the default audio device") : QStringLiteral("the audio device \"%1\"").arg(alsaDevice_);
            logMessage(QStringLiteral("sound: %1 plays nothing (%2); sounds stay silent").arg(device, QString::fromUtf8(ca_strerror(error))));
        }
        return false;
    }
    return true;
}

void CanberraSoundPlayer::cancel(std::uint32_t id)
{
    std::lock_guard lock(mutex_);
    if (context_)
        ca_context_cancel(context_, id);
}

} // namespace kit
