#include "gallery/pages/ScopeBarPage.h"

#include "gallery/pages/GallerySwatch.h"

#include "SRScopeBar/SRScopeBar.h"

#include "kit/controls/Button.h"
#include "kit/controls/TextField.h"
#include "kit/core/ArrayController.h"
#include "kit/core/Binding.h"
#include "kit/core/NotificationCenter.h"

using kit::MakeRect;
using kit::Ref;
using kit::Value;

namespace {

QString scopeBarPageIndexes(const kit::IndexSet& indexes)
{
    QStringList parts;
    for (std::int64_t i : indexes)
        parts << QString::number(i);
    return QStringLiteral("{") + parts.join(QStringLiteral(", ")) + QStringLiteral("}");
}

// Feeds the "Kind", "Size" and "Source" groups, keeps "Size" collapsed and shows every selection
// change in the caption. It lives as long as the page (the page's views hold it).
class ScopeBarPageModel : public kit::Object, public SRScopeBarDataSource, public SRScopeBarDelegate {
    KIT_CLASS(ScopeBarPageModel)
public:
    std::vector<QStringList> values {
        { "All", "Images", "Documents", "Movies", "Music" },
        { "Any size", "Small", "Medium", "Large", "Huge" },
        { "This computer", "Shared", "Network", "Archive" },
    };
    Ref<kit::ArrayController> tags;
    kit::Weak<kit::TextField> caption;

    std::int64_t scopeBarNumberOfObjectsInScopeBarGroup(SRScopeBar* bar, std::int64_t group) override
    {
        const std::size_t slot = slotOf(bar, group);
        return slot < values.size() ? values[slot].size() : 0;
    }
    Value scopeBarValueForObjectInGroupAtIndex(SRScopeBar* bar, std::int64_t group, std::int64_t index) override
    {
        return Value(values.at(slotOf(bar, group)).at(index));
    }
    bool scopeBarShouldExpandGroup(SRScopeBar*, SRScopeBarGroup* group) override { return group->identifier() != QStringLiteral("Size"); }
    void scopeBarSelectionDidChange(kit::Notification* n) override
    {
        const auto caption = this->caption.lock();
        if (!caption)
            return;
        auto* bar = dynamic_cast<SRScopeBar*>(n->object().get());
        QString text = QStringLiteral("Last change: ");
        const QString identifier = n->userInfo().objectForKey(SRGroupIdentifierKey).stringValue();
        text += identifier.isEmpty() ? QStringLiteral("(no identifier)") : identifier;
        if (bar)
            if (const auto group = bar->groupWithIdentifier(identifier))
                text += QStringLiteral(" = ") + scopeBarPageIndexes(group->selectionIndexes());
        text += QStringLiteral("    Tags controller selection: ") + (tags ? scopeBarPageIndexes(tags->selectionIndexes()) : QString());
        caption->setStringValue(text);
    }

private:
    // The bound "Tags" group takes no data-source slot.
    std::size_t slotOf(SRScopeBar* bar, std::int64_t group) const
    {
        std::int64_t slot = 0;
        for (std::int64_t i = 0; i < group; ++i)
            if (!bar->groupAtIndex(i)->isBound())
                ++slot;
        return std::size_t(slot);
    }
};

KIT_REGISTER_CLASS(ScopeBarPageModel, kit::Object)
{
    c.optionalOperation("scopeBarShouldExpandGroup");
    c.optionalOperation("scopeBarSelectionDidChange");
}

// Keeps the page's model alive with its views.
class ScopeBarPageView : public kit::View {
    KIT_CLASS(ScopeBarPageView)
public:
    using kit::View::View;
    Ref<ScopeBarPageModel> model;
    std::vector<Ref<kit::Object>> keep;
};

KIT_REGISTER_CLASS(ScopeBarPageView, kit::View) { }

// Sends one action to a block.
class ScopeBarPageAction : public kit::Object {
    KIT_CLASS(ScopeBarPageAction)
public:
    std::function<void()> block;
    void run(kit::Object*)
    {
        if (block)
            block();
    }
};

KIT_REGISTER_CLASS(ScopeBarPageAction, kit::Object)
{
    c.action("run", &ScopeBarPageAction::run);
}

Ref<SRScopeBar> scopeBarPageBar(kit::Rect frame, ScopeBarPageModel* model)
{
    auto bar = kit::make<SRScopeBar>(frame);
    bar->setDataSource(model);
    bar->setDelegate(model);
    auto kind = bar->addGroup();
    kind->setIdentifier(QStringLiteral("Kind"));
    auto size = bar->addGroup();
    size->setIdentifier(QStringLiteral("Size"));
    size->setLabel(QStringLiteral("Size:"));
    auto tags = kit::make<SRScopeBarGroup>(QStringLiteral("Tags"), 1);
    tags->setLabel(QStringLiteral("Tags:"));
    bar->addGroup(tags.get());
    tags->bindToObjectWithKeyPathOptions(kit::ContentBinding, model->tags.get(), QStringLiteral("arrangedObjects"), {});
    auto source = bar->addGroup();
    source->setIdentifier(QStringLiteral("Source"));
    size->setCollapsed(true);
    bar->reloadData();
    return bar;
}

} // namespace

