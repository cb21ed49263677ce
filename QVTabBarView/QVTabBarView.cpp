#include "QVTabBarView/QVTabBarView.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVMetalTabStyle.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVProgressIndicator.h"
#include "QVTabBarView/QVTabBarController.h"
#include "QVTabBarView/QVTabBarExtensions.h"
#include "QVTabBarView/QVTabBarItem.h"
#include "QVTabBarView/QVTabDragAssistant.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Panel.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/Window.h"
#include "kit/controls/MenuItem.h"
#include "kit/core/Exception.h"
#include "kit/core/KeyValueObserving.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/OperationQueue.h"
#include "kit/foundation/Timer.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"

#include <algorithm>
#include <cmath>

KIT_REGISTER_CLASS(QVTabBarView, kit::View)
{
    c.bundle("QVTabBarView");
    c.property(
        "tabView", [](const QVTabBarView& v) { return kit::Value(kit::Ref<kit::Object>(v.tabView())); },
        [](QVTabBarView& v, const kit::Value& x) { v.setTabView(x.objectAs<kit::TabView>()); });
    c.property(
        "delegate", [](const QVTabBarView& v) { return kit::Value(v.delegate()); },
        [](QVTabBarView& v, const kit::Value& x) { v.setDelegate(x.object().get()); });
    c.property(
        "partnerView", [](const QVTabBarView& v) { return kit::Value(kit::Ref<kit::Object>(v.partnerView())); },
        [](QVTabBarView& v, const kit::Value& x) { v.setPartnerView(x.objectAs<kit::View>()); });
    c.property("styleName", &QVTabBarView::styleName, &QVTabBarView::setStyleNamed);
    c.property("sizeButtonsToFit", &QVTabBarView::sizeButtonsToFit, &QVTabBarView::setSizeButtonsToFit);
    c.property("onlyShowCloseOnHover", &QVTabBarView::onlyShowCloseOnHover, &QVTabBarView::setOnlyShowCloseOnHover);
    c.property("hideForSingleTab", &QVTabBarView::hideForSingleTab, &QVTabBarView::setHideForSingleTab);
    c.property("showAddTabButton", &QVTabBarView::showAddTabButton, &QVTabBarView::setShowAddTabButton);
    c.property("automaticallyAnimates", &QVTabBarView::automaticallyAnimates, &QVTabBarView::setAutomaticallyAnimates);
    c.property("allowsScrubbing", &QVTabBarView::allowsScrubbing, &QVTabBarView::setAllowsScrubbing);
    c.property("useOverflowMenu", &QVTabBarView::useOverflowMenu, &QVTabBarView::setUseOverflowMenu);
    c.action("_didClickTabButton", &QVTabBarView::_didClickTabButton);
    c.action("_didClickCloseButton", &QVTabBarView::_didClickCloseButton);
    c.action("_addNewTab", &QVTabBarView::_addNewTab);
    c.action("_overflowMenuAction", &QVTabBarView::_overflowMenuAction);
    c.action("fireSpring", &QVTabBarView::fireSpring);
    c.optionalOperations({ "tabViewShouldSelectTabViewItem", "tabViewWillSelectTabViewItem", "tabViewDidSelectTabViewItem",
        "tabViewDidChangeNumberOfTabViewItems", "animationDidStop", "animationDidEnd", "draggingEntered", "draggingUpdated",
        "draggingExited", "prepareForDragOperation", "performDragOperation", "draggingSourceOperationMaskForLocal",
        "ignoreModifierKeysWhileDragging", "draggedImageBeganAt", "draggedImageMovedTo", "draggedImageEndedAtOperation", "validateMenuItem" });
}

namespace {

char qvTabBarViewIdentifierContext[] = "QVTabBarView.identifier";
char qvTabBarViewToolbarContext[] = "QVTabBarView.toolbar.visible";

const QStringList& qvItemPropertyGetters()
{
    static const QStringList getters { QStringLiteral("icon"), QStringLiteral("largeImage"), QStringLiteral("isProcessing"),
        QStringLiteral("objectCount"), QStringLiteral("objectCountColor"), QStringLiteral("isEdited"), QStringLiteral("hasCloseButton") };
    return getters;
}

// Where a button's property comes from: the item's identifier when it is a tab bar item that
// answers the getter, else the item itself for the properties every tab view item stores.
kit::Ref<kit::Object> qvDataSourceForSelectorWithTabViewItem(const QString& getter, kit::TabViewItem* item)
{
    if (!item)
        return nullptr;
    if (const kit::Ref<kit::Object> identifier = item->identifier().object())
        if (dynamic_cast<QVTabBarItem*>(identifier.get()) && identifier->respondsToSelector(kit::Selector(getter)))
            return identifier;
    if (qvItemPropertyGetters().contains(getter) || getter == QLatin1String("label"))
        return kit::Ref<kit::Object>(item);
    return nullptr;
}

bool qvIsTabDrag(kit::DraggingInfo& info)
{
    const kit::Ref<kit::Pasteboard> board = info.draggingPasteboard();
    return board && board->types().contains(QVTabBarViewDragType);
}

} // namespace

QVTabBarView::QVTabBarView(kit::Rect frame)
    : kit::View(frame)
{
    setMainThreadAffine();
    commonInit();
    registerForDraggedTypes({ QVTabBarViewDragType });
}

QVTabBarView::~QVTabBarView()
{
    observeWindow(nullptr, false);
    if (slideButtonsAnimation_)
        std::exchange(slideButtonsAnimation_, nullptr)->stopAnimation();
    if (hideShowTabBarAnimation_)
        std::exchange(hideShowTabBarAnimation_, nullptr)->stopAnimation();
    if (springTimer_)
        std::exchange(springTimer_, nullptr)->invalidate();
    for (const kit::Ref<QVAttachedTabBarButton>& button : attachedButtons())
        unbindPropertiesOfAttachedButton(button.get());
}

void QVTabBarView::commonInit()
{
    controller_ = kit::make<QVTabBarController>(this);
    style_ = kit::make<QVMetalTabStyle>();
    _updateOverflowPopUpButton();
    _updateAddTabButton();
}

kit::Bundle* QVTabBarView::bundle()
{
    // Not cached: the bundle table can be rebuilt (a new main bundle path), which frees the old ones.
    return kit::Bundle::bundleForClass(QVTabBarView::staticClass());
}

// Style ------------------------------------------------------------------------------------------

