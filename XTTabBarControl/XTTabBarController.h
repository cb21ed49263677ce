#pragma once

// The tab bar's layout engine: which cells fit, their widths and frames, the rectangles tracked
// for the mouse, the add button's place and the menu of the tabs that do not fit.

#include "kit/controls/Menu.h"
#include "kit/controls/MenuItem.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class XTTabBarCell;
class XTTabBarControl;

// The width arithmetic, as a pure function of metrics, options and each cell's desired width.
namespace XTTabWidths {

struct Input {
    bool vertical = false;
    double frameWidth = 0;
    double frameHeight = 0;
    double leftMargin = 0;
    double rightMargin = 0;
    double topMargin = 0;
    double cellHeight = 0;
    double compensation = 0;
    // Width of the add button's current rectangle when it is shown, else 0.
    double addButtonWidth = 0;
    bool sizeCellsToFit = false;
    bool useOverflowMenu = true;
    double cellMinWidth = 100;
    double cellMaxWidth = 280;
    double cellOptimumWidth = 130;
    std::vector<double> desiredWidths;
    // In place of `desiredWidths`: asked only for the cells whose width matters, which on a bar of
    // many tabs are the few that fit.
    std::size_t count = 0;
    std::function<double(std::size_t)> desiredWidthAt;
};

struct Output {
    // Widths (horizontal) or y origins (vertical) of the visible cells.
    std::vector<double> values;
    // The failure text when even minimum widths do not fit; empty otherwise.
    QString failure;
};

Output generate(const Input& in);
// Lowers entries above `minimum` by 1 point per pass, last first, until the integer sum is at
// most `available`; answers how much the sum went down.
std::int64_t shrink(std::vector<double>& widths, std::int64_t minimum, double available);

} // namespace XTTabWidths

// A title cut to at most n characters, the last being "…"; never splits a character.
QString XTTruncatedTitle(const QString& title, int n);

class XTTabBarController : public kit::Object, public kit::MenuDelegate {
    KIT_CLASS(XTTabBarController)
public:
    XTTabBarController() = default;
    explicit XTTabBarController(XTTabBarControl* control);

    void layoutCells();
    kit::Ref<kit::Menu> overflowMenu() const { return overflowMenu_; }
    kit::Rect addButtonRect() const { return addButtonRect_; }
    // Zero rectangle (and a logged message) for an index out of range.
    kit::Rect cellFrameAtIndex(std::int64_t index) const;
    kit::Rect cellTrackingRectAtIndex(std::int64_t index) const;
    kit::Rect closeButtonTrackingRectAtIndex(std::int64_t index) const;
    std::int64_t numberOfTrackingRects() const { return std::int64_t(cellTrackingRects_.size()); }
    void setSelectedCell(XTTabBarCell* cell);

    std::vector<double> generateWidthsFromCells(const std::vector<kit::Ref<XTTabBarCell>>& cells);

    // kit::MenuDelegate
    std::int64_t numberOfItemsInMenu(kit::Menu* menu) override;
    bool menuUpdateItemAtIndexShouldCancel(kit::Menu* menu, kit::MenuItem* item, std::int64_t index, bool shouldCancel) override;

private:
    void setupCells(const std::vector<kit::Ref<XTTabBarCell>>& cells, const std::vector<double>& widths);
    // Puts the cell's item at index `at` of the overflow menu, made or retitled as needed.
    void placeInOverflowMenu(XTTabBarCell& cell, std::int64_t at, XTTabBarControl* control);

    kit::Weak<XTTabBarControl> control_;
    std::vector<kit::Rect> cellTrackingRects_;
    std::vector<kit::Rect> closeButtonTrackingRects_;
    std::vector<kit::Rect> cellFrames_;
    kit::Rect addButtonRect_ {};
    kit::Ref<kit::Menu> overflowMenu_;
    kit::Ref<kit::MenuItem> blankItem_;
};
