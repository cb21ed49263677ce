#include "XTTabBarControl/XTTabDragAssistant.h"

#include "AppKitExtensions/JVLNSImage_Extension.h"
#include "XTTabBarControl/XTTabBarControl.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Cursor.h"

#include <algorithm>
#include <cmath>

KIT_REGISTER_CLASS(XTTabDragAssistant, kit::Object) { c.bundle("XTTabBarControl"); }

namespace {

constexpr double xtdaTick = 1.0 / 30.0;
constexpr double xtdaDragAlpha = 0.75;
constexpr double xtdaFadeStep = 0.15;

kit::Ref<XTTabDragAssistant>& xtdaShared()
{
    static kit::Ref<XTTabDragAssistant> assistant;
    return assistant;
}

bool xtdaVertical(const XTTabBarControl& bar) { return bar.orientation() == XTTabBarVerticalOrientation; }

std::int64_t xtdaIndexOf(const std::vector<kit::Ref<XTTabBarCell>>& cells, const XTTabBarCell* cell)
{
    const auto it = std::find_if(cells.begin(), cells.end(), [cell](const kit::Ref<XTTabBarCell>& c) { return c.get() == cell; });
    return it == cells.end() ? -1 : std::int64_t(it - cells.begin());
}

kit::Ref<kit::TabViewItem> xtdaItemOf(const XTTabBarCell* cell)
{
    return cell ? cell->representedObject().objectAs<kit::TabViewItem>() : nullptr;
}

// Alpha within the fade's bounds, snapped onto them against the sums' rounding.
double xtdaClampAlpha(double alpha)
{
    if (alpha < 1e-9)
        return 0;
    if (alpha > xtdaDragAlpha - 1e-9)
        return xtdaDragAlpha;
    return alpha;
}

// Whether the drag ends with the pointer over a tab bar: one that refused the tab, since one that
// took it had the drop. Letting go on a bar that says no is no wish for a window of its own.
bool xtdaEndsOverATabBar(const XTTabBarControl& source)
{
    const kit::Ref<kit::Window> from = source.window();
    for (kit::Ref<kit::View> v = from ? kit::viewUnderDraggingPointer(*from) : nullptr; v; v = v->superview())
        if (dynamic_cast<XTTabBarControl*>(v.get()))
            return true;
    return false;
}

} // namespace

XTTabDragAssistant* XTTabDragAssistant::sharedDragAssistant()
{
    kit::Ref<XTTabDragAssistant>& shared = xtdaShared();
    if (!shared)
        shared = kit::make<XTTabDragAssistant>();
    return shared.get();
}

void XTTabDragAssistant::resetForTesting()
{
    if (const kit::Ref<XTTabDragAssistant> shared = std::exchange(xtdaShared(), nullptr)) {
        for (kit::Ref<kit::Timer>* timer : { &shared->animationTimer_, &shared->fadeTimer_ })
            if (*timer)
                std::exchange(*timer, nullptr)->invalidate();
        shared->draggedTab_ = nullptr;
        shared->draggedView_ = nullptr;
        if (shared->expansion_)
            shared->expansion_->finish();
    }
}

std::vector<std::int64_t> XTTabDragAssistant::sineCurveWidthsFor(double extent, bool vertical)
{
    const double w = extent + (vertical ? 1 : 6);
    std::vector<std::int64_t> widths;
    widths.reserve(8);
    for (int i = 0; i < 7; ++i)
        widths.push_back(std::int64_t(std::trunc(w - (std::sin(i * 0.125 * 3.1417 + 1.57085) * w * 0.5 + w * 0.5))));
    widths.push_back(std::int64_t(std::trunc(extent)));
    return widths;
}

bool XTTabDragAssistant::fadeStep(kit::Window& tab, kit::Window& picture, bool in)
{
    if (in) {
        if (picture.alphaValue() >= xtdaDragAlpha)
            return false;
        tab.setAlphaValue(xtdaClampAlpha(tab.alphaValue() - xtdaFadeStep));
        picture.setAlphaValue(xtdaClampAlpha(picture.alphaValue() + xtdaFadeStep));
        return true;
    }
    if (picture.alphaValue() <= 0) {
        picture.setAlphaValue(0);
        tab.setAlphaValue(xtdaDragAlpha);
        return false;
    }
    if (tab.alphaValue() < xtdaDragAlpha)
        tab.setAlphaValue(xtdaClampAlpha(tab.alphaValue() + xtdaFadeStep));
    picture.setAlphaValue(xtdaClampAlpha(picture.alphaValue() - xtdaFadeStep));
    return true;
}

