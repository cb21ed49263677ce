#pragma once

// A view that mirrors a tab view with one button per item: it keeps the buttons in the tab
// view's order and selection, lays them out through its controller (with an overflow menu for
// the tabs that do not fit), shows an add-tab button, draws through an exchangeable style and
// reports to a delegate. Layout updates are coalesced onto the main queue.

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVRolloverButton.h"
#include "QVTabBarView/QVTabBarViewDelegate.h"
#include "QVTabBarView/QVTabStyle.h"
#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Animation.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/View.h"
#include "kit/controls/Menu.h"
#include "kit/controls/TabBarAccessibility.h"
#include "kit/controls/TabView.h"
#include "kit/core/IndexSet.h"
#include "kit/foundation/Coder.h"

#include <functional>
#include <vector>

class QVSlideButtonsAnimation;
class QVTabBarButton;
class QVTabBarController;

namespace kit {
class Bundle;
class Cursor;
class Timer;
}

enum QVTabBarOrientation : std::uint64_t { QVTabBarHorizontalOrientation = 0, QVTabBarVerticalOrientation = 1 };

enum QVTabStateMask : std::uint64_t {
    QVTabStatePreviousSelected = 0x4,
    QVTabStateNextSelected = 0x8,
    QVTabStatePreviousSliding = 0x10,
    QVTabStateNextSliding = 0x20,
    QVTabStatePreviousIsPlaceholder = 0x40,
    QVTabStateNextIsPlaceholder = 0x80,
    QVTabStatePositionFirst = 0x100,
    QVTabStatePositionMiddle = 0x200,
    QVTabStatePositionLast = 0x400,
    QVTabStatePositionSingle = 0x800,
    QVTabStatePositionMask = 0xF00,
};

enum QVButtonEnumerationOptions : std::uint64_t {
    QVButtonEnumerationNone = 0,
    QVButtonEnumerationUpdateTabState = 0x2,
    QVButtonEnumerationSyncSelection = 0x4,
};

// The private pasteboard type of a dragged tab button.
inline const QString QVTabBarViewDragType = QStringLiteral("org.jvl.QVTabBarView.AttachedButton");

inline constexpr std::uint64_t QVNotFound = std::uint64_t(kit::NotFound);

using QVButtons = std::vector<kit::Ref<QVAttachedTabBarButton>>;

