#include "gallery/pages/TabBarPage.h"

#include "XTTabBarControl/XTCardTabStyle.h"
#include "XTTabBarControl/XTPebbleTabStyle.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "XTTabBarControl/XTTabDragWindow.h"
#include "XTTabBarControl/XTUnifiedTabStyle.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/controls/PopUpButton.h"
#include "kit/foundation/Bundle.h"
#include "kit/controls/Stepper.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Color.h"

#include <algorithm>

using kit::MakeRect;
using kit::Ref;

namespace {

// A bar's name for a screen reader: what it is on the page.
void galleryNameTabBar(kit::View* bar, const QString& name)
{
    kit::AccessibilitySetOverrideValueForAttribute(kit::Value(Ref<kit::Object>(bar)), kit::Value(name), kit::AccessibilityTitleAttribute);
}

// What a document tab shows: a count, a colour for it, an edited flag, a busy flag and an icon.
class GalleryTabDocument : public kit::Object {
    KIT_CLASS(GalleryTabDocument)
public:
    bool isProcessing() const { return processing_; }
    void setIsProcessing(bool flag) { setValueNotifying("isProcessing", processing_, flag); }
    std::int64_t objectCount() const { return count_; }
    void setObjectCount(std::int64_t count) { setValueNotifying("objectCount", count_, count); }
    bool isEdited() const { return edited_; }
    void setIsEdited(bool flag) { setValueNotifying("isEdited", edited_, flag); }
    Ref<kit::Color> countColor() const { return countColor_; }
    void setCountColor(Ref<kit::Color> colour) { setValueNotifying("countColor", countColor_, std::move(colour)); }
    Ref<kit::Image> icon() const { return icon_; }
    void setIcon(Ref<kit::Image> icon) { setValueNotifying("icon", icon_, std::move(icon)); }

private:
    bool processing_ = false;
    std::int64_t count_ = 0;
    bool edited_ = false;
    Ref<kit::Color> countColor_;
    Ref<kit::Image> icon_;
};

// Torn-off windows with the delegates their bars report to, until each closes.
struct GalleryTornOffWindow {
    Ref<kit::Window> window;
    Ref<kit::Object> owner;
};

std::vector<GalleryTornOffWindow>& galleryTornOffWindows()
{
    static std::vector<GalleryTornOffWindow> kept;
    return kept;
}

// The page's tab bars drag tabs among themselves: any tab may leave its bar, a tab dropped
// outside every bar opens a window of its own (pictured by the window it leaves), and a window
// of ours that loses its last tab closes.
class GalleryTabDragDelegate : public kit::Object, public XTTabBarControlDelegate {
    KIT_CLASS(GalleryTabDragDelegate)
public:
    void adopt(XTTabBarControl* bar)
    {
        bar->setDelegate(this);
        bars_.emplace_back(bar);
    }

    bool tabViewShouldDragTabViewItemFromTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl*) override { return true; }
    // No bar asks whether the tab may go outside every bar, into a window of its own: it may.
    // Otherwise only the bars this delegate drives take tabs.
    bool tabViewShouldDropTabViewItemInTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl* bar) override
    {
        return !bar || std::any_of(bars_.begin(), bars_.end(), [bar](const kit::Weak<XTTabBarControl>& b) { return b.lock().get() == bar; });
    }

    kit::Ref<XTTabBarControl> tabViewNewTabBarForDraggedTabViewItemAtPoint(kit::TabView*, kit::TabViewItem* item, kit::Point point) override
    {
        // A tab let go on a style sample's label or strip goes back: the samples take no tab. Where
        // the pointer is: the point given is the dragged picture's.
        if (galleryPointIsOnAnyOf(samples_, kit::Event::mouseLocation()))
            return nullptr;
        const double width = 520, height = 280;
        // On the screen, however near its edge the tab was let go.
        auto window = kit::make<kit::Window>(kit::FrameMovedOnScreen(MakeRect(point.x - width / 2, point.y - height / 2, width, height)),
            kit::TitledWindowMask | kit::ClosableWindowMask | kit::ResizableWindowMask);
        window->setTitle(item ? item->label() : QStringLiteral("Tab"));
        auto tabView = kit::make<kit::TabView>(MakeRect(0, 0, width, height - 22));
        tabView->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        auto bar = kit::make<XTTabBarControl>(MakeRect(0, height - 22, width, 22));
        bar->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
        bar->setTabView(tabView);
        bar->setPartnerView(tabView);
        tabView->setDelegate(bar.get());
        galleryNameTabBar(bar.get(), QStringLiteral("Documents"));
        window->contentView()->addSubview(tabView.get());
        window->contentView()->addSubview(bar.get());
        adopt(bar.get());
        windows_.push_back(window);
        galleryKeepTornOffWindow(window, kit::Ref<kit::Object>(this));
        return bar;
    }

    void tabViewCloseWindowForLastTabViewItem(kit::TabView* tabView, kit::TabViewItem*) override
    {
        const kit::Ref<kit::Window> window = tabView ? tabView->window() : nullptr;
        // Only the windows this page opened: the gallery's own stays.
        const auto it = std::find(windows_.begin(), windows_.end(), window);
        if (!window || it == windows_.end())
            return;
        window->close();
        windows_.erase(it);
    }

    // A window of ours is named after its selected tab.
    void tabViewDidSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item) override
    {
        const kit::Ref<kit::Window> window = tabView ? tabView->window() : nullptr;
        if (window && item && std::find(windows_.begin(), windows_.end(), window) != windows_.end())
            window->setTitle(item->label());
    }

    kit::Ref<kit::Image> tabViewImageForTabViewItemOffsetStyleMask(
        kit::TabView* tabView, kit::TabViewItem* item, kit::Size* offset, unsigned* styleMask) override
    {
        const kit::Ref<kit::Window> window = tabView ? tabView->window() : nullptr;
        const kit::Ref<kit::Image> image = XTWindowSnapshotImage(window.get());
        if (!image)
            return nullptr;
        // Where the tab sits: from the picture's left and from its top down to the tab's bottom.
        for (const kit::Weak<XTTabBarControl>& weak : bars_) {
            const kit::Ref<XTTabBarControl> bar = weak.lock();
            if (!bar || bar->tabView().get() != tabView)
                continue;
            for (const auto& cell : bar->cells()) {
                if (cell->representedObject().object().get() != item)
                    continue;
                const kit::Rect r = bar->convertRectToView(cell->frame(), nullptr);
                *offset = kit::MakeSize(r.origin.x, window->contentView()->frame().size.height - r.origin.y);
            }
        }
        *styleMask = kit::BorderlessWindowMask;
        return image;
    }

    // The tab's name with what its document holds.
    QString tabViewToolTipForTabViewItem(kit::TabView*, kit::TabViewItem* item) override
    {
        if (!item)
            return {};
        QString tip = item->label();
        if (const auto d = item->identifier().objectAs<GalleryTabDocument>()) {
            if (d->objectCount() > 0)
                tip += QStringLiteral(", %1 new").arg(d->objectCount());
            if (d->isEdited())
                tip += QStringLiteral(", edited");
            if (d->isProcessing())
                tip += QStringLiteral(", working");
        }
        return tip;
    }

    std::size_t openWindows() const { return windows_.size(); }
    // The views of the style samples around their bars, where no tab is let go.
    void addSampleView(kit::View* view) { samples_.emplace_back(view); }

    // The page's main bar and its tab view, from the interface file.
    Ref<XTTabBarControl> bar() const { return bar_.lock(); }
    void setBar(Ref<XTTabBarControl> bar) { bar_ = bar.get(); }
    Ref<kit::TabView> tabView() const { return tabView_.lock(); }
    void setTabView(Ref<kit::TabView> tabView) { tabView_ = tabView.get(); }

private:
    kit::Weak<XTTabBarControl> bar_;
    kit::Weak<kit::TabView> tabView_;
    std::vector<kit::Weak<XTTabBarControl>> bars_;
    std::vector<kit::Ref<kit::Window>> windows_;
    std::vector<kit::Weak<kit::View>> samples_;
};

