#include "kit/appkit/Dragging.h"

#include "kit/appkit/Animation.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Image.h"
#include "kit/x11/ServerPointer.h"
#include "kit/x11/Stacking.h"

#include <QCursor>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace kit {

namespace {

constexpr double periodicUpdateInterval = 0.1;
constexpr double slideBackDuration = 0.25;
constexpr double dragImageAlpha = 0.75;
constexpr int pointerPollMilliseconds = 16;
constexpr double serverPollInterval = 0.016;

class DragImageView : public View {
public:
    DragImageView(Rect frame, Ref<Image> image)
        : View(frame)
        , image_(std::move(image))
    { }
    void drawRect(Rect) override { image_->drawInRect(bounds()); }

private:
    Ref<Image> image_;
};

Image* sizedImage(Object* object)
{
    auto* image = dynamic_cast<Image*>(object);
    return image && image->size().width > 0 && image->size().height > 0 ? image : nullptr;
}

// The dragged image under the pointer: borderless, translucent, never taking input, placed exactly.
Ref<Window> makeDragImageWindow(Object* object, Point screenOrigin)
{
    Image* image = sizedImage(object);
    if (!image)
        return nullptr;
    const Rect frame { screenOrigin, image->size() };
    auto window = make<Window>(frame, BorderlessWindowMask);
    window->hostWidget()->setWindowFlags(
        Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
    window->setIgnoresMouseEvents(true);
    window->setAlphaValue(dragImageAlpha);
    auto view = make<DragImageView>(MakeRect(0, 0, frame.width(), frame.height()), Ref<Image>(image));
    window->setContentView(view.get());
    window->orderFront();
    return window;
}

template <class Protocol> Protocol* optional(Object* o, const char* operation)
{
    if (!o || !o->respondsToSelector(Selector(operation)))
        return nullptr;
    return dynamic_cast<Protocol*>(o);
}

DraggingDestination* destination(const Ref<View>& v, const char* operation) { return optional<DraggingDestination>(v.get(), operation); }

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

// The window a drag is over at a screen point: the topmost visible one taking mouse events (the
// drag image window never does). A source window never ordered in counts off screen, under all
// others, as scripts drag in windows never ordered in; one ordered out during the drag does not.
// A window at alpha 0 is not on screen either, the source included (a tab torn off its window
// drags across it). On X11 the server's stacking decides, as the window manager left it after
// clicks and raises; elsewhere the highest level, then the kit's own order.
Ref<Window> windowUnder(Point screen, const Window& sourceWindow, bool sourceCountsOffScreen)
{
    // The live native window: new flags (staying on top) make Qt create another, and the widget's
    // own id still names the old one.
    const auto nativeId = [](const Window& w) -> unsigned long {
        const QWindow* handle = w.hostWidget()->windowHandle();
        return handle && handle->handle() ? handle->winId() : 0;
    };
    std::vector<Ref<Window>> hits;
    std::vector<unsigned long> native;
    for (const Ref<Window>& w : Window::allWindows())
        if ((w->isVisible() || (sourceCountsOffScreen && w.get() == &sourceWindow)) && w->alphaValue() > 0 && !w->ignoresMouseEvents()
            && PointInRect(screen, w->frame())) {
            hits.push_back(w);
            if (const unsigned long id = nativeId(*w); w->isVisible() && id)
                native.push_back(id);
        }
    if (hits.empty())
        return nullptr;
    // Front to back; a window on neither list (off screen) ranks last.
    std::vector<const Window*> front;
    const std::optional<std::vector<unsigned long>> server = stackingOnServer(native);
    if (server) {
        for (auto it = server->rbegin(); it != server->rend(); ++it)
            for (const Ref<Window>& w : hits)
                if (nativeId(*w) == *it)
                    front.push_back(w.get());
    } else {
        for (const Ref<Window>& w : Application::sharedApplication()->orderedWindows())
            front.push_back(w.get());
    }
    const auto rank = [&front](const Ref<Window>& w) { return std::find(front.begin(), front.end(), w.get()) - front.begin(); };
    return *std::min_element(hits.begin(), hits.end(), [&](const Ref<Window>& a, const Ref<Window>& b) {
        if (a->isVisible() != b->isVisible())
            return a->isVisible();
        if (!server && a->level() != b->level())
            return a->level() > b->level();
        if (rank(a) != rank(b))
            return rank(a) < rank(b);
        return a->windowNumber() > b->windowNumber();
    });
}

// The destination under the pointer and its last answer, for both kinds of drag.
struct DestinationTracker {
    Ref<View> current;
    std::uint64_t operation = DragOperationNone;

    // Exits the old destination and enters the new one, or updates the same one when asked.
    void follow(const Ref<View>& target, Session& info, bool update)
    {
        if (target != current) {
            if (auto* d = destination(current, "draggingExited"))
                d->draggingExited(info);
            current = target;
            operation = DragOperationNone;
            if (auto* d = destination(current, "draggingEntered"))
                operation = d->draggingEntered(info);
        } else if (update) {
            if (auto* d = destination(current, "draggingUpdated"))
                operation = d->draggingUpdated(info);
        }
    }

    // The drop: prepare, perform and conclude when the answer meets the mask, else an exit; then
    // draggingEnded always. Answers the operation performed.
    std::uint64_t drop(Session& info)
    {
        if (!current)
            return DragOperationNone;
        std::uint64_t performed = DragOperationNone;
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
        return performed;
    }
};

// This process's drag in flight through Qt: when it comes back into one of our windows, the
// destination sees the real pasteboard (in-process objects included), the source and the mask
// for inside the application.
struct Outgoing {
    const QMimeData* data = nullptr;
    Ref<Pasteboard> pasteboard;
    Weak<Object> source;
    Ref<Object> image;
    std::uint64_t localMask = DragOperationNone;
    bool droppedInside = false;
    std::uint64_t performedInside = DragOperationNone;
};

// A drag arriving through Qt, one at a time. Qt reports only moves: at rest the timer gives the
// destination its periodic updates, as the kit's loop does.
struct Incoming {
    Session info;
    DestinationTracker tracker;
    bool ours = false;
    Ref<Timer> atRest;

    void stopTimer()
    {
        if (atRest)
            std::exchange(atRest, nullptr)->invalidate();
    }
};

struct State {
    ExternalDrag::Presenter presenter;
    Outgoing outgoing;
    Incoming incoming;
};

State& state()
{
    static State s;
    return s;
}

// Qt's drag and drop: QDrag::exec runs its own loop until the drop. Qt deletes the QDrag (and
// the MIME data with it) when it is done.
Qt::DropAction execQDrag(OutgoingDrag& drag)
{
    auto* qdrag = new QDrag(drag.host);
    qdrag->setMimeData(drag.mimeData.release());
    if (!drag.image.isNull()) {
        qdrag->setPixmap(QPixmap::fromImage(drag.image));
        qdrag->setHotSpot(drag.hotSpot);
    }
    // Qt reports no pointer moves during its drag: follow the cursor instead.
    QTimer poll;
    QPoint last = QCursor::pos();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QPoint p = QCursor::pos();
        if (p == last)
            return;
        last = p;
        try {
            drag.pointerMoved(p);
        } catch (const std::exception& e) {
            logMessage(QStringLiteral("*** Exception while dragging: ") + QString::fromUtf8(e.what()));
        }
    });
    poll.start(pointerPollMilliseconds);
    return qdrag->exec(drag.actions, drag.defaultAction);
}

