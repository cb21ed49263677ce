#pragma once

// A text view that follows its links: the hand cursor over every link run (rebuilt after layout,
// scrolling and a replaced storage), a press on a link's glyph tracks the mouse with the link
// coloured while the pointer is inside it, and a release inside opens the link once with the
// shared workspace. Presses elsewhere are the text view's.

#include "kit/text/TextView.h"

#include <vector>

namespace kit {
class Cursor;
}

class URLTextView : public kit::TextView {
    KIT_CLASS(URLTextView)
public:
    using kit::TextView::TextView;

    // The hand ("JVLURLTextViewHand", hot spot (5, 0)).
    static kit::Ref<kit::Cursor> handCursor();
    // The colour a link shows while the pressed pointer is inside it.
    static kit::Ref<kit::Color> trackingColor();

    // kit::TextView:
    void mouseDown(const kit::Event& event) override;
    void resetCursorRects() override;
    void textLayoutDidInvalidate() override;
    void textLayoutDidReplaceTextStorage(kit::TextStorage& storage) override;
    void textStorageDidProcessEditing(kit::TextStorage& storage, unsigned editedMask, kit::Range editedRange, std::int64_t changeInLength) override;
    void viewDidMoveToWindow() override;

private:
    // The link run under a press on its glyph box, or {NotFound, 0}.
    kit::Range linkRunAtPoint(kit::Point viewPoint, kit::Value* link);
    std::vector<kit::Rect> linkRects(kit::Range run);
    void invalidateLinkCursors();
};
