#include "ControlsTestSupport.h"
#include "kit/controls/ControlTypes.h"
#include "kit/controls/Menu.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/foundation/NibLoader.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

// A plain object that is not archivable, for represented objects.
class Opaque : public Object {
    KIT_CLASS(Opaque)
};

} // namespace

KIT_REGISTER_CLASS(Opaque, Object) { }

TEST(MenuCoding, ItemsSubmenusAndSettingsSurviveARoundTrip)
{
    auto menu = make<Menu>("Edit");
    menu->setAutoenablesItems(false);
    auto copyItem = menu->addItemWithTitleActionKeyEquivalent("Copy", "copy", "C");
    copyItem->setKeyEquivalentModifierMask(ControlKeyMask | AlternateKeyMask);
    copyItem->setTag(3);
    copyItem->setState(MixedState);
    copyItem->setEnabled(false);
    copyItem->setRepresentedObject(Value(Array { Value(1), Value("two") }));
    menu->addItem(MenuItem::separatorItem());
    auto more = menu->addItemWithTitleActionKeyEquivalent("More", {}, {});
    more->setHidden(true);
    auto submenu = make<Menu>("More");
    submenu->addItemWithTitleActionKeyEquivalent("Deeper", "other", "d");
    more->setSubmenu(submenu);
    auto opaque = make<Opaque>();
    submenu->itemAtIndex(0)->setRepresentedObject(Value(opaque)); // cannot be archived: left out
    submenu->itemAtIndex(0)->setTarget(menu.get()); // archived elsewhere: kept
    copyItem->setImage(Image::imageNamed(ImageNameAddTemplate)); // kept by name
    auto unnamed = make<Image>(Size { 4, 4 });
    submenu->itemAtIndex(0)->setImage(unnamed); // cannot be found again: left out

    QString error;
    const auto back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(Value(menu)), &error)
                          .objectAs<Menu>();
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->title(), "Edit");
    EXPECT_FALSE(back->autoenablesItems());
    ASSERT_EQ(back->numberOfItems(), 3);

    const Ref<MenuItem> c = back->itemAtIndex(0);
    EXPECT_EQ(c->title(), "Copy");
    EXPECT_EQ(c->action(), Selector("copy"));
    EXPECT_EQ(c->keyEquivalent(), "C");
    EXPECT_EQ(c->keyEquivalentModifierMask(), std::uint64_t(ControlKeyMask | AlternateKeyMask));
    EXPECT_EQ(c->tag(), 3);
    EXPECT_EQ(c->state(), MixedState);
    EXPECT_FALSE(c->isEnabled());
    EXPECT_EQ(c->representedObject(), Value(Array { Value(1), Value("two") }));
    EXPECT_EQ(c->menu().get(), back.get());
    ASSERT_TRUE(c->image());
    EXPECT_EQ(c->image()->name(), ImageNameAddTemplate);

    EXPECT_TRUE(back->itemAtIndex(1)->isSeparatorItem());
    EXPECT_FALSE(back->itemAtIndex(1)->isEnabled());
    EXPECT_FALSE(back->itemAtIndex(0)->isSeparatorItem());

    const Ref<MenuItem> m = back->itemAtIndex(2);
    EXPECT_TRUE(m->isHidden());
    ASSERT_TRUE(m->submenu());
    EXPECT_EQ(m->submenu()->supermenu().get(), back.get());
    EXPECT_EQ(back->indexOfItemWithSubmenu(m->submenu().get()), 2);
    const Ref<MenuItem> deeper = m->submenu()->itemAtIndex(0);
    ASSERT_TRUE(deeper);
    EXPECT_EQ(deeper->title(), "Deeper");
    EXPECT_EQ(deeper->keyEquivalentModifierMask(), std::uint64_t(CommandKeyMask));
    EXPECT_TRUE(deeper->representedObject().isNil());
    EXPECT_EQ(deeper->target().get(), back.get());
    EXPECT_EQ(deeper->action(), Selector("other"));
    EXPECT_FALSE(deeper->image());
}

TEST(MenuCoding, AnItemAloneLosesItsTarget)
{
    auto target = make<Menu>();
    auto item = make<MenuItem>("Open", "open", "o");
    item->setTarget(target.get());
    QString error;
    const auto back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(Value(item)), &error)
                          .objectAs<MenuItem>();
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_FALSE(back->target());
    EXPECT_EQ(back->action(), Selector("open"));
}

