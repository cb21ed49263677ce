#include "kit/graphics/StringDrawing.h"

#include "kit/graphics/GraphicsContext.h"

#include "kit/graphics/AttributedString.h"
#include "kit/graphics/TextLayoutEngine.h"

#include <limits>

namespace kit {

Dictionary StringAttributes::dictionary() const
{
    Dictionary d;
    if (font)
        d.setObjectForKey(font, FontAttributeName);
    if (foregroundColor)
        d.setObjectForKey(foregroundColor, ForegroundColorAttributeName);
    if (paragraphStyle)
        d.setObjectForKey(paragraphStyle, ParagraphStyleAttributeName);
    if (shadow)
        d.setObjectForKey(shadow, ShadowAttributeName);
    return d;
}

StringAttributes StringAttributes::fromDictionary(const Dictionary& attributes)
{
    StringAttributes a;
    a.font = attributes.objectForKey(FontAttributeName).objectAs<Font>();
    a.foregroundColor = attributes.objectForKey(ForegroundColorAttributeName).objectAs<Color>();
    a.paragraphStyle = attributes.objectForKey(ParagraphStyleAttributeName).objectAs<ParagraphStyle>();
    a.shadow = attributes.objectForKey(ShadowAttributeName).objectAs<Shadow>();
    return a;
}

} // namespace kit

namespace kit::StringDrawing {

using textlayout::StringLayout;

QString truncatedTail(const QString& string, double width, const Font& font)
{
    StringAttributes attributes;
    attributes.font = Ref<Font>(const_cast<Font*>(&font));
    return textlayout::TruncateParagraph(AttributedString(string, attributes), width, LineBreakByTruncatingTail).string();
}

Size sizeWithAttributes(const QString& string, const StringAttributes& attributes)
{
    return StringLayout(AttributedString(string, attributes), std::numeric_limits<double>::infinity()).size();
}

QStringList layoutLines(const QString& string, double width, double height, unsigned options, const StringAttributes& attributes)
{
    const AttributedString text(string, attributes);
    if (options & StringDrawingUsesLineFragmentOrigin)
        return StringLayout(text, width, height, options & StringDrawingTruncatesLastVisibleLine).lineTexts();
    return StringLayout(text, width).lineTexts();
}

void drawAtPointWithAttributes(const QString& string, Point point, const StringAttributes& attributes)
{
    const StringLayout layout(AttributedString(string, attributes), std::numeric_limits<double>::infinity());
    const Size size = layout.size();
    // The same rectangle serves both: its visual top is minY when y runs down, maxY otherwise.
    layout.draw(MakeRect(point.x, point.y, size.width, size.height), false);
}

void drawInRectWithAttributes(const QString& string, Rect rect, const StringAttributes& attributes)
{
    if (IsEmptyRect(rect))
        return;
    StringLayout(AttributedString(string, attributes), rect.width()).draw(rect, true);
}

void drawWithRectOptionsAttributes(const QString& string, Rect rect, unsigned options, const StringAttributes& attributes)
{
    if (!(options & StringDrawingUsesLineFragmentOrigin)) {
        // The origin is the baseline's left end: the line box starts one ascent above it visually.
        auto* context = GraphicsContext::currentContext();
        if (!context)
            return;
        const StringLayout line(AttributedString(string.split('\n').front(), attributes), std::numeric_limits<double>::infinity());
        const Size size = line.size();
        const double ascent = (attributes.font ? attributes.font : Font::systemFontOfSize(12))->ascender();
        const double top = context->userSpaceRunsDown() ? rect.minY() - ascent : rect.minY() + ascent - size.height;
        line.draw(MakeRect(rect.minX(), top, size.width, size.height), false);
        return;
    }
    if (IsEmptyRect(rect))
        return;
    StringLayout(AttributedString(string, attributes), rect.width(), rect.height(), options & StringDrawingTruncatesLastVisibleLine).draw(rect, true);
}

} // namespace kit::StringDrawing
