#include "kit/graphics/AttributedString.h"

#include "kit/graphics/GraphicsContext.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <limits>

namespace kit {

namespace {

// The end of a caller's range clamped to [from, length], found without forming location + length,
// which overflows for a location like NotFound. `from` is the location clamped to [0, length].
std::int64_t attributedStringRangeEnd(Range range, std::int64_t from, std::int64_t length)
{
    if (range.length <= 0)
        return from;
    if (range.location < 0)
        return std::clamp<std::int64_t>(range.location + range.length, from, length);
    return range.location >= length ? length : range.location + std::min(range.length, length - range.location);
}

Ref<Font> fontOf(const StringAttributes& a) { return a.font ? a.font : Font::systemFontOfSize(12); }

double spacingOf(const StringAttributes& a) { return a.paragraphStyle ? a.paragraphStyle->lineSpacing() : 0; }

bool sameAttributes(const StringAttributes& a, const StringAttributes& b)
{
    return a.font == b.font && a.foregroundColor == b.foregroundColor && a.paragraphStyle == b.paragraphStyle && a.shadow == b.shadow;
}

// One laid-out line: characters [start, end) of the string, drawn from the left edge plus `x`.
struct Line {
    int start = 0;
    int end = 0;
    double ascent = 0;
    double height = 0;
    double width = 0;
    TextAlignment alignment = NaturalTextAlignment;
    bool ellipsis = false; // cut at its end, "…" follows in the last character's attributes
};

const QString ellipsisText(QChar(0x2026));

} // namespace

AttributedString::AttributedString(QString string, StringAttributes attributes)
    : string_(std::move(string))
{
    if (!string_.isEmpty())
        runs_.push_back({ 0, length(), std::move(attributes) });
}

StringAttributes AttributedString::attributesAtIndex(int index, Range* effectiveRange) const
{
    for (const Run& run : runs_) {
        if (index >= run.start && index < run.start + run.length) {
            if (effectiveRange)
                *effectiveRange = MakeRange(run.start, run.length);
            return run.attributes;
        }
    }
    if (effectiveRange)
        *effectiveRange = MakeRange(NotFound, 0);
    return {};
}

int AttributedString::runIndexStartingAt(int index)
{
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        Run& run = runs_[i];
        if (run.start == index)
            return int(i);
        if (index > run.start && index < run.start + run.length) {
            Run tail { index, run.start + run.length - index, run.attributes };
            run.length = index - run.start;
            runs_.insert(runs_.begin() + std::ptrdiff_t(i) + 1, std::move(tail));
            return int(i) + 1;
        }
    }
    return int(runs_.size());
}

void AttributedString::mergeRuns()
{
    std::vector<Run> merged;
    for (Run& run : runs_) {
        if (run.length == 0)
            continue;
        if (!merged.empty() && sameAttributes(merged.back().attributes, run.attributes))
            merged.back().length += run.length;
        else
            merged.push_back(std::move(run));
    }
    runs_ = std::move(merged);
}

void AttributedString::setAttributes(const StringAttributes& attributes, Range range)
{
    const int from = int(std::clamp<std::int64_t>(range.location, 0, length()));
    const int to = int(attributedStringRangeEnd(range, from, length()));
    if (from == to)
        return;
    const int first = runIndexStartingAt(from);
    const int last = runIndexStartingAt(to);
    for (int i = first; i < last; ++i)
        runs_[std::size_t(i)].attributes = attributes;
    mergeRuns();
}

void AttributedString::addAttributes(const StringAttributes& attributes, Range range)
{
    const int from = int(std::clamp<std::int64_t>(range.location, 0, length()));
    const int to = int(attributedStringRangeEnd(range, from, length()));
    if (from == to)
        return;
    const int first = runIndexStartingAt(from);
    const int last = runIndexStartingAt(to);
    for (int i = first; i < last; ++i) {
        StringAttributes& a = runs_[std::size_t(i)].attributes;
        if (attributes.font)
            a.font = attributes.font;
        if (attributes.foregroundColor)
            a.foregroundColor = attributes.foregroundColor;
        if (attributes.paragraphStyle)
            a.paragraphStyle = attributes.paragraphStyle;
        if (attributes.shadow)
            a.shadow = attributes.shadow;
    }
    mergeRuns();
}

