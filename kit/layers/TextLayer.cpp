#include "kit/layers/TextLayer.h"

#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"

#include <cmath>

namespace kit {

KIT_REGISTER_CLASS(TextLayer, Layer)
{
    c.property("string", &TextLayer::string, &TextLayer::setString);
    c.property("font", &TextLayer::font, &TextLayer::setFont);
    c.property("fontSize", &TextLayer::fontSize, &TextLayer::setFontSize);
    c.property("foregroundColor", &TextLayer::foregroundColor, &TextLayer::setForegroundColor);
    c.property("alignmentMode", &TextLayer::alignmentMode, &TextLayer::setAlignmentMode);
    c.property("wrapped", &TextLayer::isWrapped, &TextLayer::setWrapped);
    c.property("truncationMode", &TextLayer::truncationMode, &TextLayer::setTruncationMode);
    c.copyable();
}

void TextLayer::setString(const QString& string)
{
    string_ = string;
    setNeedsLayoutOfSuperlayer();
    changed();
}

void TextLayer::setFont(const Value& font)
{
    font_ = font;
    setNeedsLayoutOfSuperlayer();
    changed();
}

void TextLayer::setFontSize(double size)
{
    fontSize_ = size;
    setNeedsLayoutOfSuperlayer();
    changed();
}

void TextLayer::setForegroundColor(std::optional<CGColor> color)
{
    foregroundColor_ = color;
    changed();
}

void TextLayer::setAlignmentMode(const QString& mode)
{
    alignmentMode_ = mode;
    changed();
}

void TextLayer::setWrapped(bool flag)
{
    wrapped_ = flag;
    changed();
}

void TextLayer::setTruncationMode(const QString& mode)
{
    truncationMode_ = mode;
    changed();
}

Ref<Font> TextLayer::resolvedFont() const
{
    if (const Ref<Font> f = font_.objectAs<Font>())
        return Font::fontWithNameSize(f->fontName(), fontSize_);
    if (font_.isString())
        if (const Ref<Font> named = Font::fontWithNameSize(font_.string(), fontSize_))
            return named;
    return Font::systemFontOfSize(fontSize_);
}

Size TextLayer::preferredFrameSize() const
{
    StringAttributes attributes;
    attributes.font = resolvedFont();
    const Size s = StringDrawing::sizeWithAttributes(string_, attributes);
    return MakeSize(std::ceil(s.width), std::ceil(s.height));
}

void TextLayer::drawOwnContent(GraphicsContext& context, const LayerValues& values, double opacity, const std::array<double, 3>& tint)
{
    if (string_.isEmpty() || !foregroundColor_ || IsEmptyRect(values.bounds))
        return;
    const CGColor& c = *foregroundColor_;
    auto style = make<ParagraphStyle>();
    style->setAlignment(alignmentMode_ == AlignmentCenter ? CenterTextAlignment
            : alignmentMode_ == AlignmentRight                ? RightTextAlignment
            : alignmentMode_ == AlignmentJustified            ? JustifiedTextAlignment
            : alignmentMode_ == AlignmentLeft                 ? LeftTextAlignment
                                                              : NaturalTextAlignment);
    style->setLineBreakMode(truncationMode_ == TruncationEnd ? LineBreakByTruncatingTail
            : truncationMode_ == TruncationStart             ? LineBreakByTruncatingHead
            : truncationMode_ == TruncationMiddle            ? LineBreakByTruncatingMiddle
            : wrapped_                                       ? LineBreakByWordWrapping
                                                             : LineBreakByClipping);
    StringAttributes attributes;
    attributes.font = resolvedFont();
    attributes.foregroundColor = Color::colorWithDeviceRedGreenBlueAlpha(c.r * tint[0], c.g * tint[1], c.b * tint[2], c.a * opacity);
    attributes.paragraphStyle = style;
    // String drawing draws into the current context: make the layer's the current one.
    GraphicsContext::Scope current { Ref<GraphicsContext>(&context) };
    StringDrawing::drawInRectWithAttributes(string_, values.bounds, attributes);
}

void TextLayer::copyTo(Object& copy) const
{
    Layer::copyTo(copy);
    auto& other = static_cast<TextLayer&>(copy);
    other.string_ = string_;
    other.font_ = font_;
    other.fontSize_ = fontSize_;
    other.foregroundColor_ = foregroundColor_;
    other.alignmentMode_ = alignmentMode_;
    other.wrapped_ = wrapped_;
    other.truncationMode_ = truncationMode_;
}

} // namespace kit
