#pragma once

// A drag session for testing destinations directly: every answer of DraggingInfo is a plain field
// the test sets, so a destination's entered/updated/perform logic runs without an event loop.

#include "kit/appkit/Dragging.h"
#include "kit/appkit/Pasteboard.h"

namespace kit::test {

class FakeDraggingInfo : public DraggingInfo {
public:
    Ref<Pasteboard> pasteboard = make<Pasteboard>(DragPboard);
    std::uint64_t mask = DragOperationEvery;
    Ref<Object> image;
    Point location; // the destination window's base coordinates
    Ref<Object> source;

    Ref<Pasteboard> draggingPasteboard() const override { return pasteboard; }
    std::uint64_t draggingSourceOperationMask() const override { return mask; }
    Ref<Object> draggedImage() const override { return image; }
    Point draggingLocation() const override { return location; }
    Ref<Object> draggingSource() const override { return source; }
};

} // namespace kit::test
