#pragma once

// The desktop's services the kit uses: opening a URL with the user's preferred application.
// Opening goes through a replaceable opener, so tests record what would have been opened.

#include "kit/core/Class.h"
#include "kit/core/Object.h"

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
};

} // namespace kit
