#include "JVLAppKit/JVLCrashReporter/JVLCrashReporter.h"

#include "JVLAppKit/JVLCrashReporter/JVLMultipartForm.h"

#include "FoundationExtensions/JVLNSObject_Extension.h"
#include "FoundationExtensions/JVLNSStringExtension.h"
#include "kit/appkit/Application.h"
#include "kit/controls/Alert.h"
#include "kit/controls/Control.h"
#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/Clock.h"
#include "kit/foundation/CrashLog.h"
#include "kit/foundation/FileManager.h"
#include "kit/foundation/ProcessInfo.h"
#include "kit/foundation/String.h"
#include "kit/foundation/UserDefaults.h"

#include <QFile>
#include <QStringDecoder>

using namespace kit;

namespace {

const QString jvlCrashTable = QStringLiteral("JVLCrashReporterAdditional");

QString jvlCrashText(const QString& key)
{
    return JVLNSObject_Extension::bundle(JVLCrashReporter::staticClass())->localizedStringForKeyValueTable(key, QString(), jvlCrashTable);
}

QString& jvlCrashInterfaceName()
{
    static QString name;
    return name;
}

template <class T> void jvlCrashSetOutlet(Ref<T>& outlet, const Value& v)
{
    outlet = dynamic_pointer_cast<T>(v.object());
}

} // namespace

KIT_REGISTER_CLASS(JVLCrashReporter, kit::Object)
{
    c.bundle("JVLAppKit");
    c.property(
        "reporterWindow", [](const JVLCrashReporter& x) { return Value(x.reporterWindow_); },
        [](JVLCrashReporter& x, const Value& v) { jvlCrashSetOutlet(x.reporterWindow_, v); });
    c.property(
        "reportTextView", [](const JVLCrashReporter& x) { return Value(x.reportTextView_); },
        [](JVLCrashReporter& x, const Value& v) { jvlCrashSetOutlet(x.reportTextView_, v); });
    c.property(
        "describeTextView", [](const JVLCrashReporter& x) { return Value(x.describeTextView_); },
        [](JVLCrashReporter& x, const Value& v) { jvlCrashSetOutlet(x.describeTextView_, v); });
    c.action("sendActionAbort", &JVLCrashReporter::sendActionAbort);
}

Ref<JVLCrashReporter> JVLCrashReporter::reporterWithInterface()
{
    Ref<JVLCrashReporter> reporter = make<JVLCrashReporter>();
    const QString name = jvlCrashInterfaceName().isEmpty() ? QStringLiteral("JVLCrashReporter") : jvlCrashInterfaceName();
    if (!Bundle::loadNibNamedOwner(name, reporter.get()))
        Exception::raise(QStringLiteral("View initialization failed"),
            QStringLiteral("%1: Could not load views resources!").arg(staticClass().name()));
    return reporter;
}

void JVLCrashReporter::setInterfaceFileNameForTesting(const QString& name)
{
    jvlCrashInterfaceName() = name;
}

void systemVersionNumbers(int* major, int* minor, int* patch)
{
    std::int32_t version = 0;
    if (Gestalt::gestalt(Gestalt::SystemVersion, &version) != 0)
        version = 0;
    if (version < 0x410) {
        *major = ((version >> 12) & 0xF) * 10 + ((version >> 8) & 0xF);
        *minor = (version >> 4) & 0xF;
        *patch = version & 0xF;
        return;
    }
    std::int32_t answer = 0;
    if (Gestalt::gestalt(Gestalt::SystemVersionMajor, &answer) == 0)
        *major = answer;
    if (Gestalt::gestalt(Gestalt::SystemVersionMinor, &answer) == 0)
        *minor = answer;
    if (Gestalt::gestalt(Gestalt::SystemVersionBugFix, &answer) == 0)
        *patch = answer;
}

std::optional<QString> newestCrashLogInDirectory(const QString& executable, const QString& directory)
{
    const QString prefix = executable + QLatin1Char('_');
    const Ref<DirectoryEnumerator> enumerator = FileManager::defaultManager()->enumeratorAtPath(directory);
    if (!enumerator)
        return std::nullopt;
    std::optional<QString> candidate;
    Date candidateDate;
    while (const std::optional<QString> entry = enumerator->nextObject()) {
        if (!entry->startsWith(prefix) || !entry->endsWith(QStringLiteral(".crash")))
            continue;
        const Date date = enumerator->fileAttributes().modificationDate;
        if (!candidate || date.timeIntervalSinceDate(candidateDate) > 0) {
            candidate = *entry;
            candidateDate = date;
        }
    }
    if (!candidate)
        return std::nullopt;
    return String::stringByAppendingPathComponent(directory, *candidate);
}

QString JVLCrashReporter::applicationName()
{
    return Bundle::mainBundle()->objectForInfoDictionaryKey(QStringLiteral("CFBundleExecutable")).string();
}

