#include "kit/foundation/Bundle.h"
#include "kit/foundation/CrashLog.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/Thread.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
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

// The GNU build ID of an ELF file as written in it (its PT_NOTE segments), in hex.
QByteArray crashLogBuildIdOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray elf = file.readAll();
    if (elf.size() < qsizetype(sizeof(Elf64_Ehdr)) || !elf.startsWith(ELFMAG))
        return {};
    Elf64_Ehdr header;
    std::memcpy(&header, elf.constData(), sizeof header);
    for (int i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment;
        const auto at = qsizetype(header.e_phoff + std::uint64_t(i) * header.e_phentsize);
        if (at + qsizetype(sizeof segment) > elf.size())
            return {};
        std::memcpy(&segment, elf.constData() + at, sizeof segment);
        if (segment.p_type != PT_NOTE)
            continue;
        for (std::uint64_t offset = segment.p_offset; offset + sizeof(Elf64_Nhdr) <= segment.p_offset + segment.p_filesz;) {
            Elf64_Nhdr note;
            std::memcpy(&note, elf.constData() + offset, sizeof note);
            const std::uint64_t name = offset + sizeof note;
            const std::uint64_t desc = name + ((note.n_namesz + 3) & ~3u);
            if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && elf.mid(qsizetype(name), 4) == QByteArray("GNU", 4))
                return elf.mid(qsizetype(desc), qsizetype(note.n_descsz)).toHex();
            offset = desc + ((note.n_descsz + 3) & ~3u);
        }
    }
    return {};
}

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
// ("<site> <kind> <folder> [<plug-in bundle>]") and with the address sanitizer's own signal stacks
// off (use_sigaltstack=0), so that only the kit's stacks can carry the report. It installs the
// writer, loads the bundle's code if one is named, and crashes, all before main.
[[maybe_unused]] const bool crashLogChildRan = [] {
    const QList<QByteArray> parts = qgetenv("KIT_CRASHLOG_CHILD").split(' ');
    if (parts.size() < 3)
        return false;
    const auto site = CrashSite(parts[0].toInt());
    const auto kind = CrashKind(parts[1].toInt());
    kit::CrashLog::installWithDirectory(parts[2].constData(), "Sites", "1.0 (1)");
    if (parts.size() > 3)
        kit::Bundle::bundleWithPath(QString::fromLocal8Bit(parts[3]))->load();
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

struct CrashLogChild {
    int signal = 0; // that ended it; 0 when it was not a signal
    QStringList reports;
    QByteArray text; // of the first report
};

CrashLogChild crashLogRunChild(CrashSite site, CrashKind kind, const QString& bundle = {})
{
    QTemporaryDir dir;
    const QByteArray reports = (dir.path() + "/Sites/CrashReports").toUtf8();
    QByteArray spec = QByteArray::number(int(site)) + ' ' + QByteArray::number(int(kind)) + ' ' + reports;
    if (!bundle.isEmpty())
        spec += ' ' + QFile::encodeName(bundle);
    QByteArray asan = qgetenv("ASAN_OPTIONS");
    asan += (asan.isEmpty() ? "" : ":") + QByteArray("use_sigaltstack=0:detect_leaks=0");
    const QByteArray program = QFile::encodeName(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    const QByteArray output = QFile::encodeName(dir.filePath(QStringLiteral("child.log")));
    CrashLogChild result;
    const pid_t child = ::fork();
    if (child < 0)
        return result;
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
    if (::waitpid(child, &status, 0) != child)
        return result;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.reports = QDir(QString::fromUtf8(reports)).entryList(QDir::Files);
    QFile f(QString::fromUtf8(reports) + "/" + result.reports.value(0));
    if (!result.reports.isEmpty() && f.open(QIODevice::ReadOnly))
        result.text = f.readAll();
    return result;
}

class CrashLogSites : public ::testing::TestWithParam<std::tuple<CrashSite, CrashKind>> { };

// Wherever the kit runs code, a crash leaves one report: a stack overflow needs a signal stack of
// the thread's own.
TEST_P(CrashLogSites, EachCrashLeavesOneReport)
{
    const auto [site, kind] = GetParam();
    const CrashLogChild child = crashLogRunChild(site, kind);
    const int expected = kind == CrashKind::UncaughtException ? SIGABRT : SIGSEGV;
    EXPECT_EQ(child.signal, expected);
    ASSERT_EQ(child.reports.size(), 1);
    EXPECT_TRUE(child.text.contains("Signal: " + QByteArray::number(expected)));
    EXPECT_EQ(child.text.contains("Reason: uncaught exception"), kind == CrashKind::UncaughtException);
    EXPECT_TRUE(child.text.contains("Backtrace:\n"));
}

// Frames inside libkit show only as "libkit.so(+0x...)": the report names each loaded object's
// path, load address and build ID, so they can be tied to the very binaries; code the kit loads
// later (a plug-in's) is among them.
TEST(CrashLogTest, TheReportListsTheBinaryImagesWithTheirBuildIds)
{
    Dl_info kit {};
    ASSERT_NE(::dladdr(reinterpret_cast<void*>(&kit::CrashLog::installWithDirectory), &kit), 0);
    // As the loader names it, which is how the report names it too.
    const QByteArray kitPath(kit.dli_fname);
    const QByteArray kitBuildId = crashLogBuildIdOfFile(QString::fromLocal8Bit(kitPath));
    ASSERT_FALSE(kitBuildId.isEmpty());
    QTemporaryDir dir;
    const QString bundle = dir.filePath(QStringLiteral("Sample.plugin"));
    ASSERT_TRUE(QDir().mkpath(bundle));
    const QString plugin = bundle + QStringLiteral("/libSamplePlugin.so");
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/libkit_test_plugin.so"), plugin));
    QFile info(bundle + QStringLiteral("/Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(R"({"CFBundleExecutable": "SamplePlugin", "CFBundleIdentifier": "test.sample"})");
    info.close();
    const QByteArray pluginBuildId = crashLogBuildIdOfFile(plugin);
    ASSERT_FALSE(pluginBuildId.isEmpty());

    const CrashLogChild child = crashLogRunChild(CrashSite::MainThread, CrashKind::Fault, bundle);
    ASSERT_EQ(child.reports.size(), 1);
    const qsizetype images = child.text.indexOf("\nBinary images:\n");
    ASSERT_GE(images, 0) << child.text.toStdString();
    EXPECT_GT(images, child.text.indexOf("Backtrace:\n"));
    const QList<QByteArray> lines = child.text.mid(images).split('\n');
    const auto lineOf = [&](const QByteArray& path) {
        for (const QByteArray& line : lines)
            if (line.contains(" " + path + " ") || line.endsWith(" " + path))
                return line;
        return QByteArray();
    };
    const QByteArray kitLine = lineOf(kitPath);
    ASSERT_FALSE(kitLine.isEmpty()) << child.text.mid(images).toStdString();
    EXPECT_TRUE(kitLine.endsWith("(build id " + kitBuildId + ")")) << kitLine.toStdString();
    // Where the child had it: a page of its own, written as "0x<hex>".
    bool hex = false;
    const qulonglong address = kitLine.startsWith("0x") ? kitLine.mid(2, kitLine.indexOf(' ') - 2).toULongLong(&hex, 16) : 0;
    EXPECT_TRUE(hex && address != 0 && address % 4096 == 0) << kitLine.toStdString();
    const QByteArray pluginLine = lineOf(QFile::encodeName(plugin));
    EXPECT_TRUE(pluginLine.endsWith("(build id " + pluginBuildId + ")")) << child.text.mid(images).toStdString();
    // The program itself, which the loader lists without a name, is there under its path.
    EXPECT_FALSE(lineOf(QFile::encodeName(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())).isEmpty());
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