kit::Size XTTabDragAssistant::miniatureSize(kit::Size size)
{
    if (size.width <= 0 || size.height <= 0)
        return size;
    if (size.width > size.height)
        return kit::MakeSize(125, 125 * size.height / size.width);
    return kit::MakeSize(125 * size.width / size.height, 125);
}

kit::Ref<kit::TabViewItem> XTTabDragAssistant::draggedItem() const { return xtdaItemOf(draggedCell_.get()); }

void XTTabDragAssistant::addParticipant(XTTabBarControl* bar)
{
    if (bar && std::none_of(participatingTabBars_.begin(), participatingTabBars_.end(), [bar](const auto& b) { return b.get() == bar; }))
        participatingTabBars_.emplace_back(bar);
}

void XTTabDragAssistant::startDraggingCellFromTabBarWithMouseDownEvent(XTTabBarCell* cell, XTTabBarControl* bar, const kit::Event& event)
{
    if (!cell || !bar || isDragging_)
        return;
    const kit::Ref<XTTabBarCell> dragged(cell);
    const kit::Ref<XTTabBarControl> source(bar);
    isDragging_ = true;
    sourceTabBar_ = source;
    destinationTabBar_ = source;
    addParticipant(bar);
    draggedCell_ = dragged;
    draggedCellIndex_ = xtdaIndexOf(bar->cells(), cell);

    const kit::Rect f = cell->frame();
    const bool vertical = xtdaVertical(*bar);
    sineCurveWidths_ = sineCurveWidthsFor(vertical ? f.size.height : f.size.width, vertical);
    bar->overflowPopUpButton()->setHidden(true);
    bar->addTabButton()->setHidden(true);
    kit::Cursor::closedHandCursor()->set();

    kit::Ref<kit::Image> image = cell->dragImage();
    if (!image)
        image = kit::make<kit::Image>(kit::MakeSize(1, 1));
    if (const kit::Ref<XTProgressIndicator> indicator = cell->indicator())
        indicator->removeFromSuperview();
    distributePlaceholdersInTabBarWithDraggedCell(bar, cell);

    kit::Point at = f.origin;
    if (bar->isFlipped())
        at.y += f.size.height;
    cell->setHighlighted(false);

    const kit::Ref<kit::Pasteboard> board = kit::Pasteboard::pasteboardWithName(kit::DragPboard);
    board->declareTypesOwner({ XTTabBarControlItemPBType }, nullptr);
    board->setStringForType(QString::number(draggedCellIndex_), XTTabBarControlItemPBType);

    animationTimer_ = kit::Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
        xtdaTick, this, &XTTabDragAssistant::animateDrag, kit::Value(), true);
    kit::NotificationCenter::defaultCenter()->postNotificationNameObject(XTTabDragDidBeginNotification, nullptr);

    const kit::Ref<XTTabDragAssistant> keepSelf(this);
    kit::Ref<kit::Object> keep;
    XTTabBarControlDelegate* d = bar->delegateFor("tabViewShouldDropTabViewItemInTabBar", keep);
    if (d && d->tabViewShouldDropTabViewItemInTabBar(bar->tabView().get(), xtdaItemOf(cell).get(), nullptr)) {
        currentTearOffStyle_ = bar->tearOffStyle();
        draggedTab_ = kit::make<XTTabDragWindowController>(image, kit::BorderlessWindowMask, currentTearOffStyle_);
        at.y -= f.size.height;
        const auto blank = kit::make<kit::Image>(kit::MakeSize(1, 1));
        bar->dragImageAtOffsetEventPasteboardSourceSlideBack(blank.get(), at, kit::ZeroSize, event, board.get(), bar, false);
    } else {
        bar->dragImageAtOffsetEventPasteboardSourceSlideBack(image.get(), at, kit::ZeroSize, event, board.get(), bar, true);
    }
    // A bar outside any window has no drag session to end it.
    if (isDragging_)
        draggedImageEndedAtOperation(kit::Event::mouseLocation(), kit::DragOperationNone);
}