void QVTabBarView::setStyle(kit::Ref<QVTabStyle> style)
{
    if (!style || style == style_)
        return;
    style_ = std::move(style);
    if (orientation_ == QVTabBarHorizontalOrientation && !supportsOrientation(QVTabBarHorizontalOrientation))
        orientation_ = QVTabBarVerticalOrientation;
    if (orientation_ == QVTabBarVerticalOrientation && !supportsOrientation(QVTabBarVerticalOrientation))
        orientation_ = QVTabBarHorizontalOrientation;
    _updateAddTabButton();
    _updateOverflowPopUpButton();
    for (const kit::Ref<QVAttachedTabBarButton>& button : attachedButtons())
        button->setStyle(style_);
    updateAnimate(false);
}

void QVTabBarView::setStyleNamed(const QString& name)
{
    if (kit::Ref<QVTabStyle> style = QVTabStyle::makeStyleNamed(name))
        setStyle(std::move(style));
}

void QVTabBarView::setDelegate(kit::Object* delegate)
{
    delegate_ = delegate;
    QStringList types { QVTabBarViewDragType };
    kit::Ref<kit::Object> keep;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("allowedDraggedTypesForTabView", keep))
        types << d->allowedDraggedTypesForTabView(tabView_.get());
    unregisterDraggedTypes();
    registerForDraggedTypes(types);
}

void QVTabBarView::setTabView(kit::Ref<kit::TabView> tabView)
{
    if (tabView == tabView_)
        return;
    tabView_ = std::move(tabView);
    if (tabView_) {
        const auto visible = visibleTabViewItems();
        for (const kit::Ref<kit::TabViewItem>& item : tabView_->tabViewItems())
            if (std::find(visible.begin(), visible.end(), item) == visible.end())
                addAttachedButtonForTabViewItem(item.get());
    }
    // Lay the new buttons out (they were made 30 points wide, none selected).
    setNeedsUpdate(true);
}

// Options ----------------------------------------------------------------------------------------

void QVTabBarView::setOnlyShowCloseOnHover(bool flag)
{
    onlyShowCloseOnHover_ = flag;
    setNeedsUpdate(true);
}

void QVTabBarView::setCanCloseOnlyTab(bool flag)
{
    canCloseOnlyTab_ = flag;
    if (numberOfAttachedButtons() == 1)
        setNeedsUpdate(true);
}

void QVTabBarView::setDisableTabClose(bool flag)
{
    disableTabClose_ = flag;
    setNeedsUpdate(true);
}

void QVTabBarView::setHideForSingleTab(bool flag)
{
    hideForSingleTab_ = flag;
    setNeedsUpdate(true);
}

void QVTabBarView::setShowAddTabButton(bool flag)
{
    showAddTabButton_ = flag;
    setNeedsUpdate(true);
}

void QVTabBarView::setSizeButtonsToFit(bool flag)
{
    sizeButtonsToFit_ = flag;
    setNeedsUpdate(true);
}

void QVTabBarView::setUseOverflowMenu(bool flag)
{
    useOverflowMenu_ = flag;
    setNeedsUpdate(true);
}

void QVTabBarView::setAllowsBackgroundTabClosing(bool flag)
{
    allowsBackgroundTabClosing_ = flag;
    setNeedsUpdate(true);
}

void QVTabBarView::setButtonMinWidth(std::int64_t width)
{
    buttonMinWidth_ = width;
    setNeedsUpdate(true);
}

void QVTabBarView::setButtonMaxWidth(std::int64_t width)
{
    buttonMaxWidth_ = width;
    setNeedsUpdate(true);
}

void QVTabBarView::setButtonOptimumWidth(std::int64_t width)
{
    buttonOptimumWidth_ = width;
    setNeedsUpdate(true);
}

void QVTabBarView::setAllowsScrubbing(bool flag)
{
    allowsScrubbing_ = flag;
    for (const kit::Ref<QVAttachedTabBarButton>& button : attachedButtons())
        button->setSimulateClickOnMouseHovered(flag);
}

void QVTabBarView::setOrientation(std::uint64_t orientation)
{
    const bool changed = orientation != orientation_;
    orientation_ = orientation;
    if (tabBarWidth_ <= 9)
        tabBarWidth_ = 120;
    if (!changed)
        return;
    // Only a vertical bar has a resizing edge.
    if (const kit::Ref<kit::Window> w = window())
        w->invalidateCursorRectsForView(this);
    updateAnimate(false);
}

// Tab view items ---------------------------------------------------------------------------------

std::int64_t QVTabBarView::numberOfTabViewItems() const { return tabView_ ? tabView_->numberOfTabViewItems() : 0; }

std::vector<kit::Ref<kit::TabViewItem>> QVTabBarView::visibleTabViewItems() const
{
    std::vector<kit::Ref<kit::TabViewItem>> out;
    for (const kit::Ref<QVAttachedTabBarButton>& button : orderedAttachedButtons())
        if (kit::Ref<kit::TabViewItem> item = button->tabViewItem())
            out.push_back(std::move(item));
    return out;
}

std::uint64_t QVTabBarView::indexOfTabViewItem(const kit::TabViewItem* item) const
{
    if (!item || !tabView_)
        return QVNotFound;
    const std::int64_t index = tabView_->indexOfTabViewItem(item);
    return index < 0 || index == kit::NotFound ? QVNotFound : std::uint64_t(index);
}

kit::Ref<kit::TabViewItem> QVTabBarView::selectedTabViewItem() const { return tabView_ ? tabView_->selectedTabViewItem() : nullptr; }

void QVTabBarView::selectTabViewItem(kit::TabViewItem* item)
{
    if (tabView_)
        tabView_->selectTabViewItem(item);
}

void QVTabBarView::removeTabViewItem(kit::TabViewItem* item)
{
    if (tabView_ && item)
        tabView_->removeTabViewItem(item);
}

void QVTabBarView::moveTabViewItemToIndex(kit::TabViewItem* item, std::uint64_t index)
{
    if (!tabView_ || !item)
        return;
    const kit::Ref<kit::TabViewItem> keep(item);
    isReorderingTabViewItems_ = true;
    tabView_->removeTabViewItem(item);
    tabView_->insertTabViewItemAtIndex(keep, std::int64_t(std::min<std::uint64_t>(index, std::uint64_t(tabView_->numberOfTabViewItems()))));
    tabView_->selectTabViewItem(item);
    isReorderingTabViewItems_ = false;
}

kit::Ref<kit::TabViewItem> QVTabBarView::tabViewItemPinnedToOverflowButton() const
{
    const kit::Ref<QVAttachedTabBarButton> last = lastAttachedButton();
    return last && last->isOverflowButton() ? last->tabViewItem() : nullptr;
}

