#pragma once

// Paragraph attributes as string drawing uses them: alignment, line breaking and truncation,
// line spacing. The text system reads the same object.

#include "kit/core/Class.h"
#include "kit/core/Object.h"

namespace kit {

enum TextAlignment : int {
    LeftTextAlignment = 0,
    RightTextAlignment = 1,
    CenterTextAlignment = 2,
    JustifiedTextAlignment = 3,
    NaturalTextAlignment = 4,
};

enum LineBreakMode : int {
    LineBreakByWordWrapping = 0,
    LineBreakByCharWrapping = 1,
    LineBreakByClipping = 2,
    LineBreakByTruncatingHead = 3,
    LineBreakByTruncatingTail = 4,
    LineBreakByTruncatingMiddle = 5,
};

class ParagraphStyle : public Object {
    KIT_CLASS(ParagraphStyle)
    static Ref<ParagraphStyle> defaultParagraphStyle() { return make<ParagraphStyle>(); }
    Ref<Object> copy() const override { return mutableCopy(); }
    Ref<ParagraphStyle> mutableCopy() const
    {
        auto p = make<ParagraphStyle>();
        *p = *this;
        return p;
    }
    ParagraphStyle() = default;
    ParagraphStyle(const ParagraphStyle& o)
        : Object()
        , alignment_(o.alignment_)
        , lineBreakMode_(o.lineBreakMode_)
        , lineSpacing_(o.lineSpacing_)
    { }
    ParagraphStyle& operator=(const ParagraphStyle& o)
    {
        alignment_ = o.alignment_;
        lineBreakMode_ = o.lineBreakMode_;
        lineSpacing_ = o.lineSpacing_;
        return *this;
    }

    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment a) { alignment_ = a; }
    LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode m) { lineBreakMode_ = m; }
    double lineSpacing() const { return lineSpacing_; }
    void setLineSpacing(double s) { lineSpacing_ = s; }

private:
    TextAlignment alignment_ = NaturalTextAlignment;
    LineBreakMode lineBreakMode_ = LineBreakByWordWrapping;
    double lineSpacing_ = 0;
};

} // namespace kit
