#include "kit/text/TextAttachment.h"

#include "kit/graphics/Image.h"

namespace kit {

KIT_REGISTER_CLASS(TextAttachmentCell, Object) { }
KIT_REGISTER_CLASS(TextAttachment, Object) { }

TextAttachmentCell::TextAttachmentCell(Ref<Image> image)
    : image_(std::move(image))
{ }

Size TextAttachmentCell::cellSize() const { return image_ ? image_->size() : Size { 0, 0 }; }

Point TextAttachmentCell::cellBaselineOffset() const { return { 0, 0 }; }

Rect TextAttachmentCell::cellFrameForTextContainerProposedLineFragmentGlyphPositionCharacterIndex(TextContainer*, Rect, Point, std::int64_t)
{
    const Size size = cellSize();
    return MakeRect(0, cellBaselineOffset().y, size.width, size.height);
}

void TextAttachmentCell::drawWithFrameInView(Rect frame, View*)
{
    if (image_)
        image_->drawInRect(frame);
}

Ref<TextAttachment> TextAttachmentCell::attachment() const { return attachment_.lock(); }

void TextAttachmentCell::setAttachment(TextAttachment* attachment) { attachment_ = attachment; }

TextAttachment::TextAttachment()
    : TextAttachment(make<TextAttachmentCell>())
{ }

TextAttachment::TextAttachment(Ref<TextAttachmentCell> cell) { setAttachmentCell(std::move(cell)); }

void TextAttachment::setAttachmentCell(Ref<TextAttachmentCell> cell)
{
    if (cell_)
        cell_->setAttachment(nullptr);
    cell_ = std::move(cell);
    if (cell_)
        cell_->setAttachment(this);
}

AttributedString TextAttachment::attributedStringWithAttachment(const Ref<TextAttachment>& attachment)
{
    Dictionary attributes;
    attributes.setObjectForKey(attachment, AttachmentAttributeName);
    return AttributedString(QString(QChar(AttachmentCharacter)), attributes);
}

} // namespace kit
