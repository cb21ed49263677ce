// The detached drag of a tab: the tab window following the pointer, bars opening a gap under it,
// the tear-off look outside every bar, and the end of the drag (a drop on a bar, a new bar from
// the delegate, or the tab going back where it came from).

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVTabBarView.h"
#include "QVTabBarView/QVTabDragAssistant.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"

#include <QBuffer>
#include <QImage>

#include <algorithm>

namespace {

constexpr double qvDragAlpha = 0.75;
constexpr double qvFadeStep = 0.15;

template <class Op> Op* qvDetachedDelegate(QVTabBarView* view, const char* operation, kit::Ref<kit::Object>& keep)
{
    keep = view ? view->delegate() : nullptr;
    if (!keep || !keep->respondsToSelector(kit::Selector(operation)))
        return nullptr;
    return dynamic_cast<Op*>(keep.get());
}

kit::Point qvTopLeft(const kit::Window& w) { return kit::MakePoint(w.frame().origin.x, w.frame().maxY()); }

// Whether the drag ends with the pointer over a bar, which then refused the tab (one that took it
// had the drop): letting go on a bar that says no asks for no window of its own.
bool qvEndsOverABar(const kit::Window* from)
{
    for (kit::Ref<kit::View> v = from ? kit::viewUnderDraggingPointer(*from) : nullptr; v; v = v->superview())
        if (dynamic_cast<QVTabBarView*>(v.get()))
            return true;
    return false;
}

} // namespace

kit::Ref<QVTabPasteboardItem> QVTabDragAssistant::tabItemOf(kit::DraggingInfo& info)
{
    const kit::Ref<kit::Pasteboard> board = info.draggingPasteboard();
    if (!board || !board->types().contains(QVTabBarViewDragType))
        return nullptr;
    for (const kit::Ref<kit::PasteboardItem>& item : board->pasteboardItems())
        if (auto tab = kit::dynamic_pointer_cast<QVTabPasteboardItem>(item); tab && tab->attachedTabBarButton())
            return tab;
    return nullptr;
}

void QVTabDragAssistant::dragDetachedButton(QVAttachedTabBarButton* button, QVTabBarView* view, const kit::Event& event)
{
    const kit::Ref<QVAttachedTabBarButton> keepButton(button);
    const kit::Ref<QVTabBarView> keepView(view);
    isDragging_ = true;
    const kit::Ref<kit::Image> image = button->dragImage();
    const kit::Point origin = button->frame().origin;
    view->removeAttachedButton(button);
    view->update();
    currentTearOffStyle_ = view->tearOffStyle();
    draggedTab_ = kit::make<QVTabDragWindowController>(image ? image : kit::make<kit::Image>(kit::MakeSize(1, 1)), kit::BorderlessWindowMask,
        currentTearOffStyle_);
    auto blank = kit::make<kit::Image>(kit::MakeSize(1, 1));
    view->dragImageAtOffsetEventPasteboardSourceSlideBack(
        blank.get(), origin, kit::ZeroSize, event, kit::Pasteboard::pasteboardWithName(kit::DragPboard).get(), view, false);
    // A drag the platform never reported as ended still ends.
    if (isDragging_)
        draggedImageEndedAtOperation(kit::Event::mouseLocation(), kit::DragOperationNone);
}

void QVTabDragAssistant::draggedImageBeganAtWithTabBarView(kit::Point screen, QVTabBarView* view)
{
    if (!draggedTab_)
        return;
    draggedTab_->window()->setFrameTopLeftPoint(screen);
    draggedTab_->window()->orderFront();
    if (view && view->tabView() && view->tabView()->numberOfTabViewItems() == 1)
        draggingExitedTabBarViewDraggingInfo(view, nullptr);
}

