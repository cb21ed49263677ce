#include "kit/controls/Alert.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/core/Error.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Image.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

namespace kit {

KIT_REGISTER_CLASS(Alert, Object) { }

namespace {

const QString alertPresenterKind = QStringLiteral("kit.alert");

std::int64_t runAlertWithMessageBox(Alert& alert)
{
    QMessageBox box;
    box.setIconPixmap(AlertIconPixmap(alert.alertStyle(), box.style()));
    box.setText(alert.messageText());
    box.setInformativeText(alert.informativeText());
    box.setTextFormat(Qt::PlainText);
    std::vector<std::pair<QAbstractButton*, std::int64_t>> made;
    const std::int64_t escape = alert.escapeReturnCode();
    for (std::size_t i = 0; i < alert.buttons().size(); ++i) {
        const Alert::Button& b = alert.buttons()[i];
        const QMessageBox::ButtonRole role = i == 0 ? QMessageBox::AcceptRole
            : b.returnCode == AlertAlternateReturn  ? QMessageBox::RejectRole
                                                    : QMessageBox::DestructiveRole;
        QPushButton* button = box.addButton(b.title, role);
        if (i == 0)
            box.setDefaultButton(button);
        if (b.returnCode == escape)
            box.setEscapeButton(button);
        made.emplace_back(button, b.returnCode);
    }
    box.exec();
    for (const auto& [button, code] : made)
        if (box.clickedButton() == button)
            return code;
    return escape;
}

} // namespace

QPixmap AlertIconPixmap(AlertStyle alertStyle, QStyle* style)
{
    const int side = style->pixelMetric(QStyle::PM_MessageBoxIconSize);
    // Only a critical alert wears the caution sign; the others speak as the application.
    if (alertStyle == CriticalAlertStyle)
        return style->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side);
    const Ref<Image> icon = Image::imageNamed(ImageNameApplicationIcon);
    if (!icon || icon->size().width <= 0)
        return {};
    return QPixmap::fromImage(icon->bitmapForDrawing(side / icon->size().width));
}

Ref<Alert> Alert::alertWithButtons(const QString& message, const QString& defaultTitle, const QString& alternateTitle,
    const QString& otherTitle, const QString& informativeText)
{
    auto alert = make<Alert>();
    alert->setMessageText(message);
    alert->setInformativeText(informativeText);
    alert->addButtonWithTitleReturnCode(defaultTitle.isNull() ? localizedString(QStringLiteral("OK")) : defaultTitle, AlertDefaultReturn);
    if (!alternateTitle.isEmpty())
        alert->addButtonWithTitleReturnCode(alternateTitle, AlertAlternateReturn);
    if (!otherTitle.isEmpty())
        alert->addButtonWithTitleReturnCode(otherTitle, AlertOtherReturn);
    return alert;
}

void Alert::addButtonWithTitleReturnCode(const QString& title, std::int64_t returnCode) { buttons_.push_back({ title, returnCode }); }

std::int64_t Alert::escapeReturnCode() const
{
    for (std::int64_t wanted : { std::int64_t(AlertAlternateReturn), std::int64_t(AlertOtherReturn) })
        for (const Button& b : buttons_)
            if (b.returnCode == wanted)
                return wanted;
    return buttons_.empty() ? AlertDefaultReturn : buttons_.front().returnCode;
}

void Alert::setPresenter(Presenter presenter)
{
    Application::PanelPresenter panel;
    if (presenter)
        panel = [presenter](Object& alert) { return presenter(static_cast<Alert&>(alert)); };
    Application::sharedApplication()->setPanelPresenter(alertPresenterKind, std::move(panel));
}

std::int64_t Alert::runModal()
{
    if (buttons_.empty())
        addButtonWithTitleReturnCode(localizedString(QStringLiteral("OK")), AlertDefaultReturn);
    const Ref<Alert> keep(this);
    return RunModalPanel(alertPresenterKind, *this, [this] { return runAlertWithMessageBox(*this); });
}

std::int64_t RunModalPanel(const QString& kind, Object& panel, const std::function<std::int64_t()>& standard)
{
    // Default-mode timers wait; modal-panel and common-mode ones keep running.
    RunLoop::ModeScope scope(ModalPanelRunLoopMode);
    const Ref<Application> app = Application::sharedApplication();
    const Ref<Window> keyBefore = app->keyWindow();
    const Application::PanelPresenter presenter = app->panelPresenter(kind);
    const std::int64_t answer = presenter ? presenter(panel) : standard();
    // The panel had the focus; without a window manager nobody hands it back.
    if (keyBefore && keyBefore->isVisible())
        keyBefore->makeKeyWindow();
    return answer;
}

std::int64_t RunAlertPanel(const QString& title, const QString& message, const QString& defaultTitle, const QString& alternateTitle,
    const QString& otherTitle)
{
    return Alert::alertWithButtons(title, defaultTitle, alternateTitle, otherTitle, message)->runModal();
}

// Declared with the application; defined here, beside the alerts it shows.
bool Application::presentError(const Error& error)
{
    auto alert = make<Alert>();
    alert->setMessageText(error.localizedDescription());
    alert->setInformativeText(error.localizedRecoverySuggestion());
    const Array options = error.localizedRecoveryOptions();
    std::int64_t code = AlertDefaultReturn;
    for (const Value& option : options)
        alert->addButtonWithTitleReturnCode(option.stringValue(), code--);
    alert->runModal();
    // There is no recovery attempter to take up a chosen option.
    return false;
}

} // namespace kit
