#pragma once

// The desktop's services the kit uses: opening a URL with the user's preferred application, and
// applications as desktop entries found along the XDG data directories and started from their
// Exec line. Opening and launching go through replaceable seams, so tests record what would run.

#include "kit/core/Class.h"
#include "kit/core/Object.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kit {

class Workspace : public Object {
    KIT_CLASS(Workspace)

    static Ref<Workspace> sharedWorkspace();

    // NO for an invalid URL or when the desktop could not open it.
    bool openURL(const QUrl& url);

    using URLOpener = std::function<bool(const QUrl&)>;
    // Replaces the desktop's opener (QDesktopServices); an empty function restores it.
    static void setURLOpener(URLOpener opener);

    // --- Applications (kit/appkit/WorkspaceApplications.cpp). ---
    // The desktop entry "<identifier>.desktop" in $XDG_DATA_HOME/applications, else in each
    // $XDG_DATA_DIRS "applications" folder in order (entries in subfolders have IDs joined with
    // "-"); empty when there is none.
    QString absolutePathForAppBundleWithIdentifier(const QString& identifier) const;
    // Starts the desktop entry at `path` from its Exec line (no shell), in its Path folder.
    // Answers whether it started.
    bool launchApplication(const QString& path);

    // The "applications" folders searched, in order.
    static QStringList applicationFolders();

    // Starts a program detached: program, arguments, working folder; answers whether it started.
    using Launcher = std::function<bool(const QString&, const QStringList&, const QString&)>;
    // Test-only: launches go to `launcher` (nullptr: real processes again).
    static void setLauncherForTesting(Launcher launcher);
};

} // namespace kit