// The pointer's global position and whether its first button is held, from the X server.
bool serverPointerState(QPoint& global, bool& leftHeld)
{
    const std::optional<ServerPointer> pointer = serverPointer();
    if (!pointer)
        return false;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal scale = screen ? screen->devicePixelRatio() : 1;
    global = QPoint(int(std::lround(pointer->global.x() / scale)), int(std::lround(pointer->global.y() / scale)));
    leftHeld = pointer->leftHeld;
    return true;
}

// Qt's drag needs a windowing system: on the headless platforms the kit's loop stands in, so
// event scripts drive every drag there unless a test installs a presenter.
bool canLeaveApplication()
{
    if (state().presenter)
        return true;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// Whether the X server says the first button is up (a test's presenter stands in for Qt's drag:
// nothing to ask then).
bool pressEndedOnServer()
{
    if (state().presenter || QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    QPoint global;
    bool held = true;
    return serverPointerState(global, held) && !held;
}

// What every drag starts from: the info, the source and where the image sits relative to the pointer.
struct DragStart {
    Ref<Window> window;
    Session info;
    Ref<Object> source;
    Point imageOrigin; // screen, y up
    Point grab; // the pointer at the start, screen

    // The image's bottom-left with the pointer at `screen`.
    Point imageAt(Point screen) const { return MakePoint(imageOrigin.x + screen.x - grab.x, imageOrigin.y + screen.y - grab.y); }
    DraggingSource* sourceFor(const char* operation) const { return optional<DraggingSource>(source.get(), operation); }
};

// Stands a dragged event at the pointer in as the application's current event (timers read it
// to autoscroll), and puts the previous one back at the end.
class PointerAsCurrentEvent {
public:
    PointerAsCurrentEvent(const Window& window, const Event& start)
        : app_(Application::sharedApplication())
        , previous_(app_->currentEvent())
        , windowNumber_(window.windowNumber())
        , clicks_(start.isMouseEvent() ? start.clickCount() : 1)
    { }
    ~PointerAsCurrentEvent() { app_->setCurrentEvent(previous_); }
    PointerAsCurrentEvent(const PointerAsCurrentEvent&) = delete;
    PointerAsCurrentEvent& operator=(const PointerAsCurrentEvent&) = delete;

    void update(Point base, std::uint64_t flags)
    {
        app_->setCurrentEvent(Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
            LeftMouseDragged, base, flags, Application::now(), windowNumber_, nullptr, 0, clicks_, 0));
    }

private:
    Ref<Application> app_;
    Ref<Event> previous_;
    std::int64_t windowNumber_;
    std::int64_t clicks_;
};

std::uint64_t runInKit(DragStart& s, const Event& event, bool slideBack)
{
    Session& info = s.info;
    const Ref<Application> app = Application::sharedApplication();
    // Alt held narrows what the source offers to a copy, unless the source ignores modifiers.
    const std::uint64_t sourceMask = info.mask;
    auto* ignores = s.sourceFor("ignoreModifierKeysWhileDragging");
    const bool modifiersCount = !ignores || !ignores->ignoreModifierKeysWhileDragging();
    std::uint64_t flags = event.modifierFlags();
    const auto applyModifiers
        = [&] { info.mask = (modifiersCount && (flags & AlternateKeyMask)) ? (sourceMask & DragOperationCopy) : sourceMask; };
    applyModifiers();
    // The pointer in the source window's base coordinates; info.location is in the base
    // coordinates of the window it is over.
    Point sourceBase = info.location;
    PointerAsCurrentEvent pointer(*s.window, event);
    pointer.update(sourceBase, flags);
    const auto screenPoint = [&] { return s.window->convertBaseToScreen(sourceBase); };

    const Ref<Window> imageWindow = makeDragImageWindow(info.image.get(), s.imageOrigin);
    if (auto* d = s.sourceFor("draggedImageBeganAt"))
        d->draggedImageBeganAt(info.image.get(), s.imageOrigin);

    // The source may order its window out mid-drag (a torn-off last tab): the press lives on.
    InputState& input = InputState::shared();
    struct HoldPress {
        InputState& input;
        bool before;
        ~HoldPress() { input.dragHoldsPress = before; }
    } hold { input, std::exchange(input.dragHoldsPress, true) };
    const bool sourceCountsOffScreen = !s.window->isVisible();

    DestinationTracker tracker;
    const auto targetAt = [&](Point screen) -> Ref<View> {
        const Ref<Window> over = windowUnder(screen, *s.window, sourceCountsOffScreen);
        info.location = over ? over->convertScreenToBase(screen) : sourceBase;
        return over ? destinationAt(*over, info.location, *info.pasteboard) : nullptr;
    };
    // As the platform does: the destinations hear the drag where it started, before any wait;
    // the events queued since then catch up with the pointer.
    tracker.follow(targetAt(screenPoint()), info, false);
    // On X11 a source window hidden mid-drag takes the pointer grab with it, and Qt drops the
    // events of a press it saw end: the pointer is then read from the server.
    const bool serverPointer = QGuiApplication::platformName() == QLatin1String("xcb");
    const auto sourceHidden = [&] { return s.window->hostWidget() && !s.window->hostWidget()->isVisible(); };
    for (;;) {
        const bool polling = serverPointer && sourceHidden();
        Ref<Event> e = app->nextEventMatchingMaskUntilDateInModeDequeue(LeftMouseDraggedMask | LeftMouseUpMask,
            Application::now() + (polling ? serverPollInterval : periodicUpdateInterval), DefaultRunLoopMode, true);
        // There, hiding the source window (ordered out, or at alpha 0) makes Qt end its press
        // with a release of its own; the user's release is the server's.
        if (serverPointer && e && e->type() == LeftMouseUp && e->window() == s.window && sourceHidden()) {
            input.pressedButtons |= 1u;
            continue;
        }
        if (!e && polling) {
            QPoint global;
            bool held = false;
            if (serverPointerState(global, held)) {
                const Point base = s.window->convertScreenToBase(ScreenRectFromQt(QRectF(global, QSizeF(0, 0))).origin);
                if (!held || !(base == sourceBase))
                    e = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
                        held ? LeftMouseDragged : LeftMouseUp, base, flags, Application::now(), s.window->windowNumber(), nullptr, 0, 1, 0);
            }
        }
        if (e) {
            const Ref<Window> from = e->window();
            sourceBase = from && from != s.window ? s.window->convertScreenToBase(from->convertBaseToScreen(e->locationInWindow()))
                                                  : e->locationInWindow();
            flags = e->modifierFlags();
            applyModifiers();
        }
        pointer.update(sourceBase, flags);
        const Point screen = screenPoint();
        // The server's pointer while the source is hidden reaches no window: keep it for everyone.
        input.mouseLocation = screen;
        const Ref<View> target = targetAt(screen);
        bool update = e != nullptr;
        if (!update && target && target == tracker.current) {
            auto* wants = destination(target, "wantsPeriodicDraggingUpdates");
            update = !wants || wants->wantsPeriodicDraggingUpdates();
        }
        tracker.follow(target, info, update);
        if (e && e->type() == LeftMouseDragged) {
            if (imageWindow)
                imageWindow->setFrameOrigin(s.imageAt(screen));
            if (auto* d = s.sourceFor("draggedImageMovedTo"))
                d->draggedImageMovedTo(info.image.get(), s.imageAt(screen));
        }
        if (e && e->type() == LeftMouseUp)
            break;
    }
    // Keys typed while dragging were not meant for whatever has focus after the drop.
    app->discardEventsMatchingMaskBeforeEvent(KeyDownMask | KeyUpMask, nullptr);

    const std::uint64_t performed = tracker.drop(info);
    if (imageWindow) {
        // A refused drop slides the image back to where it started, in the default mode.
        if (slideBack && performed == DragOperationNone && !(imageWindow->frame().origin == s.imageOrigin)) {
            auto slide = make<ViewAnimation>();
            slide->setDuration(slideBackDuration);
            slide->setAnimationBlockingMode(AnimationBlocking);
            slide->addAnimationDictionary(Dictionary { { Value(ViewAnimationTargetKey), Value(Ref<Object>(imageWindow)) },
                { Value(ViewAnimationEndFrameKey), Value(Rect { s.imageOrigin, imageWindow->frame().size }) } });
            slide->startAnimation();
        }
        imageWindow->orderOut();
    }
    if (auto* d = s.sourceFor("draggedImageEndedAtOperation"))
        d->draggedImageEndedAtOperation(info.image.get(), s.imageAt(screenPoint()), performed);
    return performed;
}

