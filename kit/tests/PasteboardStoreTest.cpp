#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/PasteboardStore.h"
#include "kit/core/Value.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace kit;

class PasteboardStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        runtime.emplace("XDG_RUNTIME_DIR", dir.path().toUtf8().constData());
    }
    QTemporaryDir dir;
    std::optional<test::EnvironmentScope> runtime;
};

TEST_F(PasteboardStoreTest, WritesReadsCountsAndReleases)
{
    const QString name = PasteboardStore::uniqueName();
    EXPECT_NE(name, PasteboardStore::uniqueName());
    EXPECT_EQ(PasteboardStore::changeCount(name), 0);
    EXPECT_EQ(PasteboardStore::write(name, { "LiveLinkData", "public.text" }, { { "LiveLinkData", "{}" }, { "public.text", "hi" } }), 1);
    EXPECT_EQ(PasteboardStore::write(name, { "public.text" }, { { "public.text", "again" } }), 2);
    const auto contents = PasteboardStore::read(name);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->changeCount, 2);
    EXPECT_EQ(contents->types, QStringList { "public.text" });
    EXPECT_EQ(contents->data.at(QStringLiteral("public.text")), QByteArray("again"));
    const QFileInfo root(PasteboardStore::rootFolder());
    EXPECT_EQ(root.absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    EXPECT_EQ(QFile(root.absoluteFilePath()).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther), QFile::Permissions());
    PasteboardStore::remove(name);
    EXPECT_FALSE(PasteboardStore::read(name));
    EXPECT_EQ(PasteboardStore::changeCount(name), 0);
}

TEST_F(PasteboardStoreTest, HostileNamesCreateNothingOutsideTheStore)
{
    const QStringList hostile = { "../x", "/", "a/../../b", QString(10240, QLatin1Char('a')), "", ".", "..", "~", "a\nb" };
    for (const QString& name : hostile)
        PasteboardStore::write(name, { "t" }, { { "t", "x" } });
    EXPECT_FALSE(PasteboardStore::escapedName(QString()));
    EXPECT_FALSE(PasteboardStore::escapedName(QString(10240, QLatin1Char('a'))));
    // Only the store's own folder beside the test's, and inside it only escaped names.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList { "kit-pasteboards" });
    const QStringList stored = QDir(PasteboardStore::rootFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    EXPECT_EQ(stored.size(), 7);
    for (const QString& entry : stored) {
        EXPECT_FALSE(entry.contains(QLatin1Char('/')));
        EXPECT_FALSE(entry.startsWith(QLatin1Char('.'))) << entry.toStdString();
    }
    EXPECT_EQ(PasteboardStore::escapedName(QStringLiteral("../x")), QStringLiteral("%2E%2E%2Fx"));
    EXPECT_EQ(PasteboardStore::read(QStringLiteral("a/../../b"))->data.at(QStringLiteral("t")), QByteArray("x"));
}

TEST_F(PasteboardStoreTest, AFolderOthersCanEnterIsNotUsed)
{
    const QString root = dir.filePath(QStringLiteral("kit-pasteboards"));
    ASSERT_TRUE(QDir().mkpath(root));
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    EXPECT_EQ(PasteboardStore::rootFolder(), QString());
    EXPECT_EQ(PasteboardStore::write(QStringLiteral("x"), { "t" }, { { "t", "x" } }), -1);
}

// Writes the manifest and type files as another process might have left them.
void writeStoreFiles(const QString& name, const std::map<QString, QByteArray>& files)
{
    const QString folder = PasteboardStore::rootFolder() + QLatin1Char('/') + *PasteboardStore::escapedName(name);
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const auto& [file, bytes] : files) {
        QFile out(folder + QLatin1Char('/') + file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
}

TEST_F(PasteboardStoreTest, AChangeCountNoWriteCouldHaveStoredReadsAsNone)
{
    const std::pair<QByteArray, std::int64_t> cases[] = { { "41", 41 }, { "41.5", 41 }, { "-3", 0 }, { "1e300", 0 }, { "-1e300", 0 },
        { "9007199254740992", 0 }, { "9007199254740991", 9007199254740991 }, { "\"7\"", 0 }, { "null", 0 } };
    for (const auto& [count, expected] : cases) {
        SCOPED_TRACE(count.toStdString());
        const QString name = PasteboardStore::uniqueName();
        writeStoreFiles(name, { { "manifest", "{\"changeCount\":" + count + ",\"types\":[]}" } });
        EXPECT_EQ(PasteboardStore::changeCount(name), expected);
        ASSERT_TRUE(PasteboardStore::read(name));
        EXPECT_EQ(PasteboardStore::read(name)->changeCount, expected);
        EXPECT_EQ(PasteboardStore::write(name, {}, {}), expected + 1);
    }
}

TEST_F(PasteboardStoreTest, ATypeTheManifestNamesTwiceIsReadOnce)
{
    const QString name = PasteboardStore::uniqueName();
    writeStoreFiles(name, { { "manifest", R"({"changeCount":2,"types":["b","a","b",7,""]})" }, { "type-a", "A" }, { "type-b", "B" } });
    const auto contents = PasteboardStore::read(name);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->types, (QStringList { "b", "a" }));
    EXPECT_EQ(contents->data.size(), 2u);
}

TEST_F(PasteboardStoreTest, ASharedPasteboardWritesThroughTheStore)
{
    const Ref<Pasteboard> board = Pasteboard::pasteboardWithUniqueName();
    ASSERT_TRUE(board);
    EXPECT_TRUE(board->isShared());
    EXPECT_EQ(board->changeCount(), 0);
    ASSERT_TRUE(board->setPropertyListForType(Value(QStringLiteral("shape")), QStringLiteral("LiveLinkData")));
    EXPECT_EQ(board->changeCount(), 1);
    // What another process writes under the name is what this one reads, and counts.
    const auto stored = PasteboardStore::read(board->name());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->types, QStringList { "LiveLinkData" });
    PasteboardStore::write(board->name(), { "LiveLinkData" }, { { "LiveLinkData", "\"edited\"" } });
    EXPECT_EQ(board->changeCount(), 2);
    EXPECT_EQ(board->propertyListForType(QStringLiteral("LiveLinkData"))->stringValue(), QStringLiteral("edited"));
    EXPECT_EQ(Pasteboard::sharedPasteboardWithName(board->name()).get(), board.get());
    board->releaseGlobally();
    EXPECT_FALSE(PasteboardStore::read(board->name()));
    EXPECT_FALSE(board->propertyListForType(QStringLiteral("LiveLinkData")));
    EXPECT_EQ(Pasteboard::sharedPasteboardWithName(QString()), nullptr);
    EXPECT_EQ(Pasteboard::sharedPasteboardWithName(QString(300, QLatin1Char('x'))), nullptr);
}

} // namespace
