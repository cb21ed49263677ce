#pragma once

// A level indicator in the rating style: a row of stars, one per unit up to maxValue. When the
// cell is editable, pressing or dragging sets the value to the star under the pointer (left of
// the first star: minValue) live, and the release sends one action; Left and Right step by one.

#include "kit/controls/RangedValueCell.h"

namespace kit {

enum LevelIndicatorStyle : int {
    RelevancyLevelIndicatorStyle = 0,
    ContinuousCapacityLevelIndicatorStyle = 1,
    DiscreteCapacityLevelIndicatorStyle = 2,
    RatingLevelIndicatorStyle = 3,
};

class LevelIndicatorCell : public RangedValueCell {
    KIT_CLASS(LevelIndicatorCell)
public:
    LevelIndicatorCell();
    explicit LevelIndicatorCell(LevelIndicatorStyle style);
    // Shallow: shared references stay shared.
    void copyTo(Object& copy) const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    LevelIndicatorStyle levelIndicatorStyle() const { return style_; }
    void setLevelIndicatorStyle(LevelIndicatorStyle style);
    unsigned unsignedIntValue() const { return unsigned(std::max<std::int64_t>(0, integerValue())); }
    // The star of `frame` under `point`: minValue left of the first star, maxValue past the last.
    double valueAtPoint(Point point, Rect frame) const;
    // The rectangle of star `index` (0-based).
    Rect starRect(std::int64_t index, Rect frame) const;
    // One unit up or down, as Left and Right move it.
    void step(bool up) override;

    // Cell:
    Size cellSizeForBounds(Rect bounds) const override;
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;

protected:
    // Accessibility: a level indicator, changed only when editable.
    QString accessibilityRangedRole() const override;
    bool accessibilityAdjustable() const override { return isEditable(); }

private:
    LevelIndicatorStyle style_ = RatingLevelIndicatorStyle;
};

class LevelIndicator : public RangedValueControl {
    KIT_CLASS(LevelIndicator)
    KIT_CONTROL_CELL_CLASS(LevelIndicator, LevelIndicatorCell)
public:
    explicit LevelIndicator(Rect frame = {});
    LevelIndicatorCell* levelCell() const { return dynamic_cast<LevelIndicatorCell*>(cell().get()); }

    unsigned unsignedIntValue() const { return levelCell()->unsignedIntValue(); }

    // kit::View:
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;

protected:
    LevelIndicator(Rect frame, Ref<Cell> cell);
};

} // namespace kit
