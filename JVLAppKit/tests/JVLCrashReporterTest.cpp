#include "JVLAppKit/JVLCrashReporter/JVLCrashReporter.h"
#include "JVLAppKit/JVLCrashReporter/JVLMultipartForm.h"

#include "kit/appkit/Application.h"
#include "kit/controls/Button.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/CrashLog.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/ProcessInfo.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/testsupport/LoopbackHttpServer.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/testsupport/ScriptedPanels.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace kit;
using kit::test::LoopbackHttpServer;

namespace {

constexpr double crashTestNow = 1'700'000'000.0; // 2023-11-14, a float rounds it by up to 64 s
const QByteArray crashTestHead = "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"crashlog\"\r\n\r\n";

kit::Control* crashTestButtonWithTag(View* view, std::int64_t tag)
{
    if (auto* control = dynamic_cast<Button*>(view); control && control->tag() == tag)
        return control;
    for (const Ref<View>& sub : view->subviews())
        if (Control* found = crashTestButtonWithTag(sub.get(), tag))
            return found;
    return nullptr;
}

class CrashReporterTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(at("bundle"));
        useEndpoint(QStringLiteral("http://127.0.0.1:1/unused"));
        UserDefaults::resetStandardUserDefaultsForTesting(at("defaults.json"));
        QDir().mkpath(CrashLog::directory());
    }
    void TearDown() override
    {
        JVLMultipartForm::setBoundarySourceForTesting(nullptr);
        UserDefaults::resetStandardUserDefaultsForTesting();
        Bundle::setMainBundlePathForTesting(QString());
    }
    QString at(const QString& relative) const { return dir.filePath(relative); }
    void useEndpoint(const QString& url)
    {
        Bundle::setMainBundlePathForTesting(QString());
        QFile info(at("bundle/Info.json"));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
        info.write(QStringLiteral(R"({"CFBundleExecutable": "Reporter", "CFBundleShortVersionString": "1.2",
            "JVLCrashReporterCGIURL": "%1"})").arg(url).toUtf8());
        info.close();
        Bundle::setMainBundlePathForTesting(at("bundle"));
    }
    // A file under the crash folder with the given contents and modification time (seconds since 1970).
    QString writeLog(const QString& relative, const QByteArray& contents, double modified)
    {
        const QString path = CrashLog::directory() + u'/' + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.flush();
        EXPECT_TRUE(file.setFileTime(QDateTime::fromMSecsSinceEpoch(qint64(modified * 1000), QTimeZone::utc()),
            QFileDevice::FileModificationTime));
        file.close();
        return path;
    }
    void writeConsole(const QByteArray& contents)
    {
        QFile file(ConsoleLog::path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }
    double storedDate() const { return UserDefaults::standardUserDefaults()->doubleForKey(JVLCrashReporterLastCrashReportDateKey); }
    void setStoredDate(double seconds) { UserDefaults::standardUserDefaults()->setDoubleForKey(seconds, JVLCrashReporterLastCrashReportDateKey); }

    // Queues the dialog's work: it runs inside the modal session checkForCrash starts. `step` gets the
    // reporter's window; the session is ended afterwards should the step have left it running.
    void whileDialogRuns(std::function<void(Window&)> step)
    {
        OperationQueue::mainQueue()->addOperationWithBlock([this, step = std::move(step)] {
            const Ref<Window> window = Application::sharedApplication()->modalWindow();
            ASSERT_TRUE(window);
            dialogShown = true;
            step(*window);
            // A closed dialog has stopped its session (that takes effect once this block returns).
            if (window->isVisible()) {
                ADD_FAILURE() << "the dialog is still running";
                Application::sharedApplication()->abortModal();
            }
        });
    }
    static void typeDescriptionAndClick(Window& window, const QString& description, std::int64_t tag)
    {
        if (!description.isNull()) {
            auto* describe = dynamic_cast<TextView*>(crashTestFirstTextView(window.contentView().get(), 1));
            ASSERT_TRUE(describe);
            describe->setString(description);
        }
        Control* button = crashTestButtonWithTag(window.contentView().get(), tag);
        ASSERT_TRUE(button);
        button->performClick(nullptr);
    }
    // The index-th text view in the window, depth first.
    static View* crashTestFirstTextView(View* view, int index)
    {
        std::vector<View*> found;
        std::function<void(View*)> walk = [&](View* v) {
            if (dynamic_cast<TextView*>(v))
                found.push_back(v);
            for (const Ref<View>& sub : v->subviews())
                walk(sub.get());
        };
        walk(view);
        return index < int(found.size()) ? found[size_t(index)] : nullptr;
    }

    QTemporaryDir dir;
    test::EnvironmentScope home { "HOME", dir.filePath("home").toUtf8().constData() };
    test::EnvironmentScope state { "XDG_STATE_HOME", dir.filePath("state").toUtf8().constData() };
    test::ManualClockScope clock { crashTestNow };
    test::ScriptedAlertPresenter alerts;
    bool dialogShown = false;
};

