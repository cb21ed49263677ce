#pragma once

// One-line strings without shaping. For each font a small set of characters (digits, signs,
// decimal separators, space and basic Latin letters) is checked once: the shaped advance of every
// pair is compared with the sum of the single advances. A string of these characters whose
// neighbours are all such pairs (nothing kerned, nothing ligated) is measured from the advances
// and drawn as one glyph run, with the same pixels as the shaped path.

#include "kit/core/Geometry.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"

#include <QColor>
#include <QRectF>

#include <QFont>
#include <QString>

#include <vector>

class QPainter;

namespace kit {

class AttributedString;
class Font;
class Shadow;

namespace fastline {

// Whether every character of `text` may be placed from its advance in `font`.
bool IsPlain(const QString& text, const QFont& font);
// The summed advances and the last glyph's overhang, as a laid-out line measures (valid when IsPlain).
double Width(const QString& text, const QFont& font);
// The whole pixels the glyphs of `text` may touch from `baseline` (valid when IsPlain).
QRectF InkBox(const QString& text, const QFont& font, QPointF baseline);
// Draws `text` with its baseline starting at `baseline` in the painter's space (valid when IsPlain).
void DrawGlyphRun(QPainter& painter, const QString& text, const QFont& font, QPointF baseline);
// The glyphs DrawGlyphRun draws for `text`, appended with their positions in the painter's space;
// DrawGlyphs draws such glyphs of one font. Lines drawn one after another and lines appended and
// drawn together give the same pixels.
void AppendGlyphs(const QString& text, const QFont& font, QPointF baseline, std::vector<quint32>* glyphs, std::vector<QPointF>* positions);
void DrawGlyphs(QPainter& painter, const QFont& font, const std::vector<quint32>& glyphs, const std::vector<QPointF>& positions);

// Draws one shaped line of `text` as QPainter::drawText does at `baseline`, from a small
// least-recently-used cache of shaped lines keyed by text and font.
void DrawShapedLine(QPainter& painter, const QString& text, const QFont& font, QPointF baseline);
// How many shaped lines the cache holds now, and its bound.
int ShapedLinesCached();
constexpr int shapedLineCacheSize = 256;

// One line that qualifies: a font, a colour, a plain left paragraph style's line break mode and
// a shadow, nothing else; plain characters only.
struct PlainLine {
    Ref<Font> font;
    QColor color = Qt::black;
    LineBreakMode mode = LineBreakByWordWrapping;
    Ref<Shadow> shadow;
};
// Whether `title` with its absent attributes taken from `defaults` (as a cell completes them) is
// one plain line; answers it in `line`.
bool PlainTitleOf(const AttributedString& title, const StringAttributes& defaults, PlainLine* line);
// The size AttributedString::size() gives such a line.
Size SizeOfLine(const QString& text, const PlainLine& line);
// Draws such a line inside `rect` as drawInRect does (clipped, from its visual top) when it fits
// the width or cuts at the tail; false (nothing drawn) otherwise. Needs a current graphics context.
// Unclipped, it draws as drawAtPoint does at the rectangle's origin.
bool DrawLineInRect(const QString& text, const PlainLine& line, Rect rect, bool clip = true);
// As StringDrawing::drawAtPointWithAttributes draws such a line.
void DrawLineAtPoint(const QString& text, const PlainLine& line, Point point);

// The same for a title that qualifies on its own attributes.
bool SizeOfTitle(const AttributedString& title, Size* size);
bool DrawTitleInRect(const AttributedString& title, Rect rect);

} // namespace fastline

} // namespace kit