void QVTabDragAssistant::draggedImageMovedTo(kit::Point q)
{
    if (!draggedTab_)
        return;
    const kit::Ref<QVTabDragWindow> tab = draggedTab_->window();
    if (centersDragWindows_) {
        if (!draggedTab_->isAnimating()) {
            const kit::Point mouse = kit::Event::mouseLocation();
            const kit::Size size = tab->frame().size;
            tab->setFrameOrigin(kit::MakePoint(mouse.x - size.width / 2, mouse.y - size.height / 2));
        }
    } else {
        tab->setFrameTopLeftPoint(q);
    }
    if (draggedView_)
        draggedView_->window()->setFrameTopLeftPoint(
            kit::MakePoint(q.x - dragWindowOffset_.width, q.y - tab->frame().size.height + dragWindowOffset_.height));
}

std::uint64_t QVTabDragAssistant::draggingEnteredInTabBarView(kit::DraggingInfo& info, QVTabBarView* view)
{
    const kit::Ref<QVTabPasteboardItem> item = tabItemOf(info);
    if (!item || !view)
        return kit::DragOperationNone;
    const kit::Ref<QVAttachedTabBarButton> button = item->attachedTabBarButton();
    const kit::Point p = view->convertPointFromView(info.draggingLocation(), nullptr);
    const std::uint64_t idx = destinationIndexForButtonAtPointInTabBarView(button.get(), p, view);
    if (idx == QVNotFound)
        return kit::DragOperationNone;
    kit::Ref<kit::Object> keep;
    std::uint64_t op = kit::DragOperationMove;
    if (auto* d = qvDetachedDelegate<QVTabBarViewDelegate>(view, "tabViewValidateDropProposedItemProposedIndexInTabBarView", keep))
        op = d->tabViewValidateDropProposedItemProposedIndexInTabBarView(view->tabView().get(), info, button->tabViewItem().get(), idx, view);
    if (op == kit::DragOperationNone)
        return kit::DragOperationNone;
    if (draggedTab_)
        endDraggingWindow();
    destinationTabBar_ = view;
    currentMouseLocation_ = p;
    if (idx != view->destinationIndexForDraggedItem()) {
        view->setDestinationIndexForDraggedItem(idx);
        view->updateAnimate(true);
    }
    return op;
}

std::uint64_t QVTabDragAssistant::draggingUpdatedInTabBarView(kit::DraggingInfo& info, QVTabBarView* view)
{
    const kit::Ref<QVTabPasteboardItem> item = tabItemOf(info);
    if (!item || !view)
        return kit::DragOperationNone;
    const std::uint64_t prev = view->destinationIndexForDraggedItem();
    if (prev == QVNotFound) {
        const std::uint64_t op = draggingEnteredInTabBarView(info, view);
        if (op != kit::DragOperationNone)
            return op;
    }
    const kit::Ref<QVAttachedTabBarButton> button = item->attachedTabBarButton();
    const kit::Point p = view->convertPointFromView(info.draggingLocation(), nullptr);
    std::uint64_t idx = destinationIndexForButtonAtPointInTabBarView(button.get(), p, view);
    kit::Ref<kit::Object> keep;
    const kit::Ref<QVTabBarView> source = item->sourceTabBar();
    auto* d = qvDetachedDelegate<QVTabBarViewDelegate>(view, "tabViewValidateDropProposedItemProposedIndexInTabBarView", keep);
    std::uint64_t op = kit::DragOperationNone;
    if (idx != QVNotFound)
        op = d ? d->tabViewValidateDropProposedItemProposedIndexInTabBarView(
                     source ? source->tabView().get() : nullptr, info, button->tabViewItem().get(), idx, view)
               : kit::DragOperationMove;
    if (op != kit::DragOperationNone) {
        destinationTabBar_ = view;
        currentMouseLocation_ = p;
    } else {
        if (destinationTabBar_ == view)
            destinationTabBar_ = nullptr;
        idx = QVNotFound;
        if (prev != QVNotFound)
            draggingExitedTabBarViewDraggingInfo(view, &info);
    }
    if (view->destinationIndexForDraggedItem() != idx) {
        view->setDestinationIndexForDraggedItem(idx);
        view->updateAnimate(true);
    }
    return op;
}

