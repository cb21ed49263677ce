#include "kit/appkit/Window.h"

#include "kit/appkit/AccessibilityBridge.h"

#include "kit/appkit/Animation.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/ClipView.h"
#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/FocusAnnouncement.h"
#include "kit/appkit/InputState.h"
#include "kit/appkit/KeyBindings.h"
#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Screen.h"
#include "kit/appkit/Toolbar.h"
#include "kit/appkit/ToolbarView.h"
#include "kit/appkit/TrackingArea.h"
#include "kit/appkit/WindowHost.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/FrameText.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/Timer.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Cursor.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/Image.h"
#include "kit/x11/InputShape.h"
#include "kit/x11/Stacking.h"

#include <QApplication>
#include <QBitmap>
#include <QPainter>
#include <QPalette>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <utility>

namespace kit {

namespace {

std::map<std::int64_t, Window*>& windowRegistry()
{
    static std::map<std::int64_t, Window*> windows;
    return windows;
}

std::int64_t lastWindowNumber = 0;

std::function<Ref<Responder>(Window*)>& fieldEditorFactory()
{
    static std::function<Ref<Responder>(Window*)> factory;
    return factory;
}

// The window's private root: opaque, fills with the window background, passes events to the window.
class FrameView : public View {
public:
    explicit FrameView(Rect frame)
        : View(frame)
    { }
    bool isOpaque() const override { return true; }
    void drawRect(Rect dirty) override
    {
        QPainter* p = currentPainter();
        if (!p)
            return;
        const QRectF r(dirty.minX(), dirty.minY(), dirty.width(), dirty.height());
        const Ref<Window> w = window();
        const Ref<Color> color = w ? w->backgroundColor() : nullptr;
        if (!color) {
            // Whole pixels fill alike without antialiasing, on the painter's much faster path.
            const QTransform& t = p->transform();
            const QRectF device = t.mapRect(r);
            const bool smooth = p->testRenderHint(QPainter::Antialiasing);
            const bool whole = t.type() <= QTransform::TxScale && QRectF(device.toRect()) == device;
            p->setRenderHint(QPainter::Antialiasing, smooth && !whole);
            p->fillRect(r, QApplication::palette().color(QPalette::Window));
            p->setRenderHint(QPainter::Antialiasing, smooth);
            return;
        }
        // A translucent colour shows what is behind the window, not the last pass.
        p->save();
        p->setCompositionMode(QPainter::CompositionMode_Source);
        p->fillRect(r, Qt::transparent);
        p->restore();
        color->setFill();
        RectFillUsingOperation(dirty, CompositeSourceOver);
    }
};

} // namespace

Window::Window(Rect contentRect, unsigned styleMask)
    : number_(++lastWindowNumber)
    , styleMask_(styleMask)
    , frame_(contentRect)
{
    setMainThreadAffine();
    windowRegistry()[number_] = this;
    // The host comes before the view tree: the tree's first invalidation schedules the first
    // display pass through it, and a pass scheduled without a host would never run.
    host_ = std::make_unique<WindowHost>(this);
    host_->setAttribute(Qt::WA_DontShowOnScreen, QGuiApplication::platformName() == QLatin1String("offscreen"));
    if (styleMask == BorderlessWindowMask)
        host_->setWindowFlag(Qt::FramelessWindowHint);
    if (styleMask & UtilityWindowMask)
        host_->setWindowFlag(Qt::Tool);
    settingGeometry_ = true;
    const QRect qt = QtRectFromScreen(frame_).toRect();
    // The user cannot resize what is not resizable: min = max on the native window.
    if (!(styleMask & ResizableWindowMask))
        host_->setFixedSize(qt.size());
    host_->setGeometry(qt);
    settingGeometry_ = false;
    resizeBacking();
    frameView_ = make<FrameView>(MakeRect(0, 0, contentRect.width(), contentRect.height()));
    frameView_->setAutoresizesSubviews(false);
    frameView_->setWindowRecursively(this);
    frameView_->setNextResponder(this);
    auto content = make<View>(MakeRect(0, 0, contentRect.width(), contentRect.height()));
    setContentView(content.get());
    installCursorPresenter();
}

Window::~Window()
{
    windowRegistry().erase(number_);
    if (frameView_)
        frameView_->setWindowRecursively(nullptr);
}

Ref<Window> Window::windowWithNumber(std::int64_t number)
{
    auto it = windowRegistry().find(number);
    return it == windowRegistry().end() ? nullptr : Ref<Window>(it->second);
}

std::vector<Ref<Window>> Window::allWindows()
{
    std::vector<Ref<Window>> out;
    for (auto& [n, w] : windowRegistry())
        if (w->retainCount() > 0)
            out.emplace_back(w);
    return out;
}

void Window::setTitle(const QString& title)
{
    title_ = title;
    host_->setWindowTitle(title);
}

QWidget* Window::hostWidget() const { return host_.get(); }

// Frame -------------------------------------------------------------------------------------------

void Window::setFrameDisplay(Rect frame, bool display)
{
    // Beyond Qt's geometry limit (or not a number at all) the native geometry would overflow an int.
    const auto withinLimit = [](double v, double low) { return std::isnan(v) ? 0 : std::clamp(v, low, WindowGeometryLimit); };
    frame = MakeRect(withinLimit(frame.origin.x, -WindowGeometryLimit), withinLimit(frame.origin.y, -WindowGeometryLimit),
        withinLimit(frame.size.width, 0), withinLimit(frame.size.height, 0));
    frame.size.width = std::clamp(frame.size.width, minSize_.width, std::max(minSize_.width, maxSize_.width));
    frame.size.height = std::clamp(frame.size.height, minSize_.height, std::max(minSize_.height, maxSize_.height));
    if (frame == frame_) {
        // A user resize clamped back to the frame the window has: the native window goes back too.
        if (!settingGeometry_ && host_->geometry() != QtRectFromScreen(frame_).toRect()) {
            settingGeometry_ = true;
            host_->setGeometry(QtRectFromScreen(frame_).toRect());
            settingGeometry_ = false;
        }
        return;
    }
    const bool resized = !(frame.size == frame_.size);
    const Point moved = MakePoint(frame.minX() - frame_.minX(), frame.minY() - frame_.minY());
    frame_ = frame;
    // Children keep their place relative to the parent.
    if (moved.x != 0 || moved.y != 0)
        for (const Ref<Window>& child : childWindows())
            child->setFrameOrigin(MakePoint(child->frame().minX() + moved.x, child->frame().minY() + moved.y));
    if (!settingGeometry_) {
        settingGeometry_ = true;
        const QRect qt = QtRectFromScreen(frame_).toRect();
        if (!(styleMask_ & ResizableWindowMask))
            host_->setFixedSize(qt.size());
        host_->setGeometry(qt);
        settingGeometry_ = false;
    }
    if (resized) {
        resizeBacking();
        frameView_->setFrameSize(frame.size);
        layoutFrameView();
        invalidateRect(MakeRect(0, 0, frame.width(), frame.height()));
        noteGeometryChanged();
        if (display)
            displayIfNeeded();
        // A sheet stays on top of the content.
        if (const Ref<Window> sheet = Application::sharedApplication()->attachedSheetOfWindow(this))
            Application::placeSheetOnWindow(*sheet, *this);
    }
    const Ref<Window> keep(this);
    if (resized)
        postNote(WindowDidResizeNotification, "windowDidResize", &WindowDelegate::windowDidResize);
    if (moved.x != 0 || moved.y != 0)
        postNote(WindowDidMoveNotification, "windowDidMove", &WindowDelegate::windowDidMove);
    if (!autosaveName_.isEmpty())
        saveFrameUsingName(autosaveName_);
}

void Window::setFrameDisplayAnimate(Rect frame, bool display, bool animate)
{
    const double edge = std::max({ std::abs(frame.minX() - frame_.minX()), std::abs(frame.maxX() - frame_.maxX()),
        std::abs(frame.minY() - frame_.minY()), std::abs(frame.maxY() - frame_.maxY()) });
    const double duration = 0.2 * edge / 150;
    if (animate && duration > 0) {
        auto slide = make<ViewAnimation>();
        slide->setDuration(duration);
        slide->setAnimationCurve(AnimationLinear);
        slide->setAnimationBlockingMode(AnimationBlocking);
        slide->addAnimationDictionary(
            Dictionary { { Value(ViewAnimationTargetKey), Value(Ref<Object>(this)) }, { Value(ViewAnimationEndFrameKey), Value(frame) } });
        slide->startAnimation();
    }
    setFrameDisplay(frame, display);
}

Rect Window::standardFrame() const
{
    const Ref<Screen> screen = Screen::mainScreen();
    Rect standard = screen ? screen->visibleFrame() : frame_;
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("windowWillUseStandardFrameDefaultFrame")))
        if (auto* wd = dynamic_cast<WindowDelegate*>(d.get()))
            standard = wd->windowWillUseStandardFrameDefaultFrame(const_cast<Window*>(this), standard);
    return standard;
}

