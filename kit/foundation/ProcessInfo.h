#pragma once

// Facts about the running process: its name (the main bundle's CFBundleExecutable, which log
// lines and crash reports are found by), identifier, environment and unique strings; the user's
// home folder; the console log file the kit's log lines also go to; and the fixed system version
// answers of Gestalt.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace kit {

class ProcessInfo : public Object {
    KIT_CLASS(ProcessInfo)

    static ProcessInfo* processInfo();

    // CFBundleExecutable of the main bundle, else the executable's file name.
    QString processName() const;
    int processIdentifier() const;
    // Unique across processes and calls: host, pid, time and a counter.
    QString globallyUniqueString() const;
    Dictionary environment() const;
    QStringList arguments() const;
    QString hostName() const;
    // Seconds since boot, from the kit clock.
    double systemUptime() const;
};

// The user's home folder ($HOME).
QString homeDirectory();

// $XDG_STATE_HOME/<process name>/console.log: every kit::log line of every instance.
namespace ConsoleLog {
QString path();
// Cuts the file to its newest whole lines within `maxBytes`; done once at start-up.
void trim(qint64 maxBytes = 1024 * 1024);
} // namespace ConsoleLog

// System version answers: 'sysv' 0x1060, 'sys1' 10, 'sys2' 6, 'sys3' 0.
namespace Gestalt {
using OSType = std::uint32_t;
constexpr OSType fourCharCode(const char (&c)[5])
{
    return (OSType(std::uint8_t(c[0])) << 24) | (OSType(std::uint8_t(c[1])) << 16) | (OSType(std::uint8_t(c[2])) << 8)
        | OSType(std::uint8_t(c[3]));
}
inline constexpr OSType SystemVersion = fourCharCode("sysv");
inline constexpr OSType SystemVersionMajor = fourCharCode("sys1");
inline constexpr OSType SystemVersionMinor = fourCharCode("sys2");
inline constexpr OSType SystemVersionBugFix = fourCharCode("sys3");
// 0 (no error) and the answer, or -5551 for an unknown selector.
int gestalt(OSType selector, std::int32_t* response);
// Replaces an answer (nullopt restores the fixed one). Tests only.
void setAnswerForTesting(OSType selector, std::optional<std::int32_t> answer);
} // namespace Gestalt

} // namespace kit
