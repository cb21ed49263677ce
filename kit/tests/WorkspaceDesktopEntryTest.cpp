#include "kit/appkit/DesktopEntry.h"
#include "kit/appkit/Workspace.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace kit;

struct ExecRow {
    const char* exec;
    QStringList words;
};

class DesktopEntryExec : public testing::TestWithParam<ExecRow> { };

TEST_P(DesktopEntryExec, SplitsByTheQuotingRules)
{
    EXPECT_EQ(DesktopEntry::splitExec(QString::fromUtf8(GetParam().exec)), GetParam().words) << GetParam().exec;
}

INSTANTIATE_TEST_SUITE_P(Table, DesktopEntryExec,
    testing::Values(ExecRow { "peer --serve", { "peer", "--serve" } },
        ExecRow { "peer %U", { "peer" } },
        ExecRow { "peer %f %F %u %i %c %k --x", { "peer", "--x" } },
        ExecRow { "\"/opt/my app/peer\" \"two words\"", { "/opt/my app/peer", "two words" } },
        ExecRow { "peer \"say \\\"hi\\\"\" \"a\\\\b\" \"\\$HOME\"", { "peer", "say \"hi\"", "a\\b", "$HOME" } },
        ExecRow { "peer 100%% \"\"", { "peer", "100%", "" } },
        ExecRow { "peer --file=%f  --tab", { "peer", "--file=", "--tab" } }));

TEST(DesktopEntry, ReadsTheMainGroupWithItsEscapesAndLists)
{
    const QByteArray text = "# comment\n[Other]\nExec=wrong\n[Desktop Entry]\nName=Peer\nName[de]=Gegenstelle\n"
                            "Comment=one\\stwo\\nthree\\\\four\nX-LiveLinkServer=alpha;be\\;ta;gamma;\n"
                            "Exec=peer\n[Desktop Action x]\nExec=later\n";
    const auto entry = DesktopEntry::entryWithData(text);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->stringForKey(QStringLiteral("Name")), QStringLiteral("Peer"));
    EXPECT_FALSE(entry->hasKey(QStringLiteral("Name[de]")));
    EXPECT_EQ(entry->stringForKey(QStringLiteral("Comment")), QStringLiteral("one two\nthree\\four"));
    EXPECT_EQ(entry->listForKey(QStringLiteral("X-LiveLinkServer")), (QStringList { "alpha", "be;ta", "gamma" }));
    EXPECT_EQ(entry->stringForKey(QStringLiteral("Exec")), QStringLiteral("peer"));
    EXPECT_FALSE(DesktopEntry::entryWithData("[Other]\nExec=x\n"));
}

class WorkspaceLookup : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { Workspace::setLauncherForTesting(nullptr); }

    QString write(const QString& relative, const QByteArray& text)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(WorkspaceLookup, FindsTheEntryByIdentifierHomeFirstThenEachDataDirectory)
{
    const QByteArray body = "[Desktop Entry]\nExec=peer\n";
    write(QStringLiteral("data1/applications/org.example.Peer.desktop"), body);
    const QString nested = write(QStringLiteral("data2/applications/org/example/Nested.desktop"), body);
    const QString home = write(QStringLiteral("home/applications/org.example.Peer.desktop"), body);
    test::EnvironmentScope dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("home")).toUtf8().constData());
    const QByteArray dirs = (dir.filePath(QStringLiteral("missing")) + ':' + dir.filePath(QStringLiteral("data1")) + ':'
        + dir.filePath(QStringLiteral("data2"))).toUtf8();
    test::EnvironmentScope dataDirs("XDG_DATA_DIRS", dirs.constData());
    const Ref<Workspace> workspace = Workspace::sharedWorkspace();
    EXPECT_EQ(workspace->absolutePathForAppBundleWithIdentifier(QStringLiteral("org.example.Peer")), home);
    // A subfolder's entries are known by their path joined with "-".
    EXPECT_EQ(workspace->absolutePathForAppBundleWithIdentifier(QStringLiteral("org-example-Nested")), nested);
    EXPECT_EQ(workspace->absolutePathForAppBundleWithIdentifier(QStringLiteral("org.example.Nested")), QString());
    EXPECT_EQ(workspace->absolutePathForAppBundleWithIdentifier(QString()), QString());
}

TEST_F(WorkspaceLookup, LaunchStartsTheExecLineInThePathFolderWithoutAShell)
{
    const QString path = write(QStringLiteral("peer.desktop"),
        "[Desktop Entry]\nExec=\"/opt/peer dir/peer\" --serve %U \"a;b\"\nPath=/tmp/work\n");
    QString program, folder;
    QStringList arguments;
    Workspace::setLauncherForTesting([&](const QString& p, const QStringList& a, const QString& f) {
        program = p;
        arguments = a;
        folder = f;
        return true;
    });
    EXPECT_TRUE(Workspace::sharedWorkspace()->launchApplication(path));
    EXPECT_EQ(program, QStringLiteral("/opt/peer dir/peer"));
    EXPECT_EQ(arguments, (QStringList { "--serve", "a;b" }));
    EXPECT_EQ(folder, QStringLiteral("/tmp/work"));
    // No entry, or no Exec: nothing starts.
    EXPECT_FALSE(Workspace::sharedWorkspace()->launchApplication(dir.filePath(QStringLiteral("none.desktop"))));
    EXPECT_FALSE(Workspace::sharedWorkspace()->launchApplication(write(QStringLiteral("x.desktop"), "[Desktop Entry]\nName=x\n")));
}

} // namespace
