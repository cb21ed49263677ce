#include "XTTabBarControl/XTTabBarControl.h"

#include "XTTabBarControl/XTAquaTabStyle.h"
#include "XTTabBarControl/XTCardTabStyle.h"
#include "XTTabBarControl/XTMetalTabStyle.h"
#include "XTTabBarControl/XTPebbleTabStyle.h"
#include "XTTabBarControl/XTUnifiedTabStyle.h"
#include "kit/controls/MenuItem.h"
#include "kit/core/Binding.h"
#include "kit/core/NotificationCenter.h"
#include "kit/core/ValueTransformer.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"

#include <algorithm>
#include <unordered_set>

KIT_REGISTER_CLASS(XTTabBarControl, kit::Control)
{
    c.bundle("XTTabBarControl");
    registerDragging(c);
    c.property(
        "tabView", [](const XTTabBarControl& x) { return kit::Value(x.tabView()); },
        [](XTTabBarControl& x, const kit::Value& v) { x.setTabView(v.objectAs<kit::TabView>()); });
    c.property(
        "partnerView", [](const XTTabBarControl& x) { return kit::Value(x.partnerView()); },
        [](XTTabBarControl& x, const kit::Value& v) { x.setPartnerView(v.objectAs<kit::View>()); });
    c.action("update", static_cast<void (XTTabBarControl::*)()>(&XTTabBarControl::update));
    c.action("overflowMenuAction", &XTTabBarControl::overflowMenuAction);
    c.action("tabClick", &XTTabBarControl::tabClick);
    c.action("tabNothing", &XTTabBarControl::tabNothing);
    c.optionalOperations({ "tabViewShouldSelectTabViewItem", "tabViewWillSelectTabViewItem", "tabViewDidSelectTabViewItem",
        "tabViewDidChangeNumberOfTabViewItems" });
}

namespace {

// The identifier's key paths a cell shows, each with the cell key bound to it and the option.
struct XTBoundKey {
    const char* keyPath;
    const char* binding;
    const QString* transformer;
};

const XTBoundKey xtBoundKeys[] = {
    { "icon", "hasIcon", &kit::IsNotNilTransformerName },
    { "objectCount", "count", nullptr },
    { "countColor", "countColor", nullptr },
    { "largeImage", "hasLargeImage", &kit::IsNotNilTransformerName },
    { "isEdited", "isEdited", nullptr },
};

const char* const xtIndicatorKeyPath = "isProcessing";

} // namespace

XTTabBarControl::XTTabBarControl(kit::Rect frame)
    : Control(frame)
    , controller_(kit::make<XTTabBarController>(this))
    , style_(kit::make<XTMetalTabStyle>())
{
    cells_.reserve(10);
    const double right = style_->rightMarginForTabBarControl();
    overflowPopUpButton_ = kit::make<XTOverflowPopUpButton>(
        kit::MakeRect(frame.size.width - right + 1, 0, right - 1, frame.size.height));
    overflowPopUpButton_->setAutoresizingMask(kit::ViewMinXMargin);
    overflowPopUpButton_->setHidden(true);
    addSubview(overflowPopUpButton_.get());
    positionOverflowMenu();

    addTabButton_ = kit::make<XTRolloverButton>(kit::MakeRect(frame.size.width - right + 1, 3, 16, 16));
    if (auto image = style_->addTabButtonImage())
        addTabButton_->setUsualImage(image);
    if (auto image = style_->addTabButtonPressedImage())
        addTabButton_->setAlternateImage(image);
    if (auto image = style_->addTabButtonRolloverImage())
        addTabButton_->setRolloverImage(image);
    // Image-only: its tool tip says what it does, to the pointer and to a screen reader.
    addTabButton_->setToolTip(bundle()->localizedStringForKeyValueTable(QStringLiteral("New Tab"), QStringLiteral("New Tab"), QStringLiteral("XTTabBarControl")));
    addSubview(addTabButton_.get());
    addTabButton_->setHidden(!showAddTabButton_);
    addTabButton_->setNeedsDisplay(true);

    registerForDraggedTypes({ XTTabBarControlItemPBType });
    setPostsFrameChangedNotifications(true);
    kit::NotificationCenter::defaultCenter()->addObserverSelectorNameObject(
        this, &XTTabBarControl::frameDidChange, kit::ViewFrameDidChangeNotification, this);
    setTarget(this);
}