void QVTabDragAssistant::draggingExitedTabBarViewDraggingInfo(QVTabBarView* view, kit::DraggingInfo*)
{
    KIT_ASSERT(pasteboardItem_ != nullptr, "%@", kit::Value(QStringLiteral("A tab bar was left without a tab being dragged")));
    if (!pasteboardItem_ || !view)
        return;
    const kit::Ref<QVTabBarView> source = pasteboardItem_->sourceTabBar();
    const kit::Ref<QVAttachedTabBarButton> button = pasteboardItem_->attachedTabBarButton();
    kit::Ref<kit::Object> keep;
    if (view == source.get())
        if (auto* d = qvDetachedDelegate<QVTabBarViewDelegate>(view, "tabViewShouldAllowTabViewItemToLeaveTabBarView", keep);
            d && !d->tabViewShouldAllowTabViewItemToLeaveTabBarView(view->tabView().get(), button ? button->tabViewItem().get() : nullptr, view))
            return;
    const bool last = view == source.get() && view->tabView() && view->tabView()->numberOfTabViewItems() == 1;
    if (!last && view->destinationIndexForDraggedItem() == QVNotFound)
        return;
    if (destinationTabBar_ == view)
        destinationTabBar_ = nullptr;
    view->setDestinationIndexForDraggedItem(QVNotFound);
    view->updateAnimate(true);
    beginDraggingWindow(last);
}

void QVTabDragAssistant::beginDraggingWindow(bool isSourceWindow)
{
    if (!draggedTab_ || !pasteboardItem_)
        return;
    if (fadeTimer_) {
        startFade(true);
        return;
    }
    const kit::Ref<QVTabBarView> source = pasteboardItem_->sourceTabBar();
    const kit::Ref<QVAttachedTabBarButton> button = pasteboardItem_->attachedTabBarButton();
    if (currentTearOffStyle_ == 1 && !draggedTab_->alternateImage()) {
        kit::Ref<kit::Image> mini = source ? miniwindowImageOfWindow(source->window().get()) : nullptr;
        if (!mini)
            mini = imageForViewOfAttachedButton(button.get(), source.get(), nullptr);
        if (mini && mini->size().width > 0 && mini->size().height > 0) {
            const kit::Size size = mini->size();
            const double scale = 125.0 / std::max(size.width, size.height);
            mini->setSize(kit::MakeSize(size.width * scale, size.height * scale));
        }
        draggedTab_->setAlternateImage(mini);
    }
    if (currentTearOffStyle_ == 0) {
        if (!draggedView_) {
            unsigned mask = kit::BorderlessWindowMask;
            const kit::Ref<kit::Image> image = imageForViewOfAttachedButton(button.get(), source.get(), &mask);
            draggedView_ = kit::make<QVTabDragWindowController>(image ? image : kit::make<kit::Image>(kit::MakeSize(1, 1)), mask, 0);
            // Faded in from nothing: the window starts invisible, not at the drag alpha.
            draggedView_->window()->setAlphaValue(0);
        }
        const kit::Point tl = qvTopLeft(*draggedTab_->window());
        draggedView_->window()->setFrameTopLeftPoint(kit::MakePoint(tl.x - dragWindowOffset_.width, tl.y + dragWindowOffset_.height));
        draggedView_->window()->orderWindowRelativeTo(kit::WindowBelow, draggedTab_->window()->windowNumber());
    }
    kit::Ref<kit::Object> keep;
    if (isSourceWindow && source && qvDetachedDelegate<QVTabBarViewDelegate>(source.get(), "tabViewNewTabBarViewForDraggedTabViewItemAtPoint", keep)) {
        if (const kit::Ref<kit::Window> w = source->window())
            w->orderOut();
        if (currentTearOffStyle_ != 0) {
            draggedTab_->switchImages();
            centersDragWindows_ = true;
        } else if (draggedView_) {
            draggedView_->window()->setAlphaValue(qvDragAlpha);
        }
        return;
    }
    if (currentTearOffStyle_ == 0)
        startFade(true);
    else {
        draggedTab_->switchImages();
        centersDragWindows_ = true;
    }
}

void QVTabDragAssistant::endDraggingWindow()
{
    if (currentTearOffStyle_ == 1 && draggedTab_) {
        if (draggedTab_->showingAlternate())
            draggedTab_->switchImages();
        return;
    }
    if (currentTearOffStyle_ == 0 && draggedView_) {
        draggedTab_->window()->orderFront();
        startFade(false);
    }
}

