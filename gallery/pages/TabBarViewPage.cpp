#include "gallery/pages/TabBarViewPage.h"

#include "QVTabBarView/QVTabBarItem.h"
#include "QVTabBarView/QVTabBarView.h"
#include "gallery/pages/GallerySwatch.h"
#include "gallery/pages/TabBarPage.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/controls/PopUpButton.h"
#include "kit/graphics/Color.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

using kit::MakeRect;
using kit::Ref;

namespace {

// A bar's name for a screen reader: what it is on the page.
void galleryNameBar(kit::View* bar, const QString& name)
{
    kit::AccessibilitySetOverrideValueForAttribute(kit::Value(Ref<kit::Object>(bar)), kit::Value(name), kit::AccessibilityTitleAttribute);
}

// A document a tab stands for: what its button shows.
class GalleryBarDocument : public kit::Object, public QVTabBarItem {
    KIT_CLASS(GalleryBarDocument)
public:
    QString title() const override { return title_; }
    void setTitle(const QString& title) override { setValueNotifying("title", title_, title); }
    Ref<kit::Image> icon() const override { return icon_; }
    void setIcon(Ref<kit::Image> icon) override { setValueNotifying("icon", icon_, std::move(icon)); }
    std::int64_t objectCount() const override { return count_; }
    void setObjectCount(std::int64_t count) override { setValueNotifying("objectCount", count_, count); }
    bool isProcessing() const override { return processing_; }
    void setIsProcessing(bool flag) override { setValueNotifying("isProcessing", processing_, flag); }
    bool isEdited() const override { return edited_; }
    void setIsEdited(bool flag) override { setValueNotifying("isEdited", edited_, flag); }
    bool hasCloseButton() const override { return true; }

private:
    QString title_;
    Ref<kit::Image> icon_;
    std::int64_t count_ = 0;
    bool processing_ = false;
    bool edited_ = false;
};

// Adds "Untitled n" when the add button is pressed, lets tabs leave their bars, and makes a
// window for a tab torn off outside every bar (closed when its last tab leaves).
class GalleryBarDelegate : public kit::Object, public QVTabBarViewDelegate {
    KIT_CLASS(GalleryBarDelegate)
public:
    std::function<void(kit::TabView*)> add;
    void addNewTabToTabView(kit::TabView* tabView) override
    {
        if (add)
            add(tabView);
    }
    bool tabViewShouldAllowTabViewItemToLeaveTabBarView(kit::TabView*, kit::TabViewItem*, QVTabBarView*) override { return true; }
    Ref<QVTabBarView> tabViewNewTabBarViewForDraggedTabViewItemAtPoint(kit::TabView*, kit::TabViewItem*, kit::Point point) override
    {
        // A tab let go on a style sample's strip goes back: the samples take no tab. Where the
        // pointer is: the point given is the dragged picture's corner.
        if (galleryPointIsOnAnyOf(samples, kit::Event::mouseLocation()))
            return nullptr;
        // On the screen, however near its edge the tab was let go.
        auto window = kit::make<kit::Window>(kit::FrameMovedOnScreen(MakeRect(point.x, point.y - 240, 420, 240)), kit::TitledWindowMask | kit::ClosableWindowMask);
        window->setTitle(QStringLiteral("Torn-off tabs"));
        auto tabView = kit::make<kit::TabView>(MakeRect(0, 0, 420, 218));
        tabView->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        auto bar = kit::make<QVTabBarView>(MakeRect(0, 218, 420, 22));
        bar->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
        window->contentView()->addSubview(tabView.get());
        window->contentView()->addSubview(bar.get());
        tabView->setDelegate(bar.get());
        bar->setTabView(tabView);
        bar->setDelegate(this);
        galleryNameBar(bar.get(), QStringLiteral("Torn-off tabs"));
        tornOff_.push_back(window);
        galleryKeepTornOffWindow(window, Ref<kit::Object>(this));
        return bar;
    }
    void tabViewCloseWindowForLastTabViewItem(kit::TabView* tabView, kit::TabViewItem*) override
    {
        // Only windows this page made: never the gallery's own.
        const Ref<kit::Window> window = tabView ? tabView->window() : nullptr;
        auto it = std::find(tornOff_.begin(), tornOff_.end(), window);
        if (it == tornOff_.end())
            return;
        tornOff_.erase(it);
        window->close();
    }
    // The strips under the style samples, where no tab is let go.
    std::vector<kit::Weak<kit::View>> samples;

private:
    std::vector<Ref<kit::Window>> tornOff_;
};

// A style sample's delegate: the sample is a picture, not a place, so it takes no tab, not even
// one of its own moved along it, and lets none of its own go.
class GallerySampleBarDelegate : public kit::Object, public QVTabBarViewDelegate {
    KIT_CLASS(GallerySampleBarDelegate)
public:
    std::uint64_t tabViewValidateDropProposedItemProposedIndexInTabBarView(
        kit::TabView*, kit::DraggingInfo&, kit::TabViewItem*, std::uint64_t, QVTabBarView*) override
    {
        return kit::DragOperationNone;
    }
};

// A pop-up that hands the chosen title to a function.
class GalleryStylePopUp : public kit::PopUpButton {
    KIT_CLASS(GalleryStylePopUp)
public:
    explicit GalleryStylePopUp(kit::Rect frame = {})
        : kit::PopUpButton(frame)
    {
        setTarget(this);
        setAction("perform");
    }
    void perform(kit::Object*)
    {
        if (changed)
            changed(titleOfSelectedItem());
    }
    std::function<void(const QString&)> changed;
    Ref<kit::Object> owned, ownedToo;
};

Ref<kit::Image> galleryBarIcon() { return QVTabBarView::bundleImage(QStringLiteral("pi")); }

} // namespace

