#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceListItem.h"

#include "kit/core/Exception.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace kit;

namespace {

using Item = JVLOutlineSourceListItem;

// Records the delegate calls in order, as "add <parent> <child> <index>" and so on.
class ItemTestDelegate : public Object, public JVLOutlineSourceListItemDelegate {
    KIT_CLASS(ItemTestDelegate)
    void outlineSourceListItemDidAddEntryAtIndex(Item* parent, Item* child, std::int64_t index) override
    {
        calls << QStringLiteral("add %1 %2 %3").arg(parent->title(), child->title()).arg(index);
        if (shared)
            *shared << calls.last();
    }
    void outlineSourceListItemDidRemoveEntryAtIndex(Item* parent, Item* child, std::int64_t index) override
    {
        calls << QStringLiteral("remove %1 %2 %3").arg(parent->title(), child->title()).arg(index);
        if (shared)
            *shared << calls.last();
    }
    void outlineSourceListItemAttributesChanged(Item* item) override { calls << QStringLiteral("title %1").arg(item->title()); }
    QStringList calls;
    // The calls of several delegates in one order, when set.
    QStringList* shared = nullptr;
};

class ItemTestFolder : public JVLOutlineSourceListItem {
    KIT_CLASS(ItemTestFolder)
};

Ref<Item> itemTestNamed(const char* title) { return Item::itemWithTitle(QString::fromUtf8(title)); }

QStringList itemTestTitles(const Array& items)
{
    QStringList titles;
    for (const Value& v : items)
        titles << v.objectAs<Item>()->title();
    return titles;
}

} // namespace

KIT_REGISTER_CLASS(ItemTestDelegate, kit::Object)
{
    c.optionalOperations({ "outlineSourceListItemDidAddEntryAtIndex", "outlineSourceListItemDidRemoveEntryAtIndex",
        "outlineSourceListItemAttributesChanged" });
}
KIT_REGISTER_CLASS(ItemTestFolder, JVLOutlineSourceListItem) { }

TEST(JVLOutlineSourceListItem, ANewItemHasNoBadgeNoChildrenAndZeroIsABadge)
{
    auto item = make<Item>();
    EXPECT_EQ(item->badgeValue(), -1);
    EXPECT_FALSE(item->hasBadge());
    EXPECT_FALSE(item->hasChildren());
    EXPECT_FALSE(item->hasChildrenArray());
    EXPECT_EQ(item->countOfChildren(), 0);
    EXPECT_FALSE(item->hasIcon());
    item->setBadgeValue(0);
    EXPECT_TRUE(item->hasBadge());
    item->childEnumerator();
    EXPECT_TRUE(item->hasChildrenArray());
    EXPECT_FALSE(item->hasChildren());
}

TEST(JVLOutlineSourceListItem, OnlyTheRootsDelegateHearsChangesAndNotificationsFollow)
{
    auto root = itemTestNamed("root");
    auto delegate = make<ItemTestDelegate>();
    auto ignored = make<ItemTestDelegate>();
    root->setDelegate(delegate.get());
    auto group = itemTestNamed("group");
    group->setDelegate(ignored.get());
    root->addChild(group.get());
    test::NotificationRecorder adds(JVLOutlineSourceListItemDidAddEntryNotification);
    auto a = itemTestNamed("a");
    auto b = itemTestNamed("b");
    group->addChild(a.get());
    group->insertChildAtIndex(b.get(), 0);
    a->setTitle("A");
    EXPECT_EQ(delegate->calls, (QStringList { "add root group 0", "add group a 0", "add group b 0", "title A" }));
    EXPECT_TRUE(ignored->calls.isEmpty());
    ASSERT_EQ(adds.notifications.size(), 2u);
    EXPECT_EQ(adds.notifications[0]->object().get(), a.get());
    EXPECT_EQ(adds.notifications[0]->userInfo().objectForKey(JVLOutlineSourceListItemParentKey).object().get(), group.get());
    EXPECT_EQ(itemTestTitles(Array { Value(group->childAtIndex(0)), Value(group->childAtIndex(1)) }), (QStringList { "b", "A" }));
}

TEST(JVLOutlineSourceListItem, TheNotificationComesAfterTheDelegateCall)
{
    auto root = itemTestNamed("root");
    auto delegate = make<ItemTestDelegate>();
    root->setDelegate(delegate.get());
    int callsWhenPosted = -1;
    auto token = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        JVLOutlineSourceListItemAttributesChangedEntryNotification, root.get(), nullptr,
        [&](Notification*) { callsWhenPosted = int(delegate->calls.size()); });
    root->setTitle("renamed");
    EXPECT_EQ(callsWhenPosted, 1);
    NotificationCenter::defaultCenter()->removeObserver(token.get());
}

