// kit::View's capture: drawing into the window's backing outside the display pass (lockFocus),
// which BitmapImageRep::initWithFocusedViewRect reads back, and rendering a view with its
// subviews into image data of its own (dataWithPDFInsideRect).

#include "kit/appkit/View.h"
#include "kit/graphics/QtGeometry.h"
#include "kit/appkit/Window.h"
#include "kit/core/Exception.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ImageRep.h"

#include <QPainter>

#include <cmath>
#include <memory>
#include <utility>

namespace kit {

namespace {


// One lockFocus. The painter works on an image object of its own over the backing's pixels, so a
// display pass run meanwhile (lockFocus, display, capture) can paint the same pixels.
struct Focus {
    Weak<View> view;
    Weak<Window> window;
    std::unique_ptr<QImage> surface;
    std::unique_ptr<QPainter> painter;
    Ref<GraphicsContext> context;
    Ref<GraphicsContext> previous;
    Rect baseRect; // what the drawing may have changed
};

// The focus stack of the main thread, the only one views draw on. Balanced by unlockFocus.
std::vector<Focus>& focusStack()
{
    static std::vector<Focus> stack;
    return stack;
}

// The view a capture is drawing, for its needsToDrawRect.
struct CaptureDraw {
    const View* view;
    QTransform deviceFromView;
    QRectF deviceClip;
};
const CaptureDraw* currentCapture = nullptr;

} // namespace

bool View::canDraw() const
{
    const Ref<Window> w = window();
    return w && !w->backing_.isNull() && !isHiddenOrHasHiddenAncestor();
}

void View::lockFocus()
{
    Focus focus;
    focus.view = this;
    focus.previous = Ref<GraphicsContext>(GraphicsContext::currentContext());
    if (canDraw()) {
        const Ref<Window> w = window();
        // What the window shows is brought up to date first, so a capture reads this view.
        if (!w->drawing_)
            w->displayIfNeeded();
        w->bringBackingUpToDate();
        QImage& backing = w->backing_;
        focus.surface
            = std::make_unique<QImage>(backing.bits(), backing.width(), backing.height(), backing.bytesPerLine(), backing.format());
        focus.surface->setDevicePixelRatio(backing.devicePixelRatio());
        focus.painter = std::make_unique<QPainter>(focus.surface.get());
        focus.painter->setRenderHint(QPainter::Antialiasing);
        const ViewTransform t = transformToWindow();
        focus.painter->setTransform(QTransform(t.sx, 0, 0, -t.sy, t.tx, w->frame().height() - t.ty));
        const Rect visible = visibleRect();
        focus.painter->setClipRect(ToQRectF(visible));
        focus.context = GraphicsContext::graphicsContextWithPainter(focus.painter.get(), isFlipped());
        focus.window = w;
        focus.baseRect = convertRectToView(visible, nullptr);
    }
    // Without a window nothing is current, and drawing goes nowhere.
    GraphicsContext::setCurrentContext(focus.context);
    focusStack().push_back(std::move(focus));
}

bool View::lockFocusIfCanDraw()
{
    if (!canDraw())
        return false;
    lockFocus();
    return true;
}

void View::unlockFocus()
{
    auto& stack = focusStack();
    if (stack.empty() || stack.back().view.unsafeRaw() != this) {
        log(QStringLiteral("*** unlockFocus on %@ without its lockFocus"), description());
        return;
    }
    Focus focus = std::move(stack.back());
    stack.pop_back();
    GraphicsContext::setCurrentContext(focus.previous);
    focus.context = nullptr; // the context restores the painter's state: it goes first
    focus.painter.reset();
    if (const Ref<Window> w = focus.window.lock(); w && !IsEmptyRect(focus.baseRect)) {
        w->unflushed_ += w->toDevice(focus.baseRect);
        if (!w->drawing_ && ScreenUpdatesEnabled())
            w->flushToScreen();
    }
}

Ref<View> View::focusView()
{
    const auto& stack = focusStack();
    return stack.empty() ? nullptr : stack.back().view.lock();
}

std::optional<bool> View::captureNeedsToDrawRect(Rect rect) const
{
    if (!currentCapture || currentCapture->view != this)
        return std::nullopt;
    return currentCapture->deviceFromView.mapRect(ToQRectF(rect)).intersects(currentCapture->deviceClip);
}

QByteArray View::dataWithPDFInsideRect(Rect rect)
{
    const QSize pixels(int(std::ceil(rect.width() - 1e-9)), int(std::ceil(rect.height() - 1e-9)));
    if (IsEmptyRect(rect) || pixels.isEmpty())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainter* const outerPainter = currentPainter();

    // The display pass's drawing of one view and its subviews, into this image instead of the window.
    auto draw = [&](auto& self, View* view, const QTransform& deviceFromView, const QRectF& clip, bool top) -> void {
        if (!top && view->isHidden())
            return;
        const QRectF visible = deviceFromView.mapRect(ToQRectF(view->bounds())).intersected(clip);
        bool invertible = false;
        const QTransform viewFromDevice = deviceFromView.inverted(&invertible);
        if (visible.isEmpty() || !invertible)
            return;
        const Rect dirty = RectFromQRectF(viewFromDevice.mapRect(visible));
        painter.save();
        painter.setTransform(deviceFromView);
        painter.setClipRect(ToQRectF(dirty));
        {
            const Ref<GraphicsContext> context = GraphicsContext::graphicsContextWithPainter(&painter, view->isFlipped());
            GraphicsContext::Scope current(context);
            const CaptureDraw state { view, deviceFromView, visible };
            const CaptureDraw* const outer = std::exchange(currentCapture, &state);
            setCurrentPainter(&painter);
            try {
                view->drawForDisplayPass(dirty);
            } catch (const std::exception& e) {
                logMessage(QStringLiteral("*** Exception in drawRect: ") + QString::fromUtf8(e.what()));
            }
            setCurrentPainter(outerPainter);
            currentCapture = outer;
        }
        painter.restore();
        const std::vector<Ref<View>> subviews = view->subviews();
        for (const Ref<View>& sub : subviews) {
            const ViewTransform t = sub->transformToSuperview();
            self(self, sub.get(), QTransform(t.sx, 0, 0, t.sy, t.tx, t.ty) * deviceFromView, visible, false);
        }
    };
    // The image is y down with `rect`'s visual top-left at its origin.
    const QTransform imageFromView
        = isFlipped() ? QTransform(1, 0, 0, 1, -rect.minX(), -rect.minY()) : QTransform(1, 0, 0, -1, -rect.minX(), rect.maxY());
    draw(draw, this, imageFromView, QRectF(0, 0, rect.width(), rect.height()), true);
    painter.end();
    return make<BitmapImageRep>(std::move(image))->PNGRepresentation();
}

} // namespace kit
