#include "JVLAppKit/JVLPreferenceWindowController/JVLPreferenceWindowController.h"

#include "JVLAppKit/JVLPreferenceWindowController/JVLPlugInPreferencePane.h"
#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIcon.h"
#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIconView.h"
#include "JVLAppKit/JVLWindow/JVLWindow.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/ToolbarItem.h"
#include "kit/appkit/ToolbarView.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/FrameText.h"
#include "kit/foundation/UserDefaults.h"

#include <algorithm>
#include <mutex>
#include <set>

using namespace kit;

KIT_REGISTER_CLASS(JVLPreferenceWindowController, kit::WindowController)
{
    c.bundle("JVLAppKit");
    c.action("toolbarShowAll", &JVLPreferenceWindowController::toolbarShowAll);
    c.action("toolbarShowPane", &JVLPreferenceWindowController::toolbarShowPane);
    c.optionalOperations({ "toolbarItemForItemIdentifierWillBeInsertedIntoToolbar", "toolbarDefaultItemIdentifiers",
        "toolbarAllowedItemIdentifiers", "toolbarSelectableItemIdentifiers", "toolbarWillAddItem", "toolbarDidRemoveItem", "windowDidMove",
        "windowWillClose", "windowDidBecomeMain", "windowWillUseStandardFrameDefaultFrame" });
}

namespace {

struct JVLPreferenceSingleton {
    std::mutex mutex;
    Ref<JVLPreferenceWindowController> instance;
    bool made = false;
};

JVLPreferenceSingleton& jvlPreferenceSingleton()
{
    static JVLPreferenceSingleton singleton;
    return singleton;
}

QString jvlPreferenceString(const char* key)
{
    return Bundle::bundleForClass(JVLPreferenceWindowController::staticClass())
        ->localizedStringForKeyValueTable(QString::fromUtf8(key), QString(), QStringLiteral("JVLPreferenceWindow"));
}

} // namespace

Ref<JVLPreferenceWindowController> JVLPreferenceWindowController::makeInstance(const QString& name, unsigned styleMask)
{
    JVLPreferenceSingleton& s = jvlPreferenceSingleton();
    {
        std::lock_guard lock(s.mutex);
        if (s.made)
            return nullptr;
        s.made = true;
    }
    Ref<JVLPreferenceWindowController> controller = make<JVLPreferenceWindowController>(name, styleMask);
    std::lock_guard lock(s.mutex);
    s.instance = controller;
    return controller;
}

Ref<JVLPreferenceWindowController> JVLPreferenceWindowController::sharedPreferenceWindowController()
{
    {
        JVLPreferenceSingleton& s = jvlPreferenceSingleton();
        std::lock_guard lock(s.mutex);
        if (s.instance)
            return s.instance;
    }
    // Plain init builds the same window as with an autosave name, without one.
    if (Ref<JVLPreferenceWindowController> made = makeInstance(QString(), TitledWindowMask | ClosableWindowMask))
        return made;
    JVLPreferenceSingleton& s = jvlPreferenceSingleton();
    std::lock_guard lock(s.mutex);
    return s.instance;
}

Ref<JVLPreferenceWindowController> JVLPreferenceWindowController::initWithAutosaveName(const QString& name)
{
    return initWithAutosaveNameWindowStyleMask(name, TitledWindowMask | ClosableWindowMask);
}

Ref<JVLPreferenceWindowController> JVLPreferenceWindowController::initWithAutosaveNameWindowStyleMask(const QString& name, unsigned styleMask)
{
    return makeInstance(name, styleMask);
}

void JVLPreferenceWindowController::resetSharedForTesting()
{
    JVLPreferenceSingleton& s = jvlPreferenceSingleton();
    Ref<JVLPreferenceWindowController> old;
    {
        std::lock_guard lock(s.mutex);
        old = std::exchange(s.instance, nullptr);
        s.made = false;
    }
    if (old && old->isWindowLoaded())
        old->WindowController::window()->orderOut();
}

JVLPreferenceWindowController::JVLPreferenceWindowController(const QString& autosaveName, unsigned styleMask)
{
    auto window = make<JVLWindow>(MakeRect(0, 0, 200, 100), styleMask);
    window->setDelegate(this);
    window->setOpaque(true);
    window->setContentView(make<View>(MakeRect(0, 0, 200, 100)).get());
    autosaveName_ = autosaveName;
    title_ = jvlPreferenceString("JVLPWWindowTitle");
    window->setShowsToolbarButton(false);
    createIconViewPane();
    terminateObserver_ = NotificationCenter::defaultCenter()->addObserverForNameObjectQueueUsingBlock(ApplicationWillTerminateNotification,
        Application::sharedApplication().get(), nullptr, [weak = Weak<JVLPreferenceWindowController>(this)](Notification* n) {
            if (const Ref<JVLPreferenceWindowController> self = weak.lock())
                self->applicationWillTerminate(n);
        });
    setWindow(window.get());
}

