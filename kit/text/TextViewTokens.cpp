// TextView: the field editor's token sessions. Each token is one U+FFFC whose attachment cell
// draws the token's chip; the text typed between the chips stays text until a tokenizing
// character (or the session's end, through editorTokens) makes tokens of it.

#include "kit/graphics/TokenChip.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"
#include "kit/text/TokenAttachmentCell.h"

#include <algorithm>

namespace kit {

namespace textviewtokens {

Ref<TokenAttachmentCell> TokenCellAt(const TextStorage& storage, std::int64_t index)
{
    if (storage.string().at(index) != QChar(AttachmentCharacter))
        return nullptr;
    const Ref<TextAttachment> attachment = storage.attributeAtIndexEffectiveRange(AttachmentAttributeName, index).objectAs<TextAttachment>();
    return attachment ? dynamic_pointer_cast<TokenAttachmentCell>(attachment->attachmentCell()) : nullptr;
}

} // namespace textviewtokens

double TextView::tokenWidthLimit() const
{
    const double padding = container_ ? container_->lineFragmentPadding() : 0;
    const double line = frame().width() - 2 * inset_.width - 2 * padding;
    return line > 0 ? std::max(1.0, line - TokenChipSpacing) : 0;
}

void TextView::setTokens(const QStringList& tokens)
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage)
        return;
    const Ref<TextView> keep(this);
    AttributedString text(QString(), defaultAttributes());
    for (const QString& token : tokens) {
        AttributedString chip = TokenAttachmentCell::attributedStringWithToken(token, font_, tokenWidthLimit());
        chip.addAttributesRange(defaultAttributes(), { 0, 1 });
        text.appendAttributedString(chip);
    }
    ++userEditDepth_;
    storage->replaceCharactersInRangeWithAttributedString({ 0, length() }, text);
    --userEditDepth_;
    setSelectedRange({ length(), 0 });
}

std::int64_t TextView::tokenizeTypedText(std::int64_t caret)
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage || tokenizingCharacters_.isEmpty())
        return caret;
    // Walk back from each tokenizing character to the chip (or start) before it.
    const QString text = storage->string();
    std::int64_t moved = caret;
    for (std::int64_t end = std::int64_t(text.size()) - 1; end >= 0; --end) {
        if (!tokenizingCharacters_.contains(text.at(end)))
            continue;
        std::int64_t start = end;
        while (start > 0 && !textviewtokens::TokenCellAt(*storage, start - 1) && !tokenizingCharacters_.contains(text.at(start - 1)))
            --start;
        const QString typed = text.mid(start, end - start).trimmed();
        AttributedString replacement(QString(), defaultAttributes());
        if (!typed.isEmpty()) {
            replacement = TokenAttachmentCell::attributedStringWithToken(typed, font_, tokenWidthLimit());
            replacement.addAttributesRange(defaultAttributes(), { 0, 1 });
        }
        storage->replaceCharactersInRangeWithAttributedString({ start, end + 1 - start }, replacement);
        const std::int64_t delta = replacement.length() - (end + 1 - start);
        if (moved > end)
            moved += delta;
        else if (moved > start)
            moved = start + replacement.length();
        end = start;
    }
    return std::clamp<std::int64_t>(moved, 0, length());
}

QStringList TextView::editorTokens() const
{
    const Ref<TextStorage> storage = textStorage();
    if (!tokenizing_ || !storage)
        return {};
    QStringList tokens;
    const QString text = storage->string();
    QString typed;
    for (std::int64_t i = 0; i < std::int64_t(text.size()); ++i) {
        if (const Ref<TokenAttachmentCell> cell = textviewtokens::TokenCellAt(*storage, i)) {
            tokens += TokenizeString(typed, tokenizingCharacters_);
            typed.clear();
            tokens.append(cell->token());
        } else {
            typed.append(text.at(i));
        }
    }
    tokens += TokenizeString(typed, tokenizingCharacters_);
    return tokens;
}

} // namespace kit