bool Window::isZoomed() const { return frame_ == standardFrame(); }

void Window::zoom(Object*)
{
    const Rect standard = standardFrame();
    if (frame_ == standard) {
        if (userFrame_)
            setFrameDisplay(*userFrame_, true);
        userFrame_.reset();
        return;
    }
    userFrame_ = frame_;
    setFrameDisplay(standard, true);
}

void Window::setStyleMask(unsigned styleMask)
{
    const unsigned was = styleMask_;
    styleMask_ = styleMask;
    Qt::WindowFlags flags = host_->windowFlags();
    flags.setFlag(Qt::FramelessWindowHint, styleMask == BorderlessWindowMask);
    if ((was ^ styleMask) & UtilityWindowMask)
        flags = (flags & ~Qt::WindowType_Mask) | (styleMask & UtilityWindowMask ? Qt::Tool : Qt::Window);
    setHostFlags(flags);
    if (styleMask & ResizableWindowMask) {
        host_->setMinimumSize(0, 0);
        host_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        applySizeLimits();
    } else {
        host_->setFixedSize(QtRectFromScreen(frame_).toRect().size());
    }
    if (!(styleMask & TitledWindowMask))
        return;
    // Without explicit hints the window manager would offer a close box the mask does not have.
    standardWindowButton(WindowCloseButton)->setEnabled(styleMask & ClosableWindowMask);
    standardWindowButton(WindowMiniaturizeButton)->setEnabled(styleMask & MiniaturizableWindowMask);
    standardWindowButton(WindowZoomButton)->setEnabled(styleMask & ResizableWindowMask);
    updateTitleBarHints();
}

void Window::setMinSize(Size size)
{
    minSize_ = size;
    applySizeLimits();
}

void Window::setMaxSize(Size size)
{
    maxSize_ = size;
    applySizeLimits();
}

void Window::applySizeLimits()
{
    // A window that is not resizable has its fixed size; the others let the user go only as far.
    if (!(styleMask_ & ResizableWindowMask))
        return;
    const auto limit = [](double v) { return int(std::clamp(std::ceil(v), 0.0, double(QWIDGETSIZE_MAX))); };
    host_->setMinimumSize(limit(minSize_.width), limit(minSize_.height));
    host_->setMaximumSize(limit(std::max(minSize_.width, maxSize_.width)), limit(std::max(minSize_.height, maxSize_.height)));
}

void Window::userDidResize(Rect frame)
{
    const bool starting = !liveResizeTimer_;
    if (liveResizeTimer_)
        static_pointer_cast<Timer>(liveResizeTimer_)->invalidate();
    // The end comes when no resize followed for 0.2 s, in whatever mode the loop runs.
    auto timer = Timer::timerWithTimeIntervalRepeatsBlock(0.2, false, [self = Weak<Window>(this)](Timer*) {
        if (const Ref<Window> w = self.lock()) {
            w->liveResizeTimer_ = nullptr;
            w->frameView_->sendLiveResize(false);
        }
    });
    liveResizeTimer_ = timer;
    RunLoop::main().addTimerForMode(timer, RunLoopCommonModes);
    if (starting)
        frameView_->sendLiveResize(true);
    setFrameDisplay(frame, true);
}

void Window::setFrameOrigin(Point origin) { setFrameDisplay(Rect { origin, frame_.size }, false); }

void Window::setLevel(int level)
{
    level_ = level;
    Qt::WindowFlags flags = host_->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, level > NormalWindowLevel);
    setHostFlags(flags);
}

