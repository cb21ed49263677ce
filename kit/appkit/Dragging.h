#pragma once

// Drags inside the application: the kit runs its own drag loop in the default run-loop mode
// (so default-mode timers keep firing), finds the deepest view registered for a type on the
// pasteboard, and talks to source and destination through their optional operations.

#include "kit/appkit/Pasteboard.h"
#include "kit/core/Geometry.h"

#include <cstdint>

namespace kit {

class Event;
class View;
class Window;

enum : std::uint64_t {
    DragOperationNone = 0,
    DragOperationCopy = 1,
    DragOperationLink = 2,
    DragOperationGeneric = 4,
    DragOperationPrivate = 8,
    DragOperationMove = 16,
    DragOperationDelete = 32,
    DragOperationEvery = ~std::uint64_t(0),
};

class DraggingInfo {
public:
    virtual ~DraggingInfo() = default;
    virtual Ref<Pasteboard> draggingPasteboard() const = 0;
    virtual std::uint64_t draggingSourceOperationMask() const = 0;
    virtual Ref<Object> draggedImage() const = 0;
    // Base coordinates of the destination's window.
    virtual Point draggingLocation() const = 0;
    // Null unless the drag started in this process.
    virtual Ref<Object> draggingSource() const = 0;
};

// Optional operations (asked through respondsToSelector) of a view registered for dragged types.
class DraggingDestination {
public:
    virtual ~DraggingDestination() = default;
    virtual std::uint64_t draggingEntered(DraggingInfo&) { return DragOperationNone; }
    virtual std::uint64_t draggingUpdated(DraggingInfo&) { return DragOperationNone; }
    virtual void draggingExited(DraggingInfo&) { }
    virtual bool prepareForDragOperation(DraggingInfo&) { return true; }
    virtual bool performDragOperation(DraggingInfo&) { return false; }
    virtual void concludeDragOperation(DraggingInfo&) { }
    virtual void draggingEnded(DraggingInfo&) { }
    virtual bool wantsPeriodicDraggingUpdates() { return true; }
};

// Optional operations of a drag's source. Points are in screen coordinates, y up.
class DraggingSource {
public:
    virtual ~DraggingSource() = default;
    virtual std::uint64_t draggingSourceOperationMaskForLocal(bool) { return DragOperationEvery; }
    virtual void draggedImageBeganAt(Object*, Point) { }
    virtual void draggedImageMovedTo(Object*, Point) { }
    virtual void draggedImageEndedAtOperation(Object*, Point, std::uint64_t) { }
    virtual bool ignoreModifierKeysWhileDragging() { return false; }
};

// A drag from another application, as the host widget sees it through Qt: the same destination
// protocol, with a pasteboard made from the MIME data and no source.
class ExternalDrag {
public:
    enum Phase { Enter, Move, Leave, Drop };
    // Answers the operation the destination accepts (none for Leave).
    static std::uint64_t handle(Window& window, Phase phase, Point basePoint, const class QMimeData* data, std::uint64_t offered);
    // The pasteboard made from MIME data: text/plain, text/uri-list and the kit's own types.
    static Ref<Pasteboard> pasteboardFromMimeData(const QMimeData& data);
};

// Runs a drag to its end (drop or cancel), eating the mouse-up. `at` is the image's bottom-left
// in `view`'s coordinates. Answers the operation performed.
std::uint64_t RunDragSession(View* view, Object* image, Point at, const Event& event, Pasteboard* pasteboard, Object* source);

} // namespace kit
