#include "QVTabBarView/QVTabBarController.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarItem.h"
#include "QVTabBarView/QVTabBarViewExtensions.h"
#include "kit/controls/MenuItem.h"
#include "kit/core/Exception.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

KIT_REGISTER_CLASS(QVSlideButtonsAnimation, kit::ViewAnimation) { c.bundle("QVTabBarView"); }

KIT_REGISTER_CLASS(QVTabBarController, kit::Object)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "numberOfItemsInMenu", "menuUpdateItemAtIndexShouldCancel" });
}

namespace {

std::int64_t qvIntSum(const std::vector<double>& widths)
{
    std::int64_t sum = 0;
    for (double w : widths)
        sum += std::int64_t(w);
    return sum;
}

std::int64_t qvIntMin(const std::vector<double>& widths)
{
    std::int64_t m = 0;
    for (std::size_t i = 0; i < widths.size(); ++i)
        m = i == 0 ? std::int64_t(widths[i]) : std::min(m, std::int64_t(widths[i]));
    return m;
}

// The spread of a remainder from the last width to the first: q = rem / k toward zero.
double qvSpread(std::vector<double>& widths, std::size_t count, std::int64_t rem)
{
    double added = 0;
    for (std::size_t k = count; k >= 1; --k) {
        const std::int64_t q = rem / std::int64_t(k);
        widths[k - 1] = double(std::int64_t(widths[k - 1]) + q);
        rem -= q;
        added += double(q);
    }
    return added;
}

} // namespace

QVSlideButtonsAnimation::QVSlideButtonsAnimation(const QVButtons& buttons)
{
    for (const kit::Ref<QVAttachedTabBarButton>& button : buttons)
        addAnimationDictionary(kit::Dictionary { { kit::Value(kit::ViewAnimationTargetKey), kit::Value(kit::Ref<kit::Object>(button)) },
            { kit::Value(kit::ViewAnimationStartFrameKey), kit::Value(button->frame()) },
            { kit::Value(kit::ViewAnimationEndFrameKey), kit::Value(button->stackingFrame()) } });
    setDuration(0.3);
    setAnimationBlockingMode(kit::AnimationNonblocking);
}

QVTabBarController::QVTabBarController(QVTabBarView* view)
    : view_(view)
{ }

void QVTabBarController::layoutButtons()
{
    const kit::Ref<QVTabBarView> view = view_.lock();
    if (!view)
        return;
    QVButtons buttons;
    pendingItems_.clear();
    const kit::Ref<kit::TabView> tabView = view->tabView();
    if (tabView && !view->isSliding()) {
        // The tab view's order; items without a button get one only if the layout reaches them.
        const kit::Ref<QVAttachedTabBarButton> dragged = view->isDragging() ? view->attachedTabBarButtonForDraggedItems() : nullptr;
        const kit::TabViewItem* draggedItem = dragged ? dragged->tabViewItem().get() : nullptr;
        // Each item's button from one pass over the subviews (the first button of an item, as
        // attachedButtonForTabViewItem answers), not a pass per item.
        std::unordered_map<const kit::TabViewItem*, kit::Ref<QVAttachedTabBarButton>> byItem;
        for (kit::Ref<QVAttachedTabBarButton>& button : view->attachedButtons())
            if (const kit::TabViewItem* item = button->tabViewItem().get())
                byItem.emplace(item, std::move(button));
        const auto& items = tabView->tabViewItems();
        buttons.reserve(items.size());
        pendingItems_.reserve(items.size());
        for (const kit::Ref<kit::TabViewItem>& item : items) {
            if (draggedItem && draggedItem == item.get())
                continue;
            const auto found = byItem.find(item.get());
            buttons.push_back(found == byItem.end() ? nullptr : found->second);
            pendingItems_.push_back(buttons.back() ? nullptr : item);
        }
    } else {
        buttons = view->orderedAttachedButtons();
        pendingItems_.assign(buttons.size(), nullptr);
    }
    const std::uint64_t destination = view->destinationIndexForDraggedItem();
    if (destination != QVNotFound)
        if (const kit::Ref<QVAttachedTabBarButton> dragged = view->attachedTabBarButtonForDraggedItems();
            dragged && std::find(buttons.begin(), buttons.end(), dragged) == buttons.end()) {
            const auto at = std::ptrdiff_t(std::min<std::uint64_t>(destination, buttons.size()));
            buttons.insert(buttons.begin() + at, dragged);
            pendingItems_.insert(pendingItems_.begin() + at, nullptr);
        }
    std::vector<double> widths = _generateWidthsFromAttachedButtons(buttons);
    for (std::size_t i = 0; i < std::min(widths.size(), buttons.size()); ++i)
        buttonAt(buttons, i);
    _setupAttachedButtonsWithWidths(buttons, widths);
    pendingItems_.clear();
}