void QVTabBarView::setTabViewItemPinnedToOverflowButton(kit::TabViewItem* item)
{
    const kit::Ref<QVAttachedTabBarButton> last = lastAttachedButton();
    if (!last)
        return;
    unbindPropertiesOfAttachedButton(last.get());
    last->setTabViewItem(kit::Ref<kit::TabViewItem>(item));
    bindPropertiesOfAttachedButtonAndTabViewItem(last.get(), item);
}

// Attached buttons -------------------------------------------------------------------------------

std::int64_t QVTabBarView::numberOfAttachedButtons() const
{
    std::int64_t n = 0;
    for (const kit::Ref<kit::View>& v : subviews())
        if (dynamic_cast<QVAttachedTabBarButton*>(v.get()))
            ++n;
    return n;
}

QVButtons QVTabBarView::attachedButtons() const
{
    QVButtons out;
    for (const kit::Ref<kit::View>& v : subviews())
        if (auto* b = dynamic_cast<QVAttachedTabBarButton*>(v.get()))
            out.emplace_back(b);
    return out;
}

QVButtons QVTabBarView::sortedAttachedButtonsUsingComparator(
    const std::function<bool(const QVAttachedTabBarButton&, const QVAttachedTabBarButton&)>& less) const
{
    QVButtons out = attachedButtons();
    std::stable_sort(out.begin(), out.end(), [&](const auto& a, const auto& b) { return less(*a, *b); });
    return out;
}

QVButtons QVTabBarView::orderedAttachedButtons() const
{
    QVButtons buttons = attachedButtons();
    const bool horizontal = orientation_ == QVTabBarHorizontalOrientation;
    if (isSliding()) {
        std::stable_sort(buttons.begin(), buttons.end(), [horizontal](const auto& a, const auto& b) {
            return horizontal ? a->stackingFrame().origin.x < b->stackingFrame().origin.x
                              : a->stackingFrame().origin.y < b->stackingFrame().origin.y;
        });
        return buttons;
    }
    // By tab view index, items outside the tab view last: a strict weak order.
    std::vector<std::pair<std::uint64_t, kit::Ref<QVAttachedTabBarButton>>> keyed;
    keyed.reserve(buttons.size());
    for (auto& b : buttons)
        keyed.emplace_back(indexOfTabViewItem(b->tabViewItem().get()), b);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        buttons[i] = keyed[i].second;
    return buttons;
}

void QVTabBarView::insertAttachedButtonForTabViewItemAtIndex(kit::TabViewItem* item, std::uint64_t index)
{
    if (!item)
        return;
    const kit::Ref<QVAttachedTabBarButton> last = lastAttachedButton();
    kit::Rect frame = genericButtonRect();
    if (orientation_ == QVTabBarHorizontalOrientation) {
        frame.origin.x = last ? last->frame().maxX() : 0;
        frame.size.width = 30;
    } else {
        frame.origin.y = last ? last->frame().maxY() : 0;
        frame.size.width = last ? last->frame().size.width : 0;
        frame.size.height = 0;
    }
    auto button = kit::make<QVAttachedTabBarButton>(frame, kit::Ref<kit::TabViewItem>(item));
    button->setRolloverButtonType(QVRolloverTabButtonType);
    button->setSimulateClickOnMouseHovered(allowsScrubbing_);
    button->setStyle(style_);
    bindPropertiesOfAttachedButtonAndTabViewItem(button.get(), item);
    addSubview(button.get());
    if (tabView_ && tabView_->indexOfTabViewItem(item) == kit::NotFound) {
        tabView_->insertTabViewItemAtIndex(kit::Ref<kit::TabViewItem>(item),
            std::int64_t(std::min<std::uint64_t>(index, std::uint64_t(tabView_->numberOfTabViewItems()))));
        tabView_->selectTabViewItem(item);
    }
}

void QVTabBarView::addAttachedButtonForTabViewItem(kit::TabViewItem* item)
{
    insertAttachedButtonForTabViewItemAtIndex(item, std::uint64_t(numberOfAttachedButtons()));
}

void QVTabBarView::removeAttachedButton(QVAttachedTabBarButton* button)
{
    if (!button)
        return;
    const kit::Ref<QVAttachedTabBarButton> keep(button);
    if (button->superview().get() == this)
        unbindPropertiesOfAttachedButton(button);
    button->removeFromSuperview();
}

void QVTabBarView::removeAttachedButtonSynchronizeTabViewItems(QVAttachedTabBarButton* button, bool synchronize)
{
    const kit::Ref<kit::TabViewItem> item = button ? button->tabViewItem() : nullptr;
    if (synchronize && item && indexOfTabViewItem(item.get()) != QVNotFound)
        tabView_->removeTabViewItem(item.get());
    else
        removeAttachedButton(button);
}

void QVTabBarView::insertAttachedButtonAtTabItemIndex(QVAttachedTabBarButton* button, std::uint64_t index)
{
    if (!button || !tabView_)
        return;
    // A dropped button takes this bar's look and scrubbing, as a button made here would.
    button->setStyle(style_);
    button->setSimulateClickOnMouseHovered(allowsScrubbing_);
    addSubview(button);
    const kit::Ref<kit::TabViewItem> item = button->tabViewItem();
    bindPropertiesOfAttachedButtonAndTabViewItem(button, item.get());
    if (item) {
        // A tab coming back to the bar it never left keeps its place in the tab view.
        if (tabView_->indexOfTabViewItem(item.get()) == kit::NotFound)
            tabView_->insertTabViewItemAtIndex(
                item, std::int64_t(std::min<std::uint64_t>(index, std::uint64_t(tabView_->numberOfTabViewItems()))));
        tabView_->selectTabViewItem(item.get());
    }
}

kit::IndexSet QVTabBarView::viewIndexesOfAttachedButtons() const
{
    kit::MutableIndexSet indexes;
    const auto& subs = subviews();
    for (std::size_t i = 0; i < subs.size(); ++i)
        if (dynamic_cast<QVAttachedTabBarButton*>(subs[i].get()))
            indexes.addIndex(std::int64_t(i));
    return indexes;
}

std::uint64_t QVTabBarView::viewIndexOfSelectedAttachedButton() const
{
    std::uint64_t found = QVNotFound;
    const auto& subs = subviews();
    for (std::size_t i = 0; i < subs.size(); ++i)
        if (auto* b = dynamic_cast<QVAttachedTabBarButton*>(subs[i].get()); b && b->state() == kit::OnState)
            found = i;
    return found;
}

kit::Ref<QVAttachedTabBarButton> QVTabBarView::selectedAttachedButton() const
{
    const std::uint64_t index = viewIndexOfSelectedAttachedButton();
    return index == QVNotFound ? nullptr : kit::dynamic_pointer_cast<QVAttachedTabBarButton>(subviews()[index]);
}