void AttributedString::append(const AttributedString& other)
{
    const int offset = length();
    string_ += other.string_;
    for (const Run& run : other.runs_)
        runs_.push_back({ run.start + offset, run.length, run.attributes });
    mergeRuns();
}

AttributedString AttributedString::attributedSubstringFromRange(Range range) const
{
    const int from = int(std::clamp<std::int64_t>(range.location, 0, length()));
    const int to = int(attributedStringRangeEnd(range, from, length()));
    AttributedString out;
    out.string_ = string_.mid(from, to - from);
    for (const Run& run : runs_) {
        const int start = std::max(run.start, from), end = std::min(run.start + run.length, to);
        if (start < end)
            out.runs_.push_back({ start - from, end - start, run.attributes });
    }
    return out;
}

namespace {

// Width of characters [start, end), run by run in each run's font.
double advance(const AttributedString& s, int start, int end)
{
    double width = 0;
    for (const AttributedString::Run& run : s.runs()) {
        const int a = std::max(run.start, start), b = std::min(run.start + run.length, end);
        if (a < b)
            width += QFontMetricsF(fontOf(run.attributes)->qFont()).horizontalAdvance(s.string().mid(a, b - a));
    }
    return width;
}

// The line's metrics: the largest font among its characters (the one at `start` for an empty line).
void measure(const AttributedString& s, Line& line)
{
    const StringAttributes first = s.attributesAtIndex(std::min(line.start, std::max(0, s.length() - 1)));
    auto take = [&](const StringAttributes& a) {
        const Ref<Font> font = fontOf(a);
        line.ascent = std::max(line.ascent, font->ascender());
        line.height = std::max(line.height, font->defaultLineHeightForFont() + spacingOf(first));
    };
    take(first);
    for (const AttributedString::Run& run : s.runs())
        if (run.start < line.end && run.start + run.length > line.start)
            take(run.attributes);
    line.width = advance(s, line.start, line.end);
    line.alignment = first.paragraphStyle ? first.paragraphStyle->alignment() : NaturalTextAlignment;
}

double ellipsisWidth(const AttributedString& s, int index)
{
    return QFontMetricsF(fontOf(s.attributesAtIndex(std::max(0, index)))->qFont()).horizontalAdvance(ellipsisText);
}

// Characters [start, end) cut at the end, on a grapheme boundary, so that they and "…" fit `width`.
Line truncatedTail(const AttributedString& s, int start, int end, double width)
{
    if (advance(s, start, end) <= width)
        return { start, end };
    Line line { start, start };
    line.ellipsis = true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.string().mid(start, end - start));
    while (finder.toNextBoundary() > 0) {
        const int cut = start + int(finder.position());
        if (advance(s, start, cut) + ellipsisWidth(s, cut - 1) > width)
            break;
        line.end = cut;
    }
    return line;
}

