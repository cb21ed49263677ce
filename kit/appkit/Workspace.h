#pragma once

// The desktop's services the kit uses: opening a URL with the user's preferred application, and
// applications as desktop entries found along the XDG data directories and started from their
// Exec line. Opening and launching go through replaceable seams, so tests record what would run.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kit {

class Image;
class View;

// Type identifiers the kit's files conform to (the platform's strings). A file's type here is its
// MIME type name; conformance follows MIME inheritance.
inline const QString UTTypeImage = QStringLiteral("public.image");
inline const QString UTTypePDF = QStringLiteral("com.adobe.pdf");
inline const QString UTTypeMovie = QStringLiteral("public.movie");
// `type` is a MIME type name or one of the identifiers above: image/* (or inheriting from an
// image type) conforms to UTTypeImage, application/pdf to UTTypePDF, video/* to UTTypeMovie; a type
// conforms to itself.
bool UTTypeConformsTo(const QString& type, const QString& conformsTo);

class Workspace : public Object {
    KIT_CLASS(Workspace)

    static Ref<Workspace> sharedWorkspace();

    // NO for an invalid URL or when the desktop could not open it.
    bool openURL(const QUrl& url);

    using URLOpener = std::function<bool(const QUrl&)>;
    // Replaces the desktop's opener (QDesktopServices); an empty function restores it.
    static void setURLOpener(URLOpener opener);

    // --- Files (kit/appkit/WorkspaceFiles.cpp). ---
    // The MIME type name of the file at `path` (by content, else by name); empty with `error` set
    // when there is no such file.
    QString typeOfFileError(const QString& path, QString* error) const;
    // The desktop theme's icon for a path extension (or a MIME type name), else a document icon of
    // the kit's own. Main thread only (the theme's icons are).
    Ref<Image> iconForFileType(const QString& fileType) const;
    // Through openURL; the image, point and view are accepted for the opening animation there is none of.
    bool openFile(const QString& path);
    bool openFileFromImageAtInView(const QString& path, Image* image, Point point, View* view);

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
