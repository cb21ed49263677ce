#include "kit/appkit/Workspace.h"

#include "kit/appkit/DesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>

namespace kit {

namespace {

Workspace::Launcher& WorkspaceApplicationLauncher()
{
    static Workspace::Launcher launcher;
    return launcher;
}

} // namespace

QStringList Workspace::applicationFolders()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders { home + QStringLiteral("/applications") };
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << dir + QStringLiteral("/applications");
    return folders;
}

QString Workspace::absolutePathForAppBundleWithIdentifier(const QString& identifier) const
{
    if (identifier.isEmpty())
        return {};
    const QString wanted = identifier + QStringLiteral(".desktop");
    for (const QString& folder : applicationFolders()) {
        const QDir root(folder);
        if (!root.exists())
            continue;
        // The quick case first: the entry at the top of the folder.
        if (root.exists(wanted))
            return root.absoluteFilePath(wanted);
        QDirIterator it(folder, { QStringLiteral("*.desktop") }, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (root.relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-')) == wanted)
                return path;
        }
    }
    return {};
}

bool Workspace::launchApplication(const QString& path)
{
    const std::optional<DesktopEntry> entry = DesktopEntry::entryWithContentsOfFile(path);
    if (!entry)
        return false;
    QStringList words = DesktopEntry::splitExec(entry->stringForKey(QStringLiteral("Exec")));
    if (words.isEmpty() || words.front().isEmpty())
        return false;
    const QString program = words.takeFirst();
    const QString folder = entry->stringForKey(QStringLiteral("Path"));
    if (const Launcher& launcher = WorkspaceApplicationLauncher())
        return launcher(program, words, folder);
    return QProcess::startDetached(program, words, folder);
}

void Workspace::setLauncherForTesting(Launcher launcher) { WorkspaceApplicationLauncher() = std::move(launcher); }

} // namespace kit