QVAttachedTabBarButton* QVTabBarController::buttonAt(QVButtons& buttons, std::size_t index)
{
    if (index >= buttons.size())
        return nullptr;
    if (!buttons[index] && index < pendingItems_.size() && pendingItems_[index]) {
        const kit::Ref<QVTabBarView> view = view_.lock();
        const kit::Ref<kit::TabViewItem> item = std::exchange(pendingItems_[index], nullptr);
        if (view) {
            view->insertAttachedButtonForTabViewItemAtIndex(item.get(), view->indexOfTabViewItem(item.get()));
            buttons[index] = view->attachedButtonForTabViewItem(item.get());
        }
    }
    return buttons[index].get();
}

std::vector<double> QVTabBarController::_generateWidthsFromAttachedButtons(QVButtons& buttons)
{
    std::vector<double> widths;
    const kit::Ref<QVTabBarView> view = view_.lock();
    if (!view)
        return widths;
    const std::size_t n = buttons.size();
    const bool vertical = view->orientation() == QVTabBarVerticalOrientation;
    // A bar narrower than its margins has no room: nothing below zero.
    double available = std::max(0.0, view->availableWidthForButtons());
    double total = 0;
    std::size_t visible = vertical ? 0 : 1;
    const std::int64_t minWidth = view->buttonMinWidth();
    kit::Ref<kit::Object> keep;
    auto* disabler = view->delegateFor<QVTabBarViewDelegate>("tabViewDisableTabCloseForTabViewItem", keep);
    const auto reserveOverflow = [&] {
        available -= view->overflowButtonSize().width + 4;
        if (!view->showAddTabButton())
            available -= 4;
        available = std::max(0.0, available);
    };
    double y = view->topMargin();
    const double h = view->genericButtonRect().size.height;
    const double availableHeight = vertical ? view->availableHeightForButtons() : 0;
    for (std::size_t i = 0; i < n; ++i) {
        QVAttachedTabBarButton* button = buttonAt(buttons, i);
        if (!button)
            continue;
        bool suppress;
        if ((n == 1 && !view->canCloseOnlyTab()) || view->disableTabClose() || (!view->allowsBackgroundTabClosing() && button->state() != kit::OnState))
            suppress = true;
        else
            suppress = disabler && disabler->tabViewDisableTabCloseForTabViewItem(view->tabView().get(), button->tabViewItem().get());
        button->setSuppressCloseButton(suppress);

        if (vertical) {
            if (y + h > availableHeight)
                break;
            widths.push_back(y);
            y += h;
            ++visible;
            continue;
        }

        double w = view->sizeButtonsToFit() ? std::min(button->desiredWidth(), double(view->buttonMaxWidth())) : double(view->buttonOptimumWidth());
        w = std::ceil(w);
        if (total + w < available) {
            total += w;
            widths.push_back(w);
            visible = n;
            continue;
        }
        if (!view->useOverflowMenu()) {
            widths.clear();
            const double share = double(std::int64_t(available / double(n)));
            for (std::size_t k = 0; k < n; ++k) {
                QVAttachedTabBarButton* b = buttonAt(buttons, k);
                const double desired = b ? b->desiredWidth() : share;
                widths.push_back(view->sizeButtonsToFit() && desired < share ? desired : share);
            }
            visible = n;
            break;
        }
        if (!view->sizeButtonsToFit()) {
            visible = i + 1;
            double share = double(std::int64_t(available / double(i + 1)));
            if (share >= double(minWidth)) {
                std::fill(widths.begin(), widths.end(), share);
                widths.push_back(share);
                total = share * double(i + 1);
                continue;
            }
            reserveOverflow();
            // Never divide by a count below one: with no button before this one, every tab
            // goes to the overflow menu.
            if (i == 0) {
                widths.clear();
                visible = 0;
                break;
            }
            share = double(std::int64_t(available / double(i)));
            if (share >= double(minWidth)) {
                widths.assign(i, share);
                visible = i;
            } else {
                _shrinkWidthsTowardMinimumWithAvailableWidth(widths, minWidth, available);
                if (double(qvIntSum(widths)) > available) {
                    widths.pop_back();
                    visible = i - 1;
                    if (i >= 2) {
                        const double rest = double(std::int64_t(available / double(i - 1)));
                        if (rest >= double(minWidth))
                            std::fill(widths.begin(), widths.end(), rest);
                    }
                } else {
                    visible = i;
                }
            }
            break;
        }
        // Sizing to fit, with the overflow menu.
        double sum = double(qvIntSum(widths)) + (widths.empty() ? 0 : double(widths.size() - 1));
        double sumMin = 0;
        for (double width : widths)
            sumMin += double(std::min<std::int64_t>(std::int64_t(width), minWidth));
        if (sumMin + std::min(w, double(minWidth)) > available) {
            reserveOverflow();
            if (i > 0)
                qvSpread(widths, i, std::int64_t(available - sum));
            visible = i;
            break;
        }
        widths.push_back(w);
        total = w + sum;
        total -= double(_shrinkWidthsTowardMinimumWithAvailableWidth(widths, qvIntSum(widths) / std::int64_t(widths.size()), available));
        if (total > available) {
            const std::int64_t smallest = qvIntMin(widths);
            if (smallest > minWidth)
                total -= double(_shrinkWidthsTowardMinimumWithAvailableWidth(widths, smallest, available));
        }
        if (total > available)
            total -= double(_shrinkWidthsTowardMinimumWithAvailableWidth(widths, minWidth, available));
        if (total > available) {
            kit::log("**** -[QVTabBarController _generateWidthsFromAttachedButtons:] This is a failure (available %f, total %f, width is %f)",
                available, total, w);
            visible = i + 1;
            break;
        }
        if (available > total)
            total += qvSpread(widths, widths.size(), std::int64_t(available - total));
        visible = i + 1;
    }
    if (!vertical && visible <= 1 && n >= 2 && available > 0) {
        widths.clear();
        QVAttachedTabBarButton* b0 = buttonAt(buttons, 0);
        QVAttachedTabBarButton* b1 = buttonAt(buttons, 1);
        const double d0 = b0 ? b0->desiredWidth() : 0;
        const double d1 = b1 ? b1->desiredWidth() : 0;
        double w0 = d0 < available / 2 ? d0 : available / 2;
        const double w1 = d1 < available - w0 ? d1 : available - w0;
        if (w0 + w1 < available)
            w0 = available - w1;
        widths = { w0, w1 };
    }
    for (double& width : widths)
        width = std::max(0.0, width);
    return widths;
}