TEST(JVLOutlineSourceListItem, SilentInsertionsTellNobody)
{
    auto root = itemTestNamed("root");
    auto delegate = make<ItemTestDelegate>();
    root->setDelegate(delegate.get());
    test::NotificationRecorder all(JVLOutlineSourceListItemDidAddEntryNotification);
    auto a = itemTestNamed("a");
    root->silentAddChild(a.get());
    root->silentInsertChildAtIndex(itemTestNamed("b").get(), 0);
    EXPECT_TRUE(delegate->calls.isEmpty());
    EXPECT_TRUE(all.notifications.empty());
    EXPECT_EQ(a->parent().get(), root.get());
    EXPECT_EQ(root->countOfChildren(), 2);
}

TEST(JVLOutlineSourceListItem, RemoveAllChildrenReportsEachAtIndexZero)
{
    auto root = itemTestNamed("root");
    auto delegate = make<ItemTestDelegate>();
    root->setDelegate(delegate.get());
    for (const char* t : { "a", "b", "c" })
        root->silentAddChild(itemTestNamed(t).get());
    test::NotificationRecorder removes(JVLOutlineSourceListItemDidRemoveEntryNotification);
    root->removeAllChildren();
    EXPECT_EQ(delegate->calls, (QStringList { "remove root a 0", "remove root b 0", "remove root c 0" }));
    ASSERT_EQ(removes.notifications.size(), 3u);
    for (const auto& n : removes.notifications)
        EXPECT_EQ(n->userInfo().objectForKey(JVLOutlineSourceListItemParentKey).object().get(), root.get());
    EXPECT_EQ(root->countOfChildren(), 0);
}

TEST(JVLOutlineSourceListItem, RemovingTheOwnChildrenListIsHarmless)
{
    auto root = itemTestNamed("root");
    for (const char* t : { "a", "b" })
        root->silentAddChild(itemTestNamed(t).get());
    root->removeChildren(root->children());
    EXPECT_EQ(root->countOfChildren(), 0);
}

TEST(JVLOutlineSourceListItem, BadIndexesAndStrangersRaiseRangeException)
{
    auto root = itemTestNamed("root");
    root->silentAddChild(itemTestNamed("a").get());
    auto stranger = itemTestNamed("stranger");
    const auto raisesRange = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const Exception& e) {
            return e.name() == RangeException;
        }
        return false;
    };
    EXPECT_TRUE(raisesRange([&] { root->childAtIndex(1); }));
    EXPECT_TRUE(raisesRange([&] { root->removeChildAtIndex(1); }));
    EXPECT_TRUE(raisesRange([&] { root->insertChildAtIndex(stranger.get(), 2); }));
    EXPECT_TRUE(raisesRange([&] { root->removeChild(stranger.get()); }));
    EXPECT_EQ(root->countOfChildren(), 1);
}

TEST(JVLOutlineSourceListItem, CyclesAreRefused)
{
    auto root = itemTestNamed("root");
    auto child = itemTestNamed("child");
    auto grandchild = itemTestNamed("grandchild");
    root->addChild(child.get());
    child->addChild(grandchild.get());
    for (const auto& attempt : std::vector<std::function<void()>> { [&] { grandchild->addChild(root.get()); },
             [&] { grandchild->insertChildAtIndex(child.get(), 0); }, [&] { child->silentAddChild(child.get()); },
             [&] { grandchild->silentInsertChildAtIndex(root.get(), 0); } }) {
        try {
            attempt();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.name(), InvalidArgumentException);
        }
    }
    EXPECT_EQ(grandchild->countOfChildren(), 0);
    EXPECT_EQ(child->countOfChildren(), 1);
    EXPECT_EQ(root->parent().get(), nullptr);
    EXPECT_EQ(grandchild->rootObject().get(), root.get());
}

