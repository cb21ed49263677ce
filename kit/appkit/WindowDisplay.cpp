// The window's drawing: the backing image, the dirty region and its display passes, flushing to
// the host widget, and the nestable screen-update counter.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/WindowHost.h"
#include "kit/core/Exception.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"

#include <QBackingStore>
#include <QPainter>
#include <QScopeGuard>
#include <QWindow>

#include <cmath>
#include <utility>

namespace kit {

void Window::resizeBacking()
{
    const qreal dpr = host_ ? host_->devicePixelRatioF() : 1.0;
    const QSize size(int(std::ceil(frame_.width() * dpr)), int(std::ceil(frame_.height() * dpr)));
    backing_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    backing_.setDevicePixelRatio(dpr);
    backing_.fill(Qt::transparent);
    staleBacking_ = QRegion();
    storeUnflushed_ = QRegion();
    storeBits_ = nullptr;
}

QRect Window::toDevice(Rect r) const
{
    const double h = frame_.height();
    const double top = h - r.maxY(), bottom = h - r.minY();
    const int x0 = int(std::floor(r.minX())), y0 = int(std::floor(top));
    return QRect(x0, y0, int(std::ceil(r.maxX())) - x0, int(std::ceil(bottom)) - y0);
}

void Window::setViewsNeedDisplay(bool flag)
{
    if (flag)
        invalidateRect(MakeRect(0, 0, frame_.width(), frame_.height()));
    else
        dirty_ = QRegion();
}

void Window::invalidateRect(Rect baseRect)
{
    QRegion add = QRegion(toDevice(baseRect)) & QRect(0, 0, int(std::ceil(frame_.width())), int(std::ceil(frame_.height())));
    // What the running pass already covers is being drawn now.
    if (drawing_)
        add -= passRegion_;
    if (add.isEmpty())
        return;
    dirty_ += add;
    schedulePass();
}

void Window::clearRect(Rect baseRect) { dirty_ -= toDevice(baseRect); }

void Window::schedulePass()
{
    if (passScheduled_)
        return;
    passScheduled_ = true;
    QMetaObject::invokeMethod(
        host_.get(),
        [self = Weak<Window>(this)] {
            if (const Ref<Window> w = self.lock(); w && w->passScheduled_)
                w->displayIfNeeded();
        },
        Qt::QueuedConnection);
}

bool Window::wholeWindowDirty() const
{
    return dirty_.rectCount() == 1 && dirty_.boundingRect() == QRect(0, 0, int(std::ceil(frame_.width())), int(std::ceil(frame_.height())));
}

void Window::displayIfNeeded()
{
    if (drawing_)
        return;
    passScheduled_ = false;
    if (dirty_.isEmpty())
        return;
    prepareViewsToDraw();
    const QRegion region = dirty_;
    dirty_ = QRegion();
    passScheduled_ = false;
    drawPass(region);
}

// Top down, views in the region may lay out; what they invalidate joins this pass. A subtree whose
// root lies outside the region is skipped there, and each view's visible part comes from its
// parent's, so the walk costs what the region touches.
void Window::prepareViewsToDraw()
{
    struct Pending {
        Ref<View> view;
        ViewTransform toBase; // of the parent's bounds, or identity at the top
        Rect clipBase; // the parent's visible part
        bool parentFlipped;
        bool top;
    };
    std::vector<Pending> stack;
    stack.push_back({ frameView_, {}, MakeRect(0, 0, frame_.width(), frame_.height()), false, true });
    while (!stack.empty()) {
        Pending p = std::move(stack.back());
        stack.pop_back();
        View* v = p.view.get();
        if (v->isHidden() || v->window_.unsafeRaw() != this)
            continue;
        // Read now, after the parent's viewWillDraw may have moved it.
        const ViewTransform toBase
            = p.top ? v->transformToSuperview() : v->transformInSuperviewFlipped(p.parentFlipped).then(p.toBase);
        const Rect visibleBase = IntersectionRect(toBase.apply(v->bounds()), p.clipBase);
        if (visibleBase.size.width <= 0 || visibleBase.size.height <= 0)
            continue;
        bool needs = false;
        {
            willDrawView_ = v;
            willDrawRect_ = toDevice(visibleBase);
            const auto forget = qScopeGuard([this] { willDrawView_ = nullptr; });
            needs = v->needsDisplay();
        }
        if (!needs)
            continue;
        try {
            v->viewWillDraw();
        } catch (const std::exception& e) {
            logMessage(QStringLiteral("*** Exception in viewWillDraw: ") + QString::fromUtf8(e.what()));
        }
        // The view's own geometry again: viewWillDraw may have changed it.
        const ViewTransform after
            = p.top ? v->transformToSuperview() : v->transformInSuperviewFlipped(p.parentFlipped).then(p.toBase);
        const Rect clip = IntersectionRect(after.apply(v->bounds()), p.clipBase);
        const bool flipped = v->isFlipped();
        const auto& subs = v->subviews();
        for (auto it = subs.rbegin(); it != subs.rend(); ++it)
            stack.push_back({ *it, after, clip, flipped, false });
    }
}

void Window::flushToScreen()
{
    if (host_->isVisible() && !unflushed_.isEmpty())
        host_->update(unflushed_);
    unflushed_ = QRegion();
    // What was drawn on the store goes out as it is; a window not yet exposed shows the store
    // when it is.
    if (!storeUnflushed_.isEmpty()) {
        QWindow* handle = host_->windowHandle();
        if (host_->isVisible() && handle && handle->isExposed() && host_->backingStore())
            host_->backingStore()->flush(storeUnflushed_);
        storeUnflushed_ = QRegion();
    }
}

namespace {
int screenUpdatesDisabled = 0;
} // namespace

void DisableScreenUpdates() { ++screenUpdatesDisabled; }

void EnableScreenUpdates()
{
    if (screenUpdatesDisabled > 0 && --screenUpdatesDisabled == 0)
        for (const Ref<Window>& w : Window::allWindows())
            w->flushToScreen();
}

bool ScreenUpdatesEnabled() { return screenUpdatesDisabled == 0; }

int WindowLevelForKey(WindowLevelKey key)
{
    switch (key) {
    case FloatingWindowLevelKey:
        return FloatingWindowLevel;
    case ModalPanelWindowLevelKey:
        return ModalPanelWindowLevel;
    case StatusWindowLevelKey:
        return StatusWindowLevel;
    default:
        return NormalWindowLevel;
    }
}

void Window::display() { displayRect(MakeRect(0, 0, frame_.width(), frame_.height())); }

void Window::displayRect(Rect baseRect)
{
    if (drawing_) {
        invalidateRect(baseRect);
        return;
    }
    const QRegion region = QRegion(toDevice(baseRect)) & QRect(0, 0, int(std::ceil(frame_.width())), int(std::ceil(frame_.height())));
    if (region.isEmpty())
        return;
    dirty_ -= region;
    drawPass(region);
}

// What one pass shares among the views it draws.
struct Window::DisplayPass {
    QPainter& painter;
    const QRegion& region;
    QRect regionRect; // the region's only rectangle; null when it has several
    // Made by the first view that draws, begun again for each one after it.
    Ref<GraphicsContext> context;
    // The subviews of the views being drawn, level after level, as each list was after its
    // parent drew; a level is taken off once drawn.
    std::vector<Ref<View>> subviews;
};

// One view's drawing, set up only when the view asks for its painter or its context: the
// painter saved, clipped to the view's part of the region and in the view's coordinates, then
// for the context the pass's one context begun on it.
struct Window::ViewDrawSetup final : DeferredGraphicsContext, PendingViewPainter {
    ViewDrawSetup(Window& window, DisplayPass& pass, View& view)
        : window(window)
        , pass(pass)
        , view(view)
    { }
    void preparePainter() override { window.setUpViewDrawing(*this, false); }
    GraphicsContext* context() override { return window.setUpViewDrawing(*this, true); }