JVLPreferenceWindowController::~JVLPreferenceWindowController()
{
    if (terminateObserver_)
        NotificationCenter::defaultCenter()->removeObserver(terminateObserver_.get());
}

// -- Panes

void JVLPreferenceWindowController::addPluginsOfTypeFromPath(const QString& extension, const QString& directory)
{
    for (const QString& path : Bundle::folderPathsForResourcesOfTypeInDirectory(extension, directory))
        addPluginFromPath(path);
}

void JVLPreferenceWindowController::addPluginFromPath(const QString& path)
{
    const Ref<Bundle> bundle = Bundle::bundleWithPath(path);
    if (!bundle) {
        logMessage(QStringLiteral("error loading bundle: %1").arg(path));
        return;
    }
    logMessage(QStringLiteral("loaded: %1").arg(bundle->bundlePath()));
    const QString identifier = bundle->bundleIdentifier();
    if (identifier.isEmpty() || prefPanes_.contains(identifier))
        return;
    if (JVLPreferenceWindowControllerDelegate* d = delegateFor("shouldLoadPreferencePane"); d && !d->shouldLoadPreferencePane(identifier)) {
        logMessage(QStringLiteral("delegate did not approve plugin %1").arg(identifier));
        return;
    }
    auto pane = make<JVLPlugInPreferencePane>(bundle.get());
    addPaneWithIdentifier(pane.get(), identifier);
    if (JVLPreferenceWindowControllerDelegate* d = delegateFor("didLoadPreferencePane"))
        d->didLoadPreferencePane(identifier);
}

bool JVLPreferenceWindowController::addPaneWithIdentifier(Object* pane, const QString& identifier)
{
    JVLPrefPaneProtocol* protocol = paneProtocol(pane);
    if (!protocol || prefPanes_.contains(identifier))
        return false;
    if (JVLPreferenceWindowControllerDelegate* d = delegateFor("shouldLoadPreferencePane"); d && !d->shouldLoadPreferencePane(identifier))
        return false;
    protocol->setSortOrder(unsigned(prefPanes_.size()));
    prefPanes_[identifier] = pane;
    if (iconView_)
        iconView_->addIcon(iconForPrefPane(pane).get());
    addToBuiltWindow(identifier);
    return true;
}

void JVLPreferenceWindowController::addToBuiltWindow(const QString& identifier)
{
    const Ref<Window> w = WindowController::window();
    const Ref<Toolbar> toolbar = w ? w->toolbar() : nullptr;
    if (!toolbar)
        return;
    // The toolbar loaded its items once: the new pane's goes in at its place in the default order.
    const QStringList order = toolbarDefaultItemIdentifiers(toolbar.get());
    const qsizetype place = order.indexOf(identifier);
    std::size_t index = 0;
    for (const Ref<ToolbarItem>& item : toolbar->items()) {
        if (item->itemIdentifier() == identifier)
            return;
        if (const qsizetype at = order.indexOf(item->itemIdentifier()); at >= 0 && at < place)
            ++index;
    }
    toolbar->insertItemWithItemIdentifierAtIndex(identifier, index);
    if (!activePane_ && w->contentView().get() == iconView_.get())
        changeContentView(iconView_.get());
}

Ref<Object> JVLPreferenceWindowController::prefPaneWithIdentifier(const QString& identifier) const
{
    const auto it = prefPanes_.find(identifier);
    return it == prefPanes_.end() ? nullptr : it->second;
}

// -- Selection

JVLPrefPaneProtocol* JVLPreferenceWindowController::paneImplementing(Object* pane, const char* operation)
{
    return pane && pane->respondsToSelector(operation) ? paneProtocol(pane) : nullptr;
}

