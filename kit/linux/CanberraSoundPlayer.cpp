#include "kit/linux/CanberraSoundPlayer.h"

#include "kit/core/Exception.h"
#include "kit/foundation/ProcessInfo.h"

#include <QFile>

#include <canberra.h>

namespace kit {

namespace {

// Owned by libcanberra's call from a successful play until its finish callback.
struct CanberraFinish {
    SoundPlayer::Finished finished;
};

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

void CanberraSoundPlayer::selectNullDevice()
{
    std::lock_guard lock(mutex_);
    nullDevice_ = true;
    if (context_)
        ca_context_change_device(context_, "null");
}

ca_context* CanberraSoundPlayer::context()
{
    if (context_ || openFailed_)
        return context_;
    ca_context* c = nullptr;
    if (ca_context_create(&c) != CA_SUCCESS) {
        openFailed_ = true;
        logMessage(QStringLiteral("sound: no libcanberra context"));
        return nullptr;
    }
    const QByteArray name = ProcessInfo::processInfo()->processName().toUtf8();
    ca_context_change_props(c, CA_PROP_APPLICATION_NAME, name.constData(), nullptr);
    if (nullDevice_) {
        ca_context_set_driver(c, "alsa");
        ca_context_change_device(c, "null");
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
        logMessage(QStringLiteral("sound: cannot play %1: %2").arg(path, QString::fromUtf8(ca_strerror(error))));
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
