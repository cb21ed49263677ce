#include "kit/graphics/TokenChip.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace kit {

QStringList TokenizeString(const QString& text, const QString& separators)
{
    QStringList pieces;
    QString piece;
    const auto flush = [&] {
        if (const QString trimmed = piece.trimmed(); !trimmed.isEmpty())
            pieces.append(trimmed);
        piece.clear();
    };
    for (const QChar c : text) {
        if (separators.contains(c))
            flush();
        else
            piece.append(c);
    }
    flush();
    return pieces;
}

Size TokenChipSize(const QString& text, const QFont& font)
{
    const QFontMetricsF metrics(font);
    return { std::ceil(metrics.horizontalAdvance(text)) + 2 * TokenChipPadding, std::ceil(metrics.height()) };
}

void DrawTokenChip(QPainter& painter, const QRectF& box, const QString& text, const QFont& font, bool selected)
{
    const QPalette palette = QApplication::palette();
    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    QColor fill = highlight;
    if (!selected) {
        // A pale tint of the highlight on the base colour.
        const QColor base = palette.color(QPalette::Base);
        fill = QColor::fromRgbF(base.redF() * 0.8f + highlight.redF() * 0.2f, base.greenF() * 0.8f + highlight.greenF() * 0.2f,
            base.blueF() * 0.8f + highlight.blueF() * 0.2f);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF chip = box.adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = std::min(chip.height(), chip.width()) / 2;
    QPainterPath path;
    path.addRoundedRect(chip, radius, radius);
    painter.fillPath(path, fill);
    painter.setPen(QPen(highlight.darker(selected ? 130 : 110), 1));
    painter.drawPath(path);
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
    const QRectF textBox = box.adjusted(TokenChipPadding, 0, -TokenChipPadding, 0);
    const QFontMetricsF metrics(font);
    const QString shown = metrics.horizontalAdvance(text) > textBox.width() ? metrics.elidedText(text, Qt::ElideRight, textBox.width()) : text;
    painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.restore();
}

double TokenChipLineHeight(const QFont& font) { return TokenChipSize(QString(), font).height + TokenChipSpacing; }

bool TokenChipsWrap(const QFont& font, double height) { return height >= TokenChipLineHeight(font) + TokenChipSize(QString(), font).height; }

std::vector<TokenChipPlace> LayoutTokenChips(const QStringList& texts, const QFont& font, const QRectF& area)
{
    std::vector<TokenChipPlace> places;
    places.reserve(std::size_t(texts.size()));
    const bool wrap = TokenChipsWrap(font, area.height());
    const double widest = std::max(0.0, area.width() - TokenChipSpacing);
    const double lineHeight = TokenChipLineHeight(font);
    double x = area.left();
    double y = wrap ? area.top() : area.center().y() - TokenChipSize(QString(), font).height / 2;
    for (const QString& text : texts) {
        Size chip = TokenChipSize(text, font);
        const bool truncated = chip.width > widest;
        if (truncated)
            chip.width = widest;
        if (wrap && x > area.left() && x + chip.width + TokenChipSpacing > area.right()) {
            x = area.left();
            y += lineHeight;
        }
        if (wrap && y + chip.height > area.bottom())
            break;
        places.push_back({ QRectF(x, y, chip.width, chip.height), truncated });
        x += chip.width + TokenChipSpacing;
    }
    return places;
}

} // namespace kit
