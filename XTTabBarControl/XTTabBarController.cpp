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
    for (const auto& cell : cells) {
        bool suppressed = false;
        if (single && !control->canCloseOnlyTab()) {
            suppressed = true;
        } else if (control->disableTabClose()) {
            suppressed = true;
        } else {
            kit::Ref<kit::Object> keep;
            if (XTTabBarControlDelegate* d = control->delegateFor("tabViewDisableTabCloseForTabViewItem", keep))
                suppressed = d->tabViewDisableTabCloseForTabViewItem(tabView.get(), cell->representedObject().objectAs<kit::TabViewItem>().get());
        }
        cell->setCloseButtonSuppressed(suppressed);
    }

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
    in.desiredWidths.reserve(cells.size());
    for (const auto& cell : cells)
        in.desiredWidths.push_back(cell->desiredWidthOfCell());
    XTTabWidths::Output out = XTTabWidths::generate(in);
    if (!out.failure.isEmpty())
        kit::log(QStringLiteral("%s"), out.failure);
    return std::move(out.values);
}

void XTTabBarController::setupCells(const std::vector<kit::Ref<XTTabBarCell>>& cells, const std::vector<double>& widths)
{
    const kit::Ref<XTTabBarControl> control = control_.lock();
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
            overflowMenu_ = kit::make<kit::Menu>();
            overflowMenu_->addItemWithTitleActionKeyEquivalent(QString(), kit::Selector(), QString());
            overflowMenu_->setDelegate(this, this);
        }
        QString title = XTTruncatedTitle(cell.stringValue(), 60);
        if (cell.count() > 0)
            title += QStringLiteral(" (%1)").arg(cell.count());
        const kit::Ref<kit::MenuItem> item =
            overflowMenu_->addItemWithTitleActionKeyEquivalent(title, kit::Selector("overflowMenuAction"), QString());
        item->setTarget(control.get());
        item->setRepresentedObject(cell.representedObject());
    }
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
        if (identifier && identifier->respondsToSelector(kit::Selector("icon")))
            item->setImage(identifier->valueForKey(QStringLiteral("icon")).objectAs<kit::Image>());
    }
    return true;
}
