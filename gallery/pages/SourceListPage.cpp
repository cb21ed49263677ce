#include "gallery/pages/SourceListPage.h"

#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceList.h"
#include "JVLAppKit/JVLOutlineSourceList/JVLOutlineSourceListItem.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"

using kit::MakeRect;
using kit::Ref;
using kit::Value;

namespace {

using SourceItem = JVLOutlineSourceListItem;

const QString sourcePageDragType = QStringLiteral("GallerySourceListRows");

// The page's owner of the list: data source and delegate over an item tree, context menu,
// deletion through the notification and reordering within a group.
class SourcePageController : public kit::Object, public JVLOutlineSourceListDataSource, public JVLOutlineSourceListDelegate {
    KIT_CLASS(SourcePageController)
public:
    Ref<SourceItem> root = kit::make<SourceItem>();
    kit::Weak<JVLOutlineSourceList> list;
    kit::Weak<GallerySwatch> caption;
    kit::Weak<GallerySwatch> status;
    Ref<SourceItem> dragged;
    QString selectedTitle;
    QString lastNotification;

    static Ref<SourceItem> itemOf(const Value& item, const Ref<SourceItem>& root) { return item.isNil() ? root : item.objectAs<SourceItem>(); }

    // The selection is shown, not announced: a reader hears the row it moved to.
    void showCaption()
    {
        if (const Ref<GallerySwatch> c = caption.lock())
            c->setTitle(QStringLiteral("Selected: %1").arg(selectedTitle.isEmpty() ? QStringLiteral("nothing") : selectedTitle));
        if (const Ref<GallerySwatch> s = status.lock(); s && !lastNotification.isEmpty())
            s->setTitle(QStringLiteral("Last: ") + lastNotification);
    }
    // What happened, in words for a person (the notification's name is for programs).
    static QString wordsFor(const kit::Notification& n, const QString& itemTitle)
    {
        if (n.name() == JVLOutlineSourceListItemDidExpandNotification)
            return itemTitle + QStringLiteral(" expanded");
        if (n.name() == JVLOutlineSourceListItemDidCollapseNotification)
            return itemTitle + QStringLiteral(" collapsed");
        if (n.name() == JVLOutlineSourceListDeleteKeyPressedOnRowsNotification) {
            const std::int64_t rows = n.userInfo().objectForKey(JVLOutlineSourceListRowsKey).indexSet().count();
            return rows == 1 ? QStringLiteral("Delete pressed on one row") : QStringLiteral("Delete pressed on %1 rows").arg(rows);
        }
        return {};
    }
    void heard(kit::Notification* n)
    {
        QString itemTitle;
        for (const auto& [key, value] : n->userInfo())
            if (const Ref<SourceItem> item = value.objectAs<SourceItem>())
                itemTitle = item->title();
        if (const QString words = wordsFor(*n, itemTitle); !words.isEmpty())
            lastNotification = words;
        if (const Ref<JVLOutlineSourceList> l = list.lock()) {
            const Ref<SourceItem> item = l->itemAtRow(l->selectedRow()).objectAs<SourceItem>();
            selectedTitle = item ? item->title() : QString();
        }
        showCaption();
    }

    // Data source.
    std::int64_t sourceListNumberOfChildrenOfItem(JVLOutlineSourceList*, const Value& item) override { return itemOf(item, root)->countOfChildren(); }
    Value sourceListChildOfItem(JVLOutlineSourceList*, std::int64_t index, const Value& item) override { return Value(itemOf(item, root)->childAtIndex(index)); }
    Value sourceListObjectValueForItem(JVLOutlineSourceList*, const Value& item) override { return itemOf(item, root)->title(); }
    bool sourceListIsItemExpandable(JVLOutlineSourceList*, const Value& item) override { return itemOf(item, root)->hasChildren(); }
    void sourceListSetObjectValueForItem(JVLOutlineSourceList*, const Value& value, const Value& item) override
    {
        itemOf(item, root)->setTitle(value.stringValue());
    }
    bool sourceListItemHasBadge(JVLOutlineSourceList*, const Value& item) override { return itemOf(item, root)->hasBadge(); }
    std::int64_t sourceListBadgeValueForItem(JVLOutlineSourceList*, const Value& item) override { return itemOf(item, root)->badgeValue(); }
    bool sourceListItemHasIcon(JVLOutlineSourceList*, const Value& item) override { return itemOf(item, root)->hasIcon(); }
    Ref<kit::Image> sourceListIconForItem(JVLOutlineSourceList*, const Value& item) override { return itemOf(item, root)->icon(); }
    bool sourceListWriteItemsToPasteboard(JVLOutlineSourceList*, const kit::Array& items, kit::Pasteboard* pasteboard) override
    {
        dragged = items.count() == 1 ? items[0].objectAs<SourceItem>() : nullptr;
        if (!dragged)
            return false;
        pasteboard->declareTypesOwner({ sourcePageDragType }, nullptr);
        pasteboard->setDataForType(dragged->title().toUtf8(), sourcePageDragType);
        return true;
    }
    // Only between the siblings of the dragged item.
    std::uint64_t sourceListValidateDropProposedItemProposedChildIndex(
        JVLOutlineSourceList*, kit::DraggingInfo&, const Value& item, std::int64_t index) override
    {
        return dragged && index >= 0 && item.objectAs<SourceItem>() == dragged->parent() ? kit::DragOperationMove : kit::DragOperationNone;
    }
    bool sourceListAcceptDropItemChildIndex(JVLOutlineSourceList* l, kit::DraggingInfo&, const Value& item, std::int64_t index) override
    {
        const Ref<SourceItem> parent = item.objectAs<SourceItem>();
        if (!dragged || parent != dragged->parent())
            return false;
        const Ref<SourceItem> moving = dragged;
        const std::int64_t from = parent->indexOfChild(moving.get());
        parent->removeChildAtIndex(from);
        parent->insertChildAtIndex(moving.get(), from < index ? index - 1 : index);
        l->reloadData();
        l->selectRowIndexesByExtendingSelection(kit::IndexSet(l->rowForItem(Value(moving))), false);
        return true;
    }
    void sourceListDraggingEnded(JVLOutlineSourceList*, kit::DraggingInfo&) override { dragged = nullptr; }

