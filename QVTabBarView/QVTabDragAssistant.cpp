#include "QVTabBarView/QVTabDragAssistant.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVTabBarExtensions.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/appkit/Window.h"
#include "kit/core/NotificationCenter.h"

#include <algorithm>

KIT_REGISTER_CLASS(QVTabPasteboardItem, kit::PasteboardItem) { c.bundle("QVTabBarView"); }

KIT_REGISTER_CLASS(QVTabDragAssistant, kit::Object)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "animationDidStop", "animationDidEnd" });
}

kit::Ref<QVTabBarView> QVTabPasteboardItem::sourceTabBar() const { return kit::dynamic_pointer_cast<QVTabBarView>(sourceTabBar_); }
void QVTabPasteboardItem::setSourceTabBar(QVTabBarView* bar) { sourceTabBar_ = kit::Ref<kit::Object>(bar); }
kit::Ref<QVAttachedTabBarButton> QVTabPasteboardItem::attachedTabBarButton() const
{
    return kit::dynamic_pointer_cast<QVAttachedTabBarButton>(button_);
}
void QVTabPasteboardItem::setAttachedTabBarButton(QVAttachedTabBarButton* button) { button_ = kit::Ref<kit::Object>(button); }

namespace {

kit::Ref<QVTabDragAssistant>& qvSharedAssistant()
{
    static kit::Ref<QVTabDragAssistant> assistant;
    return assistant;
}

bool qvAssistantHorizontal(const QVTabBarView& view) { return view.orientation() == QVTabBarHorizontalOrientation; }

} // namespace

QVTabDragAssistant* QVTabDragAssistant::sharedDragAssistant()
{
    kit::Ref<QVTabDragAssistant>& shared = qvSharedAssistant();
    if (!shared)
        shared = kit::make<QVTabDragAssistant>();
    return shared.get();
}

void QVTabDragAssistant::resetForTesting()
{
    if (kit::Ref<QVTabDragAssistant>& shared = qvSharedAssistant())
        shared->stopSlideAnimation();
    qvSharedAssistant() = nullptr;
}

bool QVTabDragAssistant::shouldStartDraggingAttachedTabBarButtonOfTabBarViewWithMouseDownEvent(
    QVAttachedTabBarButton*, QVTabBarView* view, const kit::Event& event)
{
    return QVTabBarExtensions::dragShouldBeginFromMouseDownWithExpiration(view, event, kit::Date::distantFuture());
}

kit::Ref<QVAttachedTabBarButton> QVTabDragAssistant::attachedTabBarButtonForDraggedItems() const
{
    return pasteboardItem_ ? pasteboardItem_->attachedTabBarButton() : nullptr;
}

void QVTabDragAssistant::startDraggingAttachedTabBarButtonFromTabBarViewWithMouseDownEvent(
    QVAttachedTabBarButton* button, QVTabBarView* view, const kit::Event& event)
{
    if (!button || !view)
        return;
    auto item = kit::make<QVTabPasteboardItem>();
    item->setSourceTabBar(view);
    item->setAttachedTabBarButton(button);
    item->setSourceIndex(view->indexOfTabViewItem(button->tabViewItem().get()));
    item->setStringForType(button->title(), QVTabBarViewDragType);
    auto board = kit::Pasteboard::pasteboardWithName(kit::DragPboard);
    board->clearContents();
    board->writeObjects({ item });
    pasteboardItem_ = item;
    kit::NotificationCenter::defaultCenter()->postNotificationNameObject(QVTabDragDidBeginNotification, item.get());
    slide(button, view, event, button->frame().origin);
    // A slide that stays in its bar ends here, without an end notification.
    if (!isDragging_ && pasteboardItem_ == item)
        pasteboardItem_ = nullptr;
}