class QVTabBarView : public kit::View,
                     public kit::TabViewDelegate,
                     public kit::AnimationDelegate,
                     public kit::DraggingDestination,
                     public kit::DraggingSource,
                     public kit::MenuItemValidation,
                     public kit::Accessibility {
    KIT_CLASS(QVTabBarView)
public:
    explicit QVTabBarView(kit::Rect frame = {});
    ~QVTabBarView() override;

    static kit::Bundle* bundle();
    // The image of that name in the bundle, referencing its file; null when there is none.
    static kit::Ref<kit::Image> bundleImage(const QString& name);

    // Style registry (see QVTabStyle).
    kit::Ref<QVTabStyle> style() const { return style_; }
    void setStyle(kit::Ref<QVTabStyle> style);
    QString styleName() const { return style_ ? style_->name() : QString(); }
    void setStyleNamed(const QString& name);

    kit::Ref<kit::Object> delegate() const { return delegate_.lock(); }
    void setDelegate(kit::Object* delegate);
    kit::Ref<kit::TabView> tabView() const { return tabView_; }
    void setTabView(kit::Ref<kit::TabView> tabView);
    kit::Ref<kit::View> partnerView() const { return partnerView_; }
    void setPartnerView(kit::Ref<kit::View> view) { partnerView_ = std::move(view); }

    // Options.
    bool onlyShowCloseOnHover() const { return onlyShowCloseOnHover_; }
    void setOnlyShowCloseOnHover(bool flag);
    bool canCloseOnlyTab() const { return canCloseOnlyTab_; }
    void setCanCloseOnlyTab(bool flag);
    bool disableTabClose() const { return disableTabClose_; }
    void setDisableTabClose(bool flag);
    bool hideForSingleTab() const { return hideForSingleTab_; }
    void setHideForSingleTab(bool flag);
    bool showAddTabButton() const { return showAddTabButton_; }
    void setShowAddTabButton(bool flag);
    bool sizeButtonsToFit() const { return sizeButtonsToFit_; }
    void setSizeButtonsToFit(bool flag);
    bool useOverflowMenu() const { return useOverflowMenu_; }
    void setUseOverflowMenu(bool flag);
    bool alwaysShowActiveTab() const { return alwaysShowActiveTab_; }
    void setAlwaysShowActiveTab(bool flag) { alwaysShowActiveTab_ = flag; }
    bool allowsScrubbing() const { return allowsScrubbing_; }
    void setAllowsScrubbing(bool flag);
    std::uint64_t orientation() const { return orientation_; }
    void setOrientation(std::uint64_t orientation);
    bool automaticallyAnimates() const { return automaticallyAnimates_; }
    void setAutomaticallyAnimates(bool flag) { automaticallyAnimates_ = flag; }
    std::uint64_t tearOffStyle() const { return tearOffStyle_; }
    void setTearOffStyle(std::uint64_t style) { tearOffStyle_ = style; }
    bool allowsBackgroundTabClosing() const { return allowsBackgroundTabClosing_; }
    void setAllowsBackgroundTabClosing(bool flag);
    bool selectsTabsOnMouseDown() const { return selectsTabsOnMouseDown_; }
    void setSelectsTabsOnMouseDown(bool flag) { selectsTabsOnMouseDown_ = flag; }
    bool allowsResizing() const { return allowsResizing_; }
    void setAllowsResizing(bool flag) { allowsResizing_ = flag; }
    bool isResizing() const { return isResizing_; }
    void setIsResizing(bool flag) { isResizing_ = flag; }
    std::int64_t buttonMinWidth() const { return buttonMinWidth_; }
    void setButtonMinWidth(std::int64_t width);
    std::int64_t buttonMaxWidth() const { return buttonMaxWidth_; }
    void setButtonMaxWidth(std::int64_t width);
    std::int64_t buttonOptimumWidth() const { return buttonOptimumWidth_; }
    void setButtonOptimumWidth(std::int64_t width);
    bool isTabBarHidden() const { return isHidden_; }
    std::int64_t tabBarWidth() const { return tabBarWidth_; }
    bool isReorderingTabViewItems() const { return isReorderingTabViewItems_; }
    void setIsReorderingTabViewItems(bool flag) { isReorderingTabViewItems_ = flag; }
    std::uint64_t destinationIndexForDraggedItem() const { return destinationIndexForDraggedItem_; }
    void setDestinationIndexForDraggedItem(std::uint64_t index) { destinationIndexForDraggedItem_ = index; }
    std::int64_t resizeAreaCompensation() const { return resizeAreaCompensation_; }

    // Tab view items.
    std::int64_t numberOfTabViewItems() const;
    std::int64_t numberOfVisibleTabViewItems() const { return numberOfAttachedButtons(); }
    std::vector<kit::Ref<kit::TabViewItem>> visibleTabViewItems() const;
    std::uint64_t indexOfTabViewItem(const kit::TabViewItem* item) const;
    kit::Ref<kit::TabViewItem> selectedTabViewItem() const;
    void selectTabViewItem(kit::TabViewItem* item);
    void removeTabViewItem(kit::TabViewItem* item);
    void moveTabViewItemToIndex(kit::TabViewItem* item, std::uint64_t index);
    kit::Ref<kit::TabViewItem> tabViewItemPinnedToOverflowButton() const;
    void setTabViewItemPinnedToOverflowButton(kit::TabViewItem* item);

    // Attached buttons.
    std::int64_t numberOfAttachedButtons() const;
    QVButtons attachedButtons() const;
    QVButtons orderedAttachedButtons() const;
    QVButtons sortedAttachedButtonsUsingComparator(
        const std::function<bool(const QVAttachedTabBarButton&, const QVAttachedTabBarButton&)>& less) const;
    void insertAttachedButtonForTabViewItemAtIndex(kit::TabViewItem* item, std::uint64_t index);
    void addAttachedButtonForTabViewItem(kit::TabViewItem* item);
    void removeAttachedButton(QVAttachedTabBarButton* button);
    void removeAttachedButtonSynchronizeTabViewItems(QVAttachedTabBarButton* button, bool synchronize);
    void insertAttachedButtonAtTabItemIndex(QVAttachedTabBarButton* button, std::uint64_t index);
    // The subview indexes of the attached buttons.
    kit::IndexSet viewIndexesOfAttachedButtons() const;
    std::uint64_t viewIndexOfSelectedAttachedButton() const;
    kit::Ref<QVAttachedTabBarButton> selectedAttachedButton() const;
    kit::Ref<QVAttachedTabBarButton> lastAttachedButton() const;
    kit::Ref<QVAttachedTabBarButton> attachedButtonForTabViewItem(const kit::TabViewItem* item) const;
    std::uint64_t indexOfAttachedButton(const QVAttachedTabBarButton* button) const;
    // Point in the bar's coordinates.
    kit::Ref<QVTabBarButton> tabBarButtonAtPoint(kit::Point point) const;
    kit::Ref<QVAttachedTabBarButton> attachedButtonAtPoint(kit::Point point) const;

    // Tab states and enumeration.
    void updateTabStateMaskOfAttachedButtonAtIndexWithPreviousNext(
        QVAttachedTabBarButton* button, std::uint64_t index, QVAttachedTabBarButton* previous, QVAttachedTabBarButton* next);
    void updateTabStateMaskOfAttachedButtonAtIndex(QVAttachedTabBarButton* button, std::uint64_t index);
    void updateTabStateMaskOfAttachedButtons();
    using ButtonBlock = std::function<void(QVAttachedTabBarButton* button, std::uint64_t index, QVAttachedTabBarButton* previous,
        QVAttachedTabBarButton* next, bool* stop)>;
    // The ordered buttons with their index; setting *stop ends the enumeration.
    void enumerateAttachedButtonsUsingBlock(const std::function<void(QVAttachedTabBarButton* button, std::uint64_t index, bool* stop)>& block);
    void enumerateAttachedButtonsWithOptionsUsingBlock(std::uint64_t options, const ButtonBlock& block);
    void enumerateAttachedButtonsInRangeWithOptionsUsingBlock(
        const QVButtons& buttons, kit::Range range, std::uint64_t options, const ButtonBlock& block);
    void bindPropertiesOfAttachedButtonAndTabViewItem(QVAttachedTabBarButton* button, kit::TabViewItem* item);
    void unbindPropertiesOfAttachedButton(QVAttachedTabBarButton* button);
    kit::Ref<kit::Object> menuForTabBarButtonWithEvent(QVTabBarButton* button, const kit::Event& event);
    kit::Ref<kit::Menu> menuForTabViewItemWithEvent(kit::TabViewItem* item, const kit::Event& event);

    // Update.
    bool needsUpdate() const { return needsUpdate_; }
    void setNeedsUpdate(bool flag);
    void update();
    void updateAnimate(bool animate);
    void layoutButtons();
    bool isAnimating() const;
    // The buttons' states follow the tab view's selection (after a click the tab view may refuse).
    void synchronizeSelectionStates() { _synchronizeSelection(); }

    // Queries.
    bool isWindowActive() const;
    bool allowsDetachedDraggingOfTabViewItem(kit::TabViewItem* item);
    bool isOverflowButtonVisible() const;
    kit::Ref<QVOverflowPopUpButton> overflowPopUpButton() const { return overflowPopUpButton_; }
    kit::Ref<QVRolloverButton> addTabButton() const { return addTabButton_; }
    QVTabBarController* controller() const { return controller_.get(); }

    // Geometry (asking the style first).
    double leftMargin();
    double rightMargin();
    double topMargin();
    double bottomMargin();
    double heightOfTabBarButtons();
    bool supportsOrientation(std::uint64_t orientation);
    kit::Size addTabButtonSize();
    kit::Rect addTabButtonRect();
    kit::Size overflowButtonSize();
    kit::Rect overflowButtonRect();
    double availableWidthForButtons();
    double availableHeightForButtons();
    kit::Rect genericButtonRect();
    kit::Rect _addTabButtonRect();
    kit::Rect _overflowButtonRect();
    void _checkWindowFrame();
    void _updateAddTabButton();
    void _updateOverflowPopUpButton();
    void _positionOverflowMenu();
    void _positionAddTabButton();

    // Drawing (asking the style first).
    void drawBezelInRect(kit::Rect rect);
    void drawButtonBezelsInRect(kit::Rect rect);
    void drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonInRect(
        QVAttachedTabBarButton* button, std::uint64_t index, const QVButtons& buttons, std::uint64_t selected, kit::Rect rect);
    void drawBezelOfOverflowButtonInRect(QVOverflowPopUpButton* button, kit::Rect rect);
    void drawInteriorInRect(kit::Rect rect);
    void _drawTabBarViewInRect(kit::Rect rect);
    void _drawButtonBezelsInRect(kit::Rect rect);
    void _drawInteriorInRect(kit::Rect rect);

    // Hiding.
    void hideTabBarAnimate(bool hide, bool animate);

    // Resizing a vertical bar by its right edge.
    kit::Rect dividerRect() const;
    kit::Ref<kit::Cursor> _resizingMouseCursor() const;
    void _beginResizingWithMouseDownEvent(const kit::Event& event);

    // Actions.
    void _didClickTabButton(kit::Object* sender);
    void _didClickCloseButton(kit::Object* sender);
    void _addNewTab(kit::Object* sender);
    void _overflowMenuAction(kit::Object* sender);
    void fireSpring(kit::Object* timer);

    // Drags of buttons.
    bool shouldStartDraggingAttachedTabBarButtonWithMouseDownEvent(QVAttachedTabBarButton* button, const kit::Event& event);
    void startDraggingAttachedTabBarButtonWithMouseDownEvent(QVAttachedTabBarButton* button, const kit::Event& event);
    // The drag assistant's.
    bool isDragging() const;
    bool isSliding() const;
    kit::Ref<QVAttachedTabBarButton> attachedTabBarButtonForDraggedItems() const;

    // kit::Accessibility: a page tab list of the attached buttons, then the add button while it
    // shows, named by its tool tip, else the tab view's, else "Tabs"; a hit test answers the button
    // under the point (screen, y up), else the bar. While the bar has the keyboard focus, its
    // selected tab is the focused element (QVTabBarViewAccessibility.cpp).
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsIgnored() const override { return false; }
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    // kit::Responder: the bar takes the keyboard focus for its tabs (a click on a tab gives it
    // too). The arrows along the bar, Home and End choose the tab; Tab and Shift-Tab go through
    // the selected tab, its close button and the add button; Space and Return press the button
    // the keyboard is on.
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const kit::Event& event) override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    // A click on one of its tabs gives the bar the keys, without a focus ring.
    void takeFocusForClick();
    // Where the ring that shows the keyboard stands (bar coordinates): on the selected tab (the
    // overflow button while that tab has none), its close button or the add button. Empty unless
    // the keyboard gave the bar the key window's focus.
    kit::Rect keyboardFocusRingRect() const;
    // Draws the part of that ring over `view`, one of the bar's buttons, from the button's drawing.
    void drawKeyboardFocusRingOver(kit::View& view) const;
    // The same for any view inside a bar: what the bar around it rings there.
    static void drawEnclosingKeyboardFocusRing(kit::View& view);
    // kit::MenuItemValidation:
    bool validateMenuItem(kit::MenuItem* item) override;
    // kit::TabViewDelegate:
    bool tabViewShouldSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item) override;
    void tabViewWillSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item) override;
    void tabViewDidSelectTabViewItem(kit::TabView* tabView, kit::TabViewItem* item) override;
    void tabViewDidChangeNumberOfTabViewItems(kit::TabView* tabView) override;
    // kit::AnimationDelegate:
    void animationDidStop(kit::Animation* animation) override;
    void animationDidEnd(kit::Animation* animation) override;
    // kit::DraggingDestination:
    std::uint64_t draggingEntered(kit::DraggingInfo& info) override;
    std::uint64_t draggingUpdated(kit::DraggingInfo& info) override;
    void draggingExited(kit::DraggingInfo& info) override;
    bool prepareForDragOperation(kit::DraggingInfo& info) override;
    bool performDragOperation(kit::DraggingInfo& info) override;
    // kit::DraggingSource:
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override;
    bool ignoreModifierKeysWhileDragging() override { return true; }
    void draggedImageBeganAt(kit::Object* image, kit::Point screen) override;
    void draggedImageMovedTo(kit::Object* image, kit::Point screen) override;
    void draggedImageEndedAtOperation(kit::Object* image, kit::Point screen, std::uint64_t operation) override;
    // kit::View:
    bool isFlipped() const override { return true; }
    void drawRect(kit::Rect dirtyRect) override;
    void viewWillMoveToWindow(kit::Window* window) override;
    void viewDidMoveToWindow() override;
    void setFrameSize(kit::Size size) override;
    bool acceptsFirstMouse(const kit::Event*) const override { return true; }
    bool shouldDelayWindowOrderingForEvent(const kit::Event&) const override { return true; }
    void viewWillStartLiveResize() override;
    void viewDidEndLiveResize() override;
    void resetCursorRects() override;
    kit::Ref<kit::View> hitTest(kit::Point point) override;
    void mouseDown(const kit::Event& event) override;
    bool mouseDownCanMoveWindow() const override { return false; }
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;
    // kit::Coding:
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;
    std::vector<kit::Ref<kit::View>> subviewsForCoding() const override;

    // The spring delay (seconds): the per-user "SpringingDelayMilliseconds", else 0.668 s.
    static double springingDelay();