XTTabBarControl::~XTTabBarControl()
{
    kit::NotificationCenter::defaultCenter()->removeObserver(this);
    kit::RunLoop::cancelPreviousPerformRequestsWithTarget(this);
    stopCellAnimation();
    if (showHideTimer_)
        showHideTimer_->invalidate();
    // Unbind without laying out: the cells go with us.
    const std::vector<kit::Ref<XTTabBarCell>> cells = cells_;
    for (const auto& cell : cells)
        bindPropertiesForCell(cell.get(), nullptr);
    if (tabView_) {
        std::unordered_set<const kit::Object*> shown;
        for (const auto& cell : cells)
            if (const kit::Ref<kit::Object> item = cell->representedObject().object())
                shown.insert(item.get());
        for (const auto& item : tabView_->tabViewItems())
            if (shown.contains(item.get()))
                item->removeObserverForKeyPath(this, QStringLiteral("identifier"));
    }
    cells_.clear();
}

kit::Bundle* XTTabBarControl::bundle()
{
    // Not cached: the bundle table can be rebuilt (a new main bundle path), which frees the old ones.
    return kit::Bundle::bundleForClass(staticClass());
}

void XTTabBarControl::setDelegate(kit::Object* delegate)
{
    Control::setDelegate(delegate);
    QStringList types { XTTabBarControlItemPBType };
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = delegateFor("allowedDraggedTypesForTabView", keep))
        types += d->allowedDraggedTypesForTabView(tabView_.get());
    unregisterDraggedTypes();
    registerForDraggedTypes(types);
}

XTTabBarControlDelegate* XTTabBarControl::delegateFor(const char* operation, kit::Ref<kit::Object>& keep) const
{
    keep = delegate();
    if (!keep || !keep->respondsToSelector(kit::Selector(operation)))
        return nullptr;
    return dynamic_cast<XTTabBarControlDelegate*>(keep.get());
}

void XTTabBarControl::setStyle(kit::Ref<XTTabStyle> style)
{
    if (!style || style == style_)
        return;
    style_ = std::move(style);
    style_->setOrientation(orientation_);
    if (auto image = style_->addTabButtonImage())
        addTabButton_->setUsualImage(image);
    if (auto image = style_->addTabButtonPressedImage())
        addTabButton_->setAlternateImage(image);
    if (auto image = style_->addTabButtonRolloverImage())
        addTabButton_->setRolloverImage(image);
    for (const auto& cell : cells_)
        cell->invalidateTitleCache();
    update();
}

void XTTabBarControl::setStyleNamed(const QString& name)
{
    // Exact names; every other name is Metal.
    if (name == QLatin1String("Aqua"))
        setStyle(kit::make<XTAquaTabStyle>());
    else if (name == QLatin1String("Unified"))
        setStyle(kit::make<XTUnifiedTabStyle>());
    else if (name == QLatin1String("Pebble"))
        setStyle(kit::make<XTPebbleTabStyle>());
    else if (name == QLatin1String("Card"))
        setStyle(kit::make<XTCardTabStyle>());
    else
        setStyle(kit::make<XTMetalTabStyle>());
}

void XTTabBarControl::setCanCloseOnlyTab(bool flag)
{
    canCloseOnlyTab_ = flag;
    if (cells_.size() == 1)
        update();
}