KIT_REGISTER_CLASS(GalleryBarDocument, kit::Object)
{
    c.property("title", &GalleryBarDocument::title, &GalleryBarDocument::setTitle);
    c.property(
        "icon", [](const GalleryBarDocument& x) { return kit::Value(x.icon()); },
        [](GalleryBarDocument& x, const kit::Value& v) { x.setIcon(v.objectAs<kit::Image>()); });
    c.property("objectCount", &GalleryBarDocument::objectCount, &GalleryBarDocument::setObjectCount);
    c.property("isProcessing", &GalleryBarDocument::isProcessing, &GalleryBarDocument::setIsProcessing);
    c.property("isEdited", &GalleryBarDocument::isEdited, &GalleryBarDocument::setIsEdited);
    c.property("hasCloseButton", &GalleryBarDocument::hasCloseButton);
    c.optionalOperations({ "title", "icon", "objectCount", "isProcessing", "isEdited", "hasCloseButton" });
}

KIT_REGISTER_CLASS(GalleryStylePopUp, kit::PopUpButton) { c.action("perform", &GalleryStylePopUp::perform); }

KIT_REGISTER_CLASS(GallerySampleBarDelegate, kit::Object) { c.optionalOperations({ "tabViewValidateDropProposedItemProposedIndexInTabBarView" }); }

KIT_REGISTER_CLASS(GalleryBarDelegate, kit::Object)
{
    c.optionalOperations({ "addNewTabToTabView", "tabViewShouldAllowTabViewItemToLeaveTabBarView", "tabViewNewTabBarViewForDraggedTabViewItemAtPoint",
        "tabViewCloseWindowForLastTabViewItem" });
}