kit::Ref<QVAttachedTabBarButton> QVTabBarView::lastAttachedButton() const
{
    const QVButtons ordered = orderedAttachedButtons();
    return ordered.empty() ? nullptr : ordered.back();
}

kit::Ref<QVAttachedTabBarButton> QVTabBarView::attachedButtonForTabViewItem(const kit::TabViewItem* item) const
{
    for (const kit::Ref<QVAttachedTabBarButton>& button : attachedButtons())
        if (button->tabViewItem().get() == item)
            return button;
    return nullptr;
}

std::uint64_t QVTabBarView::indexOfAttachedButton(const QVAttachedTabBarButton* button) const
{
    const QVButtons ordered = orderedAttachedButtons();
    for (std::size_t i = 0; i < ordered.size(); ++i)
        if (ordered[i].get() == button)
            return i;
    return QVNotFound;
}

kit::Ref<QVTabBarButton> QVTabBarView::tabBarButtonAtPoint(kit::Point point) const
{
    auto* self = const_cast<QVTabBarView*>(this);
    if (orientation_ == QVTabBarHorizontalOrientation && !kit::PointInRect(point, self->genericButtonRect()))
        return nullptr;
    // hitTest takes the superview's coordinates.
    const kit::Point inSuper = superview() ? convertPointToView(point, superview().get()) : kit::MakePoint(point.x + frame().origin.x, point.y + frame().origin.y);
    const kit::Ref<kit::View> hit = self->hitTest(inSuper);
    if (!hit)
        return nullptr;
    if (auto* b = dynamic_cast<QVTabBarButton*>(hit.get()))
        return kit::Ref<QVTabBarButton>(b);
    return QVTabBarExtensions::enclosingTabBarButton(hit.get());
}

kit::Ref<QVAttachedTabBarButton> QVTabBarView::attachedButtonAtPoint(kit::Point point) const
{
    return kit::dynamic_pointer_cast<QVAttachedTabBarButton>(tabBarButtonAtPoint(point));
}

// Tab states -------------------------------------------------------------------------------------

void QVTabBarView::updateTabStateMaskOfAttachedButtonAtIndexWithPreviousNext(
    QVAttachedTabBarButton* button, std::uint64_t index, QVAttachedTabBarButton* previous, QVAttachedTabBarButton* next)
{
    if (!button)
        return;
    std::uint64_t state = button->tabState() & ~std::uint64_t(QVTabStatePositionMask);
    if (!next)
        state |= QVTabStatePositionLast;
    if (!previous)
        state |= QVTabStatePositionFirst;
    if (previous && next)
        state |= QVTabStatePositionMiddle;
    if (!previous && !next)
        state |= QVTabStatePositionSingle;
    button->setTabState(state);
    std::uint64_t before = previous ? previous->tabState() : 0;
    std::uint64_t after = next ? next->tabState() : 0;
    const auto mark = [&](bool on, std::uint64_t beforeBit, std::uint64_t afterBit) {
        if (on) {
            before |= beforeBit;
            after |= afterBit;
        } else {
            before &= ~beforeBit;
            after &= ~afterBit;
        }
    };
    mark(button->state() == kit::OnState, QVTabStateNextSelected, QVTabStatePreviousSelected);
    mark(button->isSliding(), QVTabStateNextSliding, QVTabStatePreviousSliding);
    mark(destinationIndexForDraggedItem_ == index, QVTabStateNextIsPlaceholder, QVTabStatePreviousIsPlaceholder);
    if (previous)
        previous->setTabState(before);
    if (next)
        next->setTabState(after);
}

void QVTabBarView::updateTabStateMaskOfAttachedButtonAtIndex(QVAttachedTabBarButton* button, std::uint64_t index)
{
    const QVButtons ordered = orderedAttachedButtons();
    QVAttachedTabBarButton* previous = index > 0 && index <= ordered.size() ? ordered[index - 1].get() : nullptr;
    QVAttachedTabBarButton* next = index + 1 < ordered.size() ? ordered[index + 1].get() : nullptr;
    updateTabStateMaskOfAttachedButtonAtIndexWithPreviousNext(button, index, previous, next);
}

void QVTabBarView::updateTabStateMaskOfAttachedButtons() { enumerateAttachedButtonsWithOptionsUsingBlock(QVButtonEnumerationUpdateTabState, nullptr); }

void QVTabBarView::enumerateAttachedButtonsUsingBlock(const std::function<void(QVAttachedTabBarButton* button, std::uint64_t index, bool* stop)>& block)
{
    if (!block)
        return;
    const QVButtons ordered = orderedAttachedButtons();
    bool stop = false;
    for (std::size_t i = 0; i < ordered.size() && !stop; ++i)
        block(ordered[i].get(), i, &stop);
}

void QVTabBarView::enumerateAttachedButtonsWithOptionsUsingBlock(std::uint64_t options, const ButtonBlock& block)
{
    const QVButtons ordered = orderedAttachedButtons();
    enumerateAttachedButtonsInRangeWithOptionsUsingBlock(ordered, kit::MakeRange(0, std::int64_t(ordered.size())), options, block);
}

void QVTabBarView::enumerateAttachedButtonsInRangeWithOptionsUsingBlock(
    const QVButtons& buttons, kit::Range range, std::uint64_t options, const ButtonBlock& block)
{
    const std::size_t begin = std::size_t(std::max<std::int64_t>(0, range.location));
    const std::size_t end = std::min(buttons.size(), begin + std::size_t(std::max<std::int64_t>(0, range.length)));
    const kit::Ref<kit::TabViewItem> selected = selectedTabViewItem();
    QVAttachedTabBarButton* previous = nullptr;
    for (std::size_t i = begin; i < end; ++i) {
        QVAttachedTabBarButton* button = buttons[i].get();
        QVAttachedTabBarButton* next = i + 1 < end ? buttons[i + 1].get() : nullptr;
        if (options & QVButtonEnumerationSyncSelection)
            button->setState(selected && button->tabViewItem() == selected ? kit::OnState : kit::OffState);
        if (options & QVButtonEnumerationUpdateTabState)
            updateTabStateMaskOfAttachedButtonAtIndexWithPreviousNext(button, i, previous, next);
        bool stop = false;
        if (block)
            block(button, i, previous, next, &stop);
        if (stop)
            break;
        previous = button;
    }
}

// Bindings ---------------------------------------------------------------------------------------

