#pragma once

// Crash reports: after install(), a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) or an
// uncaught exception writes one file "<exe>_<yyyy-MM-dd-HHmmss>.crash" (UTC) into
// $XDG_STATE_HOME/<exe>/CrashReports/ with the signal, faulting address, pid, version and a
// backtrace, using only async-signal-safe calls, then lets the default action happen. A "Binary
// images" section follows: path, load address and GNU build ID of every object loaded, so that
// the backtrace's "module(+offset)" frames can be tied to the exact binaries.

#include <QString>

namespace kit::CrashLog {

// Call first in main, once the main bundle is known.
void install();
// The same with everything given: no Qt is touched, so a forked child may call it.
void installWithDirectory(const char* directory, const char* executable, const char* version);
// Loads what the backtrace needs, so the handler never loads a library.
void warmUp();
// Once installed, gives the calling thread an alternate signal stack of its own (once), so that a
// stack overflow there is reported too; at the thread's end the stack it had before comes back and
// ours is freed. Every thread the kit makes calls it as it starts (pool threads at their first
// operation).
void prepareThread();
// Once installed, reads the list of loaded objects again: the kit calls it after it loads code.
void noteLoadedImages();
QString directory();

} // namespace kit::CrashLog