void XTTabBarControl::setShowAddTabButton(bool flag)
{
    showAddTabButton_ = flag;
    const kit::Rect rect = controller_->addButtonRect();
    if (!kit::IsEmptyRect(rect))
        addTabButton_->setFrame(rect);
    addTabButton_->setHidden(!flag);
    addTabButton_->setNeedsDisplay(true);
    update();
}

void XTTabBarControl::setOrientation(int orientation)
{
    if (tabBarWidth_ <= 9)
        tabBarWidth_ = 120;
    if (orientation == orientation_)
        return;
    orientation_ = orientation;
    style_->setOrientation(orientation);
    positionOverflowMenu();
    update(false);
}

double XTTabBarControl::availableCellWidth() const
{
    return frame().size.width - style_->leftMarginForTabBarControl() - style_->rightMarginForTabBarControl() - double(resizeAreaCompensation_);
}

kit::Rect XTTabBarControl::genericCellRect() const
{
    return kit::MakeRect(style_->leftMarginForTabBarControl(), 0, availableCellWidth(), style_->tabCellHeight());
}

void XTTabBarControl::positionOverflowMenu()
{
    const kit::Size size = frame().size;
    const double height = style_->tabCellHeight();
    if (orientation_ == XTTabBarHorizontalOrientation) {
        const double right = style_->rightMarginForTabBarControl();
        const double nudge = resizeAreaCompensation_ ? 1 - double(resizeAreaCompensation_) : 1;
        overflowPopUpButton_->setFrame(kit::MakeRect(size.width - right + nudge, 0, right, height));
        overflowPopUpButton_->setAutoresizingMask(kit::ViewMinXMargin);
    } else {
        overflowPopUpButton_->setFrame(kit::MakeRect(0, size.height - height, size.width, height));
        overflowPopUpButton_->setAutoresizingMask(kit::ViewMinXMargin | kit::ViewMinYMargin);
    }
}

void XTTabBarControl::addTabViewItem(kit::TabViewItem* item) { insertCellForTabViewItem(item, cells_.size()); }

void XTTabBarControl::insertCellForTabViewItem(kit::TabViewItem* item, std::size_t index)
{
    index = std::min(index, cells_.size());
    auto cell = kit::make<XTTabBarCell>(this);
    cell->setRepresentedObject(kit::Value(kit::Ref<kit::Object>(item)));
    // Provisionally just after the cell before it, until the layout places it.
    const XTTabBarCell* before = index > 0 ? cells_[index - 1].get() : nullptr;
    kit::Rect frame = genericCellRect();
    if (orientation_ == XTTabBarHorizontalOrientation) {
        frame.origin.x = before ? before->frame().origin.x + before->frame().size.width : 0;
        frame.size.width = 30;
    } else {
        frame.origin.x = 0;
        frame.origin.y = before ? before->frame().origin.y + before->frame().size.height : 0;
    }
    cell->setFrame(frame);
    bindPropertiesForCell(cell.get(), item);
    item->addObserverForKeyPathOptionsContext(this, QStringLiteral("identifier"), 0, nullptr);
    cells_.insert(cells_.begin() + std::ptrdiff_t(index), cell);
    if (tabView_ && std::int64_t(cells_.size()) == tabView_->numberOfTabViewItems())
        update();
}

XTTabBarControl::Unmatched XTTabBarControl::unmatchedRange(const std::vector<kit::Ref<kit::TabViewItem>>& items) const
{
    const auto same = [this, &items](std::size_t cell, std::size_t item) {
        const XTTabBarCell& c = *cells_[cell];
        return !c.isPlaceholder() && c.representedObject().object().get() == items[item].get();
    };
    Unmatched u;
    const std::size_t m = cells_.size(), k = items.size();
    while (u.firstCell < m && u.firstCell < k && same(u.firstCell, u.firstCell))
        ++u.firstCell;
    u.firstItem = u.firstCell;
    u.endCell = m;
    u.endItem = k;
    while (u.endCell > u.firstCell && u.endItem > u.firstItem && same(u.endCell - 1, u.endItem - 1)) {
        --u.endCell;
        --u.endItem;
    }
    return u;
}

