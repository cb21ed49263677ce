#pragma once

// Programming errors and their reporting: kit::Exception (a name and a reason, the names kept as
// the system spells them), the assertion macros with a replaceable handler, kit::Error for
// recoverable failures, and kit::log, the one place log lines are written.

#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace kit {

class Dictionary;
class Value;

inline const QString InvalidArgumentException = QStringLiteral("NSInvalidArgumentException");
inline const QString RangeException = QStringLiteral("NSRangeException");
inline const QString InternalInconsistencyException = QStringLiteral("NSInternalInconsistencyException");
inline const QString GenericException = QStringLiteral("NSGenericException");
inline const QString InvalidArchiveOperationException = QStringLiteral("NSInvalidArchiveOperationException");
inline const QString UndefinedKeyException = QStringLiteral("NSUnknownKeyException");

class Exception : public std::exception {
public:
    Exception(QString name, QString reason);
    Exception(QString name, QString reason, const Dictionary& userInfo);

    const QString& name() const noexcept { return name_; }
    const QString& reason() const noexcept { return reason_; }
    const Dictionary& userInfo() const noexcept;
    // An exception describes itself by its reason.
    const QString& description() const noexcept { return reason_; }
    const char* what() const noexcept override { return what_.c_str(); }

    [[noreturn]] static void raise(const QString& name, const QString& reason);

private:
    QString name_;
    QString reason_;
    std::shared_ptr<const Dictionary> userInfo_;
    std::string what_;
};

// Receives failed assertions. The default logs "*** Assertion failure in <method>, <file>:<line>"
// and raises InternalInconsistencyException with the description. A replacement may return, and the
// asserting code then continues on its "handler returned" path.
class AssertionHandler {
public:
    virtual ~AssertionHandler() = default;
    virtual void handleFailure(const char* method, const char* file, int line, const QString& description);

    static AssertionHandler& currentHandler();
    // Installs a handler for the current thread (null restores the default).
    static void setCurrentHandler(AssertionHandler* handler);
};

namespace detail {
void assertionFailed(const char* method, const char* file, int line, const QString& description);
void parameterAssertionFailed(const char* method, const char* file, int line, const char* text);
} // namespace detail

// Logs every line written by kit::log; replaceable for tests (null restores stderr and the console
// log file). Answers the sink that was installed before.
using LogSink = std::function<void(const QString& line)>;
LogSink setLogSink(LogSink sink);

// Who the log lines name and which file they also go to. The services install the process name
// (the main bundle's executable) and the console log path once the application exists; before that,
// and for lines logged while answering these, the executable's file name is used.
struct LogIdentity {
    QString (*processName)() = nullptr;
    QString (*consoleLogPath)() = nullptr;
};
void setLogIdentity(LogIdentity identity);

// Writes "YYYY-MM-DD HH:MM:SS.mmm <process>[<pid>:<tid>] <message>".
void logMessage(const QString& message);

} // namespace kit

#include "kit/core/Format.h"

namespace kit {

template <class... Args> void log(const QString& format, const Args&... args) { logMessage(kit::format(format, args...)); }

} // namespace kit

#define KIT_ASSERT(cond, ...)                                                                                                              \
    do {                                                                                                                                   \
        if (!(cond))                                                                                                                       \
            ::kit::detail::assertionFailed(__func__, __FILE__, __LINE__, ::kit::format(__VA_ARGS__));                                      \
    } while (0)

#define KIT_PARAMETER_ASSERT(cond, text)                                                                                                   \
    do {                                                                                                                                   \
        if (!(cond))                                                                                                                       \
            ::kit::detail::parameterAssertionFailed(__func__, __FILE__, __LINE__, text);                                                   \
    } while (0)