void QVTabBarView::bindPropertiesOfAttachedButtonAndTabViewItem(QVAttachedTabBarButton* button, kit::TabViewItem* item)
{
    if (!button || !item)
        return;
    if (const kit::Ref<kit::Object> source = qvDataSourceForSelectorWithTabViewItem(QStringLiteral("title"), item))
        button->bindToObjectWithKeyPathOptions(QStringLiteral("title"), source.get(), QStringLiteral("title"), {});
    else if (const kit::Ref<kit::Object> label = qvDataSourceForSelectorWithTabViewItem(QStringLiteral("label"), item))
        button->bindToObjectWithKeyPathOptions(QStringLiteral("title"), label.get(), QStringLiteral("label"), {});
    const auto bindIfSourced = [&](const QString& name, const kit::Dictionary& options) {
        if (const kit::Ref<kit::Object> source = qvDataSourceForSelectorWithTabViewItem(name, item))
            button->bindToObjectWithKeyPathOptions(name, source.get(), name, options);
    };
    if (const kit::Ref<QVProgressIndicator> spinner = button->indicator())
        spinner->setHidden(true);
    bindIfSourced(QStringLiteral("isProcessing"), {});
    button->setIcon(nullptr);
    bindIfSourced(QStringLiteral("icon"), {});
    button->setObjectCount(0);
    bindIfSourced(QStringLiteral("objectCount"), kit::Dictionary { { kit::Value(kit::ConditionallySetsHiddenBindingOption), kit::Value(true) } });
    button->setObjectCountColor(QVAttachedTabBarButtonCell::defaultObjectCountColor());
    bindIfSourced(QStringLiteral("objectCountColor"), {});
    button->setLargeImage(nullptr);
    bindIfSourced(QStringLiteral("largeImage"), {});
    button->setIsEdited(false);
    bindIfSourced(QStringLiteral("isEdited"), {});
    button->setHasCloseButton(false);
    bindIfSourced(QStringLiteral("hasCloseButton"), {});
    item->addObserverForKeyPathOptionsContext(
        this, QStringLiteral("identifier"), kit::KeyValueObservingOptionOld | kit::KeyValueObservingOptionNew, qvTabBarViewIdentifierContext);
}

void QVTabBarView::unbindPropertiesOfAttachedButton(QVAttachedTabBarButton* button)
{
    const kit::Ref<kit::TabViewItem> item = button ? button->tabViewItem() : nullptr;
    if (!item)
        return;
    if (kit::debug::observationCount(item.get(), QStringLiteral("identifier")) > 0)
        try {
            item->removeObserverForKeyPathContext(this, QStringLiteral("identifier"), qvTabBarViewIdentifierContext);
        } catch (const kit::Exception&) {
            // Not ours: the button was bound by another bar.
        }
    button->unbind(QStringLiteral("title"));
    for (const QString& name : QVTabBarButton::tabBindingNames())
        button->unbind(name);
}

void QVTabBarView::observeValueForKeyPathOfObjectChangeContext(
    const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context)
{
    if (context == qvTabBarViewIdentifierContext) {
        auto* item = dynamic_cast<kit::TabViewItem*>(object);
        if (const kit::Ref<QVAttachedTabBarButton> button = attachedButtonForTabViewItem(item)) {
            unbindPropertiesOfAttachedButton(button.get());
            bindPropertiesOfAttachedButtonAndTabViewItem(button.get(), item);
        }
        return;
    }
    if (context == qvTabBarViewToolbarContext) {
        updateAnimate(false);
        return;
    }
    kit::View::observeValueForKeyPathOfObjectChangeContext(keyPath, object, change, context);
}

kit::Ref<kit::Object> QVTabBarView::menuForTabBarButtonWithEvent(QVTabBarButton* button, const kit::Event& event)
{
    auto* attached = dynamic_cast<QVAttachedTabBarButton*>(button);
    if (!attached || !attached->tabViewItem())
        return nullptr;
    return menuForTabViewItemWithEvent(attached->tabViewItem().get(), event);
}

kit::Ref<kit::Menu> QVTabBarView::menuForTabViewItemWithEvent(kit::TabViewItem* item, const kit::Event&)
{
    kit::Ref<kit::Object> keep;
    auto* d = delegateFor<QVTabBarViewDelegate>("tabViewMenuForTabViewItem", keep);
    return d ? d->tabViewMenuForTabViewItem(tabView_.get(), item) : nullptr;
}

// Update -----------------------------------------------------------------------------------------

void QVTabBarView::setNeedsUpdate(bool flag)
{
    if (!flag) {
        needsUpdate_ = false;
        return;
    }
    if (needsUpdate_)
        return;
    needsUpdate_ = true;
    kit::OperationQueue::mainQueue()->addOperationWithBlock([weak = kit::Weak<QVTabBarView>(this)] {
        if (const kit::Ref<QVTabBarView> view = weak.lock())
            view->update();
    });
}

void QVTabBarView::update()
{
    const kit::Ref<kit::Window> w = window();
    updateAnimate(automaticallyAnimates_ && w && w->isVisible() && !isHidden());
}

void QVTabBarView::updateAnimate(bool animate)
{
    const kit::Ref<QVTabBarView> keep(this);
    const bool dragging = isDragging();
    if (!dragging) {
        const bool shouldDisplay = !(hideForSingleTab_ && numberOfTabViewItems() <= 1);
        if (isHidden_ && shouldDisplay) {
            hideTabBarAnimate(false, animate);
        } else if (!isHidden_ && !shouldDisplay) {
            hideTabBarAnimate(true, animate);
            needsUpdate_ = false;
            return;
        }
    }
    // Buttons of items that left the tab view.
    kit::Ref<kit::Object> keepDelegate;
    auto* detach = delegateFor<QVTabBarViewDelegate>("tabViewDidDetachTabViewItem", keepDelegate);
    for (const kit::Ref<QVAttachedTabBarButton>& button : attachedButtons()) {
        const kit::Ref<kit::TabViewItem> item = button->tabViewItem();
        if (item && indexOfTabViewItem(item.get()) != QVNotFound)
            continue;
        if (detach)
            detach->tabViewDidDetachTabViewItem(tabView_.get(), item.get());
        removeAttachedButton(button.get());
    }
    // Buttons for new items: while a button slides the layout takes the buttons there are;
    // otherwise it makes those it reaches itself.
    if (tabView_ && isSliding()) {
        const kit::Ref<QVAttachedTabBarButton> dragged = dragging ? attachedTabBarButtonForDraggedItems() : nullptr;
        const auto visible = visibleTabViewItems();
        const auto& items = tabView_->tabViewItems();
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (std::find(visible.begin(), visible.end(), items[i]) != visible.end())
                continue;
            if (dragged && dragged->tabViewItem() == items[i])
                continue;
            insertAttachedButtonForTabViewItemAtIndex(items[i].get(), i);
        }
    }
    layoutButtons();
    handOverOverflowMenu();
    const QVButtons buttons = attachedButtons();
    if (!animate) {
        for (const kit::Ref<QVAttachedTabBarButton>& button : buttons)
            button->setFrame(button->stackingFrame());
        _positionAddTabButton();
        setNeedsDisplay(true);
    } else {
        if (slideButtonsAnimation_)
            std::exchange(slideButtonsAnimation_, nullptr)->stopAnimation();
        auto animation = kit::make<QVSlideButtonsAnimation>(buttons);
        if (showAddTabButton_ && addTabButton_)
            animation->addAnimationDictionary(kit::Dictionary {
                { kit::Value(kit::ViewAnimationTargetKey), kit::Value(kit::Ref<kit::Object>(addTabButton_)) },
                { kit::Value(kit::ViewAnimationStartFrameKey), kit::Value(addTabButton_->frame()) },
                { kit::Value(kit::ViewAnimationEndFrameKey), kit::Value(addTabButtonRect()) } });
        else
            _positionAddTabButton();
        animation->setDelegate(this);
        slideButtonsAnimation_ = animation;
        animation->startAnimation();
    }
    needsUpdate_ = false;
}

