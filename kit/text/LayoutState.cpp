#include "kit/text/LayoutState.h"

#include "kit/text/LayoutManager.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextLayoutClient.h"
#include "kit/text/TextStorage.h"
#include "kit/text/Typesetter.h"

#include <algorithm>
#include <optional>

namespace kit::textlayout {

void HeightTree::reset(const std::vector<double>& heights)
{
    values_ = heights;
    tree_.assign(values_.size() + 1, 0);
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const std::size_t k = i + 1;
        tree_[k] += values_[i];
        const std::size_t parent = k + (k & (~k + 1));
        if (parent < tree_.size())
            tree_[parent] += tree_[k];
    }
}

void HeightTree::set(int index, double height)
{
    const double delta = height - values_[std::size_t(index)];
    if (delta == 0)
        return;
    values_[std::size_t(index)] = height;
    for (std::size_t k = std::size_t(index) + 1; k < tree_.size(); k += k & (~k + 1))
        tree_[k] += delta;
}

double HeightTree::prefix(int index) const
{
    double sum = 0;
    for (std::size_t k = std::size_t(std::clamp(index, 0, int(values_.size()))); k > 0; k -= k & (~k + 1))
        sum += tree_[k];
    return sum;
}

int HeightTree::indexAtOffset(double y) const
{
    // Descend the tree: the longest prefix whose sum stays <= y.
    std::size_t pos = 0;
    double sum = 0;
    std::size_t step = 1;
    while (step * 2 < tree_.size())
        step *= 2;
    for (; step > 0; step /= 2) {
        if (pos + step < tree_.size() && sum + tree_[pos + step] <= y) {
            pos += step;
            sum += tree_[pos];
        }
    }
    return std::min(int(pos), std::max(0, int(values_.size()) - 1));
}

LayoutState::LayoutState(LayoutManager& o)
    : owner(o)
{ }

TextStorage* LayoutState::storage() const { return owner.textStorage().get(); }

TextContainer* LayoutState::container() const { return owner.textContainers().empty() ? nullptr : owner.textContainers().front().get(); }

ParagraphGeometry LayoutState::geometry() const
{
    const TextContainer* c = container();
    return { c ? c->containerSize().width : 0, c ? c->lineFragmentPadding() : 0, true };
}

bool LayoutState::ready()
{
    if (!storage() || !container())
        return false;
    if (!built)
        rebuild();
    return true;
}

void LayoutState::rebuild()
{
    TextStorage* text = storage();
    const int length = text ? text->length() : 0;
    const std::vector<ParagraphSpan> spans = text ? SplitParagraphs(text->string(), 0, length) : std::vector<ParagraphSpan>();
    if (text)
        document.replace(0, document.count(), *text, spans, [this](int i) { return inlineObjectWidth(i); });
    paragraphs.clear();
    for (const ParagraphSpan& span : spans)
        paragraphs.push_back({ span, {}, {}, false, false, 0 });
    heights.reset(std::vector<double>(paragraphs.size(), 0.0));
    unplaced = int(paragraphs.size());
    firstDirty = 0;
    temporary = AttributedString(QString(length, QLatin1Char(' ')));
    built = text != nullptr;
}

void LayoutState::invalidateAll()
{
    for (ParagraphEntry& entry : paragraphs)
        entry.isBroken = entry.placed = false;
    heights.reset(std::vector<double>(paragraphs.size(), 0.0));
    unplaced = int(paragraphs.size());
    firstDirty = 0;
    if (TextContainer* c = container())
        if (TextLayoutClient* client = c->textViewClient()) {
            client->textLayoutNeedsDisplayInRect(MakeRect(0, 0, 1e7, 1e7));
            client->textLayoutDidInvalidate();
        }
}

