#pragma once

// A combo box: a text field with a list of items. A press on the arrow, or Down while its text
// is edited, opens the items through the menu presenter, the current item over the field;
// choosing one selects it and sends the action. Typing keeps the text field's editing; a text that differs from the selected item's
// leaves no item selected.

#include "kit/controls/ComboBoxCell.h"
#include "kit/controls/TextField.h"

namespace kit {

class ComboBox : public TextField {
    KIT_CLASS(ComboBox)
    KIT_CONTROL_CELL_CLASS(ComboBox, ComboBoxCell)
public:
    explicit ComboBox(Rect frame = {});

    std::int64_t numberOfItems() const;
    Value itemObjectValueAtIndex(std::int64_t index) const;
    void addItemWithObjectValue(const Value& object);
    void addItemsWithObjectValues(const Array& objects);
    void insertItemWithObjectValueAtIndex(const Value& object, std::int64_t index);
    void removeItemAtIndex(std::int64_t index);
    void removeAllItems();

    // Takes a running edit's text first, so a typed text that differs answers -1.
    std::int64_t indexOfSelectedItem() const;
    Value objectValueOfSelectedItem() const;
    // Ends a running edit (its text is replaced), then selects; RangeException outside the items.
    void selectItemAtIndex(std::int64_t index);

    // The items in a menu session at the field; YES when one was chosen (selected, action sent).
    bool popUpList();

    ComboBoxCell* comboCellForTest() const { return comboCell(); }

    // kit::View:
    void mouseDown(const Event& event) override;
    // Down (moveDown) in the field editor opens the list.
    bool textDoCommandBySelector(Responder* text, Selector action) override;

protected:
    ComboBox(Rect frame, Ref<Cell> cell);

private:
    ComboBoxCell* comboCell() const { return dynamic_cast<ComboBoxCell*>(cell().get()); }
};

} // namespace kit
