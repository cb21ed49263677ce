#pragma once

// The alert sounds the user can pick: the system theme's sounds and the user's own folder, listed
// in discovery order, played by index or by name, and offered as a menu (title = name, tag = index).
// One shared instance per process.

#include "kit/controls/Menu.h"
#include "kit/core/Class.h"
#include "kit/foundation/Sound.h"

#include <vector>

// One entry of the list.
class JVLSoundManagerData : public kit::Object {
    KIT_CLASS(JVLSoundManagerData)

    JVLSoundManagerData() = default;
    // The file name without extension: the name under which the sound is shown and played.
    QString soundName() const { return soundName_; }
    void setSoundName(const QString& name) { soundName_ = name; }
    // The file name with extension, no folder.
    QString soundFileName() const { return soundFileName_; }
    void setSoundFileName(const QString& name) { soundFileName_ = name; }

private:
    QString soundName_ = QStringLiteral("");
    QString soundFileName_ = QStringLiteral("");
};

class JVLSoundManager : public kit::Object {
    KIT_CLASS(JVLSoundManager)

    // Made on first use: the system folder, then the user's.
    static kit::Ref<JVLSoundManager> getSharedSoundManager();
    // Tests: the next getSharedSoundManager reads the folders again.
    static void resetSharedSoundManagerForTesting();
    // The system theme's sounds/freedesktop/stereo of the first XDG data folder that has one (may be
    // null), and $XDG_DATA_HOME/sounds.
    static QString systemSoundFolder();
    static QString userSoundFolder();

    // A manager with an empty list; getSharedSoundManager is the way to the shared one.
    JVLSoundManager() = default;
    ~JVLSoundManager() override;

    // Appends the sounds of `path` ("aiff", "wav", "snd", "oga", "ogg" in any case) in listing order.
    void addSoundsFromPath(const QString& path);
    int count() const { return int(dataArray_.size()); }
    QString getSoundNameAtIndex(int index) const;
    // The first entry of exactly that name; 0 when none has it.
    int indexOfSound(const QString& name) const;
    // Out of range: nothing. The previous sound is stopped; the new one is kept until the next.
    void playSoundAtIndex(int index);
    // A name no entry has plays nothing.
    void playSoundWithName(const QString& name);
    kit::Ref<kit::Menu> getSoundMenu() const;

    const std::vector<kit::Ref<JVLSoundManagerData>>& dataArray() const { return dataArray_; }
    kit::Ref<kit::Sound> sound() const { return sound_; }

private:
    std::vector<kit::Ref<JVLSoundManagerData>> dataArray_;
    kit::Ref<kit::Sound> sound_;
};