Qt::DropAction preferredAction(Qt::DropActions actions)
{
    // Move when allowed, so the usual modifiers turn it into a copy or a link.
    for (const Qt::DropAction a : { Qt::MoveAction, Qt::CopyAction, Qt::LinkAction })
        if (actions & a)
            return a;
    return Qt::IgnoreAction;
}

std::uint64_t runThroughQt(DragStart& s, const Event& event, std::uint64_t outsideMask)
{
    Session& info = s.info;
    // As in the kit's loop: the default mode, and a dragged event at the pointer as current event.
    const RunLoop::ModeScope defaultMode(DefaultRunLoopMode);
    PointerAsCurrentEvent pointer(*s.window, event);
    pointer.update(info.location, event.modifierFlags());
    OutgoingDrag drag;
    drag.host = s.window->hostWidget();
    drag.mimeData = info.pasteboard->mimeData();
    if (Image* image = sizedImage(info.image.get())) {
        const double scale = drag.host ? drag.host->devicePixelRatioF() : 1;
        drag.image = image->bitmapForDrawing(scale);
        drag.image.setDevicePixelRatio(scale);
        // Qt measures the hot spot from the image's top-left, y down.
        drag.hotSpot
            = QPoint(int(std::lround(s.grab.x - s.imageOrigin.x)), int(std::lround(s.imageOrigin.y + image->size().height - s.grab.y)));
    }
    drag.actions = ExternalDrag::actionsForOperations(outsideMask);
    drag.defaultAction = preferredAction(drag.actions);
    Point last = s.imageOrigin;
    drag.pointerMoved = [&](QPointF global) {
        const Point screen = ScreenRectFromQt(QRectF(global, QSizeF(0, 0))).origin;
        pointer.update(s.window->convertScreenToBase(screen), event.modifierFlags());
        last = s.imageAt(screen);
        if (auto* d = s.sourceFor("draggedImageMovedTo"))
            d->draggedImageMovedTo(info.image.get(), last);
    };

    State& st = state();
    st.outgoing = Outgoing { drag.mimeData.get(), info.pasteboard, s.source, info.image, info.mask, false, DragOperationNone };
    if (auto* d = s.sourceFor("draggedImageBeganAt"))
        d->draggedImageBeganAt(info.image.get(), s.imageOrigin);
    const ExternalDrag::Presenter presenter = st.presenter;
    Outgoing done;
    Qt::DropAction action = Qt::IgnoreAction;
    {
        struct Finish {
            Outgoing& done;
            ~Finish() { done = std::exchange(state().outgoing, Outgoing {}); }
        } finish { done };
        action = presenter ? presenter(drag) : execQDrag(drag);
    }
    // A drop on one of our own windows knows better than Qt what was done.
    const std::uint64_t performed = done.droppedInside ? done.performedInside : ExternalDrag::operationForAction(action, outsideMask);
    // Qt took the mouse-up: the press is over for the kit as well.
    InputState::shared().pressedButtons &= ~1u;
    Application::sharedApplication()->discardEventsMatchingMaskBeforeEvent(LeftMouseDraggedMask | LeftMouseUpMask, nullptr);
    if (auto* d = s.sourceFor("draggedImageEndedAtOperation"))
        d->draggedImageEndedAtOperation(info.image.get(), last, performed);
    return performed;
}

} // namespace