    // Delegate.
    bool sourceListIsGroupAlwaysExpanded(JVLOutlineSourceList*, const Value& item) override
    {
        return item.objectAs<SourceItem>() && item.objectAs<SourceItem>()->identifier() == QLatin1String("folders");
    }
    Ref<kit::Menu> sourceListMenuForEventItem(JVLOutlineSourceList* l, const kit::Event&, const Value& item) override
    {
        const Ref<SourceItem> node = item.objectAs<SourceItem>();
        if (!node || l->isGroupItem(item))
            return nullptr;
        auto menu = kit::make<kit::Menu>();
        for (const char* title : { "Rename", "Remove" }) {
            const Ref<kit::MenuItem> entry = menu->addItemWithTitleActionKeyEquivalent(QString::fromUtf8(title), kit::Selector(title[2] == 'n' ? "renameItem" : "removeItem"), QString());
            entry->setTarget(this);
            entry->setRepresentedObject(item);
        }
        return menu;
    }
    void sourceListSelectionDidChange(kit::Notification* n) override { heard(n); }
    void sourceListItemDidExpand(kit::Notification* n) override { heard(n); }
    void sourceListItemDidCollapse(kit::Notification* n) override { heard(n); }
    void sourceListDeleteKeyPressedOnRows(kit::Notification* n) override
    {
        heard(n);
        const Ref<JVLOutlineSourceList> l = list.lock();
        if (!l)
            return;
        kit::Array items;
        for (std::int64_t row : n->userInfo().objectForKey(JVLOutlineSourceListRowsKey).indexSet())
            items.addObject(l->itemAtRow(row));
        for (const Value& v : SourceItem::minimumNodeCoverFromNodesInArray(items))
            if (const Ref<SourceItem> node = v.objectAs<SourceItem>(); node && node->parent())
                node->parent()->removeChild(node.get());
        l->reloadData();
    }

    // Menu actions.
    void renameItem(kit::Object* sender)
    {
        const auto* entry = dynamic_cast<kit::MenuItem*>(sender);
        const Ref<JVLOutlineSourceList> l = list.lock();
        if (entry && l)
            l->editColumnRowWithEventSelect(0, l->rowForItem(entry->representedObject()), nullptr, true);
    }
    void removeItem(kit::Object* sender)
    {
        const auto* entry = dynamic_cast<kit::MenuItem*>(sender);
        const Ref<SourceItem> node = entry ? entry->representedObject().objectAs<SourceItem>() : nullptr;
        if (node && node->parent())
            node->parent()->removeChild(node.get());
        if (const Ref<JVLOutlineSourceList> l = list.lock())
            l->reloadData();
    }
    void reloadFromArchive(kit::Object*)
    {
        QString error;
        const Ref<SourceItem> decoded = kit::dynamic_pointer_cast<SourceItem>(
            kit::KeyedUnarchiver::unarchivedObjectOfClass(SourceItem::staticClass(), kit::KeyedArchiver::archivedDataWithRootObject(Value(root)), &error));
        if (!decoded)
            return;
        decoded->setParentForTree();
        root = decoded;
        if (const Ref<JVLOutlineSourceList> l = list.lock()) {
            l->reloadData();
            l->selectRowIndexesByExtendingSelection(kit::IndexSet(2), false);
        }
        lastNotification = QStringLiteral("reloaded from a decoded archive");
        showCaption();
    }

