#pragma once

// The one line layouter behind string drawing, attributed-string drawing, cell sizing and the
// text system's layout manager. Qt only breaks, shapes and maps: each paragraph is a block of a
// private QTextDocument (so inline objects get their width and tab stops are not scaled by the
// font DPI), and our line loop places every line. Indents and tab stops share one origin: the
// container's edge plus the line fragment padding. Internal to the kit.

#include "kit/core/Geometry.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/ParagraphStyle.h"

#include <QColor>
#include <QTextOption>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QTextDocument;
class QTextLayout;
class QTextLine;
class QTransform;

namespace kit {

class Font;
class GraphicsContext;

namespace textlayout {

// A paragraph ends at "\n", "\r", "\r\n", U+0085 or U+2029; U+2028 only breaks a line inside it.
struct ParagraphSpan {
    int start = 0;
    int length = 0; // without the terminator
    int terminator = 0;
    int end() const { return start + length + terminator; }
};
bool IsParagraphTerminator(QChar c);
// The paragraphs of text[from, to): `from` starts a paragraph; the last one ends at the first
// terminator at or after `to` (or the text's end). An empty text has none.
std::vector<ParagraphSpan> SplitParagraphs(const QString& text, int from, int to);
// The start of the paragraph holding `index`.
int ParagraphStartBefore(const QString& text, int index);

// One line: its characters, its Qt line and its metrics, placed relative to its paragraph's top
// (x from the container's left edge).
struct Line {
    int start = 0; // storage index
    int length = 0;
    int qtLine = -1;
    double indent = 0; // the Qt line's x from the padding origin
    double ascent = 0;
    double descent = 0;
    double leading = 0;
    double textHeight = 0; // the line's height from its text alone (what inline objects are offered)
    Rect lineRect;
    Rect usedRect;
    double baseline = 0; // from lineRect's top
    // Qt counts tab stops from each line's start, and its layout keeps one option: a line whose
    // indent differs from the first line's carries its own (stops shifted by its indent), as does
    // one with tabs past the last stop (a stop of its own for each).
    std::shared_ptr<const QTextOption> option;
};

// What the caller decides about inline objects (U+FFFC with an attachment) and each line.
class LayoutDelegate {
public:
    virtual ~LayoutDelegate() = default;
    // The width U+FFFC at `index` reserves (it is one glyph); 0 when it carries no attachment.
    virtual double inlineObjectWidth(int index)
    {
        (void)index;
        return 0;
    }
    // The object's frame relative to the glyph position on the baseline, y up; `proposed` is the
    // line before the object's own height.
    virtual Rect inlineObjectFrame(int index, Rect proposed, Point glyphPosition)
    {
        (void)index, (void)proposed, (void)glyphPosition;
        return {};
    }
    // The line hook, in container coordinates.
    virtual void willSetLineFragment(Rect& lineRect, Range glyphs, Rect& usedRect, double& baseline)
    {
        (void)lineRect, (void)glyphs, (void)usedRect, (void)baseline;
    }
};

// The layout geometry of one paragraph.
struct ParagraphGeometry {
    double containerWidth = 0;
    double padding = 0;
    bool wraps = true; // false: one line per U+2028-separated line, never wrapped
};

// The paragraphs of one text as blocks of a private document, rebuilt paragraph by paragraph.
class ParagraphDocument {
public:
    // One-shot documents may hold plain layouts when no paragraph has a tab or an object: nothing
    // then depends on a document, and making one is most of the cost of drawing a short string.
    explicit ParagraphDocument(bool oneShot = false);
    ~ParagraphDocument();
    ParagraphDocument(const ParagraphDocument&) = delete;
    ParagraphDocument& operator=(const ParagraphDocument&) = delete;

