#pragma once

// What the flow view asks of its data source and tells its delegate. Every operation is optional:
// a class that implements one registers it (`c.optionalOperations({...})`) and the view asks
// respondsToSelector before each call.

#include "kit/appkit/Dragging.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Pasteboard.h"
#include "kit/core/Value.h"

#include <cstdint>

class QVFlowView;

class QVFlowViewDataSource {
public:
    virtual ~QVFlowViewDataSource() = default;
    // "numberOfItemsInFlowView": counted only when flowViewItemAtIndex is answered too.
    virtual std::int64_t numberOfItemsInFlowView(QVFlowView*) { return 0; }
    // "flowViewItemAtIndex"
    virtual kit::Value flowViewItemAtIndex(QVFlowView*, std::int64_t) { return {}; }
    // "flowViewWriteItemAtIndexToPasteboard": a drag of the selected item starts.
    virtual bool flowViewWriteItemAtIndexToPasteboard(QVFlowView*, std::int64_t, kit::Pasteboard*) { return false; }
    // "flowViewRemoveItemAtIndex": the dragged item was dropped on the trash.
    virtual void flowViewRemoveItemAtIndex(QVFlowView*, std::int64_t) { }
    // "flowViewValidateDropProposedIndex"
    virtual std::uint64_t flowViewValidateDropProposedIndex(QVFlowView*, kit::DraggingInfo&, std::int64_t)
    {
        return kit::DragOperationNone;
    }
    // "flowViewAcceptDropAtIndex"
    virtual bool flowViewAcceptDropAtIndex(QVFlowView*, kit::DraggingInfo&, std::int64_t) { return false; }
};

class QVFlowViewDelegate {
public:
    virtual ~QVFlowViewDelegate() = default;
    // "flowViewSelectionDidChange"
    virtual void flowViewSelectionDidChange(QVFlowView*) { }
    // "flowViewItemWasDoubleClickedAtIndex"
    virtual void flowViewItemWasDoubleClickedAtIndex(QVFlowView*, std::int64_t) { }
    // "flowViewItemWasRightClickedAtIndexWithEvent"
    virtual void flowViewItemWasRightClickedAtIndexWithEvent(QVFlowView*, std::int64_t, const kit::Event&) { }
};
