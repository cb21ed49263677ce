#pragma once

// A short sound read from a file and played without waiting, one play at a time per object.
// `soundNamed` finds a sound by base name in the main bundle's resources, then the user's
// $XDG_DATA_HOME/sounds, then the system theme's sounds/freedesktop/stereo. The player behind it
// (kit/linux: libcanberra) reads WAV and Ogg Vorbis by path; uncompressed AIFF and SND files are
// converted once into a cached 16-bit WAV, and compiled-in sounds (":/...") are copied once to a
// private cache file.

#include "kit/core/Class.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace kit {

// Plays files by path. `finished(id, success)` may run on any thread, even before play returns;
// it runs at most once per id and only when play answered YES.
class SoundPlayer {
public:
    using Finished = std::function<void(std::uint32_t id, bool success)>;
    virtual ~SoundPlayer() = default;
    virtual bool play(std::uint32_t id, const QString& path, Finished finished) = 0;
    virtual void cancel(std::uint32_t id) = 0;
};

class Sound : public Object {
    KIT_CLASS(Sound)

    Sound() = default;
    // initWithContentsOfFile: the name is the file's base name.
    explicit Sound(const QString& path);
    ~Sound() override;

    // Nil when no file of that base name (any accepted extension, compared case-insensitively) exists.
    static Ref<Sound> soundNamed(const QString& name);
    // $XDG_DATA_HOME/sounds, and the system theme's sounds/freedesktop/stereo of the first XDG data
    // folder that has one (null when none has).
    static QString userSoundFolder();
    static QString systemSoundFolder();
    // The extensions a sound file may have, lower case.
    static const QStringList& soundFileExtensions();

    QString name() const { return name_; }
    QString path() const { return path_; }

    // Answers whether playing started; does not wait. A sound that plays already answers NO.
    bool play();
    // Answers whether the sound was playing.
    bool stop();
    bool isPlaying() const { return playingId_ != 0; }

    // The file the player reads for `path`: itself for WAV and Ogg, a cached conversion for
    // uncompressed AIFF and SND, a cached copy for ":/" files; null (with one log line) otherwise.
    static QString playableFileForPath(const QString& path);

    // The process's player (libcanberra unless a test replaced it; null restores it).
    static std::shared_ptr<SoundPlayer> player();
    static void setPlayerForTesting(std::shared_ptr<SoundPlayer> player);
    // Every test program calls this first: libcanberra's ALSA driver on ALSA's "null" device.
    static void selectNullDeviceForTesting();
    // libcanberra's ALSA driver on that ALSA device.
    static void selectAlsaDeviceForTesting(const QString& device);

private:
    void didFinish(std::uint32_t id);

    QString path_;
    QString name_;
    std::uint32_t playingId_ = 0; // main thread
    std::shared_ptr<SoundPlayer> playedBy_;
};

} // namespace kit