    int count() const { return count_; }
    // Replaces blocks [first, first + removed) with blocks for `spans` of `text`; `objectWidth`
    // gives each U+FFFC its width.
    void replace(int first, int removed, const AttributedString& text, const std::vector<ParagraphSpan>& spans,
        const std::function<double(int)>& objectWidth);
    // Inside block `paragraph`: replaces its characters [from, from + removed) with text[at, at +
    // inserted), the rest keeping its formats. For an edit that leaves the block's first character
    // and its terminator alone, such as a keystroke.
    void replaceInside(int paragraph, int from, int removed, const AttributedString& text, int at, int inserted,
        const std::function<double(int)>& objectWidth);
    QTextLayout* layout(int paragraph) const;

private:
    class ObjectLayout;
    QTextDocument& document();
    bool oneShot_ = false;
    std::unique_ptr<QTextDocument> document_;
    ObjectLayout* objectLayout_ = nullptr;
    std::vector<std::unique_ptr<QTextLayout>> plain_;
    int count_ = 0;
};

// Breaks paragraph `span` of `text` (laid out in `layout`) into lines, stacked from y = 0, without
// the line hook.
std::vector<Line> BreakParagraph(QTextLayout& layout, const AttributedString& text, const ParagraphSpan& span,
    const ParagraphGeometry& geometry, double top, LayoutDelegate& delegate);
// Places broken lines from `top` (container coordinates), calling the hook once per line in order:
// each line starts at the previous one's lineRect.maxY. Answers them relative to `top`.
std::vector<Line> PlaceLines(const std::vector<Line>& broken, double top, LayoutDelegate& delegate);
// Both.
std::vector<Line> LayOutParagraph(QTextLayout& layout, const AttributedString& text, const ParagraphSpan& span,
    const ParagraphGeometry& geometry, double top, LayoutDelegate& delegate);
// The extra line after a final terminator or in empty text: metrics of the attributes at `index`.
Line ExtraLine(const AttributedString& text, int index, const ParagraphGeometry& geometry);

// x of the caret before storage index `index` on `line` (container coordinates, before the
// line's own shift), and the storage index under/nearest to `x`.
double CursorX(QTextLayout& layout, const Line& line, int paragraphStart, int index, double padding);
int IndexAtX(QTextLayout& layout, const Line& line, int paragraphStart, double x, double padding, bool onCharacter);

// The resolved attributes the layouter reads.
Ref<Font> FontIn(const Dictionary& attributes);
Ref<ParagraphStyle> StyleIn(const Dictionary& attributes);

// Everything a draw call needs of one paragraph's lines.
struct DrawParagraph {
    QTextLayout* layout = nullptr;
    const std::vector<Line>* lines = nullptr;
    ParagraphSpan span;
    double top = 0; // the paragraph's top in the local y-down space
};
struct DrawStyle {
    double originX = 0; // container origin in the local space
    double padding = 0;
    // Extra colours over the text (temporary attributes): foreground and background by index.
    std::function<QColor(int index, bool background)> overlay;
    // Called for every U+FFFC with an attachment: the glyph box in local coordinates.
    std::function<void(int index, Rect box, double baselineY)> inlineObject;
};
// Background colours (run and overlay) of the lines, in the local space mapped by `toUser`.
void DrawBackgrounds(GraphicsContext& context, const QTransform& toUser, const AttributedString& text, const DrawParagraph& paragraph,
    const DrawStyle& style, Range limit);
// Text, underlines and inline-object callbacks.
void DrawText(GraphicsContext& context, const QTransform& toUser, const AttributedString& text, const DrawParagraph& paragraph,
    const DrawStyle& style, Range limit);

// `paragraph` (no terminators) cut on cluster boundaries to fit `width` with "…" at its head,
// middle or tail (per `mode`); unchanged when it fits.
AttributedString TruncateParagraph(const AttributedString& paragraph, double width, LineBreakMode mode);

// One-shot layout of a whole attributed string for string drawing and cells: wrapped to `width`
// (infinite: no wrapping), truncating modes cut to one line ending in "…", lines below
// `maxHeight` dropped (the last kept one truncated when `truncateLast`).
class StringLayout {
public:
    StringLayout(const AttributedString& text, double width, double maxHeight = 1e9, bool truncateLast = false);
    ~StringLayout();
    StringLayout(const StringLayout&) = delete;
    StringLayout& operator=(const StringLayout&) = delete;

    // Widest used width and the sum of the line heights.
    Size size() const;
    int lineCount() const;
    // The text of each line (terminators and separators dropped), for tests.
    QStringList lineTexts() const;
    // Draws from `rect`'s visual top, lines aligned inside its width.
    void draw(Rect rect, bool clip) const;
    // The first line's baseline below the layout's top, and its start x (0 when empty).
    double firstBaseline() const;
    double firstLineX() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace textlayout

} // namespace kit