void QVTabBarView::handOverOverflowMenu()
{
    const kit::Ref<kit::Menu> menu = controller_->overflowMenu();
    if (!overflowPopUpButton_)
        return;
    overflowPopUpButton_->setMenu(menu ? menu : kit::make<kit::Menu>());
    overflowPopUpButton_->setHidden(!menu);
    _positionOverflowMenu();
}

void QVTabBarView::animationDidStop(kit::Animation* animation)
{
    if (animation && animation == hideShowTabBarAnimation_.get())
        finishHideShowAnimation(animation);
    else if (animation && animation == slideButtonsAnimation_.get())
        finishSlideAnimation();
}

void QVTabBarView::animationDidEnd(kit::Animation* animation) { animationDidStop(animation); }

void QVTabBarView::finishSlideAnimation()
{
    slideButtonsAnimation_ = nullptr;
    _positionAddTabButton();
    setNeedsDisplay(true);
}

void QVTabBarView::layoutButtons()
{
    controller_->layoutButtons();
    if (!isDragging())
        _synchronizeSelection();
}

bool QVTabBarView::isAnimating() const { return slideButtonsAnimation_ || hideShowTabBarAnimation_; }

void QVTabBarView::_synchronizeSelection()
{
    const kit::Ref<kit::TabViewItem> selected = selectedTabViewItem();
    kit::Ref<QVAttachedTabBarButton> selectedButton = selected ? attachedButtonForTabViewItem(selected.get()) : nullptr;
    if (selected && !selectedButton) {
        const kit::Ref<QVAttachedTabBarButton> last = lastAttachedButton();
        if (last && last->isOverflowButton()) {
            setTabViewItemPinnedToOverflowButton(selected.get());
            selectedButton = last;
        }
    }
    for (const kit::Ref<QVAttachedTabBarButton>& button : attachedButtons()) {
        button->setTabState(button->tabState() & ~std::uint64_t(QVTabStatePreviousSelected | QVTabStateNextSelected));
        const int state = button == selectedButton ? kit::OnState : kit::OffState;
        if (button->state() != state)
            button->setState(state);
    }
    if (selectedButton)
        updateTabStateMaskOfAttachedButtonAtIndex(selectedButton.get(), indexOfAttachedButton(selectedButton.get()));
    // What a selection change compares with: a click turns its button on before the tab view selects.
    announcedSelectedButton_ = selectedAttachedButton().get();
}

// Queries ----------------------------------------------------------------------------------------

bool QVTabBarView::isWindowActive() const
{
    const kit::Ref<kit::Window> w = window();
    if (!w)
        return false;
    return w->isKeyWindow() || (dynamic_cast<kit::Panel*>(w.get()) && kit::Application::sharedApplication()->isActive());
}

bool QVTabBarView::allowsDetachedDraggingOfTabViewItem(kit::TabViewItem* item)
{
    kit::Ref<kit::Object> keep;
    auto* d = delegateFor<QVTabBarViewDelegate>("tabViewShouldAllowTabViewItemToLeaveTabBarView", keep);
    return d && d->tabViewShouldAllowTabViewItemToLeaveTabBarView(tabView_.get(), item, this);
}

bool QVTabBarView::isOverflowButtonVisible() const
{
    return overflowPopUpButton_ && overflowPopUpButton_->frame().size.width != 0 && overflowPopUpButton_->frame().size.height != 0
        && !overflowPopUpButton_->isHidden();
}

// Window -----------------------------------------------------------------------------------------

void QVTabBarView::observeWindow(kit::Window* window, bool observe)
{
    auto center = kit::NotificationCenter::defaultCenter();
    for (const kit::Ref<kit::Object>& token : windowObservers_)
        center->removeObserver(token.get());
    windowObservers_.clear();
    if (const kit::Ref<kit::Window> old = observedWindow_.lock())
        if (kit::debug::observationCount(old.get(), QStringLiteral("toolbar.visible")) > 0)
            try {
                old->removeObserverForKeyPathContext(this, QStringLiteral("toolbar.visible"), qvTabBarViewToolbarContext);
            } catch (const kit::Exception&) {
            }
    observedWindow_ = nullptr;
    if (!observe || !window)
        return;
    observedWindow_ = window;
    const kit::Weak<QVTabBarView> weak(this);
    for (const QString& name : { kit::WindowDidBecomeKeyNotification, kit::WindowDidResignKeyNotification })
        windowObservers_.push_back(center->addObserverForNameObjectQueueUsingBlock(name, window, nullptr, [weak](kit::Notification*) {
            if (const kit::Ref<QVTabBarView> view = weak.lock())
                view->windowStatusDidChange();
        }));
    windowObservers_.push_back(center->addObserverForNameObjectQueueUsingBlock(kit::WindowDidMoveNotification, window, nullptr, [weak](kit::Notification*) {
        if (const kit::Ref<QVTabBarView> view = weak.lock())
            view->setNeedsDisplay(true);
    }));
    window->addObserverForKeyPathOptionsContext(this, QStringLiteral("toolbar.visible"), kit::KeyValueObservingOptionNew, qvTabBarViewToolbarContext);
}

void QVTabBarView::viewWillMoveToWindow(kit::Window* window)
{
    kit::View::viewWillMoveToWindow(window);
    if (slideButtonsAnimation_)
        std::exchange(slideButtonsAnimation_, nullptr)->stopAnimation();
    if (hideShowTabBarAnimation_)
        std::exchange(hideShowTabBarAnimation_, nullptr)->stopAnimation();
    observeWindow(window, window != nullptr);
}

