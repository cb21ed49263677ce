#include "kit/foundation/Bundle.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Sound.h"
#include "kit/foundation/SoundFile.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/testsupport/SoundFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kit;

namespace {

// Records plays and cancels; finishes on another thread when asked, before play returns.
class SoundRecorder : public SoundPlayer {
public:
    bool play(std::uint32_t id, const QString& path, Finished finished) override
    {
        std::lock_guard lock(mutex);
        calls.push_back(QStringLiteral("play %1").arg(id));
        paths.push_back(path);
        if (finishAtOnce) {
            std::thread t([finished, id] { finished(id, true); });
            t.join();
        } else {
            pending.push_back({ id, finished });
        }
        return accept;
    }
    void cancel(std::uint32_t id) override
    {
        std::lock_guard lock(mutex);
        calls.push_back(QStringLiteral("cancel %1").arg(id));
    }
    std::mutex mutex;
    QStringList calls;
    QStringList paths;
    std::vector<std::pair<std::uint32_t, Finished>> pending;
    bool finishAtOnce = false;
    bool accept = true;
};

class SoundTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : { "bundle/Resources", "data/sounds", "system/sounds/freedesktop/stereo", "empty" })
            QDir().mkpath(dir.filePath(sub));
        Bundle::setMainBundlePathForTesting(dir.filePath("bundle"));
        recorder = std::make_shared<SoundRecorder>();
    }
    void TearDown() override
    {
        Sound::setPlayerForTesting(nullptr);
        Bundle::setMainBundlePathForTesting(QString());
    }
    QString at(const char* relative) { return dir.filePath(relative); }

    QTemporaryDir dir;
    test::EnvironmentScope dataHome { "XDG_DATA_HOME", QDir(QDir::tempPath()).filePath("kit-sound-test-none").toUtf8().constData() };
    std::shared_ptr<SoundRecorder> recorder;
};

TEST_F(SoundTest, NamedLookupSearchesTheBundleThenTheUserThenTheSystem)
{
    test::EnvironmentScope home("XDG_DATA_HOME", at("data").toUtf8().constData());
    test::EnvironmentScope dirs("XDG_DATA_DIRS", (at("empty") + ":" + at("system")).toUtf8().constData());
    ASSERT_TRUE(test::writeWavTone(at("system/sounds/freedesktop/stereo/bell.oga")));
    ASSERT_TRUE(test::writeWavTone(at("system/sounds/freedesktop/stereo/chime.wav")));
    ASSERT_TRUE(test::writeWavTone(at("data/sounds/chime.WAV")));
    ASSERT_TRUE(test::writeWavTone(at("data/sounds/ping.aiff")));
    ASSERT_TRUE(test::writeWavTone(at("bundle/Resources/ping.wav")));
    ASSERT_TRUE(test::writeWavTone(at("data/sounds/clip.txt")));

    EXPECT_EQ(Sound::soundNamed("bell")->path(), at("system/sounds/freedesktop/stereo/bell.oga"));
    EXPECT_EQ(Sound::soundNamed("chime")->path(), at("data/sounds/chime.WAV"));
    EXPECT_EQ(Sound::soundNamed("ping")->path(), at("bundle/Resources/ping.wav"));
    EXPECT_EQ(Sound::soundNamed("ping")->name(), QStringLiteral("ping"));
    EXPECT_FALSE(Sound::soundNamed("clip"));
    EXPECT_FALSE(Sound::soundNamed("absent"));
    EXPECT_FALSE(Sound::soundNamed(QString()));
}

TEST_F(SoundTest, EachPlayHasItsOwnIdAndStopCancelsIt)
{
    Sound::setPlayerForTesting(recorder);
    ASSERT_TRUE(test::writeWavTone(at("a.wav")));
    auto sound = make<Sound>(at("a.wav"));
    ASSERT_TRUE(sound->play());
    EXPECT_TRUE(sound->isPlaying());
    EXPECT_FALSE(sound->play()); // playing already
    EXPECT_TRUE(sound->stop());
    EXPECT_FALSE(sound->isPlaying());
    EXPECT_FALSE(sound->stop());
    ASSERT_TRUE(sound->play());
    ASSERT_EQ(recorder->calls.size(), 3);
    const QString first = recorder->calls[0].mid(5);
    EXPECT_EQ(recorder->calls[1], QStringLiteral("cancel ") + first);
    EXPECT_NE(recorder->calls[2], recorder->calls[0]);
    // Destroying a playing sound stops it.
    const QString second = recorder->calls[2].mid(5);
    sound = nullptr;
    EXPECT_EQ(recorder->calls.last(), QStringLiteral("cancel ") + second);
}