std::int64_t QVTabBarController::_shrinkWidthsTowardMinimumWithAvailableWidth(std::vector<double>& widths, std::int64_t minimum, double available)
{
    const std::int64_t start = qvIntSum(widths);
    std::int64_t current = start;
    for (;;) {
        bool changed = false;
        for (std::size_t k = widths.size(); k >= 1; --k) {
            const double w = widths[k - 1];
            if (w - 1 < double(minimum))
                continue;
            widths[k - 1] = w - 1;
            --current;
            changed = true;
        }
        if (!changed || double(current) <= available)
            break;
    }
    return start - current;
}

void QVTabBarController::_setupAttachedButtonsWithWidths(const QVButtons& buttons, const std::vector<double>& widths)
{
    overflowMenu_ = nullptr;
    const kit::Ref<QVTabBarView> view = view_.lock();
    if (!view)
        return;
    kit::Rect rect = view->genericButtonRect();
    const bool vertical = view->orientation() == QVTabBarVerticalOrientation;
    const std::size_t shown = std::min(widths.size(), buttons.size());
    kit::Ref<kit::Object> keep;
    auto* tips = view->delegateFor<QVTabBarViewDelegate>("tabViewToolTipForTabViewItem", keep);
    kit::Ref<kit::Object> keep2;
    auto* reporter = view->delegateFor<QVTabBarViewDelegate>("tabViewTabViewItemIsInOverflowMenu", keep2);
    const kit::Ref<kit::TabView> tabView = view->tabView();
    view->enumerateAttachedButtonsInRangeWithOptionsUsingBlock(buttons, kit::MakeRange(0, std::int64_t(shown)),
        QVButtonEnumerationUpdateTabState | QVButtonEnumerationSyncSelection,
        [&](QVAttachedTabBarButton* button, std::uint64_t idx, QVAttachedTabBarButton*, QVAttachedTabBarButton*, bool*) {
            if (tips)
                button->setToolTip(tips->tabViewToolTipForTabViewItem(tabView.get(), button->tabViewItem().get()));
            button->setTarget(view.get());
            button->setAction(kit::Selector("_didClickTabButton"));
            if (const kit::Ref<QVRolloverButton> close = button->closeButton()) {
                if (button->shouldDisplayCloseButton()) {
                    close->setTarget(view.get());
                    button->setCloseButtonAction(kit::Selector("_didClickCloseButton"));
                } else {
                    close->setTarget(nullptr);
                    button->setCloseButtonAction(kit::Selector());
                }
            }
            if (vertical)
                rect = kit::MakeRect(0, widths[idx], view->frame().size.width, view->genericButtonRect().size.height);
            else
                rect.size.width = widths[idx];
            button->setStackingFrame(rect);
            if (idx + 1 == shown && buttons.size() > shown) {
                button->setIsOverflowButton(true);
                addItemToOverflowMenu(button->tabViewItem().get(), button->tabCell()->attributedStringValue().string(), view.get(), reporter);
            } else {
                button->setIsOverflowButton(false);
            }
            if (vertical)
                rect.origin.y += rect.size.height;
            else
                rect.origin.x += widths[idx];
            if (reporter)
                reporter->tabViewTabViewItemIsInOverflowMenu(tabView.get(), button->tabViewItem().get(), false);
        });
    for (std::size_t i = shown; i < buttons.size(); ++i) {
        if (const kit::Ref<QVAttachedTabBarButton> button = buttons[i]) {
            view->removeAttachedButtonSynchronizeTabViewItems(button.get(), false);
            addItemToOverflowMenu(button->tabViewItem().get(), button->tabCell()->attributedStringValue().string(), view.get(), reporter);
        } else if (i < pendingItems_.size() && pendingItems_[i]) {
            addItemToOverflowMenu(pendingItems_[i].get(), titleForItem(pendingItems_[i].get()), view.get(), reporter);
        }
    }
}

