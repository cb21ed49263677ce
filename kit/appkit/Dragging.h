#pragma once

// Drag and drop. A drag whose source refuses drops outside the application runs in the kit's own
// loop in the default run-loop mode (so default-mode timers keep firing, reading a synthetic
// dragged event at the pointer); any other drag, and drops from other applications, go through
// Qt's drag and drop. Both talk to source and destination through their optional operations.

#include "kit/appkit/Pasteboard.h"
#include "kit/core/Geometry.h"

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <memory>

class QMimeData;
class QWidget;

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
    virtual std::uint64_t draggingSourceOperationMaskForLocal(bool local) { return local ? DragOperationEvery : DragOperationCopy; }
    virtual void draggedImageBeganAt(Object*, Point) { }
    virtual void draggedImageMovedTo(Object*, Point) { }
    virtual void draggedImageEndedAtOperation(Object*, Point, std::uint64_t) { }
    virtual bool ignoreModifierKeysWhileDragging() { return false; }
};

// A drag that may leave the application, as handed to Qt's drag and drop.
struct OutgoingDrag {
    QWidget* host = nullptr; // the source window's host widget
    std::unique_ptr<QMimeData> mimeData; // the pasteboard's contents; a QDrag takes it
    QImage image; // null without a kit Image of some size
    QPoint hotSpot; // the pointer in the image, from its top-left
    Qt::DropActions actions; // what the source allows outside the application
    Qt::DropAction defaultAction = Qt::IgnoreAction;
    // Report the pointer (global Qt coordinates) while the drag runs.
    std::function<void(QPointF)> pointerMoved;
};

// Drags crossing the application's edge through Qt, in both directions.
class ExternalDrag {
public:
    enum Phase { Enter, Move, Leave, Drop };
    // A drag arriving at a host widget: the destination protocol, with a pasteboard made from the
    // MIME data and no source, unless the drag is this process's own outgoing one. Answers the
    // operation the destination accepts (none for Leave).
    static std::uint64_t handle(Window& window, Phase phase, Point basePoint, const QMimeData* data, std::uint64_t offered);
    // The pasteboard made from MIME data: text/plain, text/uri-list and the kit's own types.
    static Ref<Pasteboard> pasteboardFromMimeData(const QMimeData& data);

    // Runs an outgoing drag to its end and answers the action the drop took (Ignore when none).
    // The default presenter runs a QDrag; tests install one that scripts the outcome.
    using Presenter = std::function<Qt::DropAction(OutgoingDrag&)>;
    // An empty presenter puts Qt's back.
    static void setPresenter(Presenter presenter);

    // Between kit operation masks and Qt's actions: move and generic travel as Qt's move; private
    // and delete have no Qt counterpart.
    static Qt::DropActions actionsForOperations(std::uint64_t operations);
    // The operation a Qt drop action stands for, among those `offered`.
    static std::uint64_t operationForAction(Qt::DropAction action, std::uint64_t offered);

    // Test-only: Qt's presenter, no drag in flight.
    static void resetForTesting();
};

// Runs a drag to its end (drop or cancel), eating the mouse-up. `at` is the image's bottom-left
// in `view`'s coordinates. A source whose mask for outside the application is none (asked with
// NO), or offers only what Qt cannot carry, keeps the drag in the kit: a kit Image is shown in a
// drag window under the pointer, which slides back to the start when the drop is refused and
// `slideBack` is set. Other drags run through the presenter; on a headless Qt platform without
// an installed presenter they stay in the kit's loop too. Answers the operation performed.
std::uint64_t RunDragSession(
    View* view, Object* image, Point at, const Event& event, Pasteboard* pasteboard, Object* source, bool slideBack = true);

// The window a drag from `sourceWindow` is over at a screen point: the topmost visible window that
// takes mouse events, by the window server's stacking where there is one; the drag image never.
Ref<Window> windowUnderDraggingPoint(Point screen, const Window& sourceWindow);

// The view under the pointer (not the drag image's origin) in that window, during a drag or as it ends.
Ref<View> viewUnderDraggingPointer(const Window& sourceWindow);

// After a drop that moved something from `source`'s window into `destination` (another window):
// the destination becomes key and comes to the front. Called once the drag's end is done, its
// emptied source window closed: a key window ordered out after it hands key to whichever window
// the kit has in front.
void MakeDropDestinationKey(Window* destination, const Window* source);

} // namespace kit
