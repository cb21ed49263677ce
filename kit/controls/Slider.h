#pragma once

// A slider: a knob on a track that sets a number within [minValue, maxValue]. It lies across its
// frame's longer side (vertical when taller than wide, the maximum at the top). A press moves the
// knob under the pointer and a drag follows it; a continuous slider sends its action at every
// change, another once at the release. The arrow keys step by `keyIncrement` (a twentieth of the
// range unless set).

#include "kit/controls/RangedValueCell.h"

namespace kit {

class SliderCell : public RangedValueCell {
    KIT_CLASS(SliderCell)
public:
    SliderCell();
    // Shallow: shared references stay shared.
    void copyTo(Object& copy) const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    double keyIncrement() const;
    void setKeyIncrement(double value) { sl_.keyIncrement = value; }
    // Whether the knob runs up and down the frame.
    static bool isVerticalFrame(Rect frame) { return frame.height() > frame.width(); }
    // The value that puts the knob's centre under `point` of `frame`, clamped to the range.
    double valueAtPoint(Point point, Rect frame, bool flipped) const;
    // One key step up (towards the maximum) or down.
    void step(bool up) override;

    // Cell:
    void setStringValue(const QString& value) override { setDoubleValue(value.trimmed().toDouble()); }
    Size cellSizeForBounds(Rect bounds) const override;
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;

protected:
    // A NaN value puts the knob at the minimum.
    double clampedValue(double value) const override;
    // Accessibility: a slider, whose increment and decrement move the knob as the keys do.
    QString accessibilityRangedRole() const override;

private:
    friend class Slider;
    struct Fields {
        double keyIncrement = 0; // 0: a twentieth of the range
        bool pressed = false;
    };
    Fields sl_;
};

class Slider : public RangedValueControl {
    KIT_CLASS(Slider)
    KIT_CONTROL_CELL_CLASS(Slider, SliderCell)
public:
    explicit Slider(Rect frame = {});
    SliderCell* sliderCell() const { return dynamic_cast<SliderCell*>(cell().get()); }

    double keyIncrement() const { return sliderCell()->keyIncrement(); }
    void setKeyIncrement(double value) { sliderCell()->setKeyIncrement(value); }
    bool isVertical() const { return SliderCell::isVerticalFrame(bounds()); }

    // kit::View:
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;

protected:
    Slider(Rect frame, Ref<Cell> cell);
};

} // namespace kit