// A style sample's delegate: the sample is a picture, not a place, so it takes no tab, not even
// one of its own moved along it, and lets none of its own go.
class GallerySampleTabDelegate : public kit::Object, public XTTabBarControlDelegate {
    KIT_CLASS(GallerySampleTabDelegate)
public:
    bool tabViewShouldDropTabViewItemInTabBar(kit::TabView*, kit::TabViewItem*, XTTabBarControl*) override { return false; }
};

// A sheet with a folded corner and three lines of text: the documents' icon.
Ref<kit::Image> galleryTabDocumentIcon()
{
    return kit::Image::imageWithData(QByteArrayLiteral(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16"><path d="M3.5 1.5h6l3 3v10h-9z" fill="#fff" stroke="#5a6b80"/>)"
        R"(<path d="M9.5 1.5v3h3" fill="#dfe6ee" stroke="#5a6b80"/><path d="M5.5 7.5h5M5.5 9.5h5M5.5 11.5h3.5" stroke="#8fa3b8"/></svg>)"));
}

const QStringList galleryTabStyleNames { "Metal", "Aqua", "Card", "Pebble", "Unified" };

// Applies the page's style controls to the live bar: the style, Pebble's two looks and the left
// margin of Card and Unified. An empty view, so the page keeps it.
class GalleryTabStyleSwitcher : public kit::View {
    KIT_CLASS(GalleryTabStyleSwitcher)
public:
    kit::Weak<XTTabBarControl> bar;
    // The page's drag delegate lives as long as the page.
    kit::Ref<GalleryTabDragDelegate> dragDelegate;
    // The style samples' delegate, as long as the page.
    kit::Ref<kit::Object> sampleDelegate;
    // The target of the bar's add button.
    kit::Ref<kit::Object> addTabTarget;
    kit::Weak<kit::PopUpButton> styles;
    kit::Weak<kit::Button> unifiedLook, edgesRight;
    kit::Weak<kit::Stepper> margin;

    void apply(kit::Object*)
    {
        const Ref<XTTabBarControl> b = bar.lock();
        const Ref<kit::PopUpButton> popUp = styles.lock();
        if (!b || !popUp)
            return;
        const QString name = popUp->titleOfSelectedItem();
        if (b->styleName() != name)
            b->setStyleNamed(name);
        if (auto pebble = kit::dynamic_pointer_cast<XTPebbleTabStyle>(b->style())) {
            pebble->setDrawsUnified(unifiedLook.lock() && unifiedLook.lock()->state() == 1);
            pebble->setDrawsRight(edgesRight.lock() && edgesRight.lock()->state() == 1);
        }
        const double left = margin.lock() ? margin.lock()->doubleValue() : 5;
        if (auto card = kit::dynamic_pointer_cast<XTCardTabStyle>(b->style()))
            card->setLeftMarginForTabBarControl(left);
        if (auto unified = kit::dynamic_pointer_cast<XTUnifiedTabStyle>(b->style()))
            unified->setLeftMarginForTabBarControl(left);
        b->update(false);
        b->setNeedsDisplay(true);
    }
};

} // namespace

KIT_REGISTER_CLASS(GalleryTabDragDelegate, kit::Object)
{
    c.property(
        "bar", [](const GalleryTabDragDelegate& x) { return kit::Value(x.bar()); },
        [](GalleryTabDragDelegate& x, const kit::Value& v) { x.setBar(v.objectAs<XTTabBarControl>()); });
    c.property(
        "tabView", [](const GalleryTabDragDelegate& x) { return kit::Value(x.tabView()); },
        [](GalleryTabDragDelegate& x, const kit::Value& v) { x.setTabView(v.objectAs<kit::TabView>()); });
    c.optionalOperations({ "tabViewShouldDragTabViewItemFromTabBar", "tabViewShouldDropTabViewItemInTabBar",
        "tabViewNewTabBarForDraggedTabViewItemAtPoint", "tabViewCloseWindowForLastTabViewItem", "tabViewImageForTabViewItemOffsetStyleMask",
        "tabViewToolTipForTabViewItem", "tabViewDidSelectTabViewItem" });
}

KIT_REGISTER_CLASS(GallerySampleTabDelegate, kit::Object) { c.optionalOperations({ "tabViewShouldDropTabViewItemInTabBar" }); }

KIT_REGISTER_CLASS(GalleryTabStyleSwitcher, kit::View) { c.action("apply", &GalleryTabStyleSwitcher::apply); }

KIT_REGISTER_CLASS(GalleryTabDocument, kit::Object)
{
    c.property("isProcessing", &GalleryTabDocument::isProcessing, &GalleryTabDocument::setIsProcessing);
    c.property("objectCount", &GalleryTabDocument::objectCount, &GalleryTabDocument::setObjectCount);
    c.property("isEdited", &GalleryTabDocument::isEdited, &GalleryTabDocument::setIsEdited);
    c.property(
        "countColor", [](const GalleryTabDocument& x) { return kit::Value(x.countColor()); },
        [](GalleryTabDocument& x, const kit::Value& v) { x.setCountColor(v.objectAs<kit::Color>()); });
    c.property(
        "icon", [](const GalleryTabDocument& x) { return kit::Value(x.icon()); },
        [](GalleryTabDocument& x, const kit::Value& v) { x.setIcon(v.objectAs<kit::Image>()); });
}

bool galleryPointIsOnAnyOf(const std::vector<kit::Weak<kit::View>>& views, kit::Point screenPoint)
{
    for (const kit::Weak<kit::View>& weak : views) {
        const Ref<kit::View> view = weak.lock();
        const Ref<kit::Window> window = view ? view->window() : nullptr;
        if (window && kit::PointInRect(view->convertPointFromView(window->convertScreenToBase(screenPoint), nullptr), view->bounds()))
            return true;
    }
    return false;
}

void galleryKeepTornOffWindow(const Ref<kit::Window>& window, const Ref<kit::Object>& owner)
{
    // Let go once closed, after the close: the owner may be on the stack.
    static const Ref<kit::Object> observer = kit::NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(
        kit::WindowWillCloseNotification, nullptr, nullptr, [](kit::Notification* note) {
            std::vector<GalleryTornOffWindow>& kept = galleryTornOffWindows();
            const auto it = std::find_if(kept.begin(), kept.end(), [note](const GalleryTornOffWindow& k) { return k.window.get() == note->object().get(); });
            if (it == kept.end())
                return;
            kit::RunLoop::main().enqueueMainBlock([leaving = *it] { });
            kept.erase(it);
        });
    galleryTornOffWindows().push_back({ window, owner });
}

kit::Ref<kit::View> makeTabBarPage(kit::Rect frame)
{
    const QColor paper(236, 236, 236);
    auto page = kit::make<GallerySwatch>(frame, paper, QString());
    const double width = frame.size.width - 40;
    const double top = frame.size.height - 20;

    // The bar over its tabless tab view, in an unflipped container, comes from the interface
    // file, which connects the bar's tab view, partner and delegate (the page's drag delegate)
    // and makes the bar the tab view's delegate.
    auto dragDelegate = kit::make<GalleryTabDragDelegate>();
    kit::Array topLevel;
    if (!kit::Bundle::loadNibNamedOwnerTopLevelObjects(QStringLiteral("TabBarPage"), dragDelegate.get(), &topLevel) || topLevel.count() == 0
        || !dragDelegate->bar() || !dragDelegate->tabView())
        return kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QStringLiteral("The tab bar interface file did not load."));
    const Ref<kit::View> container = topLevel[0].objectAs<kit::View>();
    container->setFrame(MakeRect(20, top - 222, width, 222));
    page->addSubview(container.get());
    const Ref<XTTabBarControl> bar = dragDelegate->bar();
    const Ref<kit::TabView> tabView = dragDelegate->tabView();
    galleryNameTabBar(bar.get(), QStringLiteral("Documents"));

    auto counter = std::make_shared<int>(0);
    const Ref<kit::Image> icon = galleryTabDocumentIcon();
    auto addTab = [tabView, counter, icon](std::int64_t count, bool edited, bool busy, Ref<kit::Color> colour) {
        auto document = kit::make<GalleryTabDocument>();
        document->setObjectCount(count);
        document->setIsEdited(edited);
        document->setIsProcessing(busy);
        document->setCountColor(std::move(colour));
        document->setIcon(icon);
        auto item = kit::make<kit::TabViewItem>(kit::Value(Ref<kit::Object>(document)));
        item->setLabel(QStringLiteral("Document %1").arg(++*counter));
        auto content = kit::make<GallerySwatch>(tabView->bounds(), QColor(250, 250, 250), item->label());
        content->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        item->setView(content);
        tabView->addTabViewItem(item);
    };
    // Eight tabs of at least 120 points: the last two go to the pull-down.
    bar->setCellMinWidth(120);
    addTab(0, false, false, nullptr);
    addTab(3, false, false, nullptr);
    addTab(12, false, false, kit::Color::colorWithSRGBRedGreenBlueAlpha(0.12, 0.43, 0.78, 0.8));
    addTab(0, true, false, nullptr);
    addTab(0, false, true, nullptr);
    for (int i = 0; i < 3; ++i)
        addTab(0, false, false, nullptr);
    tabView->selectTabViewItemAtIndex(1);

    auto document = [tabView]() -> Ref<GalleryTabDocument> {
        const auto item = tabView->selectedTabViewItem();
        return item ? item->identifier().objectAs<GalleryTabDocument>() : nullptr;
    };
    double x = 20;
    auto button = [&](const QString& title, std::function<void()> action) {
        auto b = kit::make<GalleryPushButton>(MakeRect(x, top - 270, 130, 28), title, std::move(action));
        b->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(b.get());
        x += 140;
    };
    Ref<XTTabBarControl> b = bar;
    button(QStringLiteral("Add tab"), [addTab] { addTab(0, false, false, nullptr); });
    // The bar's own add button does the same.
    auto addButtonAction = kit::make<GalleryPushButton>(kit::Rect {}, QString(), [addTab] { addTab(0, false, false, nullptr); });
    bar->addTabButton()->setTarget(addButtonAction.get());
    bar->addTabButton()->setAction("perform");
    // Held by the switcher below: a control's target is not kept alive by the control.
    button(QStringLiteral("Count + 1"), [document] {
        if (auto d = document())
            d->setObjectCount(d->objectCount() + 1);
    });
    button(QStringLiteral("Toggle processing"), [document] {
        if (auto d = document())
            d->setIsProcessing(!d->isProcessing());
    });
    button(QStringLiteral("Tear-off style"), [b] { b->setTearOffStyle(b->tearOffStyle() == 0 ? 1 : 0); });

    // Orientation: a column at the container's left, or the row over it.
    const kit::Weak<kit::View> weakContainer(container.get());
    const kit::Weak<kit::TabView> weakTabView(tabView.get());
    auto weakOrientation = std::make_shared<kit::Weak<kit::Button>>();
    auto orientation = kit::make<GalleryPushButton>(MakeRect(x, top - 267, 130, 22), QStringLiteral("Vertical"), [b, weakContainer, weakTabView, weakOrientation] {
        const Ref<kit::View> box = weakContainer.lock();
        const Ref<kit::TabView> view = weakTabView.lock();
        const Ref<kit::Button> toggle = weakOrientation->lock();
        if (!box || !view || !toggle)
            return;
        const kit::Size size = box->bounds().size;
        if (toggle->state() == 1) {
            b->setOrientation(XTTabBarVerticalOrientation);
            b->setFrame(MakeRect(0, 0, 160, size.height));
            b->setAutoresizingMask(kit::ViewHeightSizable);
            view->setFrame(MakeRect(160, 0, size.width - 160, size.height));
        } else {
            b->setOrientation(XTTabBarHorizontalOrientation);
            b->setFrame(MakeRect(0, size.height - 22, size.width, 22));
            b->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
            view->setFrame(MakeRect(0, 0, size.width, size.height - 22));
        }
        b->update(false);
        box->setNeedsDisplay(true);
    });
    *weakOrientation = orientation.get();
    orientation->setButtonType(kit::SwitchButton);
    orientation->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(orientation.get());

    // The bar's switches, in two columns right of the style samples.
    const double optionsTop = top - 356;
    int optionIndex = 0;
    auto option = [&](const QString& title, bool initial, std::function<void(bool)> apply) {
        const bool left = optionIndex % 2 == 0;
        const double oy = optionsTop - (optionIndex / 2) * 28;
        ++optionIndex;
        auto weak = std::make_shared<kit::Weak<kit::Button>>();
        auto box = kit::make<GalleryPushButton>(MakeRect(left ? 550 : 710, oy, left ? 155 : 185, 22), title, [weak, apply = std::move(apply)] {
            if (const Ref<kit::Button> self = weak->lock())
                apply(self->state() == 1);
        });
        *weak = box.get();
        box->setButtonType(kit::SwitchButton);
        box->setState(initial ? 1 : 0);
        box->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(box.get());
    };
    // Left column, right column, in turns.
    option(QStringLiteral("Size to fit"), b->sizeCellsToFit(), [b](bool on) { b->setSizeCellsToFit(on); });
    option(QStringLiteral("Overflow menu"), b->useOverflowMenu(), [b](bool on) { b->setUseOverflowMenu(on); });
    option(QStringLiteral("Add button"), b->showAddTabButton(), [b](bool on) { b->setShowAddTabButton(on); });
    option(QStringLiteral("Select on mouse down"), b->selectsTabsOnMouseDown(), [b](bool on) { b->setSelectsTabsOnMouseDown(on); });
    option(QStringLiteral("Animate"), b->automaticallyAnimates(), [b](bool on) { b->setAutomaticallyAnimates(on); });
    option(QStringLiteral("Background closing"), b->allowsBackgroundTabClosing(), [b](bool on) { b->setAllowsBackgroundTabClosing(on); });
    option(QStringLiteral("Hide for single tab"), b->hideForSingleTab(), [b](bool on) { b->setHideForSingleTab(on); });

    // The pull-down of the tabs that do not fit pulses.
    bar->overflowPopUpButton()->setAlternateImage(XTTabStyleBase::bundleImage(QStringLiteral("overflowImagePressed")));
    bar->overflowPopUpButton()->setAnimatingAlternateImage(true);

    // The live bar's look.
    auto switcher = kit::make<GalleryTabStyleSwitcher>();
    switcher->bar = bar;
    const double controlsY = top - 312;
    auto styles = kit::make<kit::PopUpButton>(MakeRect(20, controlsY, 130, 26));
    for (const QString& name : galleryTabStyleNames)
        styles->addItemWithTitle(name);
    auto unifiedLook = kit::make<kit::Button>(MakeRect(170, controlsY, 120, 22));
    unifiedLook->setButtonType(kit::SwitchButton);
    unifiedLook->setTitle(QStringLiteral("Unified look"));
    auto edgesRight = kit::make<kit::Button>(MakeRect(300, controlsY, 150, 22));
    edgesRight->setButtonType(kit::SwitchButton);
    edgesRight->setTitle(QStringLiteral("Edges on the right"));
    auto margin = kit::make<kit::Stepper>(MakeRect(470, controlsY, 19, 26));
    margin->setMinValue(0);
    margin->setMaxValue(40);
    margin->setIncrement(1);
    margin->setDoubleValue(5);
    margin->setToolTip(QStringLiteral("Left margin of the tabs"));
    for (const Ref<kit::Control>& control : { Ref<kit::Control>(styles), Ref<kit::Control>(unifiedLook), Ref<kit::Control>(edgesRight),
             Ref<kit::Control>(margin) }) {
        control->setTarget(switcher.get());
        control->setAction("apply");
        control->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(control.get());
    }
    auto marginLabel = kit::make<GallerySwatch>(MakeRect(490, controlsY - 2, 120, 30), paper, QStringLiteral("Left margin"));
    marginLabel->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(marginLabel.get());
    switcher->styles = styles;
    switcher->unifiedLook = unifiedLook;
    switcher->edgesRight = edgesRight;
    switcher->margin = margin;
    switcher->dragDelegate = dragDelegate;
    switcher->addTabTarget = addButtonAction;
    dragDelegate->adopt(bar.get());
    page->addSubview(switcher.get());

    // A second, small bar that takes tabs dragged from the one above (and gives them back).
    auto dropLabel = kit::make<GallerySwatch>(MakeRect(20, 56, 430, 30), paper, QStringLiteral("Drag tabs to the bar on the right, or out of every bar"));
    auto dropView = kit::make<kit::TabView>(MakeRect(460, 12, 420, 48));
    dropView->setAutoresizingMask(kit::ViewMaxYMargin);
    auto dropBar = kit::make<XTTabBarControl>(MakeRect(460, 60, 420, 22));
    dropBar->setTabView(dropView);
    dropBar->setPartnerView(dropView);
    dropView->setDelegate(dropBar.get());
    galleryNameTabBar(dropBar.get(), QStringLiteral("Drop bar"));
    for (const QString& title : { QStringLiteral("Inbox"), QStringLiteral("Notes") }) {
        auto item = kit::make<kit::TabViewItem>(kit::Value(title));
        item->setLabel(title);
        item->setView(kit::make<GallerySwatch>(dropView->bounds(), QColor(250, 250, 250), title));
        dropView->addTabViewItem(item);
    }
    switcher->dragDelegate->adopt(dropBar.get());
    for (const Ref<kit::View>& view : { Ref<kit::View>(dropLabel), Ref<kit::View>(dropView), Ref<kit::View>(dropBar) })
        page->addSubview(view.get());

    // Every style at once: a small read-only bar per style over three tabs (selected and named by
    // the style, counted, edited).
    auto sampleDelegate = kit::make<GallerySampleTabDelegate>();
    switcher->sampleDelegate = sampleDelegate;
    for (int i = 0; i < galleryTabStyleNames.size(); ++i) {
        const double y = controlsY - 40 - i * 30;
        auto label = kit::make<GallerySwatch>(MakeRect(12, y - 4, 90, 30), paper, galleryTabStyleNames[i]);
        auto strip = kit::make<kit::TabView>(MakeRect(110, y - 4, 420, 4));
        auto small = kit::make<XTTabBarControl>(MakeRect(110, y, 420, 22));
        small->setTabView(strip);
        strip->setDelegate(small.get());
        small->setStyleNamed(galleryTabStyleNames[i]);
        small->setDelegate(sampleDelegate.get());
        // A picture of the style: nothing to close, so one stop for the keyboard.
        small->setDisableTabClose(true);
        dragDelegate->addSampleView(label.get());
        dragDelegate->addSampleView(strip.get());
        // Every sample holds the same three tabs: each bar says which style it shows.
        galleryNameTabBar(small.get(), galleryTabStyleNames[i] + QStringLiteral(" sample"));
        for (int t = 0; t < 3; ++t) {
            auto doc = kit::make<GalleryTabDocument>();
            doc->setObjectCount(t == 1 ? 4 : 0);
            doc->setIsEdited(t == 2);
            auto item = kit::make<kit::TabViewItem>(kit::Value(Ref<kit::Object>(doc)));
            // The selected tab says which style this is, as the reader names the tab first.
            item->setLabel(QStringList { galleryTabStyleNames[i], QStringLiteral("Counted"), QStringLiteral("Edited") }[t]);
            strip->addTabViewItem(item);
        }
        strip->selectTabViewItemAtIndex(0);
        for (const Ref<kit::View>& view : { Ref<kit::View>(label), Ref<kit::View>(strip), Ref<kit::View>(small) }) {
            view->setAutoresizingMask(kit::ViewMinYMargin);
            page->addSubview(view.get());
        }
    }
    return page;
}
