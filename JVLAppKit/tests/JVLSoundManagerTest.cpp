#include "JVLAppKit/JVLSoundManager/JVLSoundManager.h"

#include "kit/controls/MenuItem.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/SoundFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

using namespace kit;

namespace {

class SoundManagerRecorder : public SoundPlayer {
public:
    bool play(std::uint32_t id, const QString& path, Finished) override
    {
        std::lock_guard lock(mutex);
        calls << QStringLiteral("play %1").arg(id);
        paths << path;
        return true;
    }
    void cancel(std::uint32_t id) override
    {
        std::lock_guard lock(mutex);
        calls << QStringLiteral("cancel %1").arg(id);
    }
    std::mutex mutex;
    QStringList calls;
    QStringList paths;
};

void touch(const QString& path) { QFile(path).open(QIODevice::WriteOnly); }

QStringList names(const JVLSoundManager& manager)
{
    QStringList out;
    for (int i = 0; i < manager.count(); ++i)
        out << manager.getSoundNameAtIndex(i);
    return out;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

class SoundManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : { "system/sounds/freedesktop/stereo", "home/sounds", "runtime", "bundle" })
            QDir().mkpath(dir.filePath(sub));
        Bundle::setMainBundlePathForTesting(dir.filePath("bundle"));
        JVLSoundManager::resetSharedSoundManagerForTesting();
        Sound::setPlayerForTesting(recorder);
    }
    void TearDown() override
    {
        JVLSoundManager::resetSharedSoundManagerForTesting();
        Sound::setPlayerForTesting(nullptr);
        Bundle::setMainBundlePathForTesting(QString());
    }
    QString at(const char* relative) const { return dir.filePath(relative); }

    QTemporaryDir dir;
    test::EnvironmentScope dataHome { "XDG_DATA_HOME", dir.filePath("home").toUtf8().constData() };
    test::EnvironmentScope dataDirs { "XDG_DATA_DIRS", dir.filePath("system").toUtf8().constData() };
    test::EnvironmentScope runtime { "XDG_RUNTIME_DIR", dir.filePath("runtime").toUtf8().constData() };
    std::shared_ptr<SoundManagerRecorder> recorder = std::make_shared<SoundManagerRecorder>();
};

TEST_F(SoundManagerTest, AFolderAddsItsSoundFilesOnly)
{
    for (const char* f : { "chime.aiff", "note.Wav", "readme.txt", "clip.aif", "drop.oga", "tick.OGG", "beep.snd" })
        touch(at("home/sounds/") + f);
    JVLSoundManager manager;
    manager.addSoundsFromPath(at("home/sounds"));
    EXPECT_EQ(sorted(names(manager)), (QStringList { "beep", "chime", "drop", "note", "tick" }));
    for (const auto& data : manager.dataArray())
        EXPECT_TRUE(QFileInfo::exists(at("home/sounds/") + data->soundFileName())) << data->soundFileName().toStdString();
    manager.addSoundsFromPath(at("missing"));
    EXPECT_EQ(manager.count(), 5);
}

TEST_F(SoundManagerTest, TheSharedManagerListsTheSystemThenTheUserFolderWithDuplicates)
{
    touch(at("system/sounds/freedesktop/stereo/bell.oga"));
    touch(at("home/sounds/bell.wav"));
    touch(at("home/sounds/mine.wav"));
    Ref<JVLSoundManager> shared = JVLSoundManager::getSharedSoundManager();
    EXPECT_EQ(JVLSoundManager::getSharedSoundManager(), shared);
    ASSERT_EQ(shared->count(), 3);
    EXPECT_EQ(shared->getSoundNameAtIndex(0), QStringLiteral("bell"));
    EXPECT_EQ(sorted(names(*shared)), (QStringList { "bell", "bell", "mine" }));
}

TEST_F(SoundManagerTest, WithoutAUserFolderOnlyTheSystemSoundsAreListed)
{
    QDir(at("home/sounds")).removeRecursively();
    touch(at("system/sounds/freedesktop/stereo/bell.oga"));
    EXPECT_EQ(names(*JVLSoundManager::getSharedSoundManager()), QStringList { "bell" });
}

