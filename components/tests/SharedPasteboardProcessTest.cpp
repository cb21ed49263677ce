// The pasteboard store between two processes: this test and LiveLinkPeer in its pasteboard mode.

#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/PasteboardStore.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace kit;

// The peer, working one shared pasteboard by the lines it is sent.
class SharedPasteboardPeer {
public:
    explicit SharedPasteboardPeer(const QString& name)
    {
        process_.start(QStringLiteral(LIVE_LINK_PEER), { QStringLiteral("--pasteboard"), name });
        ready_ = process_.waitForStarted() && answer() == QLatin1String("ready");
    }
    ~SharedPasteboardPeer()
    {
        ask(QStringLiteral("quit"));
        if (!process_.waitForFinished()) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    bool isReady() const { return ready_; }
    // Sends one command and answers the peer's reply line.
    QString ask(const QString& command)
    {
        process_.write((command + QLatin1Char('\n')).toUtf8());
        return command == QLatin1String("quit") ? QString() : answer();
    }

private:
    QString answer()
    {
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(10000))
                return {};
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    QProcess process_;
    bool ready_ = false;
};

class SharedPasteboardProcess : public testing::Test {
protected:
    QTemporaryDir runtime;
    test::EnvironmentScope runtimeDir { "XDG_RUNTIME_DIR", runtime.path().toUtf8().constData() };
};

TEST_F(SharedPasteboardProcess, WritesThereAreReadHereAndAReleaseRemovesThemEverywhere)
{
    const Ref<Pasteboard> here = Pasteboard::pasteboardWithUniqueName();
    ASSERT_TRUE(here);
    SharedPasteboardPeer peer(here->name());
    ASSERT_TRUE(peer.isReady());
    const std::int64_t before = here->changeCount();

    // The peer's answer is the message announcing the write; the contents are there once it came.
    const QString wrote = peer.ask(QStringLiteral("write circle"));
    ASSERT_TRUE(wrote.startsWith(QLatin1String("wrote "))) << wrote.toStdString();
    const std::int64_t first = wrote.mid(6).toLongLong();
    EXPECT_GT(first, before);
    EXPECT_EQ(here->changeCount(), first);
    EXPECT_EQ(here->propertyListForType(QStringLiteral("Shape")), Value(QStringLiteral("circle")));

    EXPECT_EQ(peer.ask(QStringLiteral("write square")), QStringLiteral("wrote %1").arg(first + 1));
    EXPECT_EQ(here->changeCount(), first + 1);
    EXPECT_EQ(here->propertyListForType(QStringLiteral("Shape")), Value(QStringLiteral("square")));

    EXPECT_EQ(peer.ask(QStringLiteral("release")), QStringLiteral("released"));
    EXPECT_FALSE(here->propertyListForType(QStringLiteral("Shape")));
    EXPECT_FALSE(PasteboardStore::read(here->name()));
}

// Names arrive from other processes: whatever they hold, the store keeps to its own folder.
TEST_F(SharedPasteboardProcess, HostileNamesCreateNothingOutsideTheStore)
{
    SharedPasteboardPeer peer(QStringLiteral("plain"));
    ASSERT_TRUE(peer.isReady());
    const QString hostile[] = { QStringLiteral("../x"), QStringLiteral("/"), QStringLiteral("a/../../b"), QStringLiteral(".."),
        QStringLiteral("%2e%2e%2fy") };
    for (const QString& name : hostile) {
        const QString answer = peer.ask(QStringLiteral("hostile ") + name);
        EXPECT_TRUE(answer == QLatin1String("refused") || answer.startsWith(QLatin1String("wrote "))) << answer.toStdString();
    }
    EXPECT_EQ(peer.ask(QStringLiteral("hostile ")), QStringLiteral("refused")) << "an empty name gives no pasteboard";
    EXPECT_EQ(peer.ask(QStringLiteral("hostile ") + QString(10 * 1024, u'a')), QStringLiteral("refused"));

    const QString store = PasteboardStore::rootFolder();
    ASSERT_EQ(store, runtime.filePath(QStringLiteral("kit-pasteboards")));
    EXPECT_EQ(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList { QStringLiteral("kit-pasteboards") });
    // One level of pasteboard folders, each an escaped name, holding only files.
    const QRegularExpression escaped(QStringLiteral("^[A-Za-z0-9_%-]+$"));
    for (const QFileInfo& folder : QDir(store).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        EXPECT_TRUE(folder.isDir() && !folder.isSymLink()) << folder.filePath().toStdString();
        EXPECT_TRUE(escaped.match(folder.fileName()).hasMatch()) << folder.fileName().toStdString();
        for (const QFileInfo& entry : QDir(folder.filePath()).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            EXPECT_TRUE(entry.isFile()) << entry.filePath().toStdString();
    }
}

} // namespace
