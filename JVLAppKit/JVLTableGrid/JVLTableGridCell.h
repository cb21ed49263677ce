#pragma once

// The cells of the table grid: JVLTableGridCell draws a grid cell (background, value, a right and
// a bottom grid line) and edits one in place; JVLTableGridHeaderCell draws a column or row header
// (lines, selection tint, label with a light shadow).

#include "kit/controls/Cell.h"
#include "kit/controls/TextFieldCell.h"
#include "kit/graphics/StringDrawing.h"

class JVLTableGridCell : public kit::TextFieldCell {
    KIT_CLASS(JVLTableGridCell)
    JVLTableGridCell();
    explicit JVLTableGridCell(const QString& text);

    // Fills the frame with the colour, then draws the cell.
    void drawWithFrameInViewWithBackgroundColor(kit::Rect cellFrame, kit::View* controlView, kit::Color* backgroundColor);

    // kit::Cell:
    void drawWithFrameInView(kit::Rect cellFrame, kit::View* controlView) override;
    kit::Ref<kit::Color> highlightColorWithFrameInView(kit::Rect, kit::View*) const override { return nullptr; }
};

class JVLTableGridHeaderCell : public kit::Cell {
    KIT_CLASS(JVLTableGridHeaderCell)
    JVLTableGridHeaderCell();

    // 0 column, 1 row.
    int orientation() const { return orientation_; }
    void setOrientation(int orientation) { orientation_ = orientation; }
    kit::Ref<kit::TrackingArea> resizeTrackingArea() const { return resizeTrackingArea_; }
    void setResizeTrackingArea(kit::Ref<kit::TrackingArea> area) { resizeTrackingArea_ = std::move(area); }
    // The size of a header string as drawn.
    kit::Size labelSize(const QString& text) const;

    // kit::Cell:
    void drawWithFrameInView(kit::Rect cellFrame, kit::View* controlView) override;
    void drawInteriorWithFrameInView(kit::Rect cellFrame, kit::View* controlView) override;

private:
    int orientation_ = 0;
    kit::Ref<kit::TrackingArea> resizeTrackingArea_;
    kit::StringAttributes labelAttributes_;
};