Ref<Pasteboard> ExternalDrag::pasteboardFromMimeData(const QMimeData& data)
{
    auto board = make<Pasteboard>(DragPboard);
    board->declareTypesOwner({}, nullptr);
    const QString kitPrefix = QStringLiteral("application/x-kit-pasteboard;type=");
    const QStringList formats = data.formats();
    if (formats.contains(QLatin1String("text/plain")))
        board->setStringForType(data.text(), StringPboardType);
    if (formats.contains(QLatin1String("text/uri-list")))
        board->setDataForType(data.data(QStringLiteral("text/uri-list")), URLPboardType);
    // A kit application's own form of a type comes last, so it wins over the generic one whatever
    // order the formats were offered in.
    for (const QString& format : formats)
        if (format.startsWith(kitPrefix) && format.size() > kitPrefix.size())
            board->setDataForType(data.data(format), format.mid(kitPrefix.size()));
    return board;
}

std::uint64_t ExternalDrag::handle(Window& window, Phase phase, Point base, const QMimeData* data, std::uint64_t offered)
{
    State& st = state();
    Incoming& in = st.incoming;
    Session& info = in.info;
    if (phase == Enter) {
        in.stopTimer();
        in = Incoming {};
        in.ours = data && data == st.outgoing.data;
        if (in.ours) {
            info.pasteboard = st.outgoing.pasteboard;
            info.mask = st.outgoing.localMask;
            info.source = st.outgoing.source;
            info.image = st.outgoing.image;
        } else {
            info.pasteboard = data ? pasteboardFromMimeData(*data) : make<Pasteboard>(DragPboard);
            info.mask = offered;
        }
    }
    if (!info.pasteboard)
        return DragOperationNone;
    info.location = base;
    in.stopTimer();
    if (phase == Leave) {
        if (auto* d = destination(in.tracker.current, "draggingExited"))
            d->draggingExited(info);
        if (auto* d = destination(in.tracker.current, "draggingEnded"))
            d->draggingEnded(info);
        in = Incoming {};
        return DragOperationNone;
    }
    in.tracker.follow(destinationAt(window, base, *info.pasteboard), info, phase == Move);
    if (phase != Drop) {
        in.atRest = Timer::timerWithTimeIntervalRepeatsBlock(periodicUpdateInterval, true, [](Timer*) {
            Incoming& now = state().incoming;
            auto* wants = destination(now.tracker.current, "wantsPeriodicDraggingUpdates");
            if (now.tracker.current && (!wants || wants->wantsPeriodicDraggingUpdates()))
                now.tracker.follow(now.tracker.current, now.info, true);
        });
        RunLoop::main().addTimerForMode(in.atRest, RunLoopCommonModes);
        return in.tracker.operation & info.mask;
    }
    const std::uint64_t performed = in.tracker.drop(info);
    if (in.ours) {
        st.outgoing.droppedInside = true;
        st.outgoing.performedInside = performed;
    }
    in = Incoming {};
    return performed;
}

