#pragma once

// A filter bar of toggle-button groups. Groups get their objects from a data source or from
// bindings; the bar lays them out lazily when it draws, collapsing groups into pop-ups from the
// right and then peeling buttons off into an overflow pull-down as it narrows, and brings them
// back as it widens. Selection changes go to the delegate's optional operations and out as
// "SRScopeBarSelectionDidChangeNotification". The bar is an unflipped control.

#include "SRScopeBarCells.h"
#include "SRScopeBarDataSource.h"
#include "SRScopeBarGroup.h"
#include "SRScopeBarGroupHelper.h"

#include "kit/controls/Control.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Gradient.h"

#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

class SRScopeBar : public kit::Control {
    KIT_CLASS(SRScopeBar)
public:
    // Accessibility element indexes of a collapsed group's pop-up, and of the overflow pull-down
    // (no group); a button's is its object's index.
    static constexpr std::int64_t PopUpElementIndex = -1;
    static constexpr std::int64_t OverflowElementIndex = -2;

    explicit SRScopeBar(kit::Rect frame = {});
    ~SRScopeBar() override;

    // --- Groups. ---
    kit::Array groups() const;
    void setGroups(const kit::Array& groups);
    std::int64_t numberOfGroups() const { return std::int64_t(groups_.size()); }
    kit::Ref<SRScopeBarGroup> addGroup();
    void addGroup(SRScopeBarGroup* group) { insertGroupAtIndex(group, numberOfGroups()); }
    void insertGroupAtIndex(SRScopeBarGroup* group, std::int64_t index);
    void removeGroup(SRScopeBarGroup* group);
    void removeGroupAtIndex(std::int64_t index);
    kit::Ref<SRScopeBarGroup> groupAtIndex(std::int64_t index) const;
    std::int64_t indexOfGroup(const SRScopeBarGroup* group) const;
    kit::Ref<SRScopeBarGroup> groupWithIdentifier(const QString& identifier) const;
    void moveGroupWithIndexToIndex(std::int64_t from, std::int64_t to);
    void reloadData();
    void reloadDataForGroup(std::int64_t index);
    void adjustSubviews();

    // --- Prepared cells: template copies dressed for one object or one collapsed group. Nil for
    // an unbound group without data source. ---
    kit::Ref<kit::ButtonCell> preparedButtonCellForGroupObject(std::int64_t groupIndex, std::int64_t objectIndex) const;
    kit::Ref<kit::PopUpButtonCell> preparedPopUpCellForGroup(std::int64_t groupIndex) const;

    // --- Templates and appearance. ---
    kit::Ref<kit::ButtonCell> buttonCell() const;
    void setButtonCell(kit::ButtonCell* cell);
    kit::Ref<kit::PopUpButtonCell> popUpButtonCell() const;
    void setPopUpButtonCell(kit::PopUpButtonCell* cell);
    kit::Ref<kit::PopUpButtonCell> overflowPullDownCell() const { return overflowPullDownCell_; }
    void setOverflowPullDownCell(kit::PopUpButtonCell* cell);
    kit::Ref<kit::View> accessoryView() const { return accessoryView_; }
    void setAccessoryView(kit::View* view);
    std::uint64_t minimumButtonWidth() const { return minimumButtonWidth_; }
    void setMinimumButtonWidth(std::uint64_t width);
    std::uint64_t minimumPopUpWidth() const { return minimumPopUpWidth_; }
    void setMinimumPopUpWidth(std::uint64_t width);
    std::uint64_t intercellSpacing() const { return intercellSpacing_; }
    void setIntercellSpacing(std::uint64_t spacing);
    // The bar's own formatter of object values into titles (the control's cell has none).
    kit::Ref<kit::Object> formatter() const { return formatter_; }
    void setFormatter(kit::Ref<kit::Object> formatter);
    kit::Ref<kit::Gradient> backgroundGradient() const { return backgroundGradient_; }
    void setBackgroundGradient(kit::Gradient* gradient);
    kit::Ref<kit::Color> backgroundTopColor() const;
    void setBackgroundTopColor(kit::Color* color);
    kit::Ref<kit::Color> backgroundBottomColor() const;
    void setBackgroundBottomColor(kit::Color* color);
    kit::Ref<kit::Color> borderColor() const { return borderColor_; }
    void setBorderColor(kit::Color* color) { borderColor_ = color; }
    kit::Ref<kit::Color> separatorColor() const { return separatorColor_; }
    void setSeparatorColor(kit::Color* color) { separatorColor_ = color; }
    kit::Ref<kit::Color> labelColor() const { return labelColor_; }
    void setLabelColor(kit::Color* color) { labelColor_ = color; }
    bool autoResizesGroups() const { return autoResizesGroups_; }
    void setAutoResizesGroups(bool flag) { autoResizesGroups_ = flag; }
    bool ibInitialized() const { return ibInitialized_; }

    // --- Delegate and data source, both weak. A delegate implementing scopeBarSelectionDidChange
    // hears every bar's notification. ---
    void setDelegate(kit::Object* delegate) override;
    kit::Ref<kit::Object> dataSource() const { return dataSource_.lock(); }
    void setDataSource(kit::Object* dataSource);

    // --- Layout state, for the layout pass and tests. ---
    const std::vector<kit::Ref<SRScopeBarGroupHelper>>& groupHelpers() const { return groups_; }
    kit::Rect overflowPullDownRect() const { return overflowPullDownRect_; }
    bool showsOverflowPullDown() const;
    // Runs a pending layout pass now.
    void layoutIfNeeded();

    // Margin at both ends, between groups and before the accessory view.
    static double edgeMargin();

