#pragma once

// Test probes for laid-out text: a text view's line fragments and glyph boxes (container, view
// and window coordinates), and a layout manager that records where it shows each attachment cell.

#include "kit/core/Geometry.h"
#include "kit/text/LayoutManager.h"

#include <cstdint>
#include <vector>

namespace kit {
class TextAttachmentCell;
class TextView;
} // namespace kit

namespace kit::test {

struct FragmentProbe {
    Range glyphs;
    Rect lineRect; // container coordinates
    Rect usedRect;
};

class TextGeometryProbe {
public:
    explicit TextGeometryProbe(TextView* view)
        : view_(view)
    { }
    // Every line fragment in text order (laying out the whole text).
    std::vector<FragmentProbe> fragments() const;
    // Glyph `index`'s box: advance × its line's used height.
    Rect glyphBox(std::int64_t index) const;
    Rect glyphBoxInView(std::int64_t index) const;
    // The middle of the glyph's box in the window's base coordinates (for scripted clicks).
    Point glyphCenterInWindow(std::int64_t index) const;

private:
    TextView* view_;
};

// Records every showAttachmentCellInRectCharacterIndex, then shows the cell as usual.
class AttachmentRecordingLayoutManager : public LayoutManager {
public:
    struct Shown {
        TextAttachmentCell* cell; // identity only
        Rect rect; // the view's coordinates, origin.y at the cell's bottom edge
        std::int64_t index;
    };
    void showAttachmentCellInRectCharacterIndex(TextAttachmentCell* cell, Rect rect, std::int64_t index) override
    {
        shown.push_back({ cell, rect, index });
        LayoutManager::showAttachmentCellInRectCharacterIndex(cell, rect, index);
    }
    std::vector<Shown> shown;
};

} // namespace kit::test
