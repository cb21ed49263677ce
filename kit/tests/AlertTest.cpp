// Alerts, alert panels, presenting errors and the open panel: buttons and their return codes,
// the Escape answer, literal informative texts, the run-loop mode while shown, and one real
// QMessageBox and QFileDialog each, answered by a zero-delay timer.

#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/controls/Alert.h"
#include "kit/controls/OpenPanel.h"
#include "kit/core/Error.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Image.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/ScriptedPanels.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

class AlertTest : public ::testing::Test {
protected:
    void TearDown() override { Application::resetForTesting(); }
};

TEST_F(AlertTest, ButtonsAnswerOneZeroAndMinusOne)
{
    ScriptedAlertPresenter presenter;
    presenter.answers = { AlertDefaultReturn, AlertAlternateReturn, AlertOtherReturn };
    const auto alert = Alert::alertWithMessageTextDefaultButtonAlternateButtonOtherButtonInformativeTextWithFormat(
        "Send the report?", "Send", "Cancel", "Later", "%@ crashed", QStringLiteral("Viewer"));
    alert->setAlertStyle(CriticalAlertStyle);
    EXPECT_EQ(alert->runModal(), 1);
    EXPECT_EQ(alert->runModal(), 0);
    EXPECT_EQ(alert->runModal(), -1);
    ASSERT_EQ(presenter.shown.size(), 3u);
    const auto& s = presenter.shown.front();
    EXPECT_EQ(s.messageText, "Send the report?");
    EXPECT_EQ(s.informativeText, "Viewer crashed");
    EXPECT_EQ(s.style, CriticalAlertStyle);
    EXPECT_EQ(s.buttons, QStringList({ "Send", "Cancel", "Later" }));
    EXPECT_EQ(s.returnCodes, (std::vector<std::int64_t> { 1, 0, -1 }));
}

struct AlertIconCase {
    const char* name;
    AlertStyle style;
    bool applicationIcon; // else the caution sign
};

class AlertIcons : public AlertTest, public testing::WithParamInterface<AlertIconCase> { };

// The real message box: warning and informational alerts speak as the application, with its
// icon; only a critical one shows the caution sign.
TEST_P(AlertIcons, EachStyleShowsItsIcon)
{
    QImage shown;
    QMessageBox::Icon standard = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = box->iconPixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        standard = box->icon();
        box->buttons().front()->click();
    });
    const auto alert = Alert::alertWithButtons("Thank you", QString(), QString(), QString(), QString());
    alert->setAlertStyle(GetParam().style);
    alert->runModal();
    ASSERT_FALSE(shown.isNull()) << "no icon";
    QStyle* style = QApplication::style();
    const int side = style->pixelMetric(QStyle::PM_MessageBoxIconSize);
    QImage expected;
    if (GetParam().applicationIcon) {
        const Ref<Image> icon = Image::imageNamed(ImageNameApplicationIcon);
        ASSERT_TRUE(icon);
        EXPECT_FALSE(icon->isTemplate());
        expected = icon->bitmapForDrawing(side / icon->size().width);
    } else {
        expected = style->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side).toImage();
    }
    EXPECT_NE(standard, QMessageBox::Warning);
    EXPECT_EQ(shown.size(), expected.size());
    EXPECT_EQ(shown, expected.convertToFormat(QImage::Format_ARGB32));
}

INSTANTIATE_TEST_SUITE_P(Styles, AlertIcons,
    testing::Values(AlertIconCase { "Warning", WarningAlertStyle, true }, AlertIconCase { "Informational", InformationalAlertStyle, true },
        AlertIconCase { "Critical", CriticalAlertStyle, false }),
    [](const testing::TestParamInfo<AlertIconCase>& info) { return std::string(info.param.name); });

TEST_F(AlertTest, ANullDefaultIsOKAndEmptyButtonsAreLeftOut)
{
    ScriptedAlertPresenter presenter;
    Alert::alertWithButtons("Done", QString(), QString(), QStringLiteral(""), QString())->runModal();
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].buttons, QStringList({ "OK" }));
}

