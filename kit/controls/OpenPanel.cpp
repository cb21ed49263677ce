#include "kit/controls/OpenPanel.h"

#include "kit/appkit/Application.h"
#include "kit/controls/Alert.h"

#include <QFileDialog>
#include <QImageReader>

namespace kit {

KIT_REGISTER_CLASS(OpenPanel, Object) { }

namespace {

const QString openPanelPresenterKind = QStringLiteral("kit.openPanel");

std::int64_t runOpenPanelWithFileDialog(OpenPanel& panel)
{
    QFileDialog dialog(nullptr, QString(), panel.directory());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (panel.canChooseDirectories() && !panel.canChooseFiles())
        dialog.setFileMode(QFileDialog::Directory);
    else
        dialog.setFileMode(panel.allowsMultipleSelection() ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!panel.allowedFileTypes().isEmpty()) {
        QStringList patterns;
        for (const QString& type : panel.allowedFileTypes())
            patterns << QStringLiteral("*.") + type;
        dialog.setNameFilter(patterns.join(QLatin1Char(' ')));
    }
    if (dialog.exec() != QDialog::Accepted)
        return FileHandlingPanelCancelButton;
    std::vector<QUrl> urls;
    for (const QString& file : dialog.selectedFiles())
        urls.push_back(QUrl::fromLocalFile(file));
    panel.setURLs(std::move(urls));
    return panel.URLs().empty() ? FileHandlingPanelCancelButton : FileHandlingPanelOKButton;
}

} // namespace

QStringList OpenPanel::imageFileTypes()
{
    QStringList types;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        types << QString::fromLatin1(format).toLower();
    if (!types.contains(QLatin1String("svg")))
        types << QStringLiteral("svg");
    types.removeDuplicates();
    return types;
}

void OpenPanel::setPresenter(Presenter presenter)
{
    Application::PanelPresenter panel;
    if (presenter)
        panel = [presenter](Object& p) { return presenter(static_cast<OpenPanel&>(p)); };
    Application::sharedApplication()->setPanelPresenter(openPanelPresenterKind, std::move(panel));
}

std::int64_t OpenPanel::runModal()
{
    const Ref<OpenPanel> keep(this);
    urls_.clear();
    const std::int64_t answer = RunModalPanel(openPanelPresenterKind, *this, [this] { return runOpenPanelWithFileDialog(*this); });
    if (answer != FileHandlingPanelOKButton)
        urls_.clear();
    return answer == FileHandlingPanelOKButton ? FileHandlingPanelOKButton : FileHandlingPanelCancelButton;
}

} // namespace kit