TEST_F(SoundTest, AFinishBeforePlayReturnsArrivesOnTheMainThread)
{
    Sound::setPlayerForTesting(recorder);
    recorder->finishAtOnce = true;
    ASSERT_TRUE(test::writeWavTone(at("a.wav")));
    auto sound = make<Sound>(at("a.wav"));
    ASSERT_TRUE(sound->play());
    EXPECT_TRUE(sound->isPlaying()); // the result is on its way to the main thread
    RunLoop::main().runPending();
    EXPECT_FALSE(sound->isPlaying());
    // A finish for a sound that is gone is dropped.
    recorder->finishAtOnce = false;
    ASSERT_TRUE(sound->play());
    auto finish = recorder->pending.back();
    sound = nullptr;
    std::thread([finish] { finish.second(finish.first, true); }).join();
    RunLoop::main().runPending();
}

TEST_F(SoundTest, ARefusedPlayIsNotPlaying)
{
    Sound::setPlayerForTesting(recorder);
    recorder->accept = false;
    ASSERT_TRUE(test::writeWavTone(at("a.wav")));
    auto sound = make<Sound>(at("a.wav"));
    EXPECT_FALSE(sound->play());
    EXPECT_FALSE(sound->isPlaying());
}

// Cached files are played as they stand: without a runtime folder the cache is a folder of ours
// alone in the temporary folder, and one that someone else could have made or filled is never used.
TEST_F(SoundTest, WithoutARuntimeFolderTheCacheIsAFolderOfOursAlone)
{
    Sound::setPlayerForTesting(recorder);
    test::EnvironmentScope runtime("XDG_RUNTIME_DIR", "");
    ASSERT_TRUE(QDir().mkpath(at("temp")));
    ASSERT_TRUE(test::writeAiffTone(at("t.aiff")));
    const QString cacheName = QStringLiteral("kit-sounds-%1").arg(::getuid());
    QString cachedName;
    {
        test::EnvironmentScope temp("TMPDIR", at("temp").toUtf8().constData());
        auto sound = make<Sound>(at("t.aiff"));
        ASSERT_TRUE(sound->play());
        ASSERT_EQ(recorder->paths.size(), 1);
        const QFileInfo cached(recorder->paths.front());
        EXPECT_EQ(cached.path(), at("temp/") + cacheName);
        cachedName = cached.fileName();
        struct stat info {};
        ASSERT_EQ(::lstat(QFile::encodeName(cached.path()).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_EQ(info.st_uid, ::getuid());
        sound->stop();
    }

    // Someone made the folder open to all and planted a file under the name we would ask for.
    const QString planted = at("planted/") + cacheName;
    ASSERT_TRUE(QDir().mkpath(planted));
    ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), 0777), 0);
    ASSERT_TRUE(test::writeWavTone(planted + u'/' + cachedName));
    test::EnvironmentScope temp("TMPDIR", at("planted").toUtf8().constData());
    test::LogRecorder log;
    EXPECT_FALSE(make<Sound>(at("t.aiff"))->play());
    EXPECT_EQ(recorder->paths.size(), 1);
    EXPECT_EQ(log.lines().size(), 1);
}

struct ConversionCase {
    const char* name;
    std::function<bool(const QString&)> write;
    bool playable;
};

class SoundConversion : public SoundTest, public testing::WithParamInterface<ConversionCase> { };

