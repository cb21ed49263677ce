#include "kit/text/LayoutManager.h"

#include "kit/appkit/View.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/text/LayoutState.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextLayoutClient.h"
#include "kit/text/TextStorage.h"
#include "kit/text/Typesetter.h"

#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <optional>
#include <cmath>

namespace kit {

using textlayout::Line;
using textlayout::ParagraphEntry;

KIT_REGISTER_CLASS(LayoutManager, Object) { }

namespace {

// A caller's range clamped to [0, length], never forming location + length (it overflows for
// locations like NotFound).
Range layoutManagerClamped(Range r, std::int64_t length)
{
    const std::int64_t from = std::clamp<std::int64_t>(r.location, 0, length);
    const std::int64_t to = r.location < 0 ? std::clamp<std::int64_t>(r.location + std::max<std::int64_t>(r.length, 0), from, length)
                                           : from + std::clamp<std::int64_t>(r.length, 0, length - from);
    return MakeRange(from, to - from);
}

} // namespace

LayoutManager::LayoutManager()
    : typesetter_(make<Typesetter>())
    , state_(std::make_unique<textlayout::LayoutState>(*this))
{
    typesetter_->setLayoutManager(this);
}

LayoutManager::~LayoutManager() = default;

textlayout::LayoutState& LayoutManager::state() { return *state_; }

// --- The network.

Ref<TextStorage> LayoutManager::textStorage() const { return storage_.lock(); }

void LayoutManager::setTextStorage(TextStorage* storage)
{
    storage_ = storage;
    state_->built = false;
    state_->paragraphs.clear();
    if (TextLayoutClient* client = firstTextViewClient()) {
        client->textLayoutNeedsDisplayInRect(MakeRect(0, 0, 1e7, 1e7));
        client->textLayoutDidInvalidate();
    }
}

void LayoutManager::replaceTextStorage(const Ref<TextStorage>& storage)
{
    const Ref<TextStorage> old = textStorage();
    if (!storage || storage == old)
        return;
    const Ref<LayoutManager> keep(this);
    const std::vector<Ref<LayoutManager>> managers = old ? old->layoutManagers() : std::vector<Ref<LayoutManager>> { keep };
    for (const Ref<LayoutManager>& manager : managers) {
        if (old)
            old->removeLayoutManager(manager);
        storage->addLayoutManager(manager);
    }
    for (const Ref<LayoutManager>& manager : managers)
        for (const Ref<TextContainer>& container : manager->textContainers())
            if (TextLayoutClient* client = container->textViewClient())
                client->textLayoutDidReplaceTextStorage(*storage);
}

void LayoutManager::addTextContainer(const Ref<TextContainer>& container)
{
    if (!container)
        return;
    containers_.push_back(container);
    container->setLayoutManager(this);
    if (containers_.size() == 1)
        state_->invalidateAll();
}

void LayoutManager::removeTextContainerAtIndex(std::size_t index)
{
    if (index >= containers_.size())
        return;
    const Ref<TextContainer> container = containers_[index];
    containers_.erase(containers_.begin() + std::ptrdiff_t(index));
    container->setLayoutManager(nullptr);
    if (index == 0)
        state_->invalidateAll();
}

TextLayoutClient* LayoutManager::firstTextViewClient() const { return containers_.empty() ? nullptr : containers_.front()->textViewClient(); }

void LayoutManager::setTypesetter(Ref<Typesetter> typesetter)
{
    typesetter_ = typesetter ? std::move(typesetter) : make<Typesetter>();
    typesetter_->setLayoutManager(this);
    state_->invalidateAll();
}

void LayoutManager::textStorageEditedRangeChangeInLengthInvalidatedRange(
    TextStorage*, unsigned, Range newCharacterRange, std::int64_t changeInLength, Range invalidatedCharacterRange)
{
    const Range changed = invalidatedCharacterRange.location == NotFound ? newCharacterRange
                                                                          : UnionRange(newCharacterRange, invalidatedCharacterRange);
    state_->applyEdit(changed, changeInLength);
}

void LayoutManager::textContainerChangedGeometry(TextContainer* container)
{
    if (!containers_.empty() && containers_.front().get() == container)
        state_->invalidateAll();
}

bool LayoutManager::isLayingOut() const { return state_->layingOut; }

std::int64_t LayoutManager::lineHookCallCount() const { return state_->hookCalls; }

void LayoutManager::resetLineHookCallCount() { state_->hookCalls = 0; }

// --- Glyphs and characters.

std::int64_t LayoutManager::numberOfGlyphs() const
{
    const Ref<TextStorage> storage = textStorage();
    return storage ? storage->length() : 0;
}

std::int64_t LayoutManager::clusterBoundaryBefore(std::int64_t index)
{
    auto& s = *state_;
    if (!s.storage() || index <= 0)
        return 0;
    if (!s.built)
        s.rebuild();
    const int p = s.paragraphAt(index);
    if (p < 0)
        return index;
    const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
    if (index > e.span.start + e.span.length)
        return e.span.start + e.span.length; // inside a "\r\n"
    QTextLayout* layout = s.document.layout(p);
    const int local = int(index - e.span.start);
    if (layout->isValidCursorPosition(local))
        return index;
    return e.span.start + layout->previousCursorPosition(local);
}

std::int64_t LayoutManager::clusterBoundaryAfter(std::int64_t index)
{
    auto& s = *state_;
    const std::int64_t length = numberOfGlyphs();
    if (!s.storage() || index >= length)
        return length;
    if (!s.built)
        s.rebuild();
    const int p = s.paragraphAt(index);
    if (p < 0)
        return length;
    const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
    if (index >= e.span.start + e.span.length)
        return e.span.end(); // the terminator is one unit
    return e.span.start + s.document.layout(p)->nextCursorPosition(int(index - e.span.start));
}

Range LayoutManager::glyphRangeForCharacterRangeActualCharacterRange(Range characters, Range* actual)
{
    const Range clamped = layoutManagerClamped(characters, numberOfGlyphs());
    const std::int64_t from = clamped.location, to = MaxRange(clamped);
    const std::int64_t a = clusterBoundaryBefore(from);
    std::int64_t b = to;
    if (b > a && clusterBoundaryBefore(b) != b)
        b = clusterBoundaryAfter(b);
    const Range r = MakeRange(a, b - a);
    if (actual)
        *actual = r;
    return r;
}

Range LayoutManager::characterRangeForGlyphRangeActualGlyphRange(Range glyphs, Range* actual)
{
    return glyphRangeForCharacterRangeActualCharacterRange(glyphs, actual);
}

// --- Layout queries.

Range LayoutManager::glyphRangeForTextContainer(TextContainer* container)
{
    if (containers_.empty() || containers_.front().get() != container)
        return MakeRange(0, 0);
    state_->ensureAll();
    return MakeRange(0, numberOfGlyphs());
}

Rect LayoutManager::usedRectForTextContainer(TextContainer* container)
{
    auto& s = *state_;
    if (containers_.empty() || containers_.front().get() != container || !s.ready())
        return ZeroRect;
    s.ensureAll();
    double maxX = 0;
    for (const ParagraphEntry& e : s.paragraphs)
        maxX = std::max(maxX, e.maxUsedX);
    double height = s.totalHeight();
    if (s.hasExtraLine()) {
        const Line extra = s.extraLine();
        height = extra.usedRect.maxY();
        maxX = std::max(maxX, extra.usedRect.maxX());
    } else if (!s.paragraphs.empty()) {
        // The last line's paragraph spacing is not used.
        const ParagraphEntry& last = s.paragraphs.back();
        height = s.top(int(s.paragraphs.size()) - 1) + last.lines.back().usedRect.maxY();
    }
    return MakeRect(0, 0, maxX, height);
}

namespace {

struct LayoutManagerLineRef {
    int paragraph = -1;
    int line = -1;
};

} // namespace

namespace {

// The placed line holding `glyph` and its paragraph's top, or null.
const Line* layoutManagerLineOf(textlayout::LayoutState& s, std::int64_t glyph, std::int64_t length, double* top)
{
    if (!s.ready() || glyph < 0 || glyph >= length)
        return nullptr;
    const int p = s.paragraphAt(glyph);
    s.ensurePlaced(p);
    const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
    *top = s.top(p);
    return &e.lines[std::size_t(s.lineAt(e, glyph))];
}

} // namespace

Rect LayoutManager::lineFragmentRectForGlyphAtIndexEffectiveRange(std::int64_t glyph, Range* effective)
{
    double top = 0;
    const Line* line = layoutManagerLineOf(*state_, glyph, numberOfGlyphs(), &top);
    if (effective)
        *effective = line ? MakeRange(line->start, line->length) : MakeRange(NotFound, 0);
    return line ? OffsetRect(line->lineRect, 0, top) : ZeroRect;
}

Rect LayoutManager::lineFragmentUsedRectForGlyphAtIndexEffectiveRange(std::int64_t glyph, Range* effective)
{
    double top = 0;
    const Line* line = layoutManagerLineOf(*state_, glyph, numberOfGlyphs(), &top);
    if (effective)
        *effective = line ? MakeRange(line->start, line->length) : MakeRange(NotFound, 0);
    return line ? OffsetRect(line->usedRect, 0, top) : ZeroRect;
}

Point LayoutManager::locationForGlyphAtIndex(std::int64_t glyph)
{
    auto& s = *state_;
    if (!s.ready() || glyph < 0 || glyph >= numberOfGlyphs())
        return { 0, 0 };
    const int p = s.paragraphAt(glyph);
    s.ensurePlaced(p);
    const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
    const Line& line = e.lines[std::size_t(s.lineAt(e, glyph))];
    const double x = textlayout::CursorX(*s.document.layout(p), line, e.span.start, int(glyph), s.geometry().padding);
    return { x - line.lineRect.minX(), line.baseline };
}

Rect LayoutManager::extraLineFragmentRect()
{
    auto& s = *state_;
    if (!s.ready() || !s.hasExtraLine())
        return ZeroRect;
    s.ensureAll();
    return s.extraLine().lineRect;
}

Rect LayoutManager::extraLineFragmentUsedRect()
{
    auto& s = *state_;
    if (!s.ready() || !s.hasExtraLine())
        return ZeroRect;
    s.ensureAll();
    return s.extraLine().usedRect;
}

TextContainer* LayoutManager::extraLineFragmentTextContainer()
{
    return state_->ready() && state_->hasExtraLine() ? containers_.front().get() : nullptr;
}

namespace {

// The box of characters [from, to) on one line: x from the caret before the first to the caret
// after the last, the line's used height; breaks are zero wide.
Rect layoutManagerBox(textlayout::LayoutState& s, int p, const Line& line, std::int64_t from, std::int64_t to)
{
    const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
    QTextLayout& layout = *s.document.layout(p);
    const double padding = s.geometry().padding;
    const int textEnd = e.span.start + e.span.length;
    const std::int64_t a = std::min<std::int64_t>(from, textEnd);
    std::int64_t b = std::min<std::int64_t>(to, textEnd);
    const QString& text = s.storage()->string();
    if (b == a + 1 && text.at(int(a)) == QChar(0x2028))
        b = a;
    // A glyph inside a cluster takes the whole cluster.
    const int localA = int(a - e.span.start), localB = int(b - e.span.start);
    const int clusterA = layout.isValidCursorPosition(localA) ? localA : layout.previousCursorPosition(localA);
    const int clusterB = (localB == localA || layout.isValidCursorPosition(localB)) ? localB : layout.nextCursorPosition(localB);
    const double x0 = textlayout::CursorX(layout, line, e.span.start, e.span.start + clusterA, padding);
    const double x1 = textlayout::CursorX(layout, line, e.span.start, e.span.start + clusterB, padding);
    const double top = s.top(p);
    return MakeRect(std::min(x0, x1), top + line.usedRect.minY(), std::abs(x1 - x0), line.usedRect.height());
}

// Calls `visit(paragraph, line)` for every line meeting glyphs [from, to).
template <class Visit> void layoutManagerForEachLine(textlayout::LayoutState& s, std::int64_t from, std::int64_t to, const Visit& visit)
{
    const int first = std::max(0, s.paragraphAt(from));
    int last = s.paragraphAt(std::max<std::int64_t>(from, to - 1));
    if (last < 0)
        last = int(s.paragraphs.size()) - 1;
    s.ensurePlaced(last);
    for (int p = first; p <= last; ++p) {
        const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
        for (const Line& line : e.lines) {
            if (line.start + line.length <= from && !(line.length == 0 && line.start == from))
                continue;
            if (line.start >= to && !(from == to && line.start == from))
                break;
            if (!visit(p, line))
                return;
        }
    }
}

} // namespace

Rect LayoutManager::boundingRectForGlyphRangeInTextContainer(Range glyphs, TextContainer* container)
{
    auto& s = *state_;
    if (containers_.empty() || containers_.front().get() != container || !s.ready() || s.paragraphs.empty())
        return ZeroRect;
    const Range clamped = layoutManagerClamped(glyphs, numberOfGlyphs());
    const std::int64_t from = clamped.location, to = MaxRange(clamped);
    std::optional<Rect> result;
    layoutManagerForEachLine(s, from, std::max(to, from + 1), [&](int p, const Line& line) {
        const Rect box = layoutManagerBox(s, p, line, std::max<std::int64_t>(from, line.start),
            std::min<std::int64_t>(std::max(to, from + 1), line.start + line.length));
        result = result ? (IsEmptyRect(box) ? *result : IsEmptyRect(*result) ? box : UnionRect(*result, box)) : box;
        return true;
    });
    return result.value_or(ZeroRect);
}

void LayoutManager::enumerateEnclosingRectsForGlyphRangeWithinSelectedGlyphRangeInTextContainer(
    Range glyphs, Range, TextContainer* container, const std::function<void(Rect rect, bool& stop)>& block)
{
    auto& s = *state_;
    if (containers_.empty() || containers_.front().get() != container || !s.ready() || s.paragraphs.empty())
        return;
    const Range clamped = layoutManagerClamped(glyphs, numberOfGlyphs());
    const std::int64_t from = clamped.location, to = MaxRange(clamped);
    if (from == to)
        return;
    const textlayout::ParagraphGeometry g = s.geometry();
    layoutManagerForEachLine(s, from, to, [&](int p, const Line& line) {
        const std::int64_t lineEnd = line.start + line.length;
        Rect box = layoutManagerBox(s, p, line, std::max<std::int64_t>(from, line.start), std::min<std::int64_t>(to, lineEnd));
        // A range going on past the line reaches the container's right edge.
        if (to > lineEnd || (to == lineEnd && line.length > 0 && textlayout::IsParagraphTerminator(s.storage()->string().at(int(lineEnd - 1)))))
            box.size.width = std::max(box.size.width, g.containerWidth - g.padding - box.minX());
        const double top = s.top(p);
        box.origin.y = top + line.lineRect.minY();
        box.size.height = line.usedRect.maxY() - line.lineRect.minY();
        bool stop = false;
        block(box, stop);
        return !stop;
    });
}

std::vector<Rect> LayoutManager::rectsForGlyphRange(Range glyphs, TextContainer* container)
{
    std::vector<Rect> rects;
    enumerateEnclosingRectsForGlyphRangeWithinSelectedGlyphRangeInTextContainer(
        glyphs, MakeRange(NotFound, 0), container, [&](Rect r, bool&) { rects.push_back(r); });
    return rects;
}

namespace {

// The line at container y (clamped to the first and last line), or the extra line (-1, -1).
LayoutManagerLineRef layoutManagerLineAtY(textlayout::LayoutState& s, double y)
{
    s.ensureForY(y);
    if (s.paragraphs.empty())
        return {};
    if (s.hasExtraLine() && y >= s.totalHeight()) {
        s.ensureAll();
        if (y >= s.totalHeight())
            return {};
    }
    int p = s.heights.indexAtOffset(y);
    s.ensurePlaced(p);
    const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
    const double local = y - s.top(p);
    auto it = std::upper_bound(e.lines.begin(), e.lines.end(), local, [](double v, const Line& l) { return v < l.lineRect.minY(); });
    const int line = it == e.lines.begin() ? 0 : int(it - e.lines.begin()) - 1;
    return { p, line };
}

// The last index a caret or glyph may take on `line`: before its terminator and a final U+2028.
std::int64_t layoutManagerLineTextEnd(const QString& text, const Line& line)
{
    std::int64_t end = line.start + line.length;
    while (end > line.start && (textlayout::IsParagraphTerminator(text.at(int(end - 1)))))
        --end;
    if (end > line.start && text.at(int(end - 1)) == QChar(0x2028))
        --end;
    return end;
}

// The line at container y as above, the extra line taken as the last line of the text.
const Line& layoutManagerTextLineAtY(textlayout::LayoutState& s, double y)
{
    LayoutManagerLineRef ref = layoutManagerLineAtY(s, y);
    if (ref.paragraph < 0) {
        ref.paragraph = int(s.paragraphs.size()) - 1;
        s.ensurePlaced(ref.paragraph);
        ref.line = int(s.paragraphs.back().lines.size()) - 1;
    }
    return s.paragraphs[std::size_t(ref.paragraph)].lines[std::size_t(ref.line)];
}

} // namespace

// The lines crossing the rect, not their whole paragraphs: a keystroke in a long paragraph repaints
// the lines it changed alone. A line that only touches an edge has no pixel inside.
Range LayoutManager::glyphRangeForBoundingRectInTextContainer(Rect rect, TextContainer* container)
{
    auto& s = *state_;
    if (containers_.empty() || containers_.front().get() != container || !s.ready() || s.paragraphs.empty())
        return MakeRange(0, 0);
    constexpr double touch = 1e-6;
    const bool tall = rect.height() > 2 * touch;
    const std::int64_t from = layoutManagerTextLineAtY(s, tall ? rect.minY() + touch : rect.minY()).start;
    const Line& last = layoutManagerTextLineAtY(s, tall ? rect.maxY() - touch : rect.minY());
    const std::int64_t to = std::max<std::int64_t>(from, last.start + last.length);
    return MakeRange(from, to - from);
}

std::int64_t LayoutManager::glyphIndexForPointInTextContainer(Point point, TextContainer* container)
{
    return glyphIndexForPointInTextContainerFractionOfDistanceThroughGlyph(point, container, nullptr);
}

std::int64_t LayoutManager::glyphIndexForPointInTextContainerFractionOfDistanceThroughGlyph(Point point, TextContainer* container, double* fraction)
{
    auto& s = *state_;
    if (fraction)
        *fraction = 0;
    if (containers_.empty() || containers_.front().get() != container || !s.ready())
        return 0;
    LayoutManagerLineRef ref = layoutManagerLineAtY(s, point.y);
    if (ref.paragraph < 0) {
        // Below the text: its last line.
        if (s.paragraphs.empty())
            return 0;
        ref.paragraph = int(s.paragraphs.size()) - 1;
        ref.line = int(s.paragraphs.back().lines.size()) - 1;
    }
    const ParagraphEntry& e = s.paragraphs[std::size_t(ref.paragraph)];
    const Line& line = e.lines[std::size_t(ref.line)];
    QTextLayout& layout = *s.document.layout(ref.paragraph);
    const double padding = s.geometry().padding;
    const std::int64_t textEnd = layoutManagerLineTextEnd(s.storage()->string(), line);
    if (textEnd <= line.start)
        return line.start;
    std::int64_t index = textlayout::IndexAtX(layout, line, e.span.start, point.x, padding, true);
    index = std::clamp<std::int64_t>(index, line.start, textEnd - 1);
    index = clusterBoundaryBefore(index);
    if (fraction) {
        const double x0 = textlayout::CursorX(layout, line, e.span.start, int(index), padding);
        const double x1 = textlayout::CursorX(layout, line, e.span.start, int(clusterBoundaryAfter(index)), padding);
        *fraction = x1 > x0 ? std::clamp((point.x - x0) / (x1 - x0), 0.0, 1.0) : 0.0;
    }
    return index;
}

std::int64_t LayoutManager::characterIndexForInsertionAtPoint(Point point)
{
    auto& s = *state_;
    if (!s.ready())
        return 0;
    const LayoutManagerLineRef ref = layoutManagerLineAtY(s, point.y);
    if (ref.paragraph < 0)
        return numberOfGlyphs();
    const ParagraphEntry& e = s.paragraphs[std::size_t(ref.paragraph)];
    const Line& line = e.lines[std::size_t(ref.line)];
    const std::int64_t textEnd = layoutManagerLineTextEnd(s.storage()->string(), line);
    const std::int64_t index = textlayout::IndexAtX(*s.document.layout(ref.paragraph), line, e.span.start, point.x, s.geometry().padding, false);
    return clusterBoundaryBefore(std::clamp<std::int64_t>(index, line.start, textEnd));
}

Rect LayoutManager::insertionPointRectForCharacterIndex(std::int64_t index)
{
    auto& s = *state_;
    if (!s.ready())
        return ZeroRect;
    const std::int64_t length = numberOfGlyphs();
    index = std::clamp<std::int64_t>(index, 0, length);
    const int p = s.paragraphAt(index);
    if (p < 0 || s.paragraphs.empty()) {
        s.ensureAll();
        const Line extra = s.extraLine();
        return MakeRect(extra.usedRect.minX(), extra.lineRect.minY(), 1, extra.usedRect.height());
    }
    s.ensurePlaced(p);
    const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
    int li = s.lineAt(e, index);
    // A caret after a U+2028 sits on the next line; one at a wrapped line's end stays on it.
    const Line& line = e.lines[std::size_t(li)];
    const double x = textlayout::CursorX(*s.document.layout(p), line, e.span.start, int(index), s.geometry().padding);
    return MakeRect(x, s.top(p) + line.usedRect.minY(), 1, line.usedRect.height());
}

// --- Invalidation.

void LayoutManager::invalidateLayoutForCharacterRange(Range characters)
{
    const Range clamped = layoutManagerClamped(characters, numberOfGlyphs());
    const std::int64_t from = clamped.location, to = MaxRange(clamped);
    state_->invalidateCharacters(MakeRange(from, to - from));
}

void LayoutManager::invalidateDisplayForCharacterRange(Range characters)
{
    TextLayoutClient* client = firstTextViewClient();
    if (!client || !state_->ready())
        return;
    for (const Rect& r : rectsForGlyphRange(characters, containers_.front().get()))
        client->textLayoutNeedsDisplayInRect(r);
}

void LayoutManager::ensureLayoutForTextContainer(TextContainer* container)
{
    if (!containers_.empty() && containers_.front().get() == container)
        state_->ensureAll();
}

void LayoutManager::ensureLayoutForCharacterRange(Range characters)
{
    auto& s = *state_;
    if (!s.ready())
        return;
    const int p = s.paragraphAt(MaxRange(layoutManagerClamped(characters, numberOfGlyphs())));
    s.ensurePlaced(p < 0 ? int(s.paragraphs.size()) - 1 : p);
}

std::int64_t LayoutManager::numberOfLineFragments()
{
    auto& s = *state_;
    if (!s.ready())
        return 0;
    std::int64_t n = 0;
    for (const ParagraphEntry& e : s.paragraphs)
        if (e.placed)
            n += std::int64_t(e.lines.size());
    return n;
}

// --- Temporary attributes.

void LayoutManager::addTemporaryAttributeValueForCharacterRange(const QString& name, const Value& value, Range characters)
{
    auto& s = *state_;
    if (!s.ready())
        return;
    s.temporary.addAttributeValueRange(name, value, characters);
    invalidateDisplayForCharacterRange(characters);
}

void LayoutManager::removeTemporaryAttributeForCharacterRange(const QString& name, Range characters)
{
    auto& s = *state_;
    if (!s.ready())
        return;
    s.temporary.removeAttributeRange(name, characters);
    invalidateDisplayForCharacterRange(characters);
}

Value LayoutManager::temporaryAttributeAtCharacterIndex(const QString& name, std::int64_t index)
{
    auto& s = *state_;
    if (!s.ready() || index < 0 || index >= s.temporary.length())
        return {};
    return s.temporary.attributeAtIndexEffectiveRange(name, index);
}

// --- Drawing.

namespace {

// What both drawing hooks start from: where lines begin, and the temporary colours over the runs.
textlayout::DrawStyle layoutManagerDrawStyle(textlayout::LayoutState& s, Point origin, double padding)
{
    textlayout::DrawStyle style;
    style.originX = origin.x;
    style.padding = padding;
    // Asked per character while drawing: left out while no temporary attribute is set at all.
    const auto& runs = s.temporary.runs();
    if (std::all_of(runs.begin(), runs.end(), [](const AttributedString::Run& run) { return run.attributes.count() == 0; }))
        return style;
    style.overlay = [&s](int index, bool background) {
        const Value v = s.temporary.attributeAtIndexEffectiveRange(background ? BackgroundColorAttributeName : ForegroundColorAttributeName, index);
        const Ref<Color> c = v.objectAs<Color>();
        return c ? c->toQColor() : QColor();
    };
    return style;
}

// Runs `draw()` for one line, clipped to the container's width when its paragraph clips
// (unwrapped text that runs past the container's edge is cut there).
template <class Draw>
void layoutManagerDrawLine(GraphicsContext& context, const QTransform& toUser, const TextStorage& text, const ParagraphEntry& entry, const Line& line,
    Rect lineArea, const Draw& draw)
{
    const bool clips = text.length() > 0
        && textlayout::StyleIn(text.attributesAtIndexEffectiveRange(std::min<std::int64_t>(entry.span.start, text.length() - 1)))->lineBreakMode()
            == LineBreakByClipping;
    if (!clips) {
        draw();
        return;
    }
    context.saveGraphicsState();
    QPainterPath path;
    path.addRect(QRectF(lineArea.minX(), lineArea.minY() + line.lineRect.minY(), lineArea.width(), line.lineRect.height()));
    context.clipToPath(toUser.map(path));
    draw();
    context.restoreGraphicsState();
}

// Runs `draw(context, toUser)` in the current context, or in one made from the view painter
// (text views are flipped).
template <class Draw> void layoutManagerInContext(Rect area, const Draw& draw)
{
    GraphicsContext* context = GraphicsContext::currentContext();
    if (context) {
        draw(*context, context->uprightTransform(area));
        return;
    }
    QPainter* painter = View::currentPainter();
    if (!painter)
        return;
    const Ref<GraphicsContext> made = GraphicsContext::graphicsContextWithPainter(painter, true);
    GraphicsContext::Scope scope(made);
    draw(*made, made->uprightTransform(area));
}

} // namespace

void LayoutManager::drawBackgroundForGlyphRangeAtPoint(Range requested, Point origin)
{
    auto& s = *state_;
    if (!s.ready() || s.paragraphs.empty())
        return;
    const Range glyphs = layoutManagerClamped(requested, numberOfGlyphs());
    const textlayout::ParagraphGeometry g = s.geometry();
    const Rect area = MakeRect(origin.x, origin.y, g.containerWidth, s.totalHeight());
    TextStorage& text = *s.storage();
    layoutManagerInContext(area, [&](GraphicsContext& context, const QTransform& toUser) {
        context.saveGraphicsState();
        textlayout::DrawStyle style = layoutManagerDrawStyle(s, origin, g.padding);
        layoutManagerForEachLine(s, glyphs.location, std::max<std::int64_t>(MaxRange(glyphs), glyphs.location + 1), [&](int p, const Line& line) {
            const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
            const std::vector<Line> one { line };
            const textlayout::DrawParagraph paragraph { s.document.layout(p), &one, e.span, origin.y + s.top(p) };
            layoutManagerDrawLine(context, toUser, text, e, line, MakeRect(origin.x, paragraph.top, g.containerWidth, 0),
                [&] { textlayout::DrawBackgrounds(context, toUser, text, paragraph, style, glyphs); });
            return true;
        });
        // The selection highlight.
        if (TextLayoutClient* client = firstTextViewClient()) {
            const Range selected = IntersectionRange(client->textLayoutSelectedRange(), glyphs);
            const Ref<Color> color = client->textLayoutSelectionColor();
            if (selected.length > 0 && color) {
                for (const Rect& r : rectsForGlyphRange(selected, containers_.front().get())) {
                    QPainterPath path;
                    path.addRect(QRectF(origin.x + r.minX(), origin.y + r.minY(), r.width(), r.height()));
                    context.fillPathWithBrush(toUser.map(path), QBrush(color->toQColor()));
                }
            }
        }
        context.restoreGraphicsState();
    });
}

void LayoutManager::drawGlyphsForGlyphRangeAtPoint(Range requested, Point origin)
{
    auto& s = *state_;
    if (!s.ready() || s.paragraphs.empty())
        return;
    const Range glyphs = layoutManagerClamped(requested, numberOfGlyphs());
    const textlayout::ParagraphGeometry g = s.geometry();
    const Rect area = MakeRect(origin.x, origin.y, g.containerWidth, s.totalHeight());
    const Ref<TextStorage> text(s.storage());
    struct Shown {
        Ref<TextAttachmentCell> cell;
        Rect rect;
        std::int64_t index;
    };
    std::vector<Shown> attachments;
    layoutManagerInContext(area, [&](GraphicsContext& context, const QTransform& toUser) {
        context.saveGraphicsState();
        textlayout::DrawStyle style = layoutManagerDrawStyle(s, origin, g.padding);
        int currentParagraph = -1;
        const Line* currentLine = nullptr;
        style.inlineObject = [&](int index, Rect box, double baselineY) {
            const Ref<TextAttachment> attachment = text->attributeAtIndexEffectiveRange(AttachmentAttributeName, index).objectAs<TextAttachment>();
            const Ref<TextAttachmentCell> cell = attachment ? attachment->attachmentCell() : nullptr;
            if (!cell || !currentLine)
                return;
            const Rect proposed = MakeRect(0, s.top(currentParagraph) + currentLine->lineRect.minY(), g.containerWidth, currentLine->textHeight);
            const Rect frame = cell->cellFrameForTextContainerProposedLineFragmentGlyphPositionCharacterIndex(
                containers_.front().get(), proposed, MakePoint(box.minX() - origin.x, 0), index);
            // Flipped view coordinates, origin.y at the cell's bottom edge.
            attachments.push_back({ cell, MakeRect(box.minX() + frame.minX(), baselineY - frame.minY(), frame.width(), frame.height()), index });
        };
        layoutManagerForEachLine(s, glyphs.location, std::max<std::int64_t>(MaxRange(glyphs), glyphs.location + 1), [&](int p, const Line& line) {
            const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
            currentParagraph = p;
            currentLine = &line;
            const std::vector<Line> one { line };
            const textlayout::DrawParagraph paragraph { s.document.layout(p), &one, e.span, origin.y + s.top(p) };
            layoutManagerDrawLine(context, toUser, *text, e, line, MakeRect(origin.x, paragraph.top, g.containerWidth, 0),
                [&] { textlayout::DrawText(context, toUser, *text, paragraph, style, glyphs); });
            return true;
        });
        context.restoreGraphicsState();
    });
    for (const Shown& shown : attachments)
        showAttachmentCellInRectCharacterIndex(shown.cell.get(), shown.rect, shown.index);
}

void LayoutManager::showAttachmentCellInRectCharacterIndex(TextAttachmentCell* cell, Rect rect, std::int64_t)
{
    if (!cell)
        return;
    const Ref<View> view = firstTextView<View>();
    const Rect frame = MakeRect(rect.minX(), rect.minY() - rect.height(), rect.width(), rect.height());
    layoutManagerInContext(frame, [&](GraphicsContext&, const QTransform&) { cell->drawWithFrameInView(frame, view.get()); });
}

} // namespace kit