int LayoutState::paragraphAt(std::int64_t index) const
{
    if (paragraphs.empty())
        return -1;
    auto it = std::upper_bound(
        paragraphs.begin(), paragraphs.end(), index, [](std::int64_t i, const ParagraphEntry& e) { return i < e.span.start; });
    if (it == paragraphs.begin())
        return 0;
    const int p = int(it - paragraphs.begin()) - 1;
    const ParagraphSpan& span = paragraphs[std::size_t(p)].span;
    if (index >= span.end() && span.terminator > 0)
        return -1;
    return p;
}

int LayoutState::lineAt(const ParagraphEntry& entry, std::int64_t index)
{
    auto it = std::upper_bound(entry.lines.begin(), entry.lines.end(), index, [](std::int64_t i, const Line& l) { return i < l.start; });
    return it == entry.lines.begin() ? 0 : int(it - entry.lines.begin()) - 1;
}

bool LayoutState::hasExtraLine() const
{
    const TextStorage* text = storage();
    return !text || text->length() == 0 || IsParagraphTerminator(text->string().back());
}

Line LayoutState::extraLine() const
{
    const TextStorage* text = storage();
    Line line = text ? ExtraLine(*text, text->length(), geometry()) : ExtraLine(AttributedString(), 0, geometry());
    const double y = totalHeight();
    line.lineRect.origin.y += y;
    line.usedRect.origin.y += y;
    return line;
}

void LayoutState::notifyDisplay(Rect rect)
{
    if (TextContainer* c = container())
        if (TextLayoutClient* client = c->textViewClient())
            client->textLayoutNeedsDisplayInRect(rect);
}

void LayoutState::layOut(int p)
{
    ParagraphEntry& entry = paragraphs[std::size_t(p)];
    const double y = top(p);
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard { layingOut };
    layingOut = true;
    TextStorage& text = *storage();
    if (!entry.isBroken) {
        entry.broken = BreakParagraph(*document.layout(p), text, entry.span, geometry(), y, *this);
        entry.isBroken = true;
    }
    entry.lines = PlaceLines(entry.broken, y, *this);
    entry.placed = true;
    --unplaced;
    entry.maxUsedX = 0;
    for (const Line& line : entry.lines)
        entry.maxUsedX = std::max(entry.maxUsedX, line.usedRect.maxX());
    heights.set(p, entry.lines.back().lineRect.maxY());
}

void LayoutState::ensurePlaced(int p)
{
    if (!ready() || unplaced == 0 || p < firstDirty)
        return;
    const int n = int(paragraphs.size());
    int i = firstDirty;
    for (; i <= std::min(p, n - 1); ++i)
        if (!paragraphs[std::size_t(i)].placed)
            layOut(i);
    firstDirty = i;
    if (unplaced == 0)
        firstDirty = n;
    else
        while (firstDirty < n && paragraphs[std::size_t(firstDirty)].placed)
            ++firstDirty;
}

void LayoutState::ensureForY(double y)
{
    if (!ready() || unplaced == 0)
        return;
    const int n = int(paragraphs.size());
    int i = firstDirty;
    for (; i < n; ++i) {
        if (paragraphs[std::size_t(i)].placed) {
            if (top(i) > y)
                break;
            continue;
        }
        if (top(i) > y)
            break;
        layOut(i);
    }
    ensurePlaced(i - 1);
}

namespace {

bool layoutStateSameGeometry(const std::vector<Line>& a, const std::vector<Line>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].lineRect != b[i].lineRect || a[i].baseline != b[i].baseline || a[i].usedRect.minY() != b[i].usedRect.minY()
            || a[i].usedRect.height() != b[i].usedRect.height())
            return false;
    return true;
}

// Lines [first, last) of the table in container coordinates, or nothing if one is not placed.
std::optional<std::vector<Line>> layoutStatePlacedLines(const LayoutState& s, int first, int last)
{
    std::vector<Line> out;
    for (int p = first; p < last; ++p) {
        const ParagraphEntry& e = s.paragraphs[std::size_t(p)];
        if (!e.placed)
            return std::nullopt;
        const double y = s.top(p);
        for (Line line : e.lines) {
            line.lineRect.origin.y += y;
            line.usedRect.origin.y += y;
            out.push_back(line);
        }
    }
    return out;
}

} // namespace

