#include "kit/graphics/TextLayoutEngine.h"

#include "kit/core/Exception.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Shadow.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <optional>
#include <unicode/ubidi.h>

namespace kit::textlayout {

namespace {

constexpr QChar engineLineSeparator(0x2028);
constexpr QChar engineObjectCharacter(0xFFFC);
constexpr int engineObjectType = QTextFormat::UserObject + 7;
constexpr int engineObjectWidthProperty = QTextFormat::UserProperty + 7;
const QString engineEllipsis(QChar(0x2026));

// Positions of Qt's lines are in a space whose origin is the padding origin.
constexpr double engineUnlimitedWidth = 1e6;

// The font of runs without one, asked for every such run: one for the whole process, made again
// only when the application font's family changes. Any thread may lay out text, hence the lock.
class LayoutDefaultFont {
public:
    static LayoutDefaultFont& shared()
    {
        static LayoutDefaultFont instance;
        return instance;
    }
    Ref<Font> font()
    {
        const QString family = Font::generalFamily();
        const std::scoped_lock lock(mutex_);
        if (!font_ || family != family_) {
            font_ = Font::systemFontOfSize(12);
            family_ = family;
        }
        return font_;
    }

private:
    std::mutex mutex_;
    Ref<Font> font_;
    QString family_;
};

} // namespace

// Sizes inline objects from the width their format carries; draws and answers nothing else (our
// line loop does the rest).
class ParagraphDocument::ObjectLayout final : public QAbstractTextDocumentLayout {
public:
    explicit ObjectLayout(QTextDocument* document)
        : QAbstractTextDocumentLayout(document)
    { }
    void draw(QPainter*, const PaintContext&) override { }
    int hitTest(const QPointF&, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame*) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock&) const override { return {}; }

protected:
    void documentChanged(int, int, int) override { }
    void resizeInlineObject(QTextInlineObject item, int, const QTextFormat& format) override
    {
        item.setWidth(format.doubleProperty(engineObjectWidthProperty));
        item.setAscent(0);
        item.setDescent(0);
    }
    void positionInlineObject(QTextInlineObject, int, const QTextFormat&) override { }
    void drawInlineObject(QPainter*, const QRectF&, QTextInlineObject, int, const QTextFormat&) override { }
};

bool IsParagraphTerminator(QChar c) { return c == u'\n' || c == u'\r' || c == QChar(0x0085) || c == QChar(0x2029); }

std::vector<ParagraphSpan> SplitParagraphs(const QString& text, int from, int to)
{
    std::vector<ParagraphSpan> out;
    const int length = int(text.size());
    int pos = std::clamp(from, 0, length);
    while (pos < length) {
        int end = pos;
        while (end < length && !IsParagraphTerminator(text.at(end)))
            ++end;
        int terminator = 0;
        if (end < length)
            terminator = (text.at(end) == u'\r' && end + 1 < length && text.at(end + 1) == u'\n') ? 2 : 1;
        out.push_back({ pos, end - pos, terminator });
        pos = end + terminator;
        if (pos >= to)
            break;
    }
    return out;
}

int ParagraphStartBefore(const QString& text, int index)
{
    int i = std::clamp(index, 0, int(text.size()));
    // "\r\n": an index between the two belongs to the paragraph the "\r" ends.
    if (i > 0 && i < text.size() && text.at(i) == u'\n' && text.at(i - 1) == u'\r')
        --i;
    while (i > 0 && !IsParagraphTerminator(text.at(i - 1)))
        --i;
    return i;
}

Ref<Font> FontIn(const Dictionary& attributes)
{
    Ref<Font> font = attributes.objectForKey(FontAttributeName).objectAs<Font>();
    return font ? font : LayoutDefaultFont::shared().font();
}

Ref<ParagraphStyle> StyleIn(const Dictionary& attributes)
{
    Ref<ParagraphStyle> style = attributes.objectForKey(ParagraphStyleAttributeName).objectAs<ParagraphStyle>();
    return style ? style : ParagraphStyle::defaultParagraphStyle();
}

namespace {

Dictionary engineAttributesNear(const AttributedString& text, int index)
{
    if (text.length() == 0)
        return {};
    return text.attributesAtIndexEffectiveRange(std::clamp(index, 0, text.length() - 1));
}

} // namespace

ParagraphDocument::ParagraphDocument(bool oneShot)
    : oneShot_(oneShot)
{ }

ParagraphDocument::~ParagraphDocument() = default;

QTextDocument& ParagraphDocument::document()
{
    if (!document_) {
        document_ = std::make_unique<QTextDocument>();
        document_->setUndoRedoEnabled(false);
        objectLayout_ = new ObjectLayout(document_.get());
        document_->setDocumentLayout(objectLayout_);
    }
    return *document_;
}

