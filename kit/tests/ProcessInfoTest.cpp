#include "kit/foundation/ProcessInfo.h"

#include "kit/foundation/Bundle.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kit;

namespace {

TEST(ProcessInfoTest, ProcessNameIsTheMainBundlesExecutable)
{
    QTemporaryDir dir;
    QFile info(dir.filePath("Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(R"({"CFBundleExecutable": "Reporter"})");
    info.close();
    Bundle::setMainBundlePathForTesting(dir.path());
    EXPECT_EQ(ProcessInfo::processInfo()->processName(), "Reporter");
    test::EnvironmentScope state("XDG_STATE_HOME", dir.path().toUtf8().constData());
    EXPECT_EQ(ConsoleLog::path(), dir.path() + "/Reporter/console.log");
    Bundle::setMainBundlePathForTesting({});
    EXPECT_FALSE(ProcessInfo::processInfo()->processName().isEmpty());
}

TEST(ProcessInfoTest, LogLinesNameTheProcessAndGoToTheConsoleLog)
{
    QTemporaryDir dir;
    QFile info(dir.filePath("Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(R"({"CFBundleExecutable": "Reporter"})");
    info.close();
    Bundle::setMainBundlePathForTesting(dir.path());
    test::EnvironmentScope state("XDG_STATE_HOME", dir.path().toUtf8().constData());
    const LogSink previous = setLogSink(nullptr);
    kit::log(QStringLiteral("written to the console log"));
    setLogSink(previous);
    Bundle::setMainBundlePathForTesting({});
    QFile console(dir.path() + "/Reporter/console.log");
    ASSERT_TRUE(console.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(console.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral(" Reporter[")));
    EXPECT_TRUE(text.contains(QStringLiteral("written to the console log")));
}

TEST(ProcessInfoTest, AnUnreadableMainInfoFileIsLoggedWithoutDeadlock)
{
    QTemporaryDir dir;
    QFile info(dir.filePath("Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("{ not json");
    info.close();
    Bundle::setMainBundlePathForTesting(dir.path());
    {
        test::LogRecorder log;
        EXPECT_TRUE(Bundle::mainBundle()->infoDictionary().isEmpty());
        EXPECT_TRUE(log.contains(QStringLiteral("cannot be read")));
    }
    Bundle::setMainBundlePathForTesting({});
}

TEST(ProcessInfoTest, UniqueStringsAndIdentity)
{
    auto* p = ProcessInfo::processInfo();
    EXPECT_NE(p->globallyUniqueString(), p->globallyUniqueString());
    EXPECT_GT(p->processIdentifier(), 0);
    EXPECT_TRUE(p->environment().containsKey(Value("PATH")));
    test::ManualClockScope clock;
    const double up = p->systemUptime();
    clock.advance(2);
    EXPECT_EQ(p->systemUptime() - up, 2.0);
}

TEST(ConsoleLogTest, TrimKeepsTheNewestWholeLines)
{
    QTemporaryDir dir;
    test::EnvironmentScope state("XDG_STATE_HOME", dir.path().toUtf8().constData());
    QDir().mkpath(QFileInfo(ConsoleLog::path()).path());
    QFile f(ConsoleLog::path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < 100; ++i)
        f.write(QByteArray("line ") + QByteArray::number(i) + "\n");
    f.close();
    ConsoleLog::trim(30);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray kept = f.readAll();
    EXPECT_LE(kept.size(), 30);
    EXPECT_TRUE(kept.startsWith("line "));
    EXPECT_TRUE(kept.endsWith("line 99\n"));
}

TEST(GestaltTest, FixedAnswersAndInjection)
{
    std::int32_t v = 0;
    EXPECT_EQ(Gestalt::gestalt(Gestalt::SystemVersion, &v), 0);
    EXPECT_EQ(v, 0x1060);
    EXPECT_EQ(Gestalt::gestalt(Gestalt::fourCharCode("sys1"), &v), 0);
    EXPECT_EQ(v, 10);
    EXPECT_NE(Gestalt::gestalt(Gestalt::fourCharCode("nope"), &v), 0);
    Gestalt::setAnswerForTesting(Gestalt::SystemVersionMinor, 4);
    EXPECT_EQ(Gestalt::gestalt(Gestalt::SystemVersionMinor, &v), 0);
    EXPECT_EQ(v, 4);
    Gestalt::setAnswerForTesting(Gestalt::SystemVersionMinor, std::nullopt);
}

} // namespace
