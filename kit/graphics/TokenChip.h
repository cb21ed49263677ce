#pragma once

// The look of one token: its text in a rounded chip. The token field's cell draws its tokens
// with it and the field editor's token attachments draw the same chips while a token field edits,
// so nothing moves when editing starts.

#include "kit/core/Geometry.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

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
// Highlight and draw their text in HighlightedText. A box narrower than the chip cuts its text
// at the tail with an ellipsis.
void DrawTokenChip(QPainter& painter, const QRectF& box, const QString& text, const QFont& font, bool selected);

// Where the chips of `texts` go in `area` (y running down). Each takes its width and
// TokenChipSpacing after it, as the field editor lays out a token's attachment. An area at least
// two lines tall (TokenChipLineHeight each) wraps: a chip that does not fit the rest of its line
// starts the next one, and lines run down from the area's top while they fit. One line is centred
// vertically and runs on past the area's right edge (the caller clips). A chip wider than a line
// is cut to it. Chips below the last line are left out.
struct TokenChipPlace {
    QRectF box;
    bool truncated = false;
};
std::vector<TokenChipPlace> LayoutTokenChips(const QStringList& texts, const QFont& font, const QRectF& area);
// The distance from one wrapped line of chips to the next.
double TokenChipLineHeight(const QFont& font);
// Whether an area `height` tall holds more than one line of chips of `font`.
bool TokenChipsWrap(const QFont& font, double height);

} // namespace kit
