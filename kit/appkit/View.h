#pragma once

// A rectangle of a window that draws itself and handles events: frame in the superview's
// coordinates, bounds in its own (y up unless isFlipped), a subview tree drawn back to front,
// the platform's autoresizing rules, needs-display regions collected by the window, hit
// testing, coordinate conversion, tracking areas, cursor rectangles and the key-view loop.
//
// A subclass draws by overriding drawRect(dirtyRect) and painting through View::currentPainter(),
// which the window has set up in the view's own coordinates and clipped to what needs drawing.

#include "kit/appkit/AnimationContext.h"
#include "kit/appkit/Responder.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/core/Geometry.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/Cursor.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace kit {

class Window;
class View;
class Layer;

// The display pass hands this to currentPainter: the drawing view's painter is set up on first use.
class PendingViewPainter {
public:
    virtual void preparePainter() = 0;

protected:
    ~PendingViewPainter() = default;
};

// The owner of a tool-tip rectangle.
class ToolTipOwner {
public:
    virtual ~ToolTipOwner() = default;
    virtual QString viewStringForToolTipPointUserData(View* view, std::int64_t tag, Point point, void* userData) = 0;
};

enum : unsigned {
    ViewNotSizable = 0,
    ViewMinXMargin = 1,
    ViewWidthSizable = 2,
    ViewMaxXMargin = 4,
    ViewMinYMargin = 8,
    ViewHeightSizable = 16,
    ViewMaxYMargin = 32,
};

enum WindowOrderingMode : int { WindowAbove = 1, WindowBelow = -1, WindowOut = 0 };

// Scale and translation, no rotation: what conversions between views need.
struct ViewTransform {
    double sx = 1, sy = 1, tx = 0, ty = 0;
    Point apply(Point p) const { return { p.x * sx + tx, p.y * sy + ty }; }
    Rect apply(Rect r) const;
    ViewTransform then(const ViewTransform& outer) const;
    ViewTransform inverted() const;
};

// Posted once per outermost real change (setFrame posts one, not two), while the view posts them.
inline const QString ViewFrameDidChangeNotification = QStringLiteral("NSViewFrameDidChangeNotification");
inline const QString ViewBoundsDidChangeNotification = QStringLiteral("NSViewBoundsDidChangeNotification");

class View : public Responder, public Coding {
    KIT_CLASS(View)

    View() { setMainThreadAffine(); }
    explicit View(Rect frame);
    ~View() override;

    // kit::Coding, the view's part: frame, a non-zero bounds origin, hidden, the autoresizing
    // settings and the subviews in order; flipped belongs to the class. Subclasses override both
    // and call the View ones first.
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;
    // The subviews the View part archives, in order: all; a view that makes some of its subviews
    // itself answers only the others, so its own parts never enter an archive unreferenced.
    virtual std::vector<Ref<View>> subviewsForCoding() const { return subviews_; }

    // Geometry. The getters are virtual and the kit reads through them.
    virtual Rect frame() const { return frame_; }
    virtual Rect bounds() const { return bounds_; }
    void setFrame(Rect frame);
    virtual void setFrameOrigin(Point origin);
    virtual void setFrameSize(Size size);
    void setBounds(Rect bounds);
    virtual void setBoundsOrigin(Point origin);
    virtual void setBoundsSize(Size size);
    virtual bool isFlipped() const { return false; }
    virtual bool isOpaque() const { return false; }

    // Change notifications, on by default. Turning one back on posts it when a change was missed.
    bool postsFrameChangedNotifications() const { return frameNote_.posts; }
    void setPostsFrameChangedNotifications(bool flag);
    bool postsBoundsChangedNotifications() const { return boundsNote_.posts; }
    void setPostsBoundsChangedNotifications(bool flag);

    // Autoresizing.
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    virtual void setAutoresizesSubviews(bool flag) { autoresizesSubviews_ = flag; }
    virtual void resizeSubviewsWithOldSize(Size oldSize);
    virtual void resizeWithOldSuperviewSize(Size oldSize);

    // Hierarchy. Subviews are back to front; iterate over a copy when the loop may change them.
    Ref<View> superview() const { return superview_.lock(); }
    const std::vector<Ref<View>>& subviews() const { return subviews_; }
    Ref<Window> window() const;
    void addSubview(View* view);
    // Below puts the view just before `relative` (null = at the back); Above just after it (null = on top).
    void addSubviewPositionedRelativeTo(View* view, WindowOrderingMode place, View* relative);
    void setSubviews(const std::vector<Ref<View>>& views);
    void replaceSubviewWith(View* oldView, View* newView);
    virtual void removeFromSuperview();
    bool isDescendantOf(const View* view) const;
    Ref<View> ancestorSharedWithView(View* view);
    Ref<View> opaqueAncestor();

