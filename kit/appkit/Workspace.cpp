#include "kit/appkit/Workspace.h"

#include <QDesktopServices>

namespace kit {

namespace {

Workspace::URLOpener& WorkspaceURLOpener()
{
    static Workspace::URLOpener opener;
    return opener;
}

} // namespace

Ref<Workspace> Workspace::sharedWorkspace()
{
    static const Ref<Workspace> shared = make<Workspace>();
    return shared;
}

bool Workspace::openURL(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    if (const URLOpener& opener = WorkspaceURLOpener())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

void Workspace::setURLOpener(URLOpener opener) { WorkspaceURLOpener() = std::move(opener); }

KIT_REGISTER_CLASS(Workspace, Object) { }

} // namespace kit
