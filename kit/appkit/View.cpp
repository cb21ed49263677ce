#include "kit/appkit/View.h"
#include "kit/core/Binding.h"

#include "kit/graphics/GraphicsContext.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/Window.h"
#include "kit/core/MainThread.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/OperationQueue.h"

#include <QPainter>

#include <algorithm>
#include <functional>
#include <set>

namespace kit {

namespace {

QPainter* focusedPainter = nullptr;
// The display pass's setup of the drawing view, done when the view first asks for its painter.
PendingViewPainter* pendingPainter = nullptr;

Rect intersection(Rect a, Rect b)
{
    const double x0 = std::max(a.minX(), b.minX()), y0 = std::max(a.minY(), b.minY());
    const double x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
    if (x1 <= x0 || y1 <= y0)
        return ZeroRect;
    return MakeRect(x0, y0, x1 - x0, y1 - y0);
}

bool isEmpty(Rect r) { return r.size.width <= 0 || r.size.height <= 0; }

// From a view's bounds to its superview's bounds (or window base coordinates at the top).
ViewTransform toSuperviewFlipped(const View& v, bool superFlipped)
{
    const Rect f = v.frame(), b = v.bounds();
    const double sx = b.size.width != 0 ? f.size.width / b.size.width : 1;
    const double sy = b.size.height != 0 ? f.size.height / b.size.height : 1;
    if (v.isFlipped() == superFlipped)
        return { sx, sy, f.minX() - b.minX() * sx, f.minY() - b.minY() * sy };
    return { sx, -sy, f.minX() - b.minX() * sx, f.maxY() + b.minY() * sy };
}

ViewTransform toSuperview(const View& v)
{
    const Ref<View> sup = v.superview();
    return toSuperviewFlipped(v, sup && sup->isFlipped());
}

bool mouseInRectFlipped(Point p, Rect r, bool flipped)
{
    if (p.x < r.minX() || p.x >= r.maxX())
        return false;
    return flipped ? (p.y >= r.minY() && p.y < r.maxY()) : (p.y > r.minY() && p.y <= r.maxY());
}

std::int64_t nextTrackingTag = 0;

} // namespace

Rect ViewTransform::apply(Rect r) const
{
    const Point a = apply(r.origin);
    const Point b = apply(Point { r.maxX(), r.maxY() });
    return MakeRect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
}

ViewTransform ViewTransform::then(const ViewTransform& outer) const
{
    return { sx * outer.sx, sy * outer.sy, tx * outer.sx + outer.tx, ty * outer.sy + outer.ty };
}

ViewTransform ViewTransform::inverted() const
{
    const double ix = sx != 0 ? 1 / sx : 0, iy = sy != 0 ? 1 / sy : 0;
    return { ix, iy, -tx * ix, -ty * iy };
}

View::View(Rect frame)
    : frame_(frame)
    , bounds_ { ZeroPoint, frame.size }
{
    setMainThreadAffine();
}

View::~View()
{
    for (const Ref<View>& v : subviews_) {
        v->superview_ = nullptr;
        v->setNextResponder(nullptr);
    }
}

Ref<Window> View::window() const { return window_.lock(); }

// Geometry ----------------------------------------------------------------------------------------

class View::ChangeScope {
public:
    ChangeScope(View* view, ChangeNote& note, const QString& name)
        : view_(view)
        , note_(note)
        , name_(name)
    {
        ++note_.depth;
    }
    ~ChangeScope()
    {
        if (--note_.depth == 0 && note_.changed && note_.posts)
            view_->postChange(note_, name_);
    }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

private:
    View* view_;
    ChangeNote& note_;
    const QString& name_;
};

void View::postChange(ChangeNote& note, const QString& name)
{
    note.changed = false;
    const Ref<View> keep(this); // an observer may release the view
    NotificationCenter::defaultCenter()->postNotificationNameObject(name, this);
}

void View::setPostsFrameChangedNotifications(bool flag)
{
    frameNote_.posts = flag;
    if (flag && frameNote_.changed && frameNote_.depth == 0)
        postChange(frameNote_, ViewFrameDidChangeNotification);
}

void View::setPostsBoundsChangedNotifications(bool flag)
{
    boundsNote_.posts = flag;
    if (flag && boundsNote_.changed && boundsNote_.depth == 0)
        postChange(boundsNote_, ViewBoundsDidChangeNotification);
}

void View::setFrame(Rect frame)
{
    ChangeScope scope(this, frameNote_, ViewFrameDidChangeNotification);
    setFrameOrigin(frame.origin);
    setFrameSize(frame.size);
}

void View::setFrameOrigin(Point origin)
{
    CancelAnimatedFrame(this);
    if (frame_.origin == origin)
        return;
    ChangeScope scope(this, frameNote_, ViewFrameDidChangeNotification);
    frameNote_.changed = true;
    setNeedsDisplay(true);
    frame_.origin = origin;
    setNeedsDisplay(true);
    geometryChanged();
    if (const Ref<View> sup = superview())
        sup->subviewFrameDidChange(this);
}

void View::setFrameSize(Size size)
{
    CancelAnimatedFrame(this);
    if (frame_.size == size)
        return;
    ChangeScope scope(this, frameNote_, ViewFrameDidChangeNotification);
    frameNote_.changed = true;
    setNeedsDisplay(true);
    const Size old = frame_.size;
    frame_.size = size;
    if (!boundsScaled_)
        bounds_.size = size;
    if (autoresizesSubviews_)
        resizeSubviewsWithOldSize(old);
    setNeedsDisplay(true);
    geometryChanged();
    if (const Ref<View> sup = superview())
        sup->subviewFrameDidChange(this);
}

void View::setBounds(Rect bounds)
{
    ChangeScope scope(this, boundsNote_, ViewBoundsDidChangeNotification);
    setBoundsOrigin(bounds.origin);
    setBoundsSize(bounds.size);
}

void View::setBoundsOrigin(Point origin)
{
    if (bounds_.origin == origin)
        return;
    ChangeScope scope(this, boundsNote_, ViewBoundsDidChangeNotification);
    boundsNote_.changed = true;
    bounds_.origin = origin;
    setNeedsDisplay(true);
    geometryChanged();
}

void View::setBoundsSize(Size size)
{
    if (bounds_.size == size)
        return;
    ChangeScope scope(this, boundsNote_, ViewBoundsDidChangeNotification);
    boundsNote_.changed = true;
    bounds_.size = size;
    boundsScaled_ = !(size == frame_.size);
    setNeedsDisplay(true);
    geometryChanged();
}

void View::resizeSubviewsWithOldSize(Size oldSize)
{
    const std::vector<Ref<View>> views = subviews_;
    for (const Ref<View>& v : views)
        v->resizeWithOldSuperviewSize(oldSize);
}

void View::resizeWithOldSuperviewSize(Size oldSize)
{
    const Ref<View> sup = superview();
    if (!sup || autoresizingMask_ == ViewNotSizable)
        return;
    const Size now = sup->bounds().size;
    Rect f = frame();
    const unsigned m = autoresizingMask_;
    AutoresizeAxis(f.origin.x, f.size.width, oldSize.width, now.width, m & ViewMinXMargin, m & ViewWidthSizable, m & ViewMaxXMargin);
    // In coordinates the rule is the same either way; in a flipped superview MinY is the top margin.
    AutoresizeAxis(f.origin.y, f.size.height, oldSize.height, now.height, m & ViewMinYMargin, m & ViewHeightSizable, m & ViewMaxYMargin);
    setFrame(f);
}

// Hierarchy ---------------------------------------------------------------------------------------

void View::addSubview(View* view) { insertSubview(view, subviews_.size()); }

void View::addSubviewPositionedRelativeTo(View* view, WindowOrderingMode place, View* relative)
{
    auto it = std::find(subviews_.begin(), subviews_.end(), relative);
    std::size_t index;
    if (place == WindowBelow)
        index = (relative && it != subviews_.end()) ? std::size_t(it - subviews_.begin()) : 0;
    else
        index = (relative && it != subviews_.end()) ? std::size_t(it - subviews_.begin()) + 1 : subviews_.size();
    insertSubview(view, index);
}

void View::setSubviews(const std::vector<Ref<View>>& views)
{
    const std::vector<Ref<View>> old = subviews_;
    for (const Ref<View>& v : old)
        if (std::find(views.begin(), views.end(), v) == views.end())
            v->removeFromSuperview();
    for (const Ref<View>& v : views)
        addSubview(v.get());
}

void View::replaceSubviewWith(View* oldView, View* newView)
{
    auto it = std::find(subviews_.begin(), subviews_.end(), oldView);
    if (it == subviews_.end())
        return;
    const std::size_t index = std::size_t(it - subviews_.begin());
    oldView->removeFromSuperview();
    insertSubview(newView, std::min(index, subviews_.size()));
}

void View::insertSubview(View* view, std::size_t index)
{
    if (!view || view == this)
        return;
    Ref<View> keep(view);
    if (view->superview_.unsafeRaw() == this) {
        // Reordering among siblings: no lifecycle calls.
        auto it = std::find(subviews_.begin(), subviews_.end(), view);
        const std::size_t from = std::size_t(it - subviews_.begin());
        subviews_.erase(it);
        if (index > from)
            --index;
        subviews_.insert(subviews_.begin() + std::ptrdiff_t(std::min(index, subviews_.size())), keep);
        view->setNeedsDisplay(true);
        if (Ref<Window> w = window())
            w->noteGeometryChanged();
        return;
    }
    const Ref<Window> newWindow = window();
    const bool windowChanges = view->window_.unsafeRaw() != newWindow.get();
    view->viewWillMoveToSuperview(this);
    if (windowChanges)
        view->sendWillMoveToWindow(newWindow.get());
    view->detachFromSuperview(true);
    subviews_.insert(subviews_.begin() + std::ptrdiff_t(std::min(index, subviews_.size())), keep);
    view->superview_ = this;
    view->setNextResponder(this);
    view->setWindowRecursively(newWindow.get());
    if (windowChanges)
        view->sendDidMoveToWindow();
    view->viewDidMoveToSuperview();
    didAddSubview(view);
    view->setNeedsDisplay(true);
    if (newWindow)
        newWindow->noteGeometryChanged();
}

void View::removeFromSuperview()
{
    const Ref<View> sup = superview();
    if (!sup)
        return;
    // A view removed while handling its own event stays alive until the event ends.
    keepUntilEventEnds(Ref<Object>(this));
    const Ref<Window> oldWindow = window();
    viewWillMoveToSuperview(nullptr);
    if (oldWindow)
        sendWillMoveToWindow(nullptr);
    detachFromSuperview(true);
    setWindowRecursively(nullptr);
    if (oldWindow)
        sendDidMoveToWindow();
    viewDidMoveToSuperview();
}

void View::detachFromSuperview(bool notifySuperview)
{
    const Ref<View> sup = superview();
    if (!sup)
        return;
    if (notifySuperview)
        sup->willRemoveSubview(this);
    setNeedsDisplay(true);
    if (const Ref<Window> w = window())
        w->viewWillDetach(this);
    auto it = std::find(sup->subviews_.begin(), sup->subviews_.end(), this);
    Ref<View> keep(this);
    if (it != sup->subviews_.end())
        sup->subviews_.erase(it);
    superview_ = nullptr;
    setNextResponder(nullptr);
}

void View::setWindowRecursively(Window* window)
{
    window_ = window;
    for (const Ref<View>& v : subviews_)
        v->setWindowRecursively(window);
}

void View::sendWillMoveToWindow(Window* window)
{
    viewWillMoveToWindow(window);
    const std::vector<Ref<View>> views = subviews_;
    for (const Ref<View>& v : views)
        v->sendWillMoveToWindow(window);
}

void View::sendDidMoveToWindow()
{
    viewDidMoveToWindow();
    const std::vector<Ref<View>> views = subviews_;
    for (const Ref<View>& v : views)
        v->sendDidMoveToWindow();
    if (const Ref<Window> w = window()) {
        for (const Ref<TrackingArea>& a : trackingAreas_)
            a->inside_ = (a->options_ & TrackingAssumeInside) != 0;
        // Areas are rebuilt for the new window before its next mouse event.
        w->trackingUpdates_.push_back(Weak<View>(this));
    }
}

bool View::isDescendantOf(const View* view) const
{
    for (const View* v = this; v; v = v->superview_.unsafeRaw())
        if (v == view)
            return true;
    return false;
}

Ref<View> View::ancestorSharedWithView(View* view)
{
    for (Ref<View> v(this); v; v = v->superview())
        if (view && view->isDescendantOf(v.get()))
            return v;
    return nullptr;
}

Ref<View> View::opaqueAncestor()
{
    Ref<View> v(this);
    for (; v; v = v->superview())
        if (v->isOpaque())
            return v;
    if (const Ref<Window> w = window())
        return w->frameView();
    return nullptr;
}

bool View::inLiveResize() const
{
    const Ref<Window> w = window();
    return w && w->inLiveResize();
}

void View::sendLiveResize(bool start)
{
    if (start)
        viewWillStartLiveResize();
    else
        viewDidEndLiveResize();
    const std::vector<Ref<View>> views = subviews_;
    for (const Ref<View>& v : views)
        v->sendLiveResize(start);
}

void View::setHidden(bool hidden)
{
    if (hidden_ == hidden)
        return;
    if (hidden)
        setNeedsDisplay(true);
    hidden_ = hidden;
    if (!hidden)
        setNeedsDisplay(true);
    if (const Ref<Window> w = window()) {
        if (hidden)
            w->viewWillDetach(this);
        w->noteGeometryChanged();
        w->trackingUpdates_.push_back(Weak<View>(this));
    }
}

bool View::isHiddenOrHasHiddenAncestor() const
{
    for (const View* v = this; v; v = v->superview_.unsafeRaw())
        if (v->hidden_)
            return true;
    return false;
}

void View::geometryChanged()
{
    syncLayerGeometry();
    if (const Ref<Window> w = window()) {
        w->noteGeometryChanged();
        w->trackingUpdates_.push_back(Weak<View>(this));
    }
}

// Display -----------------------------------------------------------------------------------------

namespace {

// Display from another thread is done later on the main thread, where the window's region lives.
bool PostDisplayToMainThread(View* view, std::function<void(View&)> work)
{
    if (isMainThread())
        return false;
    OperationQueue::mainQueue()->addOperationWithBlock([self = Ref<View>(view), work = std::move(work)] { work(*self); });
    return true;
}

} // namespace

void View::setNeedsDisplay(bool flag)
{
    if (PostDisplayToMainThread(this, [flag](View& v) { v.setNeedsDisplay(flag); }))
        return;
    const Ref<Window> w = window();
    if (!w)
        return;
    if (flag)
        setNeedsDisplayInRect(bounds());
    else
        w->clearRect(convertRectToView(visibleRect(), nullptr));
}

void View::setNeedsDisplayInRect(Rect rect)
{
    if (PostDisplayToMainThread(this, [rect](View& v) { v.setNeedsDisplayInRect(rect); }))
        return;
    const Ref<Window> w = window();
    // Nothing to add to a window that waits to be drawn whole (a resize moves every view).
    if (!w || w->wholeWindowDirty() || isHiddenOrHasHiddenAncestor())
        return;
    const Rect visible = intersection(rect, visibleRect());
    if (isEmpty(visible))
        return;
    w->invalidateRect(convertRectToView(visible, nullptr));
}

bool View::needsDisplay() const
{
    const Ref<Window> w = window();
    if (!w)
        return false;
    // The pass's walk has this view's visible part at hand.
    if (w->willDrawView_ == this)
        return w->dirty_.intersects(w->willDrawRect_);
    if (isHiddenOrHasHiddenAncestor())
        return false;
    return w->dirty_.intersects(w->toDevice(convertRectToView(visibleRect(), nullptr)));
}

bool View::needsToDrawRect(Rect rect) const
{
    if (const std::optional<bool> captured = captureNeedsToDrawRect(rect))
        return *captured;
    const Ref<Window> w = window();
    if (!w || !w->drawing_)
        return false;
    const Rect base = w->drawingView_ == this ? w->drawingToBase_.apply(rect) : convertRectToView(rect, nullptr);
    return w->passRegion_.intersects(w->toDevice(base));
}

void View::display()
{
    if (PostDisplayToMainThread(this, [](View& v) { v.display(); }))
        return;
    displayRect(visibleRect());
}

void View::displayRect(Rect rect)
{
    if (PostDisplayToMainThread(this, [rect](View& v) { v.displayRect(rect); }))
        return;
    if (const Ref<Window> w = window())
        w->displayRect(convertRectToView(intersection(rect, visibleRect()), nullptr));
}

void View::displayIfNeeded()
{
    if (const Ref<Window> w = window())
        w->displayIfNeeded();
}

Rect View::visibleRect() const
{
    if (hidden_)
        return ZeroRect;
    Rect r = bounds();
    ViewTransform up;
    const View* v = this;
    for (Ref<View> sup = superview(); sup; sup = sup->superview()) {
        up = up.then(toSuperview(*v));
        const Rect inSuper = intersection(up.apply(r), sup->bounds());
        if (isEmpty(inSuper))
            return ZeroRect;
        r = up.inverted().apply(inSuper);
        r = intersection(r, bounds());
        v = sup.get();
    }
    return r;
}

ViewTransform View::transformToSuperview() const { return toSuperview(*this); }

ViewTransform View::transformInSuperviewFlipped(bool superFlipped) const { return toSuperviewFlipped(*this, superFlipped); }

QPainter* View::currentPainter()
{
    if (pendingPainter)
        std::exchange(pendingPainter, nullptr)->preparePainter();
    // After drawing through the context, the painter is handed back in the view's own state.
    if (focusedPainter)
        GraphicsContext::yieldCurrentPainter();
    return focusedPainter;
}

void View::setPendingPainter(PendingViewPainter* setup) { pendingPainter = setup; }

// Conversion --------------------------------------------------------------------------------------

ViewTransform View::transformToWindow() const
{
    ViewTransform t;
    for (const View* v = this; v; v = v->superview_.unsafeRaw())
        t = t.then(toSuperview(*v));
    return t;
}

Point View::convertPointFromView(Point point, const View* view) const
{
    const Point base = view ? view->transformToWindow().apply(point) : point;
    return transformToWindow().inverted().apply(base);
}

Point View::convertPointToView(Point point, const View* view) const
{
    const Point base = transformToWindow().apply(point);
    return view ? view->transformToWindow().inverted().apply(base) : base;
}

Rect View::convertRectFromView(Rect rect, const View* view) const
{
    const Rect base = view ? view->transformToWindow().apply(rect) : rect;
    return transformToWindow().inverted().apply(base);
}

Rect View::convertRectToView(Rect rect, const View* view) const
{
    const Rect base = transformToWindow().apply(rect);
    return view ? view->transformToWindow().inverted().apply(base) : base;
}

Size View::convertSizeFromView(Size size, const View* view) const
{
    const Rect r = convertRectFromView(Rect { ZeroPoint, size }, view);
    return r.size;
}

Size View::convertSizeToView(Size size, const View* view) const
{
    const Rect r = convertRectToView(Rect { ZeroPoint, size }, view);
    return r.size;
}

// Hit testing -------------------------------------------------------------------------------------

Ref<View> View::hitTest(Point point)
{
    if (hidden_)
        return nullptr;
    const Ref<View> sup = superview();
    if (!mouseInRectFlipped(point, frame(), sup && sup->isFlipped()))
        return nullptr;
    const Point local = toSuperview(*this).inverted().apply(point);
    const std::vector<Ref<View>> views = subviews_;
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if (Ref<View> hit = (*it)->hitTest(local))
            return hit;
    return Ref<View>(this);
}

bool View::mouseInRect(Point point, Rect rect) const { return mouseInRectFlipped(point, rect, isFlipped()); }

// Tracking areas and cursor rectangles ------------------------------------------------------------

void View::addTrackingArea(TrackingArea* area)
{
    if (!area)
        return;
    area->view_ = this;
    area->inside_ = (area->options_ & TrackingAssumeInside) != 0;
    const Ref<Window> w = window();
    if (w && !area->inside_) {
        const Rect r = (area->options_ & TrackingInVisibleRect) ? visibleRect() : area->rect_;
        // The pointer may have moved in another window since this one last saw it.
        area->inside_ = mouseInRect(convertPointFromView(w->mouseLocationOutsideOfEventStream(), nullptr), r);
    }
    trackingAreas_.push_back(Ref<TrackingArea>(area));
    if (w)
        w->trackingDirty_ = true;
}

void View::removeTrackingArea(TrackingArea* area)
{
    auto it = std::find(trackingAreas_.begin(), trackingAreas_.end(), area);
    if (it == trackingAreas_.end())
        return;
    (*it)->inside_ = false; // removed, not exited
    trackingAreas_.erase(it);
    if (const Ref<Window> w = window())
        w->trackingDirty_ = true;
}

std::int64_t View::addTrackingRectOwnerUserDataAssumeInside(Rect rect, Object* owner, const void* userData, bool assumeInside)
{
    const std::uint64_t options
        = TrackingMouseEnteredAndExited | TrackingActiveAlways | (assumeInside ? std::uint64_t(TrackingAssumeInside) : 0);
    auto area = make<TrackingArea>(rect, options, owner, userData);
    area->tag_ = ++nextTrackingTag;
    addTrackingArea(area.get());
    return area->tag_;
}

void View::removeTrackingRect(std::int64_t tag)
{
    auto it = std::find_if(trackingAreas_.begin(), trackingAreas_.end(), [tag](const Ref<TrackingArea>& a) { return a->tag_ == tag; });
    if (it != trackingAreas_.end())
        removeTrackingArea(it->get());
}

std::int64_t View::addToolTipRectOwnerUserData(Rect rect, Object* owner, void* userData)
{
    static std::int64_t lastTag = 0;
    toolTipRects_.push_back({ rect, Weak<Object>(owner), userData, ++lastTag });
    return lastTag;
}

void View::removeToolTip(std::int64_t tag)
{
    std::erase_if(toolTipRects_, [tag](const ToolTipRect& t) { return t.tag == tag; });
}

QString View::toolTipAtPoint(Point point)
{
    for (auto it = toolTipRects_.rbegin(); it != toolTipRects_.rend(); ++it) {
        if (!mouseInRect(point, it->rect))
            continue;
        const Ref<Object> owner = it->owner.lock();
        if (auto* o = dynamic_cast<ToolTipOwner*>(owner.get()))
            return o->viewStringForToolTipPointUserData(this, it->tag, point, it->userData);
        return QString();
    }
    return toolTip_;
}

void View::addCursorRect(Rect rect, Cursor* cursor) { cursorRects_.push_back({ rect, Ref<Cursor>(cursor) }); }

void View::removeCursorRect(Rect rect, Cursor* cursor)
{
    std::erase_if(cursorRects_, [&](const CursorRect& c) { return c.rect == rect && c.cursor.get() == cursor; });
}

void View::discardCursorRects() { cursorRects_.clear(); }

// Key-view loop -----------------------------------------------------------------------------------

void View::setNextKeyView(View* view)
{
    if (const Ref<View> old = nextKeyView(); old && old->previousKeyView_.unsafeRaw() == this)
        old->previousKeyView_ = nullptr;
    nextKeyView_ = view;
    if (view)
        view->previousKeyView_ = this;
}

Ref<View> View::nextValidKeyView() const
{
    std::set<const View*> seen { this };
    for (Ref<View> v = nextKeyView(); v && seen.insert(v.get()).second; v = v->nextKeyView())
        if (v->canBecomeKeyView())
            return v;
    return nullptr;
}

Ref<View> View::previousValidKeyView() const
{
    std::set<const View*> seen { this };
    for (Ref<View> v = previousKeyView(); v && seen.insert(v.get()).second; v = v->previousKeyView())
        if (v->canBecomeKeyView())
            return v;
    return nullptr;
}

bool View::canBecomeKeyView() const { return acceptsFirstResponder() && window() && !isHiddenOrHasHiddenAncestor(); }

bool View::showsKeyboardFocusRing() const
{
    const Ref<Window> w = window();
    return w && w->isKeyWindow() && w->firstResponder().get() == this && !w->firstResponderChosenByPointer();
}

void View::setKeyboardFocusRingNeedsDisplayInRect(Rect rect)
{
    // The ring is drawn outside the rect and may leave the bounds: invalidate in the superview.
    const Rect grown = MakeRect(rect.minX() - 3, rect.minY() - 3, rect.width() + 6, rect.height() + 6);
    if (const Ref<View> sup = superview())
        sup->setNeedsDisplayInRect(convertRectToView(grown, sup.get()));
    else
        setNeedsDisplayInRect(grown);
}

void View::rightMouseDown(const Event& event)
{
    const Ref<Application> app = Application::sharedApplication();
    if (app->hasContextMenuPresenter())
        if (const Ref<Object> m = menuForEvent(event)) {
            app->popUpContextMenuWithEventForView(m.get(), event, this);
            return;
        }
    Responder::rightMouseDown(event);
}

void View::dragImageAtOffsetEventPasteboardSourceSlideBack(
    Object* image, Point at, Size, const Event& event, Pasteboard* pasteboard, Object* source, bool slideBack)
{
    RunDragSession(this, image, at, event, pasteboard, source, slideBack);
}

bool View::autoscroll(const Event& event)
{
    const Ref<View> sup = superview();
    return sup ? sup->autoscroll(event) : false;
}

bool View::scrollRectToVisible(Rect rect)
{
    const Ref<View> sup = superview();
    return sup ? sup->scrollRectToVisible(convertRectToView(rect, sup.get())) : false;
}

void View::setCurrentPainter(QPainter* painter) { focusedPainter = painter; }

KIT_REGISTER_CLASS(View, Responder)
{
    // Through the virtual setter, so a subclass that reacts to hiding does so for bindings too.
    c.property("hidden", &View::isHidden, &View::setHidden);
    c.property("acceptsTouchEvents", &View::acceptsTouchEvents, &View::setAcceptsTouchEvents);
    c.exposeBinding(HiddenBinding);
}

} // namespace kit