void Window::orderWindowRelativeTo(WindowOrderingMode place, std::int64_t other)
{
    if (place == WindowOut) {
        orderOut();
        return;
    }
    orderFront();
    const Ref<Window> relative = other ? windowWithNumber(other) : nullptr;
    if (place == WindowBelow) {
        if (relative) {
            host_->stackUnder(relative->hostWidget());
            restack(relative.get());
        } else {
            host_->lower();
            auto& stack = Application::sharedApplication()->stacking_;
            std::erase_if(stack, [this](const Weak<Window>& w) { return w.unsafeRaw() == this; });
            stack.insert(stack.begin(), Weak<Window>(this));
        }
    } else if (relative) {
        // Raise in order: the relative window, its unmanaged children back over it, then this one
        // above them all.
        relative->raiseHost();
        relative->restack(nullptr);
        relative->keepChildrenAbove();
        raiseHost();
        restack(nullptr);
    }
}

void Window::performClose(Object*)
{
    const Ref<Object> d = delegate();
    if (d && d->respondsToSelector(Selector("windowShouldClose")))
        if (auto* wd = dynamic_cast<WindowDelegate*>(d.get()); wd && !wd->windowShouldClose(this))
            return;
    close();
}

void Window::close()
{
    const Ref<Window> keep(this);
    postNote(WindowWillCloseNotification, "windowWillClose", &WindowDelegate::windowWillClose);
    orderOut();
    Application::sharedApplication()->windowDidClose(this);
}

void Window::update()
{
    if (toolbar_ && toolbar_->isVisible())
        toolbar_->validateVisibleItems();
    postNote(WindowDidUpdateNotification, "windowDidUpdate", &WindowDelegate::windowDidUpdate);
}

void Window::postNote(const QString& name, const char* delegateOperation, DelegateNote call)
{
    const Ref<Notification> note = Notification::notificationWithNameObjectUserInfo(name, this);
    if (const Ref<Object> d = delegate(); d && d->respondsToSelector(Selector(delegateOperation)))
        if (auto* wd = dynamic_cast<WindowDelegate*>(d.get()))
            (wd->*call)(note.get());
    NotificationCenter::defaultCenter()->postNotification(note);
}

void Window::setAlphaValue(double alpha)
{
    alpha_ = std::clamp(alpha, 0.0, 1.0);
    host_->setWindowOpacity(alpha_);
    // A fully transparent window leaves the screen; the kit still counts it as visible. One that
    // comes back is drawn first, as orderFront does.
    if (visible_) {
        if (alpha_ > 0 && !host_->isVisible())
            displayIfNeeded();
        host_->setVisible(alpha_ > 0);
    }
}

void Window::setBackgroundColor(Color* color)
{
    backgroundColor_ = color;
    updateTranslucency();
    setViewsNeedDisplay(true);
}

void Window::setOpaque(bool flag)
{
    opaque_ = flag;
    updateTranslucency();
}

void Window::updateTranslucency()
{
    // A pattern colour reads as transparent; its image decides what shows.
    const bool pattern = backgroundColor_ && backgroundColor_->isPattern();
    const bool translucent = !opaque_ && backgroundColor_ && (pattern || backgroundColor_->alphaComponent() < 1);
    updateClickThroughShape();
    if (host_->testAttribute(Qt::WA_TranslucentBackground) == translucent)
        return;
    host_->setAttribute(Qt::WA_TranslucentBackground, translucent);
    // A native window keeps the visual it was made with (with or without alpha): one made already
    // is made again, and the children's windows stay transient for it.
    if (host_->remakeNativeWindow())
        for (const Ref<Window>& child : childWindows())
            if (QWindow* handle = child->host_->windowHandle())
                handle->setTransientParent(host_->windowHandle());
}

void Window::updateClickThroughShape()
{
    const Ref<Image> image = !opaque_ && backgroundColor_ && backgroundColor_->isPattern() ? backgroundColor_->patternImage() : nullptr;
    if (!image) {
        host_->clearMask();
        setInputShape(host_.get(), std::nullopt);
        return;
    }
    // Clicks go through the fully transparent parts. Under a compositing manager only the input
    // is shaped, so the edge keeps its soft alpha; without one the window itself is shaped, which
    // keeps the transparent parts from painting black. The image is anchored at the bottom-left,
    // one of its points per window point, whatever scale its pixels were made at.
    const Size points = image->size();
    const QSize size(std::max(1, int(std::ceil(points.width - 1e-9))), std::max(1, int(std::ceil(points.height - 1e-9))));
    QImage pixels = image->bitmapForDrawing(1).convertToFormat(QImage::Format_ARGB32);
    if (pixels.size() != size)
        pixels = pixels.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage mask = pixels.createAlphaMask(Qt::ThresholdAlphaDither).convertToFormat(QImage::Format_Mono);
    QRegion shape(QBitmap::fromImage(mask));
    shape.translate(0, int(frame_.height()) - pixels.height());
    if (shape.isEmpty())
        shape = QRegion(0, 0, 1, 1);
    if (Screen::hasCompositingManager()) {
        host_->clearMask();
        setInputShape(host_.get(), shape);
    } else {
        setInputShape(host_.get(), std::nullopt);
        host_->setMask(shape);
    }
}

void Window::compositingManagerDidChange()
{
    for (const auto& [number, window] : windowRegistry())
        window->updateClickThroughShape();
}

Ref<Screen> Window::screen() const
{
    Ref<Screen> best;
    double bestArea = 0;
    for (const Ref<Screen>& candidate : Screen::screens()) {
        const Rect overlap = IntersectionRect(frame_, candidate->frame());
        const double area = overlap.width() * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = candidate;
        }
    }
    return best;
}

void Window::setIgnoresMouseEvents(bool flag)
{
    ignoresMouse_ = flag;
    host_->setAttribute(Qt::WA_TransparentForMouseEvents, flag);
    host_->setAttribute(Qt::WA_ShowWithoutActivating, flag);
    const Qt::WindowFlags native = Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus;
    setHostFlags(flag ? host_->windowFlags() | native : host_->windowFlags() & ~native);
}

void Window::addChildWindowOrdered(Window* child, WindowOrderingMode place)
{
    if (!child || child == this)
        return;
    if (const Ref<Window> old = child->parentWindow())
        old->removeChildWindow(child);
    child->parent_ = this;
    children_.emplace_back(Weak<Window>(child), place);
    // A borderless child (a bubble) and a sheet are left out of the window manager's hands from
    // their first map on: no frame around them, and the kit keeps them over their parent.
    const bool sheet = Application::sharedApplication()->attachedSheetOfWindow(this).get() == child;
    child->setUnmanagedChild(child->styleMask_ == BorderlessWindowMask || sheet);
    // Transient for the parent: the window manager keeps it with the parent and above it.
    host_->winId();
    child->host_->winId();
    child->host_->windowHandle()->setTransientParent(host_->windowHandle());
    if (sheet)
        Application::placeSheetOnWindow(*child, *this);
    if (visible_)
        child->orderWindowRelativeTo(place == WindowBelow ? WindowBelow : WindowAbove, number_);
}

