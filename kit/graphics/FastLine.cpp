#include "kit/graphics/FastLine.h"

#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsBackend.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/graphics/TextLayoutEngine.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>

#include <array>
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
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i].first == font && fonts[i].first.hintingPreference() == font.hintingPreference()) {
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

// The single run of a title, when it holds only what the fast path draws.
bool fastLineRun(const AttributedString& title, Ref<Font>* font, QColor* color, LineBreakMode* mode)
{
    const int n = title.length();
    if (n == 0)
        return false;
    Range run;
    const Dictionary attributes = title.attributesAtIndexEffectiveRange(0, &run);
    if (run.location != 0 || run.length != n)
        return false;
    int known = 0;
    const Ref<Font> f = attributes.objectForKey(Value(FontAttributeName)).objectAs<Font>();
    if (!f)
        return false;
    ++known;
    const Value colorValue = attributes.objectForKey(Value(ForegroundColorAttributeName));
    if (!colorValue.isNil()) {
        const Ref<Color> c = colorValue.objectAs<Color>();
        if (!c)
            return false;
        *color = c->toQColor();
        ++known;
    } else {
        *color = QColor(Qt::black);
    }
    if (const Value styleValue = attributes.objectForKey(Value(ParagraphStyleAttributeName)); !styleValue.isNil()) {
        const Ref<ParagraphStyle> style = styleValue.objectAs<ParagraphStyle>();
        if (!style)
            return false;
        ParagraphStyle plain;
        plain.setLineBreakMode(style->lineBreakMode());
        plain.setAlignment(style->alignment());
        if (!style->isEqual(plain) || (style->alignment() != LeftTextAlignment && style->alignment() != NaturalTextAlignment))
            return false;
        *mode = style->lineBreakMode();
        ++known;
    }
    if (attributes.count() != known)
        return false;
    *font = f;
    return IsPlain(title.string(), f->qFont());
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
    return width;
}

void DrawGlyphRun(QPainter& painter, const QString& text, const QFont& font, QPointF baseline)
{
    const FastLineFont& f = fastLineFontFor(font);
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    double x = 0;
    for (const QChar c : text) {
        const int u = fastLineIndex(c) & 0x7F;
        glyphs.append(f.glyph[u]);
        positions.append(QPointF(x, 0));
        x += f.advance[u];
    }
    QGlyphRun run;
    run.setRawFont(f.raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(baseline, run);
}

bool SizeOfTitle(const AttributedString& title, Size* size)
{
    Ref<Font> font;
    QColor color;
    LineBreakMode mode = LineBreakByWordWrapping;
    if (!fastLineRun(title, &font, &color, &mode))
        return false;
    *size = { Width(title.string(), font->qFont()), fastLinePlacedFont(font).height };
    return true;
}

bool DrawTitleInRect(const AttributedString& title, Rect rect)
{
    GraphicsContext* context = GraphicsContext::currentContext();
    Ref<Font> font;
    QColor color;
    LineBreakMode mode = LineBreakByWordWrapping;
    if (!context || IsEmptyRect(rect) || !fastLineRun(title, &font, &color, &mode))
        return false;
    const FastLineFont& f = fastLinePlacedFont(font);
    QString shown = title.string();
    if (Width(shown, font->qFont()) > rect.width()) {
        if (mode != LineBreakByTruncatingTail)
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
        if (f.slot[127] < 0 || !IsPlain(shown, font->qFont()))
            return false;
    }
    // As the shaped layout draws its one line.
    context->saveGraphicsState();
    context->clipToRect(rect);
    const QTransform toUser = context->uprightTransform(rect);
    context->setShadow(nullptr);
    context->backend().drawText(
        shown, font->qFont(), QBrush(color), QPointF(rect.minX() + f.startX, rect.minY() + f.baseline), toUser, context->state());
    context->restoreGraphicsState();
    return true;
}

} // namespace kit::fastline
