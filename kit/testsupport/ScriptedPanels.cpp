#include "kit/testsupport/ScriptedPanels.h"

#include "kit/foundation/RunLoop.h"

namespace kit::test {

ScriptedAlertPresenter::ScriptedAlertPresenter()
{
    Alert::setPresenter([this](Alert& alert) -> std::int64_t {
        Shown s { alert.messageText(), alert.informativeText(), alert.alertStyle(), {}, {}, alert.escapeReturnCode(),
            RunLoop::main().currentMode() };
        for (const Alert::Button& b : alert.buttons()) {
            s.buttons << b.title;
            s.returnCodes.push_back(b.returnCode);
        }
        shown.push_back(s);
        if (whileShown)
            whileShown();
        if (answers.empty())
            return alert.escapeReturnCode();
        const std::int64_t answer = answers.front();
        answers.pop_front();
        return answer;
    });
}

ScriptedAlertPresenter::~ScriptedAlertPresenter() { Alert::setPresenter(nullptr); }

ScriptedOpenPanelPresenter::ScriptedOpenPanelPresenter()
{
    OpenPanel::setPresenter([this](OpenPanel& panel) -> std::int64_t {
        shown.push_back(
            { panel.allowedFileTypes(), panel.allowsMultipleSelection(), panel.canChooseDirectories(), RunLoop::main().currentMode() });
        if (whileShown)
            whileShown();
        if (answers.empty())
            return FileHandlingPanelCancelButton;
        const QString path = answers.front();
        answers.pop_front();
        if (path.isEmpty())
            return FileHandlingPanelCancelButton;
        panel.setURLs({ QUrl::fromLocalFile(path) });
        return FileHandlingPanelOKButton;
    });
}

ScriptedOpenPanelPresenter::~ScriptedOpenPanelPresenter() { OpenPanel::setPresenter(nullptr); }

} // namespace kit::test
