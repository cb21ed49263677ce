#pragma once

// A level indicator in the rating style: a row of stars, one per unit up to maxValue. When the
// cell is editable, pressing or dragging sets the value to the star under the pointer (left of
// the first star: minValue) live, and the release sends one action; Left and Right step by one.

#include "kit/controls/Control.h"

namespace kit {

enum LevelIndicatorStyle : int {
    RelevancyLevelIndicatorStyle = 0,
    ContinuousCapacityLevelIndicatorStyle = 1,
    DiscreteCapacityLevelIndicatorStyle = 2,
    RatingLevelIndicatorStyle = 3,
};

class LevelIndicatorCell : public ActionCell {
    KIT_CLASS(LevelIndicatorCell)
public:
    LevelIndicatorCell();
    explicit LevelIndicatorCell(LevelIndicatorStyle style);
    // Shallow: shared references stay shared.
    void copyTo(Object& copy) const override;

    LevelIndicatorStyle levelIndicatorStyle() const { return l_.style; }
    void setLevelIndicatorStyle(LevelIndicatorStyle style);
    double minValue() const { return l_.min; }
    void setMinValue(double value);
    double maxValue() const { return l_.max; }
    void setMaxValue(double value);
    unsigned unsignedIntValue() const { return unsigned(std::max<std::int64_t>(0, integerValue())); }
    // The star of `frame` under `point`: minValue left of the first star, maxValue past the last.
    double valueAtPoint(Point point, Rect frame) const;
    // The rectangle of star `index` (0-based).
    Rect starRect(std::int64_t index, Rect frame) const;

    // Cell: values are clamped to the range.
    void setDoubleValue(double value) override;
    void setIntegerValue(std::int64_t value) override { setDoubleValue(double(value)); }
    Size cellSizeForBounds(Rect bounds) const override;
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;

    // Accessibility (ValueControlAccessibility.cpp): a level indicator with its value and range; when
    // editable, increment, decrement and a new value change it by the keys' rule and send the action.
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;

protected:
private:
    struct Fields {
        LevelIndicatorStyle style = RatingLevelIndicatorStyle;
        double min = 0;
        double max = 5;
    };
    Fields l_;
};

class LevelIndicator : public Control {
    KIT_CLASS(LevelIndicator)
    KIT_CONTROL_CELL_CLASS(LevelIndicator, LevelIndicatorCell)
public:
    explicit LevelIndicator(Rect frame = {});
    LevelIndicatorCell* levelCell() const { return dynamic_cast<LevelIndicatorCell*>(cell().get()); }

    double minValue() const { return levelCell()->minValue(); }
    void setMinValue(double value) { levelCell()->setMinValue(value); }
    double maxValue() const { return levelCell()->maxValue(); }
    void setMaxValue(double value) { levelCell()->setMaxValue(value); }
    unsigned unsignedIntValue() const { return levelCell()->unsignedIntValue(); }

    // kit::View:
    bool isFlipped() const override { return true; }
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;

protected:
    LevelIndicator(Rect frame, Ref<Cell> cell);
};

} // namespace kit
