// The gallery's main menu in process: Close Window closes the key window alone, as the title bar's
// close button would without a window manager.

#include "gallery/MainMenu.h"

#include "kit/appkit/Window.h"
#include "kit/controls/Menu.h"
#include "kit/testsupport/EventScript.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

constexpr std::uint16_t codeW = 13;

TEST(GalleryMainMenu, CtrlWClosesTheKeyWindowOnly)
{
    const Ref<GalleryMainMenu> commands = GalleryMainMenu::install();
    std::vector<Ref<Window>> windows; // the gallery, the licence, Preferences (key)
    for (int i = 0; i < 3; ++i) {
        windows.push_back(make<Window>(MakeRect(100 * i, 100, 300, 200), TitledWindowMask | ClosableWindowMask));
        windows.back()->makeKeyAndOrderFront();
    }
    test::EventScript script(windows[2].get());
    script.keyDown(codeW, QStringLiteral("w"), CommandKeyMask);
    script.run();
    EXPECT_FALSE(windows[2]->isVisible());
    EXPECT_TRUE(windows[0]->isVisible());
    EXPECT_TRUE(windows[1]->isVisible());
    Menu::setMainMenu(nullptr);
}

} // namespace
