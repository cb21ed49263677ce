#pragma once

// A string whose characters carry drawing attributes in runs: a value type of UTF-16 text and
// contiguous runs of StringAttributes. It measures and draws itself like StringDrawing, with one
// font per run; each paragraph takes the paragraph style of its first character.

#include "kit/core/Geometry.h"
#include "kit/graphics/StringDrawing.h"

#include <QString>

#include <vector>

namespace kit {

class AttributedString {
public:
    struct Run {
        int start = 0;
        int length = 0;
        StringAttributes attributes;
    };

    AttributedString() = default;
    explicit AttributedString(QString string, StringAttributes attributes = {});

    const QString& string() const { return string_; }
    int length() const { return int(string_.size()); }
    // The runs cover the string without gaps, in order; an empty string has none.
    const std::vector<Run>& runs() const { return runs_; }
    // The attributes at `index` (< length) and, optionally, the range of its run.
    StringAttributes attributesAtIndex(int index, Range* effectiveRange = nullptr) const;
    // Replaces the attributes over `range` (clamped to the string).
    void setAttributes(const StringAttributes& attributes, Range range);
    // Sets only the non-null members of `attributes` over `range`.
    void addAttributes(const StringAttributes& attributes, Range range);
    void append(const AttributedString& other);
    AttributedString attributedSubstringFromRange(Range range) const;

    // One unwrapped line per paragraph, unrounded: width = the widest advance; height = the sum over
    // lines of the largest font's ascent + descent + leading (plus the paragraph's line spacing).
    Size size() const;
    // The point is the top-left of the text when user space runs down, its bottom-left otherwise.
    void drawAtPoint(Point point) const;
    // From the rectangle's visual top (first baseline at top + ascent), wrapped per the paragraph
    // style (word or character wrapping; tail truncation gives one line ending in "…"; other modes
    // one unwrapped line), aligned, clipped to the rectangle.
    void drawInRect(Rect rect) const;

private:
    int runIndexStartingAt(int index); // splits a run so one starts at `index`
    void mergeRuns();

    QString string_;
    std::vector<Run> runs_;
};

} // namespace kit