QString QVTabBarController::titleForItem(kit::TabViewItem* item) const
{
    // What the item's button would show: its identifier's title when it has one, else the label.
    if (!item)
        return {};
    if (const kit::Ref<kit::Object> identifier = item->identifier().object();
        identifier && dynamic_cast<QVTabBarItem*>(identifier.get()) && identifier->respondsToSelector(kit::Selector("title")))
        return identifier->valueForKey(QStringLiteral("title")).stringValue();
    return item->label();
}

void QVTabBarController::_addItemToOverflowMenuWithTitle(kit::TabViewItem* item, const QString& title)
{
    const kit::Ref<QVTabBarView> view = view_.lock();
    kit::Ref<kit::Object> keep;
    auto* reporter = view ? view->delegateFor<QVTabBarViewDelegate>("tabViewTabViewItemIsInOverflowMenu", keep) : nullptr;
    addItemToOverflowMenu(item, title, view.get(), reporter);
}

void QVTabBarController::addItemToOverflowMenu(kit::TabViewItem* item, const QString& title, QVTabBarView* view, QVTabBarViewDelegate* reporter)
{
    // Made once: a layout of 1,000 tabs adds most of them here.
    static const kit::Selector action("_overflowMenuAction");
    if (!overflowMenu_) {
        overflowMenu_ = kit::make<kit::Menu>();
        overflowMenu_->insertItemWithTitleActionKeyEquivalentAtIndex(QString(), kit::Selector(), QString(), 0);
        overflowMenu_->setDelegate(this, this);
    }
    auto menuItem = overflowMenu_->addItemWithTitleActionKeyEquivalent(QVTabBarViewExtensions::stringByTruncatingToLength(title, 60), action, QString());
    menuItem->setTarget(view);
    menuItem->setRepresentedObject(kit::Value(kit::Ref<kit::Object>(item)));
    if (view && reporter)
        reporter->tabViewTabViewItemIsInOverflowMenu(view->tabView().get(), item, true);
}

std::int64_t QVTabBarController::numberOfItemsInMenu(kit::Menu* menu)
{
    if (menu != overflowMenu_.get()) {
        kit::log("Warning: Unexpected menu delegate call for menu %@", kit::Value(kit::Ref<kit::Object>(menu)));
        return 0;
    }
    return menu->numberOfItems();
}

bool QVTabBarController::menuUpdateItemAtIndexShouldCancel(kit::Menu*, kit::MenuItem* item, std::int64_t, bool)
{
    const auto tab = item ? item->representedObject().objectAs<kit::TabViewItem>() : nullptr;
    const kit::Value identifier = tab ? tab->identifier() : kit::Value();
    if (const kit::Ref<kit::Object> object = identifier.object(); object && object->respondsToSelector(kit::Selector("icon")))
        item->setImage(object->valueForKey(QStringLiteral("icon")).objectAs<kit::Image>());
    return true;
}