void ExternalDrag::setPresenter(Presenter presenter) { state().presenter = std::move(presenter); }

void ExternalDrag::resetForTesting()
{
    state().incoming.stopTimer();
    state() = State {};
}

Qt::DropActions ExternalDrag::actionsForOperations(std::uint64_t operations)
{
    Qt::DropActions actions;
    if (operations & DragOperationCopy)
        actions |= Qt::CopyAction;
    if (operations & (DragOperationMove | DragOperationGeneric))
        actions |= Qt::MoveAction;
    if (operations & DragOperationLink)
        actions |= Qt::LinkAction;
    return actions;
}

std::uint64_t ExternalDrag::operationForAction(Qt::DropAction action, std::uint64_t offered)
{
    switch (action) {
    case Qt::CopyAction:
        return offered & DragOperationCopy;
    case Qt::LinkAction:
        return offered & DragOperationLink;
    case Qt::MoveAction:
    case Qt::TargetMoveAction:
        // A move stands for the source's move, or its generic operation when it offers no move.
        return (offered & DragOperationMove) ? DragOperationMove : offered & DragOperationGeneric;
    default:
        return DragOperationNone;
    }
}

std::uint64_t RunDragSession(
    View* view, Object* image, Point at, const Event& event, Pasteboard* pasteboard, Object* source, bool slideBack)
{
    const Ref<Window> window = view ? view->window() : nullptr;
    if (!window || !pasteboard)
        return DragOperationNone;
    DragStart s;
    s.window = window;
    s.source = source;
    s.info.pasteboard = pasteboard;
    s.info.image = image;
    s.info.source = source;
    s.info.location = event.locationInWindow();
    // A source without a mask offers everything inside the application and a copy outside.
    std::uint64_t outsideMask = DragOperationCopy;
    if (auto* d = s.sourceFor("draggingSourceOperationMaskForLocal")) {
        s.info.mask = d->draggingSourceOperationMaskForLocal(true);
        outsideMask = d->draggingSourceOperationMaskForLocal(false);
    }
    s.imageOrigin = window->convertBaseToScreen(view->convertPointToView(at, nullptr));
    s.grab = window->convertBaseToScreen(event.locationInWindow());
    // Only what Qt can carry leaves the application; anything else stays in the kit's loop. So does
    // a drag whose press already ended (a quick click, its release read before the drag began): Qt's
    // drag would wait for a release that never comes, the kit's loop takes the one queued.
    if (ExternalDrag::actionsForOperations(outsideMask) && canLeaveApplication() && !pressEndedOnServer())
        return runThroughQt(s, event, outsideMask);
    return runInKit(s, event, slideBack);
}

Ref<Window> windowUnderDraggingPoint(Point screen, const Window& sourceWindow) { return windowUnder(screen, sourceWindow, false); }

Ref<View> viewUnderDraggingPointer(const Window& sourceWindow)
{
    const Point screen = Event::mouseLocation();
    const Ref<Window> under = windowUnderDraggingPoint(screen, sourceWindow);
    return under && under->frameView() ? under->frameView()->hitTest(under->convertScreenToBase(screen)) : nullptr;
}

void MakeDropDestinationKey(Window* destination, const Window* source)
{
    if (destination && destination != source && destination->isVisible() && !destination->isKeyWindow())
        destination->makeKeyAndOrderFront();
}

} // namespace kit
