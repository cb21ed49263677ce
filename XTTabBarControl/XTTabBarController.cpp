#include "XTTabBarControl/XTTabBarController.h"

#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/controls/MenuItem.h"
#include "kit/core/Exception.h"

KIT_REGISTER_CLASS(XTTabBarController, kit::Object) { }

XTTabBarController::XTTabBarController(XTTabBarControl* control)
    : control_(control)
{ }

namespace {

kit::Rect xtcRectAt(const std::vector<kit::Rect>& rects, std::int64_t index, const char* what)
{
    if (index < 0 || index >= std::int64_t(rects.size())) {
        kit::log(QStringLiteral("%s: Invalid index (%ld)"), what, long(index));
        return kit::Rect {};
    }
    return rects[std::size_t(index)];
}

} // namespace

kit::Rect XTTabBarController::cellFrameAtIndex(std::int64_t index) const { return xtcRectAt(cellFrames_, index, "cellFrameAtIndex"); }

kit::Rect XTTabBarController::cellTrackingRectAtIndex(std::int64_t index) const
{
    return xtcRectAt(cellTrackingRects_, index, "cellTrackingRectAtIndex");
}

kit::Rect XTTabBarController::closeButtonTrackingRectAtIndex(std::int64_t index) const
{
    return xtcRectAt(closeButtonTrackingRects_, index, "closeButtonTrackingRectAtIndex");
}

void XTTabBarController::layoutCells()
{
    const kit::Ref<XTTabBarControl> control = control_.lock();
    if (!control || !control->tabView() || std::int64_t(control->cells().size()) != control->tabView()->numberOfTabViewItems())
        return;
    cellTrackingRects_.clear();
    closeButtonTrackingRects_.clear();
    cellFrames_.clear();
    const std::vector<kit::Ref<XTTabBarCell>> cells = control->cells();
    const std::vector<double> widths = generateWidthsFromCells(cells);
    setupCells(cells, widths);

    kit::Rect add = control->genericCellRect();
    if (const auto button = control->addTabButton())
        add.size = button->frame().size;
    if (control->orientation() == XTTabBarHorizontalOrientation) {
        float sum = 0;
        for (double w : widths)
            sum += float(w);
        add.origin.y = 3;
        add.origin.x += double(sum) + 2;
    } else {
        // Below the last visible cell, where it takes no tab's clicks; at the top margin without one.
        add.origin.x = 0;
        add.origin.y = widths.empty() ? control->style()->topMarginForTabBarControl() : widths.back() + control->genericCellRect().size.height;
    }
    addButtonRect_ = add;
}

std::vector<double> XTTabBarController::generateWidthsFromCells(const std::vector<kit::Ref<XTTabBarCell>>& cells)
{
    const kit::Ref<XTTabBarControl> control = control_.lock();
    if (!control || !control->style())
        return {};
    const kit::Ref<XTTabStyle> style = control->style();
    const kit::Ref<kit::TabView> tabView = control->tabView();

    // Close buttons first: they change the widths the cells want.
    const bool single = cells.size() == 1;
    const bool allSuppressed = (single && !control->canCloseOnlyTab()) || control->disableTabClose();
    kit::Ref<kit::Object> keep;
    XTTabBarControlDelegate* d = allSuppressed ? nullptr : control->delegateFor("tabViewDisableTabCloseForTabViewItem", keep);
    for (const auto& cell : cells)
        cell->setCloseButtonSuppressed(
            allSuppressed || (d && d->tabViewDisableTabCloseForTabViewItem(tabView.get(), cell->representedObject().objectAs<kit::TabViewItem>().get())));

    XTTabWidths::Input in;
    in.vertical = control->orientation() == XTTabBarVerticalOrientation;
    in.frameWidth = control->frame().size.width;
    in.frameHeight = control->frame().size.height;
    in.leftMargin = style->leftMarginForTabBarControl();
    in.rightMargin = style->rightMarginForTabBarControl();
    in.topMargin = style->topMarginForTabBarControl();
    in.cellHeight = control->genericCellRect().size.height;
    in.compensation = double(control->resizeAreaCompensation());
    in.addButtonWidth = control->showAddTabButton() ? addButtonRect_.size.width : 0;
    in.sizeCellsToFit = control->sizeCellsToFit();
    in.useOverflowMenu = control->useOverflowMenu();
    in.cellMinWidth = double(control->cellMinWidth());
    in.cellMaxWidth = double(control->cellMaxWidth());
    in.cellOptimumWidth = double(control->cellOptimumWidth());
    // Measured on demand, once each: only the cells that may fit are asked.
    std::vector<double> desired(cells.size(), -1);
    in.count = cells.size();
    in.desiredWidthAt = [&cells, &desired](std::size_t i) {
        if (desired[i] < 0)
            desired[i] = cells[i]->desiredWidthOfCell();
        return desired[i];
    };
    XTTabWidths::Output out = XTTabWidths::generate(in);
    if (!out.failure.isEmpty())
        kit::log(QStringLiteral("%s"), out.failure);
    return std::move(out.values);
}