bool JVLPreferenceWindowController::selectPaneWithIdentifier(const QString& identifier)
{
    const Ref<Object> pane = prefPaneWithIdentifier(identifier);
    JVLPrefPaneProtocol* next = paneProtocol(pane.get());
    if (!next)
        return false;
    if (pane == activePane_)
        return true;
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "loadMainView"))
        p->loadMainView();
    const Ref<View> view = next->mainView();
    if (!view) {
        logMessage(QStringLiteral("Preference Pane \"%1\" has no view").arg(next->identifier()));
        return false;
    }
    const Ref<Object> old = activePane_;
    if (JVLPrefPaneProtocol* p = paneImplementing(old.get(), "willUnselect"))
        p->willUnselect();
    if (JVLPreferenceWindowControllerDelegate* d = delegateFor("willSelectPreferencePane"))
        d->willSelectPreferencePane(identifier);
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "willSelect"))
        p->willSelect();
    const Ref<Window> w = window();
    // Chosen from the overview by the keyboard: the focus must not leave with the overview.
    const bool chosenByKeys = w->firstResponder().get() == iconView_.get() && !w->firstResponderChosenByPointer();
    w->setTitle(next->label());
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "shouldResize"))
        p->shouldResize();
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "minSize"))
        w->setMinSize(p->minSize());
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "maxSize"))
        w->setMaxSize(p->maxSize());
    changeContentView(view.get());
    if (old) {
        if (JVLPreferenceWindowControllerDelegate* d = delegateFor("didUnselectPreferencePane"))
            d->didUnselectPreferencePane(paneProtocol(old.get())->identifier());
        if (JVLPrefPaneProtocol* p = paneImplementing(old.get(), "didUnselect"))
            p->didUnselect();
    }
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "didSelect"))
        p->didSelect();
    activePane_ = pane;
    if (const Ref<Toolbar> toolbar = w->toolbar())
        toolbar->setSelectedItemIdentifier(identifier);
    if (chosenByKeys)
        focusToolbarItem(identifier);
    return true;
}

void JVLPreferenceWindowController::focusToolbarItem(const QString& identifier)
{
    const Ref<Window> w = WindowController::window();
    const Ref<Toolbar> toolbar = w ? w->toolbar() : nullptr;
    const Ref<ToolbarView> strip = toolbar ? dynamic_pointer_cast<ToolbarView>(toolbar->toolbarView()) : nullptr;
    if (!strip)
        return;
    for (const Ref<ToolbarItem>& item : toolbar->items())
        if (item->itemIdentifier() == identifier)
            strip->focusItem(item.get());
}

bool JVLPreferenceWindowController::deselectActivePane()
{
    if (const Ref<Object> pane = activePane_) {
        if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "willUnselect"))
            p->willUnselect();
        if (JVLPreferenceWindowControllerDelegate* d = delegateFor("didUnselectPreferencePane"))
            d->didUnselectPreferencePane(paneProtocol(pane.get())->identifier());
        if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "didUnselect"))
            p->didUnselect();
        activePane_ = nullptr;
    }
    return true;
}

void JVLPreferenceWindowController::selectIconViewPane()
{
    if (deselectActivePane())
        toolbarShowAll();
}

void JVLPreferenceWindowController::toolbarShowAll(Object*)
{
    deselectActivePane();
    const Ref<Window> w = window();
    w->setTitle(title_);
    changeContentView(iconView_.get());
    if (auto* jvl = dynamic_cast<JVLWindow*>(w.get()))
        jvl->setCanZoom(false);
}

void JVLPreferenceWindowController::toolbarShowPane(Object* sender)
{
    if (auto* item = dynamic_cast<ToolbarItem*>(sender))
        selectPaneWithIdentifier(item->itemIdentifier());
    else if (auto* icon = dynamic_cast<JVLPrefPaneIcon*>(sender))
        selectPaneWithIdentifier(icon->itemIdentifier());
}

// -- Categories

QString JVLPreferenceWindowController::categoryForIdentifier(const QString& identifier)
{
    JVLPrefPaneProtocol* pane = paneProtocol(prefPaneWithIdentifier(identifier).get());
    if (!pane)
        return {};
    QString category = pane->category();
    if (delegateRespondsToCategoryForPreferencePane_)
        if (JVLPreferenceWindowControllerDelegate* d = delegateFor("categoryForPreferencePaneDefaultCategory"))
            category = d->categoryForPreferencePaneDefaultCategory(identifier, category);
    return category;
}

QStringList JVLPreferenceWindowController::categories()
{
    QStringList out;
    bool haveNull = false;
    for (const auto& [identifier, pane] : prefPanes_) {
        const QString category = categoryForIdentifier(identifier);
        if (category.isNull()) {
            // Panes without category count once, under null, as the overview groups them.
            if (!haveNull)
                out << QString();
            haveNull = true;
        } else if (!out.contains(category)) {
            out << category;
        }
    }
    return out;
}

