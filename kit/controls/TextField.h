#pragma once

// A text field: a control showing one line of text that the window's field editor edits in
// place. Becoming first responder starts a session with the whole text selected; a press starts
// one at the pointer or goes to the running editor. Return sends the action (or, unhandled, reaches
// the default button); Tab and Backtab move to the next key view. Its "value" binding is the
// object value.

#include "kit/controls/Control.h"
#include "kit/controls/TextFieldCell.h"

namespace kit {

class TextField : public Control {
    KIT_CLASS(TextField)
    KIT_CONTROL_CELL_CLASS(TextField, TextFieldCell)
public:
    // Editable, selectable, bezeled and drawing its background.
    explicit TextField(Rect frame = {});

    bool isEditable() const { return cell() && cell()->isEditable(); }
    void setEditable(bool flag);
    bool isSelectable() const { return cell() && cell()->isSelectable(); }
    void setSelectable(bool flag);
    bool isBezeled() const { return cell() && cell()->isBezeled(); }
    void setBezeled(bool flag);
    bool isBordered() const { return cell() && cell()->isBordered(); }
    void setBordered(bool flag);
    bool drawsBackground() const;
    void setDrawsBackground(bool flag);
    Ref<Color> backgroundColor() const;
    void setBackgroundColor(Ref<Color> color);
    Ref<Color> textColor() const;
    void setTextColor(Ref<Color> color);
    QString placeholderString() const;
    void setPlaceholderString(const QString& placeholder);

    // Starts editing with the whole text selected (selects it all when a session runs).
    void selectText(Object* sender = nullptr);

    // kit::View:
    bool isFlipped() const override { return true; }
    bool becomeFirstResponder() override;
    void mouseDown(const Event& event) override;

protected:
    TextField(Rect frame, Ref<Cell> cell);

private:
    TextFieldCell* textCell() const { return dynamic_cast<TextFieldCell*>(cell().get()); }
    // Starts a session of the cell with the window's editor: with the event, or everything selected.
    void startEditing(const Event* event);
};

} // namespace kit
