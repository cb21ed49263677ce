#pragma once

// A top-level window: a kit view tree painted into a backing image that one host QWidget
// shows. The frame is the client area in screen coordinates with y up; the content view sits at
// the origin of the window's base coordinates, under the toolbar when there is one. The window
// collects the dirty region, runs the display pass, keeps the first responder and the key-view
// loop, and routes events to views. Its parts live in Window*.cpp (display, ordering, toolbar,
// tracking).

#include "kit/appkit/Event.h"
#include "kit/appkit/Responder.h"
#include "kit/appkit/View.h"
#include "kit/core/Geometry.h"
#include "kit/foundation/Date.h"
#include "kit/graphics/Color.h"

#include <QImage>
#include <QRegion>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QWidget;

namespace kit {

class Cursor;
class Event;
class GraphicsContext;
class Notification;
class Toolbar;
class View;
class TrackingArea;
class WindowHost;

enum : unsigned {
    BorderlessWindowMask = 0,
    TitledWindowMask = 1,
    ClosableWindowMask = 2,
    MiniaturizableWindowMask = 4,
    ResizableWindowMask = 8,
    UtilityWindowMask = 0x10,
    TexturedBackgroundWindowMask = 0x100,
};

enum : int { NormalWindowLevel = 0, FloatingWindowLevel = 3, ModalPanelWindowLevel = 8, StatusWindowLevel = 25 };

// Posted by the window (the object); the delegate gets the matching optional call first.
inline const QString WindowDidBecomeKeyNotification = QStringLiteral("NSWindowDidBecomeKeyNotification");
inline const QString WindowDidResignKeyNotification = QStringLiteral("NSWindowDidResignKeyNotification");
inline const QString WindowDidBecomeMainNotification = QStringLiteral("NSWindowDidBecomeMainNotification");
inline const QString WindowDidResignMainNotification = QStringLiteral("NSWindowDidResignMainNotification");
inline const QString WindowDidResizeNotification = QStringLiteral("NSWindowDidResizeNotification");
inline const QString WindowDidMoveNotification = QStringLiteral("NSWindowDidMoveNotification");
inline const QString WindowWillCloseNotification = QStringLiteral("NSWindowWillCloseNotification");
inline const QString WindowDidUpdateNotification = QStringLiteral("NSWindowDidUpdateNotification");

// Optional operations of a window's delegate, asked through respondsToSelector.
class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    virtual bool windowShouldClose(Window*) { return true; }
    virtual Rect windowWillUseStandardFrameDefaultFrame(Window*, Rect defaultFrame) { return defaultFrame; }
    virtual void windowDidBecomeKey(Notification*) { }
    virtual void windowDidResignKey(Notification*) { }
    virtual void windowDidBecomeMain(Notification*) { }
    virtual void windowDidResignMain(Notification*) { }
    virtual void windowDidResize(Notification*) { }
    virtual void windowDidMove(Notification*) { }
    virtual void windowWillClose(Notification*) { }
    virtual void windowDidUpdate(Notification*) { }
};

enum WindowButton : int {
    WindowCloseButton = 0,
    WindowMiniaturizeButton = 1,
    WindowZoomButton = 2,
    WindowToolbarButton = 3,
    WindowDocumentIconButton = 4,
};

// A button of the title bar that the window manager draws: the kit keeps its enabled state and
// maps it to the native window's hints (zoom: the maximize button).
class TitleBarButton : public Object {
    KIT_CLASS(TitleBarButton)

    TitleBarButton() = default;
    TitleBarButton(Window* window, WindowButton kind, bool enabled);
    WindowButton kind() const { return kind_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag);

private:
    Weak<Window> window_;
    WindowButton kind_ = WindowCloseButton;
    bool enabled_ = true;
};

enum WindowLevelKey : int { NormalWindowLevelKey = 4, FloatingWindowLevelKey = 5, ModalPanelWindowLevelKey = 10, StatusWindowLevelKey = 9 };
int WindowLevelForKey(WindowLevelKey key);

// A nestable counter: while above zero, windows draw into their backing but do not flush.
void DisableScreenUpdates();
void EnableScreenUpdates();
bool ScreenUpdatesEnabled();

enum SelectionDirection : int { DirectSelection = 0, SelectingNext = 1, SelectingPrevious = 2 };