namespace {

// The character format of each font met in one replace: a form repeats a few fonts over many
// runs, and setting a font on a format is the dearest part of inserting a run.
class EngineFormats {
public:
    const QTextCharFormat& formatFor(const Ref<Font>& font)
    {
        for (const auto& [known, format] : formats_)
            if (known.get() == font.get())
                return format;
        QTextCharFormat format;
        format.setFont(font->qFont());
        return formats_.emplace_back(font, std::move(format)).second;
    }

private:
    std::vector<std::pair<Ref<Font>, QTextCharFormat>> formats_;
};

// The first run of `text` that reaches past `index`.
std::vector<AttributedString::Run>::const_iterator engineRunAt(const AttributedString& text, int index)
{
    const auto& runs = text.runs();
    auto it = std::upper_bound(runs.begin(), runs.end(), index, [](int i, const AttributedString::Run& r) { return i < r.start; });
    return --it;
}

// A block's own character format: its first character's (the attributes there when it is empty,
// which give the empty line its height).
const QTextCharFormat& engineBlockFormat(const AttributedString& text, const ParagraphSpan& span, EngineFormats& formats)
{
    if (span.length == 0)
        return formats.formatFor(FontIn(engineAttributesNear(text, span.start)));
    return formats.formatFor(FontIn(engineRunAt(text, span.start)->attributes));
}

// Fills the cursor's block, whose own format is already the paragraph's.
void engineInsertParagraph(
    QTextCursor& cursor, const AttributedString& text, const ParagraphSpan& span, const std::function<double(int)>& objectWidth, EngineFormats& formats)
{
    const int end = span.start + span.length;
    if (span.length == 0)
        return;
    const auto& runs = text.runs();
    for (auto it = engineRunAt(text, span.start); it != runs.end() && it->start < end; ++it) {
        const int a = std::max(it->start, span.start), b = std::min(it->start + it->length, end);
        const QTextCharFormat& format = formats.formatFor(FontIn(it->attributes));
        // Objects one by one: each carries its own width.
        int pieceStart = a;
        for (int i = a; i <= b; ++i) {
            if (i < b && text.string().at(i) != engineObjectCharacter)
                continue;
            if (i > pieceStart)
                cursor.insertText(text.string().mid(pieceStart, i - pieceStart), format);
            if (i < b) {
                QTextCharFormat object = format;
                object.setObjectType(engineObjectType);
                object.setProperty(engineObjectWidthProperty, objectWidth ? objectWidth(i) : 0.0);
                cursor.insertText(QString(engineObjectCharacter), object);
            }
            pieceStart = i + 1;
        }
    }
}

// Fills `spans` from the cursor's block on, each later one in a block of its own, made with its
// format (setting a block's format afterwards costs as much again).
void engineInsertParagraphs(QTextCursor& cursor, const AttributedString& text, const std::vector<ParagraphSpan>& spans,
    const std::function<double(int)>& objectWidth, EngineFormats& formats)
{
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (i == 0)
            cursor.setBlockCharFormat(engineBlockFormat(text, spans[i], formats));
        else
            cursor.insertBlock(QTextBlockFormat(), engineBlockFormat(text, spans[i], formats));
        engineInsertParagraph(cursor, text, spans[i], objectWidth, formats);
    }
}

} // namespace

namespace {

// Plain layouts serve when nothing needs a document: no tab (Qt would scale its stops by the
// font DPI) and no object (Qt would give it no width).
bool enginePlainLayoutsServe(const AttributedString& text, const std::vector<ParagraphSpan>& spans)
{
    for (const ParagraphSpan& span : spans)
        for (int i = span.start; i < span.start + span.length; ++i)
            if (text.string().at(i) == u'\t' || text.string().at(i) == engineObjectCharacter)
                return false;
    return true;
}

std::unique_ptr<QTextLayout> enginePlainLayout(const AttributedString& text, const ParagraphSpan& span)
{
    auto layout = std::make_unique<QTextLayout>(text.string().mid(span.start, span.length));
    QList<QTextLayout::FormatRange> formats;
    const int end = span.start + span.length;
    if (span.length > 0) {
        const auto& runs = text.runs();
        auto it = std::upper_bound(runs.begin(), runs.end(), span.start, [](int i, const AttributedString::Run& r) { return i < r.start; });
        for (--it; it != runs.end() && it->start < end; ++it) {
            const int a = std::max(it->start, span.start), b = std::min(it->start + it->length, end);
            QTextCharFormat format;
            format.setFont(FontIn(it->attributes)->qFont());
            formats.append({ a - span.start, b - a, format });
        }
        layout->setFont(FontIn(text.attributesAtIndexEffectiveRange(span.start))->qFont());
    }
    layout->setFormats(formats);
    return layout;
}

} // namespace