void XTTabDragAssistant::distributePlaceholdersInTabBar(XTTabBarControl* bar)
{
    if (!bar)
        return;
    const kit::Rect frame = draggedCell_ ? draggedCell_->frame() : kit::ZeroRect;
    const std::int64_t n = bar->numberOfVisibleTabs();
    std::vector<kit::Ref<XTTabBarCell>>& cells = bar->mutableCells();
    for (std::int64_t i = 0; i < n; ++i)
        cells.insert(cells.begin() + std::ptrdiff_t(2 * i), kit::make<XTTabBarCell>(frame, false, bar));
    auto last = kit::make<XTTabBarCell>(frame, false, bar);
    if (std::int64_t(cells.size()) <= 2 * n)
        cells.push_back(last);
    else
        cells.insert(cells.begin() + std::ptrdiff_t(2 * n), last);
}

void XTTabDragAssistant::distributePlaceholdersInTabBarWithDraggedCell(XTTabBarControl* bar, XTTabBarCell* cell)
{
    distributePlaceholdersInTabBar(bar);
    std::vector<kit::Ref<XTTabBarCell>>& cells = bar->mutableCells();
    // The dragged cell's index among the placeholders just added.
    const std::int64_t i = xtdaIndexOf(cells, cell);
    if (i < 0)
        return;
    cells[std::size_t(i)] = kit::make<XTTabBarCell>(cell->frame(), true, bar);
    // The later one first, so the earlier index still holds.
    if (i + 1 < std::int64_t(cells.size()))
        cells.erase(cells.begin() + std::ptrdiff_t(i + 1));
    if (i >= 1)
        cells.erase(cells.begin() + std::ptrdiff_t(i - 1));
    // The real cell before the gap no longer has a selected right neighbour; a first tab has none.
    if (i >= 2) {
        XTTabBarCell& before = *cells[std::size_t(i - 2)];
        before.setTabState(before.tabState() & ~std::int64_t(XTTabRightNeighbourSelectedMask));
    }
}

void XTTabDragAssistant::removeAllPlaceholdersFromTabBar(XTTabBarControl* bar)
{
    if (!bar)
        return;
    const kit::Ref<XTTabBarControl> keep(bar);
    // Out of the list first: taken one by one, the count of what is left could equal the tab
    // view's while gaps remain, and the bar would lay a gap out as a tab.
    std::vector<kit::Ref<XTTabBarCell>>& cells = bar->mutableCells();
    std::vector<kit::Ref<XTTabBarCell>> gaps;
    for (auto it = cells.rbegin(); it != cells.rend(); ++it)
        if ((*it)->isPlaceholder())
            gaps.push_back(*it);
    std::erase_if(cells, [](const kit::Ref<XTTabBarCell>& c) { return c->isPlaceholder(); });
    for (const kit::Ref<XTTabBarCell>& gap : gaps)
        bar->removeTabForCell(gap.get());
    bar->update(false);
}

void XTTabDragAssistant::animateDrag(kit::Timer*)
{
    const std::vector<kit::Ref<XTTabBarControl>> bars = participatingTabBars_;
    for (const kit::Ref<XTTabBarControl>& bar : bars) {
        calculateDragAnimationForTabBar(bar.get());
        kit::RunLoop::main().performSelectorTargetArgumentOrderModes(
            kit::Selector("display"), bar.get(), kit::Value(), 1, { kit::DefaultRunLoopMode, kit::EventTrackingRunLoopMode });
    }
}

