#pragma once

// Alerts: a message, an informative text, a style and up to three buttons (default, alternate,
// other), shown modally through the alert presenter and answered with the button's return code.
// The presenter runs with the run loop in the modal-panel mode, so default-mode timers wait while
// modal-panel and common-mode timers run. The standard presenter is a QMessageBox; tests install
// a scripted one. Application::presentError shows errors through the same path.

#include "kit/core/Class.h"
#include "kit/core/Format.h"
#include "kit/core/Object.h"

#include <QPixmap>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QStyle;

namespace kit {

enum AlertStyle : int { WarningAlertStyle = 0, InformationalAlertStyle = 1, CriticalAlertStyle = 2 };

enum : std::int64_t { AlertDefaultReturn = 1, AlertAlternateReturn = 0, AlertOtherReturn = -1 };

class Alert : public Object {
    KIT_CLASS(Alert)
public:
    Alert() = default;

    // A null default title gives the localised "OK"; a null or empty alternate or other gives no
    // button. The informative text is `format` formatted with the arguments.
    template <class... Args>
    static Ref<Alert> alertWithMessageTextDefaultButtonAlternateButtonOtherButtonInformativeTextWithFormat(const QString& message,
        const QString& defaultTitle, const QString& alternateTitle, const QString& otherTitle, const QString& format, const Args&... args)
    {
        return alertWithButtons(message, defaultTitle, alternateTitle, otherTitle, kit::format(format, args...));
    }
    // The same with the informative text as it is.
    static Ref<Alert> alertWithButtons(const QString& message, const QString& defaultTitle, const QString& alternateTitle,
        const QString& otherTitle, const QString& informativeText);

    QString messageText() const { return messageText_; }
    void setMessageText(const QString& text) { messageText_ = text; }
    QString informativeText() const { return informativeText_; }
    void setInformativeText(const QString& text) { informativeText_ = text; }
    AlertStyle alertStyle() const { return style_; }
    void setAlertStyle(AlertStyle style) { style_ = style; }

    struct Button {
        QString title;
        std::int64_t returnCode = AlertDefaultReturn;
    };
    // In order: default first; Return presses it.
    const std::vector<Button>& buttons() const { return buttons_; }
    void addButtonWithTitleReturnCode(const QString& title, std::int64_t returnCode);
    // What Escape and closing the dialog answer: the alternate button's code, else the other's,
    // else the default's.
    std::int64_t escapeReturnCode() const;

    // Shows the alert through the presenter and answers the chosen button's return code.
    std::int64_t runModal();

    // The presenter answers the return code of the button chosen. Null restores the QMessageBox;
    // Application::resetForTesting restores it too.
    using Presenter = std::function<std::int64_t(Alert&)>;
    static void setPresenter(Presenter presenter);

private:
    QString messageText_;
    QString informativeText_;
    AlertStyle style_ = WarningAlertStyle;
    std::vector<Button> buttons_;
};

// What the standard presenter shows beside the message, at `style`'s message-box icon size: the
// application's icon, or for a critical alert the caution sign.
QPixmap AlertIconPixmap(AlertStyle alertStyle, QStyle* style);

// An alert panel with these texts and buttons, run at once: AlertDefaultReturn, AlertAlternateReturn
// or AlertOtherReturn. The message arrives formatted; it is never read as a format.
std::int64_t RunAlertPanel(const QString& title, const QString& message, const QString& defaultTitle, const QString& alternateTitle,
    const QString& otherTitle);

// How the kit runs each of its modal panels (alerts, the open panel): in the modal-panel run-loop
// mode, through the presenter installed for `kind`, else `standard`; the window that was key before
// is key again after it (the panel took the focus, and without a window manager nobody gives it back).
std::int64_t RunModalPanel(const QString& kind, Object& panel, const std::function<std::int64_t()>& standard);

} // namespace kit
