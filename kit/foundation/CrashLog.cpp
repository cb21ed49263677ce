#include "kit/foundation/CrashLog.h"

#include "kit/foundation/Bundle.h"
#include "kit/foundation/ProcessInfo.h"

#include <QDir>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <elf.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kit::CrashLog {

namespace {

// Everything the handler needs, prepared at install time: no allocation happens in it.
char executableName[256];
char versionText[128];
int directoryFd = -1;
std::atomic<bool> reporting { false };
std::atomic<bool> installed { false };
constexpr std::size_t AlternateStackSize = 64 * 1024;
alignas(16) char alternateStack[AlternateStackSize];

// A thread's own alternate stack, from prepareThread to the thread's end.
struct ThreadAlternateStack {
    void* memory = nullptr;
    stack_t previous {};

    ~ThreadAlternateStack()
    {
        if (!memory)
            return;
        // Off the thread before the memory goes: a signal in between must not land on freed pages.
        if (previous.ss_flags & SS_DISABLE) {
            stack_t off {};
            off.ss_flags = SS_DISABLE;
            ::sigaltstack(&off, nullptr);
        } else {
            ::sigaltstack(&previous, nullptr);
        }
        ::munmap(memory, AlternateStackSize);
    }
};
thread_local ThreadAlternateStack threadAlternateStack;

// The "Binary images" section, written ahead of time: two buffers, the handler reads the one
// published last while a new list goes into the other.
struct ImagesText {
    char text[96 * 1024];
    std::size_t size = 0;
};
ImagesText imagesTexts[2];
std::atomic<int> publishedImages { -1 };
std::mutex imagesMutex;

void copy(char* dst, std::size_t size, const char* src)
{
    std::size_t i = 0;
    for (; src && src[i] && i + 1 < size; ++i)
        dst[i] = src[i];
    dst[i] = 0;
}

// A small async-signal-safe text builder.
struct Text {
    char buffer[1024];
    std::size_t n = 0;
    void add(const char* s)
    {
        while (s && *s && n + 1 < sizeof buffer)
            buffer[n++] = *s++;
    }
    void number(unsigned long long v, int base = 10, int width = 0)
    {
        char digits[32];
        int k = 0;
        do {
            digits[k++] = "0123456789abcdef"[v % unsigned(base)];
            v /= unsigned(base);
        } while (v && k < 32);
        while (k < width && k < 32)
            digits[k++] = '0';
        while (k)
            if (n + 1 < sizeof buffer)
                buffer[n++] = digits[--k];
            else
                --k;
    }
};

// UTC date from seconds since 1970, by hand (no locale, no allocation).
void civilFromDays(long long days, int* y, unsigned* m, unsigned* d)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = unsigned(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long year = (long long)yoe + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = int(year + (*m <= 2));
}

const char* signalName(int sig)
{
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGILL:
        return "SIGILL";
    case SIGFPE:
        return "SIGFPE";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

void writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t w = ::write(fd, data, size);
        if (w <= 0) {
            if (w < 0 && errno == EINTR)
                continue;
            return;
        }
        data += w;
        size -= std::size_t(w);
    }
}

void writeReport(int sig, const void* address, const char* reason)
{
    if (directoryFd < 0 || reporting.exchange(true))
        return; // one report, even when abort() follows a terminate report
    const std::time_t now = std::time(nullptr);
    int year;
    unsigned month, day;
    civilFromDays((long long)now / 86400, &year, &month, &day);
    const long long secs = (long long)now % 86400;
    Text name;
    name.add(executableName);
    name.add("_");
    name.number((unsigned long long)year, 10, 4);
    name.add("-");
    name.number(month, 10, 2);
    name.add("-");
    name.number(day, 10, 2);
    name.add("-");
    name.number((unsigned long long)(secs / 3600), 10, 2);
    name.number((unsigned long long)(secs / 60 % 60), 10, 2);
    name.number((unsigned long long)(secs % 60), 10, 2);
    const std::size_t stem = name.n;
    int fd = -1;
    for (int attempt = 0; attempt < 10 && fd < 0; ++attempt) {
        name.n = stem;
        if (attempt) {
            name.add("-");
            name.number((unsigned long long)attempt);
        }
        name.add(".crash");
        name.buffer[name.n] = 0;
        fd = ::openat(directoryFd, name.buffer, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            return;
    }
    if (fd < 0)
        return;
    Text t;
    t.add("Process: ");
    t.add(executableName);
    t.add(" [");
    t.number((unsigned long long)::getpid());
    t.add("]\nVersion: ");
    t.add(versionText);
    t.add("\n");
    if (reason) {
        t.add("Reason: ");
        t.add(reason);
        t.add("\n");
    }
    t.add("Signal: ");
    t.number((unsigned long long)sig);
    t.add(" (");
    t.add(signalName(sig));
    t.add(")\nAddress: 0x");
    t.number((unsigned long long)(std::uintptr_t)address, 16);
    t.add("\nBacktrace:\n");
    writeAll(fd, t.buffer, t.n);
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, fd);
    if (const int images = publishedImages.load(std::memory_order_acquire); images >= 0)
        writeAll(fd, imagesTexts[images].text, imagesTexts[images].size);
    ::close(fd);
}