    // Actions.
    void overflowPullDownItemSelected(kit::Object* sender);
    // The overflow menu, opened over its pull-down as a click opens it (for a screen reader).
    void showOverflowMenu();

    // kit::Control:
    void calcSize() override;
    void drawRect(kit::Rect dirtyRect) override;
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;
    // kit::View:
    void updateTrackingAreas() override;
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    void mouseDown(const kit::Event& event) override;
    void resizeWithOldSuperviewSize(kit::Size oldSize) override;
    void setFrameSize(kit::Size size) override;
    void viewWillMoveToSuperview(kit::View* superview) override;
    void viewDidMoveToSuperview() override;
    // kit::Accessibility: a group of the buttons the bar shows (a collapsed group's pop-up
    // standing for its buttons), each made when first asked for and kept; named after what its
    // groups are for. While the bar has the keyboard focus its current element is the focused one.
    bool accessibilityIsIgnored() const override { return false; }
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    // kit::Responder: Left and Right move the current element, Space presses it; from then on
    // the current element shows the focus ring, even when a click gave the bar the focus.
    void keyDown(const kit::Event& event) override;

private:
    friend class SRScopeBarGroup;
    friend class SRScopeBarGroupHelper;
    friend class SRScopeBarElement;
    // The element of object `index` of a group, or of its collapsed pop-up (index -1).
    kit::Value accessibilityElement(const SRScopeBarGroup* group, std::int64_t index) const;
    kit::Array accessibilityShownElements() const;
    // The shown elements the bar draws itself (not the accessory view's).
    std::vector<kit::Ref<kit::Object>> drawnElements() const;
    // The element the keyboard acts on: the one last focused while it shows, else the first.
    kit::Ref<kit::Object> currentElement() const;
    bool isFocusedElement(const kit::Object* element) const;
    // Makes `element` current and gives the bar the keyboard focus; announced as a focus change.
    void focusElement(kit::Object* element);
    // A press on a button, a collapsed group's pop-up or the overflow (null group) makes it the
    // element the keys go on from.
    void pointerChoseElement(const SRScopeBarGroup* group, std::int64_t index);
    // The focus ring round the current element, while the bar has the keyboard focus.
    void drawCurrentElementFocusRing();
    // The buttons of `group` whose checked state differs between the two selections say so.
    void announceSelectionChange(const SRScopeBarGroup* group, const kit::IndexSet& before, const kit::IndexSet& after);

    // The delegate's and data source's operations, each only when it is there.
    SRScopeBarDelegate* delegateFor(bool implemented) const;
    SRScopeBarDataSource* dataSourceObject() const;
    bool askShouldSelect(const kit::Value& object) const;
    bool delegateImplementsShouldSelect() const { return delegateImplementsShouldSelect_; }
    void observeDelegate();
    void stopObservingDelegate();

    kit::Ref<SRScopeBarGroupHelper> groupHelperForGroup(const SRScopeBarGroup* group) const;
    void resetSelectionForGroup(std::int64_t index);
    void invalidateAllMeasurements();
    kit::Ref<kit::ButtonCell> preparedDataSourceCellForGroupObject(std::int64_t groupIndex, std::int64_t objectIndex) const;
    kit::Ref<kit::Image> imageForObject(const SRScopeBarGroup& group, std::int64_t groupIndex, std::int64_t objectIndex) const;
    void rebuildTrackingAreas();
    QString titleForObject(const kit::Value& object) const;

    // Layout steps.
    void resetGroupsToMaxWidth();
    bool collapseRightMostGroup();
    void peelOffItemsToFitInWidth(double width);
    std::int64_t countOfUnpeeledGroups() const;
    double sumOfMaximumWidthForAllGroups() const;
    double sumOfMinimumWidthForAllGroups() const;
    void drawBackground();

    kit::Ref<kit::View> accessoryView_;
    std::uint64_t minimumButtonWidth_ = 70;
    std::uint64_t minimumPopUpWidth_ = 70;
    std::uint64_t intercellSpacing_ = 5;
    std::vector<kit::Ref<SRScopeBarGroupHelper>> groups_;
    kit::Ref<kit::Gradient> backgroundGradient_;
    kit::Ref<kit::Color> borderColor_;
    kit::Ref<kit::Color> separatorColor_;
    kit::Ref<kit::Color> labelColor_;
    kit::Ref<kit::Object> formatter_;
    kit::Ref<kit::ButtonCell> buttonCell_;
    kit::Ref<kit::PopUpButtonCell> popUpButtonCell_;
    kit::Ref<kit::PopUpButtonCell> overflowPullDownCell_;
    kit::Rect overflowPullDownRect_;
    mutable std::map<std::pair<const SRScopeBarGroup*, std::int64_t>, kit::Ref<kit::Object>> accessibilityElements_;
    kit::Weak<kit::Object> currentElement_;
    bool trackingOverflow_ = false;
    kit::Weak<kit::Object> dataSource_;
    bool groupsNeedUpdate_ = true;
    kit::Weak<SRScopeBarGroupHelper> trackingGroup_;
    bool trackingAreasNeedUpdate_ = true;
    bool autoResizesGroups_ = true;
    bool delegateImplementsShouldSelect_ = false;
    bool delegateImplementsShouldCollapse_ = false;
    bool delegateImplementsShouldExpand_ = false;
    bool delegateImplementsDidChange_ = false;
    bool dataSourceImplementsImageForObject_ = false;
    bool ibInitialized_ = false;
    // Each listed group's index, kept with groups_ (the layout asks it very often).
    std::unordered_map<const SRScopeBarGroup*, std::int64_t> groupIndexes_;
    void renumberGroups();
    // Whether the delegate is registered for the notification now.
    bool observingDelegate_ = false;
};
