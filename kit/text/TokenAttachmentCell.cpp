#include "kit/text/TokenAttachmentCell.h"

#include "kit/appkit/View.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/TokenChip.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(TokenAttachmentCell, TextAttachmentCell) { }

TokenAttachmentCell::TokenAttachmentCell(QString token, QFont font, double maxWidth)
    : token_(std::move(token))
    , font_(std::move(font))
    , maxWidth_(maxWidth)
{ }

Size TokenAttachmentCell::cellSize() const
{
    Size chip = TokenChipSize(token_, font_);
    if (maxWidth_ > 0)
        chip.width = std::min(chip.width, maxWidth_);
    return { chip.width + TokenChipSpacing, chip.height };
}

Point TokenAttachmentCell::cellBaselineOffset() const { return { 0, -QFontMetricsF(font_).descent() }; }

void TokenAttachmentCell::drawWithFrameInView(Rect frame, View* view)
{
    bool selected = false;
    if (auto* text = dynamic_cast<TextView*>(view)) {
        // The selection holds this token when it holds the character carrying it.
        const Range range = text->selectedRange();
        const Ref<TextStorage> storage = text->textStorage();
        for (std::int64_t i = range.location; storage && range.length > 0 && i < MaxRange(range) && i < storage->length(); ++i) {
            const Ref<TextAttachment> attachment = storage->attributeAtIndexEffectiveRange(AttachmentAttributeName, i).objectAs<TextAttachment>();
            if (attachment && attachment->attachmentCell().get() == this) {
                selected = true;
                break;
            }
        }
    }
    GraphicsContext::yieldCurrentPainter();
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    const QRectF box(frame.minX(), frame.minY(), frame.width() - TokenChipSpacing, frame.height());
    DrawTokenChip(*painter, box, token_, font_, selected);
}

AttributedString TokenAttachmentCell::attributedStringWithToken(const QString& token, const QFont& font, double maxWidth)
{
    return TextAttachment::attributedStringWithAttachment(make<TextAttachment>(make<TokenAttachmentCell>(token, font, maxWidth)));
}

} // namespace kit