void onSignal(int sig, siginfo_t* info, void*)
{
    writeReport(sig, info ? info->si_addr : nullptr, nullptr);
    // SA_RESETHAND restored the default action; raising again lets it happen.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void onTerminate()
{
    writeReport(SIGABRT, nullptr, "uncaught exception");
    std::abort();
}

struct ImagesCollector {
    ImagesText* out;
    const char* executable; // the main program's path, which the loader leaves empty

    void add(const char* text)
    {
        while (text && *text && out->size + 1 < sizeof out->text)
            out->text[out->size++] = *text++;
    }
};

// One line per loaded object: "0x<load address> <path> (build id <hex>)".
int collectImage(dl_phdr_info* info, std::size_t, void* data)
{
    auto& collector = *static_cast<ImagesCollector*>(data);
    ElfW(Addr) lowest = ~ElfW(Addr)(0);
    char buildId[2 * 64 + 1] = {};
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type == PT_LOAD && segment.p_vaddr < lowest)
            lowest = segment.p_vaddr;
        if (segment.p_type != PT_NOTE || buildId[0])
            continue;
        const auto* note = reinterpret_cast<const char*>(info->dlpi_addr + segment.p_vaddr);
        const char* end = note + segment.p_memsz;
        while (note + sizeof(ElfW(Nhdr)) <= end) {
            const auto* header = reinterpret_cast<const ElfW(Nhdr)*>(note);
            const char* name = note + sizeof(ElfW(Nhdr));
            const char* desc = name + ((header->n_namesz + 3) & ~3u);
            if (desc + header->n_descsz > end)
                break;
            if (header->n_type == NT_GNU_BUILD_ID && header->n_namesz == 4 && std::memcmp(name, "GNU", 4) == 0) {
                for (std::size_t b = 0; b < header->n_descsz && b < 64; ++b) {
                    const auto byte = static_cast<unsigned char>(desc[b]);
                    buildId[2 * b] = "0123456789abcdef"[byte >> 4];
                    buildId[2 * b + 1] = "0123456789abcdef"[byte & 15];
                }
                break;
            }
            note = desc + ((header->n_descsz + 3) & ~3u);
        }
    }
    char address[32];
    std::snprintf(address, sizeof address, "0x%llx ", (unsigned long long)(info->dlpi_addr + (lowest == ~ElfW(Addr)(0) ? 0 : lowest)));
    collector.add(address);
    collector.add(info->dlpi_name && *info->dlpi_name ? info->dlpi_name : collector.executable);
    if (buildId[0]) {
        collector.add(" (build id ");
        collector.add(buildId);
        collector.add(")");
    }
    collector.add("\n");
    return 0;
}

void collectImages()
{
    std::lock_guard lock(imagesMutex);
    const int next = publishedImages.load(std::memory_order_relaxed) == 0 ? 1 : 0;
    char executable[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", executable, sizeof executable - 1);
    if (n < 0)
        copy(executable, sizeof executable, executableName);
    ImagesCollector collector { &imagesTexts[next], executable };
    collector.out->size = 0;
    collector.add("\nBinary images:\n");
    ::dl_iterate_phdr(&collectImage, &collector);
    publishedImages.store(next, std::memory_order_release);
}

} // namespace

void noteLoadedImages()
{
    if (installed.load(std::memory_order_acquire))
        collectImages();
}

void warmUp()
{
    void* frames[4];
    ::backtrace(frames, 4);
}

void prepareThread()
{
    if (!installed.load(std::memory_order_acquire) || threadAlternateStack.memory)
        return;
    void* memory = ::mmap(nullptr, AlternateStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED)
        return;
    stack_t ss {};
    ss.ss_sp = memory;
    ss.ss_size = AlternateStackSize;
    if (::sigaltstack(&ss, &threadAlternateStack.previous) != 0) {
        ::munmap(memory, AlternateStackSize);
        return;
    }
    threadAlternateStack.memory = memory;
}

void installWithDirectory(const char* directory, const char* executable, const char* version)
{
    copy(executableName, sizeof executableName, executable);
    copy(versionText, sizeof versionText, version);
    // The folder and its parents, made now: the handler only opens a file in it.
    char path[4096];
    copy(path, sizeof path, directory);
    for (char* p = path + 1; *p; ++p)
        if (*p == '/') {
            *p = 0;
            ::mkdir(path, 0700);
            *p = '/';
        }
    ::mkdir(path, 0700);
    if (directoryFd >= 0)
        ::close(directoryFd);
    directoryFd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    warmUp();

    stack_t ss {};
    ss.ss_sp = alternateStack;
    ss.ss_size = sizeof alternateStack;
    ::sigaltstack(&ss, nullptr);
    struct sigaction sa { };
    sa.sa_sigaction = onSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    for (int sig : { SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT })
        ::sigaction(sig, &sa, nullptr);
    std::set_terminate(onTerminate);
    collectImages();
    installed.store(true, std::memory_order_release);
}

QString directory()
{
    QString dir = qEnvironmentVariable("XDG_STATE_HOME");
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/state");
    return dir + u'/' + ProcessInfo::processInfo()->processName() + QStringLiteral("/CrashReports");
}

void install()
{
    const Dictionary info = Bundle::mainBundle()->infoDictionary();
    const QString version = QStringLiteral("%1 (%2)").arg(
        info.objectForKey(Value("CFBundleShortVersionString")).stringValue(), info.objectForKey(Value("CFBundleVersion")).stringValue());
    installWithDirectory(
        directory().toUtf8().constData(), ProcessInfo::processInfo()->processName().toUtf8().constData(), version.toUtf8().constData());
}

} // namespace kit::CrashLog