QString JVLPreferenceWindowController::categoryDisplayNameForIdentifier(const QString& identifier)
{
    const QString category = categoryForIdentifier(identifier);
    if (delegateRespondsToDisplayNameForCategory_)
        if (JVLPreferenceWindowControllerDelegate* d = delegateFor("displayNameForCategory"))
            if (const QString name = d->displayNameForCategory(category); !name.isNull())
                return name;
    const Ref<Object> pane = prefPaneWithIdentifier(identifier);
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "categoryDisplayName"))
        if (const QString name = p->categoryDisplayName(); !name.isNull())
            return name;
    return category;
}

bool JVLPreferenceWindowController::sortByCategory() const { return iconView_ && iconView_->sortByCategory(); }

void JVLPreferenceWindowController::setSortByCategory(bool flag)
{
    if (!iconView_ || iconView_->sortByCategory() == flag)
        return;
    iconView_->setSortByCategory(flag);
    // Before the window is built there is no overview on screen: the first open shows it.
    if (const Ref<Window> w = WindowController::window(); !activePane_ && w && w->toolbar())
        toolbarShowAll();
}

QStringList JVLPreferenceWindowController::categorySortOrder() const { return iconView_ ? iconView_->categorySortOrder() : QStringList(); }

void JVLPreferenceWindowController::setCategorySortOrder(const QStringList& order)
{
    if (iconView_)
        iconView_->setCategorySortOrder(order);
}

void JVLPreferenceWindowController::setDelegate(Object* delegate)
{
    delegate_ = delegate;
    delegateRespondsToCategoryForPreferencePane_ = delegate && delegate->respondsToSelector("categoryForPreferencePaneDefaultCategory");
    delegateRespondsToDisplayNameForCategory_ = delegate && delegate->respondsToSelector("displayNameForCategory");
}

JVLPreferenceWindowControllerDelegate* JVLPreferenceWindowController::delegateFor(const char* operation) const
{
    const Ref<Object> d = delegate_.lock();
    if (!d || !d->respondsToSelector(operation))
        return nullptr;
    return dynamic_cast<JVLPreferenceWindowControllerDelegate*>(d.get());
}

// -- Window and toolbar

Ref<Window> JVLPreferenceWindowController::window()
{
    Ref<Window> w = WindowController::window();
    if (w && !w->toolbar())
        buildToolbar(w.get());
    return w;
}

void JVLPreferenceWindowController::buildToolbar(Window* w)
{
    // The first selection moves the window while it resizes: that must not save over the frame
    // about to be restored.
    const bool wasBuilding = std::exchange(buildingWindow_, true);
    auto toolbar = make<Toolbar>(JVLPPToolbarIdentifier);
    toolbar->setDelegate(this);
    toolbar->setVisible(true);
    toolbar->setAllowsUserCustomization(usesConfigurationPane_);
    toolbar->setAutosavesConfiguration(true);
    w->setToolbar(toolbar.get());
    const auto& items = toolbar->items();
    if (!items.empty()) {
        const QString first = items.front()->itemIdentifier();
        toolbar->setSelectedItemIdentifier(first);
        // The show-all item, or a first pane without view: open on the overview, not an empty window.
        if (!selectPaneWithIdentifier(first))
            toolbarShowAll();
    }
    restoreFrame(w);
    buildingWindow_ = wasBuilding;
}

void JVLPreferenceWindowController::restoreFrame(Window* w)
{
    if (autosaveName_.isEmpty()) {
        w->center();
        return;
    }
    const Value saved = UserDefaults::standardUserDefaults()->objectForKey(QStringLiteral("NSWindow Frame %1").arg(autosaveName_));
    if (saved.kind() != ValueKind::String) {
        w->center();
        return;
    }
    const QStringList fields = saved.stringValue().split(u' ');
    double numbers[4] = {};
    bool valid = fields.size() >= 4;
    for (int i = 0; valid && i < 4; ++i) {
        const std::optional<double> number = savedFrameNumber(fields[i]);
        valid = number.has_value();
        numbers[i] = number.value_or(0);
    }
    // Fewer than four numeric fields: the text is not a frame.
    if (!valid) {
        w->center();
        return;
    }
    const Size current = w->frame().size;
    w->setFrameOrigin(MakePoint(numbers[0], numbers[1] + numbers[3] - current.height));
}

Ref<JVLPrefPaneIcon> JVLPreferenceWindowController::iconForPrefPane(Object* pane)
{
    JVLPrefPaneProtocol* p = paneProtocol(pane);
    if (!p)
        return nullptr;
    auto icon = make<JVLPrefPaneIcon>(p->identifier(), p->icon().get(), p->label());
    icon->setCategory(p->category());
    icon->setTarget(this);
    icon->setSelector("toolbarShowPane");
    return icon;
}

