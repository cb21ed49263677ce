// Starting the gallery without a usable display: help still works, and a missing or unreachable
// display is a plain error that leaves no crash log to offer at the next start.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct StartCase {
    const char* name;
    QStringList arguments;
    const char* display; // null: DISPLAY unset
    int exitCode;
    const char* stdoutHas;
    const char* stderrHas;
    const char* stdoutLacks = nullptr;
};

class GalleryStart : public testing::TestWithParam<StartCase> { };

TEST_P(GalleryStart, ExitsWithoutACrashLog)
{
    const StartCase& c = GetParam();
    QTemporaryDir state;
    ASSERT_TRUE(state.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (c.display)
        environment.insert(QStringLiteral("DISPLAY"), QString::fromUtf8(c.display));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
    QProcess gallery;
    gallery.setProcessEnvironment(environment);
    gallery.start(QStringLiteral(GALLERY_BINARY), c.arguments);
    ASSERT_TRUE(gallery.waitForFinished(60000));
    EXPECT_EQ(gallery.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(gallery.exitCode(), c.exitCode);
    const QString out = QString::fromUtf8(gallery.readAllStandardOutput());
    const QString err = QString::fromUtf8(gallery.readAllStandardError());
    EXPECT_TRUE(out.contains(QString::fromUtf8(c.stdoutHas))) << out.toStdString();
    EXPECT_TRUE(err.contains(QString::fromUtf8(c.stderrHas))) << err.toStdString();
    if (c.stdoutLacks)
        EXPECT_FALSE(out.contains(QString::fromUtf8(c.stdoutLacks))) << out.toStdString();
    if (c.exitCode != 0) {
        // A missing display points at the way round it.
        if (c.arguments.isEmpty())
            EXPECT_TRUE(err.contains(QStringLiteral("--screenshots DIR"))) << err.toStdString();
        EXPECT_EQ(err.trimmed().count(QLatin1Char('\n')), 0) << "one line: " << err.toStdString();
    }
    const QDir crashes(state.filePath(QStringLiteral("gallery/CrashReports")));
    EXPECT_TRUE(crashes.isEmpty(QDir::Files)) << crashes.entryList(QDir::Files).join(QLatin1Char(' ')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(NoDisplay, GalleryStart,
    testing::Values(StartCase { "HelpWithoutDisplay", { QStringLiteral("--help") }, nullptr, 0, "--screenshots", "" },
        StartCase { "HelpWithUnreachableDisplay", { QStringLiteral("--help") }, ":97", 0, "--screenshots", "" },
        // The help lists what the gallery takes: Qt's own options are not among them.
        StartCase { "HelpListsOnlyTheGallerysOptions", { QStringLiteral("--help") }, nullptr, 0, "--screenshots", "", "--help-all" },
        StartCase { "HelpAllIsNoOption", { QStringLiteral("--help-all") }, nullptr, 1, "", "help-all" },
        StartCase { "DisplayUnset", {}, nullptr, 1, "", "DISPLAY" },
        StartCase { "DisplayUnreachable", {}, ":97", 1, "", ":97" }),
    [](const testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

} // namespace