void QVTabDragAssistant::startFade(bool in)
{
    if (fadeTimer_)
        std::exchange(fadeTimer_, nullptr)->invalidate();
    fadingIn_ = in;
    fadeTimer_ = kit::Timer::scheduledTimerWithTimeIntervalRepeatsBlock(1.0 / 30.0, true, [weak = kit::Weak<QVTabDragAssistant>(this)](kit::Timer*) {
        const kit::Ref<QVTabDragAssistant> self = weak.lock();
        if (!self || !self->draggedTab_ || !self->draggedView_) {
            if (self && self->fadeTimer_)
                std::exchange(self->fadeTimer_, nullptr)->invalidate();
            return;
        }
        const kit::Ref<kit::Window> tab = self->draggedTab_->window();
        const kit::Ref<kit::Window> view = self->draggedView_->window();
        // Steps of 0.15 with a tolerance, kept within [0, 0.75].
        const auto clamp = [](double a) { return std::clamp(a, 0.0, qvDragAlpha); };
        bool done;
        if (self->fadingIn_) {
            done = view->alphaValue() >= qvDragAlpha - 1e-6;
            if (!done) {
                tab->setAlphaValue(clamp(tab->alphaValue() - qvFadeStep));
                view->setAlphaValue(clamp(view->alphaValue() + qvFadeStep));
            }
        } else {
            done = view->alphaValue() <= 1e-6;
            if (!done) {
                view->setAlphaValue(clamp(view->alphaValue() - qvFadeStep));
                tab->setAlphaValue(clamp(tab->alphaValue() + qvFadeStep));
            }
            if (view->alphaValue() <= 1e-6) {
                view->setAlphaValue(0);
                tab->setAlphaValue(qvDragAlpha);
                done = true;
            }
        }
        if (done && self->fadeTimer_)
            std::exchange(self->fadeTimer_, nullptr)->invalidate();
    });
}

bool QVTabDragAssistant::performDragOperationForTabBarView(kit::DraggingInfo& info, QVTabBarView* view)
{
    const kit::Ref<QVTabPasteboardItem> item = tabItemOf(info);
    if (!item || !view || !destinationTabBar_)
        return false;
    const kit::Ref<QVAttachedTabBarButton> button = item->attachedTabBarButton();
    const kit::Ref<QVTabBarView> source = item->sourceTabBar();
    const kit::Point p = view->convertPointFromView(info.draggingLocation(), nullptr);
    std::uint64_t idx = destinationIndexForButtonAtPointInTabBarView(button.get(), p, view);
    kit::Ref<kit::Object> keep;
    auto* d = qvDetachedDelegate<QVTabBarViewDelegate>(view, "tabViewValidateDropProposedItemProposedIndexInTabBarView", keep);
    const bool refused = idx == QVNotFound
        || (d && d->tabViewValidateDropProposedItemProposedIndexInTabBarView(view->tabView().get(), info, button->tabViewItem().get(), idx, view)
                == kit::DragOperationNone);
    view->setDestinationIndexForDraggedItem(QVNotFound);
    if (refused) {
        // The source bar lost the button: its next update makes one again.
        if (source)
            source->setNeedsUpdate(true);
        kit::NotificationCenter::defaultCenter()->postNotificationNameObject(QVTabDragDidEndNotification, nullptr);
        finishDrag();
        return false;
    }
    const kit::Ref<kit::TabViewItem> tabItem = button->tabViewItem();
    if (source) {
        source->setIsReorderingTabViewItems(true);
        source->removeTabViewItem(tabItem.get());
    }
    view->setIsReorderingTabViewItems(true);
    view->insertAttachedButtonAtTabItemIndex(button.get(), idx);
    view->setIsReorderingTabViewItems(false);
    if (source)
        source->setIsReorderingTabViewItems(false);
    if (source && (source != view || idx != item->sourceIndex()))
        if (auto* s = qvDetachedDelegate<QVTabBarViewDelegate>(source.get(), "tabViewDidDropTabViewItemInTabBarView", keep))
            s->tabViewDidDropTabViewItemInTabBarView(source->tabView().get(), tabItem.get(), view);
    kit::NotificationCenter::defaultCenter()->postNotificationNameObject(QVTabDragDidEndNotification, nullptr);
    // The bars lay out once the drag is over and a source left empty has closed its window: laid
    // out during the drag, the dropped button has no slot of its own and overlaps its neighbour.
    finishDrag();
    view->updateAnimate(false);
    if (source && source != view)
        source->updateAnimate(false);
    // The window that took the tab takes the focus too, not whichever window is in front (the
    // source's may have closed with the focus).
    kit::MakeDropDestinationKey(view->window().get(), source ? source->window().get() : nullptr);
    return true;
}