void XTTabDragAssistant::calculateDragAnimationForTabBar(XTTabBarControl* bar)
{
    if (!bar || !bar->style())
        return;
    const kit::Ref<XTTabBarControl> keep(bar);
    const bool vertical = xtdaVertical(*bar);
    double position = vertical ? bar->style()->topMarginForTabBarControl() : bar->style()->leftMarginForTabBarControl();
    const kit::Point m = currentMouseLoc_;
    const std::vector<kit::Ref<XTTabBarCell>> cells = bar->cells();
    const auto cellAt = [&cells](std::int64_t k) -> kit::Ref<XTTabBarCell> {
        if (k < 0 || k >= std::int64_t(cells.size()))
            return nullptr;
        return cells[std::size_t(k)];
    };
    bool finished = true;
    // A bar the pointer left has no target; the destination's target stays the drop's, whichever
    // bar steps last.
    kit::Ref<XTTabBarCell> target;
    if (bar == destinationTabBar_.get()) {
        finished = false;
        kit::Rect frame;
        if (bar->style()->leftMarginForTabBarControl() > m.x) {
            target = cellAt(0);
        } else if (const kit::Ref<XTTabBarCell> under = bar->cellForPoint(m, &frame)) {
            if (under->isPlaceholder()) {
                target = under;
            } else {
                const std::int64_t k = xtdaIndexOf(cells, under.get());
                const double middle = vertical ? frame.origin.y + frame.size.height * 0.5 : frame.origin.x + frame.size.width * 0.5;
                target = cellAt(middle > (vertical ? m.y : m.x) ? k - 1 : k + 1);
            }
        } else {
            target = bar->lastVisibleTab();
        }
        targetCell_ = target;
    } else if (!destinationTabBar_) {
        targetCell_ = nullptr;
    }

    for (const kit::Ref<XTTabBarCell>& cell : cells) {
        if (cell->isInOverflowMenu())
            break;
        kit::Rect frame = cell->frame();
        if (cell->isPlaceholder()) {
            if (cell != target) {
                cell->setCurrentStep(cell->currentStep() - 1);
                if (cell->currentStep() > 0)
                    finished = false;
            } else {
                cell->setCurrentStep(cell->currentStep() + 1);
            }
            const auto step = std::size_t(cell->currentStep());
            const double size = step < sineCurveWidths_.size() ? double(sineCurveWidths_[step]) : 0;
            (vertical ? frame.size.height : frame.size.width) = size;
        }
        (vertical ? frame.origin.y : frame.origin.x) = position;
        cell->setFrame(frame);
        position += vertical ? frame.size.height : frame.size.width;
    }
    if (finished) {
        std::erase_if(participatingTabBars_, [bar](const kit::Ref<XTTabBarControl>& b) { return b.get() == bar; });
        removeAllPlaceholdersFromTabBar(bar);
    }
}

void XTTabDragAssistant::draggingEnteredTabBarAtPoint(XTTabBarControl* bar, kit::Point point)
{
    if (!isDragging_ || !bar)
        return;
    if (currentTearOffStyle_ == 1 && !destinationTabBar_ && draggedTab_)
        draggedTab_->switchImages();
    destinationTabBar_ = bar;
    currentMouseLoc_ = point;
    bar->overflowPopUpButton()->setHidden(true);
    bar->addTabButton()->setHidden(true);
    if (bar->cells().empty() || !bar->cells().front()->isPlaceholder())
        distributePlaceholdersInTabBar(bar);
    addParticipant(bar);
    if (currentTearOffStyle_ == 0 && draggedView_ && draggedTab_) {
        if (fadeTimer_)
            std::exchange(fadeTimer_, nullptr)->invalidate();
        draggedTab_->window()->orderFront();
        startFade(false);
    }
}

void XTTabDragAssistant::draggingUpdatedInTabBarAtPoint(XTTabBarControl* bar, kit::Point point)
{
    if (!isDragging_ || !bar)
        return;
    if (destinationTabBar_.get() != bar)
        destinationTabBar_ = bar;
    currentMouseLoc_ = point;
}

void XTTabDragAssistant::draggingExitedTabBar(XTTabBarControl* bar)
{
    if (!isDragging_ || !bar)
        return;
    const kit::Ref<XTTabBarControl> keepBar(bar);
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = bar->delegateFor("tabViewShouldAllowTabViewItemToLeaveTabBar", keep);
        d && !d->tabViewShouldAllowTabViewItemToLeaveTabBar(bar->tabView().get(), draggedItem().get(), bar))
        return;
    destinationTabBar_ = nullptr;
    targetCell_ = nullptr;
    currentMouseLoc_ = kit::MakePoint(-1, -1);
    if (fadeTimer_) {
        startFade(true);
        return;
    }
    if (!draggedTab_)
        return;
    if (currentTearOffStyle_ == 1 && !draggedTab_->alternateImage()) {
        kit::Ref<kit::Image> mini = XTWindowSnapshotImage(bar->window().get());
        if (!mini) {
            unsigned mask = 0;
            mini = imageForViewOfCell(draggedCell_.get(), &mask);
        }
        if (mini) {
            mini->setScalesWhenResized(true);
            mini->setSize(miniatureSize(mini->size()));
        }
        draggedTab_->setAlternateImage(mini);
    } else if (currentTearOffStyle_ == 0 && !draggedView_) {
        unsigned mask = 0;
        kit::Ref<kit::Image> picture = imageForViewOfCell(draggedCell_.get(), &mask);
        if (!picture)
            picture = kit::make<kit::Image>(kit::MakeSize(1, 1));
        draggedView_ = kit::make<XTTabDragWindowController>(picture, mask, 0);
        draggedView_->window()->setAlphaValue(0);
        const kit::Point origin = bar->window() ? bar->window()->frame().origin : kit::ZeroPoint;
        draggedView_->window()->setFrameOrigin(kit::MakePoint(origin.x - dragWindowOffset_.width, origin.y + dragWindowOffset_.height));
        draggedView_->window()->orderWindowRelativeTo(kit::WindowBelow, draggedTab_->window()->windowNumber());
    }
    const kit::Ref<kit::TabView> sourceTabView = sourceTabBar_ ? sourceTabBar_->tabView() : nullptr;
    kit::Ref<kit::Object> keepSource;
    if (sourceTabView && sourceTabView->numberOfTabViewItems() == 1 && bar == sourceTabBar_.get()
        && sourceTabBar_->delegateFor("tabViewNewTabBarForDraggedTabViewItemAtPoint", keepSource)) {
        if (const kit::Ref<kit::Window> window = sourceTabBar_->window())
            window->setAlphaValue(0);
        if (currentTearOffStyle_ == 0 && draggedView_)
            draggedView_->window()->setAlphaValue(xtdaDragAlpha);
        return;
    }
    if (currentTearOffStyle_ != 0) {
        draggedTab_->switchImages();
        centersDragWindows_ = true;
    } else if (currentTearOffStyle_ == 0) {
        startFade(true);
    }
}