// AIFF and SND become a 16-bit WAV of the same samples, once; compressed AIFF-C is refused.
TEST_P(SoundConversion, ConvertsUncompressedAiffAndSnd)
{
    test::EnvironmentScope runtime("XDG_RUNTIME_DIR", at("empty").toUtf8().constData());
    const QString path = at(GetParam().name);
    ASSERT_TRUE(GetParam().write(path));
    test::LogRecorder log;
    const QString playable = Sound::playableFileForPath(path);
    if (!GetParam().playable) {
        EXPECT_TRUE(playable.isEmpty());
        EXPECT_EQ(log.lines().size(), 1);
        return;
    }
    ASSERT_FALSE(playable.isEmpty());
    EXPECT_TRUE(playable.endsWith(".wav"));
    EXPECT_TRUE(playable.startsWith(at("empty")));
    EXPECT_EQ(Sound::playableFileForPath(path), playable);
    QFile f(playable);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray wav = f.readAll();
    ASSERT_GE(wav.size(), 44);
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(std::uint8_t(wav[24]) | (std::uint8_t(wav[25]) << 8), 8000); // sample rate
    EXPECT_EQ(wav[34], 16); // bits
    EXPECT_EQ(wav.size(), 44 + 400 * 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, SoundConversion,
    testing::Values(ConversionCase { "tone16.aiff", [](const QString& p) { return test::writeAiffTone(p, 16); }, true },
        ConversionCase { "tone8.aiff", [](const QString& p) { return test::writeAiffTone(p, 8); }, true },
        ConversionCase { "plain.aifc", [](const QString& p) { return test::writeAifcTone(p, "NONE"); }, true },
        ConversionCase { "packed.aiff", [](const QString& p) { return test::writeAifcTone(p, "ima4"); }, false },
        ConversionCase { "law.snd", [](const QString& p) { return test::writeSndTone(p, true); }, true },
        ConversionCase { "linear.snd", [](const QString& p) { return test::writeSndTone(p, false); }, true },
        ConversionCase { "fake.snd", [](const QString& p) { return test::writeWavTone(p); }, false }),
    [](const auto& info) { return QString::fromUtf8(info.param.name).replace('.', '_').toStdString(); });

TEST(SoundFileDecoding, MuLawKeepsTheToneAndTruncatedFilesFail)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::writeSndTone(dir.filePath("a.snd"), true));
    ASSERT_TRUE(test::writeSndTone(dir.filePath("b.snd"), false));
    QFile a(dir.filePath("a.snd")), b(dir.filePath("b.snd"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    SoundFile::Pcm law, linear;
    QString error;
    ASSERT_TRUE(SoundFile::decode(a.readAll(), &law, &error));
    const QByteArray linearData = b.readAll();
    ASSERT_TRUE(SoundFile::decode(linearData, &linear, &error));
    ASSERT_EQ(law.samples.size(), linear.samples.size());
    for (std::size_t i = 0; i < law.samples.size(); ++i)
        EXPECT_NEAR(law.samples[i], linear.samples[i], 1 + std::abs(linear.samples[i]) / 16) << i;

    QTemporaryDir aiffDir;
    ASSERT_TRUE(test::writeAiffTone(aiffDir.filePath("t.aiff")));
    QFile t(aiffDir.filePath("t.aiff"));
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    const QByteArray whole = t.readAll();
    SoundFile::Pcm pcm;
    EXPECT_FALSE(SoundFile::decode(whole.left(whole.size() - 10), &pcm, &error));
    EXPECT_FALSE(SoundFile::decode(whole.left(30), &pcm, &error));
}

// The real player on ALSA's null device: decoding happens, nothing is heard.
class CanberraNullDevice : public SoundTest {
protected:
    bool finishes(Sound& sound) { return RunLoop::main().runUntil([&] { return !sound.isPlaying(); }, 30); }
};

TEST_F(CanberraNullDevice, PlaysWavAiffAndSndToTheEnd)
{
    test::EnvironmentScope runtime("XDG_RUNTIME_DIR", at("empty").toUtf8().constData());
    ASSERT_TRUE(test::writeWavTone(at("t.wav")));
    ASSERT_TRUE(test::writeAiffTone(at("t.aiff")));
    ASSERT_TRUE(test::writeSndTone(at("t.snd"), true));
    for (const char* name : { "t.wav", "t.aiff", "t.snd" }) {
        auto sound = make<Sound>(at(name));
        ASSERT_TRUE(sound->play()) << name;
        EXPECT_TRUE(finishes(*sound)) << name;
    }
}

TEST_F(CanberraNullDevice, MissingFilesAnd32BitWavAnswerNo)
{
    ASSERT_TRUE(test::writeWavTone(at("wide.wav"), 32));
    test::LogRecorder log;
    EXPECT_FALSE(make<Sound>(at("wide.wav"))->play());
    EXPECT_FALSE(make<Sound>(at("missing.wav"))->play());
    EXPECT_FALSE(make<Sound>(at("missing.aiff"))->play());
}

// Without a usable device every play answers NO; that is said once, naming the device and not the
// file, and ALSA's own complaints stay off stderr.
TEST_F(CanberraNullDevice, ADeviceThatIsNotThereIsToldOnceAndQuietly)
{
    ASSERT_TRUE(test::writeWavTone(at("t.wav")));
    Sound::selectAlsaDeviceForTesting(QStringLiteral("kit_no_such_device"));
    QTemporaryFile err;
    ASSERT_TRUE(err.open());
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(err.handle(), 2);
    QStringList lines;
    bool played[2] = { true, true };
    {
        test::LogRecorder log;
        for (bool& p : played)
            p = make<Sound>(at("t.wav"))->play();
        lines = log.lines();
    }
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    Sound::selectNullDeviceForTesting();
    EXPECT_FALSE(played[0]);
    EXPECT_FALSE(played[1]);
    ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].contains("kit_no_such_device")) << lines[0].toStdString();
    EXPECT_FALSE(lines[0].contains("t.wav")) << lines[0].toStdString();
    err.seek(0);
    EXPECT_EQ(err.readAll(), QByteArray());
}

TEST_F(CanberraNullDevice, StoppingCancelsThePlay)
{
    ASSERT_TRUE(test::writeWavTone(at("long.wav"), 16, 8000 * 5));
    auto sound = make<Sound>(at("long.wav"));
    ASSERT_TRUE(sound->play());
    EXPECT_TRUE(sound->stop());
    EXPECT_FALSE(sound->isPlaying());
    RunLoop::main().runPending();
}

} // namespace