void XTTabBarControl::addCellsForUnrepresentedItems(const kit::TabView& tabView)
{
    // Only the items between the runs that already match can lack a cell.
    const std::vector<kit::Ref<kit::TabViewItem>>& items = tabView.tabViewItems();
    const Unmatched u = unmatchedRange(items);
    std::unordered_set<const kit::Object*> represented;
    for (std::size_t i = u.firstCell; i < u.endCell; ++i)
        if (const kit::Ref<kit::Object> item = cells_[i]->representedObject().object())
            represented.insert(item.get());
    // The cells of the items already shown stand in tab order, so walking both lists together
    // finds each new item's place; gaps of a drag are stepped over.
    std::vector<kit::Ref<kit::TabViewItem>> missing;
    for (std::size_t i = u.firstItem; i < u.endItem; ++i)
        missing.push_back(items[i]);
    std::size_t at = u.firstCell;
    for (const auto& item : missing) {
        while (at < cells_.size() && cells_[at]->isPlaceholder())
            ++at;
        if (!represented.contains(item.get()))
            insertCellForTabViewItem(item.get(), at);
        ++at;
    }
}

void XTTabBarControl::bindPropertiesForCell(XTTabBarCell* cell, kit::TabViewItem* item)
{
    // Forget the previous identifier's observations first, so each key path is observed once.
    if (const kit::Ref<kit::Object> old = cell->observedIdentifier())
        for (const QString& keyPath : cell->observedKeyPaths())
            old->removeObserverForKeyPath(cell, keyPath);
    cell->setObserved(nullptr, {});
    const kit::Ref<XTProgressIndicator> indicator = cell->indicator();
    if (indicator) {
        indicator->unbind(QStringLiteral("animate"));
        indicator->unbind(kit::HiddenBinding);
        indicator->setHidden(true);
    }
    for (const XTBoundKey& key : xtBoundKeys)
        cell->unbind(QString::fromLatin1(key.binding));
    cell->unbind(QStringLiteral("title"));
    if (!item)
        return;

    const kit::Ref<kit::Object> identifier = item->identifier().object();
    QStringList observed;
    const auto responds = [&](const char* keyPath) { return identifier && identifier->respondsToSelector(kit::Selector(keyPath)); };
    if (indicator && responds(xtIndicatorKeyPath)) {
        indicator->bindToObjectWithKeyPathOptions(QStringLiteral("animate"), identifier.get(), QString::fromLatin1(xtIndicatorKeyPath), {});
        kit::Dictionary negate;
        negate.setObjectForKey(kit::Value(kit::NegateBooleanTransformerName), kit::ValueTransformerNameBindingOption);
        indicator->bindToObjectWithKeyPathOptions(kit::HiddenBinding, identifier.get(), QString::fromLatin1(xtIndicatorKeyPath), negate);
        identifier->addObserverForKeyPathOptionsContext(cell, QString::fromLatin1(xtIndicatorKeyPath), 0, nullptr);
        observed << QString::fromLatin1(xtIndicatorKeyPath);
    }
    cell->setHasIcon(false);
    cell->setCount(0);
    cell->setCountColor(nullptr);
    cell->setHasLargeImage(false);
    cell->setIsEdited(false);
    for (const XTBoundKey& key : xtBoundKeys) {
        if (!responds(key.keyPath))
            continue;
        kit::Dictionary options;
        if (key.transformer)
            options.setObjectForKey(kit::Value(*key.transformer), kit::ValueTransformerNameBindingOption);
        cell->bindToObjectWithKeyPathOptions(QString::fromLatin1(key.binding), identifier.get(), QString::fromLatin1(key.keyPath), options);
        identifier->addObserverForKeyPathOptionsContext(cell, QString::fromLatin1(key.keyPath), 0, nullptr);
        observed << QString::fromLatin1(key.keyPath);
    }
    cell->setObserved(identifier.get(), observed);
    cell->bindToObjectWithKeyPathOptions(QStringLiteral("title"), item, QStringLiteral("label"), {});
}