void XTTabDragAssistant::startFade(bool in)
{
    if (fadeTimer_)
        std::exchange(fadeTimer_, nullptr)->invalidate();
    fadingIn_ = in;
    fadeTimer_ = kit::Timer::scheduledTimerWithTimeIntervalTargetSelectorUserInfoRepeats(
        xtdaTick, this, &XTTabDragAssistant::fadeTick, kit::Value(), true);
}

void XTTabDragAssistant::fadeTick(kit::Timer* timer)
{
    const bool more = draggedTab_ && draggedView_ && fadeStep(*draggedTab_->window(), *draggedView_->window(), fadingIn_);
    if (!more) {
        if (timer)
            timer->invalidate();
        if (fadeTimer_.get() == timer)
            fadeTimer_ = nullptr;
    }
}

void XTTabDragAssistant::draggingBeganAt(kit::Point screen)
{
    if (!draggedTab_)
        return;
    draggedTab_->window()->setFrameTopLeftPoint(screen);
    draggedTab_->window()->orderFront();
    if (sourceTabBar_ && sourceTabBar_->tabView() && sourceTabBar_->tabView()->numberOfTabViewItems() == 1) {
        draggingExitedTabBar(sourceTabBar_.get());
        if (draggedTab_)
            draggedTab_->window()->setAlphaValue(0);
    }
}

void XTTabDragAssistant::draggingMovedTo(kit::Point screen)
{
    if (!draggedTab_)
        return;
    const kit::Ref<XTTabDragWindow> tab = draggedTab_->window();
    if (centersDragWindows_) {
        if (!draggedTab_->isAnimating()) {
            const kit::Point mouse = kit::Event::mouseLocation();
            const kit::Size size = tab->frame().size;
            tab->setFrameDisplay(kit::MakeRect(mouse.x - size.width * 0.5, mouse.y - size.height * 0.5, size.width, size.height), false);
        }
    } else {
        tab->setFrameTopLeftPoint(screen);
    }
    if (draggedView_)
        draggedView_->window()->setFrameTopLeftPoint(
            kit::MakePoint(screen.x - dragWindowOffset_.width, screen.y - tab->frame().size.height + dragWindowOffset_.height));
}