class Window : public Responder {
    KIT_CLASS(Window)

    Window(Rect contentRect, unsigned styleMask);
    Window()
        : Window(MakeRect(0, 0, 100, 100), TitledWindowMask)
    { }
    ~Window() override;

    static Ref<Window> windowWithNumber(std::int64_t number);
    // Every live window, in creation order.
    static std::vector<Ref<Window>> allWindows();

    std::int64_t windowNumber() const { return number_; }
    unsigned styleMask() const { return styleMask_; }
    // Changes the frame's kind (borderless, utility), whether the user may resize, and which title
    // bar buttons the window manager shows: exactly those the mask enables.
    void setStyleMask(unsigned styleMask);
    QString title() const { return title_; }
    void setTitle(const QString& title);

    // Frame: the client area in screen coordinates, y up.
    Rect frame() const { return frame_; }
    void setFrameDisplay(Rect frame, bool display);
    // Animated: blocks for 0.2 s per 150 pt of the largest edge movement, the run loop turning.
    void setFrameDisplayAnimate(Rect frame, bool display, bool animate);
    // Toggles between the standard frame (the screen's visible frame, or what the delegate's
    // windowWillUseStandardFrameDefaultFrame answers) and the frame the user had before.
    void zoom(Object* sender = nullptr);
    bool isZoomed() const;
    void setFrameOrigin(Point origin);
    void setFrameTopLeftPoint(Point topLeft);
    void setContentSize(Size size);
    void center();
    // `frame` moved and shrunk to fit the screen's visible frame: the size first, then the origin.
    // A titled window's first frame is constrained so when it is first shown on a display.
    Rect constrainFrameRectToScreen(Rect frame, class Screen* screen) const;
    Size minSize() const { return minSize_; }
    Size maxSize() const { return maxSize_; }
    // Also the limits of the native window, so a user resize stops there.
    void setMinSize(Size size);
    void setMaxSize(Size size);
    // The style forms: the kit frame is the client area, so they change nothing. The instance
    // forms add or take off the visible toolbar, which sits above the content view.
    static Rect frameRectForContentRectStyleMask(Rect contentRect, unsigned styleMask);
    static Rect contentRectForFrameRectStyleMask(Rect frameRect, unsigned styleMask);
    Rect frameRectForContentRect(Rect contentRect) const;
    Rect contentRectForFrameRect(Rect frameRect) const;

    // The toolbar, drawn by the kit between the top of the frame and the content view. Attaching,
    // detaching, showing or hiding it keeps the content size and the top-left corner. The key
    // "toolbar" is observable, so "toolbar.visible" is too.
    Ref<Toolbar> toolbar() const;
    void setToolbar(Toolbar* toolbar);
    void toggleToolbarShown(Object* sender = nullptr);
    // Stored only: the window manager's title bar has no toolbar button.
    bool showsToolbarButton() const { return showsToolbarButton_; }
    void setShowsToolbarButton(bool flag) { showsToolbarButton_ = flag; }
    // Close, miniaturize and zoom of a titled window; null for other kinds and borderless windows.
    Ref<TitleBarButton> standardWindowButton(WindowButton kind);

    // Frame autosave: "x y w h sx sy sw sh " (frame, then the screen's visible frame).
    QString stringWithSavedFrame() const;
    bool setFrameFromString(const QString& string);
    // Under the standard defaults key "NSWindow Frame <name>".
    void saveFrameUsingName(const QString& name) const;
    bool setFrameUsingName(const QString& name);
    // Takes a saved frame under the name at once, then saves on every move and resize. NO when
    // another window uses the name; empty stops saving.
    bool setFrameAutosaveName(const QString& name);
    QString frameAutosaveName() const { return autosaveName_; }

    // Views.
    Ref<View> contentView() const;
    void setContentView(View* view);
    // The private root that holds the content view; opaque, the end of every opaqueAncestor walk.
    Ref<View> frameView() const;

