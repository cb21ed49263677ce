#include "kit/foundation/ProcessInfo.h"

#include "kit/core/Exception.h"
#include "kit/core/ProcessWide.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Clock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QSysInfo>
#include <QUuid>

#include <atomic>
#include <map>
#include <mutex>
#include <unistd.h>

namespace kit {

KIT_REGISTER_CLASS(ProcessInfo, Object)
{
    c.noFactory();
    c.property("processName", &ProcessInfo::processName);
    c.property("processIdentifier", &ProcessInfo::processIdentifier);
}

ProcessInfo* ProcessInfo::processInfo()
{
    // Log lines name the process, also from destructors at exit.
    static ProcessWide<Ref<ProcessInfo>> info(make<ProcessInfo>());
    return info->get();
}

namespace {
// kit::log names the process and finds the console log through these once the application exists.
[[maybe_unused]] const bool logIdentityInstalled = [] {
    setLogIdentity({ [] { return ProcessInfo::processInfo()->processName(); }, &ConsoleLog::path });
    return true;
}();
} // namespace

QString ProcessInfo::processName() const
{
    const Value exe = Bundle::mainBundle()->infoDictionary().objectForKey(Value("CFBundleExecutable"));
    if (exe.isString() && !exe.string().isEmpty())
        return exe.string();
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QStringLiteral("kit");
}

int ProcessInfo::processIdentifier() const { return int(::getpid()); }

QString ProcessInfo::globallyUniqueString() const
{
    static std::atomic<std::uint64_t> counter { 0 };
    return QStringLiteral("%1-%2-%3").arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()).arg(::getpid()).arg(counter++);
}

Dictionary ProcessInfo::environment() const
{
    Dictionary out;
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        out.setObjectForKey(Value(env.value(key)), Value(key));
    return out;
}

QStringList ProcessInfo::arguments() const { return QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList(); }

QString ProcessInfo::hostName() const { return QSysInfo::machineHostName(); }

double ProcessInfo::systemUptime() const { return Clock::currentUptime(); }

QString homeDirectory() { return QDir::homePath(); }

QString ConsoleLog::path()
{
    QString dir = qEnvironmentVariable("XDG_STATE_HOME");
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/state");
    return dir + u'/' + ProcessInfo::processInfo()->processName() + QStringLiteral("/console.log");
}

void ConsoleLog::trim(qint64 maxBytes)
{
    QFile file(path());
    if (!file.exists() || file.size() <= maxBytes || !file.open(QIODevice::ReadOnly))
        return;
    file.seek(file.size() - maxBytes);
    QByteArray tail = file.readAll();
    file.close();
    // Keep whole lines only.
    const qsizetype firstBreak = tail.indexOf('\n');
    tail = firstBreak < 0 ? QByteArray() : tail.mid(firstBreak + 1);
    QSaveFile out(path());
    if (out.open(QIODevice::WriteOnly)) {
        out.write(tail);
        out.commit();
    }
}

namespace {
std::mutex& gestaltMutex()
{
    static std::mutex m;
    return m;
}
std::map<Gestalt::OSType, std::int32_t>& gestaltOverrides()
{
    static std::map<Gestalt::OSType, std::int32_t> m;
    return m;
}
} // namespace

int Gestalt::gestalt(OSType selector, std::int32_t* response)
{
    {
        std::lock_guard lock(gestaltMutex());
        auto it = gestaltOverrides().find(selector);
        if (it != gestaltOverrides().end()) {
            if (response)
                *response = it->second;
            return 0;
        }
    }
    std::int32_t value;
    switch (selector) {
    case SystemVersion:
        value = 0x1060;
        break;
    case SystemVersionMajor:
        value = 10;
        break;
    case SystemVersionMinor:
        value = 6;
        break;
    case SystemVersionBugFix:
        value = 0;
        break;
    default:
        return -5551;
    }
    if (response)
        *response = value;
    return 0;
}

void Gestalt::setAnswerForTesting(OSType selector, std::optional<std::int32_t> answer)
{
    std::lock_guard lock(gestaltMutex());
    if (answer)
        gestaltOverrides()[selector] = *answer;
    else
        gestaltOverrides().erase(selector);
}

} // namespace kit