// Scan rules: which names count, and which of several wins.
struct CrashScanCase {
    const char* name;
    std::vector<std::pair<const char*, double>> files; // relative path, modification offset
    const char* expected; // relative path, or "" for none
};

class CrashReporterScanTest : public CrashReporterTest, public testing::WithParamInterface<CrashScanCase> { };

TEST_P(CrashReporterScanTest, NewestCountingLogIsFound)
{
    for (const auto& [path, offset] : GetParam().files)
        writeLog(QString::fromUtf8(path), "report", crashTestNow - 1000 + offset);
    const std::optional<QString> found = newestCrashLogInDirectory(QStringLiteral("Reporter"), CrashLog::directory());
    const QString expected = QString::fromUtf8(GetParam().expected);
    if (expected.isEmpty())
        EXPECT_FALSE(found) << found->toStdString();
    else
        EXPECT_EQ(found, CrashLog::directory() + u'/' + expected);
}

INSTANTIATE_TEST_SUITE_P(Names, CrashReporterScanTest,
    testing::Values(CrashScanCase { "NoUnderscore", { { "Reporter2023.crash", 0 } }, "" },
        CrashScanCase { "TextAfterSuffix", { { "Reporter_2023.crash.old", 0 } }, "" },
        CrashScanCase { "OtherProgram", { { "Other_2023.crash", 0 } }, "" },
        CrashScanCase { "Subfolder", { { "Reporter_old/x.crash", 0 } }, "Reporter_old/x.crash" },
        CrashScanCase { "LaterWins", { { "Reporter_a.crash", 0 }, { "Reporter_b.crash", 5 }, { "Reporter_c.crash", 2 } }, "Reporter_b.crash" },
        CrashScanCase { "TieKeepsFirstEnumerated", { { "Reporter_a.crash", 3 }, { "Reporter_b.crash", 3 } }, "Reporter_a.crash" },
        CrashScanCase { "SubSecondLater", { { "Reporter_a.crash", 0 }, { "Reporter_b.crash", 0.25 } }, "Reporter_b.crash" }),
    [](const auto& info) { return std::string(info.param.name); });

struct CrashReportCase {
    const char* name;
    QByteArray contents;
    QString expected;
};

class CrashReporterReadTest : public CrashReporterTest, public testing::WithParamInterface<CrashReportCase> { };