// Archives from files a user edits: loops through submenus, an item in two menus and wrong kinds
// give a tree that can be freed, with defaults where the values were wrong.
TEST(MenuCoding, UntrustedMenusNeverLoopAndFallBackToDefaults)
{
    {
        SCOPED_TRACE("a submenu that holds its own item");
        const auto [item, error] = decodeLeniently<MenuItem>(archiveOf(R"([
            {"$class": "MenuItem", "kit.title": "Loop", "kit.submenu": {"$ref": 1}},
            {"$class": "Menu", "kit.items": [{"$ref": 0}]}])"));
        ASSERT_TRUE(item);
        EXPECT_TRUE(item->submenu() == nullptr || item->submenu()->indexOfItem(item.get()) < 0);
    }
    {
        SCOPED_TRACE("a menu whose item's submenu is the menu");
        const auto [menu, error] = decodeLeniently<Menu>(archiveOf(R"([
            {"$class": "Menu", "kit.items": [{"$ref": 1}, {"$ref": 2}]},
            {"$class": "MenuItem", "kit.submenu": {"$ref": 0}},
            {"$class": "MenuItem", "kit.submenu": {"$ref": 3}},
            {"$class": "Menu", "kit.items": [{"$ref": 4}]},
            {"$class": "MenuItem", "kit.submenu": {"$ref": 0}}])"));
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->numberOfItems(), 0);
    }
    {
        SCOPED_TRACE("one item in two menus and in one menu twice");
        const auto [menu, error] = decodeLeniently<Menu>(archiveOf(R"([
            {"$class": "Menu", "kit.items": [{"$ref": 1}, {"$ref": 1}, {"$ref": 2}]},
            {"$class": "MenuItem", "kit.submenu": {"$ref": 3}},
            {"$class": "MenuItem"},
            {"$class": "Menu", "kit.items": [{"$ref": 2}]}])"));
        ASSERT_TRUE(menu);
        ASSERT_EQ(menu->numberOfItems(), 1);
        EXPECT_EQ(menu->itemAtIndex(0)->submenu()->numberOfItems(), 1);
    }
    {
        SCOPED_TRACE("wrong kinds");
        const auto [menu, error] = decodeLeniently<Menu>(archiveOf(R"([
            {"$class": "Menu", "kit.title": 5, "kit.autoenablesItems": "no", "kit.items": [{"$ref": 1}, 3, "x", {"$ref": 0}]},
            {"$class": "MenuItem", "kit.title": [], "kit.state": 40, "kit.tag": "t", "kit.enabled": {"$rect": [0, 0, 1, 1]},
             "kit.submenu": {"$ref": 2}, "kit.keyEquivalentModifierMask": "cmd", "kit.action": 9, "kit.target": 3},
            {"$class": "MenuItem"}])"));
        ASSERT_TRUE(menu);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(menu->title(), "");
        ASSERT_EQ(menu->numberOfItems(), 1);
        const Ref<MenuItem> item = menu->itemAtIndex(0);
        EXPECT_EQ(item->title(), "");
        EXPECT_EQ(item->state(), OnState); // clamped
        EXPECT_FALSE(item->submenu());
        EXPECT_TRUE(item->action().isNull());
        EXPECT_FALSE(item->target());
    }
}

TEST(MenuCoding, AnInterfaceFileConnectsAMenuItemsAction)
{
    const QByteArray data = R"({"$archiver": "KeyedArchiver", "$version": 1,
        "$top": {"objects": [{"$ref": 0}],
                 "actions": [{"source": {"$ref": 1}, "selector": "itemAct", "target": {"$placeholder": "File's Owner"}}]},
        "$objects": [{"$class": "Menu", "kit.title": "File", "kit.items": [{"$ref": 1}]},
                     {"$class": "MenuItem", "kit.title": "Open"}]})";
    auto owner = make<test::RecordingTarget>(QStringList { "itemAct" });
    Array objects;
    QString error;
    ASSERT_TRUE(NibLoader::loadInterfaceData(data, "File", owner.get(), &objects, &error)) << error.toStdString();
    const auto menu = objects[0].objectAs<Menu>();
    ASSERT_TRUE(menu && menu->numberOfItems() == 1);
    const Ref<MenuItem> item = menu->itemAtIndex(0);
    EXPECT_EQ(item->target().get(), owner.get());
    EXPECT_TRUE(Menu::sendItemAction(*item));
    ASSERT_EQ(owner->calls.size(), 1u);
    EXPECT_EQ(owner->calls[0].sender, item.get());
}