void QVTabDragAssistant::slide(QVAttachedTabBarButton* button, QVTabBarView* view, const kit::Event& mouseDown, kit::Point anchor)
{
    const kit::Ref<QVAttachedTabBarButton> keepButton(button);
    const kit::Ref<QVTabBarView> keepView(view);
    const kit::Point down = view->convertPointFromView(mouseDown.locationInWindow(), nullptr);
    const kit::Size offset = kit::MakeSize(down.x - anchor.x, down.y - anchor.y);
    std::uint64_t current = view->indexOfAttachedButton(button);
    const std::uint64_t startPosition = current;
    const QVButtons startOrder = view->orderedAttachedButtons();
    std::uint64_t lastValid = QVNotFound;
    isSliding_ = true;
    button->setIsInDraggedSlide(true);
    view->updateTabStateMaskOfAttachedButtonAtIndex(button, current);
    QVTabBarExtensions::orderFront(button);
    kit::Ref<kit::Object> keepDelegate;
    auto* validator = view->delegateFor<QVTabBarViewDelegate>("tabViewValidateSlideOfProposedItemProposedIndexInTabBarView", keepDelegate);
    const kit::Ref<kit::Window> window = view->window();
    // The detached drag starts from the first event taken, inside the bar, so the source bar
    // hears the drag enter and, on leaving, shows the tear-off look.
    kit::Ref<kit::Event> first;
    for (;;) {
        const kit::Ref<kit::Event> e = window ? window->nextEventMatchingMaskUntilDateInModeDequeue(kit::LeftMouseDraggedMask | kit::LeftMouseUpMask,
                                           kit::Date::distantFuture(), kit::EventTrackingRunLoopMode, true)
                                     : nullptr;
        if (!e) {
            isSliding_ = false;
            button->setIsInDraggedSlide(false);
            return;
        }
        if (!first)
            first = e;
        if (e->type() == kit::LeftMouseUp)
            break;
        const kit::Point p = view->convertPointFromView(e->locationInWindow(), nullptr);
        kit::Rect sliding = button->slidingFrame();
        sliding.origin = kit::MakePoint(p.x - offset.width, p.y - offset.height);
        button->setSlidingFrame(sliding);
        std::uint64_t idx = destinationIndexForButtonAtPointInTabBarView(button, p, view);
        if (validator
            && validator->tabViewValidateSlideOfProposedItemProposedIndexInTabBarView(view->tabView().get(), button->tabViewItem().get(), idx, view)
                == kit::DragOperationNone)
            idx = QVNotFound;
        if (idx == QVNotFound)
            lastValid = QVNotFound;
        else if (idx != current)
            lastValid = current = moveAttachedTabBarButtonInTabBarViewFromIndexToIndex(button, view, current, idx);
        else
            lastValid = idx;
        view->setNeedsDisplay(true);
        // Out of the bar, across it, by more than 15 points: the tab leaves when the bar lets it.
        if (view->allowsDetachedDraggingOfTabViewItem(button->tabViewItem().get())) {
            const kit::Rect b = view->bounds();
            const kit::Rect slack = qvAssistantHorizontal(*view) ? kit::InsetRect(b, 0, -15) : kit::InsetRect(b, -15, 0);
            if (!kit::PointInRect(p, slack)) {
                isSliding_ = false;
                button->setIsInDraggedSlide(false);
                // A tab flicked out in one event starts from the press, still in the bar. The loop
                // of the detached drag catches up with the pointer from there.
                const bool firstInBar = kit::PointInRect(view->convertPointFromView(first->locationInWindow(), nullptr), b);
                const kit::Event& from = firstInBar ? *first : mouseDown;
                if (&from != e.get())
                    kit::Application::sharedApplication()->postEventAtStart(e.get(), true);
                dragDetachedButton(button, view, from);
                return;
            }
        }
    }
    isSliding_ = false;
    button->setIsInDraggedSlide(false);
    // Positions among the shown buttons are not tab view indexes (the pinned overflow button
    // stands for a later item): move only when the position changed, to the index of the
    // item whose button stood there.
    if (current != QVNotFound && current != startPosition && current < startOrder.size()) {
        const std::uint64_t target = view->indexOfTabViewItem(startOrder[current]->tabViewItem().get());
        if (target != QVNotFound) {
            view->moveTabViewItemToIndex(button->tabViewItem().get(), target);
            view->updateAnimate(false);
        }
    } else if (lastValid != QVNotFound) {
        if (view->automaticallyAnimates())
            slideBackTabBarButtonInTabBarView(button, view);
        else
            button->setFrame(button->stackingFrame());
    }
    view->updateTabStateMaskOfAttachedButtons();
    view->setNeedsDisplay(true);
}

std::uint64_t QVTabDragAssistant::moveAttachedTabBarButtonInTabBarViewFromIndexToIndex(
    QVAttachedTabBarButton* button, QVTabBarView* view, std::uint64_t from, std::uint64_t to)
{
    if (from == to || from == QVNotFound)
        return from;
    stopSlideAnimation();
    const QVButtons buttons = view->orderedAttachedButtons();
    const bool horizontal = qvAssistantHorizontal(*view);
    const double extent = horizontal ? button->frame().size.width : button->frame().size.height;
    QVButtons affected;
    if (from < to) {
        to = std::min<std::uint64_t>(to, buttons.size() - 1);
        for (std::uint64_t i = from + 1; i <= to && i < buttons.size(); ++i)
            affected.push_back(buttons[i]);
    } else {
        for (std::uint64_t i = to; i < from && i < buttons.size(); ++i)
            affected.push_back(buttons[i]);
    }
    affected.erase(std::remove(affected.begin(), affected.end(), kit::Ref<QVAttachedTabBarButton>(button)), affected.end());
    if (affected.empty())
        return from;
    const double shift = from < to ? -extent : extent;
    for (const kit::Ref<QVAttachedTabBarButton>& b : affected) {
        kit::Rect r = b->stackingFrame();
        (horizontal ? r.origin.x : r.origin.y) += shift;
        b->setStackingFrame(r);
        b->slideAnimationWillStart();
    }
    kit::Rect mine = button->stackingFrame();
    if (from < to) {
        const kit::Rect last = affected.back()->stackingFrame();
        (horizontal ? mine.origin.x : mine.origin.y) = horizontal ? last.maxX() : last.maxY();
    } else {
        const kit::Rect first = affected.front()->stackingFrame();
        const double size = horizontal ? button->slidingFrame().size.width : button->slidingFrame().size.height;
        (horizontal ? mine.origin.x : mine.origin.y) = (horizontal ? first.origin.x : first.origin.y) - size;
    }
    button->setStackingFrame(mine);
    view->updateTabStateMaskOfAttachedButtons();
    auto animation = kit::make<QVSlideButtonsAnimation>(affected);
    animation->setDelegate(this);
    slideButtonsAnimation_ = animation;
    animation->startAnimation();
    return to;
}