void XTTabDragAssistant::performDragOperation()
{
    if (!isDragging_ || !destinationTabBar_ || !draggedCell_ || !sourceTabBar_)
        return;
    const kit::Ref<XTTabDragAssistant> keepSelf(this);
    const kit::Ref<XTTabBarControl> destination = destinationTabBar_;
    const kit::Ref<XTTabBarControl> source = sourceTabBar_;
    const kit::Ref<XTTabBarCell> cell = draggedCell_;
    const kit::Ref<kit::TabViewItem> item = draggedItem();
    std::vector<kit::Ref<XTTabBarCell>>& cells = destination->mutableCells();

    // The gap the drop fills: the target, else (a drop before any step chose one) the last gap;
    // a real cell is never replaced.
    std::int64_t k = xtdaIndexOf(cells, targetCell_.get());
    if (k < 0 || !cells[std::size_t(k)]->isPlaceholder()) {
        k = -1;
        for (std::int64_t i = std::int64_t(cells.size()) - 1; i >= 0 && k < 0; --i)
            if (cells[std::size_t(i)]->isPlaceholder())
                k = i;
    }
    if (k >= 0)
        cells[std::size_t(k)] = cell;
    else
        cells.insert(cells.begin() + std::ptrdiff_t(destination->numberOfVisibleTabs()), cell);
    cell->setTabBar(destination.get());
    cell->setControlView(destination.get());

    if (destination == source) {
        removeAllPlaceholdersFromTabBar(source.get());
        const kit::Ref<kit::TabView> tabView = source->tabView();
        const std::int64_t j = xtdaIndexOf(source->cells(), cell.get());
        if (tabView && item && j >= 0) {
            const bool selected = tabView->selectedTabViewItem() == item;
            const kit::Ref<kit::Object> tabViewDelegate = tabView->delegate();
            tabView->setDelegate(nullptr);
            tabView->removeTabViewItem(item.get());
            tabView->insertTabViewItemAtIndex(item, j);
            if (selected)
                tabView->selectTabViewItem(item.get());
            tabView->setDelegate(tabViewDelegate.get());
        }
    } else {
        source->removeTabForCell(cell.get());
        std::int64_t j = 0;
        for (const kit::Ref<XTTabBarCell>& c : destination->cells()) {
            if (c == cell)
                break;
            if (!c->isPlaceholder())
                ++j;
        }
        if (item) {
            if (source->tabView())
                source->tabView()->removeTabViewItem(item.get());
            if (destination->tabView())
                destination->tabView()->insertTabViewItemAtIndex(item, j);
        }
        const std::vector<kit::Ref<XTTabBarCell>>& now = destination->cells();
        if (j >= 1 && destination->automaticallyAnimates() && std::size_t(j - 1) < now.size()) {
            const kit::Rect before = now[std::size_t(j - 1)]->frame();
            kit::Rect frame = cell->frame();
            frame.origin.x = before.origin.x + before.size.width;
            cell->setFrame(frame);
        }
        if (item) {
            destination->bindCellToTabViewItem(cell.get(), item.get());
            if (destination->tabView())
                destination->tabView()->selectTabViewItem(item.get());
        }
    }

    if (destination != source || xtdaIndexOf(source->cells(), cell.get()) != draggedCellIndex_) {
        kit::Ref<kit::Object> keep;
        if (XTTabBarControlDelegate* d = source->delegateFor("tabViewDidDropTabViewItemInTabBar", keep))
            d->tabViewDidDropTabViewItemInTabBar(source->tabView().get(), item.get(), destination.get());
    }
    kit::NotificationCenter::defaultCenter()->postNotificationNameObject(XTTabDragDidEndNotification, nullptr);
    finishDrag();
    // After the emptied source's window has closed, which hands key to the kit's front window.
    kit::MakeDropDestinationKey(destination->window().get(), source->window().get());
}

void XTTabDragAssistant::putDraggedCellBack()
{
    if (!sourceTabBar_ || !draggedCell_)
        return;
    removeAllPlaceholdersFromTabBar(sourceTabBar_.get());
    std::vector<kit::Ref<XTTabBarCell>>& cells = sourceTabBar_->mutableCells();
    if (xtdaIndexOf(cells, draggedCell_.get()) >= 0)
        return;
    const std::size_t at = std::min(std::size_t(std::max<std::int64_t>(draggedCellIndex_, 0)), cells.size());
    cells.insert(cells.begin() + std::ptrdiff_t(at), draggedCell_);
}

