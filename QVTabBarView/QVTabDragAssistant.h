#pragma once

// Runs every drag of a tab button: the slide of the pressed button along its own bar, its
// neighbours moving aside, and the move of the tab to where it was released; once the pointer
// leaves a bar that lets the tab go, the detached drag: a window with the tab's image follows
// the pointer, bars under it open a gap, and outside every bar a tear-off look shows. One per
// process.

#include "QVTabBarView/QVTabBarController.h"
#include "QVTabBarView/QVTabDragWindow.h"
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
    kit::Ref<QVTabDragWindowController> draggedTab() const { return draggedTab_; }
    kit::Ref<QVTabDragWindowController> draggedView() const { return draggedView_; }

    // The bar's drag source and destination messages.
    void draggedImageBeganAtWithTabBarView(kit::Point screen, QVTabBarView* view);
    void draggedImageMovedTo(kit::Point screen);
    void draggedImageEndedAtOperation(kit::Point screen, std::uint64_t operation);
    std::uint64_t draggingEnteredInTabBarView(kit::DraggingInfo& info, QVTabBarView* view);
    std::uint64_t draggingUpdatedInTabBarView(kit::DraggingInfo& info, QVTabBarView* view);
    void draggingExitedTabBarViewDraggingInfo(QVTabBarView* view, kit::DraggingInfo* info);
    bool performDragOperationForTabBarView(kit::DraggingInfo& info, QVTabBarView* view);

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
    void dragDetachedButton(QVAttachedTabBarButton* button, QVTabBarView* view, const kit::Event& event);
    void beginDraggingWindow(bool isSourceWindow);
    void endDraggingWindow();
    void startFade(bool in);
    void finishDrag();
    void putBack();
    kit::Ref<kit::Image> imageForViewOfAttachedButton(QVAttachedTabBarButton* button, QVTabBarView* view, unsigned* styleMask);
    static kit::Ref<kit::Image> miniwindowImageOfWindow(kit::Window* window);
    static kit::Ref<QVTabPasteboardItem> tabItemOf(kit::DraggingInfo& info);

    kit::Point currentMouseLocation_;
    kit::Ref<QVTabPasteboardItem> pasteboardItem_;
    kit::Ref<QVTabBarView> destinationTabBar_;
    bool isDragging_ = false;
    bool isSliding_ = false;
    kit::Ref<QVSlideButtonsAnimation> slideButtonsAnimation_;
    kit::Ref<QVTabDragWindowController> draggedTab_;
    kit::Ref<QVTabDragWindowController> draggedView_;
    kit::Size dragWindowOffset_;
    kit::Ref<kit::Timer> fadeTimer_;
    bool fadingIn_ = false;
    bool centersDragWindows_ = false;
    std::uint64_t currentTearOffStyle_ = 0;
};
