#include "JVLAppKit/JVLSoundManager/JVLSoundManager.h"

#include "kit/controls/MenuItem.h"

#include <QDir>
#include <QFileInfo>

#include <mutex>

using namespace kit;

KIT_REGISTER_CLASS(JVLSoundManagerData, kit::Object)
{
    c.bundle("JVLAppKit");
    c.property("soundName", &JVLSoundManagerData::soundName, &JVLSoundManagerData::setSoundName);
    c.property("soundFileName", &JVLSoundManagerData::soundFileName, &JVLSoundManagerData::setSoundFileName);
}

KIT_REGISTER_CLASS(JVLSoundManager, kit::Object)
{
    c.bundle("JVLAppKit");
    c.property("count", &JVLSoundManager::count);
    c.action("playSoundWithName", &JVLSoundManager::playSoundWithName);
}

namespace {

struct JVLSoundManagerSlot {
    std::mutex mutex;
    Ref<JVLSoundManager> shared;
};

JVLSoundManagerSlot& jvlSoundManagerSlot()
{
    static JVLSoundManagerSlot slot;
    return slot;
}

} // namespace

Ref<JVLSoundManager> JVLSoundManager::getSharedSoundManager()
{
    JVLSoundManagerSlot& slot = jvlSoundManagerSlot();
    std::lock_guard lock(slot.mutex);
    if (!slot.shared) {
        slot.shared = make<JVLSoundManager>();
        slot.shared->addSoundsFromPath(systemSoundFolder());
        slot.shared->addSoundsFromPath(userSoundFolder());
    }
    return slot.shared;
}

void JVLSoundManager::resetSharedSoundManagerForTesting()
{
    JVLSoundManagerSlot& slot = jvlSoundManagerSlot();
    std::lock_guard lock(slot.mutex);
    slot.shared = nullptr;
}

QString JVLSoundManager::systemSoundFolder() { return Sound::systemSoundFolder(); }

QString JVLSoundManager::userSoundFolder() { return Sound::userSoundFolder(); }

JVLSoundManager::~JVLSoundManager() = default;

void JVLSoundManager::addSoundsFromPath(const QString& path)
{
    if (path.isEmpty())
        return;
    const QDir dir(path);
    if (!dir.exists() || !dir.isReadable())
        return;
    // Listing order, unsorted: the platform's order of entries.
    for (const QString& entry : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted)) {
        const QFileInfo info(entry);
        if (!Sound::soundFileExtensions().contains(info.suffix().toLower()))
            continue;
        auto data = make<JVLSoundManagerData>();
        data->setSoundName(info.completeBaseName());
        data->setSoundFileName(entry);
        dataArray_.push_back(data);
    }
}

QString JVLSoundManager::getSoundNameAtIndex(int index) const
{
    return index >= 0 && index < count() ? dataArray_[std::size_t(index)]->soundName() : QString();
}

int JVLSoundManager::indexOfSound(const QString& name) const
{
    for (int i = 0; i < count(); ++i)
        if (dataArray_[std::size_t(i)]->soundName() == name)
            return i;
    return 0;
}

void JVLSoundManager::playSoundAtIndex(int index)
{
    if (index < 0 || index >= count())
        return;
    if (sound_)
        sound_->stop();
    sound_ = Sound::soundNamed(dataArray_[std::size_t(index)]->soundName());
    if (sound_)
        sound_->play();
}

void JVLSoundManager::playSoundWithName(const QString& name)
{
    for (int i = 0; i < count(); ++i)
        if (dataArray_[std::size_t(i)]->soundName() == name) {
            playSoundAtIndex(i);
            return;
        }
}

Ref<Menu> JVLSoundManager::getSoundMenu() const
{
    auto menu = make<Menu>();
    for (int i = 0; i < count(); ++i) {
        Ref<MenuItem> item = menu->addItemWithTitleActionKeyEquivalent(dataArray_[std::size_t(i)]->soundName(), Selector(), QString());
        item->setTag(i);
    }
    return menu;
}
