#include "kit/appkit/Dragging.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"

#include <QMimeData>

namespace kit {

namespace {

constexpr double periodicUpdateInterval = 0.1;

template <class Protocol> Protocol* optional(Object* o, const char* operation)
{
    if (!o || !o->respondsToSelector(Selector(operation)))
        return nullptr;
    return dynamic_cast<Protocol*>(o);
}

class Session : public DraggingInfo {
public:
    Ref<Pasteboard> pasteboard;
    std::uint64_t mask = DragOperationEvery;
    Ref<Object> image;
    Point location;
    Weak<Object> source;

    Ref<Pasteboard> draggingPasteboard() const override { return pasteboard; }
    std::uint64_t draggingSourceOperationMask() const override { return mask; }
    Ref<Object> draggedImage() const override { return image; }
    Point draggingLocation() const override { return location; }
    Ref<Object> draggingSource() const override { return source.lock(); }
};

// The deepest view under `base` registered for a type the pasteboard holds.
Ref<View> destinationAt(Window& window, Point base, const Pasteboard& pasteboard)
{
    for (Ref<View> v = window.frameView()->hitTest(base); v; v = v->superview())
        for (const QString& type : v->registeredDraggedTypes())
            if (pasteboard.types().contains(type))
                return v;
    return nullptr;
}

// The drag from another application in progress, one at a time.
struct External {
    Session info;
    Ref<View> current;
    std::uint64_t operation = DragOperationNone;
};

External& external()
{
    static External e;
    return e;
}

} // namespace

Ref<Pasteboard> ExternalDrag::pasteboardFromMimeData(const QMimeData& data)
{
    auto board = make<Pasteboard>(DragPboard);
    board->declareTypesOwner({}, nullptr);
    const QString kitPrefix = QStringLiteral("application/x-kit-pasteboard;type=");
    for (const QString& format : data.formats()) {
        if (format == QLatin1String("text/plain"))
            board->setStringForType(data.text(), StringPboardType);
        else if (format == QLatin1String("text/uri-list"))
            board->setDataForType(data.data(format), QStringLiteral("NSURLPboardType"));
        else if (format.startsWith(kitPrefix))
            board->setDataForType(data.data(format), format.mid(kitPrefix.size()));
    }
    return board;
}

std::uint64_t ExternalDrag::handle(Window& window, Phase phase, Point base, const QMimeData* data, std::uint64_t offered)
{
    External& x = external();
    const auto destination = [](const Ref<View>& v, const char* op) { return optional<DraggingDestination>(v.get(), op); };
    if (phase == Enter) {
        x = External {};
        x.info.pasteboard = data ? pasteboardFromMimeData(*data) : make<Pasteboard>(DragPboard);
        x.info.mask = offered;
    }
    if (!x.info.pasteboard)
        return DragOperationNone;
    x.info.location = base;
    if (phase == Leave) {
        if (auto* d = destination(x.current, "draggingExited"))
            d->draggingExited(x.info);
        if (auto* d = destination(x.current, "draggingEnded"))
            d->draggingEnded(x.info);
        x = External {};
        return DragOperationNone;
    }
    const Ref<View> target = destinationAt(window, base, *x.info.pasteboard);
    if (target != x.current) {
        if (auto* d = destination(x.current, "draggingExited"))
            d->draggingExited(x.info);
        x.current = target;
        x.operation = DragOperationNone;
        if (auto* d = destination(x.current, "draggingEntered"))
            x.operation = d->draggingEntered(x.info);
    } else if (phase == Move) {
        if (auto* d = destination(x.current, "draggingUpdated"))
            x.operation = d->draggingUpdated(x.info);
    }
    if (phase != Drop)
        return x.operation & x.info.mask;
    std::uint64_t performed = DragOperationNone;
    if (x.current) {
        const std::uint64_t op = x.operation & x.info.mask;
        if (op == DragOperationNone) {
            if (auto* d = destination(x.current, "draggingExited"))
                d->draggingExited(x.info);
        } else {
            auto* prepare = destination(x.current, "prepareForDragOperation");
            auto* perform = destination(x.current, "performDragOperation");
            if ((!prepare || prepare->prepareForDragOperation(x.info)) && perform && perform->performDragOperation(x.info)) {
                performed = op;
                if (auto* d = destination(x.current, "concludeDragOperation"))
                    d->concludeDragOperation(x.info);
            }
        }
        if (auto* d = destination(x.current, "draggingEnded"))
            d->draggingEnded(x.info);
    }
    x = External {};
    return performed;
}

std::uint64_t RunDragSession(View* view, Object* image, Point at, const Event& event, Pasteboard* pasteboard, Object* source)
{
    const Ref<Window> window = view ? view->window() : nullptr;
    if (!window || !pasteboard)
        return DragOperationNone;
    const Ref<Application> app = Application::sharedApplication();
    Session info;
    info.pasteboard = pasteboard;
    info.image = image;
    info.source = source;
    info.location = event.locationInWindow();
    if (auto* s = optional<DraggingSource>(source, "draggingSourceOperationMaskForLocal"))
        info.mask = s->draggingSourceOperationMaskForLocal(true);
    const Point imageOrigin = window->convertBaseToScreen(view->convertPointToView(at, nullptr));
    const Point grab = window->convertBaseToScreen(event.locationInWindow());
    const auto imageAt = [&](Point base) {
        const Point screen = window->convertBaseToScreen(base);
        return MakePoint(imageOrigin.x + screen.x - grab.x, imageOrigin.y + screen.y - grab.y);
    };
    if (auto* s = optional<DraggingSource>(source, "draggedImageBeganAt"))
        s->draggedImageBeganAt(image, imageOrigin);

    Ref<View> current;
    std::uint64_t operation = DragOperationNone;
    const auto destination = [](const Ref<View>& v, const char* op) { return optional<DraggingDestination>(v.get(), op); };
    for (;;) {
        const Ref<Event> e = app->nextEventMatchingMaskUntilDateInModeDequeue(
            LeftMouseDraggedMask | LeftMouseUpMask, Application::now() + periodicUpdateInterval, DefaultRunLoopMode, true);
        if (e)
            info.location = e->locationInWindow();
        const Ref<View> target = destinationAt(*window, info.location, *pasteboard);
        if (target != current) {
            if (auto* d = destination(current, "draggingExited"))
                d->draggingExited(info);
            current = target;
            operation = DragOperationNone;
            if (auto* d = destination(current, "draggingEntered"))
                operation = d->draggingEntered(info);
        } else if (current) {
            auto* wants = destination(current, "wantsPeriodicDraggingUpdates");
            const bool periodic = !wants || wants->wantsPeriodicDraggingUpdates();
            if (e || periodic)
                if (auto* d = destination(current, "draggingUpdated"))
                    operation = d->draggingUpdated(info);
        }
        if (e && e->type() == LeftMouseDragged)
            if (auto* s = optional<DraggingSource>(source, "draggedImageMovedTo"))
                s->draggedImageMovedTo(image, imageAt(info.location));
        if (e && e->type() == LeftMouseUp)
            break;
    }

    std::uint64_t performed = DragOperationNone;
    if (current) {
        const std::uint64_t offered = operation & info.mask;
        if (offered == DragOperationNone) {
            if (auto* d = destination(current, "draggingExited"))
                d->draggingExited(info);
        } else {
            auto* prepare = destination(current, "prepareForDragOperation");
            auto* perform = destination(current, "performDragOperation");
            if ((!prepare || prepare->prepareForDragOperation(info)) && perform && perform->performDragOperation(info)) {
                performed = offered;
                if (auto* d = destination(current, "concludeDragOperation"))
                    d->concludeDragOperation(info);
            }
        }
        if (auto* d = destination(current, "draggingEnded"))
            d->draggingEnded(info);
    }
    if (auto* s = optional<DraggingSource>(source, "draggedImageEndedAtOperation"))
        s->draggedImageEndedAtOperation(image, imageAt(info.location), performed);
    return performed;
}

} // namespace kit
