#pragma once

// A header strip of the table grid: the column strip (orientation 0) above the cells, the row strip
// (orientation 1) left of them. It draws one header cell per visible header, selects whole columns
// or rows when a header is pressed or dragged across, starts moves of fully selected columns or
// rows, and in the column strip resizes a column by its right edge.

#include "JVLAppKit/JVLTableGrid/JVLTableGridCell.h"

#include "kit/appkit/View.h"

#include <cstdint>
#include <vector>

class JVLTableGrid;

class JVLTableGridHeaderView : public kit::View {
    KIT_CLASS(JVLTableGridHeaderView)
    static constexpr double MoveThreshold = 5;

    explicit JVLTableGridHeaderView(kit::Rect frame = {});

    kit::Ref<JVLTableGrid> tableGrid() const;
    kit::Ref<JVLTableGridHeaderCell> headerCell() const { return headerCell_; }
    void setHeaderCell(kit::Ref<JVLTableGridHeaderCell> cell) { headerCell_ = std::move(cell); }
    int orientation() const { return orientation_; }
    void setOrientation(int orientation) { orientation_ = orientation; }

    // Own coordinates: (x, 0, width, 19) and (0, y, 40, 20).
    kit::Rect headerRectOfColumn(std::int64_t column) const;
    kit::Rect headerRectOfRow(std::int64_t row) const;

    // State, for tests and the grid.
    std::int64_t mouseDownItem() const { return mouseDownItem_; }
    bool canResize() const { return canResize_; }
    bool isResizing() const { return isResizing_; }
    bool isInDrag() const { return isInDrag_; }
    bool shouldDragItems() const { return shouldDragItems_; }
    std::int64_t draggingColumnIndex() const { return draggingColumnIndex_; }
    const std::vector<kit::Ref<kit::TrackingArea>>& resizeAreas() const { return resizeAreas_; }

    // kit::View:
    bool isFlipped() const override { return true; }
    void drawRect(kit::Rect dirtyRect) override;
    void mouseDown(const kit::Event& event) override;
    void mouseDragged(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    // One resize area per visible column edge, whatever a pass drew.
    void updateTrackingAreas() override;

private:
    // The visible headers along the strip inside `rect` (own coordinates): [first, last], or
    // first > last when none.
    std::pair<std::int64_t, std::int64_t> itemsInRect(kit::Rect rect, JVLTableGrid& grid) const;
    void selectWholeItems(JVLTableGrid& grid, const kit::IndexSet& items);
    bool pointerInResizeArea() const;

    kit::Ref<JVLTableGridHeaderCell> headerCell_;
    int orientation_ = 0;
    std::int64_t mouseDownItem_ = -1;
    kit::Point mouseDownLocation_;
    kit::Point lastMouseDraggingLocation_;
    bool shouldDragItems_ = false;
    bool isInDrag_ = false;
    std::vector<kit::Ref<kit::TrackingArea>> resizeAreas_;
    bool canResize_ = false;
    bool isResizing_ = false;
    std::int64_t draggingColumnIndex_ = kit::NotFound;
    kit::Point lastPointerLocation_;
};