    void buildTree()
    {
        const Ref<kit::Image> folder = kit::Image::imageWithContentsOfFile(QStringLiteral(":/Gallery/Resources/SourceFolder.svg"));
        const Ref<kit::Image> tag = kit::Image::imageWithContentsOfFile(QStringLiteral(":/Gallery/Resources/SourceTag.svg"));
        const Ref<kit::Image> recent = kit::Image::imageWithContentsOfFile(QStringLiteral(":/Gallery/Resources/SourceRecent.svg"));
        struct Group {
            const char* title;
            const char* identifier;
            Ref<kit::Image> icon;
            std::vector<std::pair<const char*, int>> items;
        };
        const Group groups[] = {
            { "FOLDERS", "folders", folder, { { "Documents", 12 }, { "Pictures", 248 }, { "Music", -1 }, { "Projects", 3 } } },
            { "TAGS", "tags", tag, { { "Important", 5 }, { "Travel", -1 }, { "Receipts", 41 } } },
            { "RECENT", "recent", recent, { { "Yesterday", -1 }, { "Last week", 17 } } },
        };
        for (const Group& g : groups) {
            const Ref<SourceItem> group = SourceItem::itemWithTitleAndIdentifier(QString::fromUtf8(g.title), QString::fromUtf8(g.identifier));
            root->addChild(group.get());
            for (const auto& [title, badge] : g.items) {
                const Ref<SourceItem> item = SourceItem::itemWithTitle(QString::fromUtf8(title));
                item->setIcon(g.icon);
                item->setBadgeValue(badge);
                group->addChild(item.get());
            }
        }
    }
};

} // namespace

KIT_REGISTER_CLASS(SourcePageController, kit::Object)
{
    c.action("renameItem", &SourcePageController::renameItem);
    c.action("removeItem", &SourcePageController::removeItem);
    c.action("reloadFromArchive", &SourcePageController::reloadFromArchive);
    c.optionalOperations({ "sourceListSetObjectValueForItem", "sourceListItemHasBadge", "sourceListBadgeValueForItem", "sourceListItemHasIcon",
        "sourceListIconForItem", "sourceListWriteItemsToPasteboard", "sourceListValidateDropProposedItemProposedChildIndex",
        "sourceListAcceptDropItemChildIndex", "sourceListDraggingEnded", "sourceListIsGroupAlwaysExpanded", "sourceListMenuForEventItem",
        "sourceListSelectionDidChange", "sourceListItemDidExpand", "sourceListItemDidCollapse", "sourceListDeleteKeyPressedOnRows" });
}

namespace {

// Keeps the controller alive as long as the page, and gives the list the focus once shown, unless
// another view has it (the page list, while the arrows walk the pages).
class SourcePageView : public GallerySwatch {
public:
    using GallerySwatch::GallerySwatch;
    Ref<SourcePageController> controller;
    kit::Weak<JVLOutlineSourceList> list;
    void viewDidMoveToWindow() override
    {
        GallerySwatch::viewDidMoveToWindow();
        const Ref<kit::Window> w = window();
        const Ref<JVLOutlineSourceList> l = list.lock();
        if (w && l && !dynamic_cast<kit::View*>(w->firstResponder().get()))
            w->makeFirstResponder(l.get());
    }
};

} // namespace

kit::Ref<kit::View> makeSourceListPage(kit::Rect frame)
{
    auto page = kit::make<SourcePageView>(frame, QColor(250, 250, 250), QString());
    auto controller = kit::make<SourcePageController>();
    page->controller = controller;
    controller->buildTree();

    const double height = frame.size.height - 40;
    auto scroll = kit::make<kit::ScrollView>(MakeRect(20, 20, 240, height));
    scroll->setAutoresizingMask(kit::ViewHeightSizable);
    auto list = kit::make<JVLOutlineSourceList>(MakeRect(0, 0, 240, height));
    auto column = kit::make<kit::TableColumn>(Value(QStringLiteral("title")));
    column->setWidth(236);
    column->setEditable(true);
    list->addTableColumn(column);
    list->setOutlineTableColumn(column.get());
    list->setRowHeight(20);
    list->setAllowsEmptySelection(false);
    list->setToolTip(QStringLiteral("Sources"));
    list->registerForDraggedTypes({ sourcePageDragType });
    scroll->setDocumentView(list.get());
    page->addSubview(scroll.get());
    controller->list = list.get();
    page->list = list.get();

    auto caption = kit::make<GallerySwatch>(MakeRect(290, height - 20, 520, 40), QColor(238, 241, 246), QString());
    caption->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(caption.get());
    controller->caption = caption.get();
    auto status = kit::make<GallerySwatch>(MakeRect(290, height - 60, 520, 40), QColor(238, 241, 246),
        QStringLiteral("Last: nothing yet (expand, collapse, Delete, rename)"));
    status->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(status.get());
    controller->status = status.get();
    galleryMarkStatusLine(kit::Value(status));
    auto reload = kit::make<GalleryPushButton>(MakeRect(290, height - 110, 220, 28), QStringLiteral("Reload from an archive"),
        [weak = kit::Weak<SourcePageController>(controller)] {
            if (const Ref<SourcePageController> c = weak.lock())
                c->reloadFromArchive(nullptr);
        });
    reload->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(reload.get());

    list->setDelegate(controller.get());
    list->setDataSource(controller.get());
    list->expandItemExpandChildren(Value(), true);
    // "Pictures" with its badge, selected.
    list->selectRowIndexesByExtendingSelection(kit::IndexSet(2), false);
    controller->showCaption();
    return page;
}
