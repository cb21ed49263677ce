#pragma once

// The inspector's layout manager: hosted views go where their attachments are shown (and become
// visible the first time), and text backgrounds, the selection included, show only inside the
// raised editor of the value being edited.

#include "kit/text/LayoutManager.h"

class JVLTextViewInspectorLayoutManager : public kit::LayoutManager {
    KIT_CLASS(JVLTextViewInspectorLayoutManager)
public:
    JVLTextViewInspectorLayoutManager() = default;

    // kit::LayoutManager:
    void drawBackgroundForGlyphRangeAtPoint(kit::Range glyphs, kit::Point origin) override;
    void showAttachmentCellInRectCharacterIndex(kit::TextAttachmentCell* cell, kit::Rect rect, std::int64_t characterIndex) override;
};
