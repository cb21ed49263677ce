#pragma once

// Lays a text storage out in its text containers and draws it. One glyph per UTF-16 unit (glyph
// index = character index): every unit of a surrogate pair or shaped cluster gets the cluster's
// box, an attachment is one glyph, a paragraph terminator has a zero-width box after its line.
// Queries lay out as far as they need. Coordinates are the container's (y down). Layout is
// incremental: an edit re-breaks only the edited paragraphs (see Typesetter.h for what that means
// for the line hook).
//
// Drawing, from the text view's drawRect with the container origin: drawBackgroundForGlyphRange
// draws every text background, the selection highlight included, and only there; drawGlyphs
// draws text and underlines, then calls showAttachmentCellInRectCharacterIndex for every
// attachment glyph of the range. That rect is in the text view's flipped coordinates with
// origin.y at the cell's bottom edge, so (x, y − height) is its top-left.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/core/Value.h"
#include "kit/text/TextContainer.h"
#include "kit/text/Typesetter.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kit {

class TextAttachmentCell;
class TextContainer;
class TextLayoutClient;
class TextStorage;
class TextView;

namespace textlayout {
class LayoutState;
}

class LayoutManager : public Object {
    KIT_CLASS(LayoutManager)
    LayoutManager();
    ~LayoutManager() override;

    // --- The network.
    Ref<TextStorage> textStorage() const;
    // Called by TextStorage::addLayoutManager / removeLayoutManager.
    void setTextStorage(TextStorage* storage);
    // Every layout manager of the old storage moves to `storage`; the text views are told so they
    // keep the new storage alive and clamp their selections.
    void replaceTextStorage(const Ref<TextStorage>& storage);
    const std::vector<Ref<TextContainer>>& textContainers() const { return containers_; }
    void addTextContainer(const Ref<TextContainer>& container);
    void removeTextContainerAtIndex(std::size_t index);
    template <class T = TextView> Ref<T> firstTextView() const
    {
        return containers_.empty() ? nullptr : containers_.front()->template textView<T>();
    }
    TextLayoutClient* firstTextViewClient() const;
    Ref<Typesetter> typesetter() const { return typesetter_; }
    void setTypesetter(Ref<Typesetter> typesetter);

    // The storage's processing step.
    virtual void textStorageEditedRangeChangeInLengthInvalidatedRange(
        TextStorage* storage, unsigned editedMask, Range newCharacterRange, std::int64_t changeInLength, Range invalidatedCharacterRange);

    // --- Glyphs and characters.
    std::int64_t numberOfGlyphs() const;
    // The actual range widens to whole clusters.
    Range glyphRangeForCharacterRangeActualCharacterRange(Range characters, Range* actualCharacterRange = nullptr);
    Range characterRangeForGlyphRangeActualGlyphRange(Range glyphs, Range* actualGlyphRange = nullptr);
    std::int64_t characterIndexForGlyphAtIndex(std::int64_t glyph) const { return glyph; }
    std::int64_t glyphIndexForCharacterAtIndex(std::int64_t character) const { return character; }
    // Cluster (grapheme) boundaries around `index`: the caret never stops inside a cluster.
    std::int64_t clusterBoundaryBefore(std::int64_t index);
    std::int64_t clusterBoundaryAfter(std::int64_t index);

    // --- Layout queries (container coordinates).
    Range glyphRangeForTextContainer(TextContainer* container);
    Rect usedRectForTextContainer(TextContainer* container);
    Rect lineFragmentRectForGlyphAtIndexEffectiveRange(std::int64_t glyph, Range* effectiveGlyphRange = nullptr);
    Rect lineFragmentUsedRectForGlyphAtIndexEffectiveRange(std::int64_t glyph, Range* effectiveGlyphRange = nullptr);
    // The glyph's origin on the baseline, relative to its line fragment's origin.
    Point locationForGlyphAtIndex(std::int64_t glyph);
    // The line the caret sits on after a final paragraph terminator or in empty text; zero when
    // there is none.
    Rect extraLineFragmentRect();
    Rect extraLineFragmentUsedRect();
    TextContainer* extraLineFragmentTextContainer();
    // The union of the glyphs' boxes (advance × their line's used height; breaks zero wide).
    Rect boundingRectForGlyphRangeInTextContainer(Range glyphs, TextContainer* container);
    // One rectangle per line the range touches (selection and link rectangles).
    void enumerateEnclosingRectsForGlyphRangeWithinSelectedGlyphRangeInTextContainer(
        Range glyphs, Range selectedGlyphs, TextContainer* container, const std::function<void(Rect rect, bool& stop)>& block);
    std::vector<Rect> rectsForGlyphRange(Range glyphs, TextContainer* container);
    // The glyphs whose line fragments meet `rect`.
    Range glyphRangeForBoundingRectInTextContainer(Rect rect, TextContainer* container);
    // The glyph under the point: past a line's end its last glyph, above or below the text the
    // first or last line, in a paragraph-spacing gap the line above.
    std::int64_t glyphIndexForPointInTextContainer(Point point, TextContainer* container);
    std::int64_t glyphIndexForPointInTextContainerFractionOfDistanceThroughGlyph(Point point, TextContainer* container, double* fraction);
    // The nearest cluster boundary to the point.
    std::int64_t characterIndexForInsertionAtPoint(Point point);
    // The caret's rectangle before character `index` (container coordinates, 1 wide).
    Rect insertionPointRectForCharacterIndex(std::int64_t index);

    // --- Invalidation.
    // The container's width or padding changed: everything is laid out again.
    void textContainerChangedGeometry(TextContainer* container);
    void invalidateLayoutForCharacterRange(Range characters);
    void invalidateDisplayForCharacterRange(Range characters);
    void invalidateDisplayForGlyphRange(Range glyphs) { invalidateDisplayForCharacterRange(glyphs); }
    void ensureLayoutForTextContainer(TextContainer* container);
    void ensureLayoutForCharacterRange(Range characters);
    // Line fragments placed so far (for tests and probes).
    std::int64_t numberOfLineFragments();
    // Calls of the line hook since the last reset (for tests and benchmarks).
    std::int64_t lineHookCallCount() const;
    // True while lines are being placed (the storage refuses edits then).
    bool isLayingOut() const;
    void resetLineHookCallCount();

    // --- Temporary attributes (colours: foreground and background), drawn over the storage's.
    void addTemporaryAttributeValueForCharacterRange(const QString& name, const Value& value, Range characters);
    void removeTemporaryAttributeForCharacterRange(const QString& name, Range characters);
    Value temporaryAttributeAtCharacterIndex(const QString& name, std::int64_t index);

    // --- Drawing at `origin` (the container's origin in the view), in the current context.
    virtual void drawBackgroundForGlyphRangeAtPoint(Range glyphs, Point origin);
    virtual void drawGlyphsForGlyphRangeAtPoint(Range glyphs, Point origin);
    // Default: the cell draws in `rect` (converted to its top-left frame) in the first text view.
    virtual void showAttachmentCellInRectCharacterIndex(TextAttachmentCell* cell, Rect rect, std::int64_t characterIndex);

private:
    friend class textlayout::LayoutState;
    textlayout::LayoutState& state();

    Weak<TextStorage> storage_;
    std::vector<Ref<TextContainer>> containers_;
    Ref<Typesetter> typesetter_;
    std::unique_ptr<textlayout::LayoutState> state_;
};

} // namespace kit