    // Ordering and key state.
    bool isVisible() const { return visible_; }
    void orderFront(Object* sender = nullptr);
    void orderOut(Object* sender = nullptr);
    void makeKeyAndOrderFront(Object* sender = nullptr);
    // A window on screen also asks the server for the keyboard focus while the application is
    // active: the key window is the one the user types into.
    void makeKeyWindow();
    void makeMainWindow();
    bool isKeyWindow() const;
    bool isMainWindow() const;
    virtual bool canBecomeKeyWindow() const;
    virtual bool canBecomeMainWindow() const;
    virtual void becomeKeyWindow();
    virtual void resignKeyWindow();
    virtual void becomeMainWindow();
    virtual void resignMainWindow();
    // The screen holding the largest part of the frame; null when it is on none.
    Ref<class Screen> screen() const;
    // Every window shaped by its background takes the new way of showing its alpha (Screen calls it).
    static void compositingManagerDidChange();
    int level() const { return level_; }
    // Levels above normal stay on top.
    void setLevel(int level);
    // Above 1, below -1 or out 0, relative to the window numbered `other` (0: all windows).
    void orderWindowRelativeTo(WindowOrderingMode place, std::int64_t other);
    // Asks the delegate's windowShouldClose, then closes. A window that stands for another
    // (an attached bubble) may hand it on.
    virtual void performClose(Object* sender = nullptr);
    void close();

