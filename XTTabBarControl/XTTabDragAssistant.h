#pragma once

// Runs every drag of a tab between the tab bars of this process: gaps (placeholder cells) that
// open under the pointer with a sine-shaped step, the move of the tab-view item on a drop, the
// dragged tab and the window it would become shown in small windows, and a tear-off into a new
// window from the delegate. One per process; the bars take part from the drag's start to its end.

#include "XTTabBarControl/XTTabDragWindow.h"
#include "kit/appkit/Event.h"
#include "kit/controls/TabView.h"
#include "kit/foundation/Coder.h"
#include "kit/foundation/Timer.h"

#include <cstdint>
#include <vector>

class XTTabBarCell;
class XTTabBarControl;

inline const QString XTTabDragDidBeginNotification = QStringLiteral("XTTabDragDidBeginNotification");
inline const QString XTTabDragDidEndNotification = QStringLiteral("XTTabDragDidEndNotification");

class XTTabDragAssistant : public kit::Object, public kit::Coding {
    KIT_CLASS(XTTabDragAssistant)
public:
    static XTTabDragAssistant* sharedDragAssistant();
    // Ends any drag state and makes the next call build a fresh assistant.
    static void resetForTesting();

    // The gap sizes of steps 0…7 for a cell of size `extent` along the bar (width, or height when
    // vertical): the sine table over W = extent + 6 (+ 1 vertically), then the cell's own size.
    static std::vector<std::int64_t> sineCurveWidthsFor(double extent, bool vertical);
    // A fade step: the tab window and the window picture trade 0.15 of alpha within [0, 0.75].
    // Answers NO once the fade has arrived (the timer then stops).
    static bool fadeStep(kit::Window& tab, kit::Window& picture, bool in);
    // A picture of `size` fitted into 125 points, the longer side 125.
    static kit::Size miniatureSize(kit::Size size);

    // From the bar.
    void startDraggingCellFromTabBarWithMouseDownEvent(XTTabBarCell* cell, XTTabBarControl* bar, const kit::Event& event);
    void draggingBeganAt(kit::Point screen);
    void draggingMovedTo(kit::Point screen);
    void draggingEnteredTabBarAtPoint(XTTabBarControl* bar, kit::Point point);
    void draggingUpdatedInTabBarAtPoint(XTTabBarControl* bar, kit::Point point);
    void draggingExitedTabBar(XTTabBarControl* bar);
    void performDragOperation();
    void draggedImageEndedAtOperation(kit::Point screen, std::uint64_t operation);

    // Placeholders: a collapsed gap before every visible cell and one after the last; on the
    // source, the dragged cell's place becomes an open gap.
    void distributePlaceholdersInTabBar(XTTabBarControl* bar);
    void distributePlaceholdersInTabBarWithDraggedCell(XTTabBarControl* bar, XTTabBarCell* cell);
    void removeAllPlaceholdersFromTabBar(XTTabBarControl* bar);
    // One animation step of every bar taking part, then each redisplays in the default and
    // tracking modes.
    void animateDrag(kit::Timer* timer);
    void calculateDragAnimationForTabBar(XTTabBarControl* bar);

    bool isDragging() const { return isDragging_; }
    kit::Ref<XTTabBarControl> sourceTabBar() const { return sourceTabBar_; }
    kit::Ref<XTTabBarControl> destinationTabBar() const { return destinationTabBar_; }
    kit::Ref<XTTabBarCell> draggedCell() const { return draggedCell_; }
    kit::Ref<XTTabBarCell> targetCell() const { return targetCell_; }
    std::int64_t draggedCellIndex() const { return draggedCellIndex_; }
    kit::Point currentMouseLoc() const { return currentMouseLoc_; }
    void setCurrentMouseLoc(kit::Point point) { currentMouseLoc_ = point; }
    const std::vector<std::int64_t>& sineCurveWidths() const { return sineCurveWidths_; }
    std::vector<kit::Ref<XTTabBarControl>> participatingTabBars() const { return participatingTabBars_; }
    kit::Ref<XTTabDragWindowController> draggedTab() const { return draggedTab_; }
    kit::Ref<XTTabDragWindowController> draggedView() const { return draggedView_; }
    kit::Ref<kit::Timer> fadeTimer() const { return fadeTimer_; }
    kit::Ref<XTTabWindowExpansion> expansion() const { return expansion_; }

    // The drag's state by key. The animation timer stays out: a timer cannot be archived and means
    // nothing in another process, so archiving mid-drag would otherwise fail.
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

private:
    void addParticipant(XTTabBarControl* bar);
    void startFade(bool in);
    void fadeTick(kit::Timer* timer);
    void putDraggedCellBack();
    void finishDrag();
    kit::Ref<kit::TabViewItem> draggedItem() const;
    // The window picture: the delegate's, with the tab drawn in, else the item's view.
    kit::Ref<kit::Image> imageForViewOfCell(XTTabBarCell* cell, unsigned* styleMask);

    kit::Ref<XTTabBarControl> sourceTabBar_;
    kit::Ref<XTTabBarControl> destinationTabBar_;
    std::vector<kit::Ref<XTTabBarControl>> participatingTabBars_;
    kit::Ref<XTTabBarCell> draggedCell_;
    std::int64_t draggedCellIndex_ = 0;
    bool isDragging_ = false;
    kit::Ref<XTTabDragWindowController> draggedTab_;
    kit::Ref<XTTabDragWindowController> draggedView_;
    kit::Size dragWindowOffset_ {};
    kit::Ref<kit::Timer> fadeTimer_;
    bool fadingIn_ = false;
    bool centersDragWindows_ = false;
    int currentTearOffStyle_ = 0;
    kit::Ref<kit::Timer> animationTimer_;
    std::vector<std::int64_t> sineCurveWidths_;
    kit::Point currentMouseLoc_ {};
    kit::Ref<XTTabBarCell> targetCell_;
    kit::Ref<XTTabWindowExpansion> expansion_;
};
