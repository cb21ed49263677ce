#pragma once

// The inspector's typesetter: keeps each field's line below the minimum height of the field before
// it (skipping fields that suppress it), indents it by the field's inset and records the final
// fragment on the field. It reads only its own rectangles, fragments recorded by earlier fields and
// field settings that change only before a rebuild, as incremental layout requires.

#include "kit/text/Typesetter.h"

class JVLTextViewInspectorTypesetter : public kit::ATSTypesetter {
    KIT_CLASS(JVLTextViewInspectorTypesetter)
public:
    JVLTextViewInspectorTypesetter() = default;

    // kit::Typesetter:
    void willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(
        kit::Rect& lineRect, kit::Range glyphRange, kit::Rect& usedRect, double& baselineOffset) override;
};
