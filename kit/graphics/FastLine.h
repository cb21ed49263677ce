#pragma once

// One-line strings without shaping. For each font a small set of characters (digits, signs,
// decimal separators, space and basic Latin letters) is checked once: the shaped advance of every
// pair is compared with the sum of the single advances. A string of these characters whose
// neighbours are all such pairs (nothing kerned, nothing ligated) is measured from the advances
// and drawn as one glyph run, with the same pixels as the shaped path.

#include "kit/core/Geometry.h"

#include <QFont>
#include <QString>

class QPainter;

namespace kit {

class AttributedString;

namespace fastline {

// Whether every character of `text` may be placed from its advance in `font`.
bool IsPlain(const QString& text, const QFont& font);
// The summed advances (valid when IsPlain).
double Width(const QString& text, const QFont& font);
// Draws `text` with its baseline starting at `baseline` in the painter's space (valid when IsPlain).
void DrawGlyphRun(QPainter& painter, const QString& text, const QFont& font, QPointF baseline);

// A cell title that qualifies: one run of font, colour and a plain left paragraph style, plain
// characters only. Answers its size as AttributedString::size() would, or false for the shaped path.
bool SizeOfTitle(const AttributedString& title, Size* size);
// Draws a title that qualifies inside `rect` as drawInRect does (clipped, from its visual top) when
// it fits the width; false (nothing drawn) otherwise. Needs a current graphics context.
bool DrawTitleInRect(const AttributedString& title, Rect rect);

} // namespace fastline

} // namespace kit