    Window& window;
    DisplayPass& pass;
    View& view;
    QRect clipRect; // when the clip is one rectangle
    QRegion clipRegion; // otherwise
    QTransform deviceFromView;
    bool painterReady = false;
    bool contextReady = false;
};

GraphicsContext* Window::setUpViewDrawing(ViewDrawSetup& setup, bool context)
{
    DisplayPass& pass = setup.pass;
    QPainter& painter = pass.painter;
    if (!setup.painterReady) {
        setup.painterReady = true;
        painter.save();
        if (setup.clipRegion.isEmpty())
            painter.setClipRect(setup.clipRect);
        else
            painter.setClipRegion(setup.clipRegion);
        painter.setTransform(setup.deviceFromView);
        View::setCurrentPainter(&painter);
    }
    if (!context)
        return nullptr;
    if (!setup.contextReady) {
        setup.contextReady = true;
        QPainterPath clip;
        if (setup.clipRegion.isEmpty())
            clip.addRect(QRectF(setup.clipRect));
        else
            clip.addRegion(setup.clipRegion);
        if (!pass.context)
            pass.context = GraphicsContext::reusableContextWithPainter(&painter);
        pass.context->beginOnPainter(setup.view.isFlipped(), setup.deviceFromView, std::move(clip));
    }
    return pass.context.get();
}

void Window::drawViewsWith(QPainter& painter, const QRegion& region)
{
    drawing_ = true;
    passRegion_ = region;
    painter.setRenderHint(QPainter::Antialiasing);
    {
        DisplayPass pass { painter, region, region.rectCount() == 1 ? region.boundingRect() : QRect(), nullptr, {} };
        drawView(frameView_.get(), pass, frameView_->transformToSuperview(), MakeRect(0, 0, frame_.width(), frame_.height()));
    }
    View::setCurrentPainter(nullptr);
    drawing_ = false;
    passRegion_ = QRegion();
}

namespace windowdisplay {

// A store the views can draw on as they draw on the backing: one image of the window's pixels,
// the same format or the opaque one the host's copy fills in.
bool StoreTakesDrawing(const QImage* store, const QImage& backing)
{
    return store && store->devicePixelRatio() == 1 && backing.devicePixelRatio() == 1
        && (store->format() == backing.format() || store->format() == QImage::Format_RGB32);
}

} // namespace windowdisplay

bool Window::drawPassOnStore(const QRegion& region)
{
    // A lockFocus reads the backing. A host inside another widget shares that widget's store.
    if (View::focusView() || !host_->isWindow() || !host_->isVisible() || !host_->windowHandle() || !host_->windowHandle()->handle())
        return false;
    QBackingStore* store = host_->backingStore();
    if (!store || !QRect(QPoint(0, 0), store->size()).contains(region.boundingRect())
        || !windowdisplay::StoreTakesDrawing(dynamic_cast<QImage*>(store->paintDevice()), backing_))
        return false;
    // A store that was made anew holds nothing of the earlier passes: the backing draws those.
    if (static_cast<const QImage*>(store->paintDevice())->constBits() != storeBits_)
        bringBackingUpToDate(staleBacking_);
    store->beginPaint(region);
    auto* image = dynamic_cast<QImage*>(store->paintDevice());
    storeBits_ = image ? image->constBits() : nullptr;
    const bool takes = windowdisplay::StoreTakesDrawing(image, backing_);
    if (takes) {
        QPainter painter(image);
        drawViewsWith(painter, region);
    }
    store->endPaint();
    if (!takes)
        return false;
    staleBacking_ += region;
    storeUnflushed_ += region;
    return true;
}

void Window::bringBackingUpToDate(const QRegion& region)
{
    if (drawing_)
        return;
    const QRegion stale = staleBacking_ & region;
    if (stale.isEmpty())
        return;
    staleBacking_ -= stale;
    QPainter painter(&backing_);
    drawViewsWith(painter, stale);
}

void Window::bringBackingUpToDate()
{
    // What was drawn is taken back as it was drawn; drawn again only when the store lost it.
    if (!staleBacking_.isEmpty() && !drawing_ && copyBackFromStore(staleBacking_)) {
        staleBacking_ = QRegion();
        return;
    }
    bringBackingUpToDate(staleBacking_);
}

bool Window::copyBackFromStore(const QRegion& region)
{
    QBackingStore* store = host_->backingStore();
    const auto* image = store ? dynamic_cast<const QImage*>(store->paintDevice()) : nullptr;
    if (!image || image->constBits() != storeBits_ || !windowdisplay::StoreTakesDrawing(image, backing_)
        || !image->rect().contains(region.boundingRect()) || !backing_.rect().contains(region.boundingRect()))
        return false;
    // An opaque store drops the alpha: its pixels are the backing's only where those are opaque.
    const bool sameFormat = image->format() == backing_.format();
    const Ref<Color> background = backgroundColor_;
    if (!sameFormat && (!opaque_ || (background && background->alphaComponent() < 1)))
        return false;
    for (const QRect& r : region)
        for (int y = r.top(); y <= r.bottom(); ++y)
            windowhost::copyRow(reinterpret_cast<quint32*>(backing_.scanLine(y)) + r.x(),
                reinterpret_cast<const quint32*>(image->constScanLine(y)) + r.x(), r.width(), !sameFormat);
    return true;
}

void Window::drawPass(const QRegion& region)
{
    ++passCount_;
    // On screen the views draw straight onto the host's backing store, and the backing image
    // catches up when someone reads it; otherwise into the backing, copied by the host's paint.
    if (!drawPassOnStore(region)) {
        {
            QPainter painter(&backing_);
            drawViewsWith(painter, region);
        }
        staleBacking_ -= region;
        unflushed_ += region;
    }
    // While screen updates are disabled nothing reaches the screen.
    if (ScreenUpdatesEnabled())
        flushToScreen();
    if (!dirty_.isEmpty()) {
        passScheduled_ = false;
        schedulePass();
    }
}

void Window::drawView(View* view, DisplayPass& pass, const ViewTransform& toBase, Rect clipBase)
{
    // Frame and hidden state are read now, after the parent has drawn.
    if (view->isHidden())
        return;
    const Rect visibleBase = IntersectionRect(toBase.apply(view->bounds()), clipBase);
    if (visibleBase.size.width <= 0 || visibleBase.size.height <= 0)
        return;
    ViewDrawSetup setup(*this, pass, *view);
    QRect box;
    if (!pass.regionRect.isNull()) {
        box = pass.regionRect & toDevice(visibleBase);
        if (box.isEmpty())
            return;
        setup.clipRect = box;
    } else {
        const QRect device = toDevice(visibleBase);
        if (!pass.region.intersects(device))
            return;
        setup.clipRegion = pass.region & device;
        if (setup.clipRegion.rectCount() == 1) {
            setup.clipRect = setup.clipRegion.boundingRect();
            setup.clipRegion = QRegion();
        }
        box = setup.clipRegion.isEmpty() ? setup.clipRect : setup.clipRegion.boundingRect();
    }
    const double h = frame_.height();
    const Rect boxBase = IntersectionRect(MakeRect(box.x(), h - box.y() - box.height(), box.width(), box.height()), visibleBase);
    const Rect dirty = toBase.inverted().apply(boxBase);
    setup.deviceFromView = QTransform(toBase.sx, 0, 0, -toBase.sy, toBase.tx, h - toBase.ty);

    {
        // The view draws through the current graphics context: its bounds are user space. Nothing
        // is set up for it until it asks.
        GraphicsContext::DeferredScope current(setup);
        View::setPendingPainter(&setup);
        drawingView_ = view;
        drawingToBase_ = toBase;
        try {
            view->drawForDisplayPass(dirty);
        } catch (const std::exception& e) {
            logMessage(QStringLiteral("*** Exception in drawRect: ") + QString::fromUtf8(e.what()));
        }
        drawingView_ = nullptr;
        View::setPendingPainter(nullptr);
        View::setCurrentPainter(nullptr);
    }
    if (setup.contextReady)
        pass.context->endOnPainter();
    if (setup.painterReady)
        pass.painter.restore();

    const std::size_t level = pass.subviews.size();
    const auto& subs = view->subviews();
    pass.subviews.insert(pass.subviews.end(), subs.begin(), subs.end());
    const std::size_t end = pass.subviews.size();
    const bool flipped = view->isFlipped();
    for (std::size_t i = level; i < end; ++i) {
        View* sub = pass.subviews[i].get();
        drawView(sub, pass, sub->transformInSuperviewFlipped(flipped).then(toBase), visibleBase);
    }
    pass.subviews.resize(level);
}

QImage Window::snapshot()
{
    displayIfNeeded();
    bringBackingUpToDate();
    return backing_.copy();
}

} // namespace kit