void QVTabBarView::viewDidMoveToWindow()
{
    kit::View::viewDidMoveToWindow();
    _checkWindowFrame();
}

void QVTabBarView::windowStatusDidChange()
{
    for (const kit::Ref<QVAttachedTabBarButton>& button : attachedButtons())
        button->updateImages();
    _updateAddTabButton();
    _updateOverflowPopUpButton();
    // The remade pop-up shows the last layout's menu, not an empty one until the next layout.
    handOverOverflowMenu();
    setNeedsDisplay(true);
}

void QVTabBarView::setFrameSize(kit::Size size)
{
    const kit::Size old = frame().size;
    kit::View::setFrameSize(size);
    if (!(old == size))
        frameDidChange();
}

void QVTabBarView::frameDidChange()
{
    _checkWindowFrame();
    // A live resize keeps them stopped until it ends.
    stopIndicators(!inLiveResize());
    if (const kit::Ref<kit::Window> w = window())
        w->invalidateCursorRectsForView(this);
    updateAnimate(false);
}

void QVTabBarView::stopIndicators(bool restartOnNextTurn)
{
    // Restarted on the next turn, and only where the cell's rule runs them: hidden ones draw nothing.
    for (const kit::Ref<QVAttachedTabBarButton>& button : attachedButtons())
        if (const kit::Ref<QVProgressIndicator> spinner = button->indicator()) {
            spinner->stopAnimation(nullptr);
            if (restartOnNextTurn && button->isProcessing() && !spinner->isHidden())
                spinner->startAnimationOnNextTurn();
        }
}

void QVTabBarView::viewWillStartLiveResize()
{
    kit::View::viewWillStartLiveResize();
    stopIndicators(false);
    setNeedsDisplay(true);
}

void QVTabBarView::viewDidEndLiveResize()
{
    kit::View::viewDidEndLiveResize();
    stopIndicators(true);
    _checkWindowFrame();
    updateAnimate(false);
}

void QVTabBarView::resetCursorRects()
{
    kit::View::resetCursorRects();
    if (orientation_ == QVTabBarVerticalOrientation)
        if (const kit::Rect divider = dividerRect(); !kit::IsEmptyRect(divider))
            addCursorRect(divider, _resizingMouseCursor().get());
}

// Actions ----------------------------------------------------------------------------------------

void QVTabBarView::_didClickTabButton(kit::Object* sender)
{
    if (auto* button = dynamic_cast<QVAttachedTabBarButton*>(sender); button && tabView_ && button->tabViewItem())
        tabView_->selectTabViewItem(button->tabViewItem().get());
}

void QVTabBarView::_didClickCloseButton(kit::Object* sender)
{
    auto* close = dynamic_cast<kit::View*>(sender);
    const kit::Ref<QVAttachedTabBarButton> button = kit::dynamic_pointer_cast<QVAttachedTabBarButton>(QVTabBarExtensions::enclosingTabBarButton(close));
    const kit::Ref<kit::TabViewItem> item = button ? button->tabViewItem() : nullptr;
    if (!item) {
        kit::Beep();
        return;
    }
    if (numberOfAttachedButtons() == 1 && !canCloseOnlyTab_) {
        kit::Beep();
        return;
    }
    kit::Ref<kit::Object> keep;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewShouldCloseTabViewItem", keep); d && !d->tabViewShouldCloseTabViewItem(tabView_.get(), item.get()))
        return;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewWillCloseTabViewItem", keep))
        d->tabViewWillCloseTabViewItem(tabView_.get(), item.get());
    if (tabView_)
        tabView_->removeTabViewItem(item.get());
    if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewDidCloseTabViewItem", keep))
        d->tabViewDidCloseTabViewItem(tabView_.get(), item.get());
}

void QVTabBarView::_addNewTab(kit::Object*)
{
    kit::Ref<kit::Object> keep;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("addNewTabToTabView", keep))
        d->addNewTabToTabView(tabView_.get());
}

void QVTabBarView::_overflowMenuAction(kit::Object* sender)
{
    auto* menuItem = dynamic_cast<kit::MenuItem*>(sender);
    const auto item = menuItem ? menuItem->representedObject().objectAs<kit::TabViewItem>() : nullptr;
    if (item && tabView_)
        tabView_->selectTabViewItem(item.get());
}

bool QVTabBarView::validateMenuItem(kit::MenuItem* item)
{
    if (!item)
        return false;
    const auto represented = item->representedObject().objectAs<kit::TabViewItem>();
    const kit::Ref<kit::TabViewItem> selected = selectedTabViewItem();
    item->setState(represented && represented == selected ? kit::OnState : kit::OffState);
    kit::Ref<kit::Object> keep;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewValidateOverflowMenuItemForTabViewItem", keep))
        return d->tabViewValidateOverflowMenuItemForTabViewItem(tabView_.get(), item, represented.get());
    return true;
}

// Tab view delegate -------------------------------------------------------------------------------

bool QVTabBarView::tabViewShouldSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item)
{
    kit::Ref<kit::Object> keep;
    auto* d = delegateFor<QVTabBarViewDelegate>("tabViewShouldSelectTabViewItem", keep);
    return !d || d->tabViewShouldSelectTabViewItem(tabView, item);
}

void QVTabBarView::tabViewWillSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item)
{
    kit::Ref<kit::Object> keep;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewWillSelectTabViewItem", keep))
        d->tabViewWillSelectTabViewItem(tabView, item);
}

void QVTabBarView::tabViewDidSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item)
{
    const kit::Ref<QVAttachedTabBarButton> before = announcedSelectedButton_.lock();
    _synchronizeSelection();
    setNeedsDisplay(true);
    announceSelectedButton(before);
    kit::Ref<kit::Object> keep;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewDidSelectTabViewItem", keep))
        d->tabViewDidSelectTabViewItem(tabView, item);
}

void QVTabBarView::tabViewDidChangeNumberOfTabViewItems(kit::TabView* tabView)
{
    if (tabView != tabView_.get() || isReorderingTabViewItems_)
        return;
    setNeedsUpdate(true);
    kit::Ref<kit::Object> keep;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewDidChangeNumberOfTabViewItems", keep))
        d->tabViewDidChangeNumberOfTabViewItems(tabView);
}

// Drags ------------------------------------------------------------------------------------------

