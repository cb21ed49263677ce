#include "gallery/MainMenu.h"

#include <QCoreApplication>

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
    auto item = kit::make<kit::MenuItem>(gallery->title(), kit::Selector(), QString());
    item->setSubmenu(gallery);
    auto main = kit::make<kit::Menu>(QStringLiteral("Main"));
    main->addItem(item);
    kit::Menu::setMainMenu(main);
    return commands;
}

void GalleryMainMenu::quit(kit::Object*) { QCoreApplication::quit(); }

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