    // Appearance. Alpha 0 hides the native window while the kit still calls it visible.
    double alphaValue() const { return alpha_; }
    void setAlphaValue(double alpha);
    // The same setters, animated (frame and alpha by default); see kit/appkit/AnimationContext.h.
    class WindowAnimator animator();
    bool hasShadow() const { return hasShadow_; }
    void setHasShadow(bool flag) { hasShadow_ = flag; }
    void invalidateShadow() { }
    // Null: the style's window colour. Pattern colours tile from the window's bottom-left; a
    // non-opaque window with a pattern or a colour that is not fully opaque is translucent on
    // screen, and clicks pass through where a pattern's image is fully transparent.
    Ref<Color> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Color* color);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool flag);
    bool ignoresMouseEvents() const { return ignoresMouse_; }
    // YES: clicks pass through natively, and ordering the window front never focuses or
    // activates it (it cannot become key), as with the kit's own drag-image window.
    void setIgnoresMouseEvents(bool flag);
    // Stored only (NO by default: the window manager resizes from the frame); layouts that keep
    // the corner free for a resize indicator read it.
    bool showsResizeIndicator() const { return showsResizeIndicator_; }
    void setShowsResizeIndicator(bool flag) { showsResizeIndicator_ = flag; }
    bool isMovableByWindowBackground() const { return movableByBackground_; }
    void setMovableByWindowBackground(bool flag) { movableByBackground_ = flag; }

    // Child windows follow their parent's moves and ordering.
    void addChildWindowOrdered(Window* child, WindowOrderingMode place);
    void removeChildWindow(Window* child);
    std::vector<Ref<Window>> childWindows() const;
    Ref<Window> parentWindow() const { return parent_.lock(); }

    // Held weakly; gets the actions the chain leaves unhandled.
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) { delegate_ = delegate; }

    // First responder and the key-view loop. A responder that makes another first responder inside
    // its becomeFirstResponder (a field handing over to the field editor) keeps that inner choice.
    Ref<Responder> firstResponder() const;
    bool makeFirstResponder(Responder* responder);
    // A field editor handing the focus on (it leaves, the window holds the focus, the next view
    // takes it) holds the focus announcements: the responder it ends with is announced once.
    void beginFocusHandover() { ++focusHandovers_; }
    void endFocusHandover();
    Ref<View> initialFirstResponder() const;
    void setInitialFirstResponder(View* view);
    void selectNextKeyView(Object* sender = nullptr);
    void selectPreviousKeyView(Object* sender = nullptr);
    void selectKeyViewFollowingView(View* view);
    void selectKeyViewPrecedingView(View* view);
    SelectionDirection keyViewSelectionDirection() const { return direction_; }
    // Whether a click chose the first responder (then no focus ring shows), rather than the keyboard
    // or the program, and no key has gone to it since (the keys take over and the ring shows).
    bool firstResponderChosenByPointer() const { return pointerFocus_; }
    // makeFirstResponder for a click a view handles itself (the window's own clicks do this).
    bool makeFirstResponderForClick(Responder* responder);
    // The window's one field editor; made on demand by the hook the text system installs.
    Ref<Responder> fieldEditorForObject(bool createFlag, Object* object);
    static void setFieldEditorFactory(std::function<Ref<Responder>(Window*)> factory);
    static std::function<Ref<Responder>(Window*)> currentFieldEditorFactory();
    // Ends the field editor's session for `object` (null: whoever edits) with the end message,
    // whatever the session's delegate answers about ending.
    void endEditingFor(Object* object);
    bool acceptsMouseMovedEvents() const { return acceptsMouseMoved_; }
    void setAcceptsMouseMovedEvents(bool flag) { acceptsMouseMoved_ = flag; }

    // Display.
    void setViewsNeedDisplay(bool flag);
    // Adds `rect` (base coordinates) to the dirty region and schedules a pass.
    void invalidateRect(Rect baseRect);
    void clearRect(Rect baseRect);
    bool viewsNeedDisplay() const { return !dirty_.isEmpty(); }
    void display();
    void displayIfNeeded();
    // Draws `baseRect` now, whatever is dirty.
    void displayRect(Rect baseRect);
    // The backing image after any pending pass: the kit's own view tree, no decorations.
    QImage snapshot();
    int displayPassCount() const { return passCount_; }
    // Drawn but not yet on screen (screen updates disabled).
    bool hasUnflushedDrawing() const { return !unflushed_.isEmpty() || !storeUnflushed_.isEmpty(); }
    void flushToScreen();

    // Events.
    virtual void sendEvent(const Event& event);
    // kit::Responder: the end of the chain maps keys through the binding table.
    void keyDown(const Event& event) override;
    // Walks the view tree depth first, then gives Return or keypad Enter without Command, Control
    // or Option to the default button.
    bool performKeyEquivalent(const Event& event) override;
    // The default button's cell, held weakly; it gets `performClick` with the window as sender.
    Ref<Object> defaultButtonCell() const { return defaultButtonCell_.lock(); }
    void setDefaultButtonCell(Object* cell) { defaultButtonCell_ = cell; }
    // Escape (an action, reached when nothing before the window took it): presses the button whose
    // key equivalent is Escape, a Cancel by convention; beeps when there is none.
    void cancelOperation(Object* sender);
    Ref<Event> nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, Date untilDate, const QString& mode, bool dequeue);
    Ref<Event> nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, double untilMonotonic, const QString& mode, bool dequeue);
    Point mouseLocationOutsideOfEventStream() const;
    Point convertBaseToScreen(Point point) const;
    Point convertScreenToBase(Point point) const;

    // Once per loop turn that dispatched events: posts the did-update notification.
    virtual void update();

    // Cursor rectangles and tracking.
    void invalidateCursorRectsForView(View* view);
    // The cursor the rectangles ask for at `basePoint`, or null for the arrow.
    Ref<Cursor> cursorAtPoint(Point basePoint);
    // Shows the rectangles' cursor under the pointer when it differs from what they last showed,
    // or when they were rebuilt since: a cursor set by hand lasts until then. Rectangles act only
    // in the key window; others show the arrow.
    void updateCursorForPoint(Point basePoint);
    // Puts the kit's shown cursor on the host of the window under the pointer (else the key
    // window). Every new window installs it again, so tests that swap the presenter do it after.
    static void installCursorPresenter();
    void updateTrackingAreasNow();
    // The tool tip of the view under `basePoint`, or its nearest ancestor with one; null for none.
    QString toolTipAtPoint(Point basePoint);

    // Live resize: resizes the kit did not cause, less than 0.2 s apart.
    bool inLiveResize() const { return liveResizeTimer_ != nullptr; }
    // The user resized the host window (not the kit): starts or extends a live resize.
    void userDidResize(Rect frame);

    // Host.
    QWidget* hostWidget() const;

protected:
    // Whether a left press on `hit` in this window, not key, makes it key.
    virtual bool becomesKeyOnPressIn(const View*) const { return true; }

