#pragma once

// A stepper: two arrows that step a number by an increment within [minValue, maxValue], wrapping
// round or stopping at the ends. A press steps at once and sends the action; held down, it
// repeats after half a second every tenth of a second. Up and Down step it when focused.

#include "kit/controls/RangedValueCell.h"

namespace kit {

class StepperCell : public RangedValueCell {
    KIT_CLASS(StepperCell)
public:
    StepperCell();
    // Shallow: shared references stay shared.
    void copyTo(Object& copy) const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    double increment() const { return st_.increment; }
    void setIncrement(double value) { st_.increment = value; }
    bool valueWraps() const { return st_.wraps; }
    void setValueWraps(bool flag) { st_.wraps = flag; }
    bool autorepeat() const { return st_.autorepeat; }
    void setAutorepeat(bool flag) { st_.autorepeat = flag; }
    // One step up or down, wrapping or clamping.
    void step(bool up) override;

    // Cell:
    void setStringValue(const QString& value) override { setDoubleValue(value.trimmed().toDouble()); }
    // A click steps the value; the state stays.
    int nextState() const override { return state(); }
    Size cellSizeForBounds(Rect bounds) const override;
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;
    bool trackMouseInRectOfViewUntilMouseUp(const Event& event, Rect cellFrame, View* controlView, bool untilMouseUp) override;
    void getPeriodicDelayInterval(double& delay, double& interval) const override;

protected:
    // Accessibility: an incrementor, whose increment and decrement step as the arrows do.
    QString accessibilityRangedRole() const override;

private:
    struct Fields {
        double increment = 1;
        bool wraps = true;
        bool autorepeat = true;
        int pressed = 0; // 1 up, -1 down, 0 none
    };
    Fields st_;
};

class Stepper : public RangedValueControl {
    KIT_CLASS(Stepper)
    KIT_CONTROL_CELL_CLASS(Stepper, StepperCell)
public:
    explicit Stepper(Rect frame = {});
    StepperCell* stepperCell() const { return dynamic_cast<StepperCell*>(cell().get()); }

    double increment() const { return stepperCell()->increment(); }
    void setIncrement(double value) { stepperCell()->setIncrement(value); }
    bool valueWraps() const { return stepperCell()->valueWraps(); }
    void setValueWraps(bool flag) { stepperCell()->setValueWraps(flag); }
    bool autorepeat() const { return stepperCell()->autorepeat(); }
    void setAutorepeat(bool flag) { stepperCell()->setAutorepeat(flag); }

    // kit::View:
    void keyDown(const Event& event) override;

protected:
    Stepper(Rect frame, Ref<Cell> cell);
};

} // namespace kit
