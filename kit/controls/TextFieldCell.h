#pragma once

// The cell of a text field: one line of text in its text rectangle (clipped by default; a grid
// cell may truncate), an optional background fill, a text colour and a placeholder drawn while the
// value is empty and not being edited. While the field editor edits it, the cell draws only its
// background and border: the editor draws the text on the same pixels.

#include "kit/controls/ActionCell.h"

namespace kit {

class TextFieldCell : public ActionCell {
    KIT_CLASS(TextFieldCell)
public:
    TextFieldCell();
    // A text cell with `text` (the platform's initTextCell).
    explicit TextFieldCell(const QString& text);
    void copyTo(Object& copy) const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    // Null: the palette's text colour.
    Ref<Color> textColor() const { return textColor_; }
    void setTextColor(Ref<Color> color);
    // Null: the palette's base colour. Clear is allowed (a grid cell fills first).
    Ref<Color> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Ref<Color> color);
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag);
    QString placeholderString() const { return placeholder_; }
    void setPlaceholderString(const QString& placeholder);

    // Whether the field shows the keyboard focus: the field editor edits it as the first
    // responder of the key window. However the editing began (a click too), as text fields do.
    bool showsEditingFocus(const View* controlView) const;

    // Cell:
    bool acceptsFirstResponder() const override { return Cell::acceptsFirstResponder() && isSelectable(); }
    // A focus ring round a field without bezel while editing; a bezel takes its focused look.
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;
    bool showsFocusInBezel(const View* controlView) const override { return showsEditingFocus(controlView); }
    void drawInteriorWithFrameInView(Rect cellFrame, View* controlView) override;
    // Adds the placeholder, which a screen reader reads while the field is empty.
    Value accessibilityAttributeValue(const QString& attribute) const override;

protected:
    void fillFieldEditorAttributes(FieldEditorAttributes& attributes) const override;

private:
    Ref<Color> textColor_;
    Ref<Color> backgroundColor_;
    bool drawsBackground_ = false;
    QString placeholder_;
};

} // namespace kit
