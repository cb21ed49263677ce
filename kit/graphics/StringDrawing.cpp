#include "kit/graphics/StringDrawing.h"

#include "kit/graphics/GraphicsContext.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <cmath>

namespace kit::StringDrawing {

namespace {

const QChar ellipsis(0x2026);

struct Resolved {
    Ref<Font> font;
    QColor color;
    TextAlignment alignment = NaturalTextAlignment;
    LineBreakMode lineBreak = LineBreakByWordWrapping;
    const Shadow* shadow = nullptr;
    double lineHeight = 0;
    double ascent = 0;
};

Resolved resolve(const StringAttributes& a)
{
    Resolved r;
    r.font = a.font ? a.font : Font::systemFontOfSize(12);
    r.color = a.foregroundColor ? a.foregroundColor->toQColor() : QColor(Qt::black);
    if (a.paragraphStyle) {
        r.alignment = a.paragraphStyle->alignment();
        r.lineBreak = a.paragraphStyle->lineBreakMode();
    }
    r.shadow = a.shadow.get();
    r.ascent = r.font->ascender();
    r.lineHeight = r.font->defaultLineHeightForFont() + (a.paragraphStyle ? a.paragraphStyle->lineSpacing() : 0);
    return r;
}

// Grapheme boundaries of `s`, ascending, starting with 0 and ending with s.size().
std::vector<int> graphemeBoundaries(const QString& s)
{
    std::vector<int> out { 0 };
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    while (finder.toNextBoundary() > 0)
        out.push_back(int(finder.position()));
    if (out.back() != s.size())
        out.push_back(int(s.size()));
    return out;
}

// The most of `s` (on grapheme boundaries) that fits `width` together with the ellipsis.
QString withEllipsis(const QString& s, double width, const QFontMetricsF& m, LineBreakMode mode)
{
    const std::vector<int> cuts = graphemeBoundaries(s);
    // The longest prefix (or suffix, or both ends) on grapheme boundaries that fits with the ellipsis.
    QString best = ellipsis;
    for (std::size_t keep = 1; keep < cuts.size(); ++keep) {
        QString candidate;
        if (mode == LineBreakByTruncatingHead) {
            candidate = ellipsis + s.mid(cuts[cuts.size() - 1 - keep]);
        } else if (mode == LineBreakByTruncatingMiddle) {
            const std::size_t head = (keep + 1) / 2, tail = keep / 2;
            candidate = s.left(cuts[head]) + ellipsis + s.mid(cuts[cuts.size() - 1 - tail]);
        } else {
            candidate = s.left(cuts[keep]) + ellipsis;
        }
        if (m.horizontalAdvance(candidate) > width)
            break;
        best = candidate;
    }
    return best;
}

QString truncate(const QString& s, double width, const QFontMetricsF& m, LineBreakMode mode)
{
    return m.horizontalAdvance(s) <= width ? s : withEllipsis(s, width, m, mode);
}

QStringList wrap(const QString& paragraph, double width, const QFont& font, LineBreakMode mode)
{
    if (paragraph.isEmpty())
        return { QString() };
    QTextLayout layout(paragraph, font);
    QTextOption option;
    option.setWrapMode(mode == LineBreakByCharWrapping ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1.0));
        lines << paragraph.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

// Draws `lines` in `rect` from its visual top, upright, optionally clipped to it.
void drawLines(const QStringList& lines, Rect rect, const Resolved& r, bool clip)
{
    auto* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    if (clip)
        context->clipToRect(rect);
    if (r.shadow)
        context->setShadow(r.shadow);
    const QTransform toUser = context->uprightTransform(rect);
    const QFont& font = r.font->qFont();
    const QFontMetricsF metrics(font);
    const QBrush brush(r.color);
    double baseline = rect.minY() + r.ascent;
    for (const QString& raw : lines) {
        const QString line = raw.endsWith('\n') ? raw.chopped(1) : raw;
        const double advance = metrics.horizontalAdvance(line);
        double x = rect.minX();
        if (r.alignment == RightTextAlignment)
            x = rect.maxX() - advance;
        else if (r.alignment == CenterTextAlignment)
            x = rect.minX() + (rect.width() - advance) / 2;
        if (!line.isEmpty())
            context->backend().drawText(line, font, brush, QPointF(x, baseline), toUser, context->state());
        baseline += r.lineHeight;
    }
    context->restoreGraphicsState();
}

} // namespace

QString truncatedTail(const QString& string, double width, const Font& font)
{
    return truncate(string, width, QFontMetricsF(font.qFont()), LineBreakByTruncatingTail);
}

Size sizeWithAttributes(const QString& string, const StringAttributes& attributes)
{
    const Resolved r = resolve(attributes);
    const QFontMetricsF m(r.font->qFont());
    const QStringList lines = string.split('\n');
    double width = 0;
    for (const QString& line : lines)
        width = std::max(width, m.horizontalAdvance(line));
    return { width, r.lineHeight * double(lines.size()) };
}

QStringList layoutLines(const QString& string, double width, double height, unsigned options, const StringAttributes& attributes)
{
    const Resolved r = resolve(attributes);
    const QFontMetricsF m(r.font->qFont());
    QStringList lines;
    const bool truncating = r.lineBreak == LineBreakByTruncatingTail || r.lineBreak == LineBreakByTruncatingHead
        || r.lineBreak == LineBreakByTruncatingMiddle;
    if (truncating || r.lineBreak == LineBreakByClipping) {
        // One line per paragraph, cut to the width.
        for (const QString& paragraph : string.split('\n'))
            lines << (truncating ? truncate(paragraph, width, m, r.lineBreak) : paragraph);
    } else {
        for (const QString& paragraph : string.split('\n'))
            lines << wrap(paragraph, width, r.font->qFont(), r.lineBreak);
    }
    if (options & StringDrawingUsesLineFragmentOrigin) {
        // Whole lines only.
        const int fit = std::max(0, int(std::floor((height + 1e-6) / r.lineHeight)));
        if (lines.size() > fit) {
            lines = lines.mid(0, fit);
            if ((options & StringDrawingTruncatesLastVisibleLine) && !lines.isEmpty())
                lines.back() = withEllipsis(lines.back().trimmed(), width, m, LineBreakByTruncatingTail);
        }
    }
    return lines;
}

void drawAtPointWithAttributes(const QString& string, Point point, const StringAttributes& attributes)
{
    const Resolved r = resolve(attributes);
    const Size size = sizeWithAttributes(string, attributes);
    // The same rectangle serves both: its visual top is minY when y runs down, maxY otherwise.
    drawLines(string.split('\n'), MakeRect(point.x, point.y, size.width, size.height), r, false);
}

void drawInRectWithAttributes(const QString& string, Rect rect, const StringAttributes& attributes)
{
    if (IsEmptyRect(rect))
        return;
    drawLines(layoutLines(string, rect.width(), rect.height(), 0, attributes), rect, resolve(attributes), true);
}

void drawWithRectOptionsAttributes(const QString& string, Rect rect, unsigned options, const StringAttributes& attributes)
{
    const Resolved r = resolve(attributes);
    if (!(options & StringDrawingUsesLineFragmentOrigin)) {
        // The origin is the baseline's left end: the line box starts one ascent above it visually.
        auto* context = GraphicsContext::currentContext();
        if (!context)
            return;
        const double top = context->userSpaceRunsDown() ? rect.minY() - r.ascent : rect.minY() + r.ascent - r.lineHeight;
        const Size size = sizeWithAttributes(string, attributes);
        drawLines({ string.split('\n').front() }, MakeRect(rect.minX(), top, size.width, r.lineHeight), r, false);
        return;
    }
    if (IsEmptyRect(rect))
        return;
    drawLines(layoutLines(string, rect.width(), rect.height(), options, attributes), rect, r, true);
}

} // namespace kit::StringDrawing