void XTTabBarController::setupCells(const std::vector<kit::Ref<XTTabBarCell>>& cells, const std::vector<double>& widths)
{
    const kit::Ref<XTTabBarControl> control = control_.lock();
    // The menu and its items are kept from one layout to the next, and only the items whose
    // place changed move: adding, closing or moving a tab of a long bar touches a few items.
    const kit::Ref<kit::Menu> lastMenu = overflowMenu_;
    std::int64_t placed = 0;
    overflowMenu_ = nullptr;
    kit::Rect rect = control->genericCellRect();
    const kit::Ref<kit::TabViewItem> selected = control->tabView()->selectedTabViewItem();
    const bool vertical = control->orientation() == XTTabBarVerticalOrientation;
    const std::size_t visible = widths.size();
    const double right = control->style()->rightMarginForTabBarControl();

    for (std::size_t i = 0; i < cells.size(); ++i) {
        XTTabBarCell& cell = *cells[i];
        if (i < visible) {
            if (vertical) {
                rect.origin.x = 0;
                rect.origin.y = widths[i];
                rect.size.width = control->frame().size.width;
                rect.size.height = control->genericCellRect().size.height;
            } else {
                rect.size.width = widths[i];
            }
            cellFrames_.push_back(rect);
            closeButtonTrackingRects_.push_back(cell.closeButtonRectForFrame(rect));
            cellTrackingRects_.push_back(rect);

            std::int64_t bits = 0;
            if (selected && cell.representedObject().object().get() == selected.get()) {
                cell.setState(1);
                bits = XTTabSelectedMask;
                if (i > 0)
                    cells[i - 1]->setTabState(cells[i - 1]->tabState() | XTTabRightNeighbourSelectedMask);
            } else {
                cell.setState(0);
                bits = i > 0 && cells[i - 1]->state() == 1 ? std::int64_t(XTTabLeftNeighbourSelectedMask) : 0;
            }
            if (visible == 1)
                bits |= XTTabPositionLeftMask | XTTabPositionRightMask | XTTabPositionSingleMask;
            else if (i == 0)
                bits |= XTTabPositionLeftMask;
            else if (i == visible - 1)
                bits |= XTTabPositionRightMask;
            cell.setTabState(bits);
            cell.setIsInOverflowMenu(false);
            const kit::Ref<XTProgressIndicator> indicator = cell.indicator();
            if (indicator && !indicator->isHidden() && !control->isTabBarHidden() && indicator->superview().get() != control.get()) {
                control->addSubview(indicator.get());
                indicator->startAnimation();
            }
            if (!vertical)
                rect.origin.x += widths[i];
            continue;
        }
        cell.setState(0);
        cell.setIsInOverflowMenu(true);
        if (const kit::Ref<XTProgressIndicator> indicator = cell.indicator())
            indicator->removeFromSuperview();
        if (vertical)
            rect.origin.y = control->frame().size.height + 2;
        else
            rect.origin.x += right + 20;
        cellFrames_.push_back(rect);
        if (!overflowMenu_) {
            overflowMenu_ = lastMenu ? lastMenu : kit::make<kit::Menu>();
            if (!blankItem_)
                blankItem_ = kit::make<kit::MenuItem>(QString(), kit::Selector(), QString());
            if (overflowMenu_->numberOfItems() == 0 || overflowMenu_->itemArray().front() != blankItem_) {
                overflowMenu_->removeAllItems();
                overflowMenu_->addItem(blankItem_);
            }
            overflowMenu_->setDelegate(this, this);
        }
        placeInOverflowMenu(cell, ++placed, control.get());
    }
    // Fewer tabs overflow than before, or none: the items of the tabs that no longer do go.
    if (overflowMenu_) {
        while (overflowMenu_->numberOfItems() > placed + 1)
            overflowMenu_->removeItemAtIndex(overflowMenu_->numberOfItems() - 1);
    } else if (lastMenu) {
        lastMenu->removeAllItems();
    }
}