bool QVTabBarView::shouldStartDraggingAttachedTabBarButtonWithMouseDownEvent(QVAttachedTabBarButton* button, const kit::Event& event)
{
    kit::Ref<kit::Object> keep;
    if (auto* d = delegateFor<QVTabBarViewDelegate>("tabViewShouldDragTabViewItemInTabBarView", keep);
        d && button && !d->tabViewShouldDragTabViewItemInTabBarView(tabView_.get(), button->tabViewItem().get(), this))
        return false;
    return QVTabDragAssistant::sharedDragAssistant()->shouldStartDraggingAttachedTabBarButtonOfTabBarViewWithMouseDownEvent(button, this, event);
}

void QVTabBarView::startDraggingAttachedTabBarButtonWithMouseDownEvent(QVAttachedTabBarButton* button, const kit::Event& event)
{
    QVTabDragAssistant::sharedDragAssistant()->startDraggingAttachedTabBarButtonFromTabBarViewWithMouseDownEvent(button, this, event);
}

bool QVTabBarView::isDragging() const { return QVTabDragAssistant::sharedDragAssistant()->isDragging(); }
bool QVTabBarView::isSliding() const { return QVTabDragAssistant::sharedDragAssistant()->isSliding(); }
kit::Ref<QVAttachedTabBarButton> QVTabBarView::attachedTabBarButtonForDraggedItems() const
{
    return QVTabDragAssistant::sharedDragAssistant()->attachedTabBarButtonForDraggedItems();
}

std::uint64_t QVTabBarView::draggingSourceOperationMaskForLocal(bool local)
{
    return QVTabDragAssistant::sharedDragAssistant()->draggingSourceOperationMaskForLocalOfTabBarView(local, this);
}

void QVTabBarView::draggedImageBeganAt(kit::Object*, kit::Point screen)
{
    QVTabDragAssistant::sharedDragAssistant()->draggedImageBeganAtWithTabBarView(screen, this);
}

void QVTabBarView::draggedImageMovedTo(kit::Object*, kit::Point screen) { QVTabDragAssistant::sharedDragAssistant()->draggedImageMovedTo(screen); }

void QVTabBarView::draggedImageEndedAtOperation(kit::Object*, kit::Point screen, std::uint64_t operation)
{
    QVTabDragAssistant::sharedDragAssistant()->draggedImageEndedAtOperation(screen, operation);
}

std::uint64_t QVTabBarView::draggingEntered(kit::DraggingInfo& info)
{
    // Other types start spring-loading with the first update.
    return qvIsTabDrag(info) ? QVTabDragAssistant::sharedDragAssistant()->draggingEnteredInTabBarView(info, this) : kit::DragOperationNone;
}

double QVTabBarView::springingDelay()
{
    const kit::Value ms = kit::UserDefaults::standardUserDefaults()->objectForKey(QStringLiteral("SpringingDelayMilliseconds"));
    return ms.isNumber() ? double(ms.integerValue()) / 1000.0 : 0.668;
}

std::uint64_t QVTabBarView::draggingUpdated(kit::DraggingInfo& info)
{
    if (qvIsTabDrag(info))
        return QVTabDragAssistant::sharedDragAssistant()->draggingUpdatedInTabBarView(info, this);
    const kit::Point p = convertPointFromView(info.draggingLocation(), nullptr);
    // The location, not the info: the info lives only during this call, the timer longer. Kept
    // on every update, so the spring opens what is under the pointer when it fires.
    springLocation_ = p;
    const kit::Ref<QVAttachedTabBarButton> button = attachedButtonAtPoint(p);
    if (!button)
        return kit::DragOperationNone;
    if (button->tabViewItem() != tabViewItemWithSpring_.lock()) {
        if (springTimer_)
            std::exchange(springTimer_, nullptr)->invalidate();
        tabViewItemWithSpring_ = button->tabViewItem().get();
    }
    if (springTimer_)
        return kit::DragOperationCopy;
    springTimer_ = kit::Timer::scheduledTimerWithTimeIntervalRepeatsBlock(springingDelay(), false, [weak = kit::Weak<QVTabBarView>(this)](kit::Timer* t) {
        if (const kit::Ref<QVTabBarView> view = weak.lock())
            view->fireSpring(t);
    });
    return kit::DragOperationCopy;
}

void QVTabBarView::fireSpring(kit::Object* timer)
{
    KIT_ASSERT(timer == springTimer_.get(), "Spring fired by unrecognized timer %@", kit::Value(kit::Ref<kit::Object>(timer)));
    if (timer != springTimer_.get())
        return;
    if (const kit::Ref<QVAttachedTabBarButton> button = attachedButtonAtPoint(springLocation_); button && tabView_)
        tabView_->selectTabViewItem(button->tabViewItem().get());
    // Cleared whatever was under the pointer, so the tab can spring again.
    tabViewItemWithSpring_ = nullptr;
    std::exchange(springTimer_, nullptr)->invalidate();
}

void QVTabBarView::draggingExited(kit::DraggingInfo& info)
{
    if (springTimer_)
        std::exchange(springTimer_, nullptr)->invalidate();
    tabViewItemWithSpring_ = nullptr;
    // Only tab drags are the assistant's: a file crossing the bar is not.
    if (qvIsTabDrag(info) && QVTabDragAssistant::sharedDragAssistant()->pasteboardItem())
        QVTabDragAssistant::sharedDragAssistant()->draggingExitedTabBarViewDraggingInfo(this, &info);
}

bool QVTabBarView::prepareForDragOperation(kit::DraggingInfo& info)
{
    if (qvIsTabDrag(info))
        return QVTabDragAssistant::sharedDragAssistant()->destinationTabBar() != nullptr;
    // Other drags may land on a tab: the delegate decides in performDragOperation.
    return attachedButtonAtPoint(convertPointFromView(info.draggingLocation(), nullptr)) != nullptr;
}

bool QVTabBarView::performDragOperation(kit::DraggingInfo& info)
{
    // The assistant has moved or inserted the tab when it takes the drop; the platform's drag,
    // started with a blank image and no slide-back, then ends without further effect.
    if (qvIsTabDrag(info) && QVTabDragAssistant::sharedDragAssistant()->performDragOperationForTabBarView(info, this))
        return false;
    const kit::Ref<QVAttachedTabBarButton> button = attachedButtonAtPoint(convertPointFromView(info.draggingLocation(), nullptr));
    if (!button)
        return false;
    kit::Ref<kit::Object> keep;
    auto* d = delegateFor<QVTabBarViewDelegate>("tabViewAcceptedDraggingInfoOnTabViewItem", keep);
    return d && d->tabViewAcceptedDraggingInfoOnTabViewItem(tabView_.get(), info, button->tabViewItem().get());
}
