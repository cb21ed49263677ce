#pragma once

// A token field: a text field whose value is an array of tokens, shown as chips. It edits through
// the window's field editor in a token session (one chip per token); typing a tokenizing
// character, or ending the edit, makes a token of the text before it. Its "value" binding is the
// array of tokens. Its tool tip is the control's, except over a chip cut short for want of room,
// which shows that token's whole text.

#include "kit/controls/TextField.h"
#include "kit/controls/TokenFieldCell.h"

namespace kit {

class TokenField : public TextField, public ToolTipOwner {
    KIT_CLASS(TokenField)
    KIT_CONTROL_CELL_CLASS(TokenField, TokenFieldCell)
public:
    explicit TokenField(Rect frame = {});

    QString tokenizingCharacterSet() const;
    void setTokenizingCharacterSet(const QString& characters);

    // kit::View: the tool-tip rectangle follows the bounds.
    void setFrameSize(Size size) override;
    // kit::ToolTipOwner: the token's text over a truncated chip, else toolTip() (null when empty,
    // so an enclosing view may answer).
    QString viewStringForToolTipPointUserData(View* view, std::int64_t tag, Point point, void* userData) override;

protected:
    TokenField(Rect frame, Ref<Cell> cell);

private:
    TokenFieldCell* tokenCell() const { return dynamic_cast<TokenFieldCell*>(cell().get()); }
    void placeToolTipRect();
    std::int64_t toolTipTag_ = 0;
};

} // namespace kit
