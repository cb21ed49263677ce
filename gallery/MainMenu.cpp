#include "gallery/MainMenu.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"

KIT_REGISTER_CLASS(GalleryMainMenu, kit::Object)
{
    c.action("quit", &GalleryMainMenu::quit);
}

kit::Ref<GalleryMainMenu> GalleryMainMenu::install()
{
    auto commands = kit::make<GalleryMainMenu>();
    auto gallery = kit::make<kit::Menu>(QStringLiteral("Gallery"));
    gallery->addItemWithTitleActionKeyEquivalent(QStringLiteral("Quit Gallery"), kit::Selector("quit"), QStringLiteral("q"))
        ->setTarget(commands.get());
    // No target: the key window's performClose, disabled while no window is key.
    auto file = kit::make<kit::Menu>(QStringLiteral("File"));
    file->addItemWithTitleActionKeyEquivalent(QStringLiteral("Close Window"), kit::Selector("performClose"), QStringLiteral("w"));
    auto main = kit::make<kit::Menu>(QStringLiteral("Main"));
    for (const kit::Ref<kit::Menu>& menu : { gallery, file }) {
        auto item = kit::make<kit::MenuItem>(menu->title(), kit::Selector(), QString());
        item->setSubmenu(menu);
        main->addItem(item);
    }
    kit::Menu::setMainMenu(main);
    return commands;
}

void GalleryMainMenu::quit(kit::Object* sender) { kit::Application::sharedApplication()->terminate(sender); }

void GalleryMainMenu::addPageMenus(const std::vector<kit::Ref<kit::MenuItem>>& items)
{
    kit::Ref<kit::Menu> main = kit::Menu::mainMenu();
    if (!main) {
        main = kit::make<kit::Menu>(QStringLiteral("Main"));
        kit::Menu::setMainMenu(main);
    }
    for (const kit::Ref<kit::MenuItem>& item : items)
        if (!item->menu())
            main->addItem(item);
}

void GalleryMainMenu::removePageMenus(const std::vector<kit::Ref<kit::MenuItem>>& items)
{
    for (const kit::Ref<kit::MenuItem>& item : items)
        if (const kit::Ref<kit::Menu> menu = item->menu())
            menu->removeItem(item.get());
}