void LayoutState::applyEdit(Range changed, std::int64_t delta, bool textChanged)
{
    TextStorage* text = storage();
    if (!text)
        return;
    if (!built) {
        if (ready())
            invalidateAll();
        return;
    }
    const int newLength = text->length();
    const std::int64_t oldLength = newLength - delta;
    const std::int64_t oldEnd = MaxRange(changed) - delta;
    if (textChanged) {
        temporary.replaceCharactersInRangeWithString(
            MakeRange(changed.location, oldEnd - changed.location), QString(int(changed.length), QLatin1Char(' ')));
        temporary.setAttributesRange({}, changed);
    }

    const int n = int(paragraphs.size());
    auto lastStartingAtOrBefore = [&](std::int64_t index) {
        auto it = std::upper_bound(
            paragraphs.begin(), paragraphs.end(), index, [](std::int64_t i, const ParagraphEntry& e) { return i < e.span.start; });
        return std::max(0, int(it - paragraphs.begin()) - 1);
    };
    // From the paragraph holding the change (or the one before, whose "\r" may join a "\n") to
    // the one holding its end.
    std::int64_t probe = changed.location;
    if (probe > 0 && probe <= newLength && text->string().at(int(probe - 1)) == u'\r')
        --probe;
    int a = n == 0 ? 0 : lastStartingAtOrBefore(probe);
    if (n > 0 && probe >= paragraphs.back().span.end() && paragraphs.back().span.terminator > 0)
        a = n; // after the final terminator: new paragraphs only
    int b = oldEnd >= oldLength ? n : std::max(a, lastStartingAtOrBefore(oldEnd) + 1);
    const int newFrom = a < n ? paragraphs[std::size_t(a)].span.start : (n > 0 ? paragraphs.back().span.end() : 0);
    std::vector<ParagraphSpan> spans;
    while (true) {
        const int newTo = b < n ? int(paragraphs[std::size_t(b)].span.start + delta) : newLength;
        spans = newFrom < newTo ? SplitParagraphs(text->string(), newFrom, newTo) : std::vector<ParagraphSpan>();
        const int reached = spans.empty() ? newFrom : spans.back().end();
        if (reached == newTo || b >= n)
            break;
        ++b; // "\r" then "\n": the next paragraph joins
    }

    const std::optional<std::vector<Line>> before = layoutStatePlacedLines(*this, a, b);
    const double oldTop = top(a);
    const double oldBottom = top(b);
    const auto objectWidth = [this](int i) { return inlineObjectWidth(i); };
    // Typing inside one paragraph: its block takes the edit alone, not the whole paragraph again. Its
    // first character (which gives the block its format) and its terminator stay.
    const bool inside = textChanged && b - a == 1 && spans.size() == 1 && spans[0].start == paragraphs[std::size_t(a)].span.start
        && changed.location > spans[0].start && oldEnd <= paragraphs[std::size_t(a)].span.start + paragraphs[std::size_t(a)].span.length
        && MaxRange(changed) <= spans[0].start + spans[0].length;
    if (inside)
        document.replaceInside(a, int(changed.location - spans[0].start), int(oldEnd - changed.location), *text, int(changed.location),
            int(changed.length), objectWidth);
    else
        document.replace(a, b - a, *text, spans, objectWidth);
    for (int p = a; p < b; ++p)
        if (!paragraphs[std::size_t(p)].placed)
            --unplaced;
    std::vector<ParagraphEntry> fresh;
    for (const ParagraphSpan& span : spans)
        fresh.push_back({ span, {}, {}, false, false, 0 });
    const int k = int(fresh.size());
    if (k == b - a) {
        // Typing inside paragraphs: the later entries stay where they are.
        std::move(fresh.begin(), fresh.end(), paragraphs.begin() + a);
    } else {
        paragraphs.erase(paragraphs.begin() + a, paragraphs.begin() + b);
        paragraphs.insert(paragraphs.begin() + a, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    }
    unplaced += k;
    if (delta != 0) {
        for (std::size_t p = std::size_t(a + k); p < paragraphs.size(); ++p) {
            ParagraphEntry& e = paragraphs[p];
            e.span.start += int(delta);
            for (Line& line : e.broken)
                line.start += int(delta);
            for (Line& line : e.lines)
                line.start += int(delta);
        }
    }
    if (k != b - a) {
        std::vector<double> h;
        h.reserve(paragraphs.size());
        for (const ParagraphEntry& e : paragraphs)
            h.push_back(e.placed ? e.lines.back().lineRect.maxY() : 0.0);
        heights.reset(h);
    } else {
        for (int p = a; p < a + k; ++p)
            heights.set(p, 0);
    }
    firstDirty = std::min(firstDirty, a);

    const double width = geometry().containerWidth;
    bool same = false;
    if (container() && firstDirty == a) {
        for (int p = a; p < a + k; ++p)
            layOut(p);
        firstDirty = unplaced == 0 ? int(paragraphs.size()) : a + k;
        const std::optional<std::vector<Line>> after = layoutStatePlacedLines(*this, a, a + k);
        same = before && after && layoutStateSameGeometry(*before, *after);
        if (unplaced > 0)
            while (firstDirty < int(paragraphs.size()) && paragraphs[std::size_t(firstDirty)].placed)
                ++firstDirty;
    }
    const Ref<Typesetter> typesetter = owner.typesetter();
    if (same) {
        notifyDisplay(MakeRect(0, oldTop, width, std::max(oldBottom, top(a + k)) - oldTop));
    } else {
        if (typesetter && !typesetter->hasDefaultLineHook()) {
            // Later lines depend on these through the hook: placed again, lazily.
            for (std::size_t p = std::size_t(a + k); p < paragraphs.size(); ++p) {
                if (paragraphs[p].placed) {
                    paragraphs[p].placed = false;
                    ++unplaced;
                }
            }
            firstDirty = std::min(firstDirty, a + k);
        }
        notifyDisplay(MakeRect(0, std::min(oldTop, top(a)), width, 1e7));
    }
    if (TextContainer* c = container())
        if (TextLayoutClient* client = c->textViewClient())
            client->textLayoutDidInvalidate();
}

void LayoutState::invalidateCharacters(Range characters)
{
    TextStorage* text = storage();
    if (!text || !built)
        return;
    // An edit of nothing, as far as the text goes: the touched paragraphs are rebuilt.
    applyEdit(characters, 0, false);
}

double LayoutState::inlineObjectWidth(int index)
{
    TextStorage* text = storage();
    if (!text || index >= text->length())
        return 0;
    const Ref<TextAttachment> attachment = text->attributeAtIndexEffectiveRange(AttachmentAttributeName, index).objectAs<TextAttachment>();
    const Ref<TextAttachmentCell> cell = attachment ? attachment->attachmentCell() : nullptr;
    return cell ? std::max(0.0, cell->cellSize().width) : 0;
}

Rect LayoutState::inlineObjectFrame(int index, Rect proposed, Point glyphPosition)
{
    TextStorage* text = storage();
    const Ref<TextAttachment> attachment = text->attributeAtIndexEffectiveRange(AttachmentAttributeName, index).objectAs<TextAttachment>();
    const Ref<TextAttachmentCell> cell = attachment ? attachment->attachmentCell() : nullptr;
    if (!cell)
        return {};
    return cell->cellFrameForTextContainerProposedLineFragmentGlyphPositionCharacterIndex(container(), proposed, glyphPosition, index);
}

void LayoutState::willSetLineFragment(Rect& lineRect, Range glyphs, Rect& usedRect, double& baseline)
{
    const Ref<Typesetter> typesetter = owner.typesetter();
    if (!typesetter)
        return;
    ++hookCalls;
    typesetter->setLayoutManager(&owner);
    typesetter->willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(lineRect, glyphs, usedRect, baseline);
}

} // namespace kit::textlayout