void XTTabDragAssistant::draggedImageEndedAtOperation(kit::Point screen, std::uint64_t)
{
    if (!isDragging_)
        return;
    const kit::Ref<XTTabDragAssistant> keepSelf(this);
    const kit::Ref<XTTabBarControl> source = sourceTabBar_;
    const kit::Ref<XTTabBarCell> cell = draggedCell_;
    const kit::Ref<kit::TabViewItem> item = draggedItem();
    kit::Ref<kit::Object> keep;
    XTTabBarControlDelegate* should = source ? source->delegateFor("tabViewShouldDropTabViewItemInTabBar", keep) : nullptr;
    kit::Ref<kit::Object> keepNew;
    XTTabBarControlDelegate* maker = source ? source->delegateFor("tabViewNewTabBarForDraggedTabViewItemAtPoint", keepNew) : nullptr;
    if (source && cell && !destinationTabBar_ && should && maker && !xtdaEndsOverATabBar(*source)
        && should->tabViewShouldDropTabViewItemInTabBar(source->tabView().get(), item.get(), nullptr)) {
        const kit::Ref<XTTabBarControl> bar = maker->tabViewNewTabBarForDraggedTabViewItemAtPoint(source->tabView().get(), item.get(), screen);
        if (!bar) {
            kit::log(QStringLiteral("Delegate returned no control to add to."));
            putDraggedCellBack();
        } else {
            // The cell goes where its item will stand, so cells and items keep one order.
            std::vector<kit::Ref<XTTabBarCell>>& cells = bar->mutableCells();
            const std::int64_t at = bar->tabView() ? bar->tabView()->numberOfTabViewItems() : std::int64_t(cells.size());
            cells.insert(cells.begin() + std::ptrdiff_t(std::min<std::size_t>(std::size_t(at), cells.size())), cell);
            source->removeTabForCell(cell.get());
            cell->setTabBar(bar.get());
            cell->setControlView(bar.get());
            if (item) {
                bar->bindCellToTabViewItem(cell.get(), item.get());
                if (source->tabView())
                    source->tabView()->removeTabViewItem(item.get());
                if (bar->tabView())
                    bar->tabView()->addTabViewItem(item);
            }
            bar->update(false);
            if (const kit::Ref<kit::Window> window = bar->window()) {
                if (currentTearOffStyle_ != 0) {
                    if (expansion_)
                        expansion_->finish();
                    expansion_ = kit::make<XTTabWindowExpansion>();
                    expansion_->expandWindowAtPoint(window.get(), kit::Event::mouseLocation());
                } else {
                    window->makeKeyAndOrderFront();
                }
            }
            kit::Ref<kit::Object> keepDrop;
            if (XTTabBarControlDelegate* d = source->delegateFor("tabViewDidDropTabViewItemInTabBar", keepDrop))
                d->tabViewDidDropTabViewItemInTabBar(source->tabView().get(), item.get(), bar.get());
        }
    } else {
        putDraggedCellBack();
    }
    kit::NotificationCenter::defaultCenter()->postNotificationNameObject(XTTabDragDidEndNotification, nullptr);
    finishDrag();
}

void XTTabDragAssistant::finishDrag()
{
    const kit::Ref<XTTabDragAssistant> keepSelf(this);
    const kit::Ref<XTTabBarControl> source = sourceTabBar_;
    if (source && source->tabView()) {
        if (source->tabView()->numberOfTabViewItems() == 0) {
            kit::Ref<kit::Object> keep;
            if (XTTabBarControlDelegate* d = source->delegateFor("tabViewCloseWindowForLastTabViewItem", keep))
                d->tabViewCloseWindowForLastTabViewItem(source->tabView().get(), draggedItem().get());
        } else if (const kit::Ref<kit::Window> window = source->window(); window && window->alphaValue() < 1) {
            // The lone tab came back (or never left): its window, made clear while it was out, returns.
            window->setAlphaValue(1);
        }
    }
    if (fadeTimer_)
        std::exchange(fadeTimer_, nullptr)->invalidate();
    if (const kit::Ref<XTTabDragWindowController> tab = std::exchange(draggedTab_, nullptr))
        tab->window()->orderOut();
    if (const kit::Ref<XTTabDragWindowController> view = std::exchange(draggedView_, nullptr))
        view->window()->orderOut();
    centersDragWindows_ = false;
    isDragging_ = false;
    if (source)
        removeAllPlaceholdersFromTabBar(source.get());
    sourceTabBar_ = nullptr;
    destinationTabBar_ = nullptr;
    const std::vector<kit::Ref<XTTabBarControl>> bars = std::exchange(participatingTabBars_, {});
    for (const kit::Ref<XTTabBarControl>& bar : bars)
        removeAllPlaceholdersFromTabBar(bar.get());
    draggedCell_ = nullptr;
    if (animationTimer_)
        std::exchange(animationTimer_, nullptr)->invalidate();
    sineCurveWidths_.clear();
    targetCell_ = nullptr;
    kit::Cursor::arrowCursor()->set();
}

