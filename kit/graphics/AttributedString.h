#pragma once

// A string whose characters carry attributes in runs: UTF-16 text and contiguous runs of
// dictionaries keyed by attribute name (any string; the kit's names are in StringDrawing.h).
// Adjacent runs with equal dictionaries are always one run, so a run is the longest stretch of
// characters whose attributes are all equal. Every mutator goes through the two virtual
// primitives, replaceCharactersInRangeWithString and setAttributesRange, so a subclass (the text
// storage) sees every edit. Indices out of range raise RangeException. StringAttributes is the
// typed view cells and buttons use.

#include "kit/core/Geometry.h"
#include "kit/core/Value.h"
#include "kit/graphics/StringDrawing.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace kit {

class AttributedString {
public:
    struct Run {
        int start = 0;
        int length = 0;
        Dictionary attributes;
    };

    AttributedString() = default;
    explicit AttributedString(QString string);
    // A template only so that `AttributedString(text, {})` picks the typed overload.
    template <class D, std::enable_if_t<std::is_same_v<D, Dictionary>, int> = 0>
    AttributedString(QString string, D attributes)
        : string_(std::move(string))
    {
        if (!string_.isEmpty())
            runs_.push_back({ 0, length(), std::move(attributes) });
    }
    AttributedString(QString string, const StringAttributes& attributes);
    AttributedString(const AttributedString&) = default;
    AttributedString(AttributedString&&) = default;
    AttributedString& operator=(const AttributedString&) = default;
    AttributedString& operator=(AttributedString&&) = default;
    virtual ~AttributedString() = default;

    const QString& string() const { return string_; }
    int length() const { return int(string_.size()); }
    // The runs cover the string without gaps, in order, never two equal neighbours; an empty
    // string has none.
    const std::vector<Run>& runs() const { return runs_; }

    // The attributes at `index` (< length); the effective range is the stored run holding it.
    Dictionary attributesAtIndexEffectiveRange(std::int64_t index, Range* effectiveRange = nullptr) const;
    Value attributeAtIndexEffectiveRange(const QString& name, std::int64_t index, Range* effectiveRange = nullptr) const;
    // The maximal stretch around `index`, inside `limit`, over which the attribute keeps an equal
    // value (or stays absent when it is absent at `index`).
    Value attributeAtIndexLongestEffectiveRangeInRange(const QString& name, std::int64_t index, Range* longest, Range limit) const;
    Dictionary attributesAtIndexLongestEffectiveRangeInRange(std::int64_t index, Range* longest, Range limit) const;
    AttributedString attributedSubstringFromRange(Range range) const;

    // The primitives. New text takes the attributes of the first replaced character, else of the
    // one before, else of the one after.
    virtual void replaceCharactersInRangeWithString(Range range, const QString& string);
    virtual void setAttributesRange(const Dictionary& attributes, Range range);
    // Brackets a group of primitive calls; the text storage batches them. No-ops here.
    virtual void beginEditing() { }
    virtual void endEditing() { }

    void replaceCharactersInRangeWithAttributedString(Range range, const AttributedString& string);
    void insertAttributedStringAtIndex(const AttributedString& string, std::int64_t index);
    void appendAttributedString(const AttributedString& string);
    void deleteCharactersInRange(Range range);
    void setAttributedString(const AttributedString& string);
    void addAttributeValueRange(const QString& name, const Value& value, Range range);
    void addAttributesRange(const Dictionary& attributes, Range range);
    void removeAttributeRange(const QString& name, Range range);

    bool isEqualToAttributedString(const AttributedString& other) const;
    std::size_t hash() const;
    friend bool operator==(const AttributedString& a, const AttributedString& b) { return a.isEqualToAttributedString(b); }

    // The typed view: the attributes at `index` (< length) as StringAttributes.
    StringAttributes attributesAtIndex(std::int64_t index, Range* effectiveRange = nullptr) const;
    // Replaces every attribute over `range` with the typed ones.
    void setAttributes(const StringAttributes& attributes, Range range);
    // Sets the non-null members of `attributes` over `range`, keeping the other attributes.
    void addAttributes(const StringAttributes& attributes, Range range);

    // Laid out like StringDrawing (one line layouter), one font per run: paragraphs unwrapped,
    // width = the widest line, height = the sum of the line heights.
    Size size() const;
    // The point is the top-left of the text when user space runs down, its bottom-left otherwise.
    void drawAtPoint(Point point) const;
    // From the rectangle's visual top, wrapped or truncated per each paragraph's style, aligned,
    // clipped to the rectangle.
    void drawInRect(Rect rect) const;

private:
    void checkRange(Range range, const char* method) const;
    void checkIndex(std::int64_t index, const char* method) const;
    std::size_t runIndexAt(int index) const; // the run holding `index` (< length)
    std::size_t splitAt(int index); // a run starts at `index` afterwards; answers its position
    void coalesceAround(std::size_t first, std::size_t last);

    QString string_;
    std::vector<Run> runs_;
};

// Kept for the text system's own spelling.
using MutableAttributedString = AttributedString;

// A string's size and its drawing in a rectangle exactly as size() and drawInRect() give them, the
// layout kept while the string stays equal and the width the same: for titles drawn again on every
// repaint. Copies share what was laid out.
class CachedStringLayout {
public:
    CachedStringLayout();
    ~CachedStringLayout();
    CachedStringLayout(const CachedStringLayout&) = default;
    CachedStringLayout& operator=(const CachedStringLayout&) = default;

    Size size(const AttributedString& string);
    void drawInRect(const AttributedString& string, Rect rect);

private:
    struct Impl;
    Impl& implFor(const AttributedString& string);
    std::shared_ptr<Impl> d_;
};

} // namespace kit