    // Lifecycle hooks. The argument is null on removal.
    virtual void viewWillMoveToSuperview(View*) { }
    virtual void viewDidMoveToSuperview() { }
    virtual void viewWillMoveToWindow(Window*) { }
    virtual void viewDidMoveToWindow() { }
    virtual void didAddSubview(View*) { }
    virtual void willRemoveSubview(View*) { }
    virtual void viewWillStartLiveResize() { }
    virtual void viewDidEndLiveResize() { }
    bool inLiveResize() const;

    // Visibility. Hidden subtrees are not drawn, hit, tracked, key views or cursor-ranged.
    bool isHidden() const { return hidden_; }
    virtual void setHidden(bool hidden);
    bool isHiddenOrHasHiddenAncestor() const;

    // Display.
    void setNeedsDisplay(bool flag);
    virtual void setNeedsDisplayInRect(Rect rect);
    // Whether some part of the view waits to be drawn. Virtual: a view may lay out when asked.
    virtual bool needsDisplay() const;
    virtual void viewWillDraw() { }
    virtual void drawRect(Rect) { }
    // Exact: whether `rect` (own coordinates) touches the region being drawn.
    bool needsToDrawRect(Rect rect) const;
    void display();
    void displayRect(Rect rect);
    void displayIfNeeded();
    Rect visibleRect() const;
    // The painter of the current drawing pass, in the drawing view's coordinates; null outside drawRect.
    static QPainter* currentPainter();

    // Capture (ViewCapture.cpp). lockFocus runs the window's pending display, then makes current a
    // context that draws into the window's backing in this view's coordinates, clipped to the
    // visible rect; calls nest, each ended by unlockFocus. Without canDraw nothing is drawn. The
    // window keeps its size while focus is locked (the context paints its backing's pixels).
    bool canDraw() const;
    void lockFocus();
    bool lockFocusIfCanDraw();
    void unlockFocus();
    // The view of the innermost lockFocus, or null.
    static Ref<View> focusView();
    // Not PDF: PNG data of this view and its subviews inside `rect` (own coordinates), one pixel
    // per point on a transparent background, so Image::imageWithData makes an image of rect's size.
    QByteArray dataWithPDFInsideRect(Rect rect);

    // Layer hosting (kit/layers/LayerHosting.cpp). A view with a layer draws that tree in place of
    // drawRect, its subviews above it, and keeps the root layer's frame equal to its bounds (the
    // tree is y up even in a flipped view). wantsLayer is only stored: drawing needs a set layer.
    Ref<Layer> layer() const;
    virtual void setLayer(Layer* layer);
    bool wantsLayer() const { return wantsLayer_; }
    virtual void setWantsLayer(bool flag);

    // Conversion. A null view means the window's base coordinates.
    Point convertPointFromView(Point point, const View* view) const;
    Point convertPointToView(Point point, const View* view) const;
    Rect convertRectFromView(Rect rect, const View* view) const;
    Rect convertRectToView(Rect rect, const View* view) const;
    Size convertSizeFromView(Size size, const View* view) const;
    Size convertSizeToView(Size size, const View* view) const;
    // From this view's bounds to window base coordinates, and to the superview's bounds.
    ViewTransform transformToWindow() const;
    ViewTransform transformToSuperview() const;

    // Hit testing: `point` is in the superview's coordinates.
    virtual Ref<View> hitTest(Point point);
    // The platform's point-in-rect rule for mouse locations, with this view's flip.
    bool mouseInRect(Point point, Rect rect) const;

    // Tracking areas.
    void addTrackingArea(TrackingArea* area);
    void removeTrackingArea(TrackingArea* area);
    const std::vector<Ref<TrackingArea>>& trackingAreas() const { return trackingAreas_; }
    virtual void updateTrackingAreas() { }
    std::int64_t addTrackingRectOwnerUserDataAssumeInside(Rect rect, Object* owner, const void* userData, bool assumeInside);
    void removeTrackingRect(std::int64_t tag);

    // Cursor rectangles, asked for by the window through resetCursorRects.
    virtual void resetCursorRects() { }
    void addCursorRect(Rect rect, Cursor* cursor);
    void removeCursorRect(Rect rect, Cursor* cursor);
    void discardCursorRects();

    // Tool tips. A rectangle's owner is asked for the text only when the tip is about to show.
    QString toolTip() const { return toolTip_; }
    void setToolTip(const QString& tip) { toolTip_ = tip; }
    std::int64_t addToolTipRectOwnerUserData(Rect rect, Object* owner, void* userData);
    void removeToolTip(std::int64_t tag);
    void removeAllToolTips() { toolTipRects_.clear(); }
    // The text to show at `point` (own coordinates): the topmost rectangle's owner, else toolTip().
    // Null when there is none.
    QString toolTipAtPoint(Point point);

