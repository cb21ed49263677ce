#pragma once

// Places line fragments. The layout manager breaks and measures each line, then calls
// willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset once per line fragment, in text
// order, before committing it. The hook may move the rectangles (changed x and y are kept; the next
// line starts at lineRect.maxY) and change the baseline offset (from lineRect's top). It must not
// change the width or edit the storage (both assert).
//
// Contract for incremental layout: the hook may read only its own arguments, fragments committed
// earlier, and model state whose change invalidates layout. After an edit, placement is redone
// from the first edited paragraph; once the edited paragraphs' fragments come out as before,
// later lines keep theirs and the hook is not called for them. When they differ, the default
// typesetter shifts later paragraphs by the difference, while a subclass gets its hook called again
// for every later line, lazily, as far as drawing or a query needs.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

namespace kit {

class LayoutManager;

class Typesetter : public Object {
    KIT_CLASS(Typesetter)
    Typesetter() = default;

    // No-op by default.
    virtual void willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(Rect& lineRect, Range glyphRange, Rect& usedRect, double& baselineOffset);

    // The layout manager being served (during layout its first text view leads to the model).
    Ref<LayoutManager> layoutManager() const;
    void setLayoutManager(LayoutManager* manager);
    // Whether the hook is the default one (a subclass may override it).
    bool hasDefaultLineHook() const;

private:
    Weak<LayoutManager> layoutManager_;
};

// The name subclasses have used for the default typesetter.
using ATSTypesetter = Typesetter;

} // namespace kit
