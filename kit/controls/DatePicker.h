#pragma once

// A text-field date picker: day, month and year shown as separate elements in the locale's short
// date order and separator, edited in place without a field editor. A click or Tab focuses an
// element; digits type into it, Up and Down step it with wrap-around, Left and Right move between
// elements. Every change sets the date (local midnight of the day shown) and sends the action.
// Year digits are held until four are typed or the year loses focus, so a year is one change.

#include "kit/appkit/Accessibility.h"
#include "kit/controls/Control.h"
#include "kit/foundation/Locale.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace kit {

enum DatePickerStyle : int { TextFieldAndStepperDatePickerStyle = 0, ClockAndCalendarDatePickerStyle = 1, TextFieldDatePickerStyle = 2 };
enum DatePickerMode : int { SingleDateMode = 0, RangeDateMode = 1 };
enum : unsigned { YearMonthDayDatePickerElementFlag = 0x00E0 };

class DatePickerCell : public ActionCell {
    KIT_CLASS(DatePickerCell)
public:
    DatePickerCell();
    void copyTo(Object& copy) const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    enum Element { Day, Month, Year };

    // Only the text-field style, single-date mode and year-month-day elements are offered.
    DatePickerStyle datePickerStyle() const { return TextFieldDatePickerStyle; }
    void setDatePickerStyle(DatePickerStyle style);
    DatePickerMode datePickerMode() const { return SingleDateMode; }
    void setDatePickerMode(DatePickerMode mode);
    unsigned datePickerElements() const { return YearMonthDayDatePickerElementFlag; }
    void setDatePickerElements(unsigned elements);

    // Nil shows empty elements.
    Value dateValue() const { return objectValue().kind() == ValueKind::Date ? objectValue() : Value(); }
    void setDateValue(const Value& date);
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag) { drawsBackground_ = flag; }
    Ref<Color> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Ref<Color> color) { backgroundColor_ = std::move(color); }
    Ref<Color> textColor() const { return textColor_; }
    void setTextColor(Ref<Color> color) { textColor_ = std::move(color); }
    // Null: the current locale, asked each time.
    Ref<Locale> locale() const { return locale_; }
    void setLocale(Ref<Locale> locale) { locale_ = std::move(locale); }

    // The elements in display order, their separator, and what each shows ("" for a nil date).
    std::vector<Element> elementOrder() const;
    QString separator() const;
    QString textOfElement(Element element) const;
    // The element's text box inside `frame`; drawing and clicks share it.
    Rect rectOfElementInFrame(std::size_t index, Rect frame) const;

    // -1 when none has focus.
    int focusedElement() const { return focused_; }
    void setFocusedElement(int index);
    // Editing; each change that alters the date sets it and answers YES.
    bool typeDigit(int digit);
    bool stepFocusedElement(int delta);
    // The year digits held so far, read: one or two digits within 80 years before to 19 years
    // after today, four as they stand, three not at all.
    bool commitTypedYear();

    // The date as shown: the elements' texts in display order with the separator; empty for nil.
    QString shownDate() const;
    // Its tool tip, or the name its owner gave it; empty for none.
    QString accessibilityOwnName() const;

    // kit::Cell:
    Size cellSizeForBounds(Rect bounds) const override;
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;
    void drawInteriorWithFrameInView(Rect cellFrame, View* controlView) override;
    int nextState() const override { return state(); }

    // kit::Accessibility: a group named by its tool tip (else by the date as shown) whose children
    // are the elements as spin buttons; the date as shown is its value, and its description
    // beside a name of its own. The focused element stands for the keyboard focus.
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    Value accessibilityFocusedUIElement() const override;

private:
    struct Day3 {
        int year, month, day;
    };
    Day3 shownOrToday() const;
    bool apply(Day3 day);
    // The widths of the element texts in the cell font, and of the separator.
    double elementWidth(Element element) const;
    double separatorWidth() const;
    Rect textBoxForBounds(Rect bounds) const;

    bool drawsBackground_ = true;
    Ref<Color> backgroundColor_;
    Ref<Color> textColor_;
    Ref<Locale> locale_;
    int focused_ = -1;
    QString typed_;
};