TEST_F(AlertTest, APercentInTheFormattedTextShowsAsWritten)
{
    ScriptedAlertPresenter presenter;
    Alert::alertWithMessageTextDefaultButtonAlternateButtonOtherButtonInformativeTextWithFormat(
        "Failed", QString(), QString(), QString(), "%@", QStringLiteral("100% of %d done"))
        ->runModal();
    RunAlertPanel("Title", "50% %@ left", "OK", QString(), QString());
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_EQ(presenter.shown[0].informativeText, "100% of %d done");
    EXPECT_EQ(presenter.shown[1].informativeText, "50% %@ left") << "the panel's message is never a format";
    EXPECT_EQ(presenter.shown[1].messageText, "Title");
}

struct AlertEscapeCase {
    const char* alternate;
    const char* other;
    std::int64_t escape;
};

class AlertEscapeTest : public AlertTest, public ::testing::WithParamInterface<AlertEscapeCase> { };

TEST_P(AlertEscapeTest, EscapeAnswersTheAlternateElseTheOtherElseTheDefault)
{
    ScriptedAlertPresenter presenter; // no answers queued: it answers as Escape does
    const AlertEscapeCase c = GetParam();
    EXPECT_EQ(RunAlertPanel("T", "M", "Go", c.alternate, c.other), c.escape);
}

INSTANTIATE_TEST_SUITE_P(OneTwoThreeButtons, AlertEscapeTest,
    ::testing::Values(AlertEscapeCase { "", "", AlertDefaultReturn }, AlertEscapeCase { "Stop", "", AlertAlternateReturn },
        AlertEscapeCase { "", "Skip", AlertOtherReturn }, AlertEscapeCase { "Stop", "Skip", AlertAlternateReturn }));

TEST_F(AlertTest, DefaultModeTimersWaitWhileModalPanelTimersRun)
{
    ManualClockScope clock;
    int defaultFired = 0, panelFired = 0;
    const Ref<Timer> inDefault = Timer::timerWithTimeIntervalRepeatsBlock(0.5, false, [&](Timer*) { ++defaultFired; });
    const Ref<Timer> inPanel = Timer::timerWithTimeIntervalRepeatsBlock(0.5, false, [&](Timer*) { ++panelFired; });
    RunLoop::main().addTimerForMode(inDefault, DefaultRunLoopMode);
    RunLoop::main().addTimerForMode(inPanel, ModalPanelRunLoopMode);
    ScriptedAlertPresenter presenter;
    presenter.whileShown = [&] {
        clock.advance(1);
        RunLoop::main().runDue();
    };
    RunAlertPanel("T", "M", QString(), QString(), QString());
    EXPECT_EQ(presenter.shown.at(0).mode, ModalPanelRunLoopMode);
    EXPECT_EQ(panelFired, 1);
    EXPECT_EQ(defaultFired, 0);
    RunLoop::main().runDue();
    EXPECT_EQ(defaultFired, 1) << "it fires once the alert is gone";
    inDefault->invalidate();
    inPanel->invalidate();
}

TEST_F(AlertTest, PresentErrorShowsItsTextsAndOptionsAndAnswersNo)
{
    ScriptedAlertPresenter presenter;
    const Error withOptions(CocoaErrorDomain, 4,
        Dictionary({ { Value(LocalizedDescriptionKey), Value("The file could not be read.") },
            { Value(LocalizedRecoverySuggestionErrorKey), Value("Try another file.") },
            { Value(LocalizedRecoveryOptionsErrorKey), Value(Array({ Value("Retry"), Value("Give Up") })) } }));
    EXPECT_FALSE(Application::sharedApplication()->presentError(withOptions));
    const Error plain(CocoaErrorDomain, 5, Dictionary({ { Value(LocalizedDescriptionKey), Value("Gone.") } }));
    EXPECT_FALSE(Application::sharedApplication()->presentError(plain));
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_EQ(presenter.shown[0].messageText, "The file could not be read.");
    EXPECT_EQ(presenter.shown[0].informativeText, "Try another file.");
    EXPECT_EQ(presenter.shown[0].buttons, QStringList({ "Retry", "Give Up" }));
    EXPECT_EQ(presenter.shown[1].buttons, QStringList({ "OK" }));
}