void QVTabDragAssistant::putBack()
{
    const kit::Ref<QVTabBarView> source = pasteboardItem_ ? pasteboardItem_->sourceTabBar() : nullptr;
    const kit::Ref<QVAttachedTabBarButton> button = pasteboardItem_ ? pasteboardItem_->attachedTabBarButton() : nullptr;
    if (!source || !button)
        return;
    source->insertAttachedButtonAtTabItemIndex(button.get(), pasteboardItem_->sourceIndex());
    source->updateAnimate(false);
}

void QVTabDragAssistant::draggedImageEndedAtOperation(kit::Point q, std::uint64_t)
{
    if (!isDragging_ || !pasteboardItem_)
        return;
    const kit::Ref<QVTabPasteboardItem> item = pasteboardItem_;
    const kit::Ref<QVTabBarView> source = item->sourceTabBar();
    const kit::Ref<QVAttachedTabBarButton> button = item->attachedTabBarButton();
    kit::Ref<kit::Object> keep;
    auto* d = qvDetachedDelegate<QVTabBarViewDelegate>(source.get(), "tabViewNewTabBarViewForDraggedTabViewItemAtPoint", keep);
    if (d && !destinationTabBar_ && button && !qvEndsOverABar(source->window().get())) {
        const kit::Ref<kit::TabViewItem> tabItem = button->tabViewItem();
        if (const kit::Ref<QVTabBarView> bar = d->tabViewNewTabBarViewForDraggedTabViewItemAtPoint(source->tabView().get(), tabItem.get(), q)) {
            source->removeTabViewItem(tabItem.get());
            source->updateAnimate(false);
            bar->insertAttachedButtonAtTabItemIndex(button.get(), 0);
            bar->updateAnimate(false);
            if (const kit::Ref<kit::Window> w = bar->window()) {
                if (currentTearOffStyle_ != 0) {
                    const kit::Point mouse = kit::Event::mouseLocation();
                    const kit::Size size = w->frame().size;
                    // Centred on the pointer, then moved back onto the screen when that puts it partly off.
                    w->setFrameOrigin(
                        kit::FrameMovedOnScreen(kit::MakeRect(mouse.x - size.width / 2, mouse.y - size.height / 2, size.width, size.height)).origin);
                    w->setAlphaValue(0);
                    w->makeKeyAndOrderFront();
                    w->animator().setAlphaValue(1);
                } else {
                    w->makeKeyAndOrderFront();
                }
            }
            kit::Ref<kit::Object> keepSource;
            if (auto* s = qvDetachedDelegate<QVTabBarViewDelegate>(source.get(), "tabViewDidDropTabViewItemInTabBarView", keepSource))
                s->tabViewDidDropTabViewItemInTabBarView(source->tabView().get(), tabItem.get(), bar.get());
        } else {
            kit::log("Delegate returned no control to add to.");
            putBack();
        }
    } else {
        putBack();
    }
    kit::NotificationCenter::defaultCenter()->postNotificationNameObject(QVTabDragDidEndNotification, nullptr);
    finishDrag();
}

