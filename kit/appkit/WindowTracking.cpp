// The window's pointer bookkeeping: tracking areas reconciled on every mouse event and after every
// change of geometry or visibility, cursor rectangles collected on demand, tool tips found under
// the pointer.

#include "kit/appkit/Application.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/Cursor.h"

#include <QWidget>

#include <algorithm>
#include <unordered_set>

#include <utility>

namespace kit {

namespace {

// The window whose rectangles showed the cursor last: the pointer is over it or it holds the grab.
Weak<Window>& CursorWindow()
{
    static Weak<Window> window;
    return window;
}

} // namespace

void Window::installCursorPresenter()
{
    Cursor::setPresenter([](const Cursor& cursor) {
        Ref<Window> w = CursorWindow().lock();
        if (!w)
            w = Application::sharedApplication()->keyWindow();
        if (w)
            w->hostWidget()->setCursor(cursor.qCursor(w->hostWidget()->devicePixelRatioF()));
    });
}

void Window::collectTracking(View* view)
{
    if (view->isHidden())
        return;
    if (!view->trackingAreas().empty()) {
        const ViewTransform toBase = view->transformToWindow();
        const ViewTransform fromBase = toBase.inverted();
        const Rect visible = view->visibleRect();
        for (const Ref<TrackingArea>& a : view->trackingAreas()) {
            const Rect rect = (a->options() & TrackingInVisibleRect) ? visible : a->rect();
            collecting_.push_back({ a, view, fromBase, rect, toBase.apply(rect), view->isFlipped() });
        }
    }
    for (const Ref<View>& sub : view->subviews())
        collectTracking(sub.get());
}

bool Window::areaActive(const TrackingArea& area, const View* view) const
{
    const std::uint64_t o = area.options();
    if (o & TrackingActiveAlways)
        return true;
    if (o & TrackingActiveInActiveApp)
        return Application::sharedApplication()->isActive();
    if (o & TrackingActiveInKeyWindow)
        return isKeyWindow() && Application::sharedApplication()->isActive();
    if (o & TrackingActiveWhenFirstResponder)
        return firstResponder_.unsafeRaw() == view && isKeyWindow();
    return false;
}

void Window::sendTracking(TrackingArea& area, EventType type, const Event& cause)
{
    const Ref<Object> owner = area.owner();
    auto* target = dynamic_cast<MouseTrackingTarget*>(owner.get());
    if (!target)
        return;
    Event::Fields f;
    f.type = type;
    f.location = cause.locationInWindow();
    f.modifierFlags = cause.modifierFlags();
    f.timestamp = cause.timestamp();
    f.windowNumber = number_;
    f.window = Weak<Window>(this);
    f.trackingNumber = area.trackingNumber();
    f.trackingArea = Weak<TrackingArea>(&area);
    f.userData = area.userInfo();
    const Event e(std::move(f));
    try {
        if (type == MouseEntered)
            target->mouseEntered(e);
        else if (type == MouseExited)
            target->mouseExited(e);
        else if (type == MouseMoved)
            target->mouseMoved(cause);
        else
            target->cursorUpdate(e);
    } catch (const std::exception& ex) {
        logMessage(QStringLiteral("*** Exception in a tracking-area callback: ") + QString::fromUtf8(ex.what()));
    }
}

bool Window::rebuildTracking()
{
    if (!trackingUpdates_.empty()) {
        std::vector<Weak<View>> views;
        views.swap(trackingUpdates_);
        // A change reaches the whole subtree: a moved or scrolled view moves its descendants too.
        std::unordered_set<const View*> done;
        std::vector<Ref<View>> stack;
        for (const Weak<View>& w : views)
            if (Ref<View> v = w.lock())
                stack.push_back(std::move(v));
        std::reverse(stack.begin(), stack.end());
        while (!stack.empty()) {
            const Ref<View> v = stack.back();
            stack.pop_back();
            if (!done.insert(v.get()).second)
                continue;
            v->updateTrackingAreas();
            const auto& subs = v->subviews();
            for (auto it = subs.rbegin(); it != subs.rend(); ++it)
                stack.push_back(*it);
        }
        trackingDirty_ = true;
    }
    if (!trackingDirty_)
        return false;
    const auto before = tracked_;
    collecting_.clear();
    collectTracking(frameView_.get());
    tracked_ = std::make_shared<const std::vector<TrackedArea>>(std::move(collecting_));
    collecting_.clear();
    trackingDirty_ = false;
    // Areas that left the set while the pointer was in them (a hidden or detached view) exit once.
    if (before && std::any_of(before->begin(), before->end(), [](const TrackedArea& ta) { return ta.area->inside_; })) {
        std::unordered_set<const TrackingArea*> now;
        for (const TrackedArea& ta : *tracked_)
            now.insert(ta.area.get());
        Ref<Event> cause;
        for (const TrackedArea& ta : *before) {
            if (!ta.area->inside_ || now.count(ta.area.get()))
                continue;
            ta.area->inside_ = false;
            if (ta.area->options() & TrackingMouseEnteredAndExited) {
                if (!cause)
                    cause = restingPointerEvent();
                sendTracking(*ta.area, MouseExited, *cause);
            }
        }
    }
    return true;
}

void Window::updateTrackingAreasNow()
{
    // Geometry or visibility changed under a resting pointer: the areas hear of it now.
    const bool pointerSeen = lastMouse_.x > -1e8;
    if (rebuildTracking() && pointerSeen)
        reconcileTracking(*restingPointerEvent(), InputState::shared().pressedButtons != 0, false);
}

Ref<Event> Window::restingPointerEvent() const
{
    Event::Fields f;
    f.type = MouseMoved;
    f.location = lastMouse_;
    f.modifierFlags = InputState::shared().modifierFlags;
    f.timestamp = Application::now();
    f.windowNumber = number_;
    f.window = Weak<Window>(const_cast<Window*>(this));
    return make<Event>(std::move(f));
}

void Window::scheduleTrackingUpdate()
{
    if (trackingUpdateScheduled_)
        return;
    trackingUpdateScheduled_ = true;
    RunLoop::main().enqueueMainBlock([self = Weak<Window>(this)] {
        if (const Ref<Window> w = self.lock()) {
            w->trackingUpdateScheduled_ = false;
            w->updateTrackingAreasNow();
        }
    });
}

void Window::mouseEventTakenByLoop(const Event& event)
{
    const Ref<Window> keep(this);
    if (event.type() == LeftMouseUp)
        finishFirstMouse();
    if (event.type() != ScrollWheel)
        trackMouse(event, false);
    if (event.type() == LeftMouseUp || event.type() == RightMouseUp || event.type() == OtherMouseUp) {
        loopTakenUp_ = Ref<Event>(const_cast<Event*>(&event));
        loopTakenUpView_ = mouseDownView_;
        mouseDownView_ = nullptr;
    }
}

void Window::mouseUpReposted(const Event& event)
{
    if (loopTakenUp_.get() != &event)
        return;
    loopTakenUp_ = nullptr;
    if (const Ref<View> pressed = std::exchange(loopTakenUpView_, nullptr).lock(); pressed && !mouseDownView_)
        mouseDownView_ = pressed;
}

void Window::trackMouse(const Event& event, bool)
{
    lastMouse_ = event.locationInWindow();
    rebuildTracking();
    const EventType t = event.type();
    const bool pressed = t == LeftMouseDown || t == LeftMouseDragged || t == RightMouseDown || t == RightMouseDragged || t == OtherMouseDown
        || t == OtherMouseDragged;
    // While a button is held the cursor stays what the press found.
    if (!pressed)
        updateCursorForPoint(lastMouse_);
    reconcileTracking(event, pressed, t == MouseMoved || t == LeftMouseDragged);
}

void Window::reconcileTracking(const Event& event, bool pressed, bool moves)
{
    const Point m = lastMouse_;
    const auto areas = tracked_;
    if (!areas)
        return;
    std::vector<std::pair<Ref<TrackingArea>, bool>> later; // the area, and whether it is entered
    for (const TrackedArea& ta : *areas) {
        TrackingArea& area = *ta.area;
        const Rect& b = ta.baseRect;
        const bool near = m.x >= b.minX() && m.x <= b.maxX() && m.y >= b.minY() && m.y <= b.maxY();
        if (!near && !area.inside_)
            continue;
        if (!areaActive(area, ta.view))
            continue;
        const std::uint64_t o = area.options();
        // Without EnabledDuringMouseDrag nothing is sent while a button is held; mouse-up reconciles.
        if (pressed && !(o & TrackingEnabledDuringMouseDrag))
            continue;
        const Point p = ta.fromBase.apply(m);
        const bool inside = near && p.x >= ta.rect.minX() && p.x < ta.rect.maxX()
            && (ta.flipped ? (p.y >= ta.rect.minY() && p.y < ta.rect.maxY()) : (p.y > ta.rect.minY() && p.y <= ta.rect.maxY()));
        if (!inside && area.inside_) {
            area.inside_ = false;
            if (o & TrackingMouseEnteredAndExited)
                sendTracking(area, MouseExited, event);
        } else if (inside && (!area.inside_ || (moves && (o & TrackingMouseMoved)))) {
            later.emplace_back(ta.area, !area.inside_);
        }
    }
    // All exits of one move come before its entries: an owner of touching areas would otherwise
    // hear the old area's exit after the new one's entry.
    for (const auto& [a, entered] : later) {
        TrackingArea& area = *a;
        const std::uint64_t o = area.options();
        if (entered) {
            // An exit's handler may have reconciled already.
            if (area.inside_)
                continue;
            area.inside_ = true;
            if (o & TrackingMouseEnteredAndExited)
                sendTracking(area, MouseEntered, event);
            if (o & TrackingCursorUpdate)
                sendTracking(area, CursorUpdate, event);
        } else {
            sendTracking(area, MouseMoved, event);
        }
    }
}

void Window::collectCursorRects(View* view)
{
    if (view->isHidden())
        return;
    view->discardCursorRects();
    view->resetCursorRects();
    if (!view->cursorRects_.empty()) {
        const Rect visible = view->visibleRect();
        for (const View::CursorRect& c : view->cursorRects_) {
            const Rect r = IntersectionRect(c.rect, visible);
            if (r.size.width > 0 && r.size.height > 0)
                cursorRects_.emplace_back(view->convertRectToView(r, nullptr), c.cursor);
        }
    }
    for (const Ref<View>& sub : std::vector<Ref<View>>(view->subviews()))
        collectCursorRects(sub.get());
}

QString Window::toolTipAtPoint(Point basePoint)
{
    for (Ref<View> v = frameView_->hitTest(basePoint); v; v = v->superview()) {
        const QString tip = v->toolTipAtPoint(v->convertPointFromView(basePoint, nullptr));
        if (!tip.isNull())
            return tip;
    }
    return QString();
}

void Window::invalidateCursorRectsForView(View*)
{
    cursorRectsDirty_ = true;
    scheduleCursorUpdate();
}

void Window::scheduleCursorUpdate()
{
    // The pointer may rest over this window: show the new rectangles' cursor without waiting for
    // it to move. Coalesced into one rebuild after the current callback.
    if (cursorUpdateScheduled_ || CursorWindow().unsafeRaw() != this)
        return;
    cursorUpdateScheduled_ = true;
    RunLoop::main().enqueueMainBlock([self = Weak<Window>(this)] {
        const Ref<Window> w = self.lock();
        if (!w)
            return;
        w->cursorUpdateScheduled_ = false;
        // While a button is held the cursor stays what the press found; the release reconciles.
        if (CursorWindow().unsafeRaw() == w.get() && InputState::shared().pressedButtons == 0)
            w->updateCursorForPoint(w->lastMouse_);
    });
}

Ref<Cursor> Window::cursorAtPoint(Point p)
{
    if (cursorRectsDirty_) {
        cursorRects_.clear();
        collectCursorRects(frameView_.get());
        cursorRectsDirty_ = false;
        ++cursorRectsGeneration_;
    }
    // The topmost rectangle wins: the last one collected in drawing order.
    for (auto it = cursorRects_.rbegin(); it != cursorRects_.rend(); ++it)
        if (p.x >= it->first.minX() && p.x < it->first.maxX() && p.y >= it->first.minY() && p.y < it->first.maxY())
            return it->second;
    return nullptr;
}

void Window::updateCursorForPoint(Point p)
{
    // Rectangles act only in the key window of the active application.
    const bool key = isKeyWindow() && Application::sharedApplication()->isActive();
    const Ref<Cursor> wanted = key ? cursorAtPoint(p) : nullptr;
    const bool sameWindow = CursorWindow().unsafeRaw() == this;
    if (sameWindow && wanted.get() == shownRectCursor_ && shownGeneration_ == cursorRectsGeneration_)
        return;
    shownRectCursor_ = wanted.get();
    shownGeneration_ = cursorRectsGeneration_;
    CursorWindow() = this;
    (wanted ? wanted : Cursor::arrowCursor())->set();
}

} // namespace kit
