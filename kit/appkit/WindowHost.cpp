#include "kit/appkit/WindowHost.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/KeyTranslation.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/TextInput.h"
#include "kit/appkit/Window.h"
#include "kit/x11/ServerPointer.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <optional>

namespace kit {

WindowHost::WindowHost(Window* window)
    : window_(window)
{
    // Qt makes a widget's accessibility interface when it is shown and keeps it: the bridge's
    // factory must stand first by then, or the window would answer as a bare widget for good.
    AccessibilityBridge::putFactoryFirst();
    setMouseTracking(true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
}

bool WindowHost::event(QEvent* event)
{
    // The kit matches key equivalents itself, so Qt must not take any key as a shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const Ref<Window> w = window_.lock();
        const QString tip = w ? w->toolTipAtPoint(MakePoint(help->pos().x(), w->frame().height() - help->pos().y())) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    if (event->type() == QEvent::WindowActivate)
        if (const Ref<Window> w = window_.lock())
            w->keepChildrenAbove();
    if (event->type() == QEvent::WindowStateChange)
        if (const Ref<Window> w = window_.lock())
            w->setChildrenShownWithParent(!(windowState() & Qt::WindowMinimized));
    if (event->type() == QEvent::UngrabMouse || event->type() == QEvent::WindowDeactivate) {
        // A lost grab ends the press: the kit sees a mouse-up so tracking loops finish.
        InputState& input = InputState::shared();
        if ((input.pressedButtons & 1) && !input.dragHoldsPress) {
            input.pressedButtons &= ~1u;
            if (const Ref<Window> w = window_.lock()) {
                auto app = Application::sharedApplication();
                const Point p = w->convertScreenToBase(input.mouseLocation);
                auto up = Event::mouseEventWithTypeLocationModifierFlagsTimestampWindowNumberContextEventNumberClickCountPressure(
                    LeftMouseUp, p, input.modifierFlags, app->now(), w->windowNumber(), nullptr, 0, pressClickCount_, 0);
                app->postEventAtStart(up.get(), false);
                app->scheduleDispatch();
            }
        }
    }
    return QWidget::event(event);
}

namespace windowhost {

// One row of the backing image into the backing store. An opaque window's pixels are opaque: an
// opaque store takes the same bits with the alpha byte set, eight pixels at a time where it can.
void copyRow(quint32* to, const quint32* from, int count, bool setAlpha)
{
    if (!setAlpha) {
        std::memcpy(to, from, std::size_t(count) * 4);
        return;
    }
    int x = 0;
#if defined(__SSE2__)
    const __m128i alpha = _mm_set1_epi32(int(0xff000000u));
    for (; x + 8 <= count; x += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), _mm_or_si128(a, alpha));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x + 4), _mm_or_si128(b, alpha));
    }
#endif
    for (; x < count; ++x)
        to[x] = from[x] | 0xff000000u;
}

} // namespace windowhost

void WindowHost::paintEvent(QPaintEvent* event)
{
    const Ref<Window> w = window_.lock();
    if (!w)
        return;
    w->fitDecorationsOnFirstPaint();
    // Passes may have drawn straight onto the store: what the backing lacks of this region is
    // drawn into it first.
    QImage* store = backingStore() ? dynamic_cast<QImage*>(backingStore()->paintDevice()) : nullptr;
    const QRegion& asked = event->region();
    w->bringBackingUpToDate(asked);
    const QImage& backing = w->backing_;
    const qreal dpr = backing.devicePixelRatio();
    // Qt blends an image in bands of rows handed to other threads: a fixed cost far above that of
    // copying a small area. When the backing store is an image of the same pixels, the rectangles
    // are copied into it row by row.
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Not while the widget renders elsewhere (grab, render).
    if (store && (!painter.paintEngine() || painter.paintEngine()->paintDevice() != store))
        store = nullptr;
    const bool sameFormat = store && store->format() == backing.format();
    const bool opaqueFormat = store && store->format() == QImage::Format_RGB32 && backing.format() == QImage::Format_ARGB32_Premultiplied;
    if (dpr == 1 && store && store->devicePixelRatio() == 1 && (sameFormat || opaqueFormat)) {
        const QPoint offset = mapTo(QWidget::window(), QPoint(0, 0));
        const QRect target = store->rect().translated(-offset) & backing.rect();
        const uchar* fromBits = backing.constBits();
        uchar* toBits = store->bits();
        const qsizetype fromLine = backing.bytesPerLine(), toLine = store->bytesPerLine();
        for (const QRect& region : asked) {
            const QRect r = region & target;
            if (r.isEmpty())
                continue;
            for (int y = r.top(); y <= r.bottom(); ++y)
                windowhost::copyRow(reinterpret_cast<quint32*>(toBits + (y + offset.y()) * toLine) + r.x() + offset.x(),
                    reinterpret_cast<const quint32*>(fromBits + y * fromLine) + r.x(), r.width(), !sameFormat);
        }
        return;
    }
    for (const QRect& r : asked)
        painter.drawImage(r, backing, QRectF(r.topLeft() * dpr, r.size() * dpr));
}