TEST(JVLOutlineSourceListItem, CyclesAreRefusedWhenAChildChangesParent)
{
    // r holds x; y takes x, so r lets it go first and no loop can form through the children.
    auto r = itemTestNamed("r");
    auto x = itemTestNamed("x");
    auto y = itemTestNamed("y");
    QStringList order;
    auto rDelegate = make<ItemTestDelegate>();
    auto yDelegate = make<ItemTestDelegate>();
    rDelegate->shared = &order;
    yDelegate->shared = &order;
    r->setDelegate(rDelegate.get());
    y->setDelegate(yDelegate.get());
    r->addChild(x.get());
    order.clear();
    test::NotificationRecorder removes(JVLOutlineSourceListItemDidRemoveEntryNotification);
    y->addChild(x.get());
    EXPECT_EQ(order, (QStringList { "remove r x 0", "add y x 0" }));
    ASSERT_EQ(removes.notifications.size(), 1u);
    EXPECT_EQ(removes.notifications[0]->userInfo().objectForKey(JVLOutlineSourceListItemParentKey).object().get(), r.get());
    EXPECT_EQ(r->countOfChildren(), 0);
    EXPECT_EQ(x->parent().get(), y.get());

    x->addChild(r.get());
    EXPECT_EQ(r->parent().get(), x.get());
    y->setParentForTree();
    EXPECT_EQ(itemTestTitles(y->filteredFlatObjectTreeWithPredicateObjectClass(Predicate::keyNotNil("title"), Item::staticClass())),
        (QStringList { "x", "r" }));
    try {
        r->addChild(y.get());
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), InvalidArgumentException);
    }
    EXPECT_EQ(r->countOfChildren(), 0);
    EXPECT_EQ(y->parent().get(), nullptr);

    // A child removed earlier keeps its old parent, which no longer holds it: nothing to take out.
    x->removeChild(r.get());
    order.clear();
    y->addChild(r.get());
    EXPECT_EQ(order, (QStringList { "add y r 1" }));
    EXPECT_EQ(x->countOfChildren(), 0);
}

TEST(JVLOutlineSourceListItem, AChildAddedAgainToItsParentMoves)
{
    auto p = itemTestNamed("p");
    auto delegate = make<ItemTestDelegate>();
    p->setDelegate(delegate.get());
    auto a = itemTestNamed("a");
    auto b = itemTestNamed("b");
    auto c = itemTestNamed("c");
    for (const auto& item : { a, b, c })
        p->silentAddChild(item.get());
    const auto titles = [&] {
        QStringList t;
        for (const auto& child : p->children())
            t << child->title();
        return t;
    };
    struct Case {
        std::function<void()> move;
        QStringList children;
        QStringList calls;
    };
    // The index counts the children as they were, less one past the child's old place.
    const std::vector<Case> cases {
        { [&] { p->addChild(a.get()); }, { "b", "c", "a" }, { "remove p a 0", "add p a 2" } },
        { [&] { p->insertChildAtIndex(b.get(), 1); }, { "b", "c", "a" }, { "remove p b 0", "add p b 0" } },
        { [&] { p->insertChildAtIndex(b.get(), 0); }, { "b", "c", "a" }, { "remove p b 0", "add p b 0" } },
        { [&] { p->insertChildAtIndex(b.get(), 3); }, { "c", "a", "b" }, { "remove p b 0", "add p b 2" } },
        { [&] { p->insertChildAtIndex(b.get(), 0); }, { "b", "c", "a" }, { "remove p b 2", "add p b 0" } },
        { [&] { p->silentInsertChildAtIndex(a.get(), 0); }, { "a", "b", "c" }, {} },
        { [&] { p->silentAddChild(b.get()); }, { "a", "c", "b" }, {} },
    };
    test::NotificationRecorder adds(JVLOutlineSourceListItemDidAddEntryNotification);
    std::size_t told = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        delegate->calls.clear();
        cases[i].move();
        EXPECT_EQ(titles(), cases[i].children) << "case " << i;
        EXPECT_EQ(delegate->calls, cases[i].calls) << "case " << i;
        told += cases[i].calls.isEmpty() ? 0 : 1;
        EXPECT_EQ(adds.notifications.size(), told) << "case " << i;
    }
    // A refused insertion changes nothing, even for a child held elsewhere.
    auto q = itemTestNamed("q");
    q->silentAddChild(a.get());
    EXPECT_EQ(titles(), (QStringList { "c", "b" }));
    EXPECT_THROW(p->insertChildAtIndex(a.get(), 3), Exception);
    EXPECT_EQ(a->parent().get(), q.get());
    EXPECT_EQ(q->countOfChildren(), 1);
    EXPECT_EQ(delegate->calls, QStringList {});
}