// Lines of `s`: paragraphs split at "\n", wrapped to `width` when the paragraph style wraps.
std::vector<Line> layout(const AttributedString& s, double width)
{
    std::vector<Line> lines;
    const QString& text = s.string();
    int start = 0;
    while (true) {
        int end = int(text.indexOf('\n', start));
        if (end < 0)
            end = s.length();
        const StringAttributes first = s.attributesAtIndex(std::min(start, std::max(0, s.length() - 1)));
        const LineBreakMode mode = first.paragraphStyle ? first.paragraphStyle->lineBreakMode() : LineBreakByWordWrapping;
        const bool wraps = mode == LineBreakByWordWrapping || mode == LineBreakByCharWrapping;
        const bool finite = width != std::numeric_limits<double>::infinity();
        if (mode == LineBreakByTruncatingTail && finite) {
            lines.push_back(truncatedTail(s, start, end, width));
        } else if (!wraps || end == start || !finite) {
            lines.push_back({ start, end });
        } else {
            QTextLayout paragraph(text.mid(start, end - start), fontOf(first)->qFont());
            QList<QTextLayout::FormatRange> formats;
            for (const AttributedString::Run& run : s.runs()) {
                const int a = std::max(run.start, start), b = std::min(run.start + run.length, end);
                if (a < b) {
                    QTextCharFormat format;
                    format.setFont(fontOf(run.attributes)->qFont());
                    formats.append({ a - start, b - a, format });
                }
            }
            paragraph.setFormats(formats);
            QTextOption option;
            option.setWrapMode(mode == LineBreakByCharWrapping ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
            paragraph.setTextOption(option);
            paragraph.beginLayout();
            for (QTextLine line = paragraph.createLine(); line.isValid(); line = paragraph.createLine()) {
                line.setLineWidth(std::max(width, 1.0));
                lines.push_back({ start + line.textStart(), start + line.textStart() + line.textLength() });
            }
            paragraph.endLayout();
        }
        if (end >= s.length())
            break;
        start = end + 1;
    }
    for (Line& line : lines)
        measure(s, line);
    return lines;
}

void drawLines(const AttributedString& s, const std::vector<Line>& lines, Rect rect, bool clip)
{
    auto* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    if (clip)
        context->clipToRect(rect);
    const QTransform toUser = context->uprightTransform(rect);
    double top = rect.minY();
    for (const Line& line : lines) {
        // A wrapped line's trailing spaces do not count for alignment.
        int visibleEnd = line.end;
        while (visibleEnd > line.start && s.string().at(visibleEnd - 1).isSpace())
            --visibleEnd;
        const double visible = advance(s, line.start, visibleEnd) + (line.ellipsis ? ellipsisWidth(s, line.end - 1) : 0);
        double x = rect.minX();
        if (line.alignment == RightTextAlignment)
            x = rect.maxX() - visible;
        else if (line.alignment == CenterTextAlignment)
            x = rect.minX() + (rect.width() - visible) / 2;
        const double baseline = top + line.ascent;
        for (const AttributedString::Run& run : s.runs()) {
            const int a = std::max(run.start, line.start), b = std::min(run.start + run.length, visibleEnd);
            if (a >= b)
                continue;
            const QString piece = s.string().mid(a, b - a);
            const QFont& font = fontOf(run.attributes)->qFont();
            context->setShadow(run.attributes.shadow.get());
            const QColor color = run.attributes.foregroundColor ? run.attributes.foregroundColor->toQColor() : QColor(Qt::black);
            context->backend().drawText(piece, font, QBrush(color), QPointF(x, baseline), toUser, context->state());
            x += QFontMetricsF(font).horizontalAdvance(piece);
        }
        if (line.ellipsis) {
            const StringAttributes a = s.attributesAtIndex(std::max(line.start, line.end - 1));
            context->setShadow(a.shadow.get());
            const QColor color = a.foregroundColor ? a.foregroundColor->toQColor() : QColor(Qt::black);
            context->backend().drawText(ellipsisText, fontOf(a)->qFont(), QBrush(color), QPointF(x, baseline), toUser, context->state());
        }
        top += line.height;
    }
    context->restoreGraphicsState();
}

} // namespace

Size AttributedString::size() const
{
    Size size { 0, 0 };
    for (const Line& line : layout(*this, std::numeric_limits<double>::infinity())) {
        size.width = std::max(size.width, line.width);
        size.height += line.height;
    }
    return size;
}

void AttributedString::drawAtPoint(Point point) const
{
    const std::vector<Line> lines = layout(*this, std::numeric_limits<double>::infinity());
    const Size s = size();
    drawLines(*this, lines, MakeRect(point.x, point.y, s.width, s.height), false);
}

void AttributedString::drawInRect(Rect rect) const
{
    if (IsEmptyRect(rect))
        return;
    drawLines(*this, layout(*this, rect.width()), rect, true);
}

} // namespace kit
