#pragma once

// A row (or column) of tabs drawn over a tab view and kept in step with it. The tab view owns
// the items; the bar owns one cell per item, lays them out through its controller, draws
// through its style and reports to its delegate. Main thread only.

#include "XTTabBarControl/XTTabBarCell.h"
#include "XTTabBarControl/XTTabBarControlDelegate.h"
#include "XTTabBarControl/XTTabBarController.h"
#include "XTTabBarControl/XTTabStyle.h"
#include "XTTabBarControl/XTWidgets.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Event.h"
#include "kit/controls/Control.h"
#include "kit/controls/TabBarAccessibility.h"
#include "kit/controls/TabView.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/NibLoader.h"
#include "kit/foundation/Timer.h"

#include <vector>

inline const QString XTTabBarControlItemPBType = QStringLiteral("XTTabBarControlItemPBType");

enum XTTabBarOrientation : int { XTTabBarHorizontalOrientation = 0, XTTabBarVerticalOrientation = 1 };

namespace kit {
class Animation;
class Notification;
class Timer;
} // namespace kit

class XTTabBarControl : public kit::Control,
                        public kit::TabViewDelegate,
                        public kit::MenuItemValidation,
                        public kit::ToolTipOwner,
                        public kit::NibAwaking,
                        public kit::DraggingSource,
                        public kit::DraggingDestination {
    KIT_CLASS(XTTabBarControl)
public:
    explicit XTTabBarControl(kit::Rect frame = {});
    ~XTTabBarControl() override;

    static kit::Bundle* bundle();

    // Cells, in tab order (placeholders included during a drag).
    const std::vector<kit::Ref<XTTabBarCell>>& cells() const { return cells_; }
    kit::Ref<kit::TabView> tabView() const { return tabView_; }
    void setTabView(kit::Ref<kit::TabView> tabView) { tabView_ = std::move(tabView); }
    kit::Ref<kit::View> partnerView() const { return partnerView_; }
    void setPartnerView(kit::Ref<kit::View> view) { partnerView_ = std::move(view); }
    // The mouse-down of the current click; drags start from it. Never archived.
    kit::Ref<kit::Event> lastMouseDownEvent() const { return lastMouseDownEvent_; }
    void setLastMouseDownEvent(kit::Ref<kit::Event> event) { lastMouseDownEvent_ = std::move(event); }
    // Held weakly; re-registers the dragged types.
    void setDelegate(kit::Object* delegate) override;
    // The delegate when it answers `operation`, else null.
    XTTabBarControlDelegate* delegateFor(const char* operation, kit::Ref<kit::Object>& keep) const;

    XTTabBarController& controller() const { return *controller_; }
    kit::Ref<XTRolloverButton> addTabButton() const { return addTabButton_; }
    kit::Ref<XTOverflowPopUpButton> overflowPopUpButton() const { return overflowPopUpButton_; }
    kit::Ref<XTTabStyle> style() const { return style_; }
    void setStyle(kit::Ref<XTTabStyle> style);
    // "Aqua", "Unified", "Pebble", "Card" by exact name once they exist; anything else is Metal.
    void setStyleNamed(const QString& name);
    QString styleName() const { return style_ ? style_->name() : QString(); }

    // Options.
    bool canCloseOnlyTab() const { return canCloseOnlyTab_; }
    void setCanCloseOnlyTab(bool flag);
    bool disableTabClose() const { return disableTabClose_; }
    void setDisableTabClose(bool flag) { setAndUpdate(disableTabClose_, flag); }
    bool hideForSingleTab() const { return hideForSingleTab_; }
    void setHideForSingleTab(bool flag) { setAndUpdate(hideForSingleTab_, flag); }
    bool showAddTabButton() const { return showAddTabButton_; }
    void setShowAddTabButton(bool flag);
    bool sizeCellsToFit() const { return sizeCellsToFit_; }
    void setSizeCellsToFit(bool flag) { setAndUpdate(sizeCellsToFit_, flag); }
    bool useOverflowMenu() const { return useOverflowMenu_; }
    void setUseOverflowMenu(bool flag) { setAndUpdate(useOverflowMenu_, flag); }
    std::int64_t cellMinWidth() const { return cellMinWidth_; }
    void setCellMinWidth(std::int64_t w) { setAndUpdate(cellMinWidth_, w); }
    std::int64_t cellMaxWidth() const { return cellMaxWidth_; }
    void setCellMaxWidth(std::int64_t w) { setAndUpdate(cellMaxWidth_, w); }
    std::int64_t cellOptimumWidth() const { return cellOptimumWidth_; }
    void setCellOptimumWidth(std::int64_t w) { setAndUpdate(cellOptimumWidth_, w); }
    bool alwaysShowActiveTab() const { return alwaysShowActiveTab_; }
    void setAlwaysShowActiveTab(bool flag) { alwaysShowActiveTab_ = flag; }
    bool allowsScrubbing() const { return allowsScrubbing_; }
    void setAllowsScrubbing(bool flag) { allowsScrubbing_ = flag; }
    bool allowsBackgroundTabClosing() const { return allowsBackgroundTabClosing_; }
    void setAllowsBackgroundTabClosing(bool flag) { allowsBackgroundTabClosing_ = flag; }
    bool selectsTabsOnMouseDown() const { return selectsTabsOnMouseDown_; }
    void setSelectsTabsOnMouseDown(bool flag) { selectsTabsOnMouseDown_ = flag; }
    bool allowsResizing() const { return allowsResizing_; }
    void setAllowsResizing(bool flag) { allowsResizing_ = flag; }
    bool automaticallyAnimates() const { return automaticallyAnimates_; }
    void setAutomaticallyAnimates(bool flag) { automaticallyAnimates_ = flag; }
    int tearOffStyle() const { return tearOffStyle_; }
    void setTearOffStyle(int style) { tearOffStyle_ = style; }
    int orientation() const { return orientation_; }
    void setOrientation(int orientation);
    std::int64_t resizeAreaCompensation() const { return resizeAreaCompensation_; }
    bool isTabBarHidden() const { return isHidden_; }
    // A cell animation runs.
    bool isAnimating() const { return animationTimer_ != nullptr; }

    // Geometry the layout engine reads.
    double availableCellWidth() const;
    kit::Rect genericCellRect() const;

    // Mirroring the tab view. Adding appends a cell; a change of the tab view's items puts each
    // new cell at its item's index.
    void addTabViewItem(kit::TabViewItem* item);
    void removeTabForCell(XTTabBarCell* cell);
    std::vector<kit::Ref<kit::TabViewItem>> representedTabViewItems() const;

    // Layout. Animated, the cells glide to their new frames over half a second; a new update
    // replaces a running animation (XTTabBarControlAnimation.cpp).
    void update() { update(automaticallyAnimates_); }
    void update(bool animate);
    // One tick of the cell animation.
    void animateCells(kit::Timer* timer);
    // The cell's tracking rectangles (whole cell and close button) and its tool-tip rectangle.
    void setupTrackingRectsForCell(XTTabBarCell* cell);

    // Collapsing to one point and coming back, together with the partner view or the window
    // (XTTabBarControlHiding.cpp). Ignored before the first window update, when nothing would
    // change, and while such a change runs.
    void hideTabBar(bool hide, bool animate);
    // One of the four ticks of hiding or showing.
    void animateShowHide(kit::Timer* timer);
    // The width a vertical bar comes back at.
    std::int64_t tabBarWidth() const { return tabBarWidth_; }
    // The first update of the window collapses a bar that hides for a single tab.
    void windowDidUpdate(kit::Notification* notification);
    // Key, resign-key and move notifications of the window: the look depends on them.
    void windowStatusDidChange(kit::Notification* notification);
    // The room kept free for the window's resize corner, then the overflow button's place.
    void checkWindowFrame();

    // Queries.
    kit::Ref<XTTabBarCell> cellForPoint(kit::Point point, kit::Rect* cellFrame = nullptr) const;
    // The cell before the first overflowed one (the last cell when none is); null when even the
    // first cell is overflowed.
    kit::Ref<XTTabBarCell> lastVisibleTab() const;
    std::int64_t numberOfVisibleTabs() const;
    // Takes the frame and lays out at once.
    void placeView(kit::Rect frame)
    {
        setFrame(frame);
        update(false);
    }

    // Mouse: select on mouse up (or down), close through the close buttons.
    void mouseDown(const kit::Event& event) override;
    // Resizes a vertical bar, or starts a tab drag once the pointer is 10 points from the mouse-down
    // (XTTabBarControlDragging.cpp).
    void mouseDragged(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    // A resizable vertical bar follows the pointer, within the cell width limits.
    void resizeDragged(const kit::Event& event);
    // The delegate's menu for the tab under the pointer.
    kit::Ref<kit::Object> menuForEvent(const kit::Event& event) override;
    // Closes the cell's tab unless it is the only one that may not close or the delegate refuses.
    void closeTabClick(XTTabBarCell* cell);
    // Whether this bar has the keyboard and it stands on `cell`'s close button.
    bool keyboardIsOnCloseButtonOf(const XTTabBarCell* cell) const;

    // Actions.
    void overflowMenuAction(kit::Object* sender);
    void tabClick(kit::Object* sender);
    void tabNothing(kit::Object*) { }

    // kit::TabViewDelegate
    bool tabViewShouldSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item) override;
    void tabViewWillSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item) override;
    void tabViewDidSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item) override;
    void tabViewDidChangeNumberOfTabViewItems(kit::TabView* tabView) override;

    // kit::MenuItemValidation: checks the selected tab's item.
    bool validateMenuItem(kit::MenuItem* item) override;

    // kit::View
    bool isFlipped() const override { return true; }
    bool acceptsFirstMouse(const kit::Event*) const override { return true; }
    bool shouldDelayWindowOrderingForEvent(const kit::Event&) const override { return true; }
    bool mouseDownCanMoveWindow() const override { return false; }
    // For a host that resizes the bar by a knob: any width, always one tab high.
    kit::Size minimumFrameSizeFromKnobPosition(std::int64_t) const { return kit::MakeSize(100, 22); }
    kit::Size maximumFrameSizeFromKnobPosition(std::int64_t) const { return kit::MakeSize(10000, 22); }
    void drawRect(kit::Rect rect) override;
    // Frame changes lay the bar out again without animation.
    void frameDidChange(kit::Notification* notification);
    void viewWillMoveToWindow(kit::Window* window) override;
    void viewDidMoveToWindow() override;
    void viewWillStartLiveResize() override;
    void viewDidEndLiveResize() override;
    // A vertical bar's right edge shows the resize cursor.
    void resetCursorRects() override;

    // kit::ToolTipOwner: the delegate's tool tip of the tab under the point.
    QString viewStringForToolTipPointUserData(kit::View* view, std::int64_t tag, kit::Point point, void* userData) override;

    // kit::Coding: the settings, the style, the tab view, the partner and the two buttons; the
    // delegate only when it is archived anyway; whether the bar is hidden and by whom. Cells are
    // made again from the tab view (XTTabBarControlCoding.cpp).
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;
    // kit::NibAwaking: a cell for each item of the tab view not yet shown.
    void awakeFromNib() override;

    // kit::Accessibility: a page tab list of the tabs (then the add button while it shows), named
    // by its tool tip, else the tab view's, else "Tabs"; the tabs behind the overflow button are
    // not visible children. While the bar has the keyboard focus, its selected tab is the focused
    // element (XTTabBarControlAccessibility.cpp).
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsIgnored() const override { return false; }
    // The tab whose frame holds the point (screen, y up), else the bar.
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    // The selected tab's cell; null when none is.
    kit::Ref<XTTabBarCell> selectedCell() const;
    // The keys of the focused bar: the arrows along the bar, Home and End choose the tab; Tab
    // and Shift-Tab go through the selected tab, its close button and the add button; Space and
    // Return press the button the keyboard is on.
    void keyDown(const kit::Event& event) override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    // Where the ring that shows the keyboard stands (bar coordinates): on the selected tab (the
    // overflow button while that tab is behind it), its close button or the add button. Empty
    // while the bar is not the key window's first responder by the keyboard.
    kit::Rect keyboardFocusRingRect() const;
    // Draws that ring over the tabs.
    void drawKeyboardFocusRing();

    // Called by a cell whose shown values changed.
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;

    // Dragging (XTTabBarControlDragging.cpp). The cell list the drag assistant edits, placeholders
    // included; binding a cell to an item also observes the item's identifier, as adding does.
    std::vector<kit::Ref<XTTabBarCell>>& mutableCells() { return cells_; }
    void bindCellToTabViewItem(XTTabBarCell* cell, kit::TabViewItem* item);
    // The drag operations and the "display" action in the class registration.
    static void registerDragging(kit::ClassBuilder<XTTabBarControl>& c);
    // kit::DraggingSource: moves inside the application only, whatever the modifiers.
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override { return local ? kit::DragOperationMove : kit::DragOperationNone; }
    bool ignoreModifierKeysWhileDragging() override { return true; }
    void draggedImageBeganAt(kit::Object* image, kit::Point screen) override;
    void draggedImageMovedTo(kit::Object* image, kit::Point screen) override;
    void draggedImageEndedAtOperation(kit::Object* image, kit::Point screen, std::uint64_t operation) override;
    // kit::DraggingDestination: tab drags go to the drag assistant; other drags spring-load tabs.
    std::uint64_t draggingEntered(kit::DraggingInfo& info) override;
    std::uint64_t draggingUpdated(kit::DraggingInfo& info) override;
    void draggingExited(kit::DraggingInfo& info) override;
    bool prepareForDragOperation(kit::DraggingInfo& info) override;
    bool performDragOperation(kit::DraggingInfo& info) override;
    void concludeDragOperation(kit::DraggingInfo& info) override;
    void draggingEnded(kit::DraggingInfo& info) override;
    // Selects the tab under the drag's last location (the spring timer's action).
    void fireSpring(kit::Timer* timer);
    kit::Ref<kit::Timer> springTimer() const { return springTimer_; }