TEST(JVLOutlineSourceListItem, ChildWithIdentifierAnswersTheLaterDuplicate)
{
    auto root = itemTestNamed("root");
    root->silentAddChild(Item::itemWithTitleAndIdentifier("first", "same").get());
    root->silentAddChild(Item::itemWithTitleAndIdentifier("other", "different").get());
    root->silentAddChild(Item::itemWithTitleAndIdentifier("second", "same").get());
    ASSERT_TRUE(root->childWithIdentifier("same"));
    EXPECT_EQ(root->childWithIdentifier("same")->title(), "second");
    EXPECT_FALSE(root->childWithIdentifier("SAME"));
    EXPECT_FALSE(root->childWithIdentifier("none"));
}

TEST(JVLOutlineSourceListItem, FlatteningListsOwnMatchesFirstThenEachSubtree)
{
    // root: a(folder: a1(folder), a2), b(folder: b1(folder))
    auto root = itemTestNamed("root");
    auto a = make<ItemTestFolder>();
    a->setTitle("a");
    auto a1 = make<ItemTestFolder>();
    a1->setTitle("a1");
    auto a2 = itemTestNamed("a2");
    auto b = make<ItemTestFolder>();
    b->setTitle("b");
    auto b1 = make<ItemTestFolder>();
    b1->setTitle("b1");
    root->addChild(a.get());
    root->addChild(b.get());
    a->addChild(a1.get());
    a->addChild(a2.get());
    b->addChild(b1.get());
    const Predicate any = Predicate::keyNotNil("title");
    EXPECT_EQ(itemTestTitles(root->filteredFlatObjectTreeWithPredicateObjectClass(any, ItemTestFolder::staticClass())),
        (QStringList { "a", "b", "a1", "b1" }));
    EXPECT_EQ(itemTestTitles(root->filteredFlatObjectTreeWithPredicateObjectClass(any, Item::staticClass())),
        (QStringList { "a", "b", "a1", "a2", "b1" }));
    EXPECT_EQ(itemTestTitles(root->filteredFlatObjectTreeWithPredicateObjectClass(Predicate::keyEquals("title", QStringLiteral("a2")),
                  Item::staticClass())),
        (QStringList { "a2" }));
}

TEST(JVLOutlineSourceListItem, MinimumNodeCoverDependsOnOrderAsSpecified)
{
    auto grandparent = itemTestNamed("grandparent");
    auto parent = itemTestNamed("parent");
    auto child = itemTestNamed("child");
    grandparent->addChild(parent.get());
    parent->addChild(child.get());
    struct Case {
        Array nodes;
        QStringList cover;
    };
    for (const Case& c : { Case { Array { Value(child), Value(grandparent) }, { "child", "grandparent" } },
             Case { Array { Value(grandparent), Value(child) }, { "grandparent" } }, Case { Array { Value(child), Value(parent) }, { "parent" } },
             Case { Array {}, {} } })
        EXPECT_EQ(itemTestTitles(Item::minimumNodeCoverFromNodesInArray(c.nodes)), c.cover) << c.nodes.description().toStdString();
}

TEST(JVLOutlineSourceListItem, AncestryAndARemovedChildsParent)
{
    auto child = itemTestNamed("child");
    {
        auto parent = itemTestNamed("parent");
        parent->addChild(child.get());
        EXPECT_TRUE(child->isDescendantOfNode(child.get()));
        EXPECT_TRUE(child->isDescendantOfNode(parent.get()));
        EXPECT_FALSE(parent->isDescendantOfNode(child.get()));
        EXPECT_TRUE(child->isDescendantOfNodeInArray(Array { Value(QStringLiteral("x")), Value(parent) }));
        parent->removeChild(child.get());
        EXPECT_EQ(child->parent().get(), parent.get());
    }
    EXPECT_FALSE(child->parent());
    EXPECT_EQ(child->rootObject().get(), child.get());
}