kit::Ref<kit::Image> XTTabDragAssistant::imageForViewOfCell(XTTabBarCell* cell, unsigned* styleMask)
{
    if (styleMask)
        *styleMask = 0;
    const kit::Ref<XTTabBarControl> bar = cell ? cell->tabBar() : nullptr;
    const kit::Ref<kit::TabViewItem> item = xtdaItemOf(cell);
    if (!bar || !item)
        return nullptr;
    kit::Ref<kit::Object> keep;
    if (XTTabBarControlDelegate* d = bar->delegateFor("tabViewImageForTabViewItemOffsetStyleMask", keep)) {
        dragWindowOffset_ = kit::ZeroSize;
        unsigned mask = 0;
        const kit::Ref<kit::Image> image = d->tabViewImageForTabViewItemOffsetStyleMask(bar->tabView().get(), item.get(), &dragWindowOffset_, &mask);
        if (styleMask)
            *styleMask = mask;
        const kit::Ref<kit::Image> tab = draggedTab_ ? draggedTab_->image() : nullptr;
        if (image && tab) {
            kit::Point at = kit::MakePoint(dragWindowOffset_.width, image->size().height - dragWindowOffset_.height);
            if (xtdaVertical(*bar)) {
                at.x += bar->frame().size.width - tab->size().width;
            } else {
                const double rise = (bar->style() ? bar->style()->tabCellHeight() : 0) - tab->size().height;
                at.y += rise;
                dragWindowOffset_.height -= rise;
            }
            image->lockFocus();
            JVLNSImage_Extension::drawAtPointOperation(*tab, at, kit::CompositeSourceOver);
            image->unlockFocus();
        }
        // The kit's window frames hold no title bar, so a titled mask adds nothing to the offset.
        return image;
    }
    // Drawn by the kit's own capture: cells and views paint only in a display pass.
    const kit::Ref<kit::View> content = item->view();
    return content ? kit::Image::imageWithData(content->dataWithPDFInsideRect(content->bounds())) : nullptr;
}

void XTTabDragAssistant::encodeWithCoder(kit::Coder& coder) const
{
    const auto object = [](const auto& ref) { return kit::Value(kit::Ref<kit::Object>(ref)); };
    coder.encodeObjectForKey(object(sourceTabBar_), QStringLiteral("sourceTabBar"));
    coder.encodeObjectForKey(object(destinationTabBar_), QStringLiteral("destinationTabBar"));
    kit::Array bars;
    for (const kit::Ref<XTTabBarControl>& bar : participatingTabBars_)
        bars.addObject(object(bar));
    coder.encodeObjectForKey(kit::Value(bars), QStringLiteral("participatingTabBars"));
    coder.encodeObjectForKey(object(draggedCell_), QStringLiteral("draggedCell"));
    kit::Array widths;
    for (const std::int64_t width : sineCurveWidths_)
        widths.addObject(kit::Value(width));
    coder.encodeObjectForKey(kit::Value(widths), QStringLiteral("sineCurveWidths"));
    coder.encodeObjectForKey(object(targetCell_), QStringLiteral("targetCell"));
    coder.encodeInt64ForKey(draggedCellIndex_, QStringLiteral("draggedCellIndex"));
    coder.encodeBoolForKey(isDragging_, QStringLiteral("isDragging"));
    coder.encodePointForKey(currentMouseLoc_, QStringLiteral("currentMouseLoc"));
}

void XTTabDragAssistant::initWithCoder(kit::Coder& coder)
{
    sourceTabBar_ = coder.decodeObjectForKey(QStringLiteral("sourceTabBar")).objectAs<XTTabBarControl>();
    destinationTabBar_ = coder.decodeObjectForKey(QStringLiteral("destinationTabBar")).objectAs<XTTabBarControl>();
    participatingTabBars_.clear();
    const kit::Array bars = coder.decodeObjectForKey(QStringLiteral("participatingTabBars")).array();
    for (std::int64_t i = 0; i < bars.count(); ++i)
        if (const auto bar = bars[i].objectAs<XTTabBarControl>())
            participatingTabBars_.push_back(bar);
    draggedCell_ = coder.decodeObjectForKey(QStringLiteral("draggedCell")).objectAs<XTTabBarCell>();
    sineCurveWidths_.clear();
    const kit::Array widths = coder.decodeObjectForKey(QStringLiteral("sineCurveWidths")).array();
    for (std::int64_t i = 0; i < widths.count(); ++i)
        sineCurveWidths_.push_back(widths[i].integerValue());
    targetCell_ = coder.decodeObjectForKey(QStringLiteral("targetCell")).objectAs<XTTabBarCell>();
    draggedCellIndex_ = coder.decodeInt64ForKey(QStringLiteral("draggedCellIndex"));
    isDragging_ = coder.decodeBoolForKey(QStringLiteral("isDragging"));
    currentMouseLoc_ = coder.decodePointForKey(QStringLiteral("currentMouseLoc"));
}
