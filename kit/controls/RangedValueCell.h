#pragma once

// A cell holding a number within [minValue, maxValue], and the control that shows one. Setting the
// value or either end clamps the value into the range (an upper end below the lower one counts as
// the lower). Accessibility sees the value and the range; increment, decrement and a new value
// change it the way the control's keys do and send the action.

#include "kit/controls/Control.h"

namespace kit {

class RangedValueCell : public ActionCell {
    KIT_CLASS(RangedValueCell)
public:
    // Shallow: shared references stay shared.
    void copyTo(Object& copy) const override;
    // Keyed archiving: the range, then the value again so it is clamped into the decoded range.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    double minValue() const { return range_.min; }
    void setMinValue(double value);
    double maxValue() const { return range_.max; }
    void setMaxValue(double value);
    // One step up (towards the maximum) or down, as the control's keys move it.
    virtual void step(bool up) = 0;

    // Cell: values are clamped to the range.
    void setDoubleValue(double value) override;
    void setIntegerValue(std::int64_t value) override { setDoubleValue(double(value)); }

    // Accessibility (ValueControlAccessibility.cpp).
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;

protected:
    RangedValueCell(double minValue, double maxValue);
    // What a new value becomes: clamped into the range; NaN stays NaN unless a subclass says otherwise.
    virtual double clampedValue(double value) const;
    virtual QString accessibilityRangedRole() const = 0;
    // Whether accessibility may change the value at all (an enabled cell is asked for each change).
    virtual bool accessibilityAdjustable() const { return true; }

private:
    struct Range {
        double min = 0;
        double max = 0;
    };
    Range range_;
};

// The control's side: the range lives in its cell.
class RangedValueControl : public Control {
    KIT_CLASS(RangedValueControl)
public:
    RangedValueCell* rangedCell() const { return dynamic_cast<RangedValueCell*>(cell().get()); }

    double minValue() const { return rangedCell()->minValue(); }
    void setMinValue(double value) { rangedCell()->setMinValue(value); }
    double maxValue() const { return rangedCell()->maxValue(); }
    void setMaxValue(double value) { rangedCell()->setMaxValue(value); }

    // kit::View:
    bool isFlipped() const override { return true; }

protected:
    RangedValueControl(Rect frame, Ref<Cell> cell)
        : Control(frame, std::move(cell))
    { }
};

} // namespace kit
