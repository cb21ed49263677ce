#pragma once

// A modal panel that picks a file to open: the allowed file types (by extension), one file or
// several, shown through the open-panel presenter with the run loop in the modal-panel mode. The
// standard presenter is a QFileDialog; tests install a scripted one.

#include "kit/core/Class.h"
#include "kit/core/Object.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <vector>

namespace kit {

enum : std::int64_t { FileHandlingPanelCancelButton = 0, FileHandlingPanelOKButton = 1 };

class OpenPanel : public Object {
    KIT_CLASS(OpenPanel)
public:
    OpenPanel() = default;
    static Ref<OpenPanel> openPanel() { return make<OpenPanel>(); }
    // The extensions of the image formats the platform reads, with "svg".
    static QStringList imageFileTypes();

    // Extensions without the dot; empty allows every file.
    QStringList allowedFileTypes() const { return allowedFileTypes_; }
    void setAllowedFileTypes(const QStringList& types) { allowedFileTypes_ = types; }
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool flag) { allowsMultipleSelection_ = flag; }
    bool canChooseDirectories() const { return canChooseDirectories_; }
    void setCanChooseDirectories(bool flag) { canChooseDirectories_ = flag; }
    bool canChooseFiles() const { return canChooseFiles_; }
    void setCanChooseFiles(bool flag) { canChooseFiles_ = flag; }
    QString directory() const { return directory_; }
    void setDirectory(const QString& path) { directory_ = path; }

    // FileHandlingPanelOKButton with the chosen files in URLs, or FileHandlingPanelCancelButton.
    std::int64_t runModal();
    QUrl URL() const { return urls_.empty() ? QUrl() : urls_.front(); }
    const std::vector<QUrl>& URLs() const { return urls_; }
    // For presenters: what was chosen.
    void setURLs(std::vector<QUrl> urls) { urls_ = std::move(urls); }

    // The presenter answers OK or Cancel after setURLs. Null restores the QFileDialog;
    // Application::resetForTesting restores it too.
    using Presenter = std::function<std::int64_t(OpenPanel&)>;
    static void setPresenter(Presenter presenter);

private:
    QStringList allowedFileTypes_;
    bool allowsMultipleSelection_ = false;
    bool canChooseDirectories_ = false;
    bool canChooseFiles_ = true;
    QString directory_;
    std::vector<QUrl> urls_;
};

} // namespace kit