TEST_F(AlertTest, ResetForTestingPutsTheStandardPresenterBack)
{
    ScriptedAlertPresenter presenter;
    Application::resetForTesting();
    EXPECT_FALSE(Application::sharedApplication()->panelPresenter(QStringLiteral("kit.alert")));
}

TEST_F(AlertTest, TheRealMessageBoxAnswersTheClickedButton)
{
    QTimer::singleShot(0, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) {
                EXPECT_EQ(box->text(), "Save changes?");
                // An informational alert speaks as the application: its icon, no standard one.
                EXPECT_FALSE(box->iconPixmap().isNull());
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == "Discard")
                        b->click();
            }
    });
    const auto alert = Alert::alertWithButtons("Save changes?", "Save", "Cancel", "Discard", "Your edits are kept otherwise.");
    alert->setAlertStyle(InformationalAlertStyle);
    EXPECT_EQ(alert->runModal(), AlertOtherReturn);
}

TEST_F(AlertTest, OpenPanelAnswersThroughItsPresenter)
{
    ScriptedOpenPanelPresenter presenter;
    presenter.answers = { QStringLiteral("/tmp/picture.png"), QString() };
    const auto panel = OpenPanel::openPanel();
    panel->setAllowedFileTypes(OpenPanel::imageFileTypes());
    EXPECT_EQ(panel->runModal(), FileHandlingPanelOKButton);
    EXPECT_EQ(panel->URL(), QUrl::fromLocalFile("/tmp/picture.png"));
    EXPECT_EQ(panel->runModal(), FileHandlingPanelCancelButton);
    EXPECT_TRUE(panel->URL().isEmpty());
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_TRUE(presenter.shown[0].allowedFileTypes.contains("svg"));
    EXPECT_TRUE(presenter.shown[0].allowedFileTypes.contains("png"));
    EXPECT_FALSE(presenter.shown[0].allowsMultipleSelection);
    EXPECT_FALSE(presenter.shown[0].canChooseDirectories);
    EXPECT_EQ(presenter.shown[0].mode, ModalPanelRunLoopMode);
}

// Every modal panel the kit runs took the focus from the key window while it was up; after it that
// window is key again, with no window manager to hand it back.
TEST_F(AlertTest, TheKeyWindowBeforeAModalPanelIsKeyAfterIt)
{
    ScriptedAlertPresenter alerts;
    ScriptedOpenPanelPresenter panels;
    const std::pair<const char*, std::function<void()>> runs[] = {
        { "alert", [] { Alert::alertWithButtons("Replace the picture?", "Replace", "Cancel", QString(), QString())->runModal(); } },
        { "open panel", [] { OpenPanel::openPanel()->runModal(); } },
    };
    for (const auto& [what, run] : runs) {
        SCOPED_TRACE(what);
        auto window = make<Window>(MakeRect(100, 100, 300, 200), TitledWindowMask);
        window->makeKeyAndOrderFront();
        const Ref<Application> app = Application::sharedApplication();
        // The panel's window takes the server's focus; closed, it leaves the application's windows
        // without it.
        const auto panelTakesTheFocus = [&] {
            app->setActive(false);
            EXPECT_FALSE(app->keyWindow());
        };
        alerts.whileShown = panelTakesTheFocus;
        panels.whileShown = panelTakesTheFocus;
        run();
        EXPECT_EQ(app->keyWindow(), window);
        app->setActive(true);
        window->close();
    }
}

TEST_F(AlertTest, TheRealFileDialogAnswersTheChosenFile)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("shot.png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(top); dialog && dialog->isVisible()) {
                dialog->selectFile(dir.filePath("shot.png"));
                QMetaObject::invokeMethod(dialog, "accept");
            }
    });
    const auto panel = OpenPanel::openPanel();
    panel->setDirectory(dir.path());
    panel->setAllowedFileTypes({ "png" });
    EXPECT_EQ(panel->runModal(), FileHandlingPanelOKButton);
    EXPECT_EQ(QDir(panel->URL().toLocalFile()).canonicalPath(), QDir(dir.filePath("shot.png")).canonicalPath());
}

} // namespace