TEST_P(CrashReporterReadTest, LastReportOfTheFile)
{
    writeLog(QStringLiteral("Reporter_1.crash"), GetParam().contents, crashTestNow);
    EXPECT_EQ(JVLCrashReporter::lastCrashReport(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Reports, CrashReporterReadTest,
    testing::Values(CrashReportCase { "ThreeShowTheThird", "one\n\n**********\n\ntwo\n\n**********\n\nthree\n", QStringLiteral("three\n") },
        CrashReportCase { "Empty", "", QStringLiteral("") },
        CrashReportCase { "BadUtf8", "crash \xff\xfe here", QStringLiteral("*** Couldn't read Report ***") },
        CrashReportCase { "KeepsEmptyLastPiece", "one\n\n**********\n\n", QStringLiteral("") }),
    [](const auto& info) { return std::string(info.param.name); });

// What the crash itself may have left: a file cut anywhere, or any bytes at all.
TEST(CrashReportData, AFileCutShortShowsWhatWasWritten)
{
    const std::pair<QByteArray, QString> cases[] = {
        { "one\n\n**********\n\ntwo cut sh", QStringLiteral("two cut sh") },
        { "one\n\n**********\n", QStringLiteral("one\n\n**********\n") },
        { "report \xc3\xa9", QStringLiteral("report \u00e9") },
        { "report \xc3", QStringLiteral("*** Couldn't read Report ***") },
        { QByteArray("a\0b\n\n**********\n\nc\0", 19), QStringLiteral("c") + QChar(0) },
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(lastCrashReportInData(bytes), expected) << bytes.toStdString();
}

TEST_F(CrashReporterTest, MissingLogReadsAsEmpty)
{
    EXPECT_EQ(JVLCrashReporter::pathAndNameOfCrashReportFile(), QString());
    EXPECT_EQ(JVLCrashReporter::lastCrashReport(), QString());
}

TEST_F(CrashReporterTest, ConsoleLinesFromTheFirstMarkedLineOn)
{
    QByteArray log;
    for (int line = 1; line < 40; ++line)
        log += "Dec  7 other[1:2] line " + QByteArray::number(line) + "\n";
    log += "Dec  7 Reporter[7:7] first\nDec  7 other[1:2] after\nlast";
    writeConsole(log);
    EXPECT_EQ(JVLCrashReporter::consoleLog(), QStringLiteral("Dec  7 Reporter[7:7] first\nDec  7 other[1:2] after\nlast"));
    writeConsole("Dec  7 other[1:2] only\nReporter without bracket\n");
    EXPECT_EQ(JVLCrashReporter::consoleLog(), QString());
}

TEST_F(CrashReporterTest, SystemVersionFromGestalt)
{
    int major = 0, minor = 0, patch = 0;
    systemVersionNumbers(&major, &minor, &patch);
    EXPECT_EQ(std::tuple(major, minor, patch), std::tuple(10, 6, 0));

    Gestalt::setAnswerForTesting(Gestalt::SystemVersion, 0x0394);
    major = minor = patch = 0;
    systemVersionNumbers(&major, &minor, &patch);
    EXPECT_EQ(std::tuple(major, minor, patch), std::tuple(3, 9, 4));
    // The old branch names "<exe>.crash.log", present or not.
    EXPECT_EQ(JVLCrashReporter::pathAndNameOfCrashReportFile(), CrashLog::directory() + QStringLiteral("/Reporter.crash.log"));

    Gestalt::setAnswerForTesting(Gestalt::SystemVersion, 0x1040);
    Gestalt::setAnswerForTesting(Gestalt::SystemVersionMinor, 4);
    major = minor = patch = 0;
    systemVersionNumbers(&major, &minor, &patch);
    EXPECT_EQ(std::tuple(major, minor, patch), std::tuple(10, 4, 0));
    Gestalt::setAnswerForTesting(Gestalt::SystemVersion, std::nullopt);
    Gestalt::setAnswerForTesting(Gestalt::SystemVersionMinor, std::nullopt);
}

TEST_F(CrashReporterTest, NoLogOrNoNewerLogShowsNothingAndKeepsTheDate)
{
    setStoredDate(crashTestNow - 100);
    JVLCrashReporter::checkForCrash();
    writeLog(QStringLiteral("Reporter_1.crash"), "report", crashTestNow - 100);
    JVLCrashReporter::checkForCrash();
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(storedDate(), crashTestNow - 100);
}

TEST_F(CrashReporterTest, TheAlternateButtonStoresTheDateWithoutADialog)
{
    writeLog(QStringLiteral("Reporter_1.crash"), "report", crashTestNow - 10);
    alerts.answers = { AlertAlternateReturn };
    JVLCrashReporter::checkForCrash();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Send a crash report?"));
    EXPECT_TRUE(alerts.shown[0].informativeText.startsWith(QStringLiteral("Reporter quit unexpectedly")));
    EXPECT_EQ(alerts.shown[0].buttons, QStringList({ QStringLiteral("Send Report..."), QStringLiteral("Don't Send") }));
    EXPECT_EQ(storedDate(), crashTestNow);
    alerts.shown.clear();
    JVLCrashReporter::checkForCrash();
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(CrashReporterTest, AMissingInterfaceFileLogsAndStoresNothing)
{
    writeLog(QStringLiteral("Reporter_1.crash"), "report", crashTestNow - 10);
    setStoredDate(5);
    test::LogRecorder logs;
    alerts.answers = { AlertDefaultReturn };
    JVLCrashReporter::setInterfaceFileNameForTesting(QStringLiteral("JVLCrashReporterMissing"));
    JVLCrashReporter::checkForCrash();
    JVLCrashReporter::setInterfaceFileNameForTesting(QString());
    EXPECT_TRUE(logs.contains(QStringLiteral("Exception during check for crash: ")));
    EXPECT_TRUE(logs.contains(QStringLiteral("JVLCrashReporter: Could not load views resources!")));
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(storedDate(), 5.0);
}

TEST_F(CrashReporterTest, ALogWrittenHalfAMinuteAfterTheCheckIsOfferedNextTime)
{
    writeLog(QStringLiteral("Reporter_1.crash"), "first", crashTestNow - 10);
    alerts.answers = { AlertAlternateReturn, AlertAlternateReturn };
    JVLCrashReporter::checkForCrash();
    ASSERT_EQ(alerts.shown.size(), 1u);
    writeLog(QStringLiteral("Reporter_2.crash"), "second", crashTestNow + 30);
    JVLCrashReporter::checkForCrash();
    EXPECT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(storedDate(), crashTestNow);
}

TEST_F(CrashReporterTest, SendingPostsTheReportConsoleLinesAndDescription)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(200) });
    useEndpoint(server.url(QStringLiteral("/crash")));
    const QByteArray report = QByteArray(64 * 1024, 'r');
    writeLog(QStringLiteral("Reporter_1.crash"), report, crashTestNow - 10);
    writeConsole("Reporter[1:1] hello");
    alerts.answers = { AlertDefaultReturn };
    whileDialogRuns([&](Window& window) {
        // Closed by the window manager, a modal dialog would leave its session running.
        EXPECT_FALSE(window.hostWidget()->windowFlags() & Qt::WindowCloseButtonHint);
        typeDescriptionAndClick(window, QStringLiteral("I clicked \u00e9"), 1);
        EXPECT_FALSE(window.isVisible());
    });
    JVLCrashReporter::checkForCrash();
    ASSERT_TRUE(dialogShown);
    EXPECT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(storedDate(), crashTestNow);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, QByteArray("POST"));
    EXPECT_EQ(requests[0].target, QByteArray("/crash"));
    EXPECT_EQ(requests[0].header("User-Agent"), QByteArray("JVLCrashReporter"));
    EXPECT_EQ(requests[0].header("Content-Type"), QByteArray("multipart/form-data; boundary=0xKhTmLbOuNdArY"));
    EXPECT_FALSE(requests[0].header("Expect"));
    const QByteArray expected = crashTestHead + report + "\n\nReporter[1:1] hello" + "\r\n--0xKhTmLbOuNdArY\r\n"
        + "Content-Disposition: form-data; name=\"description\"\r\n\r\n" + "I clicked \xc3\xa9" + "\r\n--0xKhTmLbOuNdArY--\r\n";
    EXPECT_EQ(requests[0].body, expected);
}