TEST(JVLOutlineSourceListItem, ArchivesTheTreeAndTheOwnerRepairsParents)
{
    auto root = Item::itemWithTitleAndIdentifier("root", "r");
    root->setBadgeValue(7);
    auto group = itemTestNamed("group");
    group->setIcon(Image::imageWithSize(MakeSize(16, 16)));
    auto leaf = Item::itemWithTitleAndIdentifier("leaf", "l");
    root->addChild(group.get());
    group->addChild(leaf.get());

    test::NotificationRecorder titles(JVLOutlineSourceListItemAttributesChangedEntryNotification);
    QString error;
    Ref<Object> decoded = KeyedUnarchiver::unarchivedObjectOfClass(
        Item::staticClass(), KeyedArchiver::archivedDataWithRootObject(Value(root)), &error);
    auto back = dynamic_pointer_cast<Item>(decoded);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(titles.notifications.size(), 3u);
    EXPECT_EQ(back->title(), "root");
    EXPECT_EQ(back->identifier(), "r");
    EXPECT_EQ(back->badgeValue(), 7);
    ASSERT_EQ(back->countOfChildren(), 1);
    Ref<Item> backGroup = back->childAtIndex(0);
    EXPECT_EQ(backGroup->title(), "group");
    EXPECT_EQ(backGroup->badgeValue(), -1);
    ASSERT_TRUE(backGroup->icon());
    EXPECT_EQ(backGroup->icon()->size(), MakeSize(16, 16));
    ASSERT_EQ(backGroup->countOfChildren(), 1);
    Ref<Item> backLeaf = backGroup->childAtIndex(0);
    EXPECT_EQ(backLeaf->identifier(), "l");
    EXPECT_FALSE(backLeaf->parent());
    back->setParentForTree();
    EXPECT_EQ(backLeaf->parent().get(), backGroup.get());
    EXPECT_EQ(backLeaf->rootObject().get(), back.get());
}

TEST(JVLOutlineSourceListItem, AnArchiveWithoutBadgeValueGivesABadgeOfZero)
{
    auto item = itemTestNamed("x");
    QJsonDocument archive = QJsonDocument::fromJson(KeyedArchiver::archivedDataWithRootObject(Value(item)));
    const QByteArray text = archive.toJson(QJsonDocument::Compact);
    ASSERT_TRUE(text.contains("\"badgeValue\"")) << text.toStdString();
    QByteArray stripped = text;
    stripped.replace("\"badgeValue\":-1,", "").replace(",\"badgeValue\":-1", "");
    ASSERT_FALSE(stripped.contains("badgeValue")) << stripped.toStdString();
    QString error;
    auto back = dynamic_pointer_cast<Item>(KeyedUnarchiver::unarchivedObjectOfClass(Item::staticClass(), stripped, &error));
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->badgeValue(), 0);
    EXPECT_TRUE(back->hasBadge());
}

TEST(JVLOutlineSourceListItem, AnUntrustedArchiveWhoseChildrenAreNoItemsFails)
{
    auto item = itemTestNamed("x");
    const QByteArray good = KeyedArchiver::archivedDataWithRootObject(Value(item));
    // The same archive with a string where the children go.
    QJsonObject archive = QJsonDocument::fromJson(good).object();
    QString error;
    bool patched = false;
    QJsonArray objects = archive.value("$objects").toArray();
    for (int i = 0; i < objects.size(); ++i) {
        QJsonObject o = objects[i].toObject();
        if (o.contains("title")) {
            o.insert("children", QJsonArray { QStringLiteral("not an item") });
            objects[i] = o;
            patched = true;
        }
    }
    if (!patched)
        GTEST_SKIP() << "archive layout unknown: " << good.toStdString();
    archive.insert("$objects", objects);
    Ref<Object> back = KeyedUnarchiver::unarchivedObjectOfClass(Item::staticClass(), QJsonDocument(archive).toJson(), &error);
    EXPECT_FALSE(back);
    EXPECT_FALSE(error.isEmpty());
}

TEST(JVLOutlineSourceListItem, CopiesHaveNoChildrenNoParentButTheSameDelegate)
{
    auto parent = itemTestNamed("parent");
    auto item = Item::itemWithTitleAndIdentifier("item", "id");
    auto delegate = make<ItemTestDelegate>();
    item->setDelegate(delegate.get());
    item->setBadgeValue(3);
    auto icon = Image::imageWithSize(MakeSize(8, 8));
    item->setIcon(icon);
    parent->addChild(item.get());
    item->addChild(itemTestNamed("child").get());
    delegate->calls.clear();
    test::NotificationRecorder titles(JVLOutlineSourceListItemAttributesChangedEntryNotification);
    auto copy = dynamic_pointer_cast<Item>(item->copy());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), item.get());
    EXPECT_EQ(copy->title(), "item");
    EXPECT_EQ(copy->identifier(), "id");
    EXPECT_EQ(copy->badgeValue(), 3);
    EXPECT_EQ(copy->icon().get(), icon.get());
    EXPECT_EQ(copy->delegate().get(), delegate.get());
    EXPECT_FALSE(copy->parent());
    EXPECT_EQ(copy->countOfChildren(), 0);
    EXPECT_FALSE(copy->hasChildrenArray());
    ASSERT_EQ(titles.notifications.size(), 1u);
    EXPECT_EQ(titles.notifications[0]->object().get(), copy.get());
}
