#include "kit/foundation/CrashLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct CrashCase {
    const char* name;
    int signal;
    bool throws;
};

class CrashLogTest : public ::testing::TestWithParam<CrashCase> { };

// A forked child installs the writer (no Qt involved) and dies; the parent reads the report.
TEST_P(CrashLogTest, ACrashingChildLeavesOneReport)
{
    QTemporaryDir dir;
    const QByteArray reports = (dir.path() + "/Reporter/CrashReports").toUtf8();
    kit::CrashLog::warmUp();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        kit::CrashLog::installWithDirectory(reports.constData(), "Reporter", "1.2 (34)");
        if (GetParam().throws)
            std::terminate();
        ::raise(GetParam().signal);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), GetParam().signal); // the default action happened after the report
    const QStringList files = QDir(QString::fromUtf8(reports)).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("Reporter_"));
    EXPECT_TRUE(files[0].endsWith(".crash"));
    EXPECT_EQ(files[0].size(), QString("Reporter_2026-12-06-215429.crash").size());
    QFile f(QString::fromUtf8(reports) + "/" + files[0]);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("Process: Reporter [" + QByteArray::number(child) + "]"));
    EXPECT_TRUE(text.contains("Version: 1.2 (34)"));
    EXPECT_TRUE(text.contains("Signal: " + QByteArray::number(GetParam().signal)));
    EXPECT_TRUE(text.contains("Backtrace:\n"));
    EXPECT_GT(text.count('\n'), 6); // frames follow
    EXPECT_EQ(text.contains("uncaught exception"), GetParam().throws);
}

INSTANTIATE_TEST_SUITE_P(Signals, CrashLogTest,
    ::testing::Values(CrashCase { "abort", SIGABRT, false }, CrashCase { "segv", SIGSEGV, false }, CrashCase { "fpe", SIGFPE, false },
        CrashCase { "terminate", SIGABRT, true }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