private:
    friend class QVTabBarController;
    friend class QVTabDragAssistant;
    void commonInit();
    // The delegate as `Op` when it implements `operation`; `keep` holds it for the call.
    template <class Op> Op* delegateFor(const char* operation, kit::Ref<kit::Object>& keep) const
    {
        keep = delegate_.lock();
        if (!keep || !keep->respondsToSelector(kit::Selector(operation)))
            return nullptr;
        return dynamic_cast<Op*>(keep.get());
    }
    void _synchronizeSelection();
    void frameDidChange();
    // Stops every button's progress indicator; restarts the running ones on the next turn.
    void stopIndicators(bool restartOnNextTurn);
    void windowStatusDidChange();
    // Gives the overflow pop-up button the controller's menu, hidden when there is none.
    void handOverOverflowMenu();
    void finishSlideAnimation();
    void finishHideShowAnimation(kit::Animation* animation);
    void reportHideShow(bool hidden);
    void observeWindow(kit::Window* window, bool observe);
    // A new selected tab: `before` and the new one say so, and the new one takes the focus the bar has.
    void announceSelectedButton(const kit::Ref<QVAttachedTabBarButton>& before);
    // The close button of the selected tab and the add button, where they show.
    kit::TabBarKeyStops keyStops() const;
    kit::TabBarKeyStop keyStop_ = kit::TabBarKeyStop::Tab;
    // The selected tab as of the last synchronization of the buttons' states.
    kit::Weak<QVAttachedTabBarButton> announcedSelectedButton_;

    kit::Ref<kit::TabView> tabView_;
    kit::Ref<QVOverflowPopUpButton> overflowPopUpButton_;
    kit::Ref<QVRolloverButton> addTabButton_;
    kit::Ref<QVTabBarController> controller_;
    kit::Ref<kit::Timer> springTimer_;
    kit::Weak<kit::TabViewItem> tabViewItemWithSpring_;
    kit::Point springLocation_;
    kit::Ref<QVTabStyle> style_;
    bool onlyShowCloseOnHover_ = false;
    bool canCloseOnlyTab_ = false;
    bool disableTabClose_ = false;
    bool hideForSingleTab_ = false;
    bool showAddTabButton_ = false;
    bool sizeButtonsToFit_ = false;
    bool useOverflowMenu_ = true;
    bool alwaysShowActiveTab_ = false;
    bool allowsScrubbing_ = false;
    std::int64_t resizeAreaCompensation_ = 0;
    std::uint64_t orientation_ = QVTabBarHorizontalOrientation;
    bool automaticallyAnimates_ = false;
    std::uint64_t tearOffStyle_ = 0;
    bool allowsBackgroundTabClosing_ = true;
    bool selectsTabsOnMouseDown_ = true;
    bool allowsResizing_ = true;
    bool isResizing_ = false;
    std::int64_t buttonMinWidth_ = 100;
    std::int64_t buttonMaxWidth_ = 280;
    std::int64_t buttonOptimumWidth_ = 130;
    kit::Ref<QVSlideButtonsAnimation> slideButtonsAnimation_;
    kit::Ref<kit::ViewAnimation> hideShowTabBarAnimation_;
    bool isHidden_ = false;
    kit::Ref<kit::View> partnerView_;
    std::int64_t tabBarWidth_ = 0;
    bool isReorderingTabViewItems_ = false;
    bool needsUpdate_ = false;
    std::uint64_t destinationIndexForDraggedItem_ = QVNotFound;
    kit::Weak<kit::Object> delegate_;
    kit::Weak<kit::Window> observedWindow_;
    std::vector<kit::Ref<kit::Object>> windowObservers_;
};