kit::Ref<kit::View> makeScopeBarPage(kit::Rect frame)
{
    auto page = kit::make<ScopeBarPageView>(frame);
    auto model = kit::make<ScopeBarPageModel>();
    page->model = model;
    model->tags = kit::make<kit::ArrayController>(kit::Array { Value("Work"), Value("Family"), Value("Travel"), Value("Urgent") });
    const double w = frame.size.width;
    const double h = frame.size.height;

    // Across the top, following the window's width.
    // Three bars of the same groups: each is named for what it shows here, not by its groups.
    auto bar = scopeBarPageBar(MakeRect(0, h - 25, w, 25), model.get());
    bar->setToolTip(QStringLiteral("Filter bar, full width"));
    bar->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
    auto accessory = kit::make<kit::Button>(MakeRect(0, 0, 60, 18));
    accessory->setTitle(QStringLiteral("Save"));
    accessory->setControlSize(kit::SmallControlSize);
    bar->setAccessoryView(accessory.get());
    page->addSubview(bar.get());

    auto caption = galleryLabel(MakeRect(12, h - 60, w - 24, 20), QStringLiteral("Choose in the bar above; the last selection change shows here."));
    caption->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
    model->caption = caption.get();
    galleryMarkStatusLine(caption->accessibilityElement());
    page->addSubview(caption.get());

    // Buttons: reload, and auto-resizing on and off.
    auto reload = kit::make<ScopeBarPageAction>();
    reload->block = [weak = kit::Weak<SRScopeBar>(bar.get())] {
        if (const auto b = weak.lock())
            b->reloadData();
    };
    auto toggle = kit::make<ScopeBarPageAction>();
    toggle->block = [weak = kit::Weak<SRScopeBar>(bar.get())] {
        if (const auto b = weak.lock()) {
            b->setAutoResizesGroups(!b->autoResizesGroups());
            b->adjustSubviews();
        }
    };
    int x = 12;
    for (const auto& [title, action] : { std::pair { QStringLiteral("Reload data"), reload }, std::pair { QStringLiteral("Toggle auto-resizing"), toggle } }) {
        auto button = kit::make<kit::Button>(MakeRect(x, h - 100, 170, 28));
        button->setTitle(title);
        button->setTarget(action.get());
        button->setAction(kit::Selector("run"));
        button->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(button.get());
        x += 180;
    }
    // The buttons hold their targets weakly: the page keeps them.
    page->keep = { reload, toggle };

    // Two fixed-width copies: narrow enough to collapse, and narrower still to peel into the overflow.
    auto collapsedLabel = galleryLabel(MakeRect(12, h - 140, 400, 20), QStringLiteral("At 520 points the groups collapse from the right:"));
    collapsedLabel->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(collapsedLabel.get());
    auto collapsed = scopeBarPageBar(MakeRect(12, h - 170, 520, 25), model.get());
    collapsed->setToolTip(QStringLiteral("Filter bar at 520 points, collapsed groups"));
    collapsed->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(collapsed.get());

    auto overflowLabel = galleryLabel(MakeRect(12, h - 210, 400, 20), QStringLiteral("At 300 points buttons move into the overflow pull-down:"));
    overflowLabel->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(overflowLabel.get());
    auto overflow = scopeBarPageBar(MakeRect(12, h - 240, 300, 25), model.get());
    overflow->setToolTip(QStringLiteral("Filter bar at 300 points, with overflow"));
    overflow->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(overflow.get());
    return page;
}