void JVLPreferenceWindowController::createIconViewPane()
{
    if (iconView_)
        return;
    JVLPrefPaneIconView::IconList icons;
    for (const auto& [identifier, pane] : prefPanes_)
        if (JVLPrefPaneProtocol* p = paneProtocol(pane.get()); p && p->mainView())
            icons.push_back(iconForPrefPane(pane.get()));
    iconView_ = make<JVLPrefPaneIconView>(this, icons, 7);
}

Rect JVLPreferenceWindowController::frameForContentSize(Size size)
{
    const Ref<Window> w = WindowController::window();
    const Rect f = w->frame();
    Rect n = w->frameRectForContentRect(MakeRect(f.origin.x, f.origin.y, size.width, size.height));
    // The top edge stays: the window grows or shrinks downward.
    n.origin.y = n.origin.y + f.size.height - n.size.height;
    return n;
}

void JVLPreferenceWindowController::changeContentView(View* view)
{
    const Rect frame = frameForContentSize(view->frame().size);
    const Ref<Window> w = WindowController::window();
    w->setContentView(view);
    w->setFrameDisplayAnimate(frame, true, true);
}

QStringList JVLPreferenceWindowController::validPrefPaneIdentifiers() const
{
    std::vector<std::pair<unsigned, QString>> ordered;
    for (const auto& [identifier, pane] : prefPanes_)
        if (JVLPrefPaneProtocol* p = paneProtocol(pane.get()))
            ordered.emplace_back(p->sortOrder(), p->identifier());
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList out;
    for (const auto& entry : ordered)
        out << entry.second;
    return out;
}

QStringList JVLPreferenceWindowController::toolbarDefaultItemIdentifiers(Toolbar*)
{
    QStringList out;
    if (usesConfigurationPane_)
        out << JVLPPToolbarShowAllIdentifier << ToolbarSeparatorItemIdentifier;
    return out + validPrefPaneIdentifiers();
}

QStringList JVLPreferenceWindowController::toolbarAllowedItemIdentifiers(Toolbar* toolbar) { return toolbarDefaultItemIdentifiers(toolbar); }

QStringList JVLPreferenceWindowController::toolbarSelectableItemIdentifiers(Toolbar*)
{
    QStringList out;
    if (usesConfigurationPane_)
        out << JVLPPToolbarShowAllIdentifier;
    return out + validPrefPaneIdentifiers();
}

Ref<ToolbarItem> JVLPreferenceWindowController::toolbarItemForItemIdentifierWillBeInsertedIntoToolbar(Toolbar*, const QString& identifier, bool)
{
    if (identifier == JVLPPToolbarShowAllIdentifier) {
        auto item = make<ToolbarItem>(identifier);
        item->setTarget(this);
        item->setAction("toolbarShowAll");
        item->setEnabled(true);
        item->setImage(Image::imageNamed(ImageNamePreferencesGeneral).get());
        item->setLabel(jvlPreferenceString("JVLPWShowAll"));
        return item;
    }
    JVLPrefPaneProtocol* pane = paneProtocol(prefPaneWithIdentifier(identifier).get());
    if (!pane)
        return nullptr;
    auto item = make<ToolbarItem>(identifier);
    item->setTarget(this);
    item->setAction("toolbarShowPane");
    item->setEnabled(true);
    item->setImage(pane->icon().get());
    item->setLabel(pane->label());
    return item;
}

// -- Window delegate

void JVLPreferenceWindowController::windowDidMove(Notification*)
{
    if (!autosaveName_.isEmpty() && isWindowLoaded() && !buildingWindow_)
        WindowController::window()->saveFrameUsingName(autosaveName_);
}

void JVLPreferenceWindowController::unselectActivePaneKeepingIt()
{
    const Ref<Object> pane = activePane_;
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "willUnselect"))
        p->willUnselect();
    if (JVLPrefPaneProtocol* p = paneImplementing(pane.get(), "didUnselect"))
        p->didUnselect();
}

void JVLPreferenceWindowController::windowWillClose(Notification*) { unselectActivePaneKeepingIt(); }

void JVLPreferenceWindowController::applicationWillTerminate(Notification*) { unselectActivePaneKeepingIt(); }

void JVLPreferenceWindowController::windowDidBecomeMain(Notification*)
{
    if (JVLPrefPaneProtocol* p = paneImplementing(activePane_.get(), "panelDidBecomeMain"))
        p->panelDidBecomeMain();
}

Rect JVLPreferenceWindowController::windowWillUseStandardFrameDefaultFrame(Window* w, Rect)
{
    if (JVLPrefPaneProtocol* p = paneImplementing(activePane_.get(), "standardSize"))
        return frameForContentSize(p->standardSize());
    return w->frame();
}