TEST_F(CrashReporterTest, AnEmptyDescriptionStillSendsItsPart)
{
    const JVLMultipartForm form = JVLMultipartForm::formWithFields({ { QStringLiteral("crashlog"), QStringLiteral("log") },
        { QStringLiteral("description"), QString() } });
    EXPECT_EQ(form.body, crashTestHead + "log\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"description\"\r\n\r\n"
                                         "\r\n--0xKhTmLbOuNdArY--\r\n");
}

TEST_F(CrashReporterTest, ABoundaryInsideAFieldIsReplacedByOneNoFieldHolds)
{
    const QString log = QStringLiteral("before\r\n--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"evil\"\r\n\r\nx");
    const QString description = QStringLiteral("contains AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    QStringList offered = { QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"), QStringLiteral("B1B2B3B4B5B6B7B8B9B0B1B2B3B4B5B6") };
    JVLMultipartForm::setBoundarySourceForTesting([&] { return offered.takeFirst(); });
    const JVLMultipartForm form = JVLMultipartForm::formWithFields(
        { { QStringLiteral("crashlog"), log }, { QStringLiteral("description"), description } });
    EXPECT_EQ(form.boundary, QStringLiteral("B1B2B3B4B5B6B7B8B9B0B1B2B3B4B5B6"));
    EXPECT_EQ(form.contentType(), QStringLiteral("multipart/form-data; boundary=B1B2B3B4B5B6B7B8B9B0B1B2B3B4B5B6"));
    const auto fields = parseMultipartForm(form.body, multipartBoundary(form.contentType().toUtf8()));
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 2u);
    EXPECT_EQ((*fields)[0].value, log.toUtf8());
    EXPECT_EQ((*fields)[1].value, description.toUtf8());

    JVLMultipartForm::setBoundarySourceForTesting(nullptr);
    const JVLMultipartForm random = JVLMultipartForm::formWithFields({ { QStringLiteral("crashlog"), log } });
    EXPECT_EQ(random.boundary.size(), 32);
    EXPECT_FALSE(log.contains(random.boundary));
    for (QChar c : random.boundary)
        EXPECT_TRUE(c.isLetterOrNumber() && c.unicode() < 128);
}

