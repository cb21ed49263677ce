#pragma once

// The bar's geometry record of one group: the widths the group can take, its rectangles in the
// bar (separator, label, buttons), how many of its objects are peeled off into the overflow
// pull-down, and the cell under the mouse. It keeps each object's natural button width and the
// collapsed pop-up's width between layout passes; the bar drops them (invalidateMeasurements)
// whenever anything they depend on changes, which always ends in a reload.

#include "kit/controls/Cell.h"
#include "kit/controls/Menu.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <cstdint>
#include <optional>
#include <vector>

class SRScopeBar;
class SRScopeBarGroup;

class SRScopeBarGroupHelper : public kit::Object {
    KIT_CLASS(SRScopeBarGroupHelper)
public:
    // The class registry's plain factory raises: a helper needs its group and bar.
    static kit::Ref<SRScopeBarGroupHelper> makeWithoutGroup();
    SRScopeBarGroupHelper(SRScopeBarGroup* group, SRScopeBar* bar);
    ~SRScopeBarGroupHelper() override;

    const kit::Ref<SRScopeBarGroup>& group() const { return group_; }
    kit::Ref<SRScopeBar> scopeBar() const { return scopeBar_.lock(); }
    kit::Rect frame() const { return frame_; }
    void setFrame(kit::Rect frame);
    kit::Rect buttonRect() const { return buttonRect_; }
    kit::Rect separatorRect() const { return separatorRect_; }
    kit::Rect labelRect() const { return labelRect_; }
    const std::vector<kit::Rect>& buttonRects() const { return buttonRects_; }
    double headerWidth() const { return headerWidth_; }
    double maximumWidth() const { return maximumWidth_; }
    double minimumWidth() const { return minimumWidth_; }
    std::int64_t numberOfItemsPeeledOff() const { return peeled_; }
    std::int64_t numberOfVisibleObjects() const;
    kit::Ref<kit::Cell> trackingCell() const { return trackingCell_; }
    std::int64_t trackingIndex() const { return trackingIndex_; }

    void updateGroupDimensions();
    void unpeel() { peeled_ = 0; }
    bool isPeeled() const { return numberOfVisibleObjects() <= 0; }
    // The menu items of what this step peels off (nullopt when nothing is left to peel).
    std::optional<std::vector<kit::Ref<kit::MenuItem>>> peelOffNextItem();
    // Cached widths and menu items are stale: the objects, their titles or the templates changed.
    void invalidateMeasurements();

    // Drawing and events, called by the bar.
    void drawGroup();
    void addTrackingAreas();
    void mouseEntered(const kit::Event& event);
    void mouseExited(const kit::Event& event);
    void mouseDown(const kit::Event& event);
    // A collapsed group's menu, opened over its pop-up as a click opens it (for a screen reader).
    void showPopUpMenu();
    // Action of a collapsed group's pop-up tracking cell.
    void popUpMenuItemSelected(kit::Object* sender);
    // The tracking cell and index go (a helper being removed, a group leaving).
    void clearTracking();

    // A new menu titled "" with the item of every object.
    kit::Ref<kit::Menu> menu() const;
    kit::Ref<kit::MenuItem> menuItemForObject(std::int64_t index);

private:
    friend class SRScopeBar;
    double naturalWidth(std::int64_t index);
    double popUpWidth();
    double buttonCellHeight();
    double maximumButtonWidth();
    double minimumButtonWidth();
    void calculateHeaderWidth();
    void calculateMaximumWidth();
    void calculateMinimumWidth();
    void recalculateRects();
    void updateButtonFrames();
    void setItemsToMaximumWidth();
    std::int64_t groupIndex() const;
    bool listedInBar() const { return groupIndex() >= 0; }
    void makePopUpTrackingCell();
    void openPopUp(const kit::Ref<kit::PopUpButtonCell>& popUp, SRScopeBar& bar);
    double intercellSpacing() const;

    kit::Weak<SRScopeBar> scopeBar_;
    kit::Ref<SRScopeBarGroup> group_;
    kit::Rect frame_;
    kit::Rect buttonRect_;
    kit::Rect separatorRect_;
    kit::Rect labelRect_;
    std::vector<kit::Rect> buttonRects_;
    kit::Ref<kit::Cell> trackingCell_;
    std::int64_t trackingIndex_ = -1;
    double headerWidth_ = 0;
    double maximumWidth_ = 0;
    double minimumWidth_ = 0;
    std::int64_t peeled_ = 0;

    // Measurements kept between passes; negative = not measured yet.
    std::vector<double> naturalWidths_;
    double popUpWidth_ = -1;
    double buttonCellHeight_ = -1;
    std::optional<kit::Size> labelSize_;
    kit::Size labelSize();
    std::vector<kit::Ref<kit::MenuItem>> menuItems_;
};