bool WindowHost::remakeNativeWindow()
{
    if (!testAttribute(Qt::WA_WState_Created) || !windowHandle())
        return false;
    const bool shown = isVisible();
    QWindow* transientParent = windowHandle()->transientParent();
    const Qt::WindowModality modality = windowModality();
    if (shown)
        hide();
    destroy();
    create();
    setWindowModality(modality);
    if (transientParent)
        windowHandle()->setTransientParent(transientParent);
    if (shown)
        show();
    return true;
}

std::uint64_t WindowHost::flagsFromQt(Qt::KeyboardModifiers m) const
{
    return ModifierFlagsFromQt(m, InputState::shared().modifierFlags & AlphaShiftKeyMask);
}

void WindowHost::postMouse(QMouseEvent* event, int kind)
{
    const Ref<Window> w = window_.lock();
    if (!w)
        return;
    auto app = Application::sharedApplication();
    InputState& input = InputState::shared();
    const Point screen = ScreenRectFromQt(QRectF(event->globalPosition(), QSizeF(0, 0))).origin;
    const Point previous = input.mouseLocation;
    input.mouseLocation = screen;
    input.modifierFlags = flagsFromQt(event->modifiers());
    const Point base = w->convertScreenToBase(screen);

    const Qt::MouseButton button = event->button();
    const int number = button == Qt::LeftButton ? 0 : button == Qt::RightButton ? 1 : 2;
    EventType type;
    if (kind == 0) {
        type = number == 0 ? LeftMouseDown : number == 1 ? RightMouseDown : OtherMouseDown;
        input.pressedButtons |= 1u << number;
        pressClickCount_ = input.countClick(number, app->now(), screen);
    } else if (kind == 2) {
        type = number == 0 ? LeftMouseUp : number == 1 ? RightMouseUp : OtherMouseUp;
        input.pressedButtons &= ~(1u << number);
    } else {
        const Qt::MouseButtons held = event->buttons();
        type = (held & Qt::LeftButton) ? LeftMouseDragged
            : (held & Qt::RightButton) ? RightMouseDragged
            : held                     ? OtherMouseDragged
                                       : MouseMoved;
    }
    const std::int64_t clicks = type == MouseMoved ? 0 : pressClickCount_;
    Event::Fields f;
    f.type = type;
    f.location = base;
    f.modifierFlags = input.modifierFlags;
    f.timestamp = app->now();
    f.windowNumber = w->windowNumber();
    f.window = w;
    f.clickCount = clicks;
    f.buttonNumber = kind == 1 ? ((type == RightMouseDragged) ? 1 : (type == OtherMouseDragged) ? 2 : 0) : number;
    f.deltaX = screen.x - previous.x;
    f.deltaY = previous.y - screen.y; // positive when the pointer moved down
    app->postEventAtStart(make<Event>(std::move(f)).get(), false);
    app->scheduleDispatch();
}

void WindowHost::mousePressEvent(QMouseEvent* event) { postMouse(event, 0); }
void WindowHost::mouseDoubleClickEvent(QMouseEvent* event) { postMouse(event, 0); }
void WindowHost::mouseMoveEvent(QMouseEvent* event) { postMouse(event, 1); }
void WindowHost::mouseReleaseEvent(QMouseEvent* event) { postMouse(event, 2); }

