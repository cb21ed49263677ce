#include "kit/core/Exception.h"

#include "kit/core/Value.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace kit {

Exception::Exception(QString name, QString reason)
    : name_(std::move(name))
    , reason_(std::move(reason))
    , what_((name_ + QStringLiteral(": ") + reason_).toStdString())
{ }

Exception::Exception(QString name, QString reason, const Dictionary& userInfo)
    : Exception(std::move(name), std::move(reason))
{
    if (!userInfo.isEmpty())
        userInfo_ = std::make_shared<const Dictionary>(userInfo);
}

const Dictionary& Exception::userInfo() const noexcept
{
    static const Dictionary empty;
    return userInfo_ ? *userInfo_ : empty;
}

void Exception::raise(const QString& name, const QString& reason) { throw Exception(name, reason); }

FormatArg::FormatArg(const Exception& e)
    : kind_(Kind::String)
    , str_(&e.reason())
{ }

namespace {

AssertionHandler& defaultHandler()
{
    static AssertionHandler handler;
    return handler;
}

thread_local AssertionHandler* currentAssertionHandler = nullptr;

std::mutex& logMutex()
{
    static std::mutex m;
    return m;
}

LogSink& installedSink()
{
    static LogSink sink;
    return sink;
}

std::atomic<QString (*)()> processNameHook { nullptr };
std::atomic<QString (*)()> consoleLogPathHook { nullptr };
// Set while a hook runs: a line it logs itself names the executable instead of recursing.
thread_local bool answeringHook = false;

QString executableName()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QStringLiteral("kit");
}

// The hooks are asked only once the application exists: before that, static initialisers may log
// while the services' singletons are not yet built.
template <class Fallback> QString askHook(const std::atomic<QString (*)()>& hook, Fallback fallback)
{
    QString (*fn)() = hook.load(std::memory_order_acquire);
    if (!fn || answeringHook || !QCoreApplication::instance())
        return fallback();
    struct Answering {
        Answering() { answeringHook = true; }
        ~Answering() { answeringHook = false; }
    } answering;
    QString answer = fn();
    return answer.isEmpty() ? fallback() : answer;
}

QString processName() { return askHook(processNameHook, executableName); }

QString consoleLogPath()
{
    return askHook(consoleLogPathHook, [] {
        QString dir = qEnvironmentVariable("XDG_STATE_HOME");
        if (dir.isEmpty())
            dir = QDir::homePath() + QStringLiteral("/.local/state");
        return dir + QLatin1Char('/') + executableName() + QStringLiteral("/console.log");
    });
}

void writeDefault(const QString& line, const QString& path)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, bytes.size(), stderr);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return;
    QFile file(path);
    if (file.open(QIODevice::Append))
        file.write(bytes);
}

} // namespace

void AssertionHandler::handleFailure(const char* method, const char* file, int line, const QString& description)
{
    kit::log(QStringLiteral("*** Assertion failure in %s, %s:%d"), method, file, line);
    throw Exception(InternalInconsistencyException, description);
}

AssertionHandler& AssertionHandler::currentHandler() { return currentAssertionHandler ? *currentAssertionHandler : defaultHandler(); }

void AssertionHandler::setCurrentHandler(AssertionHandler* handler) { currentAssertionHandler = handler; }

namespace detail {

void assertionFailed(const char* method, const char* file, int line, const QString& description)
{
    AssertionHandler::currentHandler().handleFailure(method, file, line, description);
}

void parameterAssertionFailed(const char* method, const char* file, int line, const char* text)
{
    AssertionHandler::currentHandler().handleFailure(
        method, file, line, kit::format(QStringLiteral("Invalid parameter not satisfying: %@"), QString::fromUtf8(text)));
}

} // namespace detail

LogSink setLogSink(LogSink sink)
{
    std::lock_guard guard(logMutex());
    return std::exchange(installedSink(), std::move(sink));
}

void setLogIdentity(LogIdentity identity)
{
    processNameHook.store(identity.processName, std::memory_order_release);
    consoleLogPathHook.store(identity.consoleLogPath, std::memory_order_release);
}

void logMessage(const QString& message)
{
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + processName()
        + QStringLiteral("[%1:%2] ").arg(::getpid()).arg(::gettid()) + message;
    LogSink sink;
    {
        std::lock_guard guard(logMutex());
        sink = installedSink();
    }
    if (sink)
        sink(line);
    else {
        const QString path = consoleLogPath();
        std::lock_guard guard(logMutex());
        writeDefault(line, path);
    }
}

} // namespace kit