void XTTabBarControl::observeValueForKeyPathOfObjectChangeContext(
    const QString& keyPath, kit::Object* object, const kit::KeyValueChange&, void*)
{
    if (keyPath != QLatin1String("identifier"))
        return;
    auto* item = dynamic_cast<kit::TabViewItem*>(object);
    const std::vector<kit::Ref<XTTabBarCell>> cells = cells_;
    for (const auto& cell : cells)
        if (item && cell->representedObject().object().get() == item)
            bindPropertiesForCell(cell.get(), item);
}

void XTTabBarControl::removeTabForCell(XTTabBarCell* cell)
{
    const kit::Ref<XTTabBarCell> keep(cell);
    const kit::Ref<kit::TabViewItem> item = cell->representedObject().objectAs<kit::TabViewItem>();
    bindPropertiesForCell(cell, nullptr);
    if (item)
        item->removeObserverForKeyPath(this, QStringLiteral("identifier"));
    if (const auto indicator = cell->indicator(); indicator && indicator->superview().get() == this)
        indicator->removeFromSuperview();
    kit::NotificationCenter::defaultCenter()->removeObserver(cell);
    removeTrackingRectsOfCell(cell);
    std::erase_if(cells_, [cell](const kit::Ref<XTTabBarCell>& c) { return c.get() == cell; });
    update();
}

std::vector<kit::Ref<kit::TabViewItem>> XTTabBarControl::representedTabViewItems() const
{
    std::vector<kit::Ref<kit::TabViewItem>> items;
    for (const auto& cell : cells_)
        if (auto item = cell->representedObject().objectAs<kit::TabViewItem>())
            items.push_back(item);
    return items;
}

kit::Ref<XTTabBarCell> XTTabBarControl::cellForPoint(kit::Point point, kit::Rect* cellFrame) const
{
    if (orientation_ == XTTabBarHorizontalOrientation && !kit::PointInRect(point, genericCellRect()))
        return nullptr;
    for (const auto& cell : cells_) {
        if (kit::PointInRect(point, cell->frame())) {
            if (cellFrame)
                *cellFrame = cell->frame();
            return cell;
        }
    }
    return nullptr;
}

kit::Ref<XTTabBarCell> XTTabBarControl::lastVisibleTab() const
{
    for (std::size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i]->isInOverflowMenu())
            return i > 0 ? cells_[i - 1] : nullptr;
    return cells_.empty() ? nullptr : cells_.back();
}

std::int64_t XTTabBarControl::numberOfVisibleTabs() const
{
    std::int64_t count = 0;
    for (const auto& cell : cells_) {
        if (cell->isInOverflowMenu())
            break;
        if (!cell->isPlaceholder())
            ++count;
    }
    return count;
}

void XTTabBarControl::overflowMenuAction(kit::Object* sender)
{
    auto* item = dynamic_cast<kit::MenuItem*>(sender);
    if (item && tabView_)
        tabView_->selectTabViewItem(item->representedObject().objectAs<kit::TabViewItem>().get());
}

void XTTabBarControl::tabClick(kit::Object* sender)
{
    auto* cell = dynamic_cast<XTTabBarCell*>(sender);
    if (cell && tabView_)
        tabView_->selectTabViewItem(cell->representedObject().objectAs<kit::TabViewItem>().get());
}

bool XTTabBarControl::tabViewShouldSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item)
{
    kit::Ref<kit::Object> keep;
    XTTabBarControlDelegate* d = delegateFor("tabViewShouldSelectTabViewItem", keep);
    return d ? d->tabViewShouldSelectTabViewItem(tabView, item) : true;
}

void XTTabBarControl::tabViewWillSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item)
{
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = delegateFor("tabViewWillSelectTabViewItem", keep))
        d->tabViewWillSelectTabViewItem(tabView, item);
}