void XTTabBarController::placeInOverflowMenu(XTTabBarCell& cell, std::int64_t at, XTTabBarControl* control)
{
    kit::Ref<kit::MenuItem> item = cell.overflowMenuItem();
    if (!item || !cell.overflowMenuItemIsCurrent()) {
        QString title = XTTruncatedTitle(cell.stringValue(), 60);
        if (cell.count() > 0)
            title += QStringLiteral(" (%1)").arg(cell.count());
        if (!item)
            item = kit::make<kit::MenuItem>(title, kit::Selector("overflowMenuAction"), QString());
        else if (item->title() != title)
            item->setTitle(title);
        cell.setOverflowMenuItem(item);
    }
    const std::vector<kit::Ref<kit::MenuItem>>& items = overflowMenu_->itemArray();
    if (std::size_t(at) < items.size() && items[std::size_t(at)] == item)
        return;
    if (const kit::Ref<kit::Menu> menu = item->menu()) {
        // Further down: the items before it stand for tabs that went, or that come later.
        const std::int64_t index = menu == overflowMenu_ ? menu->indexOfItem(item.get()) : -1;
        if (index > at) {
            for (std::int64_t i = index - 1; i >= at; --i)
                overflowMenu_->removeItemAtIndex(i);
            return;
        }
        // In another bar's menu, from before the tab moved here.
        menu->removeItem(item.get());
    }
    item->setTarget(control);
    item->setRepresentedObject(cell.representedObject());
    overflowMenu_->insertItemAtIndex(item, std::min(at, overflowMenu_->numberOfItems()));
}

void XTTabBarController::setSelectedCell(XTTabBarCell* newCell)
{
    const kit::Ref<XTTabBarControl> control = control_.lock();
    if (!control || !newCell)
        return;
    const std::vector<kit::Ref<XTTabBarCell>> cells = control->cells();
    std::size_t old = cells.size();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (cells[i]->state() != 0) {
            old = i;
            break;
        }
    }
    XTTabBarCell* left = nullptr;
    if (old < cells.size()) {
        left = old > 0 ? cells[old - 1].get() : nullptr;
        cells[old]->setState(0);
        cells[old]->setTabState(XTTabPositionMiddleMask);
    } else if (!cells.empty()) {
        left = cells.back().get();
    }
    if (left && left != control->lastVisibleTab().get())
        left->setTabState(left->tabState() & ~std::int64_t(XTTabRightNeighbourSelectedMask));
    if (old + 1 < cells.size())
        cells[old + 1]->setTabState(cells[old + 1]->tabState() & ~std::int64_t(XTTabLeftNeighbourSelectedMask));

    newCell->setState(1);
    newCell->setTabState(XTTabSelectedMask);
    if (!newCell->isInOverflowMenu()) {
        std::size_t index = 0;
        while (index < cells.size() && cells[index].get() != newCell)
            ++index;
        if (index < cells.size()) {
            if (index > 0)
                cells[index - 1]->setTabState(cells[index - 1]->tabState() | XTTabRightNeighbourSelectedMask);
            if (index + 1 < cells.size())
                cells[index + 1]->setTabState(cells[index + 1]->tabState() | XTTabLeftNeighbourSelectedMask);
        }
    }
}

std::int64_t XTTabBarController::numberOfItemsInMenu(kit::Menu* menu)
{
    if (menu && menu == overflowMenu_.get())
        return menu->numberOfItems();
    kit::log(QStringLiteral("Warning: Unexpected menu delegate call for menu %@"), menu ? menu->description() : QStringLiteral("(null)"));
    return 0;
}

bool XTTabBarController::menuUpdateItemAtIndexShouldCancel(kit::Menu* menu, kit::MenuItem* item, std::int64_t, bool)
{
    if (menu && menu == overflowMenu_.get() && item) {
        const kit::Ref<kit::TabViewItem> tab = item->representedObject().objectAs<kit::TabViewItem>();
        const kit::Ref<kit::Object> identifier = tab ? tab->identifier().object() : nullptr;
        // Items live on from one layout to the next: an icon that went away goes from the item too.
        item->setImage(identifier && identifier->respondsToSelector(kit::Selector("icon"))
                ? identifier->valueForKey(QStringLiteral("icon")).objectAs<kit::Image>()
                : nullptr);
    }
    return true;
}