// A failed upload keeps the dialog with both texts; a second Send that succeeds closes it.
struct CrashUploadFailureCase {
    const char* name;
    enum { Status500, Refused, Closed, NoURL } kind;
};

class CrashReporterFailureTest : public CrashReporterTest, public testing::WithParamInterface<CrashUploadFailureCase> { };

TEST_P(CrashReporterFailureTest, FailureKeepsTheDialogAndASecondSendCloses)
{
    std::optional<LoopbackHttpServer> failing;
    switch (GetParam().kind) {
    case CrashUploadFailureCase::Status500:
        failing.emplace(std::vector { LoopbackHttpServer::Answer::withStatus(500, "error page") });
        useEndpoint(failing->url());
        break;
    case CrashUploadFailureCase::Closed:
        failing.emplace(std::vector { LoopbackHttpServer::Answer::closeConnection() });
        useEndpoint(failing->url());
        break;
    case CrashUploadFailureCase::Refused:
        useEndpoint(QStringLiteral("http://127.0.0.1:%1/").arg(LoopbackHttpServer::refusedPort()));
        break;
    case CrashUploadFailureCase::NoURL:
        useEndpoint(QStringLiteral("::not a url::"));
        break;
    }
    LoopbackHttpServer working({ LoopbackHttpServer::Answer::withStatus(201) });
    writeLog(QStringLiteral("Reporter_1.crash"), "the report", crashTestNow - 10);
    alerts.answers = { AlertDefaultReturn, AlertDefaultReturn };
    whileDialogRuns([&](Window& window) {
        typeDescriptionAndClick(window, QStringLiteral("my words"), 1);
        ASSERT_EQ(alerts.shown.size(), 2u);
        EXPECT_EQ(alerts.shown[1].messageText, QStringLiteral("The report could not be sent"));
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(Application::sharedApplication()->modalWindow().get(), &window);
        auto* report = dynamic_cast<TextView*>(crashTestFirstTextView(window.contentView().get(), 0));
        auto* describe = dynamic_cast<TextView*>(crashTestFirstTextView(window.contentView().get(), 1));
        ASSERT_TRUE(report && describe);
        EXPECT_TRUE(report->string().startsWith(QStringLiteral("the report\n\n")));
        EXPECT_EQ(describe->string(), QStringLiteral("my words"));
        useEndpoint(working.url());
        typeDescriptionAndClick(window, QString(), 1);
        EXPECT_FALSE(window.isVisible());
    });
    JVLCrashReporter::checkForCrash();
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(storedDate(), crashTestNow);
    ASSERT_EQ(working.requests().size(), 1u);
    const auto fields = parseMultipartForm(working.requests()[0].body, "0xKhTmLbOuNdArY");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 2u);
    EXPECT_EQ((*fields)[1].value, QByteArray("my words"));
}

