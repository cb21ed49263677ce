#include "kit/foundation/CrashLog.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/Thread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
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

enum class CrashSite { MainThread, KitThread, Operation };
enum class CrashKind { Fault, StackOverflow, UncaughtException };

// Each frame keeps a little of the stack busy until the guard page is hit.
[[gnu::noinline]] int crashLogRecurse(volatile char* outer, std::size_t depth)
{
    volatile char frame[512];
    frame[0] = char(outer ? outer[0] + 1 : 0);
    if (depth == std::size_t(-1))
        return frame[0];
    return crashLogRecurse(frame, depth + 1) + frame[1];
}

void crashLogThrow() { throw std::runtime_error("nobody catches this"); }
void (*volatile crashLogThrower)() = &crashLogThrow;
// A throw out of a noexcept function ends in std::terminate, whoever would have caught it above.
void crashLogThrowThroughNoexcept() noexcept { crashLogThrower(); }

void crashLogCrash(CrashKind kind)
{
    switch (kind) {
    case CrashKind::Fault: {
        void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *static_cast<volatile int*>(page) = 1;
        break;
    }
    case CrashKind::StackOverflow:
        crashLogRecurse(nullptr, 0);
        break;
    case CrashKind::UncaughtException:
        crashLogThrowThroughNoexcept();
        break;
    }
}

// The crashing child is this program again, started with the case in KIT_CRASHLOG_CHILD
// ("<site> <kind> <folder>") and with the address sanitizer's own signal stacks off
// (use_sigaltstack=0), so that only the kit's stacks can carry the report. It crashes before main.
[[maybe_unused]] const bool crashLogChildRan = [] {
    const QByteArray spec = qgetenv("KIT_CRASHLOG_CHILD");
    const QList<QByteArray> parts = spec.split(' ');
    if (parts.size() != 3)
        return false;
    const auto site = CrashSite(parts[0].toInt());
    const auto kind = CrashKind(parts[1].toInt());
    kit::CrashLog::installWithDirectory(parts[2].constData(), "Sites", "1.0 (1)");
    if (site == CrashSite::MainThread) {
        crashLogCrash(kind);
    } else if (site == CrashSite::KitThread) {
        auto thread = kit::make<kit::Thread>([kind] { crashLogCrash(kind); });
        thread->start();
        thread->join();
    } else {
        auto queue = kit::make<kit::OperationQueue>();
        queue->addOperationWithBlock([kind] { crashLogCrash(kind); });
        queue->waitUntilAllOperationsAreFinished();
    }
    ::_exit(0);
}();

class CrashLogSites : public ::testing::TestWithParam<std::tuple<CrashSite, CrashKind>> { };

// Wherever the kit runs code, a crash leaves one report: a stack overflow needs a signal stack of
// the thread's own.
TEST_P(CrashLogSites, EachCrashLeavesOneReport)
{
    const auto [site, kind] = GetParam();
    QTemporaryDir dir;
    const QByteArray reports = (dir.path() + "/Sites/CrashReports").toUtf8();
    const QByteArray spec = QByteArray::number(int(site)) + ' ' + QByteArray::number(int(kind)) + ' ' + reports;
    QByteArray asan = qgetenv("ASAN_OPTIONS");
    asan += (asan.isEmpty() ? "" : ":") + QByteArray("use_sigaltstack=0:detect_leaks=0");
    const QByteArray program = QFile::encodeName(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    const QByteArray output = QFile::encodeName(dir.filePath(QStringLiteral("child.log")));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("KIT_CRASHLOG_CHILD", spec.constData(), 1);
        ::setenv("ASAN_OPTIONS", asan.constData(), 1);
        const int log = ::open(output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execl(program.constData(), program.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    const int expected = kind == CrashKind::UncaughtException ? SIGABRT : SIGSEGV;
    EXPECT_EQ(WTERMSIG(status), expected);
    const QStringList files = QDir(QString::fromUtf8(reports)).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    QFile f(QString::fromUtf8(reports) + "/" + files[0]);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("Signal: " + QByteArray::number(expected)));
    EXPECT_EQ(text.contains("Reason: uncaught exception"), kind == CrashKind::UncaughtException);
    EXPECT_TRUE(text.contains("Backtrace:\n"));
}

std::string crashLogSiteName(const ::testing::TestParamInfo<std::tuple<CrashSite, CrashKind>>& info)
{
    static const char* const sites[] = { "MainThread", "KitThread", "Operation" };
    static const char* const kinds[] = { "Fault", "StackOverflow", "UncaughtException" };
    return std::string(sites[int(std::get<0>(info.param))]) + kinds[int(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(ThreadsAndCrashes, CrashLogSites,
    ::testing::Combine(::testing::Values(CrashSite::MainThread, CrashSite::KitThread, CrashSite::Operation),
        ::testing::Values(CrashKind::Fault, CrashKind::StackOverflow, CrashKind::UncaughtException)),
    crashLogSiteName);

} // namespace