void WindowHost::wheelEvent(QWheelEvent* event)
{
    const Ref<Window> w = window_.lock();
    if (!w)
        return;
    auto app = Application::sharedApplication();
    Event::Fields f;
    f.type = ScrollWheel;
    f.location = w->convertScreenToBase(ScreenRectFromQt(QRectF(event->globalPosition(), QSizeF(0, 0))).origin);
    f.modifierFlags = flagsFromQt(event->modifiers());
    f.timestamp = app->now();
    f.windowNumber = w->windowNumber();
    f.window = w;
    if (!event->pixelDelta().isNull()) {
        f.deltaX = event->pixelDelta().x() / 10.0;
        f.deltaY = event->pixelDelta().y() / 10.0;
    } else {
        f.deltaX = event->angleDelta().x() / 120.0;
        f.deltaY = event->angleDelta().y() / 120.0;
    }
    app->postEventAtStart(make<Event>(std::move(f)).get(), false);
    app->scheduleDispatch();
}

void WindowHost::postKey(QKeyEvent* event, bool down)
{
    const Ref<Window> w = window_.lock();
    if (!w)
        return;
    std::optional<Event::Fields> f = TranslateKeyEvent(*event, down);
    if (!f)
        return;
    auto app = Application::sharedApplication();
    f->location = w->mouseLocationOutsideOfEventStream();
    f->timestamp = app->now();
    f->windowNumber = w->windowNumber();
    f->window = w;
    app->postEventAtStart(make<Event>(std::move(*f)).get(), false);
    app->scheduleDispatch();
}

void WindowHost::keyPressEvent(QKeyEvent* event) { postKey(event, true); }
void WindowHost::keyReleaseEvent(QKeyEvent* event) { postKey(event, false); }

// Dead keys, compose sequences and input methods hand over their text here, not as key presses:
// it reaches the first responder as a key-down of no key carrying that text (insertText).
namespace {

TextInputClient* InputClientOf(const Ref<Window>& window, Ref<Responder>& keep)
{
    keep = window ? window->firstResponder() : nullptr;
    return dynamic_cast<TextInputClient*>(keep.get());
}

} // namespace

void WindowHost::inputMethodEvent(QInputMethodEvent* event)
{
    Ref<Responder> keep;
    TextInputClient* client = InputClientOf(window_.lock(), keep);
    // The composed text leaves before the commit arrives (a key-down through the queue).
    if (client && !event->commitString().isEmpty() && client->hasMarkedText())
        client->unmarkText();
    if (!event->commitString().isEmpty()) {
        QKeyEvent commit(QEvent::KeyPress, Qt::Key_unknown, QGuiApplication::keyboardModifiers(), 0, 0, 0, event->commitString());
        postKey(&commit, true);
    }
    if (client) {
        const QString preedit = event->preeditString();
        std::int64_t cursor = preedit.size();
        for (const QInputMethodEvent::Attribute& a : event->attributes())
            if (a.type == QInputMethodEvent::Cursor)
                cursor = std::clamp<std::int64_t>(a.start, 0, preedit.size());
        if (!preedit.isEmpty())
            client->setMarkedTextSelectedRange(preedit, { cursor, 0 });
        else if (client->hasMarkedText())
            client->unmarkText();
    }
    event->accept();
}

QVariant WindowHost::inputMethodQuery(Qt::InputMethodQuery query) const
{
    Ref<Responder> keep;
    const Ref<Window> w = window_.lock();
    TextInputClient* client = InputClientOf(w, keep);
    if (!client)
        return QWidget::inputMethodQuery(query);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle: {
        // Base coordinates run up; the widget's run down.
        const Rect r = client->firstRectForCharacterRange(client->selectedRangeForInput());
        return QRectF(r.minX(), w->frame().height() - r.maxY(), r.width(), r.height()).toRect();
    }
    case Qt::ImSurroundingText:
        return client->surroundingText();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
        return qlonglong(client->cursorPositionInSurroundingText());
    default:
        return QWidget::inputMethodQuery(query);
    }
}

void WindowHost::moveEvent(QMoveEvent*)
{
    if (const Ref<Window> w = window_.lock(); w && !w->settingGeometry_)
        w->setFrameDisplay(ScreenRectFromQt(QRectF(geometry())), false);
}

void WindowHost::resizeEvent(QResizeEvent*)
{
    if (const Ref<Window> w = window_.lock(); w && !w->settingGeometry_)
        w->userDidResize(ScreenRectFromQt(QRectF(geometry())));
}

