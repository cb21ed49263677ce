#pragma once

// A slider: a knob on a track that sets a number within [minValue, maxValue]. It lies across its
// frame's longer side (vertical when taller than wide, the maximum at the top). A press moves the
// knob under the pointer and a drag follows it; a continuous slider sends its action at every
// change, another once at the release. The arrow keys step by `keyIncrement` (a twentieth of the
// range unless set).

#include "kit/controls/Control.h"

namespace kit {

class SliderCell : public ActionCell {
    KIT_CLASS(SliderCell)
public:
    SliderCell();
    // Shallow: shared references stay shared.
    void copyTo(Object& copy) const override;

    double minValue() const { return sl_.min; }
    void setMinValue(double value);
    double maxValue() const { return sl_.max; }
    void setMaxValue(double value);
    double keyIncrement() const;
    void setKeyIncrement(double value) { sl_.keyIncrement = value; }
    // Whether the knob runs up and down the frame.
    static bool isVerticalFrame(Rect frame) { return frame.height() > frame.width(); }
    // The value that puts the knob's centre under `point` of `frame`, clamped to the range.
    double valueAtPoint(Point point, Rect frame, bool flipped) const;
    // One key step up (towards the maximum) or down.
    void step(bool up);

    // Cell: values are clamped to the range.
    void setDoubleValue(double value) override;
    void setIntegerValue(std::int64_t value) override { setDoubleValue(double(value)); }
    void setStringValue(const QString& value) override { setDoubleValue(value.trimmed().toDouble()); }
    Size cellSizeForBounds(Rect bounds) const override;
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;

    // Accessibility (ValueControlAccessibility.cpp): a slider with its value and range; increment,
    // decrement and a new value move the knob as the keys do and send the action.
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;

private:
    friend class Slider;
    struct Fields {
        double min = 0;
        double max = 1;
        double keyIncrement = 0; // 0: a twentieth of the range
        bool pressed = false;
    };
    Fields sl_;
};

class Slider : public Control {
    KIT_CLASS(Slider)
    KIT_CONTROL_CELL_CLASS(Slider, SliderCell)
public:
    explicit Slider(Rect frame = {});
    SliderCell* sliderCell() const { return dynamic_cast<SliderCell*>(cell().get()); }

    double minValue() const { return sliderCell()->minValue(); }
    void setMinValue(double value) { sliderCell()->setMinValue(value); }
    double maxValue() const { return sliderCell()->maxValue(); }
    void setMaxValue(double value) { sliderCell()->setMaxValue(value); }
    double keyIncrement() const { return sliderCell()->keyIncrement(); }
    void setKeyIncrement(double value) { sliderCell()->setKeyIncrement(value); }
    bool isVertical() const { return SliderCell::isVerticalFrame(bounds()); }

    // kit::View:
    bool isFlipped() const override { return true; }
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;

protected:
    Slider(Rect frame, Ref<Cell> cell);
};

} // namespace kit
