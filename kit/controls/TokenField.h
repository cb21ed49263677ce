#pragma once

// A token field: a text field whose value is an array of tokens, shown as chips. It edits through
// the window's field editor in a token session (one chip per token); typing a tokenizing
// character, or ending the edit, makes a token of the text before it. Its "value" binding is the
// array of tokens.

#include "kit/controls/TextField.h"
#include "kit/controls/TokenFieldCell.h"

namespace kit {

class TokenField : public TextField {
    KIT_CLASS(TokenField)
    KIT_CONTROL_CELL_CLASS(TokenField, TokenFieldCell)
public:
    explicit TokenField(Rect frame = {});

    QString tokenizingCharacterSet() const;
    void setTokenizingCharacterSet(const QString& characters);

protected:
    TokenField(Rect frame, Ref<Cell> cell);

private:
    TokenFieldCell* tokenCell() const { return dynamic_cast<TokenFieldCell*>(cell().get()); }
};

} // namespace kit
