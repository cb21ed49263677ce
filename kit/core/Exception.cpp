#include "kit/core/Exception.h"

#include "kit/core/Value.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

QString executableName()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QStringLiteral("kit");
}

void writeDefault(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, bytes.size(), stderr);
    QString dir = qEnvironmentVariable("XDG_STATE_HOME");
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/state");
    dir += QLatin1Char('/') + executableName();
    if (!QDir().mkpath(dir))
        return;
    QFile file(dir + QStringLiteral("/console.log"));
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

void logMessage(const QString& message)
{
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + executableName()
        + QStringLiteral("[%1:%2] ").arg(::getpid()).arg(::gettid()) + message;
    LogSink sink;
    {
        std::lock_guard guard(logMutex());
        sink = installedSink();
    }
    if (sink)
        sink(line);
    else {
        std::lock_guard guard(logMutex());
        writeDefault(line);
    }
}

} // namespace kit