private:
    friend struct XTTabBarControlCodingKeys;
    template <class T> void setAndUpdate(T& field, T value)
    {
        field = value;
        update();
    }
    void positionOverflowMenu();
    void insertCellForTabViewItem(kit::TabViewItem* item, std::size_t index);
    // A cell for every item of the tab view that has none, at the item's place among the cells.
    void addCellsForUnrepresentedItems(const kit::TabView& tabView);
    // The cells and items left between the longest runs at both ends where each cell stands for
    // the item at its place.
    struct Unmatched {
        std::size_t firstCell = 0, endCell = 0, firstItem = 0, endItem = 0;
    };
    Unmatched unmatchedRange(const std::vector<kit::Ref<kit::TabViewItem>>& items) const;
    void bindPropertiesForCell(XTTabBarCell* cell, kit::TabViewItem* item);
    void applyLayout();
    // The pointer in the bar's coordinates; far away without a window.
    kit::Point pointerLocation() const;
    void removeTrackingRectsOfCell(XTTabBarCell* cell);
    void refreshTrackingRects();
    void stopCellAnimation();
    // Hide and show: the start and target geometry of one change, and a step towards it.
    void changeTabBarHidden(bool hide, bool animate);
    void prepareShowHide(bool hide);
    void applyShowHide(double fraction);
    void observeWindow(kit::Window* window, bool observe);
    void decodeHiddenState(kit::Coder& coder);
    // A new selected tab since the last one announced: both say so (a closed one says nothing),
    // and the new one takes the focus the bar has.
    void announceSelectedCell();
    // The close button of the selected tab and the add button, where they show.
    kit::TabBarKeyStops keyStops() const;

    std::vector<kit::Ref<XTTabBarCell>> cells_;
    kit::Ref<kit::TabView> tabView_;
    kit::Ref<XTOverflowPopUpButton> overflowPopUpButton_;
    kit::Ref<XTRolloverButton> addTabButton_;
    kit::Ref<XTTabBarController> controller_;
    kit::Ref<XTTabStyle> style_;
    bool canCloseOnlyTab_ = false;
    bool disableTabClose_ = false;
    bool hideForSingleTab_ = false;
    bool showAddTabButton_ = false;
    bool sizeCellsToFit_ = false;
    bool useOverflowMenu_ = true;
    bool alwaysShowActiveTab_ = false;
    bool allowsScrubbing_ = false;
    std::int64_t resizeAreaCompensation_ = 0;
    int orientation_ = XTTabBarHorizontalOrientation;
    bool automaticallyAnimates_ = false;
    int tearOffStyle_ = 0;
    bool allowsBackgroundTabClosing_ = true;
    bool selectsTabsOnMouseDown_ = false;
    bool allowsResizing_ = false;
    std::int64_t cellMinWidth_ = 100;
    std::int64_t cellMaxWidth_ = 280;
    std::int64_t cellOptimumWidth_ = 130;
    bool isHidden_ = false;
    kit::Ref<kit::View> partnerView_;
    bool awakenedFromNib_ = false;
    std::int64_t tabBarWidth_ = 0;
    // Hide and show: -1 when no change runs, else the next tick (0 to 3).
    std::int64_t currentStep_ = -1;
    bool hiddenByHost_ = false;
    kit::Ref<kit::Timer> showHideTimer_;
    struct ShowHideRun {
        double myOrigin = 0, mySize = 0, myTargetOrigin = 0, myTargetSize = 0;
        double partnerOrigin = 0, partnerSize = 0, partnerTargetOrigin = 0, partnerTargetSize = 0;
        bool vertical = false;
    } showHide_;
    // The cell animation: its timer, the animation whose progress it reads, the target frames.
    kit::Ref<kit::Timer> animationTimer_;
    kit::Ref<kit::Animation> animation_;
    std::vector<kit::Rect> animationTargets_;
    bool resizing_ = false;
    kit::Ref<kit::Event> lastMouseDownEvent_;
    // Where the current click began, in the bar; far away without a mouse-down.
    kit::Point mouseDownPoint() const;
    bool didDrag_ = false;
    bool closeClicked_ = false;
    // Spring-loading: the armed timer, its tab and the drag's last location (window base).
    bool isTabDrag(kit::DraggingInfo& info) const;
    void cancelSpring();
    kit::Ref<kit::Timer> springTimer_;
    kit::Ref<kit::TabViewItem> tabViewItemWithSpring_;
    kit::Point springLocation_ {};
    kit::TabBarKeyStop keyStop_ = kit::TabBarKeyStop::Tab;
    kit::Weak<XTTabBarCell> announcedCell_;
};
