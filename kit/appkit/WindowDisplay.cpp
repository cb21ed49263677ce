// The window's drawing: the backing image, the dirty region and its display passes, flushing to
// the host widget, and the nestable screen-update counter.

#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/appkit/WindowHost.h"
#include "kit/core/Exception.h"
#include "kit/graphics/GraphicsContext.h"

#include <QPainter>

#include <cmath>

namespace kit {

void Window::resizeBacking()
{
    const qreal dpr = host_ ? host_->devicePixelRatioF() : 1.0;
    const QSize size(int(std::ceil(frame_.width() * dpr)), int(std::ceil(frame_.height() * dpr)));
    backing_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    backing_.setDevicePixelRatio(dpr);
    backing_.fill(Qt::transparent);
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

void Window::displayIfNeeded()
{
    if (drawing_)
        return;
    passScheduled_ = false;
    if (dirty_.isEmpty())
        return;
    // First, top down, views in the region may lay out; what they invalidate joins this pass.
    std::vector<Ref<View>> stack { frameView_ };
    while (!stack.empty()) {
        const Ref<View> v = stack.back();
        stack.pop_back();
        if (v->isHidden() || v->window().get() != this)
            continue;
        if (!v->needsDisplay())
            continue;
        try {
            v->viewWillDraw();
        } catch (const std::exception& e) {
            logMessage(QStringLiteral("*** Exception in viewWillDraw: ") + QString::fromUtf8(e.what()));
        }
        const auto& subs = v->subviews();
        for (auto it = subs.rbegin(); it != subs.rend(); ++it)
            stack.push_back(*it);
    }
    const QRegion region = dirty_;
    dirty_ = QRegion();
    passScheduled_ = false;
    drawPass(region);
}

void Window::flushToScreen()
{
    if (host_->isVisible() && !unflushed_.isEmpty())
        host_->update(unflushed_);
    unflushed_ = QRegion();
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

void Window::drawPass(const QRegion& region)
{
    drawing_ = true;
    passRegion_ = region;
    ++passCount_;
    {
        QPainter painter(&backing_);
        painter.setRenderHint(QPainter::Antialiasing);
        drawView(frameView_.get(), painter, region, frameView_->transformToSuperview(), MakeRect(0, 0, frame_.width(), frame_.height()));
    }
    View::setCurrentPainter(nullptr);
    drawing_ = false;
    passRegion_ = QRegion();
    // While screen updates are disabled the backing changes but nothing reaches the screen.
    unflushed_ += region;
    if (ScreenUpdatesEnabled())
        flushToScreen();
    if (!dirty_.isEmpty()) {
        passScheduled_ = false;
        schedulePass();
    }
}

void Window::drawView(View* view, QPainter& painter, const QRegion& region, const ViewTransform& toBase, Rect clipBase)
{
    // Frame and hidden state are read now, after the parent has drawn.
    if (view->isHidden())
        return;
    const Rect visibleBase = IntersectionRect(toBase.apply(view->bounds()), clipBase);
    if (visibleBase.size.width <= 0 || visibleBase.size.height <= 0)
        return;
    const QRegion clip = region & toDevice(visibleBase);
    if (clip.isEmpty())
        return;
    const QRect box = clip.boundingRect();
    const double h = frame_.height();
    const Rect boxBase = IntersectionRect(MakeRect(box.x(), h - box.y() - box.height(), box.width(), box.height()), visibleBase);
    const Rect dirty = toBase.inverted().apply(boxBase);

    painter.save();
    painter.setClipRegion(clip);
    painter.setTransform(QTransform(toBase.sx, 0, 0, -toBase.sy, toBase.tx, h - toBase.ty));
    {
        // The view draws through the current graphics context: its bounds are user space.
        const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithPainter(&painter, view->isFlipped());
        GraphicsContext::Scope current(context);
        View::setCurrentPainter(&painter);
        try {
            view->drawForDisplayPass(dirty);
        } catch (const std::exception& e) {
            logMessage(QStringLiteral("*** Exception in drawRect: ") + QString::fromUtf8(e.what()));
        }
        View::setCurrentPainter(nullptr);
    }
    painter.restore();

    const std::vector<Ref<View>> subviews = view->subviews();
    for (const Ref<View>& sub : subviews)
        drawView(sub.get(), painter, region, sub->transformToSuperview().then(toBase), visibleBase);
}

QImage Window::snapshot()
{
    displayIfNeeded();
    return backing_.copy();
}

} // namespace kit
