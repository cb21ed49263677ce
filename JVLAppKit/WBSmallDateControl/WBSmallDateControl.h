#pragma once

// A compact date entry control: day, month and year as three small numeric parts in the order and
// with the separator of the user's locale, edited in place with the window's field editor (click or
// tab into a part, type digits, or step them with a companion stepper aligned at its right). The
// day is kept valid for the month and year. Drawn as a white field with a flat or bevelled border
// and a small caret under the selected part. Interface files make it by name and connect the
// stepper (outlet "stepper", action "handleStepperClick").

#include "kit/controls/Control.h"
#include "kit/controls/DatePicker.h"
#include "kit/controls/Stepper.h"
#include "kit/controls/TextFieldCell.h"
#include "kit/foundation/Date.h"
#include "kit/foundation/NibLoader.h"
#include "kit/text/TextViewDelegate.h"

#include <algorithm>
#include <array>
#include <cstdint>

class WBSmallDateControl : public kit::Control,
                           public kit::TextViewDelegate,
                           public kit::NibAwaking,
                           public kit::DatePartsAccessibilityOwner {
    KIT_CLASS(WBSmallDateControl)
public:
    enum Appearance : std::int64_t { AutomaticAppearance = 0, BorderedAppearance = 1, FlatAppearance = 2 };
    enum PartTag : std::int64_t { DayTag = 0, MonthTag = 1, YearTag = 2 };
    static constexpr int PartCount = 3;
    static constexpr int SeparatorCount = 2;
    // Height of the caret band at the bottom, and the y of the parts above it.
    static constexpr double MarkerBandHeight = 9;

    explicit WBSmallDateControl(kit::Rect frame = {});
    ~WBSmallDateControl() override;

    // 0 outside 1…12; February has 29 days in years divisible by 4 and not by 100, or by 400.
    static std::int64_t daysInMonth(std::int64_t month, std::int64_t year);

    // Local midnight of the control's day (a day past the month's end runs on into the next month).
    kit::CalendarDate date() const;
    // Year, then month, then day, so each step's clamping leaves the date's own day.
    void setDate(kit::Date date);

    std::int64_t day() const { return day_; }
    // Stores only: no clamping, no redisplay.
    void setDay(std::int64_t day) { day_ = day; }
    std::int64_t month() const { return month_; }
    // Stores, and lowers the day to the month's last day when it is above it.
    void setMonth(std::int64_t month);
    std::int64_t year() const { return year_; }
    void setYear(std::int64_t year);
    // Display position (0 left … 2 right) of the selected part.
    std::int64_t selected() const { return selected_; }
    void setSelected(std::int64_t position);
    bool alignStepper() const { return alignStepper_; }
    void setAlignStepper(bool flag);
    std::int64_t appearance() const { return appearance_; }
    void setAppearance(std::int64_t appearance);
    // Automatic is flat.
    bool isFlatAppearance() const { return appearance_ != BorderedAppearance; }

    kit::Ref<kit::Stepper> stepper() const { return stepper_; }
    void setStepper(kit::Ref<kit::Stepper> stepper);
    // The delegate hears "NSControlTextDidEndEditingNotification" when it implements
    // controlTextDidEndEditing; held weakly.
    kit::Ref<kit::Object> delegate() const { return delegate_.lock(); }
    void setDelegate(kit::Object* delegate) override;

    // The tag (DayTag, MonthTag, YearTag) shown at each display position, and the reverse.
    std::int64_t tagAtPosition(int position) const;
    int positionOfTag(std::int64_t tag) const;
    QString separator() const { return separator_; }
    kit::Ref<kit::TextFieldCell> partCell(int position) const { return cells_[position]; }
    kit::Ref<kit::TextFieldCell> separatorCell(int index) const { return separatorCells_[index]; }
    kit::Rect partRect(int position) const { return rects_[position]; }
    kit::Rect separatorRect(int index) const { return separatorRects_[index]; }
    // Minimum and maximum of the part with `tag` (the day's from this control's month and year).
    std::int64_t minimumForTag(std::int64_t tag) const;
    std::int64_t maximumForTag(std::int64_t tag) const;
    // Whether a part is being edited with the field editor.
    bool isUsingFieldEditor() const { return usingFieldEditor_; }

    // The cells' strings from the date; while a part is edited, the editor shows its string selected.
    void updateCells();
    // The stepper's range and value from the selected part.
    void updateStepperValue();
    void sizeToFit() override;
    void editCell(int position);
    // The selected cell's editing ends: nothing accepted, no message.
    void editOff();
    // The editor's digits into the selected part when they are within its range.
    bool acceptNewValueInSelectedCell(kit::Responder* editor);
    void handleStepperClick(kit::Object* sender);
    static QString dayString(std::int64_t day);
    static QString monthString(std::int64_t month);
    static QString yearString(std::int64_t year);

    // kit::NibAwaking:
    void awakeFromNib() override;
    // kit::Coding: the appearance and the stepper alignment (the date is not archived).
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

    // kit::Control / kit::View:
    bool isOpaque() const override { return false; }
    void drawRect(kit::Rect dirtyRect) override;
    void mouseDown(const kit::Event& event) override;
    bool acceptsFirstResponder() const override { return isEnabled(); }
    bool needsPanelToBecomeKey() const override { return true; }
    bool becomeFirstResponder() override;
    void setEnabled(bool flag) override;

    // The field editor's session delegate: the control's own, never kit::Control's default end.
    bool textShouldBeginEditing(kit::Responder*) override { return true; }
    void textDidBeginEditing(kit::Notification*) override { }
    void textDidChange(kit::Notification*) override { }
    bool textShouldEndEditing(kit::Responder*) override { return true; }
    void textDidEndEditing(kit::Notification* notification) override;
    bool textViewShouldChangeTextInRangeReplacementString(kit::TextView* view, kit::Range range, const QString& replacement) override;
    // Up and Down step the part being edited.
    bool textViewDoCommandBySelector(kit::TextView* view, kit::Selector action) override;

    // kit::Accessibility: a focusable group named and valued by the date as shown, described by
    // its tool tip (what it is for), its children the parts as spin buttons named after that tool
    // tip; the part being edited stands for the keyboard focus.
    bool accessibilityIsIgnored() const override { return false; }
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    bool accessibilityIsAttributeSettable(const QString& attribute) const override;
    void accessibilitySetValueForAttribute(const kit::Value& value, const QString& attribute) override;
    kit::Value accessibilityFocusedUIElement() const override;

    // kit::DatePartsAccessibilityOwner:
    kit::DatePickerCell::Element accessibilityDatePartAt(int position) const override;
    kit::Value accessibilityDatePartValueAt(int position) const override;
    kit::Rect accessibilityDatePartRectAt(int position) const override { return rects_[std::size_t(std::clamp(position, 0, PartCount - 1))]; }
    int accessibilityFocusedDatePart() const override;
    void accessibilityFocusDatePart(int position) override;
    void accessibilityStepDatePart(int position, int delta) override;
    kit::Value accessibilityDatePartsParent() const override { return kit::Value(kit::Ref<kit::Object>(const_cast<WBSmallDateControl*>(this))); }
    QString accessibilityDatePartsName() const override;

private:
    void finishInit();
    void determineDateFormatInfo();
    void interiorDesign();
    void alignStepperNow();
    kit::Ref<kit::TextFieldCell> makePartLikeCell(const QString& text) const;
    std::int64_t valueForTag(std::int64_t tag) const;
    void setValueForTag(std::int64_t tag, std::int64_t value);
    // One step up or down, round from either end of the part's range.
    void stepPart(int position, int delta);
    kit::Ref<kit::Responder> fieldEditor() const;
    void observeDelegate(kit::Object* delegate, bool observe);

    bool alignStepper_ = true;
    bool notReallyTheEnd_ = false;
    bool usingFieldEditor_ = false;
    std::int64_t appearance_ = AutomaticAppearance;
    std::int64_t day_ = 1;
    std::int64_t month_ = 1;
    std::int64_t year_ = 2000;
    std::array<kit::Ref<kit::TextFieldCell>, PartCount> cells_;
    std::array<kit::Rect, PartCount> rects_ {};
    std::array<kit::Ref<kit::TextFieldCell>, SeparatorCount> separatorCells_;
    std::array<kit::Rect, SeparatorCount> separatorRects_ {};
    std::int64_t selected_ = 0;
    kit::Weak<kit::Object> delegate_;
    kit::Ref<kit::Stepper> stepper_;
    double stepperMidValue_ = 0;
    int dayLocation_ = 1;
    int monthLocation_ = 0;
    int yearLocation_ = 2;
    QString separator_;
    kit::DatePartElements parts_;
};