void QVTabDragAssistant::slideBackTabBarButtonInTabBarView(QVAttachedTabBarButton* button, QVTabBarView*)
{
    stopSlideAnimation();
    button->slideAnimationWillStart();
    auto animation = kit::make<QVSlideButtonsAnimation>(QVButtons { kit::Ref<QVAttachedTabBarButton>(button) });
    animation->setDuration(0.05);
    animation->setDelegate(this);
    slideButtonsAnimation_ = animation;
    animation->startAnimation();
}

void QVTabDragAssistant::stopSlideAnimation()
{
    if (const kit::Ref<QVSlideButtonsAnimation> running = std::exchange(slideButtonsAnimation_, nullptr)) {
        running->stopAnimation();
        finalizeAnimation(running.get());
    }
}

std::uint64_t QVTabDragAssistant::destinationIndexForButtonAtPointInTabBarView(QVAttachedTabBarButton* button, kit::Point p, QVTabBarView* view)
{
    if (!view)
        return QVNotFound;
    const bool horizontal = qvAssistantHorizontal(*view);
    if (horizontal ? p.x < view->leftMargin() : p.y < view->topMargin())
        return 0;
    const QVButtons sorted = view->sortedAttachedButtonsUsingComparator([horizontal](const QVAttachedTabBarButton& a, const QVAttachedTabBarButton& b) {
        return horizontal ? a.stackingFrame().origin.x < b.stackingFrame().origin.x : a.stackingFrame().origin.y < b.stackingFrame().origin.y;
    });
    const kit::Rect bounds = view->bounds();
    const kit::Point probe = horizontal ? kit::MakePoint(p.x, bounds.origin.y + bounds.size.height / 2) : kit::MakePoint(bounds.origin.x + bounds.size.width / 2, p.y);
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const kit::Rect r = sorted[i]->stackingFrame();
        if (!kit::PointInRect(probe, r))
            continue;
        if (sorted[i].get() == button)
            return i;
        const kit::Rect f = sorted[i]->frame();
        const double middle = horizontal ? f.origin.x + f.size.width / 2 : f.origin.y + f.size.height / 2;
        return middle <= (horizontal ? p.x : p.y) ? i + 1 : i;
    }
    if (isSliding_)
        return std::uint64_t(std::max<std::int64_t>(0, view->numberOfVisibleTabViewItems() - 1));
    if (isDragging_) {
        if (view->destinationIndexForDraggedItem() != QVNotFound)
            return view->destinationIndexForDraggedItem();
        // A bar without buttons takes the tab at its end, 0, anywhere in it.
        const kit::Ref<QVAttachedTabBarButton> last = view->lastAttachedButton();
        if (!last || (horizontal ? p.x > last->frame().maxX() : p.y > last->frame().maxY()))
            return std::uint64_t(view->numberOfVisibleTabViewItems());
    }
    return QVNotFound;
}

void QVTabDragAssistant::animationDidStop(kit::Animation* animation) { finalizeAnimation(animation); }

void QVTabDragAssistant::animationDidEnd(kit::Animation* animation) { finalizeAnimation(animation); }

void QVTabDragAssistant::finalizeAnimation(kit::Animation* animation)
{
    // Stopping jumps to the end and reports again: only the current animation finishes.
    if (!animation || (slideButtonsAnimation_ && animation != slideButtonsAnimation_.get()))
        return;
    auto* view = dynamic_cast<kit::ViewAnimation*>(animation);
    if (!view)
        return;
    kit::Ref<QVTabBarView> bar;
    for (const kit::Dictionary& entry : view->viewAnimations())
        if (const auto button = entry.objectForKey(kit::Value(kit::ViewAnimationTargetKey)).objectAs<QVAttachedTabBarButton>()) {
            button->slideAnimationDidEnd();
            bar = button->tabBarView();
        }
    if (bar) {
        bar->updateTabStateMaskOfAttachedButtons();
        const QVButtons ordered = bar->orderedAttachedButtons();
        const bool fewer = std::int64_t(ordered.size()) < bar->numberOfTabViewItems();
        for (std::size_t i = 0; i < ordered.size(); ++i)
            ordered[i]->setIsOverflowButton(fewer && i + 1 == ordered.size());
    }
    if (animation == slideButtonsAnimation_.get())
        slideButtonsAnimation_ = nullptr;
}
