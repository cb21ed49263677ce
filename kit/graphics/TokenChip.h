#pragma once

// The look of one token: its text in a rounded chip. The token field's cell draws its tokens
// with it and the field editor's token attachments draw the same chips while a token field edits,
// so nothing moves when editing starts.

#include "kit/core/Geometry.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace kit {

// `text` cut at every one of `separators`, each piece trimmed, empty pieces dropped: the tokens a
// token field makes of typed or given text.
QStringList TokenizeString(const QString& text, const QString& separators);

// The horizontal room between a chip's edge and its text, and between two chips.
inline constexpr double TokenChipPadding = 5;
inline constexpr double TokenChipSpacing = 2;

// As tall as a line of `font`, as wide as the text and its padding.
Size TokenChipSize(const QString& text, const QFont& font);
// `box` in the painter's space with y running down. Selected chips fill with the palette's
// Highlight and draw their text in HighlightedText.
void DrawTokenChip(QPainter& painter, const QRectF& box, const QString& text, const QFont& font, bool selected);

} // namespace kit