private:
    // Focus for the screen reader, held while a field editor hands over.
    void announceFocus();
    friend class View;
    friend class WindowHost;
    friend class Application;
    friend class Toolbar;
    friend class TitleBarButton;
    struct Placed;

    struct DisplayPass;
    struct ViewDrawSetup;
    GraphicsContext* setUpViewDrawing(ViewDrawSetup& setup, bool context);
    void drawPass(const QRegion& region);
    // The views over `region` through `painter`, on the backing image or on the host's store.
    void drawViewsWith(QPainter& painter, const QRegion& region);
    // Draws a pass straight onto the host's backing store when it can (NO otherwise); it
    // reaches the screen with the next flush.
    bool drawPassOnStore(const QRegion& region);
    // Draws into the backing, within `region`, what went to the host's store only, for those
    // who read the backing.
    void bringBackingUpToDate(const QRegion& region);
    void bringBackingUpToDate();
    // Takes back into the backing what a pass left on the store, when the store still holds it
    // and its pixels are the backing's own; NO otherwise.
    bool copyBackFromStore(const QRegion& region);
    void drawView(View* view, DisplayPass& pass, const ViewTransform& toBase, Rect clipBase);
    void prepareViewsToDraw();
    bool wholeWindowDirty() const;
    QRect toDevice(Rect baseRect) const;
    void schedulePass();
    void viewWillDetach(View* view);
    void noteGeometryChanged();
    void trackMouse(const Event& event, bool force);
    // A tracking loop took a mouse event from the queue: tracking areas see it, an up ends the press.
    void mouseEventTakenByLoop(const Event& event);
    // A tracking loop's mouse-up handed back: it goes to the view that had the press, as the
    // platform's implicit grab would, not to whatever the hit test finds.
    void mouseUpReposted(const Event& event);
    // Rebuilds the tracked set when views changed; areas that left it (hidden, detached) exit.
    // YES when it was rebuilt.
    bool rebuildTracking();
    // Sends entered/exited (and moved for real moves) for the pointer at lastMouse_.
    void reconcileTracking(const Event& event, bool pressed, bool moves);
    // An event at the last pointer position, for what changes under a resting pointer.
    Ref<Event> restingPointerEvent() const;
    void scheduleTrackingUpdate();
    void collectTracking(View* view);
    void sendTracking(TrackingArea& area, EventType type, const Event& cause);
    void keyDownUnhandled(const Event& event);
    bool performDefaultButton(const Event& event);
    using DelegateNote = void (WindowDelegate::*)(Notification*);
    void postNote(const QString& name, const char* delegateOperation, DelegateNote call);
    bool areaActive(const TrackingArea& area, const View* view) const;
    void collectCursorRects(View* view);
    Ref<View> keyLoopStart() const;
    void resizeBacking();
    void updateTranslucency();
    void updateClickThroughShape();
    // Toolbar and content view in the frame view; the height of the visible toolbar.
    void layoutFrameView();
    double toolbarHeight() const;
    void toolbarHeightChanged(double before);
    void updateTitleBarHints();
    // A left press in a window that is not key brings it forward and makes it key; the press is
    // always delivered (YES).
    bool handleFirstMouse(const Event& event, View* hit);
    // Nothing waits for the mouse-up any more; kept for the dispatch that calls it.
    void finishFirstMouse();
    void bringForwardByClick();
    // `askFocus` NO: the key state follows a focus the server already gave (or is giving).
    void becomeKey(bool askFocus);
    // Moves this window to the front of the kit's stacking, or right under `below`.
    void restack(const Window* below);
    void raiseHost();
    void orderChildren();
    void constrainFirstFrame();
    void fitDecorationsOnFirstPaint();
    void setUnmanagedChild(bool flag);
    // New native flags for the host, the one way they change: the host keeps the kit frame on the
    // screen, and a shown one is mapped again as orderFront maps it.
    void setHostFlags(Qt::WindowFlags flags);
    // The host is about to be mapped: a hand-over to or from the window manager asked while it was
    // shown happens now, and a window the manager framed when last shown is let go first.
    void prepareHostForMap();
    void setChildrenShownWithParent(bool shown);
    void keepChildrenAbove();
    void applySizeLimits();
    // Every view of the window that can become key, once, in the order Tab goes through them.
    std::vector<Ref<View>> keyViewCycle() const;
    // Tab (step 1) or Shift+Tab (-1) from `view`: the first view along the cycle that takes the focus.
    void selectKeyViewAfter(View* view, int step);
    void scheduleCursorUpdate();

    std::int64_t number_;
    unsigned styleMask_;
    QString title_;
    Rect frame_;
    Size minSize_ { 0, 0 };
    Size maxSize_ { 1e9, 1e9 };
    int level_ = NormalWindowLevel;
    bool visible_ = false;
    bool shownBefore_ = false;
    bool fitsDecorationsOnFirstPaint_ = false;
    std::optional<bool> unmanagedWhenHidden_; // asked while shown
    bool mappedManaged_ = false;              // the last map left it to the window manager
    bool acceptsMouseMoved_ = false;
    double alpha_ = 1;
    bool hasShadow_ = true;
    bool ignoresMouse_ = false;
    bool showsResizeIndicator_ = false;
    Ref<Event> loopTakenUp_; // the last mouse-up a tracking loop took, and the view pressed before it
    Weak<View> loopTakenUpView_;
    bool opaque_ = true;
    Ref<Color> backgroundColor_;
    bool movableByBackground_ = false;
    Weak<Window> parent_;
    std::vector<std::pair<Weak<Window>, WindowOrderingMode>> children_;
    Weak<Object> delegate_;
    Ref<View> frameView_;
    Ref<View> contentView_;
    Weak<Responder> firstResponder_;
    std::uint64_t responderChanges_ = 0; // counts handovers, so an outer one sees a nested one
    const Responder* resigning_ = nullptr; // identity only: the responder leaving, not asked twice
    int focusHandovers_ = 0;
    bool focusMovedInHandover_ = false;
    Weak<View> initialFirstResponder_;
    // The key view that held first responder before the window took it back (a field after
    // Return): Tab goes on from there.
    Weak<View> keyLoopAnchor_;
    bool pointerFocus_ = false;
    Ref<Responder> fieldEditor_;
    SelectionDirection direction_ = DirectSelection;

    QImage backing_;
    QRegion dirty_;
    QRegion unflushed_;
    // Drawn on the host's store but not into the backing, and drawn there but not flushed.
    QRegion staleBacking_;
    QRegion storeUnflushed_;
    // The store's pixels those regions lie in; another buffer holds none of them.
    const uchar* storeBits_ = nullptr;
    QRegion passRegion_; // what the running pass draws; invalidations inside it schedule nothing
    bool drawing_ = false;
    // The view whose needsDisplay the pass asks, and its visible part (device pixels).
    const View* willDrawView_ = nullptr;
    QRect willDrawRect_;
    // The view drawing now in the pass, and its bounds' transform to base coordinates.
    const View* drawingView_ = nullptr;
    ViewTransform drawingToBase_;
    bool passScheduled_ = false;
    int passCount_ = 0;

    bool trackingDirty_ = true;
    bool cursorRectsDirty_ = true;
    std::vector<Weak<View>> trackingUpdates_;
    bool trackingUpdateScheduled_ = false;
    struct TrackedArea {
        Ref<TrackingArea> area;
        const View* view; // identity only: compared with the first responder, never dereferenced
        ViewTransform fromBase;
        Rect rect; // in the view's coordinates
        Rect baseRect; // its bounding box in base coordinates, for a quick reject
        bool flipped; // the view's flag, for the mouse-in-rect rule
    };
    // Replaced, never changed in place, so a walk survives callbacks that rebuild it.
    std::shared_ptr<const std::vector<TrackedArea>> tracked_;
    std::vector<TrackedArea> collecting_;
    Ref<View> mouseDownView_; // held until the matching up, even when the view leaves the tree
    bool settingGeometry_ = false;
    std::vector<std::pair<Rect, Ref<Cursor>>> cursorRects_;
    std::uint64_t cursorRectsGeneration_ = 0;
    std::uint64_t shownGeneration_ = 0;
    const Cursor* shownRectCursor_ = nullptr; // identity only: what the rectangles last showed
    bool cursorUpdateScheduled_ = false;
    QString autosaveName_;
    std::optional<Rect> userFrame_; // before zooming
    Rect standardFrame() const;
    Weak<Object> defaultButtonCell_;
    Point lastMouse_ { -1e9, -1e9 };

    Ref<Toolbar> toolbar_;
    bool showsToolbarButton_ = true;
    std::vector<Ref<TitleBarButton>> titleBarButtons_;
    bool swallowingPress_ = false; // a first click that was not delivered: its drags and up go too

    std::unique_ptr<WindowHost> host_;
    Ref<Object> liveResizeTimer_; // a kit::Timer while a live resize runs
};

} // namespace kit
