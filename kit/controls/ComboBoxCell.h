#pragma once

// The cell of a combo box: a text field cell with a list of items (any values) in an editable
// combo-box bezel. Selecting an item makes its text the cell's value; once the value's text
// differs from the selected item's, nothing is selected. The items are archived with the cell.

#include "kit/controls/TextFieldCell.h"

#include <QString>

namespace kit {

inline const QString ComboBoxSelectionDidChangeNotification = QStringLiteral("NSComboBoxSelectionDidChangeNotification");
// The accessibility role of an editable combo box (the bridge reads it as a combo box).
inline const QString AccessibilityComboBoxRole = QStringLiteral("AXComboBox");

class ComboBoxCell : public TextFieldCell {
    KIT_CLASS(ComboBoxCell)
public:
    ComboBoxCell();
    void copyTo(Object& copy) const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    // --- Items. Indexes outside the items raise RangeException. ---
    std::int64_t numberOfItems() const { return items_.count(); }
    const Array& objectValues() const { return items_; }
    Value itemObjectValueAtIndex(std::int64_t index) const;
    void addItemWithObjectValue(const Value& object);
    void addItemsWithObjectValues(const Array& objects);
    // index ≤ numberOfItems.
    void insertItemWithObjectValueAtIndex(const Value& object, std::int64_t index);
    void removeItemAtIndex(std::int64_t index);
    void removeAllItems();
    // The item's text as the cell shows it (through the formatter, if any).
    QString itemTextAtIndex(std::int64_t index) const;
    // The first item whose text is `text`, else -1.
    std::int64_t indexOfItemWithText(const QString& text) const;

    // --- Selection. ---
    // -1 when none, or when the value's text no longer is the selected item's.
    std::int64_t indexOfSelectedItem() const { return selected_; }
    Value objectValueOfSelectedItem() const;
    // The item's value becomes the cell's; posts "NSComboBoxSelectionDidChangeNotification"
    // (object: the owning control, else the cell).
    void selectItemAtIndex(std::int64_t index);
    void deselectItemAtIndex(std::int64_t index);

    // The arrow part of the bezel, in the control view's coordinates.
    Rect arrowRectForBounds(Rect bounds) const;

    // Cell:
    void setObjectValue(const Value& value) override;
    Size cellSizeForBounds(Rect bounds) const override;
    // The combo box's edit field: the text sits where the editor will put it.
    Rect drawingRectForBounds(Rect bounds) const override;
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;
    // An editable one is a combo box to a screen reader, not a text field.
    Value accessibilityAttributeValue(const QString& attribute) const override;

private:
    Array items_;
    std::int64_t selected_ = -1;
};

} // namespace kit