QString JVLCrashReporter::pathAndNameOfCrashReportFile()
{
    const QString executable = Bundle::mainBundle()->infoDictionary().objectForKey(QStringLiteral("CFBundleExecutable")).string();
    const QString directory = CrashLog::directory();
    int major = 0, minor = 0, patch = 0;
    systemVersionNumbers(&major, &minor, &patch);
    if (major > 10 || (major == 10 && minor >= 5))
        return newestCrashLogInDirectory(executable, directory).value_or(QString());
    return String::stringByAppendingPathComponent(directory, executable + QStringLiteral(".crash.log"));
}

QString JVLCrashReporter::lastCrashReport()
{
    const QString path = pathAndNameOfCrashReportFile();
    if (path.isEmpty() || !FileManager::defaultManager()->fileExistsAtPath(path))
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("*** Couldn't read Report ***");
    return lastCrashReportInData(file.readAll());
}

QString lastCrashReportInData(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QStringLiteral("*** Couldn't read Report ***");
    return String::componentsSeparatedByString(text, QStringLiteral("\n\n**********\n\n")).constLast();
}

QString JVLCrashReporter::consoleLog()
{
    const std::optional<QString> text = String::stringWithContentsOfFileUTF8(ConsoleLog::path());
    if (!text)
        return QString();
    const QString marker = applicationName() + QLatin1Char('[');
    const QStringList lines = String::componentsSeparatedByString(*text, QStringLiteral("\n"));
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].contains(marker))
            return lines.mid(i).join(QLatin1Char('\n'));
    return QString();
}

void JVLCrashReporter::checkForCrash()
{
    try {
        const QString path = pathAndNameOfCrashReportFile();
        if (path.isEmpty())
            return;
        const std::optional<FileAttributes> attributes = FileManager::defaultManager()->attributesOfItemAtPathError(path);
        if (!attributes)
            return;
        UserDefaults* defaults = UserDefaults::standardUserDefaults();
        // Seconds since 1970 as a double: a float would round today's times by up to 64 s, past a
        // crash that followed the check closely. An older run's float still reads as a number.
        const double stored = defaults->doubleForKey(JVLCrashReporterLastCrashReportDateKey);
        if (!(stored < attributes->modificationDate.timeIntervalSince1970()))
            return;
        const std::int64_t answer = RunAlertPanel(jvlCrashText(QStringLiteral("WANT_TO_SEND_CRASH_TITLE")),
            format(jvlCrashText(QStringLiteral("WANT_TO_SEND_CRASH")), applicationName()),
            jvlCrashText(QStringLiteral("WANT_TO_SEND_CRASH_SEND")), jvlCrashText(QStringLiteral("WANT_TO_SEND_CRASH_DONT_SEND")),
            QString(""));
        if (answer != AlertAlternateReturn) {
            // Held here while its dialog runs; released when this scope ends.
            const Ref<JVLCrashReporter> reporter = reporterWithInterface();
            reporter->showReporterDialog();
        }
        defaults->setDoubleForKey(Clock::currentNow(), JVLCrashReporterLastCrashReportDateKey);
        defaults->synchronize();
    } catch (const Exception& e) {
        log(QStringLiteral("Exception during check for crash: %@"), e);
    }
}

void JVLCrashReporter::showReporterDialog()
{
    if (reportTextView_)
        reportTextView_->setString(JVLNSStringExtension::stringWithStrings({ lastCrashReport(), QStringLiteral("\n\n"), consoleLog() }));
    if (describeTextView_)
        describeTextView_->setString(QString(""));
    if (reporterWindow_)
        Application::sharedApplication()->runModalForWindow(reporterWindow_.get());
}

void JVLCrashReporter::sendActionAbort(Object* sender)
{
    const auto* control = dynamic_cast<Control*>(sender);
    const Ref<Window> window = control && control->window() ? control->window() : reporterWindow_;
    if (control && control->tag() == 1) {
        const JVLMultipartForm form = JVLMultipartForm::formWithFields({
            { QStringLiteral("crashlog"), reportTextView_ ? reportTextView_->string() : QString() },
            { QStringLiteral("description"), describeTextView_ ? describeTextView_->string() : QString() },
        });
        const QString url = Bundle::mainBundle()->infoDictionary().objectForKey(JVLCrashReporterCGIURLKey).string();
        // Sent before the dialog goes: on failure it stays, with both texts, for another try.
        if (!JVLPostMultipartForm(url, QStringLiteral("JVLCrashReporter"), form)) {
            RunAlertPanel(jvlCrashText(QStringLiteral("SEND_CRASH_FAILED_TITLE")), jvlCrashText(QStringLiteral("SEND_CRASH_FAILED")),
                QString(), QString(), QString());
            return;
        }
    }
    if (window)
        window->orderOut(this);
    Application::sharedApplication()->stopModal();
}