kit::Ref<kit::View> makeTabBarViewPage(kit::Rect frame)
{
    auto page = kit::make<GallerySwatch>(frame, QColor(236, 236, 236), QString());
    const double width = frame.size.width - 40;
    const double top = frame.size.height - 20;

    auto tabView = kit::make<kit::TabView>(MakeRect(20, top - 22 - 180, width, 180));
    tabView->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
    auto bar = kit::make<QVTabBarView>(MakeRect(20, top - 22, width, 22));
    bar->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
    bar->setShowAddTabButton(true);
    bar->setPartnerView(tabView);
    page->addSubview(tabView.get());
    page->addSubview(bar.get());

    auto counter = std::make_shared<int>(0);
    auto addDocument = [counter](kit::TabView* into, const QString& title, std::int64_t count, bool edited, bool busy) {
        auto document = kit::make<GalleryBarDocument>();
        document->setTitle(title.isEmpty() ? QStringLiteral("Untitled %1").arg(++*counter) : title);
        document->setObjectCount(count);
        document->setIsEdited(edited);
        document->setIsProcessing(busy);
        if (count > 0)
            document->setIcon(galleryBarIcon());
        auto item = kit::make<kit::TabViewItem>(kit::Value(Ref<kit::Object>(document)));
        item->setLabel(document->title());
        auto content = kit::make<GallerySwatch>(into->bounds(), QColor(250, 250, 250), document->title());
        content->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        item->setView(content);
        into->addTabViewItem(item);
        into->selectTabViewItem(item.get());
    };
    static const char* const titles[] = { "Notes", "Letters", "Accounts", "Drafts", "Photos", "Music", "Recipes", "Archive" };
    for (int i = 0; i < 8; ++i)
        addDocument(tabView.get(), QString::fromLatin1(titles[i]), i == 2 ? 12 : 0, i == 3, i == 4);
    tabView->selectTabViewItemAtIndex(0);
    auto delegate = kit::make<GalleryBarDelegate>();
    delegate->add = [addDocument](kit::TabView* into) { addDocument(into, QString(), 0, false, false); };
    tabView->setDelegate(bar.get());
    bar->setTabView(tabView);
    bar->setDelegate(delegate.get());
    galleryNameBar(bar.get(), QStringLiteral("Documents"));

    auto sideTabs = kit::make<kit::TabView>(MakeRect(160, top - 330, width - 450, 110));
    sideTabs->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
    auto side = kit::make<QVTabBarView>(MakeRect(20, top - 330, 130, 110));
    side->setAutoresizingMask(kit::ViewMinYMargin);
    side->setOrientation(QVTabBarVerticalOrientation);
    page->addSubview(sideTabs.get());
    page->addSubview(side.get());
    for (const char* t : { "Inbox", "Sent", "Spam" })
        addDocument(sideTabs.get(), QString::fromLatin1(t), 0, false, false);
    sideTabs->setDelegate(side.get());
    side->setTabView(sideTabs);
    side->setDelegate(delegate.get());
    galleryNameBar(side.get(), QStringLiteral("Mailboxes"));
    // Laid out now rather than on the next turn: the screenshot run draws at once.
    bar->updateAnimate(false);
    side->updateAnimate(false);

    // One short bar per style, two columns, each over a small tab view of four tabs (selected,
    // edited, counted, processing).
    auto sampleDelegate = kit::make<GallerySampleBarDelegate>();
    const QStringList styles = QVTabStyle::registeredTabStyleNames();
    const double swatchWidth = (width - 10) / 2;
    for (qsizetype i = 0; i < styles.size(); ++i) {
        const double sx = 20 + double(i / 4) * (swatchWidth + 10);
        const double sy = top - 412 - double(i % 4) * 44;
        auto swatchTabs = kit::make<kit::TabView>(MakeRect(sx, sy - 22, swatchWidth, 22));
        swatchTabs->setAutoresizingMask(kit::ViewMinYMargin);
        auto swatch = kit::make<QVTabBarView>(MakeRect(sx, sy, swatchWidth, 22));
        swatch->setAutoresizingMask(kit::ViewMinYMargin);
        swatch->setStyleNamed(styles[i]);
        // A picture of the style: nothing to close, so one stop for the keyboard.
        swatch->setDisableTabClose(true);
        delegate->samples.emplace_back(swatchTabs.get());
        // Seven bars hold the same three tabs: each says which style it samples.
        galleryNameBar(swatch.get(), styles[i] + QStringLiteral(" sample"));
        page->addSubview(swatchTabs.get());
        page->addSubview(swatch.get());
        addDocument(swatchTabs.get(), styles[i], 0, false, false);
        addDocument(swatchTabs.get(), QStringLiteral("Edited"), 0, true, false);
        addDocument(swatchTabs.get(), QStringLiteral("Counted"), 3, false, false);
        addDocument(swatchTabs.get(), QStringLiteral("Busy"), 0, false, true);
        swatchTabs->selectTabViewItemAtIndex(0);
        swatchTabs->setDelegate(swatch.get());
        swatch->setTabView(swatchTabs);
        swatch->setDelegate(sampleDelegate.get());
        swatch->updateAnimate(false);
    }

    // The options of the top bar, as check boxes showing what is on, in two columns right of the
    // side bar's tab view.
    Ref<QVTabBarView> b = bar;
    int optionIndex = 0;
    auto option = [&](const QString& title, bool initial, std::function<void(bool)> apply) {
        const double ox = width - 280 + double(optionIndex % 2) * 150;
        const double oy = top - 250 - double(optionIndex / 2) * 28;
        ++optionIndex;
        auto weak = std::make_shared<kit::Weak<kit::Button>>();
        auto box = kit::make<GalleryPushButton>(MakeRect(ox, oy, 145, 22), title, [weak, apply = std::move(apply)] {
            if (const Ref<kit::Button> self = weak->lock())
                apply(self->state() == kit::OnState);
        });
        *weak = box.get();
        box->setButtonType(kit::SwitchButton);
        box->setState(initial ? kit::OnState : kit::OffState);
        box->setAutoresizingMask(kit::ViewMinXMargin | kit::ViewMinYMargin);
        page->addSubview(box.get());
    };
    option(QStringLiteral("Size to fit"), b->sizeButtonsToFit(), [b](bool on) { b->setSizeButtonsToFit(on); });
    option(QStringLiteral("Close on hover"), b->onlyShowCloseOnHover(), [b](bool on) { b->setOnlyShowCloseOnHover(on); });
    option(QStringLiteral("Hide a single tab"), b->hideForSingleTab(), [b](bool on) { b->setHideForSingleTab(on); });
    option(QStringLiteral("Animate"), b->automaticallyAnimates(), [b](bool on) { b->setAutomaticallyAnimates(on); });
    option(QStringLiteral("Scrubbing"), b->allowsScrubbing(), [b](bool on) { b->setAllowsScrubbing(on); });
    option(QStringLiteral("Miniature tear-off"), b->tearOffStyle() == 1, [b](bool on) { b->setTearOffStyle(on ? 1 : 0); });

    // The style of each bar: every style for the top bar, those that keep a bar vertical for the
    // side bar; the current one selected.
    QStringList vertical;
    for (const QString& name : QVTabStyle::registeredTabStyleNames())
        if (const auto style = QVTabStyle::makeStyleNamed(name);
            style && (!style->implements("supportsOrientationForTabBarView") || style->supportsOrientationForTabBarView(QVTabBarVerticalOrientation, side.get())))
            vertical << name;
    double x = 20;
    auto stylePopUp = [&](const QString& label, const Ref<QVTabBarView>& target, const QStringList& names) {
        const auto title = galleryLabel(MakeRect(x, top - 377, 70, 20), label, page.get());
        title->setAutoresizingMask(kit::ViewMinYMargin);
        auto popUp = kit::make<GalleryStylePopUp>(MakeRect(x + 72, top - 380, 120, 26));
        kit::AccessibilitySetOverrideValueForAttribute(
            popUp->accessibilityElement(), title->accessibilityElement(), kit::AccessibilityTitleUIElementAttribute);
        popUp->addItemsWithTitles(names);
        popUp->selectItemWithTitle(target->styleName());
        popUp->changed = [weak = kit::Weak<QVTabBarView>(target.get())](const QString& name) {
            if (const Ref<QVTabBarView> view = weak.lock())
                view->setStyleNamed(name);
        };
        // The bars only reference their delegates: the page's controls keep them.
        popUp->owned = delegate;
        popUp->ownedToo = sampleDelegate;
        popUp->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(popUp.get());
        x += 210;
    };
    stylePopUp(QStringLiteral("Top bar:"), bar, QVTabStyle::registeredTabStyleNames());
    stylePopUp(QStringLiteral("Side bar:"), side, vertical);
    return page;
}
