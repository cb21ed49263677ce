#pragma once

// The gallery's main menu: "Gallery" with Quit (Ctrl+Q) and "File" with Close Window (Ctrl+W), so
// that the gallery and its secondary windows can be left without a window manager. Pages with
// commands of their own add their menus to it while they are shown.

#include "kit/controls/Menu.h"

#include <vector>

class GalleryMainMenu : public kit::Object {
    KIT_CLASS(GalleryMainMenu)
public:
    // Builds the menu and makes it the application's main menu; keep the answer while it is used.
    static kit::Ref<GalleryMainMenu> install();

    // Terminates the application: every window closes and the run loop ends, a normal exit.
    void quit(kit::Object* sender);

    // A page's menus: added at the end, taken out again when the page leaves its window.
    static void addPageMenus(const std::vector<kit::Ref<kit::MenuItem>>& items);
    static void removePageMenus(const std::vector<kit::Ref<kit::MenuItem>>& items);
};
