#include "kit/foundation/FileManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <utime.h>

using namespace kit;

namespace {

struct FileManagerTest : ::testing::Test {
    QTemporaryDir dir;
    FileManager* fm = FileManager::defaultManager();

    QString touch(const QString& relative)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        return path;
    }
};

TEST_F(FileManagerTest, ListingIncludesHiddenNamesAndMissingFolderIsAnError)
{
    touch("b");
    touch(".hidden");
    touch("a/inner");
    EXPECT_EQ(fm->contentsOfDirectoryAtPathError(dir.path()), (QStringList { ".hidden", "a", "b" }));
    QString error;
    EXPECT_FALSE(fm->contentsOfDirectoryAtPathError(dir.filePath("nope"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(FileManagerTest, EnumeratorIsDeepRelativeAndDoesNotFollowLinks)
{
    touch("a/x");
    touch("a/sub/y");
    touch("b");
    touch("elsewhere/z");
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), dir.filePath("link")));
    auto e = fm->enumeratorAtPath(dir.path());
    QStringList seen;
    while (auto p = e->nextObject()) {
        seen << *p;
        if (*p == "elsewhere")
            e->skipDescendents();
        if (*p == "link") {
            EXPECT_TRUE(e->fileAttributes().isSymbolicLink);
        }
    }
    EXPECT_EQ(seen, (QStringList { "a", "a/sub", "a/sub/y", "a/x", "b", "elsewhere", "link" }));
}

TEST_F(FileManagerTest, AttributesCarrySubSecondModificationDates)
{
    const QString path = touch("f");
    timespec times[2] = { { 1700000000, 250000000 }, { 1700000000, 250000000 } };
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    auto a = fm->attributesOfItemAtPathError(path);
    ASSERT_TRUE(a);
    EXPECT_DOUBLE_EQ(a->modificationDate.timeIntervalSince1970(), 1700000000.25);
    EXPECT_EQ(a->size, 1);
    bool isDir = true;
    EXPECT_TRUE(fm->fileExistsAtPathIsDirectory(path, &isDir));
    EXPECT_FALSE(isDir);
}

TEST_F(FileManagerTest, CreateMoveRemove)
{
    const QString deep = dir.filePath("p/q/r");
    EXPECT_FALSE(fm->createDirectoryAtPathWithIntermediateDirectories(deep, false));
    EXPECT_TRUE(fm->createDirectoryAtPathWithIntermediateDirectories(deep, true));
    const QString f = touch("p/q/r/file");
    EXPECT_TRUE(fm->moveItemAtPathToPath(f, dir.filePath("moved")));
    EXPECT_FALSE(fm->fileExistsAtPath(f));
    touch("other");
    EXPECT_FALSE(fm->moveItemAtPathToPath(dir.filePath("moved"), dir.filePath("other")));
    EXPECT_TRUE(fm->removeItemAtPath(dir.filePath("p")));
    EXPECT_FALSE(fm->fileExistsAtPath(dir.filePath("p")));
}

} // namespace
