#include "kit/graphics/FastLine.h"

#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsBackend.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/Shadow.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/graphics/TextLayoutEngine.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <list>
#include <unordered_map>
#include <limits>
#include <memory>
#include <vector>

namespace kit::fastline {

namespace {

// What one font allows: the kept characters with their glyphs and advances, and one line's
// baseline and height as the shaped layout gives them.
// The ellipsis of tail truncation takes the one spare place of the ASCII tables.
constexpr char16_t fastLineEllipsis = 0x2026;

int fastLineIndex(QChar c)
{
    const char16_t u = c.unicode();
    return u < 127 ? int(u) : u == fastLineEllipsis ? 127 : -1;
}

struct FastLineFont {
    // Index of each kept character in `pairs`, -1 when not kept.
    std::array<int, 128> slot {};
    std::array<quint32, 128> glyph {};
    std::array<double, 128> advance {};
    // How far the glyph's ink reaches past its advance: a line's width counts it for its last glyph.
    std::array<double, 128> overhang {};
    // Each kept glyph's ink relative to its pen position on the baseline (y down).
    std::array<QRectF, 128> ink {};
    // Whether the shaped pair (a, b) is exactly a's advance plus b's: no kerning, no ligature.
    std::vector<bool> pairs;
    int kept = 0;
    QRawFont raw;
    double baseline = 0;
    double height = 0;
    double startX = 0;
    bool placed = false;
};

const FastLineFont& fastLineFontFor(const QFont& font)
{
    // Main thread only, like all drawing; a few fonts at a time, the latest first. Hinting counts:
    // kit fonts are unhinted, plain QFonts are not.
    static std::vector<std::pair<QFont, std::shared_ptr<FastLineFont>>> fonts;
    // A copy of the same font is the common case and costs a pointer comparison.
    if (!fonts.empty() && fonts[0].first.isCopyOf(font))
        return *fonts[0].second;
    // Copies first (a cell font and a label font take turns), equal fonts after.
    for (const bool copies : { true, false })
        for (std::size_t i = 0; i < fonts.size(); ++i)
            if (copies ? fonts[i].first.isCopyOf(font)
                       : fonts[i].first == font && fonts[i].first.hintingPreference() == font.hintingPreference()) {
                if (i != 0)
                    std::swap(fonts[i], fonts[0]);
                return *fonts[0].second;
            }
    if (fonts.size() >= 16)
        fonts.pop_back();
    auto made = std::make_shared<FastLineFont>();
    made->slot.fill(-1);
    const QFontMetricsF metrics(font);
    made->raw = QRawFont::fromFont(font);
    static const QString candidates
        = QStringLiteral("0123456789+-.,:/%() abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ") + QChar(fastLineEllipsis);
    QString kept;
    for (const QChar c : candidates) {
        const QList<quint32> glyphs = made->raw.isValid() ? made->raw.glyphIndexesForString(QString(c)) : QList<quint32>();
        if (glyphs.size() != 1 || (glyphs[0] == 0 && c != u' '))
            continue;
        const int u = fastLineIndex(c);
        made->slot[u] = int(kept.size());
        made->glyph[u] = glyphs[0];
        made->advance[u] = metrics.horizontalAdvance(QString(c));
        made->overhang[u] = std::max(0.0, -metrics.rightBearing(c));
        made->ink[u] = made->raw.boundingRect(glyphs[0]);
        kept.append(c);
    }
    made->kept = int(kept.size());
    made->pairs.assign(std::size_t(made->kept * made->kept), false);
    for (const QChar a : kept)
        for (const QChar b : kept) {
            const double pair = metrics.horizontalAdvance(QString(a) + b);
            const int ia = fastLineIndex(a), ib = fastLineIndex(b);
            made->pairs[std::size_t(made->slot[ia] * made->kept + made->slot[ib])] = std::abs(pair - (made->advance[ia] + made->advance[ib])) <= 1e-6;
        }
    fonts.insert(fonts.begin(), { font, made });
    return *made;
}

// The font's entry with one line's placement, taken from the shaped layout of a kept character.
const FastLineFont& fastLinePlacedFont(const Ref<Font>& font)
{
    auto& f = const_cast<FastLineFont&>(fastLineFontFor(font->qFont()));
    if (!f.placed) {
        StringAttributes attributes;
        attributes.font = font;
        const textlayout::StringLayout sample(AttributedString(QStringLiteral("0"), attributes), std::numeric_limits<double>::infinity());
        f.baseline = sample.firstBaseline();
        f.height = sample.size().height;
        f.startX = sample.firstLineX();
        f.placed = true;
    }
    return f;
}

// Fills `line` from one attribute dictionary's known entries; false when it holds another one.
bool fastLineTake(const Dictionary& attributes, PlainLine* line, bool* hasFont, bool* hasColor, bool* hasStyle, bool* hasShadow)
{
    int known = 0;
    if (const Value v = attributes.objectForKey(Value(FontAttributeName)); !v.isNil()) {
        line->font = v.objectAs<Font>();
        if (!line->font)
            return false;
        *hasFont = true;
        ++known;
    }
    if (const Value v = attributes.objectForKey(Value(ForegroundColorAttributeName)); !v.isNil()) {
        const Ref<Color> c = v.objectAs<Color>();
        if (!c)
            return false;
        line->color = c->toQColor();
        *hasColor = true;
        ++known;
    }
    if (const Value v = attributes.objectForKey(Value(ParagraphStyleAttributeName)); !v.isNil()) {
        const Ref<ParagraphStyle> style = v.objectAs<ParagraphStyle>();
        if (!style)
            return false;
        ParagraphStyle plain;
        plain.setLineBreakMode(style->lineBreakMode());
        plain.setAlignment(style->alignment());
        if (!style->isEqual(plain) || (style->alignment() != LeftTextAlignment && style->alignment() != NaturalTextAlignment))
            return false;
        line->mode = style->lineBreakMode();
        *hasStyle = true;
        ++known;
    }
    if (const Value v = attributes.objectForKey(Value(ShadowAttributeName)); !v.isNil()) {
        line->shadow = v.objectAs<Shadow>();
        if (!line->shadow)
            return false;
        *hasShadow = true;
        ++known;
    }
    return attributes.count() == known;
}

// The run's ink from `baseline`, as the glyphs are placed (valid when IsPlain).
QRectF fastLineInk(const FastLineFont& f, const QString& text, QPointF baseline)
{
    QRectF ink;
    double x = 0;
    for (const QChar c : text) {
        const int u = fastLineIndex(c) & 0x7F;
        const QRectF glyph = f.ink[u].translated(baseline.x() + x, baseline.y());
        ink = ink.isNull() ? glyph : ink.united(glyph);
        x += f.advance[u];
    }
    return ink;
}

} // namespace

bool IsPlain(const QString& text, const QFont& font)
{
    const FastLineFont& f = fastLineFontFor(font);
    int previous = -1;
    for (const QChar c : text) {
        const int u = fastLineIndex(c);
        const int slot = u >= 0 ? f.slot[u] : -1;
        if (slot < 0 || (previous >= 0 && !f.pairs[std::size_t(previous * f.kept + slot)]))
            return false;
        previous = slot;
    }
    return !text.isEmpty();
}

double Width(const QString& text, const QFont& font)
{
    const FastLineFont& f = fastLineFontFor(font);
    double width = 0;
    for (const QChar c : text)
        width += f.advance[fastLineIndex(c) & 0x7F];
    return text.isEmpty() ? width : width + f.overhang[fastLineIndex(text.back()) & 0x7F];
}

QRectF InkBox(const QString& text, const QFont& font, QPointF baseline) { return fastLineInk(fastLineFontFor(font), text, baseline); }

void AppendGlyphs(const QString& text, const QFont& font, QPointF baseline, std::vector<quint32>* glyphs, std::vector<QPointF>* positions)
{
    const FastLineFont& f = fastLineFontFor(font);
    double x = 0;
    for (const QChar c : text) {
        const int u = fastLineIndex(c) & 0x7F;
        glyphs->push_back(f.glyph[u]);
        // As QPainter::drawGlyphRun places a run's glyph: the run's position plus the glyph's.
        positions->push_back(baseline + QPointF(x, 0));
        x += f.advance[u];
    }
}

void DrawGlyphs(QPainter& painter, const QFont& font, const std::vector<quint32>& glyphs, const std::vector<QPointF>& positions)
{
    if (glyphs.empty())
        return;
    QGlyphRun run;
    run.setRawFont(fastLineFontFor(font).raw);
    run.setRawData(glyphs.data(), positions.data(), int(glyphs.size()));
    painter.drawGlyphRun(QPointF(0, 0), run);
}

void DrawGlyphRun(QPainter& painter, const QString& text, const QFont& font, QPointF baseline)
{
    thread_local std::vector<quint32> glyphs;
    thread_local std::vector<QPointF> positions;
    glyphs.clear();
    positions.clear();
    AppendGlyphs(text, font, baseline, &glyphs, &positions);
    DrawGlyphs(painter, font, glyphs, positions);
}

namespace {

struct ShapedLineKey {
    QString text;
    QFont font;
    bool operator==(const ShapedLineKey& other) const
    {
        return text == other.text && font == other.font && font.hintingPreference() == other.font.hintingPreference();
    }
};

struct ShapedLineKeyHash {
    std::size_t operator()(const ShapedLineKey& k) const { return qHash(k.text) ^ (qHash(k.font) * 31); }
};

// Most recent first; the map points into the list.
struct ShapedLineCache {
    std::list<std::pair<ShapedLineKey, QList<QGlyphRun>>> lines;
    std::unordered_map<ShapedLineKey, decltype(lines)::iterator, ShapedLineKeyHash> index;
};

ShapedLineCache& shapedLineCache()
{
    // Main thread only, like all drawing.
    static ShapedLineCache cache;
    return cache;
}

const QList<QGlyphRun>& shapedLineRuns(const QString& text, const QFont& font)
{
    ShapedLineCache& cache = shapedLineCache();
    ShapedLineKey key { text, font };
    if (auto found = cache.index.find(key); found != cache.index.end()) {
        cache.lines.splice(cache.lines.begin(), cache.lines, found->second);
        return found->second->second;
    }
    // As QPainter::drawText(point, text) lays a line out: no wrapping, the font as given.
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    QList<QGlyphRun> runs;
    if (line.isValid()) {
        runs = layout.glyphRuns();
        // Positions relative to the baseline's left end.
        const QPointF origin(line.x(), line.y() + line.ascent());
        for (QGlyphRun& run : runs) {
            QList<QPointF> positions = run.positions();
            for (QPointF& p : positions)
                p -= origin;
            run.setPositions(positions);
        }
    }
    if (cache.lines.size() >= std::size_t(shapedLineCacheSize)) {
        cache.index.erase(cache.lines.back().first);
        cache.lines.pop_back();
    }
    cache.lines.emplace_front(key, std::move(runs));
    cache.index.emplace(std::move(key), cache.lines.begin());
    return cache.lines.front().second;
}

} // namespace

void DrawShapedLine(QPainter& painter, const QString& text, const QFont& font, QPointF baseline)
{
    for (const QGlyphRun& run : shapedLineRuns(text, font))
        painter.drawGlyphRun(baseline, run);
}

int ShapedLinesCached() { return int(shapedLineCache().lines.size()); }

namespace {

// The attributes of the last title asked about: cells hand the same attribute dictionary (and
// defaults) for title after title, and only the text changes.
struct PlainTitleMemo {
    Dictionary run;
    Ref<Font> font;
    Ref<ParagraphStyle> style;
    Ref<Shadow> shadow;
    bool valid = false;
    bool qualifies = false;
    bool hasColor = false;
    PlainLine line;
};

PlainTitleMemo& plainTitleMemo()
{
    // Main thread only, like all drawing.
    static PlainTitleMemo memo;
    return memo;
}

} // namespace

bool PlainTitleOf(const AttributedString& title, const StringAttributes& defaults, PlainLine* line)
{
    if (title.length() == 0 || title.runs().size() != 1)
        return false;
    const Dictionary& run = title.runs().front().attributes;
    PlainTitleMemo& memo = plainTitleMemo();
    if (!memo.valid || !memo.run.identicalTo(run) || memo.font != defaults.font || memo.style != defaults.paragraphStyle
        || memo.shadow != defaults.shadow) {
        PlainLine made;
        bool hasFont = false, hasColor = false, hasStyle = false, hasShadow = false;
        bool qualifies = fastLineTake(run, &made, &hasFont, &hasColor, &hasStyle, &hasShadow);
        // What the title leaves out, the defaults give.
        if (qualifies && !hasFont)
            made.font = defaults.font;
        if (qualifies && !hasStyle && defaults.paragraphStyle) {
            Dictionary style;
            style.setObjectForKey(Value(defaults.paragraphStyle), Value(ParagraphStyleAttributeName));
            bool unused = false;
            qualifies = fastLineTake(style, &made, &unused, &unused, &unused, &unused);
        }
        if (qualifies && !hasShadow)
            made.shadow = defaults.shadow;
        memo = { run, defaults.font, defaults.paragraphStyle, defaults.shadow, true, qualifies && made.font, hasColor, made };
    }
    if (!memo.qualifies)
        return false;
    *line = memo.line;
    if (!memo.hasColor)
        line->color = defaults.foregroundColor ? defaults.foregroundColor->toQColor() : QColor(Qt::black);
    return IsPlain(title.string(), line->font->qFont());
}

Size SizeOfLine(const QString& text, const PlainLine& line)
{
    return { Width(text, line.font->qFont()), fastLinePlacedFont(line.font).height };
}

bool SizeOfTitle(const AttributedString& title, Size* size)
{
    PlainLine line;
    if (!PlainTitleOf(title, StringAttributes(), &line))
        return false;
    *size = SizeOfLine(title.string(), line);
    return true;
}

bool DrawLineInRect(const QString& text, const PlainLine& line, Rect rect, bool clip)
{
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context || IsEmptyRect(rect) || !line.font)
        return false;
    const QFont& qFont = line.font->qFont();
    const FastLineFont& f = fastLinePlacedFont(line.font);
    QString shown = text;
    if (Width(shown, qFont) > rect.width()) {
        if (line.mode != LineBreakByTruncatingTail)
            return false;
        // The longest head that fits with the ellipsis, measured as the shaped layout measures it.
        const double ellipsis = f.advance[127];
        double x = 0;
        int head = 0;
        for (int keep = 1; keep < shown.size(); ++keep) {
            x += f.advance[fastLineIndex(shown.at(keep - 1)) & 0x7F];
            if (x + ellipsis > rect.width() + 1e-9)
                break;
            head = keep;
        }
        shown = shown.left(head) + QChar(fastLineEllipsis);
        if (f.slot[127] < 0 || !IsPlain(shown, qFont))
            return false;
    }
    // As the shaped layout draws its one line: clipped to the rectangle, the title's own shadow.
    const QTransform toUser = context->uprightTransform(rect);
    const QPointF baseline(rect.minX() + f.startX, rect.minY() + f.baseline);
    ShadowState shadow;
    if (line.shadow && line.shadow->shadowColor()) {
        shadow.offset = QPointF(line.shadow->shadowOffset().width, line.shadow->shadowOffset().height);
        shadow.blurRadius = line.shadow->shadowBlurRadius();
        shadow.color = line.shadow->shadowColor()->toQColor();
    }
    // The clip changes no pixel when the ink (with its shadow) lies well inside the rectangle:
    // then the state is kept as it is, with no clip to build and set for every cell.
    bool needsClip = clip;
    const QTransform toDevice = toUser * context->state().ctm;
    if (clip && toDevice.type() <= QTransform::TxScale) {
        QRectF ink = toDevice.mapRect(fastLineInk(f, shown, baseline));
        if (shadow.isActive()) {
            const double spread = 3 * shadow.blurRadius / 2 + 1;
            ink |= ink.translated(shadow.offset.x(), -shadow.offset.y()).adjusted(-spread, -spread, spread, spread);
        }
        const QRectF box = toDevice.mapRect(QRectF(rect.minX(), rect.minY(), rect.width(), rect.height()));
        const QRectF inner(std::ceil(box.left()), std::ceil(box.top()), std::floor(box.right()) - std::ceil(box.left()),
            std::floor(box.bottom()) - std::ceil(box.top()));
        // Glyph boxes are whole pixels around the outline; a fractional pen moves them, so round out.
        const QRectF pixels(QPointF(std::floor(ink.left()), std::floor(ink.top())), QPointF(std::ceil(ink.right()), std::ceil(ink.bottom())));
        needsClip = !inner.contains(pixels);
    }
    const bool changesState = needsClip || shadow.isActive() != context->shadow().isActive() || shadow.isActive();
    if (changesState) {
        context->saveGraphicsState();
        if (needsClip)
            context->clipToRect(rect);
        context->setShadow(line.shadow.get());
    }
    context->backend().drawText(shown, qFont, QBrush(line.color), baseline, toUser, context->state());
    if (changesState)
        context->restoreGraphicsState();
    return true;
}

void DrawLineAtPoint(const QString& text, const PlainLine& line, Point point)
{
    const Size size = SizeOfLine(text, line);
    DrawLineInRect(text, line, MakeRect(point.x, point.y, size.width, size.height), false);
}

bool DrawTitleInRect(const AttributedString& title, Rect rect)
{
    PlainLine line;
    return PlainTitleOf(title, StringAttributes(), &line) && DrawLineInRect(title.string(), line, rect);
}

} // namespace kit::fastline
