#pragma once

// The attachment cell of one token while the field editor edits a token field: the token's text
// in a chip (kit/graphics/TokenChip.h), as the token field's cell draws it, highlighted while the
// editor's selection holds its character.

#include "kit/text/TextAttachment.h"

#include <QFont>
#include <QString>

namespace kit {

class TokenAttachmentCell : public TextAttachmentCell {
    KIT_CLASS(TokenAttachmentCell)
    TokenAttachmentCell() = default;
    // A chip wider than `maxWidth` (when above 0) is cut to it.
    TokenAttachmentCell(QString token, QFont font, double maxWidth = 0);

    QString token() const { return token_; }
    QFont font() const { return font_; }

    // The chip and the spacing after it.
    Size cellSize() const override;
    // The chip's bottom at the font's descent.
    Point cellBaselineOffset() const override;
    void drawWithFrameInView(Rect frame, View* view) override;

    // One U+FFFC carrying a token attachment.
    static AttributedString attributedStringWithToken(const QString& token, const QFont& font, double maxWidth = 0);

private:
    QString token_;
    QFont font_;
    double maxWidth_ = 0;
};

} // namespace kit
