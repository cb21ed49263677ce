#pragma once

// The cell of a token field: its object value is the array of tokens. A string given as its value
// is cut into tokens at the tokenizing characters (";" by default); its string value is the tokens
// joined by the first of them. It draws each token as a chip (kit/graphics/TokenChip.h) and hands
// the field editor a token session, whose chips it takes back as the value.

#include "kit/controls/TextFieldCell.h"

#include <QStringList>

#include <vector>

namespace kit {

class FieldEditing;

class TokenFieldCell : public TextFieldCell {
    KIT_CLASS(TokenFieldCell)
public:
    TokenFieldCell();
    void copyTo(Object& copy) const override;
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;

    // Every character of the string ends a token; empty falls back to ";".
    QString tokenizingCharacterSet() const { return tokenizing_; }
    void setTokenizingCharacterSet(const QString& characters);
    // The tokens' texts, in order.
    QStringList tokens() const;
    // `text` cut at the tokenizing characters, each piece trimmed, empty pieces dropped.
    QStringList tokensOfString(const QString& text) const;

    // Cell: a string is tokenized; an array is the tokens; nil is no token.
    void setObjectValue(const Value& value) override;
    void setStringValue(const QString& value) override;
    void takeValueFromFieldEditor(Responder* editor) override;
    void drawInteriorWithFrameInView(Rect cellFrame, View* controlView) override;

    // Where each token's chip shows in `cellFrame` of `controlView`, in the view's coordinates:
    // one line, or lines from the top when the title area holds two or more; a chip wider than
    // the area is cut to it (`truncated`). Tokens that do not fit below are left out.
    struct TokenPlace {
        QString token;
        Rect frame;
        bool truncated = false;
    };
    std::vector<TokenPlace> tokenPlacesInFrame(Rect cellFrame, View* controlView) const;

    // kit::Accessibility: a reader hears each chip as its token's words, chips apart by ", " (while
    // editing, the typed text in its place); the caret and the selection keep their places in it.
    Value accessibilityAttributeValue(const QString& attribute) const override;

protected:
    QString plainStringForValue(const Value& value) const override;
    void fillFieldEditorAttributes(FieldEditorAttributes& attributes) const override;

private:
    QString tokenizing_ = QStringLiteral(";");
    // The field editor while it edits this cell; null otherwise.
    FieldEditing* editor() const;
    // For each offset of the editor's text (its length included), where it stands in the text a
    // reader hears: after the ", " before the next piece (starts), or before it (ends).
    struct SpokenOffsets {
        std::vector<std::int64_t> starts, ends;
    };
    // The text a reader hears; `offsets` (when given) gets the places of the editor's offsets.
    QString spokenText(SpokenOffsets* offsets) const;
};

} // namespace kit