    // Key-view loop.
    Ref<View> nextKeyView() const { return nextKeyView_.lock(); }
    Ref<View> previousKeyView() const { return previousKeyView_.lock(); }
    void setNextKeyView(View* view);
    Ref<View> nextValidKeyView() const;
    Ref<View> previousValidKeyView() const;
    virtual bool canBecomeKeyView() const;
    virtual bool needsPanelToBecomeKey() const { return false; }
    void setKeyboardFocusRingNeedsDisplayInRect(Rect rect);
    // Whether the keyboard focus ring shows: the view is first responder of the key window, chosen
    // from the keyboard or by code, or a key has gone to it since the click that chose it.
    bool showsKeyboardFocusRing() const;

    // Answers a view gives about a click in a window that is not key. Stored only: the window
    // manager raises and activates the window at the press, and the press is always delivered.
    virtual bool acceptsFirstMouse(const class Event*) const { return false; }
    virtual bool shouldDelayWindowOrderingForEvent(const class Event&) const { return false; }
    // Stored only.
    virtual bool mouseDownCanMoveWindow() const { return !isOpaque(); }
    // Stored only: no touch events reach kit views on Linux.
    void setAcceptsTouchEvents(bool flag) { acceptsTouchEvents_ = flag; }
    bool acceptsTouchEvents() const { return acceptsTouchEvents_; }

    // Drag and drop. The view answers the destination's optional operations (DraggingDestination).
    virtual void registerForDraggedTypes(const QStringList& types) { draggedTypes_ = types; }
    virtual void unregisterDraggedTypes() { draggedTypes_.clear(); }
    const QStringList& registeredDraggedTypes() const { return draggedTypes_; }
    // Runs the drag to its end and eats the mouse-up; `at` is the image's bottom-left in this view.
    // The offset is ignored and the image stays upright.
    void dragImageAtOffsetEventPasteboardSourceSlideBack(
        Object* image, Point at, Size offset, const Event& event, class Pasteboard* pasteboard, Object* source, bool slideBack);

    // The same frame setters, animated in the current AnimationContext.
    ViewAnimator animator() { return ViewAnimator(this); }

    // Context menus: the menu model's object (held strongly). A right press shows menuForEvent's
    // answer through the application's context-menu presenter; with none it passes on.
    Ref<Object> menu() const { return menu_; }
    void setMenu(Object* menu) { menu_ = menu; }
    virtual Ref<Object> menuForEvent(const Event&) { return menu_; }

    // Scrolling support: asks the enclosing clip view to scroll; YES when it did.
    virtual bool autoscroll(const Event& event);
    virtual bool scrollRectToVisible(Rect rect);

    // kit::Responder:
    bool acceptsFirstResponder() const override { return false; }
    void rightMouseDown(const Event& event) override;

protected:
    // A subview's frame changed (a clip view follows its document view through this).
    virtual void subviewFrameDidChange(View*) { }

private:
    friend class Window;
    // Nesting of the frame or bounds setters: only the outermost posts.
    struct ChangeNote {
        int depth = 0;
        bool changed = false;
        bool posts = true;
    };
    class ChangeScope;
    void postChange(ChangeNote& note, const QString& name);
    struct CursorRect {
        Rect rect;
        Ref<Cursor> cursor;
    };
    struct ToolTipRect {
        Rect rect;
        Weak<Object> owner;
        void* userData;
        std::int64_t tag;
    };
    std::vector<ToolTipRect> toolTipRects_;

    void insertSubview(View* view, std::size_t index);
    void detachFromSuperview(bool notifySuperview);
    void setWindowRecursively(Window* window);
    void sendWillMoveToWindow(Window* window);
    void sendDidMoveToWindow();
    void sendLiveResize(bool start);
    void geometryChanged();
    static void setCurrentPainter(QPainter* painter);
    // The display pass sets the drawing view's painter up on its first currentPainter call.
    static void setPendingPainter(PendingViewPainter* setup);
    // transformToSuperview, given the superview's flip.
    ViewTransform transformInSuperviewFlipped(bool superFlipped) const;
    // The display pass and captures draw a view through this: its hosted layer tree, else drawRect.
    void drawForDisplayPass(Rect dirty);
    void syncLayerGeometry();
    // While a capture draws this view: whether `rect` lies in what it captures; else nothing.
    std::optional<bool> captureNeedsToDrawRect(Rect rect) const;

    Rect frame_;
    Rect bounds_;
    bool boundsScaled_ = false; // bounds size set on its own: no longer follows the frame size
    ChangeNote frameNote_;
    ChangeNote boundsNote_;
    unsigned autoresizingMask_ = ViewNotSizable;
    bool autoresizesSubviews_ = true;
    bool hidden_ = false;
    Weak<View> superview_;
    Weak<Window> window_;
    std::vector<Ref<View>> subviews_;
    std::vector<Ref<TrackingArea>> trackingAreas_;
    std::vector<CursorRect> cursorRects_;
    Weak<View> nextKeyView_;
    Weak<View> previousKeyView_;
    QString toolTip_;
    QStringList draggedTypes_;
    Ref<Object> menu_;
    Ref<Object> layer_; // a kit::Layer (kept opaque here so this header stays light)
    bool wantsLayer_ = false;
    bool acceptsTouchEvents_ = false;
};

} // namespace kit
