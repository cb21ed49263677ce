#pragma once

// Drawing and measuring plain strings with attributes, in the current context. Text always comes
// out upright; layout starts at the rectangle's visual top whether or not y runs up. Truncation
// cuts at grapheme boundaries and ends in "…".

#include "kit/core/Geometry.h"
#include "kit/core/Value.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"

#include <QString>
#include <QStringList>

namespace kit {

inline const QString FontAttributeName = QStringLiteral("NSFont");
inline const QString ForegroundColorAttributeName = QStringLiteral("NSColor");
inline const QString ParagraphStyleAttributeName = QStringLiteral("NSParagraphStyle");
inline const QString ShadowAttributeName = QStringLiteral("NSShadow");
// A TextAttachment, on U+FFFC only.
inline const QString AttachmentAttributeName = QStringLiteral("NSAttachment");
// The URL as a string.
inline const QString LinkAttributeName = QStringLiteral("NSLink");
// An integer: 0 none, 1 single.
inline const QString UnderlineStyleAttributeName = QStringLiteral("NSUnderline");
inline const QString BackgroundColorAttributeName = QStringLiteral("NSBackgroundColor");

inline constexpr int UnderlineStyleNone = 0;
inline constexpr int UnderlineStyleSingle = 1;

enum StringDrawingOptions : unsigned {
    StringDrawingUsesLineFragmentOrigin = 1u << 0,
    StringDrawingUsesFontLeading = 1u << 1,
    StringDrawingTruncatesLastVisibleLine = 1u << 5,
};

// The attributes string drawing understands; null members take the defaults (system font 12,
// black, default paragraph style, no shadow).
struct StringAttributes {
    Ref<Font> font;
    Ref<Color> foregroundColor;
    Ref<ParagraphStyle> paragraphStyle;
    Ref<Shadow> shadow;

    // The attribute dictionary of the non-null members, and back (other names are ignored).
    Dictionary dictionary() const;
    static StringAttributes fromDictionary(const Dictionary& attributes);
};

namespace StringDrawing {

// One line per "\n"-separated paragraph, unwrapped and unrounded: width = the widest advance,
// height = lines × (ascent + descent + leading).
Size sizeWithAttributes(const QString& string, const StringAttributes& attributes);
// The point is the top-left of the text when user space runs down, its bottom-left otherwise.
void drawAtPointWithAttributes(const QString& string, Point point, const StringAttributes& attributes);
// Wrapped (or truncated) per the paragraph style, clipped to the rectangle, from its visual top.
void drawInRectWithAttributes(const QString& string, Rect rect, const StringAttributes& attributes);
// With UsesLineFragmentOrigin the rectangle is laid out like drawInRect, and lines that do not fit
// its height are dropped (the last visible one ends in "…" with TruncatesLastVisibleLine);
// without it, one line whose baseline starts at the rectangle's origin.
void drawWithRectOptionsAttributes(const QString& string, Rect rect, unsigned options, const StringAttributes& attributes);
// The lines drawInRect would draw (for tests and measuring).
QStringList layoutLines(const QString& string, double width, double height, unsigned options, const StringAttributes& attributes);
// `string` shortened at its end to fit `width`, ending in "…"; unchanged when it fits.
QString truncatedTail(const QString& string, double width, const Font& font);

} // namespace StringDrawing

} // namespace kit