INSTANTIATE_TEST_SUITE_P(Failures, CrashReporterFailureTest,
    testing::Values(CrashUploadFailureCase { "Status500", CrashUploadFailureCase::Status500 }, CrashUploadFailureCase { "Refused", CrashUploadFailureCase::Refused },
        CrashUploadFailureCase { "ClosedUnanswered", CrashUploadFailureCase::Closed }, CrashUploadFailureCase { "NoURL", CrashUploadFailureCase::NoURL }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CrashReporterTest, DontSendClosesWithoutUploadingAndFreesTheReporter)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(200) });
    useEndpoint(server.url());
    writeLog(QStringLiteral("Reporter_1.crash"), "report", crashTestNow - 10);
    alerts.answers = { AlertDefaultReturn };
    Weak<JVLCrashReporter> reporter;
    whileDialogRuns([&](Window& window) {
        Control* dontSend = crashTestButtonWithTag(window.contentView().get(), 0);
        ASSERT_TRUE(dontSend);
        reporter = Ref<JVLCrashReporter>(dynamic_cast<JVLCrashReporter*>(dontSend->target().get()));
        EXPECT_TRUE(reporter.lock());
        typeDescriptionAndClick(window, QString(), 0);
    });
    JVLCrashReporter::checkForCrash();
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(storedDate(), crashTestNow);
    EXPECT_FALSE(reporter.lock());
}

// A child process crashes with the writer installed; the next check offers that very log.
TEST_F(CrashReporterTest, ARealCrashIsOfferedAndSent)
{
    LoopbackHttpServer server({ LoopbackHttpServer::Answer::withStatus(200) });
    useEndpoint(server.url());
    writeConsole("Reporter[9:9] before the crash\n");
    const QByteArray directory = CrashLog::directory().toUtf8();
    CrashLog::warmUp();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CrashLog::installWithDirectory(directory.constData(), "Reporter", "1.2");
        ::raise(SIGSEGV);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const QString path = JVLCrashReporter::pathAndNameOfCrashReportFile();
    ASSERT_FALSE(path.isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    // The real file is newer than the manual clock's start: the stored date stays behind it.
    setStoredDate(0);
    alerts.answers = { AlertDefaultReturn };
    whileDialogRuns([&](Window& window) { typeDescriptionAndClick(window, QStringLiteral("it fell over"), 1); });
    JVLCrashReporter::checkForCrash();
    ASSERT_EQ(server.requests().size(), 1u);
    const auto fields = parseMultipartForm(server.requests()[0].body, "0xKhTmLbOuNdArY");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 2u);
    EXPECT_EQ((*fields)[0].value, written + "\n\nReporter[9:9] before the crash\n");
    EXPECT_EQ((*fields)[1].value, QByteArray("it fell over"));
}

} // namespace
