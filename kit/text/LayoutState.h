#pragma once

// The layout manager's paragraph table: one entry per paragraph (storage span, broken lines,
// placed lines relative to the paragraph's top), a height tree giving every paragraph's top in
// O(log n), and the private document whose blocks mirror the paragraphs. An edit re-breaks only
// the paragraphs it touches; later paragraphs keep their Qt lines and, while the edited ones come
// out the same height (or the typesetter is the default one), their placement too.

#include "kit/graphics/TextLayoutEngine.h"

#include <cstdint>
#include <vector>

namespace kit {

class LayoutManager;
class TextContainer;
class TextStorage;

namespace textlayout {

// Sums of paragraph heights (a Fenwick tree): tops in O(log n), a changed height in O(log n).
class HeightTree {
public:
    void reset(const std::vector<double>& heights);
    void set(int index, double height);
    double at(int index) const { return values_[std::size_t(index)]; }
    double prefix(int index) const; // the sum of [0, index)
    double total() const { return prefix(int(values_.size())); }
    int count() const { return int(values_.size()); }
    // The last index whose prefix is <= y (0 when y is above everything).
    int indexAtOffset(double y) const;

private:
    std::vector<double> values_;
    std::vector<double> tree_;
};

struct ParagraphEntry {
    ParagraphSpan span;
    std::vector<Line> broken; // stacked from 0, before the hook
    std::vector<Line> lines; // placed, relative to the paragraph's top
    bool isBroken = false;
    bool placed = false;
    double maxUsedX = 0;
};

class LayoutState final : public LayoutDelegate {
public:
    explicit LayoutState(LayoutManager& owner);

    TextStorage* storage() const;
    TextContainer* container() const;
    ParagraphGeometry geometry() const;

    // The document mirrors the storage from scratch.
    void rebuild();
    // Everything needs breaking again (the width changed).
    void invalidateAll();
    // The storage changed characters `changed` (new coordinates) by `delta` in length.
    void applyEdit(Range changed, std::int64_t delta, bool textChanged = true);
    // Paragraphs touching `characters` are built and broken again.
    void invalidateCharacters(Range characters);

    // Places paragraphs [0, p].
    void ensurePlaced(int p);
    void ensureAll()
    {
        if (ready())
            ensurePlaced(int(paragraphs.size()) - 1);
    }
    // Places paragraphs down to container y.
    void ensureForY(double y);
    bool ready(); // built and with a container

    // The paragraph holding `index`; -1 after a final terminator or in empty text.
    int paragraphAt(std::int64_t index) const;
    static int lineAt(const ParagraphEntry& entry, std::int64_t index);
    double top(int p) const { return heights.prefix(p); }
    double totalHeight() const { return heights.total(); }
    // After the text, when it is empty or ends with a terminator.
    bool hasExtraLine() const;
    Line extraLine() const; // in container coordinates

    // LayoutDelegate:
    double inlineObjectWidth(int index) override;
    Rect inlineObjectFrame(int index, Rect proposed, Point glyphPosition) override;
    void willSetLineFragment(Rect& lineRect, Range glyphs, Rect& usedRect, double& baseline) override;

    LayoutManager& owner;
    ParagraphDocument document;
    std::vector<ParagraphEntry> paragraphs;
    HeightTree heights;
    AttributedString temporary; // spaces aligned with the storage, carrying the temporary attributes
    bool built = false;
    int unplaced = 0;
    int firstDirty = 0;
    bool layingOut = false;
    std::int64_t hookCalls = 0;

private:
    void layOut(int p);
    void notifyDisplay(Rect rect);
};

} // namespace textlayout

} // namespace kit