// What a control that shows a date as day, month and year parts tells its part elements.
class DatePartsAccessibilityOwner {
public:
    virtual ~DatePartsAccessibilityOwner() = default;
    // The part at display position `position` (0 left … 2 right).
    virtual DatePickerCell::Element accessibilityDatePartAt(int position) const = 0;
    // Its number; nil while none is shown.
    virtual Value accessibilityDatePartValueAt(int position) const = 0;
    // Where it is drawn, in the control's coordinates.
    virtual Rect accessibilityDatePartRectAt(int position) const = 0;
    // The position the keyboard is on; -1 when the control does not have the keys.
    virtual int accessibilityFocusedDatePart() const = 0;
    // Takes the keys on that part.
    virtual void accessibilityFocusDatePart(int position) = 0;
    virtual void accessibilityStepDatePart(int position, int delta) = 0;
    // The element the parts are children of (the control's cell, or the control itself).
    virtual Value accessibilityDatePartsParent() const = 0;
    // The control's own name (its tool tip, or the name its owner gave it); empty for none.
    virtual QString accessibilityDatePartsName() const = 0;
};

// A part of a date control to a screen reader: a spin button named "day", "month" or "year"
// (after the control's own name: "Released, day", so two dates on a page differ), valued by its number, placed where it is drawn, focused while the keyboard is on it; increment
// and decrement step it as Up and Down do.
class DatePartElement : public Object, public Accessibility {
    KIT_CLASS(DatePartElement)
public:
    DatePartElement() = default;
    DatePartElement(View* control, int position);
    static QString nameOfPart(DatePickerCell::Element part);

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const Value& value, const QString& attribute) override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;
    Ref<View> accessibilityDrawingView() const override { return control_.lock(); }

private:
    DatePartsAccessibilityOwner* owner(Ref<View>& holder) const;
    Weak<View> control_;
    int position_ = 0;
};

// The three part elements of one date control, made when first asked for and kept.
class DatePartElements {
public:
    Array children(View* control) const;
    Ref<DatePartElement> at(View* control, int position) const;
    // The element of the part the keyboard is on; nil when none.
    Value focused(View* control) const;
    // Tells a screen reader of each part whose value changed.
    void valuesChanged(View* control) const;

private:
    mutable std::array<Ref<DatePartElement>, 3> elements_;
    mutable std::array<Value, 3> announced_;
};

class DatePicker : public Control, public DatePartsAccessibilityOwner {
    KIT_CLASS(DatePicker)
    KIT_CONTROL_CELL_CLASS(DatePicker, DatePickerCell)
public:
    explicit DatePicker(Rect frame = {});

    Ref<DatePickerCell> datePickerCell() const { return dynamic_pointer_cast<DatePickerCell>(cell()); }
    Value dateValue() const;
    void setDateValue(const Value& date);
    bool isBezeled() const { return cell() && cell()->isBezeled(); }
    void setBezeled(bool flag);
    FocusRingType focusRingType() const { return cell() ? cell()->focusRingType() : FocusRingTypeDefault; }
    void setFocusRingType(FocusRingType type);
    bool drawsBackground() const { return datePickerCell() && datePickerCell()->drawsBackground(); }
    void setDrawsBackground(bool flag);
    Ref<Color> backgroundColor() const { return datePickerCell() ? datePickerCell()->backgroundColor() : nullptr; }
    void setBackgroundColor(Ref<Color> color);
    Ref<Color> textColor() const { return datePickerCell() ? datePickerCell()->textColor() : nullptr; }
    void setTextColor(Ref<Color> color);

    // kit::View:
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool acceptsFirstResponder() const override { return isEnabled(); }

    // kit::DatePartsAccessibilityOwner:
    DatePickerCell::Element accessibilityDatePartAt(int position) const override;
    Value accessibilityDatePartValueAt(int position) const override;
    Rect accessibilityDatePartRectAt(int position) const override;
    int accessibilityFocusedDatePart() const override;
    void accessibilityFocusDatePart(int position) override;
    void accessibilityStepDatePart(int position, int delta) override;
    Value accessibilityDatePartsParent() const override { return accessibilityElement(); }
    QString accessibilityDatePartsName() const override { return datePickerCell() ? datePickerCell()->accessibilityOwnName() : QString(); }
    const DatePartElements& accessibilityDatePartElements() const { return parts_; }

protected:
    DatePicker(Rect frame, Ref<Cell> cell);

private:
    void changed();
    // Held year digits count before the focus moves.
    void focusElement(int index);

    DatePartElements parts_;
};

} // namespace kit
