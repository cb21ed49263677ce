#pragma once

// What the text model asks of a view that shows one of its containers. TextView implements it;
// the model never includes the view's header.

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <cstdint>

namespace kit {

class Color;
class TextStorage;

class TextLayoutClient {
public:
    virtual ~TextLayoutClient() = default;
    // Last step of the storage's processing, after fixing attributes and after every layout
    // manager took the edit: the view moves its selection (a selection overlapping the edit goes to
    // the end of the replacement) and schedules display.
    virtual void textStorageDidProcessEditing(TextStorage& storage, unsigned editedMask, Range editedRange, std::int64_t changeInLength) = 0;
    // Part of the container needs display (container coordinates).
    virtual void textLayoutNeedsDisplayInRect(Rect containerRect) = 0;
    // Layout was invalidated: the used rectangle may change (a document view grows to it).
    virtual void textLayoutDidInvalidate() { }
    // The layout manager now shows another storage: keep it alive, clamp the selection.
    virtual void textLayoutDidReplaceTextStorage(TextStorage& storage) { (void)storage; }
    // What the background drawing highlights as selected, and in which colour (null: none).
    virtual Range textLayoutSelectedRange() const { return { NotFound, 0 }; }
    virtual Ref<Color> textLayoutSelectionColor() const;
};

} // namespace kit
