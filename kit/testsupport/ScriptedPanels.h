#pragma once

// Stand-ins for the modal dialogs: an alert presenter that records each alert (texts, style,
// buttons, the run-loop mode it ran in) and answers queued return codes, and an open-panel
// presenter that answers a path or a cancel. Each installs itself for its lifetime.

#include "kit/controls/Alert.h"
#include "kit/controls/OpenPanel.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace kit::test {

class ScriptedAlertPresenter {
public:
    struct Shown {
        QString messageText;
        QString informativeText;
        AlertStyle style;
        QStringList buttons;
        std::vector<std::int64_t> returnCodes;
        std::int64_t escapeReturnCode;
        QString mode; // the run loop's mode while shown
    };
    ScriptedAlertPresenter();
    ~ScriptedAlertPresenter();
    ScriptedAlertPresenter(const ScriptedAlertPresenter&) = delete;
    ScriptedAlertPresenter& operator=(const ScriptedAlertPresenter&) = delete;

    // Answered in order; an empty queue answers as Escape would.
    std::deque<std::int64_t> answers;
    std::vector<Shown> shown;
    // Runs while the alert is up (after it was recorded).
    std::function<void()> whileShown;
};

class ScriptedOpenPanelPresenter {
public:
    ScriptedOpenPanelPresenter();
    ~ScriptedOpenPanelPresenter();
    ScriptedOpenPanelPresenter(const ScriptedOpenPanelPresenter&) = delete;
    ScriptedOpenPanelPresenter& operator=(const ScriptedOpenPanelPresenter&) = delete;

    // A path answers OK with it; an empty one cancels. An empty queue cancels.
    std::deque<QString> answers;
    struct Shown {
        QStringList allowedFileTypes;
        bool allowsMultipleSelection;
        bool canChooseDirectories;
        QString mode;
    };
    std::vector<Shown> shown;
    // Runs while the panel is up (after it was recorded).
    std::function<void()> whileShown;
};

} // namespace kit::test