void XTTabBarControl::tabViewDidSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item)
{
    const std::int64_t index = tabView->indexOfTabViewItem(item);
    if (index >= 0 && index < std::int64_t(cells_.size())) {
        const kit::Ref<XTTabBarCell> cell = cells_[std::size_t(index)];
        if (alwaysShowActiveTab_ && cell->isInOverflowMenu()) {
            // Move the tab to the front with the tab view's delegate detached, so the move itself
            // reports nothing; the selection that follows reports as usual.
            const kit::Ref<kit::Object> tabViewDelegate = tabView->delegate();
            const kit::Ref<kit::TabViewItem> keepItem(item);
            tabView->setDelegate(nullptr);
            tabView->removeTabViewItem(item);
            tabView->insertTabViewItemAtIndex(keepItem, 0);
            cells_.erase(cells_.begin() + index);
            cells_.insert(cells_.begin(), cell);
            cell->setIsInOverflowMenu(false);
            cells_.back()->setIsInOverflowMenu(true);
            tabView->setDelegate(tabViewDelegate.get());
            tabView->selectTabViewItem(item);
            update();
        } else {
            controller_->setSelectedCell(cell.get());
            setNeedsDisplay(true);
            announceSelectedCell();
        }
    }
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = delegateFor("tabViewDidSelectTabViewItem", keep))
        d->tabViewDidSelectTabViewItem(tabView, item);
}

void XTTabBarControl::tabViewDidChangeNumberOfTabViewItems(kit::TabView* tabView)
{
    // A tab added, closed or moved leaves the cells before and after it matching their items:
    // only the cells between are looked up.
    const std::vector<kit::Ref<kit::TabViewItem>>& all = tabView->tabViewItems();
    const Unmatched u = unmatchedRange(all);
    std::unordered_set<const kit::Object*> items;
    for (std::size_t i = u.firstItem; i < u.endItem; ++i)
        items.insert(all[i].get());
    const std::vector<kit::Ref<XTTabBarCell>> cells(cells_.begin() + std::ptrdiff_t(u.firstCell), cells_.begin() + std::ptrdiff_t(u.endCell));
    for (const auto& cell : cells) {
        const kit::Ref<kit::TabViewItem> item = cell->representedObject().objectAs<kit::TabViewItem>();
        if (!item || items.contains(item.get()))
            continue;
        kit::Ref<kit::Object> keep;
        if (XTTabBarControlDelegate* d = delegateFor("tabViewDidCloseTabViewItem", keep))
            d->tabViewDidCloseTabViewItem(tabView, item.get());
        removeTabForCell(cell.get());
    }
    addCellsForUnrepresentedItems(*tabView);
    // A closed selected tab hands the selection on while its cell is still here: the tab that
    // took its place is heard now.
    announceSelectedCell();
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = delegateFor("tabViewDidChangeNumberOfTabViewItems", keep))
        d->tabViewDidChangeNumberOfTabViewItems(tabView);
    // The add button may now stand under the pointer.
    if (addTabButton_)
        addTabButton_->resetCursorRects();
}

bool XTTabBarControl::validateMenuItem(kit::MenuItem* item)
{
    const kit::Ref<kit::TabViewItem> tab = item->representedObject().objectAs<kit::TabViewItem>();
    const kit::Ref<kit::TabViewItem> selected = tabView_ ? tabView_->selectedTabViewItem() : nullptr;
    item->setState(tab && tab == selected ? 1 : 0);
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = delegateFor("tabViewValidateOverflowMenuItemForTabViewItem", keep))
        return d->tabViewValidateOverflowMenuItemForTabViewItem(tabView_.get(), item, tab.get());
    return true;
}

void XTTabBarControl::drawRect(kit::Rect rect)
{
    if (style_)
        style_->drawTabBarInRect(*this, rect);
    drawKeyboardFocusRing();
}
