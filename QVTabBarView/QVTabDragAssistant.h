#pragma once

// Runs every drag of a tab button: the slide of the pressed button along its own bar, its
// neighbours moving aside, and the move of the tab to where it was released. One per process.
// Dragging a tab out of its bar (the detached drag and its windows) is not built yet: a tab
// that leaves its bar keeps sliding along it.

#include "QVTabBarView/QVTabBarController.h"
#include "QVTabBarView/QVTabPasteboardItem.h"
#include "kit/appkit/Animation.h"

inline const QString QVTabDragDidBeginNotification = QStringLiteral("QVTabDragDidBeginNotification");
inline const QString QVTabDragDidEndNotification = QStringLiteral("QVTabDragDidEndNotification");

class QVTabDragAssistant : public kit::Object, public kit::AnimationDelegate {
    KIT_CLASS(QVTabDragAssistant)
public:
    static QVTabDragAssistant* sharedDragAssistant();
    static void resetForTesting();

    bool shouldStartDraggingAttachedTabBarButtonOfTabBarViewWithMouseDownEvent(
        QVAttachedTabBarButton* button, QVTabBarView* view, const kit::Event& event);
    void startDraggingAttachedTabBarButtonFromTabBarViewWithMouseDownEvent(
        QVAttachedTabBarButton* button, QVTabBarView* view, const kit::Event& event);
    std::uint64_t draggingSourceOperationMaskForLocalOfTabBarView(bool local, QVTabBarView*) const
    {
        return local ? 16 : 0;
    }
    // The index a button dragged to `point` (the view's coordinates) would take.
    std::uint64_t destinationIndexForButtonAtPointInTabBarView(QVAttachedTabBarButton* button, kit::Point point, QVTabBarView* view);
    kit::Ref<QVAttachedTabBarButton> attachedTabBarButtonForDraggedItems() const;

    bool isDragging() const { return isDragging_; }
    bool isSliding() const { return isSliding_; }
    kit::Ref<QVTabPasteboardItem> pasteboardItem() const { return pasteboardItem_; }
    kit::Ref<QVTabBarView> destinationTabBar() const { return destinationTabBar_; }
    kit::Point currentMouseLocation() const { return currentMouseLocation_; }

    // kit::AnimationDelegate:
    void animationDidStop(kit::Animation* animation) override;
    void animationDidEnd(kit::Animation* animation) override;

private:
    void slide(QVAttachedTabBarButton* button, QVTabBarView* view, const kit::Event& mouseDown, kit::Point anchor);
    std::uint64_t moveAttachedTabBarButtonInTabBarViewFromIndexToIndex(
        QVAttachedTabBarButton* button, QVTabBarView* view, std::uint64_t from, std::uint64_t to);
    void slideBackTabBarButtonInTabBarView(QVAttachedTabBarButton* button, QVTabBarView* view);
    void stopSlideAnimation();
    void finalizeAnimation(kit::Animation* animation);

    kit::Point currentMouseLocation_;
    kit::Ref<QVTabPasteboardItem> pasteboardItem_;
    kit::Ref<QVTabBarView> destinationTabBar_;
    bool isDragging_ = false;
    bool isSliding_ = false;
    kit::Ref<QVSlideButtonsAnimation> slideButtonsAnimation_;
};
