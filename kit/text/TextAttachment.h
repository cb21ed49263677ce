#pragma once

// An attachment: one U+FFFC character carrying AttachmentAttributeName, drawn by its cell. The
// cell reserves its width on the line and grows the line to its frame; hosting a view is the
// owner's business (it moves the view where the layout manager shows the cell).

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Image.h"

#include <cstdint>

namespace kit {

class TextAttachment;
class TextContainer;
class View;

inline constexpr char16_t AttachmentCharacter = 0xFFFC;

class TextAttachmentCell : public Object {
    KIT_CLASS(TextAttachmentCell)
    TextAttachmentCell() = default;
    explicit TextAttachmentCell(Ref<Image> image);

    // Default: the image's size, else 0 × 0.
    virtual Size cellSize() const;
    // The frame's lower-left corner from the baseline, y up. Default (0, 0).
    virtual Point cellBaselineOffset() const;
    // The frame relative to the glyph position (on the baseline), y up. `lineFragment` is the line
    // as proposed before the attachment's own height, without paragraph spacing. Default:
    // (0, cellBaselineOffset().y, cellSize()).
    virtual Rect cellFrameForTextContainerProposedLineFragmentGlyphPositionCharacterIndex(
        TextContainer* container, Rect lineFragment, Point glyphPosition, std::int64_t characterIndex);
    virtual bool wantsToTrackMouse() const { return false; }
    // `frame` in the view's coordinates. Default: the image, if any.
    virtual void drawWithFrameInView(Rect frame, View* view);

    Ref<Image> image() const { return image_; }
    void setImage(Ref<Image> image) { image_ = std::move(image); }
    Ref<TextAttachment> attachment() const;
    void setAttachment(TextAttachment* attachment);

private:
    Ref<Image> image_;
    Weak<TextAttachment> attachment_;
};

class TextAttachment : public Object {
    KIT_CLASS(TextAttachment)
    TextAttachment();
    explicit TextAttachment(Ref<TextAttachmentCell> cell);

    Ref<TextAttachmentCell> attachmentCell() const { return cell_; }
    void setAttachmentCell(Ref<TextAttachmentCell> cell);

    // U+FFFC carrying the attachment.
    static AttributedString attributedStringWithAttachment(const Ref<TextAttachment>& attachment);

private:
    Ref<TextAttachmentCell> cell_;
};

} // namespace kit