void WindowHost::focusInEvent(QFocusEvent*)
{
    // Qt announces the host as focused once this returns; the element that has the kit's focus
    // is announced after it, so a screen reader ends on that element.
    QMetaObject::invokeMethod(
        this,
        [weak = window_] {
            if (const Ref<Window> w = weak.lock())
                AccessibilityBridge::focusChanged(w.get());
        },
        Qt::QueuedConnection);
    // Focus that comes with a click: the press makes the window key when it reaches the kit. Qt
    // keeps a button down after a press that ended where none of its windows heard it (its window
    // hidden mid-drag, the release on the desktop): on X11 the server's word settles it, or a
    // window the manager activates later would never become key.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        const std::optional<ServerPointer> pointer = serverPointer();
        if (!pointer || pointer->anyButtonHeld)
            return;
    }
    const Ref<Window> w = window_.lock();
    if (!w)
        return;
    // A window's sheet is key while it is up (keys go to the key window, whichever has the focus).
    const Ref<Window> sheet = Application::sharedApplication()->attachedSheetOfWindow(w.get());
    (sheet && sheet->isVisible() ? sheet : w)->becomeKey(false);
}

namespace {

std::uint64_t operationsFromQt(Qt::DropActions actions)
{
    std::uint64_t ops = DragOperationNone;
    if (actions & Qt::CopyAction)
        ops |= DragOperationCopy;
    if (actions & Qt::MoveAction)
        ops |= DragOperationMove | DragOperationGeneric;
    if (actions & Qt::LinkAction)
        ops |= DragOperationLink;
    return ops;
}

Qt::DropAction actionFromOperation(std::uint64_t op)
{
    if (op & DragOperationCopy)
        return Qt::CopyAction;
    if (op & (DragOperationMove | DragOperationGeneric))
        return Qt::MoveAction;
    if (op & DragOperationLink)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

} // namespace

void WindowHost::dragEnterEvent(QDragEnterEvent* event)
{
    const Ref<Window> w = window_.lock();
    if (!w)
        return;
    const Point p = MakePoint(event->position().x(), w->frame().height() - event->position().y());
    const std::uint64_t op
        = ExternalDrag::handle(*w, ExternalDrag::Enter, p, event->mimeData(), operationsFromQt(event->possibleActions()));
    // Accept the enter whatever the answer, so moves keep coming as the pointer crosses views.
    event->setDropAction(actionFromOperation(op));
    event->accept();
}

void WindowHost::dragMoveEvent(QDragMoveEvent* event)
{
    const Ref<Window> w = window_.lock();
    if (!w)
        return;
    const Point p = MakePoint(event->position().x(), w->frame().height() - event->position().y());
    const std::uint64_t op = ExternalDrag::handle(*w, ExternalDrag::Move, p, event->mimeData(), operationsFromQt(event->possibleActions()));
    event->setDropAction(actionFromOperation(op));
    if (op)
        event->accept();
    else
        event->ignore();
}

void WindowHost::dragLeaveEvent(QDragLeaveEvent*)
{
    if (const Ref<Window> w = window_.lock())
        ExternalDrag::handle(*w, ExternalDrag::Leave, ZeroPoint, nullptr, 0);
}

void WindowHost::dropEvent(QDropEvent* event)
{
    const Ref<Window> w = window_.lock();
    if (!w)
        return;
    const Point p = MakePoint(event->position().x(), w->frame().height() - event->position().y());
    const std::uint64_t op = ExternalDrag::handle(*w, ExternalDrag::Drop, p, event->mimeData(), operationsFromQt(event->possibleActions()));
    event->setDropAction(actionFromOperation(op));
    if (op)
        event->accept();
    else
        event->ignore();
}

void WindowHost::closeEvent(QCloseEvent* event)
{
    const Ref<Window> w = window_.lock();
    // While the application terminates every window goes, unasked.
    if (Application::sharedApplication()->isTerminating()) {
        event->accept();
        if (w && w->isVisible())
            w->close();
        return;
    }
    // The title bar's close button asks like the kit's own: the delegate may refuse, and the kit
    // orders the window out itself (it stays alive).
    event->ignore();
    if (w)
        w->performClose();
}

} // namespace kit