void QVTabDragAssistant::finishDrag()
{
    const kit::Ref<QVTabPasteboardItem> item = std::exchange(pasteboardItem_, nullptr);
    const kit::Ref<QVTabBarView> source = item ? item->sourceTabBar() : nullptr;
    const kit::Ref<QVAttachedTabBarButton> button = item ? item->attachedTabBarButton() : nullptr;
    if (source && source->tabView()) {
        kit::Ref<kit::Object> keep;
        if (source->tabView()->numberOfTabViewItems() == 0) {
            if (auto* d = qvDetachedDelegate<QVTabBarViewDelegate>(source.get(), "tabViewCloseWindowForLastTabViewItem", keep))
                d->tabViewCloseWindowForLastTabViewItem(source->tabView().get(), button ? button->tabViewItem().get() : nullptr);
        } else if (const kit::Ref<kit::Window> w = source->window(); w && !w->isVisible()) {
            // The last tab came back, or stayed: its window, hidden while it was out, returns.
            w->orderFront();
        }
    }
    if (fadeTimer_)
        std::exchange(fadeTimer_, nullptr)->invalidate();
    if (draggedTab_)
        std::exchange(draggedTab_, nullptr)->window()->orderOut();
    if (draggedView_)
        std::exchange(draggedView_, nullptr)->window()->orderOut();
    centersDragWindows_ = false;
    isDragging_ = false;
    const kit::Ref<QVTabBarView> destination = std::exchange(destinationTabBar_, nullptr);
    if (destination)
        destination->setDestinationIndexForDraggedItem(QVNotFound);
    if (source)
        source->setDestinationIndexForDraggedItem(QVNotFound);
    // Updates during the drag skip hiding a bar left with one tab: both bars look again now.
    if (source)
        source->setNeedsUpdate(true);
    if (destination && destination != source)
        destination->setNeedsUpdate(true);
}

kit::Ref<kit::Image> QVTabDragAssistant::imageForViewOfAttachedButton(QVAttachedTabBarButton* button, QVTabBarView* view, unsigned* styleMask)
{
    if (styleMask)
        *styleMask = kit::BorderlessWindowMask;
    if (!button || !view)
        return nullptr;
    const kit::Ref<kit::TabViewItem> item = button->tabViewItem();
    kit::Ref<kit::Object> keep;
    if (auto* d = qvDetachedDelegate<QVTabBarViewDelegate>(view, "tabViewImageForTabViewItemOffsetStyleMask", keep)) {
        dragWindowOffset_ = kit::ZeroSize;
        std::uint64_t mask = 0;
        kit::Ref<kit::Image> image = d->tabViewImageForTabViewItemOffsetStyleMask(view->tabView().get(), item.get(), &dragWindowOffset_, &mask);
        if (styleMask)
            *styleMask = unsigned(mask);
        if (image && draggedTab_ && draggedTab_->image()) {
            const kit::Ref<kit::Image> tab = draggedTab_->image();
            const kit::Size is = image->size(), ts = tab->size();
            kit::Point at;
            if (view->orientation() == QVTabBarVerticalOrientation) {
                at = kit::MakePoint(dragWindowOffset_.width + view->frame().size.width - ts.width, is.height - dragWindowOffset_.height);
            } else {
                at = kit::MakePoint(dragWindowOffset_.width, is.height - dragWindowOffset_.height + view->heightOfTabBarButtons() - ts.height);
                dragWindowOffset_.height -= view->heightOfTabBarButtons() - ts.height;
            }
            image->lockFocus();
            tab->drawAtPointFromRectOperationFraction(at, kit::ZeroRect, kit::CompositeSourceOver, 1.0);
            image->unlockFocus();
        }
        return image;
    }
    // The item's view with the subviews that hold its content, no window needed.
    const kit::Ref<kit::View> content = item ? item->view() : nullptr;
    if (!content)
        return nullptr;
    return kit::Image::imageWithData(content->dataWithPDFInsideRect(content->bounds()));
}

kit::Ref<kit::Image> QVTabDragAssistant::miniwindowImageOfWindow(kit::Window* window)
{
    if (!window)
        return nullptr;
    const QImage shot = window->snapshot();
    if (shot.isNull())
        return nullptr;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    shot.save(&buffer, "PNG");
    kit::Ref<kit::Image> image = kit::Image::imageWithData(png);
    if (image)
        image->setSize(window->frame().size);
    return image;
}