TEST_F(SoundManagerTest, MenuItemsCarryTheIndexAsTag)
{
    for (const char* f : { "a.wav", "b.wav", "c.wav", "d.wav", "e.wav" })
        touch(at("home/sounds/") + f);
    JVLSoundManager manager;
    manager.addSoundsFromPath(at("home/sounds"));
    Ref<Menu> menu = manager.getSoundMenu();
    ASSERT_EQ(menu->numberOfItems(), 5);
    for (int i = 0; i < 5; ++i) {
        Ref<MenuItem> item = menu->itemAtIndex(i);
        EXPECT_EQ(item->tag(), i);
        EXPECT_EQ(item->title(), manager.getSoundNameAtIndex(i));
        EXPECT_FALSE(item->action());
    }
}

TEST_F(SoundManagerTest, PlayingBySoundNameStopsThePreviousSoundFirst)
{
    ASSERT_TRUE(test::writeWavTone(at("home/sounds/one.wav")));
    ASSERT_TRUE(test::writeWavTone(at("home/sounds/two.wav")));
    JVLSoundManager manager;
    manager.addSoundsFromPath(at("home/sounds"));
    manager.playSoundWithName("one");
    ASSERT_EQ(recorder->calls.size(), 1);
    EXPECT_TRUE(recorder->paths[0].endsWith("one.wav"));
    const QString firstId = recorder->calls[0].mid(5);
    manager.playSoundWithName("two");
    ASSERT_EQ(recorder->calls.size(), 3);
    EXPECT_EQ(recorder->calls[1], QStringLiteral("cancel ") + firstId);
    EXPECT_TRUE(recorder->paths[1].endsWith("two.wav"));
    EXPECT_EQ(manager.sound()->name(), QStringLiteral("two"));
}

TEST_F(SoundManagerTest, OutOfRangeIndexesAndUnknownNamesPlayNothing)
{
    ASSERT_TRUE(test::writeWavTone(at("home/sounds/one.wav")));
    JVLSoundManager manager;
    manager.addSoundsFromPath(at("home/sounds"));
    manager.playSoundAtIndex(-1);
    manager.playSoundAtIndex(1);
    manager.playSoundWithName("unknown");
    EXPECT_TRUE(recorder->calls.isEmpty());
    EXPECT_EQ(manager.indexOfSound("unknown"), 0);
    EXPECT_FALSE(manager.sound());
}

TEST_F(SoundManagerTest, TheNamedLookupPrefersTheUsersCopy)
{
    ASSERT_TRUE(test::writeWavTone(at("system/sounds/freedesktop/stereo/bell.wav")));
    ASSERT_TRUE(test::writeWavTone(at("home/sounds/bell.wav")));
    Ref<JVLSoundManager> shared = JVLSoundManager::getSharedSoundManager();
    shared->playSoundAtIndex(0); // the system's entry, played by name
    ASSERT_EQ(recorder->paths.size(), 1);
    EXPECT_EQ(recorder->paths[0], at("home/sounds/bell.wav"));
}

// Our own Ogg tones, compiled into the library's bundle, through the real player on the null device.
TEST_F(SoundManagerTest, TheLibrarysOggTonesPlayToTheEnd)
{
    Sound::setPlayerForTesting(nullptr);
    Bundle* bundle = Bundle::bundleWithName("JVLAppKit");
    const QStringList tones = bundle->pathsForResourcesOfTypeInDirectory("ogg", "Sounds");
    ASSERT_EQ(tones.size(), 3);
    for (const QString& path : tones) {
        auto sound = make<Sound>(path);
        ASSERT_TRUE(sound->play()) << path.toStdString();
        EXPECT_TRUE(RunLoop::main().runUntil([&] { return !sound->isPlaying(); }, 30)) << path.toStdString();
    }
}

} // namespace