void ParagraphDocument::replace(
    int first, int removed, const AttributedString& text, const std::vector<ParagraphSpan>& spans, const std::function<double(int)>& objectWidth)
{
    if (oneShot_ && count_ == 0 && removed == 0 && !document_ && enginePlainLayoutsServe(text, spans)) {
        for (const ParagraphSpan& span : spans)
            plain_.push_back(enginePlainLayout(text, span));
        count_ = int(spans.size());
        return;
    }
    KIT_ASSERT(plain_.empty(), "A one-shot paragraph document is filled once");
    if (removed > 0 && first == 0 && removed == count_) {
        // Everything goes: a new document costs less than taking the old one apart block by block.
        document_.reset();
        objectLayout_ = nullptr;
        count_ = removed = 0;
    }
    QTextCursor cursor(&document());
    EngineFormats formats;
    // One edit block: the cursor would otherwise lay out its block after every insertion to keep
    // its x, which is most of an edit's cost.
    cursor.beginEditBlock();
    if (removed > 0) {
        const QTextBlock a = document_->findBlockByNumber(first);
        const QTextBlock b = document_->findBlockByNumber(first + removed - 1);
        cursor.setPosition(a.position());
        cursor.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.setBlockCharFormat(QTextCharFormat());
        if (spans.empty()) {
            // Drop the emptied block too, unless it is the document's only one.
            if (first > 0) {
                cursor.setPosition(a.position() - 1, QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
            } else if (count_ - removed > 0) {
                cursor.setPosition(cursor.position() + 1, QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
            }
        }
        engineInsertParagraphs(cursor, text, spans, objectWidth, formats);
    } else if (!spans.empty()) {
        if (count_ == 0) {
            cursor.setPosition(0);
            engineInsertParagraphs(cursor, text, spans, objectWidth, formats);
        } else if (first < count_) {
            cursor.setPosition(document_->findBlockByNumber(first).position());
            for (const ParagraphSpan& span : spans) {
                cursor.setBlockCharFormat(engineBlockFormat(text, span, formats));
                engineInsertParagraph(cursor, text, span, objectWidth, formats);
                cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
            }
        } else {
            cursor.movePosition(QTextCursor::End);
            for (const ParagraphSpan& span : spans) {
                cursor.insertBlock(QTextBlockFormat(), engineBlockFormat(text, span, formats));
                engineInsertParagraph(cursor, text, span, objectWidth, formats);
            }
        }
    }
    cursor.endEditBlock();
    count_ += int(spans.size()) - removed;
}

void ParagraphDocument::replaceInside(
    int paragraph, int from, int removed, const AttributedString& text, int at, int inserted, const std::function<double(int)>& objectWidth)
{
    KIT_ASSERT(document_ && paragraph >= 0 && paragraph < count_, "An edit inside a paragraph the document holds");
    QTextCursor cursor(document_.get());
    EngineFormats formats;
    cursor.beginEditBlock();
    const int position = document_->findBlockByNumber(paragraph).position() + from;
    cursor.setPosition(position);
    if (removed > 0) {
        cursor.setPosition(position + removed, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    engineInsertParagraph(cursor, text, { at, inserted, 0 }, objectWidth, formats);
    cursor.endEditBlock();
}

QTextLayout* ParagraphDocument::layout(int paragraph) const
{
    if (!plain_.empty())
        return plain_[std::size_t(paragraph)].get();
    return document_->findBlockByNumber(paragraph).layout();
}

namespace {

struct EngineMetrics {
    double ascent = 0;
    double descent = 0;
    double leading = 0;
    void take(const Font& font)
    {
        ascent = std::max(ascent, font.ascender());
        descent = std::max(descent, -font.descender());
        leading = std::max(leading, font.leading());
    }
};

// The fonts of characters [from, to), or of the attributes at `from` (or before) when empty.
EngineMetrics engineTextMetrics(const AttributedString& text, int from, int to)
{
    EngineMetrics m;
    if (from >= to || text.length() == 0) {
        m.take(*FontIn(engineAttributesNear(text, from < text.length() ? from : from - 1)));
        return m;
    }
    const auto& runs = text.runs();
    auto it = std::upper_bound(runs.begin(), runs.end(), from, [](int i, const AttributedString::Run& r) { return i < r.start; });
    for (--it; it != runs.end() && it->start < to; ++it)
        m.take(*FontIn(it->attributes));
    return m;
}

// Qt 6.4 counts tab stops from each line's own start rather than from the layout's origin. Asked
// of Qt once, so the shift below follows whichever it does.
bool engineTabsCountFromLineStart()
{
    static const bool fromLineStart = [] {
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        QTextCursor(&document).insertText(QStringLiteral("\t"));
        QTextLayout* layout = document.begin().layout();
        QTextOption option;
        option.setTabs({ QTextOption::Tab(50, QTextOption::LeftTab) });
        layout->setTextOption(option);
        layout->beginLayout();
        QTextLine line = layout->createLine();
        line.setPosition(QPointF(20, 0));
        line.setLineWidth(1000);
        const double end = line.cursorToX(1);
        layout->endLayout();
        return end > 60;
    }();
    return fromLineStart;
}

// Where Qt counts a line's tab stops from, in the padding-origin space.
double engineTabShift(double indent) { return engineTabsCountFromLineStart() ? indent : 0; }

// The stops of `style` for a line whose Qt origin lies at `shift`, so they land at their
// locations from the shared origin.
QTextOption engineOption(const ParagraphStyle& style, const Font& font, bool wraps, double shift)
{
    QTextOption option;
    option.setUseDesignMetrics(true);
    if (!wraps)
        option.setWrapMode(QTextOption::NoWrap);
    else if (style.lineBreakMode() == LineBreakByCharWrapping)
        option.setWrapMode(QTextOption::WrapAnywhere);
    else
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    switch (style.alignment()) {
    case RightTextAlignment:
        option.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case CenterTextAlignment:
        option.setAlignment(Qt::AlignHCenter);
        break;
    case JustifiedTextAlignment:
        option.setAlignment(Qt::AlignJustify);
        break;
    default:
        option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    }
    QList<QTextOption::Tab> tabs;
    for (const TextTab& tab : style.tabStops()) {
        QTextOption::Tab t;
        t.position = tab.location - shift;
        switch (tab.type) {
        case RightTabStopType:
            t.type = QTextOption::RightTab;
            break;
        case CenterTabStopType:
            t.type = QTextOption::CenterTab;
            break;
        case DecimalTabStopType:
            t.type = QTextOption::DelimiterTab;
            t.delimiter = QLocale::c().decimalPoint().at(0);
            break;
        default:
            t.type = QTextOption::LeftTab;
            break;
        }
        tabs.append(t);
    }
    option.setTabs(tabs);
    // Past the last stop Qt's own rule counts from its origin: engineSettleTabs places those tabs.
    const double space = QFontMetricsF(font.qFont()).horizontalAdvance(QLatin1Char(' '));
    option.setTabStopDistance(style.defaultTabInterval() > 0 ? style.defaultTabInterval() : std::max(space, 1.0));
    return option;
}

bool engineIsRightToLeft(QChar c);

// Whether no tab of line `ql` can lie at or past the last stop. In left-to-right text no tab lies
// further right than the line's last one, so asking Qt for that one's x (dear: Qt measures the
// line up to it again) answers for all.
bool engineTabsBeforeLastStop(const QTextLine& ql, const QString& s, const ParagraphSpan& span, double last)
{
    int lastTab = -1;
    for (int local = ql.textStart(); local < ql.textStart() + ql.textLength(); ++local) {
        const QChar c = s.at(span.start + local);
        if (engineIsRightToLeft(c))
            return false;
        if (c == u'\t')
            lastTab = local;
    }
    return lastTab < 0 || last > ql.cursorToX(lastTab) + 0.001;
}

// A tab past the last stop goes to the next multiple of the default interval from the shared
// origin, or one space on when there is no interval. Each such tab of line `ql` gets a left stop
// of its own in `option`, and the line is laid out again; answers whether any did.
bool engineSettleTabs(QTextLayout& layout, QTextLine& ql, const AttributedString& text, const ParagraphSpan& span,
    const ParagraphStyle& style, double shift, double width, QTextOption& option)
{
    const QString& s = text.string();
    const double last = style.tabStops().empty() ? -std::numeric_limits<double>::infinity() : style.tabStops().back().location;
    const double interval = style.defaultTabInterval();
    if (engineTabsBeforeLastStop(ql, s, span, last))
        return false;
    bool changed = false;
    for (int pass = 0; pass < 256; ++pass) {
        bool moved = false;
        for (int local = ql.textStart(); local < ql.textStart() + ql.textLength() && !moved; ++local) {
            if (s.at(span.start + local) != u'\t')
                continue;
            const double from = ql.cursorToX(local);
            if (last > from + 0.001)
                continue; // a stop of the style lies ahead
            const double want = interval > 0
                ? (std::floor((from + 0.001) / interval) + 1) * interval
                : from + QFontMetricsF(FontIn(text.attributesAtIndexEffectiveRange(span.start + local))->qFont()).horizontalAdvance(QLatin1Char(' '));
            if (std::abs(ql.cursorToX(local + 1) - want) < 0.02)
                continue;
            QList<QTextOption::Tab> tabs = option.tabs();
            tabs.append(QTextOption::Tab(want - shift, QTextOption::LeftTab));
            option.setTabs(tabs);
            layout.setTextOption(option);
            // A line already laid out to the text's end is kept as it is unless its width changes.
            ql.setLineWidth(0);
            ql.setLineWidth(width);
            moved = changed = true;
        }
        if (!moved)
            break;
    }
    return changed;
}

} // namespace

std::vector<Line> BreakParagraph(QTextLayout& layout, const AttributedString& text, const ParagraphSpan& span,
    const ParagraphGeometry& geometry, double top, LayoutDelegate& delegate)
{
    const Dictionary first = engineAttributesNear(text, span.start);
    const Ref<ParagraphStyle> style = StyleIn(first);
    const Ref<Font> firstFont = FontIn(first);
    // Clipping and truncating paragraphs keep to one line per U+2028-separated piece.
    const bool wraps = geometry.wraps && (style->lineBreakMode() == LineBreakByWordWrapping || style->lineBreakMode() == LineBreakByCharWrapping);
    const QTextOption firstOption = engineOption(*style, *firstFont, wraps, engineTabShift(style->firstLineHeadIndent()));
    // The later lines' stops, when their indent moves Qt's origin: made for the first that needs them.
    std::shared_ptr<const QTextOption> otherShared;
    layout.setTextOption(firstOption);
    const double available = std::max(0.0, geometry.containerWidth - 2 * geometry.padding);
    const double right = style->tailIndent() > 0 ? style->tailIndent() : available + style->tailIndent();

    std::vector<Line> lines;
    double y = 0;
    auto place = [&](Line& line, int qtLength, const QTextLine* ql) {
        EngineMetrics m = engineTextMetrics(text, line.start, line.start + qtLength);
        // Glyphs from fallback fonts (Qt's choice at render time) may reach further.
        if (ql && qtLength > 0) {
            m.ascent = std::max(m.ascent, ql->ascent());
            m.descent = std::max(m.descent, ql->descent());
        }
        const double proposedHeight = m.ascent + m.descent + m.leading;
        for (int i = line.start; i < line.start + qtLength; ++i) {
            if (text.string().at(i) != engineObjectCharacter || delegate.inlineObjectWidth(i) <= 0)
                continue;
            const double x = ql ? ql->cursorToX(i - span.start) + geometry.padding : geometry.padding + line.indent;
            const Rect frame
                = delegate.inlineObjectFrame(i, MakeRect(0, top + y, geometry.containerWidth, proposedHeight), MakePoint(x, 0));
            m.ascent = std::max(m.ascent, frame.maxY());
            m.descent = std::max(m.descent, -frame.minY());
        }
        line.textHeight = proposedHeight;
        line.ascent = m.ascent;
        line.descent = m.descent;
        line.leading = m.leading;
        const double height = m.ascent + m.descent + m.leading + style->lineSpacing();
        const bool last = line.start + qtLength >= span.start + span.length;
        const double usedX = geometry.padding + (ql ? ql->naturalTextRect().x() : line.indent);
        const double usedWidth = ql ? ql->naturalTextWidth() : 0;
        line.lineRect = MakeRect(0, y, geometry.containerWidth, height + (last ? style->paragraphSpacing() : 0));
        line.usedRect = MakeRect(usedX, y, usedWidth, height);
        line.baseline = m.ascent;
        y = line.lineRect.maxY();
    };

    // Keep the shaped glyphs: every caret, hit test and draw would otherwise shape the paragraph
    // again.
    layout.setCacheEnabled(true);
    layout.beginLayout();
    bool firstLine = true;
    for (QTextLine ql = layout.createLine(); ql.isValid(); ql = layout.createLine()) {
        Line line;
        line.qtLine = ql.lineNumber();
        line.indent = firstLine ? style->firstLineHeadIndent() : style->headIndent();
        const bool otherShift = !firstLine && engineTabShift(line.indent) != engineTabShift(style->firstLineHeadIndent()) && !style->tabStops().empty();
        bool ownOption = otherShift;
        if (otherShift) {
            if (!otherShared)
                otherShared = std::make_shared<const QTextOption>(engineOption(*style, *firstFont, wraps, engineTabShift(style->headIndent())));
            layout.setTextOption(*otherShared);
            line.option = otherShared;
        }
        ql.setPosition(QPointF(line.indent, 0));
        // Unwrapped lines keep the width too: alignment happens inside it.
        const double lineWidth = std::max(1.0, right - line.indent);
        ql.setLineWidth(lineWidth);
        QTextOption settled = otherShift ? *otherShared : firstOption;
        if (engineSettleTabs(layout, ql, text, span, *style, engineTabShift(line.indent), lineWidth, settled)) {
            line.option = std::make_shared<const QTextOption>(settled);
            ownOption = true;
        }
        line.start = span.start + ql.textStart();
        line.length = ql.textLength();
        // The terminator belongs to the last line.
        const bool last = ql.textStart() + ql.textLength() >= span.length;
        if (last)
            line.length += span.terminator;
        place(line, ql.textLength(), &ql);
        if (ownOption)
            layout.setTextOption(firstOption);
        lines.push_back(line);
        firstLine = false;
    }
    layout.endLayout();
    if (lines.empty()) {
        Line line;
        line.start = span.start;
        line.length = span.length + span.terminator;
        line.indent = style->firstLineHeadIndent();
        place(line, 0, nullptr);
        lines.push_back(line);
    }
    return lines;
}

std::vector<Line> PlaceLines(const std::vector<Line>& broken, double top, LayoutDelegate& delegate)
{
    std::vector<Line> placed = broken;
    double y = 0;
    for (Line& line : placed) {
        const double shift = y - line.lineRect.minY();
        Rect lineRect = MakeRect(line.lineRect.minX(), top + y, line.lineRect.width(), line.lineRect.height());
        Rect usedRect = MakeRect(line.usedRect.minX(), line.usedRect.minY() + shift + top, line.usedRect.width(), line.usedRect.height());
        double baseline = line.baseline;
        const double width = lineRect.width();
        delegate.willSetLineFragment(lineRect, MakeRange(line.start, line.length), usedRect, baseline);
        KIT_ASSERT(lineRect.width() == width, "The line hook changed a line fragment's width");
        line.lineRect = MakeRect(lineRect.minX(), lineRect.minY() - top, lineRect.width(), lineRect.height());
        line.usedRect = MakeRect(usedRect.minX(), usedRect.minY() - top, usedRect.width(), usedRect.height());
        line.baseline = baseline;
        y = line.lineRect.maxY();
    }
    return placed;
}

std::vector<Line> LayOutParagraph(QTextLayout& layout, const AttributedString& text, const ParagraphSpan& span,
    const ParagraphGeometry& geometry, double top, LayoutDelegate& delegate)
{
    return PlaceLines(BreakParagraph(layout, text, span, geometry, top, delegate), top, delegate);
}

Line ExtraLine(const AttributedString& text, int index, const ParagraphGeometry& geometry)
{
    const Dictionary attributes = engineAttributesNear(text, index - 1);
    const Ref<ParagraphStyle> style = StyleIn(attributes);
    EngineMetrics m;
    m.take(*FontIn(attributes));
    Line line;
    line.start = index;
    line.indent = style->firstLineHeadIndent();
    line.ascent = m.ascent;
    line.descent = m.descent;
    line.leading = m.leading;
    const double height = m.ascent + m.descent + m.leading + style->lineSpacing();
    line.textHeight = m.ascent + m.descent + m.leading;
    line.lineRect = MakeRect(0, 0, geometry.containerWidth, height);
    line.usedRect = MakeRect(geometry.padding + line.indent, 0, 0, height);
    line.baseline = m.ascent;
    return line;
}

namespace {

// Runs `query` with the line's own option in force, if it has one.
template <class Query> auto engineWithLineOption(QTextLayout& layout, const Line& line, const Query& query)
{
    if (!line.option)
        return query();
    const QTextOption standing = layout.textOption();
    layout.setTextOption(*line.option);
    const auto result = query();
    layout.setTextOption(standing);
    return result;
}

} // namespace

double CursorX(QTextLayout& layout, const Line& line, int paragraphStart, int index, double padding)
{
    double x = line.indent;
    if (line.qtLine >= 0 && line.qtLine < layout.lineCount()) {
        const QTextLine ql = layout.lineAt(line.qtLine);
        const int local = std::clamp(index - paragraphStart, ql.textStart(), ql.textStart() + ql.textLength());
        x = engineWithLineOption(layout, line, [&] { return ql.cursorToX(local); });
    }
    return padding + x + line.lineRect.minX();
}

int IndexAtX(QTextLayout& layout, const Line& line, int paragraphStart, double x, double padding, bool onCharacter)
{
    if (line.qtLine < 0 || line.qtLine >= layout.lineCount())
        return line.start;
    const QTextLine ql = layout.lineAt(line.qtLine);
    const QTextLine::CursorPosition mode = onCharacter ? QTextLine::CursorOnCharacter : QTextLine::CursorBetweenCharacters;
    return paragraphStart + engineWithLineOption(layout, line, [&] { return ql.xToCursor(x - padding - line.lineRect.minX(), mode); });
}

namespace {

QColor engineColorOf(const Value& v, QColor fallback)
{
    const Ref<Color> c = v.objectAs<Color>();
    return c ? c->toQColor() : fallback;
}

bool engineBreaksPiece(QChar c) { return c == u'\t' || c == engineObjectCharacter || c == engineLineSeparator; }

bool engineIsRightToLeft(QChar c)
{
    // Nothing before Hebrew is right-to-left: most text never asks for the property.
    if (c.unicode() < 0x0590)
        return false;
    switch (c.direction()) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirRLI:
        return true;
    default:
        return false;
    }
}

// The bidirectional embedding level of every character of the paragraph (the first strong
// character sets its direction, as the line layout does); empty when it is all left-to-right.
std::vector<UBiDiLevel> engineBidiLevels(const QString& s, const ParagraphSpan& span)
{
    const int end = std::min<int>(span.start + span.length, int(s.size()));
    bool any = false;
    for (int i = span.start; i < end && !any; ++i)
        any = engineIsRightToLeft(s.at(i));
    if (!any)
        return {};
    UErrorCode status = U_ZERO_ERROR;
    UBiDi* bidi = ubidi_openSized(end - span.start, 0, &status);
    ubidi_setPara(bidi, reinterpret_cast<const UChar*>(s.utf16()) + span.start, end - span.start, UBIDI_DEFAULT_LTR, nullptr, &status);
    std::vector<UBiDiLevel> levels;
    if (U_SUCCESS(status)) {
        levels.resize(std::size_t(end - span.start));
        for (int i = 0; i < end - span.start; ++i)
            levels[std::size_t(i)] = ubidi_getLevelAt(bidi, i);
    }
    ubidi_close(bidi);
    return levels;
}

// Calls `piece(from, to, attributes)` for the drawable stretches of `line` inside `limit`: split at
// runs, tabs, separators, objects, overlay colour changes and changes of writing direction (each
// piece is then one visual stretch); terminators are left out.
template <class Piece>
void engineForEachPiece(const AttributedString& text, const Line& line, const ParagraphSpan& span, const DrawStyle& style, Range limit, const Piece& piece)
{
    const QString& s = text.string();
    const std::vector<UBiDiLevel> levels = engineBidiLevels(s, span);
    auto levelAt = [&](int i) {
        const int local = i - span.start;
        return local >= 0 && std::size_t(local) < levels.size() ? levels[std::size_t(local)] : UBiDiLevel(0);
    };
    // Trailing white space draws nothing (and does not count for alignment).
    int lineEnd = line.start + line.length;
    while (lineEnd > line.start && s.at(lineEnd - 1).isSpace() && s.at(lineEnd - 1) != u'\t')
        --lineEnd;
    int from = std::max<int>(line.start, int(limit.location));
    const int to = std::min<int>(lineEnd, int(MaxRange(limit)));
    while (from < to) {
        if (IsParagraphTerminator(s.at(from))) {
            ++from;
            continue;
        }
        Range run;
        const Dictionary attributes = text.attributesAtIndexEffectiveRange(from, &run);
        int end = std::min<int>(to, int(MaxRange(run)));
        if (engineBreaksPiece(s.at(from))) {
            piece(from, from + 1, attributes, !levels.empty());
            ++from;
            continue;
        }
        const QColor overlayFg = style.overlay ? style.overlay(from, false) : QColor();
        const QColor overlayBg = style.overlay ? style.overlay(from, true) : QColor();
        const UBiDiLevel level = levelAt(from);
        int i = from + 1;
        while (i < end && !engineBreaksPiece(s.at(i)) && !IsParagraphTerminator(s.at(i)) && levelAt(i) == level
            && (!style.overlay || (style.overlay(i, false) == overlayFg && style.overlay(i, true) == overlayBg)))
            ++i;
        piece(from, i, attributes, !levels.empty());
        from = i;
    }
}

// The left and right x of characters [from, to) of one piece. In a paragraph with right-to-left
// text the cursor positions at a change of direction belong to either side, so the piece's glyphs
// say where it lies.
// The caret x last asked of a line: pieces follow one another, so each one's start is usually
// the previous one's end.
struct EngineLastX {
    int index = -1;
    double x = 0;
};

// Without `rightToo` a left-to-right piece's right end is not asked for: each x costs Qt a pass over
// the line, and text is drawn from its left end.
std::pair<double, double> enginePieceExtent(const DrawParagraph& paragraph, const Line& line, const DrawStyle& style, int from, int to,
    bool bidi, EngineLastX* last = nullptr, bool rightToo = true)
{
    QTextLayout& layout = *paragraph.layout;
    if (bidi && line.qtLine >= 0 && line.qtLine < layout.lineCount()) {
        const QTextLine ql = layout.lineAt(line.qtLine);
        double left = std::numeric_limits<double>::infinity();
        double right = -left;
        engineWithLineOption(layout, line, [&] {
            for (const QGlyphRun& run : ql.glyphRuns(from - paragraph.span.start, to - from)) {
                const QList<QPointF> positions = run.positions();
                const QList<QPointF> advances = run.rawFont().advancesForGlyphIndexes(run.glyphIndexes());
                for (qsizetype k = 0; k < positions.size() && k < advances.size(); ++k) {
                    left = std::min(left, positions[k].x());
                    right = std::max(right, positions[k].x() + advances[k].x());
                }
            }
            return 0;
        });
        if (left <= right) {
            const double shift = style.originX + style.padding + line.lineRect.minX();
            return { shift + left, shift + right };
        }
    }
    auto xAt = [&](int index) {
        if (last && last->index == index)
            return last->x;
        return style.originX + CursorX(layout, line, paragraph.span.start, index, style.padding);
    };
    const double x0 = xAt(from);
    if (!rightToo)
        return { x0, x0 };
    const double x1 = xAt(to);
    if (last)
        *last = { to, x1 };
    return { std::min(x0, x1), std::max(x0, x1) };
}

// Whether any run over [from, to) has a background colour.
bool engineHasBackground(const AttributedString& text, int from, int to)
{
    const auto& runs = text.runs();
    auto it = std::upper_bound(runs.begin(), runs.end(), from, [](int i, const AttributedString::Run& r) { return i < r.start; });
    if (it != runs.begin())
        --it;
    for (; it != runs.end() && it->start < to; ++it)
        if (!it->attributes.objectForKey(BackgroundColorAttributeName).isNil())
            return true;
    return false;
}

} // namespace

void DrawBackgrounds(GraphicsContext& context, const QTransform& toUser, const AttributedString& text, const DrawParagraph& paragraph,
    const DrawStyle& style, Range limit)
{
    for (const Line& line : *paragraph.lines) {
        if (line.start + line.length <= limit.location || line.start >= MaxRange(limit))
            continue;
        // Most lines have nothing behind them: no need to cut them into pieces.
        if (!style.overlay && !engineHasBackground(text, line.start, line.start + line.length))
            continue;
        const double top = paragraph.top + line.usedRect.minY();
        engineForEachPiece(text, line, paragraph.span, style, limit, [&](int from, int to, const Dictionary& attributes, bool bidi) {
            QColor color = engineColorOf(attributes.objectForKey(BackgroundColorAttributeName), QColor());
            if (style.overlay) {
                const QColor over = style.overlay(from, true);
                if (over.isValid())
                    color = over;
            }
            if (!color.isValid())
                return;
            const auto [x0, x1] = enginePieceExtent(paragraph, line, style, from, to, bidi);
            QPainterPath path;
            path.addRect(QRectF(x0, top, x1 - x0, line.usedRect.height()));
            context.fillPathWithBrush(toUser.map(path), QBrush(color));
        });
    }
}

void DrawText(GraphicsContext& context, const QTransform& toUser, const AttributedString& text, const DrawParagraph& paragraph,
    const DrawStyle& style, Range limit)
{
    const QString& s = text.string();
    for (const Line& line : *paragraph.lines) {
        if (line.start + line.length <= limit.location || line.start >= MaxRange(limit))
            continue;
        const double baselineY = paragraph.top + line.lineRect.minY() + line.baseline;
        EngineLastX last;
        engineForEachPiece(text, line, paragraph.span, style, limit, [&](int from, int to, const Dictionary& attributes, bool bidi) {
            const QChar c = s.at(from);
            if (c == u'\t' || c == engineLineSeparator)
                return;
            // One direction per piece: a right-to-left piece is drawn from its left end.
            const bool underlined = c != engineObjectCharacter && attributes.objectForKey(UnderlineStyleAttributeName).integerValue() != 0;
            const auto [x0, x1] = enginePieceExtent(paragraph, line, style, from, to, bidi, &last, underlined || c == engineObjectCharacter);
            if (c == engineObjectCharacter) {
                if (style.inlineObject)
                    style.inlineObject(from, MakeRect(x0, paragraph.top + line.lineRect.minY(), x1 - x0, line.lineRect.height()), baselineY);
                return;
            }
            const Ref<Font> font = FontIn(attributes);
            QColor color = engineColorOf(attributes.objectForKey(ForegroundColorAttributeName), QColor(Qt::black));
            if (style.overlay) {
                const QColor over = style.overlay(from, false);
                if (over.isValid())
                    color = over;
            }
            context.setShadow(attributes.objectForKey(ShadowAttributeName).objectAs<Shadow>().get());
            context.backend().drawText(s.mid(from, to - from), font->qFont(), QBrush(color), QPointF(x0, baselineY), toUser, context.state());
            if (underlined) {
                const QFontMetricsF metrics(font->qFont());
                QPainterPath path;
                path.addRect(QRectF(x0, baselineY + metrics.underlinePos(), x1 - x0, std::max(1.0, metrics.lineWidth())));
                context.fillPathWithBrush(toUser.map(path), QBrush(color));
            }
        });
    }
}

// --- One-shot layout of a whole string.

namespace {

class NoDelegate final : public LayoutDelegate { };

// Grapheme boundaries of [from, to), ascending, from `from` to `to`.
std::vector<int> engineClusterCuts(const QString& s, int from, int to)
{
    std::vector<int> cuts { from };
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.mid(from, to - from));
    while (finder.toNextBoundary() > 0)
        cuts.push_back(from + int(finder.position()));
    if (cuts.back() != to)
        cuts.push_back(to);
    return cuts;
}

// `paragraph` (no terminators) cut to fit `width` with "…" at its head, middle or tail, on cluster
// boundaries; the ellipsis takes the attributes of the last kept character before it.
AttributedString engineTruncated(const AttributedString& paragraph, double width, LineBreakMode mode)
{
    // One unwrapped line gives every cut's x.
    ParagraphDocument document(true);
    const ParagraphSpan span { 0, paragraph.length(), 0 };
    document.replace(0, 0, paragraph, { span }, {});
    NoDelegate none;
    QTextLayout& layout = *document.layout(0);
    const std::vector<Line> lines = LayOutParagraph(layout, paragraph, span, { engineUnlimitedWidth, 0, false }, 0, none);
    const Line& line = lines.front();
    const double origin = CursorX(layout, line, 0, 0, 0);
    auto x = [&](int index) { return CursorX(layout, line, 0, index, 0) - origin; };
    const double total = x(paragraph.length());
    const std::vector<int> cuts = engineClusterCuts(paragraph.string(), 0, paragraph.length());
    auto attributesBefore = [&](int headEnd, int tailStart) {
        const int i = headEnd > 0 ? headEnd - 1 : std::min(tailStart, paragraph.length() - 1);
        return paragraph.length() > 0 ? paragraph.attributesAtIndexEffectiveRange(std::max(0, i)) : Dictionary();
    };
    auto ellipsisWidth = [&](int headEnd, int tailStart) {
        return QFontMetricsF(FontIn(attributesBefore(headEnd, tailStart))->qFont()).horizontalAdvance(engineEllipsis);
    };
    int bestHead = 0, bestTail = paragraph.length();
    const std::size_t n = cuts.size();
    for (std::size_t keep = 1; keep < n; ++keep) {
        int head = 0, tail = paragraph.length();
        if (mode == LineBreakByTruncatingHead) {
            tail = cuts[n - 1 - keep];
        } else if (mode == LineBreakByTruncatingMiddle) {
            head = cuts[(keep + 1) / 2];
            tail = cuts[n - 1 - keep / 2];
        } else {
            head = cuts[keep];
        }
        if (x(head) + (total - x(tail)) + ellipsisWidth(head, tail) > width + 1e-9)
            break;
        bestHead = head;
        bestTail = tail;
    }
    AttributedString out = paragraph.attributedSubstringFromRange(MakeRange(0, bestHead));
    out.appendAttributedString(AttributedString(engineEllipsis, attributesBefore(bestHead, bestTail)));
    out.appendAttributedString(paragraph.attributedSubstringFromRange(MakeRange(bestTail, paragraph.length() - bestTail)));
    return out;
}

double engineNaturalWidth(const AttributedString& paragraph)
{
    ParagraphDocument document(true);
    const ParagraphSpan span { 0, paragraph.length(), 0 };
    document.replace(0, 0, paragraph, { span }, {});
    NoDelegate none;
    double width = 0;
    for (const Line& line : LayOutParagraph(*document.layout(0), paragraph, span, { engineUnlimitedWidth, 0, false }, 0, none))
        width = std::max(width, line.usedRect.width());
    return width;
}

bool engineTruncates(LineBreakMode mode)
{
    return mode == LineBreakByTruncatingHead || mode == LineBreakByTruncatingTail || mode == LineBreakByTruncatingMiddle;
}

} // namespace

AttributedString TruncateParagraph(const AttributedString& paragraph, double width, LineBreakMode mode)
{
    if (engineNaturalWidth(paragraph) <= width)
        return paragraph;
    return engineTruncated(paragraph, width, mode);
}

struct StringLayout::Impl {
    AttributedString text;
    double width = 0;
    ParagraphDocument document { true };
    std::vector<ParagraphSpan> spans;
    std::vector<std::vector<Line>> lines; // per paragraph, plus the extra line's paragraph
    std::vector<double> tops;
    std::optional<Line> extra;
    double extraTop = 0;
    double height = 0;
    double usedWidth = 0;
    // The last kept line, truncated, drawn in place of the original.
    std::unique_ptr<StringLayout> lastLine;
    std::size_t lastParagraph = 0;
    std::size_t lastLineIndex = 0;
};

StringLayout::StringLayout(const AttributedString& source, double width, double maxHeight, bool truncateLast)
    : d_(std::make_unique<Impl>())
{
    const bool finite = std::isfinite(width);
    // Truncating paragraphs become their cut form.
    AttributedString text = source;
    if (finite) {
        const auto spans = SplitParagraphs(text.string(), 0, text.length());
        for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
            const LineBreakMode mode = StyleIn(engineAttributesNear(text, it->start))->lineBreakMode();
            if (!engineTruncates(mode) || it->length == 0)
                continue;
            const AttributedString paragraph = text.attributedSubstringFromRange(MakeRange(it->start, it->length));
            if (engineNaturalWidth(paragraph) <= width)
                continue;
            text.replaceCharactersInRangeWithAttributedString(MakeRange(it->start, it->length), engineTruncated(paragraph, width, mode));
        }
    }
    d_->text = text;
    d_->spans = SplitParagraphs(text.string(), 0, text.length());
    d_->document.replace(0, 0, text, d_->spans, {});
    NoDelegate none;
    // Unwrapped text is aligned inside its widest line: measure first.
    std::vector<std::vector<Line>> unwrapped;
    d_->width = width;
    if (!finite) {
        d_->width = 0;
        for (std::size_t i = 0; i < d_->spans.size(); ++i) {
            unwrapped.push_back(LayOutParagraph(*d_->document.layout(int(i)), text, d_->spans[i], { engineUnlimitedWidth, 0, false }, 0, none));
            for (const Line& line : unwrapped.back())
                d_->width = std::max(d_->width, line.usedRect.width());
        }
    }
    double y = 0;
    bool full = false;
    for (std::size_t i = 0; i < d_->spans.size() && !full; ++i) {
        const Ref<ParagraphStyle> style = StyleIn(engineAttributesNear(text, d_->spans[i].start));
        const LineBreakMode mode = style->lineBreakMode();
        const bool wraps = finite && (mode == LineBreakByWordWrapping || mode == LineBreakByCharWrapping);
        const bool leftAligned = style->alignment() == LeftTextAlignment || style->alignment() == NaturalTextAlignment;
        std::vector<Line> lines = !finite && leftAligned
            ? std::move(unwrapped[i])
            : LayOutParagraph(*d_->document.layout(int(i)), text, d_->spans[i], { d_->width, 0, wraps }, 0, none);
        std::vector<Line> kept;
        for (const Line& line : lines) {
            if (y + line.lineRect.maxY() > maxHeight + 1e-6) {
                full = true;
                break;
            }
            kept.push_back(line);
        }
        d_->tops.push_back(y);
        if (!kept.empty())
            y += kept.back().lineRect.maxY();
        d_->lines.push_back(std::move(kept));
    }
    const bool endsWithTerminator = text.length() == 0 || IsParagraphTerminator(text.string().back());
    if (!full && endsWithTerminator) {
        const Line extra = ExtraLine(text, text.length(), { d_->width, 0, false });
        if (y + extra.lineRect.height() <= maxHeight + 1e-6) {
            d_->extra = extra;
            d_->extraTop = y;
            y += extra.lineRect.height();
        } else {
            full = true;
        }
    }
    d_->height = y;
    for (const auto& lines : d_->lines)
        for (const Line& line : lines)
            d_->usedWidth = std::max(d_->usedWidth, line.usedRect.width());
    if (full && truncateLast) {
        // The last kept line ends in "…".
        for (std::size_t p = d_->lines.size(); p-- > 0;) {
            if (d_->lines[p].empty())
                continue;
            const Line& line = d_->lines[p].back();
            int from = line.start, to = line.start + line.length;
            while (to > from && (text.string().at(to - 1).isSpace()))
                --to;
            while (from < to && text.string().at(from).isSpace())
                ++from;
            const AttributedString cut
                = engineTruncated(text.attributedSubstringFromRange(MakeRange(from, to - from)), d_->width, LineBreakByTruncatingTail);
            d_->lastLine = std::make_unique<StringLayout>(cut, finite ? width : d_->width);
            d_->lastParagraph = p;
            d_->lastLineIndex = d_->lines[p].size() - 1;
            break;
        }
    }
}

StringLayout::~StringLayout() = default;

Size StringLayout::size() const { return { d_->usedWidth, d_->height }; }

int StringLayout::lineCount() const
{
    int n = d_->extra ? 1 : 0;
    for (const auto& lines : d_->lines)
        n += int(lines.size());
    return n;
}

QStringList StringLayout::lineTexts() const
{
    QStringList out;
    for (std::size_t p = 0; p < d_->lines.size(); ++p) {
        for (std::size_t l = 0; l < d_->lines[p].size(); ++l) {
            if (d_->lastLine && p == d_->lastParagraph && l == d_->lastLineIndex) {
                out << d_->lastLine->lineTexts().value(0);
                continue;
            }
            const Line& line = d_->lines[p][l];
            QString s = d_->text.string().mid(line.start, line.length);
            while (!s.isEmpty() && (IsParagraphTerminator(s.back()) || s.back() == engineLineSeparator))
                s.chop(1);
            out << s;
        }
    }
    if (d_->extra)
        out << QString();
    return out;
}

double StringLayout::firstBaseline() const
{
    if (d_->lines.empty() || d_->lines[0].empty())
        return 0;
    const Line& line = d_->lines[0][0];
    return d_->tops[0] + line.lineRect.minY() + line.baseline;
}

double StringLayout::firstLineX() const
{
    if (d_->lines.empty() || d_->lines[0].empty())
        return 0;
    return CursorX(*d_->document.layout(0), d_->lines[0][0], d_->spans[0].start, d_->spans[0].start, 0);
}

void StringLayout::draw(Rect rect, bool clip) const
{
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    if (clip)
        context->clipToRect(rect);
    const QTransform toUser = context->uprightTransform(rect);
    DrawStyle style;
    style.originX = rect.minX();
    for (std::size_t p = 0; p < d_->lines.size(); ++p) {
        std::vector<Line> lines = d_->lines[p];
        const bool replaced = d_->lastLine && p == d_->lastParagraph;
        if (replaced)
            lines.pop_back();
        const DrawParagraph paragraph { d_->document.layout(int(p)), &lines, d_->spans[p], rect.minY() + d_->tops[p] };
        const Range all = MakeRange(0, d_->text.length());
        DrawBackgrounds(*context, toUser, d_->text, paragraph, style, all);
        DrawText(*context, toUser, d_->text, paragraph, style, all);
        if (replaced) {
            const Line& line = d_->lines[p][d_->lastLineIndex];
            const double top = rect.minY() + d_->tops[p] + line.lineRect.minY();
            // The rectangle's visual top is minY in the upright space the transform gives.
            context->restoreGraphicsState();
            context->saveGraphicsState();
            if (clip)
                context->clipToRect(rect);
            const Rect lineBox = context->userSpaceRunsDown() ? MakeRect(rect.minX(), top, rect.width(), line.lineRect.height())
                                                              : MakeRect(rect.minX(), rect.maxY() - (top - rect.minY()) - line.lineRect.height(), rect.width(), line.lineRect.height());
            d_->lastLine->draw(lineBox, false);
        }
    }
    context->restoreGraphicsState();
}

} // namespace kit::textlayout
