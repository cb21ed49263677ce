#pragma once

// The crash reporter: at launch checkForCrash looks for a crash log of this program written since
// the last check and, when the user agrees, shows it with the program's console lines and a field
// for the user's own description, and posts both to the endpoint named by "JVLCrashReporterCGIURL".
// The application calls kit::CrashLog::install() first thing in main, so there are logs to find.

#include "kit/appkit/Window.h"
#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/text/TextView.h"

#include <QString>

#include <optional>

inline const QString JVLCrashReporterLastCrashReportDateKey = QStringLiteral("JVLCrashReporterLastCrashReportDate");
inline const QString JVLCrashReporterCGIURLKey = QStringLiteral("JVLCrashReporterCGIURL");

class JVLCrashReporter : public kit::Object {
    KIT_CLASS(JVLCrashReporter)

    // Empty; reporterWithInterface() is the reporter with its dialog.
    JVLCrashReporter() = default;
    // Loads the interface file "JVLCrashReporter" with the new reporter as owner; raises "View
    // initialization failed" when it cannot.
    static kit::Ref<JVLCrashReporter> reporterWithInterface();
    // Another interface file name (empty: "JVLCrashReporter"). Tests only.
    static void setInterfaceFileNameForTesting(const QString& name);

    // Once at launch, on the main thread. Lets no kit::Exception out.
    static void checkForCrash();
    static QString pathAndNameOfCrashReportFile();
    static QString lastCrashReport();
    static QString applicationName();
    static QString consoleLog();

    // Fills the dialog and runs it modally; returns once it is closed.
    void showReporterDialog();
    // Both buttons' action: tag 1 sends (and keeps the dialog when sending fails), any other closes.
    void sendActionAbort(kit::Object* sender);

    // Outlets.
    kit::Ref<kit::Window> reporterWindow() const { return reporterWindow_; }
    kit::Ref<kit::TextView> reportTextView() const { return reportTextView_; }
    kit::Ref<kit::TextView> describeTextView() const { return describeTextView_; }

private:
    kit::Ref<kit::Window> reporterWindow_;
    kit::Ref<kit::TextView> reportTextView_;
    kit::Ref<kit::TextView> describeTextView_;
};

// The path of the counting crash log of `executable` with the latest modification date in the tree
// under `directory` ("<executable>_..." ending in ".crash"; the first enumerated wins ties).
std::optional<QString> newestCrashLogInDirectory(const QString& executable, const QString& directory);
// The newest report in the bytes of a crash-log file: the piece after its last separator, or
// "*** Couldn't read Report ***" when the bytes are not UTF-8.
QString lastCrashReportInData(const QByteArray& bytes);
// The running system's major, minor and patch numbers; the caller sets them to 0 first.
void systemVersionNumbers(int* major, int* minor, int* patch);