void Window::removeChildWindow(Window* child)
{
    std::erase_if(children_, [child](const auto& c) { return c.first.unsafeRaw() == child; });
    if (child && child->parent_.unsafeRaw() == this) {
        child->parent_ = nullptr;
        if (QWindow* handle = child->host_->windowHandle())
            handle->setTransientParent(nullptr);
        child->setUnmanagedChild(false);
    }
}

void Window::setUnmanagedChild(bool flag)
{
    // A shown window changes hands when it is next hidden: mapped again at once, it races the
    // window manager letting it go (or framing it), which can leave it unmapped.
    if (host_->isVisible()) {
        unmanagedWhenHidden_ = flag;
        return;
    }
    unmanagedWhenHidden_.reset();
    // Unmanaged windows have no frame; one that never becomes key takes no focus either.
    const bool frameless = flag || styleMask_ == BorderlessWindowMask;
    const bool noFocus = (flag && !canBecomeKeyWindow()) || ignoresMouse_;
    Qt::WindowFlags flags = host_->windowFlags() & ~(Qt::BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    flags |= (flag ? Qt::BypassWindowManagerHint : Qt::WindowFlags()) | (frameless ? Qt::FramelessWindowHint : Qt::WindowFlags())
        | (noFocus ? Qt::WindowDoesNotAcceptFocus : Qt::WindowFlags());
    if (flags == host_->windowFlags())
        return;
    host_->setAttribute(Qt::WA_ShowWithoutActivating, noFocus);
    setHostFlags(flags);
}

void Window::setHostFlags(Qt::WindowFlags flags)
{
    if (flags == host_->windowFlags())
        return;
    const bool shown = host_->isVisible();
    // Qt keeps a window's outer corner across new flags, by the frame margins it last knew: one
    // that loses its frame would move up by its title bar. The kit frame is the client area.
    host_->setWindowFlags(flags);
    settingGeometry_ = true;
    host_->setGeometry(QtRectFromScreen(frame_).toRect());
    settingGeometry_ = false;
    // New flags take the native window down: a shown one is mapped again as orderFront maps it.
    if (shown) {
        prepareHostForMap();
        host_->show();
    }
}

void Window::prepareHostForMap()
{
    if (const std::optional<bool> unmanaged = std::exchange(unmanagedWhenHidden_, std::nullopt))
        setUnmanagedChild(*unmanaged);
    const bool managed = !host_->windowFlags().testFlag(Qt::BypassWindowManagerHint);
    // The live native window: Qt makes a new one for some flags, and the widget's winId still
    // names the old one.
    if (!managed && mappedManaged_ && host_->winId())
        waitUntilWithdrawnOnServer(host_->windowHandle()->winId());
    mappedManaged_ = managed;
}

void Window::setChildrenShownWithParent(bool shown)
{
    // The window manager minimises only what it manages: the kit's children go and come back with
    // their parent.
    for (const auto& [w, place] : children_)
        if (const Ref<Window> child = w.lock(); child && child->visible_ && child->alpha_ > 0)
            child->host_->setVisible(shown);
    if (shown)
        keepChildrenAbove();
}

void Window::keepChildrenAbove()
{
    // The window manager raises a window it activates or that is clicked: the kit's unmanaged
    // children go back over it, as it does not know them (it keeps managed ones above by itself).
    for (const auto& [w, place] : children_)
        if (const Ref<Window> child = w.lock();
            child && child->visible_ && place != WindowBelow && child->host_->windowFlags().testFlag(Qt::BypassWindowManagerHint)) {
            child->raiseHost();
            child->restack(nullptr);
            child->keepChildrenAbove();
        }
}

std::vector<Ref<Window>> Window::childWindows() const
{
    std::vector<Ref<Window>> out;
    for (const auto& [w, place] : children_)
        if (Ref<Window> c = w.lock())
            out.push_back(c);
    return out;
}

void Window::setFrameTopLeftPoint(Point topLeft) { setFrameOrigin(MakePoint(topLeft.x, topLeft.y - frame_.height())); }

void Window::setContentSize(Size size) { setFrameDisplay(frameRectForContentRect(Rect { frame_.origin, size }), true); }

void Window::center()
{
    const Ref<Screen> screen = Screen::mainScreen();
    if (!screen)
        return;
    const Rect v = screen->visibleFrame();
    setFrameOrigin(MakePoint(std::floor(v.midX() - frame_.width() / 2), std::floor(v.minY() + (v.height() - frame_.height()) * 2 / 3)));
}

namespace {

// The size first, then the origin.
Rect fitInside(Rect frame, Rect area)
{
    frame.size.width = std::min(frame.width(), area.width());
    frame.size.height = std::min(frame.height(), area.height());
    frame.origin.x = std::clamp(frame.minX(), area.minX(), area.maxX() - frame.width());
    frame.origin.y = std::clamp(frame.minY(), area.minY(), area.maxY() - frame.height());
    return frame;
}

} // namespace

Rect Window::constrainFrameRectToScreen(Rect frame, Screen* screen) const { return screen ? fitInside(frame, screen->visibleFrame()) : frame; }

void Window::constrainFirstFrame()
{
    // Once, and only on a display: the headless platform's screen is no screen anyone sees.
    if (shownBefore_)
        return;
    shownBefore_ = true;
    if (!(styleMask_ & TitledWindowMask) || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    Ref<Screen> on = screen();
    if (!on)
        on = Screen::mainScreen();
    if (const Rect fitted = constrainFrameRectToScreen(frame_, on.get()); fitted != frame_)
        setFrameDisplay(fitted, false);
    fitsDecorationsOnFirstPaint_ = true;
}

void Window::fitDecorationsOnFirstPaint()
{
    // The window manager's decorations are known once it has framed the window: the title bar
    // must be on the screen too, so the client area shrinks and moves by them.
    if (!fitsDecorationsOnFirstPaint_)
        return;
    fitsDecorationsOnFirstPaint_ = false;
    const QMargins m = host_->windowHandle() ? host_->windowHandle()->frameMargins() : QMargins();
    Ref<Screen> on = screen();
    if (!on)
        on = Screen::mainScreen();
    if (m.isNull() || !on)
        return;
    const Rect v = on->visibleFrame();
    const Rect inside = MakeRect(v.minX() + m.left(), v.minY() + m.bottom(), v.width() - m.left() - m.right(), v.height() - m.top() - m.bottom());
    const Rect fitted = fitInside(frame_, inside);
    if (fitted == frame_)
        return;
    // Not inside the paint that asked.
    const Weak<Window> weak(this);
    QTimer::singleShot(0, host_.get(), [weak, fitted] {
        if (const Ref<Window> w = weak.lock())
            w->setFrameDisplay(fitted, true);
    });
}

// The kit frame is the client area: decorations count for nothing.
Rect Window::frameRectForContentRectStyleMask(Rect contentRect, unsigned) { return contentRect; }
Rect Window::contentRectForFrameRectStyleMask(Rect frameRect, unsigned) { return frameRect; }

// The toolbar sits on top: y up, so the origin stays and only the height changes.
Rect Window::frameRectForContentRect(Rect contentRect) const
{
    contentRect.size.height += toolbarHeight();
    return contentRect;
}

Rect Window::contentRectForFrameRect(Rect frameRect) const
{
    frameRect.size.height = std::max(0.0, frameRect.size.height - toolbarHeight());
    return frameRect;
}

QString Window::stringWithSavedFrame() const
{
    // The window's own screen: the key window may be on another.
    const Ref<Screen> screen = host_->screen() ? make<Screen>(host_->screen()) : Screen::mainScreen();
    return kit::stringWithSavedFrame(frame_, screen ? screen->visibleFrame() : ZeroRect);
}

bool Window::setFrameFromString(const QString& string)
{
    const std::optional<Rect> frame = savedFrameFromString(string);
    if (!frame)
        return false;
    setFrameDisplay(*frame, true);
    return true;
}

void Window::saveFrameUsingName(const QString& name) const
{
    if (!name.isEmpty())
        UserDefaults::standardUserDefaults()->setObjectForKey(Value(stringWithSavedFrame()), windowFrameDefaultsKey(name));
}

bool Window::setFrameUsingName(const QString& name)
{
    if (name.isEmpty())
        return false;
    return setFrameFromString(UserDefaults::standardUserDefaults()->stringForKey(windowFrameDefaultsKey(name)));
}

bool Window::setFrameAutosaveName(const QString& name)
{
    if (name == autosaveName_)
        return true;
    if (!name.isEmpty())
        for (const Ref<Window>& w : allWindows())
            if (w.get() != this && w->autosaveName_ == name)
                return false;
    autosaveName_.clear(); // restoring must not write the frame back over the saved one
    if (!name.isEmpty())
        setFrameUsingName(name);
    autosaveName_ = name;
    return true;
}

// Views -------------------------------------------------------------------------------------------

Ref<View> Window::contentView() const { return contentView_; }
Ref<View> Window::frameView() const { return frameView_; }

void Window::setContentView(View* view)
{
    if (view == contentView_.get())
        return;
    if (contentView_)
        contentView_->removeFromSuperview();
    contentView_ = view;
    if (view) {
        view->setFrame(MakeRect(0, 0, frame_.width(), frame_.height() - toolbarHeight()));
        frameView_->addSubviewPositionedRelativeTo(view, WindowBelow, nullptr);
    }
}

// First responder and key views -------------------------------------------------------------------

Ref<Responder> Window::firstResponder() const
{
    if (Ref<Responder> r = firstResponder_.lock())
        return r;
    return Ref<Responder>(const_cast<Window*>(this));
}

bool Window::makeFirstResponderForClick(Responder* responder)
{
    // Set after the handover, which clears it.
    pointerFocus_ = makeFirstResponder(responder);
    return pointerFocus_;
}

bool Window::makeFirstResponder(Responder* responder)
{
    const Ref<Responder> current = firstResponder();
    if (responder == current.get())
        return true;
    // What the new responder says as it takes the focus (a field's selection) is heard after it.
    const FocusChangeScope changing;
    pointerFocus_ = false;
    if (responder == this)
        // The outermost key view: the field rather than the editor inside it, which leaves.
        for (Ref<View> v = dynamic_pointer_cast<View>(current); v; v = v->superview())
            if (v->canBecomeKeyView())
                keyLoopAnchor_ = v;
    const Ref<Responder> keep(responder);
    const std::uint64_t change = ++responderChanges_;
    if (current.get() != this && current.get() != resigning_) {
        const Responder* outer = resigning_;
        resigning_ = current.get();
        const bool resigned = current->resignFirstResponder();
        resigning_ = outer;
        if (!resigned)
            return false;
    }
    // The resigning responder chose a first responder of its own while it left: that choice
    // stands when it is the one asked for; otherwise the handover starts again from it.
    if (responderChanges_ != change) {
        if (firstResponder().get() == responder)
            return true;
        if (firstResponder().get() != this)
            return makeFirstResponder(responder);
    }
    // During the handover the window holds the position.
    firstResponder_ = nullptr;
    if (!responder || responder == this) {
        announceFocus();
        return true;
    }
    const std::uint64_t becoming = ++responderChanges_;
    if (!responder->acceptsFirstResponder())
        return false;
    const bool became = responder->becomeFirstResponder();
    // A nested makeFirstResponder inside becomeFirstResponder made the choice: keep it.
    if (responderChanges_ != becoming)
        return became;
    if (!became)
        return false;
    firstResponder_ = responder;
    keyLoopAnchor_ = nullptr;
    announceFocus();
    return true;
}

void Window::announceFocus()
{
    if (focusHandovers_ > 0) {
        focusMovedInHandover_ = true;
        return;
    }
    AccessibilityBridge::focusChanged(this);
}

void Window::endFocusHandover()
{
    if (--focusHandovers_ > 0 || !std::exchange(focusMovedInHandover_, false))
        return;
    AccessibilityBridge::focusChanged(this);
}

namespace {

int focusChangesUnderWay = 0;

std::vector<std::function<void()>>& announcementsAfterFocus()
{
    static std::vector<std::function<void()>> held;
    return held;
}

} // namespace

FocusChangeScope::FocusChangeScope() { ++focusChangesUnderWay; }

FocusChangeScope::~FocusChangeScope()
{
    if (--focusChangesUnderWay > 0)
        return;
    // An announcement may move the focus again and hold more.
    std::vector<std::function<void()>>& held = announcementsAfterFocus();
    while (!held.empty() && focusChangesUnderWay == 0)
        for (const std::function<void()>& announce : std::exchange(held, {}))
            announce();
}

void AnnounceAfterFocus(std::function<void()> announce)
{
    if (focusChangesUnderWay > 0)
        announcementsAfterFocus().push_back(std::move(announce));
    else
        announce();
}

Ref<View> Window::initialFirstResponder() const { return initialFirstResponder_.lock(); }
void Window::setInitialFirstResponder(View* view) { initialFirstResponder_ = view; }

Ref<View> Window::keyLoopStart() const
{
    if (const Ref<View> v = dynamic_pointer_cast<View>(firstResponder_.lock()); v && v->window().get() == this)
        return v;
    if (const Ref<View> v = keyLoopAnchor_.lock(); v && v->window().get() == this)
        return v;
    return nullptr;
}

namespace {

struct KeyStop {
    Rect rect; // in the coordinates it is ordered in, y up
    Ref<View> view; // null for what a clip view holds
    std::vector<KeyStop> held;
};

// `view`'s place in `space` (null: the window), turned y up.
Rect KeyStopPlace(const View& view, const View* space)
{
    const Rect r = view.convertRectToView(view.bounds(), space);
    return space && space->isFlipped() ? MakeRect(r.minX(), -r.maxY(), r.width(), r.height()) : r;
}

void CollectKeyStops(const Ref<View>& view, const View* space, std::vector<KeyStop>& out)
{
    // A key view's insides (a field's editor, say) are not stops of their own.
    if (view->canBecomeKeyView()) {
        out.push_back({ KeyStopPlace(*view, space), view, {} });
        return;
    }
    // What a scroll view holds is read in its own order, however it is scrolled, where the scroll
    // view stands: scrolling a view into sight never changes the order.
    if (dynamic_cast<const ClipView*>(view.get())) {
        KeyStop clip { KeyStopPlace(*view, space), nullptr, {} };
        for (const Ref<View>& sub : view->subviews())
            CollectKeyStops(sub, view.get(), clip.held);
        if (!clip.held.empty())
            out.push_back(std::move(clip));
        return;
    }
    for (const Ref<View>& sub : view->subviews())
        CollectKeyStops(sub, space, out);
}

// The stops in bands of overlapping extents along one axis (a chain of overlaps is one band): rows
// from the top, or columns from the left.
std::vector<std::vector<KeyStop>> KeyStopBands(std::vector<KeyStop> stops, bool rows)
{
    std::stable_sort(stops.begin(), stops.end(),
        [rows](const KeyStop& a, const KeyStop& b) { return rows ? a.rect.maxY() > b.rect.maxY() : a.rect.minX() < b.rect.minX(); });
    std::vector<std::vector<KeyStop>> bands;
    double end = 0; // the band's bottom, or its right edge
    for (KeyStop& stop : stops) {
        const bool joins = !bands.empty() && (rows ? stop.rect.maxY() > end : stop.rect.minX() < end);
        if (!joins) {
            bands.emplace_back();
            end = rows ? stop.rect.minY() : stop.rect.maxX();
        }
        end = rows ? std::min(end, stop.rect.minY()) : std::max(end, stop.rect.maxX());
        bands.back().push_back(std::move(stop));
    }
    return bands;
}

// Reading order: rows from the top, each left to right (right to left in a right-to-left layout).
// Views whose vertical extents overlap are one row; a row that a tall view makes of several (a
// list beside a form) is read one column at a time, the first column, then the rest as rows again.
void OrderKeyStops(std::vector<KeyStop> stops, bool rightToLeft, std::vector<KeyStop>& out)
{
    if (stops.size() < 2) {
        std::move(stops.begin(), stops.end(), std::back_inserter(out));
        return;
    }
    std::vector<std::vector<KeyStop>> rows = KeyStopBands(stops, true);
    if (rows.size() > 1) {
        for (std::vector<KeyStop>& row : rows)
            OrderKeyStops(std::move(row), rightToLeft, out);
        return;
    }
    std::vector<std::vector<KeyStop>> columns = KeyStopBands(std::move(stops), false);
    if (columns.size() > 1) {
        if (rightToLeft)
            std::reverse(columns.begin(), columns.end());
        OrderKeyStops(std::move(columns.front()), rightToLeft, out);
        std::vector<KeyStop> rest;
        for (auto column = columns.begin() + 1; column != columns.end(); ++column)
            std::move(column->begin(), column->end(), std::back_inserter(rest));
        OrderKeyStops(std::move(rest), rightToLeft, out);
        return;
    }
    // Overlapping both ways: by the top edge, then the leading edge.
    std::vector<KeyStop>& all = columns.front();
    std::stable_sort(all.begin(), all.end(), [rightToLeft](const KeyStop& a, const KeyStop& b) {
        if (a.rect.maxY() != b.rect.maxY())
            return a.rect.maxY() > b.rect.maxY();
        return rightToLeft ? a.rect.maxX() > b.rect.maxX() : a.rect.minX() < b.rect.minX();
    });
    std::move(all.begin(), all.end(), std::back_inserter(out));
}

void AppendInReadingOrder(std::vector<KeyStop> stops, bool rightToLeft, std::vector<Ref<View>>& out)
{
    std::vector<KeyStop> ordered;
    OrderKeyStops(std::move(stops), rightToLeft, ordered);
    for (KeyStop& stop : ordered) {
        if (stop.view)
            out.push_back(std::move(stop.view));
        else
            AppendInReadingOrder(std::move(stop.held), rightToLeft, out);
    }
}

// The view and its focus ring, brought into sight in every clip view around it, innermost first:
// each outer one shows what the inner one shows of it.
void ScrollIntoSight(View& view)
{
    constexpr double ringWidth = 3;
    Rect rect = InsetRect(view.bounds(), -ringWidth, -ringWidth);
    Ref<View> inner(&view);
    for (Ref<View> outer = view.superview(); outer; inner = outer, outer = outer->superview()) {
        rect = inner->convertRectToView(rect, outer.get());
        if (auto* clip = dynamic_cast<ClipView*>(outer.get())) {
            clip->scrollRectToVisible(rect);
            rect = IntersectionRect(rect, clip->bounds());
            if (IsEmptyRect(rect))
                return;
        }
    }
}

} // namespace

std::vector<Ref<View>> Window::keyViewCycle() const
{
    std::vector<KeyStop> stops;
    CollectKeyStops(frameView_, nullptr, stops);
    std::vector<Ref<View>> placed;
    AppendInReadingOrder(std::move(stops), QGuiApplication::layoutDirection() == Qt::RightToLeft, placed);
    // A toolbar strip's item views come right after it. A view's nextKeyView
    // chain brings the views it names right after it, until the chain comes back to a view already
    // in the cycle: a loop set among a few views keeps their order without keeping Tab from the others.
    std::vector<Ref<View>> cycle;
    std::set<const View*> inCycle;
    for (const Ref<View>& v : placed) {
        if (!inCycle.insert(v.get()).second)
            continue;
        cycle.push_back(v);
        if (const auto* strip = dynamic_cast<const ToolbarView*>(v.get()))
            for (const Ref<View>& inside : strip->keyViewsInside())
                if (inCycle.insert(inside.get()).second)
                    cycle.push_back(inside);
        std::set<const View*> seen { v.get() };
        for (Ref<View> next = v->nextKeyView(); next && seen.insert(next.get()).second; next = next->nextKeyView()) {
            if (!next->canBecomeKeyView() || next->window().get() != this)
                continue;
            if (!inCycle.insert(next.get()).second)
                break;
            cycle.push_back(next);
        }
    }
    return cycle;
}

void Window::selectKeyViewAfter(View* view, int step)
{
    const std::vector<Ref<View>> cycle = keyViewCycle();
    if (cycle.empty())
        return;
    const auto n = std::ptrdiff_t(cycle.size());
    // From inside a key view (its editor), the key view is where the step starts.
    const auto stopOf = [&cycle](const View* v) {
        auto at = cycle.end();
        for (; v && at == cycle.end(); v = v->superview().get())
            at = std::find_if(cycle.begin(), cycle.end(), [v](const Ref<View>& k) { return k.get() == v; });
        return at;
    };
    const auto at = stopOf(view);
    std::ptrdiff_t from = at - cycle.begin();
    if (at == cycle.end()) {
        // From no view: Tab starts at the initial first responder, else at the first view.
        const Ref<View> initial = initialFirstResponder();
        const auto i = std::find(cycle.begin(), cycle.end(), initial);
        from = i != cycle.end() ? (i - cycle.begin()) - (step > 0 ? 1 : 0) : (step > 0 ? -1 : n);
    }
    const Ref<Responder> current = firstResponder();
    const Ref<Window> keep(this);
    direction_ = step > 0 ? SelectingNext : SelectingPrevious;
    // Views that refuse are passed over; round once, the view it started from takes the focus back
    // when the window holds it, so that a Tab never leaves the window without a first responder.
    // A key view inside another (a scope bar's accessory) steps to that one like any other.
    for (std::ptrdiff_t k = 1; k <= n; ++k) {
        View* candidate = cycle[std::size_t(((from + k * step) % n + n) % n)].get();
        const auto* holder = dynamic_cast<const View*>(firstResponder().get());
        if (holder && stopOf(holder) != cycle.end() && stopOf(holder)->get() == candidate)
            break;
        if (makeFirstResponder(candidate)) {
            // Taken by the keyboard: in sight, however deep in scroll views (a click never scrolls).
            ScrollIntoSight(*candidate);
            break;
        }
        // The one that has the focus would not let it go: it keeps it.
        if (const Ref<Responder> now = firstResponder(); now == current && now.get() != this)
            break;
    }
    direction_ = DirectSelection;
}

void Window::selectKeyViewFollowingView(View* view) { selectKeyViewAfter(view, 1); }
void Window::selectKeyViewPrecedingView(View* view) { selectKeyViewAfter(view, -1); }

void Window::selectNextKeyView(Object*) { selectKeyViewFollowingView(keyLoopStart().get()); }
void Window::selectPreviousKeyView(Object*) { selectKeyViewPrecedingView(keyLoopStart().get()); }

Ref<Responder> Window::fieldEditorForObject(bool createFlag, Object*)
{
    if (!fieldEditor_ && createFlag && fieldEditorFactory())
        fieldEditor_ = fieldEditorFactory()(this);
    return fieldEditor_;
}

void Window::setFieldEditorFactory(std::function<Ref<Responder>(Window*)> factory) { fieldEditorFactory() = std::move(factory); }
std::function<Ref<Responder>(Window*)> Window::currentFieldEditorFactory() { return fieldEditorFactory(); }

void Window::endEditingFor(Object* object)
{
    const Ref<Responder> editor = fieldEditor_;
    auto* editing = dynamic_cast<FieldEditing*>(editor.get());
    if (!editing)
        return;
    const Ref<Object> delegate = editing->editingSessionDelegate();
    const Ref<View> view = editing->editingSessionView();
    if (!delegate && !view)
        return;
    if (object && object != delegate.get() && object != view.get() && object != editor.get())
        return;
    editing->forceEndEditingSession();
}

// Events ------------------------------------------------------------------------------------------

Point Window::convertBaseToScreen(Point p) const { return MakePoint(p.x + frame_.minX(), p.y + frame_.minY()); }
Point Window::convertScreenToBase(Point p) const { return MakePoint(p.x - frame_.minX(), p.y - frame_.minY()); }

Point Window::mouseLocationOutsideOfEventStream() const { return convertScreenToBase(InputState::shared().mouseLocation); }

Ref<Event> Window::nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, Date untilDate, const QString& mode, bool dequeue)
{
    return Application::sharedApplication()->nextEventMatchingMaskUntilDateInModeDequeue(mask, untilDate, mode, dequeue);
}

Ref<Event> Window::nextEventMatchingMaskUntilDateInModeDequeue(std::uint64_t mask, double untilDate, const QString& mode, bool dequeue)
{
    return Application::sharedApplication()->nextEventMatchingMaskUntilDateInModeDequeue(mask, untilDate, mode, dequeue);
}

void Window::sendEvent(const Event& event)
{
    const Ref<Window> keep(this);
    switch (event.type()) {
    case LeftMouseDown:
    case RightMouseDown:
    case OtherMouseDown: {
        trackMouse(event, false);
        const Ref<View> hit = frameView_->hitTest(event.locationInWindow());
        if (event.type() == LeftMouseDown && !handleFirstMouse(event, hit.get())) {
            swallowingPress_ = true;
            return;
        }
        if (!hit)
            return;
        // A click makes the clicked view first responder before its mouseDown.
        if (event.type() == LeftMouseDown && hit->acceptsFirstResponder() && firstResponder_.unsafeRaw() != hit.get())
            makeFirstResponderForClick(hit.get());
        mouseDownView_ = hit;
        if (event.type() == LeftMouseDown)
            hit->mouseDown(event);
        else if (event.type() == RightMouseDown)
            hit->rightMouseDown(event);
        else
            hit->otherMouseDown(event);
        return;
    }
    case LeftMouseDragged:
    case RightMouseDragged:
    case OtherMouseDragged:
    case LeftMouseUp:
    case RightMouseUp:
    case OtherMouseUp: {
        trackMouse(event, false);
        const bool up = event.type() == LeftMouseUp || event.type() == RightMouseUp || event.type() == OtherMouseUp;
        if (event.type() == LeftMouseUp)
            finishFirstMouse();
        if (swallowingPress_ && (event.type() == LeftMouseDragged || event.type() == LeftMouseUp)) {
            swallowingPress_ = event.type() != LeftMouseUp;
            return;
        }
        Ref<View> target = mouseDownView_;
        if (!target)
            target = frameView_->hitTest(event.locationInWindow());
        if (up)
            mouseDownView_ = nullptr;
        if (!target)
            return;
        switch (event.type()) {
        case LeftMouseDragged:
            target->mouseDragged(event);
            break;
        case RightMouseDragged:
            target->rightMouseDragged(event);
            break;
        case OtherMouseDragged:
            target->otherMouseDragged(event);
            break;
        case LeftMouseUp:
            target->mouseUp(event);
            break;
        case RightMouseUp:
            target->rightMouseUp(event);
            break;
        default:
            target->otherMouseUp(event);
            break;
        }
        return;
    }
    case MouseMoved:
        trackMouse(event, false);
        if (acceptsMouseMoved_)
            if (const Ref<Responder> r = firstResponder(); r.get() != this)
                r->mouseMoved(event);
        return;
    case ScrollWheel:
        if (const Ref<View> hit = frameView_->hitTest(event.locationInWindow()))
            hit->scrollWheel(event);
        return;
    case KeyDown: {
        const std::uint64_t f = event.modifierFlags();
        // Key equivalents first, and only with these keys: the key window's views, then the menu.
        if ((f & (CommandKeyMask | ControlKeyMask | FunctionKeyMask))
            && (performKeyEquivalent(event) || Application::sharedApplication()->mainMenuPerformKeyEquivalent(event)))
            return;
        // The keys take over from the click that chose the first responder: its ring shows now.
        if (std::exchange(pointerFocus_, false))
            if (const Ref<View> view = dynamic_pointer_cast<View>(firstResponder()))
                view->setKeyboardFocusRingNeedsDisplayInRect(view->bounds());
        firstResponder()->keyDown(event);
        return;
    }
    case KeyUp:
        firstResponder()->keyUp(event);
        return;
    case FlagsChanged:
        firstResponder()->flagsChanged(event);
        return;
    default:
        return;
    }
}

bool Window::performKeyEquivalent(const Event& event)
{
    std::vector<Ref<View>> stack { frameView_ };
    while (!stack.empty()) {
        const Ref<View> v = stack.back();
        stack.pop_back();
        if (v->isHidden())
            continue;
        if (v != frameView_ && v->performKeyEquivalent(event))
            return true;
        const auto& subs = v->subviews();
        for (auto it = subs.rbegin(); it != subs.rend(); ++it)
            stack.push_back(*it);
    }
    return performDefaultButton(event);
}

bool Window::performDefaultButton(const Event& event)
{
    const Ref<Object> cell = defaultButtonCell_.lock();
    if (!cell)
        return false;
    const QString chars = event.charactersIgnoringModifiers();
    const bool enter = chars == QStringLiteral("\r") || chars == QString(QChar(0x0003));
    if (!enter || (event.modifierFlags() & (CommandKeyMask | ControlKeyMask | AlternateKeyMask)))
        return false;
    const Selector click("performClick");
    if (!cell->respondsToSelector(click))
        return false;
    cell->performSelectorWithObject(click, Value(Ref<Object>(this)));
    return true;
}

void Window::keyDown(const Event& event)
{
    // Unhandled by the views: the binding table names an action, sent up from the first responder.
    const Selector action = ActionForKeyEvent(event);
    const Ref<Responder> first = firstResponder();
    if (action && first->tryToPerformWith(action, nullptr))
        return;
    // Then what the views answer as key equivalents, and the default button for Return (keys with
    // Command, Control or a function key were offered before the first responder already).
    const bool offered = event.modifierFlags() & (CommandKeyMask | ControlKeyMask | FunctionKeyMask);
    if (!offered && performKeyEquivalent(event))
        return;
    if (action == Selector("insertTab")) {
        selectNextKeyView();
        return;
    }
    if (action == Selector("insertBacktab")) {
        selectPreviousKeyView();
        return;
    }
    Beep();
}

void Window::cancelOperation(Object*)
{
    // Escape's meaning in a window: its Escape button (a Cancel) is pressed.
    const QString escape(QChar(0x1B));
    const Ref<Event> key
        = Event::keyEventWithTypeLocationModifierFlagsTimestampWindowNumberContextCharactersCharactersIgnoringModifiersIsARepeatKeyCode(
            KeyDown, ZeroPoint, 0, Application::now(), windowNumber(), nullptr, escape, escape, false, KeyCodeEscape);
    if (!performKeyEquivalent(*key))
        Beep();
}

// Tracking areas and cursor rectangles ------------------------------------------------------------

void Window::noteGeometryChanged()
{
    trackingDirty_ = true;
    cursorRectsDirty_ = true;
    scheduleCursorUpdate();
    scheduleTrackingUpdate();
}

void Window::viewWillDetach(View* view)
{
    keepUntilEventEnds(Ref<Object>(view));
    if (const Ref<View> first = dynamic_pointer_cast<View>(firstResponder_.lock()); first && first->isDescendantOf(view))
        makeFirstResponder(nullptr);
    noteGeometryChanged();
}

KIT_REGISTER_CLASS(Window, Responder)
{
    c.property("toolbar", &Window::toolbar);
    c.property("title", &Window::title, &Window::setTitle);
    c.exposeBinding("title");
    c.action("toggleToolbarShown", &Window::toggleToolbarShown);
    c.action("performClose", &Window::performClose);
    c.action("cancelOperation", &Window::cancelOperation);
    c.action("selectNextKeyView", &Window::selectNextKeyView);
    c.action("selectPreviousKeyView", &Window::selectPreviousKeyView);
}

} // namespace kit
